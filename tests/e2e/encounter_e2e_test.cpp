// End to end: a player sends the home fleet at a computer player's guarded sector (Sol, whose guards
// never leave it, when it is on the first screen) and meets the guards, on the real program under a
// private X server. Days pass until the ships arrive and the day ends with the encounter; Tab opens
// the encounter dialog with its battle map, 'e' engages, and the hand-off takes the battle to the
// combat mode. The battle is then fought as a player fights it: the turn-order list, a move with
// its preview, a shot through the weapon row's button at an enemy in reach, 'e' to end each of
// the player's turns, up to the summary, and Enter back to the star map.
//  - Where the sectors stand, and the players' colours, come from the game's own autosave (every
//    14th day), read back in this process.
//  - On the battle screen the road looks as a player looks: the unit status panel by its border,
//    the enemies by the colour of their tags, the move's reach by the light it casts; the summary
//    is heard (its music is queued in the log).
//  - Screenshots are kept under build/test-output/screens/encounter/.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iostream>
#include <filesystem>
#include <string>
#include <vector>

#include "galaxy_road_support.h"

namespace {

using galaxy_road::pixels_changed;

constexpr const char *ROAD = "encounter";
constexpr size_t PREFS_COMBAT_SPEED = 20;   // byte offset of the combat speed word in "prefs.dat"
constexpr int SHORTEST_PAUSES = 30;         // the lowest combat speed word: the shortest pauses

struct Rgb {
    int r = 0, g = 0, b = 0;
};

struct Box {
    int x0 = 0, y0 = 0, x1 = -1, y1 = -1;   // inclusive
    bool ok() const { return x1 >= x0 && y1 >= y0; }
    bool holds(int x, int y, int margin = 0) const {
        return ok() && x >= x0 - margin && x <= x1 + margin && y >= y0 - margin && y <= y1 + margin;
    }
};

// The players' colours, read from a saved game in this process.
struct Colours {
    Rgb              own;      // the UI player's
    std::vector<Rgb> rivals;   // the computer players'
};

class ColourProbe : public ModelGame {
public:
    void TestBody() override {}
    Colours read(const std::string &path) {
        Colours out;
        SetUp();
        if (game_load_file(game, path.c_str(), 0) == RES_OK)
            for (Player *p : game->players->items) {
                if (!p) break;
                const Rgb c{p->red, p->green, p->blue};
                if (p->id == game->ui_player_id) out.own = c;
                else out.rivals.push_back(c);
            }
        TearDown();
        return out;
    }
};

const uint8_t *pixel(const DecodedPng &png, int x, int y) {
    return &png.pixels[(size_t(y) * png.width + size_t(x)) * size_t(png.channels())];
}

bool near(const uint8_t *p, const Rgb &c, int tolerance) {
    return std::abs(p[0] - c.r) <= tolerance && std::abs(p[1] - c.g) <= tolerance && std::abs(p[2] - c.b) <= tolerance;
}

// The unit status panel with the acting ship's orders (taller than the panel of a ship that only
// shows its state): the box drawn by its one-pixel border in the panel's olive green.
Box status_panel(const DecodedPng &png) {
    Box box;
    if (!png.ok) return box;
    const Rgb border{64, 90, 0};
    constexpr int MIN_RUN = 180;
    const int w = int(png.width), h = int(png.height);
    for (int y = 0; y < h; ++y) {
        int run = 0;
        for (int x = 0; x < w; ++x) {
            run = near(pixel(png, x, y), border, 6) ? run + 1 : 0;
            if (run < MIN_RUN) continue;
            int x1 = x;
            while (x1 + 1 < w && near(pixel(png, x1 + 1, y), border, 6)) ++x1;
            const int x0 = x - run + 1;
            int y1 = y;   // down the left edge
            while (y1 + 1 < h && near(pixel(png, x0, y1 + 1), border, 6)) ++y1;
            if (y1 - y < 200) break;
            return Box{x0, y, x1, y1};
        }
    }
    return box;
}

// Ship tags whose names are written in one of the colours: the box of each group of such pixels.
std::vector<Box> tags_in(const DecodedPng &png, const std::vector<Rgb> &colours, const Box &skip) {
    std::vector<Box> tags;
    if (!png.ok) return tags;
    for (int y = 0; y < int(png.height) - 44; ++y)
        for (int x = 0; x < int(png.width); ++x) {
            if (skip.holds(x, y, 8) || (x < 150 && y > 580)) continue;
            bool hit = false;
            for (const Rgb &c : colours) hit = hit || near(pixel(png, x, y), c, 8);
            if (!hit) continue;
            Box *joined = nullptr;
            for (Box &t : tags)
                if (t.holds(x, y, 12)) joined = &t;
            if (!joined) {
                tags.push_back(Box{x, y, x, y});
                continue;
            }
            joined->x0 = std::min(joined->x0, x), joined->x1 = std::max(joined->x1, x);
            joined->y0 = std::min(joined->y0, y), joined->y1 = std::max(joined->y1, y);
        }
    std::vector<Box> names;   // a name is a short line of text, wider than a letter
    for (const Box &t : tags)
        if (t.y1 - t.y0 <= 16 && t.x1 - t.x0 >= 12) names.push_back(t);
    return names;
}

// The squared gap between a box and the panel.
int beside(const Box &b, const Box &panel) {
    const int dx = b.x0 > panel.x1 ? b.x0 - panel.x1 : b.x1 < panel.x0 ? panel.x0 - b.x1 : 0;
    const int dy = b.y0 > panel.y1 ? b.y0 - panel.y1 : b.y1 < panel.y0 ? panel.y0 - b.y1 : 0;
    return dx * dx + dy * dy;
}

// Where to send the acting ship once 'm' shows its reach: the ship stands above its tag (in the
// player's colour), the tag nearest to the panel that opened beside it; the reach is the sector
// lit around it, so the point 70 pixels out in the direction that grew brightest lies inside it.
// The acting ship: the tag of the player's colour nearest to its panel; the ship stands above it.
bool acting_ship(const DecodedPng &png, const Rgb &own, const Box &panel, int *sx, int *sy) {
    const Box *tag = nullptr;
    const std::vector<Box> tags = tags_in(png, {own}, panel);
    int tag_d = 0;
    for (const Box &t : tags)
        if (!tag || beside(t, panel) < tag_d) tag = &t, tag_d = beside(t, panel);
    if (!tag) return false;
    *sx = tag->x0 + 14, *sy = tag->y0 - 25;
    return true;
}

bool move_target(const DecodedPng &look, const DecodedPng &reach, const Rgb &own, const Box &panel, int *tx, int *ty) {
    if (!look.ok || !reach.ok || look.width != reach.width || look.height != reach.height) return false;
    int sx = 0, sy = 0;
    if (!acting_ship(reach, own, panel, &sx, &sy)) return false;
    constexpr int REACH = 70, PATCH = 6;
    long best = 0;
    for (int degrees = 0; degrees < 360; degrees += 10) {
        const int px = sx + int(REACH * std::cos(degrees * M_PI / 180)), py = sy + int(REACH * std::sin(degrees * M_PI / 180));
        if (px < PATCH || py < 40 || px + PATCH >= int(look.width) || py + PATCH >= int(look.height) - 90) continue;
        long gain = 0;
        for (int y = py - PATCH; y <= py + PATCH; ++y)
            for (int x = px - PATCH; x <= px + PATCH; ++x) {
                const uint8_t *p = pixel(look, x, y), *q = pixel(reach, x, y);
                gain += (q[0] + q[1] + q[2]) - (p[0] + p[1] + p[2]);
            }
        if (gain > best) best = gain, *tx = px, *ty = py;
    }
    return best > (2 * PATCH + 1) * (2 * PATCH + 1) * 6;   // lit, not a twinkling star
}

// Pixels near (x, y) in a colour close to the given one: the hit popup's green line.
int coloured_near(const DecodedPng &png, int x, int y, int radius, const Rgb &c, int tolerance) {
    if (!png.ok) return 0;
    int n = 0;
    for (int yy = std::max(0, y - radius); yy < std::min(int(png.height), y + radius); ++yy)
        for (int xx = std::max(0, x - radius); xx < std::min(int(png.width), x + radius); ++xx)
            n += near(pixel(png, xx, yy), c, tolerance);
    return n;
}

// The first system row's action button inside the unit status panel: the row's left border (its dark
// grey frame) 12 pixels in, then the lit pixels at the row's right end below its name line.
bool action_button(const DecodedPng &png, const Box &panel, int *bx, int *by) {
    const Rgb frame{32, 32, 32};
    const int x = panel.x0 + 12;
    int top = -1, bottom = -1;
    for (int y = panel.y0 + 30; y < panel.y1 && bottom < 0; ++y) {
        const bool on = near(pixel(png, x, y), frame, 4);
        if (on && top < 0) top = y;
        if (!on && top >= 0) bottom = y - 1;
    }
    if (top < 0 || bottom - top < 30) return false;
    Box lit{x + 248, bottom, x + 170, top};
    for (int y = top + 28; y < bottom - 1; ++y)
        for (int xx = x + 170; xx < x + 246; ++xx) {
            const uint8_t *p = pixel(png, xx, y);
            if (p[0] + p[1] + p[2] < 200) continue;
            lit.x0 = std::min(lit.x0, xx), lit.x1 = std::max(lit.x1, xx);
            lit.y0 = std::min(lit.y0, y), lit.y1 = std::max(lit.y1, y);
        }
    if (!lit.ok()) return false;
    *bx = (lit.x0 + lit.x1) / 2, *by = (lit.y0 + lit.y1) / 2;
    return true;
}

class EncounterEndToEnd : public galaxy_road::Road {
protected:
    EncounterEndToEnd() : Road(ROAD) {}
    // A glance at the screen between the kept screenshots: stored without compression, which
    // takes a fraction of the time on a busy machine.
    DecodedPng glance(const GameWindow &game) const {
        const std::string path = dir + "/glance.png";
        DecodedPng png;
        if (display.tool({"import", "-window", game.window(), "-define", "png:compression-level=0", "PNG24:" + path}).status != 0)
            return png;
        const std::vector<uint8_t> bytes = read_whole(path);
        return png_decode(bytes.data(), bytes.size());
    }
};

TEST_F(EncounterEndToEnd, HomeFleetAtARivalSectorEngagesFightsAndTheSummaryLeadsBackToTheStarMap) {
    const std::string save_home = dir + "/save";
    write_prefs(save_home, 600);   // automatic passing after 600 ms: the action button is "Pass"
    galaxy_road::patch_prefs(save_home, PREFS_COMBAT_SPEED, SHORTEST_PAUSES);
    const std::string autosave = save_home + "/Astrovane/auto.sav";

    GameWindow game(display, dir, save_home);
    // Each new galaxy is drawn at random: one whose home sector or nearest guarded rival sector is
    // off the first screen (or under its bars) is left for a new game, a few times at most.
    galaxy_road::SaveProbe probe;
    galaxy_road::GalaxyLook look;
    for (int attempt = 0; attempt < 4; ++attempt) {
        if (attempt > 0) {
            (void)game.stop(SIGTERM);
            std::filesystem::remove(autosave);
        }
        ASSERT_TRUE(game.start("encounter.log"));
        new_game(game);
        ASSERT_TRUE(pass_until_autosave(game, autosave)) << "the 14th day's autosave";
        look = probe.look(autosave);
        ASSERT_TRUE(look.loaded);
        if (look.home() && look.nearest_guarded_rival(*look.home()) && look.ui_ships_at(look.home()->id) > 0) break;
        std::cout << "a galaxy whose home or guarded rival is off the first screen: a new game\n";
    }
    ASSERT_NE(look.home(), nullptr) << "the UI player's sector on the first screen";
    const galaxy_road::SectorSpot home = *look.home();
    ASSERT_NE(look.nearest_guarded_rival(home), nullptr) << "a computer player's sector on the first screen";
    const galaxy_road::SectorSpot rival = *look.nearest_guarded_rival(home);
    const int ships_home = look.ui_ships_at(home.id);
    const Colours colours = ColourProbe().read(autosave);
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

    // The battle: each time one of the player's ships acts (its unit status panel opens beside it):
    // the first turn moves (with the preview of the move), a ship with an enemy in reach fires at
    // it, and each turn ends with 'e'; the guards close in until the battle is decided and the
    // summary plays.
    bool moved = false, previewed = false, fired = false;
    int turns = 0;
    const auto wait_for_panel = [&](DecodedPng *look, int tries) {
        Box panel;
        for (int i = 0; i < tries && !(panel = status_panel(*look = glance(game))).ok(); ++i)
            GameWindow::pause(200);
        return panel;
    };
    // A loaded machine plays the guards' turns slowly; a player who sees no panel of theirs for half
    // a minute ends the turn anyway (on a computer ship's turn the key does nothing).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(480);
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
        if (!panel.ok()) continue;
        ++turns;
        if (!moved) {
            if (!previewed) game.shot(ROAD, "07_unit_status_panel");
            game.key("m");
            GameWindow::pause(600);
            const DecodedPng reach = glance(game);
            const Box before = panel;
            int tx = 0, ty = 0;
            // One point: hover (the ghost and the cost show when it is within reach), then click;
            // a refused point keeps the mode, an accepted one moves the ship and its panel returns.
            const auto try_point = [&](int x, int y, int tries) {
                game.move(x, y);
                GameWindow::pause(500);
                if (!previewed) {
                    const DecodedPng preview = game.shot(ROAD, "08_move_preview");
                    previewed = pixels_changed(reach, preview, x - 80, y - 60, x + 120, y + 60) > 100;
                }
                game.click(x, y);
                panel = wait_for_panel(&look, tries);
                return panel.ok();
            };
            bool done = move_target(look, reach, colours.own, before, &tx, &ty) && try_point(tx, ty, 50);
            // Where the lit reach could not be read (the panel over it, a ship beside it), points round
            // the ship in turn, short of its reach and clear of its panel.
            int sx = 0, sy = 0;
            if (!done && acting_ship(reach, colours.own, before, &sx, &sy))
                for (int r : {45, 30})
                    for (int degrees = 0; degrees < 360 && !done; degrees += 30) {
                        const int x = sx + int(r * std::cos(degrees * M_PI / 180));
                        const int y = sy + int(r * std::sin(degrees * M_PI / 180));
                        if (x < 8 || x > 1016 || y < 40 || y > 678 || before.holds(x, y, 12)) continue;
                        done = try_point(x, y, 10);
                    }
            moved = moved || done;
            if (!done) {   // refused: the mode stays until cancelled
                game.key("Escape");
                panel = wait_for_panel(&look, 10);
            }
        }
        int bx = 0, by = 0;
        std::vector<Box> enemies = panel.ok() ? tags_in(look, colours.rivals, panel) : std::vector<Box>{};
        std::sort(enemies.begin(), enemies.end(), [&](const Box &a, const Box &b) { return beside(a, panel) < beside(b, panel); });
        if (enemies.size() > 2) enemies.resize(2);
        if (!enemies.empty() && beside(enemies.front(), panel) > 300 * 300) enemies.clear();   // none in reach yet
        if (!fired && !enemies.empty() && action_button(look, panel, &bx, &by)) {
            game.click(bx, by);
            GameWindow::pause(500);
            // Over an enemy ship (above its tag) the popup rates the shot: its green line is the hit
            // chance and the damage.
            for (size_t e = 0; e < enemies.size() && !fired; ++e) {
                const int ex = enemies[e].x0 + 14, ey = enemies[e].y0 - 25;
                game.move(ex, ey);
                GameWindow::pause(500);
                if (coloured_near(glance(game), ex, ey, 160, Rgb{0, 220, 0}, 24) <= 20) continue;   // out of reach
                game.shot(ROAD, "09_hit_popup");
                game.click(ex, ey);
                fired = true;
            }
            if (!fired) game.key("Escape");
            panel = wait_for_panel(&look, 50);
        }
        GameWindow::pause(500);   // a panel that has just opened takes no input for a moment
        game.key("e");
        game.move(1010, 40);   // the pointer off where the next panel may open
        GameWindow::pause(500);
    }
    ASSERT_TRUE(game.wait_for_log("Queue sound 20,", 5)) << "the battle reached its summary";
    game.shot(ROAD, "10_summary_band");   // at once: the band stands full width only for a moment
    EXPECT_GT(turns, 0) << "the player's ships had turns";
    EXPECT_TRUE(moved) << "a ship moved";
    EXPECT_TRUE(previewed) << "the move preview showed";
    std::cout << "the player's turns: " << turns << (fired ? ", one shot fired" : ", no enemy came within reach") << "\n";

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
