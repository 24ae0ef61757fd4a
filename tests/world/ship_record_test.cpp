// The ship record: creation from a template, memberships, the frames and mount points that follow
// the heading, the save record laid out by hand, its round trip through the common record and the
// factory, the link step and the snapshot copy.
#include "ship_test_util.h"

#include <algorithm>
#include <tuple>
#include "platform/random.h"

using namespace shiptest;

namespace {

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
    LogCatcher log(fresh_test_dir("ships"));
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
    object_add_ref(s);   // a holder beside the fleets
    // Which of the two fleets list the ship, as counts of each.
    const auto members = [&] { return Ints({fleet_ship_count(fleet_of(a)), fleet_ship_count(fleet_of(b))}); };
    ship_set_fleet(s, a);
    EXPECT_EQ(members(), Ints({1, 0}));
    EXPECT_EQ(fleet_get_ship(fleet_of(a), 0), s);
    EXPECT_EQ(s->refcount, 2) << "the fleet holds a reference";
    s->ship_flags |= SHIP_FLAG_UNSETTLED;
    ship_set_fleet(s, b);
    EXPECT_EQ(s->fleet_id, 22u);
    EXPECT_FALSE(s->ship_flags & SHIP_FLAG_UNSETTLED);
    EXPECT_EQ(members(), Ints({0, 1})) << "the old fleet let go of it";
    EXPECT_EQ(fleet_get_ship(fleet_of(b), 0), s);
    s->ship_flags |= SHIP_FLAG_UNSETTLED;
    ship_set_fleet(s, nullptr);
    EXPECT_EQ(s->fleet_id, 0u);
    EXPECT_FALSE(s->ship_flags & SHIP_FLAG_UNSETTLED);
    EXPECT_EQ(members(), Ints({0, 0}));
    EXPECT_EQ(s->refcount, 1) << "every fleet let go of it";
}

TEST_F(ShipMemberships, TheGalaxyPositionIsTheFleetsCentreElseTheSectors) {
    LogCatcher log(fresh_test_dir("ships"));
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

TEST_F(ShipHeadings, EveryHeadingPicksTheSameFrameOnTheQuickAndTheGeneralPath) {
    // Ranges a hull has are worked on a quick path; it must agree with the general one for every
    // heading, negative, past a full turn and at the ends of the integers, and at ranges that end
    // at the ends of the integers.
    Ship *s = rotating();
    const int32_t sizes[] = {1, 2, 3, 7, 8, 16, 36, 64, 100, 359, 360, 361, 720, 65535, 65536, 65537, 1 << 20};
    std::vector<int32_t> headings = {INT32_MIN, INT32_MIN + 1, INT32_MAX, INT32_MAX - 179, -2147483468};
    for (int32_t h = -1080; h <= 1080; ++h) headings.push_back(h);
    for (int32_t size : sizes)
        for (int32_t first : {0, 36, -500, INT32_MIN, INT32_MAX - (size - 1)}) {
            s->rot_first = first;
            s->rot_last = first + (size - 1);
            for (int32_t heading : headings) {
                const int32_t frame = ship_frame_for_heading(s, heading);
                ASSERT_EQ(frame, ship_frame_in_range(heading, s->rot_first, s->rot_last))
                    << "frames " << first << ".." << s->rot_last << " heading " << heading;
                ASSERT_GE(frame, s->rot_first);
                ASSERT_LE(frame, s->rot_last);
            }
        }
    // Each frame is centred on its heading; an empty range gives its first frame.
    const struct { int32_t first, last, heading, frame; } pinned[] = {
        {0, 35, 0, 0}, {0, 35, 4, 0}, {0, 35, 5, 1}, {0, 35, 354, 35}, {0, 35, 355, 0}, {0, 35, 90, 9},
        {0, 35, 180, 18}, {0, 35, -5, 0}, {0, 35, -6, 35}, {0, 35, -4, 0}, {0, 35, 715, 0}, {0, 35, INT32_MIN, 23},
        {0, 7, 337, 7}, {0, 7, 338, 0}, {10, 10, 200, 10}, {0, 359, 359, 359}, {INT32_MIN, INT32_MAX, 90, -1073741824},
        {5, 4, 200, 5},
    };
    for (const auto &p : pinned) {
        s->rot_first = p.first, s->rot_last = p.last;
        EXPECT_EQ(ship_frame_for_heading(s, p.heading), p.frame) << p.first << ".." << p.last << " at " << p.heading;
    }
    // The alternate frames 36..43 by heading; a hull that does not rotate shows frame 0 and the first alternate.
    EXPECT_EQ(Ints({ship_frame_for_heading_alt(s, 22), ship_frame_for_heading_alt(s, 23), ship_frame_for_heading_alt(s, 338)}),
              Ints({36, 37, 36}));
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

    // A damaged parameter file: sizes and offsets at the ends of the range hold at them.
    s->frame_w[1] = INT32_MAX - 5;
    s->frame_h[2] = INT32_MAX;
    s->offset_x = std::make_shared<const std::vector<int32_t>>(std::vector<int32_t>{INT32_MAX, 20});
    s->offset_y = std::make_shared<const std::vector<int32_t>>(std::vector<int32_t>{0, INT32_MAX});
    ship_get_frame_extent(s, &w, &h);
    EXPECT_EQ(w, INT32_MAX);
    EXPECT_EQ(h, INT32_MAX);
    s->offset_first = INT32_MIN, s->offset_last = 1;   // frame 1 is far past the table's first entry
    ship_get_frame_extent(s, &w, &h);
    EXPECT_EQ(w, INT32_MAX - 5) << "no offset beyond the table";
}

// Everything a ship record holds, set to values that differ from the defaults.
void fill(Ship *s) {
    s->ship_flags = 0x00014040;
    s->ship_name = "Resolute";
    s->design_name = "Lancer Mk I";
    s->pilot_text = "Ines Okafor";
    s->pilot_id = 0x0000000500000007ull;
    s->pilot_rank = 3;
    s->snap_mass = 1500, s->snap_capacity_used = 90, s->snap_max_armour = 150, s->snap_shield_max = 35;
    s->snap_x = -20, s->snap_y = 640, s->damage_from = 77;
    s->armour = 111, s->crew = 96;
    s->shields[0] = 1, s->shields[1] = 2, s->shields[2] = 3, s->shields[3] = 4;
    s->ap = 7, s->ap_carry = -2, s->mp = 5, s->capacity_max = 155;
    s->sector_id = 0x1122334455667788ull, s->fleet_id = 42;
    s->built_date->minutes = 1440 * 400 + 75;
    s->arrival_date->minutes = 1440 * 401;
    s->ai_task_ids[0] = 1, s->ai_task_ids[1] = 0xFFFFFFFFFFFFFFFFull, s->ai_task_ids[2] = 3;
    s->aux_word = -1, s->hack_count = 2, s->hack_timer = 1500, s->repair_crit = 1, s->repair_turns = 3;
    s->engine_hit_rest = 60, s->ai_word = 0x7F, s->roll_value = 44;
}

// The record laid out by hand; `systems` are the nested records in crit order (empty: no system).
std::vector<uint8_t> expected_bytes(const Ship *s, uint64_t pilot, const std::vector<std::vector<uint8_t>> &systems) {
    std::vector<uint8_t> out;
    put_u32(&out, s->ship_flags);
    put_str(&out, s->ship_name);
    put_str(&out, s->design_name);
    put_u64(&out, pilot);
    put_str(&out, s->pilot_text);
    for (int32_t v : {s->pilot_rank, s->snap_mass, s->snap_capacity_used, s->snap_max_armour, s->snap_shield_max,
                      s->snap_x, s->snap_y, s->damage_from, s->armour, s->crew, s->shields[0], s->shields[1],
                      s->shields[2], s->shields[3], s->ap, s->ap_carry, s->mp, s->capacity_max})
        put_i32(&out, v);
    for (const std::vector<uint8_t> &record : systems) {
        put_u32(&out, record.empty() ? 0 : 1);
        out.insert(out.end(), record.begin(), record.end());
    }
    for (uint64_t v : {s->sector_id, s->fleet_id, s->built_date->minutes, s->arrival_date->minutes, s->ai_task_ids[0],
                       s->ai_task_ids[1], s->ai_task_ids[2]})
        put_u64(&out, v);
    for (int32_t v : {s->aux_word, s->hack_count, s->hack_timer, s->repair_crit, s->repair_turns, s->engine_hit_rest,
                      s->ai_word, s->roll_value})
        put_i32(&out, v);
    return out;
}

std::vector<uint8_t> system_bytes(const System *system) {
    Buffer b;
    EXPECT_EQ(system_write_record(system, &b), RES_OK);
    return bytes_of(b);
}

// The generated store's system types and hull parameters, for records that carry systems.
class ShipRecord : public ShipTest {
protected:
    GeneratedWorld world;
    void SetUp() override {
        factory_free();
        system_types_free();
        ShipTest::SetUp();
        ASSERT_TRUE(world.load({OBJECT_SHIP}, {FACTORY_GROUP_PARAMS}));
    }
    void TearDown() override {
        for (GameObject *obj : owned) object_destroy(obj);
        owned.clear();
        world.unload();
        ShipTest::TearDown();
    }
};

TEST_F(ShipRecord, ALiveShipWritesItsPilotsIdAndEachCritInOrder) {
    Ship *s = ship({{1, 1, 0, 0}, {2, 2, 0, 0}, {3, 3, 0, 0}}, 200);
    fill(s);
    System *sys = make_system(4, 0, 10);
    sys->integrity = 33;
    ASSERT_EQ(ship_set_crit_system(s, 1, sys), RES_OK);
    Buffer buf;
    ASSERT_EQ(ship_write(s, &buf), RES_OK);
    EXPECT_EQ(bytes_of(buf), expected_bytes(s, 0, {{}, system_bytes(sys), {}})) << "no officer: pilot id 0";

    Officer *o = officer_create();
    o->id = 0x0102030405060708ull;
    ship_set_pilot(s, o);
    fill(s);   // the figures again, after the pilot changed some
    buffer_clear(&buf);
    ASSERT_EQ(ship_write(s, &buf), RES_OK);
    EXPECT_EQ(bytes_of(buf), expected_bytes(s, o->id, {{}, system_bytes(sys), {}})) << "the pilot id high word first";
}

TEST_F(ShipRecord, ASnapshotWritesTheStoredPilotIdWithoutAnOfficer) {
    Ship *s = ship({{1, 1, 0, 0}});
    fill(s);
    s->flags |= OBJ_SNAPSHOT;
    Buffer buf;
    ASSERT_EQ(ship_write(s, &buf), RES_OK);
    EXPECT_EQ(bytes_of(buf), expected_bytes(s, 0x0000000500000007ull, {{}}));
}

TEST_F(ShipRecord, ReadingBringsBackEveryFieldAndTheSystems) {
    Ship *s = ship({{1, 1, 0, 0}, {2, 2, 0, 0}}, 200);
    fill(s);
    System *sys = system_create_subtype(0, 2);
    ASSERT_NE(sys, nullptr);
    sys->integrity = 9;
    ASSERT_EQ(ship_set_crit_system(s, 1, sys), RES_OK);
    Buffer buf;
    ASSERT_EQ(ship_write(s, &buf), RES_OK);

    Ship *r = ship({{1, 1, 0, 0}, {2, 2, 0, 0}});
    const Date *old_date = r->built_date;
    ASSERT_EQ(ship_read(r, &buf), RES_OK);
    EXPECT_EQ(buffer_remaining(&buf), 0);
    Buffer again;
    ASSERT_EQ(ship_write(r, &again), RES_OK);
    EXPECT_EQ(bytes_of(again), bytes_of(buf)) << "everything written came back";
    EXPECT_NE(r->built_date, old_date) << "dates are rebuilt from their minutes";
    EXPECT_EQ(r->built_date->year, 2601);
    EXPECT_EQ(r->pilot_id, 0u) << "a live ship without a pilot wrote 0";
    ASSERT_NE(r->crits[1].system, nullptr);
    EXPECT_EQ(r->crits[1].system->refcount, 1);
    EXPECT_EQ(r->crits[1].system->ship, r);
    EXPECT_EQ(r->crits[0].system, nullptr);
}

TEST_F(ShipRecord, ARecordCutShortFailsWithoutLeaks) {
    Ship *s = ship({{1, 1, 0, 0}, {2, 2, 0, 0}}, 200);
    fill(s);
    ASSERT_EQ(ship_set_crit_system(s, 0, system_create(1)), RES_OK);
    Buffer buf;
    ASSERT_EQ(ship_write(s, &buf), RES_OK);
    const std::vector<uint8_t> whole = bytes_of(buf);
    for (size_t cut = 0; cut < whole.size(); cut += 3) {
        Ship *r = make_ship({{1, 1, 0, 0}, {2, 2, 0, 0}});
        refill(&buf, std::vector<uint8_t>(whole.begin(), whole.begin() + long(cut)));
        EXPECT_EQ(ship_read(r, &buf), RES_SHORT_BUFFER) << "cut at " << cut;
        object_destroy(r);
    }
}

// ---- Through the common record and the factory ----

using ShipSaveRoundTrip = ShipRecord;

TEST_F(ShipSaveRoundTrip, AShipComesBackFromItsTemplateWithItsHeadingFrameAndSystems) {
    Ship *s = ship_of(factory_create_object(OBJECT_SHIP, 3));
    ASSERT_NE(s, nullptr);
    owned.push_back(s);
    s->id = 5150;
    fill(s);
    object_set_heading(s, 120);
    ASSERT_EQ(s->frame, 12);
    ASSERT_EQ(ship_set_crit_system(s, 0, system_create_subtype(0, 1)), RES_OK);
    ASSERT_EQ(ship_set_crit_system(s, 3, system_create_subtype(2, 0)), RES_OK);
    Buffer buf;
    ASSERT_EQ(object_write(s, &buf), RES_OK);

    GameObject *obj = nullptr;
    ASSERT_EQ(object_read(&obj, &buf), RES_OK);
    Ship *r = ship_of(obj);
    ASSERT_NE(r, nullptr);
    owned.push_back(r);
    EXPECT_EQ(r->id, 5150u);
    EXPECT_EQ(r->subtype, 3);
    EXPECT_EQ(r->name, "Lancer");
    EXPECT_EQ(r->ship_name, "Resolute");
    EXPECT_EQ(r->heading, 120);
    EXPECT_EQ(r->frame, 12) << "the frame follows the heading read";
    EXPECT_EQ(r->hack_timer, 1500) << "the saved delay, not a fresh draw";
    EXPECT_EQ(r->crit_count, 5);
    ASSERT_NE(r->crits[3].system, nullptr);
    EXPECT_EQ(r->crits[3].system->type, 2);
    EXPECT_FALSE(r->flags & OBJ_LINKED);
}

// ---- Link ----

class ShipLink : public ShipTest {
protected:
    Ship *s = nullptr;
    void SetUp() override {
        ShipTest::SetUp();
        s = ship({{4, 5, 0, 3}});
        s->owner_id = 31;
        System *sys = make_system(0, 0, 5);
        system_retain(sys);
        s->crits[0].system = sys;   // as a read leaves it: no mount fields yet
        sys->ship = s;
    }
};

TEST_F(ShipLink, MountsPilotSectorAndFleetAreRestored) {
    Officer *o = officer_create();
    o->id = 8;
    o->name = "Rhea";
    o->rank = 2;
    give_officer(31, o);   // the player's list holds it
    place(OBJECT_SECTOR, 70, 0, 0, 1, 1);
    GameObject *fleet = place(OBJECT_FLEET, 71, 0, 0, 1, 1);
    s->pilot_id = 8;
    s->sector_id = 70;
    s->fleet_id = 71;
    game->clock->minutes = 99999;
    s->arrival_date->minutes = 12345;   // as read from the save
    ASSERT_EQ(object_link(s), RES_OK);
    EXPECT_TRUE(s->flags & OBJ_LINKED);
    const System *sys = s->crits[0].system;
    EXPECT_EQ(std::vector<int32_t>({sys->facing, sys->mount_x, sys->mount_y, sys->mount_side, sys->mount_index}),
              std::vector<int32_t>({270, 4, 5, 3, 0}));
    EXPECT_EQ(s->pilot, o);
    EXPECT_EQ(o->refcount, 2);
    EXPECT_EQ(s->pilot_text, "Rhea");
    EXPECT_EQ(s->pilot_rank, 2);
    EXPECT_EQ(s->arrival_date->minutes, 12345u) << "rejoining the sector at load is no arrival: the saved day stands";
    ASSERT_EQ(fleet_ship_count(fleet_of(fleet)), 1);
    EXPECT_EQ(fleet_get_ship(fleet_of(fleet), 0), s);
    EXPECT_EQ(sector_object_count(sector_of(shiptest::g_world.objects[70])), 1);
    ship_set_pilot(s, nullptr);
}

TEST_F(ShipLink, WithoutAPilotTheShipIsReadyWithNoCommander) {
    s->pilot_text = "Gone";
    s->pilot_rank = 4;
    s->ap = 0;
    ASSERT_EQ(object_link(s), RES_OK);
    EXPECT_EQ(s->pilot_text, "No commander");
    EXPECT_EQ(s->pilot_rank, 0);
    EXPECT_EQ(s->ap, s->max_ap);
    EXPECT_EQ(s->max_ap, 1);
}

TEST_F(ShipLink, UnresolvedIdsFailWithTheirLogLinesAndJoinNothing) {
    LogCatcher log(fresh_test_dir("ships"));
    place(OBJECT_SECTOR, 70, 0, 0, 1, 1);
    GameObject *wrong = place(OBJECT_SECTOR, 71, 0, 0, 1, 1);   // a sector where a fleet is expected
    s->sector_id = 70;
    s->fleet_id = 71;
    const int32_t refs = s->refcount;
    EXPECT_EQ(object_link(s), RES_UNRESOLVED_ID);
    EXPECT_FALSE(s->flags & OBJ_LINKED);
    EXPECT_EQ(sector_object_count(sector_of(wrong)), 0) << "a failed link joined the object of the fleet's id";
    EXPECT_EQ(sector_object_count(sector_of(shiptest::g_world.objects[70])), 0) << "a failed link joined the sector";
    EXPECT_EQ(s->sector_id, 70u);
    EXPECT_EQ(s->refcount, refs) << "nothing took a reference on the ship";
    // The fleet turns up later (the sector takes another id): the retry joins each list once.
    wrong->id = 72;
    shiptest::g_world.objects[72] = wrong;
    GameObject *fleet = place(OBJECT_FLEET, 71, 0, 0, 1, 1);
    EXPECT_EQ(object_link(s), RES_OK);
    ASSERT_EQ(fleet_ship_count(fleet_of(fleet)), 1);
    EXPECT_EQ(fleet_get_ship(fleet_of(fleet), 0), s);
    EXPECT_EQ(sector_object_count(sector_of(shiptest::g_world.objects[70])), 1);
    EXPECT_EQ(sector_object_count(sector_of(wrong)), 0);

    s->flags &= ~OBJ_LINKED;
    s->pilot_id = 12;
    EXPECT_EQ(object_link(s), RES_UNRESOLVED_ID);
    s->pilot_id = 0;
    s->sector_id = 404;
    EXPECT_EQ(object_link(s), RES_UNRESOLVED_ID);
    const std::string text = log.text();
    EXPECT_NE(text.find("Ship failed to find fleet #71"), std::string::npos) << text;
    EXPECT_NE(text.find("Ship failed to find pilot player 31, id 12"), std::string::npos);
    EXPECT_NE(text.find("Ship failed to find sector #404"), std::string::npos);
}

// ---- Snapshot copy ----

class ShipSnapshot : public ShipRecord {
protected:
    Ship *src = nullptr, *dest = nullptr;
    void SetUp() override {
        ShipRecord::SetUp();
        src = ship({{1, 1, 0, 0}, {2, 2, 0, 0}}, 300);
        dest = ship({{1, 1, 0, 0}, {2, 2, 0, 0}}, 300);
        src->id = dest->id = 600;
        fill(src);
        src->sector_id = 70;
        src->fleet_id = 0;
        place(OBJECT_SECTOR, 70, 200, 100, 40, 20);
        ASSERT_EQ(ship_set_crit_system(src, 0, system_create_subtype(0, 3)), RES_OK);
        src->thrust = 4000;
        dest->snapshot_version = -1;
    }
};

TEST_F(ShipSnapshot, VersionZeroTakesTheOutwardFiguresAndKeepsThemAsStored) {
    src->owner_label = "Machine";
    src->owner_label_g = 200;
    object_copy_record(dest, src, 0);
    EXPECT_TRUE(dest->flags & OBJ_SNAPSHOT);
    EXPECT_EQ(dest->snapshot_version, 0);
    EXPECT_EQ(dest->ship_name, "Resolute");
    EXPECT_EQ(dest->armour, 111);
    EXPECT_EQ(dest->snap_max_armour, src->max_armour);
    EXPECT_EQ(dest->max_armour, src->max_armour) << "the stored figure, after the recompute";
    EXPECT_EQ(dest->mass, src->mass);
    EXPECT_EQ(dest->pilot_id, src->pilot_id);
    EXPECT_EQ(dest->snap_x, 220) << "the centre of its sector";
    EXPECT_EQ(dest->snap_y, 110);
    EXPECT_EQ(dest->built_date->minutes, src->built_date->minutes);
    EXPECT_EQ(dest->owner_label, "Machine");
    EXPECT_EQ(dest->owner_label_g, 200);
    EXPECT_EQ(dest->crits[0].system, nullptr) << "version 0 sees no systems";
    EXPECT_FALSE(dest->ship_flags & SHIP_FLAG_DETAILED_COPY);
}

TEST_F(ShipSnapshot, VersionOneCopiesTheSystemsCritByCrit) {
    object_copy_record(dest, src, 1);
    EXPECT_TRUE(dest->ship_flags & SHIP_FLAG_DETAILED_COPY);
    EXPECT_EQ(dest->ap, src->ap);
    EXPECT_EQ(dest->mp, src->mp);
    ASSERT_NE(dest->crits[0].system, nullptr);
    EXPECT_NE(dest->crits[0].system, src->crits[0].system) << "a copy, not the same system";
    EXPECT_EQ(dest->crits[0].system->name, src->crits[0].system->name);
    EXPECT_EQ(dest->crits[0].system->refcount, 1);
    EXPECT_EQ(dest->capacity_used, src->capacity_used) << "a detailed snapshot adds up its own systems";
    // The source loses a system and damages the other: the next copy follows.
    ASSERT_EQ(ship_set_crit_system(src, 1, system_create(1)), RES_OK);
    src->crits[1].system->integrity = 2;
    ASSERT_EQ(ship_set_crit_system(src, 0, nullptr), RES_OK);
    object_copy_record(dest, src, 1);
    EXPECT_EQ(dest->crits[0].system, nullptr);
    ASSERT_NE(dest->crits[1].system, nullptr);
    EXPECT_EQ(dest->crits[1].system->integrity, 2);
    System *held = dest->crits[1].system;
    src->crits[1].system->integrity = 1;
    object_copy_record(dest, src, 1);
    EXPECT_EQ(dest->crits[1].system, held) << "an existing copy is updated in place";
    EXPECT_EQ(held->integrity, 1);
}

TEST_F(ShipSnapshot, ANegativeVersionCopiesNothingOfTheShip) {
    object_copy_record(dest, src, -1);
    EXPECT_EQ(dest->ship_name, "Testy");
    EXPECT_EQ(dest->armour, 0);
}

}  // namespace
