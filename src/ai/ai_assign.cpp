// The galaxy command's ship assignment search and defence assignment.
//
// Readings taken where the rules leave room:
//  - Each pass of the ship search starts every assignable ship with no task, so a pass that ends
//    early (every open task has what it needs) leaves the ships it did not reach without a task
//    rather than with whatever an earlier pass gave them.
//  - The best assignment is applied only when its total is above the starting total; there is no
//    shortcut that applies it outright because some ship lost the task it held before the search.
//    Otherwise every assignable ship gets back the task it held. Locked ships end with none.
//  - The ships of a selected strike that already has what it needs are held on it and not drawn
//    again: the daily search would otherwise scatter a gathered group before it strikes. While a
//    colony starbase waits for crew that no ship brings, the group's piloted ships are drawn as
//    any other: only a piloted ship carries crew.
//  - The ship of a selected crew delivery to a colony starbase is held on it the same way until the
//    crew is aboard: a delivery is a trip to a manned starbase and on, which a daily change undoes.
//  - So is a pilotless ship on its way to an officer: every pick-up weighs the same whichever ship
//    goes, so any gain elsewhere redrew them all and a trip of weeks never ended.
#include "ai/ai_assign.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>
#include "ai/agent_task.h"
#include "ai/ai_player.h"
#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "platform/log.h"
#include "platform/random.h"
#include "systems/plan_check.h"
#include "world/fleet.h"
#include "world/object.h"
#include "world/ship.h"

namespace {

constexpr int32_t PASS_BASE = 600;
constexpr int32_t PASS_PER_SHIP = 48;
constexpr int32_t PASS_MAX = 4096;
constexpr int32_t TRIALS_PER_SHIP = 10;
constexpr int32_t TRIAL_EXTRA_SHIPS = 6;
constexpr int32_t TRIAL_MAX = 512;
constexpr int32_t KEEP_EVERY = 7;        // every seventh pass keeps nothing of the best so far
constexpr int32_t KEEP_SPAN = 61;        // keep chances run from 20 to 80 percent
constexpr int32_t KEEP_LOW = 20;

// |r| of a 32-bit draw, without overflow at the most negative value.
uint32_t draw() {
    const int32_t r = int32_t(random_u32());
    return r < 0 ? uint32_t(-int64_t(r)) : uint32_t(r);
}

uint32_t draw_index_below(uint32_t n) { return n > 1 ? draw() % n : 0; }

template <class Fn>
void each_task(AiPlayer *ai, Fn fn) {
    if (!ai->tasks) return;
    HashMapIter<AgentTask> iter;
    hash_map_iter_init(&iter, ai->tasks);
    AgentTask *task = nullptr;
    while (hash_map_iter_next(&iter, nullptr, &task))
        if (task) fn(task);
}

// The sum over every task.
int64_t assignment_total(AiPlayer *ai) {
    int64_t total = 0;
    each_task(ai, [&](AgentTask *t) { total += agent_task_total(ai, t); });
    return total;
}

bool ship_locked(GameObject *ship) {
    const Ship *s = ship_of(ship);
    return s && (s->ship_flags & SHIP_FLAG_AI_LOCKED);
}

// Locks the ships of a fleet that came back from a battle; frees every other ship.
void update_lock(GameObject *obj) {
    Ship *ship = ship_of(obj);
    if (!ship) return;
    const Fleet *fleet = ship->fleet_id ? fleet_of(game_find_object(game_get(), ship->fleet_id)) : nullptr;
    if (fleet && (fleet->fleet_flags & FLEET_RETREATED)) ship->ship_flags |= SHIP_FLAG_AI_LOCKED;
    else ship->ship_flags &= ~SHIP_FLAG_AI_LOCKED;
}

void join(AiPlayer *ai, GameObject *ship, uint64_t task_id) {
    if (AgentTask *t = ai_get_task(ai, task_id)) agent_task_add_assignee(t, ship);
}

// The set bits of a word, in line (std::popcount is a library call on a build for any x86-64).
// The set bits of each byte of a word, in that byte.
uint64_t byte_counts(uint64_t x) {
    x -= (x >> 1) & 0x5555555555555555ull;
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    return (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
}

int32_t bit_count(uint64_t x) { return int32_t((byte_counts(x) * 0x0101010101010101ull) >> 56); }

// Where the k-th set bit of a word lies (k below the word's count): the byte that holds it from
// the bytes' running counts, then the bit within that byte from a table.
struct ByteSelect {
    uint8_t at[256][8] = {};
    constexpr ByteSelect() {
        for (int32_t byte = 0; byte < 256; ++byte)
            for (int32_t bit = 0, k = 0; bit < 8; ++bit)
                if (byte >> bit & 1) at[byte][k++] = uint8_t(bit);
    }
};
constexpr ByteSelect BYTE_SELECT;

int32_t select_bit(uint64_t x, int32_t k) {
    const uint64_t running = byte_counts(x) * 0x0101010101010101ull;   // byte i: the set bits of bytes 0..i
    int32_t byte = 0;
    while (int32_t(running >> (8 * byte) & 0xFF) <= k) ++byte;
    const int32_t before = byte > 0 ? int32_t(running >> (8 * (byte - 1)) & 0xFF) : 0;
    return 8 * byte + BYTE_SELECT.at[x >> (8 * byte) & 0xFF][k - before];
}

// The selected tasks still open in a pass, in their selected order, as a row of bits: a task
// closes (its first open place, should it be listed twice) once it has what it needs. A ship's use
// to a task reads only the ship and the task's target, which the passes leave alone, so each ship's
// useful tasks are a row of bits asked once, and the open ones it may draw are the rows' overlap.
class OpenTasks {
public:
    using Bits = std::vector<uint64_t>;
    explicit OpenTasks(const std::vector<AgentTask *> &selected) {
        for (AgentTask *t : selected)
            if (t) tasks_.push_back(t);
        all_.assign((tasks_.size() + 63) / 64, 0);
        for (size_t at = 0; at < tasks_.size(); ++at) all_[at / 64] |= uint64_t(1) << (at % 64);
        open_ = all_;
        for (size_t at = 0; at < tasks_.size(); ++at) places_.push_back({tasks_[at], at});
        std::stable_sort(places_.begin(), places_.end(),
                         [](const Place &a, const Place &b) { return before(a.task, b.task); });
        first_.assign(tasks_.size(), -1);
        next_.assign(tasks_.size(), -1);
        for (size_t p = 0; p < places_.size(); ++p) {
            const bool same = p > 0 && places_[p - 1].task == places_[p].task;
            first_[places_[p].at] = same ? first_[places_[p - 1].at] : int32_t(places_[p].at);
            if (same) next_[places_[p - 1].at] = int32_t(places_[p].at);
        }
    }
    int32_t size() const { return int32_t(tasks_.size()); }
    AgentTask *task(int32_t at) const { return tasks_[size_t(at)]; }
    // Where the task listed at `at` is first listed: a place of its own for whatever the search
    // keeps by task.
    int32_t first(int32_t at) const { return first_[size_t(at)]; }
    void reopen() { std::copy(all_.begin(), all_.end(), open_.begin()); }
    // Closes the first open place of the task first listed at `first` (none: -1).
    bool close_at(int32_t first) {
        for (int32_t at = first; at >= 0; at = next_[size_t(at)])
            if (open_[size_t(at) / 64] >> (at % 64) & 1) {
                open_[size_t(at) / 64] &= ~(uint64_t(1) << (at % 64));
                return true;
            }
        return false;
    }
    // Where the task is first listed, or -1.
    int32_t place_of(const AgentTask *t) const {
        auto it = std::lower_bound(places_.begin(), places_.end(), t,
                                   [](const Place &p, const AgentTask *k) { return before(p.task, k); });
        return it != places_.end() && it->task == t ? int32_t(it->at) : -1;
    }
    Bits useful_to(GameObject *ship) const {
        Bits bits(open_.size(), 0);
        for (size_t at = 0; at < tasks_.size(); ++at)
            if (agent_task_ship_utility(tasks_[at], ship) != 0) bits[at / 64] |= uint64_t(1) << (at % 64);
        return bits;
    }
    // Whether the task at a place is of use to the ship with these bits.
    static bool has(const Bits &useful, int32_t at) { return useful[size_t(at) / 64] >> (at % 64) & 1; }
    // The open tasks useful to a ship: how many, and the k-th of them in selected order.
    int32_t open_count(const Bits &useful) const {
        int32_t n = 0;
        for (size_t w = 0; w < open_.size(); ++w) n += bit_count(useful[w] & open_[w]);
        return n;
    }
    // The place of the k-th, or -1.
    int32_t open_place(const Bits &useful, int32_t k) const {
        for (size_t w = 0; w < open_.size(); ++w) {
            uint64_t bits = useful[w] & open_[w];
            const int32_t here = bit_count(bits);
            if (k >= here) {
                k -= here;
                continue;
            }
            return int32_t(w * 64 + size_t(select_bit(bits, k)));
        }
        return -1;
    }

private:
    struct Place {
        const AgentTask *task;
        size_t at;
    };
    static bool before(const AgentTask *a, const AgentTask *b) { return std::less<const AgentTask *>()(a, b); }
    std::vector<AgentTask *> tasks_;
    Bits open_, all_;
    std::vector<Place> places_;   // by task, then by selected order: where each task is listed
    std::vector<int32_t> first_, next_;   // by place: the task's first place, and its next one (or -1)
};

// A selected strike whose group already brings what it needs: its ships stay with it through the
// search, so the group that gathered is the group that strikes.
bool ready_strike(const AgentTask *t) {
    if (!t || (t->type != uint32_t(TASK_ATTACK_SECTOR) && t->type != uint32_t(TASK_ATTACK_FLEET))) return false;
    return (t->flags & TASK_PICKED) && t->needed >= 1 && t->assigned >= t->needed;
}

// A selected crew delivery to a colony starbase (a sector, not a ship, is its target).
bool colony_crew(const AgentTask *t) {
    if (!t || t->type != uint32_t(TASK_TRANSFER_CREW) || !(t->flags & TASK_PICKED)) return false;
    const GameObject *target = game_find_object(game_get(), t->target_id);
    return target && target->kind == OBJECT_SECTOR;
}

// A selected pilot pick-up whose first ship is still fit to take him, while he waits at a starbase
// of his own with no enemy there: that ship is on its way to him and can take him aboard.
bool pilot_trip(AgentTask *t, GameObject *obj, const Player *player) {
    if (!t || t->type != uint32_t(TASK_ASSIGN_SHIP_PILOT) || !(t->flags & TASK_PICKED)) return false;
    if (t->assigned < 1 || list_get(&t->assignees, 0) != obj || agent_task_ship_utility(t, obj) == 0) return false;
    const Officer *officer = game_find_player_officer(player->id, t->target_id);
    return officer && officer->ship_id == 0 && officer_at_friendly_starbase(officer);
}

bool held_task(AgentTask *t, bool crew_waiting, GameObject *obj, const Player *player) {
    if (colony_crew(t)) return t->needed >= 1 && t->assigned >= t->needed;
    if (pilot_trip(t, obj, player)) return true;
    const Ship *ship = ship_of(obj);
    return ready_strike(t) && !(crew_waiting && ship && ship->pilot_id != 0);
}

// Folds the distance the ship that just joined the task adds to its priority, worked out into
// `kept` (-1: not yet) the first time the pair meets.
void fold_distance(AgentTaskFold *fold, int32_t *kept, AgentTask *task, AiPlayer *ai, GameObject *ship) {
    if (*kept < 0) *kept = agent_task_assignee_distance(task, ai, ship);
    fold->distances += *kept;
    ++fold->distant;
}

int64_t penalty(const AiPlayer *ai, int64_t moved) {
    const int64_t p = int64_t(ai->reassign_penalty) * moved * moved;
    return p > 0 ? p : 0;
}

}  // namespace

int32_t ai_assign_pass_count(int32_t assignable) {
    return int32_t(std::min<int64_t>(PASS_BASE + int64_t(PASS_PER_SHIP) * std::max(assignable, 0), PASS_MAX));
}

int32_t ai_defence_trial_count(int32_t defenders) {
    return int32_t(std::min<int64_t>(int64_t(TRIALS_PER_SHIP) * (std::max(defenders, 0) + TRIAL_EXTRA_SHIPS), TRIAL_MAX));
}

void ai_assign_ships(AiPlayer *ai, Player *player) {
    if (!ai || !player) return;
    std::vector<GameObject *> ships;
    for (GameObject *obj : player->objects.items)
        if (obj) ships.push_back(obj);
    const int32_t count = int32_t(ships.size());
    if (count < 1) return;

    // 1-2. Last turn's assignment and its total.
    each_task(ai, [](AgentTask *t) { agent_task_clear_assignees(t); });
    for (GameObject *ship : ships) join(ai, ship, ai_ship_word(ship, AI_SHIP_GALAXY_TASK));
    each_task(ai, [&](AgentTask *t) { agent_task_evaluate(t, ai, player, 1); });
    const int64_t start = assignment_total(ai);

    // 3. Tables, previous tasks, locks.
    if (int32_t(ai->best_assignment.size()) != count) ai->best_assignment.assign(size_t(count), 0);
    if (int32_t(ai->ship_indices.size()) != count) ai->ship_indices.assign(size_t(count), 0);
    bool crew_waiting = false;   // a colony starbase waits for crew that no ship brings
    each_task(ai, [&](AgentTask *t) { crew_waiting = crew_waiting || (colony_crew(t) && agent_task_assignee_count(t) == 0); });
    std::vector<int32_t> assignable, held;
    for (int32_t i = 0; i < count; ++i) {
        ai_ship_set_word(ships[size_t(i)], AI_SHIP_PREVIOUS_TASK, ai_ship_word(ships[size_t(i)], AI_SHIP_GALAXY_TASK));
        update_lock(ships[size_t(i)]);
        if (ship_locked(ships[size_t(i)])) continue;
        AgentTask *before = ai_get_task(ai, ai_ship_word(ships[size_t(i)], AI_SHIP_GALAXY_TASK));
        if (held_task(before, crew_waiting, ships[size_t(i)], player)) held.push_back(i);
        else assignable.push_back(i);
    }
    const int32_t n = int32_t(assignable.size());
    log_write(LOG_AGENT, LOG_DEBUG3, "\"%s\" galaxy start utility %i, assign ship count %i", player->name.c_str(),
              int32_t(std::clamp<int64_t>(start, INT32_MIN, INT32_MAX)), n);

    // 5. The passes.
    int64_t best = -1;
    const std::vector<AgentTask *> selected =
        ai->selected ? std::vector<AgentTask *>(ai->selected->items.begin(), ai->selected->items.end())
                     : std::vector<AgentTask *>();
    OpenTasks open(selected);
    std::vector<OpenTasks::Bits> useful(static_cast<size_t>(count));
    for (int32_t i : assignable) useful[size_t(i)] = open.useful_to(ships[size_t(i)]);
    const int32_t passes = n > 0 ? ai_assign_pass_count(n) : 0;
    // Nothing in the model moves while the passes weigh assignments: the evaluations share a memo.
    std::optional<AgentTaskMemoScope> memo;
    if (passes > 0) memo.emplace(ai);
    // A task no ship joined in a pass stays as the pass's start cleared it, with nothing to add to
    // the total: after the first pass only the tasks the last pass joined are cleared and summed.
    std::vector<AgentTask *> joined;
    // The tasks the ships' words name, by ship: no task comes or goes while the passes run. `now`
    // follows the ships' words through a pass, `best_tasks` the best assignment's; each with the
    // task's first place among the selected (-1: none), and the task last turn's words name.
    std::vector<AgentTask *> now(static_cast<size_t>(count)), best_tasks(static_cast<size_t>(count));
    std::vector<int32_t> now_places(static_cast<size_t>(count)), best_places(static_cast<size_t>(count));
    std::vector<uint64_t> previous(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        now[size_t(i)] = ai_get_task(ai, ai_ship_word(ships[size_t(i)], AI_SHIP_GALAXY_TASK));
        now_places[size_t(i)] = now[size_t(i)] ? open.place_of(now[size_t(i)]) : -1;
        previous[size_t(i)] = ai_ship_word(ships[size_t(i)], AI_SHIP_PREVIOUS_TASK);
    }
    // What the evaluations took of each selected task's assignees so far in the pass, by its first
    // place: a join adds one ship to the list, and the evaluation after it takes in only that ship.
    // A pass reads only whether a join gave the task what it needs until the pass is weighed: a
    // type that can say so alone does, and the whole evaluation of the last join waits until then.
    // The distance a ship adds to a task's priority is kept by the task's place and the ship, and
    // folded in as the ship joins.
    std::vector<AgentTaskFold> folds(static_cast<size_t>(open.size()));
    std::vector<int32_t> joined_places;
    std::vector<int32_t> distances(size_t(open.size()) * size_t(count), -1);
    // What a task needs and weighs in the bound while one ship alone has joined it reads only the
    // task's target and that ship: kept by the task's place and the ship once its type said it.
    // A task whose need was kept is `lagging` until a need slot takes its ships in.
    struct Lone {
        bool known = false;
        int32_t assigned = 0, needed = 1;
        int64_t bound = INT64_MIN;   // INT64_MIN: not weighed yet
    };
    std::vector<Lone> lone(size_t(open.size()) * size_t(count));
    std::vector<int32_t> first_ships(size_t(open.size()), -1);
    std::vector<uint8_t> lagging(size_t(open.size()), 0);
    const auto join_pass = [&](AgentTask *task, int32_t place, int32_t index) {
        GameObject *ship = ships[size_t(index)];
        agent_task_borrow_assignee(task, ship);
        const bool first = agent_task_assignee_count(task) == 1;
        if (first) {
            joined.push_back(task);
            joined_places.push_back(place);
            if (place >= 0) first_ships[size_t(place)] = index;
        }
        AgentTaskFold *fold = place >= 0 ? &folds[size_t(place)] : nullptr;
        if (!fold) {
            agent_task_evaluate_folded(task, ai, player, 0, nullptr);
            return;
        }
        fold_distance(fold, &distances[size_t(place) * size_t(count) + size_t(index)], task, ai, ship);
        Lone *kept = first ? &lone[size_t(place) * size_t(count) + size_t(index)] : nullptr;
        if (kept && kept->known && !plan_check_on()) {
            agent_task_put_need(task, fold, kept->assigned, kept->needed);
            lagging[size_t(place)] = 1;
        } else if (agent_task_evaluate_need(task, ai, player, fold)) {
            lagging[size_t(place)] = 0;
            if (kept && kept->known) {
                plan_check_same("ship search", "lone assigned", kept->assigned, task->assigned);
                plan_check_same("ship search", "lone needed", kept->needed, task->needed);
            }
            if (kept) *kept = {true, task->assigned, task->needed, kept->bound};
        } else {
            agent_task_evaluate_folded(task, ai, player, 0, fold);
        }
    };
    for (int32_t pass = 1; pass <= passes; ++pass) {
        if (pass == 1) {
            for (int32_t i = 0; i < count; ++i)
                ai->best_assignment[size_t(i)] = ai_ship_word(ships[size_t(i)], AI_SHIP_GALAXY_TASK);
            best_tasks = now;
            best_places = now_places;
        }
        const uint32_t keep = pass % KEEP_EVERY == 0 ? 0 : draw() % KEEP_SPAN + KEEP_LOW;
        if (pass == 1) each_task(ai, [](AgentTask *t) { agent_task_clear_assignees(t); });
        for (AgentTask *t : joined) agent_task_clear_borrowed(t);
        for (int32_t place : joined_places)
            if (place >= 0) {
                folds[size_t(place)].restart();
                lagging[size_t(place)] = 0;
            }
        joined.clear();
        joined_places.clear();
        open.reopen();
        int32_t open_count = open.size();
        for (int32_t i : held) {
            AgentTask *task = now[size_t(i)];
            join_pass(task, now_places[size_t(i)], i);
            if (task->assigned >= task->needed && open.close_at(now_places[size_t(i)])) --open_count;
        }
        for (int32_t i : assignable) {
            ai_ship_set_word(ships[size_t(i)], AI_SHIP_GALAXY_TASK, 0);
            now[size_t(i)] = nullptr;
        }
        int32_t left = n;
        std::copy(assignable.begin(), assignable.end(), ai->ship_indices.begin());
        int32_t kept = 0;
        int64_t moved = 0;   // assignable ships away from last turn's task
        while (left > 0 && open_count > 0) {
            const int32_t pick = int32_t(draw_index_below(uint32_t(left)));
            const int32_t index = ai->ship_indices[size_t(pick)];
            ai->ship_indices[size_t(pick)] = ai->ship_indices[size_t(left - 1)];
            --left;
            GameObject *ship = ships[size_t(index)];
            AgentTask *task = nullptr;
            int32_t place = -1;
            if (keep > 0 && draw() % 100 + 1 <= keep) {
                AgentTask *before = best_tasks[size_t(index)];
                const int32_t at = best_places[size_t(index)];
                const bool of_use = at >= 0 ? OpenTasks::has(useful[size_t(index)], at)
                                            : before && agent_task_ship_utility(before, ship) != 0;
                if (before && of_use && (kept < n - 1 || left > 0)) {
                    task = before;
                    place = at;
                    ++kept;
                }
            }
            if (!task) {
                const int32_t candidates = open.open_count(useful[size_t(index)]);
                if (candidates > 0) {
                    const int32_t at =
                        open.open_place(useful[size_t(index)], int32_t(draw_index_below(uint32_t(candidates))));
                    if (at >= 0) {
                        task = open.task(at);
                        place = open.first(at);
                    }
                }
            }
            if (!task) {
                ai_ship_set_word(ship, AI_SHIP_GALAXY_TASK, 0);
                continue;
            }
            ai_ship_set_word(ship, AI_SHIP_GALAXY_TASK, task->id);
            now[size_t(index)] = task;
            now_places[size_t(index)] = place;
            if (task->id != 0 && previous[size_t(index)] != 0 && task->id != previous[size_t(index)]) ++moved;
            join_pass(task, place, index);
            if (task->assigned >= task->needed) {
                open.close_at(place);
                --open_count;
            }
        }
        // The dangers along the ways only take from a total: a pass whose total without them does
        // not beat the best is passed over without weighing them. A task whose whole evaluation is
        // owed is weighed so from its fold when its type can, and evaluated only when the pass
        // beats the best so far (the search evaluates every selected task again at the end).
        int64_t bound = -penalty(ai, moved), total = bound;
        bool owed = false;
        for (size_t j = 0; j < joined.size(); ++j) {
            AgentTask *t = joined[j];
            const int32_t place = joined_places[j];
            AgentTaskFold *fold = place >= 0 ? &folds[size_t(place)] : nullptr;
            Lone *kept = fold && fold->owed && agent_task_assignee_count(t) == 1
                             ? &lone[size_t(place) * size_t(count) + size_t(first_ships[size_t(place)])]
                             : nullptr;
            if (kept && kept->bound != INT64_MIN && !plan_check_on()) {
                bound += kept->bound;
                owed = true;
                continue;
            }
            if (fold && fold->owed && !lagging[size_t(place)] && agent_task_owed_bound(t, ai, player, fold)) {
                owed = owed || fold->owed;
            } else {
                if (fold && fold->owed) agent_task_evaluate_folded(t, ai, player, 0, fold);
                agent_task_weigh_priority_bound(t, ai, fold);
            }
            const int64_t weighed = agent_task_total(ai, t);
            if (kept) {
                if (kept->bound != INT64_MIN) plan_check_same("ship search", "lone bound", kept->bound, weighed);
                kept->bound = weighed;
            }
            bound += weighed;
        }
        if (bound > best && owed)
            for (size_t j = 0; j < joined.size(); ++j)
                if (joined_places[j] >= 0 && folds[size_t(joined_places[j])].owed)
                    agent_task_evaluate_folded(joined[j], ai, player, 0, &folds[size_t(joined_places[j])]);
        if (bound > best)
            for (size_t j = 0; j < joined.size(); ++j) {
                agent_task_weigh_priority(joined[j], ai, joined_places[j] >= 0 ? &folds[size_t(joined_places[j])] : nullptr);
                total += agent_task_total(ai, joined[j]);
            }
        if (bound > best && total > best) {
            best = total;
            for (int32_t i = 0; i < count; ++i)
                ai->best_assignment[size_t(i)] = ai_ship_word(ships[size_t(i)], AI_SHIP_GALAXY_TASK);
            best_tasks = now;
            best_places = now_places;
        }
    }

    for (AgentTask *t : joined) agent_task_clear_borrowed(t);
    memo.reset();

    // 6. The best, or last turn's.
    each_task(ai, [](AgentTask *t) { agent_task_clear_assignees(t); });
    const bool apply_best = best >= 0 && best > start;
    for (int32_t i = 0; i < count; ++i) {
        GameObject *ship = ships[size_t(i)];
        if (ship_locked(ship)) {
            ai_ship_set_word(ship, AI_SHIP_GALAXY_TASK, 0);
            continue;
        }
        const uint64_t id = apply_best ? ai->best_assignment[size_t(i)] : ai_ship_word(ship, AI_SHIP_PREVIOUS_TASK);
        ai_ship_set_word(ship, AI_SHIP_GALAXY_TASK, id);
        join(ai, ship, id);
    }
    for (AgentTask *t : selected)
        if (t) agent_task_evaluate(t, ai, player, 1);
}

void ai_assign_defence(AiPlayer *ai, Player *player) {
    if (!ai || !player || !ai->defence) return;
    AgentTask *bases = ai_find_task(ai, TASK_DEFEND_BASES, 0, 0, AI_MATCH_TYPE);
    if (!bases || agent_task_assignee_count(bases) == 0 || list_count(ai->defence) == 0) return;
    std::vector<AgentTask *> defence;
    for (AgentTask *t : ai->defence->items) {
        if (!t) break;
        defence.push_back(t);
    }
    int64_t start = 0;
    for (AgentTask *t : defence) {
        agent_task_evaluate(t, ai, player, 1);
        t->flags &= ~TASK_DEFENCE_ACTED;
        start += t->priority;
    }
    std::vector<GameObject *> guards;
    for (GameObject *obj : bases->assignees.items) {
        if (!obj) break;
        guards.push_back(obj);
    }
    const int32_t count = int32_t(guards.size());
    std::vector<uint64_t> best_ids(size_t(count), 0);
    for (GameObject *g : guards)
        if (!ship_locked(g)) ai_ship_set_word(g, AI_SHIP_PREVIOUS_TASK, ai_ship_word(g, AI_SHIP_DEFENCE_TASK));
    log_write(LOG_AGENT, LOG_DEBUG3, "\"%s\" starting defense utility %i", player->name.c_str(),
              int32_t(std::clamp<int64_t>(start, INT32_MIN, INT32_MAX)));

    int64_t best = -1;
    const int32_t trials = ai_defence_trial_count(count);
    // Which defence tasks each guard may serve reads only the guard, which the trials leave alone;
    // nothing else in the model moves either, and the evaluations share a memo.
    std::optional<AgentTaskMemoScope> memo;
    if (trials > 0) memo.emplace(ai);
    OpenTasks open(defence);
    std::vector<OpenTasks::Bits> useful(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i)
        if (!ship_locked(guards[size_t(i)])) useful[size_t(i)] = open.useful_to(guards[size_t(i)]);
    // As in the ship search: what the evaluations took of each defence task's assignees so far in
    // the trial, by its first place, and a join asks only whether it gave the task what it needs.
    std::vector<AgentTaskFold> folds(static_cast<size_t>(open.size()));
    std::vector<AgentTask *> joined;
    std::vector<int32_t> joined_places;
    std::vector<int32_t> distances(size_t(open.size()) * size_t(count), -1);
    for (AgentTask *t : defence) agent_task_clear_assignees(t);
    for (int32_t trial = 0; trial < trials; ++trial) {
        for (AgentTask *t : defence) agent_task_clear_borrowed(t);
        for (int32_t place : joined_places) folds[size_t(place)].restart();
        joined.clear();
        joined_places.clear();
        open.reopen();
        int32_t open_count = open.size();
        for (int32_t i = 0; i < count; ++i) {
            GameObject *g = guards[size_t(i)];
            if (open_count == 0) break;
            if (ship_locked(g)) continue;
            const int32_t candidates = open.open_count(useful[size_t(i)]);
            if (candidates == 0) continue;
            const int32_t at = open.open_place(useful[size_t(i)], int32_t(draw_index_below(uint32_t(candidates))));
            AgentTask *t = open.task(at);
            const int32_t place = open.first(at);
            ai_ship_set_word(g, AI_SHIP_DEFENCE_TASK, t->id);
            agent_task_borrow_assignee(t, g);
            if (agent_task_assignee_count(t) == 1) {
                joined.push_back(t);
                joined_places.push_back(place);
            }
            AgentTaskFold *fold = &folds[size_t(place)];
            fold_distance(fold, &distances[size_t(place) * size_t(count) + size_t(i)], t, ai, g);
            if (!agent_task_evaluate_need(t, ai, player, fold)) agent_task_evaluate_folded(t, ai, player, 0, fold);
            if (t->assigned >= t->needed && open.close_at(place)) --open_count;
        }
        int64_t moved = 0;
        for (GameObject *g : guards)
            if (!ship_locked(g) && ai_ship_word(g, AI_SHIP_DEFENCE_TASK) != ai_ship_word(g, AI_SHIP_PREVIOUS_TASK)) ++moved;
        // As in the ship search: the dangers are weighed only when the total without them beats the
        // best, and a task whose whole evaluation is owed is weighed so from its fold when its type
        // can, and evaluated only then.
        int64_t bound = -penalty(ai, moved), total = bound;
        for (size_t j = 0; j < joined.size(); ++j) {
            AgentTaskFold *fold = &folds[size_t(joined_places[j])];
            if (fold->owed && agent_task_owed_bound(joined[j], ai, player, fold)) continue;
            if (fold->owed) agent_task_evaluate_folded(joined[j], ai, player, 0, fold);
            agent_task_weigh_priority_bound(joined[j], ai, fold);
        }
        for (AgentTask *t : defence) bound += t->priority;
        if (bound > best) {
            for (size_t j = 0; j < joined.size(); ++j) {
                AgentTaskFold *fold = &folds[size_t(joined_places[j])];
                if (fold->owed) agent_task_evaluate_folded(joined[j], ai, player, 0, fold);
                agent_task_weigh_priority(joined[j], ai, fold);
            }
            for (AgentTask *t : defence) total += t->priority;
        }
        if (bound > best && total > best) {
            best = total;
            for (int32_t i = 0; i < count; ++i) best_ids[size_t(i)] = ai_ship_word(guards[size_t(i)], AI_SHIP_DEFENCE_TASK);
        }
    }

    for (AgentTask *t : joined) agent_task_clear_borrowed(t);
    memo.reset();

    for (AgentTask *t : defence) agent_task_clear_assignees(t);
    const bool apply_best = best >= 0 && best > start;
    for (int32_t i = 0; i < count; ++i) {
        GameObject *g = guards[size_t(i)];
        if (!apply_best && ship_locked(g)) continue;
        const uint64_t id = apply_best ? best_ids[size_t(i)] : ai_ship_word(g, AI_SHIP_PREVIOUS_TASK);
        ai_ship_set_word(g, AI_SHIP_DEFENCE_TASK, id);
        join(ai, g, id);
    }
    for (AgentTask *t : defence) agent_task_evaluate(t, ai, player, 1);
}
