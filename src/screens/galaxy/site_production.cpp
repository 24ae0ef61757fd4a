// The galaxy screen's site handlers.
#include "screens/galaxy/site_production.h"

#include "world/site.h"

void starmap_site_on_pick_facility(Control *) {}
void starmap_site_on_rush_starbase(Control *) {}
void starmap_site_on_halt_starbase(Control *) {}
void starmap_site_on_pick_officer(Control *) {}
void starmap_site_on_commander_click(Control *) {}
void starmap_site_on_rush_shipyard(Control *) {}
void starmap_site_on_halt_shipyard(Control *) {}
void starmap_site_on_deactivate(Control *) {}
void starmap_site_on_activate(Control *) {}
void starmap_site_on_pick_recruit(Control *) {}
void starmap_site_on_rush_training(Control *) {}
void starmap_site_on_halt_training(Control *) {}
void starmap_site_on_pick_ship(Control *) {}
void starmap_site_panel_set_handlers(Control *) {}
void starmap_facility_on_build(Control *) {}
void starmap_site_build_defense(Control *) {}
Control *starmap_site_panel_reopen(Site *, int32_t, Control *, int32_t) { return nullptr; }
