// Battles without the combat screen, on real store ships in a small galaxy: where a side retreats
// to, how a battle nobody fights is broken off, how autocombat stops (end test, nothing left that
// can fight, the idle rule) and what the outcome leaves behind: fleets with consistent
// memberships, salvage, starbases captured or destroyed, the Battle for Sol; and what the field
// brings: deep-space fleets, ships made for the battle (machine-faction defenders and their site's
// losses), objects without a start, and the guardians' defence shots.
#include "autocombat_fixture.h"

#include <string>
#include <tuple>
#include "game/alert.h"
#include "game/officer.h"
#include "platform/calendar.h"
#include "platform/log.h"
#include "test_support.h"
#include "world/site_feature.h"

using namespace autocombat_test;

namespace {

constexpr uint64_t RED_ID = 9001, BLUE_ID = 9002, GREEN_ID = 9003, ARK_ID = 9004;

int g_plans = 0;   // plan requests seen by the counting hook

class Autocombat : public Battlefield {
protected:
    void SetUp() override {
        Battlefield::SetUp();
        red = player(RED_ID);
        blue = player(BLUE_ID);
        g_plans = 0;
    }
    // Counts the plan requests; the act stays empty, so each ship ends its turn at once.
    void count_plans() {
        WorldHooks hooks = world_hooks();
        hooks.ai_plan_ship = [](Player *, Ship *) { ++g_plans; };
        world_set_hooks(hooks);
    }
    // A fleet on the galaxy map holding the ship, hidden as a battle hides it.
    Fleet *hidden_fleet(Ship *s, int32_t x, int32_t y) {
        Fleet *f = fleet_create();
        EXPECT_NE(f, nullptr);
        object_set_owner_id(f, s->owner_id);
        map_place_object(game->galaxy_map, f, x, y, 1);
        map_add_pending_objects(game->galaxy_map);
        ship_set_fleet(s, f);
        fleet_set_hidden(f, true);
        object_add_ref(f);
        held.push_back(f);
        return f;
    }
    // A machine-faction ship made for the battle, dead once the battle's objects are released.
    Ship *drone(Player *owner) {
        Ship *s = ship_of(factory_create_object(OBJECT_SHIP, 0));
        EXPECT_NE(s, nullptr);
        s->flags |= OBJ_LOST;
        object_set_owner_id(s, owner->id);
        object_assign_id(s);
        object_add_ref(s);
        held.push_back(s);
        return s;
    }
    bool on_galaxy(const GameObject *obj) {
        for (int32_t i = 0; i < map_object_count(game->galaxy_map); ++i)
            if (map_object_at(game->galaxy_map, i) == obj) return true;
        return false;
    }
    bool in_sector_list(const Sector *s, const GameObject *obj) {
        for (int32_t i = 0; i < sector_object_count(s); ++i)
            if (sector_get_object(s, i) == obj) return true;
        return false;
    }
    // The ship is in exactly one fleet, which lists it, and in no sector.
    void expect_in_fleet(Ship *s, Fleet *fleet) {
        ASSERT_NE(fleet, nullptr);
        EXPECT_EQ(s->fleet_id, fleet->id);
        EXPECT_TRUE(fleet_has_ship_id(fleet, s->id));
        EXPECT_EQ(s->sector_id, 0u);
        EXPECT_EQ(fleet->owner_id, s->owner_id);
    }
    static int32_t centre_x(const GameObject *o) { return o->x + o->w / 2; }
    static int32_t centre_y(const GameObject *o) { return o->y + o->h / 2; }

    Player *red = nullptr, *blue = nullptr;
};

// ---- Where a side retreats to ----------------------------------------------------------------------

TEST_F(Autocombat, RetreatGoesToTheNearestFootholdThenTheNearestOwnedSectorThenTheFirstThenNowhere) {
    Sector *here = sector(1000, 1000, RED_ID);
    Encounter *enc = battle(here, {});
    EXPECT_EQ(encounter_find_retreat_sector(enc, RED_ID), nullptr) << "no other sector at all";
    Sector *far_red = sector(1600, 1000, RED_ID);     // held by red, far
    sector(1100, 1000);                            // nobody's, nearest
    Sector *green_s = sector(800, 1000, GREEN_ID);    // held by a third owner
    Sector *blue_visit = sector(1400, 1000);       // nobody's, a blue ship stands in it
    hauler(blue, blue_visit);

    EXPECT_EQ(encounter_find_retreat_sector(enc, RED_ID), far_red) << "a held sector beats nearer ones";
    EXPECT_EQ(encounter_find_retreat_sector(enc, BLUE_ID), blue_visit) << "a ship of the owner is a foothold";
    EXPECT_EQ(encounter_find_retreat_sector(enc, 777), green_s) << "without a foothold: the nearest owned sector";

    // Nothing owned anywhere: the first other sector in map order.
    object_set_owner_id(far_red, 0);
    object_set_owner_id(green_s, 0);
    object_set_owner_id(here, 0);
    EXPECT_EQ(encounter_find_retreat_sector(enc, 777), far_red);
}

// ---- Disengaging -----------------------------------------------------------------------------------

TEST_F(Autocombat, DisengagingInASectorLeavesItToTheFirstArrivalAndSendsTheOthersAway) {
    Sector *here = sector(1000, 1000);
    Sector *home_blue = sector(1000, 1300, BLUE_ID);
    Ship *late_red = hauler(red, here);
    Ship *early_blue = hauler(blue, here);
    Ship *late_red2 = hauler(red, here);
    late_red->arrival_date->minutes = late_red2->arrival_date->minutes = 5000;
    early_blue->arrival_date->minutes = 4000;
    sector(1000, 700, RED_ID);   // red's foothold, straight up
    Encounter *enc = battle(here, {late_red, early_blue, late_red2});

    encounter_disengage(enc);

    EXPECT_TRUE(encounter_is_finished(enc));
    EXPECT_EQ(early_blue->sector_id, here->id) << "the first to arrive stays";
    EXPECT_EQ(early_blue->fleet_id, 0u);
    EXPECT_TRUE(in_sector_list(here, early_blue));
    Fleet *fleet = fleet_of_ship(late_red);
    expect_in_fleet(late_red, fleet);
    expect_in_fleet(late_red2, fleet);
    EXPECT_EQ(fleet_ship_count(fleet), 2) << "one fleet per leaving owner";
    EXPECT_FALSE(in_sector_list(here, late_red));
    EXPECT_TRUE(on_galaxy(fleet));
    EXPECT_TRUE(fleet->flags & OBJ_VISIBLE);
    EXPECT_TRUE((fleet->fleet_flags & (FLEET_PINGS | FLEET_SHOWS_COUNT)) == (FLEET_PINGS | FLEET_SHOWS_COUNT));
    ASSERT_NE(fleet->move_target, nullptr);
    EXPECT_NE(fleet->move_target, here);
    EXPECT_EQ(fleet->move_target->owner_id, RED_ID);
    // Ten units from the centre, straight towards the target.
    EXPECT_EQ(centre_x(fleet), enc->centre_x);
    EXPECT_EQ(centre_y(fleet), enc->centre_y - AUTOCOMBAT_RETREAT_OFFSET);
    (void)home_blue;
}

TEST_F(Autocombat, DisengagingInDeepSpaceOnlyShowsTheFleetsAgain) {
    sector(400, 400);
    Ship *r = hauler(red, nullptr);
    Ship *b = hauler(blue, nullptr);
    Fleet *fr = hidden_fleet(r, 2000, 2000), *fb = hidden_fleet(b, 2010, 2000);
    Encounter *enc = battle(nullptr, {r, b}, ENCOUNTER_ENGAGEMENT, 2010, 2010);

    encounter_disengage(enc);

    EXPECT_TRUE(encounter_is_finished(enc));
    for (Fleet *f : {fr, fb}) {
        EXPECT_FALSE(fleet_is_hidden(f));
        EXPECT_FALSE(f->flags & OBJ_NO_POINTER_HIT);
        EXPECT_EQ(fleet_ship_count(f), 1) << "the ships stay in their fleets";
    }
    EXPECT_EQ(r->fleet_id, fr->id);
}

// ---- Autocombat: when it stops ---------------------------------------------------------------------

TEST_F(Autocombat, ABattleThatNobodyCanWinStopsByTheIdleRuleOrAtOnceAndEveryoneRetreats) {
    struct Case {
        const char *what;
        bool armed;
        int plans;   // turns played: one plan request each
    } cases[] = {
        {"armed ships without a combat AI idle 16 turns per placed object", true, 16 * 4},
        {"unarmed ships cannot fight at all", false, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        count_plans();
        Sector *here = sector(1000, 1000);
        Sector *red_home = sector(1300, 1000, RED_ID);
        Sector *blue_home = sector(1000, 1400, BLUE_ID);
        std::vector<Ship *> reds, blues;
        for (int i = 0; i < 2; ++i) {
            reds.push_back(c.armed ? gunship(red, here) : hauler(red, here));
            blues.push_back(c.armed ? gunship(blue, here) : hauler(blue, here));
        }
        Encounter *enc = battle(here, {reds[0], blues[0], reds[1], blues[1]});
        const int32_t cx = enc->centre_x, cy = enc->centre_y;

        encounter_autocombat(enc);

        EXPECT_EQ(g_plans, c.plans);
        EXPECT_EQ(list_count(game->encounters), 0) << "the finished battle left the game";
        EXPECT_EQ(map_object_count(game->combat_map), 0);
        EXPECT_FALSE(game->flags & GAME_FLAG_RESOLVE_AT_ONCE);
        EXPECT_EQ(list_count(enc->objects), 0) << "the battle released its objects";
        EXPECT_EQ(sector_object_count(here), 0) << "nobody stays";
        for (auto [ships, home, dx, dy] : {std::tuple{&reds, red_home, AUTOCOMBAT_RETREAT_OFFSET, 0},
                                           std::tuple{&blues, blue_home, 0, AUTOCOMBAT_RETREAT_OFFSET}}) {
            Fleet *fleet = fleet_of_ship((*ships)[0]);
            for (Ship *s : *ships) {
                expect_in_fleet(s, fleet);
                EXPECT_FALSE(s->flags & (OBJ_LEFT_MAP | OBJ_DEAD));
            }
            ASSERT_NE(fleet, nullptr);
            EXPECT_EQ(fleet_ship_count(fleet), 2);
            EXPECT_TRUE(fleet_is_retreated(fleet));
            EXPECT_TRUE(on_galaxy(fleet));
            EXPECT_EQ(fleet->move_target, home);
            EXPECT_EQ(centre_x(fleet), cx + dx);
            EXPECT_EQ(centre_y(fleet), cy + dy);
        }
    }
}

TEST_F(Autocombat, AHullThatCannotJumpStaysInTheSector) {
    Sector *here = sector(1000, 1000);
    sector(1300, 1000, RED_ID);
    Ship *stuck = gunship(red, here);
    stuck->hull_flags |= HULL_FLAG_NO_JUMP;
    Ship *other = gunship(blue, here);
    Encounter *enc = battle(here, {stuck, other});

    encounter_autocombat(enc);

    EXPECT_EQ(stuck->sector_id, here->id);
    EXPECT_EQ(stuck->fleet_id, 0u);
    EXPECT_TRUE(in_sector_list(here, stuck));
    expect_in_fleet(other, fleet_of_ship(other));
}

// ---- Autocombat fought to the end -------------------------------------------------------------------

TEST_F(Autocombat, AFightToTheEndLeavesTheVictorInTheSectorAndPaysItTheSalvage) {
    use_gunners();
    Sector *here = sector(1000, 1000);
    sector(1300, 1000, BLUE_ID);
    Ship *r1 = gunship(red, here);
    Ship *r2 = gunship(red, here);
    Ship *b1 = hauler(blue, here);   // cannot shoot back
    Ship *b2 = hauler(blue, here);
    red->credits = 100;
    const int32_t earned = red->credits_earned;
    const int64_t salvage = int64_t(b1->roll_value) + b2->roll_value;
    ASSERT_GT(salvage, 0) << "ships built for a player get a salvage roll";
    Encounter *enc = battle(here, {r1, b1, r2, b2});
    enc->field_w = 440;   // a cramped field: every ship within beam range
    enc->field_h = 440;
    encounter_layout(enc);

    encounter_autocombat(enc);

    EXPECT_TRUE(b1->flags & OBJ_DEAD);
    EXPECT_TRUE(b2->flags & OBJ_DEAD);
    for (Ship *s : {r1, r2}) {
        EXPECT_FALSE(s->flags & (OBJ_DEAD | OBJ_LEFT_MAP));
        EXPECT_EQ(s->sector_id, here->id) << "the victor holds the field";
        EXPECT_EQ(s->fleet_id, 0u);
        EXPECT_TRUE(in_sector_list(here, s));
    }
    EXPECT_EQ(red->credits, 100 + salvage);
    EXPECT_EQ(red->credits_earned, earned + salvage);
    EXPECT_EQ(player_object_count(blue), 0) << "the dead were purged from their owner";
    EXPECT_FALSE(in_sector_list(here, b1));
    EXPECT_NE(player_known_object_by_id(red, here->id), nullptr) << "the sides learn the sector";
    EXPECT_NE(player_known_object_by_id(blue, r1->id), nullptr) << "and the ships that are left";
}

// A ship lost in battle is news for its owner, and so is its commander's fate.
TEST_F(Autocombat, ALostShipAndItsCommanderAreNewsForTheirOwner) {
    use_gunners();
    Sector *here = sector(1000, 1000);
    here->label = "Tarsus";
    sector(1300, 1000, BLUE_ID);
    Ship *r1 = gunship(red, here);
    Ship *b1 = hauler(blue, here);
    Ship *b2 = hauler(blue, here);
    b1->ship_name = "Kestrel";
    b2->ship_name = "Heron";
    Officer *pilot = officer_create();
    ASSERT_NE(pilot, nullptr);
    pilot->id = 9001;
    pilot->owner_id = BLUE_ID;
    pilot->name = "Ada Kline";
    player_add_officer(blue, pilot);
    ship_set_pilot(b1, pilot);
    b1->escape_chance = 0;   // no pod: the commander goes down with the ship
    game->ui_player_id = BLUE_ID;   // the news kept is the UI player's
    game_clear_alerts(game);
    Encounter *enc = battle(here, {r1, b1, b2});
    enc->field_w = 440;
    enc->field_h = 440;
    encounter_layout(enc);

    encounter_autocombat(enc);

    ASSERT_TRUE(b1->flags & OBJ_DEAD);
    ASSERT_TRUE(b2->flags & OBJ_DEAD);
    std::vector<std::string> news;
    for (const Alert *a : game->alerts->items)
        if (a && a->kind != ALERT_DAY_HEADER) news.push_back(a->text);
    EXPECT_EQ(news, (std::vector<std::string>{"Tarsus sector - Starship Kestrel was destroyed with Ada Kline aboard",
                                              "Tarsus sector - Starship Heron was destroyed"}));
    EXPECT_EQ(player_find_officer(blue, pilot->id), nullptr) << "the commander is lost with the ship";
}

TEST_F(Autocombat, TheVictorIsTheSideStillOnTheFieldNotTheHolderThatRetreatedFromIt) {
    Sector *here = sector(1000, 1000, BLUE_ID);   // the holder is the first side
    sector(1300, 1000, RED_ID);
    Ship *b1 = hauler(blue, here);
    Ship *wreck = hauler(blue, here);
    Ship *r1 = hauler(red, here);
    Encounter *enc = battle(here, {b1, wreck, r1});
    ASSERT_EQ(encounter_get_side(enc, 0), BLUE_ID);
    b1->flags |= OBJ_LEFT_MAP;   // the holder broke off; the attacker stayed
    wreck->flags |= OBJ_DEAD;
    const int32_t salvage = wreck->roll_value;
    ASSERT_GT(salvage, 0);
    red->credits = 100;
    blue->credits = 100;
    enc->flags |= ENCOUNTER_FLAG_FINISHED;
    encounter_apply_outcome(enc);
    EXPECT_EQ(enc->victor_id, RED_ID);
    EXPECT_EQ(red->credits, 100 + salvage) << "the salvage goes to the side that held the field";
    EXPECT_EQ(blue->credits, 100);
    EXPECT_FALSE(b1->flags & OBJ_LEFT_MAP) << "the retreated bit is spent by the outcome";

    Ship *b2 = hauler(blue, here);
    Ship *r2 = hauler(red, here);
    Encounter *parted = battle(here, {b2, r2});
    b2->flags |= OBJ_LEFT_MAP;
    r2->flags |= OBJ_LEFT_MAP;
    parted->flags |= ENCOUNTER_FLAG_FINISHED;
    encounter_apply_outcome(parted);
    EXPECT_EQ(parted->victor_id, 0u) << "both sides left the field";
}

// ---- Starbases -------------------------------------------------------------------------------------

TEST_F(Autocombat, AnAssaultedStarbaseIsCapturedByABoardingGridDestroyedWithoutOneAndKeptWhenTwoClaimIt) {
    struct Case {
        const char *what;
        bool boarding;
        bool second_attacker;
        bool second_base;   // the defender holds another starbase sector
        const char *defender_news;
    } cases[] = {
        {"boarding grid: captured", true, false, false, "Starbase captured"},
        {"no grid: destroyed", false, false, false, "Starbase destroyed"},
        {"destroyed, but the defender has another sector", false, false, true, "Starbase destroyed"},
        {"two attacking owners: nothing changes", true, true, false, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        Player *green = player(GREEN_ID, PLAYER_KIND_HUMAN);
        game->ui_player = green;
        game->ui_player_id = GREEN_ID;
        game->clock->minutes = 9 * MINUTES_PER_DAY;
        date_from_minutes(game->clock);
        Sector *here = sector(1000, 1000, GREEN_ID);
        here->label = "Tarsus";
        Site *base = site(here, SITE_STARBASE, GREEN_ID);
        Site *school = site(here, SITE_TRAINING, GREEN_ID);
        base->crew = 400;
        if (c.second_base) site(sector(1400, 1000, GREEN_ID), SITE_STARBASE, GREEN_ID);
        player_update_totals(green);
        Ship *attacker = c.boarding
                             ? ship(red, here, {{LANCER_FORE, SYSTEM_TYPE_BOARDING_GRID}, {LANCER_ENGINE, SYSTEM_TYPE_ENGINE}})
                             : hauler(red, here);
        if (c.boarding) {
            ASSERT_TRUE(attacker->ship_flags & SHIP_FLAG_BOARDING);
        }
        Ship *other = c.second_attacker ? hauler(blue, here) : nullptr;
        if (other) {   // neither can hurt the other; both stay when the battle runs out
            attacker->hull_flags |= HULL_FLAG_NO_JUMP;
            other->hull_flags |= HULL_FLAG_NO_JUMP;
        }
        Encounter *enc = other ? battle(here, {base, attacker, other}, ENCOUNTER_STARBASE_ASSAULT)
                               : battle(here, {base, attacker}, ENCOUNTER_STARBASE_ASSAULT);

        encounter_autocombat(enc);

        std::vector<std::string> news;
        for (int32_t i = 0; i < list_count(game->alerts); ++i)
            if (const Alert *a = list_get(game->alerts, i); a->kind != ALERT_DAY_HEADER) news.push_back(a->text);
        if (!c.defender_news) {
            EXPECT_EQ(base->owner_id, GREEN_ID);
            EXPECT_EQ(here->owner_id, GREEN_ID);
            EXPECT_FALSE(base->flags & OBJ_DEAD);
            EXPECT_TRUE(news.empty());
            EXPECT_EQ(green->defeated_by, 0u);
            continue;
        }
        ASSERT_EQ(news.size(), 1u) << "only the UI player's news is kept";
        EXPECT_EQ(news[0], std::string("Tarsus sector - ") + c.defender_news);
        if (c.second_base) {
            EXPECT_EQ(green->defeated_by, 0u) << "it still holds a sector";
        } else {
            EXPECT_EQ(green->defeated_by, RED_ID) << "its last sector fell";
            ASSERT_NE(green->defeat_date, nullptr);
            EXPECT_EQ(green->defeat_date->minutes, game->clock->minutes);
        }
        if (c.boarding) {
            EXPECT_EQ(here->owner_id, RED_ID);
            EXPECT_EQ(base->owner_id, RED_ID);
            EXPECT_EQ(school->owner_id, RED_ID) << "the owner's other sites pass with it";
            EXPECT_EQ(base->crew, 0);
            EXPECT_FALSE(base->flags & OBJ_DEAD);
        } else {
            EXPECT_EQ(here->owner_id, 0u);
            EXPECT_EQ(school->owner_id, 0u);
            EXPECT_TRUE(school->state & SITE_CREW_SHORT);
            EXPECT_TRUE(base->flags & OBJ_DEAD);
        }
        EXPECT_EQ(attacker->sector_id, here->id) << "the attacker stays in the sector";
    }
}

// The officers waiting at a captured starbase stay there, still the defender's; the starbase links
// them as a load does (through the player they served, not its new owner).
TEST_F(Autocombat, ACapturedStarbaseKeepsTheDefendersWaitingOfficersAndStillLinksThem) {
    Sector *here = sector(1000, 1000, GREEN_ID);
    Player *green = player(GREEN_ID);
    Site *base = site(here, SITE_STARBASE, GREEN_ID);
    base->crew = 400;
    Officer *waiting = officer_create();
    ASSERT_NE(waiting, nullptr);
    waiting->id = 9002;
    waiting->owner_id = GREEN_ID;
    player_add_officer(green, waiting);
    site_add_officer(base, waiting);
    Ship *attacker = ship(red, here, {{LANCER_FORE, SYSTEM_TYPE_BOARDING_GRID}, {LANCER_ENGINE, SYSTEM_TYPE_ENGINE}});
    ASSERT_TRUE(attacker->ship_flags & SHIP_FLAG_BOARDING);

    encounter_autocombat(battle(here, {base, attacker}, ENCOUNTER_STARBASE_ASSAULT));

    ASSERT_EQ(base->owner_id, RED_ID);
    ASSERT_EQ(site_officer_count(base), 1);
    EXPECT_EQ(site_get_officer(base, 0), waiting);
    EXPECT_EQ(player_find_officer(green, 9002), waiting);
    base->flags &= ~OBJ_LINKED;
    EXPECT_EQ(object_link(base), RES_OK);
    EXPECT_EQ(site_get_officer(base, 0), waiting);
}

// ---- The Battle for Sol ----------------------------------------------------------------------------

TEST_F(Autocombat, TheSolSectorPassesToAVictorOtherThanItsGuardians) {
    struct Case {
        const char *what;
        bool guardians_win;
    } cases[] = {{"an attacker wins: sector and starbase fall", false}, {"the guardians hold it", true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        use_gunners();
        Player *sol = player(GREEN_ID);
        game->sol_player_id = GREEN_ID;
        Sector *sol_sector = sector(1000, 1000, GREEN_ID);
        game->sol_sector_id = sol_sector->id;
        sector(1300, 1000, RED_ID);
        Site *base = site(sol_sector, SITE_STARBASE, GREEN_ID);
        Ship *winner = gunship(c.guardians_win ? sol : red, sol_sector);
        Ship *loser = hauler(c.guardians_win ? red : sol, sol_sector);
        Encounter *enc = battle(sol_sector, {winner, loser}, ENCOUNTER_SOL);
        enc->field_w = 440;   // a cramped field: every ship within beam range
        enc->field_h = 440;
        encounter_layout(enc);

        encounter_autocombat(enc);

        ASSERT_TRUE(loser->flags & OBJ_DEAD);
        EXPECT_EQ(sol_sector->owner_id, c.guardians_win ? GREEN_ID : RED_ID);
        EXPECT_EQ((base->flags & OBJ_DEAD) != 0, !c.guardians_win);
    }
}

// ---- What the field brings into the battle ---------------------------------------------------------

TEST_F(Autocombat, ADeepSpaceVictorFormsAFleetCentredOnTheMeetingPoint) {
    use_gunners();
    sector(400, 400, BLUE_ID);
    Ship *hunter = gunship(red, nullptr);
    Ship *prey = hauler(blue, nullptr);
    Fleet *old_red = hidden_fleet(hunter, 2000, 2000);
    hidden_fleet(prey, 2005, 2000);
    Encounter *enc = battle(nullptr, {hunter, prey}, ENCOUNTER_ENGAGEMENT, 2020, 2015);
    enc->field_w = enc->field_h = 440;
    encounter_layout(enc);

    encounter_autocombat(enc);

    ASSERT_TRUE(prey->flags & OBJ_DEAD);
    Fleet *fleet = fleet_of_ship(hunter);
    ASSERT_NE(fleet, nullptr);
    EXPECT_NE(fleet, old_red) << "the winner leaves in a new fleet";
    EXPECT_TRUE(fleet_has_ship_id(fleet, hunter->id));
    EXPECT_EQ(fleet_ship_count(fleet), 1);
    EXPECT_FALSE(fleet_is_retreated(fleet));
    EXPECT_FALSE(fleet_is_hidden(fleet));
    EXPECT_EQ(fleet->move_target, nullptr);
    EXPECT_EQ(fleet->x + fleet->w / 2, 2020);
    EXPECT_EQ(fleet->y + fleet->h / 2, 2015);
    EXPECT_TRUE(on_galaxy(fleet));
    EXPECT_EQ(fleet_ship_count(old_red), 0);
    EXPECT_FALSE(on_galaxy(old_red)) << "the emptied fleet was swept away";
}

TEST_F(Autocombat, MachineDefendersJoinTheirOwnerAndTheirSiteCountsWhatIsLeft) {
    struct Case {
        const char *what;
        bool gunners;
        int32_t defenders_lost;   // -1: every defender fell
    } cases[] = {{"nobody can win: all three defenders are left", false, 2}, {"the attackers destroy them", true, -1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        if (c.gunners) use_gunners();
        Player *ark = player(ARK_ID);
        game->combat_ai_player_id = ARK_ID;
        Sector *here = sector(1000, 1000);
        sector(1300, 1000, RED_ID);
        Site *body = site(here, 11, 0);
        body->feature = new SiteFeature();
        body->feature->defence_kind = FEATURE_DEFENCE_ARMED;
        body->feature->defenders = 5;
        Ship *d1 = drone(ark), *d2 = drone(ark), *d3 = drone(ark);
        Ship *r1 = gunship(red, here), *r2 = gunship(red, here);
        Encounter *enc = battle(here, {d1, d2, d3, r1, r2}, ENCOUNTER_ARK);
        enc->ark_site_id = body->id;
        enc->field_w = enc->field_h = 440;
        encounter_layout(enc);

        encounter_autocombat(enc);

        for (Ship *d : {d1, d2, d3}) {
            EXPECT_TRUE(d->flags & OBJ_DEAD) << "made for the battle: dead once it is over";
            EXPECT_EQ(d->sector_id, 0u);
            EXPECT_EQ(d->fleet_id, 0u) << "it never leaves in a fleet";
        }
        if (c.defenders_lost < 0) {
            EXPECT_EQ(body->feature->defence_kind, FEATURE_DEFENCE_NONE);
            EXPECT_EQ(red->credits_earned, int64_t(d1->roll_value) + d2->roll_value + d3->roll_value)
                << "the machine's ships are salvage like any other";
        } else {
            EXPECT_EQ(body->feature->defence_kind, FEATURE_DEFENCE_ARMED);
            EXPECT_EQ(body->feature->defenders_lost, c.defenders_lost);
        }
        EXPECT_EQ(player_object_count(ark), 0) << "the dead defenders left their owner's list";
    }
}

TEST_F(Autocombat, AnObjectWithoutAStartIsLeftOutWithAWarning) {
    LogFileCatcher log(fresh_test_dir("game"), LOG_WARN);
    Sector *here = sector(1000, 1000);
    sector(1300, 1000, RED_ID);
    Ship *r = gunship(red, here);
    Ship *b = gunship(blue, here);
    Ship *late = hauler(blue, here);
    Encounter *enc = battle(here, {r, b});
    encounter_add_object(enc, late);   // joined after the layout: no start on the field
    late->ship_name = "Latecomer";

    encounter_autocombat(enc);

    EXPECT_NE(log.text().find("Encounter failed to add autocombat object #" + std::to_string(late->id) +
                              " \"Latecomer\" (no object info found)"),
              std::string::npos)
        << log.text();
    EXPECT_FALSE(late->flags & OBJ_LEFT_MAP);
    EXPECT_EQ(late->fleet_id, 0u) << "it never took the field, so it did not retreat";
    EXPECT_EQ(late->sector_id, here->id);
    EXPECT_NE(r->fleet_id, 0u) << "the placed ships ran out of time and retreated";
}

TEST_F(Autocombat, TheGuardiansDefenceShotsStrikeTheAttackers) {
    Player *sol = player(GREEN_ID);
    game->sol_player_id = GREEN_ID;
    Sector *sol_sector = sector(1000, 1000, GREEN_ID);
    game->sol_sector_id = sol_sector->id;
    sector(1300, 1000, RED_ID);
    Ship *guard = hauler(sol, sol_sector);
    guard->hull_flags |= HULL_FLAG_NO_JUMP;
    Ship *attacker = gunship(red, sol_sector);
    attacker->hull_flags |= HULL_FLAG_NO_JUMP;   // it stays to take the shots
    const int32_t armour = attacker->armour;
    Encounter *enc = battle(sol_sector, {guard, attacker}, ENCOUNTER_SOL);
    encounter_set_defense_shot(enc, 2, 1, 1, "Mega Missile", "Mega Missiles", 4, 120, 180, GREEN_ID);

    encounter_autocombat(enc);

    EXPECT_TRUE((attacker->flags & OBJ_DEAD) || attacker->armour < armour)
        << "armour " << attacker->armour << " of " << armour;
    EXPECT_FALSE(guard->flags & OBJ_DEAD) << "the shots spare their own side";
    EXPECT_EQ(sol_sector->owner_id, GREEN_ID);
}

}  // namespace
