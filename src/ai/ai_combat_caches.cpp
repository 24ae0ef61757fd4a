// The caches of the combat task types' option search (ai_combat_search.h) and the scope that opens
// and closes a plan's caches together (ai_combat_caches.h).
#include "ai/ai_combat_caches.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>
#include "ai/agent_task.h"
#include "ai/ai_combat.h"
#include "ai/ai_combat_search.h"
#include "ai/ai_player.h"
#include "ai/ship_ai.h"
#include "ai/system_ai.h"
#include "platform/geometry.h"
#include "systems/plan_check.h"
#include "systems/system.h"
#include "world/object.h"
#include "world/ship.h"

namespace ai_combat_search {

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

FrameInputs frame_inputs(const Ship *ship) {
    const bool has_sizes = ship->frame_w && ship->frame_h && ship->frame_count > 0;
    return {.known = true, .w = ship->w, .h = ship->h, .rotating = (ship->hull_flags & HULL_FLAG_ROTATING) != 0,
            .rot_first = ship->rot_first, .rot_last = ship->rot_last,
            .frame_w = has_sizes ? std::vector<int32_t>(ship->frame_w, ship->frame_w + ship->frame_count)
                                 : std::vector<int32_t>{},
            .frame_h = has_sizes ? std::vector<int32_t>(ship->frame_h, ship->frame_h + ship->frame_count)
                                 : std::vector<int32_t>{}};
}


// The frame size (and crowding distance) worked out from the ship.
[[gnu::noinline]] void frame_asked(const Ship *ship, int32_t heading, int32_t *w, int32_t *h, int32_t *near) {
    frame_size_at(ship, heading, w, h);
    if (near) *near = crowding_of(*w, *h);
}

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


void failed_begin(const Ship *ship) {
    FailedManoeuvres &f = t_failed;
    table_begin(&f.table);
    std::fill(std::begin(f.spots), std::end(f.spots), 0);
    f.home = HomeSpot{};
    if (!ship) return;
    f.home.key = StandingKey{ship->x, ship->y, ship->heading, ship};
    f.home.known = true;
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
// well, so that a caller that changes them between options starts with an empty memo; not in a memo
// the option scorer opened (ai_combat_score_search_begin), whose searching thread changes none of
// them until the search closes: its worker then reads them here rather than from the ship, beside
// the option record the searching thread rewrites at every option.
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
    bool             inputs_still = false;   // opened by the option scorer: the four above stand still
    std::vector<uint32_t>     slots;     // a power of two of them; 0 empty, else 1 + the entry's index
    std::vector<MemoEntry>    entries;
    std::vector<ShipPlanStep> steps;     // the keys' steps, entry after entry
};

constinit thread_local ScoreMemo t_memo;

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

[[gnu::always_inline]] inline uint64_t record_hash(const ShipPlan &plan) {
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
    m.inputs_still = false;
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

// The score of an option record of the ship, from the memo when the search under way gave it before.
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

int32_t memo_score_kept(AgentTask *task, AiPlayer *ai, Ship *ship, const ShipPlan &plan, RecordScoreFn *score_fn) {
    ScoreMemo &m = t_memo;
    if (!m.open || task != m.task || ai != m.ai || ship != m.ship) return score_fn(task, ai, ship, plan);
    if (plan.step_count < 1 || plan.step_count > SHIP_PLAN_STEPS) return score_fn(task, ai, ship, plan);
    const AgentTaskData *d = static_cast<const AgentTaskData *>(task);
    if (!m.inputs_still &&
        (ship->ap != m.ap || ship->ai_word != m.ai_word || task->utility != m.utility || d->cheapest_cost != m.cheapest))
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

constinit thread_local ScanReach t_scan_reach;

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

constinit thread_local KnownBearing t_bearing;

// A combat task's option search begins: no manoeuvre has failed yet, no bearing is known, the figures
// are taken and the score memo opens empty.
void begin_option_search(const AgentTask *task, const AiPlayer *ai, const Ship *ship) {
    failed_begin(ship);
    t_bearing = KnownBearing{};
    t_scan_reach = ScanReach{};
    take_figures(ai, ship);
    memo_open(task, ai, ship);
}

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

// The failed moves' key is put together only off the common path: where the spot's bit is set.
[[gnu::noinline]] bool move_failed_before(int32_t x, int32_t y, int32_t from, int32_t heading, int32_t range) {
    return table_find(&t_failed.table, FailedManoeuvre{FAILED_MOVE, x, y, from, heading, range});
}

[[gnu::noinline]] void move_failed(int32_t x, int32_t y, int32_t from, int32_t heading, int32_t range) {
    (void)failed_add(t_failed, FailedManoeuvre{FAILED_MOVE, x, y, from, heading, range});
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

}  // namespace ai_combat_search

void ai_combat_score_search_begin(const AgentTask *task, const AiPlayer *ai, const Ship *ship) {
    ai_combat_search::take_figures(ai, ship);
    ai_combat_search::memo_open(task, ai, ship);
    ai_combat_search::t_memo.inputs_still = true;
}

void ai_combat_score_search_end() { ai_combat_search::memo_close(); }

void ai_combat_search_caches_drop() {
    ai_combat_search::memo_close();
    ai_combat_search::failed_begin(nullptr);   // the failures and the home spot's answers
    ai_combat_search::t_scan_reach = ai_combat_search::ScanReach{};
    ai_combat_search::t_bearing = ai_combat_search::KnownBearing{};
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
