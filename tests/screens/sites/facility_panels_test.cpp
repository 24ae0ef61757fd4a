// The facility panels on a real seeded game: the facility build chooser, the facility build and
// defence upgrade panels with their picture loads, and the facility detail rows.
#include "../galaxy/panels_test_support.h"

#include <functional>
#include <string>

#include "game/player.h"
#include "platform/colour_fade.h"
#include "screens/design/design_list_panel.h"
#include "screens/sites/facility_panels.h"
#include "screens/sites/site_choosers.h"
#include "screens/sites/site_panel.h"
#include "ui/dialog.h"
#include "ui/game_controls.h"
#include "ui/image_control.h"
#include "ui/panel_slots.h"
#include "ui/stat_rows.h"
#include "ui/text_label.h"
#include "views/commander_box.h"
#include "world/factory.h"
#include "world/sector.h"
#include "world/site.h"
#include "world/site_feature.h"

using namespace galaxy_test;

namespace {

using galaxy_test::readers::button;
using galaxy_test::readers::shows;
using galaxy_test::readers::text_of;
using galaxy_test::readers::walk;

constexpr int FACILITY_PANELS_IMAGE_TYPES[] = {IMAGE_CLOSE, IMAGE_BACK, IMAGE_DEFENCE_UPGRADE, IMAGE_BUILD_FACILITY,
                                               IMAGE_CREDITS, IMAGE_CLOCK, IMAGE_PRODUCTION, IMAGE_CADET,
                                               IMAGE_RESEARCH, IMAGE_BULLET};

// The value shown beside a stat-row label anywhere in the panel ("" when no row has it), and
// whether it is in the warning colour.
std::string row_value(Control *panel, const std::string &label, bool *warned = nullptr) {
    std::string value;
    walk(panel, [&](Control *row) {
        Control *l = panel_find_child(row, STAT_ROW_LABEL_ID), *v = panel_find_child(row, STAT_ROW_VALUE_ID);
        if (!l || !v || text_of(l) != label) return;
        value = text_of(v);
        if (warned) *warned = text_label_colour(v)->g < 100;
    });
    return value;
}

int g_built = 0, g_pick_calls = 0;
void count_build(Control *) { ++g_built; }
void note_pick(Control *) { ++g_pick_calls; }

int32_t detail_requests(int32_t kind, int32_t tmpl) {
    Factory *f = factory_get(kind);
    std::lock_guard<std::mutex> lock(f->count_mutex);
    return f->requested[size_t(tmpl)][FACTORY_GROUP_DETAIL];
}

}  // namespace

class FacilityPanels : public PanelsGame {
protected:
    Sector *home = nullptr;
    Site *base = nullptr;
    Player *player = nullptr;

    void SetUp() override {
        PanelsGame::SetUp();
        for (int type : FACILITY_PANELS_IMAGE_TYPES)
            ASSERT_EQ(image_control_load_type(type), RES_OK) << "image type " << type;
        for (int32_t t = 0; t < SITE_TEMPLATE_COUNT; ++t) factory_acquire_group(OBJECT_SITE, t, FACTORY_GROUP_FRAMES);
        ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
        player = game->ui_player;
        for (GameObject *o : game->galaxy_map->objects.items)
            if (Sector *s = sector_of(o))
                if (Site *b = sector_find_site_of_kind(s, SITE_STARBASE); b && b->owner_id == game->ui_player_id) {
                    home = s;
                    base = b;
                    break;
                }
        ASSERT_NE(base, nullptr);
        g_built = g_pick_calls = 0;
    }
    void TearDown() override {
        for (int type : FACILITY_PANELS_IMAGE_TYPES) image_control_free_type(type);
        PanelsGame::TearDown();
    }
    Control *top_panel(int x = 40, int y = 40) {
        Control *panel = game_add_control(game, x, y, 0, 0, panel_create_empty());
        game_flush_new_controls(game);
        return panel;
    }
    // The facility templates the home sector offers the player, in entry order.
    std::vector<int32_t> offered() {
        std::vector<int32_t> out;
        for (int32_t i = 0; i < sector_entry_count(home); ++i) {
            const int32_t t = sector_get_entry_kind(home, i);
            if (player_has_item_kind(player, t) && site_template(t)) out.push_back(t);
        }
        return out;
    }
    // A site of the template laid down in the home sector, still under construction.
    Site *lay_down(int32_t tmpl, int32_t progress) {
        Site *site = site_create(tmpl);
        site->owner_id = game->ui_player_id;
        site->sector_id = home->id;
        site_set_under_construction(site, 1);
        site->progress = progress;
        sector_add_site(home, site, 400, 300);
        return site;
    }
};

// ---- The facility build chooser ----

TEST_F(FacilityPanels, ChooserRowsFollowTheSectorAndCarryTheirPick) {
    const std::vector<int32_t> tmpls = offered();
    ASSERT_GE(tmpls.size(), 1u) << "the home sector offers a facility at the start";
    Site *started = lay_down(tmpls[0], 50);

    Control *list = top_panel();
    facility_chooser_build(list, home, base, FACILITY_CHOOSER_DEFENSE);
    FacilityChooserState *state = facility_chooser_state(list);
    ASSERT_NE(state, nullptr);
    ASSERT_EQ(list_count(&state->entries), int32_t(tmpls.size()));
    ASSERT_EQ(list_count(&state->rows), int32_t(tmpls.size()) + 1);
    // The started facility's row is that site (so the build continues it) at half its price.
    EXPECT_EQ(list_get(&state->entries, 0), started);
    Control *first = list_get(&state->rows, 0);
    EXPECT_EQ(text_of(panel_find_child(first, FACILITY_ROW_ID_NAME)), object_get_name(started));
    const Site *tmpl = site_template(tmpls[0]);
    EXPECT_EQ(text_of(panel_find_child(first, FACILITY_ROW_ID_COST)), "$" + std::to_string(tmpl->params.build_cost / 2));
    Control *defense = list_get(&state->rows, int32_t(tmpls.size()));
    EXPECT_EQ(text_of(panel_find_child(defense, FACILITY_ROW_ID_NAME)), "Defense Upgrade");
    // Rows share their columns.
    for (Control *row : state->rows.items) EXPECT_EQ(row->w, first->w);

    frames(20);
    driver.save_screen("facility_build_chooser.png");   // for review
    state->on_pick = note_pick;
    click(defense);
    EXPECT_EQ(g_pick_calls, 1);
    EXPECT_TRUE(facility_chooser_is_defense_upgrade(list));
    EXPECT_EQ(facility_chooser_get_selected(list), nullptr) << "the upgrade row has no entry";
    click(first);
    EXPECT_EQ(g_pick_calls, 2);
    EXPECT_FALSE(facility_chooser_is_defense_upgrade(list));
    EXPECT_EQ(facility_chooser_get_selected(list), started);

    // Without the upgrade flag, or for a starbase already upgraded, no upgrade row.
    facility_chooser_build(list, home, base, 0);
    EXPECT_EQ(list_count(&facility_chooser_state(list)->rows), int32_t(tmpls.size()));
    EXPECT_FALSE(shows(list, "Defense Upgrade"));
}

TEST_F(FacilityPanels, ChooserSlidesRowsInAndTakesNoPickUntilAllHaveAppeared) {
    Control *list = top_panel();
    facility_chooser_build(list, home, base, FACILITY_CHOOSER_SLIDE | FACILITY_CHOOSER_DEFENSE);
    FacilityChooserState *state = facility_chooser_state(list);
    state->on_pick = note_pick;
    const int rows = list_count(&state->rows);
    ASSERT_GE(rows, 2);
    Control *last = list_get(&state->rows, rows - 1);
    EXPECT_TRUE(last->flags & CTRL_HIDDEN);
    frame();
    click(list_get(&state->rows, 0));
    EXPECT_EQ(g_pick_calls, 0) << "rows ignore the pointer while the list slides in";
    frames(rows * 60 / 20 + 30);
    EXPECT_FALSE(last->flags & CTRL_HIDDEN);
    click(list_get(&state->rows, 0));
    EXPECT_EQ(g_pick_calls, 1);
}

// The rows do not stand empty while they slide in: the first shows its name within a few frames,
// and the whole list is readable within a quarter second of its last row's turn.
TEST_F(FacilityPanels, ChooserRowsShowTheirNamesAsTheySlideIn) {
    Control *list = top_panel();
    facility_chooser_build(list, home, base, FACILITY_CHOOSER_SLIDE | FACILITY_CHOOSER_DEFENSE);
    FacilityChooserState *state = facility_chooser_state(list);
    const int rows = list_count(&state->rows);
    ASSERT_GE(rows, 2);
    std::vector<int> full;
    for (Control *row : state->rows.items) full.push_back(panel_of(row)->target_w);
    frames(3);
    Control *first = list_get(&state->rows, 0);
    Control *name = panel_find_child(first, FACILITY_ROW_ID_NAME);
    ASSERT_NE(name, nullptr);
    EXPECT_TRUE(panel_of(first)->flags & PANEL_DRAW_RESIZING) << "its name and figures are drawn while it grows";
    driver.save_screen("newcomer/facility_chooser_sliding_in.png");
    frames((rows * 60 + 260) / 20);
    for (int k = 0; k < rows; ++k) EXPECT_EQ(list_get(&state->rows, k)->w, full[size_t(k)]) << "row " << k;
}

TEST_F(FacilityPanels, LockedOrUnknownEntriesGetNoRow) {
    // A template the factory does not have, offered and unlocked, gets no row.
    list_append(&home->buildable, new int32_t(SITE_TEMPLATE_COUNT + 3));
    player_add_facility(player, SITE_TEMPLATE_COUNT + 3);
    Control *list = top_panel();
    facility_chooser_build(list, home, base, 0);
    EXPECT_EQ(list_count(&facility_chooser_state(list)->entries), int32_t(offered().size()));

    list_clear(&player->facilities);
    facility_chooser_build(list, home, base, 0);
    EXPECT_TRUE(shows(list, "No facilities available to build"));
    facility_chooser_build(list, home, base, FACILITY_CHOOSER_DEFENSE);
    EXPECT_FALSE(shows(list, "No facilities available to build"));
    EXPECT_EQ(list_count(&facility_chooser_state(list)->rows), 1);
}

TEST(FacilityDays, BuildMinutesRoundUpToWholeDays) {
    EXPECT_EQ(facility_days_from_minutes(0), 0);
    EXPECT_EQ(facility_days_from_minutes(1), 1);
    EXPECT_EQ(facility_days_from_minutes(1440), 1);
    EXPECT_EQ(facility_days_from_minutes(2880), 2);
    EXPECT_EQ(facility_days_from_minutes(2881), 3);
    EXPECT_EQ(facility_days_from_minutes(2147483647), 1491309);   // no overflow near the top
}

// ---- The facility build panel ----

TEST_F(FacilityPanels, BuildButtonFollowsCreditsAndConstruction) {
    const std::vector<int32_t> tmpls = offered();
    ASSERT_GE(tmpls.size(), 1u);
    GameObject *tmpl = factory_get_template(OBJECT_SITE, tmpls[0]);
    int32_t cost = 0, minutes = 0;
    player_build_cost(player, tmpls[0], home->id, &cost, &minutes);

    driver.draw = false;   // no frame replay while the panels' workers load (see below)
    Control *panel = top_panel();
    player->credits = cost;   // exactly enough
    facility_panel_build(panel, tmpl, game->ui_player_id, home->id);
    panel_set_slot(panel, FACILITY_PANEL_SLOT_BUILD, count_build);
    Control *build = button(panel, "Build");
    ASSERT_NE(build, nullptr);
    EXPECT_FALSE(image_control_is_highlighted(build));
    frames(25);
    click(build);
    EXPECT_EQ(g_built, 1);

    player->credits = cost - 1;
    facility_panel_build(panel, tmpl, game->ui_player_id, home->id);
    panel_set_slot(panel, FACILITY_PANEL_SLOT_BUILD, count_build);
    build = button(panel, "Build");
    ASSERT_NE(build, nullptr);
    EXPECT_TRUE(image_control_is_highlighted(build));
    EXPECT_STREQ(image_of(build)->tooltip_text, "Insufficient credits");
    frames(25);
    click(build);
    EXPECT_EQ(g_built, 1) << "a greyed Build does nothing";

    // A started facility resumes; without a player the defaults show and nothing is refused.
    Site *started = lay_down(tmpls[0], 10);
    facility_panel_build(panel, started, game->ui_player_id, home->id);
    EXPECT_NE(button(panel, "Resume"), nullptr);
    EXPECT_EQ(button(panel, "Build"), nullptr);
    facility_panel_build(panel, tmpl, 0, home->id);
    Control *tag = panel_find_child(panel, FACILITY_PANEL_ID_COST_TAG);
    EXPECT_TRUE(shows(tag, "$1000") && shows(tag, "2"));
    EXPECT_FALSE(image_control_is_highlighted(button(panel, "Build")));

    // Resting on the cost tag explains it; leaving it closes the explanation.
    frames(15);
    int tx = 0, ty = 0;
    control_get_screen_position(tag, &tx, &ty);
    ui_test::mouse_at(tx + 2, ty + 2);
    frames(30);
    Control *popup = find(CONTROL_ID_POPUP);
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(shows(popup, "Cost"));
    ui_test::mouse_at(tx + 2, ty + tag->h + 40);
    frames(2);
    EXPECT_EQ(find(CONTROL_ID_POPUP), nullptr);
}

// The worker only resolves the load groups; the picture is built and shown on the game thread. A
// rebuild while a load runs joins it and drops exactly the request it took.
TEST_F(FacilityPanels, PictureLoadsOnAWorkerAndItsRequestLeavesWithThePanel) {
    const std::vector<int32_t> tmpls = offered();
    ASSERT_GE(tmpls.size(), 1u);
    const int32_t a = SITE_STARBASE, b = tmpls[0];
    const int32_t a0 = detail_requests(OBJECT_SITE, a), b0 = detail_requests(OBJECT_SITE, b);

    // The test's frame replay re-attaches the screen whose pixel format the worker's sprite loads
    // read; the program attaches it once. Frames are not replayed while a worker loads.
    driver.draw = false;
    Control *panel = top_panel();
    facility_panel_build(panel, factory_get_template(OBJECT_SITE, a), game->ui_player_id, home->id);
    EXPECT_EQ(detail_requests(OBJECT_SITE, a), a0 + 1);
    facility_panel_build(panel, factory_get_template(OBJECT_SITE, b), game->ui_player_id, home->id);
    EXPECT_EQ(detail_requests(OBJECT_SITE, a), a0) << "the first panel's request went with its state";
    EXPECT_EQ(detail_requests(OBJECT_SITE, b), b0 + 1);

    Control *holder = panel_find_child(panel, FACILITY_PANEL_ID_PICTURE);
    ASSERT_NE(holder, nullptr);
    EXPECT_FALSE(control_is_shown(holder)) << "hidden until its picture is in";
    ASSERT_TRUE(run_until([&] { return control_is_shown(holder); }, 500));
    ASSERT_EQ(list_count(&panel_of(holder)->children), 1);
    const ImageControl *picture = image_of(list_get(&panel_of(holder)->children, 0));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->frame_count, site_template(b)->params.frame_range_count);
    driver.draw = true;
    frames(15);
    driver.save_screen("facility_build_panel.png");

    // Closed through its title: the request goes when the panel is swept.
    click(panel_find_child(panel, FACILITY_PANEL_ID_TITLE));
    frames(3);
    EXPECT_EQ(detail_requests(OBJECT_SITE, b), b0);
}

// ---- The defence upgrade panel ----

TEST_F(FacilityPanels, DefensePanelOffersTheUpgradeToTheStarbasesOwner) {
    int32_t cost = 0, minutes = 0;
    player_build_cost(player, -1, home->id, &cost, &minutes);
    ASSERT_GT(cost, 0);
    const int32_t requests = detail_requests(OBJECT_SHIP, DEFENSE_HULL_TEMPLATE);

    driver.draw = false;   // no frame replay while the worker loads (see above)
    Control *panel = top_panel();
    player->credits = cost;
    defense_upgrade_panel_build(panel, base);
    EXPECT_EQ(detail_requests(OBJECT_SHIP, DEFENSE_HULL_TEMPLATE), requests + 1);
    EXPECT_NE(panel_find_child(panel, DEFENSE_PANEL_ID_TITLE), nullptr);
    Control *build = button(panel, "Build");
    ASSERT_NE(build, nullptr);
    EXPECT_FALSE(image_control_is_highlighted(build)) << "credits equal to the cost suffice";
    EXPECT_TRUE(shows(panel_find_child(panel, DEFENSE_PANEL_ID_COST_TAG), "$" + std::to_string(cost)));
    Control *holder = panel_find_child(panel, DEFENSE_PANEL_ID_PICTURE);
    ASSERT_TRUE(run_until([&] { return !(holder->flags & CTRL_HIDDEN); }, 500));
    driver.draw = true;
    frames(15);
    driver.save_screen("defense_upgrade_panel.png");

    base->defense_progress = 40;   // a halted upgrade
    player->credits = 0;
    defense_upgrade_panel_build(panel, base);
    EXPECT_EQ(detail_requests(OBJECT_SHIP, DEFENSE_HULL_TEMPLATE), requests + 1);
    Control *resume = button(panel, "Resume");
    ASSERT_NE(resume, nullptr);
    EXPECT_TRUE(image_control_is_highlighted(resume));

    // An unowned starbase: an empty panel, and no request held.
    const uint64_t owner = base->owner_id;
    base->owner_id = 0;
    defense_upgrade_panel_build(panel, base);
    base->owner_id = owner;
    int live = 0;
    walk(panel, [&](Control *) { ++live; });
    EXPECT_EQ(live, 0);
    EXPECT_EQ(detail_requests(OBJECT_SHIP, DEFENSE_HULL_TEMPLATE), requests);
}

// ---- Facility detail rows ----

TEST_F(FacilityPanels, ResourceRowsShowWhatIsLeftWithoutOverflowOrEmptyTotals) {
    Site *body = nullptr;
    for (Site *s : home->sites.items)
        if (s && (s->params.template_flags & SITE_TF_RESOURCE) && !(s->params.template_flags & SITE_TF_POPULATION)) body = s;
    ASSERT_NE(body, nullptr) << "the home sector has a resource body";
    Control *panel = top_panel();
    bool warned = false;

    body->resources_max = 100000;
    body->resources_left = 5000;
    facility_detail_rows(panel, body, 0);
    EXPECT_EQ(row_value(panel, "Mass remaining", &warned), "5.00%");
    EXPECT_TRUE(warned);
    EXPECT_EQ(row_value(panel, "Resource mass"), "100.00 GT");

    body->resources_left = 1;   // 0.001 %
    facility_detail_rows(panel, body, 0);
    EXPECT_EQ(row_value(panel, "Mass remaining"), "0.01%");

    body->resources_max = body->resources_left = 2000000000;
    body->harvest_divisor = 1;
    facility_detail_rows(panel, body, 0);
    EXPECT_EQ(row_value(panel, "Mass remaining", &warned), "100%");
    EXPECT_FALSE(warned);
    EXPECT_EQ(row_value(panel, "Projected yield"), "$2000000000");

    body->resources_max = body->resources_left = 0;
    facility_detail_rows(panel, body, 0);
    EXPECT_EQ(row_value(panel, "Mass remaining"), "");
    EXPECT_EQ(row_value(panel, "Projected yield"), "");
    EXPECT_NE(row_value(panel, "Resource Rating"), "");
}

TEST_F(FacilityPanels, ProductionRowsOnlyWhenAskedAndHarvesterStates) {
    const std::vector<int32_t> tmpls = offered();
    ASSERT_GE(tmpls.size(), 1u);
    base->crew = 5000;
    ASSERT_EQ(site_start_production(base, tmpls[0], 0), RES_OK);
    Control *panel = top_panel();
    facility_detail_rows(panel, base, 0);
    EXPECT_EQ(row_value(panel, "ETA"), "");
    facility_detail_rows(panel, base, FACILITY_ROWS_PRODUCTION);
    const int32_t days = facility_days_from_minutes(base->remaining_min);
    EXPECT_EQ(row_value(panel, "ETA"), std::to_string(days) + (days == 1 ? " day" : " days"));
    EXPECT_TRUE(shows(panel, object_get_name(site_template(tmpls[0]))));
    frames(10);
    driver.save_screen("facility_detail_rows.png");

    Site *harvester = site_create(SITE_HARVESTER);
    harvester->owner_id = game->ui_player_id;
    harvester->sector_id = home->id;
    sector_add_site(home, harvester, 200, 300);
    site_set_deactivated(harvester, 1);
    facility_detail_rows(panel, harvester, FACILITY_ROWS_PRODUCTION);
    EXPECT_TRUE(shows(panel, "Deactivated"));
    EXPECT_EQ(row_value(panel, "Harvesting"), "");

    EXPECT_STREQ(facility_orbit_word(10), "Tau");
    EXPECT_STREQ(facility_orbit_word(11), "");
}

// ---- The site choosers ----

namespace {
struct Pick {
    int calls = 0;
    void *item = nullptr;
    int32_t defense_row = -1;
};
Pick g_pick[SITE_PANEL_SLOT_COUNT];
template <int K> void record(Control *panel) {
    g_pick[K] = {g_pick[K].calls + 1, site_panel_picked(panel), site_panel_defense_row(panel)};
}
Control *live_child(Control *panel, int id) {
    Control *c = panel_find_child(panel, id);
    return c && !(c->flags & (CTRL_REMOVED | CTRL_FADING)) ? c : nullptr;
}
}  // namespace

class SiteChoosers : public FacilityPanels {
protected:
    Control *chooser(Site *site, void (*opener)(Control *)) {
        for (Pick &p : g_pick) p = Pick{};
        Control *panel = top_panel();
        site_panel_build(panel, site, SITE_PANEL_INTERACTIVE);
        for (int slot : {SITE_SLOT_PICK_FACILITY, SITE_SLOT_PICK_DESIGN, SITE_SLOT_PICK_RECRUIT})
            panel_set_slot(panel, slot, slot == 0 ? record<0> : slot == 5 ? record<5> : record<11>);
        site_panel_set_picked(panel, base, 0);
        site_panel_clear_body(panel);
        opener(panel);
        site_panel_fit(panel);
        frames(30);   // shown after 200 ms, facility rows slid in
        return panel;
    }
};

TEST_F(SiteChoosers, FacilityPickOrUpgradeMarkReachesSlotZeroAndEscapeGoesBack) {
    Control *panel = chooser(base, site_facility_chooser_open);
    Control *list = live_child(panel, SITE_PANEL_ID_FACILITY_LIST);
    ASSERT_NE(list, nullptr);
    Control *title = live_child(panel, SITE_PANEL_ID_CHOOSER_TITLE);
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(text_of(title), "Choose facility to build");
    EXPECT_GE(title->y, list->y + list->h);
    ASSERT_NE(button(live_child(panel, SITE_PANEL_ID_BUTTONS), "Back"), nullptr);
    frames(60);   // the rows have grown to their width
    driver.save_screen("site_facility_chooser.png");   // for review

    FacilityChooserState *state = facility_chooser_state(list);
    const int32_t facilities = list_count(&state->entries);
    ASSERT_EQ(list_count(&state->rows), facilities + 1) << "an unupgraded starbase offers the upgrade";
    click(list_get(&state->rows, facilities));
    EXPECT_EQ(g_pick[0].calls, 1);
    EXPECT_EQ(g_pick[0].defense_row, 1);
    EXPECT_EQ(g_pick[0].item, base) << "the upgrade row leaves the picked item as it was";
    click(list_get(&state->rows, 0));
    EXPECT_EQ(g_pick[0].defense_row, 0);
    EXPECT_EQ(g_pick[0].item, list_get(&state->entries, 0));

    press(27);
    frames(15);
    EXPECT_EQ(live_child(panel, SITE_PANEL_ID_FACILITY_LIST), nullptr) << "Escape acts as Back";
    EXPECT_FALSE(shows(panel, "Choose facility to build"));
}

TEST_F(SiteChoosers, RecruitPickReachesItsSlot) {
    Site *school = lay_down(SITE_TRAINING, 0);
    site_set_under_construction(school, 0);
    site_spawn_initial_recruits(school);
    Control *panel = chooser(school, site_recruit_chooser_open);
    EXPECT_TRUE(shows(panel, "Choose recruit"));
    const OfficerChooserState *recruits = officer_chooser_state(live_child(panel, SITE_PANEL_ID_RECRUIT_LIST));
    ASSERT_NE(recruits, nullptr);
    ASSERT_GE(list_count(&recruits->rows), 1);
    click(list_get(&recruits->rows, 0));
    EXPECT_EQ(g_pick[11].calls, 1);
    EXPECT_EQ(g_pick[11].item, list_get(&recruits->officers, 0));
}

TEST_F(SiteChoosers, DesignPickOrNewDesignReachesSlotFive) {
    Site *yard = lay_down(SITE_SHIPYARD, 0);
    site_set_under_construction(yard, 0);
    ASSERT_GE(list_count(&player->designs), 1);
    Control *panel = chooser(yard, site_design_chooser_open);
    EXPECT_EQ(site_panel_state(panel)->open_chooser, SITE_CHOOSER_DESIGN);
    const DesignListState *designs = design_list_state(live_child(panel, SITE_PANEL_ID_DESIGN_LIST));
    ASSERT_NE(designs, nullptr);
    const int32_t rows = list_count(&designs->rows);
    ASSERT_EQ(rows, list_count(&player->designs) + 1);
    click(list_get(&designs->rows, rows - 1));   // "(New Design)"
    EXPECT_EQ(g_pick[5].calls, 1);
    EXPECT_EQ(g_pick[5].item, nullptr);
    click(list_get(&designs->rows, 0));
    EXPECT_EQ(g_pick[5].calls, 2);
    EXPECT_EQ(g_pick[5].item, list_get(&player->designs, 0));
}
