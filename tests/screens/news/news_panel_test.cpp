// The news panel on a real new game: the rows of the game's alert list, the gaps between day
// headers and items, the new-items badge, expand and collapse, appending and marking read, and a
// row whose alert expires while the panel is open.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../galaxy/panels_test_support.h"
#include "game/alert.h"
#include "game/player.h"
#include "platform/calendar.h"
#include "platform/colour_fade.h"
#include "screens/news/news_item_panel.h"
#include "screens/news/news_panel.h"
#include "ui/game_controls.h"
#include "ui/scroll.h"
#include "ui/text_label.h"

namespace {

using galaxy_test::screen;

class NewsPanel : public galaxy_test::PanelsGame {
protected:
    void SetUp() override {
        PanelsGame::SetUp();
        for (int type : {56, 73, 150, 166, 167}) {
            ASSERT_EQ(image_control_load_type(type), RES_OK) << "image type " << type;
            types_.push_back(type);
        }
        game_clear_alerts(game);
    }
    void TearDown() override {
        game_close_popup(game);
        for (int type : types_) image_control_free_type(type);
        PanelsGame::TearDown();
    }
    std::vector<int> types_;

    void pass_days(int days) {
        game->clock->minutes += uint64_t(days) * MINUTES_PER_DAY;
        date_from_minutes(game->clock);
    }
    Alert *post(const char *text) {
        game_add_alert(game, alert_post_sector_notice(game->ui_player_id, 0, "%s", text));
        return game->alerts->items.back();
    }
    Alert *post_with_scene(const char *text) {
        game_add_alert(game, alert_post_escape_pod(game->ui_player_id, 0, 0, "%s", text));
        return game->alerts->items.back();
    }
    // The news panel as the galaxy's '6' opens it.
    Control *open_news() {
        press('6');
        frames(15);
        Control *news = screen()->side_panels[GALAXY_LIST_NEWS];
        EXPECT_TRUE(news && control_is_shown(news));
        return news;
    }
    static NewsPanelState *state(Control *news) { return news_panel_state(news); }
    static Control *list(Control *news) { return panel_find_child(news, NEWS_ID_LIST); }
    static std::string label_text(Control *label) {
        const TextLabel *t = text_label_of(label);
        return t && t->text ? t->text : "";
    }
    static int new_count(Control *news) {
        Control *count = panel_find_child(news, NEWS_ID_NEW_COUNT);
        return count && !(count->flags & (CTRL_REMOVED | CTRL_FADING)) ? std::stoi(label_text(count)) : 0;
    }
    static bool present(Control *c) { return c && !(c->flags & (CTRL_REMOVED | CTRL_FADING)); }
    static bool pulsing(Control *row) {
        Control *text = panel_find_child(row, NEWS_ID_ROW_TEXT);
        Control *line = text ? panel_of(text)->children.items.at(0) : nullptr;
        const ColourFade *fade = line ? text_label_colour(line) : nullptr;
        return fade && (fade->flags & COLOUR_FADE_IDLE_LOOP);
    }
};

TEST_F(NewsPanel, NoAlertsShowsTheEmptyLineAndNoBadgeOrScrolling) {
    Control *news = open_news();
    ASSERT_NE(state(news), nullptr);
    EXPECT_TRUE(state(news)->rows.empty());
    Control *empty = panel_find_child(list(news), NEWS_ID_EMPTY);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(label_text(empty), "(No news to display)");
    EXPECT_EQ(list(news)->w, empty->x + empty->w + 3);
    EXPECT_EQ(list(news)->h, empty->y + empty->h + 3);
    EXPECT_FALSE(present(panel_find_child(news, NEWS_ID_BADGE)));
    EXPECT_FALSE(present(panel_find_child(news, NEWS_ID_SCROLL)));
    EXPECT_FALSE(present(panel_find_child(news, NEWS_ID_EXPAND)));
}

TEST_F(NewsPanel, GapsSeparateDayHeadersFromItemsOnlyAndOnlyItemsAreCountedNew) {
    // Day one: header, two items. Day two: header, one item.
    post("first");
    post("second");
    pass_days(1);
    post("third");
    ASSERT_EQ(game->alerts->items.size(), 5u);
    Control *news = open_news();
    const std::vector<Control *> &rows = state(news)->rows;
    ASSERT_EQ(rows.size(), 5u);
    auto gap = [&](size_t i) { return rows[i]->y - (rows[i - 1]->y + rows[i - 1]->h); };
    EXPECT_EQ(gap(1), 4) << "header -> item";
    EXPECT_EQ(gap(2), 0) << "item -> item";
    EXPECT_EQ(gap(3), 4) << "item -> header";
    EXPECT_EQ(gap(4), 4) << "header -> item";
    for (Control *row : rows) EXPECT_EQ(row->w, rows[0]->w);
    EXPECT_GE(rows[0]->w, 150);

    // Two headers in a row add nothing between them.
    List<Alert> headers_first;
    headers_first.items = {game->alerts->items[0], game->alerts->items[3], game->alerts->items[1]};
    news_panel_build_sized(news, &headers_first, NEWS_NORMAL_HEIGHT, NEWS_EXPANDED_LIMIT);
    const std::vector<Control *> &again = state(news)->rows;
    ASSERT_EQ(again.size(), 3u);
    EXPECT_EQ(again[1]->y, again[0]->y + again[0]->h);
    EXPECT_EQ(again[2]->y, again[1]->y + again[1]->h + 4);

    // The day before's items are over a day old: only "third" is new.
    news_panel_build(news, game->alerts);
    EXPECT_EQ(new_count(news), 1);
    EXPECT_FALSE(pulsing(state(news)->rows[1]));
}

TEST_F(NewsPanel, BadgeCountsNewItemsUntilMarkedRead) {
    post("one");
    post("two");
    post("three");
    Control *news = open_news();
    EXPECT_EQ(new_count(news), 3);
    Control *badge = panel_find_child(news, NEWS_ID_BADGE);
    ASSERT_TRUE(present(badge));
    EXPECT_EQ(badge->x, 80);
    EXPECT_TRUE(pulsing(state(news)->rows[1]));

    // Only day headers, however fresh: no badge.
    news_panel_build(news, nullptr);
    List<Alert> header_only;
    header_only.items = {game->alerts->items[0]};
    news_panel_build(news, &header_only);
    EXPECT_FALSE(present(panel_find_child(news, NEWS_ID_BADGE)));

    // "Next Turn" marks all read: badge and count fade within 120 ms, rows stop pulsing, and the
    // panel stays open.
    news_panel_build(news, game->alerts);
    news_panel_mark_read(news);
    frames(8);
    EXPECT_FALSE(present(panel_find_child(news, NEWS_ID_BADGE)));
    EXPECT_FALSE(present(panel_find_child(news, NEWS_ID_NEW_COUNT)));
    for (Control *row : state(news)->rows) EXPECT_FALSE(pulsing(row));
    EXPECT_TRUE(control_is_shown(news));
}

TEST_F(NewsPanel, TallListScrollsToItsEndExpandsAndCollapses) {
    for (int i = 0; i < 14; ++i) post(("item " + std::to_string(i)).c_str());
    Control *news = open_news();
    NewsPanelState *s = state(news);
    Control *area = list(news);
    const int visible = s->normal_height - s->list_y;
    ASSERT_GT(s->content_height, visible);
    EXPECT_EQ(area->h, visible);
    Control *bar = panel_find_child(news, NEWS_ID_SCROLL);
    ASSERT_TRUE(present(bar));
    EXPECT_EQ(panel_of(area)->scroll_y, s->content_height - area->h) << "newest at the bottom";

    // The wheel up one notch over the list moves the list up.
    ui_test::wheel(-1);
    news_panel_on_wheel(area);
    EXPECT_LT(panel_of(area)->scroll_y, s->content_height - area->h);
    ui_test::next_tick();

    // Expand: everything fits under the limit, so the scroll bar goes and the button collapses.
    const int collapsed_w = news->w, collapsed_h = news->h, bottom = news->y + news->h;
    click(panel_find_child(news, NEWS_ID_EXPAND));
    frames(20);
    s = state(news);
    EXPECT_EQ(s->expanded, 1);
    Control *button = panel_find_child(news, NEWS_ID_EXPAND);
    ASSERT_TRUE(present(button));
    EXPECT_EQ(image_of(button)->image_type, NEWS_IMAGE_COLLAPSE);
    EXPECT_FALSE(present(panel_find_child(news, NEWS_ID_SCROLL)));
    EXPECT_GT(news->h, collapsed_h);
    EXPECT_LE(news->h, s->expanded_limit);
    EXPECT_LT(news->w, collapsed_w);
    EXPECT_EQ(news->y + news->h, bottom) << "grows upward";

    // Collapse: rebuilt, not expanded, scroll bar and expand button back.
    click(button);
    frames(20);
    s = state(news);
    EXPECT_EQ(s->expanded, 0);
    EXPECT_EQ(news->h, collapsed_h);
    EXPECT_TRUE(present(panel_find_child(news, NEWS_ID_SCROLL)));
    EXPECT_EQ(image_of(panel_find_child(news, NEWS_ID_EXPAND))->image_type, NEWS_IMAGE_EXPAND);
    news_panel_collapse(news);   // not expanded: nothing
    EXPECT_EQ(state(news), s);
}

TEST_F(NewsPanel, AppendedAlertIsTheLastRowAndTheListEndsOnIt) {
    for (int i = 0; i < 10; ++i) post(("old " + std::to_string(i)).c_str());
    Control *news = open_news();
    const size_t before = state(news)->rows.size();
    // The announcement of the next frame appends what came in.
    Alert *fresh = post("fresh");
    frames(3);
    NewsPanelState *s = state(news);
    ASSERT_EQ(s->rows.size(), before + 1);
    EXPECT_EQ(news_panel_row_alert(s->rows.back()), fresh);
    Control *area = list(news);
    EXPECT_EQ(panel_of(area)->scroll_y, s->content_height - area->h);
    EXPECT_EQ(s->rows.back()->y + s->rows.back()->h - panel_of(area)->scroll_y, area->h);
}

TEST_F(NewsPanel, RowOfAnExpiredAlertGoesAndOpensNothing) {
    Alert *old_item = post_with_scene("old news");
    pass_days(1);
    post("recent");
    Control *news = open_news();
    ASSERT_EQ(state(news)->rows.size(), 4u);
    Control *old_row = state(news)->rows[1];
    const uint64_t old_id = old_item->id;

    // The end of turn frees the alerts past their age; the panel still holds the row.
    pass_days(31);
    game_remove_expired_alerts(game);
    for (Alert *alert : game->alerts->items) ASSERT_NE(alert->id, old_id);

    // A click on the stale row opens nothing and never reads the freed alert.
    Control *centre = centre_panel();
    control_set_hidden(centre, false);
    news_row_on_click(old_row);
    EXPECT_EQ(news_panel_clicked_alert(news), nullptr);
    EXPECT_FALSE(control_is_shown(centre));

    // The next layout drops it (an appended alert runs one).
    post("newest");
    frames(3);
    for (Control *row : state(news)->rows) EXPECT_NE(news_panel_row_alert(row), nullptr);
    EXPECT_EQ(state(news)->rows.size(), game->alerts->items.size());
}

TEST_F(NewsPanel, ClickOnARowWithASceneOpensItsItemInTheCentre) {
    post("no scene");
    Alert *item = post_with_scene("pod picked up");
    Control *news = open_news();
    Control *plain_row = state(news)->rows[1];
    Control *scene_row = state(news)->rows[2];
    EXPECT_EQ(plain_row->on_click, nullptr);
    Control *centre = centre_panel();
    control_set_hidden(centre, false);
    click(scene_row);
    frames(2);
    EXPECT_EQ(news_panel_clicked_alert(news), item);
    EXPECT_TRUE(control_is_shown(centre));
    EXPECT_TRUE(news_item_panel_shows(centre, item));
}

// The pointer over a row's words or its icon is over the row: a click there opens the item, the
// wheel there scrolls the list, and the row's border lights while the pointer rests on them.
TEST_F(NewsPanel, TheWordsAndTheIconOfARowTakeItsClickItsWheelAndItsHover) {
    const int rank_icon = officer_rank_icon(0);   // the pods' icon
    ASSERT_EQ(image_control_load_type(rank_icon), RES_OK);
    types_.push_back(rank_icon);
    for (int i = 0; i < 12; ++i) post(("filler " + std::to_string(i)).c_str());
    Alert *first = post_with_scene("An escape pod with the survivors of a long and hard fought battle was picked up");
    Alert *second = post_with_scene("A second pod was found drifting near the border of the sector");
    Control *news = open_news();
    ASSERT_TRUE(present(panel_find_child(news, NEWS_ID_SCROLL))) << "the list scrolls";
    Control *centre = centre_panel();
    control_set_hidden(centre, false);
    Control *words = panel_find_child(state(news)->rows.back(), NEWS_ID_ROW_TEXT);
    ASSERT_NE(words, nullptr);
    click(words);
    frames(2);
    EXPECT_EQ(news_panel_clicked_alert(news), second);
    EXPECT_TRUE(control_is_shown(centre));
    EXPECT_TRUE(news_item_panel_shows(centre, second));
    EXPECT_TRUE(state(news)->rows.back()->flags & CTRL_HOVERED) << "the row is hovered, not its words";

    Control *row = state(news)->rows[state(news)->rows.size() - 2];
    Control *icon = panel_find_child(row, NEWS_ID_ROW_ICON);
    ASSERT_NE(icon, nullptr);
    click(icon);
    frames(2);
    EXPECT_EQ(news_panel_clicked_alert(news), first) << "a click on the icon";

    const int before = panel_of(list(news))->scroll_y;
    ASSERT_GT(before, 0) << "the list stands at its end";
    ui_test::wheel(-3);
    frame();
    EXPECT_LT(panel_of(list(news))->scroll_y, before) << "the wheel over the words scrolls the list up";
}

}  // namespace
