// Encounter set-ups: the Battle for Sol, the starbase assault with its Sentinels, the ARK encounters
// with their ships and carrier, and the starbase-defence barrage.
#include "game/encounter_setup.h"

#include "game/encounter.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/log.h"
#include "platform/random.h"
#include "systems/system.h"
#include "world/factory.h"
#include "world/object.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

// The guardians' barrage in the Battle for Sol.
constexpr int32_t SOL_SHOT_START = 2, SOL_SHOT_INTERVAL = 5, SOL_SHOT_TYPE = 1, SOL_SHOT_COUNT = 16;
constexpr int32_t SOL_SHOT_DAMAGE_MIN = 120, SOL_SHOT_DAMAGE_MAX = 180;

// A starbase's barrage over its contested sector.
constexpr int32_t BASE_SHOT_INTERVAL = 1, BASE_SHOT_TYPE = 3;
constexpr int32_t BASE_SHOT_DAMAGE_MIN = 30, BASE_SHOT_DAMAGE_MAX = 50;

// Systems of the ARK machines and the Sentinels.
constexpr int32_t ARK_GUN_TYPE = 4, ARK_GUN_SUBTYPE = 0;
constexpr int32_t ARK_SHIP_DRIVE_SUBTYPE = 5, ARK_CARRIER_DRIVE_SUBTYPE = 6;
constexpr int32_t ARK_CARRIER_GUN_SUBTYPE = 4;
constexpr int32_t SENTINEL_SLOT_COUNT = 4;

// Mounts.
constexpr int32_t MOUNT_WEAPON = 0, MOUNT_SECOND = 1, MOUNT_THIRD = 2;

void log_system_failure(int32_t type, int32_t subtype, Result r) {
    log_write(LOG_GAME, LOG_ERROR, "Error creating system type %i subtype %i (%i)", int(type), int(subtype), int(r));
}

// A new system of the type, with the subtype when it is 0 or more; null (logged) on failure.
System *make_system(int32_t type, int32_t subtype) {
    System *system = subtype >= 0 ? system_create_subtype(type, subtype) : system_create(type);
    if (!system) log_system_failure(type, subtype, RES_OUT_OF_RANGE);
    return system;
}

// The system onto the ship's mount; the ship takes it, or it is freed and the mount stays empty.
void fit(Ship *ship, int32_t mount, System *system) {
    if (!system) return;
    const Result r = ship_set_crit_system(ship, mount, system);
    if (r == RES_OK) return;
    log_system_failure(system->type, system->subtype, r);
    if (system->refcount < 1) system_free(system);
}

// A ship of the hull, named after its template when the hull asks for it, its statistics computed.
Ship *new_hull(int32_t hull) {
    Ship *ship = ship_of(factory_create_object(OBJECT_SHIP, hull));
    if (!ship) {
        log_write(LOG_GAME, LOG_ERROR, "Encounter failed to create a ship of hull %i", int(hull));
        return nullptr;
    }
    if (ship->hull_flags & HULL_FLAG_TEMPLATE_NAME) ship->ship_name = ship->name;
    ship_recompute_stats(ship);
    return ship;
}

void begin_setup(Encounter *enc, int32_t kind, const std::vector<GameObject *> &objects) {
    enc->kind = kind;
    enc->objective = ENCOUNTER_OBJECTIVE;
    for (GameObject *obj : objects) encounter_add_object(enc, obj);
}

uint64_t combat_ai_id() {
    const Game *game = game_get();
    return game ? game->combat_ai_player_id : 0;
}

// The encounter holds the new ship; nothing else does yet.
void add_made(Encounter *enc, Ship *ship) {
    if (ship) encounter_add_object(enc, ship);
}

// A Sentinel of hull 4 with the weapon and a fresh armour bonus of the subtype (none below 0).
void add_sentinel(Encounter *enc, const GameObject *starbase, int32_t slot, System *weapon, int32_t armour_subtype) {
    if (!weapon) return;
    Ship *ship = new_hull(SHIP_HULL_SENTINEL);
    if (!ship) {
        system_free(weapon);
        return;
    }
    System *armour = armour_subtype >= 0 ? make_system(SYSTEM_TYPE_ARMOUR, armour_subtype) : nullptr;
    encounter_make_sentinel(ship, starbase, slot, weapon, armour);
    add_made(enc, ship);
}

}  // namespace

System *player_create_best_system(Player *player, int32_t type) {
    const System *best = player ? player_best_system(player, type) : nullptr;
    if (!best) return nullptr;
    // Beams come from the Sentinels' own rows, chosen after the owner's best beam.
    if (type == SYSTEM_TYPE_BEAM) {
        const int32_t s = best->subtype;
        return make_system(type, s == 1 || s == 2 ? 6 : s == 3 || s == 4 ? 7 : 5);
    }
    return make_system(type, (best->flags & SYSTEM_FLAG_SUBTYPES) ? best->subtype : -1);
}

void encounter_make_sentinel(Ship *ship, const GameObject *starbase, int32_t slot, System *weapon, System *armour) {
    ship->flags |= OBJ_LOST;
    ship->owner_id = starbase ? starbase->owner_id : 0;
    ship->ship_name = "Sentinel";
    ship->aux_word = slot;
    fit(ship, MOUNT_WEAPON, weapon);
    fit(ship, MOUNT_SECOND, armour);
    object_assign_id(ship);
    ship_repair_and_reload(ship);
    ship_recompute_stats(ship);
    ship->ap = ship->max_ap;
}

Ship *encounter_create_ark_ship(uint64_t owner_id, int32_t weapon_type, int32_t subtype, Rng *initiatives) {
    Ship *ship = new_hull(SHIP_HULL_DRONE);
    if (!ship) return nullptr;
    ship->flags |= OBJ_LOST;
    ship->owner_id = owner_id;
    object_assign_id(ship);
    fit(ship, MOUNT_WEAPON, make_system(weapon_type, subtype));
    fit(ship, MOUNT_SECOND, make_system(SYSTEM_TYPE_ENGINE, ARK_SHIP_DRIVE_SUBTYPE));
    ship_repair_and_reload(ship);
    const uint32_t r = initiatives ? rng_next(initiatives) : random_u32();
    ship->initiative = 1 + int32_t(random_magnitude(r) % 100u);
    ship->ap = ship->max_ap;
    ship->mp = ship->max_mp;
    return ship;
}

void encounter_setup_sol(Encounter *enc, const std::vector<GameObject *> &objects) {
    begin_setup(enc, ENCOUNTER_SOL, objects);
    const Game *game = game_get();
    encounter_set_defense_shot(enc, SOL_SHOT_START, SOL_SHOT_INTERVAL, SOL_SHOT_TYPE, "Mega Missile", "Mega Missiles",
                               SOL_SHOT_COUNT, SOL_SHOT_DAMAGE_MIN, SOL_SHOT_DAMAGE_MAX,
                               game ? game->sol_player_id : 0);
}

int32_t encounter_sol_barrage_damage() { return SOL_SHOT_COUNT * (SOL_SHOT_DAMAGE_MIN + SOL_SHOT_DAMAGE_MAX) / 2; }

void encounter_setup_starbase_assault(Encounter *enc, const std::vector<GameObject *> &objects, GameObject *starbase) {
    begin_setup(enc, ENCOUNTER_STARBASE_ASSAULT, objects);
    if (!starbase) return;
    encounter_add_object(enc, starbase);
    Game *game = game_get();
    Player *owner = game ? game_find_player(game, starbase->owner_id) : nullptr;
    const System *armour = owner ? player_best_system(owner, SYSTEM_TYPE_ARMOUR) : nullptr;
    const int32_t armour_subtype = armour ? armour->subtype : -1;
    const Site *site = site_cast(starbase);
    const bool upgraded = site && site->defense_level >= 1;
    const int32_t beam_slots[2] = {1, 2}, gun_slots[2] = {0, 3};
    const int32_t beams = upgraded ? 2 : 1;
    for (int32_t i = 0; i < beams; ++i)
        add_sentinel(enc, starbase, beam_slots[i], player_create_best_system(owner, SYSTEM_TYPE_BEAM), armour_subtype);
    if (!upgraded) {
        add_sentinel(enc, starbase, 2, player_create_best_system(owner, SYSTEM_TYPE_VOLLEY_GUN), armour_subtype);
        return;
    }
    for (int32_t slot : gun_slots)
        add_sentinel(enc, starbase, slot, player_create_best_system(owner, SYSTEM_TYPE_VOLLEY_GUN), armour_subtype);
    static_assert(SENTINEL_SLOT_COUNT == 4, "four Sentinel slots around a starbase");
}

void encounter_add_ark_defenders(Encounter *enc, const std::vector<GameObject *> &objects, int32_t n, int32_t type_a,
                                 int32_t type_b, Rng *initiatives) {
    begin_setup(enc, ENCOUNTER_ARK, objects);
    const uint64_t owner = combat_ai_id();
    if (n > 7) {
        add_made(enc, encounter_create_ark_ship(owner, type_b, -1, initiatives));
        --n;
    }
    if (n > 4) {
        add_made(enc, encounter_create_ark_ship(owner, type_a, -1, initiatives));
        --n;
    }
    for (int32_t i = 0; i < n; ++i) add_made(enc, encounter_create_ark_ship(owner, ARK_GUN_TYPE, ARK_GUN_SUBTYPE, initiatives));
}

void encounter_add_ark_defenders_armed(Encounter *enc, const std::vector<GameObject *> &objects, int32_t n,
                                       int32_t type_a, Rng *initiatives) {
    begin_setup(enc, ENCOUNTER_ARK_ARMED, objects);
    const uint64_t owner = combat_ai_id();
    if (n > 4) {
        add_made(enc, encounter_create_ark_ship(owner, type_a, -1, initiatives));
        --n;
    }
    for (int32_t i = 0; i < n; ++i) add_made(enc, encounter_create_ark_ship(owner, ARK_GUN_TYPE, ARK_GUN_SUBTYPE, initiatives));
    Ship *carrier = new_hull(SHIP_HULL_CARRIER);
    if (!carrier) return;
    carrier->flags |= OBJ_LOST;
    carrier->owner_id = owner;
    object_assign_id(carrier);
    fit(carrier, MOUNT_WEAPON, make_system(SYSTEM_TYPE_VOLLEY_GUN, ARK_CARRIER_GUN_SUBTYPE));
    fit(carrier, MOUNT_SECOND, make_system(SYSTEM_TYPE_DRONE_LAUNCHER, -1));
    fit(carrier, MOUNT_THIRD, make_system(SYSTEM_TYPE_ENGINE, ARK_CARRIER_DRIVE_SUBTYPE));
    ship_repair_and_reload(carrier);
    carrier->ap = carrier->max_ap;
    add_made(enc, carrier);
}

void encounter_set_starbase_defense(Encounter *enc, GameObject *starbase) {
    if (!enc || !starbase) return;
    const Site *site = site_cast(starbase);
    const bool upgraded = site && site->defense_level >= 1;
    Game *game = game_get();
    Player *owner = game ? game_find_player(game, starbase->owner_id) : nullptr;
    const System *gun = owner ? player_best_system(owner, SYSTEM_TYPE_VOLLEY_GUN) : nullptr;
    encounter_set_defense_shot(enc, upgraded ? 2 : 3, BASE_SHOT_INTERVAL, BASE_SHOT_TYPE, gun ? gun->name.c_str() : "",
                               gun ? gun->shot_text.c_str() : "", upgraded ? 8 : 4,
                               gun ? gun->value + 5 : BASE_SHOT_DAMAGE_MIN, gun ? gun->value + 10 : BASE_SHOT_DAMAGE_MAX,
                               starbase->owner_id);
}
