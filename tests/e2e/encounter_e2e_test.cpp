// End to end: a player sends the home fleet at a computer player's guarded sector and meets the
// guards, on the real program under a private X server. The game is one the player has been
// building up: a seeded new game whose home sector and Sol stand on the first screen, where three
// more ships have come from the yard and been given commanders and crews, and Sol is down to one
// worn guard, kept in the save folder and loaded from the title. Days pass until the ships arrive
// and the day ends with the encounter; Tab opens the encounter dialog with its battle map, 'e'
// engages, and the hand-off takes the battle to the combat mode. The battle is then fought as a
// player fights it: the turn-order list, moves toward the enemy with their preview, turns to face
// it, a shot through the weapon row's button at an enemy in reach (required: the fleet closes in
// on the guard and turns to face it), 'e' to end each of the player's turns, up to the summary,
// and Enter back to the star map.
//  - Where the sectors stand, and the players' colours, come from the saved game, read back in
//    this process; where the title's load screen puts its rows and buttons, from the same screen
//    built here (screen_probe.h).
//  - On the battle screen the road looks as a player looks: the unit status panel by its border,
//    the ships by the colour of their tags, a move within reach by its cost box, a shot in reach by
//    the popup's rating; the summary is heard (its music is queued in the log).
//  - Screenshots are kept under build/test-output/screens/encounter/.
#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <filesystem>
#include <string>
#include <vector>

#include "battle_reading.h"
#include "galaxy_road_support.h"
#include "game/encounter_life.h"
#include "game/newgame.h"
#include "game/officer.h"
#include "platform/calendar.h"
#include "screen_probe.h"
#include "systems/system.h"
#include "world/ship.h"

namespace {

using galaxy_road::ColourProbe;
using galaxy_road::Colours;
using galaxy_road::pixels_changed;
using galaxy_road::PREFS_COMBAT_SPEED;

constexpr const char *ENCOUNTER_ROAD = "encounter";
constexpr int SHORTEST_PAUSES = 30;         // the lowest combat speed word: the shortest pauses
constexpr int32_t SOL_YARD_HELD = 90000;    // Sol's budget spent ahead: more than 60 days bring
constexpr int32_t GUARD_ARMOUR_LEFT = 4;    // below a pulse laser's 8 damage
constexpr const char *BATTLE_SEED = "20261208";   // the program's draws

// The game of the road: a seeded new game with two computer players, where the UI player's yard
// has built three ships of the first design at home (named, dated, whole and loaded, as the yard
// builds them) and Sol keeps only the first of its guards (the others stood down as a scrapped ship
// is: out of the sector, marked dead, purged) and builds no more while the fleet travels, saved at
// `path`. Four lasers against one: the battle is short and a ship comes within its weapon's reach
// before Sol's barrage has sunk them all.
class BattleGame : public ModelGame {
public:
    void TestBody() override {}
    bool make(const std::string &path, uint32_t seed) {
        SetUp();
        random_seed(seed);
        HeadlessOptions options;
        options.computer_players = 2;
        bool made = headless_new_game(game, options) == RES_OK && game->ui_player;
        GameObject *home = nullptr;
        for (GameObject *o : made ? game->ui_player->objects.items : std::vector<GameObject *>{}) {
            if (!o) break;
            if (o->kind == OBJECT_SHIP) home = game_find_object(game, static_cast<Ship *>(o)->sector_id);
        }
        for (int i = 0; home && i < 3; ++i) {
            Ship *ship = ship_of(player_build_ship_from_design(game->ui_player, 0));
            if (!ship) break;
            // The player has given it a commander and a full crew, as the first ship of the game had
            // (a ship from the yard comes without): an officer of their own with a ship officer's
            // first skills. With them, each ship has the action points to turn toward an enemy and
            // still fire in one turn (the guard weaves round the ships' arcs).
            player_commission_ship(game->ui_player, ship, player_hire_officer(game->ui_player, true, sector_of(home)),
                                   sector_of(home));
            const System *laser = ship_get_crit_system(ship, 0);
            made = made && laser && ship->max_ap >= ship->turn_cost + laser->ap_cost;
        }
        std::vector<Ship *> guards;
        if (Player *sol = made ? game_find_player(game, game->sol_player_id) : nullptr)
            for (GameObject *o : sol->objects.items) {
                if (!o) break;
                if (o->kind == OBJECT_SHIP) guards.push_back(static_cast<Ship *>(o));
            }
        // The guard that stays limps from an earlier fight: one laser hit sinks it (Sol has no
        // credits to mend it and its pilot no field repair, so it limps still when the fleet comes),
        // and its pilot has not learnt to weave: the lasers' hit chances are the plain ones.
        if (!guards.empty()) {
            ship_add_armour(guards[0], GUARD_ARMOUR_LEFT - guards[0]->armour);
            if (guards[0]->pilot) guards[0]->pilot->skills[SKILL_NAVIGATION] = 0;   // a pilot new to evasion
            ship_recompute_stats(guards[0]);
        }
        for (size_t i = 1; i < guards.size(); ++i) {
            if (guards[i]->fleet_id != 0) ship_set_fleet(guards[i], nullptr);
            ship_set_sector(guards[i], nullptr);
            guards[i]->flags |= OBJ_DEAD;
        }
        game_purge_removed_objects(game);
        // Sol's yard has spent ahead what the weeks of the fleet's journey bring it (600 to 1,200 a
        // day; its cheapest ship costs three times its design's price, about 3,300): no new ship
        // joins the guard before the battle.
        game->sol_budget = game->sol_spent - SOL_YARD_HELD;
        made = made && home && guards.size() > 1 && game_save(game, path.c_str(), "Battle", 0, nullptr) == RES_OK;
        TearDown();
        return made;
    }
};

class EncounterEndToEnd : public galaxy_road::Road {
protected:
    EncounterEndToEnd() : Road(ENCOUNTER_ROAD) {}
    DecodedPng glance(const GameWindow &game) const { return galaxy_road::glance(display, game, dir); }
};

TEST_F(EncounterEndToEnd, HomeFleetAtARivalSectorEngagesFightsAndTheSummaryLeadsBackToTheStarMap) {
    const std::string save_home = dir + "/save";
    write_prefs(save_home, 600);   // automatic passing after 600 ms: the action button is "Pass"
    galaxy_road::patch_prefs(save_home, PREFS_COMBAT_SPEED, SHORTEST_PAUSES);
    const std::string save = save_home + "/Astrovane/000.sav";
    std::filesystem::create_directories(save_home + "/Astrovane");

    // The first seed whose home (with its four ships) and Sol stand on the first screen.
    galaxy_road::SaveProbe probe;
    galaxy_road::GalaxyLook look;
    for (uint32_t seed = 20261208; seed < 20261208 + 40; ++seed) {
        ASSERT_TRUE(BattleGame().make(save, seed)) << "the battle's game, seed " << seed;
        look = probe.look(save);
        ASSERT_TRUE(look.loaded);
        const galaxy_road::SectorSpot *rival = look.home() ? look.nearest_guarded_rival(*look.home()) : nullptr;
        if (rival && rival->sol && look.ui_ships_at(look.home()->id) == 4) break;
        look = galaxy_road::GalaxyLook{};
    }
    ASSERT_TRUE(look.loaded) << "a seed with home and Sol on the first screen";
    const galaxy_road::ScreenProbe::LoadSpots load = galaxy_road::ScreenProbe().title_load(save_home);
    ASSERT_TRUE(load.row.ok() && load.load.ok() && load.yes.ok());

    // The battle's hits and damage come from the program's own draws: a fixed seed plays the same one.
    GameWindow game(display, dir, save_home, {std::string("ASTROVANE_RANDOM_SEED=") + BATTLE_SEED});
    start(game, "encounter.log");
    ASSERT_TRUE(galaxy_road::load_from_title(game, load)) << game.log();

    const galaxy_road::SectorSpot home = *look.home();
    ASSERT_NE(look.nearest_guarded_rival(home), nullptr) << "a computer player's sector on the first screen";
    const galaxy_road::SectorSpot rival = *look.nearest_guarded_rival(home);
    const int ships_home = look.ui_ships_at(home.id);
    const Colours colours = ColourProbe().read(save);
    ASSERT_FALSE(colours.rivals.empty());
    ASSERT_GT(ships_home, 0) << "the UI player's ships wait at home";

    game.step(ENCOUNTER_ROAD, "the home fleet's course to " + rival.name);
    const ScreenBox map{0, 40, 1024, 700}, prompt_bar{700, 680, 1024, 768};
    game.click_for(home.x, home.y, "the home sector's panel", map, 2000);
    // One ship goes straight to the destination prompt, more to the selection view and its Set Course.
    const DecodedPng selection = game.key_for("m", ships_home > 1 ? "the selection view" : "the prompt bar",
                                              ships_home > 1 ? map : prompt_bar, 200);
    const DecodedPng prompt = ships_home > 1 ? game.key_for("s", "the prompt bar", prompt_bar, 200) : selection;
    game.move(rival.x, rival.y);
    const DecodedPng hover = game.changed(prompt, {0, 40, 1024, 680}, 500, "the information panel by the destination");
    game.click(rival.x, rival.y);
    game.changed(hover, prompt_bar, 200, "the prompt bar gone");
    const DecodedPng course = game.shot(ENCOUNTER_ROAD, "01_course_to_the_rival");

    // The ships arrive; the day ends with the encounter, which holds the turn for the player.
    game.step(ENCOUNTER_ROAD, "Pass until the encounter");
    game.key("p");
    ASSERT_TRUE(game.expect_log("arrived at the " + rival.name + " sector", 120)) << game.log();
    wait_for_days_to_stop(game);
    DecodedPng met = game.look();
    game.settle(met, map, 200);
    met = game.shot(ENCOUNTER_ROAD, "02_encounter_marker");
    GameWindow::let_input_unlock();

    game.key("Tab");
    const DecodedPng dialog = game.shot_when_changed(ENCOUNTER_ROAD, "03_encounter_dialog", met,
        {0, 40, 1024, 700}, 3000, "the encounter dialog with its battle map");
    EXPECT_GT(pixels_changed(met, dialog, 0, 40, 1024, 700), 3000) << "the encounter dialog with its battle map";

    game.step(ENCOUNTER_ROAD, "the battle's screen");
    game.key("e");
    ASSERT_TRUE(game.expect_log("Application mode is now 0", 60)) << game.log();
    DecodedPng combat = game.look();
    game.settle(combat, WHOLE_SCREEN, 200);   // the battle's screen has come
    game.shot(ENCOUNTER_ROAD, "04_combat_mode");
    GameWindow::let_input_unlock();
    const DecodedPng mid_turn = game.shot(ENCOUNTER_ROAD, "05_battle_mid_turn");

    game.key("3");
    const DecodedPng order = game.shot_when_changed(ENCOUNTER_ROAD, "06_turn_order", mid_turn,
        {0, 0, 1024, 740}, 2000, "the turn-order list");
    EXPECT_GT(pixels_changed(mid_turn, order, 0, 0, 1024, 740), 2000) << "the turn-order list";
    game.key("3");
    game.changed(order, {0, 0, 1024, 740}, 2000, "the turn-order list closed");
    game.move(1010, 40);   // the pointer off where a panel may open: it would break its border

    // The battle, fought from the screen as a player fights it (battle_reading.h): each time one of
    // the player's ships acts, a shot through its weapon row's button at an enemy in reach, else a
    // move toward the nearest enemy with its preview, and 'e' to end the turn, up to the summary.
    const auto fight_began = std::chrono::steady_clock::now();
    const galaxy_road::BattleRun battle = galaxy_road::fight_battle(
        display, game, dir, ENCOUNTER_ROAD, colours, {"07_unit_status_panel", "08_move_preview", "09_hit_popup"}, 720);
    std::cout << "the player's turns: " << battle.turns << ", shots: " << battle.shots << ", the battle took "
              << std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - fight_began).count()
              << " s\n";
    ASSERT_TRUE(battle.summary) << "the battle reached its summary";
    game.shot(ENCOUNTER_ROAD, "10_summary_band");   // the band stands full width only for a moment
    EXPECT_GT(battle.turns, 0) << "the player's ships had turns";
    EXPECT_TRUE(battle.moved) << "a ship moved";
    EXPECT_TRUE(battle.previewed) << "the move preview showed";
    EXPECT_GT(battle.shots, 0) << "a ship fired at Sol's guard";
    // The seed's battle: the fleet's lasers sink the worn guard and the fleet holds the sector.
    const galaxy_road::BattleOutcome outcome = galaxy_road::battle_outcome(game.log(), look.ui_name);
    std::cout << "the battle: " << outcome << "\n";
    EXPECT_EQ(outcome.result, "VICTORY") << outcome;
    EXPECT_GT(outcome.hits_given, 0) << outcome;
    EXPECT_EQ(outcome.enemies_sunk, 1) << outcome;

    game.step(ENCOUNTER_ROAD, "the summary, back to the star map");
    galaxy_road::wait_for_summary_cards(game);
    game.shot(ENCOUNTER_ROAD, "11_summary_cards");
    game.key("Return");
    ASSERT_TRUE(game.expect_log("Application mode is now 3", 30, 2)) << game.log();
    enter_galaxy(game);
    game.shot(ENCOUNTER_ROAD, "12_back_on_the_star_map");

    finish(game);
}

}  // namespace
