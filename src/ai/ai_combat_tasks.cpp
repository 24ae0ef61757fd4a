// The combat task types: "attack ship", "scan ship", "retreat ship" and "attack shot". Each
// enumerates options for the acting ship (system candidates, random manoeuvres, scans, the retreat)
// and scores them; the evaluation slots weigh the tasks for the commander's assignment search.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <vector>
#include "ai/agent_task.h"
#include "ai/ai_combat.h"
#include "ai/ai_combat_caches.h"
#include "ai/ai_player.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/geometry.h"
#include "platform/log.h"
#include "systems/plan_check.h"
#include "systems/system.h"
#include "systems/system_ai.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"
#include "world/shot.h"
#include "world/world_hooks.h"

namespace {

// Manoeuvre options shared by "attack ship" and "attack shot", after the system options.
[[maybe_unused]] constexpr int32_t MOVES_TURN_ANY = 0;        // random turn, then 1..MP
constexpr int32_t MOVES_TURN_FULL = 379;     // random turn, then exactly MP
constexpr int32_t MOVES_ANY = 757;           // 1..MP
constexpr int32_t MOVES_FULL = 1135;         // exactly MP
constexpr int32_t MOVES_END = 1513;          // end the turn
constexpr int32_t SHIP_OPTIONS_AFTER_SYSTEMS = 1514;
// "attack shot" adds a scan, approaches and its own end of turn.
[[maybe_unused]] constexpr int32_t SHOT_SCAN_HERE = 1513;
constexpr int32_t SHOT_APPROACH_FIRST = 1514;
constexpr int32_t SHOT_APPROACH_LAST = 1814;
constexpr int32_t SHOT_END = 1815;
constexpr int32_t SHOT_OPTIONS_AFTER_SYSTEMS = 1816;
// "scan ship".
[[maybe_unused]] constexpr int32_t SCAN_TOWARDS_FULL = 0, SCAN_TOWARDS_ANY = 257, SCAN_TURN_ANY = 513, SCAN_TURN_FULL = 769,
                  SCAN_JUMP = 1025, SCAN_HERE = 1281, SCAN_END = 1282, SCAN_OPTIONS = 1283;

constexpr uint32_t HULL_CANNOT_SCAN = 0x400;
constexpr uint32_t TARGET_GONE = OBJ_DEAD | OBJ_LEFT_MAP;
constexpr int32_t UNSCANNED_THREAT_RANGE = 300;
constexpr int32_t UNSCANNED_THREAT_ARC = 46;
constexpr int32_t RETREATING_UTILITY = 100029;

AgentTaskData *data_of(AgentTask *task) { return static_cast<AgentTaskData *>(task); }

int32_t rating_of(const System *s) { return s->load_a; }
int32_t rating_of(const Ship *s) { return s->online_load_a; }
bool ready(const System *s) { return s && system_is_usable(s); }
bool ready_weapon(const System *s) { return ready(s) && (s->flags & SYSTEM_FLAG_OFFENSIVE); }
int64_t sq(int64_t v) { return v * v; }
int32_t clamp32(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

void centre_of(const GameObject *obj, int32_t *x, int32_t *y) {
    *x = obj->x + obj->w / 2;
    *y = obj->y + obj->h / 2;
}

// The frame size of the ship at a heading.
void frame_size_at(const Ship *ship, int32_t heading, int32_t *w, int32_t *h) {
    *w = ship->w;
    *h = ship->h;
    const int32_t f = ship_frame_for_heading(ship, heading);
    if (ship->frame_w && ship->frame_h && f >= 0 && f < ship->frame_count) {
        *w = ship->frame_w[f];
        *h = ship->frame_h[f];
    }
}

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

// Whether the point (dx, dy) from an enemy lies at least limit away, out of reach of every term that
// needs the distance itself. Compared on squares, which saves the square root for the many enemies
// far off; distance() rounds down, so distance >= limit exactly when the square is >= limit^2.
bool beyond(int32_t dx, int32_t dy, int32_t limit) {
    return limit <= 0 || int64_t(dx) * dx + int64_t(dy) * dy >= int64_t(limit) * limit;
}

constexpr int32_t HEADINGS = 360;

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

FrameInputs frame_inputs(const Ship *ship) {
    const bool has_sizes = ship->frame_w && ship->frame_h && ship->frame_count > 0;
    return {.known = true, .w = ship->w, .h = ship->h, .rotating = (ship->hull_flags & HULL_FLAG_ROTATING) != 0,
            .rot_first = ship->rot_first, .rot_last = ship->rot_last,
            .frame_w = has_sizes ? std::vector<int32_t>(ship->frame_w, ship->frame_w + ship->frame_count)
                                 : std::vector<int32_t>{},
            .frame_h = has_sizes ? std::vector<int32_t>(ship->frame_h, ship->frame_h + ship->frame_count)
                                 : std::vector<int32_t>{}};
}

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
thread_local SearchFigures t_figures;

// Within crowding distance of the ship: half again the diagonal of its frame.
int32_t crowding_of(int32_t w, int32_t h) { return distance(w, h) * 3 / 2; }

// The frame size (and crowding distance) worked out from the ship.
[[gnu::noinline]] void frame_asked(const Ship *ship, int32_t heading, int32_t *w, int32_t *h, int32_t *near) {
    frame_size_at(ship, heading, w, h);
    if (near) *near = crowding_of(*w, *h);
}

[[gnu::always_inline]] inline void frame_of(const Ship *ship, int32_t heading, int32_t *w, int32_t *h, int32_t *near) {
    SearchFigures &f = t_figures;
    if (ship != f.ship || heading < 0 || heading >= HEADINGS || plan_check_fresh()) [[unlikely]]
        return frame_asked(ship, heading, w, h, near);
    *w = f.frame_w[heading];
    *h = f.frame_h[heading];
    if (near) *near = f.frame_near[heading];
}

void frame_size(const Ship *ship, int32_t heading, int32_t *w, int32_t *h) { frame_of(ship, heading, w, h, nullptr); }

// The frame size and crowding distance at every heading, unless the ship's frames are the ones the
// tables hold already.
void take_frames(SearchFigures &f, const Ship *ship) {
    FrameInputs in = frame_inputs(ship);
    if (in == f.frames) return;
    f.frames = std::move(in);
    for (int32_t heading = 0; heading < HEADINGS; ++heading) {
        frame_size_at(ship, heading, &f.frame_w[heading], &f.frame_h[heading]);
        f.frame_near[heading] = crowding_of(f.frame_w[heading], f.frame_h[heading]);
    }
}

void take_figures_into(SearchFigures &f, const AiPlayer *ai, const Ship *ship) {
    f.ship = ship;
    if (ship) take_frames(f, ship);
    f.ai = ai;
    f.enemies.clear();
    f.arcs.clear();
    f.listed = ai && ai->snapshots ? list_count(ai->snapshots) : 0;
    for (int32_t i = 0; i < f.listed; ++i) {
        const Ship *t = ship_of(list_get(ai->snapshots, i));
        if (!t) continue;
        Enemy e;
        e.x = t->x + t->w / 2;
        e.y = t->y + t->h / 2;
        e.heading = t->heading;
        e.max_ap = t->max_ap;
        e.turn_cost = t->turn_cost;
        e.scanned = t->snapshot_version >= 1;
        e.first_arc = int32_t(f.arcs.size());
        if (e.scanned)
            for (int32_t c = 0; c < t->crit_count; ++c) {
                const System *w = t->crits[c].system;
                if (!w || !(w->flags & SYSTEM_FLAG_OFFENSIVE) || !(w->flags & SYSTEM_FLAG_ARC)) continue;
                if (w->status & SYSTEM_STATUS_OFFLINE) continue;
                f.arcs.push_back(EnemyArc{w->range, angle_normalize(t->heading + w->facing), w->arc / 2});
            }
        e.arcs = int32_t(f.arcs.size()) - e.first_arc;
        e.reach = e.scanned ? 0 : UNSCANNED_THREAT_RANGE;
        for (int32_t a = e.first_arc; a < e.first_arc + e.arcs; ++a) e.reach = std::max(e.reach, f.arcs[size_t(a)].range);
        f.enemies.push_back(e);
    }
}

void take_figures(const AiPlayer *ai, const Ship *ship) { take_figures_into(t_figures, ai, ship); }

// The figures of the commander's snapshots, taken anew when a score comes without its search's
// begin (and for fresh work). The ship of the last search may be gone by then: no ship's figures
// are kept.
[[gnu::noinline]] const SearchFigures &figures_taken(const AiPlayer *ai) {
    if (plan_check_fresh()) {
        thread_local SearchFigures fresh;
        take_figures_into(fresh, ai, nullptr);
        return fresh;
    }
    take_figures(ai, nullptr);
    return t_figures;
}

[[gnu::always_inline]] inline const SearchFigures &figures_of(const AiPlayer *ai) {
    if (t_figures.ai != ai || plan_check_fresh()) [[unlikely]]
        return figures_taken(ai);
    return t_figures;
}

void append_step(Ship *ship, int32_t code, int32_t x, int32_t y, int32_t heading) {
    ShipPlan &p = ship->option;
    if (p.step_count >= SHIP_PLAN_STEPS) return;
    p.steps[p.step_count++] = ShipPlanStep{.code = code, .x = x, .y = y, .heading = heading};
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

struct HomeSpot {
    const Ship *ship = nullptr;
    int32_t     x = 0, y = 0, heading = 0;
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
thread_local FailedManoeuvres t_failed;

void failed_begin(const Ship *ship) {
    FailedManoeuvres &f = t_failed;
    table_begin(&f.table);
    std::fill(std::begin(f.spots), std::end(f.spots), 0);
    f.home = HomeSpot{};
    if (!ship) return;
    f.home.ship = ship;
    f.home.x = ship->x;
    f.home.y = ship->y;
    f.home.heading = ship->heading;
    f.home.known = true;
}

// The home spot when the cursor stands on it, else null.
HomeSpot *home_of(FailedManoeuvres &f, const PlanCursor *at) {
    HomeSpot &h = f.home;
    return h.known && at->ship == h.ship && at->x == h.x && at->y == h.y && at->heading == h.heading ? &h : nullptr;
}

uint32_t spot_bit(int32_t x, int32_t y, int32_t heading) {
    const uint32_t h = (uint32_t(x) * 0x9E3779B1u) ^ (uint32_t(y) * 0x85EBCA77u) ^ (uint32_t(heading) * 0xC2B2AE3Du);
    return (h * 0x27D4EB2Fu) >> (32 - std::countr_zero(FAILED_SPOT_BITS));
}

bool spot_may_have_failed(const FailedManoeuvres &f, const FailedManoeuvre &key) {
    const uint32_t b = spot_bit(key.x, key.y, key.heading);
    return (f.spots[b / 64] >> (b % 64)) & 1u;
}

// The failure's value in this search, or null.
int32_t *failed_find(FailedManoeuvres &f, const FailedManoeuvre &key) {
    return spot_may_have_failed(f, key) ? table_find(&f.table, key) : nullptr;
}

// The failure's value, taken for this search (0) when it was not in it.
int32_t &failed_add(FailedManoeuvres &f, const FailedManoeuvre &key) {
    const uint32_t b = spot_bit(key.x, key.y, key.heading);
    f.spots[b / 64] |= uint64_t(1) << (b % 64);
    return table_add(&f.table, key);
}

// Scores already given in the option search under way. Most options of a search build a record
// another option built before (the draws land on the same free spots), and a score is a pure function
// of the record and of what stands still while the search runs. A score reads:
//  - the option record: the step count and every word of every step (the key holds them all);
//  - the task: its target (position, and a shot's target and blast radius), utility and cheapest
//    action cost; the commander: its snapshots and map diagonal; the acting ship: its id, owner,
//    size and frames, AP, maximum AP, turn and scan costs, scan range, consecutive move counter and
//    its systems with their readiness; and the objects of the combat map (area values).
// None of these changes between the options of one search: the builders write the ship's option
// record and draw, nothing else. So a score is kept against the whole record for the search's task,
// commander and ship, and given back when the record comes again. The memo opens when the search
// begins and closes when its options run out (an option slot answers non-zero); a score asked outside
// that window, or for another task, commander or ship, is worked out afresh. The ship's AP,
// consecutive move counter and the task's utility and cheapest cost are checked on every score as
// well, so that a caller that changes them between options starts with an empty memo.
struct MemoEntry {
    uint64_t hash = 0;
    uint32_t first = 0;     // its steps in ScoreMemo::steps
    int32_t  steps = 0;
    int32_t  score = 0;
};

struct ScoreMemo {
    bool             open = false;
    const AgentTask *task = nullptr;
    const AiPlayer  *ai = nullptr;
    const Ship      *ship = nullptr;
    int32_t          ap = 0, ai_word = 0, utility = 0, cheapest = 0;
    std::vector<uint32_t>     slots;     // a power of two of them; 0 empty, else 1 + the entry's index
    std::vector<MemoEntry>    entries;
    std::vector<ShipPlanStep> steps;     // the keys' steps, entry after entry
};
thread_local ScoreMemo t_memo;

constexpr size_t MEMO_FIRST_SLOTS = 4096;

// The record's words are hashed and compared as bytes: a step has no padding to differ in.
static_assert(std::has_unique_object_representations_v<ShipPlanStep>);
constexpr size_t STEP_WORDS = sizeof(ShipPlanStep) / sizeof(uint64_t);
static_assert(sizeof(ShipPlanStep) % sizeof(uint64_t) == 0);

// The hash takes the step count and the first and last steps' words but the target object's: the
// records of one search that agree on those agree on the rest nearly always (a step's hit chance and
// damage follow from where it leaves the ship), and the comparison of a candidate reads every word.
// A chain of multiplications: its high bits depend on every bit it takes in, so the slot is taken
// from them (memo_slot_of).
constexpr size_t TARGET_WORD = offsetof(ShipPlanStep, target) / sizeof(uint64_t);
static_assert(offsetof(ShipPlanStep, target) % sizeof(uint64_t) == 0 && TARGET_WORD == 2 && STEP_WORDS == 5);

uint64_t step_word(const ShipPlanStep &step, size_t k) {
    uint64_t w;
    std::memcpy(&w, reinterpret_cast<const unsigned char *>(&step) + k * sizeof w, sizeof w);
    return w;
}

uint64_t record_hash(const ShipPlan &plan) {
    constexpr uint64_t K = 0xFF51AFD7ED558CCDull;
    const ShipPlanStep &first = plan.steps[0], &last = plan.steps[plan.step_count - 1];
    uint64_t h = (0x9E3779B97F4A7C15ull ^ uint64_t(uint32_t(plan.step_count))) * K;
    h = (h ^ step_word(first, 0)) * K;
    h = (h ^ step_word(first, 1)) * K;
    h = (h ^ step_word(last, 0)) * K;
    h = (h ^ step_word(last, 1)) * K;
    h = (h ^ step_word(last, 3)) * K;
    return (h ^ step_word(last, 4)) * K;
}

size_t memo_slot_of(uint64_t hash, size_t slots) { return size_t(hash >> (64 - std::countr_zero(slots))); }

void memo_clear(ScoreMemo &m) {
    if (m.slots.empty()) {
        m.slots.resize(MEMO_FIRST_SLOTS);
    } else if (m.entries.size() * 8 < m.slots.size()) {
        // A search fills a small part of the table (and a search's two opens, none of it): only the
        // slots its entries took are emptied. Every entry holds exactly one slot, at or after its home.
        const size_t mask = m.slots.size() - 1;
        for (size_t e = 0; e < m.entries.size(); ++e) {
            size_t at = memo_slot_of(m.entries[e].hash, m.slots.size());
            while (m.slots[at] != uint32_t(e + 1)) at = (at + 1) & mask;
            m.slots[at] = 0;
        }
    } else {
        std::fill(m.slots.begin(), m.slots.end(), 0u);
    }
    m.entries.clear();
    m.steps.clear();
}

void memo_open(const AgentTask *task, const AiPlayer *ai, const Ship *ship) {
    ScoreMemo &m = t_memo;
    memo_clear(m);
    m.open = ship != nullptr;
    m.task = task;
    m.ai = ai;
    m.ship = ship;
    if (!ship) return;
    const AgentTaskData *d = static_cast<const AgentTaskData *>(task);
    m.ap = ship->ap;
    m.ai_word = ship->ai_word;
    m.utility = task->utility;
    m.cheapest = d->cheapest_cost;
}

void memo_close() {
    t_memo.open = false;
    t_memo.task = nullptr;
    t_memo.ai = nullptr;
    t_memo.ship = nullptr;
}

void memo_grow(ScoreMemo &m) {
    m.slots.assign(m.slots.size() * 2, 0u);
    const size_t mask = m.slots.size() - 1;
    for (size_t e = 0; e < m.entries.size(); ++e) {
        size_t at = memo_slot_of(m.entries[e].hash, m.slots.size());
        while (m.slots[at]) at = (at + 1) & mask;
        m.slots[at] = uint32_t(e + 1);
    }
}

// A score of an option record of the ship: a pure function of the record and of what stands still
// during the search. The record comes as a parameter, as it may be a copy taken off the ship's own
// record (which the option builder keeps overwriting).
using RecordScoreFn = int32_t(AgentTask *task, AiPlayer *ai, Ship *ship, const ShipPlan &plan);

// The score of an option record of the ship, from the memo when the search under way gave it before.
int32_t memo_score_kept(AgentTask *task, AiPlayer *ai, Ship *ship, const ShipPlan &plan, RecordScoreFn *score_fn);

// Every score is worked out afresh as well (the search's figures are kept answers too).
[[gnu::noinline]] int32_t memo_score_checked(AgentTask *task, AiPlayer *ai, Ship *ship, const ShipPlan &plan,
                                             RecordScoreFn *score_fn) {
    if (plan_check_fresh()) return score_fn(task, ai, ship, plan);
    int32_t fresh = 0;
    {
        PlanCheckFresh scope;
        fresh = score_fn(task, ai, ship, plan);
    }
    const int32_t kept = memo_score_kept(task, ai, ship, plan, score_fn);
    plan_check_counted();
    if (kept != fresh)
        plan_check_failed("option scores", "task #%llu, ship #%llu, %d steps: kept %d, fresh %d",
                          (unsigned long long)task->id, (unsigned long long)ship->id, plan.step_count, kept, fresh);
    return kept;
}

int32_t memo_score(AgentTask *task, AiPlayer *ai, Ship *ship, const ShipPlan &plan, RecordScoreFn *score_fn) {
    if (plan_check_on()) [[unlikely]]
        return memo_score_checked(task, ai, ship, plan, score_fn);
    return memo_score_kept(task, ai, ship, plan, score_fn);
}

int32_t memo_score_kept(AgentTask *task, AiPlayer *ai, Ship *ship, const ShipPlan &plan, RecordScoreFn *score_fn) {
    ScoreMemo &m = t_memo;
    if (!m.open || task != m.task || ai != m.ai || ship != m.ship) return score_fn(task, ai, ship, plan);
    if (plan.step_count < 1 || plan.step_count > SHIP_PLAN_STEPS) return score_fn(task, ai, ship, plan);
    const AgentTaskData *d = static_cast<const AgentTaskData *>(task);
    if (ship->ap != m.ap || ship->ai_word != m.ai_word || task->utility != m.utility || d->cheapest_cost != m.cheapest)
        memo_open(task, ai, ship);
    const uint64_t hash = record_hash(plan);
    const size_t bytes = size_t(plan.step_count) * sizeof(ShipPlanStep);
    const size_t mask = m.slots.size() - 1;
    size_t at = memo_slot_of(hash, m.slots.size());
    for (; m.slots[at]; at = (at + 1) & mask) {
        const MemoEntry &e = m.entries[m.slots[at] - 1];
        if (e.hash == hash && e.steps == plan.step_count && std::memcmp(&m.steps[e.first], plan.steps, bytes) == 0)
            return e.score;
    }
    const int32_t score = score_fn(task, ai, ship, plan);
    m.entries.push_back(MemoEntry{.hash = hash, .first = uint32_t(m.steps.size()), .steps = plan.step_count, .score = score});
    m.steps.insert(m.steps.end(), plan.steps, plan.steps + plan.step_count);
    m.slots[at] = uint32_t(m.entries.size());
    if (m.entries.size() * 2 > m.slots.size()) memo_grow(m);
    return score;
}

// Whether a scan's target lies beyond scan range of the ship as it stands: the approach options of a
// scan search (two in five of them) ask it of the same start. Kept for the search under everything
// the answer reads: the ship (its frame at the heading), its place and heading, the target's centre
// and the scan range.
struct ScanReachKey {
    const Ship *ship = nullptr;
    int32_t     x = 0, y = 0, heading = 0, tx = 0, ty = 0, range = 0;
    bool operator==(const ScanReachKey &) const = default;
};
struct ScanReach {
    ScanReachKey key;
    bool         beyond = false;
};
thread_local ScanReach t_scan_reach;

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

// The bearing from the cursor's spot to a point. The approaches of a search ask it again and again
// from where the ship stands towards the target; the last answer is kept for the search.
struct BearingKey {
    const Ship *ship = nullptr;
    int32_t     x = 0, y = 0, heading = 0, tx = 0, ty = 0;
    bool operator==(const BearingKey &) const = default;
};
struct KnownBearing {
    BearingKey key;
    int32_t    bearing = 0;
};
thread_local KnownBearing t_bearing;

// A combat task's option search begins: no manoeuvre has failed yet, no bearing is known, the figures
// are taken and the score memo opens empty.
void begin_option_search(const AgentTask *task, const AiPlayer *ai, const Ship *ship) {
    failed_begin(ship);
    t_bearing = KnownBearing{};
    t_scan_reach = ScanReach{};
    take_figures(ai, ship);
    memo_open(task, ai, ship);
}

// After this many turns found no room from one position and heading, the ship counts as boxed in
// there for the rest of the search.
constexpr int32_t BOXED_IN_TURNS = 8;

// A turn from a spot other than the home spot, or to a heading off the compass. Options turn first,
// from where the ship stands, so this is the rare path.
[[gnu::noinline]] bool turn_towards_elsewhere(PlanCursor *at, int32_t heading, HomeSpot *home) {
    FailedManoeuvres &f = t_failed;
    const FailedManoeuvre key{FAILED_TURN, at->x, at->y, at->heading, heading, 0};
    if (home) {   // a heading off the compass: its failure goes to the table, its count here
        if (failed_find(f, key) || home->turns_failed >= BOXED_IN_TURNS) return false;
        if (system_ai_turn_towards(at, heading)) return true;
        failed_add(f, key);
        ++home->turns_failed;
        return false;
    }
    if (failed_find(f, key)) return false;
    const FailedManoeuvre spot{FAILED_SPOTS, at->x, at->y, at->heading, 0, 0};
    const int32_t *boxed = failed_find(f, spot);
    if (boxed && *boxed >= BOXED_IN_TURNS) return false;
    if (system_ai_turn_towards(at, heading)) return true;
    failed_add(f, key);
    ++failed_add(f, spot);
    return false;
}

// Fresh work: the turn itself, unless the search's rules refuse it (the turn failed from there
// before, or the ship is boxed in there). The failures are the search's record, read but not written
// here: the kept build that follows writes them.
[[gnu::noinline]] bool turn_towards_fresh(PlanCursor *at, int32_t heading) {
    FailedManoeuvres &f = t_failed;
    const HomeSpot *home = home_of(f, at);
    int32_t failed = 0;
    if (home && heading >= 0 && heading < HEADINGS) {
        if ((home->turns[heading / 64] >> (heading % 64)) & 1u) return false;
        failed = home->turns_failed;
    } else {
        if (failed_find(f, FailedManoeuvre{FAILED_TURN, at->x, at->y, at->heading, heading, 0})) return false;
        if (home) failed = home->turns_failed;
        else if (const int32_t *boxed = failed_find(f, FailedManoeuvre{FAILED_SPOTS, at->x, at->y, at->heading, 0, 0}))
            failed = *boxed;
    }
    return failed < BOXED_IN_TURNS && system_ai_turn_towards(at, heading);
}

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

// The failed moves' key is put together only off the common path: where the spot's bit is set.
[[gnu::noinline]] bool move_failed_before(int32_t x, int32_t y, int32_t from, int32_t heading, int32_t range) {
    return table_find(&t_failed.table, FailedManoeuvre{FAILED_MOVE, x, y, from, heading, range});
}
[[gnu::noinline]] void move_failed(int32_t x, int32_t y, int32_t from, int32_t heading, int32_t range) {
    (void)failed_add(t_failed, FailedManoeuvre{FAILED_MOVE, x, y, from, heading, range});
}

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

// ---- Link, relink and the shared tests ----

GameObject *find_kind(uint64_t id, int32_t kind) {
    GameObject *obj = id ? world_find_object(id) : nullptr;
    return obj && obj->kind == kind ? obj : nullptr;
}

template <int32_t Kind, bool Bonus>
void link_target(AgentTask *task, const char *what) {
    AgentTaskData *d = data_of(task);
    GameObject *obj = find_kind(task->target_id, Kind);
    if (!obj) {
        log_write(LOG_GAME, LOG_ERROR, "Agent task failed to link %s #%llu (object not found)", what,
                  (unsigned long long)task->target_id);
        return;
    }
    object_add_ref(obj);
    if (d->target) object_release(d->target);
    d->target = obj;
    if (Bonus) task->flags |= TASK_DISTANCE_BONUS;
}

template <int32_t Kind>
Result relink_target(AgentTask *task, const char *type, const char *what) {
    if (task->target_id == 0) return RES_OK;
    GameObject *obj = find_kind(task->target_id, Kind);
    if (!obj) {
        log_write(LOG_GAME, LOG_ERROR, "Agent task (%s) failed to link %s #%llu (object not found)", type, what,
                  (unsigned long long)task->target_id);
        return RES_UNRESOLVED_ID;
    }
    AgentTaskData *d = data_of(task);
    object_add_ref(obj);
    if (d->target) object_release(d->target);
    d->target = obj;
    return RES_OK;
}

template <int32_t Kind>
int32_t target_obsolete(AgentTask *task, AiPlayer *, Player *) {
    const GameObject *obj = find_kind(task->target_id, Kind);
    return !obj || (obj->flags & OBJ_DEAD) ? 1 : 0;
}

int32_t target_gone(AgentTask *task, AiPlayer *, Player *) {
    const GameObject *t = data_of(task)->target;
    return t && (t->flags & TARGET_GONE) ? 1 : 0;
}

int32_t centre_always() { return 1; }

void describe_target(AgentTask *task, const char *prefix, std::string *text) {
    const GameObject *t = data_of(task)->target;
    char line[256];
    snprintf(line, sizeof line, "%s #%llu \"%s\"", prefix, (unsigned long long)task->target_id,
             t ? object_get_name(t) : "");
    *text += line;
}

// The player's snapshot of the target ship, or null (through the evaluation memo while one is open).
GameObject *known_copy(AgentTask *task, AiPlayer *ai, Player *player) {
    GameObject *snap = player ? agent_task_known_object(ai, player, task->target_id) : nullptr;
    return snap && snap->kind == OBJECT_SHIP ? snap : nullptr;
}

int32_t first_assignee_index(AgentTask *task) {
    for (int32_t i = 0; i < list_count(&task->assignees); ++i) {
        GameObject *obj = list_get(&task->assignees, i);
        if (!obj) return -1;
        if (!(obj->flags & OBJ_DEAD)) return i;
    }
    return -1;
}
Ship *first_assignee(AgentTask *task) {
    const int32_t i = first_assignee_index(task);
    return i < 0 ? nullptr : ship_of(list_get(&task->assignees, i));
}

// What an "attack ship" or "scan ship" evaluation reads of its target, gathered in one place: the
// evaluations weigh these, and the assignment search keys its kept lists by them
// (ai_combat_task_inputs).
struct TargetReads {
    GameObject       *snap = nullptr;      // the player's snapshot of the target ship
    const GameObject *weighed = nullptr;   // the snapshot, or for a scan without one the target itself
    int32_t           value = 0, strength = 0;   // of the weighed object
    int32_t           damage_from = 0;     // the snapshot's damage dealt to its holder
};

TargetReads target_reads(AgentTask *task, AiPlayer *ai, Player *player) {
    TargetReads r;
    r.snap = known_copy(task, ai, player);
    r.weighed = task->type == TASK_SCAN_SHIP && !r.snap ? data_of(task)->target : r.snap;
    if (r.weighed) agent_task_object_figures(ai, r.weighed, &r.value, &r.strength);
    if (const Ship *snap = ship_of(r.snap)) r.damage_from = snap->damage_from;
    return r;
}

// ---- Options ----

// System options: each ready system owns as many indices as it offers candidates.
void count_system_options(AgentTaskData *d, AiPlayer *ai, Ship *ship, bool vs_shot) {
    d->system_options = 0;
    d->cheapest_cost = -1;
    for (int32_t i = 0; i < ship->crit_count; ++i) {
        System *s = ship->crits[i].system;
        if (!s) continue;
        s->ai_candidates = 0;
        if (vs_shot && (s->flags & SYSTEM_FLAG_NO_SHOT_TARGETS)) continue;
        if (!ready(s)) continue;
        const uint32_t costed = vs_shot ? SYSTEM_FLAG_OFFENSIVE
                                        : SYSTEM_FLAG_OFFENSIVE | SYSTEM_FLAG_AREA | SYSTEM_FLAG_SUPPORT;
        if ((s->flags & costed) && (d->cheapest_cost < 0 || s->ap_cost < d->cheapest_cost)) d->cheapest_cost = s->ap_cost;
        s->ai_candidates = system_ai_candidate_count(s, ai, ship, ship->heading);
        d->system_options += s->ai_candidates;
    }
}

int32_t run_system_option(AgentTaskData *d, AiPlayer *ai, Ship *ship, GameObject *target, int32_t index,
                          bool vs_shot) {
    if (ship->crit_count < 1) return RES_OUT_OF_RANGE;
    for (int32_t i = 0; i < ship->crit_count; ++i) {
        System *s = ship->crits[i].system;
        if (!s || (vs_shot && (s->flags & SYSTEM_FLAG_NO_SHOT_TARGETS))) continue;
        if (index < s->ai_candidates) return system_ai_run_candidate(s, ai, ship, target, index);
        index -= s->ai_candidates;
    }
    (void)d;
    return RES_OUT_OF_RANGE;
}

bool can_turn(const PlanCursor &at) {
    const Ship *ship = at.ship;
    return !(ship->hull_flags & (HULL_FLAG_IMMOBILE | HULL_FLAG_NO_TURN)) && at.ap >= ship->turn_cost;
}

[[gnu::always_inline]] inline void random_turn(PlanCursor *at) {
    if (!can_turn(*at)) return;
    const int32_t h = system_random_between(0, 359);
    (void)turn_towards(at, h);
}

// Movement option j (0..1513) of "attack ship" and "attack shot".
[[gnu::always_inline]] inline void movement_option(AgentTaskData *d, Ship *ship, int32_t j) {
    PlanCursor at;
    system_ai_begin(ship, &at);
    if (j == MOVES_END) {
        append_step(ship, PLAN_NONE, at.x, at.y, at.heading);
        return;
    }
    const bool turn = j < MOVES_ANY;
    const bool full = (j >= MOVES_TURN_FULL && j < MOVES_ANY) || j >= MOVES_FULL;
    if (at.mp >= 1) {
        if (turn) random_turn(&at);
        (void)move_near(&at, at.heading, full ? at.mp : 1, at.mp);
    }
    if (at.ap < d->cheapest_cost) append_step(ship, PLAN_NONE, at.x, at.y, at.heading);
}

int32_t bearing_from(const PlanCursor *at, int32_t tx, int32_t ty) {
    if (plan_check_fresh()) [[unlikely]]
        return system_ai_bearing(at, tx, ty);
    KnownBearing &b = t_bearing;
    const BearingKey key{at->ship, at->x, at->y, at->heading, tx, ty};
    if (!(b.key == key))
        b = KnownBearing{key, system_ai_bearing(at, tx, ty)};
    else if (plan_check_on()) [[unlikely]]
        plan_check_same("known bearing", "bearing", b.bearing, system_ai_bearing(at, tx, ty));
    return b.bearing;
}

// Whether the point lies beyond scan range of the ship as the cursor stands.
bool beyond_scan_range_of(const PlanCursor &at, int32_t tx, int32_t ty) {
    int32_t w = 0, h = 0;
    frame_size(at.ship, at.heading, &w, &h);
    return distance(tx - (at.x + w / 2), ty - (at.y + h / 2)) > at.ship->scan_range;
}

bool beyond_scan_range(const PlanCursor &at, int32_t tx, int32_t ty) {
    if (plan_check_fresh()) [[unlikely]]
        return beyond_scan_range_of(at, tx, ty);
    ScanReach &r = t_scan_reach;
    const ScanReachKey key{at.ship, at.x, at.y, at.heading, tx, ty, at.ship->scan_range};
    if (!(r.key == key)) {
        r = ScanReach{key, beyond_scan_range_of(at, tx, ty)};
    } else if (plan_check_on()) [[unlikely]] {
        PlanCheckFresh scope;
        plan_check_same("scan reach", "beyond scan range", r.beyond, beyond_scan_range_of(at, tx, ty));
    }
    return r.beyond;
}

// A move of exactly MP towards a point, turning first when it lies beyond half the move arc.
[[gnu::always_inline]] inline bool approach(PlanCursor *at, int32_t tx, int32_t ty, bool full) {
    const int32_t bearing = bearing_from(at, tx, ty);
    if (!turn_towards(at, bearing)) return false;
    if (at->mp < 1) return true;
    return move_near(at, bearing, full ? at->mp : 1, at->mp);
}

// A scan of the target from where the cursor stands, when in range and affordable.
void scan_from(PlanCursor *at, GameObject *target) {
    Ship *ship = at->ship;
    if ((ship->hull_flags & HULL_CANNOT_SCAN) || at->ap < ship->scan_cost) return;
    int32_t w = 0, h = 0;
    frame_size(ship, at->heading, &w, &h);
    if (object_distance_to(target, at->x + w / 2, at->y + h / 2) > ship->scan_range) return;
    append_step(ship, PLAN_SCAN, at->x, at->y, at->heading);
    ShipPlanStep &step = ship->option.steps[ship->option.step_count - 1];
    step.target = target;
    centre_of(target, &step.target_x, &step.target_y);
    at->ap -= ship->scan_cost;
}

// ---- Scores ----

struct Geometry {
    int32_t px = 0, py = 0;   // the ship's centre after the option
    int32_t near = 0;
};

Geometry geometry_after(const Ship *ship, const ShipPlan &plan) {
    const ShipPlanStep &last = plan.steps[plan.step_count - 1];
    int32_t w = 0, h = 0;
    Geometry g;
    frame_of(ship, last.heading, &w, &h, &g.near);
    g.px = last.x + w / 2;
    g.py = last.y + h / 2;
    return g;
}

// The threat terms of the enemy snapshots at the ship's centre after the option.
int64_t threat_terms(AiPlayer *ai, const Geometry &g, int32_t cheapest, bool uses_system,
                     bool has_ready_weapon, bool vs_shot) {
    const SearchFigures &f = figures_of(ai);
    int64_t score = 0;
    const int32_t n = f.listed;
    for (const Enemy &t : f.enemies) {
        // With a ready weapon the distance counts only within reach of a threat or of the crowding.
        if (has_ready_weapon && beyond(g.px - t.x, g.py - t.y, std::max(t.reach, g.near))) continue;
        const int32_t d = distance(g.px - t.x, g.py - t.y);
        // The bearing matters only to an enemy within reach: most are not, and it costs a square root
        // and an arc cosine.
        int32_t bearing_known = INT32_MIN;
        auto bearing = [&] {
            if (bearing_known == INT32_MIN) bearing_known = angle_of_vector(g.px - t.x, g.py - t.y);
            return bearing_known;
        };
        auto reduce = [&](int64_t v) {
            if (uses_system) v /= 2;
            if (has_ready_weapon) v /= 3;
            if (t.max_ap >= t.turn_cost + cheapest) v /= 5;
            return v;
        };
        bool threatens = false;
        if (t.scanned) {
            for (int32_t a = t.first_arc; a < t.first_arc + t.arcs; ++a) {
                const EnemyArc &w = f.arcs[size_t(a)];
                if (d >= w.range || std::abs(angle_diff(bearing(), w.facing)) > w.half_arc) continue;
                threatens = true;
                score -= reduce(sq(w.range - d) / 80);
            }
        } else if (d < UNSCANNED_THREAT_RANGE && std::abs(angle_diff(bearing(), t.heading)) < UNSCANNED_THREAT_ARC) {
            threatens = true;
            score -= reduce(sq(UNSCANNED_THREAT_RANGE - d) / 100);
        }
        if (!threatens && !has_ready_weapon) {
            if (!vs_shot) score += sq(d) / 1000 / n;
            else score += t.scanned ? sq(d) / 80 : sq(d) / 500;
        }
        if (d < g.near) {
            int64_t crowd = sq(g.near - d) / 100;
            if (uses_system) crowd /= 6;
            if (crowd >= 1) score -= crowd;
        }
    }
    return score;
}

int32_t area(bool vs_shot, int32_t x, int32_t y, int32_t power, int32_t radius, uint64_t excluded, uint64_t owner,
             int32_t own, int32_t other) {
    return vs_shot ? ai_area_effect_value_shots(x, y, power, radius, excluded, owner, own, other)
                   : ai_area_effect_value(x, y, power, radius, excluded, owner, own, other);
}

// The distance from the shot to its target, measured to the ship's step position when the ship is it.
int32_t shot_to_target(const GameObject *shot, const Ship *ship, const ShipPlanStep &step) {
    const GameObject *target = world_shot_target(shot);
    if (!target) return -1;
    int32_t sx = 0, sy = 0, tx = 0, ty = 0;
    centre_of(shot, &sx, &sy);
    if (target == ship) {
        tx = step.x + ship->w / 2;
        ty = step.y + ship->h / 2;
    } else {
        centre_of(target, &tx, &ty);
    }
    return distance(tx - sx, ty - sy);
}

// The score of the ship's option against a ship (attack ship) or a shot (attack shot).
int32_t attack_score(AgentTaskData *d, AiPlayer *ai, Ship *ship, const ShipPlan &plan, bool vs_shot) {
    GameObject *target = d->target;
    if (plan.step_count < 1 || !target) return 0;
    const int32_t power_steps = vs_shot ? 1 : 4, power_mounts = vs_shot ? 3 : 4;
    int64_t score = 20;
    const int32_t first = plan.steps[0].code;
    if (first == PLAN_MOVE || first == PLAN_TURN) score -= 100 * sq(ship->ai_word) * ship->ai_word;
    bool uses_system = false;
    for (int32_t i = 0; i < plan.step_count; ++i) {
        const ShipPlanStep &step = plan.steps[i];
        if (vs_shot && step.code == PLAN_SCAN) {
            int64_t v = ship->scan_cost + d->cheapest_cost > ship->ap ? 325 : 500;
            const Shot *shot = shot_of(target);
            const int32_t reach = shot_to_target(target, ship, step);
            if (shot && reach >= 0 && reach <= shot->blast_radius) v /= 2;
            score += v;
            continue;
        }
        if (step.code < 0) continue;
        const System *s = ship_get_crit_system(ship, step.code);
        if (!s) continue;
        uses_system = true;
        const int32_t eff = system_effective_value(s);
        if (!(s->flags & SYSTEM_FLAG_OFFENSIVE) && (s->flags & SYSTEM_FLAG_SUPPORT)) {
            const int32_t v = area(vs_shot, step.x, step.y, s->power * power_steps, eff, ship->id, ship->owner_id, 130, 0);
            if (v >= 0) score /= 3;
            else score += 3 * int64_t(-v);
        }
        if (!(s->flags & SYSTEM_FLAG_OFFENSIVE)) continue;
        if (vs_shot && (s->flags & SYSTEM_FLAG_NO_SHOT_TARGETS)) {
            score -= 100000;
        } else if (s->flags & SYSTEM_FLAG_DIRECT_FIRE) {
            const int64_t p = step.hit_chance, e = step.damage;
            if (p < 1) score += sq(rating_of(s)) / 6;
            else score += p >= 100 ? e * p * 3 / 100 * 3 / 2 : e * p * 3 / 100;
        } else if (s->flags & SYSTEM_FLAG_BLAST) {
            const int32_t own = s->type == SYSTEM_TYPE_ROCKET_POD ? 20 : 80;
            const int32_t v = area(vs_shot, step.target_x, step.target_y, s->power, eff, 0, ship->owner_id, own, 100);
            if (vs_shot) score += v > 0 ? 8 * int64_t(v) : -5000;
            else if (v < 1) score /= 3;
            else score += v;
        } else if (s->flags & SYSTEM_FLAG_AREA) {
            const int32_t v = area(vs_shot, step.x, step.y, s->power, eff, ship->id, ship->owner_id, 0, 100);
            if (v < 1) score /= 3;
            else score += v;
        }
        if (s->type == SYSTEM_TYPE_DRONE_LAUNCHER) score += int64_t(rating_of(s)) * 6;
    }
    if (uses_system) score += 256;
    const Geometry g = geometry_after(ship, plan);
    const ShipPlanStep &last = plan.steps[plan.step_count - 1];
    const int32_t dT = object_distance_to(target, g.px, g.py);
    const int32_t diagonal = ai->map_diagonal;
    bool has_ready_weapon = false;
    int32_t longest = 0;
    for (int32_t c = 0; c < ship->crit_count; ++c) {
        const System *mount = ship->crits[c].system;
        if (!mount) continue;
        const System &m = *mount;
        const int32_t eff = system_effective_value(&m);
        if (!ready_weapon(&m)) {
            if (m.flags & SYSTEM_FLAG_SUPPORT) {
                const int32_t v =
                    area(vs_shot, last.x, last.y, m.power * power_mounts, eff * 2, ship->id, ship->owner_id, 110, 0);
                if (v < 0) score += -int64_t(v);
            }
            continue;
        }
        has_ready_weapon = true;
        const int64_t r = rating_of(&m);
        int64_t n = 1;
        // A ready weapon facing ahead within its arc (or without an arc) counts for itself.
        if (m.flags & SYSTEM_FLAG_ARC) score += std::abs(angle_diff(0, m.facing)) <= m.arc / 2 ? sq(r) / 4 : 0;
        else score += sq(r) / 6;
        if (m.flags & SYSTEM_FLAG_UNLIMITED_RANGE) {
            score += r;
            n += 1;
        } else {
            longest = std::max(longest, m.range);
            if (m.flags & SYSTEM_FLAG_BLAST) {
                if (vs_shot ? dT <= m.range : (m.range * 3 / 4 <= dT && dT <= m.range))
                    score += r * (vs_shot ? 8 : 2);
            } else if (m.flags & SYSTEM_FLAG_DIRECT_FIRE) {
                if (dT <= m.range) {
                    n += 2;
                    if (dT <= m.range / 2) n += 1;
                    if (ship->turn_cost + d->cheapest_cost > ship->max_ap) n += 3;
                }
            } else if (m.flags & SYSTEM_FLAG_AREA) {
                if (dT >= eff) {
                    if (diagonal > 0) score += int64_t(diagonal - dT) * r * 5 / diagonal;
                } else {
                    score += r * 8 - dT + eff;
                }
            } else if (dT <= m.range) {
                score += r * 2;
                n += 1;
            }
        }
        if (n >= 1) score += r * sq(n) / 4;
    }
    if (longest >= 1 && dT > longest && (dT - longest) / 4 >= 1) score -= (dT - longest) / 4;
    score += threat_terms(ai, g, d->cheapest_cost, uses_system, has_ready_weapon, vs_shot);
    return clamp32(std::max<int64_t>(score, 0));
}

// ---- "attack ship" ----

void attack_ship_link(AgentTask *task) { link_target<OBJECT_SHIP, true>(task, "target ship"); }
Result attack_ship_relink(AgentTask *task) { return relink_target<OBJECT_SHIP>(task, "attack ship", "target ship"); }

void attack_ship_describe(AgentTask *task, AiPlayer *, std::string *text) {
    *text += task->subtype == 0 ? ", primary" : ", secondary";
    describe_target(task, ", target", text);
}

void attack_ship_evaluate(AgentTask *task, AiPlayer *ai, Player *player, int32_t *utility, int32_t *assigned,
                          int32_t *needed) {
    const TargetReads reads = target_reads(task, ai, player);
    GameObject *target = reads.snap;
    data_of(task)->known = target;
    const int32_t assignees = agent_task_assignee_count(task);
    const int32_t value = reads.value, strength = reads.strength;
    if (task->subtype != 0) {
        *utility = target ? value / 2 : 0;
        *assigned = target ? assignees : 0;
        *needed = target ? assignees + 1 : 1;
    } else {
        *utility = target ? value : 0;
        *needed = target ? strength + 10 : 10;
        // agent_task_evaluate has just summed the live assignees' values, stopping at a first null
        // item: the same sum unless a null item hides some of them.
        const std::vector<GameObject *> &items = task->assignees.items;
        if (std::find(items.begin(), items.end(), nullptr) == items.end()) {
            *assigned = task->assignee_value;
        } else {
            int32_t sum = 0;
            for (GameObject *obj : items)
                if (obj && !(obj->flags & OBJ_DEAD)) {
                    int32_t v = 0, s = 0;
                    agent_task_object_figures(ai, obj, &v, &s);
                    sum += v;
                }
            *assigned = sum;
        }
    }
    if (ship_of(target)) task->priority_bonus += std::clamp(reads.damage_from / 10, 0, 300);
}

int32_t attack_ship_utility(AgentTask *, GameObject *obj) {
    const Ship *s = ship_of(obj);
    return s && rating_of(s) > 0 ? 1 : 0;
}

void attack_ship_begin(AgentTask *task, AiPlayer *ai, GameObject *obj) {
    Ship *ship = ship_of(obj);
    begin_option_search(task, ai, ship);
    if (!ship) return;
    AgentTaskData *d = data_of(task);
    count_system_options(d, ai, ship, false);
    d->option_total = d->system_options + SHIP_OPTIONS_AFTER_SYSTEMS;
}

[[gnu::always_inline]] inline int32_t attack_ship_option(AgentTask *task, AiPlayer *ai, GameObject *obj, int32_t index) {
    Ship *ship = ship_of(obj);
    if (!ship) return RES_OUT_OF_RANGE;
    AgentTaskData *d = data_of(task);
    if (index < d->system_options) return run_system_option(d, ai, ship, d->target, index, false);
    const int32_t j = index - d->system_options;
    if (j > MOVES_END) return RES_OUT_OF_RANGE;
    movement_option(d, ship, j);
    return RES_OK;
}

int32_t attack_ship_score(AgentTask *task, AiPlayer *ai, Ship *ship, const ShipPlan &plan) {
    return attack_score(data_of(task), ai, ship, plan, false);
}

// ---- "attack shot" ----

void attack_shot_link(AgentTask *task) { link_target<OBJECT_SHOT, true>(task, "target shot"); }
Result attack_shot_relink(AgentTask *task) { return relink_target<OBJECT_SHOT>(task, "attack shot", "target shot"); }
void attack_shot_describe(AgentTask *task, AiPlayer *, std::string *text) { describe_target(task, ", target", text); }

bool reaches_shot(Ship *ship, GameObject *shot) {
    for (int32_t c = 0; c < ship->crit_count; ++c)
        if (ready_weapon(ship->crits[c].system) && ship_check_weapon_target(ship, c, shot) == RES_OK) return true;
    return false;
}

void attack_shot_evaluate(AgentTask *task, AiPlayer *, Player *player, int32_t *utility, int32_t *assigned,
                          int32_t *needed) {
    AgentTaskData *d = data_of(task);
    const Shot *shot = shot_of(d->target);
    int32_t with_weapon = 0, unable = 0, assignees = 0;
    int64_t bonus = 0;
    GameObject *target = shot && !(shot->flags & TARGET_GONE) ? world_shot_target(shot) : nullptr;
    for (GameObject *obj : task->assignees.items) {
        Ship *s = obj && !(obj->flags & OBJ_DEAD) ? ship_of(obj) : nullptr;
        if (!s) continue;
        ++assignees;
        bool armed = false;
        for (int32_t c = 0; c < s->crit_count; ++c) {
            const System *w = s->crits[c].system;
            if (!ready_weapon(w)) continue;
            armed = true;
            if (w->flags & SYSTEM_FLAG_BLAST) bonus += int64_t(rating_of(w)) * 2;
        }
        if (armed) ++with_weapon;
        if (!shot || !reaches_shot(s, d->target)) ++unable;
        if (obj == target) bonus += int64_t(rating_of(s)) * 3 / 2;
    }
    if (assignees > 2) bonus -= 200 * int64_t(assignees - 2);
    *assigned = with_weapon;
    *needed = 2 + unable;
    const Ship *victim = ship_of(target);
    if (!victim || !player || victim->owner_id != player->id || (victim->flags & OBJ_DEAD)) return;
    const int64_t value = player_object_value(victim);
    int64_t u = std::max<int64_t>(sq(value) / 30, 0);
    if (shot->damage >= victim->armour) u = u * 4 / 3;
    if (shot->damage_max >= victim->armour) u = u * 11 / 10;
    if (victim->ship_flags & SHIP_FLAG_POINT_DEFENCE) u /= 3;
    *utility = clamp32(u);
    task->priority_bonus += clamp32(bonus);
}

int32_t attack_shot_utility(AgentTask *, GameObject *obj) {
    const Ship *s = ship_of(obj);
    return s && (s->ship_flags & SHIP_FLAG_DIRECT_WEAPONS) && rating_of(s) > 0 ? 1 : 0;
}

void attack_shot_begin(AgentTask *task, AiPlayer *ai, GameObject *obj) {
    Ship *ship = ship_of(obj);
    begin_option_search(task, ai, ship);
    if (!ship) return;
    AgentTaskData *d = data_of(task);
    count_system_options(d, ai, ship, true);
    Player *owner = world_find_player(ship->owner_id);
    d->shot_known = owner && player_known_object_by_id(owner, task->target_id) ? 1 : 0;
    d->option_total = d->system_options + SHOT_OPTIONS_AFTER_SYSTEMS;
}

[[gnu::always_inline]] inline int32_t attack_shot_option(AgentTask *task, AiPlayer *ai, GameObject *obj, int32_t index) {
    Ship *ship = ship_of(obj);
    if (!ship) return RES_OUT_OF_RANGE;
    AgentTaskData *d = data_of(task);
    if (index < d->system_options) return run_system_option(d, ai, ship, d->target, index, true);
    const int32_t j = index - d->system_options;
    if (j > SHOT_END || !d->target) return RES_OUT_OF_RANGE;
    if (j < MOVES_END) {
        movement_option(d, ship, j);
        return RES_OK;
    }
    PlanCursor at;
    system_ai_begin(ship, &at);
    if (j == SHOT_END) {
        append_step(ship, PLAN_NONE, at.x, at.y, at.heading);
        return RES_OK;
    }
    if (j >= SHOT_APPROACH_FIRST && j <= SHOT_APPROACH_LAST) {
        int32_t tx = 0, ty = 0;
        centre_of(d->target, &tx, &ty);
        int32_t cx = 0, cy = 0, w = 0, h = 0;
        frame_size(ship, at.heading, &w, &h);
        cx = at.x + w / 2;
        cy = at.y + h / 2;
        if (distance(tx - cx, ty - cy) > ship->scan_range && !approach(&at, tx, ty, true)) return RES_OK;
    }
    if (!d->shot_known) scan_from(&at, d->target);
    return RES_OK;
}

int32_t attack_shot_score(AgentTask *task, AiPlayer *ai, Ship *ship, const ShipPlan &plan) {
    return attack_score(data_of(task), ai, ship, plan, true);
}

// ---- "scan ship" ----

void scan_ship_link(AgentTask *task) { link_target<OBJECT_SHIP, true>(task, "target ship"); }
Result scan_ship_relink(AgentTask *task) { return relink_target<OBJECT_SHIP>(task, "scan ship", "target ship"); }
void scan_ship_describe(AgentTask *task, AiPlayer *, std::string *text) { describe_target(task, ", target", text); }

int32_t scan_ship_done(AgentTask *task, AiPlayer *ai, Player *player) {
    if (target_gone(task, ai, player)) return 1;
    const GameObject *snap = known_copy(task, ai, player);
    return snap && snap->snapshot_version >= 1 ? 1 : 0;
}

void scan_ship_evaluate(AgentTask *task, AiPlayer *ai, Player *player, int32_t *utility, int32_t *assigned,
                        int32_t *needed) {
    AgentTaskData *d = data_of(task);
    const TargetReads reads = target_reads(task, ai, player);
    d->known = reads.snap;
    const GameObject *target = reads.weighed;
    const int32_t value = reads.value;
    *utility = value;
    *needed = target ? *utility / 5 + 1 : 1;
    if (Ship *s = first_assignee(task)) {
        *assigned = 1;
        if (!(s->ship_flags & SHIP_FLAG_ARMED)) task->priority_bonus += 300;
        if (16 - s->scan_cost > 0) task->priority_bonus += (16 - s->scan_cost) * 10;
    }
}

}  // namespace

// Beyond the common inputs and the assignees, attack_ship_evaluate and scan_ship_evaluate read their
// target through target_reads: its words are the inputs.
bool ai_combat_task_inputs(AgentTask *task, AiPlayer *ai, Player *player, AgentTaskInputs *out) {
    if ((task->type != TASK_ATTACK_SHIP && task->type != TASK_SCAN_SHIP) || !agent_task_inputs(task, ai, out)) {
        out->count = 0;
        return false;
    }
    const TargetReads r = target_reads(task, ai, player);
    for (int64_t w : {int64_t(reinterpret_cast<uintptr_t>(player)), int64_t(reinterpret_cast<uintptr_t>(r.snap)),
                      int64_t(reinterpret_cast<uintptr_t>(r.weighed)), int64_t(r.value), int64_t(r.strength),
                      int64_t(r.damage_from)})
        out->add(w);
    return true;
}

// Of an assignee, a scan reads whether the first live one is a ship, armed, and its scan cost.
void ai_combat_assignee_inputs(AiPlayer *ai, GameObject *obj, AgentTaskInputs *out) {
    agent_task_assignee_inputs(ai, obj, out);
    const Ship *s = ship_of(obj);
    out->add(s ? 1 : 0);
    out->add(s ? int64_t(s->ship_flags & SHIP_FLAG_ARMED) : 0);
    out->add(s ? s->scan_cost : 0);
}

namespace {

int32_t scan_ship_utility(AgentTask *, GameObject *obj) {
    const Ship *s = ship_of(obj);
    if (!s || (s->hull_flags & HULL_CANNOT_SCAN) || s->max_ap < s->scan_cost) return 0;
    return (s->ship_flags & SHIP_FLAG_SUPPORT_READY) ? 0 : 1;
}

void scan_ship_begin(AgentTask *task, AiPlayer *ai, GameObject *obj) {
    begin_option_search(task, ai, ship_of(obj));
    data_of(task)->option_total = SCAN_OPTIONS;
}

System *first_ready_jump(Ship *ship) {
    for (int32_t c = 0; c < ship->crit_count; ++c) {
        System *s = ship->crits[c].system;
        if (s && s->type == SYSTEM_TYPE_JUMP_DRIVE && ready(s)) return s;
    }
    return nullptr;
}

[[gnu::always_inline]] inline int32_t scan_ship_option(AgentTask *task, AiPlayer *, GameObject *obj, int32_t index) {
    Ship *ship = ship_of(obj);
    AgentTaskData *d = data_of(task);
    if (!ship || !d->target) return RES_OUT_OF_RANGE;
    if (index >= SCAN_OPTIONS || index < 0) return RES_OUT_OF_RANGE;
    PlanCursor at;
    system_ai_begin(ship, &at);
    if (index == SCAN_END) {
        append_step(ship, PLAN_NONE, at.x, at.y, at.heading);
        return RES_OK;
    }
    int32_t tx = 0, ty = 0;
    centre_of(d->target, &tx, &ty);
    if (index < SCAN_TURN_ANY) {
        if (beyond_scan_range(at, tx, ty) && !approach(&at, tx, ty, index < SCAN_TOWARDS_ANY)) {
            // Every step is written whole when it is added, so emptying the record is emptying its count.
            ship->option.step_count = 0;
            return RES_OK;
        }
    } else if (index >= SCAN_JUMP && index < SCAN_HERE) {
        System *jump = first_ready_jump(ship);
        if (jump && at.ap >= jump->ap_cost) {
            int32_t x = 0, y = 0;
            if (ship_ai_pick_position(ship, jump->range - 1, ship->x + ship->w / 2, ship->y + ship->h / 2,
                                      ship->heading, &x, &y) != RES_OK)
                return RES_OK;
            if (system_ai_use_plain(&at, jump, nullptr, x, y)) {
                at.x = x;
                at.y = y;
            }
            return RES_OK;
        }
        random_turn(&at);
        (void)move_near(&at, at.heading, 1, at.mp);
        return RES_OK;
    } else if (index < SCAN_JUMP) {
        // A manoeuvre alone: away from the arcs that threaten the ship, to scan on a later turn.
        random_turn(&at);
        (void)move_near(&at, at.heading, index < SCAN_TURN_FULL ? 1 : at.mp, at.mp);
        return RES_OK;
    }
    scan_from(&at, d->target);
    return RES_OK;
}

int32_t scan_ship_score(AgentTask *task, AiPlayer *ai, Ship *ship, const ShipPlan &plan) {
    AgentTaskData *d = data_of(task);
    if (plan.step_count < 1 || !d->target) return 0;
    int64_t score = int64_t(task->utility) * 12;
    for (int32_t i = 0; i < plan.step_count; ++i)
        if (plan.steps[i].code == PLAN_SCAN) score += 500;
    const Geometry g = geometry_after(ship, plan);
    const int32_t dist = object_distance_to(d->target, g.px, g.py);
    score -= dist / 2;
    if (dist <= ship->scan_range) score += 200;
    const SearchFigures &f = figures_of(ai);
    for (const Enemy &t : f.enemies) {
        if (beyond(g.px - t.x, g.py - t.y, std::max(t.reach, g.near))) continue;
        const int32_t dd = distance(g.px - t.x, g.py - t.y);
        int32_t bearing_known = INT32_MIN;   // worked out only for an enemy within reach, as above
        auto bearing = [&] {
            if (bearing_known == INT32_MIN) bearing_known = angle_of_vector(g.px - t.x, g.py - t.y);
            return bearing_known;
        };
        if (t.scanned) {
            for (int32_t a = t.first_arc; a < t.first_arc + t.arcs; ++a) {
                const EnemyArc &w = f.arcs[size_t(a)];
                if (dd >= w.range || std::abs(angle_diff(bearing(), w.facing)) > w.half_arc) continue;
                score -= sq(w.range - dd) / 80;
            }
        } else if (dd < UNSCANNED_THREAT_RANGE && std::abs(angle_diff(bearing(), t.heading)) < UNSCANNED_THREAT_ARC) {
            score -= sq(UNSCANNED_THREAT_RANGE - dd) / 100;
        }
        if (dd < g.near) score -= 100;
    }
    return clamp32(std::max<int64_t>(score, 0));
}

// ---- "retreat ship" ----

void retreat_link(AgentTask *task) { link_target<OBJECT_SHIP, false>(task, "retreat ship"); }
Result retreat_relink(AgentTask *task) { return relink_target<OBJECT_SHIP>(task, "retreat ship", "retreat ship"); }
void retreat_describe(AgentTask *task, AiPlayer *, std::string *text) { describe_target(task, ", ship", text); }

void retreat_evaluate(AgentTask *task, AiPlayer *, Player *, int32_t *utility, int32_t *assigned, int32_t *needed) {
    const Ship *s = ship_of(data_of(task)->target);
    *utility = s && (s->ship_flags & SHIP_FLAG_RETREATING) ? RETREATING_UTILITY : 30;
    *assigned = first_assignee_index(task) >= 0 ? 1 : 0;
    *needed = 1;
}

int32_t retreat_utility(AgentTask *task, GameObject *obj) { return obj && obj == data_of(task)->target ? 1 : 0; }

int32_t retreat_blocked(AgentTask *task, AiPlayer *, Player *) {
    Ship *ship = ship_of(data_of(task)->target);
    if (!ship) return 1;
    Game *game = game_get();
    ObjectMap *map = ship->map ? ship->map : game ? game->combat_map : nullptr;
    if (map)
        for (GameObject *obj : map->objects.items) {
            const Ship *other = ship_of(obj);
            if (other && other->owner_id != ship->owner_id && (other->ship_flags & SHIP_FLAG_INTERDICTOR)) return 1;
        }
    Result why = RES_OK;
    if (!ship_can_jump(ship, &why) && why != RES_RETREATING) return 1;
    return 0;
}

// The snapshot a retreat option fires at: drawn from the commander's list.
Ship *random_snapshot(AiPlayer *ai) {
    const int32_t n = ai->snapshots ? list_count(ai->snapshots) : 0;
    if (n < 1) return nullptr;
    return ship_of(list_get(ai->snapshots, system_random_between(0, n - 1)));
}

void retreat_begin(AgentTask *task, AiPlayer *ai, GameObject *obj) {
    Ship *ship = ship_of(obj);
    begin_option_search(task, ai, ship);
    if (!ship) return;
    AgentTaskData *d = data_of(task);
    (void)random_snapshot(ai);
    d->system_options = 0;
    for (int32_t i = 0; i < ship->crit_count; ++i) {
        System *s = ship->crits[i].system;
        if (!s) continue;
        s->ai_candidates = ready(s) ? system_ai_candidate_count(s, ai, ship, ship->heading) : 0;
        d->system_options += s->ai_candidates;
    }
    d->option_total = d->system_options + 1;
}

[[gnu::always_inline]] inline int32_t retreat_option(AgentTask *task, AiPlayer *ai, GameObject *obj, int32_t index) {
    Ship *ship = ship_of(obj);
    if (!ship) return RES_OUT_OF_RANGE;
    AgentTaskData *d = data_of(task);
    if (index == d->system_options) {
        append_step(ship, PLAN_END_EFFECTS, ship->x, ship->y, ship->heading);
        return RES_OK;
    }
    if (index > d->system_options || index < 0) return RES_OUT_OF_RANGE;
    const Ship *snap = random_snapshot(ai);
    GameObject *target = snap ? world_find_object(snap->id) : nullptr;
    if (!ship_of(target)) {
        ship->option = ShipPlan{};
        return RES_OK;
    }
    const int32_t r = run_system_option(d, ai, ship, target, index, false);
    ShipPlan &p = ship->option;
    if (r == RES_OK && p.step_count >= 1 && p.step_count < SHIP_PLAN_STEPS - 1) {
        const ShipPlanStep &last = p.steps[p.step_count - 1];
        append_step(ship, PLAN_END_EFFECTS, last.x, last.y, last.heading);
    }
    return r;
}

int32_t retreat_score(AgentTask *, AiPlayer *, Ship *ship, const ShipPlan &plan) {
    if (plan.step_count < 1) return 0;
    int64_t score = 1;
    for (int32_t i = 0; i < plan.step_count; ++i) {
        const int32_t code = plan.steps[i].code;
        if (code == PLAN_END_EFFECTS) {
            score += 300;
            continue;
        }
        const System *s = code >= 0 ? ship_get_crit_system(ship, code) : nullptr;
        if (!s) continue;
        if (!(s->flags & SYSTEM_FLAG_OFFENSIVE)) score += 60;
        else if (s->flags & SYSTEM_FLAG_HEAVY) score += int64_t(rating_of(s)) * 10;
        else if (s->flags & SYSTEM_FLAG_DIRECT_FIRE) score += int64_t(rating_of(s)) * 7;
        else score += int64_t(rating_of(s)) * 5;
    }
    return clamp32(std::max<int64_t>(score, 0));
}

}  // namespace

void ai_combat_task_type_fill(int32_t type, AgentTaskType *t) {
    switch (type) {
    case TASK_ATTACK_SHIP:
        t->link = attack_ship_link;
        t->relink = attack_ship_relink;
        t->use_centre = centre_always;
        t->is_obsolete = target_obsolete<OBJECT_SHIP>;
        t->describe = attack_ship_describe;
        t->execute = target_gone;
        t->evaluate = attack_ship_evaluate;
        t->ship_utility = attack_ship_utility;
        t->combat_begin = attack_ship_begin;
        t->combat_next_option = memo_option_slot<attack_ship_option>;
        t->combat_score = memo_score_slot<attack_ship_score>;
        break;
    case TASK_ATTACK_SHOT:
        t->link = attack_shot_link;
        t->relink = attack_shot_relink;
        t->use_centre = centre_always;
        t->is_obsolete = target_obsolete<OBJECT_SHOT>;
        t->describe = attack_shot_describe;
        t->execute = target_gone;
        t->evaluate = attack_shot_evaluate;
        t->ship_utility = attack_shot_utility;
        t->combat_begin = attack_shot_begin;
        t->combat_next_option = memo_option_slot<attack_shot_option>;
        t->combat_score = memo_score_slot<attack_shot_score>;
        break;
    case TASK_SCAN_SHIP:
        t->link = scan_ship_link;
        t->relink = scan_ship_relink;
        t->use_centre = centre_always;
        t->is_obsolete = target_obsolete<OBJECT_SHIP>;
        t->describe = scan_ship_describe;
        t->execute = scan_ship_done;
        t->evaluate = scan_ship_evaluate;
        t->ship_utility = scan_ship_utility;
        t->combat_begin = scan_ship_begin;
        t->combat_next_option = memo_option_slot<scan_ship_option>;
        t->combat_score = memo_score_slot<scan_ship_score>;
        break;
    case TASK_RETREAT_SHIP:
        t->link = retreat_link;
        t->relink = retreat_relink;
        t->use_centre = centre_always;
        t->is_obsolete = target_obsolete<OBJECT_SHIP>;
        t->describe = retreat_describe;
        t->execute = target_gone;
        t->is_blocked = retreat_blocked;
        t->evaluate = retreat_evaluate;
        t->ship_utility = retreat_utility;
        t->combat_begin = retreat_begin;
        t->combat_next_option = memo_option_slot<retreat_option>;
        t->combat_score = memo_score_slot<retreat_score>;
        break;
    default:
        break;
    }
}

namespace {

template <RecordScoreFn *Score>
int32_t memo_record_score(AgentTask *task, AiPlayer *ai, Ship *ship, const ShipPlan &plan) {
    return memo_score(task, ai, ship, plan, Score);
}

}  // namespace

CombatRecordScoreFn *ai_combat_record_score(const AgentTask *task) {
    const AgentTaskType *t = task ? agent_task_type(task->type) : nullptr;
    if (!t || !t->combat_score) return nullptr;
    // Only the slots filled above: a type whose score slot was replaced is scored through it.
    if (t->combat_score == memo_score_slot<attack_ship_score>) return memo_record_score<attack_ship_score>;
    if (t->combat_score == memo_score_slot<attack_shot_score>) return memo_record_score<attack_shot_score>;
    if (t->combat_score == memo_score_slot<scan_ship_score>) return memo_record_score<scan_ship_score>;
    if (t->combat_score == memo_score_slot<retreat_score>) return memo_record_score<retreat_score>;
    return nullptr;
}

void ai_combat_score_search_begin(const AgentTask *task, const AiPlayer *ai, const Ship *ship) {
    take_figures(ai, ship);
    memo_open(task, ai, ship);
}

void ai_combat_score_search_end() { memo_close(); }

void ai_combat_search_caches_drop() {
    memo_close();
    failed_begin(nullptr);   // the failures and the home spot's answers
    t_scan_reach = ScanReach{};
    t_bearing = KnownBearing{};
}

AiPlanCaches::AiPlanCaches() {
    ship_ai_map_still_begin();
    system_plan_begin();
}

AiPlanCaches::~AiPlanCaches() {
    ai_combat_search_caches_drop();
    system_plan_end();
    ship_ai_map_still_end();
}
