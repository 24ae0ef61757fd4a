// STAND-IN system behaviours; see the header. Each goes when the systems module defines it.
#include "world/ship_pending.h"

#include "platform/files.h"
#include "systems/system.h"
#include "world/ship.h"

void system_apply_passive(System *system, Ship *ship) {
    if (system->flags & SYSTEM_FLAG_OFFENSIVE) {
        ship->ship_flags |= SHIP_FLAG_ARMED;
        if (system->flags & (SYSTEM_FLAG_DIRECT_FIRE | SYSTEM_FLAG_BLAST)) ship->ship_flags |= SHIP_FLAG_DIRECT_WEAPONS;
    }
    if ((system->flags & SYSTEM_FLAG_COMBAT) && (system->flags & SYSTEM_FLAG_SUPPORT) && system_is_usable(system))
        ship->ship_flags |= SHIP_FLAG_SUPPORT_READY;
    const SystemTypeOps *ops = system_type_ops(system->type);
    if (ops && ops->passive) ops->passive(system, ship);
}

void system_react(System *system, Ship *ship, GameObject *incoming, int32_t x, int32_t y, uint32_t *flags) {
    const SystemTypeOps *ops = system_type_ops(system->type);
    if (!ops || !ops->react) return;
    if (!(system->flags & SYSTEM_FLAG_UNLIMITED_RANGE) &&
        distance(ship->x + system->mount_x - x, ship->y + system->mount_y - y) > system->range)
        return;
    ops->react(system, ship, incoming, x, y, flags);
}

Result system_activate(System *system, Ship *ship, GameObject *target, int32_t x, int32_t y, int32_t *ap_delta,
                       int32_t *extra) {
    int32_t scratch = 0;
    if (!extra) extra = &scratch;
    *extra = 0;
    const SystemTypeOps *ops = system_type_ops(system->type);
    Result r = ops && ops->activate ? ops->activate(system, ship, target, x, y, extra) : RES_OK;
    if (ap_delta) *ap_delta = -system->ap_cost;
    return r;
}

Result system_check_target(System *, Ship *, GameObject *, int32_t, int32_t) { return RES_OK; }
