// Block headers, alignment, the pool fallback chain, resizing and the arena.
#include "core/allocator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "tests/core/counting_allocator.h"
#include "tests/support/log_capture.h"

namespace {

uintptr_t Address(const void* p) { return reinterpret_cast<uintptr_t>(p); }

void Fill(void* p, size_t size, uint8_t seed) {
    auto* bytes = static_cast<uint8_t*>(p);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7);
}

bool Holds(const void* p, size_t size, uint8_t seed) {
    auto* bytes = static_cast<const uint8_t*>(p);
    for (size_t i = 0; i < size; ++i)
        if (bytes[i] != static_cast<uint8_t>(seed + i * 7)) return false;
    return true;
}

TEST(AllocTest, AlignmentAndHeaderContents) {
    struct Case {
        size_t size, align;
    } cases[] = {{10, 0}, {10, 8}, {10, 16}, {10, 64}, {1, 64}, {1000, 256}, {0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "size " << c.size << " align " << c.align);
        void* p = Alloc(nullptr, c.size, c.align);
        ASSERT_NE(p, nullptr);
        size_t expected = c.align > kDefaultAlignment ? c.align : kDefaultAlignment;
        EXPECT_EQ(Address(p) % expected, 0u);
        const BlockHeader* header = GetBlockHeader(p);
        EXPECT_EQ(header->owner, GetDefaultAllocator());
        EXPECT_EQ(header->total, c.size + c.align + kBlockHeaderSize);
        EXPECT_GE(header->offset, kBlockHeaderSize);
        EXPECT_LE(header->offset, kBlockHeaderSize + (c.align ? c.align - 1 : 0));
        Fill(p, c.size, 3);
        Allocator::Free(p);
    }
}

TEST(AllocTest, FreeReturnsTheExactRawBlock) {
    CountingAllocator counting;
    for (size_t align : {0, 8, 32, 128}) {
        void* p = Alloc(&counting, 24, align);
        ASSERT_NE(p, nullptr);
        ASSERT_EQ(counting.live.size(), 1u);
        auto raw = counting.live.begin();
        EXPECT_EQ(raw->second, 24 + align + kBlockHeaderSize);
        EXPECT_EQ(Address(raw->first) + GetBlockHeader(p)->offset, Address(p));
        FreeObject(p);
        EXPECT_TRUE(counting.live.empty());
    }
    EXPECT_EQ(counting.badFrees, 0u);
}

TEST(AllocTest, RejectsOverflowingAndMalformedRequests) {
    LogCapture log;
    EXPECT_EQ(Alloc(nullptr, SIZE_MAX, 0), nullptr);
    EXPECT_EQ(Alloc(nullptr, SIZE_MAX - 8, 16), nullptr);
    EXPECT_EQ(Alloc(nullptr, UINT32_MAX - kBlockHeaderSize + 1, 0), nullptr);
    EXPECT_EQ(Alloc(nullptr, 16, SIZE_MAX / 2 + 1), nullptr);
    EXPECT_EQ(Alloc(nullptr, 16, 24), nullptr);  // not a power of two
    EXPECT_TRUE(log.Contains("too large"));
    EXPECT_TRUE(log.Contains("not a power of two"));

    void* p = Alloc(nullptr, 40, 0);
    Fill(p, 40, 9);
    EXPECT_EQ(Allocator::Realloc(p, SIZE_MAX), nullptr);
    EXPECT_EQ(Allocator::Realloc(p, SIZE_MAX - 15), nullptr);
    EXPECT_TRUE(Holds(p, 40, 9));
    Allocator::Free(p);
}

TEST(AllocTest, DefaultCounterReturnsToItsStart) {
    Allocator* heap = GetDefaultAllocator();
    size_t before = heap->bytesInUse.load();
    void* a = Alloc(nullptr, 100, 0);
    void* b = Alloc(nullptr, 50, 32);
    EXPECT_EQ(heap->bytesInUse.load(), before + 116 + 98);
    a = Allocator::Realloc(a, 300);
    EXPECT_EQ(heap->bytesInUse.load(), before + 316 + 98);
    Allocator::Free(a);
    Allocator::Free(b);
    EXPECT_EQ(heap->bytesInUse.load(), before);
}

TEST(AllocTest, DestroyIgnoresNullAndTheDefault) {
    DestroyAllocator(nullptr);
    DestroyAllocator(GetDefaultAllocator());
    void* p = Alloc(nullptr, 8, 0);
    EXPECT_NE(p, nullptr);
    Allocator::Free(p);
    Allocator::Free(nullptr);
}

TEST(AllocTest, FallbackLoopIsRefused) {
    Allocator* a = PoolAllocator(nullptr, 64, 1, 0, false);
    Allocator* b = PoolAllocator(nullptr, 64, 1, 0, false);
    Allocator::SetFallback(a, b);
    LogCapture log;
    Allocator::SetFallback(b, a);
    Allocator::SetFallback(a, a);
    EXPECT_EQ(b->fallback, nullptr);
    EXPECT_EQ(a->fallback, b);
    EXPECT_EQ(log.Count(), 2u);
    // Both full: the chain ends instead of circling.
    void* p1 = Alloc(a, 8, 0);
    void* p2 = Alloc(a, 8, 0);
    EXPECT_EQ(Alloc(a, 8, 0), nullptr);
    Allocator::Free(p1);
    Allocator::Free(p2);
    DestroyAllocator(a);
    DestroyAllocator(b);
}

// The game's chain in small: pool A of 80-byte blocks, pool B of 160, then a heap.
class PoolChainTest : public testing::Test {
protected:
    void SetUp() override {
        a = PoolAllocator(&parent, 80, 4, 4, false);
        b = PoolAllocator(&parent, 160, 3, 4, false);
        ASSERT_NE(a, nullptr);
        ASSERT_NE(b, nullptr);
        Allocator::SetFallback(a, b);
        Allocator::SetFallback(b, &tail);
    }
    void TearDown() override {
        DestroyAllocator(a);
        DestroyAllocator(b);
        EXPECT_TRUE(parent.live.empty());
        EXPECT_TRUE(tail.live.empty());
        EXPECT_EQ(parent.badFrees + tail.badFrees, 0u);
    }
    CountingAllocator parent, tail;
    Allocator* a = nullptr;
    Allocator* b = nullptr;
};

TEST_F(PoolChainTest, RequestsGoToTheSmallestPoolThatFits) {
    struct Case {
        size_t size;
        Allocator* expected;
    };
    const Case cases[] = {{1, a}, {64, a}, {65, b}, {144, b}, {145, &tail}, {4000, &tail}};
    for (const Case& c : cases) {
        void* p = Alloc(a, c.size, 0);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(GetBlockHeader(p)->owner, c.expected) << "size " << c.size;
        EXPECT_EQ(Address(p) % kDefaultAlignment, 0u);
        Allocator::Free(p);
    }
}

TEST_F(PoolChainTest, FirstBlocksComeInAddressOrder) {
    void* first = Alloc(a, 8, 0);
    void* second = Alloc(a, 8, 0);
    EXPECT_EQ(Address(second) - Address(first), 80u);
    EXPECT_EQ(a->bytesInUse.load(), 160u);
    EXPECT_EQ(a->capacity, 320u);
    Allocator::Free(second);
    Allocator::Free(first);
    EXPECT_EQ(Alloc(a, 8, 0), first);  // freed blocks are reused from the head
    Allocator::Free(first);
    EXPECT_EQ(a->bytesInUse.load(), 0u);
}

TEST_F(PoolChainTest, FullPoolPassesToTheNext) {
    std::vector<void*> blocks;
    for (int i = 0; i < 4; ++i) blocks.push_back(Alloc(a, 50, 0));
    void* fromB = Alloc(a, 50, 0);
    EXPECT_EQ(GetBlockHeader(fromB)->owner, b);
    for (int i = 0; i < 2; ++i) blocks.push_back(Alloc(a, 50, 0));
    void* fromTail = Alloc(a, 50, 0);
    EXPECT_EQ(GetBlockHeader(fromTail)->owner, &tail);
    blocks.push_back(fromB);
    blocks.push_back(fromTail);
    for (void* p : blocks) Allocator::Free(p);
    EXPECT_EQ(a->bytesInUse.load() + b->bytesInUse.load(), 0u);
}

TEST_F(PoolChainTest, GrowingPastTheBlockMovesWithItsContents) {
    void* p = Alloc(a, 40, 0);
    Fill(p, 40, 1);
    void* same = Allocator::Realloc(p, 60);  // still fits the 80-byte block
    EXPECT_EQ(same, p);
    Fill(same, 60, 2);
    void* moved = Allocator::Realloc(same, 120);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(GetBlockHeader(moved)->owner, b);
    EXPECT_TRUE(Holds(moved, 60, 2));
    EXPECT_EQ(a->bytesInUse.load(), 0u);
    void* shrunk = Allocator::Realloc(moved, 10);
    EXPECT_TRUE(Holds(shrunk, 10, 2));
    Allocator::Free(shrunk);
}

TEST_F(PoolChainTest, ReallocOfNullComesFromTheHeap) {
    void* p = Allocator::Realloc(nullptr, 100);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(GetBlockHeader(p)->owner, GetDefaultAllocator());
    EXPECT_EQ(GetBlockHeader(p)->offset, kBlockHeaderSize);
    Allocator::Free(p);
}

TEST(PoolTest, FailedGrowthKeepsTheOldBlock) {
    Allocator* pool = PoolAllocator(nullptr, 64, 2, 0, false);  // no fallback
    void* p = Alloc(pool, 30, 0);
    Fill(p, 30, 5);
    EXPECT_EQ(Allocator::Realloc(p, 200), nullptr);
    EXPECT_TRUE(Holds(p, 30, 5));
    EXPECT_EQ(GetBlockHeader(p)->owner, pool);
    Allocator::Free(p);
    DestroyAllocator(pool);
}

TEST(PoolTest, OddSizesAndAlignmentsAreUsable) {
    // align 0, a large align and an odd element size all give 16-byte blocks.
    for (size_t align : {0, 4, 64}) {
        Allocator* pool = PoolAllocator(nullptr, 41, 3, align, false);
        ASSERT_NE(pool, nullptr);
        void* p1 = Alloc(pool, 20, 0);
        void* p2 = Alloc(pool, 20, 0);
        ASSERT_NE(p2, nullptr);
        EXPECT_EQ(Address(p2) - Address(p1), 48u);
        EXPECT_EQ(Address(p1) % 16, 0u);
        Allocator::Free(p1);
        Allocator::Free(p2);
        DestroyAllocator(pool);
    }
    LogCapture log;
    EXPECT_EQ(PoolAllocator(nullptr, SIZE_MAX - 3, 2, 0, false), nullptr);
    EXPECT_EQ(PoolAllocator(nullptr, SIZE_MAX / 8, 100, 0, false), nullptr);
    EXPECT_EQ(log.Count(), 2u);
}

// A block whose alignment left a gap after the header (a raw block may happen
// to be aligned already, so this retries a few times).
void* AllocPastAGap(Allocator* from, size_t size, size_t align) {
    std::vector<void*> plain;
    void* found = nullptr;
    for (int tries = 0; tries < 32 && !found; ++tries) {
        void* p = Alloc(from, size, align);
        if (p && GetBlockHeader(p)->offset > kBlockHeaderSize) found = p;
        else plain.push_back(p);
    }
    for (void* p : plain) Allocator::Free(p);
    return found;
}

// An aligned block's data sits past a gap; resizing must keep it in place.
TEST(ReallocTest, AlignedBlocksKeepTheirBytes) {
    CountingAllocator tail;
    // 272-byte blocks step by 16 modulo 64, so some block leaves a gap at 64.
    Allocator* pool = PoolAllocator(nullptr, 272, 8, 0, false);
    Allocator::SetFallback(pool, &tail);
    struct Case {
        Allocator* from;
        size_t align, size, newSize;
    } cases[] = {{nullptr, 64, 100, 300}, {nullptr, 64, 100, 20},  {nullptr, 256, 500, 500},
                 {pool, 64, 100, 120},    {pool, 32, 100, 1000},   {&tail, 128, 50, 70}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "align " << c.align << " to " << c.newSize);
        void* p = AllocPastAGap(c.from, c.size, c.align);
        ASSERT_NE(p, nullptr);
        if (c.from) {
            EXPECT_EQ(GetBlockHeader(p)->owner, c.from);
        }
        Fill(p, c.size, 11);
        void* q = Allocator::Realloc(p, c.newSize);
        ASSERT_NE(q, nullptr);
        EXPECT_TRUE(Holds(q, c.size < c.newSize ? c.size : c.newSize, 11));
        EXPECT_EQ(Address(q) % kDefaultAlignment, 0u);
        Allocator::Free(q);
    }
    EXPECT_EQ(pool->bytesInUse.load(), 0u);
    DestroyAllocator(pool);
    EXPECT_TRUE(tail.live.empty());
    EXPECT_EQ(tail.badFrees, 0u);
}

TEST(LinearArenaTest, BumpsAndCopiesAndRunsOut) {
    CountingAllocator parent;
    Allocator* arena = LinearArena(&parent, 256);
    ASSERT_NE(arena, nullptr);
    void* p = Alloc(arena, 40, 0);  // raw 56 -> 64 with the next start rounded
    Fill(p, 40, 4);
    void* q = Allocator::Realloc(p, 80);
    ASSERT_NE(q, nullptr);
    EXPECT_GT(Address(q), Address(p));
    EXPECT_TRUE(Holds(q, 40, 4));
    EXPECT_TRUE(Holds(p, 40, 4));  // the old block stays used
    EXPECT_EQ(Alloc(arena, 200, 0), nullptr);
    EXPECT_NE(Alloc(arena, 40, 0), nullptr);  // fill 216
    EXPECT_EQ(Alloc(arena, 17, 0), nullptr);  // one byte past the end
    EXPECT_NE(Alloc(arena, 16, 0), nullptr);  // exactly to the end
    EXPECT_EQ(Alloc(arena, 0, 0), nullptr);
    Allocator::Free(q);  // nothing comes back
    EXPECT_EQ(Alloc(arena, 1, 0), nullptr);
    EXPECT_LE(arena->bytesInUse.load(), 256u);
    DestroyAllocator(arena);
    EXPECT_TRUE(parent.live.empty());
    EXPECT_EQ(LinearArena(nullptr, SIZE_MAX - 8), nullptr);
}

// 10,000 random steps over a pool chain, checked against a model of what each
// live block must hold and who must own it.
TEST(AllocatorModelTest, RandomStepsMatchTheShadowModel) {
    CountingAllocator parent, tail;
    Allocator* a = PoolAllocator(&parent, 80, 32, 4, false);
    Allocator* b = PoolAllocator(&parent, 160, 16, 4, false);
    Allocator::SetFallback(a, b);
    Allocator::SetFallback(b, &tail);

    struct Shadow {
        void* p;
        size_t size;
        uint8_t seed;
    };
    std::vector<Shadow> live;
    std::mt19937 rng(1234);
    auto pickSize = [&] {
        switch (rng() % 4) {
            case 0: return size_t{rng() % 65};
            case 1: return size_t{65 + rng() % 80};
            case 2: return size_t{145 + rng() % 600};
            default: return size_t{rng() % 160};
        }
    };
    auto check = [&](const Shadow& s) {
        const BlockHeader* h = GetBlockHeader(s.p);
        ASSERT_TRUE(Holds(s.p, s.size, s.seed));
        size_t align = h->offset == kBlockHeaderSize ? 0 : 64;
        ASSERT_EQ(Address(s.p) % (align ? align : kDefaultAlignment), 0u);
        ASSERT_GE(h->total - h->offset, s.size);
        if (h->owner == a) {
            ASSERT_LE(h->total, 80u);
        }
        if (h->owner == b) {
            ASSERT_LE(h->total, 160u);
        }
    };
    for (int step = 0; step < 10000; ++step) {
        unsigned action = live.empty() ? 0 : rng() % 3;
        uint8_t seed = static_cast<uint8_t>(step);
        if (action == 0) {
            size_t size = pickSize();
            size_t align = rng() % 5 == 0 ? 64 : 0;
            void* p = Alloc(a, size, align);
            ASSERT_NE(p, nullptr);
            Fill(p, size, seed);
            live.push_back({p, size, seed});
        } else {
            size_t index = rng() % live.size();
            Shadow& s = live[index];
            check(s);
            if (action == 1) {
                size_t size = pickSize();
                void* q = Allocator::Realloc(s.p, size);
                ASSERT_NE(q, nullptr);
                size_t kept = s.size < size ? s.size : size;
                ASSERT_TRUE(Holds(q, kept, s.seed)) << "step " << step;
                Fill(q, size, seed);
                s = {q, size, seed};
            } else {
                Allocator::Free(s.p);
                live[index] = live.back();
                live.pop_back();
            }
        }
    }
    for (const Shadow& s : live) {
        check(s);
        Allocator::Free(s.p);
    }
    EXPECT_EQ(a->bytesInUse.load(), 0u);
    EXPECT_EQ(b->bytesInUse.load(), 0u);
    EXPECT_TRUE(tail.live.empty());
    DestroyAllocator(a);
    DestroyAllocator(b);
    EXPECT_TRUE(parent.live.empty());
    EXPECT_EQ(parent.badFrees + tail.badFrees, 0u);
}

}  // namespace
