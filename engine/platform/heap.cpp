// The process heap.
#include "platform/heap.h"

#include <cstdlib>

// A zero-byte request still gets a block of its own, as the allocator expects:
// realloc(p, 0) would free `p` and return null, which a caller reads as
// "failed, the old block is still yours" and later frees a second time.
void* HeapAllocate(size_t size) { return malloc(size != 0 ? size : 1); }
void* HeapResize(void* pointer, size_t size) { return realloc(pointer, size != 0 ? size : 1); }
void HeapRelease(void* pointer) { free(pointer); }
