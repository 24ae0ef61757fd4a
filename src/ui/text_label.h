#pragma once
// Text label (type 3): one line of text in one of the eight fonts, in a colour that can fade,
// optionally with a hover colour, a darkened backing box, a typing effect with a blinking block
// cursor, or a bright spot sweeping along the text. Its size is the measured size of its text.
//  - Owns its text and colour. A label whose colour is black draws nothing.
//  - Game thread only.
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include "ui/control.h"

struct ColourFade;

constexpr uint32_t TEXT_HOVER         = 0x1;
constexpr uint32_t TEXT_SWEEP         = 0x2;
constexpr uint32_t TEXT_HOVERED       = 0x4;
constexpr uint32_t TEXT_TYPING        = 0x8;
constexpr uint32_t TEXT_TYPED         = 0x10;   // typing finished, cursor blinking
constexpr uint32_t TEXT_NO_BLINK      = 0x20;
constexpr uint32_t TEXT_BACKING       = 0x40;
constexpr uint32_t TEXT_HALO          = 0x80;   // the letters drawn a second time, one pixel right, in the halo colour

struct TextLabel {
    uint32_t flags;
    char    *text;
    int32_t  length;
    int32_t  font;
    ColourFade *colour;
    uint8_t  base_rgb[3];
    uint8_t  hover_rgb[3];
    uint8_t  halo_rgb[3];
    int32_t  hover_ms;
    int32_t  sweep_index, sweep_elapsed, sweep_period, sweep_step, sweep_percent;
    int32_t  type_ms, typed, type_left;
    int32_t  cursor_size;
    int32_t  typed_width;
    int32_t  blinks_left, blink_left;
};

TextLabel       *text_label_of(Control *ctrl);
const TextLabel *text_label_of(const Control *ctrl);
const ControlClass *text_label_class();

Control *text_label_create(int font, int r, int g, int b, const char *format, ...) __attribute__((format(printf, 5, 6)));
Control *text_label_create_plain(int font, int r, int g, int b, const char *text);
Control *text_label_create_empty(int font);
void     text_label_set_text(Control *ctrl, const char *text);
void     text_label_set_text_printf(Control *ctrl, const char *format, ...) __attribute__((format(printf, 2, 3)));
void     text_label_set_text_va(Control *ctrl, const char *format, va_list args);
void     text_label_set_font(Control *ctrl, int font);
void     text_label_enable_hover(Control *ctrl);
void     text_label_set_backing(Control *ctrl);
// A second stroke one pixel right of the letters, so that a dark text stays readable on a dark
// ground; in the text's own colour it thickens the letters.
void     text_label_set_halo(Control *ctrl, int r, int g, int b);
void     text_label_start_typing(Control *ctrl, int ms_per_char);
int      text_label_typing_duration(const Control *ctrl);
void     text_label_measure(Control *ctrl);
ColourFade *text_label_colour(Control *ctrl);
void     text_label_fade_out(Control *ctrl, int ms);
