// Stand-in until the encounter entry and the next-item cycle land: nothing opens.
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/galaxy_services.h"

void starmap_cycle_next() {
    static bool said = false;
    galaxy_not_yet(&said, "next-item cycle");
}

void starmap_show_encounter(Encounter *) {}
void starmap_sector_on_combat(Control *) {}
void starmap_fleet_on_encounter(Control *) {}
void starmap_marker_on_encounter(Control *) {}
void starmap_encounter_marker_on_enter(Control *) {}
void starmap_encounter_marker_on_leave(Control *) {}
void starmap_encounter_on_pick_row(Control *) {}
void starmap_encounter_on_hold(Control *) {}
void starmap_encounter_on_resolve(Control *) {}
