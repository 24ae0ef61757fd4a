// The site panel's production box: what is produced or harvested, with its figures and frames.
#include "screens/sites/site_panel_parts.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "game/game.h"
#include "game/orders.h"
#include "game/officer.h"
#include "game/player.h"
#include "game/tech.h"
#include "platform/calendar.h"
#include "platform/colour_fade.h"
#include "platform/geometry.h"
#include "platform/image_ids.h"
#include "platform/list.h"
#include "platform/str.h"
#include "screens/officers/officer_detail_panel.h"
#include "screens/officers/officer_choice.h"
#include "screens/sites/facility_panels.h"
#include "screens/sites/officer_pool.h"
#include "screens/sites/site_choosers.h"
#include "ui/control_bitmap.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/layout.h"
#include "ui/panel_slots.h"
#include "ui/stat_rows.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "views/commander_box.h"
#include "views/player_name_label.h"
#include "views/ship_list.h"
#include "world/sector.h"
#include "world/site.h"
#include "world/site_feature.h"

namespace site_panel_parts {

namespace {

// The picture of what is produced: the facility or design, the defence upgrade, the trainee.
Control *production_item_picture(const Site *site, GameObject *item, const Officer *recruit) {
    if (site->subtype == SITE_TRAINING) return recruit ? officer_portrait_create(recruit) : nullptr;
    if (site->subtype == SITE_STARBASE && !item) return image_control_create(IMAGE_DEFENCE_UPGRADE);
    return object_picture_control(item);
}

// The box itself: picture, name and the figure rows beside it.
Control *production_box_create(Control *picture, const std::string &name,
                               const std::vector<std::pair<std::string, std::string>> &rows) {
    Control *box = panel_create_empty();
    if (!box) {
        control_destroy(picture);
        return nullptr;
    }
    int x = 4;
    if (picture) {
        panel_add_child(box, 4, 4, 0, 0, picture);
        x = picture->x + picture->w + 8;
    }
    int y = 4;
    if (Control *n = panel_add_child(box, x, y, 0, 0, text_label_create_plain(2, 250, 250, 250, name.c_str())))
        y = bottom_of(n) + 4;
    std::vector<Control *> captions, values;
    int caption_w = 0;
    for (const auto &[caption, value] : rows) {
        Control *c = panel_add_child(box, x, y, 0, 0, label(2, GREY, caption));
        Control *v = panel_add_child(box, x, y, 0, 0, text_label_create_plain(2, 220, 220, 0, value.c_str()));
        caption_w = std::max(caption_w, c ? c->w : 0);
        values.push_back(v);
        y = std::max(bottom_of(c), bottom_of(v)) + 2;
    }
    for (Control *v : values)
        if (v) control_set_position(v, x + caption_w + 8, v->y);
    if (picture) {
        // The text stands beside the picture, centred on it when shorter.
        int text_h = y - 4;
        if (text_h < picture->h) {
            const int dy = (picture->h - text_h) / 2;
            for (Control *c : panel_of(box)->children.items)
                if (c && c != picture) control_set_position(c, c->x, c->y + dy);
        }
    }
    size_to_content(box, 4, 4);
    return box;
}

// The production box with its name above it and the two frames behind; returns the new y.
int place_production(Control *panel, int x, int y, int delay, const std::string &item_name, Control *box,
                     Production *out) {
    if (!box) return y;
    Control *name = label(1, Rgb{0, 200, 0}, item_name);
    const int name_h = name ? name->h : 0;
    const int box_y = y + 4 + name_h + 10;
    const int frame_w = box->w + 6;
    Control *outer = panel_create(frame_w, box->h + 29, 0, 20, 0);
    Control *inner = panel_create(frame_w, box->h + 6, 0, 8, 0);
    if (outer) {
        panel_add_child(panel, x, box_y + box->h + 3 - (box->h + 29), SITE_PANEL_ID_FRAME_OUTER, 0, outer);
        outer->tag = FRAME_OUTER_TAG;
    }
    if (inner) {
        panel_set_border(inner, true);
        colour_fade_set(panel_border_colour(inner), 60, 90, 30);
        panel_add_child(panel, x, box_y - 3, SITE_PANEL_ID_FRAME_INNER, 0, inner);
        inner->tag = FRAME_INNER_TAG;
    }
    panel_add_child(panel, x + 3, box_y, SITE_PANEL_ID_PRODUCTION, 0, box);
    if (name) appear_after(panel_add_child(panel, x + 4, y + 4, SITE_PANEL_ID_ITEM_NAME, 0, name), delay);
    out->name = name;
    out->box = box;
    out->inner = inner;
    out->outer = outer;
    return box_y + box->h + 3;
}

std::string days_text(int32_t days) { return str_format("%i day%s", int(days), days == 1 ? "" : "s"); }

}  // namespace

// Production of a producing starbase, shipyard or training site, or the harvest of a harvester.
int build_production(Control *panel, Site *site, int x, int y, int delay, Production *out) {
    if (site->subtype == SITE_HARVESTER) {
        if (site_is_deactivated(site)) return y;
        Site *target = site->harvest_target_id ? site_find_in_sector(site, site->harvest_target_id) : nullptr;
        if (!site->harvest_target_id || !target) {
            if (site->harvest_target_id) {
                if (Control *n = panel_add_child(panel, x + 4, y + 4, SITE_PANEL_ID_ITEM_NAME, 0,
                                                 label(1, Rgb{0, 200, 0}, site->status_text)))
                    y = bottom_of(n) + 4;
            }
            return y;
        }
        std::vector<std::pair<std::string, std::string>> rows;
        rows.emplace_back("Yield", str_format("$%.2f/day", site_harvest_per_day(site)));
        if (target->resources_max > 0) {
            const int64_t left = int64_t(target->resources_left) * 100 / target->resources_max;
            rows.emplace_back("Remaining", str_format("%i%%", int(std::max<int64_t>(1, left))));
        }
        Control *box = production_box_create(object_picture_control(target), object_get_name(target), rows);
        return place_production(panel, x, y, delay, site->status_text, box, out);
    }
    GameObject *item = nullptr;
    Officer *recruit = nullptr;
    int32_t days = 0, rush = 0;
    if (!site_production_info(site, &item, &recruit, &days, nullptr, &rush)) return y;
    std::string name;
    if (site->subtype == SITE_TRAINING) name = recruit ? recruit->name : "";
    else if (item) name = object_get_name(item);
    else name = site->status_text;
    std::vector<std::pair<std::string, std::string>> rows;
    rows.emplace_back("ETA", days_text(days));
    if (days > 1) rows.emplace_back("Rush cost", str_format("$%i", int(rush)));
    Control *box = production_box_create(production_item_picture(site, item, recruit), name, rows);
    return place_production(panel, x, y, delay, site->status_text, box, out);
}

}  // namespace site_panel_parts
