// Glow (radius limits, silhouette at radius 0), plume (motes, draining) and alert marker (stages).
#include "effect_fixture.h"
#include "effects/effect_glow.h"
#include "platform/colour_fade.h"

namespace {

class Glow : public EffectTest {
protected:
    void SetUp() override {
        EffectTest::SetUp();
        sprite = sprite_from_canvas(solid_canvas(6, 4));
        ASSERT_NE(sprite, nullptr);
        sprite_addref(sprite);
    }
    void TearDown() override {
        sprite_release(sprite);
        EffectTest::TearDown();
    }
    Sprite *sprite = nullptr;
};

TEST_F(Glow, EqualRadiiAboveTheLimitBehaveAsAFixedRadiusOfThirteen) {
    GlowEffect *e = effect_create_glow(sprite);
    effect_glow_set_radius(e, 20, 20, 100);
    EXPECT_FALSE(e->flags & GLOW_CHANGING);
    EXPECT_FLOAT_EQ(e->radius, 13.0f);
    EXPECT_EQ(e->offset, 13);
    EXPECT_EQ(e->width, 6 + 26);
    EXPECT_EQ(e->height, 4 + 26);
    effect_free(e);
}

TEST_F(Glow, ARadiusChangeRunsOnceAtItsRateAndStopsOnTheTarget) {
    GlowEffect *e = effect_create_glow(sprite);
    effect_glow_set_radius(e, 0, 8, 500);
    EXPECT_EQ(e->offset, 8);
    run(e, 20, 10);
    EXPECT_NEAR(e->radius, 3.2f, 0.01f);   // 200 of 500 ms
    run(e, 20, 20);
    EXPECT_FLOAT_EQ(e->radius, 8.0f);
    EXPECT_FALSE(e->flags & GLOW_CHANGING);
    effect_glow_set_radius(e, 8, 0, 500);
    run(e, 20, 30);
    EXPECT_FLOAT_EQ(e->radius, 0.0f);
    effect_glow_set_radius_now(e, -4);
    EXPECT_EQ(e->offset, 0);
    effect_free(e);
}

TEST_F(Glow, AtRadiusZeroTheSpriteIsDrawnAsAPlainSilhouette) {
    GlowEffect *e = effect_create_glow(sprite);
    colour_fade_set(effect_glow_colour(e), 10, 200, 30);
    draw_alone(e, 50, 60);
    for (int y = 60; y < 64; ++y)
        for (int x = 50; x < 56; ++x) EXPECT_EQ(at(x, y), (ScreenRgb{10, 200, 30})) << x << ", " << y;
    EXPECT_EQ(at(49, 60), (ScreenRgb{0, 0, 0}));
    EXPECT_EQ(at(56, 63), (ScreenRgb{0, 0, 0}));
    effect_free(e);
}

TEST_F(Glow, AnAuraRingsTheSpriteAtItsRadius) {
    GlowEffect *e = effect_create_glow(sprite);
    colour_fade_set(effect_glow_colour(e), 250, 40, 40);
    effect_glow_set_radius_now(e, 5);
    draw_alone(e, 50, 60);   // the sprite sits at 55, 65
    EXPECT_GT(at(55 - 3, 65 + 1).r, 0) << "three pixels left of the sprite";
    EXPECT_EQ(at(55 - 7, 65 + 1), (ScreenRgb{0, 0, 0})) << "beyond the radius";
    effect_free(e);
}

TEST_F(Glow, FinishingSoonEndsItSixHundredMillisecondsLaterAndTheDelayIsAtLeastOne) {
    GlowEffect *e = effect_create_glow(sprite);
    effect_glow_set_delay(e, 0);
    EXPECT_EQ(e->start_delay, 1);
    effect_update(e, 20);
    effect_glow_finish_soon(e);
    run(e, 20, 29);
    EXPECT_FALSE(effect_is_finished(e));
    effect_update(e, 20);
    EXPECT_TRUE(effect_is_finished(e));
    effect_free(e);
    EXPECT_EQ(sprite->refcount, 1);
}

class Plume : public EffectTest {};

TEST_F(Plume, AnObjectWithoutRatioStillHasOneMote) {
    FakeObject site;
    site.view.plume_ratio = 0.0f;
    PlumeEffect *p = effect_create_plume(as_object(&site));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->count, 1);
    EXPECT_EQ(site.refs, 2);
    effect_free(p);
    EXPECT_EQ(site.refs, 1);
    site.view.plume_ratio = 10.0f;
    PlumeEffect *q = effect_create_plume(as_object(&site));
    EXPECT_EQ(q->count, 16);
    effect_free(q);
}

TEST_F(Plume, MotesStreamTowardsTheTargetAndDrainAfterTheObjectIsDestroyed) {
    FakeObject site;
    site.view.plume_ratio = 10.0f;
    site.view.x = 300;
    site.view.y = 100;
    site.view.attach_x = 20;
    site.view.attach_y = -40;
    PlumeEffect *p = effect_create_plume(as_object(&site));
    p->x = 100;
    p->y = 150;
    effect_plume_prewarm(p);
    int alive = 0;
    for (int i = 0; i < p->count; ++i) alive += !(p->motes[i].flags & PARTICLE_DEAD);
    EXPECT_GT(alive, 0) << "prewarmed: streaming at once";
    for (int i = 0; i < p->count; ++i) {
        const Particle &m = p->motes[i];
        if (m.flags & PARTICLE_DEAD) continue;
        EXPECT_GT(m.x, -5.0f) << "motes leave the anchor towards the target on the right";
    }
    draw_alone(p, 100, 150);
    site.view.dead = true;
    int t = 0;
    while (!effect_is_finished(p) && t < 10000) {
        effect_update(p, 20);
        t += 20;
    }
    EXPECT_TRUE(effect_is_finished(p));
    EXPECT_LE(t, 2040 + 20) << "every mote's life is cut to at most 2040 ms";
    effect_free(p);
}

class AlertMarker : public EffectTest {};

TEST_F(AlertMarker, ClosesInTenTimesHoldsAndEndsWithoutASprite) {
    AlertMarkerEffect *m = effect_create_alert_marker(40, 20);
    EXPECT_EQ(m->outer_w, 100);
    EXPECT_EQ(m->outer_h, 50);
    int t = 0, box_flashes = 0;
    bool boxed = false;
    while (!effect_is_finished(m) && t < 20000) {
        effect_update(m, 20);
        t += 20;
        const bool now = m->flags & MARKER_BOX;
        if (now && !boxed) ++box_flashes;
        boxed = now;
        if (t % 200 == 0) draw_alone(m, 160, 120);
    }
    EXPECT_TRUE(effect_is_finished(m));
    EXPECT_EQ(box_flashes, 10);
    EXPECT_GE(t, 10 * 300 + 2400);
    EXPECT_LE(t, 10 * 320 + 2400 + 40);
    effect_free(m);
}

TEST_F(AlertMarker, WithASpriteItShowsItThenFadesItOut) {
    Sprite *icon = sprite_from_canvas(solid_canvas(10, 10, {0.2f, 0.9f, 0.2f, 1}));
    sprite_addref(icon);
    AlertMarkerEffect *m = effect_create_alert_marker(40, 30);
    effect_alert_marker_set_sprite(m, icon);
    EXPECT_EQ(icon->refcount, 2);
    bool shown = false, faded = false;
    int t = 0;
    while (!effect_is_finished(m) && t < 20000) {
        effect_update(m, 20);
        t += 20;
        shown = shown || (m->flags & MARKER_SPRITE);
        faded = faded || (m->flags & MARKER_SPRITE_FADE);
    }
    EXPECT_TRUE(shown);
    EXPECT_TRUE(faded);
    EXPECT_EQ(m->stage, MARKER_CLOSE_INS + 2);
    EXPECT_GE(t, 10 * 300 + 2400 + 200);
    effect_free(m);
    EXPECT_EQ(icon->refcount, 1);
    sprite_release(icon);
}

}  // namespace
