// Systems in combat: the random draws every type shares, the target checks, activation with its
// spending, the passive hand-over to a recomputing ship, point-defence reactions and the action
// state the panels and the AI ask for.
#include "systems/system.h"

#include "game/game.h"
#include "platform/files.h"
#include "platform/random.h"
#include "systems/plan_check.h"
#include "world/object.h"
#include "world/ship.h"

namespace {

const SystemTypeOps *activation_ops_of(const System *system) {
    return system ? system_type_ops(system->type) : nullptr;
}

}  // namespace

// ---- Random draws ----

namespace {

// The generator of resolve-at-once mode, or null when draws come from the thread's quick generator.
Rng *resolve_generator() {
    const Game *game = game_get();
    return game && (game->flags & GAME_FLAG_RESOLVE_AT_ONCE) ? game->generators[GAME_GENERATOR_RESOLVE] : nullptr;
}

}  // namespace

bool system_resolve_at_once() { return resolve_generator() != nullptr; }

uint32_t system_random() {
    Rng *rng = resolve_generator();
    return rng ? rng_next(rng) : random_u32();
}

namespace {
constinit thread_local int32_t t_plan_depth = 0;
constinit thread_local uint64_t t_plans_begun = 0;
}  // namespace

constinit thread_local Rng *system_draws::plan_generator = nullptr;
constinit thread_local uint64_t system_draws::plan_epoch = 0;

void system_plan_begin() {
    if (t_plan_depth++ > 0) return;
    system_draws::plan_generator = resolve_generator();
    system_draws::plan_epoch = ++t_plans_begun;
}

void system_plan_end() {
    if (t_plan_depth < 1 || --t_plan_depth > 0) return;
    // The plan's draws came from the generator it took: the game's mode and generators stood still.
    if (plan_check_on()) [[unlikely]]
        plan_check_same("plan's generator", "generator", uintptr_t(system_draws::plan_generator),
                        uintptr_t(resolve_generator()));
    system_draws::plan_generator = nullptr;
    system_draws::plan_epoch = 0;
}

int32_t system_draws::between_asking_the_game(int32_t lo, int32_t hi) {
    Rng *rng = resolve_generator();
    return rng ? between_from(rng, lo, hi) : random_range(lo, hi);
}

bool system_hit_roll(int32_t chance) {
    const int32_t roll = int32_t(random_magnitude(system_random()) % 100u) + 1;
    return roll <= chance;
}

// ---- Target checks and activation ----

Result system_arc_test(const System *system, int32_t facing, int32_t angle) {
    if (!(system->flags & SYSTEM_FLAG_ARC)) return RES_OK;
    int32_t diff = angle_diff(facing, angle);
    if (diff < 0) diff = -diff;
    return diff > system->arc / 2 ? RES_OUTSIDE_ARC : RES_OK;
}

Result system_check_target(System *system, Ship *ship, GameObject *target, int32_t x, int32_t y) {
    const uint32_t f = system->flags;
    if (f & SYSTEM_FLAG_NO_CHECKS) return RES_OK;
    if (!(f & SYSTEM_FLAG_SELF_TARGET) && target && target == ship) return RES_INVALID_TARGET;
    if ((f & SYSTEM_FLAG_NEEDS_TARGET) && !(f & SYSTEM_FLAG_POINT_TARGET) && !target) return RES_NO_TARGET;
    if ((f & SYSTEM_FLAG_NO_SHOT_TARGETS) && target && target->kind == OBJECT_SHOT) return RES_INVALID_TARGET;

    const int32_t cx = ship->x + ship->w / 2, cy = ship->y + ship->h / 2;
    if (!(f & SYSTEM_FLAG_UNLIMITED_RANGE)) {
        const bool in_range = target ? object_in_range_of(target, cx, cy, system->range) != 0
                                     : distance(x - cx, y - cy) <= system->range;
        if (!in_range) return RES_TARGET_OUT_OF_RANGE;
    }
    if (f & SYSTEM_FLAG_ARC) {
        int32_t px = x, py = y;
        if (target) {
            px = cx;
            py = cy;
            // No contact on the line leaves the point at the target's centre.
            if (object_impact_point(target, &px, &py) != RES_OK) {
                px = target->x + target->w / 2;
                py = target->y + target->h / 2;
            }
        }
        const int32_t facing = angle_normalize(ship->heading + system->facing);
        return system_arc_test(system, facing, angle_of_vector(px - cx, py - cy));
    }
    return RES_OK;
}

Result system_activate(System *system, Ship *ship, GameObject *target, int32_t x, int32_t y, int32_t *ap_delta,
                       int32_t *extra) {
    int32_t scratch = 0;
    if (!extra) extra = &scratch;
    if (system->status & SYSTEM_STATUS_OFFLINE) return RES_SYSTEM_OFFLINE;
    if ((system->flags & SYSTEM_FLAG_RECHARGES) && system->recharge_left > 0) return RES_RECHARGING;
    if ((system->flags & SYSTEM_FLAG_ROUNDS) && system->rounds < 1) return RES_OUT_OF_ROUNDS;
    if (Result r = system_check_target(system, ship, target, x, y); r != RES_OK) return r;

    *extra = 0;
    const SystemTypeOps *ops = activation_ops_of(system);
    if (ops && ops->activate) {
        const Result r = ops->activate(system, ship, target, x, y, extra);
        if (r != RES_OK) {
            if (ap_delta) *ap_delta = -system->ap_cost;
            return r;
        }
    }
    if ((system->flags & SYSTEM_FLAG_ROUNDS) && system->rounds > 0) --system->rounds;
    if (system->flags & SYSTEM_FLAG_RECHARGES) system->recharge_left = system->recharge_turns;
    if (ap_delta) *ap_delta = -system->ap_cost;
    return RES_OK;
}

void system_apply_passive(System *system, Ship *ship) {
    if (system->flags & SYSTEM_FLAG_OFFENSIVE) {
        ship->ship_flags |= SHIP_FLAG_ARMED;
        if (system->flags & (SYSTEM_FLAG_DIRECT_FIRE | SYSTEM_FLAG_BLAST)) ship->ship_flags |= SHIP_FLAG_DIRECT_WEAPONS;
    }
    if ((system->flags & SYSTEM_FLAG_COMBAT) && (system->flags & SYSTEM_FLAG_SUPPORT) && system_is_usable(system))
        ship->ship_flags |= SHIP_FLAG_SUPPORT_READY;
    const SystemTypeOps *ops = activation_ops_of(system);
    if (ops && ops->passive) ops->passive(system, ship);
}

void system_react(System *system, Ship *ship, GameObject *incoming, int32_t x, int32_t y, uint32_t *flags) {
    const SystemTypeOps *ops = activation_ops_of(system);
    if (!ops || !ops->react) return;
    if (!(system->flags & SYSTEM_FLAG_UNLIMITED_RANGE) &&
        distance(ship->x + system->mount_x - x, ship->y + system->mount_y - y) > system->range)
        return;
    ops->react(system, ship, incoming, x, y, flags);
}

Result system_action_state(System *system, int32_t index, std::string *label, int32_t *icon, int32_t *ap_cost,
                           int32_t *enabled, Result *state) {
    const SystemTypeOps *ops = activation_ops_of(system);
    if (!ops || !ops->action) return RES_NO_ACTION;
    std::string label_out;
    int32_t icon_out = 0, cost = 0, on = 1;
    Result why = RES_OK;
    const Result r = ops->action(system, index, &label_out, &icon_out, &cost, &on, &why);
    if (r != RES_OK) return r;
    if (on) {
        const Ship *ship = system->ship;
        if (system->status & SYSTEM_STATUS_OFFLINE) {
            on = 0;
            why = RES_SYSTEM_OFFLINE;
        } else if (ship && cost > ship->ap) {
            on = 0;
            why = RES_NO_ACTION_POINTS;
        } else if ((system->flags & SYSTEM_FLAG_ROUNDS) && system->rounds <= 0) {
            on = 0;
            why = RES_OUT_OF_ROUNDS;
        } else if ((system->flags & SYSTEM_FLAG_RECHARGES) && system->recharge_left > 0) {
            on = 0;
            why = RES_RECHARGING;
        }
    }
    if (label) *label = std::move(label_out);
    if (icon) *icon = icon_out;
    if (ap_cost) *ap_cost = cost;
    if (enabled) *enabled = on;
    if (state) *state = why;
    return RES_OK;
}
