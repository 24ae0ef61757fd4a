// The game record with its world: clearing, ids, the seven generators and the game's random picks,
// the three object maps and the star layer, the object lookup across the maps and lists, the cursors
// it frees. (The singleton is every fixture's game_get and game_destroy.)
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <set>
#include <tuple>
#include <vector>
#include "effects/starfield.h"
#include "game/game.h"
#include "game/object_index.h"
#include "game/player.h"
#include "platform/calendar.h"
#include "platform/list.h"
#include "platform/random.h"
#include "platform/sprite.h"
#include "ui/cursor.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"

namespace {

class GameRecord : public ::testing::Test {
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

// ---- Clearing, ids and generators ----

TEST_F(GameRecord, ClearStartsANewIdRangeAndResetsTheCountersButKeepsPreferencesSettingsAndSlots) {
    game->save_counter = 9;
    game->autosave_countdown = 3;
    game->turn_counter = 40;
    game->queued_minutes = 600;
    game->winner_id = 77;
    game->win_kind = WIN_TWO_THIRDS;
    game->sol_budget = 5;
    game->newest_alert_id = 8;
    game->galaxy_speed = 450;
    game->setup.star_density = 4;
    game->slot_record_ids[2] = 99;
    game->slot_red[2] = 200;
    game->music_override = 3;
    game->clock->minutes = 123456;
    game_clear(game);
    EXPECT_NE(game->next_id, 0u);
    EXPECT_EQ(game->next_id & 0xFFu, 0u) << "the low byte is 0";
    EXPECT_LT(game->next_id, uint64_t(1) << 40);
    struct Row { const char *what; int64_t got, want; };
    const Row rows[] = {
        {"save counter", game->save_counter, 1},       {"autosave countdown", game->autosave_countdown, 14},
        {"turn counter", game->turn_counter, 0},       {"queued minutes", game->queued_minutes, 0},
        {"clock scale", game->clock_scale, 28800},     {"winner", int64_t(game->winner_id), 0},
        {"win kind", game->win_kind, WIN_ONLY_SECTOR_HOLDER}, {"Sol budget", game->sol_budget, 0},
        {"newest alert", int64_t(game->newest_alert_id), 0},
        // kept
        {"galaxy speed", game->galaxy_speed, 450},     {"star density", game->setup.star_density, 4},
        {"slot record", int64_t(game->slot_record_ids[2]), 99}, {"slot red", game->slot_red[2], 200},
        {"music override", game->music_override, 3},   {"clock", int64_t(game->clock->minutes), 123456},
    };
    for (const Row &r : rows) EXPECT_EQ(r.got, r.want) << r.what;
    EXPECT_GE(game->backdrop, 0);
    EXPECT_LT(game->backdrop, 16);
}

TEST_F(GameRecord, ClearSeedsTheSevenGeneratorsFromTheQuickDraws) {
    const uint32_t seed = 20121209;
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    random_seed(seed);
    game_clear(game);
    uint32_t first[GAME_GENERATOR_COUNT];
    for (int i = 0; i < GAME_GENERATOR_COUNT; ++i) first[i] = rng_next(game->generators[i]);
    for (int i = 1; i < GAME_GENERATOR_COUNT; ++i) EXPECT_NE(first[i], first[0]) << "generator " << i;

    Game *again = game_create();
    ASSERT_NE(again, nullptr);
    random_seed(seed);
    game_clear(again);
    for (int i = 0; i < GAME_GENERATOR_COUNT; ++i) EXPECT_EQ(rng_next(again->generators[i]), first[i]) << "generator " << i;
    EXPECT_EQ(again->next_id, game->next_id);
    EXPECT_EQ(again->backdrop, game->backdrop);
    game_free(again);
}

TEST(GameGenerators, EveryGeneratorIsSeededApartWhenTheGameIsMade) {
    random_seed(77);
    Game *game = game_create();
    ASSERT_NE(game, nullptr);
    std::set<uint32_t> firsts;
    for (Rng *rng : game->generators) {
        ASSERT_NE(rng, nullptr);
        uint32_t draw = 0;
        for (int i = 0; i < 4 && draw == 0; ++i) draw = rng_next(rng);
        EXPECT_NE(draw, 0u) << "a generator of a new Game draws nothing but zero";
        firsts.insert(draw);
    }
    EXPECT_EQ(firsts.size(), size_t(GAME_GENERATOR_COUNT)) << "two generators share a seed";
    game_free(game);
}

TEST_F(GameRecord, NextIdCountsUpAndNeverHandsOutZero) {
    ASSERT_EQ(game->next_id, 0u);
    EXPECT_EQ(game_next_id(game), 1u) << "a fresh game";
    EXPECT_EQ(game_next_id(game), 2u);
    game->next_id = UINT64_MAX;
    EXPECT_EQ(game_next_id(game), UINT64_MAX);
    EXPECT_EQ(game_next_id(game), 1u);
}

// ---- Random picks ----

int32_t weights_with(std::initializer_list<std::pair<int, int32_t>> set, int32_t out[30]) {
    std::memset(out, 0, 30 * sizeof(int32_t));
    int32_t total = 0;
    for (auto [i, w] : set) {
        out[i] = w;
        total += w;
    }
    return total;
}

TEST_F(GameRecord, PicksTakeTheQuickDrawsOrInResolveAtOnceModeTheFourthGeneratorOnly) {
    int32_t w[30];
    const int32_t total = weights_with({{0, 1}, {1, 1}, {29, 1}}, w);
    const struct {
        const char *what;
        std::function<void(Game *)> pick;
    } picks[] = {
        {"range", [](Game *g) {
             const int32_t v = game_random_range(g, 10, 20);
             EXPECT_TRUE(v >= 10 && v <= 20) << v;
         }},
        {"weighted", [&](Game *g) { (void)game_random_weighted_index(g, w, total); }},
    };
    for (const auto &p : picks) {
        SCOPED_TRACE(p.what);
        random_seed(11);
        game_clear(game);
        uint32_t before[GAME_GENERATOR_COUNT];
        for (int i = 0; i < GAME_GENERATOR_COUNT; ++i) before[i] = game->generators[i]->index;
        random_seed(99);
        const uint32_t first_quick = random_raw();

        random_seed(99);
        p.pick(game);
        EXPECT_NE(random_raw(), first_quick) << "the pick drew from the quick generator";
        for (int i = 0; i < GAME_GENERATOR_COUNT; ++i) EXPECT_EQ(game->generators[i]->index, before[i]) << i;

        game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;
        random_seed(99);
        p.pick(game);
        EXPECT_EQ(random_raw(), first_quick) << "the quick sequence is left alone";
        for (int i = 0; i < GAME_GENERATOR_COUNT; ++i) {
            if (i == GAME_GENERATOR_RESOLVE) EXPECT_EQ(game->generators[i]->index, before[i] + 1);
            else EXPECT_EQ(game->generators[i]->index, before[i]) << i;
        }
        EXPECT_EQ(game_random_range(game, 7, 7), 7);
        game->flags = 0;
        EXPECT_EQ(game_random_range(game, 7, 7), 7);
    }
}

TEST_F(GameRecord, AWeightedPickTakesOnlyIndicesWithWeightInBothModes) {
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

// ---- The maps and the lookup ----

TEST_F(GameRecord, ClearEmptiesTheThreeSeparateMapsButKeepsThemAndTheStarLayer) {
    ObjectMap *galaxy = game->galaxy_map, *contents = game->sector_map, *combat = game->combat_map;
    ASSERT_TRUE(galaxy && contents && combat);
    EXPECT_TRUE(galaxy != contents && contents != combat && galaxy != combat);
    Starfield *stars = game->star_layer;
    ASSERT_NE(stars, nullptr);
    EXPECT_GT(list_count(stars->stars), 0) << "the star layer is generated with the game";
    put(galaxy, OBJECT_SECTOR, 11);
    put(contents, OBJECT_SHIP, 12);
    put(combat, OBJECT_SHIP, 13);
    ASSERT_EQ(map_object_count(galaxy), 1);
    game_clear(game);
    EXPECT_EQ(std::tie(game->galaxy_map, game->sector_map, game->combat_map, game->star_layer),
              std::tie(galaxy, contents, combat, stars));
    for (const ObjectMap *map : {galaxy, contents, combat}) EXPECT_EQ(map_object_count(map), 0);
    EXPECT_EQ(game_find_object(game, 11), nullptr);
}

TEST_F(GameRecord, FreeReleasesTheObjectsLeftOnTheMapsAndTheCursors) {
    // The maps hold the only references: freeing the game must free the objects.
    GameObject *ship = put(game->combat_map, OBJECT_SHIP, 21);
    object_add_ref(ship);   // ours, to look at it after the free
    Sprite *frame = sprite_create();
    sprite_addref(frame);   // the test's own reference
    sprite_addref(frame);   // the cursor's
    Cursor *cursor = cursor_create_empty();
    cursor->frames = new Sprite *[1]{frame};
    cursor->frame_count = 1;
    game->cursors[3] = cursor;
    game_free(game);
    game = nullptr;
    EXPECT_EQ(ship->refcount, 1) << "the map released its references";
    EXPECT_EQ(frame->refcount, 1) << "the cursor's frame reference was dropped";
    object_release(ship);
    sprite_release(frame);
}

TEST_F(GameRecord, FindObjectSearchesTheMapsInOrderThenThePlayersThenTheGlobalList) {
    EXPECT_EQ(game_find_object(game, 0), nullptr);
    GameObject *loose = object_create_blank(OBJECT_SHIP);
    ASSERT_NE(loose, nullptr);
    loose->id = 31;
    list_append(game->objects, loose);
    EXPECT_EQ(game_find_object(game, 31), loose) << "the global list at last";
    Player *player = player_create(PLAYER_KIND_COMPUTER);
    ASSERT_NE(player, nullptr);
    player->id = 900;
    list_append(game->players, player);
    GameObject *owned = object_create_blank(OBJECT_SHIP);
    ASSERT_NE(owned, nullptr);
    owned->id = 31;
    list_append(&player->objects, owned);
    EXPECT_EQ(game_find_object(game, 31), owned) << "a player's own ship comes before the global list";
    GameObject *in_combat = put(game->combat_map, OBJECT_SHIP, 31);
    EXPECT_EQ(game_find_object(game, 31), in_combat) << "the maps come before the lists";
    GameObject *in_contents = put(game->sector_map, OBJECT_SHIP, 31);
    EXPECT_EQ(game_find_object(game, 31), in_contents) << "the sector contents come before the combat map";
    GameObject *in_galaxy = put(game->galaxy_map, OBJECT_SHIP, 31);
    EXPECT_EQ(game_find_object(game, 31), in_galaxy) << "the galaxy comes first";
    EXPECT_EQ(game_find_object(game, 32), nullptr);
    list_reset(&player->objects);
    list_reset(game->players);
    list_reset(game->objects);   // the test destroys the objects itself
    object_destroy(owned);
    object_destroy(loose);
    player_release(player);
}

TEST_F(GameRecord, FindObjectSkipsStubsAndAsksEachObjectForWhatItHolds) {
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

}  // namespace

namespace {

// An open index answers every lookup as the search does, while objects come, die and go.
TEST_F(GameRecord, AnOpenIndexAnswersAsTheSearchWhileObjectsComeDieAndGo) {
    Player *player = player_create(PLAYER_KIND_COMPUTER);
    ASSERT_NE(player, nullptr);
    player->id = 900;
    list_append(game->players, player);
    GameObject *owned = object_create_blank(OBJECT_SHIP);
    ASSERT_NE(owned, nullptr);
    owned->id = 31;
    object_add_ref(owned);
    list_append(&player->objects, owned);
    GameObject *in_galaxy = put(game->galaxy_map, OBJECT_SHIP, 31);
    GameObject *sector = put(game->galaxy_map, OBJECT_SECTOR, 42);
    GameObject *visitor = object_create_blank(OBJECT_SHIP);
    ASSERT_NE(visitor, nullptr);
    visitor->id = 43;
    sector_add_object(sector_of(sector), visitor);

    {
        const GameObjectIndexScope outer(game);
        const GameObjectIndexScope inner(game);   // nested: still one index
        EXPECT_EQ(game_find_object(game, 31), in_galaxy) << "an id met twice answers as the search meets it";
        EXPECT_EQ(game_find_object(game, 43), visitor) << "what a sector holds is listed";
        EXPECT_EQ(game_find_object(game, 44), nullptr);

        GameObject *late = put(game->combat_map, OBJECT_SHIP, 44);
        EXPECT_EQ(game_find_object(game, 44), late) << "an object placed after the index opened is found";

        // A snapshot with the live ship's id, destroyed, leaves the live ship listed.
        GameObject *copy = object_create_blank(OBJECT_SHIP);
        ASSERT_NE(copy, nullptr);
        copy->id = 31;
        object_destroy(copy);
        EXPECT_EQ(game_find_object(game, 31), in_galaxy);

        // The player's ship leaves its list and is destroyed: the lookup must not reach it.
        GameObject *lone = object_create_blank(OBJECT_SHIP);
        ASSERT_NE(lone, nullptr);
        lone->id = 45;
        object_add_ref(lone);
        list_append(&player->objects, lone);
        EXPECT_EQ(game_find_object(game, 45), lone);
        list_remove_value(&player->objects, lone);
        object_release(lone);
        EXPECT_EQ(game_find_object(game, 45), nullptr) << "a destroyed object is not answered";

        // A dead object still on its map is found as the search finds it; once swept, not at all.
        late->flags |= OBJ_DEAD;
        EXPECT_EQ(game_find_object(game, 44), late);
        map_remove_dead_objects(game->combat_map);
        EXPECT_EQ(game_find_object(game, 44), nullptr) << "a dead object swept from its map is not answered";
    }
    GameObject *after = put(game->sector_map, OBJECT_SHIP, 46);
    EXPECT_EQ(game_find_object(game, 46), after) << "closed: the search again";

    list_remove_value(&player->objects, owned);
    object_release(owned);
    list_reset(game->players);
    player_release(player);
}

// An object that leaves every list the search walks while something else still holds it is no
// longer found, and one that moves between lists is found where it went.
TEST_F(GameRecord, AnOpenIndexForgetsWhatLeftEveryListAndFollowsWhatMoved) {
    GameObject *sector = put(game->galaxy_map, OBJECT_SECTOR, 50);
    GameObject *ship = object_create_blank(OBJECT_SHIP);
    ASSERT_NE(ship, nullptr);
    ship->id = 51;
    object_add_ref(ship);   // held elsewhere too, as a fleet or a task holds a ship
    sector_add_object(sector_of(sector), ship);
    GameObject *drifter = put(game->combat_map, OBJECT_SHIP, 52);
    object_add_ref(drifter);

    const GameObjectIndexScope index(game);
    ASSERT_EQ(game_find_object(game, 51), ship);
    ASSERT_EQ(game_find_object(game, 52), drifter);

    sector_remove_object(sector_of(sector), ship);
    EXPECT_EQ(game_find_object(game, 51), nullptr) << "a ship let go by its sector is in no list the search walks";
    map_place_object(game->sector_map, ship, 10, 10, 0);
    map_add_pending_objects(game->sector_map);
    EXPECT_EQ(game_find_object(game, 51), ship) << "placed on a map again";

    drifter->flags |= OBJ_LEFT_MAP;
    map_remove_dead_objects(game->combat_map);
    ASSERT_FALSE(drifter->flags & OBJ_DEAD);
    EXPECT_EQ(game_find_object(game, 52), nullptr) << "swept off its map, alive and held elsewhere";
    object_release(drifter);
    object_release(ship);
}

}  // namespace
