// The research handlers driven through the Technology list and the detail panel's buttons on a
// real new game: one panel beside the list, Research paying its materials only when the credits
// cover them, Pause handing the target on, Prioritize and Resume taking it, and the list's rows.
#include "../research/research_test_support.h"

#include "screens/galaxy/research_handlers.h"
#include "ui/panel_slots.h"

namespace {

using ResearchHandlers = research_test::ResearchGame;
using Strings = std::vector<std::string>;

TEST_F(ResearchHandlers, PickingOpensOnePanelBesideTheListAndAnotherTechReplacesIt) {
    const std::vector<int> t = named_techs(2);
    only_available(t);
    ASSERT_NE(open_list(), nullptr);
    Control *first = open_detail(t[0]);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(galaxy_test::has(GALAXY_FLAG_OBJECT_PANEL_SHOWN));
    EXPECT_EQ(first->x, list()->x + list()->w + 6);
    EXPECT_EQ(first->y + first->h, list()->y + list()->h);
    EXPECT_EQ(open_detail(t[0]), first);
    Control *second = open_detail(t[1]);
    EXPECT_NE(second, first);
    EXPECT_EQ(tech_detail_tech(second), t[1]);
}

TEST_F(ResearchHandlers, ResearchPaysTheMaterialsOnlyWhenTheCreditsCoverThem) {
    const int t = named_techs(1).at(0);
    only_available({t});
    const int cost = tech_get(t)->credits;
    ASSERT_GT(cost, 0);
    ASSERT_NE(open_list(), nullptr);

    // One short: greyed with its reason, the hotkey does nothing and the slot refuses as well.
    ui->credits = cost - 1;
    Control *panel = open_detail(t);
    Control *research = button(panel, "Research");
    ASSERT_NE(research, nullptr);
    EXPECT_TRUE(image_control_is_highlighted(research));
    ASSERT_NE(image_of(research)->tooltip_text, nullptr);
    EXPECT_STREQ(image_of(research)->tooltip_text, "Insufficient credits");
    press('r');
    galaxy_tech_on_start(panel);
    EXPECT_EQ(ui->credits, cost - 1);
    EXPECT_EQ(ui->tech_state[t], TECH_AVAILABLE);
    EXPECT_TRUE(control_is_shown(panel));

    // Exactly enough: queued, the target, nothing left; the panel goes and the row shows the bar.
    ui->credits = cost;
    tech_detail_build(panel, t, ui);
    panel_set_slot(panel, TECH_DETAIL_SLOT_RESEARCH, galaxy_tech_on_start);
    frames(25);
    EXPECT_FALSE(image_control_is_highlighted(button(panel, "Research")));
    click(button(panel, "Research"));
    frames(5);
    EXPECT_EQ(ui->credits, 0);
    EXPECT_TRUE(ui->tech_state[t] & TECH_QUEUED);
    EXPECT_EQ(ui->research_target, t);
    EXPECT_FALSE(control_is_shown(panel));
    EXPECT_NE(panel_find_child(row_of(t), TECH_ROW_ID_PROGRESS), nullptr);
    // Picking it again shows a panel anew; a refused queue (already queued) pays nothing.
    panel = open_detail(t);
    ASSERT_TRUE(panel && control_is_shown(panel));
    EXPECT_EQ(buttons(panel), Strings{"Pause"});
    ui->credits = cost;
    galaxy_tech_on_start(panel);
    EXPECT_EQ(ui->credits, cost);
}

TEST_F(ResearchHandlers, PauseHandsTheTargetOnAndPrioritizeOrResumeTakesIt) {
    const std::vector<int> t = named_techs(4);
    only_available(t);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(player_queue_research(ui, t[size_t(i)]), RES_OK);
    ASSERT_EQ(ui->research_target, t[0]);
    ASSERT_NE(open_list(), nullptr);

    // Pause on the target: the earliest queued, unpaused tech takes over (equal dates: the lower
    // index); the paused row shows its marker and the new target's row its days.
    click(button(open_detail(t[0]), "Pause"));
    frames(10);
    EXPECT_TRUE(ui->tech_state[t[0]] & TECH_PAUSED);
    EXPECT_EQ(ui->research_target, t[1]);
    EXPECT_EQ(image_of(panel_find_child(row_of(t[0]), TECH_ROW_ID_DAYS_ICON))->image_type, IMAGE_RESEARCH_PAUSED);
    if (ui->totals.research_rate >= 1)
        EXPECT_EQ(text_of(panel_find_child(row_of(t[1]), TECH_ROW_ID_DAYS)),
                  std::to_string(player_research_days_left(ui, t[1])));
    else
        EXPECT_EQ(image_of(panel_find_child(row_of(t[1]), TECH_ROW_ID_DAYS_ICON))->image_type, IMAGE_RESEARCHING);

    click(button(open_detail(t[2]), "Prioritize"));
    frames(3);
    EXPECT_EQ(ui->research_target, t[2]);
    Control *panel = open_detail(t[0]);
    ASSERT_EQ(buttons(panel), Strings{"Resume"});
    click(button(panel, "Resume"));
    frames(3);
    EXPECT_FALSE(ui->tech_state[t[0]] & TECH_PAUSED);
    EXPECT_EQ(ui->research_target, t[0]);

    // On a tech that is not queued the three change nothing.
    tech_detail_build(panel, t[3], ui);
    for (ControlFn handler : {galaxy_tech_on_pause, galaxy_tech_on_resume, galaxy_tech_on_prioritize}) handler(panel);
    EXPECT_EQ(ui->tech_state[t[3]], TECH_AVAILABLE);
    EXPECT_EQ(ui->research_target, t[0]);
}

// The rows stay where they stand while the list is open: a tech queued from its row keeps its
// place (and every other row its own), so the next click lands on the row it was aimed at.
TEST_F(ResearchHandlers, RowsKeepTheirPlacesUnderThePointerThroughAResearchAction) {
    ui->credits = 100000;
    ASSERT_NE(open_list(), nullptr);
    auto places = [&] {
        std::vector<std::pair<int, int>> out;
        for (Control *r : rows()) {
            int x = 0, y = 0;
            control_get_screen_position(r, &x, &y);
            out.push_back({r->tag, y});
        }
        return out;
    };
    const auto before = places();
    ASSERT_GT(before.size(), 4u);
    const int t = rows().at(3)->tag;
    Control *panel = open_detail(t);
    ASSERT_NE(panel, nullptr);
    click(button(panel, "Research"));
    frames(30);
    ASSERT_TRUE(ui->tech_state[t] & TECH_QUEUED);
    EXPECT_EQ(places(), before);
}

}  // namespace
