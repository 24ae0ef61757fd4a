#pragma once
// Ships made by hand, systems with chosen figures, sectors, fleets and players with their officers in
// the game's own records (found by the game's lookups), a log catcher, and a fixture that undoes all
// of it.
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
#include "game/player.h"
#include "platform/buffer.h"
#include "platform/calendar.h"
#include "platform/log.h"
#include "platform/store.h"
#include "systems/system.h"
#include "world/factory.h"
#include "world/fleet.h"
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

// ---- The world in the game's records ----

struct FakeWorld {
    std::map<uint64_t, GameObject *> objects;                  // also in the game's object list
    std::map<GameObject *, int32_t> records;                    // whole records and their kind when made
};
inline FakeWorld g_world;

// An object of a kind at a place, found by id through the game's global object list: a header
// only, except that a sector, a fleet and a shot are real records of their kind (ships join a
// sector's object list and a fleet's ship list; a shot's methods read the record).
inline GameObject *place(int32_t kind, uint64_t id, int32_t x, int32_t y, int32_t w, int32_t h) {
    const bool record = kind == OBJECT_SECTOR || kind == OBJECT_FLEET || kind == OBJECT_SHOT;
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

// The game's records with a clock, no leaked systems; every ship made by the test is destroyed, and
// the players it put into the game go.
class ShipTest : public ::testing::Test {
protected:
    Game   *game = nullptr;
    int64_t live_systems = 0;
    std::vector<GameObject *> owned;
    GameFieldsGuard game_fields_back_;   // the id counter and clock set below
    WorldHooksGuard hooks_back_;

    void SetUp() override {
        g_world = FakeWorld{};
        game = game_get();
        ASSERT_NE(game, nullptr);
        game->flags &= ~GAME_FLAG_RESOLVE_AT_ONCE;
        game->clock->minutes = 0;
        live_systems = system_live_count();
    }
    void TearDown() override {
        // The test destroys its ships itself: the sectors and fleets let go of them without releasing.
        for (auto &[id, obj] : g_world.objects) {
            if (auto record = g_world.records.find(obj); record != g_world.records.end())
                obj->kind = record->second;   // a test may have turned it into another kind
            if (Sector *sector = sector_of(obj)) list_reset(&sector->objects);
            if (Fleet *fleet = fleet_of(obj)) list_reset(&fleet->ships);
        }
        leave_players();
        for (GameObject *obj : owned) object_destroy(obj);
        for (auto &[id, obj] : g_world.objects) {
            (void)list_remove_value(game->objects, obj);
            if (!g_world.records.count(obj)) obj->flags |= OBJ_STUB;   // headers only
            object_destroy(obj);
        }
        game_clear_players(game);
        g_world = FakeWorld{};
        EXPECT_EQ(system_live_count(), live_systems) << "systems left allocated";
    }
    // What the test destroys itself leaves the players' object lists first, unreleased (a launched
    // drone joins its owner's list).
    void leave_players() {
        if (!game->players) return;
        for (Player *p : game->players->items)
            if (p)
                for (GameObject *obj : owned) (void)list_remove_value(&p->objects, obj);
    }
    // A player of that id in the game's list and id map (the one there already, if any).
    Player *player(uint64_t id) {
        if (Player *p = game_find_player(game, id)) return p;
        Player *p = player_create(PLAYER_KIND_COMPUTER);
        player_set_id(p, id);
        EXPECT_EQ(game_add_player(game, p), RES_OK);
        return p;
    }
    // The officer joins the player's list (which takes its own reference).
    void give_officer(uint64_t player_id, Officer *officer) { player_add_officer(player(player_id), officer); }
    Ship *ship(const std::vector<CritSpec> &crits, int32_t capacity = 100) {
        Ship *s = make_ship(crits, capacity);
        owned.push_back(s);
        return s;
    }
};

}  // namespace shiptest
