// The tech detail panel: rows and buttons by the tech's state with the ETA's rate rule and its
// one-day floor, the grant tiles two a row with a failed system subtype skipped, and a picture.
#include "research_test_support.h"

#include "systems/system.h"

namespace {

using TechDetail = research_test::ResearchGame;
using Strings = std::vector<std::string>;

TEST_F(TechDetail, RowsAndButtonsFollowTheTechsState) {
    const std::vector<int> t = named_techs(3);
    only_available(t);
    ASSERT_EQ(player_queue_research(ui, t[0]), RES_OK);   // the target
    ASSERT_EQ(player_queue_research(ui, t[1]), RES_OK);
    ui->totals.research_rate = 400;
    Control *panel = galaxy_object_panel_open(GALAXY_PANEL_TECH_DETAIL);
    auto build = [&](int tech, Player *player) {
        tech_detail_build(panel, tech, player);
        return std::pair{labels(panel), buttons(panel)};
    };
    const Strings active = {"Progress", "Research Cost", "Materials Cost", "Research Started", "ETA"};
    EXPECT_EQ(build(t[0], ui), std::pair(active, Strings{"Pause"}));
    EXPECT_EQ(build(t[1], ui), std::pair(active, Strings{"Prioritize", "Pause"}));
    EXPECT_EQ(build(t[2], ui), std::pair(Strings{"Research Cost", "Materials Cost", "ETA"}, Strings{"Research"}));
    ASSERT_EQ(player_pause_research(ui, t[1]), RES_OK);
    ui->totals.research_rate = 400;
    EXPECT_EQ(build(t[1], ui), std::pair(Strings{"Research Cost", "Materials Cost"}, Strings{"Resume"}));
    EXPECT_EQ(build(t[1], nullptr), std::pair(Strings{"Research Cost", "Materials Cost"}, Strings{}));

    // ETA: days rounded up, at least one even when the points already reach the cost; no rate, no ETA.
    ui->research_points[t[2]] = tech_get(t[2])->cost - 401;
    tech_detail_build(panel, t[2], ui);
    EXPECT_EQ(value_rows(panel).back().second, "2 days");
    ui->research_points[t[2]] = tech_get(t[2])->cost;
    tech_detail_build(panel, t[2], ui);
    EXPECT_EQ(value_rows(panel).back().second, "1 day");
    ui->totals.research_rate = 0;
    EXPECT_EQ(build(t[0], ui).first, (Strings{"Progress", "Research Cost", "Materials Cost", "Research Started"}));

    player_complete_tech(ui, t[0]);
    EXPECT_EQ(build(t[0], ui), std::pair(Strings{"Research Cost", "Materials Cost", "Researched"}, Strings{}));
}

// Research may be bought without a research rate, but the button says that nothing will come of it.
TEST_F(TechDetail, ResearchWithoutAResearchRateSaysSoOnItsButton) {
    const int t = named_techs(1).at(0);
    only_available({t});
    ui->credits = tech_get(t)->credits;
    Control *panel = galaxy_object_panel_open(GALAXY_PANEL_TECH_DETAIL);
    const auto research = [&] {
        Control *row = nullptr;
        for (Control *c : panel_of(panel)->children.items)
            if (c && !(c->flags & CTRL_REMOVED) && panel_of(c))
                for (Control *b : panel_of(c)->children.items)
                    if (b && image_of(b) && image_of(b)->caption && std::string(image_of(b)->caption) == "Research") row = b;
        return row;
    };
    for (const int32_t rate : {0, 400}) {
        ui->totals.research_rate = rate;
        tech_detail_build(panel, t, ui);
        Control *button = research();
        ASSERT_NE(button, nullptr) << rate;
        EXPECT_FALSE(image_control_is_highlighted(button)) << "it can be bought";
        const ImageControl *im = image_of(button);
        const bool tip = (im->options & IMG_TOOLTIP) && im->tooltip_text;
        if (rate == 0) {
            ASSERT_TRUE(tip);
            EXPECT_STREQ(im->tooltip_text, "No research points a day");
        } else {
            EXPECT_FALSE(tip) << "with research coming in there is nothing to say";
        }
    }
}

// Tiles two a row, the first row from x 16 and later rows from x 12; a system grant whose subtype
// does not apply gets neither a record nor a tile, the tiles after it keep their grant index, and
// a rest on the system tile opens its card.
TEST_F(TechDetail, GrantTilesTwoARowAndAFailedSubtypeIsSkipped) {
    int sub_type = 0;
    while (sub_type < 30 && system_subtype_count(sub_type) == 0) ++sub_type;
    ASSERT_LT(sub_type, 30);
    const int t = named_techs(1).at(0);
    TechInfo *info = tech_get(t);
    struct Restore {
        TechInfo *info;
        std::vector<TechEffect> kept;
        ~Restore() { info->effects = kept; }
    } restore{info, info->effects};
    info->effects = {{TECH_EFFECT_BONUS, TECH_BONUS_RESEARCH, 10}, {TECH_EFFECT_SYSTEM, sub_type, 9999},
                     {TECH_EFFECT_SYSTEM, sub_type, 0}, {TECH_EFFECT_BONUS, TECH_BONUS_CREW, 50}};
    Control *panel = galaxy_object_panel_open(GALAXY_PANEL_TECH_DETAIL);
    tech_detail_build(panel, t, ui);
    game_flush_new_controls(game);

    std::vector<Control *> tiles;
    for (Control *c : panel_of(panel_find_child(panel, TECH_DETAIL_ID_GRANTS))->children.items)
        if (c && c->on_dwell) tiles.push_back(c);
    ASSERT_EQ(tiles.size(), 3u);
    EXPECT_EQ(std::vector<int>({panel_of(tiles[0])->value, panel_of(tiles[1])->value, panel_of(tiles[2])->value}),
              std::vector<int>({0, 2, 3}));
    EXPECT_EQ(list_count(tech_detail_systems(panel)), 1);
    EXPECT_EQ(tiles[0]->x, 16);
    EXPECT_EQ(tiles[1]->x, 16 + tiles[0]->w + 8);
    EXPECT_EQ(tiles[2]->x, 12);
    EXPECT_EQ(tiles[2]->y, tiles[1]->y + tiles[1]->h + 4);

    int x = 0, y = 0;
    control_get_screen_position(tiles[1], &x, &y);
    ui_test::mouse_at(x + 4, y + 4);
    frames(30);
    EXPECT_NE(game_find_control(game, CONTROL_ID_POPUP), nullptr);
    ui_test::mouse_at(2, 2);
    frames(3);
    EXPECT_EQ(game_find_control(game, CONTROL_ID_POPUP), nullptr);
}

TEST_F(TechDetail, ReviewPicture) {
    int rich = 0;
    while (rich < TECH_COUNT && !(tech_get(rich) && tech_get(rich)->effects.size() >= 2 && !tech_get(rich)->prerequisites.empty()))
        ++rich;
    ASSERT_LT(rich, TECH_COUNT);
    std::vector<int> t = named_techs(12);
    t.push_back(rich);
    only_available(t);
    ui->credits = 1000000;
    for (int i : {1, 2, 4}) ASSERT_EQ(player_queue_research(ui, t[size_t(i)]), RES_OK);
    ASSERT_EQ(player_pause_research(ui, t[2]), RES_OK);
    player_complete_tech(ui, t[3]);
    ui->research_points[t[1]] = tech_get(t[1])->cost / 3;
    ui->totals.research_rate = 800;
    ASSERT_NE(open_list(), nullptr);
    ASSERT_NE(open_detail(rich), nullptr);
    frames(30);
    driver.save_screen("technology_list_and_detail.png");
}

}  // namespace
