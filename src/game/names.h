#pragma once
// Name lists: the four decks the game deals names and portraits from.
//  - Pilot, sector and ship names come from the data-store texts "name/pilot.txt",
//    "name/sector.txt" and "name/ship.txt": one name per line ending in a newline byte (an empty
//    line is an empty name; bytes after the last newline are dropped; a carriage return before the
//    newline stays part of the name). Each name is a heap C string the deck frees.
//  - The pilot-portrait deck holds the numbers 0..count-1 (heap i32 the deck frees) of the
//    numbered image set "pilot/%.3i.png", counted from 000 up to the first missing frame.
//  - Each deck is created when the Game has none, emptied, filled and made whole again (every item
//    available). A failing file stops the loading there; the decks filled before it stay.
//  - Game thread only (the start-up loader thread runs it while nothing else deals).
//  - Result codes: the store's codes for a missing text; RES_NO_MEMORY.
#include "platform/result.h"

struct Game;

constexpr const char *NAMES_PILOT_PATH   = "name/pilot.txt";
constexpr const char *NAMES_SECTOR_PATH  = "name/sector.txt";
constexpr const char *NAMES_SHIP_PATH    = "name/ship.txt";
constexpr const char *NAMES_PORTRAIT_SET = "pilot";

Result name_lists_load(Game *game);
