#pragma once
// Big-endian words laid out by hand, independently of the game's Buffer codec: the files and
// records the tests hand to the game's readers; and the bytes between a Buffer and a vector.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>
#include "platform/buffer.h"

inline void put_u32(std::vector<uint8_t> *out, uint32_t u) {
    for (int shift = 24; shift >= 0; shift -= 8) out->push_back(uint8_t(u >> shift));
}
inline void put_i32(std::vector<uint8_t> *out, int64_t v) { put_u32(out, uint32_t(v)); }
inline void put_u64(std::vector<uint8_t> *out, uint64_t v) {
    put_u32(out, uint32_t(v >> 32));
    put_u32(out, uint32_t(v));
}
inline void put_str(std::vector<uint8_t> *out, const std::string &s) {
    put_u32(out, uint32_t(s.size()));
    out->insert(out->end(), s.begin(), s.end());
}

// Empties the buffer and fills it with the bytes, its cursor at the start.
inline void refill(Buffer *buf, const std::vector<uint8_t> &bytes) {
    buffer_clear(buf);
    buffer_set_cursor(buf, 0);
    ASSERT_EQ(buffer_append(buf, bytes.data(), bytes.size()), RES_OK);
}

inline std::vector<uint8_t> bytes_of(const Buffer &buf) { return std::vector<uint8_t>(buf.data, buf.data + buf.length); }

// A new buffer holding the bytes, its cursor at the start; the caller frees it.
inline Buffer *buffer_of(const std::vector<uint8_t> &bytes) {
    Buffer *buf = buffer_create();
    EXPECT_EQ(buffer_append(buf, bytes.data(), bytes.size()), RES_OK);
    buffer_set_cursor(buf, 0);
    return buf;
}
