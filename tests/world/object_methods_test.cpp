// Operation tables: the rows as data, the dispatch operations with and without their slots, the
// generic work around the slots, and the hit chance.
#include <gtest/gtest.h>

#include <cstddef>
#include <set>
#include <string>
#include <utility>
#include <vector>
#include "game/player.h"
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

// Each slot's name is the name of the record field at its place: logs and the row walk rely on it.
TEST(ObjectMethodTable, EverySlotIsNamedAfterItsFieldOnce) {
#define SLOT(field) std::pair<size_t, const char *>{offsetof(ObjectMethods, field) / sizeof(void *), #field}
    const std::pair<size_t, const char *> slots[] = {
        SLOT(size), SLOT(type_name), SLOT(init), SLOT(free), SLOT(copy_template), SLOT(on_created), SLOT(apply_frame),
        SLOT(update), SLOT(encounter_begin), SLOT(turn_begin), SLOT(turn_end), SLOT(galaxy_turn), SLOT(draw),
        SLOT(reset_state), SLOT(on_killed), SLOT(set_heading), SLOT(apply_damage), SLOT(act), SLOT(plan),
        SLOT(display_name), SLOT(icon), SLOT(picture), SLOT(evasion), SLOT(pilot_bonus), SLOT(hit_chance), SLOT(write),
        SLOT(read), SLOT(link), SLOT(travel_point), SLOT(intercept), SLOT(overlap_test), SLOT(rect_test), SLOT(point_test),
        SLOT(after_advance), SLOT(copy_record), SLOT(advance_clock), SLOT(find_child), SLOT(frame_extent),
        SLOT(purge_dead), SLOT(detach)};
#undef SLOT
    ASSERT_EQ(std::size(slots), size_t(OBJECT_METHOD_SLOTS));
    std::set<std::string> unique;
    for (auto [index, field] : slots) {
        ASSERT_NE(object_method_slot_name(int(index)), nullptr) << field;
        EXPECT_STREQ(object_method_slot_name(int(index)), field);
        unique.insert(object_method_slot_name(int(index)));
    }
    EXPECT_EQ(unique.size(), size_t(OBJECT_METHOD_SLOTS));
    EXPECT_EQ(object_method_slot_name(OBJECT_METHOD_SLOTS), nullptr);
    EXPECT_EQ(object_method_slot_name(-1), nullptr);
}

// The type names go into the logs.
TEST(ObjectMethodTable, EveryRegisteredRowIsWholeAndNamedAndNoKindLiesOutsideTheFive) {
    std::vector<std::string> names;
    for (int32_t kind = 0; kind < OBJECT_KIND_COUNT; ++kind) {
        const ObjectMethods *row = object_methods(kind);
        ASSERT_NE(row, nullptr);
        const std::vector<std::string> problems = row_problems(*row);
        EXPECT_TRUE(problems.empty()) << "kind " << kind << ": " << (problems.empty() ? "" : problems.front());
        names.push_back(object_type_name(kind) ? object_type_name(kind) : "-");
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Ship", "Shot", "Sector", "Fleet", "Site"}));
    for (int32_t kind : {OBJECT_KIND_COUNT, -1, -3}) {
        EXPECT_EQ(object_methods(kind), nullptr) << kind;
        EXPECT_EQ(object_type_name(kind), nullptr) << kind;
        EXPECT_EQ(object_create_blank(kind), nullptr) << kind;
    }
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
    bare->id = 77;
    EXPECT_EQ(object_find(bare, 77), bare) << "find answers its own id only";
    EXPECT_EQ(object_find(bare, 78), nullptr);
    EXPECT_EQ(object_link(bare), RES_OK);
    EXPECT_TRUE(bare->flags & OBJ_LINKED);
    Thing *site_like = make("site-like");   // icon slot only
    EXPECT_EQ(object_get_picture(site_like), 11) << "the picture falls back to the icon";
    object_destroy(site_like);
}

TEST_F(EmptySlots, EvasionOfAKindWithoutTheSlotAndOfAnUnknownKindIsZero) {
    thing(bare)->evasion = 40;
    {
        RowEdit no_evasion([](ObjectMethods &m) { m.evasion = nullptr; }, DART);
        EXPECT_EQ(object_get_evasion(bare), 0);
    }
    EXPECT_EQ(object_get_evasion(bare), 40);
    const int32_t kind = bare->kind;
    bare->kind = 9;   // an object of an unknown kind reads everything empty
    EXPECT_EQ(object_get_icon(bare), RES_NO_PICTURE);
    EXPECT_EQ(object_get_evasion(bare), 0);
    EXPECT_EQ(object_act(bare), RES_UNSUPPORTED);
    bare->kind = kind;
}

TEST_F(EmptySlots, FrameExtentIsTheLargestFrame) {
    int32_t widths[3] = {12, 40, 8}, heights[3] = {30, 5, 9};
    bare->frame_count = 3;
    bare->frame_w = widths;
    bare->frame_h = heights;
    int32_t w = -1, h = -1;
    object_get_frame_extent(bare, &w, &h);
    EXPECT_EQ(std::pair(w, h), std::pair(40, 30));
    object_get_frame_extent(bare, nullptr, &h);   // null outputs are skipped
    bare->frame_count = 0;
    bare->frame_w = bare->frame_h = nullptr;
    object_get_frame_extent(bare, &w, &h);
    EXPECT_EQ(std::pair(w, h), std::pair(0, 0));
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

TEST_F(DispatchWork, KillWithoutOnKilledIsDeadAtOnceAndEndsTheBusyStateWithItLeavesDeathToTheKind) {
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

    RowEdit on_killed([](ObjectMethods &m) { m.on_killed = [](GameObject *) { g_calls.names.push_back("on_killed"); }; });
    t = make("b");
    object_kill(t);
    EXPECT_TRUE(object_is_dying(t));
    EXPECT_FALSE(object_is_dead(t));
    EXPECT_EQ(g_calls.count("on_killed"), 1);
    object_destroy(t);
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
    EXPECT_EQ(std::pair(t->initiative, t->turns_taken), std::pair(0, 3));
    EXPECT_EQ(g_calls.count("turn_end"), 1);
    EXPECT_EQ(std::pair(map->busy_count, map->hold_ms), std::pair(0, 250));
    object_begin_turn(t);
    EXPECT_FALSE(t->flags & OBJ_TURN_DONE);
    EXPECT_EQ(g_calls.count("turn_begin"), 1);
    object_destroy(t);
    map_free(map);
}

TEST_F(DispatchWork, ResetStateTurnsALostObjectDeadWithoutAskingTheKind) {
    Thing *lost = make("lost"), *kept = make("kept");
    lost->flags |= OBJ_LOST | OBJ_LEFT_MAP;
    lost->initiative = 5000;
    object_reset_state(lost);
    EXPECT_TRUE(object_is_dead(lost));
    EXPECT_FALSE(lost->flags & OBJ_LEFT_MAP);
    EXPECT_EQ(lost->initiative, 0);
    EXPECT_EQ(g_calls.count("reset_state"), 0);
    kept->flags |= OBJ_LEFT_MAP;
    object_reset_state(kept);
    EXPECT_FALSE(object_is_dead(kept));
    EXPECT_FALSE(kept->flags & OBJ_LEFT_MAP);
    EXPECT_EQ(g_calls.count("reset_state"), 1);
    object_destroy(lost);
    object_destroy(kept);
}

TEST_F(DispatchWork, EncounterBeginClearsTheBattleCountersAndTemplatesCopyOnlyWithinAKind) {
    Thing *t = make("a");
    t->turns_taken = 4;
    object_flash(t);
    EXPECT_EQ(t->flash_ms, 600);
    object_begin_encounter(t);
    EXPECT_EQ(std::pair(t->turns_taken, t->flash_ms), std::pair(0, 0));
    EXPECT_EQ(g_calls.count("encounter_begin"), 1);
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

constexpr uint64_t SHIP_OWNER_ID = 41, AI_OWNER_ID = 42;

// Two players in the game's records: the shooter's owner, whose memory may hold the target, and the
// machine faction.
class HitChance : public WorldFixture {
protected:
    void SetUp() override {
        WorldFixture::SetUp();
        for (uint64_t id : {SHIP_OWNER_ID, AI_OWNER_ID}) {
            Player *p = player_create(PLAYER_KIND_COMPUTER);
            player_set_id(p, id);
            ASSERT_EQ(game_add_player(game, p), RES_OK);
        }
        game->combat_ai_player_id = AI_OWNER_ID;
        shooter = make("shooter");
        shot = thing(object_create_blank(DART));
        shot->id = 900;
        ship = make("ship");
        ship->id = 901;
    }
    void TearDown() override {
        game->combat_ai_player_id = 0;
        game_clear_players(game);
        object_destroy(shooter);
        object_destroy(shot);
        object_destroy(ship);
        WorldFixture::TearDown();
    }
    Thing *shooter = nullptr, *shot = nullptr, *ship = nullptr;
};

TEST_F(HitChance, EvasionKnowledgeAndTheClampDecide) {
    enum Target { SHOT, SHIP, NONE };
    struct Case {
        const char *what;
        uint64_t    owner;
        int32_t     base;
        Target      target;
        int32_t     evasion;
        bool        known;
        int32_t     chance;
    };
    const Case cases[] = {
        {"another player against a shot: the whole evasion", SHIP_OWNER_ID, 60, SHOT, 40, false, 20},
        {"the machine faction hardly misses a shot: 40 x 5 / 100", AI_OWNER_ID, 60, SHOT, 40, false, 58},
        {"full evasion against ships whoever shoots", AI_OWNER_ID, 60, SHIP, 40, false, 20},
        {"a known target adds thirty: 125 clamped", SHIP_OWNER_ID, 95, SHOT, 0, true, 100},
        {"a known target adds thirty", SHIP_OWNER_ID, 50, SHOT, 0, true, 80},
        {"the machine faction knows the shot: 60 - 2 + 30", AI_OWNER_ID, 60, SHOT, 40, true, 88},
        {"-40 clamped", SHIP_OWNER_ID, 10, SHIP, 50, false, 1},
        {"no owner, no bonus: every player knows the shot", 0, 50, SHOT, 10, true, 40},
        {"no target, no evasion", 0, 50, NONE, 0, false, 50},
        {"a negative base comes back unchanged", SHIP_OWNER_ID, RES_BAD_MOUNT, SHIP, 30, false, RES_BAD_MOUNT},
    };
    for (const Case &c : cases) {
        shooter->owner_id = c.owner;
        shooter->base_chance = c.base;
        Thing *target = c.target == SHOT ? shot : c.target == SHIP ? ship : nullptr;
        if (target) target->evasion = c.evasion;
        // The shooter's owner (every player, for a shooter without one) has the target in its memory,
        // or nothing at all.
        for (uint64_t id : {SHIP_OWNER_ID, AI_OWNER_ID}) {
            Player *p = game_find_player(game, id);
            for (GameObject *snap; (snap = list_get(&p->known, 0));) player_forget_object(p, snap);
            if (c.known && target && (id == c.owner || c.owner == 0)) {
                player_learn_object(p, target, 1);
                ASSERT_TRUE(player_knows_object(p, target->id)) << c.what;
            }
        }
        EXPECT_EQ(object_hit_chance_here(shooter, 0, target, 0, nullptr, nullptr), c.chance) << c.what;
    }
}

TEST_F(HitChance, OutputsAreClearedBeforeTheKindFillsThem) {
    shooter->base_chance = 50;
    int32_t damage = 99, result = 98;
    EXPECT_EQ(object_hit_chance(shooter, 1, 0, 0, 0, nullptr, 0, &damage, &result), 50);
    EXPECT_EQ(g_calls.names.back(), "hit_chance damage=0 result=0");
}

}  // namespace
