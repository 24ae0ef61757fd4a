// The ship selection list and the ship icon row over a real seeded new game: the UI player's ships
// (its piloted starting ship and pilotless ships built from its first design) and the computer
// players' ships, listed, selected, filtered, totalled, clicked through the input path and
// refreshed after the model changed them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../screens/galaxy/panels_test_support.h"
#include "game/officer.h"
#include "platform/colour_fade.h"
#include "ui/image_control.h"
#include "ui/text_label.h"
#include "ui/value_bar.h"
#include "views/ship_list.h"
#include "world/factory.h"

namespace {

constexpr int SHIP_LIST_IMAGE_TYPES[] = {53, 78, 79, 93, 94, 95, 96, 97, 98, 116};

Control *g_picked_list = nullptr;
int g_picks = 0, g_wheels = 0;
void on_pick(Control *list) {
    g_picked_list = list;
    ++g_picks;
}
void on_wheel(Control *) { ++g_wheels; }

class ShipListGame : public galaxy_test::PanelsGame {
protected:
    std::vector<Ship *> ours;     // the piloted starting ship first, then pilotless ones
    std::vector<Ship *> theirs;   // computer players' ships
    std::vector<Control *> held;

    void SetUp() override {
        PanelsGame::SetUp();
        for (int type : SHIP_LIST_IMAGE_TYPES) ASSERT_EQ(image_control_load_type(type), RES_OK) << "image type " << type;
        factory_acquire_group_all(FACTORY_GROUP_FRAMES);   // the ships' icons, as the galaxy's load has them
        ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
        Sector *home = nullptr;
        ours = ui_ships_at_home(3, &home);
        ASSERT_EQ(ours.size(), 3u);
        ASSERT_NE(ours[0]->pilot_id, 0u) << "the starting ship has its commander";
        ASSERT_EQ(ours[1]->pilot_id, 0u) << "a ship built from a design has none";
        for (Player *p : game->players->items) {
            if (!p) break;
            if (p == game->ui_player) continue;
            for (GameObject *o : p->objects.items) {
                if (!o) break;
                if (Ship *s = ship_of(o)) theirs.push_back(s);
            }
        }
        ASSERT_GE(theirs.size(), 2u);
        g_picked_list = nullptr;
        g_picks = g_wheels = 0;
    }
    void TearDown() override {
        for (Control *c : held) control_release(c);
        held.clear();
        for (int type : SHIP_LIST_IMAGE_TYPES) image_control_free_type(type);
        factory_release_all_groups(FACTORY_GROUP_FRAMES);
        PanelsGame::TearDown();
    }

    // A list of the ships, held by the test until TearDown.
    Control *make(const std::vector<Ship *> &ships, int width = 600, ControlFn pick = nullptr, int options = 0) {
        List<GameObject> given;
        for (Ship *s : ships) list_append(&given, s);
        Control *list = ship_list_create(&given, width, pick, options);
        held.push_back(control_addref(list));
        return list;
    }
    // The same, shown on the screen at (x, y) above the galaxy panels.
    Control *show(Control *list, int x = 200, int y = 150) {
        control_set_layer(list, 50);
        game_add_control(game, x, y, 0, 0, list);
        game_flush_new_controls(game);
        return list;
    }
    static Control *row(Control *list, int i) { return ship_list_state(list)->rows.items[size_t(i)]; }
    static Control *child(Control *list, int i, int id) { return panel_find_child(row(list, i), id); }
    static const ValueBar *bar(Control *list, int i, int id) { return value_bar_of(child(list, i, id)); }
};

// ---- Building ----------------------------------------------------------------------------------------

class ShipListBuild : public ShipListGame {};

TEST_F(ShipListBuild, RowsFollowTheShipsInOrderEachHoldingAReference) {
    const std::vector<Ship *> ships = {ours[0], theirs[0], ours[1]};
    std::vector<int32_t> before;
    for (Ship *s : ships) before.push_back(s->refcount);
    Control *list = make(ships);
    ShipListState *state = ship_list_state(list);
    ASSERT_NE(state, nullptr);
    ASSERT_EQ(list_count(&state->rows), 3);
    EXPECT_EQ(state->picked, -1);
    for (size_t i = 0; i < ships.size(); ++i) {
        EXPECT_EQ(state->ships.items[i], ships[i]);
        EXPECT_EQ(row(list, int(i))->widget_state, ships[i]) << "row " << i;
        EXPECT_EQ(row(list, int(i))->tag, SHIP_ROW_UNSELECTED);
        EXPECT_EQ(ships[i]->refcount, before[i] + 1) << "row " << i;
        EXPECT_STREQ(text_label_of(child(list, int(i), SHIP_ROW_NAME))->text, object_get_name(ships[i]));
    }
    EXPECT_EQ(ship_list_picked_ship(list), nullptr);

    // Building again starts over and lets go of the old ships.
    List<GameObject> one;
    list_append(&one, ours[1]);
    ship_list_init(list, &one, 600, nullptr, 0);
    EXPECT_EQ(ships[0]->refcount, before[0]);
    EXPECT_EQ(ships[2]->refcount, before[2] + 1);
    held.clear();
    control_release(list);
    EXPECT_EQ(ships[2]->refcount, before[2]) << "freeing the list releases its ships";
}

TEST_F(ShipListBuild, APilotedShipShowsItsRankAndCrewAPilotlessOneNeither) {
    Ship *rank2 = nullptr;
    for (Ship *s : theirs)
        if (s->pilot_id && s->pilot_rank == 2) rank2 = s;
    ASSERT_NE(rank2, nullptr);
    Control *list = make({ours[0], ours[1], rank2});
    EXPECT_EQ(image_of(child(list, 0, SHIP_ROW_RANK))->image_type, 93) << "rank 1";
    EXPECT_EQ(image_of(child(list, 2, SHIP_ROW_RANK))->image_type, 94) << "rank 2";
    EXPECT_EQ(bar(list, 0, SHIP_ROW_CREW_BAR)->value, ours[0]->crew);
    EXPECT_EQ(bar(list, 0, SHIP_ROW_CREW_BAR)->max, ours[0]->max_crew);
    EXPECT_EQ(bar(list, 0, SHIP_ROW_ARMOUR_BAR)->value, ours[0]->armour);
    EXPECT_EQ(bar(list, 0, SHIP_ROW_ARMOUR_BAR)->max, ours[0]->max_armour);
    for (int id : {SHIP_ROW_RANK, SHIP_ROW_CREW_ICON, SHIP_ROW_CREW_BAR}) EXPECT_EQ(child(list, 1, id), nullptr) << id;
    EXPECT_NE(child(list, 1, SHIP_ROW_ARMOUR_BAR), nullptr);

    // The name is in the owner's colour; the picture is the ship's icon frame with its overlay.
    const Player *owner = object_get_owner(rank2);
    const ColourFade *name = text_label_colour(child(list, 2, SHIP_ROW_NAME));
    EXPECT_EQ(name->r, owner->red);
    EXPECT_EQ(name->g, owner->green);
    EXPECT_EQ(name->b, owner->blue);
    const ImageControl *picture = image_of(child(list, 0, SHIP_ROW_PICTURE));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->sprite, ours[0]->frames[object_get_icon(ours[0])]);
    EXPECT_TRUE(picture->options & IMG_OUTLINE);
}

TEST_F(ShipListBuild, AShieldedShipsFacingsAreTintedAnUnshieldedOnesBlack) {
    Ship *shielded = nullptr;
    for (Ship *s : theirs)
        if (s->shield_strength > 0) shielded = s;
    ASSERT_NE(shielded, nullptr);
    ASSERT_EQ(ours[0]->shield_strength, 0);
    Control *list = make({shielded, ours[0]});
    for (int f = 0; f < 4; ++f) {
        uint8_t r = 0, g = 0, b = 0;
        ship_color_for_level(shielded, f, &r, &g, &b, nullptr);
        const ColourFade *tint = image_of(child(list, 0, SHIP_ROW_PICTURE))->outline[f];
        EXPECT_EQ(tint->r, r) << "facing " << f;
        EXPECT_EQ(tint->g, g) << "facing " << f;
        EXPECT_EQ(tint->b, b) << "facing " << f;
        EXPECT_TRUE(colour_fade_is_black(image_of(child(list, 1, SHIP_ROW_PICTURE))->outline[f])) << "facing " << f;
    }
}

TEST_F(ShipListBuild, RowsFlowIntoLinesOfOneHeightStackedFromTheBottom) {
    Control *list = make({ours[0], ours[1], ours[2], theirs[0]}, 1000);
    Control *first = row(list, 0);
    ASSERT_GT(first->w, 3);
    EXPECT_EQ(first->x, 3);
    EXPECT_EQ(first->y, 3);
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(row(list, i)->y, 3) << "one line in a wide list";
        EXPECT_EQ(row(list, i)->x, row(list, i - 1)->x + row(list, i - 1)->w + 2);
        EXPECT_EQ(row(list, i)->h, first->h) << "a line shares its height";
    }
    // The pilotless row lines its armour up above where its neighbour's crew row stands.
    const Control *crew = child(list, 0, SHIP_ROW_CREW_ICON);
    const Control *armour0 = child(list, 0, SHIP_ROW_ARMOUR_ICON), *armour1 = child(list, 1, SHIP_ROW_ARMOUR_ICON);
    EXPECT_EQ(crew->y + crew->h, first->h - 3);
    EXPECT_EQ(armour0->y + armour0->h, crew->y - 1);
    EXPECT_LT(armour1->y + armour1->h, first->h - 3 - 10);
    for (int i : {0, 1}) {
        const Control *name = child(list, i, SHIP_ROW_NAME), *armour = child(list, i, SHIP_ROW_ARMOUR_ICON);
        EXPECT_EQ(name->y + name->h, armour->y) << "row " << i;
        EXPECT_GE(child(list, i, SHIP_ROW_PICTURE)->y, 3) << "row " << i;
    }
    EXPECT_EQ(list->w, row(list, 3)->x + row(list, 3)->w + 3);
    EXPECT_EQ(list->h, first->h + 6);

    // A narrow list puts every row on a line of its own, wrapped lines beginning at x 2.
    Control *narrow = make({ours[0], ours[1], ours[2]}, first->w + 6);
    EXPECT_EQ(row(narrow, 0)->x, 3);
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(row(narrow, i)->x, 2);
        EXPECT_EQ(row(narrow, i)->y, row(narrow, i - 1)->y + row(narrow, i - 1)->h + 2);
    }
    EXPECT_LT(row(narrow, 1)->h, row(narrow, 0)->h) << "a pilotless row alone on its line is shorter";
}

// ---- Totals ------------------------------------------------------------------------------------------

class ShipListTotals : public ShipListGame {};

TEST_F(ShipListTotals, AnEmptyListCountsNothing) {
    Control *list = make({});
    EXPECT_EQ(list_count(&ship_list_state(list)->rows), 0);
    for (auto total : {ship_list_count_visible, ship_list_count_selected, ship_list_selected_mass,
                       ship_list_unselected_mass, ship_list_selected_power, ship_list_unselected_power,
                       ship_list_selected_speed, ship_list_unselected_speed})
        EXPECT_EQ(total(list), 0);
}

TEST_F(ShipListTotals, HiddenRowsCountOnlyInThePower) {
    Ship *other = theirs[0];
    Control *list = make({ours[0], ours[1], other});
    ship_list_select_visible(list);
    EXPECT_EQ(ship_list_count_selected(list), 3);
    EXPECT_EQ(ship_list_selected_mass(list), ours[0]->mass + ours[1]->mass + other->mass);

    ship_list_filter_owner(list, game->ui_player_id);
    EXPECT_EQ(ship_list_count_visible(list), 2);
    EXPECT_EQ(ship_list_count_selected(list), 2);
    EXPECT_EQ(ship_list_selected_mass(list), ours[0]->mass + ours[1]->mass);
    EXPECT_EQ(ship_list_selected_power(list), ours[0]->capacity_used + ours[1]->capacity_used + other->capacity_used);
    EXPECT_FALSE(ship_list_is_selected(list, other));

    ship_list_set_row_selected(list, ours[1], false);
    EXPECT_EQ(ship_list_unselected_mass(list), ours[1]->mass);
    EXPECT_EQ(ship_list_unselected_power(list), ours[1]->capacity_used);
    EXPECT_EQ(ship_list_unselected_speed(list), ours[1]->effective_mp);
}

TEST_F(ShipListTotals, TheSlowestVisibleShipSetsTheSpeedAndALoneShipCountsUnselected) {
    Ship *slow = nullptr;
    for (Ship *s : theirs)
        if (s->effective_mp < ours[0]->effective_mp) slow = s;
    ASSERT_NE(slow, nullptr);
    Control *one = make({ours[0]});
    EXPECT_EQ(ship_list_count_selected(one), 0);
    EXPECT_EQ(ship_list_selected_speed(one), ours[0]->effective_mp);

    Control *two = make({ours[0], slow});
    EXPECT_EQ(ship_list_selected_speed(two), 0) << "two ships, none selected";
    EXPECT_EQ(ship_list_unselected_speed(two), slow->effective_mp);
    ship_list_set_row_selected(two, ours[0], true);
    EXPECT_EQ(ship_list_selected_speed(two), ours[0]->effective_mp);
    ship_list_set_row_selected(two, slow, true);
    EXPECT_EQ(ship_list_selected_speed(two), slow->effective_mp);
    ship_list_filter_owner(two, game->ui_player_id);
    EXPECT_EQ(ship_list_selected_speed(two), ours[0]->effective_mp) << "the hidden slow ship does not hold us back";
}

// ---- Selection and filter ----------------------------------------------------------------------------

class ShipListSelection : public ShipListGame {};

TEST_F(ShipListSelection, AFilteredOutRowKeepsItsSelectionUntilShownAgain) {
    Ship *other = theirs[0];
    Control *list = make({ours[0], other, ours[1]});
    ship_list_select_visible(list);
    ship_list_filter_owner(list, game->ui_player_id);
    EXPECT_EQ(ship_list_state(list)->owner_filter, game->ui_player_id);
    EXPECT_TRUE(row(list, 1)->flags & CTRL_HIDDEN);

    ship_list_unselect_visible(list);
    ship_list_set_row_selected(list, other, false);
    EXPECT_EQ(row(list, 1)->tag, SHIP_ROW_SELECTED) << "neither call reaches a hidden row";
    EXPECT_EQ(ship_list_count_selected(list), 0);
    ship_list_set_row_selected(list, other, true);
    ship_list_select_visible(list);
    EXPECT_EQ(ship_list_count_selected(list), 2);

    ship_list_filter_owner(list, 0);
    EXPECT_EQ(ship_list_count_visible(list), 3);
    EXPECT_TRUE(ship_list_is_selected(list, other));
    EXPECT_EQ(ship_list_count_selected(list), 3);

    // A row waiting on a timed show already counts.
    ship_list_filter_owner(list, other->owner_id);
    EXPECT_EQ(ship_list_count_visible(list), 1);
    control_hide_for(row(list, 0), 300);
    EXPECT_EQ(ship_list_count_visible(list), 2);
    EXPECT_TRUE(ship_list_is_selected(list, ours[0]));
}

TEST_F(ShipListSelection, SelectingFadesTheRowAndSelectingAgainBeginsNoFade) {
    Control *list = make({ours[0], ours[1]});
    ship_list_set_row_selected(list, ours[0], true);
    ColourFade *background = panel_background_colour(row(list, 0));
    ColourFade *name = text_label_colour(child(list, 0, SHIP_ROW_NAME));
    EXPECT_TRUE(colour_fade_is_running(background));
    EXPECT_EQ(name->to_r, 0);
    EXPECT_EQ(name->to_g, 230);
    EXPECT_EQ(name->to_b, 230);
    const ColourFade *tints = image_of(child(list, 0, SHIP_ROW_PICTURE))->outline[0];
    EXPECT_EQ(tints->to_g, 250);
    EXPECT_EQ(image_of(child(list, 0, SHIP_ROW_PICTURE))->outline[3]->delay, 150) << "facings turn in 50 ms steps";
    control_update(row(list, 0), 300);
    EXPECT_FALSE(colour_fade_is_running(background));
    EXPECT_EQ(background->b, 46);

    ship_list_set_row_selected(list, ours[0], true);
    ship_list_select_visible(list);
    EXPECT_FALSE(colour_fade_is_running(background)) << "an already selected row is left alone";
    EXPECT_EQ(row(list, 1)->tag, SHIP_ROW_SELECTED);

    // Unselected again, the name goes back to the owner's colour.
    ship_list_unselect_visible(list);
    control_update(row(list, 0), 300);
    const Player *ui = game->ui_player;
    EXPECT_EQ(name->r, ui->red);
    EXPECT_EQ(name->g, ui->green);
    EXPECT_EQ(name->b, ui->blue);
    EXPECT_TRUE(colour_fade_is_black(background));
    EXPECT_FALSE(ship_list_is_selected(list, theirs[0])) << "a ship not listed is not selected";
}

// ---- Input -------------------------------------------------------------------------------------------

class ShipListInput : public ShipListGame {};

TEST_F(ShipListInput, ClickingARowPicksItsShipAndCallsTheOwner) {
    Control *list = show(make({ours[0], ours[1], ours[2]}, 600, on_pick));
    click(row(list, 1));
    frame();
    EXPECT_EQ(g_picks, 1);
    EXPECT_EQ(g_picked_list, list);
    EXPECT_EQ(ship_list_state(list)->picked, 1);
    EXPECT_EQ(ship_list_picked_ship(list), ours[1]);
    click(child(list, 2, SHIP_ROW_NAME));   // the row's parts leave the click to the row
    frame();
    EXPECT_EQ(g_picks, 2);
    EXPECT_EQ(ship_list_picked_ship(list), ours[2]);
}

TEST_F(ShipListInput, WithoutAPickHandlerTheRowsTakeNoClickUntilOneIsSet) {
    Control *list = show(make({ours[0], ours[1]}));
    click(row(list, 0));
    frame();
    EXPECT_EQ(ship_list_state(list)->picked, -1);
    ship_list_set_pick_handler(list, on_pick);
    click(row(list, 0));
    frame();
    EXPECT_EQ(g_picks, 1);
    EXPECT_EQ(ship_list_picked_ship(list), ours[0]);
}

TEST_F(ShipListInput, TheWheelOverARowOrTheListReachesTheOwner) {
    Control *list = show(make({ours[0]}, 600, on_pick));
    ship_list_set_wheel_handler(list, on_wheel);
    int x = 0, y = 0;
    control_get_screen_position(row(list, 0), &x, &y);
    ui_test::mouse_at(x + 2, y + 2);
    frame();
    ui_test::wheel(1);
    frame();
    ui_test::wheel(0);
    EXPECT_EQ(g_wheels, 1);
    EXPECT_EQ(g_picks, 0);
}

// ---- Refresh -----------------------------------------------------------------------------------------

class ShipListRefresh : public ShipListGame {};

TEST_F(ShipListRefresh, BarsRunToTheShipsNewArmourAndCrew) {
    Control *list = show(make({ours[0], ours[1]}));
    ship_add_armour(ours[0], -20);
    ship_set_crew(ours[0], ours[0]->crew - 30);
    ship_list_relayout(list);
    frames(3, 20);
    const int armour_mid = bar(list, 0, SHIP_ROW_ARMOUR_BAR)->value;
    EXPECT_LT(armour_mid, ours[0]->max_armour) << "the bar runs";
    EXPECT_GT(armour_mid, ours[0]->armour) << "rather than jumps";
    frames(5, 20);
    EXPECT_EQ(bar(list, 0, SHIP_ROW_ARMOUR_BAR)->value, ours[0]->armour);
    EXPECT_EQ(bar(list, 0, SHIP_ROW_CREW_BAR)->value, ours[0]->crew);
    EXPECT_EQ(bar(list, 1, SHIP_ROW_ARMOUR_BAR)->value, ours[1]->armour);
}

TEST_F(ShipListRefresh, APilotMovedAcrossTakesItsCrewRowAlong) {
    Control *list = show(make({ours[0], ours[1]}));
    const int pilotless_h = row(list, 1)->h, list_h = list->h;
    Control *old_crew = child(list, 0, SHIP_ROW_CREW_BAR);
    Officer *pilot = ours[0]->pilot;
    ASSERT_NE(pilot, nullptr);
    officer_retain(pilot);
    ship_set_pilot(ours[0], nullptr);
    ship_set_pilot(ours[1], pilot);
    ship_list_relayout(list);

    EXPECT_EQ(child(list, 0, SHIP_ROW_RANK), nullptr);
    EXPECT_TRUE(old_crew->flags & CTRL_FADING);
    EXPECT_EQ(child(list, 0, SHIP_ROW_CREW_BAR), nullptr) << "a fading bar is no longer found";
    ASSERT_NE(child(list, 1, SHIP_ROW_RANK), nullptr);
    const Control *crew = child(list, 1, SHIP_ROW_CREW_ICON);
    ASSERT_NE(crew, nullptr);
    EXPECT_GT(crew->y, child(list, 1, SHIP_ROW_ARMOUR_ICON)->y);
    EXPECT_GT(row(list, 1)->h, pilotless_h) << "the row grows to hold the crew";
    EXPECT_GE(list->h, list_h);
    control_addref(old_crew);
    frames(10, 20);
    EXPECT_TRUE(old_crew->flags & CTRL_REMOVED) << "faded out and gone";
    control_release(old_crew);

    ship_set_pilot(ours[1], nullptr);
    ship_set_pilot(ours[0], pilot);
    officer_release(pilot);
}

// ---- The icon row ------------------------------------------------------------------------------------

class ShipIconRow : public ShipListGame {
protected:
    std::vector<Ship *> fleet_of(int n) {
        Sector *home = nullptr;
        return ui_ships_at_home(n, &home);
    }
    static std::vector<Control *> cells(Control *panel) {
        std::vector<Control *> out;
        for (Control *c : panel_of(panel)->children.items) {
            if (!c) break;
            if (!(c->flags & CTRL_REMOVED)) out.push_back(c);
        }
        return out;
    }
    Control *icons(const std::vector<Ship *> &ships, int options) {
        List<GameObject> given;
        for (Ship *s : ships) list_append(&given, s);
        Control *panel = ship_icons_create(&given, options);
        held.push_back(control_addref(panel));
        return panel;
    }
};

TEST_F(ShipIconRow, ShipsThatFitAreAllShownWithTheirOwnersAndPilots) {
    const std::vector<Ship *> ships = fleet_of(8);
    ASSERT_EQ(ships.size(), 8u);
    Control *panel = icons(ships, SHIP_ICONS_OWNER_SQUARES);
    const std::vector<Control *> shown = cells(panel);
    ASSERT_EQ(shown.size(), 8u);
    for (size_t i = 0; i < shown.size(); ++i) {
        EXPECT_NE(panel_find_child(shown[i], 100001), nullptr) << "cell " << i;
        EXPECT_NE(panel_find_child(shown[i], 100002), nullptr) << "cell " << i;
        EXPECT_EQ(panel_find_child(shown[i], 100003) != nullptr, ships[i]->pilot_id != 0) << "cell " << i;
        EXPECT_LE(shown[i]->x + shown[i]->w, 160) << "cell " << i;
        EXPECT_LT(shown[i]->y + shown[i]->h, 160) << "cell " << i;
    }
    EXPECT_EQ(shown[0]->x, 2);
    EXPECT_EQ(shown[0]->y, 2);
    EXPECT_EQ(panel->h, shown.back()->y + shown.back()->h + 2);
    EXPECT_EQ(panel_find_child(cells(icons(ships, 0))[0], 100002), nullptr) << "no owner squares unless asked";
}

TEST_F(ShipIconRow, LinesReachingTheBottomGoAndTheLastCellLeftSaysThereIsMore) {
    const std::vector<Ship *> ships = fleet_of(14);
    ASSERT_EQ(ships.size(), 14u);
    Control *panel = icons(ships, 0);
    const std::vector<Control *> shown = cells(panel);
    ASSERT_LT(shown.size(), ships.size());
    for (const Control *c : shown) EXPECT_LT(c->y + c->h, 160);
    Control *last = shown.back();
    EXPECT_EQ(panel_find_child(last, 100001), nullptr) << "the last cell is emptied";
    ASSERT_EQ(cells(last).size(), 1u);
    const Control *more = cells(last)[0];
    EXPECT_STREQ(text_label_of(more)->text, "...");
    EXPECT_EQ(more->x, (last->w - more->w) / 2);
    for (size_t i = 0; i + 1 < shown.size(); ++i) EXPECT_NE(panel_find_child(shown[i], 100001), nullptr);
    EXPECT_LT(panel->h, 160);
}

}  // namespace
