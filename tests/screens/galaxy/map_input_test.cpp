// The galaxy map's hover and clicks over a real seeded new game: what the pointer may hover
// (through the map and through the markers), a click that opens nothing, and the courses given
// while a destination is picked: a fleet split by the ships picked in its list, a whole fleet
// moved, a fleet that takes no new course.
#include <gtest/gtest.h>

#include <vector>

#include "game/player.h"
#include "panels_test_support.h"
#include "platform/geometry.h"
#include "world/fleet.h"

namespace {

using galaxy_test::PanelsGame;
using galaxy_test::flags;
using galaxy_test::screen;

// ---- Hover ----

class GalaxyHover : public PanelsGame {
protected:
    // The pointer rests at (x, y) and the update's hover step runs.
    static GameObject *hover_at(int x, int y) {
        ui_test::mouse_at(x, y);
        galaxy_hover_update();
        return screen()->hovered;
    }
    Sector *any_sector() {
        for (GameObject *o : game->galaxy_map->objects.items) {
            if (!o) break;
            if (Sector *s = sector_of(o)) return s;
        }
        return nullptr;
    }
};

TEST_F(GalaxyHover, ObjectsThePointerPassesOverAreNeverHoveredNotEvenThroughTheirMarkers) {
    Sector *sector = any_sector();
    ASSERT_NE(sector, nullptr);
    sector->flags |= OBJ_VISIBLE;
    int x = 0, y = 0;
    quiet_point(&x, &y);
    add_marker(sector, x, y);

    EXPECT_EQ(hover_at(x + 5, y + 5), sector) << "the marker's icon stands for its object";
    EXPECT_EQ(hover_at(x + 30, y + 30), nullptr) << "outside the icon";

    sector->flags |= OBJ_NO_POINTER_HIT;
    EXPECT_EQ(hover_at(x + 5, y + 5), nullptr);
    sector->flags &= ~OBJ_NO_POINTER_HIT;

    // A live control over the icon takes the pointer: the marker's object is not hovered.
    Control *cover = game_add_control(game, x, y, 0, 0, panel_create(40, 40, 0, 0, 0));
    cover->layer = 1;
    game_flush_new_controls(game);
    EXPECT_EQ(hover_at(x + 5, y + 5), nullptr);
}

TEST_F(GalaxyHover, TheMapQueryPassesOverObjectsFlaggedSoAndFindsTheOthers) {
    screen()->screen_flags.fetch_or(GALAXY_FLAG_STARMAP_VIEW);
    ObjectMap *map = galaxy_current_map();
    if (!map) GTEST_SKIP() << "the screen shows no map (its mode is not wired on this branch)";
    // A sector brought under a point no control covers, hovered there.
    int qx = 0, qy = 0;
    quiet_point(&qx, &qy);
    Sector *sector = nullptr;
    int x = 0, y = 0;
    for (GameObject *o : game->galaxy_map->objects.items) {
        if (!o) break;
        Sector *s = sector_of(o);
        if (!s) continue;
        s->flags |= OBJ_VISIBLE;
        map_set_view(map, s->x + s->w / 2 - qx, s->y + s->h / 2 - qy);
        x = s->x + s->w / 2 - map->view_x;
        y = s->y + s->h / 2 - map->view_y;
        if (!game_control_at_point(game, x, y) && hover_at(x, y) == s) {
            sector = s;
            break;
        }
    }
    ASSERT_NE(sector, nullptr) << "no sector hovered through the map";
    sector->flags |= OBJ_NO_POINTER_HIT;
    EXPECT_NE(hover_at(x, y), sector);
}

TEST_F(GalaxyHover, TheStarMapHoversNoOtherObjectTheUiPlayerCannotSeeButAnySector) {
    Sector *home = nullptr;
    std::vector<Ship *> ships = ui_ships_at_home(1, &home);
    ASSERT_EQ(ships.size(), 1u) << "seed " << SEED;
    Fleet *fleet = form_fleet(ships, 40, 40);
    Sector *sector = any_sector();
    int x = 0, y = 0;
    quiet_point(&x, &y);
    add_marker(fleet, x, y);
    add_marker(sector, x + 100, y);

    screen()->screen_flags.fetch_or(GALAXY_FLAG_STARMAP_VIEW);
    fleet->flags &= ~OBJ_VISIBLE;
    sector->flags &= ~OBJ_VISIBLE;
    EXPECT_EQ(hover_at(x + 5, y + 5), nullptr) << "an unseen fleet on the star map";
    EXPECT_EQ(hover_at(x + 105, y + 5), sector) << "an unseen sector is still hovered";
    fleet->flags |= OBJ_VISIBLE;
    EXPECT_EQ(hover_at(x + 5, y + 5), fleet);

    fleet->flags &= ~OBJ_VISIBLE;
    screen()->screen_flags.fetch_and(~GALAXY_FLAG_STARMAP_VIEW);
    EXPECT_EQ(hover_at(x + 5, y + 5), fleet) << "the view of one sector shows what is in it";
}

// ---- Clicks without picking ----

TEST_F(GalaxyHover, AClickOnASectorTheUiPlayerCannotSeeOpensNothingButStopsAutoPass) {
    Sector *sector = any_sector();
    ASSERT_NE(sector, nullptr);
    sector->flags &= ~OBJ_VISIBLE;
    Control *centre = centre_panel();
    screen()->screen_flags.fetch_or(GALAXY_FLAG_AUTO_PASS);
    screen()->autopass_countdown_ms = 900;
    galaxy_hover_set(sector);
    const int selects = playing(6);
    click_map();

    EXPECT_TRUE(galaxy_test::has(GALAXY_FLAG_STOP_REQUESTED));
    EXPECT_EQ(screen()->autopass_countdown_ms, 0);
    EXPECT_FALSE(control_is_shown(centre));
    EXPECT_EQ(screen()->panel_top, -1) << "no panel opened";
    EXPECT_EQ(screen()->selected, nullptr);
    EXPECT_EQ(playing(6), selects);

    // The same click on a sector the player sees opens its panel and selects it.
    sector->flags |= OBJ_VISIBLE;
    click_map();
    ASSERT_EQ(screen()->panel_top, 0);
    EXPECT_EQ(screen()->panel_stack[0], GALAXY_PANEL_SECTOR);
    EXPECT_EQ(screen()->selected, sector);
    EXPECT_EQ(playing(6), selects + 1);
}

// ---- Courses ----

class GalaxyCourse : public PanelsGame {
protected:
    Sector *home = nullptr;
    Sector *destination = nullptr;
    Fleet *fleet = nullptr;
    std::vector<Ship *> ships;

    void SetUp() override {
        PanelsGame::SetUp();
        if (HasFatalFailure()) return;
        ships = ui_ships_at_home(3, &home);
        ASSERT_EQ(ships.size(), 3u) << "seed " << SEED;
        for (GameObject *o : game->galaxy_map->objects.items) {
            if (!o) break;
            if (sector_of(o) && o != home && distance(o->x - home->x, o->y - home->y) > 100) {
                destination = sector_of(o);
                break;
            }
        }
        ASSERT_NE(destination, nullptr);
        fleet = form_fleet(ships, home->x + 30, home->y + 30);
        ASSERT_EQ(fleet_ship_count(fleet), 3);
    }

    // The fleet is selected with its panel open, its list's rows picked as asked (none: no list),
    // and a destination is being picked.
    Control *pick_course(const std::vector<bool> *picked) {
        starmap_select_object(fleet);
        Control *panel = nullptr;
        if (picked) {
            panel = panel_with_list(GALAXY_PANEL_FLEET, {ships[0], ships[1], ships[2]}, *picked);
        } else {
            panel = galaxy_object_panel_open(GALAXY_PANEL_FLEET);
            game_flush_new_controls(game);
        }
        starmap_object_panel_set_object(panel, fleet);
        screen()->pick_mode = 0;
        galaxy_hover_set(destination);
        return panel;
    }
    static uint64_t fleet_id_of(const Ship *ship) { return ship->fleet_id; }
};

TEST_F(GalaxyCourse, ShipsPickedInTheListLeaveInANewFleetTenPixelsTowardTheDestination) {
    const std::vector<bool> picked = {true, true, false};   // neighbours: the list walk must not skip one
    Control *panel = pick_course(&picked);
    const int courses = playing(22);
    const int x0 = fleet->x, y0 = fleet->y;
    click_map();

    const uint64_t split_id = fleet_id_of(ships[0]);
    ASSERT_NE(split_id, fleet->id);
    EXPECT_EQ(fleet_id_of(ships[1]), split_id) << "both picked ships leave";
    EXPECT_EQ(fleet_id_of(ships[2]), fleet->id);
    Fleet *split = fleet_of(game_find_object(game, split_id));
    ASSERT_NE(split, nullptr);
    ASSERT_EQ(fleet_ship_count(split), 2);
    EXPECT_EQ(fleet_get_ship(split, 0), ships[0]) << "in fleet order";
    EXPECT_EQ(fleet_get_ship(split, 1), ships[1]);
    EXPECT_EQ(fleet_ship_count(fleet), 1);
    EXPECT_EQ(fleet->move_target, nullptr) << "the old fleet stays";

    EXPECT_EQ(split->move_target, destination);
    EXPECT_EQ(split->fleet_flags & (FLEET_BARRED | FLEET_PINGS | FLEET_SHOWS_COUNT),
              FLEET_BARRED | FLEET_PINGS | FLEET_SHOWS_COUNT);
    EXPECT_TRUE(split->flags & OBJ_VISIBLE);
    EXPECT_EQ(split->owner_id, game->ui_player_id);
    EXPECT_EQ(fleet_origin_id(split), fleet->id);
    EXPECT_EQ(split->map, game->galaxy_map);

    // Placed 10 pixels from the old fleet's corner, toward the destination.
    const int dx = split->x - x0, dy = split->y - y0;
    EXPECT_GE(distance(dx, dy), 9);
    EXPECT_LE(distance(dx, dy), 10);
    const int tx = destination->x + destination->w / 2 - (x0 + fleet->w / 2);
    const int ty = destination->y + destination->h / 2 - (y0 + fleet->h / 2);
    EXPECT_GT(int64_t(dx) * tx + int64_t(dy) * ty, 0);

    EXPECT_EQ(screen()->selected, nullptr) << "the selection is cleared";
    EXPECT_TRUE(panel->flags & CTRL_REMOVED) << "the panels close";
    EXPECT_EQ(screen()->panel_top, -1);
    EXPECT_EQ(playing(22), courses + 1);
}

TEST_F(GalaxyCourse, AFleetWhoseShipsAreAllNoneOrNotListedMovesWhole) {
    const std::vector<bool> all = {true, true, true}, none = {false, false, false};
    for (const std::vector<bool> *picked : {&all, &none, static_cast<const std::vector<bool> *>(nullptr)}) {
        fleet_set_move_target(fleet, nullptr);
        pick_course(picked);
        click_map();
        EXPECT_EQ(fleet->move_target, destination) << (picked == &all ? "all" : picked ? "none" : "no list");
        for (Ship *ship : ships) EXPECT_EQ(fleet_id_of(ship), fleet->id);
        EXPECT_EQ(screen()->panel_top, -1);
    }
}

TEST_F(GalaxyCourse, AFleetThatTakesNoNewCourseRefusesAndKeepsItsPanelAndSelection) {
    const std::vector<bool> picked = {true, false, false};
    fleet_bar_meetings(fleet);
    Control *panel = pick_course(&picked);
    const int courses = playing(22);
    click_map();

    EXPECT_EQ(fleet->move_target, nullptr);
    for (Ship *ship : ships) EXPECT_EQ(fleet_id_of(ship), fleet->id);
    EXPECT_FALSE(panel->flags & CTRL_REMOVED);
    EXPECT_EQ(screen()->panel_top, 0);
    EXPECT_EQ(screen()->selected, fleet);
    EXPECT_EQ(playing(22), courses);

    // Nor does a click on the selected fleet itself give a course.
    fleet->fleet_flags &= ~FLEET_BARRED;
    galaxy_hover_set(fleet);
    click_map();
    EXPECT_EQ(fleet->move_target, nullptr);
    EXPECT_FALSE(panel->flags & CTRL_REMOVED);
}

TEST_F(GalaxyCourse, ASplitTowardADestinationAtTheFleetsOwnCentreStepsRight) {
    // The fleet stands centred on the destination: no direction, so the step goes along x.
    object_set_position(fleet, destination->x + destination->w / 2 - fleet->w / 2,
                        destination->y + destination->h / 2 - fleet->h / 2);
    ASSERT_EQ(fleet->x + fleet->w / 2, destination->x + destination->w / 2);
    ASSERT_EQ(fleet->y + fleet->h / 2, destination->y + destination->h / 2);
    const std::vector<bool> picked = {false, false, true};
    pick_course(&picked);
    click_map();
    Fleet *split = fleet_of(game_find_object(game, fleet_id_of(ships[2])));
    ASSERT_NE(split, nullptr);
    ASSERT_NE(split, fleet);
    EXPECT_EQ(split->x, fleet->x + 10);
    EXPECT_EQ(split->y, fleet->y);
}

}  // namespace
