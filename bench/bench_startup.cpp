// Start-up: from a fresh process to the title mode with the generated store, next to decoding the
// pictures that start-up loads on their own.
//  - StartupToTitle forks a fresh process per iteration (so every singleton starts empty), which
//    prepares as the program does (the hook tables, the store, SDL, the window on SDL's dummy
//    driver, the sound manager and the Game: startup_prepare), starts the graphics thread and runs
//    20 ms frames of the start-up loading mode until the title mode is current: the loading thread,
//    then the 640 ms fade-out. The time runs from the fork to the child's report.
//    cost_ms leaves out the fade's 640 ms, the one wait the loading mode asks for.
//  - LoadingWorkOnly is the same without the fade: frames without waiting, so the figure is the
//    loading thread's work plus what the game thread does meanwhile.
//  - ProgramToTitle runs the real program from its binary (exec, dynamic linking, the audio device
//    and the combat option scorer included) until its log says the title mode is current: the
//    figure a player waits for, its cost_ms without the fade, and the program's resident memory on
//    the title once the title's own loading has ended. The first run of a save folder opens the help
//    window, so one untimed run goes first (it also warms the store in the page cache).
//  - DecodeStartupPictures loads, through the store, every PNG below the generated asset tree's
//    effect/, control/, font/ and cursor/ folders: the pictures the loading thread reads.
#include <benchmark/benchmark.h>

#include <SDL.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "app/mode_loading.h"
#include "app/startup.h"
#include "bench_setup.h"
#include "platform/graphics.h"
#include "platform/sprite.h"
#include "platform/store.h"
#include "ui/app_mode.h"

namespace {

const std::string STORE = ASTROVANE_BINARY_DIR "/store.dat";
const std::string ASSETS = ASTROVANE_BINARY_DIR "/assets";

// In the child: start-up up to the title mode; the milliseconds it took, or -1.
double child_start_to_title(bool paced) {
    const auto t0 = std::chrono::steady_clock::now();
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    StartupOptions options;
    options.has_store_path = true;
    options.store_path = STORE;
    if (int status = 0; !startup_prepare(options, true, &status)) return -1;
    Graphics *g = gfx_get();
    app_mode_request(APP_MODE_LOADING);
    app_mode_apply_request();
    if (gfx_start_thread(g) != RES_OK) return -1;
    uint32_t last = SDL_GetTicks();
    const uint32_t give_up = last + 60000;
    while (app_mode_current_id() != APP_MODE_TITLE && SDL_GetTicks() < give_up) {
        const uint32_t now = SDL_GetTicks();
        const int32_t dt = paced ? std::max<int32_t>(int32_t(now - last), 1) : GFX_FRAME_MS;
        last = now;
        app_mode_run_frame(dt);
        if (paced) {
            const uint32_t spent = SDL_GetTicks() - now;
            SDL_Delay(spent < uint32_t(GFX_FRAME_MS) ? GFX_FRAME_MS - spent : 1);
        } else {
            SDL_Delay(0);   // let the loading thread have the processor
        }
    }
    if (app_mode_current_id() != APP_MODE_TITLE) return -1;
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// Forks, runs the start-up in the child and returns the child's figure (ms), or -1.
double fork_start_to_title(bool paced) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const double ms = child_start_to_title(paced);
        (void)!write(fds[1], &ms, sizeof ms);
        _exit(0);   // no shut-down of the singletons: the process is thrown away
    }
    close(fds[1]);
    double ms = -1;
    if (pid < 0 || read(fds[0], &ms, sizeof ms) != sizeof ms) ms = -1;
    close(fds[0]);
    if (pid > 0) waitpid(pid, nullptr, 0);
    return ms;
}

void run_start_to_title(benchmark::State &state, bool paced) {
    if (!std::filesystem::exists(STORE)) {
        state.SkipWithError("the generated store is missing");
        return;
    }
    for (auto _ : state) {
        const double ms = fork_start_to_title(paced);
        if (ms < 0) {
            state.SkipWithError("start-up did not reach the title mode");
            return;
        }
        state.SetIterationTime(ms / 1000.0);
        state.counters["cost_ms"] = paced ? ms - LOADING_FADE_OUT_MS : ms;
    }
}

void StartupToTitle(benchmark::State &state) { run_start_to_title(state, true); }
void LoadingWorkOnly(benchmark::State &state) { run_start_to_title(state, false); }

void ProgramToTitle(benchmark::State &state) {
    if (!bench_store_there(state)) return;
    char folder[] = "/tmp/astrovane-program-bench-XXXXXX";
    if (!mkdtemp(folder)) return state.SkipWithError("no save folder");
    if (bench_run_program_to_title(folder).title_ms < 0) return state.SkipWithError("the program did not reach its title");
    for (auto _ : state) {
        const BenchProgramRun run = bench_run_program_to_title(folder);
        if (run.title_ms < 0) return state.SkipWithError("the program did not reach its title");
        if (run.exit_status != 0) return state.SkipWithError("the program did not end with status 0 on SIGTERM");
        state.SetIterationTime(run.title_ms / 1000.0);
        state.counters["cost_ms"] = run.title_ms - LOADING_FADE_OUT_MS;
        state.counters["title_rss_MiB"] = run.title.rss_mb;
        state.counters["title_anon_MiB"] = run.title.anon_mb;
        state.counters["title_file_MiB"] = run.title.file_mb;
    }
}

// Store paths of the PNG files below the asset tree's folders that start-up loads.
std::vector<std::string> startup_pictures() {
    std::vector<std::string> paths;
    for (const char *folder : {"effect", "control", "font", "cursor"}) {
        const std::filesystem::path root = std::filesystem::path(ASSETS) / folder;
        if (!std::filesystem::exists(root)) continue;
        for (const auto &entry : std::filesystem::recursive_directory_iterator(root))
            if (entry.is_regular_file() && entry.path().extension() == ".png")
                paths.push_back(std::filesystem::relative(entry.path(), ASSETS).generic_string());
    }
    return paths;
}

void DecodeStartupPictures(benchmark::State &state) {
    store_shutdown();
    store_set_path(STORE.c_str());
    if (store_open() != RES_OK) {
        state.SkipWithError("the generated store is missing");
        return;
    }
    const std::vector<std::string> paths = startup_pictures();
    for (auto _ : state) {
        for (const std::string &path : paths) {
            Sprite *s = sprite_load_png(path.c_str());
            benchmark::DoNotOptimize(s);
            sprite_free(s);
        }
    }
    state.counters["pictures"] = double(paths.size());
    store_shutdown();
}

}  // namespace

BENCHMARK(StartupToTitle)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(ProgramToTitle)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(LoadingWorkOnly)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(DecodeStartupPictures)->Unit(benchmark::kMillisecond)->Iterations(5);
