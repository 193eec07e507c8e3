// DirMgr: name building below the root and the current folder, and the
// operations on the operating system's files (or the parent manager's).
#include "fs/dir_mgr.h"

#include <cstring>
#include <string>

#include "core/allocator.h"
#include "fs/fs_mgr.h"
#include "fs/object_alloc.h"
#include "fs/path_case.h"
#include "fs/safe_save_stream.h"
#include "fs/stream.h"
#include "platform/debug_log.h"
#include "platform/directory_walk.h"
#include "platform/files.h"

namespace {

struct DirMgrObject : FsMgr {
    char root[kFsPathSize];
};

DirMgrObject* Self(FsMgr* manager) { return static_cast<DirMgrObject*>(manager); }

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Root followed by `rest`, with a '/' between them when neither supplies one
// (a root "/data" and a folder "save" give "/data/save", not "/datasave").
// False when the result would not fit a name buffer: a cut name would open
// another file.
bool JoinRoot(const DirMgrObject* self, const std::string& rest, std::string* out) {
    const char* root = self->root;
    size_t rootLength = strlen(root);
    bool needSeparator = rootLength > 0 && !rest.empty() && !IsSeparator(root[rootLength - 1]) &&
                         !IsSeparator(rest[0]);
    *out = std::string(root) + (needSeparator ? "/" : "") + rest;
    return out->size() < kFsPathSize;
}

// The name that Open and Enumerate use: "/x" is below the root whatever the
// current folder; "x" is below the root and the current folder.
bool BuildOpenName(const DirMgrObject* self, const char* name, std::string* out) {
    if (IsSeparator(name[0])) return JoinRoot(self, name, out);
    return JoinRoot(self, std::string(self->currentFolder) + "/" + name, out);
}

// The name that CreateFolder, RemoveFolder and GetFileSize use; "/" is the root.
bool BuildFolderName(const DirMgrObject* self, const char* name, std::string* out) {
    if (strcmp(name, "/") == 0) {
        *out = self->root;
        return true;
    }
    char resolved[kFsPathSize];
    if (!FsMgr::ResolvePath(self, resolved, sizeof resolved, name)) return false;
    return JoinRoot(self, resolved, out);
}

Stream* DirOpen(FsMgr* manager, const char* name, uint32_t offset, uint32_t size, int mode,
                Allocator* allocator) {
    DirMgrObject* self = Self(manager);
    std::string full;
    if (!BuildOpenName(self, name, &full)) return nullptr;
    if (self->parent != nullptr) {
        return FsMgr::OpenStream(self->parent, full.c_str(), offset, size, mode, allocator);
    }
    if ((mode & (kOpenRead | kOpenWrite)) == kOpenWrite) {
        // A new file starts empty, so no window but the whole file exists.
        if (offset != 0) return nullptr;
        Stream* save = OpenSafeSaveStream(full.c_str(), allocator, (mode & kOpenPrivate) != 0);
        if (save != nullptr && (mode & kOpenLoadIntoMemory)) return Stream::LoadIntoMemory(save, allocator);
        return save;
    }
    Stream* stream = FileStream(full.c_str(), offset, size, mode, allocator);
    std::string other;
    if (stream == nullptr && FindPathIgnoringCase(full, &other)) {
        stream = FileStream(other.c_str(), offset, size, mode, allocator);
    }
    return stream;
}

int DirEnumerate(FsMgr* manager, const char* name, int recursive, void* userArg, FsEnumCallback callback) {
    DirMgrObject* self = Self(manager);
    std::string full;
    if (!BuildOpenName(self, name, &full)) return 0;
    if (self->parent != nullptr) {
        return FsMgr::Enumerate(self->parent, full.c_str(), recursive, userArg, callback);
    }
    // The last component is a name prefix, so "save/" lists the folder save
    // and "save/Save" only the entries whose names begin with "Save". The walk
    // of the operating system is always recursive.
    full = NormalizePath(full.c_str());
    size_t slash = full.rfind('/');
    std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : full.substr(0, slash));
    std::string prefix = slash == std::string::npos ? full : full.substr(slash + 1);
    FsEnumEntry entry{};
    bool walked = WalkDirectory(folder.c_str(), prefix.c_str(), [&](const WalkEntry& found) {
        if (found.relativeName.size() >= kFsPathSize) {
            LogWarning("skipped \"%.200s...\": the name is longer than %u bytes", found.relativeName.c_str(),
                       kFsPathSize - 1);
            return false;
        }
        memcpy(entry.name, found.relativeName.c_str(), found.relativeName.size() + 1);
        entry.size = static_cast<uint32_t>(found.info.size);  // the low 32 bits of larger files
        entry.flags = (found.info.isDirectory ? kFsEntryDirectory : 0u) |
                      (found.info.readOnly ? kFsEntryReadOnly : 0u);
        callback(userArg, manager, &entry);
        return true;
    });
    return walked ? 1 : 0;
}

int DirCreateFolder(FsMgr* manager, const char* name) {
    DirMgrObject* self = Self(manager);
    std::string full;
    if (!BuildFolderName(self, name, &full)) return 0;
    if (self->parent != nullptr) return FsMgr::CreateFolder(self->parent, full.c_str());
    return CreateDirectoryRecursive(full.c_str());
}

int DirRemoveFolder(FsMgr* manager, const char* name) {
    DirMgrObject* self = Self(manager);
    std::string full;
    if (!BuildFolderName(self, name, &full)) return 0;
    if (self->parent != nullptr) return FsMgr::RemoveFolder(self->parent, full.c_str());
    return RemoveDir(full.c_str()) ? 1 : 0;
}

int64_t DirGetFileSize(FsMgr* manager, const char* name) {
    DirMgrObject* self = Self(manager);
    std::string full;
    if (!BuildFolderName(self, name, &full)) return -1;
    if (self->parent != nullptr) return FsMgr::GetFileSize(self->parent, full.c_str());
    if (IsDirectory(full.c_str())) return -1;
    int64_t size = GetFileSizeByName(full.c_str());
    std::string other;
    if (size < 0 && FindPathIgnoringCase(full, &other) && !IsDirectory(other.c_str())) {
        size = GetFileSizeByName(other.c_str());
    }
    return size;
}

void DirRelease(FsMgr* manager) { DeleteObject(Self(manager)); }

constexpr FsMgrOps kDirMgrOps = {DirRelease,      DirOpen,         DirEnumerate,
                                 DirCreateFolder, DirRemoveFolder, DirGetFileSize};

}  // namespace

FsMgr* DirMgr(FsMgr* parent, const char* root, Allocator* allocator) {
    if (root == nullptr) root = "";
    size_t length = strlen(root);
    if (length >= kFsPathSize) {
        LogError("folder name too long (%zu bytes): \"%.200s...\"", length, root);
        return nullptr;
    }
    DirMgrObject* self = NewObject<DirMgrObject>(allocator);
    if (self == nullptr) return nullptr;
    InitFsMgrHead(self, &kDirMgrOps, parent);
    memcpy(self->root, root, length + 1);
    return self;
}
