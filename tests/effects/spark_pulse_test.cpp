// Spark (bolt, callback, bounds) and pulse (wave clocks, radii, fading, blocking) effects.
#include <cstdlib>

#include "effect_fixture.h"
#include "effects/effect_spark.h"

namespace {

int g_hit_calls = 0;
void count_hit(SparkEffect *, GameObject *, GameObject *) { g_hit_calls += 1; }

class Spark : public EffectTest {
protected:
    static void SetUpTestSuite() { (void)load_types(GENERATED_STORE_PATH); }
    void SetUp() override {
        EffectTest::SetUp();
        g_hit_calls = 0;
    }
    FakeObject a, b;
    FakeMap    map;
};

TEST_F(Spark, TheCallbackRunsOnceAtTheFirstStepAfterTheDelay) {
    SparkEffect *s = effect_create_spark(10, 10, 90, 40);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->remaining_ms, 750);
    s->owner = as_map(&map);
    effect_spark_set_callback(s, count_hit, as_object(&a), as_object(&b));
    effect_spark_set_start_delay(s, 60);
    effect_update(s, 20);
    effect_update(s, 20);
    EXPECT_EQ(g_hit_calls, 0);
    effect_update(s, 20);
    EXPECT_EQ(g_hit_calls, 1);
    EXPECT_EQ(a.refs, 1) << "the objects go once the hit is applied";
    EXPECT_EQ(map.busy, 1);
    int steps = 0;
    while (!effect_is_finished(s) && steps < 100) {
        effect_update(s, 20);
        ++steps;
    }
    EXPECT_EQ(g_hit_calls, 1);
    EXPECT_EQ(steps, 750 / 20 - 1 + 1) << "750 ms of flicker from the step after the delay";
    EXPECT_EQ(map.busy, 0);
    EXPECT_GE(map.hold, 800);
    effect_free(s);
}

TEST_F(Spark, ATargetDyingDuringTheDelayEndsTheSparkWithoutItsHit) {
    SparkEffect *s = effect_create_spark(0, 0, 50, 50);
    effect_spark_set_callback(s, count_hit, as_object(&a), as_object(&b));
    effect_spark_set_start_delay(s, 200);
    b.view.dying = true;
    effect_update(s, 20);
    EXPECT_TRUE(effect_is_finished(s));
    EXPECT_EQ(g_hit_calls, 0);
    effect_free(s);
    EXPECT_EQ(a.refs, 1);
    EXPECT_EQ(b.refs, 1);
}

TEST_F(Spark, TheBoltKeepsItsEndsAndStraysNoFurtherThanItsHalvingAmplitudes) {
    SparkEffect *s = effect_create_spark(20, 200, 260, 40);
    const int fx = s->from_x, fy = s->from_y, tx = s->to_x, ty = s->to_y;
    for (int round = 0; round < 200; ++round) {
        effect_spark_build_bolt(s);
        ASSERT_EQ(s->point_count, 17);
        EXPECT_EQ(s->points_x[0], fx);
        EXPECT_EQ(s->points_y[0], fy);
        EXPECT_EQ(s->points_x[16], tx);
        EXPECT_EQ(s->points_y[16], ty);
        for (int i = 1; i < 16; ++i) {
            // The straight line's point; offsets of 16 + 8 + 4 + 2 + 1 at most, plus a pixel of
            // truncation at each of the four halvings.
            const int lx = fx + (tx - fx) * i / 16, ly = fy + (ty - fy) * i / 16;
            EXPECT_LE(std::abs(s->points_x[i] - lx), 31 + 4) << "point " << i;
            EXPECT_LE(std::abs(s->points_y[i] - ly), 31 + 4) << "point " << i;
        }
    }
    effect_free(s);
}

TEST_F(Spark, DrawsItsBoltAndBothEndSparksUnlessHidden) {
    SparkEffect *s = effect_create_spark(40, 100, 200, 100);
    effect_update(s, 20);
    draw_alone(s, s->box_left, s->box_top);
    EXPECT_GT(lit_pixels_near(40, 100, 2), 0);
    EXPECT_GT(lit_pixels_near(200, 100, 2), 0);
    effect_spark_hide_start(s);
    effect_update(s, 20);
    draw_alone(s, s->box_left, s->box_top);
    EXPECT_TRUE(s->flags & SPARK_NO_START);
    effect_free(s);
}

class Pulse : public EffectTest {};

// The scan pulse: 5 waves of radius 96, green 230, 640 ms each, 160 ms apart, 20 ms delay, fading
// from 320 ms, growing, blocking, with sound.
PulseEffect *scan_pulse(int direction) { return effect_create_pulse(5, 96, 230, 640, 160, 20, 320, direction, 1, 1); }

TEST_F(Pulse, EachWaveGrowsFromItsIntervalOverItsDuration) {
    PulseEffect *p = scan_pulse(1);
    EXPECT_EQ(p->layer, -1) << "under the objects";
    EXPECT_EQ(p->wave_clocks[0], -20);
    EXPECT_EQ(p->wave_clocks[4], -20 - 4 * 160);
    run(p, 20, 25);   // 500 ms: wave 0 at clock 480, wave 1 at 320, wave 2 at 160
    EXPECT_EQ(effect_pulse_radius(p, 0), 48);
    EXPECT_EQ(effect_pulse_radius(p, 1), 24);
    EXPECT_EQ(effect_pulse_radius(p, 2), 0) << "a ring of radius 0 is not drawn";
    EXPECT_EQ(effect_pulse_radius(p, 3), 0);
    effect_free(p);

    PulseEffect *shrinking = scan_pulse(-1);
    run(shrinking, 20, 25);
    EXPECT_EQ(effect_pulse_radius(shrinking, 0), 96 - 48);
    effect_free(shrinking);
}

TEST_F(Pulse, BlocksUntilItsLastWaveIsOverThenHoldsItsMapThreeHundredMilliseconds) {
    FakeMap map;
    PulseEffect *p = scan_pulse(1);
    p->owner = as_map(&map);
    int t = 0;
    while (!effect_is_finished(p) && t < 5000) {
        effect_update(p, 20);
        t += 20;
        if (t == 40) {
            EXPECT_TRUE(p->flags & PULSE_SOUNDED) << "sound 9 when the first clock passes 0";
        }
    }
    // the last wave starts at 20 + 4 x 160 and is over 160 + 640 ms later
    EXPECT_EQ(t, 20 + 4 * 160 + 160 + 640);
    EXPECT_EQ(map.busy, 0);
    EXPECT_GE(map.hold, 300);
    effect_free(p);
}

TEST_F(Pulse, NoWavesMeansOneAndAFadeStartPastTheDurationNeverFades) {
    PulseEffect *p = effect_create_pulse(0, 50, 200, 400, 100, 0, 900, 1, 0, 0);
    EXPECT_EQ(p->wave_count, 1);
    EXPECT_EQ(p->fade_from, 400);
    run(p, 20, 24);   // clock 480: radius (480 - 100) x 50 / 400 = 47, near the ring's end
    const int r = effect_pulse_radius(p, 0);
    ASSERT_EQ(r, 47);
    draw_alone(p, 160, 120);
    EXPECT_EQ(at(160 + r, 120), (ScreenRgb{0, 200, 0})) << "full colour to the end";
    EXPECT_EQ(at(160 + r - 2, 120), (ScreenRgb{0, 100, 0})) << "the inner ring at half";
    effect_free(p);
}

TEST_F(Pulse, ARingFadesFromItsFadeStartToBlackAtItsEnd) {
    PulseEffect *p = effect_create_pulse(1, 100, 200, 400, 0, 0, 200, 1, 0, 0);
    run(p, 20, 15);   // clock 300: half way from the fade start to the end
    const int r = effect_pulse_radius(p, 0);
    draw_alone(p, 160, 120);
    EXPECT_EQ(at(160 + r, 120).g, 100);
    effect_free(p);
}

}  // namespace
