#pragma once
// The battle screen read as a player reads it, for the roads that fight: the unit status panel by
// its border, the ships by the colour of their tags, a move within reach by its cost box, a shot in
// reach by the rating popup's green line, the weapon row's action button; and a whole battle fought
// from the screen that way (fight_battle), up to the summary.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "../game/headless_fixture.h"
#include "game/game.h"
#include "game/player.h"
#include "game/save.h"
#include "support/game_window.h"
#include "support/private_display.h"

namespace galaxy_road {

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
    std::vector<Rgb> rivals;   // the computer players' (Sol's and the machine faction's among them)
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

inline const uint8_t *pixel(const DecodedPng &png, int x, int y) {
    return &png.pixels[(size_t(y) * png.width + size_t(x)) * size_t(png.channels())];
}

inline bool near(const uint8_t *p, const Rgb &c, int tolerance) {
    return std::abs(p[0] - c.r) <= tolerance && std::abs(p[1] - c.g) <= tolerance && std::abs(p[2] - c.b) <= tolerance;
}

// The unit status panel with the acting ship's orders (taller than the panel of a ship that only
// shows its state): the box drawn by its one-pixel border in the panel's olive green.
inline Box status_panel(const DecodedPng &png) {
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
inline std::vector<Box> tags_in(const DecodedPng &png, const std::vector<Rgb> &colours, const Box &skip) {
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

// The acting ship: its panel opens beside it, level with it, on the side toward the middle of the
// battle map; of the ships in the player's colour (each stands above the middle of its tag), the
// one nearest to either side of the panel.
inline bool acting_ship(const DecodedPng &png, const Rgb &own, const Box &panel, int *sx, int *sy) {
    const int cy = (panel.y0 + panel.y1) / 2;
    double best = 120;
    bool found = false;
    for (const Box &t : tags_in(png, {own}, panel)) {
        const int x = (t.x0 + t.x1) / 2, y = t.y0 - 28;
        const double d = std::min(std::hypot(x - (panel.x1 + 30), y - cy), std::hypot(x - (panel.x0 - 30), y - cy));
        if (d < best) best = d, *sx = x, *sy = y, found = true;
    }
    return found;
}

struct Spot {
    int x = 0, y = 0;
};

// The enemy ships on screen (each stands above its tag), nearest to (sx, sy) first.
inline std::vector<Spot> enemies_near(const DecodedPng &png, const std::vector<Rgb> &rivals, const Box &panel, int sx,
                                      int sy) {
    std::vector<Spot> out;
    for (const Box &t : tags_in(png, rivals, panel)) out.push_back(Spot{(t.x0 + t.x1) / 2, t.y0 - 28});
    std::sort(out.begin(), out.end(), [&](const Spot &a, const Spot &b) {
        return std::hypot(a.x - sx, a.y - sy) < std::hypot(b.x - sx, b.y - sy);
    });
    return out;
}

// The move's cost box beside the pointer ("cost / MP" in a cyan frame): the move to the point is
// within reach.
inline bool cost_box_near(const DecodedPng &png, int x, int y) {
    if (!png.ok) return false;
    const Rgb frame{16, 188, 188};
    for (int yy = std::max(0, y - 40); yy < std::min(int(png.height), y + 20); ++yy) {
        int run = 0;
        for (int xx = std::max(0, x - 10); xx < std::min(int(png.width), x + 120); ++xx) {
            run = near(pixel(png, xx, yy), frame, 24) ? run + 1 : 0;
            if (run >= 40) return true;
        }
    }
    return false;
}

// Pixels inside a box in a colour close to the given one: the rating popup's green line.
inline int coloured_in(const DecodedPng &png, const Box &box, const Rgb &c, int tolerance) {
    if (!png.ok) return 0;
    int n = 0;
    for (int y = std::max(0, box.y0); y <= std::min(int(png.height) - 1, box.y1); ++y)
        for (int x = std::max(0, box.x0); x <= std::min(int(png.width) - 1, box.x1); ++x)
            n += near(pixel(png, x, y), c, tolerance);
    return n;
}

// The first system row's action button inside the unit status panel: the row's left border (its dark
// grey frame) 12 pixels in, then the lit pixels at the row's right end below its name line.
inline bool action_button(const DecodedPng &png, const Box &panel, int *bx, int *by) {
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

// Whether a pixel is tinted toward a colour: the same hue away from grey, clearly (a white colour
// asks for a light grey pixel).
inline bool tinted(const uint8_t *p, const Rgb &c) {
    const double pm = (p[0] + p[1] + p[2]) / 3.0, cm = (c.r + c.g + c.b) / 3.0;
    const double pv[3] = {p[0] - pm, p[1] - pm, p[2] - pm}, cv[3] = {c.r - cm, c.g - cm, c.b - cm};
    const double plen = std::sqrt(pv[0] * pv[0] + pv[1] * pv[1] + pv[2] * pv[2]);
    const double clen = std::sqrt(cv[0] * cv[0] + cv[1] * cv[1] + cv[2] * cv[2]);
    if (p[0] + p[1] + p[2] < 400) return false;
    if (clen < 10) return plen < 12;
    return plen > 25 && (pv[0] * cv[0] + pv[1] * cv[1] + pv[2] * cv[2]) / (plen * clen) > 0.9;
}

// The minimap at the bottom left: the dots of the ships, tinted by their owners' colours; the
// direction (screen angle) from the player's to the enemies' and, when asked, the gap between them
// in minimap pixels; false when either is missing. The minimap keeps the battle map's proportions:
// a direction on it is one on the map.
inline bool minimap_heading(const DecodedPng &png, const Colours &colours, double *angle, double *gap = nullptr) {
    if (!png.ok) return false;
    const Box area{12, 600, 136, 722};
    double ox = 0, oy = 0, ex = 0, ey = 0;
    int own = 0, enemy = 0;
    for (int y = area.y0; y <= area.y1 && y < int(png.height); ++y)
        for (int x = area.x0; x <= area.x1 && x < int(png.width); ++x) {
            const uint8_t *p = pixel(png, x, y);
            if (tinted(p, colours.own)) {
                ox += x, oy += y, ++own;
                continue;
            }
            for (const Rgb &c : colours.rivals)
                if (tinted(p, c)) {
                    ex += x, ey += y, ++enemy;
                    break;
                }
        }
    if (own == 0 || enemy == 0) return false;
    *angle = std::atan2(ey / enemy - oy / own, ex / enemy - ox / own);
    if (gap) *gap = std::hypot(ey / enemy - oy / own, ex / enemy - ox / own);
    return true;
}

// A glance at the screen between the kept screenshots: stored without compression in the road's
// folder, which takes a fraction of the time on a busy machine.
inline DecodedPng glance(const PrivateDisplay &display, const GameWindow &game, const std::string &dir) {
    const std::string path = dir + "/glance.png";
    DecodedPng png;
    if (display.tool({"import", "-window", game.window(), "-define", "png:compression-level=0", "PNG24:" + path}).status != 0)
        return png;
    const std::vector<uint8_t> bytes = read_whole(path);
    return png_decode(bytes.data(), bytes.size());
}

// What a battle fought from the screen came to.
struct BattleRun {
    int  turns = 0;            // the player's ships' turns seen
    int  shots = 0;            // shots fired through a weapon row's button
    bool moved = false;        // a ship moved
    bool previewed = false;    // the move preview (its cost box) showed
    bool summary = false;      // the battle reached its summary (its music is queued)
};

// The kept screenshots of a battle: the first unit status panel, the first move preview, the first
// rated shot (names under the road's folder).
struct BattleShots {
    std::string status_panel, move_preview, hit_popup;
};

// Fights the battle on the combat screen as a player does, until the summary's music is queued or
// `seconds` pass. Each time one of the player's ships acts (its unit status panel opens beside it),
// it fires through its weapon row's button at an enemy in reach (and again while it can), else it
// turns to face one within its weapon's range and fires if its action points allow, else it moves
// straight toward the nearest enemy as far as its reach allows (the move's cost box shows where a
// point is within reach) and fires from there, else it turns toward the enemy for its next turn;
// each turn ends with 'e'.
inline BattleRun fight_battle(const PrivateDisplay &display, GameWindow &game, const std::string &dir, const char *road,
                              const Colours &colours, const BattleShots &names, int seconds = 720) {
    BattleRun run;
    const auto look_now = [&] { return glance(display, game, dir); };
    const auto wait_for_panel = [&](DecodedPng *look, int tries) {
        Box panel;
        for (int i = 0; i < tries && !(panel = status_panel(*look = look_now())).ok(); ++i) GameWindow::pause(200);
        return panel;
    };
    constexpr int IN_REACH = 260;   // screen pixels between ship centres where a shot may be rated
    constexpr int WEAPON_RANGE = 205;   // within it, a shot the popup does not rate is outside the arc
    // Fire: the weapon row's button (the panel gives way to the weapon's mode, and with it what the
    // panel hid), then the pointer over each enemy in reach; where the weapon reaches it, the popup
    // beside the pointer rates the shot with a green line (hit chance and damage), and a click
    // fires. Tried when an enemy in sight is in reach, or none is in sight (it may stand behind the
    // panel).
    // What each attempt came to is written out (one line a turn) and the first few misses of each
    // kind kept as pictures beside the road's log, named with the turn: a battle that ends without
    // a shot says why.
    std::map<std::string, int> misses_kept;
    const auto keep_miss = [&](const char *what) {   // the last glance
        int &kept = misses_kept[what];
        if (kept >= 4) return;
        std::error_code failed;
        std::filesystem::copy_file(dir + "/glance.png",
                                   dir + "/fire_miss_" + what + "_" + std::to_string(++kept) + "_turn" +
                                       std::to_string(run.turns) + ".png",
                                   std::filesystem::copy_options::overwrite_existing, failed);
    };
    // `shown`, when given, learns where the weapon's mode showed the nearest enemy (the panel hides
    // none there).
    const auto try_fire = [&](DecodedPng *look, Box *panel, const std::vector<Spot> &seen, int sx, int sy,
                              std::optional<Spot> *shown = nullptr) {
        int bx = 0, by = 0;
        if (!seen.empty() && std::hypot(seen.front().x - sx, seen.front().y - sy) > IN_REACH) return false;
        if (!action_button(*look, *panel, &bx, &by)) {
            std::cout << " fire: no action button;";
            keep_miss("no_button");
            return false;
        }
        game.click(bx, by);
        bool shot = false;
        // The weapon's mode: the panel goes and the enemies in reach are marked. A busy machine
        // draws it late, so the screen is looked at until it shows, for a few seconds at most.
        DecodedPng aiming;
        std::vector<Spot> enemies;
        for (const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(6);;) {
            aiming = look_now();
            enemies = status_panel(aiming).ok() ? std::vector<Spot>{} : enemies_near(aiming, colours.rivals, Box{}, sx, sy);
            if (!enemies.empty() || std::chrono::steady_clock::now() >= until) break;
            GameWindow::pause(150);
        }
        if (!status_panel(aiming).ok()) {   // the weapon's mode
            std::cout << " fire: aiming, " << enemies.size() << " enemies;";
            if (shown && !enemies.empty()) *shown = enemies.front();
            // The weapon's mode lights its arc, where stars on the lit field can read as a tag: the
            // enemies seen on the map come first, then those only this mode shows (the panel hid them).
            std::vector<Spot> targets;
            for (const Spot &p : seen)
                if (std::hypot(p.x - sx, p.y - sy) <= IN_REACH) targets.push_back(p);
            for (const Spot &p : enemies) {
                bool known = false;
                for (const Spot &q : seen) known = known || std::hypot(p.x - q.x, p.y - q.y) < 24;
                if (!known && std::hypot(p.x - sx, p.y - sy) <= IN_REACH) targets.push_back(p);
            }
            enemies = targets;
            for (size_t e = 0; e < enemies.size() && !shot; ++e) {
                // The popup stands left or right of the pointer, as there is room; it rates the
                // shot in green once the pointer has rested on the ship's own pixels (the tag gives
                // the ship's place within a few pixels: a point on the sprite's edge or between its
                // parts hovers nothing, and no popup shows). Points about the ship are tried in turn
                // until one is rated, each looked at until a popup shows and, when it does, rates.
                Spot aim = enemies[e];
                int green = 0;
                for (const Spot offset : {Spot{0, -6}, Spot{0, 0}, Spot{0, -14}, Spot{-8, -6}, Spot{8, -6}}) {
                    aim = Spot{enemies[e].x + offset.x, enemies[e].y + offset.y};
                    game.move(aim.x, aim.y);
                    const Box line{aim.x - 140, aim.y - 4, aim.x + 140, aim.y + 24};
                    const Box around{aim.x - 180, aim.y - 40, aim.x + 180, aim.y + 40};
                    bool popup = false;
                    for (const auto start = std::chrono::steady_clock::now();;) {
                        GameWindow::pause(150);
                        const DecodedPng now = look_now();
                        green = coloured_in(now, line, Rgb{0, 220, 0}, 24);
                        popup = popup || coloured_in(now, around, Rgb{100, 100, 100}, 0) > 300;
                        const auto waited = std::chrono::steady_clock::now() - start;
                        if (green > 20 || waited >= std::chrono::seconds(popup ? 4 : 2)) break;
                    }
                    std::cout << " enemy at " << aim.x << "," << aim.y << (popup ? "" : " no popup") << " green " << green
                              << ";";
                    // A popup that rates nothing refuses this enemy (out of arc or range) unless
                    // the ships overlap and the point hovered the player's own.
                    if (green > 20 || (popup && std::hypot(enemies[e].x - sx, enemies[e].y - sy) > 40)) break;
                }
                if (green <= 20) {
                    keep_miss("unrated");
                    continue;
                }
                if (run.shots == 0) game.shot(road, names.hit_popup);
                game.click(aim.x, aim.y);
                shot = true;
                ++run.shots;
            }
            if (enemies.empty()) keep_miss("no_enemy");
        } else {
            std::cout << " fire: the panel stayed;";
            keep_miss("panel_stayed");
        }
        // Esc leaves the weapon's mode; with no mode open it would close the ship's panel, and
        // with it the orders of its turn.
        if (!shot && !status_panel(look_now()).ok()) game.key("Escape");
        *panel = wait_for_panel(look, 50);
        return shot;
    };
    // Turn: 't', the pointer over the point to face, a click; the ship turns and its panel returns
    // (a turn the ship cannot make leaves the mode, which Esc cancels). The point is kept on the map,
    // clear of its edges (where the pointer scrolls the view) and of the minimap.
    const auto turn_toward = [&](DecodedPng *look, Box *panel, Spot to, int *sx, int *sy) {
        const double angle = std::atan2(to.y - *sy, to.x - *sx);
        for (int reach = int(std::hypot(to.x - *sx, to.y - *sy)); reach > 40; reach = reach * 2 / 3) {
            to = Spot{*sx + int(reach * std::cos(angle)), *sy + int(reach * std::sin(angle))};
            if (to.x >= 24 && to.x <= 1000 && to.y >= 48 && to.y <= 670 && !(to.x < 150 && to.y > 580)) break;
        }
        game.key("t");
        GameWindow::pause(600);
        game.move(to.x, to.y);
        GameWindow::pause(400);
        game.click(to.x, to.y);
        *panel = wait_for_panel(look, 50);
        if (!panel->ok()) {
            game.key("Escape");
            *panel = wait_for_panel(look, 10);
        }
        std::cout << " turned toward " << to.x << "," << to.y << ";";
        return panel->ok() && acting_ship(*look, colours.own, *panel, sx, sy);
    };
    // An enemy within the weapon's range but outside its arc (seen on the map, or in the weapon's
    // mode where the panel hid it): the ship turns to face it, then fires if its action points allow
    // (a turn may leave too few for a shot: the shot waits for the ship's next turn, the ship facing
    // the enemy).
    const auto turn_and_fire = [&](DecodedPng *look, Box *panel, const Spot &enemy, int *sx, int *sy) {
        if (!turn_toward(look, panel, enemy, sx, sy)) return false;
        keep_miss("after_turn");
        return try_fire(look, panel, enemies_near(*look, colours.rivals, *panel, *sx, *sy), *sx, *sy);
    };
    // Move: 'm', then the points in turn until one is within reach (its cost box shows), which is
    // clicked; the ship goes and its panel returns. None within reach: the mode is cancelled.
    // The direction of the last move made (radians, screen): a ship keeps its heading as it moves,
    // and the fleet set out facing one way, so it is the first tried when no enemy is seen.
    double last_way = 0;
    const auto try_move = [&](DecodedPng *look, Box *panel, const std::vector<Spot> &points, int sx, int sy) {
        game.move(1010, 40);
        game.key("m");
        GameWindow::pause(600);
        for (size_t i = 0; i < points.size(); ++i) {
            const Spot &p = points[i];
            if (p.x < 8 || p.x > 1016 || p.y < 40 || p.y > 678) continue;
            game.move(p.x, p.y);
            GameWindow::pause(400);
            // The box's border pulses between grey and cyan (0.8 s each way) and cost_box_near knows
            // it by its cyan: a look in the grey part of the pulse misses a box that is there, and a
            // point within reach taken for one out of it changes the player's move from run to run.
            // A point is given up after three looks without the box.
            int looks = 0;
            bool within = false;
            while (!within && looks < 3) {
                if (looks++) GameWindow::pause(300);
                within = cost_box_near(look_now(), p.x, p.y);
            }
            if (!within) continue;
            if (looks > 1) std::cout << " the cost box at look " << looks << ";";
            if (!run.previewed) {
                game.shot(road, names.move_preview);
                run.previewed = true;
            }
            std::cout << " move to " << p.x << "," << p.y << " (point " << i + 1 << " of " << points.size() << ");";
            game.click(p.x, p.y);
            last_way = std::atan2(p.y - sy, p.x - sx);
            *panel = wait_for_panel(look, 50);
            if (panel->ok()) return true;
            game.move(1010, 40);
        }
        game.key("Escape");
        *panel = wait_for_panel(look, 10);
        return false;
    };
    // Points toward the enemy at the given reaches, turned aside by the given angles (degrees); with
    // no enemy, the angles turn aside from the last move's direction.
    const auto toward = [&](int sx, int sy, const Spot *enemy, std::initializer_list<int> turns,
                            std::initializer_list<int> reaches) {
        std::vector<Spot> points;
        const double to = enemy ? std::atan2(enemy->y - sy, enemy->x - sx) : last_way;
        const double gap = enemy ? std::hypot(enemy->x - sx, enemy->y - sy) : 1e9;
        for (int turn : turns)
            for (int reach : reaches)
                if (reach < gap - 60)   // not onto the enemy
                    points.push_back(Spot{sx + int(reach * std::cos(to + turn * M_PI / 180)),
                                          sy + int(reach * std::sin(to + turn * M_PI / 180))});
        return points;
    };
    // With no enemy in sight, a shot is tried (one may stand behind the panel) once an enemy has been
    // seen, and where the minimap shows the enemies close when it is open: it shrinks the field
    // about elevenfold.
    constexpr double BLIND_GAP = 30;
    bool ever_seen = false;
    const auto may_fire = [&](const DecodedPng &look, const std::vector<Spot> &enemies) {
        double heading = 0, gap = 0;
        return !enemies.empty() || (ever_seen && (!minimap_heading(look, colours, &heading, &gap) || gap <= BLIND_GAP));
    };
    // A loaded machine plays the enemies' turns slowly; a player who sees no panel of theirs for half
    // a minute asks for the acting ship (Space selects it and opens its panel when it is theirs),
    // else ends the turn (on a computer ship's turn the keys do nothing).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    auto last_seen = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() < deadline && game.log().find("Queue sound 20,") == std::string::npos) {
        DecodedPng look;
        Box panel = wait_for_panel(&look, 1);
        if (!panel.ok()) {
            if (std::chrono::steady_clock::now() - last_seen > std::chrono::seconds(30)) {
                game.move(1010, 40);
                game.key("space");
                DecodedPng again;
                if (!wait_for_panel(&again, 5).ok()) game.key("e");
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
        if (++run.turns == 1) game.shot(road, names.status_panel);
        std::vector<Spot> enemies = enemies_near(look, colours.rivals, panel, sx, sy);
        std::cout << "turn " << run.turns << ": ship at " << sx << "," << sy << ", " << enemies.size() << " enemies in sight";
        if (!enemies.empty()) std::cout << ", nearest " << int(std::hypot(enemies.front().x - sx, enemies.front().y - sy));
        std::cout << ";";
        // Fire where the weapon reaches (its mode also shows an enemy that the panel hides); an enemy
        // within the weapon's range that the popup did not rate stands outside the arc: the ship
        // turns to face it. `near` is the enemy to close on: the nearest in sight, else the one the
        // weapon's mode showed.
        std::optional<Spot> near;
        bool moved = false, turned = false;
        const auto fire_or_face = [&] {
            const std::vector<Spot> seen = enemies_near(look, colours.rivals, panel, sx, sy);
            std::optional<Spot> shown;
            bool fired = may_fire(look, seen) && try_fire(&look, &panel, seen, sx, sy, &shown);
            near = !seen.empty() ? std::optional<Spot>(seen.front()) : shown;
            ever_seen = ever_seen || near.has_value();
            if (!fired && !turned && panel.ok() && near && std::hypot(near->x - sx, near->y - sy) <= WEAPON_RANGE) {
                const Spot to = *near;
                fired = turn_and_fire(&look, &panel, to, &sx, &sy);
                turned = true;
            }
            return fired;
        };
        bool shot = fire_or_face();
        // Farther: the ship closes in, straight toward the enemy (its move arc is narrow), else where
        // the minimap shows the enemies, and fires from there. With none seen it goes on the way the
        // last move went (the fleet set out facing the enemy's side), else the nearest way its move
        // arc allows.
        std::optional<Spot> enemy = near;
        double heading = 0;
        if (!enemy && minimap_heading(look, colours, &heading)) {
            enemy = Spot{sx + int(1000 * std::cos(heading)), sy + int(1000 * std::sin(heading))};
            std::cout << " the minimap's heading " << int(heading * 180 / M_PI) << ";";
        }
        if (!shot && !turned && panel.ok()) {
            const std::vector<Spot> points =
                enemy ? toward(sx, sy, &*enemy, {0, 12, -12}, {120, 80, 50})
                      : toward(sx, sy, nullptr, {0, 22, -22, 45, -45, 67, -67, 90, -90, 112, -112, 135, -135, 157, -157, 180}, {100});
            if (!points.empty() && (moved = try_move(&look, &panel, points, sx, sy))) {
                run.moved = true;
                if (panel.ok() && acting_ship(look, colours.own, panel, &sx, &sy)) shot = fire_or_face();
            }
        }
        // No move toward the enemy lay within the move arc (it stands to the side or behind): the
        // ship turns toward it, to close in or fire on its next turn.
        if (!shot && !moved && !turned && panel.ok() && enemy) turn_toward(&look, &panel, *enemy, &sx, &sy);
        // A ship that fired fires again while an enemy stays in reach and its action points last.
        for (int again = 0; shot && again < 2 && panel.ok() && acting_ship(look, colours.own, panel, &sx, &sy); ++again)
            if (!try_fire(&look, &panel, enemies_near(look, colours.rivals, panel, sx, sy), sx, sy)) break;
        std::cout << (moved ? " moved" : "") << (shot ? " fired" : "") << std::endl;
        GameWindow::pause(500);   // a panel that has just opened takes no input for a moment
        game.key("e");
        game.move(1010, 40);   // the pointer off where the next panel may open: it would break its border
        GameWindow::pause(500);
    }
    run.summary = game.wait_for_log("Queue sound 20,", 5);
    return run;
}

// What a battle came to, as the program's log tells it: the result word its summary spelled out
// ("Battle summary - VICTORY") and each hit on a ship ("Hit on ship #id "name" of "owner" by #id
// of "shooter's owner" for N: armour A", ", destroyed" when it sank), counted from the player's side.
struct BattleOutcome {
    std::string result;          // VICTORY, DEFEAT, RETREAT; empty when no summary was logged
    int hits_given = 0;          // hits by the player's ships on the enemy's
    int hits_taken = 0;          // hits on the player's ships
    int enemies_sunk = 0, ships_lost = 0;
};

inline BattleOutcome battle_outcome(const std::string &log, const std::string &player) {
    BattleOutcome out;
    const std::string summary = "Battle summary - ";
    if (const size_t at = log.rfind(summary); at != std::string::npos)
        out.result = log.substr(at + summary.size(), log.find_first_of("\r\n", at) - at - summary.size());
    const std::string hit = "Hit on ship #", own = "\" of \"" + player + "\" by #", by = "\" by #";
    for (size_t at = log.find(hit); at != std::string::npos; at = log.find(hit, at + hit.size())) {
        const std::string line = log.substr(at, log.find('\n', at) - at);
        const bool on_player = line.find(own) != std::string::npos;
        const size_t shooter = line.find(" of \"", line.find(by));
        const bool by_player = shooter != std::string::npos && line.compare(shooter + 5, player.size() + 1, player + "\"") == 0;
        const bool sunk = line.find(", destroyed") != std::string::npos;
        if (on_player) out.hits_taken += 1, out.ships_lost += sunk;
        else if (by_player) out.hits_given += 1, out.enemies_sunk += sunk;
    }
    return out;
}

inline std::ostream &operator<<(std::ostream &os, const BattleOutcome &o) {
    return os << (o.result.empty() ? "no result" : o.result) << ", hits given " << o.hits_given << " (sunk "
              << o.enemies_sunk << "), hits taken " << o.hits_taken << " (lost " << o.ships_lost << ")";
}

// Whether the battle's summary shows its Continue at the bottom right: its green tick and its
// yellow caption.
inline bool summary_continue_shown(const DecodedPng &png) {
    if (!png.ok) return false;
    int caption = 0, tick = 0;
    for (int y = 730; y < 764 && y < int(png.height); ++y)
        for (int x = 912; x < 1022 && x < int(png.width); ++x) {
            const uint8_t *p = pixel(png, x, y);
            caption += p[0] > 170 && p[1] > 160 && p[2] < 110;
            tick += p[1] > 150 && p[0] < 120 && p[2] < 120;
        }
    return caption >= 90 && tick >= 20;
}

// After the summary's band: the summary's cards have come, the last of them Continue, and the
// screen rests.
inline DecodedPng wait_for_summary_cards(GameWindow &game) {
    DecodedPng cards = game.wait_for_screen("the summary's Continue at the bottom right", summary_continue_shown, 60);
    game.settle(cards, WHOLE_SCREEN, 100);
    GameWindow::let_input_unlock();
    return cards;
}

}  // namespace galaxy_road
