// The galaxy command on a real galaxy: which tasks a turn keeps, the fleet moves, and the AI's
// own ship designs.
#include <algorithm>
#include <set>
#include "ai/ai_design.h"
#include "ai/ai_galaxy.h"
#include "ai_task_fixture.h"
#include "game/game.h"
#include "game/tech.h"
#include "systems/system.h"

namespace {

using aitest::TaskWorld;

// The galaxy command reads the galaxy map's size and draws from the quick generator.
class GalaxyWorld : public TaskWorld {
protected:
    SlotGuard<int32_t> map_w_back_, map_h_back_;
    void SetUp() override {
        TaskWorld::SetUp();
        map_w_back_.replace(game->galaxy_map->world_w, 4096);
        map_h_back_.replace(game->galaxy_map->world_h, 3072);
        random_seed(2024);
    }
    static void set_move_target(Ship *s, uint64_t id) { ai_ship_set_word(s, AI_SHIP_MOVE_TARGET, id); }
};

// ---- The command's task upkeep ----

class GalaxyCommand : public GalaxyWorld {
protected:
    void SetUp() override {
        GalaxyWorld::SetUp();
        ai->extra_selections = 3;
        ai->research_queue_limit = 1;
        ai->attack_fleet_radius = 600;
    }
    // The types of the tasks that target an object.
    int32_t type_for(uint64_t target) {
        AgentTask *t = ai_find_task(ai, 0, 0, target, AI_MATCH_TARGET | AI_MATCH_SCAN);
        return t ? int32_t(t->type) : -1;
    }
};

TEST_F(GalaxyCommand, EverySectorGetsOneScanTaskByWhatThePlayerKnowsOfIt) {
    Sector *home = own_base(400, 400);
    Sector *raided = own_base(900, 400);
    ship_in(raided, rival);
    Sector *unknown = add_sector(0, 1500, 400);
    Sector *seen = add_sector(0, 1500, 900);
    player_learn_object(me, seen, 0);
    Sector *scanned = add_sector(0, 1500, 1400);
    player_learn_object(me, scanned, 1);
    Sector *claimed = add_sector(rival->id, 2000, 400);
    player_learn_object(me, claimed, 1);
    me->credits = 500;
    ai_galaxy_command(ai, me);
    struct Row {
        Sector *sector;
        int32_t type;
        const char *why;
    } rows[] = {
        {home, TASK_DEFEND_SECTOR, "own sector"},
        {raided, TASK_ATTACK_SECTOR, "own sector with an enemy ship inside"},
        {unknown, TASK_EXPLORE_SECTOR, "never seen"},
        {claimed, TASK_ATTACK_SECTOR, "known to have an owner"},
    };
    for (const Row &r : rows) EXPECT_EQ(type_for(r.sector->id), r.type) << r.why;
    const int32_t seen_type = type_for(seen->id), scanned_type = type_for(scanned->id);
    EXPECT_TRUE(seen_type == TASK_SCAN_SECTOR || seen_type == TASK_COLONIZE_SECTOR || seen_type == TASK_ATTACK_SECTOR)
        << seen_type;
    EXPECT_NE(scanned_type, TASK_EXPLORE_SECTOR);
    const int32_t before = ai_task_count(ai);
    ai_galaxy_command(ai, me);
    EXPECT_EQ(type_for(home->id), TASK_DEFEND_SECTOR);
    EXPECT_LE(ai_task_count(ai), before) << "a second turn adds no second scan task for a sector";
}

TEST_F(GalaxyCommand, StandingTasksAreKeptOncePerTurnAndResearchIsQueued) {
    Site *base = nullptr;
    own_base(400, 400, 50, &base);   // short of crew, no commander
    // A starbase busy with a facility leaves no site order to try before the research.
    ASSERT_EQ(site_start_production(base, 14, 0), RES_OK);
    int32_t available = 0;
    for (int32_t t = 0; t < PLAYER_TECH_COUNT; ++t)
        if (tech_get(t) && tech_get(t)->credits <= 1000) {
            me->tech_state[t] = TECH_AVAILABLE;
            ++available;
        }
    ASSERT_GT(available, 0);
    me->credits = 1000;
    player_run_galaxy_ai(me);   // the model's way in
    EXPECT_EQ(count_tasks(TASK_DEFEND_BASES), 1);
    EXPECT_EQ(count_tasks(TASK_TRAIN_PILOT), 3);
    EXPECT_EQ(count_tasks(TASK_BUILD_SITE), 3);
    EXPECT_EQ(count_tasks(TASK_TRANSFER_CREW), 1);
    EXPECT_EQ(count_tasks(TASK_ASSIGN_STARBASE_PILOT), 1);
    EXPECT_EQ(count_tasks(TASK_SCRAP_SHIPS), 0) << "no ship to scrap";
    int32_t queued = 0;
    for (uint32_t state : me->tech_state) queued += (state & TECH_QUEUED) ? 1 : 0;
    EXPECT_EQ(queued, 1) << "the queue limit T0 is 1";
    EXPECT_EQ(count_tasks(TASK_RESEARCH_TECH), available - 1) << "the queued one was done and swept";
    ai_galaxy_command(ai, me);
    EXPECT_EQ(count_tasks(TASK_DEFEND_BASES), 1);
    EXPECT_EQ(count_tasks(TASK_TRAIN_PILOT), 3);
    EXPECT_EQ(count_tasks(TASK_BUILD_SITE), 3);
}

TEST_F(GalaxyCommand, AnOrderTheCreditsCannotPayEndsTheDaysProduction) {
    Site *base = nullptr;
    Sector *home = own_base(400, 400, 500, &base);
    int32_t tech = -1;
    for (int32_t t = 0; t < PLAYER_TECH_COUNT && tech < 0; ++t)
        if (tech_get(t) && tech_get(t)->credits > 0) tech = t;
    ASSERT_GE(tech, 0);
    me->tech_state[tech] = TECH_AVAILABLE;
    player_add_facility(me, SITE_SHIPYARD);   // researched: a computer player lays down only what it knows
    int32_t site_cost = 0, minutes = 0;
    player_build_cost(me, SITE_SHIPYARD, home->id, &site_cost, &minutes);
    ASSERT_GT(site_cost, tech_get(tech)->credits);
    me->credits = tech_get(tech)->credits;   // the research, not the facility it wants first
    ai_galaxy_command(ai, me);
    EXPECT_FALSE(me->tech_state[tech] & TECH_QUEUED) << "the unpaid facility ended the day's production";
    EXPECT_EQ(me->credits, tech_get(tech)->credits);
    ASSERT_EQ(site_start_production(base, 14, 0), RES_OK);   // the starbase is busy: nothing to build
    ai_galaxy_command(ai, me);
    EXPECT_TRUE(me->tech_state[tech] & TECH_QUEUED);
    EXPECT_EQ(me->credits, 0);
}

TEST_F(GalaxyCommand, APlayerWithNothingOrAPassiveAiDecidesNothing) {
    ai_galaxy_command(ai, me);
    EXPECT_EQ(ai_task_count(ai), 0) << "no sector, no ship";
    own_base(400, 400);
    ai->flags |= AI_FLAG_PASSIVE;
    ai_galaxy_command(ai, me);
    EXPECT_EQ(ai_task_count(ai), 0) << "passive";
    EXPECT_TRUE(ai->flags & AI_FLAG_PERSONALITY_SET);
    EXPECT_EQ(ai->personality, 1) << "an empty personality range draws 1";
    ai->personality = 7;
    ai_galaxy_command(ai, me);
    EXPECT_EQ(ai->personality, 7) << "drawn once";
}

TEST_F(GalaxyCommand, AnEnemyFleetIsChasedOnlyWhileItsSightingIsADayOld) {
    own_base(400, 400);
    Fleet *fleet = fleet_at(rival, 500, 500);
    player_learn_object(me, fleet, 1);
    GameObject *snap = player_known_object_by_id(me, fleet->id);
    ASSERT_NE(snap, nullptr);
    ASSERT_NE(snap->seen_date, nullptr);
    for (const auto &[age, chased] : {std::pair{1441, false}, std::pair{1440, true}}) {
        snap->seen_date->minutes = game->clock->minutes - uint64_t(age);
        ai_galaxy_command(ai, me);
        EXPECT_EQ(ai_find_task(ai, TASK_ATTACK_FLEET, 0, fleet->id, AI_MATCH_TYPE | AI_MATCH_TARGET) != nullptr, chased)
            << "sighted " << age << " minutes ago";
    }
}

// ---- Fleet moves ----

TEST_F(GalaxyCommand, ShipsBoundForOneTargetLeaveTheirSectorInOneNewFleet) {
    Sector *home = own_base(400, 400);
    Sector *away = add_sector(0, 1400, 400);
    Ship *a = ship_in(home, me), *b = ship_in(home, me), *stay = ship_in(home, me);
    set_move_target(a, away->id);
    set_move_target(b, away->id);
    const int32_t objects_before = map_object_count(game->galaxy_map);
    ai_execute_moves(ai, me);
    EXPECT_EQ(map_object_count(game->galaxy_map), objects_before + 1);
    ASSERT_NE(a->fleet_id, 0u);
    EXPECT_EQ(a->fleet_id, b->fleet_id);
    EXPECT_EQ(a->sector_id, 0u);
    EXPECT_EQ(stay->sector_id, home->id);
    Fleet *fleet = fleet_of(game_find_object(game_get(), a->fleet_id));
    ASSERT_NE(fleet, nullptr);
    EXPECT_EQ(fleet->owner_id, me->id);
    ASSERT_NE(fleet_move_target(fleet), nullptr);
    EXPECT_EQ(fleet_move_target(fleet)->id, away->id);
    EXPECT_EQ(fleet_ship_count(fleet), 2);
}

TEST_F(GalaxyCommand, AVanishedMoveTargetEndsTheTurnsMoves) {
    Sector *home = own_base(400, 400);
    Sector *away = add_sector(0, 1400, 400);
    Ship *lost = ship_in(home, me), *fine = ship_in(home, me);
    set_move_target(lost, 99999999);
    set_move_target(fine, away->id);
    const int32_t objects_before = map_object_count(game->galaxy_map);
    ai_execute_moves(ai, me);
    EXPECT_EQ(map_object_count(game->galaxy_map), objects_before);
    EXPECT_EQ(fine->sector_id, home->id);
}

// ---- Ship designs ----

class AiDesigns : public GalaxyWorld {
protected:
    void give(int32_t type, int32_t subtype = -1) {
        System *s = subtype >= 0 ? system_create_subtype(type, subtype) : system_create(type);
        ASSERT_NE(s, nullptr) << type;
        list_append(&me->catalog, s);
    }
    int32_t named(const char *prefix) {
        int32_t n = 0;
        for (GameObject *d : me->designs.items)
            if (d && ship_of(d)->ship_name.rfind(prefix, 0) == 0) ++n;
        return n;
    }
    // Two combat designs of hull 3 wanted, each living 28 days.
    void want_combat_designs() {
        player_add_hull(me, 3);
        ai->template_weights[3] = 100;
        ai->weapon_first_chance = 100;
        ai->design_target = 2;
        ai->design_lifetime_min = ai->design_lifetime_max = 28;
    }
};

TEST_F(AiDesigns, CombatDesignsNeedAnEngineAreDrawnUpToTheTargetAndLiveTheirLifetime) {
    want_combat_designs();
    ai->system_weights[AI_SYSTEM_WEAPON] = 50;
    give(AI_SYSTEM_WEAPON);
    ai_update_ship_designs(ai, me);
    EXPECT_EQ(player_design_count(me), 0) << "without an engine no combat design is drawn";
    give(AI_SYSTEM_ENGINE);
    ai_update_ship_designs(ai, me);
    ASSERT_EQ(named("Combat Design #"), 2);
    for (GameObject *d : me->designs.items) {
        if (!d) break;
        Ship *ship = ship_of(d);
        EXPECT_EQ(ship->subtype, 3);
        EXPECT_EQ(ship->ai_word, 28);
        EXPECT_TRUE(ship_has_system_type(ship, AI_SYSTEM_ENGINE));
    }
    const uint64_t first = player_get_design_at(me, 0)->id;
    ai->design_target = 0;   // nothing replaces what retires
    advance_days(28);
    game->clock->minutes -= 1;
    ai_update_ship_designs(ai, me);
    EXPECT_EQ(player_design_count(me), 2) << "one minute short of 28 days";
    game->clock->minutes += 1;
    ai_update_ship_designs(ai, me);
    EXPECT_EQ(player_design_count(me), 0);
    EXPECT_EQ(player_get_design(me, first), nullptr);
}

// A hull the player holds but no player may build (the machine carrier) is never drawn, however
// heavily the corporation weighs it.
TEST_F(AiDesigns, CombatDesignsAreDrawnOnlyOnHullsAPlayerMayBuild) {
    want_combat_designs();
    player_add_hull(me, 1);
    ai->template_weights[1] = 10000;
    ai->design_target = 6;
    give(AI_SYSTEM_WEAPON);
    give(AI_SYSTEM_ENGINE);
    ai_update_ship_designs(ai, me);
    ASSERT_EQ(named("Combat Design #"), 6);
    for (GameObject *d : me->designs.items) {
        if (!d) break;
        EXPECT_EQ(ship_of(d)->subtype, 3);
        EXPECT_TRUE(ship_of(d)->hull_flags & HULL_FLAG_PLAYER_BUILDABLE);
    }
}

TEST_F(AiDesigns, OnlyAnActiveAiKeepsAConstructorAndAHackingGrid) {
    give(AI_SYSTEM_ENGINE);
    give(AI_SYSTEM_CONSTRUCTOR);
    give(AI_SYSTEM_HACKING);
    ai->flags |= AI_FLAG_PASSIVE;
    ai_update_ship_designs(ai, me);
    EXPECT_EQ(player_design_count(me), 0);
    ai->flags &= ~AI_FLAG_PASSIVE;
    ai_update_ship_designs(ai, me);
    EXPECT_EQ(named("Constructor #1"), 1);
    EXPECT_EQ(named("Hacking Grid #1"), 1);
    ai_update_ship_designs(ai, me);
    EXPECT_EQ(player_design_count(me), 2) << "kept, not made again";
}

TEST_F(AiDesigns, ABetterCatalogSystemIsRefittedExceptIntoADesignUnderConstruction) {
    Sector *home = own_base(400, 400, 800);
    Site *yard = add_site(home, SITE_SHIPYARD, me->id);
    sector_refresh_sites(home);
    want_combat_designs();
    give(AI_SYSTEM_ENGINE);
    give(AI_SYSTEM_WEAPON);
    ai_update_ship_designs(ai, me);
    ASSERT_EQ(player_design_count(me), 2);
    Ship *idle = ship_of(player_get_design_at(me, 0));
    Ship *built = ship_of(player_get_design_at(me, 1));
    idle->ai_word = 0;   // a design that is never retired
    me->credits = 1000000;
    ASSERT_EQ(site_start_production(yard, 0, built->id), RES_OK);
    ASSERT_TRUE(player_is_building_design(me, built->id));
    // Research brings a better weapon.
    System *catalog_weapon = player_best_system(me, AI_SYSTEM_WEAPON);
    const int32_t old_grade = ai_system_grade(catalog_weapon);
    if (catalog_weapon->flags & SYSTEM_FLAG_SUBTYPES) give(AI_SYSTEM_WEAPON, catalog_weapon->subtype + 1);
    else catalog_weapon->value += 10;
    const int32_t new_grade = ai_system_grade(player_best_system(me, AI_SYSTEM_WEAPON));
    ASSERT_GT(new_grade, old_grade);
    ai->design_target = 0;
    advance_days(40);              // past both lifetimes
    ai_update_ship_designs(ai, me);
    ASSERT_EQ(player_get_design(me, idle->id), idle);
    ASSERT_EQ(player_get_design(me, built->id), built) << "a design being built outlives its lifetime";
    int32_t refitted = 0;
    for (int32_t i = 0; i < idle->crit_count; ++i)
        if (const System *s = idle->crits[i].system; s && s->type == AI_SYSTEM_WEAPON) {
            EXPECT_EQ(ai_system_grade(s), new_grade);
            ++refitted;
        }
    EXPECT_GE(refitted, 1) << "the idle design carries the better weapon";
    for (int32_t i = 0; i < built->crit_count; ++i)
        if (const System *s = built->crits[i].system; s && s->type == AI_SYSTEM_WEAPON) {
            EXPECT_EQ(ai_system_grade(s), old_grade) << "and keeps its systems";
        }
    const uint64_t built_id = built->id;   // the retired design is freed
    site_stop_production(yard);
    ai_update_ship_designs(ai, me);
    EXPECT_EQ(player_get_design(me, built_id), nullptr) << "retired once the yard lets go of it";
}

}  // namespace
