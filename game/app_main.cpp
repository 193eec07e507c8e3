// AppMain and the nine frame callbacks that create and drive the App.
#include "game/app_main.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/app_frame.h"
#include "app/input.h"
#include "fs/fs_mgr.h"
#include "fs/fs_slots.h"
#include "game/app.h"
#include "game/launcher.h"
#include "game/save_folder.h"
#include "media/sound_manager.h"
#include "net/oauth_credentials.h"
#include "platform/message_box.h"
#include "platform/url_opener.h"
#include "platform/window.h"

namespace {

constexpr char kGameTitle[] = "クイルムーア ～霧の谷と銀の鍵～ ver.1.02";
// Virtual-key codes of keyboard block 0: Left, Right, Up, Down, Z, X, C, V, A, D, W, S.
constexpr char kGameKeyMap[kKeyMapSize + 1] = "%'&(ZXCVADWS";

AppRunOptions gRunOptions;

AppHandle OnInitialize() {
    FsMgr::SetCurrentFolder(GetFsMgrSlot(kSlotUserFolder), kSaveFolderInUserData);
    SetKeyMap(0, kGameKeyMap, kKeyMapSize);
    App* app = new App();
    app->fixedSeed = gRunOptions.fixedSeed;
    app->seed = gRunOptions.seed;
    app->autoBattle = gRunOptions.autoBattle;
    LogGLInfo();
    app->Initialize();
    return app;
}

void OnFinalize(AppHandle handle) {
    App* app = static_cast<App*>(handle);
    app->Finalize();
    delete app;
    Launcher::ExitStep();
}

void OnUpdate(AppHandle handle) { static_cast<App*>(handle)->Update(); }
void OnRender(AppHandle handle) { static_cast<App*>(handle)->Draw(); }
void OnPostRender(AppHandle handle) { static_cast<App*>(handle)->Draw2D(); }

void OnActivate(AppHandle, int paused) { SetSoundPaused(paused); }

void OnLostDevice(AppHandle handle) { static_cast<App*>(handle)->OnLostDevice(); }
void OnResetDevice(AppHandle handle) { static_cast<App*>(handle)->OnResetDevice(); }
void OnKey(AppHandle handle, int key, int down) { static_cast<App*>(handle)->OnNotify(key, down); }

void FillDescriptor(AppDescriptor* descriptor) {
    *descriptor = AppDescriptor{};
    strncpy(descriptor->title, kGameTitle, sizeof descriptor->title - 1);
    descriptor->swapMode = 1;
    descriptor->extraUpdates = 0;
    descriptor->soundMode = 1;
    descriptor->samples = 1;
    descriptor->showFps = 0;
    descriptor->runWhenInactive = 0;
    descriptor->OnInitialize = OnInitialize;
    descriptor->OnFinalize = OnFinalize;
    descriptor->OnUpdate = OnUpdate;
    descriptor->OnRender = OnRender;
    descriptor->OnPostRender = OnPostRender;
    descriptor->OnActivate = OnActivate;
    descriptor->OnLostDevice = OnLostDevice;
    descriptor->OnResetDevice = OnResetDevice;
    descriptor->OnKey = OnKey;
}

int RunGame(const AppDescriptor& descriptor, WindowSystem* windows, const EngineServices& services,
            const AppRunOptions& options) {
    gRunOptions = options;
    int status = RunApplicationWith(descriptor, windows, services,
                                    options.unthrottled ? FramePacing::kUnthrottled : FramePacing::kCapped);
    gRunOptions = AppRunOptions{};
    return status;
}

}  // namespace

int AppMainWith(int, char**, WindowSystem* windows, const EngineServices& services, const AppRunOptions& options) {
    AppDescriptor descriptor;
    FillDescriptor(&descriptor);
    descriptor.clientWidth = 1280;
    descriptor.clientHeight = 720;
    return RunGame(descriptor, windows, services, options);
}

int AppMain(int, char**) {
    SetMessageBoxPresenter(ShowGtkMessageBox);
    SetUrlOpener(OpenUrlWithGio);
    InitMicroblogCredentials();  // before the settings file brings the access pair
    AppDescriptor descriptor;
    FillDescriptor(&descriptor);
    if (!Launcher::Run(&descriptor)) return -1;
    AppRunOptions options;
    const char* unthrottled = getenv("QM_UNTHROTTLED");  // for timing runs, not a player's setting
    options.unthrottled = unthrottled != nullptr && strcmp(unthrottled, "1") == 0;
    std::unique_ptr<WindowSystem> windows = CreateX11WindowSystem();
    return RunGame(descriptor, windows.get(), DefaultEngineServices(), options);
}
