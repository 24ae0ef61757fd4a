// The candidates that bring a ship to its target or to a friend (self-destruct, fleet boosts) turn it
// first when the target lies outside its move arc. Only the "cannot turn" bit of the hull stops
// that; a hull carrying other bits, however high, turns like any other.
#include "world/combat_test_util.h"

#include <cstdlib>
#include "ai/system_ai.h"

using namespace shiptest;

namespace {

class CandidateTurns : public CombatMapTest {
protected:
    Ship *user = nullptr;
    void SetUp() override {
        CombatMapTest::SetUp();
        // The user faces right (heading 0); the other ship lies straight behind it, out of reach.
        user = on_map(HULL_LANCER, 1200, 1200, 0, RED);
        fit(user, LANCER_ENGINE, SYSTEM_TYPE_ENGINE, 1);
    }
    // The user with these hull bits, its statistics and points as an encounter gives them.
    void with_hull(uint32_t bits) {
        user->hull_flags = bits;
        ship_recompute_stats(user);
        ready(user);
    }
    // The first step of the plan the candidate leaves in the user's option record.
    const ShipPlanStep *first_step() const { return user->option.step_count > 0 ? &user->option.steps[0] : nullptr; }
};

struct HullCase {
    const char *what;
    uint32_t    bits;
    bool        turns;
};

const HullCase HULLS[] = {
    {"plain rotating hull", HULL_FLAG_ROTATING, true},
    {"turn cost fixed at 1", HULL_FLAG_ROTATING | HULL_FLAG_CHEAP_TURN, true},
    {"only the turn-cost bit", HULL_FLAG_CHEAP_TURN, true},
    {"a machine hull's bits", HULL_FLAG_ROTATING | HULL_FLAG_NO_JUMP | HULL_FLAG_NO_PILOT | HULL_FLAG_TEMPLATE_NAME |
                                  HULL_FLAG_QUICK_UNPILOTED, true},
    {"hits never reach the systems", HULL_FLAG_ROTATING | HULL_FLAG_NO_SYSTEM_DAMAGE, true},
    {"cannot turn", HULL_FLAG_ROTATING | HULL_FLAG_NO_TURN, false},
    {"cannot turn, cheap turn too", HULL_FLAG_ROTATING | HULL_FLAG_NO_TURN | HULL_FLAG_CHEAP_TURN, false},
};

// The first step is a turn towards `bearing` (within the draw's spread) exactly when the hull turns.
void expect_turn(const ShipPlanStep *step, const HullCase &hull, int32_t bearing) {
    if (!hull.turns) {
        EXPECT_TRUE(!step || step->code != PLAN_TURN) << hull.what << ": a hull that cannot turn never plans one";
        return;
    }
    ASSERT_NE(step, nullptr) << hull.what;
    ASSERT_EQ(step->code, PLAN_TURN) << hull.what << ": the ship turns before it closes in";
    EXPECT_LE(std::abs(angle_diff(step->heading, bearing)), 10) << hull.what;
}

TEST_F(CandidateTurns, ASelfDestructCarrierTurnsTowardsATargetBehindItUnlessItsHullCannotTurn) {
    Ship *enemy = on_map(HULL_CORSAIR, 700, 1200, 0, BLUE);
    System *charge = fit(user, LANCER_FORE, SYSTEM_TYPE_SELF_DESTRUCT,
                         system_subtype_count(SYSTEM_TYPE_SELF_DESTRUCT) > 0 ? 0 : -1);
    ASSERT_NE(charge, nullptr);
    int32_t ux = 0, uy = 0, ex = 0, ey = 0;
    for (const HullCase &hull : HULLS) {
        with_hull(hull.bits);
        ASSERT_GE(user->ap, user->turn_cost) << hull.what;
        centre(user, &ux, &uy);
        centre(enemy, &ex, &ey);
        // 0..32 close in with every MP, 33..64 with some: both turn first.
        for (int32_t index : {0, 40}) {
            ASSERT_EQ(system_ai_detonate_run(charge, nullptr, user, enemy, index), RES_OK);
            expect_turn(first_step(), hull, angle_of_vector(ex - ux, ey - uy));
        }
    }
}

TEST_F(CandidateTurns, AFleetBoostTurnsTowardsAFriendBehindItUnlessItsHullCannotTurn) {
    Ship *friendly = on_map(HULL_SKIFF, 300, 1200, 0, RED);
    System *relay = fit(user, LANCER_FORE, SYSTEM_TYPE_FLEET_DAMAGE_BOOST);
    ASSERT_NE(relay, nullptr);
    int32_t ux = 0, uy = 0, fx = 0, fy = 0;
    for (const HullCase &hull : HULLS) {
        with_hull(hull.bits);
        centre(user, &ux, &uy);
        centre(friendly, &fx, &fy);
        ASSERT_GT(distance(fx - ux, fy - uy), relay->range) << "the friend lies beyond the relay's reach";
        // 0..256 every MP, 257..512 some, 513..758 whatever the distance: each turns first.
        for (int32_t index : {0, 300, 600}) {
            ASSERT_EQ(system_ai_fleet_boost_run(relay, nullptr, user, nullptr, index), RES_OK);
            expect_turn(first_step(), hull, angle_of_vector(fx - ux, fy - uy));
        }
    }
}

}  // namespace
