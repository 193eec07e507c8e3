// A font file held in memory and shared by every Font made from it; FreeType
// reads its faces straight from these bytes, so the data lives as long as a
// font points to it.
#pragma once

#include <cstdint>

struct Allocator;
struct FsMgr;

struct FontData {
    uint32_t size;     // bytes of the file
    int32_t refCount;  // fonts using the data; 0 right after loading
    uint8_t* bytes;    // right behind this header

    // Reads the whole file through `fs` (null = the operating system's files).
    // Null with "open \"<name>\"." when it cannot be opened, or with a line
    // naming the file when it cannot be read whole.
    static FontData* Load(const char* name, FsMgr* fs, Allocator* allocator);
    static void AddRef(FontData* data);
    // Frees the data once its count drops below 1.
    static void Release(FontData* data);
};

// The loader under the name the rest of the engine knows.
inline FontData* LoadFontData(const char* name, FsMgr* fs, Allocator* allocator) {
    return FontData::Load(name, fs, allocator);
}
