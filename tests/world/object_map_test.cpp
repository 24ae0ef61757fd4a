// Object maps: holding and sweeping objects, queries by each filter, the combat turn order and
// defence shots, the frame update, autocombat, the view, the save form and visibility.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>
#include "platform/graphics.h"
#include "platform/random.h"
#include "game/player.h"
#include "world/fleet.h"
#include "world/sector.h"
#include "world/shot.h"
#include "world_test_kind.h"

using namespace world_test;

namespace {

class MapFixture : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        map = map_create();
        ASSERT_NE(map, nullptr);
    }
    void TearDown() override {
        map_free(map);
        WorldFixture::TearDown();
    }
    // A Thing placed on the map at (x, y) with an id, joined at once.
    Thing *put(const char *name, int32_t x = 0, int32_t y = 0, int32_t t = 0) {
        Thing *obj = make(name, t);
        map_place_object(map, obj, x, y, 1);
        map_add_pending_objects(map);
        return obj;
    }
    // The names of the objects in list order.
    std::string order(const List<GameObject> &list) const {
        std::string out;
        for (GameObject *obj : list.items) out += obj ? obj->name : std::string(".");
        return out;
    }
    std::string order() const { return order(map->objects); }

    ObjectMap *map = nullptr;
};

// ---- Holding objects and the sweep ----

using MapHolding = MapFixture;

TEST_F(MapHolding, APlacedObjectWaitsWithOneReferenceAndAnId) {
    Thing *a = make("a");
    map_place_object(map, a, 12, 34, 1);
    EXPECT_EQ(a->id, 1000u);
    EXPECT_EQ(a->refcount, 1);
    EXPECT_EQ(a->map, map);
    EXPECT_EQ(std::pair(a->x, a->y), std::pair(12, 34));
    EXPECT_TRUE(a->flags & OBJ_VISIBLE) << "no viewer: everything is visible";
    EXPECT_EQ(map->change_count, 1);
    EXPECT_EQ(map_object_count(map), 0) << "joins at the next add";
    map_add_pending_objects(map);
    EXPECT_EQ(map_object_count(map), 1);
    EXPECT_EQ(a->refcount, 2) << "one for the object list, one for its layer";
    EXPECT_EQ(order(map->layers[1]), "a");
    EXPECT_EQ(list_count(&map->pending), 0);
    EXPECT_EQ(map_object_at(map, 0), a);
    EXPECT_EQ(map_object_at(map, 1), nullptr);
}

TEST_F(MapHolding, WithoutAnIdRequestNoIdAndTheLayerFieldPicksTheDrawList) {
    Thing *a = make("a"), *b = make("b");
    map->viewer_id = 5;
    a->flags |= OBJ_LEFT_MAP;
    a->layer = 0;
    b->layer = 2;
    map_place_object(map, a, 0, 0, 0);
    EXPECT_EQ(a->id, 0u);
    EXPECT_FALSE(a->flags & OBJ_VISIBLE) << "a viewer decides visibility";
    EXPECT_FALSE(a->flags & OBJ_LEFT_MAP);
    map_place_object(map, b, 0, 0, 1);
    map_add_pending_objects(map);
    EXPECT_EQ(order(map->layers[0]), "a");
    EXPECT_EQ(order(map->layers[1]), "");
    EXPECT_EQ(order(map->layers[2]), "b");
}

TEST_F(MapHolding, DeadAndDepartedObjectsGoAndTheLastFillsEachHole) {
    for (const char *name : {"a", "b", "c", "d", "e"}) put(name);
    ObjectFilter any{.flags = FILTER_KINDS, .kind_mask = 1u << THING};
    EXPECT_EQ(map_query_object(map, &any)->name, "a");
    map_object_at(map, 0)->flags |= OBJ_DEAD;
    map_object_at(map, 1)->flags |= OBJ_DEAD;
    map_object_at(map, 4)->flags |= OBJ_LEFT_MAP;
    g_calls.names.clear();
    map_remove_dead_objects(map);
    EXPECT_EQ(order(), "dc");
    EXPECT_EQ(order(map->layers[1]), "dc");
    EXPECT_EQ(g_calls.freed, 3) << "the map held the only references";
    EXPECT_EQ(g_calls.names, (std::vector<std::string>{"purge_dead d", "purge_dead c"}));
    EXPECT_EQ(map_query_object(map, &any)->name, "d") << "a first-match query answers differently after a sweep";
}

TEST_F(MapHolding, ARemovedObjectHeldElsewhereSurvivesAndOneThatChangedLayerLeavesItsDrawList) {
    Thing *a = put("a"), *b = put("b");
    object_add_ref(a);
    object_kill(a);
    b->layer = 2;   // after it joined layer 1
    object_kill(b);
    map_remove_dead_objects(map);
    EXPECT_EQ(map_object_count(map), 0);
    EXPECT_EQ(order(map->layers[1]), "");
    EXPECT_EQ(g_calls.freed, 1) << "only b: no draw list keeps a dead object alive";
    EXPECT_EQ(a->refcount, 1);
    object_release(a);
    EXPECT_EQ(g_calls.freed, 2);
}

TEST_F(MapHolding, ClearLetsEveryObjectDetachAndReleasesThem) {
    put("a");
    map_place_object(map, make("b"), 0, 0, 1);   // still pending
    map->busy_count = 3;
    map->hold_ms = 500;
    map->flags = MAP_BUSY | MAP_DEFENSE;
    map->defense_count = 4;
    g_calls.names.clear();
    map_clear(map);
    EXPECT_EQ(g_calls.names, (std::vector<std::string>{"detach a", "detach b"}));
    EXPECT_EQ(g_calls.freed, 2);
    EXPECT_EQ(map_object_count(map), 0);
    EXPECT_EQ(list_count(&map->pending), 0);
    EXPECT_EQ(std::tuple(map->busy_count, map->hold_ms, map->flags, map->change_count), std::tuple(0, 0, 0u, 0));
    EXPECT_EQ(map->defense_count, 4) << "defence settings other than the flags stay";
}

// ---- Queries ----

TEST_F(MapFixture, EachQueryFilterAnswersTheFirstMatchInListOrder) {
    Thing *a = put("a", 100, 100, 0), *b = put("b", 200, 100, 1), *c = put("c", 300, 300, 2);   // 10 x 8
    a->owner_id = 1;
    b->owner_id = c->owner_id = 2;
    GameObject *dart = object_create_blank(DART);
    dart->name = "dart";
    dart->w = dart->h = 4;
    map_place_object(map, dart, 120, 100, 1);
    map_add_pending_objects(map);
    const uint32_t things = 1u << THING, point = FILTER_POINT | FILTER_KINDS;
    struct Case {
        const char  *what;
        ObjectFilter filter;
        const char  *want;
    };
    const Case cases[] = {
        {"kind", {.flags = FILTER_KINDS, .kind_mask = 1u << DART}, "dart"},
        {"kind absent", {.flags = FILTER_KINDS, .kind_mask = 1u << OBJECT_SITE}, "none"},
        {"subtype", {.flags = FILTER_SUBTYPE, .subtype = 2}, "c"},
        {"owned by", {.flags = FILTER_OWNER, .owner_id = 2}, "b"},
        {"not owned by", {.flags = FILTER_NOT_OWNER, .owner_id = 2}, "a"},
        {"not owned by decides over owned by", {.flags = FILTER_NOT_OWNER | FILTER_OWNER, .owner_id = 1}, "b"},
        {"excluded flag (every Thing has it) and not self",
         {.flags = FILTER_EXCLUDE | FILTER_NOT_SELF, .exclude_flags = OBJ_NO_MINIMAP_DOT, .self = dart}, "none"},
        {"not self", {.flags = FILTER_NOT_SELF, .self = a}, "b"},
        {"id ignores every other test", {.flags = FILTER_ID | FILTER_KINDS, .kind_mask = 0, .id = c->id}, "c"},
        {"rectangle meets the box", {.flags = FILTER_RECT, .rect_x = 205, .rect_y = 90, .rect_w = 20, .rect_h = 11}, "b"},
        {"rectangle right of b (200..210)", {.flags = FILTER_RECT, .rect_x = 211, .rect_y = 90, .rect_w = 20, .rect_h = 11}, "none"},
        {"rectangle ending where b begins", {.flags = FILTER_RECT, .rect_x = 190, .rect_y = 90, .rect_w = 10, .rect_h = 11}, "none"},
        {"rectangle one past b's start", {.flags = FILTER_RECT, .rect_x = 190, .rect_y = 90, .rect_w = 11, .rect_h = 11}, "b"},
        {"nearest top-left corner", {.flags = point | FILTER_NEAREST, .kind_mask = things, .px = 290, .py = 290}, "c"},
        {"nearest on a tie: the earlier", {.flags = point | FILTER_NEAREST, .kind_mask = things, .px = 150, .py = 100}, "a"},
        {"nearest of an absent kind", {.flags = point | FILTER_NEAREST, .kind_mask = 1u << OBJECT_SITE, .px = 150, .py = 100}, "none"},
        {"point below b (y 100..108)", {.flags = point, .kind_mask = things, .px = 205, .py = 109}, "none"},
        {"point within the extra height",
         {.flags = point | FILTER_EXTRA_HEIGHT, .kind_mask = things, .px = 205, .py = 109, .extra_height = 1}, "b"},
        {"point left of b", {.flags = point, .kind_mask = things, .px = 195, .py = 100}, "none"},
        {"point left of b, self 4 wide reaches 199", {.flags = point, .kind_mask = things, .px = 195, .py = 100, .self = dart}, "none"},
        {"point left of b, widened by self", {.flags = point, .kind_mask = things, .px = 196, .py = 100, .self = dart}, "b"},
    };
    auto query = [&](ObjectFilter f) {
        GameObject *obj = map_query_object(map, &f);
        return obj ? obj->name : std::string("none");
    };
    for (const Case &k : cases) EXPECT_EQ(query(k.filter), k.want) << k.what;
    c->flags |= OBJ_DEAD;
    EXPECT_EQ(query(cases[8].filter), "none") << "a query by id skips the dead";
    // The shape decides after the box: b becomes a disc of radius 5 around (210, 110).
    b->w = b->h = 20;
    b->radius = 5;
    EXPECT_EQ(query({.flags = point | FILTER_SHAPE, .kind_mask = things, .px = 201, .py = 101}), "none");
    EXPECT_EQ(query({.flags = point | FILTER_SHAPE, .kind_mask = things, .px = 208, .py = 112}), "b");
}

// ---- Turn order ----

using MapTurnOrder = MapFixture;

TEST_F(MapTurnOrder, HighestInitiativeFromTenThousandUpActsAndTiesGoFirstInList) {
    Thing *a = put("a"), *b = put("b");
    a->initiative = 12000;
    b->initiative = 15000;
    map_next_actor(map);
    EXPECT_EQ(map->current, b);
    b->initiative = 12000;
    map_next_actor(map);
    EXPECT_EQ(map->current, a);
}

TEST_F(MapTurnOrder, FewestTicksToTenThousandActsAndEveryoneGainsThoseTicks) {
    Thing *a = put("a"), *b = put("b");
    a->initiative = 9000;
    a->initiative_rate = 50;   // 20 ticks
    b->initiative = 9500;
    b->initiative_rate = 30;   // 17 ticks (16.7 rounded up)
    map_next_actor(map);
    EXPECT_EQ(map->current, b);
    EXPECT_EQ(std::pair(a->initiative, b->initiative), std::pair(9850, 10010));
}

TEST_F(MapTurnOrder, DeadAndRatelessObjectsGainNothingAndWithoutCandidateNothingChanges) {
    Thing *a = put("a"), *dead = put("dead"), *still = put("still");
    a->initiative_rate = still->initiative_rate = 0;
    dead->initiative_rate = 1000;
    dead->flags |= OBJ_DEAD;
    const int32_t changes = map->change_count;
    map_next_actor(map);
    EXPECT_EQ(map->current, nullptr);
    EXPECT_EQ(map->change_count, changes);
    a->initiative_rate = 100;
    map_next_actor(map);
    EXPECT_EQ(map->current, a);
    EXPECT_EQ(std::tuple(a->initiative, dead->initiative, still->initiative), std::tuple(10000, 0, 0));
}

TEST_F(MapTurnOrder, ActsFirstBeatsInitiativeOnce) {
    Thing *a = put("a"), *b = put("b");
    a->initiative = 20000;
    b->flags |= OBJ_ACTS_FIRST;
    map_next_actor(map);
    EXPECT_EQ(map->current, b);
    EXPECT_FALSE(b->flags & OBJ_ACTS_FIRST);
    map_next_actor(map);
    EXPECT_EQ(map->current, a);
}

TEST_F(MapTurnOrder, TheActorIsFlaggedAndHeldUntilAnotherTakesOver) {
    Thing *a = put("a"), *b = put("b");
    a->initiative = 10000;
    const int32_t changes = map->change_count;
    map_next_actor(map);
    EXPECT_EQ(map->change_count, changes + 1);
    EXPECT_TRUE(a->flags & OBJ_ACTOR);
    EXPECT_EQ(a->refcount, 3);
    object_end_turn(a);
    b->initiative = 10000;
    map_next_actor(map);
    EXPECT_EQ(map->current, b);
    EXPECT_FALSE(a->flags & OBJ_ACTOR);
    EXPECT_EQ(a->refcount, 2);
    EXPECT_TRUE(b->flags & OBJ_ACTOR);
}

// ---- The frame update ----

using MapFrame = MapFixture;

TEST_F(MapFrame, UpdatesObjectsAgesLinesAndStartsTheNextTurn) {
    Thing *a = put("a");
    a->initiative_rate = 1000;
    list_append(&map->timed_lines, new MapActionLine{0, 0, 5, 5, 100});
    list_append(&map->timed_lines, new MapActionLine{1, 1, 6, 6, 30});
    g_calls.names.clear();
    map_update(map, 40);
    EXPECT_EQ(list_count(&map->timed_lines), 1);
    EXPECT_EQ(list_get(&map->timed_lines, 0)->ms_left, 60);
    EXPECT_EQ(g_calls.names, (std::vector<std::string>{"update", "purge_dead a", "turn_begin"}));
    EXPECT_EQ(map->current, a);
    EXPECT_FALSE(a->flags & OBJ_TURN_DONE);
    g_calls.names.clear();
    map_update(map, 40);
    EXPECT_EQ(g_calls.names, (std::vector<std::string>{"update", "purge_dead a"})) << "an actor's turn begins once";
}

TEST_F(MapFrame, ABusyMapWaitsForTheCountAndThenTheHoldTime) {
    Thing *a = put("a");
    a->initiative = 10000;
    object_set_busy(a);
    object_set_busy(a);
    EXPECT_EQ(map->busy_count, 1) << "an object counts once";
    map_update(map, 10);
    EXPECT_EQ(map->current, nullptr);
    object_clear_busy(a, 300);
    EXPECT_EQ(map->hold_ms, 300);
    map_update(map, 100);
    EXPECT_TRUE(map->flags & MAP_BUSY);
    EXPECT_EQ(map->current, nullptr);
    map_update(map, 250);
    EXPECT_FALSE(map->flags & MAP_BUSY);
    EXPECT_EQ(map->current, a) << "chosen in the update that ended the wait";
    // The map's own count: clearing raises the hold only, and never below 0.
    map_set_busy(map);
    map_set_busy(map);
    EXPECT_EQ(map_clear_busy(map, 500), 1);
    EXPECT_EQ(map_clear_busy(map, 200), 0);
    EXPECT_EQ(map->hold_ms, 500);
    EXPECT_EQ(map_clear_busy(map, 0), 0);
}

TEST_F(MapFrame, ClockStepsReachEveryObject) {
    put("a");
    put("b");
    g_calls.names.clear();
    map_advance_objects(map, 144);
    map_run_after_advance(map);
    EXPECT_EQ(g_calls.names, (std::vector<std::string>{"advance_clock 144", "advance_clock 144", "after_advance",
                                                        "after_advance"}));
}

// ---- Defence shots ----

// The defence shots are of the real shot kind: the dart's slot takes the shot's own row and the
// factory makes its two templates again from it (WorldFixture puts the dart's row back).
class MapDefense : public MapFixture {
protected:
    void SetUp() override {
        MapFixture::SetUp();
        if (HasFatalFailure()) return;
        factory_free();
        ObjectMethods shot_row;
        shot_register_methods(&shot_row);
        object_methods_swap(OBJECT_SHOT, shot_row);
        ASSERT_EQ(factory_init(), RES_OK);
        fill_templates();
        for (const char *name : {"s1", "s2", "s3", "s4"}) put(name)->initiative_rate = 100;
    }
    // How the map armed the shot: its names ("-" for none), damage and kind, and whether its flight
    // flags are a defence shot's.
    static std::string armed(const GameObject *obj) {
        const Shot *s = shot_of(obj);
        if (!s) return "not a shot";
        const uint32_t on = SHOT_FLAG_LONG_LEGS | SHOT_FLAG_DEFENCE | SHOT_FLAG_SEEK_ONCE;
        const bool flags = (s->shot_flags & on) == on && !(s->shot_flags & SHOT_FLAG_LEG_TURN);
        return (s->label_a.empty() ? "-" : s->label_a) + "/" + (s->label_b.empty() ? "-" : s->label_b) + "/" +
               std::to_string(s->damage) + "/" + std::to_string(obj->kind) + (flags ? "" : "/not armed");
    }
    // The defence shots on the map or waiting to join it.
    std::vector<const GameObject *> shots() const {
        std::vector<const GameObject *> out;
        for (const List<GameObject> *list : {&map->objects, &map->pending})
            for (const GameObject *obj : list->items)
                if (obj && obj->kind == OBJECT_SHOT) out.push_back(obj);
        return out;
    }
};

TEST_F(MapDefense, TheClockIsScaledByTheShipCountAndCountsShipTurns) {
    map_enable_defense_shot(map, 3, 2, 1, "Mine", "", 2, 10, 10, 77);
    EXPECT_EQ(map->flags, MAP_DEFENSE | MAP_DEFENSE_RESCALE);
    map_update(map, 10);
    EXPECT_EQ(map->defense_clock, 11) << "3 x 4 ships, then one ship turn";
    EXPECT_FALSE(map->flags & MAP_DEFENSE_RESCALE);
}

TEST_F(MapDefense, AtZeroAShotIsDueAndActsBeforeAnybody) {
    map_enable_defense_shot(map, 1, 2, 1, "Mine", "", 2, 10, 10, 77);
    map->flags &= ~MAP_DEFENSE_RESCALE;
    map_next_actor(map);   // a ship turn: clock 0
    EXPECT_EQ(map->defense_count, 1);
    EXPECT_EQ(map->defense_clock, 2);
    EXPECT_TRUE(map->flags & MAP_DEFENSE_DUE);
    object_end_turn(map->current);
    map_update(map, 10);
    ASSERT_EQ(shots().size(), 1u);
    EXPECT_EQ(armed(shots()[0]), "Mine/-/10/1") << "an empty name leaves the shot's own";
    GameObject *shot = map->current;
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(shot, shots()[0]);
    EXPECT_EQ(shot->kind, OBJECT_SHOT);
    EXPECT_EQ(shot->owner_id, 77u);
    EXPECT_EQ(shot->heading, 330);
    EXPECT_NE(shot->id, 0u);
    EXPECT_EQ(shot->x, 0);
    EXPECT_EQ(map->defense_clock, 8) << "the new clock is scaled by the ship count again";
}

TEST_F(MapDefense, QuietBattlesDrawTheDamageFromTheGamesFourthGenerator) {
    map_enable_defense_shot(map, 1, 2, 1, "", "", 3, 5, 50, 77);
    map->flags &= ~MAP_DEFENSE_RESCALE;
    game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;
    rng_seed(game->generators[GAME_GENERATOR_RESOLVE], 1234);
    random_seed(99);
    const uint32_t quick_before = random_raw();
    random_seed(99);
    map_next_actor(map);
    object_end_turn(map->current);
    map_update(map, 10);
    game->flags &= ~GAME_FLAG_RESOLVE_AT_ONCE;
    ASSERT_EQ(shots().size(), 1u);
    rng_seed(game->generators[GAME_GENERATOR_RESOLVE], 1234);
    const int32_t expected = rng_range(game->generators[GAME_GENERATOR_RESOLVE], 5, 50);
    EXPECT_EQ(armed(shots()[0]), "-/-/" + std::to_string(expected) + "/1");
    EXPECT_EQ(random_raw(), quick_before) << "the quick generator was not drawn from";
}

// ---- Autocombat ----

using MapAutocombat = MapFixture;

TEST_F(MapAutocombat, PlansAndActsUntilTheActorEndsItsTurnAndNothingWithoutAnActor) {
    Thing *a = put("a");
    a->initiative_rate = 0;
    g_calls.names.clear();
    map_autocombat_turn(map);
    EXPECT_TRUE(g_calls.names.empty());
    a->initiative_rate = 40;
    a->initiative = 10000;
    a->acts_left = 3;
    map_autocombat_turn(map);
    EXPECT_EQ(g_calls.names, (std::vector<std::string>{"turn_begin", "plan", "act", "plan", "act", "plan", "act",
                                                        "turn_end", "purge_dead a"}));
    EXPECT_TRUE(a->flags & OBJ_TURN_DONE);
    EXPECT_EQ(a->turns_taken, 1);
}

TEST_F(MapAutocombat, AnActorThatCannotOrNeverEndsItsTurnDoesNotStallTheBattle) {
    GameObject *dart = object_create_blank(DART);   // no act slot
    dart->initiative_rate = 500;
    map_place_object(map, dart, 0, 0, 1);
    map_add_pending_objects(map);
    map_autocombat_turn(map);
    EXPECT_TRUE(dart->flags & OBJ_TURN_DONE);
    EXPECT_EQ(dart->initiative, 0);
    Thing *a = put("a");
    a->initiative = 10000;
    a->acts_left = 1 << 30;
    g_calls.names.clear();
    map_autocombat_turn(map);
    EXPECT_EQ(g_calls.count("act"), MAP_AUTOCOMBAT_MAX_ROUNDS);
    EXPECT_TRUE(a->flags & OBJ_TURN_DONE);
}

// ---- View and free positions ----

TEST_F(MapFixture, ScrollAndSetViewStopOneShortOfTheWorldEdge) {
    map->screen_w = 1024;
    map->screen_h = 768;
    map_set_world_size(map, 4096, 3072);
    ObjectMap *fresh = map_create();
    EXPECT_EQ(std::pair(fresh->world_w, fresh->world_h), std::pair(4 * fresh->screen_w, 4 * fresh->screen_h))
        << "a new map is four screens wide and high";
    map_free(fresh);
    map->view_x = 3000;
    map->view_y = 100;
    EXPECT_EQ(map_scroll(map, 200, 0), 1) << "the axes that moved: 1 x, 2 y";
    EXPECT_EQ(map->view_x, 4096 - 1024 - 1);
    EXPECT_EQ(map_scroll(map, 50, -20), 2) << "x is already at the edge";
    EXPECT_EQ(map->view_y, 80);
    EXPECT_EQ(map_scroll(map, -5000, -5000), 3);
    EXPECT_EQ(std::pair(map->view_x, map->view_y), std::pair(0, 0));
    EXPECT_EQ(map_scroll(map, 0, 0), 0);
    map_set_view(map, -10, 99999);
    EXPECT_EQ(std::pair(map->view_x, map->view_y), std::pair(0, 3072 - 768 - 1));
}

TEST_F(MapFixture, AFreePositionWithoutSpreadUsesTheAngleAndGivesUpAfter24Tries) {
    map_set_world_size(map, 1000, 1000);
    random_seed(7);
    int32_t x = -1, y = -1;
    ASSERT_EQ(map_find_free_position(map, 100, 100, 20, 20, 5, 5, 0, 0, 30, &x, &y), RES_OK);
    EXPECT_EQ(y, 110) << "angle 0 points right: y stays on the centre";
    EXPECT_GE(x, 110 + 10);
    EXPECT_LE(x, 110 + 29);
    ASSERT_EQ(map_find_free_position(map, 100, 100, 20, 20, 5, 5, 90, 0, 30, &x, &y), RES_OK);
    EXPECT_EQ(x, 110);
    EXPECT_LT(y, 110) << "90 points up the screen";

    Thing *block = put("block", 0, 0);
    block->w = block->h = 1000;
    x = -1;
    EXPECT_EQ(map_find_free_position(map, 100, 100, 20, 20, 5, 5, 0, 360, 30, &x, nullptr), RES_NO_FREE_POSITION);
    EXPECT_EQ(x, -1);
    block->w = block->h = 1;
    EXPECT_EQ(map_find_free_position(map, 980, 500, 0, 0, 5, 5, 0, 0, 30, &x, nullptr), RES_NO_FREE_POSITION)
        << "x must stay below the world width minus 10";
}

// ---- Save form ----

using MapSaveForm = MapFixture;

TEST_F(MapSaveForm, SizesAndCountComeFirst) {
    map_set_world_size(map, 640, 0x12345);
    put("a");
    Buffer buf;
    ASSERT_EQ(map_write(map, &buf), RES_OK);
    ASSERT_GE(buf.length, 12);
    EXPECT_EQ(std::vector<uint8_t>(buf.data, buf.data + 12),
              (std::vector<uint8_t>{0, 0, 2, 0x80, 0, 1, 0x23, 0x45, 0, 0, 0, 1}));
}

TEST_F(MapSaveForm, ReadingClearsTheMapFirstAndRefusesANegativeCountOrShortData) {
    put("old");
    struct Case {
        std::vector<int32_t> words;
        Result               result;
    };
    for (const Case &c : {Case{{800, 600, 0}, RES_OK}, Case{{800, 600, -1}, RES_MALFORMED}, Case{{800}, RES_SHORT_BUFFER}}) {
        Buffer buf;
        for (int32_t v : c.words) ASSERT_EQ(buffer_write_i32(&buf, v), RES_OK);
        EXPECT_EQ(map_read(map, &buf), c.result) << c.words.size() << " words";
        EXPECT_EQ(map_object_count(map), 0);
    }
    EXPECT_EQ(map->world_w, 800);
    EXPECT_EQ(g_calls.freed, 1) << "reading cleared the map";
}

TEST_F(MapSaveForm, AFailingObjectLeavesTheMapEmpty) {
    put("a");
    put("b");
    Buffer buf;
    ASSERT_EQ(map_write(map, &buf), RES_OK);
    ObjectMap *other = map_create();
    g_calls.read_result = RES_MALFORMED;
    EXPECT_EQ(map_read(other, &buf), RES_MALFORMED);
    EXPECT_EQ(map_object_count(other), 0);
    EXPECT_EQ(list_count(&other->pending), 0);
    g_calls.read_result = RES_OK;
    buffer_set_cursor(&buf, 0);
    ASSERT_EQ(map_read(other, &buf), RES_OK);
    EXPECT_EQ(map_object_count(other), 2);
    EXPECT_EQ(map_object_at(other, 0)->map, other);
    EXPECT_EQ(other->change_count, 2);
    map_free(other);
}

// ---- Visibility ----

constexpr uint64_t VIEWER_ID = 8;

// The viewer is a player in the game's records, with its memory and its sensor taps.
class MapVisibility : public MapFixture {
protected:
    void SetUp() override {
        MapFixture::SetUp();
        viewer = player_create(PLAYER_KIND_HUMAN);
        player_set_id(viewer, VIEWER_ID);
        ASSERT_EQ(game_add_player(game, viewer), RES_OK);
    }
    void TearDown() override {
        game_clear_players(game);   // their memories hold darts: gone before the dart's row
        MapFixture::TearDown();
    }
    // A blank record of kind `kind` on the map.
    GameObject *header(int32_t kind, const char *name, int32_t subtype, uint64_t owner) {
        GameObject *obj = object_create_blank(kind);
        obj->name = name;
        obj->subtype = subtype;
        obj->owner_id = owner;
        map_place_object(map, obj, 0, 0, 1);
        map_add_pending_objects(map);
        return obj;
    }
    Thing *owned(const char *name, uint64_t owner) {
        Thing *t = put(name);
        t->owner_id = owner;
        return t;
    }
    static bool visible(const GameObject *obj) { return (obj->flags & OBJ_VISIBLE) != 0; }
    Player *viewer = nullptr;
};

TEST_F(MapVisibility, OwnTappedAndFreshlySeenObjectsAreVisible) {
    Thing *own = owned("own", VIEWER_ID), *tapped = owned("tapped", 3);
    GameObject *seen = header(DART, "seen", 0, 4), *stale = header(DART, "stale", 0, 4);
    game->clock->minutes = 5000;
    player_add_sensor_tap(viewer, 60, 3, 0);
    player_learn_object(viewer, seen, 1);   // stamped now
    ASSERT_NE(player_known_object_by_id(viewer, seen->id), nullptr);
    map_update_visibility(map, VIEWER_ID);
    EXPECT_EQ(map->viewer_id, VIEWER_ID);
    EXPECT_TRUE(visible(own));
    EXPECT_TRUE(visible(tapped));
    EXPECT_TRUE(visible(seen));
    EXPECT_FALSE(visible(stale));
    game->clock->minutes = 5001;
    map_update_visibility(map, VIEWER_ID);
    EXPECT_FALSE(visible(seen)) << "a snapshot of another minute does not show it";
}

TEST_F(MapVisibility, NoViewerOrAnOpenGameShowsEverything) {
    Thing *a = owned("a", 4);
    map_update_visibility(map, 999);   // no such player
    EXPECT_TRUE(visible(a));
    game->setup.fog_of_war_off = 1;
    map_update_visibility(map, VIEWER_ID);
    EXPECT_TRUE(visible(a));
    game->setup.fog_of_war_off = 0;
    map_update_visibility(map, VIEWER_ID);
    EXPECT_FALSE(visible(a));
}

TEST_F(MapVisibility, HomeSectorsSectorsHoldingTheViewersObjectsAndAFleetsTargetAreShown) {
    GameObject *home = header(OBJECT_SECTOR, "home", 5, 4);
    GameObject *held = header(OBJECT_SECTOR, "held", 1, 4);
    sector_add_object(sector_of(held), owned("visitor", VIEWER_ID));
    GameObject *other = header(OBJECT_SECTOR, "other", 1, 4);
    sector_add_object(sector_of(other), owned("stranger", 4));
    GameObject *mine = header(OBJECT_FLEET, "mine", 0, VIEWER_ID);
    GameObject *hunted = header(OBJECT_FLEET, "hunted", 0, 4);
    GameObject *passing = header(OBJECT_FLEET, "passing", 0, 4);
    GameObject *theirs = header(OBJECT_FLEET, "theirs", 0, 4);
    fleet_set_move_target(fleet_of(theirs), passing);   // another owner's chase shows nothing
    map_update_visibility(map, VIEWER_ID);
    EXPECT_TRUE(visible(home)) << "sectors of the fifth kind";
    EXPECT_TRUE(visible(held));
    EXPECT_FALSE(visible(other));
    EXPECT_FALSE(visible(hunted)) << "nothing shows it yet";
    EXPECT_FALSE(visible(passing));
    fleet_set_move_target(fleet_of(mine), held);
    map_update_visibility(map, VIEWER_ID);
    EXPECT_FALSE(visible(hunted));
    fleet_set_move_target(fleet_of(mine), hunted);
    map_update_visibility(map, VIEWER_ID);
    EXPECT_TRUE(visible(hunted)) << "the fleet the viewer's fleet chases";
    EXPECT_FALSE(visible(passing));
}

// ---- Drawing order ----

TEST_F(MapFixture, DrawsLayersInOrderAtTheViewOffsetSkippingHiddenAndFlashingObjects) {
    Graphics *g = gfx_create();
    ASSERT_NE(g, nullptr);
    gfx_set_size(g, 0);
    put("top", 300, 300);   // layer 1, first in the object list
    Thing *under = make("under"), *hidden = make("hidden"), *flashing = make("flashing"), *marked = make("marked"),
          *forced = make("forced");
    under->layer = 0;
    map_place_object(map, under, 100, 100, 1);
    for (Thing *t : {hidden, flashing, marked}) map_place_object(map, t, 0, 0, 1);
    map_place_object(map, forced, 150, 120, 1);
    map_add_pending_objects(map);
    hidden->flags &= ~OBJ_VISIBLE;
    object_flash(flashing);
    marked->flags |= OBJ_NOT_DRAWN;
    forced->flags &= ~OBJ_VISIBLE;
    forced->flags |= OBJ_ALWAYS_DRAWN;
    map->view_x = 50;
    map->view_y = 20;
    g_calls.names.clear();
    map_draw(map, g);
    EXPECT_EQ(g_calls.names, (std::vector<std::string>{"draw under", "draw top", "draw forced"}));
    EXPECT_EQ(g_calls.drawn, (std::vector<std::pair<int32_t, int32_t>>{{50, 80}, {250, 280}, {100, 100}}));
    ASSERT_GE(g->queue.length, int32_t(2 * sizeof(DrawCommandFn *)));
    DrawCommandFn *first = nullptr, *last = nullptr;
    std::memcpy(&first, g->queue.data, sizeof first);
    std::memcpy(&last, g->queue.data + g->queue.length - sizeof last, sizeof last);
    EXPECT_EQ(first, &gfx_lock_screen);
    EXPECT_EQ(last, &gfx_unlock_screen);
    gfx_free(g);
}

}  // namespace
