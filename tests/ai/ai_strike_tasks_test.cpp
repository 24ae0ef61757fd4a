// Strike tasks on a real galaxy: what a colony site is worth by its resources, the guardian
// thresholds of "attack sector", the group location, the rally and stop behaviour, deployment,
// the strike orders, "attack fleet" readiness and worth, and "defend bases" acting once.
#include <gtest/gtest.h>

#include "ai/ai_sector_tasks.h"
#include "ai/ai_strike_tasks.h"
#include "ai_task_fixture.h"
#include "platform/buffer.h"
#include "game/tech.h"
#include "world/site_feature.h"

namespace {

using aitest::ME;
using aitest::RIVAL;
using aitest::TaskWorld;

class StrikeTasks : public TaskWorld {};

// ---- "colonize sector" ----

TEST_F(StrikeTasks, AColonySiteCountsByWhatItsResourcesStillHold) {
    ai->own_sector_count = 5;   // no scaling by the number of sectors held
    struct Case {
        int32_t subtype, left_pct, worth, unscanned;
    } cases[] = {
        {6, 25, 0, 340},   {6, 26, 170, 340},  {6, 60, 170, 340},  {6, 61, 340, 340},   {6, 100, 340, 340},
        {11, 25, 0, 500},  {11, 26, 250, 500}, {11, 61, 500, 500}, {12, 60, 200, 400},  {12, 61, 400, 400},
        {7, 100, 0, 0},
    };
    int32_t cx = 200;
    for (const Case &c : cases) {
        Sector *s = sector_centred(0, cx += 40, 500);
        Site *site = add_site(s, c.subtype, 0);
        ASSERT_NE(site, nullptr);
        player_learn_object(me, s, 1);
        Site *copy = site_cast(player_get_known_object(me, OBJECT_SITE, site->id));
        ASSERT_NE(copy, nullptr) << c.subtype;
        copy->snapshot_version = 1;
        AgentTask *t = task(TASK_COLONIZE_SECTOR, s->id);
        copy->resources_max = 0;
        const int32_t none = evaluate(t);
        copy->resources_max = 1000;
        copy->resources_left = c.left_pct * 10;
        EXPECT_EQ(evaluate(t) - none, c.worth) << "subtype " << c.subtype << " at " << c.left_pct << "%";
        copy->snapshot_version = 0;
        copy->resources_left = 0;
        EXPECT_EQ(evaluate(t) - none, c.unscanned) << "subtype " << c.subtype << " unscanned: its full worth";
    }
}

TEST_F(StrikeTasks, EscortsWithoutAConstructorCoverOnlyHalfTheNeed) {
    Sector *home = sector_centred(ME, 100, 100);
    own(home);
    Sector *s = sector_centred(0, 700, 700);
    player_learn_object(me, s, 1);
    AgentTask *t = task(TASK_COLONIZE_SECTOR, s->id);
    Ship *escort = ship_in(home, me);
    escort->online_load_a = 400;
    assign(t, escort);
    evaluate(t);
    ASSERT_EQ(t->needed, 10) << "nobody seen there";
    EXPECT_EQ(t->assigned, 5);
    EXPECT_EQ(agent_task_ship_utility(t, escort), 0);
    escort->ship_flags |= SHIP_FLAG_CONSTRUCTOR;
    evaluate(t);
    EXPECT_GE(t->assigned, 10);
    EXPECT_EQ(agent_task_ship_utility(t, escort), 1);
}

TEST_F(StrikeTasks, AColonyIsWorthMoreToAPlayerWithFewSectors) {
    Sector *s = sector_centred(0, 200, 200);
    player_learn_object(me, s, 1);
    AgentTask *t = task(TASK_COLONIZE_SECTOR, s->id);
    ai->own_sector_count = 4;
    const int32_t base = evaluate(t);
    ASSERT_GT(base, 100);
    struct Case {
        int32_t sectors, num, den;
    } cases[] = {{0, 11, 5}, {1, 11, 5}, {2, 5, 3}, {3, 4, 3}, {4, 1, 1}, {9, 1, 1}};
    for (const Case &c : cases) {
        ai->own_sector_count = c.sectors;
        EXPECT_EQ(evaluate(t), base * c.num / c.den) << c.sectors << " sectors";
    }
}

TEST_F(StrikeTasks, AColonyGroupMeetsAtTheUnclaimedTargetAndLockedShipsGetNothing) {
    Sector *target = sector_centred(0, 900, 500);
    Sector *home = sector_centred(ME, 100, 500);
    own(home);
    Sector *outpost = sector_centred(ME, 700, 500);
    own(outpost);
    player_learn_object(me, target, 1);
    AgentTask *t = task(TASK_COLONIZE_SECTOR, target->id);
    Ship *builder = ship_in(home, me);
    builder->ship_flags |= SHIP_FLAG_CONSTRUCTOR;
    Ship *escort = ship_in(outpost, me);
    Ship *locked = ship_in(home, me);
    locked->ship_flags |= SHIP_FLAG_AI_LOCKED;
    for (Ship *s : {builder, escort, locked}) assign(t, s);
    agent_task_evaluate(t, ai, me, 0);
    EXPECT_EQ(strike_group_location(t, false), 0u) << "two places";
    agent_task_act(t, ai, me);
    EXPECT_EQ(move_target(builder), target->id) << "the unclaimed target is the nearest unowned sector";
    EXPECT_EQ(move_target(escort), target->id);
    EXPECT_EQ(move_target(locked), 0u) << "a locked ship gets nothing";
    ship_set_sector(builder, outpost);
    EXPECT_EQ(strike_group_location(t, false), outpost->id) << "the locked ship does not count";
}

TEST_F(StrikeTasks, AWeakScatteredAttackGroupMeetsAtTheFriendlyPlaceNearestTheTarget) {
    Sector *target = sector_centred(RIVAL, 900, 500);
    add_site(target, 0, RIVAL);
    Sector *home = sector_centred(ME, 100, 500);
    own(home);
    Sector *outpost = sector_centred(ME, 600, 500);   // own and quiet
    own(outpost);
    Sector *contested = sector_centred(ME, 800, 500);   // own, nearer, but a stranger is in it
    own(contested);
    ship_in(contested, rival);
    Sector *wild = sector_centred(0, 300, 500);        // known unowned, farther
    for (Sector *s : {target, wild}) player_learn_object(me, s, 1);
    AgentTask *t = task(TASK_ATTACK_SECTOR, target->id);
    Ship *a = ship_in(home, me), *b = ship_in(wild, me);
    assign(t, a);
    assign(t, b);
    Fleet *others = fleet_at(me, 880, 480);            // own fleet nearest the target, not the group's
    ship_in(others, me);
    agent_task_evaluate(t, ai, me, 0);
    ASSERT_LT(t->assigned, t->needed);
    agent_task_act(t, ai, me);
    EXPECT_EQ(move_target(a), outpost->id);
    EXPECT_EQ(move_target(b), outpost->id);

    // The group's own travelling fleet, nearer still, becomes the meeting place and stops there.
    Fleet *group = fleet_at(me, 850, 500);
    Ship *c = ship_in(group, me);
    assign(t, c);
    fleet_set_move_target(group, home);
    group->flags |= OBJ_TRAVELLING;
    agent_task_act(t, ai, me);
    EXPECT_EQ(move_target(a), group->id);
    EXPECT_FALSE(group->flags & OBJ_TRAVELLING);
    EXPECT_EQ(group->move_target, nullptr);
}

// Two players gathering beside each other in the same wild sector would meet there every day
// until one group was whole: a wild sector with a known enemy ship is no meeting place.
TEST_F(StrikeTasks, AGroupDoesNotMeetInAWildSectorWhereAnEnemyShipIsKnown) {
    Sector *target = sector_centred(RIVAL, 900, 500);
    add_site(target, 0, RIVAL);
    own(sector_centred(ME, 100, 500));
    Sector *near = sector_centred(0, 700, 500), *far = sector_centred(0, 500, 500);
    for (Sector *s : {target, near, far}) player_learn_object(me, s, 1);
    Sector *copy = sector_of(player_get_known_object(me, OBJECT_SECTOR, near->id));
    ASSERT_NE(copy, nullptr);
    AgentTask *t = task(TASK_ATTACK_SECTOR, target->id);
    Ship *a = ship_in(far, me), *b = ship_in(nullptr, me);
    assign(t, a);
    assign(t, b);
    agent_task_evaluate(t, ai, me, 0);
    ASSERT_LT(t->assigned, t->needed);
    agent_task_act(t, ai, me);
    EXPECT_EQ(move_target(b), near->id) << "the nearest wild sector, while no enemy is known there";

    Ship *waiting = ship_in(near, rival);
    player_learn_object(me, waiting, 1);
    copy->known_object_ids.push_back(waiting->id);
    ai_ship_set_word(b, AI_SHIP_MOVE_TARGET, 0);
    agent_task_act(t, ai, me);
    EXPECT_EQ(move_target(b), far->id);
}

TEST_F(StrikeTasks, OnlyTheFirstConstructorDeploysAndOnlyInAnEmptySector) {
    Sector *target = sector_centred(0, 900, 500);
    player_learn_object(me, target, 1);
    AgentTask *t = task(TASK_COLONIZE_SECTOR, target->id);
    Ship *a = ship_in(target, me), *b = ship_in(target, me);
    a->ship_flags |= SHIP_FLAG_CONSTRUCTOR;
    b->ship_flags |= SHIP_FLAG_CONSTRUCTOR;
    assign(t, a);
    assign(t, b);
    Ship *stranger = ship_in(target, rival);
    agent_task_evaluate(t, ai, me, 0);
    agent_task_act(t, ai, me);
    EXPECT_EQ(target->site_counts[SITE_STARBASE], 0) << "a stranger in the sector";
    ship_set_sector(stranger, nullptr);
    agent_task_act(t, ai, me);
    EXPECT_EQ(target->site_counts[SITE_STARBASE], 1);
    EXPECT_TRUE(a->flags & OBJ_DEAD) << "the first one founds the base";
    EXPECT_FALSE(b->flags & OBJ_DEAD);
    EXPECT_TRUE(b->ship_flags & SHIP_FLAG_CONSTRUCTOR);
    agent_task_act(t, ai, me);
    EXPECT_FALSE(b->flags & OBJ_DEAD) << "one base per sector";
}

TEST_F(StrikeTasks, AColonyTargetIsDoneOnceTakenDefendedOrVisited) {
    Sector *target = sector_centred(0, 900, 500);
    AgentTask *t = task(TASK_COLONIZE_SECTOR, target->id);
    EXPECT_TRUE(agent_task_check_done(t, ai, me)) << "never seen";
    player_learn_object(me, target, 1);
    Sector *copy = sector_of(player_get_known_object(me, OBJECT_SECTOR, target->id));
    ASSERT_NE(copy, nullptr);
    struct Case {
        uint64_t owner;
        int32_t defence;
        bool enemy, done;
    } cases[] = {{0, -1, false, false}, {RIVAL, -1, false, true}, {0, 0, false, true}, {0, -1, true, true}};
    for (const Case &c : cases) {
        t->flags &= ~TASK_DONE;
        copy->owner_id = c.owner;
        copy->known_defence_kind = c.defence;
        copy->known_object_ids.clear();
        if (c.enemy) {
            Ship *raider = ship_in(nullptr, rival);
            player_learn_object(me, raider, 1);
            copy->known_object_ids.push_back(raider->id);
        }
        EXPECT_EQ(agent_task_check_done(t, ai, me) != 0, c.done) << c.owner << " " << c.defence << " " << c.enemy;
    }
}

// ---- "attack sector" ----

class AttackSol : public TaskWorld {
protected:
    Sector *sol = nullptr;
    AgentTask *t = nullptr;
    void SetUp() override {
        TaskWorld::SetUp();
        Player *guardian = add_player(30, "United");
        game->sol_player_id = guardian->id;
        sol = sector_centred(guardian->id, 500, 500);
        player_learn_object(me, sol, 1);
        Sector *copy = sector_of(player_get_known_object(me, OBJECT_SECTOR, sol->id));
        ASSERT_NE(copy, nullptr);
        copy->known_object_ids.clear();
        copy->known_defence_kind = -1;
        own(sector_centred(ME, 100, 100));
        t = task(TASK_ATTACK_SECTOR, sol->id);
    }
};

// The guardians stand for 200 and their barrage for the damage it deals (16 missiles of 120 to 180).
constexpr int32_t GUARDIANS_NEED = 200 + 16 * 150;

TEST_F(AttackSol, TheGuardiansAreAttackedOnlyWithASurplus) {
    ai->own_value = 0;
    evaluate(t);
    ASSERT_EQ(t->needed, GUARDIANS_NEED);
    struct Case {
        int32_t own_value, bonus;
        bool blocked;
    } cases[] = {{3119, 1000, true},    {3120, 100000, false}, {4419, 100000, false},
                 {4420, 150000, false}, {5719, 150000, false}, {5720, 200000, false}};
    ai->own_value = 3119;
    const int32_t base = evaluate(t) - 1000;
    for (const Case &c : cases) {
        ai->own_value = c.own_value;
        EXPECT_EQ(evaluate(t) - base, c.bonus) << "own value " << c.own_value;
        t->flags &= ~TASK_BLOCKED;
        EXPECT_EQ(agent_task_check_blocked(t, ai, me) != 0, c.blocked) << "own value " << c.own_value;
    }
    ai->strike_margin_pct = 150;
    evaluate(t);
    EXPECT_EQ(t->needed, GUARDIANS_NEED * 3 / 2) << "the strength margin scales the guardians too";
}

// The barrage is damage, weighed like a ship's strength in the measure of the player's own ships;
// the guardians' standing figure is already in it.
TEST_F(AttackSol, TheGuardiansBarrageIsWeighedInTheOwnShipsMeasure) {
    ai->own_value = 1000;
    ai->own_strength = 4000;
    evaluate(t);
    EXPECT_EQ(t->needed, 200 + (GUARDIANS_NEED - 200) / 4);
}

// A listed guardian counts at its strength in the own ships' measure, or at its own value when that
// is more: the strength estimate sees armour and shields, the value sees guns and the pilot, and the
// guardians' trained pilots would otherwise count for a fraction of what they are in battle.
TEST_F(AttackSol, ATrainedGuardianCountsAtItsOwnValueWhenThatIsMore) {
    Player *guardian = game_find_player(game, game->sol_player_id);
    Sector *copy = sector_of(player_get_known_object(me, OBJECT_SECTOR, sol->id));
    ASSERT_NE(copy, nullptr);
    Ship *seen[2] = {};
    for (Ship *&known : seen) {
        Ship *s = ship_in(sol, guardian);
        player_learn_object(me, s, 1);
        copy->known_object_ids.push_back(s->id);
        known = ship_of(player_get_known_object(me, OBJECT_SHIP, s->id));
        ASSERT_NE(known, nullptr);
    }
    Ship *plain = seen[0], *ace = seen[1];
    ace->pilot_id = 77;
    ace->pilot_rank = 6;
    ai->own_value = 1000;
    ai->own_strength = 4000;
    const int32_t plain_strength = ship_estimated_strength(plain), ace_strength = ship_estimated_strength(ace);
    ASSERT_LE(player_object_value(plain), plain_strength / 4) << "the plain ship is worth no more than its strength";
    ASSERT_GT(player_object_value(ace), ace_strength / 4);
    evaluate(t);
    EXPECT_EQ(t->needed, 200 + (GUARDIANS_NEED - 200 + plain_strength) / 4 + player_object_value(ace));
    ace->pilot_id = 0;
    ASSERT_LE(player_object_value(ace), ace_strength / 4);
    evaluate(t);
    EXPECT_EQ(t->needed, 200 + (GUARDIANS_NEED - 200 + plain_strength + ace_strength) / 4)
        << "without its pilot it is a plain ship again";
}

TEST_F(StrikeTasks, ASectorHeldByAnotherPlayerIsWorthLessWhileWeAreSmall) {
    Sector *target = sector_centred(RIVAL, 700, 500);
    add_site(target, 0, RIVAL);
    player_learn_object(me, target, 1);
    AgentTask *t = task(TASK_ATTACK_SECTOR, target->id);
    ai->own_sector_count = 3;
    const int32_t big = evaluate(t);
    ASSERT_GT(big, 10);
    EXPECT_GT(t->needed, 1) << "a starbase defends itself";
    ai->own_sector_count = 2;
    EXPECT_EQ(evaluate(t), big / 2);
    ai->personality = 50;
    EXPECT_EQ(evaluate(t), big / 2 * 50 / 100);
    ai->own_sector_count = 0;
    ai->personality = 100;
    EXPECT_EQ(evaluate(t), big / 2 / 10) << "no sector at all";
}

// Every defence the shipped features give an ARK site is one the attack reckons with: a garrison
// asks for more than an empty sector, and more the more ships are left in it. (A defence the
// attack took for nothing sent lone ships against the garrison, to be destroyed one by one.)
TEST_F(StrikeTasks, EveryShippedArkDefenceCountsInWhatAnAttackNeeds) {
    Sector *target = sector_centred(0, 700, 500);
    player_learn_object(me, target, 1);
    Sector *copy = sector_of(player_get_known_object(me, OBJECT_SECTOR, target->id));
    ASSERT_NE(copy, nullptr);
    copy->known_object_ids.clear();
    AgentTask *t = task(TASK_ATTACK_SECTOR, target->id);
    const auto needed_against = [&](int32_t defence, int32_t left) {
        copy->known_defence_kind = defence;
        copy->known_defenders = left + 1;
        copy->known_defenders_lost = 1;
        evaluate(t);
        return t->needed;
    };
    const int32_t undefended = needed_against(FEATURE_DEFENCE_NONE, 0);
    int32_t defences = 0;
    for (int32_t kind = 0; kind < FEATURE_TEMPLATE_COUNT; ++kind) {
        const SiteFeature *f = feature_template(kind);
        ASSERT_NE(f, nullptr) << "feature " << kind;
        for (int32_t level = 0; level < FEATURE_LEVEL_COUNT; ++level) {
            const int32_t defence = f->defence_kind_by_level[level];
            if (defence < 0) continue;
            ++defences;
            const int32_t one = needed_against(defence, 1), two = needed_against(defence, 2);
            EXPECT_GT(one, undefended) << "feature " << kind << " level " << level << " defence " << defence;
            EXPECT_GT(two, one) << "feature " << kind << " level " << level << " defence " << defence;
        }
    }
    EXPECT_GT(defences, 0) << "the shipped features defend some ARK sites";
}

TEST_F(StrikeTasks, AGatheredGroupStrongEnoughIsOrderedToStrike) {
    Sector *target = sector_centred(RIVAL, 900, 500);
    Sector *unowned = sector_centred(0, 700, 500);
    for (Sector *s : {target, unowned}) {
        player_learn_object(me, s, 1);
        Sector *copy = sector_of(player_get_known_object(me, OBJECT_SECTOR, s->id));
        copy->known_object_ids.clear();
        copy->known_site_ids.clear();
        copy->known_site_kinds.clear();
        copy->known_defence_kind = -1;
    }
    ai->strike_margin_pct = 0;   // nothing required: the group goes as soon as it is together
    struct Case {
        Sector *target;
        uint32_t order;
    } cases[] = {{target, SHIP_FLAG_ORDER_A}, {unowned, SHIP_FLAG_ORDER_B}};
    for (const Case &c : cases) {
        AgentTask *t = task(TASK_ATTACK_SECTOR, c.target->id);
        Ship *a = ship_in(c.target, me), *b = ship_in(c.target, me);
        a->online_load_a = b->online_load_a = 50;
        assign(t, a);
        assign(t, b);
        agent_task_evaluate(t, ai, me, 0);
        ASSERT_GE(t->assigned, t->needed);
        agent_task_act(t, ai, me);
        EXPECT_TRUE(a->ship_flags & c.order);
        EXPECT_TRUE(b->ship_flags & c.order);
        EXPECT_FALSE(a->ship_flags & (SHIP_FLAG_ORDER_A | SHIP_FLAG_ORDER_B) & ~c.order);
    }
}

TEST_F(StrikeTasks, AWeakAttackGroupHaltsItsFleetAndWaits) {
    Sector *target = sector_centred(RIVAL, 900, 500);
    add_site(target, 0, RIVAL);
    Sector *home = sector_centred(ME, 100, 500);
    own(home);
    player_learn_object(me, target, 1);
    AgentTask *t = task(TASK_ATTACK_SECTOR, target->id);
    Fleet *group = fleet_at(me, 300, 500);
    Ship *a = ship_in(group, me), *b = ship_in(group, me);
    fleet_set_move_target(group, target);
    group->flags |= OBJ_TRAVELLING;
    assign(t, a);
    assign(t, b);
    agent_task_evaluate(t, ai, me, 0);
    ASSERT_LT(t->assigned, t->needed);
    agent_task_act(t, ai, me);
    EXPECT_FALSE(group->flags & OBJ_TRAVELLING);
    EXPECT_EQ(group->move_target, nullptr);
    EXPECT_EQ(move_target(a), 0u);
}

// ---- "attack fleet" ----

class AttackFleet : public TaskWorld {
protected:
    Sector *home = nullptr;
    Fleet *raiders = nullptr;
    Fleet *copy = nullptr;
    AgentTask *t = nullptr;
    void SetUp() override {
        TaskWorld::SetUp();
        home = sector_centred(ME, 500, 500);
        own(home);
        add_site(home, 0, ME);
        raiders = fleet_at(rival, 600, 500);
        Ship *r = ship_in(raiders, rival);
        r->max_armour = r->armour = 300;
        player_learn_object(me, raiders, 0);
        copy = fleet_of(player_get_known_object(me, OBJECT_FLEET, raiders->id));
        ASSERT_NE(copy, nullptr);
        copy->saved_d = copy->x;
        copy->saved_e = copy->y;
        t = task(TASK_ATTACK_FLEET, raiders->id);
    }
};

TEST_F(AttackFleet, AFleetStandingStillIsWorthFourTimesAMovingOne) {
    copy->flags |= OBJ_TRAVELLING;
    const int32_t moving = evaluate(t);
    ASSERT_GT(moving, 0);
    copy->flags &= ~OBJ_TRAVELLING;
    EXPECT_EQ(evaluate(t), 4 * moving);
    EXPECT_GT(t->needed, 1);
    EXPECT_EQ(static_cast<AgentTaskData *>(t)->strength, t->needed) << "margin 100%";
    ai->strike_margin_pct = 150;
    evaluate(t);
    EXPECT_EQ(static_cast<AgentTaskData *>(t)->strength, t->needed * 150 / 100);
}

TEST_F(AttackFleet, WithNothingRequiredAGatheredGroupGoesAtOnce) {
    ai->strike_margin_pct = 0;
    Ship *a = ship_in(home, me), *b = ship_in(home, me);
    assign(t, a);
    assign(t, b);
    agent_task_evaluate(t, ai, me, 0);
    agent_task_act(t, ai, me);
    EXPECT_EQ(move_target(a), raiders->id);
    EXPECT_EQ(move_target(b), raiders->id);
}

TEST_F(AttackFleet, AWeakGroupRalliesAndAShipAlreadyInTheRallyFleetStays) {
    Fleet *muster = fleet_at(me, 560, 520);   // own fleet nearest to the raiders
    Ship *in_muster = ship_in(muster, me);
    Ship *at_home = ship_in(home, me);
    assign(t, in_muster);
    assign(t, at_home);
    agent_task_evaluate(t, ai, me, 0);
    ASSERT_LT(t->assignee_value, static_cast<AgentTaskData *>(t)->strength);
    agent_task_act(t, ai, me);
    EXPECT_EQ(move_target(in_muster), 0u);
    EXPECT_EQ(move_target(at_home), muster->id);
}

TEST_F(AttackFleet, GoneOnceOutOfReachForgottenOrDestroyed) {
    EXPECT_FALSE(agent_task_check_done(t, ai, me));
    EXPECT_FALSE(agent_task_is_obsolete(t, ai, me));
    object_set_position(copy, 2000, 2000);
    EXPECT_TRUE(agent_task_check_done(t, ai, me)) << "out of reach of every own sector";
    raiders->flags |= OBJ_DEAD;
    EXPECT_TRUE(agent_task_is_obsolete(t, ai, me));
    std::string text;
    static_cast<AgentTaskData *>(t)->strength = 77;
    agent_task_describe(t, ai, &text);
    EXPECT_EQ(text, ", target #" + std::to_string(raiders->id) + ", target attack strength 77");
}

// ---- "defend bases" ----

TEST_F(StrikeTasks, DefendBasesActsEachDefenceTaskOnceUntilTheMarkIsCleared) {
    Sector *home = sector_centred(ME, 500, 500);
    own(home);
    Sector *away = sector_centred(ME, 100, 100);
    AgentTask *bases = task(TASK_DEFEND_BASES, 0);
    EXPECT_EQ(bases->flags, TASK_FORCED);
    AgentTask *defence = task(TASK_DEFEND_SECTOR, home->id);
    list_append(ai->defence, defence);
    Ship *guard = ship_in(away, me);
    assign(defence, guard);
    agent_task_act(bases, ai, me);
    EXPECT_EQ(move_target(guard), home->id);
    EXPECT_TRUE(defence->flags & TASK_DEFENCE_ACTED);
    ai_ship_set_word(guard, AI_SHIP_MOVE_TARGET, 0);
    agent_task_act(bases, ai, me);
    EXPECT_EQ(move_target(guard), 0u) << "acted already this turn";
    defence->flags &= ~TASK_DEFENCE_ACTED;
    agent_task_act(bases, ai, me);
    EXPECT_EQ(move_target(guard), home->id);
    EXPECT_TRUE(agent_task_check_blocked(bases, ai, me)) << "the totals hold no sector yet";
    add_site(home, 0, ME);
    player_update_totals(me);
    bases->flags &= ~TASK_BLOCKED;
    EXPECT_FALSE(agent_task_check_blocked(bases, ai, me));
}

// ---- The measure a strike weighs the enemy by ----

// The group is weighed by its value (player_object_value); the enemy's strength is put in that
// measure by the player's own ships: a player whose ships hold one point of value for every four of
// strength needs a quarter of the enemy's strength in value. (Compared as they were, a starbase
// asked for three to ten times the ships a corporation had.)
TEST_F(StrikeTasks, TheEnemyIsWeighedInTheMeasureOfTheOwnShips) {
    Sector *target = sector_centred(RIVAL, 700, 500);
    add_site(target, 0, RIVAL);
    player_learn_object(me, target, 1);
    AgentTask *t = task(TASK_ATTACK_SECTOR, target->id);
    ai->own_value = ai->own_strength = 0;
    evaluate(t);
    const int32_t as_strength = t->needed;
    ASSERT_GT(as_strength, 40);
    ai->own_value = 100;
    ai->own_strength = 400;
    evaluate(t);
    EXPECT_EQ(t->needed, int64_t(as_strength) * 100 / 400);
    EXPECT_EQ(ai_strength_as_value(ai, 400), 100);
    ai->own_strength = 0;
    EXPECT_EQ(ai_strength_as_value(ai, 400), 400) << "without ships of its own the strength stands";
}

// ---- Boarding ----

// With boarding equipment researched, a group strong enough to take another player's starbase waits
// for a boarding ship and strikes only once it is in the sector: the starbase is captured, not
// destroyed.
TEST_F(StrikeTasks, AGroupThatCanBoardWaitsForItsBoardingShipBeforeItStrikes) {
    Sector *target = sector_centred(RIVAL, 900, 500);
    add_site(target, 0, RIVAL);
    player_learn_object(me, target, 1);
    AgentTask *t = task(TASK_ATTACK_SECTOR, target->id);
    Ship *a = ship_in(target, me), *b = ship_in(target, me);
    a->online_load_a = b->online_load_a = 5000;
    assign(t, a);
    assign(t, b);
    agent_task_evaluate(t, ai, me, 0);
    ASSERT_GE(t->assigned, t->needed) << "without boarding equipment the group goes as it is";
    int32_t grant = -1;
    for (int32_t n = 0; n < PLAYER_TECH_COUNT && grant < 0; ++n)
        if (const TechInfo *tech = tech_get(n))
            for (const TechEffect &e : tech->effects)
                if (e.kind == TECH_EFFECT_SYSTEM && e.value == 29) grant = n;
    ASSERT_GE(grant, 0) << "a technology grants the boarding grid";
    player_complete_tech(me, grant);
    ASSERT_NE(player_best_system(me, 29), nullptr);
    agent_task_evaluate(t, ai, me, 0);
    EXPECT_EQ(t->assigned, t->needed / 2) << "half of what it needs without a boarding ship";
    agent_task_act(t, ai, me);
    EXPECT_FALSE(a->ship_flags & SHIP_FLAG_ORDER_A);
    Ship *boarder = ship_in(target, me);
    boarder->online_load_a = 1;
    boarder->ship_flags |= SHIP_FLAG_BOARDING;
    assign(t, boarder);
    agent_task_evaluate(t, ai, me, 0);
    ASSERT_GE(t->assigned, t->needed);
    agent_task_act(t, ai, me);
    EXPECT_TRUE(a->ship_flags & SHIP_FLAG_ORDER_A);
    EXPECT_TRUE(boarder->ship_flags & SHIP_FLAG_ORDER_A);
}

// ---- "defend bases" holds what the defences lack ----

TEST_F(StrikeTasks, DefendBasesHoldsOneShipForEachThreatenedDefenceThatLacksWhatItNeeds) {
    AgentTask *bases = task(TASK_DEFEND_BASES, 0);
    AgentTask *quiet = task(TASK_DEFEND_SECTOR, own_base(100, 100)->id);
    Sector *raided_sector = own_base(600, 100);
    AgentTask *raided = task(TASK_DEFEND_SECTOR, raided_sector->id);
    AgentTask *raided_too = task(TASK_DEFEND_SECTOR, own_base(600, 600)->id);
    AgentTask *covered = task(TASK_DEFEND_SECTOR, own_base(100, 600)->id);
    for (AgentTask *d : {quiet, raided, raided_too, covered}) list_append(ai->defence, d);
    const auto set = [](AgentTask *d, int32_t strength, int32_t assigned, int32_t needed) {
        static_cast<AgentTaskData *>(d)->strength = strength;
        d->assigned = assigned;
        d->needed = needed;
    };
    set(quiet, 0, 0, 1);
    set(raided, 90, 30, 90);
    set(raided_too, 40, 0, 40);
    set(covered, 90, 120, 90);
    Ship *guard = ship_in(nullptr, me);
    assign(bases, guard);
    agent_task_evaluate(bases, ai, me, 0);
    EXPECT_EQ(bases->needed, 2) << "the two raided sectors that lack defenders";
    EXPECT_EQ(bases->assigned, 1);
    set(raided, 0, 0, 1);
    set(raided_too, 0, 0, 1);
    agent_task_evaluate(bases, ai, me, 0);
    EXPECT_EQ(bases->needed, 1) << "while every sector is quiet, no more than any task's least need";
    // A defence task marks itself quiet or threatened when it is weighed.
    Ship *raider = ship_in(raided_sector, rival);
    raider->max_armour = raider->armour = 300;
    player_learn_object(me, raider, 0);
    agent_task_evaluate(raided, ai, me, 0);
    EXPECT_GT(static_cast<AgentTaskData *>(raided)->strength, 0);
    agent_task_evaluate(quiet, ai, me, 0);
    EXPECT_EQ(static_cast<AgentTaskData *>(quiet)->strength, 0);
}

}  // namespace
