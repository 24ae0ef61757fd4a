// Random numbers: the rotating 624-word generator, the per-thread quick draws, the shuffle bag.
#include "platform/random.h"

#include <algorithm>
#include <new>

namespace {

constexpr int RNG_SHIFT_WORDS = 397;

// The quick generator: a 64-bit counter pushed through a mixing function (splitmix64). Small,
// seedable from 32 bits, and every output byte is usable.
thread_local uint64_t t_quick_state = 1;

uint32_t temper(uint32_t y) {
    y ^= rotate_right32(y, 11);
    y ^= rotate_left32(y, 7) & 0x9D2C5680u;
    y ^= rotate_left32(y, 15) & 0xEFC60000u;
    y ^= rotate_right32(y, 18);
    return y;
}

void regenerate(Rng *rng) {
    uint32_t *s = rng->state;
    for (int i = 0; i < RNG_STATE_WORDS; ++i) {
        uint32_t y = (s[i] & 0x80000000u) | (s[(i + 1) % RNG_STATE_WORDS] & 0x7FFFFFFFu);
        s[i] = s[(i + RNG_SHIFT_WORDS) % RNG_STATE_WORDS] ^ rotate_right32(y, 1);
        if (y & 1u) s[i] ^= 0x9908B0DFu;
    }
}

// lo + draw mod (hi - lo + 1), the span taken in 64 bits so that the full i32 range works.
int32_t range_from(uint32_t draw, int32_t lo, int32_t hi) {
    int64_t span = int64_t(hi) - int64_t(lo) + 1;
    return static_cast<int32_t>(int64_t(lo) + int64_t(random_magnitude(draw) % uint64_t(span)));
}

// Walks the weights with a running sum and returns the first index whose sum exceeds r.
int pick_weighted(const int32_t *weights, int count, int64_t r) {
    int64_t sum = 0;
    for (int i = 0; i < count; ++i) {
        sum += weights[i];
        if (sum > r) return i;
    }
    return count - 1;
}

}  // namespace

uint32_t rotate_right32(uint32_t value, uint32_t count) {
    count &= 31u;
    return count ? (value >> count) | (value << (32u - count)) : value;
}

uint32_t rotate_left32(uint32_t value, uint32_t count) {
    count &= 31u;
    return count ? (value << count) | (value >> (32u - count)) : value;
}

uint32_t random_magnitude(uint32_t value) {
    int64_t signed_value = static_cast<int32_t>(value);
    return static_cast<uint32_t>(signed_value < 0 ? -signed_value : signed_value);
}

// --- Rng ------------------------------------------------------------------------------------

Rng *rng_create() {
    Rng *rng = new (std::nothrow) Rng{};
    return rng;
}

void rng_free(Rng *rng) { delete rng; }

void rng_seed(Rng *rng, uint32_t seed) {
    uint32_t *s = rng->state;
    s[0] = seed;
    for (uint32_t i = 1; i < RNG_STATE_WORDS; ++i)
        s[i] = (s[i - 1] ^ rotate_right32(s[i - 1], 30)) * 1812433253u + i;
    // A reseeded generator starts its sequence afresh, exactly like a new one.
    rng->index = 0;
}

uint32_t rng_next(Rng *rng) {
    if (rng->index == 0) regenerate(rng);
    uint32_t y = temper(rng->state[rng->index]);
    rng->index = rng->index + 1 >= RNG_STATE_WORDS ? 0 : rng->index + 1;
    return y;
}

int32_t rng_range(Rng *rng, int32_t lo, int32_t hi) {
    if (int64_t(hi) - int64_t(lo) + 1 < 2) return lo;
    return range_from(rng_next(rng), lo, hi);
}

int rng_weighted_index(Rng *rng, const int32_t weights[RNG_WEIGHT_COUNT], int32_t total) {
    if (total < 1) return 0;
    int64_t r = total == 1 ? 0 : random_magnitude(rng_next(rng)) % uint32_t(total);
    return pick_weighted(weights, RNG_WEIGHT_COUNT, r);
}

// --- quick draws ----------------------------------------------------------------------------

void random_seed(uint32_t seed) { t_quick_state = seed; }

uint32_t random_raw() {
    uint64_t z = (t_quick_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<uint32_t>(z >> 32);
}

uint32_t random_u32() {
    uint32_t b1 = random_raw() & 0xFFu;
    uint32_t b2 = random_raw() & 0xFFu;
    uint32_t b3 = random_raw() & 0xFFu;
    uint32_t b4 = random_raw() & 0xFFu;
    return (b1 << 24) | (b2 << 16) | (b3 << 8) | b4;
}

int32_t random_range(int32_t lo, int32_t hi) {
    if (int64_t(hi) - int64_t(lo) + 1 < 2) return lo;
    return range_from(random_u32(), lo, hi);
}

int random_weighted_index(const int32_t *weights, int count, int32_t total) {
    if (total < 1 || count < 1 || !weights) return 0;
    int64_t r = total == 1 ? 0 : random_magnitude(random_u32()) % uint32_t(total);
    return pick_weighted(weights, count, r);
}

// --- shuffle bag ----------------------------------------------------------------------------

ShuffleBag *shuffle_create() { return new (std::nothrow) ShuffleBag; }

void shuffle_free(ShuffleBag *bag) {
    if (!bag) return;
    shuffle_clear(bag);
    delete bag;
}

int32_t shuffle_count(const ShuffleBag *bag) { return static_cast<int32_t>(bag->items.size()); }

void shuffle_set_free_fn(ShuffleBag *bag, ShuffleFreeFn *fn) { bag->free_fn = fn; }

void shuffle_reset(ShuffleBag *bag) {
    bag->size = bag->remaining = shuffle_count(bag);
    bag->index_set.resize(static_cast<size_t>(bag->size));
    for (int32_t i = 0; i < bag->size; ++i) bag->index_set[static_cast<size_t>(i)] = i;
}

void shuffle_clear(ShuffleBag *bag) {
    if (bag->free_fn)
        for (void *item : bag->items) bag->free_fn(item);
    bag->items.clear();
    bag->index_set.clear();
    bag->index_set.shrink_to_fit();
    bag->size = bag->remaining = 0;
}

void *shuffle_next(ShuffleBag *bag) {
    if (bag->remaining < 1) shuffle_reset(bag);
    if (bag->remaining < 1) return nullptr;
    int32_t j = bag->remaining == 1 ? 0 : int32_t(random_magnitude(random_u32()) % uint32_t(bag->remaining));
    int32_t index = bag->index_set[static_cast<size_t>(j)];
    void *item = index >= 0 && index < shuffle_count(bag) ? bag->items[static_cast<size_t>(index)] : nullptr;
    bag->index_set[static_cast<size_t>(j)] = bag->index_set[static_cast<size_t>(bag->remaining - 1)];
    bag->remaining -= 1;
    return item;
}

void shuffle_remove_item(ShuffleBag *bag, void *item) {
    auto first = std::remove(bag->items.begin(), bag->items.end(), item);
    if (first == bag->items.end()) return;
    bag->items.erase(first, bag->items.end());
    shuffle_reset(bag);
}
