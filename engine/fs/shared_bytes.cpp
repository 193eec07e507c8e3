// SharedBytes: the reference count behind memory packs and their streams.
#include "fs/shared_bytes.h"

#include <new>

#include "core/allocator.h"

SharedBytes* SharedBytes::Adopt(void* data, uint32_t size) {
    if (data == nullptr) return nullptr;
    // The holder comes from the default heap too: its last release may run on any thread.
    void* memory = Alloc(nullptr, sizeof(SharedBytes), 0);
    if (memory == nullptr) {
        Allocator::Free(data);
        return nullptr;
    }
    return new (memory) SharedBytes(data, size);
}

void SharedBytes::Release() {
    // Acquire so that every holder's use of the bytes comes before they go.
    if (references_.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    Allocator::Free(data_);
    this->~SharedBytes();
    Allocator::Free(this);
}
