// Drone launcher (type 20): a pod that flies to its target or point and opens into a drone ship of
// the launcher's side; and drone_create, which builds and arms such a drone.
#include "systems/weapon.h"

#include "game/encounter_life.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/sound.h"
#include "platform/str.h"
#include "world/factory.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"
#include "world/shot.h"

namespace {

constexpr int32_t DRONE_VALUE = 16;
constexpr int32_t DRONE_INITIATIVE = -5000;
constexpr int32_t DRONE_ENGINE_SUBTYPE = 5;
constexpr int32_t ESCORTS_FOR_BOOSTS = 4;   // fleet boosts join the draw from this many drones on

int32_t drone_estimate(System *system, Ship *, int32_t, int32_t, int32_t, GameObject *, bool roll, int32_t *damage,
                       int32_t *effect) {
    if (effect) *effect = 0;
    int32_t low = 0, high = 0;
    weapon_template_damage(SHOT_TEMPLATE_DRONE_POD, &low, &high);
    const int32_t dmg = roll ? system_random_between(low, high) : (low + high) / 2;
    if (damage) *damage = dmg + system->value / 2;
    return WEAPON_CHANCE_ALWAYS;
}

// The new drone joins the combat map with its top-left corner placed so it is centred on (x, y).
void release_drone(uint64_t owner_id, ObjectMap *map, int32_t x, int32_t y, int32_t heading) {
    if (!map) return;
    Ship *drone = drone_create(owner_id, heading);
    if (!drone) return;
    map_place_object(map, drone, x - drone->w / 2, y - drone->h / 2, 1);
    // A drone of the battle is one of the battle's objects (the encounter's lists change with it).
    if (Game *game = game_get(); game && map == game->combat_map) game_encounter_join(game, drone);
    if (!system_resolve_at_once()) sound_play(SOUND_SHIP_DONE);
}

Result launcher_activate(System *system, Ship *ship, GameObject *target, int32_t x, int32_t y, int32_t *) {
    if (system_resolve_at_once()) {
        release_drone(ship->owner_id, ship->map, x, y, ship->heading);
        return RES_OK;
    }
    Shot *shot = weapon_make_shot(system, ship, SHOT_TEMPLATE_DRONE_POD);
    if (!shot) return RES_NO_MEMORY;
    if (!ship->map) {
        object_destroy(shot);
        return RES_OK;
    }
    object_set_heading(shot, angle_of_vector(x - ship->x, y - ship->y));
    int32_t mx = 0, my = 0;
    weapon_mount_point(system, ship, &mx, &my);
    map_place_object(ship->map, shot, mx - shot->w / 2, my - shot->h / 2, 1);
    object_set_busy(shot);
    shot_set_range(shot, system->range);
    shot->blast_radius = system->value;
    shot->damage_min += system->value / 2;
    shot->damage_max += system->value / 2;
    shot->damage_avg = (shot->damage_min + shot->damage_max) / 2;
    shot->damage = system_random_between(shot->damage_min, shot->damage_max);
    if (target) shot_set_target(shot, target);
    else shot_launch(shot, x, y);
    sound_play(SOUND_LAUNCH);
    return RES_OK;
}

int32_t launcher_impact(Shot *shot, GameObject *) {
    release_drone(shot->owner_id, shot->map, shot->x + shot->w / 2, shot->y + shot->h / 2, shot->heading);
    return 0;
}

int32_t launcher_value(const System *) { return DRONE_VALUE; }

void launcher_rows(System *system, List<SystemRow> *rows, int32_t) {
    weapon_row(rows, "AP", str_format("%i", int(system->ap_cost)), 0);
}

// A system of the type for a drone's mount; a failed subtype leaves the mount empty.
void fit(Ship *drone, int32_t crit, int32_t type, int32_t subtype) {
    System *system = subtype >= 0 ? system_create_subtype(type, subtype) : system_create(type);
    if (!system) {
        log_write(LOG_GAME, LOG_ERROR, "Error creating system type %i subtype %i (%i)", int(type), int(subtype),
                  int(RES_OUT_OF_RANGE));
        return;
    }
    if (ship_set_crit_system(drone, crit, system) != RES_OK && system->refcount < 1) system_free(system);
}

int draw_weapon(const int32_t weights[RNG_WEIGHT_COUNT], int32_t total) {
    Game *game = game_get();
    if (game && (game->flags & GAME_FLAG_RESOLVE_AT_ONCE) && game->generators[GAME_GENERATOR_RESOLVE])
        return rng_weighted_index(game->generators[GAME_GENERATOR_RESOLVE], weights, total);
    return random_weighted_index(weights, RNG_WEIGHT_COUNT, total);
}

}  // namespace

Ship *drone_create(uint64_t owner_id, int32_t heading) {
    Ship *drone = ship_of(factory_create_object(OBJECT_SHIP, SHIP_HULL_DRONE));
    if (!drone) return nullptr;

    // The owner's drones on the combat map, and how many of them carry a working heavy beam.
    int32_t drones = 0, armed = 0;
    const Game *game = game_get();
    if (ObjectMap *map = game ? game->combat_map : nullptr) {
        for (GameObject *obj : map->objects.items) {
            const Ship *s = ship_of(obj);
            if (!s || s->subtype != SHIP_HULL_DRONE || s->owner_id != owner_id || (s->flags & OBJ_DEAD)) continue;
            ++drones;
            armed += ship_has_system_type(s, SYSTEM_TYPE_HEAVY_BEAM);
        }
    }
    int32_t weapon = SYSTEM_TYPE_HEAVY_BEAM;
    if (drones > 0 || armed > 0) {
        int32_t weights[RNG_WEIGHT_COUNT] = {};
        weights[SYSTEM_TYPE_HEAVY_BEAM] = 70;
        weights[SYSTEM_TYPE_ROCKET_POD] = 30;
        weights[SYSTEM_TYPE_SELF_DESTRUCT] = 10;
        weights[SYSTEM_TYPE_FLEET_DAMAGE_BOOST] = 25;
        weights[SYSTEM_TYPE_FLEET_EVASION_BOOST] = 10;
        int32_t total = 145;
        if (armed < ESCORTS_FOR_BOOSTS) {
            weights[SYSTEM_TYPE_FLEET_DAMAGE_BOOST] = 0;
            total -= 25;
        }
        if (drones < ESCORTS_FOR_BOOSTS) {
            weights[SYSTEM_TYPE_FLEET_EVASION_BOOST] = 0;
            total -= 10;
        }
        weapon = draw_weapon(weights, total);
    }
    fit(drone, 0, weapon, weapon == SYSTEM_TYPE_HEAVY_BEAM ? 0 : -1);
    fit(drone, 1, SYSTEM_TYPE_ENGINE, DRONE_ENGINE_SUBTYPE);

    drone->flags |= OBJ_LOST;
    drone->ship_flags |= SHIP_FLAG_DRONE;
    drone->owner_id = owner_id;
    object_assign_id(drone);
    ship_repair_and_reload(drone);
    if (Player *owner = game_find_player(game_get(), owner_id)) player_add_object(owner, drone);
    object_set_heading(drone, heading);
    drone->initiative = DRONE_INITIATIVE;
    return drone;
}

void drone_launcher_init(SystemTypeOps *ops) {
    ops->activate = launcher_activate;
    ops->estimate = drone_estimate;
    ops->effective_value = launcher_value;
    ops->impact = launcher_impact;
    ops->detail_rows = launcher_rows;
    ops->action = beam_action;
}
