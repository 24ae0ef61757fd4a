// The toolkit's views of world objects and object maps, read from the real records.
#include "world/object_views.h"

#include "effects/effect.h"
#include "ui/control_minimap.h"
#include "world/object.h"
#include "world/object_map.h"

void object_effect_view(const GameObject *o, EffectObjectView *out) {
    *out = EffectObjectView{};
    out->present = true;
    out->flags = o->flags;
    out->x = o->x;
    out->y = o->y;
    out->w = o->w;
    out->h = o->h;
    if (o->frames && o->frame >= 0 && o->frame < o->frame_count) out->image = o->frames[o->frame];
}

void object_control_rect(const GameObject *o, int *x, int *y, int *w, int *h, uint32_t *flags) {
    *x = o->x;
    *y = o->y;
    *w = o->w;
    *h = o->h;
    *flags = o->flags;
}

void map_control_view(const ObjectMap *map, int *view_x, int *view_y, int *world_w, int *world_h) {
    *view_x = map->view_x;
    *view_y = map->view_y;
    *world_w = map->world_w;
    *world_h = map->world_h;
}

bool map_minimap_view(const ObjectMap *map, bool with_objects, MinimapMapView *out) {
    out->world_w = map->world_w;
    out->world_h = map->world_h;
    out->view_x = map->view_x;
    out->view_y = map->view_y;
    out->view_w = map->screen_w;
    out->view_h = map->screen_h;
    out->objects.clear();
    if (!with_objects) return true;
    for (const GameObject *o : map->objects.items) {
        if (!o) break;
        MinimapObject m;
        m.kind = o->kind;
        m.id = o->id;
        m.flags = o->flags;
        m.x = o->x;
        m.y = o->y;
        m.w = o->w;
        m.h = o->h;
        out->objects.push_back(m);
    }
    return true;
}
