// Fonts over a hand-made store: loading, measuring against drawing, kerning, the highlight
// variant and the glyph command's clipping and coverage.
#include <string>
#include <vector>

#include "platform/colours.h"
#include "platform/draw_fixture.h"
#include "platform/font.h"
#include "platform/graphics.h"
#include "platform/scratch_store.h"

namespace {

// Font 0 (and the same files as font 3):
//   'A' 3 x 5, left kern 0, right kern 1; pixel (1, 1) grey 128, pixel (1, 2) transparent
//   'B' 2 x 5, left kern 1, right kern file empty (0)
//   'W' 1 x 2 (a short glyph: the line height is the tallest)
//   no glyph for ' ' or 'C'; space width 4; char spacing 2
class FontStore : public DrawSurface {
protected:
    void SetUp() override {
        DrawSurface::SetUp();
        ASSERT_EQ(font_select_glyph_blit(4), RES_OK);
        std::vector<uint8_t> a;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 3; ++x) {
                Rgb c = (x == 1 && y == 1) ? Rgb{128, 128, 128} : (x == 1 && y == 2) ? KEY : WHITE;
                a.insert(a.end(), {c.r, c.g, c.b});
            }
        for (const std::string d : {"font/000/", "font/003/"}) {
            store.add(d + "png/065.png", png_encode(3, 5, a, 3));
            store.add(d + "png/066.png", png_from_art({"##", "##", "##", "##", "##"}));
            store.add(d + "png/087.png", png_from_art({"#", "#"}));
            store.text(d + "dat/left_kern_w_065", "0\n").text(d + "dat/right_kern_w_065", "1\n");
            store.text(d + "dat/left_kern_w_066", "1\n").text(d + "dat/right_kern_w_066", "");
            store.text(d + "dat/space_w", "4\n").text(d + "dat/char_spacing", "2\n");
        }
        fonts_free_all();
        ASSERT_TRUE(store.open());
    }
    void TearDown() override {
        fonts_free_all();
        DrawSurface::TearDown();
    }
    // Columns where the row band y..y+4 differs from the background, as [first, last].
    std::pair<int, int> covered_columns(Rgb background) {
        int first = -1, last = -1;
        for (int x = 0; x < surface->w; ++x)
            for (int y = 0; y < surface->h; ++y)
                if (!(at(x, y) == background)) {
                    if (first < 0) first = x;
                    last = x;
                    break;
                }
        return {first, last};
    }
    ScratchStore store;
};

TEST_F(FontStore, LoadsMasksSizesKerningAndTheFontNumbers) {
    Font *f = font_get(0);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->id, 0);
    EXPECT_EQ(f->glyph_widths[uint8_t('A')], 3);
    EXPECT_EQ(f->glyph_heights[uint8_t('W')], 2);
    EXPECT_EQ(f->max_height, 5);
    EXPECT_EQ(f->space_width, 4);
    EXPECT_EQ(f->char_spacing, 2);
    EXPECT_EQ(f->right_kern[uint8_t('A')], 1);
    EXPECT_EQ(f->left_kern[uint8_t('B')], 1);
    EXPECT_EQ(f->right_kern[uint8_t('B')], 0);
    EXPECT_EQ(f->glyph_masks[uint8_t('C')], nullptr);
    ASSERT_NE(f->glyph_masks[uint8_t('A')], nullptr);
    EXPECT_EQ(f->glyph_masks[uint8_t('A')][0], 255);
    EXPECT_EQ(f->glyph_masks[uint8_t('A')][1 * 3 + 1], 128);
    EXPECT_EQ(f->glyph_masks[uint8_t('A')][2 * 3 + 1], 0);
    EXPECT_EQ(font_get(0), f);   // loaded once
    EXPECT_EQ(font_line_height(0), 5);
}

TEST_F(FontStore, FontNumbersOutsideTheTableMissingFontsAndASecondLoadAreRefused) {
    EXPECT_EQ(font_get(8), nullptr);
    EXPECT_EQ(font_get(-1), nullptr);
    EXPECT_EQ(font_get(5), nullptr);   // not in this store
    EXPECT_EQ(font_text_width(5, "AB"), -1);
    EXPECT_EQ(font_line_height(5), -1);
    EXPECT_EQ(font_space_advance(5), -1);
    EXPECT_EQ(font_preload(5), RES_READ_FAILED);
    EXPECT_EQ(font_preload(0), RES_OK);
    EXPECT_EQ(font_draw_text(g, 5, 0, 0, 0xFFFFFF, "AB"), RES_OK);
    EXPECT_EQ(gfx_queue_is_empty(g), 1);   // nothing queued
    Font *f = font_create();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->id, -1);
    EXPECT_EQ(font_load(f, 0), 1);
    EXPECT_EQ(font_load(f, 0), -1);
    font_free(f);
}

TEST_F(FontStore, MeasuringFollowsSpacingAndKerning) {
    EXPECT_EQ(font_text_width(0, ""), 0);
    EXPECT_EQ(font_text_width(0, "A"), 3);     // the glyph alone, no trailing spacing
    EXPECT_EQ(font_text_width(0, "B"), 2);     // the first character's left kerning is ignored
    EXPECT_EQ(font_text_width(0, "AB"), 5);    // 3 + (2 - 1 - 1) + 2
    EXPECT_EQ(font_text_width(0, "BA"), 7);    // 2 + (2 - 0 - 0) + 3
    EXPECT_EQ(font_text_width(0, "C"), 4);     // no glyph: the space width
    EXPECT_EQ(font_text_width(0, "A B"), 10);  // 3, + 4, + (2 - 1 - 0) + 2
    EXPECT_EQ(font_text_width_n(0, "ABBB", 2), 5);
    EXPECT_EQ(font_space_advance(0), 4);
    EXPECT_EQ(font_char_advance('A'), 2 + 3);
    EXPECT_EQ(font_char_advance('C'), 2 + 4);
}

TEST_F(FontStore, DrawnTextCoversWhatItMeasuresButTheRightKernBeforeABlank) {
    // {text, characters drawn, measured text, what the drawing covers less the measure}: the drawing
    // subtracts A's right kerning before the blank; the measure does not
    const struct {
        const char *text;
        int count;
        const char *measured;
        int less;
    } cases[] = {{"A", -1, "A", 0},       {"AB", -1, "AB", 0},  {"BA", -1, "BA", 0}, {"ABAB", -1, "ABAB", 0},
                 {"WAB", -1, "WAB", 0},   {"ABAB", 2, "AB", 0}, {"A B", -1, "A B", 1}};
    for (const auto &c : cases) {
        fill(BLACK);
        const uint32_t white = gfx_map_rgb(255, 255, 255);
        ASSERT_EQ(c.count < 0 ? font_draw_text(g, 0, 10, 10, white, c.text)
                              : font_draw_text_n(g, 0, 10, 10, white, c.text, c.count),
                  RES_OK);
        run();
        auto [first, last] = covered_columns(BLACK);
        EXPECT_EQ(first, 10) << c.text;
        EXPECT_EQ(last - first + 1, font_text_width(0, c.measured) - c.less) << c.text << " of " << c.count;
    }
}

TEST_F(FontStore, GlyphCoverageScalesTheColourTowardsBlack) {
    fill(Rgb{9, 9, 9});
    ASSERT_EQ(font_draw_text(g, 0, 20, 20, gfx_map_rgb(200, 100, 50), "A"), RES_OK);
    run();
    // grey in the glyph replaces, not blends; transparent in the picture leaves the screen untouched
    expect_pixels({{20, 20, {200, 100, 50}}, {21, 21, {200 * 128 / 255, 100 * 128 / 255, 50 * 128 / 255}},
                   {21, 22, {9, 9, 9}}});
}

TEST_F(FontStore, TextQueuesLockGlyphsUnlockAndItsBoxAsDirtyAndRestore) {
    ASSERT_EQ(font_draw_text(g, 0, 10, 12, gfx_map_rgb(255, 255, 255), "AB"), RES_OK);
    ASSERT_EQ(gfx_replay_frame(g, surface), RES_OK);
    ASSERT_EQ(gfx_rect_count(&g->dirty), 1);
    ASSERT_EQ(gfx_rect_count(&g->restore), 1);
    GfxRect d = gfx_rect_at(&g->dirty, 0);
    // up to the pen after B: 13 + 2 + 2
    EXPECT_EQ(std::vector<int>({d.x, d.y, d.w, d.h}), std::vector<int>({10, 12, 17 - 10 + 1, 5}));
}

TEST_F(FontStore, HighlightDarkensWithDistanceFromTheIndex) {
    fill(WHITE);
    ASSERT_EQ(font_draw_text_highlight(g, 0, 0, 0, gfx_map_rgb(200, 100, 50), 0, 100, "AAAA"), RES_OK);
    run();
    // no kerning: each A advances 3 + 2; the second at half the colour; the spacing left alone
    expect_pixels({{0, 0, {200, 100, 50}}, {5, 0, {100, 50, 25}}, {10, 0, BLACK}, {15, 0, BLACK}, {3, 0, WHITE}});
}

TEST_F(FontStore, HighlightOfOneCharacterKeepsTheColourAndBlanksAddSpacing) {
    ASSERT_EQ(font_draw_text_highlight(g, 0, 0, 0, gfx_map_rgb(200, 100, 50), 3, 100, "A"), RES_OK);
    ASSERT_EQ(font_draw_text_highlight(g, 0, 0, 10, gfx_map_rgb(200, 100, 50), 0, 0, "CA"), RES_OK);
    run();
    // the A of "CA" after space width + spacing, one step away: a step of at least 1
    expect_pixels({{0, 0, {200, 100, 50}}, {6, 10, {199, 99, 49}}, {5, 10, BLACK}});
}

class GlyphClip : public FontStore {};

TEST_F(GlyphClip, AGlyphStartingInTheLastColumnOrRowIsNotDrawn) {
    ASSERT_EQ(font_draw_text(g, 0, surface->w - 1, 0, gfx_map_rgb(255, 255, 255), "A"), RES_OK);
    ASSERT_EQ(font_draw_text(g, 0, 0, surface->h - 1, gfx_map_rgb(255, 255, 255), "A"), RES_OK);
    run();
    EXPECT_EQ(count_not(BLACK), 0);
    ASSERT_EQ(font_draw_text(g, 0, surface->w - 2, 0, gfx_map_rgb(255, 255, 255), "A"), RES_OK);
    run();
    EXPECT_EQ(count_not(BLACK), 5 + 4);   // columns 0 and 1 of the glyph, less the hole
}

TEST_F(GlyphClip, GlyphsAreCutToTheClipAndTheScreen) {
    push_clip(11, 11, 40, 40);
    ASSERT_EQ(font_draw_text(g, 0, 10, 10, gfx_map_rgb(255, 255, 255), "A"), RES_OK);
    pop_clip();
    ASSERT_EQ(font_draw_text(g, 0, -2, -3, gfx_map_rgb(255, 255, 255), "A"), RES_OK);
    run();
    // glyph (2, 3) at the screen's corner
    expect_pixels({{10, 10, BLACK}, {11, 11, {128, 128, 128}}, {12, 11, WHITE}, {0, 0, WHITE}, {0, 1, WHITE},
                   {1, 0, BLACK}});
}

TEST(GlyphBlit, OnlyOneToFourBytesPerPixel) {
    DrawCommandFn *chosen = font_glyph_blit_command();
    EXPECT_EQ(font_select_glyph_blit(5), RES_OUT_OF_RANGE);
    EXPECT_EQ(font_glyph_blit_command(), chosen);
    EXPECT_EQ(font_select_glyph_blit(4), RES_OK);
}

}  // namespace
