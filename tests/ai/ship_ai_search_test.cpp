// The AI's searches for a free move, turn and spot on a combat map with store hulls: the searches
// keep the map's answers from one search to the next, so every test here changes the map between
// two searches and checks the new answer against the map itself. A search that no try could win
// fails before its first draw; one that a single candidate can win still finds it.
#include "world/combat_test_util.h"
#include "ai/ship_ai.h"
#include "systems/plan_check.h"

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

// The quick draws a call takes from the calling thread's generator (the tests' searches use it).
template <class Fn>
int32_t draws_taken(Fn &&search) {
    constexpr uint32_t SEED = 4242;
    random_seed(SEED);
    search();
    const uint32_t next = random_u32();
    random_seed(SEED);
    for (int32_t n = 0; n < 100000; ++n)
        if (random_u32() == next) return n;
    return -1;
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

// A move from near the left edge towards it (heading 180): the spot offered is the top-left corner,
// which must stay at least 32 from the edge. A zero move arc leaves the one direction the ship faces.
// The last cases start beyond the right edge (the furthest corner inside it is RIGHT) and come back
// in: a range of lengths whose shorter part alone leaves the map still finds the rest.
TEST_F(AiSearch, AMoveThatNoTryCanWinFailsWithoutDrawingAndASingleFreeSpotIsFound) {
    constexpr int32_t Y = 1000, EDGE = 32, RIGHT = 1 << 20;   // RIGHT: counted from the right edge
    const int32_t frame = ship_frame_for_heading(red, 180);
    ASSERT_TRUE(red->frame_w && frame >= 0 && frame < red->frame_count);
    const int32_t right = red->map->world_w - red->frame_w[frame] - EDGE;
    struct Case {
        const char *what;
        int32_t     move_arc, from_x, mp_min, mp_max;
        Result      result;
        int32_t     x;   // the only spot free, when found
    } const cases[] = {
        {"every direction and length crosses the edge", 90, EDGE + 4, 1, 5, RES_NO_FREE_POSITION, 0},
        {"a full move of one length, every direction over the edge", 90, EDGE + 30, 4, 4, RES_NO_FREE_POSITION, 0},
        {"straight ahead only, every length over the edge", 0, EDGE + 9, 1, 5, RES_NO_FREE_POSITION, 0},
        {"straight ahead only, the shortest move just fits", 0, EDGE + 10, 1, 5, RES_OK, EDGE},
        {"straight ahead only, the longest move just fits", 0, EDGE + 50, 5, 9, RES_OK, EDGE},
        {"straight ahead only, two long lengths over the edge", 0, EDGE + 15, 4, 5, RES_NO_FREE_POSITION, 0},
        {"straight ahead only, of two short lengths the shorter fits", 0, EDGE + 15, 1, 2, RES_OK, EDGE + 5},
        {"back in from beyond the right edge, two lengths short", 0, RIGHT + 35, 2, 3, RES_NO_FREE_POSITION, 0},
        {"back in from beyond the right edge, the third length fits", 0, RIGHT + 35, 2, 4, RES_OK, RIGHT - 5},
    };
    object_set_heading(red, 180);
    for (const Case &c0 : cases) {
        Case c = c0;
        if (c.from_x > RIGHT / 2) {
            c.from_x += right - RIGHT;
            c.x += right - RIGHT;
        }
        red->move_arc = c.move_arc;
        int32_t x = -1, y = -1;
        Result r = RES_OK;
        const int32_t draws = draws_taken(
            [&] { r = ship_ai_pick_heading(red, 180, c.mp_min, c.mp_max, c.from_x, Y, 180, &x, &y); });
        ASSERT_EQ(r, c.result) << c.what;
        if (r != RES_OK) {
            EXPECT_EQ(draws, 0) << c.what;
            EXPECT_EQ(std::pair(x, y), std::pair(-1, -1)) << c.what << ": a failed search leaves the outputs";
            continue;
        }
        EXPECT_EQ(std::pair(x, y), std::pair(c.x, Y)) << c.what;
        EXPECT_GT(draws, 0) << c.what << ": the spot comes from the tries";
        EXPECT_FALSE(occupied(red, 180, x, y)) << c.what;
    }
}

// The searches of a plan keep what they read of the heading a ship faces; two ships of different
// widths facing one heading still each keep their own frame inside the right edge.
TEST_F(AiSearch, AMoveInAPlanKeepsToTheEdgeOfItsOwnShipsFrame) {
    constexpr int32_t EDGE = 32, Y = 500;
    auto right_of = [](Ship *ship) {
        const int32_t frame = ship_frame_for_heading(ship, 0);
        return ship->map->world_w - ship->frame_w[frame] - EDGE;
    };
    Ship *narrow = red, *wide = blue;
    object_set_heading(red, 0);
    object_set_heading(blue, 0);
    red->move_arc = blue->move_arc = 0;
    if (right_of(narrow) < right_of(wide)) std::swap(narrow, wide);
    ASSERT_GT(right_of(narrow), right_of(wide)) << "the case proves nothing";
    // One MP straight ahead ends on the narrow ship's last corner inside the edge.
    const int32_t from_x = right_of(narrow) - 10;
    auto ask = [&](Ship *ship) {
        int32_t x = -1, y = -1;
        const Result r = ship_ai_pick_heading(ship, 0, 1, 1, from_x, Y, 0, &x, &y);
        return std::tuple(r, x, y);
    };
    const auto fresh_narrow = ask(narrow), fresh_wide = ask(wide);
    ASSERT_EQ(fresh_narrow, std::tuple(RES_OK, right_of(narrow), Y));
    ASSERT_EQ(std::get<0>(fresh_wide), RES_NO_FREE_POSITION);
    ship_ai_map_still_begin();
    EXPECT_EQ(ask(narrow), fresh_narrow);
    EXPECT_EQ(ask(wide), fresh_wide);
    ship_ai_map_still_end();
}

TEST_F(AiSearch, AMoveIntoAnotherShipFailsWithoutDrawingUntilItLeaves) {
    object_set_heading(red, 0);
    red->move_arc = 0;
    int32_t x = 0, y = 0;
    ASSERT_EQ(ship_ai_pick_heading(red, 0, 3, 3, red->x, red->y, 0, &x, &y), RES_OK);
    // The other ship centred over the one spot the move can reach.
    blue->x = x + red->w / 2 - blue->w / 2;
    blue->y = y + red->h / 2 - blue->h / 2;
    ASSERT_TRUE(occupied(red, 0, x, y));
    Result r = RES_OK;
    EXPECT_EQ(draws_taken([&] { r = ship_ai_pick_heading(red, 0, 3, 3, red->x, red->y, 0, &x, &y); }), 0);
    EXPECT_EQ(r, RES_NO_FREE_POSITION);
    blue->x = 3000;
    blue->y = 2000;
    ASSERT_EQ(ship_ai_pick_heading(red, 0, 3, 3, red->x, red->y, 0, &x, &y), RES_OK);
    EXPECT_FALSE(occupied(red, 0, x, y));
}

// A map changed while a ship plans breaks what the searches trust: the move search keeps offering a
// spot now taken. With the check on, the kept answer is worked out afresh as well and the process
// stops at the difference, naming the cache.
TEST_F(AiSearch, ASpotTakenWhileTheShipPlansIsCaughtByTheCheck) {
    object_set_heading(red, 0);
    red->move_arc = 0;   // one direction, one length: one spot
    auto plan_with_blocker_moved_in = [&] {
        int32_t x = 0, y = 0;
        ship_ai_map_still_begin();
        EXPECT_EQ(ship_ai_pick_heading(red, 0, 3, 3, red->x, red->y, 0, &x, &y), RES_OK);
        blue->x = x + red->w / 2 - blue->w / 2;
        blue->y = y + red->h / 2 - blue->h / 2;
        const Result again = ship_ai_pick_heading(red, 0, 3, 3, red->x, red->y, 0, &x, &y);
        ship_ai_map_still_end();
        return std::pair(again, occupied(red, 0, x, y));
    };
    const bool was = plan_check_set(false);
    EXPECT_EQ(plan_with_blocker_moved_in(), std::pair(RES_OK, true)) << "the stale answer is given unchecked";
    blue->x = 3000;
    blue->y = 2000;
    EXPECT_DEATH(
        {
            plan_check_set(true);
            (void)plan_with_blocker_moved_in();
        },
        "Kept answer differs from a fresh one \\(move search\\)");
    plan_check_set(was);
}

// While a ship plans, the searches trust the map they compared at the plan's first search; a map
// changed between two plans is compared afresh.
TEST_F(AiSearch, AMapChangedBetweenTwoPlansIsSeenByTheNextPlan) {
    object_set_heading(red, 0);
    red->move_arc = 0;   // one direction, one length: one spot
    int32_t x = 0, y = 0;
    ship_ai_map_still_begin();
    ASSERT_EQ(ship_ai_pick_heading(red, 0, 3, 3, red->x, red->y, 0, &x, &y), RES_OK);
    ship_ai_map_still_end();

    blue->x = x + red->w / 2 - blue->w / 2;
    blue->y = y + red->h / 2 - blue->h / 2;
    ASSERT_TRUE(occupied(red, 0, x, y));
    ship_ai_map_still_begin();
    ship_ai_map_still_begin();   // nested: the outer plan still holds
    int32_t nx = -1, ny = -1;
    EXPECT_EQ(ship_ai_pick_heading(red, 0, 3, 3, red->x, red->y, 0, &nx, &ny), RES_NO_FREE_POSITION);
    ship_ai_map_still_end();
    EXPECT_EQ(ship_ai_pick_heading(red, 0, 3, 3, red->x, red->y, 0, &nx, &ny), RES_NO_FREE_POSITION);
    ship_ai_map_still_end();

    blue->x = 3000;
    blue->y = 2000;
    EXPECT_EQ(ship_ai_pick_heading(red, 0, 3, 3, red->x, red->y, 0, &nx, &ny), RES_OK);
    EXPECT_EQ(std::pair(nx, ny), std::pair(x, y));

    // A turn found in one plan is refused in the next once a ship stands over the place.
    int32_t heading = 90, tx = red->x, ty = red->y;
    ship_ai_map_still_begin();
    ASSERT_EQ(ship_ai_random_turn_from(red, 0, 12, &heading, &tx, &ty), RES_OK);
    ship_ai_map_still_end();
    blue->x = red->x + red->w / 2 - blue->w / 2;
    blue->y = red->y + red->h / 2 - blue->h / 2;
    heading = 90;
    tx = red->x;
    ty = red->y;
    ship_ai_map_still_begin();
    EXPECT_EQ(ship_ai_random_turn_from(red, 0, 12, &heading, &tx, &ty), RES_NO_FREE_POSITION);
    ship_ai_map_still_end();
}

TEST_F(AiSearch, ATurnBlockedAtEveryOffsetFailsWithoutDrawing) {
    object_set_heading(red, 90);
    // The other ship centred on this one: every turn about the centre meets it.
    blue->x = red->x + red->w / 2 - blue->w / 2;
    blue->y = red->y + red->h / 2 - blue->h / 2;
    int32_t heading = 90, x = red->x, y = red->y;
    Result r = RES_OK;
    EXPECT_EQ(draws_taken([&] { r = ship_ai_random_turn_from(red, 90, 12, &heading, &x, &y); }), 0);
    EXPECT_EQ(r, RES_NO_FREE_POSITION);
    EXPECT_EQ(std::pair(heading, x), std::pair(90, red->x)) << "a refused turn leaves heading and place";

    blue->x = 3000;
    blue->y = 2000;
    EXPECT_GT(draws_taken([&] { r = ship_ai_random_turn_from(red, 90, 12, &heading, &x, &y); }), 0);
    ASSERT_EQ(r, RES_OK);
    EXPECT_TRUE(heading != 90 && heading >= 84 && heading <= 96) << heading;
    EXPECT_FALSE(occupied(red, heading, x, y));
}

// The searches keep the map's answers from one search to the next and drop only those that a
// change can touch. Each case primes the answers over a field of spots around a blocker, changes
// the map, and asks again: every answer must be the map's own, and some must have turned.
TEST_F(AiSearch, EveryKeptAnswerFollowsTheChangeThatTouchesIt) {
    constexpr int32_t BX = 2000, BY = 1500, REACH = 120, STEP = 10;
    red->move_arc = 0;
    int32_t off_x = 0, off_y = 0;   // a move straight ahead (heading 0) of 3 points
    ASSERT_EQ(ship_ai_pick_heading(red, 0, 3, 3, 500, 500, 0, &off_x, &off_y), RES_OK);
    off_x -= 500;
    off_y -= 500;
    // The search's verdict on one spot: the one move that lands on it is offered or refused.
    auto offered = [&](int32_t x, int32_t y) {
        int32_t ox = -1, oy = -1;
        const Result r = ship_ai_pick_heading(red, 0, 3, 3, x - off_x, y - off_y, 0, &ox, &oy);
        EXPECT_TRUE(r == RES_NO_FREE_POSITION || std::pair(ox, oy) == std::pair(x, y)) << x << "," << y;
        return r == RES_OK;
    };
    auto each_spot = [&](auto &&visit) {
        for (int32_t y = BY - REACH; y <= BY + REACH; y += STEP)
            for (int32_t x = BX - REACH; x <= BX + REACH; x += STEP) visit(x, y);
    };
    struct Case {
        const char *what;
        void (*change)(ObjectMap *map, Ship *blocker, Ship *asker, Ship *bystander);
    } const cases[] = {
        {"the blocker moves", [](ObjectMap *, Ship *b, Ship *, Ship *) { b->x += 40, b->y += 30; }},
        {"the blocker turns to another frame", [](ObjectMap *, Ship *b, Ship *, Ship *) { object_set_heading(b, 90); }},
        {"the blocker dies", [](ObjectMap *, Ship *b, Ship *, Ship *) { b->flags |= OBJ_DEAD; }},
        {"the blocker leaves and is swept",
         [](ObjectMap *m, Ship *b, Ship *, Ship *) {
             b->flags |= OBJ_LEFT_MAP;
             map_remove_dead_objects(m);
         }},
        {"a newcomer arrives beside it",
         [](ObjectMap *m, Ship *, Ship *, Ship *) { shiptest::on_map(m, HULL_CORSAIR, BX + 60, BY - 70, 0, BLUE); }},
        {"a newcomer arrives beside it as it dies",
         [](ObjectMap *m, Ship *b, Ship *, Ship *) {
             shiptest::on_map(m, HULL_CORSAIR, BX + 60, BY - 70, 0, BLUE);
             b->flags |= OBJ_DEAD;
         }},
        // Another ship's search sees the blocker's move first; then the asking ship moves over the
        // same place. Its own move does not touch its answers, the blocker's earlier one must.
        {"the blocker moves, another ship searches, the asking ship moves over the place",
         [](ObjectMap *, Ship *b, Ship *a, Ship *other) {
             b->x -= 50;
             int32_t x = 0, y = 0;
             EXPECT_EQ(ship_ai_pick_heading(other, other->heading, 3, 3, other->x, other->y, other->heading, &x, &y),
                       RES_OK);
             a->x = b->x + 5;
             a->y = b->y + 5;
         }},
    };
    for (const Case &c : cases) {
        Ship *blocker = on_map(HULL_CORSAIR, BX - 30, BY - 20, 0, BLUE);
        ASSERT_NE(blocker, nullptr);
        std::vector<bool> before;
        each_spot([&](int32_t x, int32_t y) {
            before.push_back(offered(x, y));
            ASSERT_EQ(before.back(), !occupied(red, 0, x, y)) << c.what << ", before, at " << x << "," << y;
        });
        c.change(map, blocker, red, blue);
        int32_t turned = 0;
        size_t i = 0;
        each_spot([&](int32_t x, int32_t y) {
            const bool now = offered(x, y);
            EXPECT_EQ(now, !occupied(red, 0, x, y)) << c.what << " at " << x << "," << y;
            turned += now != before[i++];
        });
        EXPECT_GT(turned, 0) << c.what << ": no answer changed, the case proves nothing";
        // Clear the field for the next case.
        for (GameObject *obj : map->objects.items)
            if (obj && obj != red && obj != blue) obj->flags |= OBJ_LEFT_MAP;
        map_remove_dead_objects(map);
        red->x = 1000;
        red->y = 1000;
    }
}

// While a ship plans, a search asked again from the same place starts from what the last one
// worked out. It must find what a fresh search finds with the same draws, and take as many: a
// series of searches, some repeated, one blocked everywhere, gives the same outcomes in a plan and
// out of one.
TEST_F(AiSearch, ASearchRepeatedInAPlanFindsWhatAFreshOneFindsWithTheSameDraws) {
    red->move_arc = 90;
    object_set_heading(red, 0);
    // Blue just ahead (heading 0 points along x): the longer moves meet it, the shorter ones not.
    blue->x = red->x + red->w + 10;
    blue->y = red->y;
    struct Outcome {
        Result  result;
        int32_t heading, x, y, draws;
        bool operator==(const Outcome &) const = default;
    };
    auto series = [&] {
        std::vector<Outcome> out;
        for (int32_t round = 0; round < 3; ++round) {
            // The same move from another place is another search.
            for (auto [heading, mp_min, mp_max, back] :
                 {std::tuple(0, 3, 5, 0), std::tuple(20, 1, 6, 0), std::tuple(0, 3, 5, 40), std::tuple(0, 3, 5, 0)}) {
                Outcome o{RES_OK, heading, -1, -1, 0};
                o.draws = draws_taken([&, heading = heading, mp_min = mp_min, mp_max = mp_max, back = back] {
                    o.result =
                        ship_ai_pick_heading(red, heading, mp_min, mp_max, red->x - back, red->y, 0, &o.x, &o.y);
                });
                out.push_back(o);
            }
            Outcome turn{RES_OK, 40, red->x, red->y, 0};
            turn.draws = draws_taken([&] {
                turn.result = ship_ai_random_turn_from(red, 0, 30, &turn.heading, &turn.x, &turn.y);
            });
            out.push_back(turn);
            // Hemmed in at the left edge facing it: no move can win.
            Outcome none{RES_OK, 180, -1, -1, 0};
            none.draws = draws_taken([&] {
                none.result = ship_ai_pick_heading(red, 180, 1, 5, 36, 1000, 180, &none.x, &none.y);
            });
            out.push_back(none);
        }
        return out;
    };
    const std::vector<Outcome> fresh = series();
    ship_ai_map_still_begin();
    const std::vector<Outcome> kept = series();
    ship_ai_map_still_end();
    ASSERT_EQ(kept.size(), fresh.size());
    int32_t found = 0, refused = 0;
    for (size_t i = 0; i < fresh.size(); ++i) {
        EXPECT_EQ(kept[i], fresh[i]) << "search " << i << ": " << kept[i].result << " at " << kept[i].x << ","
                                     << kept[i].y << " after " << kept[i].draws << " draws, fresh "
                                     << fresh[i].result << " at " << fresh[i].x << "," << fresh[i].y << " after "
                                     << fresh[i].draws;
        found += fresh[i].result == RES_OK;
        refused += fresh[i].result == RES_NO_FREE_POSITION;
    }
    EXPECT_GT(found, 0);
    EXPECT_GT(refused, 0);
}

// The AI asks the search it asked last again and again, and a repeat skips the hashed memo. Each
// case asks two searches in a row that differ in one input only: the second must not be taken for
// a repeat of the first. It must find what it finds fresh, after as many draws, and differ from
// the first (or the case proves nothing).
TEST_F(AiSearch, ASearchDifferingFromTheLastInOneInputIsNoRepeat) {
    red->move_arc = 90;
    object_set_heading(red, 0);
    Ship *grey = on_map(HULL_LANCER, 1400, 1300, 0, RED);
    ASSERT_NE(grey, nullptr);
    grey->move_arc = 90;
    struct Move {
        Ship   *ship;
        int32_t heading, mp_min, mp_max, from_x, from_y, current, move_arc;
        bool    immobile = false;
    };
    struct Outcome {
        Result  result;
        int32_t x, y, draws;
        bool operator==(const Outcome &) const = default;
    };
    auto ask = [&](const Move &m) {
        m.ship->move_arc = m.move_arc;
        m.ship->hull_flags = m.immobile ? m.ship->hull_flags | HULL_FLAG_IMMOBILE : m.ship->hull_flags & ~HULL_FLAG_IMMOBILE;
        Outcome o{RES_OK, -1, -1, 0};
        o.draws = draws_taken([&] {
            o.result = ship_ai_pick_heading(m.ship, m.heading, m.mp_min, m.mp_max, m.from_x, m.from_y, m.current,
                                            &o.x, &o.y);
        });
        return o;
    };
    const Move first{red, 0, 3, 5, 1000, 1000, 0, 90};
    struct Case {
        const char *what;
        Move        second;
    } const cases[] = {
        {"the heading", {red, 30, 3, 5, 1000, 1000, 0, 90}},
        {"the least MP", {red, 0, 4, 5, 1000, 1000, 0, 90}},
        {"the most MP", {red, 0, 3, 7, 1000, 1000, 0, 90}},
        {"the place across", {red, 0, 3, 5, 1040, 1000, 0, 90}},
        {"the place down", {red, 0, 3, 5, 1000, 1040, 0, 90}},
        {"the current heading", {red, 0, 3, 5, 1000, 1000, 120, 90}},
        {"the move arc", {red, 0, 3, 5, 1000, 1000, 0, 0}},
        {"the ship", {grey, 0, 3, 5, 1000, 1000, 0, 90}},
        {"an immobile hull", {red, 0, 3, 5, 1000, 1000, 0, 90, true}},
    };
    for (const Case &c : cases) {
        const Outcome fresh_first = ask(first), fresh_second = ask(c.second);
        ASSERT_NE(fresh_second, fresh_first) << c.what << ": the case proves nothing";
        ship_ai_map_still_begin();
        // The first search asked under many seeds first: most of its verdicts are worked out.
        first.ship->move_arc = first.move_arc;
        for (uint32_t seed = 1; seed <= 64; ++seed) {
            random_seed(seed);
            int32_t x = 0, y = 0;
            (void)ship_ai_pick_heading(first.ship, first.heading, first.mp_min, first.mp_max, first.from_x,
                                       first.from_y, first.current, &x, &y);
        }
        const Outcome kept_first = ask(first), kept_second = ask(c.second), kept_again = ask(c.second);
        ship_ai_map_still_end();
        EXPECT_EQ(kept_first, fresh_first) << c.what;
        EXPECT_EQ(kept_second, fresh_second) << c.what << ": found at " << kept_second.x << "," << kept_second.y
                                             << ", fresh at " << fresh_second.x << "," << fresh_second.y;
        EXPECT_EQ(kept_again, fresh_second) << c.what << ", asked again";
        red->hull_flags &= ~HULL_FLAG_IMMOBILE;
    }

    // The same for turns: from heading, spread, heading wanted, place, ship.
    red->move_arc = 90;
    struct Turn {
        Ship   *ship;
        int32_t from, spread, heading, x, y;
    };
    auto turn = [&](const Turn &t) {
        Outcome o{RES_OK, t.x, t.y, 0};
        int32_t heading = t.heading;
        o.draws = draws_taken([&] { o.result = ship_ai_random_turn_from(t.ship, t.from, t.spread, &heading, &o.x, &o.y); });
        return std::pair(o, heading);
    };
    const Turn first_turn{red, 0, 30, 90, 1000, 1000};
    struct TurnCase {
        const char *what;
        Turn        second;
    } const turns[] = {
        {"the heading turned from", {red, 85, 30, 90, 1000, 1000}},
        {"the spread", {red, 0, 12, 90, 1000, 1000}},
        {"the heading wanted", {red, 0, 30, 200, 1000, 1000}},
        {"the place across", {red, 0, 30, 90, 1030, 1000}},
        {"the place down", {red, 0, 30, 90, 1000, 1030}},
        {"the ship", {grey, 0, 30, 90, 1000, 1000}},
    };
    for (const TurnCase &c : turns) {
        const auto fresh_first = turn(first_turn), fresh_second = turn(c.second);
        ASSERT_NE(fresh_second, fresh_first) << c.what << ": the case proves nothing";
        ship_ai_map_still_begin();
        for (uint32_t seed = 1; seed <= 64; ++seed) {
            random_seed(seed);
            int32_t heading = first_turn.heading, x = first_turn.x, y = first_turn.y;
            (void)ship_ai_random_turn_from(first_turn.ship, first_turn.from, first_turn.spread, &heading, &x, &y);
        }
        const auto kept_first = turn(first_turn), kept_second = turn(c.second);
        ship_ai_map_still_end();
        EXPECT_EQ(kept_first, fresh_first) << c.what;
        EXPECT_EQ(kept_second, fresh_second) << c.what << ": turned to " << kept_second.second << " at "
                                             << kept_second.first.x << "," << kept_second.first.y << ", fresh "
                                             << fresh_second.second;
    }
}

// The turn searches of a plan share the turns they judged: a search asked after another that
// judged the same turns must still take each turn's verdict and place from all it depends on. Each
// case asks, in one plan, a first search (under many seeds, so that it judges every turn) and then
// a second differing in one input; the second must find what it finds fresh.
TEST_F(AiSearch, ATurnJudgedByAnotherSearchOfThePlanFollowsEveryInputOfTheTurn) {
    Ship *grey = on_map(HULL_LANCER, 1400, 1300, 0, RED);
    ASSERT_NE(grey, nullptr);
    // Red shifts by frame, as a parameter file may make it: where a turn leads depends on the frame
    // turned from as well as the one turned to.
    std::vector<int32_t> shift;
    for (int32_t f = red->rot_first; f <= red->rot_last; ++f) shift.push_back(3 * (f - red->rot_first));
    red->offset_first = red->rot_first;
    red->offset_last = red->rot_last;
    red->offset_x = std::make_shared<const std::vector<int32_t>>(shift);
    red->offset_y = std::make_shared<const std::vector<int32_t>>(shift);
    // Blue stands at (2000, 1500): every turn of red there meets it, unless red's turns are never tested.
    blue->x = 2000;
    blue->y = 1500;
    struct Turn {
        Ship   *ship;
        int32_t from, spread, heading, x, y;
        bool    unblocked = false;
    };
    struct Outcome {
        Result  result;
        int32_t heading, x, y, draws;
        bool operator==(const Outcome &) const = default;
    };
    auto set_flags = [&](const Turn &t) {
        t.ship->hull_flags = t.unblocked ? t.ship->hull_flags | HULL_FLAG_TURN_UNBLOCKED
                                         : t.ship->hull_flags & ~HULL_FLAG_TURN_UNBLOCKED;
    };
    auto turn = [&](const Turn &t) {
        set_flags(t);
        Outcome o{RES_OK, t.heading, t.x, t.y, 0};
        o.draws = draws_taken([&] { o.result = ship_ai_random_turn_from(t.ship, t.from, t.spread, &o.heading, &o.x, &o.y); });
        return o;
    };
    struct Case {
        const char *what;
        Turn        first, second;
    } const cases[] = {
        {"another spread over the same turns", {red, 0, 30, 90, 1000, 1000}, {red, 0, 12, 90, 1000, 1000}},
        {"another heading wanted over the same turns", {red, 0, 30, 90, 1000, 1000}, {red, 0, 30, 95, 1000, 1000}},
        {"the place across", {red, 0, 30, 90, 1000, 1000}, {red, 0, 30, 90, 1030, 1000}},
        {"the place down", {red, 0, 30, 90, 1000, 1000}, {red, 0, 30, 90, 1000, 1030}},
        {"the heading turned from", {red, 0, 30, 90, 1000, 1000}, {red, 60, 30, 90, 1000, 1000}},
        {"the ship", {grey, 0, 30, 90, 1000, 1000}, {red, 0, 30, 90, 1000, 1000}},
        {"over another ship", {red, 0, 30, 90, 1000, 1000}, {red, 0, 30, 90, 2000, 1500}},
        {"turns never tested", {red, 0, 30, 90, 2000, 1500}, {red, 0, 30, 90, 2000, 1500, true}},
    };
    for (const Case &c : cases) {
        const Outcome fresh_first = turn(c.first), fresh_second = turn(c.second);
        ship_ai_map_still_begin();
        set_flags(c.first);
        for (uint32_t seed = 1; seed <= 64; ++seed) {
            random_seed(seed);
            int32_t heading = c.first.heading, x = c.first.x, y = c.first.y;
            (void)ship_ai_random_turn_from(c.first.ship, c.first.from, c.first.spread, &heading, &x, &y);
        }
        const Outcome kept_first = turn(c.first), kept_second = turn(c.second);
        ship_ai_map_still_end();
        EXPECT_EQ(kept_first, fresh_first) << c.what;
        EXPECT_EQ(kept_second, fresh_second) << c.what << ": turned to " << kept_second.heading << " at "
                                             << kept_second.x << "," << kept_second.y << " (" << kept_second.result
                                             << "), fresh to " << fresh_second.heading << " at " << fresh_second.x
                                             << "," << fresh_second.y << " (" << fresh_second.result << ")";
        red->hull_flags &= ~HULL_FLAG_TURN_UNBLOCKED;
        grey->hull_flags &= ~HULL_FLAG_TURN_UNBLOCKED;
    }
}

}  // namespace

// The move offsets are remembered per direction and length: asking again with another length (or
// direction) must not get the last answer back.
TEST_F(AiSearch, AMoveOfAnotherLengthOrDirectionGetsItsOwnOffset) {
    red->move_arc = 0;
    struct Case {
        int32_t heading, mp;
    } const cases[] = {{0, 5}, {0, 8}, {0, 5}, {90, 5}, {0, 3}, {90, 3}};
    for (const Case &c : cases) {
        int32_t x = -1, y = -1;
        ASSERT_EQ(ship_ai_pick_heading(red, c.heading, c.mp, c.mp, 1000, 1000, c.heading, &x, &y), RES_OK)
            << "heading " << c.heading << " mp " << c.mp;
        int32_t ex = 0, ey = 0;
        rotate_point(c.heading, c.mp * 10, &ex, &ey);
        EXPECT_EQ(std::pair(x - 1000, y - 1000), std::pair(ex, ey)) << "heading " << c.heading << " mp " << c.mp;
        EXPECT_EQ(distance(x - 1000, y - 1000), c.mp * 10) << "heading " << c.heading << " mp " << c.mp;
    }
}
