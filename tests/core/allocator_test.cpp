// Block headers, alignment, the pool fallback chain against a shadow model, the
// arena and the fixed-capacity hash table.
#include "core/allocator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "core/hash_table.h"
#include "tests/core/counting_allocator.h"
#include "tests/support/log_capture.h"

namespace {

uintptr_t Address(const void* p) { return reinterpret_cast<uintptr_t>(p); }
void Fill(void* p, size_t size, uint8_t seed) {
    for (size_t i = 0; i < size; ++i) static_cast<uint8_t*>(p)[i] = static_cast<uint8_t>(seed + i * 7);
}
bool Holds(const void* p, size_t size, uint8_t seed) {
    for (size_t i = 0; i < size; ++i)
        if (static_cast<const uint8_t*>(p)[i] != static_cast<uint8_t>(seed + i * 7)) return false;
    return true;
}

TEST(AllocTest, HeadersAlignmentAndExactFrees) {
    CountingAllocator counting;
    for (size_t align : {0, 8, 16, 64, 256}) {
        for (size_t size : {0, 1, 1000}) {
            SCOPED_TRACE(testing::Message() << "size " << size << " align " << align);
            void* p = Alloc(&counting, size, align);
            ASSERT_NE(p, nullptr);
            EXPECT_EQ(Address(p) % (align > kDefaultAlignment ? align : kDefaultAlignment), 0u);
            const BlockHeader* header = GetBlockHeader(p);
            EXPECT_EQ(header->owner, &counting);
            EXPECT_EQ(header->total, size + align + kBlockHeaderSize);
            ASSERT_EQ(counting.live.size(), 1u);
            EXPECT_EQ(counting.live.begin()->second, header->total);
            EXPECT_EQ(Address(counting.live.begin()->first) + header->offset, Address(p));
            EXPECT_LE(header->offset, kBlockHeaderSize + (align ? align - 1 : 0));
            FreeObject(p);
            EXPECT_TRUE(counting.live.empty());
        }
    }
    EXPECT_EQ(counting.badFrees, 0u);
}

TEST(AllocTest, RejectsOverflowingAndMalformedRequests) {
    LogCapture log;
    EXPECT_EQ(Alloc(nullptr, SIZE_MAX, 0), nullptr);
    EXPECT_EQ(Alloc(nullptr, UINT32_MAX - kBlockHeaderSize + 1, 0), nullptr);
    EXPECT_EQ(Alloc(nullptr, 16, SIZE_MAX / 2 + 1), nullptr);
    EXPECT_EQ(Alloc(nullptr, 16, 24), nullptr);  // not a power of two
    EXPECT_TRUE(log.Contains("too large"));
    EXPECT_TRUE(log.Contains("not a power of two"));
    void* p = Alloc(nullptr, 40, 0);
    Fill(p, 40, 9);
    EXPECT_EQ(Allocator::Realloc(p, SIZE_MAX - 15), nullptr);
    EXPECT_TRUE(Holds(p, 40, 9));
    Allocator::Free(p);
    log.Clear();
    EXPECT_EQ(PoolAllocator(nullptr, SIZE_MAX - 3, 2, 0, false), nullptr);
    EXPECT_EQ(PoolAllocator(nullptr, SIZE_MAX / 8, 100, 0, false), nullptr);
    EXPECT_EQ(LinearArena(nullptr, SIZE_MAX - 8), nullptr);
    EXPECT_GE(log.Count(), 2u);
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
    void *p1 = Alloc(a, 8, 0), *p2 = Alloc(a, 8, 0);
    EXPECT_EQ(Alloc(a, 8, 0), nullptr);  // both full: the chain ends
    for (void* p : {p1, p2}) Allocator::Free(p);
    for (Allocator* pool : {a, b}) DestroyAllocator(pool);
}

TEST(PoolTest, ChainRoutingAndOddSizes) {
    CountingAllocator parent, tail;
    Allocator* a = PoolAllocator(&parent, 80, 4, 4, false);
    Allocator* b = PoolAllocator(&parent, 160, 3, 4, false);
    Allocator::SetFallback(a, b);
    Allocator::SetFallback(b, &tail);
    const std::pair<size_t, Allocator*> cases[] = {{1, a}, {64, a}, {65, b}, {144, b}, {145, &tail}};
    for (const auto& c : cases) {
        void* p = Alloc(a, c.first, 0);
        EXPECT_EQ(GetBlockHeader(p)->owner, c.second) << "size " << c.first;
        Allocator::Free(p);
    }
    void *first = Alloc(a, 8, 0), *second = Alloc(a, 8, 0);
    EXPECT_EQ(Address(second) - Address(first), 80u);
    for (void* p : {second, first}) Allocator::Free(p);
    for (Allocator* pool : {a, b}) DestroyAllocator(pool);
    EXPECT_TRUE(parent.live.empty());
    for (size_t align : {0, 4, 64}) {  // all give 16-byte aligned 48-byte steps
        Allocator* pool = PoolAllocator(nullptr, 41, 3, align, false);
        void *p1 = Alloc(pool, 20, 0), *p2 = Alloc(pool, 20, 0);
        EXPECT_EQ(Address(p2) - Address(p1), 48u);
        EXPECT_EQ(Address(p1) % 16, 0u);
        EXPECT_EQ(Allocator::Realloc(p1, 200), nullptr);  // no fallback: the old block stays
        for (void* p : {p1, p2}) Allocator::Free(p);
        DestroyAllocator(pool);
    }
}

TEST(LinearArenaTest, BumpsAndCopiesAndRunsOut) {
    CountingAllocator parent;
    Allocator* arena = LinearArena(&parent, 256);
    ASSERT_NE(arena, nullptr);
    void* p = Alloc(arena, 40, 0);  // raw 56 -> 64 with the next start rounded
    Fill(p, 40, 4);
    void* q = Allocator::Realloc(p, 80);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(Address(q) - Address(p), 64u);
    EXPECT_TRUE(Holds(q, 40, 4));
    EXPECT_NE(Alloc(arena, 40, 0), nullptr);  // fill 216
    EXPECT_EQ(Alloc(arena, 17, 0), nullptr);  // one byte past the end
    EXPECT_NE(Alloc(arena, 16, 0), nullptr);  // exactly to the end
    EXPECT_EQ(Alloc(arena, 0, 0), nullptr);
    Allocator::Free(q);  // nothing comes back
    EXPECT_EQ(Alloc(arena, 1, 0), nullptr);
    DestroyAllocator(arena);
    EXPECT_TRUE(parent.live.empty());
}

// Random steps over a pool chain against a model of each live block's bytes and owner.
TEST(AllocatorModelTest, RandomStepsMatchTheShadowModel) {
    CountingAllocator parent, tail;
    Allocator* a = PoolAllocator(&parent, 80, 32, 4, false);
    Allocator* b = PoolAllocator(&parent, 160, 16, 4, false);
    Allocator::SetFallback(a, b);
    Allocator::SetFallback(b, &tail);
    struct Shadow { void* p; size_t size; uint8_t seed; };
    std::vector<Shadow> live;
    std::mt19937 rng(1234);
    auto pickSize = [&] {
        size_t ranges[][2] = {{0, 65}, {65, 80}, {145, 600}, {0, 160}};
        auto* r = ranges[rng() % 4];
        return r[0] + rng() % r[1];
    };
    auto check = [&](const Shadow& s) {
        const BlockHeader* h = GetBlockHeader(s.p);
        ASSERT_TRUE(Holds(s.p, s.size, s.seed));
        ASSERT_EQ(Address(s.p) % (h->offset == kBlockHeaderSize ? kDefaultAlignment : 64), 0u);
        ASSERT_GE(h->total - h->offset, s.size);
        ASSERT_LE(h->total, h->owner == a ? 80u : h->owner == b ? 160u : 1000u);
    };
    for (int step = 0; step < 10000; ++step) {
        unsigned action = live.empty() ? 0 : rng() % 3;
        uint8_t seed = static_cast<uint8_t>(step);
        if (action == 0) {
            size_t size = pickSize();
            void* p = Alloc(a, size, rng() % 5 == 0 ? 64 : 0);
            ASSERT_NE(p, nullptr);
            Fill(p, size, seed);
            live.push_back({p, size, seed});
            continue;
        }
        size_t index = rng() % live.size();
        Shadow& s = live[index];
        check(s);
        if (action == 1) {
            size_t size = pickSize();
            void* q = Allocator::Realloc(s.p, size);
            ASSERT_NE(q, nullptr);
            ASSERT_TRUE(Holds(q, s.size < size ? s.size : size, s.seed)) << "step " << step;
            Fill(q, size, seed);
            s = {q, size, seed};
        } else {
            Allocator::Free(s.p);
            live[index] = live.back();
            live.pop_back();
        }
    }
    for (const Shadow& s : live) {
        check(s);
        Allocator::Free(s.p);
    }
    EXPECT_EQ(a->bytesInUse.load() + b->bytesInUse.load(), 0u);
    for (Allocator* pool : {a, b}) DestroyAllocator(pool);
    EXPECT_TRUE(parent.live.empty() && tail.live.empty());
    EXPECT_EQ(parent.badFrees + tail.badFrees, 0u);
}

uint32_t ToOneBucket(uint32_t) { return 7; }
int SameLowByte(uint32_t a, uint32_t b) { return (a & 0xFF) == (b & 0xFF) ? 0 : 1; }

TEST(HashTableTest, ChainsCapacityAndCustomCompare) {
    CountingAllocator counting;
    HashTable* table = HashTableCreate(4, 4, nullptr, nullptr, &counting);
    EXPECT_EQ(counting.live.size(), 1u);  // one block for everything
    int v[5];
    for (int i = 0; i < 4; ++i) HashTableInsert(table, i < 3 ? 1 + 4 * i : 9, &v[i]);  // one bucket; 9 twice
    EXPECT_EQ(HashTableInsert(table, 2, &v[4]), nullptr);
    EXPECT_EQ(HashTableLookup(table, 9), &v[3]);  // the newest of a duplicate
    EXPECT_EQ(HashTableLookup(table, 13), nullptr);
    HashEntry* removed = HashTableRemove(table, 5);  // the middle of the chain
    ASSERT_NE(removed, nullptr);
    EXPECT_EQ(removed->value, &v[1]);
    EXPECT_EQ(HashTableLookup(table, 1), &v[0]);
    EXPECT_EQ(HashTableLookup(table, 9), &v[3]);
    EXPECT_EQ(HashTableRemove(table, 5), nullptr);
    HashEntry* newest = HashTableRemove(table, 9);
    EXPECT_EQ(HashTableLookup(table, 9), &v[2]);
    EXPECT_EQ(table->usedCount, 2u);
    EXPECT_EQ(HashTableInsert(table, 2, &v[4]), newest);  // freed entries are reused
    FreeObject(table);
    EXPECT_TRUE(counting.live.empty());

    table = HashTableCreate(16, 8, ToOneBucket, SameLowByte, nullptr);
    EXPECT_EQ(HashTableInsert(table, 0x1234, &v[0])->hash, 7u);
    HashTableInsert(table, 0x5678, &v[1]);
    EXPECT_EQ(HashTableLookup(table, 0xFF34), &v[0]);
    EXPECT_EQ(HashTableLookup(table, 0x0078), &v[1]);
    EXPECT_EQ(HashTableLookup(table, 0x0012), nullptr);
    FreeObject(table);
    EXPECT_EQ(HashTableCreate(0, 4, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(HashTableCreate(UINT32_MAX, UINT32_MAX, nullptr, nullptr, nullptr), nullptr);
}

}  // namespace
