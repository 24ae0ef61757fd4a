#pragma once
// The fonts family: the game's eight bitmap fonts, rasterised from DejaVu through FreeType.
//  - Writes "font/NNN/png/CCC.png" for every character code 32..126 and the Latin-1 letters,
//    white coverage on the transparent colour, all glyphs of a font the line height high; and
//    "font/NNN/dat/left_kern_w_CCC", "right_kern_w_CCC", "space_w", "char_spacing", one integer
//    and a newline each.
//  - Roles and line heights: 0 map labels and "Loading..." 14; 1 labels and captions, bold, 13;
//    2 body text 11; 3 banners, bold, 24; 4 small print 9; 5 panel titles, bold, 15; 6 button
//    captions, bold, 12; 7 prompts 16.
//  - The DejaVu files are a build-time input (fonts-dejavu-core); a missing file fails the family.
#include <cstdint>
#include <string>
#include <vector>
#include "assetgen/glyph_raster.h"

struct FontRole {
    const char *face;          // file in the DejaVu folder
    int         line_height;
    bool        fit_accents;   // accented capitals fit the line (else their accents may be cut)
    int         max_pixel_size;   // 0: as large as fits
};

inline constexpr int FONT_ROLE_COUNT = 8;
extern const FontRole FONT_ROLES[FONT_ROLE_COUNT];
extern const char *const DEJAVU_DIR;

// The character codes every font holds: 32..126 and the Latin-1 letters (192..255 but the
// multiplication and division signs).
std::vector<int> fonts_codes();

// Font n's glyphs exactly as the family writes them: RES_OUT_OF_RANGE outside 0..7, else the
// rasteriser's result (RES_READ_FAILED when the face lacks a glyph).
Result fonts_rasterise(int n, GlyphFont *out);
// The width the game measures for `text` in that font: the glyph widths, and between two glyphs
// the spacing less the second's left and the first's right kerning. A code without a glyph
// counts the space width.
int fonts_text_width(const GlyphFont &font, const std::string &text);

int  fonts_generate(const std::string &root, uint32_t seed);
void fonts_list_paths(std::vector<std::string> *out);
