// File-system managers: an FsMgr turns names into streams. Every kind (a
// folder of the operating system or of another manager, an EPK2 pack on disk
// or in memory) begins with the same head; a null manager everywhere means
// the operating system's own files.
#pragma once

#include <cstdint>

struct Allocator;
struct FsMgr;
struct Stream;

// Names, current folders and roots fit in this many bytes with their NUL.
constexpr uint32_t kFsPathSize = 512;

enum FsEntryFlags : uint32_t {
    kFsEntryReadOnly = 1,
    kFsEntryDirectory = 128,
};

// What Enumerate hands to its callback for each folder and file. Names look
// like "/file" and "/sub/file".
struct FsEnumEntry {
    char name[kFsPathSize];
    uint32_t size;
    uint32_t flags;  // kFsEntry* bits; pack files carry their stored flag byte
};

using FsEnumCallback = void (*)(void* userArg, FsMgr* manager, const FsEnumEntry* entry);

// A null slot means the operation is not supported.
struct FsMgrOps {
    void (*Release)(FsMgr* self);
    Stream* (*Open)(FsMgr* self, const char* name, uint32_t offset, uint32_t size, int mode,
                    Allocator* allocator);
    int (*Enumerate)(FsMgr* self, const char* name, int recursive, void* userArg, FsEnumCallback callback);
    int (*CreateFolder)(FsMgr* self, const char* name);
    int (*RemoveFolder)(FsMgr* self, const char* name);
    int64_t (*GetFileSize)(FsMgr* self, const char* name);
};

struct FsMgr {
    const FsMgrOps* ops;
    char currentFolder[kFsPathSize];  // relative names resolve against it
    FsMgr* parent;                    // null = the operating system

    // The manager's Open, or for a null manager a FileStream on the name
    // (`offset`, `size` = 0, 0 for the whole file).
    static Stream* OpenStream(FsMgr* manager, const char* name, uint32_t offset, uint32_t size, int mode,
                              Allocator* allocator);
    // Frees the manager; never its parent. Null is ignored.
    static void Release(FsMgr* manager);
    // 1 when the folder was found and walked; 0 when it was not or the
    // manager cannot list.
    static int Enumerate(FsMgr* manager, const char* name, int recursive, void* userArg,
                         FsEnumCallback callback);
    // Non-zero on success; 0 when unsupported.
    static int CreateFolder(FsMgr* manager, const char* name);
    // Non-zero on success; 0 when unsupported (a pack cannot remove folders,
    // and saying it did would hide that).
    static int RemoveFolder(FsMgr* manager, const char* name);
    // The file's size, -1 when it is missing or the manager cannot tell.
    static int64_t GetFileSize(FsMgr* manager, const char* name);
    // Copies `folder` (null = none); returns 1. A folder longer than 511
    // characters is refused with 0 and a log line and the old one stays: a cut
    // folder would send every relative name somewhere else.
    static int SetCurrentFolder(FsMgr* manager, const char* folder);
    // A name beginning with '/' (or '\') stays as it is; any other becomes
    // "<current folder>/<name>". 0 when the result does not fit in outSize.
    static int ResolvePath(const FsMgr* manager, char* out, uint32_t outSize, const char* name);
};

// The head of a new manager: its table, an empty current folder, the parent.
void InitFsMgrHead(FsMgr* manager, const FsMgrOps* ops, FsMgr* parent);
