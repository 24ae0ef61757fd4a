// The site panel's header: a labelled body, the sector's star or a facility's owner and status.
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

// The rows of one body attribute table: the four (or three) captions and values of a body. The
// first row keeps its place; each next one keeps its own unless that leaves fewer than ROW_AIR
// pixels under the row above, where it moves down (the small capitals fill their whole line, so
// rows set edge to edge read as one block).
void add_attribute_rows(Control *panel, int x, int y, const std::vector<std::pair<const char *, std::string>> &rows) {
    static constexpr int LABEL_DY[] = {112, 121, 131, 140};
    static constexpr int VALUE_DY[] = {112, 121, 130, 139};
    static constexpr int ROW_AIR = 3;
    int below = 0;   // the first line the next row may take
    for (size_t i = 0; i < rows.size() && i < 4; ++i) {
        Control *caption = text_label_create_plain(4, 230, 230, 220, rows[i].first);
        Control *value = text_label_create_plain(4, 230, 230, 40, rows[i].second.c_str());
        const int shift = i == 0 ? 0 : std::max(0, below - (y + LABEL_DY[i]));
        const int top = y + LABEL_DY[i] + shift;
        panel_add_child(panel, x + 20, top, 0, 0, caption);
        panel_add_child(panel, x + 90, y + VALUE_DY[i] + shift, 0, 0, value);
        below = top + std::max(caption ? caption->h : 0, value ? value->h : 0) + ROW_AIR;
    }
}

// The surface map of a body (id 100021), with its feature's or gathered feature's overlay.
Control *add_surface(Control *panel, const Site *site, int x, int y, bool overlay) {
    std::vector<uint8_t> grid;
    if (feature_grid_generate(site, &grid) != RES_OK || grid.empty()) return nullptr;
    auto *bytes = static_cast<uint8_t *>(std::malloc(grid.size()));
    if (!bytes) return nullptr;
    std::copy(grid.begin(), grid.end(), bytes);
    Control *map = panel_add_child(panel, x, y, SITE_PANEL_ID_SURFACE, 0,
                                   bitmap_control_create(bytes, site->params.grid_width, site->params.grid_height));
    if (!map) return nullptr;
    const uint8_t *c = site->params.grid_colours;
    colour_fade_set(bitmap_control_colour_a(map), c[0], c[1], c[2]);
    colour_fade_set(bitmap_control_colour_b(map), c[3], c[4], c[5]);
    if (!overlay) return map;
    Control *mark = nullptr;
    if (site->feature) {
        mark = image_control_create_frame(IMAGE_FEATURE, site->feature->kind);
        if (mark) control_set_position(mark, site->feature->grid_x, site->feature->grid_y);
    } else if (site->gather_state >= 0) {
        mark = image_control_create_frame(IMAGE_FEATURE, site->gather_state);
        if (mark) control_set_position(mark, site->gather_a, site->gather_b);
    }
    if (mark) {
        // Centred on its cell, kept within the map.
        const int mx = std::clamp(mark->x - mark->w / 2, 0, std::max(0, map->w - mark->w));
        const int my = std::clamp(mark->y - mark->h / 2, 0, std::max(0, map->h - mark->h));
        panel_add_child(panel, map->x + mx, map->y + my, 0, 0, mark);
        mark->tag = 1;
    }
    return map;
}

}  // namespace

// A labelled body: name, picture, surface and its four attributes.
void build_body_header(Control *panel, const Site *site, const Sector *sector, Header *h) {
    const bool own_sprite = site->params.template_flags & SITE_TF_OWN_SPRITE;
    int x = h->x, y = h->y;
    if (!own_sprite) {
        const std::string name = str_format("%s %s", object_get_name(const_cast<Sector *>(sector)),
                                            roman_numeral(site->label_number));
        if (Control *l = panel_add_child(panel, x + 3, y, 0, 0, label(1, BODY_NAME, name))) y += l->h + 8;
    }
    if (Control *picture = image_control_create(IMAGE_PLANET))
        panel_add_child(panel, x, y + PICTURE_MIDDLE - picture->h / 2, SITE_PANEL_ID_PICTURE, 0, picture);
    if (own_sprite)
        h->surface = panel_add_child(panel, x + COLUMN, y, SITE_PANEL_ID_SURFACE, 0, image_control_create(IMAGE_EARTH));
    else
        h->surface = add_surface(panel, site, x + COLUMN, y, true);
    const int32_t *a = site->attributes;
    add_attribute_rows(panel, x, y,
                       {{"DIAMETER", str_format("%i KM", int(a[SITE_ATTR_DIAMETER]))},
                        {"AVG TEMP", str_format("%.1f K", a[SITE_ATTR_TEMPERATURE] / 10.0)},
                        {"GRAVITY", str_format("%.1f G", a[SITE_ATTR_GRAVITY] / 10.0)},
                        {"ATMOSPHERE", str_format("%.1f ATM", a[SITE_ATTR_ATMOSPHERE] / 10.0)}});
    h->x = x + COLUMN;
    h->y = y + 108;
}

// The sector's star: its name ("Sol" at home), picture, surface and three attributes.
void build_star_header(Control *panel, const Site *site, const Sector *sector, Header *h) {
    const Game *g = game_get();
    std::string name = "Sol";
    if (sector->id != g->sol_sector_id) {
        const char *word = sector_label_name(site->label_number);
        name = str_format("%s %s", word ? word : "", object_get_name(const_cast<Sector *>(sector)));
    }
    int x = h->x, y = h->y;
    Control *l = panel_add_child(panel, x, y, 0, 0, label(1, BODY_NAME, name));
    const int below_name = bottom_of(l) + 8;
    y = below_name;
    if (Control *picture = image_control_create(IMAGE_PLANET))
        panel_add_child(panel, x, y + PICTURE_MIDDLE - picture->h / 2, SITE_PANEL_ID_PICTURE, 0, picture);
    h->surface = add_surface(panel, site, x + COLUMN, y, false);
    const int32_t *a = site->attributes;
    add_attribute_rows(panel, x, y,
                       {{"DIAMETER", str_format("%i KM", int(a[SITE_ATTR_DIAMETER]))},
                        {"AVG TEMP", str_format("%.1f K", a[SITE_ATTR_TEMPERATURE] / 10.0)},
                        {"MASS", str_format("%.2f SM", a[SITE_ATTR_STELLAR_MASS] / 100.0)}});
    h->x = x + COLUMN;
    h->y = below_name;
}

// A facility: the owner's name ("Inactive" without one) and the status line.
void build_facility_header(Control *panel, const Site *site, int delay, Header *h) {
    Control *owner = player_name_label_create(1, nullptr, site->owner_id);
    if (!owner) {
        owner = label(1, GREY, "Inactive");
    }
    if (owner) {
        if (ColourFade *fade = text_label_colour(owner)) {
            const int r = fade->r, g = fade->g, b = fade->b;
            colour_fade_start(fade, 0, 0, 0, r, g, b, FADE_MS, delay, 0);
        }
        h->owner = panel_add_child(panel, h->x, h->y, SITE_PANEL_ID_OWNER, 0, owner);
    }
    const int row_y = h->y + 1;
    const bool building = site_is_under_construction(site);
    Control *status = nullptr;
    if (site_is_crew_short(site) && !building) {
        status = text_label_create(1, GREY.r, GREY.g, GREY.b, "Inactive - %i crew required", int(SITE_PANEL_CREW_REQUIRED));
    } else if (site->subtype == SITE_HARVESTER && (site_is_deactivated(site) || site->harvest_target_id == 0)) {
        status = label(1, ALERT, "Deactivated");
        pulse(status, LABEL, ALERT);
    } else if (site_is_contested(site) && !building) {
        status = label(1, ALERT, "Blockaded");
        pulse(status, LABEL, ALERT);
        h->blockade_icon = panel_add_child(panel, h->x, h->y + 12, SITE_PANEL_ID_BLOCKADE_ICON, 0,
                                           image_control_create(IMAGE_BLOCKADE));
        h->blockade_note = panel_add_child(panel, h->x, h->y + 18, SITE_PANEL_ID_BLOCKADE_NOTE, 0,
                                           text_label_create_plain(2, 200, 180, 180, "-50% production"));
    }
    if (status) h->status = panel_add_child(panel, h->x, row_y, SITE_PANEL_ID_STATUS, 0, status);
    h->y = bottom_of(h->owner ? h->owner : nullptr) + 12;
    if (!h->owner) h->y += row_y;
}

}  // namespace site_panel_parts
