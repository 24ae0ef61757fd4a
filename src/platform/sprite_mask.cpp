// Sprites: transparent and opaque spans, hit masks and the tests on them.
#include "platform/sprite.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/random.h"

namespace {

uint32_t load_pixel(const uint8_t *p, int bpp) {
    switch (bpp) {
    case 4: { uint32_t v; std::memcpy(&v, p, 4); return v; }
    case 3: return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
    case 2: return uint32_t(p[0]) | uint32_t(p[1]) << 8;
    default: return p[0];
    }
}

}  // namespace

void sprite_build_spans(Sprite *s) {
    s->spans.clear();
    s->mask_stride = (s->width + 7) / 8;
    s->mask.assign(size_t(s->mask_stride) * s->height, 0);
    s->mask_word_stride = (s->width + 63) / 64;
    s->mask_words.assign(size_t(s->mask_word_stride) * s->height, 0);
    s->mask_row_span.assign(2 * size_t(s->height), 0);
    s->mask_top = 0;
    s->mask_bottom = -1;
    s->mask_left = s->width;
    s->mask_right = -1;
    const int bpp = s->bytes_per_pixel;
    const uint8_t *p = s->pixels.data();
    for (int y = 0; y < s->height; ++y) {
        uint8_t *mask_row = s->mask.data() + size_t(y) * s->mask_stride;
        uint64_t *word_row = s->mask_words.data() + size_t(y) * s->mask_word_stride;
        bool opaque_run = false;   // the first run of a row counts as transparent
        uint32_t run = 0;
        int first = -1, last = -2;
        for (int x = 0; x < s->width; ++x, p += bpp) {
            bool opaque = load_pixel(p, bpp) != s->colour_key;
            if (opaque) {
                mask_row[x >> 3] |= uint8_t(0x80 >> (x & 7));
                word_row[x >> 6] |= uint64_t(1) << (63 - (x & 63));
                if (first < 0) first = x;
                last = x;
            }
            if (opaque != opaque_run) {
                s->spans.push_back(run);
                run = 0;
                opaque_run = opaque;
            }
            run += uint32_t(bpp);
        }
        if (run > 0) s->spans.push_back(run);
        s->spans.push_back(SPRITE_SPAN_END);
        s->mask_row_span[2 * size_t(y)] = first;
        s->mask_row_span[2 * size_t(y) + 1] = last;
        if (first < 0) continue;
        if (s->mask_bottom < s->mask_top) s->mask_top = y;
        s->mask_bottom = y;
        s->mask_left = std::min(s->mask_left, first);
        s->mask_right = std::max(s->mask_right, last);
    }
}

// ---------------------------------------------------------------------------------------------
// Hit tests

int mask_test(const Sprite *s, int x, int y) {
    if (!s || s->mask.empty() || x < 0 || y < 0 || x >= s->width || y >= s->height) return 0;
    return (s->mask[size_t(y) * s->mask_stride + (x >> 3)] >> (7 - (x & 7))) & 1;
}

// 64 bits of a mask row of words starting at column `col` (any integer); columns outside the row
// read 0 (the bits past the width are the zero padding of the row's last word).
static inline uint64_t mask_word_at(const uint64_t *row, int stride, int col) {
    const int word = col >> 6;   // arithmetic shift: floor for negatives
    const int shift = col & 63;
    const uint64_t high = (word >= 0 && word < stride) ? row[word] : 0;
    if (shift == 0) return high;
    const uint64_t low = (word + 1 >= 0 && word + 1 < stride) ? row[word + 1] : 0;
    return (high << shift) | (low >> (64 - shift));
}

int mask_overlap(const Sprite *a, const Sprite *b, int dx, int dy, int *x, int *y) {
    if (!a || !b || a->mask_words.empty() || b->mask_words.empty()) return 0;
    // Only rows and columns inside both masks' set boxes can meet; past them every row span is empty.
    const int64_t top = std::max<int64_t>({0, dy, a->mask_top, int64_t(b->mask_top) + dy});
    const int64_t bottom = std::min<int64_t>({a->height, int64_t(dy) + b->height, int64_t(a->mask_bottom) + 1,
                                              int64_t(b->mask_bottom) + 1 + dy});
    const int64_t left = std::max<int64_t>({0, dx, a->mask_left, int64_t(b->mask_left) + dx});
    const int64_t right = std::min<int64_t>({a->width, int64_t(dx) + b->width, int64_t(a->mask_right) + 1,
                                             int64_t(b->mask_right) + 1 + dx});
    if (top >= bottom || left >= right) return 0;
    // A row can only hit where the set columns of both rows meet. Within them, a's bits left of
    // `left` meet columns of b below 0 and those right of `right` the padding of one row or the
    // other: both read 0, so whole words need no edge masks. The sprites' boxes meet here, so dx
    // lies within (-b->width, a->width) and the shifted spans fit in 32 bits.
    const int32_t *span_a = a->mask_row_span.data() + 2 * size_t(top);
    const int32_t *span_b = b->mask_row_span.data() + 2 * size_t(top - dy);
    for (int ya = int(top); ya < int(bottom); ++ya, span_a += 2, span_b += 2) {
        const int32_t from = std::max(span_a[0], span_b[0] + dx);
        const int32_t to = std::min(span_a[1], span_b[1] + dx);
        if (from > to) continue;
        const int first_word = from >> 6, last_word = to >> 6;
        const uint64_t *row_a = a->mask_words.data() + size_t(ya) * a->mask_word_stride;
        const uint64_t *row_b = b->mask_words.data() + size_t(ya - dy) * b->mask_word_stride;
        for (int word = first_word; word <= last_word; ++word) {
            const uint64_t hit = row_a[word] & mask_word_at(row_b, b->mask_word_stride, word * 64 - dx);
            if (!hit) continue;
            if (x) *x = word * 64 + std::countl_zero(hit);
            if (y) *y = ya;
            return 1;
        }
    }
    return 0;
}

bool mask_random_opaque_pixel(const Sprite *s, int tries, int *x, int *y) {
    if (!s || s->width < 1 || s->height < 1 || s->mask.empty()) return false;
    if (std::none_of(s->mask.begin(), s->mask.end(), [](uint8_t b) { return b != 0; })) return false;
    for (int i = 0; i < tries; ++i) {
        int px = random_show_range(0, s->width - 1);
        int py = random_show_range(0, s->height - 1);
        if (mask_test(s, px, py)) {
            if (x) *x = px;
            if (y) *y = py;
            return true;
        }
    }
    return false;
}
