#pragma once
// STAND-IN until players and alerts are merged: every call the fleets make into those modules,
// one tiny function each, in one place. Each becomes a direct call to the real operation named in
// its comment when that module arrives; until then they answer "nothing there" (no colour, no
// name, no memory, no value) and post nothing.
#include <cstdint>
#include <string>

struct GameObject;
struct Officer;
struct Player;

// ---- Players (game/player.h) ----
bool        fleet_pending_player_colour(const Player *player, uint8_t *r, uint8_t *g, uint8_t *b);   // player colour
const char *fleet_pending_player_name(const Player *player);          // the player's name; null unknown
// Player flag 4: the Sol sector's warning was received. True the first time (and sets the flag).
bool        fleet_pending_take_sol_notice(Player *player);
// The player's known-object list (player_known_objects), walked by index; null past the end.
GameObject *fleet_pending_known_object_at(const Player *player, int32_t index);
int32_t     fleet_pending_object_value(const GameObject *ship);      // player_object_value
// Experience and the ship tally += amount, then the promotion check (officer_add_ship_experience).
void        fleet_pending_add_ship_experience(Officer *officer, int32_t amount);

// ---- Alerts (game/alert.h): the builder of the kind, then game_add_alert ----
void fleet_pending_post_fleet_arrived(uint64_t player_id, const std::string &text, uint64_t fleet_id,
                                      uint64_t sector_id);                    // alert_post_fleet_arrived
void fleet_pending_post_fleet_contact(uint64_t player_id, const std::string &text, uint64_t first_id,
                                      uint64_t second_id);                    // alert_post_fleet_contact
void fleet_pending_post_sector_notice(uint64_t player_id, const std::string &text, uint64_t id);   // alert_post_sector_notice
