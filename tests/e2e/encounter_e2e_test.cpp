// End to end: a player sends the home fleet at a computer player's guarded sector and meets the
// guards, on the real program under a private X server. The game is one the player has been
// building up: a seeded new game whose home sector and Sol (whose two guards never leave it) stand
// on the first screen, where three more ships have come from the yard, kept in the save folder and
// loaded from the title. Days pass until the ships arrive and the day ends with the encounter; Tab
// opens the encounter dialog with its battle map, 'e' engages, and the hand-off takes the battle
// to the combat mode. The battle is then fought as a player fights it: the turn-order list, moves
// toward the enemy with their preview, a shot through the weapon row's button at an enemy in
// reach, 'e' to end each of the player's turns, up to the summary, and Enter back to the star map.
//  - Where the sectors stand, and the players' colours, come from the saved game, read back in
//    this process; where the title's load screen puts its rows and buttons, from the same screen
//    built here (screen_probe.h).
//  - On the battle screen the road looks as a player looks: the unit status panel by its border,
//    the ships by the colour of their tags, a move within reach by its cost box, a shot in reach by
//    the popup's rating; the summary is heard (its music is queued in the log).
//  - Screenshots are kept under build/test-output/screens/encounter/.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iostream>
#include <filesystem>
#include <string>
#include <vector>

#include "battle_reading.h"
#include "galaxy_road_support.h"
#include "game/encounter_life.h"
#include "game/newgame.h"
#include "platform/calendar.h"
#include "screen_probe.h"
#include "world/ship.h"

namespace {

using galaxy_road::acting_ship;
using galaxy_road::action_button;
using galaxy_road::Box;
using galaxy_road::coloured_in;
using galaxy_road::ColourProbe;
using galaxy_road::Colours;
using galaxy_road::cost_box_near;
using galaxy_road::enemies_near;
using galaxy_road::pixels_changed;
using galaxy_road::Rgb;
using galaxy_road::Spot;
using galaxy_road::status_panel;

constexpr const char *ROAD = "encounter";
constexpr size_t PREFS_COMBAT_SPEED = 20;   // byte offset of the combat speed word in "prefs.dat"
constexpr int SHORTEST_PAUSES = 30;         // the lowest combat speed word: the shortest pauses

// The game of the road: a seeded new game with two computer players, where the UI player's yard
// has built three ships of the first design at home (named, dated, whole and loaded, as the yard
// builds them) and Sol keeps only the first of its guards (the others stood down as a scrapped ship
// is: out of the sector, marked dead, purged), saved at `path`. Four lasers against one guard's
// longer beam: the player's ships live to come within their weapons' reach.
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
            player_add_object(game->ui_player, ship);
            game_next_ship_name(game, &ship->ship_name);
            if (!ship->built_date) ship->built_date = date_create();
            if (ship->built_date && game->clock) date_copy(ship->built_date, game->clock);
            ship_repair_and_reload(ship);
            ship_set_sector(ship, home);
            ship_reset_state(ship);
            ship_recompute_stats(ship);
        }
        std::vector<Ship *> guards;
        if (Player *sol = made ? game_find_player(game, game->sol_player_id) : nullptr)
            for (GameObject *o : sol->objects.items) {
                if (!o) break;
                if (o->kind == OBJECT_SHIP) guards.push_back(static_cast<Ship *>(o));
            }
        for (size_t i = 1; i < guards.size(); ++i) {
            if (guards[i]->fleet_id != 0) ship_set_fleet(guards[i], nullptr);
            ship_set_sector(guards[i], nullptr);
            guards[i]->flags |= OBJ_DEAD;
        }
        game_purge_removed_objects(game);
        made = made && home && guards.size() > 1 && game_save(game, path.c_str(), "Battle", 0, nullptr) == RES_OK;
        TearDown();
        return made;
    }
};

class EncounterEndToEnd : public galaxy_road::Road {
protected:
    EncounterEndToEnd() : Road(ROAD) {}
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

    GameWindow game(display, dir, save_home);
    ASSERT_TRUE(game.start("encounter.log"));
    ASSERT_TRUE(galaxy_road::load_from_title(game, load)) << game.log();

    const galaxy_road::SectorSpot home = *look.home();
    ASSERT_NE(look.nearest_guarded_rival(home), nullptr) << "a computer player's sector on the first screen";
    const galaxy_road::SectorSpot rival = *look.nearest_guarded_rival(home);
    const int ships_home = look.ui_ships_at(home.id);
    const Colours colours = ColourProbe().read(save);
    ASSERT_FALSE(colours.rivals.empty());
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
    GameWindow::pause(1000);
    const DecodedPng mid_turn = game.shot(ROAD, "05_battle_mid_turn");

    game.key("3");
    GameWindow::pause(900);
    const DecodedPng order = game.shot(ROAD, "06_turn_order");
    EXPECT_GT(pixels_changed(mid_turn, order, 0, 0, 1024, 740), 2000) << "the turn-order list";
    game.key("3");
    game.move(1010, 40);   // the pointer off where a panel may open: it would break its border
    GameWindow::pause(700);

    // The battle: each time one of the player's ships acts (its unit status panel opens beside it),
    // it fires through its weapon row's button at an enemy in reach, else it moves toward the
    // nearest enemy as far as its reach allows (the move's cost box shows where a point is within
    // reach), and each turn ends with 'e', until the battle is decided and the summary plays.
    bool moved = false, previewed = false;
    int turns = 0;
    const auto wait_for_panel = [&](DecodedPng *look, int tries) {
        Box panel;
        for (int i = 0; i < tries && !(panel = status_panel(*look = glance(game))).ok(); ++i)
            GameWindow::pause(200);
        return panel;
    };
    constexpr int IN_REACH = 260;   // screen pixels between ship centres where a shot may be rated
    // Fire: the weapon row's button (the panel gives way to the weapon's mode), then the pointer
    // over each enemy in reach; where the weapon reaches it, the popup left of the pointer rates the
    // shot with a green line (hit chance and damage), and a click fires.
    int shots = 0;
    const auto try_fire = [&](DecodedPng *look, Box *panel, const std::vector<Spot> &enemies, int sx, int sy) {
        int bx = 0, by = 0;
        if (enemies.empty() || std::hypot(enemies.front().x - sx, enemies.front().y - sy) > IN_REACH) return false;
        if (!action_button(*look, *panel, &bx, &by)) return false;
        game.click(bx, by);
        GameWindow::pause(500);
        bool shot = false;
        if (!status_panel(glance(game)).ok())   // the weapon's mode
            for (size_t e = 0; e < enemies.size() && !shot; ++e) {
                if (std::hypot(enemies[e].x - sx, enemies[e].y - sy) > IN_REACH) break;
                game.move(enemies[e].x, enemies[e].y);
                GameWindow::pause(500);
                const DecodedPng rated = glance(game);
                const Box line{enemies[e].x - 140, enemies[e].y - 4, enemies[e].x - 10, enemies[e].y + 24};
                if (coloured_in(rated, line, Rgb{0, 220, 0}, 24) <= 20) continue;
                if (shots == 0) game.shot(ROAD, "09_hit_popup");
                game.click(enemies[e].x, enemies[e].y);
                shot = true;
                ++shots;
            }
        if (!shot) game.key("Escape");
        *panel = wait_for_panel(look, 50);
        return shot;
    };
    // Move: 'm', then the points in turn until one is within reach (its cost box shows), which is
    // clicked; the ship goes and its panel returns. None within reach: the mode is cancelled.
    const auto try_move = [&](DecodedPng *look, Box *panel, const std::vector<Spot> &points) {
        game.move(1010, 40);
        game.key("m");
        GameWindow::pause(600);
        for (const Spot &p : points) {
            if (p.x < 8 || p.x > 1016 || p.y < 40 || p.y > 678) continue;
            game.move(p.x, p.y);
            GameWindow::pause(400);
            if (!cost_box_near(glance(game), p.x, p.y)) continue;
            if (!previewed) {
                game.shot(ROAD, "08_move_preview");
                previewed = true;
            }
            game.click(p.x, p.y);
            *panel = wait_for_panel(look, 50);
            if (panel->ok()) return true;
            game.move(1010, 40);
        }
        game.key("Escape");
        *panel = wait_for_panel(look, 10);
        return false;
    };
    // Points toward the enemy at the given reaches, turned aside by the given angles; with no enemy
    // in sight, points round the ship.
    const auto toward = [](int sx, int sy, const Spot *enemy, std::initializer_list<int> turns, std::initializer_list<int> reaches) {
        std::vector<Spot> points;
        const double to = enemy ? std::atan2(enemy->y - sy, enemy->x - sx) : 0;
        const double gap = enemy ? std::hypot(enemy->x - sx, enemy->y - sy) : 1e9;
        for (int turn : turns)
            for (int reach : reaches)
                if (reach < gap - 60)   // not onto the enemy
                    points.push_back(Spot{sx + int(reach * std::cos(to + turn * M_PI / 180)), sy + int(reach * std::sin(to + turn * M_PI / 180))});
        return points;
    };
    // A loaded machine plays the enemies' turns slowly; a player who sees no panel of theirs for half
    // a minute ends the turn anyway (on a computer ship's turn the key does nothing).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(720);
    auto last_seen = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() < deadline && game.log().find("Queue sound 20,") == std::string::npos) {
        DecodedPng look;
        Box panel = wait_for_panel(&look, 1);
        if (!panel.ok()) {
            if (std::chrono::steady_clock::now() - last_seen > std::chrono::seconds(30)) {
                game.move(1010, 40);
                game.key("e");
                last_seen = std::chrono::steady_clock::now();
            }
            GameWindow::pause(150);
            continue;
        }
        last_seen = std::chrono::steady_clock::now();
        GameWindow::pause(400);   // the panel has grown in
        panel = wait_for_panel(&look, 1);
        int sx = 0, sy = 0;
        if (!panel.ok() || !acting_ship(look, colours.own, panel, &sx, &sy)) continue;
        if (++turns == 1) game.shot(ROAD, "07_unit_status_panel");
        std::vector<Spot> enemies = enemies_near(look, colours.rivals, panel, sx, sy);
        bool shot = try_fire(&look, &panel, enemies, sx, sy);   // an enemy in reach
        // An enemy in reach but outside the weapon's arc: the ship turns to face it ('t' and a
        // click on it), then fires.
        if (!shot && panel.ok() && !enemies.empty() && std::hypot(enemies.front().x - sx, enemies.front().y - sy) <= IN_REACH) {
            game.key("t");
            GameWindow::pause(600);
            game.move(enemies.front().x, enemies.front().y);
            GameWindow::pause(400);
            game.click(enemies.front().x, enemies.front().y);
            panel = wait_for_panel(&look, 50);
            if (!panel.ok()) {
                game.key("Escape");
                panel = wait_for_panel(&look, 10);
            }
            if (panel.ok() && acting_ship(look, colours.own, panel, &sx, &sy)) {
                enemies = enemies_near(look, colours.rivals, panel, sx, sy);
                shot = try_fire(&look, &panel, enemies, sx, sy);
            }
        }
        // Each turn closes in on the nearest enemy in sight (the enemies' beams outreach the ships'
        // lasers: a ship that waits is shot from afar); the first moves wherever its reach allows when
        // none is in sight. A ship with an enemy in reach fires at it.
        const Spot *enemy = enemies.empty() ? nullptr : &enemies.front();
        std::vector<Spot> points;
        if (!moved && enemy) points = toward(sx, sy, enemy, {0, 25, -25, 50, -50, 80, -80}, {100, 60});
        else if (!moved) points = toward(sx, sy, nullptr, {0, 45, 90, 135, 180, 225, 270, 315}, {60, 35});
        else if (!shot && enemy) points = toward(sx, sy, enemy, {0, 30, -30}, {100, 60});
        if (!shot && panel.ok() && !points.empty() && try_move(&look, &panel, points)) {
            moved = true;
            if (panel.ok() && acting_ship(look, colours.own, panel, &sx, &sy))
                shot = try_fire(&look, &panel, enemies_near(look, colours.rivals, panel, sx, sy), sx, sy);
        }
        GameWindow::pause(500);   // a panel that has just opened takes no input for a moment
        game.key("e");
        game.move(1010, 40);   // the pointer off where the next panel may open: it would break its border
        GameWindow::pause(500);
    }
    ASSERT_TRUE(game.wait_for_log("Queue sound 20,", 5)) << "the battle reached its summary";
    game.shot(ROAD, "10_summary_band");   // at once: the band stands full width only for a moment
    EXPECT_GT(turns, 0) << "the player's ships had turns";
    EXPECT_TRUE(moved) << "a ship moved";
    EXPECT_TRUE(previewed) << "the move preview showed";
    // Sol's guard outreaches the lasers: some battles are lost before a ship comes within reach, so a
    // shot is reported, not required.
    std::cout << "the player's turns: " << turns << ", shots: " << shots << "\n";

    GameWindow::pause(6000);
    game.shot(ROAD, "11_summary_cards");
    game.key("Return");
    ASSERT_TRUE(game.wait_for_log("Application mode is now 3", 30, 2)) << game.log();
    GameWindow::pause(1500);
    game.shot(ROAD, "12_back_on_the_star_map");

    const ProgramRun ended = game.stop(SIGTERM);
    EXPECT_EQ(ended.status, 0) << ended.err;
    EXPECT_EQ(game.log().find("ERROR"), std::string::npos) << game.log();
}

}  // namespace
