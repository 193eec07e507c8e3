// Writes EPK2 packs: folders and files added in the order they should be
// stored, then laid out as header, scrambled index and entry data. The pack
// tool builds packs from folders with it; tests build exact packs with it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class PackCompression {
    kIfSmaller,  // zlib when that makes the entry smaller
    kAlways,     // zlib unless the result happens to be exactly as large (then plain)
    kNever,
};

struct PackFileOptions {
    PackCompression compression = PackCompression::kIfSmaller;
    int scrambleRow = 0;  // 0 = plain, 1 to 4 = first 1024 stored bytes XORed with that row
    uint8_t flags = 0;    // the record's flag byte, reported by listing
};

class PackWriter {
public:
    static constexpr int kRoot = 0;

    // A folder inside `parent`; its id, or -1 when the parent or name is bad.
    // Children and files keep the order they were added in; names may repeat.
    int AddDirectory(int parent, const std::string& name);
    // False when the folder, name or options are bad.
    bool AddFile(int directory, const std::string& name, std::vector<uint8_t> data,
                 const PackFileOptions& options = {});

    // The whole pack, scrambled with `keys` (four rows of 256 bytes). False
    // with a message when it cannot be laid out (over 4 GiB).
    bool Build(const uint8_t* keys, std::vector<uint8_t>* out, std::string* error) const;

    // Names that a pack can hold and lookup can reach: not empty, no '/' or
    // '\', not "." or "..", no NUL.
    static bool IsValidName(const std::string& name);

private:
    struct Directory {
        std::string name;
        int parent = -1;
        std::vector<int> children;
        std::vector<int> files;
    };
    struct File {
        std::string name;
        std::vector<uint8_t> data;
        PackFileOptions options;
    };

    std::vector<Directory> directories_{Directory{}};
    std::vector<File> files_;
};
