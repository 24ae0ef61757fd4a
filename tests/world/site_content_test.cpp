// Site content: the sixteen templates and seven features as the build generates them into
// store.dat, read by the game's own loaders, and the compiler of the readable sources.
#include "site_test_util.h"

#include <algorithm>
#include <set>
#include <utility>
#include "assetgen/family_sites.h"
#include "assetgen/site_art.h"
#include "platform/sprite.h"
#include "platform/anim.h"
#include "support/fixture_store.h"
#include "world/factory.h"

using namespace sitetest;

namespace {

class GeneratedSites : public ::testing::Test {
protected:
    void SetUp() override {
        factory_free();
        factory_set_register(OBJECT_SITE, nullptr);   // the features load as the site factory's extra data
        ASSERT_TRUE(world.load({OBJECT_SHIP, OBJECT_SHOT, OBJECT_SECTOR, OBJECT_FLEET, OBJECT_SITE},
                               {FACTORY_GROUP_PARAMS}));
    }
    GeneratedWorld world;
    static const Site &tmpl(int32_t t) { return *site_template(t); }
};

TEST_F(GeneratedSites, EveryTemplateLoadsWithItsPaintedFramesAndADescription) {
    for (int32_t t = 0; t < SITE_TEMPLATE_COUNT; ++t) {
        const Site &s = tmpl(t);
        EXPECT_FALSE(s.name.empty()) << t;
        EXPECT_TRUE(s.state & SITE_OWNS_TABLES) << t;
        ASSERT_EQ(s.frame_count, site_art_frame_count(t)) << t;
        const SiteParams &p = s.params;
        EXPECT_GE(p.frame_range_count, 1) << t;
        EXPECT_LE(p.frame_range_first + p.frame_range_count, s.frame_count) << t;
        EXPECT_LT(p.construction_frame, s.frame_count) << t;
        EXPECT_LT(p.special_frame, s.frame_count) << t;
        ASSERT_GE(s.animation_count, p.idle_animation + p.idle_animation_choices) << t;
        for (int32_t a = 0; a < s.animation_count; ++a)
            for (const AnimFrame &f : s.animations[a]->pairs) EXPECT_LT(f.frame, s.frame_count) << t << ":" << a;
        for (int32_t i = 0; i < s.frame_count; ++i) {
            EXPECT_GT(s.frame_w[i], 0) << t << ":" << i;
            EXPECT_GT(s.frame_h[i], 0) << t << ":" << i;
        }
        std::string desc;
        ASSERT_EQ(site_load_description(&s, &desc), RES_OK) << t;
        EXPECT_GT(desc.size(), 40u) << t;
    }
}

TEST_F(GeneratedSites, TheRolesTheRulesRelyOn) {
    const std::pair<int32_t, const char *> names[] = {
        {SITE_STARBASE, "Starbase"}, {SITE_SHIPYARD, "Shipyard"}, {SITE_HARVESTER, "Harvester"},
        {SITE_TRAINING, "Training Site"}, {8, "Earth"}};
    for (auto [t, name] : names) EXPECT_EQ(tmpl(t).name, name);
    std::set<int32_t> buildable;
    for (int32_t t = 0; t < SITE_TEMPLATE_COUNT; ++t)
        if (tmpl(t).params.template_flags & SITE_TF_BUILDABLE) buildable.insert(t);
    EXPECT_EQ(buildable, (std::set<int32_t>{7, 13, 14, 15})) << "the facilities research unlocks";
    for (int32_t t = 1; t <= 5; ++t)
        EXPECT_TRUE(tmpl(t).params.template_flags & SITE_TF_NEVER_CREW_SHORT) << "star " << t;
    for (int32_t t : {6, 9, 10, 11, 12}) {
        const uint32_t f = tmpl(t).params.template_flags;
        EXPECT_EQ(f & (SITE_TF_RESOURCE | SITE_TF_LABELLED), SITE_TF_RESOURCE | SITE_TF_LABELLED) << t;
        EXPECT_GE(tmpl(t).params.divisor_min, 1) << t;
        EXPECT_GE(tmpl(t).params.resource_min, 1) << t;
        EXPECT_GE(tmpl(t).params.grid_width, 21) << t;
        EXPECT_GE(tmpl(t).params.grid_height, 21) << t;
    }
    EXPECT_TRUE(tmpl(8).params.template_flags & SITE_TF_LABELLED);
    EXPECT_FALSE(tmpl(8).params.template_flags & SITE_TF_RESOURCE);
    EXPECT_EQ(tmpl(11).variants.size(), 3u);
    EXPECT_EQ(tmpl(12).variants.size(), 3u);
    EXPECT_TRUE(tmpl(12).params.template_flags & SITE_TF_POPULATION);
    EXPECT_TRUE(tmpl(SITE_STARBASE).params.template_flags & SITE_TF_SPECIAL_FRAME);
    EXPECT_TRUE(tmpl(SITE_STARBASE).params.template_flags & SITE_TF_CONSTRUCTION_FRAME);
    EXPECT_GE(tmpl(SITE_STARBASE).params.crew_capacity, 5000) << "a home starbase starts with up to 5000 crew";
    EXPECT_GT(tmpl(SITE_STARBASE).params.defense_cost, 0);
    EXPECT_GT(tmpl(SITE_STARBASE).params.defense_minutes, 0);
    EXPECT_GE(tmpl(SITE_HARVESTER).animation_count, 8) << "idle, deploy, travel, arrive, crew short, deactivated";
    EXPECT_GT(tmpl(SITE_HARVESTER).params.harvest_factor, 0);
    EXPECT_GT(tmpl(14).params.research_factor, 0);
    EXPECT_GT(tmpl(SITE_TRAINING).params.base_intake, 0);
    for (int32_t t : {7, 13, 14, 15}) {
        EXPECT_GT(tmpl(t).params.build_days, 0) << "an item of 0 minutes could not be rushed: " << t;
        EXPECT_GT(tmpl(t).params.build_cost, 0) << t;
        EXPECT_LT(tmpl(t).params.rush_low_price, tmpl(t).params.rush_high_price) << t;
    }
}

TEST_F(GeneratedSites, SolAndEarthFitTheirStartingFigures) {
    const SiteParams &star = tmpl(2).params;   // the star of the Sol sector
    for (auto [i, v] : {std::pair{SITE_ATTR_DIAMETER, 1392206}, std::pair{SITE_ATTR_TEMPERATURE, 57782},
                         std::pair{SITE_ATTR_STELLAR_MASS, 100}}) {
        EXPECT_LE(star.attribute_min[i], v) << i;
        EXPECT_GE(star.attribute_max[i], v) << i;
    }
    const SiteParams &earth = tmpl(8).params;
    for (auto [i, v] : {std::pair{0, 12742}, std::pair{1, 2872}, std::pair{2, 10}, std::pair{3, 10}}) {
        EXPECT_EQ(earth.attribute_min[i], v) << i;
        EXPECT_EQ(earth.attribute_max[i], v) << i;
    }
}

TEST_F(GeneratedSites, TheSevenFeaturesKnowTheirKindBodiesAndBag) {
    for (int32_t k = 0; k < FEATURE_TEMPLATE_COUNT; ++k) {
        const SiteFeature *f = feature_template(k);
        ASSERT_NE(f, nullptr) << k;
        EXPECT_EQ(f->kind, k);
        EXPECT_NE(f->site_mask & 31, 0) << k;
        EXPECT_EQ(f->site_mask & ~63, 0) << k;
        EXPECT_LE(f->bonus_min, f->bonus_max) << k;
        for (int l = 0; l < FEATURE_LEVEL_COUNT; ++l) {
            EXPECT_GE(f->defence_kind_by_level[l], -1) << k << ":" << l;
            EXPECT_LE(f->defenders_min_by_level[l], f->defenders_max_by_level[l]) << k << ":" << l;
        }
    }
    for (int32_t k : {1, 3, 4, 5}) EXPECT_GE(feature_template(k)->bag_count, 1) << "a new game places kind " << k;
    EXPECT_EQ(feature_template(FEATURE_HOME_COLONY)->bag_count, 0) << "home colonies are placed by hand";
    EXPECT_EQ(feature_template(FEATURE_HOME_COLONY)->site_mask & 31, FEATURE_MASK_T12);
    EXPECT_EQ(feature_template(7), nullptr);
}

TEST_F(GeneratedSites, LoadGroupsSplitFramesDetailAndBattlePicture) {
    Factory *f = factory_get(OBJECT_SITE);
    ASSERT_NE(f, nullptr);
    const Site &base = tmpl(SITE_STARBASE);
    const int32_t special = base.params.special_frame;
    auto loaded = [&](int32_t frame) { return base.frames[frame] != nullptr; };
    factory_acquire_group(OBJECT_SITE, SITE_STARBASE, FACTORY_GROUP_FRAMES);
    ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
    for (int32_t i = 0; i < base.frame_count; ++i)
        EXPECT_EQ(loaded(i), i != special && !site_frame_in_range(&base, i)) << "group 1, frame " << i;
    factory_acquire_group(OBJECT_SITE, SITE_STARBASE, FACTORY_GROUP_ENCOUNTER);
    ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
    EXPECT_TRUE(loaded(special));
    EXPECT_FALSE(loaded(base.params.frame_range_first));
    factory_acquire_group(OBJECT_SITE, SITE_STARBASE, FACTORY_GROUP_DETAIL);
    ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
    for (int32_t i = 0; i < base.params.frame_range_count; ++i) EXPECT_TRUE(loaded(base.params.frame_range_first + i));
    factory_release_all_groups(FACTORY_GROUP_FRAMES);
    factory_release_detail_group(OBJECT_SITE, SITE_STARBASE);
    ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
    EXPECT_FALSE(loaded(0)) << "group 1 dropped its frames";
    EXPECT_FALSE(loaded(base.params.frame_range_first)) << "group 3 dropped the range";
    EXPECT_TRUE(loaded(special)) << "group 2 is still requested";
}

TEST_F(GeneratedSites, WithoutTheSpecialFlagGroupOneLoadsThatFrameAndGroupTwoNothing) {
    const Site &yard = tmpl(SITE_SHIPYARD);
    ASSERT_FALSE(yard.params.template_flags & SITE_TF_SPECIAL_FRAME);
    factory_acquire_group(OBJECT_SITE, SITE_SHIPYARD, FACTORY_GROUP_ENCOUNTER);
    ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
    for (int32_t i = 0; i < yard.frame_count; ++i) EXPECT_EQ(yard.frames[i], nullptr) << i;
    factory_acquire_group(OBJECT_SITE, SITE_SHIPYARD, FACTORY_GROUP_FRAMES);
    ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
    EXPECT_NE(yard.frames[yard.params.special_frame], nullptr);
}

// ---- The compiler of the sources ----

const char *UNKNOWN_KEY_SITE = R"(# a test site
[site 7]
name = Dock
flags = buildable producer construction_frame
variant_unused_key_is_refused = 1
)";

std::string site_source(const std::string &extra_lines = "", const std::string &skip = "") {
    const char *lines[] = {
        "name = Dock",
        "flags = buildable producer construction_frame",
        "build_cost = 1500",
        "build_days = 3",
        "rush = 200 1800",
        "frame_range = 5 8",
        "construction_frame = 4",
        "special_frame = 0",
        "idle_animation = 0",
        "idle_choices = 1",
        "resources = 0 0",
        "divisor = 0 0",
        "crew_capacity = 0",
        "sensor_range = 0",
        "base_intake = 0",
        "placement = 120 590 904 650",
        "harvest_factor = 0",
        "research_factor = 0",
        "speed = 0",
        "attributes = 0 0 0 0 0 0 0 0 0 0",
        "grid = 0 0 0",
        "grid_colours = 1 2 3 4 5 6",
        "animation = 0 : 0 300 1 120 2 120 3 300",
        "defense = -1 -1",
        "defense_rush = 0 0",
        "halo_style = 0",
        "spare = 11 14 30 57",
        "desc = A dock.",
    };
    std::string text = "[site 7]\n";
    for (const char *line : lines)
        if (skip.empty() || std::string(line).rfind(skip + " =", 0) != 0) text += std::string(line) + "\n";
    return text + extra_lines;
}

class SiteCompiler : public SiteFixture {
protected:
    Result compile(const std::string &text, int number = 7, int frames = 13) {
        error.clear();
        return sites_compile_site(text, "sites/07_dock.txt", number, frames, &out, &error);
    }
    SiteCompiled out;
    std::string  error;
};

TEST_F(SiteCompiler, ASourceCompilesIntoTheFileTheGameReads) {
    ASSERT_EQ(compile(site_source()), RES_OK) << error;
    EXPECT_EQ(out.desc, "A dock.");
    Site *t = site_template(7);
    Buffer *buf = buffer_of(bytes_of(out.params));
    ASSERT_EQ(site_read_params(t, buf), RES_OK);
    EXPECT_EQ(buffer_remaining(buf), 0) << "nothing left over";
    buffer_free(buf);
    EXPECT_EQ(t->name, "Dock");
    EXPECT_EQ(t->params.template_flags, SITE_TF_BUILDABLE | SITE_TF_CAN_PRODUCE | SITE_TF_CONSTRUCTION_FRAME);
    const SiteParams &p = t->params;
    EXPECT_EQ(std::vector<int32_t>({p.build_cost, p.build_days, p.rush_high_price, p.frame_range_first,
                                    p.construction_frame, p.place_max_y, p.grid_colours[5], p.spare_11, p.spare_14,
                                    p.spare_30, p.spare_57, p.defense_cost}),
              std::vector<int32_t>({1500, 3, 1800, 5, 4, 650, 6, 11, 14, 30, 57, -1}));
    ASSERT_EQ(t->animation_count, 1);
    EXPECT_EQ(anim_count(t->animations[0]), 4);
    EXPECT_EQ(t->animations[0]->pairs[1].ms, 120);
}

TEST_F(SiteCompiler, RefusesWhatTheGameCouldNotUse) {
    EXPECT_EQ(compile(site_source(), 8), RES_MALFORMED) << "the block must carry the file's number";
    EXPECT_NE(error.find("[site 8]"), std::string::npos) << error;
    EXPECT_EQ(compile(site_source(), 7, 12), RES_MALFORMED) << "frame 12 is beyond 12 painted frames";
    EXPECT_NE(error.find("frame_range"), std::string::npos) << error;
    EXPECT_EQ(compile(site_source("", "build_days")), RES_MALFORMED);
    EXPECT_NE(error.find("\"build_days\" missing"), std::string::npos) << error;
    EXPECT_EQ(compile(site_source("animation = 0 : 20 100\n")), RES_MALFORMED) << "an unpainted frame";
    EXPECT_EQ(compile(site_source("variant = 0 0 1 2\n")), RES_MALFORMED) << "variants without the flag";
    EXPECT_EQ(compile(site_source("colour = 1\n")), RES_MALFORMED);
    EXPECT_NE(error.find("unknown key \"colour\""), std::string::npos) << error;
    EXPECT_EQ(compile(site_source("range_offsets = 1 2\n")), RES_MALFORMED) << "one pair for eight frames";
    EXPECT_EQ(compile(UNKNOWN_KEY_SITE), RES_MALFORMED);
    std::string harvester = site_source();
    harvester.replace(harvester.find("[site 7]"), 8, "[site 13]");
    EXPECT_EQ(compile(harvester, 13), RES_MALFORMED);
    EXPECT_NE(error.find("eight animations"), std::string::npos) << error;
}

std::string feature_source(const std::string &mask_of_0 = "barren asteroids") {
    std::string text;
    for (int k = 0; k < 7; ++k) {
        text += "[feature " + std::to_string(k) + "]\nname = F" + std::to_string(k) + "\ndoubles = " +
                (k == 1 ? "1" : "0") + "\nspare = " + std::to_string(k * 10) + "\nbag = " + std::to_string(k) +
                "\nbodies = " + (k == 0 ? mask_of_0 : std::string("terran keep")) + "\nbonus = " + std::to_string(k) +
                " " + std::to_string(k + 5) + "\nlevel 0 = -1 0 0\nlevel 1 = 0 1 2\nlevel 2 = 3 2 4\ngather = g" +
                std::to_string(k) + "\n";
        text += k == 6 ? "desc_own = mine\ndesc_other = theirs\n" : "desc = d" + std::to_string(k) + "\n";
    }
    return text;
}

TEST_F(SiteCompiler, FeaturesCompileIntoSevenRecordsAndTheirTexts) {
    FeaturesCompiled f;
    ASSERT_EQ(sites_compile_features(feature_source(), "features.txt", &f, &error), RES_OK) << error;
    SiteFeature read[FEATURE_TEMPLATE_COUNT];
    Buffer *buf = buffer_of(bytes_of(f.params));
    ASSERT_EQ(feature_read_params(buf, read), RES_OK);
    EXPECT_EQ(buffer_remaining(buf), 0);
    buffer_free(buf);
    EXPECT_EQ(read[0].site_mask, FEATURE_MASK_T11 | FEATURE_MASK_T6);
    EXPECT_EQ(read[3].site_mask, FEATURE_MASK_T12 | FEATURE_MASK_KEEP_BODY);
    EXPECT_EQ(std::vector<int32_t>({int32_t(read[1].doubles_resources), int32_t(read[4].spare_value), read[5].bag_count,
                                    read[6].bonus_max, read[2].defence_kind_by_level[2],
                                    read[2].defenders_max_by_level[2], read[2].defenders_min_by_level[1]}),
              std::vector<int32_t>({1, 40, 5, 11, 3, 4, 1}));
    EXPECT_EQ(f.descs, (std::vector<std::string>{"d0", "d1", "d2", "d3", "d4", "d5", "mine", "theirs"}));
    EXPECT_EQ(f.gather_descs.size(), 7u);
    EXPECT_EQ(sites_compile_features(feature_source("barren moons"), "features.txt", &f, &error), RES_MALFORMED);
    EXPECT_EQ(sites_compile_features(feature_source("keep"), "features.txt", &f, &error), RES_MALFORMED)
        << "a feature no body may carry";
}

TEST(SiteArt, PaintingIsRepeatableAndHasNoPartialTransparency) {
    const Canvas a = site_art_paint(SITE_HARVESTER, 2, 99), b = site_art_paint(SITE_HARVESTER, 2, 99);
    EXPECT_TRUE(a.px == b.px);
    for (int t : {0, 2, 9, 12}) {
        const Canvas c = site_art_paint(t, 0, 99);
        size_t opaque = 0;
        for (size_t i = 3; i < c.px.size(); i += 4) {
            EXPECT_TRUE(c.px[i] == 0.0f || c.px[i] == 1.0f) << "template " << t;
            opaque += c.px[i] == 1.0f;
            if (c.px[i] != 0.0f && c.px[i] != 1.0f) break;
        }
        EXPECT_GT(opaque, c.px.size() / 4 / 8) << "template " << t << " shows something";
        // A transparent border: nothing touches the frame's edge.
        for (int x = 0; x < c.width; ++x) {
            EXPECT_EQ(canvas_get(c, x, 0).a, 0.0f) << t;
            EXPECT_EQ(canvas_get(c, x, c.height - 1).a, 0.0f) << t;
        }
    }
}

// Over dark space a star's glow thins out smoothly: no pixel of a sector picture (0) or a detail
// picture (6) stands out from both its neighbours in its row (a stippled corona alternates lit and
// empty pixels), and the detail picture's glow has ended before the frame's edge.
TEST(SiteArt, AStarsGlowFadesIntoTheDarkWithoutStipple) {
    const Colour dark = {0.03f, 0.03f, 0.045f, 1};
    for (int t = 1; t <= 5; ++t)
        for (int frame : {0, 6}) {
            const Canvas c = site_art_paint(t, frame, 7);
            auto light = [&](int x, int y) {
                const Colour p = canvas_get(c, x, y);
                return p.a > 0 ? std::max({p.r, p.g, p.b}) : std::max({dark.r, dark.g, dark.b});
            };
            int stippled = 0;
            for (int y = 0; y < c.height; ++y)
                for (int x = 1; x + 1 < c.width; ++x) {
                    const float l = light(x - 1, y), m = light(x, y), r = light(x + 1, y), step = 16 / 255.0f;
                    stippled += (m - l > step && m - r > step) || (l - m > step && r - m > step);
                }
            EXPECT_LT(stippled * 1000, c.width * c.height) << "template " << t << " frame " << frame << ": " << stippled;
        }
    for (int t = 1; t <= 5; ++t) {
        const Canvas c = site_art_paint(t, 6, 7);
        for (int i = 0; i < c.width; ++i)
            for (const auto &[x, y] : {std::pair<int, int>{i, 0}, {i, c.height - 1}, {0, i}, {c.width - 1, i}})
                EXPECT_EQ(canvas_get(c, x, y).a, 0.0f) << "template " << t << " at " << x << ", " << y;
    }
}

}  // namespace
