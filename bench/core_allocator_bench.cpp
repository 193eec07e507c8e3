// The cost of one allocate + free pair: the game's script-object pool against
// malloc/free and the default heap allocator, for the sizes the script VM asks
// for most.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "core/allocator.h"

namespace {

// A pool like the game's first one: 80-byte blocks, unlocked, falling back to the heap.
Allocator* ScriptPool() {
    static Allocator* pool = [] {
        Allocator* made = PoolAllocator(nullptr, 80, 16000, 4, false);
        Allocator::SetFallback(made, GetDefaultAllocator());
        return made;
    }();
    return pool;
}

void BM_PoolAllocFree(benchmark::State& state) {
    Allocator* pool = ScriptPool();
    size_t size = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        void* p = Alloc(pool, size, 0);
        benchmark::DoNotOptimize(p);
        Allocator::Free(p);
    }
}

void BM_MallocFree(benchmark::State& state) {
    size_t size = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        void* p = malloc(size);
        benchmark::DoNotOptimize(p);
        free(p);
    }
}

void BM_DefaultAllocFree(benchmark::State& state) {
    size_t size = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        void* p = Alloc(nullptr, size, 0);
        benchmark::DoNotOptimize(p);
        Allocator::Free(p);
    }
}

// Many blocks alive at once, freed in a scrambled order, as script objects die.
constexpr int kBatch = 1024;

int ScrambledIndex(int i) { return (i * 619) % kBatch; }  // 619 is prime, so a permutation

void BM_PoolBatch(benchmark::State& state) {
    Allocator* pool = ScriptPool();
    void* blocks[kBatch];
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i) blocks[i] = Alloc(pool, 48, 0);
        benchmark::DoNotOptimize(blocks);
        for (int i = 0; i < kBatch; ++i) Allocator::Free(blocks[ScrambledIndex(i)]);
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
}

void BM_MallocBatch(benchmark::State& state) {
    void* blocks[kBatch];
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i) blocks[i] = malloc(48);
        benchmark::DoNotOptimize(blocks);
        for (int i = 0; i < kBatch; ++i) free(blocks[ScrambledIndex(i)]);
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
}

}  // namespace

BENCHMARK(BM_PoolAllocFree)->Arg(16)->Arg(48);
BENCHMARK(BM_MallocFree)->Arg(16)->Arg(48);
BENCHMARK(BM_DefaultAllocFree)->Arg(16)->Arg(48);
BENCHMARK(BM_PoolBatch);
BENCHMARK(BM_MallocBatch);
