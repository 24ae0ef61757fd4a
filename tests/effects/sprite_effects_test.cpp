// Portal (open, hold, close; the ship outline), halo, sprite sequence and sprite burst.
#include <cstdio>

#include "effect_fixture.h"
#include "effects/effect_sprite.h"
#include "platform/anim.h"
#include "platform/colour_fade.h"

namespace {

class Portal : public EffectTest {
protected:
    static void SetUpTestSuite() { (void)load_types(GENERATED_STORE_PATH); }
};

// The frame an animation entry shows, by entry index.
int entry_frame(const Animation *a, int i) { return a->pairs[size_t(i)].frame; }

TEST_F(Portal, TheFourAnimationsPlayTheirFixedStretchesSixtyMillisecondsAFrame) {
    const Animation *a0 = effect_portal_animation(0, 0);
    const Animation *a1 = effect_portal_animation(0, 1);
    const Animation *a2 = effect_portal_animation(0, 2);
    const Animation *a3 = effect_portal_animation(1, 3);
    ASSERT_TRUE(a0 && a1 && a2 && a3);
    // Each is a run of stretches: 0 62..123, 124..154, 92..123, 62..92, 155..185; 1 124..185 twice,
    // 62..92, 155..185; 2 124..185 twice, 0..61; 3 0..62 twice, 124..185. (entry, frame) at the seams:
    const struct {
        const Animation *anim;
        int count;
        std::vector<std::pair<int, int>> seams;
    } cases[] = {{a0, 187, {{0, 62}, {61, 123}, {62, 124}, {92, 154}, {93, 92}, {125, 62}, {155, 92}, {156, 155}, {186, 185}}},
                 {a1, 186, {{62, 124}, {124, 62}, {155, 155}}},
                 {a2, 186, {{124, 0}, {185, 61}}},
                 {a3, 188, {{62, 62}, {63, 0}, {126, 124}}}};
    for (const auto &c : cases) {
        ASSERT_EQ(anim_count(c.anim), c.count);
        for (const auto &[entry, frame] : c.seams) EXPECT_EQ(entry_frame(c.anim, entry), frame) << entry;
    }
    EXPECT_EQ(anim_sum_durations(a2), 186 * 60);
    EXPECT_EQ(effect_portal_animation(2, 0), nullptr);
    EXPECT_EQ(effect_portal_animation(0, 4), nullptr);
}

TEST_F(Portal, OpensAboutTwoMillisecondsAPercentHoldsItsTimeAndClosesInTwoHundred) {
    FakeMap map;
    PortalEffect *p = effect_create_portal(0);
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p->frame_count, 186);
    p->owner = as_map(&map);
    p->x = 100;
    p->y = 80;
    const int centre_x = p->x + p->width / 2, centre_y = p->y + p->height / 2;
    effect_portal_open(p, 0, 3100);
    effect_set_blocking(p);
    int opening = 0, holding = 0, closing = 0;
    for (int i = 0; i < 1000 && !effect_is_finished(p); ++i) {
        const int phase = p->phase;
        effect_update(p, 20);
        (phase == PORTAL_OPENING ? opening : phase == PORTAL_HOLDING ? holding : closing) += 20;
        EXPECT_NEAR(p->x + p->width / 2, centre_x, 1) << "the portal grows and shrinks about its centre";
        EXPECT_NEAR(p->y + p->height / 2, centre_y, 1);
        EXPECT_GE(p->percent, 0);
        EXPECT_LE(p->percent, 100);
    }
    ASSERT_TRUE(effect_is_finished(p));
    EXPECT_LE(opening, 200) << "98 percent at 2 ms each, quicker with the extra steps";
    EXPECT_GE(opening, 60) << "at most 4 percent every 2 ms";
    EXPECT_GE(holding, 3100);
    EXPECT_LE(holding, 3120);
    EXPECT_EQ(closing, 200);
    EXPECT_EQ(p->width, 2);
    EXPECT_EQ(p->height, 2);
    EXPECT_EQ(map.busy, 0) << "the finished portal's block is lifted";
    effect_free(p);
}

TEST_F(Portal, NothingShowsOrMovesDuringTheStartDelay) {
    PortalEffect *p = effect_create_portal(1);
    effect_portal_open(p, 100, 500);
    const int w = p->width;
    run(p, 20, 4);
    EXPECT_EQ(p->width, w);
    EXPECT_EQ(p->percent, 2);
    draw_alone(p, 10, 10);
    EXPECT_EQ(lit_pixels_near(50, 50, 40), 0);
    run(p, 20, 20);
    draw_alone(p, 10, 10);
    EXPECT_GT(lit_pixels_near(10 + p->width / 2, 10 + p->height / 2, 20), 0);
    effect_free(p);
}

TEST_F(Portal, TheOutlineEndsTheStepAfterItsShipDiesAndLetsGoOfIt) {
    FakeObject ship;
    ship.view.leaving = true;
    ship.view.w = ship.view.h = 40;
    PortalEffect *p = effect_create_portal(0);
    effect_portal_set_object(p, as_object(&ship));
    EXPECT_EQ(ship.refs, 2);
    EXPECT_EQ(p->mode, PORTAL_MODE_OUTLINE);
    run(p, 20, 5);
    EXPECT_FALSE(effect_is_finished(p));
    ship.view.dead = true;
    effect_update(p, 20);
    EXPECT_TRUE(effect_is_finished(p));
    effect_free(p);
    EXPECT_EQ(ship.refs, 1);
}

TEST_F(Portal, TheOutlineFollowsTheTurnFlagsAndTheStagePicksItsAnimation) {
    FakeObject ship;
    ship.view.leaving = true;
    ship.view.stage = 2;
    PortalEffect *p = effect_create_portal(0);
    effect_portal_set_object(p, as_object(&ship));
    effect_update(p, 20);
    EXPECT_EQ(p->anim, 1);
    ship.view.stage = 0;
    effect_update(p, 20);
    EXPECT_EQ(p->anim, 3);
    ship.view.left = true;
    effect_update(p, 20);
    EXPECT_TRUE(effect_is_finished(p));
    effect_free(p);

    PortalEffect *q = effect_create_portal(0);
    effect_portal_set_object(q, as_object(&ship));
    ship.view.leaving = ship.view.left = false;   // its turn is no longer done
    effect_update(q, 20);
    EXPECT_TRUE(effect_is_finished(q));
    effect_free(q);
}

TEST_F(Portal, TheScanPointWalksOnlyOverOpaquePixelsOfTheShip) {
    Canvas picture = canvas_create(12, 6, {0, 0, 0, 0});
    for (int x = 2; x < 10; ++x) canvas_set(&picture, x, 3, {1, 1, 1, 1});   // one row of hull
    Sprite *image = sprite_from_canvas(picture);
    ASSERT_NE(image, nullptr);
    sprite_addref(image);
    FakeObject ship;
    ship.view.leaving = true;
    ship.view.image = image;
    ship.view.x = 0;
    ship.view.y = 0;
    ship.view.w = 12;
    ship.view.h = 6;
    PortalEffect *p = effect_create_portal(0);
    effect_portal_set_object(p, as_object(&ship));
    int seen = 0;
    for (int i = 0; i < 400; ++i) {
        effect_update(p, 20);
        if (p->scan_x < 0) continue;
        ++seen;
        EXPECT_EQ(p->scan_y, 3);
        EXPECT_GE(p->scan_x, 2);
        EXPECT_LT(p->scan_x, 10);
    }
    EXPECT_GT(seen, 0) << "the scan point shows between its waits";
    effect_free(p);
    sprite_release(image);
}

class PortalStyles : public EffectTest {
protected:
    void TearDown() override {
        (void)load_types(GENERATED_STORE_PATH);
        EffectTest::TearDown();
    }
};

TEST_F(PortalStyles, AStyleShortOfItsFramesIsRefusedAndItsPortalsStillEnd) {
    std::vector<std::pair<std::string, Canvas>> files;
    for (int f = 0; f < 185; ++f) {
        char path[48];
        std::snprintf(path, sizeof path, "effect/portal/000/png/%.3i.png", f);
        files.emplace_back(path, solid_canvas(2, 2));
    }
    ASSERT_TRUE(open_store(pack_store(fresh_test_dir("effects"), files)));
    EXPECT_EQ(effect_load_type(EFFECT_PORTAL), RES_READ_FAILED);
    EXPECT_EQ(effect_portal_animation(0, 0), nullptr);
    PortalEffect *p = effect_create_portal(0);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->frames, nullptr);
    effect_portal_open(p, 0, 100);
    for (int i = 0; i < 100 && !effect_is_finished(p); ++i) {
        effect_update(p, 20);
        effect_draw(p, g, 10, 10);
    }
    EXPECT_TRUE(effect_is_finished(p));
    replay();
    effect_free(p);
}

class Halo : public EffectTest {
protected:
    static void SetUpTestSuite() { (void)load_types(GENERATED_STORE_PATH); }
};

TEST_F(Halo, EveryStyleHasAFirstFrameAndDrawsItBlendedAtItsAnchor) {
    for (int s = 0; s < HALO_STYLE_COUNT; ++s) {
        HaloEffect *h = effect_create_halo(s);
        ASSERT_NE(h, nullptr) << s;
        ASSERT_NE(effect_halo_first_frame(s), nullptr) << s;
        EXPECT_EQ(h->width, effect_halo_first_frame(s)->width);
        draw_alone(h, 20, 20);
        EXPECT_GT(lit_pixels_near(20 + h->width / 2, 20 + h->height / 2, 2), 0) << s;
        effect_free(h);
    }
    EXPECT_LT(effect_halo_first_frame(5)->width, effect_halo_first_frame(6)->width) << "5 small, 6 large";
    EXPECT_EQ(effect_create_halo(7), nullptr);
    EXPECT_EQ(effect_halo_first_frame(-1), nullptr);
}

class SpriteSequence : public EffectTest {};

TEST_F(SpriteSequence, ScalingOverNoTimeTakesTenMillisecondsAfterItsDelay) {
    Sprite *s = sprite_from_canvas(solid_canvas(20, 10));
    sprite_addref(s);
    Animation *anim = anim_create(1, 0);
    anim_add_frame(anim, 0, 600);
    SpriteSequenceEffect *e = effect_create_sprite_sequence(&s, 1, anim);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(s->refcount, 2);
    effect_sequence_scale_to(e, 5, 0, 40);
    EXPECT_EQ(e->scale_ms, 10);
    effect_update(e, 20);
    effect_update(e, 20);
    EXPECT_EQ(e->scale, 100) << "still in its delay";
    effect_update(e, 5);
    EXPECT_EQ(e->scale, 100 - 95 / 2);
    effect_update(e, 20);
    EXPECT_EQ(e->scale, 5);
    run(e, 20, 30);
    EXPECT_TRUE(effect_is_finished(e)) << "ends with its animation";
    effect_free(e);
    EXPECT_EQ(s->refcount, 1);
    sprite_release(s);
    EXPECT_EQ(effect_create_sprite_sequence(nullptr, 1, nullptr), nullptr);
}

class SpriteBurst : public EffectTest {};

TEST_F(SpriteBurst, APictureOfOnlyTransparentPixelsDissolvesAtOnceAndEndsTenDrawsLater) {
    Sprite *s = sprite_from_canvas(canvas_create(6, 6, {0, 0, 0, 0}));
    ASSERT_NE(s, nullptr);
    sprite_addref(s);
    SpriteBurstEffect *b = effect_create_sprite_burst(s, 3, 3, 45);
    ASSERT_NE(b, nullptr);
    effect_update(b, 20);
    EXPECT_TRUE(b->state & BURST_DISSOLVED);
    for (int i = 0; i < 9; ++i) {
        effect_draw(b, g, 10, 10);
        effect_update(b, 20);
        EXPECT_FALSE(effect_is_finished(b)) << "draw " << i + 1;
    }
    effect_draw(b, g, 10, 10);
    effect_update(b, 20);
    EXPECT_TRUE(effect_is_finished(b));
    replay();
    effect_free(b);
    sprite_release(s);
}

TEST_F(SpriteBurst, TheGlowShrinksAndFadesToNothingAndTheOriginalPictureIsUntouched) {
    Sprite *s = sprite_from_canvas(solid_canvas(16, 16, {0.5f, 0.5f, 0.5f, 1}));
    sprite_addref(s);
    const std::vector<uint8_t> before = s->pixels;
    SpriteBurstEffect *b = effect_create_sprite_burst(s, 8, 8, 90);
    int steps = 0;
    while (!(b->state & BURST_DISSOLVED) && steps < 1000) {
        effect_update(b, 20);
        effect_draw(b, g, 0, 0);   // a queued copy must not be changed under the command
        ++steps;
    }
    EXPECT_TRUE(b->state & BURST_DISSOLVED);
    EXPECT_GT(steps, 5);
    EXPECT_EQ(s->pixels, before);
    replay();
    effect_free(b);
    sprite_release(s);
}

}  // namespace
