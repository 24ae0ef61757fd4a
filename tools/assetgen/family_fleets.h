#pragma once
// The fleets family: the fleet badge "fleet/000/png/000.png", the small formation symbol the galaxy
// map draws for a fleet over a box tinted with the owner's colour.
//  - The symbol is three light arrowheads in a wedge with dark rims, drawn pixel by pixel;
//    everything else is a hole (alpha 0), so the owner's colour shows through around them.
#include <cstdint>
#include <string>
#include <vector>
#include "assetgen/canvas.h"

constexpr int FLEET_BADGE_W = 15;
constexpr int FLEET_BADGE_H = 11;

Canvas fleets_paint_badge();

int  fleets_family_generate(const std::string &root, uint32_t seed);   // 0, else a message on stderr
void fleets_family_list_paths(std::vector<std::string> *out);
