// The game record with its world: the three object maps and the star layer it makes, what clearing
// and freeing do to them, the object lookup across the maps and the global list, and the weighted
// random pick of the resolve-at-once mode.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>
#include "effects/starfield.h"
#include "game/game.h"
#include "game/player.h"
#include "platform/list.h"
#include "platform/random.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"

namespace {

class GameWorld : public ::testing::Test {
protected:
    void SetUp() override {
        game = game_create();
        ASSERT_NE(game, nullptr);
    }
    void TearDown() override { game_free(game); }

    // A blank object of the kind with its own id, placed on the map and joined at once.
    GameObject *put(ObjectMap *map, int32_t kind, uint64_t id) {
        GameObject *obj = object_create_blank(kind);
        EXPECT_NE(obj, nullptr);
        obj->id = id;
        map_place_object(map, obj, 10, 10, 0);
        map_add_pending_objects(map);
        return obj;
    }

    Game *game = nullptr;
};

TEST_F(GameWorld, CreateMakesThreeSeparateEmptyMapsAndAStarLayer) {
    ASSERT_NE(game->galaxy_map, nullptr);
    ASSERT_NE(game->sector_map, nullptr);
    ASSERT_NE(game->combat_map, nullptr);
    EXPECT_NE(game->galaxy_map, game->sector_map);
    EXPECT_NE(game->sector_map, game->combat_map);
    EXPECT_NE(game->galaxy_map, game->combat_map);
    for (const ObjectMap *map : {game->galaxy_map, game->sector_map, game->combat_map})
        EXPECT_EQ(map_object_count(map), 0);
    ASSERT_NE(game->star_layer, nullptr);
    ASSERT_NE(game->star_layer->stars, nullptr);
    EXPECT_GT(list_count(game->star_layer->stars), 0) << "the star layer is generated with the game";
}

TEST_F(GameWorld, ClearEmptiesTheMapsButKeepsThemAndTheStarLayer) {
    ObjectMap *galaxy = game->galaxy_map, *contents = game->sector_map, *combat = game->combat_map;
    Starfield *stars = game->star_layer;
    put(galaxy, OBJECT_SECTOR, 11);
    put(contents, OBJECT_SHIP, 12);
    put(combat, OBJECT_SHIP, 13);
    ASSERT_EQ(map_object_count(galaxy), 1);
    game_clear(game);
    EXPECT_EQ(game->galaxy_map, galaxy);
    EXPECT_EQ(game->sector_map, contents);
    EXPECT_EQ(game->combat_map, combat);
    EXPECT_EQ(game->star_layer, stars);
    for (const ObjectMap *map : {galaxy, contents, combat}) EXPECT_EQ(map_object_count(map), 0);
    EXPECT_EQ(game_find_object(game, 11), nullptr);
}

TEST_F(GameWorld, FreeReleasesTheObjectsLeftOnTheMaps) {
    // The maps hold the only references: freeing the game must free the objects (ASan and the
    // reference count tell).
    GameObject *ship = put(game->combat_map, OBJECT_SHIP, 21);
    object_add_ref(ship);   // ours, to look at it after the free
    game_free(game);
    game = nullptr;
    EXPECT_EQ(ship->refcount, 1) << "the map released its references";
    object_release(ship);
}

TEST_F(GameWorld, FindObjectSearchesTheGalaxyThenTheSectorContentsThenTheCombatMap) {
    EXPECT_EQ(game_find_object(game, 0), nullptr);
    GameObject *in_combat = put(game->combat_map, OBJECT_SHIP, 31);
    EXPECT_EQ(game_find_object(game, 31), in_combat);
    GameObject *in_contents = put(game->sector_map, OBJECT_SHIP, 31);
    EXPECT_EQ(game_find_object(game, 31), in_contents) << "the sector contents come before the combat map";
    GameObject *in_galaxy = put(game->galaxy_map, OBJECT_SHIP, 31);
    EXPECT_EQ(game_find_object(game, 31), in_galaxy) << "the galaxy comes first";
    EXPECT_EQ(game_find_object(game, 32), nullptr);
}

TEST_F(GameWorld, FindObjectSkipsStubsAndAsksEachObjectForWhatItHolds) {
    GameObject *stub = put(game->galaxy_map, OBJECT_SHIP, 41);
    stub->flags |= OBJ_STUB;   // a header waiting for its link
    EXPECT_EQ(game_find_object(game, 41), nullptr);
    stub->flags &= ~OBJ_STUB;   // a whole ship record again, freed as one

    GameObject *sector = put(game->galaxy_map, OBJECT_SECTOR, 42);
    GameObject *visitor = object_create_blank(OBJECT_SHIP);
    ASSERT_NE(visitor, nullptr);
    visitor->id = 43;
    sector_add_object(sector_of(sector), visitor);
    EXPECT_EQ(game_find_object(game, 43), visitor) << "found inside the sector on the galaxy map";
    EXPECT_EQ(game_find_object_of_kind(game, OBJECT_SHIP, 43), visitor);
    EXPECT_EQ(game_find_object_of_kind(game, OBJECT_SECTOR, 43), nullptr);
    EXPECT_EQ(game_find_object_of_kind(game, OBJECT_SECTOR, 42), sector);
}

TEST_F(GameWorld, FindObjectFallsBackToTheGlobalObjectList) {
    GameObject *loose = object_create_blank(OBJECT_SHIP);
    ASSERT_NE(loose, nullptr);
    loose->id = 51;
    list_append(game->objects, loose);
    EXPECT_EQ(game_find_object(game, 51), loose);
    GameObject *mapped = put(game->combat_map, OBJECT_SHIP, 51);
    EXPECT_EQ(game_find_object(game, 51), mapped) << "the maps come before the list";
    list_reset(game->objects);   // the test destroys the object itself
    object_destroy(loose);
}

TEST_F(GameWorld, FindObjectLooksInThePlayersOwnListsBeforeTheGlobalList) {
    Player *player = player_create(PLAYER_KIND_COMPUTER);
    ASSERT_NE(player, nullptr);
    player->id = 900;
    list_append(game->players, player);
    GameObject *owned = object_create_blank(OBJECT_SHIP);
    ASSERT_NE(owned, nullptr);
    owned->id = 61;
    list_append(&player->objects, owned);
    GameObject *loose = object_create_blank(OBJECT_SHIP);
    ASSERT_NE(loose, nullptr);
    loose->id = 61;
    list_append(game->objects, loose);
    EXPECT_EQ(game_find_object(game, 61), owned) << "a player's own ship comes before the global list";
    list_reset(&player->objects);
    list_reset(game->players);
    list_reset(game->objects);   // the test destroys the object itself
    object_destroy(owned);
    object_destroy(loose);
    player_release(player);
}

// ---- Weighted picks ----

int32_t weights_with(std::initializer_list<std::pair<int, int32_t>> set, int32_t out[30]) {
    std::memset(out, 0, 30 * sizeof(int32_t));
    int32_t total = 0;
    for (auto [i, w] : set) {
        out[i] = w;
        total += w;
    }
    return total;
}

TEST_F(GameWorld, WeightedPickTakesOnlyIndicesWithWeightInBothModes) {
    int32_t w[30];
    const int32_t total = weights_with({{2, 5}, {17, 3}}, w);
    random_seed(7);
    game_clear(game);
    for (uint32_t flags : {0u, GAME_FLAG_RESOLVE_AT_ONCE}) {
        game->flags = flags;
        int seen2 = 0, seen17 = 0;
        for (int n = 0; n < 400; ++n) {
            const int i = game_random_weighted_index(game, w, total);
            ASSERT_TRUE(i == 2 || i == 17) << "flags " << flags << " gave " << i;
            (i == 2 ? seen2 : seen17)++;
        }
        EXPECT_GT(seen2, seen17) << "weight 5 against weight 3, flags " << flags;
        EXPECT_GT(seen17, 0);
    }
    EXPECT_EQ(game_random_weighted_index(game, w, 0), 0) << "no total: index 0";
}

TEST_F(GameWorld, WeightedPickInResolveAtOnceModeAdvancesTheFourthGeneratorOnly) {
    int32_t w[30];
    const int32_t total = weights_with({{0, 1}, {1, 1}, {29, 1}}, w);
    random_seed(11);
    game_clear(game);
    uint32_t before[GAME_GENERATOR_COUNT];
    for (int i = 0; i < GAME_GENERATOR_COUNT; ++i) before[i] = game->generators[i]->index;

    random_seed(99);
    const uint32_t first_quick = random_raw();

    // Quick draws: the pick takes from the quick generator; the seven saved generators stay.
    random_seed(99);
    (void)game_random_weighted_index(game, w, total);
    EXPECT_NE(random_raw(), first_quick) << "the pick drew from the quick generator";
    for (int i = 0; i < GAME_GENERATOR_COUNT; ++i) EXPECT_EQ(game->generators[i]->index, before[i]) << i;

    // Resolve-at-once: only the fourth generator moves, and the quick sequence is left alone.
    game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;
    random_seed(99);
    (void)game_random_weighted_index(game, w, total);
    EXPECT_EQ(random_raw(), first_quick) << "the quick sequence is left alone";
    for (int i = 0; i < GAME_GENERATOR_COUNT; ++i) {
        if (i == GAME_GENERATOR_RESOLVE) EXPECT_EQ(game->generators[i]->index, before[i] + 1);
        else EXPECT_EQ(game->generators[i]->index, before[i]) << i;
    }
}

}  // namespace
