// A review sheet of the painted hulls over deep space, written to test-output for a human to look
// at; the checks are only that every hull paints something inside its frame.
#include <gtest/gtest.h>
#include "test_support.h"

#include <filesystem>
#include "assetgen/canvas.h"
#include "assetgen/family_ships.h"
#include "assetgen/output.h"

namespace {

Canvas space(int w, int h) {
    Canvas c = canvas_create(w, h, {0.015f, 0.02f, 0.045f, 1});
    canvas_radial_gradient(&c, {w * 0.3f, h * 0.4f}, float(w) * 0.6f, {0.06f, 0.05f, 0.12f, 0.6f}, {0, 0, 0, 0},
                           BLEND_ADD);
    GenRandom rng(7);
    for (int i = 0; i < w * h / 600; ++i) {
        const float b = rng.range(0.3f, 1.0f);
        canvas_circle(&c, rng.range(0, float(w)), rng.range(0, float(h)), rng.range(0.3f, 0.8f), {b, b, b * 1.05f, 1},
                      BLEND_ADD);
    }
    return c;
}

TEST(ShipSheet, EveryHullPaintsInsideItsFramesOverDeepSpace) {
    std::vector<ShipSource> sources;
    std::string error;
    ASSERT_EQ(ships_load_content(ships_content_folder(), &sources, &error), RES_OK) << error;
    const int row_h = 340, w = 1800;
    Canvas sheet = space(w, row_h * SHIP_FAMILY_HULLS);
    for (const ShipSource &s : sources) {
        const ShipLayout l = ships_layout(s);
        const int top = s.index * row_h;
        const Canvas design = ships_paint(s, 0, float(l.design_scale), l.side * l.design_scale,
                                          l.side * l.design_scale, l.side * l.design_scale / 2.0f,
                                          l.side * l.design_scale / 2.0f, 1);
        canvas_composite(&sheet, design, 0, top, BLEND_OVER);
        int x = 340;
        for (int f = 0; f < SHIP_FAMILY_ROTATIONS; f += 3) {
            const Canvas frame = ships_paint(s, 10.0f * f, 1, l.side, l.side, l.side / 2.0f, l.side / 2.0f, 1);
            bool any = false;
            for (size_t i = 3; i < frame.px.size(); i += 4) any = any || frame.px[i] > 0;
            EXPECT_TRUE(any) << s.name << " frame " << f;
            canvas_composite(&sheet, frame, x + (f / 3 % 6) * 170, top + (f / 18) * 170 + 5, BLEND_OVER);
        }
        const Canvas picture = ships_paint(s, 25, l.picture_scale, SHIP_FAMILY_PICTURE_W, SHIP_FAMILY_PICTURE_H,
                                           SHIP_FAMILY_PICTURE_W / 2.0f, SHIP_FAMILY_PICTURE_H / 2.0f, 1);
        canvas_composite(&sheet, picture, 1380, top + 10, BLEND_OVER);
        const Canvas icon = ships_paint(s, 45, l.icon_scale, SHIP_FAMILY_ICON_SIDE, SHIP_FAMILY_ICON_SIDE,
                                        SHIP_FAMILY_ICON_SIDE / 2.0f, SHIP_FAMILY_ICON_SIDE / 2.0f, 1);
        canvas_composite(&sheet, icon, 1640, top + 20, BLEND_OVER);
    }
    const std::string dir = ASTROVANE_BINARY_DIR "/test-output/ships";
    std::filesystem::create_directories(dir);
    ASSERT_EQ(output_png_rgb(dir, "sheet.png", sheet, false, 1), RES_OK);

}

}  // namespace
