// Site templates: the parameter file read against hand-laid bytes, and what a new site takes from
// its template.
#include "site_test_util.h"

#include "platform/anim.h"

using namespace sitetest;

namespace {

using Ints = std::vector<int32_t>;

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

TEST_F(SiteCreation, StartsIdleWithItsDatesAndNoOfficersAndAHarvesterHarvesting) {
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

TEST_F(SiteCreation, EachSiteDrawsItsOwnGridSeed) {
    load(10, ParamsFile{});
    Site *a = create(10), *b = create(10);
    EXPECT_NE(a->grid_seed, b->grid_seed);
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

}  // namespace
