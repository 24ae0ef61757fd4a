#pragma once
// Value bar (type 5): an integer value against a maximum as a filled bar, optionally framed, shaded
// like a cylinder, coloured by value from colour stops, with a "%i" or "%i/%i" caption, a darkened
// part beyond a marker, and a smooth run of the value toward a target.
//  - max is at least 1; value stays within 0..max.
//  - Game thread only.
#include <cstdint>
#include <string>
#include <vector>
#include "ui/control.h"

struct ColourFade;

constexpr uint32_t BAR_SHADED         = 0x1;
constexpr uint32_t BAR_CAPTION        = 0x2;
constexpr uint32_t BAR_MARKER         = 0x4;
constexpr uint32_t BAR_MARKER_RUNNING = 0x8;
constexpr uint32_t BAR_RUNNING        = 0x10;
constexpr uint32_t BAR_BORDER         = 0x20;
constexpr uint32_t BAR_CAPTION_OF_MAX = 0x40;
constexpr uint32_t BAR_CAPTION_RIGHT  = 0x80;
constexpr uint32_t BAR_CAPTION_CENTRE = 0x100;
constexpr uint32_t BAR_FROM_RIGHT     = 0x200;
constexpr uint32_t BAR_MIN_FILL       = 0x400;
constexpr uint32_t BAR_STOPS          = 0x800;
constexpr uint32_t BAR_STOPS_SUSPENDED = 0x1000;

struct ValueBar {
    uint32_t flags = 0;
    int32_t  value = 0;
    int32_t  max = 1;
    int32_t  target = 0;
    int32_t  period = 1;
    int32_t  acc = 0;
    ColourFade *fill = nullptr;
    ColourFade *track = nullptr;          // border colour
    ColourFade *caption_colour = nullptr;
    int32_t  caption_font = 4;
    std::string caption;
    int32_t  caption_w = 0, caption_h = 0;
    int32_t  shade = 1;
    int32_t  marker = 0, marker_target = 0;
    int32_t  marker_period = 1, marker_acc = 0;
    int32_t  min_fill = 0;
    std::vector<uint8_t> stop_r, stop_g, stop_b;
    std::vector<int32_t> stop_at;
    int32_t  coloured_value = -1;
};

ValueBar       *value_bar_of(Control *ctrl);
const ValueBar *value_bar_of(const Control *ctrl);
const ControlClass *value_bar_class();

Control *value_bar_create_base(int w, int h);
Control *value_bar_create(int w, int h, int value, int max);
Control *value_bar_create_with_text(int w, int value, int max);
void     value_bar_set_value(Control *ctrl, int value, int max);
void     value_bar_animate_to(Control *ctrl, int target, int ms);
void     value_bar_set_marker(Control *ctrl, int value);
void     value_bar_set_colour_stops(Control *ctrl, int n, const int32_t at[], const uint8_t r[], const uint8_t g[],
                                    const uint8_t b[]);
void     value_bar_enable_caption(Control *ctrl, int options);   // 1 "%i/%i", 2 right end, 4 centred
void     value_bar_set_caption(Control *ctrl);                   // rebuilds the caption text
void     value_bar_set_caption_text(Control *ctrl, const char *text);   // a caption of the owner's; the next value change rebuilds it
void     value_bar_set_shade(Control *ctrl, int percent);
void     value_bar_set_min_fill(Control *ctrl);
void     value_bar_fill_from_right(Control *ctrl);
void     value_bar_enable_border(Control *ctrl);
bool     value_bar_is_running(const Control *ctrl);
void     value_bar_update_colour(Control *ctrl);
ColourFade *value_bar_fill_colour(Control *ctrl);
ColourFade *value_bar_border_colour(Control *ctrl);
ColourFade *value_bar_caption_colour(Control *ctrl);
void     value_bar_fade_out(Control *ctrl, int ms);
