// Where all engine memory comes from. An Allocator is a plain structure whose
// first word points to a table of four operations; every block handed out by
// Alloc carries a 16-byte header naming the allocator that really served it,
// so Allocator::Free releases any block, and an allocator that cannot serve a
// request passes it on to its fallback. A null allocator means the default heap.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

struct Allocator;

// The operations of one kind of allocator, on raw blocks (header included).
// Raw blocks are 16-byte aligned so the header and the default user alignment hold.
struct AllocatorOps {
    void (*Destroy)(Allocator* self);  // null for the default heap allocator
    void* (*Alloc)(Allocator* self, size_t size);
    void* (*Realloc)(Allocator* self, void* block, size_t oldSize, size_t newSize);
    void (*Free)(Allocator* self, void* block, size_t size);
};

struct Allocator {
    constexpr explicit Allocator(const AllocatorOps* table) : ops(table) {}
    Allocator(const Allocator&) = delete;
    Allocator& operator=(const Allocator&) = delete;

    const AllocatorOps* ops;
    size_t capacity = 0;                  // bytes the allocator can hand out; 0 = unbounded
    std::atomic<size_t> bytesInUse{0};    // statistics, readable from any thread
    Allocator* fallback = nullptr;        // asked when this one cannot serve

    // Resizes a block from Alloc (null = a new block). The result keeps the
    // default alignment only. On failure returns null and the old block stays
    // valid and unchanged.
    static void* Realloc(void* pointer, size_t size);
    // Releases a block from Alloc through the allocator that served it; null is ignored.
    static void Free(void* pointer);
    // Sets where requests go when `allocator` cannot serve them (null = nowhere).
    // A fallback that would close a loop is refused with a log line.
    static void SetFallback(Allocator* allocator, Allocator* fallback);
};

// Bytes in front of every user pointer, and the alignment a user pointer has
// when no other alignment was asked for.
constexpr size_t kBlockHeaderSize = 16;
constexpr size_t kDefaultAlignment = 16;

// The header right before each user pointer. It lives only in memory.
struct BlockHeader {
    Allocator* owner;  // the allocator that served the raw block
    uint32_t total;    // the raw block's size: user size + alignment + header
    uint32_t offset;   // from the raw block's start to the user pointer
};
static_assert(sizeof(BlockHeader) == kBlockHeaderSize, "block header must stay 16 bytes");

// A user block of `size` bytes from `allocator` (null = default) or its
// fallbacks, aligned to `align` (0 = the default, else a power of two).
// Null when every allocator in the chain failed or the size overflows.
void* Alloc(Allocator* allocator, size_t size, size_t align);

// The header of a block from Alloc.
const BlockHeader* GetBlockHeader(const void* pointer);

Allocator* GetDefaultAllocator();

// A pool of `count` fixed blocks of `elementSize` bytes (header included) in one
// allocation from `parent` (null = default). Pool blocks are 16-byte aligned;
// a larger `align` is reduced to 16 and 0 means 16. With `locked` the pool
// serialises its operations so several threads may share it.
// Null when the parent cannot supply the memory or the sizes overflow.
Allocator* PoolAllocator(Allocator* parent, size_t elementSize, uint32_t count, size_t align,
                         bool locked);

// A bump allocator over one region of `capacity` bytes from `parent`: freeing
// does nothing and resizing copies into a fresh block; all of it goes at once
// with DestroyAllocator.
Allocator* LinearArena(Allocator* parent, size_t capacity);

// Releases a plain object made with Alloc (the release operation of managers
// and lists); the same as Allocator::Free.
void FreeObject(void* pointer);

// Destroys an allocator through its Destroy operation. Null and the default
// heap allocator are ignored. Every block must have been freed first.
void DestroyAllocator(Allocator* allocator);
