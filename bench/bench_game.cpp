// The game model's heavy steps on the generated store: a new game at the largest density with five
// players (its target is under 250 ms, hidden inside the title's fade), save and load of a late game
// (each under one 20 ms frame) and one headless day of the model without the computer players'
// commands (under 5 % of the one-second day, 50 ms).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "ai/ai_player.h"
#include "app/app_hooks.h"
#include "game/game.h"
#include "game/headless.h"
#include "game/names.h"
#include "game/newgame.h"
#include "game/records.h"
#include "game/save.h"
#include "game/tech.h"
#include "platform/geometry.h"
#include "platform/list.h"
#include "platform/random.h"
#include "platform/store.h"
#include "systems/system.h"
#include "world/factory.h"

namespace {

const std::string STORE = ASTROVANE_BINARY_DIR "/store.dat";
const std::string FOLDER = ASTROVANE_BINARY_DIR "/bench-output/game";

// The model as start-up leaves it, once per process; the save folder is the bench's own.
Game *model() {
    static Game *game = [] {
        std::system(("mkdir -p '" + FOLDER + "'").c_str());
        ::setenv("XDG_DATA_HOME", FOLDER.c_str(), 1);
        store_set_path(STORE.c_str());
        Game *g = nullptr;
        if (store_open() == RES_OK && system_types_load() == RES_OK && factory_init() == RES_OK &&
            tech_load() == RES_OK) {
            factory_acquire_group_all(FACTORY_GROUP_PARAMS);
            if (factory_resolve_load_groups() == RES_OK) g = game_get();
            distance_table_build();   // as the start-up's loaders leave it
        }
        if (g && (name_lists_load(g) != RES_OK || records_load(g) != RES_OK)) g = nullptr;
        if (g) app_install_hooks();
        return g;
    }();
    return game;
}

HeadlessOptions largest(bool ai_commands) {
    HeadlessOptions options;
    options.computer_players = HEADLESS_MAX_COMPUTERS;
    options.setup.star_density = 4;
    options.setup.starting_tech = 2;
    options.ai_commands = ai_commands;
    return options;
}

double read_size(const std::string &path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? double(st.st_size) : 0.0;
}

// A game of `days` headless days, the computer players commanding their corporations.
bool play(Game *game, int32_t days) {
    random_seed(1234);
    const HeadlessOptions options = largest(true);
    if (headless_new_game(game, options) != RES_OK) return false;
    for (int32_t d = 0; d < days; ++d) headless_advance_day(game, options);
    return true;
}

void NewGameLargestFivePlayers(benchmark::State &state) {
    Game *game = model();
    if (!game || !play(game, 0)) return state.SkipWithError("no model");
    uint32_t seed = 1;
    for (auto _ : state) {
        random_seed(seed++);
        if (game_new(game) != RES_OK) return state.SkipWithError("new game failed");
    }
}
BENCHMARK(NewGameLargestFivePlayers)->Unit(benchmark::kMillisecond);

void SaveLateGame(benchmark::State &state) {
    Game *game = model();
    if (!game || !play(game, 200)) return state.SkipWithError("no model");
    const std::string path = FOLDER + "/late.sav";
    for (auto _ : state)
        if (game_save(game, path.c_str(), "Late", 1, nullptr) != RES_OK) return state.SkipWithError("save failed");
    state.counters["bytes"] = double(read_size(path));
}
BENCHMARK(SaveLateGame)->Unit(benchmark::kMillisecond);

void LoadLateGame(benchmark::State &state) {
    Game *game = model();
    if (!game || !play(game, 200)) return state.SkipWithError("no model");
    const std::string path = FOLDER + "/late-load.sav";
    if (game_save(game, path.c_str(), "Late", 1, nullptr) != RES_OK) return state.SkipWithError("save failed");
    for (auto _ : state)
        if (game_load_file(game, path.c_str(), 0) != RES_OK) return state.SkipWithError("load failed");
}
BENCHMARK(LoadLateGame)->Unit(benchmark::kMillisecond);

void HeadlessDayWithoutCommands(benchmark::State &state) {
    Game *game = model();
    if (!game || !play(game, 30)) return state.SkipWithError("no model");
    const HeadlessOptions options = largest(false);
    for (auto _ : state) headless_advance_day(game, options);
}
BENCHMARK(HeadlessDayWithoutCommands)->Unit(benchmark::kMillisecond);

}  // namespace
