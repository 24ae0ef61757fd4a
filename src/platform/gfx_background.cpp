// Background commands: lock, pixel blocks and resets of the working background.
#include "platform/gfx_background.h"

#include <algorithm>
#include <cstring>

#include "platform/sprite.h"

namespace {

SDL_Surface *work_surface() {
    Graphics *g = gfx_get();
    return g ? g->work_bg_surface : nullptr;
}

}  // namespace

uint32_t bg_lock_command(const uint8_t *) {
    if (SDL_Surface *s = work_surface(); s && SDL_MUSTLOCK(s)) SDL_LockSurface(s);
    return 0;
}

uint32_t bg_unlock_command(const uint8_t *) {
    if (SDL_Surface *s = work_surface(); s && SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
    return 0;
}

uint32_t bg_put_pixels_command(const uint8_t *payload) {
    GfxPixelBlockPayload p;
    std::memcpy(&p, payload, sizeof p);
    SDL_Surface *s = work_surface();
    if (!s || !s->pixels || !p.pixels) return sizeof p;
    const int bpp = s->format->BytesPerPixel;
    const int x0 = std::max(int(p.x), 0), y0 = std::max(int(p.y), 0);
    const int x1 = std::min(p.x + int(p.w), s->w), y1 = std::min(p.y + int(p.h), s->h);
    if (x0 >= x1 || y0 >= y1) return sizeof p;
    for (int y = y0; y < y1; ++y) {
        const uint8_t *src = p.pixels + (size_t(y - p.y) * p.w + size_t(x0 - p.x)) * size_t(bpp);
        uint8_t *dst = static_cast<uint8_t *>(s->pixels) + size_t(y) * s->pitch + size_t(x0) * size_t(bpp);
        std::memcpy(dst, src, size_t(x1 - x0) * size_t(bpp));
    }
    return sizeof p;
}

uint32_t bg_reset_rect_command(const uint8_t *payload) {
    GfxRect r;
    std::memcpy(&r, payload, sizeof r);
    Graphics *g = gfx_get();
    SDL_Surface *s = work_surface();
    const Sprite *bg = g ? g->current_bg : nullptr;
    if (!s || !s->pixels || !bg || bg->pixels.empty()) return sizeof r;
    const int bpp = s->format->BytesPerPixel;
    if (bg->bytes_per_pixel != bpp) return sizeof r;
    const int x0 = std::max(int(r.x), 0), y0 = std::max(int(r.y), 0);
    const int x1 = std::min({r.x + int(r.w), s->w, bg->width}), y1 = std::min({r.y + int(r.h), s->h, bg->height});
    for (int y = y0; y < y1; ++y) {
        if (x0 >= x1) break;
        const uint8_t *src = bg->pixels.data() + (size_t(y) * size_t(bg->width) + size_t(x0)) * size_t(bpp);
        uint8_t *dst = static_cast<uint8_t *>(s->pixels) + size_t(y) * s->pitch + size_t(x0) * size_t(bpp);
        std::memcpy(dst, src, size_t(x1 - x0) * size_t(bpp));
    }
    return sizeof r;
}
