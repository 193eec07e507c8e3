// Block headers, the fallback chain, resizing and the default heap allocator.
#include "core/allocator.h"

#include <cassert>
#include <cstring>
#include <limits>

#include "platform/debug_log.h"
#include "platform/heap.h"

namespace {

// The header's total is 32 bits wide, so no raw block may be larger.
constexpr size_t kMaxRawSize = std::numeric_limits<uint32_t>::max();

BlockHeader* HeaderOf(void* pointer) {
    return reinterpret_cast<BlockHeader*>(static_cast<char*>(pointer) - kBlockHeaderSize);
}

void* RawBlockOf(void* pointer, const BlockHeader* header) {
    return static_cast<char*>(pointer) - header->offset;
}

// Raw size for `size` user bytes at `align`, or 0 when it does not fit a header.
size_t RawSizeFor(size_t size, size_t align) {
    if (align > kMaxRawSize - kBlockHeaderSize) return 0;
    if (size > kMaxRawSize - kBlockHeaderSize - align) return 0;
    return size + align + kBlockHeaderSize;
}

void* WriteHeader(void* raw, Allocator* owner, size_t total, size_t align) {
    assert(reinterpret_cast<uintptr_t>(raw) % alignof(BlockHeader) == 0);
    uintptr_t user = reinterpret_cast<uintptr_t>(raw) + kBlockHeaderSize;
    if (align > 1) user = (user + align - 1) & ~(static_cast<uintptr_t>(align) - 1);
    auto* header = reinterpret_cast<BlockHeader*>(user - kBlockHeaderSize);
    header->owner = owner;
    header->total = static_cast<uint32_t>(total);
    header->offset = static_cast<uint32_t>(user - reinterpret_cast<uintptr_t>(raw));
    return reinterpret_cast<void*>(user);
}

// --- the default heap allocator ---------------------------------------------

void* HeapAllocOp(Allocator* self, size_t size) {
    void* block = HeapAllocate(size);
    if (block) self->bytesInUse.fetch_add(size, std::memory_order_relaxed);
    return block;
}

void* HeapReallocOp(Allocator* self, void* block, size_t oldSize, size_t newSize) {
    void* resized = HeapResize(block, newSize);
    if (resized) {
        self->bytesInUse.fetch_add(newSize, std::memory_order_relaxed);
        self->bytesInUse.fetch_sub(oldSize, std::memory_order_relaxed);
    }
    return resized;
}

void HeapFreeOp(Allocator* self, void* block, size_t size) {
    HeapRelease(block);
    self->bytesInUse.fetch_sub(size, std::memory_order_relaxed);
}

constexpr AllocatorOps kHeapOps = {nullptr, HeapAllocOp, HeapReallocOp, HeapFreeOp};

Allocator gDefaultAllocator(&kHeapOps);

}  // namespace

Allocator* GetDefaultAllocator() { return &gDefaultAllocator; }

void* Alloc(Allocator* allocator, size_t size, size_t align) {
    if ((align & (align - 1)) != 0) {
        LogError("allocation alignment %zu is not a power of two", align);
        return nullptr;
    }
    size_t total = RawSizeFor(size, align);
    if (total == 0) {
        LogError("allocation of %zu bytes (alignment %zu) is too large", size, align);
        return nullptr;
    }
    for (Allocator* server = allocator ? allocator : &gDefaultAllocator; server;
         server = server->fallback) {
        void* raw = server->ops->Alloc(server, total);
        if (raw) return WriteHeader(raw, server, total, align);
    }
    return nullptr;
}

const BlockHeader* GetBlockHeader(const void* pointer) {
    return reinterpret_cast<const BlockHeader*>(static_cast<const char*>(pointer) -
                                                kBlockHeaderSize);
}

void* Allocator::Realloc(void* pointer, size_t size) {
    if (!pointer) return Alloc(nullptr, size, 0);

    size_t newTotal = RawSizeFor(size, 0);
    if (newTotal == 0) {
        LogError("allocation of %zu bytes is too large", size);
        return nullptr;
    }
    BlockHeader* header = HeaderOf(pointer);
    Allocator* owner = header->owner;
    const size_t oldTotal = header->total;
    const size_t oldUserSize = oldTotal - header->offset;

    // An aligned block has its data past a gap that a raw resize would not keep
    // in place, so only a plain block is resized by its owner.
    if (header->offset == kBlockHeaderSize) {
        void* raw = RawBlockOf(pointer, header);
        void* resized = owner->ops->Realloc(owner, raw, oldTotal, newTotal);
        if (resized) return WriteHeader(resized, owner, newTotal, 0);
    }

    // Moving: the owner cannot resize in place, so its chain serves a fresh block.
    // An aligned block may still use the owner itself; a plain one the owner just refused.
    Allocator* server = header->offset == kBlockHeaderSize ? owner->fallback : owner;
    if (!server) return nullptr;
    void* moved = Alloc(server, size, 0);
    if (!moved) return nullptr;
    memcpy(moved, pointer, oldUserSize < size ? oldUserSize : size);
    Free(pointer);
    return moved;
}

void Allocator::Free(void* pointer) {
    if (!pointer) return;
    BlockHeader* header = HeaderOf(pointer);
    Allocator* owner = header->owner;
    owner->ops->Free(owner, RawBlockOf(pointer, header), header->total);
}

void Allocator::SetFallback(Allocator* allocator, Allocator* fallback) {
    for (Allocator* link = fallback; link; link = link->fallback) {
        if (link == allocator) {
            LogError("allocator fallback would form a loop; not set");
            return;
        }
    }
    allocator->fallback = fallback;
}

void FreeObject(void* pointer) { Allocator::Free(pointer); }

void DestroyAllocator(Allocator* allocator) {
    if (!allocator || !allocator->ops->Destroy) return;
    allocator->ops->Destroy(allocator);
}
