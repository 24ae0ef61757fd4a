#pragma once
// Minimap control (type 0): a scaled overview of an object map with a dot per object, the view
// rectangle and a marker box around the point (or the highlighted object).
//  - The dot pictures are the three frames of "control/minimap/png" (0 normal, 1 lit, 2 shots and
//    fleets), loaded once for the type by its load_assets slot with argument 0 (RES_OUT_OF_RANGE
//    for any other argument, RES_READ_FAILED when the frames are missing).
//  - What the minimap reads of the map and its objects comes through MinimapWorldHooks, which the
//    application installs; without them the minimap shows no dots.
//  - A map of zero width or height shows no dots and no view rectangle (nothing divides by it).
//  - Game thread only.
#include <cstdint>
#include <vector>
#include "platform/result.h"
#include "ui/control.h"

struct ColourFade;
struct Sprite;

constexpr uint32_t MINIMAP_POINT    = 0x1;   // MinimapControl::flags: the point marker shows
constexpr uint32_t MINIMAP_SHOW_ALL = 0x2;   // every fleet, and owners' colours for sectors
constexpr int      MINIMAP_FRAMES = 3;

// GameObject fields the minimap reads.
constexpr uint32_t MINIMAP_OBJECT_HIDDEN      = 0x80;
constexpr uint32_t MINIMAP_OBJECT_BRIGHTENED  = 0x4000;
constexpr uint32_t MINIMAP_OBJECT_HIGHLIGHTED = 0x10000;
constexpr uint32_t MINIMAP_OBJECT_VISIBLE     = 0x40000;   // visible to the UI player
enum MinimapObjectKind : int32_t { MINIMAP_SHIP = 0, MINIMAP_SHOT = 1, MINIMAP_SECTOR = 2, MINIMAP_FLEET = 3 };

enum MinimapDotMode : int32_t { MINIMAP_DOT_NORMAL = 0, MINIMAP_DOT_LIT = 1, MINIMAP_DOT_MOVING = 2 };

struct MinimapDot {
    int32_t x = 0, y = 0;           // minimap pixels, the object's centre
    int32_t highlighted = 0;
    uint8_t r = 0, g = 0, b = 0;
    int32_t mode = MINIMAP_DOT_NORMAL;
};

struct MinimapControl {
    uint32_t    flags = 0;
    ObjectMap  *map = nullptr;       // the caller's
    int32_t     blink = 0;           // ms
    ColourFade *colour_a = nullptr;  // view rectangle
    ColourFade *colour_b = nullptr;  // marker box
    uint64_t    selected = 0;        // 0: none
    std::vector<MinimapDot> dots;    // grows, never shrinks
    int32_t     dot_count = 0;
    int32_t     view_x = 0, view_y = 0, view_w = 0, view_h = 0;
    int32_t     point_x = 0, point_y = 0;
};

// One object of the map as the minimap sees it, with the colours the rules choose from.
struct MinimapObject {
    int32_t  kind = 0;
    uint64_t id = 0;
    uint32_t flags = 0;
    int32_t  x = 0, y = 0, w = 0, h = 0;
    int32_t  brightness = 0;                   // added to each channel with MINIMAP_OBJECT_BRIGHTENED
    bool     has_owner = false;                // the owner player's colour
    uint8_t  owner_r = 0, owner_g = 0, owner_b = 0;
    bool     ui_player_owns = false;           // sectors
    bool     has_record_owner = false;         // sectors: the owner the UI player's record of it names
    uint8_t  record_r = 0, record_g = 0, record_b = 0;
};

struct MinimapMapView {
    int32_t world_w = 0, world_h = 0;
    int32_t view_x = 0, view_y = 0, view_w = 0, view_h = 0;
    std::vector<MinimapObject> objects;        // in list order, up to the first empty slot
};

struct MinimapWorldHooks {
    // Fills *out from the map (the objects only when asked); false when there is nothing to show.
    bool (*map_view)(const ObjectMap *map, bool with_objects, MinimapMapView *out) = nullptr;
};
void minimap_set_world_hooks(const MinimapWorldHooks &hooks);
const MinimapWorldHooks &minimap_world_hooks();

const ControlClass *minimap_class();
MinimapControl     *minimap_of(Control *ctrl);   // null when ctrl is not a minimap

Control *minimap_control_create(ObjectMap *map, int w, int h);
void     minimap_set_selected(Control *ctrl, uint64_t id);
void     minimap_set_point(Control *ctrl, int x, int y);
void     minimap_set_show_all(Control *ctrl);

// The type's dot pictures (null before load_assets(0)).
Sprite *minimap_frame(int mode);
