#pragma once
// The ship assignment searches of the galaxy command: which selected task each of the player's
// ships serves this turn, and how the ships given to "defend bases" spread over the defence tasks.
// Both are randomised searches that start from last turn's assignment and keep the best one found
// only when it scores above that start.
//  - A ship whose fleet came back from a battle (FLEET_RETREATED) is locked for the turn: the
//    search neither moves nor keeps it, and it ends the search with no task.
//  - Reads and writes the AI's words in the ships (ai_ship_word), the tasks' assignees and scores,
//    and the AiPlayer's search tables; draws come from the calling thread's quick generator.
//  - Advance-AI thread only, while the game thread leaves the model alone. No lock.
#include <cstdint>

struct AiPlayer;
struct Player;

// How many passes the ship search runs for that many assignable ships, and how many trials the
// defence search runs for that many defenders.
int32_t ai_assign_pass_count(int32_t assignable);
int32_t ai_defence_trial_count(int32_t defenders);

// The searches; each logs its starting total under AGENT at level 7.
void ai_assign_ships(AiPlayer *ai, Player *player);
void ai_assign_defence(AiPlayer *ai, Player *player);
