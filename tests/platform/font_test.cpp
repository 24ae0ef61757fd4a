// Fonts over a hand-made store: loading, measuring against drawing, kerning, the highlight
// variant and the glyph command's clipping and coverage.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <cstring>
#include <string>
#include <vector>

#include "platform/draw_fixture.h"
#include "platform/font.h"
#include "platform/graphics.h"
#include "platform/store.h"
#include "platform/store_format.h"
#include "platform/store_write.h"

namespace {

constexpr Rgb BLACK{0, 0, 0};
constexpr Rgb WHITE{255, 255, 255};

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
        std::vector<StoreWriteEntry> entries;
        auto add = [&](const std::string &path, const std::vector<uint8_t> &body) {
            StoreWriteEntry e;
            e.key = store_asset_key(path.c_str());
            e.body = body;
            entries.push_back(e);
        };
        auto text = [](const char *s) { return std::vector<uint8_t>(s, s + std::strlen(s)); };
        for (int f : {0, 3}) {
            char dir[32];
            std::snprintf(dir, sizeof dir, "font/%.3i/", f);
            const std::string d = dir;
            std::vector<uint8_t> a;
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < 3; ++x) {
                    Rgb c = (x == 1 && y == 1) ? Rgb{128, 128, 128} : (x == 1 && y == 2) ? KEY : WHITE;
                    a.insert(a.end(), {c.r, c.g, c.b});
                }
            add(d + "png/065.png", png_encode(3, 5, a, 3));
            add(d + "png/066.png", png_from_art({"##", "##", "##", "##", "##"}));
            add(d + "png/087.png", png_from_art({"#", "#"}));
            add(d + "dat/left_kern_w_065", text("0\n"));
            add(d + "dat/right_kern_w_065", text("1\n"));
            add(d + "dat/left_kern_w_066", text("1\n"));
            add(d + "dat/right_kern_w_066", {});
            add(d + "dat/space_w", text("4\n"));
            add(d + "dat/char_spacing", text("2\n"));
        }
        // one archive per process: ctest runs the cases of this fixture side by side
        std::filesystem::create_directories(ASTROVANE_BINARY_DIR "/test-output");
        path = std::string(ASTROVANE_BINARY_DIR) + "/test-output/font_test_store_" + std::to_string(getpid()) + ".dat";
        std::remove(path.c_str());
        std::string error;
        ASSERT_EQ(store_write(path.c_str(), STORE_BUILD_ID, entries, &error), RES_OK) << error;
        fonts_free_all();
        store_shutdown();
        store_set_path(path.c_str());
        ASSERT_EQ(store_open(), RES_OK);
    }
    void TearDown() override {
        fonts_free_all();
        store_shutdown();
        std::remove(path.c_str());
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
    std::string path;
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

TEST_F(FontStore, FontNumbersOutsideTheTableAndMissingFonts) {
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
}

TEST_F(FontStore, LoadingTwiceIntoOneRecordIsRefused) {
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

TEST_F(FontStore, DrawnTextCoversWhatItMeasures) {
    for (const char *text : {"A", "AB", "BA", "ABAB", "WAB"}) {
        fill(BLACK);
        ASSERT_EQ(font_draw_text(g, 0, 10, 10, gfx_map_rgb(255, 255, 255), text), RES_OK);
        run();
        auto [first, last] = covered_columns(BLACK);
        EXPECT_EQ(first, 10) << text;
        EXPECT_EQ(last - first + 1, font_text_width(0, text)) << text;
    }
}

TEST_F(FontStore, DrawingForgetsNothingMeasuringForgetsTheRightKernBeforeABlank) {
    // the drawing subtracts A's right kerning before the blank; the measure does not
    ASSERT_EQ(font_draw_text(g, 0, 10, 10, gfx_map_rgb(255, 255, 255), "A B"), RES_OK);
    run();
    auto [first, last] = covered_columns(BLACK);
    EXPECT_EQ(first, 10);
    EXPECT_EQ(last - first + 1, font_text_width(0, "A B") - 1);
}

TEST_F(FontStore, GlyphCoverageScalesTheColourTowardsBlack) {
    fill(Rgb{9, 9, 9});
    ASSERT_EQ(font_draw_text(g, 0, 20, 20, gfx_map_rgb(200, 100, 50), "A"), RES_OK);
    run();
    EXPECT_EQ(at(20, 20), (Rgb{200, 100, 50}));
    EXPECT_EQ(at(21, 21), (Rgb{200 * 128 / 255, 100 * 128 / 255, 50 * 128 / 255}));   // replaced, not blended
    EXPECT_EQ(at(21, 22), (Rgb{9, 9, 9}));   // transparent in the picture: untouched
}

TEST_F(FontStore, TextQueuesLockGlyphsUnlockAndItsBoxAsDirtyAndRestore) {
    ASSERT_EQ(font_draw_text(g, 0, 10, 12, gfx_map_rgb(255, 255, 255), "AB"), RES_OK);
    ASSERT_EQ(gfx_replay_frame(g, surface), RES_OK);
    ASSERT_EQ(gfx_rect_count(&g->dirty), 1);
    ASSERT_EQ(gfx_rect_count(&g->restore), 1);
    GfxRect d = gfx_rect_at(&g->dirty, 0);
    EXPECT_EQ(d.x, 10);
    EXPECT_EQ(d.y, 12);
    EXPECT_EQ(d.w, 17 - 10 + 1);   // up to the pen after B: 13 + 2 + 2
    EXPECT_EQ(d.h, 5);
}

TEST_F(FontStore, DrawTextNStopsAfterCountCharacters) {
    ASSERT_EQ(font_draw_text_n(g, 0, 10, 10, gfx_map_rgb(255, 255, 255), "ABAB", 2), RES_OK);
    run();
    auto [first, last] = covered_columns(BLACK);
    EXPECT_EQ(last - first + 1, font_text_width(0, "AB"));
}

TEST_F(FontStore, HighlightDarkensWithDistanceFromTheIndex) {
    fill(WHITE);
    ASSERT_EQ(font_draw_text_highlight(g, 0, 0, 0, gfx_map_rgb(200, 100, 50), 0, 100, "AAAA"), RES_OK);
    run();
    // no kerning: each A advances 3 + 2
    EXPECT_EQ(at(0, 0), (Rgb{200, 100, 50}));
    EXPECT_EQ(at(5, 0), (Rgb{100, 50, 25}));   // half the colour
    EXPECT_EQ(at(10, 0), BLACK);
    EXPECT_EQ(at(15, 0), BLACK);
    EXPECT_EQ(at(3, 0), WHITE);   // the spacing between glyphs
}

TEST_F(FontStore, HighlightOfOneCharacterKeepsTheColourAndBlanksAddSpacing) {
    ASSERT_EQ(font_draw_text_highlight(g, 0, 0, 0, gfx_map_rgb(200, 100, 50), 3, 100, "A"), RES_OK);
    ASSERT_EQ(font_draw_text_highlight(g, 0, 0, 10, gfx_map_rgb(200, 100, 50), 0, 0, "CA"), RES_OK);
    run();
    EXPECT_EQ(at(0, 0), (Rgb{200, 100, 50}));
    EXPECT_EQ(at(6, 10), (Rgb{199, 99, 49}));   // after space width + spacing; a step of at least 1
    EXPECT_EQ(at(5, 10), BLACK);
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
    EXPECT_EQ(at(10, 10), BLACK);
    EXPECT_EQ(at(11, 11), (Rgb{128, 128, 128}));
    EXPECT_EQ(at(12, 11), WHITE);
    EXPECT_EQ(at(0, 0), WHITE);   // glyph (2, 3)
    EXPECT_EQ(at(0, 1), WHITE);
    EXPECT_EQ(at(1, 0), BLACK);
}

TEST(GlyphBlit, OnlyOneToFourBytesPerPixel) {
    DrawCommandFn *chosen = font_glyph_blit_command();
    EXPECT_EQ(font_select_glyph_blit(5), RES_OUT_OF_RANGE);
    EXPECT_EQ(font_glyph_blit_command(), chosen);
    EXPECT_EQ(font_select_glyph_blit(4), RES_OK);
    EXPECT_EQ(sizeof(FontGlyphPayload), 12u + sizeof(void *));
}

}  // namespace
