// What the direct weapons' candidates keep while a ship plans: the start every candidate shares and
// the answers asked from each spot (the target's arc heading, the use) are kept under the plan and
// must answer as if worked out afresh whatever changes between candidates. Each state below changes
// one thing the kept answers read; within one plan every candidate must be the one made outside any
// plan from the same draws.
#include "world/combat_test_util.h"

#include <memory>
#include <vector>

#include "ai/system_ai.h"
#include "game/game.h"
#include "platform/random.h"

using namespace shiptest;

namespace {

struct State {
    const char *what;
    int32_t     user_x, user_y, user_heading;
    int32_t     ap_less, mp;   // AP below a full turn's (negative: above); MP (-1: a full turn's)
    bool        immobile;
    int32_t     enemy_x, enemy_y;
    bool        other_target;
};

// Index 757 uses the beam from where the ship stands; 257..318 turn only; 0..128 close in with every
// MP; the rest move 1..MP.
constexpr int32_t INDICES[] = {0, 57, 128, 129, 200, 257, 290, 318, 319, 500, 756, 757};

class PlanMemo : public CombatMapTest {
protected:
    Game *game = nullptr;
    Ship *user = nullptr, *enemy = nullptr, *second = nullptr;
    System *beam = nullptr;
    int32_t full_ap = 0, full_mp = 0;
    void SetUp() override {
        CombatMapTest::SetUp();
        game = game_get();
        ASSERT_NE(game, nullptr);
        user = on_map(HULL_LANCER, 1200, 1200, 0, RED);
        fit(user, LANCER_ENGINE, SYSTEM_TYPE_ENGINE, 1);
        beam = fit(user, LANCER_FORE, SYSTEM_TYPE_BEAM, 0);
        ASSERT_NE(beam, nullptr);
        enemy = on_map(HULL_CORSAIR, 1500, 1500, 90, BLUE);
        second = on_map(HULL_SKIFF, 900, 1000, 0, BLUE);
        ready(user);
        full_ap = user->ap;
        full_mp = user->mp;
        game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;
    }
    void TearDown() override {
        while (system_plan_epoch() != 0) system_plan_end();
        game->flags &= ~GAME_FLAG_RESOLVE_AT_ONCE;
        CombatMapTest::TearDown();
    }
    GameObject *apply(const State &s) {
        object_set_position(user, s.user_x, s.user_y);
        user->heading = s.user_heading;
        user->ap = full_ap - s.ap_less;
        user->mp = s.mp < 0 ? full_mp : s.mp;
        if (s.immobile) user->hull_flags |= HULL_FLAG_IMMOBILE;
        else user->hull_flags &= ~HULL_FLAG_IMMOBILE;
        object_set_position(enemy, s.enemy_x, s.enemy_y);
        return s.other_target ? second : enemy;
    }
    // The candidate's plan from the draws of one seed.
    ShipPlan run(GameObject *target, int32_t index) {
        rng_seed(game->generators[GAME_GENERATOR_RESOLVE], 1000u + uint32_t(index));
        EXPECT_EQ(system_ai_direct_run(beam, nullptr, user, target, index), RES_OK);
        return user->option;
    }
};

void expect_same_plan(const ShipPlan &got, const ShipPlan &want, const std::string &where) {
    ASSERT_EQ(got.step_count, want.step_count) << where;
    for (int32_t i = 0; i < got.step_count; ++i) {
        const ShipPlanStep &a = got.steps[i], &b = want.steps[i];
        EXPECT_EQ(a.code, b.code) << where << " step " << i;
        EXPECT_EQ(a.x, b.x) << where << " step " << i;
        EXPECT_EQ(a.y, b.y) << where << " step " << i;
        EXPECT_EQ(a.heading, b.heading) << where << " step " << i;
        EXPECT_EQ(a.target, b.target) << where << " step " << i;
        EXPECT_EQ(a.target_x, b.target_x) << where << " step " << i;
        EXPECT_EQ(a.target_y, b.target_y) << where << " step " << i;
        EXPECT_EQ(a.hit_chance, b.hit_chance) << where << " step " << i;
        EXPECT_EQ(a.damage, b.damage) << where << " step " << i;
    }
}

TEST_F(PlanMemo, WithinAPlanEveryCandidateIsTheOneMadeAfreshWhateverChangedBetween) {
    // Near: the beam reaches from where the user stands; far: it has to close in first.
    const State states[] = {
        {"as set up", 1200, 1200, 0, 0, -1, false, 1500, 1500, false},
        {"target moved near", 1200, 1200, 0, 0, -1, false, 1330, 1180, false},
        {"turned away from it", 1200, 1200, 180, 0, -1, false, 1330, 1180, false},
        {"target moved far", 1200, 1200, 0, 0, -1, false, 2300, 1900, false},
        {"target beside", 1200, 1200, 0, 0, -1, false, 1200, 1330, false},
        {"target behind", 1200, 1200, 0, 0, -1, false, 1060, 1190, false},
        {"AP to turn and use", 1200, 1200, 0, -10, -1, false, 1060, 1190, false},
        {"user moved", 1050, 1320, 0, 0, -1, false, 1200, 1330, false},
        {"user turned", 1050, 1320, 135, 0, -1, false, 1200, 1330, false},
        {"user turned again", 1050, 1320, 270, 0, -1, false, 1200, 1330, false},
        {"one MP", 1050, 1320, 270, 0, 1, false, 1200, 1330, false},
        {"one MP, immobile", 1050, 1320, 270, 0, 1, true, 1200, 1330, false},
        {"fewer AP", 1050, 1320, 270, 1, -1, false, 1200, 1330, false},
        {"too few AP to turn and use", 1050, 1320, 270, 1000, -1, false, 1200, 1330, false},
        {"another target", 1050, 1320, 270, 0, -1, false, 1200, 1330, true},
        {"as set up again", 1200, 1200, 0, 0, -1, false, 1500, 1500, false},
    };
    ASSERT_EQ(system_plan_epoch(), 0u);
    std::vector<ShipPlan> fresh;
    int32_t uses = 0, moves = 0, turns_to_use = 0;
    for (const State &s : states) {
        GameObject *target = apply(s);
        for (int32_t index : INDICES) {
            fresh.push_back(run(target, index));
            const ShipPlan &p = fresh.back();
            for (int32_t i = 0; i < p.step_count; ++i) {
                uses += p.steps[i].code == LANCER_FORE;
                moves += p.steps[i].code == PLAN_MOVE;
                turns_to_use += i > 0 && p.steps[i].code == LANCER_FORE && p.steps[i - 1].code == PLAN_TURN;
            }
        }
    }
    ASSERT_GT(uses, 20) << "the states must give uses to compare";
    ASSERT_GT(moves, 20);
    ASSERT_GE(turns_to_use, 3) << "and uses that a turn brought into the arc, asked from the turned spot";

    system_plan_begin();
    ASSERT_NE(system_plan_epoch(), 0u);
    for (int pass = 0; pass < 2; ++pass) {   // the second pass finds every answer kept
        size_t k = 0;
        for (const State &s : states) {
            GameObject *target = apply(s);
            for (int32_t index : INDICES)
                expect_same_plan(run(target, index), fresh[k++],
                                 std::string(s.what) + ", index " + std::to_string(index) + ", pass " +
                                     std::to_string(pass));
        }
    }
    system_plan_end();
    EXPECT_EQ(system_plan_epoch(), 0u);
}

TEST_F(PlanMemo, APlansEndDropsWhatItKept) {
    // The same user and target in the same places, in two plans: the second must not take the first
    // plan's answers once the beam's record changed between them (as a refit or repair would).
    int32_t ux = 0, uy = 0;
    centre(user, &ux, &uy);
    bool reached = false;
    for (int32_t d = 40; d <= 400 && !reached; d += 40) {   // straight ahead, nearer than the range
        object_set_position(enemy, ux + d, uy - enemy->h / 2);
        reached = run(enemy, 757).step_count == 1;
    }
    ASSERT_TRUE(reached) << "no spot ahead within the beam's reach";
    system_plan_begin();
    const uint64_t first = system_plan_epoch();
    const ShipPlan before = run(enemy, 757);
    system_plan_end();
    const int32_t range = beam->range;
    beam->range = 1;
    const ShipPlan fresh_short = run(enemy, 757);
    system_plan_begin();
    EXPECT_NE(system_plan_epoch(), first) << "every plan has a number of its own";
    expect_same_plan(run(enemy, 757), fresh_short, "a beam of range 1 after a new plan began");
    system_plan_end();
    beam->range = range;
    EXPECT_GT(before.step_count, fresh_short.step_count) << "the full range reaches, a range of 1 does not";
}

}  // namespace
