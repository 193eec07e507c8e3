// MemoryStream: a fixed block of memory seen as a stream; it never grows.
// The shared kind holds a reference of the block it reads.
#include <cstring>

#include "fs/object_alloc.h"
#include "fs/shared_bytes.h"
#include "fs/stream.h"

namespace {

struct MemoryStreamObject : Stream {
    uint8_t* data = nullptr;
    uint32_t size = 0;
    uint32_t position = 0;
    bool ownsData = false;
    SharedBytes* shared = nullptr;  // held until release
};

MemoryStreamObject* Self(Stream* stream) { return static_cast<MemoryStreamObject*>(stream); }

void MemoryRelease(Stream* stream) {
    MemoryStreamObject* self = Self(stream);
    if (self->ownsData) Allocator::Free(self->data);
    if (self->shared != nullptr) self->shared->Release();
    DeleteObject(self);
}

// The bytes from the position to the end, at most `count`; positions are
// compared unsigned so a seek before the start reads nothing.
uint32_t Available(const MemoryStreamObject* self, uint32_t count) {
    if (self->position >= self->size) return 0;
    uint32_t left = self->size - self->position;
    return count < left ? count : left;
}

uint32_t MemoryRead(Stream* stream, void* buffer, uint32_t count) {
    MemoryStreamObject* self = Self(stream);
    uint32_t n = Available(self, count);
    if (n > 0) memcpy(buffer, self->data + self->position, n);
    self->position += n;
    return n;
}

uint32_t MemoryWrite(Stream* stream, const void* buffer, uint32_t count) {
    MemoryStreamObject* self = Self(stream);
    uint32_t n = Available(self, count);
    if (n > 0) memcpy(self->data + self->position, buffer, n);
    self->position += n;
    return n;
}

int32_t MemoryFlush(Stream*) { return 0; }

uint32_t MemorySeek(Stream* stream, int32_t offset, int whence) {
    MemoryStreamObject* self = Self(stream);
    int64_t target;
    if (!SeekTarget(offset, whence, self->position, self->size, &target)) return 0;
    self->position = static_cast<uint32_t>(target);
    return self->position;
}

uint32_t MemoryTell(Stream* stream) { return Self(stream)->position; }
uint32_t MemorySize(Stream* stream) { return Self(stream)->size; }
int MemoryState(Stream* stream) {
    return Self(stream)->position < Self(stream)->size ? kStreamHasData : kStreamAtEnd;
}

constexpr StreamOps kMemoryStreamOps = {MemoryRelease, MemoryRead, MemoryWrite, MemoryFlush,
                                        MemorySeek,    MemoryTell, MemorySize,  MemoryState, nullptr, nullptr};

}  // namespace

Stream* MemoryStream(void* data, uint32_t size, bool ownsData, Allocator* allocator) {
    if (data == nullptr && size > 0) return nullptr;
    MemoryStreamObject* self = NewObject<MemoryStreamObject>(allocator);
    if (self == nullptr) return nullptr;
    self->ops = &kMemoryStreamOps;
    self->data = static_cast<uint8_t*>(data);
    self->size = size;
    self->ownsData = ownsData;
    return self;
}

Stream* SharedMemoryStream(SharedBytes* bytes, uint32_t offset, uint32_t size, Allocator* allocator) {
    if (bytes == nullptr || uint64_t{offset} + size > bytes->Size()) return nullptr;
    Stream* stream = MemoryStream(const_cast<uint8_t*>(bytes->Data()) + offset, size, false, allocator);
    if (stream == nullptr) return nullptr;
    bytes->Retain();
    Self(stream)->shared = bytes;
    return stream;
}
