#pragma once
// The portraits family: the officers' faces "pilot/000.png" .. "pilot/031.png", the pictures the
// officer panels show (the game deals them out from a shuffled deck, one per hired officer).
//  - Each face is painted from its own draw: skin, hair style and colour, eyes, brows, mouth,
//    beard, uniform and backdrop vary; the same seed and index give the same face.
//  - Opaque 8-bit RGB, PORTRAIT_W x PORTRAIT_H.
#include <cstdint>
#include <string>
#include <vector>
#include "assetgen/canvas.h"

constexpr int PORTRAIT_COUNT = 32;
constexpr int PORTRAIT_W = 56;
constexpr int PORTRAIT_H = 64;

Canvas portraits_paint(int index, uint32_t seed);

int  portraits_family_generate(const std::string &root, uint32_t seed);   // 0, else a message on stderr
void portraits_family_list_paths(std::vector<std::string> *out);
