#include <gtest/gtest.h>

#include <vector>

#include "platform/anim.h"
#include "platform/buffer.h"
#include "platform/colour_fade.h"

namespace {

class ColourFadeTiming : public ::testing::Test {
protected:
    ColourFade fade{};
};

TEST_F(ColourFadeTiming, ColoursFollowTheirScriptOfSteps) {
    struct Step {
        int ms, times, value;   // `times` updates of `ms`, then red and green are at `value`
        bool running;
    };
    const struct { const char *what; int from, to, ms, mode; std::vector<Step> steps; } cases[] = {
        {"full range in 100 ms: a unit a ms", 0, 255, 100, 0, {{10, 1, 10, true}, {245, 1, 255, false}}},
        {"ten units over a second: a step every 100 ms", 100, 110, 1000, 0,
         {{99, 1, 100, true}, {1, 1, 101, true}, {100, 9, 110, false}}},
        {"bounce: there and back, half the time each way", 0, 100, 200, COLOUR_FADE_MODE_BOUNCE,
         {{100, 1, 100, true}, {50, 1, 50, true}, {50, 1, 0, false}}},
        {"repeat restarts from the start colour", 0, 10, 100, COLOUR_FADE_MODE_REPEAT,
         {{100, 1, 0, true}, {30, 1, 3, true}}},
    };
    for (const auto &c : cases) {
        fade = ColourFade{};
        colour_fade_start(&fade, c.from, c.from, 0, c.to, c.to, 0, c.ms, 0, c.mode);
        int t = 0;
        for (const Step &step : c.steps) {
            for (int i = 0; i < step.times; ++i) colour_fade_update(&fade, step.ms);
            t += step.ms * step.times;
            EXPECT_EQ(fade.r, step.value) << c.what << " at " << t << " ms";
            EXPECT_EQ(fade.g, step.value) << c.what << " at " << t << " ms";
            EXPECT_EQ(colour_fade_is_running(&fade), step.running) << c.what << " at " << t << " ms";
        }
    }
}

TEST_F(ColourFadeTiming, NegativePeriodsDivideTowardZero) {
    // 10 units down over 25 ms: the period is 25 / -10 = -2, not -3.
    colour_fade_start(&fade, 100, 0, 0, 90, 0, 0, 25, 0, 0);
    EXPECT_EQ(fade.period_r, -2);
    colour_fade_update(&fade, 5);   // 5 / -2 = -2 steps, 5 % -2 = 1 carried
    EXPECT_EQ(fade.r, 98);
    EXPECT_EQ(fade.acc_r, 1);
    colour_fade_update(&fade, 1);   // 2 / -2 = -1
    EXPECT_EQ(fade.r, 97);
    EXPECT_EQ(fade.acc_r, 0);
}

TEST_F(ColourFadeTiming, ZeroMsLeavesTheFadeUntouchedAndADelayHoldsTheColour) {
    colour_fade_set(&fade, 7, 8, 9);
    colour_fade_start(&fade, 100, 100, 100, 200, 200, 200, 0, 0, 0);
    EXPECT_EQ(fade.r, 7);
    EXPECT_FALSE(colour_fade_is_running(&fade));
    colour_fade_start(&fade, 0, 0, 0, 100, 0, 0, 100, 50, 0);
    EXPECT_TRUE(colour_fade_is_waiting(&fade));
    colour_fade_update(&fade, 40);
    EXPECT_EQ(fade.r, 0);
    colour_fade_update(&fade, 20);
    EXPECT_FALSE(colour_fade_is_waiting(&fade));
    EXPECT_EQ(fade.r, 20);
}

TEST_F(ColourFadeTiming, FinishSnapsToTheEndOfTheWayItRuns) {
    colour_fade_start(&fade, 0, 0, 0, 100, 50, 10, 1000, 0, 0);
    colour_fade_update(&fade, 100);
    colour_fade_finish(&fade);
    EXPECT_EQ(fade.r, 100);
    EXPECT_EQ(fade.g, 50);
    EXPECT_TRUE(colour_fade_is_running(&fade));
}

TEST_F(ColourFadeTiming, IdleLoopStartsWheneverNothingElseRuns) {
    colour_fade_set(&fade, 1, 2, 3);
    colour_fade_set_idle_loop(&fade, 160, 60, 60, 140, 140, 140, 1000, true);
    colour_fade_update(&fade, 0);
    EXPECT_TRUE(colour_fade_is_running(&fade));
    EXPECT_EQ(fade.r, 160);
    colour_fade_update(&fade, 1000);
    EXPECT_EQ(fade.r, 140);
    EXPECT_EQ(fade.g, 140);
    colour_fade_update(&fade, 1000);   // and back, for ever
    EXPECT_EQ(fade.g, 60);
    EXPECT_TRUE(colour_fade_is_running(&fade));
    colour_fade_clear_idle_loop(&fade);
    colour_fade_set(&fade, 0, 0, 0);
    colour_fade_update(&fade, 10);
    EXPECT_FALSE(colour_fade_is_running(&fade));
}

class AnimPlayback : public ::testing::Test {
protected:
    void SetUp() override {
        anim = anim_create_empty(0);
        anim_add_frame(anim, 4, 100);
        anim_add_frame(anim, 5, 100);
        anim_add_frame(anim, 6, 100);
        player = anim_player_create();
    }
    void TearDown() override {
        anim_player_free(player);
        anim_free(anim);
    }
    Animation *anim = nullptr;
    AnimPlayer *player = nullptr;
};

TEST_F(AnimPlayback, OneLoopStopsOnTheLastFrame) {
    anim_player_start(player, anim, 1);
    EXPECT_EQ(anim_player_frame(player), 4);
    anim_player_update(player, 100);
    EXPECT_EQ(anim_player_frame(player), 5);
    EXPECT_TRUE(anim_player_frame_changed(player));
    anim_player_update(player, 100);
    anim_player_update(player, 100);
    EXPECT_EQ(anim_player_frame(player), 6);
    EXPECT_TRUE(anim_player_is_finished(player));
    EXPECT_FALSE(anim_player_is_running(player));
    anim_player_update(player, 1000);
    EXPECT_EQ(anim_player_frame(player), 6);
}

TEST_F(AnimPlayback, EndlessLoopWrapsAndHalfSpeedPlaysHalfAsFast) {
    anim_player_start(player, anim, -1);
    anim_player_update(player, 300);
    EXPECT_EQ(anim_player_frame(player), 4);
    EXPECT_TRUE(anim_player_wrapped(player));
    anim_player_update(player, 3000);
    EXPECT_TRUE(anim_player_is_running(player));
    anim_player_start(player, anim, -1);
    player->speed = 50;
    anim_player_update(player, 100);
    EXPECT_EQ(anim_player_frame(player), 4);
    anim_player_update(player, 100);
    EXPECT_EQ(anim_player_frame(player), 5);
}

TEST_F(AnimPlayback, RestartKeepsTheFrameWhenTheAnimationAsksAndAZeroLengthPassDoesNotHang) {
    anim->flags |= ANIM_KEEP_FRAME;
    anim_player_start(player, anim, -1);
    anim_player_update(player, 150);
    anim_player_start(player, anim, -1);
    EXPECT_EQ(anim_player_frame(player), 5);
    EXPECT_EQ(player->index, 1);
    Animation *still = anim_create_empty(0);
    anim_add_frame(still, 0, 0);
    anim_player_start(player, still, -1);
    anim_player_update(player, 50);
    EXPECT_EQ(anim_player_frame(player), 0);
    player->animation = nullptr;
    anim_free(still);
}

TEST(AnimRecord, ReadsFlagsThenCountedFramePairsBigEndianAndRefusesBadCounts) {
    const struct { const char *what; std::vector<uint32_t> words; Result result; } cases[] = {
        {"flags 2, two pairs", {2, 2, 7, 120, 8, 80}, RES_OK},
        {"a negative count", {0, 0xFFFFFFFFu}, RES_MALFORMED},
        {"a record cut short", {0, 2, 1, 100, 2}, RES_SHORT_BUFFER},
    };
    for (const auto &c : cases) {
        Buffer buf;
        for (uint32_t w : c.words) ASSERT_EQ(buffer_write_u32(&buf, w), RES_OK);
        Animation *anim = reinterpret_cast<Animation *>(&buf);
        ASSERT_EQ(anim_read(&anim, &buf), c.result) << c.what;
        if (c.result != RES_OK) {
            EXPECT_EQ(anim, nullptr) << c.what;
            continue;
        }
        ASSERT_NE(anim, nullptr);
        EXPECT_EQ(anim->flags, 2u);
        ASSERT_EQ(anim_count(anim), 2);
        EXPECT_EQ(anim->pairs[0].frame, 7);
        EXPECT_EQ(anim->pairs[1].ms, 80);
        EXPECT_EQ(anim_sum_durations(anim), 200);
        anim_free(anim);
    }
}

}  // namespace
