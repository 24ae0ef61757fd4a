#pragma once
// Combat command: how a computer player's commander plans and carries out the action of one of its
// ships in an encounter. Planning keeps a task map of the combat tasks ("attack ship", "scan ship",
// "retreat ship", "attack shot"), spreads the player's ships over them with a randomised search and
// asks the actor's task for its options, keeping the best as a plan of up to eight steps. Acting
// carries out one step of that plan through the ship's own orders.
//  - ai_combat_plan runs on the combat AI thread while the game thread waits for it; ai_combat_command
//    runs afterwards on the game thread. The commander's flags AI_FLAG_PLAN_MADE and
//    AI_FLAG_PLAN_RUNNING and its plan record pass between the two without a lock.
//  - Random draws: the game's fourth generator while the game resolves a battle at once, otherwise the
//    calling thread's quick generator (seeded by whoever started the thread).
//  - The plan and best-option records keep the 75-word layout below; the target object of each step
//    lives in a side array of object ids beside the words (an id or a pointer does not fit a word).
//  - The assignment search is in ai_combat_assign.cpp; the four combat task types' slots in
//    ai_combat_tasks.cpp.
#include <cstdint>
#include <functional>
#include <vector>

struct AgentTask;
struct AgentTaskInputs;
struct GameObject;
struct AgentTaskType;
struct AiPlayer;
struct Player;
struct Ship;
struct ShipPlan;

// Word offsets of a combat option record (AiPlayer::plan and AiPlayer::best_option).
enum AiOptionWord : int32_t {
    AI_OPT_STEPS = 0,       // number of steps, at most 8
    AI_OPT_SCORE = 1,
    AI_OPT_INDEX = 2,
    AI_OPT_CODE = 3,        // 3..10: action code of each step
    AI_OPT_X = 11,
    AI_OPT_Y = 19,
    AI_OPT_PARAM = 27,      // heading after the step
    AI_OPT_TARGET = 35,     // unused: the target of each step is in the side array
    AI_OPT_TARGET_X = 43,
    AI_OPT_TARGET_Y = 51,
    AI_OPT_HIT = 59,        // expected hit chance of each step
    AI_OPT_DAMAGE = 67,     // expected damage of each step
};

// The ship's option (a candidate) into a record and its side array of target ids.
void ai_option_to_words(const ShipPlan *plan, int32_t *words, uint64_t *target_ids);

// How many passes the combat assignment search makes for a number of ships.
int32_t ai_combat_pass_count(int32_t ship_count);

void ai_combat_plan(AiPlayer *ai, Player *player, Ship *ship);
void ai_combat_command(AiPlayer *ai, Player *player, Ship *ship);
void ai_combat_assign(AiPlayer *ai, Player *player, Ship *actor);
void ai_combat_plan_task(AiPlayer *ai, Ship *ship, AgentTask *task);

// Tests: each list the commander keeps from its assignment searches that its last search would have
// taken (its task, null when gone, and its ships in joining order), with the kept figures.
struct AiKeptList {
    AgentTask *task = nullptr;
    std::vector<Ship *> ships;
    int32_t priority = 0, assigned = 0, needed = 0;
    uint32_t age = 0;     // searches between the one that evaluated it and the last (0: the last)
};
void ai_combat_each_kept_list(AiPlayer *ai, const std::function<void(const AiKeptList &)> &fn);

// The world's plan and act hooks: the owner's commander plans for the ship or carries the plan out.
void ai_plan_ship(Player *owner, Ship *ship);
void ai_act_ship(Player *owner, Ship *ship);

// The value of an effect of the given power and radius around (x, y) on the combat map: own objects
// count against it (own weight %), others for it (other weight %); excluded_id 0 excludes nothing.
int32_t ai_area_effect_value(int32_t x, int32_t y, int32_t power, int32_t radius, uint64_t excluded_id,
                             uint64_t owner_id, int32_t own_weight, int32_t other_weight);
// The same, with other owners' shots counted double.
int32_t ai_area_effect_value_shots(int32_t x, int32_t y, int32_t power, int32_t radius, uint64_t excluded_id,
                                   uint64_t owner_id, int32_t own_weight, int32_t other_weight);

// The inputs of an "attack ship" or "scan ship" evaluation (the common ones and the type's own), and
// of an assignee of either; false, with no words, for the other combat types.
bool ai_combat_task_inputs(AgentTask *task, AiPlayer *ai, Player *player, AgentTaskInputs *out);
void ai_combat_assignee_inputs(AiPlayer *ai, GameObject *obj, AgentTaskInputs *out);

// Scoring an option record away from the ship's own record (the option scorer's side of a search,
// on whichever thread scores): a search's scores are asked between a begin, which takes the figures
// the scores read and opens the thread's score memo for the task, commander and ship, and an end.
// Between the two nothing the scores read may change: the memo takes the ship's AP and move counter
// and the task's utility and cheapest cost at the begin and does not look at them again.
using CombatRecordScoreFn = int32_t(AgentTask *task, AiPlayer *ai, Ship *ship, const ShipPlan &plan);
// The task type's score of a record, through the memo; null for a type whose score slot is not
// one of the combat types' own (it is then asked through the slot, on the searching thread).
CombatRecordScoreFn *ai_combat_record_score(const AgentTask *task);
void ai_combat_score_search_begin(const AgentTask *task, const AiPlayer *ai, const Ship *ship);
void ai_combat_score_search_end();

// Fills the slots of the combat task types (6, 7, 8, 19); other types are left alone.
void ai_combat_task_type_fill(int32_t type, AgentTaskType *t);
