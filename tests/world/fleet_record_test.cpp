// The fleet kind on its own: the operation row and factory with the generated badge, name and
// speed rules, the composition layout, reach, the save record and its link step, snapshots and
// the threat figures; fleets drawn as the galaxy map draws them, replayed into an off-screen
// surface (the badge's review picture goes to build/test-output/fleets).
#include "galaxy_fixture.h"

#include <cmath>
#include <set>
#include <tuple>
#include <utility>
#include "platform/draw_fixture.h"
#include "platform/sprite.h"
#include "test_support.h"
#include "world/object_methods.h"

using namespace galaxytest;

namespace {

using FleetRecord = FleetWorld;

TEST_F(FleetRecord, TheFactoryMakesFleetsWithTheGeneratedBadge) {
    EXPECT_EQ(factory_create_object(OBJECT_FLEET, 1), nullptr) << "one template";
    const GameObject *tmpl = factory_get_template(OBJECT_FLEET, 0);
    ASSERT_NE(tmpl, nullptr);
    ASSERT_GE(tmpl->frame_count, 1);
    ASSERT_NE(tmpl->frames[0], nullptr) << "fleet/000/png/000.png in the store";
    const Sprite *badge = tmpl->frames[0];
    // The symbol leaves holes for the owner's colour and has something to show.
    int32_t holes = 0, solid = 0;
    for (int32_t y = 0; y < badge->height; ++y)
        for (int32_t x = 0; x < badge->width; ++x) (mask_test(badge, x, y) ? solid : holes)++;
    EXPECT_GT(solid, 10);
    EXPECT_GT(holes, solid / 2);
    int32_t w = 0, h = 0;
    EXPECT_EQ(fleet_template_icon_size(0, &w, &h), RES_OK);
    EXPECT_EQ(std::pair(w, h), std::pair(badge->width + 3, badge->height + 3));
    EXPECT_EQ(fleet_template_icon_size(1, &w, &h), RES_OUT_OF_RANGE);

    Fleet *f = fleet_create();
    ASSERT_NE(f, nullptr);
    keep(f);
    EXPECT_EQ(object_get_icon(f), 1);
    EXPECT_EQ(f->w, badge->width + 3) << "the badge grows the size once";
    EXPECT_EQ(f->colour_r, 16) << "no owner";
    fleet_set_colour(f, 200, 10, 10);
    EXPECT_EQ(f->w, badge->width + 3);
    EXPECT_GE(f->ping_ms, 100);
    EXPECT_LE(f->ping_ms, 10000);
    EXPECT_EQ(std::pair(f->speed, f->cloak), std::pair(0, -1));
    EXPECT_EQ(f->display_name, "Ship");
}

TEST_F(FleetRecord, SpeedIsTheSlowestShipAZeroCountingOnlyAtTheEnd) {
    Fleet *f = fleet_at({ship(2, 6, FLEET_RED, "A"), ship(2, 0, FLEET_RED, "B"), ship(2, 4, FLEET_RED, "C")}, 500, 500, FLEET_RED);
    EXPECT_EQ(f->speed, 4) << "the 0 is replaced by the next ship's value";
    Fleet *g = fleet_at({ship(2, 6, FLEET_RED, "D"), ship(2, 0, FLEET_RED, "E")}, 600, 500, FLEET_RED);
    EXPECT_EQ(g->speed, 1) << "a last ship with 0";
    List<GameObject> none;
    EXPECT_EQ(ship_list_min_mp(&none), 0);
}

TEST_F(FleetRecord, NamesFollowTheShipCount) {
    Fleet *f = fleet_at({}, 500, 500, FLEET_RED);
    EXPECT_EQ(f->display_name, "Ship");
    std::vector<Ship *> ships;
    const char *expect[] = {"Lone", "Squadron", "Squadron", "Squadron", "Fleet", "Fleet"};
    for (int i = 0; i < 6; ++i) {
        ships.push_back(ship(2, 5, FLEET_RED, i == 0 ? "Lone" : "Other"));
        ship_set_fleet(ships.back(), f);
        EXPECT_EQ(f->display_name, expect[i]) << i + 1 << " ships";
        EXPECT_STREQ(object_get_name(f), expect[i]);
    }
    // Leaving keeps the order of the others; the last one out kills the fleet.
    ship_set_fleet(ships[2], nullptr);
    EXPECT_EQ(fleet_get_ship(f, 2), ships[3]);
    EXPECT_EQ(ships[2]->fleet_id, 0u);
    for (Ship *s : ships) ship_set_fleet(s, nullptr);
    EXPECT_TRUE(f->flags & OBJ_DEAD);
}

TEST_F(FleetRecord, CompositionRowsBreakAtHalfFromFourShips) {
    for (int32_t n : {3, 4, 5}) {
        std::vector<Ship *> ships;
        for (int32_t i = 0; i < n; ++i) ships.push_back(ship(2, 5, FLEET_RED, std::string(1, char('a' + i))));
        Fleet *f = fleet_at(ships, 500, 500 + n * 100, FLEET_RED);
        fleet_set_composite(f);
        ASSERT_EQ(int32_t(f->composition.size()), n);
        std::vector<int32_t> rows;
        for (const FleetCompEntry &e : f->composition) rows.push_back(e.y);
        const std::vector<int32_t> want = n == 3   ? std::vector<int32_t>{0, 0, 0}
                                          : n == 4 ? std::vector<int32_t>{0, 0, 30, 30}
                                                   : std::vector<int32_t>{0, 0, 30, 30, 30};
        EXPECT_EQ(rows, want) << n << " ships";
        EXPECT_EQ(f->composition[0].x, 0);
        const GameObject *first = fleet_get_ship(f, f->composition[0].ship);
        EXPECT_GE(f->composition[1].x, first->frame_w[f->composition[0].frame] + FLEET_ROW_GAP);
        EXPECT_LE(f->composition[1].x, first->frame_w[f->composition[0].frame] + FLEET_ROW_GAP + 4);
        // The box holds every ship drawn; the shape tests always hit.
        for (const FleetCompEntry &e : f->composition) {
            const GameObject *s = fleet_get_ship(f, e.ship);
            EXPECT_LE(e.x + s->frame_w[e.frame], f->w);
            EXPECT_LE(e.y + s->frame_h[e.frame], f->h);
        }
        EXPECT_EQ(object_point_test(f, f->x, f->y, f->x + f->w - 1, f->y + 1), 1);
    }
}

TEST_F(FleetRecord, CompositionFramesTurnWithTheFleetAndAHullWithoutRotationFramesShowsItsFirst) {
    Ship *s = ship(2, 5, FLEET_RED, "Turner"), *odd = ship(2, 5, FLEET_RED, "Odd"), *none = ship(2, 5, FLEET_RED, "None");
    odd->rot_first = 3;
    odd->rot_last = 1;   // a range of fewer than one frame
    none->rot_last = none->rot_first - 1;
    ASSERT_GT(s->rot_last - s->rot_first + 1, 1);
    Fleet *f = fleet_at({s, odd, none}, 500, 500, FLEET_RED);
    fleet_set_composite(f);
    ASSERT_EQ(f->composition.size(), 3u);
    std::set<int32_t> frames;
    for (int32_t heading = 0; heading < 360; heading += 10) {
        object_set_heading(f, heading);
        for (const FleetCompEntry &e : f->composition) {
            const Ship *member = ship_of(fleet_get_ship(f, e.ship));
            if (member == s) {
                EXPECT_GE(e.frame, s->rot_first);
                EXPECT_LE(e.frame, s->rot_last);
                frames.insert(e.frame);
            } else {
                EXPECT_EQ(e.frame, member->rot_first) << member->ship_name;
            }
        }
    }
    EXPECT_GT(frames.size(), 4u) << "the ship turns with the fleet";
}

TEST_F(FleetRecord, SortedShipsGoByNameWithLaterEqualsFirst) {
    Ship *b = ship(2, 5, FLEET_RED, "bravo"), *a = ship(2, 5, FLEET_RED, "Alpha"), *b2 = ship(2, 5, FLEET_RED, "bravo"),
         *c = ship(2, 5, FLEET_RED, "alpha");
    Fleet *f = fleet_at({b, a, b2, c}, 500, 500, FLEET_RED);
    List<GameObject> *sorted = fleet_sorted_ship_list(f);
    ASSERT_NE(sorted, nullptr);
    const std::vector<GameObject *> want = {a, c, b2, b};   // byte order: capitals first
    EXPECT_EQ(sorted->items, want);
    list_free(sorted);
    List<GameObject> all;
    for (GameObject *o : want) list_append(&all, o);
    EXPECT_TRUE(fleet_ships_all_in_list(f, &all));
    list_remove_value(&all, b2);
    EXPECT_FALSE(fleet_ships_all_in_list(f, &all));
}

TEST_F(FleetRecord, MeetingDistancesAreStrict) {
    Fleet *f = fleet_at({ship(2, 5, FLEET_RED, "F")}, 500, 500, FLEET_RED);
    Fleet *near = fleet_at({ship(2, 5, 99, "N")}, 512, 500, 99);
    Fleet *off = fleet_at({ship(2, 5, 99, "O")}, 500, 513, 99);
    Sector *s20 = star(0, 520, 700);
    Sector *s21 = star(0, 500, 621);
    fleet_set_move_target(f, near);
    EXPECT_TRUE(fleet_is_at(f, near)) << "12 pixels";
    EXPECT_FALSE(fleet_is_at(f, off)) << "13 pixels";
    fleet_bar_meetings(near);
    EXPECT_FALSE(fleet_is_at(f, near)) << "a barred target";
    EXPECT_TRUE(fleet_is_barred(near));
    object_advance_clock(near, 1);
    EXPECT_FALSE(fleet_is_barred(near)) << "until the next clock advance";
    object_set_position(f, 500 - f->w / 2, 700 - f->h / 2);
    EXPECT_TRUE(fleet_is_at(f, s20)) << "20 pixels from a sector";
    object_set_position(f, 500 - f->w / 2, 600 - f->h / 2);
    EXPECT_FALSE(fleet_is_at(f, s21)) << "21 pixels";
    fleet_set_move_target(f, nullptr);
    EXPECT_FALSE(fleet_is_at(f, s20)) << "without a target";
}

TEST_F(FleetRecord, SaveRecordLayoutAndRoundTrip) {
    Sector *goal = star(0, 900, 500);
    Ship *a = ship(2, 5, FLEET_RED, "A"), *b = ship(3, 5, FLEET_RED, "B");
    Fleet *f = fleet_at({a, b}, 500, 500, FLEET_RED);
    fleet_set_move_target(f, goal);
    f->saved_id_a = 0x0102030405060708ull;
    f->saved_id_b = 0x1112131415161718ull;
    f->known_ship_ids = {7, 8, 9};
    f->known_target_id = 55;
    f->known_speed = 13;
    Buffer *buf = buffer_create();
    ASSERT_EQ(object_write(f, buf), RES_OK);
    const uint8_t *data = nullptr;
    int32_t length = 0;
    ASSERT_EQ(buffer_get_data(buf, &data, &length), RES_OK);
    // The kind record is the tail: target ref (12), last x, y (8), b, a (16), flags (4), count (4),
    // two refs (24), known count (4), three ids (24), known target (8), known speed (4).
    const int32_t tail = 12 + 8 + 16 + 4 + 4 + 24 + 4 + 24 + 8 + 4;
    ASSERT_GT(length, tail);
    const uint8_t *k = data + length - tail;
    auto u32 = [](const uint8_t *p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; };
    EXPECT_EQ(u32(k), uint32_t(OBJECT_SECTOR));
    EXPECT_EQ(u32(k + 8), uint32_t(goal->id));
    EXPECT_EQ(u32(k + 20), 0x11121314u) << "saved_id_b before saved_id_a";
    EXPECT_EQ(u32(k + 28), 0x01020304u);
    EXPECT_EQ(u32(k + 40), 2u);
    EXPECT_EQ(u32(k + 44), uint32_t(OBJECT_SHIP));
    EXPECT_EQ(u32(k + 68), 3u);
    EXPECT_EQ(u32(k + tail - 4), 13u);

    buffer_set_cursor(buf, 0);
    GameObject *obj = nullptr;
    ASSERT_EQ(object_read(&obj, buf), RES_OK);
    Fleet *r = fleet_of(obj);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->saved_id_a, f->saved_id_a);
    EXPECT_EQ(r->known_ship_ids, f->known_ship_ids);
    EXPECT_EQ(r->known_target_id, 55u);
    ASSERT_NE(r->move_target, nullptr);
    EXPECT_TRUE(r->move_target->flags & OBJ_STUB);
    EXPECT_EQ(fleet_ship_count(r), 2);
    // Linked against the live objects: the stubs give way to them.
    const uint64_t saved_fleet_id = f->id;
    g_world.objects.erase(saved_fleet_id);
    object_release(f);   // the map still holds the original
    ASSERT_EQ(object_link(obj), RES_OK);
    EXPECT_EQ(r->move_target, goal);
    EXPECT_EQ(r->ships.items, (std::vector<GameObject *>{a, b}));
    EXPECT_EQ(r->speed, 5);
    object_detach(obj);
    object_destroy(obj);
    buffer_free(buf);
}

TEST_F(FleetRecord, HostileRecordsAreRefusedAndAZeroKnownCountLeavesNoOldIds) {
    struct Case {
        const char *what;
        int32_t     ship_count;
        std::vector<std::pair<int, uint64_t>> tail;   // (bytes, value) after the ship count
        Result      result;
    };
    const Case cases[] = {
        {"a negative ship count", -1, {}, RES_MALFORMED},
        {"2 GB of known ids in 8 bytes", 0, {{4, 0x10000000}, {8, 1}}, RES_SHORT_BUFFER},
        {"a cut ship reference", 2, {{4, OBJECT_SHIP}}, RES_SHORT_BUFFER},
        {"no ships, no known ids", 0, {{4, 0}, {8, 0}, {4, 0}}, RES_OK},
    };
    Fleet *f = fleet_create();
    keep(f);
    for (const Case &c : cases) {
        Buffer b;   // no target, last x and y, the two saved ids, the flags, then the ship count
        EXPECT_EQ(buffer_write_i32(&b, OBJECT_REF_NONE), RES_OK);
        for (int i = 0; i < 2; ++i) EXPECT_EQ(buffer_write_i32(&b, 0), RES_OK);
        for (int i = 0; i < 2; ++i) EXPECT_EQ(buffer_write_u64(&b, 0), RES_OK);
        EXPECT_EQ(buffer_write_u32(&b, 0), RES_OK);
        EXPECT_EQ(buffer_write_i32(&b, c.ship_count), RES_OK);
        for (auto [bytes, v] : c.tail) EXPECT_EQ(bytes == 4 ? buffer_write_u32(&b, uint32_t(v)) : buffer_write_u64(&b, v), RES_OK);
        f->known_ship_ids = {1, 2};
        EXPECT_EQ(fleet_read(f, &b), c.result) << c.what;
    }
    EXPECT_TRUE(f->known_ship_ids.empty()) << "a known count of 0 leaves no ids from an earlier read";
}

TEST_F(FleetRecord, LinkFailsOnMissingOrMismatchedObjectsAndCanBeRetried) {
    Ship *a = ship(2, 5, FLEET_RED, "A");
    Fleet *target = fleet_at({ship(2, 5, FLEET_RED, "T")}, 800, 500, FLEET_RED);
    Fleet *f = fleet_create();
    keep(f);
    // A fleet target stored as a sector reference: the kind does not match.
    f->move_target = object_create_stub(OBJECT_SECTOR, target->id);
    object_add_ref(f->move_target);
    EXPECT_EQ(object_link(f), RES_KIND_MISMATCH);
    object_destroy(f->move_target);
    f->move_target = object_create_stub(OBJECT_FLEET, 123456);
    object_add_ref(f->move_target);
    EXPECT_EQ(object_link(f), RES_UNRESOLVED_ID);
    f->move_target->id = target->id;
    GameObject *stub_a = object_create_stub(OBJECT_SHIP, a->id);
    GameObject *stub_b = object_create_stub(OBJECT_SHIP, 424242);
    object_add_ref(stub_a);
    object_add_ref(stub_b);
    list_append(&f->ships, stub_a);
    list_append(&f->ships, stub_b);
    EXPECT_EQ(object_link(f), RES_UNRESOLVED_ID) << "a ship that is not there";
    EXPECT_FALSE(f->flags & OBJ_LINKED);
    EXPECT_EQ(f->move_target, target) << "the target was found";
    Ship *late = ship(3, 5, FLEET_RED, "Late");
    stub_b->id = late->id;
    EXPECT_EQ(object_link(f), RES_OK);
    EXPECT_EQ(f->ships.items, (std::vector<GameObject *>{a, late}));
}

TEST_F(FleetRecord, SnapshotsKeepWhatWasSeen) {
    Sector *goal = star(0, 900, 500);
    std::vector<Ship *> ships;
    for (int i = 0; i < 5; ++i) ships.push_back(ship(2, 7 + i, FLEET_RED, "S"));
    Fleet *f = fleet_at(ships, 500, 500, FLEET_RED);
    fleet_set_move_target(f, goal);
    GameObject *snap = object_clone(f, -1);
    ASSERT_NE(snap, nullptr);
    Fleet *s = fleet_of(snap);
    EXPECT_TRUE(s->known_ship_ids.empty()) << "version -1 copies nothing of the kind";
    object_copy_record(snap, f, 2);
    ASSERT_EQ(s->known_ship_ids.size(), 5u);
    EXPECT_EQ(s->known_ship_ids[4], ships[4]->id);
    EXPECT_EQ(s->known_target_id, goal->id);
    EXPECT_EQ(std::tuple(s->known_speed, s->speed, s->scan_range), std::tuple(7, 7, 0));
    EXPECT_EQ(s->display_name, "Fleet");
    EXPECT_EQ(fleet_ship_count(s), 0) << "a snapshot holds no ships";
    object_destroy(snap);
}

TEST_F(FleetRecord, ThreatFadesWithDistanceFromEachEntry) {
    ThreatList *list = threat_list_create();
    ASSERT_NE(list, nullptr);
    list->entries.push_back({0, 1000, 1000, 400});
    EXPECT_EQ(fleet_threat_value(list, 1000 + 13, 1000), 400 * 15) << "within 13 pixels counts as on top";
    EXPECT_EQ(fleet_threat_value(list, 1000 + 14, 1000), 5189) << "f = 186: 5189.4";
    EXPECT_EQ(fleet_threat_value(list, 1000 + 200, 1000), 0);
    EXPECT_EQ(fleet_threat_value(list, 1000 + 300, 1000), 0);
    list->entries.push_back({1, 1100, 1000, 100});
    EXPECT_EQ(fleet_threat_value(list, 1050, 1000), 4218) << "3375 + 843.75, truncated at the end";
    threat_map_build(list, nullptr);
    EXPECT_TRUE(list->entries.empty());
    threat_list_free(list);
}

TEST_F(FleetRecord, TheThreatGridGivesTheWholeListsThreatEverywhere) {
    ThreatList list;
    ThreatGrid grid;
    const auto every_point_agrees = [&](int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t step) {
        threat_grid_build(&grid, &list);
        int32_t differ = 0, threatened = 0;
        for (int64_t y = y0; y <= y1; y += step)
            for (int64_t x = x0; x <= x1; x += step) {
                const int32_t whole = fleet_threat_value(&list, int32_t(x), int32_t(y));
                differ += threat_grid_value(&grid, int32_t(x), int32_t(y)) != whole;
                threatened += whole > 0;
            }
        EXPECT_EQ(differ, 0);
        return threatened;
    };
    EXPECT_EQ(every_point_agrees(-50, -50, 50, 50, 10), 0) << "an empty list threatens nothing";
    // Two clusters, strengths far apart so that the order of the sum shows in its rounding, and
    // points on every cell edge and at the reach's edge (a step that is prime to the cell).
    const int32_t strengths[] = {7, 4000000, 13, 999999, 1, 250000, 3};
    for (int32_t i = 0; i < 7; ++i) list.entries.push_back({i, 300 + 37 * i, 400 - 23 * i, strengths[i]});
    list.entries.push_back({7, 1200, 900, 5000});
    list.entries.push_back({8, 1201, 901, 17});
    EXPECT_GT(every_point_agrees(0, 0, 1500, 1200, 3), 1000);
    EXPECT_GT(grid.columns, 0) << "indexed";
    EXPECT_EQ(threat_grid_value(&grid, 1200 + 199, 900), fleet_threat_value(&list, 1200 + 199, 900));
    EXPECT_EQ(threat_grid_value(&grid, 1200, 900 - 199), fleet_threat_value(&list, 1200, 900 - 199));
    // Too widely spread to index, and far out in the plane: asked of the whole list.
    list.entries.push_back({9, 2000000, -2000000, 800});
    every_point_agrees(1999800, -2000200, 2000200, -1999800, 9);
    EXPECT_EQ(grid.columns, 0);
    list.entries = {{0, INT32_MAX - 50, INT32_MIN + 50, 600}};
    every_point_agrees(INT32_MAX - 300, INT32_MIN, INT32_MAX - 1, INT32_MIN + 250, 11);
}

using FleetTurns = FleetWorld;

TEST_F(FleetTurns, DeadShipsLeaveThroughTheSetterAndAnEmptiedFleetDies) {
    Ship *a = ship(2, 5, FLEET_RED, "A"), *b = ship(2, 9, FLEET_RED, "B"), *c = ship(2, 7, FLEET_RED, "C");
    Fleet *f = fleet_at({a, b, c}, 500, 500, FLEET_RED);
    EXPECT_EQ(f->speed, 5);
    a->flags |= OBJ_DEAD;
    object_reset_state(f);
    EXPECT_EQ(a->fleet_id, 0u) << "the dead ship has no fleet id left";
    ASSERT_EQ(fleet_ship_count(f), 2);
    EXPECT_EQ(f->ships.items, (std::vector<GameObject *>{b, c})) << "the order of the others is kept";
    EXPECT_EQ(f->speed, 7);
    b->flags |= OBJ_DEAD;
    c->flags |= OBJ_DEAD;
    object_purge_dead(f);
    EXPECT_EQ(std::tuple(fleet_ship_count(f), b->fleet_id, c->fleet_id, f->speed), std::tuple(0, 0u, 0u, 0));
    EXPECT_TRUE(f->flags & OBJ_DEAD);
}

TEST_F(FleetTurns, TravelKeepsTheShipsUnsettledAndClearsTheirOrders) {
    Sector *goal = star(0, 900, 500);
    Ship *s = ship(2, 5, FLEET_RED, "Mover");
    Fleet *f = fleet_at({s}, 500, 500, FLEET_RED);
    fleet_set_ships_attack_starbase(f, true);
    fleet_set_ships_survey(f, true);
    EXPECT_TRUE(fleet_any_ship_attacks_starbase(f));
    EXPECT_TRUE(fleet_any_ship_surveys(f));
    EXPECT_FALSE(fleet_any_ship_attacks_defences(f));
    fleet_set_move_target(f, goal);
    object_advance_clock(f, 30);
    EXPECT_FALSE(s->ship_flags & (SHIP_FLAG_ORDER_A | SHIP_FLAG_SURVEY | SHIP_FLAG_ORDER_B));
    EXPECT_TRUE(s->ship_flags & SHIP_FLAG_UNSETTLED);
    object_stop_travel(f);
    object_advance_clock(f, 30);
    EXPECT_FALSE(s->ship_flags & SHIP_FLAG_UNSETTLED);
    // A held travel waits for the galaxy turn, which also opens the next first scan.
    object_move_towards(f, goal->x, goal->y);
    object_hold_travel(f);
    f->fleet_flags |= FLEET_SCANNED;
    object_galaxy_turn(f);
    EXPECT_FALSE(f->flags & OBJ_TRAVEL_HELD);
    EXPECT_FALSE(f->fleet_flags & FLEET_SCANNED);
}

TEST_F(FleetTurns, TheUserPlayersFleetPingsOnlyBetweenDays) {
    game->ui_player_id = FLEET_RED;
    Fleet *f = fleet_at({ship(2, 5, FLEET_RED, "Pinger")}, 500, 500, FLEET_RED);
    fleet_enable_pings(f);
    f->ping_ms = 30;
    game->queued_minutes = 100;
    map_update(map, 40);
    EXPECT_EQ(f->ping_ms, 30) << "no ping while a day runs";
    EXPECT_EQ(list_count(&map->effects), 0);
    game->queued_minutes = 0;
    map_update(map, 40);
    EXPECT_EQ(f->ping_ms, FLEET_PING_MS);
    EXPECT_EQ(list_count(&map->effects) + list_count(&map->new_effects), 1) << "one pulse";
    Fleet *other = fleet_at({ship(2, 5, 99, "Foreign")}, 700, 500, 99);
    fleet_enable_pings(other);
    other->ping_ms = 10;
    map_update(map, 40);
    EXPECT_EQ(other->ping_ms, 10) << "only the user's fleets ping";
}

// ---- Drawing ----

class FleetDrawing : public FleetWorld {
protected:
    void SetUp() override {
        FleetWorld::SetUp();
        surface = gfx_create_surface32(W, H);
        ASSERT_NE(surface, nullptr);
        gfx_screen_attach(surface);
        g = gfx_get();
        ASSERT_NE(g, nullptr);
        ASSERT_EQ(gfx_select_primitives(4), RES_OK);
        g->width = W;
        g->height = H;
        // The rotation frames a composite fleet shows belong to the encounter group.
        for (int32_t hull : {2, 3, 5}) factory_acquire_group(OBJECT_SHIP, hull, FACTORY_GROUP_ENCOUNTER);
        ASSERT_EQ(factory_resolve_load_groups(), RES_OK);
    }
    void TearDown() override {
        (void)gfx_replay_frame(g, surface);   // runs what is left, which drops the sprite references
        gfx_destroy();
        gfx_screen_attach(nullptr);
        SDL_FreeSurface(surface);
        FleetWorld::TearDown();
    }
    Rgb at(int x, int y) const {
        const uint8_t *px = static_cast<const uint8_t *>(surface->pixels) + y * surface->pitch + x * 4;
        return {px[2], px[1], px[0]};
    }
    int32_t queued() const { return g->queue.length; }

    static constexpr int W = 320, H = 160;
    SDL_Surface *surface = nullptr;
    Graphics    *g = nullptr;
};

TEST_F(FleetDrawing, TheBadgeShowsTheOwnersColourAroundTheSymbol) {
    Fleet *f = fleet_at({ship(2, 5, FLEET_RED, "A"), ship(3, 5, FLEET_RED, "B")}, 500, 500, FLEET_RED);
    fleet_set_colour(f, 220, 40, 40);
    fleet_show_count(f);
    const Sprite *badge = f->frames[f->frame];
    ASSERT_NE(badge, nullptr);
    object_draw(f, g, 20, 30);
    ASSERT_EQ(gfx_replay_frame(g, surface), RES_OK);
    EXPECT_EQ(at(20, 30), (Rgb{24, 24, 24})) << "the frame's corner";
    EXPECT_EQ(at(20 + badge->width + 1, 30 + badge->height + 1), (Rgb{24, 24, 24})) << "the opposite corner";
    // Inside: holes of the symbol show the owner's colour, its hull stays light.
    int32_t tinted = 0, light = 0;
    for (int32_t y = 0; y < badge->height; ++y)
        for (int32_t x = 0; x < badge->width; ++x) {
            const Rgb c = at(21 + x, 31 + y);
            if (!mask_test(badge, x, y) && c.r > 2 * c.g && c.r > 2 * c.b && c.r > 60) ++tinted;
            if (mask_test(badge, x, y) && c.r > 200 && c.g > 200 && c.b > 200) ++light;
        }
    EXPECT_GT(tinted, badge->width * badge->height / 3);
    EXPECT_GT(light, 8);
    surface_write_png(surface, fresh_test_dir("fleets") + "/badge.png");
}

TEST_F(FleetDrawing, ACompositeFleetDrawsItsShipsAndAHiddenOneNothing) {
    std::vector<Ship *> ships = {ship(2, 5, FLEET_RED, "Arrow"), ship(3, 5, FLEET_RED, "Bolt"), ship(5, 5, FLEET_RED, "Crest")};
    Fleet *f = fleet_at(ships, 500, 500, FLEET_RED);
    fleet_set_composite(f);
    ASSERT_LE(f->w, W);
    ASSERT_LE(f->h, H);
    object_draw(f, g, 0, 0);
    ASSERT_EQ(gfx_replay_frame(g, surface), RES_OK);
    // Every ship left some of its pixels where the composition put it.
    for (const FleetCompEntry &e : f->composition) {
        const GameObject *s = fleet_get_ship(f, e.ship);
        const Sprite *sprite = s->frames[e.frame];
        ASSERT_NE(sprite, nullptr);
        int32_t drawn = 0;
        for (int32_t y = 0; y < sprite->height; ++y)
            for (int32_t x = 0; x < sprite->width; ++x)
                if (mask_test(sprite, x, y) && !(at(e.x + x, e.y + y) == Rgb{0, 0, 0})) ++drawn;
        EXPECT_GT(drawn, 0) << s->name;
    }

    fleet_set_hidden(f, true);
    EXPECT_TRUE(fleet_is_hidden(f));
    object_draw(f, g, 0, 0);
    EXPECT_EQ(queued(), 0) << "a hidden fleet queues nothing";
    fleet_set_hidden(f, false);
    object_draw(f, g, 0, 0);
    EXPECT_GT(queued(), 0);
}

}  // namespace
