// The Game and its officers against bad saved numbers: generators seeded when the Game is made,
// training that ends whatever the generator gives, tallies and experience near the i32 limits,
// and the cursors the Game frees.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <set>
#include "game/game.h"
#include "game/officer.h"
#include "platform/random.h"
#include "platform/sprite.h"
#include "ui/cursor.h"

namespace {

TEST(GameGenerators, EveryGeneratorIsSeededWhenTheGameIsMade) {
    random_seed(77);
    Game *game = game_create();
    ASSERT_NE(game, nullptr);
    std::set<uint32_t> firsts;
    for (Rng *rng : game->generators) {
        ASSERT_NE(rng, nullptr);
        uint32_t draw = 0;
        for (int i = 0; i < 4 && draw == 0; ++i) draw = rng_next(rng);
        EXPECT_NE(draw, 0u) << "a generator of a new Game draws nothing but zero";
        firsts.insert(draw);
    }
    EXPECT_EQ(firsts.size(), size_t(GAME_GENERATOR_COUNT)) << "two generators share a seed";
    game_free(game);
}

class OfficerHostile : public ::testing::Test {
protected:
    void SetUp() override {
        game = game_get();
        ASSERT_NE(game, nullptr);
        saved = *game->generators[1];
        officer = officer_create();
        ASSERT_NE(officer, nullptr);
        officer_retain(officer);
    }
    void TearDown() override {
        officer_release(officer);
        *game->generators[1] = saved;
    }
    Game *game = nullptr;
    Rng saved{};
    Officer *officer = nullptr;
};

TEST_F(OfficerHostile, TrainingEndsOnAGeneratorThatOnlyGivesZero) {
    *game->generators[1] = Rng{};   // what a zeroed saved block used to install
    const auto start = std::chrono::steady_clock::now();
    officer_train(officer);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    int raised = 0;
    for (int s = 0; s < OFFICER_SKILL_COUNT; ++s) {
        EXPECT_LE(officer->skills[s], 1) << s;
        raised += officer->skills[s];
    }
    EXPECT_EQ(raised, 2) << "two different skills are raised";
    EXPECT_EQ(officer->skills[0], 1);
    EXPECT_EQ(officer->skills[1], 1);
}

TEST_F(OfficerHostile, ExperienceAndTalliesNearTheLimitSaturate) {
    officer->rank = RANK_ADMIRAL;
    officer->experience = INT32_MAX - 10;
    officer->command_tally = INT32_MAX - 5;
    officer->ship_tally = INT32_MAX;
    officer->base_tally = INT32_MAX;
    officer_add_experience(officer, 1000, 1);
    EXPECT_EQ(officer->rank, RANK_FLEET_ADMIRAL);
    EXPECT_EQ(officer->experience, INT32_MAX);
    EXPECT_EQ(officer->command_tally, 0) << "a promotion clears the tallies";

    officer->rank = RANK_CAPTAIN;
    officer->experience = INT32_MIN + 3;
    officer->command_tally = INT32_MIN + 3;
    officer_add_experience(officer, -100, 1);
    EXPECT_EQ(officer->experience, INT32_MIN);
    EXPECT_EQ(officer->command_tally, INT32_MIN);
    EXPECT_EQ(officer->rank, RANK_CAPTAIN);
}

TEST_F(OfficerHostile, SkillDrawsOverHugeTalliesStayInRange) {
    officer->ship_tally = INT32_MAX;
    officer->base_tally = INT32_MAX;
    officer->command_tally = INT32_MAX;
    rng_seed(game->generators[1], 99);
    for (int round = 0; round < 200; ++round) {
        int a = -2, b = -2, c = -2;
        officer_pick_skills(officer, &a, &b, &c);
        for (int skill : {a, b, c}) {
            EXPECT_GE(skill, -1);
            EXPECT_LT(skill, OFFICER_SKILL_COUNT);
        }
    }
    officer->cost_reduction = INT32_MIN;
    officer_init_stats(officer);
    EXPECT_EQ(officer->training_cost, INT32_MAX);
}

TEST(GameCursors, TheGameFreesItsCursors) {
    Game *game = game_create();
    ASSERT_NE(game, nullptr);
    Sprite *frame = sprite_create();
    sprite_addref(frame);   // the test's own reference
    sprite_addref(frame);   // the cursor's
    Cursor *cursor = cursor_create_empty();
    cursor->frames = new Sprite *[1]{frame};
    cursor->frame_count = 1;
    game->cursors[3] = cursor;
    game_free(game);
    EXPECT_EQ(frame->refcount, 1) << "the cursor's frame reference was not dropped";
    sprite_release(frame);
}

}  // namespace
