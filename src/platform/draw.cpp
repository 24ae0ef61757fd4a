// Drawing primitives: the shape commands of the graphics context, run on the graphics thread.
#include "platform/draw.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/random.h"
#include "platform/shared_ref.h"
#include "platform/sprite.h"

namespace {

template <typename T>
T read_payload(const uint8_t *payload) {
    T p;
    std::memcpy(&p, payload, sizeof p);
    return p;
}

// A visible part of a rectangle: screen columns x0..x1-1, rows y0..y1-1, and how many source
// columns and rows were cut off at the left and top.
struct ClipSpan {
    int x0, y0, x1, y1;
    int skip_x, skip_y;
    bool empty() const { return x0 >= x1 || y0 >= y1; }
};

ClipSpan clip_rect(const GfxScreen *s, int x, int y, int w, int h) {
    ClipSpan v;
    v.x0 = std::max(x, s->clip_left);
    v.y0 = std::max(y, s->clip_top);
    v.x1 = std::min(x + w, s->clip_right + 1);
    v.y1 = std::min(y + h, s->clip_bottom + 1);
    v.skip_x = v.x0 - x;
    v.skip_y = v.y0 - y;
    return v;
}

bool in_clip(const GfxScreen *s, int x, int y) {
    return x >= s->clip_left && x <= s->clip_right && y >= s->clip_top && y <= s->clip_bottom;
}

bool in_screen(const GfxScreen *s, int x, int y) {
    return x >= 0 && y >= 0 && x < s->width && y < s->height;
}

inline uint8_t *pixel_at(const GfxScreen *s, int x, int y) {
    return s->pixels + size_t(y) * s->pitch + size_t(x) * s->bytes_per_pixel;
}

inline void put32(const GfxScreen *s, int x, int y, uint32_t v) {
    std::memcpy(pixel_at(s, x, y), &v, 4);
}

void release_shared(SharedRef *ref) {
    if (ref) shared_ref_release(ref);
}

// ---- 4 bytes per pixel --------------------------------------------------------------------------

uint32_t fill_rect_32(const uint8_t *payload) {
    auto p = read_payload<GfxColourRectPayload>(payload);
    const GfxScreen *s = gfx_screen();
    ClipSpan v = clip_rect(s, p.rect.x, p.rect.y, p.rect.w, p.rect.h);
    if (!v.empty()) {
        uint32_t colour = gfx_map_rgb(p.r, p.g, p.b);
        for (int y = v.y0; y < v.y1; ++y) {
            uint32_t *row = reinterpret_cast<uint32_t *>(pixel_at(s, v.x0, y));
            std::fill(row, row + (v.x1 - v.x0), colour);
        }
    }
    return sizeof p;
}

uint32_t frame_rect_32(const uint8_t *payload) {
    auto p = read_payload<GfxColourRectPayload>(payload);
    const GfxScreen *s = gfx_screen();
    if (p.rect.w > 0 && p.rect.h > 0) {
        uint32_t colour = gfx_map_rgb(p.r, p.g, p.b);
        const int x0 = p.rect.x, y0 = p.rect.y, x1 = x0 + p.rect.w - 1, y1 = y0 + p.rect.h - 1;
        for (int x = x0; x <= x1; ++x) {
            if (in_clip(s, x, y0)) put32(s, x, y0, colour);
            if (y1 != y0 && in_clip(s, x, y1)) put32(s, x, y1, colour);
        }
        for (int y = y0 + 1; y < y1; ++y) {
            if (in_clip(s, x0, y)) put32(s, x0, y, colour);
            if (x1 != x0 && in_clip(s, x1, y)) put32(s, x1, y, colour);
        }
    }
    return sizeof p;
}

void darken(const GfxScreen *s, const GfxDarkenPayload &p, int colour_bytes) {
    if (p.shift == 0) return;
    ClipSpan v = clip_rect(s, p.rect.x, p.rect.y, p.rect.w, p.rect.h);
    for (int y = v.y0; y < v.y1; ++y) {
        uint8_t *px = pixel_at(s, v.x0, y);
        for (int x = v.x0; x < v.x1; ++x, px += s->bytes_per_pixel)
            for (int c = 0; c < colour_bytes; ++c)
                px[c] = p.shift >= 8 ? 0 : uint8_t((px[c] >> p.shift) & 127);
    }
}

uint32_t darken_rect_32(const uint8_t *payload) {
    auto p = read_payload<GfxDarkenPayload>(payload);
    darken(gfx_screen(), p, 3);
    return sizeof p;
}

uint32_t darken_rect_24(const uint8_t *payload) {
    auto p = read_payload<GfxDarkenPayload>(payload);
    darken(gfx_screen(), p, 3);
    return sizeof p;
}

uint32_t gradient_map_32(const uint8_t *payload) {
    auto p = read_payload<GfxGradientMapPayload>(payload);
    const GfxScreen *s = gfx_screen();
    ClipSpan v = clip_rect(s, p.x, p.y, p.w, p.h);
    if (!v.empty() && p.map && p.map->data) {
        const uint8_t *map = static_cast<const uint8_t *>(p.map->data);
        const int from[3] = {p.from_b, p.from_g, p.from_r};
        const int delta[3] = {p.to_b - p.from_b, p.to_g - p.from_g, p.to_r - p.from_r};
        for (int y = v.y0; y < v.y1; ++y) {
            const uint8_t *m = map + size_t(v.skip_y + y - v.y0) * p.w + v.skip_x;
            uint8_t *px = pixel_at(s, v.x0, y);
            for (int x = v.x0; x < v.x1; ++x, ++m, px += 4)
                for (int c = 0; c < 3; ++c) px[c] = uint8_t(from[c] + *m * delta[c] / 255);
        }
    }
    release_shared(p.map);
    return sizeof p;
}

uint32_t sprite_glow_32(const uint8_t *payload) {
    auto p = read_payload<GfxSpriteGlowPayload>(payload);
    const GfxScreen *s = gfx_screen();
    Sprite *sp = p.sprite;
    const bool sectors = p.flags & GFX_GLOW_SECTORS;
    if (sp && (sp->flags & SPRITE_FLAG_OUTLINE_MAP) &&
        (!sectors || (sp->flags & SPRITE_FLAG_ANGLE_MAP))) {
        int level[4];
        for (int i = 0; i < 4; ++i) level[i] = std::min<int>(p.level[i], SPRITE_MAP_MARGIN);
        const int L = sectors ? *std::max_element(level, level + 4) : level[0];
        const bool use_levels = p.flags & (GFX_GLOW_BAND | GFX_GLOW_LEVELS);
        const bool band = p.flags & GFX_GLOW_BAND;
        const bool fade = p.flags & GFX_GLOW_FADE;
        ClipSpan v = clip_rect(s, p.x - L, p.y - L, sp->width + 2 * L, sp->height + 2 * L);
        for (int y = v.y0; y < v.y1; ++y) {
            const int cy = y - p.y + SPRITE_MAP_MARGIN;
            for (int x = v.x0; x < v.x1; ++x) {
                const int cx = x - p.x + SPRITE_MAP_MARGIN;
                int sector = 0;
                if (sectors) {
                    int a = (sp->angles[size_t(cy) * sp->angle_stride + cx] - p.angle_offset + 45) % 360;
                    if (a < 0) a += 360;
                    sector = a / 90;
                }
                const int l = use_levels ? level[sector] : 0;
                const int d = sprite_outline_value(sp, cx, cy);
                bool paint = l > 0 ? (band ? (d >= 1 && d <= l) : d == l) : d == 0;
                if (!paint) continue;
                int r = p.red[sector], gr = p.green[sector], b = p.blue[sector];
                if (fade) {
                    int pc = std::clamp(100 - d * std::max(p.fade_step, 0), 1, 100);
                    r = r * pc / 100;
                    gr = gr * pc / 100;
                    b = b * pc / 100;
                }
                put32(s, x, y, gfx_map_rgb(uint8_t(r), uint8_t(gr), uint8_t(b)));
            }
        }
    }
    sprite_release(sp);
    return sizeof p;
}

uint32_t tint_rect_32(const uint8_t *payload) {
    auto p = read_payload<GfxColourRectPayload>(payload);
    const GfxScreen *s = gfx_screen();
    ClipSpan v = clip_rect(s, p.rect.x, p.rect.y, p.rect.w, p.rect.h);
    const uint8_t value[3] = {p.b, p.g, p.r};
    for (int y = v.y0; y < v.y1; ++y) {
        uint8_t *px = pixel_at(s, v.x0, y);
        for (int x = v.x0; x < v.x1; ++x, px += 4)
            for (int c = 0; c < 3; ++c)
                if (value[c]) px[c] = uint8_t((px[c] + value[c]) >> 1);
    }
    return sizeof p;
}

uint32_t noise_rect_32(const uint8_t *payload) {
    auto p = read_payload<GfxColourRectPayload>(payload);
    const GfxScreen *s = gfx_screen();
    ClipSpan v = clip_rect(s, p.rect.x, p.rect.y, p.rect.w, p.rect.h);
    const uint8_t max[3] = {p.b, p.g, p.r};
    for (int y = v.y0; y < v.y1; ++y) {
        uint8_t *px = pixel_at(s, v.x0, y);
        for (int x = v.x0; x < v.x1; ++x, px += 4)
            for (int c = 0; c < 3; ++c)
                if (max[c]) px[c] = uint8_t(random_show_range(0, max[c]));
    }
    return sizeof p;
}

uint32_t sprite_outline_32(const uint8_t *payload) {
    auto p = read_payload<GfxSpriteOutlinePayload>(payload);
    const GfxScreen *s = gfx_screen();
    const Sprite *sp = p.sprite;
    if (sp && !sp->mask.empty()) {
        ClipSpan v = clip_rect(s, p.x, p.y, sp->width, sp->height);
        uint32_t colour = gfx_map_rgb(p.r, p.g, p.b);
        // a neighbour outside the visible part counts as set
        auto set = [&](int sx, int sy) {
            int x = sx + p.x, y = sy + p.y;
            if (x < v.x0 || x >= v.x1 || y < v.y0 || y >= v.y1) return true;
            return mask_test(sp, sx, sy) != 0;
        };
        for (int y = v.y0; y < v.y1; ++y)
            for (int x = v.x0; x < v.x1; ++x) {
                const int sx = x - p.x, sy = y - p.y;
                if (!mask_test(sp, sx, sy)) continue;
                bool edge = sx == 0 || sy == 0 || sx == sp->width - 1 || sy == sp->height - 1 ||
                            !set(sx - 1, sy) || !set(sx + 1, sy) || !set(sx, sy - 1) || !set(sx, sy + 1);
                if (edge) put32(s, x, y, colour);
            }
    }
    sprite_release(p.sprite);
    return sizeof p;
}

int jittered(int channel, int jitter) {
    if (!jitter) return channel;
    int64_t r = int32_t(random_show_u32());
    return std::clamp(int(channel + std::llabs(r) % (2 * jitter + 1) - jitter), 0, 255);
}

uint32_t line_32(const uint8_t *payload) {
    auto p = read_payload<GfxLinePayload>(payload);
    const GfxScreen *s = gfx_screen();
    const bool jitter = p.jitter_r || p.jitter_g || p.jitter_b;
    const uint32_t plain = gfx_map_rgb(p.r, p.g, p.b);
    auto colour = [&]() {
        if (!jitter) return plain;
        int r = jittered(p.r, p.jitter_r);
        int g = jittered(p.g, p.jitter_g);
        int b = jittered(p.b, p.jitter_b);
        return gfx_map_rgb(uint8_t(r), uint8_t(g), uint8_t(b));
    };
    int x = p.x, y = p.y;
    if (in_screen(s, x, y) && in_clip(s, x, y)) put32(s, x, y, colour());
    const int adx = std::abs(p.dx), ady = std::abs(p.dy);
    const int sx = (p.dx > 0) - (p.dx < 0), sy = (p.dy > 0) - (p.dy < 0);
    const bool steep = adx <= ady;
    const int steps = (steep ? ady : adx) - 1;
    int acc = 0, phase = p.dash_phase;
    for (int i = 0; i < steps; ++i) {
        if (steep) {
            y += sy;
            acc += adx;
            if (acc >= ady) { acc -= ady; x += sx; }
        } else {
            x += sx;
            acc += ady;
            if (acc >= adx) { acc -= adx; y += sy; }
        }
        phase += p.dash_step;
        if (phase >= 100) {
            phase %= 100;
            continue;
        }
        if (in_clip(s, x, y)) put32(s, x, y, colour());
    }
    return sizeof p;
}

uint32_t grid_32(const uint8_t *payload) {
    auto p = read_payload<GfxGridPayload>(payload);
    const GfxScreen *s = gfx_screen();
    if (p.rect.x >= s->width || p.rect.y >= s->height || p.column_step < 1 || p.row_step < 1 ||
        p.rect.w < 1 || p.rect.h < 1)
        return sizeof p;
    ClipSpan v = clip_rect(s, p.rect.x, p.rect.y, p.rect.w, p.rect.h);
    if (v.empty()) return sizeof p;
    const uint32_t colour = gfx_map_rgb(p.r, p.g, p.b);
    const int first_row = v.y0 + std::min<int>(p.row_step - 1, p.row_phase);
    const int first_col = v.x0 + std::min<int>(p.column_step - 1, p.column_phase);
    for (int y = v.y0; y < v.y1; ++y) {
        uint32_t *row = reinterpret_cast<uint32_t *>(pixel_at(s, 0, y));
        if (y >= first_row && (y - first_row) % p.row_step == 0)
            std::fill(row + v.x0, row + v.x1, colour);
        else
            for (int x = first_col; x < v.x1; x += p.column_step) row[x] = colour;
    }
    return sizeof p;
}

// The glow of one band pixel: each channel shifted right by `shift` and averaged with the pixel.
void glow_pixel(const GfxScreen *s, int x, int y, const uint8_t colour[3], int shift) {
    if (!in_clip(s, x, y)) return;
    uint8_t *px = pixel_at(s, x, y);
    for (int c = 0; c < 3; ++c) px[c] = uint8_t((px[c] + (colour[c] >> shift)) >> 1);
}

uint32_t glow_frame_32(const uint8_t *payload) {
    auto p = read_payload<GfxColourRectPayload>(payload);
    const GfxScreen *s = gfx_screen();
    const uint8_t colour[3] = {p.b, p.g, p.r};
    const int x = p.rect.x, y = p.rect.y, w = p.rect.w, h = p.rect.h;
    // side columns beside the rectangle's rows
    for (int row = y; row < y + h; ++row)
        for (int k = 0; k < 3; ++k) {
            glow_pixel(s, x - 1 - k, row, colour, k);
            glow_pixel(s, x + w + k, row, colour, k);
        }
    // rows above and below, at distance d
    for (int d = 1; d <= 3; ++d)
        for (int row : {y - d, y + h - 1 + d})
            for (int col = x - 3; col <= x + w + 2; ++col) {
                int shift;
                if (col == x - 3 || col == x + w + 2) shift = 2;
                else if (col == x - 2 || col == x + w + 1) shift = d == 3 ? 2 : 1;
                else shift = d - 1;
                glow_pixel(s, col, row, colour, shift);
            }
    return sizeof p;
}

uint32_t mask_brighten_32(const uint8_t *payload) {
    auto p = read_payload<GfxMaskBrightenPayload>(payload);
    const GfxScreen *s = gfx_screen();
    if (p.factor >= 2 && p.mask && p.mask->data && p.stride > 0) {
        const uint8_t *mask = static_cast<const uint8_t *>(p.mask->data);
        ClipSpan v = clip_rect(s, p.x, p.y, p.w, p.h);
        // a factor of 128 or more would wrap the floor of 2 x factor: the byte saturates instead
        const int floor = std::min(p.factor * 2, 255);
        for (int y = v.y0; y < v.y1; ++y) {
            const uint8_t *row = mask + size_t(y - p.y) * p.stride;
            uint8_t *px = pixel_at(s, v.x0, y);
            for (int x = v.x0; x < v.x1; ++x, px += 4) {
                const int mx = x - p.x;
                if (!((row[mx >> 3] >> (7 - (mx & 7))) & 1)) continue;
                for (int c = 0; c < 3; ++c)
                    px[c] = uint8_t(std::max<int64_t>(std::min<int64_t>(int64_t(px[c]) * p.factor, 255), floor));
            }
        }
    }
    release_shared(p.mask);
    return sizeof p;
}

uint32_t blend_block_32(const uint8_t *payload) {
    auto p = read_payload<GfxBlendBlockPayload>(payload);
    const GfxScreen *s = gfx_screen();
    if (p.block && p.block->data) {
        const bool lock = p.flags & GFX_BLEND_LOCK;
        const bool smooth = p.flags & GFX_BLEND_SMOOTH;
        if (lock) shared_ref_lock_data(p.block);
        const uint8_t *block = static_cast<const uint8_t *>(p.block->data);
        ClipSpan v = clip_rect(s, p.x, p.y, p.w, p.h);
        for (int y = v.y0; y < v.y1; ++y) {
            const uint8_t *src = block + (size_t(y - p.y) * p.w + size_t(v.x0 - p.x)) * 4;
            for (int x = v.x0; x < v.x1; ++x, src += 4) {
                const int a = src[3];
                if (a == 0) continue;
                uint8_t *px = pixel_at(s, x, y);
                int d[3] = {px[0], px[1], px[2]};
                if (smooth) {
                    int sum[3] = {0, 0, 0}, n = 0;
                    for (int ny = std::max(y - 1, v.y0); ny <= std::min(y + 1, v.y1 - 1); ++ny)
                        for (int nx = std::max(x - 1, v.x0); nx <= std::min(x + 1, v.x1 - 1); ++nx) {
                            const uint8_t *q = pixel_at(s, nx, ny);
                            for (int c = 0; c < 3; ++c) sum[c] += q[c];
                            ++n;
                        }
                    for (int c = 0; c < 3; ++c) d[c] = sum[c] / n;
                }
                const int colour[3] = {src[2], src[1], src[0]};   // screen order: b, g, r
                for (int c = 0; c < 3; ++c) px[c] = uint8_t(colour[c] * a / 255 + d[c] * (255 - a) / 255);
            }
        }
        if (lock) shared_ref_unlock_data(p.block);
    }
    release_shared(p.block);
    return sizeof p;
}

uint32_t plot_any(const uint8_t *payload) {
    auto p = read_payload<GfxPlotPayload>(payload);
    const GfxScreen *s = gfx_screen();
    if (in_screen(s, p.x, p.y) && in_clip(s, p.x, p.y)) {
        uint32_t v = gfx_map_rgb(p.r, p.g, p.b);
        uint8_t *px = pixel_at(s, p.x, p.y);
        for (int i = 0; i < s->bytes_per_pixel; ++i) px[i] = uint8_t(v >> (8 * i));
    }
    return sizeof p;
}

uint32_t circle_32(const uint8_t *payload) {
    auto p = read_payload<GfxCirclePayload>(payload);
    const GfxScreen *s = gfx_screen();
    if (p.radius < 1) return sizeof p;
    const uint32_t colour = gfx_map_rgb(p.r, p.g, p.b);
    auto dot = [&](int x, int y) {
        if (in_screen(s, x, y)) put32(s, x, y, colour);
    };
    const int cx = p.cx, cy = p.cy;
    int x = 0, y = p.radius, d = 1 - p.radius;
    dot(cx, cy + y);
    dot(cx, cy - y);
    dot(cx + y, cy);
    dot(cx - y, cy);
    while (x < y) {
        if (d < 0) {
            d += 2 * x + 3;
        } else {
            d += 2 * (x - y) + 5;
            --y;
        }
        ++x;
        dot(cx + x, cy + y); dot(cx - x, cy + y); dot(cx + x, cy - y); dot(cx - x, cy - y);
        dot(cx + y, cy + x); dot(cx - y, cy + x); dot(cx + y, cy - x); dot(cx - y, cy - x);
    }
    return sizeof p;
}

// ---- other depths: consume the payload, keep the reference counts ----------------------------

template <typename T>
uint32_t skip(const uint8_t *) { return sizeof(T); }

uint32_t skip_gradient_map(const uint8_t *payload) {
    auto p = read_payload<GfxGradientMapPayload>(payload);
    release_shared(p.map);
    return sizeof p;
}
uint32_t skip_sprite_glow(const uint8_t *payload) {
    auto p = read_payload<GfxSpriteGlowPayload>(payload);
    sprite_release(p.sprite);
    return sizeof p;
}
uint32_t skip_sprite_outline(const uint8_t *payload) {
    auto p = read_payload<GfxSpriteOutlinePayload>(payload);
    sprite_release(p.sprite);
    return sizeof p;
}
uint32_t skip_mask_brighten(const uint8_t *payload) {
    auto p = read_payload<GfxMaskBrightenPayload>(payload);
    release_shared(p.mask);
    return sizeof p;
}
uint32_t skip_blend_block(const uint8_t *payload) {
    auto p = read_payload<GfxBlendBlockPayload>(payload);
    release_shared(p.block);
    return sizeof p;
}

GfxPrimitives table_32() {
    GfxPrimitives t;
    t.fill_rect = fill_rect_32;
    t.frame_rect = frame_rect_32;
    t.darken_rect = darken_rect_32;
    t.gradient_map = gradient_map_32;
    t.sprite_glow = sprite_glow_32;
    t.tint_rect = tint_rect_32;
    t.noise_rect = noise_rect_32;
    t.sprite_outline = sprite_outline_32;
    t.line = line_32;
    t.grid = grid_32;
    t.glow_frame = glow_frame_32;
    t.mask_brighten = mask_brighten_32;
    t.blend_block = blend_block_32;
    t.plot = plot_any;
    t.circle = circle_32;
    return t;
}

GfxPrimitives table_other(int bytes_per_pixel) {
    GfxPrimitives t;
    t.fill_rect = skip<GfxColourRectPayload>;
    t.frame_rect = skip<GfxColourRectPayload>;
    t.darken_rect = bytes_per_pixel == 3 ? darken_rect_24 : skip<GfxDarkenPayload>;
    t.gradient_map = skip_gradient_map;
    t.sprite_glow = skip_sprite_glow;
    t.tint_rect = skip<GfxColourRectPayload>;
    t.noise_rect = skip<GfxColourRectPayload>;
    t.sprite_outline = skip_sprite_outline;
    t.line = skip<GfxLinePayload>;
    t.grid = skip<GfxGridPayload>;
    t.glow_frame = skip<GfxColourRectPayload>;
    t.mask_brighten = skip_mask_brighten;
    t.blend_block = skip_blend_block;
    t.plot = plot_any;
    t.circle = skip<GfxCirclePayload>;
    return t;
}

template <typename T>
Result queue(Graphics *g, DrawCommandFn *fn, const T &payload) {
    return gfx_queue_command(g, fn, &payload, sizeof payload);
}

Result queue_colour_rect(Graphics *g, DrawCommandFn *fn, GfxRect rect, uint8_t r, uint8_t gr, uint8_t b) {
    GfxColourRectPayload p{rect, r, gr, b, 0};
    return queue(g, fn, p);
}

}  // namespace

// The game's screen runs at 4 bytes per pixel; video set-up confirms it.
static GfxPrimitives primitives = table_32();

Result gfx_select_primitives(int bytes_per_pixel) {
    if (bytes_per_pixel < 1 || bytes_per_pixel > 4) return RES_OUT_OF_RANGE;
    primitives = bytes_per_pixel == 4 ? table_32() : table_other(bytes_per_pixel);
    return RES_OK;
}

const GfxPrimitives &gfx_primitives() { return primitives; }

Result gfx_queue_fill_rect(Graphics *g, GfxRect rect, uint8_t r, uint8_t gr, uint8_t b) {
    return queue_colour_rect(g, primitives.fill_rect, rect, r, gr, b);
}

Result gfx_queue_frame_rect(Graphics *g, GfxRect rect, uint8_t r, uint8_t gr, uint8_t b) {
    return queue_colour_rect(g, primitives.frame_rect, rect, r, gr, b);
}

Result gfx_queue_darken_rect(Graphics *g, GfxRect rect, uint8_t shift) {
    GfxDarkenPayload p{rect, shift, 0};
    return queue(g, primitives.darken_rect, p);
}

Result gfx_queue_tint_rect(Graphics *g, GfxRect rect, uint8_t r, uint8_t gr, uint8_t b) {
    return queue_colour_rect(g, primitives.tint_rect, rect, r, gr, b);
}

Result gfx_queue_noise_rect(Graphics *g, GfxRect rect, uint8_t max_r, uint8_t max_g, uint8_t max_b) {
    return queue_colour_rect(g, primitives.noise_rect, rect, max_r, max_g, max_b);
}

Result gfx_queue_glow_frame(Graphics *g, GfxRect rect, uint8_t r, uint8_t gr, uint8_t b) {
    return queue_colour_rect(g, primitives.glow_frame, rect, r, gr, b);
}

Result gfx_queue_gradient_map(Graphics *g, const GfxGradientMapPayload &payload) {
    Result r = queue(g, primitives.gradient_map, payload);
    if (r == RES_OK && payload.map) shared_ref_take(payload.map);
    return r;
}

Result gfx_queue_sprite_glow(Graphics *g, const GfxSpriteGlowPayload &payload) {
    Result r = queue(g, primitives.sprite_glow, payload);
    if (r == RES_OK) sprite_addref(payload.sprite);
    return r;
}

Result gfx_queue_sprite_outline(Graphics *g, Sprite *sprite, int x, int y, uint8_t r, uint8_t gr,
                                uint8_t b) {
    GfxSpriteOutlinePayload p{sprite, int16_t(x), int16_t(y), r, gr, b, 0};
    Result res = queue(g, primitives.sprite_outline, p);
    if (res == RES_OK) sprite_addref(sprite);
    return res;
}

Result gfx_queue_line(Graphics *g, const GfxLinePayload &payload) {
    return queue(g, primitives.line, payload);
}

Result gfx_queue_grid(Graphics *g, const GfxGridPayload &payload) {
    return queue(g, primitives.grid, payload);
}

Result gfx_queue_mask_brighten(Graphics *g, const GfxMaskBrightenPayload &payload) {
    Result r = queue(g, primitives.mask_brighten, payload);
    if (r == RES_OK && payload.mask) shared_ref_take(payload.mask);
    return r;
}

Result gfx_queue_blend_block(Graphics *g, const GfxBlendBlockPayload &payload) {
    Result r = queue(g, primitives.blend_block, payload);
    if (r == RES_OK && payload.block) shared_ref_take(payload.block);
    return r;
}

Result gfx_queue_plot(Graphics *g, int x, int y, uint8_t r, uint8_t gr, uint8_t b) {
    GfxPlotPayload p{int16_t(x), int16_t(y), r, gr, b, 0};
    return queue(g, primitives.plot, p);
}

Result gfx_queue_circle(Graphics *g, int cx, int cy, int radius, uint8_t r, uint8_t gr, uint8_t b) {
    GfxCirclePayload p{int16_t(cx), int16_t(cy), int16_t(radius), r, gr, b, 0};
    return queue(g, primitives.circle, p);
}
