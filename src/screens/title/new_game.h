#pragma once
// The new-game setup screen: six option rows with the galaxy settings on the left, the five player
// slots (who plays, in which colour) on the right, Cancel and Start at the bottom right.
//  - Built into a panel the caller owns (the game menu's sub-panel, which is the panel's user data);
//    the caller fills the command slots with panel_set_slot right after new_game_build. Each is
//    called with the screen panel; an empty slot does nothing.
//  - Game thread only.
#include <cstdint>
#include <string>
#include "game/game.h"
#include "platform/colour_fade.h"
#include "platform/list.h"
#include "ui/control.h"
#include "ui/panel.h"

// Command slots.
constexpr int NEW_GAME_SLOT_START = 0;   // Start, after the new player and changed rows are saved
constexpr int NEW_GAME_SLOT_BACK  = 1;   // Cancel

struct NewGameState : PanelCommandSlots {
    List<Control> *rows = nullptr;       // the six option rows (not owned)
    List<Control> *slots = nullptr;      // the five slot panels in slot order (not owned)
    uint64_t       record_ids[GAME_SLOT_COUNT] = {};
    ColourFade     colours[GAME_SLOT_COUNT];
    std::string    typed_name;           // the name of a human player to be created at Start
};

struct ChoiceItem;

// Control ids of the screen panel's children.
constexpr int NEW_GAME_TITLE_ID        = 100001;
constexpr int NEW_GAME_LABEL_ID        = 100002;   // an option row's label; a slot's name label
constexpr int NEW_GAME_CHOICE_ID       = 100003;   // an option row's choice
constexpr int NEW_GAME_STAR_DENSITY_ID = 100004;
constexpr int NEW_GAME_GALAXY_AGE_ID   = 100005;
constexpr int NEW_GAME_STARTING_TECH_ID = 100006;
constexpr int NEW_GAME_CREW_ID         = 100007;
constexpr int NEW_GAME_BUTTONS_ID      = 100008;
constexpr int NEW_GAME_START_ID        = 100009;
constexpr int NEW_GAME_ARK_ID          = 100010;
constexpr int NEW_GAME_SWATCH_ID       = 100011;   // inside a slot panel
constexpr int NEW_GAME_ICON_ID         = 100013;
constexpr int NEW_GAME_SECOND_TEXT_ID  = 100014;   // inside a name box
constexpr int NEW_GAME_NAME_BOX_ID     = 100015;
constexpr int NEW_GAME_PICKER_ID       = 100016;
constexpr int NEW_GAME_FOG_ID          = 100017;

// The red tooltips of a greyed Start; with both reasons the computer player's is shown.
constexpr const char *NEW_GAME_NEED_AI   = "AI player required";
constexpr const char *NEW_GAME_NEED_NAME = "Player name required";

// Builds the screen into the panel (its old children go) with a fresh NewGameState: the option
// rows from the Game's settings, the slots from its new-game player rows (slot 0 falls back to
// record 1 when its record is missing).
void          new_game_build(Control *panel);
NewGameState *new_game_state(Control *panel);   // null when the panel holds no setup screen
void          new_game_state_free(NewGameState *state);

// One option row: its label and a choice over the items (taken over) starting on `value`; the
// choice's value field holds the row id.
Control *new_game_option_row_create(Control *screen, int row_id, const char *label, const char *description,
                                    List<ChoiceItem> *items, int value);
void     new_game_option_row_widths(Control *row, int *label_w, int *choice_w);   // either may be null

// Control callbacks.
void new_game_on_option_change(Control *choice);   // stores the choice's value in the Game's settings
void new_game_on_start(Control *button);           // saves a new player and changed rows, then the start slot
void new_game_on_cancel(Control *button);          // the back slot; the slots' changes are dropped

// The player slots.
void new_game_slot_on_colour_click(Control *swatch);   // opens the colour picker of the slot
void new_game_slot_on_colour_pick(Control *swatch);    // swaps two slots' colours
void new_game_slot_on_hover(Control *name_box);        // the record's statistics in the detail popup
void new_game_slot_on_hover_leave(Control *name_box);
void new_game_slot_on_click(Control *name_box);        // opens the player selection for the slot
// The player selection's answers.
void new_game_slot_on_player_chosen(Control *dialog);
void new_game_slot_on_selection_closed(Control *dialog);
