// Players over a real galaxy: credits, crew, quotes, totals, the end of turn, escape pods, and
// the save record with its refusals.
#include "player_fixture.h"

#include <climits>
#include <cstring>
#include <vector>
#include "game/names.h"
#include "game/records.h"
#include "world/fleet.h"
#include "world/site_feature.h"

using namespace playertest;

namespace {

// ---- Credits and crew ----

using PlayerCredits = PlayerWorld;

TEST_F(PlayerCredits, NeverFallBelowZeroAndOnlyGainsCountAsEarned) {
    Player *p = add_player(10, "Vega");
    player_add_resources(p, 500);
    player_add_resources(p, -800);
    EXPECT_EQ(p->credits, 0);
    EXPECT_EQ(p->credits_earned, 500) << "a loss does not reduce what was earned";
    player_add_resources(p, 40);
    EXPECT_EQ(p->credits, 40);
    EXPECT_EQ(p->credits_earned, 540);
}

// A battle's credits: damage dealt never goes down and stops at the counter's top; a kill counts once
// in each tally and a negative mass adds nothing.
TEST_F(PlayerCredits, BattleCreditsOnlyGrowAndStopAtTheTop) {
    Player *p = add_player(10, "Vega");
    player_add_damage_dealt(p, 300);
    player_add_damage_dealt(p, -50);
    EXPECT_EQ(p->game_counters[COUNTER_DAMAGE_DEALT], 300);
    player_add_damage_dealt(p, INT32_MAX);
    EXPECT_EQ(p->game_counters[COUNTER_DAMAGE_DEALT], INT32_MAX);
    player_add_ship_destroyed(p, 1200);
    player_add_ship_destroyed(p, -5);
    EXPECT_EQ(std::vector<int64_t>({p->enemy_ships_destroyed, int64_t(p->enemy_mass_destroyed),
                                    p->game_counters[COUNTER_ENEMIES_DESTROYED]}),
              std::vector<int64_t>({2, 1200, 2}));
}

TEST_F(PlayerCredits, CrewIsTakenEvenlyFromThePopulatedBodiesOfOwnSectors) {
    Player *p = add_player(10, "Vega");
    Sector *a = add_sector(10, 100, 100);
    Sector *b = add_sector(10, 400, 100);
    Sector *foreign = add_sector(11, 700, 100);
    Site *small = add_site(a, 1, 0), *large = add_site(b, 1, 0), *theirs = add_site(foreign, 1, 0);
    for (Site *s : {small, large, theirs}) s->params.template_flags |= SITE_TF_POPULATION;
    site_set_population(small, 5);
    site_set_population(large, 100);
    site_set_population(theirs, 100);
    EXPECT_EQ(player_take_crew(p, 10), 10);
    EXPECT_EQ(site_get_population(small), 0);
    EXPECT_EQ(site_get_population(large), 95);
    EXPECT_EQ(site_get_population(theirs), 100) << "another player's sector is not asked";

    site_set_population(small, 5);
    site_set_population(large, 100);
    EXPECT_EQ(player_take_crew(p, 11), 10) << "the first share is 6, of which it has 5";
    EXPECT_EQ(site_get_population(large), 95);
}

// ---- Totals ----

using PlayerTotalsFromTheGalaxy = PlayerWorld;

// A site template that turns crew into research points, or -1.
int32_t research_template() {
    for (int32_t t = 0; t < SITE_TEMPLATE_COUNT; ++t)
        if (const Site *tmpl = site_template(t); tmpl && tmpl->params.research_factor > 0) return t;
    return -1;
}

TEST_F(PlayerTotalsFromTheGalaxy, OwnSectorsAndShipsAreSummedAndAForeignSectorIsNot) {
    Player *p = add_player(10, "Vega");
    add_player(11, "Rigel");
    Sector *a = add_sector(10, 100, 100), *b = add_sector(10, 400, 100), *theirs = add_sector(11, 700, 100);
    Site *base_a = add_site(a, SITE_STARBASE, 10);
    Site *base_b = add_site(b, SITE_STARBASE, 10);
    Site *base_theirs = add_site(theirs, SITE_STARBASE, 11);
    base_a->crew = 300, base_b->crew = 150, base_theirs->crew = 999;
    Site *yard = add_site(a, SITE_SHIPYARD, 10);
    add_site(a, SITE_TRAINING, 10);
    base_b->state |= SITE_PRODUCING;
    yard->state |= SITE_PRODUCING;
    add_site(theirs, SITE_SHIPYARD, 11)->state |= SITE_PRODUCING;
    Ship *one = new_ship(2), *two = new_ship(3);
    one->crew = 120;
    two->crew = 80;
    player_add_object(p, one);
    player_add_object(p, two);
    player_update_totals(p);

    struct Row { const char *name; int32_t got, want; };
    const Row rows[] = {
        {"starbase sectors", p->totals.starbase_sectors, 2},
        {"starbase crew", p->totals.starbase_crew, 450},
        {"ship crew", p->totals.ship_crew, 200},
        {"active production (a starbase and a shipyard; the idle academy not)", p->totals.active_production, 2},
        {"design counter", p->totals.design_counter, 1},
    };
    for (const Row &r : rows) EXPECT_EQ(r.got, r.want) << r.name;
}

TEST_F(PlayerTotalsFromTheGalaxy, AHomeColonyCountsWhereverItLiesAmongTheFeaturedSites) {
    Player *p = add_player(10, "Vega");
    Sector *home = add_sector(10, 100, 100);
    add_site(home, SITE_STARBASE, 10);
    Site *intake = add_site(home, 1, 0);
    site_generate_features(intake, FEATURE_CREW_INTAKE);
    Site *colony = add_site(home, 1, 0);
    site_generate_features(colony, FEATURE_HOME_COLONY);
    ASSERT_NE(colony->feature, nullptr);
    colony->feature->owner_id = 11;
    player_update_totals(p);
    EXPECT_TRUE(p->flags & PLAYER_FLAG_NO_HOME_COLONY) << "another player's home colony";
    colony->feature->owner_id = 10;
    player_update_totals(p);
    EXPECT_FALSE(p->flags & PLAYER_FLAG_NO_HOME_COLONY) << "its own, behind a crew-intake feature";
}

TEST_F(PlayerTotalsFromTheGalaxy, ResearchBecomesIncomeOnlyWhileNothingIsResearched) {
    const int32_t station = research_template();
    ASSERT_GE(station, 0) << "the store has a research site";
    Player *p = add_player(10, "Vega");
    Sector *home = add_sector(10, 100, 100);
    add_site(home, SITE_STARBASE, 10)->crew = 20000;
    add_site(home, station, 10);
    player_process_research(p);   // what needs nothing becomes available
    player_update_totals(p);
    const int32_t idle_income = p->totals.daily_income;
    const int32_t rate = p->totals.research_rate;
    ASSERT_GE(rate, PLAYER_RESEARCH_CREDIT) << "enough research for a credit a day";
    ASSERT_EQ(player_queue_research(p, 0), RES_OK);
    player_update_totals(p);
    EXPECT_EQ(p->totals.research_rate, rate);
    EXPECT_EQ(idle_income - p->totals.daily_income, rate / PLAYER_RESEARCH_CREDIT);
    ASSERT_EQ(player_pause_research(p, 0), RES_OK);
    player_update_totals(p);
    EXPECT_EQ(p->totals.daily_income, idle_income) << "paused research earns again";
}

// ---- Ships, scrap and designs ----

using PlayerShips = PlayerWorld;

TEST_F(PlayerShips, AddedShipsAreOwnedRolledAndCounted) {
    Player *p = add_player(10, "Vega");
    Ship *s = new_ship();
    s->crew = 120;
    player_add_object(p, s);
    EXPECT_NE(s->id, 0u);
    EXPECT_EQ(s->owner_id, 10u);
    EXPECT_EQ(s->refcount, 1);
    EXPECT_GE(s->roll_value, s->roll_min);
    EXPECT_LE(s->roll_value, std::max(s->roll_min, s->roll_max));
    EXPECT_EQ(p->totals.ship_crew, 120);
    EXPECT_EQ(player_find_object(p, s->id), s);

    player_set_id(p, 12);
    EXPECT_EQ(s->owner_id, 12u) << "a new player id follows into every own object";
}

TEST_F(PlayerShips, APlayerJoinsTheGameOnceAndOneWithoutAnIdIsGivenOneForItsShipsToo) {
    Player *vega = add_player(10, "Vega");
    ASSERT_EQ(game_add_player(game, vega), RES_OK) << "adding a player twice is no fault";
    EXPECT_EQ(game_player_count(game), 1) << "the same player is not listed twice";

    Player *nova = player_create(PLAYER_KIND_COMPUTER);
    ASSERT_NE(nova, nullptr);
    Ship *s = new_ship();
    player_add_object(nova, s);
    ASSERT_EQ(game_add_player(game, nova), RES_OK);
    ASSERT_NE(nova->id, 0u);
    EXPECT_NE(nova->id, vega->id);
    EXPECT_EQ(s->owner_id, nova->id) << "the ship follows its player's new id";
    EXPECT_EQ(game_find_player(game, nova->id), nova);
    EXPECT_EQ(game_player_count(game), 2);
}

TEST_F(PlayerShips, AShipDestroyedInBattleIsCreditedToTheShootersPlayer) {
    Player *red = add_player(10, "Vega");
    Player *blue = add_player(20, "Rigel");
    Ship *shooter = new_ship();
    Ship *target = new_ship();
    player_add_object(red, shooter);
    player_add_object(blue, target);
    object_add_ref(target);   // the test's own, past the player's purge
    for (int32_t f = 0; f < SHIP_FACINGS; ++f) target->shields[f] = 0;
    target->max_armour = target->armour = 100;
    const int32_t armour = target->armour;
    ship_apply_damage(target, shooter, armour + 5, target->x, target->y, 0);
    EXPECT_TRUE(target->armour == 0);
    EXPECT_EQ(red->game_counters[COUNTER_DAMAGE_DEALT], armour + 5);
    EXPECT_EQ(red->enemy_ships_destroyed, 1);
    EXPECT_EQ(red->enemy_mass_destroyed, uint64_t(target->mass));
    EXPECT_EQ(red->game_counters[COUNTER_ENEMIES_DESTROYED], 1);
    EXPECT_EQ(blue->enemy_ships_destroyed, 0) << "the victim's side gains nothing";
    object_release(target);
}

TEST_F(PlayerShips, ScrapValueIsCappedAtSixtyFivePercentAndScalesWithArmour) {
    Player *p = add_player(10, "Vega");
    Ship *s = new_ship(2);
    player_add_object(p, s);
    s->roll_value = 1000;   // a value far above the cost: the cap decides
    s->armour = s->max_armour;
    EXPECT_EQ(ship_scrap_value(s), s->cost * 65 / 100);
    s->roll_value = 1;
    ASSERT_GT(s->max_armour, 0);
    s->armour = s->max_armour;
    const int32_t whole = ship_scrap_value(s);
    s->armour = s->max_armour / 2;
    EXPECT_EQ(ship_scrap_value(s), whole * (s->max_armour / 2) / s->max_armour);
    EXPECT_LE(ship_scrap_value(s), whole / 2 + 1);
}

TEST_F(PlayerShips, DesignsAreStampedCountedAndReplacedInPlace) {
    Player *p = add_player(10, "Vega");
    Ship *first = new_ship(2);
    player_add_design(p, first);
    EXPECT_TRUE(first->ship_flags & SHIP_FLAG_DESIGN);
    EXPECT_EQ(p->totals.design_counter, 2);
    ASSERT_NE(first->built_date, nullptr);
    EXPECT_EQ(first->built_date->minutes, game->clock->minutes);
    Ship *second = new_ship(3);
    player_add_design(p, second);
    Ship *replacement = new_ship(3);
    const uint64_t first_id = first->id;
    player_set_design(p, replacement, first_id);   // destroys `first`
    EXPECT_EQ(player_design_count(p), 2);
    EXPECT_EQ(player_get_design_at(p, 0), replacement);
    EXPECT_EQ(replacement->id, first_id) << "found by the id the replaced design had";
    EXPECT_EQ(player_get_design(p, first_id), replacement);
    EXPECT_EQ(p->totals.design_counter, 3) << "a replacement is not a new design";
    EXPECT_EQ(player_design_index(p, second->id), 1);
    EXPECT_EQ(player_design_index(p, 999999), -1);
}

// The first system type whose template carries every bit of `with` and none of `without`.
int32_t system_type_with(uint32_t with, uint32_t without) {
    for (int32_t t = 0; t < SYSTEM_TYPE_COUNT; ++t)
        if (const System *tmpl = system_type_template(t); tmpl && (tmpl->flags & with) == with && !(tmpl->flags & without))
            return t;
    return -1;
}

TEST_F(PlayerShips, TheBestSystemIsFittedToTheAskedMountsFirstAndALighterOneWhenItIsTooHeavy) {
    Player *p = add_player(10, "Vega");
    Ship *ship = new_ship(2);
    player_add_object(p, ship);
    const int32_t engine = system_type_with(SYSTEM_FLAG_ENGINE_MOUNT, 0);
    ASSERT_GE(engine, 0);
    EXPECT_EQ(player_fit_best_system(p, ship, engine, MOUNT_SYSTEM), RES_BAD_MOUNT) << "none in the catalog";
    ASSERT_GE(list_append(&p->catalog, system_create(engine)), 0);
    ASSERT_EQ(player_fit_best_system(p, ship, engine, MOUNT_SYSTEM), RES_OK) << "no system mount takes an engine";
    int32_t fitted_at = -1;
    for (int32_t i = 0; i < ship->crit_count; ++i)
        if (ship->crits[i].system && ship->crits[i].system->type == engine) fitted_at = i;
    ASSERT_GE(fitted_at, 0);
    EXPECT_EQ(ship->crits[fitted_at].mount_type, MOUNT_ENGINE) << "the other mounts are the second pass";

    // A type with grades: the best is too heavy for what power is left, the next lower fits.
    const int32_t graded = system_type_with(SYSTEM_FLAG_SUBTYPES, SYSTEM_FLAG_ENGINE_MOUNT | SYSTEM_FLAG_ARMOUR_MOUNT);
    ASSERT_GE(graded, 0);
    ASSERT_GE(system_subtype_count(graded), 3);
    System *top = system_create_subtype(graded, 2), *mid = system_create_subtype(graded, 1);
    ASSERT_NE(top, nullptr);
    ASSERT_NE(mid, nullptr);
    ASSERT_GT(top->power, mid->power) << "a higher grade draws more power";
    ASSERT_GE(list_append(&p->catalog, top), 0);
    ship->capacity_max = ship->capacity_used + mid->power;
    EXPECT_EQ(player_fit_best_system(p, ship, graded, MOUNT_SYSTEM), RES_NO_MOUNT_TAKES_IT)
        << "grade 1 is not in the catalog, so nothing lighter is tried";
    ASSERT_GE(list_append(&p->catalog, mid), 0);
    ASSERT_EQ(player_fit_best_system(p, ship, graded, MOUNT_SYSTEM), RES_OK);
    int32_t grades = 0;
    for (int32_t i = 0; i < ship->crit_count; ++i)
        if (const System *s = ship->crits[i].system; s && s->type == graded) {
            EXPECT_EQ(s->subtype, 1);
            ++grades;
        }
    EXPECT_EQ(grades, 1);
}

// ---- Quotes ----

using PlayerQuotes = PlayerWorld;

TEST_F(PlayerQuotes, ASiteUnderConstructionIsQuotedForWhatIsLeftAndADesignForItsCostAndMass) {
    Player *p = add_player(10, "Vega");
    Sector *sector = add_sector(10, 100, 100);
    const Site *tmpl = site_template(SITE_SHIPYARD);
    ASSERT_NE(tmpl, nullptr);
    int32_t cost = -1, minutes = -1;
    player_build_cost(p, SITE_SHIPYARD, sector->id, &cost, &minutes);
    EXPECT_EQ(cost, tmpl->params.build_cost);
    EXPECT_EQ(minutes, tmpl->params.build_days * 1440);
    Site *yard = add_site(sector, SITE_SHIPYARD, 10);
    site_set_under_construction(yard, 1);
    yard->progress = 40;
    player_build_cost(p, SITE_SHIPYARD, sector->id, &cost, &minutes);
    EXPECT_EQ(cost, tmpl->params.build_cost * 60 / 100);
    EXPECT_EQ(minutes, tmpl->params.build_days * 1440 * 60 / 100);
    player_build_cost(p, -1, 424242, &cost, &minutes);
    EXPECT_EQ(cost, 0);
    EXPECT_EQ(minutes, 0) << "no quote is 0 and 0";

    Ship *design = new_ship(2);
    player_add_design(p, design);
    player_design_build_cost(p, design, add_sector(10, 400, 100)->id, &cost, &minutes);
    EXPECT_EQ(cost, design->cost);
    EXPECT_EQ(minutes, design->mass_figure * 1440);
}

TEST_F(PlayerQuotes, AnUndefendedDiscountFeatureCutsEveryQuote) {
    Player *p = add_player(10, "Vega");
    Sector *sector = add_sector(10, 100, 100);
    add_site(sector, SITE_STARBASE, 10);
    Ship *design = new_ship(2);
    player_add_design(p, design);
    auto quotes = [&]() {
        std::vector<int32_t> out;
        for (int32_t item : {SITE_SHIPYARD, -1}) {
            int32_t cost = 0, minutes = 0;
            player_build_cost(p, item, sector->id, &cost, &minutes);
            out.insert(out.end(), {cost, minutes});
        }
        int32_t cost = 0, minutes = 0;
        player_design_build_cost(p, design, sector->id, &cost, &minutes);
        out.insert(out.end(), {cost, minutes});
        return out;
    };
    const std::vector<int32_t> full = quotes();
    Site *body = add_site(sector, 1, 0);
    site_generate_features(body, FEATURE_DISCOUNT);
    ASSERT_NE(body->feature, nullptr);
    body->feature->defence_kind = FEATURE_DEFENCE_NONE;
    const std::vector<int32_t> cut = quotes();
    ASSERT_EQ(cut.size(), full.size());
    for (size_t i = 0; i < full.size(); i += 2) {
        EXPECT_GT(full[i], 0) << "quote " << i / 2;
        EXPECT_EQ(cut[i], full[i] * 3 / 4) << "cost of quote " << i / 2;
        EXPECT_EQ(cut[i + 1], full[i + 1] / 2) << "time of quote " << i / 2;
    }
    Site *guarded = add_site(sector, 1, 0);
    site_generate_features(guarded, FEATURE_CREW_INTAKE);
    ASSERT_NE(guarded->feature, nullptr);
    guarded->feature->defence_kind = FEATURE_DEFENCE_ARMED;
    EXPECT_EQ(quotes(), full) << "a defended site anywhere in the sector withholds the discount";
}

// ---- End of turn ----

using PlayerTurn = PlayerWorld;

TEST_F(PlayerTurn, AHeldCrewedStarbaseKeepsAPlayerWithoutShipsInTheGame) {
    Player *p = add_player(10, "Vega");
    Sector *sector = add_sector(10, 100, 100);
    Site *base = add_site(sector, SITE_STARBASE, 10);
    base->state &= ~SITE_CREW_SHORT;
    player_turn_update(p);
    EXPECT_FALSE(p->flags & PLAYER_FLAG_ELIMINATED);
    EXPECT_EQ(p->game_counters[COUNTER_DAYS_IN_COMMAND], 1);
    base->state |= SITE_CREW_SHORT;
    player_turn_update(p);
    EXPECT_TRUE(p->flags & PLAYER_FLAG_ELIMINATED) << "only crew-short starbases left";
    player_add_object(p, new_ship());
    player_turn_update(p);
    EXPECT_FALSE(p->flags & PLAYER_FLAG_ELIMINATED) << "a living ship keeps it in";
}

TEST_F(PlayerTurn, ATapOnASectorThatChangesHandsIsLostWithOneAlertPerTappedPlayer) {
    Player *me = add_ui_player(10, "Vega");
    Player *them = add_player(11, "Rigel");
    Sector *a = add_sector(11, 100, 100);
    Sector *b = add_sector(11, 400, 100);
    player_add_sensor_tap(me, 0, 11, a->id);
    player_add_sensor_tap(me, -5, 11, a->id);
    EXPECT_EQ(list_count(&me->taps), 0) << "no duration, no tap";
    player_add_sensor_tap(me, 10 * 1440, 11, a->id);
    player_add_sensor_tap(me, 10 * 1440, 11, b->id);
    a->owner_id = 10;   // taken before the tap runs out
    player_turn_update(me);
    EXPECT_EQ(list_count(&me->taps), 1);
    EXPECT_EQ(list_count(game->alerts), 0) << "another tap on the same player remains";
    advance_days(10);
    player_turn_update(me);
    EXPECT_EQ(list_count(&me->taps), 0);
    ASSERT_EQ(list_count(game->alerts), 2) << "a date line and the news";
    const Alert *news = list_get(game->alerts, 1);
    EXPECT_EQ(news->kind, ALERT_INTEL_REPORT);
    EXPECT_EQ(news->text, "Sensor tap for Rigel was lost");
    (void)them;
}

TEST_F(PlayerTurn, OldFleetSnapshotsAreForgotten) {
    Player *me = add_player(10, "Vega");
    GameObject *fleet = object_create_blank(OBJECT_FLEET);
    ASSERT_NE(fleet, nullptr);
    fleet->id = 5555;
    object_add_ref(fleet);
    ASSERT_GE(list_append(&me->known, fleet), 0);
    ASSERT_GE(hash_table_insert(me->known_map, fleet), 0);
    fleet->seen_date->minutes = game->clock->minutes - 5760;
    player_turn_update(me);
    EXPECT_EQ(player_known_object_by_id(me, 5555), fleet) << "5760 minutes is still remembered";
    fleet->seen_date->minutes = game->clock->minutes - 5761;
    player_turn_update(me);
    EXPECT_EQ(player_known_object_by_id(me, 5555), nullptr);
    EXPECT_EQ(list_count(&me->known), 0);
}

// What a player saw of a ship is kept while the ship is in the game and forgotten at the end of the
// turn once it is gone (destroyed, scrapped, deployed): such snapshots grew a long game's save
// tenfold and were counted as enemy strength for ever.
TEST_F(PlayerTurn, SnapshotsOfShipsThatAreGoneAreForgotten) {
    Player *me = add_player(10, "Vega");
    Player *them = add_player(11, "Rigel");
    Ship *alive = new_ship(), *dead = new_ship(), *gone = new_ship(), *listed = new_ship();
    for (Ship *s : {alive, dead, gone, listed}) {
        object_assign_id(s);
        s->owner_id = them->id;
        if (s == alive || s == dead) player_add_object(them, s);
        player_learn_object(me, s, 0);
        ASSERT_NE(player_known_object_by_id(me, s->id), nullptr);
    }
    dead->flags |= OBJ_DEAD;
    // A remembered fleet that lists a gone ship keeps it until the fleet is forgotten (a save links
    // the fleet's ships).
    Fleet *seen = fleet_create();
    ASSERT_NE(seen, nullptr);
    seen->id = 5555;
    seen->known_ship_ids.push_back(listed->id);
    object_add_ref(seen);
    ASSERT_GE(list_append(&me->known, static_cast<GameObject *>(seen)), 0);
    ASSERT_GE(hash_table_insert(me->known_map, seen), 0);
    seen->seen_date->minutes = game->clock->minutes;
    player_turn_update(me);
    EXPECT_NE(player_known_object_by_id(me, alive->id), nullptr);
    EXPECT_EQ(player_known_object_by_id(me, dead->id), nullptr);
    EXPECT_EQ(player_known_object_by_id(me, gone->id), nullptr);
    EXPECT_NE(player_known_object_by_id(me, listed->id), nullptr);
    seen->seen_date->minutes = game->clock->minutes - 5761;
    player_turn_update(me);
    EXPECT_EQ(player_known_object_by_id(me, listed->id), nullptr);
    EXPECT_EQ(list_count(&me->known), 1);
    object_destroy(gone);
    object_destroy(listed);
}

// A player's memory holds what it has seen of others, never copies of its own ships: they doubled
// the ship records of a long game's save, and every reader takes the player's own ships live. The
// remembered sector still lists them as present.
TEST_F(PlayerTurn, APlayerRemembersTheShipsOfOthersButNeverItsOwn) {
    Player *me = add_player(10, "Vega");
    Player *them = add_player(11, "Rigel");
    Sector *home = add_sector(me->id, 300, 300);
    Ship *mine = new_ship(), *theirs = new_ship(), *taken = new_ship();
    for (Ship *s : {mine, theirs, taken}) {
        object_assign_id(s);
        player_add_object(s == mine ? me : them, s);
        ship_set_sector(s, home);
    }
    player_learn_object(me, home, 1);
    EXPECT_EQ(player_known_object_by_id(me, mine->id), nullptr);
    EXPECT_NE(player_known_object_by_id(me, theirs->id), nullptr);
    ASSERT_NE(player_known_object_by_id(me, taken->id), nullptr);
    const Sector *remembered = sector_of(player_known_object_by_id(me, home->id));
    ASSERT_NE(remembered, nullptr);
    EXPECT_EQ(remembered->known_object_ids, (std::vector<uint64_t>{mine->id, theirs->id, taken->id}));

    // A ship that changes hands: the copy made while it was a rival's goes when it is next seen as
    // the player's own.
    ASSERT_TRUE(list_remove_value(&them->objects, static_cast<GameObject *>(taken)));
    object_release(taken);
    player_add_object(me, taken);
    player_learn_object(me, home, 1);
    EXPECT_EQ(player_known_object_by_id(me, taken->id), nullptr);
    EXPECT_NE(player_known_object_by_id(me, theirs->id), nullptr);

    // A copy of an own ship read from an older save goes at the end of the turn; the rival's stays.
    GameObject *old_copy = object_clone(mine, 0);
    ASSERT_NE(old_copy, nullptr);
    object_add_ref(old_copy);
    ASSERT_GE(list_append(&me->known, old_copy), 0);
    ASSERT_GE(hash_table_insert(me->known_map, old_copy), 0);
    player_turn_update(me);
    EXPECT_EQ(player_known_object_by_id(me, mine->id), nullptr);
    EXPECT_NE(player_known_object_by_id(me, theirs->id), nullptr);
    EXPECT_EQ(list_count(&me->known), 2) << "the sector and the rival's ship";
}

// A rival's ship last seen a week ago that no remembered sector or fleet lists has gone stale: the
// player no longer knows where it is, and its strength would be feared for ever.
TEST_F(PlayerTurn, ARivalsShipUnseenForAWeekIsForgottenUnlessARememberedPlaceListsIt) {
    Player *me = add_player(10, "Vega");
    Player *them = add_player(11, "Rigel");
    Sector *far = add_sector(them->id, 900, 900);
    Ship *docked = new_ship(), *escorted = new_ship(), *passing = new_ship();
    for (Ship *s : {docked, escorted, passing}) {
        object_assign_id(s);
        player_add_object(them, s);
    }
    ship_set_sector(docked, far);
    player_learn_object(me, far, 1);
    player_learn_object(me, passing, 0);
    player_learn_object(me, escorted, 0);
    Fleet *seen = fleet_create();
    ASSERT_NE(seen, nullptr);
    seen->id = 5555;
    seen->owner_id = them->id;
    seen->known_ship_ids.push_back(escorted->id);
    object_add_ref(seen);
    ASSERT_GE(list_append(&me->known, static_cast<GameObject *>(seen)), 0);
    ASSERT_GE(hash_table_insert(me->known_map, seen), 0);

    advance_days(THREAT_MAX_AGE_DAYS);
    seen->seen_date->minutes = game->clock->minutes;   // the fleet is still in sight
    player_turn_update(me);
    EXPECT_NE(player_known_object_by_id(me, docked->id), nullptr) << "listed by the remembered sector";
    EXPECT_NE(player_known_object_by_id(me, escorted->id), nullptr) << "listed by the remembered fleet";
    EXPECT_EQ(player_known_object_by_id(me, passing->id), nullptr);
}

TEST_F(PlayerTurn, AnUnlistedRivalsShipIsRememberedForAWeek) {
    Player *me = add_player(10, "Vega");
    Player *them = add_player(11, "Rigel");
    Ship *passing = new_ship();
    object_assign_id(passing);
    player_add_object(them, passing);
    player_learn_object(me, passing, 0);
    advance_days(THREAT_MAX_AGE_DAYS);
    game->clock->minutes -= 1;
    player_turn_update(me);
    EXPECT_NE(player_known_object_by_id(me, passing->id), nullptr);
    game->clock->minutes += 1;
    player_turn_update(me);
    EXPECT_EQ(player_known_object_by_id(me, passing->id), nullptr);
}

// What a player knows of a sector's sites is what the remembered sector lists: a copy of a site no
// remembered sector lists is never read and goes at the end of the turn, unless it was seen this
// very minute (a site in sight counts as visible through its copy).
TEST_F(PlayerTurn, SiteCopiesLastWhileARememberedSectorListsThem) {
    Player *me = add_player(10, "Vega");
    Sector *far = add_sector(0, 900, 900);
    Site *rock = add_site(far, 6, 0), *moon = add_site(far, 11, 0);

    // Known by name only: the sector lists nothing, and no copies of its sites are made.
    player_learn_object(me, far, -1);
    ASSERT_NE(player_known_object_by_id(me, far->id), nullptr);
    EXPECT_EQ(player_known_object_by_id(me, rock->id), nullptr);
    EXPECT_EQ(list_count(&me->known), 1);

    player_learn_object(me, far, 0);
    ASSERT_NE(player_known_object_by_id(me, rock->id), nullptr);
    ASSERT_NE(player_known_object_by_id(me, moon->id), nullptr);
    advance_days(1);
    player_turn_update(me);
    EXPECT_NE(player_known_object_by_id(me, rock->id), nullptr) << "listed by the remembered sector";

    // A glimpse by name later keeps the copies it cannot list and refreshes them.
    rock->owner_id = me->id;
    player_learn_object(me, far, -1);
    EXPECT_EQ(player_known_object_by_id(me, rock->id)->owner_id, me->id);

    // The rock is gone: once the sector is seen without it, its copy is listed nowhere and goes.
    ASSERT_TRUE(list_remove_value(&far->sites, rock));
    player_learn_object(me, far, 0);
    ASSERT_NE(player_known_object_by_id(me, rock->id), nullptr);
    advance_days(1);
    player_turn_update(me);
    EXPECT_EQ(player_known_object_by_id(me, rock->id), nullptr);
    EXPECT_NE(player_known_object_by_id(me, moon->id), nullptr);

    // Seen this minute, a copy stays though no sector lists it; a day later it goes.
    player_learn_object(me, rock, 0);
    player_turn_update(me);
    EXPECT_NE(player_known_object_by_id(me, rock->id), nullptr);
    advance_days(1);
    player_turn_update(me);
    EXPECT_EQ(player_known_object_by_id(me, rock->id), nullptr);
    object_release(rock);
}

// ---- Escape pods ----

using PlayerPods = PlayerWorld;

TEST_F(PlayerPods, APodTravelsAtLeastTwoDaysAndLandsAtTheNearestOwnStarbase) {
    Player *me = add_ui_player(10, "Vega");
    Sector *home = add_sector(10, 100, 100);
    add_sector(10, 2000, 2000);
    Site *base = add_site(home, SITE_STARBASE, 10);
    Ship *ship = new_ship(2);
    player_add_object(me, ship);
    Officer *pilot = new_officer("Ada Quell");
    player_add_officer(me, pilot);
    ship_set_pilot(ship, pilot);
    ship_set_sector(ship, home);
    ship->ship_flags |= SHIP_FLAG_POD_ESCAPED;
    ship->flags |= OBJ_DYING;
    player_after_encounter(me);
    ASSERT_TRUE(pilot->flags & OFFICER_FLAG_IN_POD);
    EXPECT_EQ(pilot->pod_minutes, PLAYER_POD_MIN_MINUTES);
    EXPECT_EQ(pilot->pod_destination, home->id);
    EXPECT_EQ(ship->pilot, nullptr);
    EXPECT_EQ(ship->pilot_text, "No commander");

    player_update_escape_pods(me, PLAYER_POD_MIN_MINUTES - 1);
    EXPECT_TRUE(pilot->flags & OFFICER_FLAG_IN_POD);
    player_update_escape_pods(me, 1);
    EXPECT_FALSE(pilot->flags & OFFICER_FLAG_IN_POD);
    EXPECT_EQ(site_officer_count(base), 1);
    const Alert *news = list_get(game->alerts, list_count(game->alerts) - 1);
    ASSERT_NE(news, nullptr);
    EXPECT_EQ(news->kind, ALERT_ESCAPE_POD);
    EXPECT_NE(news->text.find("Ada Quell arrived in the"), std::string::npos) << news->text;
}

TEST_F(PlayerPods, APodLandingWhereItCannotEnterIsLostWithNewsOnlyAtASector) {
    Player *me = add_ui_player(10, "Vega");
    add_player(11, "Rigel");
    Sector *taken = add_sector(11, 100, 100);
    add_site(taken, SITE_STARBASE, 11);
    Sector *bare = add_sector(10, 400, 100);
    struct Case { uint64_t destination; const char *news; };
    const Case cases[] = {
        {taken->id, "Escape Pod for Vega arrived in the "},
        {bare->id, "Escape Pod for Vega arrived in the "},
        {987654321, nullptr},
    };
    for (const Case &c : cases) {
        list_clear(game->alerts);
        Officer *pilot = new_officer("Ada Quell");
        player_add_officer(me, pilot);
        pilot->flags |= OFFICER_FLAG_IN_POD;
        pilot->pod_minutes = 10;
        pilot->pod_destination = c.destination;
        const uint64_t id = pilot->id;
        player_update_escape_pods(me, 10);
        EXPECT_EQ(player_find_officer(me, id), nullptr) << "lost at " << c.destination;
        const Alert *news = list_get(game->alerts, list_count(game->alerts) - 1);
        if (!c.news) {
            EXPECT_EQ(news, nullptr) << "no sector, no news";
            continue;
        }
        ASSERT_NE(news, nullptr);
        EXPECT_EQ(news->kind, ALERT_ESCAPE_POD);
        EXPECT_NE(news->text.find(c.news), std::string::npos) << news->text;
        EXPECT_NE(news->text.find("could not enter the starbase and was lost"), std::string::npos) << news->text;
    }
}

TEST_F(PlayerPods, APilotWhoCannotEscapeDies) {
    Player *me = add_player(10, "Vega");
    Ship *ship = new_ship(2);
    player_add_object(me, ship);
    Officer *pilot = new_officer("Lost");
    player_add_officer(me, pilot);
    ship_set_pilot(ship, pilot);
    ship->flags |= OBJ_DEAD;
    const uint64_t id = pilot->id;
    player_after_encounter(me);
    EXPECT_EQ(player_find_officer(me, id), nullptr);
}

// ---- The shipyard's ships ----

using PlayerShipyard = PlayerWorld;

TEST_F(PlayerShipyard, AFinishedShipIsNamedDatedWholeAndInTheSectorAndAOneOffDesignGoes) {
    ASSERT_EQ(name_lists_load(game), RES_OK);
    Player *p = add_player(10, "Vega");
    Sector *home = add_sector(10, 100, 100);
    add_site(home, SITE_STARBASE, 10)->crew = 500;
    Site *yard = add_site(home, SITE_SHIPYARD, 10);
    Ship *design = new_ship(2);
    design->ship_name = "Yard Trial";   // no deck holds it: the next name of the deck differs
    const int32_t gun = system_type_with(SYSTEM_FLAG_ROUNDS, SYSTEM_FLAG_ENGINE_MOUNT | SYSTEM_FLAG_ARMOUR_MOUNT);
    ASSERT_GE(gun, 0);
    System *sys = system_create(gun);
    ASSERT_NE(sys, nullptr);
    bool fitted = false;
    for (int32_t i = 0; i < design->crit_count && !fitted; ++i) fitted = ship_set_crit_system(design, i, sys) == RES_OK;
    ASSERT_TRUE(fitted);
    sys->integrity = 1;   // the design's copy is worn and empty: the yard's ship must not be
    sys->rounds = 0;
    design->ship_flags |= SHIP_FLAG_ONE_OFF_DESIGN;
    player_add_design(p, design);
    const uint64_t design_id = design->id;
    ASSERT_NE(design->build_a, design->build_b) << "the two rush prices can be told apart";

    ASSERT_EQ(site_start_production(yard, 0, design_id), RES_OK);
    EXPECT_EQ(yard->rush_low, design->build_a) << "nearly done";
    EXPECT_EQ(yard->rush_high, design->build_b) << "just started";
    const int32_t minutes = yard->remaining_min;
    game->clock->minutes += uint64_t(minutes);
    date_from_minutes(game->clock);
    object_advance_clock(yard, minutes);

    ASSERT_EQ(player_object_count(p), 1);
    Ship *ship = ship_of(player_get_object_at(p, 0));
    ASSERT_NE(ship, nullptr);
    EXPECT_FALSE(ship->ship_name.empty());
    EXPECT_NE(ship->ship_name, "Yard Trial") << "the ship takes the next name of the deck";
    EXPECT_EQ(ship->owner_id, 10u);
    EXPECT_EQ(ship->sector_id, home->id);
    ASSERT_NE(ship->built_date, nullptr);
    EXPECT_EQ(ship->built_date->minutes, game->clock->minutes);
    EXPECT_EQ(ship->armour, ship->max_armour);
    const System *built = nullptr;
    for (int32_t i = 0; i < ship->crit_count; ++i)
        if (ship->crits[i].system && ship->crits[i].system->type == gun) built = ship->crits[i].system;
    ASSERT_NE(built, nullptr);
    EXPECT_EQ(built->integrity, built->max_integrity) << "repaired";
    EXPECT_EQ(built->rounds, built->rounds_per_reload) << "reloaded";
    EXPECT_EQ(p->ships_built, 1);
    EXPECT_EQ(player_get_design(p, design_id), nullptr) << "a one-off design is spent";
    EXPECT_FALSE(yard->state & SITE_PRODUCING);
}

// ---- Save record ----

class PlayerSave : public PlayerWorld {
protected:
    // A player holding something of everything its record keeps.
    Player *rich_player() {
        Player *p = add_player(10, "Vega Combine");
        p->flags = PLAYER_FLAG_NO_HOME_COLONY;
        p->credits = 12345;
        Officer *o = new_officer("Ada Quell");
        o->skills[SKILL_COMMAND] = 3;
        player_add_officer(p, o);
        player_add_officer(p, new_officer("Bo Ferrant"));
        Ship *ship = new_ship(2);
        player_add_object(p, ship);
        Ship *design = new_ship(3);
        design->ship_name = "Lancer";
        player_add_design(p, design);
        System *sys = system_create(0);
        EXPECT_NE(sys, nullptr);
        if (sys) {
            EXPECT_GE(list_append(&p->catalog, sys), 0);
        }
        player_add_facility(p, 13);
        player_add_hull(p, 2);
        p->research_points[4] = 777;
        p->tech_state[4] = TECH_AVAILABLE | TECH_QUEUED;
        p->queue_dates[4]->minutes = 123456;
        p->completion_dates[0]->minutes = 654321;
        p->research_target = 4;
        p->research_remainder = 399;
        p->bonus[1] = 15;
        p->enemy_mass_destroyed = 0x100000002ull;
        p->encounter_numbers[2] = 7;
        p->defeated_by = 99;
        p->record_id = 0xDEADBEEFCAFEull;
        p->spare = -7;
        p->spare2 = 8;
        player_add_sensor_tap(p, 300, 11, 4242);
        return p;
    }
};

TEST_F(PlayerSave, ARecordReadsBackToTheSameBytesAndEveryShortenedOneIsRefused) {
    Player *p = rich_player();
    Buffer first;
    ASSERT_EQ(player_write(p, &first), RES_OK);
    Player *back = nullptr;
    ASSERT_EQ(player_read(&back, &first), RES_OK);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(first.cursor, first.length) << "the reader takes exactly the record";
    EXPECT_EQ(back->name, "Vega Combine");
    EXPECT_EQ(list_count(&back->officers), 2);
    EXPECT_EQ(list_get(&back->officers, 0)->name, "Ada Quell") << "officers keep their order";
    EXPECT_EQ(back->queue_dates[4]->minutes, 123456u);
    EXPECT_EQ(back->enemy_mass_destroyed, 0x100000002ull);
    EXPECT_EQ(back->galaxy_ai, nullptr);
    EXPECT_EQ(back->commander_ai, nullptr);
    EXPECT_EQ(back->totals.design_counter, 2);
    Buffer second;
    ASSERT_EQ(player_write(back, &second), RES_OK);
    EXPECT_EQ(bytes_of(first), bytes_of(second));
    player_free(back);

    // Every shortened record is refused and leaves nothing.
    const std::vector<uint8_t> bytes = bytes_of(first);
    for (size_t cut = 0; cut < bytes.size(); cut += 7) {
        Buffer part;
        ASSERT_EQ(buffer_append(&part, bytes.data(), cut), RES_OK);
        Player *out = reinterpret_cast<Player *>(0x1);
        EXPECT_NE(player_read(&out, &part), RES_OK) << "cut at " << cut;
        EXPECT_EQ(out, reinterpret_cast<Player *>(0x1)) << "nothing stored at cut " << cut;
    }
}

TEST_F(PlayerSave, HostileCountsAndAFleetAmongTheOwnShipsAreRefusedBeforeAnythingIsAllocated) {
    add_player(10, "Vega");
    auto head = [] {   // id, kind, flags, colour, name, credits
        Bytes b;
        b.u64(10).i32(1).u32(0).words({1, 2, 3}).str("Vega").i32(0);
        return b;
    };
    Bytes huge = head(), negative = head(), fleet = head();
    huge.i32(0x7FFFFFFF);   // officers: two billion claimed, none there
    negative.i32(-1);
    fleet.i32(0).i32(1);    // no officers, one own object
    Buffer buf;
    ASSERT_EQ(buffer_append(&buf, fleet.v.data(), fleet.v.size()), RES_OK);
    GameObject *stray = object_create_blank(OBJECT_FLEET);
    ASSERT_NE(stray, nullptr);
    stray->id = 77;
    ASSERT_EQ(object_write(stray, &buf), RES_OK);
    object_destroy(stray);
    fleet.v.assign(buf.data, buf.data + buf.length);
    const struct { const Bytes *bytes; Result want; } cases[] = {
        {&huge, RES_SHORT_BUFFER}, {&negative, RES_MALFORMED}, {&fleet, RES_MALFORMED}};
    for (const auto &c : cases) {
        Buffer in;
        ASSERT_EQ(buffer_append(&in, c.bytes->v.data(), c.bytes->v.size()), RES_OK);
        EXPECT_EQ(player_read(nullptr, &in), c.want) << c.bytes->v.size() << " bytes";
    }
}

TEST_F(PlayerSave, RecordsGetTheGameCountersAndTheCountersStartAgain) {
    TestSaveFolder folder("game");
    Player *p = add_player(10, "Vega");
    list_set_free_fn(game->player_records, player_record_free);
    PlayerRecord *record = player_record_create();
    record->id = 4;
    record->stats[RECORD_STAT_WINS] = 0xFFFFFFFF0ull;
    ASSERT_GE(list_append(game->player_records, record), 0);
    p->record_id = 4;
    p->game_counters[COUNTER_WINS] = 2;
    p->game_counters[COUNTER_RESEARCH] = 9;
    ASSERT_EQ(records_flush_players(game), RES_OK);
    EXPECT_EQ(record->stats[RECORD_STAT_WINS], 0xFFFFFFFF2ull);
    EXPECT_EQ(record->stats[RECORD_STAT_RESEARCH], 9u);
    EXPECT_EQ(p->game_counters[COUNTER_WINS], 0);
    EXPECT_FALSE(read_whole(folder.file("records.dat")).empty());
    list_clear(game->player_records);
}

}  // namespace
