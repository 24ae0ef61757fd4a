#pragma once
// New game: the galaxy made from the new-game settings and the five player slots, and the name
// decks' dealing rules shared with the rest of the model.
//  - Names: each deal takes the next entry of its deck; when a deal starts a fresh cycle of the
//    deck (every entry was available before it) the deck's cycle count grows. From the second
//    cycle on, ship names get a letter (" A", " B", ... by cycle) and pilot names an initial
//    ("V. Name"), so repeated names stay apart.
//  - Game thread, or the worker that owns the model while it runs.
#include <cstdint>
#include <string>
#include "platform/result.h"

struct Game;

void    game_next_sector_name(Game *game, std::string *out);   // "" when the deck is empty
void    game_next_ship_name(Game *game, std::string *out);
void    game_random_name(Game *game, std::string *out);        // a pilot's name
int32_t game_next_portrait(Game *game);                       // -1 when the deck is empty
