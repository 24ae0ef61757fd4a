// Where the object kinds plug in: each kind's operation table and factory register functions, in
// kind order (ship, shot, sector, fleet, site). A kind not built yet has none: its operation row
// stays empty and its factory has no templates, so objects of it cannot be made.
#include "world/factory.h"
#include "world/fleet.h"
#include "world/object_methods.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/shot.h"
#include "world/site.h"

ObjectRegisterFn *const OBJECT_KIND_REGISTER[5] = {
    ship_register_methods,   // ship
    shot_register_methods,   // shot
    sector_register_methods,   // sector
    fleet_register_methods,   // fleet
    site_register_methods,   // site
};

FactoryRegisterFn *const FACTORY_KIND_REGISTER[5] = {
    ship_factory_init,   // ship: 9 templates
    shot_factory_init,   // shot: 6 templates
    sector_register_factory,   // sector: 6 templates
    fleet_register_factory,   // fleet: 1 template
    site_register_factory,   // site: 16 templates, with the site features' shared parameters as extra data
};
