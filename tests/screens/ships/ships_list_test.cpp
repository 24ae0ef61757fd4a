// The "Ships" list and its rows over a real seeded new game: the UI player's ships at home, one of
// them sent into deep space, a long list built from the first design, and the galaxy screen's '2'.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../galaxy/panels_test_support.h"
#include "game/officer.h"
#include "ui/image_control.h"
#include "ui/panel_slots.h"
#include "ui/scroll.h"
#include "ui/text_label.h"
#include "ui/value_bar.h"
#include "screens/ships/ships_list.h"
#include "views/commander_box.h"
#include "world/factory.h"

namespace {

constexpr int LIST_IMAGE_TYPES[] = {IMAGE_ARMOUR, IMAGE_CREW, IMAGE_RANK_FIRST, IMAGE_RANK_FIRST + 1,
                                    IMAGE_RANK_FIRST + 2, IMAGE_RANK_FIRST + 3, IMAGE_RANK_FIRST + 4,
                                    IMAGE_RANK_LAST, IMAGE_ARROW_UP, IMAGE_ARROW_DOWN, IMAGE_CADET,
                                    IMAGE_NO_COMMANDER};

Control *g_selected_from = nullptr;
int g_selects = 0;
void on_select(Control *list) {
    g_selected_from = list;
    ++g_selects;
}

class ShipsList : public galaxy_test::PanelsGame {
protected:
    Sector *home = nullptr;
    std::vector<Control *> held;

    void SetUp() override {
        PanelsGame::SetUp();
        for (int type : LIST_IMAGE_TYPES) ASSERT_EQ(image_control_load_type(type), RES_OK) << type;
        factory_acquire_group_all(FACTORY_GROUP_FRAMES);
        ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
        g_selected_from = nullptr;
        g_selects = 0;
    }
    void TearDown() override {
        for (Control *c : held) control_release(c);
        for (int type : LIST_IMAGE_TYPES) image_control_free_type(type);
        factory_release_all_groups(FACTORY_GROUP_FRAMES);
        PanelsGame::TearDown();
    }
    Control *build(const std::vector<Ship *> &ships) {
        List<GameObject> given;
        for (Ship *s : ships) list_append(&given, s);
        Control *panel = panel_create_empty();
        held.push_back(control_addref(panel));
        ships_list_build(panel, &given);
        ui_test::add_top(panel, 4, 40, 50);
        game_flush_new_controls(game);
        return panel;
    }
    static Control *row(Control *list, int i) { return ships_list_state(list)->rows.items[size_t(i)]; }
    static const char *text(Control *row, int id) {
        const TextLabel *t = text_label_of(panel_find_child(row, id));
        return t ? t->text : nullptr;
    }
};

TEST_F(ShipsList, AnEmptyListSaysSoAndHasNoScrollBar) {
    Control *list = build({});
    EXPECT_STREQ(text(list, SHIPS_LIST_ID_TITLE), "Ships");
    EXPECT_STREQ(text(list, SHIPS_LIST_ID_EMPTY), "No ships in service    ");
    EXPECT_EQ(list_count(&ships_list_state(list)->rows), 0);
    EXPECT_EQ(panel_find_child(list, SHIPS_LIST_ID_SCROLL), nullptr);
    EXPECT_EQ(ships_list_get_selected(list), nullptr);
}

TEST_F(ShipsList, RowsShowWhereEachShipIsAndAClickHandsItsShipToTheScreen) {
    std::vector<Ship *> ships = ui_ships_at_home(3, &home);
    ASSERT_EQ(ships.size(), 3u);
    ASSERT_TRUE(ships[0]->pilot_id && !ships[1]->pilot_id);
    ship_set_sector(ships[2], nullptr);   // off into deep space
    const int32_t refs = ships[1]->refcount;
    Control *list = build(ships);
    panel_set_slot(list, SHIPS_LIST_SLOT_SELECT, on_select);
    ShipsListState *s = ships_list_state(list);
    ASSERT_EQ(list_count(&s->rows), 3);
    EXPECT_EQ(ships[1]->refcount, refs + 1);
    for (int i = 0; i < 3; ++i) EXPECT_STREQ(text(row(list, i), SHIP_ROW_ID_NAME), object_get_name(ships[size_t(i)]));
    EXPECT_EQ(std::string(text(row(list, 0), SHIP_ROW_ID_LOCATION)), std::string(object_get_name(home)) + " sector");
    EXPECT_STREQ(text(row(list, 2), SHIP_ROW_ID_LOCATION), "Deep space");
    EXPECT_EQ(image_of(panel_find_child(row(list, 0), SHIP_ROW_ID_PICTURE))->sprite,
              ships[0]->frames[ships[0]->icon_frame]) << "rows show the hull's list icon";

    // The commander's rank and crew show only for a ship that has one.
    EXPECT_EQ(image_of(panel_find_child(row(list, 0), SHIP_ROW_ID_RANK))->image_type, IMAGE_RANK_FIRST + ships[0]->pilot->rank - 1);
    EXPECT_EQ(value_bar_of(panel_find_child(row(list, 0), SHIP_ROW_ID_CREW_BAR))->max, ships[0]->max_crew);
    for (int id : {SHIP_ROW_ID_RANK, SHIP_ROW_ID_CREW_ICON, SHIP_ROW_ID_CREW_BAR})
        EXPECT_EQ(panel_find_child(row(list, 1), id), nullptr) << id;

    // Aligned columns: names start together, the bars' icons too, every row one width.
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(panel_find_child(row(list, i), SHIP_ROW_ID_NAME)->x, panel_find_child(row(list, 0), SHIP_ROW_ID_NAME)->x);
        EXPECT_EQ(panel_find_child(row(list, i), SHIP_ROW_ID_ARMOUR_ICON)->x,
                  panel_find_child(row(list, 0), SHIP_ROW_ID_ARMOUR_ICON)->x);
        EXPECT_EQ(row(list, i)->w, row(list, 0)->w);
        EXPECT_EQ(row(list, i)->y, row(list, i - 1)->y + row(list, i - 1)->h + 6);
    }
    frames(30);   // the rows' entry frames are gone
    driver.save_screen("ships_list.png");   // for review

    EXPECT_EQ(s->selected, -1) << "nothing picked before a click";
    ui_test::click_control(row(list, 2));
    EXPECT_EQ(g_selects, 1);
    EXPECT_EQ(g_selected_from, list);
    EXPECT_EQ(ships_list_get_selected(list), ships[2]);

    List<GameObject> none;
    ships_list_build(list, &none);
    EXPECT_EQ(ships[1]->refcount, refs) << "a rebuilt list lets go of the ships it held";
}

TEST_F(ShipsList, ALongListIsCutAt530PixelsAndScrollsInStepsOf96) {
    std::vector<Ship *> ships = ui_ships_at_home(16, &home);
    ASSERT_EQ(ships.size(), 16u);
    Control *list = build(ships);
    Control *bar = panel_find_child(list, SHIPS_LIST_ID_SCROLL);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(list->h, SHIPS_LIST_MAX_HEIGHT);
    Control *content = panel_find_child(list, SHIPS_LIST_ID_CONTENT);
    const ShipsListState *s = ships_list_state(list);
    EXPECT_EQ(content->y + content->h, SHIPS_LIST_MAX_HEIGHT - 1);
    EXPECT_GT(s->content_height, content->h);
    EXPECT_EQ(bar->x, list->w - bar->w);

    int pos = 0, range = 0;
    scroll_bar_get(bar, &pos, &range);
    ASSERT_GT(range, 96);
    ui_test::click_control(panel_find_child(bar, SCROLL_FAR_ARROW_ID));
    scroll_bar_get(bar, &pos, &range);
    EXPECT_EQ(pos, 96);
    EXPECT_EQ(panel_of(content)->scroll_y, (s->content_height - content->h) * 96 / range);
    for (int i = 0; i < 20; ++i) ui_test::click_control(panel_find_child(bar, SCROLL_FAR_ARROW_ID));
    scroll_bar_get(bar, &pos, &range);
    EXPECT_EQ(pos, range) << "held at the end";
    EXPECT_EQ(panel_of(content)->scroll_y, s->content_height - content->h) << "the last row in view";
    ui_test::click_control(panel_find_child(bar, SCROLL_NEAR_ARROW_ID));
    scroll_bar_get(bar, &pos, &range);
    EXPECT_EQ(pos, range - 96);
    ui_test::wheel(-1);   // a notch up over a row
    ASSERT_NE(row(list, 15)->on_wheel, nullptr);
    row(list, 15)->on_wheel(row(list, 15));
    ui_test::next_tick();
    scroll_bar_get(bar, &pos, &range);
    EXPECT_EQ(pos, range - 96 - 24);
}

TEST_F(ShipsList, ARowRefreshFollowsItsShipsNewCommanderAndLostArmour) {
    std::vector<Ship *> ships = ui_ships_at_home(2, &home);
    ASSERT_EQ(ships.size(), 2u);
    Ship *bare = ships[1];
    Control *list = build(ships);
    Control *r = row(list, 1);
    ASSERT_EQ(panel_find_child(r, SHIP_ROW_ID_CREW_BAR), nullptr);

    Officer *o = officer_create();
    o->id = game_next_id(game);
    o->name = "Wen Saltash";
    o->rank = RANK_CAPTAIN;
    o->owner_id = game->ui_player_id;
    officer_retain(o);
    player_add_officer(game->ui_player, o);
    officer_release(o);
    ship_set_pilot(bare, o);
    ship_set_crew(bare, bare->max_crew / 3);
    ship_add_armour(bare, -7);
    ships_list_refresh_rows(list);
    frames(15);
    const ValueBar *crew = value_bar_of(panel_find_child(r, SHIP_ROW_ID_CREW_BAR));
    ASSERT_NE(crew, nullptr) << "a commander brings the crew pair";
    EXPECT_EQ(crew->value, bare->crew);
    EXPECT_EQ(crew->max, bare->max_crew);
    EXPECT_EQ(image_of(panel_find_child(r, SHIP_ROW_ID_RANK))->image_type, IMAGE_RANK_FIRST + 2);
    EXPECT_EQ(value_bar_of(panel_find_child(r, SHIP_ROW_ID_ARMOUR_BAR))->value, bare->armour);

    ship_set_pilot(bare, nullptr);
    ship_row_refresh(r);
    frames(15);
    for (int id : {SHIP_ROW_ID_RANK, SHIP_ROW_ID_CREW_ICON, SHIP_ROW_ID_CREW_BAR})
        EXPECT_EQ(panel_find_child(r, id), nullptr) << "gone with the commander: " << id;
}

TEST_F(ShipsList, ARowWithACommanderBoxIsTallerAndNotClickable) {
    std::vector<Ship *> ships = ui_ships_at_home(1, &home);
    ASSERT_EQ(ships.size(), 1u);
    Control *boxed = ship_row_create(ships[0], SHIP_ROW_COMMANDER | SHIP_ROW_TINTED);
    held.push_back(control_addref(boxed));
    Control *box = panel_find_child(boxed, SHIP_ROW_ID_COMMANDER);
    ASSERT_NE(box, nullptr);
    EXPECT_STREQ(text_label_of(panel_find_child(box, COMMANDER_BOX_ID_NAME))->text, ships[0]->pilot->name.c_str());
    EXPECT_GE(boxed->h, 52);
    EXPECT_FALSE(control_is_enabled(boxed));
    EXPECT_EQ(boxed->on_click, nullptr);
}

// The road: '2' on the galaxy screen lists the UI player's ships; a click opens the ship's panel
// beside the list.
TEST_F(ShipsList, TwoOnTheGalaxyScreenListsThePlayersShipsAndAPickOpensOne) {
    std::vector<Ship *> ships = ui_ships_at_home(2, &home);
    ASSERT_EQ(ships.size(), 2u);
    press('2');
    Control *list = galaxy_test::screen()->side_panels[GALAXY_LIST_SHIPS];
    ShipsListState *s = ships_list_state(list);
    ASSERT_NE(s, nullptr);
    int own = 0;
    for (GameObject *o : game->ui_player->objects.items) own += o->kind == OBJECT_SHIP;
    EXPECT_EQ(list_count(&s->ships), own);
    frames(20);
    ui_test::click_control(row(list, 0));
    EXPECT_EQ(s->selected, 0);
    EXPECT_EQ(playing(6), 1) << "the pick's sound";
}

}  // namespace

// The wheel over the bar moves the list 24 a notch, as over the rows, and stops at the top.
TEST_F(ShipsList, TheWheelOverTheScrollBarMovesTheList) {
    std::vector<Ship *> ships = ui_ships_at_home(16, &home);
    Control *list = build(ships);
    Control *bar = panel_find_child(list, SHIPS_LIST_ID_SCROLL), *content = panel_find_child(list, SHIPS_LIST_ID_CONTENT);
    ASSERT_NE(bar, nullptr);
    int x = 0, y = 0, pos = 0, range = 0;
    control_get_screen_position(panel_find_child(bar, SCROLL_TRACK_ID), &x, &y);
    for (int notches : {2, 1, 0, -9}) {
        ui_test::mouse_at(x + 2, y + 40);
        ui_test::wheel(notches);
        frame();
        scroll_bar_get(bar, &pos, &range);
        EXPECT_EQ(pos, notches == 2 ? 48 : notches < 0 ? 0 : 72) << notches;
        EXPECT_EQ(panel_of(content)->scroll_y, (ships_list_state(list)->content_height - content->h) * pos / range);
    }
}
