// The combat view's scroll towards a point over a real battle: the step that the distance gives,
// the target kept inside the world, the view reaching it frame by frame; and Tab's cycle through
// the player's own units in predicted turn order.
#include "combat_panels_test_support.h"

#include "game/encounter.h"
#include "game/encounter_map.h"

namespace {

using combat_panels_test::KEY_TAB;
using combat_panels_test::PanelsBattle;
using combat_test::has;
using combat_test::screen;

class ViewScroll : public PanelsBattle {
protected:
    // Puts the view at (x, y) and scrolls by (dx, dy).
    void scroll_by(int x, int y, int dx, int dy) {
        map_set_view(map(), x, y);
        combat_scroll_view_to(x + dx, y + dy, 25);
    }
    int step_x() const { return screen()->scroll.step_x; }
    int step_y() const { return screen()->scroll.step_y; }
};

TEST_F(ViewScroll, TheDistanceGivesAStepWhoseLongerSideIsAtLeastTwenty) {
    start_battle(1);
    const struct {
        int dx, dy, sx, sy;
    } cases[] = {
        {100, 5, 40, 20},      // a tenth, then x to 20, then y to 20 scaling x along
        {0, 50, 0, 20},
        {-30, 0, -20, 0},
        {200, 200, 20, 20},    // long both ways: a tenth each
        {-100, 50, -40, 20},   // -10, 5; x to -20 doubles y to 10; y to 20 doubles x again
        {5, -5, 20, -20},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.dx << ", " << c.dy);
        scroll_by(130, 50, c.dx, c.dy);
        EXPECT_EQ(step_x(), c.sx);
        EXPECT_EQ(step_y(), c.sy);
        EXPECT_EQ(screen()->scroll.target_x, 130 + c.dx);
        EXPECT_EQ(screen()->scroll.target_y, 50 + c.dy);
        EXPECT_EQ(screen()->scroll.rest_x, 0);
        EXPECT_EQ(screen()->scroll.rest_y, 0);
    }
}

class ViewScrollWhileWaiting : public ViewScroll {
protected:
    ViewScrollWhileWaiting() { ui_side = true; }
};

TEST_F(ViewScrollWhileWaiting, TheTargetStaysInsideTheWorldAndTheViewGetsThere) {
    start_battle(1);
    ObjectMap *m = map();
    ui_test::mouse_at(500, 400);   // away from the edges
    // Nothing but this test moves the view while the player's ship waits for orders.
    ASSERT_TRUE(run_until([&] {
        return screen()->acting && screen()->acting->owner_id == game->ui_player_id && !(m->flags & MAP_BUSY) &&
               !has(COMBAT_FLAG_AUTO_ACT | COMBAT_FLAG_ANIMATING) && screen()->scroll.target_x < 0;
    }, 4000));
    map_set_view(m, 200, 200);
    combat_scroll_view_to(-500, 1 << 20, 5);
    EXPECT_EQ(screen()->scroll.target_x, 0);
    EXPECT_EQ(screen()->scroll.target_y, m->world_h - m->screen_h - 1);
    EXPECT_EQ(screen()->scroll.speed, 10) << "at least 10";

    // A target on the view's origin ends any scroll.
    combat_scroll_view_to(m->view_x, m->view_y, 25);
    EXPECT_EQ(screen()->scroll.target_x, -1);
    EXPECT_EQ(screen()->scroll.target_y, -1);

    // Frame by frame the view reaches the target and the scroll ends there.
    map_set_view(m, 0, 0);
    const int tx = 300, ty = 90;
    combat_scroll_view_to(tx, ty, 25);
    ASSERT_TRUE(run_until([&] { return screen()->scroll.target_x < 0; }, 600));
    ASSERT_LT(tx, m->world_w - m->screen_w) << "a target inside the world";
    EXPECT_EQ(m->view_x, tx);
    EXPECT_EQ(m->view_y, ty);
    EXPECT_GE(m->view_x, 0);
    EXPECT_LE(m->view_x + m->screen_w, m->world_w);

    // A scroll to a target keeps one pace whatever speed it is asked with: a step of 30 over a
    // 30 ms frame moves the view 150 pixels, not 30 x 30 / speed.
    for (int speed : {25, 40}) {
        SCOPED_TRACE(speed);
        map_set_view(m, 0, 0);
        combat_scroll_view_to(300, 0, speed);
        ASSERT_EQ(step_x(), 30);
        frames(1, 30);
        EXPECT_EQ(m->view_x, 150);
        EXPECT_EQ(m->view_y, 0);
    }
    combat_scroll_view_to(m->view_x, m->view_y, 25);

    // A finished battle does not scroll.
    enc->flags |= ENCOUNTER_FLAG_FINISHED;
    combat_scroll_view_to(0, 0, 25);
    EXPECT_EQ(screen()->scroll.target_x, -1);
    enc->flags &= ~ENCOUNTER_FLAG_FINISHED;
}

class UnitCycle : public PanelsBattle {
protected:
    UnitCycle() { ui_side = true; }
    // The UI player's objects in their first predicted turns.
    std::vector<uint64_t> own_order() {
        std::vector<uint64_t> out;
        List<TurnOrderEntry> *order = map_predict_turn_order(map(), 2 * map_object_count(map()));
        for (TurnOrderEntry *e : order->items)
            if (e->owner_id == game->ui_player_id && std::find(out.begin(), out.end(), e->object_id) == out.end())
                out.push_back(e->object_id);
        list_free(order);
        return out;
    }
};

TEST_F(UnitCycle, TabWalksTheOwnUnitsInTurnOrderAndWraps) {
    give_ui_ships(3);
    start_battle(3);
    // Tab is read while the player's ship waits for orders.
    ASSERT_TRUE(run_until([&] {
        return screen()->acting && screen()->acting->owner_id == game->ui_player_id && !(map()->flags & MAP_BUSY) &&
               !has(COMBAT_FLAG_AUTO_ACT | COMBAT_FLAG_ANIMATING);
    }, 4000));
    const std::vector<uint64_t> order = own_order();
    ASSERT_GE(order.size(), 2u);

    // The key: with nothing selected, Tab selects the first own unit in turn order (in the frame of
    // the press; the selection lasts while an object panel of it is shown).
    combat_select_object(nullptr);
    ui_test::key_down(KEY_TAB);
    frame();
    ui_test::key_up(KEY_TAB);
    ASSERT_NE(screen()->selected, nullptr);
    EXPECT_EQ(screen()->selected->id, order[0]);
    frame();

    // With another player's unit selected, the cycle starts at the first own unit too; then each
    // call the next own unit, and round to the first.
    for (GameObject *obj : map()->objects.items)
        if (obj && obj->owner_id != game->ui_player_id) {
            combat_select_object(obj);
            break;
        }
    combat_cycle_units();
    ASSERT_NE(screen()->selected, nullptr);
    EXPECT_EQ(screen()->selected->id, order[0]);
    for (size_t i = 1; i <= order.size(); ++i) {
        combat_cycle_units();
        ASSERT_NE(screen()->selected, nullptr) << i;
        EXPECT_EQ(screen()->selected->id, order[i % order.size()]) << "step " << i;
    }
    EXPECT_TRUE(view_heads_for(screen()->selected));
    ASSERT_NE(screen()->unit_cycle, nullptr);
    EXPECT_EQ(list_count(screen()->unit_cycle), int(order.size())) << "each own unit once";
    EXPECT_EQ(screen()->unit_cycle_stamp, map()->change_count);
}

TEST_F(UnitCycle, TheCycleIsRebuiltWhenTheMapHasPickedAnotherActor) {
    give_ui_ships(2);
    start_battle(3);
    combat_select_object(nullptr);
    combat_cycle_units();
    ASSERT_NE(screen()->unit_cycle, nullptr);
    const int stamp = screen()->unit_cycle_stamp;
    ASSERT_GT(list_count(screen()->unit_cycle), 0);
    // A stale cycle: an entry the map no longer holds, which a rebuild must drop.
    screen()->unit_cycle->items[0]->object_id = 0xDEADull;
    map_next_actor(map());
    ASSERT_NE(map()->change_count, stamp);
    combat_cycle_units();
    EXPECT_EQ(screen()->unit_cycle_stamp, map()->change_count);
    for (TurnOrderEntry *e : screen()->unit_cycle->items) {
        EXPECT_NE(e->object_id, 0xDEADull);
        EXPECT_EQ(e->owner_id, game->ui_player_id);
    }
}

}  // namespace
