// End to end: a newcomer's first steps on the real program under a private X server. A click with
// no hold at all (press and release sent together, as a touchpad tap sends them) opens the title's
// new-game screen; Esc on an open value list closes the list and leaves the screen; 's' starts the
// game. On the star map the game menu's 'o' opens Options and a value box opens its list. Then a
// saved game where a rival's ships have come to the player's home sector is loaded from the title:
// Next Turn runs the day, the battle appears, and the next Next Turn is refused: no day starts and
// the battle's dialog opens.
//  - Where the title's and the new-game screen's controls stand, and the options panel's first value
//    box, come from the same screens built in this process (screen_probe.h's pattern); the battle's
//    save is made here over the real model.
//  - Screenshots of every step are kept under build/test-output/screens/newcomer_road/.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "galaxy_road_support.h"
#include "screen_probe.h"

namespace {

using galaxy_road::pixels_changed;

constexpr const char *NEWCOMER_ROAD = "newcomer_road";
constexpr const char *DAY_QUEUED = "Add 1440 advance minutes";
constexpr int BELOW_THE_LIST = 60;   // a list of five values opened on a box reaches this far below it

// Where the road clicks, from the screens built in this process over the road's save folder.
struct NewcomerSpots {
    galaxy_road::ScreenSpot new_game, density, options_choice;
    galaxy_road::ScreenRect setup, menu, list;
};

class NewcomerProbe : public ModelGame {
public:
    void TestBody() override {}

    NewcomerSpots probe(const std::string &save_home) {
        NewcomerSpots spots;
        using title_test::TitleDriver;
        SetUp();
        EnvGuard home_back{"XDG_DATA_HOME"};
        ::setenv("XDG_DATA_HOME", save_home.c_str(), 1);
        EXPECT_EQ(records_load(game), RES_OK);
        title_test::TitleDriver driver;
        EXPECT_TRUE(driver.start());
        driver.draw = false;
        std::vector<int> types;
        for (int type = 0; type < galaxy_road::PICTURE_TYPES; ++type)
            if (image_control_load_type(type) == RES_OK) types.push_back(type);
        game->flags |= GAME_FLAG_BOOT_LOG_SHOWN;
        game->flags &= ~GAME_FLAG_FIRST_RUN;
        title_test::give_title_pictures();
        TitleDriver::enter();
        EXPECT_TRUE(driver.run_until([] {
            Control *b = title_test::button_named(TitleDriver::find(TITLE_ID_MENU), "New game");
            return b && title_test::visible(b) && control_is_enabled(b);
        }));
        driver.frames(30);
        Control *menu = TitleDriver::find(TITLE_ID_MENU);
        spots.new_game = galaxy_road::centre_of(title_test::button_named(menu, "New game"));
        driver.press('n');
        driver.frames(40);
        Control *sub = galaxy_road::child(TitleDriver::find(TITLE_ID_MENU), GAME_MENU_SUBPANEL_ID);
        spots.setup = galaxy_road::rect_of(sub);
        spots.density = galaxy_road::centre_of(
            galaxy_road::child(galaxy_road::child(sub, NEW_GAME_STAR_DENSITY_ID), NEW_GAME_CHOICE_ID));
        driver.press(27);
        driver.frames(30);

        // The galaxy's game menu and its Options over a seeded new game.
        random_seed(20261208);
        HeadlessOptions options;
        options.computer_players = 2;
        EXPECT_EQ(headless_new_game(game, options), RES_OK);
        TitleDriver::switch_to(APP_MODE_GALAXY);
        driver.frames(100);
        if (Control *news = galaxy_screen()->side_panels[GALAXY_LIST_NEWS]; news && control_is_shown(news)) {
            driver.press('6');
            driver.frames(30);
        }
        driver.press('1');
        driver.frames(40);
        driver.press('o');
        driver.frames(40);
        Control *galaxy_menu = galaxy_screen()->side_panels[GALAXY_LIST_MENU];
        spots.menu = galaxy_road::rect_of(galaxy_menu);
        const OptionsState *state = options_panel_state(galaxy_road::child(galaxy_menu, GAME_MENU_SUBPANEL_ID));
        Control *choice = state && state->rows && !state->rows->items.empty()
                              ? galaxy_road::child(state->rows->items[0], OPTIONS_CHOICE_ID)
                              : nullptr;
        spots.options_choice = galaxy_road::centre_of(choice);
        if (choice) driver.click(choice);
        driver.frames(20);
        spots.list = galaxy_road::rect_of(TitleDriver::find(CHOICE_POPUP_ID));
        driver.stop();
        for (int type : types) image_control_free_type(type);
        title_free_images(game);
        (void)records_load(game);
        TearDown();
        return spots;
    }

    // A seeded new game where two of the first rival's ships stand in the UI player's home sector,
    // saved at `path`: the next day's end brings the battle.
    bool save_meeting(const std::string &path) {
        SetUp();
        random_seed(20261209);
        HeadlessOptions options;
        options.computer_players = 2;
        bool made = headless_new_game(game, options) == RES_OK && game->ui_player;
        Sector *home = nullptr;
        for (GameObject *o : made ? game->ui_player->objects.items : std::vector<GameObject *>{}) {
            if (!o) break;
            if (Ship *ship = ship_of(o); ship && ship->sector_id) home = sector_of(game_find_object(game, ship->sector_id));
        }
        Player *rival = nullptr;
        for (int32_t i = 0; made && i < game_player_count(game) && !rival; ++i) {
            Player *p = game_get_player_at(game, i);
            if (p && p->kind == PLAYER_KIND_COMPUTER && p->id != game->ui_player_id) rival = p;
        }
        for (int i = 0; home && rival && i < 2; ++i) {
            Ship *ship = ship_of(player_build_ship_from_design(game->ui_player, 0));
            if (!ship) break;
            object_assign_id(ship);
            object_set_owner_id(ship, rival->id);
            player_add_object(rival, ship);
            game_next_ship_name(game, &ship->ship_name);
            ship_repair_and_reload(ship);
            ship_set_sector(ship, home);
        }
        made = made && home && rival && game_save(game, path.c_str(), "Meeting", 0, nullptr) == RES_OK;
        TearDown();
        return made;
    }
};

class NewcomerEndToEnd : public galaxy_road::Road {
protected:
    NewcomerEndToEnd() : Road(NEWCOMER_ROAD) {}
};

TEST_F(NewcomerEndToEnd, ATapClicksEscClosesTheListOptionsOpenInGameAndARefusedTurnLeadsToTheBattle) {
    const std::string save_home = dir + "/save";
    write_prefs(save_home, 0);   // "Next Turn", no automatic passing
    NewcomerProbe probe;
    const NewcomerSpots spots = probe.probe(save_home);
    ASSERT_TRUE(spots.new_game.ok() && spots.density.ok() && spots.options_choice.ok()) << "the probe found the controls";
    ASSERT_GT(spots.list.x1 - spots.list.x0, 0) << "the probe's value list opened";

    {   // The title, the new-game screen and the star map's options.
        GameWindow game(display, dir, save_home);
        start(game, "newcomer.log");
        game.step(NEWCOMER_ROAD, "a tap on New game");
        galaxy_road::title_menu(game);
        game.move(spots.new_game.x, spots.new_game.y);
        const DecodedPng title = game.resting({440, 320, 584, 530});   // New game hovered
        game.shot(NEWCOMER_ROAD, "01_title");
        // A tap: the pointer is there, then press and release in one go.
        (void)display.tool({"xdotool", "click", "1"});
        const DecodedPng setup = game.shot_when_changed(NEWCOMER_ROAD, "02_new_game_screen_after_a_tap", title,
            WHOLE_SCREEN, 5000, "the new-game screen after a tap");
        EXPECT_GT(pixels_changed(title, setup, 0, 0, 1024, 768), 5000) << "the tap opened the new-game screen";

        game.step(NEWCOMER_ROAD, "the density's value list, closed by Escape");
        game.click(spots.density.x, spots.density.y);
        const DecodedPng list = game.shot_when_changed(NEWCOMER_ROAD, "03_value_list_open", setup, WHOLE_SCREEN, 200,
                                                       "the value list");
        EXPECT_GT(pixels_changed(setup, list, 0, 0, 1024, 768), 200) << "the value list opened";
        game.key("Escape");
        const DecodedPng after_escape = game.shot_when_changed(NEWCOMER_ROAD, "04_escape_closed_the_list", list, WHOLE_SCREEN, 200,
                                                               "the value list closed");
        // Below the list, inside the screen's panel (the title's backdrop behind it moves on).
        const galaxy_road::ScreenRect &panel = spots.setup;
        const int below = spots.density.y + BELOW_THE_LIST;
        EXPECT_LT(pixels_changed(setup, after_escape, panel.x0 + 8, below, panel.x1 - 8, panel.y1 - 8), 200)
            << "the new-game screen stays; only the list went";
        EXPECT_GT(pixels_changed(title, setup, panel.x0 + 8, below, panel.x1 - 8, panel.y1 - 8), 2000)
            << "as the tap opened it";

        start_game(game);
        game.step(NEWCOMER_ROAD, "the game menu's options");
        game.key_for("Escape", "the news of the moment closed", {0, 40, 1024, 728}, 1000);
        const DecodedPng menu = galaxy_road::open_game_menu(game);
        game.key("o");
        const DecodedPng options = galaxy_road::wait_for_new_screen(game, menu, "the options in the game menu", 2000);
        game.shot(NEWCOMER_ROAD, "05_options_in_game");
        game.click(spots.options_choice.x, spots.options_choice.y);
        const galaxy_road::ScreenRect &at = spots.list;
        const DecodedPng opened = game.shot_when_changed(NEWCOMER_ROAD, "06_options_value_list", options, {at.x0, at.y0, at.x1, at.y1},
            (at.x1 - at.x0) * (at.y1 - at.y0) / 8, "the value box's list over the menu");
        EXPECT_GT(pixels_changed(options, opened, at.x0, at.y0, at.x1, at.y1), (at.x1 - at.x0) * (at.y1 - at.y0) / 8)
            << "the value box's list is drawn over the menu";
        const ProgramRun ended = game.stop(SIGTERM);
        EXPECT_EQ(ended.status, 0) << ended.err;
        EXPECT_EQ(game.log().find("ERROR"), std::string::npos) << game.log();
    }

    const std::string save = save_home + "/Astrovane/000.sav";
    ASSERT_TRUE(probe.save_meeting(save));
    galaxy_road::ScreenProbe loader;
    const galaxy_road::ScreenProbe::LoadSpots load = loader.title_load(save_home, save);
    ASSERT_TRUE(load.row.ok() && load.load.ok() && load.yes.ok());
    {   // The day that brings the battle, then a Next Turn refused.
        GameWindow game(display, dir, save_home);
        start(game, "battle.log");
        ASSERT_TRUE(galaxy_road::load_from_title(game, load, "the day before the battle")) << game.log();
        game.step(NEWCOMER_ROAD, "the day that brings the battle");
        ASSERT_TRUE(next_day(game)) << game.log();   // the day runs out and the battle is found
        DecodedPng waiting = game.look();
        game.settle(waiting, {0, 40, 1024, 700}, 200);
        waiting = game.shot(NEWCOMER_ROAD, "07_battle_waiting");
        GameWindow::let_input_unlock();
        game.step(NEWCOMER_ROAD, "Next Turn refused, the battle's dialog");
        game.key("n");
        const DecodedPng refused = game.shot_when_changed(NEWCOMER_ROAD, "08_next_turn_refused_opens_the_battle", waiting,
            {0, 40, 1024, 700}, 3000, "the battle's dialog");
        EXPECT_EQ(GameWindow::occurrences(game.log(), DAY_QUEUED), 1) << "no day starts past the battle";
        EXPECT_GT(pixels_changed(waiting, refused, 0, 40, 1024, 700), 3000) << "the battle's dialog opened";
        const ProgramRun ended = game.stop(SIGTERM);
        EXPECT_EQ(ended.status, 0) << ended.err;
        EXPECT_EQ(game.log().find("ERROR"), std::string::npos) << game.log();
    }
}

}  // namespace
