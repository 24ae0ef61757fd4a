#pragma once
// Shared helpers of the drawing tests: hand-made PNGs in memory, an off-screen 32-bit surface
// that command streams are replayed into, and a PNG dump of a surface for review.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "platform/draw.h"
#include "platform/graphics.h"
#include "platform/sprite.h"

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb &o) const { return r == o.r && g == o.g && b == o.b; }
};
inline std::ostream &operator<<(std::ostream &os, const Rgb &c) {
    return os << "(" << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ")";
}

inline constexpr Rgb KEY{234, 0, 138};

// A sprite the test owns.
struct SpriteDeleter {
    void operator()(Sprite *s) const { sprite_free(s); }
};
using SpritePtr = std::unique_ptr<Sprite, SpriteDeleter>;

// A PNG in memory: channels 3 (RGB) or 4 (RGBA), 8 bits, or what `colour_type` / `depth` ask.
inline std::vector<uint8_t> png_encode(int w, int h, const std::vector<uint8_t> &pixels, int channels,
                                       int colour_type = -1, int depth = 8) {
    const int type = colour_type >= 0 ? colour_type
                   : channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
    std::vector<uint8_t> out;
    // test pictures are well formed: an encoder error ends the test run
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr,
                                              [](png_structp, png_const_charp) { std::abort(); }, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out,
                     [](png_structp p, png_bytep data, png_size_t n) {
                         auto *v = static_cast<std::vector<uint8_t> *>(png_get_io_ptr(p));
                         v->insert(v->end(), data, data + n);
                     },
                     nullptr);
    png_set_IHDR(png, info, w, h, depth, type, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const int row_bytes = int(png_get_rowbytes(png, info));
    std::vector<uint8_t> row(row_bytes);
    for (int y = 0; y < h; ++y) {
        for (int i = 0; i < row_bytes; ++i) {
            size_t at = size_t(y) * w * channels + i;
            row[i] = at < pixels.size() ? pixels[at] : 0;
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// Rows of characters as a picture: '.' transparent (the colour key), '#' white, 'r' red,
// 'g' green, 'b' blue, 'a' an RGBA pixel of alpha 0 in white (so also transparent).
inline std::vector<uint8_t> png_from_art(const std::vector<std::string> &rows, bool rgba = false) {
    const int h = int(rows.size()), w = int(rows[0].size()), ch = rgba ? 4 : 3;
    std::vector<uint8_t> px;
    for (const std::string &row : rows)
        for (char c : row) {
            Rgb v = c == '.' ? KEY : c == 'r' ? Rgb{255, 0, 0} : c == 'g' ? Rgb{0, 255, 0}
                  : c == 'b' ? Rgb{0, 0, 255} : Rgb{255, 255, 255};
            px.insert(px.end(), {v.r, v.g, v.b});
            if (rgba) px.push_back(c == 'a' ? 0 : 255);
        }
    return png_encode(w, h, px, ch);
}

inline Sprite *sprite_from_png(const std::vector<uint8_t> &bytes, const char *name = "test.png") {
    FILE *f = fmemopen(const_cast<uint8_t *>(bytes.data()), bytes.size(), "rb");
    if (!f) return nullptr;
    Sprite *s = sprite_load_png_stream(name, f);
    std::fclose(f);
    return s;
}

inline Sprite *sprite_from_art(const std::vector<std::string> &rows, bool rgba = false) {
    return sprite_from_png(png_from_art(rows, rgba));
}

// Writes a 32-bit surface as an RGB PNG file.
inline bool surface_write_png(SDL_Surface *s, const std::string &path) {
    std::vector<uint8_t> px;
    px.reserve(size_t(s->w) * s->h * 3);
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x) {
            const uint8_t *p = static_cast<uint8_t *>(s->pixels) + y * s->pitch + x * 4;
            px.insert(px.end(), {p[2], p[1], p[0]});
        }
    std::vector<uint8_t> bytes = png_encode(s->w, s->h, px, 3);
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// An off-screen 32-bit screen of w x h, filled with one colour, that frames are replayed into.
class DrawSurface : public ::testing::Test {
protected:
    void SetUp() override { open(64, 48); }
    void TearDown() override {
        gfx_screen_attach(nullptr);
        if (surface) SDL_FreeSurface(surface);
        if (g) gfx_destroy();
    }
    void open(int w, int h) {
        if (!g) gfx_destroy();   // a context an earlier test left behind starts afresh: no stale lists
        if (surface) SDL_FreeSurface(surface);
        surface = gfx_create_surface32(w, h);
        ASSERT_NE(surface, nullptr);
        gfx_screen_attach(surface);   // colours map through the screen's format while queueing
        if (!g) g = gfx_get();   // commands reach the context through the singleton
        ASSERT_NE(g, nullptr);
        ASSERT_EQ(gfx_select_primitives(4), RES_OK);
        fill(Rgb{0, 0, 0});
    }
    void fill(Rgb c) {
        for (int y = 0; y < surface->h; ++y)
            for (int x = 0; x < surface->w; ++x) set(x, y, c);
    }
    void set(int x, int y, Rgb c) {
        uint8_t *p = static_cast<uint8_t *>(surface->pixels) + y * surface->pitch + x * 4;
        p[0] = c.b; p[1] = c.g; p[2] = c.r; p[3] = 0;
    }
    Rgb at(int x, int y) const {
        const uint8_t *p = static_cast<uint8_t *>(surface->pixels) + y * surface->pitch + x * 4;
        return Rgb{p[2], p[1], p[0]};
    }
    void run() { ASSERT_EQ(gfx_replay_frame(g, surface), RES_OK); }
    // Pixels that differ from `background`, as a count.
    int count_not(Rgb background) const {
        int n = 0;
        for (int y = 0; y < surface->h; ++y)
            for (int x = 0; x < surface->w; ++x) n += !(at(x, y) == background);
        return n;
    }
    void push_clip(int l, int t, int r, int b) {
        int32_t c[4] = {l, t, r, b};
        ASSERT_EQ(gfx_queue_command(g, gfx_push_clip, c, sizeof c), RES_OK);
    }
    void pop_clip() { ASSERT_EQ(gfx_queue_command(g, gfx_pop_clip, nullptr, 0), RES_OK); }
    struct Px { int x, y; Rgb c; };
    // The colour of each pixel named, every mismatch reported with its place.
    void expect_pixels(std::initializer_list<Px> pixels) const {
        for (const Px &p : pixels) EXPECT_EQ(at(p.x, p.y), p.c) << "at " << p.x << "," << p.y;
    }

    SDL_Surface *surface = nullptr;
    Graphics *g = nullptr;
};
