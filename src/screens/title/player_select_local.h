#pragma once
// What the player selection dialog and its record deletion share inside the title screens: the row
// looks, the details column's record view and the delete button's placement.
//  - Game thread only.
#include "screens/title/player_select.h"

struct PlayerRecord;

// available[index], or null for an index outside the list (-1, the create/none row, a stale one).
PlayerRecord *player_select_record_at(const PlayerSelectState *state, int index);
// The rows that follow the selection: the available rows and the create/none row (not the greyed).
bool player_select_row_is_pickable(const PlayerSelectState *state, int position);
// The row look: (5, 60, 5) when selected, else (1, 10, 1); the hover colour (10, 10, 120) either way.
void player_select_set_row_selected(Control *row, bool selected);
// The details column shows the record (or the no-record texts): the old name, second text and
// statistics fade out over 200 ms and the new ones take their places.
void player_select_show_record(Control *dialog, const PlayerRecord *record);

// Only human records above the first (id 1) can be deleted.
bool player_select_record_deletable(const PlayerRecord *record);
// The delete button at the right end of the row; player_select_remove_delete_button takes it away.
void player_select_place_delete_button(Control *dialog, Control *row);
void player_select_remove_delete_button(Control *dialog);
// Takes an open delete confirmation away: faded over ms, or at once for 0.
void player_select_close_confirmation(Control *dialog, int ms);

namespace player_select_detail {

// The dialog a control of it names as its user data.
inline Control *dialog_of(Control *ctrl) { return ctrl ? static_cast<Control *>(ctrl->user_data) : nullptr; }

}  // namespace player_select_detail
