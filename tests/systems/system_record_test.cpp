// The 88-byte save record of a system: exact bytes, reading back, and refused records.
#include <gtest/gtest.h>

#include <iterator>
#include <tuple>

#include "platform/buffer.h"
#include "system_test_util.h"

namespace {

// The figures after type, subtype, status and flags, in record order.
constexpr int32_t System::*RECORD_FIGURES[] = {
    &System::spare, &System::mass, &System::power, &System::integrity, &System::max_integrity,
    &System::recharge_turns, &System::recharge_left, &System::range, &System::arc, &System::facing,
    &System::value, &System::ap_cost, &System::cost, &System::round_price, &System::rounds,
    &System::rounds_per_reload, &System::load_a, &System::load_b,
};
static_assert(std::size(RECORD_FIGURES) == 18);

using systest::SystemsTest;
using systest::use_type_store;

class SystemRecord : public SystemsTest {
protected:
    Buffer buf;

    void SetUp() override {
        SystemsTest::SetUp();
        use_type_store(dir);
        ASSERT_EQ(system_types_load(), RES_OK);
        live_loaded = system_live_count();
    }

    void load(const std::vector<uint8_t> &bytes) { refill(&buf, bytes); }

    // A record of the given type, subtype and flags whose figures 5..22 are 105..122.
    static std::vector<uint8_t> record(int32_t type, int32_t subtype, int32_t status, uint32_t flags) {
        std::vector<uint8_t> out;
        for (int64_t v : {int64_t(type), int64_t(subtype), int64_t(status), int64_t(flags)}) put_i32(&out, v);
        for (int v = 105; v <= 122; ++v) put_i32(&out, v);
        return out;
    }

    int64_t live_loaded = 0;
};

TEST_F(SystemRecord, IsTwentyTwoBigEndianWordsInRecordOrder) {
    System *s = system_create_subtype(0, 1);
    ASSERT_NE(s, nullptr);
    s->status = SYSTEM_STATUS_DAMAGED;
    s->flags = 0x01020304;
    for (size_t i = 0; i < 18; ++i) s->*RECORD_FIGURES[i] = int32_t(0x10000 * (i + 5) + 0xA0 + int(i));
    s->load_b = -2;   // a negative figure goes as its two's complement
    // Never written: the texts, the mount, the count, the AI's word.
    s->mount_index = s->mount_x = s->mount_y = s->mount_side = 77;
    s->refcount = 3;
    s->ai_candidates = 758;

    ASSERT_EQ(buffer_write_u8(&buf, 0xEE), RES_OK);   // appended after what is there
    ASSERT_EQ(system_write_record(s, &buf), RES_OK);
    ASSERT_EQ(buf.length, 1 + SYSTEM_RECORD_BYTES);
    const std::vector<uint8_t> expected = {
        0, 0, 0, 0,          0, 0, 0, 1,          0, 0, 0, 8,          0x01, 0x02, 0x03, 0x04,
        0, 5, 0, 0xA0,       0, 6, 0, 0xA1,       0, 7, 0, 0xA2,       0, 8, 0, 0xA3,
        0, 9, 0, 0xA4,       0, 10, 0, 0xA5,      0, 11, 0, 0xA6,      0, 12, 0, 0xA7,
        0, 13, 0, 0xA8,      0, 14, 0, 0xA9,      0, 15, 0, 0xAA,      0, 16, 0, 0xAB,
        0, 17, 0, 0xAC,      0, 18, 0, 0xAD,      0, 19, 0, 0xAE,      0, 20, 0, 0xAF,
        0, 21, 0, 0xB0,      0xFF, 0xFF, 0xFF, 0xFE,
    };
    ASSERT_EQ(expected.size(), size_t(SYSTEM_RECORD_BYTES));
    EXPECT_EQ(buf.data[0], 0xEE);
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(buf.data[1 + i], expected[i]) << "byte " << i;
    system_free(s);
}

TEST_F(SystemRecord, ReadingBackGivesTheSameSystemWithItsRowsTexts) {
    System *s = system_create_subtype(0, 2);
    ASSERT_NE(s, nullptr);
    s->status = SYSTEM_STATUS_DAMAGED;
    s->integrity = 12;
    s->recharge_left = 1;
    s->facing = 270;
    ASSERT_EQ(system_write_record(s, &buf), RES_OK);
    System *back = nullptr;
    ASSERT_EQ(system_read_record(&back, &buf), RES_OK);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(buf.cursor, SYSTEM_RECORD_BYTES);
    EXPECT_EQ(back->refcount, 0);
    // The figures are the record's (pinned byte for byte above); the texts come from the row.
    EXPECT_EQ(std::tie(back->name, back->shot_text), std::make_tuple(std::string("Lance III"), std::string("ray")));
    Buffer again;
    ASSERT_EQ(system_write_record(back, &again), RES_OK);
    ASSERT_EQ(again.length, SYSTEM_RECORD_BYTES);
    EXPECT_EQ(bytes_of(again), bytes_of(buf));
    system_free(s);
    system_free(back);
}

TEST_F(SystemRecord, SavedFiguresWinOverTheTemplateAndTheRow) {
    load(record(0, 1, 0, SYSTEM_FLAG_SUBTYPES | SYSTEM_FLAG_COMBAT));
    System *s = nullptr;
    ASSERT_EQ(system_read_record(&s, &buf), RES_OK);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->name, "Lance II");
    EXPECT_EQ(s->flags, SYSTEM_FLAG_SUBTYPES | SYSTEM_FLAG_COMBAT);
    for (size_t i = 0; i < std::size(RECORD_FIGURES); ++i) EXPECT_EQ(s->*RECORD_FIGURES[i], int32_t(105 + i)) << i;
    system_free(s);
}

TEST_F(SystemRecord, WithoutTheSubtypeFlagTheTemplateNameStandsAndTheSubtypeIsKept) {
    load(record(1, 9, 0, SYSTEM_FLAG_COMBAT));
    System *s = nullptr;
    ASSERT_EQ(system_read_record(&s, &buf), RES_OK);
    EXPECT_EQ(s->name, "Gun");
    EXPECT_EQ(s->shot_text, "Shells");
    EXPECT_EQ(s->aux_text, "Reloading");
    EXPECT_EQ(s->subtype, 9);
    system_free(s);
}

TEST_F(SystemRecord, ASubtypeOutsideTheRowsFailsAndLeavesNothing) {
    load(record(0, 3, 0, SYSTEM_FLAG_SUBTYPES));
    System *s = reinterpret_cast<System *>(&buf);   // must stay untouched
    EXPECT_EQ(system_read_record(&s, &buf), RES_OUT_OF_RANGE);
    EXPECT_EQ(s, reinterpret_cast<System *>(&buf));
    EXPECT_EQ(system_live_count(), live_loaded);
}

TEST_F(SystemRecord, ARecordCutShortAnywhereIsShortAndLeavesNothing) {
    const std::vector<uint8_t> full = record(0, 1, 0, SYSTEM_FLAG_SUBTYPES);
    for (size_t n = 0; n < full.size(); ++n) {
        load(std::vector<uint8_t>(full.begin(), full.begin() + std::ptrdiff_t(n)));
        System *s = nullptr;
        EXPECT_EQ(system_read_record(&s, &buf), RES_SHORT_BUFFER) << n << " bytes";
        EXPECT_EQ(s, nullptr) << n;
        EXPECT_EQ(system_live_count(), live_loaded) << n;
    }
}

TEST_F(SystemRecord, ATypeOutsideTheTableOrNoLoadedTypesIsRefused) {
    for (int32_t type : {30, -1, 0x7FFFFFFF}) {
        load(record(type, 0, 0, 0));
        System *s = nullptr;
        EXPECT_EQ(system_read_record(&s, &buf), RES_MALFORMED) << type;
        EXPECT_EQ(s, nullptr);
    }
    EXPECT_EQ(system_live_count(), live_loaded);
    system_types_free();
    load(record(1, 0, 0, 0));
    System *s = nullptr;
    EXPECT_EQ(system_read_record(&s, &buf), RES_TYPES_NOT_LOADED);
    EXPECT_EQ(s, nullptr);
}

TEST_F(SystemRecord, WithoutAnOutArgumentTheSystemIsFreed) {
    load(record(1, 0, 0, 0));
    EXPECT_EQ(system_read_record(nullptr, &buf), RES_OK);
    EXPECT_EQ(buf.cursor, SYSTEM_RECORD_BYTES);
    EXPECT_EQ(system_live_count(), live_loaded);
}

}  // namespace
