// STAND-IN for the players' part of a clock advance; see the header.
#include "game/clock_pending.h"

void clock_pending_player_advance(Player *, int32_t) {}
