// End to end: a player sends the home fleet at a computer player's guarded sector (Sol, whose guards
// never leave it, when it is on the first screen) and meets the guards, on the real program under a
// private X server. Days pass until the ships arrive and the day ends with the encounter; Tab opens
// the encounter dialog with its battle map, 'e' engages, and the hand-off takes the battle to the
// combat mode.
//  - Where the sectors stand comes from the game's own autosave (every 14th day), read back in this
//    process.
//  - Screenshots are kept under build/test-output/screens/encounter/.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "galaxy_road_support.h"

namespace {

using galaxy_road::pixels_changed;

constexpr const char *ROAD = "encounter";

class EncounterEndToEnd : public galaxy_road::Road {
protected:
    EncounterEndToEnd() : Road(ROAD) {}
};

TEST_F(EncounterEndToEnd, HomeFleetAtARivalSectorTabToTheDialogEngageAndTheCombatModeStarts) {
    const std::string save_home = dir + "/save";
    write_prefs(save_home, 600);   // automatic passing after 600 ms: the action button is "Pass"
    const std::string autosave = save_home + "/Astrovane/auto.sav";

    GameWindow game(display, dir, save_home);
    ASSERT_TRUE(game.start("encounter.log"));
    new_game(game);

    ASSERT_TRUE(pass_until_autosave(game, autosave)) << "the 14th day's autosave";
    galaxy_road::SaveProbe probe;
    const galaxy_road::GalaxyLook look = probe.look(autosave);
    ASSERT_TRUE(look.loaded);
    ASSERT_NE(look.home(), nullptr) << "the UI player's sector on the first screen";
    const galaxy_road::SectorSpot home = *look.home();
    ASSERT_NE(look.nearest_guarded_rival(home), nullptr) << "a computer player's sector on the first screen";
    const galaxy_road::SectorSpot rival = *look.nearest_guarded_rival(home);
    const int ships_home = look.ui_ships_at(home.id);
    ASSERT_GT(ships_home, 0) << "the UI player's ships wait at home";

    game.click(home.x, home.y);
    GameWindow::pause(700);
    game.key("m");
    GameWindow::pause(700);
    if (ships_home > 1) {
        game.key("s");
        GameWindow::pause(500);
    }
    game.move(rival.x, rival.y);
    GameWindow::pause(900);
    game.click(rival.x, rival.y);
    GameWindow::pause(600);
    const DecodedPng course = game.shot(ROAD, "01_course_to_the_rival");

    // The ships arrive; the day ends with the encounter, which holds the turn for the player.
    game.key("p");
    ASSERT_TRUE(game.wait_for_log("arrived at the " + rival.name + " sector", 120)) << game.log();
    GameWindow::pause(3000);
    const DecodedPng met = game.shot(ROAD, "02_encounter_marker");

    game.key("Tab");
    GameWindow::pause(900);
    const DecodedPng dialog = game.shot(ROAD, "03_encounter_dialog");
    EXPECT_GT(pixels_changed(met, dialog, 0, 40, 1024, 700), 3000) << "the encounter dialog with its battle map";

    game.key("e");
    ASSERT_TRUE(game.wait_for_log("Application mode is now 0", 60)) << game.log();
    GameWindow::pause(1500);
    game.shot(ROAD, "04_combat_mode");

    const ProgramRun ended = game.stop(SIGTERM);
    EXPECT_EQ(ended.status, 0) << ended.err;
    EXPECT_EQ(game.log().find("ERROR"), std::string::npos) << game.log();
}

}  // namespace
