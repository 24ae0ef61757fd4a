// Ship templates: the parameter file against hand-built bytes and the frames of each load group.
#include "ship_test_util.h"

using namespace shiptest;

namespace {

struct CritBytes {
    int32_t x = 0, y = 0, mount = 0, direction = 0;
    std::vector<std::pair<int32_t, int32_t>> positions;
    int32_t display[4] = {0, 0, 0, 0};
};

// A parameter file laid out field by field in file order.
struct ParamsBytes {
    uint32_t hull_flags = 0x1;
    int32_t  rot_first = 0, rot_last = 3, icon = 4, design = 5, frame_c = -1, frame_d = -1, picture = 6;
    int32_t  alt_first = 7, alt_last = 8, offset_first = 0, offset_last = 3, extra_first = -1, extra_last = -1;
    std::vector<std::pair<int32_t, int32_t>> offsets;   // written with flag 1 when not empty
    std::vector<std::pair<int32_t, int32_t>> centres;
    int32_t  armour = 120, crew = 80, speed = 150, mass = 1000, capacity = 140, roll_min = 5, roll_max = 9;
    int32_t  scan_cost = 4, scan_range = 300;
    std::string name = "Hand Hull";
    std::vector<CritBytes> crits;
    int64_t  crit_count_override = -1;   // written instead of the crit count when not -1
    int32_t  cost = 700, build_a = 200, build_b = 900, tmpl_a = 5, tmpl_b = 2, tmpl_c = -1, death = 1400;

    std::vector<uint8_t> bytes() const {
        std::vector<uint8_t> out;
        put_u32(&out, hull_flags);
        for (int32_t v : {rot_first, rot_last, icon, design, frame_c, frame_d, picture, alt_first, alt_last,
                          offset_first, offset_last, extra_first, extra_last})
            put_i32(&out, v);
        for (const auto *table : {&offsets, &centres}) {
            put_i32(&out, table->empty() ? 0 : 1);
            for (auto [x, y] : *table) put_i32(&out, x), put_i32(&out, y);
        }
        for (int32_t v : {armour, crew, speed, mass, capacity, roll_min, roll_max, scan_cost, scan_range})
            put_i32(&out, v);
        put_str(&out, name);
        put_i32(&out, crit_count_override != -1 ? crit_count_override : int64_t(crits.size()));
        for (const CritBytes &c : crits) {
            for (int32_t v : {c.x, c.y, c.mount, c.direction}) put_i32(&out, v);
            put_i32(&out, int64_t(c.positions.size()));
            for (auto [x, y] : c.positions) put_i32(&out, x), put_i32(&out, y);
            for (int32_t v : c.display) put_i32(&out, v);
        }
        for (int32_t v : {cost, build_a, build_b, tmpl_a, tmpl_b, tmpl_c, death}) put_i32(&out, v);
        return out;
    }
};

ParamsBytes sample() {
    ParamsBytes p;
    p.centres = {{10, 11}, {12, 13}, {14, 15}, {16, 17}};
    CritBytes fore;
    fore.x = 30, fore.y = 12, fore.mount = MOUNT_SYSTEM, fore.direction = 0;
    fore.positions = {{30, 12}, {12, 30}, {0, 12}, {12, 0}};
    fore.display[0] = 40, fore.display[2] = 2;
    CritBytes engine;
    engine.x = 2, engine.y = 12, engine.mount = MOUNT_ENGINE, engine.direction = 2;
    p.crits = {fore, engine};
    return p;
}

class ShipParams : public ShipTest {
protected:
    Ship  *t = nullptr;
    Buffer buf;
    void SetUp() override {
        ShipTest::SetUp();
        t = ship({});
        t->ship_flags |= SHIP_FLAG_TEMPLATE;
    }
    Result read(const ParamsBytes &p) {
        refill(&buf, p.bytes());
        return ship_read_params(t, &buf);
    }
};

TEST_F(ShipParams, EveryFieldLandsWhereTheFileSays) {
    ASSERT_EQ(read(sample()), RES_OK);
    EXPECT_EQ(t->hull_flags, 0x1u);
    EXPECT_EQ(Ints({t->rot_first, t->rot_last, t->icon_frame, t->design_frame, t->frame_c, t->frame_d,
                    t->picture_frame, t->alt_first, t->alt_last, t->offset_first, t->offset_last, t->extra_first,
                    t->extra_last}),
              Ints({0, 3, 4, 5, -1, -1, 6, 7, 8, 0, 3, -1, -1}));
    EXPECT_EQ(t->offset_x, nullptr) << "offset flag 0: no tables";
    ASSERT_NE(t->centre_x, nullptr);
    EXPECT_EQ(*t->centre_x, Ints({10, 12, 14, 16}));
    EXPECT_EQ(*t->centre_y, Ints({11, 13, 15, 17}));
    EXPECT_EQ(Ints({t->base_max_armour, t->base_max_crew, t->speed, t->base_mass, t->capacity_max, t->roll_min,
                    t->roll_max, t->base_scan_cost, t->base_scan_range}),
              Ints({120, 80, 150, 1000, 140, 5, 9, 4, 300}));
    EXPECT_EQ(t->name, "Hand Hull");
    ASSERT_EQ(t->crit_count, 2);
    EXPECT_EQ(Ints({t->crits[0].x, t->crits[0].position_count, (*t->crits[0].frame_x)[1], (*t->crits[0].frame_y)[1]}),
              Ints({30, 4, 12, 30}));
    EXPECT_EQ(Ints(t->crits[0].display, t->crits[0].display + 4), Ints({40, 0, 2, 0}));
    EXPECT_EQ(t->crits[1].mount_type, MOUNT_ENGINE);
    EXPECT_EQ(t->crits[1].direction, 2);
    EXPECT_EQ(t->crits[1].position_count, 0) << "k = 0: the crit keeps its position at every heading";
    EXPECT_EQ(t->crits[1].frame_x, nullptr);
    EXPECT_EQ(t->crits[0].order, 1) << "same row: the one further left reads first";
    EXPECT_EQ(t->crits[1].order, 0);
    EXPECT_EQ(Ints({t->base_cost, t->base_build_a, t->base_build_b, t->tmpl_a, t->tmpl_b, t->tmpl_c, t->death_duration}),
              Ints({700, 200, 900, 5, 2, -1, 1400}));
    EXPECT_EQ(buffer_remaining(&buf), 0);
}

TEST_F(ShipParams, OffsetTablesCoverTheOffsetRange) {
    ParamsBytes p = sample();
    p.offset_first = 2, p.offset_last = 4;
    p.offsets = {{1, -1}, {2, -2}, {3, -3}};
    ASSERT_EQ(read(p), RES_OK);
    EXPECT_EQ(*t->offset_x, (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(*t->offset_y, (std::vector<int32_t>{-1, -2, -3}));
}

TEST_F(ShipParams, BadCritValuesFailTheWholeFile) {
    const auto bad = [&](auto change) {
        ParamsBytes p = sample();
        change(&p.crits[1]);
        return read(p);
    };
    EXPECT_EQ(bad([](CritBytes *c) { c->mount = 3; }), RES_MALFORMED);
    EXPECT_EQ(bad([](CritBytes *c) { c->mount = -1; }), RES_MALFORMED);
    EXPECT_EQ(bad([](CritBytes *c) { c->direction = 4; }), RES_MALFORMED);
    EXPECT_EQ(bad([](CritBytes *c) { c->direction = -1; }), RES_MALFORMED);
    EXPECT_EQ(bad([](CritBytes *c) { c->x = -1; }), RES_MALFORMED);
    EXPECT_EQ(bad([](CritBytes *c) { c->y = -1; }), RES_MALFORMED);
    EXPECT_EQ(bad([](CritBytes *c) { c->x = 0, c->y = 0, c->direction = 3; }), RES_OK);
}

TEST_F(ShipParams, CountsAreCheckedBeforeAnythingIsMade) {
    ParamsBytes p = sample();
    p.crit_count_override = -2;
    EXPECT_EQ(read(p), RES_MALFORMED);
    p.crit_count_override = 0x7FFFFFFF;   // far more than the bytes hold
    EXPECT_EQ(read(p), RES_SHORT_BUFFER);
    p = sample();
    p.rot_last = -1;   // a centre table over an empty rotation range
    EXPECT_EQ(read(p), RES_MALFORMED);
    p = sample();
    p.offset_last = 0x7FFFFFFE;   // an offset table the file cannot hold
    p.offsets = {{1, 1}};
    EXPECT_EQ(read(p), RES_SHORT_BUFFER);
}

TEST_F(ShipParams, AFileCutShortAnywhereIsShort) {
    const std::vector<uint8_t> whole = sample().bytes();
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        refill(&buf, std::vector<uint8_t>(whole.begin(), whole.begin() + long(cut)));
        const Result r = ship_read_params(t, &buf);
        EXPECT_EQ(r, RES_SHORT_BUFFER) << "cut at " << cut;
    }
}

TEST_F(ShipParams, ReadingAgainGivesNewTablesAndLeavesTheOldOnesToTheirShips) {
    ASSERT_EQ(read(sample()), RES_OK);
    Ship *made = ship({});
    object_copy_template(made, t);
    const std::vector<int32_t> *old_centres = made->centre_x.get();
    const std::vector<int32_t> *old_positions = made->crits[0].frame_x.get();
    ParamsBytes p = sample();
    p.centres = {{1, 1}, {2, 2}, {3, 3}, {4, 4}};
    p.crits[0].positions = {{9, 9}, {9, 9}, {9, 9}, {9, 9}};
    ASSERT_EQ(read(p), RES_OK);
    EXPECT_EQ((*made->centre_x)[0], 10) << "the ship keeps what it was made with";
    EXPECT_EQ(made->centre_x.get(), old_centres);
    EXPECT_EQ((*made->crits[0].frame_x)[0], 30);
    EXPECT_EQ(made->crits[0].frame_x.get(), old_positions);
    EXPECT_EQ((*t->centre_x)[0], 1);
}

// ---- Which frames each load group holds ----

TEST_F(ShipParams, GroupOneHoldsTheSpecialFramesAndTheRangesGoToTheEncounterAndDetailGroups) {
    ASSERT_EQ(read(sample()), RES_OK);   // rotation 0..3, icon 4, design 5, picture 6, alternates 7..8
    give_frames(t, std::vector<std::pair<int32_t, int32_t>>(9, {10, 8}));
    std::vector<int32_t> special;
    for (int32_t f = -1; f <= 9; ++f)
        if (ship_frame_is_special(t, f)) special.push_back(f);
    EXPECT_EQ(special, (std::vector<int32_t>{4, 5, 6, 7, 8})) << "only frames that exist";
    // (frame, with outline and angle maps) of each group.
    const auto group = [&](int32_t g) {
        std::vector<FactoryFrame> frames;
        ship_group_frames(t, g, &frames);
        std::vector<std::pair<int32_t, bool>> out;
        for (const FactoryFrame &f : frames) out.push_back({f.frame, f.maps});
        return out;
    };
    using Frames = std::vector<std::pair<int32_t, bool>>;
    EXPECT_EQ(group(FACTORY_GROUP_FRAMES), (Frames{{4, true}, {5, true}, {6, false}, {7, false}, {8, false}}))
        << "the icon and the design frame carry maps";
    EXPECT_EQ(group(FACTORY_GROUP_ENCOUNTER), (Frames{{0, true}, {1, true}, {2, true}, {3, true}}));
    EXPECT_EQ(group(FACTORY_GROUP_DETAIL), (Frames{{0, false}, {1, false}, {2, false}, {3, false}}));
    t->frame_c = 1;
    t->extra_first = 2, t->extra_last = 2;
    EXPECT_EQ(group(FACTORY_GROUP_ENCOUNTER), (Frames{{0, true}, {3, true}})) << "a special frame is group 1's alone";
}

}  // namespace
