// The corporation summary over a real seeded new game: the totals of the UI player, its home
// starbase, shipyard and training site put to work through the model, research queued, and the
// galaxy screen's '5'.
#include "../galaxy/panels_test_support.h"

#include <string>
#include <vector>

#include "game/tech.h"
#include "screens/corporation/corporation_summary.h"
#include "ui/image_control.h"
#include "ui/scroll.h"
#include "ui/stat_rows.h"
#include "ui/text_label.h"
#include "world/factory.h"
#include "world/site.h"

using namespace galaxy_test;

namespace {

constexpr int CORPORATION_IMAGE_TYPES[] = {IMAGE_DEFENCE_UPGRADE, IMAGE_CREDITS, IMAGE_CLOCK, IMAGE_CREW,
                                           IMAGE_SHIP_CREW, IMAGE_STARBASE_CREW, IMAGE_ARROW_UP, IMAGE_ARROW_DOWN,
                                           IMAGE_CADET, IMAGE_NO_COMMANDER, IMAGE_EMBLEM, IMAGE_RESEARCH,
                                           IMAGE_SECTORS_CONTROLLED};

std::string text(Control *c) {
    const TextLabel *t = text_label_of(c);
    return t && t->text ? t->text : "";
}
std::string text(Control *parent, int id) { return text(parent ? panel_find_child(parent, id) : nullptr); }

class CorporationSummary : public PanelsGame {
protected:
    Player *ui = nullptr;
    Sector *home = nullptr;
    Site *base = nullptr;
    std::vector<Control *> held;

    void SetUp() override {
        PanelsGame::SetUp();
        for (int type : CORPORATION_IMAGE_TYPES) ASSERT_EQ(image_control_load_type(type), RES_OK) << type;
        factory_acquire_group_all(FACTORY_GROUP_FRAMES);
        ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
        ui = game->ui_player;
        std::vector<Ship *> ships = ui_ships_at_home(1, &home);
        ASSERT_NE(home, nullptr);
        base = sector_find_site_of_kind(home, SITE_STARBASE);
        ASSERT_NE(base, nullptr);
        idle();
    }
    void TearDown() override {
        for (Control *c : held) control_release(c);
        for (int type : CORPORATION_IMAGE_TYPES) image_control_free_type(type);
        factory_release_all_groups(FACTORY_GROUP_FRAMES);
        PanelsGame::TearDown();
    }

    // Nothing in production at the player's sites, nothing queued.
    void idle() {
        for (GameObject *obj : game->galaxy_map->objects.items) {
            Sector *sector = sector_of(obj);
            if (!sector || sector->owner_id != ui->id) continue;
            for (int32_t i = 0; i < sector_site_count(sector); ++i)
                if (Site *site = sector_get_site(sector, i); site && (site->state & SITE_PRODUCING))
                    site_stop_production(site);
        }
        for (uint32_t &st : ui->tech_state) st &= ~(TECH_QUEUED | TECH_PAUSED);
        ui->research_target = -1;
        player_update_totals(ui);
    }
    Control *build() {
        Control *panel = panel_create_empty();
        held.push_back(control_addref(panel));
        corporation_summary_build(panel, ui);
        ui_test::add_top(panel, 4, 40, 50);
        game_flush_new_controls(game);
        return panel;
    }
    // Label and value of totals row i.
    static std::pair<std::string, std::string> total(Control *panel, int i) {
        Control *row = ui_stat_rows_row(panel_find_child(panel, CORP_ID_TOTALS), i);
        return {text(row, STAT_ROW_LABEL_ID), text(row, STAT_ROW_VALUE_ID)};
    }
    // The headings and row titles of the activity list, top to bottom.
    static std::vector<std::string> activity(Control *panel) {
        std::vector<std::string> lines;
        Control *list = panel_find_child(panel, CORP_ID_LIST);
        for (Control *c : list ? panel_of(list)->children.items : std::vector<Control *>{}) {
            if (!c || (c->flags & CTRL_REMOVED)) continue;
            lines.push_back(text_label_of(c) ? "# " + text(c) : text(c, CORP_ROW_ID_TITLE));
        }
        return lines;
    }
    static Control *row(Control *panel, int i) { return list_get(&corporation_summary_state(panel)->rows, i); }
    // The home sector's site of the kind, built there when the new game gave none.
    Site *home_site(int32_t kind) {
        if (Site *site = sector_find_site_of_kind(home, kind)) return site;
        Site *site = site_create(kind);
        object_assign_id(site);
        object_set_owner_id(site, ui->id);
        sector_add_site(home, site, 0, 0);
        site_add_crew(site, 1000);
        site_update_crew_state(site);
        if (kind == SITE_TRAINING) site_spawn_initial_recruits(site);
        return site;
    }
    // Queued research for the tech, made available first when it is not.
    void queue(int32_t tech) {
        ui->tech_state[tech] |= TECH_AVAILABLE;
        ASSERT_EQ(player_queue_research(ui, tech), 0) << tech;
    }
    std::vector<int32_t> named_techs() {
        std::vector<int32_t> techs;
        for (int32_t t = 0; t < TECH_COUNT; ++t)
            if (tech_name(t) && *tech_name(t) && !(ui->tech_state[t] & TECH_DONE)) techs.push_back(t);
        return techs;
    }
};

TEST_F(CorporationSummary, TotalsShowThePlayersFiguresAndTheSectorsNeededToWin) {
    const struct {
        int32_t conquerable;
        int32_t needed;
    } cases[] = {{10, 7}, {9, 6}, {1, 1}};
    for (const auto &c : cases) {
        game->conquerable_sectors = c.conquerable;
        Control *panel = build();
        EXPECT_EQ(total(panel, 0).first, "Sectors controlled");
        EXPECT_EQ(total(panel, 0).second,
                  std::to_string(ui->totals.starbase_sectors) + "/" + std::to_string(c.needed)) << c.conquerable;
    }
    ui->totals.research_rate = 7 * 400 + 399;   // shown as every panel shows a research rate
    Control *panel = build();
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Income", "$" + std::to_string(ui->totals.daily_income) + "/day"},
        {"Research", "8.0/day"},
        {"Crew recruitment", std::to_string(ui->totals.crew_intake) + "/week"},
        {"Starbase crew", std::to_string(ui->totals.starbase_crew)},
        {"Ship crew", std::to_string(ui->totals.ship_crew)},
    };
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(total(panel, int(i) + 1), expected[i]);
    EXPECT_EQ(text(panel, CORP_ID_NAME), ui->name);
    EXPECT_EQ(panel_find_child(panel, CORP_ID_LIST), nullptr) << "nothing in progress: totals only";
    EXPECT_EQ(panel->user_data, ui);
}

// '5' on the galaxy screen: what the UI player has in progress, by group, with the days left.
TEST_F(CorporationSummary, FiveListsActivitiesByGroupInTheirOrderWithTheirDays) {
    Site *yard = home_site(SITE_SHIPYARD);
    Site *school = home_site(SITE_TRAINING);
    ASSERT_EQ(site_start_production(base, -1, 0), RES_OK) << "a defense upgrade";
    ASSERT_EQ(site_start_production(yard, 0, player_get_design_at(ui, 0)->id), RES_OK);
    Officer *recruit = list_get(&school->officers, 0);
    ASSERT_NE(recruit, nullptr);
    ASSERT_EQ(site_start_production(school, 0, recruit->id), RES_OK);
    std::vector<int32_t> techs = named_techs();
    ASSERT_GE(techs.size(), 4u);
    for (int i = 0; i < 4; ++i) queue(techs[size_t(i)]);
    ASSERT_EQ(player_pause_research(ui, techs[1]), 0);
    ui->research_target = techs[3];
    player_update_totals(ui);
    ui->totals.research_rate = 0;

    press('5');
    Control *panel = screen()->side_panels[GALAXY_LIST_CORP];
    ASSERT_NE(corporation_summary_state(panel), nullptr);
    frames(30);
    driver.save_screen("corporation_summary.png");
    const std::vector<std::string> want = {"# Building",    "Defense upgrade", object_get_name(player_get_design_at(ui, 0)),
                                           "# Training",    recruit->name,     "# Researching",
                                           tech_name(techs[3]), tech_name(techs[0]), tech_name(techs[2])};
    EXPECT_EQ(activity(panel), want) << "the target first, the paused tech left out";

    int days = 0;
    site_production_info(base, nullptr, nullptr, &days, nullptr, nullptr);
    ASSERT_GT(days, 0);
    EXPECT_EQ(text(row(panel, 0), CORP_ROW_ID_DAYS), std::to_string(days));
    EXPECT_EQ(text(row(panel, 0), CORP_ROW_ID_SECTOR), std::string(object_get_name(home)) + " sector");
    const int n = list_count(&corporation_summary_state(panel)->rows);
    EXPECT_EQ(text(row(panel, n - 1), CORP_ROW_ID_DAYS), "-") << "no research rate: no days, not zero days";

    // Days: what is left over the rate, rounded up, never below one day.
    const TechInfo *info = tech_get(techs[0]);
    ASSERT_NE(info, nullptr);
    ui->totals.research_rate = 1000;
    ui->research_points[techs[0]] = info->cost - 999;
    ui->research_points[techs[2]] = 0;
    panel = build();
    EXPECT_EQ(text(row(panel, n - 2), CORP_ROW_ID_DAYS), "1");
    EXPECT_EQ(text(row(panel, n - 1), CORP_ROW_ID_DAYS), std::to_string((tech_get(techs[2])->cost + 999) / 1000));
}

TEST_F(CorporationSummary, AListTallerThan190PixelsScrolls) {
    std::vector<int32_t> techs = named_techs();
    ASSERT_GE(techs.size(), 12u);
    // Research rows one by one: the bar comes exactly when the list passes 190 pixels.
    bool scrolled = false;
    for (int32_t tech : techs) {
        queue(tech);
        Control *panel = build();
        const CorporationSummaryState *s = corporation_summary_state(panel);
        Control *list = panel_find_child(panel, CORP_ID_LIST);
        ASSERT_NE(list, nullptr);
        const bool tall = s->content_height > CORP_LIST_MAX_HEIGHT;
        EXPECT_EQ(panel_find_child(panel, CORP_ID_SCROLL) != nullptr, tall) << s->content_height;
        EXPECT_EQ(list->h, std::min(s->content_height, CORP_LIST_MAX_HEIGHT));
        if (!tall) continue;
        scrolled = true;
        Control *bar = panel_find_child(panel, CORP_ID_SCROLL);
        int pos = 0, range = 0;
        scroll_bar_get(bar, &pos, &range);
        ASSERT_GT(range, 0);
        ui_test::click_control(panel_find_child(bar, SCROLL_FAR_ARROW_ID));
        scroll_bar_get(bar, &pos, &range);
        EXPECT_EQ(pos, std::min(96, range));
        EXPECT_EQ(panel_of(list)->scroll_y, (s->content_height - CORP_LIST_MAX_HEIGHT) * pos / range);
        ui_test::wheel(-1);   // a notch up over the list
        list->on_wheel(list);
        ui_test::next_tick();
        scroll_bar_get(bar, &pos, &range);
        EXPECT_EQ(pos, std::min(96, range) - 24);
        ui_test::wheel(2);   // two notches down over the bar's track
        Control *track = panel_find_child(bar, SCROLL_TRACK_ID);
        track->on_wheel(track);
        ui_test::next_tick();
        scroll_bar_get(bar, &pos, &range);
        EXPECT_EQ(pos, std::min(std::min(96, range) + 24, range));
        EXPECT_EQ(panel_of(list)->scroll_y, (s->content_height - CORP_LIST_MAX_HEIGHT) * pos / range);
        if (s->content_height > 2 * CORP_LIST_MAX_HEIGHT) break;
    }
    EXPECT_TRUE(scrolled);
}

}  // namespace
