#pragma once
// Production tasks: the six task types that spend a computer player's credits on sites, ships,
// collectors, defense upgrades, research and rushes. They take no ships; the galaxy command's
// production loop works them off by utility, and an accepted order marks the task done.
//  - Orders and payments go through the players' orders (game/orders.h), as the screens give them.
//  - The thread running the owner's galaxy command.
#include <cstdint>

struct AgentTaskType;
struct AiPlayer;
struct Site;

constexpr int32_t AI_LINK_NOT_FOUND = 4312;   // relink: the target is gone after a load

// Fills the slots of types 3, 5, 10, 20, 21 and 22 in the 24-record table.
void ai_production_types_init(AgentTaskType *types);

// How many sites of a kind the player wants: ceil(own sectors x percentage / 100), at least 1;
// the percentages are T5 (shipyards), T6 (kind 14) and T7 (training sites); 1 for other kinds.
int32_t ai_site_target_count(const AiPlayer *ai, int32_t kind);
