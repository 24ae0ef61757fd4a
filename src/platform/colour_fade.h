#pragma once
// ColourFade: one colour that moves from one RGB value to another over time, optionally repeating
// or going back and forth, with the screen pixel value of its current colour kept ready.
//  - Nothing moves by itself: the owner's update passes the elapsed ms to colour_fade_update.
//  - Each channel steps one unit every |period| ms; periods are signed (the sign is the direction)
//    and the arithmetic is signed 32-bit with C++'s truncating division and remainder.
//  - An idle loop (flag COLOUR_FADE_IDLE_LOOP) restarts by itself whenever no other fade runs.
//  - Game thread only. Records are plain values; colour_fade_create gives a zeroed heap record
//    that colour_fade_free releases.
#include <cstdint>

constexpr uint32_t COLOUR_FADE_RUNNING   = 0x1;
constexpr uint32_t COLOUR_FADE_REPEAT    = 0x2;
constexpr uint32_t COLOUR_FADE_BOUNCE    = 0x4;    // back and forth
constexpr uint32_t COLOUR_FADE_RETURNING = 0x8;    // on the way back
constexpr uint32_t COLOUR_FADE_IDLE_LOOP = 0x10;   // idle loop queued

// Mode bits of colour_fade_start.
constexpr int COLOUR_FADE_MODE_REPEAT = 1;
constexpr int COLOUR_FADE_MODE_BOUNCE = 2;

struct ColourFade {
    uint32_t flags = 0;
    uint8_t  r = 0, g = 0, b = 0;        // current colour
    uint32_t pixel = 0;                  // current colour in the screen format
    int32_t  from_r = 0, from_g = 0, from_b = 0;
    int32_t  to_r = 0, to_g = 0, to_b = 0;
    int32_t  period_r = 0, period_g = 0, period_b = 0;   // signed ms per unit; 0 = channel fixed
    int32_t  acc_r = 0, acc_g = 0, acc_b = 0;
    int32_t  direction = 0;              // 1 toward the target, -1 back toward the start
    int32_t  delay = 0;                  // ms still to wait before moving
    uint8_t  loop_from[3] = {0, 0, 0};
    uint8_t  loop_to[3] = {0, 0, 0};
    int32_t  loop_ms = 0;
    int32_t  loop_mode = 0;              // 1 repeat, 3 repeat back and forth
};

ColourFade *colour_fade_create();                 // zeroed record; null when out of memory
void        colour_fade_free(ColourFade *fade);   // null ignored

// Starts a fade from (r, g, b) to (tr, tg, tb) over ms (ms above 0 only; otherwise no change).
void colour_fade_start(ColourFade *fade, int r, int g, int b, int tr, int tg, int tb,
                       int ms, int delay, int mode);
void colour_fade_to(ColourFade *fade, int tr, int tg, int tb, int ms, int delay);    // from the current colour
void colour_fade_from(ColourFade *fade, int r, int g, int b, int ms, int delay);     // back to the current colour
void colour_fade_set(ColourFade *fade, int r, int g, int b);                         // at once; stops a fade
void colour_fade_finish(ColourFade *fade);        // snaps to the end of the way it runs; stays "running"
void colour_fade_set_idle_loop(ColourFade *fade, int r, int g, int b, int tr, int tg, int tb,
                               int ms, bool back_and_forth);
void colour_fade_clear_idle_loop(ColourFade *fade);
bool colour_fade_is_running(const ColourFade *fade);
bool colour_fade_is_waiting(const ColourFade *fade);
bool colour_fade_is_black(const ColourFade *fade);
void colour_fade_update(ColourFade *fade, int ms);

// The screen pixel value of a colour through the screen's format; 0x00RRGGBB before video set-up.
uint32_t colour_fade_map(int r, int g, int b);
