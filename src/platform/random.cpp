// Random numbers: the rotating 624-word generator, the per-thread quick draws, the shuffle bag.
#include "platform/random.h"

#include <bit>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "platform/buffer.h"

namespace {

constexpr int RNG_SHIFT_WORDS = 397;

using random_detail::t_quick_state;
// The show draws' generator, of the quick one's kind (random.h); seeded with the quick one from a
// seed of its own.
constexpr uint64_t SHOW_SEED_MIX = 0x5DEECE66DA3B9F1Bull;
thread_local uint64_t t_show_state = 1 ^ SHOW_SEED_MIX;

// One word of the next block from the word it replaces, its successor and the word 397 further on.
uint32_t twist(uint32_t word, uint32_t next, uint32_t far) {
    const uint32_t y = (word & 0x80000000u) | (next & 0x7FFFFFFFu);
    return far ^ std::rotr(y, 1) ^ ((0u - (y & 1u)) & 0x9908B0DFu);
}

// Four neighbouring words at once: words[0..3] from themselves, words[1..4] and far[0..3].
void twist4(uint32_t *words, const uint32_t *far) {
    using Words4 = uint32_t __attribute__((vector_size(16)));
    Words4 word, next, distant;
    std::memcpy(&word, words, sizeof word);
    std::memcpy(&next, words + 1, sizeof next);
    std::memcpy(&distant, far, sizeof distant);
    const Words4 y = (word & 0x80000000u) | (next & 0x7FFFFFFFu);
    const Words4 rotated = (y >> 1) | (y << 31);
    const Words4 odd = (Words4{} - (y & 1u)) & 0x9908B0DFu;
    const Words4 out = distant ^ rotated ^ odd;
    std::memcpy(words, &out, sizeof out);
}

// The outputs of the block, four words at a time (rng_temper's steps on four lanes). The masks of
// the middle two steps clear the bits the rotations bring round, so plain shifts do for them.
void temper_block(Rng *rng) {
    using Words4 = uint32_t __attribute__((vector_size(16)));
    static_assert(RNG_STATE_WORDS % 4 == 0);
    static_assert((0x9D2C5680u & 0x7Fu) == 0 && (0xEFC60000u & 0x7FFFu) == 0);
    for (int i = 0; i < RNG_STATE_WORDS; i += 4) {
        Words4 y;
        std::memcpy(&y, rng->state + i, sizeof y);
        y ^= (y >> 11) | (y << 21);
        y ^= (y << 7) & 0x9D2C5680u;
        y ^= (y << 15) & 0xEFC60000u;
        y ^= (y >> 18) | (y << 14);
        std::memcpy(rng->out + i, &y, sizeof y);
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

// True for a state that can only ever produce zero: every word the regeneration reads is zero (it
// never reads the low 31 bits of word 0, which it overwrites first), so the block it makes is zero
// again, and so are the words still to be dealt before it. A saved game holding such a state would
// freeze whatever waits for two different draws.
bool rng_state_is_dead(const Rng *rng) {
    if (rng->state[0] & 0x80000000u) return false;
    for (int i = 1; i < RNG_STATE_WORDS; ++i)
        if (rng->state[i] != 0) return false;
    return true;
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

// The block is rebuilt in place, in order: words from 227 on read the far words already rebuilt,
// and the last word reads the new word 0. The loops are split where the far index wraps, so no
// index is taken modulo the block, and run four words at a time: a word reads only its successor
// (not yet rebuilt) and a far word at least 227 words away, so four neighbours never read each
// other's new values.
void rng_regenerate(Rng *rng) {
    uint32_t *s = rng->state;
    constexpr int wrap = RNG_STATE_WORDS - RNG_SHIFT_WORDS;   // 227
    int i = 0;
    for (; i + 4 <= wrap; i += 4) twist4(s + i, s + i + RNG_SHIFT_WORDS);
    for (; i < wrap; ++i) s[i] = twist(s[i], s[i + 1], s[i + RNG_SHIFT_WORDS]);
    for (; i + 4 <= RNG_STATE_WORDS - 1; i += 4) twist4(s + i, s + i - wrap);
    for (; i < RNG_STATE_WORDS - 1; ++i) s[i] = twist(s[i], s[i + 1], s[i - wrap]);
    s[i] = twist(s[i], s[0], s[i - wrap]);
    temper_block(rng);
}

Result rng_write(const Rng *rng, Buffer *buf) {
    for (uint32_t word : rng->state)
        if (Result r = buffer_write_u32(buf, word); r != RES_OK) return r;
    return buffer_write_u32(buf, rng->index);
}

Result rng_read(Rng **out, Buffer *buf) {
    std::unique_ptr<Rng, void (*)(Rng *)> rng(rng_create(), rng_free);
    if (!rng) return RES_NO_MEMORY;
    for (uint32_t &word : rng->state)
        if (Result r = buffer_read_u32(buf, &word); r != RES_OK) return r;
    if (Result r = buffer_read_u32(buf, &rng->index); r != RES_OK) return r;
    if (rng->index >= RNG_STATE_WORDS || rng_state_is_dead(rng.get())) return RES_MALFORMED;
    temper_block(rng.get());
    if (out) *out = rng.release();
    return RES_OK;
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

constinit thread_local uint64_t random_detail::t_quick_state = 1;

void random_seed(uint32_t seed) {
    t_quick_state = seed;
    t_show_state = seed ^ SHOW_SEED_MIX;
}

uint64_t random_state() { return t_quick_state; }
void random_set_state(uint64_t state) { t_quick_state = state; }

uint32_t random_worker_seed() { return random_u32(); }

using random_detail::packed_from;
using random_detail::raw_from;

uint32_t random_raw() { return raw_from(&t_quick_state); }

int32_t random_range(int32_t lo, int32_t hi) {
    if (int64_t(hi) - int64_t(lo) + 1 < 2) return lo;
    return range_from(random_u32(), lo, hi);
}

uint32_t random_show_u32() { return packed_from(&t_show_state); }

int32_t random_show_range(int32_t lo, int32_t hi) {
    if (int64_t(hi) - int64_t(lo) + 1 < 2) return lo;
    return range_from(packed_from(&t_show_state), lo, hi);
}

int random_weighted_index(const int32_t *weights, int count, int32_t total) {
    if (total < 1 || count < 1 || !weights) return 0;
    int64_t r = total == 1 ? 0 : random_magnitude(random_u32()) % uint32_t(total);
    return pick_weighted(weights, count, r);
}

// --- shuffle bag ----------------------------------------------------------------------------

void shuffle_state_reset(ShuffleState *state, int32_t item_count) {
    state->size = state->remaining = item_count;
    state->index_set.resize(static_cast<size_t>(item_count));
    for (int32_t i = 0; i < item_count; ++i) state->index_set[static_cast<size_t>(i)] = i;
}

int32_t shuffle_state_deal(ShuffleState *state, int32_t item_count) {
    if (state->remaining < 1) shuffle_state_reset(state, item_count);
    if (state->remaining < 1) return -1;
    const uint32_t remaining = static_cast<uint32_t>(state->remaining);
    const size_t j = remaining == 1 ? 0 : random_magnitude(random_u32()) % remaining;
    const int32_t index = state->index_set[j];
    state->index_set[j] = state->index_set[remaining - 1];
    state->remaining -= 1;
    return index;
}

Result shuffle_write(const ShuffleState *bag, Buffer *buf) {
    if (Result r = buffer_write_i32(buf, bag->size); r != RES_OK) return r;
    if (Result r = buffer_write_i32(buf, bag->remaining); r != RES_OK) return r;
    for (int32_t index : bag->index_set)
        if (Result r = buffer_write_i32(buf, index); r != RES_OK) return r;
    return RES_OK;
}

Result shuffle_read(ShuffleState *bag, Buffer *buf) {
    int32_t size = 0;
    int32_t remaining = 0;
    if (Result r = buffer_read_count(buf, 4, &size); r != RES_OK) return r;
    if (Result r = buffer_read_i32(buf, &remaining); r != RES_OK) return r;
    if (remaining < 0 || remaining > size) return RES_MALFORMED;
    if (buffer_remaining(buf) < int64_t(size) * 4) return RES_SHORT_BUFFER;
    std::vector<int32_t> index_set;
    try {
        index_set.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc &) {
        return RES_NO_MEMORY;
    }
    for (int32_t &index : index_set)
        if (Result r = buffer_read_i32(buf, &index); r != RES_OK) return r;
    bag->index_set = std::move(index_set);
    bag->size = size;
    bag->remaining = remaining;
    return RES_OK;
}
