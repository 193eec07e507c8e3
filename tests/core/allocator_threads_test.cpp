// Allocators shared between threads; meant to run under ThreadSanitizer.
#include "core/allocator.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

constexpr int kThreads = 8;
constexpr int kRounds = 2000;

void Churn(Allocator* allocator, int id) {
    std::vector<void*> held;
    for (int round = 0; round < kRounds; ++round) {
        void* p = Alloc(allocator, 8 + (round % 48), 0);
        if (p) {
            *static_cast<int*>(p) = id;
            held.push_back(p);
        }
        if (held.size() > 6 || (round % 3 == 0 && !held.empty())) {
            EXPECT_EQ(*static_cast<int*>(held.back()), id);
            Allocator::Free(held.back());
            held.pop_back();
        }
    }
    for (void* p : held) Allocator::Free(p);
}

TEST(AllocatorThreadsTest, LockedPoolServesEightThreads) {
    // Too few blocks for all threads at once, so some requests fall to the heap.
    Allocator* pool = PoolAllocator(nullptr, 80, 40, 0, true);
    Allocator::SetFallback(pool, GetDefaultAllocator());
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) threads.emplace_back(Churn, pool, i);
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(pool->bytesInUse.load(), 0u);
    DestroyAllocator(pool);
}

TEST(AllocatorThreadsTest, DefaultHeapCounterStaysExact) {
    size_t before = GetDefaultAllocator()->bytesInUse.load();
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) threads.emplace_back(Churn, nullptr, i);
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(GetDefaultAllocator()->bytesInUse.load(), before);
}

}  // namespace
