// Glyph rasteriser: FreeType outlines to same-height coverage bitmaps with per-side kerning.
#include "assetgen/glyph_raster.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>

namespace {

// Hinting in both directions snaps stems to whole pixels: crisper than the font's own vertical-only
// instructions at these small sizes.
constexpr FT_Int32 LOAD_FLAGS = FT_LOAD_FORCE_AUTOHINT | FT_LOAD_TARGET_NORMAL;

// Coverage below this is dropped: the game paints a covered pixel towards black, so a faint
// fringe pixel would darken the background around every letter.
constexpr int FRINGE = 56;
// Coverage at or above this is full.
constexpr int SOLID = 208;

uint8_t sharpen(int k) {
    if (k < FRINGE) return 0;
    if (k >= SOLID) return 255;
    return uint8_t(std::max(1, (k - FRINGE) * 255 / (SOLID - FRINGE)));
}

struct FreeType {
    FT_Library lib = nullptr;
    FT_Face    face = nullptr;
    ~FreeType() {
        if (face) FT_Done_Face(face);
        if (lib) FT_Done_FreeType(lib);
    }
};

bool load(FT_Face face, int code) {
    FT_UInt index = FT_Get_Char_Index(face, FT_ULong(code));
    if (index == 0) return false;
    if (FT_Load_Glyph(face, index, LOAD_FLAGS) != 0) return false;
    return FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) == 0;
}

}  // namespace

Result glyph_raster_font(const GlyphFontSpec &spec, GlyphFont *out) {
    FreeType ft;
    if (FT_Init_FreeType(&ft.lib) != 0) {
        std::fprintf(stderr, "glyph_raster: FreeType did not start\n");
        return RES_READ_FAILED;
    }
    if (FT_New_Face(ft.lib, spec.face_path.c_str(), 0, &ft.face) != 0) {
        std::fprintf(stderr, "glyph_raster: cannot open font %s\n", spec.face_path.c_str());
        return RES_OPEN_FAILED;
    }
    FT_Face face = ft.face;

    // The largest pixel size whose fitting glyphs stand inside the line height.
    int pixel_size = 0, bottom = 0;
    const int largest = spec.max_pixel_size > 0 ? std::min(spec.max_pixel_size, spec.line_height) : spec.line_height;
    for (int px = largest; px >= 4 && pixel_size == 0; --px) {
        if (FT_Set_Pixel_Sizes(face, 0, FT_UInt(px)) != 0) continue;
        int t = 0, b = 0;
        for (int code : spec.fit_codes) {
            if (!load(face, code)) continue;
            const FT_GlyphSlot g = face->glyph;
            if (g->bitmap.rows == 0) continue;
            t = std::max(t, g->bitmap_top);
            b = std::max(b, int(g->bitmap.rows) - g->bitmap_top);
        }
        if (t + b <= spec.line_height) {
            pixel_size = px;
            bottom = b;
        }
    }
    if (pixel_size == 0) {
        std::fprintf(stderr, "glyph_raster: %s does not fit %i pixels\n", spec.face_path.c_str(),
                     spec.line_height);
        return RES_MALFORMED;
    }

    GlyphFont font;
    font.line_height = spec.line_height;
    font.pixel_size = pixel_size;
    font.baseline = spec.line_height - bottom;   // spare rows go above: room for accents
    font.char_spacing = spec.char_spacing;
    const int sp = spec.char_spacing;
    for (int code : spec.codes) {
        if (!load(face, code)) continue;
        const FT_GlyphSlot g = face->glyph;
        const int advance = int((g->advance.x + 32) >> 6);
        const int bw = int(g->bitmap.width), bh = int(g->bitmap.rows);
        const int ink_left = bw > 0 ? g->bitmap_left : 0;
        const int left = std::min(0, ink_left);
        const int right = std::max({advance - sp, ink_left + bw, left + 1});
        GlyphBitmap glyph;
        glyph.code = code;
        glyph.width = right - left;
        glyph.height = spec.line_height;
        glyph.coverage.assign(size_t(glyph.width) * glyph.height, 0);
        // ink that would stand above or below the line (a low underscore, a tall bracket) is
        // moved inside it; only ink taller than the line is cut
        int y0 = font.baseline - g->bitmap_top;
        if (y0 + bh > glyph.height) y0 = glyph.height - bh;
        if (y0 < 0) y0 = 0;
        for (int r = 0; r < bh; ++r) {
            const int y = y0 + r;
            if (y >= glyph.height) break;
            const uint8_t *row = g->bitmap.buffer + r * g->bitmap.pitch;
            for (int c = 0; c < bw; ++c)
                glyph.coverage[size_t(y) * glyph.width + (ink_left - left + c)] = sharpen(row[c]);
        }
        glyph.left_kern = -left;
        glyph.right_kern = right + sp - advance;
        if (code == ' ') font.space_width = advance - sp;
        font.glyphs.push_back(std::move(glyph));
    }
    *out = std::move(font);
    return RES_OK;
}
