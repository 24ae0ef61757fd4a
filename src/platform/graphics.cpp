// The graphics context: queue hand-over, the graphics thread, rectangle lists and the clip stack.
#include "platform/graphics.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include "platform/draw.h"
#include "platform/font.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/sprite.h"
#include "platform/sprite_internal.h"

namespace {

Graphics *g_graphics = nullptr;
GfxScreen g_screen;

constexpr size_t FN_SIZE = sizeof(DrawCommandFn *);

GfxRect rect_read(const Buffer *list, int i) {
    GfxRect r;
    std::memcpy(&r, list->data + size_t(i) * sizeof r, sizeof r);
    return r;
}

void rect_write(Buffer *list, int i, const GfxRect &r) {
    std::memcpy(list->data + size_t(i) * sizeof r, &r, sizeof r);
}

// One merge rule for both lists: near-identical and nested rectangles count once.
void merge_rect(Buffer *list, int x, int y, int w, int h) {
    const int W = g_screen.width, H = g_screen.height;
    if (x >= W || y >= H || x + w < 0 || y + h < 0) return;

    int right = x + w - 1, bottom = y + h - 1;
    if (x < 0) { w = x + w; x = 0; }
    if (y < 0) { h = y + h; y = 0; }
    if (right >= W) { w = W - x; right = W - 1; }
    if (bottom >= H) { h = H - y; bottom = H - 1; }
    const GfxRect clipped{int16_t(x), int16_t(y), uint16_t(w), uint16_t(h)};

    bool merged = false;
    int i = 0;
    while (i < gfx_rect_count(list)) {
        const GfxRect rec = rect_read(list, i);
        const int rl = rec.x, rt = rec.y, rr = rec.x + rec.w - 1, rb = rec.y + rec.h - 1;
        if (rl > right || rt > bottom || rr < x || rb < y) { ++i; continue; }
        if (rl <= x && rr >= right && rt <= y && rb >= bottom) return;   // already covered
        if (x <= rl && right >= rr && y <= rt && bottom >= rb) {
            const int last = gfx_rect_count(list) - 1;
            if (i != last) rect_write(list, i, rect_read(list, last));
            buffer_truncate(list, list->length - int32_t(sizeof(GfxRect)));
            continue;   // the moved record sits at i now
        }
        if (std::abs(x - rl) < 11 && std::abs(y - rt) < 11 && std::abs(w - int(rec.w)) < 11 &&
            std::abs(h - int(rec.h)) < 11) {
            x = std::min(x, rl);
            y = std::min(y, rt);
            right = std::max(right, rr);
            bottom = std::max(bottom, rb);
            rect_write(list, i, GfxRect{int16_t(x), int16_t(y), uint16_t(right - x + 1),
                                        uint16_t(bottom - y + 1)});
            merged = true;
        }
        ++i;
    }
    if (!merged) (void)buffer_append(list, &clipped, sizeof clipped);   // a full list only loses a repaint
}

void restore_one(Graphics *g, const GfxRect &r) {
    if (g->work_bg_surface && g_screen.surface) {
        SDL_Rect src{r.x, r.y, r.w, r.h};
        SDL_Rect dst = src;
        SDL_UpperBlit(g->work_bg_surface, &src, g_screen.surface, &dst);
    }
    merge_rect(&g->dirty, r.x, r.y, r.w, r.h);
}

void set_whole_screen_clip() {
    g_screen.clip_left = 0;
    g_screen.clip_top = 0;
    g_screen.clip_right = g_screen.width - 1;
    g_screen.clip_bottom = g_screen.height - 1;
}

// Moves the queued frame into the frame buffer; the caller holds the frame mutex.
void take_queue(Graphics *g) {
    SDL_mutexP(g->queue_mutex);
    if (g->queue.length > 0) {
        // When the frame cannot grow, this frame's bytes are dropped.
        (void)buffer_append(&g->frame, g->queue.data, size_t(g->queue.length));
        buffer_clear(&g->queue);
    }
    SDL_mutexV(g->queue_mutex);
}

bool run_frame(Graphics *g) {
    if (g->frame.length <= 0) return false;
    buffer_clear(&g->dirty);
    ++g->drawn_frames;
    gfx_execute(g->frame.data, g->frame.length);
    return true;
}

const char *yes_no(bool v) { return v ? "yes" : "no"; }

}  // namespace

Graphics *gfx_create() {
    Graphics *g = new (std::nothrow) Graphics();
    if (!g) return nullptr;
    g->frame_mutex = SDL_CreateMutex();
    g->queue_mutex = SDL_CreateMutex();
    g->frame_cond = SDL_CreateCond();
    if (!g->frame_mutex || !g->queue_mutex || !g->frame_cond) {
        gfx_free(g);
        return nullptr;
    }
    return g;
}

Graphics *gfx_get() {
    if (!g_graphics) g_graphics = gfx_create();
    return g_graphics;
}

void gfx_destroy() {
    gfx_free(g_graphics);
    g_graphics = nullptr;
}

void gfx_free(Graphics *g) {
    if (!g) return;
    if (g->thread) {
        g->run_flags.fetch_or(GFX_RUN_QUIT);   // a thread never asked to stop would never be joined
        SDL_WaitThread(g->thread, nullptr);
        g->thread = nullptr;
    }
    if (g_screen.surface == g->screen && g->screen) gfx_screen_attach(nullptr);
    g->screen = nullptr;
    if (g->frame_mutex) SDL_DestroyMutex(g->frame_mutex);
    if (g->queue_mutex) SDL_DestroyMutex(g->queue_mutex);
    if (g->frame_cond) SDL_DestroyCond(g->frame_cond);
    gfx_free_backgrounds(g);
    std::free(g->clip_left);
    std::free(g->clip_top);
    std::free(g->clip_right);
    std::free(g->clip_bottom);
    delete g;
}

void gfx_set_size(Graphics *g, uint32_t flags) {
    g->flags = flags;
    g->width = GFX_WIDTH;
    g->height = GFX_HEIGHT;
}

Result gfx_init_video(Graphics *g) {
    if (g->width < 0 || g->height < 0) return RES_OUT_OF_RANGE;

    int bpp = 32;
    if (const SDL_VideoInfo *info = SDL_GetVideoInfo(); info && info->vfmt) {
        const SDL_PixelFormat *f = info->vfmt;
        log_write(LOG_GRAPHICS, LOG_DEBUG, "vfmt->rmask: 0x%x", f->Rmask);
        log_write(LOG_GRAPHICS, LOG_DEBUG, "vfmt->gmask: 0x%x", f->Gmask);
        log_write(LOG_GRAPHICS, LOG_DEBUG, "vfmt->bmask: 0x%x", f->Bmask);
        log_write(LOG_GRAPHICS, LOG_DEBUG, "vfmt->amask: 0x%x", f->Amask);
        log_write(LOG_GRAPHICS, LOG_DEBUG, "vfmt->bpp: %i", f->BitsPerPixel);
        if (f->BitsPerPixel == 32) bpp = 0;   // the desktop's own depth
    }
    Uint32 mode = SDL_HWSURFACE | SDL_DOUBLEBUF;
    if (g->flags & GFX_FLAG_FULLSCREEN) mode |= SDL_FULLSCREEN;
    SDL_Surface *screen = SDL_SetVideoMode(g->width, g->height, bpp, mode);
    if (!screen) {
        log_write(LOG_GRAPHICS, LOG_WARN, "Video mode %ix%i refused: %s", g->width, g->height, SDL_GetError());
        return RES_FAILED;
    }
    g->screen = screen;
    gfx_screen_attach(screen);
    // Primitives and glyphs for the depth SDL gave; 1 to 4 bytes are all served.
    (void)gfx_select_primitives(screen->format->BytesPerPixel);
    (void)font_select_glyph_blit(screen->format->BytesPerPixel);

    log_write(LOG_GRAPHICS, LOG_DEBUG,
              "Init graphics - w -> %i, h -> %i, pitch -> %i, bytesperpixel -> %i, FULLSCREEN -> %s, "
              "HWSURFACE -> %s, DOUBLEBUF -> %s",
              screen->w, screen->h, int(screen->pitch), int(screen->format->BytesPerPixel),
              yes_no(screen->flags & SDL_FULLSCREEN), yes_no(screen->flags & SDL_HWSURFACE),
              yes_no(screen->flags & SDL_DOUBLEBUF));
    SDL_WM_SetCaption("Astrovane", nullptr);
    SDL_ShowCursor(SDL_DISABLE);   // the game draws its own cursor sprite
    return RES_OK;
}

Result gfx_start_thread(Graphics *g) {
    if ((g->run_flags.load() & GFX_RUN_RUNNING) || g->thread) return RES_ALREADY_RUNNING;
    g->thread_seed = random_worker_seed();
    g->thread = SDL_CreateThread(gfx_thread_main, g);
    if (!g->thread) {
        log_write(LOG_GRAPHICS, LOG_WARN, "Cannot create the graphics thread: %s", SDL_GetError());   // start-up reports it
        return RES_FAILED;
    }
    return RES_OK;
}

int gfx_thread_main(void *graphics) {
    Graphics *g = static_cast<Graphics *>(graphics);
    if (g->run_flags.load() & GFX_RUN_RUNNING) return -3;
    random_seed(g->thread_seed);
    log_write(LOG_GRAPHICS, LOG_DEBUG, "Begin graphics thread");
    const Uint32 start = SDL_GetTicks();
    buffer_clear(&g->frame);
    g->run_flags.fetch_or(GFX_RUN_RUNNING);

    Uint32 draw_time = 0;
    while (g->run_flags.load() & GFX_RUN_RUNNING) {
        if (g->run_flags.load() & GFX_RUN_QUIT) break;
        SDL_mutexP(g->frame_mutex);
        ++g->cycles;
        const Uint32 t0 = SDL_GetTicks();
        take_queue(g);
        const bool drawn = run_frame(g);
        if (drawn && g->screen) {
            SDL_UpdateRects(g->screen, gfx_rect_count(&g->dirty), reinterpret_cast<SDL_Rect *>(g->dirty.data));
        }
        buffer_clear(&g->frame);
        SDL_CondBroadcast(g->frame_cond);
        SDL_mutexV(g->frame_mutex);

        const Uint32 now = SDL_GetTicks();
        if (drawn) draw_time += now - t0;
        const int wait = GFX_FRAME_MS - int(now - t0);
        SDL_Delay(Uint32(std::max(wait, 1)));
    }
    g->run_flags.fetch_and(~GFX_RUN_RUNNING);
    SDL_mutexP(g->frame_mutex);
    SDL_CondBroadcast(g->frame_cond);
    const uint32_t cycles = g->cycles, drawn_frames = g->drawn_frames;
    SDL_mutexV(g->frame_mutex);

    const double seconds = std::max((SDL_GetTicks() - start) / 1000.0, 0.1);
    const double avg_ms = drawn_frames ? double(draw_time) / drawn_frames : 0.0;
    const double avg_fps = draw_time ? drawn_frames / double(draw_time) * 1000.0 : 0.0;
    log_write(LOG_GRAPHICS, LOG_DEBUG,
              "End graphics thread, num frames -> %u, drawn frames -> %u, run seconds -> %.3f, total fps -> "
              "%.3f, draw time -> %d, avg ms per frame -> %.3f, avg fps -> %.3f",
              cycles, drawn_frames, seconds, cycles / seconds, int(draw_time), avg_ms, avg_fps);
    return 0;
}

GfxScreen *gfx_screen() { return &g_screen; }

namespace {

// Points the draw commands at a surface; the pictures' format stays the attached screen's.
void point_at(SDL_Surface *surface) {
    g_screen = GfxScreen{};
    if (!surface) return;
    g_screen.width = surface->w;
    g_screen.height = surface->h;
    g_screen.pixels = static_cast<uint8_t *>(surface->pixels);
    g_screen.pitch = surface->pitch;
    g_screen.bytes_per_pixel = surface->format->BytesPerPixel;
    g_screen.format = surface->format;
    g_screen.surface = surface;
    set_whole_screen_clip();
}

}  // namespace

void gfx_screen_attach(SDL_Surface *surface) {
    point_at(surface);
    sprite_set_screen_format(surface ? surface->format : nullptr);
}

void gfx_queue_lock(Graphics *g) { SDL_mutexP(g->queue_mutex); }
void gfx_queue_unlock(Graphics *g) { SDL_mutexV(g->queue_mutex); }
int  gfx_queue_is_empty(Graphics *g) { return g->queue.length < 1 ? 1 : 0; }
void gfx_queue_clear(Graphics *g) { buffer_clear(&g->queue); }

Result gfx_queue_command(Graphics *g, DrawCommandFn *fn, const void *payload, uint32_t size) {
    // The executor steps by the size the command returns, so a record must be whole or absent.
    if (!fn || (size > 0 && !payload) || size > uint32_t(INT32_MAX - FN_SIZE)) return RES_OUT_OF_RANGE;
    const int32_t before = g->queue.length;
    if (Result r = buffer_append(&g->queue, &fn, FN_SIZE); r != RES_OK) return r;
    if (size > 0) {
        if (Result r = buffer_append(&g->queue, payload, size); r != RES_OK) {
            buffer_truncate(&g->queue, before);
            return r;
        }
    }
    return RES_OK;
}

void gfx_request_quit(Graphics *g) { g->run_flags.fetch_or(GFX_RUN_QUIT); }

int gfx_thread_running(Graphics *g) { return g && (g->run_flags.load() & GFX_RUN_RUNNING) ? 1 : 0; }

void gfx_wait_frame(Graphics *g) {
    if (!gfx_thread_running(g)) return;
    SDL_mutexP(g->frame_mutex);
    const uint32_t seen = g->cycles;
    while (gfx_thread_running(g) && g->cycles == seen) SDL_CondWait(g->frame_cond, g->frame_mutex);
    SDL_mutexV(g->frame_mutex);
}

void gfx_wait_stopped(Graphics *g) {
    if (!g->frame_mutex) return;
    SDL_mutexP(g->frame_mutex);
    while (gfx_thread_running(g)) SDL_CondWait(g->frame_cond, g->frame_mutex);
    SDL_mutexV(g->frame_mutex);
}

uint32_t gfx_map_rgb(uint8_t r, uint8_t g, uint8_t b) {
    return g_screen.format ? SDL_MapRGB(g_screen.format, r, g, b) : 0;
}

void gfx_get_rgb(uint32_t pixel, uint8_t *r, uint8_t *g, uint8_t *b) {
    Uint8 rr = 0, gg = 0, bb = 0;
    if (g_screen.format) SDL_GetRGB(pixel, g_screen.format, &rr, &gg, &bb);
    if (r) *r = rr;
    if (g) *g = gg;
    if (b) *b = bb;
}

void gfx_encode_pixel(uint8_t *address, uint8_t r, uint8_t g, uint8_t b) {
    const uint32_t value = gfx_map_rgb(r, g, b);
    for (int i = 0; i < g_screen.bytes_per_pixel && i < 4; ++i) address[i] = uint8_t(value >> (8 * i));
}

void gfx_merge_dirty_rect(Graphics *g, int x, int y, int w, int h) { merge_rect(&g->dirty, x, y, w, h); }
void gfx_merge_restore_rect(Graphics *g, int x, int y, int w, int h) { merge_rect(&g->restore, x, y, w, h); }

int gfx_rect_count(const Buffer *list) { return list->length / int32_t(sizeof(GfxRect)); }

GfxRect gfx_rect_at(const Buffer *list, int index) { return rect_read(list, index); }

void gfx_execute(const uint8_t *data, int32_t length) {
    size_t pos = 0;
    while (pos + FN_SIZE <= size_t(length)) {
        DrawCommandFn *fn;
        std::memcpy(&fn, data + pos, FN_SIZE);
        pos += FN_SIZE + fn(data + pos + FN_SIZE);
    }
}

SDL_Surface *gfx_create_surface32(int width, int height) {
    return SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 32, 0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0);
}

Result gfx_replay_frame(Graphics *g, SDL_Surface *target) {
    if (!target) return RES_OUT_OF_RANGE;
    // The graphics thread reads the screen while it runs a frame, loader threads the pictures'
    // format: the target is swapped in under the frame lock and the format is left alone.
    SDL_mutexP(g->frame_mutex);
    const GfxScreen saved = g_screen;
    point_at(target);
    take_queue(g);
    run_frame(g);
    buffer_clear(&g->frame);
    g_screen = saved;
    SDL_mutexV(g->frame_mutex);
    return RES_OK;
}

// --- draw commands -------------------------------------------------------------------------

uint32_t gfx_lock_screen(const uint8_t *) {
    if (SDL_Surface *s = g_screen.surface) {
        if (SDL_MUSTLOCK(s)) SDL_LockSurface(s);
        g_screen.pixels = static_cast<uint8_t *>(s->pixels);
    }
    return 0;
}

uint32_t gfx_unlock_screen(const uint8_t *) {
    if (SDL_Surface *s = g_screen.surface; s && SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
    return 0;
}

uint32_t gfx_add_dirty_rect(const uint8_t *payload) {
    GfxRect r;
    std::memcpy(&r, payload, sizeof r);
    gfx_merge_dirty_rect(gfx_get(), r.x, r.y, r.w, r.h);
    return sizeof r;
}

uint32_t gfx_add_restore_rect(const uint8_t *payload) {
    GfxRect r;
    std::memcpy(&r, payload, sizeof r);
    gfx_merge_restore_rect(gfx_get(), r.x, r.y, r.w, r.h);
    return sizeof r;
}

uint32_t gfx_restore_rect(const uint8_t *payload) {
    GfxRect r;
    std::memcpy(&r, payload, sizeof r);
    restore_one(gfx_get(), r);
    return sizeof r;
}

uint32_t gfx_restore_all(const uint8_t *) {
    Graphics *g = gfx_get();
    for (int i = 0; i < gfx_rect_count(&g->restore); ++i) restore_one(g, rect_read(&g->restore, i));
    buffer_clear(&g->restore);
    return 0;
}

uint32_t gfx_clear_restore_rects(const uint8_t *) {
    buffer_clear(&gfx_get()->restore);
    return 0;
}

uint32_t gfx_push_clip(const uint8_t *payload) {
    int32_t c[4];
    std::memcpy(c, payload, sizeof c);
    Graphics *g = gfx_get();
    if (g->clip_count >= g->clip_capacity) {
        const int32_t capacity = g->clip_capacity < 1 ? 8 : g->clip_capacity * 2;
        int32_t **arrays[4] = {&g->clip_left, &g->clip_top, &g->clip_right, &g->clip_bottom};
        for (int32_t **a : arrays) {
            auto *grown = static_cast<int32_t *>(std::realloc(*a, size_t(capacity) * sizeof(int32_t)));
            if (!grown) return sizeof c;   // out of memory: the clip stays as it is
            *a = grown;
        }
        g->clip_capacity = capacity;
    }
    const int n = g->clip_count;
    std::memmove(g->clip_left + 1, g->clip_left, size_t(n) * sizeof(int32_t));
    std::memmove(g->clip_top + 1, g->clip_top, size_t(n) * sizeof(int32_t));
    std::memmove(g->clip_right + 1, g->clip_right, size_t(n) * sizeof(int32_t));
    std::memmove(g->clip_bottom + 1, g->clip_bottom, size_t(n) * sizeof(int32_t));
    g->clip_left[0] = g_screen.clip_left;
    g->clip_top[0] = g_screen.clip_top;
    g->clip_right[0] = g_screen.clip_right;
    g->clip_bottom[0] = g_screen.clip_bottom;
    ++g->clip_count;

    const int left = std::max(c[0], g_screen.clip_left), top = std::max(c[1], g_screen.clip_top);
    const int right = std::min(c[2], g_screen.clip_right), bottom = std::min(c[3], g_screen.clip_bottom);
    if (left < right && top < bottom) {
        g_screen.clip_left = left;
        g_screen.clip_top = top;
        g_screen.clip_right = right;
        g_screen.clip_bottom = bottom;
    } else {
        g_screen.clip_left = 0;
        g_screen.clip_top = 0;
        g_screen.clip_right = 1;
        g_screen.clip_bottom = 1;
    }
    g_screen.clip_active = 1;
    return sizeof c;
}

uint32_t gfx_pop_clip(const uint8_t *) {
    Graphics *g = gfx_get();
    if (g->clip_count < 1) {
        set_whole_screen_clip();
        g_screen.clip_active = 0;
        return 0;
    }
    g_screen.clip_left = g->clip_left[0];
    g_screen.clip_top = g->clip_top[0];
    g_screen.clip_right = g->clip_right[0];
    g_screen.clip_bottom = g->clip_bottom[0];
    const int n = --g->clip_count;
    std::memmove(g->clip_left, g->clip_left + 1, size_t(n) * sizeof(int32_t));
    std::memmove(g->clip_top, g->clip_top + 1, size_t(n) * sizeof(int32_t));
    std::memmove(g->clip_right, g->clip_right + 1, size_t(n) * sizeof(int32_t));
    std::memmove(g->clip_bottom, g->clip_bottom + 1, size_t(n) * sizeof(int32_t));
    g_screen.clip_active = 1;
    return 0;
}

// --- backgrounds ---------------------------------------------------------------------------

namespace {

bool valid_slot(uint32_t slot) { return slot < uint32_t(GFX_BACKGROUND_SLOTS); }

uint32_t read_slot(const uint8_t *payload) {
    uint32_t slot;
    std::memcpy(&slot, payload, sizeof slot);
    return slot;
}

void load_slot(Graphics *g, uint32_t slot) {
    if (!valid_slot(slot) || g->bg_slots[slot]) return;
    log_write(LOG_GAME, LOG_DEBUG4, "BG load %i", int(slot));
    Sprite *image = nullptr;
    if (bg_load_file(int(slot), &image) != RES_OK) return;   // the slot stays empty
    sprite_addref(image);
    g->bg_slots[slot] = image;
}

// The part of a w x h rectangle at x, y that lies inside 0..limit_w-1, 0..limit_h-1.
struct SurfaceSpan {
    int x0, y0, x1, y1;   // x1, y1 exclusive
    bool empty() const { return x0 >= x1 || y0 >= y1; }
};

SurfaceSpan clip_to(int x, int y, int w, int h, int limit_w, int limit_h) {
    return {std::max(x, 0), std::max(y, 0), std::min(x + w, limit_w), std::min(y + h, limit_h)};
}

// The working background's pixels, valid while it is locked (or when it needs no lock).
bool work_pixels(const Graphics *g, uint8_t **pixels, int *pitch, int *bpp) {
    SDL_Surface *s = g->work_bg_surface;
    if (!s || !s->pixels) return false;
    *pixels = static_cast<uint8_t *>(s->pixels);
    *pitch = s->pitch;
    *bpp = s->format->BytesPerPixel;
    return true;
}

}  // namespace

Result bg_load_file(int slot, Sprite **out) {
    char path[32];
    std::snprintf(path, sizeof path, "bg/%.3i.png", slot);
    Sprite *image = sprite_load_png(path);
    if (!image) {
        log_write(LOG_GAME, LOG_ERROR, "Failed to load bg %i", slot);
        return RES_READ_FAILED;
    }
    if (out) *out = image;
    else sprite_free(image);   // nobody took a reference yet
    return RES_OK;
}

void gfx_free_backgrounds(Graphics *g) {
    if (g->work_bg) sprite_release(g->work_bg);
    g->work_bg = nullptr;
    g->work_bg_surface = nullptr;
    for (Sprite *&image : g->bg_slots) {
        if (image) sprite_release(image);
        image = nullptr;
    }
    g->current_bg = nullptr;
}

uint32_t bg_load_command(const uint8_t *payload) {
    load_slot(gfx_get(), read_slot(payload));
    return 4;
}

uint32_t bg_free_command(const uint8_t *payload) {
    const uint32_t slot = read_slot(payload);
    Graphics *g = gfx_get();
    if (!valid_slot(slot) || !g->bg_slots[slot]) return 4;
    log_write(LOG_GAME, LOG_DEBUG4, "BG free %i", int(slot));
    if (g->current_bg == g->bg_slots[slot]) g->current_bg = nullptr;
    sprite_release(g->bg_slots[slot]);
    g->bg_slots[slot] = nullptr;
    return 4;
}

uint32_t bg_set_command(const uint8_t *payload) {
    const uint32_t slot = read_slot(payload);
    Graphics *g = gfx_get();
    if (!valid_slot(slot)) return 4;
    load_slot(g, slot);
    if (!g->bg_slots[slot]) return 4;
    Sprite *copy = nullptr;
    if (bg_load_file(int(slot), &copy) != RES_OK) return 4;   // logged; the old working background stays
    sprite_addref(copy);
    if (g->work_bg) sprite_release(g->work_bg);
    g->work_bg = copy;
    g->work_bg_surface = copy->surface;
    g->current_bg = g->bg_slots[slot];
    log_write(LOG_GAME, LOG_DEBUG4, "BG set, now %i", int(slot));
    return 4;
}

uint32_t bg_copy_rect_command(const uint8_t *payload) {
    BgCopyPayload p;
    std::memcpy(&p, payload, sizeof p);
    Graphics *g = gfx_get();
    if (!valid_slot(p.slot) || !g->bg_slots[p.slot] || !g->bg_slots[p.slot]->surface || !g->work_bg_surface)
        return sizeof p;
    SDL_Rect src{p.rect.x, p.rect.y, p.rect.w, p.rect.h};
    SDL_Rect dst = src;
    SDL_UpperBlit(g->bg_slots[p.slot]->surface, &src, g->work_bg_surface, &dst);
    return sizeof p;
}

uint32_t bg_reset_rect_command(const uint8_t *payload) {
    GfxRect r;
    std::memcpy(&r, payload, sizeof r);
    Graphics *g = gfx_get();
    const Sprite *from = g->current_bg;
    uint8_t *pixels;
    int pitch, bpp;
    if (!from || !work_pixels(g, &pixels, &pitch, &bpp) || from->bytes_per_pixel != bpp) return sizeof r;
    // Clipped to the screen and to both images, whatever size their files gave them.
    const int limit_w = std::min({g_screen.width, from->width, g->work_bg_surface->w});
    const int limit_h = std::min({g_screen.height, from->height, g->work_bg_surface->h});
    const SurfaceSpan c = clip_to(r.x, r.y, r.w, r.h, limit_w, limit_h);
    if (c.empty()) return sizeof r;
    const size_t row_bytes = size_t(c.x1 - c.x0) * size_t(bpp);
    const size_t from_pitch = size_t(from->width) * size_t(bpp);
    for (int y = c.y0; y < c.y1; ++y)
        std::memcpy(pixels + size_t(y) * size_t(pitch) + size_t(c.x0) * size_t(bpp),
                    from->pixels.data() + size_t(y) * from_pitch + size_t(c.x0) * size_t(bpp), row_bytes);
    return sizeof r;
}

uint32_t bg_put_pixels_command(const uint8_t *payload) {
    BgPixelsPayload p;
    std::memcpy(&p, payload, sizeof p);
    Graphics *g = gfx_get();
    uint8_t *pixels;
    int pitch, bpp;
    if (!p.pixels || !work_pixels(g, &pixels, &pitch, &bpp)) return sizeof p;
    const int limit_w = std::min(g_screen.width, g->work_bg_surface->w);
    const int limit_h = std::min(g_screen.height, g->work_bg_surface->h);
    const SurfaceSpan c = clip_to(p.x, p.y, p.w, p.h, limit_w, limit_h);
    if (c.empty()) return sizeof p;
    const size_t block_pitch = size_t(p.w) * size_t(bpp);
    const size_t row_bytes = size_t(c.x1 - c.x0) * size_t(bpp);
    for (int y = c.y0; y < c.y1; ++y)
        std::memcpy(pixels + size_t(y) * size_t(pitch) + size_t(c.x0) * size_t(bpp),
                    p.pixels + size_t(y - p.y) * block_pitch + size_t(c.x0 - p.x) * size_t(bpp), row_bytes);
    return sizeof p;
}

uint32_t bg_capture_screen_command(const uint8_t *payload) {
    GfxRect r;
    std::memcpy(&r, payload, sizeof r);
    Graphics *g = gfx_get();
    uint8_t *pixels;
    int pitch, bpp;
    if (!g_screen.pixels || !work_pixels(g, &pixels, &pitch, &bpp) || g_screen.bytes_per_pixel != bpp) return sizeof r;
    const int limit_w = std::min(g_screen.width, g->work_bg_surface->w);
    const int limit_h = std::min(g_screen.height, g->work_bg_surface->h);
    const SurfaceSpan c = clip_to(r.x, r.y, r.w, r.h, limit_w, limit_h);
    if (c.empty()) return sizeof r;
    const size_t row_bytes = size_t(c.x1 - c.x0) * size_t(bpp);
    for (int y = c.y0; y < c.y1; ++y)
        std::memcpy(pixels + size_t(y) * size_t(pitch) + size_t(c.x0) * size_t(bpp),
                    g_screen.pixels + size_t(y) * g_screen.pitch + size_t(c.x0) * size_t(bpp), row_bytes);
    return sizeof r;
}

uint32_t bg_lock_command(const uint8_t *) {
    if (SDL_Surface *s = gfx_get()->work_bg_surface; s && SDL_MUSTLOCK(s)) SDL_LockSurface(s);
    return 0;
}

uint32_t bg_unlock_command(const uint8_t *) {
    if (SDL_Surface *s = gfx_get()->work_bg_surface; s && SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
    return 0;
}
