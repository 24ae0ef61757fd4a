// Sprites read from the data store: single pictures, numbered sets and their sizes.
#include "platform/draw_fixture.h"
#include "platform/scratch_store.h"

namespace {

class SpriteStore : public ::testing::Test {
protected:
    void SetUp() override {
        const std::vector<uint8_t> grey = png_encode(2, 2, std::vector<uint8_t>(4, 9), 1, PNG_COLOR_TYPE_GRAY);
        store.add("anim/000.png", png_from_art({"#..", "###"}));
        store.add("anim/002.png", png_from_art({"#"}));   // after a gap: never reached
        store.add("frames/000.png", png_from_art({"##", "#."}));
        store.add("frames/001.png", png_from_art({"###", "###", "..#"}));
        store.add("frames/002.png", png_from_art({"#"}));
        store.add("grey.png", grey);
        store.add("frames_bad/000.png", png_from_art({"##"}));
        store.add("frames_bad/001.png", grey);
        ASSERT_TRUE(store.open());
    }
    ScratchStore store;
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

TEST_F(SpriteStore, NumberedSetStopsAtTheFirstGapOrRefusedPicture) {
    int count = -1;
    Sprite **set = sprite_load_numbered("anim", &count);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(set[0]->width, 3);
    EXPECT_EQ(set[0]->refcount, 1);
    sprite_array_release(set, count);
    set = sprite_load_numbered("frames_bad", &count);
    EXPECT_EQ(count, 1);
    sprite_array_release(set, count);
    EXPECT_EQ(sprite_load_numbered("none", &count), nullptr);
    EXPECT_EQ(count, 0);
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
