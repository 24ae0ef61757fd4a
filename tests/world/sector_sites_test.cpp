// Sectors and their sites: adding, the census of what can be built, placement, arrangement and
// labels, and the queries over the sites.
#include "galaxy_fixture.h"

#include <algorithm>
#include <set>
#include <tuple>
#include <utility>
#include "platform/log.h"
#include "support/fixture_store.h"
#include "test_support.h"

namespace galaxytest {
namespace {

using SectorSites = OneSector;

TEST_F(SectorSites, AnAddedSiteIsPlacedHomedTaggedAndHeld) {
    Site *site = add_site(s, 9, 120, 80);
    EXPECT_EQ(std::tuple(site->x, site->y, site->home_x, site->home_y), std::tuple(120, 80, 120, 80));
    EXPECT_NE(site->id, 0u);
    EXPECT_EQ(site->sector_id, s->id);
    EXPECT_EQ(std::tuple(site->refcount, sector_site_count(s), s->site_counts[9], site_officer_count(site)),
              std::tuple(1, 1, 1, 0));
    Site *training = add_site(s, SITE_TRAINING);
    EXPECT_EQ(site_officer_count(training), 2) << "a training site draws its first recruits";
    EXPECT_EQ(site_find_sector(training), s) << "the site finds its sector on the galaxy map";
}

TEST_F(SectorSites, TheCensusCountsSitesSensorsAndHarvestableBodies) {
    site_template(7)->params.sensor_range = 220;
    add_site(s, SITE_STARBASE);   // sensor 110
    add_site(s, 7);
    add_site(s, 9);
    Site *home = add_site(s, 10);
    give_feature(home, FEATURE_HOME_COLONY);
    add_site(s, 10);
    add_site(s, 14);   // a facility, no resource
    sector_refresh_sites(s);
    EXPECT_EQ(std::tuple(s->site_counts[0], s->site_counts[10], s->detect_range), std::tuple(1, 2, 220));
    EXPECT_EQ(s->resource_sites, 2) << "a home colony is not harvested";
    EXPECT_TRUE(sector_has_site_kind(s, 10));
    EXPECT_FALSE(sector_has_site_kind(s, 11));
    EXPECT_FALSE(sector_has_site_kind(s, 16));
}

TEST_F(SectorSites, OnlyBuildableTemplatesAreOfferedAndExistingOnesAreNot) {
    sector_refresh_sites(s);
    ASSERT_EQ(sector_entry_count(s), 4) << "the store's facilities: shipyard, harvester, station, training";
    EXPECT_EQ(sector_get_entry_kind(s, 0), 7);
    EXPECT_EQ(sector_get_entry_kind(s, 3), 15);
    EXPECT_EQ(sector_get_entry_kind(s, 4), -1);
    EXPECT_FALSE(sector_can_build(s, 9)) << "not a buildable template";
    EXPECT_FALSE(sector_can_build(s, SITE_STARBASE)) << "a starbase is deployed by a ship";
    add_site(s, 7);
    EXPECT_FALSE(sector_can_build(s, 7));
    EXPECT_TRUE(sector_can_build(s, 14));
}

TEST_F(SectorSites, HarvestersStayOfferedWhileFewerThanHarvestableBodies) {
    add_site(s, 9);
    Site *second = add_site(s, 9);
    add_site(s, SITE_HARVESTER);
    EXPECT_TRUE(sector_can_build(s, SITE_HARVESTER)) << "1 harvester, 2 bodies";
    give_feature(second, FEATURE_HOME_COLONY);
    sector_refresh_sites(s);
    EXPECT_FALSE(sector_can_build(s, SITE_HARVESTER)) << "1 harvester, 1 body left to harvest";
}

TEST_F(SectorSites, AKindUnderConstructionIsOfferedOnlyWhileTheStarbaseIsNotBuildingIt) {
    Site *yard = add_site(s, 7);
    yard->state = SITE_UNDER_CONSTRUCTION;
    sector_refresh_sites(s);
    EXPECT_FALSE(sector_can_build(s, 7)) << "without a starbase nobody can resume it";

    Site *base = add_site(s, SITE_STARBASE);
    EXPECT_TRUE(sector_can_build(s, 7)) << "starbase idle";
    base->state = SITE_PRODUCING;
    base->item = 7;
    sector_refresh_sites(s);
    EXPECT_FALSE(sector_can_build(s, 7)) << "the starbase is building that kind";
    base->item = 12;
    sector_refresh_sites(s);
    EXPECT_TRUE(sector_can_build(s, 7)) << "the starbase builds something else";
    for (int32_t item : {-1, 16, 99}) {
        base->item = item;
        sector_refresh_sites(s);
        EXPECT_FALSE(sector_can_build(s, 7)) << "a defence upgrade or an item naming no template: " << item;
    }
    yard->state = 0;
    base->state = 0;
    sector_refresh_sites(s);
    EXPECT_FALSE(sector_can_build(s, 7)) << "finished: the one shipyard is there";
}

// ---- Placement ----

using SectorPlacement = SectorSites;

TEST_F(SectorPlacement, APlacedSiteFitsItsRectangleAndTouchesNoOther) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Site *tmpl = site_template(9);
    tmpl->params.place_min_x = 100, tmpl->params.place_max_x = 900;
    tmpl->params.place_min_y = 100, tmpl->params.place_max_y = 600;
    set_site_frame(9, 60, 40);
    for (int i = 0; i < 6; ++i) {
        int32_t x = -1, y = -1;
        sector_place_site(s, 9, &x, &y);
        // W = 140 (the minimum room), H = 40: the top-left corner of a centre inside the rectangle.
        EXPECT_GE(x + 70, 100);
        EXPECT_LE(x + 70, 900);
        EXPECT_GE(y + 20, 100);
        EXPECT_LE(y + 20, 600);
        // The new box against every site already there: a site's box is 140 wide round its centre.
        for (Site *other : s->sites.items) {
            const GameObject *o = other;
            const int32_t ox = o->x + o->w / 2 - 70;
            const bool apart = x > ox + 140 || ox > x + 140 || y > o->y + 40 || o->y > y + 40;
            EXPECT_TRUE(apart) << "site " << i << " at " << x << "," << y << " meets " << o->x << "," << o->y;
        }
        add_site(s, 9, x, y);
    }
}

TEST_F(SectorPlacement, ASingleValueRangeIsNotDrawnAndAnUnknownTemplateIsNotPlaced) {
    Site *tmpl = site_template(3);
    tmpl->params.place_min_x = tmpl->params.place_max_x = 500;
    tmpl->params.place_min_y = tmpl->params.place_max_y = 300;
    set_site_frame(3, 200, 90);
    int32_t x = 0, y = 0;
    random_seed(seed);
    sector_place_site(s, 3, &x, &y);
    const uint32_t next = random_raw();
    EXPECT_EQ(std::pair(x, y), std::pair(400, 255));   // 500 - 200 / 2, 300 - 90 / 2
    random_seed(seed);
    EXPECT_EQ(next, random_raw()) << "nothing was drawn";
    x = 7;
    y = 9;
    sector_place_site(s, 16, &x, &y);
    EXPECT_EQ(std::pair(x, y), std::pair(7, 9)) << "an unknown template leaves the position alone";
}

TEST_F(SectorPlacement, NoRoomLeftUsesTheLastCandidateAndWarnsUnlessLabelled) {
    LogFileCatcher log(fresh_test_dir("sectors"));
    Site *tmpl = site_template(11);
    tmpl->params.place_min_x = tmpl->params.place_max_x = 300;
    tmpl->params.place_min_y = tmpl->params.place_max_y = 200;
    tmpl->params.template_flags &= ~SITE_TF_LABELLED;
    set_site_frame(11, 50, 50);
    s->label = "Vega";
    add_site(s, 11, 230, 175);   // exactly where the only candidate goes
    int32_t x = 0, y = 0;
    sector_place_site(s, 11, &x, &y);
    EXPECT_EQ(std::pair(x, y), std::pair(230, 175));
    tmpl->params.template_flags |= SITE_TF_LABELLED;
    sector_place_site(s, 11, &x, &y);
    const std::string text = log.text();
    const std::string line = "Sector #" + std::to_string(s->id) +
                             " \"Vega\" - failed to find start position for site type 11 w140 h50, use x230 y175";
    EXPECT_NE(text.find(line), std::string::npos) << text;
    EXPECT_EQ(text.find(line), text.rfind(line)) << "the labelled template is placed without a warning";
}

// ---- Arrangement and labels ----

// Bodies 6 and 9..12 are labelled; stars and facilities are not.
class SectorLabels : public SectorFixture {};

TEST_F(SectorLabels, OneLabelledSiteStandsAt350PlusAtMost280MinusHalfItsWidth) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    set_site_frame(9, 100, 60);
    std::set<int32_t> xs;
    for (int round = 0; round < 60; ++round) {
        Sector *s = make_sector();
        Site *site = add_site(s, 9, 0, 40);
        sector_arrange_sites(s);
        EXPECT_GE(site->x, 350);
        EXPECT_LE(site->x, 350 + 280 - 50);
        EXPECT_EQ(site->home_x, site->x);
        EXPECT_EQ(site->y, 40);
        EXPECT_EQ(site->label_number, 1);
        xs.insert(site->x);
        object_release(s);
    }
    EXPECT_GT(xs.size(), 20u) << "the offset is drawn";
}

TEST_F(SectorLabels, FiveLabelledSitesSpreadLeftToRightSeventyApart) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    for (int32_t t : {6, 9, 10, 11, 12}) set_site_frame(t, 40 + 10 * (t % 5), 50);
    for (int round = 0; round < 20; ++round) {
        Sector *s = make_sector();
        for (int32_t t : {6, 9, 10, 11, 12}) add_site(s, t);
        sector_arrange_sites(s);
        std::vector<const Site *> by_x;
        for (Site *site : s->sites.items) by_x.push_back(site);
        std::sort(by_x.begin(), by_x.end(), [](const Site *a, const Site *b) { return a->x < b->x; });
        EXPECT_GE(by_x[0]->x, 150);
        EXPECT_LE(by_x[0]->x, 150 + 70 - by_x[0]->w / 2);
        for (size_t i = 1; i < by_x.size(); ++i) {
            const int32_t start = by_x[i - 1]->x + 140 + by_x[i - 1]->w;
            EXPECT_GE(by_x[i]->x, start);
            EXPECT_LE(by_x[i]->x, start + 70 - by_x[i]->w / 2);
        }
        for (size_t i = 0; i < by_x.size(); ++i) EXPECT_EQ(by_x[i]->label_number, int32_t(i + 1));
        object_release(s);
    }
}

TEST_F(SectorLabels, TwoSitesAtOneXAreNumberedInListOrder) {
    Sector *s = make_sector();
    Site *a = add_site(s, 9, 300, 10);
    Site *b = add_site(s, 10, 300, 90);
    Site *c = add_site(s, 11, 100, 50);
    sector_assign_site_labels(s);
    EXPECT_EQ(std::tuple(c->label_number, a->label_number, b->label_number), std::tuple(1, 2, 3));
    object_release(s);
}

TEST_F(SectorLabels, TheStarGetsAGreekNameOfItsTemplate) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::set<int32_t> names;
    for (int round = 0; round < 200; ++round) {
        Sector *s = make_sector(0);
        Site *star = add_site(s, 1);   // template 0's star
        add_site(s, 9, 200, 0);
        EXPECT_GE(star->label_number, 0);
        EXPECT_LT(star->label_number, SECTOR_LABEL_COUNT);
        names.insert(star->label_number);
        object_release(s);
    }
    EXPECT_EQ(names.size(), size_t(SECTOR_LABEL_COUNT)) << "every one of the eleven names comes up";
}

TEST_F(SectorLabels, WithoutItsStarOrALabelledSiteNothingIsNamed) {
    Sector *s = make_sector(0);
    Site *other_star = add_site(s, 2);   // template 1's star in a template-0 sector
    other_star->label_number = -1;
    add_site(s, 9);
    EXPECT_EQ(other_star->label_number, -1);
    Sector *t = make_sector(0);
    Site *star = add_site(t, 1);
    star->label_number = -1;
    sector_assign_site_labels(t);
    EXPECT_EQ(star->label_number, -1);
    EXPECT_EQ(sector_count_labelled_sites(t), 0);
    object_release(s);
    object_release(t);
}

// The names themselves are the game's texts; what matters here is that each is there once.
TEST_F(SectorLabels, ElevenDistinctStarNamesAndTheFirstStarKindOutsideTheTemplates) {
    std::set<std::string> names;
    for (int32_t i = 0; i < SECTOR_LABEL_COUNT; ++i) {
        ASSERT_NE(sector_label_name(i), nullptr) << i;
        names.insert(sector_label_name(i));
    }
    EXPECT_EQ(names.size(), size_t(SECTOR_LABEL_COUNT));
    EXPECT_EQ(sector_label_name(SECTOR_LABEL_COUNT), nullptr);
    EXPECT_EQ(sector_label_name(-1), nullptr);
    EXPECT_EQ(sector_star_kind(SECTOR_TEMPLATE_COUNT), 1);
    EXPECT_EQ(sector_star_kind(-4), 1);
}

// ---- Queries ----

using SectorQueries = SectorSites;

// The sector and its sites joined: every figure the panels show comes from the real sites.
TEST_F(SectorQueries, AnOwnedSectorReportsWhatItsRealSitesDo) {
    s->owner_id = 7;
    add_player(7);
    Site *base = add_site(s, SITE_STARBASE);
    Site *yard = add_site(s, SITE_SHIPYARD);
    // The owner's home world, where the starbase's recruits come from.
    Site *world = add_body(s, 12, 1, 0);
    give_feature(world, FEATURE_HOME_COLONY)->owner_id = 7;
    site_set_population(world, 1000);
    Site *body = add_body(s, 9, 20, 50000);
    Site *station = add_site(s, 14);
    Site *harvester = add_site(s, SITE_HARVESTER);
    site_set_harvest_target(harvester, body->id);
    site_add_crew(base, 600);
    object_advance_clock(s, 1);   // every site judges its crew
    EXPECT_FALSE(yard->state & SITE_CREW_SHORT) << "the starbase's 600 crew man the shipyard";
    EXPECT_FALSE(station->state & SITE_CREW_SHORT);
    EXPECT_EQ(sector_starbase_crew(s), 600);
    EXPECT_EQ(s->detect_range, 110) << "the starbase's sensors";
    EXPECT_EQ(sector_total_research_rate(s), 600) << "research factor 1 x 600 crew";
    EXPECT_EQ(sector_harvest_income(s), 30) << "harvest factor 1 x 600 crew / divisor 20";
    EXPECT_GT(sector_starbase_intake(s), 0);
    EXPECT_TRUE(sector_can_build(s, 15));
    EXPECT_FALSE(sector_can_build(s, SITE_HARVESTER)) << "a harvester for every harvestable body";
    EXPECT_FALSE(sector_can_build(s, SITE_SHIPYARD));
    EXPECT_TRUE(sector_has_starbase_of(s, 7));
    EXPECT_FALSE(sector_has_starbase_of(s, 8));

    s->owner_id = 8;   // the sector changed hands, its facilities did not
    EXPECT_EQ(sector_total_research_rate(s), 0);
    EXPECT_EQ(sector_harvest_income(s), 0);
    object_advance_clock(s, 1);
    EXPECT_TRUE(yard->state & SITE_CREW_SHORT) << "another owner's starbase mans nothing";
}

TEST_F(SectorQueries, TheStarbaseAnswersCrewAndCapacity) {
    s->owner_id = 42;
    EXPECT_EQ(std::pair(sector_starbase_crew(s), sector_starbase_intake(s)), std::pair(0, 0));
    EXPECT_FALSE(sector_starbase_crew_full(s));
    Site *base = add_site(s, SITE_STARBASE);
    base->crew = 9999;
    EXPECT_EQ(sector_starbase_crew(s), 9999);
    EXPECT_FALSE(sector_starbase_crew_full(s));
    base->crew = 10000;
    EXPECT_TRUE(sector_starbase_crew_full(s));
}

TEST_F(SectorQueries, HarvestIncomeCountsWorkingHarvestersOnLiveBodies) {
    s->owner_id = 7;
    site_add_crew(add_site(s, SITE_STARBASE), 100);   // each harvester: 100 a day
    Site *body = add_body(s, 9, 3, 9000);
    Site *poor = add_body(s, 9, 0, 9000);
    Site *h1 = add_site(s, SITE_HARVESTER);
    site_set_harvest_target(h1, body->id);   // 100 / 3 = 33
    Site *h2 = add_site(s, SITE_HARVESTER);
    site_set_harvest_target(h2, body->id);
    h2->state |= SITE_UNDER_CONSTRUCTION;
    Site *h3 = add_site(s, SITE_HARVESTER);
    site_set_harvest_target(h3, poor->id);
    Site *h4 = add_site(s, SITE_HARVESTER);
    site_set_harvest_target(h4, body->id);
    EXPECT_EQ(sector_harvest_income(s), 66);
    site_set_deactivated(h4, 1);
    EXPECT_EQ(sector_harvest_income(s), 33);
    body->flags |= OBJ_DEAD;
    EXPECT_EQ(sector_harvest_income(s), 0);
    EXPECT_EQ(sector_find_harvester_of(s, poor->id), h3);
    EXPECT_EQ(sector_find_harvester_of(s, 1), nullptr);
}

TEST_F(SectorQueries, ResourceSitesCheapestAndFree) {
    Site *a = add_body(s, 9, 4, 100);
    Site *b = add_body(s, 10, 2, 0);
    Site *c = add_body(s, 9, 2, 50);
    Site *d = add_body(s, 10, 3, 80);
    add_site(s, 14);   // a facility without resources
    EXPECT_EQ(sector_find_cheapest_resource_site(s), b) << "the first of the lowest divisor";
    EXPECT_EQ(sector_find_free_resource_site(s), c) << "b is exhausted";
    Site *h = add_site(s, SITE_HARVESTER);
    site_set_harvest_target(h, c->id);
    EXPECT_EQ(sector_find_free_resource_site(s), d) << "c is taken";
    give_feature(d, FEATURE_HOME_COLONY);
    EXPECT_EQ(sector_find_free_resource_site(s), a);
}

TEST_F(SectorQueries, FeaturesAndDefences) {
    Site *plain = add_site(s, 8);   // Earth carries no feature
    EXPECT_EQ(sector_first_feature_kind(s), -1);
    EXPECT_FALSE(sector_has_defended_site(s));
    Site *rich = add_site(s, 10);
    give_feature(rich, FEATURE_RICH_BODY);
    Site *guarded = add_site(s, 11);
    give_feature(guarded, FEATURE_SURVIVORS, 0);
    EXPECT_EQ(sector_first_feature_kind(s), FEATURE_RICH_BODY);
    EXPECT_EQ(sector_find_defended_site(s), guarded);
    EXPECT_TRUE(sector_has_defended_site(s));
    EXPECT_EQ(sector_find_gather_site(s), guarded);
    EXPECT_EQ(sector_find_site_with_feature(s, FEATURE_RICH_BODY), rich);
    EXPECT_EQ(sector_find_site_with_feature(s, FEATURE_DISCOUNT), nullptr);
    (void)plain;
}

TEST_F(SectorQueries, AFeatureGoesToTheFirstBodyThatMayCarryIt) {
    add_site(s, 8);    // labelled, but no feature names Earth
    add_site(s, 14);   // not a body
    EXPECT_EQ(sector_generate_feature(s, FEATURE_RESOURCES), RES_NO_FEATURE_SITE);
    Site *gas = add_site(s, 9);
    Site *ice = add_site(s, 10);
    EXPECT_EQ(sector_generate_feature(s, FEATURE_RESOURCES), RES_OK);
    ASSERT_NE(gas->feature, nullptr) << "gas giants may hold a mineral cache";
    EXPECT_EQ(gas->feature->kind, FEATURE_RESOURCES);
    EXPECT_EQ(ice->feature, nullptr);
    EXPECT_EQ(sector_generate_feature(s, FEATURE_SURVIVORS), RES_OK);
    ASSERT_NE(ice->feature, nullptr) << "no survivors on a gas giant";
    EXPECT_EQ(ice->feature->kind, FEATURE_SURVIVORS);
}

TEST_F(SectorQueries, PopulationUnderConstructionAndKindsThroughTheCounts) {
    Site *empty = add_site(s, 12);
    Site *peopled = add_site(s, 12);
    site_set_population(peopled, 300);
    add_site(s, 11)->population = 500;   // a body without population of its own
    EXPECT_EQ(sector_find_recruitable_site(s), peopled);
    EXPECT_EQ(sector_find_site_under_construction(s, 12), nullptr);
    peopled->state = SITE_UNDER_CONSTRUCTION;
    EXPECT_EQ(sector_find_site_under_construction(s, 12), peopled);
    EXPECT_EQ(sector_find_site_under_construction(s, 16), nullptr);
    EXPECT_EQ(sector_find_site_of_kind(s, 12), empty);
    EXPECT_EQ(sector_find_site_of_kind(s, 3), nullptr);
    EXPECT_EQ(sector_find_site_of_kind(s, 99), nullptr);
    add_site(s, 4);
    s->site_counts[4] = 0;   // a census that has not run yet knows of none
    EXPECT_EQ(sector_find_site_of_kind(s, 4), nullptr) << "sites of a kind are found only through the counts";
}

}  // namespace
}  // namespace galaxytest
