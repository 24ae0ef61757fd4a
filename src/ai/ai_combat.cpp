// Combat command: the commander's planning (task map, assignment search, option search) and the
// carrying out of one plan step.
#include "ai/ai_combat.h"

#include <algorithm>
#include <vector>
#include "ai/agent_task.h"
#include "ai/ai_player.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/geometry.h"
#include "platform/log.h"
#include "platform/random.h"
#include "systems/system.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"
#include "world/world_hooks.h"

namespace {

constexpr int32_t MAX_PASSES = 300;
constexpr int32_t ACTOR_CHANGE_WEIGHT = 3;
constexpr int32_t KEEP_FREE_PASS = 7;   // every seventh pass keeps no ship where it was

// One 32-bit draw: the game's fourth generator while it resolves a battle at once, else the
// calling thread's quick generator.
uint32_t combat_random() {
    Game *game = game_get();
    if (game && (game->flags & GAME_FLAG_RESOLVE_AT_ONCE) && game->generators[GAME_GENERATOR_RESOLVE])
        return rng_next(game->generators[GAME_GENERATOR_RESOLVE]);
    return random_u32();
}

uint32_t draw_below(uint32_t n) { return n > 1 ? random_magnitude(combat_random()) % n : 0; }

ObjectMap *combat_map_of(const Ship *ship) {
    if (ship && ship->map) return ship->map;
    Game *game = game_get();
    return game ? game->combat_map : nullptr;
}

uint64_t task_of(const Ship *s) { return ai_ship_word(s, AI_SHIP_COMBAT_TASK); }
void set_task(Ship *s, uint64_t id) { ai_ship_set_word(s, AI_SHIP_COMBAT_TASK, id); }
uint64_t previous_of(const Ship *s) { return ai_ship_word(s, AI_SHIP_PREVIOUS_COMBAT_TASK); }
void set_previous(Ship *s, uint64_t id) { ai_ship_set_word(s, AI_SHIP_PREVIOUS_COMBAT_TASK, id); }

template <class F>
void each_task(AiPlayer *ai, F &&f) {
    if (!ai->tasks) return;
    HashMapIter<AgentTask> iter;
    hash_map_iter_init(&iter, ai->tasks);
    AgentTask *task = nullptr;
    while (hash_map_iter_next(&iter, nullptr, &task))
        if (task) f(task);
}

std::vector<Ship *> listed_ships(AiPlayer *ai) {
    std::vector<Ship *> out;
    if (!ai->ships) return out;
    for (GameObject *obj : ai->ships->items)
        if (Ship *s = ship_of(obj)) out.push_back(s);
    return out;
}

// Creates the task when none of that type, subtype and target is in the map.
void ensure_task(AiPlayer *ai, int32_t type, uint32_t subtype, uint64_t target_id, bool match_subtype) {
    const uint32_t mask = AI_MATCH_TYPE | AI_MATCH_TARGET | (match_subtype ? AI_MATCH_SUBTYPE : 0u);
    if (ai_find_task(ai, type, subtype, target_id, mask)) return;
    (void)ai_add_task(ai, agent_task_create(type, subtype, target_id));
}

// Removes finished tasks one at a time, freeing the ships that held them.
void sweep_tasks(AiPlayer *ai, Player *player) {
    for (;;) {
        AgentTask *done = nullptr;
        each_task(ai, [&](AgentTask *task) {
            if (!done && agent_task_check_done(task, ai, player)) done = task;
        });
        if (!done) return;
        for (Ship *s : listed_ships(ai))
            if (task_of(s) == done->id) set_task(s, 0);
        for (List<AgentTask> *list : {ai->listed, ai->selected, ai->open, ai->candidates})
            if (list) list_remove_value(list, done);
        const uint64_t id = done->id;
        hash_map_remove(ai->tasks, &id);
    }
}

int64_t priority_with_bonus(const AiPlayer *ai, const AgentTask *task) {
    int64_t total = task->priority;
    if (task->needed >= 1 && task->assigned >= task->needed) {
        const int64_t bonus = int64_t(ai->full_task_bonus) * task->priority / 100;
        if (bonus >= 1) total += bonus;
    }
    return total;
}

int32_t total_priority(AiPlayer *ai) {
    int64_t total = 0;
    each_task(ai, [&](AgentTask *task) { total += priority_with_bonus(ai, task); });
    return int32_t(std::clamp<int64_t>(total, INT32_MIN, INT32_MAX));
}

// What the passes of one assignment search share: the task map does not change while the search
// runs, and neither do the ships, so the walk of the map and each ship's utility for each selected
// task are taken once per search rather than once per pass.
struct AssignSearch {
    std::vector<AgentTask *> tasks;      // every task of the map
    std::vector<AgentTask *> selected;   // the unblocked tasks, in the selected list's order
    std::vector<uint8_t>     usable;     // [task * ships + ship]: the ship's utility for the task is not 0
    size_t                   ships = 0;
};

AssignSearch assign_search_of(AiPlayer *ai, const std::vector<Ship *> &ships) {
    AssignSearch a;
    each_task(ai, [&](AgentTask *task) { a.tasks.push_back(task); });
    if (ai->selected)
        for (AgentTask *task : ai->selected->items)
            if (task) a.selected.push_back(task);
    a.ships = ships.size();
    a.usable.resize(a.selected.size() * a.ships);
    for (size_t t = 0; t < a.selected.size(); ++t)
        for (size_t i = 0; i < a.ships; ++i)
            a.usable[t * a.ships + i] = agent_task_ship_utility(a.selected[t], ships[i]) != 0;
    return a;
}

void evaluate_all(AiPlayer *ai, Player *player, int32_t with_priority) {
    each_task(ai, [&](AgentTask *task) { agent_task_evaluate(task, ai, player, with_priority); });
}

void clear_all_assignees(AiPlayer *ai) {
    each_task(ai, [](AgentTask *task) { agent_task_clear_assignees(task); });
}

void join_task(AiPlayer *ai, Ship *ship) {
    if (AgentTask *task = ai_get_task(ai, task_of(ship))) agent_task_add_assignee(task, ship);
}

// One pass of the search: every ship in a random order keeps its best-table task or draws one.
int32_t assignment_pass(AiPlayer *ai, Player *player, const std::vector<Ship *> &ships, Ship *actor,
                        int32_t pass, const AssignSearch &search, std::vector<uint32_t> &open,
                        std::vector<uint32_t> &candidates) {
    const int32_t count = int32_t(ships.size());
    if (pass == 1)
        for (int32_t i = 0; i < count; ++i) ai->best_assignment[size_t(i)] = task_of(ships[size_t(i)]);
    const int32_t keep_chance = pass % KEEP_FREE_PASS == 0 ? 0 : int32_t(random_magnitude(combat_random()) % 61) + 20;
    for (AgentTask *task : search.tasks) agent_task_clear_assignees(task);
    open.clear();   // indices into search.selected
    for (uint32_t t = 0; t < uint32_t(search.selected.size()); ++t) open.push_back(t);
    int32_t open_count = int32_t(open.size());
    for (int32_t i = 0; i < count; ++i) ai->ship_indices[size_t(i)] = i;
    int32_t remaining = count, kept = 0;
    while (remaining > 0 && open_count > 0) {
        const int32_t pick = int32_t(draw_below(uint32_t(remaining)));
        const int32_t index = ai->ship_indices[size_t(pick)];
        ai->ship_indices[size_t(pick)] = ai->ship_indices[size_t(remaining - 1)];
        --remaining;
        Ship *ship = ships[size_t(index)];
        AgentTask *chosen = nullptr;
        if (keep_chance > 0 && int32_t(random_magnitude(combat_random()) % 100) + 1 <= keep_chance) {
            AgentTask *best = ai_get_task(ai, ai->best_assignment[size_t(index)]);
            if (best && agent_task_ship_utility(best, ship) != 0 && (kept < count - 1 || remaining > 0)) {
                chosen = best;
                ++kept;
            }
        }
        if (!chosen) {
            candidates.clear();
            for (uint32_t t : open)
                if (search.usable[size_t(t) * search.ships + size_t(index)]) candidates.push_back(t);
            if (!candidates.empty()) chosen = search.selected[candidates[draw_below(uint32_t(candidates.size()))]];
        }
        if (!chosen) {
            set_task(ship, 0);
            continue;
        }
        set_task(ship, chosen->id);
        agent_task_add_assignee(chosen, ship);
        agent_task_evaluate(chosen, ai, player, 1);
        if (chosen->assigned >= chosen->needed) {
            open.erase(std::remove_if(open.begin(), open.end(), [&](uint32_t t) { return search.selected[t] == chosen; }),
                       open.end());
            --open_count;
        }
    }
    // Ships the pass never reached (every task at its need) are left without a task.
    for (int32_t i = 0; i < remaining; ++i) set_task(ships[size_t(ai->ship_indices[size_t(i)])], 0);
    int64_t changes = 0;
    for (Ship *s : ships)
        if (previous_of(s) != 0 && task_of(s) != previous_of(s))
            changes += s == actor ? ACTOR_CHANGE_WEIGHT : 1;
    int64_t total = 0;
    for (const AgentTask *task : search.tasks) total += priority_with_bonus(ai, task);
    total = std::clamp<int64_t>(total, INT32_MIN, INT32_MAX);
    const int64_t penalty = int64_t(ai->reassign_penalty) * changes * changes;
    if (penalty > 0) total -= penalty;
    return int32_t(std::clamp<int64_t>(total, INT32_MIN, INT32_MAX));
}

GameObject *find_on_map(ObjectMap *map, uint64_t id) {
    if (id == 0) return nullptr;
    if (map)
        for (GameObject *obj : map->objects.items)
            if (obj && obj->id == id) return obj;
    return world_find_object(id);
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

int32_t ai_combat_pass_count(int32_t ship_count) { return std::min((ship_count + 16) * 5, MAX_PASSES); }

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
    if (map)
        for (GameObject *obj : map->objects.items) {
            if (!obj) continue;
            if (obj->kind == OBJECT_SHIP && obj->owner_id != player->id) {
                GameObject *snap = player_known_object_by_id(player, obj->id);
                if (snap && snap->kind != OBJECT_SHIP) snap = nullptr;
                if ((!snap || snap->snapshot_version <= 0) && !(obj->flags & OBJ_DEAD))
                    ensure_task(ai, TASK_SCAN_SHIP, 0, obj->id, false);
                if (snap) {
                    object_copy_record(snap, obj, 0);
                    if (ai->snapshots) list_append(ai->snapshots, snap);
                }
                if (obj->flags & OBJ_DEAD) continue;
                ensure_task(ai, TASK_ATTACK_SHIP, 0, obj->id, true);
                ensure_task(ai, TASK_ATTACK_SHIP, 1, obj->id, true);
            } else if (obj->kind == OBJECT_SHOT && obj->owner_id != player->id) {
                const GameObject *target = world_shot_target(obj);
                if (target && target->owner_id == player->id) ensure_task(ai, TASK_ATTACK_SHOT, 0, obj->id, false);
            } else if (obj->kind == OBJECT_SHIP && !(obj->flags & (OBJ_DEAD | OBJ_LEFT_MAP))) {
                if (ai->ships) list_append(ai->ships, obj);
                const Ship *own = ship_of(obj);
                if (!guardian && own && !(own->hull_flags & HULL_FLAG_NO_JUMP))
                    ensure_task(ai, TASK_RETREAT_SHIP, 0, obj->id, false);
            }
        }
    ai->ship_count = ai->ships ? list_count(ai->ships) : 0;
    sweep_tasks(ai, player);
    if (ai->listed) list_clear(ai->listed);
    each_task(ai, [&](AgentTask *task) {
        task->flags &= ~TASK_PICKED;
        agent_task_evaluate(task, ai, player, 0);
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
    if (AgentTask *task = ai_get_task(ai, task_of(ship))) ai_combat_plan_task(ai, ship, task);
}

void ai_combat_assign(AiPlayer *ai, Player *player, Ship *actor) {
    if (!ai || !player || !ai->tasks) return;
    evaluate_all(ai, player, 1);
    if (ai_task_count(ai) == 0) return;
    const int32_t start = (ai->flags & AI_FLAG_NEW_ENCOUNTER) ? 0 : total_priority(ai);
    const std::vector<Ship *> ships = listed_ships(ai);
    for (Ship *s : ships) set_previous(s, task_of(s));
    log_write(LOG_AGENT, 7, "\"%s\" command ship #%llu \"%s\" combat start utility %i", player->name.c_str(),
              actor ? (unsigned long long)actor->id : 0ull, actor ? object_get_name(actor) : "", start);
    const size_t count = ships.size();
    const bool resized = ai->ship_indices.size() != count;
    if (ai->best_assignment.size() != count) ai->best_assignment.assign(count, 0);
    if (resized) ai->ship_indices.assign(count, 0);
    if (ai->selected) {
        list_clear(ai->selected);
        each_task(ai, [&](AgentTask *task) {
            task->flags &= ~TASK_BLOCKED;
            if (!agent_task_check_blocked(task, ai, player)) list_append(ai->selected, task);
        });
    }
    int32_t best = -1;
    if (count > 0) {
        const AssignSearch search = assign_search_of(ai, ships);
        std::vector<uint32_t> open, candidates;
        const int32_t passes = ai_combat_pass_count(int32_t(count));
        for (int32_t pass = 1; pass <= passes; ++pass) {
            const int32_t total = assignment_pass(ai, player, ships, actor, pass, search, open, candidates);
            if (total > best) {
                best = total;
                for (size_t i = 0; i < count; ++i) ai->best_assignment[i] = task_of(ships[i]);
            }
        }
    }
    clear_all_assignees(ai);
    if (!resized && (best < 0 || best <= start)) {
        for (Ship *s : ships) {
            set_task(s, previous_of(s));
            join_task(ai, s);
        }
        evaluate_all(ai, player, 1);
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        Ship *s = ships[i];
        set_task(s, ai->best_assignment[i]);
        if (s == actor && task_of(s) != previous_of(s)) ai->flags &= ~AI_FLAG_PLAN_RUNNING;
        join_task(ai, s);
    }
    evaluate_all(ai, player, 1);
}

void ai_combat_plan_task(AiPlayer *ai, Ship *ship, AgentTask *task) {
    if (ai->flags & AI_FLAG_PLAN_RUNNING) {
        ai->plan_step += 1;
        if (ai->plan_step >= ai->plan[AI_OPT_STEPS]) ai->flags &= ~AI_FLAG_PLAN_RUNNING;
    }
    if (ai->flags & AI_FLAG_PLAN_RUNNING) return;
    int32_t best_index = -1, best_score = 0;
    ship->option = ShipPlan{};
    agent_task_combat_begin(task, ai, ship);
    for (int32_t k = 0;; ++k) {
        ship->option = ShipPlan{};
        if (agent_task_combat_next_option(task, ai, ship, k) != 0) break;
        const int32_t score = ship->option.step_count >= 1 ? agent_task_combat_score(task, ai, ship) : 0;
        if (score > best_score) {
            best_score = score;
            best_index = k;
            ship->option.score = score;
            ship->option.index = k;
            ai_option_to_words(&ship->option, ai->best_option, ai->best_targets);
        }
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
    if (!ai_get_task(ai, task_of(ship))) {
        end_turn(ship);
        return;
    }
    if (!(ai->flags & AI_FLAG_PLAN_RUNNING)) end_turn(ship);
    else (void)carry_out(ai, ship, ai->plan_step);
    sweep_tasks(ai, player);
}

void ai_plan_ship(Player *owner, Ship *ship) {
    if (owner && ship) ai_combat_plan(owner->commander_ai, owner, ship);
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
