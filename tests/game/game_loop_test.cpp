// Game loop over a fake clock: dt, the sleep, the quit flag and the quit signal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>
#include "game/game.h"
#include "game/game_loop.h"
#include "platform/graphics.h"
#include "ui/app_mode.h"

namespace {

struct FakeClock {
    uint32_t              now = 5000;
    std::vector<uint32_t> sleeps;
};

uint32_t fake_ticks(void *context) { return static_cast<FakeClock *>(context)->now; }
void fake_sleep(void *context, uint32_t ms) {
    auto *clock = static_cast<FakeClock *>(context);
    clock->sleeps.push_back(ms);
    clock->now += ms;
}

// What each frame's update does to the clock and the game, frame by frame.
FakeClock           *g_clock = nullptr;
std::vector<int32_t> g_dts;
std::vector<uint32_t> g_work_ms;   // time the update spends, per frame
int                  g_quit_at_frame = -1;
int                  g_signal_at_frame = -1;
int                  g_request_at_frame = -1;
int                  g_draws = 0;
std::vector<int>     g_entered;

void loop_update(int32_t dt) {
    const size_t frame = g_dts.size();
    g_dts.push_back(dt);
    if (frame < g_work_ms.size()) g_clock->now += g_work_ms[frame];
    if (int(frame) == g_quit_at_frame) game_request_quit(game_get());
    if (int(frame) == g_signal_at_frame) game_signal_quit();
    if (int(frame) == g_request_at_frame) app_mode_request(APP_MODE_GALAXY);
}
uint32_t no_op(const uint8_t *) { return 0; }
void loop_draw(Graphics *g) {
    ++g_draws;
    ASSERT_EQ(gfx_queue_command(g, no_op, nullptr, 0), RES_OK);
}
void galaxy_enter() { g_entered.push_back(APP_MODE_GALAXY); }

class GameLoop : public ::testing::Test {
protected:
    void SetUp() override {
        app_mode_reset();
        game_destroy();
        gfx_destroy();
        game_clear_quit_signal();
        g_clock = &clock;
        g_dts.clear();
        g_work_ms.clear();
        g_quit_at_frame = g_signal_at_frame = g_request_at_frame = -1;
        g_draws = 0;
        g_entered.clear();
        AppMode *title = app_mode_get(APP_MODE_TITLE);
        // No graphics thread takes these frames: a real title would queue its cursor into them, and a
        // queued sprite is released only by the frame that draws it.
        title->enter = nullptr;
        title->update = loop_update;
        title->draw = loop_draw;
        app_mode_get(APP_MODE_GALAXY)->enter = galaxy_enter;
        app_mode_request(APP_MODE_TITLE);
        app_mode_apply_request();
    }
    void TearDown() override {
        app_mode_reset();
        game_destroy();
        gfx_destroy();
        game_clear_quit_signal();
    }
    int run() {
        const LoopClock loop_clock{fake_ticks, fake_sleep, &clock};
        return game_loop_run(game_get(), &loop_clock);
    }
    FakeClock clock;
};

TEST_F(GameLoop, SleepsTheRestOfTwentyMillisecondsAtLeastOneAndDtFollowsTheClock) {
    const struct {
        std::vector<uint32_t> work, sleeps;
        std::vector<int32_t> dts;
    } cases[] = {
        {{}, {}, {1}},                                   // no time passed still gives dt 1
        {{7, 3, 0}, {13, 17, 20}, {1, 20, 20, 20}},
        {{35, 20}, {1, 1}, {1, 36, 21}},                 // a slow frame still sleeps a millisecond
    };
    for (const auto &c : cases) {
        TearDown();
        clock = FakeClock{};
        SetUp();
        g_work_ms = c.work;
        g_quit_at_frame = int(c.dts.size()) - 1;
        EXPECT_EQ(run(), 0);
        EXPECT_EQ(clock.sleeps, c.sleeps) << g_quit_at_frame;
        EXPECT_EQ(g_dts, c.dts) << g_quit_at_frame;
    }
}

TEST_F(GameLoop, QuitEndsTheLoopAfterTheFramesModeChangeWithoutSleeping) {
    g_quit_at_frame = 2;
    g_request_at_frame = 2;
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(g_dts.size(), 3u);
    EXPECT_EQ(clock.sleeps.size(), 2u);
    EXPECT_THAT(g_entered, ::testing::ElementsAre(APP_MODE_GALAXY));
    EXPECT_EQ(app_mode_current_id(), APP_MODE_GALAXY);
    const uint32_t flags = game_get()->flags;
    EXPECT_TRUE(flags & GAME_FLAG_QUIT);
    EXPECT_FALSE(flags & GAME_FLAG_LOOP_RUNNING);
}

TEST_F(GameLoop, QuitSignalBecomesTheGamesQuitFlagAtTheFrameEnd) {
    g_signal_at_frame = 1;
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(g_dts.size(), 2u);
    EXPECT_EQ(clock.sleeps.size(), 1u);
    EXPECT_TRUE(game_get()->flags & GAME_FLAG_QUIT);
}

TEST_F(GameLoop, QueuedFrameIsNotRebuiltWhileUpdatesGoOn) {
    g_quit_at_frame = 3;
    run();
    EXPECT_EQ(g_draws, 1) << "nothing takes the queue in this test, so only the first frame built";
    EXPECT_EQ(g_dts.size(), 4u);
}

}  // namespace
