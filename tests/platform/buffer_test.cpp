#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>
#include "platform/buffer.h"

namespace {

class BufferTest : public ::testing::Test {
protected:
    Buffer buf;

    std::vector<uint8_t> bytes() const { return {buf.data, buf.data + buf.length}; }
    void put_bytes(std::initializer_list<uint8_t> list) {
        std::vector<uint8_t> v(list);
        ASSERT_EQ(buffer_append(&buf, v.data(), v.size()), RES_OK);
    }
};

// ---- growth ----

class BufferGrowth : public BufferTest {};

TEST_F(BufferGrowth, StartsEmptyWithoutStorage) {
    Buffer *b = buffer_create();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->data, nullptr);
    EXPECT_EQ(b->length, 0);
    EXPECT_EQ(b->capacity, 0);
    EXPECT_EQ(b->growth_step, 1024);
    EXPECT_EQ(b->cursor, 0);
    buffer_free(b);
    buffer_free(nullptr);
}

TEST_F(BufferGrowth, GrowsInWholeStepsOf1024) {
    put_bytes({7});
    EXPECT_EQ(buf.capacity, 1024);
    std::vector<uint8_t> more(2000, 0xAB);
    ASSERT_EQ(buffer_append(&buf, more.data(), more.size()), RES_OK);
    EXPECT_EQ(buf.length, 2001);
    EXPECT_EQ(buf.capacity, 2048) << "1 + 2000 bytes fit in two steps";
    std::vector<uint8_t> again(1100, 0xCD);
    ASSERT_EQ(buffer_append(&buf, again.data(), again.size()), RES_OK);
    EXPECT_EQ(buf.length, 3101);
    EXPECT_EQ(buf.capacity, 4096) << "1053 bytes over capacity take two more steps";
    EXPECT_EQ(buf.data[0], 7);
    EXPECT_EQ(buf.data[2000], 0xAB);
    EXPECT_EQ(buf.data[3100], 0xCD);
}

TEST_F(BufferGrowth, FillingExactlyToCapacityDoesNotGrow) {
    std::vector<uint8_t> block(1024, 1);
    ASSERT_EQ(buffer_append(&buf, block.data(), block.size()), RES_OK);
    EXPECT_EQ(buf.capacity, 1024);
    put_bytes({2});
    EXPECT_EQ(buf.capacity, 2048);
}

TEST_F(BufferGrowth, AppendBeyondTheLengthLimitIsRefusedAndKeepsContents) {
    put_bytes({1, 2});
    static const uint8_t one = 0;
    EXPECT_EQ(buffer_append(&buf, &one, size_t{1} << 31), RES_NO_MEMORY);
    EXPECT_EQ(bytes(), (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(buf.capacity, 1024);
}

TEST_F(BufferGrowth, ClearKeepsCursorAndCapacity) {
    put_bytes({0, 0, 0, 1, 0, 0, 0, 2});
    uint32_t v = 0;
    ASSERT_EQ(buffer_read_u32(&buf, &v), RES_OK);
    buffer_clear(&buf);
    EXPECT_EQ(buf.length, 0);
    EXPECT_EQ(buf.capacity, 1024);
    EXPECT_EQ(buf.cursor, 4);
    put_bytes({0, 0, 0, 9});
    EXPECT_EQ(buffer_read_u32(&buf, &v), RES_SHORT_BUFFER) << "the cursor is still past the new data";
    buffer_set_cursor(&buf, 0);
    ASSERT_EQ(buffer_read_u32(&buf, &v), RES_OK);
    EXPECT_EQ(v, 9u);
}

TEST_F(BufferGrowth, TruncateOnlyShortens) {
    put_bytes({1, 2, 3, 4});
    buffer_truncate(&buf, 4);
    EXPECT_EQ(buf.length, 4);
    buffer_truncate(&buf, 9);
    EXPECT_EQ(buf.length, 4);
    buffer_truncate(&buf, -1);
    EXPECT_EQ(buf.length, 4);
    buffer_truncate(&buf, 2);
    EXPECT_EQ(buf.length, 2);
    buffer_truncate(&buf, 0);
    EXPECT_EQ(buf.length, 0);
}

TEST_F(BufferGrowth, GetDataReportsPointerAndLength) {
    put_bytes({5, 6, 7});
    const uint8_t *data = nullptr;
    int32_t length = -1;
    ASSERT_EQ(buffer_get_data(&buf, &data, &length), RES_OK);
    EXPECT_EQ(data, buf.data);
    EXPECT_EQ(length, 3);
    EXPECT_EQ(buffer_get_data(&buf, nullptr, nullptr), RES_OK);
}

// ---- exact wire bytes ----

class BufferWire : public BufferTest {};

TEST_F(BufferWire, U32IsBigEndian) {
    ASSERT_EQ(buffer_write_u32(&buf, 0x01020304u), RES_OK);
    EXPECT_EQ(bytes(), (std::vector<uint8_t>{1, 2, 3, 4}));
}

TEST_F(BufferWire, NegativeI32IsTwosComplement) {
    ASSERT_EQ(buffer_write_i32(&buf, -2), RES_OK);
    EXPECT_EQ(bytes(), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFE}));
}

TEST_F(BufferWire, U64GoesHighHalfFirst) {
    ASSERT_EQ(buffer_write_u64(&buf, (1ull << 32) + 2), RES_OK);
    EXPECT_EQ(bytes(), (std::vector<uint8_t>{0, 0, 0, 1, 0, 0, 0, 2}));
    buffer_clear(&buf);
    ASSERT_EQ(buffer_write_u64(&buf, 0x0102030405060708ull), RES_OK);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(buf.data[i], i + 1) << "byte " << i;
}

TEST_F(BufferWire, NegativeI64) {
    ASSERT_EQ(buffer_write_i64(&buf, -3), RES_OK);
    EXPECT_EQ(bytes(), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFD}));
}

TEST_F(BufferWire, FloatOneIsStoredLittleEndian) {
    ASSERT_EQ(buffer_write_f32(&buf, 1.0f), RES_OK);
    EXPECT_EQ(bytes(), (std::vector<uint8_t>{0x00, 0x00, 0x80, 0x3F}));
}

TEST_F(BufferWire, RawU32IsLittleEndian) {
    ASSERT_EQ(buffer_write_raw_u32(&buf, 0xC0490FDBu), RES_OK);   // -3.14159274f
    EXPECT_EQ(bytes(), (std::vector<uint8_t>{0xDB, 0x0F, 0x49, 0xC0}));
}

TEST_F(BufferWire, StringIsLengthThenBytesWithoutTerminator) {
    ASSERT_EQ(buffer_write_string(&buf, "Sol"), RES_OK);
    EXPECT_EQ(bytes(), (std::vector<uint8_t>{0, 0, 0, 3, 'S', 'o', 'l'}));
}

TEST_F(BufferWire, EmptyAndNullStringsAreLengthZero) {
    ASSERT_EQ(buffer_write_string(&buf, ""), RES_OK);
    ASSERT_EQ(buffer_write_string(&buf, static_cast<const char *>(nullptr)), RES_OK);
    ASSERT_EQ(buffer_write_string(&buf, std::string()), RES_OK);
    EXPECT_EQ(bytes(), (std::vector<uint8_t>(12, 0)));
}

TEST_F(BufferWire, StdStringKeepsEmbeddedZeroBytes) {
    ASSERT_EQ(buffer_write_string(&buf, std::string("a\0b", 3)), RES_OK);
    EXPECT_EQ(bytes(), (std::vector<uint8_t>{0, 0, 0, 3, 'a', 0, 'b'}));
}

TEST_F(BufferWire, U8IsOneByte) {
    ASSERT_EQ(buffer_write_u8(&buf, 0xE4), RES_OK);
    EXPECT_EQ(bytes(), (std::vector<uint8_t>{0xE4}));
}

// ---- readers ----

class BufferRead : public BufferTest {};

TEST_F(BufferRead, DecodesTheWireForms) {
    put_bytes({0xAB,                                  // u8
               0xFF, 0xFF, 0xFF, 0xFE,                // i32 -2
               0x80, 0x00, 0x00, 0x01,                // u32
               0, 0, 0, 1, 0, 0, 0, 2,                // u64 2^32 + 2
               0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFD,   // i64 -3
               0x00, 0x00, 0x80, 0x3F});              // f32 1.0
    uint8_t u8 = 0;
    int32_t i32 = 0;
    uint32_t u32 = 0;
    uint64_t u64 = 0;
    int64_t i64 = 0;
    float f = 0;
    ASSERT_EQ(buffer_read_u8(&buf, &u8), RES_OK);
    ASSERT_EQ(buffer_read_i32(&buf, &i32), RES_OK);
    ASSERT_EQ(buffer_read_be32(&buf, &u32), RES_OK);
    ASSERT_EQ(buffer_read_u64(&buf, &u64), RES_OK);
    ASSERT_EQ(buffer_read_i64(&buf, &i64), RES_OK);
    ASSERT_EQ(buffer_read_f32(&buf, &f), RES_OK);
    EXPECT_EQ(u8, 0xAB);
    EXPECT_EQ(i32, -2);
    EXPECT_EQ(u32, 0x80000001u);
    EXPECT_EQ(u64, 0x100000002ull);
    EXPECT_EQ(i64, -3);
    EXPECT_EQ(f, 1.0f);
    EXPECT_EQ(buf.cursor, buf.length);
    EXPECT_EQ(buffer_read_u8(&buf, &u8), RES_SHORT_BUFFER);
}

TEST_F(BufferRead, NullOutSkipsTheValue) {
    put_bytes({0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 2, 9});
    ASSERT_EQ(buffer_read_u32(&buf, nullptr), RES_OK);
    ASSERT_EQ(buffer_read_u64(&buf, nullptr), RES_OK);
    uint8_t last = 0;
    ASSERT_EQ(buffer_read_u8(&buf, &last), RES_OK);
    EXPECT_EQ(last, 9);
}

TEST_F(BufferRead, ShortReadsLeaveCursorAndOutUnchanged) {
    put_bytes({0, 0, 0, 1, 0xAA, 0xBB, 0xCC});
    ASSERT_EQ(buffer_read_u32(&buf, nullptr), RES_OK);
    uint32_t u32 = 77;
    int32_t i32 = 77;
    uint64_t u64 = 77;
    float f = 7.5f;
    EXPECT_EQ(buffer_read_u32(&buf, &u32), RES_SHORT_BUFFER);
    EXPECT_EQ(buffer_read_i32(&buf, &i32), RES_SHORT_BUFFER);
    EXPECT_EQ(buffer_read_u64(&buf, &u64), RES_SHORT_BUFFER);
    EXPECT_EQ(buffer_read_f32(&buf, &f), RES_SHORT_BUFFER);
    EXPECT_EQ(buf.cursor, 4);
    EXPECT_EQ(u32, 77u);
    EXPECT_EQ(i32, 77);
    EXPECT_EQ(u64, 77u);
    EXPECT_EQ(f, 7.5f);
}

TEST_F(BufferRead, EmptyBufferRefusesEveryRead) {
    uint8_t u8 = 0;
    std::string s;
    int32_t count = 0;
    EXPECT_EQ(buffer_read_u8(&buf, &u8), RES_SHORT_BUFFER);
    EXPECT_EQ(buffer_read_string(&buf, &s), RES_SHORT_BUFFER);
    EXPECT_EQ(buffer_read_count(&buf, 1, &count), RES_SHORT_BUFFER);
    EXPECT_EQ(buf.cursor, 0);
}

TEST_F(BufferRead, NegativeCursorCountsAsRewind) {
    put_bytes({0x11});
    buffer_set_cursor(&buf, -5);
    uint8_t v = 0;
    ASSERT_EQ(buffer_read_u8(&buf, &v), RES_OK);
    EXPECT_EQ(v, 0x11);
}

// ---- strings ----

class BufferString : public BufferTest {};

TEST_F(BufferString, EmptyStringReadsBackEmpty) {
    put_bytes({0, 0, 0, 0});
    std::string s = "old";
    ASSERT_EQ(buffer_read_string(&buf, &s), RES_OK);
    EXPECT_EQ(s, "");
    EXPECT_EQ(buf.cursor, 4);
}

TEST_F(BufferString, ReplacesThePreviousText) {
    put_bytes({0, 0, 0, 2, 'h', 'i', 0xFF});
    std::string s = "a much longer previous text";
    ASSERT_EQ(buffer_read_string(&buf, &s), RES_OK);
    EXPECT_EQ(s, "hi");
    EXPECT_EQ(buf.cursor, 6);
}

TEST_F(BufferString, TopBitLengthIsMalformed) {
    put_bytes({0x80, 0, 0, 0, 'x'});
    std::string s = "kept";
    EXPECT_EQ(buffer_read_string(&buf, &s), RES_MALFORMED);
    EXPECT_EQ(s, "kept");
    EXPECT_EQ(buf.cursor, 4) << "the length word has been consumed";
}

TEST_F(BufferString, OneByteShortFailsAfterTheLengthWord) {
    put_bytes({0, 0, 0, 10, '1', '2', '3', '4', '5', '6', '7', '8', '9'});
    std::string s = "kept";
    EXPECT_EQ(buffer_read_string(&buf, &s), RES_SHORT_BUFFER);
    EXPECT_EQ(s, "kept");
    EXPECT_EQ(buf.cursor, 4);
}

TEST_F(BufferString, ShortLengthWordLeavesCursor) {
    put_bytes({0, 0, 1});
    std::string s;
    EXPECT_EQ(buffer_read_string(&buf, &s), RES_SHORT_BUFFER);
    EXPECT_EQ(buf.cursor, 0);
}

TEST_F(BufferString, HostileLengthIsRefusedBeforeAllocating) {
    put_bytes({0x7F, 0xFF, 0xFF, 0xF0, 'a', 'b'});   // claims 2 GiB, holds 2 bytes
    std::string s;
    EXPECT_EQ(buffer_read_string(&buf, &s), RES_SHORT_BUFFER);
    EXPECT_EQ(s.capacity(), std::string().capacity()) << "nothing was reserved for the claimed length";
}

TEST_F(BufferString, RoundTripThroughWriter) {
    ASSERT_EQ(buffer_write_string(&buf, "Fore"), RES_OK);
    ASSERT_EQ(buffer_write_string(&buf, std::string("Starboard")), RES_OK);
    std::string a, b;
    ASSERT_EQ(buffer_read_string(&buf, &a), RES_OK);
    ASSERT_EQ(buffer_read_string(&buf, nullptr), RES_OK);
    ASSERT_EQ(buffer_read_string(&buf, &b), RES_SHORT_BUFFER);
    EXPECT_EQ(a, "Fore");
    EXPECT_EQ(b, "");
    EXPECT_EQ(buf.cursor, buf.length);
}

// ---- counts ----

class BufferCount : public BufferTest {};

TEST_F(BufferCount, AcceptsCountThatFitsTheBytesLeft) {
    put_bytes({0, 0, 0, 2, 1, 2, 3, 4, 5, 6, 7, 8});   // two items of 4 bytes
    int32_t count = -1;
    ASSERT_EQ(buffer_read_count(&buf, 4, &count), RES_OK);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(buf.cursor, 4);
}

TEST_F(BufferCount, RefusesOneItemTooMany) {
    put_bytes({0, 0, 0, 3, 1, 2, 3, 4, 5, 6, 7, 8});   // claims three 4-byte items, holds two
    int32_t count = -1;
    EXPECT_EQ(buffer_read_count(&buf, 4, &count), RES_SHORT_BUFFER);
    EXPECT_EQ(count, -1);
}

TEST_F(BufferCount, ProductIsComputedWithoutOverflow) {
    // 0x40000001 items of 8 bytes wrap to 8 bytes in 32 bits; in 64 bits they need 8 GiB.
    put_bytes({0x40, 0x00, 0x00, 0x01, 1, 2, 3, 4, 5, 6, 7, 8});
    int32_t count = -1;
    EXPECT_EQ(buffer_read_count(&buf, 8, &count), RES_SHORT_BUFFER);
    EXPECT_EQ(count, -1);
    buffer_set_cursor(&buf, 0);
    EXPECT_EQ(buffer_read_count(&buf, 0xFFFFFFFFu, &count), RES_SHORT_BUFFER);
}

TEST_F(BufferCount, NegativeCountIsMalformed) {
    put_bytes({0xFF, 0xFF, 0xFF, 0xFF});
    int32_t count = 5;
    EXPECT_EQ(buffer_read_count(&buf, 1, &count), RES_MALFORMED);
    EXPECT_EQ(count, 5);
}

TEST_F(BufferCount, ZeroCountNeedsNoBytes) {
    put_bytes({0, 0, 0, 0});
    int32_t count = -1;
    ASSERT_EQ(buffer_read_count(&buf, 100, &count), RES_OK);
    EXPECT_EQ(count, 0);
}

TEST_F(BufferCount, ZeroItemSizeCountsAsOneByte) {
    put_bytes({0, 0, 0, 2, 9});
    int32_t count = -1;
    EXPECT_EQ(buffer_read_count(&buf, 0, &count), RES_SHORT_BUFFER);
}

TEST_F(BufferCount, CursorPastTheEndRefusesEvenZero) {
    put_bytes({0, 0, 0, 0});
    buffer_set_cursor(&buf, 10);
    int32_t count = -1;
    EXPECT_EQ(buffer_read_count(&buf, 1, &count), RES_SHORT_BUFFER);
    EXPECT_EQ(buf.cursor, 10);
}

}  // namespace
