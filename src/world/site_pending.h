#pragma once
// STAND-IN until ships and the new-game name decks
// are merged: every call the sites make into those modules, one tiny function each, in one place.
// Each becomes a direct call to the real operation named in its comment when that module arrives;
// until then they answer "nothing there" (no rush price, no ships) and
// change nothing.
#include <cstdint>
#include <string>
#include <vector>
#include "platform/list.h"

struct GameObject;
struct Officer;
struct Player;
struct Site;

// ---- Designs (ship fields the ship module names) ----
void     site_pending_design_rush_prices(GameObject *design, int32_t *low, int32_t *high);   // Ship rush prices
bool     site_pending_design_is_one_off(GameObject *design);                // design flag 32
// The shipyard's finished ship: built from the design, given to the player, dated, put into the
// sector, its statistics recomputed. Null when no ship could be made. STAND-IN for its naming and
// its repair and reload, which the ship module gives it.
GameObject *site_pending_build_ship(Player *player, GameObject *design, GameObject *sector);

// ---- Names ----
void site_pending_pilot_name(std::string *out);                          // game_random_name
