// Sprites: decoding, spans and hit masks, glow maps, and the sprite draw commands.
#include <cstring>
#include <memory>

#include "platform/draw_fixture.h"
#include "platform/random.h"

namespace {

constexpr Rgb BLACK{0, 0, 0};
constexpr Rgb WHITE{255, 255, 255};
constexpr Rgb RED{255, 0, 0};

struct SpriteDeleter {
    void operator()(Sprite *s) const { sprite_free(s); }
};
using SpritePtr = std::unique_ptr<Sprite, SpriteDeleter>;

SpritePtr art(const std::vector<std::string> &rows, bool rgba = false) {
    return SpritePtr(sprite_from_art(rows, rgba));
}

std::vector<uint32_t> row_spans(const Sprite *s, int row) {
    std::vector<uint32_t> out;
    size_t i = 0;
    for (int r = 0; r < row; ++r)
        while (s->spans[i++] != SPRITE_SPAN_END) {}
    while (s->spans[i] != SPRITE_SPAN_END) out.push_back(s->spans[i++]);
    return out;
}

// ---- decoding ----------------------------------------------------------------------------------

class SpriteDecode : public ::testing::Test {};

TEST_F(SpriteDecode, AlphaZeroIsTransparentAndAlphaOneIsOpaque) {
    std::vector<uint8_t> px = {10, 20, 30, 0, 10, 20, 30, 1, 10, 20, 30, 255};
    SpritePtr s(sprite_from_png(png_encode(3, 1, px, 4)));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(mask_test(s.get(), 0, 0), 0);
    EXPECT_EQ(mask_test(s.get(), 1, 0), 1);
    EXPECT_EQ(mask_test(s.get(), 2, 0), 1);
    uint32_t p0, p1;
    std::memcpy(&p0, s->pixels.data(), 4);
    std::memcpy(&p1, s->pixels.data() + 4, 4);
    EXPECT_EQ(p0, s->colour_key);
    EXPECT_EQ(p1, 0x0A141Eu);   // red in byte 2, green 1, blue 0: no partial transparency
}

TEST_F(SpriteDecode, TheKeyColourIsTransparentInRgbPictures) {
    SpritePtr s = art({".#r"});
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->width, 3);
    EXPECT_EQ(s->height, 1);
    EXPECT_EQ(mask_test(s.get(), 0, 0), 0);
    EXPECT_EQ(mask_test(s.get(), 1, 0), 1);
    EXPECT_EQ(s->colour_key, 0xEA008Au);
    EXPECT_EQ(s->pixels[8 + 2], 255);   // red pixel: byte 2
    EXPECT_EQ(s->pixels[8 + 0], 0);
}

TEST_F(SpriteDecode, OtherColourTypesAndDepthsAreRefused) {
    struct Case { int colour_type, depth, channels; };
    for (Case c : {Case{PNG_COLOR_TYPE_GRAY, 8, 1}, Case{PNG_COLOR_TYPE_GRAY_ALPHA, 8, 2},
                   Case{PNG_COLOR_TYPE_RGB, 16, 6}}) {
        std::vector<uint8_t> bytes = png_encode(2, 2, std::vector<uint8_t>(64, 7), c.channels,
                                                c.colour_type, c.depth);
        FILE *f = fmemopen(bytes.data(), bytes.size(), "rb");
        int w = -1, h = -1;
        EXPECT_EQ(sprite_check_png_stream("refused.png", f, &w, &h), RES_UNSUPPORTED) << c.colour_type;
        std::fclose(f);
        EXPECT_EQ(w, -1);
        EXPECT_EQ(sprite_from_png(bytes), nullptr) << c.colour_type;
    }
}

TEST_F(SpriteDecode, HeaderCheckGivesTheSizeWithoutDecoding) {
    std::vector<uint8_t> bytes = png_from_art({"####", "####", "####"});
    FILE *f = fmemopen(bytes.data(), bytes.size(), "rb");
    int w = 0, h = 0;
    EXPECT_EQ(sprite_check_png_stream("size.png", f, &w, &h), RES_OK);
    std::fclose(f);
    EXPECT_EQ(w, 4);
    EXPECT_EQ(h, 3);
}

TEST_F(SpriteDecode, TruncatedOrForeignBytesGiveNull) {
    std::vector<uint8_t> bytes = png_from_art({"####", "####"});
    bytes.resize(bytes.size() / 2);
    EXPECT_EQ(sprite_from_png(bytes), nullptr);
    std::vector<uint8_t> junk(100, 0x55);
    EXPECT_EQ(sprite_from_png(junk), nullptr);
}

// ---- spans and masks ---------------------------------------------------------------------------

class SpriteSpans : public ::testing::Test {};

TEST_F(SpriteSpans, RowsAlternateStartingTransparentAndEndWithTheMark) {
    SpritePtr s = art({
        "##..#",   // starts opaque: a 0-length transparent run first
        ".....",   // fully transparent: one run
        "..###",   // ends opaque
        ".#...",   // ends transparent
    });
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(row_spans(s.get(), 0), (std::vector<uint32_t>{0, 8, 8, 4}));
    EXPECT_EQ(row_spans(s.get(), 1), (std::vector<uint32_t>{20}));
    EXPECT_EQ(row_spans(s.get(), 2), (std::vector<uint32_t>{8, 12}));
    EXPECT_EQ(row_spans(s.get(), 3), (std::vector<uint32_t>{4, 4, 12}));
    EXPECT_EQ(s->spans.size(), 4u + 1 + 2 + 3 + 4);
    EXPECT_EQ(s->spans.back(), SPRITE_SPAN_END);
}

TEST_F(SpriteSpans, NineWideMaskHasStrideTwoWithTheLastBitHigh) {
    SpritePtr s = art({"#.......#", "........#"});
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->mask_stride, 2);
    EXPECT_EQ(s->mask, (std::vector<uint8_t>{0x80, 0x80, 0x00, 0x80}));
}

TEST_F(SpriteSpans, MaskTestIsZeroOutsideThePicture) {
    SpritePtr s = art({"###", "###"});
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(mask_test(s.get(), 2, 1), 1);
    EXPECT_EQ(mask_test(s.get(), 3, 0), 0);   // (width, 0)
    EXPECT_EQ(mask_test(s.get(), -1, 0), 0);
    EXPECT_EQ(mask_test(s.get(), 0, 2), 0);
}

TEST_F(SpriteSpans, ACopyAnswersHitTestsAsTheOriginal) {
    SpritePtr s = art({"#..#.#", ".##...", "...###"});
    ASSERT_NE(s, nullptr);
    SpritePtr c(sprite_copy(s.get()));
    ASSERT_NE(c, nullptr);
    EXPECT_NE(c->pixels.data(), s->pixels.data());
    for (int y = -1; y <= 3; ++y)
        for (int x = -1; x <= 6; ++x) EXPECT_EQ(mask_test(c.get(), x, y), mask_test(s.get(), x, y)) << x << "," << y;
    EXPECT_EQ(c->spans, s->spans);
    EXPECT_EQ(c->refcount, 0);
    EXPECT_EQ(c->flags, 0u);
}

class MaskOverlap : public ::testing::Test {
protected:
    SpritePtr a = art({
        "..........",
        "..........",
        "......##..",
        "......##..",
        "..........",
    });
    SpritePtr b = art({"#.", ".#"});
};

TEST_F(MaskOverlap, ReportsTheFirstHitInTheFirsSpritesCoordinates) {
    int x = -1, y = -1;
    EXPECT_EQ(mask_overlap(a.get(), b.get(), 5, 1, &x, &y), 1);   // b's (1,1) lands on a's (6,2)
    EXPECT_EQ(x, 6);
    EXPECT_EQ(y, 2);
    EXPECT_EQ(mask_overlap(a.get(), b.get(), 7, 2, &x, &y), 1);   // b's (0,0) on (7,2)
    EXPECT_EQ(x, 7);
    EXPECT_EQ(y, 2);
}

TEST_F(MaskOverlap, TouchingWithoutSharedBitsIsNoOverlap) {
    EXPECT_EQ(mask_overlap(a.get(), b.get(), 4, 2, nullptr, nullptr), 0);   // b's bits at (4,2),(5,3)
    EXPECT_EQ(mask_overlap(a.get(), b.get(), 5, 0, nullptr, nullptr), 0);   // (5,0) and (6,1)
}

TEST_F(MaskOverlap, WhollyOutsideOrAtNegativeOffsets) {
    EXPECT_EQ(mask_overlap(a.get(), b.get(), 10, 0, nullptr, nullptr), 0);
    EXPECT_EQ(mask_overlap(a.get(), b.get(), -2, -2, nullptr, nullptr), 0);
    // b at a negative offset from a: a's (0,0) set meets b's (1,1)
    SpritePtr small = art({"#"});
    int x = -1, y = -1;
    EXPECT_EQ(mask_overlap(small.get(), b.get(), -1, -1, &x, &y), 1);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
}

TEST_F(MaskOverlap, BitsAcrossAByteBoundaryAreCompared) {
    SpritePtr wide = art({"..........#......"});   // bit 10: second byte
    SpritePtr dot = art({"...#"});
    int x = -1, y = -1;
    EXPECT_EQ(mask_overlap(wide.get(), dot.get(), 7, 0, &x, &y), 1);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(mask_overlap(wide.get(), dot.get(), 6, 0, &x, &y), 0);
}

// A picture without one opaque pixel must not keep a caller searching for one forever.
TEST(MaskRandomOpaquePixel, APictureWithoutOpaquePixelsEndsAtOnce) {
    SpritePtr empty = art({"....", "...."});
    int x = -1, y = -1;
    EXPECT_FALSE(mask_random_opaque_pixel(empty.get(), 1000000000, &x, &y));
    EXPECT_EQ(x, -1);
}

TEST(MaskRandomOpaquePixel, FindsTheOnlyOpaquePixel) {
    random_seed(7);
    SpritePtr one = art({"....", "..#.", "...."});
    int x = -1, y = -1;
    ASSERT_TRUE(mask_random_opaque_pixel(one.get(), 10000, &x, &y));
    EXPECT_EQ(x, 2);
    EXPECT_EQ(y, 1);
}

// ---- glow maps ---------------------------------------------------------------------------------

class SpriteMaps : public ::testing::Test {
protected:
    // a 3 x 3 block: the centre is inside, the ring is the edge
    SpritePtr s = art({"###", "###", "###"});
    int cell(int x, int y) { return sprite_outline_value(s.get(), x + SPRITE_MAP_MARGIN, y + SPRITE_MAP_MARGIN); }
    int angle(int x, int y) {
        return s->angles[size_t(y + SPRITE_MAP_MARGIN) * s->angle_stride + x + SPRITE_MAP_MARGIN];
    }
};

TEST_F(SpriteMaps, OutlineMapMarksEdgeInsideAndManhattanDistance) {
    sprite_build_outline_map(s.get());
    ASSERT_TRUE(s->flags & SPRITE_FLAG_OUTLINE_MAP);
    EXPECT_EQ(s->outline_stride, (3 + 26 + 1) / 2);
    EXPECT_EQ(cell(0, 0), 0);
    EXPECT_EQ(cell(1, 0), 0);
    EXPECT_EQ(cell(1, 1), SPRITE_OUTLINE_FAR);
    EXPECT_EQ(cell(-1, 1), 1);
    EXPECT_EQ(cell(-1, -1), 2);    // diagonal: a diamond, not a square
    EXPECT_EQ(cell(5, 1), 3);
    EXPECT_EQ(cell(-13, 1), 13);
    EXPECT_EQ(cell(-13, -13), SPRITE_OUTLINE_FAR);   // 26 away
    EXPECT_EQ(cell(-7, -6), 13);
}

TEST_F(SpriteMaps, AHoleInTheMaskMakesItsNeighboursEdges) {
    SpritePtr ring = art({"#####", "#####", "##.##", "#####", "#####"});
    sprite_build_outline_map(ring.get());
    auto v = [&](int x, int y) { return sprite_outline_value(ring.get(), x + 13, y + 13); };
    EXPECT_EQ(v(2, 2), 1);    // the hole
    EXPECT_EQ(v(2, 1), 0);    // beside the hole
    EXPECT_EQ(v(1, 1), SPRITE_OUTLINE_FAR);
}

TEST_F(SpriteMaps, AngleMapCountsCounterClockwiseFromTheRight) {
    sprite_build_angle_map(s.get());
    ASSERT_TRUE(s->flags & SPRITE_FLAG_ANGLE_MAP);
    EXPECT_EQ(s->angle_stride, 3 + 26);
    EXPECT_EQ(angle(1, 1), 0);      // the centre
    EXPECT_EQ(angle(5, 1), 0);      // right
    EXPECT_EQ(angle(1, -3), 90);    // up
    EXPECT_EQ(angle(-3, 1), 180);   // left
    EXPECT_EQ(angle(1, 5), 270);    // down
    EXPECT_EQ(angle(3, -1), 45);
    EXPECT_EQ(angle(-1, -1), 135);
    EXPECT_EQ(angle(-1, 3), 225);
    EXPECT_EQ(angle(3, 3), 315);
    EXPECT_EQ(angle(5, 0), 14);     // (4, -1) from the centre: 14.04 degrees, truncated

}

TEST_F(SpriteMaps, BuildingTwiceKeepsTheFirstMap) {
    sprite_build_outline_map(s.get());
    const uint8_t *first = s->outline.data();
    sprite_build_outline_map(s.get());
    EXPECT_EQ(s->outline.data(), first);
}

TEST_F(SpriteMaps, OutlineExtentGrowsByTheLevelOnEverySide) {
    int l = 1, t = 1, r = -1, b = -1;
    const uint8_t levels[4] = {2, 2, 2, 2};
    sprite_outline_extent(s.get(), levels, &l, &t, &r, &b);
    EXPECT_EQ(l, 1);   // no maps yet: nothing reported
    sprite_build_outline_map(s.get());
    sprite_build_angle_map(s.get());
    sprite_outline_extent(s.get(), levels, &l, &t, &r, &b);
    EXPECT_EQ(l, -2);
    EXPECT_EQ(t, -2);
    EXPECT_EQ(r, 2);
    EXPECT_EQ(b, 2);
}

TEST_F(SpriteMaps, OutlineExtentFollowsTheSectorsOfTheAngleMap) {
    SpritePtr dot = art({"#"});
    sprite_build_outline_map(dot.get());
    sprite_build_angle_map(dot.get());
    const uint8_t levels[4] = {3, 0, 0, 0};   // only the right quarter glows
    int l = 1, t = 1, r = -1, b = -1;
    sprite_outline_extent(dot.get(), levels, &l, &t, &r, &b);
    EXPECT_EQ(l, 0);
    EXPECT_EQ(r, 3);
    EXPECT_EQ(t, -1);   // (2, -1) lies in the right quarter, 3 away
    EXPECT_EQ(b, 1);
}

// ---- reference counting ------------------------------------------------------------------------

TEST(SpriteRefcount, StartsAtZeroAndTheLastReleaseFreesAsAnArrayReleaseDoes) {
    Sprite *s = sprite_from_art({"#"});
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->refcount, 0);
    sprite_addref(s);
    sprite_addref(s);
    sprite_release(s);
    EXPECT_EQ(s->refcount, 1);
    sprite_release(s);   // frees; the sanitizer build checks nothing is left
    Sprite **array = new Sprite *[3];
    array[0] = sprite_from_art({"#"});
    array[1] = nullptr;
    array[2] = sprite_from_art({"#"});
    sprite_addref(array[0]);
    sprite_addref(array[2]);
    sprite_array_release(array, 3);
    sprite_array_release(nullptr, 3);
}

// ---- drawing -----------------------------------------------------------------------------------

class SpriteDraw : public DrawSurface {
protected:
    void SetUp() override {
        DrawSurface::SetUp();
        s = sprite_from_art({
            ".#r.",
            "####",
            "..#.",
        });
        ASSERT_NE(s, nullptr);
        sprite_addref(s);   // the test's own reference
    }
    void TearDown() override {
        EXPECT_EQ(s->refcount, 1) << "every command drops the reference it carried";
        sprite_release(s);
        DrawSurface::TearDown();
    }
    void draw(int x, int y, uint16_t flags = 0) {
        SpriteDrawPayload p{};
        p.flags = flags;
        p.x = int16_t(x);
        p.y = int16_t(y);
        p.sprite = s;
        p.tint_r = tint.r;
        p.tint_g = tint.g;
        p.tint_b = tint.b;
        p.brightness = brightness;
        p.desaturation = desaturation;
        p.scale_numerator = n;
        p.scale_denominator = m;
        ASSERT_EQ(sprite_queue_draw(g, p), RES_OK);
    }
    Sprite *s = nullptr;
    Rgb tint{0, 0, 0};
    int16_t brightness = 100, desaturation = 0;
    uint16_t n = 1, m = 1;
};

TEST_F(SpriteDraw, PlainDrawCopiesOpaquePixelsOnly) {
    fill(Rgb{0, 0, 9});
    draw(10, 10);
    run();
    EXPECT_EQ(at(10, 10), (Rgb{0, 0, 9}));
    EXPECT_EQ(at(11, 10), WHITE);
    EXPECT_EQ(at(12, 10), RED);
    EXPECT_EQ(at(13, 10), (Rgb{0, 0, 9}));
    EXPECT_EQ(at(10, 11), WHITE);
    EXPECT_EQ(at(12, 12), WHITE);
    EXPECT_EQ(count_not(Rgb{0, 0, 9}), 2 + 4 + 1);
}

TEST_F(SpriteDraw, DrawIsCutToTheClipOnEverySide) {
    push_clip(11, 11, 12, 11);   // a 2 x 1 window over row 1: the clip collapses to (0,0)-(1,1)
    draw(10, 10);
    pop_clip();
    push_clip(21, 21, 22, 22);
    draw(20, 20);                // rows 1-2, columns 1-2 of the picture
    pop_clip();
    draw(-2, -1);                // hangs over the screen's top-left corner
    draw(62, 46);                // and over the bottom-right
    run();
    EXPECT_EQ(at(21, 21), WHITE);
    EXPECT_EQ(at(22, 21), WHITE);
    EXPECT_EQ(at(22, 22), WHITE);
    EXPECT_EQ(at(21, 22), BLACK);
    EXPECT_EQ(at(20, 21), BLACK);
    EXPECT_EQ(at(23, 21), BLACK);
    EXPECT_EQ(at(0, 0), WHITE);     // picture (2, 1)
    EXPECT_EQ(at(1, 0), WHITE);
    EXPECT_EQ(at(0, 1), WHITE);     // picture (2, 2)
    EXPECT_EQ(at(63, 46), WHITE);   // picture (1, 0)
    EXPECT_EQ(at(63, 47), WHITE);
}

TEST_F(SpriteDraw, BlendModesMixWithTheScreen) {
    fill(Rgb{100, 100, 100});
    draw(0, 0, SPRITE_DRAW_BLEND);
    draw(10, 0, SPRITE_DRAW_BLEND | SPRITE_DRAW_ADDITIVE);
    draw(20, 0, SPRITE_DRAW_BLEND | SPRITE_DRAW_MOSTLY_SPRITE);
    draw(30, 0, SPRITE_DRAW_BLEND | SPRITE_DRAW_MOSTLY_SCREEN);
    run();
    EXPECT_EQ(at(1, 0), (Rgb{177, 177, 177}));
    EXPECT_EQ(at(2, 0), (Rgb{177, 50, 50}));
    EXPECT_EQ(at(11, 0), (Rgb{255, 255, 255}));
    EXPECT_EQ(at(12, 0), (Rgb{255, 100, 100}));
    EXPECT_EQ(at(21, 0), (Rgb{216, 216, 216}));   // (100 + 765) >> 2
    EXPECT_EQ(at(22, 0), (Rgb{216, 25, 25}));
    EXPECT_EQ(at(31, 0), (Rgb{138, 138, 138}));   // (255 + 300) >> 2
    EXPECT_EQ(at(30, 0), (Rgb{100, 100, 100}));
}

TEST_F(SpriteDraw, TintMixesWithTheTintColour) {
    tint = Rgb{0, 100, 200};
    draw(0, 0, SPRITE_DRAW_TINT);
    draw(10, 0, SPRITE_DRAW_TINT | SPRITE_DRAW_ADDITIVE);
    draw(20, 0, SPRITE_DRAW_TINT | SPRITE_DRAW_MOSTLY_SPRITE);
    run();
    EXPECT_EQ(at(2, 0), (Rgb{127, 50, 100}));
    EXPECT_EQ(at(12, 0), (Rgb{255, 100, 200}));
    EXPECT_EQ(at(22, 0), (Rgb{191, 25, 50}));
}

TEST_F(SpriteDraw, BrightnessScalesAndSaturates) {
    brightness = 50;
    draw(0, 0, SPRITE_DRAW_BRIGHTNESS);
    run();
    EXPECT_EQ(at(1, 0), (Rgb{127, 127, 127}));
    EXPECT_EQ(at(2, 0), (Rgb{127, 0, 0}));
    brightness = 300;
    draw(0, 0, SPRITE_DRAW_BRIGHTNESS);
    brightness = -20;
    draw(10, 0, SPRITE_DRAW_BRIGHTNESS);
    run();
    EXPECT_EQ(at(2, 0), RED);
    EXPECT_EQ(at(11, 0), BLACK);
}

TEST_F(SpriteDraw, DesaturationMovesTowardsGreyWhenBrightnessIsFull) {
    desaturation = 50;
    draw(0, 0, SPRITE_DRAW_DESATURATE);
    brightness = 100;
    draw(10, 0, SPRITE_DRAW_DESATURATE | SPRITE_DRAW_BRIGHTNESS);   // brightness 100: desaturation applies
    desaturation = 100;
    draw(20, 0, SPRITE_DRAW_DESATURATE);
    run();
    EXPECT_EQ(at(2, 0), (Rgb{170, 42, 42}));   // grey 85: 255 - 85, 0 + 42
    EXPECT_EQ(at(12, 0), (Rgb{170, 42, 42}));
    EXPECT_EQ(at(22, 0), (Rgb{85, 85, 85}));
    EXPECT_EQ(at(21, 0), WHITE);
}

TEST_F(SpriteDraw, BlendTakesPrecedenceOverTint) {
    tint = Rgb{0, 0, 0};
    fill(Rgb{255, 255, 255});
    draw(0, 0, SPRITE_DRAW_BLEND | SPRITE_DRAW_TINT);
    run();
    EXPECT_EQ(at(2, 0), (Rgb{255, 127, 127}));
}

class SpriteScale : public DrawSurface {};

TEST_F(SpriteScale, HalfKeepsOddPixelsOfOddRows) {
    // 6 x 6 with a distinct colour per pixel: (x * 40, y * 40, 7)
    std::vector<uint8_t> px;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) px.insert(px.end(), {uint8_t(x * 40), uint8_t(y * 40), 7});
    Sprite *s = sprite_from_png(png_encode(6, 6, px, 3));
    ASSERT_NE(s, nullptr);
    SpriteDrawPayload p{};
    p.flags = SPRITE_DRAW_SCALE | SPRITE_DRAW_BLEND;   // scaling ignores the colour effects
    p.x = 5;
    p.y = 5;
    p.sprite = s;
    p.scale_numerator = 1;
    p.scale_denominator = 2;
    ASSERT_EQ(sprite_queue_draw(g, p), RES_OK);
    run();   // the command held the only reference: the sprite is freed
    EXPECT_EQ(count_not(BLACK), 9);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(at(5 + x, 5 + y), (Rgb{uint8_t((2 * x + 1) * 40), uint8_t((2 * y + 1) * 40), 7})) << x << "," << y;
}

TEST_F(SpriteScale, ANumeratorAtLeastTheDenominatorDoesNotEnlarge) {
    Sprite *s = sprite_from_art({"##", "#."});
    ASSERT_NE(s, nullptr);
    SpriteDrawPayload p{};
    p.flags = SPRITE_DRAW_SCALE;
    p.sprite = s;
    p.scale_numerator = 3;
    p.scale_denominator = 1;
    ASSERT_EQ(sprite_queue_draw(g, p), RES_OK);
    run();
    EXPECT_EQ(count_not(BLACK), 3);
    EXPECT_EQ(at(1, 1), BLACK);
}

TEST_F(SpriteScale, AZeroFactorDrawsNothingAndStillDropsTheReference) {
    Sprite *s = sprite_from_art({"##", "##"});
    ASSERT_NE(s, nullptr);
    sprite_addref(s);
    SpriteDrawPayload p{};
    p.flags = SPRITE_DRAW_SCALE;
    p.sprite = s;
    p.scale_numerator = 0;
    p.scale_denominator = 2;
    ASSERT_EQ(sprite_queue_draw(g, p), RES_OK);
    EXPECT_EQ(s->refcount, 2);
    run();
    EXPECT_EQ(s->refcount, 1);
    EXPECT_EQ(count_not(BLACK), 0);
    sprite_release(s);
}

TEST_F(SpriteScale, ADrawWithoutASpriteStepsOver) {
    SpriteDrawPayload p{};
    ASSERT_EQ(gfx_queue_command(g, sprite_draw_command, &p, sizeof p), RES_OK);
    ASSERT_EQ(gfx_queue_plot(g, 3, 3, 255, 0, 0), RES_OK);
    run();
    EXPECT_EQ(at(3, 3), RED);
}

class SpriteBlit : public DrawSurface {};

TEST_F(SpriteBlit, BlitKeepsTheKeyTransparentInsideTheClip) {
    Sprite *s = sprite_from_art({"#.#", "###"});
    ASSERT_NE(s, nullptr);
    sprite_addref(s);
    push_clip(0, 0, 11, 20);
    ASSERT_EQ(sprite_queue_blit(g, s, 10, 10), RES_OK);
    pop_clip();
    run();
    EXPECT_EQ(s->refcount, 1);
    EXPECT_EQ(at(10, 10), WHITE);
    EXPECT_EQ(at(11, 10), BLACK);   // key
    EXPECT_EQ(at(11, 11), WHITE);
    EXPECT_EQ(at(12, 11), BLACK);   // outside the clip
    sprite_release(s);
}

class SpriteEffects : public DrawSurface {};

TEST_F(SpriteEffects, OutlinePaintsTheMaskEdgeOnly) {
    Sprite *s = sprite_from_art({"#####", "#####", "#####", "#####"});
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(gfx_queue_sprite_outline(g, s, 2, 2, 255, 0, 0), RES_OK);
    run();
    EXPECT_EQ(count_not(BLACK), 14);
    EXPECT_EQ(at(3, 3), BLACK);
    EXPECT_EQ(at(2, 2), RED);
}

TEST_F(SpriteEffects, OutlineTreatsNeighboursBeyondTheClipAsSet) {
    Sprite *s = sprite_from_art({"#####", "#####", "#####", "#####"});
    ASSERT_NE(s, nullptr);
    push_clip(0, 0, 4, 40);   // cuts the sprite after its third column (x = 2..4 visible)
    ASSERT_EQ(gfx_queue_sprite_outline(g, s, 2, 2, 255, 0, 0), RES_OK);
    pop_clip();
    run();
    EXPECT_EQ(at(4, 3), BLACK);   // its right neighbour is clipped away: not an edge
    EXPECT_EQ(at(4, 2), RED);
    EXPECT_EQ(count_not(BLACK), 3 + 3 + 2);
}

TEST_F(SpriteEffects, GlowBandPaintsRingsOutsideTheMask) {
    Sprite *s = sprite_from_art({"#"});
    ASSERT_NE(s, nullptr);
    sprite_addref(s);
    sprite_build_outline_map(s);
    GfxSpriteGlowPayload p{};
    p.sprite = s;
    p.flags = GFX_GLOW_BAND;
    p.x = 20;
    p.y = 20;
    p.red[0] = 200;
    p.level[0] = 2;
    ASSERT_EQ(gfx_queue_sprite_glow(g, p), RES_OK);
    run();
    EXPECT_EQ(count_not(BLACK), 4 + 8);   // the diamond of distance 1 and 2, not the pixel itself
    EXPECT_EQ(at(20, 20), BLACK);
    EXPECT_EQ(at(22, 20), (Rgb{200, 0, 0}));
    EXPECT_EQ(at(21, 21), (Rgb{200, 0, 0}));
    EXPECT_EQ(s->refcount, 1);
    sprite_release(s);
}

TEST_F(SpriteEffects, GlowWithoutLevelsPaintsTheEdgeAndFades) {
    Sprite *s = sprite_from_art({"###", "###", "###"});
    ASSERT_NE(s, nullptr);
    sprite_build_outline_map(s);
    GfxSpriteGlowPayload p{};
    p.sprite = s;
    p.flags = GFX_GLOW_LEVELS | GFX_GLOW_FADE;
    p.x = 10;
    p.y = 10;
    p.red[0] = 200;
    p.level[0] = 3;
    p.fade_step = 10;
    ASSERT_EQ(gfx_queue_sprite_glow(g, p), RES_OK);   // the command holds the only reference
    run();
    // without the band only the ring at distance 3, faded to 70 %
    EXPECT_EQ(at(13, 12), (Rgb{0, 0, 0}));
    EXPECT_EQ(at(15, 11), (Rgb{140, 0, 0}));
    EXPECT_EQ(at(11, 11), BLACK);
    EXPECT_EQ(count_not(BLACK), 2 * (3 + 3) + 4 * (3 - 1));   // the ring at distance 3 around a 3 x 3 block
}

TEST_F(SpriteEffects, GlowSectorsColourEachQuarterByTheAngleMap) {
    Sprite *s = sprite_from_art({"###", "###", "###"});
    ASSERT_NE(s, nullptr);
    sprite_addref(s);
    sprite_build_outline_map(s);
    GfxSpriteGlowPayload p{};
    p.sprite = s;
    p.flags = GFX_GLOW_SECTORS | GFX_GLOW_BAND;
    p.x = 10;
    p.y = 10;
    for (int i = 0; i < 4; ++i) {
        p.red[i] = uint8_t(50 * (i + 1));
        p.level[i] = 2;
    }
    ASSERT_EQ(gfx_queue_sprite_glow(g, p), RES_OK);   // no angle map: nothing drawn
    run();
    EXPECT_EQ(count_not(BLACK), 0);
    sprite_build_angle_map(s);
    ASSERT_EQ(gfx_queue_sprite_glow(g, p), RES_OK);
    run();
    EXPECT_EQ(at(14, 11), (Rgb{50, 0, 0}));    // right: sector 0
    EXPECT_EQ(at(11, 8), (Rgb{100, 0, 0}));    // up: sector 1
    EXPECT_EQ(at(8, 11), (Rgb{150, 0, 0}));    // left
    EXPECT_EQ(at(11, 14), (Rgb{200, 0, 0}));   // down
    sprite_release(s);
}

}  // namespace
