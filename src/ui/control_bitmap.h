#pragma once
// Bitmap control (type 8): a caller's w x h byte map (0 or 255 per pixel) drawn in two colours,
// colour_a where a byte is 0 and colour_b where it is 255.
//  - The bytes live in a SharedRef that the control holds, so a queued draw command keeps them
//    alive after the control is gone; they are freed (std::free) with the last reference.
//  - Game thread only; the graphics thread reads the bytes through the command's reference.
#include <cstdint>
#include "ui/control.h"

struct ColourFade;
struct SharedRef;

struct BitmapControl {
    SharedRef  *bitmap = nullptr;    // one reference
    ColourFade *colour_a = nullptr;
    ColourFade *colour_b = nullptr;
};

const ControlClass *bitmap_class();
BitmapControl      *bitmap_of(Control *ctrl);   // null when ctrl is not a bitmap

// data: w x h bytes from std::malloc, which the control takes over (freed even when null is
// returned). Null when out of memory.
Control    *bitmap_control_create(uint8_t *data, int w, int h);
ColourFade *bitmap_control_colour_a(Control *ctrl);
ColourFade *bitmap_control_colour_b(Control *ctrl);
