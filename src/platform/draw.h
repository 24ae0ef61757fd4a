#pragma once
// Draw: the shape primitives of the graphics context: fills, frames, lines, grids, circles,
// colour effects over rectangles, and the sprite-mask effects (outline, glow rings, brightening
// under a one-bit mask).
//  - Every primitive is a draw command (graphics.h): it runs on the graphics thread against the
//    locked screen, returns its payload size whatever it drew, draws only inside GfxScreen's clip
//    rectangle (gfx_circle: inside the screen) and leaves the dirty and restore lists to the caller.
//  - The primitives live in a table chosen once by the screen's bytes per pixel
//    (gfx_select_primitives, at video set-up). The screen runs at 4 bytes per pixel, where every
//    primitive draws; at 1..3 bytes only gfx_plot (and gfx_darken_rect at 3) draw, the others
//    only consume their payload and drop the reference it carries.
//  - Screen code never calls a primitive: it queues one with the gfx_queue_* helpers below (or
//    gfx_queue_command with the table's pointer and a payload).
//  - A payload that points to a Sprite carries one reference, one that points to a SharedRef
//    carries one reference on the holder; the command drops it when it has run, drawn or not.
//  - Colours of the byte-writing primitives (darken, tint, noise, gradient map, mask brighten,
//    blend block) are the 4-byte pixel's blue, green, red in bytes 0, 1, 2; byte 3 is kept.
//  - Results of the queue helpers: RES_OK or RES_NO_MEMORY (the queue could not grow).
//
// Names other modules may know these by:
//   gfx_fill_rect_command -> gfx_queue_fill_rect      gfx_rect_outline_command -> gfx_queue_frame_rect
//   gfx_line_command      -> gfx_queue_line           gfx_plot_pixel_command   -> gfx_queue_plot
//   gfx_circle_command    -> gfx_queue_circle         pixel_buffer_blend_command -> gfx_queue_blend_block
//   sprite_glow_command   -> gfx_queue_sprite_glow    sprite_silhouette_command -> gfx_queue_sprite_outline
//   "half-blend fill" -> gfx_tint_rect; "halo" -> gfx_glow_frame; "moving grid" -> gfx_grid;
//   "one-bit mask in one colour" -> gfx_mask_brighten.
#include <cstdint>
#include "platform/result.h"
#include "platform/graphics.h"

struct Sprite;
struct SharedRef;
struct Graphics;

#pragma pack(push, 1)
struct GfxColourRectPayload {      // fill, frame, tint, noise (maxima), glow frame
    GfxRect rect;
    uint8_t r, g, b, pad;
};
struct GfxDarkenPayload {
    GfxRect rect;
    uint8_t shift, pad;
};
struct GfxGradientMapPayload {     // map: w x h bytes, one reference
    int16_t    x, y;
    uint16_t   w, h;
    SharedRef *map;
    uint8_t    from_r, from_g, from_b, to_r, to_g, to_b, pad[2];
};
struct GfxSpriteGlowPayload {
    Sprite  *sprite;                // one reference
    uint8_t  flags, pad;            // GFX_GLOW_*
    int16_t  x, y;
    uint8_t  red[4], green[4], blue[4], level[4];   // per sector
    uint8_t  pad2[2];
    int32_t  angle_offset;
    int32_t  fade_step;             // percent per pixel of distance
};
struct GfxSpriteOutlinePayload {
    Sprite  *sprite;                // one reference
    int16_t  x, y;
    uint8_t  r, g, b, pad;
};
struct GfxLinePayload {
    int16_t  x, y, dx, dy;
    uint8_t  r, g, b;
    uint8_t  jitter_r, jitter_g, jitter_b;
    uint16_t dash_step;             // 0: solid
    int16_t  dash_phase;
};
struct GfxGridPayload {
    GfxRect  rect;
    uint8_t  r, g, b, pad;
    uint16_t column_step, row_step, column_phase, row_phase;
};
struct GfxMaskBrightenPayload {
    SharedRef *mask;                // 1-bit mask, most significant bit first; one reference
    int32_t    stride;              // bytes per mask row
    int16_t    x, y;
    uint16_t   w, h;
    int32_t    factor;
};
struct GfxBlendBlockPayload {
    int16_t    x, y;
    uint8_t    flags, pad[3];       // GFX_BLEND_*
    SharedRef *block;               // w x h pixels of r, g, b, a bytes; one reference
    uint16_t   w, h;
};
struct GfxPlotPayload {
    int16_t x, y;
    uint8_t r, g, b, pad;
};
struct GfxCirclePayload {
    int16_t cx, cy, radius;
    uint8_t r, g, b, pad;
};
#pragma pack(pop)

inline constexpr uint8_t GFX_GLOW_BAND    = 1;   // every ring from 1 to the level
inline constexpr uint8_t GFX_GLOW_SECTORS = 2;   // four sectors by the angle map
inline constexpr uint8_t GFX_GLOW_FADE    = 4;   // fade with distance
inline constexpr uint8_t GFX_GLOW_LEVELS  = 8;   // use the levels without the band

inline constexpr uint8_t GFX_BLEND_LOCK   = 1;   // hold the holder's data mutex while reading
inline constexpr uint8_t GFX_BLEND_SMOOTH = 2;   // blend over the 3 x 3 average of the screen

// The table, one pointer per slot; slots 12 and 14..17 stay empty.
struct GfxPrimitives {
    DrawCommandFn *fill_rect = nullptr;        // 0
    DrawCommandFn *frame_rect = nullptr;       // 1
    DrawCommandFn *darken_rect = nullptr;      // 2
    DrawCommandFn *gradient_map = nullptr;     // 3
    DrawCommandFn *sprite_glow = nullptr;      // 4
    DrawCommandFn *tint_rect = nullptr;        // 5
    DrawCommandFn *noise_rect = nullptr;       // 6
    DrawCommandFn *sprite_outline = nullptr;   // 7
    DrawCommandFn *line = nullptr;             // 8
    DrawCommandFn *grid = nullptr;             // 9
    DrawCommandFn *glow_frame = nullptr;       // 10
    DrawCommandFn *mask_brighten = nullptr;    // 11
    DrawCommandFn *pixel_store = nullptr;      // 12 (not a command)
    DrawCommandFn *blend_block = nullptr;      // 13
    DrawCommandFn *unused[4] = {};             // 14..17
    DrawCommandFn *plot = nullptr;             // 18
    DrawCommandFn *circle = nullptr;           // 19
};

// Fills the table for 1, 2, 3 or 4 bytes per pixel; RES_OUT_OF_RANGE (table unchanged) otherwise.
Result gfx_select_primitives(int bytes_per_pixel);
const GfxPrimitives &gfx_primitives();

// Queue helpers (game thread, queue lock held). Those that take a Sprite or a SharedRef take the
// reference the command will drop.
Result gfx_queue_fill_rect(Graphics *g, GfxRect rect, uint8_t r, uint8_t gr, uint8_t b);
Result gfx_queue_frame_rect(Graphics *g, GfxRect rect, uint8_t r, uint8_t gr, uint8_t b);
Result gfx_queue_darken_rect(Graphics *g, GfxRect rect, uint8_t shift);
Result gfx_queue_tint_rect(Graphics *g, GfxRect rect, uint8_t r, uint8_t gr, uint8_t b);
Result gfx_queue_noise_rect(Graphics *g, GfxRect rect, uint8_t max_r, uint8_t max_g, uint8_t max_b);
Result gfx_queue_glow_frame(Graphics *g, GfxRect rect, uint8_t r, uint8_t gr, uint8_t b);
Result gfx_queue_gradient_map(Graphics *g, const GfxGradientMapPayload &payload);
Result gfx_queue_sprite_glow(Graphics *g, const GfxSpriteGlowPayload &payload);
Result gfx_queue_sprite_outline(Graphics *g, Sprite *sprite, int x, int y, uint8_t r, uint8_t gr,
                                uint8_t b);
Result gfx_queue_line(Graphics *g, const GfxLinePayload &payload);
Result gfx_queue_grid(Graphics *g, const GfxGridPayload &payload);
Result gfx_queue_mask_brighten(Graphics *g, const GfxMaskBrightenPayload &payload);
Result gfx_queue_blend_block(Graphics *g, const GfxBlendBlockPayload &payload);
Result gfx_queue_plot(Graphics *g, int x, int y, uint8_t r, uint8_t gr, uint8_t b);
Result gfx_queue_circle(Graphics *g, int cx, int cy, int radius, uint8_t r, uint8_t gr, uint8_t b);
