#pragma once
// Turn steps: the end of a galaxy day with the growth of Sol's guardians, the victory check and
// the autosave.
//  - game_end_turn runs once per day on which the UI player has no battle, after the day's
//    minutes and the battles of the computer players. In order: turn counter, Sol budget, every
//    galaxy object's end of turn, Sol growth (officers trained, technologies reached by what Sol
//    has spent, one new ship when the budget allows), every galaxy object's after-advance step,
//    every player learns Sol (with fog of war off: every sector and fleet), sensor taps checked,
//    victory check, visibility, removed objects purged, and every 14th turn the autosave
//    "auto.sav" in the save folder.
//  - Sol's draws come from the Game's seventh generator, so they survive a save.
//  - A failed autosave is logged and the game goes on.
//  - Game thread only.
#include <cstdint>

struct Game;

constexpr int32_t TURN_SOL_BUDGET_BASE  = 600;   // Sol budget per turn: 600..1200
constexpr int32_t TURN_SOL_BUDGET_RANGE = 601;
constexpr int32_t TURN_SOL_OFFICER_CAP  = 9;     // from this many officers Sol reuses the oldest ship's pilot
constexpr int32_t TURN_SOL_BIG_FLEET    = 8;     // from this many ships a design costs ten times, else three

void game_end_turn(Game *game);
// Dead objects leave the galaxy map and the players' lists (before a model worker starts and
// after it is joined).
void turn_purge_removed_objects(Game *game);
// The victory check alone: sets the winner id and win kind when a player has won.
void game_check_victory(Game *game);
// The two-thirds rule: sectors needed out of `conquerable`, rounded up.
int32_t game_sectors_to_win(int32_t conquerable);
