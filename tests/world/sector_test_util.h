#pragma once
// Sectors under test: the real sector, site, ship and fleet kinds with their templates from the
// generated store, on a galaxy map of the game; fake players behind the stand-in table and the
// world hooks. SectorFixture sets everything up and takes it down afterwards.
#include <gtest/gtest.h>

#include "game/player.h"

#include <cstdint>
#include <string>
#include <vector>
#include "game/game.h"
#include "game/officer.h"
#include "platform/buffer.h"
#include "platform/calendar.h"
#include "platform/list.h"
#include "platform/random.h"
#include "platform/store.h"
#include "effects/effect_spark.h"
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
#include "support/state_guards.h"

namespace sector_test {

// Fake players record what the sectors ask of them; each stands for a real Player record that
// the sites credit and recount.
struct FakePlayer {
    uint64_t id = 0;
    std::vector<uint64_t> taps;   // players it holds a sensor tap on
    Player  *real = nullptr;      // owned
};

struct Learnt {
    const FakePlayer *player;
    uint64_t          id;
    int32_t           level;
    bool operator==(const Learnt &o) const { return player == o.player && id == o.id && level == o.level; }
};

struct Record {
    std::vector<Learnt> learnt;
    std::vector<FakePlayer *> players;
};
inline Record g_rec;

inline FakePlayer *fake_player(const Player *p) {
    for (FakePlayer *f : g_rec.players)
        if (f->real == p) return f;
    return nullptr;
}
inline Player *as_player(FakePlayer *p) { return p->real; }

inline WorldHooks fake_hooks() {
    WorldHooks h;
    h.find_player = [](uint64_t id) -> Player * {
        for (FakePlayer *p : g_rec.players)
            if (p->id == id) return as_player(p);
        return nullptr;
    };
    h.player_id = [](const Player *p) { return fake_player(p) ? fake_player(p)->id : 0; };
    h.player_has_sensor_tap = [](const Player *p, uint64_t tapped) {
        const FakePlayer *f = fake_player(p);
        for (uint64_t t : f ? f->taps : std::vector<uint64_t>{})
            if (t == tapped) return true;
        return false;
    };
    h.sector_has_object_of = sector_has_object_of;
    h.player_learn_object = [](Player *p, GameObject *obj, int32_t level) {
        g_rec.learnt.push_back({fake_player(p), obj->id, level});
    };
    // Fleets stand on the galaxy map; ships join and leave them through the real lists.
    h.find_object = [](uint64_t id) -> GameObject * {
        Game *game = game_get();
        if (!game || !game->galaxy_map) return nullptr;
        ObjectFilter filter;
        filter.flags = FILTER_ID;
        filter.id = id;
        return map_query_object(game->galaxy_map, &filter);
    };
    h.fleet_add_ship = fleet_hook_add_ship;
    h.fleet_remove_ship = fleet_hook_remove_ship;
    return h;
}

// Big-endian words, as the sector's files and records hold them.
inline void put_i32(std::vector<uint8_t> *out, int64_t v) {
    for (int shift : {24, 16, 8, 0}) out->push_back(uint8_t(uint32_t(v) >> shift));
}
inline void put_u64(std::vector<uint8_t> *out, uint64_t v) {
    put_i32(out, int64_t(v >> 32));
    put_i32(out, int64_t(v & 0xFFFFFFFFu));
}
inline void put_str(std::vector<uint8_t> *out, const std::string &s) {
    put_i32(out, int64_t(s.size()));
    out->insert(out->end(), s.begin(), s.end());
}

// ---- Fixture ----

class SectorFixture : public ::testing::Test {
protected:
    void SetUp() override {
        g_rec = Record{};
        factory_free();
        store_shutdown();
        store_set_path(ASTROVANE_BINARY_DIR "/store.dat");
        ASSERT_EQ(store_open(), RES_OK) << "the build makes store.dat";
        ASSERT_EQ(factory_init(), RES_OK);
        factory_acquire_group_all(FACTORY_GROUP_PARAMS);
        ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
        world_set_hooks(fake_hooks());
        game = game_get();
        ASSERT_NE(game, nullptr);
        game->next_id = 5000;
        game->queued_minutes = 0;
        game->ui_player_id = 0;
        game->clock->minutes = 400u * 24 * 60 * 365;
        date_from_minutes(game->clock);
        for (int i = 0; i < GAME_GENERATOR_COUNT; ++i) rng_seed(game->generators[i], 300u + uint32_t(i));
        players_back_.replace(game->players, &players_);
        seed = uint32_t(::testing::UnitTest::GetInstance()->random_seed()) + 77u;
        random_seed(seed);
        map = map_create();
        ASSERT_NE(map, nullptr);
        galaxy_back_.replace(game->galaxy_map, map);
    }
    void TearDown() override {
        galaxy_back_.restore();
        map_free(map);
        list_reset(&players_);
        players_back_.restore();
        factory_free();
        store_shutdown();
        for (FakePlayer *p : g_rec.players) {
            player_free(p->real);
            delete p;
        }
        g_rec = Record{};
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
    FakePlayer *add_player(uint64_t id) {
        FakePlayer *p = new FakePlayer{id, {}, player_create(PLAYER_KIND_COMPUTER)};
        player_set_id(p->real, id);
        g_rec.players.push_back(p);
        list_append(&players_, as_player(p));
        return p;
    }
    Officer *make_officer(uint64_t id, const char *name, uint64_t owner) {
        Officer *o = officer_create();
        o->id = id;
        o->name = name;
        o->owner_id = owner;
        return o;   // count 0: the first holder takes the first reference
    }

    Game      *game = nullptr;
    ObjectMap *map = nullptr;
    uint32_t   seed = 0;

private:
    List<Player>  players_;
    GameFieldsGuard           game_fields_back_;   // the id counter, clock, generators and UI player
    WorldHooksGuard           hooks_back_;
    SlotGuard<List<Player> *> players_back_;
    SlotGuard<ObjectMap *>    galaxy_back_;
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

}  // namespace sector_test
