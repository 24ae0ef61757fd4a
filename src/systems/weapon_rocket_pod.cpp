// Rocket pod (type 24): a missile launcher of its own type, flown and burst as the missile.
#include "systems/weapon.h"

#include "world/shot.h"

namespace {

int32_t rocket_impact(Shot *shot, GameObject *target) { return weapon_missile_impact(shot, target); }

}  // namespace

void rocket_pod_init(SystemTypeOps *ops) {
    ops->activate = missile_activate;
    ops->estimate = missile_estimate;
    ops->effective_value = missile_effective_value;
    ops->impact = rocket_impact;
    ops->info_rows = missile_rows;
    ops->detail_rows = missile_rows;
    ops->action = missile_action;
}
