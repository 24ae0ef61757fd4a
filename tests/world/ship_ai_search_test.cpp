// The AI's searches for a free move, turn and spot on a combat map with store hulls: the searches
// keep the map's answers from one search to the next, so every test here changes the map between
// two searches and checks the new answer against the map itself.
#include "combat_test_util.h"

using namespace shiptest;

namespace {

// The map's own verdict on the ship's frame for the heading at (x, y): something else is there.
bool occupied(Ship *ship, int32_t heading, int32_t x, int32_t y) {
    ObjectFilter f;
    f.flags = FILTER_POINT | FILTER_SHAPE | FILTER_NOT_SELF | FILTER_SELF_FRAME;
    f.px = x;
    f.py = y;
    f.self = ship;
    f.frame = ship_frame_for_heading(ship, heading);
    return map_query_object(ship->map, &f) != nullptr;
}

class AiSearch : public CombatMapTest {
protected:
    Ship *red = nullptr, *blue = nullptr;
    void SetUp() override {
        CombatMapTest::SetUp();
        red = on_map(HULL_LANCER, 1000, 1000, 0, RED);
        fit(red, LANCER_ENGINE, SYSTEM_TYPE_ENGINE, 0);
        blue = on_map(HULL_CORSAIR, 3000, 2000, 180, BLUE);
        ready(red);
        ready(blue);
        std::printf("random seed 20260107\n");
    }
};

TEST_F(AiSearch, AMoveFollowsTheBlockerOnTheMap) {
    int32_t x = 0, y = 0;
    ASSERT_EQ(ship_ai_pick_heading(red, red->heading, 5, 5, red->x, red->y, red->heading, &x, &y), RES_OK);
    EXPECT_FALSE(occupied(red, red->heading, x, y));
    EXPECT_NE(std::pair(x, y), std::pair(red->x, red->y));

    // The other ship moves onto the spot found: the same search from the same place must not offer it.
    for (int32_t round = 0; round < 3; ++round) {
        blue->x = x;
        blue->y = y;
        int32_t nx = 0, ny = 0;
        const Result r = ship_ai_pick_heading(red, red->heading, 5, 5, red->x, red->y, red->heading, &nx, &ny);
        if (r == RES_NO_FREE_POSITION) break;
        ASSERT_EQ(r, RES_OK);
        EXPECT_FALSE(occupied(red, red->heading, nx, ny)) << "round " << round << " at " << nx << "," << ny;
        x = nx;
        y = ny;
    }

    // Wherever the blocker stands, what the search offers is free ...
    blue->x = x;
    blue->y = y;
    int32_t bx = -1, by = -1;
    const Result blocked = ship_ai_pick_heading(red, red->heading, 5, 5, red->x, red->y, red->heading, &bx, &by);
    if (blocked == RES_OK) {
        EXPECT_FALSE(occupied(red, red->heading, bx, by)) << bx << "," << by;
    }
    // ... and offered again once it has gone.
    blue->x = 3000;
    blue->y = 2000;
    ASSERT_EQ(ship_ai_pick_heading(red, red->heading, 5, 5, red->x, red->y, red->heading, &x, &y), RES_OK);
    EXPECT_FALSE(occupied(red, red->heading, x, y));
}

TEST_F(AiSearch, AShipLeavingTheMapFreesItsPlace) {
    int32_t x = 0, y = 0;
    ASSERT_EQ(ship_ai_pick_heading(red, red->heading, 5, 5, red->x, red->y, red->heading, &x, &y), RES_OK);
    blue->x = x;
    blue->y = y;
    const Result first = ship_ai_pick_heading(red, red->heading, 5, 5, red->x, red->y, red->heading, &x, &y);
    if (first == RES_OK) {
        EXPECT_FALSE(occupied(red, red->heading, x, y));
    }
    // Dead ships are out of every query: the search sees the place free without the blocker moving.
    blue->flags |= OBJ_DEAD;
    ASSERT_EQ(ship_ai_pick_heading(red, red->heading, 5, 5, red->x, red->y, red->heading, &x, &y), RES_OK);
    EXPECT_TRUE(blue->x < x + red->w && x < blue->x + blue->w && blue->y < y + red->h && y < blue->y + blue->h)
        << "the spot found lies where the dead ship stands: " << x << "," << y;
}

TEST_F(AiSearch, ATurnFollowsTheBlockerOnTheMap) {
    object_set_heading(red, 90);
    int32_t heading = 180, x = red->x, y = red->y;
    ASSERT_EQ(ship_ai_random_turn_from(red, red->heading, 12, &heading, &x, &y), RES_OK);
    EXPECT_NE(heading, 90);
    EXPECT_FALSE(occupied(red, heading, x, y));

    // A blocker over the ship's own place blocks every turn; gone again, the turns come back.
    blue->x = red->x;
    blue->y = red->y;
    heading = 180;
    x = red->x;
    y = red->y;
    const Result blocked = ship_ai_random_turn_from(red, red->heading, 12, &heading, &x, &y);
    if (blocked == RES_OK) {
        EXPECT_FALSE(occupied(red, heading, x, y)) << heading;
    } else {
        EXPECT_EQ(blocked, RES_NO_FREE_POSITION);
        EXPECT_EQ(heading, 180) << "a refused turn leaves the heading asked for";
    }
    blue->x = 3000;
    heading = 180;
    x = red->x;
    y = red->y;
    ASSERT_EQ(ship_ai_random_turn_from(red, red->heading, 12, &heading, &x, &y), RES_OK);
    EXPECT_FALSE(occupied(red, heading, x, y));
}

}  // namespace
