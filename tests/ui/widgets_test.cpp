#include <gtest/gtest.h>

#include "platform/colour_fade.h"
#include "ui/control.h"
#include "ui/cursor.h"
#include "ui/line_group.h"
#include "ui/panel.h"
#include "ui/scroll.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"
#include "ui/value_bar.h"
#include "ui_test_support.h"

namespace {

using namespace ui_test;

class TextLabelTest : public UiTest {};

TEST_F(TextLabelTest, TypingTakesItsCharactersAndTheBlinks) {
    Control *label = text_label_create_plain(1, 200, 200, 200, "0123456789");
    text_label_start_typing(label, 30);
    EXPECT_EQ(text_label_typing_duration(label), 300 + 720);
    control_update(label, 30 * 10);
    EXPECT_EQ(text_label_of(label)->typed, 10);
    EXPECT_TRUE(text_label_of(label)->flags & TEXT_TYPED);
    control_update(label, 719);
    EXPECT_TRUE(text_label_of(label)->flags & TEXT_TYPING);
    control_update(label, 1);
    EXPECT_FALSE(text_label_of(label)->flags & (TEXT_TYPING | TEXT_TYPED));
    control_destroy(label);
}

TEST_F(TextLabelTest, SizeIsTheFormattedTextsOrZeroOrTheCursorWhenEmpty) {
    Control *formatted = text_label_create(2, 1, 2, 3, "%i/%s", 42, "x");
    EXPECT_STREQ(text_label_of(formatted)->text, "42/x");
    EXPECT_EQ(formatted->w, ui_text_width(2, "42/x"));
    EXPECT_EQ(formatted->h, ui_line_height(2));
    control_destroy(formatted);
    Control *label = text_label_create_plain(1, 200, 200, 200, "abc");
    text_label_set_text(label, "");
    EXPECT_EQ(label->w, 0);
    text_label_start_typing(label, 10);
    EXPECT_EQ(label->w, 2 + ui_space_advance(1));
    control_destroy(label);
}

TEST_F(TextLabelTest, HoverColourFollowsThePointer) {
    Control *label = text_label_create_plain(1, 0, 0, 0, "go");
    text_label_enable_hover(label);
    EXPECT_EQ(text_label_colour(label)->g, 240);
    label->flags |= CTRL_HOVERED;
    control_update(label, 80);   // 253 units in 80 ms move one unit per ms
    EXPECT_EQ(text_label_colour(label)->r, 80);
    control_update(label, 200);
    EXPECT_EQ(text_label_colour(label)->r, 253);
    label->flags &= ~CTRL_HOVERED;
    control_update(label, 300);
    EXPECT_EQ(text_label_colour(label)->r, 0);
    control_destroy(label);
}

class LineGroupTest : public UiTest {};

TEST_F(LineGroupTest, BoundsAreInclusiveExtents) {
    Control *lines = line_group_create_line(5, 7, 2, 7, 255, 0, 0);
    int x = 0, y = 0, w = 0, h = 0;
    line_group_get_bounds(lines, &x, &y, &w, &h);
    EXPECT_EQ(x, 2);
    EXPECT_EQ(y, 7);
    EXPECT_EQ(w, 4);
    EXPECT_EQ(h, 1);
    line_group_fit_bounds(lines, &x, &y);
    EXPECT_EQ(line_group_of(lines)->lines[0].x2, 0);
    EXPECT_EQ(lines->w, 4);
    control_destroy(lines);
}

TEST_F(LineGroupTest, LineOutsideTheGroupChangesNothing) {
    Control *lines = line_group_create(2);
    line_group_set_line(lines, 3, 1, 1, 9, 9);
    line_group_set_line(lines, 1, 1, 2, 3, 4);
    EXPECT_EQ(line_group_of(lines)->lines[1].y2, 4);
    EXPECT_EQ(line_group_of(lines)->lines[0].x2, 0);
    EXPECT_EQ(line_group_line_colour(lines, 2), nullptr);
    int w = -1;
    Control *empty = line_group_create(0);
    line_group_get_bounds(empty, nullptr, nullptr, &w, nullptr);
    EXPECT_EQ(w, 0);
    control_destroy(lines);
    control_destroy(empty);
}

TEST_F(LineGroupTest, EffectClockWrapsAtASecond) {
    Control *lines = line_group_create(1);
    line_group_start_effect(lines);
    control_update(lines, 700);
    control_update(lines, 700);
    EXPECT_EQ(line_group_of(lines)->clock, 400);
    control_destroy(lines);
}

class ValueBarTest : public UiTest {};

TEST_F(ValueBarTest, ValueAndMarkerAreClampedAndMaxAtLeastOne) {
    Control *bar = value_bar_create(100, 10, 150, 100);
    EXPECT_EQ(value_bar_of(bar)->value, 100);
    EXPECT_EQ(value_bar_of(bar)->caption, "100/100");
    value_bar_set_value(bar, 5, 0);
    EXPECT_EQ(value_bar_of(bar)->max, 1);
    EXPECT_EQ(value_bar_of(bar)->value, 1);
    value_bar_set_value(bar, -3, 10);
    EXPECT_EQ(value_bar_of(bar)->value, 0);
    value_bar_set_marker(bar, -5);
    EXPECT_EQ(value_bar_of(bar)->marker, 0);
    EXPECT_TRUE(value_bar_of(bar)->flags & BAR_MARKER);
    control_destroy(bar);
}

TEST_F(ValueBarTest, RunMovesOneUnitPerPeriod) {
    Control *bar = value_bar_create_base(100, 10);
    value_bar_set_value(bar, 0, 10);
    value_bar_animate_to(bar, 10, 1000);
    EXPECT_EQ(value_bar_of(bar)->period, 100);
    control_update(bar, 99);
    EXPECT_EQ(value_bar_of(bar)->value, 0);
    control_update(bar, 1);
    EXPECT_EQ(value_bar_of(bar)->value, 1);
    control_update(bar, 5000);
    EXPECT_EQ(value_bar_of(bar)->value, 10);
    value_bar_set_value(bar, 0, 10);
    value_bar_animate_to(bar, 10, 5);
    EXPECT_EQ(value_bar_of(bar)->period, 1);
    control_destroy(bar);
}

TEST_F(ValueBarTest, DefaultStopsGiveHalfwayBetweenRedAndYellowAtAQuarter) {
    Control *bar = value_bar_create_with_text(100, 25, 100);
    const ColourFade *fill = value_bar_fill_colour(bar);
    EXPECT_EQ(fill->r, 120);
    EXPECT_EQ(fill->g, 60);
    EXPECT_EQ(fill->b, 0);
    value_bar_set_value(bar, 100, 100);
    EXPECT_EQ(fill->r, 0);
    EXPECT_EQ(fill->g, 120);
    value_bar_set_value(bar, 0, 100);
    EXPECT_EQ(fill->r, 120);
    EXPECT_EQ(fill->g, 0);
    control_destroy(bar);
}

int g_scrolls = 0;
void count_scroll(Control *) { ++g_scrolls; }

class ScrollTrackTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        g_scrolls = 0;
    }
};

TEST_F(ScrollTrackTest, ThumbClampsAndReportsOnlyChangesAndAShortTrackHasNoRange) {
    Control *track = scroll_track_create(1, 100, 12);
    scroll_track_enable_thumb(track);
    scroll_track_set_callback(track, count_scroll);
    scroll_track_set_thumb(track, -20);
    EXPECT_EQ(scroll_track_of(track)->thumb_pos, 7);
    EXPECT_EQ(g_scrolls, 0);   // it was there already
    scroll_track_set_thumb(track, 500);
    int pos = 0, range = 0;
    scroll_track_get_thumb(track, &pos, &range);
    EXPECT_EQ(range, 100 - 14 - 2);
    EXPECT_EQ(pos, range);
    EXPECT_EQ(g_scrolls, 1);
    control_destroy(track);
    Control *short_track = scroll_track_create(1, 10, 12);   // shorter than its thumb: no range
    scroll_track_enable_thumb(short_track);
    scroll_track_set_thumb(short_track, 5);
    scroll_track_get_thumb(short_track, &pos, &range);
    EXPECT_EQ(range, 0);
    EXPECT_EQ(pos, 0);
    control_destroy(short_track);
}

TEST_F(ScrollTrackTest, DragFollowsThePointerAndEndsFarToTheSide) {
    Control *track = add_top(scroll_track_create(0, 200, 12), 100, 100);
    scroll_track_enable_thumb(track);
    mouse_at(150, 105);
    frame();
    left_down();
    frame();   // hovered and pressed: the drag starts
    EXPECT_TRUE(scroll_track_of(track)->flags & TRACK_DRAGGING);
    mouse_at(180, 105 + 40);
    frame();
    EXPECT_EQ(scroll_track_of(track)->thumb_pos, 80);
    mouse_at(190, 100 + 12 + 49);
    frame();
    EXPECT_FALSE(scroll_track_of(track)->flags & TRACK_DRAGGING);
}

TEST_F(ScrollTrackTest, BarPositionNeverCallsTheScreenAndStaysInRange) {
    Control *bar = scroll_bar_create(150, 0);
    scroll_bar_set_change_slot(bar, count_scroll);
    int pos = -1, range = -1;
    scroll_bar_get(bar, &pos, &range);
    EXPECT_EQ(pos, 0);
    EXPECT_GT(range, 0);
    scroll_bar_set_position(bar, 30);
    EXPECT_EQ(g_scrolls, 0);
    scroll_bar_get(bar, &pos, nullptr);
    EXPECT_EQ(pos, 30);
    scroll_bar_set_position(bar, range + 40);   // a wheel notch past the end
    scroll_bar_get(bar, &pos, nullptr);
    EXPECT_EQ(pos, range);
    scroll_bar_set_position(bar, -4);
    scroll_bar_get(bar, &pos, nullptr);
    EXPECT_EQ(pos, 0);
    EXPECT_EQ(g_scrolls, 0);
    ScrollBarState *state = scroll_bar_state(bar);
    ASSERT_NE(state, nullptr);
    state->position = 50;
    state->range = 100;
    EXPECT_EQ(scroll_bar_content_offset(bar, 300), 150);
    state->range = 0;
    EXPECT_EQ(scroll_bar_content_offset(bar, 300), 0) << "no range, no offset";
    control_destroy(bar);
}

TEST_F(ScrollTrackTest, BarChildrenAndSlots) {
    Control *bar = scroll_bar_create(150, 0);
    Control *track = panel_find_child(bar, SCROLL_TRACK_ID);
    ASSERT_NE(track, nullptr);
    ASSERT_NE(panel_find_child(bar, SCROLL_NEAR_ARROW_ID), nullptr);
    Control *far_arrow = panel_find_child(bar, SCROLL_FAR_ARROW_ID);
    ASSERT_NE(far_arrow, nullptr);
    scroll_bar_set_first_slot(bar, count_scroll);
    far_arrow->on_click(far_arrow);
    EXPECT_EQ(g_scrolls, 1);
    scroll_bar_set_change_slot(bar, count_scroll);
    scroll_track_set_thumb(track, 20);   // a drag reports through on_change
    EXPECT_EQ(g_scrolls, 2);
    int pos = 0;
    scroll_bar_get(bar, &pos, nullptr);
    EXPECT_EQ(pos, 20);
    scroll_bar_set_length(bar, 300);
    int range = 0;
    scroll_bar_get(bar, nullptr, &range);
    EXPECT_EQ(range, scroll_track_of(track)->length - 16);
    EXPECT_EQ(g_scrolls, 2);
    control_destroy(bar);
}

class CursorTest : public ::testing::Test {};

TEST_F(CursorTest, ThreeFramesBounceShowingTheLastTwiceAndOneNeverChanges) {
    Cursor cursor;
    cursor.frame_count = 3;
    const int expected[] = {0, 1, 2, 2, 1, 0, 1, 2, 2, 1, 0, 1};
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(cursor.index, expected[i]) << "period " << i;
        cursor_update(&cursor, 100);
    }
    cursor.index = 0;
    cursor.frame_count = 1;
    for (int i = 0; i < 5; ++i) cursor_update(&cursor, 100);
    EXPECT_EQ(cursor.index, 0);
    cursor.frame_count = 0;
}

}  // namespace
