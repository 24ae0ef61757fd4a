// The galaxy map mode's update over a real new game, driven frame by frame: the clock runs the
// queued day off and the day's end ends the turn; a battle of the UI player holds the end of turn
// back and stops auto-pass; the computer players' battles go to their worker; a winner ends the
// game; auto-pass re-arms with the preference and stops when asked; the news is announced and the
// badge's count starts again with each day; a game load waits for the day's worker and minutes; the
// hand-off to the combat screen.
#include "turn_flow_fixture.h"

#include <vector>
#include "effects/effect.h"
#include "game/alert.h"
#include "game/encounter.h"
#include "game/save.h"
#include "game/turn.h"
#include "platform/list.h"
#include "ui/app_mode.h"
#include "support/wait_for.h"

namespace {

using namespace galaxy_test;

constexpr int KEY_SPACE = 32;

// A ship of the player, wherever it is.
Ship *any_ship_of(Player *player) {
    for (int32_t i = 0; i < player_object_count(player); ++i)
        if (Ship *ship = ship_of(player_get_object_at(player, i))) return ship;
    return nullptr;
}

int32_t alert_markers_on(ObjectMap *map) {
    int32_t n = 0;
    for (List<Effect> *list : {&map->new_effects, &map->effects})
        for (Effect *e : list->items) {
            if (!e) break;
            if (e->type == EFFECT_ALERT_MARKER) ++n;
        }
    return n;
}

// ---- A day ----

class GalaxyDayFlow : public TurnFlowGame {};

TEST_F(GalaxyDayFlow, TheClockRunsTheQueuedDayOffAndTheDayEndsTheTurn) {
    const uint64_t minutes = game->clock->minutes;
    next_turn();
    ASSERT_TRUE(run_until([&] { return game->queued_minutes > 0; }));
    std::vector<int32_t> queued{game->queued_minutes};
    frame();
    while (has(GALAXY_FLAG_CLOCK_RUNNING) && queued.size() < 400) {
        queued.push_back(game->queued_minutes);
        EXPECT_TRUE(has(GALAXY_FLAG_TURN_IN_PROGRESS));
        EXPECT_EQ(game->turn_counter, 0) << "the turn ends only with the day";
        frame();
    }
    ASSERT_GT(queued.size(), 20u) << "a day at the default speed takes about a second of frames";
    EXPECT_EQ(queued.front(), CLOCK_DAY_MINUTES);
    for (size_t i = 1; i < queued.size(); ++i) EXPECT_LT(queued[i], queued[i - 1]) << "frame " << i;
    EXPECT_EQ(game->turn_counter, 1);
    EXPECT_EQ(game->clock->minutes, minutes + CLOCK_DAY_MINUTES);
    EXPECT_FALSE(has(GALAXY_FLAG_TURN_IN_PROGRESS));
    EXPECT_FALSE(has(GALAXY_FLAG_AUTO_PASS)) << "the preference is 0: nothing re-arms";

    frames(100);
    EXPECT_EQ(game->turn_counter, 1) << "no turn starts by itself";
    EXPECT_FALSE(has(GALAXY_FLAG_TURN_IN_PROGRESS));
}

TEST_F(GalaxyDayFlow, AWinnerFoundAtTheEndOfTheDayRequestsTheEndOfGameInThatFrame) {
    // One sector is now two thirds of the conquerable ones: whoever holds one has won.
    game->conquerable_sectors = 1;
    next_turn();
    ASSERT_TRUE(run_until([&] { return game->winner_id != 0; }));
    EXPECT_EQ(game->turn_counter, 1);
    EXPECT_EQ(app_mode_current_id(), APP_MODE_END_OF_GAME);
}

// ---- A game load handed over by the game menu ----

TEST_F(GalaxyDayFlow, ALoadAskedForWhileTheComputerPlayersThinkWaitsForTheirWorkerThenRuns) {
    const std::string path = fresh_test_dir("galaxy-load") + "/before.sav";
    ASSERT_EQ(game_save(game, path.c_str(), "Before the turn", 0, nullptr), RES_OK);
    const uint64_t saved_minutes = game->clock->minutes;
    held.install();
    next_turn();
    ASSERT_TRUE(run_until([&] { return held.started() == 1; }, 10));
    // What the menu's load hook leaves for the screen.
    game_prepare_load(game, path.c_str());
    screen()->load_delay_ms = 1000;
    frames(20);
    EXPECT_TRUE(game->flags & GAME_FLAG_LOAD_PENDING) << "not while the worker may run";

    held.open();
    ASSERT_TRUE(run_until([] { return !has(GALAXY_FLAG_ADVANCE_AI_STARTED); }));
    EXPECT_EQ(screen()->advance_ai_thread, nullptr);
    EXPECT_EQ(game->queued_minutes, 0) << "the day is not queued";
    EXPECT_FALSE(has(GALAXY_FLAG_CLOCK_RUNNING));
    frames(49);
    EXPECT_TRUE(game->flags & GAME_FLAG_LOAD_PENDING) << "980 ms of the delay";
    frame();
    EXPECT_FALSE(game->flags & GAME_FLAG_LOAD_PENDING);
    EXPECT_EQ(game->clock->minutes, saved_minutes);
    EXPECT_EQ(screen()->load_delay_ms, 0);
    EXPECT_EQ(screen()->announce_delay_ms, 800);
    EXPECT_FALSE(has(GALAXY_FLAG_TURN_IN_PROGRESS));
    EXPECT_FALSE(has(GALAXY_FLAG_HIDE_MAP));
}

TEST_F(GalaxyDayFlow, ALoadAskedForWhileTheClockRunsLetsTheDayFinishFirst) {
    const std::string path = fresh_test_dir("galaxy-load") + "/before.sav";
    ASSERT_EQ(game_save(game, path.c_str(), "Before the turn", 0, nullptr), RES_OK);
    const uint64_t saved_minutes = game->clock->minutes;
    next_turn();
    ASSERT_TRUE(run_until_flags(GALAXY_FLAG_CLOCK_RUNNING));
    game_prepare_load(game, path.c_str());
    screen()->load_delay_ms = 1000;
    ASSERT_TRUE(run_until([&] { return game->queued_minutes == 0; }, 200));
    EXPECT_EQ(game->clock->minutes, saved_minutes + CLOCK_DAY_MINUTES) << "the day's minutes ran out";
    EXPECT_EQ(game->turn_counter, 0) << "but the day did not end: the load replaces it";
    EXPECT_TRUE(game->flags & GAME_FLAG_LOAD_PENDING);
    ASSERT_TRUE(run_until([&] { return !(game->flags & GAME_FLAG_LOAD_PENDING); }, 60));
    EXPECT_EQ(game->clock->minutes, saved_minutes);
}

// ---- Auto-pass ----

TEST_F(GalaxyDayFlow, AutoPassStartsTheNextTurnAfterThePreferenceUntilStopped) {
    press(KEY_SPACE);
    EXPECT_FALSE(has(GALAXY_FLAG_AUTO_PASS)) << "with the preference at 0 Space does nothing";
    game->auto_pass = 600;
    screen()->screen_flags.fetch_and(~GALAXY_FLAG_STARMAP_VIEW);
    press(KEY_SPACE);
    EXPECT_FALSE(has(GALAXY_FLAG_AUTO_PASS)) << "nor in the view of one sector";
    EXPECT_FALSE(has(GALAXY_FLAG_TURN_IN_PROGRESS));

    screen()->screen_flags.fetch_or(GALAXY_FLAG_STARMAP_VIEW);
    press(KEY_SPACE);
    EXPECT_TRUE(has(GALAXY_FLAG_AUTO_PASS));
    EXPECT_TRUE(has(GALAXY_FLAG_TURN_IN_PROGRESS)) << "armed with no wait: the next frame starts a turn";
    ASSERT_TRUE(run_until_day_ends(0));
    EXPECT_TRUE(has(GALAXY_FLAG_AUTO_PASS)) << "re-armed at the end of the day";
    EXPECT_EQ(screen()->autopass_countdown_ms, 600);

    frames(29);   // 580 ms
    EXPECT_FALSE(has(GALAXY_FLAG_TURN_IN_PROGRESS));
    EXPECT_EQ(screen()->autopass_countdown_ms, 20);
    frame();
    EXPECT_TRUE(has(GALAXY_FLAG_TURN_IN_PROGRESS)) << "600 ms after the end of the day";

    press(KEY_SPACE);   // stop, while the turn runs
    EXPECT_TRUE(has(GALAXY_FLAG_STOP_REQUESTED));
    ASSERT_TRUE(run_until_day_ends(1));
    EXPECT_FALSE(has(GALAXY_FLAG_AUTO_PASS));
    frames(100);
    EXPECT_EQ(game->turn_counter, 2);
    EXPECT_FALSE(has(GALAXY_FLAG_TURN_IN_PROGRESS));

    press(KEY_SPACE);   // arms again and clears the stop
    EXPECT_FALSE(has(GALAXY_FLAG_STOP_REQUESTED));
    EXPECT_TRUE(has(GALAXY_FLAG_AUTO_PASS | GALAXY_FLAG_TURN_IN_PROGRESS));
    ASSERT_TRUE(run_until_day_ends(2));
    // Stopped while the countdown runs: it runs out at once and nothing starts.
    press(KEY_SPACE);
    frames(60);
    EXPECT_FALSE(has(GALAXY_FLAG_AUTO_PASS));
    EXPECT_EQ(game->turn_counter, 3);
    EXPECT_FALSE(has(GALAXY_FLAG_TURN_IN_PROGRESS));
}

// ---- News ----

TEST_F(GalaxyDayFlow, NewsIsMarkedOnTheMapOnceAndTheBadgeCountStartsAgainWithTheDay) {
    Sector *home = home_of(game, game->ui_player_id);
    ASSERT_NE(home, nullptr);
    frames(20);   // whatever the new game announced
    const int32_t markers = alert_markers_on(game->galaxy_map);
    game_add_alert(game, alert_post_sector_notice(game->ui_player_id, home->id, "Scanners report activity"));
    Alert *notice = list_get(game->alerts, list_count(game->alerts) - 1);
    ASSERT_NE(notice, nullptr);
    ASSERT_TRUE(notice->flags & ALERT_FLAG_RECT);
    ASSERT_TRUE(run_until([&] { return game->newest_alert_seen_id == game->newest_alert_id; }, 50));
    EXPECT_EQ(alert_markers_on(game->galaxy_map), markers + 1);
    EXPECT_FALSE(notice->flags & (ALERT_FLAG_RECT | ALERT_FLAG_RECT_BY_ID)) << "marked once";
    const int32_t today = screen()->today_alert_count;
    EXPECT_GE(today, 1) << "the notice is less than a day old";
    frames(5);
    EXPECT_EQ(alert_markers_on(game->galaxy_map), markers + 1);

    held.install();
    next_turn();
    ASSERT_TRUE(run_until([&] { return held.started() == 1; }, 10));
    frames(10);
    EXPECT_EQ(screen()->today_alert_count, today) << "kept while the computer players think";
    held.open();
    ASSERT_TRUE(run_until_flags(GALAXY_FLAG_CLOCK_RUNNING));
    EXPECT_EQ(screen()->today_alert_count, 0) << "the day was queued";
    ASSERT_TRUE(run_until_day_ends(0));
    game_add_alert(game, alert_post_sector_notice(game->ui_player_id, home->id, "Scanners report more activity"));
    ASSERT_TRUE(run_until([&] { return game->newest_alert_seen_id == game->newest_alert_id; }, 50));
    EXPECT_GE(screen()->today_alert_count, 1) << "recounted at the next announcement";
}

TEST_F(GalaxyDayFlow, NewsComingInDuringTheDelayWaitsUnlessATurnStartMarksItAnnounced) {
    Sector *home = home_of(game, game->ui_player_id);
    ASSERT_NE(home, nullptr);
    frames(20);
    screen()->announce_delay_ms = 200;
    game_add_alert(game, alert_post_sector_notice(game->ui_player_id, home->id, "Scanners report activity"));
    frames(5);
    EXPECT_NE(game->newest_alert_seen_id, game->newest_alert_id) << "not within the delay";
    frames(10);
    EXPECT_EQ(game->newest_alert_seen_id, game->newest_alert_id) << "announced once it ran out";

    const int32_t markers = alert_markers_on(game->galaxy_map);
    screen()->announce_delay_ms = 200;
    game_add_alert(game, alert_post_sector_notice(game->ui_player_id, home->id, "Scanners report more activity"));
    galaxy_end_news_delay();
    EXPECT_EQ(screen()->announce_delay_ms, 0);
    EXPECT_EQ(game->newest_alert_seen_id, game->newest_alert_id);
    frames(5);
    EXPECT_EQ(alert_markers_on(game->galaxy_map), markers) << "news marked announced is not marked on the map";
}

// ---- Battles ----

class GalaxyDayBattles : public TurnFlowGame {
protected:
    GalaxyDayBattles() { computer_players = 3; }
    HeldWorkers held_later;

    void TearDown() override {
        held_later.open();
        TurnFlowGame::TearDown();
    }
    Player *computer(int i) { return list_get(game->players, i); }
    // The worker fights at the machine's speed (a loaded or instrumented build is many times
    // slower): its last write comes first, with a deadline, then the frames that join it.
    static void wait_for_the_battles_worker() {
        EXPECT_TRUE(wait_for([] { return !screen()->ai_encounter_thread || has(GALAXY_FLAG_AI_ENCOUNTERS_DONE); }))
            << "the battles were not fought in five minutes";
    }
    // Once the computer players have thought and the clock runs, a ship of `raider` turns up in
    // the home sector of `owner`, where one of the owner's ships is.
    void raid_during_the_day(Player *raider, Player *owner) {
        ASSERT_TRUE(run_until_flags(GALAXY_FLAG_CLOCK_RUNNING));
        Sector *home = home_of(game, owner->id);
        ASSERT_NE(home, nullptr);
        for (Player *side : {owner, raider}) {
            Ship *ship = any_ship_of(side);
            ASSERT_NE(ship, nullptr) << side->name;
            ship_set_fleet(ship, nullptr);
            ship_set_sector(ship, home);
        }
    }
};

TEST_F(GalaxyDayBattles, ABattleOfTheUiPlayerHoldsBackTheEndOfTurnAndStopsAutoPass) {
    game->auto_pass = 600;
    press(KEY_SPACE);
    ASSERT_TRUE(has(GALAXY_FLAG_AUTO_PASS));
    raid_during_the_day(computer(1), game->ui_player);
    ASSERT_TRUE(run_until([] { return !has(GALAXY_FLAG_CLOCK_RUNNING); }));
    EXPECT_EQ(game_count_player_encounters(game, game->ui_player_id), 1);
    EXPECT_EQ(game->turn_counter, 0) << "no end of turn on a day the UI player must fight";
    EXPECT_FALSE(has(GALAXY_FLAG_AUTO_PASS));
    EXPECT_FALSE(has(GALAXY_FLAG_TURN_IN_PROGRESS));
    frame();
    EXPECT_TRUE(has(GALAXY_FLAG_ENCOUNTERS_PENDING));
    EXPECT_FALSE(has(GALAXY_FLAG_AI_ENCOUNTERS_RUNNING)) << "the UI player's battle goes first";
    frames(100);
    EXPECT_EQ(game->turn_counter, 0);
    EXPECT_EQ(game->queued_minutes, 0);
    EXPECT_FALSE(has(GALAXY_FLAG_TURN_IN_PROGRESS)) << "auto-pass started nothing";
}

TEST_F(GalaxyDayBattles, TheComputerPlayersBattlesAreFoughtOnTheirWorkerAfterTheEndOfTurn) {
    held.install();
    next_turn();
    held.open();
    raid_during_the_day(computer(1), computer(2));
    held_later.install();
    ASSERT_TRUE(run_until_flags(GALAXY_FLAG_AI_ENCOUNTERS_RUNNING));
    EXPECT_EQ(game->turn_counter, 1) << "the end of turn ran first";
    EXPECT_TRUE(has(GALAXY_FLAG_TURN_IN_PROGRESS));
    ASSERT_TRUE(run_until([&] { return held_later.started() == 1; }, 10));
    frames(30);
    EXPECT_EQ(game_encounter_count(game), 1) << "held back with their worker";
    EXPECT_TRUE(has(GALAXY_FLAG_AI_ENCOUNTERS_RUNNING | GALAXY_FLAG_TURN_IN_PROGRESS | GALAXY_FLAG_BUSY_SHOWN));
    EXPECT_FALSE(has(GALAXY_FLAG_AI_ENCOUNTERS_DONE));

    held_later.open();
    wait_for_the_battles_worker();
    ASSERT_TRUE(run_until([] { return !has(GALAXY_FLAG_AI_ENCOUNTERS_RUNNING); }));
    EXPECT_EQ(screen()->ai_encounter_thread, nullptr);
    EXPECT_EQ(game_encounter_count(game), 0);
    EXPECT_FALSE(has(GALAXY_FLAG_TURN_IN_PROGRESS));
    EXPECT_FALSE(has(GALAXY_FLAG_AI_ENCOUNTERS_DONE));
    frame();
    EXPECT_FALSE(has(GALAXY_FLAG_ENCOUNTERS_PENDING));
    EXPECT_FALSE(has(GALAXY_FLAG_BUSY_SHOWN));
    EXPECT_EQ(game->turn_counter, 1);
}

TEST_F(GalaxyDayBattles, WithoutAThreadTheComputerPlayersBattlesAreFoughtOnTheGameThread) {
    LogFileCatcher log(fresh_test_dir("galaxy-battles-inline"), LOG_DEBUG2);
    galaxy_set_thread_creator(no_thread);
    next_turn();
    raid_during_the_day(computer(1), computer(2));
    ASSERT_TRUE(run_until([] { return game_encounter_count(game_get()) == 0 && !has(GALAXY_FLAG_CLOCK_RUNNING); }));
    frame();
    const std::string text = log.text();
    EXPECT_EQ(count_of(text, "Failed to create advance AI thread"), 1);
    EXPECT_EQ(count_of(text, "Failed to create AI encounter thread"), 1);
    EXPECT_FALSE(has(GALAXY_FLAG_AI_ENCOUNTERS_RUNNING));
    EXPECT_FALSE(has(GALAXY_FLAG_TURN_IN_PROGRESS));
    EXPECT_FALSE(has(GALAXY_FLAG_ENCOUNTERS_PENDING));
    EXPECT_EQ(game->turn_counter, 1);
}

// ---- The hand-off to the combat screen ----

class GalaxyCombatHandoff : public GalaxyDayBattles {
protected:
    // The UI player's battle of the day, chosen to be fought: the encounter dialog's outcome.
    Encounter *battle_engaged() {
        next_turn();
        raid_during_the_day(computer(1), game->ui_player);
        EXPECT_TRUE(run_until([] { return !has(GALAXY_FLAG_CLOCK_RUNNING); }));
        game_begin_player_encounter(game);
        return game->current_encounter;
    }
};

TEST_F(GalaxyCombatHandoff, TheBattleIsLoadedOnItsWorkerAndTheCombatScreenTakesOver) {
    Encounter *battle = battle_engaged();
    ASSERT_NE(battle, nullptr);
    frame();
    EXPECT_TRUE(has(GALAXY_FLAG_COMBAT_HANDOFF | GALAXY_FLAG_HIDE_MAP));
    EXPECT_TRUE(game->flags & GAME_FLAG_CONTROLS_OFF);
    EXPECT_EQ(game->combat_background, GALAXY_BG_COMBAT_FIRST + battle->backdrop);
    EXPECT_GE(game->combat_background, 36);
    EXPECT_LE(game->combat_background, 51);
    // The frames reach the loading phase; the worker then takes what time it takes (a busy
    // machine, a sanitizer), and the frames after it finish the hand-over.
    ASSERT_TRUE(run_until([] { return screen()->load_encounter_thread || app_mode_current_id() == APP_MODE_ENCOUNTER; },
                          1000));
    EXPECT_TRUE(wait_for([] { return !screen()->load_encounter_thread || has(GALAXY_FLAG_ENCOUNTER_LOADED); }))
        << "the battle was not loaded in five minutes";
    ASSERT_TRUE(run_until([] { return app_mode_current_id() == APP_MODE_ENCOUNTER; }, 1000));
    EXPECT_GT(map_object_count(game->combat_map), 0) << "the field is set up";
    EXPECT_EQ(screen()->load_encounter_thread, nullptr);
    EXPECT_FALSE(has(GALAXY_FLAG_ENCOUNTER_LOADED | GALAXY_FLAG_LOADING_TEXT));
    for (ColourFade *fade : screen()->letter_fades) EXPECT_EQ(fade, nullptr);
}

TEST_F(GalaxyCombatHandoff, WithoutALoadThreadTheBattleIsLoadedAtTheEndOfTheHandOff) {
    LogFileCatcher log(fresh_test_dir("galaxy-handoff-inline"), LOG_DEBUG2);
    Encounter *battle = battle_engaged();
    ASSERT_NE(battle, nullptr);
    galaxy_set_thread_creator(no_thread);
    int frames_run = 0;
    ASSERT_TRUE(run_until([&] { ++frames_run; return has(GALAXY_FLAG_ENCOUNTER_LOAD_INLINE); }, 1000));
    EXPECT_EQ(count_of(log.text(), "Failed to create load encounter thread"), 1);
    EXPECT_EQ(map_object_count(game->combat_map), 0) << "nothing loaded until the hand-off ends";
    int waited = 0;
    ASSERT_TRUE(run_until([&] { ++waited; return app_mode_current_id() == APP_MODE_ENCOUNTER; }, 1000));
    EXPECT_GE(waited * 20, 1000) << "the picture opens a second after the letters lit up";
    EXPECT_GT(map_object_count(game->combat_map), 0);
    EXPECT_FALSE(has(GALAXY_FLAG_ENCOUNTER_LOAD_INLINE));
}

}  // namespace
