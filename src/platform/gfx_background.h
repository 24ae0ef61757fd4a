#pragma once
// Background commands: what draws into the graphics context's working background, the private copy
// of the current background image from which the restore list repaints the screen.
//  - Every command runs on the graphics thread (or in a test's replay) against gfx_get()'s working
//    background and leaves the screen alone; each does nothing when there is no working
//    background (or, for the reset, no current background image). Writes are clipped to the
//    working background.
//  - bg_put_pixels_command reads the block through the pointer in its payload: the owner keeps the
//    block alive until the frame has run (the star layer's blocks live as long as the Game).
#include <cstdint>
#include "platform/graphics.h"

#pragma pack(push, 1)
struct GfxPixelBlockPayload {
    int16_t        x, y;
    const uint8_t *pixels;     // w x h pixels in the screen format, rows packed
    uint16_t       w, h;
};
#pragma pack(pop)

DrawCommandFn bg_lock_command;         // no payload: locks the working background when it must be locked
DrawCommandFn bg_unlock_command;       // no payload
DrawCommandFn bg_put_pixels_command;   // GfxPixelBlockPayload
DrawCommandFn bg_reset_rect_command;   // GfxRect: that part of the current background image, copied back
