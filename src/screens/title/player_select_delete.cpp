// Deleting a human player's record from the player selection: the delete button at the selected
// row, the confirmation that grows out of it, and the deletion itself, after which the rows below
// close the gap and the selection goes back to the record chosen before.
#include <new>

#include "game/records.h"
#include "platform/image_ids.h"
#include "platform/log.h"
#include "screens/title/player_select.h"
#include "screens/title/player_select_local.h"
#include "ui/dialog.h"
#include "ui/image_control.h"
#include "ui/panel.h"

namespace {

constexpr int DELETE_TAG         = 2;
constexpr int GROW_MS            = 130;
constexpr int SLIDE_MS           = 130;
constexpr int ROW_PAUSE_MS       = 200;   // rows that slid ignore clicks meanwhile
constexpr int CONFIRM_FADE_MS    = 100;

// An index into available after the entry at `removed` was taken out: later ones move down by one,
// the removed one names no record any more.
int32_t index_after_removal(int32_t index, int32_t removed) {
    if (index == removed) return -1;
    return index > removed ? index - 1 : index;
}

// The row whose value is the index, or null.
Control *row_of_index(const PlayerSelectState *s, int32_t index) {
    for (Control *row : s->rows->items)
        if (row && panel_of(row)->value == index) return row;
    return nullptr;
}

}  // namespace

bool player_select_record_deletable(const PlayerRecord *record) {
    return record && record->kind == 0 && record->id > RECORD_HUMAN_DEFAULT_ID;
}

void player_select_place_delete_button(Control *dialog, Control *row) {
    Control *body = panel_find_child(dialog, PLAYER_SELECT_LIST_ID);
    if (!body || !row) return;
    Control *button = image_button_create_plain(IMAGE_DELETE, player_select_on_delete_click, 0, dialog);
    if (!button) return;
    control_set_tag(button, DELETE_TAG);
    int x = 0, y = 0, w = 0, h = 0;
    control_get_bounds(row, &x, &y, &w, &h);   // where a sliding row comes to rest
    panel_add_child(body, x + w - button->w - 3, y + h / 2 - button->h / 2, PLAYER_SELECT_DELETE_ID, 0, button);
}

void player_select_remove_delete_button(Control *dialog) {
    if (Control *button = panel_find_child(panel_find_child(dialog, PLAYER_SELECT_LIST_ID), PLAYER_SELECT_DELETE_ID))
        control_remove(button);
}

void player_select_close_confirmation(Control *dialog, int ms) {
    Control *confirm = panel_find_child(dialog, PLAYER_SELECT_CONFIRM_ID);
    if (!confirm) return;
    if (ms > 0) {
        panel_fade_out_recursive(confirm, ms);
    } else {
        control_remove(confirm);
        confirm->id = -1;
    }
}

void player_select_on_delete_click(Control *button) {
    Control *dialog = player_select_detail::dialog_of(button);
    PlayerSelectState *s = player_select_state(dialog);
    Control *body = panel_find_child(dialog, PLAYER_SELECT_LIST_ID);
    const Panel *bp = panel_of(body);
    if (!s || !bp) return;
    player_select_close_confirmation(dialog, 0);
    Control *confirm = panel_create_empty();
    if (!confirm) return;
    dialog_build(confirm, "Delete player data?", "Yes, delete", "No, keep", player_select_on_delete, dialog,
                 player_select_on_keep, dialog, 0);
    const int w = confirm->w, h = confirm->h;
    const int x = body->x + button->x - bp->scroll_x, y = body->y + button->y - bp->scroll_y;
    panel_add_child(dialog, x, y, PLAYER_SELECT_CONFIRM_ID, 0, confirm);
    control_set_tag(confirm, DELETE_TAG);
    panel_of(confirm)->value = s->selected;
    control_set_size(confirm, button->w, button->h);
    control_move_to(confirm, x + 40, y - 30, GROW_MS);
    panel_resize_to(confirm, w, h, GROW_MS);
}

void player_select_on_keep(Control *button) {
    player_select_close_confirmation(player_select_detail::dialog_of(button), CONFIRM_FADE_MS);
}

void player_select_on_delete(Control *button) {
    Control *dialog = player_select_detail::dialog_of(button);
    PlayerSelectState *s = player_select_state(dialog);
    Control *confirm = panel_find_child(dialog, PLAYER_SELECT_CONFIRM_ID);
    if (!s || !confirm) return;
    const int32_t removed = panel_of(confirm)->value;

    if (const PlayerRecord *record = player_select_record_at(s, removed)) {
        list_remove_value(s->available, record);
        Game *game = game_get();
        records_remove(game, record->id);   // frees the record
        if (const Result result = records_save(game); result != RES_OK)
            log_write(LOG_GAME, LOG_ERROR, "Failed to write records file (%i)", static_cast<int>(result));
    }

    // The rows below the removed one close the gap.
    if (Control *row = removed >= 0 ? row_of_index(s, removed) : nullptr) {
        int gone_y = 0, gone_h = 0;
        control_get_bounds(row, nullptr, &gone_y, nullptr, &gone_h);
        list_remove_value(s->rows, row);
        control_remove(row);
        control_release(row);
        for (Control *below : s->rows->items) {
            int x = 0, y = 0;
            control_get_bounds(below, &x, &y, nullptr, nullptr);
            if (y <= gone_y) continue;
            control_move_to(below, x, y - (gone_h + 2), SLIDE_MS);
            // Greyed rows stay disabled for good; the others pause while they slide.
            if (!(below->flags & CTRL_DISABLED) || (below->flags & CTRL_DISABLE_TIMER)) control_disable_for(below, ROW_PAUSE_MS);
            panel_of(below)->value -= 1;
        }
    }
    player_select_close_confirmation(dialog, CONFIRM_FADE_MS);
    player_select_remove_delete_button(dialog);

    // The indexes keep naming their records; the selection goes back to the one chosen before.
    s->selected = index_after_removal(s->selected, removed);
    s->previous = index_after_removal(s->previous, removed);
    s->initial = index_after_removal(s->initial, removed);
    s->selected = s->previous;
    if (!player_select_record_at(s, s->selected)) {
        s->selected = s->previous = 0;
        if (list_count(s->available) == 0) {   // nothing left to show but a new player
            player_select_show_record(dialog, nullptr);
            return;
        }
    }
    const PlayerRecord *record = player_select_record_at(s, s->selected);
    player_select_show_record(dialog, record);
    Control *row = list_get(s->rows, s->selected);
    if (row) player_select_set_row_selected(row, true);
    if (row && player_select_record_deletable(record)) player_select_place_delete_button(dialog, row);
}
