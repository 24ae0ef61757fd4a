// Distances: the table the loaders build and the far path beyond it answer as one function, for
// both signs, on both sides of the table's edge and at the ends of the i32 range.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "platform/geometry.h"

namespace {

class DistanceTable : public ::testing::Test {
protected:
    bool was_ready = false;
    void SetUp() override { was_ready = distance_table_ready(); }
    void TearDown() override {
        if (was_ready) distance_table_build();
        else distance_table_free();
    }
    // Every answer of the table's square, row by row.
    static std::vector<int32_t> square() {
        std::vector<int32_t> out;
        out.reserve(size_t(DISTANCE_TABLE_SIZE) * DISTANCE_TABLE_SIZE);
        for (int dy = 0; dy < DISTANCE_TABLE_SIZE; ++dy)
            for (int dx = 0; dx < DISTANCE_TABLE_SIZE; ++dx) out.push_back(distance(dx, dy));
        return out;
    }
};

TEST_F(DistanceTable, TheTableAnswersEveryPointOfItsSquareAsTheFarPathDoes) {
    distance_table_free();
    ASSERT_FALSE(distance_table_ready());
    const std::vector<int32_t> computed = square();
    distance_table_build();
    ASSERT_TRUE(distance_table_ready());
    const std::vector<int32_t> looked_up = square();
    ASSERT_EQ(computed.size(), looked_up.size());
    int mismatches = 0;
    for (size_t i = 0; i < computed.size() && mismatches < 5; ++i)
        if (computed[i] != looked_up[i]) {
            ++mismatches;
            ADD_FAILURE() << "dx " << i % DISTANCE_TABLE_SIZE << " dy " << i / DISTANCE_TABLE_SIZE << ": table "
                          << looked_up[i] << ", far path " << computed[i];
        }
}

TEST_F(DistanceTable, SignsAndOrderDoNotMatterAndLengthsGrowAcrossTheTableEdge) {
    distance_table_build();
    for (int dy : {0, 1, 7, 250, 398, 399, 400, 401, 1000}) {
        int32_t before = -1;
        for (int dx = 0; dx <= DISTANCE_TABLE_SIZE + 3; ++dx) {
            const int32_t d = distance(dx, dy);
            EXPECT_EQ(distance(-dx, dy), d) << dx << ", " << dy;
            EXPECT_EQ(distance(dx, -dy), d) << dx << ", " << dy;
            EXPECT_EQ(distance(-dx, -dy), d) << dx << ", " << dy;
            EXPECT_EQ(distance(dy, dx), d) << dx << ", " << dy;
            if (dx > 0) {
                EXPECT_GE(d, before) << dx << ", " << dy << ": one step farther out is never nearer";
                EXPECT_LE(d - before, 1) << dx << ", " << dy << ": and at most one farther";
            }
            before = d;
        }
    }
    const struct {
        int dx, dy;
        int32_t d;
    } pins[] = {
        {240, 320, 400},   {400, 300, 500},     {-300, -400, 500},   {400, 400, 565},
        {46341, 0, 46341}, {INT_MIN, INT_MIN, INT32_MAX}, {INT_MAX, 0, INT32_MAX}, {0, INT_MIN, INT32_MAX},
    };
    for (const auto &p : pins) EXPECT_EQ(distance(p.dx, p.dy), p.d) << p.dx << ", " << p.dy;
}

TEST(AngleWrap, EveryAngleLandsInOneTurnOnTheSameBearingAndTheEndsOfI32Too) {
    // The whole-degree headings pass through untouched; everything else wraps, from either side.
    for (int a = -3 * 360 - 1; a <= 3 * 360 + 1; ++a) {
        const int n = angle_normalize(a);
        ASSERT_GE(n, 0) << a;
        ASSERT_LT(n, 360) << a;
        ASSERT_EQ((int64_t(a) - n) % 360, 0) << a;
    }
    const int pins[][2] = {{360, 0}, {-1, 359}, {0, 0}, {359, 359}, {INT_MIN, 232}, {INT_MAX, 127}, {INT_MIN + 1, 233}};
    for (const auto &p : pins) EXPECT_EQ(angle_normalize(p[0]), p[1]) << p[0];
    EXPECT_EQ(angle_diff(INT_MIN, INT_MAX), -105);   // 232 to 127
}

TEST(AngleOfVector, TheEndsOfI32GiveHeadingsOfOneTurn) {
    // Hostile coordinates: the squares of two i32 ends sum past the signed 64-bit range.
    const int ends[] = {INT_MIN, INT_MIN + 1, -1, 0, 1, INT_MAX};
    for (int dx : ends)
        for (int dy : ends) {
            const int a = angle_of_vector(dx, dy);
            EXPECT_GE(a, 0) << dx << ", " << dy;
            EXPECT_LT(a, 360) << dx << ", " << dy;
        }
    EXPECT_EQ(angle_of_vector(INT_MIN, INT_MIN), 135) << "up and to the left";
    EXPECT_EQ(angle_of_vector(INT_MIN, 0), 180);
    EXPECT_EQ(angle_of_vector(0, INT_MIN), angle_of_vector(0, -5)) << "straight up, however far";
    EXPECT_EQ(angle_of_vector(INT_MAX, 1), 0) << "a hair below the axis far out is a whole turn: 0";
    EXPECT_EQ(angle_of_vector(100000000, 1), 0);
}

}  // namespace
