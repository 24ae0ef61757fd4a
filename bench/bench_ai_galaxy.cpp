// The computer players' galaxy commands: one game day's commands of the four computer players of
// a late game on the largest galaxy. The game is played once through the headless driver (the AI
// on, 150 days), saved, and each iteration loads that save (not timed) and times the four
// commands, with the quick generator seeded alike each time. A day lasts one second at the
// default speed; the commands should take under a tenth of it.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "ai/ai_player.h"
#include "app/app_hooks.h"
#include "bench_model.h"
#include "game/game.h"
#include "game/headless.h"
#include "game/names.h"
#include "game/player.h"
#include "game/records.h"
#include "game/save.h"
#include "game/tech.h"
#include "platform/geometry.h"
#include "platform/random.h"
#include "platform/store.h"
#include "systems/system.h"
#include "world/factory.h"

namespace {

constexpr int32_t LATE_GAME_DAYS = 150;
constexpr int32_t LARGEST_GALAXY = 4;

void AiGalaxyCommandsOfADay(benchmark::State &state) {
    char folder[] = "/tmp/astrovane-bench-XXXXXX";
    if (!mkdtemp(folder)) {
        state.SkipWithError("no scratch folder");
        return;
    }
    ::setenv("XDG_DATA_HOME", folder, 1);
    Game *game = bench_model_ready(ASTROVANE_BINARY_DIR "/store.dat");
    if (!game) {
        state.SkipWithError("the model did not load");
        return;
    }
    random_seed(4242);
    HeadlessOptions options;
    options.computer_players = 4;
    options.setup.star_density = LARGEST_GALAXY;
    if (headless_new_game(game, options) != RES_OK) {
        state.SkipWithError("no new game");
        return;
    }
    for (int32_t day = 0; day < LATE_GAME_DAYS; ++day) headless_advance_day(game, options);
    const std::string path = std::string(folder) + "/late.sav";
    if (game_save(game, path.c_str(), "late", 0, nullptr) != RES_OK) {
        state.SkipWithError("the late game did not save");
        return;
    }
    const PlayerAiHooks &hooks = player_ai_hooks();
    int64_t ships = 0, tasks = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (game_load_file(game, path.c_str(), 0) != RES_OK) {
            state.SkipWithError("the late game did not load");
            break;
        }
        random_seed(99);
        state.ResumeTiming();
        for (Player *p : game->players->items) {
            if (!p) break;
            if (p->kind == PLAYER_KIND_COMPUTER && p->galaxy_ai) hooks.galaxy_command(p->galaxy_ai, p);
        }
        state.PauseTiming();
        ships = tasks = 0;
        for (Player *p : game->players->items) {
            if (!p) break;
            if (p->kind != PLAYER_KIND_COMPUTER || !p->galaxy_ai) continue;
            ships += list_count(&p->objects);
            tasks += ai_task_count(p->galaxy_ai);
        }
        state.ResumeTiming();
    }
    state.counters["ships"] = double(ships);
    state.counters["tasks"] = double(tasks);
    game_clear(game);
    std::system((std::string("rm -rf '") + folder + "'").c_str());
}
BENCHMARK(AiGalaxyCommandsOfADay)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
