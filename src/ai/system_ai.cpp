// Candidate plans of the system types for the combat AI, built from the shared turn, move and use
// steps.
#include "ai/system_ai.h"

#include <algorithm>
#include <array>
#include <vector>
#include "ai/ai_internal.h"
#include "ai/ship_ai.h"
#include "platform/files.h"
#include "platform/random.h"
#include "systems/plan_check.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"

namespace {

constexpr int32_t TURN_SPREAD_NARROW = 6;
constexpr int32_t TURN_SPREAD_WIDE = 12;
constexpr int32_t MISSILE_AIM_SIZE = 28;     // a free spot this big near the target
constexpr int32_t MISSILE_AIM_REACH = 60;
constexpr int32_t MISSILE_AIM_SPREAD = 60;   // within 30 degrees either side of the line
constexpr int32_t DRONE_SPOT_SIZE = 40;

// The candidate table: the types that build candidates, their counts and families.
constexpr SystemAiRow ROWS[] = {
    {.type = SYSTEM_TYPE_BEAM, .candidates = 758, .run = system_ai_direct_run},
    {.type = SYSTEM_TYPE_VOLLEY_GUN, .candidates = 30, .run = system_ai_volley_run},
    {.type = SYSTEM_TYPE_HEAVY_BEAM, .candidates = 758, .run = system_ai_direct_run},
    {.type = SYSTEM_TYPE_MISSILE, .candidates = 401, .run = system_ai_missile_run},
    {.type = SYSTEM_TYPE_DRONE_LAUNCHER, .candidates = 10, .run = system_ai_drone_run},
    {.type = SYSTEM_TYPE_JUMP_DRIVE, .candidates = 256, .run = system_ai_jump_run},
    {.type = SYSTEM_TYPE_MASS_DRIVER, .candidates = 758, .run = system_ai_direct_run},
    {.type = SYSTEM_TYPE_ROCKET_POD, .candidates = 401, .run = system_ai_missile_run},
    {.type = SYSTEM_TYPE_SELF_DESTRUCT, .candidates = 66, .run = system_ai_detonate_run},
    {.type = SYSTEM_TYPE_FLEET_DAMAGE_BOOST, .candidates = 1322, .run = system_ai_fleet_boost_run},
    {.type = SYSTEM_TYPE_FLEET_EVASION_BOOST, .candidates = 1322, .run = system_ai_fleet_boost_run},
};

// The rows by type (null: no candidates), for the lookups of every candidate.
constexpr std::array<const SystemAiRow *, SYSTEM_TYPE_COUNT> ROW_OF_TYPE = [] {
    std::array<const SystemAiRow *, SYSTEM_TYPE_COUNT> rows{};
    for (const SystemAiRow &row : ROWS) rows[size_t(row.type)] = &row;
    return rows;
}();

int32_t random_between(int32_t lo, int32_t hi) { return system_random_between(lo, hi); }

void centre_at(const PlanCursor *at, int32_t *cx, int32_t *cy) {
    if (!at->centre_known || at->centre_for_heading != at->heading) {
        const Ship *ship = at->ship;
        int32_t w = ship->w, h = ship->h;
        const int32_t frame = ship_frame_for_heading(ship, at->heading);
        if (ship->frame_w && ship->frame_h && frame >= 0 && frame < ship->frame_count) {
            w = ship->frame_w[frame];
            h = ship->frame_h[frame];
        }
        at->centre_known = true;
        at->centre_for_heading = at->heading;
        at->centre_dx = w / 2;
        at->centre_dy = h / 2;
    }
    *cx = at->x + at->centre_dx;
    *cy = at->y + at->centre_dy;
}

// The random turn of system_ai_turn_towards, kept apart so that the common answer (no turn needed)
// stays a few instructions.
[[gnu::noinline]] bool turn_by_draws(PlanCursor *at, int32_t heading);

// Every step is written whole, in one go: the record is not emptied beforehand.
[[gnu::always_inline]] inline ShipPlanStep *append_plan_step(PlanCursor *at, int32_t code) {
    ShipPlan *plan = at->plan;
    if (plan->step_count >= SHIP_PLAN_STEPS) return nullptr;
    ShipPlanStep *step = &plan->steps[plan->step_count++];
    *step = ShipPlanStep{.code = code, .x = at->x, .y = at->y, .heading = at->heading};
    return step;
}

bool turn_by_draws(PlanCursor *at, int32_t heading) {
    Ship *ship = at->ship;
    if ((ship->hull_flags & HULL_FLAG_NO_TURN) || at->ap < ship->turn_cost) return false;
    for (int32_t spread : {TURN_SPREAD_NARROW, TURN_SPREAD_WIDE}) {
        int32_t h = heading, x = at->x, y = at->y;
        if (ship_ai_random_turn_from(ship, at->heading, spread, &h, &x, &y) != RES_OK) continue;
        at->heading = h;
        at->x = x;
        at->y = y;
        at->ap -= ship->turn_cost;
        return append_plan_step(at, PLAN_TURN) != nullptr;
    }
    return false;
}

bool can_try_turn(const PlanCursor *at) {
    return !(at->ship->hull_flags & HULL_FLAG_NO_TURN) && at->ap >= at->ship->turn_cost;
}

// The heading that brings the target into the system's arc: the system's facing points at it.
int32_t arc_heading(const PlanCursor *at, const System *system, const GameObject *target) {
    int32_t tx = 0, ty = 0;
    ai_detail::centre_of(target, &tx, &ty);
    return angle_normalize(system_ai_bearing(at, tx, ty) - system->facing);
}

bool valid_user(Ship *ship, int32_t index, int32_t count) { return ship_of(ship) && index >= 0 && index < count; }

// The range test of a use against a ship walks the target's mask. The candidates of one plan end at
// a handful of spots, so the answers are kept per thread, keyed by everything the test reads: the
// target as it stands (place, size, shown sprite) and the point and range asked.
// The target as a point test reads it: the object, its shown sprite, its place and size.
struct TargetKey {
    const GameObject *target = nullptr;
    const Sprite     *shape = nullptr;
    int32_t           x = 0, y = 0, w = 0, h = 0;
    bool operator==(const TargetKey &) const = default;
};

TargetKey target_key(const GameObject *target, const Sprite *shape) {
    return {target, shape, target->x, target->y, target->w, target->h};
}

struct RangeKey {
    TargetKey target;
    int32_t   px = 0, py = 0, range = 0;
    bool operator==(const RangeKey &) const = default;
};

struct RangeAnswer {
    RangeKey key;
    bool     in_range = false;
};
constexpr size_t RANGE_ANSWERS = 512;   // a power of two
thread_local RangeAnswer range_answers[RANGE_ANSWERS];

// The point where a line from (px, py) to the target's centre meets its mask, kept the same way.
struct ImpactKey {
    TargetKey target;
    int32_t   px = 0, py = 0;
    bool operator==(const ImpactKey &) const = default;
};

struct ImpactAnswer {
    ImpactKey key;
    Result    result = RES_OK;
    int32_t   hit_x = 0, hit_y = 0;
};
constexpr size_t IMPACT_ANSWERS = 256;   // a power of two
thread_local ImpactAnswer impact_answers[IMPACT_ANSWERS];

// A kept answer of the range or impact tables against the target's own test.
void check_point_answer(const char *cache, const GameObject *target, int32_t px, int32_t py, int64_t kept,
                        int64_t fresh) {
    plan_check_counted();
    if (kept != fresh)
        plan_check_failed(cache, "target #%llu from (%d, %d): kept %lld, fresh %lld",
                          (unsigned long long)target->id, px, py, (long long)kept, (long long)fresh);
}

Result target_impact_point(GameObject *target, int32_t *px, int32_t *py) {
    const Sprite *shape = ship_of(target) ? object_shape(target) : nullptr;
    if (!shape || plan_check_fresh()) return object_impact_point(target, px, py);
    uint64_t h = uint64_t(reinterpret_cast<uintptr_t>(target)) * 0x9E3779B97F4A7C15ull;
    h ^= (uint64_t(uint32_t(*px)) << 32 | uint32_t(*py)) * 0xC2B2AE3D27D4EB4Full;
    ImpactAnswer &a = impact_answers[(h >> 40) & (IMPACT_ANSWERS - 1)];
    const ImpactKey key{target_key(target, shape), *px, *py};
    if (!(a.key == key)) {
        int32_t x = *px, y = *py;
        const Result r = object_impact_point(target, &x, &y);
        a = ImpactAnswer{key, r, x, y};
    } else if (plan_check_on()) [[unlikely]] {
        int32_t x = *px, y = *py;
        const Result r = object_impact_point(target, &x, &y);
        check_point_answer("impact answers", target, *px, *py, a.result, r);
        check_point_answer("impact answers", target, *px, *py, a.hit_x, x);
        check_point_answer("impact answers", target, *px, *py, a.hit_y, y);
    }
    *px = a.hit_x;
    *py = a.hit_y;
    return a.result;
}

bool target_in_range(GameObject *target, int32_t px, int32_t py, int32_t range) {
    // Only ships: other kinds may answer point tests from more than their sprite.
    if (!ship_of(target)) return object_in_range_of(target, px, py, range) != 0;
    const Sprite *shape = object_shape(target);
    if (!shape || plan_check_fresh()) return object_in_range_of(target, px, py, range) != 0;
    uint64_t h = uint64_t(reinterpret_cast<uintptr_t>(target)) * 0x9E3779B97F4A7C15ull;
    h ^= (uint64_t(uint32_t(px)) << 32 | uint32_t(py)) * 0xC2B2AE3D27D4EB4Full;
    h ^= uint64_t(uint32_t(range)) * 0x165667B19E3779F9ull;
    RangeAnswer &a = range_answers[(h >> 40) & (RANGE_ANSWERS - 1)];
    const RangeKey key{target_key(target, shape), px, py, range};
    if (a.key == key) {
        if (plan_check_on()) [[unlikely]]
            check_point_answer("range answers", target, px, py, a.in_range, object_in_range_of(target, px, py, range) != 0);
        return a.in_range;
    }
    a = RangeAnswer{key, object_in_range_of(target, px, py, range) != 0};
    return a.in_range;
}

}  // namespace

// ---- Shared steps ----

const SystemAiRow *system_ai_row(int32_t type) {
    return type >= 0 && type < SYSTEM_TYPE_COUNT ? ROW_OF_TYPE[size_t(type)] : nullptr;
}

int32_t system_ai_candidate_total(int32_t type) {
    const SystemAiRow *row = system_ai_row(type);
    return row ? row->candidates : 0;
}

int32_t system_ai_candidate_count(System *system, AiPlayer *, Ship *, int32_t) {
    const SystemAiRow *row = system ? system_ai_row(system->type) : nullptr;
    return row && system_is_usable(system) ? row->candidates : 0;
}

Result system_ai_run_candidate(System *system, AiPlayer *ai, Ship *ship, GameObject *target, int32_t index) {
    const SystemAiRow *row = system ? system_ai_row(system->type) : nullptr;
    return row ? row->run(system, ai, ship, target, index) : RES_NO_CANDIDATE;
}

int32_t system_ai_bearing(const PlanCursor *at, int32_t x, int32_t y) {
    int32_t cx = 0, cy = 0;
    centre_at(at, &cx, &cy);
    return angle_of_vector(x - cx, y - cy);
}

namespace {

// The shared steps, inline for the candidates of this file; the exported ones below wrap them.
[[gnu::always_inline]] inline bool cursor_turn_towards(PlanCursor *at, int32_t heading) {
    int32_t diff = angle_diff(at->heading, heading);
    if (diff < 0) diff = -diff;
    return diff <= at->ship->move_arc / 2 || turn_by_draws(at, heading);
}

[[gnu::always_inline]] inline bool move_towards(PlanCursor *at, int32_t heading, int32_t mp_min, int32_t mp_max) {
    if (at->mp < 1) return false;
    mp_max = std::min(mp_max, at->mp);
    mp_min = std::clamp(mp_min, 1, mp_max);
    int32_t x = 0, y = 0;
    if (ship_ai_pick_heading(at->ship, heading, mp_min, mp_max, at->x, at->y, at->heading, &x, &y) != RES_OK)
        return false;
    const int32_t cost = std::max((distance(x - at->x, y - at->y) + 9) / 10, 1);
    at->mp -= cost;
    at->x = x;
    at->y = y;
    return append_plan_step(at, PLAN_MOVE) != nullptr;
}

// A use of the system at the target (its centre) or at the point, with the expected hit chance and
// damage, when the AP and the plan's room allow: the step is written whole and the AP are spent.
[[gnu::always_inline]] inline bool add_use(PlanCursor *at, System *system, GameObject *target, int32_t x, int32_t y,
                                           int32_t chance, int32_t damage) {
    ShipPlan *plan = at->plan;
    if (at->ap < system->ap_cost || plan->step_count >= SHIP_PLAN_STEPS) return false;
    if (target) ai_detail::centre_of(target, &x, &y);
    plan->steps[plan->step_count++] =
        ShipPlanStep{.code = system->mount_index, .x = at->x, .y = at->y, .heading = at->heading, .target = target,
                     .target_x = x, .target_y = y, .hit_chance = chance, .damage = damage};
    at->ap -= system->ap_cost;
    return true;
}

}  // namespace

bool system_ai_turn_towards(PlanCursor *at, int32_t heading) { return cursor_turn_towards(at, heading); }

bool system_ai_move(PlanCursor *at, int32_t heading, int32_t mp_min, int32_t mp_max) {
    return move_towards(at, heading, mp_min, mp_max);
}

bool system_ai_use_plain(PlanCursor *at, System *system, GameObject *target, int32_t x, int32_t y) {
    return add_use(at, system, target, x, y, 0, 0);
}

namespace {

// What a use of the system from the cursor's spot gives, its AP aside: nothing when the target or
// point is out of range or arc, or when the estimate offers no hit or no damage.
struct UseVerdict {
    bool    ok = false;
    int32_t chance = 0, damage = 0;
};

UseVerdict use_verdict(const PlanCursor *at, System *system, GameObject *target, int32_t x, int32_t y) {
    int32_t cx = 0, cy = 0;
    centre_at(at, &cx, &cy);
    if (!(system->flags & SYSTEM_FLAG_UNLIMITED_RANGE)) {
        const bool in_range = target ? target_in_range(target, cx, cy, system->range)
                                     : distance(x - cx, y - cy) <= system->range;
        if (!in_range) return {};
    }
    if (system->flags & SYSTEM_FLAG_ARC) {
        int32_t px = x, py = y;
        if (target) {
            px = cx;
            py = cy;
            if (target_impact_point(target, &px, &py) != RES_OK) ai_detail::centre_of(target, &px, &py);
        }
        if (system_arc_test(system, angle_normalize(at->heading + system->facing), angle_of_vector(px - cx, py - cy)) !=
            RES_OK)
            return {};
    }
    int32_t damage = 0, effect = 0;
    const int32_t chance =
        object_hit_chance(at->ship, system->mount_index, at->x, at->y, at->heading, target, 0, &damage, &effect);
    if (chance < 1 || damage < 1 || (effect & 2)) return {};
    return {true, chance, damage};
}

// The use step of a verdict that offers one, when the plan has room for it.
[[gnu::always_inline]] inline bool apply_use(PlanCursor *at, System *system, GameObject *target, int32_t x, int32_t y,
                                             const UseVerdict &verdict) {
    return verdict.ok && add_use(at, system, target, x, y, verdict.chance, verdict.damage);
}

// ---- What one plan works out once ----
// While a ship plans (system_plan_epoch() is not 0) only the draws change between its candidates.
// Every candidate of a direct weapon against one target starts alike, and they end asking for the
// target's bearing and a use from a few hundred spots: both are kept per thread under the plan's
// epoch, keyed by everything they read that may differ within it:
//  - the start: the user, its place, heading, AP, MP and hull flags; the target, its place and size;
//  - a spot: the cursor's place and heading; the user, the system, the target, its place and size.
// What the plan cannot change is read once: the user's frames, stats, officers and owner's
// knowledge, the target's shape and evasion, the system's record. A new plan starts them afresh.

struct DirectStartKey {
    uint64_t          epoch = 0;
    const Ship       *ship = nullptr;
    const GameObject *target = nullptr;
    int32_t           x = 0, y = 0, heading = 0, ap = 0, mp = 0;
    uint32_t          hull_flags = 0;
    int32_t           target_x = 0, target_y = 0, target_w = 0, target_h = 0;
    bool operator==(const DirectStartKey &) const = default;
};

DirectStartKey direct_start_key(uint64_t epoch, const Ship *ship, const GameObject *target) {
    return {epoch, ship, target, ship->x, ship->y, ship->heading, ship->ap, ship->mp, ship->hull_flags,
            target->x, target->y, target->w, target->h};
}

struct DirectStart {
    DirectStartKey    key;
    PlanCursor        cursor;       // at the ship as it stands, its centre known
    int32_t           tx = 0, ty = 0;   // the target's centre
    int32_t           bearing = 0;      // from the ship's centre to the target's
};
thread_local DirectStart t_direct_start;

void direct_start_fill(DirectStart &s, uint64_t epoch, Ship *ship, GameObject *target);

// A kept start against one worked out afresh.
[[gnu::noinline]] void direct_start_check(const DirectStart &kept, Ship *ship, GameObject *target) {
    DirectStart fresh;
    {
        PlanCheckFresh scope;
        direct_start_fill(fresh, kept.key.epoch, ship, target);
    }
    const PlanCursor &k = kept.cursor, &f = fresh.cursor;
    plan_check_counted();
    if (k.x != f.x || k.y != f.y || k.heading != f.heading || k.ap != f.ap || k.mp != f.mp || kept.tx != fresh.tx ||
        kept.ty != fresh.ty || kept.bearing != fresh.bearing)
        plan_check_failed("direct weapons' start", "ship #%llu against #%llu: kept bearing %d at (%d, %d), fresh %d at (%d, %d)",
                          (unsigned long long)ship->id, (unsigned long long)target->id, kept.bearing, k.x, k.y,
                          fresh.bearing, f.x, f.y);
}

// What every direct-weapon candidate against the target starts from: kept for the plan, or (fresh
// work) worked out anew.
const DirectStart &direct_start(Ship *ship, GameObject *target) {
    const uint64_t epoch = system_plan_epoch();
    if (plan_check_fresh()) [[unlikely]] {
        thread_local DirectStart fresh;
        direct_start_fill(fresh, epoch, ship, target);
        return fresh;
    }
    DirectStart &s = t_direct_start;
    if (epoch != 0 && s.key == direct_start_key(epoch, ship, target)) {
        if (plan_check_on()) [[unlikely]]
            direct_start_check(s, ship, target);
        return s;
    }
    direct_start_fill(s, epoch, ship, target);
    return s;
}

void direct_start_fill(DirectStart &s, uint64_t epoch, Ship *ship, GameObject *target) {
    s.key = direct_start_key(epoch, ship, target);
    system_ai_begin(ship, &s.cursor);
    ai_detail::centre_of(target, &s.tx, &s.ty);
    s.bearing = system_ai_bearing(&s.cursor, s.tx, s.ty);
}

struct UseSpotKey {
    int32_t           x = 0, y = 0, heading = 0;   // first: they tell most spots apart
    uint64_t          epoch = 0;
    const Ship       *ship = nullptr;
    const System     *system = nullptr;
    const GameObject *target = nullptr;
    int32_t           target_x = 0, target_y = 0, target_w = 0, target_h = 0;
    bool operator==(const UseSpotKey &) const = default;
};

UseSpotKey spot_key(uint64_t epoch, const PlanCursor *at, const System *system, const GameObject *target) {
    return {at->x, at->y, at->heading, epoch, at->ship, system, target, target->x, target->y, target->w, target->h};
}

struct UseSpotAnswer {
    UseSpotKey        key;
    int32_t           arc_heading = 0;   // the heading that brings the target into the system's facing
    bool              use_known = false;
    UseVerdict        use;               // of a use at the target, when use_known
};
constexpr size_t SPOT_ANSWERS = 1024;   // a power of two
thread_local UseSpotAnswer t_spot_answers[SPOT_ANSWERS];

// The answers for the cursor's spot, or null outside a plan.
// A spot not in the table yet takes the slot: its key, the arc heading from there, no use yet.
[[gnu::noinline]] UseSpotAnswer *spot_answer_fill(UseSpotAnswer &a, uint64_t epoch, const PlanCursor *at,
                                                  const System *system, const GameObject *target) {
    a = UseSpotAnswer{.key = spot_key(epoch, at, system, target), .arc_heading = 0, .use_known = false, .use = {}};
    a.arc_heading = arc_heading(at, system, target);
    return &a;
}

[[gnu::always_inline]] inline UseSpotAnswer *spot_answer(const PlanCursor *at, const System *system,
                                                         const GameObject *target) {
    const uint64_t epoch = system_plan_epoch();
    if (epoch == 0 || plan_check_fresh()) return nullptr;
    uint64_t h = (uint64_t(uint32_t(at->x)) << 32 | uint32_t(at->y)) * 0x9E3779B97F4A7C15ull;
    h ^= (uint64_t(uint32_t(at->heading)) + uint64_t(reinterpret_cast<uintptr_t>(system))) * 0xC2B2AE3D27D4EB4Full;
    h ^= uint64_t(reinterpret_cast<uintptr_t>(target)) * 0x165667B19E3779F9ull;
    UseSpotAnswer &a = t_spot_answers[(h >> 40) & (SPOT_ANSWERS - 1)];
    if (a.key == spot_key(epoch, at, system, target)) [[likely]] {
        if (plan_check_on()) [[unlikely]] {
            PlanCheckFresh scope;
            plan_check_same("spot answers of direct weapons", "arc heading", a.arc_heading, arc_heading(at, system, target));
        }
        return &a;
    }
    return spot_answer_fill(a, epoch, at, system, target);
}

// A use at the target from the cursor's spot (its centre stands for the point), as system_ai_use;
// `here` is the spot's answers when the caller has them already.
[[gnu::always_inline]] inline bool use_at_target(PlanCursor *at, System *system, GameObject *target,
                                                 UseSpotAnswer *here = nullptr) {
    if (at->ap < system->ap_cost) return false;
    int32_t tx = 0, ty = 0;
    ai_detail::centre_of(target, &tx, &ty);
    UseSpotAnswer *a = here ? here : spot_answer(at, system, target);
    if (!a) return apply_use(at, system, target, tx, ty, use_verdict(at, system, target, tx, ty));
    if (!a->use_known) [[unlikely]] {
        a->use = use_verdict(at, system, target, tx, ty);
        a->use_known = true;
    } else if (plan_check_on()) [[unlikely]] {
        PlanCheckFresh scope;
        const UseVerdict fresh = use_verdict(at, system, target, tx, ty);
        plan_check_same("spot answers of direct weapons", "use", a->use.ok, fresh.ok);
        plan_check_same("spot answers of direct weapons", "hit chance", a->use.chance, fresh.chance);
        plan_check_same("spot answers of direct weapons", "damage", a->use.damage, fresh.damage);
    }
    return apply_use(at, system, target, tx, ty, a->use);
}

}  // namespace

bool system_ai_use(PlanCursor *at, System *system, GameObject *target, int32_t x, int32_t y) {
    if (at->ap < system->ap_cost) return false;
    return apply_use(at, system, target, x, y, use_verdict(at, system, target, x, y));
}

// ---- Beam and projectile weapons (0, 4, 22) ----

Result system_ai_direct_run(System *system, AiPlayer *, Ship *ship, GameObject *target, int32_t index) {
    if (!valid_user(ship, index, system_ai_candidate_total(system->type))) return RES_OUT_OF_RANGE;
    if (!target) {
        PlanCursor at;
        system_ai_begin(ship, &at);
        return RES_OK;
    }
    const DirectStart &start = direct_start(ship, target);
    ship->option.step_count = 0;
    ship->option.score = 0;
    ship->option.index = 0;
    PlanCursor at = start.cursor;
    const int32_t last = system_ai_candidate_total(system->type) - 1;
    if (index == last) {   // from where the ship stands
        use_at_target(&at, system, target);
        return RES_OK;
    }
    const bool turn_only = system->type == SYSTEM_TYPE_BEAM && index >= 257 && index <= 318;
    if (!turn_only) {
        if (!cursor_turn_towards(&at, start.bearing)) return RES_OK;
        const bool turned = at.heading != start.cursor.heading || at.x != start.cursor.x || at.y != start.cursor.y;
        const int32_t bearing = turned ? system_ai_bearing(&at, start.tx, start.ty) : start.bearing;
        const int32_t least = index <= 128 ? at.mp : 1;
        if (!move_towards(&at, bearing, least, at.mp)) return RES_OK;
    }
    UseSpotAnswer *here = spot_answer(&at, system, target);
    const int32_t x = at.x, y = at.y, heading = at.heading;
    if (!cursor_turn_towards(&at, here ? here->arc_heading : arc_heading(&at, system, target))) return RES_OK;
    // A turn moves the cursor to another spot; without one, the answers in hand are still its own.
    const bool stayed = at.x == x && at.y == y && at.heading == heading;
    use_at_target(&at, system, target, stayed ? here : nullptr);
    return RES_OK;
}

// ---- Volley gun (1) ----

Result system_ai_volley_run(System *system, AiPlayer *, Ship *ship, GameObject *target, int32_t index) {
    if (!valid_user(ship, index, system_ai_candidate_total(SYSTEM_TYPE_VOLLEY_GUN))) return RES_OUT_OF_RANGE;
    PlanCursor at;
    system_ai_begin(ship, &at);
    if (!target) return RES_OK;
    int32_t tx = 0, ty = 0, cx = 0, cy = 0;
    ai_detail::centre_of(target, &tx, &ty);
    if (index >= 10 && index <= 19) {   // fire, then get away
        system_ai_use(&at, system, target, tx, ty);
        const int32_t away = random_between(0, 359);
        if (system_ai_turn_towards(&at, away)) system_ai_move(&at, away, 1, at.mp);
        return RES_OK;
    }
    centre_at(&at, &cx, &cy);
    if (distance(tx - cx, ty - cy) > 10 * at.mp) {
        const int32_t bearing = system_ai_bearing(&at, tx, ty);
        if (!system_ai_turn_towards(&at, bearing)) return RES_OK;
        if (!system_ai_move(&at, system_ai_bearing(&at, tx, ty), index < 10 ? at.mp : 1, at.mp)) return RES_OK;
    }
    system_ai_use(&at, system, target, tx, ty);
    return RES_OK;
}

// ---- Missiles (8, 24) ----
// Four blocks of a hundred, then one: 0..99 aim from where the ship stands at a spot on the near
// side of the target; 100..199 turn and close in with every MP first; 200..299 turn and move
// 1..MP, then aim at a spot on any side; 300..399 stand and aim at any side; 400 aims at the
// target's centre. Every index is a legal plan; the random spots make them distinct.

Result system_ai_missile_run(System *system, AiPlayer *, Ship *ship, GameObject *target, int32_t index) {
    if (!valid_user(ship, index, system_ai_candidate_total(system->type))) return RES_OUT_OF_RANGE;
    PlanCursor at;
    system_ai_begin(ship, &at);
    if (!target) return RES_OK;
    int32_t tx = 0, ty = 0;
    ai_detail::centre_of(target, &tx, &ty);
    if (index == 400) {
        system_ai_use(&at, system, nullptr, tx, ty);
        return RES_OK;
    }
    const int32_t block = index / 100;
    if (block == 1 || block == 2) {
        if (!system_ai_turn_towards(&at, system_ai_bearing(&at, tx, ty))) return RES_OK;
        if (!system_ai_move(&at, system_ai_bearing(&at, tx, ty), block == 1 ? at.mp : 1, at.mp)) return RES_OK;
    }
    if (!ship->map) return RES_OK;
    const bool near_side = block == 0 || block == 1;
    const int32_t back = angle_normalize(system_ai_bearing(&at, tx, ty) + 180);
    int32_t px = 0, py = 0;
    if (map_find_free_position(ship->map, target->x, target->y, target->w, target->h, MISSILE_AIM_SIZE,
                               MISSILE_AIM_SIZE, near_side ? back : 0, near_side ? MISSILE_AIM_SPREAD : 360,
                               MISSILE_AIM_REACH, &px, &py) != RES_OK)
        return RES_OK;
    system_ai_use(&at, system, nullptr, px + MISSILE_AIM_SIZE / 2, py + MISSILE_AIM_SIZE / 2);
    return RES_OK;
}

// ---- Drone launcher (20) ----

Result system_ai_drone_run(System *system, AiPlayer *, Ship *ship, GameObject *, int32_t index) {
    if (!valid_user(ship, index, system_ai_candidate_total(SYSTEM_TYPE_DRONE_LAUNCHER))) return RES_OUT_OF_RANGE;
    PlanCursor at;
    system_ai_begin(ship, &at);
    if (at.ap < system->ap_cost || !ship->map) return RES_OK;
    int32_t px = 0, py = 0;
    if (map_find_free_position(ship->map, ship->x, ship->y, ship->w, ship->h, DRONE_SPOT_SIZE, DRONE_SPOT_SIZE, 0,
                               360, system->range, &px, &py) != RES_OK)
        return RES_OK;
    system_ai_use_plain(&at, system, nullptr, px, py);
    return RES_OK;
}

// ---- Self-destruct (25) ----

Result system_ai_detonate_run(System *system, AiPlayer *, Ship *ship, GameObject *target, int32_t index) {
    if (!valid_user(ship, index, system_ai_candidate_total(SYSTEM_TYPE_SELF_DESTRUCT))) return RES_OUT_OF_RANGE;
    PlanCursor at;
    system_ai_begin(ship, &at);
    if (!target) return RES_OK;
    int32_t tx = 0, ty = 0;
    ai_detail::centre_of(target, &tx, &ty);
    if (index <= 64) {
        if (can_try_turn(&at) && !system_ai_turn_towards(&at, system_ai_bearing(&at, tx, ty))) return RES_OK;
        if (!system_ai_move(&at, system_ai_bearing(&at, tx, ty), index <= 32 ? at.mp : 1, at.mp)) return RES_OK;
    }
    int32_t cx = 0, cy = 0;
    centre_at(&at, &cx, &cy);
    if (distance(tx - cx, ty - cy) <= system->value * 3 / 4) system_ai_use_plain(&at, system, target, tx, ty);
    return RES_OK;
}

// ---- Jump drive (21) ----

Result system_ai_jump_run(System *system, AiPlayer *, Ship *ship, GameObject *, int32_t index) {
    if (!valid_user(ship, index, system_ai_candidate_total(SYSTEM_TYPE_JUMP_DRIVE))) return RES_OUT_OF_RANGE;
    PlanCursor at;
    system_ai_begin(ship, &at);
    if (at.ap < system->ap_cost) return RES_OK;
    int32_t cx = 0, cy = 0, x = 0, y = 0;
    centre_at(&at, &cx, &cy);
    if (ship_ai_pick_position(ship, system->range - 1, cx, cy, at.heading, &x, &y) != RES_OK) return RES_OK;
    // The drive is aimed at where the ship's centre will be; the step ends with the ship there.
    const int32_t aim_x = x + ship->w / 2, aim_y = y + ship->h / 2;
    at.x = x;
    at.y = y;
    system_ai_use_plain(&at, system, nullptr, aim_x, aim_y);
    return RES_OK;
}

// ---- Fleet boosts (26, 27) ----
// The own side's ships are gathered first; ranges of indices pick one of them (index modulo the
// number gathered) and bring the user within reach of it before the use:
//   0..256     close in with every MP when it lies beyond range (turning towards it first)
//   257..512   the same, moving 1..MP
//   513..758   close in with every MP whatever the distance
//   759..1320  a random turn, then a move of 1..MP ahead
//   1321       the use from where the user stands
// Each ends with the use when the AP still reach its cost.

Result system_ai_fleet_boost_run(System *system, AiPlayer *, Ship *ship, GameObject *, int32_t index) {
    if (!valid_user(ship, index, system_ai_candidate_total(system->type))) return RES_OUT_OF_RANGE;
    PlanCursor at;
    system_ai_begin(ship, &at);
    int32_t cx = 0, cy = 0;
    if (index < 1321) {
        std::vector<Ship *> side;
        if (ship->map)
            for (int32_t i = 0; i < map_object_count(ship->map); ++i) {
                Ship *other = ship_of(map_object_at(ship->map, i));
                if (other && other != ship && other->owner_id == ship->owner_id &&
                    !(other->flags & (OBJ_DEAD | OBJ_LEFT_MAP)))
                    side.push_back(other);
            }
        if (index < 759) {
            if (side.empty()) return RES_OK;
            const Ship *friendly = side[size_t(index) % side.size()];
            int32_t fx = 0, fy = 0;
            ai_detail::centre_of(friendly, &fx, &fy);
            centre_at(&at, &cx, &cy);
            if (index >= 513 || distance(fx - cx, fy - cy) > system->range) {
                if (can_try_turn(&at) && !system_ai_turn_towards(&at, system_ai_bearing(&at, fx, fy))) return RES_OK;
                const int32_t least = (index >= 257 && index <= 512) ? 1 : at.mp;
                if (!system_ai_move(&at, system_ai_bearing(&at, fx, fy), least, at.mp)) return RES_OK;
            }
        } else {
            const int32_t heading = random_between(0, 359);
            if (can_try_turn(&at) && !system_ai_turn_towards(&at, heading)) return RES_OK;
            if (!system_ai_move(&at, at.heading, 1, at.mp)) return RES_OK;
        }
    }
    centre_at(&at, &cx, &cy);
    system_ai_use_plain(&at, system, nullptr, cx, cy);
    return RES_OK;
}
