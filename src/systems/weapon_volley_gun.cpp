// Projectile weapon (type 1): a volley of three rounds that flies as a shot of its own.
#include "systems/weapon.h"

#include <algorithm>
#include "platform/sound.h"
#include "platform/str.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"
#include "world/shot.h"

namespace {

constexpr int32_t SPEED_VALUE_FLOOR = 55;   // guns above this value fly their rounds faster
constexpr int32_t SPEED_VALUE_STEP = 5;

void volley_damage_range(const System *system, int32_t *low, int32_t *high) {
    weapon_template_damage(SHOT_TEMPLATE_VOLLEY, low, high);
    *low += system->value;
    *high += system->value;
}

int32_t volley_estimate(System *system, Ship *, int32_t, int32_t, int32_t, GameObject *target, bool roll,
                        int32_t *damage, int32_t *effect) {
    if (effect) *effect = 0;
    int32_t low = 0, high = 0;
    volley_damage_range(system, &low, &high);
    int32_t dmg = roll ? system_random_between(low, high) : (low + high) / 2;
    if (target && target->kind == OBJECT_SHOT) dmg = std::max(dmg / 5, 1);
    if (damage) *damage = dmg;
    return WEAPON_CHANCE_ALWAYS;
}

Result volley_activate(System *system, Ship *ship, GameObject *target, int32_t, int32_t, int32_t *) {
    const int32_t damage = weapon_fire_roll(system, ship, target, nullptr);
    if (system_resolve_at_once()) {
        if (damage > 0 && target) {
            int32_t mx = 0, my = 0, px = 0, py = 0;
            weapon_mount_point(system, ship, &mx, &my);
            weapon_impact_point(target, mx, my, &px, &py);
            (void)object_apply_damage(target, ship, damage, px, py, 0);
        }
        return RES_OK;
    }
    Shot *shot = weapon_make_shot(system, ship, SHOT_TEMPLATE_VOLLEY);
    if (!shot) return RES_NO_MEMORY;
    if (system->status & SYSTEM_STATUS_DAMAGED) (void)shot_drop_round(shot);
    int32_t mx = 0, my = 0;
    weapon_mount_point(system, ship, &mx, &my);
    if (ship->map) {
        map_place_object(ship->map, shot, mx - shot->w / 2, my - shot->h / 2, 1);
        object_set_busy(shot);
    } else {
        object_set_position(shot, mx - shot->w / 2, my - shot->h / 2);
    }
    shot->damage = damage;
    shot->damage_min += system->value;
    shot->damage_max += system->value;
    shot->damage_avg = (shot->damage_min + shot->damage_max) / 2;
    if (const int32_t faster = (system->value - SPEED_VALUE_FLOOR) / SPEED_VALUE_STEP; faster > 0) shot->speed += faster;
    shot_set_target(shot, target);
    sound_play(SOUND_PROJECTILE);
    if (!ship->map) object_destroy(shot);
    return RES_OK;
}

void volley_rows(System *system, List<SystemRow> *rows, int32_t mode) {
    int32_t low = 0, high = 0;
    volley_damage_range(system, &low, &high);
    const bool damaged = system->status & SYSTEM_STATUS_DAMAGED;
    weapon_row(rows, "Damage", str_format("%i %s", int((low + high) / 2), damaged ? "(x2)" : "(x3)"), damaged ? 1 : 0);
    weapon_row(rows, "AP", str_format("%i", int(system->ap_cost)), 0);
    const int32_t rounds = mode == 2 ? system->rounds : system->rounds_per_reload;
    weapon_row(rows, "Rounds", str_format("%i", int(rounds)), mode == 2 && rounds < system->rounds_per_reload);
    weapon_row(rows, "Reload", system_turns_text(system->recharge_turns), 0);
}

int32_t volley_impact(Shot *shot, GameObject *target) { return weapon_projectile_impact(shot, target, 0); }

}  // namespace

void volley_gun_init(SystemTypeOps *ops) {
    ops->activate = volley_activate;
    ops->estimate = volley_estimate;
    ops->impact = volley_impact;
    ops->info_rows = volley_rows;
    ops->detail_rows = volley_rows;
    ops->action = beam_action;
}
