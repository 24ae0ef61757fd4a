// The store the build generates: everything the families write is in it, readable through the
// game's own reader, and the backgrounds are what the game's loader accepts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>
#include "assetgen/family.h"
#include "platform/buffer.h"
#include "platform/store.h"
#include "png_decode.h"
#include "support/fixture_store.h"

namespace {

class GeneratedStore : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(open_generated_store());
    }
    void TearDown() override { store_shutdown(); }

    static std::vector<std::string> all_paths() {
        std::vector<std::string> paths;
        size_t count = 0;
        const AssetFamily *families = assetgen_families(&count);
        for (size_t i = 0; i < count; ++i) families[i].list_paths(&paths);
        return paths;
    }
};

TEST_F(GeneratedStore, HoldsExactlyWhatTheFamiliesWrite) {
    const std::vector<std::string> paths = all_paths();
    EXPECT_EQ(store_get()->entries.size(), paths.size());
    for (const std::string &path : paths) {
        const int64_t size = store_entry_size(store_get(), path.c_str());
        EXPECT_GT(size, 0) << path;
    }
}

// Every background is an 8-bit RGB picture of the screen size, dark, and without the transparent colour.
TEST_F(GeneratedStore, EveryBackgroundIsADarkOpaqueRgbPictureOfTheScreenSize) {
    for (int slot = 0; slot < 52; ++slot) {
        char path[32];
        std::snprintf(path, sizeof path, slot % 2 ? "bg\\%.3i.png" : "bg/%.3i.png", slot);   // either separator
        Buffer *file = nullptr;
        ASSERT_EQ(store_read_file(path, 1, &file), RES_OK) << path;
        const DecodedPng png = png_decode(file->data, size_t(file->length));
        buffer_free(file);
        ASSERT_TRUE(png.ok) << path;
        EXPECT_EQ(png.width, 1024u) << path;
        EXPECT_EQ(png.height, 768u) << path;
        EXPECT_EQ(png.bit_depth, 8) << path;
        EXPECT_EQ(png.colour_type, PNG_COLOR_TYPE_RGB) << path;
        EXPECT_EQ(png.interlace, PNG_INTERLACE_NONE) << path;
        ASSERT_EQ(png.pixels.size(), size_t(1024) * 768 * 3);
        std::vector<int> luma;
        luma.reserve(1024 * 768);
        size_t keyed = 0;
        for (size_t i = 0; i < png.pixels.size(); i += 3) {
            const uint8_t r = png.pixels[i], g = png.pixels[i + 1], b = png.pixels[i + 2];
            if (r == 234 && g == 0 && b == 138) ++keyed;
            luma.push_back((299 * r + 587 * g + 114 * b) / 1000);
        }
        EXPECT_EQ(keyed, 0u) << path;
        // Text and sprites must read over every picture: a dark whole, and only small bright spots.
        double sum = 0;
        for (int v : luma) sum += v;
        std::nth_element(luma.begin(), luma.begin() + std::ptrdiff_t(luma.size() * 98 / 100), luma.end());
        const int p98 = luma[luma.size() * 98 / 100];
        EXPECT_LT(sum / double(luma.size()), 40.0) << path;
        EXPECT_LT(p98, 120) << path;
        EXPECT_GT(sum / double(luma.size()), 2.0) << path << " is black, not a picture";
    }
}

}  // namespace
