// The defence upgrade panel: a starbase's one-time upgrade, shown with the sentinel hull it adds.
#include "screens/sites/facility_panels.h"

#include <algorithm>
#include <new>
#include <string>

#include "game/game.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "ui/dialog.h"
#include "ui/game_controls.h"
#include "ui/panel.h"
#include "ui/panel_slots.h"
#include "ui/text_block.h"
#include "world/factory.h"
#include "world/object.h"
#include "world/ship.h"
#include "world/site.h"

void defense_upgrade_panel_state_free(void *data) {
    auto *state = static_cast<DefensePanelState *>(static_cast<PanelCommandSlots *>(data));
    if (!state) return;
    facility_picture_load_finish(&state->load);
    if (state->holds_request) {
        factory_release_detail_group(OBJECT_SHIP, DEFENSE_HULL_TEMPLATE);
        (void)factory_resolve_load_groups();
        state->holds_request = false;
    }
    delete state;
}

void defense_upgrade_panel_on_build(Control *button) {
    panel_call_slot(button ? static_cast<Control *>(button->user_data) : nullptr, FACILITY_PANEL_SLOT_BUILD);
}

void defense_upgrade_panel_on_close(Control *title) { facility_panel_on_close(title); }

void defense_upgrade_panel_build(Control *panel, GameObject *object) {
    if (!panel_of(panel)) return;
    control_set_widget_state(panel, nullptr, nullptr);   // joins a previous load first
    panel_remove_children(panel);
    facility_panel_look(panel);
    control_set_user_data(panel, object, nullptr);
    auto *state = new (std::nothrow) DefensePanelState();
    if (!state) return;
    state->panel = panel;
    panel_set_command_state(panel, state, defense_upgrade_panel_state_free);

    Site *site = site_cast(object);
    Game *game = game_get();
    Player *owner = site && site->owner_id ? game_find_player(game, site->owner_id) : nullptr;
    if (!owner) return;

    Control *title = panel_add_child(panel, 4, 4, DEFENSE_PANEL_ID_TITLE, 0,
                                     ui_button_create("Defense Upgrade", nullptr, defense_upgrade_panel_on_close, panel,
                                                      TITLE_ANIMATE | TITLE_CLOSE));
    if (title) title->on_click = defense_upgrade_panel_on_close;
    const int box_top = (title ? title->h : 0) + 10;

    const Ship *hull = ship_of(factory_get_template(OBJECT_SHIP, DEFENSE_HULL_TEMPLATE));
    int32_t pic_w = 0, pic_h = 0;
    if (hull) ship_get_frame_extent(hull, &pic_w, &pic_h);
    Control *holder = panel_add_child(panel, 4 + FACILITY_PICTURE_MARGIN / 2, box_top + FACILITY_PICTURE_MARGIN / 2,
                                      DEFENSE_PANEL_ID_PICTURE, 0, panel_create_empty());
    int y = box_top + pic_h + FACILITY_PICTURE_MARGIN;
    if (holder) {
        control_set_size(holder, pic_w, pic_h);
        if (hull) {
            factory_acquire_group(OBJECT_SHIP, DEFENSE_HULL_TEMPLATE, FACTORY_GROUP_DETAIL);
            state->holds_request = true;
            (void)facility_picture_load_start(&state->load, holder, OBJECT_SHIP, DEFENSE_HULL_TEMPLATE);
        }
    }

    std::string text;
    if (ship_load_description(DEFENSE_HULL_TEMPLATE, &text) == RES_OK)
        y = facility_description_add(panel, y, DEFENSE_PANEL_ID_DESCRIPTION, text);

    int32_t cost = 0, minutes = 0;
    player_build_cost(owner, -1, site->sector_id, &cost, &minutes);
    Control *tag = panel_add_child(panel, 4, y, DEFENSE_PANEL_ID_COST_TAG, 0,
                                   cost_tag_create(cost, facility_days_from_minutes(minutes), COST_TAG_SLIDE));
    if (tag) {
        tag->on_dwell = facility_cost_tooltip_show;
        tag->on_hover_leave = facility_cost_tooltip_hide;
        control_set_short_dwell(tag);
    }
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    Control *row = facility_build_button(panel, site->defense_progress > 0, player_can_spend(owner, cost) != RES_OK, defense_upgrade_panel_on_build,
                                         DEFENSE_PANEL_ID_BUTTONS);
    if (row) panel_add_child(panel, std::max(4, w - row->w), y, DEFENSE_PANEL_ID_BUTTONS, 0, row);
    facility_panel_fit(panel, DEFENSE_PANEL_ID_TITLE, DEFENSE_PANEL_ID_PICTURE);
}
