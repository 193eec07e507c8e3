// Launcher::Run's steps in order and the exit step.
#include "game/launcher.h"

#include "fs/fs_mgr.h"
#include "fs/fs_slots.h"
#include "game/app_config.h"
#include "game/launcher_model.h"
#include "game/save_folder.h"
#include "platform/debug_log.h"
#include "platform/desktop_open.h"
#include "platform/single_instance.h"

namespace Launcher {

bool Run(AppDescriptor* descriptor) { return RunWith(descriptor, RunGtkForm, DesktopActions()); }

bool RunWith(AppDescriptor* descriptor, const DialogRunner& showDialog, const LauncherActions& actions) {
    // Before anything else, so a second copy touches no file at all.
    if (AcquireSingleInstanceLock(kSingleInstanceName) == kSingleInstanceHeldElsewhere) return false;

    FileSystemInit(nullptr);
    FsMgr::SetCurrentFolder(GetFsMgrSlot(kSlotUserFolder), kSaveFolderInUserData);
    // The micro-blog credentials start here (the built-in consumer pair), before config.dat adds the access token.
    SaveFolder::Ensure();
    AppConfig::Load();

    LauncherModel model(&GetAppConfig(), actions);
    int ended = showDialog(LauncherFormSpec(descriptor->title, kLauncherBannerFile), &model);
    if (ended == kFormNoDisplay) {
        DebugPrint("the launcher cannot be shown; starting with the saved settings");
        ended = kLauncherStart;
    }

    SaveFolder::Ensure();
    AppConfig::Save();
    FileSystemShutdown();
    FillDescriptorFromConfig(GetAppConfig(), descriptor);
    return ended == kLauncherStart;
}

LauncherActions DesktopActions() {
    LauncherActions actions;
    actions.open = [](const std::string& path) { OpenWithDefaultApplication(path.c_str()); };
    actions.openSaveFolder = SaveFolder::Open;
    actions.deleteAllSaves = [] { SaveData::DeleteAll(); };
    return actions;
}

void ExitStep() {
    SaveFolder::Ensure();
    AppConfig::Save();
}

}  // namespace Launcher
