#pragma once
// The shots family: compiles content/shots/shots.txt (one [shot N] block per template 0..5) into
// the store's "shot/%.3i/dat/params.dat" and paints the frames "shot/%.3i/png/%.3i.png".
//
// Frames of every template:
//   0      the shot at heading 0 (its still picture)
//   1      a soft glow on black, drawn additively under the shot (and sizing a missile's trail)
//   2..    a directional shot: one frame per direction, direction d turned to d x 360 / count
//          degrees (counter-clockwise, 0 facing right); a round shot: its pulse frames
// Animations: a directional shot has one per direction (a single frame each); a round shot one
// looping pulse. A volley (segmented) gets trail tables laying its rounds behind each other along
// every direction, rows for 2 .. min(rounds, 5) rounds, so the game's load accepts them.
#include <cstdint>
#include <string>
#include <vector>
#include "assetgen/canvas.h"
#include "platform/result.h"

struct Buffer;

constexpr int SHOT_FAMILY_TEMPLATES = 6;
constexpr int SHOT_FAMILY_PULSE_FRAMES = 4;

struct ShotSource {
    int32_t     index = -1;
    std::string name, label_one, label_many;
    uint32_t    flags = 0;                 // shot type flags
    int32_t     speed = 0, initiative = 0;
    int32_t     damage_min = 0, damage_max = 0;
    int32_t     directions = 0;            // 0: a round shot
    int32_t     picture = 0;
    int32_t     blast = 0;                 // the template word the game takes as a blast radius
    int32_t     leg = 0;
    int32_t     hit_points = 0;
    int32_t     rounds = 1;
    int32_t     spacing = 0;               // pixels between the rounds of a volley
    int32_t     evasion = 0;
    std::string look;                      // pod, bolt, missile, slug, rocket, round
    Colour      body, light;
    float       length = 8, width = 4;     // body in pixels
    int32_t     side = 16;                 // direction frames are side x side
    int32_t     glow_side = 32;
};

Result shots_parse_content(const std::string &text, const std::string &file, std::vector<ShotSource> *out,
                           std::string *error);
// The frame count of a template and the number its direction (or pulse) frames start at.
int shots_frame_count(const ShotSource &s);
// The trail tables of a volley: x then y, rows of `rounds` points.
void shots_trail_tables(const ShotSource &s, std::vector<int32_t> *xs, std::vector<int32_t> *ys);
Result shots_encode_params(const ShotSource &s, Buffer *out);
// A frame of the template: every pixel fully opaque or fully transparent, but the glow (frame 1),
// which is opaque light on black.
Canvas shots_paint_frame(const ShotSource &s, int frame);

int  shots_family_generate(const std::string &root, uint32_t seed);
void shots_family_list_paths(std::vector<std::string> *out);
