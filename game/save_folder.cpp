// The save folder and the deletion of every save file.
#include "game/save_folder.h"

#include <cstdio>

#include "platform/debug_log.h"
#include "platform/files.h"

namespace SaveFolder {

std::string Path() {
    std::string userData;
    if (!GetAppDataPath(&userData)) return "";
    return userData + kSaveFolderInUserData;
}

bool Ensure() {
    std::string folder = Path();
    if (folder.empty()) return false;
    if (IsDirectory(folder.c_str())) return true;
    if (CreateDirectoryRecursive(folder.c_str()) == 0) {
        LogWarning("the save folder \"%s\" cannot be made", folder.c_str());
        return false;
    }
    return true;
}

}  // namespace SaveFolder

namespace SaveData {

std::string FileName(int number) {
    char name[32];
    snprintf(name, sizeof name, "Save%04d.dat", number);
    return name;
}

int DeleteAllIn(const std::string& folder) {
    int deleted = 0;
    for (int number = 0; number < kSaveFileCount; ++number) {
        std::string path = folder + "/" + FileName(number);
        if (FileExists(path.c_str()) && RemoveFile(path.c_str())) ++deleted;
    }
    return deleted;
}

int DeleteAll() {
    std::string folder = SaveFolder::Path();
    return folder.empty() ? 0 : DeleteAllIn(folder);
}

}  // namespace SaveData
