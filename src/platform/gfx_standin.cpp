// TEMPORARY stand-ins until graphics, store, random and containers are merged.
#include "platform/gfx_standin.h"
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace { GfxScreen screen; }
struct Graphics { std::vector<uint8_t> queue; };
GfxScreen *gfx_screen() { return &screen; }
void gfx_screen_attach(SDL_Surface *s) {
    screen = GfxScreen{};
    if (!s) return;
    screen.width = s->w; screen.height = s->h; screen.pixels = (uint8_t *)s->pixels; screen.pitch = s->pitch;
    screen.bytes_per_pixel = s->format->BytesPerPixel; screen.format = s->format; screen.surface = s;
    screen.clip_right = s->w - 1; screen.clip_bottom = s->h - 1;
}
Result gfx_queue_command(Graphics *g, DrawCommandFn *fn, const void *payload, uint32_t size) {
    const uint8_t *f = reinterpret_cast<const uint8_t *>(&fn);
    g->queue.insert(g->queue.end(), f, f + sizeof fn);
    if (payload && size) g->queue.insert(g->queue.end(), (const uint8_t *)payload, (const uint8_t *)payload + size);
    return RES_OK;
}
uint32_t gfx_map_rgb(uint8_t r, uint8_t g, uint8_t b) { return SDL_MapRGB(screen.format, r, g, b); }
void gfx_get_rgb(uint32_t p, uint8_t *r, uint8_t *g, uint8_t *b) { SDL_GetRGB(p, screen.format, r, g, b); }
uint32_t gfx_lock_screen(const uint8_t *) { return 0; }
uint32_t gfx_unlock_screen(const uint8_t *) { return 0; }
uint32_t gfx_add_dirty_rect(const uint8_t *) { return 8; }
uint32_t gfx_add_restore_rect(const uint8_t *) { return 8; }
SDL_Surface *gfx_create_surface32(int w, int h) { return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0xFF0000, 0xFF00, 0xFF, 0); }
Graphics *gfx_create() { return new Graphics; }
void gfx_free(Graphics *g) { delete g; }
Result gfx_replay_frame(Graphics *g, SDL_Surface *target) {
    GfxScreen saved = screen;
    gfx_screen_attach(target);
    size_t i = 0;
    while (i < g->queue.size()) { DrawCommandFn *fn; std::memcpy(&fn, &g->queue[i], sizeof fn); i += sizeof fn; i += fn(&g->queue[i]); }
    g->queue.clear();
    screen = saved;
    return RES_OK;
}
uint32_t gfx_push_clip(const uint8_t *p) {
    int32_t c[4]; std::memcpy(c, p, 16);
    screen.clip_left = std::max(c[0], screen.clip_left); screen.clip_top = std::max(c[1], screen.clip_top);
    screen.clip_right = std::min(c[2], screen.clip_right); screen.clip_bottom = std::min(c[3], screen.clip_bottom);
    if (!(screen.clip_left < screen.clip_right && screen.clip_top < screen.clip_bottom)) { screen.clip_left = screen.clip_top = 0; screen.clip_right = screen.clip_bottom = 1; }
    screen.clip_active = 1; return 16;
}
uint32_t gfx_pop_clip(const uint8_t *) { screen.clip_left = screen.clip_top = 0; screen.clip_right = screen.width - 1; screen.clip_bottom = screen.height - 1; screen.clip_active = 0; return 0; }
