#pragma once
// A battle for the combat AI tests: the generated store with the real system types, the ship factory
// with every hull's frames and the game's combat map, two computer players in the game's list with
// their commanders, and armed hulls placed on the map. The AI's plan and act hooks are the real ones.
#include <gtest/gtest.h>
#include "support/fixture_store.h"
#include "support/state_guards.h"
#include "world/combat_test_util.h"

#include <vector>
#include "ai/agent_task.h"
#include "ai/ai_combat.h"
#include "ai/ai_player.h"
#include "app/app_hooks.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/random.h"
#include "systems/system.h"
#include "world/factory.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"
#include "world/world_hooks.h"

namespace aitest {

// Hulls of the generated store and the Lancer's mounts.
using shiptest::HULL_SKIFF, shiptest::HULL_LANCER, shiptest::HULL_CORSAIR;
using shiptest::LANCER_FORE, shiptest::LANCER_PORT, shiptest::LANCER_STARBOARD, shiptest::LANCER_ENGINE,
    shiptest::LANCER_ARMOUR;
using shiptest::RED, shiptest::BLUE;   // the two owners

class Battle : public ::testing::Test {
protected:
    Game *game = nullptr;
    ObjectMap *map = nullptr;
    Player *red = nullptr, *blue = nullptr;
    WorldHooksGuard world_hooks_back_;
    PlayerAiHooksGuard ai_hooks_back_;
    GameFieldsGuard game_fields_back_;
    GeneratedWorld world_;

    void SetUp() override {
        ASSERT_TRUE(world_.load({OBJECT_SHIP}, {0, 1, 2, 3}));
        game = game_get();
        game_clear(game);
        map = game->combat_map;
        ASSERT_NE(map, nullptr);
        map_clear(map);
        map_set_world_size(map, 4096, 3072);
        app_install_hooks();   // the AI layer's tables, the combat AI's plan and act among them
        agent_task_types_init();
        seed(4242);
        red = add_player(RED, "Red Corp");
        blue = add_player(BLUE, "Blue Corp");
    }

    void TearDown() override {
        for (Player *p : {red, blue})
            if (p && p->commander_ai) ai_player_stop(p->commander_ai);
        map_clear(map);
        game_clear_players(game);
        world_.unload();
    }

    void seed(uint32_t s) {
        random_seed(s);
        for (Rng *rng : game->generators) rng_seed(rng, s);
    }

    Player *add_player(uint64_t id, const char *name) {
        Player *p = player_create(PLAYER_KIND_COMPUTER);
        EXPECT_NE(p, nullptr);
        player_set_id(p, id);
        player_set_name(p, name);
        p->commander_ai = ai_player_create_commander();
        ai_commander_preset_1(p->commander_ai);
        ai_player_stop(p->commander_ai);
        EXPECT_EQ(game_add_player(game, p), RES_OK);
        return p;
    }

    // A hull on the combat map; the map holds it. An id set here is kept.
    Ship *hull(int32_t tmpl, uint64_t owner, int32_t x, int32_t y, int32_t heading, uint64_t id = 0) {
        return shiptest::on_map(map, tmpl, x, y, heading, owner, id);
    }
    static System *fit(Ship *s, int32_t crit, int32_t type, int32_t subtype = -1) {
        return shiptest::fit(s, crit, type, subtype);
    }

    // A Lancer with three beams, an engine and armour, ready for its first turn.
    Ship *lancer(uint64_t owner, int32_t x, int32_t y, int32_t heading, uint64_t id = 0) {
        Ship *s = hull(HULL_LANCER, owner, x, y, heading, id);
        if (!s) return nullptr;
        fit(s, LANCER_FORE, SYSTEM_TYPE_BEAM);
        fit(s, LANCER_PORT, SYSTEM_TYPE_BEAM);
        fit(s, LANCER_STARBOARD, SYSTEM_TYPE_BEAM);
        fit(s, LANCER_ENGINE, SYSTEM_TYPE_ENGINE, 1);
        fit(s, LANCER_ARMOUR, SYSTEM_TYPE_ARMOUR);
        s->crew = s->max_crew;
        ship_recompute_stats(s);
        object_begin_encounter(s);
        // As an encounter starts: every other side learns the ship.
        for (Player *p : {red, blue})
            if (p && p->id != owner) player_learn_object(p, s, 0);
        return s;
    }

    // Eight Lancers in a ring round the ship, two pixels clear of it, each facing a way of its own;
    // owner_at(dx, dy) picks the owner of the one at that offset. Answers how many were placed.
    template <typename OwnerAt>
    int32_t ring_round(const Ship *centre, OwnerAt owner_at) {
        int32_t placed = 0;
        for (int32_t dx = -1; dx <= 1; ++dx)
            for (int32_t dy = -1; dy <= 1; ++dy)
                if (dx || dy)
                    placed += lancer(owner_at(dx, dy), centre->x + dx * (centre->w + 2), centre->y + dy * (centre->h + 2),
                                     90 * ((dx + 2) % 4)) != nullptr;
        return placed;
    }

    static std::vector<Ship *> ships_of(ObjectMap *m, uint64_t owner) {
        std::vector<Ship *> out;
        for (GameObject *obj : m->objects.items)
            if (Ship *s = ship_of(obj); s && s->owner_id == owner && !(s->flags & (OBJ_DEAD | OBJ_LEFT_MAP)))
                out.push_back(s);
        return out;
    }
};

}  // namespace aitest
