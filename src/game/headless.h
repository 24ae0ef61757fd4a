#pragma once
// Headless games: whole games of the model without screens, for tests and benchmarks.
//  - headless_new_game makes a new game with one passive human player (the UI player, who gives
//    no orders) and 1..4 computer players taken from the player records (loaded from the records
//    file or the shipped defaults when the Game holds none), through the real game_new.
//  - headless_advance_day plays one galaxy day through the day's steps (galaxy_day.h), in the
//    galaxy screen's order: removed objects purged, every computer player's galaxy command (the
//    AI hook; skipped on request), removed objects purged again, 1440 minutes queued and run
//    frame by frame (map update, then the clock), the day's battles; the UI player's offered one
//    by one and fought out by autocombat (it gives no orders), the end of turn only on a day
//    without them, then the computer players' battles settled. Each battle is
//    reported with its sides, their losses and its victor.
//  - Game thread only; the caller owns the game for the whole run.
#include <cstdint>
#include <vector>
#include "game/game.h"
#include "platform/result.h"

constexpr int32_t HEADLESS_MAX_COMPUTERS = GAME_SLOT_COUNT - 1;
constexpr int32_t HEADLESS_FRAME_MS = 20;
constexpr int32_t HEADLESS_FRAME_CAP = 100000;   // frames of one day at most

struct HeadlessOptions {
    int32_t   computer_players = 2;      // 1..4
    GameSetup setup;
    bool      ai_commands = true;       // false: the computer players give no orders either
};

// One battle of the day as its sides saw it: sides in side order, with the ships (drones aside)
// each had at the start and lost in it.
struct HeadlessBattle {
    std::vector<uint64_t> sides;        // owner ids
    std::vector<int32_t>  ships, lost;  // per side
    bool                  fought = false;   // false: nobody chose to fight and the sides parted
    uint64_t              victor_id = 0;    // the side still fighting at the end; 0 none
    uint64_t              sector_id = 0;    // where: the sector fought in, 0 in deep space,
    int32_t               x = 0, y = 0;     // and the battle's point on the galaxy map
};

// What one day brought.
struct HeadlessDay {
    int32_t frames = 0;                 // clock frames run
    bool    turn_ended = false;         // false on a day the UI player had a battle
    int32_t player_battles = 0;         // the UI player's battles, fought out by autocombat
    int32_t ai_battles = 0;             // battles without a human side, settled at the day's end
    std::vector<HeadlessBattle> battles;   // both kinds, in the order they were settled
};

// RES_OUT_OF_RANGE for a computer count outside 1..4 or too few computer records; else the
// records loader's or game_new's code.
Result headless_new_game(Game *game, const HeadlessOptions &options);
HeadlessDay headless_advance_day(Game *game, const HeadlessOptions &options);
