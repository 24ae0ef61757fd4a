// Fonts: loading glyph masks and kerning from the store, measuring, and the text draw commands.
#include "platform/font.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "platform/log.h"
#include "platform/sprite.h"
#include "platform/files.h"
#include "platform/saturate.h"
#include "platform/store.h"

namespace {

Font *font_table[FONT_COUNT] = {};
constexpr int FONT_SPACE = ' ';   // the space's character code, as a table index

std::string font_path(int n, const char *tail) {
    char path[64];
    std::snprintf(path, sizeof path, "font/%.3i/%s", n, tail);
    return path;
}

// A store file holding one decimal integer; `fallback` when it is missing (or empty). Kerning,
// spacing and space width are held within a glyph's largest side, so text widths stay far from
// the int limits however hostile the files.
int read_int_file(const std::string &path, int fallback) {
    int32_t value = 0;
    if (store_read_int(path.c_str(), &value) != RES_OK) return fallback;
    return std::clamp(value, -FONT_MAX_GLYPH_SIDE, FONT_MAX_GLYPH_SIDE);
}

// The coverage mask of a glyph picture, cut to FONT_MAX_GLYPH_SIDE: 0 on the colour key, else
// the average of the three colour bytes.
std::unique_ptr<uint8_t[]> glyph_mask(const Sprite *s, int w, int h) {
    std::unique_ptr<uint8_t[]> mask(new (std::nothrow) uint8_t[size_t(w) * h]);
    if (!mask) return mask;
    const int bpp = s->bytes_per_pixel;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t *p = s->pixels.data() + (size_t(y) * s->width + x) * bpp;
            uint8_t k = 0;
            if (mask_test(s, x, y)) k = bpp >= 3 ? uint8_t((p[0] + p[1] + p[2]) / 3) : 255;
            mask[size_t(y) * w + x] = k;
        }
    return mask;
}

const Font *loaded(int n) { return font_get(n); }

// ---- glyph commands ---------------------------------------------------------------------------

// The part of a glyph that is drawn: mask columns and rows [mx0, mx0 + w), [my0, my0 + h) at
// screen (x0, y0). False when nothing is.
bool glyph_visible(const GfxScreen *s, const FontGlyphPayload &p, int *mx0, int *my0, int *x0,
                   int *y0, int *x1, int *y1) {
    if (!p.mask || p.x + p.width < 0 || p.y + p.height < 0 || p.x >= s->width - 1 ||
        p.y >= s->height - 1)
        return false;
    *x0 = std::max<int>(p.x, s->clip_left);
    *y0 = std::max<int>(p.y, s->clip_top);
    *x1 = std::min<int>(p.x + p.width, s->clip_right + 1);
    *y1 = std::min<int>(p.y + p.height, s->clip_bottom + 1);
    *mx0 = *x0 - p.x;
    *my0 = *y0 - p.y;
    return *x0 < *x1 && *y0 < *y1;
}

uint32_t glyph_blit_32(const uint8_t *payload) {
    FontGlyphPayload p;
    std::memcpy(&p, payload, sizeof p);
    const GfxScreen *s = gfx_screen();
    int mx0, my0, x0, y0, x1, y1;
    if (glyph_visible(s, p, &mx0, &my0, &x0, &y0, &x1, &y1)) {
        uint8_t c[4];
        std::memcpy(c, &p.colour, 4);
        for (int y = y0; y < y1; ++y) {
            const uint8_t *k = p.mask + size_t(my0 + y - y0) * p.width + mx0;
            uint8_t *px = s->pixels + size_t(y) * s->pitch + size_t(x0) * 4;
            for (int x = x0; x < x1; ++x, ++k, px += 4) {
                if (!*k) continue;
                for (int i = 0; i < 4; ++i) px[i] = uint8_t(c[i] * *k / 255);
            }
        }
    }
    return sizeof p;
}

template <int BPP>
uint32_t glyph_blit_solid(const uint8_t *payload) {
    FontGlyphPayload p;
    std::memcpy(&p, payload, sizeof p);
    const GfxScreen *s = gfx_screen();
    int mx0, my0, x0, y0, x1, y1;
    if (glyph_visible(s, p, &mx0, &my0, &x0, &y0, &x1, &y1)) {
        for (int y = y0; y < y1; ++y) {
            const uint8_t *k = p.mask + size_t(my0 + y - y0) * p.width + mx0;
            uint8_t *px = s->pixels + size_t(y) * s->pitch + size_t(x0) * BPP;
            for (int x = x0; x < x1; ++x, ++k, px += BPP) {
                if (!*k) continue;
                if constexpr (BPP == 3) {
                    px[0] = uint8_t(p.colour >> 16);
                    px[1] = uint8_t(p.colour >> 8);
                    px[2] = uint8_t(p.colour);
                } else if constexpr (BPP == 2) {
                    uint16_t v = uint16_t(p.colour);
                    std::memcpy(px, &v, 2);
                } else {
                    px[0] = uint8_t(p.colour);
                }
            }
        }
    }
    return sizeof p;
}

// The game's screen runs at 4 bytes per pixel; video set-up confirms it.
DrawCommandFn *glyph_blit = glyph_blit_32;

// ---- drawing ----------------------------------------------------------------------------------

struct TextQueue {
    Graphics *g;
    Result    result = RES_OK;
    void add(DrawCommandFn *fn, const void *payload, uint32_t size) {
        if (result == RES_OK) result = gfx_queue_command(g, fn, payload, size);
    }
};

void queue_glyph(TextQueue *q, const Font *f, int ch, int x, int y, uint32_t colour) {
    FontGlyphPayload p{f->glyph_masks[ch].get(), int16_t(x), int16_t(y),
                       uint8_t(f->glyph_widths[ch]), uint8_t(f->glyph_heights[ch]), {0, 0}, colour};
    q->add(glyph_blit, &p, sizeof p);
}

void queue_box(TextQueue *q, const Font *f, int x, int y, int right) {
    q->add(gfx_unlock_screen, nullptr, 0);
    GfxRect box{int16_t(x), int16_t(y), uint16_t(right - x + 1), uint16_t(f->max_height)};
    q->add(gfx_add_dirty_rect, &box, sizeof box);
    q->add(gfx_add_restore_rect, &box, sizeof box);
}

Result draw_text(Graphics *g, int n, int x, int y, uint32_t colour, const char *text, int count) {
    const Font *f = loaded(n);
    if (!f || !text || !*text || count < 1) return RES_OK;
    TextQueue q{g};
    q.add(gfx_lock_screen, nullptr, 0);
    int pen = x, right = -1;
    for (int i = 0; text[i] && i < count; ++i) {
        const int ch = static_cast<unsigned char>(text[i]);
        if (!f->glyph_masks[ch]) {
            pen += f->space_width;
        } else {
            if (i > 0) pen -= f->left_kern[ch];
            queue_glyph(&q, f, ch, pen, y, colour);
            pen += f->glyph_widths[ch] + f->char_spacing - f->right_kern[ch];
        }
        right = std::max(right, pen);
    }
    queue_box(&q, f, x, y, right);
    return q.result;
}

}  // namespace

// ---- loading ------------------------------------------------------------------------------------

Font *font_create() {
    Font *f = new (std::nothrow) Font();
    return f;
}

void font_free(Font *font) { delete font; }

int font_load(Font *f, int n) {
    if (f->id != -1) return -1;
    Result opened = store_open();
    if (opened != RES_OK) return opened;
    f->space_width = 0;
    f->max_height = 0;
    f->char_spacing = FONT_DEFAULT_SPACING;
    int glyphs = 0;
    for (int ch = 0; ch < FONT_CODES; ++ch) {
        f->left_kern[ch] = f->right_kern[ch] = 0;
        char tail[48];
        std::snprintf(tail, sizeof tail, "png/%.3i.png", ch);
        Sprite *s = sprite_load_png(font_path(n, tail).c_str());
        if (!s) continue;
        // the glyph command carries one-byte sizes; a larger picture is cut, never trusted
        const int w = std::min(s->width, FONT_MAX_GLYPH_SIDE);
        const int h = std::min(s->height, FONT_MAX_GLYPH_SIDE);
        if (w != s->width || h != s->height)
            log_write(LOG_GAME, LOG_WARN, "Font %i: glyph %i of %ix%i cut to %ix%i", n, ch,
                      s->width, s->height, w, h);
        f->glyph_masks[ch] = glyph_mask(s, w, h);
        sprite_free(s);
        if (!f->glyph_masks[ch]) return RES_NO_MEMORY;
        f->glyph_widths[ch] = w;
        f->glyph_heights[ch] = h;
        f->space_width = std::max(f->space_width, w);
        f->max_height = std::max(f->max_height, h);
        std::snprintf(tail, sizeof tail, "dat/left_kern_w_%.3i", ch);
        f->left_kern[ch] = read_int_file(font_path(n, tail), 0);
        std::snprintf(tail, sizeof tail, "dat/right_kern_w_%.3i", ch);
        f->right_kern[ch] = read_int_file(font_path(n, tail), 0);
        ++glyphs;
    }
    if (glyphs == 0) return RES_READ_FAILED;
    f->space_width = read_int_file(font_path(n, "dat/space_w"), f->space_width);
    f->char_spacing = read_int_file(font_path(n, "dat/char_spacing"), f->char_spacing);
    f->id = n;
    log_write(LOG_GAME, LOG_DEBUG, "Font %i: space w -> %i, char spacing -> %i, max h -> %i", n,
              f->space_width, f->char_spacing, f->max_height);
    return 1;
}

Font *font_get(int n) {
    if (n < 0 || n >= FONT_COUNT) return nullptr;
    if (font_table[n]) return font_table[n];
    log_write(LOG_GAME, LOG_DEBUG, "Load font %i", n);
    Font *f = font_create();
    if (!f || font_load(f, n) != 1) {
        log_write(LOG_GAME, LOG_ERROR, "Failed to load font %i", n);
        font_free(f);
        return nullptr;
    }
    font_table[n] = f;
    return f;
}

Result font_preload(int n) { return font_get(n) ? RES_OK : RES_READ_FAILED; }

void fonts_free_all() {
    for (int n = 0; n < FONT_COUNT; ++n) {
        if (!font_table[n]) continue;
        log_write(LOG_GAME, LOG_DEBUG, "Free font %i", n);
        font_free(font_table[n]);
        font_table[n] = nullptr;
    }
}

// ---- measuring ----------------------------------------------------------------------------------

int font_text_width_n(int n, const char *text, int count) {
    const Font *f = loaded(n);
    if (!f) return -1;
    if (!text) return 0;
    int64_t w = 0;
    int p = 0;
    for (int i = 0; text[i] && i < count; ++i) {
        const int ch = static_cast<unsigned char>(text[i]);
        if (f->glyph_masks[ch]) {
            if (i > 0) w += f->char_spacing - f->left_kern[ch] - p;
            w += f->glyph_widths[ch];
            p = f->right_kern[ch];
        } else {
            w += f->space_width;
            p = 0;
        }
    }
    return saturate_i32(w);
}

int font_text_width(int n, const char *text) {
    return font_text_width_n(n, text, text ? int(std::strlen(text)) : 0);
}

int font_line_height(int n) {
    const Font *f = loaded(n);
    return f ? f->max_height : -1;
}

int font_space_advance(int n) {
    const Font *f = loaded(n);
    if (!f) return -1;
    return f->glyph_masks[FONT_SPACE] ? f->glyph_widths[FONT_SPACE] : f->space_width;
}

int font_char_advance(int ch) {
    const Font *f = loaded(3);
    if (!f) return -1;
    const int c = ch & 0xFF;
    return f->char_spacing + (f->glyph_masks[c] ? f->glyph_widths[c] : f->space_width);
}

// ---- drawing ------------------------------------------------------------------------------------

Result font_draw_text(Graphics *g, int n, int x, int y, uint32_t colour, const char *text) {
    return draw_text(g, n, x, y, colour, text, text ? int(std::strlen(text)) : 0);
}

Result font_draw_text_n(Graphics *g, int n, int x, int y, uint32_t colour, const char *text, int count) {
    return draw_text(g, n, x, y, colour, text, count);
}

Result font_draw_textf(Graphics *g, int n, int x, int y, uint32_t colour, const char *format, ...) {
    char text[1025];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return font_draw_text(g, n, x, y, colour, text);
}

Result font_draw_text_highlight(Graphics *g, int n, int x, int y, uint32_t colour, int index,
                                int percent, const char *text) {
    const Font *f = loaded(n);
    if (!f || !text || !*text) return RES_OK;
    uint8_t rgb[3];
    gfx_get_rgb(colour, &rgb[0], &rgb[1], &rgb[2]);
    int step[3];
    for (int c = 0; c < 3; ++c) {
        step[c] = rgb[c] * percent / 100;
        if (rgb[c] != 0 && step[c] < 1) step[c] = 1;
    }
    const int len = int(std::strlen(text));
    TextQueue q{g};
    q.add(gfx_lock_screen, nullptr, 0);
    int pen = x, right = -1;
    for (int i = 0; i < len; ++i) {
        const int ch = static_cast<unsigned char>(text[i]);
        if (!f->glyph_masks[ch]) {
            pen += f->space_width + f->char_spacing;
        } else {
            uint32_t shade = colour;
            if (len > 1) {
                const int distance = std::abs(index - i);
                int v[3];
                for (int c = 0; c < 3; ++c) v[c] = std::max(0, rgb[c] - distance * step[c] / (len / 2));
                shade = gfx_map_rgb(uint8_t(v[0]), uint8_t(v[1]), uint8_t(v[2]));
            }
            queue_glyph(&q, f, ch, pen, y, shade);
            pen += f->glyph_widths[ch] + f->char_spacing;
        }
        right = std::max(right, pen);
    }
    queue_box(&q, f, x, y, right);
    return q.result;
}

Result font_select_glyph_blit(int bytes_per_pixel) {
    switch (bytes_per_pixel) {
    case 4: glyph_blit = glyph_blit_32; return RES_OK;
    case 3: glyph_blit = glyph_blit_solid<3>; return RES_OK;
    case 2: glyph_blit = glyph_blit_solid<2>; return RES_OK;
    case 1: glyph_blit = glyph_blit_solid<1>; return RES_OK;
    default: return RES_OUT_OF_RANGE;
    }
}

DrawCommandFn *font_glyph_blit_command() { return glyph_blit; }
