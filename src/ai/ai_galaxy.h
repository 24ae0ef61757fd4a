#pragma once
// Galaxy command: one computer player's whole strategic turn. It measures the player's position,
// keeps one task per thing worth doing, scores and selects them, spreads the ships over them by a
// randomised search, spends credits on production tasks by utility, carries out the selected
// tasks and the fleet moves, and sweeps away finished tasks.
//  - Runs on the advance-AI thread (or the headless driver's thread) while nothing else touches
//    the model; random draws come from that thread's quick generator, which its starter seeds.
//  - New fleets join the galaxy map at once (through its pending list).
//  - Never fails as a whole; failures are logged under AGENT.
#include <cstdint>

struct AiPlayer;
struct Player;

// Officer classes of the command's statistics and the pilot tasks.
enum AiOfficerClass : int32_t { AI_OFFICER_COMBAT = 0, AI_OFFICER_GALAXY = 1, AI_OFFICER_STARBASE = 2 };
struct Officer;
int32_t ai_officer_class(const Officer *officer);

void ai_galaxy_command(AiPlayer *ai, Player *player);
void ai_execute_moves(AiPlayer *ai, Player *player);
