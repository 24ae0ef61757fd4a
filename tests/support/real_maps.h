#pragma once
// A fresh game record over the generated store's templates, its galaxy and combat maps sized for
// objects placed by hand: the fixture of the tests that put real objects on the game's own maps.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include "game/game.h"
#include "support/fixture_store.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"

class RealMapsTest : public ::testing::Test {
protected:
    // Loads the kinds' parameters and frames into a game made afresh.
    void start(std::initializer_list<int32_t> kinds) {
        game_destroy();
        game = game_get();
        ASSERT_NE(game, nullptr);
        ASSERT_TRUE(world.load(kinds, {FACTORY_GROUP_PARAMS, FACTORY_GROUP_FRAMES}));
        map_set_world_size(game->galaxy_map, 4096, 3072);
        map_set_world_size(game->combat_map, 4096, 3072);
    }
    void TearDown() override {
        game_destroy();   // the maps release what they hold
        world.unload();
    }

    // A hull of template 0 on the map at x, y; the map holds its only reference.
    Ship *ship_on(ObjectMap *map, int32_t x, int32_t y) {
        Ship *ship = ship_of(factory_create_object(OBJECT_SHIP, 0));
        EXPECT_NE(ship, nullptr);
        if (!ship) return nullptr;
        map_place_object(map, ship, x, y, 1);
        map_add_pending_objects(map);
        return ship;
    }

    Game *game = nullptr;
    GeneratedWorld world;
};
