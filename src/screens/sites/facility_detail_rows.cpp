// Facility detail rows: the read-only description of one site, as the galaxy screen's site
// information box shows it.
#include "screens/sites/facility_panels.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <string>

#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "game/tech.h"
#include "platform/colour_fade.h"
#include "platform/geometry.h"
#include "platform/image_ids.h"
#include "platform/list.h"
#include "platform/sprite.h"
#include "platform/str.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/stat_rows.h"
#include "ui/text_label.h"
#include "world/object.h"
#include "world/sector.h"
#include "world/site.h"
#include "world/site_feature.h"

namespace {

constexpr int32_t SITE_RESEARCH = 14;   // the research station

constexpr const char *ORBIT_WORDS[] = {"Alpha", "Beta",  "Gamma",   "Delta", "Epsilon", "Zeta",
                                       "Eta",   "Theta", "Omicron", "Sigma", "Tau"};

void add_row(List<SystemRow> *rows, Control *icon, const char *label, const std::string &value, int highlight = 0) {
    if (rows) ui_stat_rows_add_row(rows, icon, label, value.c_str(), highlight);
    else control_destroy(icon);
}

// A star lies in its sector and takes the sector's name with an orbit word; a labelled body
// orbits one and takes a numeral.
std::string location_text(const Site *site) {
    const Game *g = game_get();
    Sector *sector = sector_find(site->sector_id);
    if ((site->params.template_flags & SITE_TF_STAR) && sector) {
        if (sector->id == g->sol_sector_id) return "Sol";
        return str_format("%s %s", facility_orbit_word(site->label_number), object_get_name(sector));
    }
    if ((site->params.template_flags & SITE_TF_LABELLED) && sector)
        return str_format("%s %s", object_get_name(sector), roman_numeral(site->label_number));
    return {};
}

// The item's own picture for its display frame, else the generic facility image.
Control *detail_item_picture(GameObject *item) {
    if (item && item->frame >= 0 && item->frame < item->frame_count)
        if (const Sprite *sprite = object_frame_sprite(item, item->frame))
            return image_control_create_single(const_cast<Sprite *>(sprite));
    return image_control_create(IMAGE_PRODUCTION);
}

void add_value_rows(List<SystemRow> *rows, Site *site) {
    const uint32_t tf = site->params.template_flags;
    const bool population = (tf & SITE_TF_POPULATION) && site->population > 0;
    if (population) add_row(rows, nullptr, "Population", str_format("%i", int(site->population)));
    if ((tf & SITE_TF_RESOURCE) && !population) {
        add_row(rows, nullptr, "Resource Rating", str_format("%.3f", site_harvest_value(site)));
        add_row(rows, nullptr, "Resource mass", str_format("%.2f GT", site->resources_max / 1000.0));
        char text[32];
        bool low = false;
        facility_mass_remaining_text(site->resources_left, site->resources_max, text, int(sizeof text), &low);
        if (text[0]) add_row(rows, nullptr, "Mass remaining", text, low ? 1 : 0);
        if (site->resources_max > 0) {
            const int64_t yield = site->harvest_divisor > 0 ? int64_t(site->resources_left) / site->harvest_divisor : 0;
            add_row(rows, nullptr, "Projected yield", str_format("$%" PRId64, yield));
        }
    }
    if (const SiteFeature *feature = site->feature) {
        switch (feature->kind) {
        case FEATURE_RICH_BODY: add_row(rows, nullptr, "Resource bonus", str_format("+%i%%", int(feature->bonus))); break;
        case FEATURE_CREW_INTAKE: add_row(rows, nullptr, "Crew bonus", str_format("+%i/week", int(feature->bonus))); break;
        case FEATURE_RESEARCH: add_row(rows, nullptr, "Research bonus", str_format("+%i%%", int(feature->bonus))); break;
        case FEATURE_HOME_COLONY:
            if (feature->owner_id != 0 && feature->owner_id == game_get()->ui_player_id)
                add_row(rows, nullptr, "Crew bonus", str_format("+%i/week", int(game_get()->setup.crew_recruitment)));
            break;
        default: break;
        }
    }
}

// What a starbase, shipyard or training site is producing: status text, the item with its
// picture, days left and the rush price. Returns the new y.
int add_production(Control *panel, Site *site, int y) {
    Control *status = text_label_create_plain(2, 130, 130, 130, site->status_text.c_str());
    if (panel_add_child(panel, 6, y, FACILITY_ROWS_ID_STATUS, 0, status)) y += status->h + 4;
    GameObject *item = nullptr;
    Officer *recruit = nullptr;
    int32_t days_left = 0, rush = 0;
    if (!site_production_info(site, &item, &recruit, &days_left, nullptr, &rush)) return y;

    Control *picture = nullptr;
    const char *name = "";
    if (site->subtype == SITE_TRAINING) {
        const int rank = recruit ? recruit->rank : 0;
        picture = image_control_create(rank >= 0 && rank <= 6 ? officer_rank_icon(rank) : IMAGE_CADET);
        name = recruit ? recruit->name.c_str() : "";
    } else if (item) {
        picture = detail_item_picture(item);
        name = object_get_name(item);
    } else {
        name = site->status_text.c_str();   // the defence upgrade names no item
    }
    Control *label = text_label_create_plain(2, 230, 230, 230, name);
    const int pic_w = picture ? picture->w : 0, pic_h = picture ? picture->h : 0;
    const int label_h = label ? label->h : 0;
    const int line_h = std::max(pic_h, label_h);
    if (picture) panel_add_child(panel, 6, y + (line_h - pic_h) / 2, 0, 0, picture);
    if (label) panel_add_child(panel, 6 + pic_w + (picture ? 6 : 0), y + (line_h - label_h) / 2, 0, 0, label);
    y += line_h + 4;

    List<SystemRow> *rows = ui_stat_rows_list_create();
    add_row(rows, nullptr, "ETA", str_format("%i day%s", int(days_left), days_left == 1 ? "" : "s"));
    if (days_left > 1 && rush > 0) add_row(rows, nullptr, "Rush cost", str_format("$%i", int(rush)));
    Control *table = ui_stat_rows_create(rows, 0);
    if (panel_add_child(panel, 4, y, 0, 0, table)) y += table->h + 4;
    return y;
}

int add_harvester(Control *panel, Site *site, int y) {
    const Site *target = site_find_in_sector(site, site->harvest_target_id);
    if (!site_is_deactivated(site) && target) {
        List<SystemRow> *rows = ui_stat_rows_list_create();
        add_row(rows, nullptr, "Harvesting", object_get_name(target));
        add_row(rows, nullptr, "Yield", str_format("$%.2f/day", site_harvest_per_day(site)));
        Control *table = ui_stat_rows_create(rows, 0);
        if (panel_add_child(panel, 4, y, 0, 0, table)) y += table->h + 4;
    } else {
        Control *label = text_label_create_plain(2, 230, 0, 0, "Deactivated");
        if (panel_add_child(panel, 6, y, 0, 0, label)) y += label->h + 4;
    }
    return y;
}

}  // namespace

const char *facility_orbit_word(int32_t index) {
    return index >= 0 && index < int32_t(std::size(ORBIT_WORDS)) ? ORBIT_WORDS[index] : "";
}

void facility_mass_remaining_text(int32_t remaining, int32_t total, char *out, int out_size, bool *low) {
    if (low) *low = false;
    if (out_size <= 0) return;
    out[0] = '\0';
    if (total <= 0) return;
    const double percent = double(remaining) / double(total) * 100.0;
    if (low) *low = percent <= 10.0;
    if (percent >= 100.0) std::snprintf(out, size_t(out_size), "100%%");
    else std::snprintf(out, size_t(out_size), "%.2f%%", std::max(percent, 0.01));
}

void facility_detail_rows(Control *panel, GameObject *object, int32_t flags) {
    if (!panel_of(panel)) return;
    panel_remove_children(panel);
    panel_set_shade(panel, 4);
    panel_set_border(panel, true);
    if (ColourFade *border = panel_border_colour(panel)) colour_fade_set(border, 100, 100, 100);
    control_set_user_data(panel, object, nullptr);
    Site *site = site_cast(object);
    if (!site) return;

    Control *name = panel_add_child(panel, 4, 4, 0, 0, text_label_create_plain(6, 0, 230, 0, object_get_name(site)));
    int y = 4 + (name ? name->h : 0) + 4;
    auto line = [&](const char *text, int r, int g, int b) {
        Control *label = text_label_create_plain(2, r, g, b, text);
        if (panel_add_child(panel, 6, y, 0, 0, label)) y += label->h + 4;
    };
    if (site_is_under_construction(site)) line("Under construction", 220, 220, 0);
    if (site_is_crew_short(site)) line("Inactive", 200, 200, 200);
    const std::string where = location_text(site);
    if (!where.empty()) line(where.c_str(), 220, 220, 220);

    List<SystemRow> *rows = ui_stat_rows_list_create();
    add_value_rows(rows, site);
    if (rows && list_count(rows) > 0) {
        Control *table = ui_stat_rows_create(rows, 0);
        if (panel_add_child(panel, 4, y, FACILITY_ROWS_ID_VALUES, 0, table)) y += table->h + 8;
    } else {
        list_free(rows);
    }

    if ((flags & FACILITY_ROWS_PRODUCTION) && !site_is_under_construction(site)) {
        switch (site->subtype) {
        case SITE_STARBASE:
        case SITE_SHIPYARD:
        case SITE_TRAINING: y = add_production(panel, site, y); break;
        case SITE_HARVESTER: y = add_harvester(panel, site, y); break;
        case SITE_RESEARCH: {
            List<SystemRow> *research = ui_stat_rows_list_create();
            add_row(research, image_control_create_frame(IMAGE_RESEARCH, 1), "Research Rating",
                    tech_points_text(site_research_rate(site)));
            Control *table = ui_stat_rows_create(research, 0);
            if (panel_add_child(panel, 4, y, 0, 0, table)) y += table->h + 4;
            break;
        }
        default: break;
        }
    }
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w + 4, h + 4);
}
