// End to end: a game kept and taken up again through the screens, and its news read, on the real
// program under a private X server. In a new game a few days pass; the galaxy's game menu ('1')
// opens Save game and Save writes 000.sav with "Game saved"; the news panel ('6') opens an item;
// the menu's Main menu asks and leaves for the title; the title's 'l' opens Load game, the row is
// picked, Load asks, "Yes, load" loads it and the galaxy comes back. The loaded game is saved once
// more (001.sav): both saves hold the same day and credits.
//  - Where the road clicks comes from probes: the same screens built headless in this process over
//    the same store, with every picture type loaded as the program loads them and the road's own
//    save folder, driven by the same keys and clicks. The save screen is probed in a new game of
//    this process (its layout does not hang on the game it saves), the news panel in the saved
//    game loaded here, the load screen on a title of this process.
//  - Screenshots of every step are kept under build/test-output/screens/saves/.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "galaxy_road_support.h"
#include "screen_probe.h"
#include "game/headless.h"
#include "platform/random.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/news/news_panel.h"
#include "screens/saves/load_screen.h"
#include "screens/saves/save_screen.h"
#include "screens/title/game_menu.h"
#include "screens/title/title_mode.h"
#include "screens/title/title_test_support.h"
#include "support/state_guards.h"
#include "ui/dialog.h"
#include "ui/image_control.h"
#include "ui/panel.h"

namespace {

using galaxy_road::pixels_changed;
using galaxy_road::ScreenProbe;

constexpr const char *ROAD = "saves";
// A save's header: the day it shows and the UI player's credits.
struct Kept {
    bool        read = false;
    std::string date;
    int64_t     credits = 0;
};

Kept kept_in(const std::string &path) {
    Kept k;
    SaveHeader *h = nullptr;
    if (save_header_read_file(&h, path.c_str()) == RES_OK && h) {
        k.read = true;
        k.date = h->date_text;
        k.credits = h->credits;
    }
    save_header_free(h);
    return k;
}

class SavesEndToEnd : public galaxy_road::Road {
protected:
    SavesEndToEnd() : Road(ROAD) {}
};

TEST_F(SavesEndToEnd, SaveFromTheGalaxyMenuReadTheNewsLeaveForTheTitleAndLoadTheSameGame) {
    const std::string save_home = dir + "/save";
    write_prefs(save_home, 0);   // no automatic passing: the action button is "Next Turn"
    const std::string folder = save_home + "/Astrovane";
    ScreenProbe probe;
    const ScreenProbe::MenuSpots first = probe.galaxy_menu(save_home);
    ASSERT_TRUE(first.save_game.ok() && first.main_menu.ok() && first.save.ok());

    GameWindow game(display, dir, save_home);
    ASSERT_TRUE(game.start("saves.log"));
    new_game(game);
    for (int day = 1; day <= 3; ++day) {
        game.key("n");
        ASSERT_TRUE(game.wait_for_log("Add 1440 advance minutes", 30, day)) << game.log();
        GameWindow::pause(1500);   // the day runs out
    }

    // Save game: "(New file)" is chosen as the screen opens.
    game.key("1");
    GameWindow::pause(800);
    const DecodedPng menu = game.shot(ROAD, "01_game_menu");
    game.click(first.save_game.x, first.save_game.y);
    const DecodedPng save_screen = game.shot_when_changed(ROAD, "02_save_screen", menu,
        {0, 0, 1024, 768}, 5000, "the save screen in the menu");
    EXPECT_GT(pixels_changed(menu, save_screen, 0, 0, 1024, 768), 5000) << "the save screen in the menu";
    game.click(first.save.x, first.save.y);
    ASSERT_TRUE(game.wait_for_log("Save game \"" + folder + "/000.sav\"", 10)) << game.log();
    GameWindow::pause(1400);   // "Game saved" shows after 1050 ms
    game.shot(ROAD, "03_game_saved");
    ASSERT_TRUE(std::filesystem::exists(folder + "/000.sav"));
    GameWindow::pause(2800);   // the menu goes 3.7 s after the save
    const Kept saved = kept_in(folder + "/000.sav");
    ASSERT_TRUE(saved.read);

    // The news: the lowest row whose item opens.
    const ScreenProbe::NewsSpot news = probe.news(save_home, folder + "/000.sav");
    const DecodedPng galaxy = game.shot(ROAD, "04_galaxy_after_saving");
    game.key("6");
    const DecodedPng news_panel = game.shot_when_changed(ROAD, "05_news_panel", galaxy,
        {0, 400, 512, 730}, 800, "the news panel at the bottom left");
    EXPECT_GT(pixels_changed(galaxy, news_panel, 0, 400, 512, 730), 800) << "the news panel at the bottom left";
    ASSERT_TRUE(news.row.ok()) << "a news row that opens its item after three days";
    game.click(news.row.x, news.row.y);
    const DecodedPng item = game.shot_when_changed(ROAD, "06_news_item", news_panel,
        {262, 184, 762, 584}, 5000, std::string("the item in the middle: ") + news.text);
    EXPECT_GT(pixels_changed(news_panel, item, 262, 184, 762, 584), 5000) << "the item in the middle: " << news.text;
    game.key("Escape");
    GameWindow::pause(600);

    // Main menu asks, and the title comes.
    ASSERT_TRUE(galaxy_road::main_menu_to_title(game, first, "07_exit_question")) << game.log();

    const ScreenProbe::LoadSpots load = probe.title_load(save_home);
    ASSERT_TRUE(load.row.ok() && load.load.ok() && load.yes.ok());
    EXPECT_EQ(load.row_path, folder + "/000.sav") << "the newest save heads the list";
    GameWindow::pause(3000);   // the title shows its menu again
    game.shot(ROAD, "08_title");
    game.key("l");
    GameWindow::pause(900);
    game.click(load.row.x, load.row.y);
    GameWindow::pause(600);
    game.shot(ROAD, "09_load_screen");
    game.click(load.load.x, load.load.y);
    GameWindow::pause(700);
    game.shot(ROAD, "10_load_question");
    game.click(load.yes.x, load.yes.y);
    ASSERT_TRUE(game.wait_for_log("Game load complete, result 0", 30)) << game.log();
    ASSERT_TRUE(game.wait_for_log("Application mode is now 3", 60, 2)) << game.log();
    GameWindow::pause(2500);
    game.shot(ROAD, "11_loaded_galaxy");

    // The loaded game saved again holds the same day and credits.
    const ScreenProbe::MenuSpots again = probe.galaxy_menu(save_home);
    ASSERT_TRUE(again.save.ok());
    game.key("1");
    GameWindow::pause(800);
    game.click(again.save_game.x, again.save_game.y);
    GameWindow::pause(900);
    game.shot(ROAD, "12_save_screen_with_a_save");
    game.click(again.save.x, again.save.y);
    ASSERT_TRUE(game.wait_for_log("Save game \"" + folder + "/001.sav\"", 10)) << game.log();
    const Kept resaved = kept_in(folder + "/001.sav");
    ASSERT_TRUE(resaved.read);
    EXPECT_EQ(resaved.date, saved.date);
    EXPECT_EQ(resaved.credits, saved.credits);
    galaxy_road::SaveProbe look;
    EXPECT_EQ(look.look(folder + "/001.sav").date, look.look(folder + "/000.sav").date) << "the clock of the game";

    finish(game);
}

}  // namespace
