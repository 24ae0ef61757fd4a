// The orders players give, in real sectors from the generated store: paying, production at a
// starbase, shipyard and training site with one price, rushing and halting, and refusing an order
// for another owner's object.
#include "../world/galaxy_fixture.h"
#include "game/orders.h"
#include "game/tech.h"

#include "test_support.h"

namespace galaxytest {
namespace {

constexpr int32_t DAY = 1440;

class Orders : public SectorFixture {
protected:
    void SetUp() override {
        SectorFixture::SetUp();
        if (HasFatalFailure()) return;
        add_player(7);
        add_player(8);
        me = game_find_player(game, 7);
        rival = game_find_player(game, 8);
        ASSERT_NE(me, nullptr);
        ASSERT_NE(rival, nullptr);
        s = make_sector(0, 7);
        s->label = "Vega";
        base = add_site(s, SITE_STARBASE);
        site_add_crew(base, 500);
        me->credits = rival->credits = 100000;
    }
    void TearDown() override {
        object_release(s);
        SectorFixture::TearDown();
    }
    // A design of hull 0 among the player's own.
    // A design on a hull players build (the Lancer, hull 3).
    Ship *design_of(Player *p, int32_t hull = 3) {
        Ship *design = ship_of(factory_create_object(OBJECT_SHIP, hull));
        EXPECT_NE(design, nullptr);
        design->ship_name = design->name = "Lancer";
        design->owner_id = p->id;
        object_assign_id(design);
        player_add_design(p, design);
        return design;
    }
    // A real ship of the first hull that carries crew and a pilot, in the test's sector.
    Ship *crewed_ship(const char *name, uint64_t owner) {
        for (int32_t hull = 0; hull < 64; ++hull) {
            Ship *ship = ship_of(factory_create_object(OBJECT_SHIP, hull));
            if (!ship) continue;
            if (ship->base_max_crew > 10 && !(ship->hull_flags & HULL_FLAG_NO_PILOT)) {
                ship->ship_name = ship->name = name;
                ship->owner_id = owner;
                object_assign_id(ship);
                ship_recompute_stats(ship);
                keep(ship);
                ship_set_sector(ship, s);
                return ship;
            }
            object_destroy(ship);
        }
        ADD_FAILURE() << "no hull carries crew";
        return nullptr;
    }
    // A recruit at the training site, with its price and days.
    Officer *recruit_at(Site *academy, int32_t cost, int32_t days) {
        Officer *o = make_officer(game_next_id(game), "Ilsa", academy->owner_id);
        o->training_cost = cost;
        o->figures[0] = days;
        site_add_officer(academy, o);
        return o;
    }
    // Producing, started a day ago: no longer pending.
    void under_way(Site *site) {
        site->state &= ~SITE_PENDING;
        site->remaining_min -= DAY;
    }
    Player *me = nullptr, *rival = nullptr;
    Sector *s = nullptr;
    Site *base = nullptr;
};

// ---- Paying ----

TEST_F(Orders, SpendingTakesWhatIsHeldAndRefusesOneCreditMore) {
    me->credits = 300;
    EXPECT_EQ(player_can_spend(me, 301), RES_INSUFFICIENT_CREDITS);
    EXPECT_EQ(player_spend(me, 301), RES_INSUFFICIENT_CREDITS);
    EXPECT_EQ(me->credits, 300) << "a refused payment takes nothing";
    EXPECT_EQ(player_spend(me, 300), RES_OK);
    EXPECT_EQ(me->credits, 0);
    EXPECT_EQ(player_can_spend(nullptr, 0), RES_INSUFFICIENT_CREDITS);
    EXPECT_EQ(order_refusal_text(RES_INSUFFICIENT_CREDITS), "Insufficient credits");
    EXPECT_EQ(order_refusal_text(RES_CREW_SHORT), "100 crew required");
    EXPECT_EQ(order_refusal_text(RES_OK), "");
}

// ---- Building at a starbase ----

TEST_F(Orders, AFacilityCostsThePriceOfItsOwnSectorAndIsRefusedWhenShort) {
    // A shipyard half built in this sector: its price here is half the list price elsewhere.
    Site *started = add_site(s, SITE_SHIPYARD);
    site_set_under_construction(started, 1);
    started->progress = 50;
    int32_t here = 0, minutes = 0, elsewhere = 0;
    ASSERT_EQ(order_production_price(base, SITE_SHIPYARD, 0, &here, &minutes), RES_OK);
    player_build_cost(me, SITE_SHIPYARD, 0, &elsewhere, nullptr);
    ASSERT_GT(here, 0);
    EXPECT_LT(here, elsewhere);

    me->credits = here - 1;
    EXPECT_EQ(order_can_produce(me, base, SITE_SHIPYARD, 0), RES_INSUFFICIENT_CREDITS);
    EXPECT_EQ(order_produce(me, base, SITE_SHIPYARD, 0), RES_INSUFFICIENT_CREDITS);
    EXPECT_FALSE(base->state & SITE_PRODUCING);
    EXPECT_EQ(me->credits, here - 1);

    me->credits = here + 7;
    ASSERT_EQ(order_produce(me, base, SITE_SHIPYARD, 0), RES_OK);
    EXPECT_EQ(me->credits, 7) << "charged the price it showed";
    EXPECT_TRUE(base->state & SITE_PRODUCING);
    EXPECT_EQ(base->remaining_min, minutes);
}

TEST_F(Orders, AnOrderTheStarbaseRefusesCostsNothing) {
    const int32_t before = me->credits;
    base->state |= SITE_CREW_SHORT;
    EXPECT_EQ(order_produce(me, base, SITE_SHIPYARD, 0), RES_CREW_SHORT);
    base->state &= ~SITE_CREW_SHORT;
    EXPECT_EQ(order_produce(me, base, SITE_STARBASE, 0), RES_OUT_OF_RANGE) << "a starbase is not built by a starbase";
    EXPECT_EQ(order_produce(me, base, -7, 0), RES_OUT_OF_RANGE);
    site_set_under_construction(base, 1);
    EXPECT_EQ(order_produce(me, base, SITE_SHIPYARD, 0), RES_UNDER_CONSTRUCTION);
    EXPECT_EQ(me->credits, before);
    EXPECT_FALSE(base->state & SITE_PRODUCING);
}

TEST_F(Orders, ACancelledDefenceUpgradeGivesBackWhatWasPaid) {
    base->params.defense_cost = 4800;
    base->params.defense_minutes = 10 * DAY;
    base->defense_progress = 50;   // half done before: the price is half
    const int32_t before = me->credits;
    int32_t cost = 0;
    ASSERT_EQ(order_production_price(base, -1, 0, &cost, nullptr), RES_OK);
    ASSERT_GT(cost, 0);
    ASSERT_EQ(order_produce(me, base, -1, 0), RES_OK);
    EXPECT_EQ(me->credits, before - cost);
    ASSERT_EQ(order_halt(me, base), RES_OK);
    EXPECT_EQ(me->credits, before) << "the whole price back, not a part of it";
}

TEST_F(Orders, AStarbaseOffTheMapIsRefusedByTheCanFormAndCostsNothing) {
    const int32_t before = me->credits;
    const uint64_t sector_id = base->sector_id;
    base->sector_id = 0;   // the start would refuse it: the order is refused before it is paid
    EXPECT_EQ(order_can_produce(me, base, SITE_SHIPYARD, 0), RES_OUT_OF_RANGE);
    EXPECT_EQ(order_produce(me, base, SITE_SHIPYARD, 0), RES_OUT_OF_RANGE);
    EXPECT_EQ(me->credits, before);
    base->sector_id = sector_id;
}

// ---- Shipyard and training site: resuming costs what was kept ----

TEST_F(Orders, AShipyardResumesItsPausedDesignForTheKeptCost) {
    Site *yard = add_site(s, SITE_SHIPYARD);
    Ship *design = design_of(me);
    int32_t full = 0, whole = 0;
    ASSERT_EQ(order_production_price(yard, 0, design->id, &full, &whole), RES_OK);
    ASSERT_GT(full, 0);
    ASSERT_GT(whole, DAY);
    const int32_t before = me->credits;
    ASSERT_EQ(order_produce(me, yard, 0, design->id), RES_OK);
    EXPECT_EQ(me->credits, before - full);
    EXPECT_EQ(yard->remaining_min, whole);
    under_way(yard);
    ASSERT_EQ(order_halt(me, yard), RES_OK);
    int32_t kept = 0, minutes = 0;
    ASSERT_EQ(order_production_price(yard, 0, design->id, &kept, &minutes), RES_OK);
    EXPECT_EQ(kept, yard->paused_cost);
    EXPECT_LT(kept, full);
    EXPECT_EQ(minutes, whole - DAY);

    me->credits = before;
    ASSERT_EQ(order_produce(me, yard, 0, design->id), RES_OK);
    EXPECT_EQ(me->credits, before - kept) << "the kept cost, not the design's whole price";
    EXPECT_EQ(yard->remaining_min, whole - DAY);
}

TEST_F(Orders, AShipyardRefusesADesignOnAHullNoPlayerBuilds) {
    Site *yard = add_site(s, SITE_SHIPYARD);
    Ship *faction = design_of(me, 0);   // the machine faction's drone
    ASSERT_FALSE(faction->hull_flags & HULL_FLAG_PLAYER_BUILDABLE);
    const int32_t before = me->credits;
    EXPECT_EQ(order_can_produce(me, yard, 0, faction->id), RES_OUT_OF_RANGE);
    EXPECT_EQ(order_produce(me, yard, 0, faction->id), RES_OUT_OF_RANGE);
    EXPECT_FALSE(yard->state & SITE_PRODUCING);
    EXPECT_EQ(me->credits, before);
    EXPECT_EQ(order_produce(me, yard, 0, design_of(me)->id), RES_OK) << "a player's hull is built";
}

TEST_F(Orders, TrainingIsRecheckedWhenOrderedAfterTheCreditsWent) {
    Site *academy = add_site(s, SITE_TRAINING);
    Officer *cadet = recruit_at(academy, 900, 4);
    EXPECT_EQ(order_can_produce(me, academy, 0, cadet->id), RES_OK);
    me->credits = 899;   // spent elsewhere while the panel stood open
    EXPECT_EQ(order_produce(me, academy, 0, cadet->id), RES_INSUFFICIENT_CREDITS);
    EXPECT_FALSE(academy->state & SITE_PRODUCING);
    EXPECT_EQ(me->credits, 899);
    me->credits = 900;
    ASSERT_EQ(order_produce(me, academy, 0, cadet->id), RES_OK);
    EXPECT_EQ(me->credits, 0);
    EXPECT_EQ(academy->remaining_min, 4 * DAY);
    EXPECT_EQ(order_produce(me, academy, 0, 999999), RES_OUT_OF_RANGE) << "no such recruit";
}

// ---- Rush and halt ----

TEST_F(Orders, RushIsRefusedForEachReasonAndPaysTheRushPrice) {
    EXPECT_EQ(order_can_rush(me, base), RES_NOT_PRODUCING);
    EXPECT_EQ(order_can_halt(me, base), RES_NOT_PRODUCING);
    ASSERT_EQ(order_produce(me, base, SITE_SHIPYARD, 0), RES_OK);
    base->remaining_min = base->total_min = 5 * DAY;
    const int32_t price = site_rush_cost(base);
    ASSERT_GT(price, 0);

    me->credits = price - 1;
    EXPECT_EQ(order_rush(me, base), RES_INSUFFICIENT_CREDITS);
    EXPECT_FALSE(base->state & SITE_RUSHED);
    me->credits = price;
    base->crew = SITE_CREW_NEEDED - 1;
    EXPECT_EQ(order_can_rush(me, base), RES_CREW_SHORT);
    base->crew = SITE_CREW_NEEDED;
    ASSERT_EQ(order_rush(me, base), RES_OK);
    EXPECT_EQ(me->credits, 0);
    EXPECT_TRUE(base->state & SITE_RUSHED);
    EXPECT_EQ(order_can_rush(me, base), RES_ALREADY_COMPLETE) << "done at midnight";
    EXPECT_EQ(order_can_halt(me, base), RES_ALREADY_COMPLETE);

    base->state &= ~SITE_RUSHED;
    base->rush_low = base->rush_high = 0;
    base->remaining_min = 3 * DAY;
    base->total_min = 0;
    EXPECT_EQ(order_can_rush(me, base), RES_CANNOT_RUSH);
}

// ---- Only the owner commands ----

TEST_F(Orders, AnotherPlayersSiteTakesNoOrderOfMine) {
    Sector *theirs = make_sector(0, 8, 200, 0);
    Site *their_base = add_site(theirs, SITE_STARBASE);
    site_add_crew(their_base, 500);
    const int32_t mine = me->credits, theirs_credits = rival->credits;
    ASSERT_EQ(order_produce(rival, their_base, SITE_SHIPYARD, 0), RES_OK);
    their_base->remaining_min = their_base->total_min = 5 * DAY;

    EXPECT_EQ(order_rush(me, their_base), RES_NOT_OWNER);
    EXPECT_EQ(order_halt(me, their_base), RES_NOT_OWNER);
    EXPECT_TRUE(their_base->state & SITE_PRODUCING) << "their production goes on";
    EXPECT_FALSE(their_base->state & SITE_RUSHED);
    ASSERT_EQ(order_halt(rival, their_base), RES_OK);
    EXPECT_EQ(order_produce(me, their_base, SITE_HARVESTER, 0), RES_NOT_OWNER);
    EXPECT_FALSE(their_base->state & SITE_PRODUCING);
    EXPECT_EQ(me->credits, mine);
    EXPECT_EQ(rival->credits, theirs_credits) << "the cancelled item's price went back to its owner";
    EXPECT_EQ(order_check_owner(nullptr, base), RES_NOT_OWNER);
    object_release(theirs);
}

// ---- Posting officers ----

TEST_F(Orders, ACommanderReplacedIsNoLongerPostedAtTheStarbase) {
    Officer *first = make_officer(61, "Orla", 7), *second = make_officer(62, "Brann", 7);
    officer_retain(first);   // the test reads it after the starbase lets go
    site_set_pilot(base, first);
    EXPECT_EQ(first->site_id, base->id);
    site_set_pilot(base, second);
    EXPECT_EQ(first->site_id, 0u) << "the outgoing commander holds no post";
    EXPECT_EQ(second->site_id, base->id);
    site_set_pilot(base, second);   // the same officer again keeps its post
    EXPECT_EQ(second->site_id, base->id);
    officer_retain(second);
    site_set_pilot(base, nullptr);
    EXPECT_EQ(second->site_id, 0u);
    EXPECT_EQ(base->commander_id, 0u);
    officer_release(second);
    officer_release(first);
}

TEST_F(Orders, APoolOfficerTakesCommandAndThePreviousCommanderJoinsThePool) {
    Officer *chief = make_officer(61, "Orla", 7), *cadet = make_officer(62, "Brann", 7);
    site_set_pilot(base, chief);
    site_add_officer(base, cadet);
    cadet->sector_id = s->id;
    officer_retain(chief);   // the test reads it after the starbase lets go
    ASSERT_EQ(order_post_officer(me, cadet, base, true), RES_OK);
    EXPECT_EQ(base->commander, cadet);
    EXPECT_EQ(cadet->site_id, base->id);
    EXPECT_EQ(site_find_recruit(base, cadet->id), nullptr) << "out of the pool";
    EXPECT_EQ(site_find_recruit(base, chief->id), chief) << "the previous commander waits in the pool";
    EXPECT_EQ(chief->site_id, 0u) << "and commands nothing";
    officer_release(chief);
}

TEST_F(Orders, APilotTakingCommandBringsTheCrewAsFarAsThereIsRoom) {
    Ship *ship = crewed_ship("Kestrel", 7);
    ASSERT_NE(ship, nullptr);
    Officer *pilot = make_officer(63, "Tamsin", 7);
    ship_set_pilot(ship, pilot);
    ship_set_crew(ship, ship->max_crew);
    base->crew = base->params.crew_capacity - 1;
    ASSERT_EQ(order_post_officer(me, pilot, base, true), RES_OK);
    EXPECT_EQ(base->commander, pilot);
    EXPECT_EQ(ship->pilot, nullptr);
    EXPECT_EQ(ship->crew, 0);
    EXPECT_EQ(base->crew, base->params.crew_capacity) << "the crew beyond the room is lost";
}

TEST_F(Orders, OfficersAndPostsOfAnotherPlayerTakeNoPosting) {
    Officer *mine = make_officer(61, "Orla", 7), *theirs = make_officer(62, "Brann", 8);
    site_add_officer(base, mine);
    mine->sector_id = s->id;
    site_add_officer(base, theirs);
    theirs->sector_id = s->id;
    Ship *their_ship = make_ship("Raptor", 8);
    keep(their_ship);
    EXPECT_EQ(order_post_officer(me, mine, their_ship, false), RES_NOT_OWNER);
    EXPECT_EQ(order_post_officer(me, theirs, base, true), RES_NOT_OWNER);
    EXPECT_EQ(order_post_officer(rival, theirs, base, true), RES_NOT_OWNER) << "not their starbase";
    EXPECT_EQ(base->commander, nullptr);
    EXPECT_EQ(their_ship->pilot, nullptr);
    Ship *drone = make_ship("Drone", 7);
    keep(drone);
    drone->hull_flags |= HULL_FLAG_NO_PILOT;
    EXPECT_EQ(order_post_officer(me, mine, drone, false), RES_INVALID_TARGET);
    EXPECT_EQ(site_find_recruit(base, mine->id), mine) << "it stays where it was";
}

// ---- Ships: scrapping and crew ----

TEST_F(Orders, AShipScrappedAtItsOwnersStarbaseLeavesItsCrewAndPilotThere) {
    Ship *ship = crewed_ship("Kestrel", 7);
    ASSERT_NE(ship, nullptr);
    ship_set_crew(ship, ship->max_crew);
    Officer *pilot = make_officer(64, "Idris", 7);
    ship_set_pilot(ship, pilot);
    ship->roll_value = 200;   // what its hull fetches
    ship->cost = 1000;
    ship->armour = ship->max_armour;
    base->crew = base->params.crew_capacity - 3;
    const int32_t before = me->credits, value = ship_scrap_value(ship);
    ASSERT_GT(value, 0);

    EXPECT_EQ(order_scrap_ship(rival, ship), RES_NOT_OWNER);
    EXPECT_FALSE(ship->flags & OBJ_DEAD);
    EXPECT_EQ(rival->credits, 100000);

    ASSERT_EQ(order_scrap_ship(me, ship), RES_OK);
    EXPECT_TRUE(ship->flags & OBJ_DEAD);
    EXPECT_EQ(ship->sector_id, 0u);
    EXPECT_EQ(me->credits, before + value);
    EXPECT_EQ(base->crew, base->params.crew_capacity) << "three found room, the rest was lost";
    EXPECT_EQ(site_find_recruit(base, pilot->id), pilot) << "the pilot waits in the pool";
    EXPECT_EQ(pilot->ship_id, 0u);
    EXPECT_EQ(pilot->sector_id, s->id);
}

TEST_F(Orders, CrewMovesBetweenAShipAndItsStarbaseWithoutBeingMadeOrLost) {
    Ship *ship = crewed_ship("Kestrel", 7);
    ASSERT_NE(ship, nullptr);
    ship->ap = 0;
    const int32_t total = base->crew + ship->crew;
    ASSERT_EQ(order_transfer_crew(me, ship, base, 10), RES_OK);
    EXPECT_EQ(ship->crew, 10);
    EXPECT_EQ(base->crew + ship->crew, total);
    EXPECT_EQ(ship->ap, ship->max_ap) << "the ship's turn comes back whole";
    ASSERT_EQ(order_transfer_crew(me, ship, base, ship->max_crew + 50), RES_OK);
    EXPECT_EQ(ship->crew, ship->max_crew) << "no more than it holds";
    EXPECT_EQ(base->crew + ship->crew, total);

    ASSERT_EQ(order_transfer_crew(me, ship, base, 0), RES_OK);
    base->crew = 40;   // a starbase short of crew gives what it has
    site_update_crew_state(base);
    ASSERT_EQ(order_transfer_crew(me, ship, base, ship->max_crew), RES_OK);
    EXPECT_EQ(ship->crew, std::min(40, ship->max_crew));
    EXPECT_TRUE(site_is_crew_short(base));

    Sector *elsewhere = make_sector(0, 7, 300, 0);
    Site *far_base = add_site(elsewhere, SITE_STARBASE);
    EXPECT_EQ(order_transfer_crew(me, ship, far_base, 0), RES_TARGET_OUT_OF_RANGE);
    EXPECT_EQ(order_transfer_crew(rival, ship, base, 0), RES_NOT_OWNER);
    object_release(elsewhere);
}

TEST_F(Orders, CrewShortageSparesLabelledBodiesAndFollowsTheStarbaseAtOnce) {
    Site *yard = add_site(s, SITE_SHIPYARD);
    Site *body = nullptr;
    for (int32_t t = 0; t < SITE_TEMPLATE_COUNT && !body; ++t)
        if (const Site *tmpl = site_template(t); tmpl && (tmpl->params.template_flags & SITE_TF_LABELLED)) body = add_site(s, t);
    ASSERT_NE(body, nullptr);
    base->crew = SITE_CREW_NEEDED - 1;
    for (Site *site : {base, yard, body}) site_refresh_crew_short(site);
    EXPECT_TRUE(site_is_crew_short(yard));
    EXPECT_TRUE(site_is_crew_short(base));
    EXPECT_FALSE(site_is_crew_short(body)) << "a labelled body is never short of crew";
    base->crew = SITE_CREW_NEEDED;
    for (Site *site : {base, yard, body}) site_refresh_crew_short(site);
    EXPECT_FALSE(site_is_crew_short(yard));
    EXPECT_FALSE(site_is_crew_short(base));
    EXPECT_EQ(site_starbase_crew(yard), SITE_CREW_NEEDED);
    s->owner_id = 8;   // the sector changed hands: its starbase mans nothing of ours
    EXPECT_EQ(site_starbase_crew(yard), 0);
    EXPECT_TRUE(site_lacks_crew(yard));
    s->owner_id = 7;
}

// ---- Fleets ----

TEST_F(Orders, ShipsLeaveTheirSectorTogetherInANewFleetOnItsCourse) {
    Ship *a = make_ship("Kestrel", 7), *b = make_ship("Heron", 7), *theirs = make_ship("Raptor", 8);
    for (Ship *ship : {a, b, theirs}) {
        keep(ship);
        ship_set_sector(ship, s);
    }
    Sector *destination = make_sector(0, 0, 400, 0);
    EXPECT_EQ(order_launch_fleet(me, {a, theirs}, s->id, destination, 50, 50, true), RES_NOT_OWNER);
    EXPECT_EQ(a->sector_id, s->id) << "a refused launch moves nobody";
    EXPECT_EQ(order_launch_fleet(me, {}, s->id, destination, 50, 50, true), RES_NO_TARGET);

    Fleet *fleet = nullptr;
    ASSERT_EQ(order_launch_fleet(me, {a, b}, s->id, destination, 50, 50, true, &fleet), RES_OK);
    ASSERT_NE(fleet, nullptr);
    EXPECT_EQ(fleet->owner_id, 7u);
    EXPECT_NE(fleet->id, 0u);
    EXPECT_EQ(fleet_ship_count(fleet), 2);
    for (Ship *ship : {a, b}) {
        EXPECT_EQ(ship->sector_id, 0u);
        EXPECT_EQ(ship->fleet_id, fleet->id);
    }
    EXPECT_EQ(fleet->move_target, destination);
    EXPECT_TRUE(fleet_is_barred(fleet)) << "it meets no fleet before the next day";
    EXPECT_EQ(fleet_origin_id(fleet), s->id);
    EXPECT_EQ(fleet->x + fleet->w / 2, 50);
    EXPECT_EQ(fleet->map, map);

    // Formed where it stands, from no origin, as the computer players form theirs: it may meet
    // fleets at once.
    Ship *c = make_ship("Osprey", 7);
    keep(c);
    ship_set_sector(c, s);
    Fleet *formed = nullptr;
    ASSERT_EQ(order_launch_fleet(me, {c}, 0, destination, 60, 60, true, &formed), RES_OK);
    EXPECT_FALSE(fleet_is_barred(formed));
    EXPECT_EQ(fleet_origin_id(formed), 0u);
    EXPECT_EQ(formed->move_target, destination);
    object_release(destination);
}

// ---- Research and repairs ----

TEST_F(Orders, ResearchIsPaidOnlyWhenItIsQueued) {
    ASSERT_EQ(tech_load(), RES_OK);
    struct TechsBack {
        ~TechsBack() { tech_free_all(); }
    } techs_back;
    int32_t tech = -1;
    for (int32_t i = 0; i < PLAYER_TECH_COUNT && tech < 0; ++i)
        if (tech_get(i) && tech_get(i)->credits > 0) tech = i;
    ASSERT_GE(tech, 0);
    const int32_t price = tech_get(tech)->credits;
    me->tech_state[tech] = TECH_AVAILABLE;
    me->credits = price - 1;
    EXPECT_EQ(order_research(me, tech), RES_INSUFFICIENT_CREDITS);
    EXPECT_FALSE(me->tech_state[tech] & TECH_QUEUED);
    me->credits = price + 3;
    ASSERT_EQ(order_research(me, tech), RES_OK);
    EXPECT_TRUE(me->tech_state[tech] & TECH_QUEUED);
    EXPECT_EQ(me->credits, 3);
    me->credits = price;
    EXPECT_EQ(order_research(me, tech), Result(RES_TECH_DONE_OR_QUEUED));
    EXPECT_EQ(me->credits, price) << "a refused order costs nothing";
}

TEST_F(Orders, ARepairIsPaidByTheShipsOwnerOnly) {
    Ship *ship = crewed_ship("Kestrel", 7);
    ASSERT_NE(ship, nullptr);
    ship_add_armour(ship, 1 - ship->armour);
    const int32_t cost = ship_repair_cost(ship);
    ASSERT_GT(cost, 0);
    EXPECT_EQ(order_repair_ship(rival, ship), RES_NOT_OWNER);
    me->credits = cost - 1;
    EXPECT_EQ(order_repair_ship(me, ship), RES_INSUFFICIENT_CREDITS);
    EXPECT_EQ(ship->armour, 1);
    me->credits = cost;
    ASSERT_EQ(order_repair_ship(me, ship), RES_OK);
    EXPECT_EQ(me->credits, 0);
    EXPECT_EQ(ship->armour, ship->max_armour);
}

// ---- Commissioning ----

TEST_F(Orders, ACommissionedShipServesWithItsPilotAFullCrewAndWholeInItsSector) {
    Ship *ship = nullptr;
    for (int32_t hull = 0; hull < 64 && !ship; ++hull) {
        Ship *candidate = ship_of(factory_create_object(OBJECT_SHIP, hull));
        if (candidate && candidate->base_max_crew > 10 && !(candidate->hull_flags & HULL_FLAG_NO_PILOT)) ship = candidate;
        else if (candidate) object_destroy(candidate);
    }
    ASSERT_NE(ship, nullptr);
    Officer *pilot = player_hire_officer(me, true, s);
    ASSERT_NE(pilot, nullptr);
    EXPECT_EQ(player_find_officer(me, pilot->id), pilot);
    EXPECT_EQ(pilot->sector_id, s->id) << "it waits at its post";
    EXPECT_EQ(pilot->experience, 1);
    pilot->battles = 3;
    player_commission_ship(me, ship, pilot, s);
    EXPECT_NE(ship->id, 0u);
    EXPECT_EQ(player_find_object(me, ship->id), ship);
    EXPECT_EQ(ship->owner_id, me->id);
    EXPECT_EQ(ship->pilot, pilot);
    EXPECT_EQ(pilot->ship_id, ship->id);
    EXPECT_EQ(pilot->sector_id, 0u) << "aboard, no longer waiting";
    EXPECT_EQ(pilot->battles, 3) << "a new ship has fought no battle";
    EXPECT_GT(ship->crew, 0);
    EXPECT_EQ(ship->crew, ship->max_crew);
    EXPECT_EQ(ship->sector_id, s->id);
    EXPECT_EQ(ship->armour, ship->max_armour);
    EXPECT_EQ(ship->ap, ship->max_ap);
}

}  // namespace
}  // namespace galaxytest
