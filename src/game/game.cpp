// The game record: creation, clearing, ids and the game's random picks.
#include "game/game.h"
#include "game/encounter.h"
#include "game/object_index.h"

#include <new>
#include <unordered_map>
#include "effects/starfield.h"
#include "game/player.h"
#include "platform/calendar.h"
#include "platform/geometry.h"
#include "platform/hash.h"
#include "platform/list.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/sprite.h"
#include "ui/cursor.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"

namespace {

Game *g_game = nullptr;

// A random byte: the magnitude of four quick draws, modulo 256.
uint64_t random_byte() { return random_magnitude(random_u32()) % 256u; }

}  // namespace

Game *game_create() {
    Game *game = new (std::nothrow) Game();
    if (!game) return nullptr;
    bool ok = true;
    for (Rng *&rng : game->generators) ok = ok && (rng = rng_create()) != nullptr;
    // A zeroed generator draws nothing but 0, so every generator is seeded from the first: draws
    // made before a new game or a load (the title's, the tests') still vary.
    for (Rng *rng : game->generators)
        if (rng) rng_seed(rng, random_u32());
    game->clock = date_create();
    game->galaxy_map = map_create();
    game->sector_map = map_create();
    game->combat_map = map_create();
    game->star_layer = starfield_create();
    game->objects = list_create<GameObject>();
    if (game->objects) list_set_free_fn(game->objects, object_release);
    game->controls = list_create<Control>();
    game->new_controls = list_create<Control>();
    game->players = list_create<Player>();
    game->player_map = hash_table_create<Player>(key64_hash, key64_compare);
    game->encounters = list_create<Encounter>();
    if (game->encounters) list_set_free_fn(game->encounters, encounter_release);
    game->alerts = list_create<Alert>();
    game->player_records = list_create<PlayerRecord>();
    ok = ok && game->clock && game->galaxy_map && game->sector_map && game->combat_map && game->star_layer &&
         game->objects && game->controls && game->new_controls && game->players &&
         game->player_map && game->encounters && game->alerts && game->player_records;
    if (!ok) {
        game_free(game);
        return nullptr;
    }
    return game;
}

void game_free(Game *game) {
    if (!game) return;
    for (Cursor *&cursor : game->cursors) {
        cursor_free(cursor);
        cursor = nullptr;
    }
    for (Rng *&rng : game->generators) {
        rng_free(rng);
        rng = nullptr;
    }
    game_clear_controls(game);   // drops the hover and focus controls too
    starfield_free(game->star_layer);
    game->star_layer = nullptr;
    for (ShuffleBag<char> **deck : {&game->sector_names, &game->ship_names, &game->pilot_names}) {
        shuffle_free(*deck);
        *deck = nullptr;
    }
    shuffle_free(game->pilot_portraits);
    game->pilot_portraits = nullptr;
    list_free(game->objects);
    list_free(game->controls);
    list_free(game->new_controls);
    list_free(game->players);
    hash_table_free(game->player_map);
    encounter_release(game->current_encounter);
    game->current_encounter = nullptr;
    list_free(game->encounters);
    list_free(game->alerts);
    list_free(game->player_records);
    for (ObjectMap **map : {&game->galaxy_map, &game->sector_map, &game->combat_map}) {
        map_free(*map);
        *map = nullptr;
    }
    date_free(game->clock);
    game->clock = nullptr;
    title_free_images(game);
    delete game;
}

Game *game_get() {
    if (!g_game) {
        g_game = game_create();
        control_root_register(g_game);   // the toolkit's top-level controls are the game's
    }
    return g_game;
}

Game *game_ensure() { return game_get(); }

void game_destroy() {
    if (control_root() == g_game) control_root_register(nullptr);
    game_free(g_game);
    g_game = nullptr;
}

void game_clear(Game *game) {
    log_write(LOG_GAME, LOG_DEBUG3, "Clear game");
    game_clear_players(game);
    encounter_release(game->current_encounter);   // the slot holds its own reference
    game->current_encounter = nullptr;
    if (game->encounters) list_clear(game->encounters);
    if (game->alerts) list_clear(game->alerts);
    game->current_encounter_id = 0;
    if (game->objects) list_clear(game->objects);
    game->combat_ai_player_id = 0;
    game->sol_player_id = 0;
    game->sol_sector_id = 0;
    for (ObjectMap *map : {game->galaxy_map, game->sector_map, game->combat_map})
        if (map) map_clear(map);

    for (ShuffleBag<char> *deck : {game->sector_names, game->ship_names, game->pilot_names})
        if (deck) shuffle_reset(deck);
    if (game->pilot_portraits) shuffle_reset(game->pilot_portraits);
    game->ship_name_cycles = 0;
    game->pilot_name_cycles = 0;

    // Four random bytes above a zero low byte: ids of different games rarely meet.
    uint64_t id = 0;
    for (int round = 0; round < 4; ++round) {
        id |= random_byte();
        id <<= 8;
    }
    game->next_id = id;
    for (Rng *rng : game->generators)
        if (rng) rng_seed(rng, random_u32());

    game->clock_scale = GAME_CLOCK_SCALE;
    game->clock_remainder = 0;
    game->queued_minutes = 0;
    game->save_counter = 1;
    game->winner_id = 0;
    game->win_kind = WIN_ONLY_SECTOR_HOLDER;
    game->backdrop = int32_t(random_magnitude(random_u32()) % 16u);
    game->newest_alert_id = 0;
    game->newest_alert_seen_id = 0;
    game->sol_budget = 0;
    game->sol_spent = 0;
    game->turn_counter = 0;
    game->autosave_countdown = GAME_AUTOSAVE_TURNS;
    game->autosave_failure = 0;
}

void game_clear_players(Game *game) {
    if (game->players) list_clear(game->players);
    if (game->player_map) hash_table_clear(game->player_map);
    game->ui_player = nullptr;
    game->ui_player_id = 0;
}

uint64_t game_next_id(Game *game) {
    // 0 means "no record" everywhere, so it is never handed out, not even before the first clear.
    if (game->next_id == 0) game->next_id = 1;
    const uint64_t id = game->next_id++;
    if (game->next_id == 0) game->next_id = 1;
    return id;
}

int32_t game_random_range(Game *game, int32_t lo, int32_t hi) {
    if (!(game->flags & GAME_FLAG_RESOLVE_AT_ONCE)) return random_range(lo, hi);
    return rng_range(game->generators[GAME_GENERATOR_RESOLVE], lo, hi);
}

int game_random_weighted_index(Game *game, const int32_t weights[RNG_WEIGHT_COUNT], int32_t total) {
    if (!(game->flags & GAME_FLAG_RESOLVE_AT_ONCE)) return random_weighted_index(weights, RNG_WEIGHT_COUNT, total);
    return rng_weighted_index(game->generators[GAME_GENERATOR_RESOLVE], weights, total);
}

namespace {

// The object of the id in a map's object list (stubs awaiting their link left out), or an object
// one of them contains.
GameObject *find_on_map(const ObjectMap *map, uint64_t id) {
    if (!map) return nullptr;
    for (GameObject *obj : map->objects.items) {
        if (!obj || (obj->flags & OBJ_STUB)) continue;
        if (GameObject *found = object_find(obj, id)) return found;
    }
    return nullptr;
}

// Where an object was listed: it is answered from the index only while it is still there, so a
// lookup gives what the search would give even after the object moved or left every list.
struct IndexEntry {
    GameObject             *obj = nullptr;
    const List<GameObject> *list = nullptr;     // a map's, a sector's visitors, a player's, the game's
    const Sector           *sites_of = nullptr; // or a sector's sites
    mutable size_t          at = 0;             // its place there when last seen: looked at first
};

// The open index of this thread: one game's objects by id. It holds no references: an object
// destroyed while it is open leaves it (game_object_index_drop).
struct ObjectIndex {
    const Game *game = nullptr;
    int32_t     depth = 0;
    std::unordered_map<uint64_t, IndexEntry> ids;

    void add(GameObject *obj, const List<GameObject> *list, const Sector *sites_of = nullptr) {
        if (obj && obj->id != 0 && !(obj->flags & OBJ_STUB)) ids.emplace(obj->id, IndexEntry{obj, list, sites_of});   // the first one met
    }
};
thread_local ObjectIndex t_index;

// Is the object still where it was listed? Its place when last seen answers at once unless the
// list moved it.
template <typename T> bool still_in(const std::vector<T *> &items, const IndexEntry &e) {
    if (e.at < items.size() && items[e.at] == e.obj) return true;
    for (size_t at = 0; at < items.size(); ++at)
        if (items[at] == e.obj) {
            e.at = at;
            return true;
        }
    return false;
}

bool still_held(const IndexEntry &e) {
    return e.sites_of ? still_in(e.sites_of->sites.items, e) : still_in(e.list->items, e);
}

// Lists every object the search reaches, in the search's order.
void index_game(const Game *game) {
    for (const ObjectMap *map : {game->galaxy_map, game->sector_map, game->combat_map}) {
        if (!map) continue;
        for (GameObject *obj : map->objects.items) {
            if (!obj || (obj->flags & OBJ_STUB)) continue;
            t_index.add(obj, &map->objects);
            if (Sector *s = sector_of(obj)) {
                for (Site *site : s->sites.items) {
                    if (!site) break;
                    t_index.add(site, nullptr, s);
                }
                for (GameObject *visitor : s->objects.items) {
                    if (!visitor) break;
                    t_index.add(visitor, &s->objects);
                }
            }
        }
    }
    if (game->players)
        for (const Player *player : game->players->items) {
            if (!player) continue;
            for (GameObject *obj : player->objects.items) t_index.add(obj, &player->objects);
        }
    if (game->objects)
        for (GameObject *obj : game->objects->items) t_index.add(obj, game->objects);
}

GameObject *search(const Game *game, uint64_t id);

// Where the search met an object it found: the first list, in the search's order, holding it.
bool holder_of(const Game *game, const GameObject *found, IndexEntry *e) {
    const auto in = [found](const List<GameObject> &list) {
        for (const GameObject *obj : list.items)
            if (obj == found) return true;
        return false;
    };
    for (const ObjectMap *map : {game->galaxy_map, game->sector_map, game->combat_map}) {
        if (!map) continue;
        for (GameObject *obj : map->objects.items) {
            if (!obj || (obj->flags & OBJ_STUB)) continue;
            if (obj == found) {
                *e = {obj, &map->objects, nullptr};
                return true;
            }
            const Sector *s = sector_of(obj);
            if (!s) continue;
            for (const Site *site : s->sites.items)
                if (site == found) {
                    *e = {const_cast<GameObject *>(found), nullptr, s};
                    return true;
                }
            if (in(s->objects)) {
                *e = {const_cast<GameObject *>(found), &s->objects, nullptr};
                return true;
            }
        }
    }
    if (game->players)
        for (const Player *player : game->players->items)
            if (player && in(player->objects)) {
                *e = {const_cast<GameObject *>(found), &player->objects, nullptr};
                return true;
            }
    if (game->objects && in(*game->objects)) {
        *e = {const_cast<GameObject *>(found), game->objects, nullptr};
        return true;
    }
    return false;
}

}  // namespace

void game_open_object_index(const Game *game) {
    if (!game) return;
    if (t_index.depth++ > 0) return;
    t_index.game = game;
    t_index.ids.reserve(4096);
    index_game(game);
}

void game_close_object_index(const Game *game) {
    if (!game || t_index.depth == 0 || t_index.game != game) return;
    if (--t_index.depth > 0) return;
    t_index.ids.clear();
    t_index.game = nullptr;
}

void game_object_index_drop(const GameObject *obj) {
    if (t_index.depth == 0 || !obj) return;
    const auto at = t_index.ids.find(obj->id);
    if (at != t_index.ids.end() && at->second.obj == obj) t_index.ids.erase(at);
}

GameObject *game_find_object(const Game *game, uint64_t id) {
    if (!game || id == 0) return nullptr;
    if (t_index.depth == 0 || t_index.game != game) return search(game, id);
    const auto at = t_index.ids.find(id);
    if (at != t_index.ids.end()) {
        const IndexEntry &e = at->second;
        if (!(e.obj->flags & (OBJ_DEAD | OBJ_STUB)) && e.obj->id == id && still_held(e)) return e.obj;
        t_index.ids.erase(at);   // dead, moved or let go: the search answers
    }
    GameObject *found = search(game, id);
    if (found && !(found->flags & OBJ_DEAD)) {
        IndexEntry e;
        if (holder_of(game, found, &e)) t_index.ids.emplace(id, e);
    }
    return found;
}

namespace {

GameObject *search(const Game *game, uint64_t id) {
    for (const ObjectMap *map : {game->galaxy_map, game->sector_map, game->combat_map})
        if (GameObject *found = find_on_map(map, id)) return found;
    if (game->players)
        for (const Player *player : game->players->items) {
            if (!player) continue;
            for (GameObject *obj : player->objects.items)
                if (obj && obj->id == id) return obj;
        }
    if (game->objects)
        for (GameObject *obj : game->objects->items)
            if (obj && obj->id == id) return obj;
    return nullptr;
}

}  // namespace

GameObject *game_find_object_of_kind(const Game *game, int32_t kind, uint64_t id) {
    GameObject *obj = game_find_object(game, id);
    return obj && obj->kind == kind ? obj : nullptr;
}

void game_request_quit(Game *game) { game->flags |= GAME_FLAG_QUIT; }

void game_set_controls_hidden(Game *game, int on) {
    if (on) game->flags |= GAME_FLAG_CONTROLS_OFF;
    else game->flags &= ~GAME_FLAG_CONTROLS_OFF;
}

void game_show_cursor(Game *game) { game->flags &= ~GAME_FLAG_NO_CURSOR; }

int game_cursor_index(const Game *game) { return game->cursor_index; }

bool game_player_has_sector_presence(const Game *game, uint64_t player_id) {
    if (!game || !game->galaxy_map || player_id == 0) return false;
    const int32_t n = map_object_count(game->galaxy_map);
    for (int32_t i = 0; i < n; ++i) {
        Sector *sector = sector_of(map_object_at(game->galaxy_map, i));
        if (!sector) continue;
        if (sector->owner_id == player_id || sector_count_objects_of_owner(sector, player_id) > 0) return true;
    }
    return false;
}

GameObject *game_nearest_owned_sector(const Game *game, int32_t x, int32_t y, uint64_t player_id) {
    if (!game || !game->galaxy_map || player_id == 0) return nullptr;
    Sector *best = nullptr;
    int32_t best_distance = 0;
    const int32_t n = map_object_count(game->galaxy_map);
    for (int32_t i = 0; i < n; ++i) {
        Sector *sector = sector_of(map_object_at(game->galaxy_map, i));
        if (!sector || sector->owner_id != player_id || sector->site_counts[SITE_STARBASE] < 1) continue;
        const int32_t d = distance(sector->x - x, sector->y - y);
        if (!best || d < best_distance) {
            best = sector;
            best_distance = d;
        }
    }
    return best;
}
