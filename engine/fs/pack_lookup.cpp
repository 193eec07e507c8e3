// Path lookup and listing in a parsed pack. Lookup and listing read the same
// canonical form of a name, so every listed name opens.
#include <cstring>

#include "fs/pack_format.h"
#include "fs/pack_mgr.h"
#include "platform/debug_log.h"

namespace {

// A name resolved against the current folder and cut into its parts, which
// point into `text`.
struct PackPath {
    char text[kFsPathSize];
    const char* parts[kEpk2MaxPathParts];
    int count = 0;
};

// False when the name does not resolve or has too many parts.
bool SplitPackPath(const PackMgr* pack, const char* name, PackPath* path) {
    if (!FsMgr::ResolvePath(pack, path->text, sizeof path->text, name)) return false;
    path->count = 0;
    char* cursor = path->text;
    for (char* c = cursor; *c; ++c) {
        if (*c == '\\') *c = '/';
    }
    while (*cursor) {
        char* end = strchr(cursor, '/');
        if (end != nullptr) *end = '\0';
        if (*cursor != '\0') {
            if (path->count == kEpk2MaxPathParts) return false;
            path->parts[path->count++] = cursor;
        }
        if (end == nullptr) break;
        cursor = end + 1;
    }
    return true;
}

const PackDirectory* FindChild(const PackDirectory* directory, const char* name) {
    for (const PackDirectory* child = directory->firstChild; child; child = child->nextSibling) {
        if (strcmp(child->name, name) == 0) return child;
    }
    return nullptr;
}

// The directory named by the first `count` parts, or null.
const PackDirectory* WalkDirectories(const PackMgr* pack, const PackPath& path, int count) {
    const PackDirectory* directory = &pack->directories[0];
    for (int i = 0; i < count && directory; ++i) directory = FindChild(directory, path.parts[i]);
    return directory;
}

struct Lister {
    PackMgr* pack;
    int recursive;
    void* userArg;
    FsEnumCallback callback;
    FsEnumEntry entry;

    // Puts "/<name>" after the first `prefixLength` bytes of entry.name;
    // false (logged) when it would not fit.
    bool SetName(size_t prefixLength, const char* name) {
        size_t nameLength = strlen(name);
        if (prefixLength + 1 + nameLength >= sizeof entry.name) {
            LogWarning("skipped \"%.200s/%.100s\" in the pack listing: the name is longer than %zu bytes",
                       entry.name, name, sizeof entry.name - 1);
            return false;
        }
        entry.name[prefixLength] = '/';
        memcpy(entry.name + prefixLength + 1, name, nameLength + 1);
        return true;
    }

    // entry.name holds the directory's prefix ("" for the root) in its first
    // `prefixLength` bytes. Depth is bounded: every level adds at least one
    // byte to a name that must fit in 512.
    void List(const PackDirectory* directory, size_t prefixLength) {
        for (const PackDirectory* child = directory->firstChild; child; child = child->nextSibling) {
            if (!SetName(prefixLength, child->name)) continue;
            entry.size = 0;
            entry.flags = kFsEntryDirectory;
            callback(userArg, pack, &entry);
            if (recursive) List(child, prefixLength + 1 + strlen(child->name));
            entry.name[prefixLength] = '\0';
        }
        for (const PackFile* file = directory->firstFile; file; file = file->next) {
            if (!SetName(prefixLength, file->name)) continue;
            entry.size = file->unpackedSize;
            entry.flags = file->flags;
            callback(userArg, pack, &entry);
        }
        entry.name[prefixLength] = '\0';
    }
};

}  // namespace

const PackFile* FindPackEntry(const PackMgr* pack, const char* path) {
    if (pack == nullptr || path == nullptr) return nullptr;
    PackPath parts;
    if (!SplitPackPath(pack, path, &parts) || parts.count == 0) return nullptr;
    const PackDirectory* directory = WalkDirectories(pack, parts, parts.count - 1);
    if (directory == nullptr) return nullptr;
    const char* last = parts.parts[parts.count - 1];
    for (const PackFile* file = directory->firstFile; file; file = file->next) {
        if (strcmp(file->name, last) == 0) return file;
    }
    return nullptr;
}

int ListPackDirectory(PackMgr* pack, const char* name, int recursive, void* userArg, FsEnumCallback callback) {
    if (pack == nullptr || name == nullptr || callback == nullptr) return 0;
    PackPath parts;
    if (!SplitPackPath(pack, name, &parts)) return 0;
    const PackDirectory* directory = WalkDirectories(pack, parts, parts.count);
    if (directory == nullptr) return 0;
    Lister lister{pack, recursive, userArg, callback, {}};
    // The prefix is the canonical name: "/a/b" for a, b; "" for the root.
    size_t length = 0;
    for (int i = 0; i < parts.count; ++i) {
        size_t partLength = strlen(parts.parts[i]);
        // A folder without a leading '/' makes the prefix one byte longer than the resolved name.
        if (length + 1 + partLength >= sizeof lister.entry.name) return 0;
        lister.entry.name[length] = '/';
        memcpy(lister.entry.name + length + 1, parts.parts[i], partLength);
        length += 1 + partLength;
    }
    lister.entry.name[length] = '\0';
    lister.List(directory, length);
    return 1;
}
