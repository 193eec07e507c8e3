// The sample pack, the index editor and the whole-pack exercise.
#include "tests/fs/pack_test_util.h"

#include <map>

#include "fs/pack_format.h"
#include "fs/pack_mgr.h"
#include "fs/stream.h"
#include "tools/epk2tool/pack_writer.h"

namespace {

uint32_t NextRandom(uint32_t* state) {
    uint32_t x = *state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    *state = x;
    return x;
}

std::vector<SampleEntry> MakeSampleEntries() {
    auto text = [](size_t size, uint32_t seed) { return MakeBytes(size, seed, true); };
    return {
        {"/readme.txt", {'W', 'e', 'l', 'c', 'o', 'm', 'e', '\r', '\n'}, 0, false, 0},
        {"/script/main.nut", text(3000, 1), 0, true, 0},
        {"/script/MAIN.nut", text(700, 2), 0, false, 0},
        {"/script/lib/util.nut", text(1500, 3), 1, true, 0},
        {"/data/deep/a/b/c/leaf.txt", text(40, 4), 1, false, 0},
        {"/data/noise.bin", MakeBytes(5000, 5, false), 2, false, 0},
        {"/data/empty.bin", {}, 0, false, 0},
        {"/data/big.txt", text(200000, 6), 3, true, 0},
        {"/data/flagged.bin", text(3000, 7), 4, true, 0x21},
    };
}

}  // namespace

std::vector<uint8_t> MakeBytes(size_t size, uint32_t seed, bool compressible) {
    static const char* const kWords[] = {"battle", "unit", "field", "move", "attack", "the", "of",
                                         "tile", "range", "script", "=", "1", "42", "local", "function"};
    uint32_t state = seed * 2654435761u + 12345u;
    std::vector<uint8_t> bytes;
    bytes.reserve(size);
    while (bytes.size() < size) {
        if (!compressible) {
            bytes.push_back(static_cast<uint8_t>(NextRandom(&state) >> 24));
            continue;
        }
        uint32_t r = NextRandom(&state);
        const char* word = kWords[r % (sizeof kWords / sizeof kWords[0])];
        for (const char* c = word; *c && bytes.size() < size; ++c) bytes.push_back(static_cast<uint8_t>(*c));
        const char* gap = (r >> 8) % 9 == 0 ? "\r\n" : " ";
        for (const char* c = gap; *c && bytes.size() < size; ++c) bytes.push_back(static_cast<uint8_t>(*c));
    }
    return bytes;
}

const std::vector<SampleEntry>& SampleEntries() {
    static const std::vector<SampleEntry> entries = MakeSampleEntries();
    return entries;
}

std::vector<uint8_t> BuildSamplePack(const uint8_t* keys) {
    PackWriter writer;
    std::map<std::string, int> folders{{"", PackWriter::kRoot}};
    auto folderOf = [&](const std::string& path) {
        int id = PackWriter::kRoot;
        std::string walked;
        size_t start = 1;
        for (size_t slash = path.find('/', start); slash != std::string::npos; slash = path.find('/', start)) {
            std::string name = path.substr(start, slash - start);
            walked += "/" + name;
            auto found = folders.find(walked);
            id = found != folders.end() ? found->second : (folders[walked] = writer.AddDirectory(id, name));
            start = slash + 1;
        }
        return id;
    };
    for (const SampleEntry& entry : SampleEntries()) {
        PackFileOptions options;
        options.compression = entry.compressed ? PackCompression::kAlways : PackCompression::kNever;
        options.scrambleRow = entry.scrambleRow;
        options.flags = entry.flags;
        writer.AddFile(folderOf(entry.path), entry.path.substr(entry.path.rfind('/') + 1), entry.data, options);
    }
    writer.AddDirectory(PackWriter::kRoot, "empty");
    std::vector<uint8_t> pack;
    std::string error;
    writer.Build(keys, &pack, &error);
    return pack;
}

std::vector<std::string> SampleListing() {
    return {
        "/script 0 128",
        "/script/lib 0 128",
        "/script/lib/util.nut 1500 0",
        "/script/main.nut 3000 0",
        "/script/MAIN.nut 700 0",
        "/data 0 128",
        "/data/deep 0 128",
        "/data/deep/a 0 128",
        "/data/deep/a/b 0 128",
        "/data/deep/a/b/c 0 128",
        "/data/deep/a/b/c/leaf.txt 40 0",
        "/data/noise.bin 5000 0",
        "/data/empty.bin 0 0",
        "/data/big.txt 200000 0",
        "/data/flagged.bin 3000 33",
        "/empty 0 128",
        "/readme.txt 9 0",
    };
}

uint32_t GetU32(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<uint32_t>(bytes[at]) | (static_cast<uint32_t>(bytes[at + 1]) << 8) |
           (static_cast<uint32_t>(bytes[at + 2]) << 16) | (static_cast<uint32_t>(bytes[at + 3]) << 24);
}

void SetU32(std::vector<uint8_t>* bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) (*bytes)[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

PackIndexEditor::PackIndexEditor(std::vector<uint8_t>* pack, const uint8_t* keys)
    : pack_(pack),
      keys_(keys),
      directoryCount_(GetU32(*pack, kEpk2OffsetDirectoryCount)),
      fileCount_(GetU32(*pack, kEpk2OffsetFileCount)),
      indexSize_(GetU32(*pack, kEpk2OffsetIndexEnd) - kEpk2HeaderSize) {
    Scramble();  // the XOR undoes itself
}

void PackIndexEditor::Scramble() {
    for (uint32_t i = 0; i < indexSize_ && i < kEpk2ScrambledBytes; ++i) {
        (*pack_)[kEpk2HeaderSize + i] ^= keys_[i % kEpk2KeyRowSize];
    }
}

void PackIndexEditor::Commit() { Scramble(); }

static size_t DirectoryAt(uint32_t record, uint32_t field) {
    return kEpk2HeaderSize + size_t{record - 1} * kEpk2DirectoryRecordSize + field;
}

uint32_t PackIndexEditor::Directory(uint32_t record, uint32_t field) const {
    return GetU32(*pack_, DirectoryAt(record, field));
}

void PackIndexEditor::SetDirectory(uint32_t record, uint32_t field, uint32_t value) {
    SetU32(pack_, DirectoryAt(record, field), value);
}

uint32_t PackIndexEditor::File(uint32_t record, uint32_t field) const {
    return GetU32(*pack_, kEpk2HeaderSize + size_t{directoryCount_} * kEpk2DirectoryRecordSize +
                              size_t{record - 1} * kEpk2FileRecordSize + field);
}

void PackIndexEditor::SetFile(uint32_t record, uint32_t field, uint32_t value) {
    SetU32(pack_,
           kEpk2HeaderSize + size_t{directoryCount_} * kEpk2DirectoryRecordSize +
               size_t{record - 1} * kEpk2FileRecordSize + field,
           value);
}

void PackIndexEditor::SetFileByte(uint32_t record, uint32_t field, uint8_t value) {
    (*pack_)[kEpk2HeaderSize + size_t{directoryCount_} * kEpk2DirectoryRecordSize +
             size_t{record - 1} * kEpk2FileRecordSize + field] = value;
}

void PackIndexEditor::SetIndexByte(uint32_t at, uint8_t value) { (*pack_)[kEpk2HeaderSize + at] = value; }

namespace {

struct Collected { std::vector<std::string> names; };

void Collect(void* userArg, FsMgr*, const FsEnumEntry* entry) {
    auto* collected = static_cast<Collected*>(userArg);
    if (collected->names.size() < 4096) collected->names.push_back(entry->name);
}

}  // namespace

void ExercisePackImage(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return;
    PackMgr* pack = OpenPackMemory(data, static_cast<uint32_t>(size), nullptr);
    if (pack == nullptr) return;
    Collected collected;
    ListPackDirectory(pack, "/", 1, &collected, Collect);
    ListPackDirectory(pack, "script", 0, &collected, Collect);
    for (const char* path : {"/readme.txt", "script/main.nut", "/data//big.txt", "\\data\\noise.bin"}) {
        FindPackEntry(pack, path);
    }
    uint8_t buffer[4096];
    for (const std::string& name : collected.names) {
        Stream* stream = OpenPackedFile(pack, name.c_str(), 0, 0, kOpenRead, nullptr);
        if (stream == nullptr) continue;
        // Bounded: a damaged entry may claim far more than it holds.
        for (int i = 0; i < 64 && stream->Read(buffer, sizeof buffer) > 0; ++i) {
        }
        stream->Seek(10, kSeekCurrent);
        char line[256];
        for (int i = 0; i < 64 && stream->State() == kStreamHasData; ++i) stream->ReadLine(line, sizeof line);
        stream->Release();
    }
    FsMgr::Release(pack);
}
