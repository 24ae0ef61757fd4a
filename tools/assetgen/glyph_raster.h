#pragma once
// Glyph rasteriser: turns an outline font into the game's bitmap glyphs through FreeType.
//  - Every glyph of a font comes out the same height, the line height, with the baseline on one
//    row for all of them; the pixel size is the largest whose hinted glyphs (of the codes that
//    must fit: the letters and digits) stand inside that height. Other ink that overhangs the line
//    (an underscore, a bracket) is moved into it.
//  - A glyph's picture spans its pen advance less the font's character spacing, widened where the
//    ink overhangs; the overhang goes to the left and right kerning, so a text drawn by the game
//    advances by FreeType's hinted advance per character.
//  - Coverage is hinted and sharpened for the game's glyph drawing, which replaces pixels with
//    the colour scaled by coverage (no blending): faint fringe pixels are dropped, the rest are
//    pushed towards full.
//  - Deterministic: the same font file and settings give the same bytes.
//  - Results: RES_OK; RES_OPEN_FAILED (font file); RES_READ_FAILED (FreeType refused); RES_MALFORMED
//    (no pixel size fits the line height).
#include <cstdint>
#include <string>
#include <vector>
#include "platform/result.h"

struct GlyphBitmap {
    int code = 0;
    int width = 0, height = 0;
    std::vector<uint8_t> coverage;   // width x height, 0..255
    int left_kern = 0, right_kern = 0;
};

struct GlyphFontSpec {
    std::string face_path;           // a TrueType file
    int         line_height = 0;     // every glyph's height
    int         char_spacing = 1;    // added by the game between glyphs
    int         max_pixel_size = 0;  // the largest FreeType size to try; 0: the line height
    std::vector<int> codes;          // character codes (Latin-1) to rasterise
    std::vector<int> fit_codes;      // codes whose ink must fit the line height on the baseline;
                                     // others are moved up or down into the line where they overhang
};

struct GlyphFont {
    int line_height = 0;
    int pixel_size = 0;              // the FreeType pixel size chosen
    int baseline = 0;                // rows above the baseline
    int char_spacing = 0;
    int space_width = 0;             // advance of a code without a glyph, less the spacing
    std::vector<GlyphBitmap> glyphs; // in the order of spec.codes; codes without a glyph are left out
};

Result glyph_raster_font(const GlyphFontSpec &spec, GlyphFont *out);
