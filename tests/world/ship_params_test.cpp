// Ship templates: the parameter file against hand-built bytes, the load groups over a small store,
// and every hull of the store the build generates.
#include "ship_test_util.h"

#include <filesystem>
#include <unistd.h>
#include "platform/sprite.h"
#include "platform/store_format.h"
#include "platform/store_write.h"
#include <png.h>

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
        load(&buf, p.bytes());
        return ship_read_params(t, &buf);
    }
};

TEST_F(ShipParams, EveryFieldLandsWhereTheFileSays) {
    ASSERT_EQ(read(sample()), RES_OK);
    EXPECT_EQ(t->hull_flags, 0x1u);
    EXPECT_EQ(t->rot_last, 3);
    EXPECT_EQ(t->icon_frame, 4);
    EXPECT_EQ(t->design_frame, 5);
    EXPECT_EQ(t->frame_c, -1);
    EXPECT_EQ(t->picture_frame, 6);
    EXPECT_EQ(t->alt_last, 8);
    EXPECT_EQ(t->extra_first, -1);
    EXPECT_EQ(t->offset_x, nullptr) << "offset flag 0: no tables";
    ASSERT_NE(t->centre_x, nullptr);
    EXPECT_EQ(*t->centre_x, (std::vector<int32_t>{10, 12, 14, 16}));
    EXPECT_EQ(*t->centre_y, (std::vector<int32_t>{11, 13, 15, 17}));
    EXPECT_EQ(t->base_max_armour, 120);
    EXPECT_EQ(t->base_max_crew, 80);
    EXPECT_EQ(t->speed, 150);
    EXPECT_EQ(t->base_mass, 1000);
    EXPECT_EQ(t->capacity_max, 140);
    EXPECT_EQ(t->roll_min, 5);
    EXPECT_EQ(t->roll_max, 9);
    EXPECT_EQ(t->base_scan_cost, 4);
    EXPECT_EQ(t->base_scan_range, 300);
    EXPECT_EQ(t->name, "Hand Hull");
    ASSERT_EQ(t->crit_count, 2);
    EXPECT_EQ(t->crits[0].x, 30);
    EXPECT_EQ(t->crits[0].position_count, 4);
    EXPECT_EQ((*t->crits[0].frame_x)[1], 12);
    EXPECT_EQ((*t->crits[0].frame_y)[1], 30);
    EXPECT_EQ(t->crits[0].display[0], 40);
    EXPECT_EQ(t->crits[0].display[2], 2);
    EXPECT_EQ(t->crits[1].mount_type, MOUNT_ENGINE);
    EXPECT_EQ(t->crits[1].direction, 2);
    EXPECT_EQ(t->crits[1].position_count, 0) << "k = 0: the crit keeps its position at every heading";
    EXPECT_EQ(t->crits[1].frame_x, nullptr);
    EXPECT_EQ(t->crits[0].order, 1) << "same row: the one further left reads first";
    EXPECT_EQ(t->crits[1].order, 0);
    EXPECT_EQ(t->base_cost, 700);
    EXPECT_EQ(t->base_build_a, 200);
    EXPECT_EQ(t->base_build_b, 900);
    EXPECT_EQ(t->tmpl_a, 5);
    EXPECT_EQ(t->tmpl_b, 2);
    EXPECT_EQ(t->tmpl_c, -1);
    EXPECT_EQ(t->death_duration, 1400);
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
        load(&buf, std::vector<uint8_t>(whole.begin(), whole.begin() + long(cut)));
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

// ---- Load groups over a small store ----

std::vector<uint8_t> png_rgba(int w, int h) {
    std::vector<uint8_t> px(size_t(w * h * 4), 0);
    for (int i = 0; i < w * h; ++i) px[size_t(i * 4) + 0] = 200, px[size_t(i * 4) + 3] = 255;
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t n) {
            auto *o = static_cast<std::vector<uint8_t> *>(png_get_io_ptr(p));
            o->insert(o->end(), data, data + n);
        },
        nullptr);
    png_set_IHDR(png, info, uint32_t(w), uint32_t(h), 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < h; ++y) png_write_row(png, &px[size_t(y * w * 4)]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

class ShipGroups : public ShipTest {
protected:
    std::string path;
    Ship *t = nullptr;

    // Template 0 of the sample parameters with frames 0..(frames-1), each (10 + i) wide.
    void use_store(int frames, int missing = -1) {
        std::vector<StoreWriteEntry> entries;
        auto add = [&](const std::string &asset, const std::vector<uint8_t> &body) {
            StoreWriteEntry e;
            e.key = store_asset_key(asset.c_str());
            e.body = body;
            entries.push_back(e);
        };
        add("ship/000/dat/params.dat", sample().bytes());
        char name[40];
        for (int i = 0; i < frames; ++i) {
            std::snprintf(name, sizeof name, "ship/000/png/%.3i.png", i);
            // A missing frame is one that is there for its size but does not decode.
            std::vector<uint8_t> body = png_rgba(10 + i, 8);
            if (i == missing) body.resize(body.size() - 20);
            add(name, body);
        }
        std::filesystem::create_directories(ASTROVANE_BINARY_DIR "/test-output");
        path = std::string(ASTROVANE_BINARY_DIR) + "/test-output/ship_groups_" + std::to_string(getpid()) + ".dat";
        std::string error;
        ASSERT_EQ(store_write(path.c_str(), STORE_BUILD_ID, entries, &error), RES_OK) << error;
        store_shutdown();
        store_set_path(path.c_str());
        ASSERT_EQ(store_open(), RES_OK);
    }
    void SetUp() override {
        ShipTest::SetUp();
        t = ship({});
        t->flags |= OBJ_OWNS_FRAMES;
        t->subtype = 0;
    }
    void TearDown() override {
        for (int g = 1; g <= 3; ++g) (void)factory_unload_group(t, g);
        store_shutdown();
        std::remove(path.c_str());
        ShipTest::TearDown();
    }
    int32_t holds(int32_t f) const { return t->frame_holds ? t->frame_holds->count[size_t(f)] : 0; }
};

TEST_F(ShipGroups, GroupZeroReadsTheParametersAndTheFrameSizes) {
    use_store(9);
    ASSERT_EQ(factory_load_group(t, 0), RES_OK);
    EXPECT_TRUE(t->ship_flags & SHIP_FLAG_TEMPLATE);
    EXPECT_EQ(t->name, "Hand Hull");
    ASSERT_EQ(t->frame_count, 9);
    EXPECT_EQ(t->frame_w[4], 14);
    ASSERT_NE(t->frame_sprites, nullptr);
    EXPECT_EQ(t->frames[0], nullptr);
    EXPECT_EQ(t->frame_sprites[8], nullptr);
}

TEST_F(ShipGroups, SpecialFramesAreTheSingleOnesAndTheSecondAndThirdRanges) {
    use_store(9);
    ASSERT_EQ(factory_load_group(t, 0), RES_OK);
    std::vector<int32_t> special;
    for (int32_t f = -1; f <= 9; ++f)
        if (ship_frame_is_special(t, f)) special.push_back(f);
    EXPECT_EQ(special, (std::vector<int32_t>{4, 5, 6, 7, 8}));
    t->frame_c = 1;
    t->extra_first = 2, t->extra_last = 2;
    EXPECT_EQ(ship_frame_is_special(t, 1), 1);
    EXPECT_EQ(ship_frame_is_special(t, 2), 1);
    t->icon_frame = 20;
    EXPECT_EQ(ship_frame_is_special(t, 20), 0) << "only frames that exist";
}

TEST_F(ShipGroups, EachGroupHoldsItsFramesAndTheOverlapSurvivesEitherUnload) {
    use_store(9);
    ASSERT_EQ(factory_load_group(t, 0), RES_OK);
    ASSERT_EQ(factory_load_group(t, 1), RES_OK);
    for (int32_t f : {4, 5, 6, 7, 8}) EXPECT_NE(t->frames[f], nullptr) << f;
    EXPECT_EQ(t->frames[0], nullptr);
    EXPECT_TRUE(t->frames[4]->flags & SPRITE_FLAG_OUTLINE_MAP) << "icon: outline and angle maps";
    EXPECT_TRUE(t->frames[5]->flags & SPRITE_FLAG_ANGLE_MAP) << "design frame too";
    EXPECT_FALSE(t->frames[6]->flags & SPRITE_FLAG_OUTLINE_MAP) << "the picture needs none";

    // Encounter frames and detail frames are both the rotation frames 0..3 here.
    ASSERT_EQ(factory_load_group(t, 2), RES_OK);
    ASSERT_EQ(factory_load_group(t, 3), RES_OK);
    EXPECT_EQ(holds(2), 2);
    Sprite *kept = t->frames[2];
    EXPECT_EQ(kept->refcount, 1);
    EXPECT_TRUE(kept->flags & SPRITE_FLAG_ANGLE_MAP);
    ASSERT_EQ(factory_unload_group(t, 3), RES_OK);
    EXPECT_EQ(t->frames[2], kept) << "the encounter still needs it";
    ASSERT_EQ(factory_unload_group(t, 2), RES_OK);
    EXPECT_EQ(t->frames[2], nullptr);
    ASSERT_EQ(factory_unload_group(t, 1), RES_OK);
    EXPECT_EQ(t->frames[4], nullptr);
}

TEST_F(ShipGroups, AFrameThatFailsLetsGoOfWhatTheGroupTook) {
    use_store(9, 2);
    ASSERT_EQ(factory_load_group(t, 0), RES_OK);
    EXPECT_EQ(factory_load_group(t, 2), RES_READ_FAILED);
    EXPECT_EQ(t->frames[0], nullptr);
    EXPECT_EQ(holds(0), 0);
    EXPECT_EQ(holds(1), 0);
}

TEST_F(ShipGroups, RangesPastTheFramesFailTheParameterGroup) {
    use_store(5);   // the parameters name frames up to 8
    EXPECT_EQ(factory_load_group(t, 0), RES_MALFORMED);
    use_store(9);
    ASSERT_EQ(factory_load_group(t, 0), RES_OK);
    t->frame_count = 5;   // as if the ranges had passed the frames after the check
    EXPECT_EQ(factory_load_group(t, 1), RES_OK) << "special frames are only those that exist";
    t->rot_last = 6;
    EXPECT_EQ(factory_load_group(t, 3), RES_OK);
    EXPECT_EQ(factory_unload_group(t, 3), RES_OK);
    EXPECT_EQ(factory_load_group(t, 2), RES_READ_FAILED) << "a rotation frame that is not there";
}

TEST_F(ShipGroups, AMissingParameterFileIsTheStoresFailure) {
    use_store(0);
    t->subtype = 3;
    EXPECT_EQ(factory_load_group(t, 0), RES_OPEN_FAILED);
}

}  // namespace
