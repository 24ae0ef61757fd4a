#pragma once
// Star layer: 64 small soft-edged stars of three sizes painted into the graphics context's working
// background, so they sit under everything and are repainted with the background. The combat
// screen scrolls them with parallax (they wrap round the screen edges); the galaxy screen
// regenerates and paints them as a still field.
//  - A star is painted once and repainted only when it moves: a still frame queues nothing.
//  - Positions are screen pixels; a star may stick out of the left or top edge by up to its
//    size - 1 pixels. The screen size is the graphics screen's (1024 x 768 before video set-up).
//  - Random draws come from the calling thread's quick generator.
//  - Game thread only. Each star's pixel block is read by the queued background command, so the
//    layer must outlive the frames that paint it (it lives as long as the Game).
#include <cstdint>
#include "platform/list.h"

struct Graphics;

constexpr int32_t  STARFIELD_COUNT = 64;
constexpr int32_t  STAR_MARGIN = 10;         // a scroll further past an edge scatters the star
constexpr uint32_t STAR_MOVED   = 0x1;       // Star::flags: needs repainting
constexpr uint32_t STAR_PAINTED = 0x2;
constexpr uint32_t STAR_ERASED  = 0x4;       // its old square was reset this pass

struct Star {
    int32_t  x = 0, y = 0;                   // top-left
    int32_t  size = 3;                       // 3, 4 or 5
    int32_t  prev_x = 0, prev_y = 0;         // where it was last painted
    uint8_t  red = 0, green = 0, blue = 0;
    uint8_t *pixels = nullptr;               // size x size pixels in the screen format (owned)
    uint32_t flags = 0;
    int32_t  carry_x = 0, carry_y = 0;       // scroll not yet applied
    int32_t  parallax = 1;                   // one pixel of motion per this many pixels of scroll
};

struct Starfield {
    List<Star> *stars = nullptr;             // frees each star with star_free
    int32_t     count = STARFIELD_COUNT;
    int32_t     pending_dx = 0, pending_dy = 0;
};

Starfield *starfield_create();               // null when out of memory
void       starfield_generate(Starfield *sf);
void       starfield_set_scroll(Starfield *sf, int dx, int dy, int factor);
void       starfield_scroll(Starfield *sf);
// Paints the stars that overlap the rectangle into the working background.
void       starfield_draw(Starfield *sf, Graphics *gfx, int x, int y, int w, int h);
// Repaints the stars that moved: their old squares from the background image, then the stars.
void       starfield_draw_moved(Starfield *sf, Graphics *gfx);
void       starfield_free(Starfield *sf);    // null ignored
void       star_free(Star *star);
// One pixel of a block: (r, g, b) x percent / 100 in the screen's format.
void       star_set_pixel(uint8_t *pixel, int r, int g, int b, int percent);
// A new star at a random place with a random size, colour and pixel block; null when out of memory.
Star      *star_create_random();
