#pragma once
// New game: the galaxy made from the new-game settings and the five player slots, and the name
// decks' dealing rules shared with the rest of the model.
//  - game_new checks the slots on the calling thread (fewer than two players named by a record:
//    RES_TOO_FEW_PLAYERS; no human record among them: RES_NO_HUMAN_PLAYER; nothing changes in
//    either case), then clears the game and generates it on a worker thread whose quick generator
//    is seeded from a draw of the calling thread: two new games differ, and a test that seeds the
//    calling thread gets the same galaxy every time. The caller neither walks nor changes the
//    model until the worker has been joined (game_new_join).
//  - The galaxy is drawn again until its checks pass (home points, home sectors, spacing, labelled
//    sites, the features every galaxy must have). A round that fails at the home choice has made
//    only its sectors and is cheap (tens of microseconds); with five players on the sparsest map
//    thousands of them are usual, so they are capped apart: NEWGAME_MAX_HOME_DRAWS of those, or
//    NEWGAME_MAX_ROUNDS populated rounds rejected by a later check, and the new game fails with
//    RES_GALAXY_NOT_MADE and a cleared game. RES_OUT_OF_RANGE when no player could be made.
//  - Names: each deal takes the next entry of its deck; when a deal starts a fresh cycle of the
//    deck (every entry was available before it) the deck's cycle count grows. From the second
//    cycle on, ship names get a letter (" A", " B", ... by cycle) and pilot names an initial
//    ("V. Name"), so repeated names stay apart.
//  - Game thread, or the worker that owns the model while it runs.
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include "platform/result.h"

struct Game;

constexpr int32_t NEWGAME_MAX_ROUNDS      = 500;      // populated rounds rejected by a later check
constexpr int32_t NEWGAME_MAX_HOME_DRAWS  = 200000;   // rounds that found no homes (a few seconds)
constexpr int32_t NEWGAME_START_YEAR      = 2670;
constexpr int32_t NEWGAME_SECTOR_TRIES    = 1024;
constexpr int32_t NEWGAME_SECTOR_SPACING  = 64;    // centres closer than this (or equal) clash
constexpr int32_t NEWGAME_HOME_POINT_GAP  = 456;
constexpr int32_t NEWGAME_HOME_POINT_TRIES = 100;
constexpr int32_t NEWGAME_HOME_GAP        = 360;   // between two home sectors
constexpr int32_t NEWGAME_HOME_SOL_GAP    = 200;   // between a home sector and Sol

// A generation running on its worker. Poll game_new_finished each frame; join once it is.
struct NewGameJob {
    Game                 *game = nullptr;
    std::thread           thread;
    std::atomic<uint32_t> done{0};   // set last by the worker (release)
    Result                result = RES_OK;
};

// Checks the slots and starts the worker; on a refusal no thread runs and the code is returned.
Result game_new_start(Game *game, NewGameJob *job);
bool   game_new_finished(const NewGameJob *job);
Result game_new_join(NewGameJob *job);   // waits for the worker; its result
// The whole new game: start, then join.
Result game_new(Game *game);

void    game_next_sector_name(Game *game, std::string *out);   // "" when the deck is empty
void    game_next_ship_name(Game *game, std::string *out);
void    game_random_name(Game *game, std::string *out);        // a pilot's name
int32_t game_next_portrait(Game *game);                       // -1 when the deck is empty
