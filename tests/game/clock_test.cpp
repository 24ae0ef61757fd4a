// The game clock over a real galaxy map: minutes consumed at the galaxy speed, the cut at the
// day's end, travel in the same ratio, and the objects' minutes (site production) driven by it.
// (Whole journeys of many days: tests/world/fleet_travel_test.)
#include "../world/galaxy_fixture.h"

using namespace galaxytest;

namespace {

class GameClock : public FleetWorld {
    GameFieldsGuard game_fields_back_;   // the speed the tests set
};

TEST_F(GameClock, ADayAtTheDefaultSpeedTakesFiftyFramesOfTwentyMilliseconds) {
    const uint64_t start = game->clock->minutes;
    game_queue_minutes(game, 1440);
    EXPECT_TRUE(game_is_advancing(game));
    game_advance_clock(game, 20);
    EXPECT_EQ(game->clock->minutes - start, 28u);
    EXPECT_EQ(game->clock_remainder, 48000);
    game_advance_clock(game, 20);
    EXPECT_EQ(game->clock->minutes - start, 28u + 29u);
    int32_t frames = 2;
    while (game_is_advancing(game) && frames < 1000) {
        game_advance_clock(game, 20);
        ++frames;
    }
    EXPECT_EQ(frames, 50);
    EXPECT_EQ(game->clock->minutes - start, 1440u);
    EXPECT_EQ(game->queued_minutes, 0);
    EXPECT_EQ(game->clock_remainder, 0) << "the day's last step is cut";
    EXPECT_EQ(game->clock->month, 2) << "the 31st of January is followed by the first of February";
    EXPECT_EQ(game->clock->day, 1);
}

TEST_F(GameClock, SlowFramesCarryTheFractionUntilAMinuteIsDueAndNothingQueuedChangesNothing) {
    game->galaxy_speed = 100;
    game->clock_remainder = 1234;
    const uint64_t start = game->clock->minutes;
    game_advance_clock(game, 500);
    EXPECT_EQ(game->clock->minutes, start);
    EXPECT_EQ(game->clock_remainder, 1234) << "nothing queued";
    EXPECT_FALSE(game_is_advancing(game));
    game->clock_remainder = 0;
    game_queue_minutes(game, 1440);
    const int32_t steps[][2] = {{0, 28800}, {0, 57600}, {1, 26400}};   // minutes on, remainder after each frame
    for (const auto &step : steps) {
        game_advance_clock(game, 1);
        EXPECT_EQ(game->clock->minutes, start + uint64_t(step[0]));
        EXPECT_EQ(game->clock_remainder, step[1]);
    }
    EXPECT_EQ(game->queued_minutes, 1439);
}

TEST_F(GameClock, OneLongFrameEndsTheDayAndScalesTheTravelDown) {
    // A fleet 200 pixels from its goal at 100 pixels a day travels 100 pixels in one day, however
    // long the frame that ends it.
    Sector *home = star(0, 400, 400);
    Sector *goal = star(1, 600, 400);
    Fleet *f = fleet_at({ship(2, 100, 5, "Runner")}, cx(home), cy(home), 5);
    fleet_set_move_target(f, goal);
    const int32_t x0 = f->x;
    game->galaxy_speed = 500;
    game_queue_minutes(game, 1440);
    game_advance_clock(game, 5000);
    EXPECT_EQ(game->queued_minutes, 0);
    EXPECT_EQ(game->clock_remainder, 0);
    EXPECT_NEAR(f->x - x0, 100, 1);
}

TEST_F(GameClock, ProductionAdvancesWithTheDay) {
    // A starbase upgrading its defence, in a sector on the galaxy map.
    add_player(5);
    Sector *s = star(0, 400, 400);
    Site *base = site_create(SITE_STARBASE);
    ASSERT_NE(base, nullptr);
    object_assign_id(base);
    base->owner_id = 5;
    s->owner_id = 5;
    sector_add_site(s, base, 10, 10);
    base->crew = 5000;
    ASSERT_EQ(site_start_production(base, -1, 0), RES_OK);
    const int32_t left = base->remaining_min;
    ASSERT_GT(left, 1440);
    EXPECT_EQ(day(), 50);
    EXPECT_EQ(base->remaining_min, left - 1440) << "production took the day's minutes";
}

}  // namespace
