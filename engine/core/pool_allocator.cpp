// Fixed-block pools: O(1) allocation for the many small objects of the script
// VM, with no system call. All blocks come from one allocation; a request that
// does not fit a block, or meets an empty pool, goes on to the fallback.
#include "core/allocator.h"

#include <cassert>
#include <mutex>
#include <new>

#include "platform/debug_log.h"

namespace {

constexpr size_t kPoolBlockAlignment = 16;

void* PoolAllocOp(Allocator* self, size_t size);
void* PoolReallocOp(Allocator* self, void* block, size_t oldSize, size_t newSize);
void PoolFreeOp(Allocator* self, void* block, size_t size);
void PoolDestroyOp(Allocator* self);

constexpr AllocatorOps kPoolOps = {PoolDestroyOp, PoolAllocOp, PoolReallocOp, PoolFreeOp};

struct FreeBlock {
    FreeBlock* next;
};

struct Pool : Allocator {
    Pool() : Allocator(&kPoolOps) {}

    FreeBlock* freeHead = nullptr;
    uint32_t blockSize = 0;
    uint32_t blockCount = 0;
    uint32_t blocksInUse = 0;
    bool locked = false;
    std::mutex lock;  // taken only when `locked`; the pool never re-enters it
    char* blocks = nullptr;
};

// Takes the pool's lock for a scope when the pool was made locked.
class PoolGuard {
public:
    explicit PoolGuard(Pool* pool) : pool_(pool) {
        if (pool_->locked) pool_->lock.lock();
    }
    ~PoolGuard() {
        if (pool_->locked) pool_->lock.unlock();
    }
    PoolGuard(const PoolGuard&) = delete;
    PoolGuard& operator=(const PoolGuard&) = delete;

private:
    Pool* pool_;
};

// Every writer of a pool's counter holds its lock or is the pool's only
// thread, so a plain load and store is enough and keeps the fast path cheap.
void AdjustBytesInUse(Pool* pool, size_t add, size_t remove) {
    size_t value = pool->bytesInUse.load(std::memory_order_relaxed);
    pool->bytesInUse.store(value + add - remove, std::memory_order_relaxed);
}

void* PoolAllocOp(Allocator* self, size_t size) {
    auto* pool = static_cast<Pool*>(self);
    PoolGuard guard(pool);
    FreeBlock* block = pool->freeHead;
    if (size > pool->blockSize || !block) return nullptr;
    pool->freeHead = block->next;
    ++pool->blocksInUse;
    AdjustBytesInUse(pool, pool->blockSize, 0);
    return block;
}

void* PoolReallocOp(Allocator* self, void* block, size_t oldSize, size_t newSize) {
    auto* pool = static_cast<Pool*>(self);
    return newSize <= pool->blockSize ? block : nullptr;
}

void PoolFreeOp(Allocator* self, void* block, size_t size) {
    auto* pool = static_cast<Pool*>(self);
    assert(static_cast<char*>(block) >= pool->blocks &&
           static_cast<char*>(block) < pool->blocks + size_t{pool->blockSize} * pool->blockCount &&
           (static_cast<char*>(block) - pool->blocks) % pool->blockSize == 0);
    PoolGuard guard(pool);
    auto* freed = static_cast<FreeBlock*>(block);
    freed->next = pool->freeHead;
    pool->freeHead = freed;
    --pool->blocksInUse;
    AdjustBytesInUse(pool, 0, pool->blockSize);
}

void PoolDestroyOp(Allocator* self) {
    auto* pool = static_cast<Pool*>(self);
    if (pool->blocksInUse != 0)
        LogWarning("pool destroyed with %u blocks still in use", pool->blocksInUse);
    pool->~Pool();
    Allocator::Free(pool);
}

}  // namespace

Allocator* PoolAllocator(Allocator* parent, size_t elementSize, uint32_t count, size_t align,
                         bool locked) {
    (void)align;  // every pool block gets the default alignment, which covers any smaller one
    size_t blockSize = (elementSize + kPoolBlockAlignment - 1) & ~(kPoolBlockAlignment - 1);
    if (blockSize < elementSize || blockSize > UINT32_MAX) {
        LogError("pool block size %zu is too large", elementSize);
        return nullptr;
    }
    if (blockSize < sizeof(FreeBlock)) blockSize = kPoolBlockAlignment;
    if (count != 0 && blockSize > (SIZE_MAX - sizeof(Pool) - kPoolBlockAlignment) / count) {
        LogError("pool of %u blocks of %zu bytes is too large", count, blockSize);
        return nullptr;
    }
    size_t areaSize = blockSize * count;
    void* memory = Alloc(parent, sizeof(Pool) + kPoolBlockAlignment + areaSize, alignof(Pool));
    if (!memory) return nullptr;

    auto* pool = new (memory) Pool();
    uintptr_t first = reinterpret_cast<uintptr_t>(pool + 1);
    first = (first + kPoolBlockAlignment - 1) & ~(uintptr_t{kPoolBlockAlignment} - 1);
    pool->blocks = reinterpret_cast<char*>(first);
    pool->blockSize = static_cast<uint32_t>(blockSize);
    pool->blockCount = count;
    pool->locked = locked;
    pool->capacity = areaSize;

    // Chained in address order so the first allocation takes the lowest block.
    FreeBlock* next = nullptr;
    for (uint32_t i = count; i > 0; --i) {
        auto* block = reinterpret_cast<FreeBlock*>(pool->blocks + size_t{i - 1} * blockSize);
        block->next = next;
        next = block;
    }
    pool->freeHead = next;
    return pool;
}
