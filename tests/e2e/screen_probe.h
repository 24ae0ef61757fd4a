#pragma once
// The program's screens built in a road's own process over the same store and the road's save
// folder, with every picture type loaded as the program loads them: where a control stands on the
// screen, so the road clicks where the program draws it.
#include <gtest/gtest.h>

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

namespace galaxy_road {

constexpr int PICTURE_TYPES = 213;   // every picture type, as the program's loading screen loads them

struct ScreenSpot {
    int x = -1, y = -1;
    bool ok() const { return x >= 0 && y >= 0; }
};

inline ScreenSpot centre_of(const Control *c) {
    if (!c) return {};
    int x = 0, y = 0;
    control_get_screen_position(c, &x, &y);
    return {x + c->w / 2, y + c->h / 2};
}

inline Control *child(Control *panel, int id) { return panel ? panel_find_child(panel, id) : nullptr; }

// The screens in this process over the road's save folder: a game (a seeded new one, or a save
// loaded) in the galaxy mode, or the title with no game.
class ScreenProbe : public ModelGame {
public:
    void TestBody() override {}

    // The galaxy's game menu: where its Save game and Main menu stand, and the Save button of the
    // save screen it opens (over the folder as it is now).
    struct MenuSpots {
        ScreenSpot save_game, main_menu, save;
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
        ScreenSpot row;
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
        ScreenSpot row, load, yes;
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

// From the title to the star map through the load screen where the probe found it: 'l', the first
// row, Load, "Yes, load", then the news of the moment closed. False when the title never came, the game
// did not load or the galaxy did not follow.
inline bool load_from_title(GameWindow &game, const ScreenProbe::LoadSpots &load) {
    if (!game.wait_for_log("Application mode is now 2")) return false;
    GameWindow::pause(3000);   // the title shows its menu
    game.key("l");
    GameWindow::pause(900);
    game.click(load.row.x, load.row.y);
    GameWindow::pause(600);
    game.click(load.load.x, load.load.y);
    GameWindow::pause(700);
    game.click(load.yes.x, load.yes.y);
    if (!game.wait_for_log("Game load complete, result 0", 30) || !game.wait_for_log("Application mode is now 3", 60))
        return false;
    GameWindow::pause(2500);
    game.key("Escape");   // the news of the moment
    GameWindow::pause(600);
    return true;
}

}  // namespace galaxy_road
