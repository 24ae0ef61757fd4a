#pragma once
// STAND-IN until players, ships, alerts and the new-game name decks
// are merged: every call the sites make into those modules, one tiny function each, in one place.
// Each becomes a direct call to the real operation named in its comment when that module arrives;
// until then they answer "nothing there" (no design, no officer, no cost, no bonus) and
// change nothing.
#include <cstdint>
#include <string>
#include <vector>
#include "platform/list.h"

struct GameObject;
struct Officer;
struct Player;
struct Site;

// ---- Players ----
// The statistics a site's work raises; each names a score figure and a per-game counter.
enum SiteStat : int32_t {
    SITE_STAT_SHIPS_BUILT,       // ships built (score) + ships built (game counter)
    SITE_STAT_STARBASES_BUILT,   // starbases built (score) + starbases built (game counter)
    SITE_STAT_CREW_RECRUITED,    // crew trained (score) + crew recruited (game counter)
    SITE_STAT_CREW_RESCUED,      // crew trained (score) + crew recruited (game counter)
    SITE_STAT_RESOURCES_MINED,   // resources mined (game counter); the credits count as earned
    SITE_STAT_RESEARCH,          // research (game counter)
    SITE_STAT_RESOURCES_GATHERED,   // credits earned (score) + income (game counter)
};
void     site_pending_update_totals(Player *player);                        // player_update_totals
void     site_pending_add_resources(Player *player, int32_t amount);        // player_add_resources
void     site_pending_add_stat(Player *player, SiteStat stat, int32_t n);   // the Player figures above
// player_build_cost: `cost` and `minutes` keep the caller's defaults when there is no quote.
void     site_pending_build_cost(Player *player, int32_t item, uint64_t sector_id, int32_t *cost, int32_t *minutes);
GameObject *site_pending_get_design(Player *player, uint64_t id);           // player_get_design
// player_design_build_cost, same rule for the defaults.
void     site_pending_design_build_cost(Player *player, GameObject *design, uint64_t sector_id, int32_t *cost,
                                        int32_t *minutes);
void     site_pending_design_rush_prices(GameObject *design, int32_t *low, int32_t *high);   // Ship rush prices
bool     site_pending_design_is_one_off(GameObject *design);                // design flag 32
void     site_pending_remove_design(Player *player, uint64_t id);           // player_remove_design
// The shipyard's finished ship: built from the design, given to the player with the next ship
// name, dated, repaired and reloaded, put into the sector, its statistics recomputed. Null when
// no ship could be made.
GameObject *site_pending_build_ship(Player *player, GameObject *design, GameObject *sector);
void     site_pending_add_officer(Player *player, Officer *officer);        // player_add_officer
Officer *site_pending_find_officer(Player *player, uint64_t id);            // player_find_officer
int32_t  site_pending_take_crew(Player *player, int32_t n);                 // player_take_crew
bool     site_pending_has_no_home_colony(Player *player);                   // PLAYER_FLAG_NO_HOME_COLONY
int32_t  site_pending_bonus_percent(Player *player, int32_t kind);          // research bonus 0 mining, 1 research, 2 crew
void     site_pending_add_research_points(Player *player, int32_t points);  // player_add_research_points

// ---- Alerts: the builder of `kind` and game_add_alert ----
enum SiteAlertKind : int32_t {
    SITE_ALERT_STARSHIP_BUILT = 0,
    SITE_ALERT_PRODUCTION_COMPLETE = 1,   // subtype: the site template, -1 a defense upgrade
    SITE_ALERT_SECTOR_NOTICE = 5,
    SITE_ALERT_CREW_RESCUED = 9,
    SITE_ALERT_RESOURCES_GATHERED = 10,
    SITE_ALERT_RESOURCES_DEPLETED = 13,   // subtype: the depleted site's template
};
void site_pending_post_alert(int32_t kind, uint64_t player_id, const std::string &text, uint64_t sector_id,
                             uint64_t object_id, int32_t subtype);
// The alerts posted so far (the last 256 at most), for the tests, and a way to forget them.
struct SitePostedAlert {
    int32_t     kind = 0;
    uint64_t    player_id = 0;
    std::string text;
    uint64_t    sector_id = 0, object_id = 0;
    int32_t     subtype = 0;
};
const std::vector<SitePostedAlert> &site_pending_posted_alerts();
void site_pending_clear_alerts();

// ---- Names ----
void site_pending_pilot_name(std::string *out);                          // game_random_name
