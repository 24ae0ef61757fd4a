// End to end: the galaxy screen as a player meets it, on the real program under a private X server.
// A new game from the title reaches the star map; five Next Turns pass five days while the computer
// players think on their worker (the busy picture shows while they take long); with automatic
// passing chosen, Pass runs day after day until Stop; a sector is hovered and clicked.
//  - The first run only writes the preferences; the road changes two of their words (a fast galaxy
//    speed, then an auto-pass delay) between runs, as the options screen would.
//  - The program's workers are slowed by ASTROVANE_TEST_WORKER_DELAY_MS (3 s) so that the busy
//    picture's 1.2 s delay is passed on a small new galaxy, whatever a screenshot takes.
//  - Where the sectors stand comes from the game's own autosave (every 14th day), read back in this
//    process: the road points at the UI player's own sector.
//  - Screenshots of every step are kept under build/test-output/screens/galaxy/.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "galaxy_road_support.h"

namespace {

using galaxy_road::patch_prefs;
using galaxy_road::pixels_changed;

constexpr const char *ROAD = "galaxy";
// Where the busy picture stands: centred 10 pixels over the bottom edge. Only its own square is
// compared, as the map around it lives (the selection ring, markers, fleets).
constexpr int BUSY_X0 = 494, BUSY_Y0 = 728, BUSY_X1 = 530, BUSY_Y1 = 766;

class GalaxyEndToEnd : public galaxy_road::Road {
protected:
    GalaxyEndToEnd() : Road(ROAD) {}
};

TEST_F(GalaxyEndToEnd, NewGameFiveTurnsPassStopThenASectorHoveredAndClicked) {
    const std::string save_home = dir + "/save";
    {   // The first run writes the preferences.
        GameWindow game(display, dir, save_home);
        ASSERT_TRUE(game.start("setup.log"));
        ASSERT_TRUE(game.wait_for_log("Application mode is now 2")) << game.log();
        EXPECT_EQ(game.stop(SIGTERM).status, 0);
    }
    patch_prefs(save_home, 12, 500);   // the fastest galaxy speed
    patch_prefs(save_home, 16, 0);     // no automatic passing: the action button is "Next Turn"

    {   // Five turns.
        GameWindow game(display, dir, save_home, {"ASTROVANE_TEST_WORKER_DELAY_MS=3000"});
        ASSERT_TRUE(game.start("turns.log"));
        new_game(game);
        const DecodedPng start = game.shot(ROAD, "01_star_map");
        for (int day = 1; day <= 5; ++day) {
            game.key("n");
            if (day == 1) {
                GameWindow::pause(1500);   // the computer players still think: the busy picture is up
                const DecodedPng busy = game.shot(ROAD, "02_computer_players_thinking");
                EXPECT_GT(pixels_changed(start, busy, BUSY_X0, BUSY_Y0, BUSY_X1, BUSY_Y1), 20) << "the busy picture at the bottom";
            }
            ASSERT_TRUE(game.wait_for_log("Add 1440 advance minutes", 30, day)) << game.log();
            if (day == 1) game.shot(ROAD, "03_day_in_progress");
            GameWindow::pause(1200);   // the day runs out (0.6 s at the fastest speed)
        }
        const DecodedPng after = game.shot(ROAD, "04_after_five_turns");
        EXPECT_GT(pixels_changed(start, after, 700, 0, 1024, 40), 20) << "the date in the status bar moved on";
        EXPECT_LT(pixels_changed(start, after, BUSY_X0, BUSY_Y0, BUSY_X1, BUSY_Y1), 20) << "the busy picture went with the workers";
        const ProgramRun ended = game.stop(SIGTERM);
        EXPECT_EQ(ended.status, 0) << ended.err;
        const std::string log = game.log();
        EXPECT_EQ(log.find("ERROR"), std::string::npos) << log;
        EXPECT_EQ(GameWindow::occurrences(log, "Add 1440 advance minutes"), 5) << "one day for each Next Turn";
    }

    patch_prefs(save_home, 16, 600);   // automatic passing after 600 ms: the action button is "Pass"
    std::filesystem::remove(save_home + "/Astrovane/auto.sav");
    {   // Pass until the first autosave, Stop, then a sector.
        GameWindow game(display, dir, save_home);
        ASSERT_TRUE(game.start("pass.log"));
        new_game(game);
        game.key("p");
        ASSERT_TRUE(game.wait_for_log("Add 1440 advance minutes", 30, 3)) << game.log();
        game.shot(ROAD, "05_passing_with_stop");
        const std::string autosave = save_home + "/Astrovane/auto.sav";
        for (int i = 0; i < 600 && !std::filesystem::exists(autosave); ++i) GameWindow::pause(100);
        ASSERT_TRUE(std::filesystem::exists(autosave)) << "the 14th day's autosave";
        game.key("s");
        GameWindow::pause(2500);   // the day under way ends; no new one starts
        const int days = GameWindow::occurrences(game.log(), "Add 1440 advance minutes");
        GameWindow::pause(2500);
        EXPECT_EQ(GameWindow::occurrences(game.log(), "Add 1440 advance minutes"), days) << "Stop ends the passing";
        EXPECT_GE(days, 14);
        game.shot(ROAD, "06_stopped");

        galaxy_road::SaveProbe probe;
        const galaxy_road::GalaxyLook look = probe.look(autosave);
        ASSERT_TRUE(look.loaded);
        EXPECT_NE(look.date, "") << "the autosave's day";
        ASSERT_NE(look.home(), nullptr) << "the UI player's sector on the first screen";
        const galaxy_road::SectorSpot sector = *look.home();
        game.move(sector.x, sector.y);
        GameWindow::pause(600);
        const DecodedPng hovered = game.shot(ROAD, "07_sector_hovered");
        game.click(sector.x, sector.y);
        GameWindow::pause(600);
        const DecodedPng clicked = game.shot(ROAD, "08_sector_clicked");
        EXPECT_GT(pixels_changed(hovered, clicked, 0, 40, 1024, 700), 2000) << "the click opens the sector's panel";

        const ProgramRun ended = game.stop(SIGTERM);
        EXPECT_EQ(ended.status, 0) << ended.err;
        EXPECT_EQ(game.log().find("ERROR"), std::string::npos) << game.log();
    }
}

}  // namespace
