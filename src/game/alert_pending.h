#pragma once
// The news the fleets post, already formatted: each call hands the alert
// builder of its kind to game_add_alert, and keeps a short record of what was posted (for every
// player, not only the UI player) that tests read.
#include <cstdint>
#include <string>
#include <vector>

struct Officer;

struct PendingAlert {
    int32_t     kind = 0;          // 3 fleet arrived, 5 sector notice, 6 fleet contact, 11 officer news,
                                   // 12 intel report
    uint64_t    player_id = 0;     // the player the news is for
    int32_t     subtype = 0;       // officer rank, or the intel report's subtype
    uint64_t    object_id = 0;     // the object to highlight (officer news, sector notice), the ship
                                   // (intel report), the fleet (fleet arrived, fleet contact)
    uint64_t    second_id = 0;     // the other player (intel report), the second id (fleet contact)
    uint64_t    sector_id = 0;     // intel report, fleet arrived
    std::string text;
};

// alert_post_fleet_arrived (kind 3) + game_add_alert.
void alert_pending_fleet_arrived(uint64_t player_id, uint64_t fleet_id, uint64_t sector_id, const std::string &text);
// alert_post_sector_notice (kind 5) + game_add_alert.
void alert_pending_sector_notice(uint64_t player_id, uint64_t object_id, const std::string &text);
// alert_post_fleet_contact (kind 6) + game_add_alert.
void alert_pending_fleet_contact(uint64_t player_id, uint64_t first_id, uint64_t second_id, const std::string &text);
// The news posted so far (at most the last 256), and a way to forget it.
const std::vector<PendingAlert> &alert_pending_posted();
void alert_pending_clear();
