#pragma once
// Sprite: a picture from the data store in the screen's pixel format, shared by reference count
// between the game thread (which queues it in draw commands) and the graphics thread (which draws
// it and drops the reference the command carried).
//  - Every image file is an 8-bit RGB or RGBA PNG. Alpha 0 and the colour SPRITE_COLOUR_KEY are
//    transparent; every other alpha is opaque (there is no partial transparency).
//  - Besides the pixels a sprite carries a span table (per row: alternating transparent and
//    opaque run lengths in bytes, starting with a transparent run, each row ended by
//    SPRITE_SPAN_END) and a one-bit hit mask (most significant bit first, stride ceil(width / 8)),
//    kept again by 64-bit words for the overlap test.
//    The outline and angle maps that the glow needs are built on request, on the game thread,
//    before a command that needs them is queued.
//  - A new sprite has refcount 0. Holders take a reference (sprite_addref) and drop it
//    (sprite_release); the release that leaves the count below 1 frees the sprite. Only the
//    refcount changes after a sprite is shared; it changes under the sprite's mutex.
//  - Loaders return null (a numbered set: count 0) after logging; nothing here throws.
//  - Sizes read from a file are never trusted: a draw is clipped to the screen's clip rectangle
//    whatever the picture's size, and a header is refused before anything is allocated when a side
//    passes SPRITE_MAX_SIDE or the area SPRITE_MAX_PIXELS. The largest picture the game shows is a
//    full-screen backdrop of 1024 x 768; the bounds leave room for four times that width and five
//    such screens of area, and cap a picture's decoding memory at about 40 MiB.
//  - Result codes: RES_UNSUPPORTED (-20) colour type or bit depth refused, RES_MALFORMED (-23) a
//    numbered size below 1, RES_READ_FAILED (-5) a header that does not decode, and the store's
//    open failures (-6, -67, -68).
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <vector>
#include "platform/result.h"
#include "platform/graphics.h"

struct SDL_Surface;

inline constexpr uint8_t  SPRITE_KEY_R = 234, SPRITE_KEY_G = 0, SPRITE_KEY_B = 138;  // SPRITE_COLOUR_KEY
inline constexpr uint32_t SPRITE_SPAN_END = 0xFFFFFFFFu;
inline constexpr int      SPRITE_MAP_MARGIN = 13;        // outline/angle maps reach this far out
inline constexpr int      SPRITE_OUTLINE_FAR = 15;       // outline cell: inside the mask, or farther than 13
inline constexpr int      SPRITE_MAX_SIDE = 4096;        // larger PNG headers are refused
inline constexpr uint32_t SPRITE_MAX_PIXELS = 2048u * 2048u;   // ... and so are larger areas

inline constexpr uint32_t SPRITE_FLAG_OUTLINE_MAP = 1u;
inline constexpr uint32_t SPRITE_FLAG_ANGLE_MAP   = 2u;

// sprite_draw_command flags
inline constexpr uint16_t SPRITE_DRAW_SCALE      = 1;    // shrink by numerator / denominator, no colour effects
inline constexpr uint16_t SPRITE_DRAW_BLEND      = 2;    // blend with the screen (default half and half)
inline constexpr uint16_t SPRITE_DRAW_ADDITIVE   = 4;    // with BLEND or TINT: sum, limited to 255
inline constexpr uint16_t SPRITE_DRAW_MOSTLY_SPRITE = 8; // with BLEND or TINT: 3 parts sprite to 1
inline constexpr uint16_t SPRITE_DRAW_MOSTLY_SCREEN = 16;// with BLEND: 3 parts screen to 1
inline constexpr uint16_t SPRITE_DRAW_TINT       = 32;   // mix with the tint colour
inline constexpr uint16_t SPRITE_DRAW_BRIGHTNESS = 64;   // scale every byte by brightness percent
inline constexpr uint16_t SPRITE_DRAW_DESATURATE = 128;  // move towards grey by desaturation percent

struct Sprite {
    int32_t     refcount = 0;
    std::mutex  mutex;                     // guards refcount
    uint32_t    flags = 0;                 // SPRITE_FLAG_*
    SDL_Surface *surface = nullptr;        // over `pixels`, colour key set; null for mask-only sprites
    int32_t     width = 0, height = 0;
    std::vector<uint32_t> spans;           // run lengths in bytes; rows end with SPRITE_SPAN_END
    std::vector<uint8_t>  mask;            // hit mask, mask_stride x height bytes
    int32_t     mask_stride = 0;
    std::vector<uint64_t> mask_words;      // the same bits by 64-bit words (column 64k at the top
    int32_t     mask_word_stride = 0;      // bit of word k), mask_word_stride x height words
    std::vector<int32_t>  mask_row_span;   // per row its first and last set column; first > last
                                           // for a row without one
    int32_t     mask_top = 0, mask_bottom = -1;   // the first and last rows with a set column, and the
    int32_t     mask_left = 0, mask_right = -1;   // least and greatest set column (bottom < top: none)
    std::vector<uint8_t>  pixels;          // width x height x bytes-per-pixel, rows packed
    int32_t     bytes_per_pixel = 0;
    uint32_t    colour_key = 0;            // SPRITE_COLOUR_KEY mapped to the pixel format
    std::vector<uint8_t>  outline;         // 4-bit cells, high nibble first, (w + 26) x (h + 26)
    int32_t     outline_stride = 0;        // bytes per outline row: ceil((w + 26) / 2)
    std::vector<uint16_t> angles;          // whole degrees, (w + 26) x (h + 26)
    int32_t     angle_stride = 0;          // entries per angle row: w + 26
};

// Lifetime.
Sprite *sprite_create();                                   // zeroed, refcount 0
void    sprite_free(Sprite *sprite);                       // frees everything it owns and the record
void    sprite_addref(Sprite *sprite);
void    sprite_release(Sprite *sprite);                    // frees it when the count drops below 1
void    sprite_array_release(Sprite **sprites, int count); // releases each non-null entry, frees the array

// Loading. Paths are store asset paths ("bg/000.png").
Sprite *sprite_load_png(const char *path);
// The loader over an open stream (the store entry, or any PNG bytes); `name` is for the log.
Sprite *sprite_load_png_stream(const char *name, FILE *stream);
Result  sprite_check_png(const char *path, int *width, int *height);
Result  sprite_check_png_stream(const char *name, FILE *stream, int *width, int *height);
// "<dir>/000.png", "<dir>/001.png", ... up to the first that does not load; every sprite holds one
// reference. Null and count 0 when the first is missing.
Sprite **sprite_load_numbered(const char *dir, int *count);
// The same, keeping only size, hit mask and stride of each (collision frames).
Sprite **sprite_load_numbered_masks(const char *dir, int *count);
// The sizes of the numbered set without decoding it; a size below 1 ends the scan with -23.
Result  sprite_read_numbered_sizes(const char *dir, int *count, std::vector<int> *widths,
                                   std::vector<int> *heights);
Sprite *sprite_copy(const Sprite *sprite);                 // null on any allocation failure

// Spans and hit mask from the pixels (done by the loader).
void    sprite_build_spans(Sprite *sprite);

// Hit tests (game thread).
int  mask_test(const Sprite *sprite, int x, int y);
// 1 when a set bit of b, with its top-left corner at (dx, dy) in a's coordinates, meets a set
// bit of a; the first hit (a's rows from the top, then from the left) goes to *x, *y in a's
// coordinates when the pointers are given.
int  mask_overlap(const Sprite *a, const Sprite *b, int dx, int dy, int *x, int *y);
// A random opaque pixel of the sprite, drawn as x = random_range(0, w - 1) then
// y = random_range(0, h - 1) until one is opaque, at most `tries` draws. False (nothing stored)
// when none was found, at once when the mask has no set bit: a picture without one opaque pixel
// must not keep its caller searching forever.
bool mask_random_opaque_pixel(const Sprite *sprite, int tries, int *x, int *y);

// Glow maps, built once (later calls do nothing).
void sprite_build_outline_map(Sprite *sprite);
void sprite_build_angle_map(Sprite *sprite);
int  sprite_outline_value(const Sprite *sprite, int cell_x, int cell_y);   // map cell, 0..15
// The box the glow of these per-sector levels covers, relative to the sprite: left and top are 0
// or negative, extra right and bottom 0 or more. Needs both maps; does nothing without them.
void sprite_outline_extent(const Sprite *sprite, const uint8_t levels[4], int *left, int *top,
                           int *extra_right, int *extra_bottom);

// ---- Draw commands (graphics thread) -------------------------------------------------------------

#pragma pack(push, 1)
struct SpriteBlitPayload {
    int16_t x, y;
    Sprite *sprite;                // one reference
};
struct SpriteDrawPayload {
    uint16_t flags;                // SPRITE_DRAW_*
    int16_t  x, y;
    uint16_t pad;
    Sprite  *sprite;               // one reference
    uint8_t  tint_r, tint_g, tint_b, pad2;
    int16_t  brightness;           // percent, with SPRITE_DRAW_BRIGHTNESS
    int16_t  desaturation;         // percent, with SPRITE_DRAW_DESATURATE
    uint16_t scale_numerator, scale_denominator;   // with SPRITE_DRAW_SCALE
};
#pragma pack(pop)

// Blits the whole picture at (x, y) through SDL inside the clip; drops the reference.
DrawCommandFn sprite_blit_command;
// Draws the picture by its spans with the effect its flags ask for; drops the reference, also
// when it draws nothing.
DrawCommandFn sprite_draw_command;

// Queue helpers (game thread, queue lock held): take the reference the command drops.
Result sprite_queue_blit(Graphics *g, Sprite *sprite, int x, int y);
Result sprite_queue_draw(Graphics *g, const SpriteDrawPayload &payload);
