// Arc control (sector masks) and bitmap control (a shared byte map in two colours).
#include <cstdlib>

#include "effects/effect_fixture.h"
#include "platform/colour_fade.h"
#include "platform/shared_ref.h"
#include "ui/control_arc.h"
#include "ui/control_bitmap.h"

namespace {

class Arc : public EffectTest {
protected:
    void SetUp() override {
        EffectTest::SetUp();
        ctrl = arc_control_create();
        ASSERT_NE(ctrl, nullptr);
    }
    void TearDown() override {
        control_destroy(ctrl);
        EffectTest::TearDown();
    }
    int bits() {
        int n = 0;
        for (int y = 0; y < ctrl->h; ++y)
            for (int x = 0; x < ctrl->w; ++x) n += arc_mask_bit(ctrl, x, y);
        return n;
    }
    Control *ctrl = nullptr;
};

TEST(ArcAngle, MeasuresCounterClockwiseFromTheRightWithScreenYDown) {
    // The degrees-per-radian factor 57.2957763671875 is a little under 180 / pi, so an exact
    // quarter or eighth of a turn truncates to one degree less.
    EXPECT_EQ(arc_angle(0, 0), 0);
    EXPECT_EQ(arc_angle(5, 0), 0);
    EXPECT_EQ(arc_angle(0, -5), 89);
    EXPECT_EQ(arc_angle(-5, 0), 180);
    EXPECT_EQ(arc_angle(0, 5), 271);
    EXPECT_EQ(arc_angle(4, -4), 44);
    EXPECT_EQ(arc_angle(-4, -4), 136);
    EXPECT_EQ(arc_angle(-4, 4), 224);
    EXPECT_EQ(arc_angle(4, 4), 316);
    EXPECT_EQ(arc_angle(3, -4), 53);
}

TEST_F(Arc, AFullTurnIsAWholeDiscAroundTheCentre) {
    arc_control_set_sector(ctrl, 100, 80, 0, 360, 10);
    EXPECT_EQ(ctrl->w, 21);
    EXPECT_EQ(ctrl->h, 21);
    EXPECT_EQ(ctrl->x, 90);
    EXPECT_EQ(ctrl->y, 70);
    EXPECT_EQ(arc_mask_bit(ctrl, 10, 10), 1);
    EXPECT_EQ(arc_mask_bit(ctrl, 0, 10), 1);
    EXPECT_EQ(arc_mask_bit(ctrl, 20, 10), 1);
    EXPECT_EQ(arc_mask_bit(ctrl, 10, 0), 1);
    EXPECT_EQ(arc_mask_bit(ctrl, 0, 0), 0) << "a corner lies 14 pixels out";
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 21; ++x) EXPECT_EQ(arc_mask_bit(ctrl, x, y), arc_mask_bit(ctrl, 20 - x, 20 - y));
}

TEST_F(Arc, StartingAtMinusNinetyForHalfATurnIsTheRightHalf) {
    arc_control_set_sector(ctrl, 100, 80, -90, 180, 10);
    EXPECT_EQ(ctrl->x, 100) << "the mask is cropped to the half that is set";
    EXPECT_EQ(ctrl->w, 11);
    EXPECT_EQ(ctrl->h, 21);
    EXPECT_EQ(arc_mask_bit(ctrl, 0, 0), 1) << "straight up from the centre";
    EXPECT_EQ(arc_mask_bit(ctrl, 0, 20), 1) << "straight down";
    EXPECT_EQ(arc_mask_bit(ctrl, 10, 10), 1);
    const int half = bits();
    arc_control_set_sector(ctrl, 100, 80, 0, 360, 10);
    EXPECT_GT(bits(), half);
    EXPECT_LT(bits(), 2 * half);
}

TEST_F(Arc, NoRadiusOrNoSpanLeavesTheControlAsItWas) {
    arc_control_set_sector(ctrl, 50, 50, 30, 60, 20);
    const int x = ctrl->x, w = ctrl->w, n = bits();
    arc_control_set_sector(ctrl, 0, 0, 0, 360, 0);
    arc_control_set_sector(ctrl, 0, 0, 0, 0, 30);
    EXPECT_EQ(ctrl->x, x);
    EXPECT_EQ(ctrl->w, w);
    EXPECT_EQ(bits(), n);
}

TEST_F(Arc, ContainsOnlyRectanglesWhollyInsideItsArea) {
    arc_control_set_sector(ctrl, 100, 80, 0, 360, 10);
    EXPECT_TRUE(arc_control_contains(ctrl, 90, 70, 21, 21));
    EXPECT_FALSE(arc_control_contains(ctrl, 89, 70, 21, 21));
    EXPECT_FALSE(arc_control_contains(ctrl, 100, 80, 12, 2));
}

TEST_F(Arc, DrawsByBrighteningTheScreenUnderItsMaskAndTheMaskOutlivesTheControl) {
    clear(ScreenRgb{40, 40, 40});
    arc_control_set_sector(ctrl, 100, 80, 0, 360, 10);
    arc_control_set_mode(ctrl, 3);
    control_draw(ctrl, g, 0, 0);
    control_destroy(ctrl);   // the queued command keeps the mask
    ctrl = arc_control_create();
    replay();
    EXPECT_EQ(at(100, 80), (ScreenRgb{120, 120, 120}));
    EXPECT_EQ(at(90, 70), (ScreenRgb{40, 40, 40}));
}

class Bitmap : public EffectTest {};

TEST_F(Bitmap, DrawsItsBytesInTheTwoColoursAndKeepsThemUntilTheFrameHasRun) {
    uint8_t *bytes = static_cast<uint8_t *>(std::malloc(4 * 2));
    const uint8_t pattern[8] = {0, 255, 0, 255, 255, 255, 0, 0};
    for (int i = 0; i < 8; ++i) bytes[i] = pattern[i];
    Control *c = bitmap_control_create(bytes, 4, 2);
    ASSERT_NE(c, nullptr);
    colour_fade_set(bitmap_control_colour_a(c), 10, 20, 30);
    colour_fade_set(bitmap_control_colour_b(c), 200, 100, 50);
    control_set_position(c, 30, 40);
    control_draw(c, g, 0, 0);
    control_destroy(c);
    replay();
    EXPECT_EQ(at(30, 40), (ScreenRgb{10, 20, 30}));
    EXPECT_EQ(at(31, 40), (ScreenRgb{200, 100, 50}));
    EXPECT_EQ(at(30, 41), (ScreenRgb{200, 100, 50}));
    EXPECT_EQ(at(33, 41), (ScreenRgb{10, 20, 30}));
    EXPECT_EQ(at(34, 40), (ScreenRgb{0, 0, 0}));
}

TEST_F(Bitmap, ItsColoursStepWithTheControl) {
    Control *c = bitmap_control_create(static_cast<uint8_t *>(std::calloc(1, 1)), 1, 1);
    colour_fade_start(bitmap_control_colour_a(c), 0, 0, 0, 100, 0, 0, 100, 0, 0);
    control_update(c, 50);
    EXPECT_EQ(bitmap_control_colour_a(c)->r, 50);
    control_destroy(c);
    EXPECT_EQ(bitmap_control_create(nullptr, 4, 4), nullptr);
}

}  // namespace
