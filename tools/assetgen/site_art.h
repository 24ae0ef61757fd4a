#pragma once
// The site painters: every frame of the sixteen site templates, in the soft-lit deep-space look of
// the backgrounds (light from the upper left, dark rims, glowing stars and running lights).
//  - Frames per template (the site sources name them):
//      0 starbase        0..3 running lights, 4 scaffold, 5 battle picture, 6..13 detail
//      1..5 stars        0..5 corona flicker, 6..13 detail
//      6, 8, 9, 10       0 the body, 1 detail
//      11, 12            0, 1, 2 the body in its three variants, 3 detail
//      7, 14, 15         0..3 working lights, 4 scaffold, 5..12 detail
//      13 harvester      0..3 mining, 4..5 folding, 6..7 thrust left, 8..9 thrust right,
//                        10 crew short, 11 deactivated, 12 scaffold, 13..20 detail
//  - Sprites have no partial transparency: each finished frame is flattened over a dark space
//    colour, and only what is nearly empty becomes a hole (alpha 0). A star of the sector view
//    (frames 0..5) ends where its corona thins: the rest of its glow is its halo, light on black
//    of the frame's size, which the sector view blends a quarter over the screen behind the star.
//  - A pure function of template, frame and seed.
#include <cstdint>
#include "assetgen/canvas.h"

int    site_art_frame_count(int t);            // 0 outside 0..15
Canvas site_art_paint(int t, int frame, uint32_t seed);
Canvas site_art_paint_star_halo(int t);        // stars 1..5; a 1 x 1 hole for any other template
