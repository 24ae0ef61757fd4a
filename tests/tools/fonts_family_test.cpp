// The fonts family, read back by the game's own loaders: the files it writes and the fonts they make.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "assetgen/family_fonts.h"
#include "platform/draw.h"
#include "platform/draw_fixture.h"
#include "platform/font.h"
#include "platform/store.h"
#include "support/fixture_store.h"

namespace {

// The fonts of the store the build generates (and the tree it was packed from), read back through
// the game's own loaders.
class FontsFamily : public DrawSurface {
protected:
    void SetUp() override {
        DrawSurface::SetUp();
        ASSERT_EQ(font_select_glyph_blit(4), RES_OK);
        fonts_free_all();
        ASSERT_TRUE(open_generated_store());
    }
    void TearDown() override {
        fonts_free_all();
        store_shutdown();
        DrawSurface::TearDown();
    }
    static std::string read(const std::string &path) {
        std::ifstream in(root + "/" + path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static inline const std::string root = ASTROVANE_BINARY_DIR "/assets";
};

TEST_F(FontsFamily, NumberFilesHoldOneIntegerAndANewline) {
    for (int n = 0; n < 8; ++n) {
        char dir[32];
        std::snprintf(dir, sizeof dir, "font/%.3i/dat/", n);
        for (const char *name : {"space_w", "char_spacing", "left_kern_w_065", "right_kern_w_106"}) {
            std::string text = read(std::string(dir) + name);
            ASSERT_FALSE(text.empty()) << dir << name;
            EXPECT_EQ(text.back(), '\n') << dir << name;
            EXPECT_EQ(text.find('\n'), text.size() - 1) << dir << name;
            char *end = nullptr;
            std::strtol(text.c_str(), &end, 10);
            EXPECT_EQ(*end, '\n') << dir << name;
        }
    }
}

// Every font loads with its line height on every glyph; every glyph but the space carries ink.
TEST_F(FontsFamily, EveryFontLoadsWithItsLineHeightAndInkOnEveryGlyphButTheSpace) {
    const int heights[8] = {14, 13, 11, 24, 9, 15, 12, 16};
    for (int n = 0; n < 8; ++n) {
        const Font *f = font_get(n);
        ASSERT_NE(f, nullptr) << n;
        EXPECT_EQ(font_line_height(n), heights[n]) << n;
        for (int c : fonts_codes()) {
            ASSERT_NE(f->glyph_masks[c], nullptr) << n << " " << c;
            EXPECT_EQ(f->glyph_heights[c], heights[n]) << n << " " << c;
            int ink = 0;
            for (int i = 0; i < f->glyph_widths[c] * f->glyph_heights[c]; ++i) ink += f->glyph_masks[c][i] != 0;
            if (c == ' ') EXPECT_EQ(ink, 0) << n;
            else EXPECT_GT(ink, 0) << n << " " << c;
        }
        EXPECT_EQ(f->glyph_masks[127], nullptr);
        EXPECT_EQ(f->glyph_masks[31], nullptr);
        EXPECT_GE(f->char_spacing, 0);
        EXPECT_GT(font_space_advance(n), 0);
    }
}

TEST_F(FontsFamily, LettersStandOnOneBaselineAndDescendersGoBelowIt) {
    for (int n = 0; n < 8; ++n) {
        const Font *f = font_get(n);
        ASSERT_NE(f, nullptr);
        auto lowest_row = [&](int c) {
            for (int y = f->glyph_heights[c] - 1; y >= 0; --y)
                for (int x = 0; x < f->glyph_widths[c]; ++x)
                    if (f->glyph_masks[c][y * f->glyph_widths[c] + x] > 128) return y;
            return -1;
        };
        EXPECT_EQ(lowest_row('a'), lowest_row('H')) << n;
        EXPECT_EQ(lowest_row('x'), lowest_row('0')) << n;
        EXPECT_GT(lowest_row('g'), lowest_row('a')) << n;
        EXPECT_GT(lowest_row('p'), lowest_row('a')) << n;
    }
}

TEST_F(FontsFamily, TextIsAsWideAsItDrawsAndWiderFontsAreWider) {
    const char *text = "Sector 12: Zoe's fleet, 1,250 points";
    for (int n = 0; n < 8; ++n) {
        fill(Rgb{0, 0, 0});
        ASSERT_EQ(font_draw_text(g, n, 4, 4, gfx_map_rgb(255, 255, 255), "Iris"), RES_OK);
        run();
        int first = -1, last = -1;
        for (int x = 0; x < surface->w; ++x)
            for (int y = 0; y < surface->h; ++y)
                if (!(at(x, y) == Rgb{0, 0, 0})) {
                    if (first < 0) first = x;
                    last = x;
                    break;
                }
        // the ink of the first and last glyph lies within the measured box
        EXPECT_GE(first, 4) << n;
        EXPECT_LE(last, 4 + font_text_width(n, "Iris") - 1) << n;
        EXPECT_GE(last, 4 + font_text_width(n, "Iris") - 3) << n;
    }
    EXPECT_GT(font_text_width(3, text), font_text_width(0, text));
    EXPECT_GT(font_text_width(0, text), font_text_width(2, text));
    EXPECT_GT(font_text_width(2, text), font_text_width(4, text));
    EXPECT_GT(font_text_width(1, text), font_text_width(2, text));   // bold is wider
}

}  // namespace
