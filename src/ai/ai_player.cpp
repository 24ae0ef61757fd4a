// AiPlayer: record, creation, presets, stop and clear, save record and task-map lookups.
#include "ai/ai_player.h"

#include <algorithm>
#include <cstring>
#include <new>
#include "ai/agent_task.h"
#include "ai/ai_combat.h"
#include "ai/ai_galaxy.h"
#include "ai/ai_encounter_accept.h"
#include "game/game.h"
#include "game/player.h"
#include "game/records.h"
#include "platform/buffer.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/random.h"
#include "world/fleet.h"
#include "world/ship.h"
#include "world/world_hooks.h"

namespace {

// A saved task: type, subtype, id, target id, flags and three linked ids.
constexpr uint32_t TASK_RECORD_MIN_BYTES = 4 + 4 + 8 + 8 + 4 + 3 * 8;

void free_task(AgentTask *task) { agent_task_free(task); }
void free_int(int32_t *value) { delete value; }

template <typename T>
void ensure_list(List<T> *&list) {
    if (!list) list = list_create<T>();
    else list_reset(list);
}

HashMap<AgentTask> *new_task_map() {
    HashMap<AgentTask> *map = hash_map_create<AgentTask>(key64_dup, key64_free, key64_hash, key64_compare);
    if (map) hash_map_set_value_fns<AgentTask>(map, nullptr, free_task);
    return map;
}

void init_common(AiPlayer *ai) {
    if (!ai->tasks) ai->tasks = new_task_map();
    else hash_map_clear(ai->tasks);
    for (List<AgentTask> **list : {&ai->listed, &ai->selected, &ai->open, &ai->candidates}) ensure_list(*list);
    ensure_list(ai->ships);
    if (!ai->weights) ai->weights = new (std::nothrow) int32_t[AI_TASK_WEIGHTS];
    if (ai->weights) std::fill(ai->weights, ai->weights + AI_TASK_WEIGHTS, 0);
}

uint64_t next_id() {
    Game *game = game_get();
    return game ? game_next_id(game) : 1;
}

void copy_galaxy_tuning(AiPlayer *ai, const PlayerRecord *r) {
    ai->combat_pilot_pct = r->combat_pilot_pct;
    ai->galaxy_pilot_pct = r->galaxy_pilot_pct;
    ai->starbase_pilot_pct = r->starbase_pilot_pct;
    ai->strike_margin_pct = r->strike_margin_pct;
    ai->attack_fleet_radius = r->attack_fleet_radius;
    std::copy(std::begin(r->template_weights), std::end(r->template_weights), ai->template_weights);
    std::copy(std::begin(r->system_weights), std::end(r->system_weights), ai->system_weights);
    ai->weapon_first_chance = r->weapon_first_chance;
    ai->armour_bonus_chance = r->armour_bonus_chance;
    ai->extra_tuning = r->extra_tuning;
    if (ai->weights) std::copy(std::begin(r->task_weights), std::end(r->task_weights), ai->weights);
    ai->reassign_penalty = r->galaxy_reassign_penalty;
    ai->full_task_bonus = r->galaxy_full_task_bonus;
    ai->courage = r->courage;
    ai->extra_selections = r->extra_selections;
    ai->research_queue_limit = r->research_queue_limit;
    ai->design_target = r->design_target;
    ai->design_lifetime_min = r->design_lifetime_min;
    ai->design_lifetime_max = r->design_lifetime_max;
    ai->shipyard_pct = r->shipyard_pct;
    ai->research_station_pct = r->research_station_pct;
    ai->training_site_pct = r->training_site_pct;
    ai->personality_min = r->personality_min;
    ai->personality_max = r->personality_max;
}

Result read_i32s(Buffer *buf, std::initializer_list<int32_t *> fields) {
    for (int32_t *v : fields)
        if (Result r = buffer_read_i32(buf, v); r != RES_OK) return r;
    return RES_OK;
}

Result write_i32s(Buffer *buf, std::initializer_list<int32_t> values) {
    for (int32_t v : values)
        if (Result r = buffer_write_i32(buf, v); r != RES_OK) return r;
    return RES_OK;
}

}  // namespace

// ---- Creation ----

AiPlayer *ai_player_alloc() { return new (std::nothrow) AiPlayer(); }

void ai_player_init_galaxy(AiPlayer *ai) {
    ai->kind = AI_KIND_GALAXY;
    init_common(ai);
    if (!ai->enemy_strength) {
        ai->enemy_strength = hash_map_create<int32_t>(key64_dup, key64_free, key64_hash, key64_compare);
        if (ai->enemy_strength) hash_map_set_value_fns<int32_t>(ai->enemy_strength, nullptr, free_int);
    } else {
        hash_map_clear(ai->enemy_strength);
    }
    ensure_list(ai->own_sectors);
    ensure_list(ai->defence);
    if (!ai->site_counts) ai->site_counts = new (std::nothrow) int32_t[AI_SITE_TEMPLATES];
    if (ai->site_counts) std::fill(ai->site_counts, ai->site_counts + AI_SITE_TEMPLATES, 0);
    if (!ai->threats) ai->threats = threat_list_create();
    ai->combat_design_counter = ai->constructor_counter = ai->hacking_grid_counter = 0;
}

void ai_player_init_commander(AiPlayer *ai) {
    ai->kind = AI_KIND_COMMANDER;
    init_common(ai);
    ensure_list(ai->snapshots);
    ensure_list(ai->spare);
}

AiPlayer *ai_player_create() {
    AiPlayer *ai = ai_player_alloc();
    if (!ai) return nullptr;
    ai_player_init_galaxy(ai);
    ai->id = next_id();
    return ai;
}

AiPlayer *ai_player_create_commander() {
    AiPlayer *ai = ai_player_alloc();
    if (!ai) return nullptr;
    ai_player_init_commander(ai);
    ai->plan_step = -1;
    ai->id = next_id();
    return ai;
}

AiPlayer *ai_player_create_from_template(const PlayerRecord *record) {
    AiPlayer *ai = ai_player_create();
    if (ai && record) copy_galaxy_tuning(ai, record);
    return ai;
}

AiPlayer *ai_player_create_commander_from_template(const PlayerRecord *record) {
    AiPlayer *ai = ai_player_create_commander();
    if (!ai || !record) return ai;
    if (ai->weights) std::copy(std::begin(record->task_weights), std::end(record->task_weights), ai->weights);
    ai->reassign_penalty = record->commander_reassign_penalty;
    ai->full_task_bonus = record->commander_full_task_bonus;
    return ai;
}

void ai_player_set_defaults(AiPlayer *ai) {
    ai->weapon_first_chance = 90;
    ai->armour_bonus_chance = 100;
    const int32_t templates[][2] = {{2, 20}, {3, 80}, {5, 80}, {6, 300}, {7, 330}, {8, 300}};
    for (const auto &[t, w] : templates) ai->template_weights[t] = w;
    const int32_t systems[][2] = {{1, 50}, {5, 50}, {7, 50}, {8, 50}, {21, 30}};
    for (const auto &[t, w] : systems) ai->system_weights[t] = w;
    ai->design_target = 1;
    ai->design_lifetime_min = 28;
    ai->design_lifetime_max = 35;
    ai->flags |= AI_FLAG_PASSIVE;
}

namespace {

void commander_preset(AiPlayer *ai, int32_t attack, int32_t scan, int32_t shot, int32_t penalty, int32_t bonus) {
    if (ai->weights) {
        ai->weights[TASK_ATTACK_SHIP] = attack;
        ai->weights[TASK_SCAN_SHIP] = scan;
        ai->weights[TASK_ATTACK_SHOT] = shot;
    }
    ai->reassign_penalty = penalty;
    ai->full_task_bonus = bonus;
}

void empty_commander_lists(AiPlayer *ai) {
    if (ai->listed) list_clear(ai->listed);
    if (ai->ships) list_clear(ai->ships);
    if (ai->tasks) hash_map_clear(ai->tasks);
    ai->plan_ship_id = 0;
}

}  // namespace

void ai_commander_preset_1(AiPlayer *ai) { commander_preset(ai, 40, 10, 20, 50, 25); }
void ai_commander_preset_2(AiPlayer *ai) { commander_preset(ai, 20, 30, 40, 25, 30); }

void ai_player_clear_tasks(AiPlayer *ai) {
    if (!ai || ai->kind != AI_KIND_COMMANDER) return;
    empty_commander_lists(ai);
}

void ai_player_stop(AiPlayer *ai) {
    if (!ai) return;
    ai->kept_search.reset();
    ai->flags |= AI_FLAG_NEW_ENCOUNTER;
    if (ai->kind != AI_KIND_COMMANDER) return;
    empty_commander_lists(ai);
    ai->flags &= ~AI_FLAG_PLAN_MADE;
}

void ai_player_free(AiPlayer *ai) {
    if (!ai) return;
    // The lists borrow tasks from the map: they go first.
    for (List<AgentTask> *list : {ai->listed, ai->selected, ai->open, ai->candidates, ai->defence}) {
        if (list) list_reset(list);
        delete list;
    }
    hash_map_free(ai->tasks);
    hash_map_free(ai->enemy_strength);
    for (List<GameObject> *list : {ai->ships, ai->own_sectors, ai->snapshots, ai->spare}) {
        if (list) list_reset(list);
        delete list;
    }
    delete[] ai->weights;
    delete[] ai->site_counts;
    threat_list_free(ai->threats);
    delete ai;
}

void ai_player_draw_personality(AiPlayer *ai) {
    if (ai->flags & AI_FLAG_PERSONALITY_SET) return;
    ai->flags |= AI_FLAG_PERSONALITY_SET;
    ai->personality = std::max(1, random_range(ai->personality_min, ai->personality_max));
}

int64_t ai_strength_as_value(const AiPlayer *ai, int64_t strength) {
    if (!ai || ai->own_strength <= 0 || ai->own_value <= 0) return strength;
    return strength * ai->own_value / ai->own_strength;
}

// ---- Save record ----

Result ai_player_save(const AiPlayer *ai, Buffer *buf) {
    Result r = buffer_write_i32(buf, ai->kind);
    if (r == RES_OK) r = buffer_write_u64(buf, ai->id);
    if (r == RES_OK) r = buffer_write_u32(buf, ai->flags);
    if (r == RES_OK) r = buffer_write_u32(buf, ai->weights ? 1u : 0u);
    for (int32_t i = 0; r == RES_OK && ai->weights && i < AI_TASK_WEIGHTS; ++i) r = buffer_write_i32(buf, ai->weights[i]);
    if (r == RES_OK)
        r = write_i32s(buf, {ai->reassign_penalty, ai->full_task_bonus, ai->courage, ai->combat_pilot_pct,
                             ai->galaxy_pilot_pct, ai->starbase_pilot_pct, ai->strike_margin_pct,
                             ai->attack_fleet_radius, ai->extra_selections, ai->research_queue_limit, ai->design_target,
                             ai->design_lifetime_min, ai->design_lifetime_max, ai->shipyard_pct,
                             ai->research_station_pct, ai->training_site_pct, ai->personality_min,
                             ai->personality_max, ai->personality});
    for (int32_t v : ai->template_weights)
        if (r == RES_OK) r = buffer_write_i32(buf, v);
    for (int32_t v : ai->system_weights)
        if (r == RES_OK) r = buffer_write_i32(buf, v);
    if (r == RES_OK)
        r = write_i32s(buf, {ai->weapon_first_chance, ai->armour_bonus_chance, ai->combat_design_counter,
                             ai->constructor_counter, ai->hacking_grid_counter, int32_t(ai->extra_tuning.size())});
    for (int32_t v : ai->extra_tuning)
        if (r == RES_OK) r = buffer_write_i32(buf, v);
    if (r == RES_OK) r = buffer_write_i32(buf, ai->tasks ? hash_map_count(ai->tasks) : 0);
    if (r == RES_OK && ai->tasks) {
        HashMapIter<AgentTask> iter;
        hash_map_iter_init(&iter, ai->tasks);
        AgentTask *task = nullptr;
        while (r == RES_OK && hash_map_iter_next(&iter, nullptr, &task))
            if (task) r = agent_task_write(task, buf);
    }
    return r;
}

Result ai_player_load(AiPlayer **out, Buffer *buf) {
    AiPlayer *ai = ai_player_alloc();
    if (!ai) return RES_NO_MEMORY;
    int32_t kind = 0;
    Result r = buffer_read_i32(buf, &kind);
    if (r == RES_OK && kind == AI_KIND_COMMANDER) ai_player_init_commander(ai);
    else if (r == RES_OK && kind == AI_KIND_GALAXY) ai_player_init_galaxy(ai);
    else if (r == RES_OK) {
        // Without maps a record of another kind would have nowhere to keep its tasks.
        log_write(LOG_AGENT, LOG_ERROR, "AI state of unknown kind %i", kind);
        r = RES_MALFORMED;
    }
    if (r == RES_OK) r = buffer_read_u64(buf, &ai->id);
    if (r == RES_OK) r = buffer_read_u32(buf, &ai->flags);
    uint32_t has_weights = 0;
    if (r == RES_OK) r = buffer_read_u32(buf, &has_weights);
    for (int32_t i = 0; r == RES_OK && has_weights && i < AI_TASK_WEIGHTS; ++i) {
        int32_t w = 0;
        r = buffer_read_i32(buf, &w);
        if (r == RES_OK && ai->weights) ai->weights[i] = w;
    }
    if (r == RES_OK)
        r = read_i32s(buf, {&ai->reassign_penalty, &ai->full_task_bonus, &ai->courage, &ai->combat_pilot_pct,
                            &ai->galaxy_pilot_pct, &ai->starbase_pilot_pct, &ai->strike_margin_pct,
                            &ai->attack_fleet_radius, &ai->extra_selections, &ai->research_queue_limit,
                            &ai->design_target, &ai->design_lifetime_min, &ai->design_lifetime_max, &ai->shipyard_pct,
                            &ai->research_station_pct, &ai->training_site_pct, &ai->personality_min,
                            &ai->personality_max, &ai->personality});
    for (int32_t &v : ai->template_weights)
        if (r == RES_OK) r = buffer_read_i32(buf, &v);
    for (int32_t &v : ai->system_weights)
        if (r == RES_OK) r = buffer_read_i32(buf, &v);
    if (r == RES_OK)
        r = read_i32s(buf, {&ai->weapon_first_chance, &ai->armour_bonus_chance, &ai->combat_design_counter,
                            &ai->constructor_counter, &ai->hacking_grid_counter});
    int32_t n = 0;
    if (r == RES_OK) r = buffer_read_count(buf, 4, &n);
    if (r == RES_OK) ai->extra_tuning.assign(size_t(n), 0);
    for (int32_t &v : ai->extra_tuning)
        if (r == RES_OK) r = buffer_read_i32(buf, &v);
    if (r == RES_OK) r = buffer_read_count(buf, TASK_RECORD_MIN_BYTES, &n);
    for (int32_t i = 0; r == RES_OK && i < n; ++i) {
        AgentTask *task = nullptr;
        r = agent_task_read(&task, buf);
        if (r == RES_OK && !ai_add_task(ai, task)) r = RES_NO_MEMORY;
    }
    if (r != RES_OK) {
        ai_player_free(ai);
        return r;
    }
    if (out) *out = ai;
    else ai_player_free(ai);
    return RES_OK;
}

// ---- Tasks ----

Result ai_relink_tasks(AiPlayer *ai) {
    if (!ai || !ai->tasks) return RES_OK;
    HashMapIter<AgentTask> iter;
    hash_map_iter_init(&iter, ai->tasks);
    AgentTask *task = nullptr;
    while (hash_map_iter_next(&iter, nullptr, &task))
        if (task)
            if (Result r = agent_task_relink(task); r != RES_OK) return r;
    return RES_OK;
}

void ai_forget_task(AiPlayer *ai, AgentTask *task) {
    for (List<AgentTask> *list : {ai->listed, ai->selected, ai->open, ai->candidates, ai->defence})
        if (list) list_remove_value(list, task);
    for (AgentTask *&research : ai->research_tasks)
        if (research == task) research = nullptr;
    const uint64_t id = task->id;
    hash_map_remove(ai->tasks, &id);
}

void ai_prune_tasks(AiPlayer *ai, Player *player) {
    if (!ai || !ai->tasks) return;
    bool again = true;
    while (again) {
        again = false;
        HashMapIter<AgentTask> iter;
        hash_map_iter_init(&iter, ai->tasks);
        AgentTask *task = nullptr;
        while (hash_map_iter_next(&iter, nullptr, &task)) {
            if (!task || !agent_task_is_obsolete(task, ai, player)) continue;
            ai_forget_task(ai, task);
            again = true;
            break;
        }
    }
}

AgentTask *ai_add_task(AiPlayer *ai, AgentTask *task) {
    if (!ai || !task) return nullptr;
    if (!ai->tasks) {
        agent_task_free(task);
        return nullptr;
    }
    agent_task_assign_id(task);
    if (hash_map_set(ai->tasks, &task->id, task) != RES_OK) {
        agent_task_free(task);
        return nullptr;
    }
    return task;
}

AgentTask *ai_find_task(AiPlayer *ai, int32_t type, uint32_t subtype, uint64_t target_id, uint32_t mask) {
    if (!ai || !ai->tasks) return nullptr;
    HashMapIter<AgentTask> iter;
    hash_map_iter_init(&iter, ai->tasks);
    AgentTask *task = nullptr;
    while (hash_map_iter_next(&iter, nullptr, &task)) {
        if (!task) continue;
        if ((mask & AI_MATCH_TYPE) && task->type != uint32_t(type)) continue;
        if ((mask & AI_MATCH_SUBTYPE) && task->subtype != subtype) continue;
        if ((mask & AI_MATCH_TARGET) && task->target_id != target_id) continue;
        if ((mask & AI_MATCH_SCAN) && !(task->flags & TASK_SECTOR_SCAN)) continue;
        return task;
    }
    return nullptr;
}

AgentTask *ai_get_task(AiPlayer *ai, uint64_t task_id) {
    if (!ai || !ai->tasks || task_id == 0) return nullptr;
    return hash_map_get(ai->tasks, &task_id);
}

int32_t ai_task_count(const AiPlayer *ai) { return ai && ai->tasks ? hash_map_count(ai->tasks) : 0; }

// ---- The AI's words in a ship ----

namespace {

// Byte offsets in the ship's scratch: the searches' previous task id, the move target, the
// previous combat task id, each a native u64.
size_t scratch_offset(AiShipWord word) {
    switch (word) {
    case AI_SHIP_PREVIOUS_TASK: return 0;
    case AI_SHIP_MOVE_TARGET: return 8;
    default: return 16;
    }
}

}  // namespace

uint64_t ai_ship_word(const GameObject *obj, AiShipWord word) {
    const Ship *ship = ship_of(obj);
    if (!ship || word < 0 || word >= AI_SHIP_WORDS) return 0;
    if (word < SHIP_AI_TASKS) return ship->ai_task_ids[word];
    uint64_t value = 0;
    std::memcpy(&value, ship->ai_scratch + scratch_offset(word), sizeof value);
    return value;
}

void ai_ship_set_word(GameObject *obj, AiShipWord word, uint64_t value) {
    Ship *ship = ship_of(obj);
    if (!ship || word < 0 || word >= AI_SHIP_WORDS) return;
    if (word < SHIP_AI_TASKS) ship->ai_task_ids[word] = value;
    else std::memcpy(ship->ai_scratch + scratch_offset(word), &value, sizeof value);
}

// ---- The model's view ----

namespace {

AiPlayer *create_state(int32_t role, const PlayerRecord *record) {
    AiPlayer *ai = nullptr;
    switch (role) {
    case AI_STATE_GALAXY: return ai_player_create_from_template(record);
    case AI_STATE_COMMANDER: return ai_player_create_commander_from_template(record);
    case AI_STATE_ARK_COMMANDER:
        if ((ai = ai_player_create_commander())) ai_commander_preset_2(ai);
        return ai;
    case AI_STATE_SOL_COMMANDER:
        if ((ai = ai_player_create_commander())) ai_commander_preset_1(ai);
        return ai;
    case AI_STATE_SOL_GALAXY:
        if ((ai = ai_player_create())) ai_player_set_defaults(ai);
        return ai;
    default: return nullptr;
    }
}

}  // namespace

PlayerAiHooks ai_player_hooks() {
    return PlayerAiHooks{
        .create = create_state,
        .galaxy_command = ai_galaxy_command,
        .free = ai_player_free,
        .save = ai_player_save,
        .load = ai_player_load,
        .relink = ai_relink_tasks,
        .prune = ai_prune_tasks,
        .stop = ai_player_stop,
        .clear_tasks = ai_player_clear_tasks,
        .accepts_encounter = ai_accept_encounter,
    };
}

WorldHooks ai_world_hooks() { return WorldHooks{.ai_plan_ship = ai_plan_ship, .ai_act_ship = ai_act_ship}; }
