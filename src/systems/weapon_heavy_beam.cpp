// Heavy beam weapon (type 4): a violet beam that passes through shields.
#include "systems/weapon.h"

#include "systems/system_ai.h"
#include "world/object.h"
#include "world/ship.h"

namespace {

constexpr int32_t BEAM_STYLE = 3;

int32_t heavy_estimate(System *system, Ship *shooter, int32_t from_x, int32_t from_y, int32_t, GameObject *target,
                       bool roll, int32_t *damage, int32_t *effect) {
    if (effect) *effect = 0;
    return beam_estimate_common(system, shooter, from_x, from_y, target, roll, damage, true);
}

Result heavy_activate(System *system, Ship *ship, GameObject *target, int32_t, int32_t, int32_t *) {
    int32_t mx = 0, my = 0;
    weapon_mount_point(system, ship, &mx, &my);
    const int32_t damage = weapon_fire_roll(system, ship, target, nullptr);
    if (system_resolve_at_once()) {
        if (damage > 0 && target) {
            int32_t px = 0, py = 0;
            weapon_impact_point(target, mx, my, &px, &py);
            (void)object_apply_damage(target, ship, damage, px, py, DAMAGE_PASS_SHIELD);
        }
        return RES_OK;
    }
    (void)weapon_fire_beam(ship, target, BEAM_STYLE, mx, my, damage, DAMAGE_PASS_SHIELD, 0);
    return RES_OK;
}

}  // namespace

void heavy_beam_init(SystemTypeOps *ops) {
    ops->activate = heavy_activate;
    ops->estimate = heavy_estimate;
    ops->info_rows = beam_rows;
    ops->detail_rows = beam_detail_rows;
    ops->action = beam_action;
    ops->ai_candidate_count = system_ai_fixed_count;
    ops->ai_run_candidate = system_ai_direct_run;
}
