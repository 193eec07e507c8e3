// Files with positioned I/O, sizes, the working and user-data folders and
// directory helpers. Paths are UTF-8; '\' is taken as '/'. Failures are results
// only (null, 0, -1, false): callers log what they know about the context.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum FileOpenMode : int {
    kFileRead = 1,       // existing file only
    kFileWrite = 2,      // created or truncated
    kFileReadWrite = 3,  // created when missing, never truncated
    kFilePrivate = 4,    // with a creating mode: the file is readable by its owner only (0600)
};

struct FileHandle;

FileHandle* OpenFileHandle(const char* path, int mode);
// Creates or truncates `path` for writing with exactly the permission bits
// `permissions` (0777 bits; the umask does not apply).
FileHandle* CreateFileHandle(const char* path, int permissions);
constexpr int kPrivateFilePermissions = 0600;
// The permission bits (0777) of an existing file, -1 when there is none.
int GetFilePermissions(const char* path);
void CloseFileHandle(FileHandle* handle);
// Read or write `count` bytes at `offset` from the start; returns the bytes
// transferred (short only at end of file or on an error).
size_t ReadFileAt(FileHandle* handle, void* buffer, uint64_t offset, size_t count);
size_t WriteFileAt(FileHandle* handle, const void* buffer, uint64_t offset, size_t count);
// Flushes written data to the device; false on failure.
bool SyncFileHandle(FileHandle* handle);
// -1 for a null handle and when the system cannot tell the size.
int64_t GetFileHandleSize(FileHandle* handle);
// -1 when the file cannot be opened.
int64_t GetFileSizeByName(const char* path);

// Turns every '\' into '/'.
std::string NormalizePath(const char* path);

bool GetCurrentDir(std::string* out);
// $XDG_DATA_HOME, else $HOME/.local/share; created (0700) when missing.
bool GetAppDataPath(std::string* out);
bool IsDirectory(const char* path);
bool FileExists(const char* path);
bool RemoveDir(const char* path);
bool RemoveFile(const char* path);
// Atomically replaces `to` with `from` (same file system).
bool RenameFile(const char* from, const char* to);
// Creates every missing folder along the path; 1 on success, 0 on failure
// (for instance when a prefix exists as a file).
int CreateDirectoryRecursive(const char* path);
