// The sector information panel: title, what the viewer remembers, ships in view, own starbase
// figures and the course figures, rebuilt whole on every call.
#include "screens/galaxy/sector_info_panel.h"

#include <algorithm>
#include <string>

#include "game/game.h"
#include "game/player.h"
#include "platform/calendar.h"
#include "platform/colour_fade.h"
#include "platform/list.h"
#include "platform/str.h"
#include "screens/galaxy/galaxy_local.h"
#include "screens/galaxy/sector_rows.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/stat_rows.h"
#include "ui/text_label.h"
#include "views/player_name_label.h"
#include "views/ship_list.h"
#include "world/sector.h"

namespace {

// "(Unexplored)" and "(Not visited)".
Control *add_visit_status(Control *panel, int y, const char *text) {
    return panel_add_child(panel, 4, y, 0, 0, text_label_create_plain(2, 180, 130, 150, text));
}

constexpr int NO_ICON = -1;

void add_info_row(List<SystemRow> *rows, int icon_type, int frame, const char *label, const std::string &value) {
    Control *icon = icon_type != NO_ICON ? image_control_create_frame(icon_type, frame) : nullptr;
    (void)ui_stat_rows_add_row(rows, icon, label, value.c_str(), 0);
}

// The production boxes in a column right of the table, all as wide as the widest.
void add_production_boxes(Control *panel, const Sector *sector, int x, int y) {
    Control *boxes[3] = {};
    int widest = 0, n = 0;
    for (SectorBoxKind kind : {SECTOR_BOX_STARBASE, SECTOR_BOX_SHIPYARD, SECTOR_BOX_TRAINING}) {
        Control *box = panel_add_child(panel, x, y, 0, 0, sector_production_box_create(sector, kind));
        if (!box) continue;
        boxes[n++] = box;
        widest = std::max(widest, box->w);
        y += box->h + 4;
    }
    for (int i = 0; i < n; ++i) control_set_size(boxes[i], widest, boxes[i]->h);
}

}  // namespace

int32_t sector_info_eta_days(int32_t distance, int32_t speed) {
    if (speed <= 0 || distance <= 0) return 1;
    return int32_t(std::max<int64_t>((int64_t(distance) + speed - 1) / speed, 1));
}

void sector_info_panel_build(Control *panel, GameObject *sector_obj, uint64_t viewer_id, int32_t distance,
                             int32_t speed, uint32_t flags) {
    if (!panel_of(panel)) return;
    panel_remove_children(panel);
    panel_set_shade(panel, 4);
    panel_set_border(panel, true);
    if (ColourFade *border = panel_border_colour(panel)) colour_fade_set(border, 100, 100, 100);
    control_set_user_data(panel, sector_obj, nullptr);
    Sector *sector = sector_of(sector_obj);
    if (!sector) return;

    const Player *viewer = game_find_player(game_get(), viewer_id);
    const Sector *known = viewer ? sector_of(player_known_object_by_id(viewer, sector->id)) : nullptr;
    const bool in_view = object_is_visible(sector);

    Control *title = panel_add_child(panel, 4, 4, 0, 0, text_label_create_plain(6, 0, 230, 0, object_get_name(sector)));
    const int title_h = title ? title->h : 0;
    int y = title_h + 10;
    List<SystemRow> *rows = ui_stat_rows_list_create();

    if (!known) {
        if (Control *status = add_visit_status(panel, y, "(Unexplored)")) y += status->h + 6;
    } else {
        Control *owner = panel_add_child(panel, 4, y, 0, 0, player_name_label_create(2, "Unclaimed", known->owner_id));
        y = title_h + (owner ? owner->h : 0) + 16;
        if (known->snapshot_version < 0) {
            if (Control *status = add_visit_status(panel, y, "(Unexplored)")) y += status->h + 6;
        } else {
            if (known->snapshot_version == 0)
                if (Control *status = add_visit_status(panel, y, "(Not visited)")) y += status->h + 6;
            if (!in_view && known->seen_date && rows)
                add_info_row(rows, NO_ICON, 0, "Last scan", date_format(known->seen_date));
        }
        const uint32_t passes = (flags & SECTOR_INFO_FEATURES ? SECTOR_ICONS_FEATURES : 0) |
                                (flags & SECTOR_INFO_FACILITIES ? SECTOR_ICONS_FACILITIES : 0);
        Control *icons = passes ? sector_site_icon_row_create(known, viewer_id, passes) : nullptr;
        if (panel_add_child(panel, 8, y, 0, 0, icons)) y += icons->h + 10;
    }

    Control *ships = nullptr;
    if (in_view) {
        List<GameObject> *present = sector_sorted_object_list(sector);
        if (present && list_count(present) > 0) {
            if ((ships = panel_add_child(panel, 4, y, 0, 0, panel_create_empty()))) {
                ship_icons_build(ships, present, galaxy_detail::SHIP_ICONS_STYLE);
                y += ships->h + 12;
            }
        }
        list_free(present);
    }

    if (rows) {
        if (flags & SECTOR_INFO_OWN) sector_starbase_rows_add(rows, sector, false);
        if (flags & SECTOR_INFO_DISTANCE) add_info_row(rows, NO_ICON, 0, "Distance", str_format("%i pc", int(distance)));
        if ((flags & SECTOR_INFO_SPEED_ETA) && speed > 0) {
            const int32_t days = sector_info_eta_days(distance, speed);
            add_info_row(rows, NO_ICON, 0, "Speed", str_format("%i pc/day", int(speed)));
            add_info_row(rows, NO_ICON, 0, "ETA", str_format("%i day%s", int(days), days == 1 ? "" : "s"));
        }
        if (list_count(rows) > 0) {
            Control *table = panel_add_child(panel, 4, y, 0, 0, ui_stat_rows_create(rows, 0));
            rows = nullptr;   // the table took the records
            if (table && (flags & SECTOR_INFO_OWN)) add_production_boxes(panel, sector, table->w + 10, table->y);
        }
        if (rows) list_free(rows);
    }

    panel_relayout(panel);
    panel_grow(panel, 4, 4);
    if (ships) control_set_position(ships, panel->w - ships->w - 4, ships->y);
}
