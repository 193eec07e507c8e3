// The slot table and the nested start and stop of slots 0 and 1.
#include "fs/fs_slots.h"

#include <atomic>
#include <mutex>
#include <string>

#include "fs/dir_mgr.h"
#include "fs/fs_mgr.h"
#include "platform/debug_log.h"
#include "platform/files.h"

namespace {

std::atomic<FsMgr*> gSlots[kFsSlotCount];
std::mutex gStartMutex;
int gStartCount = 0;

}  // namespace

void FileSystemInit(Allocator* allocator) {
    std::lock_guard<std::mutex> hold(gStartMutex);
    if (gStartCount++ > 0) return;
    std::string working;
    if (GetCurrentDir(&working)) {
        SetFsMgrSlot(kSlotWorkingFolder, DirMgr(nullptr, working.c_str(), allocator));
    } else {
        LogError("the working folder cannot be found");
    }
    std::string userData;
    if (GetAppDataPath(&userData)) {
        SetFsMgrSlot(kSlotUserFolder, DirMgr(nullptr, userData.c_str(), allocator));
    } else {
        LogError("the user's data folder cannot be found or made");
    }
}

void FileSystemShutdown() {
    std::lock_guard<std::mutex> hold(gStartMutex);
    if (gStartCount == 0 || --gStartCount > 0) return;
    FsMgr::Release(gSlots[kSlotUserFolder].exchange(nullptr));
    FsMgr::Release(gSlots[kSlotWorkingFolder].exchange(nullptr));
}

void SetFsMgrSlot(int index, FsMgr* manager) {
    if (index < 0 || index >= kFsSlotCount) return;
    gSlots[index].store(manager);
}

FsMgr* GetFsMgrSlot(int index) {
    if (index < 0 || index >= kFsSlotCount) return nullptr;
    return gSlots[index].load();
}

Stream* OpenSlotStream(int index, const char* name, int mode, Allocator* allocator) {
    return FsMgr::OpenStream(GetFsMgrSlot(index), name, 0, 0, mode, allocator);
}
