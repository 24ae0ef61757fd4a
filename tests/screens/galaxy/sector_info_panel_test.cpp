// The sector information panel on a real seeded game: what the viewer's memory of a sector shows,
// the course figures while a destination is picked, and an own sector's starbase figures.
#include "sector_rows_test_support.h"

#include <algorithm>
#include <functional>

#include "platform/calendar.h"
#include "screens/galaxy/sector_info_panel.h"
#include "screens/galaxy/sector_rows.h"

using namespace galaxy_test;

namespace {

constexpr uint32_t HOVER = SECTOR_INFO_FEATURES | SECTOR_INFO_FACILITIES | 0x1;
constexpr uint32_t PICKING = HOVER | SECTOR_INFO_DISTANCE | SECTOR_INFO_SPEED_ETA;

// Every control under the panel, depth first.
void walk(Control *panel, const std::function<void(Control *)> &visit) {
    for (Control *c : children(panel)) {
        visit(c);
        if (panel_of(c)) walk(c, visit);
    }
}

bool shows_text(Control *panel, const std::string &text) {
    bool found = false;
    walk(panel, [&](Control *c) { found = found || label_text(c) == text; });
    return found;
}

// The stat rows of the panel: the row panels holding a value label.
std::vector<Control *> stat_rows(Control *panel) {
    std::vector<Control *> rows;
    walk(panel, [&](Control *c) {
        if (panel_of(c) && panel_find_child(c, STAT_ROW_VALUE_ID)) rows.push_back(c);
    });
    return rows;
}

// The value shown beside a label; "(none)" without such a row.
std::string row_value(Control *panel, const std::string &label) {
    for (Control *row : stat_rows(panel))
        if (label_text(panel_find_child(row, STAT_ROW_LABEL_ID)) == label)
            return label_text(panel_find_child(row, STAT_ROW_VALUE_ID));
    return "(none)";
}

// The value of the row whose icon is of the image type; "(none)" without one.
std::string icon_row_value(Control *panel, int type) {
    for (Control *row : stat_rows(panel))
        if (Control *icon = panel_find_child(row, STAT_ROW_ICON_ID); icon && image_type(icon) == type)
            return label_text(panel_find_child(row, STAT_ROW_VALUE_ID));
    return "(none)";
}

}  // namespace

class SectorInfoPanel : public SectorRowsGame {
protected:
    Control *panel = nullptr;

    void SetUp() override {
        SectorRowsGame::SetUp();
        panel = control_addref(panel_create_empty());
    }
    void TearDown() override {
        control_release(panel);
        SectorRowsGame::TearDown();
    }

    void build(Sector *s, uint32_t flags, int32_t distance = 0, int32_t speed = 0) {
        sector_info_panel_build(panel, s, game->ui_player_id, distance, speed, flags);
    }

    // An unowned sector the UI player has never heard of, out of its view.
    Sector *stranger() {
        Sector *s = unowned();
        if (!s) return nullptr;
        if (GameObject *copy = remembered(s)) player_forget_object(ui(), copy);
        s->flags &= ~OBJ_VISIBLE;
        return s;
    }
};

TEST_F(SectorInfoPanel, ARememberedSectorOutOfViewShowsNotVisitedAndTheDayOfItsLastScan) {
    Sector *s = stranger();
    ASSERT_NE(s, nullptr);
    date_set(game->clock, 2601, 3, 5);
    game->clock->minutes += 17 * 60;   // the time of day does not show
    date_from_minutes(game->clock);
    player_learn_object(ui(), s, 0);
    date_set(game->clock, 2601, 9, 20);   // seen months ago

    build(s, HOVER);
    EXPECT_TRUE(shows_text(panel, object_get_name(s)));
    EXPECT_TRUE(shows_text(panel, "Unclaimed"));
    EXPECT_TRUE(shows_text(panel, "(Not visited)"));
    EXPECT_FALSE(shows_text(panel, "(Unexplored)"));
    EXPECT_EQ(row_value(panel, "Last scan"), "Mar 05 2601");
    EXPECT_EQ(panel->user_data, s);

    s->flags |= OBJ_VISIBLE;   // in view, the memory is today's: no date
    build(s, HOVER);
    EXPECT_EQ(row_value(panel, "Last scan"), "(none)");
    EXPECT_TRUE(shows_text(panel, "(Not visited)"));
}

TEST_F(SectorInfoPanel, AnUnknownSectorShowsItsTitleUnexploredAndOnlyTheCourseRows) {
    Sector *s = stranger();
    ASSERT_NE(s, nullptr);
    build(s, PICKING | SECTOR_INFO_OWN, 120, 50);
    EXPECT_TRUE(shows_text(panel, object_get_name(s)));
    EXPECT_TRUE(shows_text(panel, "(Unexplored)"));
    EXPECT_FALSE(shows_text(panel, "Unclaimed")) << "no owner is known";
    EXPECT_EQ(row_value(panel, "Last scan"), "(none)");
    EXPECT_EQ(row_value(panel, "Distance"), "120 pc");
    EXPECT_EQ(row_value(panel, "Speed"), "50 pc/day");
    EXPECT_EQ(row_value(panel, "ETA"), "3 days");

    player_learn_object(ui(), s, -1);   // heard of, never explored: the owner shows, the sites do not
    build(s, HOVER);
    EXPECT_TRUE(shows_text(panel, "(Unexplored)"));
    EXPECT_TRUE(shows_text(panel, "Unclaimed"));
    EXPECT_FALSE(shows_text(panel, "(Not visited)"));
    EXPECT_EQ(row_value(panel, "Last scan"), "(none)");
}

TEST_F(SectorInfoPanel, EtaRoundsUpPartDaysOnlyAndSaysOneDayInTheSingular) {
    Sector *s = home();
    ASSERT_NE(s, nullptr);
    const struct { int32_t distance, speed; const char *eta; } cases[] = {
        {120, 50, "3 days"}, {100, 50, "2 days"}, {10, 50, "1 day"}, {1, 1000, "1 day"}, {51, 50, "2 days"},
    };
    for (const auto &c : cases) {
        build(s, PICKING, c.distance, c.speed);
        EXPECT_EQ(row_value(panel, "ETA"), c.eta) << c.distance << " pc at " << c.speed << " pc/day";
        EXPECT_EQ(row_value(panel, "Distance"), std::to_string(c.distance) + " pc");
    }
    EXPECT_EQ(sector_info_eta_days(2'000'000'000, 7), 285'714'286) << "no overflow on a long way";
}

TEST_F(SectorInfoPanel, WithoutACourseSpeedThereAreNoSpeedOrEtaRows) {
    Sector *s = home();
    ASSERT_NE(s, nullptr);
    build(s, PICKING, 120, 0);
    EXPECT_EQ(row_value(panel, "Distance"), "120 pc");
    EXPECT_EQ(row_value(panel, "Speed"), "(none)");
    EXPECT_EQ(row_value(panel, "ETA"), "(none)");

    build(s, HOVER | SECTOR_INFO_SPEED_ETA, 120, 50);   // speed rows asked for, distance not
    EXPECT_EQ(row_value(panel, "Distance"), "(none)");
    EXPECT_EQ(row_value(panel, "ETA"), "3 days");
}

TEST_F(SectorInfoPanel, AnOwnSectorWithoutAStarbaseStillShowsItsCrewAsZero) {
    Sector *s = unowned();
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(sector_find_site_of_kind(s, SITE_STARBASE), nullptr);
    player_learn_object(ui(), s, 1);
    build(s, HOVER | SECTOR_INFO_OWN);
    EXPECT_EQ(icon_row_value(panel, 100), "0");
    EXPECT_EQ(icon_row_value(panel, 50), "(none)") << "no income, no row";
    EXPECT_EQ(icon_row_value(panel, 78), "(none)") << "no starbase, no intake";
}

TEST_F(SectorInfoPanel, AnOwnStarbaseShowsItsFiguresAndItsBoxesRightOfTheTableAllAsWide) {
    Sector *s = home();
    ASSERT_NE(s, nullptr);
    Site *base = sector_find_site_of_kind(s, SITE_STARBASE);
    ASSERT_EQ(site_start_production(base, -1, 0), RES_OK);
    Site *school = sector_find_site_of_kind(s, SITE_TRAINING);
    if (!school) school = add_site(s, SITE_TRAINING, 600, game->ui_player_id);
    ASSERT_EQ(site_start_production(school, 0, site_get_officer(school, 0)->id), RES_OK);

    build(s, HOVER | SECTOR_INFO_OWN);
    EXPECT_EQ(icon_row_value(panel, 100), std::to_string(sector_starbase_crew(s)));
    const int32_t intake = sector_starbase_intake(s);
    EXPECT_EQ(icon_row_value(panel, 78), intake > 0 ? std::to_string(intake) + "/week" : "(none)");

    Control *table = nullptr;
    std::vector<Control *> boxes;
    for (Control *c : children(panel)) {
        if (ui_stat_rows_row(c, 0)) table = c;
        else if (panel_of(c) && std::ranges::any_of(children(c), [](Control *k) { return image_type(k) == IMAGE_CLOCK; }))
            boxes.push_back(c);
    }
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(boxes.size(), 2u) << "the starbase's and the training site's";
    EXPECT_EQ(boxes[0]->y, table->y);
    EXPECT_EQ(boxes[1]->y, boxes[0]->y + boxes[0]->h + 4);
    EXPECT_EQ(boxes[0]->w, boxes[1]->w);
    for (Control *box : boxes) {
        EXPECT_GT(box->x, table->x + table->w);
        EXPECT_LE(box->x + box->w + 4, panel->w) << "inside the panel with its margin";
    }
}

TEST_F(SectorInfoPanel, SiteIconsFollowTheFlagsAndARebuildReplacesTheOldContents) {
    Sector *s = home();
    ASSERT_NE(s, nullptr);
    build(s, SECTOR_INFO_FACILITIES);
    const size_t with_icons = children(panel).size();
    bool has_starbase_icon = false;
    walk(panel, [&](Control *c) { has_starbase_icon = has_starbase_icon || icon_template(c) == SITE_STARBASE; });
    EXPECT_TRUE(has_starbase_icon);

    build(s, 0);
    EXPECT_EQ(children(panel).size(), with_icons - 1) << "the icon row is gone, nothing piled up";
    walk(panel, [&](Control *c) { EXPECT_EQ(icon_template(c), -1); });
}
