#pragma once
// A combat map with hulls and systems from the generated store: the store, the thirty system types
// and the ship factory with every hull's frames, one map the ships stand on, and helpers that
// build a hull, fit a system from its template and place the ship.
#include "ship_test_util.h"

#include <memory>
#include "game/alert.h"
#include "game/player.h"
#include "platform/files.h"
#include "platform/random.h"
#include "systems/system_ai.h"
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

// The players behind the hooks: what the ships ask of them and what they hand them.
struct FakePlayer {
    uint64_t    id = 0;
    std::string name;
    int32_t     research_rate = 0;
    int32_t     research = 0;              // points received
    int32_t     stealable_tech = -1;
    std::vector<int32_t> techs = {};       // completed
    std::vector<int32_t> taps = {};        // sensor taps' minutes
    std::vector<uint64_t> learned = {};    // objects learned
    bool        presence = false;          // a jump out of battle is possible
    // The record the model's own calls (credits, counters) reach; made when first found.
    std::shared_ptr<Player> real = nullptr;
};
inline std::map<uint64_t, FakePlayer> g_players;
inline FakePlayer *fake(const Player *p) {
    for (auto &[id, f] : g_players)
        if (f.real.get() == p) return &f;
    static FakePlayer nobody;
    return &nobody;
}

inline WorldHooks player_hooks() {
    WorldHooks h = fake_hooks();
    h.find_player = [](uint64_t id) -> Player * {
        auto it = g_players.find(id);
        if (it == g_players.end()) return nullptr;
        if (!it->second.real) {
            it->second.real.reset(player_create(PLAYER_KIND_COMPUTER), player_free);
            player_set_id(it->second.real.get(), id);
        }
        return it->second.real.get();
    };
    h.player_id = [](const Player *p) { return fake(p)->id; };
    h.player_name = [](const Player *p) { return fake(p)->name.c_str(); };
    h.player_learn_object = [](Player *p, GameObject *obj, int32_t) { fake(p)->learned.push_back(obj->id); };
    h.player_has_sector_presence = [](uint64_t id) { return g_players.count(id) && g_players[id].presence; };
    h.player_research_rate = [](const Player *p) { return fake(p)->research_rate; };
    h.player_add_research_points = [](Player *p, int32_t n) { fake(p)->research += n; };
    h.player_pick_stealable_tech = [](Player *, Player *victim) { return fake(victim)->stealable_tech; };
    h.player_complete_tech = [](Player *p, int32_t tech) { fake(p)->techs.push_back(tech); };
    h.player_add_sensor_tap = [](Player *p, GameObject *, int32_t minutes) { fake(p)->taps.push_back(minutes); };
    return h;
}

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
        g_players.clear();
        g_players[RED] = FakePlayer{.id = RED, .name = "Red Corp"};
        g_players[BLUE] = FakePlayer{.id = BLUE, .name = "Blue Corp"};
        world_set_hooks(player_hooks());
        map = map_create();
        ASSERT_NE(map, nullptr);
        map_set_world_size(map, 4000, 3000);
        random_seed(20260107);
    }
    void TearDown() override {
        if (map) map_free(map);
        map = nullptr;
        for (GameObject *obj : owned) object_destroy(obj);
        owned.clear();
        for (System *s : spare) system_free(s);
        world.unload();
        ShipTest::TearDown();
        g_players.clear();
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
