// STAND-IN calls of the fleets into the player records; see the header.
#include "world/fleet_pending.h"

bool fleet_pending_player_colour(const Player *, uint8_t *, uint8_t *, uint8_t *) { return false; }

bool fleet_pending_take_sol_notice(Player *) { return false; }

GameObject *fleet_pending_known_object_at(const Player *, int32_t) { return nullptr; }

int32_t fleet_pending_object_value(const GameObject *) { return 0; }
