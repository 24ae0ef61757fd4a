// astrovane_soak: hours of computer-only games through the galaxy screen, watching for slow frames,
// growing memory and logged errors.
//  - Starts as the program does (startup_prepare, the start-up loading mode to the title) with the
//    dummy video and audio drivers, a fresh save folder and a log file of its own, then plays games
//    of four computer players (the UI player gives no orders) in the real galaxy mode, frames paced
//    as the game loop paces them with the graphics thread running.
//  - Whenever the screen is idle between days: the UI player's battles are fought out by
//    autocombat (it gives no orders, as in a headless game), a save is written every 14 days
//    played, the latest save of the running game is loaded back at random days (title mode, the
//    load, the galaxy mode again), and otherwise the next turn starts. A game that ends (the end of
//    game screen) is followed by a new one.
//  - Reports every --report-every minutes and at the end: the game thread's work per frame
//    (p50/p99/max), days, saves, loads and games, resident memory and the ERROR lines of the log.
//    Resident memory's start figure is taken after a warm-up (the first save and reload, the first
//    tenth of the run); the allocator's bytes in use and the latest save's size are printed beside
//    it, to tell a leak from a fuller game or a fuller allocator pool.
//  - Exits 1 when resident memory grew more than 10 % from the start figure to the end, when a
//    save, load or new game failed, or when the screen stalled; else 0.
#include <SDL.h>
#include <algorithm>
#include <array>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <random>
#include <string>
#include <unistd.h>

#include "ai/ai_combat_scorer.h"
#include "app/startup.h"
#include "game/autocombat.h"
#include "game/encounter.h"
#include "game/game.h"
#include "game/headless.h"
#include "game/prefs.h"
#include "game/save.h"
#include "game/turn.h"
#include "platform/graphics.h"
#include "platform/random.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/galaxy/galaxy_services.h"
#include "ui/app_mode.h"
#include "world/factory.h"

namespace {

const std::string DEFAULT_STORE = ASTROVANE_BINARY_DIR "/store.dat";

constexpr int32_t SAVE_EVERY_DAYS = 14;
constexpr int32_t RELOAD_GAP_MIN_DAYS = 3;      // days between two reloads, drawn uniformly
constexpr int32_t RELOAD_GAP_MAX_DAYS = 30;
constexpr int32_t END_SCREEN_FRAMES = 150;      // frames the end of game screen shows before the next game
constexpr int32_t STALL_FRAMES = 3 * 60 * 50;   // three minutes without the screen coming back to rest
constexpr double  RSS_GROWTH_LIMIT_PCT = 10.0;
constexpr double  WARM_UP_SHARE = 0.1;           // of the run, before the start figure of resident memory
constexpr int     ERRORS_SHOWN = 5;
constexpr int     NEW_GAME_ATTEMPTS = 5;

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

// Frame times in 0.1 ms buckets; the longest is kept exactly. No allocation after construction.
struct FrameHistogram {
    static constexpr int BUCKETS = 20000;   // up to 2 s; longer frames count in the last bucket
    std::array<uint32_t, BUCKETS> buckets{};
    uint64_t count = 0;
    double   max_ms = 0;

    void add(double ms) {
        const int b = std::clamp(int(ms * 10.0), 0, BUCKETS - 1);
        ++buckets[size_t(b)];
        ++count;
        max_ms = std::max(max_ms, ms);
    }
    // The upper edge of the bucket holding the p-th percentile frame (capped by the longest).
    double percentile(double p) const {
        if (count == 0) return 0;
        const uint64_t rank = std::max<uint64_t>(1, uint64_t(double(count) * p / 100.0 + 0.999999));
        uint64_t seen = 0;
        for (int b = 0; b < BUCKETS; ++b) {
            seen += buckets[size_t(b)];
            if (seen >= rank) return std::min((b + 1) / 10.0, max_ms);
        }
        return max_ms;
    }
    void reset() { *this = FrameHistogram{}; }
};

struct Options {
    double   minutes = 120;
    double   report_every = 10;
    uint32_t seed = 0;
    bool     has_seed = false;
    std::string store = DEFAULT_STORE;
};

bool parse_args(int argc, char **argv, Options *out) {
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        const bool has_value = i + 1 < argc;
        if (word == "--minutes" && has_value) out->minutes = std::atof(argv[++i]);
        else if (word == "--report-every" && has_value) out->report_every = std::atof(argv[++i]);
        else if (word == "--seed" && has_value) {
            out->seed = uint32_t(std::strtoul(argv[++i], nullptr, 10));
            out->has_seed = true;
        } else if (word == "--store" && has_value) out->store = argv[++i];
        else return false;
    }
    return out->minutes > 0 && out->report_every > 0;
}

long rss_kb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

// The allocator's bytes in use (all arenas), beside resident memory: a leak raises both, the
// allocator's fragmentation only the latter.
long heap_in_use_kb() {
    const struct mallinfo2 info = mallinfo2();
    return long((info.uordblks + info.hblkhd) / 1024);
}

uint32_t screen_flags() { return galaxy_screen()->screen_flags.load(); }

// Nothing under way: no day, no worker, no battle waiting, no hand-off, no view transition, no load.
bool screen_at_rest(const Game *game) {
    const GalaxyScreen *s = galaxy_screen();
    const uint32_t busy = GALAXY_FLAG_CLOCK_RUNNING | GALAXY_FLAG_TURN_IN_PROGRESS | GALAXY_FLAG_COMBAT_HANDOFF |
                          GALAXY_FLAG_ENCOUNTERS_PENDING | GALAXY_FLAG_ZOOM_IN | GALAXY_FLAG_ZOOM_OUT |
                          GALAXY_FLAG_ADVANCE_AI_STARTED | GALAXY_FLAG_AI_ENCOUNTERS_RUNNING;
    return !(screen_flags() & busy) && s->worker_pending == GALAXY_WORKER_NONE && s->load_delay_ms <= 0 &&
           game->queued_minutes == 0 && !game->current_encounter;
}

// The UI player's battles may be settled now: the day is over and no worker writes the model.
bool player_battle_waiting(Game *game) {
    const GalaxyScreen *s = galaxy_screen();
    const uint32_t f = screen_flags();
    if (f & (GALAXY_FLAG_CLOCK_RUNNING | GALAXY_FLAG_COMBAT_HANDOFF)) return false;
    if (galaxy_ai_thread_runs(f) || s->worker_pending != GALAXY_WORKER_NONE || game->current_encounter) return false;
    return game->ui_player_id != 0 && game_count_player_encounters(game, game->ui_player_id) > 0;
}

// The passive UI player's next battle, fought out at once (or parted when no side fights).
void settle_player_battle(Game *game) {
    game_begin_player_encounter(game);
    Encounter *battle = game->current_encounter;
    if (!battle) return;
    encounter_retain(battle);
    game_set_current_encounter(game, nullptr);
    bool fight = false;
    for (int32_t choice : battle->side_choices) fight = fight || choice != 0;
    if (fight) encounter_autocombat(battle);
    else game_finish_encounter(game, battle->id);
    if (!encounter_is_finished(battle)) {
        battle->flags |= ENCOUNTER_FLAG_FINISHED;
        game_finish_encounter(game, battle->id);
    }
    encounter_release(battle);
    galaxy_markers_refresh();
}

void switch_mode(int32_t mode) {
    app_mode_request(mode);
    app_mode_apply_request();
}

// What the title's galaxy load leaves before the galaxy mode.
bool load_galaxy_pictures() {
    factory_acquire_group_all(FACTORY_GROUP_FRAMES);
    return factory_resolve_load_groups() == RES_OK;
}

// The ERROR lines of the log file: their count, the first `shown` of them printed.
int64_t count_errors(const std::string &path, int shown) {
    std::ifstream log(path);
    std::string line;
    int64_t count = 0;
    while (std::getline(log, line)) {
        if (line.find("[ERROR]") == std::string::npos) continue;
        if (count < shown) std::printf("  %s\n", line.c_str());
        ++count;
    }
    return count;
}

struct Soak {
    Options options;
    Game   *game = nullptr;
    std::mt19937 reload_rng;
    std::string  log_path;
    std::string  save_path;

    FrameHistogram overall, interval;
    uint32_t previous_ticks = 0;

    int64_t days = 0, saves = 0, loads = 0, games = 0, failed_games = 0, battles_settled = 0;
    int64_t game_days = 0;            // days played in the running game
    int64_t next_save_day = SAVE_EVERY_DAYS, next_reload_day = 0;
    bool    game_has_save = false;
    bool    failed = false;
    double  longest_load_ms = 0, longest_new_game_ms = 0;
    int32_t frames_since_rest = 0;

    // The size of the latest save: what the running game holds.
    long save_kb() const {
        std::error_code error;
        const auto bytes = std::filesystem::file_size(save_path, error);
        return error ? 0 : long(bytes / 1024);
    }

    void draw_reload_day() {
        std::uniform_int_distribution<int32_t> gap(RELOAD_GAP_MIN_DAYS, RELOAD_GAP_MAX_DAYS);
        next_reload_day = game_days + gap(reload_rng);
    }

    // One frame as the game loop runs it; the game thread's work goes to the histograms.
    void frame() {
        const uint32_t now = SDL_GetTicks();
        const auto t0 = Clock::now();
        app_mode_run_frame(std::max<int32_t>(int32_t(now - previous_ticks), 1));
        const double ms = ms_since(t0);
        previous_ticks = now;
        overall.add(ms);
        interval.add(ms);
        const int32_t wait = GFX_FRAME_MS - int32_t(SDL_GetTicks() - now);
        SDL_Delay(uint32_t(std::max(wait, 1)));
    }

    bool new_game() {
        const auto t0 = Clock::now();
        switch_mode(APP_MODE_TITLE);
        HeadlessOptions headless;
        headless.computer_players = HEADLESS_MAX_COMPUTERS;
        // A seed whose galaxy cannot be made is reported (its ERROR line stays in the log) and the
        // next one tried.
        uint32_t game_seed = 0;
        Result made = RES_OK;
        for (int attempt = 0; attempt < NEW_GAME_ATTEMPTS; ++attempt) {
            game_seed = options.seed + uint32_t(games + failed_games) * 7919u;
            random_seed(game_seed);
            if ((made = headless_new_game(game, headless)) == RES_OK) break;
            ++failed_games;
            std::printf("new game with seed %u failed (%i)\n", game_seed, int(made));
        }
        if (made != RES_OK) return false;
        if (!load_galaxy_pictures()) std::printf("galaxy pictures not resolved\n");
        switch_mode(APP_MODE_GALAXY);
        if (app_mode_current_id() != APP_MODE_GALAXY) {
            std::printf("the galaxy mode was not entered\n");
            return false;
        }
        ++games;
        game_days = 0;
        next_save_day = SAVE_EVERY_DAYS;
        game_has_save = false;
        draw_reload_day();
        longest_new_game_ms = std::max(longest_new_game_ms, ms_since(t0));
        std::printf("game %" PRId64 ": seed %u, first reload after day %" PRId64 "\n", games, game_seed,
                    next_reload_day);
        std::fflush(stdout);
        return true;
    }

    bool save() {
        if (Result r = game_save(game, save_path.c_str(), "Soak", 0, nullptr); r != RES_OK) {
            std::printf("save failed on day %" PRId64 " of game %" PRId64 " (%i)\n", game_days, games, int(r));
            return false;
        }
        ++saves;
        game_has_save = true;
        return true;
    }

    // The latest save of this game, loaded as the title loads one, then the galaxy mode again.
    bool reload() {
        if (!game_has_save && !save()) return false;
        const auto t0 = Clock::now();
        switch_mode(APP_MODE_TITLE);
        if (Result r = game_load_file(game, save_path.c_str(), 0); r != RES_OK) {
            std::printf("load failed on day %" PRId64 " of game %" PRId64 " (%i)\n", game_days, games, int(r));
            return false;
        }
        if (!load_galaxy_pictures()) std::printf("galaxy pictures not resolved\n");
        switch_mode(APP_MODE_GALAXY);
        if (app_mode_current_id() != APP_MODE_GALAXY) {
            std::printf("the galaxy mode was not entered after a load\n");
            return false;
        }
        ++loads;
        longest_load_ms = std::max(longest_load_ms, ms_since(t0));
        draw_reload_day();
        return true;
    }

    // Between frames: what the player would do next, if the screen lets it.
    bool act() {
        if (app_mode_current_id() == APP_MODE_END_OF_GAME) {
            for (int i = 0; i < END_SCREEN_FRAMES; ++i) frame();
            std::printf("game %" PRId64 " ended after %" PRId64 " days\n", games, game_days);
            return new_game();
        }
        if (app_mode_current_id() != APP_MODE_GALAXY) {
            std::printf("left the galaxy mode for mode %i\n", app_mode_current_id());
            return false;
        }
        if (player_battle_waiting(game)) {
            settle_player_battle(game);
            ++battles_settled;
            frames_since_rest = 0;
            return true;
        }
        if (!screen_at_rest(game)) {
            if (++frames_since_rest > STALL_FRAMES) {
                std::printf("stalled: flags 0x%08x, worker %i, queued minutes %i\n", screen_flags(),
                            galaxy_screen()->worker_pending, int(game->queued_minutes));
                return false;
            }
            return true;
        }
        frames_since_rest = 0;
        if (game_days >= next_save_day) {
            next_save_day += SAVE_EVERY_DAYS;
            return save();
        }
        if (game_days >= next_reload_day) return reload();
        galaxy_advance_turn();
        return true;
    }

    void print_interval(double minutes, long rss) {
        std::printf("[%7.1f min] frames %-7" PRIu64 " p50 %6.2f ms  p99 %6.2f ms  max %7.2f ms | days %-6" PRId64
                    " saves %-4" PRId64 " loads %-4" PRId64 " games %-3" PRId64 " | VmRSS %ld kB, heap %ld kB, save %ld kB | ERROR lines %" PRId64
                    "\n",
                    minutes, interval.count, interval.percentile(50), interval.percentile(99), interval.max_ms, days,
                    saves, loads, games, rss, heap_in_use_kb(), save_kb(), count_errors(log_path, 0));
        std::fflush(stdout);
        interval.reset();
    }
};

}  // namespace

int main(int argc, char **argv) {
    Soak soak;
    if (!parse_args(argc, argv, &soak.options)) {
        std::printf("usage: %s [--minutes N] [--report-every M] [--seed S] [--store PATH]\n", argv[0]);
        return 2;
    }
    if (!soak.options.has_seed) soak.options.seed = uint32_t(std::time(nullptr));
    if (!std::filesystem::exists(soak.options.store)) {
        std::printf("no data store at %s (build the store target)\n", soak.options.store.c_str());
        return 2;
    }
    soak.reload_rng.seed(soak.options.seed);

    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    char folder[] = "/tmp/astrovane-soak-XXXXXX";
    if (!mkdtemp(folder)) {
        std::printf("no temporary folder\n");
        return 2;
    }
    setenv("XDG_DATA_HOME", folder, 1);
    soak.log_path = std::string(folder) + "/soak.log";

    std::printf("soak: %g minutes, report every %g, seed %u, folder %s\n", soak.options.minutes,
                soak.options.report_every, soak.options.seed, folder);
    std::fflush(stdout);

    StartupOptions startup;
    startup.has_store_path = true;
    startup.store_path = soak.options.store;
    startup.has_log_path = true;
    startup.log_path = soak.log_path;
    startup.no_sound_playback = true;
    if (int status = 0; !startup_prepare(startup, true, &status)) {
        std::printf("start-up failed (%i)\n", status);
        return 1;
    }
    (void)ai_combat_scorer_start();
    if (game_create_save_directory() != RES_OK) std::printf("the save folder was not created\n");
    soak.save_path = game_save_path("soak.sav");
    soak.game = game_get();

    Graphics *g = gfx_get();
    if (gfx_start_thread(g) != RES_OK) {
        std::printf("the graphics thread did not start\n");
        return 1;
    }
    soak.previous_ticks = SDL_GetTicks();
    switch_mode(APP_MODE_LOADING);
    for (int i = 0; i < 3000 && app_mode_current_id() != APP_MODE_TITLE; ++i) soak.frame();
    if (app_mode_current_id() != APP_MODE_TITLE) {
        std::printf("start-up did not reach the title\n");
        main_shutdown();
        return 1;
    }
    soak.overall.reset();
    soak.interval.reset();

    if (!soak.new_game()) {
        main_shutdown();
        return 1;
    }
    const long rss_made = rss_kb();
    std::printf("VmRSS with the first game made: %ld kB\n", rss_made);
    std::fflush(stdout);
    // The start figure waits for the warm-up: the first save and reload run and the first tenth of
    // the run gone, by when the pictures are loaded and the allocator's pools (one per thread that
    // allocates) have filled.
    long rss_start = -1;
    long start_heap = 0;

    const auto start = Clock::now();
    const double total_ms = soak.options.minutes * 60000.0;
    const double interval_ms = soak.options.report_every * 60000.0;
    double next_report_ms = interval_ms;
    uint32_t last_counted_flags = screen_flags();
    for (;;) {
        const double elapsed = ms_since(start);
        if (elapsed >= total_ms) break;
        if (elapsed >= next_report_ms) {
            soak.print_interval(elapsed / 60000.0, rss_kb());
            next_report_ms += interval_ms;
        }
        soak.frame();
        // A day is played when the clock stops running.
        const uint32_t f = screen_flags();
        if ((last_counted_flags & GALAXY_FLAG_CLOCK_RUNNING) && !(f & GALAXY_FLAG_CLOCK_RUNNING)) {
            ++soak.days;
            ++soak.game_days;
        }
        last_counted_flags = f;
        if (!soak.act()) {
            soak.failed = true;
            break;
        }
        last_counted_flags = screen_flags();
        if (rss_start < 0 && soak.saves > 0 && soak.loads > 0 && ms_since(start) >= total_ms * WARM_UP_SHARE) {
            rss_start = rss_kb();
            start_heap = heap_in_use_kb();
            std::printf("VmRSS at the start (after the warm-up, %.1f minutes, day %" PRId64 "): %ld kB, heap %ld kB\n",
                        ms_since(start) / 60000.0, soak.days, rss_start, start_heap);
            std::fflush(stdout);
        }
    }
    const double minutes = ms_since(start) / 60000.0;
    if (soak.interval.count > 0) soak.print_interval(minutes, rss_kb());
    const long rss_end = rss_kb();
    const long end_heap = heap_in_use_kb();
    const double growth = rss_start > 0 ? 100.0 * double(rss_end - rss_start) / double(rss_start) : 0;
    const double growth_from_made = rss_made > 0 ? 100.0 * double(rss_end - rss_made) / double(rss_made) : 0;

    // Every thread stops and every singleton goes before the log is read: their errors count too.
    main_shutdown();

    std::printf("\n== soak over after %.1f minutes (seed %u) ==\n", minutes, soak.options.seed);
    std::printf("frames %" PRIu64 ": p50 %.2f ms, p99 %.2f ms, max %.2f ms (frame %d ms)\n", soak.overall.count,
                soak.overall.percentile(50), soak.overall.percentile(99), soak.overall.max_ms, GFX_FRAME_MS);
    std::printf("days %" PRId64 ", games %" PRId64 " (%" PRId64 " not made), saves %" PRId64 ", loads %" PRId64
                ", UI player's battles settled %" PRId64 "\n",
                soak.days, soak.games, soak.failed_games, soak.saves, soak.loads, soak.battles_settled);
    std::printf("longest reload %.0f ms, longest new game %.0f ms\n", soak.longest_load_ms, soak.longest_new_game_ms);
    if (rss_start < 0) std::printf("the warm-up did not end before the run: no start figure\n");
    std::printf("VmRSS: start %ld kB, end %ld kB, growth %+.1f %% (heap in use: %ld kB, then %ld kB; last save %ld kB)\n",
                rss_start, rss_end, growth, start_heap, end_heap, soak.save_kb());
    std::printf("VmRSS from the first game made (%ld kB) to the end: %+.1f %%\n", rss_made, growth_from_made);
    std::printf("ERROR lines in %s:\n", soak.log_path.c_str());
    const int64_t errors = count_errors(soak.log_path, ERRORS_SHOWN);
    std::printf("ERROR lines: %" PRId64 "\n", errors);

    int status = 0;
    if (soak.failed) {
        std::printf("FAILED: the soak stopped early\n");
        status = 1;
    }
    if (growth > RSS_GROWTH_LIMIT_PCT) {
        std::printf("FAILED: resident memory grew %.1f %% (limit %.0f %%)\n", growth, RSS_GROWTH_LIMIT_PCT);
        status = 1;
    }
    std::fflush(stdout);
    _exit(status);   // the singletons are gone already; no second shut-down at exit
}
