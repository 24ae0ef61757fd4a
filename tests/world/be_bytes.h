#pragma once
// Big-endian words laid out by hand, independently of the game's Buffer codec: the files and
// records the tests hand to the game's readers.
#include <cstdint>
#include <string>
#include <vector>

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
