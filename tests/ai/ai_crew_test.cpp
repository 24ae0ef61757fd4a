// Crew, pilot, repair and scrap tasks on a real galaxy: the pilot classes, the repair that exactly
// enough credits do not buy, the crew a starbase keeps, the scrapped ship's pilot and value, the
// training that goes on to a cheaper recruit, and the refit that keeps the old system when the copy
// does not fit.
#include "game/player_fixture.h"

#include "ai/agent_task.h"
#include "ai/ai_crew.h"
#include "ai/ai_player.h"
#include "app/app_hooks.h"
#include "game/game.h"

using namespace playertest;

namespace {

class CrewTasks : public PlayerWorld {
protected:
    Player *player = nullptr;
    AiPlayer *ai = nullptr;
    Sector *home = nullptr;
    Site *base = nullptr;

    void SetUp() override {
        PlayerWorld::SetUp();
        app_install_hooks();
        agent_task_types_init();
        for (int32_t t = 0; t < SHIP_TEMPLATE_COUNT; ++t) factory_acquire_group(OBJECT_SHIP, t, 0);
        player = add_player(7, "Red Corp");
        player->galaxy_ai = ai_player_create();
        ai = player->galaxy_ai;
        home = add_sector(7, 400, 400);
        base = add_site(home, SITE_STARBASE, 7);
        list_append(ai->own_sectors, static_cast<GameObject *>(home));
        ai->own_sector_count = 1;
    }

    // A hull of the player standing in the sector, with systems from the store.
    Ship *ship_in(Sector *sector, int32_t tmpl = 3) {
        Ship *s = new_ship(tmpl);
        player_commission_ship(player, s, nullptr, sector);
        ai->ship_count = player_object_count(player);
        return s;
    }

    AgentTask *task(int32_t type, uint32_t subtype, uint64_t target, GameObject *assignee = nullptr) {
        AgentTask *t = ai_add_task(ai, agent_task_create(type, subtype, target));
        EXPECT_NE(t, nullptr);
        if (t && assignee) agent_task_add_assignee(t, assignee);
        return t;
    }
};

TEST(PilotClass, TheStarbaseClassMustBeatBothOthersAndTiesFavourCombat) {
    struct Case {
        int32_t command, navigation, marksmanship, sensors, engineering, repair, science, mining, instruction;
        int32_t cls;
    };
    // Sc = 3C + 2(N + M), Sg = S + 2E + R, Ss = Sci + 2Min + I.
    const Case cases[] = {
        {0, 0, 0, 0, 0, 0, 0, 0, 0, PILOT_CLASS_COMBAT},    // all zero
        {1, 0, 0, 1, 1, 0, 1, 1, 0, PILOT_CLASS_COMBAT},    // 3 = 3 = 3
        {1, 0, 0, 1, 1, 0, 0, 1, 0, PILOT_CLASS_COMBAT},    // Sg = Sc > Ss
        {1, 0, 0, 2, 1, 0, 2, 1, 0, PILOT_CLASS_GALAXY},    // Sg = Ss = 4 > Sc
        {1, 0, 0, 0, 0, 0, 2, 1, 0, PILOT_CLASS_STARBASE},  // Ss 4 > Sc 3
        {0, 1, 1, 1, 0, 0, 0, 2, 0, PILOT_CLASS_COMBAT},    // Sc = Ss = 4 > Sg
        {0, 0, 0, 5, 0, 0, 0, 0, 4, PILOT_CLASS_GALAXY},
    };
    for (const Case &c : cases) {
        Officer o;
        const std::pair<int32_t, int32_t> skills[] = {
            {SKILL_COMMAND, c.command},   {SKILL_NAVIGATION, c.navigation}, {SKILL_MARKSMANSHIP, c.marksmanship},
            {SKILL_SENSORS, c.sensors},   {SKILL_ENGINEERING, c.engineering}, {SKILL_FIELD_REPAIR, c.repair},
            {SKILL_SCIENCE, c.science},   {SKILL_MINING, c.mining},         {SKILL_INSTRUCTION, c.instruction}};
        for (const auto &[skill, level] : skills) o.skills[skill] = level;
        EXPECT_EQ(officer_pilot_class(&o), c.cls) << "C" << c.command << " N" << c.navigation << " S" << c.sensors
                                                 << " Sci" << c.science << " Min" << c.mining;
    }
}

TEST_F(CrewTasks, PilotTasksWantMoreTheFurtherThePlayerFallsShort) {
    ai->combat_pilot_pct = 30;
    ai->galaxy_pilot_pct = 20;
    ai->starbase_pilot_pct = 100;
    struct Case {
        int32_t type, subtype, ships, have_index, have, utility;
    };
    const Case cases[] = {
        // train pilot, combat: want = 30 x ships / 100 + 1
        {TASK_TRAIN_PILOT, PILOT_CLASS_COMBAT, 10, 0, 4, 70},
        {TASK_TRAIN_PILOT, PILOT_CLASS_COMBAT, 10, 0, 3, 1070},
        {TASK_TRAIN_PILOT, PILOT_CLASS_COMBAT, 10, 1, 3, 1070},    // idle officers count too
        {TASK_TRAIN_PILOT, PILOT_CLASS_COMBAT, 20, 0, 3, 70 + 4000 + 750},
        // galaxy: want = 20 x ships / 100 + 1; starbase: want = 100 x sectors / 100 + 1
        {TASK_TRAIN_PILOT, PILOT_CLASS_GALAXY, 10, 2, 0, 70 + 3 * 450},
        {TASK_TRAIN_PILOT, PILOT_CLASS_GALAXY, 25, 3, 1, 70 + 5 * 450 + 2 * 450},
        {TASK_TRAIN_PILOT, PILOT_CLASS_STARBASE, 0, 4, 0, 70 + 2 * 750},
        // assign ship pilot: want = 50 x ships / 100 + 1, at least 2, counting assigned officers only
        {TASK_ASSIGN_SHIP_PILOT, 0, 0, 0, 0, 300 + 2 * 500},
        {TASK_ASSIGN_SHIP_PILOT, 0, 0, 1, 5, 300 + 2 * 500},
        {TASK_ASSIGN_SHIP_PILOT, 0, 10, 2, 2, 300 + 4 * 1000},
        {TASK_ASSIGN_SHIP_PILOT, 0, 10, 0, 6, 300},
    };
    for (const Case &c : cases) {
        std::fill(std::begin(ai->officer_stats), std::end(ai->officer_stats), 0);
        ai->officer_stats[c.have_index] = c.have;
        ai->ship_count = c.ships;
        AgentTask *t = agent_task_create(c.type, uint32_t(c.subtype), 0);
        agent_task_evaluate(t, ai, player, 0);
        EXPECT_EQ(t->utility, c.utility) << agent_task_type_name(c.type) << " class " << c.subtype << ", " << c.ships
                                         << " ships, " << c.have << " in stat " << c.have_index;
        agent_task_free(t);
    }
}

TEST_F(CrewTasks, ARepairCostingExactlyTheCreditsIsNeitherBoughtNorTheShipMoved) {
    Ship *ship = ship_in(home);
    ship->armour = ship->max_armour / 2;
    ASSERT_TRUE(ship_needs_repair(ship));
    const int32_t cost = ship_repair_cost(ship);
    ASSERT_GT(cost, 0);
    AgentTask *repair = task(TASK_REPAIR_SHIP, 0, ship->id, ship);
    for (int32_t extra : {0, 1}) {
        player->credits = cost + extra;
        ai_ship_set_word(ship, AI_SHIP_MOVE_TARGET, 0);
        agent_task_act(repair, ai, player);
        EXPECT_EQ(ai_ship_word(ship, AI_SHIP_MOVE_TARGET), 0u) << "already home";
        if (extra == 0) {
            EXPECT_EQ(player->credits, cost) << "equal credits buy nothing";
            EXPECT_LT(ship->armour, ship->max_armour);
        } else {
            EXPECT_EQ(player->credits, 1);
            EXPECT_EQ(ship->armour, ship->max_armour);
            EXPECT_TRUE(agent_task_check_done(repair, ai, player));
        }
    }
}

TEST_F(CrewTasks, ADamagedShipAwayFromHomeIsSentToTheNearestOwnSector) {
    Sector *far = add_sector(7, 2000, 400);
    add_sector(0, 500, 500);   // nearer, but nobody's
    Sector *elsewhere = add_sector(9, 1900, 450);
    Ship *ship = ship_in(elsewhere);
    ship->armour = 1;
    AgentTask *repair = task(TASK_REPAIR_SHIP, 0, ship->id, ship);
    player->credits = 1000000;
    agent_task_act(repair, ai, player);
    EXPECT_EQ(ai_ship_word(ship, AI_SHIP_MOVE_TARGET), far->id);
    EXPECT_EQ(ship->armour, 1) << "no repair away from home";
}

TEST_F(CrewTasks, TakingCrewNeverLeavesTheStarbaseBelowItsFloor) {
    // How far the base's crew stands above what the ship lacks: a source keeps 100 for itself.
    const struct { int32_t over_need; bool fills; } cases[] = {{99, false}, {100, true}, {101, true}, {5000, true}};
    for (const auto &c : cases) {
        Ship *ship = ship_in(home);
        ship->pilot_id = 1;   // crewed ships carry a pilot
        ship->crew = 0;
        const int32_t need = ship->max_crew;
        ASSERT_GT(need, 0);
        base->crew = need + c.over_need;
        player_update_totals(player);
        AgentTask *crew = task(TASK_TRANSFER_CREW, 0, ship->id, ship);
        agent_task_act(crew, ai, player);
        EXPECT_EQ(ship->crew, c.fills ? need : 0) << c.over_need;
        EXPECT_EQ(base->crew, c.fills ? c.over_need : need + c.over_need) << c.over_need;
        EXPECT_GE(base->crew, 100) << c.over_need;
        if (c.fills) {
            EXPECT_EQ(ship->ap, ship->max_ap);
        }
    }
}

TEST_F(CrewTasks, AShipFillingUpForACrewShortStarbaseLosesNoCrew) {
    // A ship with less than 100 aboard first fills up at the nearest source; a ship with room for
    // fewer than 100 takes only what it has room for, whatever the player's total starbase crew
    // asks it to take, and the rest stays in the source. The shipped hulls the players pilot all
    // hold 100 or more, so the small rooms here are hulls of light and compact size cut down.
    Sector *outpost = add_sector(7, 900, 400);
    Site *short_base = add_site(outpost, SITE_STARBASE, 7);
    list_append(ai->own_sectors, static_cast<GameObject *>(outpost));
    ai->own_sector_count = 2;
    const struct { int32_t tmpl, room, aboard, source_crew; } cases[] = {
        {2, 40, 0, 3000}, {2, 40, 25, 5000}, {2, 40, 0, 9000}, {5, 90, 10, 3000}, {5, 90, 60, 5000}, {5, 90, 0, 9000},
    };
    for (const auto &c : cases) {
        Ship *ship = ship_in(home, c.tmpl);
        ship->base_max_crew = c.room;
        ship_recompute_stats(ship);
        ASSERT_EQ(ship->max_crew, c.room);
        ship->pilot_id = 1;
        ship->crew = c.aboard;
        base->crew = c.source_crew;
        short_base->crew = 0;
        player_update_totals(player);
        AgentTask *crew = task(TASK_TRANSFER_CREW, 0, outpost->id, ship);
        agent_task_act(crew, ai, player);
        const std::string what = "hull " + std::to_string(c.tmpl) + ", source " + std::to_string(c.source_crew);
        EXPECT_EQ(ship->crew, ship->max_crew) << what;
        EXPECT_EQ(base->crew + ship->crew, c.source_crew + c.aboard) << what << ": crew vanished";
        // Full now, it takes nothing more the next day.
        agent_task_act(crew, ai, player);
        EXPECT_EQ(base->crew + ship->crew, c.source_crew + c.aboard) << what << ": crew vanished on the second day";
    }
}

// A colony starbase founded by a constructor has nobody aboard; the piloted hulls the computer
// players field first (the skiff they start with, the corsair they design) must be able to bring
// it the 100 it needs, or the forced task would hold the ship for the rest of the game.
TEST_F(CrewTasks, ThePilotedHullsOfTheEarlyGameCanManANewColonyStarbase) {
    Sector *outpost = add_sector(7, 900, 400);
    Site *colony = add_site(outpost, SITE_STARBASE, 7);
    list_append(ai->own_sectors, static_cast<GameObject *>(outpost));
    ai->own_sector_count = 2;
    const struct { int32_t tmpl, aboard, source_crew; } cases[] = {
        {2, 0, 2500}, {2, 100, 2500}, {2, 30, 5000}, {5, 0, 2500}, {5, 110, 8000}, {5, 55, 12000},
    };
    for (const auto &c : cases) {
        const std::string what = "hull " + std::to_string(c.tmpl) + ", aboard " + std::to_string(c.aboard);
        Ship *ship = ship_in(home, c.tmpl);
        ship->pilot_id = 1;
        ship->crew = std::min(c.aboard, ship->max_crew);
        base->crew = c.source_crew;
        colony->crew = 0;
        colony->state |= SITE_CREW_SHORT;
        player_update_totals(player);
        const int32_t people = base->crew + ship->crew;
        AgentTask *crew = task(TASK_TRANSFER_CREW, 0, outpost->id, ship);
        int32_t days = 0;
        for (; days < 6 && !agent_task_check_done(crew, ai, player); ++days) {
            ai_ship_set_word(ship, AI_SHIP_MOVE_TARGET, 0);
            agent_task_act(crew, ai, player);
            // The fleet move of the day: the ship arrives where the task sent it.
            if (GameObject *to = game_find_object(game_get(), ai_ship_word(ship, AI_SHIP_MOVE_TARGET))) ship_set_sector(ship, to);
            player_update_totals(player);
        }
        EXPECT_TRUE(agent_task_check_done(crew, ai, player)) << what << ": the colony is still short after " << days << " days";
        EXPECT_LE(days, 3) << what;
        EXPECT_GE(colony->crew, 100) << what;
        EXPECT_FALSE(colony->state & SITE_CREW_SHORT) << what;
        EXPECT_GE(base->crew, 100) << what << ": the source went below its floor";
        EXPECT_EQ(base->crew + colony->crew + ship->crew, people) << what << ": crew vanished";
        ship_set_sector(ship, nullptr);
    }
}

TEST_F(CrewTasks, AScrappedShipsPilotJoinsTheStarbaseNamingNoShip) {
    Ship *ship = ship_in(home);
    Officer *pilot = new_officer("Ada Vance");
    pilot->id = 555;
    officer_retain(pilot);
    ship_set_pilot(ship, pilot);
    ASSERT_EQ(pilot->ship_id, ship->id);
    ship->crew = 40;
    base->crew = 150;
    player->credits = 0;
    const int32_t value = ship_scrap_value(ship);
    AgentTask *scrap = task(TASK_SCRAP_SHIPS, 0, 0, ship);
    agent_task_act(scrap, ai, player);
    EXPECT_TRUE(ship->flags & OBJ_DEAD);
    EXPECT_EQ(ship->sector_id, 0u);
    EXPECT_EQ(sector_count_objects_of_owner(home, 7), 0);
    EXPECT_EQ(ship->pilot, nullptr);
    EXPECT_EQ(pilot->ship_id, 0u) << "the pilot no longer names the dead ship";
    EXPECT_EQ(pilot->sector_id, home->id);
    ASSERT_EQ(site_officer_count(base), 1);
    EXPECT_EQ(site_get_officer(base, 0), pilot);
    EXPECT_EQ(player->credits, std::max(value, 0));
    EXPECT_EQ(base->crew, 150 + std::clamp(base->params.crew_capacity - 150, 0, 40));
    officer_release(pilot);
}

TEST_F(CrewTasks, ScrappingAShipWithNothingBetterToFitCountsItsPowerAgainst) {
    Ship *ship = ship_in(home);
    System *beam = system_create(SYSTEM_TYPE_BEAM);
    ASSERT_EQ(ship_set_crit_system(ship, 0, beam), RES_OK);
    ai->ship_count = 5;   // more ships than sectors: no quartering
    AgentTask *scrap = task(TASK_SCRAP_SHIPS, 0, 0, ship);
    agent_task_evaluate(scrap, ai, player, 0);
    const int64_t power = int64_t(ship->online_load_a) + ship->online_load_b;
    ASSERT_GT(power, 0);
    const int32_t half_value = std::max(ship_scrap_value(ship) / 2, 0);
    EXPECT_EQ(scrap->priority_bonus, half_value - 3 * power * power);
    EXPECT_EQ(scrap->needed, 6);
    EXPECT_EQ(scrap->assigned, 1);
}

TEST_F(CrewTasks, TrainingGoesOnToACheaperRecruitWhenTheFirstCostsTooMuch) {
    Site *school = add_site(home, SITE_TRAINING, 7);
    Officer *dear = new_officer("Dear"), *cheap = new_officer("Cheap");
    dear->id = 901;
    cheap->id = 902;
    for (Officer *o : {dear, cheap}) {
        o->skills[SKILL_COMMAND] = 2;
        o->figures[0] = 3;
        site_add_officer(school, o);
    }
    dear->training_cost = 5000;
    cheap->training_cost = 800;
    player->credits = 1000;
    AgentTask *train = task(TASK_TRAIN_PILOT, PILOT_CLASS_COMBAT, 0);
    EXPECT_TRUE(train->flags & TASK_PRODUCTION);
    EXPECT_EQ(agent_task_check_blocked(train, ai, player), 0);
    agent_task_act(train, ai, player);
    EXPECT_TRUE(train->flags & TASK_DONE);
    EXPECT_EQ(player->credits, 200);
    EXPECT_TRUE(school->state & SITE_PRODUCING);
    EXPECT_EQ(school->item_id, 902u);
}

// ---- Refit ----

TEST_F(CrewTasks, ARefitMountsTheCopyFirstAndKeepsTheOldSystemWhenItDoesNotFit) {
    Ship *ship = ship_in(nullptr);
    System *old = system_create(SYSTEM_TYPE_BEAM);
    ASSERT_EQ(ship_set_crit_system(ship, 0, old), RES_OK);
    const int32_t rating = ship->online_load_a;
    const int64_t live = system_live_count();

    System *engine = system_create_subtype(SYSTEM_TYPE_ENGINE, 1);   // not for a system mount
    EXPECT_NE(ai_refit_crit(ship, 0, engine), RES_OK);
    EXPECT_EQ(ship_get_crit_system(ship, 0), old) << "the old beam stays";
    EXPECT_EQ(ship->online_load_a, rating);
    EXPECT_EQ(old->refcount, 1);
    system_free(engine);

    System *better = system_create(SYSTEM_TYPE_HEAVY_BEAM);
    ASSERT_EQ(ai_refit_crit(ship, 0, better), RES_OK);
    EXPECT_EQ(ship_get_crit_system(ship, 0), better);
    EXPECT_EQ(system_live_count(), live) << "the old beam is freed, the copy held";
}

}  // namespace
