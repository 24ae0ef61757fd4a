#pragma once
// The effect pictures and the minimap dots:
//   effect/beam/%.3i/png/%.3i.png     styles 0 red, 1 orange, 2 yellow, 3 violet; BEAM_FRAMES frames,
//                                     a growing charge glow, the last two an impact flare
//   effect/bubble/%.3i.png            icons 0..6 of floating texts: shield, damage, crew, boost,
//                                     evasion, hull, repair
//   effect/sparc/000/png/%.3i.png     4 electric sparks
//   effect/halo/%.3i/png/000.png      styles 0..4 the glows of the stars of site templates 1..5,
//                                     painted with the stars (site_art.h); 5 a small and 6 a large
//                                     explosion glow
//   effect/portal/%.3i/png/%.3i.png   styles 0 (blue) and 1 (violet), 186 frames of a turning
//                                     four-armed vortex: 0..61 forming, 62..123 open, 124..185 open
//                                     with a pulsing core; one frame turns it 90/31 degrees, so
//                                     every jump the portal's animations make between the three
//                                     stretches lands within one frame's turn
//   control/minimap/png/%.3i.png      3 dots: normal, lit, shots and fleets
// Glows are light on black: RGBA whose alpha is 0 only where the light has faded to nothing, so
// additive and blended draws show soft edges. Icons and dots are opaque shapes.
#include <cstdint>
#include <string>
#include <vector>
#include "assetgen/canvas.h"

constexpr int EFFECT_BEAM_STYLES = 4;
constexpr int EFFECT_BEAM_FRAMES = 6;
constexpr int EFFECT_BUBBLE_ICONS = 7;
constexpr int EFFECT_SPARK_FRAMES = 4;
constexpr int EFFECT_HALO_STYLES = 7;
constexpr int EFFECT_PORTAL_STYLES = 2;
constexpr int EFFECT_PORTAL_FRAMES = 186;
constexpr int EFFECT_MINIMAP_FRAMES = 3;

Canvas effects_paint_beam(int style, int frame, uint32_t seed);
Canvas effects_paint_bubble_icon(int icon);
Canvas effects_paint_spark(int frame, uint32_t seed);
Canvas effects_paint_halo(int style);
Canvas effects_paint_portal(int style, int frame);
Canvas effects_paint_minimap_dot(int frame);

int  effects_generate(const std::string &root, uint32_t seed);
void effects_list_paths(std::vector<std::string> *out);
