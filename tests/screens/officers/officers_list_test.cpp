// The "Officers" list over a real seeded new game: the UI player's officers with names made to
// test the order, posted on a ship, at the home starbase, in its pool, in escape pods or nowhere;
// a long list that scrolls; and the galaxy screen's '3' with a pick and an assignment.
#include "../galaxy/panels_test_support.h"

#include <algorithm>
#include <string>
#include <vector>

#include "game/officer.h"
#include "screens/galaxy/officer_handlers.h"
#include "screens/officers/officer_detail_panel.h"
#include "screens/officers/officers_list.h"
#include "screens/officers/officer_choice.h"
#include "ui/image_control.h"
#include "ui/scroll.h"
#include "ui/text_label.h"
#include "world/factory.h"
#include "world/site.h"

using namespace galaxy_test;

namespace {

constexpr int OFFICERS_LIST_IMAGE_TYPES[] = {IMAGE_PORTRAIT, IMAGE_SKILL_PIP, IMAGE_CLOCK, IMAGE_COMMANDER,
                                             IMAGE_RANK_FIRST, IMAGE_RANK_FIRST + 1, IMAGE_RANK_FIRST + 2,
                                             IMAGE_RANK_FIRST + 3, IMAGE_RANK_FIRST + 4, IMAGE_RANK_LAST,
                                             IMAGE_ARROW_UP, IMAGE_ARROW_DOWN, IMAGE_CADET, IMAGE_NO_COMMANDER,
                                             IMAGE_SECTORS};

int g_selects = 0;
Control *g_selected_from = nullptr;
void on_select(Control *list) {
    ++g_selects;
    g_selected_from = list;
}

std::string text(Control *row, int id) {
    const TextLabel *t = text_label_of(row ? panel_find_child(row, id) : nullptr);
    return t && t->text ? t->text : "";
}

class OfficersList : public PanelsGame {
protected:
    Sector *home = nullptr;
    Site *base = nullptr;
    std::vector<Ship *> ships;
    std::vector<Control *> held;

    void SetUp() override {
        PanelsGame::SetUp();
        for (int type : OFFICERS_LIST_IMAGE_TYPES) ASSERT_EQ(image_control_load_type(type), RES_OK) << type;
        factory_acquire_group_all(FACTORY_GROUP_FRAMES);
        ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
        ships = ui_ships_at_home(2, &home);
        ASSERT_EQ(ships.size(), 2u);
        base = sector_find_site_of_kind(home, SITE_STARBASE);
        ASSERT_NE(base, nullptr);
        g_selects = 0;
        g_selected_from = nullptr;
    }
    void TearDown() override {
        for (Control *c : held) control_release(c);
        for (int type : OFFICERS_LIST_IMAGE_TYPES) image_control_free_type(type);
        factory_release_all_groups(FACTORY_GROUP_FRAMES);
        PanelsGame::TearDown();
    }

    // A new officer of the UI player, held by the player only.
    Officer *hire(const char *name, int rank = RANK_LT_COMMANDER) {
        Officer *o = player_hire_officer(game->ui_player, true, nullptr);
        o->name = name;
        o->rank = rank;
        return o;
    }
    Officer *in_pod(const char *name, int minutes) {
        Officer *o = hire(name);
        o->flags |= OFFICER_FLAG_IN_POD;
        o->pod_minutes = minutes;
        return o;
    }

    // The list as the galaxy screen builds it: the player's officers by name.
    Control *build_sorted() {
        List<Officer> *sorted = player_officers_sorted(game->ui_player);
        Control *panel = build(sorted);
        list_free(sorted);
        return panel;
    }
    Control *build(List<Officer> *officers) {
        Control *panel = panel_create_empty();
        held.push_back(control_addref(panel));
        officers_list_build(panel, officers);
        if (OfficerListState *s = officers_list_state(panel)) s->slot[OFFICERS_LIST_SLOT_SELECT] = on_select;
        ui_test::add_top(panel, 4, 40, 50);
        game_flush_new_controls(game);
        return panel;
    }
    static Control *row_of(Control *panel, const Officer *officer) {
        OfficerListState *s = officers_list_state(panel);
        for (int i = 0; s && i < list_count(&s->officers); ++i)
            if (list_get(&s->officers, i) == officer) return list_get(&s->rows, i);
        return nullptr;
    }
    static int index_of(Control *panel, const Officer *officer) {
        OfficerListState *s = officers_list_state(panel);
        for (int i = 0; s && i < list_count(&s->officers); ++i)
            if (list_get(&s->officers, i) == officer) return i;
        return -1;
    }
    std::string sector_text(const GameObject *sector) { return std::string(object_get_name(sector)) + " sector"; }
};

TEST_F(OfficersList, APlayerWithoutOfficersSeesTheTitleAndTheNoticeOnly) {
    List<Officer> none;
    Control *panel = build(&none);
    EXPECT_EQ(text(panel, OFFICERS_LIST_ID_TITLE), "Officers");
    EXPECT_EQ(text(panel, OFFICERS_LIST_ID_EMPTY), "No officers in service    ");
    EXPECT_EQ(panel_find_child(panel, OFFICERS_LIST_ID_ROWS), nullptr);
    EXPECT_EQ(panel_find_child(panel, OFFICERS_LIST_ID_SCROLL), nullptr);
    EXPECT_EQ(officers_list_get_selected(panel), nullptr);
    officers_list_refresh(panel);   // nothing to rebuild
    EXPECT_EQ(panel_find_child(panel, OFFICERS_LIST_ID_ROWS), nullptr);
}

TEST_F(OfficersList, RowsGoInByteOrderAndShowEachOfficersPost) {
    Officer *bravo = hire("Bravo", RANK_CAPTAIN);
    Officer *lower = hire("alpha", RANK_FLEET_ADMIRAL);
    Officer *upper = hire("Alpha", RANK_CADET);
    Officer *pooled = hire("Pooled Officer");
    pooled->sector_id = home->id;
    Officer *commander = hire("Base Commander", RANK_COMMODORE);
    commander->site_id = base->id;
    Officer *idle = hire("Idle Officer");
    Officer *pod_a = in_pod("Pod A", 1441), *pod_b = in_pod("Pod B", 1440), *pod_c = in_pod("Pod C", 30);
    ASSERT_NE(ships[0]->pilot, nullptr);
    Officer *pilot = ships[0]->pilot;
    ship_set_sector(ships[0], nullptr);   // off into deep space

    Control *panel = build_sorted();
    OfficerListState *s = officers_list_state(panel);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(list_count(&s->officers), list_count(&game->ui_player->officers));
    EXPECT_LT(index_of(panel, upper), index_of(panel, bravo));
    EXPECT_LT(index_of(panel, bravo), index_of(panel, lower)) << "byte order: capitals first";

    // Names, ranks and insignia.
    EXPECT_EQ(text(row_of(panel, bravo), OFFICER_ROW_ID_NAME), "Bravo");
    EXPECT_EQ(text(row_of(panel, bravo), OFFICER_ROW_ID_RANK), "Captain");
    EXPECT_EQ(text(row_of(panel, upper), OFFICER_ROW_ID_RANK), "Cadet");
    EXPECT_EQ(image_of(panel_find_child(row_of(panel, upper), OFFICER_ROW_ID_INSIGNIA))->image_type, IMAGE_CADET);
    EXPECT_EQ(image_of(panel_find_child(row_of(panel, lower), OFFICER_ROW_ID_INSIGNIA))->image_type, IMAGE_RANK_LAST);

    // Posts, first that holds.
    Control *r = row_of(panel, pilot);
    EXPECT_EQ(text(r, OFFICER_ROW_ID_SHIP_NAME), object_get_name(ships[0]));
    EXPECT_EQ(text(r, OFFICER_ROW_ID_LOCATION), "Deep space");
    r = row_of(panel, commander);
    EXPECT_EQ(text(r, OFFICER_ROW_ID_LOCATION), sector_text(home));
    EXPECT_EQ(image_of(panel_find_child(r, OFFICER_ROW_ID_POST_ICON))->image_type, IMAGE_COMMANDER);
    EXPECT_EQ(text(row_of(panel, pooled), OFFICER_ROW_ID_LOCATION), sector_text(home));
    EXPECT_EQ(panel_find_child(row_of(panel, pooled), OFFICER_ROW_ID_POST_ICON), nullptr);
    // A starbase post shows the starbase's own picture (as the assignment dialogs show it), for its
    // commander and for its pool.
    Control *want = object_picture_control(site_template(SITE_STARBASE));
    ASSERT_TRUE(want && image_of(want)->sprite);
    const Sprite *starbase_sprite = image_of(want)->sprite;
    control_destroy(want);
    for (Officer *o : {commander, pooled}) {
        const ImageControl *picture = image_of(panel_find_child(row_of(panel, o), OFFICER_ROW_ID_POST_PICTURE));
        ASSERT_NE(picture, nullptr) << o->name;
        EXPECT_EQ(picture->sprite, starbase_sprite) << o->name << ": the starbase, not a generic picture";
        const Control *c = panel_find_child(row_of(panel, o), OFFICER_ROW_ID_POST_PICTURE);
        EXPECT_LE(std::max(c->w, c->h), 28) << o->name << ": brought down to the row's picture box";
    }
    EXPECT_EQ(text(row_of(panel, idle), OFFICER_ROW_ID_LOCATION), "Unassigned");
    const struct {
        Officer *officer;
        const char *days;
    } pods[] = {{pod_a, "2"}, {pod_b, "1"}, {pod_c, "1"}};
    for (const auto &pod : pods) {
        EXPECT_EQ(text(row_of(panel, pod.officer), OFFICER_ROW_ID_LOCATION), "Escape Pod");
        EXPECT_EQ(text(row_of(panel, pod.officer), OFFICER_ROW_ID_POD_DAYS), pod.days) << pod.officer->name;
    }

    // One width for every row; each backing panel inside its row, the post text on it.
    for (Control *row : s->rows.items) {
        EXPECT_EQ(row->w, list_get(&s->rows, 0)->w);
        const Control *backing = panel_find_child(row, OFFICER_ROW_ID_BACKING);
        ASSERT_NE(backing, nullptr);
        EXPECT_EQ(backing->x + backing->w, row->w - 4);
        EXPECT_EQ(backing->y + backing->h, row->h - 4);
        const Control *where = panel_find_child(row, OFFICER_ROW_ID_LOCATION);
        EXPECT_GE(where->y, backing->y);
        EXPECT_LE(where->y + where->h, backing->y + backing->h);
    }
    frames(30);
    driver.save_screen("officers_list.png");

    // A click hands the row's officer to the screen.
    ui_test::click_control(row_of(panel, bravo));
    EXPECT_EQ(g_selects, 1);
    EXPECT_EQ(g_selected_from, panel);
    EXPECT_EQ(officers_list_get_selected(panel), bravo);

    // The list holds its officers: one let go by the player stays listed and alive.
    const int32_t refs = idle->refcount;
    officer_retain(idle);
    player_remove_officer(game->ui_player, idle->id);
    EXPECT_EQ(idle->refcount, refs);
    officers_list_refresh(panel);
    EXPECT_EQ(text(row_of(panel, idle), OFFICER_ROW_ID_NAME), "Idle Officer");
    officer_release(idle);
}

TEST_F(OfficersList, ALongListIsCutAt420PixelsAndARefreshKeepsTheCut) {
    for (int i = 0; i < 16; ++i) hire(("Officer " + std::to_string(100 + i)).c_str());
    Control *panel = build_sorted();
    const OfficerListState *s = officers_list_state(panel);
    Control *list = panel_find_child(panel, OFFICERS_LIST_ID_ROWS);
    Control *bar = panel_find_child(panel, OFFICERS_LIST_ID_SCROLL);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(panel->h, OFFICERS_LIST_MAX_HEIGHT);
    EXPECT_EQ(list->y + list->h, OFFICERS_LIST_MAX_HEIGHT - 1);
    EXPECT_GT(s->content_height, list->h);
    EXPECT_EQ(bar->x + bar->w, panel->w);
    int pos = 0, range = 0;
    scroll_bar_get(bar, &pos, &range);
    ASSERT_GT(range, 96);

    ui_test::click_control(panel_find_child(bar, SCROLL_FAR_ARROW_ID));
    scroll_bar_get(bar, &pos, &range);
    EXPECT_EQ(pos, 96);
    EXPECT_EQ(panel_of(list)->scroll_y, (s->content_height - list->h) * 96 / range);
    ui_test::wheel(1);   // a notch down over a row
    Control *last = list_get(&s->rows, list_count(&s->rows) - 1);
    last->on_wheel(last);
    ui_test::next_tick();
    scroll_bar_get(bar, &pos, &range);
    EXPECT_EQ(pos, 96 + 24);

    // A refresh after an assignment: the panel stays at the cap with the same bar, whose range
    // fits the list again; the view starts at the top with the thumb.
    const int width = panel->w;
    officers_list_refresh(panel);
    frames(15);
    list = panel_find_child(panel, OFFICERS_LIST_ID_ROWS);
    EXPECT_EQ(panel->h, OFFICERS_LIST_MAX_HEIGHT) << "a refresh must not grow the panel past the cap";
    EXPECT_EQ(panel->w, width);
    EXPECT_EQ(panel_find_child(panel, OFFICERS_LIST_ID_SCROLL), bar);
    EXPECT_EQ(list->y + list->h, OFFICERS_LIST_MAX_HEIGHT - 1);
    int pos2 = 0, range2 = 0;
    scroll_bar_get(bar, &pos2, &range2);
    EXPECT_EQ(range2, range);
    EXPECT_EQ(panel_of(list)->scroll_y, scroll_bar_content_offset(bar, s->content_height - list->h));
    for (int i = 0; i < 30; ++i) ui_test::click_control(panel_find_child(bar, SCROLL_FAR_ARROW_ID));
    EXPECT_EQ(panel_of(list)->scroll_y, s->content_height - list->h) << "the last row comes into view";
}

TEST_F(OfficersList, AShortListThatRefreshesGetsNoScrollBar) {
    Officer *idle = hire("Idle Officer");
    Control *panel = build_sorted();
    ASSERT_EQ(panel_find_child(panel, OFFICERS_LIST_ID_SCROLL), nullptr);
    const int h = panel->h;
    idle->flags |= OFFICER_FLAG_IN_POD;
    idle->pod_minutes = 3000;
    officers_list_refresh(panel);
    frames(15);
    EXPECT_EQ(panel_find_child(panel, OFFICERS_LIST_ID_SCROLL), nullptr);
    EXPECT_EQ(panel_of(panel_find_child(panel, OFFICERS_LIST_ID_ROWS))->scroll_y, 0);
    EXPECT_EQ(panel->h, h);
    EXPECT_EQ(text(row_of(panel, idle), OFFICER_ROW_ID_POD_DAYS), "3");
}

// The road: '3' lists the UI player's officers; a row opens the officer detail panel beside the
// list; moving an officer to another post shows at once in the list.
TEST_F(OfficersList, ThreeListsTheOfficersAPickOpensOneAndAnAssignmentShowsInTheList) {
    Officer *idle = hire("Aaron Idle");
    site_add_officer(base, idle);   // waits at the home starbase
    idle->sector_id = home->id;
    press('3');
    Control *panel = screen()->side_panels[GALAXY_LIST_OFFICERS];
    OfficerListState *s = officers_list_state(panel);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(list_count(&s->officers), list_count(&game->ui_player->officers));
    EXPECT_EQ(text(row_of(panel, idle), OFFICER_ROW_ID_LOCATION), sector_text(home));
    EXPECT_EQ(text(row_of(panel, idle), OFFICER_ROW_ID_SHIP_NAME), "");
    frames(20);

    ui_test::click_control(row_of(panel, idle));
    Control *detail = galaxy_object_panel_find(GALAXY_PANEL_OFFICER);
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(officer_detail_panel_officer(detail), idle);
    frames(20);
    EXPECT_GE(detail->x, panel->x + panel->w) << "beside the list";

    galaxy_assign_officer(idle, ships[1], 1);
    ASSERT_EQ(idle->ship_id, ships[1]->id);
    EXPECT_EQ(text(row_of(panel, idle), OFFICER_ROW_ID_SHIP_NAME), object_get_name(ships[1]));
    EXPECT_EQ(text(row_of(panel, idle), OFFICER_ROW_ID_LOCATION), sector_text(home));
}

}  // namespace
