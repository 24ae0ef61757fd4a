// The sector content: the parser's refusals, the encoder's bytes, and the star painter at game
// size and at sector-view size (a review sheet goes to test-output).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>
#include "assetgen/content_source.h"
#include "assetgen/family_sectors.h"
#include "assetgen/output.h"
#include "platform/buffer.h"
#include "test_support.h"

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

// The shipped content parses: the build makes the store from it and the review sheet below reads it.
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

TEST(StarPainter, ReviewSheetOfTheShippedStars) {
    std::string text, error;
    ASSERT_EQ(content_read("sectors/sectors.txt", &text, &error), RES_OK) << error;
    std::vector<SectorSource> sectors;
    ASSERT_EQ(sectors_parse(text, "sectors.txt", &sectors, &error), RES_OK) << error;
    // Galaxy-map frames in a row, then each star at sector-view size below.
    constexpr int CELL = 64, BIG = 200;
    Canvas sheet = canvas_create(CELL * SECTOR_FAMILY_FRAMES + BIG * 3, BIG * 2 + CELL, Colour{0.02f, 0.02f, 0.03f, 1});
    for (size_t t = 0; t < sectors.size(); ++t) {
        const SectorSource &s = sectors[t];
        for (int f = 0; f < SECTOR_FAMILY_FRAMES; ++f) {
            const Canvas star = sectors_paint_star(s.look, s.size, float(s.radius) / 10.0f, f, 40u + uint32_t(t));
            canvas_composite(&sheet, star, f * CELL + (CELL - s.size) / 2, int(t) * CELL + (CELL - s.size) / 2, BLEND_OVER);
        }
        const Canvas big = sectors_paint_star(s.look, BIG, float(s.radius) / 10.0f * BIG / float(s.size), 0, 40u);
        canvas_composite(&sheet, big, CELL * SECTOR_FAMILY_FRAMES + int(t % 3) * BIG, int(t / 3) * BIG + CELL, BLEND_OVER);
    }
    const std::string dir = fresh_test_dir("sectors");
    EXPECT_EQ(output_png_rgb(dir, "stars.png", sheet, false, 1), RES_OK);
}

}  // namespace
