// The turn-order strip over a real battle: a card per predicted turn (three per object on the field),
// laid in one row; a refresh only after the map picked a new actor, keeping the cards of objects
// still predicted; the acting object's card glows; a click picks the card's object; a strip wider
// than the panel scrolls with its bar.
#include "combat_panels_test_support.h"

#include "game/encounter_map.h"
#include "ui/scroll.h"
#include "ui/scroll_list.h"

namespace {

using combat_panels_test::PanelsBattle;
using combat_test::screen;

class EncounterList : public PanelsBattle {
protected:
    Control *open_list() {
        press('3');
        return side(COMBAT_SIDE_LIST);
    }
    static std::vector<Control *> cards(Control *list) {
        EncounterListState *state = encounter_list_state(list);
        return state && state->cards ? state->cards->items : std::vector<Control *>{};
    }
    static uint64_t id_of(Control *list, Control *card) {
        EncounterListState *state = encounter_list_state(list);
        const int32_t i = encounter_list_card_index(card);
        return i >= 0 && i < list_count(state->prediction) ? state->prediction->items[size_t(i)]->object_id : 0;
    }
    static bool glows(Control *card) { return !(panel_of(card)->flags & PANEL_BG_HOVER); }
};

TEST_F(EncounterList, EachPredictedTurnGetsACardInOneRow) {
    start_battle(2);
    Control *list = open_list();
    encounter_list_build(list, map());   // as the toggle built it, before any turn went by
    EncounterListState *state = encounter_list_state(list);
    ASSERT_NE(state, nullptr);
    const int n = map_object_count(map());
    EXPECT_EQ(list_count(state->prediction), 3 * n);
    const std::vector<Control *> row = cards(list);
    ASSERT_EQ(int(row.size()), 3 * n) << "every object of the field has a picture";

    // The cards follow the prediction and stand in one row from x 8, 8 pixels apart, equally tall.
    int x = 8;
    for (size_t i = 0; i < row.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(encounter_list_card_index(row[i]), int(i));
        EXPECT_EQ(row[i]->x, x);
        EXPECT_EQ(row[i]->y, 5);
        EXPECT_EQ(row[i]->h, row[0]->h);
        x += row[i]->w + 8;
        GameObject *obj = on_map(id_of(list, row[i]));
        ASSERT_NE(obj, nullptr);
        ASSERT_NE(panel_find_child(row[i], ENCOUNTER_CARD_PICTURE_ID), nullptr);
        // A ship's card names it under its picture, centred.
        Control *name = panel_find_child(row[i], ENCOUNTER_CARD_NAME_ID);
        ASSERT_NE(name, nullptr);
        EXPECT_STREQ(text_label_of(name)->text, object_get_name(obj));
        EXPECT_EQ(name->y + name->h, row[i]->h);
        EXPECT_LE(std::abs(name->x + name->w / 2 - row[i]->w / 2), 1);
    }
    // A faster object may take several turns in a row; every object of the field shows up.
    for (GameObject *obj : map()->objects.items) {
        if (!obj) break;
        bool seen = false;
        for (Control *card : row) seen = seen || id_of(list, card) == obj->id;
        EXPECT_TRUE(seen) << obj->id;
    }
    EXPECT_EQ(state->content_width, x - 8 + 8) << "the row's extent plus 8";
    EXPECT_EQ(list->w, std::min(state->content_width, ENCOUNTER_LIST_MAX_WIDTH));
}

TEST_F(EncounterList, ARefreshWaitsForANewActorAndKeepsTheCardsStillPredicted) {
    start_battle(2);
    // The screen refreshes a shown strip itself as the turns go: this test drives a hidden one.
    Control *list = side(COMBAT_SIDE_LIST);
    ASSERT_FALSE(control_is_shown(list));
    encounter_list_build(list, map());
    EncounterListState *state = encounter_list_state(list);
    ASSERT_NE(state, nullptr);
    const std::vector<Control *> before = cards(list);
    const int stamp = state->turn_stamp;
    encounter_list_refresh(list);
    EXPECT_EQ(cards(list), before) << "no new actor: nothing changes";
    EXPECT_EQ(state->turn_stamp, stamp);

    // The map picks the next actor: the strip follows the new prediction.
    map_next_actor(map());
    ASSERT_NE(map()->change_count, stamp);
    encounter_list_refresh(list);
    EXPECT_EQ(state->turn_stamp, map()->change_count);
    List<TurnOrderEntry> *expected = map_predict_turn_order(map(), 3 * map_object_count(map()));
    const std::vector<Control *> after = cards(list);
    ASSERT_EQ(after.size(), expected->items.size());
    int kept = 0;
    for (size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(encounter_list_card_index(after[i]), int(i));
        EXPECT_EQ(id_of(list, after[i]), expected->items[i]->object_id) << i;
        kept += std::find(before.begin(), before.end(), after[i]) != before.end();
    }
    list_free(expected);
    EXPECT_GT(kept, 0) << "cards of objects still predicted are moved, not rebuilt";
    // Once settled, the row starts at x 5.
    for (int i = 0; i < 20; ++i) {
        for (Control *card : after) control_update(card, 20);
    }
    EXPECT_EQ(after[0]->x, 5);
    EXPECT_EQ(after[0]->y, 5);
}

TEST_F(EncounterList, TheActorsCardGlowsAndAClickPicksItsObject) {
    start_battle(2);
    Control *list = open_list();
    const std::vector<Control *> row = cards(list);
    ASSERT_GE(row.size(), 2u);
    const uint64_t first = id_of(list, row[0]);
    encounter_list_highlight(list, first);
    for (Control *card : row) EXPECT_EQ(glows(card), id_of(list, card) == first);
    encounter_list_highlight(list, 0);
    for (Control *card : row) EXPECT_FALSE(glows(card)) << "no acting object: every card dark";

    // A click picks the card's object: it becomes the selection and its card glows.
    Control *card = row[1];
    const uint64_t picked = id_of(list, card);
    GameObject *obj = on_map(picked);
    ASSERT_NE(obj, nullptr);
    combat_select_object(nullptr);
    click(card);
    EncounterListState *state = encounter_list_state(list);
    EXPECT_EQ(state->picked_id, picked);
    EXPECT_EQ(state->highlighted_id, picked);
    EXPECT_EQ(screen()->selected, obj);
    EXPECT_TRUE(view_heads_for(obj));

    // A card whose index names no entry keeps the last pick and still calls the handler.
    int calls = 0;
    static int *counter = nullptr;
    counter = &calls;
    state->slot[ENCOUNTER_LIST_SLOT_PICK] = [](Control *) { ++*counter; };
    panel_of(card)->value = 100000;
    encounter_list_card_on_click(card);   // as the click calls it
    EXPECT_EQ(state->picked_id, picked);
    EXPECT_EQ(calls, 1);
    counter = nullptr;
}

class WideEncounterList : public EncounterList {
protected:
    WideEncounterList() { extra_enemies = 6; }
};

TEST_F(WideEncounterList, AStripWiderThanItsPanelScrollsWithItsBar) {
    start_battle(3);
    Control *list = open_list();
    EncounterListState *state = encounter_list_state(list);
    ASSERT_NE(state, nullptr);
    ASSERT_GT(state->content_width, ENCOUNTER_LIST_MAX_WIDTH) << "enough cards to overflow";
    frames(8);   // the panel grows to its width
    EXPECT_EQ(list->w, ENCOUNTER_LIST_MAX_WIDTH);
    Control *bar = find(COMBAT_ID_LIST_SCROLL);
    ASSERT_NE(bar, nullptr);
    ScrollBarState *bs = scroll_bar_state(bar);
    ASSERT_NE(bs, nullptr);
    ASSERT_GT(bs->range, 0);
    const int overhang = state->content_width - ENCOUNTER_LIST_MAX_WIDTH;

    bs->on_first_arrow(bar);
    EXPECT_EQ(bs->position, std::min(16, bs->range));
    EXPECT_EQ(panel_of(list)->scroll_x, overhang * bs->position / bs->range);
    for (int i = 0; i < 100; ++i) bs->on_first_arrow(bar);
    EXPECT_EQ(panel_of(list)->scroll_x, overhang) << "at the bar's end the last card is in view";
    bs->on_second_arrow(bar);
    EXPECT_EQ(bs->position, bs->range - 16);
    for (int i = 0; i < 100; ++i) bs->on_second_arrow(bar);
    EXPECT_EQ(panel_of(list)->scroll_x, 0);

    // Closing the strip takes its bar away.
    press('3');
    frame();
    EXPECT_EQ(find(COMBAT_ID_LIST_SCROLL), nullptr);
    EXPECT_EQ(panel_of(list)->scroll_x, 0);
}

TEST_F(EncounterList, AStripThatFitsHasNoBarAndABarWithoutRangeScrollsNothing) {
    start_battle(1);
    Control *list = open_list();
    frames(8);   // the panel grows to its width
    EncounterListState *state = encounter_list_state(list);
    ASSERT_NE(state, nullptr);
    ASSERT_LE(state->content_width, ENCOUNTER_LIST_MAX_WIDTH);
    EXPECT_EQ(list->w, state->content_width);
    EXPECT_EQ(find(COMBAT_ID_LIST_SCROLL), nullptr);
    // A bar of no range (its thumb fills the track) leaves the strip where it is.
    Control *bar = scroll_bar_create(COMBAT_LIST_SCROLL_LENGTH, 3);
    ASSERT_NE(bar, nullptr);
    scroll_list_attach_bar(list, bar);
    scroll_list_set_content(list, ENCOUNTER_LIST_MAX_WIDTH + 300, ENCOUNTER_LIST_MAX_WIDTH);
    scroll_bar_state(bar)->range = 0;
    state->content_width = ENCOUNTER_LIST_MAX_WIDTH + 300;
    scroll_bar_state(bar)->on_first_arrow(bar);
    scroll_bar_state(bar)->on_change(bar);
    EXPECT_EQ(panel_of(list)->scroll_x, 0);
    scroll_list_remove_bar(list);   // the list's hold was the bar's last
}

}  // namespace
