#pragma once
// What the harnesses share: private archives made the game's store, a save folder of the process's
// own, the set-ups, and every harness function the target list names.
#include <string>
#include <utility>
#include <vector>
#include "harness.h"
#include "platform/buffer.h"
#include "world/object.h"

using FuzzFiles = std::vector<std::pair<std::string, FuzzInput>>;

// A folder of this process's own under /dev/shm (else /tmp), made on first use.
const std::string &fuzz_scratch_dir();
// Packs the files with the game's store writer into a private archive and makes it the store (the
// previous private archive is replaced).
void fuzz_use_archive(const FuzzFiles &files);
// The raw bytes as the archive the store reads.
void fuzz_use_archive_bytes(const uint8_t *data, size_t size);
// The bytes of the last private archive fuzz_use_archive wrote (its seeds are archives).
FuzzInput fuzz_archive_file();
// The generated store again.
void fuzz_use_generated_store();
// One whole file of the generated store (empty when missing); reads leave the store as it was.
FuzzInput fuzz_store_file(const std::string &asset_path);
// A buffer holding the bytes, cursor at 0.
void fuzz_fill(Buffer *buf, const uint8_t *data, size_t size);
FuzzInput fuzz_bytes_of(const Buffer &buf);
// Appends every file of fuzz/seeds/<target>/, in name order (none when the folder is missing).
void fuzz_seed_files(const char *target, std::vector<FuzzInput> *out);

// ---- set-ups, as the tests make them ----
void fuzz_setup_platform();      // the generated store, the Game, quiet logging
void fuzz_setup_game();          // the platform, and the Game's generators seeded
void fuzz_setup_save_folder();   // the game, and $XDG_DATA_HOME in the scratch folder
void fuzz_setup_templates();     // the game, the system types and every factory's parameter group
void fuzz_setup_saves();         // the templates, the technology table, the name decks and the real hooks

// ---- harnesses (harness_platform.cpp, harness_game.cpp, harness_world.cpp) ----
#define FUZZ_DECLARE(run, seeds)                  \
    void run(const uint8_t *data, size_t size);   \
    void seeds(std::vector<FuzzInput> *out);
FUZZ_DECLARE(fuzz_archive, fuzz_seed_archive)
FUZZ_DECLARE(fuzz_png_sprite, fuzz_seed_png_sprite)
FUZZ_DECLARE(fuzz_font, fuzz_seed_font)
FUZZ_DECLARE(fuzz_ogg_sound, fuzz_seed_ogg_sound)
FUZZ_DECLARE(fuzz_rng_state, fuzz_seed_rng_state)
FUZZ_DECLARE(fuzz_shuffle_bag, fuzz_seed_shuffle_bag)
FUZZ_DECLARE(fuzz_movement_path, fuzz_seed_movement_path)
FUZZ_DECLARE(fuzz_animation, fuzz_seed_animation)
FUZZ_DECLARE(fuzz_date, fuzz_seed_date)
FUZZ_DECLARE(fuzz_prefs, fuzz_seed_prefs)
FUZZ_DECLARE(fuzz_player_records, fuzz_seed_player_records)
FUZZ_DECLARE(fuzz_officer, fuzz_seed_officer)
FUZZ_DECLARE(fuzz_tech_table, fuzz_seed_tech_table)
FUZZ_DECLARE(fuzz_system_params, fuzz_seed_system_params)
FUZZ_DECLARE(fuzz_feature_params, fuzz_seed_feature_params)
FUZZ_DECLARE(fuzz_object_record, fuzz_seed_object_record)
FUZZ_DECLARE(fuzz_system_record, fuzz_seed_system_record)
FUZZ_DECLARE(fuzz_feature_record, fuzz_seed_feature_record)
FUZZ_DECLARE(fuzz_save_game, fuzz_seed_save_game)
FUZZ_DECLARE(fuzz_save_day, fuzz_seed_save_day)
#undef FUZZ_DECLARE

// The generic harnesses behind FUZZ_PARAMS and FUZZ_RECORD (harness_world.cpp). The first input
// byte picks the template.
void fuzz_params_family(int32_t kind, const char *dir, const uint8_t *data, size_t size);
void fuzz_seed_params_family(int32_t kind, const char *dir, std::vector<FuzzInput> *out);
void fuzz_kind_record(int32_t kind, const uint8_t *data, size_t size);
void fuzz_seed_kind_record(int32_t kind, std::vector<FuzzInput> *out);
