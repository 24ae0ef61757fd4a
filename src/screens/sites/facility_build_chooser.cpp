// The facility build chooser: one row per facility the sector offers its owner, with its build
// days and cost, and the starbase's "Defense Upgrade" row.
#include "screens/sites/facility_panels.h"

#include <algorithm>
#include <new>
#include <vector>

#include "game/game.h"
#include "game/player.h"
#include "platform/image_ids.h"
#include "platform/list.h"
#include "platform/sprite.h"
#include "screens/sites/site_choosers.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "world/factory.h"
#include "world/object.h"
#include "world/sector.h"
#include "world/site.h"

namespace {

constexpr int FACILITY_ROW_GAP = 4;
constexpr int ROW_PAD = 2;
constexpr int ROW_STAGGER_MS = 60;
constexpr int ROW_GROW_MS = 200;   // each row's slide; its name and figures show from the start
constexpr int COST_POPUP_ID = 100001;

// One row's controls before the columns are set.
struct RowParts {
    Control *row, *icon, *name, *cost_icon, *cost, *time_icon, *days;
};

int width_of(const Control *c) { return c ? c->w : 0; }
int height_of(const Control *c) { return c ? c->h : 0; }

// The row's parts take no pointer: the row itself is clicked.
Control *add_to_row(Control *row, int x, int id, Control *child) {
    return child ? panel_add_child(row, x, ROW_PAD, id, 1, child) : nullptr;
}

Control *object_icon(GameObject *object) {
    if (object && object->frame >= 0 && object->frame < object->frame_count)
        if (const Sprite *sprite = object_frame_sprite(object, object->frame))
            return image_control_create_single(const_cast<Sprite *>(sprite));
    return image_control_create(IMAGE_PRODUCTION);
}

RowParts make_row(Control *icon, const char *name, int32_t cost, int32_t days, int tag) {
    RowParts parts{};
    parts.row = panel_create_empty();
    if (!parts.row) {
        control_destroy(icon);
        return parts;
    }
    Control *row = parts.row;
    panel_set_border_hover(row, 20, 20, 10, 90, 90, 40, 200);
    panel_set_background_hover(row, 0, 0, 10, 0, 0, 50, 200);
    control_set_tag(row, tag);
    row->on_click = facility_chooser_row_click;
    parts.icon = add_to_row(row, ROW_PAD, 0, icon);
    parts.name = add_to_row(row, ROW_PAD + width_of(parts.icon) + 4, FACILITY_ROW_ID_NAME,
                            text_label_create_plain(2, 230, 230, 230, name));
    if (days > 0) {
        parts.time_icon = add_to_row(row, 0, FACILITY_ROW_ID_TIME_ICON, image_control_create(IMAGE_CLOCK));
        parts.days = add_to_row(row, 0, FACILITY_ROW_ID_DAYS, text_label_create(2, 230, 230, 0, "%i", int(days)));
    }
    if (cost > 0) {
        parts.cost_icon = add_to_row(row, 0, FACILITY_ROW_ID_COST_ICON, image_control_create(IMAGE_CREDITS));
        parts.cost = add_to_row(row, 0, FACILITY_ROW_ID_COST, text_label_create(2, 230, 230, 0, "$%i", int(cost)));
    }
    return parts;
}

void price(Player *player, int32_t tmpl, uint64_t sector_id, int32_t *cost, int32_t *days) {
    int32_t minutes = FACILITY_DEFAULT_MINUTES;
    *cost = FACILITY_DEFAULT_COST;
    player_build_cost(player, tmpl, sector_id, cost, &minutes);
    *days = facility_days_from_minutes(minutes);
}

// Every row takes the widest name, cost and days columns; the figures stand in their columns,
// each centred vertically in the row.
void set_columns(const std::vector<RowParts> &rows) {
    int name_w = 0, cost_w = 0, days_w = 0, cost_text_w = 0;
    for (const RowParts &r : rows) {
        name_w = std::max(name_w, width_of(r.icon) + 4 + width_of(r.name));
        cost_w = std::max(cost_w, width_of(r.cost_icon) + 6 + width_of(r.cost));
        days_w = std::max(days_w, width_of(r.time_icon) + 6 + width_of(r.days));
        cost_text_w = std::max(cost_text_w, width_of(r.cost));
    }
    const int width = name_w + 16 + days_w + 16 + cost_w;
    for (const RowParts &r : rows) {
        int height = 0;
        for (const Control *c : {r.icon, r.name, r.cost_icon, r.cost, r.time_icon, r.days}) height = std::max(height, height_of(c));
        const int row_h = height + 2 * ROW_PAD;
        const int cost_icon_x = name_w + 14;
        const int cost_x = cost_icon_x + width_of(r.cost_icon) + 6;
        const int time_icon_x = cost_x + cost_text_w + 12;
        const int days_x = time_icon_x + width_of(r.time_icon) + 6;
        auto place = [&](Control *c, int x) {
            if (c) control_set_position(c, x, (row_h - c->h) / 2);
        };
        place(r.icon, ROW_PAD);
        place(r.name, r.name ? r.name->x : 0);
        place(r.cost_icon, cost_icon_x);
        place(r.cost, cost_x);
        place(r.time_icon, time_icon_x);
        place(r.days, days_x);
        control_set_size(r.row, width, row_h);
    }
}

}  // namespace

void facility_chooser_build(Control *panel, GameObject *sector_obj, GameObject *site_obj, int32_t flags) {
    (void)site_obj;   // the rows come from the sector; the site opened the chooser
    if (!panel_of(panel)) return;
    panel_remove_children(panel);
    auto *state = new (std::nothrow) FacilityChooserState();
    if (!state) return;
    state->on_pick = facility_chooser_on_pick;
    control_set_widget_state(panel, state, facility_chooser_state_free);

    Sector *sector = sector_of(sector_obj);
    Player *player = sector ? object_get_owner(sector) : nullptr;
    std::vector<RowParts> rows;
    if (player) {
        for (int32_t i = 0; i < sector_entry_count(sector); ++i) {
            const int32_t tmpl = sector_get_entry_kind(sector, i);
            if (!player_has_item_kind(player, tmpl)) continue;
            // An entry naming no template of the factory has nothing to show or build.
            GameObject *object = sector_find_site_under_construction(sector, tmpl);
            if (!object) object = factory_get_template(OBJECT_SITE, tmpl);
            if (!object) continue;
            int32_t cost = 0, days = 0;
            price(player, tmpl, sector->id, &cost, &days);
            RowParts parts = make_row(object_icon(object), object_get_name(object), cost, days, int(rows.size()));
            if (!parts.row) continue;
            list_append(&state->entries, object);
            rows.push_back(parts);
        }
        if ((flags & FACILITY_CHOOSER_DEFENSE) && sector->site_counts[SITE_STARBASE] > 0)
            if (const Site *base = sector_find_site_of_kind(sector, SITE_STARBASE)) {
                int32_t cost = 0, days = 0;
                price(player, -1, base->sector_id, &cost, &days);
                RowParts parts = make_row(image_control_create(IMAGE_DEFENCE_UPGRADE), "Defense Upgrade", cost, days,
                                          int(rows.size()));
                if (parts.row) rows.push_back(parts);
            }
    }

    if (rows.empty()) {
        panel_add_child(panel, 0, 0, 0, 0,
                        text_label_create_plain(1, 230, 30, 3, "No facilities available to build"));
    } else {
        set_columns(rows);
        int y = 0;
        for (const RowParts &r : rows) {
            panel_add_child(panel, 0, y, 0, 0, r.row);
            list_append(&state->rows, r.row);
            y += r.row->h + FACILITY_ROW_GAP;
        }
    }
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w, h);

    if ((flags & FACILITY_CHOOSER_SLIDE) && !rows.empty()) {
        const int all_in = ROW_STAGGER_MS * int(rows.size());
        for (size_t k = 0; k < rows.size(); ++k) {
            Control *row = rows[k].row;
            const int width = row->w;
            control_set_size(row, 10, row->h);
            panel_set_draw_children_while_resizing(row, true);
            panel_resize_to(row, width, row->h, ROW_GROW_MS);
            if (k > 0) control_hide_for(row, int(k) * ROW_STAGGER_MS);
            control_disable_for(row, all_in);
        }
    }
}

bool facility_chooser_is_defense_upgrade(Control *panel) {
    const FacilityChooserState *state = facility_chooser_state(panel);
    return state && state->chosen == list_count(&state->entries);
}

void facility_cost_tooltip_show(Control *anchor) {
    Control *popup = panel_create_empty();
    if (!popup) return;
    Control *title = panel_add_child(popup, 5, 3, 0, 0, text_label_create_plain(1, 0, 230, 0, "Cost"));
    panel_add_child(popup, 5, height_of(title) + 11, COST_POPUP_ID, 0,
                    ui_tile_create("The resource cost to build this item, and the time required in days.", 2, 256, 0,
                                   230, 230, 230, 0));
    int w = 0, h = 0;
    panel_layout(popup, &w, &h);
    control_set_size(popup, w + 5, h + 3);
    (void)game_open_popup(game_get(), popup, anchor, PLACE_BESIDE);
}

void facility_cost_tooltip_hide(Control *) { game_close_popup(game_get()); }

int32_t facility_days_from_minutes(int32_t minutes) {
    return minutes > 0 ? int32_t((int64_t(minutes) + 1439) / 1440) : 0;
}
