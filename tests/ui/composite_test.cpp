#include <gtest/gtest.h>

#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "platform/colour_fade.h"
#include "ui/control.h"
#include "ui/dialog.h"
#include "ui/image_control.h"
#include "ui/layout.h"
#include "ui/panel.h"
#include "ui/scroll.h"
#include "ui/text_block.h"
#include "ui/text_label.h"
#include "ui/ui_draw.h"
#include "ui_test_support.h"

namespace {

using namespace ui_test;

int g_yes = 0, g_no = 0, g_closed = 0;
void on_yes(Control *) { ++g_yes; }
void on_no(Control *) { ++g_no; }
void on_close(Control *) { ++g_closed; }

Control *button_of_width(int w) {
    Control *b = image_button_create(3, 6, "x", nullptr, 0, nullptr);
    image_control_set_fixed_width(b, w);
    return b;
}

class CompositeTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        g_yes = g_no = g_closed = 0;
    }
};

// Buttons of the given widths laid out by panel_make_with_layout; the panel is released afterwards.
class LayoutHelpers : public CompositeTest {
protected:
    Control *layout(std::initializer_list<int> widths, int flags) {
        List<Control> list;
        items.clear();
        for (int w : widths) {
            items.push_back(button_of_width(w));
            list_append(&list, items.back());
        }
        panel = control_addref(panel_make_with_layout(&list, flags));
        return panel;
    }
    void TearDown() override {
        if (panel) control_release(panel);
        CompositeTest::TearDown();
    }
    std::vector<Control *> items;
    Control *panel = nullptr;
};

TEST_F(LayoutHelpers, ColumnWidensEveryButtonToTheWidestPlusSix) {
    layout({40, 60, 50}, 0);
    Control *a = items[0], *b = items[1], *c = items[2];
    for (Control *item : items) EXPECT_EQ(item->w, 66);
    EXPECT_EQ(a->y, 0);
    EXPECT_EQ(b->y, a->h + 4);
    EXPECT_EQ(c->y, a->h + b->h + 8);
    EXPECT_EQ(panel->w, 66);
    EXPECT_EQ(panel->h, c->y + c->h);
    EXPECT_EQ(a->refcount, 1);   // the panel's; the list holds none
}

TEST_F(LayoutHelpers, TwoColumnsAlternate) {
    layout({30, 30, 30, 30}, LAYOUT_TWO_COLUMN);
    EXPECT_EQ(items[0]->x, 0);
    EXPECT_EQ(items[1]->x, 36 + 4);
    EXPECT_EQ(items[1]->y, 0);
    EXPECT_EQ(items[2]->x, 0);
    EXPECT_EQ(items[2]->y, items[1]->h + 4);
}

TEST_F(LayoutHelpers, EmptyListGivesAnEmptyPanel) {
    layout({}, LAYOUT_ROW);
    EXPECT_TRUE(panel_of(panel)->children.items.empty());
    EXPECT_EQ(panel->w, 1);
    EXPECT_EQ(panel->h, 1);
    EXPECT_EQ(panel_layout_flags(panel), LAYOUT_ROW);
}

TEST_F(LayoutHelpers, RowSpreadsOverALengthWithAGapOfAtLeastTwo) {
    layout({80, 100}, LAYOUT_ROW);
    EXPECT_EQ(items[1]->x, 84);
    panel_spread_children(panel, 300);
    EXPECT_EQ(items[0]->x, 0);
    EXPECT_EQ(items[1]->x, 200);
    EXPECT_EQ(panel->w, 300);
    panel_spread_children(panel, 150);
    EXPECT_EQ(items[1]->x, 82);
}

TEST_F(LayoutHelpers, AnimatedLayoutDisablesForAWhileAndSlides) {
    layout({80}, LAYOUT_ANIMATE | LAYOUT_SLIDE);
    Control *a = items[0];
    EXPECT_TRUE(a->flags & CTRL_DISABLED);
    EXPECT_TRUE(a->flags & CTRL_DISABLE_TIMER);
    EXPECT_EQ(a->x, -a->w);
    EXPECT_TRUE(a->flags & CTRL_MOVING);
    control_update(panel, 200);
    EXPECT_EQ(a->x, 0);
    control_update(panel, 200);
    EXPECT_FALSE(a->flags & CTRL_DISABLED);
}

TEST_F(LayoutHelpers, CascadeShowsButtonsInTurnThenEnablesThemAll) {
    layout({50, 50, 50}, LAYOUT_ROW);
    panel_row_highlight(panel);
    for (Control *item : items) {
        EXPECT_EQ(image_of(item)->brightness, 0);
        EXPECT_TRUE(item->flags & CTRL_DISABLE_TIMER);
    }
    control_update(panel, 60);
    EXPECT_GT(image_of(items[0])->brightness, 0);
    EXPECT_EQ(image_of(items[1])->brightness, 0);
    control_update(panel, 100);
    EXPECT_GT(image_of(items[1])->brightness, 0);
    EXPECT_EQ(image_of(items[2])->brightness, 0);
    control_update(panel, 189);
    EXPECT_TRUE(items[2]->flags & CTRL_DISABLED);
    control_update(panel, 1);   // 350 ms
    for (Control *item : items) EXPECT_FALSE(item->flags & CTRL_DISABLED);
}

TEST_F(LayoutHelpers, CloseChildRemovesNowOrKeepsTheId) {
    layout({50}, LAYOUT_ROW);
    panel->id = 12;
    panel_close_child(panel, 0, false);
    EXPECT_EQ(panel->id, 12);
    EXPECT_FALSE(panel->flags & CTRL_REMOVED);
    EXPECT_TRUE(panel->flags & CTRL_DISABLED);
    panel_close_child(panel, 0, true);
    EXPECT_TRUE(panel->flags & CTRL_REMOVED);
    EXPECT_EQ(panel->id, -1);
}

// A button row set aside while a choice is made keeps its id, dark and deaf, and comes back with
// the cascade; one closed over time loses its id at once and goes when the time is up.
TEST_F(LayoutHelpers, ARowFadedOutComesBackWithTheCascadeOrGoesWhenClosed) {
    layout({50, 50}, LAYOUT_ROW);
    panel->id = 12;
    panel_close_child(panel, 100, false);
    control_update(panel, 600);
    EXPECT_TRUE(panel->id == 12 && !(panel->flags & CTRL_REMOVED));
    for (Control *item : items) EXPECT_TRUE(image_of(item)->brightness == 0 && !control_is_enabled(item));
    panel_row_highlight(panel);
    control_update(panel, 400);
    EXPECT_TRUE(control_is_enabled(panel));
    for (Control *item : items) {
        EXPECT_TRUE(control_is_enabled(item) && image_of(item)->brightness == 100);
        EXPECT_EQ(image_control_border_colour(item)->g, 148);
        EXPECT_EQ(image_control_caption_colour(item)->r, 190);
    }
    panel_close_child(panel, 100, true);
    EXPECT_EQ(panel->id, -1);
    control_update(panel, 60);
    EXPECT_FALSE(panel->flags & CTRL_REMOVED);
    control_update(panel, 40);
    EXPECT_TRUE(panel->flags & CTRL_REMOVED);
}

class QuestionDialog : public CompositeTest {};

TEST_F(QuestionDialog, KeysPressTheButtonsOnlyWhenAsked) {
    add_top(dialog_create("Quit?", "Yes", "No", on_yes, nullptr, on_no, nullptr, 0), 100, 100);
    key_down('y');
    key_down('n');
    frame();
    EXPECT_EQ(g_yes + g_no, 0);
    game_clear_controls(game());
    reset_input();
    add_top(dialog_create("Quit?", "Yes", "No", on_yes, nullptr, on_no, nullptr, DIALOG_KEYS), 100, 100);
    key_down('y');
    frame();
    EXPECT_EQ(g_yes, 1);
    key_down('n');
    frame();
    EXPECT_EQ(g_no, 1);
}

TEST_F(QuestionDialog, NoStandsLeftOfYesFiftyTwoApart) {
    Control *dialog = control_addref(dialog_create("Really?", "Yes", "No", on_yes, nullptr, on_no, nullptr, 1));
    Control *row = panel_find_child(dialog, DIALOG_ROW_ID);
    ASSERT_NE(row, nullptr);
    Control *yes = panel_find_child(row, DIALOG_YES_ID), *no = panel_find_child(row, DIALOG_NO_ID);
    ASSERT_NE(yes, nullptr);
    ASSERT_NE(no, nullptr);
    EXPECT_EQ(no->x, 0);
    EXPECT_EQ(yes->x - (no->x + no->w), 52);
    EXPECT_EQ(row->x, 6);
    EXPECT_EQ(dialog->w, row->x + row->w + 6);
    control_release(dialog);
}

TEST_F(QuestionDialog, EmptyQuestionStillLeavesRoomAboveTheRow) {
    Control *dialog = control_addref(dialog_create("", "Yes", "No", on_yes, nullptr, on_no, nullptr, 0));
    Control *row = panel_find_child(dialog, DIALOG_ROW_ID);
    Control *text = nullptr;
    for (Control *c : panel_of(dialog)->children.items)
        if (c != row) text = c;
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(panel_of(text)->children.items.empty());
    EXPECT_EQ(row->y, text->h + 26);
    control_release(dialog);
}

TEST_F(QuestionDialog, ClickButtonPressesNo) {
    Control *dialog = control_addref(dialog_create("Q", "Yes", "No", on_yes, nullptr, on_no, nullptr, 0));
    dialog_click_button(dialog);
    EXPECT_EQ(g_no, 1);
    EXPECT_EQ(g_yes, 0);
    Control *plain = control_addref(panel_create_empty());
    dialog_click_button(plain);   // a panel without the row: nothing
    EXPECT_EQ(g_no, 1);
    control_release(plain);
    control_release(dialog);
}

TEST_F(QuestionDialog, CostTagSlidesInOnlyWhenAsked) {
    Control *still = control_addref(cost_tag_create(250, 3, 0));
    Control *frame_panel = panel_find_child(still, COST_TAG_FRAME_ID);
    ASSERT_NE(frame_panel, nullptr);
    EXPECT_EQ(frame_panel->x, 0);
    Control *credits = panel_find_child(frame_panel, COST_TAG_CREDITS_LABEL_ID);
    ASSERT_NE(credits, nullptr);
    EXPECT_STREQ(text_label_of(credits)->text, "$250");
    Control *sliding = control_addref(cost_tag_create(250, 3, COST_TAG_SLIDE));
    Control *moving = panel_find_child(sliding, COST_TAG_FRAME_ID);
    EXPECT_EQ(moving->x, -moving->w);
    EXPECT_EQ(sliding->w, still->w);
    control_update(sliding, 200);
    EXPECT_EQ(moving->x, 0);
    control_release(still);
    control_release(sliding);
}

class TextBlock : public CompositeTest {
protected:
    void SetUp() override {
        CompositeTest::SetUp();
        ASSERT_GT(ui_line_height(1), 0) << "the generated store's fonts are needed";
    }
};

std::vector<std::string> label_texts(Control *panel) {
    std::vector<std::string> out;
    for (Control *c : panel_of(panel)->children.items)
        if (const TextLabel *t = text_label_of(c)) out.push_back(t->text);
    return out;
}

TEST_F(TextBlock, CarriageReturnNewlineGivesAnEmptyLine) {
    Control *panel = control_addref(ui_tile_create("alpha\r\nbeta", 1, 500, 0, 200, 200, 200, 0));
    const std::vector<std::string> texts = label_texts(panel);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], "alpha");
    EXPECT_EQ(texts[1], "");
    EXPECT_EQ(texts[2], "beta");
    control_release(panel);
}

TEST_F(TextBlock, WrapsAtTheLastBlankThatFits) {
    const int width = ui_text_width(1, "one two");
    const std::vector<std::string> lines = ui_wrap_text("one two three", 1, width);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "one two");
    EXPECT_EQ(lines[1], "three");
    const std::vector<std::string> long_word = ui_wrap_text("a enormousword b", 1, ui_text_width(1, "abc"));
    ASSERT_EQ(long_word.size(), 3u);
    EXPECT_EQ(long_word[1], "enormousword");   // overflows on its own line
}

TEST_F(TextBlock, MarginZeroStartsAtTheOriginWithTheLabelsExtent) {
    Control *panel = control_addref(ui_tile_create("one two three", 1, ui_text_width(1, "one two"), 0, 9, 9, 9, 0));
    Control *first = panel_of(panel)->children.items[0];
    Control *second = panel_of(panel)->children.items[1];
    EXPECT_EQ(first->x, 0);
    EXPECT_EQ(first->y, 0);
    EXPECT_EQ(first->tag, TEXT_BLOCK_LABEL_TAG);
    EXPECT_EQ(second->y, first->h + 6);
    EXPECT_EQ(panel->w, std::max(first->w, second->w));
    EXPECT_EQ(panel->h, second->y + second->h);
    control_release(panel);
}

TEST_F(TextBlock, CentredLinesAndStaggeredFadeIn) {
    Control *panel = control_addref(
        ui_tile_create("wide line here\nab", 1, 400, 5, 200, 100, 50, TILE_CENTRE | TILE_FADE_IN | TILE_STAGGER));
    Control *wide = panel_of(panel)->children.items[0];
    Control *narrow = panel_of(panel)->children.items[1];
    EXPECT_EQ(narrow->x + narrow->w / 2, (panel->w - 5) / 2 + 5);
    EXPECT_EQ(text_label_colour(wide)->r, 0);
    EXPECT_TRUE(colour_fade_is_waiting(text_label_colour(narrow)));
    control_update(panel, 300);
    EXPECT_EQ(text_label_colour(wide)->r, 200);
    EXPECT_EQ(text_label_colour(narrow)->r, 200);
    control_release(panel);
}

TEST_F(TextBlock, SetTextColourDropsThePulse) {
    Control *panel = control_addref(ui_tile_create("a", 1, 400, 0, 100, 100, 100, TILE_PULSE));
    Control *label = panel_of(panel)->children.items[0];
    control_update(panel, 600);
    EXPECT_GT(text_label_colour(label)->r, 100);
    ui_tile_set_text_colour(panel);
    control_update(panel, 600);
    EXPECT_EQ(text_label_colour(label)->r, 100);
    control_release(panel);
}

class TitleBar : public CompositeTest {};

TEST_F(TitleBar, EscapeClosesOnlyBarsWithACloseButton) {
    add_top(ui_button_create("Fleet", nullptr, on_close, nullptr, TITLE_VALUE_BOX), 0, 0);
    key_down(27);
    frame();
    EXPECT_EQ(g_closed, 0);
    game_clear_controls(game());
    reset_input();
    Control *bar = add_top(ui_button_create("Fleet", "3", on_close, nullptr, TITLE_VALUE_BOX | TITLE_CLOSE), 0, 0);
    Control *close = panel_find_child(bar, TITLE_CLOSE_ID);
    ASSERT_NE(close, nullptr);
    EXPECT_TRUE(close->flags & CTRL_NO_HINT);
    key_down(27);
    frame();
    EXPECT_EQ(g_closed, 1);
}

TEST_F(TitleBar, ResizeWithoutAnimationPutsTheCloseButtonFlushRightAndTheValueBoxTakesTheRest) {
    Control *plain = control_addref(ui_button_create("Fleet", "12", on_close, nullptr, 0));
    EXPECT_EQ(panel_of(plain)->children.items.size(), 1u) << "a plain bar holds only its title";
    EXPECT_NE(panel_find_child(plain, TITLE_LABEL_ID), nullptr);
    control_release(plain);
    Control *bar = control_addref(ui_button_create("Fleet", "3", on_close, nullptr, TITLE_VALUE_BOX | TITLE_CLOSE));
    ui_control_resize(bar, 400, false);
    Control *close = panel_find_child(bar, TITLE_CLOSE_ID);
    Control *box = panel_find_child(bar, TITLE_VALUE_BOX_ID);
    EXPECT_EQ(bar->w, 400);
    EXPECT_EQ(close->x, 400 - close->w - 2);
    EXPECT_EQ(box->w, 400 - box->x - close->w - 6);
    int w = 0;
    ui_button_get_caption_width(bar, 0, &w);
    EXPECT_EQ(w, close->w);
    ui_button_replace_caption(bar, "7");
    Control *value = panel_find_child(box, TITLE_VALUE_LABEL_ID);
    ASSERT_NE(value, nullptr);
    EXPECT_STREQ(text_label_of(value)->text, "7");
    control_release(bar);
}

TEST_F(TitleBar, AnimatedBarGrowsFromTenPixels) {
    Control *bar = control_addref(ui_button_create("Fleet", nullptr, on_close, nullptr, TITLE_ANIMATE));
    EXPECT_EQ(bar->w, 10);
    EXPECT_TRUE(panel_is_resizing(bar));
    control_update(bar, 200);
    EXPECT_FALSE(panel_is_resizing(bar));
    EXPECT_GT(bar->w, 10);
    control_release(bar);
}

// Screens find the parts of these widgets by id: within one panel no two live children share one.
void expect_unique_ids(Control *panel, const std::string &where) {
    const Panel *p = panel_of(panel);
    if (!p) return;
    std::set<int> seen;
    for (Control *c : p->children.items) {
        if (!c || (c->flags & CTRL_REMOVED)) continue;
        if (c->id != 0) {
            EXPECT_TRUE(seen.insert(c->id).second) << where << ": id " << c->id << " twice";
        }
        expect_unique_ids(c, where + "/" + std::to_string(c->id));
    }
}

class WidgetTrees : public CompositeTest {};

TEST_F(WidgetTrees, BuiltPanelsKeepTheirIdsUnique) {
    Control *root = control_addref(panel_create(600, 400, 0, 0, 0));
    panel_add_child(root, 0, 0, 1, 0, dialog_create("Q?", "Yes", "No", on_yes, nullptr, on_no, nullptr, 1));
    panel_add_child(root, 0, 100, 2, 0,
                    ui_button_create("T", "v", on_close, nullptr, TITLE_CLOSE | TITLE_VALUE_BOX));
    panel_add_child(root, 0, 150, 3, 0, scroll_bar_create(200, 0));
    panel_add_child(root, 0, 200, 4, 0, cost_tag_create(1, 2, 0));
    Control *rebuilt = panel_add_child(root, 0, 250, 5, 0, panel_create_empty());
    dialog_build(rebuilt, "first", "a", "b", on_yes, nullptr, on_no, nullptr, 0);
    dialog_build(rebuilt, "second", "a", "b", on_yes, nullptr, on_no, nullptr, 0);   // rebuilt in place
    expect_unique_ids(root, "root");
    EXPECT_NE(panel_find_child(panel_find_child(root, 1), DIALOG_ROW_ID), nullptr);
    control_release(root);
}

}  // namespace
