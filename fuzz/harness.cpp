// The target table, input parts, private archives and the set-ups every harness shares.
#include "harness_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>
#include <sys/stat.h>
#include "game/game.h"
#include "game/tech.h"
#include "platform/font.h"
#include "platform/sound.h"
#include "platform/random.h"
#include "platform/store.h"
#include "platform/store_format.h"
#include "platform/store_write.h"
#include "systems/system.h"
#include "world/factory.h"
#include "world/world_hooks.h"

#ifndef ASTROVANE_FUZZ_SEED_DIR
#define ASTROVANE_FUZZ_SEED_DIR "fuzz/seeds"
#endif
#ifndef ASTROVANE_FUZZ_STORE
#define ASTROVANE_FUZZ_STORE "store.dat"
#endif

namespace {

// The generic families of targets.def.
template <int32_t Kind>
struct KindTargets {
    template <const char *Dir>
    static void params(const uint8_t *data, size_t size) { fuzz_params_family(Kind, Dir, data, size); }
    template <const char *Dir>
    static void params_seeds(std::vector<FuzzInput> *out) { fuzz_seed_params_family(Kind, Dir, out); }
    static void record(const uint8_t *data, size_t size) { fuzz_kind_record(Kind, data, size); }
    static void record_seeds(std::vector<FuzzInput> *out) { fuzz_seed_kind_record(Kind, out); }
};

#define FUZZ_TARGET(name, setup, run, seeds)
#define FUZZ_RECORD(name, kind)
#define FUZZ_PARAMS(name, kind, dir) constexpr char name##_dir[] = dir;
#include "targets.def"
#undef FUZZ_TARGET
#undef FUZZ_RECORD
#undef FUZZ_PARAMS

std::vector<FuzzTarget> make_targets() {
    return {
#define FUZZ_TARGET(name, setup, run, seeds) FuzzTarget{#name, setup, run, seeds},
#define FUZZ_RECORD(name, kind)                                                                          \
    FuzzTarget{#name, fuzz_setup_templates, KindTargets<kind>::record, KindTargets<kind>::record_seeds},
#define FUZZ_PARAMS(name, kind, dir)                                                                    \
    FuzzTarget{#name, fuzz_setup_templates, KindTargets<kind>::params<name##_dir>,                      \
               KindTargets<kind>::params_seeds<name##_dir>},
#include "targets.def"
#undef FUZZ_TARGET
#undef FUZZ_RECORD
#undef FUZZ_PARAMS
    };
}

std::string g_archive;   // the private archive, when one was made

}  // namespace

const std::vector<FuzzTarget> &fuzz_targets() {
    static const std::vector<FuzzTarget> targets = make_targets();
    return targets;
}

const FuzzTarget *fuzz_find_target(const std::string &name) {
    for (const FuzzTarget &t : fuzz_targets())
        if (name == t.name) return &t;
    return nullptr;
}

namespace {

const FuzzTarget *g_prepared = nullptr;   // the target whose set-up ran last

// What the set-ups made, freed at exit before the leak check looks (it runs last of the exit
// handlers): only what an input leaves behind is a leak.
void fuzz_teardown() {
    fuzz_release();
    std::error_code ignored;
    std::filesystem::remove_all(fuzz_scratch_dir(), ignored);
}

}  // namespace

void fuzz_release() {
    factory_free();
    system_types_free();
    tech_free_all();
    fonts_free_all();
    sound_shutdown();
    game_destroy();
    store_shutdown();
    g_prepared = nullptr;
}

void fuzz_prepare(const FuzzTarget *target) {
    static bool registered = false;
    if (!target || g_prepared == target) return;
    g_prepared = target;
    if (target->setup) target->setup();
    // After the set-up: the exit handlers run in reverse, so the teardown comes before the
    // destructors of whatever the set-up made first.
    if (!registered) {
        registered = true;
        std::atexit(fuzz_teardown);
    }
}

const char *fuzz_store_path() {
    const char *env = std::getenv("ASTROVANE_STORE");
    return env && *env ? env : ASTROVANE_FUZZ_STORE;
}

// ---- parts --------------------------------------------------------------------------------------

std::vector<FuzzInput> fuzz_split_parts(const uint8_t *data, size_t size, size_t max_parts) {
    std::vector<FuzzInput> parts(1);
    const size_t marker = sizeof FUZZ_PART_MARKER - 1;
    size_t i = 0;
    while (i < size) {
        if (parts.size() < max_parts && size - i >= marker && std::memcmp(data + i, FUZZ_PART_MARKER, marker) == 0) {
            parts.emplace_back();
            i += marker;
            continue;
        }
        parts.back().push_back(data[i++]);
    }
    return parts;
}

FuzzInput fuzz_join_parts(const std::vector<FuzzInput> &parts) {
    FuzzInput out;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) out.insert(out.end(), FUZZ_PART_MARKER, FUZZ_PART_MARKER + sizeof FUZZ_PART_MARKER - 1);
        out.insert(out.end(), parts[i].begin(), parts[i].end());
    }
    return out;
}

// ---- archives -----------------------------------------------------------------------------------

const std::string &fuzz_scratch_dir() {
    // Never destroyed: the exit teardown removes the folder.
    static const std::string &dir = *new std::string([] {
        struct stat st;
        const char *base = ::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) ? "/dev/shm" : "/tmp";
        std::string d = std::string(base) + "/astrovane-fuzz-" + std::to_string(::getpid());
        ::mkdir(d.c_str(), 0700);
        return d;
    }());
    return dir;
}

void fuzz_use_archive(const FuzzFiles &files) {
    std::vector<StoreWriteEntry> entries;
    entries.reserve(files.size());
    for (const auto &[path, body] : files) {
        StoreWriteEntry e;
        e.key = store_asset_key(path.c_str());
        e.body = body;
        entries.push_back(std::move(e));
    }
    g_archive = fuzz_scratch_dir() + "/store.dat";
    std::string error;
    if (store_write(g_archive.c_str(), STORE_BUILD_ID, entries, &error) != RES_OK) {
        std::fprintf(stderr, "fuzz: cannot write %s: %s\n", g_archive.c_str(), error.c_str());
        std::abort();
    }
    store_shutdown();
    store_set_path(g_archive.c_str());
}

void fuzz_use_archive_bytes(const uint8_t *data, size_t size) {
    g_archive = fuzz_scratch_dir() + "/raw.dat";
    FILE *f = std::fopen(g_archive.c_str(), "wb");
    if (!f || (size && std::fwrite(data, 1, size, f) != size)) std::abort();
    std::fclose(f);
    store_shutdown();
    store_set_path(g_archive.c_str());
}

FuzzInput fuzz_archive_file() {
    FuzzInput out;
    FILE *f = std::fopen(g_archive.c_str(), "rb");
    if (!f) return out;
    uint8_t chunk[65536];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) out.insert(out.end(), chunk, chunk + n);
    std::fclose(f);
    return out;
}

void fuzz_use_generated_store() {
    store_shutdown();
    store_set_path(fuzz_store_path());
}

FuzzInput fuzz_store_file(const std::string &asset_path) {
    Buffer *buf = nullptr;
    FuzzInput out;
    if (store_read_file(asset_path.c_str(), 1, &buf) == RES_OK) out.assign(buf->data, buf->data + buf->length);
    buffer_free(buf);
    return out;
}

void fuzz_fill(Buffer *buf, const uint8_t *data, size_t size) {
    buffer_clear(buf);
    buffer_set_cursor(buf, 0);
    if (size && buffer_append(buf, data, size) != RES_OK) std::abort();
}

FuzzInput fuzz_bytes_of(const Buffer &buf) { return FuzzInput(buf.data, buf.data + buf.length); }

void fuzz_seed_files(const char *target, std::vector<FuzzInput> *out) {
    namespace fs = std::filesystem;
    std::error_code error;
    std::vector<fs::path> files;
    for (const fs::directory_entry &entry : fs::directory_iterator(fs::path(ASTROVANE_FUZZ_SEED_DIR) / target, error))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const fs::path &file : files) {
        Buffer *buf = nullptr;
        if (store_read_file(file.c_str(), 0, &buf) == RES_OK) out->push_back(fuzz_bytes_of(*buf));
        buffer_free(buf);
    }
}

// ---- set-ups ------------------------------------------------------------------------------------

void fuzz_setup_platform() {
    fuzz_use_generated_store();
    if (store_open() != RES_OK) {
        std::fprintf(stderr, "fuzz: the generated store %s does not open (build it first)\n", fuzz_store_path());
        std::abort();
    }
    random_seed(1);
    if (!game_get()) std::abort();
}

void fuzz_setup_game() {
    fuzz_setup_platform();
    Game *game = game_get();
    for (int i = 0; i < GAME_GENERATOR_COUNT; ++i) rng_seed(game->generators[i], 100u + uint32_t(i));
}

void fuzz_setup_save_folder() {
    fuzz_setup_game();
    const std::string root = fuzz_scratch_dir() + "/data";
    ::mkdir(root.c_str(), 0700);
    ::setenv("XDG_DATA_HOME", root.c_str(), 1);
}

void fuzz_setup_templates() {
    fuzz_setup_game();
    world_set_hooks(WorldHooks{});
    if (system_types_load() != RES_OK || factory_init() != RES_OK) std::abort();
    factory_acquire_group_all(FACTORY_GROUP_PARAMS);
    if (factory_resolve_load_groups() != RES_OK) std::abort();
}
