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

constexpr const char *ROAD = "saves";
constexpr int PICTURE_TYPES = 213;   // every picture type, as the program's loading screen loads them

struct Spot {
    int x = -1, y = -1;
    bool ok() const { return x >= 0 && y >= 0; }
};

Spot centre_of(const Control *c) {
    if (!c) return {};
    int x = 0, y = 0;
    control_get_screen_position(c, &x, &y);
    return {x + c->w / 2, y + c->h / 2};
}

Control *child(Control *panel, int id) { return panel ? panel_find_child(panel, id) : nullptr; }

// The screens in this process over the road's save folder: a game (a seeded new one, or a save
// loaded) in the galaxy mode, or the title with no game.
class ScreenProbe : public ModelGame {
public:
    void TestBody() override {}

    // The galaxy's game menu: where its Save game and Main menu stand, and the Save button of the
    // save screen it opens (over the folder as it is now).
    struct MenuSpots {
        Spot save_game, main_menu, save;
    };
    MenuSpots galaxy_menu(const std::string &save_home) {
        MenuSpots spots;
        if (!begin(save_home)) return spots;
        random_seed(20261208);
        HeadlessOptions options;
        options.computer_players = 2;
        EXPECT_EQ(headless_new_game(game, options), RES_OK);
        if (enter_galaxy()) {
            close_news();
            driver.press('1');
            driver.frames(50);
            Control *menu = galaxy_screen()->side_panels[GALAXY_LIST_MENU];
            spots.save_game = centre_of(title_test::button_named(menu, "Save game"));
            spots.main_menu = centre_of(title_test::button_named(menu, "Main menu"));
            if (Control *button = title_test::button_named(menu, "Save game")) driver.click(button);
            driver.frames(60);
            Control *sub = child(menu, GAME_MENU_SUBPANEL_ID);
            EXPECT_NE(save_screen_state(sub), nullptr) << "Save game opens the save screen";
            spots.save = centre_of(child(child(sub, SAVE_SCREEN_BUTTONS_ID), SAVE_SCREEN_SAVE_ID));
        }
        end();
        return spots;
    }

    // The news panel as '6' opens it over the saved game: the lowest row wholly in view whose item
    // opens, and that item's text.
    struct NewsSpot {
        Spot row;
        std::string text;
    };
    NewsSpot news(const std::string &save_home, const std::string &save) {
        NewsSpot spot;
        if (!begin(save_home)) return spot;
        EXPECT_EQ(game_load_file(game, save.c_str(), 0), RES_OK) << save;
        if (enter_galaxy()) {
            close_news();
            driver.press('6');
            driver.frames(40);
            Control *panel = galaxy_screen()->side_panels[GALAXY_LIST_NEWS];
            Control *list = child(panel, NEWS_ID_LIST);
            const NewsPanelState *state = news_panel_state(panel);
            if (list && state) {
                int lx = 0, ly = 0;
                control_get_screen_position(list, &lx, &ly);
                for (Control *row : state->rows) {
                    int x = 0, y = 0;
                    control_get_screen_position(row, &x, &y);
                    if (!row->on_click || y < ly || y + row->h > ly + list->h) continue;
                    spot.row = centre_of(row);
                    const Alert *alert = news_panel_row_alert(row);
                    spot.text = alert ? alert->text : "";
                }
            }
        }
        end();
        return spot;
    }

    // The title's 'l': the first row of the load screen, its Load button and the question's "Yes, load".
    struct LoadSpots {
        Spot row, load, yes;
        std::string row_path;
    };
    LoadSpots title_load(const std::string &save_home) {
        LoadSpots spots;
        if (!begin(save_home)) return spots;
        game->flags |= GAME_FLAG_BOOT_LOG_SHOWN;   // the program comes back to its title
        game->flags &= ~GAME_FLAG_FIRST_RUN;
        title_test::give_title_pictures();
        title_test::TitleDriver::enter();
        const bool menu = driver.run_until([] {
            Control *button = title_test::button_named(title_test::TitleDriver::find(TITLE_ID_MENU), "Load game");
            return button && title_test::visible(button) && control_is_enabled(button);
        });
        EXPECT_TRUE(menu) << "the title's menu";
        driver.frames(30);
        driver.press('l');
        driver.frames(50);
        Control *sub = child(title_test::TitleDriver::find(TITLE_ID_MENU), GAME_MENU_SUBPANEL_ID);
        LoadScreenState *s = load_screen_state(sub);
        EXPECT_NE(s, nullptr) << "'l' opens the load screen";
        if (s && !s->list.rows.empty()) {
            Control *row = s->list.rows.front().control;
            spots.row = centre_of(row);
            if (const SaveHeader *h = save_list_header(&s->list, s->list.rows.front().index)) spots.row_path = h->path;
            driver.click(row);
            driver.frames(20);
            Control *load = child(child(sub, LOAD_SCREEN_BUTTONS_ID), LOAD_SCREEN_LOAD_ID);
            spots.load = centre_of(load);
            if (load) driver.click(load);
            driver.frames(30);
            Control *dialog = child(sub, LOAD_SCREEN_DIALOG_ID);
            spots.yes = centre_of(child(child(dialog, DIALOG_ROW_ID), DIALOG_YES_ID));
        }
        end(true);
        return spots;
    }

private:
    title_test::TitleDriver driver;
    GameFieldsGuard fields_back;
    std::optional<EnvGuard> home_back;
    std::vector<int> types;

    bool begin(const std::string &save_home) {
        SetUp();
        home_back.emplace("XDG_DATA_HOME");
        ::setenv("XDG_DATA_HOME", save_home.c_str(), 1);
        const ::testing::AssertionResult started = driver.start();
        EXPECT_TRUE(started);
        driver.draw = false;
        for (int type = 0; type < PICTURE_TYPES; ++type)
            if (image_control_load_type(type) == RES_OK) types.push_back(type);
        return started;
    }
    void end(bool title_pictures = false) {
        driver.stop();
        if (title_pictures) title_free_images(game);
        for (int type : types) image_control_free_type(type);
        types.clear();
        home_back.reset();
        TearDown();
    }
    bool enter_galaxy() {
        if (!game->ui_player) return false;
        title_test::TitleDriver::switch_to(APP_MODE_GALAXY);
        EXPECT_EQ(app_mode_current_id(), APP_MODE_GALAXY);
        driver.frames(100);   // the news of the moment comes in and the panels settle
        return app_mode_current_id() == APP_MODE_GALAXY;
    }
    // The news panel closed, as the game menu leaves it.
    void close_news() {
        Control *news = galaxy_screen()->side_panels[GALAXY_LIST_NEWS];
        if (news && control_is_shown(news)) {
            driver.press('6');
            driver.frames(30);
        }
    }
};

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
    GameWindow::pause(900);
    const DecodedPng save_screen = game.shot(ROAD, "02_save_screen");
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
    GameWindow::pause(900);
    const DecodedPng news_panel = game.shot(ROAD, "05_news_panel");
    EXPECT_GT(pixels_changed(galaxy, news_panel, 0, 400, 512, 730), 800) << "the news panel at the bottom left";
    ASSERT_TRUE(news.row.ok()) << "a news row that opens its item after three days";
    game.click(news.row.x, news.row.y);
    GameWindow::pause(900);
    const DecodedPng item = game.shot(ROAD, "06_news_item");
    EXPECT_GT(pixels_changed(news_panel, item, 262, 184, 762, 584), 5000) << "the item in the middle: " << news.text;
    game.key("Escape");
    GameWindow::pause(600);

    // Main menu asks, and the title comes.
    game.key("1");
    GameWindow::pause(800);
    game.click(first.main_menu.x, first.main_menu.y);
    GameWindow::pause(600);
    game.shot(ROAD, "07_exit_question");
    game.key("y");
    ASSERT_TRUE(game.wait_for_log("Application mode is now 2", 30, 2)) << game.log();

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

    const ProgramRun ended = game.stop(SIGTERM);
    EXPECT_EQ(ended.status, 0) << ended.err;
    const std::string log = game.log();
    EXPECT_EQ(log.find("ERROR"), std::string::npos) << log;
}

}  // namespace
