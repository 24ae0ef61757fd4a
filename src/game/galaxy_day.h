#pragma once
// A galaxy day's steps: the one definition of a day's order, which the galaxy screen and the
// headless driver both follow.
//  - In order: game_day_begin (game thread), game_run_ai_galaxy_commands (the advance-AI worker's
//    body), game_day_queue (game thread, after the join), game_day_advance once a frame until
//    game_day_over, game_day_end, then the UI player's battles one by one (the combat screen, or
//    autocombat headless), then game_resolve_ai_encounters (the AI-encounter worker's body) once
//    game_day_ai_encounters_ready.
//  - The removed objects are purged on the game thread before the advance-AI worker starts and
//    again after its join, so the worker never walks a list the game thread changes.
//  - game_day_queue queues the day's 1440 minutes only after the computer players have thought:
//    no minute runs while a worker writes the model.
//  - game_day_end creates the day's battles; without a battle of the UI player it runs the end of
//    turn (victory check and autosave included); with one, the end of turn waits for another day.
//  - Workers run one step at a time with the game thread waiting for their completion; every
//    other step is game thread only. Nothing here logs or switches screens.
#include <cstdint>

struct Game;

// What the end of a day found.
struct GameDayEnd {
    int32_t  player_encounters = 0;   // the UI player's battles to offer; the turn did not end
    bool     turn_ended = false;
    uint64_t winner_id = 0;           // set by the end of turn: the game is over
};

void       game_day_begin(Game *game);
// Every computer player's galaxy command, in player order (players without a galaxy AI skipped).
void       game_run_ai_galaxy_commands(Game *game);
// The game's queued minutes after the day was added.
int32_t    game_day_queue(Game *game);
// One frame of the day: the clock advanced by elapsed_ms real milliseconds.
void       game_day_advance(Game *game, int32_t elapsed_ms);
bool       game_day_over(const Game *game);
GameDayEnd game_day_end(Game *game);
// Battles are left and none of them has the UI player as a side.
bool       game_day_ai_encounters_ready(Game *game);
