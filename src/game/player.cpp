// Players: record, own objects, officers, designs, catalog, resources, quotes, totals and turns.
#include "game/player.h"

#include <algorithm>
#include <new>
#include <vector>
#include "game/alert.h"
#include "game/game.h"
#include "game/officer.h"
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

constexpr int32_t ROLL_GENERATOR = 4;     // the Game generator that rolls a new ship's value
constexpr int32_t SKILL_GENERATOR = 1;    // ... that raises starting officers' skills
constexpr int32_t CONSTRUCTOR_SYSTEM = 13;
constexpr int32_t FEATURE_DISCOUNT = 5;
constexpr int32_t DAY = int32_t(MINUTES_PER_DAY);

PlayerAiHooks g_ai_hooks;

void release_officer(Officer *officer) { officer_release(officer); }
void release_object(GameObject *obj) { object_release(obj); }
void destroy_object(GameObject *obj) { object_destroy(obj); }
void free_system(System *system) { system_free(system); }
void free_int(int32_t *value) { delete value; }
void free_tap(SensorTap *tap) { delete tap; }
void release_player(Player *player) { player_release(player); }
const void *player_key(const Player *player) { return &player->id; }
const void *object_key(const GameObject *obj) { return &obj->id; }

Game *game_of() { return game_get(); }

// The galaxy map's sectors owned by the player, in map order.
template <typename Fn>
void for_each_owned_sector(uint64_t player_id, Fn fn) {
    Game *game = game_of();
    if (!game || !game->galaxy_map || player_id == 0) return;
    ObjectMap *map = game->galaxy_map;
    for (int32_t i = 0; i < map_object_count(map); ++i) {
        Sector *sector = sector_of(map_object_at(map, i));
        if (sector && sector->owner_id == player_id) fn(sector);
    }
}

Sector *find_sector(uint64_t id) {
    Sector *sector = sector_of(world_find_object(id));
    return sector;
}

Site *first_starbase(Sector *sector) {
    return sector && sector->site_counts[SITE_STARBASE] > 0 ? sector_find_site_of_kind(sector, SITE_STARBASE)
                                                            : nullptr;
}

int32_t measure(int32_t dx, int32_t dy) { return distance(dx, dy); }

bool system_has_subtypes(const System *system) { return system && (system->flags & SYSTEM_FLAG_SUBTYPES); }

// A stable copy of the list sorted by a byte-wise key.
template <typename T, typename Key>
List<T> *sorted_copy(List<T> *source, Key key) {
    List<T> *out = list_create<T>();
    if (!out) return nullptr;
    std::vector<T *> items;
    for (T *item : source->items)
        if (item) items.push_back(item);
    std::stable_sort(items.begin(), items.end(), [&](T *a, T *b) { return key(a).compare(key(b)) < 0; });
    for (T *item : items)
        if (list_append(out, item) < 0) break;
    return out;
}

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

// A pilot's draw: abs(g) mod 9 from the skill generator, redrawn while it is refused.
int32_t draw_skill(bool (*refused)(int32_t skill, int32_t other), int32_t other) {
    Game *game = game_of();
    Rng *rng = game ? game->generators[SKILL_GENERATOR] : nullptr;
    for (int32_t tries = 0; tries < 10000; ++tries) {
        const int32_t r = int32_t((rng ? random_magnitude(rng_next(rng)) : random_magnitude(random_u32())) % 9u);
        if (!refused(r, other)) return r;
    }
    return -1;
}

bool is_base_skill(int32_t s) { return s == SKILL_INSTRUCTION || s == SKILL_MINING || s == SKILL_SCIENCE; }

}  // namespace

void player_set_ai_hooks(const PlayerAiHooks &hooks) { g_ai_hooks = hooks; }
const PlayerAiHooks &player_ai_hooks() { return g_ai_hooks; }

// ---- Lifecycle ----

Player *player_create(int32_t kind) {
    Player *player = new (std::nothrow) Player();
    if (!player) return nullptr;
    player->kind = kind;
    list_set_free_fn(&player->officers, release_officer);
    list_set_free_fn(&player->objects, release_object);
    list_set_free_fn(&player->known, release_object);
    list_set_free_fn(&player->designs, destroy_object);
    list_set_free_fn(&player->catalog, free_system);
    list_set_free_fn(&player->facilities, free_int);
    list_set_free_fn(&player->hulls, free_int);
    list_set_free_fn(&player->taps, free_tap);
    player->known_map = hash_table_create<GameObject>(key64_hash, key64_compare);
    player->defeat_date = date_create();
    bool ok = player->known_map && player->defeat_date;
    if (player->known_map) player->known_map->key_of = object_key;
    for (int32_t i = 0; ok && i < PLAYER_TECH_COUNT; ++i) {
        player->queue_dates[i] = date_create();
        player->completion_dates[i] = date_create();
        ok = player->queue_dates[i] && player->completion_dates[i];
    }
    if (!ok) {
        player_free(player);
        return nullptr;
    }
    return player;
}

void player_retain(Player *player) {
    if (player) ++player->refcount;
}

void player_release(Player *player) {
    if (!player) return;
    if (--player->refcount < 1) player_free(player);
}

void player_free(Player *player) {
    if (!player) return;
    list_clear(&player->objects);
    list_clear(&player->designs);
    hash_table_free(player->known_map);
    player->known_map = nullptr;
    list_clear(&player->known);
    list_clear(&player->officers);
    list_clear(&player->catalog);
    list_clear(&player->facilities);
    list_clear(&player->hulls);
    list_clear(&player->taps);
    for (AiPlayer *ai : {player->galaxy_ai, player->commander_ai})
        if (ai && g_ai_hooks.free) g_ai_hooks.free(ai);
    for (int32_t i = 0; i < PLAYER_TECH_COUNT; ++i) {
        date_free(player->queue_dates[i]);
        date_free(player->completion_dates[i]);
    }
    date_free(player->defeat_date);
    delete player;
}

void player_set_id(Player *player, uint64_t id) {
    player->id = id;
    for (GameObject *obj : player->objects.items)
        if (obj) object_set_owner_id(obj, id);
}

void player_set_name(Player *player, const char *name) { player->name = name ? name : ""; }

void player_set_color(Player *player, int32_t r, int32_t g, int32_t b) {
    player->red = r;
    player->green = g;
    player->blue = b;
}

// ---- The Game's players ----

Result game_add_player(Game *game, Player *player) {
    if (!game || !player || !game->players || !game->player_map) return RES_OUT_OF_RANGE;
    list_set_free_fn(game->players, release_player);
    game->player_map->key_of = player_key;
    hash_table_set_free_fn(game->player_map, release_player);
    if (list_append(game->players, player) < 0) return RES_NO_MEMORY;
    player_retain(player);
    if (hash_table_insert(game->player_map, player) < 0) {
        list_remove_value(game->players, player);
        player_release(player);
        return RES_NO_MEMORY;
    }
    player_retain(player);
    return RES_OK;
}

Player *game_find_player(Game *game, uint64_t id) {
    if (!game || !game->player_map || id == 0) return nullptr;
    game->player_map->key_of = player_key;
    return hash_table_find(game->player_map, &id);
}

Officer *game_find_player_officer(uint64_t player_id, uint64_t officer_id) {
    Player *player = game_find_player(game_of(), player_id);
    return player ? player_find_officer(player, officer_id) : nullptr;
}

Result records_flush_players(Game *game) {
    for (Player *player : game->players->items) {
        if (!player) break;
        if (player->record_id == 0) continue;
        if (PlayerRecord *record = records_find(game, player->record_id)) player_transfer_statistics(player, record);
    }
    return records_save(game);
}

// ---- Own objects ----

void player_add_object(Player *player, GameObject *obj) {
    if (!obj) return;
    object_assign_id(obj);
    object_add_ref(obj);
    Ship *ship = ship_of(obj);
    if (ship) ship_recompute_stats(ship);
    if (list_append(&player->objects, obj) < 0) {
        object_release(obj);
        return;
    }
    object_set_owner_id(obj, player->id);
    obj->owner = player;
    if (ship && !(ship->ship_flags & SHIP_FLAG_DRONE) && ship->roll_value < 1) {
        Game *game = game_of();
        Rng *rng = game ? game->generators[ROLL_GENERATOR] : nullptr;
        ship->roll_value = rng ? rng_range(rng, ship->roll_min, ship->roll_max) : ship->roll_min;
    }
    player_update_totals(player);
}

GameObject *player_find_object(Player *player, uint64_t id) {
    for (GameObject *obj : player->objects.items)
        if (obj && obj->id == id) return obj;
    return nullptr;
}

int32_t player_object_count(const Player *player) { return list_count(&player->objects); }

GameObject *player_get_object_at(Player *player, int32_t index) { return list_get(&player->objects, index); }

int32_t player_count_living_objects(const Player *player) {
    int32_t n = 0;
    for (const GameObject *obj : player->objects.items)
        if (obj && !(obj->flags & OBJ_DEAD)) ++n;
    return n;
}

void player_clear_objects(Player *player) {
    list_clear(&player->objects);
    player_update_totals(player);
}

void player_purge_dead_objects(Player *player) {
    bool removed = false;
    for (int32_t i = 0; i < list_count(&player->objects); ++i) {
        GameObject *obj = list_get(&player->objects, i);
        if (!obj || !(obj->flags & OBJ_DEAD)) continue;
        list_set(&player->objects, i, nullptr);
        object_release(obj);
        removed = true;
    }
    if (removed) list_compact(&player->objects);
    if (player->galaxy_ai && g_ai_hooks.prune) g_ai_hooks.prune(player->galaxy_ai, player);
    player_update_totals(player);
}

GameObject *player_oldest_object(Player *player) {
    GameObject *oldest = nullptr;
    uint64_t oldest_minutes = 0;
    for (GameObject *obj : player->objects.items) {
        if (!obj) break;
        const Ship *ship = ship_of(obj);
        const uint64_t minutes = ship && ship->built_date ? ship->built_date->minutes : 0;
        if (!oldest || minutes < oldest_minutes) {
            oldest = obj;
            oldest_minutes = minutes;
        }
    }
    return oldest;
}

List<GameObject> *player_objects_sorted(Player *player) {
    return sorted_copy(&player->objects, [](GameObject *obj) -> std::string {
        const Ship *ship = ship_of(obj);
        return ship ? ship->ship_name : obj->name;
    });
}

// ---- Officers ----

void player_add_officer(Player *player, Officer *officer) {
    if (!officer) return;
    if (officer->id == 0) {
        Game *game = game_of();
        officer->id = game ? game_next_id(game) : 1;
    }
    officer_retain(officer);
    if (list_append(&player->officers, officer) < 0) {
        officer_release(officer);
        return;
    }
    officer->owner_id = player->id;
    player_update_totals(player);
}

void player_remove_officer(Player *player, uint64_t officer_id) {
    for (Officer *officer : player->officers.items) {
        if (!officer || officer->id != officer_id) continue;
        list_remove_value(&player->officers, officer);
        officer_release(officer);
        return;
    }
}

Officer *player_find_officer(Player *player, uint64_t officer_id) {
    for (Officer *officer : player->officers.items)
        if (officer && officer->id == officer_id) return officer;
    return nullptr;
}

List<Officer> *player_officers_sorted(Player *player) {
    return sorted_copy(&player->officers, [](Officer *officer) { return officer->name; });
}

void officer_raise_ship_skills(Officer *officer) {
    const int32_t r = draw_skill([](int32_t s, int32_t) { return is_base_skill(s); }, -1);
    const int32_t s = draw_skill([](int32_t s, int32_t other) { return s == other || is_base_skill(s); }, r);
    if (r >= 0) officer->skills[r] += 1;
    if (s >= 0) officer->skills[s] += 1;
}

void officer_raise_base_skills(Officer *officer) {
    const int32_t r = draw_skill([](int32_t s, int32_t) { return !is_base_skill(s); }, -1);
    const int32_t s = draw_skill([](int32_t s, int32_t other) { return s == other || !is_base_skill(s); }, r);
    if (r >= 0) officer->skills[r] += 1;
    if (s >= 0) officer->skills[s] += 1;
}

int32_t officer_rank_icon(int32_t rank) { return rank <= 0 ? 116 : 92 + rank; }

int32_t officer_ship_rating(const Officer *officer) {
    return officer->skills[SKILL_COMMAND] * 3 + (officer->skills[SKILL_NAVIGATION] + officer->skills[SKILL_MARKSMANSHIP]) * 2;
}

int32_t officer_repair_rating(const Officer *officer) {
    return officer->skills[SKILL_SENSORS] + officer->skills[SKILL_ENGINEERING] * 2 + officer->skills[SKILL_FIELD_REPAIR];
}

bool officer_at_friendly_starbase(const Officer *officer) {
    uint64_t sector_id = officer->sector_id;
    bool by_ship = false;
    if (officer->ship_id != 0) {
        Ship *ship = ship_of(world_find_object(officer->ship_id));
        if (!ship) return false;
        sector_id = ship->sector_id;
        by_ship = true;
    }
    Sector *sector = find_sector(sector_id);
    if (!sector || sector->owner_id != officer->owner_id || sector->owner_id == 0) return false;
    if (!first_starbase(sector) || sector_count_other_owners(sector, officer->owner_id) > 0) return false;
    if (!by_ship && officer->site_id != 0) {
        const Site *site = site_cast(world_find_object(officer->site_id));
        if (site && (site->state & SITE_UNDER_CONSTRUCTION)) return false;
    }
    return true;
}

// ---- Designs ----

void player_add_design(Player *player, GameObject *obj) {
    if (!obj) return;
    set_design_fields(player, obj);
    if (list_append(&player->designs, obj) < 0) return;
    if (Ship *ship = ship_of(obj)) {
        Game *game = game_of();
        if (!ship->built_date) ship->built_date = date_create();
        if (ship->built_date && game && game->clock) date_copy(ship->built_date, game->clock);
    }
    player->totals.design_counter += 1;
}

void player_set_design(Player *player, GameObject *obj, uint64_t id) {
    if (!obj) return;
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

bool player_is_building_design(Player *player, uint64_t design_id) {
    bool building = false;
    for_each_owned_sector(player->id, [&](Sector *sector) {
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
        if (!system_has_subtypes(system) || system->subtype == subtype) return system;
    }
    return nullptr;
}

System *player_best_system_within(Player *player, int32_t type, int32_t limit) {
    System *best = nullptr;
    for (System *system : player->catalog.items) {
        if (!system) break;
        if (system->type != type || system->power > limit) continue;
        if (!system_has_subtypes(system)) return system;
        if (!best || system->subtype > best->subtype) best = system;
    }
    return best;
}

System *player_best_system(Player *player, int32_t type) {
    System *best = nullptr;
    for (System *system : player->catalog.items) {
        if (!system) break;
        if (system->type != type) continue;
        if (!system_has_subtypes(system)) return system;
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
        if (!system_has_subtypes(candidate) || candidate->subtype < 1) break;
        candidate = player_find_system(player, type, candidate->subtype - 1);
        if (candidate && candidate->type != type) candidate = nullptr;
    }
    return RES_NO_MOUNT_TAKES_IT;
}

List<System> *player_systems_sorted(Player *player) {
    return sorted_copy(&player->catalog, [](System *system) { return system->name; });
}

// ---- Resources, crew, quotes ----

void player_add_resources(Player *player, int32_t amount) {
    const int64_t credits = int64_t(player->credits) + amount;
    player->credits = credits < 0 ? 0 : credits > INT32_MAX ? INT32_MAX : int32_t(credits);
    if (amount > 0) player->credits_earned += amount;
}

namespace {

// The draw of n recruits from the player's peopled worlds: the first peopled world of each sector
// it holds gives an even share (the first n mod k one more), never more than it has. Only a
// draw that takes lowers the populations.
int32_t draw_crew(const Player *player, int32_t n, bool take) {
    std::vector<Site *> sources;
    for_each_owned_sector(player->id, [&](Sector *sector) {
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
    for_each_owned_sector(player->id, [&](Sector *sector) {
        const Site *base = first_starbase(sector);
        if (!base || base->crew < amount + PLAYER_STARBASE_CREW_MARGIN) return;
        const int32_t d = measure(sector->x - x, sector->y - y);
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
    Sector *sector = find_sector(sector_id);
    if (item >= 0) {
        const Site *tmpl = item < SITE_TEMPLATE_COUNT ? site_template(item) : nullptr;
        if (tmpl) {
            c = tmpl->params.build_cost;
            m = int64_t(tmpl->params.build_days) * DAY;
            if (sector_discounted(sector)) {
                c = c * 3 / 4;
                m /= 2;
            }
            if (const Site *started = sector ? sector_find_site_under_construction(sector, item) : nullptr) {
                c = c * (100 - started->progress) / 100;
                m = m * (100 - started->progress) / 100;
            }
        }
    } else if (const Site *base = first_starbase(sector)) {
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
    int64_t m = ship ? int64_t(ship->mass_figure) * DAY : 0;
    Sector *sector = find_sector(sector_id);
    if (sector_discounted(sector)) {
        c = c * 3 / 4;
        m /= 2;
    }
    if (const Site *yard = sector && design ? sector_find_site_of_kind(sector, SITE_SHIPYARD) : nullptr) {
        int32_t item = 0, paused_cost = 0, days = 0;
        uint64_t item_id = 0;
        if (site_get_paused_production(yard, &item, &item_id, &paused_cost, &days) && item_id == design->id) {
            c = paused_cost;
            m = int64_t(days) * DAY;
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

// ---- Totals and turns ----

void player_update_totals(Player *player) {
    PlayerTotals t;
    t.design_counter = player->totals.design_counter;
    bool home = false;
    int32_t income = 0;
    for_each_owned_sector(player->id, [&](Sector *sector) {
        income += sector_harvest_income(sector);
        if (Site *base = first_starbase(sector)) {
            t.starbase_sectors += 1;
            t.crew_intake += site_crew_intake_rate(base);
            t.starbase_crew += base->crew;
            if (base->state & SITE_PRODUCING) t.active_production += 1;
        }
        for (int32_t kind : {SITE_SHIPYARD, SITE_TRAINING}) {
            if (sector->site_counts[kind] < 1) continue;
            const Site *site = sector_find_site_of_kind(sector, kind);
            if (site && (site->state & SITE_PRODUCING)) t.active_production += 1;
        }
        for (int32_t i = 0; i < sector_site_count(sector); ++i)
            if (Site *site = sector_get_site(sector, i)) t.research_rate += site_research_rate(site);
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
        t.daily_income += t.research_rate / PLAYER_RESEARCH_CREDIT;
    if (home) player->flags &= ~PLAYER_FLAG_NO_HOME_COLONY;
    else player->flags |= PLAYER_FLAG_NO_HOME_COLONY;
    for (const GameObject *obj : player->objects.items) {
        if (!obj) break;
        const Ship *ship = ship_of(obj);
        if (!ship) continue;
        t.ship_crew += ship->crew;
        t.online_load_a += ship->online_load_a;
        t.online_load_b += ship->online_load_b;
    }
    player->totals = t;
}

void player_turn_update(Player *player) {
    Game *game = game_of();
    const uint64_t now = game && game->clock ? game->clock->minutes : 0;
    // Sensor taps.
    for (int32_t i = 0; i < list_count(&player->taps);) {
        SensorTap *tap = list_get(&player->taps, i);
        const GameObject *sector = world_find_object(tap->sector_id);
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
        if (Player *other = world_find_player(tapped))
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
    list_compact(&player->known);
    player->game_counters[COUNTER_DAYS_IN_COMMAND] += 1;
    // Elimination.
    if (player_count_living_objects(player) > 0) {
        player->flags &= ~PLAYER_FLAG_ELIMINATED;
        return;
    }
    bool crewed = false;
    for_each_owned_sector(player->id, [&](Sector *sector) {
        const Site *base = first_starbase(sector);
        if (base && !(base->state & SITE_CREW_SHORT)) crewed = true;
    });
    if (crewed) player->flags &= ~PLAYER_FLAG_ELIMINATED;
    else player->flags |= PLAYER_FLAG_ELIMINATED;
}

void player_update_escape_pods(Player *player, int32_t minutes) {
    Game *game = game_of();
    bool restart = true;
    while (restart) {
        restart = false;
        for (Officer *officer : player->officers.items) {
            if (!officer) break;
            if (!(officer->flags & OFFICER_FLAG_IN_POD)) continue;
            officer->pod_minutes -= minutes;
            if (officer->pod_minutes > 0) continue;
            officer->flags &= ~OFFICER_FLAG_IN_POD;
            GameObject *dest = world_find_object(officer->pod_destination);
            Sector *sector = sector_of(dest);
            Site *base = sector && sector->owner_id == player->id ? first_starbase(sector) : nullptr;
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
        for_each_owned_sector(player->id, [&](Sector *sector) {
            if (sector->site_counts[SITE_STARBASE] < 1) return;
            const int32_t d = measure(sector->x - gx, sector->y - gy);
            if (!nearest || d < nearest_distance) {
                nearest = sector;
                nearest_distance = d;
            }
        });
        if (!nearest) continue;
        pilot->flags |= OFFICER_FLAG_IN_POD;
        pilot->pod_minutes = std::max(PLAYER_POD_MIN_MINUTES, (nearest_distance / 25) * DAY);
        pilot->pod_destination = nearest->id;
        if (ship->hull_flags & HULL_FLAG_NO_PILOT) continue;
        pilot->ship_id = 0;
        ship_set_pilot(ship, nullptr);
        ship->pilot_text = "No commander";
        ship->pilot_id = 0;
        ship->pilot_rank = 0;
        ship_recompute_stats(ship);
        ship->ap = ship->max_ap;
        ship->mp = ship->max_mp;
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
        if (ai && g_ai_hooks.clear_tasks) g_ai_hooks.clear_tasks(ai);
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
        if (ai && g_ai_hooks.relink)
            if (Result r = g_ai_hooks.relink(ai); r != RES_OK) return r;
    return RES_OK;
}

void player_stop_ai(Player *player) {
    for (AiPlayer *ai : {player->galaxy_ai, player->commander_ai})
        if (ai && g_ai_hooks.stop) g_ai_hooks.stop(ai);
}

void player_run_galaxy_ai(Player *player) {
    if (player && player->galaxy_ai && g_ai_hooks.galaxy_command) g_ai_hooks.galaxy_command(player->galaxy_ai, player);
}

bool player_ai_accepts_encounter(Player *player, Encounter *encounter) {
    if (player->kind == PLAYER_KIND_HUMAN) return false;
    if (!player->galaxy_ai || !g_ai_hooks.accepts_encounter) return true;
    return g_ai_hooks.accepts_encounter(player->galaxy_ai, player, encounter) != 0;
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
