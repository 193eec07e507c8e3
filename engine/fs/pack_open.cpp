// Opening packs (from a file or memory) and their entries: a window on the
// pack's bytes, then the descrambling layer, then the zlib layer, and for a
// part of an entry a window on that.
#include <cstring>

#include "core/allocator.h"
#include "fs/pack_format.h"
#include "fs/pack_keys.h"
#include "fs/pack_mgr.h"
#include "fs/shared_bytes.h"
#include "fs/stream.h"
#include "platform/debug_log.h"

namespace {

Stream* PackOpen(FsMgr* manager, const char* name, uint32_t offset, uint32_t size, int mode,
                 Allocator* allocator) {
    return OpenPackedFile(static_cast<PackMgr*>(manager), name, offset, size, mode, allocator);
}

int PackEnumerate(FsMgr* manager, const char* name, int recursive, void* userArg, FsEnumCallback callback) {
    return ListPackDirectory(static_cast<PackMgr*>(manager), name, recursive, userArg, callback);
}

int64_t PackGetFileSize(FsMgr* manager, const char* name) {
    const PackFile* file = FindPackEntry(static_cast<PackMgr*>(manager), name);
    return file ? int64_t{file->unpackedSize} : -1;
}

void PackRelease(FsMgr* manager) {
    auto* pack = static_cast<PackMgr*>(manager);
    if (pack->sharedBytes != nullptr) pack->sharedBytes->Release();
    Allocator::Free(manager);
}

// `length` stored bytes of `file` from `start` on, positioned at their start.
Stream* OpenStoredBytes(PackMgr* pack, const PackFile* file, uint32_t start, uint32_t length, int mode,
                        Allocator* allocator) {
    // A window of 0 bytes would mean "to the end" to a file stream.
    if (length == 0) return MemoryStream(nullptr, 0, false, allocator);
    const uint32_t at = file->dataOffset + start;  // within the pack: the parser checked every entry
    if (pack->memoryBase != nullptr) {
        Stream* memory = pack->sharedBytes != nullptr
                             ? SharedMemoryStream(pack->sharedBytes, at, length, allocator)
                             : MemoryStream(const_cast<uint8_t*>(pack->memoryBase) + at, length, false, allocator);
        if (memory != nullptr && (mode & kOpenLoadIntoMemory)) return Stream::LoadIntoMemory(memory, allocator);
        return memory;
    }
    // Read-only whatever the caller asked: the pack file is never opened for writing.
    Stream* window = FsMgr::OpenStream(pack->parent, pack->packName, at, length,
                                       kOpenRead | (mode & kOpenLoadIntoMemory), allocator);
    if (window == nullptr) {
        LogError("Failed to Open \"%s\".", pack->packName);
        return nullptr;
    }
    if (window->Size() != length) {
        // The pack file changed since it was read.
        LogError("\"%s\" lies beyond the end of \"%s\"", file->name, pack->packName);
        window->Release();
        return nullptr;
    }
    return window;
}

// The whole entry, unscrambled and inflated.
Stream* OpenUnpacked(PackMgr* pack, const PackFile* file, const char* name, int mode, Allocator* allocator) {
    Stream* stream = OpenStoredBytes(pack, file, 0, file->storedSize, mode, allocator);
    if (stream == nullptr) return nullptr;
    if (file->scrambleRow != 0) {
        const uint8_t* row = GetPackKeyRow(file->scrambleRow);
        Stream* plain = row ? XorStream(stream, row, kEpk2KeyRowSize, kEpk2ScrambledBytes, allocator) : nullptr;
        if (plain == nullptr) {
            LogError("cannot descramble \"%s\" (key row %u)", name, file->scrambleRow);
            stream->Release();
            return nullptr;
        }
        stream = plain;
    }
    if (file->storedSize != file->unpackedSize) {
        Stream* unpacked = ZlibStream(stream, file->unpackedSize, kZlibInflate, allocator);
        if (unpacked == nullptr) {
            stream->Release();
            return nullptr;
        }
        stream = unpacked;
    }
    return stream;
}

// `length` bytes from `start` of an unpacked entry (taken). An inflating
// stream moves only forwards, so its window is read into memory at once.
Stream* NarrowToWindow(Stream* entry, bool inflating, uint32_t start, uint32_t length, const char* name,
                       int mode, Allocator* allocator) {
    if (inflating && start > 0 &&
        (start > 0x7FFFFFFFu || entry->Seek(static_cast<int32_t>(start), kSeekCurrent) != start)) {
        LogError("\"%s\" ends before byte %u", name, start);
        entry->Release();
        return nullptr;
    }
    Stream* window = SubStream(entry, start, length, true, allocator);
    if (window == nullptr) {
        entry->Release();
        return nullptr;
    }
    if (inflating) return Stream::LoadWholeIntoMemory(window, name, allocator);
    return (mode & kOpenLoadIntoMemory) ? Stream::LoadIntoMemory(window, allocator) : window;
}

}  // namespace

extern const FsMgrOps kPackMgrOps = {PackRelease, PackOpen, PackEnumerate, nullptr, nullptr, PackGetFileSize};

Stream* OpenPackedFile(PackMgr* pack, const char* name, uint32_t offset, uint32_t size, int mode,
                       Allocator* allocator) {
    if (pack == nullptr || name == nullptr) return nullptr;
    if (mode & kOpenWrite) {
        LogError("cannot open \"%s\" for writing: a pack is read-only", name);
        return nullptr;
    }
    const PackFile* file = FindPackEntry(pack, name);
    // A miss is the caller's to report: it knows the name the user gave.
    if (file == nullptr) return nullptr;
    // The window as a file stream takes it: a length that does not fit means the rest.
    const uint32_t total = file->unpackedSize;
    if (offset > total) return nullptr;
    const uint32_t length = size != 0 && size <= total - offset ? size : total - offset;
    const bool inflating = file->storedSize != file->unpackedSize;
    if (file->scrambleRow == 0 && !inflating) return OpenStoredBytes(pack, file, offset, length, mode, allocator);
    const bool whole = offset == 0 && length == total;
    Stream* entry = OpenUnpacked(pack, file, name, whole ? mode : kOpenRead, allocator);
    if (entry == nullptr || whole) return entry;
    return NarrowToWindow(entry, inflating, offset, length, name, mode, allocator);
}

PackMgr* OpenPackFile(FsMgr* fs, const char* name, Allocator* allocator) {
    if (name == nullptr) return nullptr;
    Stream* stream = strlen(name) < kFsPathSize ? FsMgr::OpenStream(fs, name, 0, 0, kOpenRead, allocator) : nullptr;
    if (stream == nullptr) {
        LogError("Failed to Open \"%s\".", name);
        return nullptr;
    }
    PackMgr* pack = ParseEpk2(stream, allocator);
    stream->Release();
    if (pack == nullptr) return nullptr;
    pack->parent = fs;
    memcpy(pack->packName, name, strlen(name) + 1);
    return pack;
}

PackMgr* OpenPackMemory(const void* data, uint32_t size, Allocator* allocator) {
    if (data == nullptr) return nullptr;
    Stream* stream = MemoryStream(const_cast<void*>(data), size, false, allocator);
    if (stream == nullptr) return nullptr;
    PackMgr* pack = ParseEpk2(stream, allocator);
    stream->Release();
    if (pack != nullptr) pack->memoryBase = static_cast<const uint8_t*>(data);
    return pack;
}

PackMgr* OpenPackShared(SharedBytes* bytes, Allocator* allocator) {
    if (bytes == nullptr) return nullptr;
    PackMgr* pack = OpenPackMemory(bytes->Data(), bytes->Size(), allocator);
    if (pack == nullptr) return nullptr;
    bytes->Retain();
    pack->sharedBytes = bytes;
    return pack;
}
