#pragma once
// The UI art family: every image type 0..212 but 34 as numbered PNG frames
// "control/image/%.3i/png/%.3i.png" with one animation file per frame
// "control/image/%.3i/anim/%.3i.dat" ("k\n1000\n": frame k, shown still), and the cursors 0..10,
// "cursor/%.3i/png/%.3i.png" with their hot spot "cursor/%.3i/dat/point" ("x\ny\n").
#include <cstdint>
#include <string>
#include <vector>

int  ui_family_generate(const std::string &root, uint32_t seed);
void ui_family_list_paths(std::vector<std::string> *out);
