#pragma once
// Save games: one file per save in the save folder, a short header the load screen lists without
// reading the rest, then the whole game state.
//  - File names: manual saves "%.3i.sav" (000..999, the first free one), the autosave "auto.sav".
//  - Layout (big-endian): the magic 54 43 0D 0A 01 02, a reserved u32, the local time of saving
//    (six u32), the game date text, the UI player's name and colour, the title, sectors owned,
//    objects owned, credits, the six new-game settings, the autosave flag; then the state section
//    (game_write_state) in the order the load step reads it back.
//  - Writing: the whole file is built in memory, every record writer's failure is passed up, and
//    the bytes go through the crash-safe whole-file write: a save that could not be written
//    completely reports its code and leaves any previous file of that name as it was.
//  - A player's known list leaves out the copies of sites that the load makes again byte for
//    byte from the loaded sites (player_saved_snapshots).
//  - Loading: the file is read whole, the header checked, the game cleared, the state read (every
//    count checked against the bytes left before anything is allocated) and linked, and the site
//    copies the save left out made again (player_remember_sites). Any failure
//    after the file was read leaves a cleared game (no players, no objects) and returns its code.
//    A file with bytes after the state is refused (RES_MALFORMED): a save is exactly what the
//    writer wrote, so anything appended means it is not one of ours as written.
//  - Game thread only.
//  - Result codes: RES_OPEN_FAILED (-6) no such file; RES_SHORT_BUFFER (-15) the file ends inside a
//    field; RES_WRITE_FAILED (-21); RES_MALFORMED (-23) wrong magic, a negative count or length, or
//    bytes after the state;
//    RES_NO_FREE_SAVE_NAME (-45); RES_END_OF_FILE (-46), RES_HEADER_READ_FAILED (-47) while reading
//    a header straight from a file; RES_NO_LOAD_PENDING (-64); RES_UNRESOLVED_ID (4312) a stored
//    id of the UI player, combat AI player or current encounter names nothing; the record
//    readers' codes.
#include <cstdint>
#include <string>
#include "platform/list.h"
#include "platform/result.h"

struct Buffer;
struct Game;

constexpr uint8_t SAVE_MAGIC[6] = {0x54, 0x43, 0x0D, 0x0A, 0x01, 0x02};
constexpr const char *SAVE_AUTOSAVE_NAME  = "auto.sav";
constexpr const char *SAVE_AUTOSAVE_TITLE = "Autosave";
constexpr int32_t SAVE_SLOT_COUNT = 1000;

// The header of a save, also the entry of the save list.
struct SaveHeader {
    std::string path;               // not stored in the file
    int32_t     reserved = 0;
    int32_t     year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;   // local time of saving
    std::string date_text;          // the game date, "Mar 01 2670"
    std::string player_name;
    int32_t     red = 0, green = 0, blue = 0;
    std::string title;
    int32_t     sectors_owned = 0;
    int32_t     object_count = 0;
    int32_t     credits = 0;
    int32_t     star_density = 0, starting_tech = 0, galaxy_age = 0, ark_strength = 0;
    int32_t     crew_recruitment = 0, fog_of_war_off = 0;
    int32_t     autosave = 0;
    // Not in the file: a save-named file whose header does not read. Only path, title (the file's
    // name) and autosave are set; the screens list it so that it can be deleted or overwritten.
    int32_t     damaged = 0;
};

SaveHeader *save_header_create();                 // null when out of memory
void        save_header_free(SaveHeader *header); // null ignored
// The header of the game as it stands now (title "%s %i": the UI player's name, the save counter).
SaveHeader *game_make_save_header(Game *game);
Result      save_header_write(const SaveHeader *header, Buffer *buf);
// Fewer than six bytes or a wrong magic give RES_MALFORMED; then the first failing reader's code.
// On failure *out is left alone.
Result      save_header_read(SaveHeader **out, Buffer *buf);
// Reads only the header of a file (for the save list); the file is closed in every case.
Result      save_header_read_file(SaveHeader **out, const char *path);

Result game_write_state(Game *game, Buffer *buf);
// Reads the state into a game the caller has cleared; on failure the caller clears it again.
Result game_read_state(Game *game, Buffer *buf);
Result game_link_objects(Game *game);

// Saves the game to `path`. A manual save (autosave 0) raises the save counter on success. The
// header goes to *out_header when asked for (the caller frees it), else it is freed.
Result game_save(Game *game, const char *path, const char *title, int32_t autosave, SaveHeader **out_header);
// Loads a save (from the data store when from_store is set) into the game.
Result game_load_file(Game *game, const char *path, int from_store);
void   game_prepare_load(Game *game, const char *path);
Result game_run_pending_load(Game *game);

// The save folder.
Result game_list_saves(Game *game, List<SaveHeader> **out);   // the listing's result
// Appends a damaged header (above) for every save name of the save folder ("000.sav" to
// "999.sav", "auto.sav") whose header does not read, newest first; a folder that cannot be listed
// adds nothing.
void   game_list_damaged_saves(List<SaveHeader> *into);
Result game_find_free_save_slot(std::string *out_path);       // 0 or RES_NO_FREE_SAVE_NAME
bool   game_save_directory_exists();                            // (game_create_save_directory: prefs.h)
std::string game_save_path(const char *name);                 // save folder + "/" + name
