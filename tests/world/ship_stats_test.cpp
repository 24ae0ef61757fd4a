// Ship statistics: every figure derived from the hull, the systems, the crew and the pilot, with the
// constants the rules fix.
#include "ship_test_util.h"

#include <functional>

using namespace shiptest;

namespace {

// Test passives on two otherwise unused type numbers, restored afterwards.
constexpr int32_t THRUSTER = 2;     // thrust = value, AP + power / 5 (as the engine type does)
constexpr int32_t BOOSTER = 16;     // the ship figures a test wants, through a callback

std::function<void(Ship *)> g_boost;
using Ints = std::vector<int32_t>;

class ShipStats : public ShipTest {
protected:
    SystemTypeOps saved_thruster, saved_booster;
    Ship *s = nullptr;

    void SetUp() override {
        ShipTest::SetUp();
        saved_thruster = *system_type_ops(THRUSTER);
        saved_booster = *system_type_ops(BOOSTER);
        system_type_ops(THRUSTER)->passive = [](System *sys, Ship *ship) {
            ship->thrust = sys->value;
            ship->max_ap += sys->power / 5;
        };
        system_type_ops(BOOSTER)->passive = [](System *, Ship *ship) {
            if (g_boost) g_boost(ship);
        };
        s = ship({{1, 1, MOUNT_SYSTEM, 0}, {2, 2, MOUNT_SYSTEM, 0}, {3, 3, MOUNT_ENGINE, 2}}, 1000);
    }
    void TearDown() override {
        *system_type_ops(THRUSTER) = saved_thruster;
        *system_type_ops(BOOSTER) = saved_booster;
        g_boost = nullptr;
        ShipTest::TearDown();
    }
    System *engine(int32_t thrust, int32_t power, int32_t mass) {
        System *e = make_system(THRUSTER, SYSTEM_FLAG_ENGINE_MOUNT, power, mass);
        e->value = thrust;
        EXPECT_EQ(ship_set_crit_system(s, 2, e), RES_OK);
        return e;
    }
    System *booster(std::function<void(Ship *)> effect, int32_t crit = 0) {
        g_boost = std::move(effect);
        System *b = make_system(BOOSTER, 0, 0, 0, 0);
        EXPECT_EQ(ship_set_crit_system(s, crit, b), RES_OK);
        return b;
    }
};

TEST_F(ShipStats, TurnCostGrowsWithMass) {
    s->base_mass = 2500;
    ship_recompute_stats(s);
    EXPECT_EQ(s->mass, 2500);
    EXPECT_EQ(s->turn_cost, 7);
    s->base_mass = 1249;
    ship_recompute_stats(s);
    EXPECT_EQ(s->turn_cost, 5);
    s->hull_flags = HULL_FLAG_CHEAP_TURN;
    ship_recompute_stats(s);
    EXPECT_EQ(s->turn_cost, 1);
}

TEST_F(ShipStats, MassCountsEverySystemOnlineOrNotAndIsAtLeastOne) {
    System *e = engine(1000, 10, 300);
    e->status |= SYSTEM_STATUS_OFFLINE;
    ship_recompute_stats(s);
    EXPECT_EQ(s->mass, 1300);
    EXPECT_EQ(s->mass_figure, 6);
    s->base_mass = -2000;
    ship_recompute_stats(s);
    EXPECT_EQ(s->mass, 1);
}

TEST_F(ShipStats, MovementPointsComeFromThrustOverMassBetweenTwoAndSixtyFour) {
    ship_recompute_stats(s);
    EXPECT_EQ(s->max_mp, 2) << "no engine still moves";
    engine(9000, 40, 200);
    EXPECT_EQ(s->mass, 1200);
    EXPECT_EQ(s->max_mp, 7);
    EXPECT_EQ(s->effective_mp, 7);
    booster([](Ship *ship) { ship->mp_boost = 50; });
    EXPECT_EQ(s->effective_mp, 10) << "7 x 150 / 100";
    ASSERT_EQ(ship_set_crit_system(s, 2, nullptr), RES_OK);
    engine(1000000, 0, 0);
    EXPECT_EQ(s->max_mp, 64);
    s->hull_flags = HULL_FLAG_IMMOBILE;
    ship_recompute_stats(s);
    EXPECT_EQ(s->max_mp, 0);
}

TEST_F(ShipStats, ActionPointsFromSystemsAndPilot) {
    ship_recompute_stats(s);
    EXPECT_EQ(s->max_ap, 1) << "no pilot, no systems";
    EXPECT_EQ(s->initiative_rate, 10);
    s->hull_flags = HULL_FLAG_QUICK_UNPILOTED;
    ship_recompute_stats(s);
    EXPECT_EQ(s->initiative_rate, 15);
    engine(9000, 40, 200);
    EXPECT_EQ(s->max_ap, 8);
    Officer *o = officer_create();
    s->crew = 400;
    ship_set_pilot(s, o);
    EXPECT_EQ(s->max_ap, 8 + 2 + 2);
    EXPECT_EQ(s->initiative_rate, 10) << "a cadet's own bonus: 2 x rank + 10, and no unpiloted bonus";
    s->hull_flags = HULL_FLAG_FIXED_AP;
    ship_recompute_stats(s);
    EXPECT_EQ(s->max_ap, 12);
    s->hull_flags = 0;
    booster([](Ship *ship) { ship->max_ap += 100; });
    EXPECT_EQ(s->max_ap, 64);
}

TEST_F(ShipStats, ShieldsArmourCrewAndTheEngineHitRate) {
    booster([](Ship *ship) {
        ship->shield_strength = 35;
        ship->max_armour += 150;
        ship->max_crew += 100;
    });
    EXPECT_EQ(Ints({s->shield_max, s->max_armour, s->max_crew, s->engine_hit_rate}), Ints({35, 250, 150, 60}));
    s->base_max_armour = 50;
    ship_recompute_stats(s);
    EXPECT_EQ(s->engine_hit_rate, 80);
    s->base_max_armour = -50;
    ship_recompute_stats(s);
    EXPECT_EQ(s->max_armour, 100);
    EXPECT_EQ(s->engine_hit_rate, 100);
    ASSERT_EQ(ship_set_crit_system(s, 0, nullptr), RES_OK);
    EXPECT_EQ(s->max_armour, 1) << "never below 1";
    EXPECT_EQ(s->shield_max, 0);
}

TEST_F(ShipStats, PowerPriceAndBuildFigures) {
    s->base_cost = 900;
    s->base_build_a = 200;
    s->base_build_b = 800;
    System *a = make_system(0, 0, 12, 60, 400);
    System *b = make_system(0, 0, 30, 60, 600);
    ASSERT_EQ(ship_set_crit_system(s, 0, a), RES_OK);
    ASSERT_EQ(ship_set_crit_system(s, 1, b), RES_OK);
    EXPECT_EQ(s->capacity_used, 42);
    EXPECT_EQ(s->cost, 1900);
    EXPECT_EQ(s->build_a, 500) << "200 + 100 x ((1000 / 3) / 100)";
    EXPECT_EQ(s->build_b, 1100);
}

TEST_F(ShipStats, AnUnseenSnapshotKeepsItsStoredFigures) {
    s->flags |= OBJ_SNAPSHOT;
    s->snapshot_version = 0;
    s->snap_mass = 3000, s->snap_capacity_used = 77, s->snap_max_armour = 240, s->snap_shield_max = 20;
    engine(9000, 40, 200);
    EXPECT_EQ(Ints({s->mass, s->max_mp, s->capacity_used, s->max_armour, s->shield_max, s->cost, s->build_a, s->build_b}),
              Ints({3000, 3, 77, 240, 20, 0, 1, 2}));
    s->snap_mass = 0;
    ship_recompute_stats(s);
    EXPECT_EQ(s->max_mp, 10) << "no mass to divide by";
    s->snapshot_version = 1;   // seen in detail: its own systems count
    ship_recompute_stats(s);
    EXPECT_EQ(s->mass, 1200);
    EXPECT_EQ(s->capacity_used, 40);
}

TEST_F(ShipStats, ScanFigures) {
    ship_recompute_stats(s);
    EXPECT_EQ(s->scan_cost, 4);
    EXPECT_EQ(s->scan_range, 300);
    booster([](Ship *ship) { ship->scan_cost -= 10; });
    EXPECT_EQ(s->scan_cost, 1) << "at least 1";
    s->hull_flags = HULL_FLAG_FREE_SCAN;
    ship_recompute_stats(s);
    EXPECT_EQ(s->scan_cost, 0);
}

TEST_F(ShipStats, TheBitsSystemsSetAreClearedAndSetAgainByTheOnlineOnes) {
    System *b = booster([](Ship *ship) {
        ship->ship_flags |= SHIP_FLAG_POINT_DEFENCE | SHIP_FLAG_CONSTRUCTOR | SHIP_FLAG_INTERDICTOR | SHIP_FLAG_BOARDING;
    });
    s->ship_flags |= SHIP_FLAG_RETREATING;
    EXPECT_EQ(s->ship_flags & SHIP_FLAGS_FROM_SYSTEMS,
              SHIP_FLAG_POINT_DEFENCE | SHIP_FLAG_CONSTRUCTOR | SHIP_FLAG_INTERDICTOR | SHIP_FLAG_BOARDING);
    b->status |= SYSTEM_STATUS_OFFLINE;
    ship_recompute_stats(s);
    // An interdiction field or boarding grid that went offline (or was removed) stops acting too.
    EXPECT_EQ(s->ship_flags & SHIP_FLAGS_FROM_SYSTEMS, 0u);
    EXPECT_TRUE(s->ship_flags & SHIP_FLAG_RETREATING) << "other bits stay";
}

TEST_F(ShipStats, LoadsSumAllSystemsAndTheOnlineOnes) {
    System *a = make_system(0, 0, 1);
    a->load_a = 8, a->load_b = 1;
    System *b = make_system(0, 0, 1);
    b->load_a = 11, b->load_b = 2;
    b->status = SYSTEM_STATUS_OFFLINE;
    ASSERT_EQ(ship_set_crit_system(s, 0, a), RES_OK);
    ASSERT_EQ(ship_set_crit_system(s, 1, b), RES_OK);
    EXPECT_EQ(Ints({s->all_load_a, s->all_load_b, s->online_load_a, s->online_load_b}), Ints({19, 3, 8, 1}));
}

TEST_F(ShipStats, EvasionStartsFromTheBoostAndFixedFiguresAreReset) {
    s->evasion_boost = 25;
    ship_recompute_stats(s);
    EXPECT_EQ(Ints({s->evasion, object_get_evasion(s), s->move_arc, s->retreat_turns}), Ints({25, 25, 30, 3}));
}

}  // namespace
