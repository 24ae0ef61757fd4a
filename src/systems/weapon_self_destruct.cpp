// Self-destruct (type 25): the ship bursts, hurting every object of other owners around it.
#include "systems/weapon.h"

#include "world/object.h"
#include "world/ship.h"

namespace {

Result detonate(System *system, Ship *ship, GameObject *, int32_t, int32_t, int32_t *) {
    if (!ship_of(ship)) return RES_NO_PLACEMENT;
    const int32_t radius = system->value * 3 / 4;
    const int32_t cx = ship->x + ship->w / 2, cy = ship->y + ship->h / 2;
    weapon_blast_cloud(ship->map, cx, cy, radius);
    weapon_blast(ship->map, ship, ship, cx, cy, radius, system->value, true, ship->owner_id, false);
    ship->armour = 0;
    if (system_resolve_at_once()) ship->flags |= OBJ_DEAD;
    else object_kill(ship);
    return RES_OK;
}

int32_t detonate_value(const System *system) { return system->value * 3 / 4; }

Result detonate_action(System *system, int32_t index, std::string *label, int32_t *icon, int32_t *ap_cost,
                       int32_t *enabled, Result *state) {
    return weapon_action(system, index, label, icon, ap_cost, enabled, state, "Detonate");
}

}  // namespace

void self_destruct_init(SystemTypeOps *ops) {
    ops->activate = detonate;
    ops->effective_value = detonate_value;
    ops->action = detonate_action;
}
