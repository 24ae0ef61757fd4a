// Mount points and fitting: which system goes on which crit, the power budget, the fields a fitted
// system gets, removal, reading order and the crit queries; and the statistics derived from the
// hull, the systems, the crew and the pilot, with the constants the rules fix.
#include "ship_test_util.h"

#include <functional>

using namespace shiptest;

namespace {

constexpr uint32_t ENGINE_ONLY = SYSTEM_FLAG_ENGINE_MOUNT;
constexpr uint32_t ARMOUR_ONLY = SYSTEM_FLAG_ARMOUR_MOUNT;

class ShipFitting : public ShipTest {
protected:
    Ship *s = nullptr;
    std::vector<System *> spare;   // made here and never fitted: freed at the end

    void SetUp() override {
        ShipTest::SetUp();
        // 0 system fore, 1 engine aft, 2 armour port, 3 system starboard
        s = ship({{20, 10, MOUNT_SYSTEM, 0}, {2, 10, MOUNT_ENGINE, 2}, {10, 4, MOUNT_ARMOUR, 1}, {12, 16, MOUNT_SYSTEM, 3}},
                 100);
    }
    void TearDown() override {
        for (System *sys : spare) system_free(sys);
        ShipTest::TearDown();
    }
    System *loose(int32_t type, uint32_t flags, int32_t power) {
        System *sys = make_system(type, flags, power);
        spare.push_back(sys);
        return sys;
    }
    System *fit(int32_t crit, int32_t type, uint32_t flags, int32_t power) {
        System *sys = make_system(type, flags, power);
        EXPECT_EQ(ship_set_crit_system(s, crit, sys), RES_OK);
        return sys;
    }
};

TEST_F(ShipFitting, EachMountTakesOnlyItsOwnKindOfSystem) {
    // Crits 0 system, 1 engine, 2 armour against a weapon, an engine and an armour plate.
    for (int32_t crit = 0; crit < 3; ++crit)
        for (auto [kind, sys] : {std::pair{0, loose(0, 0, 10)}, {1, loose(2, ENGINE_ONLY, 10)}, {2, loose(15, ARMOUR_ONLY, 0)}})
            EXPECT_EQ(ship_check_crit_fit(s, crit, sys), kind == crit ? RES_OK : RES_WRONG_MOUNT_TYPE) << crit << " " << kind;
}

TEST_F(ShipFitting, ARefusedFitLeavesTheCritEmptyAndIsLogged) {
    LogCatcher log(fresh_test_dir("ships"));
    System *engine = loose(2, ENGINE_ONLY, 10);
    engine->name = "Ion Drive";
    EXPECT_EQ(ship_set_crit_system(s, 0, engine), RES_WRONG_MOUNT_TYPE);
    EXPECT_EQ(ship_get_crit_system(s, 0), nullptr);
    EXPECT_EQ(engine->refcount, 0);
    EXPECT_NE(log.text().find("Ship \"Testy\" (Test Hull) - failed to set system \"Ion Drive\" in crit 0 (error -43)"),
              std::string::npos)
        << log.text();
}

TEST_F(ShipFitting, ASecondSystemOfAOnePerShipTypeIsRefused) {
    fit(0, 3, SYSTEM_FLAG_ONE_PER_SHIP, 10);
    EXPECT_EQ(ship_set_crit_system(s, 3, loose(3, SYSTEM_FLAG_ONE_PER_SHIP, 10)), RES_ONE_PER_SHIP);
    EXPECT_EQ(ship_get_crit_system(s, 3), nullptr);
    // The crit that holds the one of its type is not a rival to itself, and other types fit.
    EXPECT_EQ(ship_check_crit_fit(s, 0, loose(3, SYSTEM_FLAG_ONE_PER_SHIP, 10)), RES_OK);
    EXPECT_EQ(ship_check_crit_fit(s, 3, loose(4, SYSTEM_FLAG_ONE_PER_SHIP, 10)), RES_OK);
    // Without the flag two of a type are fine.
    fit(3, 0, 0, 10);
    EXPECT_EQ(ship_check_crit_fit(s, 3, loose(0, 0, 10)), RES_OK);
}

TEST_F(ShipFitting, PowerAboveWhatIsLeftIsRefusedWithAPositiveCode) {
    fit(0, 0, 0, 60);
    EXPECT_EQ(s->capacity_used, 60);
    System *big = loose(0, 0, 41);
    EXPECT_EQ(ship_set_crit_system(s, 3, big), RES_POWER_EXCEEDED);
    EXPECT_EQ(int(RES_POWER_EXCEEDED), 639);
    EXPECT_EQ(ship_get_crit_system(s, 3), nullptr);
    EXPECT_EQ(ship_set_crit_system(s, 3, make_system(0, 0, 40)), RES_OK) << "exactly the power left fits";
    EXPECT_EQ(s->capacity_used, 100);
}

TEST_F(ShipFitting, ASystemWithoutPowerAlwaysPassesTheBudget) {
    s->capacity_max = 0;
    EXPECT_EQ(ship_set_crit_system(s, 2, make_system(15, ARMOUR_ONLY, 0)), RES_OK);
    EXPECT_EQ(ship_check_crit_fit(s, 0, loose(0, 0, -5)), RES_OK);
    EXPECT_EQ(ship_check_crit_fit(s, 0, loose(0, 0, 1)), RES_POWER_EXCEEDED);
}

TEST_F(ShipFitting, ReplacingCountsTheOldPowerButTheSetRefusesAnOccupiedCrit) {
    fit(0, 0, 0, 60);
    fit(3, 0, 0, 30);
    System *bigger = loose(0, 0, 70);
    EXPECT_EQ(ship_check_crit_fit(s, 0, bigger), RES_OK) << "60 of the used 90 go with the old system";
    EXPECT_EQ(ship_check_crit_fit(s, 3, bigger), RES_POWER_EXCEEDED) << "only 40 free there";
    EXPECT_EQ(ship_set_crit_system(s, 0, bigger), RES_MOUNT_OCCUPIED);
    ASSERT_EQ(ship_set_crit_system(s, 0, nullptr), RES_OK);
    EXPECT_EQ(ship_set_crit_system(s, 0, bigger), RES_OK);
    spare.erase(std::find(spare.begin(), spare.end(), bigger));
}

TEST_F(ShipFitting, AFittedSystemFacesItsCritAndKnowsItsMount) {
    System *sys = fit(3, 0, 0, 10);
    EXPECT_EQ(ship_get_crit_system(s, 3), sys);
    EXPECT_EQ(sys->refcount, 1);
    EXPECT_EQ(std::vector<int32_t>({sys->facing, sys->mount_side, sys->mount_index, sys->mount_x, sys->mount_y}),
              std::vector<int32_t>({270, 3, 3, 12, 16}));
    EXPECT_EQ(sys->ship, s);
    EXPECT_STREQ(ship_crit_direction_name(sys->mount_side), "Starboard");
    EXPECT_STREQ(ship_crit_direction_name(4), "Fore") << "a side past the four";
    EXPECT_STREQ(ship_crit_direction_name(-1), "Fore");
}

TEST_F(ShipFitting, RemovalReleasesTheSystemAndRecomputes) {
    System *sys = fit(0, 0, 0, 25);
    system_retain(sys);   // a second holder keeps it alive to look at
    ASSERT_EQ(ship_set_crit_system(s, 0, nullptr), RES_OK);
    EXPECT_EQ(ship_get_crit_system(s, 0), nullptr);
    EXPECT_EQ(sys->refcount, 1);
    EXPECT_EQ(sys->ship, nullptr);
    EXPECT_EQ(s->capacity_used, 0);
    system_release(sys);
    EXPECT_EQ(ship_set_crit_system(s, 0, nullptr), RES_OK) << "an empty crit";
}

TEST_F(ShipFitting, BadCritIndicesAreRefusedEverywhere) {
    System *sys = loose(0, 0, 1);
    int32_t x = 0, y = 0;
    for (int32_t i : {-1, 4, 100}) {
        EXPECT_EQ(ship_check_crit_fit(s, i, sys), RES_OUT_OF_RANGE) << i;
        EXPECT_EQ(ship_set_crit_system(s, i, sys), RES_OUT_OF_RANGE) << i;
        EXPECT_EQ(ship_set_crit_system(s, i, nullptr), RES_OUT_OF_RANGE) << i;
        EXPECT_EQ(ship_crit_position_for_frame(s, i, &x, &y), RES_OUT_OF_RANGE) << i;
        EXPECT_EQ(ship_get_crit_display_params(s, i, &x, &y, &x, &y), RES_OUT_OF_RANGE) << i;
        EXPECT_EQ(ship_get_crit_system(s, i), nullptr) << i;
    }
    EXPECT_EQ(ship_check_crit_fit(s, 0, nullptr), RES_OK) << "no system: a removal";
}

TEST_F(ShipFitting, QueriesOverTheCrits) {
    EXPECT_EQ(ship_count_mount0_crits(s), 2);
    System *sensor = fit(0, 3, 0, 10);
    EXPECT_EQ(ship_has_system_type(s, 3), 1);
    EXPECT_EQ(ship_has_system_type(s, 4), 0);
    sensor->status |= SYSTEM_STATUS_OFFLINE;
    EXPECT_EQ(ship_has_system_type(s, 3), 0) << "offline does not count";
    sensor->status = SYSTEM_STATUS_DAMAGED;
    EXPECT_EQ(ship_has_system_type(s, 3), 1) << "damaged still counts";
}

// ---- Crit records ----

class ShipCrits : public ShipTest {};

TEST_F(ShipCrits, ReadingOrderIsTopToBottomThenLeftToRight) {
    Ship *s = ship({{10, 5, 0, 0}, {3, 5, 0, 0}, {1, 2, 0, 0}});
    EXPECT_EQ(s->crits[0].order, 2);
    EXPECT_EQ(s->crits[1].order, 1);
    EXPECT_EQ(s->crits[2].order, 0);
    ship_set_crit(s, 2, 1, 9, 0, 0);   // moves to the bottom: everything is ranked again
    EXPECT_EQ(s->crits[0].order, 1);
    EXPECT_EQ(s->crits[1].order, 0);
    EXPECT_EQ(s->crits[2].order, 2);
    ship_set_crit(s, 1, 10, 5, 0, 0);   // a tie goes to the earlier crit
    EXPECT_EQ(s->crits[0].order, 0);
    EXPECT_EQ(s->crits[1].order, 1);
}

TEST_F(ShipCrits, SettersRefuseABadIndexWithALogLine) {
    LogCatcher log(fresh_test_dir("ships"));
    Ship *s = ship({{4, 4, 0, 0}});
    ship_set_crit(s, 1, 9, 9, 0, 0);
    const int32_t xs[] = {1}, ys[] = {2};
    ship_set_crit_positions(s, -1, 1, xs, ys);
    ship_set_crit_display_params(s, 5, 1, 2, 3, 4);
    EXPECT_EQ(s->crits[0].x, 4);
    EXPECT_EQ(s->crits[0].position_count, 0);
    const std::string text = log.text();
    EXPECT_NE(text.find("Ship \"Test Hull\" - attempt to set illegal critical #1 (1 available)"), std::string::npos) << text;
    EXPECT_NE(text.find("Ship \"Test Hull\" - attempt to set direction positions for illegal critical #-1 (1 available)"),
              std::string::npos);
    EXPECT_NE(text.find("Ship \"Test Hull\" - attempt to set display params for illegal critical #5 (1 available)"),
              std::string::npos);
}

TEST_F(ShipCrits, PositionOnTheDesignFrameScalesFromFrameZeroAndAnEmptyFrameZeroIsNoPlacement) {
    Ship *s = ship({{10, 6, 0, 0}});
    int32_t x = -1, y = -1;
    s->design_frame = -1;
    EXPECT_EQ(ship_crit_position_for_frame(s, 0, &x, &y), RES_NO_PLACEMENT);
    s->design_frame = 1;
    EXPECT_EQ(ship_crit_position_for_frame(s, 0, &x, &y), RES_NO_PLACEMENT) << "no frame sizes to scale by";
    give_frames(s, {{0, 0}, {100, 90}});
    EXPECT_EQ(ship_crit_position_for_frame(s, 0, &x, &y), RES_NO_PLACEMENT) << "rather than a division by zero";
    EXPECT_EQ(x, -1);
    s->frame_w[0] = 40, s->frame_h[0] = 30;
    ASSERT_EQ(ship_crit_position_for_frame(s, 0, &x, &y), RES_OK);
    EXPECT_EQ(x, 25);   // 100 x 10 / 40
    EXPECT_EQ(y, 18);   // 90 x 6 / 30
}

// Test passives on two otherwise unused type numbers, restored afterwards.
constexpr int32_t THRUSTER = 2;     // thrust = value, AP + power / 5 (as the engine type does)
constexpr int32_t BOOSTER = 16;     // the ship figures a test wants, through a callback

std::function<void(Ship *)> g_boost;

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
