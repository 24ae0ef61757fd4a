#pragma once
// The player selection dialog: the player records of one kind (human records for the human slot,
// computer players' records for the others) with the records other slots hold greyed below, a row
// that creates a new player or empties the slot, a details column with the record's statistics,
// "OK" and a title bar that goes back. Human records other than the first can be deleted.
//  - Built into a panel the caller owns; the caller fills on_chosen and on_closed, the panel's user
//    data and value, and reads the answer in on_chosen (player_select_selected_id, name_entered and
//    typed_name).
//  - A typed name is trimmed of leading and trailing blanks, by Enter in the entry and by OK alike;
//    a blank one is never taken (name_entered stays as it was), so the dialog never answers with an
//    empty name.
//  - After a deletion selected, previous and initial still name the records they named (an index of
//    the deleted record becomes -1); the selection then goes back to the previous record, or to the
//    first row when that is gone, and the details column shows which.
//  - Game thread only.
#include <cstdint>
#include <string>
#include "game/game.h"
#include "platform/colour_fade.h"
#include "platform/list.h"
#include "ui/control.h"

struct PlayerRecord;

constexpr int CONTROL_ID_PLAYER_SELECT = 2841409;
constexpr int PLAYER_SELECT_HUMAN = 0x2;   // mode bit: the human records

// Children of the dialog (the list body holds the rows, the create/none row and the delete button;
// the details column holds the icon, swatch, name, second text and statistics).
constexpr int PLAYER_SELECT_LIST_ID    = 100001;
constexpr int PLAYER_SELECT_DETAILS_ID = 100002;
constexpr int PLAYER_SELECT_NAME_ID    = 100003;
constexpr int PLAYER_SELECT_TEXT_ID    = 100004;
constexpr int PLAYER_SELECT_STATS_ID   = 100005;
constexpr int PLAYER_SELECT_ENTRY_ID   = 100006;
constexpr int PLAYER_SELECT_CREATE_ID  = 100007;
constexpr int PLAYER_SELECT_SCROLL_ID  = 100008;
constexpr int PLAYER_SELECT_SWATCH_ID  = 100009;
constexpr int PLAYER_SELECT_ICON_ID    = 100010;
constexpr int PLAYER_SELECT_DELETE_ID  = 100011;
constexpr int PLAYER_SELECT_CONFIRM_ID = 100012;
constexpr int PLAYER_SELECT_TITLE_BAR_ID = 100013;   // its close box closes the dialog (on_closed)
// Inside a row: the name and the second text.
constexpr int PLAYER_SELECT_ROW_NAME_ID = 100001;
constexpr int PLAYER_SELECT_ROW_TEXT_ID = 100002;

constexpr int PLAYER_SELECT_LIST_HEIGHT = 250;   // the list body's height; taller content scrolls
constexpr int PLAYER_SELECT_WHEEL_STEP  = 24;    // scroll position per wheel notch
constexpr int PLAYER_SELECT_ARROW_STEP  = 96;    // scroll position per scroll-bar arrow click

struct PlayerSelectState {
    ControlFn on_closed = nullptr;   // the title bar (Back), with the dialog
    ControlFn on_chosen = nullptr;   // "OK", with the dialog
    uint64_t  record_ids[GAME_SLOT_COUNT] = {};
    int32_t   selected = -1;         // index into available; negative = no record
    int32_t   previous = -1;
    int32_t   initial = -1;
    List<PlayerRecord> *available = nullptr;   // pickable records in row order (not owned)
    List<PlayerRecord> *taken = nullptr;       // records other slots hold (not owned)
    List<Control>      *rows = nullptr;        // available rows, the create/none row, taken rows
    uint8_t   red = 0, green = 0, blue = 0;    // the calling slot's colour
    int32_t   name_x = 0, name_y = 0;
    int32_t   stats_x = 8, stats_y = 40;
    int32_t   human = 0;
    std::string typed_name;
    int32_t   label_x = 0, label_y = 0;
    int32_t   entry_open = 0;
    int32_t   name_entered = 0;
    int32_t   content_height = 0;
    int32_t   reopen = 0;
};

void               player_select_build(Control *panel, const uint64_t record_ids[GAME_SLOT_COUNT],
                                       const ColourFade colours[GAME_SLOT_COUNT], int slot, int mode);
Control           *player_select_create(const uint64_t record_ids[GAME_SLOT_COUNT],
                                        const ColourFade colours[GAME_SLOT_COUNT], int slot, int mode);
PlayerSelectState *player_select_state(Control *dialog);   // null when the panel holds no dialog
uint64_t           player_select_selected_id(Control *dialog);   // 0 when no record is selected
void               player_select_state_free(void *state);      // the dialog panel's widget-state free
// One list row: the record's name and second text, bright or greyed; "(New player)" without one.
Control           *player_select_row_create(const PlayerRecord *record, bool bright);

// Control callbacks; each finds the dialog as its control's user data.
void player_select_on_row_click(Control *row);
void player_select_on_ok(Control *button);
void player_select_on_back(Control *title_bar);
void player_select_on_name_entered(Control *entry);   // the name entry's accept
void player_select_on_name_cancel(Control *entry);    // the name entry's cancel

// Record deletion (human records other than the first): the selected row's delete button asks, and
// "Yes, delete" removes the record from the game's records and writes the records file at once.
void player_select_on_delete_click(Control *button);
void player_select_on_delete(Control *button);   // "Yes, delete"
void player_select_on_keep(Control *button);     // "No, keep"
