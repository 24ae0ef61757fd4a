// Players: ship designs and the catalog of systems the player can fit.
#include "game/player.h"

#include <algorithm>
#include <new>
#include <vector>
#include "game/alert.h"
#include "game/game.h"
#include "game/newgame.h"
#include "game/officer.h"
#include "game/player_internal.h"
#include "game/records.h"
#include "platform/calendar.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/random.h"
#include "systems/system.h"
#include "world/factory.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"
#include "world/site_feature.h"
#include "world/world_hooks.h"

namespace {

void set_design_fields(Player *player, GameObject *obj) {
    object_assign_id(obj);
    Ship *ship = ship_of(obj);
    if (ship) {
        ship->ship_flags |= SHIP_FLAG_DESIGN;
        ship_recompute_stats(ship);
        for (int32_t &shield : ship->shields) shield = ship->shield_max;
        ship_recompute_stats(ship);
    }
    object_set_owner_id(obj, player->id);
}

}  // namespace

// ---- Designs ----

void player_add_design(Player *player, GameObject *obj) {
    if (!obj) return;
    set_design_fields(player, obj);
    if (list_append(&player->designs, obj) < 0) return;
    if (Ship *ship = ship_of(obj)) {
        Game *game = player_detail::game_of();
        if (!ship->built_date) ship->built_date = date_create();
        if (ship->built_date && game && game->clock) date_copy(ship->built_date, game->clock);
    }
    player->totals.design_counter += 1;
}

void player_set_design(Player *player, GameObject *obj, uint64_t id) {
    if (!obj) return;
    if (id != 0) obj->id = id;   // the replacement is found wherever the design it replaces was named
    set_design_fields(player, obj);
    for (int32_t i = 0; i < list_count(&player->designs); ++i) {
        GameObject *old = list_get(&player->designs, i);
        if (!old || old->id != id) continue;
        list_set(&player->designs, i, obj);
        if (old != obj) object_destroy(old);
        return;
    }
    (void)list_append(&player->designs, obj);   // a design that cannot be appended stays the caller's
}

void player_remove_design(Player *player, uint64_t id) {
    for (GameObject *design : player->designs.items) {
        if (!design || design->id != id) continue;
        list_remove_value(&player->designs, design);
        object_destroy(design);
        return;
    }
}

void player_clear_designs(Player *player) { list_clear(&player->designs); }

GameObject *player_get_design(Player *player, uint64_t id) {
    for (GameObject *design : player->designs.items)
        if (design && design->id == id) return design;
    return nullptr;
}

GameObject *player_get_design_at(Player *player, int32_t index) { return list_get(&player->designs, index); }

int32_t player_design_index(Player *player, uint64_t id) {
    for (int32_t i = 0; i < list_count(&player->designs); ++i)
        if (list_get(&player->designs, i)->id == id) return i;
    return -1;
}

int32_t player_design_count(const Player *player) { return list_count(&player->designs); }

GameObject *player_build_ship_from_design(Player *player, int32_t index) {
    Ship *design = ship_of(player_get_design_at(player, index));
    if (!design) return nullptr;
    GameObject *obj = factory_create_object(OBJECT_SHIP, design->subtype);
    Ship *ship = ship_of(obj);
    if (!ship) {
        if (obj) object_destroy(obj);
        return nullptr;
    }
    if (ship->hull_flags & HULL_FLAG_TEMPLATE_NAME)
        if (GameObject *tmpl = factory_get_template(OBJECT_SHIP, design->subtype)) ship->ship_name = tmpl->name;
    ship_recompute_stats(ship);
    ship->ship_name = design->ship_name;
    for (int32_t i = 0; i < design->crit_count && i < ship->crit_count; ++i) {
        const System *source = design->crits[i].system;
        if (!source) continue;
        System *copy = system_alloc();
        if (!copy) continue;
        system_copy(copy, source);
        if (ship_set_crit_system(ship, i, copy) != RES_OK && copy->refcount < 1) system_free(copy);
    }
    ship_recompute_stats(ship);
    return obj;
}

void player_commission_ship(Player *player, Ship *ship, Officer *pilot, Sector *sector) {
    Game *game = player_detail::game_of();
    if (!game || !ship) return;
    game_next_ship_name(game, &ship->ship_name);
    object_assign_id(ship);
    ship->owner_id = player->id;
    player_add_object(player, ship);
    ship_set_pilot(ship, pilot);
    ship_repair_and_reload(ship);
    ship_recompute_stats(ship);
    ship_set_crew(ship, ship->max_crew);
    ship_set_sector(ship, sector);
    // The state a battle leaves is set, but a ship fresh from the yard has fought none yet.
    const int32_t battles = pilot ? pilot->battles : 0;
    ship_reset_state(ship);
    if (pilot) pilot->battles = battles;
    if (ship->built_date && game->clock) date_copy(ship->built_date, game->clock);
}

bool player_is_building_design(Player *player, uint64_t design_id) {
    bool building = false;
    player_detail::for_each_owned_sector(player->id, [&](Sector *sector) {
        if (building || sector->site_counts[SITE_SHIPYARD] < 1) return;
        const Site *yard = sector_find_site_of_kind(sector, SITE_SHIPYARD);
        if (yard && (yard->state & SITE_PRODUCING) && yard->item_id == design_id) building = true;
    });
    return building;
}

// ---- Catalog ----

System *player_find_system(Player *player, int32_t type, int32_t subtype) {
    for (System *system : player->catalog.items) {
        if (!system) break;
        if (system->type != type) continue;
        if (!player_detail::system_has_subtypes(system) || system->subtype == subtype) return system;
    }
    return nullptr;
}

System *player_best_system_within(Player *player, int32_t type, int32_t limit) {
    System *best = nullptr;
    for (System *system : player->catalog.items) {
        if (!system) break;
        if (system->type != type || system->power > limit) continue;
        if (!player_detail::system_has_subtypes(system)) return system;
        if (!best || system->subtype > best->subtype) best = system;
    }
    return best;
}

System *player_best_system(Player *player, int32_t type) {
    System *best = nullptr;
    for (System *system : player->catalog.items) {
        if (!system) break;
        if (system->type != type) continue;
        if (!player_detail::system_has_subtypes(system)) return system;
        if (!best || system->subtype > best->subtype) best = system;
    }
    return best;
}

int32_t player_fit_best_system(Player *player, Ship *ship, int32_t type, int32_t mount_kind) {
    System *candidate = player_best_system(player, type);
    if (!candidate) return RES_BAD_MOUNT;
    while (candidate) {
        System *copy = system_alloc();
        if (!copy) return RES_NO_MEMORY;
        system_copy(copy, candidate);
        for (int pass = 0; pass < 2; ++pass) {
            for (int32_t i = 0; i < ship->crit_count; ++i) {
                const bool same = mount_kind == -1 || ship->crits[i].mount_type == mount_kind;
                if (pass == 0 ? !same : (same && mount_kind != -1)) continue;
                if (ship->crits[i].system) continue;
                if (ship_check_crit_fit(ship, i, copy) != RES_OK) continue;
                if (ship_set_crit_system(ship, i, copy) == RES_OK) return RES_OK;
            }
        }
        system_free(copy);
        if (!player_detail::system_has_subtypes(candidate) || candidate->subtype < 1) break;
        candidate = player_find_system(player, type, candidate->subtype - 1);
        if (candidate && candidate->type != type) candidate = nullptr;
    }
    return RES_NO_MOUNT_TAKES_IT;
}

List<System> *player_systems_sorted(Player *player) {
    return player_detail::sorted_copy(&player->catalog, [](System *system) { return system->name; });
}
