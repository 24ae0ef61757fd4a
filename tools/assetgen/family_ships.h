#pragma once
// The ships family: compiles content/ships/*.txt, one readable file per hull template, into the
// store's "ship/%.3i/dat/params.dat" (the template's parameter file, big-endian, written with the
// game's Buffer) and "ship/%.3i/dat/desc.txt", and paints the hull's frames "ship/%.3i/png/%.3i.png"
// for templates 000..008. The source format is described in content/ships/README.md.
//
// Frames of every hull (the parameter file names them):
//   0..35  rotation frames, frame f showing the hull turned to 10 f degrees; all of one size
//   36     icon (the list rows' picture);  37 design view (frame 0 enlarged by a whole factor: the
//          ship panel's hull picture);  38 detail picture (the picture slot)
//   39..46 small views at 0, 45 ... 315 degrees (the second rotation range)
//   47     small icon (frame_c);  48 list picture (frame_d)
// The three template words are the card area's origin x, y (where the design view stands among
// the system cards of the ship panel) and the hull picture frame; each mount's four display words
// are its card's x, y in that area and the point of the card its connector line leaves from.
// The hull turns about the centre of the rotation frames, so the frames need no offset tables;
// the centre tables hold that centre, and every mount point carries its position in each
// rotation frame.
#include <cstdint>
#include <string>
#include <vector>
#include "assetgen/canvas.h"
#include "platform/result.h"

struct Buffer;

constexpr int SHIP_FAMILY_HULLS = 9;
constexpr int SHIP_FAMILY_FRAMES = 49;
constexpr int SHIP_FAMILY_ROTATIONS = 36;
constexpr int SHIP_FAMILY_ICON_FRAME = 36;
constexpr int SHIP_FAMILY_DESIGN_FRAME = 37;
constexpr int SHIP_FAMILY_PICTURE_FRAME = 38;
constexpr int SHIP_FAMILY_ALT_FIRST = 39;
constexpr int SHIP_FAMILY_ALT_COUNT = 8;
constexpr int SHIP_FAMILY_SMALL_ICON_FRAME = 47;
constexpr int SHIP_FAMILY_LIST_FRAME = 48;
constexpr int SHIP_FAMILY_SMALL_ICON_SIDE = 24;
constexpr int SHIP_FAMILY_LIST_W = 96;
constexpr int SHIP_FAMILY_LIST_H = 64;
// The system cards the ship panel places round the design view: the room each card is given,
// the gap between the card columns and the view, and between cards of one column.
constexpr int SHIP_FAMILY_CARD_W = 112;
constexpr int SHIP_FAMILY_CARD_H = 40;
constexpr int SHIP_FAMILY_CARD_GAP = 12;
constexpr int SHIP_FAMILY_CARD_SPACING = 4;
constexpr int SHIP_FAMILY_ICON_SIDE = 40;
constexpr int SHIP_FAMILY_PICTURE_W = 240;
constexpr int SHIP_FAMILY_PICTURE_H = 160;
constexpr int SHIP_FAMILY_DESIGN_SIDE = 320;   // the design view is about this wide

struct ShipSourceCrit {
    int32_t u = 0, v = 0;           // hull pixels: forward, to port
    int32_t mount = 0;              // 0 system, 1 engine, 2 armour
    int32_t facing = 0;             // 0 fore, 1 port, 2 aft, 3 starboard
};

struct ShipSourceLight {
    float  u = 0, v = 0, r = 0;
    Colour colour;
};

struct ShipSourceLook {
    Colour metal, accent, exhaust;
    std::vector<std::vector<Point2>> parts;   // whole polygons in (u, v), the first is the hull
    bool    stripe = false;
    int32_t stripe_from = 0, stripe_to = 0;
    int32_t seams = 0;
    bool    bridge = false;
    int32_t bridge_u = 0, bridge_v = 0, bridge_r = 0;
    std::vector<ShipSourceLight> engines;     // mirrored ones already doubled
    std::vector<ShipSourceLight> lights;
};

struct ShipSource {
    int32_t     index = -1;
    std::string name, desc, file;
    uint32_t    hull_flags = 0;
    int32_t     armour = 0, crew = 0, speed = 0, mass = 0, capacity = 0;
    int32_t     roll_min = 0, roll_max = 0, scan_cost = 0, scan_range = 0, cost = 0;
    int32_t     rush_a = 0, rush_b = 0;
    int32_t     words[3] = {0, 0, -1};   // card area origin x, y; hull picture frame
    int32_t     death = 0;
    ShipSourceLook look;
    std::vector<ShipSourceCrit> crits;
};

// What the parameter file and the painter agree on.
struct ShipLayout {
    int32_t side = 0;                    // rotation frames are side x side, the hull turning about the centre
    int32_t design_scale = 1;            // the design view is frame 0 this many times larger
    int32_t alt_side = 0;
    float   icon_scale = 1, alt_scale = 1, picture_scale = 1, small_scale = 1, list_scale = 1;
    struct Mount {
        int32_t x = 0, y = 0;            // on frame 0
        std::vector<int32_t> xs, ys;     // on each rotation frame
        int32_t display[4] = {};
    };
    std::vector<Mount> mounts;
};

// Parses one source text. On failure `error` gets "file:line: what".
Result ships_parse_source(const std::string &text, const std::string &file, ShipSource *out, std::string *error);
// Every *.txt of the folder, in name order; templates 0..8 must each come once. `out` by template.
Result ships_load_content(const std::string &folder, std::vector<ShipSource> *out, std::string *error);
std::string ships_content_folder();

ShipLayout ships_layout(const ShipSource &source);
// Appends the template's parameter file.
Result ships_encode_params(const ShipSource &source, const ShipLayout &layout, Buffer *out);
// Paints the hull turned to `heading` degrees at `scale`, its centre at (cx, cy) of a w x h canvas;
// every pixel fully opaque or fully transparent.
Canvas ships_paint(const ShipSource &source, float heading, float scale, int w, int h, float cx, float cy,
                   uint32_t seed);

int  ships_family_generate(const std::string &root, uint32_t seed);   // 0, else a message on stderr
void ships_family_list_paths(std::vector<std::string> *out);
