// Sprites read from the data store: single pictures, numbered sets and their sizes.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/draw_fixture.h"
#include "platform/store.h"
#include "platform/store_format.h"
#include "platform/store_write.h"

namespace {

class SpriteStore : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<StoreWriteEntry> entries;
        auto add = [&](const char *path, const std::vector<uint8_t> &body) {
            StoreWriteEntry e;
            e.key = store_asset_key(path);
            e.body = body;
            entries.push_back(e);
        };
        add("anim/000.png", png_from_art({"#..", "###"}));
        add("anim/002.png", png_from_art({"#"}));                 // after a gap: never reached
        add("frames/000.png", png_from_art({"##", "#."}));
        add("frames/001.png", png_from_art({"###", "###", "..#"}));
        add("frames/002.png", png_from_art({"#"}));
        add("grey.png", png_encode(2, 2, std::vector<uint8_t>(4, 9), 1, PNG_COLOR_TYPE_GRAY));
        add("frames_bad/000.png", png_from_art({"##"}));
        add("frames_bad/001.png", png_encode(2, 2, std::vector<uint8_t>(4, 9), 1, PNG_COLOR_TYPE_GRAY));
        // one archive per process: ctest runs the cases of this fixture side by side
        std::filesystem::create_directories(ASTROVANE_BINARY_DIR "/test-output");
        path = std::string(ASTROVANE_BINARY_DIR) + "/test-output/sprite_store_test_" + std::to_string(getpid()) + ".dat";
        std::string error;
        ASSERT_EQ(store_write(path.c_str(), STORE_BUILD_ID, entries, &error), RES_OK) << error;
        store_shutdown();
        store_set_path(path.c_str());
        ASSERT_EQ(store_open(), RES_OK);
    }
    void TearDown() override {
        store_shutdown();
        std::remove(path.c_str());
    }
    std::string path;
};

TEST_F(SpriteStore, LoadsAPictureByItsPathWithEitherSeparator) {
    Sprite *a = sprite_load_png("frames/001.png");
    Sprite *b = sprite_load_png("frames\\001.png");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a->width, 3);
    EXPECT_EQ(a->refcount, 0);
    EXPECT_EQ(b->mask, a->mask);
    sprite_free(a);
    sprite_free(b);
    EXPECT_EQ(sprite_load_png("frames/009.png"), nullptr);
    EXPECT_EQ(sprite_load_png("grey.png"), nullptr);
}

TEST_F(SpriteStore, CheckReportsSizeRefusalAndMissingEntries) {
    int w = 0, h = 0;
    EXPECT_EQ(sprite_check_png("frames/001.png", &w, &h), RES_OK);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 3);
    EXPECT_EQ(sprite_check_png("grey.png", &w, &h), RES_UNSUPPORTED);
    EXPECT_EQ(sprite_check_png("none.png", &w, &h), RES_NO_STORE_ENTRY);
}

TEST_F(SpriteStore, NumberedSetStopsAtTheFirstGap) {
    int count = -1;
    Sprite **set = sprite_load_numbered("anim", &count);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(set[0]->width, 3);
    EXPECT_EQ(set[0]->refcount, 1);
    sprite_array_release(set, count);
    EXPECT_EQ(sprite_load_numbered("none", &count), nullptr);
    EXPECT_EQ(count, 0);
}

TEST_F(SpriteStore, NumberedSetEndsAtARefusedPicture) {
    int count = -1;
    Sprite **set = sprite_load_numbered("frames_bad", &count);
    EXPECT_EQ(count, 1);
    sprite_array_release(set, count);
}

TEST_F(SpriteStore, MaskOnlySetsKeepSizeAndMaskAlone) {
    int count = 0;
    Sprite **set = sprite_load_numbered_masks("frames", &count);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(set[1]->width, 3);
    EXPECT_EQ(set[1]->height, 3);
    EXPECT_EQ(set[1]->surface, nullptr);
    EXPECT_TRUE(set[1]->pixels.empty());
    EXPECT_TRUE(set[1]->spans.empty());
    EXPECT_EQ(mask_test(set[1], 2, 2), 1);
    EXPECT_EQ(mask_test(set[1], 0, 2), 0);
    EXPECT_EQ(set[1]->refcount, 1);
    sprite_array_release(set, count);
}

TEST_F(SpriteStore, NumberedSizesWithoutDecoding) {
    int count = 0;
    std::vector<int> widths = {99}, heights;
    EXPECT_EQ(sprite_read_numbered_sizes("frames", &count, &widths, &heights), RES_OK);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(widths, (std::vector<int>{2, 3, 1}));
    EXPECT_EQ(heights, (std::vector<int>{2, 3, 1}));
}

}  // namespace
