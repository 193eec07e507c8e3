// A block of bytes with several holders: a pack held in memory and every
// stream opened on its entries. A stream may outlive the pack (a sound the
// mixer thread still plays after the script dropped the pack), so the block
// goes only when its last holder lets go, on whichever thread that is.
#pragma once

#include <atomic>
#include <cstdint>

struct Allocator;
struct Stream;

class SharedBytes {
public:
    // Takes `data` (`size` bytes from Alloc of an allocator that any thread
    // may free into, such as the default heap) with one reference for the
    // caller. Null, with the block freed, when memory runs out.
    static SharedBytes* Adopt(void* data, uint32_t size);
    void Retain() { references_.fetch_add(1, std::memory_order_relaxed); }
    // The last release frees the block and this.
    void Release();

    const uint8_t* Data() const { return data_; }
    uint32_t Size() const { return size_; }

private:
    SharedBytes(void* data, uint32_t size) : data_(static_cast<uint8_t*>(data)), size_(size) {}

    uint8_t* data_;
    uint32_t size_;
    std::atomic<uint32_t> references_{1};
};

// A MemoryStream over `size` bytes at `offset` in `bytes` that holds a
// reference until it is released. Null when the range lies outside the block
// or memory runs out.
Stream* SharedMemoryStream(SharedBytes* bytes, uint32_t offset, uint32_t size, Allocator* allocator);
