// The ship selection list and the ship icon row over a real seeded new game: the UI player's piloted
// starting ship and pilotless ships built from its first design, and the computer players' ships.
#include <gtest/gtest.h>

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

constexpr int SHIP_LIST_IMAGE_TYPES[] = {IMAGE_ARMOUR, IMAGE_CREW, IMAGE_COMMANDER, IMAGE_RANK_FIRST,
                                         IMAGE_RANK_FIRST + 1, IMAGE_RANK_FIRST + 2, IMAGE_RANK_FIRST + 3,
                                         IMAGE_RANK_FIRST + 4, IMAGE_RANK_LAST, IMAGE_CADET};

Control *g_picked_list = nullptr;
int g_ship_picks = 0;
void count_ship_pick(Control *list) {
    g_picked_list = list;
    ++g_ship_picks;
}

class ShipList : public galaxy_test::PanelsGame {
protected:
    std::vector<Ship *> ours;     // the piloted starting ship, then pilotless ones
    std::vector<Ship *> theirs;   // the computer players' ships
    std::vector<Control *> held;

    void SetUp() override {
        PanelsGame::SetUp();
        for (int type : SHIP_LIST_IMAGE_TYPES) ASSERT_EQ(image_control_load_type(type), RES_OK) << type;
        factory_acquire_group_all(FACTORY_GROUP_FRAMES);   // the ships' icons, as the galaxy's load has them
        ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
        Sector *home = nullptr;
        ours = ui_ships_at_home(3, &home);
        ASSERT_EQ(ours.size(), 3u);
        ASSERT_TRUE(ours[0]->pilot_id && !ours[1]->pilot_id);
        for (Player *p : game->players->items)
            for (GameObject *o : p != game->ui_player ? p->objects.items : std::vector<GameObject *>{})
                if (Ship *s = ship_of(o)) theirs.push_back(s);
        ASSERT_GE(theirs.size(), 2u);
        g_picked_list = nullptr;
        g_ship_picks = 0;
    }
    void TearDown() override {
        for (Control *c : held) control_release(c);
        for (int type : SHIP_LIST_IMAGE_TYPES) image_control_free_type(type);
        factory_release_all_groups(FACTORY_GROUP_FRAMES);
        PanelsGame::TearDown();
    }
    static List<GameObject> listed(const std::vector<Ship *> &ships) {
        List<GameObject> given;
        for (Ship *s : ships) list_append(&given, s);
        return given;
    }
    Control *make(const std::vector<Ship *> &ships, int width = 600, ControlFn pick = nullptr, int options = 0) {
        List<GameObject> given = listed(ships);
        held.push_back(control_addref(ship_list_create(&given, width, pick, options)));
        return held.back();
    }
    Control *show(Control *c, int x = 200, int y = 150) {   // above the galaxy panels
        control_set_layer(c, 50);
        game_add_control(game, x, y, 0, 0, c);
        game_flush_new_controls(game);
        return c;
    }
    static Control *row(Control *list, int i) { return ship_list_state(list)->rows.items[size_t(i)]; }
    static Control *child(Control *list, int i, int id) { return panel_find_child(row(list, i), id); }
    static const ValueBar *bar(Control *list, int i, int id) { return value_bar_of(child(list, i, id)); }
    static std::vector<Control *> live_children(Control *panel) {
        std::vector<Control *> out;
        for (Control *c : panel_of(panel)->children.items)
            if (!(c->flags & CTRL_REMOVED)) out.push_back(c);
        return out;
    }
};

TEST_F(ShipList, RowsShowTheirShipsInOrderAndHoldThemUntilFreed) {
    Ship *rank2 = nullptr;
    for (Ship *s : theirs)
        if (s->pilot_rank == 2) rank2 = s;
    ASSERT_NE(rank2, nullptr);
    const std::vector<Ship *> ships = {ours[0], ours[1], rank2};
    const int32_t refs = ours[1]->refcount;
    Control *list = make(ships);
    for (size_t i = 0; i < ships.size(); ++i) {
        EXPECT_EQ(row(list, int(i))->widget_state, ships[i]);
        EXPECT_STREQ(text_label_of(child(list, int(i), SHIP_ROW_NAME))->text, object_get_name(ships[i]));
    }
    EXPECT_EQ(ours[1]->refcount, refs + 1);
    EXPECT_EQ(image_of(child(list, 0, SHIP_ROW_RANK))->image_type, IMAGE_RANK_FIRST);
    EXPECT_EQ(image_of(child(list, 2, SHIP_ROW_RANK))->image_type, IMAGE_RANK_FIRST + 1);
    EXPECT_EQ(bar(list, 0, SHIP_ROW_CREW_BAR)->max, ours[0]->max_crew);
    EXPECT_EQ(bar(list, 2, SHIP_ROW_ARMOUR_BAR)->max, rank2->max_armour);
    for (int id : {SHIP_ROW_RANK, SHIP_ROW_CREW_ICON, SHIP_ROW_CREW_BAR}) EXPECT_EQ(child(list, 1, id), nullptr) << id;
    EXPECT_EQ(text_label_colour(child(list, 2, SHIP_ROW_NAME))->r, object_get_owner(rank2)->red);
    EXPECT_EQ(image_of(child(list, 0, SHIP_ROW_PICTURE))->sprite, ours[0]->frames[object_get_icon(ours[0])]);

    List<GameObject> none;
    ship_list_init(list, &none, 600, nullptr, 0);
    EXPECT_EQ(ours[1]->refcount, refs) << "a rebuilt list lets go of its old ships";
    EXPECT_EQ(ship_list_selected_speed(list) + ship_list_count_visible(list) + ship_list_selected_power(list), 0);
}

TEST_F(ShipList, RowsFlowIntoLinesOfOneHeightWithTheSelectionShownOnScreen) {
    std::vector<Ship *> ships = {ours[0], ours[1], ours[2]};
    ships.insert(ships.end(), theirs.begin(), theirs.end());
    Control *list = show(make(ships, 300, count_ship_pick, SHIP_LIST_HOVER_ROWS | SHIP_LIST_DARK), 40, 120);
    List<GameObject> given = listed(ships);
    show(ship_icons_create(&given, SHIP_ICONS_OWNER_SQUARES), 400, 120);
    for (int i = 1; i < list_count(&ship_list_state(list)->rows); ++i) {
        const Control *a = row(list, i - 1), *b = row(list, i);
        if (b->y == a->y) EXPECT_EQ(b->x, a->x + a->w + 2) << i;
        else EXPECT_TRUE(b->x == 2 && b->y == a->y + a->h + 2 && a->x + a->w + 2 + b->w > 300) << i;
        EXPECT_LE(b->x + b->w, list->w - 3);
    }
    // A pilotless row keeps its armour clear of where its neighbours' crew rows stand.
    const Control *crew = child(list, 0, SHIP_ROW_CREW_ICON), *armour = child(list, 1, SHIP_ROW_ARMOUR_ICON);
    EXPECT_EQ(row(list, 1)->h, row(list, 0)->h);
    EXPECT_LT(armour->y + armour->h, crew->y + 3);

    ship_list_set_row_selected(list, ours[1], true);
    frames(20);
    driver.save_screen("ship_list.png");   // for review
    int x = 0, y = 0;
    control_get_screen_position(row(list, 1), &x, &y);
    const ui_test::Rgb corner = driver.pixel(x + row(list, 1)->w - 2, y + 1);
    EXPECT_TRUE(corner.r == 2 && corner.g == 10 && corner.b == 46);
}

TEST_F(ShipList, HiddenRowsKeepTheirSelectionAndCountOnlyInThePower) {
    Ship *other = theirs[0];
    Control *list = make({ours[0], other, ours[1]});
    EXPECT_EQ(ship_list_selected_speed(list), 0) << "three ships, none selected";
    ship_list_select_visible(list);
    ship_list_filter_owner(list, game->ui_player_id);
    ship_list_unselect_visible(list);
    ship_list_set_row_selected(list, other, false);
    EXPECT_EQ(row(list, 1)->tag, SHIP_ROW_SELECTED) << "neither call reaches a hidden row";
    EXPECT_FALSE(ship_list_is_selected(list, other));
    EXPECT_EQ(ship_list_count_selected(list), 0);
    EXPECT_EQ(ship_list_selected_power(list), other->capacity_used);
    EXPECT_EQ(ship_list_unselected_mass(list), ours[0]->mass + ours[1]->mass);

    ship_list_filter_owner(list, 0);
    EXPECT_EQ(ship_list_count_selected(list), 1);
    EXPECT_EQ(ship_list_selected_mass(list), other->mass);
    EXPECT_EQ(ship_list_selected_speed(list), other->effective_mp);
    ship_list_filter_owner(list, other->owner_id);
    control_hide_for(row(list, 0), 300);   // a row waiting to be shown counts already
    EXPECT_EQ(ship_list_count_visible(list), 2);

    Control *one = make({ours[2]});
    EXPECT_EQ(ship_list_selected_speed(one), ours[2]->effective_mp) << "a lone ship counts unselected";
}

TEST_F(ShipList, SelectingFadesTheRowOnceAndUnselectingUnderThePointerLeavesItLit) {
    Control *list = show(make({ours[0], ours[1]}, 600, nullptr, SHIP_LIST_HOVER_ROWS));
    ColourFade *background = panel_background_colour(row(list, 0));
    ColourFade *name = text_label_colour(child(list, 0, SHIP_ROW_NAME));
    ship_list_set_row_selected(list, ours[0], true);
    EXPECT_EQ(image_of(child(list, 0, SHIP_ROW_PICTURE))->outline[3]->delay, 150) << "facings turn 50 ms apart";
    frames(15);
    EXPECT_TRUE(name->r == 0 && name->g == 230 && name->b == 230);
    ship_list_select_visible(list);
    EXPECT_FALSE(colour_fade_is_running(background)) << "an already selected row is left alone";

    int x = 0, y = 0;
    control_get_screen_position(row(list, 0), &x, &y);
    ui_test::mouse_at(x + 2, y + 2);
    frames(15);
    EXPECT_EQ(background->b, 46) << "the pointer does not change a selected row";
    ship_list_unselect_visible(list);
    frames(15);
    EXPECT_TRUE(background->g == 6 && background->b == 0 && name->r == 230);
    ui_test::mouse_at(x + 2, y + row(list, 0)->h + 40);
    frames(15);
    EXPECT_TRUE(colour_fade_is_black(background));
    EXPECT_EQ(name->r, game->ui_player->red);
}

TEST_F(ShipList, AClickOnARowPicksItsShipOnlyWithAPickHandler) {
    Control *list = show(make({ours[0], ours[1], ours[2]}));
    click(row(list, 0));
    frame();
    EXPECT_EQ(ship_list_picked_ship(list), nullptr);
    ship_list_set_pick_handler(list, count_ship_pick);
    click(child(list, 2, SHIP_ROW_NAME));   // the row's parts leave the click to the row
    frame();
    EXPECT_EQ(g_ship_picks, 1);
    EXPECT_EQ(g_picked_list, list);
    EXPECT_EQ(ship_list_picked_ship(list), ours[2]);
}

TEST_F(ShipList, RefreshRunsTheBarsAndMovesTheCrewRowWithThePilot) {
    Control *list = show(make({ours[0], ours[1]}));
    const int pilotless_h = row(list, 1)->h;
    Control *old_crew = control_addref(child(list, 0, SHIP_ROW_CREW_BAR));
    Officer *pilot = ours[0]->pilot;
    officer_retain(pilot);
    ship_add_armour(ours[0], -20);
    ship_set_pilot(ours[0], nullptr);
    ship_set_pilot(ours[1], pilot);
    ship_list_relayout(list);
    frames(3);
    EXPECT_GT(bar(list, 0, SHIP_ROW_ARMOUR_BAR)->value, ours[0]->armour) << "the bar runs rather than jumps";
    frames(5);
    EXPECT_EQ(bar(list, 0, SHIP_ROW_ARMOUR_BAR)->value, ours[0]->armour);
    EXPECT_EQ(child(list, 0, SHIP_ROW_RANK), nullptr);
    EXPECT_TRUE(old_crew->flags & CTRL_REMOVED) << "faded out";
    ASSERT_NE(child(list, 1, SHIP_ROW_CREW_ICON), nullptr);
    EXPECT_GT(child(list, 1, SHIP_ROW_CREW_ICON)->y, child(list, 1, SHIP_ROW_ARMOUR_ICON)->y);
    EXPECT_GT(row(list, 1)->h, pilotless_h);
    EXPECT_GE(list->h, row(list, 1)->y + row(list, 1)->h + 3);
    control_release(old_crew);
    ship_set_pilot(ours[1], nullptr);
    ship_set_pilot(ours[0], pilot);
    officer_release(pilot);
}

TEST_F(ShipList, IconRowDropsLinesReachingTheBottomAndSaysThereIsMore) {
    Sector *home = nullptr;
    const std::vector<Ship *> eight = ui_ships_at_home(8, &home), many = ui_ships_at_home(40, &home);
    ASSERT_EQ(many.size(), 40u);   // more than the row's small icons can hold
    List<GameObject> given = listed(eight);
    held.push_back(control_addref(ship_icons_create(&given, 0)));
    EXPECT_EQ(live_children(held.back()).size(), 8u) << "eight ships fit";
    EXPECT_NE(panel_find_child(live_children(held.back())[0], 100003), nullptr) << "the piloted ship's badge";

    given = listed(many);
    Control *panel = control_addref(ship_icons_create(&given, 0));
    held.push_back(panel);
    const std::vector<Control *> shown = live_children(panel);
    ASSERT_LT(shown.size(), many.size());
    for (const Control *c : shown) EXPECT_LT(c->y + c->h, 160);
    const std::vector<Control *> last = live_children(shown.back());
    ASSERT_EQ(last.size(), 1u);
    EXPECT_STREQ(text_label_of(last[0])->text, "...");
    EXPECT_NE(panel_find_child(shown[shown.size() - 2], 100001), nullptr);
    EXPECT_EQ(panel->h, shown.back()->y + shown.back()->h + 2);
}

}  // namespace

// The hull pictures fill their frames: a name stands under its picture, never across it.
TEST_F(ShipList, ANameStandsUnderItsPictureAndAboveItsBars) {
    Control *list = show(make({ours[0], ours[1], theirs[0]}), 40, 120);
    for (int i = 0; i < 3; ++i) {
        const Control *picture = child(list, i, SHIP_ROW_PICTURE), *name = child(list, i, SHIP_ROW_NAME);
        EXPECT_GE(name->y, picture->y + picture->h) << "row " << i;
        EXPECT_GE(child(list, i, SHIP_ROW_ARMOUR_ICON)->y, name->y + name->h) << "row " << i;
    }
}
