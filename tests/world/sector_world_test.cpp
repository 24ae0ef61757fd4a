// Sectors on the galaxy map: visitors, detection for the owner and for visitors, the star's
// twinkle and the detection pulse, the day turn, the clock, dead members and snapshots; the
// listings of objects present in display order and of officers available for an exchange.
#include "galaxy_fixture.h"
#include "platform/random.h"

#include <algorithm>
#include <tuple>

namespace galaxytest {
namespace {

// ---- Visitors ----

using SectorVisitors = OneSector;

TEST_F(SectorVisitors, VisitorsAreHeldCountedAndLetGoInOrder) {
    s->owner_id = 7;
    Ship *a = make_ship("a", 7);
    Ship *b = make_ship("b", 8);
    Ship *c = make_ship("c", 0);
    Ship *d = make_ship("d", 9);
    for (Ship *v : {a, b, c, d}) sector_add_object(s, v);
    EXPECT_EQ(a->refcount, 1);
    EXPECT_EQ(std::tuple(sector_object_count(s), sector_count_objects_of_owner(s, 7), sector_count_other_owners(s, 7)),
              std::tuple(4, 1, 2)) << "the unowned visitor belongs to nobody";
    EXPECT_TRUE(sector_has_object_of(s, 8));
    EXPECT_FALSE(sector_has_object_of(s, 5));
    EXPECT_TRUE(sector_has_object_of(s, 9));
    object_add_ref(b);
    sector_remove_object(s, b);
    EXPECT_EQ(b->refcount, 1);
    EXPECT_EQ(s->objects.items, (std::vector<GameObject *>{a, c, d})) << "the order of the rest is kept";
    EXPECT_EQ(sector_get_object(s, 3), nullptr);
    sector_remove_object(s, b);   // not there: nothing happens
    EXPECT_EQ(b->refcount, 1);
    object_release(b);
}

TEST_F(SectorVisitors, FindChildSeesSitesThenVisitorsButNoStubs) {
    Site *site = add_site(s, 9);
    Ship *ship = make_ship("ship", 3);
    sector_add_object(s, ship);
    EXPECT_EQ(object_find(s, site->id), site);
    EXPECT_EQ(object_find(s, ship->id), ship);
    EXPECT_EQ(object_find(s, s->id), s);
    EXPECT_EQ(object_find(s, 123456789), nullptr);
    ship->flags |= OBJ_STUB;
    EXPECT_EQ(object_find(s, ship->id), nullptr);
    ship->flags &= ~OBJ_STUB;
}

TEST_F(SectorVisitors, DeadMembersAreDroppedAndTheCountsRefreshed) {
    Site *keep = add_site(s, 9);
    Site *gone = add_site(s, 10);
    Site *last = add_site(s, 11);
    Ship *v1 = make_ship("v1", 1);
    Ship *v2 = make_ship("v2", 1);
    Ship *v3 = make_ship("v3", 1);
    for (Ship *v : {v1, v2, v3}) sector_add_object(s, v);
    object_add_ref(gone);
    object_add_ref(v1);
    gone->flags |= OBJ_DEAD;
    v1->flags |= OBJ_DEAD;
    object_purge_dead(s);
    EXPECT_EQ(gone->refcount, 1) << "released by the sector";
    EXPECT_EQ(v1->refcount, 1);
    EXPECT_EQ(s->sites.items, (std::vector<Site *>{keep, last}));
    EXPECT_EQ(s->site_counts[10], 0);
    EXPECT_EQ(s->objects.items, (std::vector<GameObject *>{v2, v3}));
    object_release(gone);
    object_release(v1);
}

// The jump drive asks the game's own census of the galaxy map.
TEST_F(SectorVisitors, AJumpNeedsASectorOwnedOrVisitedByTheShipsOwner) {
    Sector *home = make_sector(0, 0, 100, 100);
    Sector *away = make_sector(1, 0, 300, 100);
    Ship *ship = make_ship("Jumper", 9);
    object_add_ref(ship);   // the test's own
    ship->hull_flags &= ~HULL_FLAG_NO_JUMP;
    ship->ap = ship->max_ap;

    Result code = RES_OK;
    EXPECT_EQ(ship_can_jump(ship, &code), 0);
    EXPECT_EQ(code, RES_NO_JUMP_PLACE) << "no sector knows player 9";
    away->owner_id = 9;
    EXPECT_EQ(ship_can_jump(ship, &code), 1) << "an owned sector";
    EXPECT_EQ(code, RES_OK);
    away->owner_id = 3;
    ship_set_sector(ship, home);
    EXPECT_EQ(ship_can_jump(ship, &code), 1) << "one of its objects stands in a sector";
    ship_set_sector(ship, nullptr);
    EXPECT_EQ(ship_can_jump(ship, &code), 0);
    EXPECT_EQ(code, RES_NO_JUMP_PLACE);
    object_release(ship);
    object_release(home);
    object_release(away);
}

TEST_F(SectorVisitors, AStateResetTakesDeadVisitorsOutOfTheirFleets) {
    Fleet *fleet = make_fleet("group", 1);
    put(fleet, 300, 300, 10, 10);
    Ship *dead = make_ship("dead", 1);
    Ship *alive = make_ship("alive", 1);
    ship_set_fleet(dead, fleet);
    ship_set_fleet(alive, fleet);
    ASSERT_EQ(fleet_ship_count(fleet), 2);
    dead->flags |= OBJ_DEAD;
    sector_add_object(s, dead);
    sector_add_object(s, alive);
    s->pulse_ms = -5;
    object_reset_state(s);
    EXPECT_EQ(dead->fleet_id, 0u);
    EXPECT_EQ(alive->fleet_id, fleet->id);
    ASSERT_EQ(fleet_ship_count(fleet), 1);
    EXPECT_EQ(fleet_get_ship(fleet, 0), alive);
    EXPECT_GE(s->pulse_ms, 100);
    EXPECT_LE(s->pulse_ms, 10000);
}

TEST_F(SectorVisitors, TheDayTurnRunsSitesAndSeasonsForeignPilots) {
    s->owner_id = 7;
    Site *base = add_site(s, SITE_STARBASE);
    Officer *home_pilot = make_officer(1, "Home", 7), *foreign_pilot = make_officer(2, "Foreign", 8);
    Officer *free_pilot = make_officer(3, "Free", 0);
    Ship *own = make_ship("own", 7);
    Ship *raider = make_ship("raider", 8);
    Ship *drifter = make_ship("drifter", 0);
    // Seated by hand: the test hull has no pilot seat of its own.
    for (auto [ship, pilot] : {std::pair{own, home_pilot}, {raider, foreign_pilot}, {drifter, free_pilot}}) {
        officer_retain(pilot);
        ship->pilot = pilot;
    }
    Ship *crewless = make_ship("crewless", 9);
    for (Ship *v : {own, raider, drifter, crewless}) sector_add_object(s, v);
    // What each pilot gains in one day turn; the ships' own turns may teach them all alike.
    auto gains = [&]() {
        const int32_t h = home_pilot->experience, f = foreign_pilot->experience, d = free_pilot->experience;
        object_galaxy_turn(s);
        return std::vector<int32_t>{home_pilot->experience - h, foreign_pilot->experience - f,
                                    free_pilot->experience - d};
    };
    std::vector<int32_t> g = gains();
    EXPECT_TRUE(base->state & SITE_CONTESTED) << "the starbase's turn saw foreign ships";
    EXPECT_EQ(g[1] - g[0], 100) << "a pilot holding out in another player's sector";
    EXPECT_EQ(g[2], g[0]) << "an unowned ship is nobody's enemy";

    s->owner_id = 0;
    g = gains();
    EXPECT_EQ(g[1], g[0]) << "an unowned sector teaches nobody";
}

// ---- Detection ----

class SectorDetection : public SectorFixture {
protected:
    void SetUp() override {
        SectorFixture::SetUp();
        owner = add_player(7);
        rival = add_player(8);
        spy = add_player(9);
        bystander = add_player(10);
        site_template(SITE_STARBASE)->params.sensor_range = 100;
        home = make_sector(0, 7, 500, 500);   // centre 510, 510
        add_site(home, SITE_STARBASE);
    }
    void TearDown() override {
        object_release(home);
        SectorFixture::TearDown();
    }
    // A fleet without ships whose 10 x 10 box starts at (x, y).
    Fleet *fleet(const char *name, uint64_t owner_id, int32_t x, int32_t y, int32_t cloak = 0) {
        Fleet *f = make_fleet(name, owner_id);
        f->cloak = cloak;
        put(f, x, y, 10, 10);
        return f;
    }
    FakePlayer *owner = nullptr, *rival = nullptr, *spy = nullptr, *bystander = nullptr;
    Sector     *home = nullptr;
};

TEST_F(SectorDetection, TheOwnerSeesItsSectorAndForeignObjectsWithinRangeAndItsTappersTheSector) {
    Fleet *near = fleet("near", 8, 600, 505);   // centre 605, 510: 95 away
    Fleet *edge = fleet("edge", 8, 405, 505);   // centre 410, 510: 100 away, still within
    Fleet *far = fleet("far", 8, 506, 606);     // centre 511, 611: 101 away
    Fleet *mine = fleet("mine", 7, 505, 505);
    Sector *other = make_sector(1, 0, 560, 480);
    tap(spy, 7);
    tap(bystander, 8);
    object_after_advance(home);
    EXPECT_TRUE(learnt(owner->id, home, 1));
    EXPECT_TRUE(learnt(owner->id, near, 0));
    EXPECT_TRUE(learnt(owner->id, edge, 0));
    EXPECT_TRUE(learnt(owner->id, other, 0));
    EXPECT_FALSE(learnt(owner->id, far));
    EXPECT_FALSE(learnt(owner->id, mine)) << "its own objects";
    EXPECT_FALSE(learnt(rival->id, home));
    EXPECT_TRUE(learnt(spy->id, home, 1)) << "a tap on the owner";
    EXPECT_FALSE(learnt(bystander->id, home));
    object_release(other);
}

TEST_F(SectorDetection, ConcealmentShrinksTheRangeAndFullConcealmentHidesAllButAPointBlankFleet) {
    Fleet *shy = fleet("shy", 8, 560, 505, 40);             // 55 away; range 60
    Fleet *shier = fleet("shier", 8, 566, 505, 40);         // 61 away
    Fleet *hidden = fleet("hidden", 8, 506, 505, 100);      // 1 away; range 0
    Fleet *on_top = fleet("on top", 8, 505, 505, 100);      // 0 away
    object_after_advance(home);
    EXPECT_TRUE(learnt(owner->id, shy, 0));
    EXPECT_FALSE(learnt(owner->id, shier));
    EXPECT_FALSE(learnt(owner->id, hidden));
    EXPECT_TRUE(learnt(owner->id, on_top, 0));
}

TEST_F(SectorDetection, VisitorsAreSeenByTheOwnerAndScanOnTheirPlayersBehalf) {
    Ship *scout = make_ship("scout", 8);
    scout->scan_range = 400;   // 15%: 60
    Ship *hauler = make_ship("hauler", 8);
    hauler->scan_range = 100;
    sector_add_object(home, scout);
    sector_add_object(home, hauler);
    Fleet *close = fleet("close", 10, 555, 505);     // 50 away
    Fleet *beyond = fleet("beyond", 10, 575, 505);   // 70 away
    Fleet *owners = fleet("owners", 7, 515, 505);
    tap(spy, 8);
    object_after_advance(home);
    EXPECT_TRUE(learnt(owner->id, scout, 0));
    EXPECT_TRUE(learnt(owner->id, hauler, 0));
    EXPECT_TRUE(learnt(rival->id, close, 0));
    EXPECT_FALSE(learnt(rival->id, beyond));
    EXPECT_FALSE(learnt(rival->id, owners)) << "the sector owner's objects";
    EXPECT_TRUE(learnt(rival->id, home, 1));
    EXPECT_TRUE(learnt(spy->id, home, 1)) << "a tap on the visiting player";
}

TEST_F(SectorDetection, AVisitorWithoutScannersStillSeesWhatIsAtItsSector) {
    Sector *lonely = make_sector(0, 0, 100, 100);
    Ship *blind = make_ship("blind", 8);
    sector_add_object(lonely, blind);
    Fleet *there = fleet("there", 10, 105, 105);       // centre 110, 110: distance 0 from the sector's centre
    Fleet *next_door = fleet("next door", 10, 107, 105);   // 2 away; range max(1, 0) = 1
    object_after_advance(lonely);
    EXPECT_TRUE(learnt(rival->id, there, 0));
    EXPECT_FALSE(learnt(rival->id, next_door));
    EXPECT_TRUE(learnt(rival->id, lonely, 1));
    EXPECT_FALSE(learnt(owner->id, lonely)) << "no owner, nobody learns it as owner";
    object_release(lonely);
}

// ---- Twinkle and pulse ----

class SectorPulse : public SectorVisitors {
protected:
    void SetUp() override {
        SectorVisitors::SetUp();
        game->ui_player_id = s->owner_id = 7;
        s->detect_range = 180;
        put(s, 300, 200, 30, 30);
    }
};

TEST_F(SectorPulse, TheUiPlayersSectorPulsesEveryTenSeconds) {
    s->pulse_ms = 250;
    object_update(s, 200);
    EXPECT_TRUE(pulses().empty());
    object_update(s, 50);
    ASSERT_EQ(pulses().size(), 1u);
    EXPECT_EQ(pulses()[0].map, map);
    EXPECT_EQ(std::tuple(pulses()[0].x, pulses()[0].y, pulses()[0].radius), std::tuple(315, 215, 180));
    EXPECT_EQ(s->pulse_ms, 10000);
    object_update(s, 9999);
    EXPECT_EQ(pulses().size(), 1u);
    object_update(s, 1);
    EXPECT_EQ(pulses().size(), 2u);
}

TEST_F(SectorPulse, AQuietSectorNeverPulsesNorAnyWhileMinutesAreQueued) {
    s->pulse_ms = 10;
    s->sector_flags = SECTOR_FLAG_NO_PULSE;
    object_update(s, 50);
    EXPECT_TRUE(pulses().empty());
    EXPECT_EQ(s->pulse_ms, 10) << "the countdown waits too";
    s->sector_flags = 0;
    game->queued_minutes = 1440;
    object_update(s, 50);
    EXPECT_TRUE(pulses().empty());
    game->queued_minutes = 0;
    object_update(s, 50);
    EXPECT_EQ(pulses().size(), 1u);
}

TEST_F(SectorPulse, AnotherPlayersSectorPulsesForTheUiPlayersShipsAtFifteenPercent) {
    s->owner_id = 8;
    s->pulse_ms = 10;
    object_update(s, 50);
    EXPECT_TRUE(pulses().empty()) << "nobody of the UI player is there";
    Ship *probe = make_ship("probe", 7);
    probe->scan_range = 250;
    Ship *bigger = make_ship("bigger", 8);
    bigger->scan_range = 900;
    sector_add_object(s, probe);
    sector_add_object(s, bigger);
    object_update(s, 50);
    ASSERT_EQ(pulses().size(), 1u);
    EXPECT_EQ(pulses()[0].radius, 37);   // 15 x 250 / 100
    probe->scan_range = 0;
    s->pulse_ms = 10;
    object_update(s, 50);
    EXPECT_EQ(pulses().size(), 1u) << "no scanner, no pulse";
}

TEST_F(SectorPulse, TheStarTwinklesAtRandomBetweenHalfASecondAndASecond) {
    s->frame_count = 0;   // no frames: the countdown alone
    s->twinkle_ms = 100;
    object_update(s, 99);
    EXPECT_EQ(s->twinkle_ms, 1);
    object_update(s, 1);
    EXPECT_GE(s->twinkle_ms, 500);
    EXPECT_LE(s->twinkle_ms, 1000);
}

// However many frames a day takes, the twinkles leave the game's own draws where they were: a day
// played at another frame rate draws the same numbers for its rules.
TEST_F(SectorPulse, TwinklesDrawNothingFromTheGameStream) {
    s->frame_count = 4;
    const uint64_t before = random_state();
    for (int i = 0; i < 100; ++i) object_update(s, 250);
    EXPECT_EQ(random_state(), before);
}

// ---- Snapshots ----

using SectorSnapshot = SectorVisitors;

TEST_F(SectorSnapshot, LevelsCopyWhatTheyMay) {
    s->owner_id = 7;
    s->label = "Vega";
    Site *body = add_site(s, 9);
    Site *base = add_site(s, SITE_STARBASE);
    base->crew = 1200;
    Site *guarded = add_site(s, 11);
    SiteFeature *f = give_feature(guarded, FEATURE_SURVIVORS, 1);
    f->defenders = 6, f->defenders_lost = 2;
    Ship *ship = make_ship("ship", 8);
    sector_add_object(s, ship);

    Sector *copy = sector_of(object_clone(s, -1));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->label, "Vega");
    EXPECT_EQ(copy->known_site_count, 0) << "level -1: the label only";

    object_copy_record(copy, s, 0);
    EXPECT_EQ(copy->known_site_ids, (std::vector<uint64_t>{body->id, base->id, guarded->id}));
    EXPECT_EQ(copy->known_site_kinds, (std::vector<int32_t>{9, 0, 11}));
    EXPECT_EQ(copy->known_object_ids, (std::vector<uint64_t>{ship->id}));
    EXPECT_EQ(std::tuple(copy->known_site_count, copy->known_object_count, copy->known_feature_kind, copy->known_starbase_crew),
              std::tuple(3, 1, -1, 0));

    object_copy_record(copy, s, 1);
    EXPECT_EQ(std::tuple(copy->known_feature_kind, copy->known_defence_kind, copy->known_defenders,
                         copy->known_defenders_lost, copy->known_starbase_crew),
              std::tuple(2, 1, 6, 2, 1200));
    EXPECT_TRUE(copy->flags & OBJ_SNAPSHOT);

    sector_remove_object(s, ship);
    base->flags |= OBJ_DEAD;
    object_purge_dead(s);
    site_free_feature(guarded);
    object_copy_record(copy, s, 1);
    EXPECT_TRUE(copy->known_object_ids.empty());
    EXPECT_EQ(std::tuple(copy->known_site_count, copy->known_object_count, copy->known_feature_kind,
                         copy->known_defence_kind, copy->known_starbase_crew),
              std::tuple(2, 0, -1, -1, 0));
    object_destroy(copy);
}

// ---- Listings ----

class SectorListing : public SectorFixture {
protected:
    std::vector<std::string> names(List<GameObject> *list) {
        std::vector<std::string> out;
        for (GameObject *obj : list->items) {
            const Ship *ship = ship_of(obj);
            out.push_back(ship ? ship->ship_name : fleet_of(obj)->display_name);
        }
        return out;
    }
    std::vector<std::string> listed(Sector *s) {
        List<GameObject> *list = sector_sorted_object_list(s);
        EXPECT_NE(list, nullptr);
        std::vector<std::string> out = names(list);
        list_free(list);
        return out;
    }
};

TEST_F(SectorListing, TheOwnersObjectsComeFirstThenEachOwnerInTheOrderMetEachByName) {
    struct Case {
        const char *what;
        uint64_t    sector_owner;
        std::vector<std::pair<const char *, uint64_t>> ships;   // name, owner, in the order they came
        std::vector<std::string> listed;
    };
    const Case cases[] = {
        {"an owned sector", 7,
         {{"Wasp", 8}, {"Bolt", 7}, {"Kite", 9}, {"Anvil", 8}, {"Zeal", 7}, {"Echo", 9}, {"Axe", 7}},
         {"Axe", "Bolt", "Zeal", "Anvil", "Wasp", "Echo", "Kite"}},
        // First pass: the two wrecks met before owner 5, then owner 5's. The wreck after them is met
        // first in the next pass, so it joins that pass ahead of owner 6's ship.
        {"unowned objects join the pass of the owner met after them", 0,
         {{"Hulk", 0}, {"Drift", 0}, {"Bee", 5}, {"Relic", 0}, {"Ant", 5}, {"Moth", 6}},
         {"Drift", "Hulk", "Ant", "Bee", "Relic", "Moth"}},
    };
    for (const Case &c : cases) {
        Sector *s = make_sector(0, c.sector_owner);
        for (auto [name, owner] : c.ships) sector_add_object(s, make_ship(name, owner));
        EXPECT_EQ(listed(s), c.listed) << c.what;
        EXPECT_EQ(sector_object_count(s), int32_t(c.ships.size())) << "the sector's own list is untouched";
        EXPECT_EQ(sector_get_object(s, 0)->refcount, 1) << "the listing holds no references";
        object_release(s);
    }
}

TEST_F(SectorListing, FleetsAreNamedByTheirOwnRecords) {
    Sector *s = make_sector(0, 7);
    Fleet *fleet = make_fleet("header", 7);
    fleet->display_name = "Blue Group";
    sector_add_object(s, fleet);
    sector_add_object(s, make_ship("Cutter", 7));
    sector_add_object(s, make_ship("Avenger", 7));
    EXPECT_EQ(listed(s), (std::vector<std::string>{"Avenger", "Blue Group", "Cutter"}));
    object_release(s);
}

TEST_F(SectorListing, EqualNamesKeepTheLaterObjectFirst) {
    List<GameObject> list;
    Ship *first = make_ship("Twin", 3), *second = make_ship("Twin", 3), *other = make_ship("Twin", 4);
    sector_list_insert(first, &list);
    sector_list_insert(other, &list);
    sector_list_insert(second, &list);
    EXPECT_EQ(list.items, (std::vector<GameObject *>{second, first, other}));
    list_reset(&list);
    for (Ship *ship : {first, second, other}) object_destroy(ship);
}

// ---- Officers for an exchange ----

class SectorOfficers : public SectorFixture {
protected:
    void SetUp() override {
        SectorFixture::SetUp();
        s = make_sector(0, 7);
        base = add_site(s, SITE_STARBASE);
        commander = make_officer(10, "Vale", 7);
        site_set_pilot(base, commander);
    }
    void TearDown() override {
        object_release(s);
        SectorFixture::TearDown();
    }
    Sector  *s = nullptr;
    Site    *base = nullptr;
    Officer *commander = nullptr;
};

TEST_F(SectorOfficers, TheCommanderAloneIsNoChoiceForHimselfButIsForAnyoneElseOfTheOwner) {
    Officer *stranger = make_officer(11, "Ines", 7), *foreign = make_officer(14, "Quin", 8);
    officer_retain(stranger);
    officer_retain(foreign);
    EXPECT_TRUE(sector_has_officer_available(s, nullptr));
    EXPECT_FALSE(sector_has_officer_available(s, commander)) << "nobody but the commander himself";
    EXPECT_TRUE(sector_has_officer_available(s, stranger));
    EXPECT_FALSE(sector_has_officer_available(s, foreign)) << "an officer of another player";
    officer_release(stranger);
    officer_release(foreign);
    Sector *bare = make_sector(0, 7);
    EXPECT_FALSE(sector_has_officer_available(bare, nullptr)) << "a sector without starbase";
    object_release(bare);
}

TEST_F(SectorOfficers, AnotherOfficerAboardOrAPilotOfTheOwnerIsAChoiceUnlessTheStarbaseChangedHands) {
    site_add_officer(base, make_officer(12, "Oren", 7));
    EXPECT_TRUE(sector_has_officer_available(s, commander));
    site_remove_officer(base, 12);
    Ship *own = make_ship("Own", 7);
    Officer *pilot = make_officer(13, "Pell", 7);
    officer_retain(pilot);
    own->pilot = pilot;
    sector_add_object(s, own);
    EXPECT_TRUE(sector_has_officer_available(s, commander)) << "a piloted ship of the owner";
    base->owner_id = 9;   // the starbase changed hands, the sector not yet
    EXPECT_FALSE(sector_has_officer_available(s, commander));
    base->owner_id = 7;
    own->owner_id = 8;
    EXPECT_FALSE(sector_has_officer_available(s, commander)) << "another player's pilot is no choice";
}

}  // namespace
}  // namespace galaxytest
