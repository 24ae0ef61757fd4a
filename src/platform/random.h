#pragma once
// Random numbers: the saved generator Rng, the quick per-thread draws, and the ShuffleBag.
//  - Rng is a 624-word generator with the structure and constants of MT19937 in which every
//    shift is a 32-bit rotation; its state is part of save games (2,500 bytes: the 624 words,
//    then the index, all big-endian u32). Everything that must survive a save draws from one.
//  - Quick draws (random_u32, random_range, random_weighted_index, shuffle dealing) come from a
//    small generator kept per thread and seeded with random_seed: threads never disturb each
//    other's sequence. A thread that never seeds behaves as if seeded with 1.
//  - A 32-bit draw R is used through its magnitude |R as signed|, computed in 64 bits (the
//    magnitude of 0x80000000 is 2^31): a draw in lo..hi is lo + |R| mod (hi - lo + 1), and a
//    range of one value (or an empty one) returns lo without drawing.
//  - ShuffleBag deals its items without repetition until every one was dealt, then starts over.
//    Its dealing state is saved; its items are not (the owner refills them before reading).
//  - No locks: an Rng and a ShuffleBag belong to the thread that uses them.
//  - Result codes: rng_read gives RES_SHORT_BUFFER or RES_MALFORMED (index of 624 or more);
//    shuffle_read gives RES_MALFORMED, RES_SHORT_BUFFER or RES_NO_MEMORY; writers RES_NO_MEMORY.
#include <cstdint>
#include <vector>
#include "platform/result.h"

struct Buffer;

constexpr int RNG_STATE_WORDS  = 624;
constexpr int RNG_SAVED_BYTES  = RNG_STATE_WORDS * 4 + 4;   // 2500
constexpr int RNG_WEIGHT_COUNT = 30;                        // entries of a weight table

struct Rng {
    uint32_t state[RNG_STATE_WORDS];
    uint32_t index;   // next output; 0 regenerates the block first
};

Rng     *rng_create();                          // zeroed state, index 0; null when out of memory
void     rng_free(Rng *rng);
void     rng_seed(Rng *rng, uint32_t seed);     // fills the state; index 0 (a fresh block next)
uint32_t rng_next(Rng *rng);
int32_t  rng_range(Rng *rng, int32_t lo, int32_t hi);   // lo..hi inclusive
// An index 0..29 drawn with probability weights[i] / total; 0 when total < 1.
int      rng_weighted_index(Rng *rng, const int32_t weights[RNG_WEIGHT_COUNT], int32_t total);
Result   rng_write(const Rng *rng, Buffer *buf);
// Reads the saved form into a new Rng stored through out (freed when out is null). On failure
// nothing is stored.
Result   rng_read(Rng **out, Buffer *buf);

uint32_t rotate_right32(uint32_t value, uint32_t count);   // count taken mod 32
uint32_t rotate_left32(uint32_t value, uint32_t count);

// |value read as a two's-complement i32|; 0x80000000 gives 0x80000000.
uint32_t random_magnitude(uint32_t value);

void     random_seed(uint32_t seed);   // seeds the calling thread's quick generator
uint32_t random_raw();                 // the calling thread's next raw 32-bit value
// Four raw draws reduced to their low bytes, the first drawn in the high byte.
uint32_t random_u32();
int32_t  random_range(int32_t lo, int32_t hi);   // lo..hi inclusive
// As rng_weighted_index over count weights; count - 1 when the draw passes every weight.
int      random_weighted_index(const int32_t *weights, int count, int32_t total);

using ShuffleFreeFn = void(void *item);

struct ShuffleBag {
    std::vector<void *> items;             // filled by the owner; freed through free_fn, if set
    ShuffleFreeFn *free_fn = nullptr;
    std::vector<int32_t> index_set;        // item indices; the first `remaining` are still to deal
    int32_t size = 0;                      // item count when the set was last filled
    int32_t remaining = 0;
};

ShuffleBag *shuffle_create();          // empty bag; null when out of memory
void        shuffle_free(ShuffleBag *bag);   // frees the items through free_fn, then the bag
int32_t     shuffle_count(const ShuffleBag *bag);
void        shuffle_set_free_fn(ShuffleBag *bag, ShuffleFreeFn *fn);
void        shuffle_reset(ShuffleBag *bag);   // every item available again, in order
void        shuffle_clear(ShuffleBag *bag);   // frees the items and the dealing state
void       *shuffle_next(ShuffleBag *bag);    // null for an empty bag or an index past the items
// Removes every occurrence of the item (not freed), keeps the order of the rest, then resets.
void        shuffle_remove_item(ShuffleBag *bag, void *item);
Result      shuffle_write(const ShuffleBag *bag, Buffer *buf);
// Reads the dealing state into the bag; on failure the bag is unchanged.
Result      shuffle_read(ShuffleBag *bag, Buffer *buf);
