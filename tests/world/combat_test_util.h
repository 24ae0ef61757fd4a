#pragma once
// A combat map with hulls and systems from the generated store: the store, the thirty system types
// and the ship factory with every hull's frames, one map the ships stand on, and helpers that
// build a hull, fit a system from its template and place the ship; the two owners are real players
// in the game's records.
#include "ship_test_util.h"

#include "game/alert.h"
#include "game/player.h"
#include "platform/files.h"
#include "platform/random.h"
#include "world/object_map.h"

namespace shiptest {

// The news the UI player has been given so far, without the date lines.
inline std::vector<const Alert *> news() {
    std::vector<const Alert *> out;
    const Game *game = game_get();
    if (!game || !game->alerts) return out;
    for (int32_t i = 0; i < list_count(game->alerts); ++i)
        if (const Alert *a = list_get(game->alerts, i); a && a->kind != ALERT_DAY_HEADER) out.push_back(a);
    return out;
}

// Hull template numbers of the generated store.
enum Hull : int32_t {
    HULL_ARK_DRONE = 0, HULL_ARK_CARRIER, HULL_SKIFF, HULL_LANCER, HULL_SENTINEL,
    HULL_CORSAIR, HULL_HARRIER, HULL_PALADIN, HULL_LEVIATHAN,
};
// The Lancer's crits: three system mounts (fore, port, starboard), an engine and an armour mount.
constexpr int32_t LANCER_FORE = 0, LANCER_PORT = 1, LANCER_STARBOARD = 2, LANCER_ENGINE = 3, LANCER_ARMOUR = 4;

constexpr uint64_t RED = 101, BLUE = 202;   // two owners

// A hull standing on the map at (x, y) with a heading (and the id given, else the game's next);
// the map holds it from now on.
inline Ship *on_map(ObjectMap *map, int32_t t, int32_t x, int32_t y, int32_t heading = 0, uint64_t owner = RED,
                    uint64_t id = 0) {
    Ship *s = ship_of(factory_create_object(OBJECT_SHIP, t));
    EXPECT_NE(s, nullptr) << t;
    if (!s) return nullptr;
    if (id) s->id = id;
    s->owner_id = owner;
    object_set_heading(s, heading);
    map_place_object(map, s, x, y, 1);
    map_add_pending_objects(map);
    return s;
}

// A system of the type from the store (a subtype row when asked), fitted into the crit; one the crit
// refuses goes to `spare`, or is freed without one.
inline System *fit(Ship *s, int32_t crit, int32_t type, int32_t subtype = -1, std::vector<System *> *spare = nullptr) {
    System *sys = subtype < 0 ? system_create(type) : system_create_subtype(type, subtype);
    EXPECT_NE(sys, nullptr) << type;
    if (!sys) return nullptr;
    const Result r = ship_set_crit_system(s, crit, sys);
    EXPECT_EQ(r, RES_OK) << s->name << " crit " << crit << ": " << sys->name;
    if (r == RES_OK) return sys;
    if (spare) spare->push_back(sys);
    else system_free(sys);
    return nullptr;
}

class CombatMapTest : public ShipTest {
protected:
    GeneratedWorld world;          // the store, the system types and every hull with all its frames
    ObjectMap *map = nullptr;
    std::vector<System *> spare;   // made and never fitted

    void SetUp() override {
        factory_free();
        system_types_free();
        ShipTest::SetUp();
        ASSERT_TRUE(world.load({OBJECT_SHIP}, {FACTORY_GROUP_PARAMS, FACTORY_GROUP_FRAMES, FACTORY_GROUP_ENCOUNTER,
                                               FACTORY_GROUP_DETAIL}));
        player_set_name(player(RED), "Red Corp");
        player_set_name(player(BLUE), "Blue Corp");
        map = map_create();
        ASSERT_NE(map, nullptr);
        map_set_world_size(map, 4000, 3000);
        random_seed(20260107);
    }
    void TearDown() override {
        if (map) map_free(map);
        map = nullptr;
        leave_players();
        for (GameObject *obj : owned) object_destroy(obj);
        owned.clear();
        for (System *s : spare) system_free(s);
        world.unload();
        ShipTest::TearDown();
    }

    // A hull from its template, not on any map (the test destroys it).
    Ship *hull(int32_t t, uint64_t owner = RED) {
        Ship *s = ship_of(factory_create_object(OBJECT_SHIP, t));
        EXPECT_NE(s, nullptr) << t;
        if (!s) return nullptr;
        s->owner_id = owner;
        owned.push_back(s);
        return s;
    }
    Ship *on_map(int32_t t, int32_t x, int32_t y, int32_t heading = 0, uint64_t owner = RED) {
        return shiptest::on_map(map, t, x, y, heading, owner);
    }
    System *fit(Ship *s, int32_t crit, int32_t type, int32_t subtype = -1) {
        return shiptest::fit(s, crit, type, subtype, &spare);
    }
    // A full turn's points, as an encounter gives them.
    static void ready(Ship *s) { object_begin_encounter(s); }
    static void centre(const GameObject *o, int32_t *x, int32_t *y) {
        *x = o->x + o->w / 2;
        *y = o->y + o->h / 2;
    }
};

}  // namespace shiptest
