// Sprites: lifetime, numbered sets and copies, glow maps, and the sprite draw commands (PNG
// decoding in sprite_png.cpp, spans and hit masks in sprite_mask.cpp).
#include "platform/sprite.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <new>
#include <string>

#include "platform/log.h"
#include "platform/graphics.h"
#include "platform/sprite_internal.h"

namespace {

// The game's own 4-byte format (blue in byte 0, green in 1, red in 2), used before a screen exists
// (tools and tests that load pictures without a video mode).
SDL_PixelFormat make_default_format() {
    SDL_PixelFormat f{};
    f.BitsPerPixel = 32;
    f.BytesPerPixel = 4;
    f.Rshift = 16; f.Gshift = 8; f.Bshift = 0; f.Ashift = 0;
    f.Rmask = 0x00FF0000u; f.Gmask = 0x0000FF00u; f.Bmask = 0x000000FFu; f.Amask = 0;
    f.Aloss = 8;
    f.alpha = 255;
    return f;
}

std::atomic<SDL_PixelFormat *> g_screen_format{nullptr};

inline uint8_t clamp_byte(int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

std::string numbered_path(const char *dir, int i) {
    char name[32];
    std::snprintf(name, sizeof name, "/%.3i.png", i);
    return std::string(dir) + name;
}

}  // namespace

SDL_PixelFormat *sprite_pixel_format() {
    static SDL_PixelFormat fallback = make_default_format();
    SDL_PixelFormat *format = g_screen_format.load(std::memory_order_acquire);
    return format ? format : &fallback;
}

void sprite_set_screen_format(SDL_PixelFormat *format) { g_screen_format.store(format, std::memory_order_release); }

bool sprite_make_surface(Sprite *s, const char *name) {
    const SDL_PixelFormat *f = sprite_pixel_format();
    s->surface = SDL_CreateRGBSurfaceFrom(s->pixels.data(), s->width, s->height,
                                          s->bytes_per_pixel * 8, s->width * s->bytes_per_pixel,
                                          f->Rmask, f->Gmask, f->Bmask, f->Amask);
    if (!s->surface) {
        log_write(LOG_SPRITE, LOG_ERROR, "%s: Error creating sprite surface - %s", name,
                  SDL_GetError());
        return false;
    }
    if (SDL_SetColorKey(s->surface, SDL_SRCCOLORKEY | SDL_RLEACCEL, s->colour_key) != 0) {
        log_write(LOG_SPRITE, LOG_ERROR, "%s: Error setting sprite surface color key - %s", name,
                  SDL_GetError());
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Lifetime

Sprite *sprite_create() { return new (std::nothrow) Sprite(); }

void sprite_free(Sprite *sprite) {
    if (!sprite) return;
    if (sprite->surface) SDL_FreeSurface(sprite->surface);
    delete sprite;
}

void sprite_addref(Sprite *sprite) {
    if (!sprite) return;
    std::lock_guard<std::mutex> lock(sprite->mutex);
    ++sprite->refcount;
}

void sprite_release(Sprite *sprite) {
    if (!sprite) return;
    bool last;
    {
        std::lock_guard<std::mutex> lock(sprite->mutex);
        last = --sprite->refcount < 1;
    }
    if (last) sprite_free(sprite);
}

void sprite_array_release(Sprite **sprites, int count) {
    if (!sprites) return;
    for (int i = 0; i < count; ++i) {
        if (sprites[i]) sprite_release(sprites[i]);
        sprites[i] = nullptr;
    }
    delete[] sprites;
}

// ---------------------------------------------------------------------------------------------
// Loading

static Sprite **load_numbered(const char *dir, int *count, bool masks_only) {
    std::vector<Sprite *> loaded;
    for (int i = 0;; ++i) {
        Sprite *s = sprite_load_png(numbered_path(dir, i).c_str());
        if (!s) break;
        if (masks_only) {
            if (s->surface) SDL_FreeSurface(s->surface);
            s->surface = nullptr;
            std::vector<uint32_t>().swap(s->spans);
            std::vector<uint8_t>().swap(s->pixels);
            std::vector<uint8_t>().swap(s->outline);
            std::vector<uint16_t>().swap(s->angles);
            s->flags = 0;
        }
        loaded.push_back(s);
    }
    *count = int(loaded.size());
    if (loaded.empty()) return nullptr;
    Sprite **array = new (std::nothrow) Sprite *[loaded.size()];
    if (!array) {
        for (Sprite *s : loaded) sprite_free(s);
        *count = 0;
        return nullptr;
    }
    for (size_t i = 0; i < loaded.size(); ++i) {
        sprite_addref(loaded[i]);
        array[i] = loaded[i];
    }
    return array;
}

Sprite **sprite_load_numbered(const char *dir, int *count) { return load_numbered(dir, count, false); }

Sprite **sprite_load_numbered_masks(const char *dir, int *count) { return load_numbered(dir, count, true); }

Result sprite_read_numbered_sizes(const char *dir, int *count, std::vector<int> *widths,
                                  std::vector<int> *heights) {
    widths->clear();
    heights->clear();
    Result result = RES_OK;
    for (int i = 0;; ++i) {
        int w = 0, h = 0;
        if (sprite_check_png(numbered_path(dir, i).c_str(), &w, &h) != RES_OK) break;
        if (w < 1 || h < 1) {
            result = RES_MALFORMED;
            break;
        }
        widths->push_back(w);
        heights->push_back(h);
    }
    *count = int(widths->size());
    return result;
}

Sprite *sprite_copy(const Sprite *from) {
    if (!from) return nullptr;
    Sprite *s = sprite_create();
    if (!s) return nullptr;
    try {
        s->width = from->width;
        s->height = from->height;
        s->spans = from->spans;
        s->mask = from->mask;
        s->mask_stride = from->mask_stride;
        s->mask_words = from->mask_words;
        s->mask_word_stride = from->mask_word_stride;
        s->mask_row_span = from->mask_row_span;
        s->mask_top = from->mask_top;
        s->mask_bottom = from->mask_bottom;
        s->mask_left = from->mask_left;
        s->mask_right = from->mask_right;
        s->pixels = from->pixels;
        s->bytes_per_pixel = from->bytes_per_pixel;
        s->colour_key = from->colour_key;
    } catch (const std::bad_alloc &) {
        sprite_free(s);
        return nullptr;
    }
    if (!s->pixels.empty() && !sprite_make_surface(s, "copy")) {
        sprite_free(s);
        return nullptr;
    }
    return s;
}

// ---------------------------------------------------------------------------------------------
// Glow maps

void sprite_build_outline_map(Sprite *s) {
    if (!s || (s->flags & SPRITE_FLAG_OUTLINE_MAP) || s->mask.empty()) return;
    const int m = SPRITE_MAP_MARGIN;
    const int cw = s->width + 2 * m, ch = s->height + 2 * m;
    const int far = 1 << 20;
    // Manhattan distance to the nearest mask pixel: two chamfer passes over 4-neighbours.
    std::vector<int> dist(size_t(cw) * ch, far);
    for (int y = 0; y < s->height; ++y)
        for (int x = 0; x < s->width; ++x)
            if (mask_test(s, x, y)) dist[size_t(y + m) * cw + x + m] = 0;
    for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x) {
            int &d = dist[size_t(y) * cw + x];
            if (y > 0) d = std::min(d, dist[size_t(y - 1) * cw + x] + 1);
            if (x > 0) d = std::min(d, dist[size_t(y) * cw + x - 1] + 1);
        }
    for (int y = ch - 1; y >= 0; --y)
        for (int x = cw - 1; x >= 0; --x) {
            int &d = dist[size_t(y) * cw + x];
            if (y < ch - 1) d = std::min(d, dist[size_t(y + 1) * cw + x] + 1);
            if (x < cw - 1) d = std::min(d, dist[size_t(y) * cw + x + 1] + 1);
        }
    s->outline_stride = (cw + 1) / 2;
    s->outline.assign(size_t(s->outline_stride) * ch, 0);
    for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x) {
            int sx = x - m, sy = y - m;
            int d = dist[size_t(y) * cw + x];
            int v;
            if (d == 0) {
                bool edge = sx == 0 || sy == 0 || sx == s->width - 1 || sy == s->height - 1 ||
                            !mask_test(s, sx - 1, sy) || !mask_test(s, sx + 1, sy) ||
                            !mask_test(s, sx, sy - 1) || !mask_test(s, sx, sy + 1);
                v = edge ? 0 : SPRITE_OUTLINE_FAR;
            } else {
                v = d <= m ? d : SPRITE_OUTLINE_FAR;
            }
            uint8_t &cell = s->outline[size_t(y) * s->outline_stride + x / 2];
            cell |= (x & 1) ? uint8_t(v) : uint8_t(v << 4);
        }
    s->flags |= SPRITE_FLAG_OUTLINE_MAP;
}

int sprite_outline_value(const Sprite *s, int cx, int cy) {
    uint8_t cell = s->outline[size_t(cy) * s->outline_stride + cx / 2];
    return (cx & 1) ? (cell & 15) : (cell >> 4);
}

void sprite_build_angle_map(Sprite *s) {
    if (!s || (s->flags & SPRITE_FLAG_ANGLE_MAP)) return;
    const int m = SPRITE_MAP_MARGIN;
    const int cw = s->width + 2 * m, ch = s->height + 2 * m;
    s->angle_stride = cw;
    s->angles.assign(size_t(cw) * ch, 0);
    for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x) {
            int dx = x - m - s->width / 2, dy = y - m - s->height / 2;
            int angle = 0;
            if (dx != 0 || dy != 0) {
                // single precision, as the table was always built: straight up comes out 90
                float a = std::acos(float(std::abs(dx)) / std::sqrt(float(dx * dx + dy * dy))) *
                          57.2957763671875f;
                int t = int(a);
                if (dx >= 0 && dy > 0) angle = 360 - t;
                else if (dx < 0 && dy < 0) angle = 180 - t;
                else if (dx < 0) angle = t + 180;
                else angle = t;
            }
            s->angles[size_t(y) * cw + x] = uint16_t(angle);
        }
    s->flags |= SPRITE_FLAG_ANGLE_MAP;
}

void sprite_outline_extent(const Sprite *s, const uint8_t levels[4], int *left, int *top,
                           int *extra_right, int *extra_bottom) {
    if (!s || (s->flags & (SPRITE_FLAG_OUTLINE_MAP | SPRITE_FLAG_ANGLE_MAP)) !=
                  (SPRITE_FLAG_OUTLINE_MAP | SPRITE_FLAG_ANGLE_MAP))
        return;
    const int m = SPRITE_MAP_MARGIN;
    int level[4];
    for (int i = 0; i < 4; ++i) level[i] = std::min<int>(levels[i], m);
    int L = *std::max_element(level, level + 4);
    int l = 0, t = 0, r = s->width - 1, b = s->height - 1;
    for (int y = -L; y < s->height + L; ++y)
        for (int x = -L; x < s->width + L; ++x) {
            int cx = x + m, cy = y + m;
            int sector = ((s->angles[size_t(cy) * s->angle_stride + cx] + 45) % 360) / 90;
            if (sprite_outline_value(s, cx, cy) > level[sector]) continue;
            l = std::min(l, x);
            t = std::min(t, y);
            r = std::max(r, x);
            b = std::max(b, y);
        }
    if (left) *left = l;
    if (top) *top = t;
    if (extra_right) *extra_right = r - (s->width - 1);
    if (extra_bottom) *extra_bottom = b - (s->height - 1);
}

// ---------------------------------------------------------------------------------------------
// Draw commands

uint32_t sprite_blit_command(const uint8_t *payload) {
    SpriteBlitPayload p;
    std::memcpy(&p, payload, sizeof p);
    const GfxScreen *scr = gfx_screen();
    if (p.sprite && p.sprite->surface && scr->surface) {
        if (scr->clip_active) {
            SDL_Rect clip{int16_t(scr->clip_left), int16_t(scr->clip_top),
                          uint16_t(scr->clip_right - scr->clip_left + 1),
                          uint16_t(scr->clip_bottom - scr->clip_top + 1)};
            SDL_SetClipRect(scr->surface, &clip);
        }
        SDL_Rect at{p.x, p.y, 0, 0};
        SDL_UpperBlit(p.sprite->surface, nullptr, scr->surface, &at);
        if (scr->clip_active) SDL_SetClipRect(scr->surface, nullptr);
    }
    sprite_release(p.sprite);
    return sizeof p;
}

namespace {

// One opaque run of `n` pixels, 4 bytes each, with the first effect of the flags that applies.
void draw_run(uint8_t *dst, const uint8_t *src, int n, const SpriteDrawPayload &p, uint32_t tint) {
    const size_t bytes = size_t(n) * 4;
    const uint16_t f = p.flags;
    if (f & SPRITE_DRAW_BLEND) {
        for (size_t i = 0; i < bytes; ++i) {
            const int s = src[i], d = dst[i];
            if (f & SPRITE_DRAW_ADDITIVE) dst[i] = uint8_t(std::min(s + d, 255));
            else if (f & SPRITE_DRAW_MOSTLY_SPRITE) dst[i] = uint8_t((d + 3 * s) >> 2);
            else if (f & SPRITE_DRAW_MOSTLY_SCREEN) dst[i] = uint8_t((s + 3 * d) >> 2);
            else dst[i] = uint8_t((s + d) >> 1);
        }
    } else if (f & SPRITE_DRAW_TINT) {
        uint8_t t[4];
        std::memcpy(t, &tint, 4);
        for (size_t i = 0; i < bytes; ++i) {
            const int s = src[i], c = t[i & 3];
            if (f & SPRITE_DRAW_ADDITIVE) dst[i] = uint8_t(std::min(c + s, 255));
            else if (f & SPRITE_DRAW_MOSTLY_SPRITE) dst[i] = uint8_t((c + 3 * s) >> 2);
            else dst[i] = uint8_t((c + s) >> 1);
        }
    } else if ((f & SPRITE_DRAW_BRIGHTNESS) && p.brightness != 100) {
        for (size_t i = 0; i < bytes; ++i) dst[i] = clamp_byte(src[i] * p.brightness / 100);
    } else if (f & SPRITE_DRAW_DESATURATE) {
        for (int k = 0; k < n; ++k, src += 4, dst += 4) {
            const int grey = (src[0] + src[1] + src[2]) / 3;
            if (grey > 0)
                for (int c = 0; c < 3; ++c) dst[c] = clamp_byte(src[c] + (grey - src[c]) * p.desaturation / 100);
            else
                for (int c = 0; c < 3; ++c) dst[c] = src[c];
            dst[3] = src[3];
        }
    } else {
        std::memcpy(dst, src, bytes);
    }
}

// Shrinks by numerator / denominator: a source pixel (and row) is kept when its accumulator,
// raised by the numerator, reaches the denominator. Kept pixels are copied as they are.
void draw_scaled(const GfxScreen *scr, const Sprite *s, const SpriteDrawPayload &p) {
    const int n = p.scale_numerator, m = p.scale_denominator, bpp = s->bytes_per_pixel;
    int row_acc = 0, dy = p.y;
    for (int sy = 0; sy < s->height && dy <= scr->clip_bottom; ++sy) {
        row_acc += n;
        if (row_acc < m) continue;
        row_acc %= m;
        if (dy >= scr->clip_top) {
            int col_acc = 0, dx = p.x;
            const uint8_t *src = s->pixels.data() + size_t(sy) * s->width * bpp;
            uint8_t *row = scr->pixels + size_t(dy) * scr->pitch;
            for (int sx = 0; sx < s->width && dx <= scr->clip_right; ++sx, src += bpp) {
                col_acc += n;
                if (col_acc < m) continue;
                col_acc %= m;
                if (dx >= scr->clip_left && mask_test(s, sx, sy)) std::memcpy(row + size_t(dx) * bpp, src, bpp);
                ++dx;
            }
        }
        ++dy;
    }
}

}  // namespace

uint32_t sprite_draw_command(const uint8_t *payload) {
    SpriteDrawPayload p;
    std::memcpy(&p, payload, sizeof p);
    const GfxScreen *scr = gfx_screen();
    const Sprite *s = p.sprite;
    if (!s || s->pixels.empty() || !scr->pixels || s->bytes_per_pixel != scr->bytes_per_pixel) {
        sprite_release(p.sprite);
        return sizeof p;
    }
    if (p.flags & SPRITE_DRAW_SCALE) {
        if (p.scale_numerator >= 1 && p.scale_denominator >= 1) draw_scaled(scr, s, p);
        sprite_release(p.sprite);
        return sizeof p;
    }
    const int bpp = s->bytes_per_pixel;
    const bool effects = bpp == 4;
    const uint32_t tint = (p.flags & SPRITE_DRAW_TINT) ? gfx_map_rgb(p.tint_r, p.tint_g, p.tint_b) : 0;
    // the picture's own size is not trusted: every run is cut to the clip
    const int left = scr->clip_left, right = scr->clip_right + 1;
    const uint32_t *span = s->spans.data(), *end = span + s->spans.size();
    for (int sy = 0; sy < s->height && span < end; ++sy) {
        const int y = p.y + sy;
        if (y > scr->clip_bottom) break;
        const bool visible = y >= scr->clip_top;
        const uint8_t *src_row = s->pixels.data() + size_t(sy) * s->width * bpp;
        // rows above the clip are only walked: their screen row does not exist
        uint8_t *dst_row = visible ? scr->pixels + size_t(y) * scr->pitch : nullptr;
        int px = 0;
        bool opaque = false;
        for (; span < end && *span != SPRITE_SPAN_END; ++span, opaque = !opaque) {
            const int len = int(*span / uint32_t(bpp));
            if (opaque && visible) {
                const int x0 = std::max(p.x + px, left), x1 = std::min(p.x + px + len, right);
                if (x0 < x1) {
                    const uint8_t *src = src_row + size_t(x0 - p.x) * bpp;
                    uint8_t *dst = dst_row + size_t(x0) * bpp;
                    if (effects) draw_run(dst, src, x1 - x0, p, tint);
                    else std::memcpy(dst, src, size_t(x1 - x0) * bpp);
                }
            }
            px += len;
        }
        ++span;   // the row's end mark
    }
    sprite_release(p.sprite);
    return sizeof p;
}

Result sprite_queue_blit(Graphics *g, Sprite *sprite, int x, int y) {
    SpriteBlitPayload p{int16_t(x), int16_t(y), sprite};
    Result r = gfx_queue_command(g, sprite_blit_command, &p, sizeof p);
    if (r == RES_OK) sprite_addref(sprite);
    return r;
}

Result sprite_queue_draw(Graphics *g, const SpriteDrawPayload &payload) {
    Result r = gfx_queue_command(g, sprite_draw_command, &payload, sizeof payload);
    if (r == RES_OK) sprite_addref(payload.sprite);
    return r;
}
