// The site panel, its command buttons and reasons, the officer pool, the starbase "Assign Officer"
// dialog and the galaxy screen's site production handlers, on a real seeded game.
#include "../galaxy/panels_test_support.h"

#include <cstring>
#include <functional>
#include <string>

#include "game/officer.h"
#include "game/tech.h"
#include "platform/colour_fade.h"
#include "screens/galaxy/sector_panel.h"
#include "screens/galaxy/sector_rows.h"
#include "screens/galaxy/ship_commands.h"
#include "screens/ships/ship_details.h"
#include "screens/galaxy/site_production.h"
#include "screens/officers/officer_choice.h"
#include "screens/sites/facility_panels.h"
#include "screens/sites/officer_pool.h"
#include "screens/sites/site_panel.h"
#include "ui/image_control.h"
#include "ui/panel_slots.h"
#include "ui/stat_rows.h"
#include "ui/text_label.h"
#include "views/ship_list.h"
#include "world/factory.h"
#include "world/site.h"
#include "world/site_feature.h"

using namespace galaxy_test;

namespace {

using galaxy_test::readers::button;
using galaxy_test::readers::shows;
using galaxy_test::readers::text_of;
using galaxy_test::readers::walk;

constexpr int SITE_PANEL_IMAGE_TYPES[] = {IMAGE_BACK, IMAGE_DEFENCE_UPGRADE, IMAGE_BUILD_FACILITY, IMAGE_BUILD_SHIP,
                                          IMAGE_TRAIN, IMAGE_RUSH, IMAGE_CANCEL, IMAGE_CREDITS, IMAGE_ARMOUR,
                                          IMAGE_FEATURE, IMAGE_CREW, IMAGE_COMMANDER, IMAGE_RANK_FIRST,
                                          IMAGE_RANK_FIRST + 1, IMAGE_RANK_FIRST + 2, IMAGE_RANK_FIRST + 3,
                                          IMAGE_RANK_FIRST + 4, IMAGE_RANK_LAST, IMAGE_CADET, IMAGE_NO_COMMANDER,
                                          IMAGE_RESEARCH, IMAGE_DATE, IMAGE_ENCOUNTER_MARKER, IMAGE_TALLY,
                                          IMAGE_HARVESTER_MOVE, IMAGE_PLANET, IMAGE_EARTH, IMAGE_DEACTIVATE,
                                          IMAGE_ACTIVATE, IMAGE_BLOCKADE};

// The value beside a stat row's caption, "" when the row is missing.
std::string stat(Control *panel, const std::string &caption) {
    std::string value;
    walk(panel, [&](Control *row) {
        Control *l = panel_of(row) ? panel_find_child(row, STAT_ROW_LABEL_ID) : nullptr;
        Control *v = panel_of(row) ? panel_find_child(row, STAT_ROW_VALUE_ID) : nullptr;
        if (l && v && text_of(l) == caption) value = text_of(v);
    });
    return value;
}
std::vector<std::string> buttons(Control *panel) {
    std::vector<std::string> out;
    if (Control *row = panel_find_child(panel, SITE_PANEL_ID_BUTTONS))
        for (Control *c : panel_of(row)->children.items)
            if (c && image_of(c) && image_of(c)->caption) out.push_back(image_of(c)->caption);
    return out;
}
// "" for an enabled button, else its reason.
std::string refusal(Control *b) {
    const ImageControl *im = image_of(b);
    if (!im) return "missing";
    if (!(im->options & IMG_HIGHLIGHTED)) return "";
    return im->tooltip_text ? im->tooltip_text : "(no reason)";
}

int g_calls[PANEL_COMMAND_SLOT_COUNT];
void *g_picked;
template <int K> void count(Control *panel) {
    ++g_calls[K];
    g_picked = panel ? (site_panel_state(panel) ? site_panel_picked(panel) : nullptr) : nullptr;
}

}  // namespace

class SitePanel : public PanelsGame {
protected:
    Sector *home = nullptr;
    Site *base = nullptr;
    Player *ui = nullptr;

    void SetUp() override {
        PanelsGame::SetUp();
        for (int type : SITE_PANEL_IMAGE_TYPES)
            ASSERT_EQ(image_control_load_type(type), RES_OK) << "image type " << type;
        for (int32_t t = 0; t < SITE_TEMPLATE_COUNT; ++t) factory_acquire_group(OBJECT_SITE, t, FACTORY_GROUP_FRAMES);
        ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
        ui = game->ui_player;
        std::vector<Ship *> ships = ui_ships_at_home(1, &home);
        ASSERT_NE(home, nullptr);
        base = sector_find_site_of_kind(home, SITE_STARBASE);
        ASSERT_NE(base, nullptr);
        ASSERT_EQ(base->owner_id, ui->id);
        std::memset(g_calls, 0, sizeof g_calls);
        g_picked = nullptr;
    }
    void TearDown() override {
        for (int type : SITE_PANEL_IMAGE_TYPES) image_control_free_type(type);
        PanelsGame::TearDown();
    }

    // The site's panel as the galaxy screen opens it, selected, with the test's counters in the slots.
    Control *open(Site *site, bool counters = true) {
        galaxy_select_object(site);
        Control *panel = galaxy_object_panel_open(GALAXY_PANEL_SITE);
        galaxy_object_panel_set_object(panel, site);
        galaxy_show_site_panel(panel, site, 5);
        if (counters) {
            panel_set_slot(panel, SITE_SLOT_PICK_OFFICER, count<SITE_SLOT_PICK_OFFICER>);
            panel_set_slot(panel, SITE_SLOT_COMMANDER, count<SITE_SLOT_COMMANDER>);
            panel_set_slot(panel, SITE_SLOT_MOVE, count<SITE_SLOT_MOVE>);
        }
        game_flush_new_controls(game);
        frames(25);   // the buttons row takes clicks 400 ms after it appears
        return panel;
    }
    // A new facility of the UI player in the home sector, built and crewed.
    Site *facility(int32_t kind) {
        Site *site = site_create(kind);
        object_assign_id(site);
        object_set_owner_id(site, ui->id);
        sector_add_site(home, site, 300, 300);
        site_set_under_construction(site, 0);
        return site;
    }
    // The first site that fits, at home first, then anywhere in the galaxy.
    Site *site_where(const std::function<bool(Site *)> &fits) {
        std::vector<Sector *> sectors{home};
        for (GameObject *o : game->galaxy_map->objects.items)
            if (Sector *s = o ? sector_of(o) : nullptr; s && s != home) sectors.push_back(s);
        for (Sector *sector : sectors)
            for (int32_t i = 0; i < sector_site_count(sector); ++i)
                if (Site *site = sector_get_site(sector, i); site && fits(site)) return site;
        return nullptr;
    }
    Officer *hire(const char *name) {
        Officer *o = player_hire_officer(ui, true, nullptr);
        o->name = name;
        o->rank = RANK_CAPTAIN;
        return o;
    }
};

// ---- The starbase: buttons, reasons and production ----

TEST_F(SitePanel, StarbaseBuildDependsOnItsCrewAndItsProductionOnDaysAndCredits) {
    base->crew = 150;
    site_update_crew_state(base);
    Control *panel = open(base);
    EXPECT_NE(panel_find_child(panel, SITE_PANEL_ID_OWNER), nullptr);
    EXPECT_EQ(stat(panel, "Crew"), std::to_string(base->crew) + "/" + std::to_string(base->params.crew_capacity));
    EXPECT_FALSE(stat(panel, "Built").empty());
    ASSERT_EQ(buttons(panel), std::vector<std::string>{"Build"});
    EXPECT_EQ(refusal(button(panel, "Build")), "");

    base->crew = 99;
    panel = open(base);
    EXPECT_EQ(refusal(button(panel, "Build")), "100 crew required");

    // A shipyard of five days: Rush costs and shows its price while more than a day is left.
    base->crew = 150;
    site_update_crew_state(base);
    ASSERT_EQ(site_start_production(base, SITE_SHIPYARD, 0), RES_OK);
    base->remaining_min = 5 * 1440;
    base->total_min = 5 * 1440;
    ui->credits = 1000000;
    panel = open(base);
    EXPECT_EQ(buttons(panel), (std::vector<std::string>{"Rush", "Cancel"})) << "a pending item is cancelled";
    EXPECT_EQ(refusal(button(panel, "Rush")), "");
    EXPECT_TRUE(shows(panel, "5 days"));
    EXPECT_TRUE(shows(panel, "$" + std::to_string(site_rush_cost(base))));

    ui->credits = site_rush_cost(base) - 1;
    base->state &= ~SITE_PENDING;
    panel = open(base);
    EXPECT_EQ(refusal(button(panel, "Rush")), "Insufficient credits");
    EXPECT_EQ(refusal(button(panel, "Halt")), "");

    // One day left, then rushed (no day left): both buttons are refused and no price shows.
    for (int32_t minutes : {1440, 0}) {
        base->remaining_min = minutes;
        if (minutes == 0) base->state |= SITE_RUSHED;
        panel = open(base);
        EXPECT_EQ(refusal(button(panel, "Rush")), "Already complete") << minutes;
        EXPECT_EQ(refusal(button(panel, "Halt")), "Already complete") << minutes;
        EXPECT_FALSE(shows(panel, "Rush cost")) << minutes;
    }
}

TEST_F(SitePanel, FacilitiesGiveTheirReasonsWhenTheyCannotProduce) {
    base->crew = 150;
    site_update_crew_state(base);
    Site *school = facility(SITE_TRAINING);
    site_reset_recruits(school);
    while (Officer *o = site_get_officer(school, 0)) site_remove_officer(school, o->id);
    Control *panel = open(school);
    EXPECT_EQ(refusal(button(panel, "Train")), "No cadets available");

    // Another owner holds the sector: the facility's starbase crew counts as 0.
    Site *yard = facility(SITE_SHIPYARD);
    const uint64_t owner = home->owner_id;
    home->owner_id = owner + 999;
    panel = open(yard);
    EXPECT_EQ(refusal(button(panel, "Build")), "100 crew required");
    home->owner_id = owner;
    panel = open(yard);
    EXPECT_EQ(refusal(button(panel, "Build")), "");
    EXPECT_EQ(stat(panel, "Ships launched"), "0");

    // A body rebuilt after a chooser keeps one status line and one buttons row.
    yard->state |= SITE_CREW_SHORT;
    panel = open(yard);
    site_panel_clear_body(panel);
    site_panel_build_body(panel, 200, true, true);
    site_panel_fit(panel);
    frames(25);
    int status_lines = 0, rows = 0;
    for (Control *c : panel_of(panel)->children.items) {
        if (!c || (c->flags & CTRL_REMOVED)) continue;
        status_lines += c->id == SITE_PANEL_ID_STATUS;
        rows += c->id == SITE_PANEL_ID_BUTTONS;
    }
    EXPECT_EQ(status_lines, 1);
    EXPECT_EQ(rows, 1);
}

TEST_F(SitePanel, HarvesterWithoutTargetIsDeactivatedAndMovesOnlyWithCrewAndATarget) {
    base->crew = 150;
    site_update_crew_state(base);
    Site *harvester = facility(SITE_HARVESTER);
    harvester->harvest_target_id = 0;
    site_update_crew_state(harvester);
    harvester->state &= ~SITE_CREW_SHORT;
    Control *panel = open(harvester);
    Control *status = panel_find_child(panel, SITE_PANEL_ID_STATUS);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(text_of(status), "Deactivated");
    EXPECT_EQ(buttons(panel), std::vector<std::string>{"Move"});
    const std::string free_target = sector_find_free_resource_site(home) ? "" : "No targets available";
    EXPECT_EQ(refusal(button(panel, "Move")), free_target);
    if (free_target.empty()) {
        click(button(panel, "Move"));
        EXPECT_EQ(g_calls[SITE_SLOT_MOVE], 1) << "the button reaches its slot through the input path";
    }

    harvester->state |= SITE_CREW_SHORT;
    panel = open(harvester);
    EXPECT_EQ(text_of(panel_find_child(panel, SITE_PANEL_ID_STATUS)), "Inactive - 100 crew required");
    EXPECT_EQ(refusal(button(panel, "Move")), "100 crew required");
    click(button(panel, "Move"));
    EXPECT_EQ(g_calls[SITE_SLOT_MOVE], free_target.empty() ? 1 : 0) << "a refused button ignores the click";
}

// ---- Picks that open a panel beside the site ----

TEST_F(SitePanel, ADefenderPickedFromTheListOpensUnderItsGroupsNameWithTheSelectSound) {
    Site *ark = site_where(site_has_defence);
    ASSERT_NE(ark, nullptr) << "seed " << SEED << " has no defended site";
    Control *panel = open(ark, false);
    ShipListState *list = ship_list_state(panel_find_child(panel, SITE_PANEL_ID_DEFENDERS));
    ASSERT_NE(list, nullptr);
    ASSERT_GE(list_count(&list->rows), 1);

    const int sounds = playing(SOUND_OPEN_PANEL);
    click(list_get(&list->rows, 0));
    Control *ship_panel = galaxy_object_panel_find(GALAXY_PANEL_SHIP);
    ASSERT_NE(ship_panel, nullptr);
    std::string group;
    feature_ark_name(ark, &group);
    EXPECT_EQ(group.rfind("ARK-", 0), 0u) << group;
    EXPECT_EQ(text_of(panel_find_child(ship_panel, SHIP_PANEL_ID_OWNER)), group);
    EXPECT_EQ(playing(SOUND_OPEN_PANEL), sounds + 1);
}

TEST_F(SitePanel, APickedRecruitOpensTheOfficerPanelWithAClick) {
    Control *panel = open(base, false);
    Officer *recruit = hire("Recruit Vale");
    const int clicks = playing(SOUND_CLICK);
    site_panel_set_picked(panel, recruit, 0);
    galaxy_site_on_pick_recruit(panel);
    EXPECT_NE(galaxy_object_panel_find(GALAXY_PANEL_OFFICER), nullptr);
    EXPECT_EQ(playing(SOUND_CLICK), clicks + 1);

    // Nothing picked: no sound.
    site_panel_set_picked(panel, nullptr, 0);
    galaxy_site_on_pick_recruit(panel);
    EXPECT_EQ(playing(SOUND_CLICK), clicks + 1);
}

// ---- Bodies and stars ----

TEST_F(SitePanel, ResourceFiguresRoundAtBothEndsAndLeaveOutAnEmptyBody) {
    Site *body = site_where([](Site *s) {
        return (s->params.template_flags & SITE_TF_RESOURCE) && site_get_population(s) <= 0;
    });
    ASSERT_NE(body, nullptr) << "no resource body for seed " << SEED;
    struct Case {
        int32_t left, total;
        const char *shown;
        bool highlighted;
    };
    for (const Case &c : {Case{4, 100000, "0.01%", true}, Case{100000, 100000, "100%", false},
                          Case{2500000, 2000000, "100%", false}, Case{1050000, 10000000, "10.50%", false},
                          Case{1000000, 10000000, "10.00%", true}}) {
        body->resources_left = c.left;
        body->resources_max = c.total;
        Control *panel = open(body);
        EXPECT_EQ(stat(panel, "Mass remaining"), c.shown) << c.left << "/" << c.total;
        bool highlighted = false;
        walk(panel, [&](Control *row) {
            Control *l = panel_of(row) ? panel_find_child(row, STAT_ROW_LABEL_ID) : nullptr;
            Control *v = l ? panel_find_child(row, STAT_ROW_VALUE_ID) : nullptr;
            if (v && text_of(l) == "Mass remaining") highlighted = text_label_colour(v)->r > text_label_colour(v)->g;
        });
        EXPECT_EQ(highlighted, c.highlighted) << c.left << "/" << c.total;
        EXPECT_EQ(stat(panel, "Projected yield"), "$" + std::to_string(site_resource_ratio(body, body->harvest_divisor)));
    }
    body->resources_left = 0;
    body->resources_max = 0;
    Control *panel = open(body);
    EXPECT_EQ(stat(panel, "Mass remaining"), "") << "no ratio of nothing";
    EXPECT_EQ(stat(panel, "Projected yield"), "");
    EXPECT_EQ(stat(panel, "Resource mass"), "0.00 GT");
}

TEST_F(SitePanel, HomeStarIsSolWithItsMassAndAStarElsewhereTakesItsGreekName) {
    Sector *sol = sector_find(game->sol_sector_id);
    ASSERT_NE(sol, nullptr);
    Site *star = nullptr;
    for (int32_t i = 0; i < sector_site_count(sol) && !star; ++i)
        if (Site *s = sector_get_site(sol, i); s && (s->params.template_flags & SITE_TF_STAR)) star = s;
    ASSERT_NE(star, nullptr) << "every sector's star carries the star bit";
    star->attributes[SITE_ATTR_STELLAR_MASS] = 100;
    Control *panel = open(star);
    EXPECT_TRUE(shows(panel, "Sol"));
    EXPECT_TRUE(shows(panel, "MASS") && shows(panel, "1.00 SM"));
    EXPECT_FALSE(shows(panel, "GRAVITY"));
    EXPECT_TRUE(buttons(panel).empty());

    Site *other = sector_find_site_of_kind(home, sector_star_kind(home->subtype));
    if (!other || home->id == game->sol_sector_id) return;
    other->label_number = 2;
    panel = open(other);
    EXPECT_TRUE(shows(panel, std::string("Gamma ") + object_get_name(home)));
}

// ---- The officer pool and the commander ----

TEST_F(SitePanel, OfficerPoolListsByNameAndPicksOnlyWhenSelectable) {
    for (const char *name : {"bravo", "Alpha", "Charlie", "Alpha"}) site_add_officer(base, hire(name));
    Control *pool = officer_pool_create(base, 200, 400, OFFICER_POOL_SELECTABLE);
    ASSERT_NE(pool, nullptr);
    ui_test::add_top(pool, 100, 100);
    OfficerPoolState *state = officer_pool_state(pool);
    ASSERT_NE(state, nullptr);
    std::vector<std::string> names;
    for (Officer *o : state->officers->items) names.push_back(o->name);
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "Alpha", "Charlie", "bravo"}));
    EXPECT_EQ(state->officers->items[0], site_get_officer(base, 3)) << "the later of two equal names goes first";

    int picks = 0;
    static int *picks_ref;
    picks_ref = &picks;
    panel_set_slot(pool, OFFICER_POOL_SLOT_PICK, [](Control *) { ++*picks_ref; });
    Control *rows = panel_find_child(pool, OFFICER_POOL_ID_ROWS);
    frames(5);
    click(panel_of(rows)->children.items[2]);
    EXPECT_EQ(picks, 1);
    EXPECT_EQ(officer_pool_get_picked(pool)->name, "Charlie");
    EXPECT_EQ(panel_find_child(pool, OFFICER_POOL_ID_SCROLL), nullptr);

    // Not selectable, and taller than its cap: no picks, a bar, clipped; each row appears after
    // 100..200 ms of its own.
    for (int i = 0; i < 12; ++i) site_add_officer(base, hire("Delta"));
    officer_pool_build(pool, base, 200, 190, OFFICER_POOL_ANIMATE);
    state = officer_pool_state(pool);
    rows = panel_find_child(pool, OFFICER_POOL_ID_ROWS);
    EXPECT_NE(panel_find_child(pool, OFFICER_POOL_ID_SCROLL), nullptr);
    EXPECT_EQ(rows->h, 190);
    EXPECT_GT(state->content_height, 190);
    for (Control *row : panel_of(rows)->children.items) {
        ASSERT_TRUE(row->flags & CTRL_SHOW_TIMER);
        EXPECT_GE(row->show_ms, 100);
        EXPECT_LE(row->show_ms, 200);
    }
    frames(20);
    click(panel_of(rows)->children.items[0]);
    EXPECT_EQ(picks, 1);
    EXPECT_EQ(state->picked, -1);
}

TEST_F(SitePanel, StarbasePoolPickAndCommanderClickReachTheirSlots) {
    base->crew = 150;
    site_update_crew_state(base);
    Officer *waiting = hire("Zulu");
    site_add_officer(base, waiting);
    Control *panel = open(base);
    Control *pool = panel_find_child(panel, SITE_PANEL_ID_OFFICERS);
    ASSERT_NE(pool, nullptr);
    frames(20);
    click(panel_of(panel_find_child(pool, OFFICER_POOL_ID_ROWS))->children.items[0]);
    EXPECT_EQ(g_calls[SITE_SLOT_PICK_OFFICER], 1);
    EXPECT_EQ(g_picked, waiting);
    click(panel_find_child(panel, SITE_PANEL_ID_COMMANDER));
    EXPECT_EQ(g_calls[SITE_SLOT_COMMANDER], 1) << "an officer is there to take the command";
}

TEST_F(SitePanel, StarbaseDialogListsThePoolAndOnlyItsOwnersPilotedShips) {
    Officer *pooled = hire("Pool");
    site_add_officer(base, pooled);
    std::vector<Ship *> ships = ui_ships_at_home(3, &home);
    ASSERT_EQ(ships.size(), 3u);
    Officer *pilot = hire("Pilot");
    ship_set_pilot(ships[0], pilot);
    ship_set_pilot(ships[1], nullptr);
    const uint64_t owner = ships[2]->owner_id;
    ship_set_pilot(ships[2], hire("Stranger"));
    ships[2]->owner_id = owner + 777;

    Control *dialog = ui_test::add_top(panel_create_empty(), 60, 60);
    officer_choice_build(dialog, base, OFFICER_CHOICE_ANIMATE);
    OfficerChoiceState *state = officer_choice_state(dialog);
    ASSERT_NE(state, nullptr);
    std::vector<Officer *> listed(state->officers.items.begin(), state->officers.items.end());
    EXPECT_EQ(listed, (std::vector<Officer *>{pooled, pilot}));
    EXPECT_EQ(panel_find_child(dialog, OFFICER_CHOICE_ID_CANCEL), nullptr);
    ships[2]->owner_id = owner;

    static int backs, picks;
    backs = picks = 0;
    officer_choice_build(dialog, base, OFFICER_CHOICE_ANIMATE | OFFICER_CHOICE_CANCEL);
    panel_set_slot(dialog, OFFICER_CHOICE_SLOT_PICK, [](Control *) { ++picks; });
    panel_set_slot(dialog, OFFICER_CHOICE_SLOT_BACK, [](Control *) { ++backs; });
    frames(15);
    click(panel_find_child(dialog, OFFICER_CHOICE_ID_TARGET_ROW));
    click(panel_find_child(dialog, OFFICER_CHOICE_ID_CANCEL));
    EXPECT_EQ(backs, 1);
    EXPECT_EQ(picks, 0) << "the target row takes no clicks";
    click(panel_of(panel_find_child(dialog, OFFICER_CHOICE_ID_LIST))->children.items[1]);
    EXPECT_EQ(picks, 1);
    EXPECT_EQ(officer_choice_picked(dialog), pilot);
}

// ---- The handlers ----

TEST_F(SitePanel, PaidHandlersBuyNothingWhenTheCreditsFallShort) {
    base->crew = 150;
    site_update_crew_state(base);
    ASSERT_EQ(site_start_production(base, SITE_SHIPYARD, 0), RES_OK);
    base->state &= ~SITE_PENDING;
    base->remaining_min = base->total_min = 4 * 1440;
    Control *panel = open(base, false);
    const int32_t price = site_rush_cost(base);
    ui->credits = price - 1;
    galaxy_site_on_rush_starbase(panel);
    EXPECT_FALSE(base->state & SITE_RUSHED);
    EXPECT_EQ(ui->credits, price - 1);
    ui->credits = price;
    galaxy_site_on_rush_starbase(panel);
    EXPECT_TRUE(base->state & SITE_RUSHED);
    EXPECT_EQ(ui->credits, 0);

    // Halting a pending item refunds it; the facility's "Build" then re-checks the price.
    site_stop_production(base);
    int32_t cost = 0, minutes = 0;
    player_build_cost(ui, SITE_SHIPYARD, home->id, &cost, &minutes);
    ASSERT_GT(cost, 0);
    ui->credits = cost - 1;
    Control *offer = ui_test::add_top(panel_create_empty(), 0, 0);
    control_set_user_data(offer, site_template(SITE_SHIPYARD), nullptr);
    galaxy_select_object(base);
    galaxy_facility_on_build(offer);
    EXPECT_FALSE(base->state & SITE_PRODUCING);
    EXPECT_EQ(ui->credits, cost - 1);
    ui->credits = cost + 5;
    galaxy_select_object(base);
    galaxy_facility_on_build(offer);
    EXPECT_TRUE(base->state & SITE_PRODUCING);
    EXPECT_EQ(ui->credits, 5);
    Control *reopened = galaxy_object_panel_find(GALAXY_PANEL_SITE);
    ASSERT_NE(reopened, nullptr) << "the starbase's panel reopens on its production";
    EXPECT_EQ(site_panel_site(reopened), base);
    EXPECT_EQ(buttons(reopened), (std::vector<std::string>{"Rush", "Cancel"}));

    // Cancelling the pending facility gives the credits back and reopens the idle panel.
    galaxy_site_on_halt_starbase(reopened);
    EXPECT_EQ(ui->credits, cost + 5);
    reopened = galaxy_object_panel_find(GALAXY_PANEL_SITE);
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(buttons(reopened), std::vector<std::string>{"Build"});
}

// The facility build panel opened from the star map prices the facility where it is built: a
// shipyard half laid down in the home sector costs half, as its list row says and as it is charged.
TEST_F(SitePanel, TheFacilityBuildPanelFromTheStarMapShowsThePriceItCharges) {
    base->crew = 150;
    site_update_crew_state(base);
    Site *started = facility(SITE_SHIPYARD);
    site_set_under_construction(started, 1);
    started->progress = 50;
    game->shown_sector_id = 0;   // the star map, no sector view
    int32_t here = 0, elsewhere = 0;
    player_build_cost(ui, SITE_SHIPYARD, home->id, &here, nullptr);
    player_build_cost(ui, SITE_SHIPYARD, 0, &elsewhere, nullptr);
    ASSERT_LT(here, elsewhere);
    ui->credits = here;   // enough here, short of the price elsewhere

    Control *panel = open(base, false);
    site_panel_set_picked(panel, started, 0);
    galaxy_site_on_pick_facility(panel);
    frames(5);
    Control *offer = galaxy_object_panel_find(GALAXY_PANEL_FACILITY_BUILD);
    ASSERT_NE(offer, nullptr);
    EXPECT_TRUE(shows(panel_find_child(offer, FACILITY_PANEL_ID_COST_TAG), "$" + std::to_string(here)));
    EXPECT_EQ(refusal(button(offer, "Resume")), "") << "affordable where it is built";
    galaxy_facility_on_build(offer);
    EXPECT_TRUE(base->state & SITE_PRODUCING);
    EXPECT_EQ(ui->credits, 0) << "charged what the panel showed";
}

// A rival's starbase is shown, never commanded, even with no rival ship in its sector: neither
// its buttons nor the handlers reach its production or its owner's credits.
TEST_F(SitePanel, ARivalsStarbaseShowsNoCommandsAndTakesNoOrders) {
    Player *rival = nullptr;
    for (int32_t i = 0; i < game_player_count(game) && !rival; ++i)
        if (Player *p = game_get_player_at(game, i); p && p != ui) rival = p;
    ASSERT_NE(rival, nullptr);
    object_set_owner_id(base, rival->id);
    home->owner_id = rival->id;
    base->crew = 150;
    site_update_crew_state(base);
    ASSERT_EQ(site_start_production(base, SITE_SHIPYARD, 0), RES_OK);
    base->state &= ~SITE_PENDING;
    base->remaining_min = base->total_min = 4 * 1440;
    rival->credits = ui->credits = 1000000;
    ASSERT_LE(sector_count_other_owners(home, ui->id), 0) << "only the viewer's ships are there";

    Control *panel = open(base, false);
    EXPECT_TRUE(buttons(panel).empty());
    galaxy_site_on_rush_starbase(panel);
    galaxy_site_on_halt_starbase(panel);
    EXPECT_TRUE(base->state & SITE_PRODUCING) << "their production goes on";
    EXPECT_FALSE(base->state & SITE_RUSHED);
    EXPECT_EQ(rival->credits, 1000000);
    EXPECT_EQ(ui->credits, 1000000);
}

// After a crew transfer the sector's sites show at once whether the starbase mans them: the
// facilities stop, the labelled bodies (planets, the star) never do.
TEST_F(SitePanel, ACrewTransferLeavesTheLabelledBodiesWorking) {
    Site *body = nullptr;
    for (Site *site : home->sites.items)
        if (site && (site->params.template_flags & SITE_TF_LABELLED) && !body) body = site;
    ASSERT_NE(body, nullptr);
    Site *yard = facility(SITE_SHIPYARD);
    Ship *ship = ui_ships_at_home(1, &home).front();
    Control *panel = galaxy_object_panel_open(GALAXY_PANEL_SHIP);
    galaxy_object_panel_set_object(panel, ship);
    galaxy_show_ship_panel(panel, ship, ui);
    ASSERT_EQ(ship_details_ship(panel), ship);

    base->crew = SITE_CREW_NEEDED - 1;   // the transfer left the starbase short
    galaxy_ship_on_crew_transferred(panel);
    EXPECT_TRUE(site_is_crew_short(yard));
    EXPECT_TRUE(site_is_crew_short(base));
    EXPECT_FALSE(site_is_crew_short(body)) << body->name << " is painted at work";
    base->crew = SITE_CREW_NEEDED;
    galaxy_ship_on_crew_transferred(panel);
    EXPECT_FALSE(site_is_crew_short(yard));
}

TEST_F(SitePanel, DeactivateTouchesOnlyAHarvesterAndDropsTheSelection) {
    Site *harvester = facility(SITE_HARVESTER);
    galaxy_select_object(base);
    galaxy_site_on_deactivate(nullptr);
    EXPECT_FALSE(base->state & SITE_DEACTIVATED);
    EXPECT_EQ(screen()->selected, nullptr);
    galaxy_select_object(harvester);
    galaxy_site_on_deactivate(nullptr);
    EXPECT_TRUE(harvester->state & SITE_DEACTIVATED);
    galaxy_select_object(harvester);
    galaxy_site_on_activate(nullptr);
    EXPECT_FALSE(harvester->state & SITE_DEACTIVATED);
}

// The starbase runs its sector's research and shows the sector's figure, written as the sector
// panel writes it; a station shows its own share the same way.
TEST_F(SitePanel, TheStarbaseShowsTheResearchFigureTheSectorPanelShows) {
    base->crew = 500;
    site_update_crew_state(base);
    Site *station = facility(SITE_RESEARCH_STATION);
    ASSERT_GT(sector_total_research_rate(home), 0);
    List<SystemRow> rows;
    sector_starbase_rows_add(&rows, home, true);
    std::string sector_figure;
    for (const SystemRow *row : rows.items)
        if (row && row->label == "Research rating") sector_figure = row->value;
    list_clear(&rows);
    ASSERT_FALSE(sector_figure.empty());
    EXPECT_EQ(stat(open(base), "Research Rating"), sector_figure);
    EXPECT_EQ(stat(open(station), "Research Rating"), tech_points_text(site_research_rate(station)));
}

TEST_F(SitePanel, StarbasePanelScreenshot) {
    base->crew = 150;
    site_update_crew_state(base);
    site_add_officer(base, hire("Avery Quill"));
    site_add_officer(base, hire("Bo Tandy"));
    ASSERT_EQ(site_start_production(base, SITE_SHIPYARD, 0), RES_OK);
    ui->credits = 1000000;
    Control *panel = open(base);
    frames(40);
    driver.save_screen("site_panel_starbase.png");
    EXPECT_GT(panel->w, 200);
    Control *caption = panel_find_child(panel, SITE_PANEL_ID_CAPTION);
    ASSERT_NE(caption, nullptr);
    EXPECT_LE(caption->x + caption->w, panel->w) << "the caption stays inside the panel";
    for (Control *c : panel_of(panel)->children.items) {
        if (!c || (c->flags & CTRL_REMOVED)) continue;
        EXPECT_LE(c->x + c->w, panel->w + 1) << "child " << c->id;
    }
}

// ---- The road in: the sector panel's site icons ----

TEST_F(SitePanel, SectorPanelFacilityIconOpensTheSitesPanel) {
    Control *sector_panel = galaxy_object_panel_open(GALAXY_PANEL_SECTOR);
    galaxy_object_panel_set_object(sector_panel, home);
    galaxy_show_sector_panel(sector_panel, home, 1);
    control_set_position(sector_panel, 500, 100);
    game_flush_new_controls(game);
    frames(25);
    Control *icons = panel_find_child(sector_panel, SECTOR_PANEL_SITE_ICONS);
    ASSERT_NE(icons, nullptr);
    Control *starbase_icon = nullptr;
    for (Control *icon : panel_of(icons)->children.items) {
        const auto *id = icon ? static_cast<const uint64_t *>(icon->user_data) : nullptr;
        if (id && *id == base->id) starbase_icon = icon;
    }
    ASSERT_NE(starbase_icon, nullptr) << "the starbase's icon stands for it";
    click(starbase_icon);
    Control *site_panel = galaxy_object_panel_find(GALAXY_PANEL_SITE);
    ASSERT_NE(site_panel, nullptr);
    EXPECT_EQ(site_panel_site(site_panel), base);
    EXPECT_EQ(screen()->selected, base);
    EXPECT_EQ(panel_command_slots(site_panel)->slot[SITE_SLOT_RUSH_STARBASE], galaxy_site_on_rush_starbase);
}

TEST_F(SitePanel, StarbaseAssignDialogScreenshot) {
    site_add_officer(base, hire("Avery Quill"));
    std::vector<Ship *> ships = ui_ships_at_home(2, &home);
    ASSERT_EQ(ships.size(), 2u);
    ship_set_pilot(ships[1], hire("Cass Ombra"));
    for (int32_t t = 0; t < SHIP_TEMPLATE_COUNT; ++t) factory_acquire_group(OBJECT_SHIP, t, FACTORY_GROUP_FRAMES);
    ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
    Control *dialog = galaxy_object_panel_open(GALAXY_PANEL_ASSIGN_BASE);
    officer_choice_build(dialog, base, OFFICER_CHOICE_ANIMATE | OFFICER_CHOICE_CANCEL);
    control_set_position(dialog, 120, 80);
    game_flush_new_controls(game);
    frames(40);
    driver.save_screen("site_assign_officer.png");
    Control *list = panel_find_child(dialog, OFFICER_CHOICE_ID_LIST);
    ASSERT_NE(list, nullptr);
    EXPECT_LE(list->x + list->w, dialog->w);
    EXPECT_LE(list->y + list->h, dialog->h);
}

TEST_F(SitePanel, BodyPanelScreenshot) {
    Site *body = site_where([](Site *s) { return (s->params.template_flags & SITE_TF_LABELLED) && s->params.grid_width > 0; });
    ASSERT_NE(body, nullptr) << "no body with a surface for seed " << SEED;
    Control *panel = open(body);
    frames(40);
    driver.save_screen("site_panel_body.png");
    Control *surface = panel_find_child(panel, SITE_PANEL_ID_SURFACE);
    Control *stats = panel_find_child(panel, SITE_PANEL_ID_STATS);
    ASSERT_NE(surface, nullptr);
    ASSERT_NE(stats, nullptr);
    EXPECT_NEAR(surface->x + surface->w / 2, stats->x + stats->w / 2, 1) << "one centred on the other";
    Control *description = panel_find_child(panel, SITE_PANEL_ID_DESCRIPTION);
    ASSERT_NE(description, nullptr);
    EXPECT_GE(description->y, surface->y + surface->h);
}

// A body's and a star's attribute captions stand one under another with clear lines between them.
TEST_F(SitePanel, BodyAndStarAttributeRowsStandApart) {
    for (const uint32_t kind : {SITE_TF_LABELLED, SITE_TF_STAR}) {
        Site *site = nullptr;
        for (int32_t i = 0; i < sector_site_count(home) && !site; ++i)
            if (Site *s = sector_get_site(home, i); (s->params.template_flags & (SITE_TF_LABELLED | kind)) == kind) site = s;
        ASSERT_NE(site, nullptr) << kind;
        std::vector<Control *> captions;
        walk(open(site), [&](Control *c) {
            for (const char *t : {"DIAMETER", "AVG TEMP", "GRAVITY", "ATMOSPHERE", "MASS"})
                if (text_of(c) == t) captions.push_back(c);
        });
        ASSERT_EQ(captions.size(), kind == SITE_TF_STAR ? 3u : 4u);
        for (size_t i = 1; i < captions.size(); ++i)
            EXPECT_GE(captions[i]->y, captions[i - 1]->y + captions[i - 1]->h + 2) << text_of(captions[i]);
    }
}
