// Controls that follow objects and scroll with maps.
#include "views/object_controls.h"

#include "ui/control.h"
#include "world/object.h"
#include "world/object_map.h"

namespace {

void target_addref(void *target) { object_add_ref(static_cast<GameObject *>(target)); }
void target_release(void *target) { object_release(static_cast<GameObject *>(target)); }

// A dead object and one that left its map are gone: the map drops both at its next sweep.
bool target_rect(const void *target, int *x, int *y, int *w, int *h) {
    const GameObject *o = static_cast<const GameObject *>(target);
    if (object_is_gone(o)) return false;
    *x = o->x;
    *y = o->y;
    *w = o->w;
    *h = o->h;
    return true;
}

const ControlFollowOps k_object_ops = {
    .addref = target_addref,
    .release = target_release,
    .rect = target_rect,
};

void map_view(const void *area, int *view_x, int *view_y, int *world_w, int *world_h) {
    const ObjectMap *map = static_cast<const ObjectMap *>(area);
    *view_x = map->view_x;
    *view_y = map->view_y;
    *world_w = map->world_w;
    *world_h = map->world_h;
}

}  // namespace

void object_control_attach(Control *ctrl, GameObject *object, int dx, int dy, int options) {
    control_attach(ctrl, object, &k_object_ops, dx, dy, options);
}

void map_control_anchor(Control *ctrl, bool on, ObjectMap *map) { control_set_anchor(ctrl, on, map, map_view); }
