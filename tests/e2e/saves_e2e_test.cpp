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

constexpr const char *SAVES_ROAD = "saves";
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
    SavesEndToEnd() : Road(SAVES_ROAD) {}
};

TEST_F(SavesEndToEnd, SaveFromTheGalaxyMenuReadTheNewsLeaveForTheTitleAndLoadTheSameGame) {
    const std::string save_home = dir + "/save";
    write_prefs(save_home, 0);   // no automatic passing: the action button is "Next Turn"
    const std::string folder = save_home + "/Astrovane";
    ScreenProbe probe;
    const ScreenProbe::MenuSpots first = probe.galaxy_menu(save_home);
    ASSERT_TRUE(first.save_game.ok() && first.main_menu.ok() && first.save.ok());

    GameWindow game(display, dir, save_home);
    start(game, "saves.log");
    new_game(game);
    for (int day = 1; day <= 3; ++day) {
        game.step(SAVES_ROAD, "Next Turn " + std::to_string(day));
        ASSERT_TRUE(next_day(game)) << game.log();
    }

    // Save game: "(New file)" is chosen as the screen opens.
    game.step(SAVES_ROAD, "Save game from the game menu");
    galaxy_road::open_game_menu(game);
    const DecodedPng menu = game.shot(SAVES_ROAD, "01_game_menu");
    game.click(first.save_game.x, first.save_game.y);
    const DecodedPng save_screen = game.shot_when_changed(SAVES_ROAD, "02_save_screen", menu,
        {0, 0, 1024, 768}, 5000, "the save screen in the menu");
    EXPECT_GT(pixels_changed(menu, save_screen, 0, 0, 1024, 768), 5000) << "the save screen in the menu";
    game.click(first.save.x, first.save.y);
    ASSERT_TRUE(game.expect_log("Save game \"" + folder + "/000.sav\"", 10)) << game.log();
    ASSERT_TRUE(game.expect_log("Game saved to \"" + folder + "/000.sav\"", 30)) << game.log();
    // "Game saved" shows in green a second after the save.
    game.wait_for_screen("\"Game saved\" in the menu", [](const DecodedPng &now) {
        return galaxy_road::Road::coloured(now, {0, 40, 512, 740}, 17, 209, 17, 24) > 60;
    });
    game.shot(SAVES_ROAD, "03_game_saved");
    ASSERT_TRUE(std::filesystem::exists(folder + "/000.sav"));
    // The menu goes 3.7 s after the save.
    DecodedPng galaxy = game.wait_for_screen("the menu gone after the save", [](const DecodedPng &now) {
        return !galaxy_road::game_menu_shown(now);
    });
    game.settle(galaxy, {0, 40, GFX_WIDTH, GFX_HEIGHT - 40}, 100);
    GameWindow::let_input_unlock();
    const Kept saved = kept_in(folder + "/000.sav");
    ASSERT_TRUE(saved.read);

    // The news: the lowest row whose item opens.
    game.step(SAVES_ROAD, "the news");
    const ScreenProbe::NewsSpot news = probe.news(save_home, folder + "/000.sav");
    galaxy = game.shot(SAVES_ROAD, "04_galaxy_after_saving");
    game.key("6");
    const DecodedPng news_panel = game.shot_when_changed(SAVES_ROAD, "05_news_panel", galaxy,
        {0, 400, 512, 730}, 800, "the news panel at the bottom left");
    EXPECT_GT(pixels_changed(galaxy, news_panel, 0, 400, 512, 730), 800) << "the news panel at the bottom left";
    ASSERT_TRUE(news.row.ok()) << "a news row that opens its item after three days";
    game.click(news.row.x, news.row.y);
    const DecodedPng item = game.shot_when_changed(SAVES_ROAD, "06_news_item", news_panel,
        {262, 184, 762, 584}, 5000, std::string("the item in the middle: ") + news.text);
    EXPECT_GT(pixels_changed(news_panel, item, 262, 184, 762, 584), 5000) << "the item in the middle: " << news.text;
    game.key_for("Escape", "the news item closed", {262, 184, 762, 584}, 5000);

    // Main menu asks, and the title comes.
    ASSERT_TRUE(galaxy_road::main_menu_to_title(game, first, "07_exit_question")) << game.log();

    game.step(SAVES_ROAD, "the save loaded from the title");
    const ScreenProbe::LoadSpots load = probe.title_load(save_home);
    ASSERT_TRUE(load.row.ok() && load.load.ok() && load.yes.ok());
    EXPECT_EQ(load.row_path, folder + "/000.sav") << "the newest save heads the list";
    const DecodedPng title = galaxy_road::title_menu(game);   // the title shows its menu again
    game.shot(SAVES_ROAD, "08_title");
    // 'l' is taken once the title shows its menu: pressed again until the load screen comes.
    game.key_until("l", "the load screen", [&](const DecodedPng &now) {
        return pixels_changed(title, now, WHOLE_SCREEN) > 20000;
    });
    galaxy_road::wait_for_new_screen(game, title, "the load screen", 20000);
    game.click(load.row.x, load.row.y);
    const DecodedPng picked = game.resting();
    game.shot(SAVES_ROAD, "09_load_screen");
    GameWindow::let_input_unlock();
    game.click(load.load.x, load.load.y);
    galaxy_road::wait_for_new_screen(game, picked, "the question before loading", 1000);
    game.shot(SAVES_ROAD, "10_load_question");
    game.click(load.yes.x, load.yes.y);
    ASSERT_TRUE(game.expect_log("Game load complete, result 0", 30)) << game.log();
    ASSERT_TRUE(game.expect_log("Application mode is now 3", 60, 2)) << game.log();
    enter_galaxy(game);
    game.shot(SAVES_ROAD, "11_loaded_galaxy");

    // The loaded game saved again holds the same day and credits.
    game.step(SAVES_ROAD, "the loaded game saved again");
    const ScreenProbe::MenuSpots again = probe.galaxy_menu(save_home);
    ASSERT_TRUE(again.save.ok());
    const DecodedPng menu_again = galaxy_road::open_game_menu(game);
    game.click(again.save_game.x, again.save_game.y);
    game.shot_when_changed(SAVES_ROAD, "12_save_screen_with_a_save", menu_again, {0, 0, 1024, 768}, 5000,
                           "the save screen in the menu");
    game.click(again.save.x, again.save.y);
    ASSERT_TRUE(game.expect_log("Save game \"" + folder + "/001.sav\"", 10)) << game.log();
    ASSERT_TRUE(game.expect_log("Game saved to \"" + folder + "/001.sav\"", 30)) << game.log();
    const Kept resaved = kept_in(folder + "/001.sav");
    ASSERT_TRUE(resaved.read);
    EXPECT_EQ(resaved.date, saved.date);
    EXPECT_EQ(resaved.credits, saved.credits);
    galaxy_road::SaveProbe look;
    EXPECT_EQ(look.look(folder + "/001.sav").date, look.look(folder + "/000.sav").date) << "the clock of the game";

    finish(game);
}

}  // namespace
