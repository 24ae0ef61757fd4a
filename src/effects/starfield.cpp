// Star layer: generation, parallax scrolling with wrap-round, and painting into the background.
#include "effects/starfield.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/graphics.h"
#include "platform/random.h"

namespace {

struct Range {
    int lo, hi;
};

// Brightness percent of each pixel of a star, rows top to bottom, by size.
constexpr Range EDGE{30, 50};
constexpr Range SIZE3[3][3] = {
    {EDGE, {75, 90}, EDGE},
    {{75, 90}, {100, 100}, {75, 90}},
    {EDGE, {75, 90}, EDGE},
};
constexpr Range SIZE4[4][4] = {
    {EDGE, {60, 70}, {60, 70}, EDGE},
    {EDGE, {80, 90}, {80, 90}, EDGE},
    {EDGE, {80, 90}, {80, 90}, EDGE},
    {EDGE, {60, 70}, {60, 70}, EDGE},
};
constexpr Range SIZE5[5][5] = {
    {{5, 15}, EDGE, {90, 95}, EDGE, {5, 15}},
    {EDGE, {60, 70}, {90, 95}, {60, 70}, EDGE},
    {{70, 80}, {90, 95}, {90, 95}, {90, 95}, {70, 80}},
    {EDGE, {60, 70}, {60, 70}, {60, 70}, EDGE},
    {{5, 15}, EDGE, {90, 95}, EDGE, {5, 15}},
};

Range percent_range(int size, int row, int col) {
    if (size == 3) return SIZE3[row][col];
    if (size == 4) return SIZE4[row][col];
    return SIZE5[row][col];
}

int screen_width() {
    const GfxScreen *s = gfx_screen();
    return s->width > 0 ? s->width : GFX_WIDTH;
}

int screen_height() {
    const GfxScreen *s = gfx_screen();
    return s->height > 0 ? s->height : GFX_HEIGHT;
}

int pixel_bytes() {
    const int b = gfx_screen()->bytes_per_pixel;
    return b > 0 ? b : 4;
}

void place_randomly(Star *s) {
    s->x = random_show_range(1 - s->size, screen_width() - 1);
    s->y = random_show_range(1 - s->size, screen_height() - 1);
}

void queue_block(Graphics *gfx, const Star *s) {
    const BgPixelsPayload p{int16_t(s->x), int16_t(s->y), s->pixels, uint16_t(s->size), uint16_t(s->size)};
    (void)gfx_queue_command(gfx, bg_put_pixels_command, &p, sizeof p);
}

void queue_rect(Graphics *gfx, DrawCommandFn *fn, int x, int y, int size) {
    const GfxRect r{int16_t(x), int16_t(y), uint16_t(size), uint16_t(size)};
    (void)gfx_queue_command(gfx, fn, &r, sizeof r);
}

void queue_plain(Graphics *gfx, DrawCommandFn *fn) { (void)gfx_queue_command(gfx, fn, nullptr, 0); }

}  // namespace

void star_set_pixel(uint8_t *pixel, int r, int g, int b, int percent) {
    gfx_encode_pixel(pixel, uint8_t(r * percent / 100), uint8_t(g * percent / 100), uint8_t(b * percent / 100));
}

void star_free(Star *star) {
    if (!star) return;
    std::free(star->pixels);
    delete star;
}

Star *star_create_random() {
    Star *s = new (std::nothrow) Star{};
    if (!s) return nullptr;
    const int r = random_show_range(0, 9);
    s->size = r < 6 ? 3 : r == 9 ? 5 : 4;
    int lo = 120, hi = 160;
    if (s->size == 3) {
        s->parallax = random_show_range(70, 100);
    } else if (s->size == 4) {
        lo = 150;
        hi = 190;
        s->parallax = random_show_range(50, 90);
    } else {
        lo = 180;
        hi = 210;
        s->parallax = random_show_range(30, 80);
    }
    s->red = uint8_t(random_show_range(lo, hi));
    s->green = uint8_t(random_show_range(lo, hi));
    s->blue = uint8_t(random_show_range(lo, hi));
    place_randomly(s);
    const int bytes = pixel_bytes();
    s->pixels = static_cast<uint8_t *>(std::calloc(size_t(s->size) * size_t(s->size), size_t(bytes)));
    if (!s->pixels) {
        delete s;
        return nullptr;
    }
    for (int row = 0; row < s->size; ++row)
        for (int col = 0; col < s->size; ++col) {
            const Range p = percent_range(s->size, row, col);
            star_set_pixel(s->pixels + (size_t(row) * size_t(s->size) + size_t(col)) * size_t(bytes), s->red, s->green,
                           s->blue, random_show_range(p.lo, p.hi));
        }
    s->flags = STAR_MOVED;
    s->prev_x = s->x;
    s->prev_y = s->y;
    return s;
}

Starfield *starfield_create() {
    Starfield *sf = new (std::nothrow) Starfield{};
    if (!sf) return nullptr;
    sf->stars = list_create<Star>();
    if (!sf->stars) {
        delete sf;
        return nullptr;
    }
    list_set_free_fn(sf->stars, star_free);
    starfield_generate(sf);
    return sf;
}

void starfield_generate(Starfield *sf) {
    if (!sf) return;
    list_clear(sf->stars);
    for (int i = 0; i < sf->count; ++i) {
        Star *s = star_create_random();
        if (!s) return;
        if (list_append(sf->stars, s) < 0) {
            star_free(s);
            return;
        }
    }
}

void starfield_set_scroll(Starfield *sf, int dx, int dy, int factor) {
    if (!sf) return;
    sf->pending_dx = dx * factor;
    sf->pending_dy = dy * factor;
}

void starfield_scroll(Starfield *sf) {
    if (!sf || (sf->pending_dx == 0 && sf->pending_dy == 0)) return;
    const int W = screen_width(), H = screen_height();
    for (Star *s : sf->stars->items) {
        if (!s) break;
        const int parallax = std::max(s->parallax, 1);
        s->carry_x += sf->pending_dx;
        const int qx = s->carry_x / parallax;
        if (qx != 0) s->carry_x %= parallax;
        s->carry_y += sf->pending_dy;
        const int qy = s->carry_y / parallax;
        if (qy != 0) s->carry_y %= parallax;
        if (qx == 0 && qy == 0) continue;

        const int size = s->size;
        const int cx = s->x + qx, cy = s->y + qy;
        const bool near = cx >= -STAR_MARGIN && cx <= W + STAR_MARGIN - 1 && cy >= -STAR_MARGIN &&
                          cy <= H + STAR_MARGIN - 1;
        if (!near) {
            place_randomly(s);
        } else if (cx < 1 - size) {
            s->x = W - 1;
            s->y = random_show_range(1 - size, H - 1);
        } else if (cy < 1 - size) {
            s->y = H - 1;
            s->x = random_show_range(1 - size, W - 1);
        } else if (cx > W - 1) {
            s->x = 1 - size;
            s->y = random_show_range(1 - size, H - 1);
        } else if (cy > H - 1) {
            s->y = 1 - size;
            s->x = random_show_range(1 - size, W - 1);
        } else {
            s->x = cx;
            s->y = cy;
        }
        s->flags |= STAR_MOVED;
    }
    sf->pending_dx = sf->pending_dy = 0;
}

void starfield_draw(Starfield *sf, Graphics *gfx, int x, int y, int w, int h) {
    if (!sf) return;
    bool locked = false;
    for (Star *s : sf->stars->items) {
        if (!s) break;
        if (s->x + s->size <= x || s->x >= x + w || s->y + s->size <= y || s->y >= y + h) continue;
        if (!locked) {
            queue_plain(gfx, bg_lock_command);
            locked = true;
        }
        queue_block(gfx, s);
    }
    if (locked) queue_plain(gfx, bg_unlock_command);
}

void starfield_draw_moved(Starfield *sf, Graphics *gfx) {
    if (!sf) return;
    bool any = false;
    for (Star *s : sf->stars->items) {
        if (!s) break;
        if (!(s->flags & STAR_MOVED)) continue;
        if (!any) {
            queue_plain(gfx, bg_lock_command);
            any = true;
        }
        if (s->flags & STAR_PAINTED) {
            queue_rect(gfx, bg_reset_rect_command, s->prev_x, s->prev_y, s->size);
            s->flags |= STAR_ERASED;
        }
    }
    if (!any) return;
    for (Star *s : sf->stars->items) {
        if (!s) break;
        if (!(s->flags & STAR_MOVED)) continue;
        queue_block(gfx, s);
        s->flags |= STAR_PAINTED;
    }
    queue_plain(gfx, bg_unlock_command);
    for (Star *s : sf->stars->items) {
        if (!s) break;
        if (!(s->flags & STAR_MOVED)) continue;
        if (s->flags & STAR_ERASED) queue_rect(gfx, gfx_restore_rect, s->prev_x, s->prev_y, s->size);
        s->prev_x = s->x;
        s->prev_y = s->y;
        queue_rect(gfx, gfx_restore_rect, s->x, s->y, s->size);
        s->flags &= ~(STAR_MOVED | STAR_ERASED);
    }
}

void starfield_free(Starfield *sf) {
    if (!sf) return;
    list_free(sf->stars);
    delete sf;
}
