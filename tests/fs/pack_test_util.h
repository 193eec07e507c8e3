// Packs for the tests: a sample tree with every kind of entry, built with the
// pack writer, and an editor that changes index fields in place (descrambling
// and scrambling the index around the change) to make damaged packs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SampleEntry {
    std::string path;  // as lookup takes it, with a leading '/'
    std::vector<uint8_t> data;
    int scrambleRow;
    bool compressed;
    uint8_t flags;
};

// The files of the sample pack, in the order the pack stores them.
const std::vector<SampleEntry>& SampleEntries();
// The sample pack: nested folders (one empty), key rows 0 to 4, compressed
// and plain entries, an empty entry, names differing only in case.
std::vector<uint8_t> BuildSamplePack(const uint8_t* keys);
// What a recursive listing of the sample pack's root gives, one
// "name size flags" line per entry.
std::vector<std::string> SampleListing();

// Deterministic bytes: text-like when `compressible`, else noise.
std::vector<uint8_t> MakeBytes(size_t size, uint32_t seed, bool compressible);

uint32_t GetU32(const std::vector<uint8_t>& bytes, size_t at);
void SetU32(std::vector<uint8_t>* bytes, size_t at, uint32_t value);

// Edits the index of a pack held in `pack`; Commit scrambles it again.
class PackIndexEditor {
public:
    PackIndexEditor(std::vector<uint8_t>* pack, const uint8_t* keys);
    uint32_t directoryCount() const { return directoryCount_; }
    uint32_t fileCount() const { return fileCount_; }
    uint32_t indexSize() const { return indexSize_; }
    // 1-based record numbers; `field` is the byte offset inside the record.
    uint32_t Directory(uint32_t record, uint32_t field) const;
    void SetDirectory(uint32_t record, uint32_t field, uint32_t value);
    uint32_t File(uint32_t record, uint32_t field) const;
    void SetFile(uint32_t record, uint32_t field, uint32_t value);
    void SetFileByte(uint32_t record, uint32_t field, uint8_t value);
    // Byte `at` of the index (counted from its start).
    void SetIndexByte(uint32_t at, uint8_t value);
    void Commit();

private:
    void Scramble();
    std::vector<uint8_t>* pack_;
    const uint8_t* keys_;
    uint32_t directoryCount_;
    uint32_t fileCount_;
    uint32_t indexSize_;
};

// Opens a pack image and walks all of it: listing, lookups, and reading
// every listed entry (bounded). For the fuzzer and the mutation test; must
// never crash or hang whatever the bytes are.
void ExercisePackImage(const uint8_t* data, size_t size);
