// WorldHooks: the installed functions and the player lookup.
#include "world/world_hooks.h"

#include <algorithm>
#include <climits>
#include "game/game.h"
#include "game/player.h"
#include "platform/hash.h"
#include "world/fleet.h"
#include "world/sector.h"
#include "world/shot.h"

namespace {

// What the world kinds answer themselves; the other modules add theirs at start-up.
WorldHooks default_hooks() {
    WorldHooks hooks;
    hooks.sector_has_object_of = sector_has_object_of;
    // Players and their memory are model records beside the world's.
    hooks.find_player = [](uint64_t id) { return game_find_player(game_get(), id); };
    hooks.player_id = [](const Player *player) { return player->id; };
    hooks.player_knows_object = player_knows_object;
    hooks.player_known_object = player_known_object_by_id;
    hooks.player_has_sensor_tap = player_has_sensor_tap;
    hooks.find_player_officer = game_find_player_officer;
    hooks.player_learn_object = player_learn_object;
    // A shooter's side is credited in its player's statistics; a launched drone joins its owner.
    hooks.player_add_damage_dealt = [](Player *player, int32_t amount) {
        int32_t &dealt = player->game_counters[COUNTER_DAMAGE_DEALT];
        dealt = int32_t(std::min<int64_t>(int64_t(dealt) + std::max(amount, 0), INT32_MAX));
    };
    hooks.player_add_ship_destroyed = [](Player *player, int64_t mass) {
        ++player->enemy_ships_destroyed;
        player->enemy_mass_destroyed += uint64_t(std::max<int64_t>(mass, 0));
        ++player->game_counters[COUNTER_ENEMIES_DESTROYED];
    };
    hooks.player_add_object = player_add_object;
    // Fleet membership is the fleets' own: without it no ship ever joins a fleet.
    hooks.fleet_add_ship = [](GameObject *fleet, GameObject *ship) {
        if (Fleet *f = fleet_of(fleet)) fleet_add_ship(f, ship);
    };
    hooks.fleet_remove_ship = [](GameObject *fleet, GameObject *ship) {
        if (Fleet *f = fleet_of(fleet)) fleet_remove_ship(f, ship);
    };
    return hooks;
}

WorldHooks g_hooks = default_hooks();

}  // namespace

void world_set_hooks(const WorldHooks &hooks) { g_hooks = hooks; }

const WorldHooks &world_hooks() { return g_hooks; }

Player *world_find_player(uint64_t id) {
    if (id == 0) return nullptr;
    if (g_hooks.find_player) return g_hooks.find_player(id);
    Game *game = game_get();
    if (!game || !game->player_map) return nullptr;
    return hash_table_find(game->player_map, &id);
}

GameObject *world_find_object(uint64_t id) {
    if (id == 0) return nullptr;
    if (g_hooks.find_object) return g_hooks.find_object(id);
    return game_find_object(game_get(), id);
}

GameObject *world_shot_target(const GameObject *shot) {
    if (!shot) return nullptr;
    if (g_hooks.shot_target) return g_hooks.shot_target(shot);
    const Shot *s = shot_of(shot);
    return s ? s->target : nullptr;
}
