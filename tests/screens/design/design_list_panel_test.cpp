// The design list at the home shipyard of a real seeded game: the price each row shows is what a
// build there charges (discount, paused build) before and after a refresh, the "(New Design)" row
// and picking, and clipping with the wheel.
#include "design_test_support.h"

#include "screens/design/design_list_panel.h"
#include "ui/scroll.h"

using namespace design_test;

namespace {

int picks = 0;
Control *picked_from = nullptr;
void on_pick(Control *outer) {
    ++picks;
    picked_from = outer;
}

}  // namespace

class DesignList : public DesignGame {
protected:
    DesignListState *build() {
        picks = 0;
        picked_from = nullptr;
        design_list_build(top_panel(), yard, on_pick);
        frames(10);
        return design_list_state(panel);
    }
    Control *row(int i) { return list_get(&design_list_state(panel)->rows, i); }
    std::string cost(int i) { return text_of(kid(row(i), DESIGN_ROW_ID_COST)); }
    std::string days(int i) { return text_of(kid(row(i), DESIGN_ROW_ID_DAYS)); }
    // What a build of the design at the yard charges, as the model quotes it.
    std::pair<std::string, std::string> quote(int i) {
        int32_t c = 0, m = 0;
        player_design_build_cost(ui, player_get_design_at(ui, i), yard->sector_id, &c, &m);
        return {"$" + std::to_string(c), std::to_string((m + 1439) / 1440)};
    }
};

TEST_F(DesignList, RowsShowTheDiscountedPriceAndKeepItAfterARefresh) {
    int32_t plain = 0, minutes = 0;
    player_design_build_cost(ui, player_get_design_at(ui, 0), 0, &plain, &minutes);
    discount_home();
    const auto [c, d] = quote(0);
    ASSERT_NE(c, "$" + std::to_string(plain)) << "the home sector must be discounted";

    build();
    EXPECT_EQ(cost(0), c);
    EXPECT_EQ(days(0), d);
    design_list_refresh(panel);
    EXPECT_EQ(cost(0), c) << "a refresh keeps the price the build charges";
    EXPECT_EQ(days(0), d);

    // A paused build of the first design: its saved cost and days left, in build and refresh.
    pause_on(player_get_design_at(ui, 0), 777, 2 * 1440 + 1);
    design_list_refresh(panel);
    EXPECT_EQ(cost(0), "$777");
    EXPECT_EQ(days(0), "3");
    build();
    EXPECT_EQ(cost(0), "$777");
    EXPECT_EQ(days(0), "3");
}

TEST_F(DesignList, NewDesignRowIsLastAndARefreshAfterAnAddedDesignRebuildsTheRows) {
    keep_designs(0);
    DesignListState *s = build();
    ASSERT_EQ(list_count(&s->rows), 1) << "no designs: only (New Design)";
    click(row(0));
    EXPECT_EQ(design_list_get_picked(panel), nullptr);
    add_design("Picket");
    s = build();
    const int n = player_design_count(ui);
    picks = 0;
    ASSERT_EQ(list_count(&s->rows), n + 1);
    EXPECT_EQ(text_of(kid(row(n), DESIGN_ROW_ID_NAME)), "(New Design)");
    EXPECT_EQ(kid(row(n), DESIGN_ROW_ID_COST), nullptr);

    click(row(n));
    EXPECT_EQ(picks, 1);
    EXPECT_EQ(picked_from, panel);
    EXPECT_EQ(design_list_get_picked(panel), nullptr) << "(New Design) picks no design";
    click(row(0));
    EXPECT_EQ(picks, 2);
    EXPECT_EQ(design_list_get_picked(panel), player_get_design_at(ui, 0));

    add_design("Lancer");
    design_list_refresh(panel);
    s = design_list_state(panel);
    ASSERT_EQ(list_count(&s->rows), n + 2);
    EXPECT_EQ(text_of(kid(row(n), DESIGN_ROW_ID_NAME)), "Lancer");
    EXPECT_EQ(cost(n), quote(n).first) << "the new design's row is priced";
    EXPECT_EQ(text_of(kid(row(n + 1), DESIGN_ROW_ID_NAME)), "(New Design)");
    EXPECT_EQ(design_list_get_picked(panel), nullptr);
}

TEST_F(DesignList, TallListIsClippedAt282AndTheWheelScrollsIt) {
    keep_designs(2);
    DesignListState *s = build();
    EXPECT_EQ(kid(panel, DESIGN_LIST_ID_SCROLL), nullptr);
    EXPECT_GE(panel->h, DESIGN_LIST_MIN_HEIGHT);
    Control *area = kid(panel, DESIGN_LIST_ID_AREA);
    ui_test::mouse_at(area->x + panel->x + 10, panel->y + 10);
    ui_test::wheel(1);
    frame();
    EXPECT_EQ(panel_of(area)->scroll_y, 0) << "a short list does not scroll";

    while (player_design_count(ui) < 12) add_design("Picket");
    s = build();
    area = kid(panel, DESIGN_LIST_ID_AREA);
    Control *bar = kid(panel, DESIGN_LIST_ID_SCROLL);
    ASSERT_NE(bar, nullptr);
    EXPECT_GT(s->list_height, DESIGN_LIST_MAX_HEIGHT);
    EXPECT_EQ(area->h, DESIGN_LIST_MAX_HEIGHT);
    EXPECT_EQ(bar->x, area->x + area->w + 2);
    EXPECT_EQ(panel_of(area)->scroll_y, 0);

    int x = 0, y = 0, position = 0, range = 0;
    control_get_screen_position(row(1), &x, &y);
    ui_test::mouse_at(x + 5, y + 5);
    frame();
    ui_test::wheel(1);
    frame();
    scroll_bar_get(bar, &position, &range);
    EXPECT_EQ(position, DESIGN_LIST_WHEEL_STEP);
    ASSERT_GT(range, 0);
    EXPECT_EQ(panel_of(area)->scroll_y, (s->list_height - DESIGN_LIST_MAX_HEIGHT) * position / range);
    for (int i = 0; i < 60; ++i) {
        ui_test::wheel(3);
        frame();
    }
    scroll_bar_get(bar, &position, nullptr);
    EXPECT_EQ(position, range);
    EXPECT_EQ(panel_of(area)->scroll_y, s->list_height - DESIGN_LIST_MAX_HEIGHT) << "never past the last row";
}
