// Orders: the checks and the changes of every order a player gives, and their prices.
#include "game/orders.h"

#include <algorithm>

#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "game/tech.h"
#include "platform/str.h"
#include "world/fleet.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"

namespace {

constexpr int32_t DAY_MINUTES = 1440;

Player *owner_of(const GameObject *obj) { return object_get_owner(const_cast<GameObject *>(obj)); }

// The checks every production order shares: the site is the orderer's, and it has something in
// production that does not finish today.
Result check_in_production(const Player *by, const Site *site) {
    if (const Result r = order_check_owner(by, site); r != RES_OK) return r;
    int32_t days = 0;
    if (!site_production_info(const_cast<Site *>(site), nullptr, nullptr, &days, nullptr, nullptr))
        return RES_NOT_PRODUCING;
    return days <= 1 ? RES_ALREADY_COMPLETE : RES_OK;
}

// ---- Officers ----

Site *starbase_of(const Sector *sector) {
    return sector && sector->site_counts[SITE_STARBASE] > 0 ? sector_find_site_of_kind(sector, SITE_STARBASE) : nullptr;
}

bool in_pool(const Site *base, const Officer *officer) { return base && site_find_recruit(base, officer->id); }

// The officer leaves the starbase's command, when it holds it.
void leave_command(Site *base, Officer *officer) {
    if (base && base->commander == officer) site_set_pilot(base, nullptr);
}

// The officer leaves whatever it holds at the starbase: its command and its place in the pool.
void leave_starbase(Site *base, Officer *officer) {
    leave_command(base, officer);
    if (base) site_remove_officer(base, officer->id);
}

// The starbase takes the officer into its pool unless it is there already.
void join_pool(Site *base, Officer *officer) {
    if (!in_pool(base, officer)) site_add_officer(base, officer);
    officer->sector_id = base->sector_id;
}

// The ship's crew goes with its leaving pilot: into the starbase as far as it has room (the rest
// is lost), or aboard the ship it takes over.
void crew_to_starbase(Ship *ship, Site *base) {
    const int32_t moved = std::min(ship->crew, base->params.crew_capacity - base->crew);
    if (moved > 0) site_add_crew(base, moved);
    ship_set_crew(ship, 0);
}
void crew_to_ship(Ship *from, Ship *to, int32_t crew) {
    if (crew > 0) ship_set_crew(to, to->crew + crew);
    ship_set_crew(from, 0);
}

}  // namespace

std::string order_refusal_text(Result r) {
    switch (r) {
    case RES_OK: return "";
    case RES_INSUFFICIENT_CREDITS: return "Insufficient credits";
    case RES_CREW_SHORT: return str_format("%i crew required", int(SITE_CREW_NEEDED));
    case RES_ALREADY_COMPLETE: return "Already complete";
    case RES_CANNOT_RUSH: return "Can't be rushed";
    case RES_UNDER_CONSTRUCTION: return "Under construction";
    case RES_NOT_OWNER: return "Not yours to command";
    default: return "Not available";
    }
}

Result order_check_owner(const Player *by, const GameObject *obj) {
    return by && obj && obj->owner_id != 0 && obj->owner_id == by->id ? RES_OK : RES_NOT_OWNER;
}

// ---- Production ----

Result order_production_price(const Site *site, int32_t item, uint64_t item_id, int32_t *cost, int32_t *minutes) {
    Player *owner = owner_of(site);
    if (!owner) return RES_UNKNOWN_OWNER;
    // A starbase or shipyard builds only in a sector of the map.
    if (site->subtype != SITE_TRAINING && !site_find_sector(site)) return RES_OUT_OF_RANGE;
    int32_t c = 0, m = 0;
    if (site->subtype == SITE_STARBASE) {
        if (item >= 0) {
            const Site *tmpl = item < SITE_TEMPLATE_COUNT ? site_template(item) : nullptr;
            if (!tmpl || !(tmpl->params.template_flags & SITE_TF_BUILDABLE)) return RES_OUT_OF_RANGE;
        } else if (item != -1) {
            return RES_OUT_OF_RANGE;
        }
        player_build_cost(owner, item, site->sector_id, &c, &m);
    } else if (site->subtype == SITE_SHIPYARD) {
        GameObject *design = player_get_design(owner, item_id);
        // A design on a hull no player may build (the factions' own) is not laid down by an order.
        const Ship *hull = ship_of(design);
        if (!hull || !(hull->hull_flags & HULL_FLAG_PLAYER_BUILDABLE)) return RES_OUT_OF_RANGE;
        player_design_build_cost(owner, design, site->sector_id, &c, &m);
    } else if (site->subtype == SITE_TRAINING) {
        const Officer *recruit = site_find_recruit(site, item_id);
        if (!recruit) return RES_OUT_OF_RANGE;
        c = recruit->training_cost;
        m = recruit->figures[0] * DAY_MINUTES;
    } else {
        return RES_OUT_OF_RANGE;
    }
    uint64_t paused_id = 0;
    int32_t paused_cost = 0;
    if (site->subtype != SITE_STARBASE && site_get_paused_production(site, nullptr, &paused_id, &paused_cost, nullptr) &&
        paused_id == item_id) {
        c = paused_cost;
        m = site->paused_remaining;
    }
    if (cost) *cost = c;
    if (minutes) *minutes = m;
    return RES_OK;
}

Result order_can_produce(const Player *by, const Site *site, int32_t item, uint64_t item_id) {
    if (const Result r = order_check_owner(by, site); r != RES_OK) return r;
    if (site_is_under_construction(site)) return RES_UNDER_CONSTRUCTION;
    if (site_is_crew_short(site)) return RES_CREW_SHORT;
    int32_t cost = 0;
    if (const Result r = order_production_price(site, item, item_id, &cost, nullptr); r != RES_OK) return r;
    return player_can_spend(by, cost);
}

Result order_produce(Player *by, Site *site, int32_t item, uint64_t item_id) {
    if (const Result r = order_can_produce(by, site, item, item_id); r != RES_OK) return r;
    int32_t cost = 0;
    (void)order_production_price(site, item, item_id, &cost, nullptr);   // checked by the can form
    // Paid first, then started: the can form has seen everything the start could refuse.
    if (const Result r = player_spend(by, cost); r != RES_OK) return r;
    (void)site_start_production(site, item, item_id);
    site->cost_paid = cost;   // a pending item cancelled gives back what was paid
    return RES_OK;
}

Result order_can_rush(const Player *by, const Site *site) {
    if (const Result r = check_in_production(by, site); r != RES_OK) return r;
    const int32_t cost = site_rush_cost(site);
    if (cost <= 0) return RES_CANNOT_RUSH;
    if (site_starbase_crew(site) < SITE_CREW_NEEDED) return RES_CREW_SHORT;
    return player_can_spend(by, cost);
}

Result order_rush(Player *by, Site *site) {
    if (const Result r = order_can_rush(by, site); r != RES_OK) return r;
    if (const Result r = player_spend(by, site_rush_cost(site)); r != RES_OK) return r;
    site_rush(site);
    return RES_OK;
}

Result order_can_halt(const Player *by, const Site *site) { return check_in_production(by, site); }

Result order_halt(Player *by, Site *site) {
    if (const Result r = order_can_halt(by, site); r != RES_OK) return r;
    site_stop_production(site);
    return RES_OK;
}

// ---- Research ----

Result order_research(Player *by, int32_t tech) {
    if (!by) return RES_NOT_OWNER;
    const TechInfo *info = tech_get(tech);
    const int32_t cost = info ? info->credits : 0;
    if (const Result r = player_can_spend(by, cost); r != RES_OK) return r;
    if (const Result r = Result(player_queue_research(by, tech)); r != RES_OK) return r;
    return player_spend(by, cost);
}

// ---- Officers ----

Result order_post_officer(Player *by, Officer *officer, GameObject *post, bool as_commander) {
    if (!officer || !by || officer->owner_id != by->id) return RES_NOT_OWNER;
    if (const Result r = order_check_owner(by, post); r != RES_OK) return r;
    Ship *to_ship = ship_of(post);
    Site *to_base = site_cast(post);
    if (to_base && to_base->subtype != SITE_STARBASE) to_base = nullptr;
    // A hull without a pilot's seat takes no officer: the officer would leave its post for nowhere.
    if ((!to_ship && !to_base) || (to_ship && (to_ship->hull_flags & HULL_FLAG_NO_PILOT))) return RES_INVALID_TARGET;
    Ship *from_ship = officer->ship_id ? ship_of(game_find_object(game_get(), officer->ship_id)) : nullptr;
    Site *from_base = from_ship ? nullptr : starbase_of(sector_find(officer->sector_id));
    if (!from_ship && !from_base) return RES_NO_TARGET;

    officer_retain(officer);   // held while it moves between holders
    Officer *previous = nullptr;
    if (to_base && !as_commander) {
        leave_command(to_base, officer);
        if (from_base) leave_starbase(from_base, officer);
        if (from_ship) {
            ship_set_pilot(from_ship, nullptr);
            crew_to_starbase(from_ship, to_base);
        }
        join_pool(to_base, officer);
    } else if (to_base && to_base->commander != officer) {
        if ((previous = to_base->commander)) {
            officer_retain(previous);
            site_set_pilot(to_base, nullptr);
        }
        if (from_base) {
            leave_starbase(from_base, officer);
            if (previous) join_pool(from_base, previous);
        } else if (previous) {
            ship_set_pilot(from_ship, previous);   // the two change places
        } else {
            ship_set_pilot(from_ship, nullptr);
            crew_to_starbase(from_ship, to_base);
        }
        site_remove_officer(to_base, officer->id);   // a pool officer taking its own starbase's command
        site_set_pilot(to_base, officer);
    } else if (to_ship && to_ship->pilot != officer) {
        if ((previous = to_ship->pilot)) {
            officer_retain(previous);
            ship_set_pilot(to_ship, nullptr);
        }
        if (from_base) {
            leave_starbase(from_base, officer);
            if (previous) join_pool(from_base, previous);
        } else {
            const int32_t crew = from_ship->crew;
            ship_set_pilot(from_ship, nullptr);
            if (previous) ship_set_pilot(from_ship, previous);
            else crew_to_ship(from_ship, to_ship, crew);
        }
        ship_set_pilot(to_ship, officer);
    }
    officer_release(previous);
    officer_release(officer);
    return RES_OK;
}

// ---- Ships ----

Result order_scrap_ship(Player *by, Ship *ship) {
    if (const Result r = order_check_owner(by, ship); r != RES_OK) return r;
    object_add_ref(ship);   // leaving its sector may let the ship go; the steps after it still mark it
    Sector *sector = sector_of(game_find_object(game_get(), ship->sector_id));
    if (const int32_t value = ship_scrap_value(ship); value > 0) player_add_resources(by, value);
    Site *base = starbase_of(sector);
    if (base && base->owner_id == ship->owner_id) {
        const int32_t moved = std::min(ship->crew, base->params.crew_capacity - base->crew);
        if (moved > 0) site_add_crew(base, moved);   // beyond the capacity the crew is lost
        // The pilot leaves the ship before it joins the pool, so it names no scrapped ship.
        if (Officer *pilot = ship->pilot) {
            officer_retain(pilot);
            ship_set_pilot(ship, nullptr);
            site_add_officer(base, pilot);
            pilot->sector_id = base->sector_id;
            officer_release(pilot);
        }
    }
    if (ship->sector_id != 0) ship_set_sector(ship, nullptr);
    if (ship->fleet_id != 0) ship_set_fleet(ship, nullptr);
    ship->flags |= OBJ_DEAD;
    object_release(ship);
    return RES_OK;
}

Result order_repair_ship(Player *by, Ship *ship) {
    if (const Result r = order_check_owner(by, ship); r != RES_OK) return r;
    if (const Result r = player_spend(by, ship_repair_cost(ship)); r != RES_OK) return r;
    ship_repair_and_reload(ship);
    return RES_OK;
}

Result order_transfer_crew(Player *by, Ship *ship, Site *base, int32_t ship_crew) {
    if (const Result r = order_check_owner(by, ship); r != RES_OK) return r;
    if (const Result r = order_check_owner(by, base); r != RES_OK) return r;
    if (base->subtype != SITE_STARBASE) return RES_INVALID_TARGET;
    if (ship->sector_id == 0 || ship->sector_id != base->sector_id) return RES_TARGET_OUT_OF_RANGE;
    // What the ship cannot hold stays at the starbase, so no crew is made or lost here.
    const int64_t total = int64_t(ship->crew) + base->crew;
    const int32_t kept = int32_t(std::clamp<int64_t>(ship_crew, 0, std::min<int64_t>(std::max(ship->max_crew, 0), total)));
    ship_set_crew(ship, kept);
    base->crew = int32_t(total - ship->crew);
    site_update_crew_state(base);
    ship->ap = ship->max_ap;
    return RES_OK;
}

// ---- Fleets ----

Result order_launch_fleet(Player *by, const std::vector<Ship *> &ships, uint64_t origin_id, GameObject *destination,
                          int32_t x, int32_t y, bool centred, Fleet **out) {
    if (out) *out = nullptr;
    Game *game = game_get();
    ObjectMap *map = game ? game->galaxy_map : nullptr;
    if (ships.empty() || !destination || !map) return RES_NO_TARGET;
    for (const Ship *ship : ships)
        if (const Result r = order_check_owner(by, ship); r != RES_OK) return r;
    Fleet *fleet = fleet_create();
    if (!fleet) return RES_NO_MEMORY;
    object_assign_id(fleet);
    fleet_enable_pings(fleet);
    fleet_show_count(fleet);
    if (map->viewer_id == by->id) fleet->flags |= OBJ_VISIBLE;   // its owner watches it leave
    object_set_owner_id(fleet, by->id);
    for (Ship *ship : ships) {
        object_add_ref(ship);   // leaving its sector or fleet may drop the last other hold
        if (ship->sector_id != 0) ship_set_sector(ship, nullptr);
        ship_set_fleet(ship, fleet);
        object_release(ship);
    }
    if (centred) {
        x -= fleet->w / 2;
        y -= fleet->h / 2;
    }
    map_place_object(map, fleet, x, y, 0);
    // It leaves on its course at once; leaving a sector or fleet, it keeps from meeting fleets
    // until the next day.
    fleet_set_move_target(fleet, destination);
    if (origin_id != 0) {
        fleet_bar_meetings(fleet);
        fleet_set_origin_id(fleet, origin_id);
    }
    map_add_pending_objects(map);
    if (out) *out = fleet;
    return RES_OK;
}
