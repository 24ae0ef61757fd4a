// Encounters between two computer players fought out by autocombat from the generated store, loaded
// as the start-up loader loads it (parameters and frame sizes only: the battle loads its own shapes).
//  - Once with every plan made on the game thread and once with every plan made on a worker thread
//    that the game thread starts, seeds from its own generator and joins before it acts: for fixed
//    seeds both battles end alike.
//  - With the option scorer running, every search's options are scored on its worker while the
//    planning thread builds the next ones: the battles end alike, draw for draw.
//  - A clearly stronger side destroys ships and holds the field.
//  - With every kept answer of the searches checked against a fresh one, a battle ends draw for draw
//    as the unchecked battle (the check rewinds what its fresh answers draw).
#include <gtest/gtest.h>
#include "support/fixture_store.h"
#include "support/state_guards.h"

#include <thread>
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
#include "platform/random.h"
#include "systems/plan_check.h"
#include "systems/system.h"
#include "world/factory.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/world_hooks.h"

namespace {

constexpr int32_t LANCER_HULL = 3;
constexpr int SHIPS_PER_SIDE = 3;

// What each ship of a side carries, crit by crit.
using Loadout = std::vector<std::pair<int32_t, int32_t>>;   // crit, system type
const Loadout THREE_BEAMS = {{0, SYSTEM_TYPE_BEAM}, {1, SYSTEM_TYPE_BEAM}, {2, SYSTEM_TYPE_BEAM},
                             {3, SYSTEM_TYPE_ENGINE}, {4, SYSTEM_TYPE_ARMOUR}};
const Loadout ONE_BEAM = {{0, SYSTEM_TYPE_BEAM}, {3, SYSTEM_TYPE_ENGINE}};

struct Side {
    int32_t ships = SHIPS_PER_SIDE;
    Loadout loadout = THREE_BEAMS;
};

struct Ending {
    std::vector<uint64_t> ids;
    std::vector<uint32_t> dead;
    std::vector<int32_t> armour;
    int32_t destroyed = 0;
    int32_t destroyed_by_side[2] = {};
    uint64_t victor = 0;
    std::vector<uint32_t> next_draws;   // of each game generator after the battle: the draws came alike
    bool operator==(const Ending &o) const {
        return ids == o.ids && dead == o.dead && armour == o.armour && next_draws == o.next_draws;
    }
};

// Planning on a worker: seeded from a draw of the game thread, joined before the game thread acts.
void plan_on_worker(Player *owner, Ship *ship) {
    const uint32_t seed = random_worker_seed();
    std::thread worker([=] {
        random_seed(seed);
        ai_plan_ship(owner, ship);
    });
    worker.join();
}

class EncounterAi : public ::testing::Test {
protected:
    WorldHooksGuard world_hooks_back_;
    PlayerAiHooksGuard ai_hooks_back_;
    GeneratedWorld world_;

    void SetUp() override {
        // Parameters and frame sizes only, as the start-up loader loads them: the battle loads its shapes.
        ASSERT_TRUE(world_.load({OBJECT_SHIP, OBJECT_SHOT, OBJECT_SECTOR, OBJECT_FLEET, OBJECT_SITE},
                                {FACTORY_GROUP_PARAMS}));
        app_install_hooks();
        agent_task_types_init();
    }
    void TearDown() override {
        game_destroy();
        world_.unload();
    }

    static Sector *sector_at(Game *game, int32_t x, int32_t y, uint64_t owner) {
        Sector *s = sector_create(0);
        if (!s) return nullptr;
        object_set_owner_id(s, owner);
        map_place_object(game->galaxy_map, s, x, y, 1);
        map_add_pending_objects(game->galaxy_map);
        return s;
    }

    Ending battle(uint32_t seed, void (*plan)(Player *, Ship *), const Side (&sides)[2] = {Side{}, Side{}}) {
        Ending out;
        game_destroy();
        Game *game = game_get();
        random_seed(seed);
        for (int i = 0; i < GAME_GENERATOR_COUNT; ++i) rng_seed(game->generators[i], seed + uint32_t(i));
        Sector *here = sector_at(game, 1000, 1000, 0);
        EXPECT_NE(here, nullptr);
        EXPECT_NE(sector_at(game, 1400, 1000, 1), nullptr);
        EXPECT_NE(sector_at(game, 600, 1000, 2), nullptr);
        Encounter *enc = encounter_create();
        if (!here || !enc) return out;
        enc->sector_id = here->id;
        enc->centre_x = here->x + here->w / 2;
        enc->centre_y = here->y + here->h / 2;
        enc->field_w = 900;
        enc->field_h = 700;
        std::vector<Ship *> ships;
        for (uint64_t id : {1u, 2u}) {
            const Side &side = sides[id - 1];
            Player *p = player_create(PLAYER_KIND_COMPUTER);
            player_set_id(p, id);
            p->commander_ai = ai_player_create_commander();
            ai_commander_preset_1(p->commander_ai);
            ai_player_stop(p->commander_ai);
            EXPECT_EQ(game_add_player(game, p), RES_OK);
            for (int i = 0; i < side.ships; ++i) {
                Ship *s = ship_of(factory_create_object(OBJECT_SHIP, LANCER_HULL));
                if (!s) return out;
                for (const auto &[crit, type] : side.loadout)
                    if (System *sys = system_create(type); sys && ship_set_crit_system(s, crit, sys) != RES_OK)
                        system_free(sys);
                s->crew = s->max_crew;
                ship_recompute_stats(s);
                player_add_object(p, s);
                ship_set_sector(s, here);
                encounter_add_object(enc, s);
                object_add_ref(s);
                ships.push_back(s);
            }
        }
        EXPECT_EQ(game_add_encounter(game, enc), RES_OK);
        encounter_retain(enc);   // ending the combat drops the Game's reference
        encounter_seed_random(enc, seed);
        encounter_layout(enc);
        world_set_hooks(WorldHooks{.ai_plan_ship = plan, .ai_act_ship = ai_act_ship});
        encounter_autocombat(enc);
        world_set_hooks(ai_world_hooks());
        out.victor = enc->victor_id;
        for (int i = 0; i < GAME_GENERATOR_COUNT; ++i) {
            Rng copy = *game->generators[i];
            out.next_draws.push_back(rng_next(&copy));
        }
        encounter_release(enc);
        for (Ship *s : ships) {
            out.ids.push_back(s->id);
            out.dead.push_back(s->flags & OBJ_DEAD);
            out.armour.push_back(s->armour);
            const int32_t lost = (s->flags & OBJ_DEAD) ? 1 : 0;
            out.destroyed += lost;
            out.destroyed_by_side[s->owner_id == 1 ? 0 : 1] += lost;
            object_release(s);
        }
        game_destroy();
        return out;
    }
};

TEST_F(EncounterAi, ABattlePlannedOnAWorkerEndsAsTheSameBattlePlannedOnTheGameThread) {
    for (uint32_t seed : {5u, 1234u}) {
        const Ending at_once = battle(seed, ai_plan_ship);
        const Ending stepped = battle(seed, plan_on_worker);
        ASSERT_EQ(at_once.ids.size(), size_t(2 * SHIPS_PER_SIDE)) << "seed " << seed;
        EXPECT_GT(at_once.destroyed, 0) << "seed " << seed << ": the commanders fought";
        EXPECT_TRUE(stepped == at_once) << "seed " << seed << ": " << stepped.destroyed << " against "
                                        << at_once.destroyed << " ships destroyed";
    }
}

// The scorer runs for the scope: stopped again whatever an assertion does.
struct ScorerRunning {
    Result started = ai_combat_scorer_start();
    ~ScorerRunning() { ai_combat_scorer_stop(); }
};

TEST_F(EncounterAi, BattlesScoredOnTheScorerThreadEndAsBattlesScoredWhereTheOptionsAreBuilt) {
    ASSERT_FALSE(ai_combat_scorer_running());
    for (uint32_t seed : {5u, 1234u}) {
        const Ending alone = battle(seed, ai_plan_ship);
        ScorerRunning scorer;
        ASSERT_EQ(scorer.started, RES_OK);
        const Ending beside = battle(seed, ai_plan_ship);
        const Ending from_worker = battle(seed, plan_on_worker);   // the search on a thread of its own
        // How much the worker takes depends on when it runs; over two battles it takes part.
        EXPECT_GT(ai_combat_scorer_searches(), 0u) << "seed " << seed << ": the worker scored options";
        ASSERT_EQ(alone.ids.size(), size_t(2 * SHIPS_PER_SIDE)) << "seed " << seed;
        EXPECT_GT(alone.destroyed, 0) << "seed " << seed << ": the commanders fought";
        EXPECT_TRUE(beside == alone) << "seed " << seed << ": " << beside.destroyed << " against " << alone.destroyed
                                     << " ships destroyed";
        EXPECT_TRUE(from_worker == alone) << "seed " << seed;
        EXPECT_EQ(beside.victor, alone.victor) << "seed " << seed;
    }
}

// The check turned on for the scope, and back whatever an assertion does.
struct KeptAnswersChecked {
    bool was = plan_check_set(true);
    ~KeptAnswersChecked() { plan_check_set(was); }
};

TEST_F(EncounterAi, ABattleWithEveryKeptAnswerCheckedEndsAsTheUncheckedBattle) {
    const Ending unchecked = battle(5, ai_plan_ship);
    ASSERT_EQ(unchecked.ids.size(), size_t(2 * SHIPS_PER_SIDE));
    EXPECT_GT(unchecked.destroyed, 0) << "the commanders fought";
    KeptAnswersChecked on;
    const uint64_t before = plan_check_count();
    const Ending checked = battle(5, ai_plan_ship);
    // Spot answers, turns and moves, options, scores, assignment lists: hundreds of thousands.
    EXPECT_GT(plan_check_count() - before, 100000u) << "the battle's kept answers were checked";
    EXPECT_TRUE(checked == unchecked) << checked.destroyed << " against " << unchecked.destroyed
                                      << " ships destroyed";
    // The same with the scores taken by the scorer's thread, which checks its own.
    ScorerRunning scorer;
    ASSERT_EQ(scorer.started, RES_OK);
    EXPECT_TRUE(battle(5, ai_plan_ship) == unchecked);
}

// Three lancers with three beams each against one lancer with a single beam: the strong side breaks
// the weak one (destroying it, or driving it off after losses) and is the side left holding the field.
TEST_F(EncounterAi, AClearlyStrongerSideDestroysShipsAndHoldsTheField) {
    const Side sides[2] = {Side{SHIPS_PER_SIDE, THREE_BEAMS}, Side{1, ONE_BEAM}};
    for (uint32_t seed : {5u, 77u, 1234u}) {
        const Ending end = battle(seed, ai_plan_ship, sides);
        ASSERT_EQ(end.ids.size(), size_t(SHIPS_PER_SIDE + 1)) << "seed " << seed;
        EXPECT_EQ(end.victor, 1u) << "seed " << seed << ": the strong side must hold the field";
        EXPECT_EQ(end.destroyed_by_side[1], 1) << "seed " << seed << ": the weak ship must be destroyed";
        EXPECT_LT(end.destroyed_by_side[0], SHIPS_PER_SIDE) << "seed " << seed;
    }
}

}  // namespace
