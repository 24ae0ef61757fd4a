#pragma once
// Shared by the combat screen's sources only: the small helpers two or more of them use alike.
//  - Game thread only, like the screen and its panels.
#include <cstdint>
#include "game/game.h"
#include "platform/colour_fade.h"
#include "ui/panel.h"
#include "world/object.h"
#include "world/object_map.h"

namespace combat_detail {

// Adds a child at a fixed place; a null child adds nothing and gives null.
inline Control *add_fixed(Control *panel, int x, int y, Control *child) {
    return child ? panel_add_child(panel, x, y, 0, 1, child) : nullptr;
}

// Sets the fade to the colour at once; a null fade changes nothing.
inline void set_colour(ColourFade *fade, int r, int g, int b) {
    if (fade) colour_fade_set(fade, r, g, b);
}

// The object of the map with that id; null for no map or id 0.
inline GameObject *find_on_map(ObjectMap *map, uint64_t id) {
    if (!map || !id) return nullptr;
    ObjectFilter filter;
    filter.flags = FILTER_ID;
    filter.id = id;
    return map_query_object(map, &filter);
}

// Whether the object belongs to the player at the screen.
inline bool is_ui_players(const GameObject *obj) {
    const Game *g = game_get();
    return obj && g && g->ui_player_id != 0 && obj->owner_id == g->ui_player_id;
}

}  // namespace combat_detail
