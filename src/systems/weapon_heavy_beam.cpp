// Heavy beam weapon (type 4): a violet beam that passes through shields.
#include "systems/weapon.h"

#include "world/object.h"
#include "world/ship.h"

namespace {

constexpr int32_t HEAVY_BEAM_STYLE = 3;

int32_t heavy_estimate(System *system, Ship *shooter, int32_t from_x, int32_t from_y, int32_t, GameObject *target,
                       bool roll, int32_t *damage, int32_t *effect) {
    return beam_estimate_common(system, shooter, from_x, from_y, target, roll, damage, effect, true);
}

Result heavy_activate(System *system, Ship *ship, GameObject *target, int32_t, int32_t, int32_t *) {
    return beam_fire_from_mount(system, ship, target, HEAVY_BEAM_STYLE, DAMAGE_PASS_SHIELD);
}

}  // namespace

void heavy_beam_init(SystemTypeOps *ops) {
    ops->activate = heavy_activate;
    ops->estimate = heavy_estimate;
    ops->info_rows = beam_rows;
    ops->detail_rows = beam_detail_rows;
    ops->action = beam_action;
}
