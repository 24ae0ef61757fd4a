// Factories: templates per kind, object creation from a template, and the reference-counted load
// groups with their resolve step.
#include "world/factory.h"

#include <algorithm>
#include <atomic>
#include <new>
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
    f->load_params = nullptr;
    f->group_frames = nullptr;
    f->frame_dir = nullptr;
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

// ---- Frame holds ----

// What a kind says about its groups.
struct GroupSlots {
    FactoryParamsFn      *load_params = nullptr;
    FactoryGroupFramesFn *group_frames = nullptr;
    const char           *frame_dir = nullptr;
};

GroupSlots slots_of(const Factory *f) { return {f->load_params, f->group_frames, f->frame_dir}; }


bool frame_exists(const GameObject *tmpl, int32_t frame) {
    return tmpl->frames && frame >= 0 && frame < tmpl->frame_count;
}

// One more group holds the frame: its sprite is loaded when it is the first.
Result hold_frame(const GroupSlots *f, GameObject *tmpl, FrameHolds *holds, const FactoryFrame &want) {
    const int32_t frame = want.frame;
    if (!frame_exists(tmpl, frame) || !f->frame_dir) return RES_READ_FAILED;
    int32_t &count = holds->count[size_t(frame)];
    if (count == 0) {
        const std::string path = str_format(f->frame_dir, int(tmpl->subtype)) + str_format("/%.3i.png", int(frame));
        Sprite *sprite = sprite_load_png(path.c_str());
        if (!sprite) return RES_READ_FAILED;
        sprite_addref(sprite);
        if (tmpl->frames[frame]) sprite_release(tmpl->frames[frame]);
        tmpl->frames[frame] = sprite;
    }
    ++count;
    if (want.maps && tmpl->frames[frame]) {
        sprite_build_outline_map(tmpl->frames[frame]);
        sprite_build_angle_map(tmpl->frames[frame]);
    }
    return RES_OK;
}

// One group less holds the frame: the last lets its sprite go.
void drop_frame(GameObject *tmpl, FrameHolds *holds, int32_t frame) {
    if (!frame_exists(tmpl, frame) || size_t(frame) >= holds->count.size()) return;
    int32_t &count = holds->count[size_t(frame)];
    if (count < 1 || --count > 0) return;
    if (tmpl->frames[frame]) sprite_release(tmpl->frames[frame]);
    tmpl->frames[frame] = nullptr;
}

// The group gives back every frame it took.
void drop_group(GameObject *tmpl, FrameHolds *holds, int32_t group) {
    std::vector<int32_t> taken;
    taken.swap(holds->taken[size_t(group)]);
    for (int32_t frame : taken) drop_frame(tmpl, holds, frame);
}

Result load_group(const GroupSlots *f, GameObject *tmpl, int32_t group) {
    if (group == FACTORY_GROUP_PARAMS) return f->load_params ? f->load_params(tmpl) : RES_OK;
    if (!f->group_frames) return RES_OK;
    FrameHolds *holds = factory_frame_holds(tmpl);
    if (!holds) return RES_NO_MEMORY;
    drop_group(tmpl, holds, group);
    std::vector<FactoryFrame> frames;
    f->group_frames(tmpl, group, &frames);
    for (const FactoryFrame &frame : frames) {
        const Result r = hold_frame(f, tmpl, holds, frame);
        if (r == RES_OK) {
            holds->taken[size_t(group)].push_back(frame.frame);
            continue;
        }
        log_write(LOG_RES, LOG_ERROR, "%s %i \"%s\" - failed to load frame %i of group %i", kind_name(tmpl->kind),
                  int(tmpl->subtype), tmpl->name.c_str(), int(frame.frame), int(group));
        // The group counts as not loaded: it lets go of what it took, so the retry starts afresh.
        drop_group(tmpl, holds, group);
        return r;
    }
    return RES_OK;
}

Result unload_group(GameObject *tmpl, int32_t group) {
    if (group != FACTORY_GROUP_PARAMS && tmpl->frame_holds) drop_group(tmpl, tmpl->frame_holds, group);
    return RES_OK;
}

// Loads and unloads one factory's groups as the copied requests say; the first failure ends it.
Result resolve_factory(Factory *f) {
    {
        std::lock_guard<std::mutex> counts(f->count_mutex);
        f->snapshot = f->requested;
    }
    std::lock_guard<std::mutex> loading(f->load_mutex);
    const GroupSlots slots = slots_of(f);
    for (int32_t t = 0; t < f->template_count; ++t) {
        GameObject *tmpl = f->templates[size_t(t)];
        for (int32_t g = 0; g < FACTORY_GROUP_COUNT; ++g) {
            const int32_t want = f->snapshot[size_t(t)][size_t(g)];
            int32_t &have = f->loaded[size_t(t)][size_t(g)];
            Result r = RES_OK;
            if (want >= 1 && have < 1) {
                r = load_group(&slots, tmpl, g);
                if (r != RES_OK)
                    log_write(LOG_RES, LOG_ERROR, "Factory %s:%i \"%s\" - failed to set load group %i, error %i",
                              kind_name(f->kind), t, tmpl->name.c_str(), g, int(r));
            } else if (want < 1 && have >= 1) {
                r = unload_group(tmpl, g);
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

// Every request of every template of one group, up or down by one, under each count lock. A
// release before set-up has nothing to let go of and sets nothing up.
void change_all(int32_t group, int32_t delta) {
    if (group < 0 || group >= FACTORY_GROUP_COUNT) return;
    if (delta < 0 ? !g_set_up.load(std::memory_order_acquire) : !ensure_set_up()) return;
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
    if (!g_set_up.load(std::memory_order_acquire)) return RES_OK;   // nothing requested, nothing to load
    log_write(LOG_RES, LOG_DEBUG, "Begin resolving factory instance load groups");
    Result result = RES_OK;
    for (Factory &f : g_factories) {
        if (!f.load_params && !f.group_frames) continue;
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
        // The templates go whatever a failed load left them holding.
        if (f.load_params || f.group_frames) (void)resolve_factory(&f);
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

// ---- Groups of one template ----

Result factory_load_group(GameObject *tmpl, int32_t group) {
    if (!tmpl || !valid_kind(tmpl->kind) || group < 0 || group >= FACTORY_GROUP_COUNT) return RES_OUT_OF_RANGE;
    // A template of the caller's own needs no set-up of the factories: before it, the kind's
    // register function says what its groups hold.
    GroupSlots slots;
    if (g_set_up.load(std::memory_order_acquire)) {
        slots = slots_of(&g_factories[tmpl->kind]);
    } else {
        Factory record;
        FactoryRegisterFn *reg = g_register_override[tmpl->kind] ? g_register_override[tmpl->kind]
                                                                  : FACTORY_KIND_REGISTER[tmpl->kind];
        if (reg) reg(&record);
        slots = slots_of(&record);
    }
    return load_group(&slots, tmpl, group);
}

Result factory_unload_group(GameObject *tmpl, int32_t group) {
    if (!tmpl || !valid_kind(tmpl->kind) || group < 0 || group >= FACTORY_GROUP_COUNT) return RES_OUT_OF_RANGE;
    return unload_group(tmpl, group);
}

FrameHolds *factory_frame_holds(GameObject *tmpl) {
    if (!tmpl->frame_holds) tmpl->frame_holds = new (std::nothrow) FrameHolds();
    FrameHolds *holds = tmpl->frame_holds;
    // Frames made anew hold nothing yet (their old sprites went with the old arrays).
    if (holds && holds->count.size() != size_t(std::max(tmpl->frame_count, 0))) {
        holds->count.assign(size_t(std::max(tmpl->frame_count, 0)), 0);
        for (std::vector<int32_t> &taken : holds->taken) taken.clear();
    }
    return holds;
}

void factory_free_frame_holds(GameObject *tmpl) {
    delete tmpl->frame_holds;
    tmpl->frame_holds = nullptr;
}

// ---- Group helpers ----

Result factory_load_frame_sizes(GameObject *tmpl, const char *dir) {
    int count = 0;
    std::vector<int> widths, heights;
    if (Result r = sprite_read_numbered_sizes(dir, &count, &widths, &heights); r != RES_OK) return r;
    if (count < 0 || size_t(count) > widths.size() || size_t(count) > heights.size()) return RES_MALFORMED;

    for (int32_t i = 0; tmpl->frames && i < tmpl->frame_count; ++i)
        if (tmpl->frames[i]) sprite_release(tmpl->frames[i]);
    factory_free_frame_holds(tmpl);   // no group holds a frame of the new arrays yet
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
