// Site production inside real sectors from the generated store, the clock advanced as the game
// advances it: harvest cycles, research, laying down and finishing a facility, pausing and saving
// it, crew shortage, contested sectors, a deployed starbase's assembly and the day turn.
#include "galaxy_fixture.h"
#include "game/alert.h"
#include "game/officer.h"

#include "test_support.h"

namespace galaxytest {
namespace {

constexpr int32_t DAY = 1440;

class SectorProduction : public SectorFixture {
protected:
    void SetUp() override {
        SectorFixture::SetUp();
        add_player(7);
        add_player(8);
        s = make_sector(0, 7);
        s->label = "Vega";
        base = add_site(s, SITE_STARBASE);
        site_add_crew(base, 500);
        game->ui_player_id = 7;   // the news of player 7 is kept
        game_clear_alerts(game);
    }
    // The texts of the alerts posted to a player since the set-up.
    std::vector<std::string> alerts_for(uint64_t player) {
        std::vector<std::string> out;
        for (const Alert *a : game->alerts->items)
            if (a && a->kind != ALERT_DAY_HEADER && a->target_player_id == player) out.push_back(a->text);
        return out;
    }
    void TearDown() override {
        object_release(s);
        SectorFixture::TearDown();
    }
    // The game's clock moves on and the sector hears of it, in steps as the galaxy map takes them.
    void advance(int32_t minutes, int32_t step = 60) {
        for (int32_t done = 0; done < minutes; done += step) {
            const int32_t m = std::min(step, minutes - done);
            game->clock->minutes += uint64_t(m);
            date_from_minutes(game->clock);
            object_advance_clock(s, m);
        }
    }
    Sector *s = nullptr;
    Site   *base = nullptr;
};

// ---- Harvest ----

TEST_F(SectorProduction, HarvestCyclesTakeATenthAndTheTenthCycleTheRest) {
    // 257 crew: a harvester's day is 257, taken 25 a cycle and 25 + 7 on every tenth.
    site_add_crew(base, 257 - 500);
    Site *body = add_body(s, 9, 1, 100000);
    Site *harvester = add_site(s, SITE_HARVESTER);
    site_set_harvest_target(harvester, body->id);
    ASSERT_EQ(site_harvest_amount(harvester), 257);
    harvester->harvest_timer = 144;   // as a cycle has just run
    advance(2 * 144 + 72, 36);        // two cycles and a part
    EXPECT_EQ(body->resources_left, 100000 - 50);
    EXPECT_EQ(harvester->completed_items, 50) << "divisor 1: every unit a credit";
    EXPECT_EQ(harvester->harvest_cycle, 2);
    EXPECT_EQ(harvester->harvest_timer, 72);
    advance(8 * 144 - 72, 36);        // to the end of the tenth cycle
    EXPECT_EQ(body->resources_left, 100000 - 257) << "a whole day's amount";
    EXPECT_EQ(harvester->harvest_cycle, 0);
}

TEST_F(SectorProduction, ADivisorKeepsTheRemainderForTheNextCycle) {
    site_add_crew(base, 257 - 500);
    Site *body = add_body(s, 9, 3, 100000);
    Site *harvester = add_site(s, SITE_HARVESTER);
    site_set_harvest_target(harvester, body->id);
    harvester->harvest_timer = 144;
    advance(2 * 144 + 72, 36);
    // 25 -> 8 credits, 1 kept; then 25 + 1 = 26 -> 8 credits, 2 kept.
    EXPECT_EQ(harvester->completed_items, 16);
    EXPECT_EQ(harvester->harvest_carry, 2);
    EXPECT_EQ(body->resources_left, 100000 - 51);
    EXPECT_EQ(sector_harvest_income(s), 85) << "257 / 3 a day";
}

TEST_F(SectorProduction, AnExhaustedBodyGoesAndTheHarvesterMovesOn) {
    Site *small = add_body(s, 9, 1, 60);
    Site *next = add_body(s, 10, 5, 9000);
    Site *kept = add_body(s, 11, 9, 9000);
    give_feature(kept, FEATURE_RESOURCES)->site_mask |= FEATURE_MASK_KEEP_BODY;
    Site *harvester = add_site(s, SITE_HARVESTER);
    site_set_harvest_target(harvester, small->id);
    advance(144);
    EXPECT_EQ(small->resources_left, 0);
    EXPECT_TRUE(small->flags & OBJ_DEAD) << "removed from the sector at the next sweep";
    EXPECT_EQ(harvester->harvest_target_id, next->id) << "the cheapest free body";
    EXPECT_EQ(alerts_for(7), (std::vector<std::string>{"Vega I (site1) resources depleted"}));
    object_purge_dead(s);
    EXPECT_EQ(sector_site_count(s), 4);

    kept->resources_left = 10;
    site_set_harvest_target(harvester, kept->id);
    advance(144);
    EXPECT_EQ(kept->resources_left, 0);
    EXPECT_FALSE(kept->flags & OBJ_DEAD) << "its feature keeps the body";
}

// ---- Research ----

TEST_F(SectorProduction, AStationsResearchGrowsWithItsCommanderAndTheSectorsFeature) {
    Site *station = add_site(s, 14);
    EXPECT_EQ(site_research_rate(station), 500);
    EXPECT_DOUBLE_EQ(site_research_per_day(station), 1.25);
    Officer *chief = make_officer(40, "Sable", 7);
    chief->skills[SKILL_SCIENCE] = 3;
    site_set_pilot(base, chief);
    EXPECT_EQ(site_research_rate(station), 650) << "30 percent from the commander";
    Site *body = add_site(s, 12);
    give_feature(body, FEATURE_RESEARCH)->bonus = 20;
    EXPECT_EQ(site_research_rate(station), 750) << "and 20 from the sector's feature";
    EXPECT_EQ(sector_total_research_rate(s), 750);
    station->research_timer = 144;
    advance(144);
    EXPECT_EQ(station->research_timer, 144) << "one cycle ran";
    base->state |= SITE_CONTESTED;
    station->state |= SITE_CONTESTED;
    EXPECT_EQ(site_research_rate(station), 375) << "halved when contested";
}

// A commander and an owner read from a hostile save may carry any skill and bonus: the figures
// they raise stick at the int32_t limits instead of wrapping round to nothing or to less.
TEST_F(SectorProduction, SkillsAndBonusesAtTheLimitsHoldHarvestAndResearchAtTheTop) {
    Site *station = add_site(s, 14);
    Site *body = add_body(s, 9, 1, 100000);
    Site *harvester = add_site(s, SITE_HARVESTER);
    site_set_harvest_target(harvester, body->id);
    Officer *chief = make_officer(42, "Vesk", 7);
    site_set_pilot(base, chief);
    const int32_t plain_research = site_research_rate(station), plain_harvest = site_harvest_amount(harvester);
    ASSERT_GT(plain_research, 0);
    ASSERT_GT(plain_harvest, 0);

    chief->skills[SKILL_SCIENCE] = INT32_MAX;
    chief->skills[SKILL_MINING] = INT32_MAX;
    EXPECT_EQ(site_research_rate(station), INT32_MAX);
    EXPECT_EQ(site_harvest_amount(harvester), INT32_MAX);

    // The owner's bonus on top of the commander's, and a feature's as well.
    Player *owner = game_find_player(game, 7);
    ASSERT_NE(owner, nullptr);
    owner->bonus[0] = owner->bonus[1] = INT32_MAX;
    give_feature(add_site(s, 12), FEATURE_RESEARCH)->bonus = INT32_MAX;
    EXPECT_EQ(site_research_rate(station), INT32_MAX);
    EXPECT_EQ(site_harvest_amount(harvester), INT32_MAX);
    station->state |= SITE_CONTESTED;
    harvester->state |= SITE_CONTESTED;
    EXPECT_GT(site_research_rate(station), INT32_MAX / 4) << "halved, not wrapped";
    EXPECT_GT(site_harvest_amount(harvester), INT32_MAX / 4);

    // A bonus at the bottom takes nothing away; ordinary skills keep their figures.
    station->state &= ~SITE_CONTESTED;
    harvester->state &= ~SITE_CONTESTED;
    owner->bonus[0] = owner->bonus[1] = INT32_MIN;
    chief->skills[SKILL_SCIENCE] = chief->skills[SKILL_MINING] = 0;
    EXPECT_EQ(site_harvest_amount(harvester), plain_harvest);
    owner->bonus[0] = owner->bonus[1] = 0;
    chief->skills[SKILL_MINING] = 3;
    EXPECT_EQ(site_harvest_amount(harvester), plain_harvest * 130 / 100);

    // A starbase with more crew than a day's harvest can count.
    chief->skills[SKILL_MINING] = 0;
    base->crew = INT32_MAX;
    EXPECT_EQ(site_harvest_amount(harvester), INT32_MAX);
}

// ---- Facilities ----

TEST_F(SectorProduction, AFacilityIsLaidDownBuiltAndJoinsTheCensus) {
    ASSERT_TRUE(sector_can_build(s, 14));
    ASSERT_EQ(site_start_production(base, 14, 0), RES_OK);
    EXPECT_EQ(sector_find_site_under_construction(s, 14), nullptr) << "paid, not laid down yet";
    advance(60);
    Site *station = sector_find_site_under_construction(s, 14);
    ASSERT_NE(station, nullptr) << "laid down at the first minutes";
    EXPECT_EQ(station->owner_id, 7u);
    EXPECT_EQ(station->sector_id, s->id);
    EXPECT_FALSE(sector_can_build(s, 14)) << "the starbase is building it";
    const int32_t early = station->progress;
    EXPECT_GE(early, 1);
    advance(base->remaining_min / 2);
    EXPECT_GT(station->progress, early);
    EXPECT_LT(station->progress, 100);
    advance(base->remaining_min);
    EXPECT_FALSE(station->state & SITE_UNDER_CONSTRUCTION);
    EXPECT_FALSE(base->state & SITE_PRODUCING);
    EXPECT_EQ(base->completed_items, 1);
    EXPECT_EQ(s->site_counts[14], 1);
    EXPECT_FALSE(sector_can_build(s, 14));
    EXPECT_GT(site_research_rate(station), 0) << "at work at once";
    EXPECT_EQ(alerts_for(7), (std::vector<std::string>{"Vega sector - " + station->name + " complete"}));
}

// The recruits a school holds while it is being built enrol on the day it opens, not before.
TEST_F(SectorProduction, ASchoolsFirstRecruitsEnrolTheDayItOpens) {
    ASSERT_EQ(site_start_production(base, 15, 0), RES_OK);
    advance(60);
    Site *academy = sector_find_site_under_construction(s, 15);
    ASSERT_NE(academy, nullptr);
    ASSERT_EQ(academy->subtype, SITE_TRAINING);
    ASSERT_GT(site_officer_count(academy), 0) << "its pool is filled as it is laid down";
    advance(base->remaining_min);
    ASSERT_FALSE(academy->state & SITE_UNDER_CONSTRUCTION);
    ASSERT_NE(academy->built, nullptr);
    for (const Officer *recruit : academy->officers.items) {
        if (!recruit) break;
        ASSERT_NE(recruit->hired, nullptr);
        EXPECT_GE(recruit->hired->minutes, academy->built->minutes) << recruit->name << " enrolled before the school stood";
    }
}

TEST_F(SectorProduction, APausedFacilityKeepsItsProgressAndQuoteThroughASave) {
    ASSERT_EQ(site_start_production(base, 15, 0), RES_OK);
    advance(DAY);
    Site *academy = sector_find_site_under_construction(s, 15);
    ASSERT_NE(academy, nullptr);
    const int32_t progress = academy->progress;
    EXPECT_GT(progress, 0);
    site_stop_production(base);
    int32_t item = 0, cost = 0, days = 0;
    uint64_t id = 0;
    ASSERT_EQ(site_get_paused_production(base, &item, &id, &cost, &days), 1);
    EXPECT_EQ(item, 15);
    EXPECT_TRUE(sector_can_build(s, 15)) << "an interrupted construction is offered again";

    Buffer buf;
    ASSERT_EQ(object_write(s, &buf), RES_OK);
    buffer_set_cursor(&buf, 0);
    GameObject *obj = nullptr;
    ASSERT_EQ(object_read(&obj, &buf), RES_OK);
    Sector *loaded = sector_of(obj);
    ASSERT_EQ(object_link(loaded), RES_OK);
    Site *loaded_academy = sector_find_site_under_construction(loaded, 15);
    ASSERT_NE(loaded_academy, nullptr);
    EXPECT_EQ(loaded_academy->progress, progress) << "the same progress";
    int32_t item2 = 0, cost2 = 0, days2 = 0;
    uint64_t id2 = 0;
    ASSERT_EQ(site_get_paused_production(sector_find_site_of_kind(loaded, SITE_STARBASE), &item2, &id2, &cost2, &days2), 1);
    EXPECT_EQ(item2, item);
    EXPECT_EQ(cost2, cost) << "the same quote";
    EXPECT_EQ(days2, days);
    EXPECT_TRUE(sector_can_build(loaded, 15));
    object_destroy(loaded);
}

// ---- Crew ----

TEST_F(SectorProduction, AFacilityShortOfCrewStopsAndResumesWhenCrewArrives) {
    Site *yard = add_site(s, SITE_SHIPYARD);
    yard->state |= SITE_PRODUCING;   // a ship under way
    yard->item_id = 99, yard->remaining_min = yard->total_min = 3 * DAY, yard->cost_paid = 900;
    Site *academy = add_site(s, SITE_TRAINING);
    advance(60);
    ASSERT_GE(site_officer_count(academy), 1);
    const uint64_t recruit = site_get_officer(academy, 0)->id;
    ASSERT_EQ(site_start_production(academy, 0, recruit), RES_OK);
    advance(DAY);
    const int32_t left = academy->remaining_min;

    site_add_crew(base, -450);   // 50 aboard: the starbase can man nothing
    advance(60);
    for (Site *site : {yard, academy}) {
        EXPECT_FALSE(site->state & SITE_PRODUCING) << site->name;
        EXPECT_TRUE(site->state & SITE_CREW_SHORT) << site->name;
        EXPECT_TRUE(site->state & SITE_PAUSED_KEPT) << site->name << " keeps its item";
    }
    EXPECT_EQ(yard->paused_remaining, 3 * DAY - DAY - 60);
    EXPECT_EQ(alerts_for(7), (std::vector<std::string>{"Vega sector - site1 halted production due to crew shortage",
                                                       "Vega sector - site2 halted production due to crew shortage"}));
    EXPECT_EQ(site_start_production(academy, 0, recruit), RES_CREW_SHORT);

    site_add_crew(base, 100);
    advance(60);
    EXPECT_FALSE(academy->state & SITE_CREW_SHORT) << "crew arrived";
    ASSERT_EQ(site_start_production(academy, 0, recruit), RES_OK);
    EXPECT_EQ(academy->remaining_min, left) << "resumed where it stopped";
}

TEST_F(SectorProduction, TheStarbaseReachesItsCapacityOnce) {
    site_add_crew(base, base->params.crew_capacity - base->crew);
    advance(60);
    EXPECT_TRUE(base->state & SITE_CREW_FULL);
    EXPECT_TRUE(sector_starbase_crew_full(s));
    advance(60);
    EXPECT_EQ(alerts_for(7), (std::vector<std::string>{"Vega sector - Starbase at maximum crew capacity"})) << "once";
    site_add_crew(base, -1);
    advance(60);
    EXPECT_FALSE(base->state & SITE_CREW_FULL);
    site_add_crew(base, 1);
    advance(60);
    EXPECT_EQ(alerts_for(7).size(), 2u) << "full again, told again";
}

// ---- Contested sectors and the day turn ----

TEST_F(SectorProduction, ForeignShipsMakeTheSectorContestedAndProductionRunAtHalfSpeed) {
    ASSERT_EQ(site_start_production(base, 14, 0), RES_OK);
    advance(60);
    const int32_t before = base->remaining_min;
    Ship *raider = make_ship("Raider", 8);
    sector_add_object(s, raider);
    object_galaxy_turn(s);
    EXPECT_TRUE(base->state & SITE_CONTESTED);
    advance(120);
    EXPECT_EQ(base->remaining_min, before - 60);
    sector_remove_object(s, raider);
    object_galaxy_turn(s);
    EXPECT_FALSE(base->state & SITE_CONTESTED);
    advance(120);
    EXPECT_EQ(base->remaining_min, before - 180);
}

TEST_F(SectorProduction, TheDayTurnSeasonsTheStarbasesCommander) {
    Officer *chief = make_officer(41, "Orrin", 7);
    site_set_pilot(base, chief);
    const int32_t before = chief->experience;
    object_galaxy_turn(s);
    EXPECT_EQ(chief->experience, before + 100);
    site_add_crew(base, -450);
    advance(1);
    object_galaxy_turn(s);
    EXPECT_EQ(chief->experience, before + 100) << "not while the starbase is short of crew";
}

// ---- A deployed starbase ----

TEST_F(SectorProduction, ADeployedStarbaseStandsAfterItsAssemblyAndTakesTheFacilities) {
    Sector *other = make_sector(1, 8, 400, 0);
    Site *yard = add_site(other, SITE_SHIPYARD);
    yard->state |= SITE_PAUSED_KEPT | SITE_CONTESTED;
    Site *academy = add_site(other, SITE_TRAINING);
    const uint64_t old_recruit = site_get_officer(academy, 0)->id;
    Site *body = add_site(other, 9);
    Site *deployed = site_create(SITE_STARBASE);
    deployed->owner_id = 7;
    deployed->crew = 300;
    site_set_under_construction(deployed, 1);
    deployed->build_started->minutes = game->clock->minutes;
    sector_add_site(other, deployed, 0, 0);
    game->clock->minutes += 1425;
    object_advance_clock(other, 1);
    EXPECT_TRUE(deployed->state & SITE_UNDER_CONSTRUCTION) << "1425 minutes are not enough";
    game->clock->minutes += 1;
    object_advance_clock(other, 1);
    EXPECT_FALSE(deployed->state & SITE_UNDER_CONSTRUCTION);
    EXPECT_EQ(deployed->progress, 100);
    EXPECT_EQ(other->owner_id, 7u) << "the sector follows its starbase";
    ASSERT_EQ(alerts_for(7).size(), 1u);
    EXPECT_EQ(alerts_for(7)[0], " sector - " + deployed->name + " complete") << "an unnamed sector";
    for (Site *facility : {yard, academy}) {
        EXPECT_EQ(facility->owner_id, 7u) << facility->name;
        EXPECT_FALSE(facility->state & (SITE_PAUSED_KEPT | SITE_CONTESTED)) << facility->name;
    }
    EXPECT_EQ(body->owner_id, 8u) << "a body is no facility";
    ASSERT_GE(site_officer_count(academy), 1);
    EXPECT_NE(site_get_officer(academy, 0)->id, old_recruit) << "a fresh pool of recruits";
    EXPECT_EQ(site_get_officer(academy, 0)->owner_id, 7u);
    EXPECT_FALSE(deployed->state & SITE_CREW_SHORT);
    object_release(other);
}

}  // namespace
}  // namespace galaxytest
