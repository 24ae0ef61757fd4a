// The map markers and the hover information: the names of sectors, fleets and sites over the
// current view, coloured by what the UI player knows of them, the sites' officer, crew and
// production, the course lines of the UI player's travelling fleets, the pulsing markers of the
// battles the UI player takes part in; and the hover panel beside the object under the pointer,
// which while a destination is picked tells the distance and the travel time to it.
//  - A marker holds one reference on its object (or battle) as its user data; the screen's
//    marker maps hold one reference on each marker.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "game/encounter.h"
#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "platform/geometry.h"
#include "platform/hash.h"
#include "platform/image_ids.h"
#include "screens/galaxy/fleet_summary.h"
#include "screens/galaxy/galaxy_local.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/galaxy_services.h"
#include "screens/galaxy/sector_info_panel.h"
#include "screens/sites/facility_panels.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/line_group.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"
#include "ui/value_bar.h"
#include "views/object_controls.h"
#include "world/fleet.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/site.h"

namespace {

// Marker children.
constexpr int ID_CREW_ICON = 400019;
constexpr int ID_CREW_COUNT = 400020;
constexpr int ID_PRODUCTION_ICON = 400038;
constexpr int ID_PRODUCTION_BAR = 400039;
constexpr int ID_BATTLE_ICON = 400041;

constexpr int FLEET_CROWD = 11;              // from this many ships a fleet's name stands right
constexpr int FLEET_CROWD_SHIFT = 50;
constexpr int PRODUCTION_BAR_W = 54;
constexpr int COURSE_ROOM = 40;              // the pixels of a course spent leaving and arriving
constexpr int NAME_GAP = 2;                  // between a site's name and what another site shows above its own

// Sector information options of the hover: an own sector shows its starbase rows.
constexpr uint32_t HOVER_SECTOR = 25, HOVER_SECTOR_OWN = 57, HOVER_SECTOR_COURSE = 31;
constexpr int32_t HOVER_FLEET_COURSE = 6;

struct MarkerRgb {
    int r, g, b;
};
constexpr MarkerRgb UNKNOWN_GREY{75, 75, 75};
constexpr MarkerRgb NO_PLAYER{20, 20, 20};
constexpr MarkerRgb ICON_BORDER{16, 16, 16};
constexpr MarkerRgb IDLE_SITE{100, 100, 100};
constexpr MarkerRgb PEOPLED_SITE{230, 230, 255};
constexpr MarkerRgb BODY_SITE{190, 255, 200};
constexpr MarkerRgb CREW_TEXT{230, 230, 220};
constexpr MarkerRgb PRODUCTION_BAR_FILL{0, 140, 0};
constexpr MarkerRgb PRODUCTION_BAR_TRACK{40, 32, 1};
constexpr MarkerRgb COURSE_RED{230, 0, 0};
constexpr MarkerRgb COURSE_GREEN{0, 230, 0};
constexpr MarkerRgb HOVER_LINE{130, 130, 130};
constexpr MarkerRgb BATTLE_DARK{60, 60, 0}, BATTLE_LIT{230, 230, 0};
constexpr MarkerRgb BOX_SHADE{60, 60, 60};
constexpr int BATTLE_PULSE_MS = 600;
constexpr int BOX_PULSE_MS = 800;

bool starmap_shown() { return galaxy_screen()->screen_flags.load(std::memory_order_relaxed) & GALAXY_FLAG_STARMAP_VIEW; }

MarkerRgb player_colour(uint64_t id, MarkerRgb none = NO_PLAYER) {
    int32_t r = 0, g = 0, b = 0;
    if (!game_get_player_colors(game_get(), id, &r, &g, &b)) return none;
    return {r, g, b};
}

// ---- Marker maps ----

void release_battle(void *e) { encounter_release(static_cast<Encounter *>(e)); }
HashTable<Control> *marker_map(int which) { return galaxy_screen()->marker_maps[which]; }

Control *marker_find(int which, uint64_t id) {
    HashTable<Control> *map = marker_map(which);
    return map ? hash_table_find(map, &id) : nullptr;
}

void marker_drop(int which, Control *marker) {
    control_remove(marker);
    HashTable<Control> *map = marker_map(which);
    if (map && hash_table_remove(map, marker)) control_release(marker);   // the map's reference
}

std::vector<Control *> markers_of(int which) {
    std::vector<Control *> out;
    HashTable<Control> *map = marker_map(which);
    if (!map) return out;
    HashTableIter<Control> it;
    hash_table_iter_init(&it, map);
    while (Control *marker = hash_table_iter_next(&it)) out.push_back(marker);
    return out;
}

// An empty marker panel for the thing, anchored to the map and entered in the marker map.
Control *marker_create(int which, ObjectMap *map, void *thing, FreeFn release) {
    Control *marker = panel_create_empty();
    if (!marker) return nullptr;
    control_set_size(marker, 20, 10);
    panel_of(marker)->value = -1;
    control_set_tag(marker, GALAXY_GROUP_MARKERS);
    control_set_user_data(marker, thing, release);
    game_add_control(game_get(), 0, 0, 0, 0, marker);
    map_control_anchor(marker, true, map);
    if (HashTable<Control> *markers = marker_map(which)) hash_table_insert(markers, control_addref(marker));
    return marker;
}

// The object's marker, emptied, or a new one.
Control *object_marker(ObjectMap *map, GameObject *object) {
    if (Control *marker = marker_find(GALAXY_MARKERS_OBJECTS, object->id)) {
        panel_remove_children(marker);
        return marker;
    }
    object_add_ref(object);
    Control *marker = marker_create(GALAXY_MARKERS_OBJECTS, map, object, galaxy_detail::release_object);
    if (!marker) object_release(object);
    return marker;
}

bool battle_listed(const Encounter *battle) {
    const List<Encounter> *list = game_get()->encounters;
    if (!list) return false;
    for (const Encounter *e : list->items) {
        if (!e) break;
        if (e == battle) return true;
    }
    return false;
}

void prune() {
    for (Control *marker : markers_of(GALAXY_MARKERS_OBJECTS))
        if (object_is_dead(static_cast<GameObject *>(marker->user_data))) marker_drop(GALAXY_MARKERS_OBJECTS, marker);
    for (Control *line : markers_of(GALAXY_MARKERS_COURSES))
        if (object_is_dead(static_cast<GameObject *>(line->user_data))) marker_drop(GALAXY_MARKERS_COURSES, line);
    for (Control *marker : markers_of(GALAXY_MARKERS_ENCOUNTERS))
        if (!battle_listed(static_cast<Encounter *>(marker->user_data))) marker_drop(GALAXY_MARKERS_ENCOUNTERS, marker);
}

// ---- Building blocks ----

// An icon running through its type's frames, 100 ms each.
Control *animated_icon(int type) {
    Control *icon = image_control_create(type);
    ImageControl *im = image_of(icon);
    if (im && im->frame_count > 1) {
        std::vector<Sprite *> frames(im->frames, im->frames + im->frame_count);
        im->options |= IMG_ANIMATED;
        image_control_set_frames(icon, frames.data(), int(frames.size()));
    }
    return icon;
}

Control *owner_icon(uint64_t owner_id) {
    Control *icon = animated_icon(IMAGE_PRESENCE);
    if (!icon) return nullptr;
    const MarkerRgb c = player_colour(owner_id);
    image_control_enable_tint(icon);
    colour_fade_set(image_control_tint_colour(icon), c.r, c.g, c.b);
    image_control_enable_border(icon);
    colour_fade_set(image_control_border_colour(icon), ICON_BORDER.r, ICON_BORDER.g, ICON_BORDER.b);
    return icon;
}

// A name on the map in its owner's colour: a dark colour (a deep purple or red, or a colour dimmed
// for a sector out of sight) is drawn with thickened letters, a second stroke one pixel right in a
// lighter tone of the same colour, so that it reads against the dark sky.
constexpr int DARK_NAME = 110;   // perceived brightness, 0..255
Control *owner_name_label(int font, MarkerRgb c, const char *format, const char *name) {
    Control *label = text_label_create(font, c.r, c.g, c.b, format, name);
    const int brightness = (299 * c.r + 587 * c.g + 114 * c.b) / 1000;
    if (label && brightness < DARK_NAME) {
        auto lift = [](int v) { return v + (255 - v) / 4; };
        text_label_set_halo(label, lift(c.r), lift(c.g), lift(c.b));
    }
    return label;
}

Control *name_label(int font, MarkerRgb c, const char *format, const char *name) {
    return text_label_create(font, c.r, c.g, c.b, format, name);
}

// The children move so that none stands left of or above the panel's origin; the panel takes
// their extent.
void settle(Control *panel) {
    int min_x = 0, min_y = 0;
    for (Control *c : panel_of(panel)->children.items) {
        if (!c) break;
        min_x = std::min(min_x, c->x);
        min_y = std::min(min_y, c->y);
    }
    for (Control *c : panel_of(panel)->children.items) {
        if (!c) break;
        control_set_position(c, c->x - min_x, c->y - min_y);
    }
    panel_relayout(panel);
}

// A row of controls centred under the label, gap pixels below it.
void row_under(Control *panel, const Control *label, const std::vector<Control *> &row, int gap) {
    int w = 0, h = 0;
    for (Control *c : row) {
        w += c->w + (w ? 2 : 0);
        h = std::max(h, c->h);
    }
    int x = label->x + label->w / 2 - w / 2;
    const int y = label->y + label->h + gap;
    for (Control *c : row) {
        panel_add_child(panel, x, y + (h - c->h) / 2, c->id, 1, c);
        x += c->w + 2;
    }
}

// ---- Sectors ----

void sector_label(Sector *sector, int *font, MarkerRgb *colour, const char **format) {
    Game *g = game_get();
    *font = 2;
    *format = "%s";
    if (sector->subtype == SECTOR_SOL_TEMPLATE) {
        *font = 1;
        *colour = player_colour(sector->owner_id, {250, 250, 250});
        return;
    }
    if (sector->owner_id && sector->owner_id == g->ui_player_id) {
        *colour = player_colour(g->ui_player_id, {250, 250, 250});
        return;
    }
    const Sector *known = g->ui_player ? sector_of(player_known_object_by_id(g->ui_player, sector->id)) : nullptr;
    if (!known) {
        *format = "(%s)";
        *colour = UNKNOWN_GREY;
        return;
    }
    *colour = player_colour(known->owner_id, {250, 250, 250});
    if (!object_is_visible(sector)) *colour = {colour->r * 3 / 10, colour->g * 3 / 10, colour->b * 3 / 10};
    if (known->snapshot_version < 0) *format = "(%s)";
}

void mark_sector(ObjectMap *map, Sector *sector) {
    Control *marker = object_marker(map, sector);
    if (!marker) return;
    int font = 2;
    MarkerRgb colour{};
    const char *format = "%s";
    sector_label(sector, &font, &colour, &format);
    // Greys name no owner: the unknown and the unclaimed keep their plain letters.
    const bool owned = colour.r != colour.g || colour.g != colour.b;
    Control *label = panel_add_child(marker, 0, 0, GALAXY_ID_MARKER_ICON, 1,
                                     owned ? owner_name_label(font, colour, format, object_get_name(sector))
                                           : name_label(font, colour, format, object_get_name(sector)));
    if (!label) return;
    if (GameObject *first = sector_get_object(sector, 0)) {
        const Player *ui = game_get()->ui_player;
        const bool seen = object_is_visible(sector) || (ui && player_has_sensor_tap(ui, first->owner_id));
        if (Control *icon = seen ? panel_add_child(marker, 0, 0, 0, 1, owner_icon(first->owner_id)) : nullptr) {
            control_set_position(icon, label->w / 2 - 4 - icon->w, 0);
            control_set_position(label, 0, icon->h + 15);
        }
    }
    settle(marker);
    object_control_attach(marker, sector, sector->w / 2 - (label->x + label->w / 2), sector->h + 4 - label->y, 0);
}

// ---- Fleets ----

void remove_course(GameObject *fleet) {
    if (Control *line = marker_find(GALAXY_MARKERS_COURSES, fleet->id)) marker_drop(GALAXY_MARKERS_COURSES, line);
}

// A line group of one line from (x1, y1) to (x2, y2) of the map, anchored to it.
Control *map_line(Control *line, ObjectMap *map, int x1, int y1, int x2, int y2) {
    const int x = std::min(x1, x2), y = std::min(y1, y2);
    control_set_size(line, std::abs(x2 - x1) + 1, std::abs(y2 - y1) + 1);
    line_group_set_line(line, 0, x1 - x, y1 - y, x2 - x, y2 - y);
    map_control_anchor(line, true, map);
    control_set_position(line, x, y);
    return line;
}

void course_line(ObjectMap *map, Fleet *fleet) {
    Game *g = game_get();
    GameObject *target = fleet->move_target;
    const bool wanted = fleet->owner_id == g->ui_player_id && object_is_visible(fleet) &&
                        object_is_travelling(fleet) && !fleet_is_hidden(fleet) && target &&
                        !object_is_dead(target) && (sector_of(target) || object_is_visible(target));
    if (!wanted) {
        remove_course(fleet);
        return;
    }
    Control *line = marker_find(GALAXY_MARKERS_COURSES, fleet->id);
    if (!line) {
        line = line_group_create(1);
        if (!line) return;
        control_set_tag(line, GALAXY_GROUP_MARKERS);
        control_set_layer(line, -1);
        line_group_start_effect(line);
        object_add_ref(fleet);
        control_set_user_data(line, fleet, galaxy_detail::release_object);
        game_add_control(g, 0, 0, 0, 1, line);
        if (HashTable<Control> *lines = marker_map(GALAXY_MARKERS_COURSES)) hash_table_insert(lines, control_addref(line));
    }
    const MarkerRgb c = fleet_is_retreated(fleet) ? COURSE_GREEN : COURSE_RED;
    line_group_set_colour(line, c.r, c.g, c.b);
    int fx = 0, fy = 0, tx = 0, ty = 0;
    galaxy_detail::centre_of(fleet, &fx, &fy);
    galaxy_detail::centre_of(target, &tx, &ty);
    map_line(line, map, fx, fy, tx, ty);
}

void mark_fleet(ObjectMap *map, Fleet *fleet) {
    if (!starmap_shown()) {
        if (Control *marker = object_marker(map, fleet)) {
            const MarkerRgb c = player_colour(fleet->owner_id);
            Control *label = panel_add_child(marker, 0, 0, GALAXY_ID_MARKER_ICON, 1,
                                             owner_name_label(2, c, "%s", object_get_name(fleet)));
            if (label) {
                settle(marker);
                if (fleet_ship_count(fleet) < FLEET_CROWD) object_control_attach(marker, fleet, 0, fleet->h + 5, 2);
                else object_control_attach(marker, fleet, fleet->w - marker->w - FLEET_CROWD_SHIFT, fleet->h + 5, 0);
            }
        }
    }
    course_line(map, fleet);
}

// ---- Sites ----

MarkerRgb site_colour(const Site *site) {
    const uint32_t tf = site->params.template_flags;
    if ((site_is_crew_short(site) && site->subtype != SITE_STARBASE) || site_is_under_construction(site))
        return IDLE_SITE;
    if ((tf & SITE_TF_POPULATION) && site->params.variant_value > 0) return PEOPLED_SITE;
    if (tf & (SITE_TF_LABELLED | SITE_TF_NEVER_CREW_SHORT)) return BODY_SITE;
    return player_colour(site->owner_id, {250, 250, 250});
}

// The picture of what the site produces: a facility's or a design's first frame, a recruit, or the
// defence upgrade.
Control *item_picture(GameObject *item, bool recruit) {
    if (recruit) return image_control_create(IMAGE_CADET);
    if (!item) return image_control_create(IMAGE_DEFENCE_UPGRADE);
    Sprite *sprite = item->frames && item->frame_count > 0 ? item->frames[std::max(item->frame, 0)] : nullptr;
    return sprite ? image_control_create_single(sprite) : image_control_create(IMAGE_DEFENCE_UPGRADE);
}

// The box of what the site produces, pulsing; a click opens the site's panel.
Control *marker_production_box(GameObject *item, bool recruit) {
    Control *box = panel_create(1, 1, 0, 0, 0);
    if (!box) return nullptr;
    panel_set_border(box, true);
    if (ColourFade *shade = panel_background_colour(box))
        colour_fade_start(shade, 0, 0, 0, BOX_SHADE.r, BOX_SHADE.g, BOX_SHADE.b, BOX_PULSE_MS, 0,
                          COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    Control *picture = panel_add_child(box, 2, 2, 0, 1, item_picture(item, recruit));
    Control *clock = panel_add_child(box, 0, 2, 0, 1, image_control_create_frame(IMAGE_CLOCK, 1));
    if (picture && clock) control_set_position(clock, picture->x + picture->w + 2, 2);
    panel_relayout(box);
    panel_grow(box, 2, 2);
    control_set_callback(box, CONTROL_ON_CLICK, galaxy_site_marker_on_click);
    return box;
}

// Where a site's marker stands on the map: its name centred under the site.
void marker_origin(const Site *site, const Control *label, int *x, int *y) {
    *x = site->x + site->w / 2 - (label->x + label->w / 2);
    *y = site->y + site->h - label->y;
}

void attach_under(Control *marker, Site *site, const Control *label) {
    int x = 0, y = 0;
    marker_origin(site, label, &x, &y);
    object_control_attach(marker, site, x - site->x, y - site->y, 0);
}

// A site's marker and its name, as the refresh made them.
struct SiteMark {
    Site *site;
    Control *marker, *label;
};

void mark_site(ObjectMap *map, Site *site, std::vector<SiteMark> *marks) {
    Control *marker = object_marker(map, site);
    if (!marker) return;
    Game *g = game_get();
    Control *label = panel_add_child(marker, 0, 0, GALAXY_ID_MARKER_ICON, 1,
                                     name_label(0, site_colour(site), "%s", object_get_name(site)));
    if (!label) return;
    marks->push_back({site, marker, label});
    GameObject *item = nullptr;
    Officer *recruit = nullptr;
    int32_t days_left = 0, days_total = 0;
    const bool producing = site_production_info(site, &item, &recruit, &days_left, &days_total, nullptr) != 0;
    const bool building = site_is_under_construction(site), short_crew = site_is_crew_short(site);
    Control *box = nullptr;
    if (!producing) {
        if (site->subtype == SITE_STARBASE && (!building || short_crew)) {
            std::vector<Control *> row;
            if (site->commander)
                if (Control *rank = image_control_create(officer_rank_icon(site->commander->rank))) row.push_back(rank);
            if (Control *crew = image_control_create_frame(IMAGE_CREW, image_type_frame_count(IMAGE_CREW) > 1 ? 1 : 0)) {
                control_set_id(crew, ID_CREW_ICON);
                row.push_back(crew);
            }
            if (Control *count = text_label_create(2, CREW_TEXT.r, CREW_TEXT.g, CREW_TEXT.b, "%i", int(site->crew))) {
                control_set_id(count, ID_CREW_COUNT);
                row.push_back(count);
            }
            row_under(marker, label, row, 2);
        } else if (building && !short_crew) {
            if (Control *crane = panel_add_child(marker, 0, 0, 0, 1, image_control_create(IMAGE_CONSTRUCTION)))
                control_set_position(crane, label->w / 2 - crane->w / 2, -crane->h);
        }
    } else {
        if ((box = marker_production_box(item, recruit != nullptr)))
            panel_add_child(marker, label->w / 2 - box->w / 2, -(box->h + 8 + site->h), 0, 0, box);
        if (site->owner_id == g->ui_player_id && site_is_producing(site)) {
            Control *icon = image_control_create(IMAGE_PRODUCTION);
            Control *bar = icon ? value_bar_create(PRODUCTION_BAR_W, std::max(icon->h - 4, 1), days_left,
                                                   std::max(days_total, 1))
                                : nullptr;
            if (bar) {
                control_set_id(icon, ID_PRODUCTION_ICON);
                control_set_id(bar, ID_PRODUCTION_BAR);
                colour_fade_set(value_bar_fill_colour(bar), PRODUCTION_BAR_FILL.r, PRODUCTION_BAR_FILL.g, PRODUCTION_BAR_FILL.b);
                value_bar_enable_border(bar);
                colour_fade_set(value_bar_border_colour(bar), PRODUCTION_BAR_TRACK.r, PRODUCTION_BAR_TRACK.g,
                                PRODUCTION_BAR_TRACK.b);
                row_under(marker, label, {icon, bar}, 2);
            } else if (icon) {
                control_release(control_addref(icon));
            }
        }
    }
    settle(marker);
    attach_under(marker, site, label);
}

// What a site shows above its name (the construction icon, the production box) and the row under
// it (the crew, the production days) keep off the names of the sites around it: the one goes up,
// the other down, until it is clear of them.
void keep_off_names(const std::vector<SiteMark> &marks) {
    auto name_over = [&](const SiteMark &self, int x, int y, int w, int h) -> const SiteMark * {
        for (const SiteMark &other : marks) {
            if (&other == &self) continue;
            int ox = 0, oy = 0;
            marker_origin(other.site, other.label, &ox, &oy);
            const int lx = ox + other.label->x, ly = oy + other.label->y;
            if (x < lx + other.label->w && lx < x + w && y < ly + other.label->h + NAME_GAP &&
                ly < y + h + NAME_GAP)
                return &other;
        }
        return nullptr;
    };
    for (const SiteMark &m : marks) {
        int mx = 0, my = 0;
        marker_origin(m.site, m.label, &mx, &my);
        bool moved = false;
        for (const bool above : {true, false}) {
            std::vector<Control *> group;
            int x1 = INT32_MAX, y1 = INT32_MAX, x2 = INT32_MIN, y2 = INT32_MIN;
            for (Control *c : panel_of(m.marker)->children.items) {
                if (!c) break;
                if (c == m.label || (c->flags & CTRL_REMOVED)) continue;
                if (above ? c->y + c->h > m.label->y : c->y < m.label->y + m.label->h) continue;
                group.push_back(c);
                x1 = std::min(x1, c->x);
                y1 = std::min(y1, c->y);
                x2 = std::max(x2, c->x + c->w);
                y2 = std::max(y2, c->y + c->h);
            }
            for (size_t tries = 0; !group.empty() && tries <= marks.size(); ++tries) {
                const SiteMark *other = name_over(m, mx + x1, my + y1, x2 - x1, y2 - y1);
                if (!other) break;
                int ox = 0, oy = 0;
                marker_origin(other->site, other->label, &ox, &oy);
                const int name_y = oy + other->label->y - my;
                const int shift = above ? name_y - NAME_GAP - y2 : name_y + other->label->h + NAME_GAP - y1;
                for (Control *c : group) control_set_position(c, c->x, c->y + shift);
                y1 += shift;
                y2 += shift;
                moved = true;
            }
        }
        if (!moved) continue;
        settle(m.marker);
        attach_under(m.marker, m.site, m.label);
    }
}

// ---- Battles ----

void mark_battle(ObjectMap *map, Encounter *battle) {
    Control *marker = marker_find(GALAXY_MARKERS_ENCOUNTERS, battle->id);
    if (marker) {
        panel_remove_children(marker);
    } else {
        encounter_retain(battle);
        marker = marker_create(GALAXY_MARKERS_ENCOUNTERS, map, battle, release_battle);
        if (!marker) {
            encounter_release(battle);
            return;
        }
        control_set_layer(marker, 1);
        control_set_callback(marker, CONTROL_ON_CLICK, galaxy_marker_on_encounter);
        control_set_callback(marker, CONTROL_ON_HOVER_ENTER, galaxy_encounter_marker_on_enter);
        control_set_callback(marker, CONTROL_ON_HOVER_LEAVE, galaxy_encounter_marker_on_leave);
    }
    Control *icon = panel_add_child(marker, 0, 0, ID_BATTLE_ICON, 1, animated_icon(IMAGE_ENCOUNTER_MARKER));
    if (icon) {
        image_control_enable_tint(icon);
        colour_fade_start(image_control_tint_colour(icon), BATTLE_DARK.r, BATTLE_DARK.g, BATTLE_DARK.b, BATTLE_LIT.r,
                          BATTLE_LIT.g, BATTLE_LIT.b, BATTLE_PULSE_MS, 0,
                          COLOUR_FADE_MODE_REPEAT | COLOUR_FADE_MODE_BOUNCE);
    }
    const int32_t fleets = encounter_fleet_count(battle);
    if (icon && fleets > 0) {
        control_set_position(icon, 6, 0);
        for (int32_t i = 0; i < fleets; ++i) {
            const Fleet *fleet = encounter_get_fleet(battle, i);
            Control *owner = panel_add_child(marker, 0, 0, 0, 1, owner_icon(fleet ? fleet->owner_id : 0));
            if (owner && i > 0) control_set_position(owner, 0, std::max(icon->h - owner->h, 0));
        }
    }
    panel_relayout(marker);
    control_set_position(marker, battle->centre_x - marker->w / 2, battle->centre_y - marker->h / 2);
}

void mark_battles(ObjectMap *map) {
    Game *g = game_get();
    if (!g->encounters) return;
    for (Encounter *battle : g->encounters->items) {
        if (!battle) break;
        if (battle->flags & ENCOUNTER_FLAG_DIRTY) encounter_rebuild_index(battle);
        if (!encounter_is_finished(battle) && encounter_has_side(battle, g->ui_player_id)) {
            mark_battle(map, battle);
        } else if (Control *marker = marker_find(GALAXY_MARKERS_ENCOUNTERS, battle->id)) {
            marker_drop(GALAXY_MARKERS_ENCOUNTERS, marker);
        }
    }
}

// ---- Hover ----

// Removes the controls of the tag, live or queued in this frame.
void remove_group(int tag) {
    Game *g = game_get();
    game_remove_controls_by_group(g, tag);
    if (!g->new_controls) return;
    for (Control *c : g->new_controls->items) {
        if (!c) break;
        if (c->tag == tag) control_remove(c);
    }
}

void hover_hide(Control *panel) {
    if (panel && !panel_is_resizing(panel)) control_set_hidden(panel, false);
}

// The line the hover draws between two objects' edges, on the current map.
void hover_line(int x1, int y1, int x2, int y2) {
    ObjectMap *map = galaxy_current_map();
    Control *line = map ? line_group_create(1) : nullptr;
    if (!line) return;
    control_set_tag(line, GALAXY_GROUP_SELECTION);
    control_set_layer(line, -1);
    line_group_set_colour(line, HOVER_LINE.r, HOVER_LINE.g, HOVER_LINE.b);
    line_group_start_effect(line);
    game_add_control(game_get(), 0, 0, 0, 1, line);
    map_line(line, map, x1, y1, x2, y2);
}

// The point on the object's edge on the way to (tx, ty); its centre when the way misses its shape.
void edge_toward(GameObject *object, int tx, int ty, int *x, int *y) {
    *x = tx;
    *y = ty;
    if (object_impact_point(object, x, y) != RES_OK) galaxy_detail::centre_of(object, x, y);
}

void screen_position_of(const GameObject *o, int *x, int *y) {
    *x = o->x - (o->map ? o->map->view_x : 0);
    *y = o->y - (o->map ? o->map->view_y : 0);
}

// The panel beside the object: left of it when the object stands in the right half of the screen,
// else right of it, centred on it vertically, inside the panel area.
void place_hover_beside(Control *panel, const GameObject *o) {
    int x = 0, y = 0;
    screen_position_of(o, &x, &y);
    const GalaxyRect &area = galaxy_screen()->panel_area;
    int px = x + o->w / 2 > ui_screen_width() / 2 ? x - galaxy_detail::HOVER_GAP - panel->w : x + o->w + galaxy_detail::HOVER_GAP;
    int py = y + o->h / 2 - panel->h / 2;
    px = std::clamp(px, area.x1, std::max(area.x1, area.x2 - panel->w));
    py = std::clamp(py, area.y1, std::max(area.y1, area.y2 - panel->h));
    control_set_position(panel, px, py);
}

// The panel placed clear of the hovered object and on the side its line comes from.
void place_by_line(Control *panel, const GameObject *o, int from_x) {
    int x = 0, y = 0;
    screen_position_of(o, &x, &y);
    const GalaxyRect &area = galaxy_screen()->panel_area;
    const bool from_left = from_x - (o->map ? o->map->view_x : 0) < x + o->w / 2;
    panel_enable_item_list(panel);
    panel_clear_item_list(panel);
    panel_add_item(panel, PLACE_BOUNDS, area.x1, area.y1, area.x2 - area.x1 + 1, area.y2 - area.y1 + 1);
    const int box_x = from_left ? x - 6 - 6 : x + o->w + 6;
    panel_add_item(panel, from_left ? PLACE_LEFT_OF : PLACE_RIGHT_OF, box_x, y + o->h / 2 - 3, 6, 6);
    panel_add_item(panel, PLACE_AVOID, x - 2, y - 2, o->w + 4, o->h + 4);
    (void)panel_auto_position(panel);
}

// Fills the hover panel for the object; false when the object gets no rows. A line between the
// objects is drawn and its far end given through (*line_x) when the pick calls for one.
bool hover_fill(Control *panel, GameObject *object, bool *lined, int *line_x) {
    Game *g = game_get();
    GalaxyScreen *s = galaxy_screen();
    const uint64_t ui = g->ui_player_id;
    switch (s->pick_mode) {
    case 1: {
        Site *site = site_cast(object);
        if (!site || !(site->params.template_flags & SITE_TF_RESOURCE) || site->item == galaxy_detail::SITE_ITEM_HARVESTING)
            return false;
        facility_detail_rows(panel, site, 0);
        return true;
    }
    case 0: {
        GameObject *from = s->selected;
        Fleet *fleet = fleet_of(object);
        Sector *sector = sector_of(object);
        if (!from || from == object || !(sector || (fleet && !fleet_is_barred(fleet)))) return false;
        int fx = 0, fy = 0, tx = 0, ty = 0;
        galaxy_detail::centre_of(from, &fx, &fy);
        galaxy_detail::centre_of(object, &tx, &ty);
        // Ships leaving a sector start from where their fleet icon will stand: half an icon up
        // and left of the sector's centre.
        int ox = fx, oy = fy;
        if (sector_of(from)) {
            int32_t iw = 0, ih = 0;
            if (fleet_template_icon_size(0, &iw, &ih) == RES_OK) {
                ox -= iw / 2;
                oy -= ih / 2;
            }
        }
        const int32_t d = std::max(distance(tx - ox, ty - oy) - COURSE_ROOM, 1);
        if (fleet) fleet_summary_build(panel, fleet, d, s->prompt_eta_speed, HOVER_FLEET_COURSE);
        else sector_info_panel_build(panel, sector, ui, d, s->prompt_eta_speed, HOVER_SECTOR_COURSE);
        int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        edge_toward(from, tx, ty, &x1, &y1);
        edge_toward(object, fx, fy, &x2, &y2);
        hover_line(x1, y1, x2, y2);
        *lined = true;
        *line_x = x1;
        return true;
    }
    default:
        break;
    }
    if (Sector *sector = sector_of(object)) {
        sector_info_panel_build(panel, sector, ui, 0, 0, sector->owner_id == ui ? HOVER_SECTOR_OWN : HOVER_SECTOR);
        return true;
    }
    if (Fleet *fleet = fleet_of(object)) {
        fleet_summary_build(panel, fleet, 0, 0, 0);
        GameObject *target = fleet->move_target;
        if (starmap_shown() && fleet->owner_id != ui && object_is_visible(fleet) && object_is_travelling(fleet) &&
            target && (sector_of(target) || object_is_visible(target))) {
            int tx = 0, ty = 0, x1 = 0, y1 = 0;
            galaxy_detail::centre_of(target, &tx, &ty);
            edge_toward(fleet, tx, ty, &x1, &y1);
            hover_line(x1, y1, tx, ty);
            *lined = true;
            *line_x = tx;
        }
        return true;
    }
    if (Site *site = site_cast(object)) {
        facility_detail_rows(panel, site, site->owner_id == ui ? 1 : 0);
        return true;
    }
    return false;
}

}  // namespace

void galaxy_markers_refresh() {
    Game *g = game_get();
    ObjectMap *map = galaxy_current_map();
    prune();
    if (map) {
        std::vector<SiteMark> sites;
        for (GameObject *object : map->objects.items) {
            if (!object) break;
            if (object_is_dead(object)) continue;
            if (Sector *sector = sector_of(object)) mark_sector(map, sector);
            else if (Fleet *fleet = fleet_of(object)) mark_fleet(map, fleet);
            else if (Site *site = site_cast(object)) mark_site(map, site, &sites);
        }
        keep_off_names(sites);
        if (starmap_shown()) mark_battles(map);
    }
    game_flush_new_controls(g);
}

void galaxy_markers_clear() {
    remove_group(GALAXY_GROUP_MARKERS);
    for (int i = 0; i < GALAXY_MARKER_MAPS; ++i)
        if (HashTable<Control> *map = marker_map(i)) hash_table_clear(map);
}

void galaxy_hover_set(GameObject *object) {
    GalaxyScreen *s = galaxy_screen();
    if (s->hovered == object) return;
    if (object) {
        object_add_ref(object);
        object->flags |= OBJ_OUTLINE;
    }
    if (GameObject *old = s->hovered) {
        old->flags &= ~OBJ_OUTLINE;
        object_release(old);
    }
    s->hovered = object;
    remove_group(GALAXY_GROUP_SELECTION);
    Control *panel = s->hover_panel;
    if (!panel) return;
    if (!object || galaxy_object_panel_open_for_hovered()) {
        hover_hide(panel);
        return;
    }
    panel_stop_resize(panel);
    panel_set_scroll(panel, 0, 0);
    bool lined = false;
    int line_x = 0;
    if (!hover_fill(panel, object, &lined, &line_x)) {
        control_set_hidden(panel, false);
        return;
    }
    control_set_user_data(panel, object, nullptr);
    control_set_hidden(panel, true);
    control_set_enabled(panel, false);
    if (lined) place_by_line(panel, object, line_x);
    else place_hover_beside(panel, object);
}
