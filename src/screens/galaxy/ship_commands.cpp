// The ship panel of the galaxy screen and the ship commands behind its slots: repair or reload,
// scrap, deploy a constructor, the crew transfer's aftermath and the commander row.
#include "screens/galaxy/ship_commands.h"

#include <algorithm>
#include <cstdint>

#include "game/encounter_life.h"
#include "game/game.h"
#include "game/officer.h"
#include "game/orders.h"
#include "game/player.h"
#include "platform/log.h"
#include "platform/sound.h"
#include "screens/galaxy/fleet_panel.h"
#include "screens/galaxy/galaxy_local.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/galaxy_services.h"
#include "screens/galaxy/officer_handlers.h"
#include "screens/galaxy/sector_panel.h"
#include "screens/ships/ship_details.h"
#include "screens/officers/officer_choice.h"
#include "screens/ships/ships_list.h"
#include "ui/control.h"
#include "ui/panel.h"
#include "ui/panel_slots.h"
#include "world/fleet.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

constexpr int PANEL_MOVE_MS = 200;
// Object panel options of the sector and fleet panels rebuilt after a command (the star map's
// fleet panel takes galaxy_local.h's).
constexpr int32_t REBUILT_SECTOR_OPTIONS = SECTOR_PANEL_STYLE_1 | SECTOR_PANEL_STYLE_2 | SECTOR_PANEL_ZOOM;
constexpr int32_t REBUILT_SECTOR_OPTIONS_PRESENT = SECTOR_PANEL_STYLE_1 | SECTOR_PANEL_COMMAND | SECTOR_PANEL_STYLE_2 | SECTOR_PANEL_ZOOM;   // the owner still has objects in the sector
constexpr int32_t REBUILT_SECTOR_OPTIONS_OWN = SECTOR_PANEL_OWN;
constexpr int32_t REBUILT_FLEET_OPTIONS_SECTOR_VIEW = FLEET_PANEL_COMPACT | FLEET_PANEL_CLOSE;

bool in_starmap_view() { return (galaxy_screen()->screen_flags.load(std::memory_order_acquire) & GALAXY_FLAG_STARMAP_VIEW) != 0; }

// The fleet of the sector view's map that holds the ship (by id); null on the star map.
Fleet *sector_view_fleet_of(const Ship *ship) {
    const ObjectMap *map = game_get()->sector_map;
    if (in_starmap_view() || !map) return nullptr;
    for (GameObject *o : map->objects.items) {
        if (!o) break;
        Fleet *fleet = fleet_of(o);
        if (!fleet) continue;
        for (const GameObject *member : fleet->ships.items)
            if (member && member->id == ship->id) return fleet;
    }
    return nullptr;
}

// The sector panel rebuilt in place for the UI player after a ship left the sector.
void rebuild_sector_panel(Control *panel, Sector *sector, uint64_t owner_id) {
    const uint64_t ui = game_get()->ui_player_id;
    int32_t options = sector_count_objects_of_owner(sector, owner_id) > 0 ? REBUILT_SECTOR_OPTIONS_PRESENT : REBUILT_SECTOR_OPTIONS;
    if (sector->owner_id == ui) options += REBUILT_SECTOR_OPTIONS_OWN;
    const int from_x = panel->x, from_y = panel->y;
    galaxy_show_sector_panel(panel, sector, options);
    galaxy_place_panel_beside(panel, sector, GALAXY_PANEL_MARGIN);
    const int x = panel->x, y = panel->y;
    control_set_position(panel, from_x, from_y);
    control_move_to(panel, x, y, PANEL_MOVE_MS);
}

// The fleet panel after one of its ships was scrapped: gone with its last ship, else rebuilt.
void rebuild_fleet_panel(Control *panel, Fleet *fleet) {
    GalaxyScreen *s = galaxy_screen();
    const bool selected = s->selected == fleet;
    if (fleet_ship_count(fleet) == 0) {
        control_set_hidden(panel, false);
        if (selected) galaxy_select_object(nullptr);
        return;
    }
    const int from_x = panel->x, from_y = panel->y;
    galaxy_show_fleet_panel(panel, fleet,
                            in_starmap_view() ? galaxy_detail::FLEET_OPTIONS_STARMAP : REBUILT_FLEET_OPTIONS_SECTOR_VIEW);
    galaxy_place_panel_beside(panel, fleet, GALAXY_PANEL_MARGIN);
    const int x = panel->x, y = panel->y;
    control_set_position(panel, from_x, from_y);
    control_move_to(panel, x, y, PANEL_MOVE_MS);
    if (selected) {
        // Selected again, so that its bracket is drawn anew.
        galaxy_select_object(nullptr);
        galaxy_select_object(fleet);
    }
}

}  // namespace

void galaxy_show_ship_panel(Control *panel, GameObject *ship, Player *viewer) {
    if (!panel || !ship) return;
    GameObject *shown = nullptr;
    uint32_t flags = SHIP_PANEL_GALAXY_OWN;
    if (ship->owner_id != 0 && ship->owner_id == game_get()->ui_player_id) {
        shown = ship;
    } else if (viewer) {
        flags = SHIP_PANEL_GALAXY_OTHER;
        shown = player_known_object_by_id(viewer, ship->id);
        if (!shown) {
            player_learn_object(viewer, ship, 0);
            shown = player_known_object_by_id(viewer, ship->id);
        }
    }
    if (!ship_of(shown)) log_write(LOG_GAME, LOG_WARN, "Failed to show ship panel (target ship not found)");
    else ship_details_build(panel, shown, flags);
    ShipDetailsState *s = ship_details_state(panel);
    if (!s) {
        // Nothing to show: the object panel opened for it goes at the next frame.
        control_remove(panel);
        return;
    }
    panel_set_slot(panel, SHIP_DETAILS_SLOT_CONSTRUCT, galaxy_ship_on_construct);
    panel_set_slot(panel, SHIP_DETAILS_SLOT_SCRAP, galaxy_ship_on_scrap);
    panel_set_slot(panel, SHIP_DETAILS_SLOT_REPAIR, galaxy_ship_on_repair);
    panel_set_slot(panel, SHIP_DETAILS_SLOT_CREW_TRANSFERRED, galaxy_ship_on_crew_transferred);
    panel_set_slot(panel, SHIP_DETAILS_SLOT_OFFICER_ROW, galaxy_ship_on_officer_row);
    ship_details_sync_officer_row(panel);
}

void galaxy_ship_on_repair(Control *panel) {
    Ship *ship = ship_of(ship_details_ship(panel));
    Player *ui = game_get()->ui_player;
    if (!ship || order_repair_ship(ui, ship) != RES_OK) return;
    ship_details_refresh(panel);
    galaxy_refresh_ship_views();
    sound_play(SOUND_REPAIR);
}

void galaxy_ship_on_scrap(Control *panel) {
    Ship *ship = ship_of(ship_details_ship(panel));
    if (!ship || order_check_owner(game_get()->ui_player, ship) != RES_OK) return;
    // Scrapping may let the ship go; the steps after it still read it.
    object_add_ref(ship);
    Sector *sector = sector_of(game_find_object(game_get(), ship->sector_id));
    Fleet *view_fleet = sector_view_fleet_of(ship);
    if (view_fleet) {
        object_add_ref(view_fleet);
        fleet_remove_ship(view_fleet, ship);
    }
    if (order_scrap_ship(game_get()->ui_player, ship) != RES_OK) {
        if (view_fleet) object_release(view_fleet);
        object_release(ship);
        return;
    }
    game_purge_removed_objects(game_get());
    if (Control *shown = galaxy_object_panel_find(GALAXY_PANEL_SHIP)) control_set_hidden(shown, false);
    galaxy_markers_refresh();

    if (sector) {
        if (Control *sector_panel = galaxy_object_panel_find(GALAXY_PANEL_SECTOR))
            rebuild_sector_panel(sector_panel, sector, ship->owner_id);
        else if (Control *fleet_panel = view_fleet ? galaxy_object_panel_find(GALAXY_PANEL_FLEET) : nullptr)
            rebuild_fleet_panel(fleet_panel, view_fleet);
    }
    if (view_fleet) object_release(view_fleet);
    sound_play(SOUND_SCRAPPED);
    object_release(ship);
}

void galaxy_ship_on_construct(Control *panel) {
    Ship *ship = ship_of(ship_details_ship(panel));
    if (!ship) return;
    object_add_ref(ship);
    Fleet *view_fleet = sector_view_fleet_of(ship);
    if (Site *site = ship_deploy_starbase(ship)) {
        if (ObjectMap *map = game_get()->sector_map; map && !in_starmap_view()) {
            map_place_object(map, site, site->x, site->y, 0);
            map_add_pending_objects(map);
        }
    }
    if (view_fleet) fleet_remove_ship(view_fleet, ship);
    if (galaxy_screen()->selected) galaxy_select_object(nullptr);
    galaxy_object_panels_close();
    galaxy_markers_refresh();
    object_release(ship);
}

void galaxy_ship_on_crew_transferred(Control *panel) {
    const Ship *ship = ship_of(ship_details_ship(panel));
    Sector *sector = ship ? sector_of(game_find_object(game_get(), ship->sector_id)) : nullptr;
    // The sector's sites show at once whether the starbase can man them now.
    if (sector)
        for (Site *site : sector->sites.items) {
            if (!site) break;
            site_refresh_crew_short(site);
        }
    galaxy_markers_refresh();
    galaxy_refresh_ship_views();
}

void galaxy_ship_on_officer_row(Control *panel) {
    Ship *ship = ship_of(ship_details_ship(panel));
    if (!ship) return;
    int32_t x = panel->x, y = panel->y;
    control_get_screen_position(panel, &x, &y);
    const int32_t w = panel->w, h = panel->h;
    Control *opened = nullptr;
    if (ship->pilot) {
        Officer *pilot = ship->pilot;
        if ((opened = galaxy_object_panel_open(GALAXY_PANEL_OFFICER))) galaxy_officer_panel_build(opened, pilot);
    } else if ((opened = galaxy_object_panel_open(GALAXY_PANEL_ASSIGN_SHIP))) {
        officer_choice_build(opened, ship, OFFICER_CHOICE_ANIMATE);
        panel_set_slot(opened, OFFICER_CHOICE_SLOT_PICK, galaxy_assign_ship_officer_on_pick);
    }
    if (!opened) return;
    // It grows out of the ship panel to stand centred on it.
    const int32_t to_w = opened->w, to_h = opened->h;
    control_set_position(opened, x, y);
    control_set_size(opened, w, h);
    control_move_to(opened, x + w / 2 - to_w / 2, y + h / 2 - to_h / 2, PANEL_MOVE_MS);
    panel_resize_to(opened, to_w, to_h, PANEL_MOVE_MS);
}

void galaxy_refresh_ship_views() {
    if (Control *fleet = galaxy_object_panel_find(GALAXY_PANEL_FLEET)) fleet_panel_refresh_ship_list(fleet);
    if (Control *sector = galaxy_object_panel_find(GALAXY_PANEL_SECTOR)) {
        sector_panel_refresh_ship_list(sector);
        sector_panel_refresh_rows(sector);   // crew moved to or from the starbase shows at once
    }
    if (Control *ship = galaxy_object_panel_find(GALAXY_PANEL_SHIP)) ship_details_refresh(ship);
    Control *ships = galaxy_screen()->side_panels[GALAXY_LIST_SHIPS];
    if (ships && control_is_shown(ships)) ships_list_refresh_rows(ships);
}
