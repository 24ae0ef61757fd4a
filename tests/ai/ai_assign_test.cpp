// The ship and defence assignment searches on a real galaxy: how long they search, that last
// turn's assignment stands unless something better is found, and that locked ships end with none.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "ai/agent_task.h"
#include "ai/ai_assign.h"
#include "game/officer.h"
#include "game/player.h"
#include "ai_task_fixture.h"
#include "platform/random.h"
#include "systems/plan_check.h"

namespace {

using aitest::ME;
using aitest::RIVAL;
using aitest::TaskWorld;

TEST(AssignSearch, PassesAndTrialsGrowWithTheShipsUpToTheirCaps) {
    struct Case {
        int32_t ships, passes, trials;
    } cases[] = {{0, 600, 60},    {1, 648, 70},     {10, 1080, 160}, {45, 2760, 510},
                 {46, 2808, 512}, {72, 4056, 512},  {73, 4096, 512}, {1000, 4096, 512}};
    for (const Case &c : cases) {
        EXPECT_EQ(ai_assign_pass_count(c.ships), c.passes) << c.ships << " ships";
        EXPECT_EQ(ai_defence_trial_count(c.ships), c.trials) << c.ships << " defenders";
    }
}

class ShipSearch : public TaskWorld {
protected:
    Sector *home = nullptr;
    void SetUp() override {
        TaskWorld::SetUp();
        random_seed(4321);
        home = sector_centred(ME, 400, 400);
        own(home);
    }
    Ship *scout() {
        Ship *s = ship_in(home, me);
        fit_engine(s);
        return s;
    }
    AgentTask *explore(int32_t cx) { return task(TASK_EXPLORE_SECTOR, sector_centred(0, cx, 500)->id); }
    void select(AgentTask *t) { list_append(ai->selected, t); }
    static uint64_t galaxy_task(GameObject *ship) { return ai_ship_word(ship, AI_SHIP_GALAXY_TASK); }
};

TEST_F(ShipSearch, LastTurnsTaskStandsWhenNothingBetterIsOffered) {
    AgentTask *before = explore(600);
    Ship *s = scout();
    ai_ship_set_word(s, AI_SHIP_GALAXY_TASK, before->id);
    AgentTask *useless = task(TASK_COLONIZE_SECTOR, sector_centred(0, 700, 700)->id);   // no constructor
    select(useless);
    ai_assign_ships(ai, me);
    EXPECT_EQ(galaxy_task(s), before->id);
    ASSERT_EQ(agent_task_assignee_count(before), 1);
    EXPECT_EQ(agent_task_assignee_count(useless), 0);
}

TEST_F(ShipSearch, ABetterAssignmentReplacesAnIdleStart) {
    AgentTask *a = explore(600), *b = explore(300);
    select(a);
    select(b);
    Ship *s1 = scout(), *s2 = scout();
    ai_assign_ships(ai, me);
    EXPECT_NE(galaxy_task(s1), 0u);
    EXPECT_NE(galaxy_task(s2), 0u);
    EXPECT_NE(galaxy_task(s1), galaxy_task(s2)) << "each explore task needs one ship";
    EXPECT_EQ(agent_task_assignee_count(a), 1);
    EXPECT_EQ(agent_task_assignee_count(b), 1);
    EXPECT_GT(a->priority, 0);
    EXPECT_GT(b->priority, 0);
    // Searching again from there finds nothing better and changes nothing.
    const uint64_t first = galaxy_task(s1);
    ai_assign_ships(ai, me);
    EXPECT_EQ(galaxy_task(s1), first);
}

// Evaluate, search and act together: two scouts end up bound for two different unknown sectors.
TEST_F(ShipSearch, TwoScoutsAreSentToTwoDifferentUnknownSectors) {
    AgentTask *a = explore(600), *b = explore(200);
    Ship *s1 = scout(), *s2 = scout();
    for (AgentTask *t : {a, b}) {
        agent_task_evaluate(t, ai, me, 0);
        select(t);
    }
    ai_assign_ships(ai, me);
    for (AgentTask *t : {a, b}) agent_task_act(t, ai, me);
    const uint64_t m1 = ai_ship_word(s1, AI_SHIP_MOVE_TARGET), m2 = ai_ship_word(s2, AI_SHIP_MOVE_TARGET);
    EXPECT_TRUE(m1 == a->target_id || m1 == b->target_id);
    EXPECT_TRUE(m2 == a->target_id || m2 == b->target_id);
    EXPECT_NE(m1, m2);
}

TEST_F(ShipSearch, ShipsOfAFleetBackFromBattleAreLockedAndEndWithNoTask) {
    AgentTask *a = explore(600);
    select(a);
    Fleet *back = fleet_at(me, 100, 100);
    fleet_mark_retreated(back);
    Ship *tired = ship_in(back, me);
    fit_engine(tired);
    ai_ship_set_word(tired, AI_SHIP_GALAXY_TASK, a->id);
    ai_assign_ships(ai, me);
    EXPECT_TRUE(tired->ship_flags & SHIP_FLAG_AI_LOCKED);
    EXPECT_EQ(galaxy_task(tired), 0u);
    EXPECT_EQ(agent_task_assignee_count(a), 0);
    // Another turn, out of that fleet: free again and given the task.
    ship_set_fleet(tired, nullptr);
    ship_set_sector(tired, home);
    ai_assign_ships(ai, me);
    EXPECT_FALSE(tired->ship_flags & SHIP_FLAG_AI_LOCKED);
    EXPECT_EQ(galaxy_task(tired), a->id);
}

TEST_F(ShipSearch, DefendersSpreadOverTheDefenceTasksAndLockedOnesStay) {
    Sector *second = sector_centred(ME, 800, 400);
    own(second);
    add_site(home, 0, ME);   // starbases make both sectors worth defending
    add_site(second, 0, ME);
    AgentTask *bases = task(TASK_DEFEND_BASES, 0);
    AgentTask *d1 = task(TASK_DEFEND_SECTOR, home->id), *d2 = task(TASK_DEFEND_SECTOR, second->id);
    list_append(ai->defence, d1);
    list_append(ai->defence, d2);
    d1->flags |= TASK_DEFENCE_ACTED;
    Ship *g1 = ship_in(home, me), *g2 = ship_in(home, me);
    for (Ship *g : {g1, g2}) {
        g->online_load_a = 10;
        agent_task_add_assignee(bases, g);
    }
    Fleet *back = fleet_at(me, 100, 100);
    Ship *locked = ship_in(back, me);
    locked->online_load_a = 10;
    locked->ship_flags |= SHIP_FLAG_AI_LOCKED;
    ai_ship_set_word(locked, AI_SHIP_DEFENCE_TASK, d2->id);
    agent_task_add_assignee(bases, locked);
    ai_assign_defence(ai, me);
    EXPECT_FALSE(d1->flags & TASK_DEFENCE_ACTED) << "the defence search clears the mark";
    EXPECT_EQ(ai_ship_word(locked, AI_SHIP_DEFENCE_TASK), d2->id);
    for (Ship *g : {g1, g2}) {
        const uint64_t id = ai_ship_word(g, AI_SHIP_DEFENCE_TASK);
        EXPECT_TRUE(id == d1->id || id == d2->id) << "every free defender is placed";
    }
    EXPECT_EQ(agent_task_assignee_count(d1) + agent_task_assignee_count(d2), 3);
}

// A selected strike whose group already brings what it needs keeps every ship of it through the
// search, even where one ship would do and another task wants one: the group that gathered is the
// group that strikes.
TEST_F(ShipSearch, AReadyStrikeGroupIsNotDrawnApartBySearchAfterSearch) {
    Sector *target = sector_centred(aitest::RIVAL, 900, 400);
    add_site(target, 0, aitest::RIVAL);
    player_learn_object(me, target, 1);
    AgentTask *strike = task(TASK_ATTACK_SECTOR, target->id);
    Ship *a = scout(), *b = scout();
    for (Ship *s : {a, b}) {
        s->online_load_a = 5000;   // either alone is enough
        ai_ship_set_word(s, AI_SHIP_GALAXY_TASK, strike->id);
    }
    AgentTask *far = explore(600), *near = explore(200);
    for (AgentTask *t : {strike, far, near}) {
        agent_task_evaluate(t, ai, me, 0);
        t->flags |= TASK_PICKED;
        select(t);
    }
    for (int32_t turn = 0; turn < 5; ++turn) {
        ai_assign_ships(ai, me);
        EXPECT_EQ(galaxy_task(a), strike->id) << "turn " << turn;
        EXPECT_EQ(galaxy_task(b), strike->id) << "turn " << turn;
        EXPECT_EQ(agent_task_assignee_count(strike), 2);
    }
}

// Only a piloted ship carries crew: while a colony starbase waits for crew that no ship brings, a
// ready strike's piloted ship is drawn to the delivery, and the delivery keeps it turn after turn.
TEST_F(ShipSearch, AWaitingColonyDrawsAPilotedShipFromAReadyStrikeAndKeepsIt) {
    Sector *target = sector_centred(aitest::RIVAL, 900, 400);
    add_site(target, 0, aitest::RIVAL);
    player_learn_object(me, target, 1);
    AgentTask *strike = task(TASK_ATTACK_SECTOR, target->id);
    AgentTask *crew = task(TASK_TRANSFER_CREW, own_base(600, 300, 0)->id);
    Ship *piloted = scout(), *other = scout();
    piloted->pilot_id = 77;
    for (Ship *s : {piloted, other}) {
        s->online_load_a = 5000;   // either alone is enough
        ai_ship_set_word(s, AI_SHIP_GALAXY_TASK, strike->id);
    }
    for (AgentTask *t : {strike, crew}) {
        agent_task_evaluate(t, ai, me, 0);
        t->flags |= TASK_PICKED;
        select(t);
    }
    for (int32_t turn = 0; turn < 5; ++turn) {
        ai_assign_ships(ai, me);
        EXPECT_EQ(galaxy_task(piloted), crew->id) << "turn " << turn;
        EXPECT_EQ(galaxy_task(other), strike->id) << "turn " << turn;
    }
}

// A pilotless ship on its way to an officer keeps to him though a better officer waits nearer:
// every pick-up weighs the same whichever ship goes, and a daily change of officer turned trips of
// weeks into trips that never ended. Once an enemy stands at his starbase it is free again.
TEST_F(ShipSearch, AShipOnItsWayToAPilotKeepsToHimUntilHisStarbaseIsNoLongerSafe) {
    Sector *far_base = own_base(700, 100), *near_base = own_base(150, 650);
    Officer *first = officer_create(), *better = officer_create();
    first->sector_id = far_base->id;
    better->sector_id = near_base->id;
    better->skills[SKILL_COMMAND] = 60;
    for (Officer *o : {first, better}) player_add_officer(me, o);
    Ship *s = ship_in(fleet_at(me, 300, 500), me);
    fit_engine(s);
    s->ship_flags |= SHIP_FLAG_ARMED;
    AgentTask *to_first = task(TASK_ASSIGN_SHIP_PILOT, first->id), *to_better = task(TASK_ASSIGN_SHIP_PILOT, better->id);
    ai_ship_set_word(s, AI_SHIP_GALAXY_TASK, to_first->id);
    for (AgentTask *t : {to_first, to_better}) {
        agent_task_evaluate(t, ai, me, 0);
        t->flags |= TASK_PICKED;
        select(t);
    }
    for (int32_t turn = 0; turn < 5; ++turn) {
        ai_assign_ships(ai, me);
        EXPECT_EQ(galaxy_task(s), to_first->id) << "turn " << turn;
    }
    ship_in(far_base, rival);
    ai_assign_ships(ai, me);
    EXPECT_EQ(galaxy_task(s), to_better->id) << "an enemy at his starbase ends the trip";
}

// More selected tasks and ships than one word of the open set holds: every pass gives each ship a
// task still open, so each explore task ends with exactly one ship.
TEST_F(ShipSearch, ManyScoutsShareManyExploreTasksOneEach) {
    constexpr int32_t N = 66;
    std::vector<AgentTask *> tasks;
    std::vector<Ship *> scouts;
    for (int32_t i = 0; i < N; ++i) {
        tasks.push_back(explore(600 + 40 * i));
        select(tasks.back());
        scouts.push_back(scout());
    }
    ai_assign_ships(ai, me);
    std::set<uint64_t> given;
    for (Ship *s : scouts) given.insert(galaxy_task(s));
    EXPECT_EQ(given.size(), size_t(N));
    EXPECT_EQ(given.count(0), 0u);
    for (AgentTask *t : tasks) EXPECT_EQ(agent_task_assignee_count(t), 1);
}

// With the kept answers checked, each answer the two searches take from their memo (the danger of
// a way and the threat at its points, a target's figures, a ship's systems, share of a strike and
// scrap share, the defences still short, the tasks linked, what the evaluations folded) is worked
// out afresh as well: a difference aborts the run.
TEST_F(ShipSearch, EveryAnswerTheSearchesKeepIsTheOneWorkedOutAfresh) {
    ai->threats->entries = {{0, 520, 450, 900}, {1, 560, 470, 40}, {2, 300, 700, 5000}, {3, 480, 420, 7}};
    for (int32_t i = 0; i < 12; ++i) {
        Ship *s = ship_in(fleet_at(me, 100 + 40 * i, 200 + 25 * (i % 4)), me);
        fit_engine(s);
        s->online_load_a = 40;   // powered: of use to the strikes
    }
    const int32_t strikes[][2] = {{600, 450}, {700, 400}, {700, 500}};   // two ways to one column
    for (const auto &at : strikes) select(task(TASK_ATTACK_SECTOR, sector_centred(RIVAL, at[0], at[1])->id));
    select(task(TASK_SCRAP_SHIPS, 0));
    Fleet *raiders = fleet_at(rival, 650, 520);
    ship_in(raiders, rival)->max_armour = 300;
    player_learn_object(me, raiders, 0);
    select(task(TASK_ATTACK_FLEET, raiders->id));
    AgentTask *bases = task(TASK_DEFEND_BASES, 0);
    select(bases);
    for (int32_t cx : {300, 500}) {
        AgentTask *defence = task(TASK_DEFEND_SECTOR, sector_centred(ME, cx, 650)->id);
        defence->flags |= TASK_DEFENCE;
        list_append(ai->defence, defence);
    }
    const bool was = plan_check_set(true);
    const uint64_t checked = plan_check_count();
    ai_assign_ships(ai, me);
    ai_assign_defence(ai, me);
    plan_check_set(was);
    EXPECT_GT(plan_check_count() - checked, 1000u);
    int32_t strikers = 0;
    for (int32_t i = 0; i < 3; ++i) strikers += agent_task_assignee_count(ai->selected->items[size_t(i)]);
    EXPECT_GT(strikers, 0) << "the ways of the strikes were weighed";
}

// The searches list ships thousands of times without taking references; what they leave behind
// holds each ship exactly once per list it ends in, as any join outside a search does. A search run
// twice over the same ships, and one whose best assignment is dropped for last turn's, do the same.
TEST_F(ShipSearch, TheSearchesLeaveEachShipReferencedOncePerTaskThatListsIt) {
    std::vector<Ship *> ships;
    for (int32_t i = 0; i < 10; ++i) {
        Ship *s = ship_in(fleet_at(me, 120 + 50 * i, 300 + 30 * (i % 3)), me);
        fit_engine(s);
        s->online_load_a = 40;
        ships.push_back(s);
    }
    for (int32_t cx : {600, 700}) select(task(TASK_ATTACK_SECTOR, sector_centred(RIVAL, cx, 450)->id));
    select(explore(650));
    AgentTask *bases = task(TASK_DEFEND_BASES, 0);
    select(bases);
    for (int32_t cx : {300, 500}) {
        Sector *mine = sector_centred(ME, cx, 650);
        own(mine);
        add_site(mine, 0, ME);
        AgentTask *defence = task(TASK_DEFEND_SECTOR, mine->id);
        defence->flags |= TASK_DEFENCE;
        list_append(ai->defence, defence);
    }
    // Last turn: half the ships on the first strike, which the searches will mostly undo.
    for (size_t i = 0; i < ships.size() / 2; ++i) assign(ai->selected->items[0], ships[i]);
    const auto listings = [&](const Ship *s) {
        int32_t n = 0;
        HashMapIter<AgentTask> iter;
        hash_map_iter_init(&iter, ai->tasks);
        AgentTask *t = nullptr;
        while (hash_map_iter_next(&iter, nullptr, &t))
            if (t)
                for (GameObject *obj : t->assignees.items)
                    if (obj == s) ++n;
        return n;
    };
    std::vector<int32_t> held_elsewhere;
    for (Ship *s : ships) held_elsewhere.push_back(s->refcount - listings(s));
    int32_t guarded = 0;
    for (int32_t round = 0; round < 3; ++round) {
        if (round == 2) ai->reassign_penalty = 1'000'000;   // no pass beats last turn's: it stands
        ai_assign_ships(ai, me);
        if (agent_task_assignee_count(bases) == 0)   // guards for the defence search to place
            for (size_t i = 0; i < 3; ++i) agent_task_add_assignee(bases, ships[i]);
        guarded += agent_task_assignee_count(bases);
        ai_assign_defence(ai, me);
        ai_assign_defence(ai, me);   // over the defence tasks the first one filled
        for (size_t i = 0; i < ships.size(); ++i) {
            const int32_t lists = listings(ships[i]);
            EXPECT_EQ(ships[i]->refcount - lists, held_elsewhere[i]) << "round " << round << ", ship " << i;
            EXPECT_LE(lists, 2) << "a galaxy task and a defence task at most";
        }
    }
    EXPECT_GT(guarded, 0);
}

// The evaluations of a search fold in only the ships added since the last one: join by join, and
// again after the list is emptied and filled in another order with a ship that died, a task
// weighed with its fold has the figures of its twin weighed whole.
TEST_F(ShipSearch, AFoldedEvaluationHasTheFiguresOfTheWholeOne) {
    Sector *target = sector_centred(RIVAL, 700, 450);
    AgentTask *folded = task(TASK_ATTACK_SECTOR, target->id), *whole = task(TASK_ATTACK_SECTOR, target->id);
    std::vector<Ship *> group;
    for (int32_t i = 0; i < 5; ++i) {
        Ship *s = ship_in(fleet_at(me, 100 + 90 * i, 300 + 40 * i), me);
        fit_engine(s);
        s->online_load_a = 30 + 25 * i;
        if (i == 2) s->pilot_id = 9;
        group.push_back(s);
    }
    AgentTaskMemo memo;
    agent_task_memo_open(ai, &memo);
    AgentTaskFold fold;
    for (int32_t round = 0; round < 2; ++round) {
        for (AgentTask *t : {folded, whole}) agent_task_clear_assignees(t);
        fold = AgentTaskFold{};
        for (size_t k = 0; k < group.size(); ++k) {
            GameObject *ship = group[round == 0 ? k : group.size() - 1 - k];
            for (AgentTask *t : {folded, whole}) agent_task_add_assignee(t, ship);
            agent_task_evaluate_folded(folded, ai, me, 1, &fold);
            agent_task_evaluate(whole, ai, me, 1);
            EXPECT_TRUE(agent_task_figures(folded) == agent_task_figures(whole)) << "round " << round << ", join " << k;
            EXPECT_EQ(folded->priority_bonus, whole->priority_bonus) << "round " << round << ", join " << k;
        }
        EXPECT_EQ(fold.common, int32_t(group.size()));
        group[1]->flags |= OBJ_DEAD;   // the second round counts it out
    }
    agent_task_memo_close(ai);
    EXPECT_GT(folded->assignee_value, 0);
}

// A join asks the types that can say them alone only for the assigned and needed figures, and the
// pass weighs their bound from the fold: join by join, and again after a restart in another order,
// the light task has its whole twin's figures, the bound said from the fold is the twin's (a strike
// on a sector that was enough before its last join cannot say it), and the evaluation owed gives
// the twin's. A dead ship counts in a fleet strike's whole value and not in its live one.
TEST_F(ShipSearch, AJoinsNeedAndTheBoundFromTheFoldAreThoseOfTheWholeEvaluation) {
    std::vector<Ship *> group;
    Fleet *together = fleet_at(me, 200, 350);   // a group in one place weighs more once it is enough
    for (int32_t i = 0; i < 4; ++i) {
        Ship *s = ship_in(together, me);
        fit_engine(s);
        s->online_load_a = 30 + 25 * i;
        if (i == 1) s->pilot_id = 9;
        group.push_back(s);
    }
    group[2]->flags |= OBJ_DEAD;
    Officer *pilot = officer_create();
    pilot->sector_id = home->id;
    player_add_officer(me, pilot);
    Sector *rival_base = sector_centred(RIVAL, 700, 450);
    player_learn_object(me, rival_base, 0);
    const uint64_t strike_target = rival_base->id;
    Fleet *raiders = fleet_at(rival, 650, 520);
    ship_in(raiders, rival)->max_armour = 300;
    player_learn_object(me, raiders, 0);
    struct Case {
        int32_t type;
        uint64_t target;
        int32_t margin;
    } cases[] = {{TASK_ATTACK_SECTOR, strike_target, 100}, {TASK_ATTACK_SECTOR, strike_target, 1},
                 {TASK_ATTACK_FLEET, raiders->id, 100}, {TASK_ATTACK_FLEET, raiders->id, 1},
                 {TASK_DEFEND_BASES, 0, 100}, {TASK_ASSIGN_SHIP_PILOT, pilot->id, 100},
                 {TASK_ASSIGN_STARBASE_PILOT, home->id, 100}};
    int32_t strikes_said = 0, strikes_refused = 0;
    for (const Case &c : cases) {
        ai->strike_margin_pct = c.margin;
        AgentTask *light = task(c.type, c.target), *whole = task(c.type, c.target);
        for (AgentTask *t : {light, whole}) agent_task_evaluate(t, ai, me, 0);
        AgentTaskMemo memo;
        agent_task_memo_open(ai, &memo);
        AgentTaskFold fold;
        for (int32_t round = 0; round < 2; ++round) {
            const std::string at = std::string(agent_task_type_name(c.type)) + ", margin " +
                                   std::to_string(c.margin) + ", round " + std::to_string(round);
            for (AgentTask *t : {light, whole}) agent_task_clear_assignees(t);
            fold.restart();
            bool enough_before = false;
            for (size_t k = 0; k < group.size(); ++k) {
                enough_before = whole->assigned >= whole->needed;
                GameObject *ship = group[round == 0 ? k : group.size() - 1 - k];
                for (AgentTask *t : {light, whole}) agent_task_add_assignee(t, ship);
                ASSERT_TRUE(agent_task_evaluate_need(light, ai, me, &fold)) << at;
                agent_task_evaluate(whole, ai, me, 0);
                EXPECT_EQ(light->assigned, whole->assigned) << at << ", join " << k;
                EXPECT_EQ(light->needed, whole->needed) << at << ", join " << k;
            }
            agent_task_weigh_priority_bound(whole, ai);
            const bool said = agent_task_owed_bound(light, ai, me, &fold);
            EXPECT_EQ(said, c.type != TASK_ATTACK_SECTOR || !enough_before) << at;
            if (c.type == TASK_ATTACK_SECTOR) (said ? strikes_said : strikes_refused) += 1;
            if (said) {
                EXPECT_EQ(fold.owed, !plan_check_on()) << at << ": the check makes the evaluation at once";
                EXPECT_EQ(light->priority_bonus, whole->priority_bonus) << at;
                EXPECT_EQ(light->priority, whole->priority) << at;
            }
            agent_task_evaluate_folded(light, ai, me, 0, &fold);
            EXPECT_FALSE(fold.owed) << at;
            agent_task_weigh_priority_bound(light, ai);
            EXPECT_TRUE(agent_task_figures(light) == agent_task_figures(whole)) << at;
            EXPECT_EQ(light->priority_bonus, whole->priority_bonus) << at;
        }
        agent_task_memo_close(ai);
        EXPECT_GT(whole->assigned, 0) << agent_task_type_name(c.type);
    }
    EXPECT_GT(strikes_said, 0) << "a strike short of what it needs";
    EXPECT_GT(strikes_refused, 0) << "a strike that was enough before its last join";
}

// The defence search folds as the ship search does, and both fold in the distance each ship adds
// to a task's priority as it joins: join by join, and again after a restart in the other order, a
// defended sector (threatened, and quiet) and a fleet strike ask only their assigned and needed
// figures, the bound said from the fold is the whole twin's, and so is the priority weighed from
// the folded distances. A dead ship counts in a defence's value and strength and in the distances.
// The defence search restarts the folds of the tasks it cleared trial after trial: under the check
// every figure it takes from one is worked out afresh as well (a difference aborts the run).
TEST_F(ShipSearch, ADefencesNeedAndTheDistancesFoldedAtEachJoinAreThoseOfTheWholeEvaluation) {
    Sector *threatened = sector_centred(ME, 300, 300), *quiet = sector_centred(ME, 700, 300);
    own(threatened);
    own(quiet);
    Ship *intruder = ship_in(threatened, rival);
    intruder->max_armour = intruder->armour = 400;
    player_learn_object(me, intruder, 0);
    Fleet *raiders = fleet_at(rival, 450, 420);
    ship_in(raiders, rival)->max_armour = 300;
    player_learn_object(me, raiders, 0);
    std::vector<Ship *> group;
    for (int32_t i = 0; i < 4; ++i) {
        Ship *s = ship_in(fleet_at(me, 250 + 60 * i, 330 + 35 * i), me);
        s->online_load_a = 30 + 25 * i;
        group.push_back(s);
    }
    group[2]->flags |= OBJ_DEAD;
    struct Case {
        int32_t type;
        uint64_t target;
        bool quiet;
    } cases[] = {{TASK_DEFEND_SECTOR, threatened->id, false}, {TASK_DEFEND_SECTOR, quiet->id, true},
                 {TASK_ATTACK_FLEET, raiders->id, false}};
    for (const Case &c : cases) {
        AgentTask *light = task(c.type, c.target), *whole = task(c.type, c.target);
        for (AgentTask *t : {light, whole}) agent_task_evaluate(t, ai, me, 0);
        AgentTaskMemo memo;
        agent_task_memo_open(ai, &memo);
        AgentTaskFold fold;
        int64_t distances = 0;
        for (int32_t round = 0; round < 2; ++round) {
            const std::string at = std::string(agent_task_type_name(c.type)) + (c.quiet ? ", quiet" : "") +
                                   ", round " + std::to_string(round);
            for (AgentTask *t : {light, whole}) agent_task_clear_assignees(t);
            fold.restart();
            for (size_t k = 0; k < group.size(); ++k) {
                GameObject *ship = group[round == 0 ? k : group.size() - 1 - k];
                for (AgentTask *t : {light, whole}) agent_task_add_assignee(t, ship);
                const int32_t d = agent_task_assignee_distance(light, ai, ship);
                fold.distances += d;
                ++fold.distant;
                if (round == 0) distances += d;
                ASSERT_TRUE(agent_task_evaluate_need(light, ai, me, &fold)) << at;
                agent_task_evaluate(whole, ai, me, 0);
                EXPECT_EQ(light->assigned, whole->assigned) << at << ", join " << k;
                EXPECT_EQ(light->needed, whole->needed) << at << ", join " << k;
            }
            agent_task_weigh_priority_bound(whole, ai);
            ASSERT_TRUE(agent_task_owed_bound(light, ai, me, &fold)) << at;
            EXPECT_EQ(light->priority_bonus, whole->priority_bonus) << at;
            EXPECT_EQ(light->priority, whole->priority) << at;
            agent_task_evaluate_folded(light, ai, me, 0, &fold);
            agent_task_weigh_priority(light, ai, &fold);
            agent_task_weigh_priority(whole, ai);
            EXPECT_TRUE(agent_task_figures(light) == agent_task_figures(whole)) << at;
            EXPECT_EQ(light->priority_bonus, whole->priority_bonus) << at;
        }
        agent_task_memo_close(ai);
        if (c.type == TASK_DEFEND_SECTOR) {
            EXPECT_EQ(whole->needed == int32_t(group.size()) + 1, c.quiet) << "a quiet sector needs one ship more";
            EXPECT_EQ(whole->priority_bonus > 0, !c.quiet) << "the defenders' strength counts where it is needed";
        } else {
            EXPECT_LT(distances / int64_t(group.size()), 600) << "the strike's group is near enough for a bonus";
        }
    }
    AgentTask *bases = task(TASK_DEFEND_BASES, 0);
    for (Ship *g : group) agent_task_add_assignee(bases, g);
    for (const Case &c : cases)
        if (!c.quiet) list_append(ai->defence, task(c.type, c.target));
    const bool was = plan_check_set(true);
    const uint64_t checked = plan_check_count();
    ai_assign_defence(ai, me);
    plan_check_set(was);
    EXPECT_GT(plan_check_count() - checked, 500u);
}

// With the kept answers checked the ship search works out afresh every need and bound it keeps for
// a task one ship alone joined (and checks it against the kept one): from the same start and the
// same draws it picks the assignment the search with its kept figures picks.
TEST_F(ShipSearch, TheNeedsAndBoundsKeptForLoneShipsPickWhatWorkingThemOutPicks) {
    std::vector<Ship *> ships;
    for (int32_t i = 0; i < 14; ++i) {
        Ship *s = ship_in(fleet_at(me, 100 + 45 * i, 200 + 30 * (i % 5)), me);
        fit_engine(s);
        s->online_load_a = 20 + 7 * i;
        if (i % 3 == 0) s->ship_flags |= SHIP_FLAG_ARMED;
        if (i % 4 == 1) s->pilot_id = 9;
        ships.push_back(s);
    }
    for (const auto &at : {std::pair{600, 450}, std::pair{700, 400}, std::pair{350, 650}})
        select(task(TASK_ATTACK_SECTOR, sector_centred(RIVAL, at.first, at.second)->id));
    for (int32_t i = 0; i < 3; ++i) {
        Officer *pilot = officer_create();
        pilot->sector_id = home->id;
        player_add_officer(me, pilot);
        select(task(TASK_ASSIGN_SHIP_PILOT, pilot->id));
    }
    Fleet *raiders = fleet_at(rival, 650, 520);
    ship_in(raiders, rival)->max_armour = 300;
    player_learn_object(me, raiders, 0);
    select(task(TASK_ATTACK_FLEET, raiders->id));
    select(task(TASK_SCRAP_SHIPS, 0));
    select(task(TASK_DEFEND_BASES, 0));
    for (int32_t cx : {200, 800}) select(explore(cx));
    std::vector<uint64_t> picked[2];
    for (const bool checked : {false, true}) {
        for (Ship *s : ships) ai_ship_set_word(s, AI_SHIP_GALAXY_TASK, 0);
        for (AgentTask *t : ai->selected->items)
            if (t) agent_task_clear_assignees(t);
        random_seed(2468);
        const bool was = plan_check_set(checked);
        ai_assign_ships(ai, me);
        plan_check_set(was);
        for (Ship *s : ships) picked[checked].push_back(galaxy_task(s));
    }
    EXPECT_EQ(picked[0], picked[1]);
    std::set<uint64_t> tasks(picked[0].begin(), picked[0].end());
    EXPECT_GT(tasks.size(), 3u) << "the ships were spread over several tasks";
}

// A strike's priority bound leaves out only the danger along the way: above the priority on a way
// past threats, equal to it on a clear one.
TEST_F(ShipSearch, APriorityBoundIsThePriorityWithoutTheDangerOfTheWay) {
    AgentTask *strike = task(TASK_ATTACK_SECTOR, sector_centred(RIVAL, 700, 450)->id);
    Ship *s = ship_in(fleet_at(me, 200, 450), me);
    s->online_load_a = 40;
    agent_task_add_assignee(strike, s);
    agent_task_evaluate(strike, ai, me, 0);
    ASSERT_GT(strike->assigned, 0);
    for (const bool threats : {true, false}) {
        ai->threats->entries.clear();
        if (threats) ai->threats->entries = {{0, 450, 450, 5000}, {1, 300, 460, 900}};
        agent_task_weigh_priority(strike, ai);
        const int32_t priority = strike->priority;
        agent_task_weigh_priority_bound(strike, ai);
        if (threats) EXPECT_GT(strike->priority, priority);
        else EXPECT_EQ(strike->priority, priority);
    }
}

// The positions an open memo hands the evaluations are each ship's own, also once its table is full.
TEST_F(ShipSearch, AnOpenMemoGivesEachShipItsOwnGalaxyPosition) {
    std::vector<Ship *> ships;
    for (int32_t i = 0; i < int32_t(AgentTaskMemo::SLOTS) + 40; ++i)
        ships.push_back(ship_in(fleet_at(me, 10 + 3 * i, 20 + 7 * (i % 50)), me));
    ships.push_back(ship_in(home, me));
    AgentTaskMemo memo;
    agent_task_memo_open(ai, &memo);
    for (int32_t round = 0; round < 2; ++round)
        for (Ship *s : ships) {
            int32_t x = -1, y = -1, fx = -2, fy = -2;
            agent_task_ship_position(ai, s, &x, &y);
            ship_get_galaxy_position(s, &fx, &fy);
            EXPECT_EQ(x, fx) << "round " << round;
            EXPECT_EQ(y, fy) << "round " << round;
        }
    agent_task_memo_close(ai);
}

}  // namespace
