#pragma once
// What the galaxy roads share: the preference words they change between runs, a pixel count of
// what changed between two screenshots, and a look at a saved game from this process (where the
// sectors stand on the star map, the day, where the UI player's ships are).
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "../game/headless_fixture.h"
#include "game/autocombat.h"
#include "game/encounter.h"
#include "game/encounter_life.h"
#include "game/game.h"
#include "game/headless.h"
#include "game/player.h"
#include "game/save.h"
#include "platform/random.h"
#include "screens/endgame/end_of_game.h"
#include "platform/graphics.h"
#include "support/game_window.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"
#include "world/site_feature.h"

namespace galaxy_road {

// Writes a big-endian word of "prefs.dat" (byte offset: 12 galaxy speed, 16 auto-pass delay).
inline void patch_prefs(const std::string &save_home, size_t offset, int32_t value) {
    const std::string path = save_home + "/Astrovane/prefs.dat";
    std::vector<uint8_t> bytes = read_whole(path);
    ASSERT_GE(bytes.size(), offset + 4) << path;
    for (int i = 0; i < 4; ++i) bytes[offset + size_t(i)] = uint8_t(uint32_t(value) >> (24 - 8 * i));
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

// Byte offsets of the speed words in "prefs.dat".
constexpr size_t PREFS_GALAXY_SPEED = 12;
constexpr size_t PREFS_COMBAT_SPEED = 20;

using ::pixels_changed;   // screen comparisons live with the window (support/game_window.h)

// Pixels of the END OF GAME band's colour (0, 32, 0) inside a rectangle.
inline int band_pixels(const DecodedPng &png, int x0, int y0, int x1, int y1) {
    if (!png.ok) return 0;
    int n = 0;
    for (int y = y0; y < y1 && y < int(png.height); ++y)
        for (int x = x0; x < x1 && x < int(png.width); ++x) {
            const uint8_t *p = png.pixels.data() + (size_t(y) * png.width + size_t(x)) * size_t(png.channels());
            n += p[0] < 10 && p[1] >= 24 && p[1] <= 40 && p[2] < 10;
        }
    return n;
}

struct SectorSpot {
    uint64_t    id = 0;
    std::string name;
    int         x = -1, y = -1;   // the middle of the sector on the star map screen
    bool        own = false;
    bool        rival = false;   // a computer player's
    bool        sol = false;     // Sol, whose guards never leave it
    int         defenders = 0;   // the automated defenders of its defended site (0: none)
    bool ok() const { return x >= 0 && y >= 0; }
};

struct GalaxyLook {
    bool                    loaded = false;
    std::string             date;          // "year/month/day"
    uint64_t                minutes = 0;   // the clock's, since the calendar's start
    std::vector<SectorSpot> sectors;       // those wholly on the first screen, clear of the bars
    std::vector<uint64_t>   ui_ship_sectors;   // the sector of each of the UI player's ships (0: travelling)
    std::vector<uint64_t>   rival_ship_sectors;   // the same for the computer players' ships
    std::string             ui_name;       // the UI player's name
    int32_t                 credits = 0;   // the UI player's
    int                     rivals = 0;    // the computer players who compete (Sol's and the machines' aside)
    const SectorSpot *home() const {
        for (const SectorSpot &s : sectors)
            if (s.own) return &s;
        return nullptr;
    }
    // The sector nearest to `from`, other than it (only rivals' when asked).
    const SectorSpot *nearest(const SectorSpot &from, bool rival_only = false) const {
        const SectorSpot *best = nullptr;
        long best_d = 0;
        for (const SectorSpot &s : sectors) {
            if (s.id == from.id || (rival_only && !s.rival)) continue;
            const long d = long(s.x - from.x) * (s.x - from.x) + long(s.y - from.y) * (s.y - from.y);
            if (!best || d < best_d) best = &s, best_d = d;
        }
        return best;
    }
    int ui_ships_at(uint64_t sector_id) const {
        return int(std::count(ui_ship_sectors.begin(), ui_ship_sectors.end(), sector_id));
    }
    int rival_ships_at(uint64_t sector_id) const {
        return int(std::count(rival_ship_sectors.begin(), rival_ship_sectors.end(), sector_id));
    }
    // The unowned sector nearest to `from` whose site is defended by the fewest automated
    // defenders (a battle offered on the player's order).
    const SectorSpot *nearest_defended(const SectorSpot &from) const {
        const SectorSpot *best = nullptr;
        long best_d = 0;
        for (const SectorSpot &s : sectors) {
            if (s.defenders == 0 || s.own || s.rival || s.sol) continue;
            const long d = long(s.x - from.x) * (s.x - from.x) + long(s.y - from.y) * (s.y - from.y);
            if (!best || s.defenders < best->defenders || (s.defenders == best->defenders && d < best_d))
                best = &s, best_d = d;
        }
        return best;
    }
    // Sol when it is on the first screen (its guards never leave); else the rival's sector nearest
    // to `from` where the rival's ships stand; else the nearest rival's.
    const SectorSpot *nearest_guarded_rival(const SectorSpot &from) const {
        for (const SectorSpot &s : sectors)
            if (s.sol) return &s;
        const SectorSpot *best = nullptr;
        long best_d = 0;
        for (const SectorSpot &s : sectors) {
            if (!s.rival || rival_ships_at(s.id) == 0) continue;
            const long d = long(s.x - from.x) * (s.x - from.x) + long(s.y - from.y) * (s.y - from.y);
            if (!best || d < best_d) best = &s, best_d = d;
        }
        return best ? best : nearest(from, true);
    }
};

// A star map point a road may click: inside the screen's margins, clear of the status bar at the
// top, the minimap box at the bottom left and the command bar's buttons along the bottom.
inline bool clickable(int x, int y) {
    if (x <= 40 || x >= GFX_WIDTH - 40 || y <= 60 || y >= GFX_HEIGHT - 44) return false;
    if (x < 230 && y > GFX_HEIGHT - 110) return false;    // the minimap box and the list buttons
    if (x > GFX_WIDTH - 200 && y > GFX_HEIGHT - 90) return false;   // the action buttons
    return true;
}

// Reads a saved game in this process: the star map view starts at the map's origin (or the
// negative origin of a map smaller than the screen).
class SaveProbe : public ModelGame {
public:
    void TestBody() override {}
    GalaxyLook look(const std::string &path) {
        GalaxyLook out;
        SetUp();
        if (game_load_file(game, path.c_str(), 0) == RES_OK && game->galaxy_map) {
            out.loaded = true;
            ObjectMap *map = game->galaxy_map;
            const int ox = std::min(0, map->world_w - GFX_WIDTH - 1), oy = std::min(0, map->world_h - GFX_HEIGHT - 1);
            for (GameObject *o : map->objects.items) {
                if (!o) break;
                if (o->kind != OBJECT_SECTOR) continue;
                SectorSpot s;
                s.id = o->id;
                s.name = object_get_name(o) ? object_get_name(o) : "";
                s.own = o->owner_id == game->ui_player_id;
                s.rival = o->owner_id != 0 && !s.own;
                s.sol = o->id == game->sol_sector_id;
                if (const Site *site = sector_find_defended_site(static_cast<Sector *>(o)))
                    s.defenders = std::max(site->feature->defence_kind == FEATURE_DEFENCE_ARMED ? 2 : 1,
                                           site->feature->defenders - site->feature->defenders_lost);
                const int x = o->x - ox + o->w / 2, y = o->y - oy + o->h / 2;
                if (clickable(x, y)) s.x = x, s.y = y;
                if (s.ok()) out.sectors.push_back(s);
            }
            if (game->clock)
                out.date = std::to_string(game->clock->year) + "/" + std::to_string(game->clock->month) + "/" +
                           std::to_string(game->clock->day);
            if (game->clock) out.minutes = game->clock->minutes;
            if (game->ui_player) out.ui_name = game->ui_player->name, out.credits = game->ui_player->credits;
            for (Player *p : game->players->items) {
                if (!p) break;
                out.rivals += p->kind == PLAYER_KIND_COMPUTER && p->id != game->sol_player_id &&
                              p->id != game->combat_ai_player_id;
                for (GameObject *o : p->objects.items) {
                    if (!o) break;
                    if (o->kind != OBJECT_SHIP) continue;
                    const uint64_t sector_id = static_cast<Ship *>(o)->sector_id;
                    (p == game->ui_player ? out.ui_ship_sectors : out.rival_ship_sectors).push_back(sector_id);
                }
            }
        }
        TearDown();
        return out;
    }
};

inline Sector *starbase_sector_of(Game *game, const Player *p) {
    for (GameObject *obj : game->galaxy_map->objects.items) {
        if (!obj) break;
        Sector *s = sector_of(obj);
        if (s && s->owner_id == p->id && sector_find_site_of_kind(s, SITE_STARBASE)) return s;
    }
    return nullptr;
}

// The ship calls alone at the rival's starbase and the assault is settled as a battle that the
// ship came out of still in the sector; then it goes home, so no battle waits for the next day.
inline void take_starbase(Game *game, Ship *ship, Player *rival) {
    Sector *target = starbase_sector_of(game, rival);
    ASSERT_NE(target, nullptr) << rival->name << " holds a starbase";
    Sector *home = sector_find(ship->sector_id);
    ASSERT_NE(home, nullptr);
    ship_set_sector(ship, target);
    Encounter *enc = encounter_create();
    ASSERT_NE(enc, nullptr);
    enc->kind = ENCOUNTER_STARBASE_ASSAULT;
    enc->sector_id = target->id;
    enc->centre_x = target->x + target->w / 2;
    enc->centre_y = target->y + target->h / 2;
    encounter_add_object(enc, sector_find_site_of_kind(target, SITE_STARBASE));
    encounter_add_object(enc, ship);
    ASSERT_EQ(game_add_encounter(game, enc), RES_OK);
    enc->flags |= ENCOUNTER_FLAG_FINISHED;
    encounter_apply_outcome(enc);
    game_end_combat(game);
    ship_set_sector(ship, home);
    player_update_totals(rival);
    ASSERT_NE(rival->defeat_date, nullptr) << rival->name << " lost its last sector";
}

// A game a day before its end, saved: a seeded new game with two computer players where the UI
// player's first ship has called alone at each rival's starbase and the assault settled in its
// favour (the second rival falls a day after the first), so that the next end of turn finds the UI
// player the only one holding sectors. The winner's name, or empty when the game was not made.
class EndingGame : public ModelGame {
public:
    void TestBody() override {}
    std::string make(const std::string &save_path, uint32_t seed, const char *title) {
        std::string winner;
        SetUp();
        if (!HasFatalFailure()) build(save_path, seed, title, &winner);
        TearDown();
        return winner;
    }

private:
    void build(const std::string &save_path, uint32_t seed, const char *title, std::string *winner) {
        random_seed(seed);
        HeadlessOptions options;
        options.computer_players = 2;
        ASSERT_EQ(headless_new_game(game, options), RES_OK) << "seed " << seed;
        Player *ui = game->ui_player;
        ASSERT_NE(ui, nullptr);
        Ship *ship = nullptr;
        for (int32_t i = 0; i < player_object_count(ui) && !ship; ++i)
            if (Ship *s = ship_of(player_get_object_at(ui, i)); s && s->sector_id) ship = s;
        ASSERT_NE(ship, nullptr) << "a ship of the UI player in a sector";
        std::vector<Player *> rivals;
        for (Player *p : endgame_competitors(game))
            if (p != ui) rivals.push_back(p);
        ASSERT_EQ(rivals.size(), 2u);
        take_starbase(game, ship, rivals[0]);
        if (HasFatalFailure()) return;
        ASSERT_TRUE(headless_advance_day(game, options).turn_ended);
        ASSERT_EQ(game->winner_id, 0u) << "the second rival still holds its sector";
        take_starbase(game, ship, rivals[1]);
        if (HasFatalFailure()) return;
        ASSERT_EQ(game_save(game, save_path.c_str(), title, 0, nullptr), RES_OK) << save_path;
        *winner = ui->name;
    }
};

// Waits until the screen differs from `before` in more than `pixels` pixels of the star map's area
// and has settled there, then for the moment a control that just showed takes no input.
inline DecodedPng wait_for_new_screen(GameWindow &game, const DecodedPng &before, const std::string &what,
                                      int pixels = 3000, int seconds = 30) {
    const ScreenBox area{0, 40, GFX_WIDTH, GFX_HEIGHT - 40};
    DecodedPng now = game.wait_for_screen(what, [&](const DecodedPng &png) { return pixels_changed(before, png, area) > pixels; },
                                          seconds);
    game.settle(now, area, 100);
    GameWindow::let_input_unlock();
    return now;
}

// Whether the galaxy's game menu is open: it stands at the screen's left edge above the command
// bar, and its one-pixel border in (120, 120, 120) runs down the screen's fifth column (the other
// lists there are framed darker).
inline bool game_menu_shown(const DecodedPng &png) {
    if (!png.ok) return false;
    int border = 0;
    for (int y = 40; y < GFX_HEIGHT - 36 && y < int(png.height); ++y) {
        const uint8_t *p = &png.pixels[(size_t(y) * png.width + 4) * size_t(png.channels())];
        border += p[0] == 120 && p[1] == 120 && p[2] == 120;
    }
    return border >= 60;
}

// The star map's area, between the status bar and the command bar.
constexpr ScreenBox STAR_MAP{0, 40, GFX_WIDTH, GFX_HEIGHT - 40};
// The middle of the title screen, where its menu, its panels and its dialogs stand (the boot log
// types on at the bottom left).
constexpr ScreenBox TITLE_CENTRE{250, 260, 900, 600};
// The help window on the title.
constexpr ScreenBox TITLE_HELP{130, 110, 894, 660};

// Whether the help window shows on the title: its yellow topics at the left.
inline bool help_shown(const DecodedPng &png) {
    if (!png.ok) return false;
    int n = 0;
    for (int y = 150; y < 320 && y < int(png.height); ++y)
        for (int x = 135; x < 355 && x < int(png.width); ++x) {
            const uint8_t *p = &png.pixels[(size_t(y) * png.width + size_t(x)) * size_t(png.channels())];
            n += p[0] > 200 && p[1] > 200 && p[2] < 100;
        }
    return n > 200;
}

// A key or a click whose effect may not show (a panel that may already be closed): the screen is
// let come to rest in `box`, then the moment it takes no input.
inline DecodedPng rested(GameWindow &game, ScreenBox box = STAR_MAP, int pixels = 100) {
    DecodedPng now = game.resting(box, pixels);
    GameWindow::let_input_unlock();
    return now;
}

// Whether the title shows its menu: the six buttons' yellow captions in the middle of the screen
// (609 pixels of them; the new-game screen, which stands there too, has fewer).
inline bool title_menu_shown(const DecodedPng &png) {
    if (!png.ok) return false;
    int n = 0;
    for (int y = 320; y < 530 && y < int(png.height); ++y)
        for (int x = 440; x < 584 && x < int(png.width); ++x) {
            const uint8_t *p = &png.pixels[(size_t(y) * png.width + size_t(x)) * size_t(png.channels())];
            n += p[0] > 170 && p[1] > 160 && p[2] < 110;
        }
    return n >= 560;
}

// The title's menu shown and at rest (after the boot log, the reveal or the way back from a game),
// and the moment it takes no input let pass.
inline DecodedPng title_menu(GameWindow &game, int seconds = 60) {
    DecodedPng title = game.wait_for_screen("the title's menu", title_menu_shown, seconds);
    game.settle(title, {0, 0, GFX_WIDTH, 600}, 100);   // the logo has come too (the boot log types on below)
    GameWindow::let_input_unlock();
    return title;
}

// The galaxy's game menu ('1') opened and grown whole.
inline DecodedPng open_game_menu(GameWindow &game) {
    game.key_until("1", "the game menu", game_menu_shown);
    DecodedPng menu = game.look();
    game.settle(menu, {0, 40, GFX_WIDTH, GFX_HEIGHT - 40}, 100);
    GameWindow::let_input_unlock();
    return menu;
}

// The galaxy's game menu, its Save game and the save screen's Save, where the probe found them
// (`menu` has the spots save_game and save): the next numbered save is written at `path`, "Game
// saved" shows and the menu goes (3.7 s after the save).
template <class MenuSpots>
::testing::AssertionResult save_from_menu(GameWindow &game, const MenuSpots &menu, const std::string &path) {
    game.step(game.road(), "save " + path + " from the game menu");
    const DecodedPng game_menu = open_game_menu(game);
    game.click(menu.save_game.x, menu.save_game.y);
    wait_for_new_screen(game, game_menu, "the save screen");
    game.click(menu.save.x, menu.save.y);
    if (!game.expect_log("Game saved to \"" + path + "\"", 30)) return ::testing::AssertionFailure() << "no save " << path;
    if (!std::filesystem::exists(path)) return ::testing::AssertionFailure() << path << " is not written";
    DecodedPng back = game.wait_for_screen("the menu gone after the save", [](const DecodedPng &now) { return !game_menu_shown(now); });
    game.settle(back, {0, 40, GFX_WIDTH, GFX_HEIGHT - 40}, 100);
    GameWindow::let_input_unlock();
    return ::testing::AssertionSuccess();
}

// The galaxy's game menu, its Main menu (where the probe found it: `menu` has the spot main_menu),
// the question kept as <shot>, and "Yes, exit" ('y'): the title comes.
template <class MenuSpots>
::testing::AssertionResult main_menu_to_title(GameWindow &game, const MenuSpots &menu, const std::string &shot) {
    game.step(game.road(), "Main menu, then the title");
    const int titles = GameWindow::occurrences(game.log(), "Application mode is now 2");
    const DecodedPng game_menu = open_game_menu(game);
    game.click(menu.main_menu.x, menu.main_menu.y);
    wait_for_new_screen(game, game_menu, "the question to exit", 400);
    game.shot(game.road(), shot);
    game.key("y");
    if (!game.expect_log("Application mode is now 2", 60, titles + 1)) return ::testing::AssertionFailure() << "no title";
    return ::testing::AssertionSuccess();
}

// From the title to the star map through the load screen where a probe found its controls
// (`load` has the spots row, load and yes): 'l', the first row, Load, "Yes, load", then the news of
// the moment closed; the question is kept as <question_shot> when one is named. False when the
// title never came, the game did not load or the galaxy did not follow.
template <class LoadSpots>
bool load_from_title(GameWindow &game, const LoadSpots &load, const std::string &what = "a save",
                     const std::string &question_shot = "") {
    game.step(game.road(), "load " + what + " from the title");
    if (!game.expect_log("Application mode is now 2")) return false;
    // A road may come back to the title and load again: the next load and the next galaxy count.
    const std::string before = game.log();
    const int loads = GameWindow::occurrences(before, "Game load complete, result 0");
    const int galaxies = GameWindow::occurrences(before, "Application mode is now 3");
    const DecodedPng title = title_menu(game);
    // 'l' is taken once the title shows its menu: pressed again until the load screen comes.
    game.key_until("l", "the load screen", [&](const DecodedPng &now) {
        return pixels_changed(title, now, WHOLE_SCREEN) > 20000;
    });
    wait_for_new_screen(game, title, "the load screen", 20000);
    game.click(load.row.x, load.row.y);
    const DecodedPng picked = game.resting();
    GameWindow::let_input_unlock();
    game.click(load.load.x, load.load.y);
    const DecodedPng question = wait_for_new_screen(game, picked, "the question before loading", 1000);
    if (!question_shot.empty()) game.keep_look(game.road(), question_shot);
    game.click(load.yes.x, load.yes.y);
    if (!game.expect_log("Game load complete, result 0", 30, loads + 1) ||
        !game.expect_log("Application mode is now 3", 60, galaxies + 1))
        return false;
    DecodedPng map = game.look();
    game.settle(map, {0, 40, GFX_WIDTH, GFX_HEIGHT - 40}, 200);
    GameWindow::let_input_unlock();
    game.key("Escape");   // the news of the moment
    DecodedPng closed = game.look();
    game.settle(closed, {0, 40, GFX_WIDTH, GFX_HEIGHT - 40}, 200);
    return true;
}

// A road's fixture: the tools it needs, a fresh folder, a private X server (the road is skipped
// without one) and its screenshot folder emptied.
class Road : public ::testing::Test {
protected:
    explicit Road(const char *name) : road(name) {}
    void SetUp() override {
        for (const char *tool : {"xdotool", "import"})
            ASSERT_FALSE(find_tool(tool).empty()) << tool << " is needed for the end-to-end test";
        dir = fresh_test_dir((std::string("e2e_") + road).c_str());
        const std::string why = display.start(dir);
        if (!why.empty()) GTEST_SKIP() << "no X server for the end-to-end test: " << why;
        std::filesystem::remove_all(test_output_dir() + "/screens/" + road);
    }
    // The first run only writes the preferences; the road then sets the fastest galaxy speed and
    // the auto-pass delay (0: no automatic passing, the action button is "Next Turn").
    void write_prefs(const std::string &save_home, int32_t autopass_ms) {
        {
            GameWindow game(display, dir, save_home);
            ASSERT_TRUE(game.start("setup.log"));
            ASSERT_TRUE(game.wait_for_log("Application mode is now 2")) << game.log();
            const ProgramRun ended = game.stop(SIGTERM);
            EXPECT_EQ(ended.status, 0) << ended.err;   // a sanitizer's report among it
        }
        patch_prefs(save_home, 12, 500);
        patch_prefs(save_home, 16, autopass_ms);
    }
    // The program started in the road's folder; the window and its first mode are waited for.
    void start(GameWindow &game, const std::string &log_name) {
        game.step(road, "start " + log_name);
        ASSERT_TRUE(game.start(log_name)) << "the program or its window did not come: " << game.log();
        ASSERT_TRUE(game.expect_log("Application mode is now 2")) << game.log();
    }
    // From the title to the star map: 'n' opens the new-game screen, 's' starts with its default
    // players; the star map is waited for until it has settled.
    void new_game(GameWindow &game) {
        game.step(road, "new game from the title");
        ASSERT_TRUE(game.expect_log("Application mode is now 2")) << game.log();
        open_new_game(game);
        start_game(game);
    }
    // The title's New game: once the menu shows, 'n' (pressed again until it is taken) and the
    // new-game screen in the menu's place, settled there and kept as <shot> when one is named; then
    // the moment it takes no input.
    DecodedPng open_new_game(GameWindow &game, const std::string &shot = "") {
        const DecodedPng title = title_menu(game);
        DecodedPng setup = game.key_until("n", "the new-game screen", [&](const DecodedPng &now) {
            return pixels_changed(title, now, TITLE_CENTRE) > 20000;
        });
        game.settle(setup, TITLE_CENTRE, 100);
        if (!shot.empty()) setup = game.shot(road, shot);
        GameWindow::let_input_unlock();
        return setup;
    }
    // The new-game screen's Start ('s'): the galaxy mode comes and its star map settles.
    void start_game(GameWindow &game) {
        game.step(road, "Start, the star map");
        const int galaxies = GameWindow::occurrences(game.log(), "Application mode is now 3");
        game.key("s");
        ASSERT_TRUE(game.expect_log("Application mode is now 3", 120, galaxies + 1)) << game.log();
        enter_galaxy(game);
    }
    // The star map has come: its first frames drawn and the panels of the moment settled.
    void enter_galaxy(GameWindow &game) {
        DecodedPng map = game.look();
        game.settle(map, {0, 40, 1024, 728}, 1500);   // the stars twinkle
        GameWindow::let_input_unlock();
    }
    // The title's Quit ('q') asks, kept as <shot>; "Yes" ('y') ends the program on its own with
    // status 0, having logged no error.
    void quit_from_title(GameWindow &game, const std::string &shot) {
        game.step(road, "Quit from the title");
        ASSERT_TRUE(game.expect_log("Application mode is now 2")) << game.log();
        const DecodedPng title = title_menu(game);
        // 'q' is taken once the title shows its menu: pressed again until the question comes.
        DecodedPng question = game.key_until("q", "the question to quit", [&](const DecodedPng &now) {
            return pixels_changed(title, now, WHOLE_SCREEN) > 2000;
        });
        game.settle(question);
        game.shot(road, shot);
        GameWindow::let_input_unlock();
        game.key("y");
        const ProgramRun ended = game.stop(0, 30000);
        EXPECT_EQ(ended.signal, 0);
        EXPECT_EQ(ended.status, 0) << ended.err;
        const std::string log = game.log();
        EXPECT_EQ(log.find("ERROR"), std::string::npos) << log;
    }
    // Next Turn, pressed again when the key came while the last day still ran out (the game plays
    // the Next Turn sound when it takes the key); true when the day began (the computer players
    // think first: a minute on a busy machine).
    static bool next_turn(GameWindow &game) {
        const std::string log = game.log();
        const int days = GameWindow::occurrences(log, "Add 1440 advance minutes");
        const int taken = GameWindow::occurrences(log, NEXT_TURN_SOUND);
        bool pressed = false;
        for (int tries = 0; tries < 12 && !pressed; ++tries) {
            game.key("n");
            pressed = game.wait_for_log(NEXT_TURN_SOUND, 5, taken + 1) ||
                      game.wait_for_log("Add 1440 advance minutes", 0, days + 1);
        }
        if (!pressed) {
            ADD_FAILURE() << "road " << game.road() << " " << game.where() << ": Next Turn was not taken after 12 presses";
            return false;
        }
        return game.expect_log("Add 1440 advance minutes", 60, days + 1);
    }
    // Next Turn and the day it begins run out (see day_over()).
    static bool next_day(GameWindow &game) {
        const DecodedPng before = game.look();
        return next_turn(game) && day_over(game, before);
    }
    // After the day's line in the log: the day runs out. While it runs, the status bar's date is lit
    // and the day's progress bar stands under it (green, shrinking); the day is over once both were
    // seen and are gone, the bar's place as it was on `before` (the star map before the day). A day
    // at the fastest speed takes 0.6 s: one that began and ended between two screenshots is over
    // when neither has shown for 3 s after its line.
    static bool day_over(GameWindow &game, const DecodedPng &before) {
        const ScreenBox status{GFX_WIDTH - 330, 0, GFX_WIDTH, 36}, progress{GFX_WIDTH - 200, 56, GFX_WIDTH, 86};
        const auto began = std::chrono::steady_clock::now();
        bool seen = false, done = false;
        game.wait_for_screen("the day run out (the date no longer lit, the progress bar folded)",
                                              [&](const DecodedPng &png) {
            const bool running = coloured(png, status, 240, 220, 45, 24) > 30 || coloured(png, progress, 0, 140, 0, 30) > 200;
            seen |= running;
            const bool over = !running && coloured(png, status, 240, 220, 45, 24) == 0 &&
                              pixels_changed(before, png, progress) < 150;
            done = over && (seen || std::chrono::steady_clock::now() - began > std::chrono::seconds(3));
            return done;
        }, 90);
        return done;
    }
    // Pixels inside `box` within `tolerance` of the colour (r, g, b) in each channel.
    static int coloured(const DecodedPng &png, ScreenBox box, int r, int g, int b, int tolerance) {
        int n = 0;
        for (int y = box.y0; y < box.y1 && y < int(png.height); ++y)
            for (int x = box.x0; x < box.x1 && x < int(png.width); ++x) {
                const uint8_t *p = &png.pixels[(size_t(y) * png.width + size_t(x)) * size_t(png.channels())];
                n += std::abs(p[0] - r) < tolerance && std::abs(p[1] - g) < tolerance && std::abs(p[2] - b) < tolerance;
            }
        return n;
    }
    static constexpr const char *NEXT_TURN_SOUND = "Queue sound 11,";
    // The common end of a road: the program ends cleanly on SIGTERM and logged no error.
    void finish(GameWindow &game) {
        game.step(road, "quit on SIGTERM");
        const ProgramRun ended = game.stop(SIGTERM);
        EXPECT_EQ(ended.status, 0) << ended.err;
        const std::string log = game.log();
        EXPECT_EQ(log.find("ERROR"), std::string::npos) << log;
    }
    // Pass day after day until the autosave file is (re)written, then Stop and wait until no day
    // runs any more.
    bool pass_until_autosave(GameWindow &game, const std::string &autosave) {
        game.step(road, "pass until the autosave " + autosave);
        const auto before = std::filesystem::exists(autosave) ? std::filesystem::last_write_time(autosave)
                                                              : std::filesystem::file_time_type{};
        game.key("p");
        const bool written = game.wait_until("a new autosave " + autosave, [&] {
            return std::filesystem::exists(autosave) && std::filesystem::last_write_time(autosave) != before;
        }, 120);
        game.key("s");
        wait_for_days_to_stop(game);
        return written;
    }
    // After Stop: the day under way runs out and no new one starts (no new day in the log for
    // longer than a day takes at the fastest speed, 0.6 s, with room for a busy machine).
    void wait_for_days_to_stop(GameWindow &game) {
        int days = GameWindow::occurrences(game.log(), "Add 1440 advance minutes");
        auto quiet_since = std::chrono::steady_clock::now();
        game.wait_until("the days to stop", [&] {
            const int now = GameWindow::occurrences(game.log(), "Add 1440 advance minutes");
            if (now != days) days = now, quiet_since = std::chrono::steady_clock::now();
            return std::chrono::steady_clock::now() - quiet_since > std::chrono::milliseconds(2500);
        }, 60);
    }
    const char    *road;
    std::string    dir;
    PrivateDisplay display;
};

}  // namespace galaxy_road
