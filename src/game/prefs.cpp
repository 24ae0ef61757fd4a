// Preferences: "prefs.dat", the save folder, and the new-game helpers kept with them.
#include "game/prefs.h"

#include <algorithm>
#include <string>
#include <sys/stat.h>
#include "game/game.h"
#include "platform/buffer.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/store.h"

namespace {

std::string prefs_path() {
    std::string path;
    save_folder_path(&path);
    path_append(&path, PREFS_FILE_NAME);
    return path;
}

// Reads one word into the field, clamped to lo..hi.
Result read_clamped(Buffer *buf, int32_t *field, int32_t lo, int32_t hi) {
    int32_t value = 0;
    if (Result r = buffer_read_i32(buf, &value); r != RES_OK) return r;
    *field = std::clamp(value, lo, hi);
    return RES_OK;
}

void prefs_keep_aside(const std::string &path) {
    std::string kept;
    if (Result r = file_keep_aside(path.c_str(), &kept); r != RES_OK)
        log_write(LOG_GAME, LOG_ERROR, "Failed to keep unreadable preferences \"%s\" aside (%i)", path.c_str(), int(r));
    else if (!kept.empty())
        log_write(LOG_GAME, LOG_WARN, "Unreadable preferences kept as \"%s\"", kept.c_str());
}

}  // namespace

Result game_create_save_directory() {
    std::string folder;
    save_folder_path(&folder);
    if (is_directory(folder.c_str())) return RES_OK;
    const Result r = make_directory(folder.c_str());
    log_write(LOG_GAME, LOG_INFO, "Create save directory \"%s\" (result %i)", folder.c_str(), int(r));
    return r;
}

Result prefs_load(Game *game) {
    const std::string path = prefs_path();
    Buffer *file = nullptr;
    if (Result r = store_read_file(path.c_str(), 0, &file); r != RES_OK) {
        // Missing or empty is the first run; anything else there (a FIFO, no permission) is kept.
        struct stat st;
        if (r != RES_EMPTY_FILE && ::lstat(path.c_str(), &st) == 0) {
            log_write(LOG_GAME, LOG_ERROR, "Preferences \"%s\" unreadable (%i)", path.c_str(), int(r));
            prefs_keep_aside(path);
        }
        return r;
    }
    Result r = buffer_read_i32(file, &game->display_mode);
    if (r == RES_OK) r = read_clamped(file, &game->sound_volume, 0, PREFS_VOLUME_MAX);
    if (r == RES_OK) r = read_clamped(file, &game->music_volume, 0, PREFS_VOLUME_MAX);
    if (r == RES_OK) r = read_clamped(file, &game->galaxy_speed, PREFS_GALAXY_SPEED_MIN, PREFS_GALAXY_SPEED_MAX);
    if (r == RES_OK) r = read_clamped(file, &game->auto_pass, 0, PREFS_AUTO_PASS_MAX);
    if (r == RES_OK) r = read_clamped(file, &game->combat_speed, PREFS_COMBAT_SPEED_MIN, PREFS_COMBAT_SPEED_MAX);
    for (int i = 0; r == RES_OK && i < GAME_SLOT_COUNT; ++i) {
        r = buffer_read_u64(file, &game->slot_record_ids[i]);
        if (r == RES_OK) r = buffer_read_u8(file, &game->slot_red[i]);
        if (r == RES_OK) r = buffer_read_u8(file, &game->slot_green[i]);
        if (r == RES_OK) r = buffer_read_u8(file, &game->slot_blue[i]);
    }
    buffer_free(file);
    if (r != RES_OK) {
        log_write(LOG_GAME, LOG_WARN, "Preferences \"%s\" end early (%i)", path.c_str(), int(r));
        prefs_keep_aside(path);   // the first-run write that follows would replace it
    }
    return r;
}

Result prefs_save(Game *game) {
    if (Result r = game_create_save_directory(); r != RES_OK) return r;
    Buffer buf;
    const int32_t words[] = {game->display_mode, game->sound_volume, game->music_volume,
                             game->galaxy_speed, game->auto_pass,    game->combat_speed};
    Result r = RES_OK;
    for (int32_t word : words)
        if (r == RES_OK) r = buffer_write_i32(&buf, word);
    for (int i = 0; r == RES_OK && i < GAME_SLOT_COUNT; ++i) {
        r = buffer_write_u64(&buf, game->slot_record_ids[i]);
        if (r == RES_OK) r = buffer_write_u8(&buf, game->slot_red[i]);
        if (r == RES_OK) r = buffer_write_u8(&buf, game->slot_green[i]);
        if (r == RES_OK) r = buffer_write_u8(&buf, game->slot_blue[i]);
    }
    if (r != RES_OK) return r;
    const std::string path = prefs_path();
    return write_file(path.c_str(), &buf);   // the screens that save log a failure
}

void game_setup_defaults(Game *game) {
    game->setup.star_density = 2;
    game->setup.starting_tech = 1;
    game->setup.galaxy_age = 1;
    game->setup.ark_strength = 1;
    game->setup.crew_recruitment = 500;
    game->setup.fog_of_war_off = 0;
}

int32_t game_sector_threshold(const Game *game) {
    const int32_t n = game->conquerable_sectors;
    return 2 * n / 3 + (n % 3 != 0 ? 1 : 0);
}
