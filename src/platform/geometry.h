#pragma once
// Geometry: the integer geometry every screen shares.
//  - Whole degrees 0..359 counter-clockwise on screen (0 right, 90 up); cos/sin tables x100 built
//    once on first use (thread-safe); the 400 x 400 distance table is built by the loaders on the
//    main thread before a game starts and only read afterwards.
//  - Only the distance table logs.
#include <atomic>
#include <cstdint>

constexpr int DISTANCE_TABLE_SIZE = 400;

int32_t     trig_cos100(int angle);           // cos x 100, rounded away from zero
int32_t     trig_sin100(int angle);           // -sin x 100 (screen y grows downwards)
// Inline: the combat planning turns and compares headings in its inner loops.
inline int angle_normalize(int a) {
    if (static_cast<unsigned>(a) < 360u) return a;   // most headings are whole already
    const int r = a % 360;
    return r < 0 ? r + 360 : r;
}
// The signed shortest turn; a half turn takes the other sign: d = 180 gives -180, d = -180 gives 180.
inline int angle_diff(int from, int to) {
    const int d = angle_normalize(to) - angle_normalize(from);
    if (d >= 180) return d - 360;
    if (d <= -180) return d + 360;
    return d;
}
int         angle_within(int a, int b, int arc);
int         angle_of_vector(int dx, int dy);
void        rotate_point(int angle, int radius, int *x, int *y);
namespace geometry_detail {
extern std::atomic<const int32_t *> distance_table;   // null until built
int32_t distance_beyond_table(int64_t ax, int64_t ay);
}  // namespace geometry_detail
// The whole part of the length of (dx, dy). Inline: the combat planning measures in its inner loops.
inline int32_t distance(int dx, int dy) {
    const int64_t ax = dx < 0 ? -int64_t(dx) : dx;
    const int64_t ay = dy < 0 ? -int64_t(dy) : dy;
    const int32_t *table = geometry_detail::distance_table.load(std::memory_order_acquire);
    if (table && ax < DISTANCE_TABLE_SIZE && ay < DISTANCE_TABLE_SIZE) return table[ay * DISTANCE_TABLE_SIZE + ax];
    return geometry_detail::distance_beyond_table(ax, ay);
}
void        distance_table_build();
void        distance_table_free();
bool        distance_table_ready();
const char *roman_numeral(int n);             // "I".."X" for 1..10, else ""
int         is_nan(double value);
