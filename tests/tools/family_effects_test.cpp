// The effects family (its frame sets are read back by the effect tests over the store): pictures
// that are light on black with transparent surroundings.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "assetgen/family_effects.h"

namespace {

TEST(EffectsFamily, PaintingIsRepeatable) {
    EXPECT_TRUE(effects_paint_beam(2, 4, 99).px == effects_paint_beam(2, 4, 99).px);
    EXPECT_TRUE(effects_paint_portal(1, 100).px == effects_paint_portal(1, 100).px);
    EXPECT_FALSE(effects_paint_portal(1, 100).px == effects_paint_portal(1, 101).px) << "the vortex turns";
}

TEST(EffectsFamily, GlowsAreLightOnBlackFadingToHolesAtTheirEdges) {
    const Canvas pictures[] = {effects_paint_beam(0, 0, 1), effects_paint_beam(3, 5, 1), effects_paint_spark(2, 1),
                               effects_paint_halo(0), effects_paint_halo(6), effects_paint_portal(0, 70)};
    for (const Canvas &c : pictures) {
        EXPECT_EQ(canvas_get(c, 0, 0).a, 0.0f) << c.width << " x " << c.height;
        EXPECT_EQ(canvas_get(c, c.width - 1, c.height - 1).a, 0.0f);
        const Colour centre = canvas_get(c, c.width / 2, c.height / 2);
        EXPECT_EQ(centre.a, 1.0f);
        EXPECT_GT(std::max({centre.r, centre.g, centre.b}), 0.5f);
    }
}

TEST(EffectsFamily, BeamsKeepTheirStyleColours) {
    // 0 red, 1 orange, 2 yellow, 3 violet: judged a little off the white-hot centre
    const Colour red = canvas_get(effects_paint_beam(0, 3, 1), 16 + 5, 16);
    const Colour orange = canvas_get(effects_paint_beam(1, 3, 1), 16 + 5, 16);
    const Colour yellow = canvas_get(effects_paint_beam(2, 3, 1), 16 + 5, 16);
    const Colour violet = canvas_get(effects_paint_beam(3, 3, 1), 16 + 5, 16);
    EXPECT_GT(red.r, 2 * red.g);
    EXPECT_GT(orange.g, red.g);
    EXPECT_GT(yellow.g, orange.g);
    EXPECT_GT(violet.b, violet.g);
    EXPECT_GT(violet.r, violet.g);
}

}  // namespace
