#pragma once
// Minimap control (type 0): a scaled overview of an area with a coloured dot per point its source
// gives, the view rectangle and a marker box around the point (or the highlighted dot).
//  - The dot pictures are the three frames of "control/minimap/png" (0 normal, 1 lit, 2 moving
//    points), loaded once for the type by its load_assets slot with argument 0 (RES_OUT_OF_RANGE
//    for any other argument, RES_READ_FAILED when the frames are missing).
//  - The points come from the source the caller gives at creation, read again at every update:
//    the source decides which points show and in what colour; the minimap scales them, blinks the
//    highlighted one and draws. Without a source the minimap shows no dots.
//  - An area of zero width or height shows no dots and no view rectangle (nothing divides by it).
//  - Game thread only.
#include <cstdint>
#include <vector>
#include "platform/result.h"
#include "ui/control.h"

struct ColourFade;
struct Sprite;

constexpr uint32_t MINIMAP_POINT    = 0x1;   // MinimapControl::flags: the point marker shows
constexpr uint32_t MINIMAP_SHOW_ALL = 0x2;   // passed to the source: show everything there is
constexpr int      MINIMAP_FRAMES = 3;

enum MinimapDotMode : int32_t { MINIMAP_DOT_NORMAL = 0, MINIMAP_DOT_LIT = 1, MINIMAP_DOT_MOVING = 2 };

struct MinimapDot {
    int32_t x = 0, y = 0;           // minimap pixels, the point's centre
    int32_t highlighted = 0;
    uint8_t r = 0, g = 0, b = 0;
    int32_t mode = MINIMAP_DOT_NORMAL;
};

// One point as the source gives it: where it is in the area, its colour, how it is drawn.
struct MinimapPoint {
    uint64_t id = 0;                 // matched against the selection
    int32_t  x = 0, y = 0;           // area coordinates of its centre
    uint8_t  r = 0, g = 0, b = 0;
    bool     moving = false;         // drawn with the moving frame, never lit
    bool     highlighted = false;    // its own highlight, when nothing is selected
};

struct MinimapArea {
    int32_t area_w = 0, area_h = 0;
    int32_t view_x = 0, view_y = 0, view_w = 0, view_h = 0;
    std::vector<MinimapPoint> points;          // in drawing order
};

// Fills *out from the source, replacing what it held (the points only when asked; flags: the
// control's, MINIMAP_SHOW_ALL among them); false when there is nothing to show.
using MinimapReadFn = bool (*)(const void *source, uint32_t flags, bool with_points, MinimapArea *out);

struct MinimapControl {
    uint32_t    flags = 0;
    MinimapReadFn read = nullptr;
    const void *source = nullptr;    // the caller's
    int32_t     blink = 0;           // ms
    ColourFade *colour_a = nullptr;  // view rectangle
    ColourFade *colour_b = nullptr;  // marker box
    uint64_t    selected = 0;        // 0: none
    std::vector<MinimapDot> dots;    // grows, never shrinks
    int32_t     dot_count = 0;
    int32_t     view_x = 0, view_y = 0, view_w = 0, view_h = 0;
    int32_t     point_x = 0, point_y = 0;
    MinimapArea area;                // the last read, kept so its points' room is reused
};

const ControlClass *minimap_class();
MinimapControl     *minimap_of(Control *ctrl);   // null when ctrl is not a minimap

Control *minimap_control_create(MinimapReadFn read, const void *source, int w, int h);
void     minimap_set_selected(Control *ctrl, uint64_t id);
void     minimap_set_point(Control *ctrl, int x, int y);
void     minimap_set_show_all(Control *ctrl);

// The type's dot pictures (null before load_assets(0)).
Sprite *minimap_frame(int mode);
