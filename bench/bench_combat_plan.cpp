// One combat plan of a computer-controlled ship in a battle of ten ships a side, against five frames
// of the combat screen (100 ms): the screen waits for the planning thread, so a plan must come back
// before the wait shows (the "frames" counter, below 5).
//  - Store Lancers with three beams, an engine and armour, in two lines facing each other on the
//    game's combat map; both players have a commander; every ship knows the others.
//  - Each iteration plans anew for the same actor: the task upkeep, the assignment search over the
//    player's ten ships and the option search of the actor's task.
#include <benchmark/benchmark.h>

#include <chrono>
#include "ai/agent_task.h"
#include "ai/ai_combat.h"
#include "ai/ai_player.h"
#include "app/app_hooks.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/geometry.h"
#include "platform/random.h"
#include "platform/store.h"
#include "systems/system.h"
#include "world/factory.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"
#include "world/world_hooks.h"

namespace {

constexpr int32_t HULL_LANCER = 3;
constexpr int SHIPS_PER_SIDE = 10;
constexpr double FRAME_MS = 20.0;

bool load_world() {
    store_set_path(ASTROVANE_BINARY_DIR "/store.dat");
    if (store_open() != RES_OK || system_types_load() != RES_OK || factory_init() != RES_OK) return false;
    distance_table_build();   // as the start-up's loaders leave it
    for (int32_t t = 0; t < SHIP_TEMPLATE_COUNT; ++t)
        for (int32_t g = 0; g < FACTORY_GROUP_COUNT; ++g) factory_acquire_group(OBJECT_SHIP, t, g);
    return factory_resolve_load_groups() == RES_OK;
}

Ship *lancer(Game *game, Player *owner, int32_t x, int32_t y, int32_t heading) {
    Ship *s = ship_of(factory_create_object(OBJECT_SHIP, HULL_LANCER));
    if (!s) return nullptr;
    object_assign_id(s);
    s->owner_id = owner->id;
    const int32_t fits[][2] = {{0, SYSTEM_TYPE_BEAM}, {1, SYSTEM_TYPE_BEAM}, {2, SYSTEM_TYPE_BEAM},
                               {3, SYSTEM_TYPE_ENGINE}, {4, SYSTEM_TYPE_ARMOUR}};
    for (const auto &[crit, type] : fits)
        if (System *sys = system_create(type); sys && ship_set_crit_system(s, crit, sys) != RES_OK) system_free(sys);
    s->crew = s->max_crew;
    ship_recompute_stats(s);
    object_set_heading(s, heading);
    map_place_object(game->combat_map, s, x, y, 1);
    map_add_pending_objects(game->combat_map);
    object_begin_encounter(s);
    return s;
}

void BM_CombatPlan10x10(benchmark::State &state) {
    if (!load_world()) {
        state.SkipWithError("generated store missing: the build makes it");
        return;
    }
    game_destroy();
    Game *game = game_get();
    random_seed(7);
    for (Rng *rng : game->generators) rng_seed(rng, 7);
    map_set_world_size(game->combat_map, 4096, 3072);
    app_install_hooks();
    agent_task_types_init();
    Player *sides[2] = {};
    for (uint64_t id : {1u, 2u}) {
        Player *p = player_create(PLAYER_KIND_COMPUTER);
        player_set_id(p, id);
        p->commander_ai = ai_player_create_commander();
        ai_commander_preset_1(p->commander_ai);
        ai_player_stop(p->commander_ai);
        (void)game_add_player(game, p);
        sides[id - 1] = p;
    }
    Ship *actor = nullptr;
    for (int i = 0; i < SHIPS_PER_SIDE; ++i) {
        Ship *a = lancer(game, sides[0], 600, 200 + i * 180, 0);
        lancer(game, sides[1], 1100, 230 + i * 180, 180);
        if (i == SHIPS_PER_SIDE / 2) actor = a;
    }
    for (GameObject *obj : game->combat_map->objects.items)
        for (Player *p : sides)
            if (obj && obj->owner_id != p->id) player_learn_object(p, obj, 0);
    AiPlayer *ai = sides[0]->commander_ai;
    double total_ms = 0;
    for (auto _ : state) {
        ai->flags &= ~(AI_FLAG_PLAN_MADE | AI_FLAG_PLAN_RUNNING);
        const auto start = std::chrono::steady_clock::now();
        ai_plan_ship(sides[0], actor);
        total_ms += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        benchmark::DoNotOptimize(ai->plan[0]);
    }
    if (state.iterations() > 0) state.counters["frames"] = total_ms / double(state.iterations()) / FRAME_MS;
    for (Player *p : sides) ai_player_stop(p->commander_ai);
    game_destroy();
    factory_free();
    system_types_free();
    store_shutdown();
}

BENCHMARK(BM_CombatPlan10x10)->Unit(benchmark::kMillisecond);

}  // namespace
