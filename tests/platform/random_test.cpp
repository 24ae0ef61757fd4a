// Random numbers: the rotating generator's vectors, ranges and weighted draws, the per-thread
// quick draws, and shuffle-bag dealing, with the saved forms of the generator and the bag.
#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "platform/buffer.h"
#include "platform/random.h"

namespace {

struct RngDeleter {
    void operator()(Rng *rng) const { rng_free(rng); }
};
using RngPtr = std::unique_ptr<Rng, RngDeleter>;

std::vector<uint8_t> bytes_of(const Buffer &buf) { return {buf.data, buf.data + buf.length}; }

void put(Buffer *buf, std::initializer_list<uint32_t> words) {
    buffer_clear(buf);
    buffer_set_cursor(buf, 0);
    for (uint32_t word : words) ASSERT_EQ(buffer_write_u32(buf, word), RES_OK);
}

TEST(RandomRotation, RotatesInsteadOfShiftingAndReadsMagnitudesAsSigned) {
    EXPECT_EQ(rotate_right32(1u, 30), 4u);
    EXPECT_EQ(rotate_right32(1u, 1), 0x80000000u);
    EXPECT_EQ(rotate_left32(0x80000001u, 4), 0x00000018u);
    EXPECT_EQ(rotate_right32(0x12345678u, 0), 0x12345678u);
    EXPECT_EQ(rotate_right32(0x12345678u, 32), 0x12345678u);
    EXPECT_EQ(rotate_left32(0x12345678u, 36), 0x23456781u);
    EXPECT_EQ(rotate_right32(0x12345678u, 8), 0x78123456u);
    const uint32_t magnitudes[][2] = {{5u, 5u}, {0xFFFFFFFFu, 1u}, {0x80000001u, 0x7FFFFFFFu}, {0x80000000u, 0x80000000u}};
    for (const auto &m : magnitudes) EXPECT_EQ(random_magnitude(m[0]), m[1]) << std::hex << m[0];
}

// --- the saved generator ----------------------------------------------------------------------

class RngVectors : public ::testing::Test {
protected:
    void SetUp() override {
        rng.reset(rng_create());
        ASSERT_NE(rng, nullptr);
    }
    RngPtr rng;
    Buffer buf;
};

TEST_F(RngVectors, SeedZeroUsesARotationNotAShift) {
    rng_seed(rng.get(), 0);
    EXPECT_EQ(rng->state[0], 0u);
    EXPECT_EQ(rng->state[1], 1u);
    EXPECT_EQ(rng->state[2], 472231675u);   // a shift in place of the rotation gives 1812433255
    EXPECT_EQ(rng->state[3], 9543958u);
    EXPECT_EQ(rng->state[623], 2736579668u);
    EXPECT_EQ(rng->index, 0u);
}

TEST_F(RngVectors, FirstOutputsOfEachSeedAndAgainAfterReseeding) {
    const struct { uint32_t seed, out[3]; } cases[] = {
        {0, {0x4043E15Cu, 0x0D0BE750u, 0x7CC7D733u}},
        {5489, {0x7C9197E3u, 0xAAE151B0u, 0x8B8FC9B0u}},
        {0xDEADBEEF, {0xAE47B889u, 0x705C656Eu, 0x212D2753u}},
        {0, {0x4043E15Cu, 0x0D0BE750u, 0x7CC7D733u}},   // the same generator, reseeded after draws
    };
    for (const auto &c : cases) {
        rng_seed(rng.get(), c.seed);
        for (uint32_t out : c.out) EXPECT_EQ(rng_next(rng.get()), out) << "seed " << c.seed;
    }
    EXPECT_EQ(rng->state[0], 0xCD08D6E1u) << "word 0 of the first block";
    EXPECT_EQ(rng_next(rng.get()), 0xDE9CC2CEu);
    EXPECT_EQ(rng_next(rng.get()), 0x56D141B4u);
}

TEST_F(RngVectors, BlockIsRegeneratedOnTheFirstAndThe625thCall) {
    rng_seed(rng.get(), 0);
    uint32_t seeded_word_5 = rng->state[5];
    (void)rng_next(rng.get());
    EXPECT_NE(rng->state[5], seeded_word_5) << "the whole block is made before the first output";
    for (int i = 1; i < 623; ++i) (void)rng_next(rng.get());
    EXPECT_EQ(rng->index, 623u);
    EXPECT_EQ(rng_next(rng.get()), 0x34475835u);   // the 624th output, from the first block
    EXPECT_EQ(rng->index, 0u);
    uint32_t block_word_0 = rng->state[0];
    EXPECT_EQ(rng_next(rng.get()), 0x976EA9D2u);   // the 625th, from a new block
    EXPECT_NE(rng->state[0], block_word_0);
    EXPECT_EQ(rng_next(rng.get()), 0x228F25B1u);
}

TEST_F(RngVectors, RunsDealTheSingleDrawsSequenceAndHandThePlaceBack) {
    // Each case: single draws first, then a run of that many draws, then single draws again; a
    // twin generator draws everything singly. Runs start on a fresh seed, mid-block, on the last
    // word of a block, and end on a block's last word or across two blocks.
    const struct { int before, run; } cases[] = {{0, 5}, {0, 624}, {100, 10}, {623, 1}, {623, 3}, {0, 1300}, {600, 24}};
    RngPtr twin(rng_create());
    for (const auto &c : cases) {
        rng_seed(rng.get(), 7);
        rng_seed(twin.get(), 7);
        for (int i = 0; i < c.before; ++i) ASSERT_EQ(rng_next(rng.get()), rng_next(twin.get()));
        RngRun run = rng_run_begin(rng.get());
        for (int i = 0; i < c.run; ++i) ASSERT_EQ(rng_run_next(&run), rng_next(twin.get())) << c.before << "+" << i;
        rng_run_end(run);
        EXPECT_EQ(rng->index, twin->index) << c.before << "+" << c.run;
        for (int i = 0; i < 700; ++i) ASSERT_EQ(rng_next(rng.get()), rng_next(twin.get())) << c.before << "+" << c.run << " then " << i;
    }
}

TEST_F(RngVectors, WordsAroundTheFarWordWrapAndThreeWholeBlocks) {
    // Outputs 227 and 228 sit either side of the first word built from an already rebuilt far word;
    // the weighted mix covers every word of three blocks.
    const struct { uint32_t seed; uint32_t at[6]; uint32_t mix; } cases[] = {
        {0, {0x141F7E80u, 0x72744BBDu, 0xD8976299u, 0x243A9C66u, 0x97E7F741u, 0x98409AE7u}, 0x49597E6Du},
        {5489, {0x24A3CDFEu, 0xA259E3C5u, 0x4E8FAA02u, 0x2461E041u, 0x86F24148u, 0x5B13CA66u}, 0x3EB12D3Cu},
    };
    const int positions[6] = {227, 228, 624 + 227, 624 + 228, 1248, 1249};
    for (const auto &c : cases) {
        rng_seed(rng.get(), c.seed);
        uint32_t mix = 0;
        int next_pin = 0;
        for (int i = 1; i <= 3 * RNG_STATE_WORDS; ++i) {
            const uint32_t out = rng_next(rng.get());
            if (next_pin < 6 && i == positions[next_pin]) {
                EXPECT_EQ(out, c.at[next_pin]) << "seed " << c.seed << " output " << i;
                ++next_pin;
            }
            mix ^= out * uint32_t(i);
        }
        EXPECT_EQ(next_pin, 6);
        EXPECT_EQ(mix, c.mix) << "seed " << c.seed;
    }
}

class RngDraws : public RngVectors {
protected:
    void SetUp() override {
        RngVectors::SetUp();
        rng_seed(rng.get(), 0);
    }
    // True when the next output equals the first output of seed 0, i.e. nothing was drawn.
    bool nothing_drawn() { return rng_next(rng.get()) == 0x4043E15Cu; }
    int32_t weights[RNG_WEIGHT_COUNT] = {};
};

TEST_F(RngDraws, OneValueRangesAndWeightTotalsBelowTwoDrawNothing) {
    EXPECT_EQ(rng_range(rng.get(), 5, 5), 5);
    EXPECT_EQ(rng_range(rng.get(), 5, 4), 5);
    EXPECT_EQ(rng_range(rng.get(), 5, -100), 5);
    weights[4] = 1;
    EXPECT_EQ(rng_weighted_index(rng.get(), weights, 0), 0);
    EXPECT_EQ(rng_weighted_index(rng.get(), weights, -7), 0);
    EXPECT_EQ(rng_weighted_index(rng.get(), weights, 1), 4);
    EXPECT_TRUE(nothing_drawn());
}

TEST_F(RngDraws, RangeIsLoPlusMagnitudeModSpanAndTheFullI32RangeDoesNotCollapseToLo) {
    // Outputs 1078190428, 218883920, 2093471539, then 0xDE9CC2CE: negative, magnitude 560151858.
    EXPECT_EQ(rng_range(rng.get(), 1, 6), 5);
    EXPECT_EQ(rng_range(rng.get(), -500, 499), 420);
    EXPECT_EQ(rng_range(rng.get(), 0, 9), 9);
    EXPECT_EQ(rng_range(rng.get(), 0, 99), 58);
    // The span 2^32 does not fit 32 bits; it must not wrap to 0 and return lo every time.
    rng_seed(rng.get(), 0);
    EXPECT_EQ(rng_range(rng.get(), INT32_MIN, INT32_MAX), INT32_MIN + 1078190428);
}

TEST_F(RngDraws, WeightedIndexFollowsTheRunningSumAndPastEveryWeightIsTheLast) {
    weights[0] = 3;
    weights[1] = 2;
    weights[2] = 5;
    // Draws mod 10 are 8, 0, 9: sums 3, 5, 10 give indices 2, 0, 2.
    EXPECT_EQ(rng_weighted_index(rng.get(), weights, 10), 2);
    EXPECT_EQ(rng_weighted_index(rng.get(), weights, 10), 0);
    EXPECT_EQ(rng_weighted_index(rng.get(), weights, 10), 2);
    // 560151858 mod 1000 = 858: the weights add up to less than the total
    EXPECT_EQ(rng_weighted_index(rng.get(), weights, 1000), 29);
}

// --- quick draws ----------------------------------------------------------------------------

class QuickDraws : public ::testing::Test {
protected:
    void SetUp() override { random_seed(0); }
    void TearDown() override { random_seed(1); }
};

TEST_F(QuickDraws, RawAndPackedVectorsOfSeedZero) {
    // High words of the first splitmix64 outputs from state 0.
    for (uint32_t word : {0xE220A839u, 0x6E789E6Au, 0x06C45D18u, 0xF88BB8A8u}) EXPECT_EQ(random_raw(), word);
    random_seed(0);
    EXPECT_EQ(random_u32(), 0x396A18A8u);   // the four draws' low bytes, the first drawn highest
    EXPECT_EQ(random_u32(), 0x6A0CBE3Au);
}

TEST_F(QuickDraws, OneValueRangesAndWeightTotalsBelowTwoDrawNothing) {
    const int32_t weights[] = {2, 2};
    EXPECT_EQ(random_range(9, 9), 9);
    EXPECT_EQ(random_range(9, 2), 9);
    EXPECT_EQ(random_weighted_index(weights, 2, 0), 0);
    EXPECT_EQ(random_weighted_index(weights, 2, 1), 0);
    EXPECT_EQ(random_weighted_index(weights, 0, 10), 0);
    EXPECT_EQ(random_u32(), 0x396A18A8u);
    // 1779220026 mod 1000 = 26: past both weights (sums 2, 4), so the last index.
    EXPECT_EQ(random_weighted_index(weights, 2, 1000), 1);
}

TEST_F(QuickDraws, RangeIsLoPlusMagnitudeModSpanAndWeightedIndexNeverPicksZeroWeights) {
    EXPECT_EQ(random_range(10, 16), 11);                                  // 963254440 mod 7 = 1
    EXPECT_EQ(random_range(INT32_MIN, INT32_MAX), INT32_MIN + 1779220026);   // the whole i32 range
    const int32_t weights[] = {0, 0, 5};
    for (int i = 0; i < 2000; ++i) ASSERT_EQ(random_weighted_index(weights, 3, 5), 2);
}

TEST_F(QuickDraws, EachThreadKeepsItsOwnSequence) {
    std::vector<uint32_t> expected;
    for (int i = 0; i < 100; ++i) expected.push_back(random_u32());

    random_seed(0);
    std::vector<uint32_t> seen[2];
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t)
        threads.emplace_back([&seen, t] {
            random_seed(0);
            for (int i = 0; i < 100; ++i) seen[t].push_back(random_u32());
        });
    std::vector<uint32_t> main_seen;
    for (int i = 0; i < 100; ++i) main_seen.push_back(random_u32());
    for (auto &thread : threads) thread.join();

    EXPECT_EQ(main_seen, expected) << "workers do not disturb the main thread's draws";
    EXPECT_EQ(seen[0], expected);
    EXPECT_EQ(seen[1], expected);
}

TEST_F(QuickDraws, UnseededThreadActsAsSeededWithOne) {
    uint32_t unseeded = 0;
    std::thread([&unseeded] { unseeded = random_u32(); }).join();
    random_seed(1);
    EXPECT_EQ(unseeded, random_u32());
}

TEST_F(QuickDraws, ShowDrawsAreASequenceOfTheirOwnThatLeavesTheGameDrawsWhereTheyStand) {
    std::vector<int32_t> shown;
    for (int i = 0; i < 1000; ++i) shown.push_back(random_show_range(-3, 3));
    EXPECT_EQ(random_state(), 0u) << "no game draw was taken";
    EXPECT_EQ(random_u32(), 0x396A18A8u);   // seed 0's first game draw, as if nothing was shown
    for (int32_t v : shown) ASSERT_TRUE(v >= -3 && v <= 3) << v;
    EXPECT_EQ(random_show_range(4, 4), 4);
    random_seed(0);   // seeds both again
    (void)random_u32();
    std::vector<int32_t> again;
    for (int i = 0; i < 1000; ++i) again.push_back(random_show_range(-3, 3));
    EXPECT_EQ(again, shown) << "the show draws follow the seed, whatever the game drew";
    random_seed(0);
    uint32_t same = 0;
    for (int i = 0; i < 64; ++i) same += random_show_u32() == random_u32() ? 1 : 0;
    EXPECT_LT(same, 2u) << "the show draws do not repeat the game's";
}

// --- shuffle bag ----------------------------------------------------------------------------

class ShuffleDealing : public ::testing::Test {
protected:
    void SetUp() override {
        random_seed(12345);
        bag = shuffle_create<int>();
        ASSERT_NE(bag, nullptr);
    }
    void TearDown() override {
        shuffle_free(bag);
        random_seed(1);
    }
    void fill(int count) {
        for (int i = 0; i < count; ++i) ASSERT_GE(list_append(&bag->items, &names[i]), 0);
    }
    void set_state(int32_t size, int32_t remaining, std::vector<int32_t> index_set) {
        bag->size = size;
        bag->remaining = remaining;
        bag->index_set = std::move(index_set);
    }
    std::set<int *> deal(int count) {
        std::set<int *> dealt;
        for (int i = 0; i < count; ++i) dealt.insert(shuffle_next(bag));
        return dealt;
    }
    ShuffleBag<int> *bag = nullptr;
    int names[8] = {};
    Buffer buf;
};

TEST_F(ShuffleDealing, EmptyBagDealsNull) {
    EXPECT_EQ(shuffle_next(bag), nullptr);
    EXPECT_EQ(shuffle_count(bag), 0);
    EXPECT_EQ(bag->size, 0);
}

TEST_F(ShuffleDealing, ItemsAreDealtOnceEachThenAgainAndAResetRefillsInOrder) {
    fill(3);
    std::set<int *> all = {&names[0], &names[1], &names[2]};
    for (int cycle = 0; cycle < 20; ++cycle) {
        EXPECT_EQ(deal(3), all) << "cycle " << cycle;
        EXPECT_EQ(bag->remaining, 0);
    }
    ASSERT_GE(list_append(&bag->items, &names[3]), 0);
    (void)shuffle_next(bag);
    shuffle_reset(bag);
    EXPECT_EQ(bag->size, 4);
    EXPECT_EQ(bag->remaining, 4);
    EXPECT_EQ(bag->index_set, (std::vector<int32_t>{0, 1, 2, 3}));
}

TEST_F(ShuffleDealing, DealsTheSwappedSetFromTheTail) {
    fill(3);
    set_state(3, 2, {2, 0, 1});
    random_seed(0);   // first u32 is 963254440: even, so j = 0 of 2
    EXPECT_EQ(shuffle_next(bag), &names[2]);
    EXPECT_EQ(bag->index_set, (std::vector<int32_t>{0, 0, 1}));
    EXPECT_EQ(shuffle_next(bag), &names[0]);
    EXPECT_EQ(random_u32(), 0x6A0CBE3Au) << "one remaining index needs no draw";
}

TEST_F(ShuffleDealing, IndexPastTheItemsDealsNull) {
    fill(2);
    set_state(5, 1, {4, 0, 1, 2, 3});
    EXPECT_EQ(shuffle_next(bag), nullptr);
    EXPECT_EQ(deal(2), (std::set<int *>{&names[0], &names[1]})) << "then a fresh set of the items";
}

TEST_F(ShuffleDealing, RemovingAnItemTakesEveryOccurrenceAndResetsAMissingOneNothing) {
    fill(3);
    (void)shuffle_next(bag);
    std::vector<int32_t> before = bag->index_set;
    shuffle_remove_item(bag, &names[7]);
    EXPECT_EQ(bag->remaining, 2);
    EXPECT_EQ(bag->index_set, before);
    ASSERT_GE(list_append(&bag->items, &names[1]), 0);
    (void)shuffle_next(bag);
    shuffle_remove_item(bag, &names[1]);
    EXPECT_EQ(bag->items.items, (std::vector<int *>{&names[0], &names[2]}));
    EXPECT_EQ(bag->size, 2);
    EXPECT_EQ(bag->remaining, 2);
    EXPECT_EQ(deal(2), (std::set<int *>{&names[0], &names[2]}));
}

int g_items_freed = 0;
void count_free(int *) { ++g_items_freed; }

TEST_F(ShuffleDealing, ClearFreesItemsThroughTheCallback) {
    fill(3);
    shuffle_set_free_fn(bag, count_free);
    (void)shuffle_next(bag);
    g_items_freed = 0;
    shuffle_clear(bag);
    EXPECT_EQ(g_items_freed, 3);
    EXPECT_EQ(shuffle_count(bag), 0);
    EXPECT_EQ(bag->size, 0);
    EXPECT_EQ(bag->remaining, 0);
    EXPECT_TRUE(bag->index_set.empty());
    fill(2);
    shuffle_free(bag);
    bag = nullptr;
    EXPECT_EQ(g_items_freed, 5);
}

// --- saved forms ----------------------------------------------------------------------------

using RngSavedForm = RngVectors;

TEST_F(RngSavedForm, WordsThenIndexBigEndianIn2500Bytes) {
    rng_seed(rng.get(), 0);
    for (int i = 0; i < 3; ++i) (void)rng_next(rng.get());
    ASSERT_EQ(rng_write(rng.get(), &buf), RES_OK);
    ASSERT_EQ(buf.length, RNG_SAVED_BYTES);
    std::vector<uint8_t> bytes = bytes_of(buf);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4), (std::vector<uint8_t>{0xCD, 0x08, 0xD6, 0xE1}));
    EXPECT_EQ(std::vector<uint8_t>(bytes.end() - 4, bytes.end()), (std::vector<uint8_t>{0, 0, 0, 3}));
}

TEST_F(RngSavedForm, ReadBackContinuesTheSameSequence) {
    rng_seed(rng.get(), 0xDEADBEEF);
    for (int i = 0; i < 700; ++i) (void)rng_next(rng.get());
    ASSERT_EQ(rng_write(rng.get(), &buf), RES_OK);
    Rng *loaded = nullptr;
    ASSERT_EQ(rng_read(&loaded, &buf), RES_OK);
    RngPtr owned(loaded);
    EXPECT_EQ(buf.cursor, RNG_SAVED_BYTES);
    EXPECT_EQ(loaded->index, 700u - 624u);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(rng_next(loaded), rng_next(rng.get())) << i;
}

TEST_F(RngSavedForm, ShortDataOrAnIndexOf624StoresNothing) {
    rng_seed(rng.get(), 5);   // a zeroed state is malformed in itself
    rng->index = 623;
    ASSERT_EQ(rng_write(rng.get(), &buf), RES_OK);
    Rng *loaded = nullptr;
    ASSERT_EQ(rng_read(&loaded, &buf), RES_OK);
    rng_free(loaded);
    buf.data[RNG_SAVED_BYTES - 1] = 0x70;   // index 624
    buffer_set_cursor(&buf, 0);
    loaded = nullptr;
    EXPECT_EQ(rng_read(&loaded, &buf), RES_MALFORMED);
    EXPECT_EQ(loaded, nullptr);
    buffer_set_cursor(&buf, 0);
    EXPECT_EQ(rng_read(nullptr, &buf), RES_MALFORMED);
    buffer_set_cursor(&buf, 0);
    buffer_truncate(&buf, RNG_SAVED_BYTES - 1);
    Rng untouched{};
    loaded = &untouched;
    EXPECT_EQ(rng_read(&loaded, &buf), RES_SHORT_BUFFER);
    EXPECT_EQ(loaded, &untouched);
}

using ShuffleSavedForm = ShuffleDealing;

TEST_F(ShuffleSavedForm, CountsThenTheWholeIndexSetAndOnlyTheCountsWithoutASet) {
    ASSERT_EQ(shuffle_write(bag, &buf), RES_OK);
    EXPECT_EQ(bytes_of(buf), (std::vector<uint8_t>(8, 0)));
    buffer_clear(&buf);
    fill(3);
    set_state(3, 1, {2, 0, 1});
    ASSERT_EQ(shuffle_write(bag, &buf), RES_OK);
    EXPECT_EQ(bytes_of(buf), (std::vector<uint8_t>{0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 1}));
}

TEST_F(ShuffleSavedForm, SavedStateDealsItsLastIndexThenRefills) {
    fill(3);
    put(&buf, {3, 1, 2, 0, 1});
    ASSERT_EQ(shuffle_read(bag, &buf), RES_OK);
    EXPECT_EQ(bag->size, 3);
    EXPECT_EQ(bag->remaining, 1);
    EXPECT_EQ(shuffle_next(bag), &names[2]);
    EXPECT_EQ(deal(3), (std::set<int *>{&names[0], &names[1], &names[2]}));
}

TEST_F(ShuffleSavedForm, RoundTripKeepsTheDealing) {
    fill(6);
    for (int i = 0; i < 4; ++i) (void)shuffle_next(bag);
    ASSERT_EQ(shuffle_write(bag, &buf), RES_OK);
    ShuffleBag<int> *loaded = shuffle_create<int>();
    for (int i = 0; i < 6; ++i) ASSERT_GE(list_append(&loaded->items, &names[i]), 0);
    ASSERT_EQ(shuffle_read(loaded, &buf), RES_OK);
    EXPECT_EQ(loaded->index_set, bag->index_set);
    random_seed(99);
    int *a = shuffle_next(bag);
    int *b = shuffle_next(bag);
    random_seed(99);
    EXPECT_EQ(shuffle_next(loaded), a);
    EXPECT_EQ(shuffle_next(loaded), b);
    shuffle_free(loaded);
}

TEST_F(ShuffleSavedForm, BadCountsAreMalformedAndChangeNothing) {
    fill(2);
    shuffle_reset(bag);
    for (auto words : {std::initializer_list<uint32_t>{0xFFFFFFFFu, 0},         // negative size
                       std::initializer_list<uint32_t>{2, 0xFFFFFFFFu, 0, 1},   // negative remaining
                       std::initializer_list<uint32_t>{2, 3, 0, 1}}) {          // remaining > size
        put(&buf, words);
        EXPECT_EQ(shuffle_read(bag, &buf), RES_MALFORMED);
        EXPECT_EQ(bag->size, 2);
        EXPECT_EQ(bag->remaining, 2);
        EXPECT_EQ(bag->index_set, (std::vector<int32_t>{0, 1}));
    }
}

TEST_F(ShuffleSavedForm, ShortOrHugeSetIsRefusedBeforeAllocating) {
    put(&buf, {3, 1, 2, 0});   // one index missing
    EXPECT_EQ(shuffle_read(bag, &buf), RES_SHORT_BUFFER);
    EXPECT_EQ(bag->size, 0);
    put(&buf, {0x7FFFFFFFu, 0, 1});   // claims 8 GiB of indices
    EXPECT_EQ(shuffle_read(bag, &buf), RES_SHORT_BUFFER);
    EXPECT_TRUE(bag->index_set.empty());
}

}  // namespace
