// End to end: a player sends ships from their home sector to the nearest other sector, on the real
// program under a private X server. The sector panel opens on a click, Move turns it into the
// selection view, Set Course brings the destination prompt, the hovered destination shows the
// distance, speed and ETA, and a click gives the order; days pass until the ships arrive.
//  - Where the sectors stand comes from the game's own autosave (every 14th day), read back in this
//    process; the next autosave tells where the ships are at the end.
//  - Screenshots are kept under build/test-output/screens/sector_course/.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "galaxy_road_support.h"

namespace {

using galaxy_road::pixels_changed;

constexpr const char *SECTOR_COURSE_ROAD = "sector_course";

class SectorCourseEndToEnd : public galaxy_road::Road {
protected:
    SectorCourseEndToEnd() : Road(SECTOR_COURSE_ROAD) {}
};

TEST_F(SectorCourseEndToEnd, HomeSectorMoveSetCourseHoverClickAndTheShipsArrive) {
    const std::string save_home = dir + "/save";
    write_prefs(save_home, 600);   // automatic passing after 600 ms: the action button is "Pass"
    const std::string autosave = save_home + "/Astrovane/auto.sav";

    GameWindow game(display, dir, save_home);
    start(game, "course.log");
    new_game(game);

    ASSERT_TRUE(pass_until_autosave(game, autosave)) << "the 14th day's autosave";
    galaxy_road::SaveProbe probe;
    const galaxy_road::GalaxyLook start = probe.look(autosave);
    ASSERT_TRUE(start.loaded);
    ASSERT_NE(start.home(), nullptr) << "the UI player's sector on the first screen";
    const galaxy_road::SectorSpot home = *start.home();
    ASSERT_NE(start.nearest(home), nullptr);
    const galaxy_road::SectorSpot target = *start.nearest(home);
    const int ships_home = start.ui_ships_at(home.id);
    ASSERT_GT(ships_home, 0) << "the UI player's ships wait at home";

    game.step(SECTOR_COURSE_ROAD, "the home sector's panel");
    const DecodedPng before = game.shot(SECTOR_COURSE_ROAD, "00_star_map");
    game.click(home.x, home.y);
    const DecodedPng panel = game.shot_when_changed(SECTOR_COURSE_ROAD, "01_home_sector_panel", before,
        {0, 40, 1024, 700}, 2000, "the sector panel opened");
    EXPECT_GT(pixels_changed(before, panel, 0, 40, 1024, 700), 2000) << "the sector panel opened";

    game.step(SECTOR_COURSE_ROAD, "Move");
    game.key("m");
    // One ship goes straight to the destination prompt, more to the selection view.
    const DecodedPng selection = ships_home > 1
        ? game.shot_when_changed(SECTOR_COURSE_ROAD, "02_selection_view", panel, {0, 40, 1024, 700}, 200, "the selection view")
        : game.shot_when_changed(SECTOR_COURSE_ROAD, "02_selection_view", panel, {700, 680, 1024, 768}, 200, "the prompt bar");
    if (ships_home > 1) {
        EXPECT_GT(pixels_changed(panel, selection, 0, 40, 1024, 700), 200) << "the selection view";
        game.step(SECTOR_COURSE_ROAD, "Set Course");
        game.key("s");   // Set Course with every own ship selected
        game.changed(selection, {700, 680, 1024, 768}, 200, "the prompt bar and Cancel");
    }
    const DecodedPng prompt = game.shot(SECTOR_COURSE_ROAD, "03_destination_prompt");
    EXPECT_GT(pixels_changed(before, prompt, 700, 680, 1024, 768), 200) << "the prompt bar and Cancel";

    game.move(target.x, target.y);
    const DecodedPng hover = game.shot_when_changed(SECTOR_COURSE_ROAD, "04_destination_hover", prompt,
        {0, 40, 1024, 680}, 500, "the information panel by the destination");
    EXPECT_GT(pixels_changed(prompt, hover, 0, 40, 1024, 680), 500) << "the information panel by the destination";
    game.step(SECTOR_COURSE_ROAD, "the course to " + target.name);
    game.click(target.x, target.y);
    // The order given, the prompt bar goes.
    game.shot_when_changed(SECTOR_COURSE_ROAD, "05_course_set", hover, {700, 680, 1024, 768}, 200, "the prompt bar gone");

    game.step(SECTOR_COURSE_ROAD, "Pass until the ships arrive");
    const std::string arrived = "arrived at the " + target.name + " sector";
    game.key("p");
    ASSERT_TRUE(game.expect_log(arrived, 90)) << "the ships reach " << target.name;
    game.key("s");
    wait_for_days_to_stop(game);
    game.shot(SECTOR_COURSE_ROAD, "06_arrived");

    ASSERT_TRUE(pass_until_autosave(game, autosave)) << "the 28th day's autosave";
    const galaxy_road::GalaxyLook end = probe.look(autosave);
    ASSERT_TRUE(end.loaded);
    EXPECT_GT(end.ui_ships_at(target.id), 0) << "the ships stand in " << target.name;
    EXPECT_LT(end.ui_ships_at(home.id), ships_home) << "and left home";

    finish(game);
}

}  // namespace
