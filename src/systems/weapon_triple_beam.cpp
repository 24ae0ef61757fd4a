// Triple beam weapon (type 7): three beams at one target, each with its own roll; the second and
// third come from points scattered around the mount and follow the first.
#include "systems/weapon.h"

#include <algorithm>
#include "platform/files.h"
#include "platform/random.h"
#include "platform/str.h"
#include "world/object.h"
#include "world/ship.h"

namespace {

constexpr int32_t SCATTER = 100;
constexpr int32_t SECOND_DELAY = 780, THIRD_DELAY = 1480, DELAY_SPREAD = 40;

constexpr WeaponBand TRIPLE_BANDS[] = {{201, 50, 20}, {181, 60, 40}, {161, 70, 50}, {141, 80, 60},
                                       {121, 100, 70}, {101, 100, 80}, {81, 100, 90}, {0, 100, 100}};

int32_t triple_estimate(System *system, Ship *, int32_t from_x, int32_t from_y, int32_t, GameObject *target, bool roll,
                        int32_t *damage, int32_t *effect) {
    if (effect) *effect = 0;
    if (!target) {
        if (damage) *damage = 0;
        return 0;
    }
    int32_t dmg = roll ? system_random_between(system->value, system->value + WEAPON_BEAM_DAMAGE_SPAN)
                       : system->value + WEAPON_BEAM_DAMAGE_SPAN / 2;
    const int32_t d = distance(target->x - from_x, target->y - from_y);
    const WeaponBand *b = &TRIPLE_BANDS[sizeof TRIPLE_BANDS / sizeof TRIPLE_BANDS[0] - 1];
    for (const WeaponBand &band : TRIPLE_BANDS)
        if (d >= band.nearest) {
            b = &band;
            break;
        }
    dmg = dmg * b->percent / 100;
    if (roll) dmg = weapon_jitter(dmg);
    if (damage) *damage = dmg;
    return b->chance;
}

int32_t scatter() { return int32_t(random_magnitude(system_random()) % uint32_t(2 * SCATTER + 1)) - SCATTER; }

Result triple_activate(System *system, Ship *ship, GameObject *target, int32_t, int32_t, int32_t *) {
    int32_t mx = 0, my = 0;
    weapon_mount_point(system, ship, &mx, &my);
    struct Beam {
        int32_t style, from_x, from_y, delay;
    };
    Beam beams[3] = {{1, mx, my, 0}, {0, mx, my, 0}, {2, mx, my, 0}};
    for (int i = 1; i < 3; ++i) {
        beams[i].from_x = mx + scatter();
        beams[i].from_y = my + scatter();
        beams[i].delay = (i == 1 ? SECOND_DELAY : THIRD_DELAY) +
                         int32_t(random_magnitude(system_random()) % uint32_t(DELAY_SPREAD + 1));
    }
    for (const Beam &b : beams)
        weapon_fire_rolled_beam(system, ship, target, b.style, b.from_x, b.from_y, DAMAGE_ANTI_SHIELD, b.delay);
    return RES_OK;
}

void triple_info_rows(System *system, List<SystemRow> *rows, int32_t) {
    weapon_row(rows, "", str_format("%i", int(system->value)), 0);
}

void triple_detail_rows(System *system, List<SystemRow> *rows, int32_t) {
    weapon_row(rows, "Damage", str_format("%i (x3)", int(system->value)), 0);
    weapon_row(rows, "AP", str_format("%i", int(system->ap_cost)), 0);
}

}  // namespace

void triple_beam_init(SystemTypeOps *ops) {
    ops->activate = triple_activate;
    ops->estimate = triple_estimate;
    ops->info_rows = triple_info_rows;
    ops->detail_rows = triple_detail_rows;
    ops->action = beam_action;
}
