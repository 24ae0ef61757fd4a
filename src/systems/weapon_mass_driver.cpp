// Mass driver (type 22): a heavy round for ships only, whose hits tear through the crew.
#include "systems/weapon.h"

#include <algorithm>
#include "platform/files.h"
#include "platform/sound.h"
#include "platform/str.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"
#include "world/shot.h"

namespace {


constexpr WeaponBand DRIVER_BANDS[] = {{301, 75, 80}, {201, 85, 90}, {151, 95, 100}, {0, 100, 100}};

int32_t driver_estimate(System *system, Ship *, int32_t from_x, int32_t from_y, int32_t, GameObject *target, bool roll,
                        int32_t *damage, int32_t *effect) {
    if (effect) *effect = 0;
    if (!target) {
        if (damage) *damage = 0;
        return 0;
    }
    int32_t low = 0, high = 0;
    weapon_template_damage(SHOT_TEMPLATE_SLUG, &low, &high);
    low += system->value;
    high += system->value;
    int32_t dmg = roll ? system_random_between(low, high) : (low + high) / 2;
    const int32_t d = distance(target->x - from_x, target->y - from_y);
    if (d > system->range) {
        if (damage) *damage = 0;
        return 0;
    }
    const WeaponBand *b = &DRIVER_BANDS[3];
    for (const WeaponBand &band : DRIVER_BANDS)
        if (d >= band.nearest) {
            b = &band;
            break;
        }
    dmg = dmg * b->percent / 100;
    if (system->status & SYSTEM_STATUS_DAMAGED) dmg = dmg * 3 / 4;
    if (damage) *damage = dmg;
    return b->chance;
}

Result driver_activate(System *system, Ship *ship, GameObject *target, int32_t, int32_t, int32_t *) {
    if (!ship_of(ship)) return RES_NO_PLACEMENT;
    const int32_t damage = weapon_fire_roll(system, ship, target, nullptr);
    int32_t mx = 0, my = 0;
    weapon_mount_point(system, ship, &mx, &my);
    if (system_resolve_at_once()) {
        if (damage > 0 && target) {
            int32_t px = 0, py = 0;
            weapon_impact_point(target, mx, my, &px, &py);
            (void)object_apply_damage(target, ship, damage, px, py, DAMAGE_HEAVY_CREW);
        }
        return RES_OK;
    }
    Shot *shot = weapon_make_shot(system, ship, SHOT_TEMPLATE_SLUG);
    if (!shot) return RES_NO_MEMORY;
    if (!ship->map) {
        object_destroy(shot);
        return RES_OK;
    }
    map_place_object(ship->map, shot, mx - shot->w / 2, my - shot->h / 2, 1);
    object_set_busy(shot);
    shot->damage = damage;
    shot_set_target(shot, target);
    sound_play(SOUND_HEAVY_CANNON);
    return RES_OK;
}

int32_t driver_impact(Shot *shot, GameObject *target) {
    return weapon_projectile_impact(shot, target, DAMAGE_HEAVY_CREW);
}

void driver_rows(System *system, List<SystemRow> *rows, int32_t mode) {
    int32_t low = 0, high = 0;
    weapon_template_damage(SHOT_TEMPLATE_SLUG, &low, &high);
    int32_t mean = (low + high) / 2 + system->value;
    const bool hurt = mode != 0 && (system->status & SYSTEM_STATUS_DAMAGED);
    if (hurt) mean = mean * 3 / 4;
    weapon_row(rows, "Damage", str_format("%i", int(mean)), hurt);
    weapon_row(rows, "AP", str_format("%i", int(system->ap_cost)), 0);
}

}  // namespace

void mass_driver_init(SystemTypeOps *ops) {
    ops->activate = driver_activate;
    ops->estimate = driver_estimate;
    ops->impact = driver_impact;
    ops->info_rows = driver_rows;
    ops->detail_rows = driver_rows;
    ops->action = beam_action;
}
