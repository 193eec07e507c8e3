// Files and folders on POSIX: positioned I/O through pread/pwrite, the XDG
// data folder for the user's files.
#include "platform/files.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

struct FileHandle {
    int fd;
};

namespace {

bool IsFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Makes every prefix that ends at a '/', then the whole path; a prefix that
// exists as anything but a folder fails.
bool MakeMissingFolders(const std::string& path, mode_t mode) {
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '/') continue;
        std::string prefix = path.substr(0, i);
        if (IsFolder(prefix)) continue;
        if (mkdir(prefix.c_str(), mode) != 0 && !(errno == EEXIST && IsFolder(prefix))) return false;
    }
    return true;
}

}  // namespace

std::string NormalizePath(const char* path) {
    std::string normalized = path ? path : "";
    for (char& c : normalized) {
        if (c == '\\') c = '/';
    }
    return normalized;
}

FileHandle* OpenFileHandle(const char* path, int mode) {
    if (path == nullptr) return nullptr;
    int flags;
    switch (mode & kFileReadWrite) {
        case kFileRead: flags = O_RDONLY; break;
        case kFileWrite: flags = O_WRONLY | O_CREAT | O_TRUNC; break;
        case kFileReadWrite: flags = O_RDWR | O_CREAT; break;
        default: return nullptr;
    }
    std::string native = NormalizePath(path);
    const bool owner = (mode & kFilePrivate) != 0 && (flags & O_CREAT) != 0;
    int fd = open(native.c_str(), flags | O_CLOEXEC, owner ? 0600 : 0644);
    if (fd < 0) return nullptr;
    // A file that already existed keeps its mode unless it is made private here.
    if (owner && fchmod(fd, 0600) != 0) {
        close(fd);
        return nullptr;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        close(fd);
        return nullptr;
    }
    return new FileHandle{fd};
}

FileHandle* CreateFileHandle(const char* path, int permissions) {
    if (path == nullptr) return nullptr;
    std::string native = NormalizePath(path);
    // Created private, then given its bits, so it is never more open than asked.
    int fd = open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return nullptr;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || fchmod(fd, static_cast<mode_t>(permissions & 0777)) != 0) {
        close(fd);
        return nullptr;
    }
    return new FileHandle{fd};
}

int GetFilePermissions(const char* path) {
    if (path == nullptr) return -1;
    struct stat info {};
    if (stat(NormalizePath(path).c_str(), &info) != 0) return -1;
    return static_cast<int>(info.st_mode & 0777);
}

void CloseFileHandle(FileHandle* handle) {
    if (handle == nullptr) return;
    close(handle->fd);
    delete handle;
}

size_t ReadFileAt(FileHandle* handle, void* buffer, uint64_t offset, size_t count) {
    if (handle == nullptr || (buffer == nullptr && count > 0)) return 0;
    if (offset > static_cast<uint64_t>(INT64_MAX)) return 0;
    size_t done = 0;
    auto* bytes = static_cast<char*>(buffer);
    while (done < count) {
        ssize_t got = pread(handle->fd, bytes + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

size_t WriteFileAt(FileHandle* handle, const void* buffer, uint64_t offset, size_t count) {
    if (handle == nullptr || (buffer == nullptr && count > 0)) return 0;
    if (offset > static_cast<uint64_t>(INT64_MAX)) return 0;
    size_t done = 0;
    auto* bytes = static_cast<const char*>(buffer);
    while (done < count) {
        ssize_t put = pwrite(handle->fd, bytes + done, count - done, static_cast<off_t>(offset + done));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) break;
        done += static_cast<size_t>(put);
    }
    return done;
}

bool SyncFileHandle(FileHandle* handle) {
    return handle != nullptr && fsync(handle->fd) == 0;
}

int64_t GetFileHandleSize(FileHandle* handle) {
    if (handle == nullptr) return -1;
    struct stat info {};
    if (fstat(handle->fd, &info) != 0) return -1;
    return static_cast<int64_t>(info.st_size);
}

int64_t GetFileSizeByName(const char* path) {
    FileHandle* handle = OpenFileHandle(path, kFileRead);
    if (handle == nullptr) return -1;
    int64_t size = GetFileHandleSize(handle);
    CloseFileHandle(handle);
    return size;
}

bool GetCurrentDir(std::string* out) {
    if (out == nullptr) return false;
    char* path = getcwd(nullptr, 0);
    if (path == nullptr) return false;
    *out = path;
    free(path);
    return true;
}

bool GetAppDataPath(std::string* out) {
    if (out == nullptr) return false;
    std::string base;
    const char* xdg = getenv("XDG_DATA_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = getenv("HOME");
        if (home == nullptr || home[0] == '\0') return false;
        base = std::string(home) + "/.local/share";
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    if (!IsDirectory(base.c_str())) {
        // The user's private files live here: every folder made on the way is
        // the user's alone, and the last one is 0700 whatever the umask says.
        if (!MakeMissingFolders(base, 0700)) return false;
        chmod(base.c_str(), 0700);
    }
    *out = base;
    return true;
}

bool IsDirectory(const char* path) {
    if (path == nullptr) return false;
    struct stat info {};
    return stat(NormalizePath(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool FileExists(const char* path) {
    if (path == nullptr) return false;
    struct stat info {};
    return stat(NormalizePath(path).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool RemoveDir(const char* path) {
    return path != nullptr && rmdir(NormalizePath(path).c_str()) == 0;
}

bool RemoveFile(const char* path) {
    return path != nullptr && unlink(NormalizePath(path).c_str()) == 0;
}

bool RenameFile(const char* from, const char* to) {
    return from != nullptr && to != nullptr &&
           rename(NormalizePath(from).c_str(), NormalizePath(to).c_str()) == 0;
}

int CreateDirectoryRecursive(const char* path) {
    if (path == nullptr || path[0] == '\0') return 0;
    std::string native = NormalizePath(path);
    if (native.size() >= PATH_MAX) return 0;
    return MakeMissingFolders(native, 0755) ? 1 : 0;
}
