// The ship record: creation from a template, memberships, and the frames and mount points that
// follow the heading.
#include "ship_test_util.h"

#include <algorithm>
#include <tuple>
#include "platform/random.h"

using namespace shiptest;

namespace {

using Ints = std::vector<int32_t>;
using Ids = std::vector<uint64_t>;

// ---- Creation ----

class ShipCreation : public ShipTest {};

TEST_F(ShipCreation, ABlankShipIsUnnamedWithoutACommanderAndOnlyLiveShipsAreShips) {
    Ship *s = ship_of(object_create_blank(OBJECT_SHIP));
    owned.push_back(s);
    EXPECT_STREQ(object_get_name(s), "Unnamed") << "the display name is the ship's own";
    EXPECT_EQ(s->pilot_text, "No commander");
    EXPECT_EQ(s->tmpl_c, -1);
    ASSERT_NE(s->built_date, nullptr);
    ASSERT_NE(s->arrival_date, nullptr);
    GameObject *stub = object_create_stub(OBJECT_SHIP, 5);
    EXPECT_EQ(ship_of(stub), nullptr);
    object_destroy(stub);
    EXPECT_EQ(ship_of(static_cast<GameObject *>(nullptr)), nullptr);
}

TEST_F(ShipCreation, CopyTemplateTakesTheHullFiguresAndSharesTheTablesButNoSystems) {
    Ship *t = ship({{5, 6, MOUNT_ENGINE, 2}, {7, 1, MOUNT_SYSTEM, 1}}, 77);
    t->ship_flags |= SHIP_FLAG_TEMPLATE;
    t->hull_flags = HULL_FLAG_ROTATING | HULL_FLAG_NO_JUMP;
    t->rot_last = 9, t->frame_d = 18, t->base_cost = 900, t->death_duration = 1500, t->tmpl_c = 4;
    const int32_t xs[] = {1, 2}, ys[] = {3, 4};
    ship_set_crit_positions(t, 1, 2, xs, ys);
    ship_set_crit_display_params(t, 1, 40, 0, 2, 0);
    t->centre_x = std::make_shared<const std::vector<int32_t>>(std::vector<int32_t>{8, 8});
    System *sys = make_system(0, 0, 5);
    ASSERT_EQ(ship_set_crit_system(t, 1, sys), RES_OK);

    Ship *s = ship({});
    object_copy_template(s, t);
    EXPECT_EQ(s->hull_flags, t->hull_flags);
    EXPECT_EQ(s->capacity_max, 77);
    for (int32_t Ship::*f : {&Ship::rot_last, &Ship::frame_d, &Ship::base_cost, &Ship::death_duration, &Ship::tmpl_c,
                             &Ship::base_max_armour})
        EXPECT_EQ(s->*f, t->*f);
    EXPECT_EQ(s->centre_x.get(), t->centre_x.get()) << "tables are shared, not copied";
    ASSERT_EQ(s->crit_count, 2);
    EXPECT_EQ(s->crits[0].mount_type, MOUNT_ENGINE);
    EXPECT_EQ(s->crits[0].direction, 2);
    EXPECT_EQ(s->crits[1].frame_x.get(), t->crits[1].frame_x.get());
    EXPECT_EQ(s->crits[1].display[0], 40);
    EXPECT_EQ(s->crits[1].order, t->crits[1].order);
    EXPECT_EQ(s->crits[1].system, nullptr) << "no systems come with the hull";
    EXPECT_EQ(sys->refcount, 1);
}

TEST_F(ShipCreation, OnCreatedRefreshesSystemsAndDrawsTheFirstHackingDelay) {
    Ship *s = ship({{1, 1, 0, 0}});
    give_frames(s, {{30, 20}, {40, 40}});
    System *sys = make_system(1, SYSTEM_FLAG_ROUNDS, 5);
    sys->rounds_per_reload = 6;
    sys->integrity = 3;
    sys->recharge_left = 2;
    ASSERT_EQ(ship_set_crit_system(s, 0, sys), RES_OK);
    rng_seed(game->generators[5], 99);
    for (int i = 0; i < 50; ++i) {
        ship_on_created(s);
        EXPECT_GE(s->hack_timer, 1220);
        EXPECT_LE(s->hack_timer, 2880);
    }
    EXPECT_EQ(Ints({sys->integrity, sys->rounds, sys->recharge_left}), Ints({40, 6, 0})) << "repaired and reloaded";
    EXPECT_EQ(Ints({s->base_frame_w, s->base_frame_h, s->aux_word}), Ints({30, 20, -1}));
    // The delay comes from the game's sixth generator, so a saved game draws it again the same way.
    rng_seed(game->generators[5], 1234);
    ship_on_created(s);
    const int32_t first = s->hack_timer;
    rng_seed(game->generators[5], 1234);
    ship_on_created(s);
    EXPECT_EQ(s->hack_timer, first);
}

TEST_F(ShipCreation, FreeingTheShipLetsGoOfSystemsPilotAndScanTarget) {
    Ship *s = make_ship({{1, 1, 0, 0}});
    System *sys = make_system(0, 0, 5);
    ASSERT_EQ(ship_set_crit_system(s, 0, sys), RES_OK);
    Officer *pilot = officer_create();
    officer_retain(pilot);   // the player's own reference
    ship_set_pilot(s, pilot);
    EXPECT_EQ(pilot->refcount, 2);
    GameObject *target = object_create_blank(OBJECT_SHIP);
    object_add_ref(target);
    object_add_ref(target);
    s->scan_target = target;
    object_destroy(s);
    EXPECT_EQ(pilot->refcount, 1);
    EXPECT_EQ(target->refcount, 1);
    officer_release(pilot);
    object_destroy(target);
}

// ---- Memberships ----

class ShipMemberships : public ShipTest {};

TEST_F(ShipMemberships, APilotIsHeldNamedAndGivesTheShipItsPoints) {
    Ship *s = ship({});
    s->id = 77;
    s->crew = 400;
    Officer *o = officer_create();
    o->id = 9;
    o->name = "Ada Voss";
    o->rank = 3;
    o->sector_id = 55;
    ship_set_pilot(s, o);
    EXPECT_EQ(s->pilot, o);
    EXPECT_EQ(o->refcount, 1);
    EXPECT_EQ(Ids({o->ship_id, o->sector_id, s->pilot_id}), Ids({77, 0, 9}));
    EXPECT_EQ(s->pilot_text, "Ada Voss");
    EXPECT_EQ(s->pilot_rank, 3);
    EXPECT_EQ(s->max_ap, 4) << "2 + 400 crew / 200";
    EXPECT_EQ(s->ap, s->max_ap);
    EXPECT_EQ(s->mp, s->max_mp);
    EXPECT_EQ(object_methods(OBJECT_SHIP)->pilot_bonus(s), 3);

    officer_retain(o);   // someone else still knows the officer
    ship_set_pilot(s, nullptr);
    EXPECT_EQ(s->pilot, nullptr);
    EXPECT_EQ(o->refcount, 1);
    EXPECT_EQ(Ids({o->ship_id, s->pilot_id}), Ids({0, 0}));
    EXPECT_EQ(s->pilot_text, "No commander");
    EXPECT_EQ(Ints({s->pilot_rank, s->max_ap}), Ints({0, 1}));
    officer_release(o);
}

TEST_F(ShipMemberships, SettingTheSamePilotAgainKeepsTheOfficerAlive) {
    Ship *s = ship({});
    Officer *o = officer_create();
    o->name = "Kim";
    ship_set_pilot(s, o);
    ASSERT_EQ(o->refcount, 1);
    ship_set_pilot(s, o);   // releasing the old one first would free the new one
    EXPECT_EQ(s->pilot, o);
    EXPECT_EQ(o->refcount, 1);
    EXPECT_EQ(s->pilot_text, "Kim");
}

TEST_F(ShipMemberships, AHullWithoutAPilotSeatRefusesOne) {
    const std::string dir = fresh_test_dir("ships");
    LogCatcher log(dir);
    Ship *s = ship({});
    s->id = 12;
    s->hull_flags = HULL_FLAG_NO_PILOT;
    Officer *o = officer_create();
    o->id = 4;
    ship_set_pilot(s, o);
    EXPECT_EQ(s->pilot, nullptr);
    EXPECT_EQ(o->refcount, 0);
    EXPECT_NE(log.text().find(
                  "Ship #12 \"Testy\" (Test Hull) - failed to set pilot #4 \"No commander\" (no pilot flag set)"),
              std::string::npos)
        << log.text();
    ship_set_pilot(s, nullptr);   // nothing at all
    officer_release(o);
}

TEST_F(ShipMemberships, JoiningASectorListsTheShipAndStampsItsArrival) {
    Ship *s = ship({});
    object_add_ref(s);   // a holder beside the sectors
    s->ship_flags |= SHIP_FLAG_UNSETTLED;
    GameObject *a = place(OBJECT_SECTOR, 7, 0, 0, 10, 10);
    GameObject *b = place(OBJECT_SECTOR, 8, 0, 0, 10, 10);
    game->clock->minutes = 5000;
    ship_set_sector(s, a);
    EXPECT_EQ(s->sector_id, 7u);
    EXPECT_EQ(s->arrival_date->minutes, 5000u);
    EXPECT_FALSE(s->ship_flags & SHIP_FLAG_UNSETTLED);
    ship_set_sector(s, a);   // already there
    EXPECT_EQ(sector_object_count(sector_of(a)), 1);
    game->clock->minutes = 6000;
    ship_set_sector(s, b);
    EXPECT_EQ(s->arrival_date->minutes, 6000u);
    EXPECT_EQ(sector_object_count(sector_of(a)), 0);
    EXPECT_EQ(sector_get_object(sector_of(b), 0), s);
    ship_set_sector(s, nullptr);
    EXPECT_EQ(s->sector_id, 0u);
    EXPECT_EQ(sector_object_count(sector_of(b)), 0);
    ship_set_sector(s, nullptr);   // no sector to leave
    EXPECT_EQ(s->refcount, 1) << "every sector let go of it";
}

TEST_F(ShipMemberships, JoiningAFleetLeavesTheOldOne) {
    Ship *s = ship({});
    GameObject *a = place(OBJECT_FLEET, 21, 0, 0, 10, 10);
    GameObject *b = place(OBJECT_FLEET, 22, 0, 0, 10, 10);
    ship_set_fleet(s, a);
    s->ship_flags |= SHIP_FLAG_UNSETTLED;
    ship_set_fleet(s, b);
    EXPECT_EQ(s->fleet_id, 22u);
    EXPECT_FALSE(s->ship_flags & SHIP_FLAG_UNSETTLED);
    s->ship_flags |= SHIP_FLAG_UNSETTLED;
    ship_set_fleet(s, nullptr);
    EXPECT_EQ(s->fleet_id, 0u);
    EXPECT_FALSE(s->ship_flags & SHIP_FLAG_UNSETTLED);
    EXPECT_EQ(g_world.calls, (std::vector<std::string>{"fleet+ 21", "fleet- 21", "fleet+ 22", "fleet- 22"}));
}

TEST_F(ShipMemberships, TheGalaxyPositionIsTheFleetsCentreElseTheSectors) {
    const std::string dir = fresh_test_dir("ships");
    LogCatcher log(dir);
    Ship *s = ship({});
    s->id = 3;
    place(OBJECT_SECTOR, 7, 100, 200, 20, 30);
    place(OBJECT_FLEET, 21, 40, 50, 11, 9);
    // sector, fleet -> position: the fleet's centre, else the sector's; an id of the wrong kind or of
    // nothing gives 0, 0.
    for (auto [sector, fleet, px, py] : {std::tuple{0, 0, 0, 0}, {7, 0, 110, 215}, {7, 21, 45, 54}, {7, 7, 0, 0},
                                         {999, 0, 0, 0}}) {
        s->sector_id = uint64_t(sector), s->fleet_id = uint64_t(fleet);
        int32_t x = -1, y = -1;
        ship_get_galaxy_position(s, &x, &y);
        EXPECT_EQ(Ints({x, y}), Ints({px, py})) << sector << ", " << fleet;
    }
    const std::string text = log.text();
    EXPECT_NE(text.find("Failed to get ship #3 \"Testy\" galaxy position (fleet #7 not found)"), std::string::npos);
    EXPECT_NE(text.find("Failed to get ship #3 \"Testy\" galaxy position (sector #999 not found)"), std::string::npos);
}

// ---- Frames and headings ----

class ShipHeadings : public ShipTest {
protected:
    // A rotating hull of 36 frames 0..35 (each 20 x 20) plus 8 small ones 36..43, one crit with a
    // position per rotation frame: frame f puts it at (100 + f, 200 + f).
    Ship *rotating() {
        Ship *s = ship({{5, 6, 0, 0}});
        std::vector<std::pair<int32_t, int32_t>> sizes(44, {20, 20});
        give_frames(s, sizes);
        s->hull_flags = HULL_FLAG_ROTATING;
        s->rot_first = 0, s->rot_last = 35, s->alt_first = 36, s->alt_last = 43;
        std::vector<int32_t> xs, ys;
        for (int f = 0; f < 36; ++f) xs.push_back(100 + f), ys.push_back(200 + f);
        ship_set_crit_positions(s, 0, 36, xs.data(), ys.data());
        object_reset_frame(s);
        return s;
    }
};

TEST_F(ShipHeadings, FrameForHeadingCentresEachFrameOnItsHeading) {
    Ship *s = rotating();
    const std::pair<int32_t, int32_t> cases[] = {{0, 0}, {4, 0}, {5, 1}, {354, 35}, {355, 0}, {90, 9}, {180, 18}};
    for (auto [heading, frame] : cases) EXPECT_EQ(ship_frame_for_heading(s, heading), frame) << heading;
    EXPECT_EQ(ship_frame_for_heading_alt(s, 22), 36);
    EXPECT_EQ(ship_frame_for_heading_alt(s, 23), 37);
    EXPECT_EQ(ship_frame_for_heading_alt(s, 338), 36);
    s->rot_first = 5, s->rot_last = 4;
    EXPECT_EQ(ship_frame_for_heading(s, 200), 5) << "an empty range gives its first frame";
    s->hull_flags = 0;
    EXPECT_EQ(ship_frame_for_heading(s, 200), 0);
    EXPECT_EQ(ship_frame_for_heading_alt(s, 200), 36);
}

TEST_F(ShipHeadings, TurningPicksTheFrameAndMovesTheMountsUnlessTheHullDoesNotRotate) {
    Ship *s = rotating();
    System *sys = make_system(0, 0, 5);
    ASSERT_EQ(ship_set_crit_system(s, 0, sys), RES_OK);
    object_set_heading(s, 92);
    EXPECT_EQ(Ints({s->frame, s->heading, sys->mount_x, sys->mount_y}), Ints({9, 92, 109, 209}));
    object_set_heading(s, -10);
    EXPECT_EQ(Ints({s->frame, sys->mount_x}), Ints({35, 135}));

    Ship *fixed = rotating();
    System *fixed_sys = make_system(0, 0, 5);
    ASSERT_EQ(ship_set_crit_system(fixed, 0, fixed_sys), RES_OK);
    fixed->hull_flags = 0;
    object_set_heading(fixed, 120);
    EXPECT_EQ(fixed->frame, 0) << "a hull that does not rotate keeps frame 0 and its mounts";
    EXPECT_EQ(fixed_sys->mount_x, 5);
    EXPECT_EQ(fixed_sys->mount_y, 6);
    fixed->hull_flags = HULL_FLAG_ROTATING | HULL_FLAG_NO_TURN;
    object_set_heading(fixed, 200);
    EXPECT_EQ(fixed->frame, 0);
    EXPECT_EQ(fixed->heading, 200) << "the heading is stored, the picture stays";
}

TEST_F(ShipHeadings, OffsetTablesMoveTheCornerOneFrameAtATime) {
    Ship *s = rotating();
    s->rot_first = 0, s->rot_last = 3;   // four frames of 90 degrees
    s->offset_first = 0, s->offset_last = 3;
    s->offset_x = std::make_shared<const std::vector<int32_t>>(std::vector<int32_t>{0, 10, 30, 60});
    s->offset_y = std::make_shared<const std::vector<int32_t>>(std::vector<int32_t>{0, 1, 2, 3});
    int32_t x = 1000, y = 500;
    ship_adjust_position_for_heading(s, 0, 180, &x, &y);   // a half turn goes the negative way round
    EXPECT_EQ(x, 1000 + (0 - 60) + (60 - 30));
    EXPECT_EQ(y, 500 + (0 - 3) + (3 - 2));
    x = 1000, y = 500;
    ship_adjust_position_for_heading(s, 0, 90, &x, &y);
    EXPECT_EQ(x, 990);
    EXPECT_EQ(y, 499);
    x = 1000;
    ship_adjust_position_for_heading(s, 90, 95, &x, &y);
    EXPECT_EQ(x, 1000) << "same frame";
    s->offset_y.reset();
    ship_adjust_position_for_heading(s, 0, 90, &x, &y);
    EXPECT_EQ(x, 1000) << "both tables are needed";
}

TEST_F(ShipHeadings, ExtentsOverTheRotationAndTheOffsetFrames) {
    Ship *s = ship({});
    give_frames(s, {{10, 12}, {30, 8}, {14, 40}, {99, 99}});
    s->hull_flags = HULL_FLAG_ROTATING;
    s->rot_first = 0, s->rot_last = 2;
    int32_t w = 0, h = 0;
    object_get_frame_extent(s, &w, &h);
    EXPECT_EQ(w, 30);
    EXPECT_EQ(h, 40);
    s->hull_flags = 0;
    object_get_frame_extent(s, &w, &h);
    EXPECT_EQ(w, 10) << "frame 0 alone";
    EXPECT_EQ(h, 12);
    s->offset_first = 1, s->offset_last = 2;
    ship_get_frame_extent(s, &w, &h);
    EXPECT_EQ(w, 30);
    EXPECT_EQ(h, 40);
    s->offset_x = std::make_shared<const std::vector<int32_t>>(std::vector<int32_t>{1, 20});
    s->offset_y = std::make_shared<const std::vector<int32_t>>(std::vector<int32_t>{50, 2});
    ship_get_frame_extent(s, &w, &h);
    EXPECT_EQ(w, 34);
    EXPECT_EQ(h, 58);
}

}  // namespace
