// Small helpers shared by the image readers: exact reads, little-endian
// fields and how many bytes a stream still holds.
#pragma once

#include <cstdint>
#include <cstring>

#include "fs/stream.h"
#include "gfx/image.h"

namespace image_reader {

inline bool ReadExact(Stream* stream, void* buffer, uint64_t count) {
    auto* bytes = static_cast<uint8_t*>(buffer);
    while (count > 0) {
        uint32_t chunk = count > 0x40000000u ? 0x40000000u : static_cast<uint32_t>(count);
        if (stream->Read(bytes, chunk) != chunk) return false;
        bytes += chunk;
        count -= chunk;
    }
    return true;
}

inline uint32_t U32At(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

inline int32_t I32At(const uint8_t* p) { return static_cast<int32_t>(U32At(p)); }

inline uint16_t U16At(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// Bytes from the position to the end (0 when the position is past it).
inline uint64_t BytesLeft(Stream* stream) {
    uint32_t size = stream->Size();
    uint32_t position = stream->Tell();
    return position < size ? size - position : 0;
}

// An image of `type` sized by ImageDataSize, its pixels not cleared; null
// with a log line when the memory is not there. The size is checked first.
Image* NewReaderImage(int32_t width, int32_t height, PixelFormat type, Allocator* allocator);

}  // namespace image_reader
