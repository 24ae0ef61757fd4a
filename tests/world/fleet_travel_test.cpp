// Fleets of real ships travelling a real galaxy map while the game clock runs days: travel time at
// the slowest ship's speed, arrival in a sector (and a save after it that loads), interception of
// moving fleets, merging, and what scanning teaches.
#include "galaxy_fixture.h"
#include "game/game.h"

using namespace galaxytest;

namespace {

class FleetTravel : public FleetWorld {
protected:
    void SetUp() override {
        FleetWorld::SetUp();
        add_player(FLEET_RED);
        add_player(FLEET_BLUE)->real->name = "Azure Combine";
    }
};

TEST_F(FleetTravel, TravelTakesTheDaysTheSlowestShipNeeds) {
    Sector *home = star(0, 400, 400);
    Sector *far = star(1, 400 + 240, 400 + 70);   // 250 pixels between the centres
    Fleet *f = fleet_at({ship(2, 30, FLEET_RED, "Kestrel"), ship(3, 10, FLEET_RED, "Barge"), ship(5, 20, FLEET_RED, "Wasp")},
                        cx(home), cy(home), FLEET_RED);
    EXPECT_EQ(f->speed, 10);
    fleet_set_move_target(f, far);
    EXPECT_EQ(fleet_distance_to_target(f), 250);
    EXPECT_EQ(fleet_travel_time_to_target(f), 25);

    int32_t days = 0;
    while (!(f->flags & OBJ_DEAD) && days < 40) {
        day();
        ++days;
    }
    // The last 20 pixels count as arrived: the fleet is there a little before the full 25 days.
    EXPECT_GE(days, 23);
    EXPECT_LE(days, 25);
    EXPECT_EQ(sector_object_count(far), 3);
}

TEST_F(FleetTravel, ArrivalLeavesNoShipWithAFleetIdAndTheNextSaveLoads) {
    game->ui_player_id = FLEET_RED;   // the news kept is the UI player's
    Sector *home = star(0, 300, 300);
    Sector *dest = star(2, 360, 300);
    dest->label = "Vega";
    Ship *a = ship(2, 30, FLEET_RED, "Avocet"), *b = ship(3, 30, FLEET_RED, "Bittern");
    Officer *pa = pilot(a);
    Fleet *f = fleet_at({a, b}, cx(home), cy(home), FLEET_RED);
    const uint64_t fleet_id = f->id;
    fleet_set_move_target(f, dest);
    EXPECT_EQ(fleet_travel_time_to_target(f), 2);
    for (int32_t d = 0; d < 3 && !(f->flags & OBJ_DEAD); ++d) day();

    ASSERT_TRUE(f->flags & OBJ_DEAD);
    EXPECT_FALSE(on_galaxy(f)) << "the map's sweep removes the dead fleet";
    for (Ship *s : {a, b}) EXPECT_EQ(std::pair(s->fleet_id, s->sector_id), std::pair(uint64_t(0), dest->id)) << s->ship_name;
    EXPECT_EQ(sector_object_count(dest), 2);
    EXPECT_EQ(fleet_ship_count(f), 0);
    EXPECT_EQ(news(3, FLEET_RED), (std::vector<std::string>{"Squadron arrived at the Vega sector"}));
    EXPECT_EQ(pa->experience, 2 * FLEET_XP_SECTOR_SEEN + FLEET_XP_NEW_SECTOR)
        << "both stars first seen by the scan, then the arrival at one never visited";
    EXPECT_TRUE(learnt(FLEET_RED, dest, 1));

    // Save: the galaxy map and the ships; then everything is read back and linked.
    Buffer *save = buffer_create();
    ASSERT_EQ(map_write(map, save), RES_OK);
    ASSERT_EQ(buffer_write_i32(save, 2), RES_OK);
    for (Ship *s : {a, b}) ASSERT_EQ(object_write(s, save), RES_OK);
    const uint64_t dest_id = dest->id, a_id = a->id;
    g_world.objects.erase(fleet_id);   // gone from the game with its death
    object_release(f);

    map_free(map);
    map = map_create();
    game->galaxy_map = map;
    drop_objects();
    buffer_set_cursor(save, 0);
    ASSERT_EQ(map_read(map, save), RES_OK);
    map_add_pending_objects(map);
    for (GameObject *obj : map->objects.items) keep(obj);
    int32_t ships = 0;
    ASSERT_EQ(buffer_read_i32(save, &ships), RES_OK);
    for (int32_t i = 0; i < ships; ++i) {
        GameObject *obj = nullptr;
        ASSERT_EQ(object_read(&obj, save), RES_OK);
        keep(obj);
    }
    buffer_free(save);
    ASSERT_EQ(map_link_objects(map), RES_OK);
    for (auto &[id, obj] : g_world.objects) EXPECT_EQ(object_link(obj), RES_OK) << "#" << id;
    Sector *loaded = sector_of(game_find_object(game_get(), dest_id));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(sector_object_count(loaded), 2);
    EXPECT_EQ(ship_of(game_find_object(game_get(), a_id))->sector_id, dest_id);
}

TEST_F(FleetTravel, AFasterFleetInterceptsAMovingHostileFleetAndHoldsIt) {
    game->ui_player_id = FLEET_RED;   // the news kept is the UI player's
    Sector *west = star(0, 200, 600);
    Sector *east = star(1, 1400, 600);
    Fleet *prey = fleet_at({ship(3, 20, FLEET_BLUE, "Plover")}, 500, 600, FLEET_BLUE);
    fleet_set_move_target(prey, east);
    Fleet *hunter = fleet_at({ship(2, 60, FLEET_RED, "Harrier")}, cx(west), cy(west), FLEET_RED);
    fleet_set_move_target(hunter, prey);

    for (int32_t d = 0; d < 12 && fleet_move_target(hunter); ++d) day();
    EXPECT_EQ(fleet_move_target(hunter), nullptr) << "the hunter met its target";
    EXPECT_EQ(fleet_take_intercepted_fleet(hunter), prey->id);
    EXPECT_EQ(fleet_take_intercepted_fleet(hunter), 0u) << "read once";
    EXPECT_EQ(news(6, FLEET_RED), (std::vector<std::string>{"Harrier intercepted Azure Combine forces"}));
    EXPECT_TRUE(prey->flags & OBJ_TRAVEL_HELD) << "the prey is held until its next galaxy turn";
    EXPECT_FALSE(hunter->flags & OBJ_DEAD);
    EXPECT_FALSE(prey->flags & OBJ_DEAD);
    EXPECT_LT(cx(prey), cx(east) - 100) << "caught on the way";
    const int32_t held_at = prey->x;
    day();
    EXPECT_EQ(prey->x, held_at);
    object_galaxy_turn(prey);
    day();
    EXPECT_GT(prey->x, held_at) << "released at its galaxy turn";
}

TEST_F(FleetTravel, TheFleetAChaseTargetsIsInSightAndItsOwnerNamedOnInterception) {
    game->ui_player_id = FLEET_RED;
    game->setup.fog_of_war_off = 0;
    Sector *west = star(0, 200, 600);
    Fleet *prey = fleet_at({ship(3, 20, FLEET_BLUE, "Plover")}, 1900, 600, FLEET_BLUE);
    Fleet *other = fleet_at({ship(3, 20, FLEET_BLUE, "Tern")}, 1900, 1200, FLEET_BLUE);
    Fleet *stray = fleet_at({ship(3, 20, 99, "Drifter")}, 900, 1400, 99);   // nobody the game knows
    Fleet *hunter = fleet_at({ship(2, 60, FLEET_RED, "Harrier")}, cx(west), cy(west), FLEET_RED);
    map_update_visibility(map, FLEET_RED);
    ASSERT_FALSE(prey->flags & OBJ_VISIBLE) << "far beyond every scan";
    fleet_set_move_target(hunter, prey);
    map_update_visibility(map, FLEET_RED);
    EXPECT_TRUE(prey->flags & OBJ_VISIBLE) << "the fleet the viewer's fleet chases";
    EXPECT_FALSE(other->flags & OBJ_VISIBLE);
    map_update_visibility(map, FLEET_BLUE);
    EXPECT_FALSE(hunter->flags & OBJ_VISIBLE) << "the chase shows the chased nothing";

    fleet_set_move_target(hunter, stray);
    for (int32_t d = 0; d < 30 && fleet_move_target(hunter); ++d) day();
    EXPECT_EQ(fleet_take_intercepted_fleet(hunter), stray->id);
    EXPECT_EQ(news(6, FLEET_RED), (std::vector<std::string>{"Harrier intercepted hostile forces"}))
        << "a fleet of no known player";
}

TEST_F(FleetTravel, EqualSpeedsMeetHeadOnAndAimAtTheTarget) {
    game->ui_player_id = FLEET_RED;   // the news kept is the UI player's
    Sector *west = star(0, 200, 600);
    Sector *east = star(1, 1000, 600);
    Fleet *a = fleet_at({ship(2, 25, FLEET_RED, "Amber")}, cx(west), cy(west), FLEET_RED);
    Fleet *b = fleet_at({ship(2, 25, FLEET_BLUE, "Beryl")}, cx(east), cy(east), FLEET_BLUE);
    fleet_set_move_target(b, west);
    fleet_set_move_target(a, b);
    frame();
    ASSERT_TRUE(b->flags & OBJ_TRAVELLING);
    ASSERT_TRUE(a->flags & OBJ_TRAVELLING);
    // The same speed makes the meeting-time quadratic degenerate: aim where the target is.
    int32_t x = -1, y = -1;
    fleet_intercept_point(a, &x, &y);
    EXPECT_EQ(std::pair(x, y), std::pair(b->x, b->y));

    for (int32_t d = 0; d < 30 && fleet_move_target(a); ++d) day();
    EXPECT_EQ(fleet_take_intercepted_fleet(a), b->id);
    EXPECT_EQ(news(6, FLEET_RED), (std::vector<std::string>{"Amber intercepted Azure Combine forces"}));
    EXPECT_LT(std::abs(cx(a) - cx(b)), FLEET_FLEET_REACH + 20);
}

TEST_F(FleetTravel, InterceptPointLeadsAFasterTargetAndFallsBackWithoutARoot) {
    Sector *east = star(1, 1600, 200);
    Fleet *a = fleet_at({ship(2, 10, FLEET_RED, "Slow")}, 200, 600, FLEET_RED);
    Fleet *b = fleet_at({ship(2, 80, FLEET_BLUE, "Fast")}, 600, 600, FLEET_BLUE);
    fleet_set_move_target(b, east);
    fleet_set_move_target(a, b);
    // A target running away faster than the hunter can be met at no time: its position.
    int32_t x = -1, y = -1;
    fleet_intercept_point(a, &x, &y);
    EXPECT_EQ(std::pair(x, y), std::pair(b->x, b->y));
    // A still target: its position too; no target: the hunter's own centre.
    object_stop_travel(b);
    fleet_intercept_point(a, &x, &y);
    EXPECT_EQ(x, b->x);
    fleet_set_move_target(a, nullptr);
    fleet_intercept_point(a, &x, &y);
    EXPECT_EQ(std::pair(x, y), std::pair(cx(a), cy(a)));
}

TEST_F(FleetTravel, AFleetReachingAFriendlyFleetMergesIntoIt) {
    game->ui_player_id = FLEET_RED;   // the news kept is the UI player's
    Sector *home = star(0, 300, 300);
    Ship *a = ship(2, 40, FLEET_RED, "Alpha"), *b = ship(3, 15, FLEET_RED, "Beta"), *c = ship(5, 30, FLEET_RED, "Gamma");
    Fleet *joining = fleet_at({a, b}, 300, 500, FLEET_RED);
    Fleet *waiting = fleet_at({c}, cx(home) + 60, cy(home), FLEET_RED);
    EXPECT_EQ(joining->display_name, "Squadron");
    EXPECT_EQ(waiting->display_name, "Gamma");
    fleet_set_move_target(joining, waiting);
    for (int32_t d = 0; d < 30 && !(joining->flags & OBJ_DEAD); ++d) day();

    ASSERT_TRUE(joining->flags & OBJ_DEAD);
    EXPECT_FALSE(on_galaxy(joining));
    EXPECT_EQ(fleet_ship_count(joining), 0);
    EXPECT_EQ(fleet_ship_count(waiting), 3);
    for (Ship *s : {a, b, c}) EXPECT_EQ(s->fleet_id, waiting->id) << s->ship_name;
    EXPECT_EQ(waiting->speed, 15) << "the slowest ship of the merged fleet";
    EXPECT_EQ(waiting->display_name, "Squadron");
    EXPECT_EQ(fleet_take_intercepted_fleet(joining), 0u) << "friends are not intercepted";
    EXPECT_EQ(news(6, FLEET_RED), (std::vector<std::string>{"Squadron joined friendly forces"}));
}

TEST_F(FleetTravel, ScanningTeachesTheSectorsPassedAndOnlyThose) {
    // A straight line of stars; the fleet's scan reaches 15 % of its best ship's scan range.
    Ship *scout = ship(2, 30, FLEET_RED, "Scout");
    Fleet *f = fleet_at({scout}, 100, 300, FLEET_RED);
    ASSERT_GT(f->scan_range, 1);
    const int32_t reach = f->scan_range;
    Sector *near_start = star(0, 100 + reach / 2, 300);
    Sector *on_way = star(1, 500, 300 + reach / 2);
    Sector *aside = star(2, 500, 300 + reach + 60);
    Sector *goal = star(3, 900, 300);
    forget_all();
    fleet_set_move_target(f, goal);
    for (int32_t d = 0; d < 40 && !(f->flags & OBJ_DEAD); ++d) day();
    ASSERT_TRUE(f->flags & OBJ_DEAD);
    EXPECT_TRUE(learnt(FLEET_RED, near_start, 0));
    EXPECT_TRUE(learnt(FLEET_RED, on_way, 0));
    EXPECT_FALSE(learnt(FLEET_RED, aside, 0)) << "beyond the scan range";
    const GameObject *known = known_object(as_player(g_world.players[0]), on_way->id);
    ASSERT_NE(known, nullptr);
    EXPECT_TRUE(known->flags & OBJ_SNAPSHOT);
    EXPECT_FALSE(learnt(FLEET_RED, scout)) << "the fleet's own ship is in its owner's sight: no copy is kept of it";
}

// Ships whose figures a save left at the top of the range: the fleet's sums and its scan hold there.
TEST_F(FleetTravel, TheFiguresOfShipsAtTheLimitsHoldAtTheLimitsInTheFleet) {
    Ship *a = ship(2, 1, FLEET_RED, "Huge"), *b = ship(2, 1, FLEET_RED, "Huger");
    for (Ship *s : {a, b}) {
        s->mass = s->capacity_used = INT32_MAX;
        s->scan_range = INT32_MAX;
        s->scan_boost = 50;
    }
    Fleet *f = fleet_at({a, b}, 500, 500, FLEET_RED);
    fleet_kind_name(f);
    EXPECT_EQ(f->mass, INT32_MAX);
    EXPECT_EQ(f->capacity_total, INT32_MAX);
    EXPECT_GE(f->scan_range, INT32_MAX / 100 * FLEET_SCAN_PERCENT) << "a boost never shortens the reach";
}

TEST_F(FleetTravel, ACloakedFleetIsSeenOnlyWithinTheShrunkenRange) {
    Ship *watcher = ship(2, 1, FLEET_RED, "Watcher");
    Fleet *f = fleet_at({watcher}, 500, 500, FLEET_RED);
    f->scan_range = 100;   // as if the best ship's scan were 667
    Ship *shy1 = ship(3, 1, FLEET_BLUE, "Shy"), *shy2 = ship(3, 1, FLEET_BLUE, "Shier");
    shy1->boost_b = 40;
    shy2->boost_b = 55;
    Fleet *close = fleet_at({shy1, shy2}, 500 + 58, 500, FLEET_BLUE);
    EXPECT_EQ(close->cloak, 40) << "the weakest stealth of the fleet";
    Fleet *beyond = fleet_at({ship(3, 1, FLEET_BLUE, "Shy too")}, 500, 500 + 64, FLEET_BLUE);
    ship_of(fleet_get_ship(beyond, 0))->boost_b = 40;
    fleet_kind_name(beyond);
    Fleet *plain = fleet_at({ship(3, 1, FLEET_BLUE, "Plain")}, 500 - 95, 500, FLEET_BLUE);
    EXPECT_EQ(plain->cloak, 0);
    forget_all();
    fleet_scan(f);
    EXPECT_TRUE(learnt(FLEET_RED, close));
    EXPECT_FALSE(learnt(FLEET_RED, beyond)) << "64 pixels, beyond 60";
    EXPECT_TRUE(learnt(FLEET_RED, plain));
    EXPECT_EQ(fleet_cloak(close), 40);
    EXPECT_EQ(fleet_cloak(watcher), 0) << "a ship has no cloak of its own";
}

TEST_F(FleetTravel, PlayersTappingTheOwnerLearnWhatItsFleetSees) {
    FakePlayer *spy = add_player(79);
    tap(spy, FLEET_RED);
    Fleet *f = fleet_at({ship(2, 1, FLEET_RED, "Eye")}, 500, 500, FLEET_RED);
    Sector *near = star(0, 500 + f->scan_range / 2, 500);
    forget_all();
    fleet_scan(f);
    EXPECT_TRUE(learnt(FLEET_RED, near, 0));
    EXPECT_TRUE(learnt(79, near, 0));
    EXPECT_EQ(list_count(&game_find_player(game, FLEET_BLUE)->known), 0) << "no tap, no news";
}

}  // namespace
