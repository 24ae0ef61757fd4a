// Combat command: the assignment search, which spreads the commander's ships over its combat tasks,
// and the lists of ships it keeps on the commander from one search to the next.
#include <algorithm>
#include <memory>
#include <vector>
#include "ai/agent_task.h"
#include "ai/ai_combat.h"
#include "ai/ai_combat_task_map.h"
#include "ai/ai_player.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/log.h"
#include "platform/random.h"
#include "systems/plan_check.h"
#include "world/ship.h"

// The lists of the commander's assignment searches, kept on it from search to search (see
// AssignSearch).
struct AiKeptSearch {
    // One list of ships that joined a task, in joining order, and its figures. A node never changes
    // once made; a list made again gets a new node.
    struct Node {
        int64_t  value = 0;       // the task's priority with its full-task bonus
        int32_t  priority = 0, assigned = 0, needed = 0;
        int32_t  parent = -1;     // the list without its last ship; -1 for an empty list
        int32_t  ship = -1;       // the last ship to join (index into ships)
        uint32_t made = 0;        // the search that evaluated it
    };
    uint32_t search = 0;                         // the number of the latest search
    std::vector<Node> nodes;                     // never past room
    size_t room = 0;
    std::unique_ptr<int32_t[]> children;         // [node * ships + ship]: the list with the ship joined, -1 none
    std::vector<Ship *> ships;                   // the searches' ships, in order
    std::vector<uint64_t> ship_ids;
    std::vector<AgentTaskInputs> ship_inputs;    // per ship, as the latest search read them
    std::vector<uint32_t> ship_since;            // per ship: the first search that read those inputs
    std::vector<uint64_t> task_ids;              // the latest search's tasks, in its order
    std::vector<AgentTaskInputs> task_inputs;
    std::vector<int32_t> task_root;              // per task: the node of its empty list
    // The next search's task words, built beside the last search's.
    std::vector<uint64_t> next_ids;
    std::vector<AgentTaskInputs> next_inputs;
    std::vector<int32_t> next_roots;
};

namespace {

constexpr int32_t MAX_PASSES = 300;
constexpr int32_t ACTOR_CHANGE_WEIGHT = 3;
constexpr int32_t KEEP_FREE_PASS = 7;   // every seventh pass keeps no ship where it was

// Where the search's draws come from: the game's fourth generator while it resolves a battle at
// once, else (null) the calling thread's quick generator. Neither changes during a search.
Rng *combat_generator() {
    Game *game = game_get();
    if (game && (game->flags & GAME_FLAG_RESOLVE_AT_ONCE) && game->generators[GAME_GENERATOR_RESOLVE])
        return game->generators[GAME_GENERATOR_RESOLVE];
    return nullptr;
}

// The assignment passes' draws (about twenty a pass): from a run of the resolving generator, or
// from the calling thread's quick one when there is none. The run hands the generator back
// (pause) before anything else may draw from it, and takes it again after (resume). A pass is
// built for one kind or the other, so that no draw asks which.
struct RunDraws {
    RngRun run;
    explicit RunDraws(Rng *rng) : run(rng_run_begin(rng)) {}
    void pause() const { rng_run_end(run); }
    void resume() { run = rng_run_begin(run.rng); }
    // |r| of one 32-bit draw.
    uint32_t draw() { return random_magnitude(rng_run_next(&run)); }
    uint32_t below(uint32_t n) { return n > 1 ? draw() % n : 0; }
};

struct QuickDraws {
    explicit QuickDraws(Rng *) {}
    void pause() const {}
    void resume() {}
    uint32_t draw() { return random_magnitude(random_u32()); }
    uint32_t below(uint32_t n) { return n > 1 ? draw() % n : 0; }
};

int32_t total_priority(AiPlayer *ai) {
    int64_t total = 0;
    ai_combat_each_task(ai, [&](AgentTask *task) { total += agent_task_total(ai, task); });
    return int32_t(std::clamp<int64_t>(total, INT32_MIN, INT32_MAX));
}

// What the passes of one assignment search share. The task map, the ships and the rest of the battle
// stand still while the search runs, so a task's evaluation depends only on which ships joined it and
// in what order. Every evaluation is kept in a tree per task, one node per ordered list of ships that
// joined it, and each is made only once: a pass that builds a list made before reads the kept figures
// instead of evaluating the task again. The tasks' real assignee lists are set only to make an
// evaluation not made before.
// The trees outlive the search: they stay on the commander (AiKeptSearch) for its next searches.
// Everything an evaluation reads is in the task's inputs and its ships' inputs
// (ai_combat_task_inputs, ai_combat_assignee_inputs), so a list's figures hold for as long as those
// read word for word as they did when the list was evaluated. Each search compares them with the
// last search's: a task whose inputs changed (or cannot be named) starts a new tree, and a ship whose
// inputs changed is stamped with the search (ship_since). A list made before its last ship's stamp is
// made again; the lists before it in its tree were made no later than it, and were checked the same
// way on the way to it. Between two plans of a commander usually only a ship or two acted, so most
// lists of most searches were made by some search before.
// A list the search sets borrows its ships (the combat map holds them for the whole search): no
// reference is taken or dropped for it. The list a task came with is emptied the usual way the first
// time the search sets the task's list, and the search empties its borrowed lists when it ends, before
// the real assignment joins the ships again.
using JoinNode = AiKeptSearch::Node;

// Whether a kept list (node, not -1) with the ship last stands for this search: it was made no
// earlier than the ship's stamp. The search and the tests' walk of the kept lists both ask this.
inline bool list_stands(const JoinNode *nodes, int32_t node, uint32_t ship_since) {
    return nodes[node].made >= ship_since;
}

// The kept lists are dropped whole before a search that could take them past this many.
constexpr size_t KEPT_NODES = size_t(1) << 13;

struct AssignSearch {
    AiPlayer *ai = nullptr;
    Player *player = nullptr;
    Rng *rng = nullptr;                  // the draws' generator, null for the quick one
    const std::vector<Ship *> *ships = nullptr;
    size_t count = 0;                    // ships
    std::vector<AgentTask *> tasks;      // every task of the map, in map order
    std::vector<int32_t> selected;       // the unblocked tasks (indices into tasks), in the selected list's order
    std::vector<int32_t> place;          // per task: its place in selected, -1 when not selected
    std::vector<uint8_t> fits;           // [task * count + ship]: the ship's utility for the task is not 0
    size_t words = 0;                    // 64-bit words of a set of selected places
    std::vector<uint64_t> all_open;      // every selected place
    std::vector<int32_t> all_places;     // [ship * selected + j]: the selected places the ship fits, ascending
    std::vector<uint32_t> all_counts;    // per ship: how many
    AiKeptSearch *kept = nullptr;        // the commander's trees; room for every list the search can make
    std::vector<int32_t> held;           // per task: the node its assignee list holds, -1 the list it came with
    std::vector<int32_t> path;           // scratch of a list's ships, last first

    AssignSearch() = default;
    AssignSearch(const AssignSearch &) = delete;
    AssignSearch &operator=(const AssignSearch &) = delete;
    ~AssignSearch() {
        for (size_t t = 0; t < held.size(); ++t)
            if (held[t] >= 0) list_reset(&tasks[t]->assignees);
    }
};

int32_t task_index(const AssignSearch &a, uint64_t id) {
    if (id == 0) return -1;
    for (size_t t = 0; t < a.tasks.size(); ++t)
        if (a.tasks[t]->id == id) return int32_t(t);
    return -1;
}

// A new node of the kept trees with an empty row of children.
int32_t add_node(AiKeptSearch *k, const JoinNode &node, size_t count) {
    const int32_t made = int32_t(k->nodes.size());
    k->nodes.push_back(node);
    std::fill_n(k->children.get() + size_t(made) * count, count, -1);
    return made;
}

// Brings the commander's kept trees to this search: its ships' and tasks' inputs, their stamps and
// roots, and room for every list the search can make.
void take_kept(AssignSearch *a, const std::vector<Ship *> &ships) {
    std::shared_ptr<AiKeptSearch> &owned = a->ai->kept_search;
    if (!owned) owned = std::make_shared<AiKeptSearch>();
    AiKeptSearch &k = *owned;
    a->kept = &k;
    if (k.search == UINT32_MAX) {   // the stamps start over, and so do the trees
        k.search = 0;
        k.ships.clear();
    }
    const uint32_t now = ++k.search;
    // Other ships (one gone or come, or another order) or too many lists: the trees start afresh.
    bool same_ships = k.ships == ships;
    for (size_t i = 0; same_ships && i < a->count; ++i) same_ships = k.ship_ids[i] == ships[i]->id;
    const size_t tasks = a->tasks.size();
    // A pass joins each ship at most once, so the passes make at most passes x ships lists.
    const size_t most = tasks + size_t(ai_combat_pass_count(int32_t(a->count))) * a->count;
    if (!same_ships || k.nodes.size() + most > k.room) {
        k.nodes.clear();
        k.task_ids.clear();
        if (!same_ships || most > k.room) {
            k.room = std::max(KEPT_NODES, most);
            k.nodes.reserve(k.room);
            k.children.reset(new int32_t[k.room * a->count]);
        }
        k.ships = ships;
        k.ship_ids.clear();
        for (const Ship *s : ships) k.ship_ids.push_back(s->id);
        k.ship_inputs.assign(a->count, AgentTaskInputs{});
        k.ship_since.assign(a->count, now);
    }
    AgentTaskInputs inputs;
    for (size_t i = 0; i < a->count; ++i) {
        inputs.count = 0;
        ai_combat_assignee_inputs(a->ai, ships[i], &inputs);
        if (!inputs.same(k.ship_inputs[i])) {
            k.ship_inputs[i] = inputs;
            k.ship_since[i] = now;
        }
    }
    // Tasks are looked for where they were, then everywhere; one not found, or whose inputs read
    // otherwise, gets a new root.
    std::vector<uint64_t> &ids = k.next_ids;
    std::vector<int32_t> &roots = k.next_roots;
    ids.resize(tasks);
    k.next_inputs.resize(tasks);
    roots.resize(tasks);
    for (size_t t = 0; t < tasks; ++t) {
        ids[t] = a->tasks[t]->id;
        AgentTaskInputs &words = k.next_inputs[t];
        ai_combat_task_inputs(a->tasks[t], a->ai, a->player, &words);
        int32_t j = t < k.task_ids.size() && k.task_ids[t] == ids[t] ? int32_t(t) : -1;
        if (j < 0)
            if (const auto it = std::find(k.task_ids.begin(), k.task_ids.end(), ids[t]); it != k.task_ids.end())
                j = int32_t(it - k.task_ids.begin());
        if (j >= 0 && words.same(k.task_inputs[size_t(j)])) roots[t] = k.task_root[size_t(j)];
        else roots[t] = add_node(&k, JoinNode{.made = now}, a->count);
    }
    k.task_ids.swap(ids);
    k.task_inputs.swap(k.next_inputs);
    k.task_root.swap(roots);
}

void assign_search_init(AssignSearch *a, AiPlayer *ai, Player *player, const std::vector<Ship *> &ships) {
    a->ai = ai;
    a->player = player;
    a->rng = combat_generator();
    a->ships = &ships;
    a->count = ships.size();
    ai_combat_each_task(ai, [&](AgentTask *task) { a->tasks.push_back(task); });
    const size_t tasks = a->tasks.size();
    a->place.assign(tasks, -1);
    if (ai->selected)
        for (AgentTask *task : ai->selected->items) {
            const auto it = task ? std::find(a->tasks.begin(), a->tasks.end(), task) : a->tasks.end();
            if (it == a->tasks.end()) continue;
            const size_t t = size_t(it - a->tasks.begin());
            a->place[t] = int32_t(a->selected.size());
            a->selected.push_back(int32_t(t));
        }
    a->fits.resize(tasks * a->count);
    for (size_t t = 0; t < tasks; ++t) {
        // agent_task_ship_utility, its type's slot looked up once for all the ships.
        const AgentTaskType *type = agent_task_type(int32_t(a->tasks[t]->type));
        TaskShipUtilityFn *utility = type ? type->ship_utility : nullptr;
        for (size_t i = 0; i < a->count; ++i)
            a->fits[t * a->count + i] = utility && utility(a->tasks[t], ships[i]) != 0;
    }
    a->words = (a->selected.size() + 63) / 64;
    a->all_open.assign(a->words, 0);
    for (size_t k = 0; k < a->selected.size(); ++k) a->all_open[k / 64] |= uint64_t(1) << (k % 64);
    const size_t stride = a->selected.size();
    a->all_places.assign(a->count * stride, -1);
    a->all_counts.assign(a->count, 0);
    for (size_t i = 0; i < a->count; ++i) {
        uint32_t n = 0;
        for (size_t k = 0; k < stride; ++k)
            if (a->fits[size_t(a->selected[k]) * a->count + i]) a->all_places[i * stride + n++] = int32_t(k);
        a->all_counts[i] = n;
    }
    take_kept(a, ships);
    a->held.assign(tasks, -1);
}

// Makes the node of task t's list of node with ship i joined, evaluated with priority.
int32_t make_node(AssignSearch *a, int32_t t, int32_t node, int32_t i) {
    AiKeptSearch &k = *a->kept;
    AgentTask *task = a->tasks[size_t(t)];
    const std::vector<Ship *> &ships = *a->ships;
    std::vector<GameObject *> &items = task->assignees.items;
    if (a->held[size_t(t)] != node) {
        a->path.clear();
        for (int32_t n = node; k.nodes[size_t(n)].parent >= 0; n = k.nodes[size_t(n)].parent)
            a->path.push_back(k.nodes[size_t(n)].ship);
        if (a->held[size_t(t)] < 0) agent_task_clear_assignees(task);
        else list_reset(&task->assignees);
        for (auto it = a->path.rbegin(); it != a->path.rend(); ++it) items.push_back(ships[size_t(*it)]);
    }
    items.push_back(ships[size_t(i)]);
    agent_task_evaluate(task, a->ai, a->player, 1);
    const int32_t made = add_node(&k,
                                  JoinNode{.value = agent_task_total(a->ai, task), .priority = task->priority,
                                           .assigned = task->assigned, .needed = task->needed, .parent = node,
                                           .ship = i, .made = k.search},
                                  a->count);
    k.children[size_t(node) * a->count + size_t(i)] = made;
    a->held[size_t(t)] = made;
    return made;
}

// A kept list's figures against a fresh evaluation of its task with the list's ships: the task's
// list is set to them (as make_node sets it) and the task evaluated afresh.
[[gnu::noinline]] void check_kept_list(AssignSearch *a, int32_t t, int32_t node) {
    const AiKeptSearch &k = *a->kept;
    AgentTask *task = a->tasks[size_t(t)];
    const std::vector<Ship *> &ships = *a->ships;
    a->path.clear();
    for (int32_t n = node; k.nodes[size_t(n)].parent >= 0; n = k.nodes[size_t(n)].parent)
        a->path.push_back(k.nodes[size_t(n)].ship);
    if (a->held[size_t(t)] < 0) agent_task_clear_assignees(task);
    else list_reset(&task->assignees);
    for (auto it = a->path.rbegin(); it != a->path.rend(); ++it) task->assignees.items.push_back(ships[size_t(*it)]);
    a->held[size_t(t)] = node;
    {
        PlanCheckFresh scope;
        agent_task_evaluate(task, a->ai, a->player, 1);
    }
    const JoinNode &kept = k.nodes[size_t(node)];
    plan_check_counted();
    if (kept.value != agent_task_total(a->ai, task) || kept.priority != task->priority ||
        kept.assigned != task->assigned || kept.needed != task->needed)
        plan_check_failed("kept assignment lists",
                          "task #%llu with %zu ships, made by search %u of %u: kept %d/%d/%d, fresh %d/%d/%d",
                          (unsigned long long)task->id, a->path.size(), kept.made, k.search, kept.priority,
                          kept.assigned, kept.needed, task->priority, task->assigned, task->needed);
}

void evaluate_all(AiPlayer *ai, Player *player, int32_t with_priority) {
    ai_combat_each_task(ai, [&](AgentTask *task) { agent_task_evaluate(task, ai, player, with_priority); });
}

void clear_all_assignees(AiPlayer *ai) {
    ai_combat_each_task(ai, [](AgentTask *task) { agent_task_clear_assignees(task); });
}

void join_task(AiPlayer *ai, Ship *ship) {
    if (AgentTask *task = ai_get_task(ai, ai_combat_task_of(ship))) agent_task_add_assignee(task, ship);
}

// Every task's assignee list and figures as the assignment's first evaluation left them, in map
// order (the map keeps its tasks and order until the assignment ends).
struct StartFigures {
    std::vector<AgentTask *> tasks;
    std::vector<AgentTaskFigures> figures;
    std::vector<size_t> first;             // per task: where its assignees start in items; one past the last at the end
    std::vector<GameObject *> items;
};

void take_start_figures(AiPlayer *ai, StartFigures *start) {
    ai_combat_each_task(ai, [&](AgentTask *task) {
        start->tasks.push_back(task);
        start->figures.push_back(agent_task_figures(task));
        start->first.push_back(start->items.size());
        start->items.insert(start->items.end(), task->assignees.items.begin(), task->assignees.items.end());
    });
    start->first.push_back(start->items.size());
}

// Evaluates every task with priority as the assignment ends. Nothing an evaluation reads has changed
// since the first one but the assignee lists, so a task that ends with the very list it started with
// (the same ships in the same order) gets its first figures back instead; most do, as most searches
// find nothing better than the assignment they started from.
void settle_tasks(AiPlayer *ai, Player *player, const StartFigures &start) {
    for (size_t k = 0; k < start.tasks.size(); ++k) {
        AgentTask *task = start.tasks[k];
        const std::vector<GameObject *> &items = task->assignees.items;
        const auto from = start.items.begin() + std::ptrdiff_t(start.first[k]);
        const auto to = start.items.begin() + std::ptrdiff_t(start.first[k + 1]);
        if (!std::equal(items.begin(), items.end(), from, to)) {
            agent_task_evaluate(task, ai, player, 1);
            continue;
        }
        if (plan_check_on()) [[unlikely]] {
            {
                PlanCheckFresh scope;
                agent_task_evaluate(task, ai, player, 1);
            }
            plan_check_counted();
            if (!(agent_task_figures(task) == start.figures[k]))
                plan_check_failed("first figures of the assignment", "task #%llu ends with its first list: kept "
                                  "priority %d, fresh %d", (unsigned long long)task->id, start.figures[k].priority,
                                  task->priority);
        }
        agent_task_put_figures(task, start.figures[k]);
    }
}

// The state of one pass: each task's list and the task each ship holds (indices into the search's
// tasks and the nodes, -1 none); the lists that are not empty are named in touched.
struct PassState {
    std::vector<int32_t> at;          // per task: its node
    std::vector<int32_t> holds;       // per ship: its task
    std::vector<int32_t> touched;     // room for every task; the first touched_count are named
    int32_t touched_count = 0;
    std::vector<uint64_t> open;       // the open selected places
    std::vector<int32_t> best;        // per ship: its task in the best table
    std::vector<uint32_t> candidates; // per ship: the open selected places it fits
    // [ship * selected + j]: the open selected places the ship fits, ascending (the first
    // candidates[ship] of its row).
    std::vector<int32_t> places;
    bool closed = true;               // a task closed in the last pass: open and candidates need resetting
    // Per ship: the task it held before the search (-2 one no longer in the map), and what moving
    // it away counts (0 for a ship that held none).
    std::vector<int32_t> previous;
    std::vector<int32_t> change_weight;
};

// One pass of the search: every ship in a random order keeps its best-table task or draws one.
// The pass's tables are read through local pointers: the pass never resizes them, and the
// compiler need not reload them after every store.
template <class PassDraws>
int32_t assignment_pass(AssignSearch *a, PassState *st, int32_t pass) {
    const int32_t count = int32_t(a->count);
    const size_t words = a->words;
    PassDraws draws(a->rng);
    const int32_t keep_chance = pass % KEEP_FREE_PASS == 0 ? 0 : int32_t(draws.draw() % 61) + 20;
    int32_t *at = st->at.data();
    int32_t *holds = st->holds.data();
    uint64_t *open = st->open.data();
    uint32_t *candidates = st->candidates.data();
    int32_t *indices = a->ai->ship_indices.data();
    const int32_t *previous = st->previous.data();
    const int32_t *change_weight = st->change_weight.data();
    const int32_t *best_table = st->best.data();
    const uint8_t *fits = a->fits.data();
    int32_t *places = st->places.data();
    const size_t stride = a->selected.size();
    // The kept trees have room for every list the search makes: they never move while it runs.
    const AiKeptSearch &trees = *a->kept;
    const int32_t *roots = trees.task_root.data();
    const int32_t *children = trees.children.get();
    const JoinNode *nodes = trees.nodes.data();
    const uint32_t *since = trees.ship_since.data();
    int32_t *touched = st->touched.data();
    for (int32_t k = 0; k < st->touched_count; ++k) at[touched[k]] = roots[touched[k]];
    int32_t touched_count = 0;
    if (st->closed) {
        for (size_t w = 0; w < words; ++w) open[w] = a->all_open[w];
        for (int32_t i = 0; i < count; ++i) candidates[i] = a->all_counts[size_t(i)];
        std::copy(a->all_places.begin(), a->all_places.end(), st->places.begin());
        st->closed = false;
    }
    for (int32_t i = 0; i < count; ++i) indices[i] = i;
    int32_t open_count = int32_t(a->selected.size());
    int32_t remaining = count, kept = 0;
    // What moving ships away from the tasks they held counts, summed as the ships are reached.
    int64_t changes = 0;
    // The values of the tasks' lists, kept up as ships join (an empty list counts nothing: no
    // priority, and no bonus without assignees).
    int64_t total = 0;
    while (remaining > 0 && open_count > 0) {
        const int32_t pick = int32_t(draws.below(uint32_t(remaining)));
        const int32_t index = indices[pick];
        indices[pick] = indices[remaining - 1];
        --remaining;
        int32_t chosen = -1;
        if (keep_chance > 0 && int32_t(draws.draw() % 100) + 1 <= keep_chance) {
            const int32_t best = best_table[index];
            if (best >= 0 && fits[size_t(best) * size_t(count) + size_t(index)] && (kept < count - 1 || remaining > 0)) {
                chosen = best;
                ++kept;
            }
        }
        if (chosen < 0 && candidates[index] > 0) {
            // The drawn one of the open places the ship fits, in place order.
            chosen = a->selected[size_t(places[size_t(index) * stride + draws.below(candidates[index])])];
        }
        holds[index] = chosen;
        if (chosen != previous[index]) changes += change_weight[index];
        if (chosen < 0) continue;
        const int32_t from = at[chosen];
        if (from == roots[chosen]) touched[touched_count++] = chosen;
        int32_t node = children[size_t(from) * size_t(count) + size_t(index)];
        if (node < 0 || !list_stands(nodes, node, since[index])) {
            // A new list, or one made before the ship's inputs changed, is evaluated: the
            // generator goes back to the game while it is.
            draws.pause();
            node = make_node(a, chosen, from, index);
            draws.resume();
        } else if (plan_check_on()) [[unlikely]] {
            draws.pause();
            check_kept_list(a, chosen, node);
            draws.resume();
        }
        at[chosen] = node;
        const JoinNode &joined = nodes[node];
        total += joined.value - nodes[from].value;
        if (joined.assigned >= joined.needed) {
            // A kept task may fill again after it closed: the ships' counts drop only once.
            const int32_t k = a->place[size_t(chosen)];
            const uint64_t bit = k >= 0 ? uint64_t(1) << (k % 64) : 0;
            if (bit && (open[size_t(k) / 64] & bit)) {
                open[size_t(k) / 64] &= ~bit;
                st->closed = true;
                const uint8_t *chosen_fits = &fits[size_t(chosen) * size_t(count)];
                for (int32_t i = 0; i < count; ++i) {
                    if (!chosen_fits[i]) continue;
                    int32_t *row = places + size_t(i) * stride;
                    int32_t *end = row + candidates[i];
                    int32_t *gone = std::find(row, end, k);
                    std::copy(gone + 1, end, gone);
                    candidates[i] -= 1;
                }
            }
            --open_count;
        }
    }
    draws.pause();
    st->touched_count = touched_count;
    // Ships the pass never reached (every task at its need) are left without a task.
    for (int32_t i = 0; i < remaining; ++i) {
        const int32_t index = indices[i];
        holds[index] = -1;
        if (previous[index] != -1) changes += change_weight[index];
    }
    total = std::clamp<int64_t>(total, INT32_MIN, INT32_MAX);
    const int64_t penalty = int64_t(a->ai->reassign_penalty) * changes * changes;
    if (penalty > 0) total -= penalty;
    return int32_t(std::clamp<int64_t>(total, INT32_MIN, INT32_MAX));
}

}  // namespace

int32_t ai_combat_pass_count(int32_t ship_count) { return std::min((ship_count + 16) * 5, MAX_PASSES); }

void ai_combat_assign(AiPlayer *ai, Player *player, Ship *actor) {
    if (!ai || !player || !ai->tasks) return;
    // Nothing but the tasks and the ships' task words changes until the assignment ends.
    AgentTaskMemoScope memo(ai);
    evaluate_all(ai, player, 1);
    if (ai_task_count(ai) == 0) return;
    StartFigures first;
    take_start_figures(ai, &first);
    const int32_t start = (ai->flags & AI_FLAG_NEW_ENCOUNTER) ? 0 : total_priority(ai);
    const std::vector<Ship *> ships = ai_combat_listed_ships(ai);
    for (Ship *s : ships) ai_combat_set_previous(s, ai_combat_task_of(s));
    log_write(LOG_AGENT, 7, "\"%s\" command ship #%llu \"%s\" combat start utility %i", player->name.c_str(),
              actor ? (unsigned long long)actor->id : 0ull, actor ? object_get_name(actor) : "", start);
    const size_t count = ships.size();
    const bool resized = ai->ship_indices.size() != count;
    if (ai->best_assignment.size() != count) ai->best_assignment.assign(count, 0);
    if (resized) ai->ship_indices.assign(count, 0);
    if (ai->selected) {
        list_clear(ai->selected);
        ai_combat_each_task(ai, [&](AgentTask *task) {
            // The evaluation above asked is_blocked of each task short of its need, with these lists.
            if (task->assigned >= task->needed) {
                task->flags &= ~TASK_BLOCKED;
                agent_task_check_blocked(task, ai, player);
            }
            if (!(task->flags & TASK_BLOCKED)) list_append(ai->selected, task);
        });
    }
    int32_t best = -1;
    if (count > 0) {
        AssignSearch search;
        assign_search_init(&search, ai, player, ships);
        PassState st;
        st.at.resize(search.tasks.size());
        st.touched.resize(search.tasks.size());
        for (size_t t = 0; t < st.at.size(); ++t) st.at[t] = search.kept->task_root[t];
        st.holds.assign(count, -1);
        st.open.assign(search.words, 0);
        st.best.assign(count, -1);
        st.previous.assign(count, -1);
        st.change_weight.assign(count, 0);
        st.candidates.assign(count, 0);
        st.places.assign(search.all_places.size(), -1);
        for (size_t i = 0; i < count; ++i) {
            if (const uint64_t previous = ai_combat_previous_of(ships[i]); previous != 0) {
                const int32_t t = task_index(search, previous);
                st.previous[i] = t >= 0 ? t : -2;
                st.change_weight[i] = ships[i] == actor ? ACTOR_CHANGE_WEIGHT : 1;
            }
            ai->best_assignment[i] = ai_combat_task_of(ships[i]);
            st.best[i] = task_index(search, ai->best_assignment[i]);
        }
        const int32_t passes = ai_combat_pass_count(int32_t(count));
        for (int32_t pass = 1; pass <= passes; ++pass) {
            const int32_t total = search.rng ? assignment_pass<RunDraws>(&search, &st, pass)
                                             : assignment_pass<QuickDraws>(&search, &st, pass);
            if (total > best) {
                best = total;
                st.best = st.holds;
                for (size_t i = 0; i < count; ++i)
                    ai->best_assignment[i] = st.holds[i] < 0 ? 0 : search.tasks[size_t(st.holds[i])]->id;
            }
        }
        // The ships hold the last pass's tasks, as the passes left them.
        for (size_t i = 0; i < count; ++i)
            ai_combat_set_task(ships[i], st.holds[i] < 0 ? 0 : search.tasks[size_t(st.holds[i])]->id);
    }
    clear_all_assignees(ai);
    if (!resized && (best < 0 || best <= start)) {
        for (Ship *s : ships) {
            ai_combat_set_task(s, ai_combat_previous_of(s));
            join_task(ai, s);
        }
        settle_tasks(ai, player, first);
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        Ship *s = ships[i];
        ai_combat_set_task(s, ai->best_assignment[i]);
        if (s == actor && ai_combat_task_of(s) != ai_combat_previous_of(s)) ai->flags &= ~AI_FLAG_PLAN_RUNNING;
        join_task(ai, s);
    }
    settle_tasks(ai, player, first);
}

void ai_combat_each_kept_list(AiPlayer *ai, const std::function<void(const AiKeptList &)> &fn) {
    const AiKeptSearch *kept = ai ? ai->kept_search.get() : nullptr;
    if (!kept) return;
    // The lists a search would take: from each task's root, through the children made no earlier
    // than their ship's stamp.
    const size_t count = kept->ships.size();
    for (size_t t = 0; t < kept->task_ids.size(); ++t) {
        std::vector<int32_t> open{kept->task_root[t]};
        while (!open.empty()) {
            const int32_t n = open.back();
            open.pop_back();
            for (size_t i = 0; i < count; ++i) {
                const int32_t c = kept->children[size_t(n) * count + i];
                if (c >= 0 && list_stands(kept->nodes.data(), c, kept->ship_since[i])) open.push_back(c);
            }
            const JoinNode &node = kept->nodes[size_t(n)];
            if (node.parent < 0) continue;
            AiKeptList list;
            list.priority = node.priority;
            list.assigned = node.assigned;
            list.needed = node.needed;
            list.age = kept->search - node.made;
            for (int32_t m = n; kept->nodes[size_t(m)].parent >= 0; m = kept->nodes[size_t(m)].parent)
                list.ships.insert(list.ships.begin(), kept->ships[size_t(kept->nodes[size_t(m)].ship)]);
            list.task = ai_get_task(ai, kept->task_ids[t]);
            fn(list);
        }
    }
}
