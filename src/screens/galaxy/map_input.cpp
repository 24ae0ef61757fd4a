// The galaxy map's pointer: the object under it becomes the hovered one, and a left click opens
// that object's panel or, while a destination is being picked, gives the selected fleet (or the
// ships picked in the selected sector) a course to it, or a harvester its resource target.
#include <algorithm>
#include <cstring>
#include <vector>

#include "game/encounter.h"
#include "game/game.h"
#include "game/orders.h"
#include "game/player.h"
#include "game/turn.h"
#include "platform/geometry.h"
#include "platform/hash.h"
#include "platform/input.h"
#include "platform/sound.h"
#include "screens/galaxy/fleet_panel.h"
#include "screens/galaxy/galaxy_local.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/galaxy_services.h"
#include "screens/galaxy/sector_panel.h"
#include "screens/sites/site_panel.h"
#include "ui/control.h"
#include "ui/game_controls.h"
#include "ui/panel.h"
#include "views/ship_list.h"
#include "world/fleet.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

constexpr int HOVER_EXTRA_HEIGHT = 4;   // the pointer just below an object still hovers it
constexpr int SPLIT_STEP = 10;          // pixels a new fleet stands toward its destination

// Object panel options (what the panel shows and offers), with galaxy_local.h's.
constexpr int32_t FLEET_OPTIONS = FLEET_PANEL_COMPACT | FLEET_PANEL_CLOSE;
constexpr int32_t FLEET_OPTIONS_OWN_SECTOR_VIEW = FLEET_PANEL_COMPACT | FLEET_PANEL_CLOSE | FLEET_PANEL_SECTOR;

void set_flags_relaxed(uint32_t bits) { galaxy_screen()->screen_flags.fetch_or(bits, std::memory_order_relaxed); }

bool visible_to_ui(const GameObject *o) { return object_is_visible(o); }

// ---- Hover ----

bool contains(const Control *c, int px, int py) {
    int x = 0, y = 0;
    control_get_screen_position(c, &x, &y);
    return px >= x && py >= y && px < x + c->w && py < y + c->h;
}

// The object of the marker whose icon is under the pointer (the first marker map).
GameObject *marker_object_at(int px, int py) {
    HashTable<Control> *markers = galaxy_screen()->marker_maps[GALAXY_MARKERS_OBJECTS];
    if (!markers) return nullptr;
    HashTableIter<Control> it;
    hash_table_iter_init(&it, markers);
    while (Control *marker = hash_table_iter_next(&it)) {
        Control *icon = panel_find_child(marker, GALAXY_ID_MARKER_ICON);
        if (!icon || !contains(icon, px, py)) continue;
        const void *key = hash_detail::key_of(markers, marker);
        if (!key) continue;
        uint64_t id = 0;
        std::memcpy(&id, key, sizeof id);
        return game_find_object(game_get(), id);
    }
    return nullptr;
}

// The pointer rests on an encounter's marker: the marker's own hover handler filled the hover
// panel with the encounter's name, and it stays while the pointer does.
bool over_encounter_marker(int px, int py) {
    HashTable<Control> *markers = galaxy_screen()->marker_maps[GALAXY_MARKERS_ENCOUNTERS];
    if (!markers) return false;
    HashTableIter<Control> it;
    hash_table_iter_init(&it, markers);
    while (Control *marker = hash_table_iter_next(&it))
        if (control_is_shown(marker) && contains(marker, px, py)) return true;
    return false;
}

// What the pointer may hover: never an object the pointer passes over, and on the star map no
// object but a sector that the UI player does not see.
bool hoverable(const GameObject *o) {
    if (o->flags & OBJ_NO_POINTER_HIT) return false;
    if ((galaxy_flags_relaxed() & GALAXY_FLAG_STARMAP_VIEW) && o->kind != OBJECT_SECTOR && !visible_to_ui(o)) return false;
    return true;
}

bool hover_panel_shown() {
    const Control *hover = galaxy_screen()->hover_panel;
    return hover && !(hover->flags & CTRL_REMOVED) && control_is_shown(hover);
}

// ---- Courses ----

// The step of SPLIT_STEP pixels from (fx, fy) toward (tx, ty); straight right when they meet.
void step_toward(int fx, int fy, int tx, int ty, int *sx, int *sy) {
    int dx = tx - fx, dy = ty - fy;
    if (dx == 0 && dy == 0) dx = 1;
    const int d = std::max(distance(dx, dy), 1);
    *sx = SPLIT_STEP * dx / d;
    *sy = SPLIT_STEP * dy / d;
}

// The ships picked in the fleet panel's ship list leave their fleet in a new one, SPLIT_STEP
// pixels toward the destination.
void split_fleet(Fleet *fleet, Control *list, GameObject *destination) {
    ObjectMap *map = game_get()->galaxy_map;
    if (!map) return;
    // Moving a ship edits the fleet's list: walk a copy, each ship held meanwhile.
    std::vector<Ship *> leaving;
    for (GameObject *o : fleet->ships.items) {
        if (!o) break;
        Ship *ship = ship_of(o);
        if (ship && ship_list_is_selected(list, ship)) {
            object_add_ref(ship);
            leaving.push_back(ship);
        }
    }
    int fx = 0, fy = 0, tx = 0, ty = 0, sx = 0, sy = 0;
    galaxy_detail::centre_of(fleet, &fx, &fy);
    galaxy_detail::centre_of(destination, &tx, &ty);
    step_toward(fx, fy, tx, ty, &sx, &sy);
    if (order_launch_fleet(game_get()->ui_player, leaving, fleet->id, destination, fleet->x + sx, fleet->y + sy, false) ==
        RES_OK)
        galaxy_select_object(nullptr);
    for (Ship *ship : leaving) object_release(ship);
}

void course_for_fleet(Fleet *fleet, GameObject *destination) {
    galaxy_object_panels_show(true);
    Control *list = fleet_panel_ship_list(galaxy_object_panel_find(GALAXY_PANEL_FLEET));
    const int32_t picked = list ? ship_list_count_selected(list) : -1;
    if (picked > 0 && picked < fleet_ship_count(fleet)) {
        split_fleet(fleet, list, destination);
    } else {
        fleet_set_move_target(fleet, destination);
        if (fleet_is_at(fleet, destination)) fleet_bar_meetings(fleet);
    }
    galaxy_markers_refresh();
    galaxy_object_panels_close();
    sound_play(SOUND_COURSE_SET);
}

// The ships picked in the sector panel's list leave the sector in a new fleet centred SPLIT_STEP
// pixels from the sector's centre toward the destination.
void course_for_sector(Sector *sector, GameObject *destination) {
    galaxy_object_panels_show(true);   // the pick hid the panel whose list says which ships go
    Control *list = sector_panel_ship_list(galaxy_object_panel_find(GALAXY_PANEL_SECTOR));
    std::vector<Ship *> leaving;
    for (int32_t i = 0, n = sector_object_count(sector); i < n; ++i) {
        Ship *ship = ship_of(sector_get_object(sector, i));
        if (ship && ship_list_is_selected(list, ship)) {
            object_add_ref(ship);
            leaving.push_back(ship);
        }
    }
    ObjectMap *map = game_get()->galaxy_map;
    if (!leaving.empty() && map) {
        int cx = 0, cy = 0, tx = 0, ty = 0, sx = 0, sy = 0;
        galaxy_detail::centre_of(sector, &cx, &cy);
        galaxy_detail::centre_of(destination, &tx, &ty);
        step_toward(cx, cy, tx, ty, &sx, &sy);
        if (order_launch_fleet(game_get()->ui_player, leaving, sector->id, destination, cx + sx, cy + sy, true) == RES_OK) {
            galaxy_select_object(nullptr);
            galaxy_markers_refresh();
            sound_play(SOUND_COURSE_SET);
        }
    }
    for (Ship *ship : leaving) object_release(ship);
    galaxy_object_panels_close();
}

void pick_destination(GameObject *destination) {
    GameObject *selected = galaxy_screen()->selected;
    if (!selected || selected == destination) return;
    if (Fleet *fleet = fleet_of(selected)) {
        if (fleet_is_barred(fleet) || fleet->move_target == destination) return;   // the prompt stays
        course_for_fleet(fleet, destination);
    } else if (Sector *sector = sector_of(selected)) {
        course_for_sector(sector, destination);
    }
    galaxy_prompt_show(-1);
}

void pick_harvest_target(GameObject *hovered) {
    Game *g = game_get();
    const Site *target = site_cast(hovered);
    Site *harvester = site_cast(galaxy_screen()->selected);
    if (!target || !harvester) return;
    if (!(target->params.template_flags & SITE_TF_RESOURCE) || target->resources_left <= 0) return;
    if (target->item == galaxy_detail::SITE_ITEM_HARVESTING) return;
    const Sector *sector = sector_of(game_find_object_of_kind(g, OBJECT_SECTOR, g->shown_sector_id));
    if (!sector || sector_find_harvester_of(sector, target->id)) return;
    site_set_harvest_target(harvester, target->id);
    if (g->ui_player) player_update_totals(g->ui_player);
    galaxy_prompt_show(-1);
    galaxy_markers_refresh();
}

int32_t fleet_options(const Fleet *fleet) {
    Game *g = game_get();
    const bool starmap = (galaxy_flags_relaxed() & GALAXY_FLAG_STARMAP_VIEW) != 0;
    if (fleet->owner_id == g->ui_player_id) return starmap ? galaxy_detail::FLEET_OPTIONS_STARMAP : FLEET_OPTIONS_OWN_SECTOR_VIEW;
    if (starmap) {
        Encounter *enc = game_find_encounter_by_fleet(g, fleet->id);
        if (enc && encounter_has_side(enc, g->ui_player_id)) return galaxy_detail::FLEET_OPTIONS_STARMAP;
    }
    return FLEET_OPTIONS;
}

// Closes the object panels and opens the panel of the id for the object.
Control *open_object_panel(int32_t id, GameObject *object) {
    galaxy_object_panels_close();
    Control *panel = galaxy_object_panel_open(id);
    galaxy_object_panel_set_object(panel, object);
    return panel;
}

// The object's panel, filled; null when the object has none to show.
Control *open_panel_for(GameObject *object) {
    Game *g = game_get();
    if (Sector *sector = sector_of(object)) {
        if (!visible_to_ui(sector)) return nullptr;
        int32_t options = sector->owner_id == g->ui_player_id ? galaxy_detail::SECTOR_OPTIONS_OWN : galaxy_detail::SECTOR_OPTIONS;
        if (sector_count_objects_of_owner(sector, g->ui_player_id) > 0) options |= galaxy_detail::SECTOR_OPTIONS_PRESENT;
        Control *panel = open_object_panel(GALAXY_PANEL_SECTOR, sector);
        if (panel) galaxy_show_sector_panel(panel, sector, options);
        return panel;
    }
    if (Fleet *fleet = fleet_of(object)) {
        Control *panel = open_object_panel(GALAXY_PANEL_FLEET, fleet);
        if (!panel) return nullptr;
        galaxy_show_fleet_panel(panel, fleet, fleet_options(fleet));
        if (!control_is_shown(panel)) control_set_hidden(panel, true);
        return panel;
    }
    if (Site *site = site_cast(object)) {
        Control *panel = open_object_panel(GALAXY_PANEL_SITE, site);
        if (panel) galaxy_show_site_panel(panel, site, galaxy_detail::SITE_OPTIONS);
        return panel;
    }
    return nullptr;
}

// A click with nothing to pick: ends auto-pass and the news delay, and opens the object's panel
// beside it, growing out of the hover panel when that showed the object.
void open_hovered(GameObject *hovered) {
    GalaxyScreen *s = galaxy_screen();
    if (galaxy_flags_relaxed() & GALAXY_FLAG_AUTO_PASS) {
        set_flags_relaxed(GALAXY_FLAG_STOP_REQUESTED);
        s->autopass_countdown_ms = 0;
    }
    galaxy_end_news_delay();
    if (s->centre_panel) control_set_hidden(s->centre_panel, false);
    Control *panel = open_panel_for(hovered);
    if (!panel) return;
    galaxy_select_object(hovered);
    galaxy_place_panel_beside(panel, hovered, GALAXY_PANEL_MARGIN);
    if (hover_panel_shown() && s->hover_panel->user_data == hovered) galaxy_panel_move_into_place(s->hover_panel, panel);
}

}  // namespace

void galaxy_hover_update() {
    Game *g = game_get();
    GalaxyScreen *s = galaxy_screen();
    const int px = input_mouse_x(), py = input_mouse_y();
    GameObject *found = nullptr;
    if (ObjectMap *map = galaxy_current_map()) {
        ObjectFilter filter;
        filter.flags = FILTER_POINT | FILTER_EXCLUDE | FILTER_EXTRA_HEIGHT;
        filter.exclude_flags = OBJ_NO_POINTER_HIT;
        filter.extra_height = HOVER_EXTRA_HEIGHT;
        filter.px = map->view_x + px;
        filter.py = map->view_y + py;
        found = map_query_object(map, &filter);
    }
    if (!found) found = marker_object_at(px, py);
    if (found && !hoverable(found)) found = nullptr;
    if (found && game_control_at_point(g, px, py) && !(hover_panel_shown() && contains(s->hover_panel, px, py)))
        found = nullptr;
    galaxy_hover_set(found);
    if (found) return;
    if (hover_panel_shown() && !panel_is_resizing(s->hover_panel) && !over_encounter_marker(px, py)) {
        control_set_hidden(s->hover_panel, false);
        game_remove_controls_by_group(g, GALAXY_GROUP_SELECTION);
    }
}

void galaxy_map_click() {
    if (!input_button_pressed(INPUT_BUTTON_LEFT)) return;
    GalaxyScreen *s = galaxy_screen();
    GameObject *hovered = s->hovered;
    if (hovered && !(galaxy_flags_relaxed() & GALAXY_FLAG_CLOCK_RUNNING) && !galaxy_object_panel_open_for_hovered()) {
        object_add_ref(hovered);   // the handlers may move the hover
        switch (s->pick_mode) {
        case 0: pick_destination(hovered); break;
        case 1: pick_harvest_target(hovered); break;
        default: open_hovered(hovered); break;
        }
        object_release(hovered);
    }
    game_flush_new_controls(game_get());
}
