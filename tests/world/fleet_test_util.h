#pragma once
// Fleets under test: hulls, stars, sites and the fleet badge from the generated store, placed on
// a real galaxy map in the game; the world hooks wired to the real fleet lists. Players
// are plain ids; a small memory of real snapshots (object_clone / object_copy_record) answers what
// a player has seen until the players' known-object memory is merged.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>
#include "game/alert.h"
#include "game/clock.h"
#include "game/game.h"
#include "game/player.h"
#include "game/officer.h"
#include "platform/buffer.h"
#include "platform/calendar.h"
#include "platform/list.h"
#include "platform/random.h"
#include "platform/store.h"
#include "world/factory.h"
#include "world/fleet.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"
#include "world/world_hooks.h"
#include "support/state_guards.h"

namespace fleettest {

inline const char *STORE_PATH = ASTROVANE_BINARY_DIR "/store.dat";

struct FakePlayer {
    uint64_t id = 0;
    std::vector<uint64_t> taps;   // players it holds a sensor tap on
    Player  *real = nullptr;      // owned: the record the sites credit and recount
};

struct Learnt {
    uint64_t player_id;
    uint64_t id;
    int32_t  version;
    bool operator==(const Learnt &o) const { return player_id == o.player_id && id == o.id && version == o.version; }
};

struct World {
    std::map<uint64_t, GameObject *> objects;   // everything made or loaded; one reference each
    std::vector<FakePlayer *> players;          // owned
    std::map<std::pair<uint64_t, uint64_t>, GameObject *> memory;   // (player, id) -> snapshot, owned
    std::vector<Learnt> learnt;
    std::map<uint64_t, Officer *> officers;     // by id; one reference each
};
inline World g_world;

inline Player *as_player(FakePlayer *p) { return p->real; }
inline const FakePlayer *fake(const Player *p) {
    for (const FakePlayer *f : g_world.players)
        if (f->real == p) return f;
    static const FakePlayer nobody;
    return &nobody;
}

inline GameObject *find_object(uint64_t id) {
    auto it = g_world.objects.find(id);
    return it == g_world.objects.end() ? nullptr : it->second;
}
inline GameObject *known_object(const Player *p, uint64_t id) {
    auto it = g_world.memory.find({fake(p)->id, id});
    return it == g_world.memory.end() ? nullptr : it->second;
}
inline void learn(Player *p, GameObject *obj, int32_t version) {
    g_world.learnt.push_back({fake(p)->id, obj->id, version});
    GameObject *&snap = g_world.memory[{fake(p)->id, obj->id}];
    if (!snap) snap = object_clone(obj, version);
    else object_copy_record(snap, obj, version);
}

// Whether the player learnt the object (at that version; any version with -1).
inline bool learnt(uint64_t player, const GameObject *obj, int32_t version = -1) {
    for (const Learnt &l : g_world.learnt)
        if (l.player_id == player && l.id == obj->id && (version < 0 || l.version == version)) return true;
    return false;
}

inline WorldHooks real_hooks() {
    WorldHooks h;
    h.find_player = [](uint64_t id) -> Player * {
        for (FakePlayer *p : g_world.players)
            if (p->id == id) return as_player(p);
        return nullptr;
    };
    h.player_id = [](const Player *p) { return fake(p)->id; };
    h.player_known_object = known_object;
    h.player_has_sensor_tap = [](const Player *p, uint64_t tapped) {
        return std::find(fake(p)->taps.begin(), fake(p)->taps.end(), tapped) != fake(p)->taps.end();
    };
    h.find_object = find_object;
    h.find_player_officer = [](uint64_t, uint64_t id) -> Officer * {
        auto it = g_world.officers.find(id);
        return it == g_world.officers.end() ? nullptr : it->second;
    };
    h.fleet_add_ship = fleet_hook_add_ship;
    h.fleet_remove_ship = fleet_hook_remove_ship;
    h.fleet_move_target = fleet_move_target;
    h.player_learn_object = learn;
    h.player_name = [](const Player *p) -> const char * { return fake(p)->id == 78 ? "Azure Combine" : nullptr; };
    return h;
}

class FleetWorld : public ::testing::Test {
protected:
    Game      *game = nullptr;
    ObjectMap *galaxy = nullptr;
    GameFieldsGuard        game_fields_back_;   // the id counter, clock and UI player set below
    WorldHooksGuard        hooks_back_;
    SlotGuard<ObjectMap *> galaxy_back_;   // the game's own map comes back afterwards

    void SetUp() override {
        g_world = World{};
        factory_free();
        store_shutdown();
        store_set_path(STORE_PATH);
        ASSERT_EQ(store_open(), RES_OK) << STORE_PATH << " missing: the build makes it";
        ASSERT_EQ(factory_init(), RES_OK);
        for (int32_t kind : {OBJECT_SHIP, OBJECT_SECTOR, OBJECT_FLEET, OBJECT_SITE}) {
            const Factory *f = factory_get(kind);
            ASSERT_NE(f, nullptr);
            for (int32_t t = 0; t < f->template_count; ++t)
                for (int32_t group : {FACTORY_GROUP_PARAMS, FACTORY_GROUP_FRAMES}) factory_acquire_group(kind, t, group);
        }
        ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
        world_set_hooks(real_hooks());
        game = game_get();
        ASSERT_NE(game, nullptr);
        game->next_id = 1000;
        game->clock->minutes = 30 * MINUTES_PER_DAY;
        date_from_minutes(game->clock);
        game->clock_scale = GAME_CLOCK_SCALE;
        game->clock_remainder = 0;
        game->queued_minutes = 0;
        game->galaxy_speed = 300;
        game->ui_player_id = 0;
        galaxy = map_create();
        ASSERT_NE(galaxy, nullptr);
        map_set_world_size(galaxy, 4096, 3072);
        galaxy_back_.replace(game->galaxy_map, galaxy);
        random_seed(20261207u);
        game_clear_alerts(game);
    }

    void TearDown() override {
        galaxy_back_.restore();
        if (galaxy) {
            map_free(galaxy);
            galaxy = nullptr;
        }
        drop_objects();
        for (auto &[key, snap] : g_world.memory) object_destroy(snap);
        list_reset(game->players);
        for (FakePlayer *p : g_world.players) {
            player_free(p->real);
            delete p;
        }
        for (auto &[id, o] : g_world.officers) officer_release(o);
        g_world = World{};
        factory_free();
        store_shutdown();
        game_clear_alerts(game);
        game->ui_player_id = 0;
    }

    // Lets go of every object the test holds: fleets let go of their targets first.
    void drop_objects() {
        for (auto &[id, obj] : g_world.objects) object_detach(obj);
        std::map<uint64_t, GameObject *> objects = std::move(g_world.objects);
        g_world.objects.clear();
        for (auto &[id, obj] : objects) object_release(obj);
    }

    void keep(GameObject *obj) {
        object_add_ref(obj);
        g_world.objects[obj->id] = obj;
    }

    FakePlayer *player(uint64_t id) {
        auto *p = new FakePlayer{id, {}, player_create(PLAYER_KIND_COMPUTER)};
        player_set_id(p->real, id);
        g_world.players.push_back(p);
        list_append(game->players, as_player(p));   // the game's list, for the walks over players
        return p;
    }

    void put_on_galaxy(GameObject *obj, int32_t x, int32_t y) {
        map_place_object(galaxy, obj, x, y, 1);
        map_add_pending_objects(galaxy);
        keep(obj);
    }

    // A star of the template whose centre lies at (cx, cy).
    Sector *star(int32_t t, int32_t cx, int32_t cy) {
        Sector *s = sector_create(t);
        EXPECT_NE(s, nullptr);
        put_on_galaxy(s, cx - s->w / 2, cy - s->h / 2);
        return s;
    }

    // A real hull whose engines give `mp` parsecs a day (the engines' passives are the ships'
    // business; the fleet reads only the result).
    Ship *ship(int32_t hull, int32_t mp, uint64_t owner, const std::string &name) {
        Ship *s = ship_of(factory_create_object(OBJECT_SHIP, hull));
        EXPECT_NE(s, nullptr);
        object_assign_id(s);
        s->owner_id = owner;
        s->ship_name = name;
        ship_recompute_stats(s);
        s->effective_mp = mp;
        keep(s);
        return s;
    }

    Officer *pilot(Ship *s) {
        Officer *o = officer_create();
        o->id = game_next_id(game);
        o->owner_id = s->owner_id;
        o->rank = 1;
        officer_retain(o);
        g_world.officers[o->id] = o;
        const int32_t mp = s->effective_mp;
        ship_set_pilot(s, o);   // recomputes the statistics: the engines' result stays ours
        s->effective_mp = mp;
        return o;
    }

    // A fleet of the ships whose centre lies at (cx, cy).
    Fleet *fleet_at(const std::vector<Ship *> &ships, int32_t cx, int32_t cy, uint64_t owner) {
        Fleet *f = fleet_create();
        EXPECT_NE(f, nullptr);
        f->owner_id = owner;
        object_assign_id(f);
        for (Ship *s : ships) ship_set_fleet(s, f);
        put_on_galaxy(f, cx - f->w / 2, cy - f->h / 2);
        return f;
    }

    static int32_t cx(const GameObject *o) { return o->x + o->w / 2; }
    static int32_t cy(const GameObject *o) { return o->y + o->h / 2; }

    // One galaxy frame as the galaxy screen runs it: the clock, then the map.
    void frame(int32_t ms = 20) {
        game_advance_clock(game, ms);
        map_update(galaxy, ms);
    }

    // Queues a day and runs 20 ms frames until it has passed; returns the frames it took.
    int32_t day() {
        game_queue_minutes(game, CLOCK_DAY_MINUTES);
        int32_t frames = 0;
        while (game_is_advancing(game) && frames < 10000) {
            frame();
            ++frames;
        }
        map_update(galaxy, 20);   // the frame after the day: arrivals of the last step
        return frames;
    }

    // The texts of the news of one kind for a player, in posting order.
    static std::vector<std::string> news(int32_t kind, uint64_t player) {
        std::vector<std::string> out;
        for (const Alert *a : game_get()->alerts->items)
            if (a && a->kind == kind && a->target_player_id == player) out.push_back(a->text);
        return out;
    }

    bool on_galaxy(const GameObject *obj) const {
        for (GameObject *o : galaxy->objects.items)
            if (o == obj) return true;
        return false;
    }
};

}  // namespace fleettest
