// Site features: the seven templates, the feature record and its save form, placement and
// gathering, the ARK defenders, and the surface grid of a body.
#include "world/site_feature.h"

#include <algorithm>
#include <mutex>
#include "platform/buffer.h"
#include "platform/log.h"
#include "platform/saturate.h"
#include "platform/store.h"
#include "world/site.h"

namespace {

struct FeatureTable {
    std::mutex  lock;
    bool        loaded = false;
    SiteFeature templates[FEATURE_TEMPLATE_COUNT];
};

FeatureTable &table() {
    static FeatureTable t;
    return t;
}

Result read_record(Buffer *buf, SiteFeature *f) {
    uint32_t kind = 0, doubles = 0;
    Result r = buffer_read_u32(buf, &kind);
    if (r == RES_OK) r = buffer_read_u32(buf, &doubles);
    f->kind = int32_t(kind);
    f->doubles_resources = int32_t(doubles);
    for (int32_t *v : {&f->spare_value, &f->bag_count, &f->site_mask, &f->bonus_min, &f->bonus_max})
        if (r == RES_OK) r = buffer_read_i32(buf, v);
    for (int32_t level = 0; r == RES_OK && level < FEATURE_LEVEL_COUNT; ++level) {
        for (int32_t *v : {&f->defence_kind_by_level[level], &f->defenders_min_by_level[level],
                           &f->defenders_max_by_level[level]})
            if (r == RES_OK) r = buffer_read_i32(buf, v);
    }
    return r;
}

}  // namespace

// ---- Templates ----

Result feature_read_params(Buffer *buf, SiteFeature out[FEATURE_TEMPLATE_COUNT]) {
    SiteFeature read[FEATURE_TEMPLATE_COUNT];
    for (SiteFeature &f : read)
        if (Result r = read_record(buf, &f); r != RES_OK) return r;
    for (int32_t i = 0; i < FEATURE_TEMPLATE_COUNT; ++i) out[i] = read[i];
    return RES_OK;
}

Result feature_params_load() {
    FeatureTable &t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    if (t.loaded) return RES_OK;
    Buffer *file = nullptr;
    Result r = store_read_file(FEATURE_PARAMS_PATH, 1, &file);
    if (r == RES_OK) {
        r = feature_read_params(file, t.templates);
        buffer_free(file);
    }
    if (r != RES_OK) {
        log_write(LOG_RES, LOG_ERROR, "Site features - params load \"%s\" failed with rval %i", FEATURE_PARAMS_PATH,
                  int(r));
        return r;
    }
    t.loaded = true;
    return RES_OK;
}

void feature_templates_free() {
    FeatureTable &t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    for (SiteFeature &f : t.templates) f = SiteFeature{};
    t.loaded = false;
}

const SiteFeature *feature_template(int32_t kind) {
    FeatureTable &t = table();
    if (!t.loaded || kind < 0 || kind >= FEATURE_TEMPLATE_COUNT) return nullptr;
    return &t.templates[kind];
}

// ---- Record ----

Result feature_write(const SiteFeature *f, Buffer *buf) {
    Result r = buffer_write_u32(buf, uint32_t(f->kind));
    if (r == RES_OK) r = buffer_write_u32(buf, uint32_t(f->doubles_resources));
    if (r == RES_OK) r = buffer_write_u32(buf, uint32_t(f->spare_value));
    if (r == RES_OK) r = buffer_write_i32(buf, f->site_mask);
    for (int32_t v : {f->grid_x, f->grid_y, f->bonus, f->defence_kind, f->defenders, f->defenders_lost, f->weapon_a,
                      f->weapon_b})
        if (r == RES_OK) r = buffer_write_u32(buf, uint32_t(v));
    if (r == RES_OK) r = buffer_write_u32(buf, f->seed);
    if (r == RES_OK) r = buffer_write_u64(buf, f->owner_id);
    return r;
}

Result feature_read(SiteFeature *f, Buffer *buf) {
    SiteFeature read;
    uint32_t words[3] = {};
    Result r = RES_OK;
    for (uint32_t &w : words)
        if (r == RES_OK) r = buffer_read_u32(buf, &w);
    read.kind = int32_t(words[0]);
    read.doubles_resources = int32_t(words[1]);
    read.spare_value = int32_t(words[2]);
    if (r == RES_OK) r = buffer_read_i32(buf, &read.site_mask);
    for (int32_t *v : {&read.grid_x, &read.grid_y, &read.bonus, &read.defence_kind, &read.defenders,
                       &read.defenders_lost, &read.weapon_a, &read.weapon_b})
        if (r == RES_OK) r = buffer_read_i32(buf, v);
    if (r == RES_OK) r = buffer_read_u32(buf, &read.seed);
    if (r == RES_OK) r = buffer_read_u64(buf, &read.owner_id);
    if (r == RES_OK) *f = read;
    return r;
}

void site_free_feature(Site *site) {
    delete site->feature;
    site->feature = nullptr;
}

// ---- Queries ----

void site_get_frame_extent(const Site *site, int32_t *out_w, int32_t *out_h) {
    int32_t w = 0, h = 0;
    const SiteParams &p = site->params;
    // Only the entries that name frames the site has: the count comes from the parameter file.
    const int64_t first = p.frame_range_first;
    const int64_t from = std::max<int64_t>(0, -first);
    const int64_t to = std::min<int64_t>(p.frame_range_count, int64_t(site->frame_count) - first);
    for (int64_t i = from; i < to && site->frame_w && site->frame_h; ++i) {
        const int32_t frame = int32_t(first + i);
        int64_t fw = site->frame_w[frame], fh = site->frame_h[frame];
        if (p.range_offset_x && p.range_offset_y) {
            fw += p.range_offset_x[i];
            fh += p.range_offset_y[i];
        }
        w = std::max(w, saturate_i32(fw));
        h = std::max(h, saturate_i32(fh));
    }
    if (out_w) *out_w = w;
    if (out_h) *out_h = h;
}
