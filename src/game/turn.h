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
//  - A failed autosave is logged and the game goes on; its code stays in Game::autosave_failure
//    until the galaxy screen has told the player (a later autosave that works clears it).
//  - Game thread only.
#include <cstdint>

struct Encounter;
struct Fleet;
struct Game;

constexpr int32_t TURN_SOL_BUDGET_BASE  = 600;   // Sol budget per turn: 600..1200
constexpr int32_t TURN_SOL_BUDGET_RANGE = 601;
constexpr int32_t TURN_SOL_OFFICER_CAP  = 9;     // from this many officers Sol reuses the oldest ship's pilot
constexpr int32_t TURN_SOL_BIG_FLEET    = 8;     // from this many ships a design costs ten times, else three

void game_end_turn(Game *game);
// The victory check alone: sets the winner id and win kind when a player has won.
void game_check_victory(Game *game);
// The two-thirds rule: sectors needed out of `conquerable`, rounded up.
int32_t game_sectors_to_win(int32_t conquerable);

// ---- The day's battles (turn_encounters.cpp) ----
// When the day's minutes are spent: a battle for every sector whose living contents have two
// owners, and for every fleet that intercepted another (one battle for two fleets that met each
// other). A sector yields at most one battle a day. Battles the UI player fights in are numbered
// by its counters ("Enemy Engagement 3").
void       game_generate_encounters(Game *game);
int32_t    game_count_player_encounters(Game *game, uint64_t player_id);
// The first battle with a side of the UI player becomes the current encounter, its side choices
// made (by owner under GAME_FLAG_SIDE_CHOICE, else every side fights).
void       game_begin_player_encounter(Game *game);
// Every battle without a human side: fought out at once when a side's AI accepts it, else
// disengaged; the finished ones leave the list. Runs on the AI encounter thread while the game
// thread waits, or on the game thread.
void       game_resolve_ai_encounters(Game *game);
// Disengages the battle (nobody chose to fight) and drops every finished battle.
void       game_finish_encounter(Game *game, uint64_t encounter_id);
Encounter *game_find_encounter_by_sector(Game *game, uint64_t sector_id);
Encounter *game_find_encounter_by_fleet(Game *game, uint64_t fleet_id);   // a side object of the battle
Encounter *game_find_encounter_of_fleet_ships(Game *game, const Fleet *fleet);
int32_t    game_encounter_count(const Game *game);
Encounter *game_encounter_at(const Game *game, int32_t index);            // null out of range
void       game_clear_encounters(Game *game);
