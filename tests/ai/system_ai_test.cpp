// The combat AI's candidates: the count of every type, and for the types whose candidates are
// built here, that every index makes a legal plan (steps within eight, each turn, move and use
// possible from where the step before left the ship) and an index past the range is refused.
#include "world/combat_test_util.h"

#include <algorithm>
#include <set>
#include <vector>
#include "ai/system_ai.h"

using namespace shiptest;

namespace {

class Candidates : public CombatMapTest {
protected:
    Ship *user = nullptr, *friend_ship = nullptr, *enemy = nullptr;
    void SetUp() override {
        CombatMapTest::SetUp();
        user = on_map(HULL_LANCER, 1200, 1200, 0, RED);
        fit(user, LANCER_ENGINE, SYSTEM_TYPE_ENGINE, 1);
        friend_ship = on_map(HULL_SKIFF, 1700, 1250, 0, RED);
        enemy = on_map(HULL_CORSAIR, 1500, 1500, 90, BLUE);
        ready(user);
    }
    // Walks a plan and checks each step against the rules it was built under.
    void expect_legal(const ShipPlan &plan, const System *system, int32_t index) {
        ASSERT_GE(plan.step_count, 0);
        ASSERT_LE(plan.step_count, SHIP_PLAN_STEPS) << index;
        int32_t x = user->x, y = user->y, heading = user->heading, ap = user->ap, mp = user->mp;
        bool used = false;
        for (int32_t i = 0; i < plan.step_count; ++i) {
            const ShipPlanStep &step = plan.steps[i];
            EXPECT_FALSE(used) << index << ": nothing follows the use";
            if (step.code == PLAN_TURN) {
                EXPECT_NE(step.heading, heading) << index;
                ap -= user->turn_cost;
            } else if (step.code == PLAN_MOVE) {
                int32_t off = angle_diff(heading, angle_of_vector(step.x - x, step.y - y));
                if (off < 0) off = -off;
                EXPECT_LE(off, user->move_arc / 2 + 1) << index << ": moves ahead";
                mp -= std::max((distance(step.x - x, step.y - y) + 9) / 10, 1);
                EXPECT_GE(mp, 0) << index;
            } else {
                EXPECT_EQ(step.code, system->mount_index) << index;
                ap -= system->ap_cost;
                used = true;
            }
            EXPECT_GE(ap, 0) << index << " step " << i;
            x = step.x;
            y = step.y;
            heading = step.heading;
        }
    }
};

TEST_F(Candidates, ATypeOffersCandidatesOnlyWithARowAndOnlyWhileUsable) {
    std::set<int32_t> with_rows;
    for (int32_t type = 0; type < SYSTEM_TYPE_COUNT; ++type) {
        const SystemAiRow *row = system_ai_row(type);
        EXPECT_EQ(system_ai_candidate_total(type) > 0, row != nullptr) << type;
        if (!row) continue;
        EXPECT_EQ(row->type, type) << "a row is found under its own type";
        EXPECT_NE(row->run, nullptr) << type;
        with_rows.insert(type);
    }
    EXPECT_EQ(with_rows, (std::set<int32_t>{SYSTEM_TYPE_BEAM, SYSTEM_TYPE_VOLLEY_GUN, SYSTEM_TYPE_HEAVY_BEAM,
                                            SYSTEM_TYPE_MISSILE, SYSTEM_TYPE_DRONE_LAUNCHER, SYSTEM_TYPE_JUMP_DRIVE,
                                            SYSTEM_TYPE_MASS_DRIVER, SYSTEM_TYPE_ROCKET_POD, SYSTEM_TYPE_SELF_DESTRUCT,
                                            SYSTEM_TYPE_FLEET_DAMAGE_BOOST, SYSTEM_TYPE_FLEET_EVASION_BOOST}));
    EXPECT_EQ(system_ai_row(-1), nullptr);
    EXPECT_EQ(system_ai_row(SYSTEM_TYPE_COUNT), nullptr);
    EXPECT_EQ(system_ai_candidate_total(SYSTEM_TYPE_COUNT), 0);
    System *drive = fit(user, LANCER_FORE, SYSTEM_TYPE_JUMP_DRIVE);
    System *relay = fit(user, LANCER_PORT, SYSTEM_TYPE_FLEET_DAMAGE_BOOST);
    EXPECT_EQ(system_ai_candidate_count(drive, nullptr, user, 0), 256);
    EXPECT_EQ(system_ai_candidate_count(relay, nullptr, user, 0), 1322);
    drive->recharge_left = 1;
    EXPECT_EQ(system_ai_candidate_count(drive, nullptr, user, 0), 0) << "a recharging system offers none";
    System *shield = fit(user, LANCER_STARBOARD, SYSTEM_TYPE_SHIELD, 0);
    EXPECT_EQ(system_ai_candidate_count(shield, nullptr, user, 0), 0);
    EXPECT_EQ(system_ai_run_candidate(shield, nullptr, user, enemy, 0), RES_NO_CANDIDATE);
}

TEST_F(Candidates, EachTypeIsBuiltByItsFamily) {
    const std::pair<int32_t, SystemAiRunFn *> families[] = {
        {SYSTEM_TYPE_BEAM, system_ai_direct_run},           {SYSTEM_TYPE_HEAVY_BEAM, system_ai_direct_run},
        {SYSTEM_TYPE_MASS_DRIVER, system_ai_direct_run},    {SYSTEM_TYPE_VOLLEY_GUN, system_ai_volley_run},
        {SYSTEM_TYPE_MISSILE, system_ai_missile_run},       {SYSTEM_TYPE_ROCKET_POD, system_ai_missile_run},
        {SYSTEM_TYPE_DRONE_LAUNCHER, system_ai_drone_run},  {SYSTEM_TYPE_SELF_DESTRUCT, system_ai_detonate_run},
        {SYSTEM_TYPE_JUMP_DRIVE, system_ai_jump_run},       {SYSTEM_TYPE_FLEET_DAMAGE_BOOST, system_ai_fleet_boost_run},
        {SYSTEM_TYPE_FLEET_EVASION_BOOST, system_ai_fleet_boost_run},
    };
    for (const auto &[type, run] : families) {
        const SystemAiRow *row = system_ai_row(type);
        ASSERT_NE(row, nullptr) << type;
        EXPECT_EQ(row->run, run) << type;
    }
}

TEST_F(Candidates, TheDispatchAsksTheRowOfTheSystemsType) {
    const int32_t subtype = system_subtype_count(SYSTEM_TYPE_VOLLEY_GUN) > 0 ? 0 : -1;
    System *gun = fit(user, LANCER_FORE, SYSTEM_TYPE_VOLLEY_GUN, subtype);
    ASSERT_NE(gun, nullptr);
    ready(user);
    for (int32_t heading : {0, 90, 270})
        EXPECT_EQ(system_ai_candidate_count(gun, nullptr, user, heading), 30) << "the count is fixed: " << heading;
    EXPECT_EQ(system_ai_run_candidate(gun, nullptr, user, enemy, 29), RES_OK);
    EXPECT_EQ(system_ai_run_candidate(gun, nullptr, user, enemy, 30), RES_OUT_OF_RANGE);

    gun->type = 31;   // a type outside the table reaches no row
    EXPECT_EQ(system_ai_candidate_count(gun, nullptr, user, 0), 0);
    EXPECT_EQ(system_ai_run_candidate(gun, nullptr, user, enemy, 0), RES_NO_CANDIDATE);
    gun->type = SYSTEM_TYPE_VOLLEY_GUN;
    EXPECT_EQ(system_ai_candidate_count(nullptr, nullptr, user, 0), 0);
    EXPECT_EQ(system_ai_run_candidate(nullptr, nullptr, user, enemy, 0), RES_NO_CANDIDATE);
}

TEST_F(Candidates, EveryJumpCandidateLandsOnAFreeSpotWithinRange) {
    System *drive = fit(user, LANCER_FORE, SYSTEM_TYPE_JUMP_DRIVE);
    ready(user);
    int32_t cx = 0, cy = 0;
    centre(user, &cx, &cy);
    int32_t made = 0;
    std::set<std::pair<int32_t, int32_t>> spots;
    for (int32_t i = 0; i < 256; ++i) {
        ASSERT_EQ(system_ai_run_candidate(drive, nullptr, user, enemy, i), RES_OK);
        const ShipPlan &plan = user->option;
        if (plan.step_count == 0) continue;
        ASSERT_EQ(plan.step_count, 1);
        const ShipPlanStep &step = plan.steps[0];
        EXPECT_EQ(step.code, LANCER_FORE);
        EXPECT_LE(distance(step.target_x - cx, step.target_y - cy), drive->range);
        EXPECT_EQ(step.target_x, step.x + user->w / 2);
        spots.insert({step.x, step.y});
        ++made;
    }
    EXPECT_GT(made, 240) << "an open map has room nearly every time";
    EXPECT_GT(spots.size(), size_t(200)) << "the spots are drawn, not repeated";
    EXPECT_EQ(system_ai_run_candidate(drive, nullptr, user, enemy, 256), RES_OUT_OF_RANGE);
    EXPECT_EQ(system_ai_run_candidate(drive, nullptr, user, enemy, -1), RES_OUT_OF_RANGE);

    // And each of them is a jump the drive accepts.
    const ShipPlanStep step = user->option.steps[0];
    const int32_t ap = user->ap;
    ASSERT_EQ(ship_use_system(user, LANCER_FORE, nullptr, step.target_x, step.target_y, nullptr), RES_OK);
    EXPECT_EQ(user->ap, ap - drive->ap_cost);
}

TEST_F(Candidates, EveryFleetBoostIndexIsALegalPlanEndingWithTheUse) {
    System *relay = fit(user, LANCER_FORE, SYSTEM_TYPE_FLEET_EVASION_BOOST);
    ready(user);
    user->ap = user->turn_cost + relay->ap_cost;   // room for one turn and the use
    int32_t with_use = 0, with_move = 0;
    for (int32_t i = 0; i < 1322; ++i) {
        ASSERT_EQ(system_ai_run_candidate(relay, nullptr, user, enemy, i), RES_OK);
        const ShipPlan &plan = user->option;
        expect_legal(plan, relay, i);
        if (plan.step_count > 0 && plan.steps[plan.step_count - 1].code == LANCER_FORE) ++with_use;
        for (int32_t s = 0; s < plan.step_count; ++s) with_move += plan.steps[s].code == PLAN_MOVE;
    }
    EXPECT_GT(with_use, 1000) << "with the AP for it, nearly every candidate ends with the use";
    EXPECT_GT(with_move, 500);
    ASSERT_EQ(system_ai_run_candidate(relay, nullptr, user, enemy, 1321), RES_OK);
    EXPECT_EQ(user->option.step_count, 1) << "the last candidate uses the relay where the ship stands";
    EXPECT_EQ(system_ai_run_candidate(relay, nullptr, user, enemy, 1322), RES_OUT_OF_RANGE);

    user->ap = relay->ap_cost - 1;
    ASSERT_EQ(system_ai_run_candidate(relay, nullptr, user, enemy, 1321), RES_OK);
    EXPECT_EQ(user->option.step_count, 0) << "without the AP the candidate offers nothing";
}

TEST_F(Candidates, TheWeaponFamiliesBuildLegalPlansAgainstTheTarget) {
    // The families of the weapon types' rows, run here on store systems.
    struct Family {
        int32_t type;
        SystemAiRunFn *run;
    } families[] = {
        {SYSTEM_TYPE_BEAM, system_ai_direct_run},        {SYSTEM_TYPE_VOLLEY_GUN, system_ai_volley_run},
        {SYSTEM_TYPE_MISSILE, system_ai_missile_run},    {SYSTEM_TYPE_DRONE_LAUNCHER, system_ai_drone_run},
        {SYSTEM_TYPE_SELF_DESTRUCT, system_ai_detonate_run},
    };
    for (const Family &f : families) {
        SCOPED_TRACE(f.type);
        System *weapon = fit(user, LANCER_FORE, f.type, system_subtype_count(f.type) > 0 ? 0 : -1);
        ASSERT_NE(weapon, nullptr);
        ready(user);
        const int32_t n = system_ai_candidate_total(f.type);
        for (int32_t i = 0; i < n; ++i) {
            ASSERT_EQ(f.run(weapon, nullptr, user, enemy, i), RES_OK) << i;
            expect_legal(user->option, weapon, i);
        }
        EXPECT_EQ(f.run(weapon, nullptr, user, enemy, n), RES_OUT_OF_RANGE);
        ASSERT_EQ(ship_set_crit_system(user, LANCER_FORE, nullptr), RES_OK);
    }
}

TEST_F(Candidates, AUseFromWhereTheShipStandsFollowsTheTargetAsItMoves) {
    // The same question asked again (same user spot, same range) after the target moved must be
    // answered for where the target is now, whichever answer came first.
    System *beam = fit(user, LANCER_FORE, SYSTEM_TYPE_BEAM, 0);
    ASSERT_NE(beam, nullptr);
    ASSERT_FALSE(beam->flags & SYSTEM_FLAG_UNLIMITED_RANGE) << "the range must be asked";
    ready(user);
    const int32_t stand = system_ai_candidate_total(SYSTEM_TYPE_BEAM) - 1;
    auto uses_at = [&](int32_t x, int32_t y) {
        object_set_position(enemy, x, y);
        EXPECT_EQ(system_ai_direct_run(beam, nullptr, user, enemy, stand), RES_OK);
        return user->option.step_count;
    };
    const int32_t ux = user->x + user->w / 2, uy = user->y + user->h / 2;
    int32_t near_x = 0, near_y = 0, far_x = 0, far_y = 0;
    bool found = false;
    for (int32_t angle = 0; angle < 360 && !found; angle += 10) {
        int32_t dx = 0, dy = 0;
        rotate_point(angle, beam->range / 2, &dx, &dy);
        near_x = ux + dx - enemy->w / 2;
        near_y = uy + dy - enemy->h / 2;
        rotate_point(angle, beam->range * 3, &dx, &dy);
        far_x = ux + dx - enemy->w / 2;
        far_y = uy + dy - enemy->h / 2;
        EXPECT_EQ(uses_at(far_x, far_y), 0) << angle;
        found = uses_at(near_x, near_y) == 1;
    }
    ASSERT_TRUE(found) << "no bearing within the beam's arc answered for the near spot";
    // All round at the near distance: the arc lets the beam fire at some bearings and not at
    // others, each answered for the target's own bearing, the same going either way round.
    ASSERT_TRUE(beam->flags & SYSTEM_FLAG_ARC);
    {
        std::vector<int32_t> forward, backward;
        for (int32_t angle = 0; angle < 360; angle += 15) {
            int32_t dx = 0, dy = 0;
            rotate_point(angle, beam->range / 2, &dx, &dy);
            forward.push_back(uses_at(ux + dx - enemy->w / 2, uy + dy - enemy->h / 2));
        }
        for (int32_t angle = 345; angle >= 0; angle -= 15) {
            int32_t dx = 0, dy = 0;
            rotate_point(angle, beam->range / 2, &dx, &dy);
            backward.insert(backward.begin(), uses_at(ux + dx - enemy->w / 2, uy + dy - enemy->h / 2));
        }
        EXPECT_EQ(forward, backward);
        EXPECT_NE(std::count(forward.begin(), forward.end(), 1), 0);
        EXPECT_NE(std::count(forward.begin(), forward.end(), 0), 0) << "the arc turns some bearings away";
    }
    // Far first, so a stale answer would refuse the near spot; then near first, so it would accept
    // the far one.
    const struct {
        bool near;
        int32_t steps;
    } moves[] = {{false, 0}, {true, 1}, {false, 0}, {true, 1}, {true, 1}, {false, 0}, {false, 0}};
    for (size_t i = 0; i < std::size(moves); ++i)
        EXPECT_EQ(uses_at(moves[i].near ? near_x : far_x, moves[i].near ? near_y : far_y), moves[i].steps) << i;
}

TEST_F(Candidates, ACursorsBearingFollowsItsMovesTurnsAndTheFrameOfEachHeading) {
    // One cursor asked again after each step must answer as a cursor started at that spot does. The
    // store's hulls show frames of one size; two headings get frames of their own here, so that a
    // centre kept across a turn would show in the bearing.
    ASSERT_TRUE(user->frame_w && user->frame_h);
    const int32_t upright = ship_frame_for_heading(user, 0);
    const int32_t wide = ship_frame_for_heading(user, 90), tall = ship_frame_for_heading(user, 200);
    ASSERT_NE(wide, upright);
    ASSERT_NE(tall, upright);
    ASSERT_NE(wide, tall);
    user->frame_w[wide] += 60;
    user->frame_h[tall] += 60;
    const int32_t px = enemy->x + enemy->w / 2, py = enemy->y + enemy->h / 2;
    PlanCursor at;
    system_ai_begin(user, &at);
    const struct {
        int32_t dx, dy, heading;
    } steps[] = {{0, 0, 0},   {0, 0, 0},  {40, 0, 0},     {0, -35, 0}, {0, 0, 90},  {3, 0, 90}, {0, 0, 45},
                 {3, 0, 0},   {0, 0, 200}, {-60, 25, 200}, {3, 0, 90},  {0, 0, 0},   {3, 0, 200}};
    std::set<int32_t> bearings;
    for (size_t i = 0; i < std::size(steps); ++i) {
        at.x += steps[i].dx;
        at.y += steps[i].dy;
        at.heading = steps[i].heading;
        PlanCursor fresh;
        system_ai_begin(user, &fresh);
        fresh.x = at.x;
        fresh.y = at.y;
        fresh.heading = at.heading;
        const int32_t bearing = system_ai_bearing(&at, px, py);
        EXPECT_EQ(bearing, system_ai_bearing(&fresh, px, py)) << i;
        bearings.insert(bearing);
    }
    EXPECT_GE(bearings.size(), 3u) << "the steps move the cursor across the line to the point";
    at.x = user->x;
    at.y = user->y;
    at.heading = 0;
    const int32_t ahead = system_ai_bearing(&at, px, py);
    at.heading = 90;
    EXPECT_NE(system_ai_bearing(&at, px, py), ahead) << "the wide frame moves the centre off the line";
    user->frame_w[wide] -= 60;
    user->frame_h[tall] -= 60;
}

}  // namespace
