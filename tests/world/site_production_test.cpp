// Site production and cycles that a site can run on its own: starting, stopping, pausing and
// rushing items, contested progress, crew state, the weekly intake clock and recruit training.
// (What needs a sector around the site, such as harvesting, runs with the sectors.)
#include "site_test_util.h"
#include "game/player.h"

#include <tuple>

using namespace sitetest;

namespace {

Player *g_owner = nullptr;   // a real player: the sites credit it, count its statistics and pay it back
constexpr uint64_t OWNER_ID = 900;

// Sites that are never crew short (template flag 0x80), so they work without a sector.
class SiteProductionTest : public SiteFixture {
protected:
    void SetUp() override {
        SiteFixture::SetUp();
        g_owner = player_create(PLAYER_KIND_HUMAN);
        player_set_id(g_owner, OWNER_ID);
        ASSERT_EQ(game_add_player(game, g_owner), RES_OK);   // the game's records find it
        ParamsFile f;
        f.flags = SITE_TF_NEVER_CREW_SHORT;
        f.crew_capacity = 1000;
        f.base_intake = 50;
        f.defense_rush_low = 100;
        f.defense_rush_high = 900;
        f.research_factor = 0;
        for (int32_t t : {SITE_STARBASE, SITE_SHIPYARD, SITE_TRAINING, 9}) load(t, f);
        f.research_factor = 2;
        load(14, f);
        game->clock->minutes = 100 * 1440;
        date_from_minutes(game->clock);
        rng_seed(game->generators[0], 1234);
    }

    void TearDown() override {
        SiteFixture::TearDown();
        game_clear_players(game);
        g_owner = nullptr;
    }

    Site *owned(int32_t t) {
        Site *s = create(t);
        s->owner_id = OWNER_ID;
        return s;
    }

    // A training site with recruits whose figures say: `days` of training, rush 300..2800.
    Officer *recruit(Site *pool, uint64_t id, int32_t days = 20, uint64_t hired = 0) {
        Officer *o = officer(id, "Cadet");
        o->figures[0] = days, o->figures[1] = 300, o->figures[2] = 2800;
        o->training_cost = 1700;
        o->hired->minutes = hired;
        site_add_officer(pool, o);
        return o;
    }

    void advance(Site *s, int32_t minutes) {
        game->clock->minutes += uint64_t(minutes);
        date_from_minutes(game->clock);
        object_advance_clock(s, minutes);
    }
};

// ---- Starting ----

using SiteStart = SiteProductionTest;

TEST_F(SiteStart, RefusalsComeInTheirOrder) {
    Site *s = create(SITE_TRAINING);
    s->state = SITE_UNDER_CONSTRUCTION | SITE_CREW_SHORT;
    EXPECT_EQ(site_start_production(s, 0, 1), RES_UNDER_CONSTRUCTION);
    s->state = SITE_CREW_SHORT;
    EXPECT_EQ(site_start_production(s, 0, 1), RES_CREW_SHORT);
    s->state = 0;
    EXPECT_EQ(site_start_production(s, 0, 1), RES_UNKNOWN_OWNER);
    s->owner_id = 901;
    EXPECT_EQ(site_start_production(s, 0, 1), RES_UNKNOWN_OWNER) << "an id that names no player";
}

TEST_F(SiteStart, WhatNothingCanBeMadeOfIsRefusedWithProductionOff) {
    Site *body = owned(9);
    body->state = SITE_PRODUCING;
    EXPECT_EQ(site_start_production(body, 0, 0), RES_OUT_OF_RANGE);
    EXPECT_FALSE(body->state & SITE_PRODUCING);
    Site *pool = owned(SITE_TRAINING);
    EXPECT_EQ(site_start_production(pool, 0, 77), RES_OUT_OF_RANGE) << "no such recruit";
    Site *base = owned(SITE_STARBASE);
    EXPECT_EQ(site_start_production(base, -1, 0), RES_OUT_OF_RANGE) << "a starbase outside any sector";
}

TEST_F(SiteStart, TrainingTakesTheRecruitsDaysPricesAndCost) {
    Site *pool = owned(SITE_TRAINING);
    recruit(pool, 61, 21);
    ASSERT_EQ(site_start_production(pool, 3, 61), RES_OK);
    EXPECT_EQ(Ints({pool->remaining_min, pool->total_min, pool->rush_low, pool->rush_high, pool->cost_paid, pool->item,
                    int32_t(pool->item_id)}),
              Ints({21 * 1440, 21 * 1440, 300, 2800, 1700, 3, 61}));
    EXPECT_EQ(pool->status_text, "Training");
    EXPECT_EQ(pool->state & (SITE_PRODUCING | SITE_PENDING), SITE_PRODUCING | SITE_PENDING);
    EXPECT_EQ(pool->started->minutes, game->clock->minutes);
}

TEST_F(SiteStart, ThePausedItemResumesWithItsOwnFiguresAndAnyOtherDropsIt) {
    Site *pool = owned(SITE_TRAINING);
    recruit(pool, 61, 20);
    recruit(pool, 62, 25);
    pool->state = SITE_PAUSED_KEPT | SITE_RUSHED | SITE_PRODUCTION_CARRY;
    pool->paused_item_id = 61, pool->paused_remaining = 500, pool->paused_total = 28800;
    pool->paused_rush_low = 5, pool->paused_rush_high = 6, pool->paused_cost = 44;
    ASSERT_EQ(site_start_production(pool, 0, 61), RES_OK);
    EXPECT_EQ(Ints({pool->remaining_min, pool->total_min, pool->rush_low, pool->rush_high, pool->cost_paid}),
              Ints({500, 28800, 5, 6, 44}));
    EXPECT_EQ(pool->state & (SITE_PAUSED_KEPT | SITE_RUSHED | SITE_PRODUCTION_CARRY), 0u);

    pool->state = SITE_PAUSED_KEPT;
    ASSERT_EQ(site_start_production(pool, 0, 62), RES_OK);
    EXPECT_EQ(pool->remaining_min, 25 * 1440) << "another recruit starts afresh";
    EXPECT_EQ(pool->cost_paid, 1700);
    EXPECT_FALSE(pool->state & SITE_PAUSED_KEPT) << "and the paused one is gone";
}

// ---- Stopping, pausing, rushing ----

class SiteStop : public SiteProductionTest {
protected:
    Site *producing(int32_t t, int32_t remaining, int32_t total, int32_t cost, uint32_t extra = 0) {
        Site *s = owned(t);
        s->state = SITE_PRODUCING | extra;
        s->remaining_min = remaining, s->total_min = total, s->cost_paid = cost;
        s->rush_low = 10, s->rush_high = 20, s->item = 4, s->item_id = 40;
        return s;
    }
};

TEST_F(SiteStop, StoppingKeepsTheItemWithACostForTheMinutesLeftOnceAMinutePassed) {
    Site *fresh = producing(SITE_SHIPYARD, 2880, 2880, 1000, SITE_PENDING);
    site_stop_production(fresh);
    EXPECT_FALSE(fresh->state & (SITE_PRODUCING | SITE_PENDING | SITE_PAUSED_KEPT));
    EXPECT_EQ(fresh->cost_paid, 0) << "before any minute passed the cost went back to the owner";
    EXPECT_EQ(fresh->status_text, "Idle");

    // remaining, total, cost -> the cost kept for the rest: at least 1, all of it without minutes.
    const int32_t cases[][4] = {{1440, 2880, 1000, 500}, {1, 2880, 1000, 1}, {10, 0, 70, 70}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c[0]);
        Site *s = producing(SITE_SHIPYARD, c[0], c[1], c[2]);
        site_stop_production(s);
        EXPECT_EQ(s->state & (SITE_PAUSED_KEPT | SITE_PRODUCING), SITE_PAUSED_KEPT);
        EXPECT_EQ(Ints({s->paused_remaining, s->paused_total, s->paused_rush_low, s->paused_rush_high, s->paused_item,
                        int32_t(s->paused_item_id), s->paused_cost}),
                  Ints({c[0], c[1], 10, 20, 4, 40, c[3]}));
    }
    Site *s = producing(SITE_SHIPYARD, 1440, 2880, 1000);
    site_stop_production(s);
    int32_t item = 0, cost = 0, days = 0;
    uint64_t id = 0;
    EXPECT_EQ(site_get_paused_production(s, &item, &id, &cost, &days), 1);
    EXPECT_EQ(Ints({item, int32_t(id), cost, days}), Ints({4, 40, 500, 1}));
    site_clear_paused(s);
    EXPECT_EQ(site_get_paused_production(s, &item, &id, &cost, &days), 0);
}

TEST_F(SiteStop, AStoppedDefenseUpgradeKeepsItsPercentBelowAHundred) {
    // remaining minutes, item -> percent kept
    for (auto [remaining, item, percent] : {std::tuple{1440, -1, 50}, {1, -1, 99}, {1440, 4, 0}}) {
        Site *base = producing(SITE_STARBASE, remaining, 2880, 4800);
        base->item = item;
        site_stop_production(base);
        EXPECT_EQ(base->defense_progress, percent) << remaining << " left of item " << item;
    }
}

TEST_F(SiteStop, RushingFinishesAtTheNextMidnightAndThePriceFallsFromHighToLow) {
    Site *s = producing(SITE_SHIPYARD, 5000, 5760, 1000);
    game->clock->minutes = 100 * 1440 + 23 * 60 + 59;
    date_from_minutes(game->clock);
    site_rush(s);
    EXPECT_EQ(s->remaining_min, 1);
    EXPECT_TRUE(s->state & SITE_RUSHED);
    game->clock->minutes = 101 * 1440;
    date_from_minutes(game->clock);
    site_rush(s);
    EXPECT_EQ(s->remaining_min, 1440);

    Site *priced = producing(SITE_SHIPYARD, 2880, 2880, 1000);
    priced->rush_low = 100, priced->rush_high = 1100;
    // remaining minutes, high price -> rush price; a high price below the low one spans 1.
    for (auto [remaining, high, price] : {std::tuple{2880, 1100, 1100}, {1440, 1100, 600}, {1, 1100, 100}, {2880, 50, 101}}) {
        priced->remaining_min = remaining, priced->rush_high = high;
        EXPECT_EQ(site_rush_cost(priced), price) << remaining << " left, high " << high;
    }

    Site *none = producing(SITE_SHIPYARD, 0, 0, 1000);
    site_rush(none);
    EXPECT_FALSE(none->state & SITE_RUSHED) << "an item of no minutes is neither rushed nor priced";
    EXPECT_EQ(site_rush_cost(none), 0);
    int32_t rush = -1;
    EXPECT_EQ(site_production_info(none, nullptr, nullptr, nullptr, nullptr, &rush), 1);
    EXPECT_EQ(rush, 0);
}

TEST_F(SiteStop, InfoReportsDaysTheRecruitAndTheTemplateAStarbaseBuilds) {
    Site *pool = owned(SITE_TRAINING);
    Officer *r = recruit(pool, 61, 3);
    EXPECT_EQ(site_production_info(pool, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    ASSERT_EQ(site_start_production(pool, 0, 61), RES_OK);
    pool->remaining_min = 1441;
    GameObject *item = reinterpret_cast<GameObject *>(1);
    Officer *who = nullptr;
    int32_t left = 0, total = 0;
    EXPECT_EQ(site_production_info(pool, &item, &who, &left, &total, nullptr), 1);
    EXPECT_EQ(item, nullptr);
    EXPECT_EQ(who, r);
    EXPECT_EQ(Ints({left, total}), Ints({2, 3}));
    pool->state |= SITE_RUSHED;
    EXPECT_EQ(site_production_info(pool, nullptr, nullptr, &left, nullptr, nullptr), 1);
    EXPECT_EQ(left, 0) << "a rushed item is done at midnight";

    Site *base = producing(SITE_STARBASE, 100, 200, 10);
    base->item = SITE_SHIPYARD;
    EXPECT_EQ(site_production_info(base, &item, nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(item, site_template(SITE_SHIPYARD));
    base->item = -1;
    EXPECT_EQ(site_production_info(base, &item, nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(item, nullptr) << "a defense upgrade names no template";
}

// ---- The clock ----

using SiteClock = SiteStop;

TEST_F(SiteClock, ContestedProgressRunsAtHalfSpeedCarryingTheOddMinute) {
    Site *s = producing(9, 100, 200, 10, SITE_CONTESTED);
    // An even step pays the carried minute and carries none.
    for (auto [step, left] : {std::pair{3, 99}, {3, 97}, {3, 95}, {2, 93}, {2, 92}}) {
        advance(s, step);
        EXPECT_EQ(s->remaining_min, left);
    }
    Site *open = producing(9, 100, 200, 10, SITE_PENDING);
    advance(open, 30);
    EXPECT_EQ(open->remaining_min, 70) << "uncontested, every minute counts";
    EXPECT_FALSE(open->state & SITE_PENDING);
}

TEST_F(SiteClock, AFinishedItemCountsAndGoesIdle) {
    Site *s = producing(9, 10, 200, 10);
    s->status_text = "Building";
    advance(s, 144);
    EXPECT_FALSE(s->state & SITE_PRODUCING);
    EXPECT_EQ(s->remaining_min, 0);
    EXPECT_EQ(s->completed_items, 1);
    EXPECT_EQ(s->status_text, "Idle");
    Site *lab = create(14);
    advance(lab, 10);
    EXPECT_EQ(lab->research_timer, 144) << "research without an owner only resets its clock";
}

// ---- Crew ----

using SiteCrew = SiteProductionTest;

TEST_F(SiteCrew, AHundredCrewIsEnoughToWork) {
    Site *base = owned(SITE_STARBASE);
    base->crew = -5;
    site_update_crew_state(base);
    EXPECT_EQ(base->crew, 0);
    EXPECT_TRUE(base->state & SITE_CREW_SHORT);
    site_add_crew(base, 99);
    EXPECT_TRUE(base->state & SITE_CREW_SHORT);
    base->crew_checked->minutes = 7;
    site_add_crew(base, 1);
    EXPECT_FALSE(base->state & SITE_CREW_SHORT);
    EXPECT_EQ(base->crew_checked->minutes, game->clock->minutes) << "a starbase restarts its intake clock";
}

TEST_F(SiteCrew, TheIntakeComesAfterMoreThanAWeekAndNotDuringConstruction) {
    Site *base = owned(SITE_STARBASE);
    base->crew = 500;
    const uint64_t checked = game->clock->minutes;
    base->crew_checked->minutes = checked;
    advance(base, 10080);
    EXPECT_EQ(base->crew_checked->minutes, checked) << "10080 minutes is not yet more than a week";
    advance(base, 1);
    EXPECT_EQ(base->crew_checked->minutes, checked + 10081);
    Site *building = owned(SITE_STARBASE);
    building->state = SITE_UNDER_CONSTRUCTION;
    building->crew_checked->minutes = 0;
    advance(building, 20000);
    EXPECT_EQ(building->crew_checked->minutes, 0u);
}

// ---- Recruits ----

using SiteRecruits = SiteProductionTest;

TEST_F(SiteRecruits, ANewPoolDrawsTwoTrainedRecruitsOfItsOwner) {
    Site *yard = owned(SITE_SHIPYARD);
    site_spawn_initial_recruits(yard);
    EXPECT_EQ(site_officer_count(yard), 0) << "only a training site draws recruits";
    Site *pool = owned(SITE_TRAINING);
    pool->sector_id = 444;
    game->next_id = 7000;
    site_spawn_initial_recruits(pool);
    ASSERT_EQ(site_officer_count(pool), 2);
    for (int32_t i = 0; i < 2; ++i) {
        const Officer *r = site_get_officer(pool, i);
        EXPECT_EQ(r->id, 7000u + uint64_t(i));
        EXPECT_EQ(r->owner_id, OWNER_ID);
        EXPECT_EQ(r->sector_id, 444u);
        EXPECT_EQ(r->refcount, 1);
        EXPECT_EQ(r->hired->minutes, game->clock->minutes);
        int32_t raised = 0;
        for (int32_t k : r->skills) raised += k;
        EXPECT_EQ(raised, 2) << "two skills raised by one";
        EXPECT_GT(r->training_cost, 0);
        EXPECT_GE(r->figures[0], 19);
    }
    EXPECT_GE(pool->recruit_timer, 30 * 1440);
    EXPECT_LE(pool->recruit_timer, 45 * 1440);
    site_spawn_initial_recruits(pool);
    EXPECT_EQ(site_officer_count(pool), 2) << "a pool with recruits draws none";
}

TEST_F(SiteRecruits, ArrivalsComeSlowerAsThePoolFills) {
    Site *pool = owned(SITE_TRAINING);
    recruit(pool, 1);
    pool->recruit_timer = 5;
    advance(pool, 5);
    ASSERT_EQ(site_officer_count(pool), 2);
    EXPECT_GE(pool->recruit_timer, 30 * 1440);
    EXPECT_LE(pool->recruit_timer, 45 * 1440);
    recruit(pool, 2);
    pool->recruit_timer = 1;
    advance(pool, 1);
    ASSERT_EQ(site_officer_count(pool), 4);
    EXPECT_GE(pool->recruit_timer, 60 * 1440);
    EXPECT_LE(pool->recruit_timer, 90 * 1440);
}

TEST_F(SiteRecruits, AFullPoolDropsItsOldestRecruitAtTheNextArrival) {
    Site *pool = owned(SITE_TRAINING);
    for (uint64_t id = 1; id <= 5; ++id) recruit(pool, id, 20, id == 3 ? 10 : 100 + id);
    Officer *oldest = site_find_recruit(pool, 3);
    officer_retain(oldest);
    pool->recruit_timer = 10;
    advance(pool, 10);
    EXPECT_EQ(site_officer_count(pool), 5) << "one came, the oldest went";
    EXPECT_EQ(site_find_recruit(pool, 3), nullptr);
    EXPECT_EQ(oldest->refcount, 1) << "released by the pool";
    EXPECT_GE(pool->recruit_timer, 90 * 1440);
    EXPECT_LE(pool->recruit_timer, 120 * 1440);
    officer_release(oldest);
}

TEST_F(SiteRecruits, ContestedTrainingTimeRunsAtHalfSpeed) {
    Site *pool = owned(SITE_TRAINING);
    pool->state = SITE_CONTESTED;
    pool->recruit_timer = 10;
    advance(pool, 7);
    EXPECT_EQ(pool->recruit_timer, 7);
    advance(pool, 7);
    EXPECT_EQ(pool->recruit_timer, 3);
    EXPECT_EQ(site_officer_count(pool), 0);
}

TEST_F(SiteRecruits, ResettingReleasesTheOldPoolAndDrawsANewOne) {
    Site *pool = owned(SITE_TRAINING);
    Officer *old = recruit(pool, 1);
    officer_retain(old);
    site_reset_recruits(pool);
    EXPECT_EQ(old->refcount, 1);
    ASSERT_EQ(site_officer_count(pool), 2);
    EXPECT_NE(site_get_officer(pool, 0), old);
    officer_release(old);
}

}  // namespace
