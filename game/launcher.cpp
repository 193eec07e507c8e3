// Launcher::Run's steps in order and the exit step.
#include "game/launcher.h"

#include "fs/fs_mgr.h"
#include "fs/fs_slots.h"
#include "game/app_config.h"
#include "game/launcher_model.h"
#include "game/save_folder.h"
#include "net/microblog_auth.h"
#include "net/oauth_credentials.h"
#include "platform/debug_log.h"
#include "platform/desktop_open.h"
#include "platform/message_box.h"
#include "platform/single_instance.h"

namespace {

// The game still starts with what the player chose; only the next start will not know it.
constexpr char kSettingsNotSaved[] = "設定を保存できませんでした。\n選んだ設定は今回だけ使われます。";

// config.dat keeps the access pair; the micro-blog client works on its own
// credential block. These keep the two in step.
void CredentialsFromConfig() {
    OAuthCredentials& credentials = GetOAuthCredentials();
    credentials.SetAccessToken(GetAppConfig().AccessToken().c_str());
    credentials.SetAccessTokenSecret(GetAppConfig().AccessTokenSecret().c_str());
}

void ConfigFromCredentials() {
    const OAuthCredentials& credentials = GetOAuthCredentials();
    GetAppConfig().SetAccessToken(credentials.GetAccessToken(), credentials.GetAccessTokenSecret());
}

}  // namespace

namespace Launcher {

bool Run(AppDescriptor* descriptor) { return RunWith(descriptor, RunGtkForm, DesktopActions()); }

bool RunWith(AppDescriptor* descriptor, const DialogRunner& showDialog, const LauncherActions& actions) {
    // Before anything else, so a second copy touches no file at all.
    if (AcquireSingleInstanceLock(kSingleInstanceName) == kSingleInstanceHeldElsewhere) {
        DebugPrint("the game is already running; this copy ends");
        return false;
    }

    FileSystemInit(nullptr);
    FsMgr::SetCurrentFolder(GetFsMgrSlot(kSlotUserFolder), kSaveFolderInUserData);
    SaveFolder::Ensure();
    AppConfig::Load();
    CredentialsFromConfig();

    LauncherModel model(&GetAppConfig(), actions);
    int ended = showDialog(LauncherFormSpec(descriptor->title, kLauncherBannerFile), &model);
    if (ended == kFormNoDisplay) {
        DebugPrint("the launcher cannot be shown; starting with the saved settings");
        ended = kLauncherStart;
    }

    SaveFolder::Ensure();
    ConfigFromCredentials();
    if (!AppConfig::Save()) ShowMessageBox(kSettingsNotSaved, "お知らせ", kMessageBoxWarning);
    FileSystemShutdown();
    FillDescriptorFromConfig(GetAppConfig(), descriptor);
    return ended == kLauncherStart;
}

LauncherActions DesktopActions() {
    LauncherActions actions;
    actions.open = [](const std::string& path, std::string* why) {
        return OpenWithDefaultApplication(path.c_str(), why);
    };
    actions.saveFolder = SaveFolder::Path;
    actions.deleteAllSaves = [] { SaveData::DeleteAll(); };
    // A new pair lands in the credential block; config.dat takes it when the dialog ends.
    actions.linkMicroblog = MicroblogAuth::Run;
    return actions;
}

void ExitStep() {
    SaveFolder::Ensure();
    ConfigFromCredentials();
    AppConfig::Save();
}

}  // namespace Launcher
