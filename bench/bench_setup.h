#pragma once
// What the screen benchmarks share: a fresh process per measure (every singleton starts empty) that
// starts as the program does, the games they set up in it, and the report the child sends back.
//  - bench_start_to_title: startup_prepare (the hook tables, the store, SDL, the window on SDL's
//    dummy driver, the sound manager and the Game) and the start-up loading mode's frames until the
//    title mode is current; autosaves and preferences go to a fresh temporary save folder.
//  - bench_late_galaxy_game: a new game of four computer players on the largest galaxy, played
//    150 headless days, with the templates' pictures loaded as the title's galaxy load leaves them.
//  - bench_two_by_ten_battle: a new game of two computer players and a deep-space battle of ten
//    ships a side (their own ships, filled up with armed machine-faction hulls), entered through the
//    combat mode.
//  - Each returns BENCH_OK or the first step that failed; files add their own reasons from
//    BENCH_FAIL_OWN on.
//  - bench_fork runs a child function in a forked process and returns the report it wrote; a
//    default report (ok = 0) when the child reported nothing.
#include <SDL.h>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "app/startup.h"
#include "game/encounter.h"
#include "game/encounter_life.h"
#include "game/encounter_setup.h"
#include "game/game.h"
#include "game/headless.h"
#include "game/player.h"
#include "platform/graphics.h"
#include "platform/random.h"
#include "ui/app_mode.h"
#include "world/factory.h"
#include "world/ship.h"

inline const std::string BENCH_STORE = ASTROVANE_BINARY_DIR "/store.dat";

enum BenchFailure : int {
    BENCH_OK = 0,
    BENCH_FAIL_STARTUP,   // start-up did not reach the title mode
    BENCH_FAIL_GAME,      // the game or the battle could not be made
    BENCH_FAIL_MODE,      // the mode was not entered
    BENCH_FAIL_OWN,       // the first reason of a benchmark file's own
};

constexpr int32_t  BENCH_LATE_GAME_DAYS = 150;   // as the computer players' own benchmark plays it
constexpr uint32_t BENCH_GALAXY_SEED = 4242;
constexpr uint32_t BENCH_BATTLE_SEED = 5150;
constexpr int      BENCH_SHIPS_PER_SIDE = 10;
constexpr int      BENCH_ARK_GUN_TYPE = 4;

// Resident memory of a process from /proc/<pid>/status, in MiB: the whole (VmRSS) and its parts:
// anonymous pages (heap, stacks, pixel buffers), file pages (the program's and the libraries' code
// and data), shared memory. heap_mb is what malloc has handed out and not taken back (only filled
// for the process itself).
struct BenchMemory {
    double rss_mb = 0, anon_mb = 0, file_mb = 0, shmem_mb = 0, heap_mb = 0;
};

BenchMemory bench_memory_of(const char *status_path);
BenchMemory bench_memory_now();   // this process, heap included

// prepared: when not null, the memory once startup_prepare is done (before the loading mode).
inline int bench_start_to_title(BenchMemory *prepared = nullptr) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    char folder[] = "/tmp/astrovane-bench-XXXXXX";   // autosaves and preferences
    if (mkdtemp(folder)) setenv("XDG_DATA_HOME", folder, 1);
    StartupOptions options;
    options.has_store_path = true;
    options.store_path = BENCH_STORE;
    options.no_sound_playback = true;
    if (int status = 0; !startup_prepare(options, true, &status)) return BENCH_FAIL_STARTUP;
    if (prepared) *prepared = bench_memory_now();
    app_mode_request(APP_MODE_LOADING);
    app_mode_apply_request();
    for (int i = 0; i < 3000 && app_mode_current_id() != APP_MODE_TITLE; ++i) {
        app_mode_run_frame(GFX_FRAME_MS);
        SDL_Delay(1);
    }
    return app_mode_current_id() == APP_MODE_TITLE ? BENCH_OK : BENCH_FAIL_STARTUP;
}

inline HeadlessOptions bench_largest_galaxy() {
    HeadlessOptions headless;
    headless.computer_players = HEADLESS_MAX_COMPUTERS;
    headless.setup.star_density = 4;
    headless.setup.starting_tech = 2;
    return headless;
}

// After start-up to the title: the late game, not yet on the screen. played: when not null, the
// memory after the days, before the pictures.
inline int bench_late_galaxy_game(Game **out, BenchMemory *played = nullptr) {
    Game *game = game_get();
    random_seed(BENCH_GALAXY_SEED);
    const HeadlessOptions headless = bench_largest_galaxy();
    if (headless_new_game(game, headless) != RES_OK) return BENCH_FAIL_GAME;
    for (int32_t day = 0; day < BENCH_LATE_GAME_DAYS; ++day) headless_advance_day(game, headless);
    if (played) *played = bench_memory_now();
    factory_acquire_group_all(FACTORY_GROUP_FRAMES);   // what the title's galaxy load leaves
    if (factory_resolve_load_groups() != RES_OK) return BENCH_FAIL_GAME;
    *out = game;
    return BENCH_OK;
}

inline int bench_enter_mode(AppModeId mode) {
    app_mode_request(mode);
    app_mode_apply_request();
    return app_mode_current_id() == mode ? BENCH_OK : BENCH_FAIL_MODE;
}

// After start-up to the title: the battle set up and the combat mode entered. made: when not null,
// the memory once the game is made and its pictures loaded, before the battle.
inline int bench_two_by_ten_battle(BenchMemory *made = nullptr) {
    Game *game = game_get();
    random_seed(BENCH_BATTLE_SEED);
    HeadlessOptions headless;
    headless.computer_players = 2;
    if (headless_new_game(game, headless) != RES_OK) return BENCH_FAIL_GAME;
    factory_acquire_group_all(FACTORY_GROUP_FRAMES);
    if (factory_resolve_load_groups() != RES_OK) return BENCH_FAIL_GAME;
    if (made) *made = bench_memory_now();

    std::vector<Player *> sides;
    for (Player *p : game->players->items) {
        if (!p) break;
        if (p != game->ui_player && p->id != game->combat_ai_player_id && p->id != game->sol_player_id) sides.push_back(p);
    }
    if (sides.size() < 2) return BENCH_FAIL_GAME;
    Encounter *enc = encounter_create();
    if (!enc) return BENCH_FAIL_GAME;
    enc->centre_x = 400;
    enc->centre_y = 300;
    enc->field_w = 1365;
    enc->field_h = 1024;
    encounter_seed_random(enc, BENCH_BATTLE_SEED);
    for (int s = 0; s < 2; ++s) {
        int n = 0;
        for (GameObject *obj : sides[s]->objects.items) {
            if (!obj) break;
            if (obj->kind == OBJECT_SHIP && n < BENCH_SHIPS_PER_SIDE) {
                encounter_add_object(enc, obj);
                ++n;
            }
        }
        for (; n < BENCH_SHIPS_PER_SIDE; ++n)
            if (Ship *ark = encounter_create_ark_ship(sides[s]->id, BENCH_ARK_GUN_TYPE, 0)) encounter_add_object(enc, ark);
    }
    encounter_register_temp_objects(enc);
    encounter_layout(enc);
    if (game_add_encounter(game, enc) != RES_OK) return BENCH_FAIL_GAME;
    game_set_current_encounter(game, enc);
    if (game_start_encounter(game) != RES_OK) return BENCH_FAIL_GAME;
    game->combat_background = 36 + enc->backdrop;
    return bench_enter_mode(APP_MODE_ENCOUNTER);
}

// The queue as the graphics thread leaves it once it has taken a frame.
inline void bench_take_queue(Graphics *g) {
    gfx_queue_lock(g);
    gfx_queue_clear(g);
    gfx_queue_unlock(g);
}

// One frame of the game thread with the queued frame replayed, as when the graphics thread keeps up.
inline void bench_frame_replayed(Graphics *g) {
    bench_take_queue(g);
    app_mode_run_frame(GFX_FRAME_MS);
    (void)gfx_replay_frame(g, g->screen);
}

template <class Report>
Report bench_fork(Report (*child)()) {
    Report report;
    int fds[2];
    if (pipe(fds) != 0) return report;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const Report mine = child();
        (void)!write(fds[1], &mine, sizeof mine);
        _exit(0);   // no shut-down of the singletons: the process is thrown away
    }
    close(fds[1]);
    if (pid < 0 || read(fds[0], &report, sizeof report) != sizeof report) report = Report{};
    close(fds[0]);
    if (pid > 0) waitpid(pid, nullptr, 0);
    return report;
}

template <class State>
bool bench_store_there(State &state) {
    if (std::filesystem::exists(BENCH_STORE)) return true;
    state.SkipWithError("the generated store is missing");
    return false;
}


// The real program started from its binary (SDL's dummy drivers, a save folder of its own, the log
// at the level that shows the mode switches): the milliseconds from the start until it logged that
// the title mode is current, and its memory once the title's own loading has ended and a second
// more has run. title_ms < 0 when the title was not reached within a minute.
struct BenchProgramRun {
    double      title_ms = -1;
    BenchMemory title;
    int         exit_status = -1;   // after SIGTERM; 0 is the program's ordered shut-down
};
BenchProgramRun bench_run_program_to_title(const std::string &save_folder);
