// Star layer: generation by size, parallax carry, wrap-round at each edge, scattering after long
// jumps, and painting into the working background.
#include <algorithm>

#include "effect_fixture.h"
#include "effects/starfield.h"

namespace {

class Stars : public EffectTest {
protected:
    void SetUp() override {
        EffectTest::SetUp();   // a 320 x 240 screen
        sf = starfield_create();
        ASSERT_NE(sf, nullptr);
    }
    void TearDown() override {
        starfield_free(sf);
        EffectTest::TearDown();
    }

    // One star alone in the layer, at x, y, of the given size and divisor.
    Star *only_star(int x, int y, int size, int parallax) {
        list_clear(sf->stars);
        Star *s = star_create_random();
        s->size = size;
        s->x = x;
        s->y = y;
        s->parallax = parallax;
        s->flags = 0;
        EXPECT_GE(list_append(sf->stars, s), 0);
        return s;
    }

    void scroll(int dx, int dy) {
        starfield_set_scroll(sf, dx, dy, 1);
        starfield_scroll(sf);
    }

    Starfield *sf = nullptr;
    static constexpr int W = 320, H = 240;
};

TEST_F(Stars, SixtyFourStarsOfThreeSizesOnTheScreen) {
    ASSERT_EQ(list_count(sf->stars), 64);
    for (Star *s : sf->stars->items) {
        ASSERT_TRUE(s->size >= 3 && s->size <= 5) << s->size;
        EXPECT_GE(s->x, 1 - s->size);
        EXPECT_LE(s->x, W - 1);
        EXPECT_GE(s->y, 1 - s->size);
        EXPECT_LE(s->y, H - 1);
        EXPECT_TRUE(s->flags & STAR_MOVED) << "a new star still has to be painted";
        // Bigger stars are brighter and nearer (a smaller divisor moves them more).
        const int lo = s->size == 3 ? 120 : s->size == 4 ? 150 : 180;
        EXPECT_GE(std::min({s->red, s->green, s->blue}), lo);
        EXPECT_LE(s->parallax, s->size == 5 ? 80 : 100);
    }
}

TEST_F(Stars, AScrollBelowTheDivisorOnlyAccumulatesUntilItReachesIt) {
    Star *s = only_star(100, 100, 3, 70);
    scroll(30, 0);
    scroll(30, 0);
    EXPECT_EQ(s->x, 100);
    EXPECT_EQ(s->carry_x, 60);
    EXPECT_FALSE(s->flags & STAR_MOVED);
    scroll(30, 0);
    EXPECT_EQ(s->x, 101);
    EXPECT_EQ(s->carry_x, 20);
    EXPECT_TRUE(s->flags & STAR_MOVED);
    EXPECT_EQ(sf->pending_dx, 0);
}

TEST_F(Stars, FasterStarsMoveMoreOften) {
    list_clear(sf->stars);
    Star *slow = star_create_random(), *fast = star_create_random();
    slow->x = fast->x = 100;
    slow->y = fast->y = 100;
    slow->parallax = 100;
    fast->parallax = 30;
    slow->carry_x = fast->carry_x = 0;
    (void)list_append(sf->stars, slow);
    (void)list_append(sf->stars, fast);
    for (int i = 0; i < 30; ++i) scroll(10, 0);
    EXPECT_EQ(slow->x, 103);
    EXPECT_EQ(fast->x, 110);
}

TEST_F(Stars, OnePixelPastAnEdgeReentersAtTheOpposite) {
    Star *s = only_star(W - 1, 50, 4, 1);
    scroll(1, 0);   // past the right edge
    EXPECT_EQ(s->x, 1 - 4);
    EXPECT_GE(s->y, 1 - 4);
    EXPECT_LE(s->y, H - 1);

    s = only_star(60, H - 1, 3, 1);
    scroll(0, 1);   // past the bottom
    EXPECT_EQ(s->y, 1 - 3);
    EXPECT_GE(s->x, 1 - 3);
    EXPECT_LE(s->x, W - 1);

    s = only_star(1 - 5, 70, 5, 1);
    scroll(-1, 0);   // past the left edge
    EXPECT_EQ(s->x, W - 1);

    s = only_star(80, 1 - 3, 3, 1);
    scroll(0, -1);   // past the top
    EXPECT_EQ(s->y, H - 1);
}

TEST_F(Stars, AJumpOfHundredsOfPixelsScattersTheStar) {
    const uint64_t game_draws = random_state();
    for (int round = 0; round < 50; ++round) {
        Star *s = only_star(100, 100, 3, 1);
        scroll(600, 0);
        EXPECT_GE(s->x, 1 - 3);
        EXPECT_LE(s->x, W - 1);
        EXPECT_GE(s->y, 1 - 3);
        EXPECT_LE(s->y, H - 1);
        EXPECT_TRUE(s->flags & STAR_MOVED);
    }
    EXPECT_EQ(random_state(), game_draws) << "the stars scatter on show draws";
}

TEST_F(Stars, PaintingARectangleNoStarOverlapsQueuesNothing) {
    only_star(10, 10, 3, 50);
    starfield_draw(sf, g, 100, 100, 50, 50);
    EXPECT_EQ(gfx_queue_is_empty(g), 1);
    starfield_draw(sf, g, 0, 0, 11, 11);
    EXPECT_EQ(gfx_queue_is_empty(g), 0);
    gfx_queue_clear(g);
}

class StarPainting : public Stars {
protected:
    void SetUp() override {
        Stars::SetUp();
        background = gfx_create_surface32(W, H);
        gfx_get()->work_bg_surface = background;
    }
    void TearDown() override {
        gfx_get()->work_bg_surface = nullptr;
        SDL_FreeSurface(background);
        Stars::TearDown();
    }
    ScreenRgb bg_at(int x, int y) const {
        const uint8_t *p = static_cast<const uint8_t *>(background->pixels) + y * background->pitch + x * 4;
        return ScreenRgb{p[2], p[1], p[0]};
    }
    SDL_Surface *background = nullptr;
};

TEST_F(StarPainting, AMovedStarIsPaintedIntoTheBackgroundOnceThenLeftAlone) {
    Star *s = only_star(40, 30, 3, 1);
    s->flags = STAR_MOVED;
    starfield_draw_moved(sf, g);
    replay();
    EXPECT_EQ(bg_at(41, 31), (ScreenRgb{s->red, s->green, s->blue}));
    EXPECT_TRUE(s->flags & STAR_PAINTED);
    EXPECT_FALSE(s->flags & STAR_MOVED);
    starfield_draw_moved(sf, g);   // still: nothing to do
    EXPECT_EQ(gfx_queue_is_empty(g), 1);
    scroll(5, 0);
    starfield_draw_moved(sf, g);
    EXPECT_EQ(s->prev_x, 45);
    replay();
    EXPECT_EQ(bg_at(46, 31), (ScreenRgb{s->red, s->green, s->blue}));
}

TEST_F(StarPainting, StarsPartlyOffTheScreenAreClipped) {
    Star *s = only_star(-2, H - 1, 3, 1);
    starfield_draw(sf, g, 0, 0, W, H);
    replay();
    // Only the star's top-right corner pixel is on the screen: 30..50 % of its colour.
    EXPECT_GE(bg_at(0, H - 1).r, s->red * 30 / 100);
    EXPECT_LE(bg_at(0, H - 1).r, s->red * 50 / 100);
    EXPECT_EQ(bg_at(1, H - 1), (ScreenRgb{0, 0, 0}));
}

}  // namespace
