// The galaxy turn's workers over a real new game: the computer players think on a worker whose
// completion the screen waits for before the day's minutes run, the busy picture once they have
// thought for a while, one turn for two presses, and the game thread standing in for a worker
// that cannot be created.
#include "turn_flow_fixture.h"

#include "game/turn.h"
#include "platform/files.h"
#include "ui/image_control.h"

namespace {

using namespace galaxy_test;

constexpr const char *DAY_QUEUED = "Add 1440 advance minutes, now 1440";

class GalaxyTurnWorkers : public TurnFlowGame {};

TEST_F(GalaxyTurnWorkers, TheDayIsQueuedOnlyOnceTheWorkerIsDoneAndJoined) {
    LogFileCatcher log(fresh_test_dir("galaxy-turn-order"), LOG_DEBUG2);
    held.install();
    const uint64_t minutes = game->clock->minutes;
    next_turn();
    ASSERT_TRUE(run_until([&] { return held.started() == 1; }, 10)) << "the worker starts within two frames";
    EXPECT_TRUE(has(GALAXY_FLAG_TURN_IN_PROGRESS | GALAXY_FLAG_ADVANCE_AI_STARTED));

    frames(40);   // the computer players are still thinking
    EXPECT_EQ(game->queued_minutes, 0);
    EXPECT_EQ(game->clock->minutes, minutes);
    EXPECT_FALSE(has(GALAXY_FLAG_ADVANCE_AI_DONE));
    EXPECT_FALSE(has(GALAXY_FLAG_CLOCK_RUNNING));

    held.open();
    ASSERT_TRUE(wait_for_flag(GALAXY_FLAG_ADVANCE_AI_DONE));
    EXPECT_EQ(game->queued_minutes, 0) << "done but not joined: nothing queued yet";
    EXPECT_NE(screen()->advance_ai_thread, nullptr);
    EXPECT_EQ(count_of(log.text(), DAY_QUEUED), 0);

    frame();
    EXPECT_EQ(game->queued_minutes, CLOCK_DAY_MINUTES) << "queued in the frame that joined, the clock not yet run";
    EXPECT_EQ(screen()->advance_ai_thread, nullptr);
    EXPECT_FALSE(has(GALAXY_FLAG_ADVANCE_AI_STARTED));
    EXPECT_FALSE(has(GALAXY_FLAG_ADVANCE_AI_DONE));
    EXPECT_EQ(count_of(log.text(), DAY_QUEUED), 1);

    frame();
    EXPECT_TRUE(has(GALAXY_FLAG_CLOCK_RUNNING | GALAXY_FLAG_TURN_IN_PROGRESS));
    ASSERT_TRUE(run_until_day_ends(0));
    EXPECT_EQ(game->clock->minutes, minutes + CLOCK_DAY_MINUTES);
    EXPECT_EQ(game->queued_minutes, 0);
    EXPECT_FALSE(has(GALAXY_FLAG_CLOCK_RUNNING));
}

TEST_F(GalaxyTurnWorkers, BusyPictureShowsAfterTwelveHundredMsOfThinkingAndGoesWithTheJoin) {
    held.install();
    next_turn();
    ASSERT_TRUE(run_until([&] { return held.started() == 1; }, 10));
    ASSERT_TRUE(has(GALAXY_FLAG_BUSY_SHOWN)) << "armed as soon as the computer players think";
    // The countdown started in an earlier frame; from here whole frames of 100 ms.
    const int32_t left = screen()->busy_delay_ms;
    ASSERT_GT(left, 0);
    ASSERT_LE(left, GALAXY_BUSY_DELAY_MS);
    const int quiet_frames = (left - 1) / 100;
    frames(quiet_frames, 100);
    EXPECT_EQ(find(GALAXY_ID_BUSY), nullptr) << "not before " << GALAXY_BUSY_DELAY_MS << " ms";
    frame(100);
    Control *busy = find(GALAXY_ID_BUSY);
    ASSERT_NE(busy, nullptr);
    EXPECT_EQ(busy->layer, 10);
    const ImageControl *image = image_of(busy);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->image_type, IMAGE_COMPUTER);
    EXPECT_EQ(image->frame, 1);
    int x = 0, y = 0;
    control_get_screen_position(busy, &x, &y);
    EXPECT_EQ(x, (ui_screen_width() - busy->w) / 2);
    EXPECT_EQ(y + busy->h, ui_screen_height() - 10);
    // It pulses between dark and light grey.
    ASSERT_NE(image->tint, nullptr);
    const int first = image->tint->r;
    frames(3, 100);
    EXPECT_NE(int(image_of(busy)->tint->r), first);
    EXPECT_GE(int(image_of(busy)->tint->r), 30);
    EXPECT_LE(int(image_of(busy)->tint->r), 230);

    frames(20, 100);
    EXPECT_EQ(find(GALAXY_ID_BUSY), busy) << "one picture while the thinking goes on";
    held.open();
    ASSERT_TRUE(run_until([] { return !has(GALAXY_FLAG_ADVANCE_AI_STARTED); }));
    frame();
    EXPECT_EQ(find(GALAXY_ID_BUSY), nullptr);
    EXPECT_FALSE(has(GALAXY_FLAG_BUSY_SHOWN));
    ASSERT_TRUE(run_until_day_ends(0));
}

TEST_F(GalaxyTurnWorkers, NextTurnPressedTwiceStartsOneTurn) {
    LogFileCatcher log(fresh_test_dir("galaxy-turn-twice"), LOG_DEBUG2);
    held.install();
    next_turn();
    frame();
    next_turn();
    held.open();
    ASSERT_TRUE(run_until_day_ends(0));
    frames(60);
    EXPECT_EQ(held.started(), 1);
    EXPECT_EQ(game->turn_counter, 1);
    EXPECT_EQ(count_of(log.text(), DAY_QUEUED), 1);
    EXPECT_FALSE(has(GALAXY_FLAG_TURN_IN_PROGRESS));
}

TEST_F(GalaxyTurnWorkers, AnAutosaveThatFailsIsToldOnScreenAndTheNoticeClosesOnAClick) {
    // A file where the save folder goes: the autosave of this turn cannot be written.
    ASSERT_EQ(write_file_bytes(saves->folder().c_str(), "x", 1), RES_OK);
    game->autosave_countdown = 1;
    held.install();
    next_turn();
    held.open();
    ASSERT_TRUE(run_until_day_ends(0));
    frames(3);
    Control *notice = game_find_control(game, GALAXY_ID_SAVE_NOTICE);
    ASSERT_NE(notice, nullptr) << "the failure is shown, not only logged";
    EXPECT_EQ(game->autosave_failure, 0) << "told once";
    EXPECT_EQ(game->turn_counter, 1) << "the game goes on";
    click(notice);
    frames(3);
    EXPECT_EQ(game_find_control(game, GALAXY_ID_SAVE_NOTICE), nullptr);
}

TEST_F(GalaxyTurnWorkers, WithoutAThreadTheComputerPlayersThinkOnTheGameThreadAndTheDayCompletes) {
    LogFileCatcher log(fresh_test_dir("galaxy-turn-inline"), LOG_DEBUG2);
    galaxy_set_thread_creator(no_thread);
    const uint64_t minutes = game->clock->minutes;
    next_turn();
    ASSERT_TRUE(run_until([] { return game_get()->queued_minutes > 0; }, 10));
    const std::string text = log.text();
    EXPECT_EQ(count_of(text, "Failed to create advance AI thread"), 1);
    EXPECT_LT(text.find("Failed to create advance AI thread"), text.find(DAY_QUEUED));
    EXPECT_EQ(screen()->advance_ai_thread, nullptr);
    ASSERT_TRUE(run_until_day_ends(0));
    EXPECT_EQ(game->clock->minutes, minutes + CLOCK_DAY_MINUTES);
    EXPECT_FALSE(has(GALAXY_FLAG_ADVANCE_AI_STARTED));
    EXPECT_FALSE(has(GALAXY_FLAG_ADVANCE_AI_DONE));
}

// The computer players think from the seed the game thread drew, whether on a worker or not: the
// same days from the same game give the same model.
TEST_F(GalaxyTurnWorkers, TheWorkerAndTheGameThreadStandingInThinkAlike) {
    constexpr int32_t DAYS = 4;
    auto play = [&](bool threads) {
        random_seed(SEED);
        HeadlessOptions options;
        options.computer_players = computer_players;
        EXPECT_EQ(headless_new_game(game, options), RES_OK);
        galaxy_set_thread_creator(threads ? nullptr : no_thread);
        screen()->screen_flags.store(GALAXY_FLAG_STARMAP_VIEW);
        screen()->music = GalaxyMusic{};
        random_seed(77);
        for (int32_t day = 0; day < DAYS; ++day) {
            galaxy_advance_turn();
            // As many frames as the worker takes do not change the game: wait for it unframed.
            EXPECT_TRUE(run_until([] { return screen()->worker_pending == GALAXY_WORKER_NONE; }, 10));
            // (A quick worker may be done and joined within the frame that started it.)
            if (threads) {
                EXPECT_TRUE(wait_for([] { return has(GALAXY_FLAG_ADVANCE_AI_DONE) || !has(GALAXY_FLAG_ADVANCE_AI_STARTED); }));
            }
            EXPECT_TRUE(run_until_day_ends(day)) << "day " << day;
        }
        return state_bytes();
    };
    const std::vector<uint8_t> threaded = play(true);
    const std::vector<uint8_t> inline_run = play(false);
    EXPECT_TRUE(threaded == inline_run);
}

}  // namespace
