// A review strip of the six shots in flight over the combat backdrop, drawn through the game's own
// map drawing and replayed into an off-screen screen: test-output/shots/strip.png. The checks only
// ask that every shot shows on its row; the picture is for a human to look at.
#include "shot_test_util.h"

#include <cstdio>
#include <cstdlib>
#include "assetgen/output.h"
#include "platform/draw.h"
#include "platform/graphics.h"
#include "platform/sprite.h"

namespace shiptest {
namespace {

constexpr int32_t STRIP_W = 1024, STRIP_H = 768;
constexpr int32_t ROW_H = 120, SNAPSHOT_FRAMES = 22;

class ShotStrip : public ShotMapTest {
protected:
    SDL_Surface *surface = nullptr;
    Graphics    *g = nullptr;
    std::vector<uint32_t> backdrop;

    void SetUp() override {
        surface = gfx_create_surface32(STRIP_W, STRIP_H);
        ASSERT_NE(surface, nullptr);
        gfx_screen_attach(surface);
        ASSERT_EQ(gfx_select_primitives(4), RES_OK);
        g = gfx_create();
        ASSERT_NE(g, nullptr);
        g->width = STRIP_W;   // what the map's draw clips its objects to
        g->height = STRIP_H;
        ShotMapTest::SetUp();
    }
    void TearDown() override {
        ShotMapTest::TearDown();
        gfx_screen_attach(nullptr);
        if (g) gfx_free(g);
        if (surface) SDL_FreeSurface(surface);
    }
    void replay() { ASSERT_EQ(gfx_replay_frame(g, surface), RES_OK); }
    uint32_t pixel(int x, int y) const {
        return *reinterpret_cast<const uint32_t *>(static_cast<const uint8_t *>(surface->pixels) + y * surface->pitch + x * 4);
    }
    // Pixels of a row band that differ from the backdrop.
    int changed(int top, int bottom) const {
        int n = 0;
        for (int y = std::max(top, 0); y < std::min(bottom, STRIP_H); ++y)
            for (int x = 0; x < STRIP_W; ++x) n += pixel(x, y) != backdrop[size_t(y) * STRIP_W + size_t(x)];
        return n;
    }
};

TEST_F(ShotStrip, EveryShotInFlightOverTheCombatBackdrop) {
    Sprite *sky = sprite_load_png("bg/004.png");
    ASSERT_NE(sky, nullptr);
    sprite_addref(sky);
    SpriteDrawPayload draw{};
    draw.sprite = sky;
    ASSERT_EQ(sprite_queue_draw(g, draw), RES_OK);
    replay();
    sprite_release(sky);
    for (int y = 0; y < STRIP_H; ++y)
        for (int x = 0; x < STRIP_W; ++x) backdrop.push_back(pixel(x, y));

    for (int32_t t = 0; t < SHOT_TEMPLATE_COUNT; ++t) {
        map_clear(map);
        const int32_t top = 30 + t * ROW_H;
        Shot *s = shot_at(t, 30, top + 50);
        ASSERT_NE(s, nullptr);
        object_add_ref(s);
        // Turned before it leaves, so a volley is seen spreading its rounds out along the way.
        object_set_heading(s, 90);
        object_set_heading(s, angle_of_vector(940, -60));
        object_move_towards(s, 970 - s->w, top + 10);
        for (int frame = 0; frame < 400 && (s->flags & OBJ_TRAVELLING); ++frame) {
            if (frame % SNAPSHOT_FRAMES == 0) {
                map_draw(map, g);
                replay();
            }
            run(1);
        }
        object_release(s);
        EXPECT_GT(changed(top - 20, top + ROW_H - 20), 40) << "template " << t << " shows on its row";
    }

    const std::string dir = ASTROVANE_BINARY_DIR "/test-output/shots";
    ASSERT_EQ(std::system(("mkdir -p '" + dir + "'").c_str()), 0);
    std::vector<uint8_t> rgb;
    for (int y = 0; y < STRIP_H; ++y)
        for (int x = 0; x < STRIP_W; ++x) {
            const uint8_t *p = static_cast<const uint8_t *>(surface->pixels) + y * surface->pitch + x * 4;
            rgb.insert(rgb.end(), {p[2], p[1], p[0]});
        }
    std::vector<uint8_t> png;
    ASSERT_EQ(png_encode(rgb.data(), STRIP_W, STRIP_H, 3, &png), RES_OK);
    FILE *f = std::fopen((dir + "/strip.png").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(std::fwrite(png.data(), 1, png.size(), f), png.size());
    std::fclose(f);
    std::printf("shot strip: %s/strip.png\n", dir.c_str());
}

}  // namespace
}  // namespace shiptest
