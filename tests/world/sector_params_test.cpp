// Sector data: the content parser's refusals and the encoder's bytes, the star painter at game size
// and at sector-view size, the parameter reader against hand-laid bytes, and every template of the
// generated store read through the factory's load groups.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>
#include "assetgen/family_sectors.h"
#include "platform/sprite.h"
#include "test_support.h"
#include "galaxy_fixture.h"

namespace galaxytest {
namespace {

const char *MINIMAL = R"(
[sector 0]
name = A
flags =
site_counts = 1
core = 255 255 255
corona = 200 200 200
halo = 100 100 100
size = 20
radius = 30
)";

// The minimal text for templates 0..5, with template 0's block replaced by `first`.
std::string all_templates(const std::string &first) {
    std::string text = first;
    for (int t = 1; t < SECTOR_FAMILY_TEMPLATES; ++t) {
        std::string block = MINIMAL;
        block.replace(block.find("[sector 0]"), 10, "[sector " + std::to_string(t) + "]");
        text += block;
    }
    return text;
}

Result parse(const std::string &text, std::string *error, std::vector<SectorSource> *out = nullptr) {
    std::vector<SectorSource> local;
    return sectors_parse(text, "test.txt", out ? out : &local, error);
}

TEST(SectorContent, RefusalsNameTheLine) {
    // All six templates with one line of template 0 replaced.
    auto edited = [](const std::string &line, const std::string &by) {
        std::string first = MINIMAL;
        first.replace(first.find(line), line.size(), by);
        return all_templates(first);
    };
    std::string missing = all_templates(MINIMAL);
    missing.erase(missing.find("[sector 4]"));
    struct Case {
        std::string text;
        const char *error;   // a part of the message, or null when only the refusal counts
    };
    const Case cases[] = {
        {all_templates(MINIMAL) + "[sector 3]\nname = again\n", "sector 3 given twice"},
        {missing, "sector 4 is missing"},
        {all_templates(std::string(MINIMAL) + "site = 16 1 1\n"), "test.txt:11: site: a site template 0..15"},
        {edited("flags =", "flags = loud"), "unknown flag \"loud\""},
        {edited("radius = 30", "radius = 51"), "does not fit"},   // 5.1 px in a 20 px frame
        {edited("core = 255 255 255", "core = 256 0 0"), nullptr},
        {edited("site_counts = 1", "site_counts = 1 -2"), nullptr},
    };
    for (const Case &c : cases) {
        std::string error;
        EXPECT_EQ(parse(c.text, &error), RES_MALFORMED) << c.text;
        if (c.error) {
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
        }
    }
}

TEST(SectorContent, TheEncoderWritesTheFileTheGameReads) {
    SectorSource s;
    s.flags = 1;
    s.name = "Ab";
    s.choices = {{9, -1, 2}};
    s.site_counts = {0, 3};
    Buffer buf;
    ASSERT_EQ(sectors_encode_params(s, &buf), RES_OK);
    const std::vector<uint8_t> expected = {0, 0, 0, 1, 0, 0, 0, 2, 'A', 'b', 0, 0, 0, 1, 0, 0, 0, 9,
                                           0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 3};
    EXPECT_EQ(std::vector<uint8_t>(buf.data, buf.data + buf.length), expected);
}

// ---- The painter ----

float lit(const Canvas &c, int x, int y) {
    const Colour k = canvas_get(c, x, y);
    return k.a > 0 ? std::max({k.r, k.g, k.b}) : 0.0f;
}

TEST(StarPainter, ABrightCentreFadingToEmptyCorners) {
    const StarLook look{{1.0f, 0.95f, 0.85f, 1}, {1.0f, 0.8f, 0.4f, 1}, {0.9f, 0.6f, 0.3f, 1}};
    for (int size : {30, 240}) {
        const float radius = float(size) * 0.13f;
        const Canvas star = sectors_paint_star(look, size, radius, 0, 5);
        const int c = size / 2;
        EXPECT_GT(lit(star, c, c), 0.9f) << size;
        EXPECT_GT(lit(star, c, c), lit(star, c + int(radius * 2), c + int(radius * 2)));
        for (int x : {0, size - 1})
            for (int y : {0, size - 1}) EXPECT_EQ(canvas_get(star, x, y).a, 0.0f) << size << " corner " << x << "," << y;
        // Every pixel is either a hole or fully opaque: the game has no partial transparency.
        for (size_t i = 3; i < star.px.size(); i += 4) ASSERT_TRUE(star.px[i] == 0.0f || star.px[i] == 1.0f);
    }
}

TEST(StarPainter, TwinkleFramesDifferButKeepTheirStar) {
    const StarLook look{{1, 1, 1, 1}, {0.5f, 0.7f, 1, 1}, {0.2f, 0.4f, 0.9f, 1}};
    const Canvas a = sectors_paint_star(look, 44, 6.2f, 0, 9);
    const Canvas b = sectors_paint_star(look, 44, 6.2f, 1, 9);
    EXPECT_NE(a.px, b.px);
    EXPECT_FLOAT_EQ(lit(a, 22, 22), lit(b, 22, 22));
    EXPECT_EQ(sectors_paint_star(look, 44, 6.2f, 0, 9).px, a.px) << "the same inputs paint the same star";
}

// ---- The parameter reader ----

// flags 1, "Blue", choices (9 40 1) (6 20 3), counts 1 2 3.
std::vector<uint8_t> sample_params() {
    std::vector<uint8_t> b;
    put_i32(&b, 1);
    put_str(&b, "Blue");
    put_i32(&b, 2);
    for (int v : {9, 40, 1, 6, 20, 3}) put_i32(&b, v);
    put_i32(&b, 3);
    for (int v : {1, 2, 3}) put_i32(&b, v);
    return b;
}

// Flags 0, the name, then the given words.
std::vector<uint8_t> params(const std::string &name, std::initializer_list<int64_t> words) {
    std::vector<uint8_t> b;
    put_i32(&b, 0);
    put_str(&b, name);
    for (int64_t v : words) put_i32(&b, v);
    return b;
}

// Every sector template's parameters and frames loaded from the generated store.
class SectorParams : public SectorFixture {
protected:
    void SetUp() override {
        SectorFixture::SetUp();
        for (int32_t t = 0; t < SECTOR_TEMPLATE_COUNT; ++t) factory_acquire_group(OBJECT_SECTOR, t, FACTORY_GROUP_FRAMES);
        ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
        tmpl = sector_of(factory_get_template(OBJECT_SECTOR, 0));
        ASSERT_NE(tmpl, nullptr);
    }
    Result read(const std::vector<uint8_t> &bytes) {
        Buffer buf;
        if (!bytes.empty()) {
            EXPECT_EQ(buffer_append(&buf, bytes.data(), bytes.size()), RES_OK);
        }
        return sector_read_params(tmpl, &buf);
    }
    Sector *tmpl = nullptr;
};

TEST_F(SectorParams, EveryFieldLandsInItsPlaceAndReadingAgainReplacesTheArrays) {
    ASSERT_EQ(read(sample_params()), RES_OK);
    EXPECT_EQ(tmpl->sector_flags, 1u);
    EXPECT_EQ(tmpl->name, "Blue");
    EXPECT_EQ(tmpl->choice_count, 2);
    EXPECT_EQ(tmpl->choice_site, (std::vector<int32_t>{9, 6}));
    EXPECT_EQ(tmpl->choice_a, (std::vector<int32_t>{40, 20}));
    EXPECT_EQ(tmpl->choice_b, (std::vector<int32_t>{1, 3}));
    EXPECT_EQ(tmpl->site_count_choice_count, 3);
    EXPECT_EQ(tmpl->site_count_choices, (std::vector<int32_t>{1, 2, 3}));
    ASSERT_EQ(read(params("Small", {1, 12, 5, 6, 0})), RES_OK);
    EXPECT_EQ(tmpl->choice_site, (std::vector<int32_t>{12}));
    EXPECT_TRUE(tmpl->site_count_choices.empty());
    EXPECT_EQ(tmpl->site_count_choice_count, 0);
}

TEST_F(SectorParams, TruncatedNegativeAndHugeCountsAreRefusedBeforeAnythingGrows) {
    const std::vector<uint8_t> full = sample_params();
    for (size_t n = 0; n < full.size(); ++n)
        EXPECT_EQ(read(std::vector<uint8_t>(full.begin(), full.begin() + std::ptrdiff_t(n))), RES_SHORT_BUFFER)
            << n << " bytes";
    EXPECT_EQ(read(params("X", {-1})), RES_MALFORMED) << "a negative choice count";
    EXPECT_EQ(read(params("X", {0, -3})), RES_MALFORMED) << "a negative site count count";
    EXPECT_EQ(read(params("X", {0x10000000})), RES_SHORT_BUFFER) << "268 million choices claimed, none there";
    EXPECT_LT(tmpl->choice_site.capacity(), 1000u);
}

TEST_F(SectorParams, AMadeSectorCopiesTheTemplateAndShowsOneOfItsFrames) {
    ASSERT_EQ(read(sample_params()), RES_OK);
    random_seed(11);
    for (int i = 0; i < 20; ++i) {
        Sector *s = sector_create(0);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->name, "Blue");
        EXPECT_EQ(s->sector_flags, 1u);   // the quiet star stays quiet
        EXPECT_EQ(s->choice_site, tmpl->choice_site);
        EXPECT_EQ(s->choice_b, tmpl->choice_b);
        EXPECT_EQ(s->site_count_choices, tmpl->site_count_choices);
        EXPECT_EQ(s->label, "");
        EXPECT_TRUE(s->flags & OBJ_ALWAYS_DRAWN);
        EXPECT_EQ(std::pair(s->known_feature_kind, s->known_defence_kind), std::pair(-1, -1));
        EXPECT_GE(s->twinkle_ms, 500);
        EXPECT_LE(s->twinkle_ms, 1000);
        EXPECT_GE(s->pulse_ms, 100);
        EXPECT_LE(s->pulse_ms, 10000);
        EXPECT_GE(s->star_variant, 0);
        EXPECT_LE(s->star_variant, 15);
        EXPECT_GE(s->frame, 0);
        EXPECT_LT(s->frame, SECTOR_FAMILY_FRAMES);
        EXPECT_EQ(s->w, s->frame_w[0]);
        object_destroy(s);
    }
}

TEST_F(SectorParams, TheRandomSiteCountIsAnEntryOfTheList) {
    ASSERT_EQ(read(sample_params()), RES_OK);
    random_seed(3);
    std::vector<int> seen(4, 0);
    for (int i = 0; i < 300; ++i) {
        const int32_t n = sector_template_random_entry(tmpl);
        ASSERT_GE(n, 1);
        ASSERT_LE(n, 3);
        ++seen[size_t(n)];
    }
    EXPECT_GT(seen[1], 0);
    EXPECT_GT(seen[2], 0);
    EXPECT_GT(seen[3], 0);
    tmpl->site_count_choices.clear();
    EXPECT_EQ(sector_template_random_entry(tmpl), 0);
    tmpl->site_count_choices = {4};
    EXPECT_EQ(sector_template_random_entry(tmpl), 4);
}

TEST_F(SectorParams, TheSiteBagSkipsUnknownSitesAndNeedsSiteCounts) {
    ASSERT_EQ(read(params("Mixed", {4, 9, 0, 0, -1, 0, 0, 16, 0, 0, 12, 0, 0, 1, 2})), RES_OK);
    ShuffleBag<int32_t> *bag = sector_template_site_bag(0);
    ASSERT_NE(bag, nullptr);
    ASSERT_EQ(shuffle_count(bag), 2);
    EXPECT_EQ(*list_get(&bag->items, 0), 9);
    EXPECT_EQ(*list_get(&bag->items, 1), 12);
    shuffle_free(bag);
    tmpl->site_count_choices.clear();
    for (int32_t t : {0, 6, -1}) EXPECT_EQ(sector_template_site_bag(t), nullptr) << t;
}

// ---- The generated store ----

TEST_F(SectorParams, EveryGeneratedTemplateLoadsItsParametersAndFourStarFrames) {
    for (int32_t t = 0; t < SECTOR_TEMPLATE_COUNT; ++t) {
        const Sector *gen = sector_of(factory_get_template(OBJECT_SECTOR, t));
        ASSERT_NE(gen, nullptr);
        SCOPED_TRACE(gen->name);
        EXPECT_FALSE(gen->name.empty());
        ASSERT_EQ(gen->frame_count, SECTOR_FAMILY_FRAMES);
        for (int32_t f = 0; f < gen->frame_count; ++f) {
            ASSERT_NE(gen->frames[f], nullptr);
            EXPECT_EQ(gen->frame_w[f], gen->frame_w[0]) << "twinkle frames share one size";
            EXPECT_EQ(gen->frame_h[f], gen->frame_h[0]);
            // The star's centre is lit (part of its shape), a frame corner is empty space.
            EXPECT_TRUE(mask_test(gen->frames[f], gen->frame_w[f] / 2, gen->frame_h[f] / 2));
            EXPECT_FALSE(mask_test(gen->frames[f], 0, 0));
        }
        EXPECT_EQ(gen->choice_count, int32_t(gen->choice_site.size()));
        for (int32_t site : gen->choice_site) {
            EXPECT_GE(site, 0);
            EXPECT_LT(site, SECTOR_SITE_KINDS);
        }
        for (int32_t n : gen->site_count_choices) {
            EXPECT_GE(n, 0);
            EXPECT_LE(n, gen->choice_count) << "a sector never needs more sites than its bag holds";
        }
    }
}

TEST_F(SectorParams, TheHomeSectorIsSolQuietAndWithoutRandomSitesToTheByte) {
    const Sector *sol = sector_of(factory_get_template(OBJECT_SECTOR, SECTOR_SOL_TEMPLATE));
    ASSERT_NE(sol, nullptr);
    EXPECT_EQ(sol->name, "Sol");
    EXPECT_EQ(sol->sector_flags, SECTOR_FLAG_NO_PULSE);
    EXPECT_EQ(sector_template_site_bag(SECTOR_SOL_TEMPLATE), nullptr);
    for (int32_t t = 0; t < SECTOR_SOL_TEMPLATE; ++t) {
        ShuffleBag<int32_t> *bag = sector_template_site_bag(t);
        ASSERT_NE(bag, nullptr) << t;
        EXPECT_EQ(shuffle_count(bag), sector_of(factory_get_template(OBJECT_SECTOR, t))->choice_count);
        shuffle_free(bag);
    }
    Buffer *file = nullptr;
    ASSERT_EQ(store_read_file("sector/005/dat/params.dat", 1, &file), RES_OK);
    const std::vector<uint8_t> expected = {0, 0, 0, 1, 0, 0, 0, 3, 'S', 'o', 'l', 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(file->data, file->data + file->length), expected);
    buffer_free(file);
}

}  // namespace
}  // namespace galaxytest
