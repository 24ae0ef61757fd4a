// The shape primitives, replayed into an off-screen 32-bit surface.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/random.h"
#include "platform/shared_ref.h"

#include "platform/colours.h"
#include "platform/draw_fixture.h"

namespace {

// A shared block with the test's own reference; at the end every command must have dropped its own.
struct Held {
    SharedRef *ref;
    template <size_t N>
    explicit Held(const uint8_t (&bytes)[N]) {
        void *data = std::malloc(N);
        std::memcpy(data, bytes, N);
        ref = shared_ref_create(data, true);
        shared_ref_take(ref);
    }
    explicit Held(const std::vector<uint8_t> &bytes) {
        void *data = std::malloc(bytes.size());
        std::memcpy(data, bytes.data(), bytes.size());
        ref = shared_ref_create(data, true);
        shared_ref_take(ref);
    }
    ~Held() {
        EXPECT_EQ(ref->refcount, 1);
        shared_ref_release(ref);
    }
};

GfxRect rect(int x, int y, int w, int h) { return GfxRect{int16_t(x), int16_t(y), uint16_t(w), uint16_t(h)}; }

class DrawRects : public DrawSurface {};

TEST_F(DrawRects, FillCoversExactlyTheRectangleCutToTheClipOnEverySide) {
    ASSERT_EQ(gfx_queue_fill_rect(g, rect(2, 3, 4, 5), 255, 0, 0), RES_OK);
    run();
    EXPECT_EQ(count_not(BLACK), 20);
    expect_pixels({{2, 3, RED}, {5, 7, RED}, {6, 7, BLACK}, {5, 8, BLACK}});
    fill(BLACK);
    push_clip(10, 10, 19, 14);
    ASSERT_EQ(gfx_queue_fill_rect(g, rect(-5, -5, 100, 100), 255, 0, 0), RES_OK);
    pop_clip();
    run();
    EXPECT_EQ(count_not(BLACK), 10 * 5);
    expect_pixels({{10, 10, RED}, {19, 14, RED}, {20, 14, BLACK}, {9, 10, BLACK}});
}

TEST_F(DrawRects, RectangleOutsideTheClipDrawsNothingButKeepsTheStreamInStep) {
    GfxColourRectPayload p{rect(40, 40, 5, 5), 255, 0, 0, 0};
    push_clip(0, 0, 10, 10);
    ASSERT_EQ(gfx_queue_command(g, gfx_primitives().fill_rect, &p, sizeof p), RES_OK);
    ASSERT_EQ(gfx_queue_fill_rect(g, rect(1, 1, 1, 1), 0, 255, 0), RES_OK);   // runs only if stepped right
    pop_clip();
    run();
    EXPECT_EQ(count_not(BLACK), 1);
    EXPECT_EQ(at(1, 1), (Rgb{0, 255, 0}));
    EXPECT_EQ(gfx_primitives().fill_rect(reinterpret_cast<const uint8_t *>(&p)), 12u);
}

TEST_F(DrawRects, FrameIsTheOnePixelBorder) {
    ASSERT_EQ(gfx_queue_frame_rect(g, rect(1, 1, 5, 4), 255, 0, 0), RES_OK);
    ASSERT_EQ(gfx_queue_frame_rect(g, rect(10, 10, 6, 1), 255, 0, 0), RES_OK);
    run();
    EXPECT_EQ(count_not(BLACK), 14 + 6);
    expect_pixels({{2, 2, BLACK}, {1, 2, RED}, {5, 3, RED}, {3, 4, RED}});   // (2, 2) is inside
}

TEST_F(DrawRects, DarkenHalvesKeepingSevenBitsAndTintAveragesOnlyTheChannelsItNames) {
    fill(Rgb{100, 40, 50});
    set(0, 0, Rgb{200, 255, 3});
    set(1, 0, Rgb{200, 255, 3});
    ASSERT_EQ(gfx_queue_darken_rect(g, rect(0, 0, 1, 1), 1), RES_OK);
    ASSERT_EQ(gfx_queue_darken_rect(g, rect(1, 0, 1, 1), 0), RES_OK);
    ASSERT_EQ(gfx_queue_tint_rect(g, rect(0, 2, 2, 2), 200, 0, 0), RES_OK);
    run();
    expect_pixels({{0, 0, {100, 127, 1}}, {1, 0, {200, 255, 3}}, {0, 2, {150, 40, 50}}, {2, 2, {100, 40, 50}}});
}

TEST_F(DrawRects, NoiseStaysUnderItsMaximaAndLeavesZeroChannels) {
    fill(Rgb{7, 7, 7});
    random_seed(1234);
    ASSERT_EQ(gfx_queue_noise_rect(g, rect(0, 0, 20, 20), 30, 0, 5), RES_OK);
    run();
    bool varied = false;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            Rgb c = at(x, y);
            EXPECT_LE(c.r, 30);
            EXPECT_EQ(c.g, 7);
            EXPECT_LE(c.b, 5);
            varied |= c.r != at(0, 0).r;
        }
    EXPECT_TRUE(varied);
    EXPECT_EQ(at(20, 20), (Rgb{7, 7, 7}));
}

TEST_F(DrawRects, GlowFrameAroundOnePixelTouchesTheSevenSquareButItsCentre) {
    ASSERT_EQ(gfx_queue_glow_frame(g, rect(10, 10, 1, 1), 200, 200, 200), RES_OK);
    run();
    EXPECT_EQ(count_not(BLACK), 48);
    const Rgb shift0{100, 100, 100}, shift1{50, 50, 50}, shift2{25, 25, 25};
    // beside, then outwards; a row above the rectangle; the second column at d = 1 and 3; d = 2 over
    // the rectangle; the corner
    expect_pixels({{10, 10, BLACK}, {11, 10, shift0}, {12, 10, shift1}, {13, 10, shift2}, {10, 9, shift0},
                   {8, 9, shift1},   {8, 7, shift2},   {10, 8, shift1},   {7, 13, shift2}});
}

TEST_F(DrawRects, GradientMapReadsTheMapAtTheClippedOffset) {
    uint8_t map[3 * 2] = {0, 128, 255, 255, 128, 0};
    Held holder(map);
    GfxGradientMapPayload p{-1, 0, 3, 2, holder.ref, 0, 0, 0, 255, 100, 10, {0, 0}};
    ASSERT_EQ(gfx_queue_gradient_map(g, p), RES_OK);
    run();
    // map column 1 at screen column 0
    expect_pixels({{0, 0, {128, 50, 5}}, {1, 0, {255, 100, 10}}, {0, 1, {128, 50, 5}}, {1, 1, BLACK}});
}

TEST_F(DrawRects, GridDrawsWholeRowsAndColumnDotsFromThePhaseAndNothingWithAZeroStep) {
    GfxGridPayload p{rect(0, 0, 10, 10), 255, 0, 0, 0, 4, 4, 1, 9};
    ASSERT_EQ(gfx_queue_grid(g, p), RES_OK);
    run();
    // row phase 9 is held to step - 1 = 3: rows 3 and 7; columns from 1: 1, 5, 9
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(at(x, 3), RED) << x;
        EXPECT_EQ(at(x, 7), RED) << x;
    }
    expect_pixels({{1, 0, RED}, {5, 0, RED}, {9, 8, RED}, {0, 0, BLACK}, {2, 0, BLACK}});
    EXPECT_EQ(count_not(BLACK), 2 * 10 + 8 * 3);
    fill(BLACK);
    p = GfxGridPayload{rect(0, 0, 10, 10), 255, 0, 0, 0, 0, 4, 0, 0};
    ASSERT_EQ(gfx_queue_grid(g, p), RES_OK);
    run();
    EXPECT_EQ(count_not(BLACK), 0) << "a zero step draws nothing";
}

class DrawMasks : public DrawSurface {};

TEST_F(DrawMasks, BrightenMultipliesTheMaskedPixelsAndSaturates) {
    const struct {
        const char *what;
        std::vector<uint8_t> mask;   // one byte a row
        int16_t x, y;
        uint16_t w, h, factor;
        std::vector<Px> before, after;
        int changed;
    } cases[] = {
        {"factor two lifts black to four", {0x80, 0x40}, 3, 3, 8, 2, 2, {}, {{3, 3, {4, 4, 4}}, {4, 4, {4, 4, 4}}}, 2},
        {"multiplies and saturates", {0xC0}, 0, 0, 2, 1, 3, {{0, 0, {100, 10, 0}}, {1, 0, {1, 2, 3}}},
         {{0, 0, {255, 30, 6}}, {1, 0, {6, 6, 9}}}, 2},
        {"a factor below two does nothing", {0x80}, 0, 0, 1, 1, 1, {}, {}, 0},
        // the floor of 2 x factor is 400 here; a byte must not wrap to 144
        {"a large factor saturates instead of wrapping", {0x80}, 0, 0, 1, 1, 200, {}, {{0, 0, {255, 255, 255}}}, 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        fill(BLACK);
        for (const Px &p : c.before) set(p.x, p.y, p.c);
        Held holder(c.mask);
        ASSERT_EQ(gfx_queue_mask_brighten(g, GfxMaskBrightenPayload{holder.ref, 1, c.x, c.y, c.w, c.h, c.factor}),
                  RES_OK);
        run();
        for (const Px &p : c.after) EXPECT_EQ(at(p.x, p.y), p.c) << p.x << "," << p.y;
        EXPECT_EQ(count_not(BLACK), c.changed);
    }
}

TEST_F(DrawMasks, BlendBlockMixesByAlphaAndSkipsAlphaZero) {
    fill(Rgb{0, 0, 100});
    uint8_t block[3 * 4] = {255, 255, 255, 255, 255, 255, 255, 128, 255, 0, 0, 0};
    Held holder(block);
    ASSERT_EQ(gfx_queue_blend_block(g, GfxBlendBlockPayload{0, 0, 0, {0, 0, 0}, holder.ref, 3, 1}), RES_OK);
    run();
    expect_pixels({{0, 0, {255, 255, 255}}, {1, 0, {128, 128, 128 + 100 * 127 / 255}}, {2, 0, {0, 0, 100}}});
}

TEST_F(DrawMasks, SmoothBlendAveragesTheVisibleNeighbours) {
    set(1, 0, Rgb{90, 90, 90});   // right neighbour of the block's only pixel... outside the block
    set(0, 1, Rgb{90, 90, 90});   // below, inside the block
    uint8_t block[2 * 2 * 4] = {0, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    block[3] = 1;   // nearly transparent: the result is the averaged screen
    Held holder(block);
    ASSERT_EQ(gfx_queue_blend_block(g, GfxBlendBlockPayload{0, 0, GFX_BLEND_SMOOTH, {0, 0, 0}, holder.ref, 1, 2}),
              RES_OK);
    run();
    // neighbours inside the visible block area only: (0,0) and (0,1): (0 + 90) / 2 = 45
    EXPECT_EQ(at(0, 0), (Rgb{45 * 254 / 255, 45 * 254 / 255, 45 * 254 / 255}));
}

class DrawPoints : public DrawSurface {};

TEST_F(DrawPoints, PlotHonoursClipAndScreen) {
    push_clip(0, 0, 9, 9);
    ASSERT_EQ(gfx_queue_plot(g, 5, 5, 255, 0, 0), RES_OK);
    ASSERT_EQ(gfx_queue_plot(g, 10, 5, 255, 0, 0), RES_OK);
    ASSERT_EQ(gfx_queue_plot(g, -1, 5, 255, 0, 0), RES_OK);
    pop_clip();
    ASSERT_EQ(gfx_queue_plot(g, 64, 0, 255, 0, 0), RES_OK);
    run();
    EXPECT_EQ(count_not(BLACK), 1);
    EXPECT_EQ(at(5, 5), RED);
}

TEST_F(DrawPoints, CircleLiesOnItsRadiusAndIgnoresTheClip) {
    push_clip(0, 0, 1, 1);
    ASSERT_EQ(gfx_queue_circle(g, 30, 20, 8, 255, 0, 0), RES_OK);
    pop_clip();
    run();
    int n = 0;
    for (int y = 0; y < surface->h; ++y)
        for (int x = 0; x < surface->w; ++x)
            if (at(x, y) == RED) {
                ++n;
                double r = std::hypot(x - 30, y - 20);
                EXPECT_NEAR(r, 8.0, 0.75) << x << "," << y;
                EXPECT_EQ(at(60 - x, y), RED);   // symmetric about the centre
                EXPECT_EQ(at(x, 40 - y), RED);
            }
    EXPECT_GE(n, 40);
    EXPECT_EQ(at(38, 20), RED);
    EXPECT_EQ(at(30, 12), RED);
}

TEST_F(DrawPoints, CircleBelowRadiusOneAndOffScreenPointsAreSafe) {
    ASSERT_EQ(gfx_queue_circle(g, 10, 10, 0, 255, 0, 0), RES_OK);
    ASSERT_EQ(gfx_queue_circle(g, 0, 0, 30, 255, 0, 0), RES_OK);
    run();
    expect_pixels({{10, 10, BLACK}, {30, 0, RED}, {0, 30, RED}});
}

class DrawLines : public DrawSurface {
protected:
    void line(int x, int y, int dx, int dy, int step = 0, int phase = 0, uint8_t jitter = 0) {
        GfxLinePayload p{int16_t(x), int16_t(y), int16_t(dx), int16_t(dy), 255, 0, 0,
                         jitter, jitter, jitter, uint16_t(step), int16_t(phase)};
        ASSERT_EQ(gfx_queue_line(g, p), RES_OK);
    }
};

TEST_F(DrawLines, EachLineLightsItsPixelsWithoutTheEndPoint) {
    struct P { int x, y; };
    const struct { const char *what; int x, y, dx, dy, step; int count; std::vector<P> lit, dark; } cases[] = {
        {"zero length: one pixel", 4, 4, 0, 0, 0, 1, {{4, 4}}, {}},
        {"length five", 0, 0, 5, 0, 0, 5, {{4, 0}}, {{5, 0}}},
        // Steps in y; x moves when the accumulated 3s reach 9; the last pixel is one short of (7, 21).
        {"steep", 10, 30, -3, -9, 0, 9, {{10, 30}, {10, 29}, {10, 28}, {9, 27}, {8, 22}}, {{7, 21}}},
        {"dash step 50 skips every other pixel after the second", 0, 0, 10, 0, 50, 6,
         {{0, 0}, {1, 0}, {3, 0}, {5, 0}, {7, 0}, {9, 0}}, {{2, 0}, {4, 0}, {6, 0}, {8, 0}}},
        {"dash step 20 skips every fifth pixel after the first", 0, 0, 20, 0, 20, 17, {{0, 0}, {4, 0}, {6, 0}},
         {{5, 0}, {10, 0}, {15, 0}}},
        {"cut to the clip: -2 .. 2", -2, 0, 5, 0, 0, 3, {{0, 0}, {2, 0}}, {}},
    };
    for (const auto &c : cases) {
        fill(BLACK);
        line(c.x, c.y, c.dx, c.dy, c.step);
        run();
        EXPECT_EQ(count_not(BLACK), c.count) << c.what;
        for (const P &p : c.lit) EXPECT_EQ(at(p.x, p.y), RED) << c.what << " at " << p.x << "," << p.y;
        for (const P &p : c.dark) EXPECT_EQ(at(p.x, p.y), BLACK) << c.what << " at " << p.x << "," << p.y;
    }
}

TEST_F(DrawLines, JitterKeepsEachChannelWithinItsRange) {
    random_seed(99);
    GfxLinePayload p{0, 0, 40, 0, 100, 100, 100, 10, 0, 10, 0, 0};
    ASSERT_EQ(gfx_queue_line(g, p), RES_OK);
    run();
    bool varied = false;
    for (int x = 0; x < 40; ++x) {
        Rgb c = at(x, 0);
        EXPECT_GE(c.r, 90);
        EXPECT_LE(c.r, 110);
        EXPECT_EQ(c.g, 100);
        EXPECT_GE(c.b, 90);
        EXPECT_LE(c.b, 110);
        varied |= c.r != at(0, 0).r;
    }
    EXPECT_TRUE(varied);
}

class DrawTable : public DrawSurface {};

TEST_F(DrawTable, OnlyOneToFourBytesPerPixelAreAccepted) {
    const GfxPrimitives before = gfx_primitives();
    EXPECT_EQ(gfx_select_primitives(5), RES_OUT_OF_RANGE);
    EXPECT_EQ(gfx_select_primitives(0), RES_OUT_OF_RANGE);
    EXPECT_EQ(gfx_primitives().fill_rect, before.fill_rect);
}

TEST_F(DrawTable, AtTwoBytesPerPixelSpriteGlowDropsItsReferenceAndDrawsNothing) {
    Sprite *s = sprite_from_art({"##", "##"});
    ASSERT_NE(s, nullptr);
    sprite_addref(s);
    sprite_build_outline_map(s);
    ASSERT_EQ(gfx_select_primitives(2), RES_OK);
    GfxSpriteGlowPayload p{};
    p.sprite = s;
    p.red[0] = 255;
    ASSERT_EQ(gfx_queue_sprite_glow(g, p), RES_OK);
    EXPECT_EQ(s->refcount, 2);
    run();
    EXPECT_EQ(s->refcount, 1);
    EXPECT_EQ(count_not(BLACK), 0);
    ASSERT_EQ(gfx_select_primitives(4), RES_OK);
    sprite_release(s);
}

}  // namespace
