// The views over the real model: controls attached to real ships and anchored to real maps, the
// minimap over the game's own maps with the colours the UI player may see, the framed minimap over
// the combat map, and the transfer slider's holder pictures.
#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>
#include <vector>
#include "game/game.h"
#include "game/player.h"
#include "support/real_maps.h"
#include "ui/control.h"
#include "ui/control_minimap.h"
#include "ui/image_control.h"
#include "ui/panel.h"
#include "ui/transfer_slider.h"
#include "views/map_minimap.h"
#include "views/minimap_panel.h"
#include "views/object_controls.h"
#include "views/transfer_holders.h"
#include "world/object.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/ship.h"
#include "world/site.h"
#include "world/fleet.h"

namespace {

class RealObjectViews : public RealMapsTest {
protected:
    void SetUp() override { start({OBJECT_SHIP, OBJECT_SECTOR, OBJECT_SITE, OBJECT_FLEET}); }
    void TearDown() override {
        for (Control *c : controls) control_destroy(c);
        RealMapsTest::TearDown();
    }

    // A sector on the map at x, y, owned by owner_id (0: nobody).
    Sector *sector_on(ObjectMap *map, int32_t x, int32_t y, uint64_t owner_id) {
        Sector *s = sector_create(0);
        EXPECT_NE(s, nullptr);
        if (!s) return nullptr;
        map_place_object(map, s, x, y, 1);
        map_add_pending_objects(map);
        object_set_owner_id(s, owner_id);
        return s;
    }
    Fleet *fleet_on(ObjectMap *map, int32_t x, int32_t y) {
        Fleet *f = fleet_create();
        EXPECT_NE(f, nullptr);
        if (!f) return nullptr;
        map_place_object(map, f, x, y, 1);
        map_add_pending_objects(map);
        return f;
    }
    Player *player(uint64_t id, int32_t r, int32_t g, int32_t b) {
        Player *p = player_create(PLAYER_KIND_COMPUTER);
        EXPECT_NE(p, nullptr);
        if (!p) return nullptr;
        player_set_id(p, id);
        player_set_color(p, r, g, b);
        EXPECT_EQ(game_add_player(game, p), RES_OK);
        return p;
    }
    Control *keep(Control *c) {
        EXPECT_NE(c, nullptr);
        if (c) controls.push_back(c);
        return c;
    }

    std::vector<Control *> controls;
};

TEST_F(RealObjectViews, AControlAttachedToARealShipFollowsItAndLetsGoWhenTheShipDies) {
    Ship *ship = ship_on(game->combat_map, 300, 200);
    ASSERT_NE(ship, nullptr);
    object_add_ref(ship);   // the test's own hold: the map lets go of a dead ship at its sweep
    const int32_t map_refs = ship->refcount;
    Control *label = keep(panel_create_empty());
    object_control_attach(label, ship, 5, -12, 0);
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
    EXPECT_EQ(label->target, nullptr);
    EXPECT_EQ(ship->refcount, 1) << "the control let go of its reference, the map of its own";
    EXPECT_EQ(label->x, 415) << "a detached control stays where it was";
    object_release(ship);
}

TEST_F(RealObjectViews, AControlAttachedToAShipThatLeftTheMapLetsGoToo) {
    Ship *ship = ship_on(game->combat_map, 100, 100);
    ASSERT_NE(ship, nullptr);
    const int32_t map_refs = ship->refcount;
    Control *label = keep(panel_create_empty());
    object_control_attach(label, ship, 0, 0, 2);   // centred over the ship
    EXPECT_EQ(label->x, ship->x + ship->w / 2 - label->w / 2);
    ship->flags |= OBJ_LEFT_MAP;   // retreated
    control_update(label, 20);
    EXPECT_FALSE(label->flags & CTRL_ATTACHED);
    EXPECT_EQ(ship->refcount, map_refs);
}

TEST_F(RealObjectViews, AMinimapOverTheRealGalaxyMapShowsOneDotPerObjectAtItsCentreInItsOwnersColour) {
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

    Control *mini = keep(map_minimap_create(galaxy, 128, 96));
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
    placed[1]->flags |= OBJ_NO_MINIMAP_DOT;   // hidden from the minimap
    placed.push_back(ship_on(galaxy, 500, 2500));
    control_update(mini, 20);
    EXPECT_EQ(m->dot_count, int32_t(placed.size()) - 1);
}

// ---- The minimap's rules -----------------------------------------------------------------------------

std::vector<int> colour(const MinimapDot &d) { return {d.r, d.g, d.b}; }

TEST_F(RealObjectViews, HiddenObjectsAndUnseenFleetsGetNoDotUnlessEverythingIsShown) {
    ObjectMap *galaxy = game->galaxy_map;
    Ship *hidden = ship_on(galaxy, 10, 10);
    Fleet *unseen = fleet_on(galaxy, 200, 200);
    Fleet *seen = fleet_on(galaxy, 400, 400);
    ASSERT_TRUE(hidden && unseen && seen);
    hidden->flags |= OBJ_NO_MINIMAP_DOT;
    unseen->flags &= ~OBJ_VISIBLE;
    seen->flags |= OBJ_VISIBLE;
    Control *mini = keep(map_minimap_create(galaxy, 128, 96));
    control_update(mini, 20);
    const MinimapControl *m = minimap_of(mini);
    ASSERT_EQ(m->dot_count, 1);
    EXPECT_EQ(m->dots[0].x, (seen->x + seen->w / 2) * 128 / 4096) << "the seen fleet's dot";
    EXPECT_EQ(m->dots[0].mode, MINIMAP_DOT_MOVING) << "fleets move";
    minimap_set_show_all(mini);
    control_update(mini, 20);
    EXPECT_EQ(m->dot_count, 2) << "every fleet, still no hidden objects";
}

TEST_F(RealObjectViews, ColoursComeFromOwnersAndWhatTheUiPlayerKnowsOfSectors) {
    Player *ui = player(801, 0, 90, 200);
    Player *now = player(802, 1, 2, 3);
    player(803, 200, 30, 40);
    player(804, 7, 8, 9);
    player(805, 200, 10, 10);
    ASSERT_NE(ui, nullptr);
    ASSERT_NE(now, nullptr);
    game->ui_player = ui;
    ObjectMap *galaxy = game->galaxy_map;
    Fleet *stray = fleet_on(galaxy, 0, 0);                   // no owner
    Sector *mine = sector_on(galaxy, 100, 0, 801);
    Sector *recorded = sector_on(galaxy, 200, 0, 803);       // the UI player saw it as 803's
    Sector *unknown = sector_on(galaxy, 300, 0, 804);        // never seen
    Sector *forgotten = sector_on(galaxy, 400, 0, 999);      // seen as held by no player of the game
    Ship *bright = ship_on(galaxy, 500, 0);
    Sector *empty = sector_on(galaxy, 600, 0, 0);
    ASSERT_TRUE(stray && mine && recorded && unknown && forgotten && bright && empty);
    stray->flags |= OBJ_VISIBLE;
    player_learn_object(ui, recorded, 1);
    player_learn_object(ui, forgotten, 1);
    ASSERT_NE(player_get_known_object(ui, OBJECT_SECTOR, recorded->id), nullptr);
    object_set_owner_id(recorded, 802);                      // taken since
    object_set_owner_id(forgotten, 804);
    object_set_owner_id(bright, 805);
    bright->flags |= OBJ_PULSING;
    bright->pulse_level = 100;

    Control *mini = keep(map_minimap_create(galaxy, 128, 96));
    control_update(mini, 20);
    const MinimapControl *m = minimap_of(mini);
    ASSERT_EQ(m->dot_count, 7);
    EXPECT_EQ(colour(m->dots[0]), (std::vector<int>{255, 255, 0})) << "no owner: yellow";
    EXPECT_EQ(colour(m->dots[1]), (std::vector<int>{0, 90, 200})) << "the UI player's own";
    EXPECT_EQ(colour(m->dots[2]), (std::vector<int>{200, 30, 40})) << "the owner the UI player knows of";
    EXPECT_EQ(colour(m->dots[3]), (std::vector<int>{100, 100, 100})) << "an unknown owner stays hidden";
    EXPECT_EQ(colour(m->dots[4]), (std::vector<int>{250, 250, 250})) << "a known owner the game no longer has";
    EXPECT_EQ(colour(m->dots[5]), (std::vector<int>{255, 110, 110})) << "brightened, held to 255";
    EXPECT_EQ(colour(m->dots[6]), (std::vector<int>{100, 100, 100}));

    minimap_set_show_all(mini);
    control_update(mini, 20);
    EXPECT_EQ(colour(m->dots[2]), (std::vector<int>{1, 2, 3})) << "everything shown: the real owner";
    EXPECT_EQ(colour(m->dots[3]), (std::vector<int>{7, 8, 9}));
    EXPECT_EQ(colour(m->dots[6]), (std::vector<int>{255, 255, 255})) << "no owner: white";

    game->ui_player = nullptr;   // nobody looks: no sector shows an owner
    control_update(mini, 20);
    minimap_of(mini)->flags &= ~MINIMAP_SHOW_ALL;
    control_update(mini, 20);
    EXPECT_EQ(colour(m->dots[1]), (std::vector<int>{100, 100, 100}));
    EXPECT_EQ(colour(m->dots[2]), (std::vector<int>{100, 100, 100}));
}

TEST_F(RealObjectViews, TheMapsCurrentActorIsTheHighlightedDot) {
    ObjectMap *combat = game->combat_map;
    Ship *a = ship_on(combat, 100, 100);
    Ship *b = ship_on(combat, 900, 900);
    ASSERT_TRUE(a && b);
    b->flags |= OBJ_ACTOR;
    Control *mini = keep(map_minimap_create(combat, 128, 96));
    control_update(mini, 20);
    const MinimapControl *m = minimap_of(mini);
    ASSERT_EQ(m->dot_count, 2);
    EXPECT_EQ(m->dots[0].highlighted, 0);
    EXPECT_EQ(m->dots[1].highlighted, 1);
    EXPECT_EQ(m->dots[1].mode, MINIMAP_DOT_LIT);
    minimap_set_selected(mini, a->id);
    control_update(mini, 20);
    EXPECT_EQ(m->dots[0].highlighted, 1) << "the selection is matched by object id";
    EXPECT_EQ(m->dots[1].highlighted, 0);
}

// ---- The framed minimap over the combat map ------------------------------------------------------------

void held(Control *) {}

TEST_F(RealObjectViews, FramedMinimapSitsInsideItsFrame) {
    Control *panel = keep(control_addref(panel_create_empty()));
    minimap_panel_build(panel, held);
    minimap_panel_build(panel, held);   // rebuilt in place
    std::vector<Control *> kids;
    for (Control *c : panel_of(panel)->children.items)
        if (!(c->flags & CTRL_REMOVED)) kids.push_back(c);
    ASSERT_EQ(kids.size(), 2u);
    Control *frame = kids[0], *minimap = kids[1];
    EXPECT_EQ(frame->x, 4);
    EXPECT_EQ(frame->layer, -1);
    EXPECT_EQ(minimap->type, CONTROL_MINIMAP);
    EXPECT_EQ(minimap->x, 5);
    EXPECT_EQ(minimap->w, frame->w - 2);
    EXPECT_EQ(minimap->on_hold, held);
    EXPECT_EQ(panel->w, frame->x + frame->w + 4);
    EXPECT_TRUE(panel_has_border(panel));
}

TEST_F(RealObjectViews, TheFramedMinimapShowsTheCombatMapTheGameHoldsNowNotOneThatWasFreed) {
    ASSERT_NE(ship_on(game->combat_map, 100, 100), nullptr);
    ASSERT_NE(ship_on(game->combat_map, 200, 100), nullptr);
    Control *panel = keep(control_addref(panel_create_empty()));
    minimap_panel_build(panel, held);
    Control *minimap = nullptr;
    for (Control *c : panel_of(panel)->children.items)
        if (c && c->type == CONTROL_MINIMAP && !(c->flags & CTRL_REMOVED)) minimap = c;
    ASSERT_NE(minimap, nullptr);
    control_update(minimap, 20);
    EXPECT_EQ(minimap_of(minimap)->dot_count, 2);

    game_destroy();   // a new game: the old maps are freed
    game = game_get();
    map_set_world_size(game->combat_map, 4096, 3072);
    control_update(minimap, 20);
    EXPECT_EQ(minimap_of(minimap)->dot_count, 0) << "the new combat map is empty";
    ASSERT_NE(ship_on(game->combat_map, 300, 300), nullptr);
    control_update(minimap, 20);
    EXPECT_EQ(minimap_of(minimap)->dot_count, 1);
}

// ---- Controls anchored to a map ---------------------------------------------------------------------

TEST_F(RealObjectViews, AControlAnchoredToAMapStandsInTheMapAndScrollsWithItsView) {
    ObjectMap *galaxy = game->galaxy_map;
    map_set_screen_size(galaxy);
    map_set_view(galaxy, 0, 0);
    Control *label = keep(panel_create_empty());
    map_control_anchor(label, true, galaxy);
    ASSERT_TRUE(label->flags & CTRL_ANCHORED);
    control_set_position(label, 1500, 900);
    EXPECT_EQ(std::tie(label->x, label->y), std::make_tuple(1500, 900));
    map_set_view(galaxy, 1000, 600);
    control_update(label, 20);
    EXPECT_EQ(std::tie(label->x, label->y), std::make_tuple(500, 300)) << "it scrolls with the view";
    int vx = 0, vy = 0, w = 0, h = 0;
    control_anchor_view(label, &vx, &vy, &w, &h);
    EXPECT_EQ(std::vector<int>({vx, vy, w, h}), (std::vector<int>{1000, 600, 4096, 3072}));

    map_control_anchor(label, true, nullptr);   // no map: nothing changes
    EXPECT_EQ(label->anchor, galaxy);
    map_control_anchor(label, false, nullptr);
    EXPECT_FALSE(label->flags & CTRL_ANCHORED);
    EXPECT_EQ(label->anchor, nullptr);
}

// ---- The transfer slider's holders ------------------------------------------------------------------

TEST_F(RealObjectViews, TheTransferSliderShowsAShipsCurrentFrameAndNothingForAKindWithoutAPicture) {
    Ship *ship = ship_on(game->combat_map, 100, 100);
    Sector *sector = sector_on(game->galaxy_map, 0, 0, 0);
    ASSERT_TRUE(ship && sector);
    ASSERT_NE(ship->frames, nullptr);
    int32_t loaded = 0;
    while (loaded < ship->frame_count && !ship->frames[loaded]) ++loaded;
    ASSERT_LT(loaded, ship->frame_count) << "the frames group holds a picture";
    ship->frame = loaded;
    EXPECT_EQ(object_transfer_picture(ship), ship->frames[loaded]);
    if (loaded > 0) {
        ship->frame = 0;   // a frame whose picture is not loaded shows none
        EXPECT_EQ(object_transfer_picture(ship), nullptr);
        ship->frame = loaded;
    }
    EXPECT_EQ(object_transfer_picture(sector), nullptr);
    EXPECT_EQ(object_transfer_picture(nullptr), nullptr);

    Control *slider = keep(control_addref(transfer_slider_create(10, 5)));
    transfer_slider_set_holders(slider, ship, sector);
    Control *left = panel_find_child(slider, SLIDER_LEFT_PICTURE_ID);
    ASSERT_NE(left, nullptr);
    EXPECT_EQ(image_of(left)->sprite, ship->frames[loaded]);
    EXPECT_EQ(panel_find_child(slider, SLIDER_RIGHT_PICTURE_ID), nullptr);
    transfer_slider_set_holders(slider, nullptr, ship);
    EXPECT_TRUE(left->flags & CTRL_REMOVED) << "the old picture goes";
    ASSERT_NE(panel_find_child(slider, SLIDER_RIGHT_PICTURE_ID), nullptr);
}

}  // namespace
