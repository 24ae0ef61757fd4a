// The battle group panel: one side of an encounter, its name, its ships by name and its totals.
// A click on a ship row goes to the owner's slot; a click on the title closes the panel.
#include <new>

#include "game/encounter.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "platform/list.h"
#include "platform/log.h"
#include "platform/str.h"
#include "screens/galaxy/encounter_dialog.h"
#include "screens/sites/facility_panels.h"
#include "ui/panel.h"
#include "ui/stat_rows.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "views/ship_list.h"

namespace {

constexpr int BATTLE_GROUP_LIST_STYLE = 3;

struct BattleGroupState : PanelPick {   // slot 0 on_ship_pick, the row clicked last
    Encounter *encounter = nullptr;     // not referenced: the caller keeps it alive
};

void battle_group_state_free(void *data) { delete static_cast<BattleGroupState *>(static_cast<PanelCommandSlots *>(data)); }

BattleGroupState *state_of(Control *panel) {
    return panel && panel->widget_free == battle_group_state_free
               ? static_cast<BattleGroupState *>(panel_command_slots(panel))
               : nullptr;
}

}  // namespace

void battle_group_panel_build(Control *panel, Encounter *encounter, uint64_t owner_id) {
    if (!panel_of(panel)) return;
    panel_remove_children(panel);
    panel_set_shade(panel, 2);
    panel_enable_alt_fill(panel);
    panel_set_border(panel, true);
    colour_fade_set(panel_border_colour(panel), 10, 10, 10);
    control_set_enabled(panel, true);
    auto *state = new (std::nothrow) BattleGroupState;
    if (!state) {
        log_write(LOG_GAME, LOG_ERROR, "Battle group - no memory for the panel state");
        return;
    }
    state->encounter = encounter;
    panel_set_command_state(panel, state, battle_group_state_free);

    Game *game = game_get();
    Player *owner = game && owner_id ? game_find_player(game, owner_id) : nullptr;

    Control *title = ui_button_create("Battle Group", nullptr, nullptr, panel, 0);
    if (title) {
        title->on_click = panel_close_button;
        panel_add_child(panel, 2, 2, BATTLE_GROUP_TITLE, 0, title);
    }
    if (owner && encounter) {
        int y = (title ? title->y + title->h : 2) + 6;
        Control *name = panel_add_child(panel, 4, y, 0, 1,
                                        text_label_create_plain(1, owner->red, owner->green, owner->blue,
                                                                battle_side_name(encounter, owner)));
        y = (name ? name->y + name->h : y) + 4;
        List<GameObject> *ships = encounter_owner_ships_sorted(encounter, owner_id);
        if (ships && list_count(ships) > 0) {
            if (Control *list = ship_list_create(ships, BATTLE_GROUP_WIDTH, list_row_select, BATTLE_GROUP_LIST_STYLE)) {
                control_set_user_data(list, panel, nullptr);
                panel_add_child(panel, 0, y, BATTLE_GROUP_LIST, 0, list);
                y = list->y + list->h + 6;
            }
        }
        list_free(ships);
        int32_t mass = 0, power = 0;
        encounter_sum_owner_stats(encounter, &mass, owner_id, &power);
        if (List<SystemRow> *rows = ui_stat_rows_list_create()) {
            (void)ui_stat_rows_add_row(rows, nullptr, "Ships",
                                       str_format("%i", int(encounter_count_owner_ships(encounter, owner_id))).c_str(), 0);
            (void)ui_stat_rows_add_row(rows, nullptr, "Mass", str_format("%i KT", int(mass)).c_str(), 0);
            (void)ui_stat_rows_add_row(rows, nullptr, "Power", str_format("%i TW", int(power)).c_str(), 0);
            panel_add_child(panel, 4, y, 0, 1, ui_stat_rows_create(rows, 1));
        }
    }
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, BATTLE_GROUP_WIDTH, h + 2);
    if (title) ui_control_resize(title, BATTLE_GROUP_WIDTH, false);
}

Encounter *battle_group_panel_encounter(Control *panel) {
    const BattleGroupState *state = state_of(panel);
    return state ? state->encounter : nullptr;
}

GameObject *battle_group_panel_picked_ship(Control *panel) {
    const BattleGroupState *state = state_of(panel);
    return state ? state->picked : nullptr;
}
