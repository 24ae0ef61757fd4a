// The galaxy screen on the largest galaxy late in a game, against the 20 ms frame.
//  - Each benchmark forks a fresh process (every singleton starts empty) that starts as the program
//    does (startup_prepare, the start-up loading mode to the title), makes a new game of four
//    computer players on the largest galaxy, plays it 150 headless days, loads the
//    templates' pictures as the title's galaxy load does and enters the galaxy mode through the
//    mode switch. The child reports its figures through a pipe.
//  - GalaxyFrameLateGame: one frame of the game thread (input, the mode's update, the controls, the
//    draw into the queue) with the screen idle between days; target at most 15 % of the frame
//    (3 ms). The replay of the queued frame (the graphics thread's work) is reported beside it.
//  - GalaxyDayWhileComputersThink: "Next Turn" and the frames of the whole day that follows, paced
//    as the game loop paces them with the graphics thread running: the advance-AI worker thinks,
//    the day's minutes run, the day ends. The longest frame while a computer player's worker runs
//    must stay under 20 ms; the longest of the day and the day's length are reported too.
//  - HeadlessDayLateGame: the same game's day through headless_advance_day, computer players'
//    commands included: the model's own cost of a day, to set the two above against.
#include <benchmark/benchmark.h>

#include <SDL.h>
#include <algorithm>
#include <chrono>

#include "bench_setup.h"
#include "screens/galaxy/galaxy_screen.h"

namespace {

constexpr int WARM_UP_FRAMES = 50;
constexpr int MEASURED_FRAMES = 500;
constexpr int DAY_FRAME_CAP = 3000;        // a minute of frames
constexpr int TURN_START_FRAMES = 100;     // frames to see the turn under way
constexpr int HEADLESS_DAYS = 5;

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

// What a child reports; ok = 0 with the reason's index in `failure`.
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
    FAIL_NO_TURN = BENCH_FAIL_OWN,
    FAIL_DAY_CAP,
};
const char *failure_text(int failure) {
    switch (failure) {
    case FAIL_STARTUP: return "start-up did not reach the title mode";
    case FAIL_GAME: return "no late game";
    case FAIL_MODE: return "the galaxy mode was not entered";
    case FAIL_NO_TURN: return "Next Turn started no turn";
    case FAIL_DAY_CAP: return "the day did not end within a minute of frames";
    default: return "the child reported nothing";
    }
}

// In the child: the program's start-up to the title mode, then the late game.
int prepare_late_game(Game **out) {
    if (const int failure = bench_start_to_title(); failure != BENCH_OK) return failure;
    return bench_late_galaxy_game(out);
}

int enter_galaxy() { return bench_enter_mode(APP_MODE_GALAXY); }

uint32_t screen_flags() { return galaxy_screen()->screen_flags.load(); }

// value: mean frame ms, longest frame ms, mean replay ms, budget percent.
Report child_frames() {
    Report report;
    Game *game = nullptr;
    if ((report.failure = prepare_late_game(&game)) != FAIL_NONE || (report.failure = enter_galaxy()) != FAIL_NONE)
        return report;
    Graphics *g = gfx_get();
    for (int i = 0; i < WARM_UP_FRAMES; ++i) {
        bench_take_queue(g);
        app_mode_run_frame(GFX_FRAME_MS);
        (void)gfx_replay_frame(g, g->screen);
    }
    double total = 0, longest = 0, replay_total = 0;
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
    }
    report.ok = 1;
    report.value[0] = total / MEASURED_FRAMES;
    report.value[1] = longest;
    report.value[2] = replay_total / MEASURED_FRAMES;
    report.value[3] = report.value[0] / GFX_FRAME_MS * 100.0;
    return report;
}

// value: longest frame while a worker thinks, longest frame of the day, frames while thinking,
// frames of the day, the day's wall-clock ms, the mean frame of the day.
Report child_day() {
    Report report;
    Game *game = nullptr;
    if ((report.failure = prepare_late_game(&game)) != FAIL_NONE || (report.failure = enter_galaxy()) != FAIL_NONE)
        return report;
    Graphics *g = gfx_get();
    if (gfx_start_thread(g) != RES_OK) {
        report.failure = FAIL_STARTUP;
        return report;
    }
    uint32_t previous = SDL_GetTicks();
    auto paced_frame = [&]() {
        const uint32_t now = SDL_GetTicks();
        const auto t0 = Clock::now();
        app_mode_run_frame(std::max<int32_t>(int32_t(now - previous), 1));
        const double ms = ms_since(t0);
        previous = now;
        const int32_t wait = GFX_FRAME_MS - int32_t(SDL_GetTicks() - now);
        SDL_Delay(uint32_t(std::max(wait, 1)));
        return ms;
    };
    for (int i = 0; i < WARM_UP_FRAMES; ++i) paced_frame();

    const auto day_start = Clock::now();
    galaxy_advance_turn();
    double longest_thinking = 0, longest = 0, total = 0;
    int thinking_frames = 0, frames = 0;
    bool clock_seen = false, under_way = false;
    for (; frames < DAY_FRAME_CAP; ++frames) {
        const uint32_t flags = screen_flags();
        const bool thinking = galaxy_ai_thread_runs(flags);
        under_way = under_way || thinking || (flags & (GALAXY_FLAG_TURN_IN_PROGRESS | GALAXY_FLAG_CLOCK_RUNNING));
        clock_seen = clock_seen || (flags & GALAXY_FLAG_CLOCK_RUNNING);
        // Over once the minutes have run and no worker (the battles' one included) thinks or waits.
        if (clock_seen && !(flags & GALAXY_FLAG_CLOCK_RUNNING) && !thinking &&
            galaxy_screen()->worker_pending == GALAXY_WORKER_NONE)
            break;
        if (!under_way && frames >= TURN_START_FRAMES) break;
        const double ms = paced_frame();
        total += ms;
        longest = std::max(longest, ms);
        if (thinking) {
            longest_thinking = std::max(longest_thinking, ms);
            ++thinking_frames;
        }
    }
    const double day_ms = ms_since(day_start);
    gfx_request_quit(g);
    gfx_wait_stopped(g);
    if (!under_way) {
        report.failure = FAIL_NO_TURN;
        return report;
    }
    if (frames >= DAY_FRAME_CAP) {
        report.failure = FAIL_DAY_CAP;
        return report;
    }
    report.ok = 1;
    report.value[0] = longest_thinking;
    report.value[1] = longest;
    report.value[2] = thinking_frames;
    report.value[3] = frames;
    report.value[4] = day_ms;
    report.value[5] = frames > 0 ? total / frames : 0;
    return report;
}

// value: mean ms of a headless day, the longest of them.
Report child_headless_day() {
    Report report;
    Game *game = nullptr;
    if ((report.failure = prepare_late_game(&game)) != FAIL_NONE) return report;
    const HeadlessOptions headless = bench_largest_galaxy();
    double total = 0, longest = 0;
    for (int day = 0; day < HEADLESS_DAYS; ++day) {
        const auto t0 = Clock::now();
        headless_advance_day(game, headless);
        const double ms = ms_since(t0);
        total += ms;
        longest = std::max(longest, ms);
    }
    report.ok = 1;
    report.value[0] = total / HEADLESS_DAYS;
    report.value[1] = longest;
    return report;
}


void GalaxyFrameLateGame(benchmark::State &state) {
    if (!bench_store_there(state)) return;
    for (auto _ : state) {
        const Report r = bench_fork(child_frames);
        if (!r.ok) return state.SkipWithError(failure_text(r.failure));
        state.SetIterationTime(r.value[0] / 1000.0);
        state.counters["longest_ms"] = r.value[1];
        state.counters["replay_ms"] = r.value[2];
        state.counters["frame_budget_pct"] = r.value[3];
    }
}

void GalaxyDayWhileComputersThink(benchmark::State &state) {
    if (!bench_store_there(state)) return;
    for (auto _ : state) {
        const Report r = bench_fork(child_day);
        if (!r.ok) return state.SkipWithError(failure_text(r.failure));
        state.SetIterationTime(r.value[0] / 1000.0);   // the longest frame while a worker thinks
        state.counters["longest_day_frame_ms"] = r.value[1];
        state.counters["thinking_frames"] = r.value[2];
        state.counters["day_frames"] = r.value[3];
        state.counters["day_ms"] = r.value[4];
        state.counters["mean_day_frame_ms"] = r.value[5];
    }
}

void HeadlessDayLateGame(benchmark::State &state) {
    if (!bench_store_there(state)) return;
    for (auto _ : state) {
        const Report r = bench_fork(child_headless_day);
        if (!r.ok) return state.SkipWithError(failure_text(r.failure));
        state.SetIterationTime(r.value[0] / 1000.0);
        state.counters["longest_ms"] = r.value[1];
    }
}

}  // namespace

BENCHMARK(GalaxyFrameLateGame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(GalaxyDayWhileComputersThink)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(HeadlessDayLateGame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
