// The combat screen's turn flow on a real battle: who waits for what and for how long, the AI
// worker (on its thread, inline when none can be made, and failing), the end test's cadence and
// the summary that waits for the map to come to rest.
#include "combat_test_support.h"

#include <atomic>

#include "game/encounter.h"
#include "world/object_methods.h"
#include "world/shot.h"

namespace {

using combat_test::CombatGame;
using combat_test::has;
using combat_test::screen;

class CombatTurnFlow : public CombatGame {};

TEST_F(CombatTurnFlow, AComputerShipWaitsItsPauseScaledByTheCombatSpeedThenActs) {
    game->combat_speed = 50;
    start_battle();
    ASSERT_TRUE(run_until_acting());
    GameObject *actor = screen()->acting;
    ASSERT_EQ(actor->kind, OBJECT_SHIP);
    EXPECT_NE(actor->owner_id, game->ui_player_id);
    EXPECT_TRUE(has(COMBAT_FLAG_AUTO_ACT | COMBAT_FLAG_PACING | COMBAT_FLAG_AI_STARTED));
    EXPECT_EQ(screen()->pacing_ms, 800 - 20) << "1600 ms at half speed, the hand-over's frame counted";
    EXPECT_EQ(screen()->selected, actor) << "the computer's ship is shown while it waits";
    EXPECT_TRUE(actor->flags & OBJ_PULSING);

    // Nothing happens before the pause has run out, whatever the planner does meanwhile.
    const int32_t turns = actor->turns_taken;
    frames(34);   // 700 ms of the 800
    EXPECT_EQ(screen()->acting, actor);
    EXPECT_FALSE(map()->flags & MAP_BUSY) << "acted before its pause ran out";
    EXPECT_EQ(actor->turns_taken, turns);
    ASSERT_TRUE(run_until([&] { return (map()->flags & MAP_BUSY) || screen()->acting != actor; }, 200));
    EXPECT_FALSE(has(COMBAT_FLAG_PACING));
    EXPECT_EQ(screen()->ai_thread, nullptr) << "the worker is joined before the actor acts";
}

TEST_F(CombatTurnFlow, AtDoubleSpeedShipsWaitTwiceAsLongAndAnEscapingShipIsNeverPlannedFor) {
    game->combat_speed = 200;
    start_battle();
    ASSERT_TRUE(run_until_acting());
    EXPECT_EQ(screen()->pacing_ms, 3200 - 20);
    GameObject *first = screen()->acting;
    // The test changes ships the planner reads: only once the plan is made.
    wait_for_the_planner();
    ASSERT_TRUE(run_until([] { return has(COMBAT_FLAG_AI_DONE); }, 2000));

    // Every other ship's retreat completes at its next turn: the next ship up escapes.
    for (GameObject *obj : map()->objects.items) {
        if (!obj) break;
        if (obj->kind != OBJECT_SHIP || obj == first) continue;
        Ship *ship = static_cast<Ship *>(obj);
        ship->ship_flags |= SHIP_FLAG_RETREATING;
        ship->retreat_countdown = 0;
    }
    ASSERT_TRUE(run_until([&] {
        return screen()->acting && screen()->acting != first && screen()->acting->kind == OBJECT_SHIP;
    }, 2000));
    GameObject *escaping = screen()->acting;
    object_add_ref(escaping);
    EXPECT_TRUE(static_cast<Ship *>(escaping)->ship_flags & SHIP_FLAG_RETREATED);
    EXPECT_EQ(screen()->pacing_ms, 1200 - 20) << "600 ms at double speed";
    EXPECT_EQ(screen()->selected, nullptr) << "an escaping ship is not shown";
    ASSERT_TRUE(run_until([&] { return screen()->acting != escaping; }, 200));
    EXPECT_TRUE(escaping->flags & OBJ_LEFT_MAP);
    EXPECT_FALSE(escaping->flags & OBJ_PULSING);
    object_release(escaping);
}

TEST_F(CombatTurnFlow, TheUiPlayersShipWaitsForOrdersWithoutPauseOrWorker) {
    ui_side = true;
    start_battle();
    // Computer ships act until the UI player's first ship comes up.
    ASSERT_TRUE(run_until([&] { return screen()->acting && screen()->acting->owner_id == game->ui_player_id; }, 4000));
    GameObject *mine = screen()->acting;
    EXPECT_FALSE(has(COMBAT_FLAG_AUTO_ACT));
    EXPECT_FALSE(has(COMBAT_FLAG_PACING));
    EXPECT_FALSE(has(COMBAT_FLAG_AI_STARTED));
    EXPECT_EQ(screen()->ai_thread, nullptr);
    EXPECT_EQ(screen()->selected, mine);
    // It keeps waiting: no order, no end of its turn.
    frames(150);
    EXPECT_EQ(screen()->acting, mine);
    EXPECT_FALSE(mine->flags & OBJ_TURN_DONE);
    EXPECT_FALSE(map()->flags & MAP_BUSY);
}

TEST_F(CombatTurnFlow, WithoutAWorkerThreadThePlanIsMadeInlineAndTheActorStillWaits) {
    combat_set_thread_creator(combat_test::no_thread);
    start_battle();
    ASSERT_TRUE(run_until_acting());
    GameObject *actor = screen()->acting;
    EXPECT_EQ(screen()->ai_thread, nullptr);
    EXPECT_TRUE(has(COMBAT_FLAG_AI_DONE)) << "the plan was made in the hand-over's frame";
    EXPECT_FALSE(has(COMBAT_FLAG_AI_THINKING));
    EXPECT_FALSE(has(COMBAT_FLAG_AI_FAILED));
    EXPECT_EQ(screen()->pacing_ms, 1600 - 20);
    frames(70);   // 1400 ms
    EXPECT_EQ(screen()->acting, actor);
    EXPECT_FALSE(map()->flags & MAP_BUSY);
    ASSERT_TRUE(run_until([&] { return (map()->flags & MAP_BUSY) || screen()->acting != actor; }, 100));
}

// A ship whose plan fails: the swap of the ship kind's plan slot lasts the test.
Result failing_plan(GameObject *) { return RES_NO_MEMORY; }

class FailingPlans {
public:
    FailingPlans() : row_(const_cast<ObjectMethods *>(object_methods(OBJECT_SHIP))), kept_(row_->plan) { row_->plan = failing_plan; }
    ~FailingPlans() { row_->plan = kept_; }

private:
    ObjectMethods *row_;
    ObjectActFn *kept_;
};

TEST_F(CombatTurnFlow, AFailedPlanEndsTheActorsTurnWhenThePauseRunsOut) {
    FailingPlans failing;
    start_battle();
    ASSERT_TRUE(run_until_acting());
    GameObject *actor = screen()->acting;
    object_add_ref(actor);
    wait_for_the_planner();
    ASSERT_TRUE(run_until([] { return has(COMBAT_FLAG_AI_DONE); }, 200));
    EXPECT_TRUE(has(COMBAT_FLAG_AI_FAILED));
    const int32_t turns = actor->turns_taken;
    ASSERT_TRUE(run_until([&] { return screen()->acting != actor; }, 200));
    EXPECT_EQ(actor->turns_taken, turns + 1) << "its turn was ended";
    EXPECT_FALSE(actor->flags & OBJ_PULSING);
    EXPECT_FALSE(map()->flags & MAP_BUSY) << "nothing was carried out";
    object_release(actor);
}

// A plan that takes its time: it reads the actor's flags, as a search does, until the test has run
// the frames it asked for, then plans as the ship kind does. Under ThreadSanitizer any write the
// frame makes to the actor meanwhile is reported.
std::atomic<int> g_frames_run{0};
std::atomic<int> g_frames_wanted{0};
std::atomic<bool> g_plan_saw_change{false};
ObjectActFn *g_real_plan = nullptr;

Result watching_plan(GameObject *actor) {
    const Ship *ship = static_cast<const Ship *>(actor);
    const uint32_t flags = actor->flags, ship_flags = ship->ship_flags;
    for (int waited = 0; g_frames_run.load() < g_frames_wanted.load() && waited < 5000; ++waited) {
        if (actor->flags != flags || ship->ship_flags != ship_flags) g_plan_saw_change = true;
        SDL_Delay(1);
    }
    return g_real_plan(actor);
}

class WatchingPlans {
public:
    explicit WatchingPlans(int frames)
        : row_(const_cast<ObjectMethods *>(object_methods(OBJECT_SHIP))), kept_(row_->plan) {
        g_real_plan = kept_;
        g_frames_run = 0;
        g_frames_wanted = frames;
        g_plan_saw_change = false;
        row_->plan = watching_plan;
    }
    ~WatchingPlans() { row_->plan = kept_; }

private:
    ObjectMethods *row_;
    ObjectActFn *kept_;
};

TEST_F(CombatTurnFlow, WhileThePlanIsMadeTheFrameWritesNeitherThePulseNorTheSelectionOfTheActor) {
    WatchingPlans watching(30);
    start_battle();
    ASSERT_TRUE(run_until_acting());
    GameObject *actor = screen()->acting;
    ASSERT_EQ(actor->kind, OBJECT_SHIP);
    ASSERT_TRUE(has(COMBAT_FLAG_AI_STARTED));
    ASSERT_FALSE(has(COMBAT_FLAG_AI_DONE)) << "the plan waits for the frames";
    ASSERT_EQ(screen()->selected, actor);
    object_add_ref(actor);

    // The player closes the ship's panel while the computer thinks: the selection it held goes
    // once the plan is made, not in the middle of it.
    combat_close_object_panels();
    for (int i = 0; i < 30; ++i) {
        frame();
        g_frames_run.fetch_add(1);
    }
    wait_for_the_planner();
    ASSERT_TRUE(run_until([] { return has(COMBAT_FLAG_AI_DONE); }, 200));
    EXPECT_FALSE(g_plan_saw_change) << "the frame changed the ship being planned for";
    frame();
    EXPECT_EQ(screen()->selected, nullptr) << "the closed panel's selection is dropped after the plan";
    ASSERT_TRUE(run_until([&] { return (map()->flags & MAP_BUSY) || screen()->acting != actor; }, 200));
    object_release(actor);
}

TEST_F(CombatTurnFlow, TheEndTestRunsEvery800MsAndTheSummaryWaitsForTheMapToRest) {
    combat_set_thread_creator(combat_test::no_thread);   // no plan overlaps a frame
    start_battle();
    frame();   // the first test runs in the first frame
    ASSERT_FALSE(encounter_is_finished(enc));
    // One side leaves the field at once: only the next test can see it.
    map_set_busy(map());   // an order still animates
    for (GameObject *obj : fighting(side_b->id)) obj->flags |= OBJ_LEFT_MAP;
    int waited = 0;
    while (!encounter_is_finished(enc) && waited < 60) {
        frame();
        ++waited;
    }
    EXPECT_EQ(waited, 40) << "the finished battle is seen at the next test, 800 ms later";
    frames(10);
    EXPECT_FALSE(has(COMBAT_FLAG_SUMMARY)) << "the map is still busy";
    map_clear_busy(map(), 0);
    ASSERT_TRUE(run_until([] { return has(COMBAT_FLAG_SUMMARY); }, 100));
    EXPECT_EQ(screen()->summary.phase, SUMMARY_BAND_OPENS);
}

TEST_F(CombatTurnFlow, ABattleBetweenComputerPlayersIsWatchedToItsSummary) {
    start_battle(2);
    ASSERT_TRUE(run_until([] { return has(COMBAT_FLAG_SUMMARY); }, 20000)) << "seed " << SEED;
    EXPECT_TRUE(encounter_is_finished(enc));
    EXPECT_EQ(screen()->ai_thread, nullptr);
}

// A starbase's defence missile taking its first turn is announced by its warning, and the battle
// waits 3,400 ms over it whatever the combat speed.
TEST_F(CombatTurnFlow, ADefenceMissilesWarningHoldsTheBattleFor3400MsAtAnySpeed) {
    ui_side = true;
    start_battle();
    ASSERT_TRUE(run_until([&] {
        wait_for_the_planner();
        return screen()->acting && screen()->acting->owner_id == game->ui_player_id && !has(COMBAT_FLAG_ANIMATING);
    }, 4000));
    GameObject *mine = screen()->acting;
    object_add_ref(mine);
    for (int speed : {50, 200}) {
        game->combat_speed = speed;
        Shot *missile = shot_create(SHOT_TEMPLATE_MISSILE);
        ASSERT_NE(missile, nullptr);
        object_add_ref(missile);
        object_set_owner_id(missile, side_b->id);
        shot_set_target(missile, mine);
        shot_arm_defense(missile, "missile", "missiles", 10);
        // The map hands its turn to the missile.
        ObjectMap *m = map();
        GameObject *before = m->current;
        if (before) before->flags &= ~OBJ_ACTOR;
        missile->flags |= OBJ_ACTOR;
        m->current = missile;
        combat_set_acting(nullptr);
        frame();
        wait_for_the_planner();   // the missile's plan is made before the test touches the map again
        EXPECT_EQ(screen()->acting, missile);
        EXPECT_NE(game_find_control(game, COMBAT_ID_MISSILE_WARNING), nullptr) << "speed " << speed;
        EXPECT_TRUE(has(COMBAT_FLAG_PACING));
        EXPECT_EQ(screen()->pacing_ms, 3400 - 20) << "speed " << speed << ": the hand-over's frame counted";

        // Back to the ship's turn.
        missile->flags &= ~OBJ_ACTOR;
        m->current = before;
        if (before) before->flags |= OBJ_ACTOR;
        combat_close_object_panels();
        combat_set_acting(mine);
        shot_set_target(missile, nullptr);
        object_release(missile);
    }
    object_release(mine);
}

}  // namespace
