#pragma once
// Preferences: the file form of the settings that outlive a game, and the new-game helpers that
// read or reset the settings kept with them in the Game.
//  - "prefs.dat" in the save folder, 79 bytes, big-endian: display mode, sound volume, music
//    volume, galaxy speed, auto-pass, combat speed (i32 each), then the five new-game slots, each a
//    record id u64 and red, green, blue u8.
//  - Values out of range are clamped when read, never refused; the display mode is kept as read.
//  - Files are written whole through write_file (temporary name, sync, rename), so a crash leaves
//    the old file or the new one.
//  - Game thread only (the start-up loader thread runs prefs_load while nothing else reads it).
//  - Result codes: the store's plain-file codes (RES_OPEN_FAILED missing, RES_EMPTY_FILE empty),
//    RES_SHORT_BUFFER (-15) a file that ends early, write_file's codes, RES_NOT_A_DIRECTORY and
//    RES_MKDIR_FAILED for the save folder, RES_NO_MEMORY.
#include <cstdint>
#include "platform/result.h"

struct Game;

constexpr const char *PREFS_FILE_NAME = "prefs.dat";
constexpr int32_t PREFS_FILE_BYTES = 79;

// Accepted ranges.
constexpr int32_t PREFS_VOLUME_MAX        = 128;
constexpr int32_t PREFS_GALAXY_SPEED_MIN  = 100;
constexpr int32_t PREFS_GALAXY_SPEED_MAX  = 500;
constexpr int32_t PREFS_AUTO_PASS_MAX     = 4000;
constexpr int32_t PREFS_COMBAT_SPEED_MIN  = 30;
constexpr int32_t PREFS_COMBAT_SPEED_MAX  = 200;

// Reads save-folder "prefs.dat" into the Game. Every value is stored as soon as it is read, so a
// file that ends early keeps what came before (and returns RES_SHORT_BUFFER). A missing file
// returns its failure and changes nothing (so does an empty one). A file that is there but
// cannot be read whole (short, a FIFO, no permission) is moved aside (file_keep_aside) before its
// failure is returned, so the defaults written after it never replace the only copy.
Result  prefs_load(Game *game);
// Writes the Game's preferences and slots into save-folder "prefs.dat", creating the folder first.
Result  prefs_save(Game *game);

// Makes sure the save folder exists (logged when it has to be created): RES_OK or the failure.
Result  game_create_save_directory();

void    game_setup_defaults(Game *game);               // the six new-game settings' defaults
int32_t game_sector_threshold(const Game *game);       // sectors that win by conquest: 2/3, rounded up
