// Beam effect: charge, the single hit callback, firing, speed scaling, missed beams, and styles
// whose pictures cannot make a beam.
#include "effect_fixture.h"
#include "effects/effect_beam.h"
#include "platform/anim.h"

namespace {

// Six frames per generated style: charge entries of 160, 140, 120, 100, 80 and 60 ms.
constexpr int32_t CHARGE_MS = 160 + 140 + 120 + 100 + 80 + 60;

struct Hits {
    int  calls = 0;
    int  step = -1;
    int  phase_at_call = -1;
    BeamEffect *beam = nullptr;
    GameObject *shooter = nullptr, *target = nullptr;
};
Hits g_hits;
int  g_step = 0;

void record_hit(BeamEffect *beam, GameObject *shooter, GameObject *target) {
    g_hits.calls += 1;
    g_hits.step = g_step;
    g_hits.phase_at_call = beam->phase;
    g_hits.beam = beam;
    g_hits.shooter = shooter;
    g_hits.target = target;
}

class Beam : public EffectTest {
protected:
    static void SetUpTestSuite() {
        const std::vector<Result> loaded = load_types(GENERATED_STORE_PATH);
        ASSERT_EQ(loaded.size(), size_t(EFFECT_TYPE_COUNT)) << "the generated store is built with the tests";
        ASSERT_EQ(loaded[EFFECT_BEAM], RES_OK);
    }

    void SetUp() override {
        EffectTest::SetUp();
        g_hits = Hits{};
        g_step = 0;
    }

    BeamEffect *make(int style, int x1, int y1, int x2, int y2) {
        BeamEffect *b = effect_create_beam(style, x1, y1, x2, y2);
        EXPECT_NE(b, nullptr);
        b->x = b->box_left;
        b->y = b->box_top;
        b->owner = as_map(&map);
        effect_set_blocking(b);
        effect_beam_set_callback(b, record_hit, as_object(&shooter), as_object(&target));
        return b;
    }

    // Steps until finished (at most `limit` steps); the number of steps taken.
    int run_out(BeamEffect *b, int32_t dt, int limit = 1000) {
        for (g_step = 1; g_step <= limit; ++g_step) {
            effect_update(b, dt);
            if (effect_is_finished(b)) return g_step;
        }
        return -1;
    }

    FakeMap    map;
    FakeObject shooter, target;
};

TEST_F(Beam, TheCallbackRunsOnceInTheStepTheChargeEndsAndBeforeAnyLine) {
    BeamEffect *b = make(0, 20, 100, 200, 100);
    ASSERT_EQ(b->frame_count, 6);
    for (g_step = 1; g_step <= CHARGE_MS / 20 - 1; ++g_step) effect_update(b, 20);
    EXPECT_EQ(g_hits.calls, 0);
    draw_alone(b, b->box_left, b->box_top);
    EXPECT_EQ(at(110, 100), (ScreenRgb{0, 0, 0})) << "no line while charging";
    effect_update(b, 20);   // step 33: the charge's last 60 ms end here
    EXPECT_EQ(g_hits.calls, 1);
    EXPECT_EQ(g_hits.step, CHARGE_MS / 20);
    EXPECT_EQ(g_hits.phase_at_call, 0) << "the hit lands before the beam starts firing";
    EXPECT_EQ(g_hits.shooter, as_object(&shooter));
    EXPECT_EQ(g_hits.target, as_object(&target));
    EXPECT_EQ(b->phase, 1);
    EXPECT_EQ(shooter.refs, 1) << "the beam lets go of the objects once it has fired";
    EXPECT_EQ(target.refs, 1);
    draw_alone(b, b->box_left, b->box_top);
    EXPECT_NE(at(110, 100 + b->jitter_y[0]), (ScreenRgb{0, 0, 0})) << "the lines show once firing";
    run_out(b, 20);
    EXPECT_EQ(g_hits.calls, 1);
    effect_free(b);
}

TEST_F(Beam, FiresForFiveHundredMillisecondsAndLeavesItsMapHeldASecond) {
    BeamEffect *b = make(1, 10, 10, 60, 90);
    EXPECT_EQ(effect_beam_duration(b), CHARGE_MS + BEAM_FIRE_MS);
    EXPECT_EQ(map.busy, 1);
    const int steps = run_out(b, 20);
    EXPECT_EQ(steps, (CHARGE_MS + BEAM_FIRE_MS) / 20);
    EXPECT_EQ(map.busy, 0);
    EXPECT_GE(map.hold, 1000);
    effect_free(b);
}

TEST_F(Beam, DoubleSpeedHalvesChargeAndFiringButNeverReachesZero) {
    BeamEffect *b = make(2, 10, 10, 100, 10);
    effect_beam_set_speed(b, 200);
    EXPECT_EQ(effect_beam_duration(b), (CHARGE_MS + BEAM_FIRE_MS) / 2);
    const int steps = run_out(b, 20);
    EXPECT_EQ(g_hits.step, (CHARGE_MS + 39) / 40) << "40 ms of animation per 20 ms step";
    EXPECT_LE(steps, (CHARGE_MS + BEAM_FIRE_MS) / 40 + 2);
    effect_free(b);

    BeamEffect *slow = make(2, 10, 10, 100, 10);
    effect_beam_set_speed(slow, 0);   // a zero speed must not divide by zero
    EXPECT_GE(effect_beam_duration(slow), 1);
    effect_beam_set_speed(slow, 100);
    EXPECT_FALSE(slow->flags & BEAM_SPEED);
    effect_free(slow);
}

TEST_F(Beam, TheImpactAnimationAlternatesTheLastTwoFramesEveryTwentyMilliseconds) {
    BeamEffect *b = make(3, 10, 10, 100, 10);
    for (g_step = 1; g_hits.calls == 0 && g_step < 100; ++g_step) effect_update(b, 20);
    ASSERT_EQ(g_hits.calls, 1);
    Sprite *previous = nullptr;
    for (int i = 0; i < 10; ++i) {
        effect_update(b, 20);
        EXPECT_TRUE(b->muzzle_sprite == b->frames[4] || b->muzzle_sprite == b->frames[5]);
        EXPECT_NE(b->muzzle_sprite, previous) << "step " << i;
        EXPECT_TRUE(b->impact_sprite == b->frames[0] || b->impact_sprite == b->frames[1]);
        previous = b->muzzle_sprite;
    }
    effect_free(b);
}

TEST_F(Beam, AMissedBeamDrawsItsLinesButNoImpact) {
    BeamEffect *hit = make(0, 40, 120, 240, 120);
    run(hit, 20, CHARGE_MS / 20 + 2);
    draw_alone(hit, hit->box_left, hit->box_top);
    EXPECT_GT(lit_pixels_near(242, 122, 0), 0) << "the impact glows round the end point";
    effect_free(hit);

    BeamEffect *missed = make(0, 40, 120, 240, 120);
    effect_beam_set_missed(missed);
    run(missed, 20, CHARGE_MS / 20 + 2);
    draw_alone(missed, missed->box_left, missed->box_top);
    EXPECT_EQ(lit_pixels_near(242, 122, 0), 0);
    EXPECT_NE(at(150, 120 + missed->jitter_y[1]), (ScreenRgb{0, 0, 0})) << "the lines still show";
    effect_free(missed);
}

TEST_F(Beam, ATargetDyingDuringTheDelayEndsTheBeamWithoutItsHit) {
    BeamEffect *b = make(0, 10, 10, 100, 10);
    effect_beam_set_start_delay(b, 300);
    EXPECT_EQ(target.refs, 2);
    effect_update(b, 20);
    EXPECT_FALSE(effect_is_finished(b));
    target.view.dead = true;
    effect_update(b, 20);
    EXPECT_TRUE(effect_is_finished(b));
    EXPECT_EQ(g_hits.calls, 0);
    EXPECT_EQ(map.busy, 0) << "the finished beam stops blocking";
    effect_free(b);
    EXPECT_EQ(shooter.refs, 1);
    EXPECT_EQ(target.refs, 1);
}

TEST_F(Beam, NoBeamOfAStyleOutsideTheTable) {
    EXPECT_EQ(effect_create_beam(4, 0, 0, 1, 1), nullptr);
    EXPECT_EQ(effect_create_beam(-1, 0, 0, 1, 1), nullptr);
}

class BeamStyles : public EffectTest {
protected:
    void TearDown() override {
        // Later tests see the generated pictures again.
        (void)load_types(GENERATED_STORE_PATH);
        EffectTest::TearDown();
    }
};

TEST_F(BeamStyles, AStyleOfOneFrameIsRefusedAndItsBeamsFireWithoutPictures) {
    const std::string dir = fresh_test_dir("effects");
    const std::string path = pack_store(dir, {{"effect/beam/000/png/000.png", solid_canvas(8, 8)}});
    ASSERT_TRUE(open_store(path));
    EXPECT_EQ(effect_load_type(EFFECT_BEAM), RES_READ_FAILED);
    EXPECT_EQ(effect_beam_style_frames(0), 0);
    EXPECT_EQ(effect_beam_style_frames(1), 0) << "loading stops at the first bad style";

    FakeMap map;
    BeamEffect *b = effect_create_beam(0, 0, 0, 50, 0);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->muzzle_sprite, nullptr);
    b->owner = as_map(&map);
    effect_set_blocking(b);
    int calls = 0;
    static int *counter;
    counter = &calls;
    effect_beam_set_callback(b, [](BeamEffect *, GameObject *, GameObject *) { *counter += 1; }, nullptr, nullptr);
    effect_update(b, 20);
    EXPECT_EQ(calls, 1) << "nothing to charge: the hit lands at once";
    draw_alone(b, 0, 0);   // no pictures: nothing drawn, nothing read
    run(b, 20, 30);
    EXPECT_TRUE(effect_is_finished(b));
    EXPECT_EQ(map.busy, 0);
    effect_free(b);
}

TEST_F(BeamStyles, EveryGeneratedStyleHasAChargeAndTheTwoImpactFrames) {
    ASSERT_TRUE(open_generated_store());
    ASSERT_EQ(effect_load_type(EFFECT_BEAM), RES_OK);
    for (int s = 0; s < BEAM_STYLE_COUNT; ++s) EXPECT_GE(effect_beam_style_frames(s), 3) << s;
}

}  // namespace
