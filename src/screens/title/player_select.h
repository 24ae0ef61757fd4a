#pragma once
// The player selection dialog: the player records of one kind (human records for the human slot,
// computer players' records for the others) with the records other slots hold greyed below, a row
// that creates a new player or empties the slot, a details column with the record's statistics,
// "OK" and a title bar that goes back. Human records other than the first can be deleted.
//  - Built into a panel the caller owns; the caller fills on_chosen and on_closed, the panel's user
//    data and value, and reads the answer in on_chosen (player_select_selected_id, name_entered and
//    typed_name).
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
