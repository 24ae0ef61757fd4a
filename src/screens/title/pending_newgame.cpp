// Stand-ins until the real ones land; deleted at merge.
#include <new>

#include "game/records.h"
#include "screens/title/player_select.h"
#include "ui/panel.h"

namespace {

void free_state(void *data) {
    PlayerSelectState *state = static_cast<PlayerSelectState *>(data);
    if (!state) return;
    list_free(state->available);
    list_free(state->taken);
    list_free(state->rows);
    delete state;
}

}  // namespace

void player_select_build(Control *panel, const uint64_t record_ids[GAME_SLOT_COUNT],
                         const ColourFade colours[GAME_SLOT_COUNT], int slot, int mode) {
    if (!panel_of(panel)) return;
    panel_remove_children(panel);
    PlayerSelectState *state = new (std::nothrow) PlayerSelectState{};
    if (!state) return;
    for (int k = 0; k < GAME_SLOT_COUNT; ++k) state->record_ids[k] = record_ids[k];
    state->available = list_create<PlayerRecord>();
    state->taken = list_create<PlayerRecord>();
    state->rows = list_create<Control>();
    state->human = (mode & PLAYER_SELECT_HUMAN) ? 1 : 0;
    if (slot >= 0 && slot < GAME_SLOT_COUNT) {
        state->red = colours[slot].r;
        state->green = colours[slot].g;
        state->blue = colours[slot].b;
    }
    control_set_widget_state(panel, state, free_state);
    Game *game = game_get();
    if (!game || !game->player_records || !state->available || !state->taken) return;
    for (PlayerRecord *record : game->player_records->items) {
        if (!record) break;
        if ((record->kind == 0) != (state->human == 1)) continue;
        bool held = false;
        for (int k = 0; k < GAME_SLOT_COUNT; ++k)
            if (k != slot && record_ids[k] == record->id) held = true;
        if (held) {
            list_append(state->taken, record);
            continue;
        }
        if (slot >= 0 && slot < GAME_SLOT_COUNT && record->id == record_ids[slot])
            state->selected = list_count(state->available);
        list_append(state->available, record);
    }
    state->initial = state->selected;
    control_set_size(panel, 300, 300);
}

Control *player_select_create(const uint64_t record_ids[GAME_SLOT_COUNT], const ColourFade colours[GAME_SLOT_COUNT],
                              int slot, int mode) {
    Control *panel = panel_create_empty();
    if (panel) player_select_build(panel, record_ids, colours, slot, mode);
    return panel;
}

PlayerSelectState *player_select_state(Control *dialog) {
    if (!dialog || dialog->widget_free != free_state) return nullptr;
    return static_cast<PlayerSelectState *>(dialog->widget_state);
}

uint64_t player_select_selected_id(Control *dialog) {
    const PlayerSelectState *state = player_select_state(dialog);
    if (!state || state->selected < 0) return 0;
    const PlayerRecord *record = list_get(state->available, state->selected);
    return record ? record->id : 0;
}
