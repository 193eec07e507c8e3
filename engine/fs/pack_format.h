// The EPK2 pack format's fixed numbers, shared by the reader and the pack tool.
// All integers in a pack are little-endian.
#pragma once

#include <cstdint>

constexpr uint32_t kEpk2Magic = 0x324B5045;  // the bytes "EPK2"
constexpr uint16_t kEpk2Version = 32;
constexpr uint32_t kEpk2HeaderSize = 32;

// Header field offsets.
constexpr uint32_t kEpk2OffsetMagic = 0;
constexpr uint32_t kEpk2OffsetVersion = 4;
constexpr uint32_t kEpk2OffsetIndexEnd = 16;  // the index is [32, index end)
constexpr uint32_t kEpk2OffsetDirectoryCount = 20;
constexpr uint32_t kEpk2OffsetFileCount = 24;

// Directory record: name offset, parent, first child, first file, second
// sibling link, next sibling; links are 1-based, 0 = none.
constexpr uint32_t kEpk2DirectoryRecordSize = 24;
// File record: name offset, u16 reserved, u8 flags, u8 scramble row, data
// offset, stored size, unpacked size, second link, next file.
constexpr uint32_t kEpk2FileRecordSize = 28;

// The first bytes of the index and of a scrambled entry are XORed with a key row.
constexpr uint32_t kEpk2ScrambledBytes = 1024;
constexpr uint32_t kEpk2KeyRowSize = 256;
constexpr int kEpk2KeyRowCount = 4;
constexpr uint32_t kEpk2KeyTableSize = kEpk2KeyRowSize * kEpk2KeyRowCount;
constexpr int kEpk2IndexKeyRow = 1;

// A path is split into at most this many folder and file names.
constexpr int kEpk2MaxPathParts = 128;

// Deflate cannot expand data by more than this factor, so an entry claiming
// more unpacked bytes per stored byte is damaged.
constexpr uint64_t kEpk2MaxInflateRatio = 1032;
