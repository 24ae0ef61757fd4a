// The galaxy map's hover and clicks over a real seeded new game: what the pointer may hover,
// through the map and through the markers; a click on an unseen sector; and the courses given
// while a destination is picked: a fleet split by the ships picked in its list, a whole fleet
// moved, a fleet that takes no new course.
#include <gtest/gtest.h>

#include <vector>

#include "panels_test_support.h"
#include "platform/geometry.h"
#include "screens/galaxy/fleet_panel.h"
#include "views/ship_list.h"

namespace {

using galaxy_test::PanelsGame;
using galaxy_test::screen;

class GalaxyHover : public PanelsGame {
protected:
    // The pointer rests at (x, y) and the update's hover step runs.
    static GameObject *hover_at(int x, int y) {
        ui_test::mouse_at(x, y);
        galaxy_hover_update();
        return screen()->hovered;
    }
};

TEST_F(GalaxyHover, ObjectsThePointerPassesOverAreNeverHoveredNotEvenThroughTheirMarkers) {
    Sector *sector = first_sector();
    ASSERT_NE(sector, nullptr);
    int x = 0, y = 0;
    quiet_point(&x, &y);
    add_marker(sector, x, y);
    EXPECT_EQ(hover_at(x + 5, y + 5), sector) << "the marker's icon stands for its object";
    EXPECT_EQ(hover_at(x + 30, y + 30), nullptr) << "outside the icon";
    sector->flags |= OBJ_NO_POINTER_HIT;
    EXPECT_EQ(hover_at(x + 5, y + 5), nullptr);
    sector->flags &= ~OBJ_NO_POINTER_HIT;

    // A live control over the icon takes the pointer.
    game_add_control(game, x, y, 0, 0, panel_create(40, 40, 0, 0, 0))->layer = 1;
    game_flush_new_controls(game);
    EXPECT_EQ(hover_at(x + 5, y + 5), nullptr);
}

TEST_F(GalaxyHover, TheMapQueryPassesOverObjectsFlaggedSoAndFindsTheOthers) {
    screen()->screen_flags.fetch_or(GALAXY_FLAG_STARMAP_VIEW);
    ObjectMap *map = galaxy_current_map();
    ASSERT_NE(map, nullptr);
    // A sector brought under a point no control covers, hovered there.
    int qx = 0, qy = 0, x = 0, y = 0;
    quiet_point(&qx, &qy);
    Sector *sector = nullptr;
    for (GameObject *o : game->galaxy_map->objects.items) {
        Sector *s = sector_of(o);
        if (!s) continue;
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
    Fleet *fleet = form_fleet(ui_ships_at_home(1, &home), 40, 40);
    ASSERT_EQ(fleet_ship_count(fleet), 1) << "seed " << SEED;
    Sector *sector = first_sector();
    int x = 0, y = 0;
    quiet_point(&x, &y);
    add_marker(fleet, x, y);
    add_marker(sector, x + 100, y);

    screen()->screen_flags.fetch_or(GALAXY_FLAG_STARMAP_VIEW);
    fleet->flags &= ~OBJ_VISIBLE;
    sector->flags &= ~OBJ_VISIBLE;
    EXPECT_EQ(hover_at(x + 5, y + 5), nullptr) << "an unseen fleet on the star map";
    EXPECT_EQ(hover_at(x + 105, y + 5), sector) << "an unseen sector is hovered all the same";
    fleet->flags |= OBJ_VISIBLE;
    EXPECT_EQ(hover_at(x + 5, y + 5), fleet);
    fleet->flags &= ~OBJ_VISIBLE;
    screen()->screen_flags.fetch_and(~GALAXY_FLAG_STARMAP_VIEW);
    EXPECT_EQ(hover_at(x + 5, y + 5), fleet) << "the view of one sector shows what is in it";
}

TEST_F(GalaxyHover, AClickOnASectorTheUiPlayerCannotSeeOpensNothingButStopsAutoPass) {
    Sector *sector = first_sector();
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

    // Seen, it opens its panel and is selected.
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
    Sector *home = nullptr, *destination = nullptr;
    Fleet *fleet = nullptr;
    std::vector<Ship *> ships;

    void SetUp() override {
        PanelsGame::SetUp();
        if (HasFatalFailure()) return;
        ships = ui_ships_at_home(3, &home);
        ASSERT_EQ(ships.size(), 3u) << "seed " << SEED;
        for (GameObject *o : game->galaxy_map->objects.items)
            if (sector_of(o) && distance(o->x - home->x, o->y - home->y) > 100 && !destination) destination = sector_of(o);
        ASSERT_NE(destination, nullptr);
        fleet = form_fleet(ships, home->x + 30, home->y + 30);
    }

    // The fleet selected with its panel open (its list's rows picked as asked; none: no list),
    // a destination being picked and hovered.
    Control *pick_course(const std::vector<bool> *picked) {
        galaxy_select_object(fleet);
        Control *panel = galaxy_object_panel_open(GALAXY_PANEL_FLEET);
        game_flush_new_controls(game);
        galaxy_object_panel_set_object(panel, fleet);
        if (picked) {
            fleet_panel_build(panel, fleet, 0);
            Control *list = fleet_panel_ship_list(panel);
            for (size_t i = 0; i < ships.size(); ++i) ship_list_set_row_selected(list, ships[i], (*picked)[i]);
        }
        screen()->pick_mode = 0;
        galaxy_hover_set(destination);
        return panel;
    }
};

TEST_F(GalaxyCourse, ShipsPickedInTheListLeaveInANewFleetTenPixelsTowardTheDestination) {
    const std::vector<bool> picked = {true, true, false};   // neighbours: the walk must not skip one
    Control *panel = pick_course(&picked);
    const int courses = playing(22);
    const int x0 = fleet->x, y0 = fleet->y;
    click_map();

    Fleet *split = fleet_of(game_find_object(game, ships[0]->fleet_id));
    ASSERT_NE(split, nullptr);
    ASSERT_NE(split, fleet);
    ASSERT_EQ(fleet_ship_count(split), 2) << "both picked ships leave";
    EXPECT_EQ(fleet_get_ship(split, 0), ships[0]) << "in fleet order";
    EXPECT_EQ(fleet_get_ship(split, 1), ships[1]);
    EXPECT_EQ(ships[2]->fleet_id, fleet->id);
    EXPECT_EQ(fleet_ship_count(fleet), 1);
    EXPECT_EQ(fleet->move_target, nullptr) << "the old fleet stays";

    EXPECT_EQ(split->move_target, destination);
    const uint32_t new_fleet = FLEET_BARRED | FLEET_PINGS | FLEET_SHOWS_COUNT;
    EXPECT_EQ(split->fleet_flags & new_fleet, new_fleet);
    EXPECT_TRUE(split->flags & OBJ_VISIBLE);
    EXPECT_EQ(split->owner_id, game->ui_player_id);
    EXPECT_EQ(fleet_origin_id(split), fleet->id);
    EXPECT_EQ(split->map, game->galaxy_map);
    // 10 pixels (truncated) from the old fleet's corner, toward the destination.
    const int dx = split->x - x0, dy = split->y - y0;
    EXPECT_GE(distance(dx, dy), 9);
    EXPECT_LE(distance(dx, dy), 10);
    const int tx = destination->x + destination->w / 2 - x0 - fleet->w / 2;
    const int ty = destination->y + destination->h / 2 - y0 - fleet->h / 2;
    EXPECT_GT(int64_t(dx) * tx + int64_t(dy) * ty, 0);

    EXPECT_EQ(screen()->selected, nullptr);
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
        for (Ship *ship : ships) EXPECT_EQ(ship->fleet_id, fleet->id);
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
    for (Ship *ship : ships) EXPECT_EQ(ship->fleet_id, fleet->id);
    EXPECT_FALSE(panel->flags & CTRL_REMOVED);
    EXPECT_EQ(screen()->panel_top, 0);
    EXPECT_EQ(screen()->selected, fleet);
    EXPECT_EQ(playing(22), courses);

    // Nor is the selected fleet itself a destination.
    fleet->fleet_flags &= ~FLEET_BARRED;
    galaxy_hover_set(fleet);
    click_map();
    EXPECT_EQ(fleet->move_target, nullptr);
    EXPECT_FALSE(panel->flags & CTRL_REMOVED);
}

TEST_F(GalaxyCourse, ASplitTowardADestinationAtTheFleetsOwnCentreStepsRight) {
    object_set_position(fleet, destination->x + destination->w / 2 - fleet->w / 2,
                        destination->y + destination->h / 2 - fleet->h / 2);
    ASSERT_EQ(fleet->x + fleet->w / 2, destination->x + destination->w / 2);
    ASSERT_EQ(fleet->y + fleet->h / 2, destination->y + destination->h / 2);
    const std::vector<bool> picked = {false, false, true};
    pick_course(&picked);
    click_map();
    Fleet *split = fleet_of(game_find_object(game, ships[2]->fleet_id));
    ASSERT_NE(split, nullptr);
    ASSERT_NE(split, fleet);
    EXPECT_EQ(split->x, fleet->x + 10);
    EXPECT_EQ(split->y, fleet->y);
}

}  // namespace
