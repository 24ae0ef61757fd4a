#pragma once
// Map marker panel: a 200 x 150 minimap of the whole galaxy (child id 100000) with a square marker
// on one point of the galaxy map and, optionally, one object drawn highlighted. The galaxy screen
// shows it where a place is to be pointed out; the combat screen's location panel embeds it.
//  - The minimap reads the game's galaxy map at every update and holds no pointer to it, so a map
//    freed and made again (a load) is simply read afresh.
//  - The marker, once placed, stays on; placing it again moves it. The map's size must be positive
//    for the marker to land anywhere but (0, 0).
//  - Game thread only.
#include <cstdint>

struct Control;

constexpr int MAP_MARKER_MINIMAP_ID = 100000;
constexpr int MAP_MARKER_WIDTH = 200;
constexpr int MAP_MARKER_HEIGHT = 150;

// Replaces the panel's children with the minimap and sizes the panel to it.
void map_marker_panel_build(Control *panel);
// Turns the marker on at the galaxy map point (x, y), in map units.
void map_marker_place(Control *panel, int32_t x, int32_t y);
// The object the minimap draws highlighted, every other one plain; 0 gives the minimap's own
// highlighting back.
void map_marker_panel_set_highlight(Control *panel, uint64_t object_id);
