// The human player's orders on a real battle with the UI player's ship as the actor: a command
// mode with its prompt and Cancel, the map click that is refused (the mode stays) or carried out,
// the hover popup's texts in the scan and weapon modes, ending a turn, the retreat's countdown and
// its abort.
#include "combat_test_support.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/colour_fade.h"
#include "platform/geometry.h"
#include "systems/system.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "world/object_methods.h"

namespace {

using combat_test::CombatGame;

// Digits, at least one, at the front of `text` from `at`: how many (0 for none).
size_t digits_at(const std::string &text, size_t at) {
    size_t n = 0;
    while (at + n < text.size() && text[at + n] >= '0' && text[at + n] <= '9') ++n;
    return n;
}

// The weapon popup's second line: "N%" alone, or followed by " N dmg", " -N energy" or
// " - (Unaffected)".
bool is_hit_line(const std::string &text) {
    const size_t chance = digits_at(text, 0);
    if (chance == 0 || chance >= text.size() || text[chance] != '%') return false;
    const std::string rest = text.substr(chance + 1);
    if (rest.empty() || rest == " - (Unaffected)") return true;
    const bool drain = rest.rfind(" -", 0) == 0;
    const size_t from = drain ? 2 : 1;
    if (rest[0] != ' ' || rest.size() <= from) return false;
    const size_t n = digits_at(rest, from);
    return n > 0 && rest.substr(from + n) == (drain ? " energy" : " dmg");
}
using combat_test::has;
using combat_test::screen;

using title_test::KEY_ESCAPE;

class CombatOrders : public CombatGame {
protected:
    Ship *mine = nullptr;

    // The battle runs until the UI player's first ship waits for orders and the view rests.
    void start_ui_turn() {
        ui_side = true;
        start_battle();
        if (HasFatalFailure()) return;
        game->combat_speed = 1;
        ASSERT_TRUE(run_until([&] { return screen()->acting && screen()->acting->owner_id == game->ui_player_id &&
                                           !has(COMBAT_FLAG_ANIMATING); },
                              6000));
        ASSERT_TRUE(run_until([] { return screen()->scroll.target_x < 0; }, 500));
        ASSERT_EQ(screen()->acting->kind, OBJECT_SHIP);
        mine = static_cast<Ship *>(screen()->acting);
        ASSERT_EQ(screen()->selected, mine);
    }

    // A click on the map at (x, y) in map coordinates.
    void click_map(int32_t x, int32_t y) {
        ui_test::mouse_at(x - map()->view_x, y - map()->view_y);
        frame();
        ui_test::left_down();
        frame();
        ui_test::left_up();
        frame();
    }

    // A point of the map on the screen, away from its edges, with no object on it, whose move
    // cost for the ship is `wanted` (RES_OK: a place the ship can go).
    bool find_point(Result wanted, int32_t *px, int32_t *py) {
        int32_t cx = mine->x + mine->w / 2, cy = mine->y + mine->h / 2;
        const int32_t far = 10 * mine->mp;
        for (int32_t dist : {far / 2, far / 3, far - 10, far + 60, far + 120})
            for (int32_t a = 0; a < 360; a += 5) {
                const double rad = a * 3.14159265358979 / 180.0;
                const int32_t x = cx + int32_t(dist * std::cos(rad)), y = cy - int32_t(dist * std::sin(rad));
                const int32_t sx = x - map()->view_x, sy = y - map()->view_y;
                if (sx < 40 || sy < 40 || sx > map()->screen_w - 40 || sy > map()->screen_h - 80) continue;
                ObjectFilter f;
                f.flags = FILTER_POINT;
                f.px = x;
                f.py = y;
                if (map_query_object(map(), &f)) continue;
                int32_t cost = 0;
                if (object_move_cost(mine, x - mine->w / 2, y - mine->h / 2, &cost) != wanted) continue;
                *px = x;
                *py = y;
                return true;
            }
        return false;
    }

    static std::vector<std::string> popup_texts() {
        std::vector<std::string> out;
        Panel *p = panel_of(screen()->hover_popup);
        if (!p) return out;
        for (Control *c : p->children.items) {
            if (!c) break;
            if (c->flags & CTRL_REMOVED) continue;
            if (const TextLabel *t = text_label_of(c)) out.push_back(t->text ? t->text : "");
        }
        return out;
    }
    static bool popup_shown() { return screen()->hover_popup && control_is_shown(screen()->hover_popup); }

    // The battle opens with the sides apart: the first enemy comes beside the ship, within half
    // the crit's weapon range.
    bool bring_enemy_within(int32_t crit) {
        std::vector<GameObject *> foes = enemies();
        if (foes.empty()) return false;
        GameObject *foe = foes[0];
        const int32_t near = mine->crits[crit].system->range / 2;
        for (int32_t side : {1, -1}) {
            const int32_t x = mine->x + mine->w / 2 + side * (near + mine->w / 2) - foe->w / 2;
            const int32_t y = mine->y + mine->h / 2 - foe->h / 2;
            if (map_spot_blocker(map(), foe, foe->frame, x, y)) continue;
            object_set_position(foe, x, y);
            return true;
        }
        return false;
    }
    // The first aimed weapon the ship carries, -1 without one.
    int32_t aimed_weapon() const {
        for (int32_t i = 0; i < mine->crit_count; ++i) {
            const System *sys = mine->crits[i].system;
            if (sys && (sys->flags & SYSTEM_FLAG_OFFENSIVE) && !(sys->flags & SYSTEM_FLAG_NO_CHECKS)) return i;
        }
        return -1;
    }

    std::vector<GameObject *> enemies() { return fighting(side_b->id); }
};

TEST_F(CombatOrders, AMoveBeyondReachIsRefusedAndKeepsTheModeThenAMoveWithinReachIsCarriedOut) {
    start_ui_turn();
    ASSERT_GE(mine->mp, 1);
    combat_begin_move(nullptr);
    frame();
    // The mode: its prompt box and Cancel, the ship as the commanding ship, no selection.
    EXPECT_EQ(screen()->command_mode, COMMAND_MOVE);
    EXPECT_NE(game_find_control(game, COMBAT_ID_PROMPT_BOX), nullptr);
    EXPECT_NE(game_find_control(game, COMBAT_ID_CANCEL), nullptr);
    EXPECT_EQ(screen()->command_ship, mine);
    EXPECT_EQ(screen()->selected, nullptr);
    EXPECT_TRUE(has(COMBAT_FLAG_PICKING));
    EXPECT_NE(screen()->reach_overlay, nullptr);

    int32_t x = 0, y = 0;
    ASSERT_TRUE(find_point(RES_TARGET_OUT_OF_RANGE, &x, &y));
    const int32_t x0 = mine->x, y0 = mine->y, mp0 = mine->mp;
    click_map(x, y);
    EXPECT_EQ(screen()->command_mode, COMMAND_MOVE);
    EXPECT_FALSE(has(COMBAT_FLAG_ANIMATING));
    EXPECT_NE(game_find_control(game, COMBAT_ID_PROMPT_BOX), nullptr);
    EXPECT_EQ(mine->mp, mp0);

    ASSERT_TRUE(find_point(RES_OK, &x, &y));
    click_map(x, y);
    EXPECT_EQ(screen()->command_mode, COMMAND_NONE);
    EXPECT_EQ(game_find_control(game, COMBAT_ID_PROMPT_BOX), nullptr);
    EXPECT_EQ(game_find_control(game, COMBAT_ID_CANCEL), nullptr);
    EXPECT_EQ(screen()->reach_overlay, nullptr);
    ASSERT_TRUE(run_until([] { return !has(COMBAT_FLAG_ANIMATING); }, 2000));
    EXPECT_TRUE(mine->x != x0 || mine->y != y0);
    EXPECT_LT(mine->mp, mp0);
    // After the animation the ship that was commanded is selected again and still acts.
    EXPECT_EQ(screen()->selected, mine);
    EXPECT_EQ(screen()->command_ship, nullptr);
    EXPECT_EQ(screen()->acting, mine);
}

TEST_F(CombatOrders, CancelByButtonOrEscapeLeavesTheModeAndReselectsTheCommandShip) {
    start_ui_turn();
    combat_begin_turn(nullptr);
    frame();
    EXPECT_EQ(screen()->command_mode, COMMAND_TURN);
    EXPECT_EQ(screen()->selected, nullptr);
    ASSERT_NE(image_of(game_find_control(game, COMBAT_ID_CANCEL)), nullptr);
    EXPECT_EQ(image_of(game_find_control(game, COMBAT_ID_CANCEL))->image_type, IMAGE_CANCEL)
        << "the game's cancel picture, not the battle summary's escape icon (12)";
    click(game_find_control(game, COMBAT_ID_CANCEL));
    frame();
    EXPECT_EQ(screen()->command_mode, COMMAND_NONE);
    EXPECT_EQ(screen()->selected, mine);
    EXPECT_EQ(screen()->command_ship, nullptr);
    EXPECT_EQ(game_find_control(game, COMBAT_ID_PROMPT_BOX), nullptr);
    EXPECT_FALSE(has(COMBAT_FLAG_PICKING));

    ASSERT_GT(mine->scan_range, 0);
    combat_begin_scan(nullptr);
    frame();
    EXPECT_EQ(screen()->command_mode, COMMAND_SCAN);
    EXPECT_NE(screen()->reach_overlay, nullptr);
    press(KEY_ESCAPE);
    EXPECT_EQ(screen()->command_mode, COMMAND_NONE);
    EXPECT_EQ(screen()->selected, mine);
    EXPECT_EQ(screen()->reach_overlay, nullptr);
}

// The prompt box shows the mode's title, then the prompt in its place, and back, cross-fading: over
// several turns of the cycle, both are lit only while one fades into the other.
TEST_F(CombatOrders, ThePromptBoxShowsTheTitleOrThePromptAndBothOnlyWhileOneFadesIntoTheOther) {
    start_ui_turn();
    combat_begin_turn(nullptr);
    frame();
    Control *box = game_find_control(game, COMBAT_ID_PROMPT_BOX);
    ASSERT_NE(box, nullptr);
    Control *icon = panel_find_child(box, COMBAT_ID_PROMPT_ICON);
    Control *label = panel_find_child(box, COMBAT_ID_PROMPT_PROMPT);
    ASSERT_NE(icon, nullptr);
    ASSERT_NE(label, nullptr);
    const ColourFade *title = image_control_caption_colour(icon);
    const ColourFade *text = text_label_colour(label);
    ASSERT_NE(title, nullptr);
    ASSERT_NE(text, nullptr);
    constexpr int STEP = 20, CROSS_FADE = 1000;
    int both = 0, longest_both = 0, title_alone = 0, text_alone = 0;
    for (int ms = 0; ms < 40000; ms += STEP) {
        frame(STEP);
        ASSERT_EQ(screen()->command_mode, COMMAND_TURN);
        const bool title_lit = !colour_fade_is_black(title), text_lit = !colour_fade_is_black(text);
        both = title_lit && text_lit ? both + STEP : 0;
        longest_both = std::max(longest_both, both);
        title_alone += title_lit && !text_lit ? STEP : 0;
        text_alone += text_lit && !title_lit ? STEP : 0;
    }
    EXPECT_LE(longest_both, CROSS_FADE + 2 * STEP) << "the title and the prompt lit together past a cross-fade";
    EXPECT_GE(title_alone, 3 * 4000) << "the title shows alone on every turn of the cycle";
    EXPECT_GE(text_alone, 3 * 3000) << "the prompt shows alone on every turn of the cycle";
}

TEST_F(CombatOrders, ScanModeTellsRangeOnHoverAndAClickOnEmptySpaceChangesNothing) {
    start_ui_turn();
    const int32_t ap0 = mine->ap;
    combat_begin_scan(nullptr);
    frame();
    int32_t x = 0, y = 0;
    ASSERT_TRUE(find_point(RES_OK, &x, &y));
    click_map(x, y);
    EXPECT_EQ(screen()->command_mode, COMMAND_SCAN);
    EXPECT_FALSE(has(COMBAT_FLAG_ANIMATING));
    EXPECT_EQ(mine->ap, ap0);

    int seen = 0;
    for (GameObject *enemy : enemies()) {
        combat_set_hovered(enemy);
        const Result r = ship_check_scan_target(mine, enemy);
        if (r == RES_OK) {
            EXPECT_TRUE(popup_shown());
            EXPECT_EQ(popup_texts(), std::vector<std::string>{"In range"});
        } else if (r == RES_TARGET_OUT_OF_RANGE) {
            EXPECT_TRUE(popup_shown());
            EXPECT_EQ(popup_texts(), std::vector<std::string>{"Out of range"});
            // The refusal stays bright through its pulse, readable on the popup's grey.
            for (Control *c : panel_of(screen()->hover_popup)->children.items) {
                if (!c) break;
                if (!text_label_of(c) || (c->flags & CTRL_REMOVED)) continue;
                const ColourFade *fade = text_label_colour(c);
                ASSERT_NE(fade, nullptr);
                EXPECT_GE(std::min(fade->from_r, fade->to_r), 200);
            }
        } else {
            EXPECT_FALSE(popup_shown()) << "scan check " << int(r);
        }
        ++seen;
        combat_set_hovered(nullptr);
        EXPECT_FALSE(popup_shown());
        EXPECT_FALSE(enemy->flags & OBJ_OUTLINE);
    }
    EXPECT_GT(seen, 0);
    // The ship itself is no scan target: nothing to show.
    combat_set_hovered(mine);
    EXPECT_FALSE(popup_shown());
}

TEST_F(CombatOrders, AWeaponsHoverPopupGivesTheReasonOrTheChanceAndDamage) {
    start_ui_turn();
    const int32_t crit = aimed_weapon();
    ASSERT_GE(crit, 0) << "the UI player's ship carries a weapon";
    ASSERT_TRUE(bring_enemy_within(crit));
    screen()->selected_crit = crit;
    combat_set_command_mode(COMMAND_SYSTEM, mine->crits[crit].system->name.c_str(), "Select target");
    int reasons = 0, chances = 0;
    // Turning the ship about shows the same targets in and out of the arc.
    for (int32_t heading : {0, 90, 180, 270}) {
        mine->heading = heading;
        for (GameObject *enemy : enemies()) {
            combat_set_hovered(enemy);
            const Result check = ship_check_weapon_target(mine, crit, enemy);
            const std::vector<std::string> texts = popup_texts();
            if (check == RES_OUTSIDE_ARC || check == RES_INVALID_TARGET || check == RES_TARGET_OUT_OF_RANGE) {
                const char *want = check == RES_OUTSIDE_ARC      ? "Out of targeting arc"
                                   : check == RES_INVALID_TARGET ? "Cannot target"
                                                                 : "Out of range";
                ASSERT_EQ(texts.size(), 1u);
                EXPECT_EQ(texts[0], want);
                EXPECT_TRUE(popup_shown());
                ++reasons;
            } else if (check == RES_OK) {
                ASSERT_EQ(texts.size(), 2u);
                EXPECT_EQ(texts[0], "In range");
                EXPECT_TRUE(is_hit_line(texts[1])) << texts[1];
                ++chances;
            }
            combat_set_hovered(nullptr);
        }
    }
    EXPECT_GT(reasons, 0);
    EXPECT_GT(chances, 0);
    combat_set_command_mode(COMMAND_NONE);
}

TEST_F(CombatOrders, AWeaponFiresOnAClickAtATargetItReachesAndARefusedTargetKeepsTheMode) {
    start_ui_turn();
    // The ship's first aimed weapon, and the heading and enemy it can hit and one it cannot.
    const int32_t crit = aimed_weapon();
    ASSERT_GE(crit, 0);
    ASSERT_TRUE(bring_enemy_within(crit));
    GameObject *reachable = nullptr, *refused = nullptr;
    for (int32_t heading = 0; heading < 360 && !reachable; heading += 15) {
        mine->heading = heading;
        for (GameObject *enemy : enemies()) {
            const Result r = ship_check_weapon_target(mine, crit, enemy);
            if (r == RES_OK && !reachable) reachable = enemy;
        }
    }
    ASSERT_NE(reachable, nullptr) << "some heading brings an enemy within the weapon's reach";
    for (GameObject *enemy : enemies())
        if (ship_check_weapon_target(mine, crit, enemy) != RES_OK) refused = enemy;

    // As the weapon row's button does: the ship leaves the selection, its panels hide.
    screen()->selected_crit = crit;
    combat_set_command_mode(COMMAND_SYSTEM, mine->crits[crit].system->name.c_str(), "Select target");
    combat_set_command_ship(mine);
    combat_select_object(nullptr);
    frame();
    const int32_t ap0 = mine->ap;
    if (refused) {
        combat_set_hovered(refused);
        click_map(refused->x + refused->w / 2, refused->y + refused->h / 2);
        EXPECT_EQ(screen()->command_mode, COMMAND_SYSTEM);
        EXPECT_FALSE(has(COMBAT_FLAG_ANIMATING));
        EXPECT_EQ(mine->ap, ap0);
    }
    // The pointer on the enemy hovers it; the click is the order.
    click_map(reachable->x + reachable->w / 2, reachable->y + reachable->h / 2);
    EXPECT_EQ(screen()->command_mode, COMMAND_NONE);
    EXPECT_TRUE(has(COMBAT_FLAG_ANIMATING));
    EXPECT_LT(mine->ap, ap0);
    EXPECT_FALSE(popup_shown());
    EXPECT_EQ(game_find_control(game, COMBAT_ID_PROMPT_BOX), nullptr);
}

TEST_F(CombatOrders, EndingTheTurnLetsGoOfTheShipAndTheNextActorTakesOver) {
    start_ui_turn();
    combat_end_ship_turn(nullptr);
    EXPECT_TRUE(mine->flags & OBJ_TURN_DONE);
    EXPECT_FALSE(mine->flags & OBJ_PULSING);
    EXPECT_EQ(screen()->selected, nullptr);
    EXPECT_TRUE(run_until([&] { return screen()->acting && screen()->acting != mine; }, 500));
}

TEST_F(CombatOrders, TheRetreatCountsDownByOneOnRetreatAgainAndOnEndAndCanBeAborted) {
    start_ui_turn();
    ASSERT_FALSE(mine->ship_flags & SHIP_FLAG_RETREATING);
    combat_start_retreat(nullptr);
    EXPECT_TRUE(mine->ship_flags & SHIP_FLAG_RETREATING);
    const int32_t countdown = mine->retreat_countdown;
    EXPECT_EQ(countdown, mine->retreat_turns);
    EXPECT_EQ(mine->ap, 0);
    EXPECT_EQ(mine->mp, 0);
    EXPECT_EQ(screen()->acting, nullptr);
    EXPECT_EQ(screen()->selected, nullptr);
    EXPECT_FALSE(control_is_shown(screen()->info_panel));

    // Its next turns: Retreat again, then End, each take exactly one off.
    ASSERT_TRUE(run_until([&] { return screen()->acting == mine && !has(COMBAT_FLAG_ANIMATING); }, 6000));
    const int32_t before_retreat = mine->retreat_countdown;
    combat_start_retreat(nullptr);
    EXPECT_EQ(mine->retreat_countdown, before_retreat - 1);
    ASSERT_TRUE(run_until([&] { return screen()->acting == mine && !has(COMBAT_FLAG_ANIMATING); }, 6000));
    const int32_t before_end = mine->retreat_countdown;
    combat_end_ship_turn(nullptr);
    EXPECT_EQ(mine->retreat_countdown, before_end - 1);

    ASSERT_TRUE(run_until([&] { return screen()->acting == mine && !has(COMBAT_FLAG_ANIMATING); }, 6000));
    combat_abort_retreat(nullptr);
    EXPECT_FALSE(mine->ship_flags & SHIP_FLAG_RETREATING);
    EXPECT_EQ(screen()->acting, nullptr);
}

}  // namespace
