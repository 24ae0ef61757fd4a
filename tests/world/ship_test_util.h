#pragma once
// Ships made by hand, systems with chosen figures, fake sectors, fleets and officers behind the
// world hooks, a log catcher, and a fixture that undoes all of it.
#include <gtest/gtest.h>
#include "support/fixture_store.h"
#include "support/state_guards.h"
#include "test_support.h"
#include "world/be_bytes.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>
#include "game/game.h"
#include "game/officer.h"
#include "platform/buffer.h"
#include "platform/calendar.h"
#include "platform/log.h"
#include "platform/store.h"
#include "systems/system.h"
#include "world/factory.h"
#include "world/object.h"
#include "world/object_methods.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/world_hooks.h"

namespace shiptest {

using Ints = std::vector<int32_t>;   // related figures compared as one row

// ---- Systems ----

// A plain system of a type with the figures a fitting rule looks at (count 0, nobody holds it).
inline System *make_system(int32_t type, uint32_t flags, int32_t power, int32_t mass = 10, int32_t cost = 100) {
    System *s = system_alloc();
    s->type = type;
    s->flags = flags;
    s->power = power;
    s->mass = mass;
    s->cost = cost;
    s->max_integrity = s->integrity = 40;
    s->name = "System " + std::to_string(type);
    return s;
}

// ---- Ships ----

struct CritSpec {
    int32_t x, y, mount, direction;
};

// A blank ship (not from a factory) with the given crits and hull figures.
inline Ship *make_ship(const std::vector<CritSpec> &crits, int32_t capacity = 100) {
    Ship *ship = ship_of(object_create_blank(OBJECT_SHIP));
    ship->name = "Test Hull";
    ship->ship_name = "Testy";
    ship->capacity_max = capacity;
    ship->base_mass = 1000;
    ship->base_max_armour = 100;
    ship->base_max_crew = 50;
    ship->base_scan_cost = 4;
    ship->base_scan_range = 300;
    ship_alloc_crits(ship, int32_t(crits.size()));
    for (size_t i = 0; i < crits.size(); ++i)
        ship_set_crit(ship, int32_t(i), crits[i].x, crits[i].y, crits[i].mount, crits[i].direction);
    return ship;
}

// Frame size arrays owned by the ship (sizes only, no sprites).
inline void give_frames(Ship *ship, const std::vector<std::pair<int32_t, int32_t>> &sizes) {
    ship->flags |= OBJ_OWNS_FRAMES;
    const int32_t n = int32_t(sizes.size());
    ship->frames = new Sprite *[size_t(n)]();
    ship->frame_w = new int32_t[size_t(n)];
    ship->frame_h = new int32_t[size_t(n)];
    for (int32_t i = 0; i < n; ++i) {
        ship->frame_w[i] = sizes[size_t(i)].first;
        ship->frame_h[i] = sizes[size_t(i)].second;
    }
    ship->frame_count = n;
}

// ---- The world behind the hooks ----

struct FakeWorld {
    std::map<uint64_t, GameObject *> objects;                  // also in the game's object list
    std::map<std::pair<uint64_t, uint64_t>, Officer *> officers;   // (player, officer) -> officer
    std::vector<std::string> calls;                             // "sector+ 7", "fleet- 9" ...
    std::map<GameObject *, int32_t> records;                    // whole records and their kind when made
};
inline FakeWorld g_world;

inline WorldHooks fake_hooks() {
    WorldHooks h;
    h.find_player_officer = [](uint64_t player, uint64_t officer) -> Officer * {
        auto it = g_world.officers.find({player, officer});
        return it == g_world.officers.end() ? nullptr : it->second;
    };
    // The lists' own reference counting is theirs; the fakes only record the calls.
    h.fleet_add_ship = [](GameObject *fleet, GameObject *) {
        g_world.calls.push_back("fleet+ " + std::to_string(fleet->id));
    };
    h.fleet_remove_ship = [](GameObject *fleet, GameObject *) {
        g_world.calls.push_back("fleet- " + std::to_string(fleet->id));
    };
    return h;
}

// An object of a kind at a place, found by id through the game's global object list: a header
// only, except that a sector is a real sector record (ships join its object list) and a shot a
// real shot record (its kind's methods read the record).
inline GameObject *place(int32_t kind, uint64_t id, int32_t x, int32_t y, int32_t w, int32_t h) {
    const bool record = kind == OBJECT_SECTOR || kind == OBJECT_SHOT;
    GameObject *obj = record ? object_create_blank(kind) : object_create_stub(kind, id);
    obj->id = id;
    obj->flags = 0;   // a real header, not a stub awaiting its link
    obj->x = x;
    obj->y = y;
    obj->w = w;
    obj->h = h;
    g_world.objects[id] = obj;
    if (record) g_world.records[obj] = kind;
    list_append(game_get()->objects, obj);
    return obj;
}

// ---- Logs ----

// Every level, down to DEBUG4.
struct LogCatcher : ::LogFileCatcher {
    explicit LogCatcher(const std::string &dir) : ::LogFileCatcher(dir, LOG_DEBUG4) {}
};

// Fake hooks, a game with a clock, no leaked systems; every ship made by the test is destroyed.
class ShipTest : public ::testing::Test {
protected:
    Game   *game = nullptr;
    int64_t live_systems = 0;
    std::vector<GameObject *> owned;
    GameFieldsGuard game_fields_back_;   // the id counter and clock set below
    WorldHooksGuard hooks_back_;

    void SetUp() override {
        g_world = FakeWorld{};
        world_set_hooks(fake_hooks());
        game = game_get();
        ASSERT_NE(game, nullptr);
        game->flags &= ~GAME_FLAG_RESOLVE_AT_ONCE;
        game->clock->minutes = 0;
        live_systems = system_live_count();
    }
    void TearDown() override {
        // The test destroys its ships itself: the sectors let go of them without releasing.
        for (auto &[id, obj] : g_world.objects)
            if (Sector *sector = sector_of(obj)) list_reset(&sector->objects);
        for (GameObject *obj : owned) object_destroy(obj);
        for (auto &[id, obj] : g_world.objects) {
            (void)list_remove_value(game->objects, obj);
            if (auto record = g_world.records.find(obj); record != g_world.records.end())
                obj->kind = record->second;   // a test may have turned it into another kind
            else
                obj->flags |= OBJ_STUB;   // headers only
            object_destroy(obj);
        }
        g_world = FakeWorld{};
        EXPECT_EQ(system_live_count(), live_systems) << "systems left allocated";
    }
    Ship *ship(const std::vector<CritSpec> &crits, int32_t capacity = 100) {
        Ship *s = make_ship(crits, capacity);
        owned.push_back(s);
        return s;
    }
};

}  // namespace shiptest
