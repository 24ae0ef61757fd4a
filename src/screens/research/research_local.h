#pragma once
// Shared by the research panels' sources only (tech_list.cpp, tech_detail_panel.cpp): the colour
// type, the text colour and the small helpers both use alike.
//  - Game thread only, like the panels they serve.
#include <string>
#include "platform/colour_fade.h"
#include "ui/control.h"
#include "ui/panel.h"

namespace research_detail {

struct Rgb {
    int r, g, b;
};

constexpr Rgb TEXT{230, 230, 230};

// Sets the fade to the colour at once; a null fade changes nothing.
inline void set_colour(ColourFade *fade, Rgb c) {
    if (fade) colour_fade_set(fade, c.r, c.g, c.b);
}

// Sizes the panel to its children plus the padding.
inline void fit(Control *panel, int pad_w, int pad_h) {
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w + pad_w, h + pad_h);
}

inline int right_of(const Control *c) { return c ? c->x + c->w : 0; }

inline std::string number(int value) { return std::to_string(value); }

}  // namespace research_detail
