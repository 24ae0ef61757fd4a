#include <gtest/gtest.h>

#include "platform/colour_fade.h"
#include "ui/control.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"
#include "ui_test_support.h"

namespace {

using namespace ui_test;

int g_clicks = 0;
void count_click(Control *) { ++g_clicks; }

// These buttons show no picture (the image types are not loaded), so their sizes come from the
// caption and the border alone.
class ImageButton : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        image_control_free_all_types();
        g_clicks = 0;
    }
};

TEST_F(ImageButton, ACaptionedButtonClicksWithASoundOnItsHotkeyAndKeepsAFixedWidth) {
    Control *b = image_button_create(11, 6, "Start", count_click, 's', nullptr);
    EXPECT_TRUE(b->flags & CTRL_CLICK_SOUND);
    EXPECT_EQ(b->on_key, count_click);
    EXPECT_EQ(b->hotkey, 's');
    control_destroy(b);
    Control *below = image_dialog_button_create(13, "Accept", count_click, 0, nullptr);
    image_control_set_fixed_width(below, 90);
    EXPECT_EQ(below->w, 90);
    image_control_set_text(below, "A much longer caption", 2, 1, 4);
    EXPECT_EQ(below->w, 90);
    control_destroy(below);
}

TEST_F(ImageButton, HoverBrightensAndHoldingShowsThePressedLook) {
    Control *b = add_top(image_button_create(11, 6, "Go", count_click, 0, nullptr), 0, 0);
    image_of(b)->options |= IMG_FEEDBACK_PRESS;
    mouse_at(3, 3);
    frame(20);
    frame(200);
    EXPECT_EQ(image_of(b)->brightness, 160);
    left_down();
    frame(20);
    frame(20);
    EXPECT_EQ(image_of(b)->brightness, 220);
    EXPECT_EQ(image_control_border_colour(b)->g, 200);
    EXPECT_EQ(g_clicks, 1);
    left_up();
    frame(20);
    frame(500);
    EXPECT_EQ(image_of(b)->brightness, 220);   // still hovered
    mouse_at(500, 500);
    frame(20);
    frame(200);
    EXPECT_EQ(image_of(b)->brightness, 100);
}

TEST_F(ImageButton, HighlightParksTheCallbacksAndRestoresThem) {
    Control *b = image_button_create(11, 6, "Tab", count_click, 't', nullptr);
    image_control_set_highlight(b, true);
    EXPECT_EQ(b->on_click, nullptr);
    EXPECT_EQ(b->on_key, nullptr);
    EXPECT_TRUE(b->flags & CTRL_NO_HINT);
    EXPECT_FALSE(image_of(b)->options & (IMG_BORDER_HOVER | IMG_FEEDBACK_HOVER));
    image_control_set_highlight(b, true);   // twice changes nothing: the parked callbacks survive
    EXPECT_EQ(image_of(b)->saved_click, count_click);
    control_update(b, 200);
    EXPECT_EQ(image_of(b)->grey, 100);
    EXPECT_TRUE(image_of(b)->options & IMG_GREY);
    image_control_set_highlight(b, false);
    EXPECT_EQ(b->on_click, count_click);
    EXPECT_EQ(b->on_key, count_click);
    EXPECT_FALSE(b->flags & CTRL_NO_HINT);
    EXPECT_TRUE(b->flags & CTRL_DISABLED);
    EXPECT_TRUE(b->flags & CTRL_DISABLE_TIMER);
    control_update(b, 200);
    EXPECT_FALSE(b->flags & CTRL_DISABLED);
    EXPECT_FALSE(image_of(b)->options & IMG_GREY);
    control_destroy(b);
}

TEST_F(ImageButton, UnhighlightedButtonIgnoresClicksForAWhile) {
    Control *b = add_top(image_button_create(11, 6, "Tab", count_click, 0, nullptr), 0, 0);
    image_control_set_highlight(b, true);
    image_control_set_highlight(b, false);
    mouse_at(3, 3);
    left_down();
    frame(20);
    EXPECT_EQ(g_clicks, 0);
    left_up();
    frame(200);
    left_down();
    frame(20);
    EXPECT_EQ(g_clicks, 1);
}

TEST_F(ImageButton, BrightnessAnimationWaitsForItsDelay) {
    Control *b = image_control_create(5);
    image_control_animate_brightness_from(b, 0, 100, 200, 50);
    EXPECT_TRUE(image_of(b)->options & IMG_BRIGHTNESS);
    control_update(b, 50);
    EXPECT_EQ(image_of(b)->brightness, 0);
    control_update(b, 100);
    EXPECT_EQ(image_of(b)->brightness, 50);
    control_update(b, 100);
    EXPECT_EQ(image_of(b)->brightness, 100);
    EXPECT_FALSE(image_of(b)->options & IMG_BRIGHTNESS);
    control_update(b, 10);
    EXPECT_FALSE(image_of(b)->options & IMG_BRIGHT_ANIM);
    control_destroy(b);
}

class Tooltips : public ImageButton {};

Control *tooltip() { return game_find_control(game(), CONTROL_ID_TOOLTIP); }

TEST_F(Tooltips, ShowsOnHoverAndGoesOnLeave) {
    Control *b = add_top(image_button_create(11, 6, "Build", count_click, 0, nullptr), 100, 100);
    image_control_set_tooltip(b, true, 0, 0, 0, "Insufficient credits");
    mouse_at(103, 103);
    frame();
    ASSERT_NE(tooltip(), nullptr);
    Control *tip = control_addref(tooltip());   // kept to look at after the sweep
    EXPECT_EQ(tip->layer, CONTROL_LAYER_POPUP);
    EXPECT_TRUE(tip->flags & CTRL_DISABLED);
    EXPECT_EQ(tip->user_data, b);
    EXPECT_TRUE(image_of(b)->options & IMG_CAPTION_HIDDEN);
    const Control *text = panel_of(tip)->children.items[0];
    EXPECT_EQ(text_label_colour(const_cast<Control *>(text))->r, 230);
    EXPECT_EQ(tip->w, 3 + text->w + 3);
    EXPECT_EQ(tip->x + tip->w / 2, 100 + b->w / 2);
    mouse_at(600, 600);
    frame();
    EXPECT_TRUE(tip->flags & CTRL_REMOVED);
    EXPECT_EQ(tooltip(), nullptr);
    EXPECT_FALSE(image_of(b)->options & IMG_CAPTION_HIDDEN);
    control_release(tip);
}

TEST_F(Tooltips, AnotherControlsLeaveDoesNotTakeIt) {
    Control *a = add_top(image_button_create(11, 6, "A", count_click, 0, nullptr), 0, 0);
    Control *b = add_top(image_button_create(11, 6, "B", count_click, 0, nullptr), 300, 0);
    image_control_set_tooltip(b, true, 0, 0, 0, "b's tip");
    mouse_at(303, 3);
    frame();
    ASSERT_NE(tooltip(), nullptr);
    image_control_tooltip_hide(a);
    EXPECT_FALSE(tooltip()->flags & CTRL_REMOVED);
}

TEST_F(Tooltips, GoesWithItsButtonWhenTheButtonIsRemovedWhileHovered) {
    Control *b = add_top(image_button_create(11, 6, "Build", count_click, 0, nullptr), 100, 100);
    image_control_set_tooltip(b, true, 0, 0, 0, "tip");
    mouse_at(103, 103);
    frame();
    Control *tip = control_addref(tooltip());
    ASSERT_NE(tip, nullptr);
    control_remove(b);   // no hover-leave comes for a removed control
    frame();
    frame();
    EXPECT_TRUE(tip->flags & CTRL_REMOVED);
    frame();
    EXPECT_EQ(tooltip(), nullptr);
    EXPECT_EQ(live().size(), 0u);
    control_release(tip);
}

TEST_F(Tooltips, KindTwoShowsBothAmounts) {
    Control *b = add_top(image_button_create(11, 6, "Move", count_click, 0, nullptr), 100, 100);
    image_control_set_tooltip(b, true, 2, 12, 3, nullptr);
    mouse_at(103, 103);
    frame();
    Control *tip = tooltip();
    ASSERT_NE(tip, nullptr);
    ASSERT_EQ(panel_of(tip)->children.items.size(), 4u);
    EXPECT_STREQ(text_label_of(panel_of(tip)->children.items[1])->text, "12");
    EXPECT_STREQ(text_label_of(panel_of(tip)->children.items[3])->text, "3");
    image_control_set_tooltip(b, false, 0, 0, 0, nullptr);
    EXPECT_EQ(b->on_hover_enter, nullptr);
}

}  // namespace
