// The drop-down choice, the text entry, the transfer slider, stat-row tables and icon rows, driven
// through the game's control pass as the player would use them.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "platform/colour_fade.h"
#include "ui/choice.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/scroll.h"
#include "ui/stat_rows.h"
#include "ui/text_entry.h"
#include "ui/text_label.h"
#include "ui/transfer_slider.h"
#include "support/state_guards.h"
#include "ui_test_support.h"

namespace {

using namespace ui_test;

std::tuple<int, int, int> rgb(const ColourFade *c) { return {c->r, c->g, c->b}; }

const char *label_text(Control *label) { return label ? text_label_of(label)->text : ""; }

// ---- Drop-down choice -------------------------------------------------------------------------------

int g_changes = 0;
Control *g_changed = nullptr;
void count_change(Control *c) {
    ++g_changes;
    g_changed = c;
}

class Choice : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        g_changes = 0;
        g_changed = nullptr;
    }
    Control *make(int value, int x = 100, int y = 100) {
        List<ChoiceItem> *items = choice_items_create();
        std::string text;
        int v = 2;
        for (const char *name : {"Slow", "Normal", "Fast"}) {
            text = name;   // the caller's buffer changes after each add
            choice_add_item(items, v, text.c_str());
            v += 2;
        }
        text = "gone";
        Control *choice = choice_create(items, value);
        control_set_size(choice, 120, 22);
        choice_row_set_width(choice, 120);   // as the option screens size their rows
        choice_set_on_change(choice, count_change);
        return add_top(choice, x, y, 2);
    }
    static Control *popup() { return game_find_control(game(), CHOICE_POPUP_ID); }
    void click_at(int x, int y) {
        mouse_at(x, y);
        frame();
        left_down();
        frame();
        left_up();
        frame();
    }
    void open(Control *choice) { click_at(choice->x + 5, choice->y + 5); }
    static Control *row_of(Control *list, int value) {
        for (Control *row : panel_of(list)->children.items)
            if (panel_of(row)->value == value) return row;
        return nullptr;
    }
};

TEST_F(Choice, ShowsTheCurrentItemAndItsOwnCopiesOfTheTexts) {
    Control *choice = make(4);
    Control *label = panel_find_child(choice, CHOICE_LABEL_ID);
    ASSERT_NE(label, nullptr);
    EXPECT_STREQ(label_text(label), "Normal");
    EXPECT_EQ(label->x, choice->w / 2 - label->w / 2);
    const ChoiceState *state = choice_state(choice);
    ASSERT_EQ(list_count(state->items), 3);
    EXPECT_EQ(list_get(state->items, 2)->text, "Fast");
    EXPECT_EQ(panel_find_child(make(99, 300, 100), CHOICE_LABEL_ID), nullptr) << "no item of that value";
}

TEST_F(Choice, OpeningListsEveryItemAndPickingAnotherCallsOnChangeOnceTheSameOnlyCloses) {
    Control *choice = make(4);
    open(choice);
    Control *list = popup();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->user_data, choice);
    EXPECT_EQ(list->linked, choice);
    ASSERT_EQ(panel_of(list)->children.items.size(), 3u);
    const Control *first = panel_of(list)->children.items[0], *second = panel_of(list)->children.items[1];
    EXPECT_EQ(second->y, first->y + first->h) << "rows stacked without gaps";
    EXPECT_EQ(first->w, choice->w);
    for (int i = 0; i < 8; ++i) frame();   // grown to its full size around the choice's centre
    EXPECT_GE(list->h, first->h * 3);
    Control *fast = row_of(list, 6);
    ASSERT_NE(fast, nullptr);
    EXPECT_STREQ(label_text(panel_of(fast)->children.items[0]), "Fast");
    fast->on_click(fast);
    EXPECT_EQ(g_changes, 1);
    EXPECT_EQ(g_changed, choice);
    EXPECT_EQ(choice_get_value(choice), 6);
    EXPECT_STREQ(label_text(panel_find_child(choice, CHOICE_LABEL_ID)), "Fast");
    frame();
    EXPECT_EQ(popup(), nullptr);
    open(choice);   // picking the current item only closes
    ASSERT_NE(popup(), nullptr);
    Control *same = row_of(popup(), 6);
    same->on_click(same);
    frame();
    EXPECT_EQ(g_changes, 1);
    EXPECT_EQ(popup(), nullptr);
    EXPECT_EQ(choice_get_value(choice), 6);
}

TEST_F(Choice, OneListAtATimeAndItClosesOnAClickElsewhereOrWhenLeft) {
    Control *a = make(4, 100, 100), *b = make(6, 400, 100);
    open(a);
    Control *first = popup();
    ASSERT_NE(first, nullptr);
    control_addref(first);
    open(b);
    EXPECT_TRUE(first->flags & CTRL_REMOVED);
    ASSERT_NE(popup(), nullptr);
    EXPECT_EQ(popup()->user_data, b);
    control_release(first);
    click_at(700, 600);   // elsewhere
    EXPECT_EQ(popup(), nullptr);
    EXPECT_EQ(g_changes, 0);
    open(a);
    ASSERT_NE(popup(), nullptr);
    mouse_at(700, 600);
    for (int t = 0; t < 1100 && popup(); t += 20) frame();
    EXPECT_EQ(popup(), nullptr) << "the pointer stayed away for the away delay";
}

TEST_F(Choice, NameAndDescriptionOpenADetailBesideTheList) {
    Control *choice = make(4);
    choice_set_texts(choice_state(choice), "Galaxy speed", "How many game days pass each second.");
    open(choice);
    ASSERT_NE(popup(), nullptr);
    EXPECT_NE(game_find_control(game(), CONTROL_ID_POPUP), nullptr);
}

// ---- Text entry -------------------------------------------------------------------------------------

constexpr int KEY_BACKSPACE = 8, KEY_ENTER = 13, KEY_ESCAPE = 27, KEY_F1 = 282;

int g_accepted = 0, g_cancelled = 0;
void on_accept(Control *) { ++g_accepted; }
void on_cancel(Control *) { ++g_cancelled; }

class TextEntry : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        g_accepted = g_cancelled = 0;
    }
    Control *make(const char *text, int options) {
        Control *field = text_entry_create(text, 240, options);
        text_entry_set_accept_fn(field, on_accept);
        text_entry_state(field)->cancel_fn = on_cancel;
        return add_top(field, 50, 50, 2);
    }
    void press(int key) {
        key_down(key);
        frame();
        key_up(key);
        frame();
    }
    void type(const char *text) {
        for (const char *c = text; *c; ++c) press(*c);
    }
    static Control *accept_button(Control *field) { return panel_find_child(field, TEXT_ENTRY_ACCEPT_ID); }
    static bool accept_on(Control *field) { return !(accept_button(field)->flags & CTRL_DISABLED); }
};

TEST_F(TextEntry, EditingTakesTheKeyboardAndEnterAccepts) {
    Control *field = make("Alpha", 0);
    EXPECT_EQ(field->w, 240);
    EXPECT_FALSE(text_entry_is_editing(field));
    text_entry_begin_edit(field);
    EXPECT_TRUE(text_entry_is_editing(field));
    EXPECT_EQ(game()->focus_control, field);
    ASSERT_NE(accept_button(field), nullptr);
    ASSERT_NE(panel_find_child(field, TEXT_ENTRY_CANCEL_ID), nullptr);
    type("b2");
    EXPECT_STREQ(text_entry_get_text(field), "Alphab2");
    press(KEY_ENTER);
    EXPECT_FALSE(text_entry_is_editing(field));
    EXPECT_EQ(g_accepted, 1);
    EXPECT_EQ(game()->focus_control, nullptr);
    EXPECT_STREQ(label_text(text_entry_state(field)->label), "Alphab2");
    frame();
    EXPECT_EQ(accept_button(field), nullptr);
}

TEST_F(TextEntry, ReplaceMakesTheFirstKeyReplaceAndTheFirstBackspaceEmpty) {
    Control *field = make("Autosave 3", TEXT_ENTRY_REPLACE);
    text_entry_begin_edit(field);
    press(KEY_F1);   // types nothing: the text stays, still to be replaced
    EXPECT_STREQ(text_entry_get_text(field), "Autosave 3");
    type("x");
    EXPECT_STREQ(text_entry_get_text(field), "x");
    type("y");
    EXPECT_STREQ(text_entry_get_text(field), "xy");
    press(KEY_ESCAPE);
    text_entry_select_all(field);
    text_entry_begin_edit(field);
    press(KEY_BACKSPACE);
    EXPECT_STREQ(text_entry_get_text(field), "");
}

TEST_F(TextEntry, MaximumLengthIgnoresFurtherKeysButNotBackspace) {
    Control *field = make(std::string(254, 'a').c_str(), 0);
    text_entry_set_max_length(field, 255);
    text_entry_begin_edit(field);
    type("bc");
    EXPECT_EQ(std::string(text_entry_get_text(field)), std::string(254, 'a') + "b");
    press(KEY_BACKSPACE);
    EXPECT_EQ(std::string(text_entry_get_text(field)).size(), 254u);
}

TEST_F(TextEntry, RequireTextTurnsAcceptOffForABlankTextAndOnAgain) {
    Control *field = make("A", TEXT_ENTRY_REQUIRE_TEXT);
    text_entry_begin_edit(field);
    EXPECT_TRUE(accept_on(field));
    type(" ");
    press(KEY_BACKSPACE);
    press(KEY_BACKSPACE);   // "" now
    EXPECT_FALSE(accept_on(field));
    EXPECT_FALSE(text_entry_is_valid(field));
    press(KEY_ENTER);
    EXPECT_TRUE(text_entry_is_editing(field)) << "Enter does nothing while the text is blank";
    type(" ");
    EXPECT_FALSE(accept_on(field)) << "blanks only";
    type("q");
    EXPECT_TRUE(accept_on(field));
    press(KEY_ENTER);
    EXPECT_EQ(g_accepted, 1);
    EXPECT_STREQ(text_entry_get_text(field), " q");
}

TEST_F(TextEntry, RequireChangeWaitsForTheFirstHandledKeyEvenABackspace) {
    Control *field = make("Vigil", TEXT_ENTRY_REQUIRE_CHANGE);
    EXPECT_FALSE(text_entry_is_valid(field));
    text_entry_begin_edit(field);
    EXPECT_FALSE(accept_on(field));
    accept_button(field)->on_click(accept_button(field));
    EXPECT_TRUE(text_entry_is_editing(field)) << "accept is off";
    press(KEY_F1);
    EXPECT_FALSE(accept_on(field)) << "a key that types nothing is no change";
    press(KEY_BACKSPACE);
    EXPECT_TRUE(accept_on(field));
    EXPECT_TRUE(text_entry_is_valid(field));
    text_entry_accept(field);
    EXPECT_EQ(g_accepted, 1);
    EXPECT_STREQ(text_entry_get_text(field), "Vigi");
}

TEST_F(TextEntry, EscapeBringsBackTheTextOfThisEditNotTheFirst) {
    Control *field = make("One", 0);
    text_entry_begin_edit(field);
    type("x");
    press(KEY_ENTER);
    text_entry_begin_edit(field);
    type("yz");
    press(KEY_ESCAPE);
    EXPECT_STREQ(text_entry_get_text(field), "Onex");
    EXPECT_EQ(g_cancelled, 1);
    EXPECT_EQ(g_accepted, 1);
    EXPECT_EQ(game()->focus_control, nullptr);
    text_entry_close(field);   // not editing: nothing more
    EXPECT_EQ(g_cancelled, 1);
}

TEST_F(TextEntry, TheCursorStaysInViewOfALongText) {
    Control *field = make("", TEXT_ENTRY_ICON | TEXT_ENTRY_ATTENTION);
    EXPECT_NE(panel_find_child(field, TEXT_ENTRY_ICON_ID), nullptr);
    EXPECT_NE(panel_find_child(field, TEXT_ENTRY_ATTENTION_ID), nullptr);
    text_entry_begin_edit(field);
    frame();
    EXPECT_EQ(panel_find_child(field, TEXT_ENTRY_ATTENTION_ID), nullptr);
    type("the quick brown fox jumps over the lazy dog again and again");
    Control *view = panel_find_child(field, TEXT_ENTRY_VIEW_ID);
    Control *cursor = panel_find_child(view, TEXT_ENTRY_CURSOR_ID);
    ASSERT_NE(cursor, nullptr);
    EXPECT_GT(panel_of(view)->scroll_x, 0);
    EXPECT_EQ(cursor->x + cursor->w - panel_of(view)->scroll_x, view->w);
    EXPECT_LE(view->x + view->w, accept_button(field)->x) << "the buttons keep their room";
    press(KEY_ESCAPE);
    EXPECT_EQ(panel_of(view)->scroll_x, 0);
    EXPECT_EQ(view->w, text_entry_state(field)->view_width);
}

// ---- Transfer slider --------------------------------------------------------------------------------

class TransferSlider : public UiTest {
protected:
    static Control *track(Control *slider) { return panel_find_child(slider, SLIDER_TRACK_ID); }
    static int range(Control *slider) {
        int r = 0;
        scroll_track_get_thumb(track(slider), nullptr, &r);
        return r;
    }
    static int pos(Control *slider) {
        int p = 0;
        scroll_track_get_thumb(track(slider), &p, nullptr);
        return p;
    }
    static std::pair<int, int> values(Control *slider) {
        int l = -1, r = -1;
        transfer_slider_get_values(slider, &l, &r);
        return {l, r};
    }
};

TEST_F(TransferSlider, RestsWhereNothingMovesAndReachesBothEnds) {
    Control *slider = control_addref(transfer_slider_create(10, 5));
    EXPECT_EQ(slider->w, 256);
    ASSERT_GT(range(slider), 15);
    EXPECT_EQ(pos(slider), range(slider) * 5 / 15);
    EXPECT_EQ(values(slider), std::make_pair(10, 5));
    scroll_track_set_thumb(track(slider), 0);
    EXPECT_EQ(values(slider), std::make_pair(15, 0));
    EXPECT_STREQ(label_text(panel_find_child(slider, SLIDER_LEFT_LABEL_ID)), "15");
    Control *right = panel_find_child(slider, SLIDER_RIGHT_LABEL_ID);
    const int right_edge = right->x + right->w;
    scroll_track_set_thumb(track(slider), range(slider));
    EXPECT_EQ(values(slider), std::make_pair(0, 15));
    EXPECT_STREQ(label_text(right), "15");
    EXPECT_EQ(right->x + right->w, right_edge) << "the right amount keeps its right edge";
    control_release(slider);
}

TEST_F(TransferSlider, LimitsBoundWhatMayMove) {
    Control *slider = control_addref(transfer_slider_create(10, 5));
    transfer_slider_set_limits(slider, 12, -1);
    EXPECT_EQ(pos(slider), range(slider) * 2 / 12) << "2 may come left, 10 may go right";
    scroll_track_set_thumb(track(slider), 0);
    EXPECT_EQ(values(slider), std::make_pair(12, 3));
    transfer_slider_set_limits(slider, -1, 8);
    EXPECT_EQ(pos(slider), range(slider) * 5 / 8) << "5 may come left, 3 may go right";
    scroll_track_set_thumb(track(slider), range(slider));
    EXPECT_EQ(values(slider), std::make_pair(7, 8));
    control_release(slider);
}

TEST_F(TransferSlider, ATrackWithoutRangeLeavesTheValuesAloneAndNothingToMoveMeansNoThumb) {
    Control *slider = control_addref(transfer_slider_create(10, 5));
    transfer_slider_state(slider)->width = 40;   // too narrow for the track to have a range
    transfer_slider_layout(slider);
    ASSERT_EQ(range(slider), 0);
    transfer_slider_on_change(track(slider));   // a move on it divided by zero once
    EXPECT_EQ(values(slider), std::make_pair(10, 5));
    control_release(slider);
    Control *empty = control_addref(transfer_slider_create(0, -3));   // nothing to move: no thumb
    EXPECT_FALSE(scroll_track_of(track(empty))->flags & TRACK_THUMB);
    EXPECT_EQ(values(empty), std::make_pair(0, 0));
    control_release(empty);
}

// ---- Stat rows and icon rows ------------------------------------------------------------------------

class StatRows : public UiTest {
protected:
    static Control *child(Control *row, int id) { return panel_find_child(row, id); }
};

TEST_F(StatRows, OneRowWithoutIconPutsTheLabelAtFourAndTheValueFlushRight) {
    List<SystemRow> *rows = ui_stat_rows_list_create();
    ui_stat_rows_add_row(rows, nullptr, "Hull", "120", 0);
    Control *table = control_addref(ui_stat_rows_create(rows, 0));
    Control *row = ui_stat_rows_row(table, 0);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(child(row, STAT_ROW_LABEL_ID)->x, 4);
    Control *value = child(row, STAT_ROW_VALUE_ID);
    EXPECT_EQ(value->x + value->w, row->w - 4);
    EXPECT_EQ(table->w, row->w);
    control_release(table);
}

TEST_F(StatRows, RowsShareTheirWidthAndLineTheirValuesUpOnTheRight) {
    List<SystemRow> *rows = ui_stat_rows_list_create();
    ui_stat_rows_add_row(rows, image_control_create(IMAGE_CREDITS), "Cost", "1250", 0);
    ui_stat_rows_add_row(rows, nullptr, "Damage per volley", "7", 1);
    Control *table = control_addref(ui_stat_rows_create(rows, 0));
    Control *a = ui_stat_rows_row(table, 0), *b = ui_stat_rows_row(table, 1);
    EXPECT_EQ(a->w, b->w);
    EXPECT_EQ(b->y, a->y + a->h + 2);
    Control *va = child(a, STAT_ROW_VALUE_ID), *vb = child(b, STAT_ROW_VALUE_ID);
    EXPECT_EQ(va->x + va->w, vb->x + vb->w);
    EXPECT_GT(vb->x, child(b, STAT_ROW_LABEL_ID)->x + child(b, STAT_ROW_LABEL_ID)->w) << "no overlap";
    EXPECT_EQ(rgb(text_label_colour(vb)), std::make_tuple(230, 10, 20)) << "highlighted";
    Control *icon = child(a, STAT_ROW_ICON_ID);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(child(a, STAT_ROW_LABEL_ID)->x, icon->w + 12);
    EXPECT_EQ(child(b, STAT_ROW_LABEL_ID)->x, 4);
    // A new value keeps the right edge; an index past the last row changes nothing.
    ui_stat_rows_set_value(table, 0, "99999");
    Control *nv = child(a, STAT_ROW_VALUE_ID);
    EXPECT_STREQ(label_text(nv), "99999");
    EXPECT_EQ(nv->x + nv->w, vb->x + vb->w);
    const size_t before = panel_of(b)->children.items.size();
    ui_stat_rows_set_value(table, 3, "x");
    EXPECT_EQ(panel_of(b)->children.items.size(), before);
    control_release(table);
}

TEST_F(StatRows, TwoColumnsPutTheSmallerHalfOnTheLeft) {
    List<SystemRow> *rows = ui_stat_rows_list_create();
    for (const char *name : {"Armour", "Shields", "Speed", "Sensors", "Crew"}) ui_stat_rows_add_row(rows, nullptr, name, "1", 0);
    Control *table = control_addref(ui_stat_rows_create(rows, STAT_ROWS_TWO_COLUMNS));
    int left = 0, right = 0;
    for (int i = 0; i < 5; ++i) (ui_stat_rows_row(table, i)->x == 0 ? left : right)++;
    EXPECT_EQ(left, 2);
    EXPECT_EQ(right, 3);
    EXPECT_EQ(ui_stat_rows_row(table, 2)->x, ui_stat_rows_row(table, 0)->w + 6);
    EXPECT_EQ(ui_stat_rows_row(table, 2)->y, 0);
    control_release(table);
}

TEST_F(StatRows, FadingOutClosesTheTable) {
    List<SystemRow> *rows = ui_stat_rows_list_create();
    ui_stat_rows_add_row(rows, nullptr, "Hull", "120", 0);
    Control *table = add_top(ui_stat_rows_create(rows, STAT_ROWS_ANIMATE), 10, 10);
    ui_stat_rows_fade_out(table, 100);
    EXPECT_EQ(table->id, -1);
    EXPECT_TRUE(table->flags & CTRL_DISABLED);
    for (int i = 0; i < 7; ++i) frame();
    EXPECT_TRUE(live().empty());
}

TEST_F(StatRows, IconRowsGoSideBySideOrOneUnderTheOther) {
    List<IconRow> *rows = icon_rows_list_create();
    icon_rows_add(rows, image_control_create(IMAGE_CREDITS), "1250", 0);
    icon_rows_add(rows, image_control_create(IMAGE_CLOCK), "Crew short", 1);
    Control *across = control_addref(icon_rows_panel_create(rows, 0, 0));
    const auto &a = panel_of(across)->children.items;
    ASSERT_EQ(a.size(), 2u);
    EXPECT_EQ(a[1]->x, a[0]->x + a[0]->w + 8);
    EXPECT_EQ(a[0]->h, a[1]->h);
    Control *warning = panel_find_child(a[1], ICON_ROW_TEXT_ID);
    EXPECT_EQ(rgb(text_label_colour(warning)), std::make_tuple(230, 32, 2));
    rows = icon_rows_list_create();
    icon_rows_add(rows, image_control_create(IMAGE_CREDITS), "one", 0);
    icon_rows_add(rows, nullptr, "two", 0);
    Control *down = control_addref(icon_rows_panel_create(rows, 0, ICON_ROWS_VERTICAL | ICON_ROWS_BORDER));
    const auto &d = panel_of(down)->children.items;
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[1]->y, d[0]->y + d[0]->h + 4);
    EXPECT_EQ(d[1]->x, 0);
    control_release(across);
    control_release(down);
}

}  // namespace
