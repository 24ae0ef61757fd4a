#pragma once
// Cursor: the sprite mouse cursor, a few frames played back and forth with a hot spot.
//  - Files of cursor n: frames "cursor/%.3i/png/000.png" ..., hot spot "cursor/%.3i/dat/point"
//    (integers one per line: x, y).
//  - The game keeps the cursors; the control update advances the current one; the frame builder
//    draws it after the top-level controls at the pointer minus the hot spot.
//  - Game thread only (the start-up loader loads cursor 0 before the game draws).
#include <cstdint>

struct Sprite;
struct Graphics;

struct Cursor {
    Sprite **frames = nullptr;     // one reference each
    int32_t  frame_count = 0;
    int32_t  hot_x = 0, hot_y = 0;
    int32_t  index = 0;            // current frame
    int32_t  left = 0;             // ms to the next frame
    int32_t  step = 1;             // +1 or -1
};

constexpr int CURSOR_COUNT = 11;
constexpr int CURSOR_FRAME_MS = 100;

Cursor *cursor_load(int n);                 // null when the cursor has no frames
Cursor *cursor_create_empty();
void    cursor_free(Cursor *cursor);        // null ignored
void    cursor_update(Cursor *cursor, int ms);
void    sprite_draw_at(Cursor *cursor, Graphics *gfx, int x, int y);
