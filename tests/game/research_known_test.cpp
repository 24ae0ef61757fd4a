// Research over the shipped technology table: queueing, points flowing from target to target,
// surplus points becoming credits at 400 a credit, pausing, completion with its effects and news,
// and stealing. Known-object memory: learning cascades and the fleet position ring.
#include "player_fixture.h"

#include "world/fleet.h"

using namespace playertest;

namespace {

// ---- Research ----

class Research : public PlayerWorld {
protected:
    Player *me = nullptr;
    void SetUp() override {
        PlayerWorld::SetUp();
        me = add_ui_player(10, "Vega");
        player_process_research(me);   // what needs nothing becomes available
    }
    // A tech whose prerequisites are all among the available ones at the start.
    int32_t first_tech_requiring_one() {
        for (int32_t t = 0; t < PLAYER_TECH_COUNT; ++t) {
            const TechInfo *info = tech_get(t);
            if (info && info->prerequisites.size() == 1) return t;
        }
        return -1;
    }
};

TEST_F(Research, QueueingRefusesWhatIsNotAvailableOrAlreadyQueued) {
    ASSERT_TRUE(player_is_tech_available(me, 0));
    EXPECT_EQ(player_queue_research(me, 57), RES_OUT_OF_RANGE);
    const int32_t later = first_tech_requiring_one();
    ASSERT_GE(later, 0);
    EXPECT_EQ(player_queue_research(me, later), RES_TECH_NOT_AVAILABLE);
    EXPECT_EQ(player_queue_research(me, 0), RES_OK);
    EXPECT_EQ(me->research_target, 0);
    EXPECT_EQ(me->queue_dates[0]->minutes, game->clock->minutes);
    EXPECT_EQ(player_queue_research(me, 0), RES_TECH_DONE_OR_QUEUED);
}

TEST_F(Research, PointsFlowInQueueOrderAndTheSurplusBecomesCredits) {
    ASSERT_EQ(player_queue_research(me, 1), RES_OK);
    advance_days(1);
    ASSERT_EQ(player_queue_research(me, 0), RES_OK);
    const int32_t cost1 = tech_get(1)->cost, cost0 = tech_get(0)->cost;
    player_add_research_points(me, cost1 + 100);
    EXPECT_TRUE(player_is_tech_done(me, 1)) << "the earlier queued tech first";
    EXPECT_EQ(me->research_points[0], 100);
    EXPECT_EQ(me->research_target, 0);
    const int32_t credits = me->credits;
    player_add_research_points(me, cost0 - 100 + 850);   // finishes 0, then 850 with nowhere to go
    EXPECT_TRUE(player_is_tech_done(me, 0));
    EXPECT_EQ(me->research_target, -1);
    EXPECT_EQ(me->credits - credits, 2);
    EXPECT_EQ(me->research_remainder, 50);
    player_add_research_points(me, 350);
    EXPECT_EQ(me->credits - credits, 3) << "the remainder is kept for later";
    EXPECT_EQ(me->research_remainder, 0);
}

TEST_F(Research, CompletionAppliesEffectsOnceAndAnnouncesWhatOpensUp) {
    const int32_t later = first_tech_requiring_one();
    ASSERT_GE(later, 0);
    const int32_t prereq = tech_get(later)->prerequisites[0];
    ASSERT_TRUE(player_is_tech_available(me, prereq));
    player_complete_tech(me, prereq);
    EXPECT_TRUE(me->tech_state[prereq] & TECH_APPLIED);
    EXPECT_EQ(me->completion_dates[prereq]->minutes, game->clock->minutes);
    EXPECT_TRUE(player_is_tech_available(me, later));
    int32_t complete = 0, available = 0;
    for (const Alert *a : game->alerts->items) {
        if (!a || a->kind != ALERT_RESEARCH) continue;
        if (a->text == std::string(tech_name(prereq)) + " research complete") ++complete;
        if (a->text == std::string(tech_name(later)) + " now available for research") ++available;
    }
    EXPECT_EQ(complete, 1);
    EXPECT_EQ(available, 1) << "announced once, after the completing tech";
    const int32_t catalog = list_count(&me->catalog);
    player_process_research(me);
    EXPECT_EQ(list_count(&me->catalog), catalog) << "nothing is applied twice";
}

TEST_F(Research, APausedTargetStopsAndResumingTakesOverAtOnce) {
    ASSERT_EQ(player_queue_research(me, 0), RES_OK);
    advance_days(1);
    ASSERT_EQ(player_queue_research(me, 1), RES_OK);
    EXPECT_EQ(player_pause_research(me, 0), RES_OK);
    EXPECT_EQ(me->research_target, 1);
    player_add_research_points(me, 10);
    EXPECT_EQ(me->research_points[0], 0);
    EXPECT_EQ(me->research_points[1], 10);
    EXPECT_EQ(player_resume_research(me, 0), RES_OK);
    EXPECT_EQ(me->research_target, 0) << "resuming makes it the target even while another runs";
    EXPECT_EQ(player_pause_research(me, 5), RES_TECH_NOT_AVAILABLE) << "not queued";
    EXPECT_EQ(player_count_active_research(me), 2);
}

TEST_F(Research, StealingPicksATechTheOtherHasAndWeLack) {
    Player *other = add_player(11, "Rigel");
    EXPECT_EQ(player_pick_stealable_tech(me, other), -1);
    other->tech_state[7] |= TECH_DONE;
    EXPECT_EQ(player_pick_stealable_tech(me, other), 7) << "one candidate: no draw";
    other->tech_state[3] |= TECH_DONE;
    me->tech_state[7] |= TECH_DONE;
    EXPECT_EQ(player_pick_stealable_tech(me, other), 3);
}

TEST_F(Research, DaysLeftAreAtLeastOneWhileResearchRuns) {
    me->totals.research_rate = 0;
    EXPECT_EQ(player_research_days_left(me, 0), 0);
    me->totals.research_rate = 1000000;
    EXPECT_EQ(player_research_days_left(me, 0), 1);
}

// ---- Known objects ----

class KnownObjects : public PlayerWorld {
protected:
    // A ship of the owner lying in the sector.
    Ship *visitor(Sector *sector, uint64_t owner, int32_t hull = 2) {
        Ship *ship = new_ship(hull);
        object_assign_id(ship);
        ship->owner_id = owner;
        ship_set_sector(ship, sector);
        return ship;
    }
};

TEST_F(KnownObjects, ASectorTeachesItsSitesAndVisitorsAndLearningTwiceKeepsOneCopy) {
    Player *me = add_player(10, "Vega");
    Sector *sector = add_sector(11, 300, 300);
    Site *base = add_site(sector, SITE_STARBASE, 11);
    Ship *ship = visitor(sector, 0);
    player_learn_object(me, sector, 1);
    EXPECT_NE(player_get_known_object(me, OBJECT_SECTOR, sector->id), nullptr);
    EXPECT_NE(player_get_known_object(me, OBJECT_SITE, base->id), nullptr);
    GameObject *ship_copy = player_get_known_object(me, OBJECT_SHIP, ship->id);
    ASSERT_NE(ship_copy, nullptr);
    EXPECT_TRUE(ship_copy->flags & OBJ_SNAPSHOT);
    const int32_t known = list_count(&me->known);
    player_learn_object(me, sector, 1);
    EXPECT_EQ(list_count(&me->known), known);
    EXPECT_EQ(player_get_known_object(me, OBJECT_SHIP, ship->id), ship_copy) << "refreshed in place";
    EXPECT_EQ(player_get_known_object(me, OBJECT_SITE, ship->id), nullptr) << "the kind must match";
}

// A damaged save's figures hold the value and strength at the 32-bit limits instead of overflowing.
TEST_F(KnownObjects, ValueAndStrengthOfSavedExtremesStopAtTheLimits) {
    Ship *ship = new_ship();
    ship->hull_flags &= ~(HULL_FLAG_NO_PILOT | HULL_FLAG_IMMOBILE);
    ship->online_load_a = ship->online_load_b = ship->crew = ship->max_mp = INT32_MAX;
    ship->shield_max = ship->max_armour = ship->armour = INT32_MAX;
    ship->pilot_id = 1;
    ship->pilot_rank = INT32_MAX;
    EXPECT_EQ(player_object_value(ship), INT32_MAX);
    EXPECT_EQ(ship_estimated_strength(ship), INT32_MAX);
    ship->online_load_a = ship->online_load_b = ship->max_mp = ship->armour = ship->max_armour = INT32_MIN;
    ship->crew = ship->pilot_rank = ship->shield_max = 0;
    EXPECT_EQ(player_object_value(ship), INT32_MIN);
    EXPECT_EQ(ship_estimated_strength(ship), INT32_MIN);
    object_destroy(ship);
}

TEST_F(KnownObjects, TheExpectedFleetPositionWeighsTheOlderObservations) {
    Player *me = add_player(10, "Vega");
    GameObject *snap = object_create_blank(OBJECT_FLEET);
    ASSERT_NE(snap, nullptr);
    snap->id = 77;
    snap->flags |= OBJ_SNAPSHOT;
    object_add_ref(snap);
    ASSERT_GE(list_append(&me->known, snap), 0);
    ASSERT_GE(hash_table_insert(me->known_map, snap), 0);
    const int32_t xs[] = {100, 200, 400};
    for (int32_t x : xs) {
        snap->x = x;
        snap->y = x / 2;
        player_track_known_fleets(me);
    }
    EXPECT_EQ(snap->saved_c, 3);
    EXPECT_EQ(snap->saved_d, (100 * 8 + 200 * 7) / 15) << "slots 0 and 1, weights 8 and 7; the newest is not in it";
    EXPECT_EQ(snap->saved_e, (50 * 8 + 100 * 7) / 15);
    for (int i = 0; i < 5; ++i) player_track_known_fleets(me);
    EXPECT_EQ(snap->saved_c, 0) << "the ring wraps after eight";
    EXPECT_TRUE(snap->flags & OBJ_KIND_BIT);
}

TEST_F(KnownObjects, ASectorHoldsAKnownEnemyOnlyThroughShipSnapshotsOfOtherOwners) {
    Player *me = add_player(10, "Vega");
    Sector *sector = add_sector(11, 300, 300);
    Site *base = add_site(sector, SITE_STARBASE, 11);
    visitor(sector, 10);
    player_learn_object(me, sector, 1);
    const GameObject *seen = player_get_known_object(me, OBJECT_SECTOR, sector->id);
    ASSERT_NE(seen, nullptr);
    EXPECT_FALSE(player_sector_has_known_enemy(me, seen)) << "its own ship and a starbase are no enemy ships";

    visitor(sector, 11, 3);
    EXPECT_FALSE(player_sector_has_known_enemy(me, seen)) << "arrived after the player looked";
    player_learn_object(me, sector, 1);
    EXPECT_TRUE(player_sector_has_known_enemy(me, seen));

    EXPECT_FALSE(player_sector_has_known_enemy(me, sector)) << "a live sector lists nothing known";
    EXPECT_FALSE(player_sector_has_known_enemy(me, player_known_object_by_id(me, base->id))) << "not a sector";
    EXPECT_FALSE(player_sector_has_known_enemy(me, nullptr));
}

TEST_F(KnownObjects, AFleetTeachesItsShipsAndComesBackFromASaveWithItsKindName) {
    Player *me = add_player(10, "Vega");
    Fleet *fleet = fleet_create();
    ASSERT_NE(fleet, nullptr);
    object_assign_id(fleet);
    fleet->owner_id = 11;
    std::vector<Ship *> ships;
    for (int32_t hull : {2, 3, 2}) {
        Ship *s = new_ship(hull);
        object_assign_id(s);
        s->owner_id = 11;
        fleet_add_ship(fleet, s);
        ships.push_back(s);
    }
    fleet_kind_name(fleet);
    player_learn_object(me, fleet, 0);
    for (Ship *s : ships) EXPECT_NE(player_get_known_object(me, OBJECT_SHIP, s->id), nullptr) << "#" << s->id;
    Fleet *seen = fleet_of(player_get_known_object(me, OBJECT_FLEET, fleet->id));
    ASSERT_NE(seen, nullptr);
    fleet_kind_name(seen);
    ASSERT_EQ(seen->display_name, "Squadron");

    Buffer buf;
    ASSERT_EQ(player_write(me, &buf), RES_OK);
    Player *back = nullptr;
    ASSERT_EQ(player_read(&back, &buf), RES_OK);
    const Fleet *loaded = fleet_of(player_get_known_object(back, OBJECT_FLEET, fleet->id));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->display_name, "Squadron") << "three known ships make a squadron";
    EXPECT_EQ(loaded->speed, seen->speed);
    player_free(back);
    list_clear(&me->known);
    hash_table_clear(me->known_map);
    object_detach(fleet);
    object_add_ref(fleet);
    object_release(fleet);
}

TEST_F(KnownObjects, ADetailedShipCopyIsKnownUntilABattleEnds) {
    Player *me = add_player(10, "Vega");
    Ship *ship = new_ship(2);
    object_assign_id(ship);
    player_learn_object(me, ship, 1);
    GameObject *copy = player_known_object_by_id(me, ship->id);
    ASSERT_NE(copy, nullptr);
    ship_of(copy)->ship_flags |= SHIP_FLAG_DETAILED_COPY;
    copy->snapshot_version = 1;
    EXPECT_TRUE(player_knows_object(me, ship->id));
    player_after_encounter(me);
    EXPECT_FALSE(player_knows_object(me, ship->id)) << "a battle's end blurs the details";
    object_destroy(ship);
}

}  // namespace
