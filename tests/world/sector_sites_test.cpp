// Sectors and their sites: adding, the census of what can be built, placement, arrangement and
// labels, and the queries over the sites.
#include "world/sector_test_util.h"

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>
#include "platform/log.h"
#include "test_support.h"

namespace sector_test {
namespace {

class SectorSites : public SectorFixture {};

TEST_F(SectorSites, AnAddedSiteIsPlacedHomedTaggedAndHeld) {
    Sector *s = make_sector();
    FakeSite *site = add_site(s, 9, 120, 80);
    EXPECT_EQ(site->x, 120);
    EXPECT_EQ(site->y, 80);
    EXPECT_EQ(site->home_x, 120);
    EXPECT_EQ(site->home_y, 80);
    EXPECT_NE(site->id, 0u);
    EXPECT_EQ(site->sector_id, s->id);
    EXPECT_EQ(site->refcount, 1);
    EXPECT_EQ(sector_site_count(s), 1);
    EXPECT_EQ(s->site_counts[9], 1);
    EXPECT_EQ(site->recruits_spawned, 0);
    FakeSite *training = add_site(s, SITE_KIND_TRAINING);
    EXPECT_EQ(training->recruits_spawned, 1) << "a training site draws its first recruits";
    object_release(s);
}

TEST_F(SectorSites, TheCensusCountsSitesSensorsAndHarvestableBodies) {
    Sector *s = make_sector();
    site_template(9)->tflags = SITE_TFLAG_RESOURCE;
    site_template(10)->tflags = SITE_TFLAG_RESOURCE;
    site_template(0)->sensor = 150;
    site_template(7)->sensor = 220;
    add_site(s, 0);
    add_site(s, 7);
    add_site(s, 9);
    FakeSite *blocked = add_site(s, 10);
    blocked->feature = SECTOR_FEATURE_NO_HARVEST;
    add_site(s, 10);
    sector_refresh_sites(s);
    EXPECT_EQ(s->site_counts[0], 1);
    EXPECT_EQ(s->site_counts[10], 2);
    EXPECT_EQ(s->detect_range, 220);
    EXPECT_EQ(s->resource_sites, 2) << "a body whose feature forbids harvesting does not count";
    EXPECT_TRUE(sector_has_site_kind(s, 10));
    EXPECT_FALSE(sector_has_site_kind(s, 11));
    EXPECT_FALSE(sector_has_site_kind(s, 16));
    object_release(s);
}

TEST_F(SectorSites, OnlyBuildableTemplatesAreOfferedAndExistingOnesAreNot) {
    for (int32_t t : {0, 7, 13, 14}) site_template(t)->tflags = SITE_TFLAG_BUILDABLE;
    Sector *s = make_sector();
    sector_refresh_sites(s);
    EXPECT_EQ(sector_entry_count(s), 4);
    EXPECT_EQ(sector_get_entry_kind(s, 0), 0);
    EXPECT_EQ(sector_get_entry_kind(s, 3), 14);
    EXPECT_EQ(sector_get_entry_kind(s, 4), -1);
    EXPECT_FALSE(sector_can_build(s, 9)) << "not a buildable template";
    add_site(s, 7);
    EXPECT_FALSE(sector_can_build(s, 7));
    EXPECT_TRUE(sector_can_build(s, 0));
    object_release(s);
}

TEST_F(SectorSites, HarvestersStayOfferedWhileFewerThanHarvestableBodies) {
    site_template(SITE_KIND_HARVESTER)->tflags = SITE_TFLAG_BUILDABLE;
    site_template(9)->tflags = SITE_TFLAG_RESOURCE;
    Sector *s = make_sector();
    add_site(s, 9);
    FakeSite *second = add_site(s, 9);
    add_site(s, SITE_KIND_HARVESTER);
    EXPECT_TRUE(sector_can_build(s, SITE_KIND_HARVESTER)) << "1 harvester, 2 bodies";
    second->feature = SECTOR_FEATURE_NO_HARVEST;
    sector_refresh_sites(s);
    EXPECT_FALSE(sector_can_build(s, SITE_KIND_HARVESTER)) << "1 harvester, 1 body left to harvest";
    object_release(s);
}

TEST_F(SectorSites, AKindUnderConstructionIsOfferedOnlyWhileTheStarbaseIsNotBuildingIt) {
    site_template(7)->tflags = SITE_TFLAG_BUILDABLE;
    Sector *s = make_sector();
    FakeSite *yard = add_site(s, 7);
    yard->state = SITE_STATE_BUILDING;
    sector_refresh_sites(s);
    EXPECT_FALSE(sector_can_build(s, 7)) << "without a starbase nobody can resume it";

    FakeSite *base = add_site(s, SITE_KIND_STARBASE);
    EXPECT_TRUE(sector_can_build(s, 7)) << "starbase idle";
    base->state = SITE_STATE_PRODUCING;
    base->production = 7;
    sector_refresh_sites(s);
    EXPECT_FALSE(sector_can_build(s, 7)) << "the starbase is building that kind";
    base->production = 12;
    sector_refresh_sites(s);
    EXPECT_TRUE(sector_can_build(s, 7)) << "the starbase builds something else";
    base->production = -1;
    sector_refresh_sites(s);
    EXPECT_FALSE(sector_can_build(s, 7)) << "a defence upgrade or an unknown item";
    yard->state = 0;
    base->state = 0;
    sector_refresh_sites(s);
    EXPECT_FALSE(sector_can_build(s, 7)) << "finished: the one shipyard is there";
    object_release(s);
}

// ---- Placement ----

class SectorPlacement : public SectorFixture {
protected:
    std::string log_path() { return fresh_test_dir("sectors") + "/game.log"; }
    std::string read_log(const std::string &path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
};

TEST_F(SectorPlacement, APlacedSiteFitsItsRectangleAndTouchesNoOther) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    FakeSite *tmpl = site_template(9);
    tmpl->min_x = 100, tmpl->max_x = 900, tmpl->min_y = 100, tmpl->max_y = 600;
    set_site_frame(9, 60, 40);
    Sector *s = make_sector();
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
            const GameObject *o = site_object(other);
            const int32_t ox = o->x + o->w / 2 - 70;
            const bool apart = x > ox + 140 || ox > x + 140 || y > o->y + 40 || o->y > y + 40;
            EXPECT_TRUE(apart) << "site " << i << " at " << x << "," << y << " meets " << o->x << "," << o->y;
        }
        add_site(s, 9, x, y);
    }
    object_release(s);
}

TEST_F(SectorPlacement, ASingleValueRangeIsNotDrawn) {
    FakeSite *tmpl = site_template(3);
    tmpl->min_x = tmpl->max_x = 500;
    tmpl->min_y = tmpl->max_y = 300;
    set_site_frame(3, 200, 90);
    Sector *s = make_sector();
    int32_t x = 0, y = 0;
    random_seed(seed);
    sector_place_site(s, 3, &x, &y);
    const uint32_t next = random_raw();
    EXPECT_EQ(x, 400);   // 500 - 200 / 2
    EXPECT_EQ(y, 255);   // 300 - 90 / 2
    random_seed(seed);
    EXPECT_EQ(next, random_raw()) << "nothing was drawn";
    object_release(s);
}

TEST_F(SectorPlacement, NoRoomLeftUsesTheLastCandidateAndWarnsUnlessLabelled) {
    const std::string path = log_path();
    logger_destroy();
    ASSERT_EQ(log_open_file(logger_get(), path.c_str()), RES_OK);
    FakeSite *tmpl = site_template(11);
    tmpl->min_x = tmpl->max_x = 300;
    tmpl->min_y = tmpl->max_y = 200;
    set_site_frame(11, 50, 50);
    Sector *s = make_sector();
    s->label = "Vega";
    add_site(s, 11, 230, 175);   // exactly where the only candidate goes
    int32_t x = 0, y = 0;
    sector_place_site(s, 11, &x, &y);
    EXPECT_EQ(x, 230);
    EXPECT_EQ(y, 175);
    tmpl->tflags = SITE_TFLAG_LABELLED;
    sector_place_site(s, 11, &x, &y);
    logger_destroy();
    const std::string text = read_log(path);
    const std::string line = "Sector #" + std::to_string(s->id) +
                             " \"Vega\" - failed to find start position for site type 11 w140 h50, use x230 y175";
    EXPECT_NE(text.find(line), std::string::npos) << text;
    EXPECT_EQ(text.find(line), text.rfind(line)) << "the labelled template is placed without a warning";
    object_release(s);
}

TEST_F(SectorPlacement, AnUnknownTemplateLeavesThePositionAlone) {
    Sector *s = make_sector();
    int32_t x = 7, y = 9;
    sector_place_site(s, 16, &x, &y);
    EXPECT_EQ(x, 7);
    EXPECT_EQ(y, 9);
    object_release(s);
}

// ---- Arrangement and labels ----

class SectorLabels : public SectorFixture {
protected:
    void SetUp() override {
        SectorFixture::SetUp();
        for (int32_t t : {6, 9, 10, 11, 12}) site_template(t)->tflags = SITE_TFLAG_LABELLED;
    }
};

TEST_F(SectorLabels, OneLabelledSiteStandsAt350PlusAtMost280MinusHalfItsWidth) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    set_site_frame(9, 100, 60);
    std::set<int32_t> xs;
    for (int round = 0; round < 60; ++round) {
        Sector *s = make_sector();
        FakeSite *site = add_site(s, 9, 0, 40);
        sector_arrange_sites(s);
        EXPECT_GE(site->x, 350);
        EXPECT_LE(site->x, 350 + 280 - 50);
        EXPECT_EQ(site->home_x, site->x);
        EXPECT_EQ(site->y, 40);
        EXPECT_EQ(site->label, 1);
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
        std::vector<const FakeSite *> by_x;
        for (Site *site : s->sites.items) by_x.push_back(fake(site));
        std::sort(by_x.begin(), by_x.end(), [](const FakeSite *a, const FakeSite *b) { return a->x < b->x; });
        EXPECT_GE(by_x[0]->x, 150);
        EXPECT_LE(by_x[0]->x, 150 + 70 - by_x[0]->w / 2);
        for (size_t i = 1; i < by_x.size(); ++i) {
            const int32_t start = by_x[i - 1]->x + 140 + by_x[i - 1]->w;
            EXPECT_GE(by_x[i]->x, start);
            EXPECT_LE(by_x[i]->x, start + 70 - by_x[i]->w / 2);
        }
        for (size_t i = 0; i < by_x.size(); ++i) EXPECT_EQ(by_x[i]->label, int32_t(i + 1));
        object_release(s);
    }
}

TEST_F(SectorLabels, TwoSitesAtOneXAreNumberedInListOrder) {
    Sector *s = make_sector();
    FakeSite *a = add_site(s, 9, 300, 10);
    FakeSite *b = add_site(s, 10, 300, 90);
    FakeSite *c = add_site(s, 11, 100, 50);
    sector_assign_site_labels(s);
    EXPECT_EQ(c->label, 1);
    EXPECT_EQ(a->label, 2);
    EXPECT_EQ(b->label, 3);
    object_release(s);
}

TEST_F(SectorLabels, TheStarGetsAGreekNameOfItsTemplate) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::set<int32_t> names;
    for (int round = 0; round < 200; ++round) {
        Sector *s = make_sector(0);
        FakeSite *star = add_site(s, 1);   // template 0's star
        add_site(s, 9, 200, 0);
        EXPECT_GE(star->label, 0);
        EXPECT_LT(star->label, SECTOR_LABEL_COUNT);
        names.insert(star->label);
        object_release(s);
    }
    EXPECT_EQ(names.size(), size_t(SECTOR_LABEL_COUNT)) << "every one of the eleven names comes up";
}

TEST_F(SectorLabels, WithoutItsStarNothingIsNamedAsStar) {
    Sector *s = make_sector(0);
    FakeSite *other_star = add_site(s, 2);   // template 1's star in a template-0 sector
    add_site(s, 9);
    EXPECT_EQ(other_star->label, -1);
    object_release(s);
}

TEST_F(SectorLabels, NothingIsLabelledWithoutALabelledSite) {
    Sector *s = make_sector(0);
    FakeSite *star = add_site(s, 1);
    sector_assign_site_labels(s);
    EXPECT_EQ(star->label, -1);
    EXPECT_EQ(sector_count_labelled_sites(s), 0);
    object_release(s);
}

TEST_F(SectorLabels, StarKindsAndNames) {
    const int32_t stars[] = {1, 2, 4, 5, 3, 2};
    for (int32_t t = 0; t < SECTOR_TEMPLATE_COUNT; ++t) EXPECT_EQ(sector_star_kind(t), stars[t]) << t;
    EXPECT_EQ(sector_star_kind(6), 1);
    EXPECT_EQ(sector_star_kind(-4), 1);
    const char *names[] = {"Alpha", "Beta", "Gamma", "Delta", "Epsilon", "Zeta", "Eta", "Theta", "Omicron", "Sigma", "Tau"};
    for (int32_t i = 0; i < SECTOR_LABEL_COUNT; ++i) EXPECT_STREQ(sector_label_name(i), names[i]);
    EXPECT_EQ(sector_label_name(11), nullptr);
    EXPECT_EQ(sector_label_name(-1), nullptr);
}

// ---- Queries ----

class SectorQueries : public SectorFixture {};

TEST_F(SectorQueries, TheStarbaseAnswersCrewIntakeAndOwnership) {
    Sector *s = make_sector();
    EXPECT_EQ(sector_starbase_crew(s), 0);
    EXPECT_FALSE(sector_starbase_crew_full(s));
    EXPECT_EQ(sector_starbase_intake(s), 0);
    FakeSite *base = add_site(s, SITE_KIND_STARBASE);
    base->crew = 900, base->capacity = 1000, base->intake = 35, base->owner_id = 42;
    EXPECT_EQ(sector_starbase_crew(s), 900);
    EXPECT_FALSE(sector_starbase_crew_full(s));
    base->crew = 1000;
    EXPECT_TRUE(sector_starbase_crew_full(s));
    EXPECT_EQ(sector_starbase_intake(s), 35);
    EXPECT_TRUE(sector_has_starbase_of(s, 42));
    EXPECT_FALSE(sector_has_starbase_of(s, 43));
    object_release(s);
}

TEST_F(SectorQueries, HarvestIncomeCountsWorkingHarvestersOnLiveBodies) {
    site_template(9)->tflags = SITE_TFLAG_RESOURCE;
    Sector *s = make_sector();
    FakeSite *body = add_site(s, 9);
    body->divisor = 3;
    FakeSite *poor = add_site(s, 9);
    poor->divisor = 0;
    FakeSite *h1 = add_site(s, SITE_KIND_HARVESTER);
    h1->target_id = body->id, h1->harvest = 100;   // 100 / 3 = 33
    FakeSite *h2 = add_site(s, SITE_KIND_HARVESTER);
    h2->target_id = body->id, h2->harvest = 50, h2->state = SITE_STATE_BUILDING;
    FakeSite *h3 = add_site(s, SITE_KIND_HARVESTER);
    h3->target_id = poor->id, h3->harvest = 70;
    FakeSite *h4 = add_site(s, SITE_KIND_HARVESTER);
    h4->target_id = body->id, h4->harvest = 20;   // 6
    EXPECT_EQ(sector_harvest_income(s), 39);
    h4->state = SITE_STATE_DEACTIVATED;
    EXPECT_EQ(sector_harvest_income(s), 33);
    body->flags |= OBJ_DEAD;
    EXPECT_EQ(sector_harvest_income(s), 0);
    EXPECT_EQ(fake(sector_find_harvester_of(s, poor->id)), h3);
    EXPECT_EQ(sector_find_harvester_of(s, 1), nullptr);
    object_release(s);
}

TEST_F(SectorQueries, ResourceSitesCheapestAndFree) {
    site_template(9)->tflags = SITE_TFLAG_RESOURCE;
    site_template(10)->tflags = SITE_TFLAG_RESOURCE;
    Sector *s = make_sector();
    FakeSite *a = add_site(s, 9);
    a->divisor = 4, a->resources = 100;
    FakeSite *b = add_site(s, 10);
    b->divisor = 2, b->resources = 0;
    FakeSite *c = add_site(s, 9);
    c->divisor = 2, c->resources = 50;
    FakeSite *d = add_site(s, 10);
    d->divisor = 3, d->resources = 80;
    EXPECT_EQ(fake(sector_find_cheapest_resource_site(s)), b) << "the first of the lowest divisor";
    EXPECT_EQ(fake(sector_find_free_resource_site(s)), c) << "b is exhausted";
    FakeSite *h = add_site(s, SITE_KIND_HARVESTER);
    h->target_id = c->id;
    EXPECT_EQ(fake(sector_find_free_resource_site(s)), d) << "c is taken";
    d->feature = SECTOR_FEATURE_NO_HARVEST;
    EXPECT_EQ(fake(sector_find_free_resource_site(s)), a);
    object_release(s);
}

TEST_F(SectorQueries, FeaturesAndDefences) {
    Sector *s = make_sector();
    FakeSite *plain = add_site(s, 9);
    EXPECT_EQ(sector_first_feature_kind(s), -1);
    EXPECT_FALSE(sector_has_defended_site(s));
    FakeSite *rich = add_site(s, 10);
    rich->feature = 1;
    FakeSite *guarded = add_site(s, 11);
    guarded->feature = 2, guarded->defence = 0;
    EXPECT_EQ(sector_first_feature_kind(s), 1);
    EXPECT_EQ(fake(sector_find_defended_site(s)), guarded);
    EXPECT_TRUE(sector_has_defended_site(s));
    EXPECT_EQ(fake(sector_find_site_feature_0_or_2(s)), guarded);
    EXPECT_EQ(fake(sector_find_site_with_feature(s, 1)), rich);
    EXPECT_EQ(sector_find_site_with_feature(s, 5), nullptr);

    EXPECT_EQ(sector_generate_feature(s, 3), RES_NO_FEATURE_SITE);
    plain->takes_feature = true;
    EXPECT_EQ(sector_generate_feature(s, 3), RES_OK);
    EXPECT_EQ(plain->generated_feature, 3);
    object_release(s);
}

TEST_F(SectorQueries, PopulationResearchAndUnderConstruction) {
    site_template(12)->tflags = SITE_TFLAG_POPULATION;
    Sector *s = make_sector();
    FakeSite *empty = add_site(s, 12);
    FakeSite *peopled = add_site(s, 12);
    peopled->population = 300;
    (void)empty;
    EXPECT_EQ(fake(sector_find_site_flag_200(s)), peopled);
    empty->research = 40;
    peopled->research = 25;
    EXPECT_EQ(sector_total_research_rate(s), 65);
    EXPECT_EQ(sector_find_site_under_construction(s, 12), nullptr);
    peopled->state = SITE_STATE_BUILDING;
    EXPECT_EQ(fake(sector_find_site_under_construction(s, 12)), peopled);
    EXPECT_EQ(sector_find_site_under_construction(s, 16), nullptr);
    EXPECT_EQ(fake(sector_find_site_of_kind(s, 12)), empty);
    EXPECT_EQ(sector_find_site_of_kind(s, 3), nullptr);
    EXPECT_EQ(sector_find_site_of_kind(s, 99), nullptr);
    object_release(s);
}

TEST_F(SectorQueries, SitesOfAKindAreFoundOnlyThroughTheCounts) {
    Sector *s = make_sector();
    add_site(s, 4);
    s->site_counts[4] = 0;   // a census that has not run yet knows of none
    EXPECT_EQ(sector_find_site_of_kind(s, 4), nullptr);
    object_release(s);
}

}  // namespace
}  // namespace sector_test
