// Frame ranges from hostile parameter files: a ship's ranges past its frames are refused when the
// parameter group loads and never walked number by number; a site's frame range count is checked
// when read and when its frames are known, and the frame extent walks only frames the site has.
#include <chrono>
#include <climits>
#include <filesystem>
#include <unistd.h>
#include "platform/store_write.h"
#include "platform/str.h"
#include "ship_test_util.h"
#include "site_test_util.h"
#include "test_support.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto QUICK = std::chrono::seconds(1);

// ---- ships ---------------------------------------------------------------------------------------

// A private archive holding hull 3's frames from the generated store and its parameter file with
// the detail (offset) range's last frame replaced: that range has no table in the file, so the
// file still reads and only the check against the frames can refuse it.
class ShipFrameRanges : public shiptest::ShipTest {
protected:
    static constexpr int32_t HULL = 3;

    void TearDown() override {
        shiptest::ShipTest::TearDown();
        store_shutdown();
        if (!path.empty()) std::filesystem::remove(path);
    }

    std::vector<uint8_t> real_file(const std::string &asset) {
        Buffer *buf = nullptr;
        EXPECT_EQ(store_read_file(asset.c_str(), 1, &buf), RES_OK) << asset;
        std::vector<uint8_t> out;
        if (buf) out.assign(buf->data, buf->data + buf->length);
        buffer_free(buf);
        return out;
    }

    // Writes the private archive and makes it the store; the offset range becomes first..last.
    void archive_with_offset(int32_t first, int32_t last) {
        store_shutdown();
        store_set_path(ASTROVANE_BINARY_DIR "/store.dat");
        std::vector<StoreWriteEntry> entries;
        auto add = [&](const std::string &asset, std::vector<uint8_t> body) {
            StoreWriteEntry e;
            e.key = store_asset_key(asset.c_str());
            e.body = std::move(body);
            entries.push_back(std::move(e));
        };
        std::vector<uint8_t> params = real_file(str_format("ship/%.3i/dat/params.dat", HULL));
        ASSERT_GE(params.size(), 48u);
        // Flags, then rotation, icon, design, two single frames, picture, alternate range, offset range.
        constexpr size_t OFFSET_FIRST_AT = 40;
        for (int i = 0; i < 4; ++i) {
            params[OFFSET_FIRST_AT + size_t(i)] = uint8_t(uint32_t(first) >> (24 - 8 * i));
            params[OFFSET_FIRST_AT + 4 + size_t(i)] = uint8_t(uint32_t(last) >> (24 - 8 * i));
        }
        add(str_format("ship/%.3i/dat/params.dat", HULL), params);
        for (int f = 0;; ++f) {
            const std::string frame = str_format("ship/%.3i/png/%.3i.png", HULL, f);
            if (store_entry_size(store_get(), frame.c_str()) < 1) break;
            add(frame, real_file(frame));
            frames = f + 1;
        }
        store_shutdown();
        path = test_output_dir() + "/ship-ranges-" + std::to_string(::getpid()) + ".dat";
        std::filesystem::create_directories(test_output_dir());
        std::string error;
        ASSERT_EQ(store_write(path.c_str(), STORE_BUILD_ID, entries, &error), RES_OK) << error;
        store_set_path(path.c_str());
        ASSERT_EQ(store_open(), RES_OK);
    }

    Ship *blank_template() {
        Ship *t = ship({});
        t->subtype = HULL;
        t->flags |= OBJ_OWNS_FRAMES;   // as the factory's templates: the group's arrays are its own
        return t;
    }

    std::string path;
    int32_t frames = 0;
};

TEST_F(ShipFrameRanges, AnOffsetRangeEndsAtTheLastFrameAndOnlyMinusOneToMinusOneMeansNone) {
    archive_with_offset(0, 0);   // counts the frames
    const int32_t n = frames;
    ASSERT_GT(n, 1);
    struct Case {
        int32_t first, last;
        Result  result;
    };
    // A negative range walked frame by frame could take 2^32 steps; reversed ones are no better.
    for (Case c : {Case{0, INT32_MAX - 1, RES_MALFORMED}, Case{0, n, RES_MALFORMED}, Case{0, n - 1, RES_OK},
                   Case{-1, -1, RES_OK}, Case{INT32_MIN, -1, RES_MALFORMED}, Case{-5, 3, RES_MALFORMED},
                   Case{4, 2, RES_MALFORMED}, Case{-1, -2, RES_MALFORMED}}) {
        archive_with_offset(c.first, c.last);
        Ship *t = blank_template();
        const auto start = Clock::now();
        EXPECT_EQ(factory_load_group(t, FACTORY_GROUP_PARAMS), c.result) << c.first << ".." << c.last;
        EXPECT_LT(Clock::now() - start, QUICK);
        if (c.result == RES_OK) {
            EXPECT_EQ(std::pair(t->offset_last, t->frame_count), std::pair(c.last, n));
        }
    }
}

TEST_F(ShipFrameRanges, AGroupWalksOnlyTheFramesTheTemplateHas) {
    Ship *t = blank_template();
    shiptest::give_frames(t, {{10, 10}, {10, 10}, {10, 10}});
    t->rot_first = INT32_MIN;
    t->rot_last = INT32_MAX;
    t->offset_first = 0;
    t->offset_last = INT32_MAX;
    store_shutdown();
    store_set_path("/nonexistent/store.dat");
    const auto start = Clock::now();
    EXPECT_EQ(factory_load_group(t, FACTORY_GROUP_ENCOUNTER), RES_READ_FAILED);   // no sprites to load
    EXPECT_EQ(factory_load_group(t, FACTORY_GROUP_DETAIL), RES_READ_FAILED);
    EXPECT_EQ(factory_unload_group(t, FACTORY_GROUP_DETAIL), RES_OK);
    EXPECT_LT(Clock::now() - start, QUICK);
}

TEST_F(ShipFrameRanges, HeadingsOverAHugeRangeStayInsideIt) {
    Ship *s = blank_template();
    s->hull_flags |= HULL_FLAG_ROTATING;
    for (auto [first, last] : {std::pair{0, INT32_MAX - 1}, std::pair{INT32_MIN, INT32_MAX}, std::pair{7, 7}}) {
        s->rot_first = first;
        s->rot_last = last;
        for (int32_t heading : {INT32_MIN, -1, 0, 359, INT32_MAX}) {
            const int32_t frame = ship_frame_for_heading(s, heading);
            EXPECT_GE(frame, first) << heading;
            EXPECT_LE(frame, last) << heading;
        }
    }
}

// ---- stubs ----

// A saved reference read before the link step is only the common header: asking it for its name
// or any other kind figure (a saved fleet naming its ships does) must not reach the kind's record.
TEST(ObjectStubs, NoKindSlotSeesAStub) {
    for (int32_t kind : {OBJECT_SHIP, OBJECT_SECTOR, OBJECT_FLEET, OBJECT_SITE}) {
        GameObject *stub = object_create_stub(kind, 77);
        ASSERT_NE(stub, nullptr);
        EXPECT_STREQ(object_get_name(stub), "") << kind;
        EXPECT_EQ(object_get_evasion(stub), 0) << kind;
        object_destroy(stub);
    }
}

// ---- sites ---------------------------------------------------------------------------------------

class SiteFrameRanges : public sitetest::SiteFixture {};

TEST_F(SiteFrameRanges, ANegativeRangeStartOrCountIsMalformed) {
    for (auto [first, count] : {std::pair{0, -1}, std::pair{-5, 2}, std::pair{INT32_MIN, INT32_MIN}}) {
        sitetest::ParamsFile file;
        file.range_first = first;
        file.range_count = count;
        Buffer *buf = buffer_of(file.bytes());
        EXPECT_EQ(site_read_params(site_template(0), buf), RES_MALFORMED) << first << " " << count;
        buffer_free(buf);
    }
}

TEST_F(SiteFrameRanges, TheExtentWalksOnlyTheFramesTheSiteHasAndHoldsHugeOffsetsAtTheLimit) {
    sitetest::ParamsFile file;
    Site *tmpl = load(0, file);
    ASSERT_NE(tmpl, nullptr);
    Site *site = make(0);
    ASSERT_NE(site, nullptr);
    site->flags |= OBJ_OWNS_FRAMES;
    site->frame_count = 3;
    site->frames = new Sprite *[3]();
    site->frame_w = new int32_t[3]{10, 30, 20};
    site->frame_h = new int32_t[3]{5, 7, 40};
    struct Case {
        int32_t first, count, w, h;
    };
    for (Case c : {Case{0, INT32_MAX, 30, 40}, Case{1, 1, 30, 7}, Case{INT32_MAX - 1, 5, 0, 0},
                   Case{-2, 3, 10, 5}, Case{INT32_MIN, INT32_MAX, 0, 0}}) {
        site->params.frame_range_first = c.first;
        site->params.frame_range_count = c.count;
        site->params.range_offset_x = nullptr;
        site->params.range_offset_y = nullptr;
        int32_t w = -1, h = -1;
        const auto start = Clock::now();
        site_get_frame_extent(site, &w, &h);
        EXPECT_LT(Clock::now() - start, QUICK) << c.first << "+" << c.count;
        EXPECT_EQ(std::pair(w, h), std::pair(c.w, c.h)) << c.first << "+" << c.count;
    }
    // Each frame of the range grows by its own offset; huge offsets are held at the limit.
    int32_t xs[2] = {10, 0}, ys[2] = {1, 20};
    site->params.frame_range_first = 1;
    site->params.frame_range_count = 2;
    site->params.range_offset_x = xs;
    site->params.range_offset_y = ys;
    int32_t w = -1, h = -1;
    site_get_frame_extent(site, &w, &h);
    EXPECT_EQ(std::pair(w, h), std::pair(40, 60)) << "30 + 10 and 40 + 20";
    site->frame_w[0] = INT32_MAX;
    xs[0] = INT32_MAX, ys[0] = -10;
    site->params.frame_range_first = 0;
    site->params.frame_range_count = 1;
    site_get_frame_extent(site, &w, &h);
    EXPECT_EQ(std::pair(w, h), std::pair(INT32_MAX, 0));
    site->params = tmpl->params;
    object_destroy(site);
}

TEST_F(SiteFrameRanges, IdleChoicesFromTheFileCannotOverflow) {
    sitetest::ParamsFile file;
    file.idle_animation = INT32_MAX;
    file.idle_choices = INT32_MIN;
    ASSERT_NE(load(0, file), nullptr);
    Site *site = make(0);   // on creation the idle animation is drawn among the choices
    ASSERT_NE(site, nullptr);
    EXPECT_EQ(site->params.idle_animation, INT32_MAX);
    object_destroy(site);
}

}  // namespace
