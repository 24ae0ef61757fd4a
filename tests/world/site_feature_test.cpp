// Site features on real sites and sectors from the generated store: which bodies may carry them,
// how they are dealt, gathered and deactivated, the machine faction's defenders, the texts, the
// daily figures and the officers' order; and the surface grids of the five body kinds, made from the
// body's seed alone and shaped like their worlds.
#include "galaxy_fixture.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <set>
#include "game/alert.h"
#include "support/fixture_store.h"
#include "systems/system.h"
#include "test_support.h"

namespace galaxytest {
namespace {

constexpr int32_t BODIES[] = {6, 9, 10, 11, 12};

class SiteFeatures : public SectorFixture {
protected:
    void SetUp() override {
        SectorFixture::SetUp();
        system_types_free();
        ASSERT_EQ(system_types_load(), RES_OK);
        game->setup.ark_strength = 1;
        game->combat_ai_player_id = 66;
    }
    void TearDown() override {
        for (Sector *s : held) object_release(s);
        system_types_free();
        SectorFixture::TearDown();
    }
    // A new sector (make_sector) that the tear-down lets go of.
    Sector *sector(int32_t t = 0, uint64_t owner = 0, int32_t x = 0, int32_t y = 0) {
        held.push_back(make_sector(t, owner, x, y));
        return held.back();
    }
    std::vector<Sector *> held;
};

// ---- Which bodies ----

TEST_F(SiteFeatures, OnlyLabelledBodiesNamedByTheMaskTakeAFeature) {
    Sector *s = sector();
    for (int32_t kind = 0; kind < FEATURE_TEMPLATE_COUNT; ++kind) {
        const SiteFeature *tmpl = feature_template(kind);
        ASSERT_NE(tmpl, nullptr) << kind;
        int32_t takers = 0;
        for (int32_t t = 0; t < SITE_TEMPLATE_COUNT; ++t) {
            Site *site = add_site(s, t);
            const bool body = std::find(std::begin(BODIES), std::end(BODIES), t) != std::end(BODIES);
            if (!body) {
                EXPECT_FALSE(site_feature_flag_test(site, kind)) << "template " << t << " kind " << kind;
            }
            takers += site_feature_flag_test(site, kind) ? 1 : 0;
        }
        EXPECT_GT(takers, 0) << "feature " << kind << " has somewhere to go";
    }
    Site *gas = add_site(s, 9);
    EXPECT_TRUE(site_feature_flag_test(gas, FEATURE_RESOURCES));
    EXPECT_FALSE(site_feature_flag_test(gas, FEATURE_SURVIVORS)) << "nobody lives on a gas giant";
    EXPECT_FALSE(site_feature_flag_test(gas, 7));
    EXPECT_FALSE(site_feature_flag_test(gas, -1));
    gas->params.template_flags &= ~SITE_TF_LABELLED;
    EXPECT_FALSE(site_feature_flag_test(gas, FEATURE_RESOURCES)) << "an unlabelled body never";
}

TEST_F(SiteFeatures, TheBagHoldsEachFeatureAsOftenAsItsTemplateSays) {
    ShuffleBag<int32_t> *bag = site_random_features();
    ASSERT_NE(bag, nullptr);
    std::map<int32_t, int32_t> seen;
    const int32_t n = shuffle_count(bag);
    for (int32_t i = 0; i < n; ++i) ++seen[*shuffle_next(bag)];
    int32_t expected_total = 0;
    for (int32_t kind = 0; kind < FEATURE_TEMPLATE_COUNT; ++kind) {
        EXPECT_EQ(seen[kind], feature_template(kind)->bag_count) << kind;
        expected_total += feature_template(kind)->bag_count;
    }
    EXPECT_EQ(n, expected_total);
    shuffle_free(bag);
}

// ---- Dealing ----

TEST_F(SiteFeatures, AFeatureLiesInsideTheGridWithItsBonusAndTwoDifferentDefenderWeapons) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Sector *s = sector();
    std::set<int32_t> weapons;
    for (int round = 0; round < 200; ++round) {
        Site *body = add_site(s, 11);
        site_generate_features(body, FEATURE_RESOURCES);
        const SiteFeature *f = body->feature;
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->kind, FEATURE_RESOURCES);
        EXPECT_GE(f->grid_x, 10);
        EXPECT_LT(f->grid_x, 10 + body->params.grid_width - 19);
        EXPECT_GE(f->grid_y, 10);
        EXPECT_LT(f->grid_y, 10 + body->params.grid_height - 19);
        EXPECT_GE(f->bonus, f->bonus_min);
        EXPECT_LE(f->bonus, f->bonus_max);
        EXPECT_NE(f->weapon_a, f->weapon_b);
        for (int32_t w : {f->weapon_a, f->weapon_b}) {
            EXPECT_GE(w, 24);
            EXPECT_LE(w, 27);
            weapons.insert(w);
        }
        EXPECT_EQ(f->defenders_lost, 0);
    }
    EXPECT_EQ(weapons.size(), 4u) << "each of the four defender weapons comes up";
}

TEST_F(SiteFeatures, ATinyGridPutsTheFeatureTenCellsIn) {
    Sector *s = sector();
    Site *body = add_site(s, 10);
    body->params.grid_width = 20;   // range 1
    body->params.grid_height = 5;   // range below 1
    site_generate_features(body, FEATURE_SURVIVORS);
    EXPECT_EQ(body->feature->grid_x, 10);
    EXPECT_EQ(body->feature->grid_y, 10);
}

TEST_F(SiteFeatures, ResourcesAreDoubledOnceHoweverOftenAFeatureIsDealt) {
    Sector *s = sector();
    Site *body = add_body(s, 10, 20, 1000);
    ASSERT_EQ(feature_template(FEATURE_RICH_BODY)->doubles_resources, 1);
    site_generate_features(body, FEATURE_RICH_BODY);
    EXPECT_EQ(body->resources_max, 2000);
    EXPECT_EQ(body->resources_left, 2000);
    EXPECT_TRUE(body->state & SITE_RESOURCES_DOUBLED);
    site_generate_features(body, FEATURE_RICH_BODY);
    EXPECT_EQ(body->resources_left, 2000) << "doubled only once";
}

TEST_F(SiteFeatures, TheArkStrengthPicksTheTriple) {
    Sector *s = sector();
    const SiteFeature *tmpl = feature_template(FEATURE_RESOURCES);
    for (int32_t strength : {-3, 0, 1, 2, 9}) {
        SCOPED_TRACE(strength);
        game->setup.ark_strength = strength;
        const int32_t level = std::clamp(strength, 0, 2);
        for (int round = 0; round < 20; ++round) {
            Site *body = add_site(s, 9);
            site_generate_features(body, FEATURE_RESOURCES);
            EXPECT_EQ(body->feature->defence_kind, tmpl->defence_kind_by_level[level]);
            EXPECT_GE(body->feature->defenders, tmpl->defenders_min_by_level[level]);
            EXPECT_LE(body->feature->defenders, tmpl->defenders_max_by_level[level]);
            EXPECT_EQ(site_has_defence(body), tmpl->defence_kind_by_level[level] >= 0);
        }
    }
}

TEST_F(SiteFeatures, TheArkNameIsStableAndInItsRange) {
    Sector *s = sector();
    std::set<std::string> names;
    for (int round = 0; round < 30; ++round) {
        Site *body = add_site(s, 9);
        give_feature(body, FEATURE_RESOURCES, 0);
        std::string first, again;
        feature_ark_name(body, &first);
        feature_ark_name(body, &again);
        EXPECT_EQ(first, again);
        ASSERT_EQ(first.size(), 8u);
        EXPECT_EQ(first.substr(0, 4), "ARK-");
        const int number = std::stoi(first.substr(4));
        EXPECT_GE(number, 2);
        EXPECT_LE(number, 9999);
        names.insert(first);
    }
    EXPECT_GT(names.size(), 20u) << "different seeds, different names";
}

// ---- The machine faction's defenders ----

TEST_F(SiteFeatures, PlainDefendersAreDronesWithTheirTwoWeaponsForTheLargestGroups) {
    Sector *s = sector();
    Site *body = add_site(s, 9);
    SiteFeature *f = give_feature(body, FEATURE_RESOURCES, 0);
    f->weapon_a = 25, f->weapon_b = 27;
    struct Case {
        int32_t defenders, lost;
        int32_t ships, with_a, with_b;
    } cases[] = {{9, 0, 9, 1, 1}, {8, 0, 8, 1, 1}, {7, 0, 7, 1, 0}, {5, 0, 5, 1, 0}, {4, 0, 4, 0, 0},
                 {6, 4, 2, 0, 0}, {3, 3, 1, 0, 0}, {2, 5, 1, 0, 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.defenders) + " less " + std::to_string(c.lost));
        f->defenders = c.defenders, f->defenders_lost = c.lost;
        List<GameObject> ships;
        list_set_free_fn(&ships, object_release);
        feature_create_ark_defenses(body, &ships);
        ASSERT_EQ(list_count(&ships), c.ships);
        int32_t with_a = 0, with_b = 0;
        for (GameObject *obj : ships.items) {
            const Ship *ship = ship_of(obj);
            ASSERT_NE(ship, nullptr);
            EXPECT_EQ(ship->subtype, 0) << "a drone hull";
            EXPECT_STREQ(object_get_name(obj), "ARK Drone");
            EXPECT_EQ(ship->owner_id, 66u) << "the machine faction";
            EXPECT_TRUE(ship->flags & OBJ_LOST) << "gone with its battle";
            EXPECT_EQ(ship->refcount, 1);
            EXPECT_NE(ship->id, 0u);
            EXPECT_GE(ship->initiative, 1);
            EXPECT_LE(ship->initiative, 100);
            EXPECT_EQ(ship->ap, ship->max_ap);
            const System *gun = ship_get_crit_system(ship, 0);
            const System *drive = ship_get_crit_system(ship, 1);
            ASSERT_NE(gun, nullptr);
            ASSERT_NE(drive, nullptr);
            EXPECT_EQ(drive->type, 2);
            with_a += gun->type == 25;
            with_b += gun->type == 27;
            if (gun->type != 25 && gun->type != 27) {
                EXPECT_EQ(gun->type, 4);
            }
        }
        EXPECT_EQ(with_a, c.with_a);
        EXPECT_EQ(with_b, c.with_b);
        list_clear(&ships);
    }
}

TEST_F(SiteFeatures, ArmedDefendersBringACarrierAndTheSameSeedTheSameShips) {
    Sector *s = sector();
    Site *body = add_site(s, 9);
    SiteFeature *f = give_feature(body, FEATURE_RESOURCES, FEATURE_DEFENCE_ARMED);
    f->defenders = 1;
    List<GameObject> first, second;
    list_set_free_fn(&first, object_release);
    list_set_free_fn(&second, object_release);
    feature_create_ark_defenses(body, &first);
    ASSERT_EQ(list_count(&first), 3) << "at least two drones, and the carrier";
    const Ship *carrier = ship_of(list_get(&first, 0));
    EXPECT_EQ(carrier->subtype, 1) << "the carrier sorts first by name";
    EXPECT_STREQ(object_get_name(carrier), "ARK Carrier");
    ASSERT_NE(ship_get_crit_system(carrier, 1), nullptr);
    EXPECT_EQ(ship_get_crit_system(carrier, 1)->type, 20) << "its launcher";
    feature_create_ark_defenses(body, &second);
    ASSERT_EQ(list_count(&second), 3);
    for (int32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(list_get(&first, i)->subtype, list_get(&second, i)->subtype);
        EXPECT_EQ(list_get(&first, i)->initiative, list_get(&second, i)->initiative) << i;
        EXPECT_NE(list_get(&first, i)->id, list_get(&second, i)->id) << "new ships each time";
    }
    list_clear(&first);
    list_clear(&second);

    f->defence_kind = FEATURE_DEFENCE_NONE;
    feature_create_ark_defenses(body, &first);
    EXPECT_EQ(list_count(&first), 0) << "undefended";
    site_free_feature(body);
    feature_create_ark_defenses(body, &first);
    EXPECT_EQ(list_count(&first), 0);
}

// ---- Gathering ----

TEST_F(SiteFeatures, GatheringCollectsOnlyCachesAndSurvivorsAndRemembersWhere) {
    add_player(7);
    Sector *s = sector(0, 7);
    for (int32_t kind = 0; kind < FEATURE_TEMPLATE_COUNT; ++kind) {
        SCOPED_TRACE(kind);
        Site *body = add_site(s, 11);
        SiteFeature *f = give_feature(body, kind);
        const int32_t gx = f->grid_x, gy = f->grid_y;
        site_gather_feature(body, 7);
        if (kind == FEATURE_RESOURCES || kind == FEATURE_SURVIVORS) {
            EXPECT_EQ(body->feature, nullptr) << "consumed";
            EXPECT_EQ(body->gather_a, gx);
            EXPECT_EQ(body->gather_b, gy);
            EXPECT_EQ(body->gather_state, kind);
        } else {
            EXPECT_EQ(body->feature, f) << "kept";
            EXPECT_EQ(body->gather_state, -1);
        }
    }
}

TEST_F(SiteFeatures, ACacheGivesItsCreditsWithNewsOfThem) {
    add_player(7);
    Sector *s = sector(0, 7);
    s->label = "Rigel";
    add_site(s, 9);
    Site *body = add_site(s, 11);
    ASSERT_EQ(body->label_number, 2);
    give_feature(body, FEATURE_RESOURCES)->bonus = 1500;
    game->ui_player_id = 7;
    game_clear_alerts(game);
    site_gather_feature(body, 7);
    ASSERT_EQ(list_count(game->alerts), 2) << "the day's date line and the news";
    const Alert *a = list_get(game->alerts, 1);
    EXPECT_EQ(a->text, "Rigel II - Gathered $1500 in resources");
    EXPECT_EQ(a->kind, ALERT_RESOURCES_GATHERED);
    EXPECT_EQ(a->target_player_id, 7u);
    EXPECT_EQ(as_player(g_world.players[0])->credits, 1500);
}

TEST_F(SiteFeatures, SurvivorsGoToThePlayersNearestStarbase) {
    add_player(7);
    Sector *here = sector(0, 0, 1000, 1000);
    Sector *far = sector(0, 7, 100, 100);
    Sector *near = sector(0, 7, 1200, 900);
    Sector *foreign = sector(0, 8, 1010, 1000);
    Site *far_base = add_site(far, SITE_STARBASE);
    Site *near_base = add_site(near, SITE_STARBASE);
    Site *foreign_base = add_site(foreign, SITE_STARBASE);
    Site *body = add_site(here, 10);
    SiteFeature *f = give_feature(body, FEATURE_SURVIVORS);
    const int32_t crew = f->bonus;
    ASSERT_GT(crew, 0);
    game->ui_player_id = 7;
    game_clear_alerts(game);
    site_gather_feature(body, 7);
    EXPECT_EQ(near_base->crew, crew);
    ASSERT_FALSE(list_count(game->alerts) == 0);
    EXPECT_EQ(list_get(game->alerts, list_count(game->alerts) - 1)->text,
              " I - " + std::to_string(crew) + " crew rescued and sent to Starbase ") << "sectors without names";
    EXPECT_EQ(far_base->crew, 0);
    EXPECT_EQ(foreign_base->crew, 0) << "another player's starbase";
    EXPECT_EQ(near_base->state & SITE_CREW_SHORT, crew >= 100 ? 0u : SITE_CREW_SHORT);
}

TEST_F(SiteFeatures, SurvivorsWithoutAStarbaseAreLostButTheFeatureIsStillConsumed) {
    add_player(7);
    Sector *here = sector(0, 7);
    Site *body = add_site(here, 10);
    give_feature(body, FEATURE_SURVIVORS);
    game->ui_player_id = 7;
    game_clear_alerts(game);
    site_gather_feature(body, 7);
    EXPECT_EQ(list_count(game->alerts), 0) << "nobody rescued, nothing to tell";
    EXPECT_EQ(body->feature, nullptr);
    EXPECT_EQ(body->gather_state, FEATURE_SURVIVORS);
}

TEST_F(SiteFeatures, AnUnknownGathererIsLoggedAndTheCacheStillGoes) {
    LogFileCatcher log(fresh_test_dir("sites"));
    Sector *s = sector();
    Site *body = add_site(s, 9);
    body->name = "Gas Giant";
    give_feature(body, FEATURE_RESOURCES);
    site_gather_feature(body, 404);
    const std::string line = "Site #" + std::to_string(body->id) +
                             " \"Gas Giant\" - Failed to find player #404 for feature resource gather";
    EXPECT_NE(log.text().find(line), std::string::npos) << log.text();
    EXPECT_EQ(body->feature, nullptr);
}

// ---- Deactivation and the daily figures ----

TEST_F(SiteFeatures, ADeactivatedHarvesterEarnsNothingUntilSwitchedBackOn) {
    add_player(7);
    Sector *s = sector(0, 7);
    site_add_crew(add_site(s, SITE_STARBASE), 400);
    Site *body = add_body(s, 9, 40, 100000);
    Site *harvester = add_site(s, SITE_HARVESTER);
    site_set_harvest_target(harvester, body->id);
    EXPECT_DOUBLE_EQ(site_harvest_per_day(harvester), 10.0) << "400 a day over divisor 40";
    site_set_deactivated(harvester, 1);
    EXPECT_TRUE(site_is_deactivated(harvester));
    EXPECT_DOUBLE_EQ(site_harvest_per_day(harvester), 0.0);
    EXPECT_EQ(sector_harvest_income(s), 0);
    object_advance_clock(s, 1440);
    EXPECT_EQ(body->resources_left, 100000) << "nothing mined while switched off";
    object_set_animation(harvester, SITE_ANIM_DEACTIVATED, -1);
    ASSERT_EQ(harvester->animation, SITE_ANIM_DEACTIVATED);
    game->ui_player_id = 7;
    site_set_deactivated(harvester, 0);
    EXPECT_FALSE(site_is_deactivated(harvester));
    EXPECT_EQ(harvester->animation, harvester->params.idle_animation) << "the user's harvester starts up again";
    EXPECT_EQ(sector_harvest_income(s), 10);
    object_advance_clock(s, 1440);
    EXPECT_LT(body->resources_left, 100000) << "mining again";

    Site *station = add_site(s, 14);
    site_set_deactivated(station, 1);
    EXPECT_FALSE(site_is_deactivated(station)) << "only harvesters switch off";
}

TEST_F(SiteFeatures, DailyFiguresOfResearchAndHarvest) {
    Sector *s = sector(0, 7);
    site_add_crew(add_site(s, SITE_STARBASE), 800);
    Site *station = add_site(s, 14);
    Site *rich = add_body(s, 10, 20, 5000);
    Site *plain = add_body(s, 9, 40, 5000);
    EXPECT_DOUBLE_EQ(site_research_per_day(station), 2.0) << "800 points over 400";
    station->state |= SITE_UNDER_CONSTRUCTION;
    EXPECT_DOUBLE_EQ(site_research_per_day(station), 0.0);
    EXPECT_DOUBLE_EQ(site_harvest_value(plain), 0.25);
    SiteFeature *f = give_feature(rich, FEATURE_RICH_BODY);
    f->bonus = 50;
    EXPECT_DOUBLE_EQ(site_harvest_value(rich), 0.75) << "10 / 20, half as much again";
    rich->harvest_divisor = 0;
    EXPECT_DOUBLE_EQ(site_harvest_value(rich), 0.0);
    EXPECT_DOUBLE_EQ(site_harvest_value(station), 0.0) << "not a resource body";
}

TEST_F(SiteFeatures, OfficersAreListedByNameEqualNamesInReverse) {
    Sector *s = sector(0, 7);
    Site *base = add_site(s, SITE_STARBASE);
    Officer *b1 = make_officer(1, "Bex", 7), *a = make_officer(2, "Aro", 7), *b2 = make_officer(3, "Bex", 7);
    Officer *c = make_officer(4, "Cyd", 7);
    for (Officer *o : {b1, c, a, b2}) site_add_officer(base, o);
    List<Officer> *sorted = site_officers_by_name(base);
    ASSERT_NE(sorted, nullptr);
    EXPECT_EQ(sorted->items, (std::vector<Officer *>{a, b2, b1, c}));
    EXPECT_EQ(b1->refcount, 1) << "the listing holds no references";
    delete sorted;
}

// ---- Texts ----

TEST_F(SiteFeatures, EveryFeatureHasItsTextsAndTheHomeColonyTwo) {
    for (int32_t kind = 0; kind < FEATURE_TEMPLATE_COUNT; ++kind) {
        std::string text;
        EXPECT_EQ(feature_load_description(kind, 0, &text), RES_OK) << kind;
        EXPECT_GT(text.size(), 30u) << kind;
    }
    std::string own, other;
    ASSERT_EQ(feature_load_description(FEATURE_HOME_COLONY, 1, &own), RES_OK);
    ASSERT_EQ(feature_load_description(FEATURE_HOME_COLONY, 0, &other), RES_OK);
    EXPECT_NE(own, other);
    for (int32_t kind : {FEATURE_RESOURCES, FEATURE_SURVIVORS}) {
        std::string text;
        EXPECT_EQ(feature_load_gather_description(kind, &text), RES_OK) << kind;
        EXPECT_FALSE(text.empty());
    }
    std::string none;
    EXPECT_NE(feature_load_description(9, 0, &none), RES_OK);
}

// The body template of each generator type: gas, terran, ice, barren, asteroids.
constexpr int32_t BODY_OF_TYPE[6] = {-1, 9, 12, 10, 11, 6};

class SiteGrids : public SectorFixture {
protected:
    std::vector<uint8_t> grid_of(int32_t type, uint32_t seed_value) {
        Site *body = site_create(BODY_OF_TYPE[type]);
        EXPECT_NE(body, nullptr);
        EXPECT_EQ(body->params.grid_generator, type);
        body->grid_seed = seed_value;
        std::vector<uint8_t> cells;
        EXPECT_EQ(feature_grid_generate(body, &cells), RES_OK);
        EXPECT_EQ(cells.size(), size_t(body->params.grid_width) * size_t(body->params.grid_height));
        w = body->params.grid_width;
        h = body->params.grid_height;
        object_destroy(body);
        return cells;
    }
    double share_at_least(const std::vector<uint8_t> &cells, int threshold) {
        return double(std::count_if(cells.begin(), cells.end(), [&](uint8_t v) { return v >= threshold; })) /
               double(cells.size());
    }
    // Mean absolute step between neighbours along rows and along columns.
    double row_roughness(const std::vector<uint8_t> &c) {
        double sum = 0;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x + 1 < w; ++x) sum += std::abs(c[size_t(y * w + x)] - c[size_t(y * w + x + 1)]);
        return sum / double(h * (w - 1));
    }
    double column_roughness(const std::vector<uint8_t> &c) {
        double sum = 0;
        for (int32_t y = 0; y + 1 < h; ++y)
            for (int32_t x = 0; x < w; ++x) sum += std::abs(c[size_t(y * w + x)] - c[size_t((y + 1) * w + x)]);
        return sum / double((h - 1) * w);
    }
    int32_t w = 0, h = 0;
};

TEST_F(SiteGrids, TheSameSeedMakesTheSameFaceAndAnotherSeedAnother) {
    for (int32_t type = 1; type <= 5; ++type) {
        SCOPED_TRACE(type);
        const std::vector<uint8_t> a = grid_of(type, 1234), b = grid_of(type, 1234), c = grid_of(type, 1235);
        EXPECT_EQ(a, b);
        EXPECT_NE(a, c);
        const auto [lo, hi] = std::minmax_element(a.begin(), a.end());
        EXPECT_GT(*hi - *lo, 60) << "a face, not a flat colour";
    }
}

TEST_F(SiteGrids, EachKindLooksLikeItsWorld) {
    for (uint32_t s : {1u, 77u, 4096u}) {
        SCOPED_TRACE(s);
        const std::vector<uint8_t> gas = grid_of(1, s);
        EXPECT_LT(row_roughness(gas) * 2, column_roughness(gas)) << "bands run along the rows";
        const std::vector<uint8_t> terran = grid_of(2, s);
        EXPECT_GT(share_at_least(terran, 146), 0.15) << "land";
        EXPECT_LT(share_at_least(terran, 146), 0.85) << "and sea";
        EXPECT_LT(share_at_least(terran, 100) - share_at_least(terran, 190), 0.25) << "with coasts, not mud";
        const std::vector<uint8_t> ice = grid_of(3, s);
        EXPECT_GT(share_at_least(ice, 160), 0.4) << "mostly bright sheets";
        EXPECT_GT(1.0 - share_at_least(ice, 120), 0.02) << "crossed by dark crevasses";
        const std::vector<uint8_t> rubble = grid_of(5, s);
        EXPECT_LT(row_roughness(rubble), 40.0) << "blurred twice";
    }
}

TEST_F(SiteGrids, AnEmptyGridOrAnUnknownGeneratorIsRefused) {
    Site *body = site_create(9);
    ASSERT_NE(body, nullptr);
    std::vector<uint8_t> cells{1, 2, 3};
    body->params.grid_generator = 6;
    EXPECT_EQ(feature_grid_generate(body, &cells), RES_UNSUPPORTED);
    body->params.grid_generator = 0;
    EXPECT_EQ(feature_grid_generate(body, &cells), RES_UNSUPPORTED);
    body->params.grid_generator = 1;
    body->params.grid_width = 0;
    EXPECT_EQ(feature_grid_generate(body, &cells), RES_NO_PLACEMENT);
    EXPECT_EQ(cells, (std::vector<uint8_t>{1, 2, 3})) << "untouched on failure";
    object_destroy(body);
}

}  // namespace
}  // namespace galaxytest
