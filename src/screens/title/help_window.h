#pragma once
// The help window: a title bar, the list of help topics on the left and the page of the chosen
// topic on the right, a scene read from the data store. Topics are numbered from 0 and found by
// probing "help\%.3i\name.txt"; the list stops at the first missing number.
//  - game_open_help_popup (the game's top-level help window) builds it through its screen hooks.
//  - Game thread only.
#include <cstdint>
#include "ui/control.h"

void help_window_init(Control *panel, int32_t topic);
