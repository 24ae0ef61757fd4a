#pragma once
// Encounter acceptance: whether a computer player's galaxy AI chooses to fight an offered battle.
//  - Weighs the value of the player's own ships in the encounter, scaled by the AI's courage,
//    against the mean estimated strength of the other owners' ships as the player knows them
//    (its snapshots); a battle in a sector the player owns is always fought, and so is a meeting
//    the player sought: one of its ships in it is on an "attack fleet" strike, at the strength the
//    strike asks for, at one of the encounter's fleets, or on an "attack sector" strike that has
//    what it needs, at the encounter's sector.
//  - Refills the AI's enemy strength map (owner id -> summed strength) on every call.
//  - The game thread, or the AI encounter worker that owns the model while it runs. No lock.
#include <cstdint>

struct AiPlayer;
struct Encounter;
struct Player;

// 1 when the AI fights the encounter, else 0; 0 at once for an AI that is not a galaxy AI.
int32_t ai_accept_encounter(AiPlayer *ai, Player *player, Encounter *encounter);
