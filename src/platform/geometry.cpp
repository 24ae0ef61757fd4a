// The integer geometry every screen shares: trigonometry tables, angles, distances, numerals.
#include "platform/geometry.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdint>
#include <new>
#include "platform/log.h"

namespace {

constexpr double DEGREE_TO_RADIAN = 0.01745329238474369;
constexpr double RADIAN_TO_DEGREE = 57.2957763671875;

struct TrigTables {
    int32_t cos100[360];
    int32_t sin100[360];
};

int32_t away_from_zero(double value) {
    if (std::fabs(value) < 0.001) return 0;
    return int32_t(value > 0 ? std::ceil(value) : std::floor(value));
}

const TrigTables &trig_tables() {
    static const TrigTables tables = [] {
        TrigTables t{};
        for (int a = 0; a < 360; ++a) {
            t.cos100[a] = away_from_zero(std::cos(a * DEGREE_TO_RADIAN) * 100.0);
            t.sin100[a] = away_from_zero(-std::sin(a * DEGREE_TO_RADIAN) * 100.0);
        }
        return t;
    }();
    return tables;
}

// 64-bit squares: 32-bit ones overflow past 46,340, and their sum is unsigned: two squares of 2^31
// (from INT_MIN) pass the signed range. The results beyond i32 are capped.
int32_t distance_computed(int64_t dx, int64_t dy) {
    const double d = std::sqrt(double(uint64_t(dx * dx) + uint64_t(dy * dy)));
    return d >= double(INT32_MAX) ? INT32_MAX : int32_t(d);
}

}  // namespace

int32_t trig_cos100(int angle) { return trig_tables().cos100[angle_normalize(angle)]; }
int32_t trig_sin100(int angle) { return trig_tables().sin100[angle_normalize(angle)]; }

int angle_within(int a, int b, int arc) {
    return std::abs(angle_diff(a, b)) <= arc / 2 ? 1 : 0;
}

namespace {

int angle_of_vector_computed(int dx, int dy) {
    // Summed unsigned, as distance does: two squares of 2^31 pass the signed range.
    const uint64_t squares = uint64_t(int64_t(dx) * dx) + uint64_t(int64_t(dy) * dy);
    if (squares == 0) return 0;
    const double length = std::sqrt(double(squares));
    // Far out the rounded length can fall a hair short of |dx|: the cosine stays within 1.
    const double t = std::acos(std::min(std::fabs(double(dx)) / length, 1.0)) * RADIAN_TO_DEGREE;
    double a;
    if (dx >= 0) a = dy <= 0 ? t : 360.0 - t;
    else a = dy >= 0 ? 180.0 + t : 180.0 - t;
    // Just below the x axis far out, t rounds to 0: a whole turn is heading 0.
    const int whole = int(a);
    return whole == 360 ? 0 : whole;
}

// Recent answers, per thread: the combat AI asks for the same few hundred vectors thousands of times
// while it weighs one ship's options, and the square root and arc cosine dominate its scoring.
struct AngleMemoSlot {
    int32_t dx, dy;
    int32_t angle_plus_one;   // 0: empty
};
constexpr uint32_t ANGLE_MEMO_SLOTS = 2048;
thread_local AngleMemoSlot t_angle_memo[ANGLE_MEMO_SLOTS];

}  // namespace

int angle_of_vector(int dx, int dy) {
    const uint32_t h = (uint32_t(dx) * 0x9E3779B1u ^ uint32_t(dy) * 0x85EBCA77u) >> 21;
    AngleMemoSlot &slot = t_angle_memo[h & (ANGLE_MEMO_SLOTS - 1)];
    if (slot.angle_plus_one != 0 && slot.dx == dx && slot.dy == dy) return slot.angle_plus_one - 1;
    const int a = angle_of_vector_computed(dx, dy);
    slot = AngleMemoSlot{dx, dy, a + 1};
    return a;
}

void rotate_point(int angle, int radius, int *x, int *y) {
    const int a = angle_normalize(angle);
    if (x) *x = int(int64_t(trig_tables().cos100[a]) * radius / 100);
    if (y) *y = int(int64_t(trig_tables().sin100[a]) * radius / 100);
}

std::atomic<const int32_t *> geometry_detail::distance_table{nullptr};

int32_t geometry_detail::distance_beyond_table(int64_t ax, int64_t ay) { return distance_computed(ax, ay); }

void distance_table_build() {
    if (geometry_detail::distance_table.load(std::memory_order_acquire)) return;
    const int size = DISTANCE_TABLE_SIZE;
    log_write(LOG_GAME, LOG_DEBUG, "Compute distance table (size %i)", size);
    auto *table = new (std::nothrow) int32_t[size_t(size) * size];
    if (!table) {
        log_write(LOG_GAME, LOG_ERROR, "Failed to allocate %i bytes for a distance table (size %i)",
                  int(sizeof(int32_t)) * size * size, size);
        return;
    }
    for (int dy = 0; dy < size; ++dy)
        for (int dx = 0; dx < size; ++dx) table[dy * size + dx] = distance_computed(dx, dy);
    geometry_detail::distance_table.store(table, std::memory_order_release);
}

void distance_table_free() {
    delete[] geometry_detail::distance_table.exchange(nullptr, std::memory_order_acq_rel);
}

bool distance_table_ready() {
    return geometry_detail::distance_table.load(std::memory_order_acquire) != nullptr;
}

const char *roman_numeral(int n) {
    static const char *const NUMERALS[] = {"I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX", "X"};
    return n >= 1 && n <= 10 ? NUMERALS[n - 1] : "";
}

int is_nan(double value) {
    return std::isnan(value) ? 1 : 0;
}

