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
#include <vector>

#include "../game/headless_fixture.h"
#include "game/game.h"
#include "game/save.h"
#include "platform/graphics.h"
#include "support/game_window.h"
#include "world/object.h"
#include "world/object_map.h"

namespace {

constexpr const char *ROAD = "galaxy";

// Writes a big-endian word of "prefs.dat" (byte offset: 12 galaxy speed, 16 auto-pass delay).
void patch_prefs(const std::string &save_home, size_t offset, int32_t value) {
    const std::string path = save_home + "/Astrovane/prefs.dat";
    std::vector<uint8_t> bytes = read_whole(path);
    ASSERT_GE(bytes.size(), offset + 4) << path;
    for (int i = 0; i < 4; ++i) bytes[offset + size_t(i)] = uint8_t(uint32_t(value) >> (24 - 8 * i));
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

// Pixels that differ clearly between two screenshots inside a rectangle.
int pixels_changed(const DecodedPng &a, const DecodedPng &b, int x0, int y0, int x1, int y1) {
    if (!a.ok || !b.ok || a.width != b.width || a.height != b.height) return -1;
    int n = 0;
    for (int y = y0; y < y1 && y < int(a.height); ++y)
        for (int x = x0; x < x1 && x < int(a.width); ++x) {
            const size_t at = (size_t(y) * a.width + size_t(x)) * size_t(a.channels());
            int d = 0;
            for (int c = 0; c < 3; ++c) d += std::abs(int(a.pixels[at + size_t(c)]) - int(b.pixels[at + size_t(c)]));
            n += d > 60;
        }
    return n;
}

struct Spot {
    int x = -1, y = -1;
    bool ok() const { return x >= 0 && y >= 0; }
};

// The middle of the UI player's own sector on the screen, from the autosave: the star map view starts
// at the map's origin (or the negative origin of a map smaller than the screen).
class AutosaveProbe : public ModelGame {
public:
    void TestBody() override {}
    Spot own_sector(const std::string &path, std::string *date) {
        Spot spot;
        SetUp();
        if (game_load_file(game, path.c_str(), 0) == RES_OK && game->galaxy_map) {
            ObjectMap *map = game->galaxy_map;
            const int ox = std::min(0, map->world_w - GFX_WIDTH - 1), oy = std::min(0, map->world_h - GFX_HEIGHT - 1);
            for (GameObject *o : map->objects.items) {
                if (!o) break;
                if (o->kind != OBJECT_SECTOR || o->owner_id != game->ui_player_id) continue;
                const int x = o->x - ox + o->w / 2, y = o->y - oy + o->h / 2;
                if (x > 40 && x < GFX_WIDTH - 40 && y > 60 && y < GFX_HEIGHT - 80) spot = {x, y};
            }
            if (game->clock) *date = std::to_string(game->clock->year) + "/" + std::to_string(game->clock->month) +
                                     "/" + std::to_string(game->clock->day);
        }
        TearDown();
        return spot;
    }
};

class GalaxyEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char *tool : {"xdotool", "import"})
            ASSERT_FALSE(find_tool(tool).empty()) << tool << " is needed for the end-to-end test";
        dir = fresh_test_dir("e2e_galaxy");
        const std::string why = display.start(dir);
        if (!why.empty()) GTEST_SKIP() << "no X server for the end-to-end test: " << why;
        std::filesystem::remove_all(std::string(ASTROVANE_BINARY_DIR) + "/test-output/screens/" + ROAD);
    }
    // From the title to the star map: 'n' opens the new-game screen, 's' starts with its default players.
    static void new_game(GameWindow &game) {
        ASSERT_TRUE(game.wait_for_log("Application mode is now 2")) << game.log();
        GameWindow::pause(1500);
        game.key("n");
        GameWindow::pause(900);
        game.key("s");
        ASSERT_TRUE(game.wait_for_log("Application mode is now 3", 120)) << game.log();
        GameWindow::pause(1500);
    }
    std::string    dir;
    PrivateDisplay display;
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
                EXPECT_GT(pixels_changed(start, busy, 412, 700, 612, 768), 20) << "the busy picture at the bottom";
            }
            ASSERT_TRUE(game.wait_for_log("Add 1440 advance minutes", 30, day)) << game.log();
            if (day == 1) game.shot(ROAD, "03_day_in_progress");
            GameWindow::pause(1200);   // the day runs out (0.6 s at the fastest speed)
        }
        const DecodedPng after = game.shot(ROAD, "04_after_five_turns");
        EXPECT_GT(pixels_changed(start, after, 700, 0, 1024, 40), 20) << "the date in the status bar moved on";
        EXPECT_LT(pixels_changed(start, after, 412, 700, 612, 768), 20) << "the busy picture went with the workers";
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

        std::string date;
        AutosaveProbe probe;
        const Spot sector = probe.own_sector(autosave, &date);
        ASSERT_TRUE(sector.ok()) << "the UI player's sector on the first screen";
        EXPECT_NE(date, "") << "the autosave's day";
        game.move(sector.x, sector.y);
        GameWindow::pause(600);
        game.shot(ROAD, "07_sector_hovered");
        game.click(sector.x, sector.y);
        GameWindow::pause(600);
        game.shot(ROAD, "08_sector_clicked");
        EXPECT_TRUE(game.wait_for_log("No sector panel yet", 5)) << "the click reaches the sector's panel";

        const ProgramRun ended = game.stop(SIGTERM);
        EXPECT_EQ(ended.status, 0) << ended.err;
        EXPECT_EQ(game.log().find("ERROR"), std::string::npos) << game.log();
    }
}

}  // namespace
