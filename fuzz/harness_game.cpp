// Harnesses of the game's own files: preferences, player records, officers and the technology table.
#include "harness_support.h"

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include "game/game.h"
#include "game/officer.h"
#include "game/prefs.h"
#include "game/records.h"
#include "game/tech.h"
#include "platform/files.h"
#include "platform/list.h"
#include "platform/store.h"

namespace {

std::string save_path(const char *name) {
    std::string path;
    save_folder_path(&path);
    ::mkdir(path.c_str(), 0700);
    path_append(&path, name);
    return path;
}

void write_save_file(const char *name, const uint8_t *data, size_t size) {
    FILE *f = std::fopen(save_path(name).c_str(), "wb");
    if (!f || (size && std::fwrite(data, 1, size, f) != size)) __builtin_trap();
    std::fclose(f);
}

// The Game's fields the preference file sets, kept aside so inputs do not see each other's.
struct PrefsFields {
    int32_t words[6];
    uint64_t ids[GAME_SLOT_COUNT];
    uint8_t rgb[3][GAME_SLOT_COUNT];
    explicit PrefsFields(const Game *g)
        : words{g->display_mode, g->sound_volume, g->music_volume, g->galaxy_speed, g->auto_pass, g->combat_speed} {
        for (int i = 0; i < GAME_SLOT_COUNT; ++i) {
            ids[i] = g->slot_record_ids[i];
            rgb[0][i] = g->slot_red[i];
            rgb[1][i] = g->slot_green[i];
            rgb[2][i] = g->slot_blue[i];
        }
    }
    void restore(Game *g) const {
        int32_t *fields[] = {&g->display_mode, &g->sound_volume, &g->music_volume,
                             &g->galaxy_speed, &g->auto_pass,    &g->combat_speed};
        for (int i = 0; i < 6; ++i) *fields[i] = words[i];
        for (int i = 0; i < GAME_SLOT_COUNT; ++i) {
            g->slot_record_ids[i] = ids[i];
            g->slot_red[i] = rgb[0][i];
            g->slot_green[i] = rgb[1][i];
            g->slot_blue[i] = rgb[2][i];
        }
    }
};

}  // namespace

// ---- preferences -------------------------------------------------------------------------------------

void fuzz_prefs(const uint8_t *data, size_t size) {
    Game *game = game_get();
    const PrefsFields kept(game);
    write_save_file(PREFS_FILE_NAME, data, size);
    if (prefs_load(game) == RES_OK) (void)prefs_save(game);
    std::remove(save_path("prefs.dat.bad").c_str());   // an unreadable file is moved aside
    kept.restore(game);
}

void fuzz_seed_prefs(std::vector<FuzzInput> *out) {
    Game *game = game_get();
    const PrefsFields kept(game);
    game->sound_volume = 90;
    game->galaxy_speed = 480;
    game->slot_record_ids[2] = 0x0102030405060708ull;
    if (prefs_save(game) == RES_OK) {
        Buffer *buf = nullptr;
        if (store_read_file(save_path(PREFS_FILE_NAME).c_str(), 0, &buf) == RES_OK) out->push_back(fuzz_bytes_of(*buf));
        buffer_free(buf);
    }
    kept.restore(game);
}

// ---- player records ----------------------------------------------------------------------------------

void fuzz_player_records(const uint8_t *data, size_t size) {
    Game *game = game_get();
    const PrefsFields kept(game);   // a load from the store sets the slots' colours
    write_save_file(RECORDS_FILE_NAME, data, size);
    if (records_load(game) == RES_OK) {
        if (list_count(game->player_records) > 0) (void)records_find(game, list_get(game->player_records, 0)->id);
        (void)records_save(game);
    }
    list_clear(game->player_records);
    std::remove(save_path("records.dat.bad").c_str());
    kept.restore(game);
}

void fuzz_seed_player_records(std::vector<FuzzInput> *out) {
    // The shipped records, and the same list after a human record was added.
    out->push_back(fuzz_store_file(RECORDS_STORE_PATH));
    Game *game = game_get();
    const PrefsFields kept(game);
    std::remove(save_path(RECORDS_FILE_NAME).c_str());
    if (records_load(game) == RES_OK && records_add_new(game, "Fuzz Corp") != 0 && records_save(game) == RES_OK) {
        Buffer *buf = nullptr;
        if (store_read_file(save_path(RECORDS_FILE_NAME).c_str(), 0, &buf) == RES_OK) out->push_back(fuzz_bytes_of(*buf));
        buffer_free(buf);
    }
    list_clear(game->player_records);
    kept.restore(game);
}

// ---- officers ----------------------------------------------------------------------------------------

void fuzz_officer(const uint8_t *data, size_t size) {
    Buffer buf;
    fuzz_fill(&buf, data, size);
    Officer *officer = nullptr;
    if (officer_read(&officer, &buf) != RES_OK) return;
    officer_retain(officer);
    Buffer again;
    (void)officer_write(officer, &again);
    // A loaded officer keeps serving: experience from the tail, the promotion check, new stats.
    int32_t amount = 0;
    if (buffer_read_i32(&buf, &amount) != RES_OK) amount = 250;
    officer_add_experience(officer, amount, 1);
    officer_add_experience(officer, amount, 1);
    int a = 0, b = 0, c = 0;
    officer_pick_skills(officer, &a, &b, &c);
    officer_init_stats(officer);
    for (int skill = 0; skill < OFFICER_SKILL_COUNT; ++skill) {
        (void)officer_skill_name(skill);
        field_repair_limits(officer->skills[skill], nullptr, nullptr, nullptr, nullptr);
    }
    (void)officer_rank_name(officer->rank);
    officer_release(officer);
}

void fuzz_seed_officer(std::vector<FuzzInput> *out) {
    for (int rank : {RANK_CADET, RANK_CAPTAIN}) {
        Officer *officer = officer_create();
        officer_retain(officer);
        officer->id = 0x0000000500000007ull;
        officer->name = "Ines Okafor";
        officer->rank = rank;
        officer->experience = rank * 9000;
        officer->portrait = 12;
        officer->owner_id = 3;
        officer_train(officer);
        officer_init_stats(officer);
        officer->command_tally = 400;
        officer->ship_tally = 30;
        Buffer buf;
        if (officer_write(officer, &buf) == RES_OK && buffer_write_i32(&buf, 15000) == RES_OK)
            out->push_back(fuzz_bytes_of(buf));
        officer_release(officer);
    }
}

// ---- the technology table ---------------------------------------------------------------------------

void fuzz_tech_table(const uint8_t *data, size_t size) {
    fuzz_use_archive({{TECH_PARAMS_PATH, FuzzInput(data, data + size)}});
    (void)tech_load();   // the entries before a bad one stay: walk them all
    for (int n = 0; n < TECH_COUNT; ++n) {
        (void)tech_name(n);
        (void)tech_icon(n);
        std::string text;
        (void)tech_load_desc(n, &text);
    }
    tech_free_all();
    fuzz_use_generated_store();
}

void fuzz_seed_tech_table(std::vector<FuzzInput> *out) { out->push_back(fuzz_store_file(TECH_PARAMS_PATH)); }
