// The fonts family: DejaVu rasterised into the game's glyph pictures and metric files.
#include "assetgen/family_fonts.h"

#include <cctype>
#include <cstdio>

#include "assetgen/glyph_raster.h"
#include "assetgen/output.h"
#include "platform/sprite.h"

const char *const DEJAVU_DIR = "/usr/share/fonts/truetype/dejavu/";

const FontRole FONT_ROLES[FONT_ROLE_COUNT] = {
    {"DejaVuSans.ttf", 14, true, 0},        // 0 small headings, map labels, "Loading..."
    {"DejaVuSans-Bold.ttf", 13, true, 0},   // 1 labels, captions, status bar
    {"DejaVuSans.ttf", 11, true, 0},        // 2 body text, values, tooltips, list rows
    {"DejaVuSans-Bold.ttf", 24, true, 0},   // 3 banners, system description tiles
    {"DejaVuSans.ttf", 9, false, 8},        // 4 small print, value-bar captions, boot log: a
                                            //   size below the body text; accents may be cut
    {"DejaVuSans-Bold.ttf", 15, true, 0},   // 5 panel titles
    {"DejaVuSans-Bold.ttf", 12, true, 0},   // 6 button captions
    {"DejaVuSans.ttf", 16, true, 0},        // 7 prompts
};

namespace {

// One pixel a step apart in every font: the pictures carry their side bearings already.
constexpr int CHAR_SPACING = 1;

std::string path_of(int font, const char *kind, const char *name, int code = -1) {
    char buf[64];
    if (code >= 0) std::snprintf(buf, sizeof buf, "font/%.3i/%s/%s%.3i%s", font, kind, name, code,
                                 kind[0] == 'p' ? ".png" : "");
    else std::snprintf(buf, sizeof buf, "font/%.3i/%s/%s", font, kind, name);
    return buf;
}

std::string number_line(int value) { return std::to_string(value) + "\n"; }

Result write_glyph(const std::string &root, int font, const GlyphBitmap &g) {
    // white coverage; an empty pixel is the transparent colour
    std::vector<uint8_t> rgb(size_t(g.width) * g.height * 3);
    for (size_t i = 0; i < g.coverage.size(); ++i) {
        const uint8_t k = g.coverage[i];
        uint8_t *p = &rgb[i * 3];
        if (k) p[0] = p[1] = p[2] = k;
        else { p[0] = SPRITE_KEY_R; p[1] = SPRITE_KEY_G; p[2] = SPRITE_KEY_B; }
    }
    std::vector<uint8_t> png;
    Result r = png_encode(rgb.data(), g.width, g.height, 3, &png);
    if (r != RES_OK) return r;
    return output_bytes(root, path_of(font, "png", "", g.code), png);
}

Result generate_font(const std::string &root, int n) {
    GlyphFont font;
    Result r = fonts_rasterise(n, &font);
    if (r != RES_OK) return r;
    for (const GlyphBitmap &g : font.glyphs) {
        if ((r = write_glyph(root, n, g)) != RES_OK) return r;
        if ((r = output_text(root, path_of(n, "dat", "left_kern_w_", g.code), number_line(g.left_kern))) != RES_OK ||
            (r = output_text(root, path_of(n, "dat", "right_kern_w_", g.code), number_line(g.right_kern))) != RES_OK)
            return r;
    }
    if ((r = output_text(root, path_of(n, "dat", "space_w"), number_line(font.space_width))) != RES_OK) return r;
    return output_text(root, path_of(n, "dat", "char_spacing"), number_line(font.char_spacing));
}

}  // namespace

Result fonts_rasterise(int n, GlyphFont *out) {
    if (n < 0 || n >= FONT_ROLE_COUNT) return RES_OUT_OF_RANGE;
    const FontRole &role = FONT_ROLES[n];
    GlyphFontSpec spec;
    spec.face_path = std::string(DEJAVU_DIR) + role.face;
    spec.line_height = role.line_height;
    spec.char_spacing = CHAR_SPACING;
    spec.max_pixel_size = role.max_pixel_size;
    spec.codes = fonts_codes();
    for (int c : spec.codes)
        if ((c < 128 && std::isalnum(c)) || (c >= 192 && role.fit_accents)) spec.fit_codes.push_back(c);
    GlyphFont font;
    Result r = glyph_raster_font(spec, &font);
    if (r != RES_OK) return r;
    if (font.glyphs.size() != spec.codes.size()) {
        std::fprintf(stderr, "assetgen: %s lacks %zu of the glyphs\n", role.face,
                     spec.codes.size() - font.glyphs.size());
        return RES_READ_FAILED;
    }
    *out = std::move(font);
    return RES_OK;
}

int fonts_text_width(const GlyphFont &font, const std::string &text) {
    const GlyphBitmap *by_code[256] = {};
    for (const GlyphBitmap &g : font.glyphs)
        if (g.code >= 0 && g.code < 256) by_code[g.code] = &g;
    int w = 0, previous_right = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const GlyphBitmap *g = by_code[static_cast<unsigned char>(text[i])];
        if (!g) {
            w += font.space_width;
            previous_right = 0;
            continue;
        }
        if (i > 0) w += font.char_spacing - g->left_kern - previous_right;
        w += g->width;
        previous_right = g->right_kern;
    }
    return w;
}

std::vector<int> fonts_codes() {
    std::vector<int> codes;
    for (int c = 32; c <= 126; ++c) codes.push_back(c);
    for (int c = 192; c <= 255; ++c)
        if (c != 215 && c != 247) codes.push_back(c);
    return codes;
}

int fonts_generate(const std::string &root, uint32_t) {
    for (int n = 0; n < FONT_ROLE_COUNT; ++n) {
        if (generate_font(root, n) != RES_OK) {
            std::fprintf(stderr, "assetgen: font %i failed\n", n);
            return 1;
        }
    }
    return 0;
}

void fonts_list_paths(std::vector<std::string> *out) {
    for (int n = 0; n < FONT_ROLE_COUNT; ++n) {
        for (int c : fonts_codes()) {
            out->push_back(path_of(n, "png", "", c));
            out->push_back(path_of(n, "dat", "left_kern_w_", c));
            out->push_back(path_of(n, "dat", "right_kern_w_", c));
        }
        out->push_back(path_of(n, "dat", "space_w"));
        out->push_back(path_of(n, "dat", "char_spacing"));
    }
}
