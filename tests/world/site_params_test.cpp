// Site templates: the parameter file read against hand-laid bytes, and what a new site takes from
// its template.
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
    EXPECT_EQ(t->variants[1].idle_animation, 2);
    EXPECT_EQ(t->variants[1].variant_value, 22);
    EXPECT_EQ(t->variants[1].resource_min, 3000);
    EXPECT_EQ(t->variants[1].resource_max, 4000);
    EXPECT_EQ(p.build_cost, 404);
    EXPECT_EQ(p.build_days, 5);
    EXPECT_EQ(p.rush_low_price, 60);
    EXPECT_EQ(p.rush_high_price, 70);
    EXPECT_EQ(p.frame_range_first, 2);
    EXPECT_EQ(p.frame_range_count, 2);
    EXPECT_EQ(p.variant_value, 100);
    EXPECT_EQ(p.spare_11, 111);
    EXPECT_EQ(p.construction_frame, 1);
    EXPECT_EQ(p.special_frame, 4);
    EXPECT_EQ(p.spare_14, 141);
    EXPECT_EQ(p.idle_animation, 0);
    EXPECT_EQ(p.idle_animation_choices, 1);
    EXPECT_EQ(p.resource_min, 170);
    EXPECT_EQ(p.resource_max, 180);
    EXPECT_EQ(p.divisor_min, 19);
    EXPECT_EQ(p.divisor_max, 20);
    EXPECT_EQ(p.crew_capacity, 2100);
    EXPECT_EQ(p.sensor_range, 220);
    EXPECT_EQ(p.base_intake, 230);
    EXPECT_EQ(p.place_min_x, 240);
    EXPECT_EQ(p.place_min_y, 250);
    EXPECT_EQ(p.place_max_x, 260);
    EXPECT_EQ(p.place_max_y, 270);
    EXPECT_EQ(p.harvest_factor, 28);
    EXPECT_EQ(p.research_factor, 29);
    EXPECT_EQ(p.spare_30, 300);
    EXPECT_EQ(t->speed, 310) << "item 31 is the object's travel speed";
    for (int i = 0; i < SITE_ATTRIBUTE_COUNT; ++i) {
        EXPECT_EQ(p.attribute_min[i], 320 + 20 * i) << i;
        EXPECT_EQ(p.attribute_max[i], 330 + 20 * i) << i;
    }
    EXPECT_EQ(p.grid_generator, 2);
    EXPECT_EQ(p.grid_width, 43);
    EXPECT_EQ(p.grid_height, 44);
    for (int i = 0; i < SITE_GRID_COLOUR_BYTES; ++i) EXPECT_EQ(p.grid_colours[i], 45 + i) << i;
    ASSERT_EQ(t->animation_count, 3);
    EXPECT_EQ(anim_count(t->animations[1]), 2);
    EXPECT_EQ(t->animations[1]->pairs[1].frame, 2);
    EXPECT_EQ(t->animations[1]->pairs[1].ms, 60);
    ASSERT_NE(p.range_offset_x, nullptr);
    ASSERT_NE(p.range_offset_y, nullptr);
    EXPECT_EQ(p.range_offset_x[0], 5);
    EXPECT_EQ(p.range_offset_y[0], -6);
    EXPECT_EQ(p.range_offset_x[1], 7);
    EXPECT_EQ(p.range_offset_y[1], -8);
    ASSERT_EQ(p.hotspot_count, 3);
    EXPECT_EQ(p.hotspot_x[2], 5);
    EXPECT_EQ(p.hotspot_y[2], 6);
    EXPECT_EQ(p.defense_cost, 540) << "items 54 and 55 replace the -1 defaults";
    EXPECT_EQ(p.defense_minutes, 550);
    EXPECT_EQ(p.halo_style, 560);
    EXPECT_EQ(p.spare_57, 570);
    EXPECT_EQ(p.defense_rush_low, 580);
    EXPECT_EQ(p.defense_rush_high, 590);
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

TEST_F(SiteParamsFile, APositiveRangeFlagWithoutRangeFramesIsMalformed) {
    ParamsFile f;
    f.range_flag = 1;
    f.range_count = 0;
    Buffer *buf = buffer_of(f.bytes());
    EXPECT_EQ(site_read_params(site_template(4), buf), RES_MALFORMED);
    buffer_free(buf);
}

TEST_F(SiteParamsFile, NegativeCountsAreMalformed) {
    ParamsFile variants;
    variants.variant_count_override = -2;
    Buffer *buf = buffer_of(variants.bytes());
    EXPECT_EQ(site_read_params(site_template(4), buf), RES_MALFORMED);
    buffer_free(buf);

    ParamsFile animations;
    animations.animation_count_override = -3;
    buf = buffer_of(animations.bytes());
    EXPECT_EQ(site_read_params(site_template(4), buf), RES_MALFORMED);
    buffer_free(buf);
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

TEST_F(SiteCreation, StartsIdleWithItsDatesAndNoOfficers) {
    load(7, ParamsFile{});
    Site *site = make(7);
    ASSERT_NE(site, nullptr);
    EXPECT_EQ(site->kind, OBJECT_SITE);
    EXPECT_EQ(site->subtype, 7);
    EXPECT_EQ(site->status_text, "Idle");
    EXPECT_EQ(site->name, "Test Body");
    EXPECT_NE(site->started, nullptr);
    EXPECT_NE(site->build_started, nullptr);
    EXPECT_NE(site->built, nullptr);
    EXPECT_NE(site->crew_checked, nullptr);
    EXPECT_EQ(site_officer_count(site), 0);
    EXPECT_EQ(site->gather_state, -1);
    EXPECT_EQ(site->known_feature_kind, -1);
    EXPECT_EQ(site->feature, nullptr);
    EXPECT_STREQ(object_type_name(OBJECT_SITE), "Site");
    EXPECT_EQ(object_get_icon(site), RES_NO_PICTURE);
    object_destroy(site);
}

TEST_F(SiteCreation, AHarvesterSaysHarvesting) {
    load(SITE_HARVESTER, ParamsFile{});
    Site *site = make(SITE_HARVESTER);
    EXPECT_EQ(site->status_text, "Harvesting");
    object_destroy(site);
}

TEST_F(SiteCreation, ANewTemplateWordsDefaultToMinusOneUntilAFileSetsThem) {
    Site *t = site_template(12);
    EXPECT_EQ(t->params.defense_cost, -1);
    EXPECT_EQ(t->params.defense_minutes, -1);
}

TEST_F(SiteCreation, ThreeIdleChoicesStartOneOfThreeConsecutiveAnimations) {
    ParamsFile f;
    f.animations = {{0, {0, 10}}, {0, {0, 10}}, {0, {0, 10}}, {0, {0, 10}}, {0, {0, 10}}};
    f.idle_animation = 1;
    f.idle_choices = 3;
    load(5, f);
    bool seen[5] = {};
    for (int i = 0; i < 60; ++i) {
        Site *site = make(5);
        ASSERT_GE(site->params.idle_animation, 1);
        ASSERT_LE(site->params.idle_animation, 3);
        EXPECT_EQ(site->animation, site->params.idle_animation) << "the chosen animation is started";
        seen[site->params.idle_animation] = true;
        object_destroy(site);
    }
    EXPECT_TRUE(seen[1] && seen[2] && seen[3]) << "every choice turns up in 60 sites";
}

TEST_F(SiteCreation, ABlendedTemplateMakesBlendedSites) {
    ParamsFile f;
    f.flags = SITE_TF_BLENDED;
    load(4, f);
    Site *site = make(4);
    EXPECT_TRUE(site->flags & OBJ_BLENDED);
    object_destroy(site);
}

TEST_F(SiteCreation, EachSiteDrawsItsOwnGridSeed) {
    load(10, ParamsFile{});
    Site *a = make(10), *b = make(10);
    EXPECT_NE(a->grid_seed, b->grid_seed);
    object_destroy(a);
    object_destroy(b);
}

TEST_F(SiteCreation, TablesAreSharedWithTheTemplateAndVariantsStayThere) {
    ParamsFile f;
    f.flags = SITE_TF_VARIANTS;
    f.variants = {{0, 7, 500, 600}, {0, 8, 700, 800}};
    f.hotspots = {1, 2};
    f.range_flag = 1;
    f.range_offsets = {0, 0, 1, 1};
    Site *t = load(11, f);
    Site *site = make(11);
    EXPECT_EQ(site->params.hotspot_x, t->params.hotspot_x);
    EXPECT_EQ(site->params.range_offset_y, t->params.range_offset_y);
    EXPECT_TRUE(site->variants.empty());
    EXPECT_EQ(site->variant, 0);
    EXPECT_EQ(site->params.variant_value, 7) << "variant 0 applied at creation";
    EXPECT_EQ(site->params.resource_min, 500);
    object_destroy(site);   // must not free the template's tables
    EXPECT_EQ(t->params.hotspot_x[0], 1);
}

TEST_F(SiteCreation, AVariantReplacesItsFourValues) {
    ParamsFile f;
    f.flags = SITE_TF_VARIANTS;
    f.animations = {{0, {0, 10}}, {0, {1, 10}}, {0, {2, 10}}};
    f.variants = {{0, 7, 500, 600}, {2, 9, 900, 950}};
    load(12, f);
    Site *site = make(12);
    site_feature_template(site, 1);
    EXPECT_EQ(site->variant, 1);
    EXPECT_EQ(site->params.idle_animation, 2);
    EXPECT_EQ(site->params.variant_value, 9);
    EXPECT_EQ(site->params.resource_min, 900);
    EXPECT_EQ(site->params.resource_max, 950);
    site_feature_template(site, 2);   // no such variant
    site_feature_template(site, -1);
    EXPECT_EQ(site->variant, 1);
    EXPECT_TRUE(site_has_variants(site));
    object_destroy(site);
}

TEST_F(SiteCreation, WithoutTheVariantsFlagTheVariantIsIgnored) {
    ParamsFile f;
    f.variants = {{0, 7, 500, 600}};
    load(12, f);
    Site *site = make(12);
    site_feature_template(site, 0);
    EXPECT_EQ(site->params.variant_value, 100);
    EXPECT_FALSE(site_has_variants(site));
    object_destroy(site);
}

}  // namespace
