// A bump allocator over one fixed region: allocation moves a fill mark,
// freeing does nothing, and the whole region goes when the arena is destroyed.
#include "core/allocator.h"

#include <cstring>
#include <new>

namespace {

constexpr size_t kArenaAlignment = 16;

void* ArenaAllocOp(Allocator* self, size_t size);
void* ArenaReallocOp(Allocator* self, void* block, size_t oldSize, size_t newSize);
void ArenaFreeOp(Allocator*, void*, size_t) {}
void ArenaDestroyOp(Allocator* self);

constexpr AllocatorOps kArenaOps = {ArenaDestroyOp, ArenaAllocOp, ArenaReallocOp, ArenaFreeOp};

struct Arena : Allocator {
    Arena() : Allocator(&kArenaOps) {}
    char* region = nullptr;
    size_t fill = 0;
};

void* ArenaAllocOp(Allocator* self, size_t size) {
    auto* arena = static_cast<Arena*>(self);
    size_t start = (arena->fill + kArenaAlignment - 1) & ~(kArenaAlignment - 1);
    if (start > arena->capacity || size > arena->capacity - start) return nullptr;
    arena->fill = start + size;
    arena->bytesInUse.store(arena->fill, std::memory_order_relaxed);
    return arena->region + start;
}

// The old block stays used: an arena never takes space back.
void* ArenaReallocOp(Allocator* self, void* block, size_t oldSize, size_t newSize) {
    void* fresh = ArenaAllocOp(self, newSize);
    if (fresh) memcpy(fresh, block, oldSize < newSize ? oldSize : newSize);
    return fresh;
}

void ArenaDestroyOp(Allocator* self) {
    auto* arena = static_cast<Arena*>(self);
    arena->~Arena();
    Allocator::Free(arena);
}

}  // namespace

Allocator* LinearArena(Allocator* parent, size_t capacity) {
    if (capacity > SIZE_MAX - sizeof(Arena) - kArenaAlignment) return nullptr;
    void* memory = Alloc(parent, sizeof(Arena) + kArenaAlignment + capacity, alignof(Arena));
    if (!memory) return nullptr;
    auto* arena = new (memory) Arena();
    uintptr_t region = reinterpret_cast<uintptr_t>(arena + 1);
    region = (region + kArenaAlignment - 1) & ~(uintptr_t{kArenaAlignment} - 1);
    arena->region = reinterpret_cast<char*>(region);
    arena->capacity = capacity;
    return arena;
}
