// The FsMgr head: calls through the operations table with the results that
// stand for "unsupported", the current folder and path resolution.
#include "fs/fs_mgr.h"

#include <cstdio>
#include <cstring>

#include "fs/stream.h"
#include "platform/debug_log.h"

void InitFsMgrHead(FsMgr* manager, const FsMgrOps* ops, FsMgr* parent) {
    manager->ops = ops;
    manager->currentFolder[0] = '\0';
    manager->parent = parent;
}

Stream* FsMgr::OpenStream(FsMgr* manager, const char* name, uint32_t offset, uint32_t size, int mode,
                          Allocator* allocator) {
    if (name == nullptr) return nullptr;
    if (manager == nullptr) return FileStream(name, offset, size, mode, allocator);
    if (manager->ops->Open == nullptr) return nullptr;
    return manager->ops->Open(manager, name, offset, size, mode, allocator);
}

void FsMgr::Release(FsMgr* manager) {
    if (manager != nullptr && manager->ops->Release != nullptr) manager->ops->Release(manager);
}

int FsMgr::Enumerate(FsMgr* manager, const char* name, int recursive, void* userArg, FsEnumCallback callback) {
    if (manager == nullptr || manager->ops->Enumerate == nullptr || name == nullptr || callback == nullptr) {
        return 0;
    }
    return manager->ops->Enumerate(manager, name, recursive, userArg, callback);
}

int FsMgr::CreateFolder(FsMgr* manager, const char* name) {
    if (manager == nullptr || manager->ops->CreateFolder == nullptr || name == nullptr) return 0;
    return manager->ops->CreateFolder(manager, name);
}

int FsMgr::RemoveFolder(FsMgr* manager, const char* name) {
    if (manager == nullptr || manager->ops->RemoveFolder == nullptr || name == nullptr) return 0;
    return manager->ops->RemoveFolder(manager, name);
}

int64_t FsMgr::GetFileSize(FsMgr* manager, const char* name) {
    if (manager == nullptr || manager->ops->GetFileSize == nullptr || name == nullptr) return -1;
    return manager->ops->GetFileSize(manager, name);
}

int FsMgr::SetCurrentFolder(FsMgr* manager, const char* folder) {
    if (manager == nullptr) return 0;
    if (folder == nullptr) folder = "";
    size_t length = strlen(folder);
    if (length >= sizeof manager->currentFolder) {
        LogError("folder name too long (%zu bytes): \"%.200s...\"", length, folder);
        return 0;
    }
    memcpy(manager->currentFolder, folder, length + 1);
    return 1;
}

int FsMgr::ResolvePath(const FsMgr* manager, char* out, uint32_t outSize, const char* name) {
    if (out == nullptr || outSize == 0 || name == nullptr) return 0;
    int length;
    if (name[0] == '/' || name[0] == '\\' || manager == nullptr) {
        length = snprintf(out, outSize, "%s", name);
    } else {
        length = snprintf(out, outSize, "%s/%s", manager->currentFolder, name);
    }
    if (length < 0 || static_cast<uint32_t>(length) >= outSize) {
        out[0] = '\0';
        return 0;
    }
    return 1;
}
