#pragma once
// STAND-IN until players are merged: every call the fleets make into the player records, one tiny
// function each, in one place. Each becomes a direct call to the real operation named in its
// comment when that module arrives; until then they answer "nothing there" (no colour, no name,
// no memory, no value). The news goes through game/alert_pending.h.
#include <cstdint>

struct GameObject;
struct Player;

// ---- Players (game/player.h) ----
bool        fleet_pending_player_colour(const Player *player, uint8_t *r, uint8_t *g, uint8_t *b);   // player colour
// Player flag 4: the Sol sector's warning was received. True the first time (and sets the flag).
bool        fleet_pending_take_sol_notice(Player *player);
// The player's known-object list (player_known_objects), walked by index; null past the end.
GameObject *fleet_pending_known_object_at(const Player *player, int32_t index);
int32_t     fleet_pending_object_value(const GameObject *ship);      // player_object_value
