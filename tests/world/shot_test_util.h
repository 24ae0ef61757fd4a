#pragma once
// The combat map of the ship tests with the shot templates of the generated store loaded too
// (parameters and the frames an encounter draws), and helpers that put shots on the map.
#include "combat_test_util.h"

#include "world/shot.h"

namespace shiptest {

class ShotMapTest : public CombatMapTest {
protected:
    void SetUp() override {
        CombatMapTest::SetUp();
        for (int32_t t = 0; t < SHOT_TEMPLATE_COUNT; ++t)
            for (int32_t g : {FACTORY_GROUP_PARAMS, FACTORY_GROUP_ENCOUNTER}) factory_acquire_group(OBJECT_SHOT, t, g);
        ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
        for (int i = 0; i < GAME_GENERATOR_COUNT; ++i)
            if (game->generators[i]) rng_seed(game->generators[i], 777u + uint32_t(i));
    }
    void TearDown() override {
        game->flags &= ~GAME_FLAG_RESOLVE_AT_ONCE;
        CombatMapTest::TearDown();
    }
    // A shot of the template on the map with its top-left corner at (x, y), joined at once.
    Shot *shot_at(int32_t t, int32_t x, int32_t y, uint64_t owner = RED) {
        Shot *s = shot_create(t);
        EXPECT_NE(s, nullptr) << t;
        if (!s) return nullptr;
        s->owner_id = owner;
        map_place_object(map, s, x, y, 1);
        map_add_pending_objects(map);
        return s;
    }
    // Frames of the map: travel, then every object's tick, as the combat screen runs them.
    void run(int32_t frames, int32_t dt = 20) {
        for (int32_t i = 0; i < frames; ++i) {
            map_update_travel(map, dt);
            map_update(map, dt);
        }
    }
    // Runs until nothing on the map is busy or travelling (at most `limit` frames); the frames run.
    int32_t settle(int32_t limit = 3000) {
        for (int32_t i = 0; i < limit; ++i) {
            bool moving = (map->flags & MAP_BUSY) || list_count(&map->effects) > 0 || list_count(&map->new_effects) > 0;
            for (GameObject *obj : map->objects.items)
                if (obj && obj->kind == OBJECT_SHOT && !(obj->flags & OBJ_DEAD)) moving = true;
            if (!moving) return i;
            run(1);
        }
        return limit;
    }
};

}  // namespace shiptest
