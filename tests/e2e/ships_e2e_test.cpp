// End to end: a player looks at a ship and its officers, on the real program under a private X
// server. In a new game '2' opens the ships list; a row opens the ship's details; the command
// menu's Transfer opens the crew transfer at the home starbase, a click on the slider's track
// moves crew to the starbase and Accept writes it; the commander row opens the commander's officer
// panel, Replace opens the Assign Officer dialog and the starbase's commander is picked; the
// commander row then opens the new commander's panel. The game is saved before and after (the game
// menu's Save game), and the second save holds the crews and the commander the road gave.
//  - Where the road clicks comes from a probe: the same screens built headless in this process over
//    the first save, driven by the same clicks, which also says what the slider and the pick do.
//  - Screenshots of every step are kept under build/test-output/screens/ships/.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "galaxy_road_support.h"
#include "game/headless.h"
#include "game/officer.h"
#include "platform/random.h"
#include "screen_probe.h"
#include "screens/galaxy/galaxy_screen.h"
#include "screens/officers/officer_detail_panel.h"
#include "screens/saves/save_screen.h"
#include "screens/ships/ship_details.h"
#include "screens/officers/officer_choice.h"
#include "screens/ships/ships_list.h"
#include "screens/title/game_menu.h"
#include "screens/title/title_mode.h"
#include "screens/title/title_test_support.h"
#include "support/state_guards.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/transfer_slider.h"
#include "world/factory.h"
#include "world/sector.h"
#include "world/site.h"

namespace {

using galaxy_road::button_captioned;
using galaxy_road::centre_of;
using galaxy_road::child;
using galaxy_road::find_control;
using galaxy_road::PICTURE_TYPES;
using galaxy_road::pixels_changed;
using galaxy_road::ScreenProbe;
using galaxy_road::ScreenSpot;

constexpr const char *SHIPS_ROAD = "ships";
constexpr int TRACK_POINT_PERCENT = 40;   // where on the slider's track the road clicks

// The crews and the commander of one ship and its sector's starbase.
struct Crews {
    int32_t ship = -1, ship_max = -1, base = -1;
    std::string commander;   // empty: none
    bool operator==(const Crews &) const = default;
};
std::ostream &operator<<(std::ostream &os, const Crews &c) {
    return os << "{ship " << c.ship << "/" << c.ship_max << ", starbase " << c.base << ", commander \"" << c.commander
              << "\"}";
}

Crews crews_of(const Ship *ship) {
    Crews c;
    if (!ship) return c;
    c.ship = ship->crew;
    c.ship_max = ship->max_crew;
    c.commander = ship->pilot ? ship->pilot->name : "";
    const Sector *sector = sector_find(ship->sector_id);
    if (const Site *base = sector ? sector_find_site_of_kind(sector, SITE_STARBASE) : nullptr) c.base = base->crew;
    return c;
}

// What the road does, as the probe found it: where to click and what each step leaves.
struct ShipsPlan {
    ScreenSpot  row, transfer, track, accept, commander, replace, candidate, commander_after;
    uint64_t    ship_id = 0;
    std::string ship_name;
    Crews       before;            // as the game was saved
    int32_t     slider_ship = -1, slider_base = -1;   // the split the track click shows
    Crews       after_transfer;    // after Accept
    std::string candidate_name;    // the first candidate: the officer the road picks
    Crews       after;             // at the end of the road
    std::string shown_officer;     // the officer panel opened at the end
    std::string row_before, row_after;   // the commander row's texts before the pick and after it
    int         row_x = 0, row_y = 0, row_w = 0, row_h = 0;   // the commander row on the screen
};

// The road's screens in this process over the road's save folder, built as the shared screen probe
// builds them (whose game menu the road saves through).
class ShipsProbe : public ModelGame {
public:
    void TestBody() override {}

    // The whole road over the saved game, click by click.
    ShipsPlan road(const std::string &save_home, const std::string &save) {
        ShipsPlan plan;
        if (!begin(save_home)) return plan;
        EXPECT_EQ(game_load_file(game, save.c_str(), 0), RES_OK) << save;
        // The ships' pictures, as the program loads them on its way to the star map: they size the
        // list rows and the ship panel.
        factory_acquire_group_all(FACTORY_GROUP_FRAMES);
        EXPECT_EQ(factory_resolve_load_groups(), RES_OK);
        if (enter_galaxy()) {
            close_news();
            walk(plan);
        }
        end();
        factory_release_all_groups(FACTORY_GROUP_FRAMES);
        EXPECT_EQ(factory_resolve_load_groups(), RES_OK);
        return plan;
    }

private:
    title_test::TitleDriver driver;
    GameFieldsGuard fields_back;
    std::optional<EnvGuard> home_back;
    std::vector<int> types;

    // A player's click at a point: the pointer rests there a frame, the button goes down for a few.
    void click_at(const ScreenSpot &at) {
        ui_test::mouse_at(at.x, at.y);
        driver.frame();
        ui_test::left_down();
        driver.frames(3);
        ui_test::left_up();
        driver.frame();
    }

    void walk(ShipsPlan &plan) {
        driver.press('2');
        driver.frames(50);
        ShipsListState *list = ships_list_state(galaxy_screen()->side_panels[GALAXY_LIST_SHIPS]);
        ASSERT_NE(list, nullptr) << "'2' builds the ships list";
        // The ship the road takes: one with a commander at its owner's starbase.
        Control *row = nullptr;
        for (size_t i = 0; i < list->rows.items.size() && i < list->ships.items.size() && !row; ++i) {
            Ship *ship = ship_of(list->ships.items[i]);
            const Crews c = crews_of(ship);
            if (ship && ship->pilot && c.base >= 0) row = list->rows.items[i], plan.ship_id = ship->id;
        }
        ASSERT_NE(row, nullptr) << "a ship with a commander at the home starbase in the list";
        Ship *ship = ship_of(game_find_object(game, plan.ship_id));
        plan.ship_name = ship->ship_name;
        plan.before = crews_of(ship);
        plan.row = centre_of(row);
        click_at(plan.row);
        driver.frames(60);

        Control *panel = galaxy_object_panel_find(GALAXY_PANEL_SHIP);
        ASSERT_EQ(ship_details_ship(panel), ship) << "the row opens its ship's panel";
        Control *transfer = child(child(panel, SHIP_PANEL_ID_MENU), SHIP_MENU_ID_TRANSFER);
        ASSERT_NE(transfer, nullptr) << "Transfer in the command menu";
        plan.transfer = centre_of(transfer);
        click_at(plan.transfer);
        driver.frames(30);
        Control *dialog = child(panel, SHIP_PANEL_ID_TRANSFER);
        Control *slider = child(dialog, SHIP_PANEL_ID_SLIDER);
        Control *track = child(slider, SLIDER_TRACK_ID);
        ASSERT_NE(track, nullptr) << "the crew transfer's slider";
        int tx = 0, ty = 0;
        control_get_screen_position(track, &tx, &ty);
        plan.track = {tx + track->w * TRACK_POINT_PERCENT / 100, ty + track->h / 2};
        click_at(plan.track);
        driver.frames(5);
        transfer_slider_get_values(slider, &plan.slider_ship, &plan.slider_base);
        Control *accept = find_control(dialog, [](Control *c) { return c->on_click == crew_transfer_apply; });
        ASSERT_NE(accept, nullptr) << "the transfer's Accept";
        plan.accept = centre_of(accept);
        click_at(plan.accept);
        driver.frames(30);
        plan.after_transfer = crews_of(ship);

        int32_t x = 0, y = 0, w = 0, h = 0;
        ship_details_get_commander_rect(panel, &x, &y, &w, &h);
        plan.commander = {x + w / 2, y + h / 2};
        plan.row_x = x, plan.row_y = y, plan.row_w = w, plan.row_h = h;
        plan.row_before = title_test::texts_of(child(panel, SHIP_PANEL_ID_COMMANDER));
        click_at(plan.commander);
        driver.frames(40);
        Control *officer = galaxy_object_panel_find(GALAXY_PANEL_OFFICER);
        ASSERT_EQ(officer_detail_panel_officer(officer), ship->pilot) << "the commander row opens its officer's panel";
        Control *replace = button_captioned(officer, "Replace");
        ASSERT_NE(replace, nullptr) << "Replace on the commander's panel";
        plan.replace = centre_of(replace);
        click_at(plan.replace);
        driver.frames(40);
        Control *assign = galaxy_object_panel_find(GALAXY_PANEL_ASSIGN_SHIP);
        OfficerChoiceState *candidates = officer_choice_state(assign);
        ASSERT_TRUE(candidates && !candidates->rows.items.empty() && candidates->rows.items[0]) << "an officer to pick";
        plan.candidate = centre_of(candidates->rows.items[0]);
        plan.candidate_name = candidates->officers.items[0]->name;
        click_at(plan.candidate);
        driver.frames(40);
        plan.after = crews_of(ship);
        plan.row_after = title_test::texts_of(child(panel, SHIP_PANEL_ID_COMMANDER));

        ship_details_get_commander_rect(panel, &x, &y, &w, &h);
        plan.commander_after = {x + w / 2, y + h / 2};
        click_at(plan.commander_after);
        driver.frames(40);
        plan.shown_officer = officer_detail_panel_officer(galaxy_object_panel_find(GALAXY_PANEL_OFFICER))
                                 ? officer_detail_panel_officer(galaxy_object_panel_find(GALAXY_PANEL_OFFICER))->name
                                 : "";
    }

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
    void end() {
        galaxy_object_panels_close();
        driver.stop();
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
    void close_news() {
        Control *news = galaxy_screen()->side_panels[GALAXY_LIST_NEWS];
        if (news && control_is_shown(news)) {
            driver.press('6');
            driver.frames(30);
        }
    }
};

// The ship and its starbase as a save holds them.
class ShipsSaveReader : public ModelGame {
public:
    void TestBody() override {}
    Crews read(const std::string &path, uint64_t ship_id) {
        Crews c;
        SetUp();
        if (game_load_file(game, path.c_str(), 0) == RES_OK) c = crews_of(ship_of(game_find_object(game, ship_id)));
        TearDown();
        return c;
    }
};

class ShipsEndToEnd : public galaxy_road::Road {
protected:
    ShipsEndToEnd() : Road(SHIPS_ROAD) {}
};

TEST_F(ShipsEndToEnd, ShipsListShipDetailsCrewTransferAndANewCommander) {
    const std::string save_home = dir + "/save";
    write_prefs(save_home, 0);   // no automatic passing
    const std::string folder = save_home + "/Astrovane";
    ScreenProbe menu_probe;
    const ScreenProbe::MenuSpots menu = menu_probe.galaxy_menu(save_home);
    ASSERT_TRUE(menu.save_game.ok() && menu.save.ok());

    GameWindow game(display, dir, save_home);
    start(game, "ships.log");
    new_game(game);
    ASSERT_TRUE(galaxy_road::save_from_menu(game, menu, folder + "/000.sav")) << game.log();
    ShipsProbe probe;
    const ShipsPlan plan = probe.road(save_home, folder + "/000.sav");
    ASSERT_TRUE(plan.commander_after.ok()) << "the probe walked the whole road";
    // What the probe saw is what the road asserts on the real program: the slider moved crew to
    // the starbase, Accept wrote exactly that split, and the pick gave the ship a new commander.
    EXPECT_LT(plan.slider_ship, plan.before.ship) << "a click left of the thumb sends crew to the starbase";
    EXPECT_EQ(plan.slider_ship + plan.slider_base, plan.before.ship + plan.before.base) << "the slider conserves crew";
    EXPECT_EQ(plan.after_transfer.ship, plan.slider_ship);
    EXPECT_EQ(plan.after_transfer.base, plan.slider_base);
    EXPECT_NE(plan.candidate_name, plan.before.commander);
    EXPECT_EQ(plan.after.commander, plan.candidate_name);
    EXPECT_NE(plan.row_before.find(plan.before.commander), std::string::npos) << plan.row_before;
    EXPECT_NE(plan.row_after.find(plan.candidate_name), std::string::npos) << "the commander row names the new commander: "
                                                                          << plan.row_after;
    EXPECT_EQ(plan.row_after.find(plan.before.commander), std::string::npos) << plan.row_after;
    EXPECT_EQ(plan.shown_officer, plan.candidate_name) << "the commander row opens the new commander's panel";

    game.step(SHIPS_ROAD, "the ships list and " + plan.ship_name + "'s details");
    const DecodedPng star_map = game.shot(SHIPS_ROAD, "00_star_map");
    game.key("2");
    const DecodedPng list = game.shot_when_changed(SHIPS_ROAD, "01_ships_list", star_map,
        {0, 40, 512, 740}, 1500, "the ships list at the left");
    EXPECT_GT(pixels_changed(star_map, list, 0, 40, 512, 740), 1500) << "the ships list at the left";

    game.click(plan.row.x, plan.row.y);
    const DecodedPng details = game.shot_when_changed(SHIPS_ROAD, "02_ship_details", list,
        {0, 40, 1024, 740}, 8000, std::string("the details of ") + plan.ship_name);
    EXPECT_GT(pixels_changed(list, details, 0, 40, 1024, 740), 8000) << "the details of " << plan.ship_name;

    game.step(SHIPS_ROAD, "the crew transfer");
    game.click(plan.transfer.x, plan.transfer.y);
    const DecodedPng dialog = game.shot_when_changed(SHIPS_ROAD, "03_transfer_dialog", details,
        {0, 40, 1024, 740}, 300, "the crew transfer in the menu's place");
    EXPECT_GT(pixels_changed(details, dialog, 0, 40, 1024, 740), 300) << "the crew transfer in the menu's place";
    game.click(plan.track.x, plan.track.y);
    const DecodedPng moved = game.shot_when_changed(SHIPS_ROAD, "04_transfer_slider_moved", dialog,
        {0, 40, 1024, 740}, 20, "the thumb and the two amounts");
    EXPECT_GT(pixels_changed(dialog, moved, 0, 40, 1024, 740), 20) << "the thumb and the two amounts";
    game.click(plan.accept.x, plan.accept.y);
    const DecodedPng accepted = game.shot_when_changed(SHIPS_ROAD, "05_transfer_accepted", moved,
        {0, 40, 1024, 740}, 300, "the ship's menu back in the transfer's place");

    game.step(SHIPS_ROAD, "a new commander");
    game.click(plan.commander.x, plan.commander.y);
    const DecodedPng officer = game.shot_when_changed(SHIPS_ROAD, "06_officer_detail_panel", accepted,
        {0, 40, 1024, 740}, 5000, std::string("the panel of ") + plan.before.commander);
    EXPECT_GT(pixels_changed(accepted, officer, 0, 40, 1024, 740), 5000) << "the panel of " << plan.before.commander;
    game.click(plan.replace.x, plan.replace.y);
    const DecodedPng assign = game.shot_when_changed(SHIPS_ROAD, "07_assign_officer", officer,
        {0, 40, 1024, 740}, 2000, "the Assign Officer dialog");
    EXPECT_GT(pixels_changed(officer, assign, 0, 40, 1024, 740), 2000) << "the Assign Officer dialog";
    game.click(plan.candidate.x, plan.candidate.y);
    const DecodedPng picked = game.shot_when_changed(SHIPS_ROAD, "08_new_commander_row", assign,
        {0, 40, 1024, 740}, 2000, "the Assign Officer dialog gone");
    EXPECT_GT(pixels_changed(accepted, picked, plan.row_x, plan.row_y, plan.row_x + plan.row_w, plan.row_y + plan.row_h), 40)
        << "the commander row shows " << plan.candidate_name;
    game.click(plan.commander_after.x, plan.commander_after.y);
    const DecodedPng new_panel = game.shot_when_changed(SHIPS_ROAD, "09_new_commander_panel", picked,
        {0, 40, 1024, 740}, 5000, std::string("the panel of ") + plan.candidate_name);
    EXPECT_GT(pixels_changed(picked, new_panel, 0, 40, 1024, 740), 5000) << "the panel of " << plan.candidate_name;

    game.step(SHIPS_ROAD, "the panels closed");
    game.key_for("Escape", "the commander's panel closed", {0, 40, 1024, 740}, 300);
    game.key_for("Escape", "the ship's details closed", {0, 40, 1024, 740}, 300);
    const ScreenProbe::MenuSpots again = menu_probe.galaxy_menu(save_home);   // the save screen now lists a save
    ASSERT_TRUE(again.save_game.ok() && again.save.ok());
    ASSERT_TRUE(galaxy_road::save_from_menu(game, again, folder + "/001.sav")) << game.log();
    ShipsSaveReader saved;
    const Crews kept = saved.read(folder + "/001.sav", plan.ship_id);
    EXPECT_EQ(saved.read(folder + "/000.sav", plan.ship_id), plan.before) << "the game the probe walked";
    EXPECT_EQ(kept, plan.after) << "the crews as the slider said and " << plan.candidate_name << " in command";

    finish(game);
}

}  // namespace
