// Placement of the fs layer's objects (streams, managers) in blocks from an
// Allocator, so that each object releases itself into the allocator it came from.
#pragma once

#include <new>
#include <utility>

#include "core/allocator.h"

// A value-initialised T from `allocator` (null = default), or null.
template <typename T>
T* NewObject(Allocator* allocator) {
    void* block = Alloc(allocator, sizeof(T), alignof(T) > kDefaultAlignment ? alignof(T) : 0);
    if (block == nullptr) return nullptr;
    return new (block) T();
}

template <typename T>
void DeleteObject(T* object) {
    if (object == nullptr) return;
    object->~T();
    Allocator::Free(object);
}
