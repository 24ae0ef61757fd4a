// End to end: the front door as a new player meets it, on the real program under a private X server.
// First run: the boot log types itself while the help window opens; the help closes with its title
// bar; the title reveals itself; Options changes the galaxy speed (written to prefs.dat at once);
// Help and About open, the About page's link asks before it opens anything; New game, a new player
// created by name in the player selection, Start, and the galaxy mode is reached. Second run: no
// help, and Quit ('q', 'y') ends the program with status 0.
//  - Where the road clicks, the places come from a probe: the same screens built headless in this
//    process over the same store and the same shipped player records, driven by the same keys, so a
//    layout change moves the clicks with it.
//  - Screenshots of every step are kept under build/test-output/screens/front_door/.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "game/prefs.h"
#include "game/records.h"
#include "screen_probe.h"
#include "screens/title/game_menu.h"
#include "screens/title/help_window.h"
#include "screens/title/new_game.h"
#include "screens/title/options_panel.h"
#include "screens/title/player_select.h"
#include "screens/title/title_mode.h"
#include "screens/title/title_test_support.h"
#include "galaxy_road_support.h"
#include "support/game_window.h"
#include "support/state_guards.h"
#include "ui/choice.h"
#include "ui/panel.h"
#include "ui/text_entry.h"

namespace {

using galaxy_road::centre_of;
using galaxy_road::child;
using galaxy_road::ScreenSpot;
using galaxy_road::TITLE_CENTRE;
using galaxy_road::TITLE_HELP;

constexpr const char *FRONT_DOOR_ROAD = "front_door";
constexpr const char *NEW_PLAYER = "Nova Reyes";

struct FrontDoorSpots {
    ScreenSpot help_title;          // the help window's title bar (closes it)
    ScreenSpot galaxy_speed;        // the options panel's "Galaxy Speed" choice
    ScreenSpot galaxy_speed_fast;   // its "Fast" item in the open list
    ScreenSpot slot0_name;          // the human slot's name box on the new-game screen
    ScreenSpot create_row;          // " (Create new player)" in the player selection
    ScreenSpot name_entry;          // the new player's name field it opens
};

// The road's steps played headless in this process: a first run over the generated store with the
// shipped player records (no save folder of its own yet), the title entered through the real mode
// switch, and the same keys and clicks. Reads where each control the road clicks stands.
FrontDoorSpots probe_spots() {
    FrontDoorSpots spots;
    using title_test::TitleDriver;
    GameFieldsGuard fields_back;
    EnvGuard home_back{"XDG_DATA_HOME"};
    const std::string home = fresh_test_dir("front_door_probe");
    ::setenv("XDG_DATA_HOME", home.c_str(), 1);
    ui_test::use_generated_store();
    Game *game = game_get();
    EXPECT_EQ(records_load(game), RES_OK);   // no records.dat yet: the shipped records, default slots
    title_test::give_title_pictures();

    TitleDriver driver;
    EXPECT_TRUE(driver.start());
    driver.draw = false;
    game->flags |= GAME_FLAG_FIRST_RUN;
    game->flags &= ~GAME_FLAG_BOOT_LOG_SHOWN;
    game->help_topic = 0;
    TitleDriver::enter();
    driver.frames(5);

    Control *help = TitleDriver::find(CONTROL_ID_HELP);
    spots.help_title = centre_of(child(help, 100001));
    EXPECT_TRUE(spots.help_title.ok()) << "the first run opens the help window";
    if (Control *bar = child(help, 100001)) driver.click(bar);
    driver.frames(30);
    EXPECT_EQ(TitleDriver::find(CONTROL_ID_HELP), nullptr) << "its title bar closes it";

    driver.press('o');
    driver.frames(30);
    Control *menu = TitleDriver::find(TITLE_ID_MENU);
    Control *sub = child(menu, 100002);
    OptionsState *options = sub ? options_panel_state(sub) : nullptr;
    EXPECT_NE(options, nullptr) << "'o' opens the options panel";
    if (options && options->rows && options->rows->items.size() > 3) {
        Control *choice = child(options->rows->items[3], 100003);   // "Galaxy Speed"
        spots.galaxy_speed = centre_of(choice);
        if (choice) driver.click(choice);
        driver.frames(20);
        if (Panel *list = panel_of(TitleDriver::find(CHOICE_POPUP_ID)))
            for (Control *row : list->children.items) {
                if (!row) break;
                if (title_test::texts_of(row) == "Fast") spots.galaxy_speed_fast = centre_of(row);
            }
    }
    EXPECT_TRUE(spots.galaxy_speed_fast.ok()) << "the open list of the galaxy speeds";
    driver.press(27);   // Escape closes the open list only
    driver.frames(30);
    EXPECT_EQ(TitleDriver::find(CHOICE_POPUP_ID), nullptr) << "Escape closes the open list";
    EXPECT_NE(child(TitleDriver::find(TITLE_ID_MENU), 100002), nullptr) << "and leaves the options open";
    driver.press(27);   // then the options
    driver.frames(30);

    driver.press('n');
    driver.frames(30);
    sub = child(TitleDriver::find(TITLE_ID_MENU), 100002);
    NewGameState *setup = sub ? new_game_state(sub) : nullptr;
    EXPECT_NE(setup, nullptr) << "'n' opens the new-game screen";
    if (setup && setup->slots && !setup->slots->items.empty()) {
        Control *name_box = child(setup->slots->items[0], 100015);
        spots.slot0_name = centre_of(name_box);
        if (name_box) driver.click(name_box);
        driver.frames(30);
        Control *dialog = TitleDriver::find(CONTROL_ID_PLAYER_SELECT);
        Control *create = child(child(dialog, 100001), 100007);
        spots.create_row = centre_of(create);
        if (create) driver.click(create);
        driver.frames(20);
        Control *entry = child(dialog, 100006);
        EXPECT_NE(entry, nullptr) << "the create row opens the name entry";
        spots.name_entry = centre_of(entry);
        if (entry) driver.click(entry);
        driver.frames(5);
        EXPECT_TRUE(entry && text_entry_is_editing(entry)) << "a click on the entry begins the edit";
    }
    EXPECT_TRUE(spots.create_row.ok()) << "the player selection's create row";

    driver.stop();
    (void)records_load(game);   // the shipped records again, as a test that loads them finds them
    title_free_images(game);
    return spots;
}

// "prefs.dat" of a save folder: the galaxy speed word (big-endian at byte 12), or -1 without a file.
int32_t galaxy_speed_in(const std::string &save_home) {
    const std::vector<uint8_t> bytes = read_whole(save_home + "/Astrovane/prefs.dat");
    if (bytes.size() < 16) return -1;
    return int32_t(uint32_t(bytes[12]) << 24 | uint32_t(bytes[13]) << 16 | uint32_t(bytes[14]) << 8 | bytes[15]);
}

// Pixels of a screenshot whose colour is close to (r, g, b) inside a rectangle.
int pixels_like(const DecodedPng &png, int x0, int y0, int x1, int y1, int r, int g, int b) {
    if (!png.ok) return 0;
    int n = 0;
    for (int y = y0; y < y1 && y < int(png.height); ++y)
        for (int x = x0; x < x1 && x < int(png.width); ++x) {
            const uint8_t *p = png.pixels.data() + (size_t(y) * png.width + size_t(x)) * size_t(png.channels());
            n += std::abs(p[0] - r) < 40 && std::abs(p[1] - g) < 40 && std::abs(p[2] - b) < 40;
        }
    return n;
}

// Pixels of the title's revealed backdrop (its violet nebula) in the sky right of the logo.
int revealed_pixels(const DecodedPng &png) {
    if (!png.ok) return 0;
    int n = 0;
    for (int y = 200; y < 320; ++y)
        for (int x = 740; x < 1000; ++x) {
            const uint8_t *p = png.pixels.data() + (size_t(y) * png.width + size_t(x)) * size_t(png.channels());
            n += p[2] > 90 && p[2] > p[1] + 30 && p[0] > p[1];
        }
    return n;
}

class FrontDoorEndToEnd : public galaxy_road::Road {
protected:
    FrontDoorEndToEnd() : Road(FRONT_DOOR_ROAD) {}
};

TEST_F(FrontDoorEndToEnd, BootLogTitleOptionsHelpAboutNewPlayerStartThenQuitOnTheSecondRun) {
    const FrontDoorSpots spots = probe_spots();
    ASSERT_TRUE(spots.help_title.ok() && spots.galaxy_speed_fast.ok() && spots.slot0_name.ok() &&
                spots.create_row.ok() && spots.name_entry.ok());
    const std::string save_home = dir + "/save";

    {   // First run.
        GameWindow game(display, dir, save_home);
        start(game, "first.log");
        game.step(FRONT_DOOR_ROAD, "the first run's help over the boot log");
        DecodedPng boot = game.wait_for_screen("the boot log typing in green", [](const DecodedPng &now) {
            return pixels_like(now, 0, 600, 400, 768, 100, 230, 130) > 50;
        });
        game.settle(boot, TITLE_HELP, 20);   // the help window has opened
        boot = game.shot(FRONT_DOOR_ROAD, "01_first_run_help_over_boot_log");
        EXPECT_GT(pixels_like(boot, 0, 600, 400, 768, 100, 230, 130), 50) << "the boot log types in green";
        EXPECT_EQ(galaxy_speed_in(save_home), 300) << "the first run writes the preferences";
        GameWindow::let_input_unlock();

        game.step(FRONT_DOOR_ROAD, "the help closed, the boot log, the title revealed");
        game.click(spots.help_title.x, spots.help_title.y);
        game.shot_when_changed(FRONT_DOOR_ROAD, "02_boot_log", boot, TITLE_HELP, 20000, "the help closed over the boot log");
        // The boot countdown ends at 11 s; the tiles reveal the title.
        DecodedPng title = game.wait_for_screen("the title revealed with its menu", [](const DecodedPng &now) {
            return revealed_pixels(now) > 3000 && galaxy_road::title_menu_shown(now);
        }, 60);
        // A slow program may still be revealing the backdrop when the menu shows; the options step
        // compares the screen with a picture of its own, so the backdrop must be at rest first.
        EXPECT_TRUE(game.wait_for_log("Title revealed", 60)) << "the title's reveal ends";
        title = game.look();
        game.settle(title, {0, 0, 1024, 600}, 100);
        game.shot(FRONT_DOOR_ROAD, "03_title_with_menu");
        GameWindow::let_input_unlock();

        game.step(FRONT_DOOR_ROAD, "options: the galaxy speed");
        game.key_for("o", "the options panel", TITLE_CENTRE, 5000);
        const ScreenBox list{spots.galaxy_speed.x - 45, spots.galaxy_speed.y - 70, spots.galaxy_speed.x + 45,
                             spots.galaxy_speed.y + 70};
        game.move(spots.galaxy_speed.x, spots.galaxy_speed.y);
        const DecodedPng hovered = game.resting(list);
        game.click(spots.galaxy_speed.x, spots.galaxy_speed.y);
        game.changed(hovered, list, 1000, "the galaxy speeds' list");
        game.shot(FRONT_DOOR_ROAD, "04_options_galaxy_speeds");
        game.click(spots.galaxy_speed_fast.x, spots.galaxy_speed_fast.y);
        EXPECT_TRUE(game.wait_until("\"Fast\" written to prefs.dat", [&] { return galaxy_speed_in(save_home) == 400; }))
            << "\"Fast\" is written to prefs.dat at once";
        // The list closes: with the pointer back on the choice, its place is as before it opened.
        game.move(spots.galaxy_speed.x, spots.galaxy_speed.y);
        DecodedPng closed = game.wait_for_screen("the galaxy speeds' list closed", [&](const DecodedPng &now) {
            return pixels_changed(hovered, now, list) < 300;
        });
        game.settle(closed, TITLE_CENTRE, 100);
        GameWindow::let_input_unlock();
        game.key("Escape");
        galaxy_road::title_menu(game);

        game.step(FRONT_DOOR_ROAD, "Help");
        const DecodedPng before_help = game.resting(TITLE_HELP, 100);
        game.key("h");
        game.shot_when_changed(FRONT_DOOR_ROAD, "05_help", before_help, TITLE_HELP, 20000, "the help window");
        game.click(spots.help_title.x, spots.help_title.y);
        galaxy_road::title_menu(game);

        game.step(FRONT_DOOR_ROAD, "About");
        game.key("a");
        game.wait_for_screen("the About page's link addresses in green", [](const DecodedPng &now) {
            return pixels_like(now, 526, 730, 1000, 760, 0, 240, 0) > 20;
        });
        DecodedPng about = game.look();
        game.settle(about, {300, 0, 1024, 768}, 100);
        about = game.shot(FRONT_DOOR_ROAD, "06_about");
        EXPECT_GT(pixels_like(about, 526, 730, 1000, 760, 0, 240, 0), 20) << "the link addresses in green";
        GameWindow::let_input_unlock();
        game.click(560, 744);   // "More Info"
        const DecodedPng question = game.shot_when_changed(FRONT_DOOR_ROAD, "07_about_link_question", about, {300, 0, 1024, 768}, 2000,
                                                           "the question before the link opens");
        game.key("n");          // "No, cancel": nothing is opened
        game.changed(question, {300, 0, 1024, 768}, 2000, "the question gone");
        game.key("Return");     // About's "OK"
        galaxy_road::title_menu(game);   // the title reveals itself again; the menu returns after 3.5 s

        game.step(FRONT_DOOR_ROAD, "New game with a new player");
        const DecodedPng setup = open_new_game(game, "08_new_game");
        game.click(spots.slot0_name.x, spots.slot0_name.y);
        game.shot_when_changed(FRONT_DOOR_ROAD, "09_player_selection", setup, TITLE_CENTRE, 5000, "the player selection");
        game.click_for(spots.create_row.x, spots.create_row.y, "the new player's name entry", TITLE_CENTRE, 200);
        const ScreenBox entry{spots.name_entry.x - 150, spots.name_entry.y - 14, spots.name_entry.x + 150,
                              spots.name_entry.y + 14};
        game.click_for(spots.name_entry.x, spots.name_entry.y, "the name entry's edit begun", entry, 5);
        game.type(NEW_PLAYER);
        DecodedPng named = game.resting(TITLE_CENTRE, 100);
        game.key("Return");     // the name is accepted
        named = game.shot_when_changed(FRONT_DOOR_ROAD, "10_new_player_named", named, TITLE_CENTRE, 50, "the new player in the list");
        game.key("Return");     // "OK"
        game.shot_when_changed(FRONT_DOOR_ROAD, "11_new_game_with_new_player", named, TITLE_CENTRE, 5000, "the player selection closed");
        start_game(game);
        game.shot(FRONT_DOOR_ROAD, "12_galaxy");

        finish(game);
        const std::string log = game.log();
        EXPECT_LT(log.find("Application mode is now 2"), log.find("Application mode is now 3"));
        const std::vector<uint8_t> records = read_whole(save_home + "/Astrovane/records.dat");
        EXPECT_NE(std::string(records.begin(), records.end()).find(NEW_PLAYER), std::string::npos)
            << "Start writes the new player's record";
    }

    {   // Second run: the preferences are there, so no help; Quit asks and ends the program.
        GameWindow game(display, dir, save_home);
        start(game, "second.log");
        quit_from_title(game, "13_second_run_quit_question");
        EXPECT_EQ(galaxy_speed_in(save_home), 400) << "the options chosen in the first run are kept";
    }
}

}  // namespace
