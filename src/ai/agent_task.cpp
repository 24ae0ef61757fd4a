// Agent tasks: the record, the type table, creation, the save record, assignees and scoring.
#include "ai/agent_task.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>
#include "ai/ai_combat.h"
#include "ai/ai_crew.h"
#include "ai/ai_internal.h"
#include "ai/ai_player.h"
#include "ai/ai_production.h"
#include "ai/ai_sector_tasks.h"
#include "ai/ai_strike_tasks.h"
#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "platform/buffer.h"
#include "platform/files.h"
#include "platform/geometry.h"
#include "platform/log.h"
#include "platform/saturate.h"
#include "systems/plan_check.h"
#include "world/fleet.h"
#include "world/object.h"
#include "world/ship.h"

namespace {

// The path danger samples a way every 40 units, this many times at most: 40,960 units, thirty
// times the galaxy's diagonal.
constexpr int64_t PATH_DANGER_MAX_STEPS = 1024;

// The length of the way between any two points of the 32-bit plane; distance() itself where the
// legs fit its arguments.
int64_t way_length(int64_t dx, int64_t dy) {
    if (dx >= INT32_MIN && dx <= INT32_MAX && dy >= INT32_MIN && dy <= INT32_MAX) return distance(int(dx), int(dy));
    return int64_t(std::hypot(double(dx), double(dy)));
}

AgentTaskType g_types[AGENT_TASK_TYPE_COUNT];
bool g_types_done = false;

const char *const TYPE_NAMES[AGENT_TASK_TYPE_COUNT] = {
    "colonize sector", "attack fleet",   "explore sector",   "build site",
    "defend sector",   "build ship",     "attack ship",      "scan ship",
    "retreat ship",    "scan sector",    "research tech",    "defend bases",
    "gather feature",  "train pilot",    "assign ship pilot", "assign starbase pilot",
    "repair ship",     "attack sector",  "transfer crew",    "attack shot",
    "rush production", "build defense upgrade", "build collector", "scrap ships",
};

void release_assignee(GameObject *obj) { object_release(obj); }

// ---- The slots every type shares until its rules fill its own ----

int32_t data_size() { return int32_t(sizeof(AgentTaskData)); }

void data_free(AgentTask *task) {
    AgentTaskData *data = static_cast<AgentTaskData *>(task);
    if (data->target) object_release(data->target);
    if (data->sector) object_release(data->sector);
    if (data->officer) officer_release(data->officer);
    delete data;
}

void no_value(AgentTask *, AiPlayer *, Player *, int32_t *, int32_t *, int32_t *) {}

// "attack fleet" keeps its required strength in the save.
Result write_strength(const AgentTask *task, Buffer *buf) {
    return buffer_write_i32(buf, static_cast<const AgentTaskData *>(task)->strength);
}
Result read_strength(AgentTask *task, Buffer *buf) {
    return buffer_read_i32(buf, &static_cast<AgentTaskData *>(task)->strength);
}
// "gather feature" keeps the kind of the feature it is after.
Result write_feature(const AgentTask *task, Buffer *buf) {
    return buffer_write_i32(buf, static_cast<const AgentTaskData *>(task)->feature_kind);
}
Result read_feature(AgentTask *task, Buffer *buf) {
    return buffer_read_i32(buf, &static_cast<AgentTaskData *>(task)->feature_kind);
}
// "train pilot" has both slots and writes nothing.
Result write_nothing(const AgentTask *, Buffer *) { return RES_OK; }
Result read_nothing(AgentTask *, Buffer *) { return RES_OK; }

template <int32_t N>
const char *type_name() { return TYPE_NAMES[N]; }

template <int32_t N>
void type_init(AgentTaskType *t) {
    t->size = data_size;
    t->free = data_free;
    t->name = type_name<N>;
    t->evaluate = no_value;
    if constexpr (N == TASK_ATTACK_FLEET) {
        t->write_extra = write_strength;
        t->read_extra = read_strength;
    } else if constexpr (N == TASK_GATHER_FEATURE) {
        t->write_extra = write_feature;
        t->read_extra = read_feature;
    } else if constexpr (N == TASK_TRAIN_PILOT) {
        t->write_extra = write_nothing;
        t->read_extra = read_nothing;
    }
    ai_sector_task_type_init(N, t);
    ai_strike_task_type_init(N, t);
    ai_combat_task_type_fill(N, t);
    ai_crew_task_type_fill(N, t);
}

using TypeInitFn = void(AgentTaskType *t);
template <int32_t... N>
constexpr auto init_table(std::integer_sequence<int32_t, N...>) {
    return std::array<TypeInitFn *, sizeof...(N)>{type_init<N>...};
}
const auto TYPE_INITS = init_table(std::make_integer_sequence<int32_t, AGENT_TASK_TYPE_COUNT>{});

const AgentTaskType *type_of(const AgentTask *task) {
    return task->type < uint32_t(AGENT_TASK_TYPE_COUNT) ? &g_types[task->type] : nullptr;
}

// Allocates the type's record zeroed, with the common fields' defaults and an empty assignee list.
AgentTask *alloc_task(uint32_t type) {
    agent_task_types_init();
    const AgentTaskType *t = &g_types[type];
    if (!t->size || t->size() < int32_t(sizeof(AgentTaskData))) return nullptr;
    AgentTaskData *task = new (std::nothrow) AgentTaskData();
    if (!task) return nullptr;
    task->type = type;
    task->needed = 0;
    list_set_free_fn(&task->assignees, release_assignee);
    return task;
}

// Where an assignee counts from: its centre (when its type counts from centres), or the galaxy
// position of a ship.
void assignee_point(AiPlayer *ai, bool centres, GameObject *obj, int32_t *x, int32_t *y) {
    Ship *ship = ship_of(obj);
    if (centres || !ship) {
        ai_detail::centre_of(obj, x, y);
        return;
    }
    agent_task_ship_position(ai, ship, x, y);
}

// What the threats along the way from (x0, y0) to (tx, ty) take from a priority: the threats
// sampled every 40 units, the first two samples weighing most, or the threat where the way starts
// when it has no length. The threats are asked of the memo's grid, and kept in it by the point,
// when a memo is given.
int64_t path_danger(const ThreatList *threats, AgentTaskMemo *memo, int32_t x0, int32_t y0, int32_t tx, int32_t ty) {
    const auto threat_at = [threats, memo](int32_t x, int32_t y) {
        if (!threats) return 0;
        if (!memo) return fleet_threat_value(threats, x, y);
        bool fresh = false;
        int32_t *kept = memo->threats.find_or_add(uint64_t(int64_t(x)), uint64_t(int64_t(y)), &fresh);
        if (fresh) *kept = threat_grid_value(&memo->threat_grid, x, y);
        return *kept;
    };
    // Positions from a save may lie anywhere in the 32-bit plane: the way is measured in 64 bits and
    // sampled no further than PATH_DANGER_MAX_STEPS steps, far beyond any galaxy.
    const int64_t dx = int64_t(tx) - x0, dy = int64_t(ty) - y0;
    const int64_t d = way_length(dx, dy);
    if (d < 1) return threat_at(x0, y0);
    const int64_t step_x = dx * 40 / d, step_y = dy * 40 / d;
    const int64_t n = std::min<int64_t>((d - 1) / 40 + 1, PATH_DANGER_MAX_STEPS);
    int64_t weighted = 0, weights = 0;
    int64_t x = x0, y = y0;
    for (int64_t i = 0; i < n; ++i) {
        x += step_x;
        y += step_y;
        const int32_t w = i == 0 ? 3 : i == 1 ? 2 : 1;
        weighted += int64_t(threat_at(saturate_i32(x), saturate_i32(y))) * w;
        weights += w;
    }
    const int64_t danger = weighted / weights / 800;
    return danger >= 1 ? danger : 0;
}

// The memo the evaluations ask while one is open; none for fresh work.
AgentTaskMemo *open_memo(const AiPlayer *ai) { return ai && !plan_check_fresh() ? ai->task_memo : nullptr; }

uint64_t memo_hash(uint64_t key) { return (key * 0x9E3779B97F4A7C15ull) >> 56; }
static_assert(AgentTaskMemo::SLOTS == 256, "memo_hash keeps eight bits");

// The value and estimated strength of an assignee, from the memo when one is open. In line: the
// assignment search asks it for every assignee of every list it weighs.
[[gnu::always_inline]] inline void assignee_figures(AiPlayer *ai, const GameObject *obj, int32_t *value,
                                                    int32_t *strength) {
    AgentTaskMemo *memo = open_memo(ai);
    if (memo) {
        const size_t mask = AgentTaskMemo::SLOTS - 1;
        size_t i = size_t(memo_hash(uint64_t(reinterpret_cast<uintptr_t>(obj))));
        for (size_t probes = 0; probes < AgentTaskMemo::SLOTS; ++probes, i = (i + 1) & mask) {
            AgentTaskMemo::Figures &slot = memo->figures[i];
            if (slot.obj == obj) {
                *value = slot.value;
                *strength = slot.strength;
                if (plan_check_on()) [[unlikely]] {
                    plan_check_same("evaluation memo", "value", slot.value, player_object_value(obj));
                    plan_check_same("evaluation memo", "strength", slot.strength, ship_estimated_strength(obj));
                }
                return;
            }
            if (!slot.obj) {
                slot = {obj, player_object_value(obj), ship_estimated_strength(obj)};
                *value = slot.value;
                *strength = slot.strength;
                return;
            }
        }
    }
    *value = player_object_value(obj);
    *strength = ship_estimated_strength(obj);
}

// A ship's galaxy position, from the memo when one is open.
void position_of(AiPlayer *ai, Ship *ship, int32_t *x, int32_t *y) {
    if (AgentTaskMemo *memo = open_memo(ai)) {
        const size_t mask = AgentTaskMemo::SLOTS - 1;
        size_t i = size_t(memo_hash(uint64_t(reinterpret_cast<uintptr_t>(ship))));
        for (size_t probes = 0; probes < AgentTaskMemo::SLOTS; ++probes, i = (i + 1) & mask) {
            AgentTaskMemo::Position &slot = memo->positions[i];
            if (slot.obj == ship) {
                *x = slot.x;
                *y = slot.y;
                if (plan_check_on()) [[unlikely]] {
                    int32_t fx = 0, fy = 0;
                    ship_get_galaxy_position(ship, &fx, &fy);
                    plan_check_same("evaluation memo", "x", slot.x, fx);
                    plan_check_same("evaluation memo", "y", slot.y, fy);
                }
                return;
            }
            if (!slot.obj) {
                slot.obj = ship;
                ship_get_galaxy_position(ship, &slot.x, &slot.y);
                *x = slot.x;
                *y = slot.y;
                return;
            }
        }
    }
    ship_get_galaxy_position(ship, x, y);
}

// The object a table of found objects keeps for the id (non-zero), fetched into a free slot the
// first time; fetched afresh when the table is full.
template <typename Fetch>
GameObject *found_in(AgentTaskMemo::Found (&table)[AgentTaskMemo::SLOTS], uint64_t id, Fetch fetch) {
    const size_t mask = AgentTaskMemo::SLOTS - 1;
    size_t i = size_t(memo_hash(id));
    for (size_t probes = 0; probes < AgentTaskMemo::SLOTS; ++probes, i = (i + 1) & mask) {
        AgentTaskMemo::Found &slot = table[i];
        if (slot.id == id) {
            if (plan_check_on()) [[unlikely]]
                plan_check_same("evaluation memo", "object", uintptr_t(slot.obj), uintptr_t(fetch()));
            return slot.obj;
        }
        if (slot.id == 0) {
            slot = {id, fetch()};
            return slot.obj;
        }
    }
    return fetch();
}

// The object a task's target id names, from the memo when one is open.
GameObject *target_of(AiPlayer *ai, uint64_t id) {
    AgentTaskMemo *memo = open_memo(ai);
    if (memo && id != 0) return found_in(memo->found, id, [id] { return game_find_object(game_get(), id); });
    return game_find_object(game_get(), id);
}

// The player's snapshot of the object with the id, from the memo when one is open and was filled
// for this player.
GameObject *known_of(AiPlayer *ai, const Player *player, uint64_t id) {
    AgentTaskMemo *memo = open_memo(ai);
    if (memo && player && id != 0) {
        if (!memo->known_player) memo->known_player = player;
        if (memo->known_player == player)
            return found_in(memo->known, id, [player, id] { return player_known_object_by_id(player, id); });
    }
    return player ? player_known_object_by_id(player, id) : nullptr;
}

// path_danger on the AI's threats, from the memo when one is open: the search weighs the same few
// ways over and over (a group's mean position changes with its members, its target does not).
int64_t danger_of(AiPlayer *ai, int32_t x0, int32_t y0, int32_t tx, int32_t ty) {
    const ThreatList *threats = ai ? ai->threats : nullptr;
    AgentTaskMemo *memo = open_memo(ai);
    if (!memo) return path_danger(threats, nullptr, x0, y0, tx, ty);
    bool fresh = false;
    int64_t *kept = memo->dangers.find_or_add(uint64_t(uint32_t(x0)) << 32 | uint32_t(y0),
                                              uint64_t(uint32_t(tx)) << 32 | uint32_t(ty), &fresh);
    if (fresh) {
        if (threats && memo->threat_grid.list != threats) threat_grid_build(&memo->threat_grid, threats);
        // The ways' table stays as it is while the way is weighed: only the points' table grows.
        *kept = path_danger(threats, memo, x0, y0, tx, ty);
    } else if (plan_check_on()) [[unlikely]] {
        plan_check_same("evaluation memo", "path danger", *kept, path_danger(threats, nullptr, x0, y0, tx, ty));
    }
    return *kept;
}

}  // namespace

void agent_task_object_figures(AiPlayer *ai, const GameObject *obj, int32_t *value, int32_t *strength) {
    assignee_figures(ai, obj, value, strength);
}

GameObject *agent_task_known_object(AiPlayer *ai, const Player *player, uint64_t id) {
    return known_of(ai, player, id);
}

void agent_task_ship_position(AiPlayer *ai, Ship *ship, int32_t *x, int32_t *y) { position_of(ai, ship, x, y); }

AgentTaskTargetFigures *agent_task_target_figures(AiPlayer *ai, const AgentTask *task, bool *fresh) {
    AgentTaskMemo *memo = open_memo(ai);
    if (!memo) return nullptr;
    AgentTaskFold *fold = memo->fold_task == task ? memo->fold : nullptr;
    if (fold && fold->has_target) {
        *fresh = false;
        return &fold->target;
    }
    AgentTaskTargetFigures *kept = memo->targets.find_or_add(uint64_t(reinterpret_cast<uintptr_t>(task)), 0, fresh);
    if (fold && !*fresh) {
        fold->target = *kept;
        fold->has_target = true;
    }
    return kept;
}

int64_t *agent_task_object_word(AiPlayer *ai, const GameObject *obj, uint32_t type, bool *fresh) {
    AgentTaskMemo *memo = open_memo(ai);
    if (!memo) return nullptr;
    return memo->object_words.find_or_add(uint64_t(reinterpret_cast<uintptr_t>(obj)), type, fresh);
}

AgentTaskShare *agent_task_share(AiPlayer *ai, const GameObject *obj, const AgentTask *task, bool *fresh) {
    AgentTaskMemo *memo = open_memo(ai);
    if (!memo) return nullptr;
    return memo->shares.find_or_add(uint64_t(reinterpret_cast<uintptr_t>(obj)),
                                    uint64_t(reinterpret_cast<uintptr_t>(task)), fresh);
}

void agent_task_memo_open(AiPlayer *ai, AgentTaskMemo *memo) {
    std::fill(std::begin(memo->figures), std::end(memo->figures), AgentTaskMemo::Figures{nullptr, 0, 0});
    std::fill(std::begin(memo->found), std::end(memo->found), AgentTaskMemo::Found{0, nullptr});
    std::fill(std::begin(memo->known), std::end(memo->known), AgentTaskMemo::Found{0, nullptr});
    std::fill(std::begin(memo->positions), std::end(memo->positions), AgentTaskMemo::Position{nullptr, 0, 0});
    memo->known_player = nullptr;
    memo->dangers.clear();
    memo->threat_grid.list = nullptr;
    memo->targets.clear();
    memo->threats.clear();
    memo->object_words.clear();
    memo->task_ids.clear();
    memo->shares.clear();
    memo->fold_task = nullptr;
    memo->fold = nullptr;
    ai->task_memo = memo;
}

void agent_task_memo_close(AiPlayer *ai) { ai->task_memo = nullptr; }

AgentTaskFold *agent_task_fold(AiPlayer *ai, const AgentTask *task) {
    AgentTaskMemo *memo = open_memo(ai);
    return memo && memo->fold_task == task ? memo->fold : nullptr;
}

void agent_task_types_init() {
    if (g_types_done) return;
    for (AgentTaskType &t : g_types) t = AgentTaskType{};
    for (int32_t i = 0; i < AGENT_TASK_TYPE_COUNT; ++i) TYPE_INITS[size_t(i)](&g_types[i]);
    // Each family of types fills its own slots over the shared defaults.
    ai_production_types_init(g_types);
    g_types_done = true;
}

const AgentTaskType *agent_task_type(int32_t type) {
    agent_task_types_init();
    return type >= 0 && type < AGENT_TASK_TYPE_COUNT ? &g_types[type] : nullptr;
}

const char *agent_task_type_name(int32_t type) {
    const AgentTaskType *t = agent_task_type(type);
    return t && t->name ? t->name() : "";
}

AgentTaskType agent_task_type_swap(int32_t type, const AgentTaskType &record) {
    agent_task_types_init();
    if (type < 0 || type >= AGENT_TASK_TYPE_COUNT) return {};
    AgentTaskType old = g_types[type];
    g_types[type] = record;
    return old;
}

AgentTask *agent_task_create(int32_t type, uint32_t subtype, uint64_t target_id) {
    if (type < 0 || type >= AGENT_TASK_TYPE_COUNT) return nullptr;
    AgentTask *task = alloc_task(uint32_t(type));
    if (!task) return nullptr;
    task->subtype = subtype;
    task->target_id = target_id;
    if (g_types[type].link) g_types[type].link(task);
    return task;
}

void agent_task_assign_id(AgentTask *task) {
    if (task->id != 0) return;
    Game *game = game_get();
    task->id = game ? game_next_id(game) : 1;
}

void agent_task_free(AgentTask *task) {
    if (!task) return;
    list_clear(&task->assignees);
    const AgentTaskType *t = type_of(task);
    if (t && t->free) t->free(task);
    else delete static_cast<AgentTaskData *>(task);
}

Result agent_task_write(const AgentTask *task, Buffer *buf) {
    Result r = buffer_write_u32(buf, task->type);
    if (r == RES_OK) r = buffer_write_u32(buf, task->subtype);
    if (r == RES_OK) r = buffer_write_u64(buf, task->id);
    if (r == RES_OK) r = buffer_write_u64(buf, task->target_id);
    if (r == RES_OK) r = buffer_write_u32(buf, task->flags);
    for (uint64_t id : task->linked)
        if (r == RES_OK) r = buffer_write_u64(buf, id);
    const AgentTaskType *t = type_of(task);
    if (r == RES_OK && t && t->write_extra) r = t->write_extra(task, buf);
    return r;
}

Result agent_task_read(AgentTask **out, Buffer *buf) {
    uint32_t type = 0;
    Result r = buffer_read_u32(buf, &type);
    if (r != RES_OK) return r;
    if (type >= uint32_t(AGENT_TASK_TYPE_COUNT)) {
        log_write(LOG_AGENT, LOG_ERROR, "Agent task of unknown type %u", type);
        return RES_MALFORMED;
    }
    AgentTask *task = alloc_task(type);
    if (!task) return RES_NO_MEMORY;
    r = buffer_read_u32(buf, &task->subtype);
    if (r == RES_OK) r = buffer_read_u64(buf, &task->id);
    if (r == RES_OK) r = buffer_read_u64(buf, &task->target_id);
    if (r == RES_OK) r = buffer_read_u32(buf, &task->flags);
    for (uint64_t &id : task->linked)
        if (r == RES_OK) r = buffer_read_u64(buf, &id);
    if (r == RES_OK && g_types[type].read_extra) r = g_types[type].read_extra(task, buf);
    if (r != RES_OK) {
        agent_task_free(task);
        return r;
    }
    if (out) *out = task;
    else agent_task_free(task);
    return RES_OK;
}

void agent_task_add_assignee(AgentTask *task, GameObject *obj) {
    if (!obj) return;
    object_add_ref(obj);
    if (list_append(&task->assignees, obj) < 0) object_release(obj);
}


GameObject *agent_task_find_assignee(AgentTask *task, uint64_t id) {
    for (GameObject *obj : task->assignees.items) {
        if (!obj) break;
        if (obj->id == id && !(obj->flags & OBJ_DEAD)) return obj;
    }
    return nullptr;
}

void agent_task_clear_assignees(AgentTask *task) {
    list_clear(&task->assignees);
    task->assigned = 0;
    task->priority = 0;
}

void agent_task_clear_borrowed(AgentTask *task) {
    task->assignees.items.clear();
    task->assigned = 0;
    task->priority = 0;
}

int64_t agent_task_total(const AiPlayer *ai, const AgentTask *task) {
    int64_t total = task->priority;
    if (task->needed >= 1 && task->assigned >= task->needed) {
        const int64_t bonus = int64_t(ai->full_task_bonus) * task->priority / 100;
        if (bonus >= 1) total += bonus;
    }
    return total;
}

int32_t agent_task_ship_utility(AgentTask *task, GameObject *ship) {
    const AgentTaskType *t = type_of(task);
    return t && t->ship_utility ? t->ship_utility(task, ship) : 0;
}

void agent_task_update(AgentTask *task, AiPlayer *ai, Player *player) {
    const AgentTaskType *t = type_of(task);
    if (t && t->update) t->update(task, ai, player);
}

void agent_task_act(AgentTask *task, AiPlayer *ai, Player *player) {
    const AgentTaskType *t = type_of(task);
    if (t && t->act) t->act(task, ai, player);
}

void agent_task_combat_begin(AgentTask *task, AiPlayer *ai, GameObject *ship) {
    const AgentTaskType *t = type_of(task);
    if (t && t->combat_begin) t->combat_begin(task, ai, ship);
}

int32_t agent_task_combat_score(AgentTask *task, AiPlayer *ai, GameObject *ship) {
    const AgentTaskType *t = type_of(task);
    return t && t->combat_score ? t->combat_score(task, ai, ship) : 0;
}

int32_t agent_task_combat_next_option(AgentTask *task, AiPlayer *ai, GameObject *ship, int32_t index) {
    const AgentTaskType *t = type_of(task);
    return t && t->combat_next_option ? t->combat_next_option(task, ai, ship, index) : AGENT_TASK_NO_OPTION;
}

int32_t agent_task_is_obsolete(AgentTask *task, AiPlayer *ai, Player *player) {
    const AgentTaskType *t = type_of(task);
    return t && t->is_obsolete ? t->is_obsolete(task, ai, player) : 0;
}

Result agent_task_relink(AgentTask *task) {
    const AgentTaskType *t = type_of(task);
    return t && t->relink ? t->relink(task) : RES_OK;
}

void agent_task_describe(AgentTask *task, AiPlayer *ai, std::string *text) {
    const AgentTaskType *t = type_of(task);
    if (t && t->describe) t->describe(task, ai, text);
}

int32_t agent_task_check_done(AgentTask *task, AiPlayer *ai, Player *player) {
    if (task->flags & TASK_DONE) return 1;
    const AgentTaskType *t = type_of(task);
    const int32_t done = t && t->execute ? t->execute(task, ai, player) : 0;
    if (done) task->flags |= TASK_DONE;
    return done;
}

void agent_task_set_done(AgentTask *task) { task->flags |= TASK_DONE; }

int32_t agent_task_check_blocked(AgentTask *task, AiPlayer *ai, Player *player) {
    if (task->flags & TASK_BLOCKED) return 1;
    const AgentTaskType *t = type_of(task);
    const int32_t blocked = t && t->is_blocked ? t->is_blocked(task, ai, player) : 0;
    if (blocked) task->flags |= TASK_BLOCKED;
    return blocked;
}

namespace {

// The live assignees' values and strengths from the one at `from` on, to the first empty place:
// the place it stopped at.
size_t sum_figures(AiPlayer *ai, const AgentTask *task, size_t from, int64_t *value, int64_t *strength) {
    const std::vector<GameObject *> &items = task->assignees.items;
    size_t at = from;
    for (; at < items.size(); ++at) {
        GameObject *obj = items[at];
        if (!obj) break;
        if (obj->flags & OBJ_DEAD) continue;
        int32_t v = 0, s = 0;
        assignee_figures(ai, obj, &v, &s);
        *value += v;
        *strength += s;
    }
    return at;
}

// Whether the AI has a task with the id, through the memo when one is open (no task comes or goes
// while it is).
bool task_with_id(AiPlayer *ai, AgentTaskMemo *memo, uint64_t id) {
    if (!memo) return ai_get_task(ai, id) != nullptr;
    bool fresh = false;
    uint8_t *kept = memo->task_ids.find_or_add(id, 0, &fresh);
    if (fresh) *kept = ai_get_task(ai, id) ? 1 : 2;
    else if (plan_check_on()) [[unlikely]]
        plan_check_same("evaluation memo", "task", *kept == 1, ai_get_task(ai, id) != nullptr);
    return *kept == 1;
}

}  // namespace

void agent_task_evaluate(AgentTask *task, AiPlayer *ai, Player *player, int32_t with_priority) {
    agent_task_evaluate_folded(task, ai, player, with_priority, nullptr);
}

void agent_task_evaluate_folded(AgentTask *task, AiPlayer *ai, Player *player, int32_t with_priority,
                                AgentTaskFold *fold) {
    AgentTaskMemo *memo = open_memo(ai);
    if (!memo) fold = nullptr;
    // The evaluation the last join owes: it reads the figures that join found, and must give the
    // ones it left.
    int32_t owed_assigned = 0, owed_needed = 0;
    const bool owed = fold && fold->owed;
    if (owed) {
        owed_assigned = task->assigned;
        owed_needed = task->needed;
        task->assigned = fold->before_assigned;
        task->needed = fold->before_needed;
        fold->owed = false;
    }
    // Figures, utilities and weights may come from a save at the ends of the range: summed and
    // weighed in 64 bits, then held to the 32-bit range.
    int64_t value = 0, strength = 0;
    if (fold) {
        value = fold->value;
        strength = fold->strength;
        fold->common = int32_t(sum_figures(ai, task, size_t(fold->common), &value, &strength));
        fold->value = value;
        fold->strength = strength;
        if (plan_check_on()) [[unlikely]] {
            int64_t v = 0, s = 0;
            sum_figures(ai, task, 0, &v, &s);
            plan_check_same("evaluation fold", "value", value, v);
            plan_check_same("evaluation fold", "strength", strength, s);
        }
    } else {
        sum_figures(ai, task, 0, &value, &strength);
    }
    task->assignee_value = ai_clamp32(value);
    task->assignee_strength = ai_clamp32(strength);
    task->priority_bonus = 0;
    int32_t evaluated = 0, assigned = 0, needed = 0;
    const AgentTaskType *t = type_of(task);
    if (memo) {
        memo->fold_task = fold ? task : nullptr;
        memo->fold = fold;
    }
    if (t && t->evaluate) t->evaluate(task, ai, player, &evaluated, &assigned, &needed);
    int64_t utility = evaluated;
    if (task->inherited_utility / 4 > 0) utility += task->inherited_utility / 4;
    const int64_t w = 100 + int64_t(ai && ai->weights && task->type < uint32_t(AI_TASK_WEIGHTS) ? ai->weights[task->type] : 0);
    if (w != 100) utility = utility * w / 100;
    task->utility = int32_t(std::clamp<int64_t>(utility, 0, INT32_MAX));
    task->assigned = std::max(assigned, 0);
    task->needed = std::max(needed, 1);
    if (owed && plan_check_on()) [[unlikely]] {
        plan_check_same("evaluation need", "assigned", owed_assigned, task->assigned);
        plan_check_same("evaluation need", "needed", owed_needed, task->needed);
    }
    if (with_priority) agent_task_weigh_priority(task, ai, fold);
    task->flags &= ~TASK_BLOCKED;
    if (task->assigned < task->needed && t && t->is_blocked && t->is_blocked(task, ai, player))
        task->flags |= TASK_BLOCKED;
    if (memo) {
        memo->fold_task = nullptr;
        memo->fold = nullptr;
    }
    if (task->linked[0] | task->linked[1] | task->linked[2])
        for (uint64_t &id : task->linked)
            if (id != 0 && !task_with_id(ai, memo, id)) id = 0;
}

bool agent_task_evaluate_need(AgentTask *task, AiPlayer *ai, Player *player, AgentTaskFold *fold) {
    AgentTaskMemo *memo = open_memo(ai);
    const AgentTaskType *t = type_of(task);
    if (!memo || !fold || !t || !t->need) return false;
    int32_t assigned = 0, needed = 0;
    memo->fold_task = task;
    memo->fold = fold;
    t->need(task, ai, player, &assigned, &needed);
    memo->fold_task = nullptr;
    memo->fold = nullptr;
    assigned = std::max(assigned, 0);
    needed = std::max(needed, 1);
    if (plan_check_on()) [[unlikely]] {
        // The whole evaluation from the figures this join found, unfolded; then all put back.
        const AgentTaskFigures kept = agent_task_figures(task);
        agent_task_evaluate_folded(task, ai, player, 0, nullptr);
        plan_check_same("evaluation need", "assigned", task->assigned, assigned);
        plan_check_same("evaluation need", "needed", task->needed, needed);
        agent_task_put_figures(task, kept);
    }
    agent_task_put_need(task, fold, assigned, needed);
    return true;
}

void agent_task_put_need(AgentTask *task, AgentTaskFold *fold, int32_t assigned, int32_t needed) {
    fold->owed = true;
    fold->before_assigned = task->assigned;
    fold->before_needed = task->needed;
    task->assigned = assigned;
    task->needed = needed;
}

AgentTaskFigures agent_task_figures(const AgentTask *task) {
    const AgentTaskData *d = static_cast<const AgentTaskData *>(task);
    AgentTaskFigures f{.utility = task->utility, .assigned = task->assigned, .needed = task->needed,
                       .priority = task->priority, .blocked = (task->flags & TASK_BLOCKED) != 0,
                       .assignee_value = task->assignee_value, .assignee_strength = task->assignee_strength,
                       .priority_bonus = task->priority_bonus, .known = d->known, .strength = d->strength,
                       .value = d->value};
    std::copy(std::begin(task->linked), std::end(task->linked), f.linked);
    return f;
}

void agent_task_put_figures(AgentTask *task, const AgentTaskFigures &f) {
    AgentTaskData *d = static_cast<AgentTaskData *>(task);
    task->utility = f.utility;
    task->assigned = f.assigned;
    task->needed = f.needed;
    task->priority = f.priority;
    task->flags = f.blocked ? task->flags | TASK_BLOCKED : task->flags & ~TASK_BLOCKED;
    std::copy(std::begin(f.linked), std::end(f.linked), task->linked);
    task->assignee_value = f.assignee_value;
    task->assignee_strength = f.assignee_strength;
    task->priority_bonus = f.priority_bonus;
    d->known = f.known;
    d->strength = f.strength;
    d->value = f.value;
}

bool agent_task_inputs(AgentTask *task, AiPlayer *ai, AgentTaskInputs *out) {
    out->count = 0;
    const AgentTaskType *t = type_of(task);
    if (!t || t->is_blocked || (task->flags & TASK_PATH_DANGER) || !t->use_centre || t->use_centre() == 0) return false;
    for (uint64_t id : task->linked)
        if (id != 0) return false;
    out->add(int64_t(reinterpret_cast<uintptr_t>(task)));
    out->add(int64_t(task->id));
    out->add(int64_t(task->type));
    out->add(int64_t(task->subtype));
    out->add(int64_t(task->flags & TASK_DISTANCE_BONUS));
    out->add(int64_t(task->target_id));
    out->add(task->inherited_utility);
    out->add(ai && ai->weights && task->type < uint32_t(AI_TASK_WEIGHTS) ? ai->weights[task->type] : 0);
    out->add(ai ? ai->full_task_bonus : 0);
    const GameObject *target = task->target_id != 0 ? target_of(ai, task->target_id) : nullptr;
    out->add(int64_t(reinterpret_cast<uintptr_t>(target)));
    if (target) {
        int32_t x = 0, y = 0;
        ai_detail::centre_of(target, &x, &y);
        out->add(x);
        out->add(y);
    }
    return true;
}

void agent_task_assignee_inputs(AiPlayer *ai, GameObject *obj, AgentTaskInputs *out) {
    out->add(int64_t(reinterpret_cast<uintptr_t>(obj)));
    out->add(int64_t(obj->id));
    out->add(int64_t(obj->flags & OBJ_DEAD));
    int32_t value = 0, strength = 0, x = 0, y = 0;
    assignee_figures(ai, obj, &value, &strength);
    ai_detail::centre_of(obj, &x, &y);
    out->add(value);
    out->add(strength);
    out->add(x);
    out->add(y);
}

namespace {

// The sum of the assignees' distances to the target point, from the one at `from` on to the first
// empty place: the place it stopped at.
size_t sum_distances(AiPlayer *ai, const AgentTask *task, bool centres, int32_t tx, int32_t ty, size_t from,
                     int64_t *sum) {
    const std::vector<GameObject *> &items = task->assignees.items;
    size_t at = from;
    for (; at < items.size() && items[at]; ++at) {
        int32_t x = 0, y = 0;
        assignee_point(ai, centres, items[at], &x, &y);
        *sum += distance(tx - x, ty - y);
    }
    return at;
}

// The priority of the task's figures; without the danger along the way (which only takes from it)
// when `danger` is false. The distances are folded on in the task's fold when one is given.
int32_t priority_of(AgentTask *task, AiPlayer *ai, bool danger, AgentTaskFold *fold) {
    if (task->needed <= 0) return 0;
    int64_t p = int64_t(std::min(task->assigned, task->needed)) * task->utility / task->needed;
    const int32_t count = list_count(&task->assignees);
    // Only the distance bonus and the path danger look at the target: the others skip the lookup,
    // which the assignment search would otherwise make for every task it weighs.
    const bool needs_target = task->flags & (TASK_DISTANCE_BONUS | TASK_PATH_DANGER);
    GameObject *target =
        needs_target && task->target_id != 0 && count > 0 ? target_of(ai, task->target_id) : nullptr;
    const AgentTaskType *t = type_of(task);
    if (target && (task->flags & TASK_DISTANCE_BONUS)) {
        int32_t tx = 0, ty = 0;
        ai_detail::centre_of(target, &tx, &ty);
        int64_t sum = 0;
        const bool centres = t && t->use_centre && t->use_centre() != 0;
        if (fold && open_memo(ai)) {
            sum = fold->distances;
            fold->distant = int32_t(sum_distances(ai, task, centres, tx, ty, size_t(fold->distant), &sum));
            fold->distances = sum;
            if (plan_check_on()) [[unlikely]] {
                int64_t whole = 0;
                sum_distances(ai, task, centres, tx, ty, 0, &whole);
                plan_check_same("evaluation fold", "distances", sum, whole);
            }
        } else {
            sum_distances(ai, task, centres, tx, ty, 0, &sum);
        }
        const int64_t avg = sum / count;
        const int64_t bonus = (600 - avg) * (600 - avg) / 360;
        if (bonus > 0) p += bonus;
    }
    if (danger && target && (task->flags & TASK_PATH_DANGER)) {
        int64_t sx = 0, sy = 0;
        for (GameObject *obj : task->assignees.items) {
            if (!obj) break;
            int32_t x = 0, y = 0;
            if (Ship *ship = ship_of(obj)) agent_task_ship_position(ai, ship, &x, &y);
            else ai_detail::centre_of(obj, &x, &y);
            sx += x;
            sy += y;
        }
        const int32_t x0 = int32_t(sx / count), y0 = int32_t(sy / count);
        int32_t tx = 0, ty = 0;
        ai_detail::centre_of(target, &tx, &ty);
        p -= danger_of(ai, x0, y0, tx, ty);
    }
    if (task->priority_bonus != 0) p += task->priority_bonus;
    return int32_t(std::clamp<int64_t>(p, 0, INT32_MAX));
}

}  // namespace

int32_t agent_task_assignee_distance(AgentTask *task, AiPlayer *ai, GameObject *obj) {
    if (!(task->flags & TASK_DISTANCE_BONUS) || task->target_id == 0) return 0;
    const GameObject *target = target_of(ai, task->target_id);
    if (!target) return 0;
    const AgentTaskType *t = type_of(task);
    int32_t tx = 0, ty = 0, x = 0, y = 0;
    ai_detail::centre_of(target, &tx, &ty);
    assignee_point(ai, t && t->use_centre && t->use_centre() != 0, obj, &x, &y);
    return distance(tx - x, ty - y);
}

void agent_task_update_priority(AgentTask *task, AiPlayer *ai) { task->priority = priority_of(task, ai, true, nullptr); }

void agent_task_weigh_priority(AgentTask *task, AiPlayer *ai, AgentTaskFold *fold) {
    task->priority = task->assigned > 0 ? priority_of(task, ai, true, fold) : 0;
}

void agent_task_weigh_priority_bound(AgentTask *task, AiPlayer *ai, AgentTaskFold *fold) {
    task->priority = task->assigned > 0 ? priority_of(task, ai, false, fold) : 0;
}

bool agent_task_owed_bound(AgentTask *task, AiPlayer *ai, Player *player, AgentTaskFold *fold) {
    const AgentTaskType *t = type_of(task);
    if (!fold || !fold->owed || !open_memo(ai) || !t || !t->owed_bonus) return false;
    int32_t bonus = 0;
    AgentTaskMemo *memo = ai->task_memo;
    memo->fold_task = task;
    memo->fold = fold;
    const bool said = t->owed_bonus(task, ai, player, fold, &bonus);
    memo->fold_task = nullptr;
    memo->fold = nullptr;
    if (!said) return false;
    // The utility stands as the last evaluation left it (the type weighs it from its target), and
    // the need slots left assigned and needed.
    task->priority_bonus = bonus;
    agent_task_weigh_priority_bound(task, ai, fold);
    if (plan_check_on()) [[unlikely]] {
        const int32_t utility = task->utility, priority = task->priority;
        agent_task_evaluate_folded(task, ai, player, 0, fold);
        agent_task_weigh_priority_bound(task, ai);
        plan_check_same("evaluation owed", "utility", utility, task->utility);
        plan_check_same("evaluation owed", "bonus", bonus, task->priority_bonus);
        plan_check_same("evaluation owed", "priority", priority, task->priority);
    }
    return true;
}
