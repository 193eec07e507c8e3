// Directory listing and walking on POSIX: opendir/readdir with lstat/stat,
// sorted so the order does not depend on the file system.
#include "platform/directory_walk.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "platform/files.h"

namespace {

using FolderId = std::pair<dev_t, ino_t>;

std::string JoinPath(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

bool WalkFolder(const std::string& path, const std::string& relativePrefix, const char* topPrefix,
                const WalkVisitor& visit, std::vector<FolderId>* ancestors) {
    std::vector<DirectoryEntryInfo> entries;
    if (!ListDirectory(path.c_str(), &entries)) return false;
    size_t prefixLength = topPrefix ? strlen(topPrefix) : 0;
    for (const DirectoryEntryInfo& info : entries) {
        if (prefixLength > 0 && info.name.compare(0, prefixLength, topPrefix) != 0) continue;
        std::string relative = relativePrefix + "/" + info.name;
        bool descend = visit(WalkEntry{relative, info});
        if (!descend || !info.isDirectory || info.isLink) continue;
        std::string child = JoinPath(path, info.name);
        struct stat status {};
        if (lstat(child.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) continue;
        FolderId id{status.st_dev, status.st_ino};
        if (std::find(ancestors->begin(), ancestors->end(), id) != ancestors->end()) continue;
        ancestors->push_back(id);
        WalkFolder(child, relative, nullptr, visit, ancestors);
        ancestors->pop_back();
    }
    return true;
}

}  // namespace

bool ListDirectory(const char* path, std::vector<DirectoryEntryInfo>* out) {
    if (path == nullptr || out == nullptr) return false;
    std::string folder = NormalizePath(path);
    if (folder.empty()) folder = ".";
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return false;
    out->clear();
    while (struct dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) continue;
        std::string full = JoinPath(folder, name);
        struct stat linkStatus {};
        if (lstat(full.c_str(), &linkStatus) != 0) continue;
        struct stat status = linkStatus;
        bool isLink = S_ISLNK(linkStatus.st_mode);
        if (isLink && stat(full.c_str(), &status) != 0) continue;
        DirectoryEntryInfo info;
        info.name = name;
        info.isDirectory = S_ISDIR(status.st_mode);
        info.isLink = isLink;
        info.size = info.isDirectory ? 0 : static_cast<uint64_t>(status.st_size);
        info.readOnly = (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
        out->push_back(std::move(info));
    }
    closedir(dir);
    std::sort(out->begin(), out->end(),
              [](const DirectoryEntryInfo& a, const DirectoryEntryInfo& b) { return a.name < b.name; });
    return true;
}

bool WalkDirectory(const char* folder, const char* topPrefix, const WalkVisitor& visit) {
    if (folder == nullptr) return false;
    std::string path = NormalizePath(folder);
    if (path.empty()) path = ".";
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    std::vector<FolderId> ancestors;
    struct stat status {};
    if (stat(path.c_str(), &status) == 0) ancestors.push_back({status.st_dev, status.st_ino});
    return WalkFolder(path, "", topPrefix, visit, &ancestors);
}

bool SyncDirectory(const char* path) {
    if (path == nullptr) return false;
    std::string folder = NormalizePath(path);
    if (folder.empty()) folder = ".";
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = fsync(fd) == 0;
    close(fd);
    return ok;
}
