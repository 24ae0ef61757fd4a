// Sectors on the galaxy map: visitors, detection for the owner and for visitors, the star's
// twinkle and the detection pulse, the day turn, the clock, dead members and snapshots.
#include "world/sector_test_util.h"

#include <algorithm>

namespace sector_test {
namespace {

bool learnt(const FakePlayer *p, const GameObject *obj, int32_t level) {
    return std::find(g_rec.learnt.begin(), g_rec.learnt.end(), Learnt{p, obj->id, level}) != g_rec.learnt.end();
}
bool learnt_any(const FakePlayer *p, const GameObject *obj) {
    return std::any_of(g_rec.learnt.begin(), g_rec.learnt.end(),
                       [&](const Learnt &l) { return l.player == p && l.id == obj->id; });
}

// ---- Visitors ----

class SectorVisitors : public SectorFixture {};

TEST_F(SectorVisitors, VisitorsAreHeldCountedAndLetGoInOrder) {
    Sector *s = make_sector(0, 7);
    Visitor *a = make_visitor(OBJECT_SHIP, "a", 7);
    Visitor *b = make_visitor(OBJECT_SHIP, "b", 8);
    Visitor *c = make_visitor(OBJECT_SHIP, "c", 0);
    Visitor *d = make_visitor(OBJECT_SHIP, "d", 9);
    for (Visitor *v : {a, b, c, d}) sector_add_object(s, v);
    EXPECT_EQ(a->refcount, 1);
    EXPECT_EQ(sector_object_count(s), 4);
    EXPECT_EQ(sector_count_objects_of_owner(s, 7), 1);
    EXPECT_EQ(sector_count_other_owners(s, 7), 2) << "the unowned visitor belongs to nobody";
    EXPECT_TRUE(sector_has_object_of(s, 8));
    EXPECT_FALSE(sector_has_object_of(s, 5));
    EXPECT_TRUE(world_hooks().sector_has_object_of(s, 9));
    object_add_ref(b);
    sector_remove_object(s, b);
    EXPECT_EQ(b->refcount, 1);
    EXPECT_EQ(sector_get_object(s, 0), a);
    EXPECT_EQ(sector_get_object(s, 1), c) << "the order of the rest is kept";
    EXPECT_EQ(sector_get_object(s, 2), d);
    EXPECT_EQ(sector_get_object(s, 3), nullptr);
    sector_remove_object(s, b);   // not there: nothing happens
    EXPECT_EQ(b->refcount, 1);
    object_release(b);
    object_release(s);
}

TEST_F(SectorVisitors, FindChildSeesSitesThenVisitorsButNoStubs) {
    Sector *s = make_sector();
    FakeSite *site = add_site(s, 9);
    Visitor *ship = make_visitor(OBJECT_SHIP, "ship", 3);
    sector_add_object(s, ship);
    EXPECT_EQ(object_find(s, site->id), site);
    EXPECT_EQ(object_find(s, ship->id), ship);
    EXPECT_EQ(object_find(s, s->id), s);
    EXPECT_EQ(object_find(s, 123456789), nullptr);
    ship->flags |= OBJ_STUB;
    EXPECT_EQ(object_find(s, ship->id), nullptr);
    ship->flags &= ~OBJ_STUB;
    object_release(s);
}

TEST_F(SectorVisitors, DeadMembersAreDroppedAndTheCountsRefreshed) {
    Sector *s = make_sector();
    FakeSite *keep = add_site(s, 9);
    FakeSite *gone = add_site(s, 10);
    FakeSite *last = add_site(s, 11);
    Visitor *v1 = make_visitor(OBJECT_SHIP, "v1", 1);
    Visitor *v2 = make_visitor(OBJECT_SHIP, "v2", 1);
    Visitor *v3 = make_visitor(OBJECT_SHIP, "v3", 1);
    for (Visitor *v : {v1, v2, v3}) sector_add_object(s, v);
    object_add_ref(gone);
    object_add_ref(v1);
    gone->flags |= OBJ_DEAD;
    v1->flags |= OBJ_DEAD;
    object_purge_dead(s);
    EXPECT_EQ(gone->refcount, 1) << "released by the sector";
    EXPECT_EQ(v1->refcount, 1);
    ASSERT_EQ(sector_site_count(s), 2);
    EXPECT_EQ(fake(sector_get_site(s, 0)), keep);
    EXPECT_EQ(fake(sector_get_site(s, 1)), last);
    EXPECT_EQ(s->site_counts[10], 0);
    ASSERT_EQ(sector_object_count(s), 2);
    EXPECT_EQ(sector_get_object(s, 0), v2);
    EXPECT_EQ(sector_get_object(s, 1), v3);
    object_release(gone);
    object_release(v1);
    object_release(s);
}

TEST_F(SectorVisitors, AStateResetTakesDeadVisitorsOutOfTheirFleets) {
    Sector *s = make_sector();
    Visitor *dead = make_visitor(OBJECT_SHIP, "dead", 1);
    Visitor *alive = make_visitor(OBJECT_SHIP, "alive", 1);
    dead->in_fleet = alive->in_fleet = true;
    dead->flags |= OBJ_DEAD;
    sector_add_object(s, dead);
    sector_add_object(s, alive);
    s->pulse_ms = -5;
    object_reset_state(s);
    EXPECT_FALSE(dead->in_fleet);
    EXPECT_TRUE(alive->in_fleet);
    EXPECT_GE(s->pulse_ms, 100);
    EXPECT_LE(s->pulse_ms, 10000);
    object_release(s);
}

TEST_F(SectorVisitors, TheClockReachesSitesThenVisitors) {
    Sector *s = make_sector();
    add_site(s, 9)->name = "body";
    add_site(s, 0)->name = "base";
    Visitor *ship = make_visitor(OBJECT_SHIP, "ship", 4);
    sector_add_object(s, ship);
    object_advance_clock(s, 144);
    EXPECT_EQ(g_rec.order, (std::vector<std::string>{"clock body", "clock base", "clock ship"}));
    EXPECT_EQ(ship->minutes, 144);
    object_release(s);
}

TEST_F(SectorVisitors, TheDayTurnRunsSitesThenVisitorsAndSeasonsForeignPilots) {
    Sector *s = make_sector(0, 7);
    add_site(s, 9)->name = "body";
    Officer home_pilot, foreign_pilot, free_pilot;
    Visitor *own = make_visitor(OBJECT_SHIP, "own", 7);
    own->pilot = &home_pilot;
    Visitor *raider = make_visitor(OBJECT_SHIP, "raider", 8);
    raider->pilot = &foreign_pilot;
    Visitor *drifter = make_visitor(OBJECT_SHIP, "drifter", 0);
    drifter->pilot = &free_pilot;
    Visitor *crewless = make_visitor(OBJECT_SHIP, "crewless", 9);
    for (Visitor *v : {own, raider, drifter, crewless}) sector_add_object(s, v);
    object_galaxy_turn(s);
    EXPECT_EQ(g_rec.order,
              (std::vector<std::string>{"turn body", "turn own", "turn raider", "turn drifter", "turn crewless"}));
    ASSERT_EQ(g_rec.experience.size(), 1u);
    EXPECT_EQ(g_rec.experience[0].first, &foreign_pilot);
    EXPECT_EQ(g_rec.experience[0].second, 100);

    g_rec.experience.clear();
    s->owner_id = 0;
    object_galaxy_turn(s);
    EXPECT_TRUE(g_rec.experience.empty()) << "an unowned sector teaches nobody";
    object_release(s);
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
        site_template(0)->sensor = 100;
        home = make_sector(0, 7);
        place(home, 500, 500, 20, 20);   // centre 510, 510
        add_site(home, SITE_KIND_STARBASE);
    }
    void TearDown() override {
        object_release(home);
        SectorFixture::TearDown();
    }
    // On the map at (x, y) with a size of w x h.
    void place(GameObject *obj, int32_t x, int32_t y, int32_t w, int32_t h) {
        obj->w = w;
        obj->h = h;
        map_place_object(map, obj, x, y, 1);
        map_add_pending_objects(map);
    }

    FakePlayer *owner = nullptr, *rival = nullptr, *spy = nullptr, *bystander = nullptr;
    Sector     *home = nullptr;
};

TEST_F(SectorDetection, TheOwnerSeesItsSectorAndForeignObjectsWithinRange) {
    Visitor *near = make_visitor(OBJECT_FLEET, "near", 8);
    place(near, 600, 505, 10, 10);   // centre 605, 510: 95 away
    Visitor *edge = make_visitor(OBJECT_FLEET, "edge", 8);
    place(edge, 405, 505, 10, 10);   // centre 410, 510: 100 away, still within
    Visitor *far = make_visitor(OBJECT_FLEET, "far", 8);
    place(far, 506, 606, 10, 10);    // centre 511, 611: 101 away
    Visitor *mine = make_visitor(OBJECT_FLEET, "mine", 7);
    place(mine, 505, 505, 10, 10);
    Sector *other = make_sector(1, 0);
    place(other, 560, 480, 20, 20);
    object_after_advance(home);
    EXPECT_TRUE(learnt(owner, home, 1));
    EXPECT_TRUE(learnt(owner, near, 0));
    EXPECT_TRUE(learnt(owner, edge, 0));
    EXPECT_TRUE(learnt(owner, other, 0));
    EXPECT_FALSE(learnt_any(owner, far));
    EXPECT_FALSE(learnt_any(owner, mine)) << "its own objects";
    EXPECT_FALSE(learnt_any(rival, home));
    object_release(other);
}

TEST_F(SectorDetection, ConcealmentShrinksTheRangeAndFullConcealmentHidesAllButAPointBlankFleet) {
    Visitor *shy = make_visitor(OBJECT_FLEET, "shy", 8);
    shy->cloak = 40;
    place(shy, 560, 505, 10, 10);     // 55 away; range 60
    Visitor *shier = make_visitor(OBJECT_FLEET, "shier", 8);
    shier->cloak = 40;
    place(shier, 566, 505, 10, 10);   // 61 away
    Visitor *hidden = make_visitor(OBJECT_FLEET, "hidden", 8);
    hidden->cloak = 100;
    place(hidden, 506, 505, 10, 10);  // 1 away; range 0
    Visitor *on_top = make_visitor(OBJECT_FLEET, "on top", 8);
    on_top->cloak = 100;
    place(on_top, 505, 505, 10, 10);  // 0 away
    object_after_advance(home);
    EXPECT_TRUE(learnt(owner, shy, 0));
    EXPECT_FALSE(learnt_any(owner, shier));
    EXPECT_FALSE(learnt_any(owner, hidden));
    EXPECT_TRUE(learnt(owner, on_top, 0));
}

TEST_F(SectorDetection, PlayersTappingTheOwnerLearnTheSector) {
    spy->taps = {7};
    bystander->taps = {8};
    object_after_advance(home);
    EXPECT_TRUE(learnt(spy, home, 1));
    EXPECT_FALSE(learnt_any(bystander, home));
}

TEST_F(SectorDetection, VisitorsAreSeenByTheOwnerAndScanOnTheirPlayersBehalf) {
    Visitor *scout = make_visitor(OBJECT_SHIP, "scout", 8);
    scout->scan = 400;   // 15%: 60
    Visitor *hauler = make_visitor(OBJECT_SHIP, "hauler", 8);
    hauler->scan = 100;
    sector_add_object(home, scout);
    sector_add_object(home, hauler);
    Visitor *close = make_visitor(OBJECT_FLEET, "close", 10);
    place(close, 555, 505, 10, 10);   // 50 away
    Visitor *beyond = make_visitor(OBJECT_FLEET, "beyond", 10);
    place(beyond, 575, 505, 10, 10);  // 70 away
    Visitor *owners = make_visitor(OBJECT_FLEET, "owners", 7);
    place(owners, 515, 505, 10, 10);
    spy->taps = {8};
    object_after_advance(home);
    EXPECT_TRUE(learnt(owner, scout, 0));
    EXPECT_TRUE(learnt(owner, hauler, 0));
    EXPECT_TRUE(learnt(rival, close, 0));
    EXPECT_FALSE(learnt_any(rival, beyond));
    EXPECT_FALSE(learnt_any(rival, owners)) << "the sector owner's objects";
    EXPECT_TRUE(learnt(rival, home, 1));
    EXPECT_TRUE(learnt(spy, home, 1)) << "a tap on the visiting player";
}

TEST_F(SectorDetection, AVisitorWithoutScannersStillSeesWhatIsAtItsSector) {
    Sector *lonely = make_sector(0, 0);
    place(lonely, 100, 100, 20, 20);
    Visitor *blind = make_visitor(OBJECT_SHIP, "blind", 8);
    sector_add_object(lonely, blind);
    Visitor *there = make_visitor(OBJECT_FLEET, "there", 10);
    place(there, 105, 105, 10, 10);   // centre 110, 110: distance 0 from the sector's centre
    Visitor *next_door = make_visitor(OBJECT_FLEET, "next door", 10);
    place(next_door, 107, 105, 10, 10);   // 2 away; range max(1, 0) = 1
    object_after_advance(lonely);
    EXPECT_TRUE(learnt(rival, there, 0));
    EXPECT_FALSE(learnt_any(rival, next_door));
    EXPECT_TRUE(learnt(rival, lonely, 1));
    EXPECT_FALSE(learnt_any(owner, lonely)) << "no owner, nobody learns it as owner";
    object_release(lonely);
}

// ---- Twinkle and pulse ----

class SectorPulse : public SectorFixture {
protected:
    void SetUp() override {
        SectorFixture::SetUp();
        game->ui_player_id = 7;
        s = make_sector(0, 7);
        s->detect_range = 180;
        s->x = 300, s->y = 200, s->w = 30, s->h = 30;
        s->map = map;
    }
    void TearDown() override {
        object_release(s);
        SectorFixture::TearDown();
    }
    Sector *s = nullptr;
};

TEST_F(SectorPulse, TheUiPlayersSectorPulsesEveryTenSeconds) {
    s->pulse_ms = 250;
    object_update(s, 200);
    EXPECT_TRUE(g_rec.pulses.empty());
    object_update(s, 50);
    ASSERT_EQ(g_rec.pulses.size(), 1u);
    EXPECT_EQ(g_rec.pulses[0].map, map);
    EXPECT_EQ(g_rec.pulses[0].x, 315);
    EXPECT_EQ(g_rec.pulses[0].y, 215);
    EXPECT_EQ(g_rec.pulses[0].radius, 180);
    EXPECT_EQ(s->pulse_ms, 10000);
    object_update(s, 9999);
    EXPECT_EQ(g_rec.pulses.size(), 1u);
    object_update(s, 1);
    EXPECT_EQ(g_rec.pulses.size(), 2u);
}

TEST_F(SectorPulse, AQuietSectorNeverPulsesNorAnyWhileMinutesAreQueued) {
    s->pulse_ms = 10;
    s->sector_flags = SECTOR_FLAG_NO_PULSE;
    object_update(s, 50);
    EXPECT_TRUE(g_rec.pulses.empty());
    EXPECT_EQ(s->pulse_ms, 10) << "the countdown waits too";
    s->sector_flags = 0;
    game->queued_minutes = 1440;
    object_update(s, 50);
    EXPECT_TRUE(g_rec.pulses.empty());
    game->queued_minutes = 0;
    object_update(s, 50);
    EXPECT_EQ(g_rec.pulses.size(), 1u);
}

TEST_F(SectorPulse, AnotherPlayersSectorPulsesForTheUiPlayersShipsAtFifteenPercent) {
    s->owner_id = 8;
    s->pulse_ms = 10;
    object_update(s, 50);
    EXPECT_TRUE(g_rec.pulses.empty()) << "nobody of the UI player is there";
    Visitor *probe = make_visitor(OBJECT_SHIP, "probe", 7);
    probe->scan = 250;
    Visitor *bigger = make_visitor(OBJECT_SHIP, "bigger", 8);
    bigger->scan = 900;
    sector_add_object(s, probe);
    sector_add_object(s, bigger);
    object_update(s, 50);
    ASSERT_EQ(g_rec.pulses.size(), 1u);
    EXPECT_EQ(g_rec.pulses[0].radius, 37);   // 15 x 250 / 100
    probe->scan = 0;
    s->pulse_ms = 10;
    object_update(s, 50);
    EXPECT_EQ(g_rec.pulses.size(), 1u) << "no scanner, no pulse";
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

// ---- Snapshots ----

class SectorSnapshot : public SectorFixture {};

TEST_F(SectorSnapshot, LevelsCopyWhatTheyMay) {
    Sector *s = make_sector(0, 7);
    s->label = "Vega";
    FakeSite *body = add_site(s, 9);
    FakeSite *base = add_site(s, SITE_KIND_STARBASE);
    base->crew = 1200;
    FakeSite *guarded = add_site(s, 11);
    guarded->feature = 2, guarded->defence = 1, guarded->defenders = 6, guarded->defenders_lost = 2;
    Visitor *ship = make_visitor(OBJECT_SHIP, "ship", 8);
    sector_add_object(s, ship);

    Sector *copy = sector_of(object_clone(s, -1));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->label, "Vega");
    EXPECT_EQ(copy->known_site_count, 0) << "level -1: the label only";

    object_copy_record(copy, s, 0);
    EXPECT_EQ(copy->known_site_count, 3);
    EXPECT_EQ(copy->known_site_ids, (std::vector<uint64_t>{body->id, base->id, guarded->id}));
    EXPECT_EQ(copy->known_site_kinds, (std::vector<int32_t>{9, 0, 11}));
    EXPECT_EQ(copy->known_object_count, 1);
    EXPECT_EQ(copy->known_object_ids, (std::vector<uint64_t>{ship->id}));
    EXPECT_EQ(copy->known_feature_kind, -1);
    EXPECT_EQ(copy->known_starbase_crew, 0);

    object_copy_record(copy, s, 1);
    EXPECT_EQ(copy->known_feature_kind, 2);
    EXPECT_EQ(copy->known_defence_kind, 1);
    EXPECT_EQ(copy->known_defenders, 6);
    EXPECT_EQ(copy->known_defenders_lost, 2);
    EXPECT_EQ(copy->known_starbase_crew, 1200);
    EXPECT_TRUE(copy->flags & OBJ_SNAPSHOT);

    sector_remove_object(s, ship);
    base->flags |= OBJ_DEAD;
    object_purge_dead(s);
    guarded->feature = -1;
    object_copy_record(copy, s, 1);
    EXPECT_EQ(copy->known_site_count, 2);
    EXPECT_EQ(copy->known_object_count, 0);
    EXPECT_TRUE(copy->known_object_ids.empty());
    EXPECT_EQ(copy->known_feature_kind, -1);
    EXPECT_EQ(copy->known_defence_kind, -1);
    EXPECT_EQ(copy->known_starbase_crew, 0);
    object_destroy(copy);
    object_release(s);
}

TEST_F(SectorSnapshot, TheDisplayNameIsTheLabel) {
    Sector *s = make_sector(2);
    EXPECT_STREQ(object_get_name(s), "");
    s->label = "Altair";
    EXPECT_STREQ(object_get_name(s), "Altair");
    EXPECT_STREQ(object_type_name(OBJECT_SECTOR), "Sector");
    EXPECT_EQ(object_get_picture(s), RES_NO_PICTURE);
    object_release(s);
}

}  // namespace
}  // namespace sector_test
