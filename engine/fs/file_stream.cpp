// FileStream: a window on an operating-system file, read and written with
// positioned I/O so that several windows on one file never disturb each other.
#include <cstdint>
#include <limits>

#include "fs/object_alloc.h"
#include "fs/stream.h"
#include "platform/files.h"

namespace {

struct FileStreamObject : Stream {
    FileHandle* handle = nullptr;
    uint32_t windowStart = 0;
    uint32_t windowLength = 0;
    uint32_t position = 0;
};

FileStreamObject* Self(Stream* stream) { return static_cast<FileStreamObject*>(stream); }

void FileRelease(Stream* stream) {
    FileStreamObject* self = Self(stream);
    CloseFileHandle(self->handle);
    DeleteObject(self);
}

uint32_t FileRead(Stream* stream, void* buffer, uint32_t count) {
    FileStreamObject* self = Self(stream);
    // Past the window nothing is read: a seek beyond it must not reach the
    // bytes of a neighbouring pack entry.
    if (self->position >= self->windowLength) return 0;
    uint32_t left = self->windowLength - self->position;
    if (count > left) count = left;
    size_t got = ReadFileAt(self->handle, buffer, uint64_t{self->windowStart} + self->position, count);
    self->position += static_cast<uint32_t>(got);
    return static_cast<uint32_t>(got);
}

uint32_t FileWrite(Stream* stream, const void* buffer, uint32_t count) {
    FileStreamObject* self = Self(stream);
    // Writing past the end would leave a hole of undefined bytes behind.
    if (self->position > self->windowLength) return 0;
    uint32_t room = std::numeric_limits<uint32_t>::max() - self->position;
    if (count > room) count = room;
    size_t put = WriteFileAt(self->handle, buffer, uint64_t{self->windowStart} + self->position, count);
    self->position += static_cast<uint32_t>(put);
    if (self->position > self->windowLength) self->windowLength = self->position;
    return static_cast<uint32_t>(put);
}

int32_t FileFlush(Stream*) { return 0; }

uint32_t FileSeek(Stream* stream, int32_t offset, int whence) {
    FileStreamObject* self = Self(stream);
    int64_t target;
    if (!SeekTarget(offset, whence, self->position, self->windowLength, &target)) return 0;
    // Not clamped: reads and writes check the position against the window.
    self->position = static_cast<uint32_t>(target);
    return self->position;
}

uint32_t FileTell(Stream* stream) { return Self(stream)->position; }
uint32_t FileSize(Stream* stream) { return Self(stream)->windowLength; }
int FileState(Stream* stream) {
    return Self(stream)->position < Self(stream)->windowLength ? kStreamHasData : kStreamAtEnd;
}

constexpr StreamOps kFileStreamOps = {FileRelease, FileRead, FileWrite, FileFlush,
                                      FileSeek,    FileTell, FileSize,  FileState, nullptr, nullptr};

}  // namespace

Stream* FileStream(const char* path, uint32_t offset, uint32_t length, int mode, Allocator* allocator) {
    FileHandle* handle = OpenFileHandle(path, mode & (kOpenRead | kOpenWrite));
    if (handle == nullptr) return nullptr;
    int64_t fileSize = GetFileHandleSize(handle);
    if (fileSize < 0 || static_cast<uint64_t>(offset) > static_cast<uint64_t>(fileSize)) {
        CloseFileHandle(handle);
        return nullptr;
    }
    uint64_t rest = static_cast<uint64_t>(fileSize) - offset;
    uint64_t window = (length != 0 && length <= rest) ? length : rest;
    // Sizes are 32-bit: a larger file shows its first 4 GiB - 1 from the offset.
    if (window > std::numeric_limits<uint32_t>::max()) window = std::numeric_limits<uint32_t>::max();

    FileStreamObject* self = NewObject<FileStreamObject>(allocator);
    if (self == nullptr) {
        CloseFileHandle(handle);
        return nullptr;
    }
    self->ops = &kFileStreamOps;
    self->handle = handle;
    self->windowStart = offset;
    self->windowLength = static_cast<uint32_t>(window);
    if (mode & kOpenLoadIntoMemory) return Stream::LoadWholeIntoMemory(self, path, allocator);
    return self;
}
