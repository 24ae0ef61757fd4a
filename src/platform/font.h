#pragma once
// Font: the eight bitmap fonts (0..7) every text of the game is drawn with.
//  - A font is up to 256 glyphs, one PNG per character code in the data store
//    ("font/%.3i/png/%.3i.png"), turned at load into one-byte coverage masks (0 empty, 255 full),
//    with per-character left and right kerning ("font/%.3i/dat/left_kern_w_%.3i",
//    "right_kern_w_%.3i") and two font-wide numbers, "space_w" and "char_spacing".
//  - Fonts load on first use (font_get) and stay until fonts_free_all at shut-down. Loading
//    happens on the game thread or the start-up loading thread; afterwards a font is read-only,
//    so glyph commands carry plain pointers into its masks and nothing is locked.
//  - Text is measured on the game thread and drawn as draw commands: a screen lock, one glyph
//    command per visible character, the unlock, and the text's box as dirty and restore rectangle.
//  - The glyph command replaces the pixels a glyph covers with the colour scaled by the coverage
//    (soft edges fade towards black; nothing is blended with the screen).
//  - A glyph picture larger than 255 pixels in either direction is cut to 255 (the glyph command
//    carries one-byte sizes).
//  - Kerning, "space_w" and "char_spacing" are held within -255..255 whatever the files say.
//  - Measuring a missing font gives -1; drawing with it queues nothing and returns RES_OK.
//    Drawing returns RES_NO_MEMORY when the queue cannot grow.
#include <cstdint>
#include <memory>
#include "platform/result.h"
#include "platform/graphics.h"

struct Graphics;

inline constexpr int FONT_COUNT = 8;
inline constexpr int FONT_CODES = 256;
inline constexpr int FONT_DEFAULT_SPACING = 2;
inline constexpr int FONT_MAX_GLYPH_SIDE = 255;

struct Font {
    int32_t id = -1;                                        // the font number once loaded
    std::unique_ptr<uint8_t[]> glyph_masks[FONT_CODES];     // w x h coverage; null: no glyph
    int32_t glyph_widths[FONT_CODES] = {};
    int32_t glyph_heights[FONT_CODES] = {};
    int32_t left_kern[FONT_CODES] = {};
    int32_t right_kern[FONT_CODES] = {};
    int32_t space_width = 0;                                // widest glyph unless "space_w" says
    int32_t max_height = 0;                                 // the line height
    int32_t char_spacing = FONT_DEFAULT_SPACING;
};

#pragma pack(push, 1)
struct FontGlyphPayload {
    const uint8_t *mask;           // into the font; lives until shut-down
    int16_t  x, y;
    uint8_t  width, height;
    uint8_t  pad[2];
    uint32_t colour;               // pixel value in the screen format
};
#pragma pack(pop)

Font *font_get(int n);             // loaded on first use; null outside 0..7 or when loading fails
Font *font_create();               // id -1, nothing loaded
int   font_load(Font *font, int n);   // 1 loaded; -1 already loaded; a negative Result on failure
void  font_free(Font *font);
Result font_preload(int n);        // RES_OK, or RES_READ_FAILED when the font cannot be had
void  fonts_free_all();

int font_text_width(int n, const char *text);                 // 0 for "", -1 without the font
int font_text_width_n(int n, const char *text, int count);    // over at most count characters
int font_line_height(int n);                                  // -1 without the font
int font_space_advance(int n);      // the space glyph's width, else the space width; -1 without
int font_char_advance(int ch);      // font 3: spacing + the glyph's (or space) width; -1 without

// Queue text with its top-left corner at (x, y); colour is a pixel value (gfx_map_rgb).
Result font_draw_text(Graphics *g, int n, int x, int y, uint32_t colour, const char *text);
Result font_draw_textf(Graphics *g, int n, int x, int y, uint32_t colour, const char *format, ...)
    __attribute__((format(printf, 6, 7)));
Result font_draw_text_n(Graphics *g, int n, int x, int y, uint32_t colour, const char *text, int count);
// Without kerning; each character darkened with its distance from the one at `index`.
Result font_draw_text_highlight(Graphics *g, int n, int x, int y, uint32_t colour, int index,
                                int percent, const char *text);

// The glyph command for the screen's bytes per pixel (1..4), chosen at video set-up;
// RES_OUT_OF_RANGE for other depths (the choice is kept).
Result font_select_glyph_blit(int bytes_per_pixel);
DrawCommandFn *font_glyph_blit_command();
