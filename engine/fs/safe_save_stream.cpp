// The save stream: a file stream on a temporary file, committed by rename on
// release. Positions and windows behave as in FileStream.
#include "fs/safe_save_stream.h"

#include <atomic>
#include <limits>

#include "fs/object_alloc.h"
#include "fs/stream.h"
#include "platform/debug_log.h"
#include "platform/directory_walk.h"
#include "platform/files.h"

namespace {

std::atomic<unsigned> gSaveSerial{0};

struct SafeSaveStreamObject : Stream {
    FileHandle* handle = nullptr;
    uint32_t position = 0;
    uint32_t length = 0;
    bool failed = false;
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
    bool saved = !self->failed && Commit(self);
    if (!saved) {
        CloseFileHandle(self->handle);
        self->handle = nullptr;
        RemoveFile(self->temporaryPath.c_str());
    }
    DeleteObject(self);
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
                                          SafeSaveAbandon};

}  // namespace

std::string SafeSaveTemporaryName(const std::string& path, unsigned serial) {
    return path + ".tmp" + std::to_string(serial);
}

Stream* OpenSafeSaveStream(const char* path, Allocator* allocator, bool ownerOnly) {
    if (path == nullptr || path[0] == '\0') return nullptr;
    std::string target = NormalizePath(path);
    // Saving onto a folder can never succeed; find out before writing anything.
    if (IsDirectory(target.c_str())) return nullptr;
    std::string temporary = SafeSaveTemporaryName(target, gSaveSerial.fetch_add(1));
    // The new file replaces the old one whole, permissions included: a
    // private file (the access token) must stay private, and a new one is.
    int permissions = ownerOnly ? kPrivateFilePermissions : GetFilePermissions(target.c_str());
    FileHandle* handle = CreateFileHandle(temporary.c_str(), permissions >= 0 ? permissions : kPrivateFilePermissions);
    if (handle == nullptr) return nullptr;
    SafeSaveStreamObject* self = NewObject<SafeSaveStreamObject>(allocator);
    if (self == nullptr) {
        CloseFileHandle(handle);
        RemoveFile(temporary.c_str());
        return nullptr;
    }
    self->ops = &kSafeSaveStreamOps;
    self->handle = handle;
    self->targetPath = std::move(target);
    self->temporaryPath = std::move(temporary);
    return self;
}
