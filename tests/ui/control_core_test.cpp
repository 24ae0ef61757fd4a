#include <gtest/gtest.h>

#include "platform/colour_fade.h"
#include "platform/movement_path.h"
#include "ui/control.h"
#include "ui/panel.h"
#include "ui/value_bar.h"
#include "ui_test_support.h"

namespace {

using namespace ui_test;

int g_calls[CONTROL_CALLBACK_COUNT];
void count_key(Control *) { ++g_calls[CONTROL_ON_KEY]; }
void count_away(Control *) { ++g_calls[CONTROL_ON_AWAY]; }
void count_outside(Control *) { ++g_calls[CONTROL_ON_OUTSIDE_CLICK]; }
void count_timer(Control *) { ++g_calls[CONTROL_ON_TIMER]; }
void count_key_down(Control *) { ++g_calls[CONTROL_ON_KEY_DOWN]; }
void count_key_up(Control *) { ++g_calls[CONTROL_ON_KEY_UP]; }

class ControlCore : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        for (int &c : g_calls) c = 0;
    }
};

TEST_F(ControlCore, TypeOutsideTheRegistryGivesNoControl) {
    EXPECT_EQ(control_create(9), nullptr);
    EXPECT_EQ(control_create(-1), nullptr);
    ASSERT_NE(control_class(CONTROL_PANEL), nullptr);
    EXPECT_EQ(control_classes_load_assets(9, 0), RES_OUT_OF_RANGE);
}

TEST_F(ControlCore, HiddenForAWhileStillTakesHotkeysAndShowsAgain) {
    Control *panel = panel_create_empty();
    Control *top = add_top(panel, 0, 0);
    panel_of(top)->flags |= PANEL_BORDER | PANEL_BORDER_HOVERED;
    panel_of(top)->border = colour_fade_create();
    panel->hotkey = 'q';
    panel->on_key = count_key;
    control_hide_for(panel, 300);
    EXPECT_TRUE(control_is_shown(panel));
    key_down('q');
    frame(100);
    EXPECT_EQ(g_calls[CONTROL_ON_KEY], 1);
    EXPECT_TRUE(panel->flags & CTRL_HIDDEN);
    frame(199);
    EXPECT_TRUE(panel->flags & CTRL_HIDDEN);
    EXPECT_TRUE(panel_of(panel)->flags & PANEL_BORDER_HOVERED);   // on_show has not run
    frame(1);
    EXPECT_FALSE(panel->flags & CTRL_HIDDEN);
    EXPECT_FALSE(panel->flags & CTRL_SHOW_TIMER);
    EXPECT_FALSE(panel_of(panel)->flags & PANEL_BORDER_HOVERED);  // the panel's on_show ran
}

TEST_F(ControlCore, MoveSlidesToTheTargetAndStopsAndAMoveToTheCurrentPlaceOrInNoTimeOnlyStops) {
    Control *c = control_create(CONTROL_TEXT);
    control_set_position(c, 10, 20);
    c->flags |= CTRL_MOVING;
    control_move_to(c, 10, 20, 100);
    EXPECT_FALSE(c->flags & CTRL_MOVING);
    control_move_to(c, 50, 20, 0);
    EXPECT_FALSE(c->flags & CTRL_MOVING);
    EXPECT_EQ(c->x, 10);
    control_set_position(c, 0, 0);
    control_move_to(c, 100, 50, 200);
    EXPECT_TRUE(c->flags & CTRL_MOVING);
    control_update(c, 100);
    EXPECT_EQ(c->x, 50);
    EXPECT_EQ(c->y, 25);
    int bx = 0, by = 0;
    control_get_bounds(c, &bx, &by, nullptr, nullptr);
    EXPECT_EQ(bx, 100);   // bounds report where it is going
    control_update(c, 150);
    EXPECT_EQ(c->x, 100);
    EXPECT_EQ(c->y, 50);
    EXPECT_FALSE(c->flags & CTRL_MOVING);
    control_destroy(c);
}

TEST_F(ControlCore, RemovingAPanelMarksItsChildrenAtOnce) {
    Control *outer = control_addref(panel_create_empty());
    Control *inner = panel_add_child(outer, 0, 0, 1, 0, panel_create_empty());
    Control *leaf = panel_add_child(inner, 0, 0, 2, 0, control_create(CONTROL_TEXT));
    control_remove(outer);
    EXPECT_TRUE(inner->flags & CTRL_REMOVED);
    EXPECT_TRUE(leaf->flags & CTRL_REMOVED);
    control_release(outer);
}

TEST_F(ControlCore, RemovedLinkedControlTakesItsHolderBeforeTheClassUpdate) {
    Control *bar = control_addref(value_bar_create_base(100, 10));
    value_bar_set_value(bar, 0, 100);
    value_bar_animate_to(bar, 100, 100);
    Control *other = control_create(CONTROL_TEXT);
    control_set_linked(bar, other);
    EXPECT_EQ(other->refcount, 1);
    control_remove(other);
    control_update(bar, 50);
    EXPECT_TRUE(bar->flags & CTRL_REMOVED);
    EXPECT_EQ(value_bar_of(bar)->value, 0);   // the class update did not run
    control_release(bar);                     // releases the linked control too
}

TEST_F(ControlCore, AwayFiresOnceUntilThePointerReturns) {
    Control *c = control_create(CONTROL_TEXT);
    c->on_away = count_away;
    control_update(c, 600);
    control_update(c, 400);
    EXPECT_EQ(g_calls[CONTROL_ON_AWAY], 1);
    control_update(c, 5000);
    EXPECT_EQ(g_calls[CONTROL_ON_AWAY], 1);
    c->flags |= CTRL_HOVERED;
    control_update(c, 20);
    c->flags &= ~CTRL_HOVERED;
    control_update(c, 999);
    EXPECT_EQ(g_calls[CONTROL_ON_AWAY], 1);
    control_update(c, 1);
    EXPECT_EQ(g_calls[CONTROL_ON_AWAY], 2);
    control_destroy(c);
}

TEST_F(ControlCore, OutsideClickUsesTheRectangleTest) {
    Control *c = control_create(CONTROL_TEXT);
    c->w = c->h = 10;
    control_set_position(c, 100, 100);
    c->on_outside_click = count_outside;
    control_set_rect_test(c);
    mouse_at(105, 105);
    left_down();
    control_update(c, 20);
    EXPECT_EQ(g_calls[CONTROL_ON_OUTSIDE_CLICK], 0);
    next_tick();
    left_up();
    next_tick();
    mouse_at(5, 5);
    right_down();
    control_update(c, 20);
    EXPECT_EQ(g_calls[CONTROL_ON_OUTSIDE_CLICK], 1);
    control_destroy(c);
}

TEST_F(ControlCore, TimersRunOutInOrder) {
    Control *c = control_create(CONTROL_TEXT);
    c->on_timer = count_timer;
    control_set_timer(c, 0);
    EXPECT_EQ(c->timer_left, 1);
    control_set_timer(c, 100);
    control_disable_for(c, 50);
    EXPECT_FALSE(control_is_enabled(c) && !(c->flags & CTRL_DISABLE_TIMER));
    control_update(c, 50);
    EXPECT_FALSE(c->flags & CTRL_DISABLED);
    control_update(c, 50);
    control_update(c, 50);
    EXPECT_EQ(g_calls[CONTROL_ON_TIMER], 1);
    control_remove_after(c, 30);
    control_update(c, 29);
    EXPECT_FALSE(c->flags & CTRL_REMOVED);
    control_update(c, 1);
    EXPECT_TRUE(c->flags & CTRL_REMOVED);
    control_destroy(c);
}

TEST_F(ControlCore, RemovalTimerPausesWhileHiddenWhenAskedAndShowForHidesAgain) {
    Control *c = control_create(CONTROL_TEXT);
    control_remove_after(c, 100);
    control_pause_removal_while_hidden(c);
    control_set_hidden(c, false);
    control_update(c, 500);
    EXPECT_FALSE(c->flags & CTRL_REMOVED);
    control_set_hidden(c, true);
    control_update(c, 100);
    EXPECT_TRUE(c->flags & CTRL_REMOVED);
    control_destroy(c);
    Control *shown = control_create(CONTROL_TEXT);
    control_set_hidden(shown, false);
    control_show_for(shown, 40);
    EXPECT_FALSE(shown->flags & CTRL_HIDDEN);
    control_update(shown, 40);
    EXPECT_TRUE(shown->flags & CTRL_HIDDEN) << "shown for a while, then hidden again";
    control_destroy(shown);
}

TEST_F(ControlCore, KeyFocusGetsKeysAndDisabledControlsStillIgnoreHotkeys) {
    Control *field = add_top(control_create(CONTROL_TEXT), 0, 0);
    field->on_key_down = count_key_down;
    field->on_key_up = count_key_up;
    Control *other = add_top(control_create(CONTROL_TEXT), 0, 50);
    other->on_key_down = count_key_down;
    other->hotkey = 'a';
    other->on_key = count_key;
    control_set_enabled(other, false);
    game_set_focus_control(game(), field);
    key_down('a');
    frame();
    EXPECT_EQ(g_calls[CONTROL_ON_KEY_DOWN], 1);   // the focus control only
    EXPECT_EQ(g_calls[CONTROL_ON_KEY], 0);
    EXPECT_FALSE(other->flags & CTRL_HOTKEY_HELD);
    EXPECT_EQ(field->held_key, 'a');
    key_up('a');
    frame();
    EXPECT_EQ(g_calls[CONTROL_ON_KEY_UP], 1);
    EXPECT_EQ(field->held_key, 0);
    key_down('b');
    frame();
    key_down('c');
    frame();   // a new key lifts the held one first
    EXPECT_EQ(g_calls[CONTROL_ON_KEY_UP], 2);
    EXPECT_EQ(g_calls[CONTROL_ON_KEY_DOWN], 3);
}

TEST_F(ControlCore, UserDataAndWidgetStateFreeTheirPredecessors) {
    static int freed = 0;
    freed = 0;
    auto free_fn = [](void *) { ++freed; };
    Control *c = control_create(CONTROL_TEXT);
    int a = 0, b = 0;
    control_set_user_data(c, &a, free_fn);
    control_set_user_data(c, &b, free_fn);
    EXPECT_EQ(freed, 1);
    control_set_widget_state(c, &a, free_fn);
    control_set_widget_state(c, &b, free_fn);
    EXPECT_EQ(freed, 2);
    control_destroy(c);
    EXPECT_EQ(freed, 4);
}

TEST_F(ControlCore, InsideOwnerViewFollowsTheScroll) {
    Control *panel = control_addref(panel_create(100, 50, 0, 0, 0));
    Control *c = panel_add_child(panel, 10, 10, 0, 0, control_create(CONTROL_TEXT));
    c->w = 20;
    c->h = 10;
    EXPECT_TRUE(control_is_inside_owner_view(c));
    panel_set_scroll(panel, 20, 0);
    EXPECT_FALSE(control_is_inside_owner_view(c));
    int sx = 0, sy = 0;
    control_set_position(panel, 200, 300);
    control_get_screen_position(c, &sx, &sy);
    EXPECT_EQ(sx, 190);
    EXPECT_EQ(sy, 310);
    control_release(panel);
}

// A followed thing of the test's own: its rectangle, whether it is still there, its references.
struct Beacon {
    int x = 0, y = 0, w = 0, h = 0;
    bool gone = false;
    int refs = 0;
};
const ControlFollowOps k_beacon_ops = {
    .addref = [](void *t) { ++static_cast<Beacon *>(t)->refs; },
    .release = [](void *t) { --static_cast<Beacon *>(t)->refs; },
    .rect =
        [](const void *t, int *x, int *y, int *w, int *h) {
            const Beacon *b = static_cast<const Beacon *>(t);
            *x = b->x, *y = b->y, *w = b->w, *h = b->h;
            return !b->gone;
        },
};

TEST_F(ControlCore, AnAttachedControlHoldsOneReferenceOnItsTargetAndLetsGoOnEveryWayOut) {
    Beacon first{.x = 100, .y = 50, .w = 40, .h = 20};
    Beacon second{.x = 300, .y = 60, .w = 10, .h = 10};
    Control *c = panel_create_empty();
    control_set_size(c, 20, 8);
    control_attach(c, &first, &k_beacon_ops, 3, -4, 0);
    EXPECT_EQ(first.refs, 1);
    EXPECT_EQ(c->x, 103);
    EXPECT_EQ(c->y, 46);
    control_attach(c, &first, &k_beacon_ops, 0, 0, 2);   // the same target again: no second reference
    EXPECT_EQ(first.refs, 1);
    EXPECT_EQ(c->x, 100 + 20 - 10) << "centred over it";
    control_attach(c, &second, &k_beacon_ops, 0, 0, 0);
    EXPECT_EQ(first.refs, 0) << "a new target lets go of the old";
    EXPECT_EQ(second.refs, 1);
    second.gone = true;
    control_update(c, 20);
    EXPECT_EQ(second.refs, 0) << "a target that is gone is let go";
    EXPECT_FALSE(c->flags & CTRL_ATTACHED);
    EXPECT_EQ(c->x, 300) << "where it last stood";
    control_attach(c, &first, &k_beacon_ops, 0, 0, 0);
    control_destroy(c);
    EXPECT_EQ(first.refs, 0) << "destroying the control lets go";
    Control *lone = panel_create_empty();
    control_attach(lone, &first, nullptr, 0, 0, 0);   // no way to read it: it does not attach
    EXPECT_FALSE(lone->flags & CTRL_ATTACHED);
    EXPECT_EQ(first.refs, 0);
    control_destroy(lone);
}

}  // namespace
