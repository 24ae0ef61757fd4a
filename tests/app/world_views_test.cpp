// The toolkit over the real world, wired as start-up wires it (app_install_hooks): controls attached
// to real ships, the minimap over the game's own galaxy map, and what the effects read of real ships
// and sites.
#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>
#include <vector>
#include "effects/effect.h"
#include "game/game.h"
#include "game/player.h"
#include "support/fixture_store.h"
#include "ui/control.h"
#include "ui/control_minimap.h"
#include "ui/panel.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"
#include "world/site_feature.h"

namespace {

class RealWorldViews : public ::testing::Test {
protected:
    void SetUp() override {
        game_destroy();
        game = game_get();
        ASSERT_NE(game, nullptr);
        ASSERT_TRUE(world.load({OBJECT_SHIP, OBJECT_SECTOR, OBJECT_SITE}, {FACTORY_GROUP_PARAMS, FACTORY_GROUP_FRAMES}));
        map_set_world_size(game->galaxy_map, 4096, 3072);
        map_set_world_size(game->combat_map, 4096, 3072);
    }
    void TearDown() override {
        for (Control *c : controls) control_destroy(c);
        game_destroy();   // the maps release what they hold
        world.unload();
    }

    // A hull of template 0 on the map at x, y; the map holds its only reference.
    Ship *ship_on(ObjectMap *map, int32_t x, int32_t y) {
        Ship *ship = ship_of(factory_create_object(OBJECT_SHIP, 0));
        EXPECT_NE(ship, nullptr);
        if (!ship) return nullptr;
        map_place_object(map, ship, x, y, 1);
        map_add_pending_objects(map);
        return ship;
    }
    Control *keep(Control *c) {
        EXPECT_NE(c, nullptr);
        if (c) controls.push_back(c);
        return c;
    }

    Game *game = nullptr;
    GeneratedWorld world;
    std::vector<Control *> controls;
};

TEST_F(RealWorldViews, AControlAttachedToARealShipFollowsItAndLetsGoWhenTheShipDies) {
    Ship *ship = ship_on(game->combat_map, 300, 200);
    ASSERT_NE(ship, nullptr);
    object_add_ref(ship);   // the test's own hold: the map lets go of a dead ship at its sweep
    const int32_t map_refs = ship->refcount;
    Control *label = keep(panel_create_empty());
    control_attach_to_object(label, ship, 5, -12, 0);
    EXPECT_TRUE(label->flags & CTRL_ATTACHED);
    EXPECT_EQ(ship->refcount, map_refs + 1) << "the control holds the ship";
    EXPECT_EQ(std::tie(label->x, label->y), std::make_tuple(305, 188));

    object_set_position(ship, 410, 260);
    control_update(label, 20);
    EXPECT_EQ(std::tie(label->x, label->y), std::make_tuple(415, 248)) << "it follows the ship";

    object_kill(ship);
    for (int ms = 0; ms < 20000 && !(ship->flags & OBJ_DEAD); ms += 20) map_update(game->combat_map, 20);
    ASSERT_TRUE(ship->flags & OBJ_DEAD) << "the ship's death runs out";
    map_update(game->combat_map, 20);   // the sweep takes it off the map
    control_update(label, 20);
    EXPECT_FALSE(label->flags & CTRL_ATTACHED);
    EXPECT_EQ(label->object, nullptr);
    EXPECT_EQ(ship->refcount, 1) << "the control let go of its reference, the map of its own";
    EXPECT_EQ(label->x, 415) << "a detached control stays where it was";
    object_release(ship);
}

TEST_F(RealWorldViews, AControlAttachedToAShipThatLeftTheMapLetsGoToo) {
    Ship *ship = ship_on(game->combat_map, 100, 100);
    ASSERT_NE(ship, nullptr);
    const int32_t map_refs = ship->refcount;
    Control *label = keep(panel_create_empty());
    control_attach_to_object(label, ship, 0, 0, 2);   // centred over the ship
    EXPECT_EQ(label->x, ship->x + ship->w / 2 - label->w / 2);
    ship->flags |= OBJ_LEFT_MAP;   // retreated
    control_update(label, 20);
    EXPECT_FALSE(label->flags & CTRL_ATTACHED);
    EXPECT_EQ(ship->refcount, map_refs);
}

TEST_F(RealWorldViews, AMinimapOverTheRealGalaxyMapShowsOneDotPerObjectAtItsCentreInItsOwnersColour) {
    Player *owner = player_create(PLAYER_KIND_COMPUTER);
    ASSERT_NE(owner, nullptr);
    owner->red = 10;
    owner->green = 200;
    owner->blue = 30;
    owner->id = 700;
    ASSERT_EQ(game_add_player(game, owner), RES_OK);
    ObjectMap *galaxy = game->galaxy_map;
    std::vector<GameObject *> placed;
    const int32_t spots[][2] = {{0, 0}, {1000, 500}, {2048, 1536}, {4000, 3000}};
    for (const auto &spot : spots) {
        Sector *s = sector_create(0);
        ASSERT_NE(s, nullptr);
        map_place_object(galaxy, s, spot[0], spot[1], 1);
        placed.push_back(s);
    }
    Ship *ours = ship_on(galaxy, 3000, 100);
    Ship *nobodys = ship_on(galaxy, 900, 900);
    ASSERT_NE(ours, nullptr);
    ASSERT_NE(nobodys, nullptr);
    object_set_owner_id(ours, owner->id);
    placed.insert(placed.end(), {ours, nobodys});
    map_add_pending_objects(galaxy);
    ASSERT_EQ(map_object_count(galaxy), int32_t(placed.size()));
    map_set_view(galaxy, 1024, 768);

    Control *mini = keep(minimap_control_create(galaxy, 128, 96));
    control_update(mini, 20);
    const MinimapControl *m = minimap_of(mini);
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->dot_count, int32_t(placed.size())) << "one dot per object";
    for (int32_t i = 0; i < m->dot_count; ++i) {   // in the map's list order
        const GameObject *listed = map_object_at(galaxy, i);
        const MinimapDot &dot = m->dots[size_t(i)];
        EXPECT_EQ(dot.x, (listed->x + listed->w / 2) * 128 / 4096) << "dot " << i;
        EXPECT_EQ(dot.y, (listed->y + listed->h / 2) * 96 / 3072) << "dot " << i;
        const std::vector<int> colour{dot.r, dot.g, dot.b};
        if (listed == ours) {
            EXPECT_EQ(colour, (std::vector<int>{10, 200, 30})) << "the owner's colour";
        } else if (listed == nobodys) {
            EXPECT_EQ(colour, (std::vector<int>{255, 255, 0})) << "no owner: yellow";
        }
    }
    // The view rectangle is the map's view, scaled the same way.
    EXPECT_EQ(m->view_x, galaxy->view_x * 128 / 4096);
    EXPECT_EQ(m->view_y, galaxy->view_y * 96 / 3072);
    EXPECT_EQ(m->view_w, galaxy->screen_w * 128 / 4096);
    EXPECT_GT(m->view_w, 0);

    // An object the minimap is told to leave out loses its dot; a new one gains one.
    placed[1]->flags |= MINIMAP_OBJECT_HIDDEN;
    placed.push_back(ship_on(galaxy, 500, 2500));
    control_update(mini, 20);
    EXPECT_EQ(m->dot_count, int32_t(placed.size()) - 1);
}

TEST_F(RealWorldViews, EffectsReadARealShipsRetreatFromItsOwnRecord) {
    Ship *ship = ship_on(game->combat_map, 500, 400);
    ASSERT_NE(ship, nullptr);
    EffectObjectView view = effect_object_view(ship);
    ASSERT_TRUE(view.present);
    EXPECT_FALSE(view.flags2 & SHIP_FLAG2_RETREATING);
    EXPECT_EQ(view.x, 500);
    EXPECT_EQ(view.w, ship->w);

    game->flags |= GAME_FLAG_RESOLVE_AT_ONCE;   // no portal effect on the map
    ship_recompute_stats(ship);
    ship_begin_retreat(ship);
    view = effect_object_view(ship);
    EXPECT_TRUE(view.flags2 & SHIP_FLAG2_RETREATING);
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
    EXPECT_FALSE(view.flags2 & SITE_FLAG2_DEACTIVATED);

    site_set_deactivated(harvester, 1);
    view = effect_object_view(harvester);
    EXPECT_TRUE(view.flags2 & SITE_FLAG2_DEACTIVATED);
    EXPECT_FLOAT_EQ(view.plume_ratio, 0.0f) << "a deactivated harvester streams nothing";

    EXPECT_FLOAT_EQ(effect_object_view(body).plume_ratio, 0.0f) << "only harvesters have plumes";
}

}  // namespace
