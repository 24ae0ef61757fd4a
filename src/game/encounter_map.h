#pragma once
// The combat screen's services of an object map: action lines, the view that shows them, the
// predicted turn order and the marking of fleets.
//  - map_predict_turn_order works on a copy of the initiatives: the map itself does not change. It
//    follows the rule the map uses to pick its next actor.
//  - Game thread only, like the maps themselves.
#include <cstdint>

struct ObjectMap;
template <typename T> struct List;

constexpr int32_t MAP_ACTION_LINE_MS = 1000;   // ship moves and shots

// One predicted combat turn.
struct TurnOrderEntry {
    uint64_t object_id = 0;
    uint64_t owner_id = 0;
    int32_t  initiative = 0;
    int32_t  initiative_rate = 0;
};

void map_add_action_line(ObjectMap *map, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t ms);
// The view origin that centres the first action line on the screen; false (x, y untouched) without one.
bool map_get_action_view_origin(const ObjectMap *map, int32_t *x, int32_t *y);
// The next n turns; the caller frees the list with its entries. Null only when out of memory.
List<TurnOrderEntry> *map_predict_turn_order(const ObjectMap *map, int32_t n);
void map_mark_fleets(ObjectMap *map);
