#pragma once
// Shared by the views' sources only: the small helpers two or more of them use alike.
//  - Game thread only, like the controls they serve.
#include <algorithm>
#include <cstdint>
#include "game/game.h"
#include "platform/colour_fade.h"

namespace views_detail {

struct Rgb {
    int r, g, b;
};

// Sets the fade to the colour at once; a null fade changes nothing.
inline void set_colour(ColourFade *fade, Rgb c) {
    if (fade) colour_fade_set(fade, c.r, c.g, c.b);
}

// A colour channel held to 0..255.
inline uint8_t channel(int32_t v) { return uint8_t(std::clamp(v, 0, 255)); }

// The control root the popups open in: the game's.
inline ControlRoot *root() { return game_get(); }

}  // namespace views_detail
