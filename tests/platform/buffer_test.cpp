#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <tuple>
#include <utility>
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

TEST_F(BufferGrowth, GrowsInWholeStepsOf1024OnlyWhenFull) {
    std::vector<uint8_t> block(1024, 7);
    ASSERT_EQ(buffer_append(&buf, block.data(), block.size()), RES_OK);
    EXPECT_EQ(buf.capacity, 1024) << "filling exactly to capacity does not grow";
    std::vector<uint8_t> more(977, 0xAB);
    ASSERT_EQ(buffer_append(&buf, more.data(), more.size()), RES_OK);
    EXPECT_EQ(buf.length, 2001);
    EXPECT_EQ(buf.capacity, 2048);
    std::vector<uint8_t> again(1100, 0xCD);
    ASSERT_EQ(buffer_append(&buf, again.data(), again.size()), RES_OK);
    EXPECT_EQ(buf.length, 3101);
    EXPECT_EQ(buf.capacity, 4096) << "1053 bytes over capacity take two more steps";
    EXPECT_EQ(buf.data[0], 7);
    EXPECT_EQ(buf.data[2000], 0xAB);
    EXPECT_EQ(buf.data[3100], 0xCD);
}

TEST_F(BufferGrowth, AppendBeyondTheLengthLimitIsRefusedAndClearKeepsCursorAndCapacity) {
    put_bytes({0, 0, 0, 1, 0, 0, 0, 2});
    static const uint8_t one = 0;
    EXPECT_EQ(buffer_append(&buf, &one, size_t{1} << 31), RES_NO_MEMORY);
    EXPECT_EQ(bytes(), (std::vector<uint8_t>{0, 0, 0, 1, 0, 0, 0, 2})) << "a refused append keeps the contents";
    EXPECT_EQ(buf.capacity, 1024);
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
    for (auto [to, length] : {std::pair(4, 4), std::pair(9, 4), std::pair(-1, 4), std::pair(2, 2), std::pair(0, 0)}) {
        buffer_truncate(&buf, to);
        EXPECT_EQ(buf.length, length) << "to " << to;
    }
}

// ---- exact wire bytes ----

class BufferWire : public BufferTest {};

TEST_F(BufferWire, EachWriterPutsItsExactBytes) {
    using B = std::vector<uint8_t>;
    const struct {
        const char *what;
        std::function<Result(Buffer *)> write;
        B bytes;
    } cases[] = {
        {"u32 big-endian", [](Buffer *b) { return buffer_write_u32(b, 0x01020304u); }, {1, 2, 3, 4}},
        {"negative i32", [](Buffer *b) { return buffer_write_i32(b, -2); }, {0xFF, 0xFF, 0xFF, 0xFE}},
        {"u64 high half first", [](Buffer *b) { return buffer_write_u64(b, (1ull << 32) + 2); }, {0, 0, 0, 1, 0, 0, 0, 2}},
        {"u64 byte order", [](Buffer *b) { return buffer_write_u64(b, 0x0102030405060708ull); }, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"negative i64", [](Buffer *b) { return buffer_write_i64(b, -3); },
         {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFD}},
        {"float little-endian", [](Buffer *b) { return buffer_write_f32(b, 1.0f); }, {0x00, 0x00, 0x80, 0x3F}},
        {"raw u32 little-endian", [](Buffer *b) { return buffer_write_raw_u32(b, 0xC0490FDBu); }, {0xDB, 0x0F, 0x49, 0xC0}},
        {"u8", [](Buffer *b) { return buffer_write_u8(b, 0xE4); }, {0xE4}},
        {"string: length, bytes, no terminator", [](Buffer *b) { return buffer_write_string(b, "Sol"); },
         {0, 0, 0, 3, 'S', 'o', 'l'}},
        {"empty string", [](Buffer *b) { return buffer_write_string(b, ""); }, {0, 0, 0, 0}},
        {"null string", [](Buffer *b) { return buffer_write_string(b, static_cast<const char *>(nullptr)); }, {0, 0, 0, 0}},
        {"empty std::string", [](Buffer *b) { return buffer_write_string(b, std::string()); }, {0, 0, 0, 0}},
        {"embedded zero byte", [](Buffer *b) { return buffer_write_string(b, std::string("a\0b", 3)); },
         {0, 0, 0, 3, 'a', 0, 'b'}},
    };
    for (const auto &c : cases) {
        buffer_clear(&buf);
        ASSERT_EQ(c.write(&buf), RES_OK) << c.what;
        EXPECT_EQ(bytes(), c.bytes) << c.what;
    }
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

TEST_F(BufferRead, NullOutSkipsTheValueAndANegativeCursorCountsAsRewind) {
    put_bytes({0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 2, 9});
    ASSERT_EQ(buffer_read_u32(&buf, nullptr), RES_OK);
    ASSERT_EQ(buffer_read_u64(&buf, nullptr), RES_OK);
    uint8_t last = 0;
    ASSERT_EQ(buffer_read_u8(&buf, &last), RES_OK);
    EXPECT_EQ(last, 9);
    buffer_set_cursor(&buf, -5);
    ASSERT_EQ(buffer_read_u8(&buf, &last), RES_OK);
    EXPECT_EQ(last, 0);
    EXPECT_EQ(buf.cursor, 1);
}

TEST_F(BufferRead, ShortReadsLeaveCursorAndOutUnchanged) {
    uint8_t u8 = 0;
    std::string s;
    int32_t count = 0;
    EXPECT_EQ(buffer_read_u8(&buf, &u8), RES_SHORT_BUFFER);
    EXPECT_EQ(buffer_read_string(&buf, &s), RES_SHORT_BUFFER);
    EXPECT_EQ(buffer_read_count(&buf, 1, &count), RES_SHORT_BUFFER);
    EXPECT_EQ(buf.cursor, 0) << "an empty buffer refuses every read";
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
    EXPECT_EQ(std::tuple(u32, i32, u64, f), std::tuple(77u, 77, uint64_t(77), 7.5f));
}

// ---- strings ----

class BufferString : public BufferTest {};

TEST_F(BufferString, ReadsReplaceTheTextOrLeaveItAndTheCursorWhereTheFormSays) {
    const struct {
        const char *what;
        std::vector<uint8_t> in;
        Result result;
        const char *text;   // what the string holds afterwards; it was "kept"
        int32_t cursor;
    } cases[] = {
        {"empty", {0, 0, 0, 0}, RES_OK, "", 4},
        {"replaces a longer text", {0, 0, 0, 2, 'h', 'i', 0xFF}, RES_OK, "hi", 6},
        {"top-bit length: the word is consumed", {0x80, 0, 0, 0, 'x'}, RES_MALFORMED, "kept", 4},
        {"one byte short fails after the length word", {0, 0, 0, 10, '1', '2', '3', '4', '5', '6', '7', '8', '9'},
         RES_SHORT_BUFFER, "kept", 4},
        {"short length word", {0, 0, 1}, RES_SHORT_BUFFER, "kept", 0},
    };
    for (const auto &c : cases) {
        buffer_clear(&buf);
        buffer_set_cursor(&buf, 0);
        ASSERT_EQ(buffer_append(&buf, c.in.data(), c.in.size()), RES_OK);
        std::string s = "kept";
        EXPECT_EQ(buffer_read_string(&buf, &s), c.result) << c.what;
        EXPECT_EQ(s, c.text) << c.what;
        EXPECT_EQ(buf.cursor, c.cursor) << c.what;
    }
}

TEST_F(BufferString, RoundTripThroughWriterAndAHostileLengthIsRefusedBeforeAllocating) {
    ASSERT_EQ(buffer_write_string(&buf, "Fore"), RES_OK);
    ASSERT_EQ(buffer_write_string(&buf, std::string("Starboard")), RES_OK);
    std::string a, b;
    ASSERT_EQ(buffer_read_string(&buf, &a), RES_OK);
    ASSERT_EQ(buffer_read_string(&buf, nullptr), RES_OK);
    ASSERT_EQ(buffer_read_string(&buf, &b), RES_SHORT_BUFFER);
    EXPECT_EQ(a, "Fore");
    EXPECT_EQ(b, "");
    EXPECT_EQ(buf.cursor, buf.length);
    put_bytes({0x7F, 0xFF, 0xFF, 0xF0, 'a', 'b'});   // claims 2 GiB, holds 2 bytes
    EXPECT_EQ(buffer_read_string(&buf, &b), RES_SHORT_BUFFER);
    EXPECT_EQ(b.capacity(), std::string().capacity()) << "nothing was reserved for the claimed length";
}

// ---- counts ----

class BufferCount : public BufferTest {};

TEST_F(BufferCount, ACountMustFitTheBytesLeft) {
    const struct {
        const char *what;
        std::vector<uint8_t> in;
        uint32_t item_size;
        int32_t start;   // the cursor before the read
        Result result;
        int32_t count;   // -1: left as it was
        int32_t cursor;
    } cases[] = {
        {"two 4-byte items", {0, 0, 0, 2, 1, 2, 3, 4, 5, 6, 7, 8}, 4, 0, RES_OK, 2, 4},
        {"one item too many", {0, 0, 0, 3, 1, 2, 3, 4, 5, 6, 7, 8}, 4, 0, RES_SHORT_BUFFER, -1, 4},
        // 0x40000001 items of 8 bytes wrap to 8 bytes in 32 bits; in 64 bits they need 8 GiB.
        {"product without overflow", {0x40, 0x00, 0x00, 0x01, 1, 2, 3, 4, 5, 6, 7, 8}, 8, 0, RES_SHORT_BUFFER, -1, 4},
        {"huge item size", {0, 0, 0, 1, 1, 2, 3, 4}, 0xFFFFFFFFu, 0, RES_SHORT_BUFFER, -1, 4},
        {"negative count", {0xFF, 0xFF, 0xFF, 0xFF}, 1, 0, RES_MALFORMED, -1, 4},
        {"zero needs no bytes", {0, 0, 0, 0}, 100, 0, RES_OK, 0, 4},
        {"a zero item size counts as one byte", {0, 0, 0, 2, 9}, 0, 0, RES_SHORT_BUFFER, -1, 4},
        {"cursor past the end refuses even zero", {0, 0, 0, 0}, 1, 10, RES_SHORT_BUFFER, -1, 10},
    };
    for (const auto &c : cases) {
        buffer_clear(&buf);
        ASSERT_EQ(buffer_append(&buf, c.in.data(), c.in.size()), RES_OK);
        buffer_set_cursor(&buf, c.start);
        int32_t count = -1;
        EXPECT_EQ(buffer_read_count(&buf, c.item_size, &count), c.result) << c.what;
        EXPECT_EQ(count, c.count) << c.what;
        EXPECT_EQ(buf.cursor, c.cursor) << c.what;
    }
}

}  // namespace
