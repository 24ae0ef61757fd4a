#pragma once
// Helpers the fleet sources share among themselves (fleet.cpp, fleet_move.cpp, fleet_scan.cpp); not
// for other modules.
#include <algorithm>
#include <cstdint>
#include <vector>
#include "world/fleet.h"
#include "world/object.h"
#include "world/object_internal.h"
#include "world/ship.h"

namespace fleet_detail {

inline Fleet *fleet(GameObject *obj) { return static_cast<Fleet *>(obj); }
inline const Fleet *fleet(const GameObject *obj) { return static_cast<const Fleet *>(obj); }

using world_detail::centre_x;
using world_detail::centre_y;

inline bool is_live(const GameObject *obj) { return obj && !(obj->flags & OBJ_DEAD); }

// The index of an object in a list, -1 when it is not there.
inline int32_t index_in(const List<GameObject> *list, const GameObject *obj) {
    const auto at = std::find(list->items.begin(), list->items.end(), obj);
    return at == list->items.end() ? -1 : int32_t(at - list->items.begin());
}

// Steers at the target's centre less half the fleet's size, so the two centres meet.
inline void steer_at_centre(Fleet *f, const GameObject *target) {
    object_move_towards(f, centre_x(target) - f->w / 2, centre_y(target) - f->h / 2);
}

inline void release_target(Fleet *f) {
    if (!f->move_target) return;
    GameObject *old = f->move_target;
    f->move_target = nullptr;
    object_release(old);
}

// Takes one ship out of the fleet the way ship_set_fleet(ship, none) does. A ship whose fleet
// the setter cannot find (or that names another fleet) is taken out directly, so the list never
// keeps a ship that no longer belongs to it. The caller holds a reference on the ship.
inline void leave(Fleet *f, GameObject *obj) {
    Ship *s = ship_of(obj);
    if (s && s->fleet_id != 0) ship_set_fleet(s, nullptr);
    if (index_in(&f->ships, obj) >= 0) fleet_remove_ship(f, obj);
}

inline void release_all(std::vector<GameObject *> &ships) {
    for (GameObject *ship : ships) object_release(ship);
    ships.clear();
}

}  // namespace fleet_detail
