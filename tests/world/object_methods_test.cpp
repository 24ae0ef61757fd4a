// Operation tables: the rows as data, the dispatch operations with and without their slots, the
// generic work around the slots, and the hit chance.
#include <gtest/gtest.h>

#include <cstddef>
#include <set>
#include <string>
#include <vector>
#include "world_test_kind.h"

using namespace world_test;

namespace {

// What is wrong with a row: required slots missing, or a save slot without its partners.
std::vector<std::string> row_problems(const ObjectMethods &m) {
    std::vector<std::string> problems;
    const void *const *slots = reinterpret_cast<const void *const *>(&m);
    bool any = false;
    for (int i = 0; i < OBJECT_METHOD_SLOTS; ++i) any = any || slots[i] != nullptr;
    if (!any) return problems;   // a kind not built yet
    if (!m.size) problems.push_back("no size");
    if (!m.type_name) problems.push_back("no type_name");
    if (m.size && m.size() < sizeof(GameObject)) problems.push_back("size below the header");
    if (bool(m.write) != bool(m.read) || bool(m.write) != bool(m.link)) problems.push_back("write/read/link apart");
    if (bool(m.init) != bool(m.free)) problems.push_back("init without free");
    return problems;
}

// ---- The table as data ----

TEST(ObjectMethodTable, FortySlotsInTheirFixedOrder) {
    const char *const expected[OBJECT_METHOD_SLOTS] = {
        "size", "type_name", "init", "free", "copy_template", "on_created", "apply_frame", "update",
        "encounter_begin", "turn_begin", "turn_end", "galaxy_turn", "draw", "reset_state", "on_killed",
        "set_heading", "apply_damage", "act", "plan", "display_name", "icon", "picture", "evasion",
        "pilot_bonus", "hit_chance", "write", "read", "link", "travel_point", "intercept", "overlap_test",
        "rect_test", "point_test", "after_advance", "copy_record", "advance_clock", "find_child",
        "frame_extent", "purge_dead", "detach"};
    std::set<std::string> unique;
    for (int i = 0; i < OBJECT_METHOD_SLOTS; ++i) {
        ASSERT_NE(object_method_slot_name(i), nullptr) << i;
        EXPECT_STREQ(object_method_slot_name(i), expected[i]) << "slot " << i;
        unique.insert(object_method_slot_name(i));
    }
    EXPECT_EQ(unique.size(), size_t(OBJECT_METHOD_SLOTS));
    EXPECT_EQ(object_method_slot_name(OBJECT_METHOD_SLOTS), nullptr);
    EXPECT_EQ(object_method_slot_name(-1), nullptr);
    // The record's fields sit in the same order as the names.
    EXPECT_EQ(offsetof(ObjectMethods, evasion), 22 * sizeof(void *));
    EXPECT_EQ(offsetof(ObjectMethods, write), 25 * sizeof(void *));
    EXPECT_EQ(offsetof(ObjectMethods, detach), 39 * sizeof(void *));
}

TEST(ObjectMethodTable, EveryRegisteredRowIsWholeAndNamedOnce) {
    std::set<std::string> names;
    for (int32_t kind = 0; kind < OBJECT_KIND_COUNT; ++kind) {
        const ObjectMethods *row = object_methods(kind);
        ASSERT_NE(row, nullptr);
        const std::vector<std::string> problems = row_problems(*row);
        EXPECT_TRUE(problems.empty()) << "kind " << kind << ": " << (problems.empty() ? "" : problems.front());
        if (row->type_name) {
            EXPECT_TRUE(names.insert(row->type_name()).second) << row->type_name();
        }
    }
    EXPECT_EQ(object_methods(OBJECT_KIND_COUNT), nullptr);
    EXPECT_EQ(object_methods(-1), nullptr);
}

TEST(ObjectMethodTable, TheRowCheckCatchesBrokenRows) {
    ObjectMethods test_row;
    thing_register(&test_row);
    EXPECT_TRUE(row_problems(test_row).empty());

    ObjectMethods nameless = test_row;
    nameless.type_name = nullptr;
    EXPECT_EQ(row_problems(nameless), std::vector<std::string>{"no type_name"});
    ObjectMethods unreadable = test_row;
    unreadable.read = nullptr;
    EXPECT_EQ(row_problems(unreadable), std::vector<std::string>{"write/read/link apart"});
    EXPECT_TRUE(row_problems(ObjectMethods{}).empty()) << "an absent kind is not broken";
}

TEST(ObjectMethodTable, KindOutsideTheFiveHasNoNameAndNoObjects) {
    EXPECT_EQ(object_type_name(5), nullptr);
    EXPECT_EQ(object_type_name(-1), nullptr);
    EXPECT_EQ(object_create_blank(5), nullptr);
    EXPECT_EQ(object_create_blank(-3), nullptr);
}

// ---- Empty slots ----

class EmptySlots : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        bare = object_create_blank(DART);   // the dart fills only size, name, init, free, evasion
        ASSERT_NE(bare, nullptr);
        bare->name = "bare";
    }
    void TearDown() override {
        object_destroy(bare);
        WorldFixture::TearDown();
    }
    GameObject *bare = nullptr;
};

TEST_F(EmptySlots, GiveTheirFixedResults) {
    EXPECT_EQ(object_get_icon(bare), RES_NO_PICTURE);
    EXPECT_EQ(object_get_picture(bare), RES_NO_PICTURE);
    EXPECT_STREQ(object_get_name(bare), "bare");
    EXPECT_EQ(object_apply_damage(bare, nullptr, 50, 1, 2, 0), 0);
    EXPECT_EQ(object_act(bare), RES_UNSUPPORTED);
    EXPECT_EQ(object_plan(bare), RES_UNSUPPORTED);
    EXPECT_EQ(object_hit_chance_here(bare, 0, nullptr, 0, nullptr, nullptr), RES_OUT_OF_RANGE);
    int32_t intercepted = 7;
    object_intercept(bare, nullptr, 0, 0, &intercepted);
    EXPECT_EQ(intercepted, 0);
    object_intercept(bare, nullptr, 0, 0, nullptr);   // no output: nothing to write
    object_galaxy_turn(bare);
    object_after_advance(bare);
    object_advance_clock(bare, 1440);
    object_purge_dead(bare);
    object_detach(bare);
    EXPECT_EQ(object_link(bare), RES_OK);
    EXPECT_TRUE(bare->flags & OBJ_LINKED);
}

TEST_F(EmptySlots, EvasionOfAKindWithoutTheSlotIsZero) {
    ObjectMethods row;
    dart_register(&row);
    row.evasion = nullptr;
    const ObjectMethods saved = object_methods_swap(DART, row);
    thing(bare)->evasion = 40;
    EXPECT_EQ(object_get_evasion(bare), 0);
    object_methods_swap(DART, saved);
    EXPECT_EQ(object_get_evasion(bare), 40);
}

TEST_F(EmptySlots, FindAnswersItsOwnIdOnly) {
    bare->id = 77;
    EXPECT_EQ(object_find(bare, 77), bare);
    EXPECT_EQ(object_find(bare, 78), nullptr);
}

TEST_F(EmptySlots, FrameExtentIsTheLargestFrame) {
    int32_t widths[3] = {12, 40, 8}, heights[3] = {30, 5, 9};
    bare->frame_count = 3;
    bare->frame_w = widths;
    bare->frame_h = heights;
    int32_t w = -1, h = -1;
    object_get_frame_extent(bare, &w, &h);
    EXPECT_EQ(w, 40);
    EXPECT_EQ(h, 30);
    object_get_frame_extent(bare, nullptr, &h);   // null outputs are skipped
    bare->frame_count = 0;
    bare->frame_w = bare->frame_h = nullptr;
    object_get_frame_extent(bare, &w, &h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
}

TEST_F(EmptySlots, AnObjectOfAnUnknownKindReadsEveryoneEmpty) {
    const int32_t kind = bare->kind;
    bare->kind = 9;
    EXPECT_EQ(object_get_icon(bare), RES_NO_PICTURE);
    EXPECT_EQ(object_get_evasion(bare), 0);
    EXPECT_EQ(object_act(bare), RES_UNSUPPORTED);
    bare->kind = kind;
}

TEST_F(EmptySlots, PictureFallsBackToTheIcon) {
    Thing *site_like = make("site-like");   // icon slot only
    EXPECT_EQ(object_get_picture(site_like), 11);
    object_destroy(site_like);
}

// ---- Generic work around the slots ----

using DispatchWork = WorldFixture;

TEST_F(DispatchWork, HeadingIsReducedBeforeTheSlotSeesIt) {
    Thing *t = make("a");
    t->heading = 12;
    object_set_heading(t, -90);
    EXPECT_EQ(t->heading, 270);
    EXPECT_EQ(g_calls.last_heading_arg, 270);
    EXPECT_EQ(g_calls.heading_when_called, 12) << "the slot runs before the heading is stored";
    object_set_heading(t, 725);
    EXPECT_EQ(t->heading, 5);
    object_set_heading(t, -720);
    EXPECT_EQ(t->heading, 0);
    object_destroy(t);
}

TEST_F(DispatchWork, LinkRunsOnceAndAFailureRetries) {
    Thing *t = make("a");
    g_calls.link_result = RES_UNRESOLVED_ID;
    EXPECT_EQ(object_link(t), RES_UNRESOLVED_ID);
    EXPECT_FALSE(t->flags & OBJ_LINKED);
    g_calls.link_result = RES_OK;
    EXPECT_EQ(object_link(t), RES_OK);
    EXPECT_TRUE(t->flags & OBJ_LINKED);
    EXPECT_EQ(object_link(t), RES_OK);
    EXPECT_EQ(g_calls.count("link"), 2) << "a linked object is not linked again";
    object_destroy(t);
}

TEST_F(DispatchWork, KillWithoutOnKilledIsDeadAtOnceAndEndsTheBusyState) {
    ObjectMap *map = map_create();
    ASSERT_NE(map, nullptr);
    Thing *t = make("a");
    t->map = map;
    t->hold_ms = 700;
    object_set_busy(t);
    ASSERT_EQ(map->busy_count, 1);
    object_kill(t);
    EXPECT_TRUE(object_is_dying(t));
    EXPECT_TRUE(object_is_dead(t));
    EXPECT_FALSE(t->flags & OBJ_BUSY);
    EXPECT_EQ(map->busy_count, 0);
    EXPECT_EQ(map->hold_ms, 700);
    object_destroy(t);
    map_free(map);
}

TEST_F(DispatchWork, KillWithOnKilledLeavesDeathToTheKind) {
    ObjectMethods row;
    thing_register(&row);
    row.on_killed = [](GameObject *) { g_calls.names.push_back("on_killed"); };
    const ObjectMethods saved = object_methods_swap(THING, row);
    Thing *t = make("a");
    object_kill(t);
    EXPECT_TRUE(object_is_dying(t));
    EXPECT_FALSE(object_is_dead(t));
    EXPECT_EQ(g_calls.count("on_killed"), 1);
    object_destroy(t);
    object_methods_swap(THING, saved);
}

TEST_F(DispatchWork, EndTurnZeroesInitiativeCountsTheTurnAndHandsOverTheHold) {
    ObjectMap *map = map_create();
    Thing *t = make("a");
    t->map = map;
    t->initiative = 10400;
    t->turns_taken = 2;
    t->hold_ms = 250;
    object_set_busy(t);
    object_end_turn(t);
    EXPECT_TRUE(t->flags & OBJ_TURN_DONE);
    EXPECT_EQ(t->initiative, 0);
    EXPECT_EQ(t->turns_taken, 3);
    EXPECT_EQ(g_calls.count("turn_end"), 1);
    EXPECT_EQ(map->busy_count, 0);
    EXPECT_EQ(map->hold_ms, 250);
    object_begin_turn(t);
    EXPECT_FALSE(t->flags & OBJ_TURN_DONE);
    EXPECT_EQ(g_calls.count("turn_begin"), 1);
    object_destroy(t);
    map_free(map);
}

TEST_F(DispatchWork, ResetStateTurnsALostObjectDeadWithoutAskingTheKind) {
    Thing *lost = make("lost");
    lost->flags |= OBJ_LOST | OBJ_LEFT_MAP;
    lost->initiative = 5000;
    object_reset_state(lost);
    EXPECT_TRUE(object_is_dead(lost));
    EXPECT_FALSE(lost->flags & OBJ_LEFT_MAP);
    EXPECT_EQ(lost->initiative, 0);
    EXPECT_EQ(g_calls.count("reset_state"), 0);

    Thing *kept = make("kept");
    kept->flags |= OBJ_LEFT_MAP;
    object_reset_state(kept);
    EXPECT_FALSE(object_is_dead(kept));
    EXPECT_FALSE(kept->flags & OBJ_LEFT_MAP);
    EXPECT_EQ(g_calls.count("reset_state"), 1);
    object_destroy(lost);
    object_destroy(kept);
}

TEST_F(DispatchWork, EncounterBeginClearsTheBattleCounters) {
    Thing *t = make("a");
    t->turns_taken = 4;
    object_flash(t);
    EXPECT_EQ(t->flash_ms, 600);
    object_begin_encounter(t);
    EXPECT_EQ(t->turns_taken, 0);
    EXPECT_EQ(t->flash_ms, 0);
    EXPECT_EQ(g_calls.count("encounter_begin"), 1);
    object_destroy(t);
}

TEST_F(DispatchWork, CopyTemplateOnlyBetweenTheSameKind) {
    Thing *t = make("a");
    GameObject *dart = object_create_blank(DART);
    g_calls.names.clear();
    object_copy_template(t, dart);
    EXPECT_EQ(g_calls.count("copy_template"), 0);
    object_copy_template(t, factory_get_template(THING, 2));
    EXPECT_EQ(t->label, "label 2");
    object_destroy(t);
    object_destroy(dart);
}

// ---- Hit chance ----

Player *const SHIP_OWNER = reinterpret_cast<Player *>(0x1000);
Player *const AI_OWNER = reinterpret_cast<Player *>(0x2000);
constexpr uint64_t SHIP_OWNER_ID = 41, AI_OWNER_ID = 42;
uint64_t g_known_target = 0;

Player *fake_find_player(uint64_t id) {
    return id == SHIP_OWNER_ID ? SHIP_OWNER : id == AI_OWNER_ID ? AI_OWNER : nullptr;
}
uint64_t fake_player_id(const Player *p) { return p == SHIP_OWNER ? SHIP_OWNER_ID : p == AI_OWNER ? AI_OWNER_ID : 0; }
bool fake_knows(const Player *, uint64_t id) { return id == g_known_target; }

class HitChance : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        WorldHooks hooks;
        hooks.find_player = fake_find_player;
        hooks.player_id = fake_player_id;
        hooks.player_knows_object = fake_knows;
        world_set_hooks(hooks);
        g_known_target = 0;
        game->combat_ai_player_id = AI_OWNER_ID;
        shooter = make("shooter");
        shooter->owner_id = SHIP_OWNER_ID;
        shot = thing(object_create_blank(DART));
        shot->id = 900;
        shot->evasion = 40;
        ship = make("ship");
        ship->id = 901;
    }
    void TearDown() override {
        game->combat_ai_player_id = 0;
        object_destroy(shooter);
        object_destroy(shot);
        object_destroy(ship);
        WorldFixture::TearDown();
    }
    int32_t chance(GameObject *target) { return object_hit_chance_here(shooter, 0, target, 0, nullptr, nullptr); }
    Thing *shooter = nullptr, *shot = nullptr, *ship = nullptr;
};

TEST_F(HitChance, TheMachineFactionHardlyMissesAShot) {
    shooter->base_chance = 60;
    EXPECT_EQ(chance(shot), 20) << "another player: the whole evasion of 40";
    shooter->owner_id = AI_OWNER_ID;
    EXPECT_EQ(chance(shot), 58) << "40 x 5 / 100 = 2 points";
}

TEST_F(HitChance, FullEvasionAgainstShipsWhoeverShoots) {
    shooter->owner_id = AI_OWNER_ID;
    shooter->base_chance = 60;
    ship->evasion = 40;
    EXPECT_EQ(chance(ship), 20);
}

TEST_F(HitChance, AKnownTargetAddsThirtyAndTheResultIsClampedTo1Through100) {
    shooter->base_chance = 95;
    g_known_target = ship->id;
    EXPECT_EQ(chance(ship), 100) << "125 clamped";
    shooter->base_chance = 50;
    EXPECT_EQ(chance(ship), 80);
    g_known_target = 0;
    shooter->base_chance = 10;
    ship->evasion = 50;
    EXPECT_EQ(chance(ship), 1) << "-40 clamped";
}

TEST_F(HitChance, NoOwnerNoBonusAndNoTargetNoEvasion) {
    shooter->owner_id = 0;
    shooter->base_chance = 50;
    g_known_target = ship->id;
    ship->evasion = 10;
    EXPECT_EQ(chance(ship), 40);
    EXPECT_EQ(chance(nullptr), 50);
}

TEST_F(HitChance, ANegativeBaseComesBackUnchanged) {
    shooter->base_chance = RES_BAD_MOUNT;
    ship->evasion = 30;
    EXPECT_EQ(chance(ship), RES_BAD_MOUNT);
}

TEST_F(HitChance, OutputsAreClearedBeforeTheKindFillsThem) {
    shooter->base_chance = 50;
    int32_t damage = 99, result = 98;
    EXPECT_EQ(object_hit_chance(shooter, 1, 0, 0, 0, nullptr, 0, &damage, &result), 50);
    EXPECT_EQ(g_calls.names.back(), "hit_chance damage=0 result=0");
}

}  // namespace
