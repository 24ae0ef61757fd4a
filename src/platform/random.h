#pragma once
// Random numbers: the saved generator Rng, the quick per-thread draws, and the ShuffleBag.
//  - Rng is a 624-word generator with the structure and constants of MT19937 in which every
//    shift is a 32-bit rotation; its state is part of save games (2,500 bytes: the 624 words,
//    then the index, all big-endian u32). Everything that must survive a save draws from one.
//  - Quick draws (random_u32, random_range, random_weighted_index, shuffle dealing) come from a
//    small generator kept per thread and seeded with random_seed: threads never disturb each
//    other's sequence. Every thread seeds its own: the main thread from the clock at start-up,
//    every other thread from random_worker_seed drawn by the thread that starts it.
//  - What is only seen (effects, particles, jitter, explosions' places and delays) draws from a
//    second quick generator of the thread, the show draws (random_show_u32, random_show_range): the
//    game's draws (hits, damage, workers' seeds) come in the battle's order, however many frames
//    were drawn or animated between them. random_seed seeds both; random_state is the game's alone.
//  - A 32-bit draw R is used through its magnitude |R as signed|, computed in 64 bits (the
//    magnitude of 0x80000000 is 2^31): a draw in lo..hi is lo + |R| mod (hi - lo + 1), and a
//    range of one value (or an empty one) returns lo without drawing.
//  - ShuffleBag deals its items without repetition until every one was dealt, then starts over.
//    Its dealing state is saved; its items are not (the owner refills them before reading).
//  - No locks: an Rng and a ShuffleBag belong to the thread that uses them.
//  - Result codes: rng_read gives RES_SHORT_BUFFER, RES_MALFORMED (index of 624 or more, or a
//    state that can only ever produce zero: the top bit of word 0 and words 1..623 all zero) or
//    RES_NO_MEMORY;
//    shuffle_read gives RES_MALFORMED, RES_SHORT_BUFFER or RES_NO_MEMORY; writers RES_NO_MEMORY.
#include <bit>
#include <cstdint>
#include <new>
#include <type_traits>
#include <vector>
#include "platform/list.h"
#include "platform/result.h"

struct Buffer;

constexpr int RNG_STATE_WORDS  = 624;
constexpr int RNG_SAVED_BYTES  = RNG_STATE_WORDS * 4 + 4;   // 2500
constexpr int RNG_WEIGHT_COUNT = 30;                        // entries of a weight table

struct Rng {
    uint32_t state[RNG_STATE_WORDS];
    uint32_t index;   // next output; 0 regenerates the block first
    // The outputs of the block (each state word tempered), made with it: a draw reads its output
    // instead of tempering a word. Only rng_regenerate and rng_read write the block, so words
    // written into state by hand take effect from the next block (index 0), as a seed does.
    uint32_t out[RNG_STATE_WORDS];
};

Rng     *rng_create();                          // zeroed state (draws 0 until seeded), index 0; null when out of memory
void     rng_free(Rng *rng);
void     rng_seed(Rng *rng, uint32_t seed);     // fills the state; index 0 (a fresh block next)
// Rebuilds the whole block from the current one (rng_next does, before the first output of each block).
void     rng_regenerate(Rng *rng);
// The output made of a state word.
inline uint32_t rng_temper(uint32_t y) {
    y ^= std::rotr(y, 11);
    y ^= std::rotl(y, 7) & 0x9D2C5680u;
    y ^= std::rotl(y, 15) & 0xEFC60000u;
    y ^= std::rotr(y, 18);
    return y;
}
// Inline: the combat planning draws these in its inner loops; the block is rebuilt every 624th call.
inline uint32_t rng_next(Rng *rng) {
    if (rng->index == 0) rng_regenerate(rng);
    const uint32_t y = rng->out[rng->index];
    rng->index = rng->index + 1 >= RNG_STATE_WORDS ? 0 : rng->index + 1;
    return y;
}
// A run of draws from one Rng by a loop that draws often: the generator's place is kept in the
// run (a local, so in a register) instead of being read and written back for every draw. Draws of
// a run are exactly rng_next's. rng_run_end puts the place back; nothing else may draw from the
// generator between rng_run_begin and rng_run_end.
struct RngRun {
    Rng *rng;
    uint32_t at;   // the next word to deal; RNG_STATE_WORDS when the block is used up
};
inline RngRun rng_run_begin(Rng *rng) { return {rng, rng->index == 0 ? uint32_t(RNG_STATE_WORDS) : rng->index}; }
inline uint32_t rng_run_next(RngRun *run) {
    if (run->at >= uint32_t(RNG_STATE_WORDS)) {
        rng_regenerate(run->rng);
        run->at = 0;
    }
    return run->rng->out[run->at++];
}
inline void rng_run_end(const RngRun &run) { run.rng->index = run.at >= uint32_t(RNG_STATE_WORDS) ? 0 : run.at; }
// The output `ahead` draws from now (0: the next one) without drawing it: false when it lies
// beyond the current block (the block is rebuilt before it is drawn).
inline bool rng_peek(const Rng *rng, uint32_t ahead, uint32_t *out) {
    if (rng->index == 0 || ahead >= uint32_t(RNG_STATE_WORDS) - rng->index) return false;
    *out = rng->out[rng->index + ahead];
    return true;
}
int32_t  rng_range(Rng *rng, int32_t lo, int32_t hi);   // lo..hi inclusive
// An index 0..29 drawn with probability weights[i] / total; 0 when total < 1.
int      rng_weighted_index(Rng *rng, const int32_t weights[RNG_WEIGHT_COUNT], int32_t total);
Result   rng_write(const Rng *rng, Buffer *buf);
// Reads the saved form into a new Rng stored through out (freed when out is null). On failure
// nothing is stored.
Result   rng_read(Rng **out, Buffer *buf);

uint32_t rotate_right32(uint32_t value, uint32_t count);   // count taken mod 32
uint32_t rotate_left32(uint32_t value, uint32_t count);

// |value read as a two's-complement i32|; 0x80000000 gives 0x80000000. Inline: every ranged draw
// takes one.
inline uint32_t random_magnitude(uint32_t value) {
    const int64_t signed_value = static_cast<int32_t>(value);
    return static_cast<uint32_t>(signed_value < 0 ? -signed_value : signed_value);
}

void     random_seed(uint32_t seed);   // seeds the calling thread's quick generator
// The seed of a worker's quick generator: a draw of the thread that starts it, so a worker's
// sequence follows its starter's seed (reproducible in tests, different between runs). The
// worker's first act is random_seed with it.
uint32_t random_worker_seed();
uint32_t random_raw();                 // the calling thread's next raw 32-bit value
// The calling thread's quick generator's whole state, to be put back later (a check that works
// something out twice rewinds the draws between the two).
uint64_t random_state();
void     random_set_state(uint64_t state);
namespace random_detail {
// The calling thread's quick generator: a 64-bit counter pushed through a mixing function
// (splitmix64). Small, seedable from 32 bits, and every output byte is usable.
extern constinit thread_local uint64_t t_quick_state;
inline uint32_t raw_from(uint64_t *state) {
    uint64_t z = (*state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<uint32_t>(z >> 32);
}
// Four raw values reduced to their low bytes, the first in the high byte; the state is read and
// written once.
inline uint32_t packed_from(uint64_t *state) {
    uint64_t s = *state;
    const uint32_t b1 = raw_from(&s) & 0xFFu;
    const uint32_t b2 = raw_from(&s) & 0xFFu;
    const uint32_t b3 = raw_from(&s) & 0xFFu;
    const uint32_t b4 = raw_from(&s) & 0xFFu;
    *state = s;
    return (b1 << 24) | (b2 << 16) | (b3 << 8) | b4;
}
}  // namespace random_detail

// Four raw draws reduced to their low bytes, the first drawn in the high byte. In line: the
// computer players' searches draw it hundreds of thousands of times a day.
inline uint32_t random_u32() { return random_detail::packed_from(&random_detail::t_quick_state); }
int32_t  random_range(int32_t lo, int32_t hi);   // lo..hi inclusive
// As rng_weighted_index over count weights; count - 1 when the draw passes every weight.
int      random_weighted_index(const int32_t *weights, int count, int32_t total);

// The show draws: as random_u32 and random_range, from the thread's second quick generator, which
// no game rule draws from.
uint32_t random_show_u32();
int32_t  random_show_range(int32_t lo, int32_t hi);   // lo..hi inclusive

// The dealing state of a bag, whatever its items: a set of item indices, the first `remaining`
// of which are still to deal.
struct ShuffleState {
    std::vector<int32_t> index_set;
    int32_t size = 0;        // item count when the set was last filled
    int32_t remaining = 0;
};

// A deck of items dealt without repetition. The owner fills `items` (list_append); the list's
// free callback decides whether the bag frees them.
template <typename T>
struct ShuffleBag : ShuffleState {
    List<T> items;
};

// Every index 0..item_count-1 available again, in order.
void    shuffle_state_reset(ShuffleState *state, int32_t item_count);
// Deals the next index (refilling the set first when it ran dry), or -1 when there are no items.
int32_t shuffle_state_deal(ShuffleState *state, int32_t item_count);
Result  shuffle_write(const ShuffleState *bag, Buffer *buf);
// Reads the saved dealing state into the bag; on failure the bag is unchanged.
Result  shuffle_read(ShuffleState *bag, Buffer *buf);

template <typename T>
ShuffleBag<T> *shuffle_create() { return new (std::nothrow) ShuffleBag<T>(); }   // null when out of memory

template <typename T>
int32_t shuffle_count(const ShuffleBag<T> *bag) { return list_count(&bag->items); }

template <typename T>
void shuffle_set_free_fn(ShuffleBag<T> *bag, typename List<T>::FreeFn *fn) { list_set_free_fn(&bag->items, fn); }

template <typename T>
void shuffle_reset(ShuffleBag<T> *bag) { shuffle_state_reset(bag, shuffle_count(bag)); }

// Frees the items through the list's callback and drops the dealing state.
template <typename T>
void shuffle_clear(ShuffleBag<T> *bag) {
    list_clear(&bag->items);
    bag->index_set.clear();
    bag->index_set.shrink_to_fit();
    bag->size = bag->remaining = 0;
}

template <typename T>
void shuffle_free(ShuffleBag<T> *bag) {   // null is ignored
    if (!bag) return;
    shuffle_clear(bag);
    delete bag;
}

// The next dealt item; null for an empty bag or for a saved index past the items.
template <typename T>
T *shuffle_next(ShuffleBag<T> *bag) {
    int32_t index = shuffle_state_deal(bag, shuffle_count(bag));
    return index < 0 ? nullptr : list_get(&bag->items, index);
}

// Removes every occurrence of the item (not freed) keeping the order of the rest; when there was
// one, every remaining item is available again.
template <typename T>
void shuffle_remove_item(ShuffleBag<T> *bag, const std::type_identity_t<T> *item) {
    if (!item) return;   // nulling null would never end
    bool found = false;
    while (list_null_value(&bag->items, item)) found = true;
    if (!found) return;
    list_compact(&bag->items);
    shuffle_reset(bag);
}
