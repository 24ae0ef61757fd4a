#pragma once
// The options panel: display mode, music and sound volume, galaxy and combat speed and auto-pass,
// each applied and written to "prefs.dat" the moment it changes; "OK" (or Esc) closes it.
//  - Built into a panel the caller owns (the game menu's sub-panel); the caller fills `close`.
//  - The state is the panel's widget state, freed with it (options_state_free).
//  - A choice of the value already set writes nothing; a write that fails is logged ("Failed to
//    save prefs file (%i)", GAME, ERROR) and the new value stays in effect.
//  - Game thread only.
#include <cstdint>
#include "platform/list.h"
#include "ui/control.h"

struct ChoiceItem;

struct OptionsState {
    List<Control> *rows = nullptr;   // the six row panels (the panel's children own them)
    ControlFn      close = nullptr;  // "OK": called with the options panel
};

// Child ids: the header of the panel; in each row its label and its choice.
constexpr int OPTIONS_HEADER_ID = 100001;
constexpr int OPTIONS_LABEL_ID  = 100002;
constexpr int OPTIONS_CHOICE_ID = 100003;

// The option ids, each the value field of its row's choice.
constexpr int32_t OPTION_SOUND_VOLUME = 100004;
constexpr int32_t OPTION_GALAXY_SPEED = 100005;
constexpr int32_t OPTION_AUTO_PASS    = 100006;
constexpr int32_t OPTION_MUSIC_VOLUME = 100007;
constexpr int32_t OPTION_COMBAT_SPEED = 100008;
constexpr int32_t OPTION_DISPLAY      = 100009;

void          options_panel_build(Control *panel);
OptionsState *options_panel_state(Control *panel);   // null when the panel holds no options panel
void          options_state_free(void *state);

// A row: the name as a label and a drop-down choice over the items (taken over) showing `current`,
// with the name and description beside its open list; the row's user data is the owner.
Control *options_row_create(Control *owner, int32_t id, const char *name, const char *description,
                            List<ChoiceItem> *choices, int32_t current);
void     options_row_get_widths(Control *row, int *label_w, int *choice_w);   // either may be null
// The change callback of every option choice: stores, applies and writes the new value.
void     options_on_change(Control *choice);
// "OK": calls the close slot of the panel held as the button's user data, when set.
void     options_on_close(Control *button);
