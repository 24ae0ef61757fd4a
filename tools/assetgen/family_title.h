#pragma once
// The title family: the title image set "title/png/000.png", "001.png", the logo the title screen
// shows centred above its menu and the About page shows at its top left.
//  - Image 0 is the word-mark "ASTROVANE": wide-tracked bold capitals in polished chrome (a cool
//    sky above a sharp horizon line, a warm ground below), bevelled, with a dark rim and two star
//    glints. Image 1 is the tagline under it between two fading rules.
//  - The game draws pictures with on/off transparency (alpha 0 is a hole, any other alpha is
//    opaque), so every soft edge is painted against the dark rim inside the picture and the
//    picture's outer edge is hard; on the dark title backdrops the rim reads as a shadow.
//  - Sized for the About layout of a 1024 x 768 screen: both images with the 12-pixel gap between
//    them and 20 pixels under them fit between the logo at y 28 and the credits at y 130.
//  - Painted at four times the size and averaged down; deterministic (no seed is used).
#include <cstdint>
#include <string>
#include <vector>
#include "assetgen/canvas.h"

constexpr int TITLE_IMAGE_COUNT = 2;
constexpr int TITLE_WORDMARK_W = 460;
constexpr int TITLE_WORDMARK_H = 52;
constexpr int TITLE_TAGLINE_W = 300;
constexpr int TITLE_TAGLINE_H = 18;

extern const char *const TITLE_WORDMARK_TEXT;
extern const char *const TITLE_TAGLINE_TEXT;

// The pictures, with alpha 0 or 1 only. An empty canvas when the font cannot be read.
Canvas title_paint_wordmark();
Canvas title_paint_tagline();

int  title_family_generate(const std::string &root, uint32_t seed);   // 0, else a message on stderr
void title_family_list_paths(std::vector<std::string> *out);
