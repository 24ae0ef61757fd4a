// Player records: the entry codec, the records file and the operations on the Game's list.
#include "game/records.h"

#include <new>
#include <sys/stat.h>
#include "game/game.h"
#include "game/prefs.h"
#include "platform/buffer.h"
#include "platform/files.h"
#include "platform/list.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/store.h"

namespace {

Result write_words(Buffer *buf, const int32_t *words, int count) {
    for (int i = 0; i < count; ++i)
        if (Result r = buffer_write_i32(buf, words[i]); r != RES_OK) return r;
    return RES_OK;
}

Result read_words(Buffer *buf, int32_t *words, int count) {
    for (int i = 0; i < count; ++i)
        if (Result r = buffer_read_i32(buf, &words[i]); r != RES_OK) return r;
    return RES_OK;
}

// The records list of the game, owning its records.
List<PlayerRecord> *records_list(Game *game) {
    if (game->player_records) list_set_free_fn(game->player_records, player_record_free);
    return game->player_records;
}

std::string save_file(const char *name) {
    std::string path;
    save_folder_path(&path);
    path_append(&path, name);
    return path;
}

// Replaces the list's records by the entries of a records file. On failure the list is empty.
Result records_parse(List<PlayerRecord> *list, Buffer *file) {
    uint32_t count = 0;
    if (Result r = buffer_read_u32(file, &count); r != RES_OK) return r;
    list_clear(list);
    for (uint32_t i = 0; i < count; ++i) {
        PlayerRecord *record = nullptr;
        if (Result r = player_record_read(&record, file); r != RES_OK) {
            list_clear(list);
            return r;
        }
        if (list_append(list, record) < 0) {
            player_record_free(record);
            list_clear(list);
            return RES_NO_MEMORY;
        }
    }
    return RES_OK;
}

// Moves an unreadable "records.dat" out of the way before the shipped records stand in, so the
// next records_save cannot overwrite the only copy.
void records_keep_aside(const std::string &path) {
    std::string kept;
    if (Result r = file_keep_aside(path.c_str(), &kept); r != RES_OK)
        log_write(LOG_GAME, LOG_ERROR, "Failed to keep unreadable player records \"%s\" aside (%i)", path.c_str(),
                  int(r));
    else if (!kept.empty())
        log_write(LOG_GAME, LOG_WARN, "Unreadable player records kept as \"%s\"", kept.c_str());
}

// The shipped records in place of unreadable ones.
void records_use_shipped(Game *game, List<PlayerRecord> *list) {
    Buffer *shipped = nullptr;
    if (Result r = store_read_file(RECORDS_STORE_PATH, 1, &shipped); r != RES_OK) {
        log_write(LOG_GAME, LOG_ERROR, "Failed to read shipped player records \"%s\" (%i)", RECORDS_STORE_PATH, int(r));
        return;
    }
    if (Result r = records_parse(list, shipped); r != RES_OK)
        log_write(LOG_GAME, LOG_ERROR, "Failed to read shipped player records \"%s\" (%i)", RECORDS_STORE_PATH, int(r));
    else
        records_set_default_colors(game);
    buffer_free(shipped);
}

}  // namespace

PlayerRecord *player_record_create() { return new (std::nothrow) PlayerRecord(); }

void player_record_free(PlayerRecord *record) { delete record; }

Result player_record_write(const PlayerRecord *record, Buffer *buf) {
    Result r = buffer_write_u64(buf, record->id);
    if (r == RES_OK) r = buffer_write_i32(buf, record->kind);
    if (r == RES_OK) r = buffer_write_string(buf, record->name);
    if (r == RES_OK) r = buffer_write_string(buf, record->text);
    for (int i = 0; r == RES_OK && i < RECORD_STAT_COUNT; ++i) r = buffer_write_u64(buf, record->stats[i]);
    const int32_t head[] = {record->combat_pilot_pct, record->galaxy_pilot_pct, record->starbase_pilot_pct,
                            record->strike_margin_pct, record->attack_fleet_radius};
    if (r == RES_OK) r = write_words(buf, head, 5);
    if (r == RES_OK) r = write_words(buf, record->template_weights, RECORD_TEMPLATE_WEIGHTS);
    if (r == RES_OK) r = write_words(buf, record->system_weights, RECORD_SYSTEM_WEIGHTS);
    if (r == RES_OK) r = buffer_write_i32(buf, record->weapon_first_chance);
    if (r == RES_OK) r = buffer_write_i32(buf, record->armour_bonus_chance);
    if (r == RES_OK) r = buffer_write_i32(buf, int32_t(record->extra_tuning.size()));
    for (size_t i = 0; r == RES_OK && i < record->extra_tuning.size(); ++i)
        r = buffer_write_i32(buf, record->extra_tuning[i]);
    if (r == RES_OK) r = write_words(buf, record->task_weights, RECORD_TASK_WEIGHTS);
    const int32_t tail[] = {record->commander_reassign_penalty, record->galaxy_reassign_penalty,
                            record->commander_full_task_bonus,  record->galaxy_full_task_bonus,
                            record->courage,                    record->extra_selections,
                            record->research_queue_limit,       record->design_target,
                            record->design_lifetime_min,        record->design_lifetime_max,
                            record->shipyard_pct,               record->research_station_pct,
                            record->training_site_pct,          record->personality_min,
                            record->personality_max};
    if (r == RES_OK) r = write_words(buf, tail, 15);
    return r;
}

Result player_record_read(PlayerRecord **out, Buffer *buf) {
    PlayerRecord *record = player_record_create();
    if (!record) return RES_NO_MEMORY;
    Result r = buffer_read_u64(buf, &record->id);
    if (r == RES_OK) r = buffer_read_i32(buf, &record->kind);
    if (r == RES_OK) r = buffer_read_string(buf, &record->name);
    if (r == RES_OK) r = buffer_read_string(buf, &record->text);
    for (int i = 0; r == RES_OK && i < RECORD_STAT_COUNT; ++i) r = buffer_read_u64(buf, &record->stats[i]);
    int32_t head[5] = {};
    if (r == RES_OK) r = read_words(buf, head, 5);
    if (r == RES_OK) {
        record->combat_pilot_pct = head[0];
        record->galaxy_pilot_pct = head[1];
        record->starbase_pilot_pct = head[2];
        record->strike_margin_pct = head[3];
        record->attack_fleet_radius = head[4];
        r = read_words(buf, record->template_weights, RECORD_TEMPLATE_WEIGHTS);
    }
    if (r == RES_OK) r = read_words(buf, record->system_weights, RECORD_SYSTEM_WEIGHTS);
    if (r == RES_OK) r = buffer_read_i32(buf, &record->weapon_first_chance);
    if (r == RES_OK) r = buffer_read_i32(buf, &record->armour_bonus_chance);
    int32_t list_count = 0;
    if (r == RES_OK) r = buffer_read_count(buf, 4, &list_count);
    if (r == RES_OK) {
        try {
            record->extra_tuning.resize(size_t(list_count));
        } catch (const std::bad_alloc &) {
            r = RES_NO_MEMORY;
        }
    }
    for (int32_t i = 0; r == RES_OK && i < list_count; ++i) r = buffer_read_i32(buf, &record->extra_tuning[size_t(i)]);
    if (r == RES_OK) r = read_words(buf, record->task_weights, RECORD_TASK_WEIGHTS);
    int32_t tail[15] = {};
    if (r == RES_OK) r = read_words(buf, tail, 15);
    if (r != RES_OK) {
        player_record_free(record);
        return r;
    }
    record->commander_reassign_penalty = tail[0];
    record->galaxy_reassign_penalty = tail[1];
    record->commander_full_task_bonus = tail[2];
    record->galaxy_full_task_bonus = tail[3];
    record->courage = tail[4];
    record->extra_selections = tail[5];
    record->research_queue_limit = tail[6];
    record->design_target = tail[7];
    record->design_lifetime_min = tail[8];
    record->design_lifetime_max = tail[9];
    record->shipyard_pct = tail[10];
    record->research_station_pct = tail[11];
    record->training_site_pct = tail[12];
    record->personality_min = tail[13];
    record->personality_max = tail[14];
    if (out) *out = record;
    else player_record_free(record);
    return RES_OK;
}

Result records_load(Game *game) {
    List<PlayerRecord> *list = records_list(game);
    if (!list) return RES_NO_MEMORY;
    const std::string path = save_file(RECORDS_FILE_NAME);
    Buffer *file = nullptr;
    if (Result r = store_read_file(path.c_str(), 0, &file); r != RES_OK) {
        struct stat st;
        if (r != RES_EMPTY_FILE && ::lstat(path.c_str(), &st) == 0) {   // an empty file holds nothing to lose
            // Something is there but cannot be read: a FIFO, no permission, a folder, a dangling link.
            log_write(LOG_GAME, LOG_ERROR, "Player records \"%s\" unreadable (%i)", path.c_str(), int(r));
            records_keep_aside(path);
            list_clear(list);
            records_use_shipped(game, list);
            return r;
        }
        log_write(LOG_GAME, LOG_DEBUG, "No player records in \"%s\" (%i), reading the shipped ones", path.c_str(),
                  int(r));
        if (Result s = store_read_file(RECORDS_STORE_PATH, 1, &file); s != RES_OK) return s;
        const Result res = records_parse(list, file);
        if (res != RES_OK)
            log_write(LOG_GAME, LOG_ERROR, "Player records \"%s\" unreadable (%i)", RECORDS_STORE_PATH, int(res));
        else
            records_set_default_colors(game);
        buffer_free(file);
        return res;
    }
    const Result res = records_parse(list, file);
    buffer_free(file);
    if (res != RES_OK) {
        log_write(LOG_GAME, LOG_ERROR, "Player records \"%s\" unreadable (%i)", path.c_str(), int(res));
        records_keep_aside(path);
        records_use_shipped(game, list);
    }
    return res;
}

Result records_save(Game *game) {
    List<PlayerRecord> *list = records_list(game);
    if (!list) return RES_NO_MEMORY;
    if (Result r = game_create_save_directory(); r != RES_OK) return r;
    Buffer buf;
    Result r = buffer_write_u32(&buf, uint32_t(list_count(list)));
    for (int32_t i = 0; r == RES_OK && i < list_count(list); ++i) {
        const PlayerRecord *record = list_get(list, i);
        if (!record) break;
        r = player_record_write(record, &buf);
    }
    if (r != RES_OK) return r;
    const std::string path = save_file(RECORDS_FILE_NAME);
    return write_file(path.c_str(), &buf);   // the screens that save log a failure
}

PlayerRecord *records_find(Game *game, uint64_t id) {
    List<PlayerRecord> *list = game->player_records;
    if (!list) return nullptr;
    ListIter<PlayerRecord> it;
    list_iter_init(&it, list);
    while (PlayerRecord *record = list_iter_next(&it))
        if (record->id == id) return record;
    return nullptr;
}

uint64_t records_add_new(Game *game, const char *name) {
    List<PlayerRecord> *list = records_list(game);
    if (!list) return 0;
    uint64_t id = 0;
    // 0 marks an empty new-game slot, so it is never handed out either.
    while (id == 0 || records_find(game, id)) {
        id = 0;
        for (int i = 0; i < 8; ++i) id = (id << 8) | (random_magnitude(random_u32()) % 256u);
    }
    PlayerRecord *record = player_record_create();
    if (!record) return 0;
    record->id = id;
    record->kind = 0;
    record->name = name ? name : "";
    if (list_append(list, record) < 0) {
        player_record_free(record);
        return 0;
    }
    return id;
}

void records_remove(Game *game, uint64_t id) {
    List<PlayerRecord> *list = records_list(game);
    PlayerRecord *record = records_find(game, id);
    if (!record) return;
    list_remove_value(list, record);
    player_record_free(record);
}

namespace {
constexpr uint64_t DEFAULT_SLOT_IDS[GAME_SLOT_COUNT] = {1, 2, 6, 7, 0};
}  // namespace

uint64_t records_default_slot_id(int slot) {
    return slot >= 0 && slot < GAME_SLOT_COUNT ? DEFAULT_SLOT_IDS[slot] : 0;
}

int records_fix_slots(Game *game) {
    int changed = 0;
    for (int k = 0; k < GAME_SLOT_COUNT; ++k) {
        uint64_t &id = game->slot_record_ids[k];
        if (id == 0 || records_find(game, id)) continue;
        const uint64_t fallback = DEFAULT_SLOT_IDS[k];
        bool taken = false;
        for (uint64_t other : game->slot_record_ids) taken = taken || other == fallback;
        log_write(LOG_GAME, LOG_WARN, "Preferences slot %i names no player record #%llu", k, (unsigned long long)id);
        id = fallback != 0 && !taken && records_find(game, fallback) ? fallback : 0;
        ++changed;
    }
    return changed;
}

void records_set_default_colors(Game *game) {
    const uint64_t *ids = DEFAULT_SLOT_IDS;
    static const uint8_t colours[GAME_SLOT_COUNT][3] = {
        {210, 100, 10}, {40, 177, 217}, {195, 10, 20}, {134, 50, 249}, {242, 107, 167}};
    for (int i = 0; i < GAME_SLOT_COUNT; ++i) {
        game->slot_record_ids[i] = ids[i];
        game->slot_red[i] = colours[i][0];
        game->slot_green[i] = colours[i][1];
        game->slot_blue[i] = colours[i][2];
    }
}
