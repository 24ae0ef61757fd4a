#pragma once
// The 52 full-screen backgrounds "bg/000.png" .. "bg/051.png": 1024 x 768 RGB deep-space pictures.
// Slots: 0 boot, 1 about, 2 transition, 3 title, 4..19 star maps, 20..35 sector views,
// 36..51 combat backdrops. Each slot has its own palette and composition; all are kept dark
// enough for text and sprites drawn over them. The boot screen is a dim console raster with its
// bottom-left corner (the boot log) kept clear; About keeps its left side (the credits) clear;
// the title shows a sunrise over a planet's rim below its menu.
#include <cstdint>
#include <string>
#include <vector>
#include "assetgen/canvas.h"

constexpr int BACKGROUND_COUNT  = 52;
constexpr int BACKGROUND_WIDTH  = 1024;
constexpr int BACKGROUND_HEIGHT = 768;

// Paints one slot (the whole picture, deterministic for slot and seed).
Canvas backgrounds_paint(int slot, uint32_t seed);

int  backgrounds_generate(const std::string &root, uint32_t seed);
void backgrounds_list_paths(std::vector<std::string> *out);
