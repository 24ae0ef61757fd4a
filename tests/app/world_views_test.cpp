// The effects over the real world, wired as start-up wires it (app_install_hooks): what they read
// of real ships and sites.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include "effects/effect.h"
#include "game/game.h"
#include "support/real_maps.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/ship.h"
#include "world/site.h"
#include "world/site_feature.h"

namespace {

class RealWorldViews : public RealMapsTest {
protected:
    void SetUp() override { start({OBJECT_SHIP, OBJECT_SECTOR, OBJECT_SITE}); }
};

TEST_F(RealWorldViews, EffectsReadARealShipsRetreatFromItsOwnRecord) {
    Ship *ship = ship_on(game->combat_map, 500, 400);
    ASSERT_NE(ship, nullptr);
    EffectObjectView view = effect_object_view(ship);
    ASSERT_TRUE(view.present);
    EXPECT_FALSE(view.leaving);
    EXPECT_EQ(view.x, 500);
    EXPECT_EQ(view.w, ship->w);

    game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;   // no portal effect on the map
    ship_recompute_stats(ship);
    ship_begin_retreat(ship);
    view = effect_object_view(ship);
    EXPECT_TRUE(view.leaving);
    EXPECT_GT(view.stage, 0) << "the turns the retreat still takes";
    const int32_t before = view.stage;
    ship_retreat_step(ship);
    EXPECT_EQ(effect_object_view(ship).stage, before - 1) << "the stage counts the retreat down";
}

TEST_F(RealWorldViews, EffectsReadARealHarvestersStateHotSpotAndPlumeRatio) {
    Site *harvester = site_create(SITE_HARVESTER);
    Site *body = site_create(0);
    ASSERT_NE(harvester, nullptr);
    ASSERT_NE(body, nullptr);
    map_place_object(game->sector_map, harvester, 200, 150, 1);
    map_place_object(game->sector_map, body, 600, 150, 1);
    map_add_pending_objects(game->sector_map);
    body->resources_max = 400;
    body->resources_left = 100;
    harvester->harvest_target_id = body->id;
    harvester->hotspot_x = 14;   // the current frame's hot spot, as the frame change sets it
    harvester->hotspot_y = 9;

    EffectObjectView view = effect_object_view(harvester);
    EXPECT_EQ(view.attach_x, 14);
    EXPECT_EQ(view.attach_y, 9);
    EXPECT_FLOAT_EQ(view.plume_ratio, 0.25f) << "a quarter of the body's ore is left";
    EXPECT_FALSE(view.inactive);

    site_set_deactivated(harvester, 1);
    view = effect_object_view(harvester);
    EXPECT_TRUE(view.inactive);
    EXPECT_FLOAT_EQ(view.plume_ratio, 0.0f) << "a deactivated harvester streams nothing";

    EXPECT_FLOAT_EQ(effect_object_view(body).plume_ratio, 0.0f) << "only harvesters have plumes";
}

TEST_F(RealWorldViews, EffectsSeeARealShipTravelDieAndLeaveThroughItsPortal) {
    ObjectMap *map = game->combat_map;
    Ship *ship = ship_on(map, 500, 400);
    Ship *mortal = ship_on(map, 900, 400);
    ASSERT_NE(ship, nullptr);
    ASSERT_NE(mortal, nullptr);
    EffectObjectView view = effect_object_view(ship);
    EXPECT_FALSE(view.travelling || view.dying || view.dead || view.leaving || view.left || view.inactive);

    ship_recompute_stats(ship);
    ship->speed = std::max(ship->speed, 100);
    object_move_towards(ship, 800, 400);
    EXPECT_TRUE(effect_object_view(ship).travelling);

    game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;   // no portal effect on the map
    ship_begin_retreat(ship);
    for (int turn = 0; turn < 10 && !effect_object_view(ship).left; ++turn) {
        ship_retreat_step(ship);
        ship_turn_begin(ship);
    }
    view = effect_object_view(ship);
    EXPECT_TRUE(view.left) << "the retreat ran out";
    EXPECT_TRUE(view.leaving) << "the turn that ends it keeps the retreat under way";

    object_add_ref(mortal);   // held past the map's sweep
    object_kill(mortal);
    view = effect_object_view(mortal);
    EXPECT_TRUE(view.dying);
    for (int ms = 0; ms < 20000 && !(mortal->flags & OBJ_DEAD); ms += 20) map_update(map, 20);
    EXPECT_TRUE(effect_object_view(mortal).dead) << "the death ran out";
    object_release(mortal);
}

}  // namespace
