// The effects' view of world objects and object maps, read from the real records.
#include "effects/effect.h"

#include "world/object.h"
#include "world/object_map.h"

namespace {

void view_object(const GameObject *o, EffectObjectView *out) {
    *out = EffectObjectView{};
    out->present = true;
    out->flags = o->flags;
    out->x = o->x;
    out->y = o->y;
    out->w = o->w;
    out->h = o->h;
    if (o->frames && o->frame >= 0 && o->frame < o->frame_count) out->image = o->frames[o->frame];
    // The ships' second flags word and stage and the sites' plume fields live in the kinds' own
    // records; until those kinds exist they read as 0.
}

}  // namespace

EffectWorldHooks effect_default_world_hooks() {
    EffectWorldHooks h;
    h.object_addref = object_add_ref;
    h.object_release = object_release;
    h.object_view = view_object;
    h.map_set_busy = map_set_busy;
    h.map_clear_busy = map_clear_busy;
    return h;
}
