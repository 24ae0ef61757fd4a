// Fleets drawn as the galaxy map draws them, replayed into an off-screen surface: the badge with
// the owner's colour around the generated symbol, the composite picture of the ships, and a hidden
// fleet. A review picture goes to build/test-output/fleets.
#include "fleet_test_util.h"

#include "platform/draw_fixture.h"
#include "test_support.h"

using namespace fleettest;

namespace {

constexpr uint64_t RED = 77;

class FleetDrawing : public FleetWorld {
protected:
    void SetUp() override {
        FleetWorld::SetUp();
        surface = gfx_create_surface32(W, H);
        ASSERT_NE(surface, nullptr);
        gfx_screen_attach(surface);
        g = gfx_get();
        ASSERT_NE(g, nullptr);
        ASSERT_EQ(gfx_select_primitives(4), RES_OK);
        g->width = W;
        g->height = H;
        // The rotation frames a composite fleet shows belong to the encounter group.
        for (int32_t hull : {2, 3, 5}) factory_acquire_group(OBJECT_SHIP, hull, FACTORY_GROUP_ENCOUNTER);
        ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
    }
    void TearDown() override {
        (void)gfx_replay_frame(g, surface);   // runs what is left, which drops the sprite references
        gfx_destroy();
        gfx_screen_attach(nullptr);
        SDL_FreeSurface(surface);
        FleetWorld::TearDown();
    }
    Rgb at(int x, int y) const {
        const uint8_t *px = static_cast<const uint8_t *>(surface->pixels) + y * surface->pitch + x * 4;
        return {px[2], px[1], px[0]};
    }
    int32_t queued() const { return g->queue.length; }

    static constexpr int W = 320, H = 160;
    SDL_Surface *surface = nullptr;
    Graphics    *g = nullptr;
};

TEST_F(FleetDrawing, TheBadgeShowsTheOwnersColourAroundTheSymbol) {
    Fleet *f = fleet_at({ship(2, 5, RED, "A"), ship(3, 5, RED, "B")}, 500, 500, RED);
    fleet_set_colour(f, 220, 40, 40);
    fleet_show_count(f);
    const Sprite *badge = f->frames[f->frame];
    ASSERT_NE(badge, nullptr);
    object_draw(f, g, 20, 30);
    ASSERT_EQ(gfx_replay_frame(g, surface), RES_OK);
    EXPECT_EQ(at(20, 30), (Rgb{24, 24, 24})) << "the frame's corner";
    EXPECT_EQ(at(20 + badge->width + 1, 30 + badge->height + 1), (Rgb{24, 24, 24})) << "the opposite corner";
    // Inside: holes of the symbol show the owner's colour, its hull stays light.
    int32_t tinted = 0, light = 0;
    for (int32_t y = 0; y < badge->height; ++y)
        for (int32_t x = 0; x < badge->width; ++x) {
            const Rgb c = at(21 + x, 31 + y);
            if (!mask_test(badge, x, y) && c.r > 2 * c.g && c.r > 2 * c.b && c.r > 60) ++tinted;
            if (mask_test(badge, x, y) && c.r > 200 && c.g > 200 && c.b > 200) ++light;
        }
    EXPECT_GT(tinted, badge->width * badge->height / 3);
    EXPECT_GT(light, 8);
    surface_write_png(surface, fresh_test_dir("fleets") + "/badge.png");
}

TEST_F(FleetDrawing, ACompositeFleetDrawsItsShipsAndAHiddenOneNothing) {
    std::vector<Ship *> ships = {ship(2, 5, RED, "Arrow"), ship(3, 5, RED, "Bolt"), ship(5, 5, RED, "Crest")};
    Fleet *f = fleet_at(ships, 500, 500, RED);
    fleet_set_composite(f);
    ASSERT_LE(f->w, W);
    ASSERT_LE(f->h, H);
    object_draw(f, g, 0, 0);
    ASSERT_EQ(gfx_replay_frame(g, surface), RES_OK);
    // Every ship left some of its pixels where the composition put it.
    for (const FleetCompEntry &e : f->composition) {
        const GameObject *s = fleet_get_ship(f, e.ship);
        const Sprite *sprite = s->frames[e.frame];
        ASSERT_NE(sprite, nullptr);
        int32_t drawn = 0;
        for (int32_t y = 0; y < sprite->height; ++y)
            for (int32_t x = 0; x < sprite->width; ++x)
                if (mask_test(sprite, x, y) && !(at(e.x + x, e.y + y) == Rgb{0, 0, 0})) ++drawn;
        EXPECT_GT(drawn, 0) << s->name;
    }
    surface_write_png(surface, fresh_test_dir("fleets") + "/composite.png");

    fleet_set_hidden(f, true);
    EXPECT_TRUE(fleet_is_hidden(f));
    object_draw(f, g, 0, 0);
    EXPECT_EQ(queued(), 0) << "a hidden fleet queues nothing";
    fleet_set_hidden(f, false);
    object_draw(f, g, 0, 0);
    EXPECT_GT(queued(), 0);
}

}  // namespace
