// The overlap of two hit masks on pictures wider than one machine word: the test compares whole
// words, so every answer here is checked against the pictures' own pixels, read one at a time.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>
#include "platform/draw_fixture.h"
#include "platform/random.h"
#include "platform/sprite.h"

namespace {

// The first pixel both pictures cover (a's rows from the top, then from the left), by pixels.
bool first_shared_pixel(const Sprite *a, const Sprite *b, int dx, int dy, int *x, int *y) {
    for (int ya = 0; ya < a->height; ++ya)
        for (int xa = 0; xa < a->width; ++xa)
            if (mask_test(a, xa, ya) && mask_test(b, xa - dx, ya - dy)) {
                *x = xa;
                *y = ya;
                return true;
            }
    return false;
}

// A picture of w x h whose pixels are opaque one time in `one_in`.
SpritePtr speckled(int w, int h, uint32_t one_in) {
    std::vector<std::string> rows(size_t(h), std::string(size_t(w), '.'));
    for (std::string &row : rows)
        for (char &c : row)
            if (random_u32() % one_in == 0) c = '#';
    return SpritePtr(sprite_from_art(rows));
}

// Sizes around the word edges (63, 64, 65, 128 and past), sparse pictures so that most offsets
// meet only near the far corner, and offsets from wholly beside to wholly inside.
TEST(MaskOverlapWords, AgreesWithThePixelsOnEveryOffsetOfPicturesAroundTheWordWidth) {
    constexpr uint32_t SEED = 20261207;
    std::printf("random seed %u\n", SEED);
    random_seed(SEED);
    const struct { int aw, ah, bw, bh; uint32_t one_in; } sizes[] = {
        {63, 3, 65, 2, 40}, {64, 2, 64, 3, 50}, {65, 4, 1, 1, 1}, {130, 3, 70, 2, 60},
        {1, 1, 129, 2, 1}, {200, 2, 9, 3, 12}, {70, 5, 130, 4, 90},
    };
    for (const auto &s : sizes) {
        SpritePtr a = speckled(s.aw, s.ah, s.one_in), b = speckled(s.bw, s.bh, s.one_in);
        ASSERT_TRUE(a && b);
        int hits = 0;
        for (int dy = -s.bh; dy <= s.ah; ++dy)
            for (int dx = -s.bw - 1; dx <= s.aw + 1; ++dx) {
                int ex = -1, ey = -1, x = -1, y = -1;
                const bool expected = first_shared_pixel(a.get(), b.get(), dx, dy, &ex, &ey);
                ASSERT_EQ(mask_overlap(a.get(), b.get(), dx, dy, &x, &y), expected ? 1 : 0)
                    << s.aw << "x" << s.ah << " against " << s.bw << "x" << s.bh << " at " << dx << "," << dy;
                if (!expected) continue;
                ++hits;
                ASSERT_EQ(std::pair(x, y), std::pair(ex, ey))
                    << s.aw << "x" << s.ah << " against " << s.bw << "x" << s.bh << " at " << dx << "," << dy;
            }
        EXPECT_GT(hits, 0) << s.aw << "x" << s.ah << ": the pictures never met, the table proves nothing";
    }
}

TEST(MaskOverlapWords, ACopyMeetsWhatTheOriginalMeets) {
    SpritePtr wide(sprite_from_art({std::string(64, '.') + "#", std::string(65, '.')}));
    SpritePtr dot(sprite_from_art({"#"}));
    ASSERT_TRUE(wide && dot);
    SpritePtr copy(sprite_copy(wide.get()));
    ASSERT_NE(copy, nullptr);
    int x = -1, y = -1;
    EXPECT_EQ(mask_overlap(copy.get(), dot.get(), 64, 0, &x, &y), 1);
    EXPECT_EQ(std::pair(x, y), std::pair(64, 0));
    EXPECT_EQ(mask_overlap(dot.get(), copy.get(), -64, 0, &x, &y), 1);
    EXPECT_EQ(std::pair(x, y), std::pair(0, 0));
    EXPECT_EQ(mask_overlap(copy.get(), dot.get(), 63, 0, nullptr, nullptr), 0);
}

}  // namespace
