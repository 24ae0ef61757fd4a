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

constexpr const char *GALAXY_ROAD = "galaxy";
// Where the busy picture stands: centred 10 pixels over the bottom edge. Only its own square is
// compared, as the map around it lives (the selection ring, markers, fleets).
constexpr ScreenBox BUSY{494, 728, 530, 766};

class GalaxyEndToEnd : public galaxy_road::Road {
protected:
    GalaxyEndToEnd() : Road(GALAXY_ROAD) {}
};

TEST_F(GalaxyEndToEnd, NewGameFiveTurnsPassStopThenASectorHoveredAndClicked) {
    const std::string save_home = dir + "/save";
    write_prefs(save_home, 0);   // the fastest galaxy speed; no automatic passing: the action button is "Next Turn"

    {   // Five turns.
        GameWindow game(display, dir, save_home, {"ASTROVANE_TEST_WORKER_DELAY_MS=3000"});
        start(game, "turns.log");
        new_game(game);
        const DecodedPng start = game.shot(GALAXY_ROAD, "01_star_map");
        for (int day = 1; day <= 5; ++day) {
            game.step(GALAXY_ROAD, "Next Turn " + std::to_string(day));
            if (day == 1) {
                game.key("n");
                // The computer players still think on their slowed workers: the busy picture comes.
                // It shows only while they think: the screen it was seen on is the one kept.
                const DecodedPng busy = game.wait_for_screen("the busy picture at the bottom", [&](const DecodedPng &now) {
                    return pixels_changed(start, now, BUSY) > 20;
                });
                game.keep_look(GALAXY_ROAD, "02_computer_players_thinking");
                EXPECT_GT(pixels_changed(start, busy, BUSY), 20) << "the busy picture at the bottom";
                ASSERT_TRUE(game.expect_log("Add 1440 advance minutes", 30, day)) << game.log();
                game.shot(GALAXY_ROAD, "03_day_in_progress");
            } else {
                ASSERT_TRUE(next_turn(game)) << game.log();
            }
        }
        game.step(GALAXY_ROAD, "the fifth day over");
        DecodedPng after = game.wait_for_screen("the busy picture gone", [&](const DecodedPng &now) {
            return pixels_changed(start, now, BUSY) < 20;
        });
        wait_for_days_to_stop(game);
        after = game.shot(GALAXY_ROAD, "04_after_five_turns");
        EXPECT_GT(pixels_changed(start, after, 700, 0, 1024, 40), 20) << "the date in the status bar moved on";
        EXPECT_LT(pixels_changed(start, after, BUSY), 20) << "the busy picture went with the workers";
        finish(game);
        const std::string log = game.log();
        EXPECT_EQ(GameWindow::occurrences(log, "Add 1440 advance minutes"), 5) << "one day for each Next Turn";
    }

    patch_prefs(save_home, 16, 600);   // automatic passing after 600 ms: the action button is "Pass"
    std::filesystem::remove(save_home + "/Astrovane/auto.sav");
    {   // Pass until the first autosave, Stop, then a sector.
        GameWindow game(display, dir, save_home);
        start(game, "pass.log");
        new_game(game);
        game.step(GALAXY_ROAD, "Pass");
        game.key("p");
        ASSERT_TRUE(game.expect_log("Add 1440 advance minutes", 30, 3)) << game.log();
        game.shot(GALAXY_ROAD, "05_passing_with_stop");
        const std::string autosave = save_home + "/Astrovane/auto.sav";
        ASSERT_TRUE(game.wait_until("the 14th day's autosave", [&] { return std::filesystem::exists(autosave); }, 120));
        game.step(GALAXY_ROAD, "Stop");
        game.key("s");
        wait_for_days_to_stop(game);   // the day under way ends; no new one starts
        // No day may start after this, while the sector is hovered and clicked below.
        const int days = GameWindow::occurrences(game.log(), "Add 1440 advance minutes");
        EXPECT_GE(days, 14);
        game.shot(GALAXY_ROAD, "06_stopped");

        galaxy_road::SaveProbe probe;
        const galaxy_road::GalaxyLook look = probe.look(autosave);
        ASSERT_TRUE(look.loaded);
        EXPECT_NE(look.date, "") << "the autosave's day";
        ASSERT_NE(look.home(), nullptr) << "the UI player's sector on the first screen";
        const galaxy_road::SectorSpot sector = *look.home();
        game.step(GALAXY_ROAD, "hover and click " + sector.name);
        game.move(sector.x, sector.y);
        DecodedPng hovered = game.look();
        game.settle(hovered);
        hovered = game.shot(GALAXY_ROAD, "07_sector_hovered");
        game.click(sector.x, sector.y);
        const DecodedPng clicked = game.shot_when_changed(GALAXY_ROAD, "08_sector_clicked", hovered, {0, 40, 1024, 700}, 2000,
                                                          "the sector's panel");
        EXPECT_GT(pixels_changed(hovered, clicked, 0, 40, 1024, 700), 2000) << "the click opens the sector's panel";
        EXPECT_EQ(GameWindow::occurrences(game.log(), "Add 1440 advance minutes"), days) << "Stop ends the passing";
        finish(game);
    }
}

}  // namespace
