// Combat command: the commander's planning (task map, option search; the assignment search is in
// ai_combat_assign.cpp) and the carrying out of one plan step.
#include "ai/ai_combat.h"

#include <algorithm>
#include <array>
#include <bit>
#include <memory>
#include <vector>
#include "ai/agent_task.h"
#include "ai/ai_combat_caches.h"
#include "ai/ai_combat_scorer.h"
#include "ai/ai_combat_task_map.h"
#include "ai/ai_player.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/geometry.h"
#include "platform/log.h"
#include "systems/system.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"
#include "world/shot.h"

namespace {

ObjectMap *combat_map_of(const Ship *ship) {
    if (ship && ship->map) return ship->map;
    Game *game = game_get();
    return game ? game->combat_map : nullptr;
}

// The tasks of the map by type and target, and by type, subtype and target, so that the scan of the
// combat map finds whether a task exists without walking the map for every object. An open-addressed
// table of keys, rebuilt for every plan; it never forgets a key, as the scan only adds tasks.
struct TaskKey {
    uint64_t target_id = 0;
    uint32_t type = 0, subtype = 0;
    bool     any_subtype = false;
    bool     used = false;
    bool same(const TaskKey &o) const {
        return target_id == o.target_id && type == o.type && subtype == o.subtype && any_subtype == o.any_subtype;
    }
};

class CombatTaskIndex {
public:
    explicit CombatTaskIndex(size_t expected) { slots_.resize(std::bit_ceil(std::max<size_t>(expected * 2, 16))); }

    bool contains(const TaskKey &key) const {
        const size_t mask = slots_.size() - 1;
        for (size_t i = slot_of(key);; i = (i + 1) & mask) {
            if (!slots_[i].used) return false;
            if (slots_[i].same(key)) return true;
        }
    }

    void insert(TaskKey key) {
        if ((count_ + 1) * 2 > slots_.size()) grow();
        const size_t mask = slots_.size() - 1;
        for (size_t i = slot_of(key);; i = (i + 1) & mask) {
            if (!slots_[i].used) {
                key.used = true;
                slots_[i] = key;
                ++count_;
                return;
            }
            if (slots_[i].same(key)) return;
        }
    }

private:
    std::vector<TaskKey> slots_;
    size_t count_ = 0;

    size_t slot_of(const TaskKey &k) const {
        uint64_t h = k.target_id * 0x9E3779B97F4A7C15ull;
        h ^= (uint64_t(k.type) << 33) ^ (uint64_t(k.subtype) << 1) ^ uint64_t(k.any_subtype);
        h *= 0xBF58476D1CE4E5B9ull;
        return size_t(h >> 32) & (slots_.size() - 1);
    }

    void grow() {
        std::vector<TaskKey> old;
        old.swap(slots_);
        slots_.resize(old.size() * 2);
        count_ = 0;
        for (const TaskKey &k : old)
            if (k.used) insert(k);
    }
};

void index_task(CombatTaskIndex *index, const AgentTask *task) {
    index->insert(TaskKey{.target_id = task->target_id, .type = task->type, .subtype = 0, .any_subtype = true});
    index->insert(TaskKey{.target_id = task->target_id, .type = task->type, .subtype = task->subtype, .any_subtype = false});
}

// Creates the task when none of that type, subtype and target is in the map.
void ensure_task(AiPlayer *ai, CombatTaskIndex *index, int32_t type, uint32_t subtype, uint64_t target_id,
                 bool match_subtype) {
    const TaskKey key{.target_id = target_id, .type = uint32_t(type), .subtype = match_subtype ? subtype : 0u,
                      .any_subtype = !match_subtype};
    if (index->contains(key)) return;
    if (const AgentTask *task = ai_add_task(ai, agent_task_create(type, subtype, target_id))) index_task(index, task);
}

// Removes finished tasks one at a time, freeing the ships that held them.
void sweep_tasks(AiPlayer *ai, Player *player) {
    for (;;) {
        AgentTask *done = nullptr;
        ai_combat_each_task(ai, [&](AgentTask *task) {
            if (!done && agent_task_check_done(task, ai, player)) done = task;
        });
        if (!done) return;
        for (Ship *s : ai_combat_listed_ships(ai))
            if (ai_combat_task_of(s) == done->id) ai_combat_set_task(s, 0);
        for (List<AgentTask> *list : {ai->listed, ai->selected, ai->open, ai->candidates})
            if (list) list_remove_value(list, done);
        const uint64_t id = done->id;
        hash_map_remove(ai->tasks, &id);
    }
}

GameObject *find_on_map(ObjectMap *map, uint64_t id) {
    if (id == 0) return nullptr;
    if (map)
        for (GameObject *obj : map->objects.items)
            if (obj && obj->id == id) return obj;
    return game_find_object(game_get(), id);
}

// The ship ends its turn without acting.
void end_turn(Ship *ship) { object_end_turn(ship); }

// Carries out step s of the plan; false when the ship's turn ended.
bool carry_out(AiPlayer *ai, Ship *ship, int32_t s) {
    const int32_t *plan = ai->plan;
    const int32_t steps = std::clamp(plan[AI_OPT_STEPS], 0, AI_PLAN_STEPS);
    const int32_t code = s >= 0 && s < steps ? plan[AI_OPT_CODE + s] : PLAN_NONE;
    const bool at_once = system_resolve_at_once();
    switch (code) {
    case PLAN_NONE:
        ship->ai_word = 0;
        end_turn(ship);
        return false;
    case PLAN_END_EFFECTS:
        ship->ai_word = 0;
        if (ship->ship_flags & SHIP_FLAG_RETREATING) ship_retreat_step(ship);
        else ship_begin_retreat(ship);
        end_turn(ship);
        return false;
    case PLAN_TURN:
        ship->ai_word += 1;
        if (ship_turn(ship, plan[AI_OPT_PARAM + s]) != RES_OK) {
            end_turn(ship);
            return false;
        }
        if (at_once) object_finish_rotation(ship);
        return true;
    case PLAN_SCAN: {
        ship->ai_word = 0;
        GameObject *target = find_on_map(ship->map, ai->plan_targets[s]);
        if (!target || ship_scan(ship, target) != RES_OK) {
            end_turn(ship);
            return false;
        }
        ship_add_ap(ship, -ship->scan_cost);
        if (at_once) ship_clear_scan_target(ship);
        else object_set_busy(ship);
        return true;
    }
    case PLAN_MOVE:
        ship->ai_word += 1;
        if (ship_move(ship, plan[AI_OPT_X + s], plan[AI_OPT_Y + s], 1) != RES_OK) {
            end_turn(ship);
            return false;
        }
        if (at_once) object_finish_travel(ship);
        return true;
    default: {
        ship->ai_word = 0;
        System *system = code >= 0 && code < ship->crit_count ? ship_get_crit_system(ship, code) : nullptr;
        if (!system) {
            end_turn(ship);
            return false;
        }
        GameObject *target = find_on_map(ship->map, ai->plan_targets[s]);
        int32_t x = plan[AI_OPT_TARGET_X + s], y = plan[AI_OPT_TARGET_Y + s];
        if (target && (system->flags & SYSTEM_FLAG_NEEDS_TARGET)) {
            x = target->x + target->w / 2;
            y = target->y + target->h / 2;
        }
        int32_t out = 0;
        if (ship_use_system(ship, code, target, x, y, &out) != RES_OK) {
            end_turn(ship);
            return false;
        }
        return true;
    }
    }
}

}  // namespace

void ai_option_to_words(const ShipPlan *plan, int32_t *words, uint64_t *target_ids) {
    std::fill(words, words + AI_PLAN_WORDS, 0);
    std::fill(target_ids, target_ids + AI_PLAN_STEPS, 0);
    const int32_t steps = std::clamp(plan->step_count, 0, AI_PLAN_STEPS);
    words[AI_OPT_STEPS] = steps;
    words[AI_OPT_SCORE] = plan->score;
    words[AI_OPT_INDEX] = plan->index;
    for (int32_t s = 0; s < steps; ++s) {
        const ShipPlanStep &step = plan->steps[s];
        words[AI_OPT_CODE + s] = step.code;
        words[AI_OPT_X + s] = step.x;
        words[AI_OPT_Y + s] = step.y;
        words[AI_OPT_PARAM + s] = step.heading;
        words[AI_OPT_TARGET_X + s] = step.target_x;
        words[AI_OPT_TARGET_Y + s] = step.target_y;
        words[AI_OPT_HIT + s] = step.hit_chance;
        words[AI_OPT_DAMAGE + s] = step.damage;
        target_ids[s] = step.target ? step.target->id : 0;
    }
}


void ai_combat_plan(AiPlayer *ai, Player *player, Ship *ship) {
    if (!ai || !player || !ship || ai->kind != AI_KIND_COMMANDER || (ai->flags & AI_FLAG_PLAN_MADE)) return;
    ai->flags |= AI_FLAG_PLAN_MADE;
    if (ai->plan_ship_id != ship->id) {
        ai->flags &= ~AI_FLAG_PLAN_RUNNING;
        ai->plan_ship_id = ship->id;
    }
    ObjectMap *map = combat_map_of(ship);
    ai->map_diagonal = map ? distance(map->world_w, map->world_h) : 0;
    for (List<GameObject> *list : {ai->snapshots, ai->spare, ai->ships})
        if (list) list_clear(list);
    const bool guardian = game_get() && player->id == game_get()->sol_player_id;
    CombatTaskIndex index(size_t(ai_task_count(ai)) * 2 + (map ? map->objects.items.size() * 6 : 0));
    ai_combat_each_task(ai, [&](const AgentTask *task) { index_task(&index, task); });
    if (map)
        for (GameObject *obj : map->objects.items) {
            if (!obj) continue;
            if (obj->kind == OBJECT_SHIP && obj->owner_id != player->id) {
                GameObject *snap = player_known_object_by_id(player, obj->id);
                if (snap && snap->kind != OBJECT_SHIP) snap = nullptr;
                if ((!snap || snap->snapshot_version <= 0) && !(obj->flags & OBJ_DEAD))
                    ensure_task(ai, &index, TASK_SCAN_SHIP, 0, obj->id, false);
                if (snap) {
                    object_copy_record(snap, obj, 0);
                    if (ai->snapshots) list_append(ai->snapshots, snap);
                }
                if (obj->flags & OBJ_DEAD) continue;
                ensure_task(ai, &index, TASK_ATTACK_SHIP, 0, obj->id, true);
                ensure_task(ai, &index, TASK_ATTACK_SHIP, 1, obj->id, true);
            } else if (obj->kind == OBJECT_SHOT && obj->owner_id != player->id) {
                const GameObject *target = shot_target_of(obj);
                if (target && target->owner_id == player->id) ensure_task(ai, &index, TASK_ATTACK_SHOT, 0, obj->id, false);
            } else if (obj->kind == OBJECT_SHIP && !(obj->flags & (OBJ_DEAD | OBJ_LEFT_MAP))) {
                if (ai->ships) list_append(ai->ships, obj);
                const Ship *own = ship_of(obj);
                if (!guardian && own && !(own->hull_flags & HULL_FLAG_NO_JUMP))
                    ensure_task(ai, &index, TASK_RETREAT_SHIP, 0, obj->id, false);
            }
        }
    ai->ship_count = ai->ships ? list_count(ai->ships) : 0;
    sweep_tasks(ai, player);
    if (ai->listed) list_clear(ai->listed);
    // The assignment below evaluates every task with its priority before it reads any figure, so
    // an evaluation without priority here would be overwritten unread.
    ai_combat_each_task(ai, [&](AgentTask *task) {
        task->flags &= ~TASK_PICKED;
        task->inherited_utility = 0;
        if (ai->listed) list_append(ai->listed, task);
    });
    if (ai->flags & AI_FLAG_NEW_ENCOUNTER) {
        log_write(LOG_AGENT, 6, "#%llu \"%s\" assign initial ship tasks", (unsigned long long)player->id,
                  player->name.c_str());
        ai_combat_assign(ai, player, ship);
        ai->flags &= ~AI_FLAG_NEW_ENCOUNTER;
    }
    ai_combat_assign(ai, player, ship);
    if (AgentTask *task = ai_get_task(ai, ai_combat_task_of(ship))) ai_combat_plan_task(ai, ship, task);
}

namespace {

// The task's agent_task_combat_next_option slot, looked up once for a whole search.
struct NextOption {
    TaskCombatOptionFn *fn = nullptr;
    explicit NextOption(const AgentTask *task) {
        if (const AgentTaskType *type = agent_task_type(int32_t(task->type))) fn = type->combat_next_option;
    }
    // Builds option `index` into the ship's record; false when the options have run out. Every step
    // an option writes is written whole, so emptying the record is emptying its count.
    bool build(AgentTask *task, AiPlayer *ai, Ship *ship, int32_t index) const {
        ship->option.step_count = 0;
        ship->option.score = 0;
        ship->option.index = 0;
        return (fn ? fn(task, ai, ship, index) : AGENT_TASK_NO_OPTION) == 0;
    }
};

// The option search scored on this thread: each option as it is built.
int32_t plan_task_options(AiPlayer *ai, Ship *ship, AgentTask *task) {
    int32_t best_index = -1, best_score = 0;
    const NextOption next_option(task);
    for (int32_t k = 0; next_option.build(task, ai, ship, k); ++k) {
        const int32_t score = ship->option.step_count >= 1 ? agent_task_combat_score(task, ai, ship) : 0;
        if (score > best_score) {
            best_score = score;
            best_index = k;
            ship->option.score = score;
            ship->option.index = k;
            ai_option_to_words(&ship->option, ai->best_option, ai->best_targets);
        }
    }
    return best_index;
}

}  // namespace

void ai_combat_plan_task(AiPlayer *ai, Ship *ship, AgentTask *task) {
    if (ai->flags & AI_FLAG_PLAN_RUNNING) {
        ai->plan_step += 1;
        if (ai->plan_step >= ai->plan[AI_OPT_STEPS]) ai->flags &= ~AI_FLAG_PLAN_RUNNING;
    }
    if (ai->flags & AI_FLAG_PLAN_RUNNING) return;
    int32_t best_index = -1;
    ship->option = ShipPlan{};
    agent_task_combat_begin(task, ai, ship);
    if (CombatScorer *scorer = ai_combat_scorer_open(task, ai, ship)) {
        // The options are built here, one after another (they draw from the battle's generator),
        // and scored on the scorer's thread meanwhile; it keeps the best as the loop below does.
        const NextOption next_option(task);
        for (int32_t k = 0; next_option.build(task, ai, ship, k); ++k)
            if (ship->option.step_count >= 1) ai_combat_scorer_push(scorer, k, ship->option);
        ShipPlan best;
        best_index = ai_combat_scorer_close(scorer, &best);
        if (best_index >= 0) ai_option_to_words(&best, ai->best_option, ai->best_targets);
    } else {
        best_index = plan_task_options(ai, ship, task);
    }
    if (best_index < 0) return;
    std::copy(std::begin(ai->best_option), std::end(ai->best_option), ai->plan);
    std::copy(std::begin(ai->best_targets), std::end(ai->best_targets), ai->plan_targets);
    ai->flags |= AI_FLAG_PLAN_RUNNING;
    ai->plan_step = 0;
}

void ai_combat_command(AiPlayer *ai, Player *player, Ship *ship) {
    if (!ai || !ship) return;
    ai->flags &= ~AI_FLAG_PLAN_MADE;
    if (ai->kind != AI_KIND_COMMANDER) {
        end_turn(ship);
        return;
    }
    if (!ai_get_task(ai, ai_combat_task_of(ship))) {
        end_turn(ship);
        return;
    }
    if (!(ai->flags & AI_FLAG_PLAN_RUNNING)) end_turn(ship);
    else (void)carry_out(ai, ship, ai->plan_step);
    sweep_tasks(ai, player);
}

void ai_plan_ship(Player *owner, Ship *ship) {
    if (!owner || !ship) return;
    // Planning only reads the model: the map stands still until the plan is made.
    AiPlanCaches plan;
    ai_combat_plan(owner->commander_ai, owner, ship);
}

void ai_act_ship(Player *owner, Ship *ship) {
    if (!owner || !ship) return;
    if (owner->commander_ai) ai_combat_command(owner->commander_ai, owner, ship);
    else end_turn(ship);
}

namespace {

int32_t area_value(int32_t x, int32_t y, int32_t power, int32_t radius, uint64_t excluded_id, uint64_t owner_id,
                   int32_t own_weight, int32_t other_weight, bool shots_double) {
    if (radius < 1) return 0;
    Game *game = game_get();
    ObjectMap *map = game ? game->combat_map : nullptr;
    if (!map) return 0;
    int64_t sum = 0;
    for (GameObject *obj : map->objects.items) {
        if (!obj || obj->owner_id == 0 || (excluded_id != 0 && obj->id == excluded_id)) continue;
        const int32_t d = distance(obj->x + obj->w / 2 - x, obj->y + obj->h / 2 - y);
        if (d >= radius) continue;
        int64_t v = d < radius / 2 ? power : std::max<int64_t>(1, int64_t(d) * power / radius);
        if (const Ship *s = ship_of(obj); s && s->online_load_a > 15) v = v * s->online_load_a / 15;
        if (obj->owner_id == owner_id) {
            sum -= v * own_weight / 100;
        } else {
            int64_t term = v * other_weight / 100;
            if (shots_double && obj->kind == OBJECT_SHOT) term *= 2;
            sum += term;
        }
    }
    return int32_t(std::clamp<int64_t>(sum, INT32_MIN, INT32_MAX));
}

}  // namespace

int32_t ai_area_effect_value(int32_t x, int32_t y, int32_t power, int32_t radius, uint64_t excluded_id,
                             uint64_t owner_id, int32_t own_weight, int32_t other_weight) {
    return area_value(x, y, power, radius, excluded_id, owner_id, own_weight, other_weight, false);
}

int32_t ai_area_effect_value_shots(int32_t x, int32_t y, int32_t power, int32_t radius, uint64_t excluded_id,
                                   uint64_t owner_id, int32_t own_weight, int32_t other_weight) {
    return area_value(x, y, power, radius, excluded_id, owner_id, own_weight, other_weight, true);
}
