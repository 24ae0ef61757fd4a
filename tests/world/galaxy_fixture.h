#pragma once
// The galaxy under test: the real sector, site, ship and fleet kinds with their templates from the
// generated store, a galaxy map of the game's own, and players that are real Player records in the
// game's list and id map, with their own memories (what each learns), sensor taps and officers.
//  - GalaxyWorld sets all of it up and takes it down again, leaving the game as it found it.
//  - FleetWorld: the thirtieth day, a fixed seed, every frame of its four kinds loaded. SectorFixture:
//    four hundred years on, seeded generators and the test's own seed. Pinned outcomes rest on both.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>
#include "effects/effect_spark.h"
#include "game/alert.h"
#include "game/clock.h"
#include "game/game.h"
#include "game/officer.h"
#include "game/player.h"
#include "platform/buffer.h"
#include "platform/calendar.h"
#include "platform/list.h"
#include "platform/random.h"
#include "platform/store.h"
#include "support/fixture_store.h"
#include "support/state_guards.h"
#include "world/be_bytes.h"
#include "world/factory.h"
#include "world/fleet.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/object_methods.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"
#include "world/site_feature.h"
#include "world/world_hooks.h"

namespace galaxytest {

struct FakePlayer {
    uint64_t id = 0;
    Player  *real = nullptr;   // the game's record (the game holds it)
};

struct World {
    std::map<uint64_t, GameObject *> objects;   // what the test keeps; one reference each
    std::vector<GameObject *> listed;           // also in the game's object list, once per keep
    std::vector<FakePlayer *> players;          // owned
};
inline World g_world;

inline Player *as_player(FakePlayer *p) { return p->real; }

// The player's memory of the object, or null.
inline GameObject *known_object(const Player *p, uint64_t id) { return player_known_object_by_id(p, id); }

// Whether the player knows the object, learnt at that level at most (at any level with -1).
inline bool learnt(uint64_t player, const GameObject *obj, int32_t level = -1) {
    const Player *p = game_find_player(game_get(), player);
    const GameObject *snap = p ? player_known_object_by_id(p, obj->id) : nullptr;
    return snap && (level < 0 || snap->snapshot_version == level);
}

// Every player forgets everything it learnt.
inline void forget_all() {
    for (FakePlayer *f : g_world.players)
        for (GameObject *snap; (snap = list_get(&f->real->known, 0));) player_forget_object(f->real, snap);
}

// The player holds a sensor tap on the other player (for a day).
inline void tap(FakePlayer *p, uint64_t tapped) { player_add_sensor_tap(p->real, CLOCK_DAY_MINUTES, tapped, 0); }

class GalaxyWorld : public ::testing::Test {
protected:
    void SetUp() override {
        g_world = World{};
        factory_free();
        ASSERT_TRUE(open_generated_store());
        ASSERT_EQ(factory_init(), RES_OK);
        factory_acquire_group_all(FACTORY_GROUP_PARAMS);
        ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
        game = game_get();
        ASSERT_NE(game, nullptr);
        game->queued_minutes = 0;
        game->ui_player_id = 0;
        game_clear_alerts(game);
        game_clear_players(game);
        map = map_create();
        ASSERT_NE(map, nullptr);
        galaxy_back_.replace(game->galaxy_map, map);
    }

    void TearDown() override {
        galaxy_back_.restore();
        if (map) map_free(map);
        map = nullptr;
        drop_objects();
        game_clear_players(game);
        for (FakePlayer *p : g_world.players) delete p;
        g_world = World{};
        factory_free();
        store_shutdown();
        if (game) game_clear_alerts(game);
    }

    // Lets go of every object the test keeps: fleets let go of their targets first.
    void drop_objects() {
        for (GameObject *obj : g_world.listed) (void)list_remove_value(game->objects, obj);
        g_world.listed.clear();
        for (auto &[id, obj] : g_world.objects) object_detach(obj);
        std::map<uint64_t, GameObject *> objects = std::move(g_world.objects);
        g_world.objects.clear();
        for (auto &[id, obj] : objects) object_release(obj);
    }

    // The test holds the object, and the game's object lookup finds it (the game's object list).
    void keep(GameObject *obj) {
        object_add_ref(obj);
        g_world.objects[obj->id] = obj;
        list_append(game->objects, obj);
        g_world.listed.push_back(obj);
    }

    FakePlayer *add_player(uint64_t id) {
        auto *p = new FakePlayer{id, player_create(PLAYER_KIND_COMPUTER)};
        player_set_id(p->real, id);
        g_world.players.push_back(p);
        EXPECT_EQ(game_add_player(game, p->real), RES_OK);
        return p;
    }

    // The texts of the news of one kind for a player, in posting order.
    static std::vector<std::string> news(int32_t kind, uint64_t player) {
        std::vector<std::string> out;
        for (const Alert *a : game_get()->alerts->items)
            if (a && a->kind == kind && a->target_player_id == player) out.push_back(a->text);
        return out;
    }

    Game      *game = nullptr;
    ObjectMap *map = nullptr;   // the game's galaxy map while the test runs

private:
    GameFieldsGuard           game_fields_back_;   // the id counter, clock, generators and UI player
    WorldHooksGuard           hooks_back_;
    SlotGuard<ObjectMap *>    galaxy_back_;
};

// The owners of the ships the fleet tests move and meet.
constexpr uint64_t FLEET_RED = 77, FLEET_BLUE = 78;

// Fleets on a 4096 x 3072 galaxy on the thirtieth day, every frame of their kinds loaded.
class FleetWorld : public GalaxyWorld {
protected:
    void SetUp() override {
        GalaxyWorld::SetUp();
        if (HasFatalFailure()) return;
        for (int32_t kind : {OBJECT_SHIP, OBJECT_SECTOR, OBJECT_FLEET, OBJECT_SITE}) {
            const Factory *f = factory_get(kind);
            for (int32_t t = 0; t < f->template_count; ++t) factory_acquire_group(kind, t, FACTORY_GROUP_FRAMES);
        }
        ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
        game->next_id = 1000;
        game->clock->minutes = 30 * MINUTES_PER_DAY;
        date_from_minutes(game->clock);
        game->clock_scale = GAME_CLOCK_SCALE;
        game->clock_remainder = 0;
        game->galaxy_speed = 300;
        map_set_world_size(map, 4096, 3072);
        random_seed(20261207u);
    }

    void put_on_galaxy(GameObject *obj, int32_t x, int32_t y) {
        map_place_object(map, obj, x, y, 1);
        map_add_pending_objects(map);
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
        Player *owner = game_find_player(game, s->owner_id);
        if (!owner) owner = add_player(s->owner_id)->real;
        player_add_officer(owner, o);   // the owner's list holds it
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
        map_update(map, ms);
    }

    // Queues a day and runs 20 ms frames until it has passed; returns the frames it took.
    int32_t day() {
        game_queue_minutes(game, CLOCK_DAY_MINUTES);
        int32_t frames = 0;
        while (game_is_advancing(game) && frames < 10000) {
            frame();
            ++frames;
        }
        map_update(map, 20);   // the frame after the day: arrivals of the last step
        return frames;
    }

    bool on_galaxy(const GameObject *obj) const {
        for (GameObject *o : map->objects.items)
            if (o == obj) return true;
        return false;
    }
};

// Sectors, sites and their visitors four hundred years on; only the parameters are loaded.
class SectorFixture : public GalaxyWorld {
protected:
    void SetUp() override {
        GalaxyWorld::SetUp();
        if (HasFatalFailure()) return;
        game->next_id = 5000;
        game->clock->minutes = 400u * 24 * 60 * 365;
        date_from_minutes(game->clock);
        for (int i = 0; i < GAME_GENERATOR_COUNT; ++i) rng_seed(game->generators[i], 300u + uint32_t(i));
        seed = uint32_t(::testing::UnitTest::GetInstance()->random_seed()) + 77u;
        random_seed(seed);
    }

    // Site template t gets one frame of w x h (no sprite).
    void set_site_frame(int32_t t, int32_t w, int32_t h) {
        GameObject *tmpl = factory_get_template(OBJECT_SITE, t);
        delete[] tmpl->frames;
        delete[] tmpl->frame_w;
        delete[] tmpl->frame_h;
        tmpl->frame_count = 1;
        tmpl->frames = new Sprite *[1]();
        tmpl->frame_w = new int32_t[1]{w};
        tmpl->frame_h = new int32_t[1]{h};
    }

    // A new sector of template t on the galaxy map at (x, y), 20 x 20; the map holds it and so
    // does the test until it releases it.
    Sector *make_sector(int32_t t = 0, uint64_t owner = 0, int32_t x = 0, int32_t y = 0) {
        Sector *s = sector_create(t);
        EXPECT_NE(s, nullptr);
        s->owner_id = owner;
        object_add_ref(s);
        put(s, x, y, 20, 20);
        return s;
    }
    // A new site of template t placed into the sector at (x, y), owned by the sector's owner.
    Site *add_site(Sector *s, int32_t t, int32_t x = 0, int32_t y = 0) {
        Site *site = site_create(t);
        EXPECT_NE(site, nullptr);
        site->name = "site" + std::to_string(sector_site_count(s));
        site->owner_id = s->owner_id;
        sector_add_site(s, site, x, y);
        return site;
    }
    // A resource body with its resources and divisor.
    Site *add_body(Sector *s, int32_t t, int32_t divisor, int32_t resources) {
        Site *body = add_site(s, t);
        body->harvest_divisor = divisor;
        body->resources_left = body->resources_max = resources;
        return body;
    }
    // A feature of that kind on the site, placed by the real rule.
    SiteFeature *give_feature(Site *site, int32_t kind, int32_t defence = -1) {
        site_generate_features(site, kind);
        EXPECT_NE(site->feature, nullptr);
        if (site->feature) site->feature->defence_kind = defence;
        return site->feature;
    }
    // A real ship of hull 0 with that name and owner (not on a map).
    Ship *make_ship(const char *name, uint64_t owner, int32_t scan = 0) {
        Ship *ship = ship_of(factory_create_object(OBJECT_SHIP, 0));
        EXPECT_NE(ship, nullptr);
        ship->ship_name = name;
        ship->name = name;
        ship->owner_id = owner;
        ship->scan_range = scan;
        object_assign_id(ship);
        return ship;
    }
    // A real fleet without ships (not on a map).
    Fleet *make_fleet(const char *name, uint64_t owner) {
        Fleet *fleet = fleet_create();
        EXPECT_NE(fleet, nullptr);
        fleet->name = name;
        fleet->owner_id = owner;
        object_assign_id(fleet);
        return fleet;
    }
    // On the galaxy map at (x, y) with a size of w x h.
    void put(GameObject *obj, int32_t x, int32_t y, int32_t w, int32_t h) {
        obj->w = w;
        obj->h = h;
        if (obj->map == map) {
            obj->x = x;
            obj->y = y;
            return;
        }
        map_place_object(map, obj, x, y, 1);
        map_add_pending_objects(map);
    }
    // The pulse effects added to the test's galaxy map, oldest first.
    struct Pulse {
        ObjectMap *map;
        int32_t x, y, radius;
    };
    std::vector<Pulse> pulses() {
        std::vector<Pulse> out;
        for (List<Effect> *list : {&map->effects, &map->new_effects})
            for (Effect *e : list->items)
                if (e && e->type == 2)
                    out.push_back({e->owner, e->x, e->y, static_cast<PulseEffect *>(e)->max_radius});
        return out;
    }
    Officer *make_officer(uint64_t id, const char *name, uint64_t owner) {
        Officer *o = officer_create();
        o->id = id;
        o->name = name;
        o->owner_id = owner;
        return o;   // count 0: the first holder takes the first reference
    }

    uint32_t seed = 0;
};

// A sector of template 0 on the galaxy map for each test, released afterwards.
class OneSector : public SectorFixture {
protected:
    void SetUp() override {
        SectorFixture::SetUp();
        s = make_sector();
    }
    void TearDown() override {
        object_release(s);
        SectorFixture::TearDown();
    }
    Sector *s = nullptr;
};

}  // namespace galaxytest
