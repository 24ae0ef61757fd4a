#pragma once
// Graphics: the graphics context, its draw-command queue and the graphics thread.
//  - Drawing is deferred. Screen code never touches the screen: on the game thread it appends
//    draw commands (a function and its payload bytes) to the queue with gfx_queue_command, under
//    the queue lock and only while the queue is empty (the graphics thread has taken the previous
//    frame). The graphics thread moves the queue into its frame buffer, runs every command against
//    the screen surface and pushes the changed (dirty) rectangles to the display.
//  - A command is `uint32_t fn(const uint8_t *payload)`: it runs on the graphics thread and
//    returns its payload size in bytes, the same whatever it did (0 when it has none); the
//    executor steps over the function pointer and that many bytes. Payloads are packed and
//    unaligned: copy them out with memcpy. Whatever a payload points to must stay valid until the
//    frame has run (sprite commands carry a reference that the command drops).
//  - GfxScreen (gfx_screen) describes the surface commands draw on: its size and pixel format are
//    fixed by video set-up and read by the game thread to map colours and cull; the pixel pointer
//    and the clip are written by commands on the graphics thread only.
//  - The dirty list, the restore list, the clip stack and the background slots are written by
//    commands only. A frame can also be run into an off-screen 32-bit surface (gfx_replay_frame)
//    so tests look at pixels without a window.
//  - Backgrounds: 52 slots of full-screen pictures and a working background, a private copy of
//    the current slot's picture that drawing may alter between bg_lock_command and
//    bg_unlock_command; areas are repainted from it with gfx_restore_rect, and a rectangle of
//    what the screen shows can be kept in it (bg_capture_screen_command), so a picture drawn once
//    is repainted as long as nothing resets it. Each slot and the working background hold one
//    sprite reference. A slot whose picture does not load stays
//    empty, and every command that needs it does nothing.
//  - Locks: frame mutex (held by the graphics thread for a whole cycle), then queue mutex. The
//    frame condition is broadcast after every cycle and when the thread ends; waiters use the
//    cycle counter as predicate, so a spurious wake-up never ends a wait early.
//  - Results: RES_OK; RES_OUT_OF_RANGE (negative size); RES_FAILED (SDL refused the video mode,
//    or the thread could not be created); RES_ALREADY_RUNNING (the thread is running already);
//    RES_NO_MEMORY.
#include <SDL.h>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include "platform/buffer.h"
#include "platform/result.h"

struct Sprite;

using DrawCommandFn = uint32_t(const uint8_t *payload);

// A rectangle of payloads and of the two rectangle lists (8 bytes, packed like SDL_Rect).
struct GfxRect {
    int16_t  x, y;
    uint16_t w, h;
};
static_assert(sizeof(GfxRect) == 8);

constexpr int      GFX_WIDTH = 1024;
constexpr int      GFX_HEIGHT = 768;
constexpr int      GFX_FRAME_MS = 20;
constexpr int      GFX_BACKGROUND_SLOTS = 52;
constexpr uint32_t GFX_FLAG_FULLSCREEN = 0x1u;      // Graphics::flags
constexpr uint32_t GFX_RUN_QUIT = 0x1u;             // Graphics::run_flags
constexpr uint32_t GFX_RUN_RUNNING = 0x2u;

struct Graphics {
    uint32_t              flags = 0;
    std::atomic<uint32_t> run_flags{0};
    int32_t               width = 0, height = 0;
    SDL_Thread           *thread = nullptr;
    uint32_t              thread_seed = 0;     // the graphics thread's quick generator, drawn by its starter
    SDL_Surface          *screen = nullptr;    // owned by SDL
    Buffer                frame;               // the frame being executed
    Buffer                queue;               // the next frame, appended by the game thread
    SDL_mutex            *frame_mutex = nullptr;
    SDL_mutex            *queue_mutex = nullptr;
    SDL_cond             *frame_cond = nullptr;
    Buffer                dirty;               // GfxRect records shown at the end of this frame
    Buffer                restore;             // GfxRect records repainted by the next restore-all
    SDL_Surface          *work_bg_surface = nullptr;   // surface of work_bg, not owned separately
    Sprite               *work_bg = nullptr;           // private copy of the current background
    Sprite               *bg_slots[GFX_BACKGROUND_SLOTS] = {};
    Sprite               *current_bg = nullptr;        // not owned
    int32_t              *clip_left = nullptr;         // clip stack; newest saved rectangle at 0
    int32_t              *clip_top = nullptr;
    int32_t              *clip_right = nullptr;
    int32_t              *clip_bottom = nullptr;
    int32_t               clip_count = 0, clip_capacity = 0;
    uint32_t              cycles = 0;          // thread cycles; read under the frame mutex
    uint32_t              drawn_frames = 0;
};

// The surface commands draw on. Clip bounds are inclusive.
struct GfxScreen {
    int32_t          width = 0, height = 0;
    int32_t          clip_left = 0, clip_top = 0, clip_right = -1, clip_bottom = -1;
    int32_t          clip_active = 0;
    uint8_t         *pixels = nullptr;     // refreshed by gfx_lock_screen
    uint16_t         pitch = 0;            // bytes per row
    uint8_t          bytes_per_pixel = 0;
    SDL_PixelFormat *format = nullptr;
    SDL_Surface     *surface = nullptr;
};

// Context and thread (main thread).
Graphics *gfx_create();           // null when out of memory
Graphics *gfx_get();              // the singleton, created on first use
void      gfx_destroy();          // frees the singleton (gfx_free) and forgets it
void      gfx_free(Graphics *g);  // joins the thread, frees everything the context owns
void      gfx_set_size(Graphics *g, uint32_t flags);   // stores flags; 1024 x 768
Result    gfx_init_video(Graphics *g);
Result    gfx_start_thread(Graphics *g);
int       gfx_thread_main(void *graphics);   // the graphics thread's body

GfxScreen *gfx_screen();
void       gfx_screen_attach(SDL_Surface *surface);   // whole-screen clip and the pictures' format; null detaches

// Queue access for the frame builder (game thread).
void   gfx_queue_lock(Graphics *g);
void   gfx_queue_unlock(Graphics *g);
int    gfx_queue_is_empty(Graphics *g);   // 1 when the graphics thread has taken the last frame
void   gfx_queue_clear(Graphics *g);
Result gfx_queue_command(Graphics *g, DrawCommandFn *fn, const void *payload, uint32_t size);

void gfx_request_quit(Graphics *g);
void gfx_wait_frame(Graphics *g);     // returns after the thread's next cycle, at once when it is not running
void gfx_wait_stopped(Graphics *g);   // returns once the thread has left its loop
int  gfx_thread_running(Graphics *g);

// Colours through the screen's pixel format.
uint32_t gfx_map_rgb(uint8_t r, uint8_t g, uint8_t b);
void     gfx_get_rgb(uint32_t pixel, uint8_t *r, uint8_t *g, uint8_t *b);
void     gfx_encode_pixel(uint8_t *address, uint8_t r, uint8_t g, uint8_t b);   // 1..4 bytes, LSB first

// Rectangle lists and the clip stack, as the commands below apply them (graphics thread).
void gfx_merge_dirty_rect(Graphics *g, int x, int y, int w, int h);
void gfx_merge_restore_rect(Graphics *g, int x, int y, int w, int h);
int  gfx_rect_count(const Buffer *list);
GfxRect gfx_rect_at(const Buffer *list, int index);

// Frame execution: runs every command of the bytes in order.
void gfx_execute(const uint8_t *data, int32_t length);

// Tests: a 32-bit software surface in the screen's layout (blue byte 0, green 1, red 2), and one
// queued frame run into it as the graphics thread would run it, without showing anything. The
// previous screen is attached again afterwards. Not while the thread runs.
SDL_Surface *gfx_create_surface32(int width, int height);
Result       gfx_replay_frame(Graphics *g, SDL_Surface *target);

// Backgrounds: slot n holds the image "bg/%.3i.png" (n 0..51) with one reference, or nothing.
// Loads the image into *out (freed when out is null); RES_READ_FAILED, logged, when it does not load.
Result bg_load_file(int slot, Sprite **out);
void   gfx_free_backgrounds(Graphics *g);   // the working background and every slot

// Payload of bg_copy_rect_command.
struct BgCopyPayload {
    GfxRect  rect;
    uint32_t slot;
};
static_assert(sizeof(BgCopyPayload) == 12);

// Payload of bg_put_pixels_command: a w x h block in the screen's pixel format, rows w pixels apart,
// owned by the caller until the frame has run.
struct __attribute__((packed)) BgPixelsPayload {
    int16_t        x, y;
    const uint8_t *pixels;
    uint16_t       w, h;
};
static_assert(sizeof(BgPixelsPayload) == 12 + sizeof(void *) - 4);

// Draw commands of the context.
DrawCommandFn gfx_lock_screen;            // no payload
DrawCommandFn gfx_unlock_screen;          // no payload
DrawCommandFn gfx_add_dirty_rect;         // GfxRect
DrawCommandFn gfx_add_restore_rect;       // GfxRect
DrawCommandFn gfx_restore_rect;           // GfxRect: working background -> screen, marked dirty
DrawCommandFn gfx_restore_all;            // no payload: every restore rectangle, then the list is emptied
DrawCommandFn gfx_clear_restore_rects;    // no payload
DrawCommandFn gfx_push_clip;              // i32 left, top, right, bottom (inclusive)
DrawCommandFn gfx_pop_clip;               // no payload
DrawCommandFn bg_load_command;            // u32 slot: loads it unless it is loaded
DrawCommandFn bg_free_command;            // u32 slot: frees it, and forgets it as current background
DrawCommandFn bg_set_command;             // u32 slot: loads it when needed; a private copy becomes the working background
DrawCommandFn bg_copy_rect_command;       // BgCopyPayload: that rectangle of the slot's image into the working background
DrawCommandFn bg_reset_rect_command;      // GfxRect: that rectangle of the current background into the working one
DrawCommandFn bg_put_pixels_command;      // BgPixelsPayload: a pixel block into the working background
// GfxRect: that rectangle of the screen into the working background (both locked around it, the
// screen with gfx_lock_screen); nothing when there is no working background or the two differ in depth.
DrawCommandFn bg_capture_screen_command;
DrawCommandFn bg_lock_command;            // no payload: lock the working background when it must be
DrawCommandFn bg_unlock_command;          // no payload
