// The EPK2 pack: a read-only file system held in one file (PackFileMgr) or in
// the caller's memory (PackMemMgr). The index is read once, checked and turned
// into linked records; entries open as streams (window, descrambling, zlib).
//
// Lookup: a name is resolved against the pack's current folder, '\' counts as
// '/', empty parts (from "a//b", a leading or trailing '/') are skipped, and
// the parts are compared byte for byte, case-sensitive, in stored order; the
// first match wins. "." and ".." are ordinary names. A path of more than 128
// parts or 511 bytes finds nothing.
#pragma once

#include <cstdint>

#include "fs/fs_mgr.h"

class SharedBytes;
struct Allocator;
struct PackFile;
struct Stream;

struct PackDirectory {
    const char* name;
    const PackDirectory* parent;
    const PackDirectory* firstChild;
    const PackFile* firstFile;
    const PackDirectory* secondLink;  // kept from the file, never followed
    const PackDirectory* nextSibling;
};

struct PackFile {
    const char* name;
    uint8_t flags;        // reported by listing
    uint8_t scrambleRow;  // 0 = plain, 1 to 4 = first 1024 bytes XORed with that key row
    uint32_t dataOffset;
    uint32_t storedSize;
    uint32_t unpackedSize;  // differs from storedSize when the data is zlib
    const PackFile* secondLink;  // kept from the file, never followed
    const PackFile* next;
};

struct PackMgr : FsMgr {
    char packName[kFsPathSize];  // file packs: re-opened through the parent per entry
    const uint8_t* memoryBase;   // memory packs: the bytes; null for file packs
    SharedBytes* sharedBytes;    // memory packs that share their bytes with their streams, else null
    uint32_t packSize;
    const PackDirectory* directories;  // [0] is the root
    uint32_t directoryCount;
    const PackFile* files;
    uint32_t fileCount;
    const char* index;  // the descrambled index with a NUL after it
    uint32_t indexSize;
};

// Reads the pack `name` through `fs` (null = the operating system). Null, with
// "Failed to Open \"<name>\"." or the parser's line, when it cannot be read.
PackMgr* OpenPackFile(FsMgr* fs, const char* name, Allocator* allocator);
// A pack in the caller's memory, which must outlive the manager and every
// stream opened from it.
PackMgr* OpenPackMemory(const void* data, uint32_t size, Allocator* allocator);
// A pack in shared memory: the manager and every stream opened from it hold
// their own reference, so the bytes stay until the last of them is released.
PackMgr* OpenPackShared(SharedBytes* bytes, Allocator* allocator);
// Reads and checks the header and index from the stream's start. Every number
// is checked; a bad pack gives one log line and null. The caller always
// releases the stream.
PackMgr* ParseEpk2(Stream* stream, Allocator* allocator);

// The file named `path`, or null.
const PackFile* FindPackEntry(const PackMgr* pack, const char* path);
// The entry as a stream of its unpacked bytes, or of the window of them that
// `offset` and `size` select as for a FileStream (0, 0 = whole; null when
// `offset` lies beyond the end), so a pack stored in a pack reads its entries
// on demand. A plain entry's window is read straight from the stored bytes; a
// compressed one's is inflated up to its end and kept in memory. Any mode
// with the write bit is refused; mode bit 8 loads the stored bytes into
// memory first.
Stream* OpenPackedFile(PackMgr* pack, const char* name, uint32_t offset, uint32_t size, int mode,
                       Allocator* allocator);
// Calls back for the folder's sub-folders (each followed by its own contents
// when `recursive`) and then its files, in stored order, with names built the
// way lookup reads them ("/a/b"). 1, or 0 when the folder is missing.
int ListPackDirectory(PackMgr* pack, const char* name, int recursive, void* userArg, FsEnumCallback callback);
