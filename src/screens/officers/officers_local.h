#pragma once
// Shared by the officer panels' sources only: the constants and helpers two or more of them use
// alike (commanding_officer_panel.cpp, officer_choice.cpp, officer_detail_panel.cpp,
// officers_list.cpp).
//  - Game thread only, like the panels they serve.
#include "game/officer.h"
#include "ui/control.h"
#include "ui/panel.h"
#include "world/sector.h"
#include "world/site.h"

namespace officers_detail {

constexpr int ROW_GAP = 6;     // between the rows of the commanding officer panel and of the officers list
constexpr int HOVER_MS = 200;  // a row's fill and border going to their hover colours

// The free callback of a list of officers: drops the list's reference.
inline void release_officer(Officer *officer) { officer_release(officer); }

// Fits the panel to its children, plus dw x dh.
inline void size_to_content(Control *panel, int dw, int dh) {
    int w = 0, h = 0;
    panel_layout(panel, &w, &h);
    control_set_size(panel, w + dw, h + dh);
}

// The first starbase of the sector, when the sector counts one.
inline Site *sector_starbase(const Sector *sector) {
    return sector && sector->site_counts[SITE_STARBASE] > 0 ? sector_find_site_of_kind(sector, SITE_STARBASE) : nullptr;
}

}  // namespace officers_detail
