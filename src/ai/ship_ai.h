#pragma once
// Ship AI placement: the free spots, moves and turns the combat AI's plans are built from (a spot near
// a point, a move near a heading, a turn near a heading).
//  - Each search tries random candidates a bounded number of times and checks the map edges and the
//    ship's sprite against everything else on its map.
//  - Runs on the thread that plans (the combat AI thread while the game thread waits, or the
//    autocombat worker); everything kept is per thread.
//  - Result codes: RES_OK with the spot written; RES_NO_FREE_POSITION (-62) when no candidate is free.
#include <cstdint>
#include "platform/result.h"

struct Ship;

// The searches draw from system_random. Their map answers are kept, per thread, from one search to the
// next; a change to an object of the map (moved, turned, another frame, dead, gone, new) drops the
// answers whose boxes meet its old or new box. A move or turn search whose every candidate is blocked
// returns RES_NO_FREE_POSITION without drawing.

// Between these two calls on one thread nothing on any map moves (a ship is making its plan): the
// searches compare the map with their kept answers once, not at every search, and a search asked
// again with the same arguments starts from what the last one worked out (its draws are the same).
// Calls nest; each begin and end forgets the kept searches.
void ship_ai_map_still_begin();
void ship_ai_map_still_end();

// A free spot for the ship within radius of (cx, cy) at the heading: its top-left corner.
Result ship_ai_pick_position(Ship *ship, int32_t radius, int32_t cx, int32_t cy, int32_t heading, int32_t *x,
                             int32_t *y);
// A move from (from_x, from_y) of mp_min..mp_max points close to heading, within the move arc
// around current_heading: the new top-left corner.
Result ship_ai_pick_heading(Ship *ship, int32_t heading, int32_t mp_min, int32_t mp_max, int32_t from_x,
                            int32_t from_y, int32_t current_heading, int32_t *x, int32_t *y);
// A turn near *heading (spread degrees wide) from the ship's heading at (*x, *y): the heading
// found and the corrected position.
Result ship_ai_random_turn(Ship *ship, int32_t spread, int32_t *heading, int32_t *x, int32_t *y);
// The same from a heading and position the plan has reached.
Result ship_ai_random_turn_from(Ship *ship, int32_t from_heading, int32_t spread, int32_t *heading, int32_t *x,
                                int32_t *y);
