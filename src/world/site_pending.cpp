// STAND-IN calls of the sites into modules not merged yet; see the header.
#include "world/site_pending.h"

#include "game/game.h"
#include "game/officer.h"
#include "platform/random.h"

void     site_pending_update_totals(Player *) {}
void     site_pending_add_resources(Player *, int32_t) {}
void     site_pending_add_stat(Player *, SiteStat, int32_t) {}
void     site_pending_build_cost(Player *, int32_t, uint64_t, int32_t *, int32_t *) {}
GameObject *site_pending_get_design(Player *, uint64_t) { return nullptr; }
void     site_pending_design_build_cost(Player *, GameObject *, uint64_t, int32_t *, int32_t *) {}
void     site_pending_design_rush_prices(GameObject *, int32_t *low, int32_t *high) {
    if (low) *low = 0;
    if (high) *high = 0;
}
bool     site_pending_design_is_one_off(GameObject *) { return false; }
void     site_pending_remove_design(Player *, uint64_t) {}
GameObject *site_pending_build_ship(Player *, GameObject *, GameObject *) { return nullptr; }
void     site_pending_add_officer(Player *, Officer *) {}
Officer *site_pending_find_officer(Player *, uint64_t) { return nullptr; }
int32_t  site_pending_take_crew(Player *, int32_t) { return 0; }
bool     site_pending_has_no_home_colony(Player *) { return false; }
int32_t  site_pending_bonus_percent(Player *, int32_t) { return 0; }
void     site_pending_add_research_points(Player *, int32_t) {}

namespace {
std::vector<SitePostedAlert> g_posted;
}

void site_pending_post_alert(int32_t kind, uint64_t player_id, const std::string &text, uint64_t sector_id,
                             uint64_t object_id, int32_t subtype) {
    if (g_posted.size() >= 256) g_posted.erase(g_posted.begin());
    g_posted.push_back({kind, player_id, text, sector_id, object_id, subtype});
}

const std::vector<SitePostedAlert> &site_pending_posted_alerts() { return g_posted; }

void site_pending_clear_alerts() { g_posted.clear(); }


void site_pending_pilot_name(std::string *out) {
    // The pilot-name deck itself, without the cycle initials the new-game helpers add.
    Game *game = game_get();
    const char *name = game && game->pilot_names ? shuffle_next(game->pilot_names) : nullptr;
    *out = name ? name : "";
}
