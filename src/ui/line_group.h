#pragma once
// Line group (type 4): a fixed number of straight lines, each with its own colour fade, relative to
// the control's drawing origin; with its effect on, the lines are drawn with a moving dash.
//  - Lines outside 0..count-1 are refused with a log line (GAME, DEBUG2).
//  - Game thread only.
#include <cstdint>
#include <vector>
#include "ui/control.h"

struct ColourFade;

constexpr uint32_t LINES_EFFECT = 0x1;

struct LineRecord {
    int32_t x1, y1, x2, y2;
    ColourFade *colour;
};

struct LineGroup {
    uint32_t flags = 0;
    std::vector<LineRecord> lines;
    int32_t clock = 0;                 // ms of the effect, 0..999
};

LineGroup       *line_group_of(Control *ctrl);
const LineGroup *line_group_of(const Control *ctrl);
const ControlClass *line_group_class();

Control    *line_group_create(int count);
Control    *line_group_create_line(int x1, int y1, int x2, int y2, int r, int g, int b);
void        line_group_set_line(Control *ctrl, int i, int x1, int y1, int x2, int y2);
ColourFade *line_group_line_colour(Control *ctrl, int i);
void        line_group_set_colour(Control *ctrl, int r, int g, int b);
void        line_group_fade_colour(Control *ctrl, int r, int g, int b, int tr, int tg, int tb, int ms, int delay,
                                   int mode);
void        line_group_fade_out(Control *ctrl, int ms);
void        line_group_offset(Control *ctrl, int dx, int dy);
void        line_group_get_bounds(const Control *ctrl, int *x, int *y, int *w, int *h);
void        line_group_fit_bounds(Control *ctrl, int *x, int *y);
void        line_group_start_effect(Control *ctrl);
