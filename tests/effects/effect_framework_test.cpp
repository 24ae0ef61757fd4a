// The effect registry, the common operations (update, motion, free) and the blocking protocol.
#include <set>
#include <string>

#include "effect_fixture.h"
#include "effects/effect_beam.h"
#include "effects/effect_spark.h"
#include "platform/movement_path.h"

namespace {

TEST(EffectRegistry, TwelveRowsWithTheirRequiredSlotsAndUniqueNamesEachCreatingItsType) {
    std::set<std::string> names;
    for (uint32_t t = 0; t < EFFECT_TYPE_COUNT; ++t) {
        const EffectType *row = effect_type(t);
        ASSERT_NE(row, nullptr) << t;
        ASSERT_NE(row->name, nullptr) << t;
        EXPECT_NE(row->create, nullptr) << row->name;
        EXPECT_NE(row->free, nullptr) << row->name;
        EXPECT_EQ(row->load_type != nullptr, row->free_type != nullptr) << row->name << ": load and free go together";
        EXPECT_TRUE(names.insert(row->name).second) << row->name;
        Effect *e = effect_create(t);
        ASSERT_NE(e, nullptr) << t;
        EXPECT_EQ(e->type, t);
        EXPECT_EQ(e->state, 0u);
        effect_free(e);
    }
    EXPECT_EQ(effect_type(EFFECT_TYPE_COUNT), nullptr);
    EXPECT_EQ(effect_create(12), nullptr);
    effect_free(nullptr);   // ignored
}

TEST(EffectRegistry, LoadRefusesTypesOutsideTheTableAndProceduralTypesLoadNothing) {
    EXPECT_EQ(effect_load_type(12), RES_OUT_OF_RANGE);
    EXPECT_EQ(effect_load_type(-1), RES_OUT_OF_RANGE);
    EXPECT_EQ(effect_load_type(EFFECT_PULSE), RES_OK);
    EXPECT_EQ(effect_load_type(EFFECT_PARTICLES), RES_OK);
}

class EffectMotion : public EffectTest {};

TEST_F(EffectMotion, ADelayedMotionWaitsItsDelayThenMoves) {
    Effect *e = effect_create(EFFECT_HALO);   // no step of its own
    e->x = 10;
    e->y = 20;
    effect_move_to(e, 110, 20, 1000, 500);
    for (int t = 0; t < 500; t += 20) {
        effect_update(e, 20);
        if (t + 20 < 500) {
            EXPECT_EQ(e->x, 10) << "at " << t + 20 << " ms";
        }
    }
    effect_update(e, 20);
    EXPECT_GT(e->x, 10);
    run(e, 20, 60);
    EXPECT_EQ(e->x, 110);
    EXPECT_TRUE(movement_path_arrived(e->motion));
    effect_free(e);
}

TEST_F(EffectMotion, NoDurationOnlySetsTheDelayAndTheSamePlaceOnlyArrives) {
    Effect *still = effect_create(EFFECT_HALO);
    still->motion_delay = 300;
    run(still, 20, 10);
    EXPECT_EQ(still->motion_delay, 300) << "an effect without motion keeps its delay";
    effect_free(still);
    Effect *e = effect_create(EFFECT_HALO);
    e->x = 5;
    e->y = 6;
    effect_move_to(e, 50, 60, 0, 70);
    ASSERT_NE(e->motion, nullptr);
    EXPECT_EQ(e->motion_delay, 70);
    EXPECT_TRUE(movement_path_arrived(e->motion));
    effect_move_to(e, 5, 6, 400, 30);
    EXPECT_TRUE(movement_path_arrived(e->motion));
    EXPECT_EQ(e->motion_delay, 30);
    run(e, 20, 10);
    EXPECT_EQ(e->x, 5);
    EXPECT_EQ(e->y, 6);
    effect_free(e);
}

class Blocking : public EffectTest {};

TEST_F(Blocking, AFinishingBlockingEffectLowersItsMapOnceAndHoldsAtLeastASecond) {
    FakeMap map;
    map.hold = 200;
    Effect *e = effect_create(EFFECT_HALO);
    e->owner = as_map(&map);
    effect_set_blocking(e);
    effect_set_blocking(e);   // already blocking: counted once
    EXPECT_EQ(map.busy, 1);
    EXPECT_EQ(map.flags & 1, 1u);
    e->state |= EFFECT_FINISHED;
    effect_update(e, 20);
    EXPECT_EQ(map.busy, 0);
    EXPECT_EQ(map.hold, 1000);
    EXPECT_FALSE(e->state & EFFECT_BLOCKING);
    map.busy = 3;
    effect_update(e, 20);   // a second pass changes nothing
    EXPECT_EQ(map.busy, 3);
    effect_free(e);
}

TEST_F(Blocking, ClearingPassesItsMinimumHoldAndIgnoresAnEffectThatDoesNotBlock) {
    FakeMap map;
    Effect *e = effect_create(EFFECT_HALO);
    e->owner = as_map(&map);
    map.busy = 2;
    effect_clear_blocking(e, 300);   // not blocking: the map is not touched
    EXPECT_EQ(map.busy, 2);
    EXPECT_EQ(map.last_hold, -1);
    effect_set_blocking(e);
    effect_clear_blocking(e, 300);
    EXPECT_EQ(map.busy, 2);
    EXPECT_EQ(map.last_hold, 300);
    effect_free(e);
}

TEST_F(Blocking, AnEffectWithoutAMapBlocksNothing) {
    Effect *e = effect_create(EFFECT_HALO);
    effect_set_blocking(e);
    EXPECT_TRUE(e->state & EFFECT_BLOCKING);
    e->state |= EFFECT_FINISHED;
    effect_update(e, 20);   // no map to lower: no crash
    EXPECT_FALSE(e->state & EFFECT_BLOCKING);
    effect_free(e);
}

}  // namespace
