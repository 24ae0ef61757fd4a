#pragma once
// Silhouette: a draw command that paints every opaque pixel of a Sprite (every set bit of its hit
// mask) in one colour, replacing the screen pixel. The glow effect draws a sprite's plain shape
// with it, the portal a ship's outline image.
//  - Runs on the graphics thread inside GfxScreen's clip; at 4 bytes per pixel it paints, at other
//    depths it only consumes its payload. Either way it drops the Sprite reference it carries.
//  - The dirty and restore rectangles are the caller's, as for every primitive.
//  - gfx_queue_sprite_silhouette (game thread, queue lock held) takes the reference the command
//    drops; RES_OK, or RES_NO_MEMORY when the queue cannot grow (the reference is dropped again).
#include <cstdint>
#include "platform/graphics.h"
#include "platform/result.h"

struct Sprite;

#pragma pack(push, 1)
struct GfxSilhouettePayload {
    Sprite  *sprite;     // one reference
    int16_t  x, y;
    uint8_t  r, g, b, pad;
};
#pragma pack(pop)

DrawCommandFn sprite_silhouette_command;
Result gfx_queue_sprite_silhouette(Graphics *g, Sprite *sprite, int x, int y, uint8_t r, uint8_t gr, uint8_t b);
