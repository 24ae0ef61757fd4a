// The silhouette command: every opaque pixel of a sprite in one colour, inside the clip.
#include "effects/effect_fixture.h"
#include "platform/draw_silhouette.h"

namespace {

class Silhouette : public EffectTest {
protected:
    void SetUp() override {
        EffectTest::SetUp();
        Canvas c = canvas_create(4, 3, {0, 0, 0, 0});
        // an L: the left column and the bottom row, in several colours
        for (int y = 0; y < 3; ++y) canvas_set(&c, 0, y, {0.2f, 0.4f, 0.9f, 1});
        for (int x = 0; x < 4; ++x) canvas_set(&c, x, 2, {0.9f, 0.1f, 0.1f, 1});
        sprite = sprite_from_canvas(c);
        ASSERT_NE(sprite, nullptr);
        sprite_addref(sprite);
    }
    void TearDown() override {
        sprite_release(sprite);
        EffectTest::TearDown();
    }
    Sprite *sprite = nullptr;
};

TEST_F(Silhouette, PaintsExactlyTheOpaquePixelsInItsColour) {
    clear(ScreenRgb{5, 5, 5});
    ASSERT_EQ(gfx_queue_sprite_silhouette(g, sprite, 20, 30, 250, 240, 10), RES_OK);
    EXPECT_EQ(sprite->refcount, 2);
    replay();
    EXPECT_EQ(sprite->refcount, 1) << "the command drops its reference";
    const ScreenRgb ink{250, 240, 10}, bg{5, 5, 5};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            const bool opaque = x == 0 || y == 2;
            EXPECT_EQ(at(20 + x, 30 + y), opaque ? ink : bg) << x << ", " << y;
        }
}

TEST_F(Silhouette, StaysInsideTheClipAndTheScreen) {
    int32_t clip[4] = {21, 0, 319, 239};
    ASSERT_EQ(gfx_queue_command(g, gfx_push_clip, clip, sizeof clip), RES_OK);
    ASSERT_EQ(gfx_queue_sprite_silhouette(g, sprite, 20, 30, 255, 255, 255), RES_OK);
    ASSERT_EQ(gfx_queue_command(g, gfx_pop_clip, nullptr, 0), RES_OK);
    ASSERT_EQ(gfx_queue_sprite_silhouette(g, sprite, 318, 238, 255, 0, 0), RES_OK);   // mostly off the screen
    ASSERT_EQ(gfx_queue_sprite_silhouette(g, sprite, -3, -2, 0, 255, 0), RES_OK);
    replay();
    EXPECT_EQ(at(20, 32), (ScreenRgb{0, 0, 0})) << "left of the clip";
    EXPECT_EQ(at(21, 32), (ScreenRgb{255, 255, 255}));
    EXPECT_EQ(at(318, 238), (ScreenRgb{255, 0, 0}));
    EXPECT_EQ(at(0, 0), (ScreenRgb{0, 255, 0})) << "the bottom row of a sprite hanging off the top-left";
    EXPECT_EQ(gfx_queue_sprite_silhouette(g, nullptr, 0, 0, 1, 1, 1), RES_OK);
}

}  // namespace
