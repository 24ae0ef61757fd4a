// The galaxy screen's status bars over a real seeded new game: the credits easing frame by frame,
// the date and its highlight, the bar's place, the day progress and the auto-pass countdown.
#include <gtest/gtest.h>

#include <SDL.h>
#include <string>
#include <vector>

#include "../../game/headless_fixture.h"
#include "game/clock.h"
#include "game/player.h"
#include "platform/colour_fade.h"
#include "screens/galaxy/galaxy_flags.h"
#include "screens/galaxy/status_bar.h"
#include "screens/galaxy/turn_progress.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"
#include "ui/value_bar.h"

namespace {

constexpr uint32_t STATUS_BARS_SEED = 20261208;

// A panel as the galaxy screen's construction makes them: 200 x 50, grey border, hidden.
Control *screen_panel() {
    Control *p = control_addref(panel_create(200, 50, 96, 96, 96));
    control_set_hidden(p, false);
    return p;
}

class GalaxyBarsGame : public ModelGame {
protected:
    Control *panel = nullptr;
    Player *ui = nullptr;

    void SetUp() override {
        ModelGame::SetUp();
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        random_seed(STATUS_BARS_SEED);
        HeadlessOptions options;
        ASSERT_EQ(headless_new_game(game, options), RES_OK) << "seed " << STATUS_BARS_SEED;
        ui = game->ui_player;
        ASSERT_NE(ui, nullptr);
        ASSERT_EQ(image_control_load_type(GALAXY_IMAGE_CREDITS_COIN), RES_OK);
        ASSERT_EQ(image_control_load_type(IMAGE_CLOCK), RES_OK);
        panel = screen_panel();
    }
    void TearDown() override {
        if (panel) control_release(panel);
        image_control_free_type(IMAGE_CLOCK);
        image_control_free_type(GALAXY_IMAGE_CREDITS_COIN);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        ModelGame::TearDown();
    }

    std::string text_of(int id) {
        const TextLabel *t = text_label_of(panel_find_child(panel, id));
        return t && t->text ? t->text : "<none>";
    }
    static void expect_colour(Control *label, int r, int g, int b, const char *what) {
        const ColourFade *c = text_label_colour(label);
        ASSERT_NE(c, nullptr) << what;
        EXPECT_EQ(int(c->r), r) << what;
        EXPECT_EQ(int(c->g), g) << what;
        EXPECT_EQ(int(c->b), b) << what;
    }
};

// ---- Credits and date ----

class GalaxyStatusBarCredits : public GalaxyBarsGame {
protected:
    GalaxyStatusBar *bar = nullptr;
    std::atomic<uint32_t> flags{GALAXY_FLAG_STARMAP_VIEW};

    void SetUp() override {
        GalaxyBarsGame::SetUp();
        player_add_resources(ui, -ui->credits);   // floored at 0
        ASSERT_EQ(ui->credits, 0);
        bar = galaxy_status_bar_create(game);
        ASSERT_NE(bar, nullptr);
        control_set_hidden(panel, true);   // the screen shows the bar at the end of its enter
    }
    void TearDown() override {
        galaxy_status_bar_free(bar);
        GalaxyBarsGame::TearDown();
    }
    void update() { galaxy_status_bar_update(bar, panel, &flags, game); }

    // The credits label's numbers, one update each, until they stop changing.
    std::vector<std::string> shown_until_still() {
        std::vector<std::string> out;
        for (int i = 0; i < 40; ++i) {
            update();
            const std::string text = text_of(GALAXY_STATUS_CREDITS_ID);
            if (!out.empty() && out.back() == text) break;
            out.push_back(text);
        }
        return out;
    }
};

TEST_F(GalaxyStatusBarCredits, NewAmountIsReachedByHalvingTheGapFrameByFrame) {
    update();
    EXPECT_EQ(text_of(GALAXY_STATUS_CREDITS_ID), "$0      ");
    player_add_resources(ui, 1000);
    EXPECT_EQ(shown_until_still(), (std::vector<std::string>{"$500    ", "$750    ", "$875    ", "$937    ",
                                                              "$968    ", "$984    ", "$1000   "}));
    EXPECT_EQ(bar->shown_credits, 1000);
    // Spending eases down the same way; the last step under 20 lands on the amount.
    player_add_resources(ui, -1000);
    EXPECT_EQ(shown_until_still(), (std::vector<std::string>{"$500    ", "$250    ", "$125    ", "$62     ",
                                                              "$31     ", "$15     ", "$0      "}));
}

TEST_F(GalaxyStatusBarCredits, GapUnderTwentyIsShownAtOnceAndABarStartsFromThePlayersCredits) {
    update();
    player_add_resources(ui, 19);
    update();
    EXPECT_EQ(text_of(GALAXY_STATUS_CREDITS_ID), "$19     ");
    player_add_resources(ui, 20);   // 39: a gap of exactly 20 still eases
    update();
    EXPECT_EQ(text_of(GALAXY_STATUS_CREDITS_ID), "$29     ");

    GalaxyStatusBar *fresh = galaxy_status_bar_create(game);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->shown_credits, 39) << "a new screen does not run the coin up from 0";
    galaxy_status_bar_free(fresh);
}

TEST_F(GalaxyStatusBarCredits, DateFollowsTheClockDayAsTheDayPasses) {
    date_set(game->clock, 2671, 3, 1);
    update();
    EXPECT_EQ(text_of(GALAXY_STATUS_DATE_ID), "Mar 01 2671");
    game_queue_minutes(game, CLOCK_DAY_MINUTES);
    for (int i = 0; i < 500 && game_is_advancing(game); ++i) {
        game_advance_clock(game, 20);
        update();
    }
    ASSERT_FALSE(game_is_advancing(game));
    EXPECT_EQ(text_of(GALAXY_STATUS_DATE_ID), "Mar 02 2671");
}

TEST_F(GalaxyStatusBarCredits, DateIsLitWhileADayRunsAndUntilAutoPassStops) {
    int32_t r = 0, g = 0, b = 0;
    ASSERT_EQ(game_get_player_colors(game, game->ui_player_id, &r, &g, &b), 1);
    update();
    Control *date = panel_find_child(panel, GALAXY_STATUS_DATE_ID);
    ASSERT_NE(date, nullptr);
    expect_colour(date, r, g, b, "idle: the player's colour");

    flags |= GALAXY_FLAG_CLOCK_RUNNING;
    update();
    EXPECT_TRUE(flags & GALAXY_FLAG_DATE_HIGHLIGHT);
    control_update(panel, 200);
    expect_colour(date, 240, 220, 45, "a day running");

    flags = (flags.load() & ~GALAXY_FLAG_CLOCK_RUNNING) | GALAXY_FLAG_AUTO_PASS;
    update();
    control_update(panel, 200);
    EXPECT_TRUE(flags & GALAXY_FLAG_DATE_HIGHLIGHT) << "auto-pass keeps the light between days";
    expect_colour(date, 240, 220, 45, "between auto-passed days");

    flags &= ~GALAXY_FLAG_AUTO_PASS;
    update();
    EXPECT_FALSE(flags & GALAXY_FLAG_DATE_HIGHLIGHT);
    control_update(panel, 200);
    expect_colour(date, r, g, b, "after the last day");
}

// ---- Day progress and auto-pass countdown ----

class GalaxyTurnProgress : public GalaxyBarsGame {
protected:
    Control *countdown = nullptr;
    uint32_t flags = GALAXY_FLAG_STARMAP_VIEW;

    void SetUp() override {
        GalaxyBarsGame::SetUp();
        countdown = screen_panel();
        panel_add_child(countdown, 4, 4, GALAXY_PROGRESS_BAR_ID, 0, value_bar_create(160, 12, 0, 1));
    }
    void TearDown() override {
        if (countdown) control_release(countdown);
        GalaxyBarsGame::TearDown();
    }
    void update(int32_t countdown_ms = 0) {
        galaxy_turn_progress_update(panel, countdown, flags, countdown_ms, game);
    }
    const ValueBar *day_bar() { return value_bar_of(panel_find_child(panel, GALAXY_PROGRESS_BAR_ID)); }
    const ValueBar *countdown_bar() { return value_bar_of(panel_find_child(countdown, GALAXY_PROGRESS_BAR_ID)); }
};

TEST_F(GalaxyTurnProgress, DayBarCountsTheMinutesLeftAndOnlyGoesDown) {
    date_set(game->clock, 2650, 6, 10);
    galaxy_day_progress_build(panel);
    ASSERT_NE(day_bar(), nullptr);
    EXPECT_EQ(day_bar()->value, 1440);
    EXPECT_EQ(day_bar()->max, 1440);
    EXPECT_TRUE(control_is_shown(panel));
    EXPECT_EQ(panel->h, 8) << "the panel opens from 8 pixels";
    EXPECT_EQ(panel->x + panel->w, ui_screen_width() - 4);

    game_queue_minutes(game, CLOCK_DAY_MINUTES);
    flags |= GALAXY_FLAG_CLOCK_RUNNING;
    int32_t last = day_bar()->value;
    bool checked_midday = false;
    for (int i = 0; i < 500 && game_is_advancing(game); ++i) {
        game_advance_clock(game, 20);
        control_update(panel, 20);
        update();
        const int32_t now = day_bar()->value;
        EXPECT_LE(now, last) << "frame " << i;
        last = now;
        const int32_t of_day = game->clock->hour * 60 + game->clock->minute;
        if (of_day >= 600 && of_day < 1400 && !checked_midday) {
            EXPECT_EQ(now, 1440 - of_day) << "at " << game->clock->hour << ":" << game->clock->minute;
            checked_midday = true;
        }
    }
    EXPECT_TRUE(checked_midday);
    ASSERT_FALSE(game_is_advancing(game));
    EXPECT_EQ(game->clock->hour * 60 + game->clock->minute, 0) << "the day ended at midnight";
    update();   // midnight reads as the day's first minute: the bar does not fill again
    EXPECT_LE(day_bar()->value, last);
    EXPECT_LT(day_bar()->value, 100);

    // The day is over: the bar drops to 1, the panel folds to 2 pixels and hides.
    flags &= ~GALAXY_FLAG_CLOCK_RUNNING;
    update();
    EXPECT_EQ(day_bar()->value, 1);
    EXPECT_TRUE(panel_is_resizing(panel));
    const int full_h = panel->h;
    for (int i = 0; i < 8; ++i) {
        control_update(panel, 20);
        update();
        EXPECT_LE(panel->h, full_h) << "frame " << i;
    }
    EXPECT_LT(panel->h, full_h / 2);
    EXPECT_FALSE(control_is_shown(panel));
    EXPECT_EQ(day_bar()->value, 1);
}

TEST_F(GalaxyTurnProgress, CountdownShowsOnlyWhileAutoPassWaitsWithNoWorkerRunning) {
    game->auto_pass = 3000;
    control_set_hidden(countdown, true);
    flags |= GALAXY_FLAG_AUTO_PASS;
    update(1200);
    ASSERT_NE(countdown_bar(), nullptr);
    EXPECT_EQ(countdown_bar()->value, 1200);
    EXPECT_EQ(countdown_bar()->max, 3000);
    EXPECT_TRUE(control_is_shown(countdown));

    flags |= GALAXY_FLAG_ADVANCE_AI_STARTED;
    update(1100);
    EXPECT_FALSE(control_is_shown(countdown)) << "the computer players think: no countdown";
    EXPECT_EQ(countdown_bar()->value, 1200);

    // A hidden countdown is left alone, whatever the flags say.
    flags &= ~GALAXY_FLAG_ADVANCE_AI_STARTED;
    update(900);
    EXPECT_FALSE(control_is_shown(countdown));
    EXPECT_EQ(countdown_bar()->value, 1200);

    control_set_hidden(countdown, true);
    update(0);
    EXPECT_FALSE(control_is_shown(countdown)) << "a countdown run out hides";
}

}  // namespace
