// STAND-IN calls of the fleets into players and alerts; see the header.
#include "world/fleet_pending.h"

#include "game/officer.h"

bool fleet_pending_player_colour(const Player *, uint8_t *, uint8_t *, uint8_t *) { return false; }

const char *fleet_pending_player_name(const Player *) { return nullptr; }

bool fleet_pending_take_sol_notice(Player *) { return false; }

GameObject *fleet_pending_known_object_at(const Player *, int32_t) { return nullptr; }

int32_t fleet_pending_object_value(const GameObject *) { return 0; }

void fleet_pending_add_ship_experience(Officer *officer, int32_t amount) {
    if (!officer) return;
    officer->experience += amount;
    officer->ship_tally += amount;
    officer_hire_or_promote(officer);
}

void fleet_pending_post_fleet_arrived(uint64_t, const std::string &, uint64_t, uint64_t) {}

void fleet_pending_post_fleet_contact(uint64_t, const std::string &, uint64_t, uint64_t) {}

void fleet_pending_post_sector_notice(uint64_t, const std::string &, uint64_t) {}
