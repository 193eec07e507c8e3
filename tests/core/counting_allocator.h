// A parent allocator that records every raw block, so tests can prove frees match allocations.
#pragma once

#include <cstdlib>
#include <map>

#include "core/allocator.h"

struct CountingAllocator : Allocator {
    CountingAllocator() : Allocator(&kOps) {}

    std::map<void*, size_t> live;  // raw block -> size
    size_t allocCalls = 0;
    size_t badFrees = 0;           // frees of unknown blocks or with the wrong size
    size_t limit = SIZE_MAX;       // refuses raw blocks larger than this

    static void* AllocOp(Allocator* self, size_t size) {
        auto* counting = static_cast<CountingAllocator*>(self);
        ++counting->allocCalls;
        if (size > counting->limit) return nullptr;
        void* block = aligned_alloc(16, (size + 15) & ~size_t{15});
        if (block) counting->live[block] = size;
        return block;
    }
    static void* ReallocOp(Allocator* self, void* block, size_t oldSize, size_t newSize) {
        auto* counting = static_cast<CountingAllocator*>(self);
        auto found = counting->live.find(block);
        if (found == counting->live.end() || found->second != oldSize) ++counting->badFrees;
        if (newSize > counting->limit) return nullptr;
        counting->live.erase(block);
        void* resized = realloc(block, newSize);
        counting->live[resized ? resized : block] = resized ? newSize : oldSize;
        return resized;
    }
    static void FreeOp(Allocator* self, void* block, size_t size) {
        auto* counting = static_cast<CountingAllocator*>(self);
        auto found = counting->live.find(block);
        if (found == counting->live.end() || found->second != size) {
            ++counting->badFrees;
            return;
        }
        counting->live.erase(found);
        free(block);
    }
    static constexpr AllocatorOps kOps = {nullptr, AllocOp, ReallocOp, FreeOp};
};
