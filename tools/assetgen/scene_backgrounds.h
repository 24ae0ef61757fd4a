#pragma once
// The scene backgrounds "scene/bg/000.png" .. "scene/bg/002.png": wide, dim RGB pictures behind the
// small scenes of news items. Each has a mood: 0 news (a calm blue-teal sky over a planet's rim),
// 1 combat (a red nebula torn by dust, distant flashes and tracer streaks), 2 discovery (violet and
// green gas around a young, bright cluster). They stay dark enough for the ship and site pictures
// and the typed green text laid over them.
#include <cstdint>
#include <string>
#include <vector>
#include "assetgen/canvas.h"

constexpr int SCENE_BG_COUNT  = 3;
constexpr int SCENE_BG_WIDTH  = 448;
constexpr int SCENE_BG_HEIGHT = 280;

Canvas scene_backgrounds_paint(int mood, uint32_t seed);   // deterministic for mood and seed

int  scene_backgrounds_generate(const std::string &root, uint32_t seed);
void scene_backgrounds_list_paths(std::vector<std::string> *out);
