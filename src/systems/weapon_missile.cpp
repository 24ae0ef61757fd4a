// Missile with a blast radius (type 8): a guided missile that bursts at its target or its aimed
// point, hurting everything in its radius. The rocket pod (type 24) is the same weapon.
#include "systems/weapon.h"

#include <algorithm>
#include "platform/files.h"
#include "platform/sound.h"
#include "platform/str.h"
#include "world/factory.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"
#include "world/shot.h"

namespace {


void missile_damage_range(const System *system, int32_t *low, int32_t *high) {
    weapon_template_damage(SHOT_TEMPLATE_MISSILE, low, high);
    *low += system->value / 2;
    *high += system->value / 2;
}

int32_t reduced(const System *system, int32_t damage) {
    return system_damaged(system) ? std::max(damage * 3 / 4, 1) : damage;
}

int32_t blast_radius(const System *system) { return system_damaged(system) ? system->value * 3 / 4 + 1 : system->value; }

int32_t missile_impact(Shot *shot, GameObject *target) { return weapon_missile_impact(shot, target); }

}  // namespace

int32_t missile_estimate(System *system, Ship *, int32_t, int32_t, int32_t, GameObject *, bool roll, int32_t *damage,
                         int32_t *effect) {
    if (effect) *effect = 0;
    int32_t low = 0, high = 0;
    missile_damage_range(system, &low, &high);
    const int32_t dmg = roll ? system_random_between(low, high) : (low + high) / 2;
    if (damage) *damage = reduced(system, dmg);
    return WEAPON_CHANCE_ALWAYS;
}

Result missile_activate(System *system, Ship *ship, GameObject *target, int32_t x, int32_t y, int32_t *) {
    int32_t low = 0, high = 0;
    missile_damage_range(system, &low, &high);
    const int32_t damage = reduced(system, system_random_between(low, high));
    const int32_t radius = blast_radius(system);
    if (system_resolve_at_once()) {
        // The blast happens at once where the missile would have burst, the firing ship included.
        int32_t cx = x, cy = y;
        if (const GameObject *t = factory_get_template(OBJECT_SHOT, SHOT_TEMPLATE_MISSILE); t && t->frame_w && t->frame_h &&
                                                                                             t->frame_count > 0) {
            cx += t->frame_w[0] / 2;
            cy += t->frame_h[0] / 2;
        }
        weapon_blast(ship->map, ship, nullptr, cx, cy, radius, damage, false, 0, false);
        return RES_OK;
    }
    Shot *shot = weapon_make_shot(system, ship, SHOT_TEMPLATE_MISSILE);
    if (!shot) return RES_NO_MEMORY;
    object_set_heading(shot, angle_of_vector(x - ship->x, y - ship->y));
    int32_t mx = 0, my = 0;
    weapon_mount_point(system, ship, &mx, &my);
    if (!ship->map) {
        object_destroy(shot);
        return RES_OK;
    }
    map_place_object(ship->map, shot, mx - shot->w / 2, my - shot->h / 2, 1);
    object_set_busy(shot);
    shot_set_range(shot, system->range);
    shot->blast_radius = radius;
    shot->damage_min = low;
    shot->damage_max = high;
    shot->damage_avg = (low + high) / 2;
    shot->damage = damage;
    if (target) shot_set_target(shot, target);
    else shot_launch(shot, x, y);
    sound_play(SOUND_LAUNCH);
    return RES_OK;
}

int32_t missile_effective_value(const System *system) {
    return system_damaged(system) ? system->value * 3 / 4 : system->value;
}

void missile_rows(System *system, List<SystemRow> *rows, int32_t mode) {
    int32_t low = 0, high = 0;
    missile_damage_range(system, &low, &high);
    const bool hurt = mode != 0 && system_damaged(system);
    weapon_row(rows, "Damage", str_format("%i", int(hurt ? reduced(system, (low + high) / 2) : (low + high) / 2)), hurt);
    weapon_row(rows, "Blast", str_format("%i", int(hurt ? blast_radius(system) : system->value)), hurt);
    weapon_row(rows, "AP", str_format("%i", int(system->ap_cost)), 0);
    const int32_t rounds = mode == 2 ? system->rounds : system->rounds_per_reload;
    weapon_row(rows, "Rounds", str_format("%i", int(rounds)), mode == 2 && rounds < system->rounds_per_reload);
}

Result missile_action(System *system, int32_t index, std::string *label, int32_t *icon, int32_t *ap_cost,
                      int32_t *enabled, Result *state) {
    return weapon_action(system, index, label, icon, ap_cost, enabled, state, "Fire");
}

void missile_init(SystemTypeOps *ops) {
    ops->activate = missile_activate;
    ops->estimate = missile_estimate;
    ops->effective_value = missile_effective_value;
    ops->impact = missile_impact;
    ops->info_rows = missile_rows;
    ops->detail_rows = missile_rows;
    ops->action = missile_action;
}
