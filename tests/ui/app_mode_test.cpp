// Application modes: switch order, the changed flag, requests, the frame sequence and its flags.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include <SDL.h>
#include <atomic>
#include <string>
#include <vector>
#include "game/game.h"
#include "platform/graphics.h"
#include "platform/sound.h"
#include "platform/store.h"
#include "support/fixture_store.h"
#include "ui/app_mode.h"
#include "ui/game_controls.h"
#include "ui/panel.h"

namespace {

std::vector<std::string> g_trace;
std::vector<int>         g_changed_seen;   // app_mode_changed() as each update saw it

void note(const std::string &what) { g_trace.push_back(what); }

template <int N> void rec_enter() { note("enter " + std::to_string(N) + " (current " + std::to_string(app_mode_current_id()) + ")"); }
template <int N> void rec_leave() { note("leave " + std::to_string(N)); }
template <int N> void rec_pre() { note("pre " + std::to_string(N)); }
template <int N> void rec_post() { note("post " + std::to_string(N)); }
template <int N> void rec_update(int32_t dt) {
    note("update " + std::to_string(N) + " dt " + std::to_string(dt));
    g_changed_seen.push_back(app_mode_changed() ? 1 : 0);
}
template <int N> void rec_draw(Graphics *) { note("draw " + std::to_string(N)); }

void pass_update_controls(ControlRoot *, int32_t) { note("update controls"); }
void pass_draw_controls(ControlRoot *, Graphics *, int sign) { note("draw controls " + std::to_string(sign)); }
void pass_draw_cursor(ControlRoot *, Graphics *) { note("draw cursor"); }

const AppFramePasses RECORDING_PASSES = {pass_update_controls, pass_draw_controls, pass_draw_cursor};

template <int N> void install(AppMode *m) {
    m->enter = rec_enter<N>;
    m->leave = rec_leave<N>;
    m->update = rec_update<N>;
    m->draw = rec_draw<N>;
}

uint32_t no_op(const uint8_t *) { return 0; }

// The game's own mode records, as start-up uses them: the game exists and the mode table is in.
class GameModes : public ::testing::Test {
protected:
    void SetUp() override {
        app_mode_reset();
        game_destroy();
        gfx_destroy();
        ASSERT_NE(game_get(), nullptr);
    }
    void TearDown() override {
        app_mode_reset();
        game_destroy();
        gfx_destroy();
    }
};

// Every mode's callbacks are recorders; the frame passes too.
class ModeSwitch : public GameModes {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(GameModes::SetUp());
        install<0>(app_mode_get(0));
        install<1>(app_mode_get(1));
        install<2>(app_mode_get(2));
        install<3>(app_mode_get(3));
        install<4>(app_mode_get(4));
        app_mode_set_frame_passes(&RECORDING_PASSES);
        g_trace.clear();
        g_changed_seen.clear();
    }
    void TearDown() override {
        app_mode_set_frame_passes(nullptr);
        GameModes::TearDown();
    }
    static void switch_to(int id) {
        app_mode_request(id);
        app_mode_apply_request();
    }
};

TEST_F(ModeSwitch, TheOldModeIsLeftBeforeTheNewOneIsEnteredUnderTheOldIdAndARecordIsReused) {
    EXPECT_EQ(app_mode_current_id(), -1);
    EXPECT_EQ(app_mode_get_current(), nullptr);
    switch_to(APP_MODE_LOADING);
    EXPECT_THAT(g_trace, ::testing::ElementsAre("enter 1 (current -1)")) << "the first switch leaves nothing";
    EXPECT_EQ(app_mode_current_id(), 1);
    EXPECT_TRUE(app_mode_changed());
    AppMode *first = app_mode_get_current();
    g_trace.clear();
    switch_to(3);
    switch_to(1);
    EXPECT_THAT(g_trace, ::testing::ElementsAre("leave 1", "enter 3 (current 1)", "leave 3", "enter 1 (current 3)"));
    EXPECT_EQ(app_mode_get_current(), first);
}

constexpr int OLD_PANEL_ID = 4242;

void leave_two_looking_for_its_panel() {
    note(game_find_control(game_get(), OLD_PANEL_ID) ? "leave 2 sees its panel" : "leave 2 finds no panel");
}
void enter_three_looking_for_the_old_panel() {
    note(game_find_control(game_get(), OLD_PANEL_ID) ? "enter 3 sees the old panel" : "enter 3 starts clean");
}

// A mode lets go of the controls it borrowed in its leave: they must still live then, and be gone
// before the next mode builds its own.
TEST_F(ModeSwitch, TheOldModeIsLeftWhileItsControlsLiveAndTheNewOneEntersWithoutThem) {
    switch_to(2);
    app_mode_get(2)->leave = leave_two_looking_for_its_panel;
    app_mode_get(3)->enter = enter_three_looking_for_the_old_panel;
    ASSERT_NE(game_add_control(game_get(), 0, 0, OLD_PANEL_ID, 0, panel_create_empty()), nullptr);
    game_flush_new_controls(game_get());
    g_trace.clear();
    switch_to(3);
    EXPECT_THAT(g_trace, ::testing::ElementsAre("leave 2 sees its panel", "enter 3 starts clean"));
}

TEST_F(ModeSwitch, ChangedFlagHoldsForExactlyTheFirstFrame) {
    switch_to(2);
    app_mode_run_frame(20);
    app_mode_run_frame(20);
    app_mode_run_frame(20);
    EXPECT_THAT(g_changed_seen, ::testing::ElementsAre(1, 0, 0));
    EXPECT_FALSE(app_mode_changed());
}

// The current mode, a mode of five or more, or a cancelling negative request switch nothing.
TEST_F(ModeSwitch, RequestsForNoOtherModeChangeNothing) {
    switch_to(2);
    app_mode_run_frame(20);
    g_trace.clear();
    switch_to(2);
    EXPECT_TRUE(g_trace.empty());
    EXPECT_FALSE(app_mode_changed());
    EXPECT_EQ(app_mode_request(3), 3);
    EXPECT_EQ(app_mode_request(5), 3) << "the earlier request stands";
    EXPECT_EQ(app_mode_request(7), 3);
    EXPECT_EQ(app_mode_request(-1), -1);
    app_mode_apply_request();
    EXPECT_TRUE(g_trace.empty());
    EXPECT_EQ(app_mode_current_id(), 2);
    EXPECT_EQ(app_mode_request(9), 2) << "the request fell back to the current mode";
    app_mode_request(3);
    app_mode_request(5);
    app_mode_apply_request();
    EXPECT_THAT(g_trace, ::testing::ElementsAre("leave 2", "enter 3 (current 2)"));
}

void request_three_then_four(int32_t) {
    app_mode_request(3);
    app_mode_request(4);
}

TEST_F(ModeSwitch, TwoRequestsInOneFrameApplyTheLastAtTheFrameEnd) {
    switch_to(2);
    app_mode_get(2)->update = request_three_then_four;
    g_trace.clear();
    app_mode_run_frame(20);
    EXPECT_THAT(g_trace, ::testing::ElementsAre("update controls", "draw 2", "draw controls 1", "leave 2",
                                                "enter 4 (current 2)"));
    EXPECT_EQ(app_mode_current_id(), 4);
}

void enter_three_asking_for_four() {
    note("enter 3");
    app_mode_request(4);
}

TEST_F(ModeSwitch, RequestMadeByEnterWaitsForTheNextFrameEnd) {
    switch_to(2);
    app_mode_get(3)->enter = enter_three_asking_for_four;
    g_trace.clear();
    switch_to(3);
    EXPECT_EQ(app_mode_current_id(), 3) << "the mode whose enter ran is the current one";
    EXPECT_THAT(g_trace, ::testing::ElementsAre("leave 2", "enter 3"));
    app_mode_apply_request();
    EXPECT_EQ(app_mode_current_id(), 4);
}

TEST_F(ModeSwitch, SwitchClearsTheMusicRestartFlagOnlyWhenLeavingAMode) {
    Game *game = game_get();
    game->flags |= GAME_FLAG_MUSIC_RESTART;
    switch_to(1);
    EXPECT_TRUE(game->flags & GAME_FLAG_MUSIC_RESTART) << "nothing was left";
    switch_to(2);
    EXPECT_FALSE(game->flags & GAME_FLAG_MUSIC_RESTART);
}

TEST_F(ModeSwitch, LeavingAModeReleasesEveryLoadedSound) {
    ASSERT_TRUE(open_generated_store());
    ASSERT_EQ(sound_init(), 0);
    ASSERT_EQ(sound_load_id(5), RES_OK);
    switch_to(1);
    EXPECT_NE(sound_get()->sounds[5], nullptr) << "nothing was left, so nothing was released";
    switch_to(2);
    EXPECT_EQ(sound_get()->sounds[5], nullptr);
    sound_shutdown();
    store_shutdown();
}

TEST_F(ModeSwitch, ShutdownLeavesTheCurrentModeOnce) {
    switch_to(3);
    g_trace.clear();
    app_mode_shutdown();
    EXPECT_THAT(g_trace, ::testing::ElementsAre("leave 3"));
    app_mode_shutdown();
    EXPECT_THAT(g_trace, ::testing::ElementsAre("leave 3"));
    EXPECT_EQ(app_mode_current_id(), 3) << "shut-down keeps the ids";
}

// The graphics thread runs a slow command; leave must see it finished.
std::atomic<int> g_slow_done{0};
int              g_done_at_leave = -1;

uint32_t slow_command(const uint8_t *) {
    SDL_Delay(40);
    g_slow_done = 1;
    return 0;
}
void leave_checking_frame() { g_done_at_leave = g_slow_done.load(); }

TEST_F(ModeSwitch, SwitchWaitsUntilTheGraphicsThreadHasRunTheQueuedFrame) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_TIMER), 0);
    g_slow_done = 0;
    switch_to(2);
    app_mode_get(2)->leave = leave_checking_frame;
    Graphics *g = gfx_get();
    ASSERT_EQ(gfx_start_thread(g), RES_OK);
    for (int i = 0; i < 500 && !gfx_thread_running(g); ++i) SDL_Delay(2);
    gfx_queue_lock(g);
    ASSERT_EQ(gfx_queue_command(g, slow_command, nullptr, 0), RES_OK);
    gfx_queue_unlock(g);
    switch_to(3);
    EXPECT_EQ(g_done_at_leave, 1);
    gfx_request_quit(g);
    gfx_wait_stopped(g);
    SDL_QuitSubSystem(SDL_INIT_TIMER);
}

using ModeFrame = ModeSwitch;

void pre_two() { note("pre 2"); }
void post_two() { note("post 2"); }

TEST_F(ModeFrame, HooksUpdateControlsDrawAndCursorRunInOrder) {
    switch_to(2);
    AppMode *m = app_mode_get(2);
    m->pre_frame = pre_two;
    m->post_frame = post_two;
    game_show_cursor(game_get());
    app_mode_request(3);
    g_trace.clear();
    app_mode_run_frame(17);
    EXPECT_THAT(g_trace, ::testing::ElementsAre("pre 2", "update 2 dt 17", "update controls", "draw 2", "draw controls 1",
                                                "draw cursor", "post 2", "leave 2", "enter 3 (current 2)"));
}

TEST_F(ModeFrame, QueuedFrameSkipsTheDrawWhileUpdateStillRuns) {
    switch_to(2);
    Graphics *g = gfx_get();
    ASSERT_EQ(gfx_queue_command(g, no_op, nullptr, 0), RES_OK);   // the graphics thread has not taken it
    g_trace.clear();
    app_mode_run_frame(20);
    app_mode_run_frame(20);
    EXPECT_THAT(g_trace, ::testing::ElementsAre("update 2 dt 20", "update controls", "update 2 dt 20", "update controls"));
    gfx_queue_clear(g);
    g_trace.clear();
    app_mode_run_frame(20);
    EXPECT_THAT(g_trace, ::testing::Contains("draw 2"));
}

TEST_F(ModeFrame, FlagsAndMissingSlotsLeaveOutTheirSteps) {
    const struct {
        const char *what;
        std::function<void()> set_up;
        std::vector<std::string> trace;
    } cases[] = {
        {"controls hidden: no control update or draw, the mode still runs",
         [] { game_show_cursor(game_get()), game_set_controls_hidden(game_get(), 1); },
         {"update 2 dt 20", "draw 2", "draw cursor"}},
        {"no mode update: neither update, but the draw", [] { game_get()->flags |= GAME_FLAG_NO_MODE_UPDATE; },
         {"draw 2", "draw controls 1"}},
        {"the cursor is drawn only once shown", [] {}, {"update 2 dt 20", "update controls", "draw 2", "draw controls 1"}},
        {"a mode without a draw draws neither controls nor cursor",
         [] { app_mode_get(2)->draw = nullptr, game_show_cursor(game_get()); }, {"update 2 dt 20", "update controls"}},
    };
    for (const auto &c : cases) {
        TearDown();
        SetUp();
        switch_to(2);
        c.set_up();
        g_trace.clear();
        app_mode_run_frame(20);
        EXPECT_EQ(g_trace, c.trace) << c.what;
    }
}

TEST_F(GameModes, EveryModeHasItsRecordWithEnterLeaveUpdateAndDraw) {
    for (int id = 0; id < APP_MODE_COUNT; ++id) {
        AppMode *m = app_mode_get(id);
        ASSERT_NE(m, nullptr) << "mode " << id;
        EXPECT_EQ(m->id, id);
        EXPECT_TRUE(m->enter && m->leave && m->update && m->draw) << "mode " << id;
        EXPECT_FALSE(m->pre_frame || m->post_frame) << "mode " << id;
    }
    EXPECT_EQ(app_mode_get(5), nullptr);
    EXPECT_EQ(app_mode_get(-1), nullptr);
    EXPECT_EQ(app_mode_create(5), nullptr);
}

}  // namespace
