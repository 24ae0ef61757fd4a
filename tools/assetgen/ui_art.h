#pragma once
// The UI art: what every image type 0..212 (but 34, the given-sprite type) and every cursor 0..10
// looks like, as pictures in memory. family_ui writes them into the store tree.
//  - Buttons are 24 x 24 glyphs on a dark bevelled plate with a rim in their accent colour;
//    frame 1 is the lit (hover) look. Inline icons are bare outlined glyphs, 14 pixels in frame 0
//    and 18 in frame 1. Animated types loop over their frames.
//  - Reserved types: the 30 system icons and the technology icons that content will name, listed
//    by ui_art_system_icon_types and ui_art_tech_icon_types; IMAGE_CREDITS_COIN is the status bar's
//    turning credits coin.
#include <vector>
#include "assetgen/ui_paint.h"
#include "platform/image_ids.h"

constexpr int UI_CURSOR_COUNT = 11;

struct UiCursorArt {
    std::vector<IconImage> frames;
    int hot_x = 0, hot_y = 0;
};

std::vector<IconImage> ui_art_frames(int type);   // empty for 34 and outside 0..212
const char *ui_art_role(int type);                // a short description for the gallery and logs
UiCursorArt ui_art_cursor(int n);                 // empty for n outside 0..10
const std::vector<int> &ui_art_system_icon_types();   // 30 types, in system type order
const std::vector<int> &ui_art_tech_icon_types();
