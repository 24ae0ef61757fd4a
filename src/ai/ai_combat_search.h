#pragma once
// The caches of the combat task types' option search, shared by the task types
// (ai_combat_tasks.cpp) and kept apart from them (ai_combat_caches.cpp): the search's figures of the
// acting ship and the enemy snapshots, the manoeuvres that failed (a rule of the search as well),
// the scores given, the scan reach and the known bearing. Only the combat task types read this
// header.
//  - Every table is thread-local to the thread that searches or scores; a search opens them at its
//    begin (begin_option_search) and drops them when its options run out; a plan drops them when it
//    ends (AiPlanCaches).
//  - A cache holds inputs and answers only; the rules that weigh them are in the scores and options.
//    With the check of kept answers on (systems/plan_check.h), every answer is worked out afresh as
//    well; fresh work reads the failed manoeuvres as the search's own record and keeps nothing.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>
#include "ai/agent_task.h"
#include "ai/ai_combat_caches.h"
#include "ai/system_ai.h"
#include "platform/geometry.h"
#include "systems/plan_check.h"
#include "world/ship.h"

struct AiPlayer;

namespace ai_combat_search {

constexpr int32_t HEADINGS = 360;
constexpr int32_t UNSCANNED_THREAT_RANGE = 300;   // an unscanned enemy threatens this far

// What one option search reads over and over while the battle stands still: the acting ship's frame
// size at each heading, and the enemy snapshots' positions and the arcs of their weapons. Taken when
// a combat task's search begins (its combat_begin slot); the options and scores that follow read them.
struct EnemyArc {
    int32_t range, facing, half_arc;   // facing: the arc's centre on the map
};

struct Enemy {
    int32_t x = 0, y = 0;              // centre
    int32_t heading = 0;
    int32_t max_ap = 0, turn_cost = 0;
    bool    scanned = false;
    int32_t first_arc = 0, arcs = 0;   // its weapons' arcs (online offensive arc weapons) in SearchFigures::arcs
    int32_t reach = 0;                 // no threat term of the enemy reaches this far (the longest arc)
};

// What the frame size at a heading is worked out from: the ship's size, its rotation frames and
// the frame sizes, kept by value. Ships of one hull share them, so the sizes at every heading are
// worked out again only when a search's ship has other ones.
struct FrameInputs {
    bool                 known = false;
    int32_t              w = 0, h = 0;
    bool                 rotating = false;
    int32_t              rot_first = 0, rot_last = 0;
    std::vector<int32_t> frame_w, frame_h;   // empty when the ship has none
    bool operator==(const FrameInputs &) const = default;
};

struct SearchFigures {
    const Ship *ship = nullptr;
    FrameInputs frames;                      // of the ship; the three tables below follow from them
    int32_t     frame_w[HEADINGS] = {}, frame_h[HEADINGS] = {};
    int32_t     frame_near[HEADINGS] = {};   // what counts as crowding the ship at that heading
    const AiPlayer      *ai = nullptr;
    int32_t              listed = 0;   // entries of the snapshot list, ships or not
    std::vector<Enemy>   enemies;
    std::vector<EnemyArc> arcs;
};

inline constinit thread_local SearchFigures t_figures;

// Within crowding distance of the ship: half again the diagonal of its frame.
inline int32_t crowding_of(int32_t w, int32_t h) { return distance(w, h) * 3 / 2; }
void frame_asked(const Ship *ship, int32_t heading, int32_t *w, int32_t *h, int32_t *near);

[[gnu::always_inline]] inline void frame_of(const Ship *ship, int32_t heading, int32_t *w, int32_t *h, int32_t *near) {
    SearchFigures &f = t_figures;
    if (ship != f.ship || heading < 0 || heading >= HEADINGS || plan_check_fresh()) [[unlikely]]
        return frame_asked(ship, heading, w, h, near);
    *w = f.frame_w[heading];
    *h = f.frame_h[heading];
    if (near) *near = f.frame_near[heading];
}

inline void frame_size(const Ship *ship, int32_t heading, int32_t *w, int32_t *h) { frame_of(ship, heading, w, h, nullptr); }

void take_figures(const AiPlayer *ai, const Ship *ship);
const SearchFigures &figures_taken(const AiPlayer *ai);

[[gnu::always_inline]] inline const SearchFigures &figures_of(const AiPlayer *ai) {
    if (t_figures.ai != ai || plan_check_fresh()) [[unlikely]]
        return figures_taken(ai);
    return t_figures;
}

// A hash table that lives for one option search: open addressing in a power of two of slots, the
// first slot taken from the high bits of a chain of multiplications over the key's words (they
// depend on every bit of the key). A slot belongs to the search whose number it carries, so a new
// search empties the table by counting its number on.
template <class Key, class Value>
struct SearchTable {
    struct Slot {
        Key      key{};
        Value    value{};
        uint32_t search = 0;   // another search's number: the slot is free
    };
    std::vector<Slot> slots;
    uint32_t          search = 0;
    size_t            used = 0;
};

template <class Key>
size_t table_home(const Key &key, size_t slots) {
    static_assert(std::has_unique_object_representations_v<Key> && sizeof(Key) % sizeof(uint64_t) == 0);
    uint64_t words[sizeof(Key) / sizeof(uint64_t)];
    std::memcpy(words, &key, sizeof words);
    uint64_t h = 0x9E3779B97F4A7C15ull;
    for (uint64_t w : words) h = (h ^ w) * 0xFF51AFD7ED558CCDull;
    return size_t(h >> (64 - std::countr_zero(slots)));
}

template <class Key, class Value>
void table_begin(SearchTable<Key, Value> *t) {
    if (t->slots.empty()) t->slots.resize(1024);
    if (++t->search == 0) {   // the numbers came round: free every slot by hand
        for (auto &s : t->slots) s.search = 0;
        t->search = 1;
    }
    t->used = 0;
}

// The key's slot in this search, or the free slot where it would go.
template <class Key, class Value>
typename SearchTable<Key, Value>::Slot &table_slot(SearchTable<Key, Value> *t, const Key &key) {
    const size_t mask = t->slots.size() - 1;
    for (size_t at = table_home(key, t->slots.size());; at = (at + 1) & mask) {
        auto &s = t->slots[at];
        if (s.search != t->search || s.key == key) return s;
    }
}

// The key's value in this search, or null.
template <class Key, class Value>
Value *table_find(SearchTable<Key, Value> *t, const Key &key) {
    auto &s = table_slot(t, key);
    return s.search == t->search ? &s.value : nullptr;
}

// The key's value, taken (value-initialised) for this search when the key was not in it.
template <class Key, class Value>
Value &table_add(SearchTable<Key, Value> *t, const Key &key) {
    if ((t->used + 1) * 2 > t->slots.size()) {
        std::vector<typename SearchTable<Key, Value>::Slot> old;
        old.swap(t->slots);
        t->slots.resize(old.size() * 2);
        const size_t mask = t->slots.size() - 1;
        for (const auto &s : old) {
            if (s.search != t->search) continue;
            size_t at = table_home(s.key, t->slots.size());
            while (t->slots[at].search == t->search) at = (at + 1) & mask;
            t->slots[at] = s;
        }
    }
    auto &s = table_slot(t, key);
    if (s.search != t->search) {
        s = {.key = key, .value = Value{}, .search = t->search};
        ++t->used;
    }
    return s.value;
}

// Turns and moves that found no free spot in one option search. A crowded ship would otherwise
// retry the same hopeless random search for every one of its hundreds of options; a search that
// failed from a position and heading is not tried again until the next search begins. The failures
// are looked up for every manoeuvre a search tries. Nearly every turn starts from the ship's own
// spot, so that spot keeps its failed turns as a bit per heading and their count beside them; all
// else goes to a table: the failed moves, and from any other spot the failed turns and the count of
// them (kind FAILED_SPOTS).
// This is a rule of the option search, not a kept answer: a move search that ran out of tries may
// have found a spot with other draws, and is not tried again all the same (nor is a turn from a spot
// where the ship counts as boxed in). Fresh work (plan_check.h) reads the record as the search's own.
constexpr int32_t FAILED_TURN = 0, FAILED_MOVE = 1, FAILED_SPOTS = 2;

struct FailedManoeuvre {
    int32_t kind, x, y, heading, a, b;
    bool operator==(const FailedManoeuvre &o) const = default;
};

// Where a ship stands: its place and heading.
struct StandingKey {
    int32_t     x = 0, y = 0, heading = 0;
    const Ship *ship = nullptr;
    bool operator==(const StandingKey &) const = default;
};

struct HomeSpot {
    StandingKey key;
    bool        known = false;
    uint64_t    turns[(HEADINGS + 63) / 64] = {};    // a bit per target heading whose turn failed
    uint64_t    in_arc[(HEADINGS + 63) / 64] = {};   // a bit per target heading that needs no turn from here
    int32_t     turns_failed = 0;
};

// A bit per spot (a hash of a place and heading) from which the table holds a failure. Nearly every
// manoeuvre of a search starts where nothing has failed, and a clear bit says so without the table.
constexpr uint32_t FAILED_SPOT_BITS = 4096;

struct FailedManoeuvres {
    HomeSpot home;
    uint64_t spots[FAILED_SPOT_BITS / 64] = {};
    SearchTable<FailedManoeuvre, int32_t> table;   // value: FAILED_SPOTS' count of failed turns
};

inline constinit thread_local FailedManoeuvres t_failed;

void failed_begin(const Ship *ship);

// The home spot when the cursor stands on it, else null.
inline HomeSpot *home_of(FailedManoeuvres &f, const PlanCursor *at) {
    HomeSpot &h = f.home;
    return h.known && h.key == StandingKey{at->x, at->y, at->heading, at->ship} ? &h : nullptr;
}

inline uint32_t spot_bit(int32_t x, int32_t y, int32_t heading) {
    const uint32_t h = (uint32_t(x) * 0x9E3779B1u) ^ (uint32_t(y) * 0x85EBCA77u) ^ (uint32_t(heading) * 0xC2B2AE3Du);
    return (h * 0x27D4EB2Fu) >> (32 - std::countr_zero(FAILED_SPOT_BITS));
}

inline bool spot_may_have_failed(const FailedManoeuvres &f, const FailedManoeuvre &key) {
    const uint32_t b = spot_bit(key.x, key.y, key.heading);
    return (f.spots[b / 64] >> (b % 64)) & 1u;
}

// The failure's value in this search, or null.
inline int32_t *failed_find(FailedManoeuvres &f, const FailedManoeuvre &key) {
    return spot_may_have_failed(f, key) ? table_find(&f.table, key) : nullptr;
}

// The failure's value, taken for this search (0) when it was not in it.
inline int32_t &failed_add(FailedManoeuvres &f, const FailedManoeuvre &key) {
    const uint32_t b = spot_bit(key.x, key.y, key.heading);
    f.spots[b / 64] |= uint64_t(1) << (b % 64);
    return table_add(&f.table, key);
}

// A score of an option record of the ship: a pure function of the record and of what stands still
// during the search. The record comes as a parameter, as it may be a copy taken off the ship's own
// record (which the option builder keeps overwriting).
using RecordScoreFn = int32_t(AgentTask *task, AiPlayer *ai, Ship *ship, const ShipPlan &plan);
int32_t memo_score_kept(AgentTask *task, AiPlayer *ai, Ship *ship, const ShipPlan &plan, RecordScoreFn *score_fn);
int32_t memo_score_checked(AgentTask *task, AiPlayer *ai, Ship *ship, const ShipPlan &plan, RecordScoreFn *score_fn);

// The score of an option record of the ship, from the memo when the search under way gave it before.
inline int32_t memo_score(AgentTask *task, AiPlayer *ai, Ship *ship, const ShipPlan &plan, RecordScoreFn *score_fn) {
    if (plan_check_on()) [[unlikely]]
        return memo_score_checked(task, ai, ship, plan, score_fn);
    return memo_score_kept(task, ai, ship, plan, score_fn);
}

// The slots the type table holds: the score of the ship's own record through the memo, and an option
// slot that closes the memo and drops the search's failed manoeuvres when the options run out.
template <RecordScoreFn *Score>
int32_t memo_score_slot(AgentTask *task, AiPlayer *ai, GameObject *obj) {
    Ship *ship = ship_of(obj);
    return ship ? memo_score(task, ai, ship, ship->option, Score) : 0;
}

// The option built afresh and then as the search keeps its answers, from the same draws: the two
// must build the same record and draw alike. The kept build's record stands.
template <TaskCombatOptionFn *Option>
[[gnu::noinline]] int32_t checked_option(AgentTask *task, AiPlayer *ai, Ship *ship, int32_t index) {
    const ShipPlan given = ship->option;
    const PlanDrawMark start = plan_check_mark();
    int32_t fresh = 0;
    {
        PlanCheckFresh scope;
        fresh = Option(task, ai, ship, index);
    }
    const ShipPlan fresh_plan = ship->option;
    const PlanDrawMark fresh_end = plan_check_mark();
    plan_check_rewind(start);
    ship->option = given;
    const int32_t kept = Option(task, ai, ship, index);
    const ShipPlan &p = ship->option;
    plan_check_counted();
    if (kept != fresh || p.step_count != fresh_plan.step_count ||
        std::memcmp(p.steps, fresh_plan.steps, sizeof(ShipPlanStep) * size_t(std::clamp(p.step_count, 0, SHIP_PLAN_STEPS))) != 0)
        plan_check_failed("option building", "task #%llu, ship #%llu, option %d: kept %d with %d steps, fresh %d with %d",
                          (unsigned long long)task->id, (unsigned long long)ship->id, index, kept, p.step_count,
                          fresh, fresh_plan.step_count);
    if (!plan_check_draws_at(fresh_end))
        plan_check_failed("option building", "task #%llu, ship #%llu, option %d drew otherwise than built afresh",
                          (unsigned long long)task->id, (unsigned long long)ship->id, index);
    return kept;
}

template <TaskCombatOptionFn *Option>
int32_t memo_option_slot(AgentTask *task, AiPlayer *ai, GameObject *obj, int32_t index) {
    Ship *ship = plan_check_on() && !plan_check_fresh() ? ship_of(obj) : nullptr;
    const int32_t r = ship ? checked_option<Option>(task, ai, ship, index) : Option(task, ai, obj, index);
    if (r != 0) ai_combat_search_caches_drop();   // they belong to the search
    return r;
}

// A combat task's option search begins: no manoeuvre has failed yet, no bearing is known, the figures
// are taken and the score memo opens empty.
void begin_option_search(const AgentTask *task, const AiPlayer *ai, const Ship *ship);

// After this many turns found no room from one position and heading, the ship counts as boxed in
// there for the rest of the search.
constexpr int32_t BOXED_IN_TURNS = 8;
bool turn_towards_elsewhere(PlanCursor *at, int32_t heading, HomeSpot *home);
bool turn_towards_fresh(PlanCursor *at, int32_t heading);

[[gnu::always_inline]] inline bool turn_towards(PlanCursor *at, int32_t heading) {
    if (plan_check_fresh()) [[unlikely]]
        return turn_towards_fresh(at, heading);
    HomeSpot *home = home_of(t_failed, at);
    if (!home || heading < 0 || heading >= HEADINGS) [[unlikely]]
        return turn_towards_elsewhere(at, heading, home);
    const uint64_t bit = uint64_t(1) << (heading % 64);
    uint64_t &word = home->turns[heading / 64];
    if ((word & bit) || home->turns_failed >= BOXED_IN_TURNS) return false;
    // A heading within half the move arc needs no turn: that answer draws nothing, adds no step and
    // reads only the two headings and the ship's move arc, which stand still for the search.
    if (home->in_arc[heading / 64] & bit) return true;
    const int32_t steps = at->plan->step_count;
    if (system_ai_turn_towards(at, heading)) {
        if (at->plan->step_count == steps) home->in_arc[heading / 64] |= bit;
        return true;
    }
    word |= bit;
    ++home->turns_failed;
    return false;
}

bool move_failed_before(int32_t x, int32_t y, int32_t from, int32_t heading, int32_t range);
void move_failed(int32_t x, int32_t y, int32_t from, int32_t heading, int32_t range);

[[gnu::always_inline]] inline bool move_near(PlanCursor *at, int32_t heading, int32_t mp_min, int32_t mp_max) {
    const int32_t x = at->x, y = at->y, from = at->heading, range = mp_min * 1000 + std::min(mp_max, at->mp);
    // A search with nothing in its table yet (most of them) skips the spot's bit as well.
    if (t_failed.table.used != 0) [[unlikely]] {
        const uint32_t b = spot_bit(x, y, from);
        if (((t_failed.spots[b / 64] >> (b % 64)) & 1u) && move_failed_before(x, y, from, heading, range))
            return false;
    }
    if (system_ai_move(at, heading, mp_min, mp_max)) [[likely]]
        return true;
    if (at->mp >= 1 && !plan_check_fresh()) move_failed(x, y, from, heading, range);
    return false;
}

// The bearing from the cursor's spot to a point (kept for the search).
int32_t bearing_from(const PlanCursor *at, int32_t tx, int32_t ty);
// Whether the point lies beyond scan range of the ship as the cursor stands (kept for the search).
bool beyond_scan_range(const PlanCursor &at, int32_t tx, int32_t ty);

}  // namespace ai_combat_search
