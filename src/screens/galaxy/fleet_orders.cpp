// The fleet panel's orders on the galaxy screen: the panel filled with the screen's handlers, and
// the handlers of the standing orders (blockade, attack the defenses, gather), halt, the cancel of
// a departure and the move from the sector view back to the star map.
#include <memory>
#include <vector>

#include "game/game.h"
#include "game/turn.h"
#include "platform/geometry.h"
#include "screens/galaxy/fleet_panel.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/galaxy_services.h"
#include "ui/control.h"
#include "ui/panel.h"
#include "ui/panel_slots.h"
#include "views/ship_list.h"
#include "world/fleet.h"
#include "world/object.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

constexpr int32_t HEADING_BLOCKADE = 45;
constexpr int32_t HEADING_STAND_DOWN = 300;
constexpr int32_t HEADING_TOWARD_SITE = 5;   // added to the angle toward a site
constexpr int HALT_PANEL_MARGIN = 4;   // the fleet panel reopened after a halt

// Object panel options of a fleet panel reopened after a halt.
constexpr int32_t OPTIONS_BATTLE = FLEET_PANEL_CLOSE;
constexpr int32_t OPTIONS_STARMAP = FLEET_PANEL_CLOSE | FLEET_PANEL_OWN;
constexpr int32_t OPTIONS_SECTOR_VIEW = FLEET_PANEL_CLOSE | FLEET_PANEL_SECTOR;

// The orders act on the selected fleet only.
Fleet *selected_fleet() { return fleet_of(galaxy_screen()->selected); }

void turn_fleet(Fleet *fleet, int32_t heading) {
    object_begin_rotation(fleet, angle_normalize(heading));
    fleet->turns_taken = 0;
}

// Toward the site's centre, when the sector view shows a sector holding such a site.
void turn_toward(Fleet *fleet, Site *(*find)(const Sector *)) {
    Game *g = game_get();
    const Sector *sector = sector_of(game_find_object_of_kind(g, OBJECT_SECTOR, g->shown_sector_id));
    const Site *site = sector ? find(sector) : nullptr;
    if (!site) return;
    turn_fleet(fleet, object_angle_to(fleet, site->x + site->w / 2, site->y + site->h / 2) + HEADING_TOWARD_SITE);
}

void orders_done() {
    galaxy_markers_refresh();
    galaxy_object_panels_close();
}

// The button of the panel's command row that calls the handler, or null.
Control *command_button(Control *panel, ControlFn on_click) {
    Control *row = panel_find_child(panel, FLEET_PANEL_BUTTONS);
    for (Control *c : panel_of(row) ? panel_of(row)->children.items : std::vector<Control *>{}) {
        if (!c) break;
        if (!(c->flags & CTRL_REMOVED) && c->on_click == on_click) return c;
    }
    return nullptr;
}

void galaxy_fleet_on_blockade(Control *) {
    Fleet *fleet = selected_fleet();
    if (!fleet) return;
    fleet_set_ships_attack_starbase(fleet, true);
    turn_fleet(fleet, HEADING_BLOCKADE);
    orders_done();
}

void galaxy_fleet_on_blockade_abort(Control *) {
    Fleet *fleet = selected_fleet();
    if (!fleet) return;
    fleet_set_ships_attack_starbase(fleet, false);
    turn_fleet(fleet, HEADING_STAND_DOWN);
    orders_done();
}

void galaxy_fleet_on_attack_defenses(Control *) {
    Fleet *fleet = selected_fleet();
    if (!fleet) return;
    fleet_set_ships_attack_starbase0(fleet, true);
    turn_toward(fleet, sector_find_defended_site);
    orders_done();
}

void galaxy_fleet_on_attack_defenses_abort(Control *) {
    Fleet *fleet = selected_fleet();
    if (!fleet) return;
    fleet_set_ships_attack_starbase0(fleet, false);
    turn_fleet(fleet, HEADING_STAND_DOWN);
    orders_done();
}

void galaxy_fleet_on_gather(Control *) {
    Fleet *fleet = selected_fleet();
    if (!fleet) return;
    fleet_set_ships_survey(fleet, true);
    turn_toward(fleet, sector_find_gather_site);
    orders_done();
}

void galaxy_fleet_on_gather_cancel(Control *) {
    Fleet *fleet = selected_fleet();
    if (!fleet) return;
    fleet_set_ships_survey(fleet, false);
    turn_fleet(fleet, HEADING_STAND_DOWN);
    orders_done();
}

// Halt: the fleet stops where it is, and its panel comes back out of the Halt button.
void galaxy_fleet_on_halt(Control *panel) {
    Fleet *fleet = fleet_panel_fleet(panel);
    if (!fleet) return;
    int bx = 0, by = 0, bw = 0, bh = 0;
    if (Control *halt = command_button(panel, fleet_panel_on_halt)) {
        control_get_screen_position(halt, &bx, &by);
        bw = halt->w;
        bh = halt->h;
    }
    object_add_ref(fleet);   // closing the panels lets go of theirs
    object_stop_travel(fleet);
    fleet_set_move_target(fleet, nullptr);
    orders_done();

    const bool starmap = (galaxy_flags_relaxed() & GALAXY_FLAG_STARMAP_VIEW) != 0;
    int32_t options = starmap ? OPTIONS_STARMAP : OPTIONS_SECTOR_VIEW;
    if (galaxy_flags_relaxed() & GALAXY_FLAG_ENCOUNTERS_PENDING)
        options = starmap && !game_find_encounter_by_fleet(game_get(), fleet->id) ? OPTIONS_STARMAP : OPTIONS_BATTLE;
    if (Control *again = galaxy_object_panel_open(GALAXY_PANEL_FLEET)) {
        galaxy_object_panel_set_object(again, fleet);
        galaxy_show_fleet_panel(again, fleet, options);
        if (GameObject *selected = galaxy_screen()->selected) galaxy_place_panel_beside(again, selected, HALT_PANEL_MARGIN);
        const int x = again->x, y = again->y, w = again->w, h = again->h;
        if (bw > 0) {
            control_set_position(again, bx, by);
            control_set_size(again, bw, bh);
            control_move_to(again, x, y, GALAXY_PANEL_GROW_MS);
            panel_resize_to(again, w, h, GALAXY_PANEL_GROW_MS);
        }
    }
    object_release(fleet);
    game_flush_new_controls(game_get());
}

// Cancel of a departing fleet: its ships go back where it was formed, a sector or a fleet.
void galaxy_fleet_on_disband(Control *panel) {
    Fleet *fleet = fleet_panel_fleet(panel);
    if (!fleet) return;
    object_add_ref(fleet);
    GameObject *home = game_find_object(game_get(), fleet_origin_id(fleet));
    // Each ship leaving edits the fleet's list: walk a copy, each ship held meanwhile.
    std::vector<Ship *> ships;
    for (GameObject *o : fleet->ships.items) {
        if (!o) break;
        if (Ship *ship = ship_of(o)) {
            object_add_ref(ship);
            ships.push_back(ship);
        }
    }
    for (Ship *ship : ships) {
        ship_set_fleet(ship, nullptr);   // the emptied fleet is dead
        if (sector_of(home)) ship_set_sector(ship, home);
        else if (fleet_of(home)) ship_set_fleet(ship, home);
    }
    for (Ship *ship : ships) object_release(ship);
    if (galaxy_screen()->selected) galaxy_select_object(nullptr);
    orders_done();
    object_release(fleet);
}

// Move in the sector view: back to the star map, where the sector's panel opens.
void galaxy_fleet_on_enter_sector(Control *panel) {
    const GameObject *sector = fleet_panel_sector(panel);
    if (!sector) return;
    galaxy_screen()->sector_after_zoom_id = sector->id;
    galaxy_screen()->sector_after_zoom_move = true;   // Move: the sector's ships to choose from at once
    int x = 0, y = 0, w = 0, h = 0;
    if (Control *move = command_button(panel, fleet_panel_on_sector_move)) {
        control_get_screen_position(move, &x, &y);
        w = move->w;
        h = move->h;
    }
    galaxy_zoom_begin(x, y, x + w - 1, y + h - 1);
}

// A ship row was picked outside the selection: the ship panel opens beside the clicked row.
void open_ship_beside_fleet_row(Control *panel) {
    if (!fleet_panel_picked_ship(panel)) return;
    ShipListState *s = ship_list_state(fleet_panel_ship_list(panel));
    if (s->picked < list_count(&s->rows)) galaxy_fleet_on_pick_ship(list_get(&s->rows, s->picked));
}

}  // namespace

void galaxy_show_fleet_panel(Control *panel, GameObject *fleet, int32_t options) {
    fleet_panel_build(panel, fleet, uint32_t(options));
    panel_set_slot(panel, FLEET_SLOT_SHIP_PICK, open_ship_beside_fleet_row);
    panel_set_slot(panel, FLEET_SLOT_CANCEL_DEPARTURE, galaxy_fleet_on_disband);
    panel_set_slot(panel, FLEET_SLOT_HALT, galaxy_fleet_on_halt);
    panel_set_slot(panel, FLEET_SLOT_REDIRECT, galaxy_fleet_on_redirect);
    panel_set_slot(panel, FLEET_SLOT_SET_COURSE, galaxy_fleet_on_set_course);
    panel_set_slot(panel, FLEET_SLOT_COMBAT, galaxy_fleet_on_encounter);
    panel_set_slot(panel, FLEET_SLOT_ATTACK_STARBASE, galaxy_fleet_on_blockade);
    panel_set_slot(panel, FLEET_SLOT_ABORT_STARBASE, galaxy_fleet_on_blockade_abort);
    panel_set_slot(panel, FLEET_SLOT_SECTOR_MOVE, galaxy_fleet_on_enter_sector);
    panel_set_slot(panel, FLEET_SLOT_ATTACK_DEFENSES, galaxy_fleet_on_attack_defenses);
    panel_set_slot(panel, FLEET_SLOT_ABORT_DEFENSES, galaxy_fleet_on_attack_defenses_abort);
    panel_set_slot(panel, FLEET_SLOT_GATHER, galaxy_fleet_on_gather);
    panel_set_slot(panel, FLEET_SLOT_CANCEL_GATHER, galaxy_fleet_on_gather_cancel);
}
