// The computer players' galaxy commands on a late game of the largest galaxy. The game is played
// once through the headless driver (four computer players, the AI on) and saved on the first day
// the computer players hold at least the benchmark's number of ships (half the late size, and the
// late size of 200). Each iteration loads that save (not timed), seeds the quick generator alike
// and plays DAYS_TIMED days, timing each day's commands of the four computer players (the day
// step the galaxy screen runs, with its index of objects by id); the iteration's time is its
// longest day. The counters give the longest and mean day over all iterations (wall clock, and
// the thread's processor time), the ships and the day the save was made. A day lasts one second
// at the default speed; its commands should take under 50 ms. The rules fix the ship search's work:
// min(600 + 48 x ships, 4,096) passes a player, each joining every ship, so below the cap twice the
// ships make about three times the joins. The counters also give the joins the rules ask of a day
// (counted from the living ships, an upper bound: locked and held ships are not drawn) and the
// processor time per join, which should not grow with the ships. A load lays the records out
// afresh; in a game played on for years without one they lie scattered, and the same days cost
// more: the study tool times those.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <unistd.h>

#include "ai/ai_assign.h"
#include "ai/ai_player.h"
#include "bench_model.h"
#include "game/galaxy_day.h"
#include "game/game.h"
#include "game/headless.h"
#include "game/player.h"
#include "game/save.h"
#include "platform/random.h"

namespace {

constexpr int32_t LARGEST_GALAXY = 4;
constexpr uint32_t LATE_GAME_SEED = 15;   // the longest game: 100 ships on day 473, 200 on day 1,402
constexpr int32_t LATE_SHIPS = 200;
constexpr int32_t DAY_CAP = 3000;   // days played at most to reach the late size
constexpr int32_t DAYS_TIMED = 10;

// The thread's processor time: on a shared machine the wall clock also counts other programs' turns.
double thread_cpu_ms() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// The joins the ship searches of a day make at most: each computer player's passes times its ships.
int64_t search_joins(const Game *game) {
    int64_t joins = 0;
    for (Player *p : game->players->items) {
        if (!p) break;
        if (p->kind != PLAYER_KIND_COMPUTER || !p->galaxy_ai) continue;
        const int32_t ships = player_count_living_objects(p);
        joins += int64_t(ai_assign_pass_count(ships)) * ships;
    }
    return joins;
}

int32_t computer_ships(const Game *game) {
    int32_t ships = 0;
    for (Player *p : game->players->items) {
        if (!p) break;
        if (p->kind == PLAYER_KIND_COMPUTER && p->galaxy_ai) ships += player_count_living_objects(p);
    }
    return ships;
}

// The saves, made once for every size: size -> path (empty when the game never grew so large).
struct LateGames {
    std::string folder;
    std::map<int32_t, std::string> saves;
    std::map<int32_t, int32_t> days, ships;
    Game *game = nullptr;
    bool ready = false;
    ~LateGames() {
        if (!folder.empty()) std::system(("rm -rf '" + folder + "'").c_str());
    }
};

LateGames &late_games() {
    static LateGames g;
    if (g.ready) return g;
    g.ready = true;
    char folder[] = "/tmp/astrovane-bench-XXXXXX";
    if (!mkdtemp(folder)) return g;
    g.folder = folder;
    ::setenv("XDG_DATA_HOME", folder, 1);
    g.game = bench_model_ready(ASTROVANE_BINARY_DIR "/store.dat");
    if (!g.game) return g;
    random_seed(LATE_GAME_SEED);
    HeadlessOptions options;
    options.computer_players = HEADLESS_MAX_COMPUTERS;
    options.setup.star_density = LARGEST_GALAXY;
    if (headless_new_game(g.game, options) != RES_OK) return g;
    for (int32_t day = 1; day <= DAY_CAP && g.game->winner_id == 0 && g.saves.size() < 2; ++day) {
        headless_advance_day(g.game, options);
        const int32_t ships = computer_ships(g.game);
        for (const int32_t size : {LATE_SHIPS / 2, LATE_SHIPS}) {
            if (ships < size || g.saves.count(size)) continue;
            const std::string path = g.folder + "/late-" + std::to_string(size) + ".sav";
            if (game_save(g.game, path.c_str(), "late", 0, nullptr) != RES_OK) continue;
            g.saves[size] = path;
            g.days[size] = day;
            g.ships[size] = ships;
        }
    }
    return g;
}

void AiGalaxyCommandsOfADay(benchmark::State &state) {
    LateGames &g = late_games();
    const int32_t size = int32_t(state.range(0));
    if (!g.game || !g.saves.count(size)) {
        state.SkipWithError("the game never held so many ships");
        return;
    }
    HeadlessOptions options;
    options.ai_commands = false;   // the commands are run and timed here
    double longest = 0, total = 0, longest_cpu = 0, total_cpu = 0;
    int64_t days = 0, joins = 0;
    for (auto _ : state) {
        if (game_load_file(g.game, g.saves[size].c_str(), 0) != RES_OK) {
            state.SkipWithError("the late game did not load");
            break;
        }
        random_seed(99);
        double iteration_longest = 0;
        for (int32_t day = 0; day < DAYS_TIMED; ++day) {
            game_day_begin(g.game);
            joins += search_joins(g.game);
            const auto t0 = std::chrono::steady_clock::now();
            const double cpu0 = thread_cpu_ms();
            game_run_ai_galaxy_commands(g.game);
            const double cpu = thread_cpu_ms() - cpu0;
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
            headless_advance_day(g.game, options);
            iteration_longest = std::max(iteration_longest, ms);
            longest_cpu = std::max(longest_cpu, cpu);
            total += ms;
            total_cpu += cpu;
            days += 1;
        }
        longest = std::max(longest, iteration_longest);
        state.SetIterationTime(iteration_longest / 1000.0);
    }
    state.counters["ships"] = double(g.ships[size]);
    state.counters["day_saved"] = double(g.days[size]);
    state.counters["longest_ms"] = longest;
    state.counters["mean_ms"] = days ? total / double(days) : 0.0;
    state.counters["longest_cpu_ms"] = longest_cpu;
    state.counters["mean_cpu_ms"] = days ? total_cpu / double(days) : 0.0;
    state.counters["joins_a_day"] = days ? double(joins) / double(days) : 0.0;
    state.counters["cpu_ns_per_join"] = joins ? total_cpu * 1e6 / double(joins) : 0.0;
}
BENCHMARK(AiGalaxyCommandsOfADay)
    ->ArgName("ships")
    ->Arg(LATE_SHIPS / 2)
    ->Arg(LATE_SHIPS)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

}  // namespace
