// STAND-IN calls of the sites into modules not merged yet; see the header.
#include "world/site_pending.h"

#include "game/newgame.h"

#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "platform/calendar.h"
#include "world/ship.h"
#include "platform/random.h"

void     site_pending_design_rush_prices(GameObject *, int32_t *low, int32_t *high) {
    if (low) *low = 0;
    if (high) *high = 0;
}
bool     site_pending_design_is_one_off(GameObject *) { return false; }

GameObject *site_pending_build_ship(Player *player, GameObject *design, GameObject *sector) {
    const int32_t index = design ? player_design_index(player, design->id) : -1;
    GameObject *obj = index >= 0 ? player_build_ship_from_design(player, index) : nullptr;
    Ship *ship = ship_of(obj);
    if (!ship) return nullptr;
    player_add_object(player, obj);
    Game *game = game_get();
    if (!ship->built_date) ship->built_date = date_create();
    if (ship->built_date && game && game->clock) date_copy(ship->built_date, game->clock);
    ship_set_sector(ship, sector);
    ship_recompute_stats(ship);
    return obj;
}

void site_pending_pilot_name(std::string *out) {
    game_random_name(game_get(), out);
}
