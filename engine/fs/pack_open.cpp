// Opening packs (from a file or memory) and their entries: a window on the
// pack's bytes, then the descrambling layer, then the zlib layer.
#include <cstring>

#include "core/allocator.h"
#include "fs/pack_format.h"
#include "fs/pack_keys.h"
#include "fs/pack_mgr.h"
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

void PackRelease(FsMgr* manager) { Allocator::Free(manager); }

// The stored bytes of `file`, positioned at their start.
Stream* OpenStoredBytes(PackMgr* pack, const PackFile* file, int mode, Allocator* allocator) {
    if (file->storedSize == 0) return MemoryStream(nullptr, 0, false, allocator);
    if (pack->memoryBase != nullptr) {
        if (uint64_t{file->dataOffset} + file->storedSize > pack->packSize) return nullptr;
        Stream* memory = MemoryStream(const_cast<uint8_t*>(pack->memoryBase) + file->dataOffset, file->storedSize,
                                      false, allocator);
        if (memory != nullptr && (mode & kOpenLoadIntoMemory)) return Stream::LoadIntoMemory(memory, allocator);
        return memory;
    }
    // Read-only whatever the caller asked: the pack file is never opened for writing.
    Stream* window = FsMgr::OpenStream(pack->parent, pack->packName, file->dataOffset, file->storedSize,
                                       kOpenRead | (mode & kOpenLoadIntoMemory), allocator);
    if (window == nullptr) {
        LogError("Failed to Open \"%s\".", pack->packName);
        return nullptr;
    }
    if (window->Size() != file->storedSize) {
        // The pack file changed since it was read.
        LogError("\"%s\" lies beyond the end of \"%s\"", file->name, pack->packName);
        window->Release();
        return nullptr;
    }
    return window;
}

}  // namespace

extern const FsMgrOps kPackMgrOps = {PackRelease, PackOpen, PackEnumerate, nullptr, nullptr, PackGetFileSize};

Stream* OpenPackedFile(PackMgr* pack, const char* name, uint32_t, uint32_t, int mode, Allocator* allocator) {
    if (pack == nullptr || name == nullptr) return nullptr;
    if (mode & kOpenWrite) {
        LogError("cannot open \"%s\" for writing: a pack is read-only", name);
        return nullptr;
    }
    const PackFile* file = FindPackEntry(pack, name);
    // A miss is the caller's to report: it knows the name the user gave.
    if (file == nullptr) return nullptr;
    Stream* stream = OpenStoredBytes(pack, file, mode, allocator);
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
