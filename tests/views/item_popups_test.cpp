// The officer skill popup's lines: the bonus of each skill at a level, Field Repair's table with
// its cap line, and a skill index outside the nine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/panel.h"
#include "ui/text_label.h"
#include "views/item_popups.h"

namespace {

std::vector<std::string> texts(int skill, int level) {
    std::vector<std::string> out;
    for (const SkillPopupLine &line : officer_skill_lines(skill, level)) out.push_back(line.text);
    return out;
}

using Lines = std::vector<std::string>;

TEST(SkillPopupLines, EachSkillScalesItsBonusesWithTheLevel) {
    EXPECT_EQ(texts(0, 3), (Lines{"+9 AP"}));
    EXPECT_EQ(texts(1, 2), (Lines{"+32% engine power"}));
    EXPECT_EQ(texts(3, 1), (Lines{"+25 Starbase crew recruitment"}));
    EXPECT_EQ(texts(4, 2), (Lines{"+20% to hit with beams", "+6 beam damage"}));
    EXPECT_EQ(texts(5, 4), (Lines{"+40% Starbase resource collection"}));
    EXPECT_EQ(texts(6, 2), (Lines{"-2 AP cost for turns", "+24 beam evasion"}));
    EXPECT_EQ(texts(7, 5), (Lines{"+50% Starbase research output"}));
    EXPECT_EQ(texts(8, 1), (Lines{"-3 AP cost for scans", "+25% range for hyperspace scans"}));
}

TEST(SkillPopupLines, FieldRepairShowsItsCapOnlyBelowTheWholeHull) {
    EXPECT_EQ(texts(2, 1), (Lines{"Repair 1 armor per day", "Max 70% of total"}));
    EXPECT_EQ(texts(2, 2), (Lines{"Repair 1 armor per day", "Max 80% of total"}));
    EXPECT_EQ(texts(2, 3), (Lines{"Repair 2 armor per day", "Max 90% of total"}));
    EXPECT_EQ(texts(2, 4), (Lines{"Repair 2 armor per day"}));
    EXPECT_EQ(texts(2, 5), (Lines{"Repair 4 armor per day"}));
    // The cap line has no icon of its own and stands under the first line's text.
    const std::vector<SkillPopupLine> lines = officer_skill_lines(2, 3);
    EXPECT_NE(lines[0].image_type, 0);
    EXPECT_EQ(lines[1].image_type, 0);
}

TEST(SkillPopupLines, SkillOutsideTheNineGivesOnlyAnEmptyTitle) {
    for (int skill : {-1, 9, 1000}) {
        EXPECT_TRUE(officer_skill_lines(skill, 3).empty()) << skill;
        Control *popup = officer_skill_popup_build(skill, 3);
        ASSERT_NE(popup, nullptr);
        int labels = 0;
        for (Control *c : panel_of(popup)->children.items)
            if (c && c->type == CONTROL_TEXT) {
                ++labels;
                EXPECT_TRUE(!text_label_of(c)->text || !*text_label_of(c)->text);
            }
        EXPECT_EQ(labels, 1);
        control_destroy(popup);
    }
}

}  // namespace
