// ParseEpk2: the pack header and index, read once and checked number by number
// before anything follows a link, so a damaged or hostile pack is refused with
// one log line instead of reading out of bounds or looping.
#include <cstring>
#include <new>
#include <vector>

#include "core/allocator.h"
#include "fs/pack_format.h"
#include "fs/pack_keys.h"
#include "fs/pack_mgr.h"
#include "fs/stream.h"
#include "platform/debug_log.h"

// The manager's operations live with the entry opening.
extern const FsMgrOps kPackMgrOps;

namespace {

uint32_t LoadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

size_t RoundUp(size_t value, size_t alignment) { return (value + alignment - 1) / alignment * alignment; }

struct PackHeader {
    uint32_t indexEnd;
    uint32_t directoryCount;
    uint32_t fileCount;
};

// Checks magic and version (with their fixed messages) and reads the rest.
bool ReadHeader(Stream* stream, PackHeader* header) {
    stream->Seek(0, kSeekSet);
    if (stream->ReadU32() != kEpk2Magic) {
        LogError("Not EPK2 format.");
        return false;
    }
    if (static_cast<uint16_t>(stream->ReadI16()) != kEpk2Version) {
        LogError("Not support version of EPK2.");
        return false;
    }
    // The rest of the header goes into place so fields keep their file offsets.
    constexpr uint32_t kRead = 6;
    uint8_t bytes[kEpk2HeaderSize] = {};
    uint32_t got = stream->Read(bytes + kRead, kEpk2HeaderSize - kRead);
    if (got != kEpk2HeaderSize - kRead) {
        LogError("EPK2 header is cut short (%u of %u bytes)", got + kRead, kEpk2HeaderSize);
        return false;
    }
    header->indexEnd = LoadU32(bytes + kEpk2OffsetIndexEnd);
    header->directoryCount = LoadU32(bytes + kEpk2OffsetDirectoryCount);
    header->fileCount = LoadU32(bytes + kEpk2OffsetFileCount);
    return true;
}

bool CheckSizes(const PackHeader& header, uint32_t packSize) {
    if (header.indexEnd < kEpk2HeaderSize || header.indexEnd > packSize) {
        LogError("EPK2 index end %u lies outside the pack of %u bytes", header.indexEnd, packSize);
        return false;
    }
    if (header.directoryCount == 0) {
        LogError("EPK2 pack has no root directory");
        return false;
    }
    uint64_t records = uint64_t{header.directoryCount} * kEpk2DirectoryRecordSize +
                       uint64_t{header.fileCount} * kEpk2FileRecordSize;
    if (records > header.indexEnd - kEpk2HeaderSize) {
        LogError("EPK2 index of %u bytes cannot hold %u directories and %u files",
                 header.indexEnd - kEpk2HeaderSize, header.directoryCount, header.fileCount);
        return false;
    }
    return true;
}

// The index, descrambled with row 1, into `index` (indexSize bytes).
bool ReadIndex(Stream* stream, uint8_t* index, uint32_t indexSize, Allocator* allocator) {
    Stream* window = SubStream(stream, kEpk2HeaderSize, indexSize, false, allocator);
    if (window == nullptr) return false;
    Stream* plain = XorStream(window, GetPackKeyRow(kEpk2IndexKeyRow), kEpk2KeyRowSize, kEpk2ScrambledBytes,
                              allocator);
    if (plain == nullptr) {
        window->Release();
        return false;
    }
    uint32_t got = indexSize > 0 ? plain->Read(index, indexSize) : 0;
    plain->Release();
    if (got != indexSize) {
        LogError("EPK2 index is cut short (%u of %u bytes)", got, indexSize);
        return false;
    }
    return true;
}

// The name at `offset`, or null when it does not lie in the index or has no
// NUL before the index ends.
const char* NameAt(const char* index, uint32_t indexSize, uint32_t offset) {
    if (offset >= indexSize) return nullptr;
    if (memchr(index + offset, '\0', indexSize - offset) == nullptr) return nullptr;
    return index + offset;
}

struct Decoder {
    const char* index;
    uint32_t indexSize;
    uint32_t packSize;
    PackDirectory* directories;
    uint32_t directoryCount;
    PackFile* files;
    uint32_t fileCount;

    const PackDirectory* Directory(uint32_t link) const { return link ? &directories[link - 1] : nullptr; }
    const PackFile* File(uint32_t link) const { return link ? &files[link - 1] : nullptr; }

    bool DecodeDirectories() {
        const auto* record = reinterpret_cast<const uint8_t*>(index);
        for (uint32_t i = 0; i < directoryCount; ++i, record += kEpk2DirectoryRecordSize) {
            uint32_t nameOffset = LoadU32(record);
            uint32_t links[5] = {LoadU32(record + 4), LoadU32(record + 8), LoadU32(record + 12),
                                 LoadU32(record + 16), LoadU32(record + 20)};
            PackDirectory& directory = directories[i];
            directory.name = NameAt(index, indexSize, nameOffset);
            if (directory.name == nullptr) {
                LogError("EPK2 directory %u has a bad name offset %u", i + 1, nameOffset);
                return false;
            }
            uint32_t fileLink = links[2];
            for (int k = 0; k < 5; ++k) {
                uint32_t limit = k == 2 ? fileCount : directoryCount;
                if (links[k] > limit) {
                    LogError("EPK2 directory \"%s\" links to record %u of %u", directory.name, links[k], limit);
                    return false;
                }
            }
            directory.parent = Directory(links[0]);
            directory.firstChild = Directory(links[1]);
            directory.firstFile = File(fileLink);
            directory.secondLink = Directory(links[3]);
            directory.nextSibling = Directory(links[4]);
        }
        return true;
    }

    bool DecodeFiles() {
        const auto* record = reinterpret_cast<const uint8_t*>(index) + size_t{directoryCount} * kEpk2DirectoryRecordSize;
        for (uint32_t i = 0; i < fileCount; ++i, record += kEpk2FileRecordSize) {
            PackFile& file = files[i];
            uint32_t nameOffset = LoadU32(record);
            file.name = NameAt(index, indexSize, nameOffset);
            if (file.name == nullptr) {
                LogError("EPK2 file %u has a bad name offset %u", i + 1, nameOffset);
                return false;
            }
            file.flags = record[6];
            file.scrambleRow = record[7];
            file.dataOffset = LoadU32(record + 8);
            file.storedSize = LoadU32(record + 12);
            file.unpackedSize = LoadU32(record + 16);
            uint32_t secondLink = LoadU32(record + 20);
            uint32_t nextLink = LoadU32(record + 24);
            if (file.scrambleRow > kEpk2KeyRowCount) {
                LogError("EPK2 file \"%s\" names key row %u", file.name, file.scrambleRow);
                return false;
            }
            if (uint64_t{file.dataOffset} + file.storedSize > packSize) {
                LogError("EPK2 file \"%s\" (%u bytes at %u) lies beyond the pack of %u bytes", file.name,
                         file.storedSize, file.dataOffset, packSize);
                return false;
            }
            if (file.unpackedSize != file.storedSize &&
                uint64_t{file.unpackedSize} > uint64_t{file.storedSize} * kEpk2MaxInflateRatio) {
                LogError("EPK2 file \"%s\" claims %u unpacked bytes from %u stored", file.name, file.unpackedSize,
                         file.storedSize);
                return false;
            }
            if (secondLink > fileCount || nextLink > fileCount) {
                LogError("EPK2 file \"%s\" links to record %u of %u", file.name,
                         secondLink > fileCount ? secondLink : nextLink, fileCount);
                return false;
            }
            file.secondLink = File(secondLink);
            file.next = File(nextLink);
        }
        return true;
    }

    // Everything reachable from the root must form a tree: no directory or
    // file may be reached twice, so every walk ends and none repeats.
    bool CheckTree() const {
        std::vector<bool> seenDirectory(directoryCount, false);
        std::vector<bool> seenFile(fileCount, false);
        std::vector<const PackDirectory*> pending{&directories[0]};
        seenDirectory[0] = true;
        while (!pending.empty()) {
            const PackDirectory* directory = pending.back();
            pending.pop_back();
            for (const PackDirectory* child = directory->firstChild; child; child = child->nextSibling) {
                size_t n = static_cast<size_t>(child - directories);
                if (seenDirectory[n]) {
                    LogError("EPK2 directory links form a loop at directory %zu (\"%s\")", n + 1, child->name);
                    return false;
                }
                seenDirectory[n] = true;
                pending.push_back(child);
            }
            for (const PackFile* file = directory->firstFile; file; file = file->next) {
                size_t n = static_cast<size_t>(file - files);
                if (seenFile[n]) {
                    LogError("EPK2 file links form a loop at file %zu (\"%s\")", n + 1, file->name);
                    return false;
                }
                seenFile[n] = true;
            }
        }
        return true;
    }
};

}  // namespace

PackMgr* ParseEpk2(Stream* stream, Allocator* allocator) {
    if (stream == nullptr) return nullptr;
    PackHeader header{};
    if (!ReadHeader(stream, &header)) return nullptr;
    uint32_t packSize = stream->Size();
    if (!CheckSizes(header, packSize)) return nullptr;
    uint32_t indexSize = header.indexEnd - kEpk2HeaderSize;

    // One block: the manager, the decoded records, the index and its guard NUL.
    size_t directoriesAt = RoundUp(sizeof(PackMgr), alignof(PackDirectory));
    size_t filesAt = RoundUp(directoriesAt + size_t{header.directoryCount} * sizeof(PackDirectory), alignof(PackFile));
    size_t indexAt = filesAt + size_t{header.fileCount} * sizeof(PackFile);
    size_t total = indexAt + size_t{indexSize} + 1;
    auto* block = static_cast<uint8_t*>(Alloc(allocator, total, 0));
    if (block == nullptr) {
        LogError("no memory for the EPK2 index (%zu bytes)", total);
        return nullptr;
    }
    memset(block, 0, indexAt);
    auto* pack = new (block) PackMgr();
    auto* index = reinterpret_cast<char*>(block + indexAt);
    index[indexSize] = '\0';

    Decoder decoder{index,
                    indexSize,
                    packSize,
                    reinterpret_cast<PackDirectory*>(block + directoriesAt),
                    header.directoryCount,
                    reinterpret_cast<PackFile*>(block + filesAt),
                    header.fileCount};
    if (!ReadIndex(stream, reinterpret_cast<uint8_t*>(index), indexSize, allocator) ||
        !decoder.DecodeDirectories() || !decoder.DecodeFiles() || !decoder.CheckTree()) {
        Allocator::Free(block);
        return nullptr;
    }
    InitFsMgrHead(pack, &kPackMgrOps, nullptr);
    pack->packSize = packSize;
    pack->directories = decoder.directories;
    pack->directoryCount = header.directoryCount;
    pack->files = decoder.files;
    pack->fileCount = header.fileCount;
    pack->index = index;
    pack->indexSize = indexSize;
    return pack;
}
