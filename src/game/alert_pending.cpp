// The fleets' news: the real builders and intake, and a record for tests.
#include "game/alert_pending.h"

#include "game/alert.h"
#include "game/game.h"

namespace {

constexpr size_t KEPT = 256;
std::vector<PendingAlert> g_posted;

void keep(PendingAlert alert, Alert *built) {
    game_add_alert(game_get(), built);
    if (g_posted.size() >= KEPT) g_posted.erase(g_posted.begin());
    g_posted.push_back(std::move(alert));
}

}  // namespace

void alert_pending_fleet_arrived(uint64_t player_id, uint64_t fleet_id, uint64_t sector_id, const std::string &text) {
    keep({.kind = 3, .player_id = player_id, .object_id = fleet_id, .sector_id = sector_id, .text = text},
         alert_post_fleet_arrived(player_id, fleet_id, sector_id, "%s", text.c_str()));
}

void alert_pending_sector_notice(uint64_t player_id, uint64_t object_id, const std::string &text) {
    keep({.kind = 5, .player_id = player_id, .object_id = object_id, .text = text},
         alert_post_sector_notice(player_id, object_id, "%s", text.c_str()));
}

void alert_pending_fleet_contact(uint64_t player_id, uint64_t first_id, uint64_t second_id, const std::string &text) {
    keep({.kind = 6, .player_id = player_id, .object_id = first_id, .second_id = second_id, .text = text},
         alert_post_fleet_contact(player_id, first_id, second_id, "%s", text.c_str()));
}

const std::vector<PendingAlert> &alert_pending_posted() { return g_posted; }

void alert_pending_clear() { g_posted.clear(); }
