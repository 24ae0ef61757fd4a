#pragma once
// Battles over real objects from the generated store.
// Battlefield: a small galaxy for battles fought without the combat screen: the game with its
// players, sectors on the galaxy map, hulls fitted with store systems and standing in their sectors,
// and encounters laid out by the game's own layout.
//  - The fixture holds one reference on every ship and site it makes, so a test can look at them
//    after the battle released them; they go before the game does.
//  - The scripted gunner (scripted_gunner.h) can stand in for the computer players' combat AI.
// StoreEncounter: the same store for one encounter of store hulls and sites set up, laid out and
// started by hand, with a human player, a computer player and the battle-time (ARK) and Sol players.
#include <gtest/gtest.h>
#include "support/fixture_store.h"
#include "support/state_guards.h"
#include "scripted_gunner.h"

#include <cstdint>
#include <utility>
#include <vector>
#include "game/autocombat.h"
#include "game/encounter.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/list.h"
#include "platform/random.h"
#include "systems/system.h"
#include "world/factory.h"
#include "world/fleet.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"
#include "world/world_hooks.h"

namespace autocombat_test {

// Hull templates and crits of the generated store.
constexpr int32_t HULL_LANCER = 3;
constexpr int32_t LANCER_FORE = 0, LANCER_ENGINE = 3;

class Battlefield : public ::testing::Test {
protected:
    // The store's templates are loaded once for all the battles of a suite.
    static void SetUpTestSuite() {
        world = new GeneratedWorld();
        loaded = world->load({OBJECT_SHIP, OBJECT_SHOT, OBJECT_SECTOR, OBJECT_FLEET, OBJECT_SITE}, {0, 1, 2, 3});
    }
    static void TearDownTestSuite() {
        delete world;
        world = nullptr;
    }

    void SetUp() override {
        game_destroy();
        ASSERT_TRUE(loaded);
        game = game_get();
        ASSERT_NE(game, nullptr);
        random_seed(20261207);
        for (uint32_t i = 0; i < GAME_GENERATOR_COUNT; ++i) rng_seed(game->generators[i], 4242 + i);
    }
    void TearDown() override {
        for (Encounter *e : held_encounters) encounter_release(e);
        held_encounters.clear();
        for (GameObject *obj : held) object_release(obj);
        held.clear();
        game_destroy();
    }

    Player *player(uint64_t id, int32_t kind = PLAYER_KIND_COMPUTER) {
        Player *p = player_create(kind);
        EXPECT_NE(p, nullptr);
        player_set_id(p, id);
        player_set_name(p, kind == PLAYER_KIND_HUMAN ? "Vega Lines" : "Orion Combine");
        EXPECT_EQ(game_add_player(game, p), RES_OK);
        return p;
    }
    // A sector of template 0 on the galaxy map with its top-left corner at (x, y).
    Sector *sector(int32_t x, int32_t y, uint64_t owner = 0) {
        Sector *s = sector_create(0);
        EXPECT_NE(s, nullptr);
        object_set_owner_id(s, owner);
        map_place_object(game->galaxy_map, s, x, y, 1);
        map_add_pending_objects(game->galaxy_map);
        return s;
    }
    // A starbase (or another site) of the owner in the sector.
    Site *site(Sector *in, int32_t t, uint64_t owner) {
        Site *s = site_create(t);
        EXPECT_NE(s, nullptr);
        object_set_owner_id(s, owner);
        sector_add_site(in, s, in->x, in->y);
        object_add_ref(s);
        held.push_back(s);
        return s;
    }
    // A Lancer of the player, fitted with the systems, standing in the sector (or, without one, in
    // a fresh fleet of its own on the galaxy map).
    Ship *ship(Player *owner, Sector *in, std::initializer_list<std::pair<int32_t, int32_t>> systems) {
        Ship *s = ship_of(factory_create_object(OBJECT_SHIP, HULL_LANCER));
        EXPECT_NE(s, nullptr);
        if (!s) return nullptr;
        for (auto [crit, type] : systems) {
            System *sys = system_create(type);
            EXPECT_NE(sys, nullptr) << type;
            if (sys && ship_set_crit_system(s, crit, sys) != RES_OK) {
                ADD_FAILURE() << "crit " << crit << " refused type " << type;
                system_free(sys);
            }
        }
        player_commission_ship(owner, s, nullptr, in);
        object_add_ref(s);
        held.push_back(s);
        return s;
    }
    Ship *gunship(Player *owner, Sector *in) {
        return ship(owner, in, {{LANCER_FORE, SYSTEM_TYPE_BEAM}, {LANCER_ENGINE, SYSTEM_TYPE_ENGINE}});
    }
    Ship *hauler(Player *owner, Sector *in) { return ship(owner, in, {{LANCER_ENGINE, SYSTEM_TYPE_ENGINE}}); }

    // An encounter of the objects at the sector (or, without one, at the point), laid out and kept
    // in the game's list; the fixture holds a reference of its own.
    Encounter *battle(Sector *at, std::initializer_list<GameObject *> objects, int32_t kind = ENCOUNTER_ENGAGEMENT,
                      int32_t x = 0, int32_t y = 0) {
        Encounter *enc = encounter_create();
        EXPECT_NE(enc, nullptr);
        enc->kind = kind;
        enc->sector_id = at ? at->id : 0;
        enc->centre_x = at ? at->x + at->w / 2 : x;
        enc->centre_y = at ? at->y + at->h / 2 : y;
        enc->field_w = 900;
        enc->field_h = 700;
        for (GameObject *obj : objects) encounter_add_object(enc, obj);
        encounter_seed_random(enc, 77);
        EXPECT_EQ(game_add_encounter(game, enc), RES_OK);
        encounter_retain(enc);
        held_encounters.push_back(enc);
        encounter_layout(enc);
        return enc;
    }
    void use_gunners() {
        WorldHooks hooks = world_hooks();
        hooks.ai_act_ship = scripted::gunner_act;
        world_set_hooks(hooks);
    }
    Fleet *fleet_of_ship(const Ship *s) {
        return fleet_of(s->fleet_id ? game_find_object_of_kind(game, OBJECT_FLEET, s->fleet_id) : nullptr);
    }

    static inline GeneratedWorld *world = nullptr;
    static inline ::testing::AssertionResult loaded = ::testing::AssertionFailure();
    Game *game = nullptr;
    WorldHooksGuard hooks_back_;
    std::vector<GameObject *> held;
    std::vector<Encounter *> held_encounters;
};

// Every placement lies on the field, one for each object; every searched placement lies inside the
// field off the top and left margins, and no two touch (a starbase or carrier stands where it must).
inline void expect_laid_out_apart(const Encounter *enc) {
    EXPECT_EQ(enc->placements.size(), size_t(list_count(enc->objects)));
    std::vector<std::pair<uint64_t, EncounterPlacement>> searched;
    for (const auto &[id, p] : enc->placements) {
        EXPECT_GE(p.x + p.w, 0) << id;
        EXPECT_LE(p.x, enc->field_w) << id;
        if (!(p.flags & PLACEMENT_FLAG_PLACED)) continue;
        EXPECT_GE(p.x, 32) << id;
        EXPECT_GE(p.y, 32) << id;
        EXPECT_LE(p.x + p.w, enc->field_w) << id;
        EXPECT_LE(p.y + p.h, enc->field_h) << id;
        for (const auto &[other_id, q] : searched)
            EXPECT_TRUE(p.x > q.x + q.w || p.y > q.y + q.h || p.x + p.w < q.x || p.y + p.h < q.y)
                << id << " overlaps " << other_id;
        searched.emplace_back(id, p);
    }
}

class StoreEncounter : public Battlefield {
protected:
    static constexpr uint64_t RED = 1, BLUE = 2, ARK = 3, SOL = 4;

    void SetUp() override {
        Battlefield::SetUp();
        for (uint64_t id : {RED, BLUE, ARK, SOL}) player(id, id == RED ? PLAYER_KIND_HUMAN : PLAYER_KIND_COMPUTER);
        game->combat_ai_player_id = ARK;
        game->sol_player_id = SOL;
    }
    // A hull of the owner with an id, kept in the game's global list till the game goes.
    Ship *ship(int32_t hull, uint64_t owner) {
        Ship *s = ship_of(factory_create_object(OBJECT_SHIP, hull));
        EXPECT_NE(s, nullptr);
        s->owner_id = owner;
        object_assign_id(s);
        ship_recompute_stats(s);
        object_add_ref(s);
        list_append(game->objects, static_cast<GameObject *>(s));
        return s;
    }
    // A fresh encounter on a field of the standard size, seeded.
    static Encounter *new_encounter(uint32_t seed, int32_t kind = ENCOUNTER_ENGAGEMENT) {
        Encounter *enc = encounter_create();
        EXPECT_NE(enc, nullptr);
        enc->kind = kind;
        enc->field_w = 1365;
        enc->field_h = 1024;
        encounter_seed_random(enc, seed);
        return enc;
    }
};

}  // namespace autocombat_test
