#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <vector>
#include "assetgen/canvas.h"
#include "assetgen/output.h"

namespace {

float alpha_sum(const Canvas &c) {
    double sum = 0;
    for (size_t i = 3; i < c.px.size(); i += 4) sum += c.px[i];
    return float(sum);
}

// ---- shapes ----

TEST(CanvasShapes, ACircleCoversAboutItsArea) {
    Canvas c = canvas_create(64, 64);
    canvas_circle(&c, 32, 32, 10, {1, 1, 1, 1}, BLEND_OVER);
    EXPECT_NEAR(alpha_sum(c), 3.14159f * 100, 3.0f);
    EXPECT_FLOAT_EQ(canvas_get(c, 32, 32).a, 1.0f);
    EXPECT_FLOAT_EQ(canvas_get(c, 32, 50).a, 0.0f);
    // The edge is soft: a pixel straddling the rim is partly covered.
    const float rim = canvas_get(c, 41, 32).a;   // centre at 41.5, 9.5 from the middle
    EXPECT_GT(rim, 0.0f);
    EXPECT_LT(rim, 1.0f);
}

TEST(CanvasShapes, APolygonCoversExactlyItsAreaAlongRows) {
    Canvas c = canvas_create(32, 32);
    // A 10.5 x 4 rectangle starting half-way into a pixel: horizontal edges are exact.
    canvas_polygon(&c, {{2.25f, 3}, {12.75f, 3}, {12.75f, 7}, {2.25f, 7}}, {1, 0, 0, 1}, BLEND_OVER);
    EXPECT_NEAR(alpha_sum(c), 42.0f, 0.01f);
    EXPECT_NEAR(canvas_get(c, 2, 4).a, 0.75f, 0.01f);
    EXPECT_NEAR(canvas_get(c, 12, 4).a, 0.75f, 0.01f);
    EXPECT_FLOAT_EQ(canvas_get(c, 5, 5).a, 1.0f);
    EXPECT_FLOAT_EQ(canvas_get(c, 5, 8).a, 0.0f);
}

TEST(CanvasShapes, ATriangleCoversHalfItsBox) {
    Canvas c = canvas_create(40, 40);
    canvas_polygon(&c, {{0, 0}, {32, 0}, {0, 32}}, {1, 1, 1, 1}, BLEND_OVER);
    EXPECT_NEAR(alpha_sum(c), 512.0f, 4.0f);
}

TEST(CanvasShapes, ALineIsAsWideAsAsked) {
    Canvas c = canvas_create(64, 16);
    canvas_line(&c, 10, 8, 50, 8, 2, {1, 1, 1, 1}, BLEND_OVER);
    // 40 long and 2 wide, plus the round caps (a circle of radius 1).
    EXPECT_NEAR(alpha_sum(c), 80.0f + 3.14159f, 2.0f);
    EXPECT_FLOAT_EQ(canvas_get(c, 30, 5).a, 0.0f);
}

// ---- blending ----

TEST(CanvasBlend, OverMixesByAlphaAndAddAccumulatesLight) {
    Canvas c = canvas_create(1, 1, {0, 0, 1, 1});
    canvas_blend(&c, 0, 0, {1, 0, 0, 0.5f}, 1.0f, BLEND_OVER);
    EXPECT_NEAR(canvas_get(c, 0, 0).r, 0.5f, 1e-6f);
    EXPECT_NEAR(canvas_get(c, 0, 0).b, 0.5f, 1e-6f);
    EXPECT_FLOAT_EQ(canvas_get(c, 0, 0).a, 1.0f);
    canvas_blend(&c, 0, 0, {0.8f, 0, 0, 1}, 1.0f, BLEND_ADD);
    EXPECT_NEAR(canvas_get(c, 0, 0).r, 1.3f, 1e-6f);   // light may pass 1 until output
    canvas_blend(&c, 0, 0, {0.5f, 0.5f, 0.5f, 1}, 1.0f, BLEND_MULTIPLY);
    EXPECT_NEAR(canvas_get(c, 0, 0).b, 0.25f, 1e-6f);
}

TEST(CanvasBlend, OutsideTheCanvasIsIgnored) {
    Canvas c = canvas_create(4, 4);
    canvas_blend(&c, -1, 0, {1, 1, 1, 1}, 1, BLEND_OVER);
    canvas_blend(&c, 4, 0, {1, 1, 1, 1}, 1, BLEND_OVER);
    canvas_circle(&c, -50, -50, 10, {1, 1, 1, 1}, BLEND_OVER);
    EXPECT_FLOAT_EQ(alpha_sum(c), 0.0f);
    EXPECT_FLOAT_EQ(canvas_get(c, 9, 9).a, 0.0f);
}

// ---- gradients and filters ----

TEST(CanvasFilters, ALinearGradientRunsEndToEnd) {
    Canvas c = canvas_create(100, 1);
    canvas_linear_gradient(&c, {0, 0}, {0, 0, 0, 1}, {100, 0}, {1, 1, 1, 1}, BLEND_OVER);
    EXPECT_NEAR(canvas_get(c, 0, 0).r, 0.005f, 1e-4f);
    EXPECT_NEAR(canvas_get(c, 49, 0).r, 0.495f, 1e-4f);
    EXPECT_NEAR(canvas_get(c, 99, 0).r, 0.995f, 1e-4f);
}

TEST(CanvasFilters, BlurSpreadsButKeepsTheTotal) {
    Canvas c = canvas_create(41, 41);
    canvas_set(&c, 20, 20, {1, 1, 1, 1});
    canvas_blur(&c, 3);
    EXPECT_NEAR(alpha_sum(c), 1.0f, 1e-3f);
    EXPECT_LT(canvas_get(c, 20, 20).a, 0.1f);
    EXPECT_GT(canvas_get(c, 23, 20).a, 0.0f);
    EXPECT_NEAR(canvas_get(c, 23, 20).a, canvas_get(c, 17, 20).a, 1e-6f);
    EXPECT_NEAR(canvas_get(c, 20, 23).a, canvas_get(c, 23, 20).a, 1e-6f);
    // Colour does not bleed from transparent pixels: the colour stays white where there is alpha.
    EXPECT_NEAR(canvas_get(c, 22, 21).r, 1.0f, 1e-4f);
}

TEST(CanvasFilters, RotationIsCounterClockwiseOnScreen) {
    Canvas c = canvas_create(21, 21);
    canvas_set(&c, 18, 10, {1, 0, 0, 1});   // right of the centre
    Canvas r = canvas_rotate(c, 90);
    EXPECT_NEAR(canvas_get(r, 10, 2).a, 1.0f, 1e-4f);   // now above it
    EXPECT_NEAR(canvas_get(r, 10, 2).r, 1.0f, 1e-4f);
    EXPECT_NEAR(canvas_get(r, 18, 10).a, 0.0f, 1e-4f);
}

TEST(CanvasFilters, CompositePlacesTheSourceAtTheOffset) {
    Canvas dst = canvas_create(8, 8, {0, 0, 0, 1});
    Canvas src = canvas_create(2, 2, {0, 1, 0, 1});
    canvas_composite(&dst, src, 5, 6, BLEND_OVER);
    EXPECT_FLOAT_EQ(canvas_get(dst, 5, 6).g, 1.0f);
    EXPECT_FLOAT_EQ(canvas_get(dst, 6, 7).g, 1.0f);
    EXPECT_FLOAT_EQ(canvas_get(dst, 4, 6).g, 0.0f);
}

TEST(CanvasFilters, ThresholdLeavesOnlyWholeAlpha) {
    Canvas c = canvas_create(3, 1);
    canvas_set(&c, 0, 0, {1, 1, 1, 0.2f});
    canvas_set(&c, 1, 0, {1, 1, 1, 0.5f});
    canvas_set(&c, 2, 0, {1, 1, 1, 0.9f});
    canvas_threshold_alpha(&c, 0.5f);
    EXPECT_EQ(canvas_get(c, 0, 0).a, 0.0f);
    EXPECT_EQ(canvas_get(c, 1, 0).a, 1.0f);
    EXPECT_EQ(canvas_get(c, 2, 0).a, 1.0f);
}

// ---- noise ----

TEST(Noise, IsAPureFunctionInRange) {
    for (int i = 0; i < 2000; ++i) {
        const float x = float(i) * 0.37f - 300, y = float(i) * 0.11f + 7;
        const float v = noise_value(x, y, 5), f = noise_fbm(x, y, 5, 6), r = noise_ridged(x, y, 5, 5);
        ASSERT_TRUE(v >= 0 && v <= 1) << v;
        ASSERT_TRUE(f >= 0 && f <= 1) << f;
        ASSERT_TRUE(r >= 0 && r <= 1) << r;
        ASSERT_EQ(v, noise_value(x, y, 5));
    }
    EXPECT_NE(noise_value(0.5f, 0.5f, 1), noise_value(0.5f, 0.5f, 2));
}

TEST(Noise, IsContinuousAcrossLatticeLines) {
    for (int i = -5; i < 5; ++i)
        EXPECT_NEAR(noise_value(float(i) - 1e-4f, 0.3f, 9), noise_value(float(i) + 1e-4f, 0.3f, 9), 1e-3f);
}

// ---- 8-bit output ----

TEST(CanvasOutput, TheTransparentColourNeverComesOutOpaque) {
    Canvas c = canvas_create(2, 1, {234.0f / 255, 0, 138.0f / 255, 1});
    const std::vector<uint8_t> rgb = canvas_to_rgb8(c, false, 0);
    EXPECT_EQ(rgb, (std::vector<uint8_t>{234, 1, 138, 234, 1, 138}));
    canvas_set(&c, 1, 0, {234.0f / 255, 0, 138.0f / 255, 0});
    const std::vector<uint8_t> rgba = canvas_to_rgba8(c);
    EXPECT_EQ(rgba, (std::vector<uint8_t>{234, 1, 138, 255, 234, 0, 138, 0}));
}

TEST(CanvasOutput, DitherStaysWithinOneStepAndIsRepeatable) {
    Canvas c = canvas_create(64, 64, {0.1f, 0.1f, 0.1f, 1});   // 25.5 of 255
    const std::vector<uint8_t> a = canvas_to_rgb8(c, true, 7), b = canvas_to_rgb8(c, true, 7);
    EXPECT_EQ(a, b);
    double sum = 0;
    for (uint8_t v : a) {
        EXPECT_TRUE(v >= 24 && v <= 27) << int(v);
        sum += v;
    }
    EXPECT_NEAR(sum / double(a.size()), 25.5, 0.2);   // no bias
}

TEST(ParallelFor, RunsEveryIndexOnce) {
    std::vector<std::atomic<int>> seen(97);
    parallel_for(97, 4, [](int i, void *ctx) { (*static_cast<std::vector<std::atomic<int>> *>(ctx))[size_t(i)]++; }, &seen);
    for (size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i].load(), 1) << i;
    parallel_for(0, 4, [](int, void *) { FAIL(); }, nullptr);
}

}  // namespace
