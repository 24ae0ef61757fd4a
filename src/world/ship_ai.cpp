// Free places and turns for the combat AI's plans: a spot near a point, a move near a heading, a
// turn near a heading. Each tries random candidates a bounded number of times and checks the map
// edges and the ship's sprite against everything else on its map.
#include <algorithm>
#include "platform/files.h"
#include "platform/random.h"
#include "systems/system.h"
#include "world/object_map.h"
#include "world/ship.h"

namespace {

constexpr int32_t PLACE_TRIES = 1024;
constexpr int32_t TURN_TRIES = 448;
constexpr int32_t EDGE = 32;           // from the left, top and right edges
constexpr int32_t BOTTOM_EDGE = 40;
constexpr int32_t HEADING_JITTER = 5;
constexpr int32_t SHRINK_PERCENT = 97;
constexpr uint32_t PLACE_FILTER = FILTER_POINT | FILTER_SHAPE | FILTER_NOT_SELF | FILTER_SELF_FRAME;   // 1043

void frame_size(const Ship *ship, int32_t frame, int32_t *w, int32_t *h) {
    *w = ship->w;
    *h = ship->h;
    if (ship->frame_w && ship->frame_h && frame >= 0 && frame < ship->frame_count) {
        *w = ship->frame_w[frame];
        *h = ship->frame_h[frame];
    }
}

// The ship's sprite for the frame fits the map at (x, y) and meets nothing there.
bool spot_is_free(Ship *ship, int32_t frame, int32_t x, int32_t y, bool test_overlap) {
    int32_t w = 0, h = 0;
    frame_size(ship, frame, &w, &h);
    if (ship->map) {
        if (x < EDGE || y < EDGE) return false;
        if (x > ship->map->world_w - w - EDGE || y > ship->map->world_h - h - BOTTOM_EDGE) return false;
        if (!test_overlap) return true;
        ObjectFilter filter;
        filter.flags = PLACE_FILTER;
        filter.px = x;
        filter.py = y;
        filter.self = ship;
        filter.frame = frame;
        if (map_query_object(ship->map, &filter)) return false;
    }
    return true;
}

// An offset of the length in the direction, shrunk until it is no longer than the length.
void offset_for(int32_t direction, int32_t length, int32_t *dx, int32_t *dy) {
    rotate_point(direction, length, dx, dy);
    for (int32_t guard = 0; guard < 64 && distance(*dx, *dy) > length; ++guard) {
        *dx = *dx * SHRINK_PERCENT / 100;
        *dy = *dy * SHRINK_PERCENT / 100;
    }
}

}  // namespace

Result ship_ai_pick_position(Ship *ship, int32_t radius, int32_t cx, int32_t cy, int32_t heading, int32_t *x,
                             int32_t *y) {
    const int32_t frame = ship_frame_for_heading(ship, heading);
    int32_t w = 0, h = 0;
    frame_size(ship, frame, &w, &h);
    radius = std::max(radius, 0);
    for (int32_t attempt = 0; attempt < PLACE_TRIES; ++attempt) {
        const int32_t angle = system_random_between(0, 359);
        const int32_t length = system_random_between(radius / 4, radius);
        int32_t dx = 0, dy = 0;
        offset_for(angle, length, &dx, &dy);
        const int32_t px = cx + dx - w / 2, py = cy + dy - h / 2;
        if (!spot_is_free(ship, frame, px, py, true)) continue;
        if (x) *x = px;
        if (y) *y = py;
        return RES_OK;
    }
    return RES_NO_FREE_POSITION;
}

Result ship_ai_pick_heading(Ship *ship, int32_t heading, int32_t mp_min, int32_t mp_max, int32_t from_x,
                            int32_t from_y, int32_t current_heading, int32_t *x, int32_t *y) {
    const bool immobile = ship->hull_flags & HULL_FLAG_IMMOBILE;
    const int32_t frame = ship_frame_for_heading(ship, current_heading);
    for (int32_t attempt = 0; attempt < PLACE_TRIES; ++attempt) {
        const int32_t direction =
            angle_normalize(heading + system_random_between(-HEADING_JITTER, HEADING_JITTER));
        int32_t off = angle_diff(current_heading, direction);
        if (off < 0) off = -off;
        if (off > ship->move_arc / 2) continue;
        const int32_t length = immobile ? 0 : system_random_between(mp_min, mp_max) * 10;
        int32_t dx = 0, dy = 0;
        offset_for(direction, length, &dx, &dy);
        if (!spot_is_free(ship, frame, from_x + dx, from_y + dy, true)) continue;
        if (x) *x = from_x + dx;
        if (y) *y = from_y + dy;
        return RES_OK;
    }
    return RES_NO_FREE_POSITION;
}

Result ship_ai_random_turn_from(Ship *ship, int32_t from_heading, int32_t spread, int32_t *heading, int32_t *x,
                                int32_t *y) {
    const bool test_overlap = !(ship->hull_flags & HULL_FLAG_TURN_UNBLOCKED);
    for (int32_t attempt = 0; attempt < TURN_TRIES; ++attempt) {
        const int32_t h = angle_normalize(*heading + system_random_between(-spread / 2, spread / 2));
        if (h == angle_normalize(from_heading)) continue;
        int32_t px = *x, py = *y;
        ship_adjust_position_for_heading(ship, from_heading, h, &px, &py);
        if (test_overlap && ship->map) {
            ObjectFilter filter;
            filter.flags = PLACE_FILTER;
            filter.px = px;
            filter.py = py;
            filter.self = ship;
            filter.frame = ship_frame_for_heading(ship, h);
            if (map_query_object(ship->map, &filter)) continue;
        }
        *heading = h;
        *x = px;
        *y = py;
        return RES_OK;
    }
    return RES_NO_FREE_POSITION;
}

Result ship_ai_random_turn(Ship *ship, int32_t spread, int32_t *heading, int32_t *x, int32_t *y) {
    return ship_ai_random_turn_from(ship, ship->heading, spread, heading, x, y);
}
