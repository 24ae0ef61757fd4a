#pragma once
// STAND-IN until players are merged: what the clock asks of every player after the objects' minutes
// (player_advance_escape_pods, then player_update_totals). Becomes those two calls when
// game/player.h arrives; until then it changes nothing.
#include <cstdint>

struct Player;

void clock_pending_player_advance(Player *player, int32_t minutes);
