// What the effects read of world objects, from the real records.
#include "world/object_views.h"

#include "effects/effect.h"
#include "game/game.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

// A harvester's plume is as dense as its resource body is full: the ore left over the body's
// capacity; 0 for any other site, a deactivated harvester or one without a body.
float plume_ratio(const Site *site) {
    if (site->subtype != SITE_HARVESTER || (site->state & SITE_DEACTIVATED)) return 0.0f;
    const Site *body = site_cast(game_find_object(game_get(), site->harvest_target_id));
    if (!body || body->resources_max < 1) return 0.0f;
    return float(body->resources_left) / float(body->resources_max);
}

}  // namespace

void object_effect_view(const GameObject *o, EffectObjectView *out) {
    *out = EffectObjectView{};
    out->present = true;
    out->dying = o->flags & OBJ_DYING;
    out->dead = o->flags & OBJ_DEAD;
    out->travelling = o->flags & OBJ_TRAVELLING;
    out->x = o->x;
    out->y = o->y;
    out->w = o->w;
    out->h = o->h;
    if (o->frames && o->frame >= 0 && o->frame < o->frame_count) out->image = o->frames[o->frame];
    if (const Ship *ship = ship_of(o)) {
        out->leaving = ship->ship_flags & SHIP_FLAG_RETREATING;
        out->left = ship->ship_flags & SHIP_FLAG_RETREATED;
        out->stage = ship->retreat_countdown;
    } else if (const Site *site = site_cast(o)) {
        out->inactive = site->state & SITE_DEACTIVATED;
        out->attach_x = site->hotspot_x;
        out->attach_y = site->hotspot_y;
        out->plume_ratio = plume_ratio(site);
    }
}
