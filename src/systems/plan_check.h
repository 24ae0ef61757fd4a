#pragma once
// Checking the kept answers of the combat searches. The searches of a ship's plan keep what they
// worked out (spot answers, turns and moves, option scores, failed manoeuvres, the figures of a
// search, the assignment's lists) under keys that are meant to name everything the answer reads.
// With the check on, every answer taken from what was kept is worked out afresh as well, the
// fresh one with nothing kept, and the two are compared: a difference is logged (and written to
// standard error) with the name of the cache and the process aborts.
//  - The switch: ASTROVANE_VERIFY_CACHES=1 in the environment, read once when the process starts.
//    Off, each check costs one test of a flag.
//  - A fresh answer that draws runs on a copy of the draws' position (plan_check_mark, _rewind):
//    the kept answer then draws as it would have without the check, so a checked game plays the
//    same game.
//  - Fresh work runs inside a PlanCheckFresh scope on the calling thread: every cache asked there
//    works its answer out without reading or writing what it keeps, and checks nothing.
//  - Thread-local but for the switch, which only tests change (plan_check_set) while no search runs.
#include <cstdint>
#include <memory>
#include "platform/random.h"

namespace plan_check_state {
extern bool on;
extern constinit thread_local bool fresh;
}  // namespace plan_check_state

// The check is on: kept answers are worked out afresh and compared.
inline bool plan_check_on() { return plan_check_state::on; }
// The calling thread works out fresh answers now: caches neither read nor keep anything.
// (Only the switch is read while the check is off: the thread's flag is set only when it is on.)
inline bool plan_check_fresh() { return plan_check_state::on && plan_check_state::fresh; }

// Tests: turns the check on or off; the previous setting.
bool plan_check_set(bool on);

// How many kept answers were checked on the calling thread, since it started.
uint64_t plan_check_count();
void     plan_check_counted();

// A kept answer differs from the fresh one: logs both (printf-style description) and aborts.
[[noreturn, gnu::format(printf, 2, 3)]] void plan_check_failed(const char *cache, const char *format, ...);

// Compares a kept answer with the fresh one (integral or enum values): fails on a difference.
template <class T>
void plan_check_same(const char *cache, const char *what, const T &kept, const T &fresh) {
    plan_check_counted();
    if (!(kept == fresh)) plan_check_failed(cache, "%s: kept %lld, fresh %lld", what, (long long)kept, (long long)fresh);
}

// Works out fresh answers on the calling thread for as long as it lives (nests).
class PlanCheckFresh {
public:
    PlanCheckFresh() : was_(plan_check_state::fresh) { plan_check_state::fresh = true; }
    ~PlanCheckFresh() { plan_check_state::fresh = was_; }
    PlanCheckFresh(const PlanCheckFresh &) = delete;
    PlanCheckFresh &operator=(const PlanCheckFresh &) = delete;

private:
    bool was_;
};

// Where the calling thread's draws stand: the plan's generator or the game's resolving one (its
// whole record) and the thread's quick generator.
struct PlanDrawMark {
    Rng                 *rng = nullptr;
    std::unique_ptr<Rng> copy;   // of *rng
    uint64_t             quick = 0;
};
PlanDrawMark plan_check_mark();
// Puts the draws back where the mark stood.
void plan_check_rewind(const PlanDrawMark &mark);
// The draws stand where they stood at the mark.
bool plan_check_draws_at(const PlanDrawMark &mark);
