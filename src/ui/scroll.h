#pragma once
// Scroll track (type 6) and scroll bar: a horizontal or vertical bar with a draggable thumb, and the
// widget built in a panel from a track between two arrow buttons.
//  - The scroll bar's state block (the panel's widget state) holds four command slots that the
//    owning screen fills, the position and the range; the widget calls on_first_arrow,
//    on_second_arrow and on_change, never the general command slot.
//  - The stored position always lies within 0..range; scroll_bar_content_offset turns it into a
//    content offset and gives 0 for a range of 0.
//  - Child ids: 100001 the track, 100002 the far arrow, 100003 the near arrow.
//  - Game thread only.
#include <cstdint>
#include "ui/control.h"

struct ColourFade;

constexpr uint32_t TRACK_GROWING     = 0x1;
constexpr uint32_t TRACK_NO_HOVER    = 0x2;
constexpr uint32_t TRACK_DRAGGING    = 0x4;
constexpr uint32_t TRACK_INSET       = 0x8;
constexpr uint32_t TRACK_THUMB       = 0x10;
constexpr uint32_t TRACK_HOVER       = 0x20;
constexpr uint32_t TRACK_HOVERED     = 0x40;
constexpr uint32_t TRACK_WAIT_UP     = 0x80;

constexpr int SCROLL_TRACK_ID     = 100001;
constexpr int SCROLL_FAR_ARROW_ID = 100002;
constexpr int SCROLL_NEAR_ARROW_ID = 100003;
constexpr int SCROLL_BAR_HORIZONTAL = 2;   // option of scroll_bar_init

struct ScrollTrack {
    int32_t  orientation;     // 1 vertical, otherwise horizontal
    int32_t  length;
    int32_t  thickness;
    uint32_t flags;
    ColourFade *colour;
    ColourFade *second_colour;
    ColourFade *thumb_colour;
    int32_t  thumb_pos;       // centre of the thumb along the axis
    int32_t  thumb_size;
    int32_t  shown_length;
    int32_t  grow_period, grow_acc;
    int32_t  inset;
    int32_t  base_rgb[3], hover_rgb[3];
    int32_t  hover_ms;
    ControlFn on_change;
};

struct ScrollBarState {
    ControlFn command;          // the owning screen's own slot
    ControlFn on_first_arrow;   // far arrow clicked
    ControlFn on_second_arrow;  // near arrow clicked
    ControlFn on_change;        // thumb moved or wheel turned
    int32_t   position;
    int32_t   range;
    int32_t   horizontal;
};

ScrollTrack       *scroll_track_of(Control *ctrl);
const ControlClass *scroll_track_class();

Control *scroll_track_create(int orientation, int length, int thickness);
void     scroll_track_set_length(Control *ctrl, int length);
void     scroll_track_enable_thumb(Control *ctrl);
void     scroll_track_set_inset(Control *ctrl);
void     scroll_track_set_hover_colours(Control *ctrl, int g, int b);
void     scroll_track_set_callback(Control *ctrl, ControlFn fn);
void     scroll_track_set_thumb(Control *ctrl, int pos);
void     scroll_track_get_thumb(const Control *ctrl, int *pos, int *range);
ColourFade *scroll_track_colour(Control *ctrl);
ColourFade *scroll_track_second_colour(Control *ctrl);
ColourFade *scroll_track_thumb_colour(Control *ctrl);
void     scroll_track_fade_out(Control *ctrl, int ms);

ScrollBarState *scroll_bar_state(Control *panel);   // null when the panel holds no scroll bar
void     scroll_bar_init(Control *panel, int length, int options);
Control *scroll_bar_create(int length, int options);
void     scroll_bar_set_length(Control *panel, int length);
void     scroll_bar_set_position(Control *panel, int pos);
void     scroll_bar_set_command(Control *panel, ControlFn fn);
void     scroll_bar_set_first_slot(Control *panel, ControlFn fn);
void     scroll_bar_set_second_slot(Control *panel, ControlFn fn);
void     scroll_bar_set_change_slot(Control *panel, ControlFn fn);
void     scroll_bar_get(Control *panel, int *pos, int *range);
// Moves the position by step (a negative step moves back), as scroll_bar_set_position keeps it.
void     scroll_bar_move_by(Control *panel, int step);
// The content offset for the position: pos x scrollable / range (0 when the range is 0).
int      scroll_bar_content_offset(Control *panel, int scrollable);
