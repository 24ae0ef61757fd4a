#include <gtest/gtest.h>

#include <vector>

#include "platform/colour_fade.h"
#include "ui/control.h"
#include "ui/panel.h"
#include "ui/panel_slots.h"
#include "ui_test_support.h"

namespace {

using namespace ui_test;

Control *sized(int w, int h) {
    Control *c = control_create(CONTROL_TEXT);
    c->w = w;
    c->h = h;
    return c;
}

class PanelLayout : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        panel = control_addref(panel_create_empty());
    }
    void TearDown() override {
        control_release(panel);
        UiTest::TearDown();
    }
    Control *panel = nullptr;
};

TEST_F(PanelLayout, EmptyPanelNeedsOneByOne) {
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);
    panel_add_child(panel, -5, -5, 0, 0, sized(3, 3));   // wholly left of and above the origin
    panel_layout(panel, &w, &h);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);
}

TEST_F(PanelLayout, ExtentOfCountedChildren) {
    panel_add_child(panel, 10, 5, 0, 0, sized(20, 10));
    panel_add_child(panel, 0, 40, 0, 0, sized(5, 5));
    Control *fading = panel_add_child(panel, 100, 100, 0, 0, sized(5, 5));
    control_set_fading(fading, true);
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    EXPECT_EQ(w, 30);
    EXPECT_EQ(h, 45);
    panel_relayout(panel);
    EXPECT_EQ(panel->w, 30);
}

TEST_F(PanelLayout, CentreAnchorCarriesOddPixels) {
    control_set_position(panel, 100, 100);
    panel_set_anchor_mode(panel, PANEL_ANCHOR_CENTRE);
    panel_grow(panel, 3, 0);
    EXPECT_EQ(panel->x, 99);
    panel_grow(panel, 3, 0);
    EXPECT_EQ(panel->x, 97);   // 6 wider, 3 further left: centred
}

TEST_F(PanelLayout, EachAnchorKeepsItsEdge) {
    const int modes[] = {PANEL_ANCHOR_NONE, PANEL_ANCHOR_RIGHT, PANEL_ANCHOR_BOTTOM_RIGHT, PANEL_ANCHOR_BOTTOM};
    const int want_x[] = {100, 90, 90, 100};
    const int want_y[] = {100, 100, 95, 95};
    for (int i = 0; i < 4; ++i) {
        control_set_size(panel, 20, 10);
        control_set_position(panel, 100, 100);
        panel_set_anchor_mode(panel, modes[i]);
        control_set_size(panel, 30, 15);
        EXPECT_EQ(panel->x, want_x[i]) << "mode " << modes[i];
        EXPECT_EQ(panel->y, want_y[i]) << "mode " << modes[i];
        panel_set_anchor_mode(panel, PANEL_ANCHOR_NONE);
    }
}

TEST_F(PanelLayout, ScrollFollowsAMoveCausedByResizing) {
    control_set_position(panel, 100, 100);
    panel_set_anchor_mode(panel, PANEL_ANCHOR_RIGHT);
    panel_set_scroll_follow(panel, true);
    control_set_size(panel, panel->w + 10, panel->h);
    EXPECT_EQ(panel_of(panel)->scroll_x, -10);
}

TEST_F(PanelLayout, ResizeAnimationRateAndArrival) {
    control_set_size(panel, 100, 50);
    panel_resize_to(panel, 100, 50, 200);
    EXPECT_FALSE(panel_is_resizing(panel));
    panel_resize_to(panel, 300, 50, 0);
    EXPECT_FALSE(panel_is_resizing(panel));
    panel_resize_to(panel, 200, 50, 200);
    EXPECT_TRUE(panel_is_resizing(panel));
    EXPECT_EQ(panel_of(panel)->rate_x, 500);
    int w = 0;
    control_get_bounds(panel, nullptr, nullptr, &w, nullptr);
    EXPECT_EQ(w, 200);
    control_update(panel, 100);
    EXPECT_EQ(panel->w, 150);
    control_update(panel, 150);
    EXPECT_EQ(panel->w, 200);
    EXPECT_FALSE(panel_is_resizing(panel));
}

TEST_F(PanelLayout, FinishAndStopResizing) {
    control_set_size(panel, 100, 50);
    panel_resize_to(panel, 10, 20, 500);
    control_update(panel, 100);
    panel_stop_resize(panel);
    const int w = panel->w;
    control_update(panel, 100);
    EXPECT_EQ(panel->w, w);
    panel_resize_to(panel, 10, 20, 500);
    panel_finish_resize(panel);
    EXPECT_EQ(panel->w, 10);
    EXPECT_EQ(panel->h, 20);
}

class PanelChildren : public PanelLayout {};

TEST_F(PanelChildren, AddTakesAReferenceAndOptions) {
    Control *c = panel_add_child(panel, 3, 4, 9, 1, sized(1, 1));
    EXPECT_EQ(c->refcount, 1);
    EXPECT_EQ(c->owner, panel);
    EXPECT_TRUE(c->flags & CTRL_IN_PANEL);
    EXPECT_TRUE(c->flags & CTRL_DISABLED);
    EXPECT_EQ(c->id, 9);
    EXPECT_EQ(c->x, 3);
}

TEST_F(PanelChildren, AChildHeldElsewhereOutlivesItsPanelWithoutAnOwner) {
    Control *outer = control_addref(panel_create(50, 50, 0, 0, 0));
    control_set_position(outer, 100, 100);
    Control *child = control_addref(panel_add_child(outer, 5, 5, 0, 0, sized(4, 4)));
    control_release(outer);
    EXPECT_EQ(child->owner, nullptr);
    int x = 0, y = 0;
    control_get_screen_position(child, &x, &y);
    EXPECT_EQ(x, 5);
    control_release(child);
}

TEST_F(PanelChildren, FindSkipsRemovedChildren) {
    Control *first = panel_add_child(panel, 0, 0, 5, 0, sized(1, 1));
    Control *second = panel_add_child(panel, 0, 0, 5, 0, sized(1, 1));
    EXPECT_EQ(panel_find_child(panel, 5), first);
    control_remove(first);
    EXPECT_EQ(panel_find_child(panel, 5), second);
}

TEST_F(PanelChildren, SweepReleasesRemovedChildrenOnTheNextUpdate) {
    Control *keep = panel_add_child(panel, 0, 0, 1, 0, sized(1, 1));
    Control *gone = control_addref(panel_add_child(panel, 0, 0, 2, 0, sized(1, 1)));
    control_remove(gone);
    EXPECT_EQ(panel_of(panel)->children.items.size(), 2u);
    control_update(panel, 20);
    ASSERT_EQ(panel_of(panel)->children.items.size(), 1u);
    EXPECT_EQ(panel_of(panel)->children.items[0], keep);
    EXPECT_EQ(gone->refcount, 1);
    control_release(gone);
}

TEST_F(PanelChildren, RemoveChildrenSparesClosedOnesAndResetsScroll) {
    Control *closing = panel_add_child(panel, 0, 0, 1, 0, sized(1, 1));
    control_set_closed(closing);
    Control *plain = panel_add_child(panel, 0, 0, 2, 0, sized(1, 1));
    panel_set_scroll(panel, 5, 5);
    panel_enable_item_list(panel);
    panel_remove_children(panel);
    EXPECT_FALSE(closing->flags & CTRL_REMOVED);
    EXPECT_TRUE(closing->flags & CTRL_FADING);
    EXPECT_TRUE(plain->flags & CTRL_REMOVED);
    EXPECT_EQ(panel_of(panel)->scroll_x, 0);
    EXPECT_EQ(panel_find_position(panel, 1, 1, nullptr, nullptr), RES_NO_PLACEMENT);
}

TEST_F(PanelChildren, HotkeySearchGoesIntoInnerPanels) {
    Control *inner = panel_add_child(panel, 0, 0, 0, 0, panel_create_empty());
    Control *button = panel_add_child(inner, 0, 0, 0, 0, sized(1, 1));
    button->hotkey = 27;
    EXPECT_FALSE(panel_has_hotkey(panel, 27));   // a hotkey without a callback does not count
    button->on_key = [](Control *) {};
    EXPECT_TRUE(panel_has_hotkey(panel, 27));
    EXPECT_FALSE(panel_has_hotkey(panel, 13));
}

TEST_F(PanelChildren, FadeOutKeepsDrawingChildrenTakesNoInputAndGoesAfterTheTime) {
    panel_set_border(panel, true);
    colour_fade_set(panel_border_colour(panel), 200, 200, 200);
    panel_set_background(panel, true);
    Control *child = panel_add_child(panel, 0, 0, 0, 0, sized(1, 1));
    panel->id = 42;
    panel_fade_out_recursive(panel, 100);
    EXPECT_EQ(panel->id, -1);
    EXPECT_EQ(panel->layer, -4);
    EXPECT_TRUE(panel->flags & CTRL_DISABLED);
    EXPECT_TRUE(panel->flags & CTRL_CLOSED);
    EXPECT_FALSE(panel_of(panel)->flags & PANEL_BACKGROUND);
    EXPECT_TRUE(child->flags & CTRL_FADING);
    EXPECT_FALSE(panel->flags & CTRL_REMOVED);
    control_update(panel, 50);
    EXPECT_LT(panel_border_colour(panel)->r, 200);
    EXPECT_GT(panel_border_colour(panel)->r, 0);
    control_update(panel, 50);
    EXPECT_TRUE(panel->flags & CTRL_REMOVED);
    EXPECT_TRUE(child->flags & CTRL_REMOVED);
}

TEST_F(PanelChildren, BorderFollowsHoverWhileEnabled) {
    panel_set_border_hover(panel, 10, 20, 30, 200, 210, 220, 0);
    panel->flags |= CTRL_HOVERED;
    control_update(panel, 20);
    EXPECT_EQ(panel_border_colour(panel)->r, 200);
    panel->flags &= ~CTRL_HOVERED;
    control_update(panel, 20);
    EXPECT_EQ(panel_border_colour(panel)->r, 10);
}

class PanelPlacement : public PanelLayout {};

TEST_F(PanelPlacement, OffWithoutTheItemList) {
    int x = 7, y = 7;
    EXPECT_EQ(panel_find_position(panel, 10, 10, &x, &y), RES_NO_PLACEMENT);
    EXPECT_EQ(x, 7);
    EXPECT_EQ(panel_auto_position(panel), RES_NO_PLACEMENT);
}

// A 100 x 60 box beside a target: to its left in the right half of the screen, to its right in the
// left half, clamped by bounds, pushed away from a rectangle to avoid.
TEST_F(PanelPlacement, TheItemsPlaceABoxOfTheirSize) {
    struct Item {
        int kind, x, y, w, h;
    };
    const struct {
        const char *what;
        int panel_y;
        std::vector<Item> items;
        int x, y;   // -1: not checked
    } cases[] = {
        {"target in the right half", 100, {{PLACE_BESIDE, 800, 300, 40, 40}}, 700, 320 - 30},
        {"right of the target", 100, {{PLACE_RIGHT_OF, 800, 300, 40, 40}}, 839, -1},
        {"target in the left half", 100, {{PLACE_BESIDE, 100, 300, 40, 40}}, 139, -1},
        {"bounds clamp", 100, {{PLACE_BOUNDS, 10, 32, 984, 696}, {PLACE_LEFT_OF, 20, 20, 40, 40}}, 10, 32},
        {"upper half: below what it avoids", 100, {{PLACE_AVOID, 0, 90, 1024, 50}}, -1, 139},
        {"lower half: above it", 600, {{PLACE_AVOID, 0, 620, 1024, 50}}, -1, 560},
    };
    for (const auto &c : cases) {
        panel_enable_item_list(panel);   // afresh
        control_set_position(panel, 100, c.panel_y);
        for (const Item &i : c.items) panel_add_item(panel, i.kind, i.x, i.y, i.w, i.h);
        int x = 0, y = 0;
        ASSERT_EQ(panel_find_position(panel, 100, 60, &x, &y), RES_OK) << c.what;
        if (c.x >= 0) {
            EXPECT_EQ(x, c.x) << c.what;
        }
        if (c.y >= 0) {
            EXPECT_EQ(y, c.y) << c.what;
        }
    }
}

// A screen fills the slots of the record its builder kept; once another record is the panel's
// state, there are no slots to fill (writing them would scribble on a foreign record).
struct SlotRecord {
    PanelCommandSlots slots;
    int tail = 7;
};
void free_slot_record(void *r) { delete static_cast<SlotRecord *>(r); }
void free_words(void *r) { delete[] static_cast<int *>(r); }

TEST_F(PanelLayout, CommandSlotsOnlyWhileTheBuildersRecordIsTheState) {
    EXPECT_EQ(panel_command_slots(panel), nullptr) << "nothing built";
    auto *record = new SlotRecord();
    panel_set_command_state(panel, &record->slots, free_slot_record);
    PanelCommandSlots *slots = panel_command_slots(panel);
    ASSERT_EQ(slots, &record->slots);
    slots->slot[PANEL_COMMAND_SLOT_COUNT - 1] = [](Control *c) { c->id = 55; };
    EXPECT_EQ(record->tail, 7) << "the slots stay at the record's head";

    control_set_widget_state(panel, new int[4](), free_words);
    EXPECT_EQ(panel_command_slots(panel), nullptr) << "another builder's record has no slots";
    control_set_widget_state(panel, nullptr, nullptr);
    EXPECT_EQ(panel_command_slots(panel), nullptr);
}

// The opener sets a slot, the panel's control calls it with the panel; a slot out of range is
// neither written nor called, and a panel without slots takes nothing.
struct DerivedSlots : PanelCommandSlots {
    int tail = 7;
};
Control *g_slot_called_with = nullptr;
void record_slot_call(Control *panel) { g_slot_called_with = panel; }

TEST_F(PanelLayout, SlotsAreSetByTheOpenerAndCalledWithThePanel) {
    g_slot_called_with = nullptr;
    panel_set_slot(panel, 2, record_slot_call);
    panel_call_slot(panel, 2);
    EXPECT_EQ(g_slot_called_with, nullptr) << "no slots before the build";

    auto *record = new DerivedSlots();
    panel_set_command_state(panel, record, [](void *r) { delete static_cast<DerivedSlots *>(static_cast<PanelCommandSlots *>(r)); });
    panel_set_slot(panel, 2, record_slot_call);
    EXPECT_EQ(record->slot[2], record_slot_call);
    panel_call_slot(panel, 3);
    EXPECT_EQ(g_slot_called_with, nullptr) << "an empty slot is not called";
    panel_call_slot(panel, 2);
    EXPECT_EQ(g_slot_called_with, panel);

    g_slot_called_with = nullptr;
    panel_set_slot(panel, -1, record_slot_call);
    panel_set_slot(panel, PANEL_COMMAND_SLOT_COUNT, record_slot_call);
    panel_call_slot(panel, PANEL_COMMAND_SLOT_COUNT);
    EXPECT_EQ(record->tail, 7);
    EXPECT_EQ(g_slot_called_with, nullptr);
    control_set_widget_state(panel, nullptr, nullptr);
}

}  // namespace
