#pragma once
// Floating text effect (type 3, the "bubble"): a short text that drifts away from a spot,
// optionally behind small icons, and fades out by darkening its colour by 5/6 every 50 ms.
//  - Nine styles (0..8) fix the icons, the heading, the fade start, the speed and whether the
//    bubble holds its map busy while it is bright; a style outside 0..8 is refused (null).
//  - The icons are the numbered frames of "effect/bubble" (icons 0..6); an icon the set lacks is
//    left out.
//  - Game thread only.
#include <cstdint>
#include "effects/effect.h"

constexpr int      BUBBLE_STYLE_COUNT = 9;
constexpr int      BUBBLE_TEXT_MAX = 1024;           // bytes of the formatted text, NUL included
constexpr uint32_t BUBBLE_STARTED = 0x1;             // TextBubbleEffect::flags
constexpr uint32_t BUBBLE_RISE_STOPPED = 0x2;

struct TextBubbleEffect : Effect {
    uint32_t flags = 0;
    char    *text = nullptr;                         // owned
    int32_t  style = 0;
    int32_t  font = 0;
    int32_t  width = 0, height = 0;
    int32_t  red = 0, green = 0, blue = 0;
    int32_t  origin_x = 0, origin_y = 0;
    int32_t  max_rise = 0;
    int32_t  carry_x = 0, carry_y = 0;
    int32_t  fade_clock = 0;
    int32_t  speed_div = 1;
    int32_t  heading = 0;
    int32_t  start_delay = 0;
};

TextBubbleEffect *effect_create_text_bubble(int style, int font, const char *text, int r, int g, int b);
TextBubbleEffect *effect_create_text_bubblef(int style, int font, int r, int g, int b, const char *format, ...)
    __attribute__((format(printf, 6, 7)));
void effect_bubble_set_start_delay(TextBubbleEffect *bubble, int ms);
void effect_bubble_set_max_rise(TextBubbleEffect *bubble, int px);

// The number of icon frames loaded (0 before the type's load).
int effect_bubble_icon_count();
