// What blocks a spot on a combat map with store hulls: the record a search keeps of an object must
// answer as the object itself does, at every spot around it, and the map's placement query, asked
// by filter or directly, gives the first object in list order that blocks.
#include "combat_test_util.h"

using namespace shiptest;

namespace {

class SpotRule : public CombatMapTest {
protected:
    Ship *red = nullptr, *blue = nullptr;
    void SetUp() override {
        CombatMapTest::SetUp();
        red = on_map(HULL_LANCER, 400, 400, 0, RED);
        blue = on_map(HULL_CORSAIR, 1000, 1000, 135, BLUE);
    }
    // The live answer: the rule asked of the objects as they stand.
    GameObject *blocker(int32_t frame, int32_t x, int32_t y) { return map_spot_blocker(map, red, frame, x, y); }
    GameObject *by_filter(uint32_t flags, int32_t frame, int32_t x, int32_t y, uint32_t kinds = 0) {
        ObjectFilter f;
        f.flags = flags;
        f.kind_mask = kinds;
        f.px = x;
        f.py = y;
        f.self = red;
        f.frame = frame;
        return map_query_object(map, &f);
    }
    // A spot where red's sprite for the frame meets blue's shape (found by walking blue's box).
    bool blocked_spot(int32_t frame, int32_t *x, int32_t *y) {
        for (int32_t sy = blue->y - red->h; sy <= blue->y + blue->h; sy += 2)
            for (int32_t sx = blue->x - red->w; sx <= blue->x + blue->w; sx += 2)
                if (blocker(frame, sx, sy) == blue) {
                    *x = sx;
                    *y = sy;
                    return true;
                }
        return false;
    }
};

TEST_F(SpotRule, AKeptRecordAnswersAsTheObjectAtEverySpotAroundIt) {
    // The record carries blue's shape; with a plain mover it is tested from the record, not asked
    // of blue. Every spot whose box meets blue's, and a margin beyond, for several of red's frames.
    const MapOccupant kept = map_occupant_of(blue);
    ASSERT_FALSE(kept.ask_object) << "a ship's kind tests shapes from its masks";
    ASSERT_NE(kept.shape, nullptr);
    int32_t blocked = 0, box_only = 0;
    for (int32_t heading : {0, 45, 90, 200, 315}) {
        const int32_t frame = ship_frame_for_heading(red, heading);
        for (int32_t y = blue->y - red->h - 3; y <= blue->y + blue->h + 3; y += 3)
            for (int32_t x = blue->x - red->w - 3; x <= blue->x + blue->w + 3; x += 3) {
                const bool live = blocker(frame, x, y) == blue;
                ASSERT_EQ(map_occupant_blocks(kept, red, true, frame, x, y), live)
                    << "frame " << frame << " at " << x << "," << y;
                blocked += live;
                box_only += !live && map_boxes_meet(blue->x, blue->y, blue->w, blue->h, x, y, red->w, red->h);
            }
    }
    EXPECT_GT(blocked, 0);
    EXPECT_GT(box_only, 0) << "some boxes meet where the shapes do not";
}

TEST_F(SpotRule, NeitherTheDeadNorTheDepartedNorTheMoverItselfBlocks) {
    const int32_t frame = ship_frame_for_heading(red, 0);
    int32_t x = 0, y = 0;
    ASSERT_TRUE(blocked_spot(frame, &x, &y));
    for (uint32_t gone : {OBJ_DEAD, OBJ_LEFT_MAP}) {
        blue->flags |= gone;
        EXPECT_EQ(blocker(frame, x, y), nullptr) << gone;
        EXPECT_FALSE(map_occupant_blocks(map_occupant_of(blue), red, true, frame, x, y)) << gone;
        blue->flags &= ~gone;
    }
    // Red over its own place: only red is there.
    EXPECT_EQ(blocker(red->frame, red->x, red->y), nullptr);
    EXPECT_FALSE(map_occupant_blocks(map_occupant_of(red), red, true, red->frame, red->x, red->y));
    // Another ship stacked on red's place blocks it.
    Ship *grey = on_map(HULL_LANCER, red->x, red->y, 0, BLUE);
    EXPECT_EQ(blocker(red->frame, red->x, red->y), grey);
    EXPECT_TRUE(map_occupant_blocks(map_occupant_of(grey), red, true, red->frame, red->x, red->y));
}

TEST_F(SpotRule, BoxesMeetEdgeToEdgeAndNotOnePast) {
    // A 10 x 8 box at (100, 100) reaches (110, 108); a 4 x 4 box at (x, y) reaches (x + 4, y + 4).
    struct Case {
        int32_t x, y;
        bool    meet;
    };
    for (const Case &k : {Case{110, 100, true}, Case{111, 100, false}, Case{96, 100, true}, Case{95, 100, false},
                          Case{100, 108, true}, Case{100, 109, false}, Case{100, 96, true}, Case{100, 95, false}})
        EXPECT_EQ(map_boxes_meet(100, 100, 10, 8, k.x, k.y, 4, 4), k.meet) << k.x << "," << k.y;
}

TEST_F(SpotRule, ThePlacementFilterAsksTheRuleAndTheFirstBlockerInListOrderAnswers) {
    const int32_t frame = ship_frame_for_heading(red, 0);
    int32_t x = 0, y = 0;
    ASSERT_TRUE(blocked_spot(frame, &x, &y));
    EXPECT_EQ(by_filter(FILTER_PLACEMENT, frame, x, y), blue);
    // With a kind test as well the query takes its general path: the same answer for ships, none
    // for another kind.
    EXPECT_EQ(by_filter(FILTER_PLACEMENT | FILTER_KINDS, frame, x, y, 1u << OBJECT_SHIP), blue);
    EXPECT_EQ(by_filter(FILTER_PLACEMENT | FILTER_KINDS, frame, x, y, 1u << OBJECT_SHOT), nullptr);
    // A second ship over blue, later in the list: blue still answers; once blue is dead, the other.
    Ship *grey = on_map(HULL_CORSAIR, blue->x, blue->y, blue->heading, BLUE);
    EXPECT_EQ(by_filter(FILTER_PLACEMENT, frame, x, y), blue);
    blue->flags |= OBJ_DEAD;
    EXPECT_EQ(by_filter(FILTER_PLACEMENT, frame, x, y), grey);
    EXPECT_EQ(by_filter(FILTER_PLACEMENT | FILTER_KINDS, frame, x, y, 1u << OBJECT_SHIP), grey);
    // A frame the mover does not have meets nothing.
    EXPECT_EQ(by_filter(FILTER_PLACEMENT, red->frame_count, x, y), nullptr);
    EXPECT_EQ(by_filter(FILTER_PLACEMENT, -1, x, y), nullptr);
}

}  // namespace
