#pragma once
// Player records: the lifetime profile of every named player, its file entry and the records file.
//  - A PlayerRecord is one persistent profile: id, kind (0 human, anything else a computer
//    corporation), name, a second text shown under computer players' names, ten lifetime
//    statistics and the AI personality a computer corporation is made from. The Game keeps them in
//    its player-records list in file order; that list owns them (free callback player_record_free,
//    set by every function here that fills the list).
//  - "records.dat" in the save folder: u32 count, then `count` entries (player_record_write). The
//    shipped defaults "player/params.dat" in the data store have the same form.
//  - An unreadable "records.dat" (short, malformed, a FIFO, no permission; an empty one counts as
//    missing) is never lost: it is moved aside (file_keep_aside: "records.dat.bad", or ".bad.1"
//    and on when that is taken) before the shipped records stand in, so the next records_save
//    cannot overwrite the only copy.
//  - Ids drawn by records_add_new are non-zero and unique among the records.
//  - Game thread only (the start-up loader thread runs records_load while nothing else reads it).
//  - Result codes: RES_SHORT_BUFFER (-15) an entry or the count cut short; RES_MALFORMED (-23) a
//    negative string length or list count; RES_NO_MEMORY (-4); the store's and write_file's codes.
#include <cstdint>
#include <string>
#include <vector>
#include "platform/result.h"

struct Buffer;
struct Game;

constexpr int RECORD_STAT_COUNT          = 10;
constexpr int RECORD_TEMPLATE_WEIGHTS    = 9;    // one per ship hull
constexpr int RECORD_SYSTEM_WEIGHTS      = 30;   // one per system type
constexpr int RECORD_TASK_WEIGHTS        = 24;   // one per agent task type
constexpr uint64_t RECORD_HUMAN_DEFAULT_ID = 1;  // the human record the shipped file always holds

constexpr const char *RECORDS_FILE_NAME   = "records.dat";
constexpr const char *RECORDS_BAD_NAME    = "records.dat.bad";
constexpr const char *RECORDS_STORE_PATH  = "player/params.dat";

// Indices of PlayerRecord::stats.
enum RecordStat : int {
    RECORD_STAT_GAMES_FINISHED  = 0,
    RECORD_STAT_WINS            = 1,
    RECORD_STAT_DAYS_IN_COMMAND = 2,
    RECORD_STAT_SHIPS_BUILT     = 3,
    RECORD_STAT_STARBASES_BUILT = 4,
    RECORD_STAT_ENEMIES_KILLED  = 5,
    RECORD_STAT_DAMAGE_DEALT    = 6,
    RECORD_STAT_CREW_RECRUITED  = 7,
    RECORD_STAT_RESOURCES_MINED = 8,
    RECORD_STAT_RESEARCH        = 9,   // in 1/400 research points
};

// Fields in file order.
struct PlayerRecord {
    uint64_t    id = 0;
    int32_t     kind = 0;                 // 0 human, otherwise a computer corporation
    std::string name;
    std::string text;                     // the second text
    uint64_t    stats[RECORD_STAT_COUNT] = {};
    // The AI personality, copied into a player's AI states at new-game set-up.
    int32_t     combat_pilot_pct = 0, galaxy_pilot_pct = 0, starbase_pilot_pct = 0, strike_margin_pct = 0;
    int32_t     attack_fleet_radius = 0;
    int32_t     template_weights[RECORD_TEMPLATE_WEIGHTS] = {};
    int32_t     system_weights[RECORD_SYSTEM_WEIGHTS] = {};
    int32_t     weapon_first_chance = 0;
    int32_t     armour_bonus_chance = 0;
    std::vector<int32_t> extra_tuning;    // on the wire: i32 count, then the values
    int32_t     task_weights[RECORD_TASK_WEIGHTS] = {};
    int32_t     commander_reassign_penalty = 0;
    int32_t     galaxy_reassign_penalty = 0;
    int32_t     commander_full_task_bonus = 0;
    int32_t     galaxy_full_task_bonus = 0;
    int32_t     courage = 0;
    int32_t     extra_selections = 0;
    int32_t     research_queue_limit = 0;
    int32_t     design_target = 0;
    int32_t     design_lifetime_min = 0;
    int32_t     design_lifetime_max = 0;
    int32_t     shipyard_pct = 0, research_station_pct = 0, training_site_pct = 0;
    int32_t     personality_min = 0;
    int32_t     personality_max = 0;
};

// Bytes of an entry with empty texts and an empty tuning list.
constexpr int32_t PLAYER_RECORD_FIXED_BYTES = 8 + 4 + 4 + 4 + RECORD_STAT_COUNT * 8 + 5 * 4 +
                                              (RECORD_TEMPLATE_WEIGHTS + RECORD_SYSTEM_WEIGHTS + 2) * 4 + 4 +
                                              RECORD_TASK_WEIGHTS * 4 + 15 * 4;

// ---- One record ----
PlayerRecord *player_record_create();            // zeroed, empty texts; null when out of memory
void          player_record_free(PlayerRecord *record);   // null is ignored
Result        player_record_write(const PlayerRecord *record, Buffer *buf);
// Reads one entry into a new record stored through out (freed when out is null). On failure the
// partial record is freed and nothing is stored.
Result        player_record_read(PlayerRecord **out, Buffer *buf);

// ---- The records of the Game ----
// Reads save-folder "records.dat", else the shipped "player/params.dat" (then the five new-game
// slots get their defaults). When neither can be read: that failure, nothing changed. An entry that
// fails to read leaves the list empty and returns its code; when the bad data came from
// "records.dat", or "records.dat" is there but cannot be read at all, the file is moved aside and
// the shipped records are loaded in its place (the code of the bad file is still returned).
Result        records_load(Game *game);
// Writes every record in list order into save-folder "records.dat", creating the folder first.
Result        records_save(Game *game);
PlayerRecord *records_find(Game *game, uint64_t id);      // null when no record has the id
// A new human record with a fresh random id, the given name and an empty second text, appended to
// the list; returns its id (0 only when memory ran out).
uint64_t      records_add_new(Game *game, const char *name);
// Removes the record with that id keeping the order of the others, and frees it.
void          records_remove(Game *game, uint64_t id);
// The five new-game slots' default record ids and colours.
void          records_set_default_colors(Game *game);
uint64_t      records_default_slot_id(int slot);   // the default record id of slot 0..4; 0 outside
// The preferences' slot ids that name no record (a damaged "prefs.dat"; a deleted human record)
// take the slot's default record, or none when that is missing or already in another slot; a
// slot of id 0 stays empty. Returns how many slots changed. Start-up runs it once both files are
// read, so the new-game screen never opens on slots of ids that name nothing.
int           records_fix_slots(Game *game);
