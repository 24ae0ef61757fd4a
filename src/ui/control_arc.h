#pragma once
// Arc control (type 7): a one-bit mask of a circle sector, drawn by brightening the screen under
// the mask.
//  - The mask lives in a SharedRef (rows of stride bytes, bit 7 first) so a queued draw command
//    keeps it alive after the control has replaced or dropped it.
//  - Game thread only; the graphics thread reads the mask through the command's reference.
#include <cstdint>
#include "ui/control.h"

struct SharedRef;

struct ArcControl {
    SharedRef *mask = nullptr;   // one reference; null until a sector is set
    int32_t    stride = 0;       // bytes per mask row
    uint32_t   colour = 0;       // screen pixel value
    int32_t    mode = 0;         // the brightening factor of the draw
};

const ControlClass *arc_class();
ArcControl         *arc_of(Control *ctrl);   // null when ctrl is not an arc

Control *arc_control_create();
void     arc_control_set_mode(Control *ctrl, int mode);
// The sector of radius r around (cx, cy) from `start` degrees (counter-clockwise, 0 to the right)
// over `span` degrees, both ends included. Nothing changes for span or r below 1.
void     arc_control_set_sector(Control *ctrl, int cx, int cy, int start, int span, int r);
bool     arc_control_contains(const Control *ctrl, int x, int y, int w, int h);
// Whole degrees of the direction (dx, dy) as the arc measures it (screen y grows downwards).
int      arc_angle(int dx, int dy);
// 1 when the mask bit at (x, y) of the control's area is set.
int      arc_mask_bit(Control *ctrl, int x, int y);
