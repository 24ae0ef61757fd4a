// A ship's galaxy days: the pilot's experience and promotion news, field repair of armour and
// systems over the days, and network hacking of the nearest sector in scan range, day by day, with
// the game's players behind the ships: a scan puts the target into the owner's memory, and a hack
// reaches the victim's research rate and hands the thief research, a design or a sensor tap.
#include "combat_test_util.h"

#include <numeric>
#include "game/game.h"
#include "game/player.h"
#include "game/tech.h"
#include "world/fleet.h"
#include "world/object_map.h"
#include "world/sector.h"
#include "world/site.h"
#include "world/site_feature.h"

using namespace shiptest;

namespace {

class GalaxyDays : public CombatMapTest {
protected:
    Ship *ship = nullptr;
    Officer *pilot = nullptr;
    void SetUp() override {
        CombatMapTest::SetUp();
        game_clear_alerts(game);
        game->ui_player_id = RED;
        ship = hull(HULL_LANCER, RED);
        ship->id = 5001;
        ship->ship_name = "Kestrel";
        fit(ship, LANCER_FORE, SYSTEM_TYPE_BEAM, 0);
        fit(ship, LANCER_PORT, SYSTEM_TYPE_SHIELD, 0);
        fit(ship, LANCER_ENGINE, SYSTEM_TYPE_ENGINE, 0);
        fit(ship, LANCER_ARMOUR, SYSTEM_TYPE_ARMOUR, 0);
        pilot = officer_create();
        pilot->id = 77;
        pilot->name = "Ada Quill";
        pilot->owner_id = RED;
        pilot->rank = RANK_LT_COMMANDER;
        pilot->experience = 1;
        ship_set_pilot(ship, pilot);
        ship->armour = ship->max_armour;
        findable(ship);
        red = game_find_player(game, RED);
        blue = game_find_player(game, BLUE);
    }
    // The object joins the game's object list, where the game's lookup finds it by id.
    void findable(GameObject *obj) {
        list_append(game->objects, obj);
        known.push_back(obj);
    }
    void TearDown() override {
        for (GameObject *obj : known) (void)list_remove_value(game->objects, obj);
        known.clear();
        game_clear_alerts(game);
        game->ui_player_id = 0;
        CombatMapTest::TearDown();
    }
    void days(int n) {
        for (int i = 0; i < n; ++i) object_galaxy_turn(ship);
    }
    std::vector<GameObject *> known;   // objects the test owns, in the game's object list
    Player *red = nullptr, *blue = nullptr;
};

TEST_F(GalaxyDays, APilotGainsFiveADayAndIsPromotedWithNewsAndARefreshedShip) {
    days(10);
    EXPECT_EQ(pilot->experience, 51);
    EXPECT_EQ(pilot->rank, RANK_LT_COMMANDER);
    pilot->experience = 9996;
    ship->ap = 0;
    days(1);
    EXPECT_EQ(pilot->rank, RANK_COMMANDER);
    EXPECT_EQ(ship->pilot_rank, RANK_COMMANDER);
    EXPECT_EQ(ship->ap, ship->max_ap) << "the promoted pilot's ship is refreshed";
    ASSERT_EQ(news().size(), 1u);
    const Alert &item = *news()[0];
    EXPECT_EQ(item.kind, ALERT_OFFICER_NEWS);
    EXPECT_EQ(item.target_player_id, RED);
    EXPECT_EQ(item.subtype, RANK_COMMANDER);
    EXPECT_EQ(item.text, "Ada Quill (deep space) was promoted to Commander");
    EXPECT_EQ(item.extra_words[SKILL_COMMAND], pilot->skills[SKILL_COMMAND]) << "the skills go with the news";
    EXPECT_EQ(pilot->ship_tally, 0) << "a promotion starts the tallies again";

    // In a sector the news names it.
    GameObject *sector = object_create_blank(OBJECT_SECTOR);
    owned.push_back(sector);
    sector->id = 900;
    sector_of(sector)->label = "Tau Ceti";
    findable(sector);
    ship->sector_id = 900;
    pilot->experience = 19999;
    days(1);
    EXPECT_EQ(pilot->rank, RANK_CAPTAIN);
    ASSERT_EQ(news().size(), 2u);
    EXPECT_EQ(news()[1]->text, "Ada Quill (Tau Ceti sector) was promoted to Captain");
}

TEST_F(GalaxyDays, AShipWithoutAPilotOnlyLosesItsOrderBits) {
    ship_set_pilot(ship, nullptr);
    ship->ship_flags |= SHIP_FLAG_ORDER_A | SHIP_FLAG_SURVEY | SHIP_FLAG_ORDER_B;
    ship->armour = 1;
    days(3);
    EXPECT_FALSE(ship->ship_flags & (SHIP_FLAG_ORDER_A | SHIP_FLAG_SURVEY | SHIP_FLAG_ORDER_B));
    EXPECT_EQ(ship->armour, 1);
}

TEST_F(GalaxyDays, FieldRepairMendsArmourToItsCapAndSystemsOneAtATime) {
    pilot->skills[SKILL_FIELD_REPAIR] = 2;   // 1 armour a day to 80%, 2 integrity a day to 45%
    ship->base_max_armour = 50 - 60;         // with the plating: 50
    ship_recompute_stats(ship);
    ASSERT_EQ(ship->max_armour, 50);
    ship->armour = 30;
    days(1);
    EXPECT_EQ(ship->armour, 31);
    days(20);
    EXPECT_EQ(ship->armour, 40) << "80% of 50";

    // A wrecked system comes back first, then the most worn below the cap is repaired over days.
    System *beam = ship_get_crit_system(ship, LANCER_FORE);
    System *shield = ship_get_crit_system(ship, LANCER_PORT);
    beam->integrity = 0;
    beam->status |= SYSTEM_STATUS_OFFLINE | SYSTEM_STATUS_DAMAGED;
    shield->integrity = 4;
    ship_recompute_stats(ship);
    days(1);
    EXPECT_EQ(beam->integrity, 1);
    EXPECT_FALSE(beam->status & SYSTEM_STATUS_OFFLINE);
    EXPECT_FALSE(ship->ship_flags & SHIP_FLAG_FIELD_REPAIR);
    days(1);
    EXPECT_TRUE(ship->ship_flags & SHIP_FLAG_FIELD_REPAIR);
    EXPECT_EQ(ship->repair_crit, LANCER_FORE);
    EXPECT_EQ(ship->repair_turns, 3);
    days(3);
    EXPECT_EQ(beam->integrity, 1 + 2 * 3);
    EXPECT_TRUE(ship->ship_flags & SHIP_FLAG_FIELD_REPAIR) << "three days, and at once the next three";
    EXPECT_EQ(ship->repair_crit, LANCER_FORE) << "still the first system below the cap";
    EXPECT_EQ(ship->repair_turns, 3);
    EXPECT_TRUE(beam->status & SYSTEM_STATUS_DAMAGED) << "still below half";
    const int32_t cap = beam->max_integrity * 45 / 100;
    days(6);
    EXPECT_EQ(beam->integrity, cap) << "never past 45%";
    EXPECT_EQ(ship->repair_crit, LANCER_PORT) << "then the shield";
    days(3);
    EXPECT_EQ(shield->integrity, 4 + 2 * 3);
    pilot->skills[SKILL_FIELD_REPAIR] = 5;   // level 5 and above: up to full
    beam->integrity = beam->max_integrity - 1;
    beam->status |= SYSTEM_STATUS_DAMAGED;
    ship->ship_flags &= ~SHIP_FLAG_FIELD_REPAIR;
    shield->integrity = shield->max_integrity;
    days(2);
    EXPECT_EQ(beam->integrity, beam->max_integrity);
    EXPECT_FALSE(beam->status & SYSTEM_STATUS_DAMAGED);
}

TEST_F(GalaxyDays, ASurveyOrderGathersTheFirstFeatureOfTheSectorAndTeachesThePilot) {
    GameObject *sector = object_create_blank(OBJECT_SECTOR);
    owned.push_back(sector);
    sector->id = 910;
    findable(sector);
    auto body = [&](int32_t kind) {
        Site *site = site_cast(object_create_blank(OBJECT_SITE));
        site->feature = new SiteFeature();
        site->feature->kind = kind;
        site->feature->grid_x = 3;
        sector_add_site(sector_of(sector), site, 0, 0);
        return site;
    };
    Site *bonus = body(FEATURE_RESEARCH);      // not gathered
    Site *survivors = body(FEATURE_SURVIVORS);
    Site *resources = body(FEATURE_RESOURCES);
    ship->sector_id = 910;
    ship->ship_flags |= SHIP_FLAG_SURVEY;
    const int32_t xp = pilot->experience;
    object_advance_clock(ship, 60);
    EXPECT_EQ(resources->feature, nullptr) << "resources come before survivors";
    EXPECT_EQ(resources->gather_a, 3);
    EXPECT_NE(survivors->feature, nullptr);
    EXPECT_NE(bonus->feature, nullptr);
    EXPECT_EQ(pilot->experience, xp + 1000);
    EXPECT_FALSE(ship->ship_flags & SHIP_FLAG_SURVEY);
    object_advance_clock(ship, 60);
    EXPECT_NE(survivors->feature, nullptr) << "one survey per order";
    ship->ship_flags |= SHIP_FLAG_SURVEY;
    object_advance_clock(ship, 60);
    EXPECT_EQ(survivors->feature, nullptr);
    ship->ship_flags |= SHIP_FLAG_SURVEY;
    object_advance_clock(ship, 60);
    EXPECT_EQ(pilot->experience, xp + 2000) << "nothing left to survey teaches nothing";
    EXPECT_FALSE(ship->ship_flags & SHIP_FLAG_SURVEY);
}

class Hacking : public GalaxyDays {
protected:
    GameObject *fleet = nullptr;
    ObjectMap *galaxy = nullptr;
    void SetUp() override {
        GalaxyDays::SetUp();
        fit(ship, LANCER_STARBOARD, SYSTEM_TYPE_NETWORK_INTRUSION);
        fleet = object_create_blank(OBJECT_FLEET);
        owned.push_back(fleet);
        fleet->id = 600;
        fleet->x = fleet->y = 1000;
        fleet->w = fleet->h = 20;
        fleet_of(fleet)->scan_range = 400;
        findable(fleet);
        ship->fleet_id = 600;
        galaxy = map_create();
        galaxy_back.replace(game->galaxy_map, galaxy);   // the game's own, back after the test
        ASSERT_EQ(tech_load(), RES_OK);   // designs a hack may steal
        blue->totals.research_rate = 50000;
        ship->hack_timer = 100;
        rng_seed(game->generators[5], 4242);   // the hacking generator
    }
    void TearDown() override {
        galaxy_back.restore();
        map_free(galaxy);
        tech_free_all();
        GalaxyDays::TearDown();
    }
    // All the research the player has received: towards techs, and the surplus paid out as credits.
    static int64_t research_received(const Player *p) {
        return std::accumulate(std::begin(p->research_points), std::end(p->research_points), int64_t(0)) +
               int64_t(p->credits) * PLAYER_RESEARCH_CREDIT + p->research_remainder;
    }
    SlotGuard<ObjectMap *> galaxy_back;
    GameObject *sector_at(int32_t x, int32_t y, uint64_t owner) {
        GameObject *s = object_create_blank(OBJECT_SECTOR);
        s->owner_id = owner;
        s->w = s->h = 20;
        map_place_object(galaxy, s, x, y, 1);
        map_add_pending_objects(galaxy);
        return s;
    }
    void day() { object_advance_clock(ship, 1440); }
};

TEST_F(Hacking, OnlySectorsWithinTheFleetsScanRangeAreHackedAndTheNearestWins) {
    sector_at(1000 + 600, 1000, BLUE);
    day();
    EXPECT_EQ(ship->hack_count, 0) << "out of scan range";
    sector_at(1000 + 300, 1000, BLUE);
    sector_at(1000 + 200, 1000, RED);   // the ship's own: no victim among the others
    day();
    EXPECT_EQ(ship->hack_count, 1) << "the nearest sector is the target, whoever owns it";
    ASSERT_FALSE(news().empty());
    EXPECT_NE(news().back()->text.find("hacked the Red Corp computer network"), std::string::npos)
        << news().back()->text;
}

TEST_F(Hacking, TheFirstHacksStealResearchCappedByTheVictimsRate) {
    sector_at(1000 + 300, 1000, BLUE);
    blue->totals.research_rate = 30000;
    // Hack n: the research stolen (n x 12000..15000, at most the victim's rate) and the wait for the next.
    const int32_t bounds[][4] = {{12000, 15000, 1400, 11640}, {24000, 30000, 1480, 11760}, {30000, 30000, 1560, 11880}};
    for (int32_t n = 1; n <= 3; ++n) {
        ship->hack_timer = 1;
        const int64_t before = research_received(red);
        day();
        ASSERT_EQ(ship->hack_count, n);
        const int64_t stolen = research_received(red) - before;
        const int32_t *b = bounds[n - 1];
        EXPECT_GE(stolen, b[0]) << n;
        EXPECT_LE(stolen, b[1]) << n;
        EXPECT_GE(ship->hack_timer, b[2]) << n;
        EXPECT_LE(ship->hack_timer, b[3]) << n;
    }
    ASSERT_EQ(news().size(), 3u) << "the thief hears of each hack";
    EXPECT_EQ(news()[2]->kind, ALERT_INTEL_REPORT);
    EXPECT_EQ(news()[2]->first_id, ship->id);
    EXPECT_EQ(news()[2]->text.rfind("Starship Kestrel hacked the Blue Corp computer network and stole research data "
                                    "worth ", 0),
              0u)
        << news()[2]->text;
    // The victim hears of it too, with the thief named first.
    game->ui_player_id = BLUE;
    ship->hack_timer = 1;
    day();
    ASSERT_EQ(news().size(), 4u);
    EXPECT_EQ(news()[3]->target_player_id, BLUE);
    EXPECT_EQ(news()[3]->text.rfind("Red Corp hacked the Blue Corp computer network and stole research data worth ",
                                    0),
              0u)
        << news()[3]->text;
    game->ui_player_id = RED;
    EXPECT_EQ(pilot->experience, 1 + 4 * 400) << "each hack teaches the pilot";
}

TEST_F(Hacking, LaterHacksStealDesignsOrTapSensorsAndTheTimerWaitsBetweenThem) {
    sector_at(1000 + 300, 1000, BLUE);
    constexpr int32_t DESIGN = 3;   // the one tech the victim has and the thief has not
    blue->tech_state[DESIGN] |= TECH_DONE;
    ship->hack_count = 7;
    int32_t hacks = 0, techs = 0, taps = 0, research = 0;
    std::vector<int64_t> tap_minutes;
    for (int32_t d = 0; d < 400; ++d) {
        const int32_t count = ship->hack_count;
        const int64_t before = research_received(red) - red->research_points[DESIGN];
        const int32_t s = list_count(&red->taps);
        day();
        if (ship->hack_count == count) continue;
        ++hacks;
        for (int32_t t = 0; t < PLAYER_TECH_COUNT; ++t)
            EXPECT_TRUE(t == DESIGN || !(red->tech_state[t] & TECH_DONE)) << "only the victim's design is stolen: " << t;
        if (red->tech_state[DESIGN] & TECH_DONE) {
            ++techs;
            red->tech_state[DESIGN] = 0;   // forgotten, to be stolen again
            red->research_points[DESIGN] = 0;
        }
        taps += list_count(&red->taps) - s;
        for (int32_t i = s; i < list_count(&red->taps); ++i) {
            const SensorTap *tap = list_get(&red->taps, i);
            EXPECT_EQ(tap->player_id, BLUE);
            tap_minutes.push_back(int64_t(tap->expiry) - int64_t(game->clock->minutes));
        }
        research += research_received(red) - red->research_points[DESIGN] > before;
    }
    EXPECT_GT(hacks, 20) << "a hack every one to nine days";
    EXPECT_LT(hacks, 400);
    EXPECT_EQ(techs + taps + research, hacks) << "every hack brings exactly one thing";
    EXPECT_GT(techs, 0);
    EXPECT_GT(taps, 0);
    for (int64_t minutes : tap_minutes) {
        EXPECT_GE(minutes, 2880);
        EXPECT_LE(minutes, 4320);
    }

    // With fog of war off there is nothing to tap: research instead.
    game->setup.fog_of_war_off = 1;
    const int32_t taps_before = list_count(&red->taps);
    for (int32_t d = 0; d < 200; ++d) day();
    EXPECT_EQ(list_count(&red->taps), taps_before);
    game->setup.fog_of_war_off = 0;
}

TEST_F(Hacking, AShipNotYetSettledHacksNothingAndForgetsItsCount) {
    sector_at(1000 + 300, 1000, BLUE);
    ship->hack_count = 5;
    ship->ship_flags |= SHIP_FLAG_UNSETTLED;
    ship->hack_timer = 1;
    day();
    EXPECT_EQ(ship->hack_count, 0);
    EXPECT_TRUE(news().empty());
    ship->ship_flags &= ~SHIP_FLAG_UNSETTLED;
    ship_get_crit_system(ship, LANCER_STARBOARD)->status |= SYSTEM_STATUS_OFFLINE;
    day();
    EXPECT_EQ(ship->hack_count, 0) << "an offline suite hacks nothing";
}

// ---- The players' own records ----

using RealPlayers = Hacking;

TEST_F(RealPlayers, AScanPutsTheTargetIntoTheOwnersMemory) {
    Ship *scout = on_map(HULL_LANCER, 1000, 1000, 0, RED);
    fit(scout, LANCER_ENGINE, SYSTEM_TYPE_ENGINE, 0);
    Ship *mark = on_map(HULL_CORSAIR, 1200, 1000, 180, BLUE);
    ready(scout);
    ASSERT_FALSE(player_knows_object(red, mark->id));
    ASSERT_EQ(ship_scan(scout, mark), RES_OK);
    EXPECT_TRUE(player_knows_object(red, mark->id));
}

TEST_F(RealPlayers, AHackTakesTheVictimsResearchRateIntoAccount) {
    sector_at(1000 + 300, 1000, BLUE);
    blue->totals.research_rate = 0;
    const auto points = [&] { return std::accumulate(std::begin(red->research_points), std::end(red->research_points), 0); };
    const int32_t before = points();
    ship->hack_timer = 1;
    day();
    EXPECT_EQ(ship->hack_count, 1);
    EXPECT_EQ(points(), before) << "a victim without research gives nothing";
    ASSERT_FALSE(news().empty());
    EXPECT_EQ(news().back()->text,
              "Starship Kestrel hacked the Blue Corp computer network but found no usable research data");
    blue->totals.research_rate = 20000;
    ship->hack_timer = 1;
    day();
    EXPECT_EQ(news().back()->text.rfind("Starship Kestrel hacked the Blue Corp computer network and stole research "
                                        "data worth ", 0),
              0u)
        << news().back()->text;
}

}  // namespace
