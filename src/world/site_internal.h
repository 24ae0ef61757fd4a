#pragma once
// Helpers the site sources share among themselves (site.cpp, site_params.cpp, site_feature.cpp,
// site_production.cpp); not for other modules.
#include <cstdint>
#include "platform/anim.h"
#include "world/object.h"
#include "world/site.h"

struct GameObject;
struct Site;

// A plume of ore motes from the harvester's target to the harvester, on the harvester's map
// (nothing off a map or while battles resolve at once).
void site_start_plume(Site *harvester, Site *target);
// The yellow "+n" that rises over a sector of the galaxy map when its starbase takes in crew.
void site_show_crew_intake(GameObject *sector, int32_t crew);

namespace site_detail {

inline Site *as_site(GameObject *obj) { return static_cast<Site *>(obj); }
inline const Site *as_site(const GameObject *obj) { return static_cast<const Site *>(obj); }

// The shared tables a template owns.
inline void free_tables(SiteParams *p) {
    delete[] p->range_offset_x;
    delete[] p->range_offset_y;
    delete[] p->hotspot_x;
    delete[] p->hotspot_y;
    p->range_offset_x = p->range_offset_y = nullptr;
    p->hotspot_x = p->hotspot_y = nullptr;
    p->hotspot_count = 0;
}

// The template's own animations (the site frees them itself: they came from anim_read).
inline void free_animations(GameObject *obj) {
    if (!(obj->flags & OBJ_OWNS_ANIMS)) return;
    for (int32_t i = 0; obj->animations && i < obj->animation_count; ++i) anim_free(obj->animations[i]);
    delete[] obj->animations;
    obj->animations = nullptr;
    obj->animation_count = 0;
}

}  // namespace site_detail
