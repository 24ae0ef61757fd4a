// Production tasks on a real galaxy: the worth of each kind of order, what blocks and finishes it,
// what an order costs, and rush prices that used to overflow.
#include <climits>
#include "ai/ai_production.h"
#include "ai_task_fixture.h"
#include "game/officer.h"
#include "game/orders.h"
#include "game/tech.h"

namespace {

using aitest::TaskWorld;

class ProductionTask : public TaskWorld {
protected:
    // A training site in an own sector, training a recruit with the given combat skills.
    Site *training(Sector *sector, int32_t command, int32_t marksmanship, int32_t navigation) {
        Site *pool = add_site(sector, SITE_TRAINING, me->id);
        Officer *o = new_officer("Cadet");
        o->id = 61;
        o->figures[0] = 20, o->figures[1] = 300, o->figures[2] = 2800;
        o->skills[SKILL_COMMAND] = command;
        o->skills[SKILL_MARKSMANSHIP] = marksmanship;
        o->skills[SKILL_NAVIGATION] = navigation;
        site_add_officer(pool, o);
        me->credits = 100000;
        EXPECT_EQ(site_start_production(pool, 3, 61), RES_OK);
        return pool;
    }
};

// ---- Build site ----

TEST_F(ProductionTask, BuildSiteWorthFollowsTheMissingSitesOfItsKind) {
    struct Row {
        int32_t sectors, shipyard_pct, have, utility;
    } rows[] = {
        {3, 10, 0, 80 + 1200},       // ceil(0.3) = 1 shipyard wanted, none yet: doubled worth
        {3, 10, 1, 80},              // the one wanted is there
        {10, 25, 1, 80 + 2 * 600},   // ceil(2.5) = 3 wanted, 1 held
        {0, 50, 0, 80 + 1200},       // no sector still wants one
        {4, 100, 5, 80},             // more than wanted gives the base worth
    };
    AgentTask *t = task(TASK_BUILD_SITE, 0, SITE_SHIPYARD);
    for (const Row &r : rows) {
        ai->own_sector_count = r.sectors;
        ai->shipyard_pct = r.shipyard_pct;
        ai->site_counts[SITE_SHIPYARD] = r.have;
        agent_task_evaluate(t, ai, me, 0);
        EXPECT_EQ(t->utility, r.utility) << r.sectors << " sectors at " << r.shipyard_pct << "%, have " << r.have;
        EXPECT_EQ(t->assigned, 0);
        EXPECT_EQ(t->needed, 1);
    }
    EXPECT_TRUE(t->flags & TASK_PRODUCTION);
}

TEST_F(ProductionTask, BuildSiteOrdersOnlyAPlannedKindAtAnIdleCrewedStarbaseAndPays) {
    Site *weak = nullptr, *strong = nullptr;
    own_base(400, 400, 60, &weak);   // too little crew to build
    Sector *b = own_base(900, 400, 800, &strong);
    me->credits = 1000000;
    AgentTask *unplanned = task(TASK_BUILD_SITE, 0, 3);
    agent_task_act(unplanned, ai, me);
    EXPECT_FALSE(unplanned->flags & TASK_DONE);
    EXPECT_EQ(me->credits, 1000000);
    EXPECT_FALSE(strong->state & SITE_PRODUCING) << "kind 3 is never ordered";
    ASSERT_TRUE(sector_can_build(b, 14)) << "the store's sector template offers kind 14";
    player_add_facility(me, 14);   // researched
    int32_t cost = 0, minutes = 0;
    player_build_cost(me, 14, b->id, &cost, &minutes);
    me->credits = cost + 5;
    AgentTask *t = task(TASK_BUILD_SITE, 0, 14);
    EXPECT_EQ(agent_task_check_blocked(t, ai, me), 0);
    agent_task_act(t, ai, me);
    EXPECT_TRUE(t->flags & TASK_DONE);
    EXPECT_EQ(me->credits, 5);
    EXPECT_TRUE(strong->state & SITE_PRODUCING);
    EXPECT_FALSE(weak->state & SITE_PRODUCING);
}

// A facility not yet researched is not laid down, as a player's chooser does not offer it: the task
// is blocked, so the production loop passes on to the next task instead of stopping at it.
TEST_F(ProductionTask, BuildSiteWaitsUntilItsKindIsResearched) {
    Site *base = nullptr;
    Sector *s = own_base(400, 400, 800, &base);
    ASSERT_TRUE(sector_can_build(s, SITE_TRAINING));
    me->credits = 1000000;
    AgentTask *t = task(TASK_BUILD_SITE, 0, SITE_TRAINING);
    EXPECT_NE(agent_task_check_blocked(t, ai, me), 0);
    agent_task_act(t, ai, me);
    EXPECT_FALSE(t->flags & TASK_DONE);
    EXPECT_FALSE(base->state & SITE_PRODUCING);
    EXPECT_EQ(me->credits, 1000000);
    player_add_facility(me, SITE_TRAINING);
    t->flags &= ~TASK_BLOCKED;
    EXPECT_EQ(agent_task_check_blocked(t, ai, me), 0);
    agent_task_act(t, ai, me);
    EXPECT_TRUE(t->flags & TASK_DONE);
    EXPECT_TRUE(base->state & SITE_PRODUCING);
}

// ---- Build ship ----

// The computer player's order resumes a design its yard paused for what was kept, as the player's does.
TEST_F(ProductionTask, BuildShipResumesAPausedDesignForTheKeptCost) {
    Sector *s = own_base(400, 400);
    Site *yard = add_site(s, SITE_SHIPYARD, me->id);
    sector_refresh_sites(s);
    Ship *design = new_ship(2);
    ship_recompute_stats(design);
    player_add_design(me, design);
    me->credits = 1000000;
    int32_t full = 0;
    ASSERT_EQ(order_production_price(yard, 0, design->id, &full, nullptr), RES_OK);
    ASSERT_EQ(site_start_production(yard, 0, design->id), RES_OK);
    yard->state &= ~SITE_PENDING;
    yard->total_min = 10 * 1440;
    yard->remaining_min = 5 * 1440;   // half built
    site_stop_production(yard);
    const int32_t kept = yard->paused_cost;
    ASSERT_LT(kept, full);
    AgentTask *t = task(TASK_BUILD_SHIP, design->id);
    agent_task_act(t, ai, me);
    EXPECT_TRUE(t->flags & TASK_DONE);
    EXPECT_TRUE(yard->state & SITE_PRODUCING);
    EXPECT_EQ(me->credits, 1000000 - kept) << "the kept cost, not the design's whole price";
}

// ---- Research ----

TEST_F(ProductionTask, ResearchIsUrgentOnlyWhileNothingIsQueuedAndStopsAtTheQueueLimit) {
    int32_t tech = -1;
    for (int32_t i = 0; i < PLAYER_TECH_COUNT && tech < 0; ++i)
        if (tech_get(i) && tech_get(i)->starting_level < 0) tech = i;
    ASSERT_GE(tech, 0);
    AgentTask *t = task(TASK_RESEARCH_TECH, 0, uint32_t(tech));
    ai->research_queue_limit = 2;
    ai->queued_research = 0;
    agent_task_evaluate(t, ai, me, 0);
    EXPECT_EQ(t->utility, 20 + 1000);
    ai->queued_research = 1;
    agent_task_evaluate(t, ai, me, 0);
    EXPECT_EQ(t->utility, 20);
    EXPECT_FALSE(t->flags & TASK_BLOCKED);
    ai->queued_research = 2;
    agent_task_evaluate(t, ai, me, 0);
    EXPECT_TRUE(t->flags & TASK_BLOCKED);
}

TEST_F(ProductionTask, ResearchQueuesAndPaysOnlyWhatTheCreditsCover) {
    int32_t tech = -1;
    for (int32_t i = 0; i < PLAYER_TECH_COUNT && tech < 0; ++i)
        if (tech_get(i) && tech_get(i)->credits > 0) tech = i;
    ASSERT_GE(tech, 0);
    me->tech_state[tech] = TECH_AVAILABLE;
    const int32_t price = tech_get(tech)->credits;
    AgentTask *t = task(TASK_RESEARCH_TECH, 0, uint32_t(tech));
    me->credits = price - 1;
    agent_task_act(t, ai, me);
    EXPECT_FALSE(t->flags & TASK_DONE);
    EXPECT_FALSE(me->tech_state[tech] & TECH_QUEUED);
    me->credits = price + 7;
    agent_task_act(t, ai, me);
    EXPECT_TRUE(t->flags & TASK_DONE);
    EXPECT_TRUE(me->tech_state[tech] & TECH_QUEUED);
    EXPECT_EQ(me->credits, 7);
    EXPECT_EQ(ai->queued_research, 1);
}

// ---- Defense upgrade ----

TEST_F(ProductionTask, DefenseUpgradeWaitsForABusyStarbaseAndEndsOnceOrdered) {
    Site *base = nullptr;
    Sector *s = own_base(400, 400, 800, &base);
    me->credits = 1000000;
    ASSERT_EQ(site_start_production(base, SITE_SHIPYARD, 0), RES_OK);
    AgentTask *t = task(TASK_BUILD_DEFENSE_UPGRADE, s->id);
    EXPECT_TRUE(t->flags & TASK_PRODUCTION) << "linked to its sector";
    EXPECT_EQ(agent_task_check_done(t, ai, me), 0) << "building a shipyard leaves the upgrade to do";
    EXPECT_EQ(agent_task_check_blocked(t, ai, me), 1);
    site_stop_production(base);
    t->flags &= ~TASK_BLOCKED;
    int32_t cost = 0, minutes = 0;
    player_build_cost(me, -1, s->id, &cost, &minutes);
    me->credits = cost;
    agent_task_act(t, ai, me);
    EXPECT_TRUE(t->flags & TASK_DONE);
    EXPECT_EQ(me->credits, 0);
    t->flags &= ~TASK_DONE;
    EXPECT_EQ(agent_task_check_done(t, ai, me), 1) << "the starbase builds the upgrade now";
}

TEST_F(ProductionTask, CollectorAndUpgradeOfALostSectorLinkNothingAndFinish) {
    AgentTask *t = task(TASK_BUILD_COLLECTOR, 987654);
    EXPECT_FALSE(t->flags & TASK_PRODUCTION) << "a target that is not found gets no flags";
    EXPECT_EQ(agent_task_relink(t), Result(AI_LINK_NOT_FOUND));
    EXPECT_EQ(agent_task_check_done(t, ai, me), 1);
}

// ---- Rush production ----

TEST_F(ProductionTask, RushWorthOfATrainingSiteFollowsTheRecruitAndThePriceShare) {
    Sector *s = own_base(400, 400);
    Site *pool = training(s, 5, 5, 5);   // combat score 3 x 5 + 2 x (5 + 5) = 35: worth 1225 / 10 = 122
    AgentTask *t = task(TASK_RUSH_PRODUCTION, pool->id);
    ASSERT_TRUE(t->flags & TASK_PRODUCTION);
    const int32_t price = site_rush_cost(pool);
    ASSERT_GT(price, 0);
    struct Row {
        int32_t credits, utility;
    } rows[] = {
        {price * 2, 122 - 61},    // exactly half the credits: loses half
        {price * 3, 122 - 30},    // a third: loses a quarter
        {price * 10, 122},        // a tenth: unchanged
        {price * 25, 122 + 61},   // 4 %: gains half again
        {0, 122 - 61},            // no credits count as 100 %
    };
    for (const Row &r : rows) {
        me->credits = r.credits;
        agent_task_evaluate(t, ai, me, 0);
        EXPECT_EQ(t->utility, r.utility) << "credits " << r.credits << " for a price of " << price;
        EXPECT_EQ(t->needed, 1);
    }
    Officer *recruit = site_find_recruit(pool, 61);
    ASSERT_NE(recruit, nullptr);
    recruit->skills[SKILL_COMMAND] = recruit->skills[SKILL_MARKSMANSHIP] = recruit->skills[SKILL_NAVIGATION] = 0;
    agent_task_evaluate(t, ai, me, 0);
    EXPECT_EQ(t->utility, 0) << "a recruit without combat skills is not worth the rush";
}

// Saved rush figures can put the price beyond the credits' range: it is held to 0 .. INT32_MAX, a
// price below zero never adds credits, and a price one above the credits waits.
TEST_F(ProductionTask, RushPriceIsHeldToTheCreditRangeAndPaidExactly) {
    Sector *s = own_base(400, 400);
    Site *pool = training(s, 1, 1, 1);
    struct Row {
        int32_t low, high, remaining, total, price;
    } rows[] = {   // (ordinary prices, a reversed pair, an item of no minutes: site_production_test)
        {-2000000000, 2000000000, 360, 1440, 0},           // the span needs 33 bits; the price is below 0
        {2000000000, 2100000000, 2880, 1440, INT32_MAX},   // beyond the top
        {-500, -100, 0, 1440, 0},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(::testing::Message() << r.low << ".." << r.high << " at " << r.remaining << "/" << r.total);
        pool->rush_low = r.low, pool->rush_high = r.high;
        pool->remaining_min = r.remaining, pool->total_min = r.total;
        EXPECT_EQ(site_rush_cost(pool), r.price);
        AgentTask *t = task(TASK_RUSH_PRODUCTION, pool->id);
        if (r.price > 0) {
            me->credits = r.price - 1;
            agent_task_act(t, ai, me);
            EXPECT_FALSE(t->flags & TASK_DONE);
            EXPECT_EQ(me->credits, r.price - 1);
        }
        me->credits = r.price > 0 ? r.price : 1000;
        agent_task_act(t, ai, me);
        EXPECT_TRUE(t->flags & TASK_DONE);
        EXPECT_EQ(me->credits, r.price > 0 ? 0 : 1000);
        EXPECT_TRUE(pool->state & SITE_RUSHED);
    }
}

TEST_F(ProductionTask, RushOfAContestedSiteIsBlockedAndOfAnIdleOneFinished) {
    Sector *s = own_base(400, 400);
    Site *pool = training(s, 1, 1, 1);
    AgentTask *t = task(TASK_RUSH_PRODUCTION, pool->id);
    pool->state |= SITE_CONTESTED;
    EXPECT_EQ(agent_task_check_blocked(t, ai, me), 1);
    EXPECT_EQ(agent_task_check_done(t, ai, me), 0);
    site_stop_production(pool);
    EXPECT_EQ(agent_task_check_done(t, ai, me), 1);
}

}  // namespace
