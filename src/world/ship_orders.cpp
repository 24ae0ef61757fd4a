// Ship orders in combat and the figures they spend: move, turn, scan, use of a system, retreat and
// the jump check; the small add and set helpers; the to-hit and point-defence slots.
#include <algorithm>
#include "effects/effect_spark.h"
#include "effects/effect_sprite.h"
#include "game/encounter_map.h"
#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "platform/files.h"
#include "platform/sound.h"
#include "systems/system.h"
#include "world/object_internal.h"
#include "world/object_map.h"
#include "world/ship.h"
#include "world/world_hooks.h"

namespace {

constexpr int32_t MOVE_FILTER = FILTER_POINT | FILTER_SHAPE | FILTER_NOT_SELF;   // 19
constexpr int32_t MOVE_LINE_MS = 1000;
constexpr int32_t SCAN_LINE_MS = 800;
constexpr int32_t SCAN_PULSE_MS = 1600;
constexpr int32_t SCAN_PULSE_FADE_MS = 500;
constexpr int32_t RETREAT_START_PORTAL_GAP = 17;   // pixels left of the ship
constexpr int32_t MARKSMANSHIP_STEP = 10;

void box_centre(const GameObject *obj, int32_t *x, int32_t *y) {
    *x = obj->x + obj->w / 2;
    *y = obj->y + obj->h / 2;
}

// The point the hull turns about: its rotation-frame centre when it has one, else its centre.
void hull_centre(const Ship *ship, int32_t *x, int32_t *y) {
    box_centre(ship, x, y);
    if (!(ship->hull_flags & HULL_FLAG_ROTATING) || !ship->centre_x || !ship->centre_y) return;
    const int32_t i = ship_frame_for_heading(ship, ship->heading) - ship->rot_first;
    if (i < 0 || i >= int32_t(ship->centre_x->size()) || i >= int32_t(ship->centre_y->size())) return;
    *x = ship->x + (*ship->centre_x)[size_t(i)];
    *y = ship->y + (*ship->centre_y)[size_t(i)];
}

void scan_pulse(ObjectMap *map, int32_t x, int32_t y, int32_t radius) {
    PulseEffect *pulse =
        effect_create_pulse(1, radius, 255, SCAN_PULSE_MS, 0, 0, SCAN_PULSE_FADE_MS, 1, 1, 0);
    if (!pulse) return;
    map_add_effect(map, pulse, x, y);
    effect_set_blocking(pulse);
}

}  // namespace

// ---- Moving and turning ----

Result object_move_cost(Ship *ship, int32_t x, int32_t y, int32_t *cost) {
    const int32_t dx = x - ship->x, dy = y - ship->y;
    const int32_t d = distance(dx, dy);
    const int32_t range = ((ship->hull_flags & HULL_FLAG_IMMOBILE) || ship->mp < 1) ? 0 : ship->mp * 10;
    if (d > range) return RES_TARGET_OUT_OF_RANGE;
    if (d > 0) {
        int32_t off = angle_diff(ship->heading, angle_of_vector(dx, dy));
        if (off < 0) off = -off;
        if (off > ship->move_arc / 2) return RES_OUTSIDE_ARC;
    }
    const int32_t points = std::max((d + 9) / 10, 1);
    if (ship->mp < points) return RES_NO_MOVEMENT_POINTS;
    if (ship->map) {
        ObjectFilter filter;
        filter.flags = MOVE_FILTER;
        filter.px = x;
        filter.py = y;
        filter.self = ship;
        if (map_query_object(ship->map, &filter)) return RES_BLOCKED;
    }
    if (cost) *cost = points;
    return RES_OK;
}

Result ship_move(Ship *ship, int32_t x, int32_t y, int show_line) {
    int32_t cost = 0;
    if (Result r = object_move_cost(ship, x, y, &cost); r != RES_OK) return r;
    if (ship->mp < cost) return RES_NO_MOVEMENT_POINTS;
    const bool quiet = world_detail::resolving();
    if (show_line && !quiet)
        map_add_action_line(ship->map, ship->x + ship->w / 2, ship->y + ship->h / 2, x + ship->w / 2, y + ship->h / 2,
                        MOVE_LINE_MS);
    object_move_towards(ship, x, y);
    ship->mp -= cost;
    if (!quiet) sound_play(SOUND_SHIP_MOVE);
    return RES_OK;
}

Result ship_turn(Ship *ship, int32_t heading) {
    if (ship->hull_flags & HULL_FLAG_NO_TURN) return RES_UNSUPPORTED;
    if (ship->ap < ship->turn_cost) return RES_NO_ACTION_POINTS;
    if (!(ship->hull_flags & HULL_FLAG_TURN_UNBLOCKED) && ship_turn_is_blocked(ship, heading)) return RES_BLOCKED;
    ship->ap = std::clamp(ship->ap - ship->turn_cost, 0, std::max(ship->max_ap, 0));
    ship->flags |= OBJ_ROTATING;
    ship->target_heading = angle_normalize(heading);
    ship->rotation_rest = 0;
    return RES_OK;
}

int32_t ship_can_turn(const Ship *ship) {
    if (ship->hull_flags & HULL_FLAG_NO_TURN) return 0;
    return ship->ap >= ship->turn_cost ? 1 : 0;
}

// ---- Scanning ----

Result ship_check_scan_target(Ship *ship, GameObject *target) {
    if (!target || target == ship) return RES_OUT_OF_RANGE;
    if (ship->ap < ship->scan_cost) return RES_NO_ACTION_POINTS;
    int32_t cx = 0, cy = 0;
    box_centre(ship, &cx, &cy);
    if (!object_in_range_of(target, cx, cy, ship->scan_range)) return RES_TARGET_OUT_OF_RANGE;
    return RES_OK;
}

Result ship_scan(Ship *ship, GameObject *target) {
    if (!target) return RES_OUT_OF_RANGE;
    if (Result r = ship_check_scan_target(ship, target); r != RES_OK) return r;
    object_add_ref(target);
    ship_clear_scan_target(ship);
    ship->scan_target = target;
    if (!world_detail::resolving() && ship->map) {
        int32_t sx = 0, sy = 0, tx = 0, ty = 0;
        hull_centre(ship, &sx, &sy);
        box_centre(target, &tx, &ty);
        scan_pulse(ship->map, sx, sy, std::max(ship->w, ship->h));
        scan_pulse(ship->map, tx, ty, std::max(target->w, target->h));
        map_add_action_line(ship->map, ship->x + ship->w / 2, ship->y + ship->h / 2, tx, ty, SCAN_LINE_MS);
    }
    if (Player *owner = object_get_owner(ship)) player_learn_object(owner, target, 1);
    return RES_OK;
}

// ---- Using systems ----

Result ship_check_weapon_target(Ship *ship, int32_t crit, GameObject *target) {
    System *system = ship_get_crit_system(ship, crit);
    if (!system) return RES_BAD_MOUNT;
    if (system->status & SYSTEM_STATUS_OFFLINE) return RES_SYSTEM_OFFLINE;
    if (ship->ap < system->ap_cost) return RES_NO_ACTION_POINTS;
    int32_t tx = 0, ty = 0;
    if (target) box_centre(target, &tx, &ty);
    return system_check_target(system, ship, target, tx, ty);
}

Result ship_use_system(Ship *ship, int32_t crit, GameObject *target, int32_t x, int32_t y, int32_t *out) {
    System *system = ship_get_crit_system(ship, crit);
    if (!system) return RES_BAD_MOUNT;
    if (ship->ap < system->ap_cost) return RES_NO_ACTION_POINTS;
    if (out) *out = 0;
    int32_t ap_delta = 0;
    // The system may leave the ship while it acts (a detonation): hold it until the use is over.
    system_retain(system);
    const Result r = system_activate(system, ship, target, x, y, &ap_delta, out);
    if (r == RES_OK) {
        ship->ap += ap_delta;
        if (system->flags & SYSTEM_FLAG_DIRECT_FIRE) {
            ship->damage_boost = 0;
            ship->damage_boost_turns = 0;
        }
        ship_recompute_stats(ship);
    }
    system_release(system);
    return r;
}

// ---- Retreat and jump ----

void ship_begin_retreat(Ship *ship) {
    ship->ship_flags |= SHIP_FLAG_RETREATING;
    ship->retreat_countdown = ship->retreat_turns;
    if (!world_detail::resolving() && ship->map) {
        if (PortalEffect *portal = effect_create_portal(0)) {
            map_add_effect(ship->map, portal, ship->x - RETREAT_START_PORTAL_GAP, ship->y + ship->h / 2);
            effect_portal_open(portal, 0, 0);
        }
    }
    ship->ap = std::clamp(ship->ap - ship->max_ap, 0, std::max(ship->max_ap, 0));
    ship->mp = 0;
}

void ship_retreat_step(Ship *ship) {
    if (ship->ship_flags & SHIP_FLAG_RETREATING) ship->retreat_countdown -= 1;
}

void ship_abort_retreat(Ship *ship) { ship->ship_flags &= ~SHIP_FLAG_RETREATING; }
bool ship_is_retreating(const Ship *ship) { return (ship->ship_flags & SHIP_FLAG_RETREATING) != 0; }
bool ship_has_retreated(const Ship *ship) { return (ship->ship_flags & SHIP_FLAG_RETREATED) != 0; }
bool ship_is_drone(const Ship *ship) { return (ship->ship_flags & SHIP_FLAG_DRONE) != 0; }
bool ship_is_constructor(const Ship *ship) { return (ship->ship_flags & SHIP_FLAG_CONSTRUCTOR) != 0; }
bool ship_is_interdictor(const Ship *ship) { return (ship->ship_flags & SHIP_FLAG_INTERDICTOR) != 0; }
bool ship_pod_escaped(const Ship *ship) { return (ship->ship_flags & SHIP_FLAG_POD_ESCAPED) != 0; }
bool ship_is_detailed_copy(const Ship *ship) { return (ship->ship_flags & SHIP_FLAG_DETAILED_COPY) != 0; }

int32_t ship_can_jump(Ship *ship, Result *code) {
    Result why = RES_OK;
    if (ship->hull_flags & HULL_FLAG_NO_JUMP) why = RES_CANNOT_JUMP;
    else if (ship->ship_flags & SHIP_FLAG_RETREATING) why = RES_RETREATING;
    else if (ship->ap < ship->max_ap) why = RES_NO_ACTION_POINTS;
    else {
        if (!game_player_has_sector_presence(game_get(), ship->owner_id)) why = RES_NO_JUMP_PLACE;
    }
    if (code) *code = why;
    return why == RES_OK ? 1 : 0;
}

// ---- Add and set helpers ----

void ship_add_ap(Ship *ship, int32_t delta) { ship->ap = std::clamp(ship->ap + delta, 0, std::max(ship->max_ap, 0)); }

void ship_add_armour(Ship *ship, int32_t delta) {
    ship->armour = std::clamp(ship->armour + delta, 0, std::max(ship->max_armour, 0));
    ship_recompute_stats(ship);
}

void ship_set_crew(Ship *ship, int32_t n) {
    ship->crew = std::clamp(n, 0, std::max(ship->max_crew, 0));
    ship_recompute_stats(ship);
}

void ship_clear_scan_target(Ship *ship) {
    GameObject *old = ship->scan_target;
    ship->scan_target = nullptr;
    if (old) object_release(old);
}

void ship_refill_shields(Ship *ship) {
    for (int32_t &s : ship->shields) s = ship->shield_max;
    ship_recompute_stats(ship);
}

int32_t ship_system_power_summary(const Ship *ship) {
    int32_t sum = 0;
    for (int32_t i = 0; i < ship->crit_count; ++i) {
        const System *s = ship->crits[i].system;
        if (!s) continue;
        const int32_t t = s->load_a + s->load_b;
        int32_t need = 0;
        if (s->max_integrity > 0 && s->integrity < s->max_integrity) {
            need = std::max((s->max_integrity - s->integrity) * t / s->max_integrity, 1);
        }
        if ((s->flags & SYSTEM_FLAG_ROUNDS) && s->rounds < s->rounds_per_reload) need += s->rounds_per_reload - s->rounds;
        sum += std::min(t, need);
    }
    return sum;
}

// ---- Slots: to-hit and point defence ----

int32_t ship_hit_chance(GameObject *obj, int32_t crit, int32_t x, int32_t y, int32_t heading, GameObject *target,
                        int32_t mode, int32_t *damage, int32_t *result) {
    Ship *ship = ship_of(obj);
    System *system = ship ? ship_get_crit_system(ship, crit) : nullptr;
    if (!system) return RES_BAD_MOUNT;
    int32_t d = -1, effect = 0, chance = 0;
    const SystemTypeOps *ops = system_type_ops(system->type);
    if (ops && ops->estimate) {
        chance = ops->estimate(system, ship, x, y, heading, target, mode != 0, &d, &effect);
        if (chance < 0) return chance;
    }
    const bool weapon = system->flags & SYSTEM_FLAG_DIRECT_FIRE;
    if (ship->pilot && weapon && !(system->flags & SYSTEM_FLAG_NO_PILOT_BONUS))
        chance += ship->pilot->rank + MARKSMANSHIP_STEP * ship->pilot->skills[SKILL_MARKSMANSHIP];
    if (chance >= 1 && weapon && damage) {
        d += ship->damage_bonus;
        if (ship->damage_boost >= 1) d = (ship->damage_boost + 100) * d / 100;
    }
    if (damage) *damage = d;
    if (result) *result = effect;
    return chance;
}

void ship_intercept(GameObject *obj, GameObject *incoming, int32_t x, int32_t y, int32_t *intercepted) {
    Ship *ship = ship_of(obj);
    if (intercepted) *intercepted = 0;
    if (!ship || !(ship->ship_flags & SHIP_FLAG_POINT_DEFENCE)) return;
    uint32_t result = 0;
    for (int32_t i = 0; i < ship->crit_count; ++i)
        if (System *s = ship->crits[i].system) system_react(s, ship, incoming, x, y, &result);
    if (intercepted) *intercepted = (result & SYSTEM_REACT_ENGAGED) ? 1 : 0;
}
