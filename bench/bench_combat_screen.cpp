// The combat screen on a battle of two sides of ten ships, against the 20 ms frame.
//  - Each benchmark forks a fresh process that starts as the program does (start-up to the title),
//    makes a new game of two computer players, sets a deep-space battle of ten ships a side up on
//    the combat map (their own ships, filled up with armed machine-faction hulls) and enters the
//    combat mode through the mode switch.
//  - CombatFrameTwoByTen: one frame of the game thread (the mode's update, the controls, the draw
//    into the queue) while the battle runs, shots and effects included; target at most 20 % of
//    the frame (4 ms). The replay of the queued frame is reported beside it.
//  - CombatFrameWhileShipPlans: frames paced as the game loop paces them with the graphics thread
//    running; the longest frame while a computer ship's plan is being made must stay under 20 ms.
#include <benchmark/benchmark.h>

#include <SDL.h>
#include <algorithm>
#include <chrono>

#include "bench_setup.h"
#include "screens/combat/combat_screen.h"
#include "world/object_map.h"

namespace {

constexpr int WARM_UP_FRAMES = 100;
constexpr int MEASURED_FRAMES = 1000;
constexpr int PLAN_FRAME_CAP = 3000;

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

struct Report {
    int    ok = 0;
    int    failure = 0;
    double value[6] = {};
};

enum Failure : int {
    FAIL_NONE = BENCH_OK,
    FAIL_STARTUP = BENCH_FAIL_STARTUP,
    FAIL_GAME = BENCH_FAIL_GAME,
    FAIL_MODE = BENCH_FAIL_MODE,
    FAIL_NO_PLAN = BENCH_FAIL_OWN,
};
const char *failure_text(int failure) {
    switch (failure) {
    case FAIL_STARTUP: return "start-up did not reach the title mode";
    case FAIL_GAME: return "no battle";
    case FAIL_MODE: return "the combat mode was not entered";
    case FAIL_NO_PLAN: return "no computer ship planned";
    default: return "the child reported nothing";
    }
}

int start_battle() {
    if (const int failure = bench_start_to_title(); failure != BENCH_OK) return failure;
    return bench_two_by_ten_battle();
}

// value: mean frame ms, longest frame ms, mean replay ms, budget percent, objects on the map, turns
// taken during the measured frames.
Report child_frames() {
    Report report;
    if ((report.failure = start_battle()) != FAIL_NONE) return report;
    Graphics *g = gfx_get();
    for (int i = 0; i < WARM_UP_FRAMES; ++i) {
        bench_take_queue(g);
        app_mode_run_frame(GFX_FRAME_MS);
        (void)gfx_replay_frame(g, g->screen);
    }
    double total = 0, longest = 0, replay_total = 0;
    int32_t most_objects = 0;
    ObjectMap *map = game_get()->combat_map;
    const int32_t turns_before = map ? map->change_count : 0;
    for (int i = 0; i < MEASURED_FRAMES; ++i) {
        bench_take_queue(g);
        const auto t0 = Clock::now();
        app_mode_run_frame(GFX_FRAME_MS);
        const double ms = ms_since(t0);
        const auto t1 = Clock::now();
        (void)gfx_replay_frame(g, g->screen);
        replay_total += ms_since(t1);
        total += ms;
        longest = std::max(longest, ms);
        if (game_get()->combat_map) most_objects = std::max(most_objects, map_object_count(game_get()->combat_map));
    }
    report.ok = 1;
    report.value[0] = total / MEASURED_FRAMES;
    report.value[1] = longest;
    report.value[2] = replay_total / MEASURED_FRAMES;
    report.value[3] = report.value[0] / GFX_FRAME_MS * 100.0;
    report.value[4] = most_objects;
    report.value[5] = map ? map->change_count - turns_before : 0;   // the battle went on meanwhile
    return report;
}

// A worker has been started for the actor's plan and has not finished it.
bool worker_planning() {
    const uint32_t f = combat_screen()->flags.load();
    return (f & COMBAT_FLAG_AI_STARTED) && !(f & COMBAT_FLAG_AI_DONE);
}

// value: longest frame while a ship plans, frames while planning, longest frame overall, plans.
Report child_planning() {
    Report report;
    if ((report.failure = start_battle()) != FAIL_NONE) return report;
    Graphics *g = gfx_get();
    if (gfx_start_thread(g) != RES_OK) {
        report.failure = FAIL_STARTUP;
        return report;
    }
    uint32_t previous = SDL_GetTicks();
    double longest_planning = 0, longest = 0;
    int planning_frames = 0;
    int plans = 0;
    bool started_before = false;
    for (int frame = 0; frame < PLAN_FRAME_CAP; ++frame) {
        const uint32_t now = SDL_GetTicks();
        const bool planning_before = worker_planning();
        const auto t0 = Clock::now();
        app_mode_run_frame(std::max<int32_t>(int32_t(now - previous), 1));
        const double ms = ms_since(t0);
        const bool planning = planning_before || worker_planning();   // at the frame's start or end
        previous = now;
        longest = std::max(longest, ms);
        if (planning) {
            longest_planning = std::max(longest_planning, ms);
            ++planning_frames;
        }
        const bool started = combat_screen()->flags.load() & COMBAT_FLAG_AI_STARTED;
        if (started && !started_before) ++plans;
        started_before = started;
        const int32_t wait = GFX_FRAME_MS - int32_t(SDL_GetTicks() - now);
        SDL_Delay(uint32_t(std::max(wait, 1)));
    }
    gfx_request_quit(g);
    gfx_wait_stopped(g);
    if (plans == 0) {
        report.failure = FAIL_NO_PLAN;
        return report;
    }
    report.ok = 1;
    report.value[0] = longest_planning;
    report.value[1] = planning_frames;
    report.value[2] = longest;
    report.value[3] = plans;
    return report;
}


void CombatFrameTwoByTen(benchmark::State &state) {
    if (!bench_store_there(state)) return;
    for (auto _ : state) {
        const Report r = bench_fork(child_frames);
        if (!r.ok) return state.SkipWithError(failure_text(r.failure));
        state.SetIterationTime(r.value[0] / 1000.0);
        state.counters["longest_ms"] = r.value[1];
        state.counters["replay_ms"] = r.value[2];
        state.counters["frame_budget_pct"] = r.value[3];
        state.counters["objects"] = r.value[4];
        state.counters["turns"] = r.value[5];
    }
}

void CombatFrameWhileShipPlans(benchmark::State &state) {
    if (!bench_store_there(state)) return;
    for (auto _ : state) {
        const Report r = bench_fork(child_planning);
        if (!r.ok) return state.SkipWithError(failure_text(r.failure));
        state.SetIterationTime(r.value[0] / 1000.0);   // the longest frame while a ship plans
        state.counters["planning_frames"] = r.value[1];
        state.counters["longest_frame_ms"] = r.value[2];
        state.counters["plans"] = r.value[3];
    }
}

}  // namespace

BENCHMARK(CombatFrameTwoByTen)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(CombatFrameWhileShipPlans)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
