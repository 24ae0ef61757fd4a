// Save games: the header, the state section, the load sequence with its link step, and the save
// folder.
#include "game/save.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>
#include <vector>
#include "game/alert.h"
#include "game/clock.h"
#include "game/encounter.h"
#include "game/encounter_life.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/buffer.h"
#include "platform/calendar.h"
#include "platform/files.h"
#include "platform/hash.h"
#include "platform/local_time.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/store.h"
#include "world/fleet.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"

namespace {

// The fewest bytes a player record takes: identity, colour, an empty name, credits, four empty
// lists, the spare word and the research rows.
constexpr uint32_t PLAYER_RECORD_MIN_BYTES = 8 + 4 + 4 + 12 + 4 + 4 + 4 * 4 + 4 + 57 * (4 + 4 + 8 + 8);
// An alert without texts, second text or scene.
constexpr uint32_t ALERT_RECORD_MIN_BYTES = 8 + 8 + 4 + 4 + 4 + 8 + 5 * 4 + 8 + 8 + 4 + 4 + 4 + 4 + 9 * 4;
constexpr uint32_t SAVE_BUFFER_GROWTH = 1024;

struct HeaderDeleter {
    void operator()(SaveHeader *header) const { save_header_free(header); }
};
using HeaderPtr = std::unique_ptr<SaveHeader, HeaderDeleter>;

// A deck the game has not made yet saves as an empty dealing state.
Result write_deck(const ShuffleState *deck, Buffer *buf) {
    static const ShuffleState empty;
    return shuffle_write(deck ? deck : &empty, buf);
}

Result read_deck(ShuffleState *deck, Buffer *buf) {
    ShuffleState scratch;
    return shuffle_read(deck ? deck : &scratch, buf);
}

Result write_int_fields(Buffer *buf, std::initializer_list<int32_t> values) {
    Result r = RES_OK;
    for (int32_t v : values)
        if (r == RES_OK) r = buffer_write_i32(buf, v);
    return r;
}

Result read_int_fields(Buffer *buf, std::initializer_list<int32_t *> fields) {
    Result r = RES_OK;
    for (int32_t *v : fields)
        if (r == RES_OK) r = buffer_read_i32(buf, v);
    return r;
}

int32_t count_owned_sectors(const Game *game, uint64_t player_id) {
    int32_t n = 0;
    if (!game->galaxy_map || player_id == 0) return 0;
    for (const GameObject *obj : game->galaxy_map->objects.items) {
        if (!obj) break;
        if (obj->kind == OBJECT_SECTOR && obj->owner_id == player_id) ++n;
    }
    return n;
}

void free_header_item(SaveHeader *header) { save_header_free(header); }

// A temporary file this old belongs to no write still under way (another copy of the game may be
// saving into the same folder right now); younger ones are only left out of the list.
constexpr int64_t TEMP_STALE_SECONDS = 60;

// A whole-file write goes through a temporary name; one still there is what a killed save left.
bool is_temp_name(const std::string &name) {
    const size_t n = std::strlen(FILE_TEMP_SUFFIX);
    return name.size() > n && name.compare(name.size() - n, n, FILE_TEMP_SUFFIX) == 0;
}

// Removes the stale temporary files of a folder; the names of the others come back in `names`
// when it is given. The listing's result.
Result remove_stale_temps(const std::string &folder, std::vector<std::string> *names) {
    std::vector<std::string> all;
    const Result listed = list_directory(folder.c_str(), &all);
    if (listed != RES_OK) return listed;
    const int64_t now = int64_t(std::time(nullptr));
    for (std::string &name : all) {
        if (!is_temp_name(name)) {
            if (names) names->push_back(std::move(name));
            continue;
        }
        std::string path = folder;
        path_append(&path, name.c_str());
        struct stat st;
        if (file_stat(path.c_str(), &st) != RES_OK || now - int64_t(st.st_mtime) < TEMP_STALE_SECONDS) continue;
        if (file_delete(path.c_str()) == RES_OK)
            log_write(LOG_GAME, LOG_INFO, "Removed the unfinished save \"%s\"", path.c_str());
    }
    return RES_OK;
}

std::string folder_of(const std::string &path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace

// ---- The header ----

SaveHeader *save_header_create() { return new (std::nothrow) SaveHeader(); }

void save_header_free(SaveHeader *header) { delete header; }

SaveHeader *game_make_save_header(Game *game) {
    SaveHeader *h = save_header_create();
    if (!h) return nullptr;
    local_time_get(&h->year, &h->month, &h->day, &h->hour, &h->minute, &h->second);
    if (game->clock) h->date_text = date_format(game->clock);
    const Player *ui = game->ui_player;
    if (ui) {
        h->player_name = ui->name;
        h->red = ui->red;
        h->green = ui->green;
        h->blue = ui->blue;
        h->object_count = list_count(&ui->objects);
        h->credits = ui->credits;
        h->sectors_owned = count_owned_sectors(game, ui->id);
    }
    char title[512];
    std::snprintf(title, sizeof title, "%s %i", h->player_name.c_str(), game->save_counter);
    h->title = title;
    h->star_density = game->setup.star_density;
    h->starting_tech = game->setup.starting_tech;
    h->galaxy_age = game->setup.galaxy_age;
    h->ark_strength = game->setup.ark_strength;
    h->crew_recruitment = game->setup.crew_recruitment;
    h->fog_of_war_off = game->setup.fog_of_war_off;
    return h;
}

Result save_header_write(const SaveHeader *h, Buffer *buf) {
    Result r = buffer_append(buf, SAVE_MAGIC, sizeof SAVE_MAGIC);
    if (r == RES_OK) r = write_int_fields(buf, {h->reserved, h->year, h->month, h->day, h->hour, h->minute, h->second});
    if (r == RES_OK) r = buffer_write_string(buf, h->date_text);
    if (r == RES_OK) r = buffer_write_string(buf, h->player_name);
    if (r == RES_OK) r = write_int_fields(buf, {h->red, h->green, h->blue});
    if (r == RES_OK) r = buffer_write_string(buf, h->title);
    if (r == RES_OK)
        r = write_int_fields(buf, {h->sectors_owned, h->object_count, h->credits, h->star_density, h->starting_tech,
                                   h->galaxy_age, h->ark_strength, h->crew_recruitment, h->fog_of_war_off, h->autosave});
    return r;
}

Result save_header_read(SaveHeader **out, Buffer *buf) {
    if (buffer_remaining(buf) < int64_t(sizeof SAVE_MAGIC) ||
        std::memcmp(buf->data + buf->cursor, SAVE_MAGIC, sizeof SAVE_MAGIC) != 0)
        return RES_MALFORMED;
    buf->cursor += int32_t(sizeof SAVE_MAGIC);
    HeaderPtr h(save_header_create());
    if (!h) return RES_NO_MEMORY;
    Result r = read_int_fields(buf, {&h->reserved, &h->year, &h->month, &h->day, &h->hour, &h->minute, &h->second});
    if (r == RES_OK) r = buffer_read_string(buf, &h->date_text);
    if (r == RES_OK) r = buffer_read_string(buf, &h->player_name);
    if (r == RES_OK) r = read_int_fields(buf, {&h->red, &h->green, &h->blue});
    if (r == RES_OK) r = buffer_read_string(buf, &h->title);
    if (r == RES_OK)
        r = read_int_fields(buf, {&h->sectors_owned, &h->object_count, &h->credits, &h->star_density,
                                  &h->starting_tech, &h->galaxy_age, &h->ark_strength, &h->crew_recruitment,
                                  &h->fog_of_war_off, &h->autosave});
    if (r != RES_OK) return r;
    if (out) *out = h.release();
    return RES_OK;
}

Result save_header_read_file(SaveHeader **out, const char *path) {
    const int fd = file_open_read(path);
    if (fd < 0) return RES_OPEN_FAILED;
    struct Closer {
        int fd;
        ~Closer() { file_close(fd); }
    } closer{fd};
    uint8_t magic[sizeof SAVE_MAGIC];
    if (Result r = file_read_exact(fd, magic, sizeof magic); r != RES_OK) return r;
    if (std::memcmp(magic, SAVE_MAGIC, sizeof magic) != 0) return RES_MALFORMED;
    HeaderPtr h(save_header_create());
    if (!h) return RES_NO_MEMORY;
    auto read_words = [fd](std::initializer_list<int32_t *> fields) {
        Result r = RES_OK;
        for (int32_t *v : fields) {
            uint32_t word = 0;
            if (r == RES_OK) r = file_read_u32(fd, &word);
            if (r == RES_OK) *v = int32_t(word);
        }
        return r;
    };
    Result r = read_words({&h->reserved, &h->year, &h->month, &h->day, &h->hour, &h->minute, &h->second});
    if (r == RES_OK) r = file_read_string(fd, &h->date_text);
    if (r == RES_OK) r = file_read_string(fd, &h->player_name);
    if (r == RES_OK) r = read_words({&h->red, &h->green, &h->blue});
    if (r == RES_OK) r = file_read_string(fd, &h->title);
    if (r == RES_OK)
        r = read_words({&h->sectors_owned, &h->object_count, &h->credits, &h->star_density, &h->starting_tech,
                        &h->galaxy_age, &h->ark_strength, &h->crew_recruitment, &h->fog_of_war_off, &h->autosave});
    if (r != RES_OK) return r;
    h->path = path;
    if (out) *out = h.release();
    return RES_OK;
}

// ---- The state section ----

Result game_write_state(Game *game, Buffer *buf) {
    Result r = buffer_write_u64(buf, game->next_id);
    if (r == RES_OK) r = buffer_write_u64(buf, game->sol_sector_id);
    for (const Rng *rng : game->generators)
        if (r == RES_OK) r = rng_write(rng, buf);
    if (r == RES_OK) r = buffer_write_i32(buf, game->backdrop);

    if (r == RES_OK) r = buffer_write_i32(buf, list_count(game->players));
    for (const Player *player : game->players->items)
        if (r == RES_OK && player) r = player_write(player, buf, game);

    if (r == RES_OK) r = buffer_write_u64(buf, game->ui_player ? game->ui_player->id : game->ui_player_id);
    if (r == RES_OK) r = buffer_write_u64(buf, game->combat_ai_player_id);
    if (r == RES_OK) r = buffer_write_u64(buf, game->sol_player_id);
    if (r == RES_OK) r = write_int_fields(buf, {game->sol_budget, game->sol_spent, game->turn_counter});

    if (r == RES_OK) r = buffer_write_i32(buf, list_count(game->encounters));
    for (const Encounter *enc : game->encounters->items)
        if (r == RES_OK && enc) r = encounter_write(enc, buf);
    if (r == RES_OK) r = buffer_write_u64(buf, game->current_encounter ? game->current_encounter->id : 0);

    // The alerts younger than the age limit, in list order.
    const int64_t now = game->clock ? int64_t(game->clock->minutes) : 0;
    auto alert_kept = [now](const Alert *alert) {
        return alert && (!alert->time || now - int64_t(alert->time->minutes) < ALERT_MAX_AGE_MINUTES);
    };
    int32_t kept = 0;
    for (const Alert *alert : game->alerts->items)
        if (alert_kept(alert)) ++kept;
    if (r == RES_OK) r = buffer_write_i32(buf, kept);
    for (const Alert *alert : game->alerts->items)
        if (r == RES_OK && alert_kept(alert)) r = alert_write(alert, buf);

    if (r == RES_OK) r = map_write(game->galaxy_map, buf);
    if (r == RES_OK) r = buffer_write_i32(buf, list_count(game->objects));
    for (const GameObject *obj : game->objects->items)
        if (r == RES_OK && obj) r = object_write(obj, buf);

    if (r == RES_OK) r = buffer_write_i32(buf, game->reserved_word);
    if (r == RES_OK) r = buffer_write_u64(buf, game->clock ? game->clock->minutes : 0);
    if (r == RES_OK) r = buffer_write_i32(buf, game->save_counter + 1);
    if (r == RES_OK) r = write_deck(game->sector_names, buf);
    if (r == RES_OK) r = write_deck(game->ship_names, buf);
    if (r == RES_OK) r = write_deck(game->pilot_names, buf);
    if (r == RES_OK) r = write_deck(game->pilot_portraits, buf);
    if (r == RES_OK)
        r = write_int_fields(buf, {game->ship_name_cycles, game->pilot_name_cycles, game->conquerable_sectors});
    return r;
}

Result game_read_state(Game *game, Buffer *buf) {
    Result r = buffer_read_u64(buf, &game->next_id);
    if (r == RES_OK) r = buffer_read_u64(buf, &game->sol_sector_id);
    // The stored generators take over only once every record is read: objects made while
    // reading draw their start-up values, which must not move the saved sequences.
    struct LoadedGenerators {
        Rng *rngs[GAME_GENERATOR_COUNT] = {};
        ~LoadedGenerators() {
            for (Rng *rng : rngs) rng_free(rng);
        }
    } loaded;
    for (Rng *&rng : loaded.rngs)
        if (r == RES_OK) r = rng_read(&rng, buf);
    if (r == RES_OK) r = buffer_read_i32(buf, &game->backdrop);

    int32_t n = 0;
    if (r == RES_OK) r = buffer_read_count(buf, PLAYER_RECORD_MIN_BYTES, &n);
    for (int32_t i = 0; r == RES_OK && i < n; ++i) {
        Player *read = nullptr;
        r = player_read(&read, buf);
        if (r != RES_OK) break;
        PlayerPtr player(read);
        if (game_find_player(game, player->id)) {
            log_write(LOG_GAME, LOG_ERROR, "Game state holds player #%llu twice", (unsigned long long)player->id);
            r = RES_MALFORMED;
            break;
        }
        r = game_add_player(game, player.get());
        if (r == RES_OK) player.release();
    }

    if (r == RES_OK) r = buffer_read_u64(buf, &game->ui_player_id);
    if (r == RES_OK) r = buffer_read_u64(buf, &game->combat_ai_player_id);
    if (r == RES_OK) r = buffer_read_u64(buf, &game->sol_player_id);
    if (r == RES_OK) r = read_int_fields(buf, {&game->sol_budget, &game->sol_spent, &game->turn_counter});

    if (r == RES_OK) r = buffer_read_count(buf, ENCOUNTER_RECORD_MIN_BYTES, &n);
    for (int32_t i = 0; r == RES_OK && i < n; ++i) {
        Encounter *enc = nullptr;
        r = encounter_read(&enc, buf);
        if (r != RES_OK) break;
        encounter_retain(enc);
        if (list_append(game->encounters, enc) < 0) {
            encounter_release(enc);
            r = RES_NO_MEMORY;
        }
    }
    if (r == RES_OK) r = buffer_read_u64(buf, &game->current_encounter_id);

    if (r == RES_OK) r = buffer_read_count(buf, ALERT_RECORD_MIN_BYTES, &n);
    if (r == RES_OK) list_set_free_fn(game->alerts, alert_free);
    for (int32_t i = 0; r == RES_OK && i < n; ++i) {
        Alert *alert = nullptr;
        r = alert_read(&alert, buf);
        if (r != RES_OK) break;
        if (alert->id > game->newest_alert_id) game->newest_alert_id = alert->id;
        if (list_append(game->alerts, alert) < 0) {
            alert_free(alert);
            r = RES_NO_MEMORY;
        }
    }

    if (r == RES_OK) r = map_read(game->galaxy_map, buf);
    if (r == RES_OK) r = buffer_read_count(buf, uint32_t(OBJECT_COMMON_RECORD_MIN_BYTES), &n);
    for (int32_t i = 0; r == RES_OK && i < n; ++i) {
        GameObject *obj = nullptr;
        r = object_read(&obj, buf);
        if (r != RES_OK) break;
        object_add_ref(obj);
        if (list_append(game->objects, obj) < 0) {
            object_release(obj);
            r = RES_NO_MEMORY;
        }
    }

    if (r == RES_OK) r = buffer_read_i32(buf, &game->reserved_word);
    uint64_t minutes = 0;
    if (r == RES_OK) r = buffer_read_u64(buf, &minutes);
    if (r == RES_OK && game->clock) {
        game->clock->minutes = minutes;
        date_from_minutes(game->clock);
    }
    if (r == RES_OK) r = buffer_read_i32(buf, &game->save_counter);
    if (r == RES_OK) r = read_deck(game->sector_names, buf);
    if (r == RES_OK) r = read_deck(game->ship_names, buf);
    if (r == RES_OK) r = read_deck(game->pilot_names, buf);
    if (r == RES_OK) r = read_deck(game->pilot_portraits, buf);
    if (r == RES_OK)
        r = read_int_fields(buf, {&game->ship_name_cycles, &game->pilot_name_cycles, &game->conquerable_sectors});
    if (r != RES_OK) return r;
    for (int i = 0; i < GAME_GENERATOR_COUNT; ++i) {
        rng_free(game->generators[i]);
        game->generators[i] = loaded.rngs[i];
        loaded.rngs[i] = nullptr;
    }
    return RES_OK;
}

Result game_link_objects(Game *game) {
    game->ui_player = nullptr;
    if (game->ui_player_id != 0) {
        game->ui_player = game_find_player(game, game->ui_player_id);
        if (!game->ui_player) {
            log_write(LOG_GAME, LOG_ERROR, "Game failed to link current player #%llu",
                      (unsigned long long)game->ui_player_id);
            return RES_UNRESOLVED_ID;
        }
    }
    if (game->combat_ai_player_id != 0 && !game_find_player(game, game->combat_ai_player_id)) {
        log_write(LOG_GAME, LOG_ERROR, "Game failed to link combat AI player #%llu",
                  (unsigned long long)game->combat_ai_player_id);
        return RES_UNRESOLVED_ID;
    }
    if (game->current_encounter_id != 0) {
        Encounter *current = game_find_encounter(game, game->current_encounter_id);
        if (!current) {
            log_write(LOG_GAME, LOG_ERROR, "Game failed to link current encounter #%llu",
                      (unsigned long long)game->current_encounter_id);
            return RES_UNRESOLVED_ID;
        }
        game_set_current_encounter(game, current);
    }

    if (Result r = map_link_objects(game->galaxy_map); r != RES_OK) return r;
    for (Player *player : game->players->items) {
        if (!player) break;
        if (Result r = player_link(player); r != RES_OK) return r;
        player_remember_sites(game, player);
    }
    for (Encounter *enc : game->encounters->items) {
        if (!enc) break;
        if (Result r = encounter_link(enc); r != RES_OK) return r;
    }

    for (Player *player : game->players->items) {
        if (!player) break;
        const int32_t design_counter = player->totals.design_counter;
        player_update_totals(player);
        player->totals.design_counter = design_counter;
        player_recompute_stats(player);
    }
    for (GameObject *obj : game->objects->items) {
        if (!obj) break;
        if (Ship *ship = ship_of(obj)) ship_recompute_stats(ship);
        else if (obj->kind == OBJECT_SECTOR && !(obj->flags & OBJ_STUB)) sector_refresh_sites(static_cast<Sector *>(obj));
        else if (obj->kind == OBJECT_FLEET && !(obj->flags & OBJ_STUB)) fleet_kind_name(static_cast<Fleet *>(obj));
    }
    return RES_OK;
}

// ---- Saving and loading ----

Result game_save(Game *game, const char *path, const char *title, int32_t autosave, SaveHeader **out_header) {
    game_purge_removed_objects(game);
    if (game->combat_ai_player_id != 0)
        if (Player *combat_ai = game_find_player(game, game->combat_ai_player_id)) player_clear_objects(combat_ai);

    HeaderPtr header(game_make_save_header(game));
    if (!header) return RES_NO_MEMORY;
    header->path = path ? path : "";
    header->title = title ? title : "";
    header->autosave = autosave;

    Buffer buf;
    buf.growth_step = SAVE_BUFFER_GROWTH;
    Result r = save_header_write(header.get(), &buf);
    if (r == RES_OK) r = game_write_state(game, &buf);
    if (r == RES_OK) {
        (void)remove_stale_temps(folder_of(header->path), nullptr);
        r = write_file(header->path.c_str(), &buf);
    }
    if (r != RES_OK) {
        log_write(LOG_GAME, LOG_ERROR, "Game save to \"%s\" failed (result %i)", header->path.c_str(), r);
        return r;
    }
    if (autosave == 0) ++game->save_counter;
    log_write(LOG_GAME, LOG_INFO, "Game saved to \"%s\", %i bytes", header->path.c_str(), buf.length);
    if (out_header) *out_header = header.release();
    return RES_OK;
}

Result game_load_file(Game *game, const char *path, int from_store) {
    Buffer *raw = nullptr;
    if (Result r = store_read_file(path, from_store, &raw); r != RES_OK) {
        log_write(LOG_GAME, LOG_ERROR, "Game load of \"%s\" cannot read the file (result %i)", path, r);
        return r;
    }
    std::unique_ptr<Buffer, void (*)(Buffer *)> buf(raw, buffer_free);
    buffer_set_cursor(buf.get(), 0);
    SaveHeader *read = nullptr;
    Result r = save_header_read(&read, buf.get());
    HeaderPtr header(read);
    if (r == RES_OK) {
        game_clear(game);
        r = game_read_state(game, buf.get());
    }
    // The writer leaves nothing after the state: bytes past it mean the file is not one we wrote.
    if (r == RES_OK && buffer_remaining(buf.get()) > 0) {
        log_write(LOG_GAME, LOG_ERROR, "Game load of \"%s\" found %lld bytes after the game", path,
                  (long long)buffer_remaining(buf.get()));
        r = RES_MALFORMED;
    }
    buf.reset();
    if (r == RES_OK) r = game_link_objects(game);
    if (r != RES_OK) {
        log_write(LOG_GAME, LOG_ERROR, "Game load of \"%s\" failed (result %i)", path, r);
        game_clear(game);
        return r;
    }
    // SECTOR CONTENTS: reset to no sector (the sector-contents map is empty after the clear).
    game->shown_sector_id = 0;
    if (game->galaxy_map) map_update_visibility(game->galaxy_map, game->ui_player_id);
    game->setup.star_density = header->star_density;
    game->setup.starting_tech = header->starting_tech;
    game->setup.galaxy_age = header->galaxy_age;
    game->setup.ark_strength = header->ark_strength;
    game->setup.crew_recruitment = header->crew_recruitment;
    game->setup.fog_of_war_off = header->fog_of_war_off;
    game->autosave_countdown = GAME_AUTOSAVE_TURNS;
    return RES_OK;
}

void game_prepare_load(Game *game, const char *path) {
    game->load_file_name = path ? path : "";
    game->flags |= GAME_FLAG_LOAD_PENDING;
    game->flags &= ~GAME_FLAG_LOAD_FROM_STORE;
    log_write(LOG_GAME, LOG_DEBUG, "Game prepare load, filename \"%s\", archive %i", game->load_file_name.c_str(), 0);
}

Result game_run_pending_load(Game *game) {
    if (!(game->flags & GAME_FLAG_LOAD_PENDING)) return RES_NO_LOAD_PENDING;
    const int from_store = (game->flags & GAME_FLAG_LOAD_FROM_STORE) ? 1 : 0;
    log_write(LOG_GAME, LOG_DEBUG, "Game load start, filename \"%s\", archive %i", game->load_file_name.c_str(),
              from_store);
    const Result r = game_load_file(game, game->load_file_name.c_str(), from_store);
    log_write(LOG_GAME, LOG_DEBUG, "Game load complete, result %i", r);
    game->flags &= ~(GAME_FLAG_LOAD_PENDING | GAME_FLAG_LOAD_FROM_STORE);
    return r;
}

// ---- The save folder ----

std::string game_save_path(const char *name) {
    std::string path;
    save_folder_path(&path);
    path_append(&path, name);
    return path;
}

Result game_list_saves(Game *, List<SaveHeader> **out) {
    std::string folder;
    save_folder_path(&folder);
    std::vector<std::string> names;   // without the temporary files
    const Result r = remove_stale_temps(folder, &names);
    List<SaveHeader> *list = list_create<SaveHeader>();
    if (!list) return RES_NO_MEMORY;
    list_set_free_fn(list, free_header_item);
    for (const std::string &name : names) {
        std::string path = folder;
        path_append(&path, name.c_str());
        SaveHeader *header = nullptr;
        if (save_header_read_file(&header, path.c_str()) != RES_OK) continue;
        if (list_append(list, header) < 0) save_header_free(header);
    }
    if (out) *out = list;
    else list_free(list);
    return r;
}

void game_list_damaged_saves(List<SaveHeader> *into) {
    if (!into) return;
    std::string folder;
    save_folder_path(&folder);
    std::vector<std::string> names;
    if (list_directory(folder.c_str(), &names) != RES_OK) return;
    // Only the names the game gives its saves: one of them that does not read still takes a number.
    const auto save_name = [](const std::string &name) {
        if (name == SAVE_AUTOSAVE_NAME) return true;
        return name.size() == 7 && name.compare(3, 4, ".sav") == 0 && std::isdigit(uint8_t(name[0])) &&
               std::isdigit(uint8_t(name[1])) && std::isdigit(uint8_t(name[2]));
    };
    for (const std::string &name : names) {
        if (!save_name(name)) continue;
        std::string path = folder;
        path_append(&path, name.c_str());
        SaveHeader *read = nullptr;
        if (save_header_read_file(&read, path.c_str()) == RES_OK) {
            save_header_free(read);
            continue;
        }
        SaveHeader *header = save_header_create();
        if (!header) return;
        header->path = std::move(path);
        header->title = name;
        header->autosave = name == SAVE_AUTOSAVE_NAME ? 1 : 0;
        header->damaged = 1;
        if (list_append(into, header) < 0) {
            save_header_free(header);
            return;
        }
    }
}

Result game_find_free_save_slot(std::string *out_path) {
    for (int32_t slot = 0; slot < SAVE_SLOT_COUNT; ++slot) {
        char name[16];
        std::snprintf(name, sizeof name, "%.3i.sav", slot);
        std::string path = game_save_path(name);
        if (file_exists(path.c_str())) continue;
        if (out_path) *out_path = path;
        return RES_OK;
    }
    return RES_NO_FREE_SAVE_NAME;
}

bool game_save_directory_exists() {
    std::string folder;
    save_folder_path(&folder);
    return is_directory(folder.c_str()) != 0;
}
