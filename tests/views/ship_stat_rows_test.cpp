// The ship stat rows over a real seeded new game: the UI player's piloted starting ship and a
// pilotless one built from its first design, given an officer through the model.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../screens/galaxy/panels_test_support.h"
#include "game/officer.h"
#include "ui/image_control.h"
#include "ui/text_label.h"
#include "ui/value_bar.h"
#include "views/ship_stat_rows.h"

namespace {

constexpr int STAT_IMAGE_TYPES[] = {IMAGE_ACTION_POINTS, IMAGE_ARMOUR, IMAGE_CREW, IMAGE_MOVEMENT};
constexpr uint32_t ALL_ROWS = SHIP_STAT_ARMOR | SHIP_STAT_CREW | SHIP_STAT_MP | SHIP_STAT_AP;

class ShipStatRows : public galaxy_test::PanelsGame {
protected:
    Ship *piloted = nullptr, *bare = nullptr;
    std::vector<Control *> held;

    void SetUp() override {
        PanelsGame::SetUp();
        for (int type : STAT_IMAGE_TYPES) ASSERT_EQ(image_control_load_type(type), RES_OK) << type;
        Sector *home = nullptr;
        std::vector<Ship *> ours = ui_ships_at_home(2, &home);
        ASSERT_EQ(ours.size(), 2u);
        piloted = ours[0];
        bare = ours[1];
        ASSERT_TRUE(piloted->pilot_id && !bare->pilot_id);
    }
    void TearDown() override {
        for (Control *c : held) control_release(c);
        for (int type : STAT_IMAGE_TYPES) image_control_free_type(type);
        PanelsGame::TearDown();
    }
    Control *build(Ship *ship, uint32_t flags) {
        Control *panel = panel_create_empty();
        held.push_back(control_addref(panel));
        ship_stat_rows_build(panel, ship, ship->hull_flags, flags);
        return panel;
    }
    static Control *bar(Control *panel, int row) { return panel_find_child(panel_find_child(panel, row), SHIP_STAT_BAR); }
    static const ValueBar *bar_of(Control *panel, int row) { return value_bar_of(bar(panel, row)); }
    static std::string caption(Control *panel, int row) {
        const ValueBar *v = bar_of(panel, row);
        return v && (v->flags & BAR_CAPTION) ? v->caption : std::string("(none)");
    }
    static bool grey(Control *panel, int row) {
        return image_of(panel_find_child(panel_find_child(panel, row), SHIP_STAT_ICON))->options & IMG_GREY;
    }
    Officer *new_officer() {
        Officer *o = player_hire_officer(game->ui_player, true, nullptr);
        o->name = "Tamsin Orr";
        o->rank = RANK_COMMANDER;
        return o;
    }
};

TEST_F(ShipStatRows, CaptionsShowValueOfMaximumTheValueAloneAboveItAndNothingWithoutCommander) {
    Control *panel = build(piloted, ALL_ROWS);
    EXPECT_EQ(caption(panel, SHIP_STAT_ROW_CREW), std::to_string(piloted->crew) + "/" + std::to_string(piloted->max_crew));
    EXPECT_EQ(caption(panel, SHIP_STAT_ROW_ARMOR),
              std::to_string(piloted->armour) + "/" + std::to_string(piloted->max_armour));
    EXPECT_EQ(bar_of(panel, SHIP_STAT_ROW_AP)->max, piloted->max_ap);
    EXPECT_FALSE(grey(panel, SHIP_STAT_ROW_CREW));

    // More crew aboard than the hull holds: a full bar captioned with the count alone.
    piloted->crew = piloted->max_crew + 35;
    ship_stat_rows_build(panel, piloted, piloted->hull_flags, ALL_ROWS);
    EXPECT_EQ(caption(panel, SHIP_STAT_ROW_CREW), std::to_string(piloted->crew));
    EXPECT_EQ(bar_of(panel, SHIP_STAT_ROW_CREW)->value, bar_of(panel, SHIP_STAT_ROW_CREW)->max);

    Control *empty = build(bare, ALL_ROWS);
    EXPECT_EQ(caption(empty, SHIP_STAT_ROW_CREW), "(none)");
    EXPECT_EQ(bar_of(empty, SHIP_STAT_ROW_CREW)->max, 1);
    EXPECT_EQ(bar_of(empty, SHIP_STAT_ROW_CREW)->value, 0);
    EXPECT_TRUE(grey(empty, SHIP_STAT_ROW_CREW)) << "no commander: the crew icon is inactive";
}

TEST_F(ShipStatRows, AShipGivenItsFirstCommanderShowsItsRealCrewAtOnce) {
    Control *panel = build(bare, ALL_ROWS);
    ui_test::add_top(panel, 300, 200, 50);
    game_flush_new_controls(game);
    ship_set_pilot(bare, new_officer());
    ship_set_crew(bare, bare->max_crew / 2);
    ASSERT_GT(bare->crew, 1);
    ship_stat_rows_refresh(panel);
    const ValueBar *crew = bar_of(panel, SHIP_STAT_ROW_CREW);
    EXPECT_EQ(crew->max, bare->max_crew) << "the maximum comes with the commander";
    EXPECT_EQ(crew->value, bare->crew) << "set with it, not gliding within the old maximum of 1";
    EXPECT_EQ(caption(panel, SHIP_STAT_ROW_CREW), std::to_string(bare->crew) + "/" + std::to_string(bare->max_crew));
    EXPECT_FALSE(grey(panel, SHIP_STAT_ROW_CREW));

    // The commander leaves: the bar runs down to empty and the icon goes inactive again.
    ship_set_pilot(bare, nullptr);
    ship_stat_rows_refresh(panel);
    frames(20);
    EXPECT_EQ(bar_of(panel, SHIP_STAT_ROW_CREW)->value, 0);
    EXPECT_TRUE(grey(panel, SHIP_STAT_ROW_CREW));
}

TEST_F(ShipStatRows, BarsGlideWithinTheirMaximumAndAreSetAtOnceWhenItChanges) {
    Control *panel = build(piloted, ALL_ROWS);
    ui_test::add_top(panel, 300, 200, 50);
    game_flush_new_controls(game);
    ASSERT_GT(piloted->max_ap, 2);
    piloted->ap = piloted->max_ap;
    ship_stat_rows_refresh(panel);
    frames(20);
    piloted->ap = 1;
    ship_stat_rows_refresh(panel);
    EXPECT_TRUE(bar_of(panel, SHIP_STAT_ROW_AP)->flags & BAR_RUNNING) << "same maximum: the bar glides";
    frames(20);   // about 200 ms
    EXPECT_EQ(bar_of(panel, SHIP_STAT_ROW_AP)->value, 1);

    piloted->max_ap += 6;
    piloted->ap = piloted->max_ap;
    ship_stat_rows_refresh(panel);
    EXPECT_FALSE(bar_of(panel, SHIP_STAT_ROW_AP)->flags & BAR_RUNNING);
    EXPECT_EQ(bar_of(panel, SHIP_STAT_ROW_AP)->value, piloted->max_ap) << "a new maximum: set at once";

    ship_add_armour(piloted, -5);
    ship_stat_rows_refresh(panel);
    frames(20);
    EXPECT_EQ(bar_of(panel, SHIP_STAT_ROW_ARMOR)->value, piloted->armour);
}

TEST_F(ShipStatRows, RowsStandInTwoColumnsAndExplainThemselvesOnHover) {
    Control *two = build(piloted, SHIP_STAT_ARMOR | SHIP_STAT_CREW);
    Control *armour = panel_find_child(two, SHIP_STAT_ROW_ARMOR), *crew = panel_find_child(two, SHIP_STAT_ROW_CREW);
    EXPECT_EQ(panel_find_child(two, SHIP_STAT_ROW_AP), nullptr);
    EXPECT_EQ(armour->x, crew->x) << "two rows: one column";
    EXPECT_GT(crew->y, armour->y + armour->h - 1);
    EXPECT_EQ(two->w, std::max(armour->w, crew->w));

    Control *four = build(piloted, ALL_ROWS);
    Control *mp = panel_find_child(four, SHIP_STAT_ROW_MP), *ap = panel_find_child(four, SHIP_STAT_ROW_AP);
    EXPECT_EQ(mp->y, 0);
    EXPECT_EQ(ap->x, mp->x);
    EXPECT_GE(mp->x, panel_find_child(four, SHIP_STAT_ROW_ARMOR)->w + 16);
    EXPECT_GT(ap->y, mp->y);
    EXPECT_EQ(bar(four, SHIP_STAT_ROW_AP)->x, bar(four, SHIP_STAT_ROW_ARMOR)->x) << "the bars start together";
    EXPECT_EQ(bar(four, SHIP_STAT_ROW_AP)->w, 96);
    ui_test::add_top(four, 300, 200, 50);
    game_flush_new_controls(game);
    frames(2);
    driver.save_screen("ship_stat_rows.png");   // for review

    int x = 0, y = 0;
    control_get_screen_position(panel_find_child(four, SHIP_STAT_ROW_CREW), &x, &y);
    ui_test::mouse_at(x + 4, y + 4);
    frames(30);   // past the 475 ms the row waits for
    Control *popup = find(CONTROL_ID_POPUP);
    ASSERT_NE(popup, nullptr);
    EXPECT_STREQ(text_label_of(panel_find_child(popup, SHIP_STAT_HINT_TITLE))->text, "Crew");
    ASSERT_NE(panel_find_child(popup, SHIP_STAT_HINT_TEXT), nullptr);
    ui_test::mouse_at(2, 760);
    frames(2);
    EXPECT_EQ(find(CONTROL_ID_POPUP), nullptr) << "leaving the row closes its popup";
}

}  // namespace
