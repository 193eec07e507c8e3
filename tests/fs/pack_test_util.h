// The sample pack with every kind of entry, and readers of a file system's entries and listings.
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

// In the order the pack stores them: nested folders, key rows 0-4, zlib and plain, empty and same-but-case names.
const std::vector<SampleEntry>& SampleEntries();
std::vector<uint8_t> BuildSamplePack(const uint8_t* keys);  // with one empty folder besides
std::vector<uint8_t> MakeBytes(size_t size, uint32_t seed, bool compressible);  // text-like or noise

class FsMgr;
class PackMgr;
// A pack of one zlib-compressed file, made with the built-in keys into `image` (which must outlive it) and opened.
PackMgr* OpenOneCompressedFilePack(const std::string& name, const std::string& bytes, std::vector<uint8_t>* image);
// A copy of `image` opened as a pack in shared memory, which its streams keep as the scripts' PackMemMgr does.
PackMgr* OpenSharedPack(const std::vector<uint8_t>& image);
// An entry's bytes (or the window at `offset`, `size`) through `fs`, or "<none>" when it does not open.
std::string ReadFile(FsMgr* fs, const std::string& name, int mode = kOpenRead, uint32_t offset = 0, uint32_t size = 0);
// One "name size flags" line per entry, then "result N" unless the result is 1.
std::vector<std::string> List(FsMgr* fs, const char* name, int recursive);
std::string AsString(const std::vector<uint8_t>& bytes);
