// Players: the totals, the turn, the AI states' calls, the battle statistics.
#include "game/player.h"

#include <algorithm>
#include <new>
#include <unordered_map>
#include <unordered_set>
#include <vector>
#include "game/alert.h"
#include "game/game.h"
#include "game/officer.h"
#include "game/player_internal.h"
#include "game/records.h"
#include "platform/calendar.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/saturate.h"
#include "systems/system.h"
#include "world/factory.h"
#include "world/fleet.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"
#include "world/site_feature.h"

// ---- Totals and turns ----

void player_update_totals(Player *player) {
    PlayerTotals t;
    t.design_counter = player->totals.design_counter;
    bool home = false;
    // The crews and rates of a loaded game are the save's: the sums are held at the int32_t limits.
    int32_t income = 0;
    player_detail::for_each_owned_sector(player->id, [&](Sector *sector) {
        income = saturate_add_i32(income, sector_harvest_income(sector));
        if (Site *base = player_detail::first_starbase(sector)) {
            t.starbase_sectors += 1;
            t.crew_intake = saturate_add_i32(t.crew_intake, site_crew_intake_rate(base));
            t.starbase_crew = saturate_add_i32(t.starbase_crew, base->crew);
            if (base->state & SITE_PRODUCING) t.active_production += 1;
        }
        for (int32_t kind : {SITE_SHIPYARD, SITE_TRAINING}) {
            if (sector->site_counts[kind] < 1) continue;
            const Site *site = sector_find_site_of_kind(sector, kind);
            if (site && (site->state & SITE_PRODUCING)) t.active_production += 1;
        }
        for (int32_t i = 0; i < sector_site_count(sector); ++i)
            if (Site *site = sector_get_site(sector, i))
                t.research_rate = saturate_add_i32(t.research_rate, site_research_rate(site));
        // The sector's home colony, wherever it lies among the featured sites.
        const Site *colony = sector_find_site_with_feature(sector, FEATURE_HOME_COLONY);
        if (colony && colony->feature->owner_id == player->id) home = true;
    });
    t.daily_income = income;
    const int32_t target = player->research_target;
    const bool researching =
        target >= 0 && target < PLAYER_TECH_COUNT && (player->tech_state[target] & TECH_QUEUED) &&
        !(player->tech_state[target] & TECH_PAUSED);
    if (!researching && player_count_active_research(player) == 0)
        t.daily_income = saturate_add_i32(t.daily_income, t.research_rate / PLAYER_RESEARCH_CREDIT);
    if (home) player->flags &= ~PLAYER_FLAG_NO_HOME_COLONY;
    else player->flags |= PLAYER_FLAG_NO_HOME_COLONY;
    for (const GameObject *obj : player->objects.items) {
        if (!obj) break;
        const Ship *ship = ship_of(obj);
        if (!ship) continue;
        t.ship_crew = saturate_add_i32(t.ship_crew, ship->crew);
        t.online_load_a = saturate_add_i32(t.online_load_a, ship->online_load_a);
        t.online_load_b = saturate_add_i32(t.online_load_b, ship->online_load_b);
    }
    player->totals = t;
}

void player_turn_update(Player *player) {
    Game *game = player_detail::game_of();
    const uint64_t now = game && game->clock ? game->clock->minutes : 0;
    // Sensor taps.
    for (int32_t i = 0; i < list_count(&player->taps);) {
        SensorTap *tap = list_get(&player->taps, i);
        const GameObject *sector = game_find_object(game_get(), tap->sector_id);
        const bool expired = now >= tap->expiry || !sector || sector->kind != OBJECT_SECTOR ||
                             sector->owner_id != tap->player_id;
        if (!expired) {
            ++i;
            continue;
        }
        const uint64_t tapped = tap->player_id;
        list_remove_value(&player->taps, tap);
        delete tap;
        if (player_has_sensor_tap(player, tapped)) continue;
        if (Player *other = game_find_player(game_get(), tapped))
            game_add_alert(game, alert_post_intel_report(player->id, 0, tapped, 0, 0, "Sensor tap for %s was lost",
                                                         other->name.c_str()));
    }
    // Fleet snapshots seen long ago.
    for (int32_t i = 0; i < list_count(&player->known); ++i) {
        GameObject *snap = list_get(&player->known, i);
        if (!snap || snap->kind != OBJECT_FLEET) continue;
        const uint64_t seen = snap->seen_date ? snap->seen_date->minutes : 0;
        if (now < seen || now - seen < uint64_t(PLAYER_FLEET_MEMORY_MINUTES)) continue;
        hash_table_remove(player->known_map, snap);
        list_set(&player->known, i, nullptr);
        object_release(snap);
    }
    // What a player remembers goes once nothing it would be read through holds it:
    //  - a ship gone from the game (destroyed, scrapped, deployed as a starbase), unless a remembered
    //    fleet still lists it (until the fleet is forgotten);
    //  - another player's ship not seen for the threat horizon that no remembered sector or fleet
    //    lists: where it went is not known, and it would count as strength for ever;
    //  - a copy of one of the player's own ships (from an older save; none are made any more);
    //  - a site no remembered sector lists, unless seen this minute.
    // Such copies grew a long game's save past a megabyte.
    std::unordered_map<uint64_t, uint64_t> held;   // the players' living ships, with their owners
    if (game && game->players)
        for (const Player *owner : game->players->items) {
            if (!owner) break;
            for (const GameObject *obj : owner->objects.items)
                if (obj && obj->kind == OBJECT_SHIP && !(obj->flags & OBJ_DEAD)) held.emplace(obj->id, owner->id);
        }
    std::unordered_set<uint64_t> in_fleets, in_sectors;   // what the remembered fleets and sectors list
    for (GameObject *snap : player->known.items) {
        if (const Fleet *fleet = snap ? fleet_of(snap) : nullptr) {
            for (const GameObject *member : fleet->ships.items)
                if (member) in_fleets.insert(member->id);
            in_fleets.insert(fleet->known_ship_ids.begin(), fleet->known_ship_ids.end());
        } else if (const Sector *sector = snap ? sector_of(snap) : nullptr) {
            in_sectors.insert(sector->known_site_ids.begin(), sector->known_site_ids.end());
            in_sectors.insert(sector->known_object_ids.begin(), sector->known_object_ids.end());
        }
    }
    constexpr uint64_t SHIP_MEMORY_MINUTES = uint64_t(THREAT_MAX_AGE_DAYS) * MINUTES_PER_DAY;
    auto forgotten = [&](const GameObject *snap) {
        const uint64_t seen = snap->seen_date ? snap->seen_date->minutes : 0;
        if (snap->kind == OBJECT_SITE) return seen != now && !in_sectors.count(snap->id);
        if (snap->kind != OBJECT_SHIP) return false;
        const auto holder = held.find(snap->id);
        if (holder != held.end() && holder->second == player->id) return true;
        if (holder == held.end()) {
            const GameObject *live = game_find_object(game, snap->id);   // a ship no player holds
            if (!live || (live->flags & OBJ_DEAD)) return !in_fleets.count(snap->id);
        }
        return now >= seen + SHIP_MEMORY_MINUTES && !in_fleets.count(snap->id) && !in_sectors.count(snap->id);
    };
    for (int32_t i = 0; game && i < list_count(&player->known); ++i) {
        GameObject *snap = list_get(&player->known, i);
        if (!snap || !forgotten(snap)) continue;
        hash_table_remove(player->known_map, snap);
        list_set(&player->known, i, nullptr);
        object_release(snap);
    }
    list_compact(&player->known);
    player->game_counters[COUNTER_DAYS_IN_COMMAND] += 1;
    // Elimination.
    if (player_count_living_objects(player) > 0) {
        player->flags &= ~PLAYER_FLAG_ELIMINATED;
        return;
    }
    bool crewed = false;
    player_detail::for_each_owned_sector(player->id, [&](Sector *sector) {
        const Site *base = player_detail::first_starbase(sector);
        if (base && !(base->state & SITE_CREW_SHORT)) crewed = true;
    });
    if (crewed) player->flags &= ~PLAYER_FLAG_ELIMINATED;
    else player->flags |= PLAYER_FLAG_ELIMINATED;
}

void player_update_escape_pods(Player *player, int32_t minutes) {
    Game *game = player_detail::game_of();
    bool restart = true;
    while (restart) {
        restart = false;
        for (Officer *officer : player->officers.items) {
            if (!officer) break;
            if (!(officer->flags & OFFICER_FLAG_IN_POD)) continue;
            officer->pod_minutes -= minutes;
            if (officer->pod_minutes > 0) continue;
            officer->flags &= ~OFFICER_FLAG_IN_POD;
            GameObject *dest = game_find_object(game_get(), officer->pod_destination);
            Sector *sector = sector_of(dest);
            Site *base = sector && sector->owner_id == player->id ? player_detail::first_starbase(sector) : nullptr;
            if (base) {
                site_add_officer(base, officer);
                officer->sector_id = sector->id;
                game_add_alert(game, alert_post_escape_pod(player->id, officer->rank, sector->id,
                                                           "%s arrived in the %s sector via Escape Pod",
                                                           officer->name.c_str(), object_get_name(sector)));
                continue;
            }
            if (sector)
                game_add_alert(game, alert_post_escape_pod(
                                         player->id, officer->rank, sector->id,
                                         "Escape Pod for %s arrived in the %s sector but could not enter the "
                                         "starbase and was lost",
                                         player->name.c_str(), object_get_name(sector)));
            player_remove_officer(player, officer->id);
            restart = true;
            break;
        }
    }
}

void player_after_encounter(Player *player) {
    for (int32_t i = 0; i < list_count(&player->objects); ++i) {
        GameObject *obj = list_get(&player->objects, i);
        Ship *ship = ship_of(obj);
        if (!ship || !(obj->flags & (OBJ_DYING | OBJ_DEAD)) || !ship->pilot) continue;
        Officer *pilot = ship->pilot;
        if (!(ship->ship_flags & SHIP_FLAG_POD_ESCAPED)) {
            player_remove_officer(player, pilot->id);
            continue;
        }
        int32_t gx = 0, gy = 0;
        ship_get_galaxy_position(ship, &gx, &gy);
        Sector *nearest = nullptr;
        int32_t nearest_distance = 0;
        player_detail::for_each_owned_sector(player->id, [&](Sector *sector) {
            if (sector->site_counts[SITE_STARBASE] < 1) return;
            const int32_t d = player_detail::measure(sector->x - gx, sector->y - gy);
            if (!nearest || d < nearest_distance) {
                nearest = sector;
                nearest_distance = d;
            }
        });
        if (!nearest) continue;
        pilot->flags |= OFFICER_FLAG_IN_POD;
        pilot->pod_minutes = std::max(PLAYER_POD_MIN_MINUTES, (nearest_distance / 25) * player_detail::DAY);
        pilot->pod_destination = nearest->id;
        if (ship->hull_flags & HULL_FLAG_NO_PILOT) continue;
        ship_set_pilot(ship, nullptr);   // "No commander", statistics and points as a pilotless ship
    }
    bool removed = false;
    for (int32_t i = 0; i < list_count(&player->known); ++i) {
        GameObject *snap = list_get(&player->known, i);
        if (!snap) continue;
        if (snap->kind == OBJECT_SHOT) {
            hash_table_remove(player->known_map, snap);
            list_set(&player->known, i, nullptr);
            object_release(snap);
            removed = true;
        } else if (Ship *ship = ship_of(snap)) {
            ship->ship_flags &= ~SHIP_FLAG_DETAILED_COPY;
        }
    }
    if (removed) list_compact(&player->known);
    for (Officer *officer : player->officers.items) {
        if (!officer) break;
        officer_hire_or_promote(officer);
    }
    for (AiPlayer *ai : {player->galaxy_ai, player->commander_ai})
        if (ai && player_ai_hooks().clear_tasks) player_ai_hooks().clear_tasks(ai);
    player_update_totals(player);
}

void player_recompute_stats(Player *player) {
    for (List<GameObject> *list : {&player->designs, &player->objects, &player->known})
        for (GameObject *obj : list->items) {
            if (!obj) break;
            if (Ship *ship = ship_of(obj)) ship_recompute_stats(ship);
        }
}

Result player_link(Player *player) {
    for (GameObject *obj : player->objects.items) {
        if (!obj) break;
        if (obj->flags & OBJ_LINKED) continue;
        if (Result r = object_link(obj); r != RES_OK) return r;
    }
    for (AiPlayer *ai : {player->galaxy_ai, player->commander_ai})
        if (ai && player_ai_hooks().relink)
            if (Result r = player_ai_hooks().relink(ai); r != RES_OK) return r;
    return RES_OK;
}

void player_stop_ai(Player *player) {
    for (AiPlayer *ai : {player->galaxy_ai, player->commander_ai})
        if (ai && player_ai_hooks().stop) player_ai_hooks().stop(ai);
}

void player_run_galaxy_ai(Player *player) {
    if (player && player->galaxy_ai && player_ai_hooks().galaxy_command) player_ai_hooks().galaxy_command(player->galaxy_ai, player);
}

bool player_ai_accepts_encounter(Player *player, Encounter *encounter) {
    if (player->kind == PLAYER_KIND_HUMAN) return false;
    if (!player->galaxy_ai || !player_ai_hooks().accepts_encounter) return true;
    return player_ai_hooks().accepts_encounter(player->galaxy_ai, player, encounter) != 0;
}

void player_transfer_statistics(Player *player, PlayerRecord *record) {
    for (int32_t i = 0; i < PLAYER_GAME_COUNTERS; ++i) {
        record->stats[i] += uint64_t(int64_t(player->game_counters[i]));
        player->game_counters[i] = 0;
    }
}

void player_add_damage_dealt(Player *player, int32_t amount) {
    int32_t &dealt = player->game_counters[COUNTER_DAMAGE_DEALT];
    dealt = int32_t(std::min<int64_t>(int64_t(dealt) + std::max(amount, 0), INT32_MAX));
}

void player_add_ship_destroyed(Player *player, int64_t mass) {
    ++player->enemy_ships_destroyed;
    player->enemy_mass_destroyed += uint64_t(std::max<int64_t>(mass, 0));
    ++player->game_counters[COUNTER_ENEMIES_DESTROYED];
}
