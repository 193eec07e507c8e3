// The sample pack with every kind of entry, and helpers that damage index fields in place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fs/stream.h"

struct SampleEntry {
    std::string path;  // as lookup takes it, with a leading '/'
    std::vector<uint8_t> data;
    int scrambleRow;
    bool compressed;
    uint8_t flags;
};

// The files of the sample pack, in the order the pack stores them.
const std::vector<SampleEntry>& SampleEntries();
// Nested folders (one empty), key rows 0-4, zlib and plain, empty and same-but-case names.
std::vector<uint8_t> BuildSamplePack(const uint8_t* keys);
// Deterministic bytes: text-like when `compressible`, else noise.
std::vector<uint8_t> MakeBytes(size_t size, uint32_t seed, bool compressible);

uint32_t GetU32(const std::vector<uint8_t>& bytes, size_t at);
void SetU32(std::vector<uint8_t>* bytes, size_t at, uint32_t value);
// XORs the scrambled start of the index with key row 1: descrambles for edits, then scrambles again.
void ScrambleIndex(std::vector<uint8_t>* pack, const uint8_t* keys, uint32_t indexEnd);
// Where byte `field` of the 1-based directory or file record `record` lies in the pack.
size_t DirectoryField(uint32_t record, uint32_t field);
size_t FileField(const std::vector<uint8_t>& pack, uint32_t record, uint32_t field);

class FsMgr;
// An entry's bytes through `fs`, or "<none>" when it does not open.
std::string ReadFile(FsMgr* fs, const std::string& name, int mode = kOpenRead);
// One "name size flags" line per entry, then "result N" unless the result is 1.
std::vector<std::string> List(FsMgr* fs, const char* name, int recursive);
std::string AsString(const std::vector<uint8_t>& bytes);

// Opens a pack image and walks all of it, bounded: must never crash or hang whatever the bytes.
void ExercisePackImage(const uint8_t* data, size_t size);
