#pragma once
// STAND-IN until preferences, player records and name lists are built: the loaders the start-up
// loading mode calls, under their final names and signatures. Each reports that there was nothing
// to load, with success. Replace this header and its source (do not wrap them) when the real
// module arrives, and point the loading mode's include at the real header.
#include "platform/result.h"

struct Game;

Result name_lists_load(Game *game);
Result records_load(Game *game);
Result prefs_load(Game *game);                 // RES_OK when "prefs.dat" was read
void   records_set_default_colors(Game *game);
