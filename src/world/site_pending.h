#pragma once
// STAND-IN until sectors, ships, encounters and the new-game name decks
// are merged: every call the sites make into those modules, one tiny function each, in one place.
// Each becomes a direct call to the real operation named in its comment when that module arrives;
// until then they answer "nothing there" (no site, no rush price, no ships) and
// change nothing.
#include <cstdint>
#include <string>
#include "platform/list.h"

struct GameObject;
struct Officer;
struct Player;
struct Site;

// ---- Sectors: `sector` is a kind-2 object ----
Site   *site_pending_find_site_of_kind(GameObject *sector, int32_t t);            // sector_find_site_of_kind
Site   *site_pending_find_site_under_construction(GameObject *sector, int32_t t); // sector_find_site_under_construction
void    site_pending_place_site(GameObject *sector, int32_t t, int32_t *x, int32_t *y);   // sector_place_site
void    site_pending_add_site(GameObject *sector, Site *site, int32_t x, int32_t y);      // sector_add_site
void    site_pending_refresh_sites(GameObject *sector);                           // sector_refresh_sites
Site   *site_pending_find_free_resource_site(GameObject *sector);                 // sector_find_free_resource_site
Site   *site_pending_find_site_with_feature(GameObject *sector, int32_t kind);    // sector_find_site_with_feature
int32_t site_pending_count_other_owners(GameObject *sector, uint64_t player_id);  // sector_count_other_owners
int32_t site_pending_site_count(GameObject *sector);                              // sector_site_count
Site   *site_pending_get_site(GameObject *sector, int32_t index);                 // sector_get_site

// ---- Designs (ship fields the ship module names) ----
void     site_pending_design_rush_prices(GameObject *design, int32_t *low, int32_t *high);   // Ship rush prices
bool     site_pending_design_is_one_off(GameObject *design);                // design flag 32
// The shipyard's finished ship: built from the design, given to the player, dated, put into the
// sector, its statistics recomputed. Null when no ship could be made. STAND-IN for its naming and
// its repair and reload, which the ship module gives it.
GameObject *site_pending_build_ship(Player *player, GameObject *design, GameObject *sector);

// ---- Names ----
void site_pending_pilot_name(std::string *out);                          // game_random_name

// ---- Encounters ----
// The ARK ships of a temporary "ARK Defenses" encounter seeded with `seed`: `count` ships, of
// weapon_a only (armed) or of both weapons; each appended with one reference.
void site_pending_ark_ships(uint32_t seed, bool armed, int32_t count, int32_t weapon_a, int32_t weapon_b,
                            List<GameObject> *out);
