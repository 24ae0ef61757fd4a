// The fleet summary: a read-only picture of one fleet for the hover information, rebuilt whole on
// every call.
#include "screens/galaxy/fleet_summary.h"

#include <string>

#include "platform/colour_fade.h"
#include "platform/list.h"
#include "platform/str.h"
#include "screens/galaxy/galaxy_local.h"
#include "screens/galaxy/sector_info_panel.h"
#include "ui/panel.h"
#include "ui/stat_rows.h"
#include "ui/text_label.h"
#include "views/player_name_label.h"
#include "views/ship_list.h"
#include "world/fleet.h"

void fleet_summary_build(Control *panel, GameObject *fleet_obj, int32_t distance, int32_t speed, int32_t options) {
    if (!panel_of(panel)) return;
    panel_remove_children(panel);
    panel_set_shade(panel, 4);
    panel_set_border(panel, true);
    panel_set_bevel(panel, true);
    if (ColourFade *border = panel_border_colour(panel)) colour_fade_set(border, 100, 100, 100);
    if (panel->user_data != fleet_obj) control_set_user_data(panel, fleet_obj, nullptr);
    Fleet *fleet = fleet_of(fleet_obj);
    if (!fleet) return;

    Control *name = panel_add_child(panel, 4, 4, 0, 0, text_label_create_plain(6, 0, 230, 0, object_get_name(fleet)));
    int y = (name ? name->y + name->h : 4) + 10;
    if (fleet->owner_id)
        if (Control *owner = panel_add_child(panel, 4, y, 0, 0, player_name_label_create(2, nullptr, fleet->owner_id)))
            y += owner->h + 6;
    if (fleet_ship_count(fleet) > 0) {
        List<GameObject> *ships = fleet_sorted_ship_list(fleet);
        if (Control *icons = panel_add_child(panel, 4, y, 0, 0, ship_icons_create(ships, galaxy_detail::SHIP_ICONS_STYLE)))
            y += icons->h + 12;
        list_free(ships);
    }

    List<SystemRow> *rows = ui_stat_rows_list_create();
    if (!rows) return;
    auto row = [rows](const char *label, const std::string &value) { (void)ui_stat_rows_add_row(rows, nullptr, label, value.c_str(), 0); };
    const GameObject *target = fleet->move_target;
    if (target && target->kind == OBJECT_SECTOR) row("Destination", object_get_name(target));
    if (target && target->kind == OBJECT_FLEET) row("Intercepting", object_get_name(target));
    if (target) row("Speed", str_format("%i pc/day", int(fleet->speed)));
    if (target && fleet->speed > 0) row("ETA", galaxy_detail::days_text(fleet_travel_time_to_target(fleet)));
    row("Mass", str_format("%i KT", int(fleet->mass)));
    row("Power", str_format("%i TW", int(fleet->capacity_total)));
    if (const int32_t stealth = fleet_cloak(fleet); stealth > 0) row("Stealth", str_format("%i%%", int(stealth)));
    if (options & FLEET_SUMMARY_DISTANCE) {
        row("Distance", str_format("%i pc", int(distance)));
        if ((options & FLEET_SUMMARY_INTERCEPT) && speed > 0)
            row("Intercept ETA", galaxy_detail::days_text(sector_info_eta_days(distance, speed)));
    }
    panel_add_child(panel, 4, y, 0, 0, ui_stat_rows_create(rows, 0));

    panel_relayout(panel);
    panel_grow(panel, 0, 4);
}
