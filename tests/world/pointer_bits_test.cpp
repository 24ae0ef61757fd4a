// The pointer's hover query passes over objects that carry the "no pointer hit" template bit: a fleet
// while it is hidden for a battle or turns on the galaxy map. It comes back under the pointer once
// that ends.
#include "galaxy_fixture.h"

using namespace galaxytest;

namespace {

class PointerBits : public FleetWorld {
protected:
    // What the hover query finds at the object's centre.
    GameObject *under_pointer(const GameObject *obj) {
        const ObjectFilter query{.flags = FILTER_POINT | FILTER_EXCLUDE,
                                 .exclude_flags = OBJ_NO_POINTER_HIT,
                                 .px = cx(obj),
                                 .py = cy(obj)};
        return map_query_object(map, &query);
    }
};

TEST_F(PointerBits, AFleetLeavesThePointerWhileHiddenForABattleOrTurning) {
    Fleet *f = fleet_at({ship(2, 5, FLEET_RED, "Scout")}, 1000, 1000, FLEET_RED);
    ASSERT_EQ(under_pointer(f), f);

    fleet_set_hidden(f, true);
    EXPECT_EQ(under_pointer(f), nullptr) << "hidden for a battle";
    fleet_set_hidden(f, false);
    EXPECT_EQ(under_pointer(f), f);

    object_begin_rotation(f, angle_normalize(f->heading + 180));
    map_update(map, 1);
    ASSERT_TRUE(f->flags & OBJ_ROTATING) << "a half turn lasts longer than a millisecond";
    EXPECT_EQ(under_pointer(f), nullptr) << "turning";
    object_finish_rotation(f);
    map_update(map, 1);
    EXPECT_EQ(under_pointer(f), f) << "the turn has ended";
}

}  // namespace
