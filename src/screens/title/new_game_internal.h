#pragma once
// What the setup screen and its player slots share inside the title folder: building a slot,
// its name labels and the state of the Start button.
//  - Game thread only.
#include <cstdint>
#include "ui/control.h"

struct Game;
struct NewGameState;

// A slot panel for slot k of the screen (user data the screen panel), not yet added to it.
Control *new_game_slot_create(Control *screen, NewGameState *state, int slot);
// The name box's labels for the slot's record (or its absence), added to the box.
void     new_game_slot_add_labels(Control *name_box, NewGameState *state, int slot);
// Greys Start with its reason as the red tooltip, or makes it usable again.
void     new_game_refresh_start(Control *screen);
// The reason Start is unavailable, null when it is available.
const char *new_game_start_blocker(Game *game, const NewGameState *state);
// Slots whose record is gone (deleted in the player selection) fall back: slot 0 to the default
// human record, the others to no player; their labels and Start follow.
void     new_game_slots_drop_missing(Control *screen);
// True when the name holds nothing but blanks.
bool     new_game_name_is_blank(const char *name);
