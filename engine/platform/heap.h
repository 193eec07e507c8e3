// The process heap that the default allocator is built on.
#pragma once

#include <cstddef>

// Null only when memory runs out; a size of 0 gives a valid, distinct block.
void* HeapAllocate(size_t size);
// Null when memory runs out, and then `pointer` is untouched and still owned.
void* HeapResize(void* pointer, size_t size);
void HeapRelease(void* pointer);
