// Ship templates: the parameter file and the frames of the factory's load groups.
#include "world/ship.h"

#include <algorithm>
#include <new>
#include <vector>
#include "platform/buffer.h"
#include "platform/log.h"
#include "platform/sprite.h"
#include "platform/store.h"
#include "platform/str.h"
#include "world/factory.h"

namespace {

// The smallest crit record on the wire: x, y, mount type, direction, k = 0, four display words.
constexpr uint32_t CRIT_RECORD_MIN_BYTES = 9 * 4;
constexpr int32_t SHIP_PAIR_BYTES = 8;

std::string ship_frames_dir(int32_t index) { return str_format("ship/%.3i/png", index); }

// Reads an i32 into an int32_t field (the usual form of the parameter file's words).
struct Reader {
    Buffer *buf;
    Result  result = RES_OK;
    void i32(int32_t *out) {
        if (result == RES_OK) result = buffer_read_i32(buf, out);
    }
    void u32(uint32_t *out) {
        if (result == RES_OK) result = buffer_read_u32(buf, out);
    }
};

// n (x, y) pairs into two new tables; the bytes are checked before anything is allocated.
Result read_ship_pairs(Buffer *buf, int64_t n, ShipFrameTable *xs, ShipFrameTable *ys) {
    if (n < 1) return RES_MALFORMED;
    if (buffer_remaining(buf) < n * SHIP_PAIR_BYTES) return RES_SHORT_BUFFER;
    auto tx = std::make_shared<std::vector<int32_t>>(size_t(n));
    auto ty = std::make_shared<std::vector<int32_t>>(size_t(n));
    for (int64_t i = 0; i < n; ++i) {
        if (Result r = buffer_read_i32(buf, &(*tx)[size_t(i)]); r != RES_OK) return r;
        if (Result r = buffer_read_i32(buf, &(*ty)[size_t(i)]); r != RES_OK) return r;
    }
    *xs = std::move(tx);
    *ys = std::move(ty);
    return RES_OK;
}

Result read_crit(Ship *tmpl, int32_t i, Buffer *buf) {
    int32_t x = 0, y = 0, mount = 0, direction = 0, k = 0;
    Reader in{buf};
    in.i32(&x);
    in.i32(&y);
    in.i32(&mount);
    in.i32(&direction);
    if (in.result != RES_OK) return in.result;
    if (x < 0 || y < 0 || direction < 0 || direction > 3 || mount < MOUNT_SYSTEM || mount > MOUNT_ARMOUR)
        return RES_MALFORMED;
    ship_set_crit(tmpl, i, x, y, mount, direction);
    in.i32(&k);
    if (in.result != RES_OK) return in.result;
    if (k > 0) {
        if (buffer_remaining(buf) < int64_t(k) * SHIP_PAIR_BYTES) return RES_SHORT_BUFFER;
        std::vector<int32_t> xs(static_cast<size_t>(k)), ys(static_cast<size_t>(k));
        for (int32_t j = 0; j < k; ++j) {
            in.i32(&xs[size_t(j)]);
            in.i32(&ys[size_t(j)]);
        }
        if (in.result != RES_OK) return in.result;
        ship_set_crit_positions(tmpl, i, k, xs.data(), ys.data());
    } else {
        ship_set_crit_positions(tmpl, i, 0, nullptr, nullptr);
    }
    int32_t d[CRIT_DISPLAY_WORDS] = {};
    for (int32_t &w : d) in.i32(&w);
    if (in.result != RES_OK) return in.result;
    ship_set_crit_display_params(tmpl, i, d[0], d[1], d[2], d[3]);
    return RES_OK;
}

// The frames a group holds, in load order. The icon and design frames and the encounter's rotation
// frames also get their outline and angle maps.
void ship_template_frames(const Ship *t, int32_t group, std::vector<FactoryFrame> *out) {
    // At most one number past each end of the frames the template has (where the group fails): a
    // range changed by hand after the parameter check must not walk 2^31 numbers.
    auto range = [&](int32_t first, int32_t last, bool maps) {
        const int32_t from = std::max(first, -1), to = std::min(last, t->frame_count);
        for (int32_t f = from; f <= to; ++f)
            if (!ship_frame_is_special(t, f)) out->push_back({f, maps});
    };
    if (group == FACTORY_GROUP_FRAMES) {
        for (int32_t f = 0; f < t->frame_count; ++f)
            if (ship_frame_is_special(t, f)) out->push_back({f, f == t->icon_frame || f == t->design_frame});
    } else if (group == FACTORY_GROUP_ENCOUNTER) {
        range(t->rot_first, t->rot_last, true);
    } else if (group == FACTORY_GROUP_DETAIL) {
        range(t->offset_first, t->offset_last, false);
    }
}

void free_frame_sprites(Ship *t) {
    if (t->frame_sprites) {
        for (int32_t i = 0; i < t->frame_count; ++i)
            if (t->frame_sprites[i]) sprite_release(t->frame_sprites[i]);
    }
    delete[] t->frame_sprites;
    t->frame_sprites = nullptr;
}

// Every frame range of the parameter file names frames the template has; -1..-1 is no range, and
// any other negative or reversed range is malformed (a walk over it could take 2^32 steps).
Result check_frame_ranges(const Ship *t) {
    const int32_t ranges[][2] = {{t->rot_first, t->rot_last}, {t->alt_first, t->alt_last},
                                 {t->offset_first, t->offset_last}, {t->extra_first, t->extra_last}};
    for (const auto &r : ranges) {
        if (r[0] == -1 && r[1] == -1) continue;
        if (r[0] < 0 || r[1] < r[0] || r[1] >= t->frame_count) return RES_MALFORMED;
    }
    return RES_OK;
}

Result load_params_group(Ship *t) {
    const std::string path = str_format("ship/%.3i/dat/params.dat", t->subtype);
    Buffer *buf = nullptr;
    if (Result r = store_read_file(path.c_str(), 1, &buf); r != RES_OK) {
        log_write(LOG_RES, LOG_ERROR, "Ship %i - failed to read \"%s\", error %i", t->subtype, path.c_str(), int(r));
        return r;
    }
    const Result r = ship_read_params(t, buf);
    buffer_free(buf);
    if (r != RES_OK) {
        log_write(LOG_RES, LOG_ERROR, "Ship %i - bad parameter file \"%s\", error %i", t->subtype, path.c_str(), int(r));
        return r;
    }
    free_frame_sprites(t);
    const std::string dir = ship_frames_dir(t->subtype);
    if (Result sizes = factory_load_frame_sizes(t, dir.c_str()); sizes != RES_OK) return sizes;
    if (t->frame_count < 1 || !t->frames || !t->frame_w || !t->frame_h) return RES_READ_FAILED;
    if (Result r = check_frame_ranges(t); r != RES_OK) {
        log_write(LOG_RES, LOG_ERROR, "Ship %i - frame range beyond the %i frames in \"%s\"", t->subtype,
                  t->frame_count, path.c_str());
        return r;
    }
    t->frame_sprites = new (std::nothrow) Sprite *[size_t(t->frame_count)]();
    if (!t->frame_sprites) return RES_READ_FAILED;
    return RES_OK;
}

}  // namespace

Result ship_read_params(Ship *t, Buffer *buf) {
    Reader in{buf};
    in.u32(&t->hull_flags);
    for (int32_t *field : {&t->rot_first, &t->rot_last, &t->icon_frame, &t->design_frame, &t->frame_c, &t->frame_d,
                           &t->picture_frame, &t->alt_first, &t->alt_last, &t->offset_first, &t->offset_last,
                           &t->extra_first, &t->extra_last})
        in.i32(field);
    if (in.result != RES_OK) return in.result;

    int32_t present = 0;
    in.i32(&present);
    if (in.result != RES_OK) return in.result;
    t->offset_x.reset();
    t->offset_y.reset();
    if (present > 0) {
        const int64_t n = int64_t(t->offset_last) - t->offset_first + 1;
        if (Result r = read_ship_pairs(buf, n, &t->offset_x, &t->offset_y); r != RES_OK) return r;
    }
    in.i32(&present);
    if (in.result != RES_OK) return in.result;
    t->centre_x.reset();
    t->centre_y.reset();
    if (present > 0) {
        const int64_t n = int64_t(t->rot_last) - t->rot_first + 1;
        if (Result r = read_ship_pairs(buf, n, &t->centre_x, &t->centre_y); r != RES_OK) return r;
    }

    for (int32_t *field : {&t->base_max_armour, &t->base_max_crew, &t->speed, &t->base_mass, &t->capacity_max,
                           &t->roll_min, &t->roll_max, &t->base_scan_cost, &t->base_scan_range})
        in.i32(field);
    if (in.result != RES_OK) return in.result;
    if (Result r = buffer_read_string(buf, &t->name); r != RES_OK) return r;

    int32_t count = 0;
    if (Result r = buffer_read_count(buf, CRIT_RECORD_MIN_BYTES, &count); r != RES_OK) return r;
    ship_alloc_crits(t, count);
    if (t->crit_count != count) return RES_NO_MEMORY;
    for (int32_t i = 0; i < count; ++i)
        if (Result r = read_crit(t, i, buf); r != RES_OK) return r;

    for (int32_t *field : {&t->base_cost, &t->base_build_a, &t->base_build_b, &t->tmpl_a, &t->tmpl_b, &t->tmpl_c,
                           &t->death_duration})
        in.i32(field);
    return in.result;
}

int32_t ship_frame_is_special(const Ship *t, int32_t f) {
    if (f < 0 || f >= t->frame_count) return 0;
    if (f == t->icon_frame || f == t->design_frame || f == t->frame_c || f == t->frame_d || f == t->picture_frame)
        return 1;
    if (f >= t->alt_first && f <= t->alt_last) return 1;
    if (f >= t->extra_first && f <= t->extra_last) return 1;
    return 0;
}

Result ship_load_params(GameObject *obj) {
    Ship *t = ship_of(obj);
    if (!t) return RES_OUT_OF_RANGE;
    t->ship_flags |= SHIP_FLAG_TEMPLATE;
    return load_params_group(t);
}

void ship_group_frames(const GameObject *obj, int32_t group, std::vector<FactoryFrame> *out) {
    if (const Ship *t = ship_of(obj)) ship_template_frames(t, group, out);
}
