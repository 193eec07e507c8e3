// The voices' ring buffer of planar samples.
#include <cstring>

#include "media/sound_codec.h"

namespace {

uint32_t HeadBytes(uint32_t alignment) {
    uint32_t head = sizeof(SoundRingBuffer);
    if (alignment > 1) head = (head + alignment - 1) / alignment * alignment;
    return head;
}

}  // namespace

size_t SoundRingBuffer::Size(uint32_t channels, uint32_t capacity, uint32_t gap, uint32_t alignment) {
    // The memory itself may be misaligned by up to alignment - 1 bytes.
    return HeadBytes(alignment) + static_cast<size_t>(channels) * (capacity + gap) + alignment;
}

SoundRingBuffer* SoundRingBuffer::Build(void* memory, uint32_t channels, uint32_t capacity, uint32_t gap,
                                        uint32_t alignment) {
    auto* ring = static_cast<SoundRingBuffer*>(memory);
    std::memset(ring, 0, sizeof *ring);
    ring->capacity = capacity;
    ring->gap = gap;
    ring->channels = channels;
    uintptr_t data = reinterpret_cast<uintptr_t>(memory) + sizeof(SoundRingBuffer);
    if (alignment > 1) data = (data + alignment - 1) / alignment * alignment;
    ring->dataOffset = static_cast<uint32_t>(data - reinterpret_cast<uintptr_t>(memory));
    return ring;
}

uint32_t SoundRingBuffer::GetWriteBlock(int32_t** pointers) {
    if (fill >= capacity) return 0;
    for (uint32_t c = 0; c < channels; ++c) {
        pointers[c] = reinterpret_cast<int32_t*>(reinterpret_cast<char*>(Channel(c)) + writePos);
    }
    return (writePos < readPos ? readPos : capacity) - writePos;
}

uint32_t SoundRingBuffer::GetReadBlock(int32_t** pointers) {
    if (fill == 0) return 0;
    for (uint32_t c = 0; c < channels; ++c) {
        pointers[c] = reinterpret_cast<int32_t*>(reinterpret_cast<char*>(Channel(c)) + readPos);
    }
    return (readPos < writePos ? writePos : capacity) - readPos;
}

void SoundRingBuffer::CommitWrite(uint32_t bytes) {
    if (bytes > capacity - fill) bytes = capacity - fill;
    writePos = (writePos + bytes) % capacity;
    fill += bytes;
}

void SoundRingBuffer::CommitRead(uint32_t bytes) {
    if (bytes > fill) bytes = fill;
    readPos = (readPos + bytes) % capacity;
    fill -= bytes;
}

void SoundRingBuffer::Reset() { readPos = writePos = fill = 0; }
