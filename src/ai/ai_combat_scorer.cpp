// The combat option scorer: the searching thread copies each option into a ring and goes on; the
// worker claims the shown options a few at a time and scores them. Whatever the worker has not
// claimed when the options run out, the searching thread claims and scores itself, so a search never
// waits for a sleeping worker, only for the few options the worker is scoring at that moment.
#include "ai/ai_combat_scorer.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <new>
#include <thread>
#include <type_traits>
#if defined(__x86_64__)
#include <immintrin.h>
#endif
#include "ai/agent_task.h"
#include "ai/ai_combat.h"
#include "platform/log.h"
#include "platform/random.h"
#include "world/ship.h"

namespace {

constexpr uint32_t RING_SLOTS = 1024;         // a power of two
constexpr uint32_t RING_MASK = RING_SLOTS - 1;
constexpr uint32_t SHOW_EVERY = 32;           // options shown to the worker at once
constexpr uint32_t WAKE_EVERY = 256;          // options pushed between two wakes of a sleeping worker
constexpr uint32_t CHUNK = 8;                 // options claimed at once
// An idle worker polls briefly, then gives its time slice away for about a millisecond (a search
// shows it options every few tens of microseconds), then sleeps until woken.
constexpr int      WORKER_SPIN = 256;
constexpr int      WORKER_YIELDS = 2000;
constexpr int      SEARCHER_SPIN = 1024;      // polls before the searching side yields its time slice

}  // namespace

// The member types of CombatScorer, a type the header names: not in the anonymous namespace.
namespace combat_scorer_detail {

// An option's slot: its search, step count, index and first step share the first cache line.
struct alignas(64) Slot {
    uint32_t search = 0;         // the number of the search it belongs to
    ShipPlan plan;               // the step count, the option's index and the steps it uses
};

}  // namespace combat_scorer_detail

namespace {

void pause_briefly() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// The steps a record uses, with its count, score and index; the steps past the count are left.
void copy_record(ShipPlan *to, const ShipPlan &from) {
    to->step_count = from.step_count;
    to->score = from.score;
    to->index = from.index;
    const int32_t n = std::clamp(from.step_count, 0, SHIP_PLAN_STEPS);
    for (int32_t i = 0; i < n; ++i) to->steps[i] = from.steps[i];
}

// An option into its slot, with the search's number and the option's index. On x86-64 the words go
// to memory past the caches: the slot's lines were last read on the worker's core, and fetching them
// back before writing would hold up the searching side at every option.
void write_slot(combat_scorer_detail::Slot *slot, uint32_t search, const ShipPlan &option, int32_t index) {
#if defined(__x86_64__) && !defined(__SANITIZE_THREAD__)
    static_assert(offsetof(combat_scorer_detail::Slot, plan) == 8 && offsetof(ShipPlan, steps) == 16 &&
                  sizeof(ShipPlanStep) % 8 == 0);
    static_assert(std::has_unique_object_representations_v<ShipPlanStep>);
    constexpr int32_t STEP_WORDS = int32_t(sizeof(ShipPlanStep) / 8);
    long long *to = reinterpret_cast<long long *>(slot);
    const int32_t n = std::clamp(option.step_count, 0, SHIP_PLAN_STEPS);
    _mm_stream_si64(to, static_cast<long long>(search));
    _mm_stream_si64(to + 1, static_cast<long long>(uint64_t(uint32_t(option.step_count)) |
                                                     uint64_t(uint32_t(option.score)) << 32));
    _mm_stream_si64(to + 2, static_cast<long long>(uint32_t(index)));
    // A step at a time, its words loaded together before they are stored: the loop runs once a
    // step rather than once a word.
    to += 3;
    static_assert(STEP_WORDS == 5);
    const char *from = reinterpret_cast<const char *>(option.steps);
    for (int32_t i = 0; i < n; ++i, to += STEP_WORDS, from += sizeof(ShipPlanStep)) {
        long long w0, w1, w2, w3, w4;
        std::memcpy(&w0, from, 8);
        std::memcpy(&w1, from + 8, 8);
        std::memcpy(&w2, from + 16, 8);
        std::memcpy(&w3, from + 24, 8);
        std::memcpy(&w4, from + 32, 8);
        _mm_stream_si64(to, w0);
        _mm_stream_si64(to + 1, w1);
        _mm_stream_si64(to + 2, w2);
        _mm_stream_si64(to + 3, w3);
        _mm_stream_si64(to + 4, w4);
    }
#else
    slot->search = search;
    copy_record(&slot->plan, option);
    slot->plan.index = index;
#endif
}

// Orders the streamed slots before the store that shows them.
void slots_written() {
#if defined(__x86_64__) && !defined(__SANITIZE_THREAD__)
    _mm_sfence();
#endif
}

}  // namespace

namespace combat_scorer_detail {

// The best of the options one thread scored: the highest score above 0, and of those the first
// option. Each thread scores a part of a search, not always in order, so ties go by index.
struct Best {
    int32_t  score = 0;
    int32_t  index = -1;
    ShipPlan record;

    void offer(int32_t v, const ShipPlan &plan) {
        if (v < 1 || v < score || (v == score && plan.index >= index)) return;
        score = v;
        index = plan.index;
        copy_record(&record, plan);
        record.score = v;
    }
};

}  // namespace combat_scorer_detail

struct CombatScorer {
    combat_scorer_detail::Slot slots[RING_SLOTS];
    // Each shared word in a cache line of its own.
    alignas(64) std::atomic<uint32_t> tail{0};       // slots shown to the worker (the searching side writes)
    alignas(64) std::atomic<uint32_t> next{0};       // the next slot to claim (either side)
    alignas(64) std::atomic<uint32_t> finished{0};   // slots the worker has scored
    alignas(64) std::atomic<uint32_t> worker_searches{0};   // searches the worker took part in
    alignas(64) std::atomic<bool> worker_asleep{false};
    alignas(64) std::atomic<uint32_t> wakes{0};     // counted on to wake the worker
    alignas(64) std::atomic<bool> stopping{false};
    alignas(64) std::atomic<bool> claimed{false};
    // The searching side's own (the thread that holds the claim), and the search it opens: the
    // worker reads the task, commander and ship after a slot of the search has been shown.
    alignas(64) uint32_t pushed = 0;
    uint32_t   shown = 0;        // = tail
    uint32_t   woken = 0;        // pushed when the worker was last woken
    uint32_t   search = 0;       // the open search's number
    uint32_t   first = 0;        // its first slot
    uint32_t   finished_at_open = 0;
    uint32_t   mine = 0;         // slots of the search claimed by the searching side
    bool       scoring_here = false;   // the searching side's memo is open for the search
    AgentTask *task = nullptr;
    AiPlayer  *ai = nullptr;
    Ship      *ship = nullptr;
    combat_scorer_detail::Best here;   // of the options the searching side scored
    // The worker's best of the search it last took part in: read once it has finished every slot
    // it claimed.
    alignas(64) uint32_t worker_search = 0;
    combat_scorer_detail::Best worker_best;
    std::thread thread;
};

namespace {

std::atomic<CombatScorer *> g_scorer{nullptr};

// ---- The worker's side ----

// Waits until slots past `claimed` are shown (or the scorer stops); false to stop.
bool worker_wait(CombatScorer *s, uint32_t claimed) {
    for (int i = 0;; ++i) {
        if (s->stopping.load(std::memory_order_acquire)) return false;
        const uint32_t tail = s->tail.load(std::memory_order_acquire);
        if (tail != claimed) return true;
        if (i < WORKER_SPIN) {
            pause_briefly();
            continue;
        }
        if (i < WORKER_SPIN + WORKER_YIELDS) {
            std::this_thread::yield();
            continue;
        }
        // Announce the sleep, then look again. A show that misses the announcement costs nothing
        // but time: what the worker does not claim, the searching side scores itself.
        s->worker_asleep.store(true, std::memory_order_seq_cst);
        const uint32_t woken = s->wakes.load(std::memory_order_seq_cst);
        if (s->tail.load(std::memory_order_seq_cst) == tail && !s->stopping.load(std::memory_order_seq_cst))
            s->wakes.wait(woken, std::memory_order_acquire);
        s->worker_asleep.store(false, std::memory_order_relaxed);
        i = 0;
    }
}

void worker_main(CombatScorer *s, uint32_t seed) {
    random_seed(seed);
    // The search's task, commander and ship are kept here: their words share a line with the
    // searching side's counts, which it writes at every option.
    uint32_t search = 0;
    AgentTask *task = nullptr;
    AiPlayer *ai = nullptr;
    Ship *ship = nullptr;
    CombatRecordScoreFn *score = nullptr;
    for (;;) {
        uint32_t at = s->next.load(std::memory_order_acquire);
        if (!worker_wait(s, at)) break;
        at = s->next.load(std::memory_order_acquire);
        const uint32_t tail = s->tail.load(std::memory_order_acquire);
        if (at == tail) continue;
        const uint32_t n = std::min(CHUNK, tail - at);
        if (!s->next.compare_exchange_weak(at, at + n, std::memory_order_acq_rel)) continue;
        for (uint32_t k = at; k != at + n; ++k) {
            const combat_scorer_detail::Slot &slot = s->slots[k & RING_MASK];
            if (slot.search != search) {
                if (search) ai_combat_score_search_end();
                search = slot.search;
                task = s->task;
                ai = s->ai;
                ship = s->ship;
                score = ai_combat_record_score(task);
                ai_combat_score_search_begin(task, ai, ship);
                s->worker_search = search;
                s->worker_best = combat_scorer_detail::Best{};
                s->worker_searches.fetch_add(1, std::memory_order_relaxed);
            }
            s->worker_best.offer(score(task, ai, ship, slot.plan), slot.plan);
        }
        s->finished.fetch_add(n, std::memory_order_release);
    }
    if (search) ai_combat_score_search_end();
}

// ---- The searching side ----

void show(CombatScorer *s) {
    slots_written();
    s->shown = s->pushed;
    s->tail.store(s->pushed, std::memory_order_release);
    if (s->pushed - s->woken >= WAKE_EVERY && s->worker_asleep.load(std::memory_order_relaxed)) {
        s->woken = s->pushed;
        s->wakes.fetch_add(1, std::memory_order_release);
        s->wakes.notify_one();
    }
}

void score_here(CombatScorer *s, const ShipPlan &plan) {
    if (!s->scoring_here) {
        ai_combat_score_search_begin(s->task, s->ai, s->ship);
        s->scoring_here = true;
    }
    s->here.offer(ai_combat_record_score(s->task)(s->task, s->ai, s->ship, plan), plan);
}

// The slots of the search the worker has scored: it claims them in order, so they are the first ones.
uint32_t worker_done(const CombatScorer *s) {
    return s->finished.load(std::memory_order_acquire) - s->finished_at_open;
}

}  // namespace

// Thread safety of the scores, audited for this worker. Between open and close the searching
// thread builds options and writes only the ship's option record (Ship::option, which the worker
// never reads: it scores copies; and the ship's move counter, beside that record, which a memo
// compares at every score, the worker's memo takes once when the worker joins the search), its own
// per-thread caches (the searches and verdicts of ship_ai, system_ai and the option
// side of ai_combat_tasks are thread_local; a PlanCursor's centre is the cursor's own) and the
// draws of the battle's generator. The task's combat_begin writes the task's option counts,
// cheapest cost and shot flag and each system's candidate count before open. The worker reads, and
// nobody writes while the search runs:
//  - the ship: id, owner, position and size, frames and frame sizes, AP, maximum AP, turn and scan
//    costs, scan range, consecutive move counter (ai_word), online load, its crits and their
//    systems (type, flags, power, range, value, AP cost, facing and arc, status, load);
//  - the task: type, target (position and size; a shot's target and blast radius), utility,
//    cheapest cost; the commander: its snapshot list (the snapshots' positions, headings, AP, turn
//    costs, scan versions and their systems) and its map diagonal;
//  - the combat map's object list through the area values (positions, sizes, owners, kinds, online
//    loads), the type table of the systems and the world hooks, both filled before any AI thread;
//  - the distance table (built at start-up, published atomically) and the trigonometry tables.
// No `mutable` or computed-on-first-use field of Ship, System, Sprite or ObjectMap is on that path
// (the sprites' masks and outline maps are not read by a score at all), and no score draws.
Result ai_combat_scorer_start() {
    if (g_scorer.load(std::memory_order_acquire)) return RES_OK;
    auto *s = new (std::nothrow) CombatScorer;
    if (!s) return RES_NO_MEMORY;
    const uint32_t seed = random_worker_seed();
    try {
        s->thread = std::thread(worker_main, s, seed);
    } catch (...) {
        log_write(LOG_GAME, LOG_ERROR, "Could not start the combat option scorer");
        delete s;
        return RES_FAILED;
    }
    g_scorer.store(s, std::memory_order_release);
    return RES_OK;
}

void ai_combat_scorer_stop() {
    CombatScorer *s = g_scorer.exchange(nullptr, std::memory_order_acq_rel);
    if (!s) return;
    // A search under way closes first. One that never does (a thread left running at exit) keeps
    // the worker and its ring: they are left to the process's end rather than freed under it.
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (s->claimed.exchange(true, std::memory_order_acquire)) {
        if (std::chrono::steady_clock::now() > give_up) {
            log_write(LOG_GAME, LOG_ERROR, "Combat option scorer still in use at shut-down, left running");
            return;
        }
        std::this_thread::yield();
    }
    s->stopping.store(true, std::memory_order_seq_cst);
    s->wakes.fetch_add(1, std::memory_order_seq_cst);   // a sleeping worker wakes and stops
    s->wakes.notify_one();
    s->thread.join();
    delete s;
}

bool ai_combat_scorer_running() { return g_scorer.load(std::memory_order_acquire) != nullptr; }

uint32_t ai_combat_scorer_searches() {
    const CombatScorer *s = g_scorer.load(std::memory_order_acquire);
    return s ? s->worker_searches.load(std::memory_order_acquire) : 0;
}

CombatScorer *ai_combat_scorer_open(AgentTask *task, AiPlayer *ai, Ship *ship) {
    CombatScorer *s = g_scorer.load(std::memory_order_acquire);
    if (!s || !ship || !ai_combat_record_score(task)) return nullptr;
    if (s->claimed.exchange(true, std::memory_order_acquire)) return nullptr;
    if (++s->search == 0) s->search = 1;
    s->task = task;
    s->ai = ai;
    s->ship = ship;
    s->first = s->pushed;
    s->finished_at_open = s->finished.load(std::memory_order_acquire);
    s->mine = 0;
    s->scoring_here = false;
    s->here = combat_scorer_detail::Best{};
    return s;
}

namespace {

// An option pushed while the ring is full, scored here. Kept out of the push, whose every call
// would otherwise make room on the stack for the copy.
[[gnu::noinline]] void score_pushed_here(CombatScorer *s, int32_t index, const ShipPlan &option) {
    ShipPlan plan;
    copy_record(&plan, option);
    plan.index = index;
    score_here(s, plan);
}

}  // namespace

void ai_combat_scorer_push(CombatScorer *s, int32_t index, const ShipPlan &option) {
    // A full ring: the slot a ring back may still wait for the worker, so this option is scored here.
    if (s->pushed - s->first >= RING_SLOTS && s->pushed - RING_SLOTS >= s->first + worker_done(s)) [[unlikely]] {
        score_pushed_here(s, index, option);
        return;
    }
    write_slot(&s->slots[s->pushed & RING_MASK], s->search, option, index);
    if (++s->pushed - s->shown >= SHOW_EVERY) show(s);
}

int32_t ai_combat_scorer_close(CombatScorer *s, ShipPlan *best) {
    if (s->shown != s->pushed) show(s);
    // What the worker has not claimed is claimed and scored here.
    for (uint32_t at = s->next.load(std::memory_order_acquire); at != s->pushed;) {
        const uint32_t n = std::min(CHUNK, s->pushed - at);
        if (!s->next.compare_exchange_weak(at, at + n, std::memory_order_acq_rel)) continue;
        for (uint32_t k = at; k != at + n; ++k) score_here(s, s->slots[k & RING_MASK].plan);
        s->mine += n;
        at += n;
    }
    if (s->scoring_here) ai_combat_score_search_end();
    // ... and the worker finishes the few it is scoring.
    const uint32_t total = s->pushed - s->first;
    for (int i = 0; worker_done(s) + s->mine != total; ++i) {
        if (i < SEARCHER_SPIN) pause_briefly();
        else std::this_thread::yield();
    }
    combat_scorer_detail::Best &mine = s->here;
    if (s->worker_search == s->search) mine.offer(s->worker_best.score, s->worker_best.record);
    s->claimed.store(false, std::memory_order_release);
    if (mine.index < 0) return -1;
    copy_record(best, mine.record);
    return mine.index;
}
