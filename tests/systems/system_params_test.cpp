// The parameter-file reader against bytes laid out by hand.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include "platform/buffer.h"
#include "system_test_util.h"

namespace {

using systest::ParamsFile;

class SystemParams : public ::testing::Test {
protected:
    Buffer buf;
    System tmpl;

    void load(const std::vector<uint8_t> &bytes) { refill(&buf, bytes); }

    static ParamsFile two_rows() {
        ParamsFile f;
        f.name = "Ion Lance";
        f.flags = SYSTEM_FLAG_SUBTYPES | SYSTEM_FLAG_COMBAT;
        f.spare = 140, f.mass = 120, f.power = 12;
        f.rows = {{"Mk I", "slug", 1, 2, 3, 4, 5, 6, 7, 8, 9}, {"Mk II", "", 11, 12, 13, 14, 15, 16, 17, 18, 19}};
        f.load_a = 21, f.load_b = 22;
        return f;
    }
};

TEST_F(SystemParams, DecodesEveryFieldOfAFileInItsOrder) {
    // name "Ab", flags, then spare .. rounds_per_reload as 1..13, aux "x", shot "yz", no rows, loads.
    const std::vector<uint8_t> file = {
        0, 0, 0, 2, 'A', 'b',                 // name
        0, 0, 0x04, 0x29,                     // flags 0x429
        0, 0, 0, 1,  0, 0, 0, 2,  0, 0, 0, 3,  0, 0, 0, 4,  0, 0, 0, 5,  0, 0, 0, 6,  0, 0, 0, 7,
        0, 0, 0, 8,  0, 0, 0, 9,  0, 0, 0, 10, 0, 0, 0, 11, 0, 0, 0, 12, 0, 0, 0, 13,
        0, 0, 0, 1, 'x',                      // aux_text
        0, 0, 0, 2, 'y', 'z',                 // shot_text
        0, 0, 0, 0,                           // subtype count
        0xFF, 0xFF, 0xFF, 0xFE,               // load_a -2
        0x01, 0x02, 0x03, 0x04,               // load_b
    };
    load(file);
    ASSERT_EQ(system_read_params(&tmpl, &buf), RES_OK);
    EXPECT_EQ(tmpl.name, "Ab");
    EXPECT_EQ(tmpl.flags, 0x429u);
    const int32_t System::*in_order[] = {&System::spare, &System::mass, &System::power, &System::max_integrity,
                                         &System::recharge_turns, &System::range, &System::arc, &System::facing,
                                         &System::value, &System::ap_cost, &System::cost, &System::round_price,
                                         &System::rounds_per_reload};
    for (size_t i = 0; i < std::size(in_order); ++i) EXPECT_EQ(tmpl.*in_order[i], int32_t(i + 1)) << "field " << i;
    EXPECT_EQ(tmpl.aux_text, "x");
    EXPECT_EQ(tmpl.shot_text, "yz");
    EXPECT_EQ(tmpl.subtype_count, 0);
    EXPECT_TRUE(tmpl.subtypes.empty());
    EXPECT_EQ(tmpl.load_a, -2);
    EXPECT_EQ(tmpl.load_b, 0x01020304);
    EXPECT_EQ(buf.cursor, int32_t(file.size()));
}

TEST_F(SystemParams, SubtypeRowsFollowTheCountAndTheLoadFiguresComeLast) {
    load(two_rows().bytes());
    ASSERT_EQ(system_read_params(&tmpl, &buf), RES_OK);
    ASSERT_EQ(tmpl.subtype_count, 2);
    ASSERT_EQ(tmpl.subtypes.size(), 2u);
    const SystemSubtype &a = tmpl.subtypes[0], &b = tmpl.subtypes[1];
    EXPECT_EQ(a.name, "Mk I");
    EXPECT_EQ(a.shot_text, "slug");
    const int32_t SystemSubtype::*in_order[] = {&SystemSubtype::mass, &SystemSubtype::power, &SystemSubtype::value,
                                                &SystemSubtype::arc, &SystemSubtype::range, &SystemSubtype::ap_cost,
                                                &SystemSubtype::cost, &SystemSubtype::load_a, &SystemSubtype::load_b};
    for (size_t i = 0; i < std::size(in_order); ++i) {
        EXPECT_EQ(a.*in_order[i], int32_t(i + 1)) << "field " << i;
        EXPECT_EQ(b.*in_order[i], int32_t(i + 11)) << "field " << i;
    }
    EXPECT_EQ(b.name, "Mk II");
    EXPECT_EQ(b.shot_text, "");
    EXPECT_EQ(tmpl.load_a, 21);
    EXPECT_EQ(tmpl.load_b, 22);
}

TEST_F(SystemParams, BytesAfterTheLastFieldAreLeftUnread) {
    std::vector<uint8_t> bytes = two_rows().bytes();
    const size_t end = bytes.size();
    bytes.insert(bytes.end(), {0xDE, 0xAD, 0xBE, 0xEF, 0x00});
    load(bytes);
    ASSERT_EQ(system_read_params(&tmpl, &buf), RES_OK);
    EXPECT_EQ(buf.cursor, int32_t(end));
}

TEST_F(SystemParams, AFileCutShortAnywhereIsShortAndLeavesTheTemplateAsItWas) {
    const std::vector<uint8_t> full = two_rows().bytes();
    for (size_t n = 0; n < full.size(); ++n) {
        tmpl = System{};
        tmpl.name = "kept";
        tmpl.subtype_count = 1;
        tmpl.subtypes.push_back({"old row", "", 0, 0, 0, 0, 0, 0, 0, 0, 0});
        load(std::vector<uint8_t>(full.begin(), full.begin() + std::ptrdiff_t(n)));
        EXPECT_EQ(system_read_params(&tmpl, &buf), RES_SHORT_BUFFER) << n << " bytes";
        EXPECT_EQ(tmpl.name, "kept") << n;
        EXPECT_EQ(tmpl.subtype_count, 1) << n;
        ASSERT_EQ(tmpl.subtypes.size(), 1u) << n;
        EXPECT_EQ(tmpl.subtypes[0].name, "old row") << n;
    }
}

TEST_F(SystemParams, AHostileStringLengthIsRefused) {
    std::vector<uint8_t> bytes;
    put_i32(&bytes, 0x7FFFFFF0);   // a name of 2 GiB in a file of a few bytes
    bytes.insert(bytes.end(), {'a', 'b', 'c'});
    load(bytes);
    EXPECT_EQ(system_read_params(&tmpl, &buf), RES_SHORT_BUFFER);
    bytes.clear();
    put_i32(&bytes, 0xFFFFFFF0);   // negative
    load(bytes);
    EXPECT_EQ(system_read_params(&tmpl, &buf), RES_MALFORMED);
}

TEST_F(SystemParams, RowsInAFileOfATypeWithoutSubtypesAreRefused) {
    ParamsFile f = two_rows();
    f.flags &= ~SYSTEM_FLAG_SUBTYPES;
    load(f.bytes());
    EXPECT_EQ(system_read_params(&tmpl, &buf), RES_MALFORMED);
    EXPECT_TRUE(tmpl.subtypes.empty());
}

TEST_F(SystemParams, TheSubtypeFlagWithNoRowsGivesATemplateWithoutRows) {
    ParamsFile f = two_rows();
    f.rows.clear();
    load(f.bytes());
    ASSERT_EQ(system_read_params(&tmpl, &buf), RES_OK);
    EXPECT_EQ(tmpl.subtype_count, 0);
    EXPECT_TRUE(tmpl.subtypes.empty());
    EXPECT_EQ(tmpl.load_a, 21);
}

TEST_F(SystemParams, DecodingAgainReplacesTheEarlierRows) {
    load(two_rows().bytes());
    ASSERT_EQ(system_read_params(&tmpl, &buf), RES_OK);
    ParamsFile one = two_rows();
    one.name = "Other";
    one.rows = {{"Only", "s", 1, 1, 1, 1, 1, 1, 1, 1, 1}};
    load(one.bytes());
    ASSERT_EQ(system_read_params(&tmpl, &buf), RES_OK);
    EXPECT_EQ(tmpl.name, "Other");
    ASSERT_EQ(tmpl.subtype_count, 1);
    ASSERT_EQ(tmpl.subtypes.size(), 1u);
    EXPECT_EQ(tmpl.subtypes[0].name, "Only");
}

}  // namespace
