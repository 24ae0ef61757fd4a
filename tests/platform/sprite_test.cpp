// Sprites: decoding, spans and hit masks, glow maps, and the sprite draw commands.
#include <cstring>
#include <memory>

#include "platform/colours.h"
#include "platform/draw_fixture.h"
#include "platform/random.h"

namespace {

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

Result check_stream(std::vector<uint8_t> bytes, int *w, int *h) {
    FILE *f = fmemopen(bytes.data(), bytes.size(), "rb");
    const Result r = sprite_check_png_stream("check.png", f, w, h);
    std::fclose(f);
    return r;
}

// A glow of `sprite` at (x, y): quarter 0 in red `red` up to `level`, the other quarters dark.
GfxSpriteGlowPayload glow(Sprite *sprite, uint16_t flags, int x, int y, uint8_t red, uint8_t level) {
    GfxSpriteGlowPayload p{};
    p.sprite = sprite;
    p.flags = flags;
    p.x = int16_t(x);
    p.y = int16_t(y);
    p.red[0] = red;
    p.level[0] = level;
    return p;
}

// ---- decoding ----------------------------------------------------------------------------------

TEST(SpriteDecode, AlphaZeroIsTransparentAndAlphaOneIsOpaque) {
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

TEST(SpriteDecode, TheKeyColourIsTransparentInRgbPictures) {
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

TEST(SpriteDecode, OtherColourTypesAndDepthsAreRefused) {
    struct Case { int colour_type, depth, channels; };
    for (Case c : {Case{PNG_COLOR_TYPE_GRAY, 8, 1}, Case{PNG_COLOR_TYPE_GRAY_ALPHA, 8, 2},
                   Case{PNG_COLOR_TYPE_RGB, 16, 6}}) {
        std::vector<uint8_t> bytes = png_encode(2, 2, std::vector<uint8_t>(64, 7), c.channels,
                                                c.colour_type, c.depth);
        int w = -1, h = -1;
        EXPECT_EQ(check_stream(bytes, &w, &h), RES_UNSUPPORTED) << c.colour_type;
        EXPECT_EQ(w, -1);
        EXPECT_EQ(sprite_from_png(bytes), nullptr) << c.colour_type;
    }
}

TEST(SpriteDecode, HeaderCheckGivesTheSizeAndTruncatedOrForeignBytesGiveNull) {
    std::vector<uint8_t> bytes = png_from_art({"####", "####", "####"});
    int w = 0, h = 0;
    EXPECT_EQ(check_stream(bytes, &w, &h), RES_OK);
    EXPECT_EQ(w, 4);
    EXPECT_EQ(h, 3);
    bytes.resize(bytes.size() / 2);
    EXPECT_EQ(sprite_from_png(bytes), nullptr);
    EXPECT_EQ(sprite_from_png(std::vector<uint8_t>(100, 0x55)), nullptr);
}

// ---- spans and masks ---------------------------------------------------------------------------

TEST(SpriteSpans, RowsAlternateStartingTransparentAndEndWithTheMark) {
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

TEST(SpriteSpans, NineWideMaskHasStrideTwoWithTheLastBitHighAndIsZeroOutsideThePicture) {
    SpritePtr s = art({"#.......#", "........#"});
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->mask_stride, 2);
    EXPECT_EQ(s->mask, (std::vector<uint8_t>{0x80, 0x80, 0x00, 0x80}));
    EXPECT_EQ(mask_test(s.get(), 8, 1), 1);
    for (auto [x, y] : {std::pair(9, 0), std::pair(-1, 0), std::pair(0, 2), std::pair(0, -1)})
        EXPECT_EQ(mask_test(s.get(), x, y), 0) << x << "," << y;
}

TEST(SpriteSpans, ACopyAnswersHitTestsAsTheOriginal) {
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

// A picture without one opaque pixel must not keep a caller searching for one forever.
TEST(MaskRandomOpaquePixel, FindsTheOnlyOpaquePixelAndEndsAtOnceWithoutOne) {
    SpritePtr empty = art({"....", "...."});
    int x = -1, y = -1;
    EXPECT_FALSE(mask_random_opaque_pixel(empty.get(), 1000000000, &x, &y));
    EXPECT_EQ(x, -1);
    random_seed(7);
    SpritePtr one = art({"....", "..#.", "...."});
    ASSERT_TRUE(mask_random_opaque_pixel(one.get(), 10000, &x, &y));
    EXPECT_EQ(std::pair(x, y), std::pair(2, 1));
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

TEST_F(SpriteMaps, OutlineMapMarksEdgeInsideAndManhattanDistanceAndIsBuiltOnce) {
    sprite_build_outline_map(s.get());
    ASSERT_TRUE(s->flags & SPRITE_FLAG_OUTLINE_MAP);
    EXPECT_EQ(s->outline_stride, (3 + 26 + 1) / 2);
    // a diamond, not a square: (-1, -1) is 2 away; (-13, -13) is 26 away
    const int cells[][3] = {{0, 0, 0},   {1, 0, 0},   {1, 1, SPRITE_OUTLINE_FAR}, {-1, 1, 1},
                            {-1, -1, 2}, {5, 1, 3},   {-13, 1, 13}, {-13, -13, SPRITE_OUTLINE_FAR}, {-7, -6, 13}};
    for (const auto &c : cells) EXPECT_EQ(cell(c[0], c[1]), c[2]) << c[0] << "," << c[1];
    const uint8_t *first = s->outline.data();
    sprite_build_outline_map(s.get());
    EXPECT_EQ(s->outline.data(), first);
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
    // from the centre (1, 1); (5, 0) is (4, -1) away: 14.04 degrees, truncated
    const int angles[][3] = {{1, 1, 0},   {5, 1, 0},    {1, -3, 90},   {-3, 1, 180}, {1, 5, 270},
                             {3, -1, 45}, {-1, -1, 135}, {-1, 3, 225}, {3, 3, 315},  {5, 0, 14}};
    for (const auto &a : angles) EXPECT_EQ(angle(a[0], a[1]), a[2]) << a[0] << "," << a[1];
}

TEST_F(SpriteMaps, OutlineExtentGrowsByTheLevelOnEverySide) {
    int l = 1, t = 1, r = -1, b = -1;
    const uint8_t levels[4] = {2, 2, 2, 2};
    sprite_outline_extent(s.get(), levels, &l, &t, &r, &b);
    EXPECT_EQ(l, 1);   // no maps yet: nothing reported
    sprite_build_outline_map(s.get());
    sprite_build_angle_map(s.get());
    sprite_outline_extent(s.get(), levels, &l, &t, &r, &b);
    EXPECT_EQ(std::vector<int>({l, t, r, b}), std::vector<int>({-2, -2, 2, 2}));
    SpritePtr dot = art({"#"});
    sprite_build_outline_map(dot.get());
    sprite_build_angle_map(dot.get());
    const uint8_t right_only[4] = {3, 0, 0, 0};   // only the right quarter glows
    sprite_outline_extent(dot.get(), right_only, &l, &t, &r, &b);
    EXPECT_EQ(std::vector<int>({l, t, r, b}), std::vector<int>({0, -1, 3, 1})) << "(2, -1) lies in the right quarter";
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
        p.scale_numerator = p.scale_denominator = 1;
        ASSERT_EQ(sprite_queue_draw(g, p), RES_OK);
    }
    // Draws `sprite` scaled by n / m, the command holding the sprite's only reference.
    void draw_scaled(Sprite *sprite, uint16_t scale_n, uint16_t scale_m, int x = 0, int y = 0) {
        ASSERT_NE(sprite, nullptr);
        // scaling ignores the colour effects
        SpriteDrawPayload p{};
        p.flags = SPRITE_DRAW_SCALE | SPRITE_DRAW_BLEND;
        p.x = int16_t(x);
        p.y = int16_t(y);
        p.sprite = sprite;
        p.scale_numerator = scale_n;
        p.scale_denominator = scale_m;
        ASSERT_EQ(sprite_queue_draw(g, p), RES_OK);
    }
    Sprite *s = nullptr;
    Rgb tint{0, 0, 0};
    int16_t brightness = 100, desaturation = 0;
};

TEST_F(SpriteDraw, PlainDrawCopiesOpaquePixelsOnly) {
    const Rgb back{0, 0, 9};
    fill(back);
    draw(10, 10);
    run();
    expect_pixels({{10, 10, back}, {11, 10, WHITE}, {12, 10, RED}, {13, 10, back}, {10, 11, WHITE}, {12, 12, WHITE}});
    EXPECT_EQ(count_not(back), 2 + 4 + 1);
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
    expect_pixels({{21, 21, WHITE}, {22, 21, WHITE}, {22, 22, WHITE}, {21, 22, BLACK}, {20, 21, BLACK}, {23, 21, BLACK},
                   // picture (2, 1), (3, 1) and (2, 2) at the top-left; picture (1, 0) and (1, 1) at the bottom-right
                   {0, 0, WHITE}, {1, 0, WHITE}, {0, 1, WHITE}, {63, 46, WHITE}, {63, 47, WHITE}});
}

TEST_F(SpriteDraw, BlendModesMixWithTheScreen) {
    fill(Rgb{100, 100, 100});
    draw(0, 0, SPRITE_DRAW_BLEND);
    draw(10, 0, SPRITE_DRAW_BLEND | SPRITE_DRAW_ADDITIVE);
    draw(20, 0, SPRITE_DRAW_BLEND | SPRITE_DRAW_MOSTLY_SPRITE);
    draw(30, 0, SPRITE_DRAW_BLEND | SPRITE_DRAW_MOSTLY_SCREEN);
    run();
    // mostly the sprite: (100 + 765) >> 2; mostly the screen: (255 + 300) >> 2
    expect_pixels({{1, 0, {177, 177, 177}}, {2, 0, {177, 50, 50}},  {11, 0, {255, 255, 255}}, {12, 0, {255, 100, 100}},
                   {21, 0, {216, 216, 216}}, {22, 0, {216, 25, 25}}, {31, 0, {138, 138, 138}}, {30, 0, {100, 100, 100}}});
}

TEST_F(SpriteDraw, TintMixesWithTheTintColourAndBlendTakesPrecedence) {
    tint = Rgb{0, 100, 200};
    draw(0, 0, SPRITE_DRAW_TINT);
    draw(10, 0, SPRITE_DRAW_TINT | SPRITE_DRAW_ADDITIVE);
    draw(20, 0, SPRITE_DRAW_TINT | SPRITE_DRAW_MOSTLY_SPRITE);
    run();
    expect_pixels({{2, 0, {127, 50, 100}}, {12, 0, {255, 100, 200}}, {22, 0, {191, 25, 50}}});
    tint = Rgb{0, 0, 0};
    fill(Rgb{255, 255, 255});
    draw(0, 0, SPRITE_DRAW_BLEND | SPRITE_DRAW_TINT);
    run();
    EXPECT_EQ(at(2, 0), (Rgb{255, 127, 127}));
}

TEST_F(SpriteDraw, BrightnessScalesAndSaturates) {
    brightness = 50;
    draw(0, 0, SPRITE_DRAW_BRIGHTNESS);
    run();
    expect_pixels({{1, 0, {127, 127, 127}}, {2, 0, {127, 0, 0}}});
    brightness = 300;
    draw(0, 0, SPRITE_DRAW_BRIGHTNESS);
    brightness = -20;
    draw(10, 0, SPRITE_DRAW_BRIGHTNESS);
    run();
    expect_pixels({{2, 0, RED}, {11, 0, BLACK}});
}

TEST_F(SpriteDraw, DesaturationMovesTowardsGreyWhenBrightnessIsFull) {
    desaturation = 50;
    draw(0, 0, SPRITE_DRAW_DESATURATE);
    draw(10, 0, SPRITE_DRAW_DESATURATE | SPRITE_DRAW_BRIGHTNESS);   // brightness 100: desaturation applies
    desaturation = 100;
    draw(20, 0, SPRITE_DRAW_DESATURATE);
    run();
    // grey 85: 255 - 85, 0 + 42
    expect_pixels({{2, 0, {170, 42, 42}}, {12, 0, {170, 42, 42}}, {22, 0, {85, 85, 85}}, {21, 0, WHITE}});
}

TEST_F(SpriteDraw, HalfScaleKeepsOddPixelsOfOddRows) {
    // 6 x 6 with a distinct colour per pixel: (x * 40, y * 40, 7)
    std::vector<uint8_t> px;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) px.insert(px.end(), {uint8_t(x * 40), uint8_t(y * 40), 7});
    draw_scaled(sprite_from_png(png_encode(6, 6, px, 3)), 1, 2, 5, 5);
    run();   // the command held the only reference: the sprite is freed
    EXPECT_EQ(count_not(BLACK), 9);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(at(5 + x, 5 + y), (Rgb{uint8_t((2 * x + 1) * 40), uint8_t((2 * y + 1) * 40), 7})) << x << "," << y;
}

TEST_F(SpriteDraw, ScaleNeverEnlargesAndAZeroFactorDrawsNothingButDropsTheReference) {
    draw_scaled(sprite_from_art({"##", "#."}), 3, 1);
    run();
    EXPECT_EQ(count_not(BLACK), 3);
    EXPECT_EQ(at(1, 1), BLACK);
    fill(BLACK);
    draw_scaled(s, 0, 2);
    EXPECT_EQ(s->refcount, 2);
    run();
    EXPECT_EQ(count_not(BLACK), 0);   // TearDown checks the reference was dropped
}

TEST_F(SpriteDraw, ADrawWithoutASpriteStepsOver) {
    SpriteDrawPayload p{};
    ASSERT_EQ(gfx_queue_command(g, sprite_draw_command, &p, sizeof p), RES_OK);
    ASSERT_EQ(gfx_queue_plot(g, 3, 3, 255, 0, 0), RES_OK);
    run();
    EXPECT_EQ(at(3, 3), RED);
}

TEST_F(SpriteDraw, BlitKeepsTheKeyTransparentInsideTheClip) {
    push_clip(0, 0, 11, 20);
    ASSERT_EQ(sprite_queue_blit(g, s, 10, 10), RES_OK);
    pop_clip();
    run();
    // picture ".#r." / "####" at (10, 10): the key at (10, 10), the clip ends at column 11
    expect_pixels({{10, 10, BLACK}, {11, 10, WHITE}, {10, 11, WHITE}, {11, 11, WHITE}, {12, 11, BLACK}});
}

class SpriteEffects : public DrawSurface {};

TEST_F(SpriteEffects, OutlinePaintsTheMaskEdgeOnlyTreatingNeighboursBeyondTheClipAsSet) {
    Sprite *s = sprite_from_art({"#####", "#####", "#####", "#####"});
    ASSERT_NE(s, nullptr);
    sprite_addref(s);
    ASSERT_EQ(gfx_queue_sprite_outline(g, s, 2, 2, 255, 0, 0), RES_OK);
    run();
    EXPECT_EQ(count_not(BLACK), 14);
    expect_pixels({{3, 3, BLACK}, {2, 2, RED}});
    fill(BLACK);
    push_clip(0, 0, 4, 40);   // cuts the sprite after its third column (x = 2..4 visible)
    ASSERT_EQ(gfx_queue_sprite_outline(g, s, 2, 2, 255, 0, 0), RES_OK);
    pop_clip();
    run();
    expect_pixels({{4, 3, BLACK}, {4, 2, RED}});   // the right neighbour of (4, 3) is clipped away: not an edge
    EXPECT_EQ(count_not(BLACK), 3 + 3 + 2);
    EXPECT_EQ(s->refcount, 1);
    sprite_release(s);
}

TEST_F(SpriteEffects, GlowBandPaintsRingsOutsideTheMask) {
    Sprite *s = sprite_from_art({"#"});
    ASSERT_NE(s, nullptr);
    sprite_addref(s);
    sprite_build_outline_map(s);
    ASSERT_EQ(gfx_queue_sprite_glow(g, glow(s, GFX_GLOW_BAND, 20, 20, 200, 2)), RES_OK);
    run();
    EXPECT_EQ(count_not(BLACK), 4 + 8);   // the diamond of distance 1 and 2, not the pixel itself
    expect_pixels({{20, 20, BLACK}, {22, 20, {200, 0, 0}}, {21, 21, {200, 0, 0}}});
    EXPECT_EQ(s->refcount, 1);
    sprite_release(s);
}

TEST_F(SpriteEffects, GlowWithoutLevelsPaintsTheEdgeAndFades) {
    Sprite *s = sprite_from_art({"###", "###", "###"});
    ASSERT_NE(s, nullptr);
    sprite_build_outline_map(s);
    GfxSpriteGlowPayload p = glow(s, GFX_GLOW_LEVELS | GFX_GLOW_FADE, 10, 10, 200, 3);
    p.fade_step = 10;
    ASSERT_EQ(gfx_queue_sprite_glow(g, p), RES_OK);   // the command holds the only reference
    run();
    // without the band only the ring at distance 3, faded to 70 %
    expect_pixels({{13, 12, BLACK}, {15, 11, {140, 0, 0}}, {11, 11, BLACK}});
    EXPECT_EQ(count_not(BLACK), 2 * (3 + 3) + 4 * (3 - 1));   // the ring at distance 3 around a 3 x 3 block
}

TEST_F(SpriteEffects, GlowSectorsColourEachQuarterByTheAngleMap) {
    Sprite *s = sprite_from_art({"###", "###", "###"});
    ASSERT_NE(s, nullptr);
    sprite_addref(s);
    sprite_build_outline_map(s);
    GfxSpriteGlowPayload p = glow(s, GFX_GLOW_SECTORS | GFX_GLOW_BAND, 10, 10, 0, 0);
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
    // right: sector 0, then up, left and down
    expect_pixels({{14, 11, {50, 0, 0}}, {11, 8, {100, 0, 0}}, {8, 11, {150, 0, 0}}, {11, 14, {200, 0, 0}}});
    sprite_release(s);
}

}  // namespace
