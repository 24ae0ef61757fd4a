// The scrolling list driven through the input path: the wheel over its rows and its bar, the
// arrows, a thumb drag, the clamp at both ends, the row pick, and the bar's going.
#include <gtest/gtest.h>

#include <vector>

#include "ui/panel.h"
#include "ui/scroll.h"
#include "ui/scroll_list.h"
#include "ui_test_support.h"

namespace {

using namespace ui_test;

constexpr int ROWS = 10, ROW_H = 50, SHOWN = 200, ARROW = 96, WHEEL = 24, BAR_ID = 7;

std::vector<Control *> g_picked;
int g_heard = 0;
void on_pick(Control *row) { g_picked.push_back(row); }
void on_scroll(Control *) { ++g_heard; }

class ScrollListTest : public UiTest {
protected:
    Control *host = nullptr, *viewport = nullptr, *bar = nullptr;
    std::vector<Control *> rows;

    void SetUp() override {
        UiTest::SetUp();
        g_picked.clear();
        g_heard = 0;
        host = add_top(panel_create(300, 300, 0, 0, 0), 50, 50);
        viewport = panel_add_child(host, 10, 10, 1, 0, panel_create_empty());
        control_set_size(viewport, 100, SHOWN);
        ASSERT_NE(scroll_list_init(viewport, ARROW, WHEEL), nullptr);
        scroll_list_set_pick_slot(viewport, on_pick);
        scroll_list_set_scroll_slot(viewport, on_scroll);
        for (int i = 0; i < ROWS; ++i) {
            Control *row = panel_add_child(viewport, 0, i * ROW_H, 0, 0, panel_create(100, ROW_H, 0, 0, 40));
            row->on_click = scroll_list_on_row_click;
            row->on_wheel = scroll_list_on_wheel;
            rows.push_back(row);
        }
        scroll_list_set_content(viewport, ROWS * ROW_H);
        bar = scroll_list_add_bar(viewport, host, 120, 10, BAR_ID, SHOWN, 0);
        ASSERT_NE(bar, nullptr);
    }

    int position() {
        int pos = 0;
        scroll_bar_get(bar, &pos, nullptr);
        return pos;
    }
    int range() {
        int r = 0;
        scroll_bar_get(bar, nullptr, &r);
        return r;
    }
    int offset() { return panel_of(viewport)->scroll_y; }
    Control *row_in_view() { return rows[size_t((offset() + SHOWN / 2) / ROW_H)]; }
};

TEST_F(ScrollListTest, TheWheelOverARowOrTheBarMovesTheContentWithTheBarAndStopsAtBothEnds) {
    ASSERT_GT(range(), 2 * WHEEL);
    wheel_over(rows[1], 1);
    EXPECT_EQ(position(), WHEEL);
    EXPECT_EQ(offset(), (ROWS * ROW_H - SHOWN) * WHEEL / range());
    wheel_over(panel_find_child(bar, SCROLL_TRACK_ID), 1);
    EXPECT_EQ(position(), 2 * WHEEL) << "a notch over the bar's track";
    wheel_over(row_in_view(), -9);
    EXPECT_EQ(position(), 0);
    EXPECT_EQ(offset(), 0);
    wheel_over(row_in_view(), 99);
    EXPECT_EQ(position(), range());
    EXPECT_EQ(offset(), ROWS * ROW_H - SHOWN) << "the last row in view, never past it";
    EXPECT_EQ(g_heard, 4);
}

TEST_F(ScrollListTest, ArrowsStepAndADraggedThumbTakesTheContentAlong) {
    click_control(panel_find_child(bar, SCROLL_FAR_ARROW_ID));
    EXPECT_EQ(position(), ARROW);
    EXPECT_EQ(offset(), (ROWS * ROW_H - SHOWN) * ARROW / range());
    click_control(panel_find_child(bar, SCROLL_NEAR_ARROW_ID));
    click_control(panel_find_child(bar, SCROLL_NEAR_ARROW_ID));
    EXPECT_EQ(position(), 0) << "held at the start";

    Control *track = panel_find_child(bar, SCROLL_TRACK_ID);
    int x = 0, y = 0;
    control_get_screen_position(track, &x, &y);
    mouse_at(x + track->w / 2, y + 10);
    frame();
    left_down();
    frame();
    mouse_at(x + track->w / 2, y + 70);
    frame();
    left_up();
    frame();
    EXPECT_GT(position(), 0);
    EXPECT_EQ(offset(), scroll_bar_content_offset(bar, ROWS * ROW_H - SHOWN));
}

TEST_F(ScrollListTest, AClickedRowGoesToThePickSlotEvenAfterAScroll) {
    wheel_over(row_in_view(), 3);
    Control *row = row_in_view();
    ASSERT_NE(row, rows[0]);
    click_control(row);
    ASSERT_EQ(g_picked.size(), 1u);
    EXPECT_EQ(g_picked[0], row);
}

TEST_F(ScrollListTest, AMovingListMovesItsViewportInsteadOfScrollingIt) {
    scroll_list_set_moving(viewport);
    click_control(panel_find_child(bar, SCROLL_FAR_ARROW_ID));
    EXPECT_EQ(offset(), 0);
    EXPECT_EQ(viewport->y, -scroll_bar_content_offset(bar, ROWS * ROW_H - SHOWN));
    EXPECT_LT(viewport->y, 0);
}

TEST_F(ScrollListTest, WithoutItsBarTheListRestsAtItsStartAndTheBarIsLetGoWithTheViewport) {
    wheel_over(rows[0], 2);
    ASSERT_GT(offset(), 0);
    control_addref(bar);
    scroll_list_remove_bar(viewport);
    EXPECT_EQ(scroll_list_bar(viewport), nullptr);
    EXPECT_EQ(offset(), 0);
    wheel_over(row_in_view(), 2);
    EXPECT_EQ(offset(), 0);
    EXPECT_EQ(g_heard, 2) << "the list hears the wheel with or without a bar";

    ASSERT_NE(scroll_list_add_bar(viewport, host, 120, 10, BAR_ID, SHOWN, 0), nullptr);
    Control *second = scroll_list_bar(viewport);
    control_addref(second);
    control_remove(viewport);
    frame();
    frame();
    EXPECT_EQ(second->user_data, nullptr) << "the bar no longer points at the viewport";
    EXPECT_EQ(scroll_list_of(second), nullptr);
    control_release(second);
    control_release(bar);
}

}  // namespace
