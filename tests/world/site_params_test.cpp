// Site templates: the parameter file read against hand-laid bytes and what a new site takes from its
// template; and the site operations: resources and layout, officers and the commander, state and
// frame questions, battle and reset.
#include "site_test_util.h"

#include "platform/anim.h"

using namespace sitetest;

namespace {

// ---- The parameter file ----

class SiteParamsFile : public SiteFixture {};

TEST_F(SiteParamsFile, EveryFieldLandsWhereTheFileOrderPutsIt) {
    ParamsFile f;
    f.flags = SITE_TF_RESOURCE | SITE_TF_LABELLED | SITE_TF_VARIANTS;
    f.variants = {{1, 11, 1000, 2000}, {2, 22, 3000, 4000}};
    f.animations = {{0, {0, 100}}, {1, {1, 50, 2, 60}}, {2, {3, 70}}};
    f.range_flag = 1;
    f.range_offsets = {5, -6, 7, -8};
    f.hotspots = {1, 2, 3, 4, 5, 6};
    Site *t = load(9, f);
    ASSERT_NE(t, nullptr);
    const SiteParams &p = t->params;
    EXPECT_EQ(t->name, "Test Body");
    EXPECT_EQ(p.template_flags, SITE_TF_RESOURCE | SITE_TF_LABELLED | SITE_TF_VARIANTS);
    ASSERT_EQ(t->variants.size(), 2u);
    const SiteVariant &v = t->variants[1];
    EXPECT_EQ(Ints({v.idle_animation, v.variant_value, v.resource_min, v.resource_max}), Ints({2, 22, 3000, 4000}));
    // Items 4 to 31 in file order, each with its own value in the hand-laid file; 31 is the travel speed.
    EXPECT_EQ(Ints({p.build_cost, p.build_days, p.rush_low_price, p.rush_high_price, p.frame_range_first,
                    p.frame_range_count, p.variant_value, p.spare_11, p.construction_frame, p.special_frame, p.spare_14,
                    p.idle_animation, p.idle_animation_choices, p.resource_min, p.resource_max, p.divisor_min,
                    p.divisor_max, p.crew_capacity, p.sensor_range, p.base_intake, p.place_min_x, p.place_min_y,
                    p.place_max_x, p.place_max_y, p.harvest_factor, p.research_factor, p.spare_30, t->speed}),
              Ints({404, 5, 60, 70, 2, 2, 100, 111, 1, 4, 141, 0, 1, 170, 180, 19, 20, 2100, 220, 230, 240, 250, 260,
                    270, 28, 29, 300, 310}));
    for (int i = 0; i < SITE_ATTRIBUTE_COUNT; ++i) {
        EXPECT_EQ(p.attribute_min[i], 320 + 20 * i) << i;
        EXPECT_EQ(p.attribute_max[i], 330 + 20 * i) << i;
    }
    EXPECT_EQ(Ints({p.grid_generator, p.grid_width, p.grid_height}), Ints({2, 43, 44}));
    for (int i = 0; i < SITE_GRID_COLOUR_BYTES; ++i) EXPECT_EQ(p.grid_colours[i], 45 + i) << i;
    ASSERT_EQ(t->animation_count, 3);
    EXPECT_EQ(anim_count(t->animations[1]), 2);
    EXPECT_EQ(t->animations[1]->pairs[1].frame, 2);
    EXPECT_EQ(t->animations[1]->pairs[1].ms, 60);
    ASSERT_NE(p.range_offset_x, nullptr);
    ASSERT_NE(p.range_offset_y, nullptr);
    EXPECT_EQ(Ints({p.range_offset_x[0], p.range_offset_y[0], p.range_offset_x[1], p.range_offset_y[1]}),
              Ints({5, -6, 7, -8}));
    ASSERT_EQ(p.hotspot_count, 3);
    EXPECT_EQ(p.hotspot_x[2], 5);
    EXPECT_EQ(p.hotspot_y[2], 6);
    // Items 54 and 55 replace the -1 defaults.
    EXPECT_EQ(Ints({p.defense_cost, p.defense_minutes, p.halo_style, p.spare_57, p.defense_rush_low,
                    p.defense_rush_high}),
              Ints({540, 550, 560, 570, 580, 590}));
    EXPECT_TRUE(t->state & SITE_OWNS_TABLES);
}

TEST_F(SiteParamsFile, NoRangeOffsetsOrHotSpotsLeaveTheTablesEmpty) {
    ParamsFile f;
    f.range_flag = 0;
    f.range_offsets = {1, 2, 3, 4};   // not written: the flag is 0
    Site *t = load(3, f);
    EXPECT_EQ(t->params.range_offset_x, nullptr);
    EXPECT_EQ(t->params.range_offset_y, nullptr);
    EXPECT_EQ(t->params.hotspot_count, 0);
    EXPECT_EQ(t->params.hotspot_x, nullptr);
}

TEST_F(SiteParamsFile, ShortDataAnywhereGivesMinus15) {
    ParamsFile f;
    f.range_flag = 1;
    f.range_offsets = {1, 2, 3, 4};
    f.hotspots = {1, 1};
    const std::vector<uint8_t> whole = f.bytes();
    // Cut inside the name, the flags, the integers, the bytes, an animation, the offsets, the tail.
    for (size_t cut : {size_t(2), size_t(15), size_t(60), size_t(230), size_t(240), size_t(188),
                       whole.size() - 1}) {
        ASSERT_LT(cut, whole.size());
        Buffer *buf = buffer_of(std::vector<uint8_t>(whole.begin(), whole.begin() + long(cut)));
        EXPECT_EQ(site_read_params(site_template(2), buf), RES_SHORT_BUFFER) << "cut at " << cut;
        buffer_free(buf);
    }
}

TEST_F(SiteParamsFile, NegativeCountsAndARangeFlagWithoutRangeFramesAreMalformed) {
    ParamsFile range, variants, animations;
    range.range_flag = 1;
    range.range_count = 0;
    variants.variant_count_override = -2;
    animations.animation_count_override = -3;
    for (const ParamsFile *f : {&range, &variants, &animations}) {
        Buffer *buf = buffer_of(f->bytes());
        EXPECT_EQ(site_read_params(site_template(4), buf), RES_MALFORMED);
        buffer_free(buf);
    }
}

TEST_F(SiteParamsFile, AFailedReadLeavesTheTemplateAsItWas) {
    ParamsFile good;
    good.name = "Kept";
    good.hotspots = {9, 9};
    Site *t = load(6, good);
    ParamsFile bad;
    bad.name = "Broken";
    std::vector<uint8_t> bytes = bad.bytes();
    bytes.resize(bytes.size() - 3);
    Buffer *buf = buffer_of(bytes);
    EXPECT_EQ(site_read_params(t, buf), RES_SHORT_BUFFER);
    buffer_free(buf);
    EXPECT_EQ(t->name, "Kept");
    EXPECT_EQ(t->params.hotspot_count, 1);
    EXPECT_EQ(t->params.hotspot_x[0], 9);
}

TEST_F(SiteParamsFile, ReadingAgainReplacesTablesAndAnimations) {
    ParamsFile first;
    first.hotspots = {1, 1, 2, 2};
    first.animations = {{0, {0, 10}}, {0, {1, 10}}};
    Site *t = load(6, first);
    ParamsFile second;
    second.hotspots = {7, 8};
    second.animations = {{0, {5, 10}}};
    load(6, second);
    EXPECT_EQ(t->params.hotspot_count, 1);
    EXPECT_EQ(t->params.hotspot_x[0], 7);
    ASSERT_EQ(t->animation_count, 1);
    EXPECT_EQ(t->animations[0]->pairs[0].frame, 5);
}

// ---- A new site from its template ----

class SiteCreation : public SiteFixture {};

TEST_F(SiteCreation, StartsIdleWithItsDatesItsOwnGridSeedAndNoOfficersAndAHarvesterHarvesting) {
    EXPECT_EQ(site_template(12)->params.defense_cost, -1) << "until a file sets it";
    EXPECT_EQ(site_template(12)->params.defense_minutes, -1);
    ParamsFile f;
    f.flags = SITE_TF_BLENDED;
    load(7, f);
    Site *site = create(7);
    ASSERT_NE(site, nullptr);
    EXPECT_EQ(site->kind, OBJECT_SITE);
    EXPECT_EQ(site->subtype, 7);
    EXPECT_EQ(site->status_text, "Idle");
    EXPECT_EQ(site->name, "Test Body");
    EXPECT_TRUE(site->flags & OBJ_BLENDED) << "a blended template makes blended sites";
    for (const Date *d : {site->started, site->build_started, site->built, site->crew_checked}) EXPECT_NE(d, nullptr);
    EXPECT_EQ(site_officer_count(site), 0);
    EXPECT_EQ(site->gather_state, -1);
    EXPECT_EQ(site->known_feature_kind, -1);
    EXPECT_EQ(site->feature, nullptr);
    EXPECT_EQ(object_get_icon(site), RES_NO_PICTURE);
    EXPECT_NE(site->grid_seed, create(7)->grid_seed) << "each site draws its own grid seed";
    load(SITE_HARVESTER, ParamsFile{});
    site = create(SITE_HARVESTER);
    EXPECT_EQ(site->status_text, "Harvesting");
}

TEST_F(SiteCreation, ThreeIdleChoicesStartOneOfThreeConsecutiveAnimations) {
    ParamsFile f;
    f.animations = {{0, {0, 10}}, {0, {0, 10}}, {0, {0, 10}}, {0, {0, 10}}, {0, {0, 10}}};
    f.idle_animation = 1;
    f.idle_choices = 3;
    load(5, f);
    bool seen[5] = {};
    for (int i = 0; i < 60; ++i) {
        Site *site = create(5);
        ASSERT_GE(site->params.idle_animation, 1);
        ASSERT_LE(site->params.idle_animation, 3);
        EXPECT_EQ(site->animation, site->params.idle_animation) << "the chosen animation is started";
        seen[site->params.idle_animation] = true;
        destroy(site);
    }
    EXPECT_TRUE(seen[1] && seen[2] && seen[3]) << "every choice turns up in 60 sites";
}

TEST_F(SiteCreation, TablesAreSharedWithTheTemplateAndVariantsStayThere) {
    ParamsFile f;
    f.flags = SITE_TF_VARIANTS;
    f.variants = {{0, 7, 500, 600}, {0, 8, 700, 800}};
    f.hotspots = {1, 2};
    f.range_flag = 1;
    f.range_offsets = {0, 0, 1, 1};
    Site *t = load(11, f);
    Site *site = create(11);
    EXPECT_EQ(site->params.hotspot_x, t->params.hotspot_x);
    EXPECT_EQ(site->params.range_offset_y, t->params.range_offset_y);
    EXPECT_TRUE(site->variants.empty());
    EXPECT_EQ(site->variant, 0);
    EXPECT_EQ(site->params.variant_value, 7) << "variant 0 applied at creation";
    EXPECT_EQ(site->params.resource_min, 500);
    destroy(site);   // must not free the template's tables
    EXPECT_EQ(t->params.hotspot_x[0], 1);
}

TEST_F(SiteCreation, AVariantReplacesItsFourValuesOnlyWithTheVariantsFlag) {
    ParamsFile f;
    f.flags = SITE_TF_VARIANTS;
    f.animations = {{0, {0, 10}}, {0, {1, 10}}, {0, {2, 10}}};
    f.variants = {{0, 7, 500, 600}, {2, 9, 900, 950}};
    load(12, f);
    Site *site = create(12);
    site_feature_template(site, 1);
    EXPECT_EQ(site->variant, 1);
    EXPECT_EQ(Ints({site->params.idle_animation, site->params.variant_value, site->params.resource_min,
                    site->params.resource_max}),
              Ints({2, 9, 900, 950}));
    site_feature_template(site, 2);   // no such variant
    site_feature_template(site, -1);
    EXPECT_EQ(site->variant, 1);
    EXPECT_TRUE(site_has_variants(site));

    f.flags = 0;
    load(12, f);
    site = create(12);
    site_feature_template(site, 0);
    EXPECT_EQ(site->params.variant_value, 100);
    EXPECT_FALSE(site_has_variants(site));
}

class SiteResources : public SiteFixture {
protected:
    Site *body(int32_t rmin, int32_t rmax, int32_t dmin, int32_t dmax, uint32_t flags = SITE_TF_RESOURCE) {
        ParamsFile f;
        f.flags = flags;
        f.resource_min = rmin, f.resource_max = rmax, f.divisor_min = dmin, f.divisor_max = dmax;
        load(9, f);
        return create(9);
    }
};

TEST_F(SiteResources, AmountsAndDivisorComeFromTheirRangesAndAreAtLeastOne) {
    for (int i = 0; i < 40; ++i) {
        Site *s = body(1000, 1999, 10, 12);
        site_init_resources(s);
        EXPECT_GE(s->resources_max, 1000);
        EXPECT_LE(s->resources_max, 1999);
        EXPECT_EQ(s->resources_left, s->resources_max);
        EXPECT_GE(s->harvest_divisor, 10);
        EXPECT_LE(s->harvest_divisor, 12);
        destroy(s);
    }
    Site *s = body(0, 0, -5, -5);
    site_init_resources(s);
    EXPECT_EQ(Ints({s->resources_max, s->resources_left, s->harvest_divisor}), Ints({1, 1, 1}));
}

TEST_F(SiteResources, AddingNeverGoesBelowZeroTheRatioDividesWhatIsLeftAndOnlyResourceBodiesHaveAny) {
    Site *s = body(100, 100, 5, 5);
    site_init_resources(s);
    site_add_resources(s, -30);
    EXPECT_EQ(s->resources_left, 70);
    EXPECT_EQ(site_resource_ratio(s, 20), 3);
    EXPECT_EQ(site_resource_ratio(s, 0), 0);
    EXPECT_EQ(site_resource_ratio(s, -4), 0);
    site_add_resources(s, -500);
    EXPECT_EQ(s->resources_left, 0);
    Site *plain = body(1000, 2000, 10, 20, SITE_TF_LABELLED);
    site_init_resources(plain);
    site_add_resources(plain, 50);
    EXPECT_EQ(Ints({plain->resources_max, plain->resources_left, site_resource_ratio(plain, 1)}), Ints({0, 0, 0}));
}

TEST_F(SiteResources, LayoutDrawsEachAttributeInItsRangeWithoutDrawingForSingleValues) {
    ParamsFile f;
    for (int i = 0; i < 10; ++i) f.attributes[i] = 0;
    f.attributes[0] = 12742, f.attributes[1] = 12742;   // one value: no draw
    f.attributes[2] = 100, f.attributes[3] = 200;
    load(8, f);
    Site *s = create(8);
    random_seed(7);
    const int32_t drawn = random_range(100, 200);
    const uint32_t next = random_raw();
    random_seed(7);
    site_random_layout(s);
    EXPECT_EQ(s->attributes[0], 12742);
    EXPECT_EQ(s->attributes[1], drawn);
    EXPECT_EQ(s->attributes[2], 0);
    EXPECT_EQ(random_raw(), next) << "only the one real range drew";
}

TEST_F(SiteResources, PopulationNeedsItsFlagAndNeverGoesNegative) {
    Site *plain = body(1, 1, 1, 1);
    site_set_population(plain, 40);
    EXPECT_EQ(site_get_population(plain), 0);
    Site *home = body(1, 1, 1, 1, SITE_TF_RESOURCE | SITE_TF_POPULATION);
    site_set_population(home, 40);
    EXPECT_EQ(site_get_population(home), 40);
    site_set_population(home, -3);
    EXPECT_EQ(site_get_population(home), 0);
}

// ---- Officers and the commander ----

class SiteOfficers : public SiteFixture {
protected:
    void SetUp() override {
        SiteFixture::SetUp();
        load(SITE_STARBASE, ParamsFile{});
        load(SITE_TRAINING, ParamsFile{});
    }
};

TEST_F(SiteOfficers, AddingHoldsOneReferencePostsTheOfficerAndRemovalKeepsTheOrder) {
    Site *base = create(SITE_STARBASE);
    base->sector_id = 321;
    Officer *o = officer(10, "Ode");
    site_add_officer(base, o);
    EXPECT_EQ(o->refcount, 1);
    EXPECT_EQ(o->sector_id, 321u);
    EXPECT_EQ(site_find_recruit(base, 10), o);
    EXPECT_EQ(site_find_recruit(base, 11), nullptr);
    for (uint64_t id : {1u, 2u, 3u}) site_add_officer(base, officer(id, "x"));
    officer_retain(o);   // keep it past the removal
    for (uint64_t id : {10u, 2u, 9u}) site_remove_officer(base, id);   // 9: no such officer
    EXPECT_EQ(o->refcount, 1);
    ASSERT_EQ(site_officer_count(base), 2);
    EXPECT_EQ(site_get_officer(base, 0)->id, 1u);
    EXPECT_EQ(site_get_officer(base, 1)->id, 3u);
    EXPECT_EQ(site_get_officer(base, 2), nullptr);
    officer_release(o);
}

TEST_F(SiteOfficers, AStarbaseCommanderIsHeldKnowsItsPostAndGoesWithTheSite) {
    Site *base = create(SITE_STARBASE);
    base->id = 600;
    base->sector_id = 601;
    Officer *first = officer(70, "First"), *second = officer(71, "Second");
    officer_retain(first);
    site_set_pilot(base, first);
    EXPECT_EQ(base->commander, first);
    EXPECT_EQ(base->commander_id, 70u);
    EXPECT_EQ(first->refcount, 2);
    EXPECT_EQ(first->site_id, 600u);
    EXPECT_EQ(first->sector_id, 601u);
    site_set_pilot(base, second);
    EXPECT_EQ(first->refcount, 1) << "the previous commander is released";
    EXPECT_EQ(base->commander_id, 71u);
    site_set_pilot(base, second);
    EXPECT_EQ(second->refcount, 1) << "setting the same commander again keeps one reference";
    officer_retain(second);   // the test's own, past the removal
    site_set_pilot(base, nullptr);
    EXPECT_EQ(base->commander, nullptr);
    EXPECT_EQ(base->commander_id, 0u);
    EXPECT_EQ(second->refcount, 1);
    // Destroying the site releases its officers and its commander.
    site_add_officer(base, first);
    site_set_pilot(base, second);
    destroy(base);
    EXPECT_EQ(first->refcount, 1);
    EXPECT_EQ(second->refcount, 1);
    officer_release(first);
    officer_release(second);
}

TEST_F(SiteOfficers, OnlyAStarbaseTakesACommander) {
    LogFileCatcher log(fresh_test_dir("world"));
    Site *pool = create(SITE_TRAINING);
    pool->id = 44;
    pool->name = "Academy";
    Officer *o = officer(45, "Cadet Pell");
    officer_retain(o);
    site_set_pilot(pool, o);
    EXPECT_EQ(pool->commander, nullptr);
    EXPECT_EQ(pool->commander_id, 0u);
    EXPECT_EQ(o->refcount, 1);
    EXPECT_NE(log.text().find("Site #44 \"Academy\" - failed to set pilot #45 \"Cadet Pell\" (not a starbase)"),
              std::string::npos)
        << log.text();
    officer_release(o);
}

// ---- State and frames ----

class SiteStateAndFrames : public SiteFixture {};

TEST_F(SiteStateAndFrames, IdleMeansNoneOfProducingUnderConstructionOrCrewShort) {
    load(7, ParamsFile{});
    Site *s = create(7);
    EXPECT_TRUE(site_is_idle(s));
    s->state = SITE_PENDING | SITE_CONTESTED | SITE_DEACTIVATED;
    EXPECT_TRUE(site_is_idle(s));
    site_clear_contested(s);
    EXPECT_EQ(s->state, SITE_PENDING | SITE_DEACTIVATED);
    for (uint32_t busy : {SITE_PRODUCING, SITE_UNDER_CONSTRUCTION, SITE_CREW_SHORT}) {
        s->state = busy;
        EXPECT_FALSE(site_is_idle(s)) << busy;
    }
}

TEST_F(SiteStateAndFrames, TheSpecialFrameCountsOnlyWithItsFlag) {
    ParamsFile f;
    f.range_first = 6, f.range_count = 3, f.special_frame = 4;
    load(7, f);
    Site *s = create(7);
    EXPECT_FALSE(site_special_frame_is(s, 4));
    EXPECT_TRUE(site_frame_is_plain(s, 4));
    s->params.template_flags |= SITE_TF_SPECIAL_FRAME;
    EXPECT_TRUE(site_special_frame_is(s, 4));
    EXPECT_FALSE(site_frame_is_plain(s, 4));
    EXPECT_FALSE(site_frame_in_range(s, 5));
    EXPECT_TRUE(site_frame_in_range(s, 6));
    EXPECT_TRUE(site_frame_in_range(s, 8));
    EXPECT_FALSE(site_frame_in_range(s, 9));
    EXPECT_TRUE(site_frame_is_plain(s, 0));
}

// A template with frames of known sizes, as the load groups would leave it.
void give_frames(Site *tmpl, std::vector<std::pair<int32_t, int32_t>> sizes) {
    delete[] tmpl->frames;
    delete[] tmpl->frame_w;
    delete[] tmpl->frame_h;
    tmpl->frame_count = int32_t(sizes.size());
    tmpl->frames = new Sprite *[sizes.size()]();
    tmpl->frame_w = new int32_t[sizes.size()];
    tmpl->frame_h = new int32_t[sizes.size()];
    for (size_t i = 0; i < sizes.size(); ++i) tmpl->frame_w[i] = sizes[i].first, tmpl->frame_h[i] = sizes[i].second;
}

TEST_F(SiteStateAndFrames, ConstructionShowsTheConstructionFrameAndFinishingFrameZero) {
    ParamsFile f;
    f.flags = SITE_TF_CONSTRUCTION_FRAME;
    f.construction_frame = 2;
    Site *t = load(7, f);
    give_frames(t, {{30, 20}, {31, 21}, {50, 40}});
    Site *s = create(7);
    site_set_under_construction(s, 1);
    EXPECT_TRUE(site_is_under_construction(s));
    EXPECT_EQ(s->frame, 2);
    EXPECT_EQ(s->w, 50);
    site_set_under_construction(s, 0);
    EXPECT_FALSE(site_is_under_construction(s));
    EXPECT_EQ(s->frame, 0);
    EXPECT_EQ(s->w, 30);
}

TEST_F(SiteStateAndFrames, ABattleShowsTheSpecialFrameAndTheResetGoesHome) {
    ParamsFile f;
    f.special_frame = 1;
    Site *t = load(SITE_STARBASE, f);
    give_frames(t, {{30, 20}, {64, 64}});
    Site *s = create(SITE_STARBASE);
    s->home_x = 300, s->home_y = 400;
    object_set_position(s, 10, 20);
    object_begin_encounter(s);
    EXPECT_EQ(s->frame, 1);
    EXPECT_EQ(s->w, 64);
    EXPECT_EQ(s->flags & (OBJ_NO_MINIMAP_DOT | OBJ_NO_POINTER_HIT), OBJ_NO_MINIMAP_DOT | OBJ_NO_POINTER_HIT);
    object_reset_state(s);
    EXPECT_EQ(s->x, 300);
    EXPECT_EQ(s->y, 400);
    EXPECT_EQ(s->flags & (OBJ_NO_MINIMAP_DOT | OBJ_NO_POINTER_HIT), 0u);
    EXPECT_EQ(s->animation, s->params.idle_animation);
}

TEST_F(SiteStateAndFrames, ANewHarvesterTargetStartsItsMove) {
    load(SITE_HARVESTER, ParamsFile{});
    load(SITE_SHIPYARD, ParamsFile{});
    Site *h = create(SITE_HARVESTER), *y = create(SITE_SHIPYARD);
    h->move_phase = SITE_MOVE_DONE;
    site_set_harvest_target(h, 88);
    EXPECT_EQ(h->harvest_target_id, 88u);
    EXPECT_TRUE(h->state & SITE_HARVESTER_MOVING);
    EXPECT_EQ(h->move_phase, 0);
    y->move_phase = SITE_MOVE_DONE;
    site_set_harvest_target(y, 88);
    EXPECT_EQ(y->harvest_target_id, 88u);
    EXPECT_FALSE(y->state & SITE_HARVESTER_MOVING);
    EXPECT_EQ(y->move_phase, SITE_MOVE_DONE);
}

}  // namespace
