// Autocombat of two sides of ten ships each, from the first turn to the applied outcome, against the
// one-second game day: a day with several battles has to stay immediate, so one battle must stay
// under a quarter of the day (the "day_fraction" counter, below 0.25).
//  - Store hulls (Lancers) with a store beam weapon and engine, standing in a sector of a small
//    galaxy with a retreat sector for each side; the encounter is laid out by the game's layout.
//  - Autocombat2x10CombatAi: the computer players' combat command plans and acts for every ship, as
//    in a game: the figure that has to stay under a quarter of the day.
//  - Autocombat2x10NoCombatAi: no combat AI is installed, so every ship ends its turn and the battle
//    runs until the idle rule stops it (16 turns per placed object): the cost of the loop itself.
//  - Autocombat2x10Gunners: the scripted gunner of the tests in the AI's place closes in on the
//    nearest enemy and fires, so the battle is fought out with real hits, damage and destruction.
//  - Set-up and tear-down of each iteration are not timed.
//  - Autocombat2x10CombatAiThreeBattles: the first, always three battles, for comparing digests.
//  - "plans_per_battle" and "ms_per_plan" count the combat AI's plans (the whole battle's time
//    shared out over them).
//  - The "digest" counter sums up how the battles ended (see battle_digest): a change meant only to
//    be faster must leave it as it was for the same run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <utility>
#include <vector>
#include "ai/agent_task.h"
#include "ai/ai_combat.h"
#include "ai/ai_combat_scorer.h"
#include "ai/ai_player.h"
#include "app/app_hooks.h"
#include "game/autocombat.h"
#include "game/encounter.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/geometry.h"
#include "platform/random.h"
#include "platform/store.h"
#include "systems/system.h"
#include "world/factory.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/world_hooks.h"
#include "../tests/game/scripted_gunner.h"

namespace {

constexpr int32_t HULL_LANCER = 3;
constexpr int32_t LANCER_FORE = 0, LANCER_ENGINE = 3;
constexpr int SHIPS_PER_SIDE = 10;

bool load_world() {
    store_set_path(ASTROVANE_BINARY_DIR "/store.dat");
    if (store_open() != RES_OK || system_types_load() != RES_OK || factory_init() != RES_OK) return false;
    distance_table_build();   // as the start-up's loaders leave it
    for (int32_t kind : {OBJECT_SHIP, OBJECT_SHOT, OBJECT_SECTOR, OBJECT_FLEET, OBJECT_SITE}) {
        const Factory *f = factory_get(kind);
        for (int32_t t = 0; f && t < f->template_count; ++t)
            for (int32_t g = 0; g < FACTORY_GROUP_COUNT; ++g) factory_acquire_group(kind, t, g);
    }
    return factory_resolve_load_groups() == RES_OK && ai_combat_scorer_start() == RES_OK;
}

void unload_world() {
    ai_combat_scorer_stop();
    factory_free();
    system_types_free();
    store_shutdown();
}

Sector *add_sector(Game *game, int32_t x, int32_t y, uint64_t owner) {
    Sector *s = sector_create(0);
    if (!s) return nullptr;
    object_set_owner_id(s, owner);
    map_place_object(game->galaxy_map, s, x, y, 1);
    map_add_pending_objects(game->galaxy_map);
    return s;
}

// A fresh game with the battle ready to be fought; null when anything is missing.
Encounter *set_up_battle(uint32_t seed, bool commanders) {
    game_destroy();
    Game *game = game_get();
    if (!game) return nullptr;
    random_seed(seed);
    for (uint32_t i = 0; i < GAME_GENERATOR_COUNT; ++i) rng_seed(game->generators[i], seed + i);
    Sector *here = add_sector(game, 1000, 1000, 0);
    if (!here || !add_sector(game, 1400, 1000, 1) || !add_sector(game, 600, 1000, 2)) return nullptr;
    Encounter *enc = encounter_create();
    if (!enc) return nullptr;
    enc->sector_id = here->id;
    enc->centre_x = here->x + here->w / 2;
    enc->centre_y = here->y + here->h / 2;
    enc->field_w = 1400;
    enc->field_h = 1000;
    for (uint64_t id : {1u, 2u}) {
        Player *p = player_create(PLAYER_KIND_COMPUTER);
        if (!p) return nullptr;
        player_set_id(p, id);
        if (commanders) {
            p->commander_ai = ai_player_create_commander();
            if (!p->commander_ai) return nullptr;
            ai_commander_preset_1(p->commander_ai);
            ai_player_stop(p->commander_ai);
        }
        if (game_add_player(game, p) != RES_OK) return nullptr;
        for (int i = 0; i < SHIPS_PER_SIDE; ++i) {
            Ship *s = ship_of(factory_create_object(OBJECT_SHIP, HULL_LANCER));
            if (!s) return nullptr;
            for (auto [crit, type] : {std::pair{LANCER_FORE, SYSTEM_TYPE_BEAM}, {LANCER_ENGINE, SYSTEM_TYPE_ENGINE}})
                if (System *sys = system_create(type); sys && ship_set_crit_system(s, crit, sys) != RES_OK)
                    system_free(sys);
            s->crew = s->max_crew;
            ship_recompute_stats(s);
            player_add_object(p, s);
            ship_set_sector(s, here);
            encounter_add_object(enc, s);
        }
    }
    if (game_add_encounter(game, enc) != RES_OK) return nullptr;
    encounter_seed_random(enc, seed);
    encounter_layout(enc);
    return enc;
}

enum class Pilots { None, Gunners, CombatAi };

// Plans the combat AI has made since the count was last cleared (the benchmark thread only).
int64_t g_plans = 0;
void counted_plan(Player *owner, Ship *ship) {
    ++g_plans;
    ai_plan_ship(owner, ship);
}

// A digest of how the battle ended: every object left in it (id, place, heading, flags, crew) and
// the next draws of the shared and the systems' generators, so a change that alters any draw or any
// spot shows as a different number for the same seeds.
// The battle's objects, one reference each: the encounter goes away with the applied outcome.
std::vector<GameObject *> hold_objects(const Encounter *enc) {
    std::vector<GameObject *> held;
    if (enc->objects)
        for (GameObject *obj : enc->objects->items) {
            if (!obj) break;
            object_add_ref(obj);
            held.push_back(obj);
        }
    return held;
}

uint32_t battle_digest(std::vector<GameObject *> &held) {
    uint32_t h = 2166136261u;
    auto mix = [&h](uint64_t v) {
        for (int i = 0; i < 8; ++i, v >>= 8) h = (h ^ uint32_t(v & 0xFF)) * 16777619u;
    };
    for (GameObject *obj : held) {
        mix(obj->id);
        mix(uint64_t(uint32_t(obj->x)) << 32 | uint32_t(obj->y));
        mix(uint64_t(uint32_t(obj->heading)) << 32 | obj->flags);
        if (const Ship *s = ship_of(obj)) mix(uint32_t(s->crew));
        object_release(obj);
    }
    held.clear();
    mix(random_u32());
    mix(system_random());
    return h;
}

void run(benchmark::State &state, Pilots pilots) {
    if (!load_world()) {
        state.SkipWithError("generated store missing: the build makes it");
        return;
    }
    app_install_hooks();
    agent_task_types_init();
    WorldHooks hooks = world_hooks();
    hooks.ai_plan_ship = pilots == Pilots::CombatAi ? counted_plan : nullptr;
    hooks.ai_act_ship = pilots == Pilots::CombatAi  ? ai_act_ship
                        : pilots == Pilots::Gunners ? scripted::gunner_act
                                                    : nullptr;
    world_set_hooks(hooks);
    uint32_t seed = 1;
    double total_ms = 0;
    uint32_t digest = 0;
    g_plans = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Encounter *enc = set_up_battle(seed++, pilots == Pilots::CombatAi);
        if (!enc) {
            state.SkipWithError("battle set-up failed");
            break;
        }
        std::vector<GameObject *> held = hold_objects(enc);
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        encounter_autocombat(enc);
        total_ms += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        state.PauseTiming();
        digest = digest * 31u + battle_digest(held);
        game_destroy();
        state.ResumeTiming();
    }
    if (state.iterations() > 0) {
        const double ms = total_ms / double(state.iterations());
        state.counters["ms_per_battle"] = ms;
        state.counters["day_fraction"] = ms / 1000.0;   // the game day lasts one second
        state.counters["digest"] = double(digest);
        if (g_plans > 0) {
            state.counters["plans_per_battle"] = double(g_plans) / double(state.iterations());
            state.counters["ms_per_plan"] = total_ms / double(g_plans);
        }
    }
    app_install_hooks();
    game_destroy();
    unload_world();
}

void BM_Autocombat2x10CombatAi(benchmark::State &state) { run(state, Pilots::CombatAi); }
void BM_Autocombat2x10NoCombatAi(benchmark::State &state) { run(state, Pilots::None); }
void BM_Autocombat2x10Gunners(benchmark::State &state) { run(state, Pilots::Gunners); }

BENCHMARK(BM_Autocombat2x10CombatAi)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Autocombat2x10NoCombatAi)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Autocombat2x10Gunners)->Unit(benchmark::kMillisecond);
// Three battles (seeds 1 to 3) whatever the timing: its digest compares two builds on more than one
// battle, where the default run's iteration count depends on the speed of the machine.
BENCHMARK(BM_Autocombat2x10CombatAi)
    ->Name("BM_Autocombat2x10CombatAiThreeBattles")
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace
