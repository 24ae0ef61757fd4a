#pragma once
// Agent tasks: the decisions of the computer players, one record each, with the table of the 24
// task types and their operation slots, creation, release, the save record, assignees, and the
// two scoring routines every type shares (evaluation and priority).
//  - A task is owned by its AiPlayer's task map, which frees it with agent_task_free. Its
//    assignees hold one reference each (released by the list's free callback).
//  - Every task carries the type data of AgentTaskData; a type uses the fields it names and
//    releases what it holds in its free slot.
//  - The type table is filled once (agent_task_types_init) on the loading path, before any AI
//    thread runs; it is read-only afterwards. A task is touched only by the thread running its
//    owner's command.
//  - Result codes: agent_task_read gives RES_MALFORMED (-23) a type above 23, RES_SHORT_BUFFER
//    (-15), RES_NO_MEMORY (-4), or the type's read_extra code.
#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <unordered_map>
#include <vector>
#include "platform/list.h"
#include "platform/result.h"
#include "world/fleet.h"

struct AiPlayer;
struct Buffer;
struct GameObject;
struct Officer;
struct Player;
struct Ship;

constexpr int32_t AGENT_TASK_TYPE_COUNT = 24;
constexpr int32_t AGENT_TASK_LINKS = 3;
constexpr int32_t AGENT_TASK_NO_OPTION = 4317;   // combat_next_option of an empty slot

// Task flags.
constexpr uint32_t TASK_PICKED          = 0x1u;
constexpr uint32_t TASK_DONE            = 0x2u;
constexpr uint32_t TASK_BLOCKED         = 0x4u;
constexpr uint32_t TASK_PRODUCTION      = 0x8u;
constexpr uint32_t TASK_PATH_DANGER     = 0x10u;
constexpr uint32_t TASK_FORCED          = 0x20u;
constexpr uint32_t TASK_DEFENCE         = 0x40u;
constexpr uint32_t TASK_DEFENCE_ACTED   = 0x80u;
constexpr uint32_t TASK_SECTOR_SCAN     = 0x100u;
constexpr uint32_t TASK_DISTANCE_BONUS  = 0x200u;

enum AgentTaskKind : int32_t {
    TASK_COLONIZE_SECTOR = 0,
    TASK_ATTACK_FLEET = 1,
    TASK_EXPLORE_SECTOR = 2,
    TASK_BUILD_SITE = 3,
    TASK_DEFEND_SECTOR = 4,
    TASK_BUILD_SHIP = 5,
    TASK_ATTACK_SHIP = 6,
    TASK_SCAN_SHIP = 7,
    TASK_RETREAT_SHIP = 8,
    TASK_SCAN_SECTOR = 9,
    TASK_RESEARCH_TECH = 10,
    TASK_DEFEND_BASES = 11,
    TASK_GATHER_FEATURE = 12,
    TASK_TRAIN_PILOT = 13,
    TASK_ASSIGN_SHIP_PILOT = 14,
    TASK_ASSIGN_STARBASE_PILOT = 15,
    TASK_REPAIR_SHIP = 16,
    TASK_ATTACK_SECTOR = 17,
    TASK_TRANSFER_CREW = 18,
    TASK_ATTACK_SHOT = 19,
    TASK_RUSH_PRODUCTION = 20,
    TASK_BUILD_DEFENSE_UPGRADE = 21,
    TASK_BUILD_COLLECTOR = 22,
    TASK_SCRAP_SHIPS = 23,
};

struct AgentTask {
    uint32_t type = 0;
    uint32_t subtype = 0;
    uint64_t id = 0;
    uint64_t target_id = 0;
    uint32_t flags = 0;
    int32_t  utility = 0;
    int32_t  assigned = 0;
    int32_t  needed = 1;
    int32_t  priority = 0;
    uint64_t linked[AGENT_TASK_LINKS] = {};
    int32_t  inherited_utility = 0;
    List<GameObject> assignees;       // one reference each
    int32_t  assignee_value = 0;
    int32_t  assignee_strength = 0;
    int32_t  priority_bonus = 0;
};

// The type data behind the common fields; each type uses the fields its rules name.
struct AgentTaskData : AgentTask {
    GameObject *target = nullptr;     // one reference held
    GameObject *known = nullptr;      // a snapshot in the player's memory; no reference
    int32_t     strength = 0;         // required strength
    int32_t     value = 0;            // sector priority value
    int32_t     feature_kind = 0;
    int32_t     centre_x = 0, centre_y = 0;   // of the target's sector
    // Combat tasks: the options of the acting ship.
    int32_t     option_total = 0;
    int32_t     system_options = 0;
    int32_t     cheapest_cost = -1;   // the lowest action cost of a ready system, -1 none
    int32_t     shot_known = 0;
    // Crew and pilot tasks.
    Officer    *officer = nullptr;    // one officer reference held
    GameObject *sector = nullptr;     // one reference held
};

// The slots, in table order.
using TaskSizeFn = int32_t();
using TaskFn = void(AgentTask *task);
using TaskNameFn = const char *();
using TaskCentreFn = int32_t();
using TaskWriteFn = Result(const AgentTask *task, Buffer *buf);
using TaskReadFn = Result(AgentTask *task, Buffer *buf);
using TaskRelinkFn = Result(AgentTask *task);
using TaskTestFn = int32_t(AgentTask *task, AiPlayer *ai, Player *player);
using TaskDescribeFn = void(AgentTask *task, AiPlayer *ai, std::string *text);
// The task's figures. Reads the task, its assignees and what the model shows of its target; the
// assignment search keeps an evaluation for a list of assignees across searches for as long as the
// inputs the type names (ai_combat_task_inputs, ai_combat_assignee_inputs for the combat types; the
// other types are evaluated afresh) read alike, so a combat type reads nothing else.
using TaskEvaluateFn = void(AgentTask *task, AiPlayer *ai, Player *player, int32_t *utility, int32_t *assigned,
                            int32_t *needed);
using TaskShipUtilityFn = int32_t(AgentTask *task, GameObject *ship);
// The assigned and needed figures evaluate gives, and nothing else: a search that reads only these
// after a join asks them alone (see agent_task_evaluate_need). Called with the task's fold given
// (agent_task_fold), which it advances as evaluate would, so evaluate given the same fold later
// takes in no assignee twice.
using TaskNeedFn = void(AgentTask *task, AiPlayer *ai, Player *player, int32_t *assigned, int32_t *needed);
// The priority bonus the evaluation owed after need slots would leave, from the fold alone (which
// has taken in every assignee): false when it cannot say. A type that has it weighs its utility
// from its target alone, never from its assignees (see agent_task_owed_bound).
struct AgentTaskFold;
using TaskOwedBonusFn = bool(AgentTask *task, AiPlayer *ai, Player *player, const AgentTaskFold *fold,
                             int32_t *bonus);
using TaskUpdateFn = void(AgentTask *task, AiPlayer *ai, Player *player);
// The score of the ship's option record (Ship::option): a pure function of the record, the task, the
// commander's snapshots and the model, which stand still while the ship plans; draws nothing. A
// search keeps the score of a record it met before and may ask it on another thread.
using TaskCombatScoreFn = int32_t(AgentTask *task, AiPlayer *ai, GameObject *ship);
using TaskCombatBeginFn = void(AgentTask *task, AiPlayer *ai, GameObject *ship);
using TaskCombatOptionFn = int32_t(AgentTask *task, AiPlayer *ai, GameObject *ship, int32_t index);

struct AgentTaskType {
    TaskSizeFn         *size = nullptr;                 //  1 required
    TaskFn             *link = nullptr;                 //  2 after creation: defaults and flags
    TaskFn             *free = nullptr;                 //  3 required: type data and the record
    TaskNameFn         *name = nullptr;                 //  4
    TaskCentreFn       *use_centre = nullptr;           //  5 non-zero: assignees' centres in priority
    TaskWriteFn        *write_extra = nullptr;          //  6
    TaskReadFn         *read_extra = nullptr;           //  7
    TaskRelinkFn       *relink = nullptr;               //  8
    TaskTestFn         *is_obsolete = nullptr;          //  9
    TaskDescribeFn     *describe = nullptr;             // 10
    TaskTestFn         *execute = nullptr;              // 11 non-zero: done
    TaskTestFn         *is_blocked = nullptr;           // 12
    TaskEvaluateFn     *evaluate = nullptr;             // 13 required
    TaskShipUtilityFn  *ship_utility = nullptr;         // 14
    TaskUpdateFn       *update = nullptr;               // 15
    TaskCombatScoreFn  *combat_score = nullptr;         // 16
    TaskCombatBeginFn  *combat_begin = nullptr;         // 17
    TaskCombatOptionFn *combat_next_option = nullptr;   // 18
    TaskUpdateFn       *act = nullptr;                  // 19
    TaskNeedFn         *need = nullptr;                 // 20 optional: evaluate's assigned and needed alone
    TaskOwedBonusFn    *owed_bonus = nullptr;           // 21 optional: with need
};

// Fills the 24 records once; later calls do nothing.
void                 agent_task_types_init();
const AgentTaskType *agent_task_type(int32_t type);   // null outside 0..23
const char          *agent_task_type_name(int32_t type);

AgentTask *agent_task_create(int32_t type, uint32_t subtype, uint64_t target_id);   // null for a bad type
void       agent_task_assign_id(AgentTask *task);
void       agent_task_free(AgentTask *task);   // null ignored
Result     agent_task_write(const AgentTask *task, Buffer *buf);
// One record into a new task stored through out (freed when out is null); nothing on failure.
Result     agent_task_read(AgentTask **out, Buffer *buf);

void        agent_task_add_assignee(AgentTask *task, GameObject *obj);
inline int32_t agent_task_assignee_count(const AgentTask *task) { return list_count(&task->assignees); }
GameObject *agent_task_find_assignee(AgentTask *task, uint64_t id);
void        agent_task_clear_assignees(AgentTask *task);
// The ship search's joins: while it weighs assignments its ships stay in the player's list, so a
// pass lists a ship without a reference and its clear gives none back. A task a pass joined is
// cleared so before any other clear or the search's end.
inline void agent_task_borrow_assignee(AgentTask *task, GameObject *obj) {
    if (obj) list_append(&task->assignees, obj);
}
void        agent_task_clear_borrowed(AgentTask *task);

// The task's priority, with the computer player's bonus when its need is met: what an assignment
// weighs it at.
int64_t agent_task_total(const AiPlayer *ai, const AgentTask *task);
int32_t agent_task_ship_utility(AgentTask *task, GameObject *ship);
void    agent_task_update(AgentTask *task, AiPlayer *ai, Player *player);
void    agent_task_act(AgentTask *task, AiPlayer *ai, Player *player);
void    agent_task_combat_begin(AgentTask *task, AiPlayer *ai, GameObject *ship);
int32_t agent_task_combat_score(AgentTask *task, AiPlayer *ai, GameObject *ship);
int32_t agent_task_combat_next_option(AgentTask *task, AiPlayer *ai, GameObject *ship, int32_t index);
int32_t agent_task_is_obsolete(AgentTask *task, AiPlayer *ai, Player *player);
Result  agent_task_relink(AgentTask *task);
void    agent_task_describe(AgentTask *task, AiPlayer *ai, std::string *text);
int32_t agent_task_check_done(AgentTask *task, AiPlayer *ai, Player *player);
void    agent_task_set_done(AgentTask *task);
int32_t agent_task_check_blocked(AgentTask *task, AiPlayer *ai, Player *player);

void agent_task_evaluate(AgentTask *task, AiPlayer *ai, Player *player, int32_t with_priority);
// What a type works out of a task's target alone, kept for the length of a search (see
// agent_task_target_figures below).
struct AgentTaskTargetFigures {
    int64_t     word[6] = {};
    GameObject *known = nullptr;
};
// What the evaluations of a task took of its assignees so far, for a search that only adds assignees
// at the end of the list between two evaluations and empties the fold (restart) whenever it empties
// the list: an evaluation given the fold takes in only the assignees added since. Everything folded
// is an integer sum or a union of flags, the same however it is grouped.
struct AgentTaskFold {
    int32_t common = 0;                  // assignees in value and strength
    int64_t value = 0, strength = 0;
    int32_t typed = 0;                   // assignees in the type's words
    int64_t word[5] = {};
    // Set by agent_task_evaluate_need: the whole evaluation is owed, and the assigned and needed
    // figures the task had before the last join (what that join's whole evaluation would have read).
    bool    owed = false;
    int32_t before_assigned = 0, before_needed = 1;
    // A copy of the memo's target figures of the task once they were filled: the assignees do not
    // change them, so a restart keeps them.
    bool    has_target = false;
    AgentTaskTargetFigures target;
    // The assignees in the distance part of the priority so far, and their distances' sum.
    int32_t distant = 0;
    int64_t distances = 0;
    void restart() {
        common = typed = distant = 0;
        value = strength = distances = 0;
        std::fill(std::begin(word), std::end(word), 0);
        owed = false;
        before_assigned = 0;
        before_needed = 1;
    }
};
// agent_task_evaluate with the task's fold (null: none); the fold is used while the search's memo
// is open and the evaluation is not fresh work.
void agent_task_evaluate_folded(AgentTask *task, AiPlayer *ai, Player *player, int32_t with_priority,
                                AgentTaskFold *fold);
// After a join, the assigned and needed figures a folded evaluation would leave, and nothing else,
// for a search that reads only these until it evaluates the task whole: false (nothing done) when
// the task's type has no need slot, no fold is given or no memo is open. The evaluation owed is
// agent_task_evaluate_folded with the same fold before anything else of the task is read; it
// works out what the last join's whole evaluation would have, from the figures that join found.
bool agent_task_evaluate_need(AgentTask *task, AiPlayer *ai, Player *player, AgentTaskFold *fold);
// What agent_task_evaluate_need leaves, for a search that kept the assigned and needed figures the
// type gave for the same list of assignees: the type is not asked, so its words in the fold lag
// behind the list (agent_task_owed_bound may not be asked until a need slot took them in; the
// evaluation owed takes them in).
void agent_task_put_need(AgentTask *task, AgentTaskFold *fold, int32_t assigned, int32_t needed);
// While the evaluation is owed: the priority agent_task_weigh_priority_bound would give after it,
// put in the task with the priority bonus the evaluation would leave, when the type's owed_bonus
// slot can say it (false: nothing done). The evaluation stays owed (under the cache check it is
// made here, and the figures compared).
bool agent_task_owed_bound(AgentTask *task, AiPlayer *ai, Player *player, AgentTaskFold *fold);
// For a type's evaluate slot: the fold of the task under evaluation, or null.
AgentTaskFold *agent_task_fold(AiPlayer *ai, const AgentTask *task);
void agent_task_update_priority(AgentTask *task, AiPlayer *ai);
// The priority an evaluation with priority gives, from the figures the last evaluation left (no
// evaluation reads the priority, so a search that weighs a task many times before it reads the
// priority evaluates without it and weighs it once, at the end). Given the task's fold while the
// memo is open, the distances of the assignees to the target are folded on as the figures are.
void agent_task_weigh_priority(AgentTask *task, AiPlayer *ai, AgentTaskFold *fold = nullptr);
// agent_task_weigh_priority without the danger along the way: never below the weighed priority,
// so a total of bounds that does not beat a search's best cannot beat it weighed either, and the
// search weighs the dangers only when the total of the bounds does.
void agent_task_weigh_priority_bound(AgentTask *task, AiPlayer *ai, AgentTaskFold *fold = nullptr);
// The distance an assignee adds to the distance part of the task's priority (0 for a task without
// it). It reads only the task's target and the assignee, so a search that keeps it for the pair
// while its memo is open may add it to the task's fold as the assignee joins (distances, distant).
int32_t agent_task_assignee_distance(AgentTask *task, AiPlayer *ai, GameObject *obj);

// Everything an evaluation leaves in a task: the common figures, the blocked flag, the linked ids
// it checked, and the type data the types' evaluate slots write (the kept snapshot, the required
// strength, the value). Put back into a task whose assignee list and inputs are what they were when
// the figures were taken, they stand for an evaluation with the same with_priority.
struct AgentTaskFigures {
    int32_t     utility = 0, assigned = 0, needed = 1, priority = 0;
    bool        blocked = false;
    uint64_t    linked[AGENT_TASK_LINKS] = {};
    int32_t     assignee_value = 0, assignee_strength = 0, priority_bonus = 0;
    GameObject *known = nullptr;
    int32_t     strength = 0, value = 0;
    bool operator==(const AgentTaskFigures &) const = default;
};
AgentTaskFigures agent_task_figures(const AgentTask *task);
void             agent_task_put_figures(AgentTask *task, const AgentTaskFigures &figures);

// What an evaluation with priority reads, as words: two evaluations of a task with the same ordered
// assignee list whose task inputs and assignees' inputs are equal word for word give the same
// figures. The task's words come in two parts: what agent_task_evaluate and the priority read
// (agent_task_inputs) and what the type's evaluate slot reads (the type adds them; a type that
// cannot name them all has no words). An assignee's words are what the evaluation reads of it.
struct AgentTaskInputs {
    static constexpr size_t WORDS = 24;
    int64_t word[WORDS] = {};
    size_t  count = 0;    // 0: not known
    void add(int64_t w) {
        if (count < WORDS) word[count] = w;
        ++count;          // past WORDS: too many to keep, never equal (see same)
    }
    bool same(const AgentTaskInputs &o) const {
        return count > 0 && count <= WORDS && count == o.count && std::equal(word, word + count, o.word);
    }
};
// The common words of the task (false, none, for a task whose evaluation reads more than its target
// and its assignees: a blocked test, linked tasks, the threat along the way, assignees counted from
// their galaxy positions). Call while the memo of the search is open.
bool agent_task_inputs(AgentTask *task, AiPlayer *ai, AgentTaskInputs *out);
// The common words of an assignee: itself, whether it is dead, its value, strength and centre.
void agent_task_assignee_inputs(AiPlayer *ai, GameObject *obj, AgentTaskInputs *out);

// ---- The evaluation memo ----
// A search that evaluates the same tasks over and over while the model stands still (no object
// changes a field, none comes or goes; only the tasks' assignees and figures change) opens a memo
// on its AiPlayer. Until it is closed, agent_task_evaluate and agent_task_update_priority take from
// it what they would otherwise work out again for every task and assignee:
//  - an object's value and estimated strength (player_object_value, ship_estimated_strength),
//    keyed by the object: both read only the object's own fields;
//  - the object a target id names (game_find_object), keyed by the id: it reads the maps;
//  - a player's snapshot of the object with an id (player_known_object_by_id), keyed by the id for
//    the first player asked (others are looked up every time): it reads that player's known map,
//    which the search does not change;
//  - a ship's galaxy position (ship_get_galaxy_position), keyed by the ship: it reads the ship's
//    fleet or sector, which stand still;
//  - the danger along a way a task's assignees would take (the priority's path danger), keyed by
//    the way's ends: it reads the AI's threat list, which the search does not change;
//  - what a type works out of a task's target alone (agent_task_target_figures), keyed by the task,
//    and of one assignee alone (agent_task_object_word), keyed by the object and the type.
// Each entry is worked out on first use. A full table works the rest out every time. The caller
// owns the memo and closes it before anything in the model changes; one memo open at a time.
// The task types reach the same entries through agent_task_object_figures and
// agent_task_known_object, which work everything out afresh while no memo is open.
// Values kept under keys of two words, open-addressed in one block: the memo's ways and points,
// asked hundreds of thousands of times a search. A pointer it gives lasts until the next addition.
template <class V>
class AgentTaskPairTable {
public:
    void clear() {
        slots_.assign(64, Slot{});
        used_ = 0;
        last_ = 0;
    }
    // The value under (a, b), added as V{} when new (*fresh tells). The slot found last is looked
    // at first: an evaluation asks the same key several times in a row.
    V *find_or_add(uint64_t a, uint64_t b, bool *fresh) {
        if (last_ < slots_.size()) {
            Slot &last = slots_[last_];
            if (last.used && last.a == a && last.b == b) {
                *fresh = false;
                return &last.value;
            }
        }
        if (slots_.empty() || (used_ + 1) * 2 > slots_.size()) grow();
        Slot *slot = probe(a, b);
        *fresh = !slot->used;
        if (!slot->used) {
            *slot = Slot{a, b, V{}, true};
            ++used_;
        }
        last_ = size_t(slot - slots_.data());
        return &slot->value;
    }

private:
    struct Slot {
        uint64_t a = 0, b = 0;
        V        value{};
        bool     used = false;
    };
    Slot *probe(uint64_t a, uint64_t b) {
        const size_t mask = slots_.size() - 1;
        size_t i = size_t(((a * 0x9E3779B97F4A7C15ull) ^ (b * 0xC2B2AE3D27D4EB4Full)) >> 20) & mask;
        while (slots_[i].used && (slots_[i].a != a || slots_[i].b != b)) i = (i + 1) & mask;
        return &slots_[i];
    }
    void grow() {
        std::vector<Slot> old(std::max<size_t>(slots_.size() * 2, 64));
        old.swap(slots_);
        for (const Slot &s : old)
            if (s.used) *probe(s.a, s.b) = s;
    }
    std::vector<Slot> slots_;
    size_t used_ = 0;
    size_t last_ = 0;
};

struct AgentTaskShare {
    int64_t word[3] = {};
};
struct AgentTaskMemo {
    static constexpr size_t SLOTS = 256;  // a power of two: the ships of a large corporation
    struct Figures {
        const GameObject *obj;            // null: a free slot
        int32_t value, strength;
    };
    struct Found {
        uint64_t id;                      // 0: a free slot
        GameObject *obj;                  // null when nothing has the id
    };
    struct Position {
        const GameObject *obj;            // null: a free slot
        int32_t x, y;
    };
    Figures figures[SLOTS];
    Found found[SLOTS];
    Found known[SLOTS];
    Position positions[SLOTS];
    const Player *known_player;           // whose snapshots fill known; null until the first lookup
    AgentTaskPairTable<int64_t> dangers;  // by the way's ends, x in the high words
    ThreatGrid threat_grid;               // of the AI's threats, built on the first way weighed
    AgentTaskPairTable<int32_t> threats;  // the threat at a point of a way, by x and y
    AgentTaskPairTable<int64_t> object_words;   // by the object and the type: see agent_task_object_word
    AgentTaskPairTable<AgentTaskTargetFigures> targets;   // by the task: see agent_task_target_figures
    AgentTaskPairTable<AgentTaskShare> shares;   // by the object and the task: see agent_task_share
    AgentTaskPairTable<uint8_t> task_ids;   // by the id: 1 when the AI has a task with it, 2 when not
    const AgentTask *fold_task;           // the task under a folded evaluation, and its fold
    AgentTaskFold *fold;
};
// What a type works out of a task's target alone (or of anything else the search leaves alone),
// kept for the task while the memo is open (the type names the words). Null while no memo is open;
// *fresh tells a new record, for the type to fill (a type writes only a fresh record). The record
// lasts until the next one is added; under a folded evaluation it comes from the fold's copy.
AgentTaskTargetFigures *agent_task_target_figures(AiPlayer *ai, const AgentTask *task, bool *fresh);
// What a task type works out of one assignee alone, kept for the object and the type the same way
// (the word lasts until the next word is added).
int64_t *agent_task_object_word(AiPlayer *ai, const GameObject *obj, uint32_t type, bool *fresh);
// What a task type works out of one assignee for one task (its share of the task's figures), kept
// for the pair the same way; the record lasts until the next one is added.
AgentTaskShare *agent_task_share(AiPlayer *ai, const GameObject *obj, const AgentTask *task, bool *fresh);
void agent_task_memo_open(AiPlayer *ai, AgentTaskMemo *memo);   // empties the memo
void agent_task_memo_close(AiPlayer *ai);
// player_object_value and ship_estimated_strength of obj, through the open memo if any.
void agent_task_object_figures(AiPlayer *ai, const GameObject *obj, int32_t *value, int32_t *strength);
// For a type's need slot: takes the assignees added since the fold's words last took any in, each
// with its value and strength (fn(obj, value, strength), in list order), and counts them as taken.
template <class Fn>
void agent_task_fold_assignees(const AgentTask *task, AiPlayer *ai, AgentTaskFold *fold, Fn fn) {
    const std::vector<GameObject *> &items = task->assignees.items;
    size_t at = size_t(fold->typed);
    for (; at < items.size() && items[at]; ++at) {
        int32_t value = 0, strength = 0;
        agent_task_object_figures(ai, items[at], &value, &strength);
        fn(items[at], value, strength);
    }
    fold->typed = int32_t(at);
}
// player_known_object_by_id(player, id), through the open memo if any.
GameObject *agent_task_known_object(AiPlayer *ai, const Player *player, uint64_t id);
// ship_get_galaxy_position(ship), through the open memo if any.
void agent_task_ship_position(AiPlayer *ai, Ship *ship, int32_t *x, int32_t *y);
// Keeps a memo open on the AiPlayer for as long as it lives.
class AgentTaskMemoScope {
public:
    explicit AgentTaskMemoScope(AiPlayer *ai) : ai_(ai) { agent_task_memo_open(ai_, &memo_); }
    ~AgentTaskMemoScope() { agent_task_memo_close(ai_); }
    AgentTaskMemoScope(const AgentTaskMemoScope &) = delete;
    AgentTaskMemoScope &operator=(const AgentTaskMemoScope &) = delete;

private:
    AiPlayer *ai_;
    AgentTaskMemo memo_;
};

// Tests and the task types: replaces a type's record at once and returns the one it had.
AgentTaskType agent_task_type_swap(int32_t type, const AgentTaskType &record);
