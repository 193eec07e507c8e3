// The EPK2 layout: a 32-byte header, the index (directory records, file
// records, names; its first 1024 bytes scrambled with key row 1), then each
// entry's stored bytes (compressed first, then scrambled).
#include "tools/epk2tool/pack_writer.h"

#include <zlib.h>

#include <limits>

#include "fs/pack_format.h"

namespace {

void PutU16(std::vector<uint8_t>* out, size_t at, uint16_t value) {
    (*out)[at] = static_cast<uint8_t>(value);
    (*out)[at + 1] = static_cast<uint8_t>(value >> 8);
}

void PutU32(std::vector<uint8_t>* out, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) (*out)[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

void Scramble(uint8_t* bytes, size_t count, const uint8_t* row) {
    size_t n = count < kEpk2ScrambledBytes ? count : kEpk2ScrambledBytes;
    for (size_t i = 0; i < n; ++i) bytes[i] ^= row[i % kEpk2KeyRowSize];
}

// The bytes to store for `data`, and whether they are zlib data.
std::vector<uint8_t> StoredBytes(const std::vector<uint8_t>& data, PackCompression compression, bool* compressed) {
    *compressed = false;
    if (compression == PackCompression::kNever) return data;
    uLongf length = compressBound(static_cast<uLong>(data.size()));
    std::vector<uint8_t> packed(length);
    if (compress2(packed.data(), &length, data.data(), static_cast<uLong>(data.size()), Z_BEST_COMPRESSION) != Z_OK) {
        return data;
    }
    packed.resize(length);
    // Equal sizes would read back as a plain entry, so such data stays plain.
    bool keep = compression == PackCompression::kAlways ? packed.size() != data.size() : packed.size() < data.size();
    if (!keep) return data;
    *compressed = true;
    return packed;
}

}  // namespace

bool PackWriter::IsValidName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    return name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

int PackWriter::AddDirectory(int parent, const std::string& name) {
    if (parent < 0 || parent >= static_cast<int>(directories_.size()) || !IsValidName(name)) return -1;
    Directory directory;
    directory.name = name;
    directory.parent = parent;
    directories_.push_back(directory);
    int id = static_cast<int>(directories_.size()) - 1;
    directories_[parent].children.push_back(id);
    return id;
}

bool PackWriter::AddFile(int directory, const std::string& name, std::vector<uint8_t> data,
                         const PackFileOptions& options) {
    if (directory < 0 || directory >= static_cast<int>(directories_.size()) || !IsValidName(name)) return false;
    if (options.scrambleRow < 0 || options.scrambleRow > kEpk2KeyRowCount) return false;
    if (data.size() > std::numeric_limits<uint32_t>::max()) return false;
    files_.push_back(File{name, std::move(data), options});
    directories_[directory].files.push_back(static_cast<int>(files_.size()) - 1);
    return true;
}

bool PackWriter::Build(const uint8_t* keys, std::vector<uint8_t>* out, std::string* error) const {
    const uint64_t maxSize = std::numeric_limits<uint32_t>::max();
    uint64_t recordsSize = uint64_t{directories_.size()} * kEpk2DirectoryRecordSize +
                           uint64_t{files_.size()} * kEpk2FileRecordSize;
    uint64_t namesSize = 0;
    for (const Directory& d : directories_) namesSize += d.name.size() + 1;
    for (const File& f : files_) namesSize += f.name.size() + 1;
    uint64_t indexEnd = kEpk2HeaderSize + recordsSize + namesSize;
    if (indexEnd > maxSize) {
        *error = "the index would pass 4 GiB";
        return false;
    }

    std::vector<uint8_t> pack(static_cast<size_t>(indexEnd), 0);
    PutU32(&pack, kEpk2OffsetMagic, kEpk2Magic);
    PutU16(&pack, kEpk2OffsetVersion, kEpk2Version);
    PutU32(&pack, kEpk2OffsetIndexEnd, static_cast<uint32_t>(indexEnd));
    PutU32(&pack, kEpk2OffsetDirectoryCount, static_cast<uint32_t>(directories_.size()));
    PutU32(&pack, kEpk2OffsetFileCount, static_cast<uint32_t>(files_.size()));

    // Names follow the records; offsets count from the index start.
    const size_t indexStart = kEpk2HeaderSize;
    size_t nameAt = static_cast<size_t>(recordsSize);
    auto putName = [&](const std::string& name) {
        uint32_t offset = static_cast<uint32_t>(nameAt);
        std::copy(name.begin(), name.end(), pack.begin() + static_cast<std::ptrdiff_t>(indexStart + nameAt));
        nameAt += name.size() + 1;
        return offset;
    };
    auto nextInList = [](const std::vector<int>& list, size_t i) {
        return i + 1 < list.size() ? static_cast<uint32_t>(list[i + 1] + 1) : 0u;
    };

    for (size_t d = 0; d < directories_.size(); ++d) {
        const Directory& directory = directories_[d];
        size_t at = indexStart + d * kEpk2DirectoryRecordSize;
        PutU32(&pack, at, putName(directory.name));
        PutU32(&pack, at + 4, directory.parent >= 0 ? static_cast<uint32_t>(directory.parent + 1) : 0);
        PutU32(&pack, at + 8, directory.children.empty() ? 0 : static_cast<uint32_t>(directory.children[0] + 1));
        PutU32(&pack, at + 12, directory.files.empty() ? 0 : static_cast<uint32_t>(directory.files[0] + 1));
        // Second sibling link (offset 16) stays 0; readers never follow it.
        for (size_t c = 0; c < directory.children.size(); ++c) {
            size_t childAt = indexStart + static_cast<size_t>(directory.children[c]) * kEpk2DirectoryRecordSize;
            PutU32(&pack, childAt + 20, nextInList(directory.children, c));
        }
    }
    std::vector<uint32_t> nextFile(files_.size(), 0);
    for (const Directory& directory : directories_) {
        for (size_t f = 0; f < directory.files.size(); ++f) nextFile[directory.files[f]] = nextInList(directory.files, f);
    }

    for (size_t f = 0; f < files_.size(); ++f) {
        const File& file = files_[f];
        bool compressed = false;
        std::vector<uint8_t> stored = StoredBytes(file.data, file.options.compression, &compressed);
        if (file.options.scrambleRow != 0) {
            Scramble(stored.data(), stored.size(), keys + (file.options.scrambleRow - 1) * kEpk2KeyRowSize);
        }
        if (pack.size() + uint64_t{stored.size()} > maxSize) {
            *error = "the pack would pass 4 GiB at \"" + file.name + "\"";
            return false;
        }
        size_t at = indexStart + static_cast<size_t>(directories_.size()) * kEpk2DirectoryRecordSize +
                    f * kEpk2FileRecordSize;
        PutU32(&pack, at, putName(file.name));
        pack[at + 6] = file.options.flags;
        pack[at + 7] = static_cast<uint8_t>(file.options.scrambleRow);
        PutU32(&pack, at + 8, static_cast<uint32_t>(pack.size()));
        PutU32(&pack, at + 12, static_cast<uint32_t>(stored.size()));
        PutU32(&pack, at + 16, static_cast<uint32_t>(file.data.size()));
        PutU32(&pack, at + 24, nextFile[f]);
        pack.insert(pack.end(), stored.begin(), stored.end());
    }

    Scramble(pack.data() + indexStart, static_cast<size_t>(indexEnd) - indexStart,
             keys + (kEpk2IndexKeyRow - 1) * kEpk2KeyRowSize);
    *out = std::move(pack);
    return true;
}
