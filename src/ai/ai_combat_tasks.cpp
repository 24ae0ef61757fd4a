// The combat task types: "attack ship", "scan ship", "retreat ship" and "attack shot". Each
// enumerates options for the acting ship (system candidates, random manoeuvres, scans, the retreat)
// and scores them; the evaluation slots weigh the tasks for the commander's assignment search. The
// caches their option search keeps are in ai_combat_caches.cpp (ai_combat_search.h).
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <vector>
#include "ai/agent_task.h"
#include "ai/ai_combat.h"
#include "ai/ai_combat_caches.h"
#include "ai/ai_combat_search.h"
#include "ai/ai_internal.h"
#include "ai/ai_player.h"
#include "ai/ship_ai.h"
#include "ai/system_ai.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/geometry.h"
#include "platform/log.h"
#include "platform/saturate.h"
#include "systems/plan_check.h"
#include "systems/system.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"
#include "world/shot.h"

namespace {

// Manoeuvre options shared by "attack ship" and "attack shot", after the system options.
[[maybe_unused]] constexpr int32_t MOVES_TURN_ANY = 0;        // random turn, then 1..MP
constexpr int32_t MOVES_TURN_FULL = 379;     // random turn, then exactly MP
constexpr int32_t MOVES_ANY = 757;           // 1..MP
constexpr int32_t MOVES_FULL = 1135;         // exactly MP
constexpr int32_t MOVES_END = 1513;          // end the turn
constexpr int32_t SHIP_OPTIONS_AFTER_SYSTEMS = 1514;
// "attack shot" adds a scan, approaches and its own end of turn.
[[maybe_unused]] constexpr int32_t SHOT_SCAN_HERE = 1513;
constexpr int32_t SHOT_APPROACH_FIRST = 1514;
constexpr int32_t SHOT_APPROACH_LAST = 1814;
constexpr int32_t SHOT_END = 1815;
constexpr int32_t SHOT_OPTIONS_AFTER_SYSTEMS = 1816;
// "scan ship".
[[maybe_unused]] constexpr int32_t SCAN_TOWARDS_FULL = 0, SCAN_TOWARDS_ANY = 257, SCAN_TURN_ANY = 513, SCAN_TURN_FULL = 769,
                  SCAN_JUMP = 1025, SCAN_HERE = 1281, SCAN_END = 1282, SCAN_OPTIONS = 1283;

constexpr uint32_t TARGET_GONE = OBJ_DEAD | OBJ_LEFT_MAP;
constexpr int32_t UNSCANNED_THREAT_ARC = 46;
constexpr int32_t RETREATING_UTILITY = 100029;

int32_t rating_of(const System *s) { return s->load_a; }
int32_t rating_of(const Ship *s) { return s->online_load_a; }
bool ready(const System *s) { return s && system_is_usable(s); }
bool ready_weapon(const System *s) { return ready(s) && (s->flags & SYSTEM_FLAG_OFFENSIVE); }




// Whether the point (dx, dy) from an enemy lies at least limit away, out of reach of every term that
// needs the distance itself. Compared on squares, which saves the square root for the many enemies
// far off; distance() rounds down, so distance >= limit exactly when the square is >= limit^2.
bool beyond(int32_t dx, int32_t dy, int32_t limit) {
    return limit <= 0 || int64_t(dx) * dx + int64_t(dy) * dy >= int64_t(limit) * limit;
}














void append_option_step(Ship *ship, int32_t code, int32_t x, int32_t y, int32_t heading) {
    ShipPlan &p = ship->option;
    if (p.step_count >= SHIP_PLAN_STEPS) return;
    p.steps[p.step_count++] = ShipPlanStep{.code = code, .x = x, .y = y, .heading = heading};
}




















// ---- Link, relink and the shared tests ----

GameObject *find_kind(uint64_t id, int32_t kind) {
    GameObject *obj = id ? game_find_object(game_get(), id) : nullptr;
    return obj && obj->kind == kind ? obj : nullptr;
}

template <int32_t Kind, bool Bonus>
void link_combat_target(AgentTask *task, const char *what) {
    AgentTaskData *d = ai_detail::data_of(task);
    GameObject *obj = find_kind(task->target_id, Kind);
    if (!obj) {
        log_write(LOG_GAME, LOG_ERROR, "Agent task failed to link %s #%llu (object not found)", what,
                  (unsigned long long)task->target_id);
        return;
    }
    object_add_ref(obj);
    if (d->target) object_release(d->target);
    d->target = obj;
    if (Bonus) task->flags |= TASK_DISTANCE_BONUS;
}

template <int32_t Kind>
Result relink_combat_target(AgentTask *task, const char *type, const char *what) {
    if (task->target_id == 0) return RES_OK;
    GameObject *obj = find_kind(task->target_id, Kind);
    if (!obj) {
        log_write(LOG_GAME, LOG_ERROR, "Agent task (%s) failed to link %s #%llu (object not found)", type, what,
                  (unsigned long long)task->target_id);
        return RES_UNRESOLVED_ID;
    }
    AgentTaskData *d = ai_detail::data_of(task);
    object_add_ref(obj);
    if (d->target) object_release(d->target);
    d->target = obj;
    return RES_OK;
}

template <int32_t Kind>
int32_t target_obsolete(AgentTask *task, AiPlayer *, Player *) {
    const GameObject *obj = find_kind(task->target_id, Kind);
    return !obj || (obj->flags & OBJ_DEAD) ? 1 : 0;
}

int32_t target_gone(AgentTask *task, AiPlayer *, Player *) {
    const GameObject *t = ai_detail::data_of(task)->target;
    return t && (t->flags & TARGET_GONE) ? 1 : 0;
}

int32_t centre_always() { return 1; }

void describe_combat_target(AgentTask *task, const char *prefix, std::string *text) {
    const GameObject *t = ai_detail::data_of(task)->target;
    char line[256];
    snprintf(line, sizeof line, "%s #%llu \"%s\"", prefix, (unsigned long long)task->target_id,
             t ? object_get_name(t) : "");
    *text += line;
}

// The player's snapshot of the target ship, or null (through the evaluation memo while one is open).
GameObject *known_copy(AgentTask *task, AiPlayer *ai, Player *player) {
    GameObject *snap = player ? agent_task_known_object(ai, player, task->target_id) : nullptr;
    return snap && snap->kind == OBJECT_SHIP ? snap : nullptr;
}

int32_t first_assignee_index(AgentTask *task) {
    for (int32_t i = 0; i < list_count(&task->assignees); ++i) {
        GameObject *obj = list_get(&task->assignees, i);
        if (!obj) return -1;
        if (!(obj->flags & OBJ_DEAD)) return i;
    }
    return -1;
}
Ship *combat_first_assignee(AgentTask *task) {
    const int32_t i = first_assignee_index(task);
    return i < 0 ? nullptr : ship_of(list_get(&task->assignees, i));
}

// What an "attack ship" or "scan ship" evaluation reads of its target, gathered in one place: the
// evaluations weigh these, and the assignment search keys its kept lists by them
// (ai_combat_task_inputs).
struct TargetReads {
    GameObject       *snap = nullptr;      // the player's snapshot of the target ship
    const GameObject *weighed = nullptr;   // the snapshot, or for a scan without one the target itself
    int32_t           value = 0, strength = 0;   // of the weighed object
    int32_t           damage_from = 0;     // the snapshot's damage dealt to its holder
};

TargetReads target_reads(AgentTask *task, AiPlayer *ai, Player *player) {
    TargetReads r;
    r.snap = known_copy(task, ai, player);
    r.weighed = task->type == TASK_SCAN_SHIP && !r.snap ? ai_detail::data_of(task)->target : r.snap;
    if (r.weighed) agent_task_object_figures(ai, r.weighed, &r.value, &r.strength);
    if (const Ship *snap = ship_of(r.snap)) r.damage_from = snap->damage_from;
    return r;
}

// ---- Options ----

// System options: each ready system owns as many indices as it offers candidates.
void count_system_options(AgentTaskData *d, AiPlayer *ai, Ship *ship, bool vs_shot) {
    d->system_options = 0;
    d->cheapest_cost = -1;
    for (int32_t i = 0; i < ship->crit_count; ++i) {
        System *s = ship->crits[i].system;
        if (!s) continue;
        s->ai_candidates = 0;
        if (vs_shot && (s->flags & SYSTEM_FLAG_NO_SHOT_TARGETS)) continue;
        if (!ready(s)) continue;
        const uint32_t costed = vs_shot ? SYSTEM_FLAG_OFFENSIVE
                                        : SYSTEM_FLAG_OFFENSIVE | SYSTEM_FLAG_AREA | SYSTEM_FLAG_SUPPORT;
        if ((s->flags & costed) && (d->cheapest_cost < 0 || s->ap_cost < d->cheapest_cost)) d->cheapest_cost = s->ap_cost;
        s->ai_candidates = system_ai_candidate_count(s, ai, ship, ship->heading);
        d->system_options += s->ai_candidates;
    }
}

int32_t run_system_option(AgentTaskData *d, AiPlayer *ai, Ship *ship, GameObject *target, int32_t index,
                          bool vs_shot) {
    if (ship->crit_count < 1) return RES_OUT_OF_RANGE;
    for (int32_t i = 0; i < ship->crit_count; ++i) {
        System *s = ship->crits[i].system;
        if (!s || (vs_shot && (s->flags & SYSTEM_FLAG_NO_SHOT_TARGETS))) continue;
        if (index < s->ai_candidates) return system_ai_run_candidate(s, ai, ship, target, index);
        index -= s->ai_candidates;
    }
    (void)d;
    return RES_OUT_OF_RANGE;
}

bool can_turn(const PlanCursor &at) {
    const Ship *ship = at.ship;
    return !(ship->hull_flags & (HULL_FLAG_IMMOBILE | HULL_FLAG_NO_TURN)) && at.ap >= ship->turn_cost;
}

[[gnu::always_inline]] inline void random_turn(PlanCursor *at) {
    if (!can_turn(*at)) return;
    const int32_t h = system_random_between(0, 359);
    (void)ai_combat_search::turn_towards(at, h);
}

// Movement option j (0..1513) of "attack ship" and "attack shot".
[[gnu::always_inline]] inline void movement_option(AgentTaskData *d, Ship *ship, int32_t j) {
    PlanCursor at;
    system_ai_begin(ship, &at);
    if (j == MOVES_END) {
        append_option_step(ship, PLAN_NONE, at.x, at.y, at.heading);
        return;
    }
    const bool turn = j < MOVES_ANY;
    const bool full = (j >= MOVES_TURN_FULL && j < MOVES_ANY) || j >= MOVES_FULL;
    if (at.mp >= 1) {
        if (turn) random_turn(&at);
        (void)ai_combat_search::move_near(&at, at.heading, full ? at.mp : 1, at.mp);
    }
    if (at.ap < d->cheapest_cost) append_option_step(ship, PLAN_NONE, at.x, at.y, at.heading);
}




// A move of exactly MP towards a point, turning first when it lies beyond half the move arc.
[[gnu::always_inline]] inline bool approach(PlanCursor *at, int32_t tx, int32_t ty, bool full) {
    const int32_t bearing = ai_combat_search::bearing_from(at, tx, ty);
    if (!ai_combat_search::turn_towards(at, bearing)) return false;
    if (at->mp < 1) return true;
    return ai_combat_search::move_near(at, bearing, full ? at->mp : 1, at->mp);
}

// A scan of the target from where the cursor stands, when in range and affordable.
void scan_from(PlanCursor *at, GameObject *target) {
    Ship *ship = at->ship;
    if ((ship->hull_flags & HULL_FLAG_NO_SCAN) || at->ap < ship->scan_cost) return;
    int32_t w = 0, h = 0;
    ai_combat_search::frame_size(ship, at->heading, &w, &h);
    if (object_distance_to(target, at->x + w / 2, at->y + h / 2) > ship->scan_range) return;
    append_option_step(ship, PLAN_SCAN, at->x, at->y, at->heading);
    ShipPlanStep &step = ship->option.steps[ship->option.step_count - 1];
    step.target = target;
    ai_detail::centre_of(target, &step.target_x, &step.target_y);
    at->ap -= ship->scan_cost;
}

// ---- Scores ----

struct Geometry {
    int32_t px = 0, py = 0;   // the ship's centre after the option
    int32_t near = 0;
};

Geometry geometry_after(const Ship *ship, const ShipPlan &plan) {
    const ShipPlanStep &last = plan.steps[plan.step_count - 1];
    int32_t w = 0, h = 0;
    Geometry g;
    ai_combat_search::frame_of(ship, last.heading, &w, &h, &g.near);
    g.px = last.x + w / 2;
    g.py = last.y + h / 2;
    return g;
}

// The threat terms of the enemy snapshots at the ship's centre after the option.
int64_t threat_terms(AiPlayer *ai, const Geometry &g, int32_t cheapest, bool uses_system,
                     bool has_ready_weapon, bool vs_shot) {
    const ai_combat_search::SearchFigures &f = ai_combat_search::figures_of(ai);
    int64_t score = 0;
    const int32_t n = f.listed;
    for (const ai_combat_search::Enemy &t : f.enemies) {
        // With a ready weapon the distance counts only within reach of a threat or of the crowding.
        if (has_ready_weapon && beyond(g.px - t.x, g.py - t.y, std::max(t.reach, g.near))) continue;
        const int32_t d = distance(g.px - t.x, g.py - t.y);
        // The bearing matters only to an enemy within reach: most are not, and it costs a square root
        // and an arc cosine.
        int32_t bearing_known = INT32_MIN;
        auto bearing = [&] {
            if (bearing_known == INT32_MIN) bearing_known = angle_of_vector(g.px - t.x, g.py - t.y);
            return bearing_known;
        };
        auto reduce = [&](int64_t v) {
            if (uses_system) v /= 2;
            if (has_ready_weapon) v /= 3;
            if (t.max_ap >= t.turn_cost + cheapest) v /= 5;
            return v;
        };
        bool threatens = false;
        if (t.scanned) {
            for (int32_t a = t.first_arc; a < t.first_arc + t.arcs; ++a) {
                const ai_combat_search::EnemyArc &w = f.arcs[size_t(a)];
                if (d >= w.range || std::abs(angle_diff(bearing(), w.facing)) > w.half_arc) continue;
                threatens = true;
                score -= reduce(ai_detail::squared(w.range - d) / 80);
            }
        } else if (d < ai_combat_search::UNSCANNED_THREAT_RANGE &&
                   std::abs(angle_diff(bearing(), t.heading)) < UNSCANNED_THREAT_ARC) {
            threatens = true;
            score -= reduce(ai_detail::squared(ai_combat_search::UNSCANNED_THREAT_RANGE - d) / 100);
        }
        if (!threatens && !has_ready_weapon) {
            if (!vs_shot) score += ai_detail::squared(d) / 1000 / n;
            else score += t.scanned ? ai_detail::squared(d) / 80 : ai_detail::squared(d) / 500;
        }
        if (d < g.near) {
            int64_t crowd = ai_detail::squared(g.near - d) / 100;
            if (uses_system) crowd /= 6;
            if (crowd >= 1) score -= crowd;
        }
    }
    return score;
}

int32_t area(bool vs_shot, int32_t x, int32_t y, int32_t power, int32_t radius, uint64_t excluded, uint64_t owner,
             int32_t own, int32_t other) {
    return vs_shot ? ai_area_effect_value_shots(x, y, power, radius, excluded, owner, own, other)
                   : ai_area_effect_value(x, y, power, radius, excluded, owner, own, other);
}

// The distance from the shot to its target, measured to the ship's step position when the ship is it.
int32_t shot_to_target(const GameObject *shot, const Ship *ship, const ShipPlanStep &step) {
    const GameObject *target = shot_target_of(shot);
    if (!target) return -1;
    int32_t sx = 0, sy = 0, tx = 0, ty = 0;
    ai_detail::centre_of(shot, &sx, &sy);
    if (target == ship) {
        tx = step.x + ship->w / 2;
        ty = step.y + ship->h / 2;
    } else {
        ai_detail::centre_of(target, &tx, &ty);
    }
    return distance(tx - sx, ty - sy);
}

// The score of an option that leaves a ship beyond the reach of its weapons at distance dT from
// its target and weighs nothing otherwise: the distance it closes, in whole CLOSING_UNITs up to
// CLOSING_MOST. The distance beyond reach costs an option more than the weapons bring it, so a ship
// further off than that would find nothing worth doing and wait there for the whole battle while
// the enemy fires at it; every option that does weigh something still scores above these.
constexpr int64_t CLOSING_UNIT = 8, CLOSING_MOST = 19;
int32_t closing_score(const Ship *ship, const GameObject *target, int32_t dT) {
    int32_t x = 0, y = 0;
    ai_detail::centre_of(ship, &x, &y);
    const int64_t closed = int64_t(object_distance_to(target, x, y)) - dT;
    return int32_t(std::clamp<int64_t>(closed / CLOSING_UNIT, 0, CLOSING_MOST));
}

// The score of the ship's option against a ship (attack ship) or a shot (attack shot).
int32_t attack_score(AgentTaskData *d, AiPlayer *ai, Ship *ship, const ShipPlan &plan, bool vs_shot) {
    GameObject *target = d->target;
    if (plan.step_count < 1 || !target) return 0;
    const int32_t power_steps = vs_shot ? 1 : 4, power_mounts = vs_shot ? 3 : 4;
    int64_t score = 20;
    const int32_t first = plan.steps[0].code;
    if (first == PLAN_MOVE || first == PLAN_TURN) score -= 100 * ai_detail::squared(ship->ai_word) * ship->ai_word;
    bool uses_system = false;
    for (int32_t i = 0; i < plan.step_count; ++i) {
        const ShipPlanStep &step = plan.steps[i];
        if (vs_shot && step.code == PLAN_SCAN) {
            int64_t v = ship->scan_cost + d->cheapest_cost > ship->ap ? 325 : 500;
            const Shot *shot = shot_of(target);
            const int32_t reach = shot_to_target(target, ship, step);
            if (shot && reach >= 0 && reach <= shot->blast_radius) v /= 2;
            score += v;
            continue;
        }
        if (step.code < 0) continue;
        const System *s = ship_get_crit_system(ship, step.code);
        if (!s) continue;
        uses_system = true;
        const int32_t eff = system_effective_value(s);
        if (!(s->flags & SYSTEM_FLAG_OFFENSIVE) && (s->flags & SYSTEM_FLAG_SUPPORT)) {
            const int32_t v = area(vs_shot, step.x, step.y, s->power * power_steps, eff, ship->id, ship->owner_id, 130, 0);
            if (v >= 0) score /= 3;
            else score += 3 * int64_t(-v);
        }
        if (!(s->flags & SYSTEM_FLAG_OFFENSIVE)) continue;
        if (vs_shot && (s->flags & SYSTEM_FLAG_NO_SHOT_TARGETS)) {
            score -= 100000;
        } else if (s->flags & SYSTEM_FLAG_DIRECT_FIRE) {
            const int64_t p = step.hit_chance, e = step.damage;
            if (p < 1) score += ai_detail::squared(rating_of(s)) / 6;
            else score += p >= 100 ? e * p * 3 / 100 * 3 / 2 : e * p * 3 / 100;
        } else if (s->flags & SYSTEM_FLAG_BLAST) {
            const int32_t own = s->type == SYSTEM_TYPE_ROCKET_POD ? 20 : 80;
            const int32_t v = area(vs_shot, step.target_x, step.target_y, s->power, eff, 0, ship->owner_id, own, 100);
            if (vs_shot) score += v > 0 ? 8 * int64_t(v) : -5000;
            else if (v < 1) score /= 3;
            else score += v;
        } else if (s->flags & SYSTEM_FLAG_AREA) {
            const int32_t v = area(vs_shot, step.x, step.y, s->power, eff, ship->id, ship->owner_id, 0, 100);
            if (v < 1) score /= 3;
            else score += v;
        }
        if (s->type == SYSTEM_TYPE_DRONE_LAUNCHER) score += int64_t(rating_of(s)) * 6;
    }
    if (uses_system) score += 256;
    const Geometry g = geometry_after(ship, plan);
    const ShipPlanStep &last = plan.steps[plan.step_count - 1];
    const int32_t dT = object_distance_to(target, g.px, g.py);
    const int32_t diagonal = ai->map_diagonal;
    bool has_ready_weapon = false;
    int32_t longest = 0;
    for (int32_t c = 0; c < ship->crit_count; ++c) {
        const System *mount = ship->crits[c].system;
        if (!mount) continue;
        const System &m = *mount;
        const int32_t eff = system_effective_value(&m);
        if (!ready_weapon(&m)) {
            if (m.flags & SYSTEM_FLAG_SUPPORT) {
                const int32_t v =
                    area(vs_shot, last.x, last.y, m.power * power_mounts, eff * 2, ship->id, ship->owner_id, 110, 0);
                if (v < 0) score += -int64_t(v);
            }
            continue;
        }
        has_ready_weapon = true;
        const int64_t r = rating_of(&m);
        int64_t n = 1;
        // A ready weapon facing ahead within its arc (or without an arc) counts for itself.
        if (m.flags & SYSTEM_FLAG_ARC)
            score += std::abs(angle_diff(0, m.facing)) <= m.arc / 2 ? ai_detail::squared(r) / 4 : 0;
        else score += ai_detail::squared(r) / 6;
        if (m.flags & SYSTEM_FLAG_UNLIMITED_RANGE) {
            score += r;
            n += 1;
        } else {
            longest = std::max(longest, m.range);
            if (m.flags & SYSTEM_FLAG_BLAST) {
                if (vs_shot ? dT <= m.range : (m.range * 3 / 4 <= dT && dT <= m.range))
                    score += r * (vs_shot ? 8 : 2);
            } else if (m.flags & SYSTEM_FLAG_DIRECT_FIRE) {
                if (dT <= m.range) {
                    n += 2;
                    if (dT <= m.range / 2) n += 1;
                    if (ship->turn_cost + d->cheapest_cost > ship->max_ap) n += 3;
                }
            } else if (m.flags & SYSTEM_FLAG_AREA) {
                if (dT >= eff) {
                    if (diagonal > 0) score += int64_t(diagonal - dT) * r * 5 / diagonal;
                } else {
                    score += r * 8 - dT + eff;
                }
            } else if (dT <= m.range) {
                score += r * 2;
                n += 1;
            }
        }
        if (n >= 1) score += r * ai_detail::squared(n) / 4;
    }
    if (longest >= 1 && dT > longest && (dT - longest) / 4 >= 1) score -= (dT - longest) / 4;
    score += threat_terms(ai, g, d->cheapest_cost, uses_system, has_ready_weapon, vs_shot);
    if (score > 0 || vs_shot || longest < 1 || dT <= longest) return saturate_i32(std::max<int64_t>(score, 0));
    return closing_score(ship, target, dT);
}

// ---- "attack ship" ----

void attack_ship_link(AgentTask *task) { link_combat_target<OBJECT_SHIP, true>(task, "target ship"); }
Result attack_ship_relink(AgentTask *task) { return relink_combat_target<OBJECT_SHIP>(task, "attack ship", "target ship"); }

void attack_ship_describe(AgentTask *task, AiPlayer *, std::string *text) {
    *text += task->subtype == 0 ? ", primary" : ", secondary";
    describe_combat_target(task, ", target", text);
}

void attack_ship_evaluate(AgentTask *task, AiPlayer *ai, Player *player, int32_t *utility, int32_t *assigned,
                          int32_t *needed) {
    const TargetReads reads = target_reads(task, ai, player);
    GameObject *target = reads.snap;
    ai_detail::data_of(task)->known = target;
    const int32_t assignees = agent_task_assignee_count(task);
    const int32_t value = reads.value, strength = reads.strength;
    if (task->subtype != 0) {
        *utility = target ? value / 2 : 0;
        *assigned = target ? assignees : 0;
        *needed = target ? assignees + 1 : 1;
    } else {
        *utility = target ? value : 0;
        *needed = target ? strength + 10 : 10;
        // agent_task_evaluate has just summed the live assignees' values, stopping at a first null
        // item: the same sum unless a null item hides some of them.
        const std::vector<GameObject *> &items = task->assignees.items;
        if (std::find(items.begin(), items.end(), nullptr) == items.end()) {
            *assigned = task->assignee_value;
        } else {
            int32_t sum = 0;
            for (GameObject *obj : items)
                if (obj && !(obj->flags & OBJ_DEAD)) {
                    int32_t v = 0, s = 0;
                    agent_task_object_figures(ai, obj, &v, &s);
                    sum += v;
                }
            *assigned = sum;
        }
    }
    if (ship_of(target)) task->priority_bonus += std::clamp(reads.damage_from / 10, 0, 300);
}

int32_t attack_ship_utility(AgentTask *, GameObject *obj) {
    const Ship *s = ship_of(obj);
    return s && rating_of(s) > 0 ? 1 : 0;
}

void attack_ship_begin(AgentTask *task, AiPlayer *ai, GameObject *obj) {
    Ship *ship = ship_of(obj);
    ai_combat_search::begin_option_search(task, ai, ship);
    if (!ship) return;
    AgentTaskData *d = ai_detail::data_of(task);
    count_system_options(d, ai, ship, false);
    d->option_total = d->system_options + SHIP_OPTIONS_AFTER_SYSTEMS;
}

[[gnu::always_inline]] inline int32_t attack_ship_option(AgentTask *task, AiPlayer *ai, GameObject *obj, int32_t index) {
    Ship *ship = ship_of(obj);
    if (!ship) return RES_OUT_OF_RANGE;
    AgentTaskData *d = ai_detail::data_of(task);
    if (index < d->system_options) return run_system_option(d, ai, ship, d->target, index, false);
    const int32_t j = index - d->system_options;
    if (j > MOVES_END) return RES_OUT_OF_RANGE;
    movement_option(d, ship, j);
    return RES_OK;
}

int32_t attack_ship_score(AgentTask *task, AiPlayer *ai, Ship *ship, const ShipPlan &plan) {
    return attack_score(ai_detail::data_of(task), ai, ship, plan, false);
}

// ---- "attack shot" ----

void attack_shot_link(AgentTask *task) { link_combat_target<OBJECT_SHOT, true>(task, "target shot"); }
Result attack_shot_relink(AgentTask *task) { return relink_combat_target<OBJECT_SHOT>(task, "attack shot", "target shot"); }
void attack_shot_describe(AgentTask *task, AiPlayer *, std::string *text) { describe_combat_target(task, ", target", text); }

bool reaches_shot(Ship *ship, GameObject *shot) {
    for (int32_t c = 0; c < ship->crit_count; ++c)
        if (ready_weapon(ship->crits[c].system) && ship_check_weapon_target(ship, c, shot) == RES_OK) return true;
    return false;
}

void attack_shot_evaluate(AgentTask *task, AiPlayer *, Player *player, int32_t *utility, int32_t *assigned,
                          int32_t *needed) {
    AgentTaskData *d = ai_detail::data_of(task);
    const Shot *shot = shot_of(d->target);
    int32_t with_weapon = 0, unable = 0, assignees = 0;
    int64_t bonus = 0;
    GameObject *target = shot && !(shot->flags & TARGET_GONE) ? shot_target_of(shot) : nullptr;
    for (GameObject *obj : task->assignees.items) {
        Ship *s = obj && !(obj->flags & OBJ_DEAD) ? ship_of(obj) : nullptr;
        if (!s) continue;
        ++assignees;
        bool armed = false;
        for (int32_t c = 0; c < s->crit_count; ++c) {
            const System *w = s->crits[c].system;
            if (!ready_weapon(w)) continue;
            armed = true;
            if (w->flags & SYSTEM_FLAG_BLAST) bonus += int64_t(rating_of(w)) * 2;
        }
        if (armed) ++with_weapon;
        if (!shot || !reaches_shot(s, d->target)) ++unable;
        if (obj == target) bonus += int64_t(rating_of(s)) * 3 / 2;
    }
    if (assignees > 2) bonus -= 200 * int64_t(assignees - 2);
    *assigned = with_weapon;
    *needed = 2 + unable;
    const Ship *victim = ship_of(target);
    if (!victim || !player || victim->owner_id != player->id || (victim->flags & OBJ_DEAD)) return;
    const int64_t value = player_object_value(victim);
    int64_t u = std::max<int64_t>(ai_detail::squared(value) / 30, 0);
    if (shot->damage >= victim->armour) u = u * 4 / 3;
    if (shot->damage_max >= victim->armour) u = u * 11 / 10;
    if (victim->ship_flags & SHIP_FLAG_POINT_DEFENCE) u /= 3;
    *utility = saturate_i32(u);
    task->priority_bonus += saturate_i32(bonus);
}

int32_t attack_shot_utility(AgentTask *, GameObject *obj) {
    const Ship *s = ship_of(obj);
    return s && (s->ship_flags & SHIP_FLAG_DIRECT_WEAPONS) && rating_of(s) > 0 ? 1 : 0;
}

void attack_shot_begin(AgentTask *task, AiPlayer *ai, GameObject *obj) {
    Ship *ship = ship_of(obj);
    ai_combat_search::begin_option_search(task, ai, ship);
    if (!ship) return;
    AgentTaskData *d = ai_detail::data_of(task);
    count_system_options(d, ai, ship, true);
    Player *owner = game_find_player(game_get(), ship->owner_id);
    d->shot_known = owner && player_known_object_by_id(owner, task->target_id) ? 1 : 0;
    d->option_total = d->system_options + SHOT_OPTIONS_AFTER_SYSTEMS;
}

[[gnu::always_inline]] inline int32_t attack_shot_option(AgentTask *task, AiPlayer *ai, GameObject *obj, int32_t index) {
    Ship *ship = ship_of(obj);
    if (!ship) return RES_OUT_OF_RANGE;
    AgentTaskData *d = ai_detail::data_of(task);
    if (index < d->system_options) return run_system_option(d, ai, ship, d->target, index, true);
    const int32_t j = index - d->system_options;
    if (j > SHOT_END || !d->target) return RES_OUT_OF_RANGE;
    if (j < MOVES_END) {
        movement_option(d, ship, j);
        return RES_OK;
    }
    PlanCursor at;
    system_ai_begin(ship, &at);
    if (j == SHOT_END) {
        append_option_step(ship, PLAN_NONE, at.x, at.y, at.heading);
        return RES_OK;
    }
    if (j >= SHOT_APPROACH_FIRST && j <= SHOT_APPROACH_LAST) {
        int32_t tx = 0, ty = 0;
        ai_detail::centre_of(d->target, &tx, &ty);
        int32_t cx = 0, cy = 0, w = 0, h = 0;
        ai_combat_search::frame_size(ship, at.heading, &w, &h);
        cx = at.x + w / 2;
        cy = at.y + h / 2;
        if (distance(tx - cx, ty - cy) > ship->scan_range && !approach(&at, tx, ty, true)) return RES_OK;
    }
    if (!d->shot_known) scan_from(&at, d->target);
    return RES_OK;
}

int32_t attack_shot_score(AgentTask *task, AiPlayer *ai, Ship *ship, const ShipPlan &plan) {
    return attack_score(ai_detail::data_of(task), ai, ship, plan, true);
}

// ---- "scan ship" ----

void scan_ship_link(AgentTask *task) { link_combat_target<OBJECT_SHIP, true>(task, "target ship"); }
Result scan_ship_relink(AgentTask *task) { return relink_combat_target<OBJECT_SHIP>(task, "scan ship", "target ship"); }
void scan_ship_describe(AgentTask *task, AiPlayer *, std::string *text) { describe_combat_target(task, ", target", text); }

int32_t scan_ship_done(AgentTask *task, AiPlayer *ai, Player *player) {
    if (target_gone(task, ai, player)) return 1;
    const GameObject *snap = known_copy(task, ai, player);
    return snap && snap->snapshot_version >= 1 ? 1 : 0;
}

void scan_ship_evaluate(AgentTask *task, AiPlayer *ai, Player *player, int32_t *utility, int32_t *assigned,
                        int32_t *needed) {
    AgentTaskData *d = ai_detail::data_of(task);
    const TargetReads reads = target_reads(task, ai, player);
    d->known = reads.snap;
    const GameObject *target = reads.weighed;
    const int32_t value = reads.value;
    *utility = value;
    *needed = target ? *utility / 5 + 1 : 1;
    if (Ship *s = combat_first_assignee(task)) {
        *assigned = 1;
        if (!(s->ship_flags & SHIP_FLAG_ARMED)) task->priority_bonus += 300;
        if (16 - s->scan_cost > 0) task->priority_bonus += (16 - s->scan_cost) * 10;
    }
}

}  // namespace

// Beyond the common inputs and the assignees, attack_ship_evaluate and scan_ship_evaluate read their
// target through target_reads: its words are the inputs.
bool ai_combat_task_inputs(AgentTask *task, AiPlayer *ai, Player *player, AgentTaskInputs *out) {
    if ((task->type != TASK_ATTACK_SHIP && task->type != TASK_SCAN_SHIP) || !agent_task_inputs(task, ai, out)) {
        out->count = 0;
        return false;
    }
    const TargetReads r = target_reads(task, ai, player);
    for (int64_t w : {int64_t(reinterpret_cast<uintptr_t>(player)), int64_t(reinterpret_cast<uintptr_t>(r.snap)),
                      int64_t(reinterpret_cast<uintptr_t>(r.weighed)), int64_t(r.value), int64_t(r.strength),
                      int64_t(r.damage_from)})
        out->add(w);
    return true;
}

// Of an assignee, a scan reads whether the first live one is a ship, armed, and its scan cost.
void ai_combat_assignee_inputs(AiPlayer *ai, GameObject *obj, AgentTaskInputs *out) {
    agent_task_assignee_inputs(ai, obj, out);
    const Ship *s = ship_of(obj);
    out->add(s ? 1 : 0);
    out->add(s ? int64_t(s->ship_flags & SHIP_FLAG_ARMED) : 0);
    out->add(s ? s->scan_cost : 0);
}

namespace {

int32_t scan_ship_utility(AgentTask *, GameObject *obj) {
    const Ship *s = ship_of(obj);
    if (!s || (s->hull_flags & HULL_FLAG_NO_SCAN) || s->max_ap < s->scan_cost) return 0;
    return (s->ship_flags & SHIP_FLAG_SUPPORT_READY) ? 0 : 1;
}

void scan_ship_begin(AgentTask *task, AiPlayer *ai, GameObject *obj) {
    ai_combat_search::begin_option_search(task, ai, ship_of(obj));
    ai_detail::data_of(task)->option_total = SCAN_OPTIONS;
}

System *first_ready_jump(Ship *ship) {
    for (int32_t c = 0; c < ship->crit_count; ++c) {
        System *s = ship->crits[c].system;
        if (s && s->type == SYSTEM_TYPE_JUMP_DRIVE && ready(s)) return s;
    }
    return nullptr;
}

[[gnu::always_inline]] inline int32_t scan_ship_option(AgentTask *task, AiPlayer *, GameObject *obj, int32_t index) {
    Ship *ship = ship_of(obj);
    AgentTaskData *d = ai_detail::data_of(task);
    if (!ship || !d->target) return RES_OUT_OF_RANGE;
    if (index >= SCAN_OPTIONS || index < 0) return RES_OUT_OF_RANGE;
    PlanCursor at;
    system_ai_begin(ship, &at);
    if (index == SCAN_END) {
        append_option_step(ship, PLAN_NONE, at.x, at.y, at.heading);
        return RES_OK;
    }
    int32_t tx = 0, ty = 0;
    ai_detail::centre_of(d->target, &tx, &ty);
    if (index < SCAN_TURN_ANY) {
        if (ai_combat_search::beyond_scan_range(at, tx, ty) && !approach(&at, tx, ty, index < SCAN_TOWARDS_ANY)) {
            // Every step is written whole when it is added, so emptying the record is emptying its count.
            ship->option.step_count = 0;
            return RES_OK;
        }
    } else if (index >= SCAN_JUMP && index < SCAN_HERE) {
        System *jump = first_ready_jump(ship);
        if (jump && at.ap >= jump->ap_cost) {
            int32_t x = 0, y = 0;
            if (ship_ai_pick_position(ship, jump->range - 1, ship->x + ship->w / 2, ship->y + ship->h / 2,
                                      ship->heading, &x, &y) != RES_OK)
                return RES_OK;
            if (system_ai_use_plain(&at, jump, nullptr, x, y)) {
                at.x = x;
                at.y = y;
            }
            return RES_OK;
        }
        random_turn(&at);
        (void)ai_combat_search::move_near(&at, at.heading, 1, at.mp);
        return RES_OK;
    } else if (index < SCAN_JUMP) {
        // A manoeuvre alone: away from the arcs that threaten the ship, to scan on a later turn.
        random_turn(&at);
        (void)ai_combat_search::move_near(&at, at.heading, index < SCAN_TURN_FULL ? 1 : at.mp, at.mp);
        return RES_OK;
    }
    scan_from(&at, d->target);
    return RES_OK;
}

int32_t scan_ship_score(AgentTask *task, AiPlayer *ai, Ship *ship, const ShipPlan &plan) {
    AgentTaskData *d = ai_detail::data_of(task);
    if (plan.step_count < 1 || !d->target) return 0;
    int64_t score = int64_t(task->utility) * 12;
    for (int32_t i = 0; i < plan.step_count; ++i)
        if (plan.steps[i].code == PLAN_SCAN) score += 500;
    const Geometry g = geometry_after(ship, plan);
    const int32_t dist = object_distance_to(d->target, g.px, g.py);
    score -= dist / 2;
    if (dist <= ship->scan_range) score += 200;
    const ai_combat_search::SearchFigures &f = ai_combat_search::figures_of(ai);
    for (const ai_combat_search::Enemy &t : f.enemies) {
        if (beyond(g.px - t.x, g.py - t.y, std::max(t.reach, g.near))) continue;
        const int32_t dd = distance(g.px - t.x, g.py - t.y);
        int32_t bearing_known = INT32_MIN;   // worked out only for an enemy within reach, as above
        auto bearing = [&] {
            if (bearing_known == INT32_MIN) bearing_known = angle_of_vector(g.px - t.x, g.py - t.y);
            return bearing_known;
        };
        if (t.scanned) {
            for (int32_t a = t.first_arc; a < t.first_arc + t.arcs; ++a) {
                const ai_combat_search::EnemyArc &w = f.arcs[size_t(a)];
                if (dd >= w.range || std::abs(angle_diff(bearing(), w.facing)) > w.half_arc) continue;
                score -= ai_detail::squared(w.range - dd) / 80;
            }
        } else if (dd < ai_combat_search::UNSCANNED_THREAT_RANGE &&
                   std::abs(angle_diff(bearing(), t.heading)) < UNSCANNED_THREAT_ARC) {
            score -= ai_detail::squared(ai_combat_search::UNSCANNED_THREAT_RANGE - dd) / 100;
        }
        if (dd < g.near) score -= 100;
    }
    return saturate_i32(std::max<int64_t>(score, 0));
}

// ---- "retreat ship" ----

void retreat_link(AgentTask *task) { link_combat_target<OBJECT_SHIP, false>(task, "retreat ship"); }
Result retreat_relink(AgentTask *task) { return relink_combat_target<OBJECT_SHIP>(task, "retreat ship", "retreat ship"); }
void retreat_describe(AgentTask *task, AiPlayer *, std::string *text) { describe_combat_target(task, ", ship", text); }

void retreat_evaluate(AgentTask *task, AiPlayer *, Player *, int32_t *utility, int32_t *assigned, int32_t *needed) {
    const Ship *s = ship_of(ai_detail::data_of(task)->target);
    *utility = s && (s->ship_flags & SHIP_FLAG_RETREATING) ? RETREATING_UTILITY : 30;
    *assigned = first_assignee_index(task) >= 0 ? 1 : 0;
    *needed = 1;
}

int32_t retreat_utility(AgentTask *task, GameObject *obj) { return obj && obj == ai_detail::data_of(task)->target ? 1 : 0; }

int32_t retreat_blocked(AgentTask *task, AiPlayer *, Player *) {
    Ship *ship = ship_of(ai_detail::data_of(task)->target);
    if (!ship) return 1;
    Game *game = game_get();
    ObjectMap *map = ship->map ? ship->map : game ? game->combat_map : nullptr;
    if (map)
        for (GameObject *obj : map->objects.items) {
            const Ship *other = ship_of(obj);
            if (other && other->owner_id != ship->owner_id && (other->ship_flags & SHIP_FLAG_INTERDICTOR)) return 1;
        }
    Result why = RES_OK;
    if (!ship_can_jump(ship, &why) && why != RES_RETREATING) return 1;
    return 0;
}

// The snapshot a retreat option fires at: drawn from the commander's list.
Ship *random_snapshot(AiPlayer *ai) {
    const int32_t n = ai->snapshots ? list_count(ai->snapshots) : 0;
    if (n < 1) return nullptr;
    return ship_of(list_get(ai->snapshots, system_random_between(0, n - 1)));
}

void retreat_begin(AgentTask *task, AiPlayer *ai, GameObject *obj) {
    Ship *ship = ship_of(obj);
    ai_combat_search::begin_option_search(task, ai, ship);
    if (!ship) return;
    AgentTaskData *d = ai_detail::data_of(task);
    (void)random_snapshot(ai);
    d->system_options = 0;
    for (int32_t i = 0; i < ship->crit_count; ++i) {
        System *s = ship->crits[i].system;
        if (!s) continue;
        s->ai_candidates = ready(s) ? system_ai_candidate_count(s, ai, ship, ship->heading) : 0;
        d->system_options += s->ai_candidates;
    }
    d->option_total = d->system_options + 1;
}

[[gnu::always_inline]] inline int32_t retreat_option(AgentTask *task, AiPlayer *ai, GameObject *obj, int32_t index) {
    Ship *ship = ship_of(obj);
    if (!ship) return RES_OUT_OF_RANGE;
    AgentTaskData *d = ai_detail::data_of(task);
    if (index == d->system_options) {
        append_option_step(ship, PLAN_END_EFFECTS, ship->x, ship->y, ship->heading);
        return RES_OK;
    }
    if (index > d->system_options || index < 0) return RES_OUT_OF_RANGE;
    const Ship *snap = random_snapshot(ai);
    GameObject *target = snap ? game_find_object(game_get(), snap->id) : nullptr;
    if (!ship_of(target)) {
        ship->option = ShipPlan{};
        return RES_OK;
    }
    const int32_t r = run_system_option(d, ai, ship, target, index, false);
    ShipPlan &p = ship->option;
    if (r == RES_OK && p.step_count >= 1 && p.step_count < SHIP_PLAN_STEPS - 1) {
        const ShipPlanStep &last = p.steps[p.step_count - 1];
        append_option_step(ship, PLAN_END_EFFECTS, last.x, last.y, last.heading);
    }
    return r;
}

int32_t retreat_score(AgentTask *, AiPlayer *, Ship *ship, const ShipPlan &plan) {
    if (plan.step_count < 1) return 0;
    int64_t score = 1;
    for (int32_t i = 0; i < plan.step_count; ++i) {
        const int32_t code = plan.steps[i].code;
        if (code == PLAN_END_EFFECTS) {
            score += 300;
            continue;
        }
        const System *s = code >= 0 ? ship_get_crit_system(ship, code) : nullptr;
        if (!s) continue;
        if (!(s->flags & SYSTEM_FLAG_OFFENSIVE)) score += 60;
        else if (s->flags & SYSTEM_FLAG_HEAVY) score += int64_t(rating_of(s)) * 10;
        else if (s->flags & SYSTEM_FLAG_DIRECT_FIRE) score += int64_t(rating_of(s)) * 7;
        else score += int64_t(rating_of(s)) * 5;
    }
    return saturate_i32(std::max<int64_t>(score, 0));
}

}  // namespace

void ai_combat_task_type_fill(int32_t type, AgentTaskType *t) {
    switch (type) {
    case TASK_ATTACK_SHIP:
        t->link = attack_ship_link;
        t->relink = attack_ship_relink;
        t->use_centre = centre_always;
        t->is_obsolete = target_obsolete<OBJECT_SHIP>;
        t->describe = attack_ship_describe;
        t->execute = target_gone;
        t->evaluate = attack_ship_evaluate;
        t->ship_utility = attack_ship_utility;
        t->combat_begin = attack_ship_begin;
        t->combat_next_option = ai_combat_search::memo_option_slot<attack_ship_option>;
        t->combat_score = ai_combat_search::memo_score_slot<attack_ship_score>;
        break;
    case TASK_ATTACK_SHOT:
        t->link = attack_shot_link;
        t->relink = attack_shot_relink;
        t->use_centre = centre_always;
        t->is_obsolete = target_obsolete<OBJECT_SHOT>;
        t->describe = attack_shot_describe;
        t->execute = target_gone;
        t->evaluate = attack_shot_evaluate;
        t->ship_utility = attack_shot_utility;
        t->combat_begin = attack_shot_begin;
        t->combat_next_option = ai_combat_search::memo_option_slot<attack_shot_option>;
        t->combat_score = ai_combat_search::memo_score_slot<attack_shot_score>;
        break;
    case TASK_SCAN_SHIP:
        t->link = scan_ship_link;
        t->relink = scan_ship_relink;
        t->use_centre = centre_always;
        t->is_obsolete = target_obsolete<OBJECT_SHIP>;
        t->describe = scan_ship_describe;
        t->execute = scan_ship_done;
        t->evaluate = scan_ship_evaluate;
        t->ship_utility = scan_ship_utility;
        t->combat_begin = scan_ship_begin;
        t->combat_next_option = ai_combat_search::memo_option_slot<scan_ship_option>;
        t->combat_score = ai_combat_search::memo_score_slot<scan_ship_score>;
        break;
    case TASK_RETREAT_SHIP:
        t->link = retreat_link;
        t->relink = retreat_relink;
        t->use_centre = centre_always;
        t->is_obsolete = target_obsolete<OBJECT_SHIP>;
        t->describe = retreat_describe;
        t->execute = target_gone;
        t->is_blocked = retreat_blocked;
        t->evaluate = retreat_evaluate;
        t->ship_utility = retreat_utility;
        t->combat_begin = retreat_begin;
        t->combat_next_option = ai_combat_search::memo_option_slot<retreat_option>;
        t->combat_score = ai_combat_search::memo_score_slot<retreat_score>;
        break;
    default:
        break;
    }
}

namespace {

template <ai_combat_search::RecordScoreFn *Score>
int32_t memo_record_score(AgentTask *task, AiPlayer *ai, Ship *ship, const ShipPlan &plan) {
    return ai_combat_search::memo_score(task, ai, ship, plan, Score);
}

}  // namespace

CombatRecordScoreFn *ai_combat_record_score(const AgentTask *task) {
    const AgentTaskType *t = task ? agent_task_type(task->type) : nullptr;
    if (!t || !t->combat_score) return nullptr;
    // Only the slots filled above: a type whose score slot was replaced is scored through it.
    if (t->combat_score == ai_combat_search::memo_score_slot<attack_ship_score>) return memo_record_score<attack_ship_score>;
    if (t->combat_score == ai_combat_search::memo_score_slot<attack_shot_score>) return memo_record_score<attack_shot_score>;
    if (t->combat_score == ai_combat_search::memo_score_slot<scan_ship_score>) return memo_record_score<scan_ship_score>;
    if (t->combat_score == ai_combat_search::memo_score_slot<retreat_score>) return memo_record_score<retreat_score>;
    return nullptr;
}

