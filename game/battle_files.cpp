#include "game/battle_files.h"

#include <set>
#include <string>

#include "fs/fs_mgr.h"
#include "platform/debug_log.h"

namespace {

std::set<std::string>& Named() {  // main thread only, as are battles
    static std::set<std::string> named;
    return named;
}

}  // namespace

bool BattleFileThere(FsMgr* fs, const char* name, const char* undrawn) {
    if (FsMgr::GetFileSize(fs, name) >= 0) return true;
    if (Named().insert(name).second) LogWarning("\"%s\" is not in the pack: %s", name, undrawn);
    return false;
}

void ForgetMissingBattleFiles() { Named().clear(); }
