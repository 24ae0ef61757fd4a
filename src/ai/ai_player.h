#pragma once
// AiPlayer: the memory and personality of one computer opponent, in one of two kinds: the galaxy
// AI (kind 1) that plays the strategic turn and the commander (kind 0) that commands ships in
// encounters. Both share the record; some fields serve one kind only.
//  - Owns its task map (freeing each task), its lists, tables and threat list.
//  - Created at new-game set-up from the player's PlayerRecord, or by loading; freed with its
//    Player through the hooks the model calls (ai_player_hooks).
//  - A galaxy AI is used by the advance-AI thread during a turn and by the game thread otherwise;
//    a commander by the combat AI thread while it plans and by the game thread when the plan is
//    carried out. No lock.
//  - Result codes: ai_player_load gives RES_SHORT_BUFFER (-15), RES_MALFORMED (-23) a negative
//    count or a kind other than 0 and 1, RES_NO_MEMORY, or a task's read code.
#include <cstdint>
#include <memory>
#include <vector>
#include "platform/hash.h"
#include "platform/list.h"
#include "platform/result.h"

struct AgentTask;
struct PlayerAiHooks;
struct WorldHooks;
struct AgentTaskMemo;
struct AiKeptSearch;
struct Buffer;
struct Encounter;
struct GameObject;
struct Player;
struct PlayerRecord;
struct ThreatList;

constexpr int32_t AI_KIND_COMMANDER = 0;
constexpr int32_t AI_KIND_GALAXY    = 1;
constexpr int32_t AI_KIND_BLANK     = -1;

constexpr uint32_t AI_FLAG_NEW_ENCOUNTER   = 0x2u;   // commander: first planning starts afresh
constexpr uint32_t AI_FLAG_PLAN_RUNNING    = 0x4u;
constexpr uint32_t AI_FLAG_PLAN_MADE       = 0x8u;
constexpr uint32_t AI_FLAG_PASSIVE         = 0x10u;  // galaxy: no decisions
constexpr uint32_t AI_FLAG_PERSONALITY_SET = 0x20u;

constexpr int32_t AI_TASK_WEIGHTS     = 24;
constexpr int32_t AI_SITE_TEMPLATES   = 16;
constexpr int32_t AI_TECHS            = 57;
constexpr int32_t AI_OFFICER_STATS    = 6;
constexpr int32_t AI_TEMPLATE_WEIGHTS = 9;
constexpr int32_t AI_SYSTEM_WEIGHTS   = 30;
constexpr int32_t AI_PLAN_WORDS       = 75;
constexpr int32_t AI_PLAN_STEPS       = 8;

struct AiPlayer {
    uint64_t id = 0;
    uint32_t flags = 0;
    int32_t  kind = AI_KIND_BLANK;
    HashMap<AgentTask> *tasks = nullptr;          // task id -> task; frees each task
    List<AgentTask>  *listed = nullptr;           // borrowed from the map
    List<GameObject> *ships = nullptr;            // borrowed
    int32_t *weights = nullptr;                   // AI_TASK_WEIGHTS percentages, owned
    int32_t  reassign_penalty = 0;
    int32_t  full_task_bonus = 0;
    int32_t  ship_count = 0;
    std::vector<uint64_t> best_assignment;
    List<AgentTask>  *open = nullptr;
    List<AgentTask>  *candidates = nullptr;
    List<AgentTask>  *selected = nullptr;
    std::vector<int32_t> ship_indices;
    int32_t  map_diagonal = 0;
    int32_t  map_centre_x = 0, map_centre_y = 0;
    int32_t  own_sector_count = 0;
    int32_t  extra_selections = 0;
    List<GameObject> *own_sectors = nullptr;      // borrowed
    int32_t *site_counts = nullptr;               // AI_SITE_TEMPLATES, owned
    HashMap<int32_t> *enemy_strength = nullptr;   // owner id -> strength, values owned
    int32_t  courage = 0;
    AgentTask *research_tasks[AI_TECHS] = {};     // borrowed from the map
    int32_t  research_queue_limit = 0;            // research tasks queued at once
    int32_t  queued_research = 0;
    List<AgentTask>  *defence = nullptr;          // borrowed
    ThreatList *threats = nullptr;                // owned
    int32_t  officer_count = 0;
    int32_t  officer_stats[AI_OFFICER_STATS] = {};
    int32_t  unexplored = 0, unscanned = 0, crew_sources = 0;
    int32_t  own_value = 0, own_strength = 0;
    // Officers wanted, in percent: combat and galaxy pilots of the ship count, starbase
    // commanders of the own sector count (each plus one).
    int32_t  combat_pilot_pct = 0, galaxy_pilot_pct = 0, starbase_pilot_pct = 0;
    int32_t  strike_margin_pct = 0;               // a strike's required strength over the enemy's
    int32_t  attack_fleet_radius = 0;
    int32_t  template_weights[AI_TEMPLATE_WEIGHTS] = {};
    int32_t  system_weights[AI_SYSTEM_WEIGHTS] = {};
    int32_t  weapon_first_chance = 0;
    int32_t  armour_bonus_chance = 0;
    int32_t  combat_design_counter = 0, constructor_counter = 0, hacking_grid_counter = 0;
    std::vector<int32_t> extra_tuning;
    int32_t  design_target = 0;
    int32_t  design_lifetime_min = 0, design_lifetime_max = 0;
    // Sites wanted, in percent of the own sector count (at least one each).
    int32_t  shipyard_pct = 0, research_station_pct = 0, training_site_pct = 0;
    int32_t  personality_min = 0, personality_max = 0;
    int32_t  personality = 0;
    uint64_t plan_ship_id = 0;
    int32_t  plan[AI_PLAN_WORDS] = {};
    uint64_t plan_targets[AI_PLAN_STEPS] = {};    // each step's target object id, beside the words
    int32_t  plan_step = 0;
    List<GameObject> *snapshots = nullptr;        // borrowed
    int32_t  best_option[AI_PLAN_WORDS] = {};
    uint64_t best_targets[AI_PLAN_STEPS] = {};
    List<GameObject> *spare = nullptr;            // borrowed
    AgentTaskMemo *task_memo = nullptr;           // borrowed, open only during a search (agent_task_memo_open)
    // The last combat assignment search's figures and what they were worked out from, for the next
    // search to reuse where nothing they read changed (ai_combat.cpp); dropped by ai_player_stop.
    std::shared_ptr<AiKeptSearch> kept_search;
};

AiPlayer *ai_player_alloc();                       // blank, kind -1, without maps or lists
AiPlayer *ai_player_create();                      // galaxy, fresh id
AiPlayer *ai_player_create_commander();            // commander, fresh id
AiPlayer *ai_player_create_from_template(const PlayerRecord *record);
AiPlayer *ai_player_create_commander_from_template(const PlayerRecord *record);
void      ai_player_init_galaxy(AiPlayer *ai);
void      ai_player_init_commander(AiPlayer *ai);
void      ai_player_set_defaults(AiPlayer *ai);   // the passive preset
void      ai_commander_preset_1(AiPlayer *ai);
void      ai_commander_preset_2(AiPlayer *ai);
void      ai_player_clear_tasks(AiPlayer *ai);
void      ai_player_stop(AiPlayer *ai);
void      ai_player_free(AiPlayer *ai);            // null ignored
// Draws the personality value once, at the first galaxy command.
void      ai_player_draw_personality(AiPlayer *ai);
// An enemy's estimated strength in the measure the player's own ships are weighed by
// (player_object_value): the strength times the player's own value over its own strength, as of
// its last galaxy command; unchanged while the player has no strength to compare with.
int64_t   ai_strength_as_value(const AiPlayer *ai, int64_t strength);

Result    ai_player_save(const AiPlayer *ai, Buffer *buf);
// One record into a new AiPlayer stored through out (freed when out is null); nothing on failure.
Result    ai_player_load(AiPlayer **out, Buffer *buf);

Result     ai_relink_tasks(AiPlayer *ai);
// Takes a task out of every list and slot of the player's AI and out of its task map (which frees it).
void       ai_forget_task(AiPlayer *ai, AgentTask *task);
void       ai_prune_tasks(AiPlayer *ai, Player *player);
AgentTask *ai_add_task(AiPlayer *ai, AgentTask *task);
AgentTask *ai_find_task(AiPlayer *ai, int32_t type, uint32_t subtype, uint64_t target_id, uint32_t mask);
AgentTask *ai_get_task(AiPlayer *ai, uint64_t task_id);
int32_t    ai_task_count(const AiPlayer *ai);

// ai_find_task mask bits.
constexpr uint32_t AI_MATCH_TYPE    = 0x1u;
constexpr uint32_t AI_MATCH_SUBTYPE = 0x2u;
constexpr uint32_t AI_MATCH_TARGET  = 0x4u;
constexpr uint32_t AI_MATCH_SCAN    = 0x8u;

// ---- The AI's words in a ship ----
// The model keeps these for the AI. The three task ids live in the ship's saved task-id words;
// the words of one command (move target, the searches' previous task ids) live in its scratch
// bytes and are not saved: every command sets them before it reads them.
enum AiShipWord : int32_t {
    AI_SHIP_GALAXY_TASK = 0,
    AI_SHIP_DEFENCE_TASK = 1,
    AI_SHIP_COMBAT_TASK = 2,
    AI_SHIP_MOVE_TARGET = 3,            // the object the ship is to travel to this turn
    AI_SHIP_PREVIOUS_TASK = 4,
    AI_SHIP_PREVIOUS_COMBAT_TASK = 5,
};
constexpr int32_t AI_SHIP_WORDS = 6;
// ship_flags bit: the ship's fleet keeps it from being reassigned.
constexpr uint32_t SHIP_FLAG_AI_LOCKED = 0x400u;

uint64_t ai_ship_word(const GameObject *ship, AiShipWord word);   // 0 for anything but a ship
void     ai_ship_set_word(GameObject *ship, AiShipWord word, uint64_t value);   // a ship only

// The AI's tables for the model, whole; app_install_hooks installs them. ai_player_hooks: the
// operations the model calls on a player's AI states. ai_world_hooks: a battle ship's plan and act.
PlayerAiHooks ai_player_hooks();
WorldHooks    ai_world_hooks();
