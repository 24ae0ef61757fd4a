// Random generators: the saved generator's steps and the per-thread quick draws.
#include <benchmark/benchmark.h>

#include "platform/random.h"

namespace {

void BM_RngNext(benchmark::State &state) {
    Rng *rng = rng_create();
    rng_seed(rng, 12345);
    for (auto _ : state) benchmark::DoNotOptimize(rng_next(rng));
    state.SetItemsProcessed(state.iterations());
    rng_free(rng);
}
BENCHMARK(BM_RngNext);

void BM_RngSeed(benchmark::State &state) {
    Rng *rng = rng_create();
    uint32_t seed = 0;
    for (auto _ : state) {
        rng_seed(rng, seed++);
        benchmark::DoNotOptimize(rng->state[623]);
    }
    rng_free(rng);
}
BENCHMARK(BM_RngSeed);

void BM_RngRange(benchmark::State &state) {
    Rng *rng = rng_create();
    rng_seed(rng, 12345);
    for (auto _ : state) benchmark::DoNotOptimize(rng_range(rng, 1, 100));
    state.SetItemsProcessed(state.iterations());
    rng_free(rng);
}
BENCHMARK(BM_RngRange);

void BM_RandomU32(benchmark::State &state) {
    random_seed(12345);
    for (auto _ : state) benchmark::DoNotOptimize(random_u32());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RandomU32);

void BM_RandomRange(benchmark::State &state) {
    random_seed(12345);
    for (auto _ : state) benchmark::DoNotOptimize(random_range(-50, 50));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RandomRange);

void BM_RandomWeightedIndex(benchmark::State &state) {
    random_seed(12345);
    int32_t weights[RNG_WEIGHT_COUNT];
    int32_t total = 0;
    for (int i = 0; i < RNG_WEIGHT_COUNT; ++i) total += weights[i] = i + 1;
    for (auto _ : state) benchmark::DoNotOptimize(random_weighted_index(weights, RNG_WEIGHT_COUNT, total));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RandomWeightedIndex);

}  // namespace
