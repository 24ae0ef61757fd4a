// Players: the record and its lifecycle, the game's players, own objects and officers (designs and
// catalog, economy, and totals and turns are in player_designs.cpp, player_economy.cpp and
// player_turn.cpp).
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
#include "platform/image_ids.h"
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

namespace {

constexpr int32_t ROLL_GENERATOR = 4;     // the Game generator that rolls a new ship's value
constexpr int32_t SKILL_GENERATOR = 1;    // ... that raises starting officers' skills

PlayerAiHooks g_ai_hooks;

void release_officer(Officer *officer) { officer_release(officer); }
void destroy_object(GameObject *obj) { object_destroy(obj); }
void free_system(System *system) { system_free(system); }
void free_int(int32_t *value) { delete value; }
void free_tap(SensorTap *tap) { delete tap; }
void release_player(Player *player) { player_release(player); }
const void *player_key(const Player *player) { return &player->id; }
const void *object_key(const GameObject *obj) { return &obj->id; }

// A pilot's draw: abs(g) mod 9 from the skill generator, redrawn while it is refused.
int32_t draw_pilot_skill(bool (*refused)(int32_t skill, int32_t other), int32_t other) {
    Game *game = player_detail::game_of();
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
    list_set_free_fn(&player->objects, object_release);
    list_set_free_fn(&player->known, object_release);
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
    if (player->id == 0) player_set_id(player, game_next_id(game));
    if (hash_table_find(game->player_map, &player->id)) return RES_OK;   // already a player of the game
    if (list_append(game->players, player) < 0) return RES_NO_MEMORY;
    player_retain(player);
    if (hash_table_insert(game->player_map, player) < 0) {
        list_remove_value(game->players, player);
        player_release(player);
        return RES_NO_MEMORY;
    }
    player_retain(player);
    log_write(LOG_GAME, LOG_DEBUG2, "Add player #%llu \"%s\" (vector size now %i)", (unsigned long long)player->id,
              player->name.c_str(), game_player_count(game));
    return RES_OK;
}

Player *game_find_player(Game *game, uint64_t id) {
    if (!game || !game->player_map || id == 0) return nullptr;
    game->player_map->key_of = player_key;
    return hash_table_find(game->player_map, &id);
}

int32_t game_player_count(const Game *game) {
    return game && game->players ? int32_t(game->players->items.size()) : 0;
}

Player *game_get_player_at(const Game *game, int32_t index) {
    if (index < 0 || index >= game_player_count(game)) return nullptr;
    return game->players->items[size_t(index)];
}

int game_get_player_colors(Game *game, uint64_t id, int32_t *r, int32_t *g, int32_t *b) {
    const Player *player = game_find_player(game, id);
    *r = player ? player->red : 250;
    *g = player ? player->green : 250;
    *b = player ? player->blue : 250;
    return player ? 1 : 0;
}

Officer *game_find_player_officer(uint64_t player_id, uint64_t officer_id) {
    Player *player = game_find_player(player_detail::game_of(), player_id);
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
        Game *game = player_detail::game_of();
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
    return player_detail::sorted_copy(&player->objects, [](GameObject *obj) -> std::string {
        const Ship *ship = ship_of(obj);
        return ship ? ship->ship_name : obj->name;
    });
}

// ---- Officers ----

void player_add_officer(Player *player, Officer *officer) {
    if (!officer) return;
    if (officer->id == 0) {
        Game *game = player_detail::game_of();
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
    return player_detail::sorted_copy(&player->officers, [](Officer *officer) { return officer->name; });
}

void officer_raise_ship_skills(Officer *officer) {
    const int32_t r = draw_pilot_skill([](int32_t s, int32_t) { return is_base_skill(s); }, -1);
    const int32_t s = draw_pilot_skill([](int32_t s, int32_t other) { return s == other || is_base_skill(s); }, r);
    if (r >= 0) officer->skills[r] += 1;
    if (s >= 0) officer->skills[s] += 1;
}

Officer *player_hire_officer(Player *player, bool ship_officer, const Sector *post) {
    Game *game = player_detail::game_of();
    Officer *officer = game ? officer_create() : nullptr;
    if (!officer) return nullptr;
    officer->id = game_next_id(game);
    officer->owner_id = player->id;
    game_random_name(game, &officer->name);
    if (player == game->ui_player) officer->portrait = game_next_portrait(game);
    if (officer->hired && game->clock) date_copy(officer->hired, game->clock);
    if (ship_officer) officer_raise_ship_skills(officer);
    else officer_raise_base_skills(officer);
    officer->experience = 1;
    (ship_officer ? officer->ship_tally : officer->base_tally) = 1;
    if (post) officer->sector_id = post->id;
    officer_hire_or_promote(officer);
    player_add_officer(player, officer);
    return officer;
}

void officer_raise_base_skills(Officer *officer) {
    const int32_t r = draw_pilot_skill([](int32_t s, int32_t) { return !is_base_skill(s); }, -1);
    const int32_t s = draw_pilot_skill([](int32_t s, int32_t other) { return s == other || !is_base_skill(s); }, r);
    if (r >= 0) officer->skills[r] += 1;
    if (s >= 0) officer->skills[s] += 1;
}

int32_t officer_rank_icon(int32_t rank) { return rank <= 0 ? int(IMAGE_CADET) : IMAGE_RANK_FIRST + rank - 1; }

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
        Ship *ship = ship_of(game_find_object(game_get(), officer->ship_id));
        if (!ship) return false;
        sector_id = ship->sector_id;
        by_ship = true;
    }
    Sector *sector = player_detail::find_sector(sector_id);
    if (!sector || sector->owner_id != officer->owner_id || sector->owner_id == 0) return false;
    if (!player_detail::first_starbase(sector) || sector_count_other_owners(sector, officer->owner_id) > 0) return false;
    if (!by_ship && officer->site_id != 0) {
        const Site *site = site_cast(game_find_object(game_get(), officer->site_id));
        if (site && (site->state & SITE_UNDER_CONSTRUCTION)) return false;
    }
    return true;
}
