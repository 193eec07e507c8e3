// The typed little-endian accessors, line reading and writing, and loading a
// stream whole into memory; all of them work through the operations table.
#include "fs/stream.h"

#include <cstring>

#include "core/allocator.h"
#include "platform/debug_log.h"

int32_t Stream::ReadByte() {
    int8_t value = 0;
    if (Read(&value, 1) != 1) return 0;
    return value;
}

int8_t Stream::ReadI8() {
    int8_t value = 0;
    if (Read(&value, 1) != 1) return 0;
    return value;
}

int16_t Stream::ReadI16() {
    uint8_t bytes[2] = {0, 0};
    if (Read(bytes, 2) != 2) return 0;
    return static_cast<int16_t>(bytes[0] | (bytes[1] << 8));
}

uint32_t Stream::ReadU32() {
    uint8_t bytes[4] = {0, 0, 0, 0};
    if (Read(bytes, 4) != 4) return 0;
    return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
           (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

uint32_t Stream::WriteByte(int32_t value) {
    uint8_t byte = static_cast<uint8_t>(value & 0xFF);
    return Write(&byte, 1);
}

uint32_t Stream::WriteU32(uint32_t value) {
    uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                        static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return Write(bytes, 4);
}

bool SeekTarget(int32_t offset, int whence, uint32_t position, uint32_t size, int64_t* target) {
    int64_t base;
    switch (whence) {
        case kSeekSet: base = 0; break;
        case kSeekCurrent: base = position; break;
        case kSeekEnd: base = size; break;
        default: return false;
    }
    *target = base + offset;
    return true;
}

uint32_t Stream::ReadLine(char* buffer, uint32_t size, bool dropRest) {
    if (buffer == nullptr || size == 0) return 0;
    uint32_t length = 0;
    // A read that brings nothing ends the line even while State still claims
    // data (a damaged compressed stream), so line loops always finish.
    while (length < size - 1 && State() == kStreamHasData) {
        char c = 0;
        if (Read(&c, 1) != 1) break;
        if (c == '\n') break;  // a lone LF ends a line too (files edited on Unix)
        if (c == '\r') {
            if (Read(&c, 1) != 1) break;
            if (c == '\n') break;
        }
        buffer[length++] = c;
    }
    buffer[length] = '\0';
    if (dropRest && length == size - 1) {
        // Up to the LF that ends the line, which a full buffer may still have before it.
        char c = 0;
        while (State() == kStreamHasData && Read(&c, 1) == 1 && c != '\n') {
        }
    }
    return length;
}

uint32_t Stream::WriteLine(const char* text) {
    uint32_t written = 0;
    if (text != nullptr) written = Write(text, static_cast<uint32_t>(strlen(text)));
    Write("\r\n", 2);
    return written;
}

namespace {

// Reads the stream whole into a new block and releases it; null when the
// block cannot be had. *got is the count that really came.
void* ReadAllAndRelease(Stream* stream, uint32_t* size, uint32_t* got, Allocator* allocator) {
    *size = stream->Size();
    *got = 0;
    // One spare byte keeps a zero-sized stream a real block.
    void* block = Alloc(allocator, static_cast<size_t>(*size) + 1, 0);
    if (block == nullptr) {
        stream->Release();
        return nullptr;
    }
    *got = *size > 0 ? stream->Read(block, *size) : 0;
    stream->Release();
    return block;
}

Stream* OwningMemoryStream(void* block, uint32_t size, Allocator* allocator) {
    Stream* memory = MemoryStream(block, size, true, allocator);
    if (memory == nullptr) Allocator::Free(block);
    return memory;
}

}  // namespace

Stream* Stream::LoadIntoMemory(Stream* stream, Allocator* allocator) {
    if (stream == nullptr) return nullptr;
    uint32_t size = 0, got = 0;
    void* block = ReadAllAndRelease(stream, &size, &got, allocator);
    if (block == nullptr) {
        LogError("no memory to load %u bytes", size);
        return nullptr;
    }
    if (got < size) {
        // A truncated pack or damaged compressed entry: hand on only what is real.
        LogWarning("read %u of %u bytes", got, size);
    }
    return OwningMemoryStream(block, got, allocator);
}

Stream* Stream::LoadWholeIntoMemory(Stream* stream, const char* name, Allocator* allocator) {
    if (stream == nullptr) return nullptr;
    uint32_t size = 0, got = 0;
    if (name == nullptr) name = "";
    void* block = ReadAllAndRelease(stream, &size, &got, allocator);
    if (block == nullptr) {
        LogFailed("read \"%s\" (no memory for %u bytes)", name, size);
        return nullptr;
    }
    if (got < size) {
        LogFailed("read \"%s\" (%u of %u bytes)", name, got, size);
        Allocator::Free(block);
        return nullptr;
    }
    return OwningMemoryStream(block, got, allocator);
}
