// The sector rows: the site icon row of a remembered sector and the production boxes of a live one.
#include "screens/galaxy/sector_rows.h"

#include <algorithm>
#include <new>
#include <vector>

#include "game/game.h"
#include "game/player.h"
#include "game/tech.h"
#include "platform/colour_fade.h"
#include "platform/image_ids.h"
#include "platform/str.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/galaxy_services.h"
#include "screens/sites/site_panel.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/stat_rows.h"
#include "ui/text_label.h"
#include "world/sector.h"
#include "world/site.h"
#include "world/site_feature.h"

namespace {

constexpr int32_t SITE_ICON_PANEL_OPTIONS = SITE_PANEL_ANIMATE | SITE_PANEL_CLOSE;   // animated, with a close button
constexpr int32_t SITE_ICON_PANEL_MARGIN = 12;

// A sprite of an object's frame table, or null when the frame lies outside it or is not loaded.
// A template has never been drawn and has no current frame (-1): its first picture stands for it.
Sprite *frame_of(const GameObject *obj, int32_t frame) {
    if (frame == -1) frame = 0;
    if (!obj || !obj->frames || frame < 0 || frame >= obj->frame_count) return nullptr;
    return obj->frames[frame];
}

// A picture of one given sprite; none without the sprite.
Control *sprite_icon(Sprite *sprite) { return sprite ? image_control_create_single(sprite) : nullptr; }

// The viewer's remembered sites of the sector, in the order the sector lists them.
std::vector<const Site *> remembered_sites(const Sector *sector, const Player *viewer) {
    std::vector<const Site *> sites;
    if (!viewer) return sites;
    for (uint64_t id : sector->known_site_ids)
        if (const Site *site = site_cast(player_known_object_by_id(viewer, id))) sites.push_back(site);
    return sites;
}

// Adds an icon to the row, creating the row with the first one.
Control *row_add(Control **row, int x, Control *icon) {
    if (!icon) return nullptr;
    if (!*row) *row = panel_create_empty();
    if (!*row) {
        control_release(control_addref(icon));
        return nullptr;
    }
    return panel_add_child(*row, x, 0, 0, 0, icon);
}

void free_site_id(void *id) { delete static_cast<uint64_t *>(id); }

// The icon carries the id of the site it stands for and opens its panel on a click.
void make_openable(Control *icon, const Site *site, uint32_t passes) {
    if (!icon || !(passes & SECTOR_ICONS_OPEN_SITE)) return;
    auto *id = new (std::nothrow) uint64_t(site->id);
    if (!id) return;
    control_set_user_data(icon, id, free_site_id);
    control_set_callback(icon, CONTROL_ON_CLICK, sector_site_icon_on_click);
}

// Pass 1: bodies with their feature badges, in label order.
void add_features(Control **row, int *x, std::vector<const Site *> sites, uint32_t passes) {
    std::erase_if(sites, [](const Site *s) { return !(s->params.template_flags & SITE_TF_LABELLED); });
    std::stable_sort(sites.begin(), sites.end(),
                     [](const Site *a, const Site *b) { return a->label_number < b->label_number; });
    for (const Site *site : sites) {
        const Site *tmpl = site_template(site->subtype);
        Control *icon = row_add(row, *x, sprite_icon(frame_of(tmpl ? tmpl : site, site->frame)));
        if (!icon) continue;
        make_openable(icon, site, passes);
        const int x1 = *x + icon->w;
        Control *badge = site->known_feature_kind >= 0
                             ? row_add(row, 0, image_control_create(feature_badge_image(site->known_feature_kind)))
                             : nullptr;
        if (!badge) {
            *x = x1 + 6;
        } else if (badge->w > icon->w) {
            control_set_position(badge, *x + 8, 0);
            *x = x1 + (badge->w - icon->w) + 16;
        } else {
            control_set_position(badge, x1 - badge->w / 2, 0);
            *x = x1 + badge->w / 2 + 8;
        }
    }
}

// Pass 2: the facilities a player builds (and the starbase), one harvester at most.
void add_facilities(Control **row, int *x, const std::vector<const Site *> &sites, uint32_t passes) {
    bool harvester_seen = false;
    for (const Site *site : sites) {
        if (site->subtype == SITE_HARVESTER) {
            if (harvester_seen) continue;
            harvester_seen = true;
        }
        const Site *tmpl = site_template(site->subtype);
        if (!tmpl || (tmpl->subtype != SITE_STARBASE && !(tmpl->params.template_flags & SITE_TF_BUILDABLE))) continue;
        Control *icon = row_add(row, *x, sprite_icon(frame_of(tmpl, tmpl->frame)));
        if (!icon) continue;
        make_openable(icon, site, passes);
        Control *officer = tmpl->subtype == SITE_STARBASE && site->commander_id != 0
                               ? row_add(row, *x + 10, image_control_create_frame(IMAGE_COMMANDER, 1))
                               : nullptr;
        // The commander's chevron sits on the starbase; the next icon keeps clear of both.
        *x += officer ? 13 + icon->w : icon->w + 6;
    }
}

// One production box: the item's picture, a clock and the days left beside it, centred on the
// picture's half height plus `drop`.
Control *build_production_box(Control *picture, int picture_x, int picture_y, int clock_gap, int drop, int days,
                              int extra_h) {
    Control *box = panel_create_empty();
    if (!box) {
        if (picture) control_release(control_addref(picture));
        return nullptr;
    }
    panel_set_border(box, true);
    panel_set_background(box, true);
    panel_set_bevel(box, true);
    if (ColourFade *border = panel_border_colour(box)) colour_fade_set(border, 12, 12, 12);
    if (ColourFade *background = panel_background_colour(box)) colour_fade_set(background, 2, 2, 2);
    const int picture_w = picture ? picture->w : 0, picture_h = picture ? picture->h : 0;
    if (picture) panel_add_child(box, picture_x, picture_y, 0, 0, picture);
    const int centre = picture_h / 2 + drop;
    Control *clock = panel_add_child(box, picture_w + clock_gap, 0, 0, 0, image_control_create_frame(IMAGE_CLOCK, 1));
    int right = picture_w + clock_gap;
    if (clock) {
        control_set_position(clock, clock->x, centre - clock->h / 2);
        right = clock->x + clock->w;
    }
    if (Control *label = panel_add_child(box, right + 6, 0, 0, 0, text_label_create(2, 230, 230, 0, "%i", days)))
        control_set_position(label, label->x, centre - label->h / 2);
    panel_relayout(box);
    panel_grow(box, 8, extra_h);
    return box;
}

}  // namespace

Control *sector_site_icon_row_create(const GameObject *remembered, uint64_t viewer_id, uint32_t passes) {
    const Sector *sector = remembered && remembered->kind == OBJECT_SECTOR && !object_is_stub(remembered)
                               ? static_cast<const Sector *>(remembered)
                               : nullptr;
    if (!sector) return nullptr;
    const std::vector<const Site *> sites = remembered_sites(sector, game_find_player(game_get(), viewer_id));
    Control *row = nullptr;
    int x = 0;
    if (passes & SECTOR_ICONS_FEATURES) add_features(&row, &x, sites, passes);
    if (passes & SECTOR_ICONS_FACILITIES) add_facilities(&row, &x, sites, passes);
    if (!row) return nullptr;
    panel_relayout(row);
    for (Control *child : panel_of(row)->children.items)
        if (child) control_set_position(child, child->x, row->h / 2 - child->h / 2);
    return row;
}

void sector_site_icon_on_click(Control *icon) {
    const auto *id = icon ? static_cast<const uint64_t *>(icon->user_data) : nullptr;
    Site *site = id ? site_cast(game_find_object(game_get(), *id)) : nullptr;
    if (!site) return;
    galaxy_select_object(site);
    Control *panel = galaxy_object_panel_open(GALAXY_PANEL_SITE);
    if (!panel) return;
    galaxy_object_panel_set_object(panel, site);
    galaxy_show_site_panel(panel, site, SITE_ICON_PANEL_OPTIONS);
    galaxy_place_panel_beside(panel, site, SITE_ICON_PANEL_MARGIN);
    game_flush_new_controls(game_get());
}

Control *sector_production_box_create(const GameObject *sector_obj, SectorBoxKind kind) {
    const Sector *sector = sector_obj && sector_obj->kind == OBJECT_SECTOR && !object_is_stub(sector_obj)
                               ? static_cast<const Sector *>(sector_obj)
                               : nullptr;
    if (!sector) return nullptr;
    switch (kind) {
    case SECTOR_BOX_STARBASE:
    case SECTOR_BOX_SHIPYARD: {
        Site *site = sector_find_site_of_kind(sector, kind == SECTOR_BOX_STARBASE ? SITE_STARBASE : SITE_SHIPYARD);
        GameObject *item = nullptr;
        int32_t days = 0;
        if (!site || !site_production_info(site, &item, nullptr, &days, nullptr, nullptr)) return nullptr;
        Control *picture = item ? sprite_icon(frame_of(item, item->frame))
                           : kind == SECTOR_BOX_STARBASE ? image_control_create(IMAGE_DEFENCE_UPGRADE)
                                                         : nullptr;
        return build_production_box(picture, 8, 3, 20, 3, days, 3);
    }
    case SECTOR_BOX_TRAINING: {
        Site *site = sector_find_site_of_kind(sector, SITE_TRAINING);
        int32_t days = 0;
        if (!site || !site_production_info(site, nullptr, nullptr, &days, nullptr, nullptr)) return nullptr;
        return build_production_box(image_control_create(IMAGE_CADET), 11, 6, 26, 6, days, 7);
    }
    }
    return nullptr;
}

namespace {

void add_starbase_row(List<SystemRow> *rows, int icon_type, int frame, const char *label, const std::string &value) {
    (void)ui_stat_rows_add_row(rows, image_control_create_frame(icon_type, frame), label, value.c_str(), 0);
}

}  // namespace

void sector_starbase_rows_add(List<SystemRow> *rows, const Sector *sector, bool labelled) {
    if (!rows || !sector) return;
    const auto label = [labelled](const char *text) { return labelled ? text : ""; };
    add_starbase_row(rows, IMAGE_STARBASE_CREW, 0, label("Starbase crew"),
                     str_format("%i", int(sector_starbase_crew(sector))));
    if (const int32_t income = sector_harvest_income(sector); income > 0)
        add_starbase_row(rows, IMAGE_CREDITS, 1, label("Resource yield"), str_format("$%i/day", int(income)));
    if (const int32_t research = sector_total_research_rate(sector); research > 0)
        add_starbase_row(rows, IMAGE_RESEARCH, 1, label("Research rating"), tech_points_text(research));
    if (const int32_t intake = sector_starbase_intake(sector); intake > 0)
        add_starbase_row(rows, IMAGE_CREW, 1, label("Crew recruitment"), str_format("%i/week", int(intake)));
}
