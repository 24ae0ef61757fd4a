#pragma once
// Shared by the design panels' sources only: the constants and helpers two or more of them use
// alike (design_editor.cpp, ship_type_chooser.cpp, system_picker.cpp, design_list_panel.cpp,
// design_summary_panel.cpp).
//  - Game thread only, like the panels they serve.
#include "game/game.h"
#include "game/player.h"
#include "platform/list.h"
#include "world/site.h"

namespace design_detail {

constexpr int FADE_MS = 200;
constexpr int DWELL_MS = 475;          // a control's dwell_delay: the pointer's rest before on_dwell
constexpr int TIP_TEXT = 0;            // image_control_set_tooltip's kind 0: the text alone, in red
constexpr int ROW_GAP = 4;             // between two rows of a list
constexpr int MINUTES_PER_DAY = 1440;  // an int, so day counts stay in int arithmetic

// The site's owner among the players; null without a game, an owner or that player.
inline Player *owner_of(const Site *site) {
    Game *g = game_get();
    if (!site || !g->players || list_count(g->players) == 0 || site->owner_id == 0) return nullptr;
    return game_find_player(g, site->owner_id);
}

}  // namespace design_detail
