// The surface grids of the five body kinds: made from the body's seed alone, shaped like their
// worlds, and drawn side by side into the test output for review.
#include "world/sector_test_util.h"

#include <cmath>
#include <numeric>
#include "assetgen/canvas.h"
#include "assetgen/output.h"
#include "test_support.h"

namespace sector_test {
namespace {

// The body template of each generator type: gas, terran, ice, barren, asteroids.
constexpr int32_t BODY_OF_TYPE[6] = {-1, 9, 12, 10, 11, 6};

class SiteGrids : public SectorFixture {
protected:
    std::vector<uint8_t> grid_of(int32_t type, uint32_t seed_value) {
        Site *body = site_create(BODY_OF_TYPE[type]);
        EXPECT_NE(body, nullptr);
        EXPECT_EQ(body->params.grid_generator, type);
        body->grid_seed = seed_value;
        std::vector<uint8_t> cells;
        EXPECT_EQ(feature_grid_generate(body, &cells), RES_OK);
        EXPECT_EQ(cells.size(), size_t(body->params.grid_width) * size_t(body->params.grid_height));
        w = body->params.grid_width;
        h = body->params.grid_height;
        for (int i = 0; i < 6; ++i) colours[i] = body->params.grid_colours[i];
        object_destroy(body);
        return cells;
    }
    double share_at_least(const std::vector<uint8_t> &cells, int threshold) {
        return double(std::count_if(cells.begin(), cells.end(), [&](uint8_t v) { return v >= threshold; })) /
               double(cells.size());
    }
    // Mean absolute step between neighbours along rows and along columns.
    double row_roughness(const std::vector<uint8_t> &c) {
        double sum = 0;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x + 1 < w; ++x) sum += std::abs(c[size_t(y * w + x)] - c[size_t(y * w + x + 1)]);
        return sum / double(h * (w - 1));
    }
    double column_roughness(const std::vector<uint8_t> &c) {
        double sum = 0;
        for (int32_t y = 0; y + 1 < h; ++y)
            for (int32_t x = 0; x < w; ++x) sum += std::abs(c[size_t(y * w + x)] - c[size_t((y + 1) * w + x)]);
        return sum / double((h - 1) * w);
    }
    int32_t w = 0, h = 0;
    uint8_t colours[6] = {};
};

TEST_F(SiteGrids, TheSameSeedMakesTheSameFaceAndAnotherSeedAnother) {
    for (int32_t type = 1; type <= 5; ++type) {
        SCOPED_TRACE(type);
        const std::vector<uint8_t> a = grid_of(type, 1234), b = grid_of(type, 1234), c = grid_of(type, 1235);
        EXPECT_EQ(a, b);
        EXPECT_NE(a, c);
        const auto [lo, hi] = std::minmax_element(a.begin(), a.end());
        EXPECT_GT(*hi - *lo, 60) << "a face, not a flat colour";
    }
}

TEST_F(SiteGrids, EachKindLooksLikeItsWorld) {
    for (uint32_t s : {1u, 77u, 4096u}) {
        SCOPED_TRACE(s);
        const std::vector<uint8_t> gas = grid_of(1, s);
        EXPECT_LT(row_roughness(gas) * 2, column_roughness(gas)) << "bands run along the rows";
        const std::vector<uint8_t> terran = grid_of(2, s);
        EXPECT_GT(share_at_least(terran, 146), 0.15) << "land";
        EXPECT_LT(share_at_least(terran, 146), 0.85) << "and sea";
        EXPECT_LT(share_at_least(terran, 100) - share_at_least(terran, 190), 0.25) << "with coasts, not mud";
        const std::vector<uint8_t> ice = grid_of(3, s);
        EXPECT_GT(share_at_least(ice, 160), 0.4) << "mostly bright sheets";
        EXPECT_GT(1.0 - share_at_least(ice, 120), 0.02) << "crossed by dark crevasses";
        const std::vector<uint8_t> rubble = grid_of(5, s);
        EXPECT_LT(row_roughness(rubble), 40.0) << "blurred twice";
    }
}

TEST_F(SiteGrids, AnEmptyGridOrAnUnknownGeneratorIsRefused) {
    Site *body = site_create(9);
    ASSERT_NE(body, nullptr);
    std::vector<uint8_t> cells{1, 2, 3};
    body->params.grid_generator = 6;
    EXPECT_EQ(feature_grid_generate(body, &cells), RES_UNSUPPORTED);
    body->params.grid_generator = 0;
    EXPECT_EQ(feature_grid_generate(body, &cells), RES_UNSUPPORTED);
    body->params.grid_generator = 1;
    body->params.grid_width = 0;
    EXPECT_EQ(feature_grid_generate(body, &cells), RES_NO_PLACEMENT);
    EXPECT_EQ(cells, (std::vector<uint8_t>{1, 2, 3})) << "untouched on failure";
    object_destroy(body);
}

// Review sheet: the five kinds side by side, three seeds each, in the body's own two colours.
TEST_F(SiteGrids, ReviewSheetOfTheFiveKinds) {
    constexpr int SCALE = 3, GAP = 8;
    std::vector<std::vector<uint8_t>> grids;
    std::vector<std::array<uint8_t, 6>> palettes;
    for (uint32_t s : {11u, 22u, 33u})
        for (int32_t type = 1; type <= 5; ++type) {
            grids.push_back(grid_of(type, s));
            palettes.push_back({colours[0], colours[1], colours[2], colours[3], colours[4], colours[5]});
        }
    const int cell_w = w * SCALE + GAP, cell_h = h * SCALE + GAP;
    Canvas sheet = canvas_create(cell_w * 5 + GAP, cell_h * 3 + GAP, Colour{0.03f, 0.03f, 0.05f, 1});
    for (size_t i = 0; i < grids.size(); ++i) {
        const int ox = GAP + int(i % 5) * cell_w, oy = GAP + int(i / 5) * cell_h;
        const auto &p = palettes[i];
        for (int32_t y = 0; y < h * SCALE; ++y)
            for (int32_t x = 0; x < w * SCALE; ++x) {
                const float t = grids[i][size_t((y / SCALE) * w + x / SCALE)] / 255.0f;
                const Colour c{(p[0] + (p[3] - p[0]) * t) / 255.0f, (p[1] + (p[4] - p[1]) * t) / 255.0f,
                               (p[2] + (p[5] - p[2]) * t) / 255.0f, 1};
                canvas_set(&sheet, ox + x, oy + y, c);
            }
    }
    const std::string dir = fresh_test_dir("sites");
    EXPECT_EQ(output_png_rgb(dir, "surface_grids.png", sheet, false, 1), RES_OK);
}

}  // namespace
}  // namespace sector_test
