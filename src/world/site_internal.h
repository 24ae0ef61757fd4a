#pragma once
// Helpers the site sources share among themselves; not for other modules.
#include <cstdint>

struct GameObject;
struct Site;

// A plume of ore motes from the harvester's target to the harvester, on the harvester's map
// (nothing off a map or while battles resolve at once).
void site_start_plume(Site *harvester, Site *target);
// The yellow "+n" that rises over a sector of the galaxy map when its starbase takes in crew.
void site_show_crew_intake(GameObject *sector, int32_t crew);
