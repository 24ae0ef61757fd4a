// Harnesses of the platform's readers: the archive, pictures, fonts, sounds, the saved generator
// and shuffle bag, movement paths, animations and dates.
#include "harness_support.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>
#include "game/game.h"
#include "game/officer.h"
#include "platform/anim.h"
#include "platform/calendar.h"
#include "platform/files.h"
#include "platform/font.h"
#include "platform/movement_path.h"
#include "platform/random.h"
#include "platform/sound.h"
#include "platform/sprite.h"
#include "platform/store.h"

namespace {

// Reads the next i32 of the tail bytes (big-endian, zero-filled past the end).
struct Tail {
    const uint8_t *data;
    size_t size;
    size_t at = 0;
    bool more() const { return at < size; }
    uint8_t u8() { return at < size ? data[at++] : 0; }
    int32_t i32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = v << 8 | u8();
        return int32_t(v);
    }
};

Tail tail_of(const Buffer &buf) {
    const int64_t left = std::max<int64_t>(0, buffer_remaining(&buf));
    return Tail{buf.data ? buf.data + buf.cursor : nullptr, size_t(left)};
}

// The smallest sound the generated store holds: a quick seed for every Ogg reader.
FuzzInput smallest_sound() {
    FuzzInput best;
    for (int id = 0; id < SOUND_COUNT; ++id) {
        char path[32];
        std::snprintf(path, sizeof path, "sound/%.3i.ogg", id);
        FuzzInput bytes = fuzz_store_file(path);
        if (!bytes.empty() && (best.empty() || bytes.size() < best.size())) best = std::move(bytes);
    }
    return best;
}

FuzzInput text(const char *s) { return FuzzInput(s, s + std::strlen(s)); }

constexpr const char *ARCHIVE_TEXTS[] = {"fuzz/000.txt", "fuzz/001.txt", "fuzz/002.txt"};
constexpr const char *ARCHIVE_PICTURE = "fuzz/000.png";
constexpr int ARCHIVE_SOUND = 4;   // "sound/004.ogg"

}  // namespace

// ---- the archive ------------------------------------------------------------------------------------

void fuzz_archive(const uint8_t *data, size_t size) {
    if (!sound_get()) (void)sound_init();   // a manager without a device: loading only
    fuzz_use_archive_bytes(data, size);
    if (store_open() == RES_OK) {
        for (const char *path : ARCHIVE_TEXTS) {
            Buffer *buf = nullptr;
            if (store_read_file(path, 1, &buf) == RES_OK) buffer_free(buf);
            std::string field;
            (void)store_read_text(path, &field);   // each failure is a result, nothing more
            int32_t value = 0, count = 0;
            (void)store_read_int(path, &value);
            std::vector<int32_t> values;
            (void)store_read_int_lines(path, &count, &values);
        }
        if (Sprite *sprite = sprite_load_png(ARCHIVE_PICTURE)) sprite_free(sprite);
        if (sound_load_id(ARCHIVE_SOUND) == RES_OK) sound_release_id(sound_get(), ARCHIVE_SOUND);
    }
    fuzz_use_generated_store();
}

void fuzz_seed_archive(std::vector<FuzzInput> *out) {
    const FuzzInput picture = fuzz_store_file("font/000/png/065.png");
    const FuzzInput sound = smallest_sound();
    for (int variant = 0; variant < 3; ++variant) {
        FuzzFiles files = {{ARCHIVE_TEXTS[0], text("42\n-7\n9")}, {ARCHIVE_TEXTS[1], text("")}};
        if (variant >= 1) files.push_back({ARCHIVE_PICTURE, picture});
        if (variant >= 2) files.push_back({"sound/004.ogg", sound});
        fuzz_use_archive(files);
        out->push_back(fuzz_archive_file());
    }
    fuzz_use_generated_store();
}

// ---- pictures ------------------------------------------------------------------------------------

void fuzz_png_sprite(const uint8_t *data, size_t size) {
    if (size == 0) return;
    std::vector<uint8_t> bytes(data, data + size);   // fmemopen wants writable memory
    FILE *stream = fmemopen(bytes.data(), bytes.size(), "rb");
    if (!stream) return;
    int w = 0, h = 0;
    const Result checked = sprite_check_png_stream("fuzz.png", stream, &w, &h);
    std::rewind(stream);
    Sprite *sprite = sprite_load_png_stream("fuzz.png", stream);
    std::fclose(stream);
    if (!sprite) return;
    if (checked != RES_OK || w != sprite->width || h != sprite->height) __builtin_trap();   // the two readers disagree
    sprite_build_outline_map(sprite);
    sprite_build_angle_map(sprite);
    const uint8_t levels[4] = {3, 7, 11, 15};
    int left = 0, top = 0, right = 0, bottom = 0;
    sprite_outline_extent(sprite, levels, &left, &top, &right, &bottom);
    int x = 0, y = 0;
    (void)mask_random_opaque_pixel(sprite, 8, &x, &y);
    (void)mask_overlap(sprite, sprite, w / 2, h / 3, &x, &y);
    if (Sprite *copy = sprite_copy(sprite)) sprite_free(copy);
    sprite_free(sprite);
}

void fuzz_seed_png_sprite(std::vector<FuzzInput> *out) {
    for (const char *path : {"font/000/png/065.png", "cursor/000/png/000.png", "ship/002/png/000.png",
                             "site/000/png/000.png"}) {
        FuzzInput bytes = fuzz_store_file(path);
        if (!bytes.empty()) out->push_back(std::move(bytes));
    }
}

// ---- fonts ---------------------------------------------------------------------------------------

namespace {
// The parts of a font input, in order: glyph 'A', glyph ' ', then the texts of 'A''s left and
// right kerning, "space_w" and "char_spacing".
constexpr const char *FONT_FILES[] = {"font/000/png/065.png",        "font/000/png/032.png",
                                      "font/000/dat/left_kern_w_065", "font/000/dat/right_kern_w_065",
                                      "font/000/dat/space_w",         "font/000/dat/char_spacing"};
constexpr size_t FONT_PARTS = sizeof FONT_FILES / sizeof FONT_FILES[0];
}  // namespace

void fuzz_font(const uint8_t *data, size_t size) {
    const std::vector<FuzzInput> parts = fuzz_split_parts(data, size, FONT_PARTS);
    FuzzFiles files;
    for (size_t i = 0; i < parts.size(); ++i) files.push_back({FONT_FILES[i], parts[i]});
    fuzz_use_archive(files);
    if (font_get(0)) {
        for (const char *line : {"A", "A A", "AAAAAAAA", " ", "AxA"}) {
            (void)font_text_width(0, line);
            (void)font_text_width_n(0, line, 3);
        }
        (void)font_line_height(0);
        (void)font_space_advance(0);
    }
    fonts_free_all();
    fuzz_use_generated_store();
}

void fuzz_seed_font(std::vector<FuzzInput> *out) {
    std::vector<FuzzInput> parts;
    for (const char *path : FONT_FILES) parts.push_back(fuzz_store_file(path));
    out->push_back(fuzz_join_parts(parts));
    parts[2] = text("-3\n");
    parts[4] = text("99999999999\n");
    out->push_back(fuzz_join_parts(parts));
}

// ---- sounds --------------------------------------------------------------------------------------

void fuzz_ogg_sound(const uint8_t *data, size_t size) {
    Sound *sound = nullptr;
    if (sound_create(0, FuzzInput(data, data + size), &sound) != RES_OK) return;
    // Decode the start, seek into the middle and back, as the manager thread's passes do.
    static char pcm[4096];
    long decoded = 0;
    int section = 0;
    for (int i = 0; i < 64 && decoded < 256 * 1024; ++i) {
        const long n = ov_read(sound->decoder, pcm, sizeof pcm, 0, 2, 1, &section);
        if (n < 1) break;
        decoded += n;
    }
    const ogg_int64_t total = ov_pcm_total(sound->decoder, -1);
    if (total > 0 && ov_pcm_seek(sound->decoder, total / 2) == 0) (void)ov_read(sound->decoder, pcm, sizeof pcm, 0, 2, 1, &section);
    if (ov_pcm_seek(sound->decoder, 0) == 0) (void)ov_read(sound->decoder, pcm, sizeof pcm, 0, 2, 1, &section);
    (void)ov_pcm_tell(sound->decoder);
    sound_release(sound);
}

void fuzz_seed_ogg_sound(std::vector<FuzzInput> *out) { out->push_back(smallest_sound()); }

// ---- the saved generator ---------------------------------------------------------------------------

void fuzz_rng_state(const uint8_t *data, size_t size) {
    Buffer buf;
    fuzz_fill(&buf, data, size);
    Rng *rng = nullptr;
    if (rng_read(&rng, &buf) != RES_OK) return;
    // What a loaded game does with it first: officer training waits for two different draws.
    Game *game = game_get();
    Rng *kept = game->generators[1];
    game->generators[1] = rng;
    Officer *officer = officer_create();
    officer_retain(officer);
    officer_train(officer);
    officer_release(officer);
    game->generators[1] = kept;
    int32_t weights[RNG_WEIGHT_COUNT];
    for (int i = 0; i < RNG_WEIGHT_COUNT; ++i) weights[i] = i % 3;
    for (int i = 0; i < 700; ++i) {
        (void)rng_range(rng, -5, 1000);
        (void)rng_weighted_index(rng, weights, 30);
    }
    rng_free(rng);
}

void fuzz_seed_rng_state(std::vector<FuzzInput> *out) {
    for (uint32_t seed : {1u, 0xDEADBEEFu}) {
        Rng rng{};
        rng_seed(&rng, seed);
        for (uint32_t i = 0; i < seed % 1000; ++i) (void)rng_next(&rng);
        Buffer buf;
        if (rng_write(&rng, &buf) == RES_OK) out->push_back(fuzz_bytes_of(buf));
    }
}

// ---- the shuffle bag -------------------------------------------------------------------------------

void fuzz_shuffle_bag(const uint8_t *data, size_t size) {
    if (size == 0) return;
    // The owner refills the items before reading the dealing state; their count need not match it.
    static char items[64] = {};
    ShuffleBag<char> *bag = shuffle_create<char>();
    const int count = data[0] % 48;
    for (int i = 0; i < count; ++i) list_append(&bag->items, &items[i]);
    Buffer buf;
    fuzz_fill(&buf, data + 1, size - 1);
    if (shuffle_read(bag, &buf) == RES_OK) {
        for (int i = 0; i < 2 * count + 5; ++i) (void)shuffle_next(bag);
        if (count > 0) shuffle_remove_item(bag, &items[0]);
        (void)shuffle_next(bag);
        Buffer again;
        (void)shuffle_write(bag, &again);
    }
    shuffle_free(bag);
}

void fuzz_seed_shuffle_bag(std::vector<FuzzInput> *out) {
    for (int count : {0, 5, 30}) {
        ShuffleState state;
        shuffle_state_reset(&state, count);
        for (int i = 0; i < count / 2; ++i) (void)shuffle_state_deal(&state, count);
        Buffer buf;
        (void)buffer_write_u8(&buf, uint8_t(count));
        if (shuffle_write(&state, &buf) == RES_OK) out->push_back(fuzz_bytes_of(buf));
    }
}

// ---- movement paths --------------------------------------------------------------------------------

void fuzz_movement_path(const uint8_t *data, size_t size) {
    Buffer buf;
    fuzz_fill(&buf, data, size);
    MovementPath *path = nullptr;
    if (movement_path_read(&path, &buf) != RES_OK) return;
    // The tail drives the owner: each byte a step (odd) or a creep of up to 64 pixels (even), over
    // an elapsed time the way the game passes one: a frame's worth of the clock, 0..1023 units (a
    // creep takes up to that many sub-steps: the time is never read from a file).
    Tail tail = tail_of(buf);
    for (int i = 0; i < 32 && tail.more(); ++i) {
        const uint8_t op = tail.u8();
        const int32_t dt = (int32_t(tail.u8()) << 8 | tail.u8()) & 1023;
        if (op & 1) {
            movement_path_step(path, dt);
        } else {
            movement_path_advance(path, dt);
            for (int k = 0; k < 64 && movement_path_next_pixel(path); ++k) {}
        }
        if (movement_path_arrived(path)) break;
    }
    Buffer again;
    (void)movement_path_write(path, &again);
    movement_path_free(path);
}

void fuzz_seed_movement_path(std::vector<FuzzInput> *out) {
    for (bool power : {false, true}) {
        MovementPath path;
        movement_path_start(&path, 10, 20, 400, -30, 12);
        if (power) movement_path_set_power(&path, 2.5f);
        movement_path_step(&path, 3);
        Buffer buf;
        (void)movement_path_write(&path, &buf);
        for (uint8_t op : {1, 0, 0, 1}) {
            (void)buffer_write_u8(&buf, op);
            (void)buffer_write_u8(&buf, 0);
            (void)buffer_write_u8(&buf, 2);
        }
        out->push_back(fuzz_bytes_of(buf));
    }
}

// ---- animations ------------------------------------------------------------------------------------

void fuzz_animation(const uint8_t *data, size_t size) {
    Buffer buf;
    fuzz_fill(&buf, data, size);
    Animation *anim = nullptr;
    if (anim_read(&anim, &buf) != RES_OK) return;
    (void)anim_sum_durations(anim);
    // The tail: loops, speed, then the elapsed time of each update.
    Tail tail = tail_of(buf);
    AnimPlayer player;
    anim_player_start(&player, anim, tail.i32());
    player.speed = tail.i32();
    for (int i = 0; i < 16 && tail.more(); ++i) {
        anim_player_update(&player, tail.i32());
        if (i == 7) anim_player_seek(&player, tail.i32());
    }
    anim_player_start(&player, anim, -1);   // a restart that may keep the frame
    anim_player_update(&player, 1);
    anim_free(anim);
}

void fuzz_seed_animation(std::vector<FuzzInput> *out) {
    Buffer buf;
    for (uint32_t w : {0u, 3u, 0u, 100u, 1u, 50u, 2u, 250u}) (void)buffer_write_u32(&buf, w);
    for (int32_t w : {-1, 100, 16, 40, 160, 3, 0, 1000}) (void)buffer_write_i32(&buf, w);
    out->push_back(fuzz_bytes_of(buf));
}

// ---- dates -------------------------------------------------------------------------------------------

void fuzz_date(const uint8_t *data, size_t size) {
    Buffer buf;
    fuzz_fill(&buf, data, size);
    Date *date = nullptr;
    if (date_read(&date, &buf) != RES_OK) return;
    std::string text;
    date_format_into(date, &text);
    date_format_time(date, &text);
    Date copy;
    date_copy(&copy, date);
    minutes_from_date(&copy);
    date_from_minutes(&copy);
    (void)date_same_day(date, &copy);
    (void)date_minutes_between(date, &copy);
    date_set(&copy, date->year, date->month, date->day);
    Buffer again;
    (void)date_write(date, &again);
    date_free(date);
}

void fuzz_seed_date(std::vector<FuzzInput> *out) {
    for (uint64_t minutes : {0ull, 1440ull * 400 + 75, 0xFFFFFFFFFFFFFFFFull}) {
        Buffer buf;
        (void)buffer_write_u64(&buf, minutes);
        out->push_back(fuzz_bytes_of(buf));
    }
}
