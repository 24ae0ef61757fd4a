// Harnesses of the world's files: the parameter-file families of the object kinds, of the system
// types and of the site features, and the save records of objects, systems and features.
#include "harness_support.h"

#include <cstdio>
#include "platform/sprite.h"
#include "platform/str.h"
#include "systems/system.h"
#include "world/factory.h"
#include "world/object.h"
#include "world/object_methods.h"
#include "world/ship.h"
#include "world/site.h"
#include "world/site_feature.h"

namespace {

// The picture every frame of a fuzzed template shows: 2 x 2, one pixel transparent.
const FuzzInput &tiny_frame() {
    static const FuzzInput png = [] {
        // The smallest picture of the generated store stands in for every frame.
        FuzzInput bytes = fuzz_store_file("font/000/png/046.png");
        return bytes.empty() ? fuzz_store_file("font/000/png/065.png") : bytes;
    }();
    return png;
}

int32_t template_count(int32_t kind) {
    const Factory *f = factory_get(kind);
    return f ? f->template_count : 0;
}

// The template an input's first byte picks, or -1 when the kind has none.
int32_t pick_template(int32_t kind, const uint8_t *data, size_t size) {
    const int32_t count = template_count(kind);
    return size > 0 && count > 0 ? int32_t(data[0] % count) : -1;
}

}  // namespace

// ---- object kinds' parameter families -------------------------------------------------------------

void fuzz_params_family(int32_t kind, const char *dir, const uint8_t *data, size_t size) {
    const int32_t t = pick_template(kind, data, size);
    Factory *f = factory_get(kind);
    if (t < 0 || !f->load_params) return;
    // As many frames as the real template has, each a tiny picture, beside the fuzzed file.
    const GameObject *real = factory_get_template(kind, t);
    FuzzFiles files = {{str_format("%s/%.3i/dat/params.dat", dir, t), FuzzInput(data + 1, data + size)}};
    for (int32_t frame = 0; frame < real->frame_count; ++frame)
        files.push_back({str_format("%s/%.3i/png/%.3i.png", dir, t, frame), tiny_frame()});
    fuzz_use_archive(files);

    GameObject *tmpl = object_create_blank(kind);
    tmpl->subtype = t;
    tmpl->flags |= OBJ_OWNS_FRAMES | OBJ_OWNS_ANIMS;
    if (factory_load_group(tmpl, FACTORY_GROUP_PARAMS) == RES_OK) {
        int32_t loaded = FACTORY_GROUP_PARAMS;
        while (loaded + 1 < FACTORY_GROUP_COUNT && factory_load_group(tmpl, loaded + 1) == RES_OK) ++loaded;
        // An object made from the fuzzed template, through the factory as the game makes them.
        GameObject *kept = f->templates[size_t(t)];
        f->templates[size_t(t)] = tmpl;
        if (GameObject *obj = factory_create_object(kind, t)) {
            int32_t w = 0, h = 0;
            object_get_frame_extent(obj, &w, &h);
            if (Site *site = site_cast(obj)) site_get_frame_extent(site, &w, &h);
            if (Ship *ship = ship_of(obj)) ship_get_frame_extent(ship, &w, &h);
            object_set_heading(obj, 90);
            object_set_heading(obj, -1000);
            object_destroy(obj);
        }
        f->templates[size_t(t)] = kept;
        for (int32_t group = loaded; group > FACTORY_GROUP_PARAMS; --group) (void)factory_unload_group(tmpl, group);
    }
    object_destroy(tmpl);
    fuzz_use_generated_store();
}

void fuzz_seed_params_family(int32_t kind, const char *dir, std::vector<FuzzInput> *out) {
    for (int32_t t = 0; t < template_count(kind); ++t) {
        FuzzInput input = {uint8_t(t)};
        const FuzzInput file = fuzz_store_file(str_format("%s/%.3i/dat/params.dat", dir, t));
        if (file.empty()) continue;
        input.insert(input.end(), file.begin(), file.end());
        out->push_back(std::move(input));
    }
}

// ---- object kinds' save records -------------------------------------------------------------------

void fuzz_kind_record(int32_t kind, const uint8_t *data, size_t size) {
    const int32_t t = pick_template(kind, data, size);
    const ObjectMethods *m = object_methods(kind);
    if (t < 0 || !m || !m->read) return;
    GameObject *obj = factory_create_object(kind, t);
    if (!obj) return;
    Buffer buf;
    fuzz_fill(&buf, data + 1, size - 1);
    if (m->read(obj, &buf) == RES_OK && m->write) {
        Buffer again;
        (void)m->write(obj, &again);
    }
    object_destroy(obj);
}

void fuzz_seed_kind_record(int32_t kind, std::vector<FuzzInput> *out) {
    const ObjectMethods *m = object_methods(kind);
    if (!m || !m->write) return;
    for (int32_t t = 0; t < template_count(kind); ++t) {
        GameObject *obj = factory_create_object(kind, t);
        if (!obj) continue;
        Buffer buf;
        (void)buffer_write_u8(&buf, uint8_t(t));
        if (m->write(obj, &buf) == RES_OK) out->push_back(fuzz_bytes_of(buf));
        object_destroy(obj);
    }
}

// ---- the common object record ---------------------------------------------------------------------

void fuzz_object_record(const uint8_t *data, size_t size) {
    Buffer buf;
    fuzz_fill(&buf, data, size);
    GameObject *obj = nullptr;
    if (object_read(&obj, &buf) != RES_OK) return;
    Buffer again;
    (void)object_write(obj, &again);
    object_destroy(obj);
}

void fuzz_seed_object_record(std::vector<FuzzInput> *out) {
    for (int32_t kind = 0; kind < OBJECT_KIND_COUNT; ++kind) {
        for (int32_t t = 0; t < template_count(kind); t += 2) {
            GameObject *obj = factory_create_object(kind, t);
            if (!obj) continue;
            obj->id = 0x0000000A00000000ull + uint64_t(t);
            obj->x = 40 * t;
            obj->y = -12;
            Buffer buf;
            if (object_write(obj, &buf) == RES_OK) out->push_back(fuzz_bytes_of(buf));
            object_destroy(obj);
        }
    }
}

// ---- system types ----------------------------------------------------------------------------------

void fuzz_system_params(const uint8_t *data, size_t size) {
    Buffer buf;
    fuzz_fill(&buf, data, size);
    System *tmpl = system_alloc();
    if (system_read_params(tmpl, &buf) == RES_OK) {
        // A system made from the template, with each of its subtype rows in turn.
        System *system = system_alloc();
        system_copy_from_template(system, tmpl);
        for (int32_t row = 0; row < tmpl->subtype_count && row < 64; ++row) (void)system_set_subtype(system, row);
        system_reset(system);
        system_recharge_tick(system);
        (void)system_is_usable(system);
        (void)system_effective_value(system);
        system_free(system);
    }
    system_free(tmpl);
}

void fuzz_seed_system_params(std::vector<FuzzInput> *out) {
    for (int32_t type = 0; type < SYSTEM_TYPE_COUNT; type += 3) {
        FuzzInput file = fuzz_store_file(str_format("system/%.3i/dat/params.dat", type));
        if (!file.empty()) out->push_back(std::move(file));
    }
}

void fuzz_system_record(const uint8_t *data, size_t size) {
    Buffer buf;
    fuzz_fill(&buf, data, size);
    System *system = nullptr;
    if (system_read_record(&system, &buf) != RES_OK) return;
    Buffer again;
    (void)system_write_record(system, &again);
    system_free(system);
}

void fuzz_seed_system_record(std::vector<FuzzInput> *out) {
    for (int32_t type = 0; type < SYSTEM_TYPE_COUNT; type += 4) {
        System *system = system_create(type);
        if (!system) continue;
        Buffer buf;
        if (system_write_record(system, &buf) == RES_OK) out->push_back(fuzz_bytes_of(buf));
        system_free(system);
    }
}

// ---- site features ---------------------------------------------------------------------------------

void fuzz_feature_params(const uint8_t *data, size_t size) {
    Buffer buf;
    fuzz_fill(&buf, data, size);
    SiteFeature features[FEATURE_TEMPLATE_COUNT];
    (void)feature_read_params(&buf, features);
}

void fuzz_seed_feature_params(std::vector<FuzzInput> *out) { out->push_back(fuzz_store_file(FEATURE_PARAMS_PATH)); }

void fuzz_feature_record(const uint8_t *data, size_t size) {
    Buffer buf;
    fuzz_fill(&buf, data, size);
    SiteFeature feature;
    if (feature_read(&feature, &buf) != RES_OK) return;
    Buffer again;
    (void)feature_write(&feature, &again);
}

void fuzz_seed_feature_record(std::vector<FuzzInput> *out) {
    SiteFeature feature;
    feature.kind = 3;
    feature.grid_x = 4;
    feature.grid_y = 9;
    feature.defenders = 2;
    feature.seed = 0xA5A5A5A5u;
    feature.owner_id = 7;
    Buffer buf;
    if (feature_write(&feature, &buf) == RES_OK) out->push_back(fuzz_bytes_of(buf));
}
