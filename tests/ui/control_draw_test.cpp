// What controls put on the screen, replayed into an off-screen surface.
#include <gtest/gtest.h>

#include "platform/colour_fade.h"
#include "platform/draw.h"
#include "platform/font.h"
#include "platform/graphics.h"
#include "ui/line_group.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"
#include "ui/value_bar.h"
#include "ui_test_support.h"

namespace {

using namespace ui_test;

constexpr Rgb BACKDROP{100, 100, 100};

class ControlDrawing : public UiScreenTest {
protected:
    void paint_backdrop() override {
        ui_fill_rect(graphics, 0, 0, GFX_WIDTH, GFX_HEIGHT, BACKDROP.r, BACKDROP.g, BACKDROP.b);
    }
    int changed_in(int x, int y, int w, int h) const {
        int n = 0;
        for (int yy = y; yy < y + h; ++yy)
            for (int xx = x; xx < x + w; ++xx) n += !(pixel(xx, yy) == BACKDROP);
        return n;
    }
};

TEST_F(ControlDrawing, BlackLabelDrawsNothingNotEvenItsBacking) {
    Control *label = text_label_create_plain(2, 0, 0, 0, "Hidden");
    text_label_set_backing(label);
    control_set_position(label, 100, 100);
    render(label);
    EXPECT_EQ(changed_in(95, 95, label->w + 10, label->h + 10), 0);
    colour_fade_set(text_label_colour(label), 200, 200, 200);
    render(label);
    EXPECT_GT(changed_in(100, 100, label->w, label->h), 0);
    control_destroy(label);
}

TEST_F(ControlDrawing, HotkeyHintOnlyForNamedKeysWhileCtrlIsDown) {
    Control *box = control_create(CONTROL_TEXT);
    box->w = 60;
    box->h = 40;
    control_set_position(box, 200, 200);
    box->on_key = [](Control *) {};
    box->hotkey = 'q';
    render(box);
    EXPECT_EQ(changed_in(200, 200, 60, 40), 0) << "no Ctrl, no hint";
    key_down(INPUT_KEY_LCTRL);
    render(box);
    EXPECT_EQ(pixel(200 + 30 - (ui_text_width(2, "Q") + 6) / 2, 220).r, BACKDROP.r >> 4) << "the darkened box";
    bool green = false;
    for (int y = 200; y < 240; ++y)
        for (int x = 200; x < 260; ++x)
            if (pixel(x, y).g > 150 && pixel(x, y).r < 50) green = true;
    EXPECT_TRUE(green) << "the key's name in green";
    box->hotkey = 288;   // a key without a display name
    render(box);
    EXPECT_EQ(changed_in(200, 200, 60, 40), 0);
    box->hotkey = 'q';
    control_set_hint_enabled(box, false);
    render(box);
    EXPECT_EQ(changed_in(200, 200, 60, 40), 0);
    control_destroy(box);
}

TEST_F(ControlDrawing, MarkerAtTheMaximumDarkensNothing) {
    Control *bar = value_bar_create_base(100, 10);
    value_bar_set_value(bar, 0, 100);
    control_set_position(bar, 50, 50);
    value_bar_set_marker(bar, 100);
    render(bar);
    EXPECT_EQ(pixel(140, 55), BACKDROP);
    value_bar_set_marker(bar, 50);
    render(bar);
    EXPECT_EQ(pixel(140, 55).r, BACKDROP.r >> 2);
    EXPECT_EQ(pixel(60, 55), BACKDROP);
    control_destroy(bar);
}

TEST_F(ControlDrawing, LineOffTheScreenCollapsesOntoTheEdgeAndIsSkipped) {
    Control *lines = line_group_create_line(-50, 10, -20, 10, 255, 0, 0);
    render(lines);
    EXPECT_EQ(pixel(0, 10), BACKDROP);
    line_group_set_line(lines, 0, -50, 10, 20, 10);
    render(lines);
    EXPECT_EQ(pixel(5, 10).r, 255);
    control_destroy(lines);
}

TEST_F(ControlDrawing, HigherLayersDrawOverLowerOnesWhateverTheListOrder) {
    add_top(panel_create(50, 50, 200, 0, 0), 10, 10, 5);
    add_top(panel_create(50, 50, 0, 0, 200), 30, 30, 2);
    add_top(panel_create(50, 50, 0, 200, 0), 300, 300, -1);   // below 0: not drawn with sign 1
    render();
    EXPECT_EQ(pixel(40, 40).r, 200);
    EXPECT_EQ(pixel(70, 70).b, 200);
    EXPECT_EQ(pixel(310, 310), BACKDROP);
}

TEST_F(ControlDrawing, PanelClipsItsChildrenAndDrawsItsBevel) {
    Control *panel = panel_create(40, 30, 10, 10, 10);
    panel_set_border(panel, true);
    panel_set_bevel(panel, true);
    colour_fade_set(panel_border_colour(panel), 90, 150, 210);
    panel_add_child(panel, 20, 10, 0, 0, panel_create(100, 100, 250, 250, 0));
    control_set_position(panel, 100, 100);
    control_update(panel, 20);
    render(panel);
    EXPECT_EQ(pixel(125, 100), (Rgb{90, 150, 210}));   // top edge in the border colour
    EXPECT_EQ(pixel(100, 120), (Rgb{30, 50, 70}));     // left edge in a third of it
    EXPECT_EQ(pixel(125, 115), (Rgb{250, 250, 0}));    // the child inside
    EXPECT_EQ(pixel(145, 115), BACKDROP);              // and cut at the panel's edge
    control_destroy(panel);
}

}  // namespace
