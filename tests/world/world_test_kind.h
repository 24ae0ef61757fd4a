#pragma once
// A test kind for the world objects: a record with a heap string and one object reference, slots
// that record every call, and a factory of three templates whose load groups count their loads.
// WorldFixture puts it in place of the ship (kind 0) and a second row in place of the shot
// (kind 1), sets up the factories over them and restores everything afterwards.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>
#include "game/game.h"
#include "support/state_guards.h"
#include "platform/buffer.h"
#include "platform/calendar.h"
#include "platform/log.h"
#include "world/factory.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/object_methods.h"
#include "world/world_hooks.h"

namespace world_test {

constexpr int32_t THING = OBJECT_SHIP;   // the test kind's slot in the tables
constexpr int32_t DART = OBJECT_SHOT;    // a second kind, for targets and defence shots
constexpr int32_t THING_TEMPLATES = 3;

struct Thing : GameObject {
    std::string label = "fresh";
    int32_t     value = 0;
    GameObject *partner = nullptr;   // a reference held; a stub after reading until linked
    int32_t     evasion = 0;
    int32_t     base_chance = 0;     // what the hit_chance slot answers
    int32_t     acts_left = 0;       // act ends the turn when it reaches 0
    int32_t     radius = 0;          // > 0: the point test answers a disc of this radius
};

inline Thing *thing(GameObject *obj) { return static_cast<Thing *>(obj); }

// Everything the slots saw, in order.
struct Calls {
    std::vector<std::string> names;
    int32_t freed = 0;
    int32_t last_heading_arg = -1;
    int32_t heading_when_called = -1;
    Result  link_result = RES_OK;      // forced link result when not RES_OK
    Result  read_result = RES_OK;
    Result  write_result = RES_OK;
    ObjectMap *partner_map = nullptr;  // where the link slot looks partners up
    std::vector<std::pair<int32_t, int32_t>> drawn;   // draw slot positions
    int32_t loads[THING_TEMPLATES][FACTORY_GROUP_COUNT] = {};
    int32_t fail_load_template = -1;   // this template's parameter loads fail with RES_READ_FAILED
    bool    sizes_from_store = false;  // group 0 reads the frame sizes of "thing/%.3i/png"
    std::vector<int32_t> group_frames[FACTORY_GROUP_COUNT];   // the frames each group holds
    int32_t extra_loaded = 0, extra_freed = 0;

    int count(const std::string &name) const {
        int n = 0;
        for (const std::string &s : names) n += s == name;
        return n;
    }
};
inline Calls g_calls;

// ---- Thing slots ----

inline void note(const std::string &call) { g_calls.names.push_back(call); }

inline void thing_free(GameObject *obj) {
    Thing *t = thing(obj);
    if (t->partner) {
        if (t->partner->flags & OBJ_STUB) object_destroy(t->partner);
        else object_release(t->partner);
    }
    ++g_calls.freed;
    object_free_record<Thing>(obj);
}
inline Result thing_write(const GameObject *obj, Buffer *buf) {
    const Thing *t = static_cast<const Thing *>(obj);
    if (g_calls.write_result != RES_OK) return g_calls.write_result;
    Result r = buffer_write_i32(buf, t->value);
    if (r == RES_OK) r = buffer_write_string(buf, t->label);
    if (r == RES_OK) r = object_write_ref(t->partner, buf);
    return r;
}
inline Result thing_read(GameObject *obj, Buffer *buf) {
    Thing *t = thing(obj);
    if (g_calls.read_result != RES_OK) return g_calls.read_result;
    Result r = buffer_read_i32(buf, &t->value);
    if (r == RES_OK) r = buffer_read_string(buf, &t->label);
    if (r == RES_OK) r = object_read_ref(&t->partner, buf);
    return r;
}
// The pattern every kind's link follows: a stub is looked up, destroyed, and the real object held.
inline Result thing_link(GameObject *obj) {
    note("link");
    if (g_calls.link_result != RES_OK) return g_calls.link_result;
    Thing *t = thing(obj);
    if (!t->partner || !(t->partner->flags & OBJ_STUB)) return RES_OK;
    ObjectFilter filter{.flags = FILTER_ID, .id = t->partner->id};
    GameObject *found = g_calls.partner_map ? map_query_object(g_calls.partner_map, &filter) : nullptr;
    if (!found || found->kind != t->partner->kind) {
        log_write(LOG_GAME, LOG_ERROR, "Thing failed to link partner #%llu (object not found)",
                  (unsigned long long)t->partner->id);
        return RES_UNRESOLVED_ID;
    }
    object_destroy(t->partner);
    object_add_ref(found);
    t->partner = found;
    return RES_OK;
}

inline void thing_register(ObjectMethods *m) {
    *m = ObjectMethods{
        .size = [] { return uint32_t(sizeof(Thing)); },
        .type_name = [] { return "Thing"; },
        .init = [](GameObject *obj) {
            object_init_record<Thing>(obj)->value = 7;
            note("init");
        },
        .free = thing_free,
        .copy_template = [](GameObject *obj, const GameObject *tmpl) {
            thing(obj)->label = static_cast<const Thing *>(tmpl)->label;
            note("copy_template");
        },
        .on_created = [](GameObject *) { note("on_created"); },
        .update = [](GameObject *, int32_t) { note("update"); },
        .encounter_begin = [](GameObject *) { note("encounter_begin"); },
        .turn_begin = [](GameObject *) { note("turn_begin"); },
        .turn_end = [](GameObject *) { note("turn_end"); },
        .draw = [](GameObject *obj, Graphics *, int32_t x, int32_t y) {
            note("draw " + obj->name);
            g_calls.drawn.emplace_back(x, y);
        },
        .reset_state = [](GameObject *) { note("reset_state"); },
        .set_heading = [](GameObject *obj, int32_t degrees) {
            g_calls.last_heading_arg = degrees;
            g_calls.heading_when_called = obj->heading;
        },
        .act = [](GameObject *obj) {
            note("act");
            if (--thing(obj)->acts_left <= 0) object_end_turn(obj);
            return RES_OK;
        },
        .plan = [](GameObject *) {
            note("plan");
            return RES_OK;
        },
        .icon = [](const GameObject *) { return 11; },
        .evasion = [](const GameObject *obj) { return static_cast<const Thing *>(obj)->evasion; },
        .hit_chance = [](GameObject *shooter, int32_t, int32_t, int32_t, int32_t, GameObject *, int32_t, int32_t *damage,
                         int32_t *result) {
            note("hit_chance damage=" + std::to_string(damage ? *damage : -1) +
                 " result=" + std::to_string(result ? *result : -1));
            return thing(shooter)->base_chance;
        },
        .write = thing_write,
        .read = thing_read,
        .link = thing_link,
        .point_test = [](GameObject *obj, int32_t x, int32_t y, int32_t px, int32_t py) {
            const Thing *t = thing(obj);
            if (t->radius <= 0) return 1;   // a full box
            const int32_t cx = x + obj->w / 2, cy = y + obj->h / 2;
            return int((px - cx) * (px - cx) + (py - cy) * (py - cy) <= t->radius * t->radius);
        },
        .after_advance = [](GameObject *) { note("after_advance"); },
        .copy_record = [](GameObject *dest, const GameObject *src, int32_t) {
            thing(dest)->value = static_cast<const Thing *>(src)->value;
            note("copy_record");
        },
        .advance_clock = [](GameObject *, int32_t minutes) { note("advance_clock " + std::to_string(minutes)); },
        .purge_dead = [](GameObject *obj) { note("purge_dead " + obj->name); },
        .detach = [](GameObject *obj) { note("detach " + obj->name); },
    };
}

// The dart: a bare kind with only its size, name, an evasion and its record.
inline void dart_register(ObjectMethods *m) {
    ObjectMethods thing_row;
    thing_register(&thing_row);
    *m = ObjectMethods{.size = thing_row.size,
                       .type_name = [] { return "Dart"; },
                       .init = [](GameObject *obj) { object_init_record<Thing>(obj); },
                       .free = [](GameObject *obj) { object_free_record<Thing>(obj); },
                       .evasion = thing_row.evasion};
}

// The test kind's (or the dart's) own row with some slots changed, for one scope.
class RowEdit {
public:
    template <typename Edit>
    explicit RowEdit(Edit edit, int32_t kind = THING) : kind_(kind) {
        ObjectMethods row;
        (kind == THING ? thing_register : dart_register)(&row);
        edit(row);
        saved_ = object_methods_swap(kind, row);
    }
    ~RowEdit() { object_methods_swap(kind_, saved_); }
    RowEdit(const RowEdit &) = delete;
    RowEdit &operator=(const RowEdit &) = delete;

private:
    int32_t       kind_;
    ObjectMethods saved_;
};

// ---- Factories ----

// Three templates "Thing 0".."Thing 2", each with two frames of 10 x 8 and 20 x 16 (no sprites).
// The parameter group counts its loads (and reads frame sizes from the store when asked); groups
// 1..3 count theirs through the frames they name (the factory asks for them only to load a group).
inline void thing_factory(Factory *f) {
    f->template_count = THING_TEMPLATES;
    f->load_params = [](GameObject *tmpl) {
        if (tmpl->subtype == g_calls.fail_load_template) return RES_READ_FAILED;
        ++g_calls.loads[tmpl->subtype][FACTORY_GROUP_PARAMS];
        if (!g_calls.sizes_from_store) return RES_OK;
        return factory_load_frame_sizes(tmpl, ("thing/00" + std::to_string(tmpl->subtype) + "/png").c_str());
    };
    f->group_frames = [](const GameObject *tmpl, int32_t group, std::vector<FactoryFrame> *out) {
        ++g_calls.loads[tmpl->subtype][group];
        for (int32_t frame : g_calls.group_frames[group]) out->push_back({frame, false});
    };
    f->frame_dir = "thing/%.3i/png";
    f->load_extra = [] {
        ++g_calls.extra_loaded;
        return RES_OK;
    };
    f->free_extra = [] { ++g_calls.extra_freed; };
}
inline void dart_factory(Factory *f) { f->template_count = 2; }
// The site kind's own factory loads shared data from the store at set-up; these tests do without it.
inline void no_site_factory(Factory *) {}

// Fills the templates' parameters as a kind's group 0 would.
inline void fill_templates() {
    for (int32_t i = 0; i < THING_TEMPLATES; ++i) {
        GameObject *tmpl = factory_get_template(THING, i);
        ASSERT_NE(tmpl, nullptr);
        tmpl->name = "Thing " + std::to_string(i);
        thing(tmpl)->label = "label " + std::to_string(i);
        tmpl->frame_count = 2;
        tmpl->frames = new Sprite *[2]();
        tmpl->frame_w = new int32_t[2]{10, 20};
        tmpl->frame_h = new int32_t[2]{8, 16};
        tmpl->speed = 500;
        tmpl->initiative_rate = 40 + i;
        tmpl->mass = 100 * (i + 1);
        tmpl->flags |= OBJ_NO_MINIMAP_DOT | OBJ_NO_POINTER_HIT;
    }
}

// ---- Fixture ----

class WorldFixture : public ::testing::Test {
protected:
    void SetUp() override {
        g_calls = Calls{};
        factory_free();
        ObjectMethods row;
        thing_register(&row);
        saved_thing_ = object_methods_swap(THING, row);
        dart_register(&row);
        saved_dart_ = object_methods_swap(DART, row);
        factory_set_register(THING, thing_factory);
        factory_set_register(DART, dart_factory);
        factory_set_register(OBJECT_SITE, no_site_factory);
        ASSERT_EQ(factory_init(), RES_OK);
        fill_templates();
        world_set_hooks(WorldHooks{});
        game = game_get();
        ASSERT_NE(game, nullptr);
        game->next_id = 1000;
        ASSERT_NE(game->clock, nullptr);
        game->clock->minutes = 0;
        game->setup.fog_of_war_off = 0;
        game->flags &= ~GAME_FLAG_RESOLVE_AT_ONCE;
        g_calls.names.clear();
    }
    void TearDown() override {
        factory_free();
        factory_set_register(THING, nullptr);
        factory_set_register(DART, nullptr);
        factory_set_register(OBJECT_SITE, nullptr);
        object_methods_swap(THING, saved_thing_);
        object_methods_swap(DART, saved_dart_);
    }

    // A new Thing from template t, named.
    Thing *make(const char *name, int32_t t = 0) {
        GameObject *obj = factory_create_object(THING, t);
        EXPECT_NE(obj, nullptr);
        if (!obj) return nullptr;
        obj->name = name;
        return thing(obj);
    }

    Game *game = nullptr;

private:
    ObjectMethods   saved_thing_, saved_dart_;
    GameFieldsGuard game_fields_back_;   // the id counter and clock set below
    WorldHooksGuard hooks_back_;
};

}  // namespace world_test
