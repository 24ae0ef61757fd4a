// Factories: templates per kind, object creation from a template, and the reference-counted load
// groups with their resolve step.
#include "world/factory.h"

#include <atomic>
#include <string>
#include "platform/log.h"
#include "platform/sprite.h"
#include "platform/str.h"
#include "world/object.h"
#include "world/object_methods.h"

namespace {

Factory            g_factories[OBJECT_KIND_COUNT];
FactoryRegisterFn *g_register_override[OBJECT_KIND_COUNT] = {};
std::atomic<bool>  g_set_up{false};
std::mutex         g_setup_mutex;   // one set-up or free at a time
thread_local bool  t_in_setup = false;   // a kind's set-up may use the factories being set up

bool valid_kind(int32_t kind) { return kind >= 0 && kind < OBJECT_KIND_COUNT; }

// The factories exist: set up on first use. False when this set-up reported an error.
bool ensure_set_up() {
    if (g_set_up.load(std::memory_order_acquire) || t_in_setup) return true;
    return factory_init() == RES_OK;
}

void reset_record(Factory *f) {
    f->kind = 0;
    f->template_count = 0;
    f->templates.clear();
    f->loaded.clear();
    f->requested.clear();
    f->snapshot.clear();
    f->load_group = nullptr;
    f->unload_group = nullptr;
    f->load_extra = nullptr;
    f->free_extra = nullptr;
}

Result make_templates(Factory *f, int32_t kind) {
    if (f->template_count <= 0) return RES_OK;
    f->templates.assign(size_t(f->template_count), nullptr);
    f->loaded.assign(size_t(f->template_count), GroupCounts{});
    f->requested.assign(size_t(f->template_count), GroupCounts{});
    f->snapshot.assign(size_t(f->template_count), GroupCounts{});
    for (int32_t i = 0; i < f->template_count; ++i) {
        GameObject *tmpl = object_create_blank(kind);
        if (!tmpl) {
            log_write(LOG_RES, LOG_ERROR, "Factory %i - failed to create template %i", kind, i);
            return RES_NO_MEMORY;
        }
        tmpl->subtype = i;
        tmpl->flags |= OBJ_OWNS_FRAMES | OBJ_OWNS_ANIMS;
        f->templates[size_t(i)] = tmpl;
    }
    return RES_OK;
}

const char *kind_name(int32_t kind) {
    const char *name = object_type_name(kind);
    return name ? name : "?";
}

// Loads and unloads one factory's groups as the copied requests say; the first failure ends it.
Result resolve_factory(Factory *f) {
    {
        std::lock_guard<std::mutex> counts(f->count_mutex);
        f->snapshot = f->requested;
    }
    std::lock_guard<std::mutex> loading(f->load_mutex);
    for (int32_t t = 0; t < f->template_count; ++t) {
        GameObject *tmpl = f->templates[size_t(t)];
        for (int32_t g = 0; g < FACTORY_GROUP_COUNT; ++g) {
            const int32_t want = f->snapshot[size_t(t)][size_t(g)];
            int32_t &have = f->loaded[size_t(t)][size_t(g)];
            Result r = RES_OK;
            if (want >= 1 && have < 1) {
                r = f->load_group(tmpl, g);
                if (r != RES_OK)
                    log_write(LOG_RES, LOG_ERROR, "Factory %s:%i \"%s\" - failed to set load group %i, error %i",
                              kind_name(f->kind), t, tmpl->name.c_str(), g, int(r));
            } else if (want < 1 && have >= 1) {
                r = f->unload_group(tmpl, g);
                if (r != RES_OK)
                    log_write(LOG_RES, LOG_ERROR, "Factory %s:%i \"%s\" - failed to free load group %i, error %i",
                              kind_name(f->kind), t, tmpl->name.c_str(), g, int(r));
            }
            if (r != RES_OK) return r;
            have = want;
        }
    }
    return RES_OK;
}

// Every request of every template of one group, up or down by one, under each count lock.
void change_all(int32_t group, int32_t delta) {
    if (group < 0 || group >= FACTORY_GROUP_COUNT || !ensure_set_up()) return;
    for (Factory &f : g_factories) {
        std::lock_guard<std::mutex> counts(f.count_mutex);
        for (GroupCounts &c : f.requested) {
            int32_t &n = c[size_t(group)];
            if (delta > 0) ++n;
            else if (n > 0) --n;
        }
    }
}

}  // namespace

Result factory_init() {
    std::lock_guard<std::mutex> setup(g_setup_mutex);
    if (g_set_up.load(std::memory_order_acquire)) return RES_OK;
    object_methods_init();
    for (Factory &f : g_factories) reset_record(&f);
    t_in_setup = true;

    Result result = RES_OK;
    for (int32_t kind = 0; kind < OBJECT_KIND_COUNT && result == RES_OK; ++kind) {
        Factory *f = &g_factories[kind];
        FactoryRegisterFn *reg = g_register_override[kind] ? g_register_override[kind] : FACTORY_KIND_REGISTER[kind];
        f->kind = kind;
        if (reg) reg(f);
        f->kind = kind;
        result = make_templates(f, kind);
        if (result == RES_OK && f->load_extra) {
            result = f->load_extra();
            if (result == RES_OK) log_write(LOG_RES, LOG_DEBUG, "Factory %i - load extra data", kind);
            else log_write(LOG_RES, LOG_ERROR, "Factory %i - failed to load extra data, error %i", kind, int(result));
        }
    }
    t_in_setup = false;
    g_set_up.store(true, std::memory_order_release);
    return result;
}

Factory *factory_get(int32_t kind) {
    if (!valid_kind(kind) || !ensure_set_up()) return nullptr;
    return &g_factories[kind];
}

GameObject *factory_get_template(int32_t kind, int32_t index) {
    Factory *f = factory_get(kind);
    if (!f || index < 0 || index >= int32_t(f->templates.size())) return nullptr;
    return f->templates[size_t(index)];
}

GameObject *factory_create_object(int32_t kind, int32_t tmpl_index) {
    GameObject *tmpl = factory_get_template(kind, tmpl_index);
    if (!tmpl) return nullptr;
    GameObject *obj = object_create_blank(kind);
    if (!obj) return nullptr;
    obj->subtype = tmpl->subtype;
    obj->flags |= tmpl->flags & OBJ_TEMPLATE_BITS;   // the ownership bits stay with the template
    obj->initiative_rate = tmpl->initiative_rate;
    obj->speed = tmpl->speed;
    obj->frames = tmpl->frames;
    obj->frame_w = tmpl->frame_w;
    obj->frame_h = tmpl->frame_h;
    obj->frame_sprites = tmpl->frame_sprites;
    obj->frame_count = tmpl->frame_count;
    obj->animations = tmpl->animations;
    obj->animation_count = tmpl->animation_count;
    obj->mass = tmpl->mass;
    obj->name = tmpl->name;
    object_copy_template(obj, tmpl);
    object_reset_frame(obj);
    return obj;
}

void factory_acquire_group(int32_t kind, int32_t tmpl, int32_t group) {
    Factory *f = factory_get(kind);
    if (!f || tmpl < 0 || tmpl >= int32_t(f->requested.size()) || group < 0 || group >= FACTORY_GROUP_COUNT)
        return;
    std::lock_guard<std::mutex> counts(f->count_mutex);
    ++f->requested[size_t(tmpl)][size_t(group)];
}

void factory_release_detail_group(int32_t kind, int32_t tmpl) {
    Factory *f = factory_get(kind);
    if (!f || tmpl < 0 || tmpl >= int32_t(f->requested.size())) return;
    std::lock_guard<std::mutex> counts(f->count_mutex);
    int32_t &n = f->requested[size_t(tmpl)][FACTORY_GROUP_DETAIL];
    if (n > 0) --n;
}

void factory_acquire_group_all(int32_t group) { change_all(group, +1); }

void factory_release_all_groups(int32_t group) { change_all(group, -1); }

Result factory_resolve_load_groups() {
    if (!ensure_set_up()) return RES_OK;
    log_write(LOG_RES, LOG_DEBUG, "Begin resolving factory instance load groups");
    Result result = RES_OK;
    for (Factory &f : g_factories) {
        if (!f.load_group || !f.unload_group) continue;
        result = resolve_factory(&f);
        if (result != RES_OK) break;
    }
    log_write(LOG_RES, LOG_DEBUG, "Done resolving factory instance load groups");
    return result;
}

void factory_free() {
    std::lock_guard<std::mutex> setup(g_setup_mutex);
    if (!g_set_up.load(std::memory_order_acquire)) return;
    for (Factory &f : g_factories) {
        std::lock_guard<std::mutex> counts(f.count_mutex);
        for (GroupCounts &c : f.requested) c.fill(0);
    }
    for (Factory &f : g_factories) {
        // Unloading failures were logged; the templates go whatever they held.
        if (f.load_group && f.unload_group) (void)resolve_factory(&f);
    }
    for (int32_t kind = 0; kind < OBJECT_KIND_COUNT; ++kind) {
        Factory &f = g_factories[kind];
        for (GameObject *tmpl : f.templates) object_destroy(tmpl);
        if (f.free_extra) {
            log_write(LOG_RES, LOG_DEBUG, "Factory %i - free extra data", kind);
            f.free_extra();
        }
        reset_record(&f);
    }
    g_set_up.store(false, std::memory_order_release);
}

void factory_set_register(int32_t kind, FactoryRegisterFn *fn) {
    if (valid_kind(kind)) g_register_override[kind] = fn;
}

// ---- Group helpers ----

Result factory_load_frame_sizes(GameObject *tmpl, const char *dir) {
    int count = 0;
    std::vector<int> widths, heights;
    if (Result r = sprite_read_numbered_sizes(dir, &count, &widths, &heights); r != RES_OK) return r;
    if (count < 0 || size_t(count) > widths.size() || size_t(count) > heights.size()) return RES_MALFORMED;

    for (int32_t i = 0; tmpl->frames && i < tmpl->frame_count; ++i)
        if (tmpl->frames[i]) sprite_release(tmpl->frames[i]);
    delete[] tmpl->frames;
    delete[] tmpl->frame_w;
    delete[] tmpl->frame_h;
    tmpl->frames = nullptr;
    tmpl->frame_w = nullptr;
    tmpl->frame_h = nullptr;
    tmpl->frame_count = 0;
    if (count == 0) return RES_OK;

    tmpl->frames = new (std::nothrow) Sprite *[size_t(count)]();
    tmpl->frame_w = new (std::nothrow) int32_t[size_t(count)];
    tmpl->frame_h = new (std::nothrow) int32_t[size_t(count)];
    if (!tmpl->frames || !tmpl->frame_w || !tmpl->frame_h) {
        delete[] tmpl->frames;
        delete[] tmpl->frame_w;
        delete[] tmpl->frame_h;
        tmpl->frames = nullptr;
        tmpl->frame_w = tmpl->frame_h = nullptr;
        return RES_NO_MEMORY;
    }
    for (int i = 0; i < count; ++i) {
        tmpl->frame_w[i] = widths[size_t(i)];
        tmpl->frame_h[i] = heights[size_t(i)];
    }
    tmpl->frame_count = count;
    return RES_OK;
}

Result factory_load_frame_sprites(GameObject *tmpl, const char *dir, int32_t first, int32_t count) {
    if (count < 0) {
        first = 0;
        count = tmpl->frame_count;
    }
    if (first < 0 || first + count > tmpl->frame_count || !tmpl->frames) return RES_OUT_OF_RANGE;
    for (int32_t i = first; i < first + count; ++i) {
        const std::string path = str_format("%s/%.3i.png", dir, i);
        Sprite *sprite = sprite_load_png(path.c_str());
        if (!sprite) return RES_READ_FAILED;
        sprite_addref(sprite);
        if (tmpl->frames[i]) sprite_release(tmpl->frames[i]);
        tmpl->frames[i] = sprite;
    }
    return RES_OK;
}

void factory_unload_frame_sprites(GameObject *tmpl) {
    for (int32_t i = 0; tmpl->frames && i < tmpl->frame_count; ++i) {
        if (tmpl->frames[i]) sprite_release(tmpl->frames[i]);
        tmpl->frames[i] = nullptr;
    }
}
