// Resident memory on the title, on the galaxy screen late in a game on the largest galaxy, and on a
// battle of two sides of ten ships, each in a fresh process that starts as the program does.
//  - Each child notes its memory at every step of its road, so the figure comes with what it is
//    made of: the process as forked from the benchmark (libraries, the benchmark's own pages), the
//    program's set-up (SDL, the window, the sound manager, the Game: startup_prepare), the loading
//    mode's shared assets up to the title, then what the screen and its game add. Each step gives
//    the resident figure and what malloc has handed out; the last step's anonymous, file and malloc
//    parts are reported beside it.
//  - MemoryOnTitle runs the title 150 replayed frames after its own loading has ended (the boot
//    log, the title pictures and music); MemoryOnGalaxyLateGame the galaxy screen 150 replayed
//    frames after entering it with the late game; MemoryOnTwoByTenBattle 500 replayed frames of the
//    battle (shots, effects and the ships' plans under way).
//  - ProgramToTitle (bench_startup.cpp) gives the real program's title figure beside the first.
#include <benchmark/benchmark.h>

#include <chrono>

#include "bench_setup.h"
#include "screens/title/title_mode.h"

namespace {

constexpr int STEPS = 6;
constexpr int SETTLE_FRAMES = 150;
constexpr int BATTLE_FRAMES = 500;

struct Report {
    int         ok = 0;
    int         failure = 0;
    int         steps = 0;
    BenchMemory step[STEPS];
    double      ms = 0;   // the child's whole road
};

const char *failure_text(int failure) {
    switch (failure) {
    case BENCH_FAIL_STARTUP: return "start-up did not reach the title mode";
    case BENCH_FAIL_GAME: return "no game";
    case BENCH_FAIL_MODE: return "the mode was not entered";
    case BENCH_FAIL_OWN: return "the title's own loading did not end";
    default: return "the child reported nothing";
    }
}

void note(Report *r) {
    if (r->steps < STEPS) r->step[r->steps++] = bench_memory_now();
}

// A figure a helper noted on the way.
BenchMemory *slot(Report *r) { return r->steps < STEPS ? &r->step[r->steps++] : nullptr; }

void run_frames(int frames) {
    Graphics *g = gfx_get();
    for (int i = 0; i < frames; ++i) bench_frame_replayed(g);
}

// Steps: forked, prepared (SDL, the window, the sound manager, the Game), title.
int to_title(Report *r) {
    note(r);
    if (const int failure = bench_start_to_title(slot(r)); failure != BENCH_OK) return failure;
    note(r);
    return BENCH_OK;
}

template <int (*road)(Report *)>
Report child() {
    const auto t0 = std::chrono::steady_clock::now();
    Report r;
    r.failure = road(&r);
    r.ok = r.failure == BENCH_OK;
    r.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    return r;
}

// Steps: forked, prepared, title entered, title settled.
int title_road(Report *r) {
    if (const int failure = to_title(r); failure != BENCH_OK) return failure;
    for (int i = 0; i < 3000 && !(title_state()->flags.load() & TITLE_ASSETS_LOADED); ++i) {
        run_frames(1);
        SDL_Delay(1);
    }
    if (!(title_state()->flags.load() & TITLE_ASSETS_LOADED)) return BENCH_FAIL_OWN;
    run_frames(SETTLE_FRAMES);
    note(r);
    return BENCH_OK;
}

// Steps: forked, prepared, title, the late game played, its pictures loaded, the galaxy screen settled.
int galaxy_road(Report *r) {
    if (const int failure = to_title(r); failure != BENCH_OK) return failure;
    Game *game = nullptr;
    if (const int failure = bench_late_galaxy_game(&game, slot(r)); failure != BENCH_OK) return failure;
    note(r);
    if (const int failure = bench_enter_mode(APP_MODE_GALAXY); failure != BENCH_OK) return failure;
    run_frames(SETTLE_FRAMES);
    note(r);
    return BENCH_OK;
}

// Steps: forked, prepared, title, the game made, the battle entered, the battle under way.
int battle_road(Report *r) {
    if (const int failure = to_title(r); failure != BENCH_OK) return failure;
    if (const int failure = bench_two_by_ten_battle(slot(r)); failure != BENCH_OK) return failure;
    note(r);
    run_frames(BATTLE_FRAMES);
    note(r);
    return BENCH_OK;
}

void report_memory(benchmark::State &state, Report (*road_child)(), const char *const names[]) {
    if (!bench_store_there(state)) return;
    for (auto _ : state) {
        const Report r = bench_fork(road_child);
        if (!r.ok) return state.SkipWithError(failure_text(r.failure));
        state.SetIterationTime(r.ms / 1000.0);
        for (int i = 0; i < r.steps; ++i) {
            state.counters[std::string(names[i]) + "_MiB"] = r.step[i].rss_mb;
            state.counters[std::string(names[i]) + "_malloc_MiB"] = r.step[i].heap_mb;
        }
        const BenchMemory &last = r.step[r.steps - 1];
        state.counters["anon_MiB"] = last.anon_mb;
        state.counters["file_MiB"] = last.file_mb;
        state.counters["shmem_MiB"] = last.shmem_mb;
        state.counters["malloc_MiB"] = last.heap_mb;
    }
}

void MemoryOnTitle(benchmark::State &state) {
    static const char *const names[] = {"0forked", "1prepared", "2title_entered", "3title"};
    report_memory(state, child<title_road>, names);
}

void MemoryOnGalaxyLateGame(benchmark::State &state) {
    static const char *const names[] = {"0forked", "1prepared", "2title", "3late_game_played", "4pictures", "5galaxy"};
    report_memory(state, child<galaxy_road>, names);
}

void MemoryOnTwoByTenBattle(benchmark::State &state) {
    static const char *const names[] = {"0forked", "1prepared", "2title", "3game_made", "4battle_entered", "5battle"};
    report_memory(state, child<battle_road>, names);
}

}  // namespace

BENCHMARK(MemoryOnTitle)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(MemoryOnGalaxyLateGame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(MemoryOnTwoByTenBattle)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
