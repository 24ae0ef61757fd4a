// Players: resources, crew drawn from peopled worlds, the nearest starbase, and build quotes.
#include "game/player.h"

#include <algorithm>
#include <new>
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

constexpr int32_t CONSTRUCTOR_SYSTEM = 13;

}  // namespace

// ---- Resources, crew, quotes ----

void player_add_resources(Player *player, int32_t amount) {
    const int64_t credits = int64_t(player->credits) + amount;
    player->credits = credits < 0 ? 0 : credits > INT32_MAX ? INT32_MAX : int32_t(credits);
    if (amount > 0) player->credits_earned += amount;
}

Result player_can_spend(const Player *player, int32_t amount) {
    return player && player->credits >= amount ? RES_OK : RES_INSUFFICIENT_CREDITS;
}

Result player_spend(Player *player, int32_t amount) {
    if (const Result r = player_can_spend(player, amount); r != RES_OK) return r;
    player_add_resources(player, -amount);
    return RES_OK;
}

namespace {

// The draw of n recruits from the player's peopled worlds: the first peopled world of each sector
// it holds gives an even share (the first n mod k one more), never more than it has. Only a
// draw that takes lowers the populations.
int32_t draw_crew(const Player *player, int32_t n, bool take) {
    std::vector<Site *> sources;
    player_detail::for_each_owned_sector(player->id, [&](Sector *sector) {
        for (int32_t i = 0; i < sector_site_count(sector); ++i) {
            Site *site = sector_get_site(sector, i);
            if (site && (site->params.template_flags & SITE_TF_POPULATION) && site_get_population(site) > 0) {
                sources.push_back(site);
                return;
            }
        }
    });
    if (sources.empty() || n < 1) return 0;
    const int32_t k = int32_t(sources.size());
    int32_t taken = 0;
    for (int32_t i = 0; i < k; ++i) {
        const int32_t share = n / k + (i < n % k ? 1 : 0);
        const int32_t population = site_get_population(sources[size_t(i)]);
        const int32_t give = std::max(0, std::min(population, share));
        if (take) site_set_population(sources[size_t(i)], std::max(0, population - give));
        taken += give;
    }
    return taken;
}

}  // namespace

int32_t player_take_crew(Player *player, int32_t n) { return draw_crew(player, n, true); }

int32_t player_crew_available(const Player *player, int32_t n) { return draw_crew(player, n, false); }

GameObject *player_find_nearest_starbase(Player *player, int32_t x, int32_t y, int32_t amount) {
    Sector *best = nullptr;
    int32_t best_distance = 0;
    player_detail::for_each_owned_sector(player->id, [&](Sector *sector) {
        const Site *base = player_detail::first_starbase(sector);
        if (!base || base->crew < amount + PLAYER_STARBASE_CREW_MARGIN) return;
        const int32_t d = player_detail::measure(sector->x - x, sector->y - y);
        if (!best || d < best_distance) {
            best = sector;
            best_distance = d;
        }
    });
    return best;
}

GameObject *player_find_constructor_ship(Player *player) {
    for (GameObject *obj : player->objects.items) {
        if (!obj) break;
        const Ship *ship = ship_of(obj);
        if (ship && ship_has_system_type(ship, CONSTRUCTOR_SYSTEM)) return obj;
    }
    return nullptr;
}

namespace {

bool sector_discounted(const Sector *sector) {
    return sector && sector_find_site_with_feature(sector, FEATURE_DISCOUNT) && !sector_has_defended_site(sector);
}

}  // namespace

void player_build_cost(Player *, int32_t item, uint64_t sector_id, int32_t *cost, int32_t *minutes) {
    int64_t c = 0, m = 0;
    Sector *sector = player_detail::find_sector(sector_id);
    if (item >= 0) {
        const Site *tmpl = item < SITE_TEMPLATE_COUNT ? site_template(item) : nullptr;
        if (tmpl) {
            c = tmpl->params.build_cost;
            m = int64_t(tmpl->params.build_days) * player_detail::DAY;
            if (sector_discounted(sector)) {
                c = c * 3 / 4;
                m /= 2;
            }
            if (const Site *started = sector ? sector_find_site_under_construction(sector, item) : nullptr) {
                c = c * (100 - started->progress) / 100;
                m = m * (100 - started->progress) / 100;
            }
        }
    } else if (const Site *base = player_detail::first_starbase(sector)) {
        c = std::max(0, base->params.defense_cost);
        m = std::max(0, base->params.defense_minutes);
        if (sector_discounted(sector)) {
            c = c * 3 / 4;
            m /= 2;
        }
        if (base->defense_progress >= 1) {
            c = c * (100 - base->defense_progress) / 100;
            m = m * (100 - base->defense_progress) / 100;
        }
    }
    if (cost) *cost = int32_t(c);
    if (minutes) *minutes = int32_t(m);
}

void player_design_build_cost(Player *, GameObject *design, uint64_t sector_id, int32_t *cost, int32_t *minutes) {
    const Ship *ship = ship_of(design);
    int64_t c = ship ? ship->cost : 0;
    int64_t m = ship ? int64_t(ship->mass_figure) * player_detail::DAY : 0;
    Sector *sector = player_detail::find_sector(sector_id);
    if (sector_discounted(sector)) {
        c = c * 3 / 4;
        m /= 2;
    }
    if (const Site *yard = sector && design ? sector_find_site_of_kind(sector, SITE_SHIPYARD) : nullptr) {
        int32_t item = 0, paused_cost = 0, days = 0;
        uint64_t item_id = 0;
        if (site_get_paused_production(yard, &item, &item_id, &paused_cost, &days) && item_id == design->id) {
            c = paused_cost;
            m = int64_t(days) * player_detail::DAY;
        }
    }
    if (cost) *cost = int32_t(c);
    if (minutes) *minutes = int32_t(m);
}

int32_t ship_scrap_value(const Ship *ship) {
    int64_t v = int64_t(ship->roll_value) * 5;
    for (int32_t i = 0; i < ship->crit_count; ++i) {
        const System *system = ship->crits[i].system;
        if (!system || (system->status & SYSTEM_STATUS_OFFLINE)) continue;
        v += (system->status & SYSTEM_STATUS_DAMAGED) ? system->value / 3 : system->value / 2;
    }
    if (ship->max_armour > 0) v = int64_t(ship->armour) * v / ship->max_armour;
    return int32_t(std::min<int64_t>(int64_t(ship->cost) * 65 / 100, v));
}
