#pragma once
// Sectors under test: a fake site kind (kind 4) whose record holds every figure a sector reads,
// a fake visitor kind for ships (kind 0) and fleets (kind 3), fake players, and the stand-in table
// pointed at them. SectorFixture installs everything and restores the real rows afterwards.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>
#include "game/game.h"
#include "game/officer.h"
#include "platform/buffer.h"
#include "platform/calendar.h"
#include "platform/list.h"
#include "platform/random.h"
#include "world/factory.h"
#include "world/kind_standins.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/object_methods.h"
#include "world/sector.h"
#include "world/world_hooks.h"

namespace sector_test {

constexpr int32_t SITE_TEMPLATES = 16;

struct FakeSite : GameObject {
    uint32_t tflags = 0, state = 0;
    int32_t  sensor = 0;
    int32_t  feature = -1, defence = -1, defenders = 0, defenders_lost = 0;
    int32_t  divisor = 0, resources = 0, crew = 0, capacity = 0, population = 0;
    uint64_t target_id = 0;
    int32_t  production = -1;
    int32_t  min_x = 0, min_y = 0, max_x = 0, max_y = 0;
    uint64_t sector_id = 0;
    int32_t  home_x = -1, home_y = -1;
    int32_t  label = -1;
    int32_t  intake = 0, harvest = 0, research = 0;
    bool     takes_feature = false;
    int32_t  generated_feature = -1;
    int32_t  recruits_spawned = 0;
    int32_t  turns = 0, minutes = 0;
    Officer *commander = nullptr;         // not held
    std::vector<Officer *> officers;      // not held
    Result   link_result = RES_OK;
    int32_t  links = 0;
};

struct Visitor : GameObject {
    int32_t  scan = 0;
    int32_t  cloak = 0;
    Officer *pilot = nullptr;   // not held
    bool     in_fleet = false;
    int32_t  turns = 0, minutes = 0;
    std::string list_name;
};

// Fake players are plain records; the game only ever passes their pointers around.
struct FakePlayer {
    uint64_t id = 0;
    std::vector<uint64_t> taps;   // players it holds a sensor tap on
};

struct Learnt {
    const FakePlayer *player;
    uint64_t          id;
    int32_t           level;
    bool operator==(const Learnt &o) const { return player == o.player && id == o.id && level == o.level; }
};

struct Record {
    std::vector<Learnt> learnt;
    std::vector<std::pair<Officer *, int32_t>> experience;
    std::vector<std::string> order;   // turns and clock steps, in call order
    struct Pulse {
        ObjectMap *map;
        int32_t x, y, radius;
    };
    std::vector<Pulse> pulses;
    std::vector<FakePlayer *> players;
};
inline Record g_rec;

inline FakeSite *fake(Site *s) { return static_cast<FakeSite *>(site_object(s)); }
inline const FakeSite *fake(const Site *s) { return static_cast<const FakeSite *>(site_object(s)); }
inline FakePlayer *fake_player(Player *p) { return reinterpret_cast<FakePlayer *>(p); }
inline Player *as_player(FakePlayer *p) { return reinterpret_cast<Player *>(p); }

// ---- Fake site kind ----
inline uint32_t site_size() { return sizeof(FakeSite); }
inline const char *site_type_name() { return "Site"; }
inline void site_init(GameObject *obj) { object_init_record<FakeSite>(obj); }
inline void site_free(GameObject *obj) { object_free_record<FakeSite>(obj); }
inline void site_copy_template(GameObject *obj, const GameObject *tmpl) {
    FakeSite *s = static_cast<FakeSite *>(obj);
    const FakeSite *t = static_cast<const FakeSite *>(tmpl);
    s->tflags = t->tflags;
    s->sensor = t->sensor;
    s->min_x = t->min_x, s->min_y = t->min_y, s->max_x = t->max_x, s->max_y = t->max_y;
    s->capacity = t->capacity;
}
inline void site_galaxy_turn(GameObject *obj) {
    ++static_cast<FakeSite *>(obj)->turns;
    g_rec.order.push_back("turn " + obj->name);
}
inline void site_advance_clock(GameObject *obj, int32_t minutes) {
    static_cast<FakeSite *>(obj)->minutes += minutes;
    g_rec.order.push_back("clock " + obj->name);
}
// The save form of the fake: the state word and the crew.
inline Result site_write(const GameObject *obj, Buffer *buf) {
    const FakeSite *s = static_cast<const FakeSite *>(obj);
    Result r = buffer_write_u32(buf, s->state);
    if (r == RES_OK) r = buffer_write_i32(buf, s->crew);
    return r;
}
inline Result site_read(GameObject *obj, Buffer *buf) {
    FakeSite *s = static_cast<FakeSite *>(obj);
    Result r = buffer_read_u32(buf, &s->state);
    if (r == RES_OK) r = buffer_read_i32(buf, &s->crew);
    return r;
}
inline Result site_link(GameObject *obj) {
    FakeSite *s = static_cast<FakeSite *>(obj);
    ++s->links;
    return s->link_result;
}
inline void site_register(ObjectMethods *m) {
    *m = ObjectMethods{.size = site_size, .type_name = site_type_name, .init = site_init, .free = site_free,
                       .copy_template = site_copy_template, .galaxy_turn = site_galaxy_turn,
                       .write = site_write, .read = site_read, .link = site_link,
                       .advance_clock = site_advance_clock};
}
inline void site_factory(Factory *f) { f->template_count = SITE_TEMPLATES; }

// ---- Fake visitor kind (ships and fleets) ----
inline uint32_t visitor_size() { return sizeof(Visitor); }
inline const char *ship_type_name() { return "Ship"; }
inline const char *fleet_type_name() { return "Fleet"; }
inline void visitor_init(GameObject *obj) { object_init_record<Visitor>(obj); }
inline void visitor_free(GameObject *obj) { object_free_record<Visitor>(obj); }
inline void visitor_galaxy_turn(GameObject *obj) {
    ++static_cast<Visitor *>(obj)->turns;
    g_rec.order.push_back("turn " + obj->name);
}
inline void visitor_advance_clock(GameObject *obj, int32_t minutes) {
    static_cast<Visitor *>(obj)->minutes += minutes;
    g_rec.order.push_back("clock " + obj->name);
}
inline void ship_register(ObjectMethods *m) {
    *m = ObjectMethods{.size = visitor_size, .type_name = ship_type_name, .init = visitor_init,
                       .free = visitor_free, .galaxy_turn = visitor_galaxy_turn,
                       .advance_clock = visitor_advance_clock};
}
inline void fleet_register(ObjectMethods *m) {
    *m = ObjectMethods{.size = visitor_size, .type_name = fleet_type_name, .init = visitor_init, .free = visitor_free};
}
inline void one_template(Factory *f) { f->template_count = 1; }

// ---- The stand-in table over the fakes ----
inline KindStandIns fake_standins() {
    KindStandIns k;
    k.site_template_flags = [](const Site *s) { return fake(s)->tflags; };
    k.site_state = [](const Site *s) { return fake(s)->state; };
    k.site_sensor_range = [](const Site *s) { return fake(s)->sensor; };
    k.site_feature_kind = [](const Site *s) { return fake(s)->feature; };
    k.site_feature_defence_kind = [](const Site *s) { return fake(s)->defence; };
    k.site_feature_defenders = [](const Site *s) { return fake(s)->defenders; };
    k.site_feature_defenders_lost = [](const Site *s) { return fake(s)->defenders_lost; };
    k.site_harvest_divisor = [](const Site *s) { return fake(s)->divisor; };
    k.site_harvest_target_id = [](const Site *s) { return fake(s)->target_id; };
    k.site_resources_left = [](const Site *s) { return fake(s)->resources; };
    k.site_crew = [](const Site *s) { return fake(s)->crew; };
    k.site_crew_capacity = [](const Site *s) { return fake(s)->capacity; };
    k.site_population = [](const Site *s) { return fake(s)->population; };
    k.site_commander = [](const Site *s) { return fake(s)->commander; };
    k.site_officer_count = [](const Site *s) { return int32_t(fake(s)->officers.size()); };
    k.site_officer = [](const Site *s, int32_t i) {
        return i >= 0 && size_t(i) < fake(s)->officers.size() ? fake(s)->officers[size_t(i)] : nullptr;
    };
    k.site_production_template = [](const Site *s) { return fake(s)->production; };
    k.site_place_rect = [](const Site *s, int32_t *x0, int32_t *y0, int32_t *x1, int32_t *y1) {
        *x0 = fake(s)->min_x, *y0 = fake(s)->min_y, *x1 = fake(s)->max_x, *y1 = fake(s)->max_y;
    };
    k.site_set_sector_id = [](Site *s, uint64_t id) { fake(s)->sector_id = id; };
    k.site_set_home = [](Site *s, int32_t x, int32_t y) { fake(s)->home_x = x, fake(s)->home_y = y; };
    k.site_label_number = [](const Site *s) { return fake(s)->label; };
    k.site_set_label_number = [](Site *s, int32_t n) { fake(s)->label = n; };
    k.site_crew_intake_rate = [](Site *s) { return fake(s)->intake; };
    k.site_harvest_amount = [](Site *s) { return fake(s)->harvest; };
    k.site_research_rate = [](Site *s) { return fake(s)->research; };
    k.site_spawn_initial_recruits = [](Site *s) { ++fake(s)->recruits_spawned; };
    k.site_feature_flag_test = [](Site *s, int32_t) { return fake(s)->takes_feature; };
    k.site_generate_features = [](Site *s, int32_t kind) { fake(s)->generated_feature = kind; };
    k.ship_scan_range = [](const GameObject *o) { return static_cast<const Visitor *>(o)->scan; };
    k.ship_pilot = [](const GameObject *o) { return static_cast<const Visitor *>(o)->pilot; };
    k.object_list_name = [](const GameObject *o) { return static_cast<const Visitor *>(o)->list_name.c_str(); };
    k.ship_leave_fleet = [](GameObject *o) { static_cast<Visitor *>(o)->in_fleet = false; };
    k.fleet_cloak = [](const GameObject *o) { return static_cast<const Visitor *>(o)->cloak; };
    k.player_learn_object = [](Player *p, GameObject *obj, int32_t level) {
        g_rec.learnt.push_back({fake_player(p), obj->id, level});
    };
    k.officer_add_base_experience = [](Officer *o, int32_t amount) { g_rec.experience.emplace_back(o, amount); };
    k.effect_pulse = [](ObjectMap *map, int32_t x, int32_t y, int32_t radius) {
        g_rec.pulses.push_back({map, x, y, radius});
    };
    return k;
}

inline WorldHooks fake_hooks() {
    WorldHooks h;
    h.find_player = [](uint64_t id) -> Player * {
        for (FakePlayer *p : g_rec.players)
            if (p->id == id) return as_player(p);
        return nullptr;
    };
    h.player_id = [](const Player *p) { return reinterpret_cast<const FakePlayer *>(p)->id; };
    h.player_has_sensor_tap = [](const Player *p, uint64_t tapped) {
        for (uint64_t t : reinterpret_cast<const FakePlayer *>(p)->taps)
            if (t == tapped) return true;
        return false;
    };
    h.sector_has_object_of = sector_has_object_of;
    return h;
}

// ---- Fixture ----

class SectorFixture : public ::testing::Test {
protected:
    void SetUp() override {
        g_rec = Record{};
        factory_free();
        ObjectMethods row;
        site_register(&row);
        saved_rows_[0] = object_methods_swap(OBJECT_SITE, row);
        ship_register(&row);
        saved_rows_[1] = object_methods_swap(OBJECT_SHIP, row);
        fleet_register(&row);
        saved_rows_[2] = object_methods_swap(OBJECT_FLEET, row);
        factory_set_register(OBJECT_SITE, site_factory);
        factory_set_register(OBJECT_SHIP, one_template);
        factory_set_register(OBJECT_FLEET, one_template);
        ASSERT_EQ(factory_init(), RES_OK);
        for (int32_t t = 0; t < SITE_TEMPLATES; ++t) {
            GameObject *tmpl = factory_get_template(OBJECT_SITE, t);
            tmpl->name = "Site " + std::to_string(t);
            set_site_frame(t, 60, 40);
        }
        kind_standins_set(fake_standins());
        world_set_hooks(fake_hooks());
        game = game_get();
        ASSERT_NE(game, nullptr);
        game->next_id = 5000;
        game->queued_minutes = 0;
        game->ui_player_id = 0;
        players_list_ = game->players;
        game->players = &players_;
        seed = uint32_t(::testing::UnitTest::GetInstance()->random_seed()) + 77u;
        random_seed(seed);
        map = map_create();
        ASSERT_NE(map, nullptr);
    }
    void TearDown() override {
        map_free(map);
        list_reset(&players_);
        game->players = players_list_;
        kind_standins_set(KindStandIns{});
        world_set_hooks(WorldHooks{});
        factory_free();
        factory_set_register(OBJECT_SITE, nullptr);
        factory_set_register(OBJECT_SHIP, nullptr);
        factory_set_register(OBJECT_FLEET, nullptr);
        object_methods_swap(OBJECT_SITE, saved_rows_[0]);
        object_methods_swap(OBJECT_SHIP, saved_rows_[1]);
        object_methods_swap(OBJECT_FLEET, saved_rows_[2]);
        for (FakePlayer *p : g_rec.players) delete p;
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
    FakeSite *site_template(int32_t t) { return static_cast<FakeSite *>(factory_get_template(OBJECT_SITE, t)); }

    // A new sector of template t (no frames loaded), held by the test until it releases it.
    Sector *make_sector(int32_t t = 0, uint64_t owner = 0) {
        Sector *s = sector_create(t);
        EXPECT_NE(s, nullptr);
        object_assign_id(s);
        s->owner_id = owner;
        object_add_ref(s);
        return s;
    }
    // A new site of template t placed into the sector at (x, y).
    FakeSite *add_site(Sector *s, int32_t t, int32_t x = 0, int32_t y = 0) {
        GameObject *obj = factory_create_object(OBJECT_SITE, t);
        EXPECT_NE(obj, nullptr);
        obj->name = "site" + std::to_string(sector_site_count(s));
        sector_add_site(s, object_site(obj), x, y);
        return static_cast<FakeSite *>(obj);
    }
    Visitor *make_visitor(int32_t kind, const char *name, uint64_t owner) {
        GameObject *obj = factory_create_object(kind, 0);
        EXPECT_NE(obj, nullptr);
        obj->name = name;
        obj->owner_id = owner;
        object_assign_id(obj);
        return static_cast<Visitor *>(obj);
    }
    FakePlayer *add_player(uint64_t id) {
        FakePlayer *p = new FakePlayer{id, {}};
        g_rec.players.push_back(p);
        list_append(&players_, as_player(p));
        return p;
    }

    Game      *game = nullptr;
    ObjectMap *map = nullptr;
    uint32_t   seed = 0;

private:
    ObjectMethods saved_rows_[3];
    List<Player> *players_list_ = nullptr;
    List<Player>  players_;
};

}  // namespace sector_test
