// Using a system in combat: the order of the state and target checks, what a use spends and what a
// refused use leaves alone, the arc and range edges, the shared random draws and the action state
// the panels show. Hulls and systems come from the generated store and stand on a combat map.
#include "world/combat_test_util.h"

#include <climits>
#include <memory>
#include <set>
#include <tuple>

#include "game/game.h"
#include "platform/random.h"

using namespace shiptest;

namespace {

class Activation : public CombatMapTest {
protected:
    Ship *lancer = nullptr;
    System *beam = nullptr;      // fore mount: 90 degree arc, range from its row
    System *thrusters = nullptr; // evasion boost on the port mount: recharges, no target checks
    void SetUp() override {
        CombatMapTest::SetUp();
        lancer = on_map(HULL_LANCER, 1000, 1000, 0);
        beam = fit(lancer, LANCER_FORE, SYSTEM_TYPE_BEAM, 0);
        thrusters = fit(lancer, LANCER_PORT, SYSTEM_TYPE_EVASION_BOOST);
        fit(lancer, LANCER_ENGINE, SYSTEM_TYPE_ENGINE, 0);
        ready(lancer);
    }
    // A point straight ahead of the ship's centre at a distance, or at an angle.
    void point_at(int32_t angle, int32_t d, int32_t *x, int32_t *y) {
        centre(lancer, x, y);
        int32_t dx = 0, dy = 0;
        rotate_point(angle, d, &dx, &dy);
        *x += dx;
        *y += dy;
    }
};

TEST_F(Activation, StateChecksComeBeforeTargetChecksAndInTheirOrder) {
    // Offline beats recharging beats out of rounds, and all of them beat a missing target.
    thrusters->flags |= SYSTEM_FLAG_ROUNDS | SYSTEM_FLAG_NEEDS_TARGET;
    thrusters->flags &= ~SYSTEM_FLAG_NO_CHECKS;
    struct Case {
        uint32_t status;
        int32_t recharge_left, rounds;
        Result expected;
    } cases[] = {
        {SYSTEM_STATUS_OFFLINE, 2, 0, RES_SYSTEM_OFFLINE},
        {0, 2, 0, RES_RECHARGING},
        {0, 0, 0, RES_OUT_OF_ROUNDS},
        {0, 0, 1, RES_NO_TARGET},
    };
    for (const Case &c : cases) {
        thrusters->status = c.status;
        thrusters->recharge_left = c.recharge_left;
        thrusters->rounds = c.rounds;
        int32_t delta = 99;
        EXPECT_EQ(system_activate(thrusters, lancer, nullptr, 0, 0, &delta, nullptr), c.expected)
            << "status " << c.status << " recharge " << c.recharge_left << " rounds " << c.rounds;
        EXPECT_EQ(delta, 99) << "a refused use reports no cost";
        EXPECT_EQ(thrusters->rounds, c.rounds);
        EXPECT_EQ(thrusters->recharge_left, c.recharge_left);
    }
}

TEST_F(Activation, AUseSpendsARoundBeginsTheRechargeAndCostsItsAp) {
    thrusters->flags |= SYSTEM_FLAG_ROUNDS;
    thrusters->rounds = 2;
    const int32_t ap = lancer->ap;
    int32_t extra = 7;
    ASSERT_EQ(ship_use_system(lancer, LANCER_PORT, nullptr, 0, 0, &extra), RES_OK);
    EXPECT_EQ(extra, 0);
    EXPECT_EQ(thrusters->rounds, 1);
    EXPECT_EQ(thrusters->recharge_left, thrusters->recharge_turns);
    EXPECT_EQ(lancer->ap, ap - thrusters->ap_cost);
    EXPECT_EQ(ship_use_system(lancer, LANCER_PORT, nullptr, 0, 0, nullptr), RES_RECHARGING);
    EXPECT_EQ(lancer->ap, ap - thrusters->ap_cost);
}

TEST_F(Activation, TheShipRefusesABadMountAndShortApBeforeTheSystemIsAsked) {
    EXPECT_EQ(ship_use_system(lancer, -1, nullptr, 0, 0, nullptr), RES_BAD_MOUNT);
    EXPECT_EQ(ship_use_system(lancer, LANCER_STARBOARD, nullptr, 0, 0, nullptr), RES_BAD_MOUNT) << "empty mount";
    thrusters->status |= SYSTEM_STATUS_OFFLINE;
    lancer->ap = thrusters->ap_cost - 1;
    EXPECT_EQ(ship_use_system(lancer, LANCER_PORT, nullptr, 0, 0, nullptr), RES_NO_ACTION_POINTS)
        << "AP are checked before the system's own state";
    EXPECT_EQ(ship_check_weapon_target(lancer, LANCER_PORT, nullptr), RES_SYSTEM_OFFLINE)
        << "the weapon test asks the state first";
}

TEST_F(Activation, ARefusedSlotSpendsNothing) {
    // A jump onto another ship is refused by the drive itself.
    System *drive = fit(lancer, LANCER_STARBOARD, SYSTEM_TYPE_JUMP_DRIVE);
    ASSERT_NE(drive, nullptr);
    ready(lancer);
    Ship *other = on_map(HULL_LANCER, 1150, 1000, 0, BLUE);
    int32_t ox = 0, oy = 0;
    centre(other, &ox, &oy);
    const int32_t ap = lancer->ap;
    EXPECT_EQ(ship_use_system(lancer, LANCER_STARBOARD, nullptr, ox, oy, nullptr), RES_BLOCKED);
    EXPECT_EQ(drive->recharge_left, 0);
    EXPECT_EQ(lancer->ap, ap);
    EXPECT_EQ(lancer->x, 1000);
}

TEST_F(Activation, TargetChecksRefuseSelfNothingShotsRangeAndArcInThatOrder) {
    Ship *ahead = on_map(HULL_SKIFF, 1120, 1000, 0, BLUE);
    int32_t cx = 0, cy = 0;
    centre(lancer, &cx, &cy);
    EXPECT_EQ(system_check_target(beam, lancer, lancer, cx, cy), RES_INVALID_TARGET);
    EXPECT_EQ(system_check_target(beam, lancer, nullptr, cx + 10, cy), RES_NO_TARGET);
    EXPECT_EQ(system_check_target(beam, lancer, ahead, 0, 0), RES_OK);

    Ship *far = on_map(HULL_SKIFF, 1000 + beam->range + 200, 1000, 0, BLUE);
    EXPECT_EQ(system_check_target(beam, lancer, far, 0, 0), RES_TARGET_OUT_OF_RANGE);
    Ship *below = on_map(HULL_SKIFF, 1010, 1140, 0, BLUE);
    EXPECT_EQ(system_check_target(beam, lancer, below, 0, 0), RES_OUTSIDE_ARC);
    object_set_heading(lancer, 270);   // now it faces the ship below ...
    EXPECT_EQ(system_check_target(beam, lancer, below, 0, 0), RES_OK);
    EXPECT_EQ(system_check_target(beam, lancer, ahead, 0, 0), RES_OUTSIDE_ARC);   // ... and not the other

    // A shot is refused by a system that cannot aim at shots, inside range and arc alike.
    GameObject *shot = place(OBJECT_SHOT, 9001, ahead->x, ahead->y, 8, 8);
    beam->flags |= SYSTEM_FLAG_NO_SHOT_TARGETS;
    EXPECT_EQ(system_check_target(beam, lancer, shot, 0, 0), RES_INVALID_TARGET);
}

TEST_F(Activation, APointExactlyAtRangeAndExactlyAtTheArcEdgeIsAccepted) {
    beam->flags |= SYSTEM_FLAG_POINT_TARGET;
    int32_t x = 0, y = 0;
    point_at(0, beam->range, &x, &y);
    EXPECT_EQ(system_check_target(beam, lancer, nullptr, x, y), RES_OK);
    point_at(0, beam->range + 2, &x, &y);
    EXPECT_EQ(system_check_target(beam, lancer, nullptr, x, y), RES_TARGET_OUT_OF_RANGE);

    EXPECT_EQ(system_arc_test(beam, 0, beam->arc / 2), RES_OK);
    EXPECT_EQ(system_arc_test(beam, 0, 360 - beam->arc / 2), RES_OK);
    EXPECT_EQ(system_arc_test(beam, 0, beam->arc / 2 + 1), RES_OUTSIDE_ARC);
    EXPECT_EQ(system_arc_test(beam, 350, 350 + beam->arc / 2 - 360), RES_OK) << "across north";
    EXPECT_EQ(system_arc_test(thrusters, 0, 180), RES_OK) << "no arc: every angle";

    // The mount's facing turns with the ship: a port mount looks 90 degrees to the left.
    beam->facing = 90;
    point_at(90, 100, &x, &y);
    EXPECT_EQ(system_check_target(beam, lancer, nullptr, x, y), RES_OK);
    point_at(0, 100, &x, &y);
    EXPECT_EQ(system_check_target(beam, lancer, nullptr, x, y), RES_OUTSIDE_ARC);
}

TEST_F(Activation, AnUncheckedSystemTakesItsOwnShipNothingAndAnyRange) {
    ASSERT_TRUE(thrusters->flags & SYSTEM_FLAG_NO_CHECKS);
    EXPECT_EQ(system_check_target(thrusters, lancer, lancer, 0, 0), RES_OK);
    EXPECT_EQ(system_check_target(thrusters, lancer, nullptr, 100000, 100000), RES_OK);
}

TEST_F(Activation, HitRollsAndDrawsComeFromTheFourthGeneratorWhenResolvingAtOnce) {
    for (int i = 0; i < 200; ++i) {
        EXPECT_TRUE(system_hit_roll(100));
        EXPECT_FALSE(system_hit_roll(0));
    }
    game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;
    rng_seed(game->generators[GAME_GENERATOR_RESOLVE], 77);
    std::vector<int32_t> first;
    for (int i = 0; i < 20; ++i) first.push_back(system_random_between(-3, 3));
    rng_seed(game->generators[GAME_GENERATOR_RESOLVE], 77);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(system_random_between(-3, 3), first[size_t(i)]) << i;
    EXPECT_EQ(system_random_between(5, 5), 5);
    EXPECT_EQ(system_random_between(5, 4), 5) << "an empty span gives its low end";
    for (int32_t v : first) {
        EXPECT_GE(v, -3);
        EXPECT_LE(v, 3);
    }
    game->flags &= ~GAME_FLAG_RESOLVE_AT_ONCE;
}

TEST_F(Activation, ResolvingDrawsMatchTheSavedGeneratorsOwnRangesWordForWord) {
    // A twin seeded alike must stay in step: every span takes exactly one word (none for a single
    // value) and lands where the generator's own range draw does, the full i32 span included.
    const struct { int32_t lo, hi; } spans[] = {
        {-3, 3}, {0, 1}, {7, 7}, {0, INT32_MAX}, {INT32_MIN, -1}, {INT32_MIN, INT32_MAX},
        {-1, INT32_MAX}, {INT32_MIN, 0}, {-1000000, 2000000000}, {9, 8},
    };
    game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;
    Rng *resolve = game->generators[GAME_GENERATOR_RESOLVE];
    std::unique_ptr<Rng, void (*)(Rng *)> twin(rng_create(), rng_free);
    ASSERT_NE(twin, nullptr);
    rng_seed(resolve, 4242);
    rng_seed(twin.get(), 4242);
    std::set<int32_t> full_span;
    for (int round = 0; round < 70; ++round)   // past a block rebuild
        for (const auto &span : spans) {
            const int32_t got = system_random_between(span.lo, span.hi);
            EXPECT_EQ(got, rng_range(twin.get(), span.lo, span.hi)) << span.lo << ".." << span.hi << " round " << round;
            if (span.lo == INT32_MIN && span.hi == INT32_MAX) full_span.insert(got);
        }
    EXPECT_GT(full_span.size(), 60u) << "the full span must not collapse to its low end";
    EXPECT_EQ(resolve->index, twin->index);
    EXPECT_EQ(system_random(), rng_next(twin.get()));
    game->flags &= ~GAME_FLAG_RESOLVE_AT_ONCE;
}

TEST_F(Activation, TheActionStateNamesTheFirstReasonASystemCannotBeUsed) {
    std::string label;
    int32_t icon = 0, cost = 0, enabled = 0;
    Result state = RES_OK;
    ASSERT_EQ(system_action_state(thrusters, 0, &label, &icon, &cost, &enabled, &state), RES_OK);
    EXPECT_EQ(std::tie(label, icon, cost, enabled, state), std::make_tuple(std::string("Activate"), 202, thrusters->ap_cost, 1, RES_OK));
    EXPECT_EQ(system_action_state(thrusters, 1, &label, &icon, &cost, &enabled, &state), RES_NO_ACTION);

    thrusters->flags |= SYSTEM_FLAG_ROUNDS;
    thrusters->rounds = 0;
    thrusters->recharge_left = 1;
    lancer->ap = thrusters->ap_cost - 1;
    thrusters->status |= SYSTEM_STATUS_OFFLINE;
    const Result order[] = {RES_SYSTEM_OFFLINE, RES_NO_ACTION_POINTS, RES_OUT_OF_ROUNDS, RES_RECHARGING, RES_OK};
    for (Result expected : order) {
        ASSERT_EQ(system_action_state(thrusters, 0, &label, &icon, &cost, &enabled, &state), RES_OK);
        EXPECT_EQ(state, expected);
        EXPECT_EQ(enabled, expected == RES_OK ? 1 : 0);
        // Mend the reason just reported; the next one shows.
        if (expected == RES_SYSTEM_OFFLINE) thrusters->status &= ~SYSTEM_STATUS_OFFLINE;
        if (expected == RES_NO_ACTION_POINTS) lancer->ap = thrusters->ap_cost;
        if (expected == RES_OUT_OF_ROUNDS) thrusters->rounds = 1;
        if (expected == RES_RECHARGING) thrusters->recharge_left = 0;
    }
    System *engine = ship_get_crit_system(lancer, LANCER_ENGINE);
    EXPECT_EQ(system_action_state(engine, 0, &label, &icon, &cost, &enabled, &state), RES_NO_ACTION);
}

}  // namespace
