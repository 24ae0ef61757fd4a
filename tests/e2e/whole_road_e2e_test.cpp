// End to end: a whole game as a new player meets it, on the real program under a private X server,
// on the classic SDL 1.2 and on SDL 1.2 over SDL 2. The first run (no save folder yet) opens the
// help over the boot log; its title bar closes it; the title's Options set the fastest galaxy and
// combat speeds; New game, a new player created by name beside the three computer players, Start.
// On the star map: research queued ('4', a technology, Research); a facility laid down at the home
// starbase and a ship started at its shipyard; the home ship sent to the nearby sector whose site
// has the fewest automated defenders; Next Turn until it arrives; in the sector's view its fleet
// panel's Attack ('a') gives the order, and the next day ends with the battle (by then the facility
// is built, else Next Turn follows the battle until it is); Tab shows the encounter, 'e' engages, and
// the battle is fought from the screen (moves, shots through the weapon row, 'e') up to the
// summary; Enter goes back to the star map. A lone defender comes at the ship: a shot is certain. The game is saved from the galaxy menu, Main
// menu leads to the title, and the save is loaded from the title: its day and credits are those of
// the game that was saved. Then a game a day before its end is loaded from the title: Next Turn,
// END OF GAME, the results, Next, the scores, Main Menu, the title again, and Quit ends the program
// with status 0.
//  - The galaxy is made from a fixed seed (ASTROVANE_RANDOM_SEED) whose home and battle stand on
//    the first screen. Where each control stands comes from probes: the same screens built in this
//    process over the same store and the road's own saves, driven by the same keys and clicks.
//  - Every step waits for its log line; the mode switches ("Application mode is now %i") are
//    checked in order at the end, and no line is an ERROR.
//  - Screenshots of each screen are kept under build/test-output/screens/road/<variant>/, with the
//    program's frame statistics (frame_times.txt) when it writes them.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "battle_reading.h"
#include "compat_library.h"
#include "galaxy_road_support.h"
#include "screen_probe.h"

namespace {

using galaxy_road::band_pixels;
using galaxy_road::pixels_changed;
using galaxy_road::PREFS_COMBAT_SPEED;
using galaxy_road::PREFS_GALAXY_SPEED;
using galaxy_road::ScreenSpot;

constexpr const char *PLAYER_NAME = "Ilsa Varn";
constexpr const char *SEED = "20261208";          // a galaxy whose home and battle stand on the first screen
constexpr uint32_t ENDING_SEED = 20261208;        // the game forced to its end

bool compat(const char *variant) { return std::string(variant) == "sdl12-compat"; }

// A big-endian word of "prefs.dat", or -1 when the file is shorter.
int32_t prefs_word(const std::string &save_home, size_t offset) {
    const std::vector<uint8_t> bytes = read_whole(save_home + "/Astrovane/prefs.dat");
    if (bytes.size() < offset + 4) return -1;
    return int32_t(uint32_t(bytes[offset]) << 24 | uint32_t(bytes[offset + 1]) << 16 | uint32_t(bytes[offset + 2]) << 8 |
                   bytes[offset + 3]);
}

// The modes the program switched to, in order, as its log says.
std::vector<int> modes_in(const std::string &log) {
    std::vector<int> modes;
    const std::string what = "Application mode is now ";
    for (size_t at = log.find(what); at != std::string::npos; at = log.find(what, at + what.size()))
        modes.push_back(std::atoi(log.c_str() + at + what.size()));
    return modes;
}

class WholeRoadEndToEnd : public galaxy_road::Road, public ::testing::WithParamInterface<const char *> {
protected:
    WholeRoadEndToEnd() : Road(compat(GetParam()) ? "road/sdl12-compat" : "road/sdl12") {}
    void SetUp() override {
        if (compat(GetParam()) && !std::filesystem::exists(COMPAT_LIBRARY_DIR))
            GTEST_SKIP() << "sdl12-compat is not installed in " << COMPAT_LIBRARY_DIR;
        Road::SetUp();
    }
    // The program's environment: the galaxy's seed, the frame statistics' file and, for the
    // compatibility layer, its library (without the leak check: see window_e2e_test.cpp).
    std::vector<std::string> environment() const {
        std::vector<std::string> env{std::string("ASTROVANE_RANDOM_SEED=") + SEED, "ASTROVANE_FRAME_STATS=" + stats_path()};
        if (compat(GetParam())) {
            env.push_back(std::string("LD_LIBRARY_PATH=") + COMPAT_LIBRARY_DIR);
            const char *asan = std::getenv("ASAN_OPTIONS");
            env.push_back(std::string("ASAN_OPTIONS=") + (asan && *asan ? std::string(asan) + ":" : "") + "detect_leaks=0");
        }
        return env;
    }
    std::string stats_path() const { return dir + "/frame_stats.txt"; }
};

TEST_P(WholeRoadEndToEnd, FirstRunNewGameOrdersBattleSaveLoadAndAGameToItsEndThenQuit) {
    const auto started_at = std::chrono::steady_clock::now();
    const std::string save_home = dir + "/save";
    const std::string folder = save_home + "/Astrovane";
    const galaxy_road::FrontDoorSpots door = galaxy_road::probe_front_door();
    ASSERT_TRUE(door.ok()) << "the probe found the first run's controls";

    GameWindow game(display, dir, save_home, environment());
    start(game, "road.log");
    EXPECT_TRUE(game.wait_for_log(std::string("Random seed ") + SEED + " from ASTROVANE_RANDOM_SEED", 1));

    // The first run: the help over the boot log, closed by its title bar; the title's menu.
    game.step(road, "the first run's help");
    DecodedPng help = game.wait_for_screen("the help window over the boot log", galaxy_road::help_shown, 60);
    game.settle(help, galaxy_road::TITLE_HELP, 20);
    help = game.shot(road, "01_first_run_help");
    GameWindow::let_input_unlock();
    EXPECT_EQ(prefs_word(save_home, PREFS_GALAXY_SPEED), 300) << "the first run writes the preferences";
    game.step(road, "the first run's help closed; the title");
    game.click(door.help_title.x, door.help_title.y);
    // The boot log's countdown ends; the tiles reveal the title. The options step compares the
    // screen with a picture of its own, so the backdrop must be at rest first: a slow program may
    // still be revealing it when the menu shows.
    game.changed(help, {300, 100, 724, 600}, 20000, "the title revealed", 60);
    EXPECT_TRUE(game.expect_log("Title revealed", 60));
    DecodedPng title = game.look();
    game.settle(title, {0, 0, 1024, 600}, 100);
    title = game.shot(road, "02_title_menu");
    EXPECT_GT(pixels_changed(help, title, 300, 100, 724, 600), 20000) << "the help gone, the title revealed";

    // Options: the fastest galaxy and combat speeds, written at once.
    game.step(road, "options");
    game.key_for("o", "the options panel", galaxy_road::TITLE_CENTRE, 5000);
    // A choice's list opens under the pointer; an item picked is written to prefs.dat and the list
    // closes (its place as on the options panel again).
    const auto pick = [&](const ScreenSpot &choice, const ScreenSpot &item, size_t offset, int32_t value,
                          const std::string &what, const std::string &shot) {
        const ScreenBox list{choice.x - 45, choice.y - 70, choice.x + 45, choice.y + 70};
        game.move(choice.x, choice.y);
        const DecodedPng hovered = game.resting(list);
        game.click(choice.x, choice.y);
        game.changed(hovered, list, 1000, "the list of " + what);
        if (!shot.empty()) game.shot(road, shot);
        game.click(item.x, item.y);
        EXPECT_TRUE(game.wait_until(what + " written to prefs.dat", [&] { return prefs_word(save_home, offset) == value; }))
            << what;
        // The list closes: with the pointer back on the choice, its place is as before it opened.
        game.move(choice.x, choice.y);
        DecodedPng closed = game.wait_for_screen("the list of " + what + " closed", [&](const DecodedPng &now) {
            return pixels_changed(hovered, now, list) < 300;
        });
        game.settle(closed, galaxy_road::TITLE_CENTRE, 100);
        GameWindow::let_input_unlock();
    };
    pick(door.galaxy_speed, door.galaxy_fastest, PREFS_GALAXY_SPEED, 500, "Galaxy Speed: Fastest", "");
    pick(door.combat_speed, door.combat_fastest, PREFS_COMBAT_SPEED, 30, "Combat Speed: Fastest", "03_options_combat_speeds");
    EXPECT_EQ(prefs_word(save_home, PREFS_GALAXY_SPEED), 500) << "Galaxy Speed: Fastest";
    EXPECT_EQ(prefs_word(save_home, PREFS_COMBAT_SPEED), 30) << "Combat Speed: Fastest";
    game.key("Escape");
    galaxy_road::title_menu(game);

    // New game: a new player by name in the human slot; the three computer players stay; Start.
    game.step(road, "new game with a new player");
    const ScreenBox centre = galaxy_road::TITLE_CENTRE;
    const DecodedPng setup = open_new_game(game, "04_new_game");
    game.click(door.slot0_name.x, door.slot0_name.y);
    game.changed(setup, centre, 5000, "the player selection");
    game.click_for(door.create_row.x, door.create_row.y, "the new player's name entry", centre, 200);
    const ScreenBox entry{door.name_entry.x - 150, door.name_entry.y - 14, door.name_entry.x + 150, door.name_entry.y + 14};
    game.click_for(door.name_entry.x, door.name_entry.y, "the name entry's edit begun", entry, 5);
    game.type(PLAYER_NAME);
    DecodedPng named = game.resting(centre, 100);
    game.key("Return");   // the name is accepted
    named = game.changed(named, centre, 50, "the new player in the list");
    game.key("Return");   // "OK"
    game.shot_when_changed(road, "05_new_game_with_the_new_player", named, centre, 5000, "the player selection closed");
    start_game(game);     // "Start"
    const DecodedPng star_map = game.shot(road, "06_galaxy");

    // The game as it starts, saved from the galaxy menu and read back here: the named player, three
    // rivals, the home and the sector of the battle on the first screen.
    const galaxy_road::ScreenProbe::MenuSpots menu = galaxy_road::ScreenProbe().galaxy_menu(save_home);
    ASSERT_TRUE(menu.save_game.ok() && menu.save.ok() && menu.main_menu.ok());
    ASSERT_TRUE(galaxy_road::save_from_menu(game, menu, folder + "/000.sav")) << game.log();
    const galaxy_road::GalaxyLook start = galaxy_road::SaveProbe().look(folder + "/000.sav");
    ASSERT_TRUE(start.loaded);
    EXPECT_EQ(start.ui_name, PLAYER_NAME);
    EXPECT_EQ(start.rivals, 3) << "three computer players";
    ASSERT_NE(start.home(), nullptr) << "the home sector on the first screen (seed " << SEED << ")";
    const galaxy_road::SectorSpot home = *start.home();
    ASSERT_NE(start.nearest_defended(home), nullptr) << "a sector with automated defences on the first screen";
    const galaxy_road::SectorSpot target = *start.nearest_defended(home);
    const galaxy_road::OrdersPlan plan = galaxy_road::ScreenProbe().orders(save_home, folder + "/000.sav", home);
    ASSERT_TRUE(plan.walked) << "the probe walked the orders";
    EXPECT_TRUE(plan.tech_queued) << plan.tech_name;
    EXPECT_LT(plan.credits_after, plan.credits_before) << "research, facility and ship are paid for";
    // The machines' ships belong to no player: their names are written in white.
    galaxy_road::Colours colours = galaxy_road::ColourProbe().read(folder + "/000.sav");
    colours.rivals.push_back({255, 255, 255});
    std::cout << "home " << home.name << ", the battle at " << target.name << ", automated defenders: " << target.defenders << "\n";

    // Research.
    game.step(road, "research");
    game.key("4");
    const DecodedPng techs = game.shot_when_changed(road, "07_technology_list", star_map, {0, 40, 512, 740}, 3000,
                                                    "the technology list");
    EXPECT_GT(pixels_changed(star_map, techs, 0, 40, 512, 740), 3000) << "the technology list at the left";
    const ScreenBox map = galaxy_road::STAR_MAP;
    game.click_for(plan.tech_row.x, plan.tech_row.y, "the technology's detail", map, 2000);
    game.shot(road, "08_technology_detail");
    game.click_for(plan.research.x, plan.research.y, "the detail closed on Research", map, 2000);
    game.shot(road, "09_technology_queued");
    game.key("Escape");
    galaxy_road::rested(game);
    if (plan.tech_list_left_open) {
        game.key("4");
        galaxy_road::rested(game);
    }

    // A facility at the home starbase, a ship at its shipyard.
    game.step(road, "a facility and a ship ordered at home");
    game.key("Escape");
    galaxy_road::rested(game);
    game.click_for(home.x, home.y, "the home sector's panel", map, 2000);
    game.click_for(plan.starbase_icon.x, plan.starbase_icon.y, "the starbase's panel", map, 2000);
    game.click_for(plan.starbase_build.x, plan.starbase_build.y, "the facility chooser", map, 500);
    // The facility's picture loads on a worker (its begin and end logged).
    const int site_pictures = GameWindow::occurrences(game.log(), "Load detail thread (site ");
    game.click_for(plan.facility_row.x, plan.facility_row.y, "the facility's build panel", map, 2000);
    EXPECT_TRUE(game.expect_log("Load detail thread (site ", 30, site_pictures + 2)) << "the facility's picture loaded";
    game.resting(map, 100);
    game.shot(road, "10_facility_build_panel");
    game.click_for(plan.facility_build.x, plan.facility_build.y, "the build panel gone on Build", map, 1000);
    game.key_for("Escape", "the starbase's panel closed", map, 1000);
    game.click_for(home.x, home.y, "the home sector's panel again", map, 2000);
    game.click_for(plan.shipyard_icon.x, plan.shipyard_icon.y, "the shipyard's panel", map, 2000);
    game.click_for(plan.shipyard_build.x, plan.shipyard_build.y, "the design chooser", map, 500);
    game.click_for(plan.design_row.x, plan.design_row.y, "the design's summary", map, 2000);
    game.shot(road, "11_design_summary");
    game.click_for(plan.design_build.x, plan.design_build.y, "the summary gone on Build", map, 1000);
    game.key_for("Escape", "the shipyard's panel closed", map, 1000);

    // The home ship sent to the neighbouring sector: its sector's panel, Move (one ship: the
    // destination prompt at once), the destination hovered and clicked.
    game.step(road, "the home ship's course");
    const ScreenBox prompt_bar{700, 680, 1024, 768};
    game.click_for(home.x, home.y, "the home sector's panel", map, 2000);
    const DecodedPng prompt = game.key_for("m", "the destination prompt", prompt_bar, 200);
    game.move(target.x, target.y);
    const DecodedPng hover = game.changed(prompt, {0, 40, 1024, 680}, 500, "the information panel by the destination");
    game.click(target.x, target.y);
    game.changed(hover, prompt_bar, 200, "the prompt bar gone");
    game.shot(road, "12_course_to_the_battle");

    // Next Turn until the ship arrives; the sector's automated defences are reported.
    game.step(road, "Next Turn until the ship arrives");
    const std::string arrived = "arrived at the " + target.name + " sector";
    for (int day = 0; day < 30 && game.log().find(arrived) == std::string::npos; ++day)
        ASSERT_TRUE(next_day(game)) << "day " << day + 1 << "\n" << game.log();
    ASSERT_NE(game.log().find(arrived), std::string::npos) << game.log();
    game.key("Escape");   // the news of the moment
    galaxy_road::rested(game);

    game.step(road, "the order to attack");
    // The order to attack them: the sector's view, the ship's fleet panel, Attack. Where each
    // stands comes from the game saved here.
    const galaxy_road::ScreenProbe::MenuSpots menu_again = galaxy_road::ScreenProbe().galaxy_menu(save_home);
    ASSERT_TRUE(galaxy_road::save_from_menu(game, menu_again, folder + "/001.sav")) << game.log();
    const galaxy_road::ScreenProbe::AttackSpots attack =
        galaxy_road::ScreenProbe().attack(save_home, folder + "/001.sav", target);
    ASSERT_TRUE(attack.zoom.ok() && attack.fleet.ok() && attack.attack.ok());
    EXPECT_TRUE(attack.ordered) << "Attack gives the ships the order";
    const DecodedPng panel = game.click_for(target.x, target.y, "the sector's panel", map, 2000);
    game.click(attack.zoom.x, attack.zoom.y);
    game.changed(panel, map, 20000, "the zoom into the sector");
    // The ships are picked where their name stands (below them): the probe's spot first, then
    // points above the name, until their fleet panel opens; 'a' is its Attack.
    const DecodedPng view = game.shot(road, "13_sector_view");
    std::vector<ScreenSpot> picks{attack.fleet};
    std::vector<galaxy_road::Box> names = galaxy_road::tags_in(view, {colours.own}, galaxy_road::Box{});
    std::sort(names.begin(), names.end(), [&](const galaxy_road::Box &a, const galaxy_road::Box &b) {
        return std::hypot(a.x0 - attack.fleet.x, a.y0 - attack.fleet.y) < std::hypot(b.x0 - attack.fleet.x, b.y0 - attack.fleet.y);
    });
    if (!names.empty())
        for (int up : {10, 20, 30, 40}) picks.push_back({(names[0].x0 + names[0].x1) / 2, names[0].y0 - up});
    bool panel_open = false;
    for (const ScreenSpot &at : picks) {
        game.move(at.x, at.y);
        (void)game.resting({0, 40, 1024, 700}, 200);
        game.click(at.x, at.y);
        // The panel grows in within a few seconds, or this point picked nothing.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(8);
        while (!panel_open && std::chrono::steady_clock::now() < until)
            panel_open = pixels_changed(view, game.look(), 0, 40, 1024, 700) > 4000;
        if (panel_open) break;
    }
    DecodedPng fleet = game.resting({0, 40, 1024, 700}, 200);
    fleet = game.shot(road, "14_fleet_panel");
    EXPECT_TRUE(panel_open) << "a click on the ships opens their fleet panel";
    GameWindow::let_input_unlock();
    game.key("a");   // Attack
    galaxy_road::rested(game);
    game.shot(road, "15_attack_ordered");
    game.key("s");   // "Starmap": back to the star map
    game.changed(fleet, map, 20000, "the star map again");

    // The next day ends with the battle, which holds the turn for the player.
    game.step(road, "the day of the battle");
    ASSERT_TRUE(next_turn(game)) << game.log();
    wait_for_days_to_stop(game);
    DecodedPng met = game.look();
    game.settle(met, {0, 40, 1024, 700}, 200);
    met = game.shot(road, "16_encounter_marker");
    GameWindow::let_input_unlock();
    game.key("Tab");
    const DecodedPng dialog = game.shot_when_changed(road, "17_encounter_dialog", met, {0, 40, 1024, 700}, 3000,
                                                     "the encounter dialog");
    EXPECT_GT(pixels_changed(met, dialog, 0, 40, 1024, 700), 3000) << "the encounter dialog with its battle map";
    game.step(road, "the battle");
    game.key("e");
    ASSERT_TRUE(game.expect_log("Application mode is now 0", 60)) << game.log();
    DecodedPng combat = game.look();
    game.settle(combat, WHOLE_SCREEN, 200);   // the battle's screen has come
    game.shot(road, "18_combat_mode");

    const galaxy_road::BattleRun battle = galaxy_road::fight_battle(
        display, game, dir, road, colours, {"19_unit_status_panel", "20_move_preview", "21_hit_popup"}, 720);
    ASSERT_TRUE(battle.summary) << "the battle reached its summary";
    game.shot(road, "22_summary_band");
    std::cout << "the player's turns: " << battle.turns << ", shots: " << battle.shots << "\n";
    EXPECT_GT(battle.turns, 0) << "the player's ship had turns";
    EXPECT_TRUE(battle.moved) << "the ship moved";
    EXPECT_GT(battle.shots, 0) << "the ship fired";
    // The seed's battle: the lone defender outguns the ship and sinks it, whichever moves it chose.
    const galaxy_road::BattleOutcome outcome = galaxy_road::battle_outcome(game.log(), PLAYER_NAME);
    std::cout << "the battle: " << outcome << "\n";
    EXPECT_EQ(outcome.result, "DEFEAT") << outcome;
    EXPECT_GT(outcome.hits_taken, 0) << outcome;
    EXPECT_EQ(outcome.ships_lost, 1) << outcome;
    game.step(road, "the summary, back to the star map");
    galaxy_road::wait_for_summary_cards(game);
    game.shot(road, "23_summary_cards");
    game.key("Return");   // "Continue"
    ASSERT_TRUE(game.expect_log("Application mode is now 3", 30, 2)) << game.log();
    enter_galaxy(game);
    game.key("Escape");   // the news of the moment
    galaxy_road::rested(game);

    // Something built: Next Turn until the facility or the ship is done.
    game.step(road, "Next Turn until something is built");
    const std::string ship_built = " built in the " + home.name + " sector";
    const auto built = [&] {
        const std::string log = game.log();
        return log.find(plan.facility_done) != std::string::npos || log.find(ship_built) != std::string::npos;
    };
    for (int day = 0; day < std::max(plan.facility_days, plan.ship_days) + 3 && !built(); ++day)
        ASSERT_TRUE(next_day(game)) << game.log();
    EXPECT_TRUE(built()) << "the " << plan.facility << " or the " << plan.design;
    game.key("Escape");
    galaxy_road::rested(game);
    const DecodedPng before_save = game.shot(road, "24_star_map_after_the_battle");

    // Saved, then back to the title.
    game.step(road, "saved, then the title");
    const galaxy_road::ScreenProbe::MenuSpots again = galaxy_road::ScreenProbe().galaxy_menu(save_home);
    ASSERT_TRUE(again.save_game.ok() && again.save.ok() && again.main_menu.ok());
    const std::string saved = folder + "/002.sav";
    ASSERT_TRUE(galaxy_road::save_from_menu(game, again, saved)) << game.log();
    ASSERT_TRUE(galaxy_road::main_menu_to_title(game, again, "25_main_menu_question")) << game.log();
    galaxy_road::title_menu(game);
    game.shot(road, "26_title_after_the_game");

    // The save loaded from the title: the day and credits it holds are those the star map showed.
    const galaxy_road::GalaxyLook kept = galaxy_road::SaveProbe().look(saved);
    ASSERT_TRUE(kept.loaded);
    const int days = GameWindow::occurrences(game.log(), "Add 1440 advance minutes");
    EXPECT_EQ(kept.minutes, start.minutes + uint64_t(days) * 1440) << "the day of the save: " << kept.date;
    EXPECT_EQ(kept.ui_name, PLAYER_NAME);
    const galaxy_road::ScreenProbe::StatusLabels labels = galaxy_road::ScreenProbe().status(save_home, saved);
    EXPECT_EQ(labels.credits_text.find(std::to_string(kept.credits)) == std::string::npos, false)
        << "the status bar shows the saved credits: " << labels.credits_text << " / " << kept.credits;
    const galaxy_road::ScreenProbe::LoadSpots load = galaxy_road::ScreenProbe().title_load(save_home, saved);
    ASSERT_TRUE(load.row.ok() && load.load.ok() && load.yes.ok());
    EXPECT_EQ(load.row_path, saved);
    ASSERT_TRUE(galaxy_road::load_from_title(game, load, load.row_path)) << game.log();
    const DecodedPng loaded = game.shot(road, "27_loaded_game");
    for (const galaxy_road::ScreenRect &r : {labels.date, labels.credits}) {
        EXPECT_GT(r.x1 - r.x0, 0) << "a status label";
        EXPECT_LE(pixels_changed(before_save, loaded, r.x0, r.y0, r.x1, r.y1), 10)
            << "the status bar's " << labels.date_text << " / " << labels.credits_text << " as before the save";
    }

    // A game a day before its end, loaded from the title: END OF GAME, results, scores, the title.
    game.step(road, "a game to its end");
    ASSERT_TRUE(galaxy_road::main_menu_to_title(game, again, "28_main_menu_question_again")) << game.log();
    const std::string ending = folder + "/003.sav";
    const std::string winner = galaxy_road::EndingGame().make(ending, ENDING_SEED, "Last day");
    ASSERT_FALSE(winner.empty()) << "the game a day before its end";
    const galaxy_road::ScreenProbe::LoadSpots last = galaxy_road::ScreenProbe().title_load(save_home, ending);
    ASSERT_TRUE(last.row.ok() && last.load.ok() && last.yes.ok());
    EXPECT_EQ(last.row_path, ending);
    ASSERT_TRUE(galaxy_road::load_from_title(game, last, last.row_path)) << game.log();
    game.shot(road, "29_the_last_day");
    ASSERT_TRUE(next_turn(game)) << game.log();
    ASSERT_TRUE(game.expect_log("Application mode is now 4", 60)) << game.log();
    const DecodedPng band = game.watch_for_screen("END OF GAME's band across the middle", [](const DecodedPng &now) {
        return band_pixels(now, 0, 358, 1024, 410) > 44000;
    });
    game.keep_look(road, "30_end_of_game");
    EXPECT_GT(band_pixels(band, 0, 358, 1024, 410), 44000) << "END OF GAME's band across the middle";
    DecodedPng results = game.wait_for_screen("the band risen to the top", [](const DecodedPng &now) {
        return band_pixels(now, 0, 47, 640, 100) > 20000;
    });
    game.settle(results, {0, 40, 1024, 768}, 50);   // the results are built in the frame after the rise
    results = game.shot(road, "31_results");
    EXPECT_GT(band_pixels(results, 0, 47, 640, 100), 20000) << "the band risen to the top";
    game.step(road, "Next, the scores, Main Menu");
    game.key("Return");   // "Next"
    const DecodedPng scores = game.shot_when_changed(road, "32_scores", results, {495, 196, 947, 504}, 5000,
                                                     "the score table");
    EXPECT_GT(pixels_changed(results, scores, 495, 196, 947, 504), 5000) << "the score table replaces the map";
    game.key("Return");   // "Main Menu"
    ASSERT_TRUE(game.expect_log("Application mode is now 2", 30, 4)) << game.log();
    galaxy_road::title_menu(game);
    game.shot(road, "33_title_after_the_end");

    // Quit.
    quit_from_title(game, "34_quit_question");

    const std::string log = game.log();
    EXPECT_EQ(log.find("ERROR"), std::string::npos) << log;
    std::vector<int> modes = modes_in(log);
    while (!modes.empty() && modes.front() != 2) modes.erase(modes.begin());   // the loading screen before the title
    EXPECT_EQ(modes, (std::vector<int>{2, 3, 0, 3, 2, 3, 2, 3, 4, 2}))
        << "title, galaxy, combat, galaxy, title, the loaded game, title, the last day, the end, title";

    // The frame statistics, when the program writes them.
    const std::string out = test_output_dir() + "/screens/" + road + "/frame_times.txt";
    if (std::filesystem::exists(stats_path())) {
        std::cout << read_text_file(stats_path());
        std::filesystem::copy_file(stats_path(), out, std::filesystem::copy_options::overwrite_existing);
    }
    std::cout << GetParam() << ": the road took "
              << std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started_at).count()
              << " s\n";
}

INSTANTIATE_TEST_SUITE_P(Sdl, WholeRoadEndToEnd, ::testing::Values("sdl12", "sdl12-compat"),
                         [](const ::testing::TestParamInfo<const char *> &info) {
                             return compat(info.param) ? std::string("Compat") : std::string("Classic");
                         });

}  // namespace
