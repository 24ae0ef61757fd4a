// Drain weapon (type 10): a volley of drain rockets that takes the target ship's action and
// movement points, its boosts and half its initiative.
#include "systems/weapon.h"

#include "platform/sound.h"
#include "platform/str.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"
#include "world/shot.h"

namespace {

constexpr int32_t EFFECT_DRAINS = 1;    // estimate: the use drains a ship
constexpr int32_t EFFECT_USELESS = 2;   // estimate: nothing to drain; the AI leaves it

int32_t drain_estimate(System *system, Ship *, int32_t, int32_t, int32_t, GameObject *target, bool roll,
                       int32_t *damage, int32_t *effect) {
    if (!ship_of(target)) {
        if (damage) *damage = 0;
        if (effect) *effect = EFFECT_USELESS;
        return WEAPON_CHANCE_ALWAYS;
    }
    int32_t low = 0, high = 0;
    weapon_template_damage(SHOT_TEMPLATE_DRAIN, &low, &high);
    const int32_t dmg = roll ? system_random_between(low, high) : (low + high) / 2;
    if (damage) *damage = dmg + system->value;
    if (effect) *effect = EFFECT_DRAINS;
    return WEAPON_CHANCE_ALWAYS;
}

Result drain_activate(System *system, Ship *ship, GameObject *target, int32_t, int32_t, int32_t *) {
    const int32_t damage = weapon_fire_roll(system, ship, target, nullptr);
    if (system_resolve_at_once()) {
        if (Ship *victim = ship_of(target); victim && damage > 0) weapon_drain(victim, damage, true);
        return RES_OK;
    }
    Shot *shot = weapon_make_shot(system, ship, SHOT_TEMPLATE_DRAIN);
    if (!shot) return RES_NO_MEMORY;
    if (!ship->map) {
        object_destroy(shot);
        return RES_OK;
    }
    int32_t mx = 0, my = 0;
    weapon_mount_point(system, ship, &mx, &my);
    map_place_object(ship->map, shot, mx - shot->w / 2, my - shot->h / 2, 1);
    object_set_busy(shot);
    shot->damage = damage;
    shot_set_target(shot, target);
    sound_play(SOUND_PROJECTILE);
    return RES_OK;
}

int32_t drain_impact(Shot *shot, GameObject *target) { return weapon_drain_impact(shot, target); }

void drain_rows(System *system, List<SystemRow> *rows, int32_t mode) {
    weapon_row(rows, "Drain", str_format("%i (x3)", int(system->value)), 0);
    const int32_t rounds = mode == 2 ? system->rounds : system->rounds_per_reload;
    weapon_row(rows, "Rounds", str_format("%i", int(rounds)), mode == 2 && rounds < system->rounds_per_reload);
}

}  // namespace

void drain_weapon_init(SystemTypeOps *ops) {
    ops->activate = drain_activate;
    ops->estimate = drain_estimate;
    ops->impact = drain_impact;
    ops->info_rows = drain_rows;
    ops->detail_rows = drain_rows;
    ops->action = beam_action;
}
