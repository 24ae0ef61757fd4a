// The site panel's stat rows, description and defenders.
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

void on_defender_pick(Control *list) {
    Control *panel = panel_of_user(list);
    site_panel_set_picked(panel, ship_list_picked_ship(list), 0);
    site_panel_call_slot(panel, SITE_SLOT_PICK_SHIP);
}

}  // namespace

void add_row(List<SystemRow> *rows, Control *icon, const char *caption, const std::string &value, int highlight) {
    (void)ui_stat_rows_add_row(rows, icon, caption, value.c_str(), highlight);
}

// The stat rows of the site; null when there are none.
Control *build_stat_rows(Site *site, const Sector *sector, bool interactive, bool animate) {
    List<SystemRow> *rows = ui_stat_rows_list_create();
    if (!rows) return nullptr;
    const uint32_t tf = site->params.template_flags;
    const Game *g = game_get();
    auto icon = [](int type, int frame) { return image_control_create_frame(type, frame); };
    if (interactive) {
        if (site->subtype == SITE_STARBASE || (tf & SITE_TF_BUILDABLE))
            add_row(rows, icon(IMAGE_DATE, 1), "Built", date_text(site->built));
        switch (site->subtype) {
        case SITE_STARBASE:
            add_row(rows, icon(IMAGE_CREW, 1), "Crew", str_format("%i/%i", int(site->crew), int(site->params.crew_capacity)));
            add_row(rows, icon(IMAGE_CREW, 1), "Crew recruitment", str_format("%i/week", int(site_crew_intake_rate(site))));
            // The starbase runs its sector's research: the sector's figure, as the sector panel shows it.
            add_row(rows, icon(IMAGE_RESEARCH, 1), "Research Rating",
                    tech_points_text(sector ? sector_total_research_rate(sector) : 0));
            break;
        case SITE_SHIPYARD:
            add_row(rows, image_control_create(IMAGE_TALLY), "Ships launched", str_format("%i", int(site->completed_items)));
            break;
        case SITE_HARVESTER: {
            add_row(rows, icon(IMAGE_CREW, 1), "Starbase crew", str_format("%i", int(sector_starbase_crew(sector))));
            if (const Site *target = site->harvest_target_id ? site_find_in_sector(site, site->harvest_target_id) : nullptr)
                add_row(rows, icon(IMAGE_CREDITS, 1), "Resource Rating", str_format("%.3f", site_harvest_value(target)));
            add_row(rows, image_control_create(IMAGE_TALLY), "Total yield", str_format("$%i", int(site->completed_items)));
            break;
        }
        case SITE_TRAINING:
            add_row(rows, icon(IMAGE_COMMANDER, 1), "Cadets", str_format("%i", int(list_count(&site->officers))));
            add_row(rows, image_control_create(IMAGE_TALLY), "Officers trained", str_format("%i", int(site->completed_items)));
            break;
        default:
            if (site->subtype == SITE_RESEARCH_STATION) {
                add_row(rows, icon(IMAGE_CREW, 1), "Starbase crew", str_format("%i", int(sector_starbase_crew(sector))));
                add_row(rows, icon(IMAGE_RESEARCH, 1), "Research Rating", tech_points_text(site_research_rate(site)));
            }
            break;
        }
    }
    const int32_t population = site_get_population(site);
    if ((tf & SITE_TF_POPULATION) && population > 0) add_row(rows, nullptr, "Population", str_format("%i", int(population)));
    if (tf & SITE_TF_RESOURCE) {
        add_row(rows, nullptr, "Resource Rating", str_format("%.3f", site_harvest_value(site)));
        add_row(rows, nullptr, "Resource mass", str_format("%.2f GT", site->resources_max / 1000.0));
        if (population <= 0 && site->resources_max > 0) {
            char text[32];
            bool low = false;
            facility_mass_remaining_text(site->resources_left, site->resources_max, text, int(sizeof text), &low);
            add_row(rows, nullptr, "Mass remaining", text, low ? 1 : 0);
            add_row(rows, nullptr, "Projected yield",
                    str_format("$%i", int(site_resource_ratio(site, site->harvest_divisor))));
        }
    }
    if (const SiteFeature *f = site->feature) {
        switch (f->kind) {
        case FEATURE_RICH_BODY: add_row(rows, nullptr, "Resource bonus", str_format("+%i%%", int(f->bonus))); break;
        case FEATURE_CREW_INTAKE: add_row(rows, nullptr, "Crew bonus", str_format("+%i/week", int(f->bonus))); break;
        case FEATURE_RESEARCH: add_row(rows, nullptr, "Research bonus", str_format("+%i%%", int(f->bonus))); break;
        case FEATURE_DISCOUNT:
            add_row(rows, nullptr, "Build costs", "-25%");
            add_row(rows, nullptr, "Build times", "-50%");
            break;
        case FEATURE_HOME_COLONY:
            if (f->owner_id != 0 && f->owner_id == g->ui_player_id)
                add_row(rows, nullptr, "Crew bonus", str_format("+%i/week", int(g->setup.crew_recruitment)));
            break;
        default: break;
        }
    }
    if (list_count(rows) == 0) {
        list_free(rows);
        return nullptr;
    }
    return ui_stat_rows_create(rows, animate ? STAT_ROWS_ANIMATE : 0);
}

// The site's description, extended with its feature's or gathered feature's text.
Control *build_description(const Site *site, bool animate) {
    std::string text;
    if (site_load_description(site, &text) != RES_OK) return nullptr;
    std::string extra;
    const Game *g = game_get();
    if (const SiteFeature *f = site->feature) {
        const int variant = f->kind == FEATURE_HOME_COLONY && f->owner_id != 0 && f->owner_id == g->ui_player_id ? 1 : 0;
        if (feature_load_description(f->kind, variant, &extra) == RES_OK) text += "\n" + extra;
    } else if (site->gather_state >= 0) {
        if (feature_load_gather_description(site->gather_state, &extra) == RES_OK) text += "\n" + extra;
    }
    Control *tile = ui_tile_create(text.c_str(), 2, DESCRIPTION_WIDTH, 4, 230, 230, 230, animate ? 17 : 16);
    if (!tile) return nullptr;
    panel_set_border(tile, true);
    colour_fade_set(panel_border_colour(tile), 32, 32, 32);
    panel_set_background(tile, true);
    colour_fade_set(panel_background_colour(tile), 1, 1, 1);
    if (tile->w < DESCRIPTION_WIDTH) control_set_size(tile, DESCRIPTION_WIDTH, tile->h);
    return tile;
}

// "Automated defenses detected" and the defenders' list; returns the new y.
int build_defenders(Control *panel, Site *site, int y) {
    Control *warning = panel_create_empty();
    if (!warning) return y;
    Control *icon = panel_add_child(warning, 0, 0, 0, 0, image_control_create(IMAGE_ENCOUNTER_MARKER));
    const int tx = icon ? icon->w + 6 : 0;
    Control *title = panel_add_child(warning, tx, 0, 0, 0, text_label_create_plain(1, 230, 0, 0, "Warning"));
    panel_add_child(warning, tx, bottom_of(title) + 2, 0, 0,
                    text_label_create_plain(2, 230, 0, 0, "Automated defenses detected"));
    size_to_content(warning, 0, 0);
    panel_add_child(panel, BODY_LEFT, y + 6, SITE_PANEL_ID_WARNING, 0, warning);
    y = bottom_of(warning) + 4;
    List<GameObject> ships;
    feature_create_ark_defenses(site, &ships);
    Control *list = ship_list_create(&ships, DEFENDERS_WIDTH, on_defender_pick, 7);
    for (GameObject *ship : ships.items) object_release(ship);   // the list holds its own
    list_reset(&ships);
    if (list) {
        panel_add_child(panel, BODY_LEFT, y, SITE_PANEL_ID_DEFENDERS, 0, list);
        control_set_user_data(list, panel, nullptr);
        y = bottom_of(list);
    }
    return y;
}

}  // namespace site_panel_parts
