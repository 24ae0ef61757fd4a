#pragma once
// A scripted gunner for battles fought at once, in the place of the computer players' combat AI
// (the ai_act_ship world hook): the ship picks the nearest living enemy ship on the combat map,
// turns to face it when its weapons do not bear, closes in when they do not reach, fires every
// weapon that bears for as long as its action points last, and ends its turn. Everything goes
// through the ships' own orders, so the costs, hits, damage and destruction are the real ones.
// Shared by the autocombat tests and the autocombat benchmark.
#include <cstdint>
#include <cstdlib>
#include "ai/ship_ai.h"
#include "game/game.h"
#include "platform/geometry.h"
#include "platform/result.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"

namespace scripted {

constexpr int32_t GUNNER_SHOTS_PER_WEAPON = 8;   // a weapon fires at most this often in one turn

inline GameObject *nearest_enemy(Ship *ship) {
    Game *game = game_get();
    ObjectMap *map = game ? game->combat_map : nullptr;
    GameObject *target = nullptr;
    int32_t best = 0;
    for (int32_t i = 0; map && i < map_object_count(map); ++i) {
        GameObject *obj = map_object_at(map, i);
        if (!obj || obj->kind != OBJECT_SHIP || obj->owner_id == ship->owner_id ||
            (obj->flags & (OBJ_DEAD | OBJ_LEFT_MAP)))
            continue;
        const int32_t d = object_distance_to(ship, obj->x + obj->w / 2, obj->y + obj->h / 2);
        if (!target || d < best) {
            target = obj;
            best = d;
        }
    }
    return target;
}

// The first weapon's answer for the target: RES_OK when some weapon bears.
inline Result weapons_bear(Ship *ship, GameObject *target) {
    Result first = RES_BAD_MOUNT;
    for (int32_t crit = 0; crit < ship->crit_count; ++crit) {
        const Result r = ship_check_weapon_target(ship, crit, target);
        if (r == RES_OK) return r;
        if (r != RES_BAD_MOUNT && first == RES_BAD_MOUNT) first = r;
    }
    return first;
}

inline void gunner_act(Player *, Ship *ship) {
    GameObject *target = nearest_enemy(ship);
    if (target) {
        const int32_t tx = target->x + target->w / 2, ty = target->y + target->h / 2;
        const int32_t bearing = object_angle_to(ship, tx, ty);
        Result r = weapons_bear(ship, target);
        // Face the target when the weapons are off its arc, or before closing in on it.
        const bool facing = std::abs(angle_diff(ship->heading, bearing)) <= SHIP_MOVE_ARC / 2;
        if ((r == RES_OUTSIDE_ARC || (r == RES_TARGET_OUT_OF_RANGE && !facing)) && ship_turn(ship, bearing) == RES_OK) {
            object_finish_rotation(ship);
            r = weapons_bear(ship, target);
        }
        int32_t x = 0, y = 0;
        if (r == RES_TARGET_OUT_OF_RANGE && ship->mp > 0 &&
            ship_ai_pick_heading(ship, bearing, 1, ship->mp, ship->x, ship->y, ship->heading, &x, &y) == RES_OK &&
            ship_move(ship, x, y, 0) == RES_OK)
            object_finish_travel(ship);
        for (int32_t crit = 0; crit < ship->crit_count; ++crit)
            for (int32_t n = 0; n < GUNNER_SHOTS_PER_WEAPON && !(target->flags & OBJ_DEAD) &&
                                ship_check_weapon_target(ship, crit, target) == RES_OK;
                 ++n)
                if (ship_use_system(ship, crit, target, target->x, target->y, nullptr) != RES_OK) break;
    }
    object_end_turn(ship);
}

}  // namespace scripted
