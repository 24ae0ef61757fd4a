#include <gtest/gtest.h>

#include <vector>

#include "platform/colour_fade.h"
#include "ui/control.h"
#include "ui/game_controls.h"
#include "ui/panel.h"
#include "ui_test_support.h"

namespace {

using namespace ui_test;

std::vector<std::pair<char, int>> g_log;   // (event, control id)
void on_enter(Control *c) { g_log.push_back({'e', c->id}); }
void on_leave(Control *c) { g_log.push_back({'l', c->id}); }
void on_click(Control *c) { g_log.push_back({'c', c->id}); }
void on_hold(Control *c) { g_log.push_back({'h', c->id}); }
void on_dwell(Control *c) { g_log.push_back({'d', c->id}); }
void on_wheel(Control *c) { g_log.push_back({'w', c->id}); }
void on_key(Control *c) { g_log.push_back({'k', c->id}); }

Control *box(int id, int w = 50, int h = 50) {
    Control *c = control_create(CONTROL_TEXT);
    c->id = id;
    c->w = w;
    c->h = h;
    c->on_hover_enter = on_enter;
    c->on_hover_leave = on_leave;
    c->on_click = on_click;
    c->on_hold = on_hold;
    c->on_dwell = on_dwell;
    c->on_wheel = on_wheel;
    c->on_key = on_key;
    return c;
}

int count(char event, int id) {
    int n = 0;
    for (const auto &e : g_log)
        if (e.first == event && e.second == id) ++n;
    return n;
}

class PointerDispatch : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        g_log.clear();
    }
};

TEST_F(PointerDispatch, HighestLayerWinsAndTheLaterOneOnATie) {
    add_top(box(1), 0, 0, 5);
    add_top(box(2), 10, 10, 3);
    add_top(box(3), 20, 20, 5);
    EXPECT_EQ(game_pick_control(game(), 25, 25)->id, 3);
    EXPECT_EQ(game_pick_control(game(), 15, 15)->id, 1);
    EXPECT_EQ(game_pick_control(game(), 65, 65)->id, 3);
    EXPECT_EQ(game_pick_control(game(), 55, 55)->id, 3);
    EXPECT_EQ(game_pick_control(game(), 200, 200), nullptr);
}

TEST_F(PointerDispatch, HiddenDisabledAndRemovedControlsAreNotPicked) {
    add_top(box(1), 0, 0, 0);
    Control *hidden = add_top(box(2), 0, 0, 1);
    Control *disabled = add_top(box(3), 0, 0, 2);
    Control *removed = add_top(box(4), 0, 0, 3);
    control_set_hidden(hidden, false);
    control_disable_for(disabled, 500);   // a timed disable still keeps the pointer off
    control_remove(removed);
    EXPECT_EQ(game_pick_control(game(), 5, 5)->id, 1);
}

TEST_F(PointerDispatch, PanelsHandTheChoiceToTheirChildren) {
    Control *panel = panel_create(200, 200, 0, 0, 0);
    panel->id = 10;
    panel_add_child(panel, 10, 10, 11, 0, box(11))->layer = 4;
    panel_add_child(panel, 20, 20, 12, 0, box(12))->layer = 1;
    panel_add_child(panel, 30, 30, 13, 0, box(13))->layer = 4;
    add_top(panel, 100, 100);
    EXPECT_EQ(game_pick_control(game(), 135, 135)->id, 13);
    EXPECT_EQ(game_pick_control(game(), 125, 125)->id, 11);
    EXPECT_EQ(game_pick_control(game(), 290, 290)->id, 10);
    panel_set_scroll(panel, 10, 10);
    EXPECT_EQ(game_pick_control(game(), 101, 101)->id, 11);
}

TEST_F(PointerDispatch, HoverEnterLeaveClickWithItsSoundAndHold) {
    Control *a = add_top(box(1), 0, 0);
    Control *b = add_top(box(2), 100, 0);
    a->flags |= CTRL_CLICK_SOUND;
    mouse_at(10, 10);
    frame();
    EXPECT_EQ(count('e', 1), 1);
    EXPECT_TRUE(a->flags & CTRL_HOVERED);
    EXPECT_EQ(game()->hover_control, a);
    EXPECT_EQ(a->refcount, 2);
    const int clicks_before = clicks_played();
    left_down();
    frame();
    EXPECT_EQ(clicks_played(), clicks_before + 1);
    EXPECT_EQ(count('c', 1), 1);
    EXPECT_EQ(count('h', 1), 1);
    frame();
    EXPECT_EQ(count('c', 1), 1);   // a click is the press, once
    EXPECT_EQ(count('h', 1), 2);
    EXPECT_TRUE(a->flags & CTRL_PRESSED);
    left_up();
    mouse_at(110, 10);
    frame();
    EXPECT_EQ(count('l', 1), 1);
    EXPECT_EQ(count('e', 2), 1);
    EXPECT_FALSE(a->flags & (CTRL_HOVERED | CTRL_PRESSED));
    EXPECT_EQ(a->refcount, 1);
    EXPECT_TRUE(b->flags & CTRL_HOVERED);
}

// The real poll with the pointer's move, press and release all in one frame's events.
TEST_F(PointerDispatch, AClickWhosePressAndReleaseShareAFrameClicksOnce) {
    add_top(box(1), 0, 0);
    add_top(box(2), 100, 0);
    SDL_Event ev{};
    ev.type = SDL_MOUSEMOTION;
    ev.motion.x = 120;
    ev.motion.y = 20;
    ASSERT_EQ(SDL_PushEvent(&ev), 0);
    for (Uint8 type : {Uint8(SDL_MOUSEBUTTONDOWN), Uint8(SDL_MOUSEBUTTONUP)}) {
        SDL_Event button{};
        button.type = type;
        button.button.button = SDL_BUTTON_LEFT;
        button.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        button.button.x = 120;
        button.button.y = 20;
        ASSERT_EQ(SDL_PushEvent(&button), 0);
    }
    input_poll();
    game_update_controls(game(), 20);
    EXPECT_EQ(count('c', 2), 1);
    EXPECT_EQ(count('c', 1), 0);
    input_poll();
    game_update_controls(game(), 20);
    EXPECT_EQ(count('c', 2), 1) << "one click, not two";
    EXPECT_EQ(input_left_down(), 0) << "the button is up again";
}

TEST_F(PointerDispatch, RemovedHoverControlGetsNoLeaveOnlyItsReferenceDropped) {
    Control *a = control_addref(add_top(box(1), 0, 0));
    mouse_at(5, 5);
    frame();
    control_remove(a);
    frame();
    EXPECT_EQ(count('l', 1), 0);
    EXPECT_EQ(game()->hover_control, nullptr);
    EXPECT_EQ(a->refcount, 1);   // only ours is left: the list and the hover slot let go
    control_release(a);
}

TEST_F(PointerDispatch, DwellFiresOnceAndTheWheelRearmsIt) {
    add_top(box(1), 0, 0);
    mouse_at(5, 5);
    frame(20);
    frame(500);
    wheel(1);
    frame(20);
    EXPECT_EQ(count('w', 1), 1);
    frame(900);
    EXPECT_EQ(count('d', 1), 0);
    frame(200);
    EXPECT_EQ(count('d', 1), 1);
    frame(5000);
    EXPECT_EQ(count('d', 1), 1);
}

class HotkeyDispatch : public PointerDispatch {};

TEST_F(HotkeyDispatch, TopLayerFirstThenListOrder) {
    Control *low = add_top(box(1), 0, 0, 0);
    Control *high_a = add_top(box(2), 0, 0, 7);
    Control *high_b = add_top(box(3), 0, 0, 7);
    low->hotkey = high_a->hotkey = high_b->hotkey = 'x';
    key_down('x');
    frame();
    EXPECT_EQ(count('k', 2), 1);
    EXPECT_EQ(count('k', 3), 0);
    EXPECT_EQ(count('k', 1), 0);
    frame();   // held, not pressed again
    EXPECT_EQ(count('k', 2), 1);
}

TEST_F(HotkeyDispatch, PanelsOfferTheKeyToTheirChildren) {
    Control *panel = panel_create(100, 100, 0, 0, 0);
    Control *skipped = panel_add_child(panel, 0, 0, 11, 0, box(11));
    Control *child = panel_add_child(panel, 0, 0, 12, 0, box(12));
    skipped->hotkey = child->hotkey = 'z';
    control_set_enabled(skipped, false);
    add_top(panel, 0, 0, 2);
    key_down('z');
    const int before = clicks_played();
    frame();
    EXPECT_EQ(clicks_played(), before + 1);   // a hotkey clicks too
    EXPECT_EQ(count('k', 11), 0);
    EXPECT_EQ(count('k', 12), 1);
}

TEST_F(HotkeyDispatch, TimedDisableTakesHotkeysButNotThePointer) {
    Control *c = add_top(box(1), 0, 0);
    c->hotkey = 'g';
    control_disable_for(c, 1000);
    mouse_at(5, 5);
    left_down();
    key_down('g');
    frame();
    EXPECT_EQ(count('k', 1), 1);
    EXPECT_EQ(count('c', 1), 0);
    EXPECT_EQ(count('e', 1), 0);
    Control *d = add_top(box(2), 100, 0);
    d->hotkey = 'h';
    control_set_enabled(d, false);   // without the timer: neither
    key_down('h');
    frame();
    EXPECT_EQ(count('k', 2), 0);
}

TEST_F(HotkeyDispatch, NoHotkeysWhileAControlHoldsTheKeyboard) {
    Control *c = add_top(box(1), 0, 0);
    c->hotkey = 'q';
    Control *field = add_top(box(2), 200, 0);
    game_set_focus_control(game(), field);
    key_down('q');
    frame();
    EXPECT_EQ(count('k', 1), 0);
    key_up('q');
    control_remove(field);
    frame();   // the removed focus control is let go; no hotkeys in that frame
    EXPECT_EQ(game()->focus_control, nullptr);
    key_down('q');
    frame();
    EXPECT_EQ(count('k', 1), 1);
}

class TopLevelLists : public PointerDispatch {};

TEST_F(TopLevelLists, QueuedControlsJoinAtTheEndOfTheUpdate) {
    Control *c = box(1);
    game_add_control(game(), 0, 0, 77, 0, c);
    EXPECT_EQ(game_find_control(game(), 77), nullptr);
    EXPECT_EQ(c->refcount, 0);
    mouse_at(5, 5);
    frame();
    EXPECT_EQ(count('e', 1), 0);   // not hit-tested in the frame it was added
    EXPECT_EQ(game_find_control(game(), 77), c);
    EXPECT_EQ(c->refcount, 1);
    frame();
    EXPECT_EQ(count('e', 77), 1);
}

TEST_F(TopLevelLists, SweepReleasesRemovedControlsKeepingOrder) {
    Control *a = control_addref(add_top(box(1), 0, 0));
    add_top(box(2), 0, 0);
    add_top(box(3), 0, 0);
    control_remove(a);
    frame();
    ASSERT_EQ(live().size(), 2u);
    EXPECT_EQ(live()[0]->id, 2);
    EXPECT_EQ(live()[1]->id, 3);
    EXPECT_EQ(a->refcount, 1);
    control_release(a);
}

TEST_F(TopLevelLists, AddOptionsDisableHideAndName) {
    Control *c = box(0);
    game_add_control(game(), 3, 4, 55, 1 | 2, c);
    EXPECT_EQ(c->x, 3);
    EXPECT_EQ(c->id, 55);
    EXPECT_TRUE(c->flags & CTRL_DISABLED);
    EXPECT_TRUE(c->flags & CTRL_HIDDEN);
}

TEST_F(TopLevelLists, GroupRemovalTakesEveryControlOfTheTagAndTheirChildren) {
    Control *panel = panel_create(10, 10, 0, 0, 0);
    Control *child = panel_add_child(panel, 0, 0, 0, 0, box(9));
    panel->tag = 40001;
    add_top(panel, 0, 0);
    Control *other = add_top(box(1), 0, 0);
    other->tag = 40002;
    game_remove_controls_by_group(game(), 40001);
    EXPECT_TRUE(panel->flags & CTRL_REMOVED);
    EXPECT_TRUE(child->flags & CTRL_REMOVED);
    EXPECT_FALSE(other->flags & CTRL_REMOVED);
}

TEST_F(TopLevelLists, PointerTestsIgnoreLayersBelowOne) {
    Control *marker = add_top(box(1), 0, 0, 0);
    EXPECT_FALSE(game_control_at_point(game(), 5, 5));
    marker->layer = 1;
    EXPECT_TRUE(game_control_at_point(game(), 5, 5));
    control_set_enabled(marker, false);
    EXPECT_TRUE(game_control_at_point(game(), 5, 5));
    EXPECT_FALSE(game_solid_control_at_point(game(), 5, 5));
    control_set_hidden(marker, false);
    EXPECT_FALSE(game_control_at_point(game(), 5, 5));
}

TEST_F(TopLevelLists, EscapeHandlerIsNoneWhileAFieldHasTheKeyboard) {
    Control *panel = panel_create(10, 10, 0, 0, 0);
    Control *close = panel_add_child(panel, 0, 0, 0, 0, box(1));
    close->hotkey = 27;
    add_top(panel, 0, 0);
    EXPECT_TRUE(game_has_escape_handler(game()));
    Control *field = add_top(box(2), 100, 100);
    game_set_focus_control(game(), field);
    EXPECT_FALSE(game_has_escape_handler(game()));
}

TEST_F(TopLevelLists, OpeningAPopupReplacesTheShownAndTheQueuedOne) {
    Control *anchor = add_top(box(1, 40, 20), 900, 300);
    Control *first = add_top(panel_create(100, 60, 0, 0, 0), 0, 0);
    first->id = CONTROL_ID_POPUP;
    Control *waiting = panel_create(100, 60, 0, 0, 0);
    waiting->id = CONTROL_ID_POPUP;
    game_queue_control(game(), waiting);
    Control *popup = panel_create(100, 60, 0, 0, 0);
    ASSERT_EQ(game_open_popup(game(), popup, anchor, PLACE_BESIDE), RES_OK);
    EXPECT_TRUE(first->flags & CTRL_REMOVED);
    ASSERT_EQ(queued().size(), 1u);
    EXPECT_EQ(queued()[0], popup);
    EXPECT_EQ(popup->id, CONTROL_ID_POPUP);
    EXPECT_EQ(popup->layer, CONTROL_LAYER_POPUP);
    EXPECT_TRUE(popup->flags & CTRL_DISABLED);
    // The anchor is in the right half: the popup stands left of it, centred on it.
    EXPECT_EQ(popup->x, 900 - 8 - 100);
    EXPECT_EQ(popup->y, 300 + 10 - 30);
    EXPECT_EQ(popup->linked, anchor);
}

TEST_F(TopLevelLists, FrameFlashSpreadsFourFadingLines) {
    Control *panel = add_top(panel_create(100, 50, 0, 0, 0), 200, 100, 3);
    game_flash_panel_frame(game(), panel);
    ASSERT_EQ(queued().size(), 4u);
    Control *top = queued()[0];
    EXPECT_EQ(top->w, 100);
    EXPECT_EQ(top->h, 2);
    EXPECT_EQ(top->layer, 3);
    frame(20);   // flushed: the lines take part from the next frame on
    for (int i = 0; i < 6; ++i) frame(20);
    EXPECT_LT(top->y, 100 - 20);   // sliding out over 130 ms
    EXPECT_GT(top->y, 100 - 24);
    EXPECT_FALSE(top->flags & CTRL_REMOVED);
    frame(20);
    EXPECT_TRUE(top->flags & CTRL_REMOVED);
    frame();
    EXPECT_EQ(live().size(), 1u);
}

}  // namespace
