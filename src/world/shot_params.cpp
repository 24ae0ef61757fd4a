// Shot templates: the parameter file and the factory's load groups (0 parameters and frame sizes,
// 2 the frame sprites an encounter draws).
#include "world/shot.h"

#include <cstdlib>

#include <algorithm>
#include "platform/buffer.h"
#include "platform/log.h"
#include "platform/store.h"
#include "platform/str.h"
#include "platform/anim.h"
#include "world/factory.h"

namespace {

constexpr int64_t SHOT_PAIR_BYTES = 8;
constexpr int64_t ANIM_MIN_BYTES = 8;   // flags and an empty frame count

std::string shot_frames_dir(int32_t index) { return str_format("shot/%.3i/png", index); }

// An optional i32: left as it is (without an error) when fewer than four bytes remain.
void optional_i32(Buffer *buf, int32_t *field) {
    if (buffer_remaining(buf) >= 4) (void)buffer_read_i32(buf, field);
}

constexpr int32_t SHOT_FIGURE_MAX = 1 << 24;

Result read_tables(Shot *t, Buffer *buf) {
    int32_t n = 0;
    if (Result r = buffer_read_count(buf, uint32_t(SHOT_PAIR_BYTES), &n); r != RES_OK) return r;
    auto xs = std::make_shared<std::vector<int32_t>>(size_t(n));
    auto ys = std::make_shared<std::vector<int32_t>>(size_t(n));
    for (int32_t i = 0; i < n; ++i) {
        if (Result r = buffer_read_i32(buf, &(*xs)[size_t(i)]); r != RES_OK) return r;
        if (Result r = buffer_read_i32(buf, &(*ys)[size_t(i)]); r != RES_OK) return r;
        if (std::abs(int64_t((*xs)[size_t(i)])) > SHOT_FIGURE_MAX || std::abs(int64_t((*ys)[size_t(i)])) > SHOT_FIGURE_MAX)
            return RES_MALFORMED;
    }
    t->table_count = n;
    t->table_x = std::move(xs);
    t->table_y = std::move(ys);
    t->shot_flags |= SHOT_FLAG_TEMPLATE;
    return RES_OK;
}

Result read_animations(Shot *t, Buffer *buf) {
    int32_t n = 0;
    if (Result r = buffer_read_count(buf, uint32_t(ANIM_MIN_BYTES), &n); r != RES_OK) return r;
    if (n != t->animation_count) object_alloc_animations(t, n);
    if (t->animation_count != n) return RES_NO_MEMORY;
    Result result = RES_OK;
    for (int32_t i = 0; i < n; ++i) {
        Animation *anim = nullptr;
        result = anim_read(&anim, buf);
        if (result != RES_OK) return result;
        anim_free(t->animations[i]);   // what the slot held before
        t->animations[i] = anim;
    }
    return result;
}

Result load_shot_params(Shot *t) {
    const std::string path = str_format("shot/%.3i/dat/params.dat", t->subtype);
    Buffer *buf = nullptr;
    if (Result r = store_read_file(path.c_str(), 1, &buf); r != RES_OK) {
        log_write(LOG_RES, LOG_ERROR, "Shot %i - failed to read \"%s\", error %i", t->subtype, path.c_str(), int(r));
        return r;
    }
    const Result r = shot_read_params(t, buf);
    buffer_free(buf);
    if (r != RES_OK) {
        log_write(LOG_RES, LOG_ERROR, "Shot %i - bad parameter file \"%s\", error %i", t->subtype, path.c_str(), int(r));
        return r;
    }
    return factory_load_frame_sizes(t, shot_frames_dir(t->subtype).c_str());
}

}  // namespace

constexpr int32_t SHOT_DIRECTIONS_MAX = 360;

int64_t shot_trail_entries_needed(uint32_t type_flags, int32_t dir_count, int32_t trail_max) {
    if (!(type_flags & SHOT_TYPE_SEGMENTED) || trail_max < 2) return 0;
    const int64_t longest = std::min(trail_max, SHOT_TRAIL_SHOWN_MAX);
    // Rows for 2..longest rounds: by direction with direction animations, else row n - 1.
    const int64_t rows = (type_flags & SHOT_TYPE_DIRECTIONS) ? (longest - 1) * std::max(dir_count, 1) : longest;
    return rows * trail_max;
}

Result shot_read_params(Shot *t, Buffer *buf) {
    if (Result r = buffer_read_u32(buf, &t->shot_type_flags); r != RES_OK) return r;
    for (int32_t *field : {&t->speed, &t->initiative_rate, &t->damage_min, &t->damage_max, &t->dir_count,
                           &t->picture_index, &t->first_anim, &t->tmpl_word_b, &t->leg_length, &t->max_hit_points,
                           &t->trail_max})
        optional_i32(buf, field);
    // Every figure of a shot is a pixel, a percentage, a count or a damage well inside 2^24; a larger
    // one is a corrupt file, refused before the arithmetic of flight and damage can overflow on it.
    for (int32_t v : {t->speed, t->initiative_rate, t->damage_min, t->damage_max, t->dir_count, t->picture_index,
                      t->first_anim, t->tmpl_word_b, t->leg_length, t->max_hit_points, t->trail_max}) {
        if (v > SHOT_FIGURE_MAX || v < -SHOT_FIGURE_MAX) {
            log_write(LOG_RES, LOG_ERROR, "Shot %i - figure %i out of range", t->subtype, v);
            return RES_MALFORMED;
        }
    }
    std::string name;
    if (buffer_read_string(buf, &name) == RES_OK) t->name = name;
    (void)buffer_read_string(buf, &t->label_a);
    (void)buffer_read_string(buf, &t->label_b);
    if (Result r = read_tables(t, buf); r != RES_OK) return r;
    const int64_t needed = shot_trail_entries_needed(t->shot_type_flags, t->dir_count, t->trail_max);
    if ((t->shot_type_flags & SHOT_TYPE_SEGMENTED) && (t->shot_type_flags & SHOT_TYPE_DIRECTIONS) && t->dir_count < 1)
        return RES_MALFORMED;
    // A heading has 360 degrees: finer directions than one a degree can never be shown.
    if (t->dir_count > SHOT_DIRECTIONS_MAX) {
        log_write(LOG_RES, LOG_ERROR, "Shot %i - %i directions, at most %i", t->subtype, t->dir_count,
                  SHOT_DIRECTIONS_MAX);
        return RES_MALFORMED;
    }
    if (t->table_count < needed) {
        log_write(LOG_RES, LOG_ERROR, "Shot %i - trail tables hold %i entries, the trail reaches %lli", t->subtype,
                  t->table_count, (long long)needed);
        return RES_MALFORMED;
    }
    const Result anims = read_animations(t, buf);
    if (anims != RES_OK) return anims;
    optional_i32(buf, &t->shot_evasion);
    return anims;
}

Result shot_load_params(GameObject *obj) {
    Shot *t = shot_of(obj);
    if (!t) return RES_OUT_OF_RANGE;
    t->shot_flags |= SHOT_FLAG_TEMPLATE;
    return load_shot_params(t);
}

// A shot's frames are all loaded for the encounter and for nothing else.
void shot_group_frames(const GameObject *obj, int32_t group, std::vector<FactoryFrame> *out) {
    if (group != FACTORY_GROUP_ENCOUNTER) return;
    for (int32_t frame = 0; frame < obj->frame_count; ++frame) out->push_back({frame, false});
}
