#pragma once
// TEMPORARY: what drawing needs of the graphics context until graphics.h is merged.
#include <SDL.h>
#include <cstdint>
#include <string>
#include "platform/result.h"

using DrawCommandFn = uint32_t(const uint8_t *payload);

struct GfxRect {
    int16_t  x, y;
    uint16_t w, h;
};

struct GfxScreen {
    int32_t          width = 0, height = 0;
    int32_t          clip_left = 0, clip_top = 0, clip_right = -1, clip_bottom = -1;
    int32_t          clip_active = 0;
    uint8_t         *pixels = nullptr;
    uint16_t         pitch = 0;
    uint8_t          bytes_per_pixel = 0;
    SDL_PixelFormat *format = nullptr;
    SDL_Surface     *surface = nullptr;
};
GfxScreen *gfx_screen();
void gfx_screen_attach(SDL_Surface *surface);

struct Graphics;
Result gfx_queue_command(Graphics *g, DrawCommandFn *fn, const void *payload, uint32_t size);
uint32_t gfx_map_rgb(uint8_t r, uint8_t g, uint8_t b);
void     gfx_get_rgb(uint32_t pixel, uint8_t *r, uint8_t *g, uint8_t *b);
DrawCommandFn gfx_lock_screen;
DrawCommandFn gfx_unlock_screen;
DrawCommandFn gfx_add_dirty_rect;
DrawCommandFn gfx_add_restore_rect;


SDL_Surface *gfx_create_surface32(int width, int height);
Result       gfx_replay_frame(Graphics *g, SDL_Surface *target);
Graphics    *gfx_create();
void         gfx_free(Graphics *g);
DrawCommandFn gfx_push_clip;
DrawCommandFn gfx_pop_clip;
