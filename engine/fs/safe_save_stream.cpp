// The save stream: a file stream on a temporary file, committed by rename on
// release (or earlier on Commit). Positions and windows behave as in
// FileStream. Opening a save first clears the temporaries that saves of the
// same file killed half way left behind.
#include "fs/safe_save_stream.h"

#include <atomic>
#include <cctype>
#include <limits>
#include <mutex>
#include <set>
#include <vector>

#include "fs/object_alloc.h"
#include "fs/stream.h"
#include "platform/debug_log.h"
#include "platform/directory_walk.h"
#include "platform/files.h"

namespace {

std::atomic<unsigned> gSaveSerial{0};

// The temporary files of saves still being written by this process, which a
// save of the same file must not take for leftovers.
struct SavesInFlight {
    std::mutex lock;
    std::set<std::string> temporaries;
};

SavesInFlight& InFlight() {
    static auto* saves = new SavesInFlight();  // never destroyed: saves may end while the program exits
    return *saves;
}

void SetInFlight(const std::string& temporary, bool writing) {
    SavesInFlight& saves = InFlight();
    std::lock_guard<std::mutex> hold(saves.lock);
    if (writing) {
        saves.temporaries.insert(temporary);
    } else {
        saves.temporaries.erase(temporary);
    }
}

// Whether `name` is "<file>.tmp<serial>", the name of one of our own saves of `file`.
bool IsTemporaryNameOf(const std::string& name, const std::string& file) {
    const std::string prefix = file + ".tmp";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return false;
    for (size_t i = prefix.size(); i < name.size(); ++i) {
        if (!isdigit(static_cast<unsigned char>(name[i]))) return false;
    }
    return true;
}

struct SafeSaveStreamObject : Stream {
    FileHandle* handle = nullptr;
    uint32_t position = 0;
    uint32_t length = 0;
    bool failed = false;
    bool committed = false;
    std::string targetPath;
    std::string temporaryPath;
};

SafeSaveStreamObject* Self(Stream* stream) { return static_cast<SafeSaveStreamObject*>(stream); }

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Replaces the target with the finished temporary file; false (with the
// temporary file still there) when a step fails.
bool Commit(SafeSaveStreamObject* self) {
    if (!SyncFileHandle(self->handle)) {
        LogError("could not sync \"%s\"; the old file is kept", self->temporaryPath.c_str());
        return false;
    }
    CloseFileHandle(self->handle);
    self->handle = nullptr;
    if (!RenameFile(self->temporaryPath.c_str(), self->targetPath.c_str())) {
        LogError("could not replace \"%s\"; the old file is kept", self->targetPath.c_str());
        return false;
    }
    // The new file is in place; a folder that cannot be synced only means the
    // rename might not survive a power cut.
    if (!SyncDirectory(FolderOf(self->targetPath).c_str())) {
        LogWarning("could not sync the folder of \"%s\"", self->targetPath.c_str());
    }
    return true;
}

void SafeSaveRelease(Stream* stream) {
    SafeSaveStreamObject* self = Self(stream);
    bool saved = self->committed || (!self->failed && Commit(self));
    if (!saved) {
        CloseFileHandle(self->handle);
        self->handle = nullptr;
        RemoveFile(self->temporaryPath.c_str());
    }
    SetInFlight(self->temporaryPath, false);
    DeleteObject(self);
}

bool SafeSaveCommit(Stream* stream) {
    SafeSaveStreamObject* self = Self(stream);
    if (!self->committed && !self->failed) {
        self->committed = Commit(self);
        self->failed = !self->committed;  // later writes are refused either way: the file is closed
    }
    return self->committed;
}

// Removes what saves of `target` that never finished (the program was killed
// while writing) left beside it: only regular files named as ours.
void RemoveStaleTemporaries(const std::string& target) {
    const std::string folder = FolderOf(target);
    const std::string file = target.substr(target.rfind('/') + 1);
    std::vector<DirectoryEntryInfo> entries;
    if (!ListDirectory(folder.c_str(), &entries)) return;
    SavesInFlight& saves = InFlight();
    std::lock_guard<std::mutex> hold(saves.lock);
    for (const DirectoryEntryInfo& entry : entries) {
        const std::string path = folder + "/" + entry.name;
        if (entry.isDirectory || entry.isLink || !IsTemporaryNameOf(entry.name, file) ||
            saves.temporaries.count(path) != 0) {
            continue;
        }
        if (RemoveFile(path.c_str())) DebugPrint("removed \"%s\", left by a save that never finished", path.c_str());
    }
}

uint32_t SafeSaveRead(Stream*, void*, uint32_t) { return 0; }

// Every write that does not go through whole spoils the save: the file
// would be missing bytes the caller believes are in it.
void FailSave(SafeSaveStreamObject* self, const char* why, size_t put, uint32_t count) {
    if (!self->failed) {
        LogError("could not write \"%s\" (%zu of %u bytes, %s); the old file is kept", self->targetPath.c_str(), put,
                 count, why);
    }
    self->failed = true;
}

uint32_t SafeSaveWrite(Stream* stream, const void* buffer, uint32_t count) {
    SafeSaveStreamObject* self = Self(stream);
    if (count == 0) return 0;
    if (self->failed) return 0;
    if (self->position > self->length) {
        // A seek beyond the end would leave a hole of undefined bytes.
        FailSave(self, "past the end", 0, count);
        return 0;
    }
    uint32_t room = std::numeric_limits<uint32_t>::max() - self->position;
    uint32_t wanted = count < room ? count : room;
    size_t put = WriteFileAt(self->handle, buffer, self->position, wanted);
    self->position += static_cast<uint32_t>(put);
    if (self->position > self->length) self->length = self->position;
    if (put < count) FailSave(self, wanted < count ? "beyond 4 GiB" : "the device refused", put, count);
    return static_cast<uint32_t>(put);
}

void SafeSaveAbandon(Stream* stream) {
    SafeSaveStreamObject* self = Self(stream);
    if (!self->failed) LogError("writing \"%s\" was given up; the old file is kept", self->targetPath.c_str());
    self->failed = true;
}

int32_t SafeSaveFlush(Stream* stream) { return Self(stream)->failed ? -1 : 0; }

uint32_t SafeSaveSeek(Stream* stream, int32_t offset, int whence) {
    SafeSaveStreamObject* self = Self(stream);
    int64_t target;
    if (!SeekTarget(offset, whence, self->position, self->length, &target)) return 0;
    self->position = static_cast<uint32_t>(target);
    return self->position;
}

uint32_t SafeSaveTell(Stream* stream) { return Self(stream)->position; }
uint32_t SafeSaveSize(Stream* stream) { return Self(stream)->length; }
int SafeSaveState(Stream* stream) {
    SafeSaveStreamObject* self = Self(stream);
    if (self->failed) return kStreamFailed;
    return self->position < self->length ? kStreamHasData : kStreamAtEnd;
}

constexpr StreamOps kSafeSaveStreamOps = {SafeSaveRelease, SafeSaveRead, SafeSaveWrite, SafeSaveFlush,
                                          SafeSaveSeek,    SafeSaveTell, SafeSaveSize,  SafeSaveState,
                                          SafeSaveAbandon, SafeSaveCommit};

}  // namespace

std::string SafeSaveTemporaryName(const std::string& path, unsigned serial) {
    return path + ".tmp" + std::to_string(serial);
}

Stream* OpenSafeSaveStream(const char* path, Allocator* allocator, bool ownerOnly) {
    if (path == nullptr || path[0] == '\0') return nullptr;
    std::string target = NormalizePath(path);
    // Saving onto a folder can never succeed; find out before writing anything.
    if (IsDirectory(target.c_str())) return nullptr;
    RemoveStaleTemporaries(target);
    std::string temporary = SafeSaveTemporaryName(target, gSaveSerial.fetch_add(1));
    // The new file replaces the old one whole, permissions included: a
    // private file (the access token) must stay private, and a new one is.
    int permissions = ownerOnly ? kPrivateFilePermissions : GetFilePermissions(target.c_str());
    SetInFlight(temporary, true);
    FileHandle* handle = CreateFileHandle(temporary.c_str(), permissions >= 0 ? permissions : kPrivateFilePermissions);
    SafeSaveStreamObject* self = handle != nullptr ? NewObject<SafeSaveStreamObject>(allocator) : nullptr;
    if (self == nullptr) {
        CloseFileHandle(handle);
        if (handle != nullptr) RemoveFile(temporary.c_str());
        SetInFlight(temporary, false);
        return nullptr;
    }
    self->ops = &kSafeSaveStreamOps;
    self->handle = handle;
    self->targetPath = std::move(target);
    self->temporaryPath = std::move(temporary);
    return self;
}
