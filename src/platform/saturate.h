#pragma once
// Saturating arithmetic for numbers that come from files: a sum or product that an int32_t cannot
// hold sticks at the nearest limit instead of overflowing.
#include <cstdint>
#include <limits>

// The value clamped into the int32_t range.
constexpr int32_t saturate_i32(int64_t value) {
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

// a + b, held at the int32_t limits.
constexpr int32_t saturate_add_i32(int32_t a, int32_t b) { return saturate_i32(int64_t(a) + int64_t(b)); }
