// The launcher dialog's logic, apart from any toolkit: the controls' first
// states from the settings, each control's setting, the buttons' actions
// (manual, save folder, deleting every save after two questions, the
// micro-blog link), the dialog's description, and the descriptor the chosen
// settings give.
#pragma once

#include <functional>
#include <string>

#include "app/app_descriptor.h"
#include "platform/dialog_form.h"

struct AppConfig;

enum LauncherControl : int {
    kLauncherStart = 1,
    kLauncherQuit = 2,
    kLauncherManual = 1001,
    kLauncherWindowMode = 1002,
    kLauncherFullScreen = 1003,
    kLauncherScreenSize = 1005,
    kLauncherSoundMode = 1008,
    kLauncherVolumeBgm = 1009,
    kLauncherVolumeSe = 1010,
    kLauncherVolumeVoice = 1011,
    kLauncherShadows = 1014,
    kLauncher16Bit = 1015,
    kLauncherShowFps = 1016,
    kLauncherAntiAliasing = 1017,
    kLauncherKeepRunning = 1018,
    kLauncherStatus = 1040,
    kLauncherMicroblog = 1041,
    kLauncherSaveFolder = 1042,
    kLauncherDeleteSaves = 1043,
    kLauncherUpdateCheck = 1044,
};

// The micro-blog link behind the "Microblog認証" button, started on the
// dialog's thread. Later, on the same thread, it shows its progress and
// outcome through `showStatus` and calls `ended` once it is over. It returns
// how to stop it (`tell`: the player's cancel, which shows the outcome and
// calls `ended`; otherwise silently), or null when nothing is left running.
using MicroblogLinkStop = std::function<void(bool tell)>;
using MicroblogLinkStep = std::function<MicroblogLinkStop(std::function<void(const std::string&)> showStatus,
                                                          std::function<void()> ended)>;

// What the buttons do outside the dialog; an empty action does nothing.
struct LauncherActions {
    // Opens a page or folder on the desktop; false with the desktop's reason
    // in `why` when nothing could open it.
    std::function<bool(const std::string& path, std::string* why)> open;
    std::string manualPath = "manual/index.html";  // from the working folder
    std::function<std::string()> saveFolder;         // the save folder's path
    std::function<void()> deleteAllSaves;
    MicroblogLinkStep linkMicroblog;
};

class LauncherModel : public FormLogic {
public:
    LauncherModel(AppConfig* config, LauncherActions actions);
    ~LauncherModel() override;

    void OnInit(FormHost* host) override;
    void OnChange(FormHost* host, int id, int value) override;
    int OnCommand(FormHost* host, int id) override;
    // A link still running is dropped (so also when the model goes): its
    // outcome reaches no dialog.
    void OnEnd(FormHost* host) override;

private:
    void Open(FormHost* host, const std::string& path, const char* button);
    void DeleteAllSaves(FormHost* host);
    // Starts the link, or cancels it while it runs (the button then reads "キャンセル").
    void StartOrCancelLink(FormHost* host);

    AppConfig* config_;
    LauncherActions actions_;
    MicroblogLinkStop stopLink_;  // set while the link runs
};

// "認証済みです" for a linked account, else "未認証です".
std::string LauncherStatusText(const AppConfig& config);

// The dialog: caption (the title and " スタート画面"), banner, groups, buttons.
FormSpec LauncherFormSpec(const std::string& title, const std::string& bannerPath);

// The descriptor's screen, sound and option fields from the settings.
void FillDescriptorFromConfig(const AppConfig& config, AppDescriptor* descriptor);
