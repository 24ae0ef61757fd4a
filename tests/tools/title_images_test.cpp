// The title image set of the generated store: what the title screen loads, sized for the About
// layout, and drawn with the on/off transparency the game's sprites have.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>
#include "assetgen/family_title.h"
#include "platform/buffer.h"
#include "platform/sprite.h"
#include "platform/store.h"
#include "png_decode.h"
#include "support/fixture_store.h"

namespace {

class TitleImages : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(open_generated_store()); }
    void TearDown() override { store_shutdown(); }

    static DecodedPng read(int n) {
        char path[32];
        std::snprintf(path, sizeof path, "title\\png\\%.3i.png", n);
        Buffer *file = nullptr;
        if (store_read_file(path, 1, &file) != RES_OK) return {};
        DecodedPng png = png_decode(file->data, size_t(file->length));
        buffer_free(file);
        return png;
    }
};

TEST_F(TitleImages, TheTitleLoadsTwoImagesThatFitTheAboutPage) {
    int count = 0;
    Sprite **sprites = sprite_load_numbered("title/png", &count);
    ASSERT_NE(sprites, nullptr);
    ASSERT_GE(count, 2) << "the logo page and the About page show images 0 and 1";
    const int w0 = sprites[0]->width, h0 = sprites[0]->height, w1 = sprites[1]->width, h1 = sprites[1]->height;
    sprite_array_release(sprites, count);
    // About: image 0 at y 28, image 1 twelve pixels under it, the credits at y 130 with 20 to spare.
    EXPECT_LE(28 + h0 + 12 + h1 + 20, 130) << h0 << " + " << h1;
    // Logo page: both centred in a panel 20 wider than the wider image; the word-mark leads.
    EXPECT_LE(w0 + 20, 1024);
    EXPECT_LT(w1, w0) << "the tagline sits under the word-mark";
    EXPECT_GE(w0, 300) << "the word-mark is the page's headline";
    EXPECT_GE(h1, 10);
}

TEST_F(TitleImages, EveryPixelIsOpaqueOrAHoleAndThePicturesAreShapesNotBoxes) {
    for (int n = 0; n < TITLE_IMAGE_COUNT; ++n) {
        const DecodedPng png = read(n);
        ASSERT_TRUE(png.ok) << n;
        ASSERT_EQ(png.colour_type, PNG_COLOR_TYPE_RGB_ALPHA) << n;
        size_t opaque = 0, holes = 0, bright = 0, dark = 0;
        for (size_t i = 0; i < png.pixels.size(); i += 4) {
            const uint8_t a = png.pixels[i + 3];
            ASSERT_TRUE(a == 0 || a == 255) << "image " << n << " has partial alpha " << int(a);
            if (a == 0) {
                ++holes;
                continue;
            }
            ++opaque;
            const int luma = (299 * png.pixels[i] + 587 * png.pixels[i + 1] + 114 * png.pixels[i + 2]) / 1000;
            bright += luma > 200;
            dark += luma < 30;
        }
        const size_t all = size_t(png.width) * png.height;
        EXPECT_GT(opaque, all / 5) << n;
        EXPECT_GT(holes, all / 5) << n << ": a box, not lettering";
        // the corners are holes: nothing frames the lettering
        for (size_t corner : {size_t(0), size_t(png.width - 1), all - png.width, all - 1})
            EXPECT_EQ(png.pixels[corner * 4 + 3], 0) << n;
        EXPECT_GT(bright, opaque / 20) << n << ": the lettering shines";
        EXPECT_GT(dark, opaque / 20) << n << ": a dark rim sets it off the backdrop";
    }
}

}  // namespace
