// MovementPath: starting, whole steps, the power curve, and creeping pixel by pixel.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/buffer.h"
#include "platform/movement_path.h"

namespace {

class MovementPathTest : public ::testing::Test {
protected:
    MovementPath path;
};
using MovementStart = MovementPathTest;
using MovementSteps = MovementPathTest;
using MovementCreep = MovementPathTest;

TEST_F(MovementStart, ANewPathIsLinearAndArrivedAndTheSamePixelArrivesAtOnce) {
    MovementPath *made = movement_path_create();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->mode, MOVEMENT_LINEAR);
    EXPECT_TRUE(movement_path_arrived(made));
    movement_path_free(made);
    path.flags = 0;
    path.x = 3.5f;
    movement_path_start(&path, 10, 10, 10, 10, 5);
    EXPECT_TRUE(movement_path_arrived(&path));
    EXPECT_EQ(path.x, 3.5f) << "nothing else is set";
}

TEST_F(MovementStart, NoStepsTakesOneUnitInsteadOfDividingByZero) {
    movement_path_start(&path, 0, 0, 30, 0, 0);
    EXPECT_EQ(path.step_x, 30.0f);
    EXPECT_EQ(path.divisor, 1.0f);
    movement_path_step(&path, 1);
    EXPECT_EQ(path.x, 30.0f);
    EXPECT_TRUE(movement_path_arrived(&path));
    movement_path_start(&path, 0, 0, 0, -8, -3);
    EXPECT_EQ(path.step_y, -8.0f);
}

// --- whole steps ----------------------------------------------------------------------------

TEST_F(MovementSteps, LinearAdvanceEndsAtPositionPlusDtTimesVelocityAndStepsJumpToTheTargetPixel) {
    movement_path_start(&path, 0, 0, 100, 0, 10);
    movement_path_advance(&path, 3);
    EXPECT_EQ(path.next_x, 30.5f);
    EXPECT_EQ(path.next_y, 0.5f) << "an axis without speed stays";
    EXPECT_EQ(path.x, 0.5f) << "advance only computes the end point";
    movement_path_advance(&path, 20);
    EXPECT_EQ(path.next_x, 100.0f) << "held at the target";
    for (int i = 1; i <= 9; ++i) {
        movement_path_step(&path, 1);
        ASSERT_EQ(path.x, 0.5f + 10.0f * float(i));
        ASSERT_FALSE(movement_path_arrived(&path)) << i;
    }
    movement_path_step(&path, 1);
    EXPECT_EQ(path.x, 100.0f);
    EXPECT_TRUE(movement_path_arrived(&path));
}

TEST_F(MovementSteps, NegativeDirectionIsHeldAtTheTargetAndArrivalNeedsBothAxes) {
    movement_path_start(&path, 100, 50, 0, 20, 4);
    movement_path_step(&path, 1);
    EXPECT_EQ(path.x, 75.5f);
    EXPECT_EQ(path.y, 43.0f);
    EXPECT_FALSE(movement_path_arrived(&path));
    movement_path_step(&path, 3);   // x would end at 0.5, which is pixel 0: the target
    EXPECT_EQ(path.x, 0.0f);
    EXPECT_EQ(path.y, 20.0f);
    EXPECT_TRUE(movement_path_arrived(&path));
    movement_path_start(&path, 0, 0, 10, 100, 10);
    path.step_y = 0.0f;   // the y axis stalls
    movement_path_step(&path, 20);
    EXPECT_EQ(path.x, 10.0f);
    EXPECT_FALSE(movement_path_arrived(&path));
}

TEST_F(MovementSteps, PowerCurveStartsFromRestAcceleratesLinearlyAndReachesTheTarget) {
    movement_path_set_power(&path, 2.0f);
    movement_path_start(&path, 0, 0, 100, 0, 10);
    EXPECT_EQ(path.mode, MOVEMENT_POWER) << "starting keeps the mode";
    // velocity = base step (10) x 2 / 10 x t
    const float expected[] = {0.0f, 2.0f, 4.0f, 6.0f, 8.0f};
    float x = 0.5f;
    for (int t = 0; t < 5; ++t) {
        movement_path_step(&path, 1);
        EXPECT_EQ(path.step_x, expected[t]) << "t = " << t;
        x += expected[t];
        EXPECT_EQ(path.x, x);
        EXPECT_EQ(path.step_counter, t + 1);
    }
    int steps = 5;
    while (!movement_path_arrived(&path) && steps < 100) {
        movement_path_step(&path, 1);
        ++steps;
    }
    EXPECT_TRUE(movement_path_arrived(&path));
    EXPECT_EQ(steps, 11);   // the sum 2 x (0 + ... + 9) = 90 falls short by one unit
}

TEST_F(MovementSteps, PowerCurveBelowOneStartsFromRest) {
    movement_path_set_power(&path, 0.5f);
    movement_path_start(&path, 0, 0, 40, 0, 4);
    movement_path_step(&path, 1);   // t^-0.5 has no value at t = 0
    EXPECT_EQ(path.step_x, 0.0f);
    EXPECT_EQ(path.x, 0.5f);
    movement_path_step(&path, 1);
    EXPECT_EQ(path.step_x, 1.25f);   // 10 x 0.5 / 4 x 1
}

TEST_F(MovementSteps, SpeedBelowTheThresholdDoesNotMove) {
    movement_path_start(&path, 0, 0, 10, 0, 10);
    path.step_x = 0.000009f;
    movement_path_advance(&path, 1000);
    EXPECT_EQ(path.next_x, 0.5f);
}

// --- creeping -------------------------------------------------------------------------------

TEST_F(MovementCreep, QuarterSpeedCrossesAPixelInAtMostFourSubSteps) {
    movement_path_start(&path, 0, 0, 4, 0, 16);
    ASSERT_EQ(path.step_x, 0.25f);
    movement_path_advance(&path, 16);
    ASSERT_EQ(path.next_x, 4.0f);
    EXPECT_EQ(movement_path_next_pixel(&path), 1);
    EXPECT_EQ(path.x, 1.0f) << "two sub-steps from the centre";
    for (float pixel : {2.0f, 3.0f}) {
        EXPECT_EQ(movement_path_next_pixel(&path), 1);
        EXPECT_EQ(path.x, pixel) << "four sub-steps, stopping on the first change";
        EXPECT_FALSE(movement_path_arrived(&path));
    }
    EXPECT_EQ(movement_path_next_pixel(&path), 1);
    EXPECT_EQ(path.x, 4.0f);
    EXPECT_TRUE(movement_path_arrived(&path));
    EXPECT_EQ(movement_path_next_pixel(&path), 0) << "at the end point";
    EXPECT_EQ(path.x, 4.0f);
}

TEST_F(MovementCreep, EndPointInsideThePixelGivesZero) {
    movement_path_start(&path, 0, 0, 100, 0, 1000);
    movement_path_advance(&path, 1);
    EXPECT_EQ(movement_path_next_pixel(&path), 0);
    EXPECT_FLOAT_EQ(path.x, 0.6f);
    EXPECT_EQ(path.x, path.next_x);
    EXPECT_FALSE(movement_path_arrived(&path));
}

TEST_F(MovementCreep, DiagonalChangesOnEitherAxis) {
    movement_path_start(&path, 0, 0, 2, 8, 16);   // 0.125 across, 0.5 down per unit
    movement_path_advance(&path, 16);
    EXPECT_EQ(movement_path_next_pixel(&path), 1);
    EXPECT_EQ(path.y, 1.0f);
    EXPECT_EQ(path.x, 0.625f);
    int changes = 1;
    while (movement_path_next_pixel(&path) == 1) ++changes;
    // Rows change on every odd sub-step (8 rows); columns on sub-steps 4 and 12, between them.
    EXPECT_EQ(changes, 10);
    EXPECT_EQ(path.x, 2.0f);
    EXPECT_EQ(path.y, 8.0f);
    EXPECT_TRUE(movement_path_arrived(&path));
}

TEST_F(MovementCreep, NoSpeedOnEitherAxisStopsAtOnceAndAStalledPathGivesUp) {
    movement_path_start(&path, 0, 0, 10, 10, 10);
    path.step_x = path.step_y = 0.0f;
    path.next_x = path.next_y = 9.0f;
    EXPECT_EQ(movement_path_next_pixel(&path), 0);
    EXPECT_EQ(path.x, 0.5f);
    movement_path_start(&path, 1000, 0, 2000, 0, 10);
    path.step_x = 0.0000001f;   // too small to change 1000.5 at all
    path.next_x = 2000.0f;
    path.next_y = path.y;
    EXPECT_EQ(movement_path_next_pixel(&path), 0);
    EXPECT_EQ(path.x, 1000.5f);
    EXPECT_FALSE(movement_path_arrived(&path));
}

// --- saved form ---------------------------------------------------------------------------

class MovementSavedForm : public ::testing::Test {
protected:
    void SetUp() override {
        path.mode = MOVEMENT_POWER;
        path.flags = 0x01020304u;
        path.step_counter = -2;
        path.x = 1.0f;
        path.y = -2.0f;
        path.next_x = 0.5f;
        path.next_y = 100.25f;
        path.step_x = 0.1f;
        path.step_y = -0.0f;
        path.base_step_x = 3.0e-39f;   // subnormal
        path.base_step_y = 65536.0f;
        path.target_x = 640;
        path.target_y = -1;
        path.exponent = 2.0f;
        path.divisor = 10.0f;
    }
    MovementPath path;
    Buffer buf;
};

TEST_F(MovementSavedForm, SixtyBytesIntegersBigEndianFloatsLittleEndian) {
    ASSERT_EQ(movement_path_write(&path, &buf), RES_OK);
    ASSERT_EQ(buf.length, MOVEMENT_PATH_SAVED_BYTES);
    const uint8_t expected[60] = {
        0x00, 0x00, 0x00, 0x01,   // mode
        0x01, 0x02, 0x03, 0x04,   // flags
        0xFF, 0xFF, 0xFF, 0xFE,   // step counter -2
        0x00, 0x00, 0x80, 0x3F,   // x 1.0
        0x00, 0x00, 0x00, 0xC0,   // y -2.0
        0x00, 0x00, 0x00, 0x3F,   // next x 0.5
        0x00, 0x80, 0xC8, 0x42,   // next y 100.25
        0xCD, 0xCC, 0xCC, 0x3D,   // step x 0.1
        0x00, 0x00, 0x00, 0x80,   // step y -0.0
        0xC8, 0xAA, 0x20, 0x00,   // base step x 3.0e-39 (0x0020AAC8)
        0x00, 0x00, 0x80, 0x47,   // base step y 65536
        0x00, 0x00, 0x02, 0x80,   // target x 640
        0xFF, 0xFF, 0xFF, 0xFF,   // target y -1
        0x00, 0x00, 0x00, 0x40,   // exponent 2.0
        0x00, 0x00, 0x20, 0x41,   // divisor 10.0
    };
    for (int i = 0; i < 60; ++i) EXPECT_EQ(buf.data[i], expected[i]) << "byte " << i;
}

TEST_F(MovementSavedForm, ReadsBackBitForBitAndShortDataStoresNothing) {
    ASSERT_EQ(movement_path_write(&path, &buf), RES_OK);
    MovementPath *loaded = nullptr;
    ASSERT_EQ(movement_path_read(&loaded, &buf), RES_OK);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(std::memcmp(loaded, &path, sizeof path), 0);
    EXPECT_EQ(buf.cursor, 60);
    movement_path_free(loaded);
    buffer_set_cursor(&buf, 0);
    buffer_truncate(&buf, 59);
    MovementPath untouched;
    loaded = &untouched;
    EXPECT_EQ(movement_path_read(&loaded, &buf), RES_SHORT_BUFFER);
    EXPECT_EQ(loaded, &untouched);
}

}  // namespace
