// Object maps: holding and sweeping objects, queries by each filter, the combat turn order and
// defence shots, the frame update, autocombat, the view, the save form and visibility.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>
#include "platform/graphics.h"
#include "platform/random.h"
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

// ---- Holding objects ----

using MapHolding = MapFixture;

TEST_F(MapHolding, APlacedObjectWaitsWithOneReferenceAndAnId) {
    Thing *a = make("a");
    map_place_object(map, a, 12, 34, 1);
    EXPECT_EQ(a->id, 1000u);
    EXPECT_EQ(a->refcount, 1);
    EXPECT_EQ(a->map, map);
    EXPECT_EQ(a->x, 12);
    EXPECT_EQ(a->y, 34);
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

TEST_F(MapHolding, PlacementWithoutAnIdRequestKeepsNone) {
    Thing *a = make("a");
    map->viewer_id = 5;
    a->flags |= OBJ_LEFT_MAP;
    map_place_object(map, a, 0, 0, 0);
    EXPECT_EQ(a->id, 0u);
    EXPECT_FALSE(a->flags & OBJ_VISIBLE) << "a viewer decides visibility";
    EXPECT_FALSE(a->flags & OBJ_LEFT_MAP);
    map_add_pending_objects(map);
}

TEST_F(MapHolding, TheLayerFieldPicksTheDrawList) {
    Thing *a = make("a");
    Thing *b = make("b");
    a->layer = 0;
    b->layer = 2;
    map_place_object(map, a, 0, 0, 1);
    map_place_object(map, b, 0, 0, 1);
    map_add_pending_objects(map);
    EXPECT_EQ(order(map->layers[0]), "a");
    EXPECT_EQ(order(map->layers[1]), "");
    EXPECT_EQ(order(map->layers[2]), "b");
}

// ---- The sweep ----

using MapSweep = MapFixture;

TEST_F(MapSweep, DeadAndDepartedObjectsGoAndTheLastFillsEachHole) {
    for (const char *name : {"a", "b", "c", "d", "e"}) put(name);
    map_object_at(map, 1)->flags |= OBJ_DEAD;
    map_object_at(map, 4)->flags |= OBJ_LEFT_MAP;
    g_calls.names.clear();
    map_remove_dead_objects(map);
    EXPECT_EQ(order(), "adc");
    EXPECT_EQ(order(map->layers[1]), "adc");
    EXPECT_EQ(g_calls.freed, 2) << "the map held the only references";
    EXPECT_EQ(g_calls.names, (std::vector<std::string>{"purge_dead a", "purge_dead d", "purge_dead c"}));
}

TEST_F(MapSweep, AFirstMatchQueryCanAnswerDifferentlyAfterASweep) {
    for (const char *name : {"a", "b", "c"}) put(name);
    ObjectFilter any;
    any.flags = FILTER_KINDS;
    any.kind_mask = 1u << THING;
    EXPECT_EQ(map_query_object(map, &any)->name, "a");
    map_object_at(map, 0)->flags |= OBJ_DEAD;
    map_remove_dead_objects(map);
    EXPECT_EQ(map_query_object(map, &any)->name, "c") << "the last object moved into the hole";
}

TEST_F(MapSweep, AnObjectHeldElsewhereSurvivesItsRemoval) {
    Thing *a = put("a");
    object_add_ref(a);
    object_kill(a);
    map_remove_dead_objects(map);
    EXPECT_EQ(map_object_count(map), 0);
    EXPECT_EQ(g_calls.freed, 0);
    EXPECT_EQ(a->refcount, 1);
    object_release(a);
    EXPECT_EQ(g_calls.freed, 1);
}

TEST_F(MapSweep, AnObjectThatChangedLayerIsStillTakenOutOfItsDrawList) {
    Thing *a = put("a");
    a->layer = 2;   // after it joined layer 1
    object_kill(a);
    map_remove_dead_objects(map);
    EXPECT_EQ(order(map->layers[1]), "");
    EXPECT_EQ(g_calls.freed, 1) << "no draw list keeps a dead object alive";
}

TEST_F(MapSweep, ClearLetsEveryObjectDetachAndReleasesThem) {
    put("a");
    Thing *b = make("b");
    map_place_object(map, b, 0, 0, 1);   // still pending
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
    EXPECT_EQ(map->busy_count, 0);
    EXPECT_EQ(map->hold_ms, 0);
    EXPECT_EQ(map->flags, 0u);
    EXPECT_EQ(map->change_count, 0);
    EXPECT_EQ(map->defense_count, 4) << "defence settings other than the flags stay";
}

// ---- Queries ----

class MapQuery : public MapFixture {
protected:
    void SetUp() override {
        MapFixture::SetUp();
        a = put("a", 100, 100, 0);   // 10 x 8
        b = put("b", 200, 100, 1);
        c = put("c", 300, 300, 2);
        a->owner_id = 1;
        b->owner_id = 2;
        c->owner_id = 2;
        dart = object_create_blank(DART);
        dart->name = "dart";
        dart->w = dart->h = 4;
        map_place_object(map, dart, 120, 100, 1);
        map_add_pending_objects(map);
    }
    std::string query(ObjectFilter f) {
        GameObject *obj = map_query_object(map, &f);
        return obj ? obj->name : "none";
    }
    Thing *a = nullptr, *b = nullptr, *c = nullptr;
    GameObject *dart = nullptr;
};

TEST_F(MapQuery, KindMask) {
    ObjectFilter f;
    f.flags = FILTER_KINDS;
    f.kind_mask = 1u << DART;
    EXPECT_EQ(query(f), "dart");
    f.kind_mask = 1u << OBJECT_SITE;
    EXPECT_EQ(query(f), "none");
}

TEST_F(MapQuery, Subtype) {
    ObjectFilter f;
    f.flags = FILTER_SUBTYPE;
    f.subtype = 2;
    EXPECT_EQ(query(f), "c");
}

TEST_F(MapQuery, OwnedByAndNotOwnedBy) {
    ObjectFilter f;
    f.flags = FILTER_OWNER;
    f.owner_id = 2;
    EXPECT_EQ(query(f), "b");
    f.flags = FILTER_NOT_OWNER;
    EXPECT_EQ(query(f), "a");
    f.flags = FILTER_NOT_OWNER | FILTER_OWNER;   // "not owned by" decides when both are asked
    f.owner_id = 1;
    EXPECT_EQ(query(f), "b");
}

TEST_F(MapQuery, ExcludedFlagsAndSelf) {
    ObjectFilter f;
    f.flags = FILTER_EXCLUDE | FILTER_NOT_SELF;
    f.exclude_flags = OBJ_TEMPLATE_80;   // every Thing has it from its template
    f.self = dart;
    EXPECT_EQ(query(f), "none");
    f.flags = FILTER_NOT_SELF;
    f.self = a;
    EXPECT_EQ(query(f), "b");
}

TEST_F(MapQuery, ByIdIgnoresEveryOtherTestButSkipsTheDead) {
    ObjectFilter f;
    f.flags = FILTER_ID | FILTER_KINDS;
    f.kind_mask = 0;
    f.id = c->id;
    EXPECT_EQ(query(f), "c");
    c->flags |= OBJ_DEAD;
    EXPECT_EQ(query(f), "none");
}

TEST_F(MapQuery, RectangleMeetsTheBox) {
    ObjectFilter f;
    f.flags = FILTER_RECT;
    f.rect_x = 205;
    f.rect_y = 90;
    f.rect_w = 20;
    f.rect_h = 11;
    EXPECT_EQ(query(f), "b");
    f.rect_x = 211;   // b spans 200..210 on x
    EXPECT_EQ(query(f), "none");
    f.rect_x = 190;
    f.rect_w = 10;   // ends where b begins: 190 + 10 is not past 200
    EXPECT_EQ(query(f), "none");
    f.rect_w = 11;
    EXPECT_EQ(query(f), "b");
}

TEST_F(MapQuery, NearestTopLeftCornerAndTheEarlierOnATie) {
    ObjectFilter f;
    f.flags = FILTER_POINT | FILTER_NEAREST | FILTER_KINDS;
    f.kind_mask = 1u << THING;
    f.px = 290;
    f.py = 290;
    EXPECT_EQ(query(f), "c");
    f.px = 150;
    f.py = 100;   // 50 from a and 50 from b
    EXPECT_EQ(query(f), "a");
    f.kind_mask = 1u << OBJECT_SITE;
    EXPECT_EQ(query(f), "none");
}

TEST_F(MapQuery, PointBoxWidenedBySelfAndExtraHeight) {
    ObjectFilter f;
    f.flags = FILTER_POINT | FILTER_KINDS;
    f.kind_mask = 1u << THING;
    f.px = 205;
    f.py = 109;   // b spans y 100..108
    EXPECT_EQ(query(f), "none");
    f.flags |= FILTER_EXTRA_HEIGHT;
    f.extra_height = 1;
    EXPECT_EQ(query(f), "b");
    f.flags = FILTER_POINT | FILTER_KINDS;
    f.px = 195;
    f.py = 100;
    EXPECT_EQ(query(f), "none");
    f.self = dart;   // 4 wide: reaches 199
    EXPECT_EQ(query(f), "none");
    f.px = 196;
    EXPECT_EQ(query(f), "b");
}

TEST_F(MapQuery, ShapeDecidesAfterTheBox) {
    b->w = b->h = 20;
    b->radius = 5;   // a disc of radius 5 around (210, 110)
    ObjectFilter f;
    f.flags = FILTER_POINT | FILTER_SHAPE | FILTER_KINDS;
    f.kind_mask = 1u << THING;
    f.px = 201;
    f.py = 101;   // inside b's box, outside its disc
    EXPECT_EQ(query(f), "none");
    f.px = 208;
    f.py = 112;
    EXPECT_EQ(query(f), "b");
}

// ---- Turn order ----

using MapTurnOrder = MapFixture;

TEST_F(MapTurnOrder, HighestInitiativeFromTenThousandUpActsAndTiesGoFirstInList) {
    Thing *a = put("a");
    Thing *b = put("b");
    a->initiative = 12000;
    b->initiative = 15000;
    map_next_actor(map);
    EXPECT_EQ(map->current, b);
    b->initiative = 12000;
    map_next_actor(map);
    EXPECT_EQ(map->current, a);
}

TEST_F(MapTurnOrder, FewestTicksToTenThousandActsAndEveryoneGainsThoseTicks) {
    Thing *a = put("a");
    Thing *b = put("b");
    a->initiative = 9000;
    a->initiative_rate = 50;   // 20 ticks
    b->initiative = 9500;
    b->initiative_rate = 30;   // 17 ticks (16.7 rounded up)
    map_next_actor(map);
    EXPECT_EQ(map->current, b);
    EXPECT_EQ(a->initiative, 9850);
    EXPECT_EQ(b->initiative, 10010);
}

TEST_F(MapTurnOrder, DeadDepartedAndRatelessObjectsGainNothing) {
    Thing *a = put("a");
    Thing *dead = put("dead");
    Thing *still = put("still");
    a->initiative_rate = 100;
    dead->initiative_rate = 1000;
    dead->flags |= OBJ_DEAD;
    still->initiative_rate = 0;
    map_next_actor(map);
    EXPECT_EQ(map->current, a);
    EXPECT_EQ(a->initiative, 10000);
    EXPECT_EQ(dead->initiative, 0);
    EXPECT_EQ(still->initiative, 0);
}

TEST_F(MapTurnOrder, ActsFirstBeatsInitiativeOnce) {
    Thing *a = put("a");
    Thing *b = put("b");
    a->initiative = 20000;
    b->flags |= OBJ_ACTS_FIRST;
    map_next_actor(map);
    EXPECT_EQ(map->current, b);
    EXPECT_FALSE(b->flags & OBJ_ACTS_FIRST);
    map_next_actor(map);
    EXPECT_EQ(map->current, a);
}

TEST_F(MapTurnOrder, TheActorIsFlaggedAndHeldUntilAnotherTakesOver) {
    Thing *a = put("a");
    Thing *b = put("b");
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

TEST_F(MapTurnOrder, NoCandidateNoActorAndNoChange) {
    put("a")->initiative_rate = 0;
    const int32_t changes = map->change_count;
    map_next_actor(map);
    EXPECT_EQ(map->current, nullptr);
    EXPECT_EQ(map->change_count, changes);
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
}

TEST_F(MapFrame, AFinishedActorIsLetGoAndTheNextChosen) {
    Thing *a = put("a");
    Thing *b = put("b");
    a->initiative = 10000;
    map_update(map, 10);
    ASSERT_EQ(map->current, a);
    map_update(map, 10);
    EXPECT_EQ(map->current, a) << "its turn is not over";
    object_end_turn(a);
    b->initiative = 10000;
    map_update(map, 10);
    EXPECT_EQ(map->current, b);
    EXPECT_FALSE(a->flags & OBJ_ACTOR);
}

TEST_F(MapFrame, ABusyMapWaitsForTheCountAndThenTheHoldTime) {
    Thing *a = put("a");
    a->initiative = 10000;
    a->map = map;
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
}

TEST_F(MapFrame, ClearBusyRaisesTheHoldOnly) {
    map_set_busy(map);
    map_set_busy(map);
    EXPECT_EQ(map_clear_busy(map, 500), 1);
    EXPECT_EQ(map_clear_busy(map, 200), 0);
    EXPECT_EQ(map->hold_ms, 500);
    EXPECT_EQ(map_clear_busy(map, 0), 0) << "never below 0";
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

std::vector<std::string> g_armed;
void record_arming(GameObject *shot, const char *singular, const char *plural, int32_t damage) {
    g_armed.push_back(std::string(singular ? singular : "-") + "/" + (plural ? plural : "-") + "/" +
                      std::to_string(damage) + "/" + std::to_string(shot->kind));
}

class MapDefense : public MapFixture {
protected:
    void SetUp() override {
        MapFixture::SetUp();
        g_armed.clear();
        WorldHooks hooks;
        hooks.shot_arm_defense = record_arming;
        world_set_hooks(hooks);
        for (const char *name : {"s1", "s2", "s3", "s4"}) put(name)->initiative_rate = 100;
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
    ASSERT_EQ(g_armed.size(), 1u);
    EXPECT_EQ(g_armed[0], "Mine/-/10/1") << "empty names are not given";
    GameObject *shot = map->current;
    ASSERT_NE(shot, nullptr);
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
    ASSERT_EQ(g_armed.size(), 1u);
    rng_seed(game->generators[GAME_GENERATOR_RESOLVE], 1234);
    const int32_t expected = rng_range(game->generators[GAME_GENERATOR_RESOLVE], 5, 50);
    EXPECT_EQ(g_armed[0], "-/-/" + std::to_string(expected) + "/1");
    EXPECT_EQ(random_raw(), quick_before) << "the quick generator was not drawn from";
}

// ---- Autocombat ----

using MapAutocombat = MapFixture;

TEST_F(MapAutocombat, PlansAndActsUntilTheActorEndsItsTurn) {
    Thing *a = put("a");
    a->initiative = 10000;
    a->acts_left = 3;
    g_calls.names.clear();
    map_autocombat_turn(map);
    EXPECT_EQ(g_calls.names, (std::vector<std::string>{"turn_begin", "plan", "act", "plan", "act", "plan", "act",
                                                        "turn_end", "purge_dead a"}));
    EXPECT_TRUE(a->flags & OBJ_TURN_DONE);
    EXPECT_EQ(a->turns_taken, 1);
}

TEST_F(MapAutocombat, AnActorThatCannotActHasItsTurnEndedInsteadOfStallingTheBattle) {
    GameObject *dart = object_create_blank(DART);
    dart->initiative_rate = 500;
    map_place_object(map, dart, 0, 0, 1);
    map_add_pending_objects(map);
    map_autocombat_turn(map);
    EXPECT_TRUE(dart->flags & OBJ_TURN_DONE);
    EXPECT_EQ(dart->initiative, 0);
}

TEST_F(MapAutocombat, AnActorThatNeverEndsItsTurnIsStoppedAfterTheLimit) {
    Thing *a = put("a");
    a->initiative = 10000;
    a->acts_left = 1 << 30;
    g_calls.names.clear();
    map_autocombat_turn(map);
    EXPECT_EQ(g_calls.count("act"), MAP_AUTOCOMBAT_MAX_ROUNDS);
    EXPECT_TRUE(a->flags & OBJ_TURN_DONE);
}

TEST_F(MapAutocombat, WithoutAnyActorNothingChanges) {
    put("a")->initiative_rate = 0;
    g_calls.names.clear();
    map_autocombat_turn(map);
    EXPECT_TRUE(g_calls.names.empty());
}

// ---- View ----

class MapView : public MapFixture {
protected:
    void SetUp() override {
        MapFixture::SetUp();
        map->screen_w = 1024;
        map->screen_h = 768;
        map_set_world_size(map, 4096, 3072);
    }
};

TEST_F(MapView, ScrollStopsOneShortOfTheWorldEdgeAndReportsTheAxesThatMoved) {
    map->view_x = 3000;
    map->view_y = 100;
    EXPECT_EQ(map_scroll(map, 200, 0), 1);
    EXPECT_EQ(map->view_x, 4096 - 1024 - 1);
    EXPECT_EQ(map_scroll(map, 50, -20), 2) << "x is already at the edge";
    EXPECT_EQ(map->view_y, 80);
    EXPECT_EQ(map_scroll(map, -5000, -5000), 3);
    EXPECT_EQ(map->view_x, 0);
    EXPECT_EQ(map->view_y, 0);
    EXPECT_EQ(map_scroll(map, 0, 0), 0);
}

TEST_F(MapView, SetViewClampsLikeScrolling) {
    map_set_view(map, -10, 99999);
    EXPECT_EQ(map->view_x, 0);
    EXPECT_EQ(map->view_y, 3072 - 768 - 1);
}

TEST_F(MapView, ANewMapIsFourScreensWideAndHigh) {
    EXPECT_EQ(map->world_w, 4 * map->screen_w);
    EXPECT_EQ(map->world_h, 4 * map->screen_h);
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

TEST_F(MapSaveForm, AnEmptyMapReadsBackEmpty) {
    put("old");
    Buffer buf;
    for (int32_t v : {800, 600, 0}) ASSERT_EQ(buffer_write_i32(&buf, v), RES_OK);
    EXPECT_EQ(map_read(map, &buf), RES_OK);
    EXPECT_EQ(map_object_count(map), 0);
    EXPECT_EQ(map->world_w, 800);
    EXPECT_EQ(g_calls.freed, 1) << "reading clears the map first";
}

TEST_F(MapSaveForm, ANegativeCountIsMalformedAndShortDataShort) {
    Buffer neg;
    for (int32_t v : {800, 600, -1}) ASSERT_EQ(buffer_write_i32(&neg, v), RES_OK);
    EXPECT_EQ(map_read(map, &neg), RES_MALFORMED);
    Buffer cut;
    ASSERT_EQ(buffer_write_i32(&cut, 800), RES_OK);
    EXPECT_EQ(map_read(map, &cut), RES_SHORT_BUFFER);
    EXPECT_EQ(map_object_count(map), 0);
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

Player *const VIEWER = reinterpret_cast<Player *>(0x4000);
constexpr uint64_t VIEWER_ID = 8;
GameObject *g_known = nullptr;
GameObject *g_target = nullptr;

Player *viewer_lookup(uint64_t id) { return id == VIEWER_ID ? VIEWER : nullptr; }
GameObject *known_lookup(const Player *, uint64_t id) { return g_known && g_known->id == id ? g_known : nullptr; }
bool taps_owner_3(const Player *, uint64_t id) { return id == 3; }
bool sector_holds_viewer(const GameObject *sector, uint64_t player) { return sector->saved_c == 1 && player == VIEWER_ID; }
GameObject *move_target(const GameObject *) { return g_target; }

class MapVisibility : public MapFixture {
protected:
    void SetUp() override {
        MapFixture::SetUp();
        WorldHooks hooks;
        hooks.find_player = viewer_lookup;
        hooks.player_known_object = known_lookup;
        hooks.player_has_sensor_tap = taps_owner_3;
        hooks.sector_has_object_of = sector_holds_viewer;
        hooks.fleet_move_target = move_target;
        world_set_hooks(hooks);
        g_known = nullptr;
        g_target = nullptr;
    }
    void TearDown() override {
        object_destroy(g_known);
        g_known = nullptr;
        MapFixture::TearDown();
    }
    bool visible(const GameObject *obj) const { return (obj->flags & OBJ_VISIBLE) != 0; }
};

TEST_F(MapVisibility, OwnTappedAndFreshlySeenObjectsAreVisible) {
    Thing *own = put("own");
    own->owner_id = VIEWER_ID;
    Thing *tapped = put("tapped");
    tapped->owner_id = 3;
    Thing *seen = put("seen");
    seen->owner_id = 4;
    Thing *stale = put("stale");
    stale->owner_id = 4;
    game->clock->minutes = 5000;
    g_known = object_clone(seen, 1);   // stamped now
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
    Thing *a = put("a");
    a->owner_id = 4;
    map_update_visibility(map, 999);   // no such player
    EXPECT_TRUE(visible(a));
    game->setup.fog_of_war_off = 1;
    map_update_visibility(map, VIEWER_ID);
    EXPECT_TRUE(visible(a));
    game->setup.fog_of_war_off = 0;
    map_update_visibility(map, VIEWER_ID);
    EXPECT_FALSE(visible(a));
}

TEST_F(MapVisibility, SectorsOfTheFifthKindAndSectorsHoldingTheViewersObjects) {
    auto sector = [&](const char *name, int32_t subtype) {
        GameObject *s = object_create_blank(OBJECT_SECTOR);   // an absent kind: a bare header
        s->name = name;
        s->subtype = subtype;
        s->owner_id = 4;
        map_place_object(map, s, 0, 0, 1);
        map_add_pending_objects(map);
        return s;
    };
    GameObject *home = sector("home", 5);
    GameObject *held = sector("held", 1);
    held->saved_c = 1;
    GameObject *other = sector("other", 1);
    map_update_visibility(map, VIEWER_ID);
    EXPECT_TRUE(visible(home));
    EXPECT_TRUE(visible(held));
    EXPECT_FALSE(visible(other));
}

TEST_F(MapVisibility, AFleetsTargetFleetIsShown) {
    auto fleet = [&](const char *name, uint64_t owner) {
        GameObject *f = object_create_blank(OBJECT_FLEET);
        f->name = name;
        f->owner_id = owner;
        map_place_object(map, f, 0, 0, 1);
        map_add_pending_objects(map);
        return f;
    };
    fleet("mine", VIEWER_ID);
    GameObject *hunted = fleet("hunted", 4);
    g_target = hunted;
    map_update_visibility(map, VIEWER_ID);
    EXPECT_TRUE(visible(hunted));
}

// ---- Free positions ----

using MapFreePosition = MapFixture;

TEST_F(MapFreePosition, NoSpreadUsesTheGivenAngle) {
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
}

TEST_F(MapFreePosition, OccupiedOrOutsideTheWorldGivesUpAfter24Tries) {
    map_set_world_size(map, 1000, 1000);
    Thing *block = put("block", 0, 0);
    block->w = 1000;
    block->h = 1000;
    int32_t x = -1;
    EXPECT_EQ(map_find_free_position(map, 100, 100, 20, 20, 5, 5, 0, 360, 30, &x, nullptr), RES_NO_FREE_POSITION);
    EXPECT_EQ(x, -1);
    block->w = block->h = 1;
    EXPECT_EQ(map_find_free_position(map, 980, 500, 0, 0, 5, 5, 0, 0, 30, &x, nullptr), RES_NO_FREE_POSITION)
        << "x must stay below the world width minus 10";
}

// ---- Drawing order ----

class MapDrawing : public MapFixture {
protected:
    void SetUp() override {
        MapFixture::SetUp();
        g = gfx_create();
        ASSERT_NE(g, nullptr);
        gfx_set_size(g, 0);
    }
    void TearDown() override {
        gfx_free(g);
        MapFixture::TearDown();
    }
    Graphics *g = nullptr;
};

TEST_F(MapDrawing, LayersInOrderAtTheViewOffsetSkippingHiddenAndFlashingObjects) {
    put("top", 300, 300);   // layer 1, first in the object list
    Thing *under = make("under");
    under->layer = 0;
    map_place_object(map, under, 100, 100, 1);
    Thing *hidden = make("hidden");
    Thing *flashing = make("flashing");
    Thing *marked = make("marked");
    Thing *forced = make("forced");
    map_place_object(map, hidden, 0, 0, 1);
    map_place_object(map, flashing, 0, 0, 1);
    map_place_object(map, marked, 0, 0, 1);
    map_place_object(map, forced, 150, 120, 1);
    map_add_pending_objects(map);
    hidden->flags &= ~OBJ_VISIBLE;
    object_flash(flashing);
    marked->flags |= OBJ_TEMPLATE_400;
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
}

}  // namespace
