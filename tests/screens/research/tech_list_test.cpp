// The Technology list on a real new game opened with '4': the groups and their byte-order sort,
// and the scrolling threshold with the wheel.
#include "research_test_support.h"

#include "ui/scroll.h"

namespace {

using TechList = research_test::ResearchGame;

TEST_F(TechList, GroupsInOrderEachSortedByBytesWithTiesInTableOrder) {
    const std::vector<int> t = named_techs(7);
    ASSERT_EQ(t.size(), 7u);
    only_available({t[0], t[1], t[2], t[3], t[4], t[5]});
    // Byte order puts capitals before small letters; the two "Same" keep the table's order.
    for (auto [i, name] : {std::pair{0, "alpha"}, {1, "Zeta"}, {2, "Same"}, {3, "Same"}, {4, "b queued"}, {5, "a paused"}})
        tech_get(t[size_t(i)])->name = name;
    // Queued, one of them paused (still the queued group), then a researched one.
    ASSERT_EQ(player_queue_research(ui, t[4]), RES_OK);
    ASSERT_EQ(player_queue_research(ui, t[5]), RES_OK);
    ASSERT_EQ(player_pause_research(ui, t[5]), RES_OK);
    ui->tech_state[t[6]] = TECH_AVAILABLE | TECH_DONE | TECH_APPLIED;

    ASSERT_NE(open_list(), nullptr);
    EXPECT_EQ(row_techs(), (std::vector<int>{t[2], t[3], t[1], t[0], t[5], t[4], t[6]}));
    EXPECT_EQ(text_of(panel_find_child(row_of(t[0]), TECH_ROW_ID_CREDITS_COST)), "$" + std::to_string(tech_get(t[0])->credits));
    EXPECT_EQ(image_of(panel_find_child(row_of(t[5]), TECH_ROW_ID_DAYS_ICON))->image_type, IMAGE_RESEARCH_PAUSED);
    EXPECT_NE(panel_find_child(row_of(t[6]), TECH_ROW_ID_DONE), nullptr);
    // The figure columns line up; every row is as wide as the widest.
    for (int tech : {t[1], t[2], t[3]})
        EXPECT_EQ(panel_find_child(row_of(tech), TECH_ROW_ID_RESEARCH_ICON)->x,
                  panel_find_child(row_of(t[0]), TECH_ROW_ID_RESEARCH_ICON)->x);
    for (Control *row : rows()) EXPECT_EQ(row->w, rows()[0]->w);
}

// Up to 360 pixels of rows: no bar, and the wheel does nothing. Past it: a 360-pixel viewport and
// a bar beside it; the wheel over a row moves 24 a notch, the arrows 96, never past either end.
TEST_F(TechList, ScrollsOnlyPast360PixelsAndStopsAtTheEnds) {
    const std::vector<int> all = named_techs(TECH_COUNT);
    only_available({all[0]});
    ASSERT_NE(open_list(), nullptr);
    const size_t fit = size_t((360 + 4) / (rows().at(0)->h + 4));
    ASSERT_LT(fit, all.size());
    auto wheel_over_row = [&](int notches) {
        int x = 0, y = 0;
        control_get_screen_position(rows().at(1), &x, &y);
        ui_test::mouse_at(x + 10, y + 5);
        frame();
        ui_test::wheel(notches);
        frame();
        ui_test::wheel(0);
    };

    for (size_t n : {fit, fit + 1}) {
        press('4');
        only_available(std::vector<int>(all.begin(), all.begin() + long(n)));
        ASSERT_NE(open_list(), nullptr);
        Control *viewport = panel_find_child(list(), TECH_LIST_ID_VIEWPORT);
        Control *bar = panel_find_child(list(), TECH_LIST_ID_SCROLL);
        const int total = tech_list_state(list())->content_height;
        wheel_over_row(1);
        if (n == fit) {
            ASSERT_LE(total, 360);
            EXPECT_EQ(viewport->h, total);
            EXPECT_EQ(bar, nullptr);
            EXPECT_EQ(panel_of(viewport)->scroll_y, 0);
            continue;
        }
        ASSERT_GT(total, 360);
        EXPECT_EQ(viewport->h, 360);
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->x, viewport->x + viewport->w + 2);
        int pos = 0, range = 0;
        scroll_bar_get(bar, &pos, &range);
        ASSERT_GT(range, 0);
        EXPECT_EQ(pos, 24);
        EXPECT_EQ(panel_of(viewport)->scroll_y, 24 * (total - 360) / range);
        scroll_bar_state(bar)->on_second_arrow(bar);
        EXPECT_EQ(panel_of(viewport)->scroll_y, 0);
        for (int i = 0; i < 100; ++i) scroll_bar_state(bar)->on_first_arrow(bar);
        EXPECT_EQ(panel_of(viewport)->scroll_y, total - 360);
    }
}

}  // namespace
