// Systems: creation from templates, subtypes, copying, reference counts, the turn helpers and the
// dispatch wrappers.
#include <gtest/gtest.h>

#include <tuple>

#include "system_test_util.h"

namespace {

using systest::SystemsTest;
using systest::use_type_store;

// Types loaded from the test store; every system a test makes is freed by it.
class SystemsLoaded : public SystemsTest {
protected:
    void SetUp() override {
        SystemsTest::SetUp();
        use_type_store(dir);
        ASSERT_EQ(system_types_load(), RES_OK);
        live_loaded = system_live_count();
    }
    int64_t live_loaded = 0;
};

// --- creation ---------------------------------------------------------------------------------

class SystemCreate : public SystemsLoaded {};

TEST_F(SystemCreate, CopiesTheTemplateWithFullIntegrityAndRoundsButNotItsRows) {
    // The figures are the template's (the parameter tests pin how a file fills them); a new
    // system starts unheld, whole, loaded, on no ship.
    const System *t = system_type_template(1);
    System *s = system_create(1);
    ASSERT_NE(s, nullptr);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(std::tie(s->refcount, s->type, s->subtype, s->name), std::make_tuple(0, 1, 0, std::string("Gun")));
    EXPECT_EQ(s->flags, t->flags);
    for (auto field : {&System::spare, &System::mass, &System::power, &System::max_integrity, &System::recharge_turns,
                       &System::range, &System::arc, &System::facing, &System::value, &System::ap_cost, &System::cost,
                       &System::round_price, &System::rounds_per_reload, &System::load_a, &System::load_b})
        EXPECT_EQ(s->*field, t->*field);
    EXPECT_EQ(s->aux_text, t->aux_text);
    EXPECT_EQ(s->shot_text, t->shot_text);
    EXPECT_EQ(s->integrity, 50) << "full";
    EXPECT_EQ(s->rounds, 6) << "loaded";
    EXPECT_EQ(s->recharge_left, 0);
    EXPECT_EQ(s->status, 0u);
    EXPECT_EQ(s->ship, nullptr);
    system_free(s);
    System *lance = system_create(0);
    ASSERT_NE(lance, nullptr);
    EXPECT_EQ(lance->subtype_count, 0) << "the rows stay with the template";
    EXPECT_TRUE(lance->subtypes.empty());
    EXPECT_EQ(lance->name, "Lance");
    system_free(lance);
}

TEST_F(SystemCreate, GivesNoneForATypeOutsideTheTableOrWithoutLoadedTypes) {
    EXPECT_EQ(system_create(30), nullptr);
    EXPECT_EQ(system_create(-1), nullptr);
    EXPECT_EQ(system_live_count(), live_loaded);
    system_types_free();
    EXPECT_EQ(system_create(0), nullptr);
}

// --- subtypes ---------------------------------------------------------------------------------

class SystemSubtypes : public SystemsLoaded {};

TEST_F(SystemSubtypes, ARowReplacesTheFiguresNameAndShotText) {
    System *s = system_create(0);
    ASSERT_NE(s, nullptr);
    s->integrity = 33;
    ASSERT_EQ(system_set_subtype(s, 2), RES_OK);
    EXPECT_EQ(std::tie(s->subtype, s->name, s->shot_text), std::make_tuple(2, std::string("Lance III"), std::string("ray")));
    EXPECT_EQ(std::tie(s->mass, s->power, s->value, s->arc, s->range, s->ap_cost, s->cost, s->load_a, s->load_b),
              std::make_tuple(80, 16, 14, 70, 240, 6, 900, 14, 3));
    EXPECT_EQ(s->integrity, 33);        // not a row figure
    EXPECT_EQ(s->max_integrity, 40);
    system_free(s);
}

TEST_F(SystemSubtypes, AnIndexEqualToTheCountIsRefusedAndChangesNothing) {
    System *s = system_create(0);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(system_set_subtype(s, 1), RES_OK);
    for (int32_t bad : {3, -1, 1000}) {
        EXPECT_EQ(system_set_subtype(s, bad), RES_OUT_OF_RANGE) << bad;
        EXPECT_EQ(std::tie(s->subtype, s->name, s->shot_text, s->mass, s->load_b),
                  std::make_tuple(1, std::string("Lance II"), std::string("bolt"), 70, 2));
    }
    system_free(s);
}

TEST_F(SystemSubtypes, ATypeWithoutSubtypesOrWithoutLoadedTypesHasNoRowToTake) {
    System *gun = system_create(1), *lance = system_create(0);
    ASSERT_NE(gun, nullptr);
    ASSERT_NE(lance, nullptr);
    EXPECT_EQ(system_set_subtype(gun, 0), RES_UNSUPPORTED);
    EXPECT_EQ(system_subtype_count(1), 0);
    system_types_free();
    EXPECT_EQ(system_set_subtype(lance, 0), RES_TYPES_NOT_LOADED);
    system_free(gun);
    system_free(lance);
}

TEST_F(SystemSubtypes, CreateSubtypeMakesTheRowsSystemOrLogsFreesAndGivesNone) {
    System *s = system_create_subtype(0, 1);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->name, "Lance II");
    EXPECT_EQ(s->integrity, 40);
    system_free(s);
    LogFileCatcher log(dir);
    EXPECT_EQ(system_create_subtype(0, 3), nullptr);
    EXPECT_EQ(system_create_subtype(1, 0), nullptr);
    EXPECT_EQ(system_live_count(), live_loaded);
    const std::string text = log.text();
    EXPECT_NE(text.find("[GAME] [ERROR] Error creating system type 0 subtype 3 (-2)"), std::string::npos) << text;
    EXPECT_NE(text.find("Error creating system type 1 subtype 0 (-20)"), std::string::npos) << text;
}

// --- copying ----------------------------------------------------------------------------------

class SystemCopying : public SystemsLoaded {
protected:
    System *src = nullptr;
    System *dst = nullptr;

    void SetUp() override {
        SystemsLoaded::SetUp();
        src = system_create_subtype(0, 2);
        dst = system_create(1);
        ASSERT_NE(src, nullptr);
        ASSERT_NE(dst, nullptr);
        src->status = SYSTEM_STATUS_DAMAGED;
        src->integrity = 11;
        src->recharge_left = 2;
        src->rounds = 1;
        src->spare = 77;
        src->aux_text = "wait";
        src->mount_index = 9, src->mount_x = 9, src->mount_y = 9, src->mount_side = 2;
        src->ai_candidates = 99;
        src->refcount = 5;
        dst->refcount = 2;
        dst->mount_index = 3, dst->mount_x = 14, dst->mount_y = -6, dst->mount_side = SYSTEM_SIDE_PORT;
        dst->ship = reinterpret_cast<Ship *>(dst);   // any address: only its identity matters
        dst->ai_candidates = 4;
    }
    void TearDown() override {
        system_free(src);
        system_free(dst);
        SystemsLoaded::TearDown();
    }
};

TEST_F(SystemCopying, CopyTakesStateAndFiguresButKeepsTheMountShipAndCount) {
    system_copy(dst, src);
    EXPECT_EQ(std::tie(dst->type, dst->subtype, dst->name, dst->shot_text, dst->aux_text),
              std::make_tuple(0, 2, std::string("Lance III"), std::string("ray"), std::string("wait")));
    EXPECT_EQ(dst->flags, src->flags);
    EXPECT_EQ(std::tie(dst->spare, dst->status, dst->integrity, dst->max_integrity, dst->recharge_left, dst->rounds),
              std::make_tuple(77, SYSTEM_STATUS_DAMAGED, 11, 40, 2, 1));
    EXPECT_EQ(std::tie(dst->mass, dst->load_a, dst->load_b), std::make_tuple(80, 14, 3));
    // Its own: the count, the mount, the ship and the AI's word.
    EXPECT_EQ(std::tie(dst->refcount, dst->mount_index, dst->mount_x, dst->mount_y, dst->mount_side, dst->ai_candidates),
              std::make_tuple(2, 3, 14, -6, SYSTEM_SIDE_PORT, 4));
    EXPECT_EQ(dst->ship, reinterpret_cast<Ship *>(dst));
}

TEST_F(SystemCopying, CopyFromTemplateLeavesTheSystemsState) {
    system_copy_from_template(src, system_type_template(1));
    EXPECT_EQ(std::tie(src->name, src->facing, src->rounds_per_reload, src->aux_text),
              std::make_tuple(std::string("Gun"), 7, 6, std::string("Reloading")));
    // Not template figures: the type, the row and the state.
    EXPECT_EQ(std::tie(src->type, src->subtype, src->integrity, src->rounds, src->recharge_left, src->status),
              std::make_tuple(0, 2, 11, 1, 2, SYSTEM_STATUS_DAMAGED));
}

// --- reference counts -------------------------------------------------------------------------

class SystemRefcount : public SystemsLoaded {};

TEST_F(SystemRefcount, TheLastReleaseFreesTheSystemEvenOneNobodyHeld) {
    System *s = system_create(2);
    ASSERT_NE(s, nullptr);
    system_retain(s);
    system_retain(s);
    EXPECT_EQ(s->refcount, 2);
    system_release(s);
    EXPECT_EQ(s->refcount, 1);
    EXPECT_EQ(system_live_count(), live_loaded + 1);
    system_release(s);
    EXPECT_EQ(system_live_count(), live_loaded);
    system_release(system_create(2));
    EXPECT_EQ(system_live_count(), live_loaded);
    system_release(nullptr);
    system_retain(nullptr);
    system_free(nullptr);
}

// --- turn helpers -----------------------------------------------------------------------------

class SystemState : public SystemsLoaded {
protected:
    System *gun = nullptr;   // type 1: usable, rounds, recharges
    void SetUp() override {
        SystemsLoaded::SetUp();
        gun = system_create(1);
        ASSERT_NE(gun, nullptr);
    }
    void TearDown() override {
        system_free(gun);
        SystemsLoaded::TearDown();
    }
};

TEST_F(SystemState, ResetBringsBackAWholeOnlineSystemAndRefreshEndsTheRechargeKeepingTheStatus) {
    const struct {
        void (*fn)(System *);
        uint32_t status_before, status_after;
        int32_t recharge_after;
    } cases[] = {{system_reset, SYSTEM_STATUS_OFFLINE | SYSTEM_STATUS_DAMAGED | 0x2, 0x2u, 2},
                 {system_refresh, SYSTEM_STATUS_DAMAGED, SYSTEM_STATUS_DAMAGED, 0}};
    for (const auto &c : cases) {
        gun->status = c.status_before;
        gun->integrity = 3;
        gun->rounds = 0;
        gun->recharge_left = 2;
        c.fn(gun);
        EXPECT_EQ(gun->status, c.status_after) << "reset drops only the two state bits";
        EXPECT_EQ(gun->integrity, 50);
        EXPECT_EQ(gun->rounds, 6);
        EXPECT_EQ(gun->recharge_left, c.recharge_after);
    }
}

TEST_F(SystemState, RechargeCountsDownToZeroWhileOnline) {
    gun->recharge_left = 2;
    system_recharge_tick(gun);
    EXPECT_EQ(gun->recharge_left, 1);
    system_recharge_tick(gun);
    system_recharge_tick(gun);
    EXPECT_EQ(gun->recharge_left, 0);
    gun->recharge_left = 2;
    gun->status = SYSTEM_STATUS_OFFLINE;
    system_recharge_tick(gun);
    EXPECT_EQ(gun->recharge_left, 2);
    system_clear_recharge(gun);
    EXPECT_EQ(gun->recharge_left, 2);
    gun->status = 0;
    system_clear_recharge(gun);
    EXPECT_EQ(gun->recharge_left, 0);
    gun->flags &= ~SYSTEM_FLAG_RECHARGES;   // a system that does not recharge does not count down
    gun->recharge_left = 2;
    system_recharge_tick(gun);
    EXPECT_EQ(gun->recharge_left, 2);
}

TEST_F(SystemState, UsableNeedsCombatOnlineChargedAndLoaded) {
    EXPECT_TRUE(system_is_usable(gun));
    gun->recharge_left = 1;
    EXPECT_FALSE(system_is_usable(gun));
    gun->recharge_left = 0;
    gun->rounds = 0;
    EXPECT_FALSE(system_is_usable(gun));
    gun->rounds = 1;
    gun->status = SYSTEM_STATUS_OFFLINE;
    EXPECT_FALSE(system_is_usable(gun));
    gun->status = SYSTEM_STATUS_DAMAGED;
    EXPECT_TRUE(system_is_usable(gun));
    gun->flags &= ~(SYSTEM_FLAG_ROUNDS | SYSTEM_FLAG_RECHARGES);   // rounds and recharge count only with their flags
    gun->rounds = 0;
    gun->recharge_left = 3;
    EXPECT_TRUE(system_is_usable(gun));
    gun->flags &= ~SYSTEM_FLAG_COMBAT;
    EXPECT_FALSE(system_is_usable(gun));
}

// --- dispatch ---------------------------------------------------------------------------------

// Slots that tests install on type 1 and record what they were given.
struct SlotLog {
    int calls = 0;
    bool roll = false;
};
SlotLog g_slots;

int32_t test_estimate(System *, Ship *, int32_t, int32_t, int32_t, GameObject *, bool roll, int32_t *damage,
                      int32_t *effect) {
    ++g_slots.calls;
    g_slots.roll = roll;
    *damage = 17;
    *effect = 2;
    return 85;
}
int32_t test_effective_value(const System *s) { return s->range / 2; }
int32_t test_impact(Shot *, GameObject *) {
    ++g_slots.calls;
    return 23;
}
Result test_action(System *, int32_t index, std::string *label, int32_t *, int32_t *, int32_t *, Result *) {
    ++g_slots.calls;
    if (index != 0) return RES_NO_ACTION;
    *label = "Fire";
    return RES_OK;
}
Result test_refuse_every_action(System *, int32_t, std::string *, int32_t *, int32_t *, int32_t *, Result *) {
    return RES_NO_ACTION;
}

class SystemDispatch : public SystemsLoaded {
protected:
    System *gun = nullptr;
    void SetUp() override {
        SystemsLoaded::SetUp();
        g_slots = SlotLog{};
        gun = system_create(1);
        ASSERT_NE(gun, nullptr);
    }
    void TearDown() override {
        *system_type_ops(1) = SystemTypeOps{};
        system_free(gun);
        SystemsLoaded::TearDown();
    }
};

TEST_F(SystemDispatch, EmptySlotsGiveTheirFixedResults) {
    *system_type_ops(1) = SystemTypeOps{};
    int32_t damage = 5, effect = 5;
    EXPECT_EQ(system_estimate(gun, nullptr, 0, 0, 0, nullptr, true, &damage, &effect), 0);
    EXPECT_EQ(damage, -1);
    EXPECT_EQ(effect, 0);
    EXPECT_EQ(system_effective_value(gun), 0);
    EXPECT_EQ(system_impact(1, nullptr, nullptr), 0);
    EXPECT_FALSE(system_has_action(gun));
}

TEST_F(SystemDispatch, FilledSlotsAnswerThroughTheWrappers) {
    SystemTypeOps *ops = system_type_ops(1);
    ops->estimate = test_estimate;
    ops->effective_value = test_effective_value;
    ops->impact = test_impact;
    ops->action = test_action;
    int32_t damage = 0, effect = 0;
    EXPECT_EQ(system_estimate(gun, nullptr, 1, 2, 3, nullptr, true, &damage, &effect), 85);
    EXPECT_EQ(damage, 17);
    EXPECT_EQ(effect, 2);
    EXPECT_TRUE(g_slots.roll);
    EXPECT_EQ(system_estimate(gun, nullptr, 1, 2, 3, nullptr, false, nullptr, nullptr), 85);   // outs optional
    EXPECT_EQ(system_effective_value(gun), 130);
    EXPECT_EQ(system_impact(1, nullptr, nullptr), 23);
    EXPECT_EQ(system_impact(30, nullptr, nullptr), 0);
    EXPECT_EQ(system_impact(-1, nullptr, nullptr), 0);
    EXPECT_TRUE(system_has_action(gun));
    ops->action = test_refuse_every_action;   // a slot that offers no index 0 is no action
    EXPECT_FALSE(system_has_action(gun));
}

TEST_F(SystemDispatch, ASystemOfAnUnknownTypeReachesNoSlot) {
    system_type_ops(1)->effective_value = test_effective_value;
    gun->type = 31;
    EXPECT_EQ(system_effective_value(gun), 0);
    EXPECT_FALSE(system_has_action(gun));
    gun->type = 1;
    EXPECT_EQ(system_type_ops(30), nullptr);
}

}  // namespace
