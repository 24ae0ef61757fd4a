// Mount points and fitting: which system goes on which crit, the power budget, the fields a fitted
// system gets, removal, reading order and the crit queries.
#include "ship_test_util.h"

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
    EXPECT_EQ(ship_check_crit_fit(s, 0, loose(2, ENGINE_ONLY, 10)), RES_WRONG_MOUNT_TYPE) << "engine on a system mount";
    EXPECT_EQ(ship_check_crit_fit(s, 0, loose(15, ARMOUR_ONLY, 0)), RES_WRONG_MOUNT_TYPE) << "armour on a system mount";
    EXPECT_EQ(ship_check_crit_fit(s, 1, loose(0, 0, 10)), RES_WRONG_MOUNT_TYPE) << "weapon on an engine mount";
    EXPECT_EQ(ship_check_crit_fit(s, 2, loose(0, 0, 10)), RES_WRONG_MOUNT_TYPE) << "weapon on an armour mount";
    EXPECT_EQ(ship_check_crit_fit(s, 2, loose(2, ENGINE_ONLY, 10)), RES_WRONG_MOUNT_TYPE) << "engine on armour";
    EXPECT_EQ(ship_check_crit_fit(s, 1, loose(15, ARMOUR_ONLY, 0)), RES_WRONG_MOUNT_TYPE) << "armour on an engine mount";
    EXPECT_EQ(ship_check_crit_fit(s, 0, loose(0, 0, 10)), RES_OK);
    EXPECT_EQ(ship_check_crit_fit(s, 1, loose(2, ENGINE_ONLY, 10)), RES_OK);
    EXPECT_EQ(ship_check_crit_fit(s, 2, loose(15, ARMOUR_ONLY, 0)), RES_OK);
}

TEST_F(ShipFitting, ARefusedFitLeavesTheCritEmptyAndIsLogged) {
    const std::string dir = fresh_test_dir("ships");
    LogCatcher log(dir);
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
    const std::string dir = fresh_test_dir("ships");
    LogCatcher log(dir);
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

}  // namespace
