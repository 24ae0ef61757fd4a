// Known-object memory: snapshots of what a player has seen, fleet tracking, sensor taps, and the
// evaluation figures the AI reads from them.
#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_set>
#include "game/game.h"
#include "game/player.h"
#include "platform/buffer.h"
#include "platform/calendar.h"
#include "platform/random.h"
#include "platform/saturate.h"
#include "world/fleet.h"
#include "world/object_map.h"
#include "world/object.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"
#include "world/site_feature.h"
#include "world/world_hooks.h"

namespace {

constexpr int32_t FLEET_RING = OBJECT_SAVED_PAIRS;
constexpr uint32_t FLEET_RING_FULL = OBJ_KIND_BIT;   // every slot of the ring holds an observation

GameObject *lookup(const Player *player, uint64_t id) {
    if (!player->known_map || id == 0) return nullptr;
    return hash_table_find(player->known_map, &id);
}

// A new snapshot joins the list and the map, which hold its one reference; false (and released)
// when it cannot.
bool keep(Player *player, GameObject *snap) {
    object_add_ref(snap);
    if (list_append(&player->known, snap) < 0) {
        object_release(snap);
        return false;
    }
    if (hash_table_insert(player->known_map, snap) < 0) {
        list_remove_value(&player->known, snap);
        object_release(snap);
        return false;
    }
    return true;
}

// The snapshot of an object, made or refreshed; a snapshot of another kind is replaced.
GameObject *learn_one(Player *player, GameObject *obj, int32_t refresh) {
    GameObject *snap = lookup(player, obj->id);
    if (snap && snap->kind != obj->kind) {
        player_forget_object(player, snap);
        snap = nullptr;
    }
    if (snap) {
        object_copy_record(snap, obj, refresh);
        return snap;
    }
    snap = object_clone(obj, refresh);
    return snap && keep(player, snap) ? snap : nullptr;
}

int32_t feature_points(int32_t kind) {
    switch (kind) {
    case 0:
    case 2: return 10;
    case 1: return 100;
    case 3: return 80;
    case 4: return 60;
    case 5: return 120;
    case 6: return 200;
    default: return 0;
    }
}

int32_t known_site_points(int32_t kind) {
    switch (kind) {
    case 0: return 10;
    case 6:
    case 13: return 20;
    case 7:
    case 15: return 40;
    case 10: return 2;
    case 11: return 80;
    case 12: return 30;
    default: return 0;
    }
}

// Each living site of the game's galaxy map that a remembered sector of the player lists, with the
// sector's copy: in map and sector order.
template <typename Fn> void for_each_remembered_site(const Game *game, const Player *player, Fn fn) {
    if (!game || !game->galaxy_map || !player) return;
    for (GameObject *obj : game->galaxy_map->objects.items) {
        const Sector *sector = obj && !(obj->flags & OBJ_STUB) ? sector_of(obj) : nullptr;
        const Sector *memory = sector ? sector_of(lookup(player, sector->id)) : nullptr;
        if (!memory) continue;
        const std::vector<uint64_t> &listed = memory->known_site_ids;
        for (Site *site : sector->sites.items)
            if (site && !(site->flags & OBJ_DEAD) && std::find(listed.begin(), listed.end(), site->id) != listed.end())
                fn(site, memory);
    }
}

// The copy of a site as the player learns it with its sector: at the sector copy's level, seen
// when the sector was. Held by nobody.
GameObject *copy_with_sector(Site *site, const GameObject *sector_memory) {
    GameObject *copy = object_clone(site, sector_memory->snapshot_version);
    if (copy && copy->seen_date) copy->seen_date->minutes = sector_memory->seen_date ? sector_memory->seen_date->minutes : 0;
    return copy;
}

bool same_record(const GameObject *a, const GameObject *b) {
    Buffer one, two;
    if (object_write(a, &one) != RES_OK || object_write(b, &two) != RES_OK) return false;
    return one.length == two.length && std::memcmp(one.data, two.data, size_t(one.length)) == 0;
}

}  // namespace

std::vector<const GameObject *> player_saved_snapshots(const Game *game, const Player *player) {
    // The copies compared are made and dropped here: a save leaves the generator's draws where they were.
    const uint64_t draws = random_state();
    std::unordered_set<const GameObject *> made_again;
    for_each_remembered_site(game, player, [&](Site *site, const GameObject *sector_memory) {
        const GameObject *memory = lookup(player, site->id);
        if (!memory || memory->kind != OBJECT_SITE) return;
        GameObject *copy = copy_with_sector(site, sector_memory);
        if (copy && same_record(memory, copy)) made_again.insert(memory);
        if (copy) object_destroy(copy);
    });
    random_set_state(draws);
    std::vector<const GameObject *> kept;
    kept.reserve(player->known.items.size() - made_again.size());
    for (const GameObject *snap : player->known.items)
        if (snap && !made_again.count(snap)) kept.push_back(snap);
    return kept;
}

void player_remember_sites(Game *game, Player *player) {
    for_each_remembered_site(game, player, [player](Site *site, const GameObject *sector_memory) {
        if (lookup(player, site->id)) return;
        if (GameObject *copy = copy_with_sector(site, sector_memory)) (void)keep(player, copy);   // released when not kept
    });
}

void player_learn_object(Player *player, GameObject *obj, int32_t refresh) {
    if (!player || !obj || obj->id == 0 || (obj->flags & OBJ_STUB)) return;
    // A player's own ships are always in its sight and every reader takes them live: a copy would
    // only double them in the save. One kept from before the ship changed hands goes.
    if (obj->kind == OBJECT_SHIP && obj->owner_id == player->id)
        player_forget_object(player, lookup(player, obj->id));
    else if (!learn_one(player, obj, refresh))
        return;
    switch (obj->kind) {
    case OBJECT_SHIP: {
        const Ship *ship = ship_of(obj);
        for (GameObject *snap : player->known.items) {
            if (!snap) break;
            Sector *sector = sector_of(snap);
            if (!sector || (ship && sector->id == ship->sector_id)) continue;
            for (uint64_t &id : sector->known_object_ids)
                if (id == obj->id) id = 0;
        }
        return;
    }
    case OBJECT_SECTOR: {
        Sector *sector = sector_of(obj);
        if (!sector) return;
        // A sector learned only by name (refresh below 0) lists no site it did not list before, so
        // nothing would read a new copy of one; a site already remembered is still refreshed.
        for (int32_t i = 0; i < sector_site_count(sector); ++i)
            if (Site *site = sector_get_site(sector, i); site && (refresh >= 0 || lookup(player, site->id)))
                learn_one(player, site, refresh);
        for (int32_t i = 0; i < sector_object_count(sector); ++i)
            if (GameObject *inside = sector_get_object(sector, i)) player_learn_object(player, inside, 0);
        return;
    }
    case OBJECT_FLEET: {
        const Fleet *fleet = fleet_of(obj);
        for (int32_t i = 0; fleet && i < fleet_ship_count(fleet); ++i)
            if (GameObject *member = fleet_get_ship(fleet, i)) player_learn_object(player, member, 0);
        return;
    }
    default: return;
    }
}

void player_forget_object(Player *player, GameObject *snapshot) {
    if (!snapshot) return;
    if (player->known_map) hash_table_remove(player->known_map, snapshot);
    if (list_remove_value(&player->known, snapshot)) object_release(snapshot);
}

bool player_knows_object(const Player *player, uint64_t id) {
    const GameObject *snap = lookup(player, id);
    if (!snap) return false;
    if (snap->kind == OBJECT_SHOT) return true;
    const Ship *ship = ship_of(snap);
    return ship && snap->snapshot_version >= 1 && (ship->ship_flags & SHIP_FLAG_DETAILED_COPY);
}

GameObject *player_get_known_object(const Player *player, int32_t kind, uint64_t id) {
    GameObject *snap = lookup(player, id);
    return snap && snap->kind == kind ? snap : nullptr;
}

GameObject *player_known_object_by_id(const Player *player, uint64_t id) { return lookup(player, id); }

bool player_sector_has_known_enemy(const Player *player, const GameObject *sector_snapshot) {
    const Sector *sector = sector_snapshot && sector_snapshot->kind == OBJECT_SECTOR
                               ? static_cast<const Sector *>(sector_snapshot)
                               : nullptr;
    if (!sector) return false;
    for (uint64_t id : sector->known_object_ids) {
        const GameObject *snap = id ? lookup(player, id) : nullptr;
        if (snap && snap->kind == OBJECT_SHIP && snap->owner_id != player->id) return true;
    }
    return false;
}

void player_track_known_fleets(Player *player) {
    for (GameObject *snap : player->known.items) {
        if (!snap) break;
        if (snap->kind != OBJECT_FLEET) continue;
        int32_t i = snap->saved_c;
        if (i < 0 || i >= FLEET_RING) i = 0;
        snap->saved_a[i] = snap->x;
        snap->saved_b[i] = snap->y;
        const int32_t n = (snap->flags & FLEET_RING_FULL) ? FLEET_RING : std::min(i + 1, FLEET_RING);
        int64_t total = 0, sx = 0, sy = 0;
        int32_t w = 8;
        for (int32_t j = (i + 1) % FLEET_RING; j != i; j = (j + 1) % FLEET_RING) {
            if (j >= n) continue;
            total += w;
            sx += int64_t(snap->saved_a[j]) * w;
            sy += int64_t(snap->saved_b[j]) * w;
            w = std::max(1, w - 1);
        }
        if (total > 0) {
            snap->saved_d = int32_t(sx / total);
            snap->saved_e = int32_t(sy / total);
        } else {
            snap->saved_d = snap->x;
            snap->saved_e = snap->y;
        }
        if (++i >= FLEET_RING) {
            i = 0;
            snap->flags |= FLEET_RING_FULL;
        }
        snap->saved_c = i;
    }
}

void player_add_sensor_tap(Player *player, int32_t duration, uint64_t tapped_player_id, uint64_t sector_id) {
    if (duration <= 0) return;
    Game *game = game_get();
    SensorTap *tap = new (std::nothrow) SensorTap();
    if (!tap) return;
    tap->player_id = tapped_player_id;
    tap->sector_id = sector_id;
    tap->expiry = (game && game->clock ? game->clock->minutes : 0) + uint64_t(duration);
    if (list_append(&player->taps, tap) < 0) delete tap;
}

bool player_has_sensor_tap(const Player *player, uint64_t tapped_player_id) {
    for (const SensorTap *tap : player->taps.items)
        if (tap && tap->player_id == tapped_player_id) return true;
    return false;
}

int32_t sector_score(const GameObject *obj) {
    if (!obj || obj->kind != OBJECT_SECTOR || (obj->flags & OBJ_STUB)) return 0;
    const Sector *sector = static_cast<const Sector *>(obj);
    int32_t score = 0;
    if (obj->flags & OBJ_SNAPSHOT) {
        for (int32_t kind : sector->known_site_kinds) score += known_site_points(kind);
        return score + feature_points(sector->known_feature_kind) + sector->known_starbase_crew / 50;
    }
    bool feature_seen = false;
    for (int32_t i = 0; i < sector_site_count(sector); ++i) {
        const Site *site = sector_get_site(sector, i);
        if (!site) continue;
        if (site->subtype == SITE_STARBASE) score += 100 + site->crew / 1000;
        else if (site->subtype == SITE_SHIPYARD || site->subtype == SITE_TRAINING) score += 40;
        else if (site->subtype == SITE_HARVESTER) score += 20;
        if (!feature_seen && site->feature) {
            feature_seen = true;
            score += feature_points(site->feature->kind);
        }
    }
    return score;
}

// Both figures read a ship's saved numbers, so they are worked out in 64 bits and held to 32.
int32_t player_object_value(const GameObject *obj) {
    const Ship *ship = ship_of(obj);
    if (!ship) return 0;
    int64_t v = 0;
    if ((obj->flags & OBJ_SNAPSHOT) && obj->snapshot_version <= 0) {
        const int64_t d = std::max<int64_t>(int64_t(ship->crit_count) - 2, 1);
        const int64_t a = (int64_t(obj->mass) - ship->base_mass - 5) / d;
        const int64_t b = (int64_t(ship->capacity_used) - 50) / d;
        v = b >= 30 && a < 26 ? 40 * d : a < 60 ? 20 * d : 60 * d;
    } else {
        v = ship->online_load_a;
    }
    if (!(ship->hull_flags & HULL_FLAG_NO_PILOT)) {
        v += ship->crew / 225;
        if (ship->pilot_id != 0) {
            const int64_t rank = std::clamp<int64_t>(ship->pilot_rank, -65536, 65536);   // its square fits
            v += 5 * rank * rank;
        }
    }
    if (!(ship->hull_flags & HULL_FLAG_IMMOBILE)) v += ship->max_mp;
    return saturate_i32(v);
}

int32_t ship_estimated_strength(const GameObject *obj) {
    const Ship *ship = ship_of(obj);
    if (!ship) return 0;
    int64_t middle = ship->crew / 225;
    if ((obj->flags & OBJ_SNAPSHOT) && obj->snapshot_version < 1)
        middle += std::max<int64_t>(int64_t(ship->crit_count) - 2, 1) * 15;
    else middle += ship->online_load_b;
    return saturate_i32(ship->shield_max / 2 + ((int64_t(ship->max_armour) + ship->armour) / 2 * 3) / 4 + middle);
}
