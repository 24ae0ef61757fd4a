#include <gtest/gtest.h>

#include <vector>

#include "assetgen/ui_art.h"
#include "platform/anim.h"
#include "platform/sprite.h"
#include "ui/cursor.h"
#include "ui/image_control.h"
#include "ui/ui_draw.h"
#include "ui_test_support.h"

namespace {

using namespace ui_test;

// The image types and cursors the generator writes, read back through the game's own loaders.
class ImageTypes : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        image_control_free_all_types();
    }
    void TearDown() override {
        image_control_free_all_types();
        UiTest::TearDown();
    }
};

TEST_F(ImageTypes, EveryTypeLoadsWithItsFramesAndStillAnimations) {
    for (int type = 0; type < IMAGE_TYPE_COUNT; ++type) {
        ASSERT_EQ(image_control_load_type(type), RES_OK) << "type " << type;
        if (type == IMAGE_TYPE_GIVEN) continue;
        const std::vector<IconImage> art = ui_art_frames(type);
        ASSERT_EQ(image_type_frame_count(type), static_cast<int>(art.size())) << "type " << type;
        ASSERT_EQ(image_type_animation_count(type), static_cast<int>(art.size())) << "type " << type;
        for (int f = 0; f < image_type_frame_count(type); ++f) {
            const Sprite *s = image_type_frame(type, f);
            ASSERT_NE(s, nullptr);
            EXPECT_EQ(s->width, art[static_cast<size_t>(f)].w) << type << "/" << f;
            EXPECT_EQ(s->height, art[static_cast<size_t>(f)].h) << type << "/" << f;
        }
    }
    EXPECT_EQ(image_type_frame(IMAGE_TYPE_GIVEN, 0), nullptr);
    EXPECT_EQ(image_type_frame(3, 99), nullptr);
    EXPECT_EQ(image_type_frame(213, 0), nullptr);
    EXPECT_EQ(image_control_load_type(213), RES_OUT_OF_RANGE);
    EXPECT_EQ(control_classes_load_assets(CONTROL_IMAGE, IMAGE_TYPE_GIVEN), RES_OK) << "the given type needs no files";
}

TEST_F(ImageTypes, ASecondLoadCountsAndTheLastFreeEmpties) {
    ASSERT_EQ(image_control_load_type(13), RES_OK);
    ASSERT_EQ(image_control_load_type(13), RES_OK);
    image_control_free_type(13);
    EXPECT_EQ(image_type_frame_count(13), 2);
    image_control_free_type(13);
    EXPECT_EQ(image_type_frame_count(13), 0);
    image_control_free_type(13);   // below zero: nothing
    EXPECT_EQ(image_type_frame_count(13), 0);
}

TEST_F(ImageTypes, ButtonSizesFollowThePictureCaptionAndBorder) {
    ASSERT_EQ(image_control_load_type(3), RES_OK);
    Control *plain = image_button_create_plain(3, nullptr, 0, nullptr);
    EXPECT_EQ(plain->w, 24);
    EXPECT_EQ(plain->h, 24);
    // A caption beside the picture widens the button by more than the text; one under it makes
    // it taller by more than a line and no narrower than either.
    Control *captioned = image_button_create(3, 6, "Move", nullptr, 0, nullptr);
    EXPECT_GT(captioned->w, plain->w + ui_text_width(6, "Move"));
    EXPECT_GT(captioned->h, std::max(plain->h, ui_line_height(6)));
    Control *below = image_dialog_button_create(3, "Move", nullptr, 0, nullptr);
    EXPECT_GT(below->h, plain->h + ui_line_height(2));
    EXPECT_EQ(below->w, std::max(plain->w, ui_text_width(2, "Move")));
    control_destroy(plain);
    control_destroy(captioned);
    control_destroy(below);
}

TEST_F(ImageTypes, FramesAndAnimationsSelectTheirPicture) {
    ASSERT_EQ(image_control_load_type(64), RES_OK);   // four arc sides
    Control *side = image_control_create_frame(64, 2);
    EXPECT_EQ(image_of(side)->sprite, image_type_frame(64, 2));
    Control *still = image_control_create_still(64);
    EXPECT_TRUE(image_of(still)->options & IMG_ANIMATED);
    EXPECT_EQ(image_of(still)->frame, 0);
    image_control_set_frame(still, 3);   // animation 3 shows frame 3
    EXPECT_EQ(image_of(still)->sprite, image_type_frame(64, 3));
    image_control_set_frame(still, 9);   // no such animation: no change
    EXPECT_EQ(image_of(still)->frame, 3);
    control_update(still, 5000);
    EXPECT_EQ(image_of(still)->frame, 3);
    control_destroy(side);
    control_destroy(still);
}

TEST_F(ImageTypes, SpriteListsAnimateEveryHundredMs) {
    ASSERT_EQ(image_control_load_type(74), RES_OK);   // the clock
    std::vector<Sprite *> frames;
    for (int f = 0; f < image_type_frame_count(74); ++f) frames.push_back(image_type_frame(74, f));
    Control *clock = image_control_create_sprites(frames.data(), static_cast<int>(frames.size()));
    EXPECT_EQ(image_of(clock)->frame, 0);
    control_update(clock, 100);
    EXPECT_EQ(image_of(clock)->frame, 1);
    control_update(clock, 100 * static_cast<int>(frames.size() - 1));
    EXPECT_EQ(image_of(clock)->frame, 0);
    EXPECT_EQ(clock->w, frames[0]->width);
    control_destroy(clock);
}

TEST_F(ImageTypes, ControlsHoldAReferenceOnTheirFrames) {
    ASSERT_EQ(image_control_load_type(13), RES_OK);
    Sprite *s = image_type_frame(13, 0);
    const int before = s->refcount;
    Control *c = image_control_create(13);
    EXPECT_EQ(s->refcount, before + 1);
    control_destroy(c);
    EXPECT_EQ(s->refcount, before);
}

TEST_F(ImageTypes, RevealScalesTheSize) {
    ASSERT_EQ(image_control_load_type(186), RES_OK);
    Control *planet = image_control_create(186);
    image_control_set_reveal(planet, 50);
    EXPECT_EQ(planet->w, 32);
    image_control_animate_reveal(planet, 0, 100, 100);
    EXPECT_EQ(planet->w, 0);
    control_update(planet, 100);
    EXPECT_EQ(planet->w, 64);
    control_destroy(planet);
}

class Cursors : public UiTest {};

TEST_F(Cursors, LoadWithFramesAndHotSpot) {
    Cursor *arrow = cursor_load(0);
    ASSERT_NE(arrow, nullptr);
    const UiCursorArt art = ui_art_cursor(0);
    EXPECT_EQ(arrow->frame_count, static_cast<int>(art.frames.size()));
    EXPECT_EQ(arrow->hot_x, art.hot_x);
    EXPECT_EQ(arrow->hot_y, art.hot_y);
    cursor_free(arrow);
    Cursor *down = cursor_load(9);
    ASSERT_NE(down, nullptr);
    EXPECT_EQ(down->hot_y, ui_art_cursor(9).hot_y);
    cursor_free(down);
    EXPECT_EQ(cursor_load(11), nullptr);
}

TEST_F(Cursors, TheGameSelectsLoadsAndAnimatesTheCurrentOne) {
    game_select_cursor(game(), 2);
    ASSERT_NE(game()->cursors[2], nullptr);
    EXPECT_EQ(game()->cursor_index, 2);
    game_select_cursor(game(), 11);
    EXPECT_EQ(game()->cursor_index, 2);
    game()->flags &= ~GAME_FLAG_NO_CURSOR;
    frame(100);
    EXPECT_EQ(game()->cursors[2]->index, 1);
    game()->flags |= GAME_FLAG_NO_CURSOR;
    frame(100);
    EXPECT_EQ(game()->cursors[2]->index, 1);
    game_free_cursors(game());
    EXPECT_EQ(game()->cursors[2], nullptr);
}

}  // namespace
