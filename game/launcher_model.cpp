// The launcher's controls and their settings, in one table each way.
#include "game/launcher_model.h"

#include <utility>

#include "game/app_config.h"
#include "platform/window.h"

namespace {

constexpr int kGameIconId = 2010;
constexpr int kLauncherIconSize = 48;
constexpr char kManualButton[] = "マニュアル";
constexpr char kSaveFolderButton[] = "セーブフォルダを開く";
constexpr char kMicroblogButton[] = "Microblog認証";
constexpr char kCancelLinkButton[] = "キャンセル";

// The controls whose value is a setting as it stands: lists give the index,
// sliders the position, check boxes 0 or 1.
struct ValueControl {
    int id;
    int32_t AppConfig::*setting;
};
constexpr ValueControl kValueControls[] = {
    {kLauncherScreenSize, &AppConfig::screenSize},
    {kLauncherSoundMode, &AppConfig::soundMode},
    {kLauncherVolumeBgm, &AppConfig::soundVolBgm},
    {kLauncherVolumeSe, &AppConfig::soundVolSe},
    {kLauncherVolumeVoice, &AppConfig::soundVolVoice},
    {kLauncherShadows, &AppConfig::optionShadowDrawing},
    {kLauncher16Bit, &AppConfig::option16bit},
    {kLauncherShowFps, &AppConfig::optionShowFps},
    {kLauncherAntiAliasing, &AppConfig::optionAntiAliasing},
    {kLauncherKeepRunning, &AppConfig::optionDeactiveNoStop},
};

}  // namespace

LauncherModel::LauncherModel(AppConfig* config, LauncherActions actions)
    : config_(config), actions_(std::move(actions)) {}

LauncherModel::~LauncherModel() { OnEnd(nullptr); }

void LauncherModel::OnEnd(FormHost*) {
    if (stopLink_) std::exchange(stopLink_, nullptr)(false);
}

void LauncherModel::OnInit(FormHost* host) {
    host->SetValue(config_->screenMode == 1 ? kLauncherFullScreen : kLauncherWindowMode, 1);
    for (const ValueControl& control : kValueControls) host->SetValue(control.id, config_->*control.setting);
    host->SetText(kLauncherStatus, LauncherStatusText(*config_));
}

void LauncherModel::OnChange(FormHost*, int id, int value) {
    if (id == kLauncherWindowMode || id == kLauncherFullScreen) {
        if (value != 0) config_->screenMode = id == kLauncherFullScreen ? 1 : 0;
        return;
    }
    for (const ValueControl& control : kValueControls) {
        // A list with nothing selected says -1; the setting stays.
        if (control.id == id && value >= 0) config_->*control.setting = value;
    }
}

int LauncherModel::OnCommand(FormHost* host, int id) {
    switch (id) {
        case kLauncherStart:
        case kLauncherQuit: return id;
        case kLauncherManual: Open(host, actions_.manualPath, kManualButton); break;
        case kLauncherSaveFolder:
            if (actions_.saveFolder) Open(host, actions_.saveFolder(), kSaveFolderButton);
            break;
        case kLauncherDeleteSaves: DeleteAllSaves(host); break;
        case kLauncherMicroblog: StartOrCancelLink(host); break;
        default: break;  // the update check has no action
    }
    return 0;
}

void LauncherModel::Open(FormHost* host, const std::string& path, const char* button) {
    std::string why;
    if (!actions_.open || actions_.open(path, &why)) return;
    host->Tell("「" + path + "」を開けませんでした。\n" + why, button);
}

void LauncherModel::StartOrCancelLink(FormHost* host) {
    if (stopLink_) {
        // Out of the member first: stopping calls `ended`, which clears it.
        MicroblogLinkStop stop = std::exchange(stopLink_, nullptr);
        stop(true);
        return;
    }
    if (!actions_.linkMicroblog) return;
    stopLink_ = actions_.linkMicroblog([host](const std::string& text) { host->SetText(kLauncherStatus, text); },
                                       [this, host] {
                                           stopLink_ = nullptr;
                                           host->SetText(kLauncherMicroblog, kMicroblogButton);
                                       });
    if (stopLink_) host->SetText(kLauncherMicroblog, kCancelLinkButton);
}

void LauncherModel::DeleteAllSaves(FormHost* host) {
    if (!host->AskYesNo("本当にセーブデータを全て削除してもよろしいですか？", "確認")) return;
    if (!host->AskYesNo("削除するとセーブデータは復活できませんよ？\n後悔しませんね？", "念のため")) return;
    if (actions_.deleteAllSaves) actions_.deleteAllSaves();
    host->Tell("セーブデータの削除が完了しました。", "お知らせ");
}

std::string LauncherStatusText(const AppConfig& config) {
    return config.HasAccessTokenSecret() ? "認証済みです" : "未認証です";
}

FormSpec LauncherFormSpec(const std::string& title, const std::string& bannerPath) {
    FormSpec spec;
    spec.caption = title + " スタート画面";
    spec.bannerPath = bannerPath;
    spec.iconSize = kLauncherIconSize;
    spec.iconPixels = WindowIconPixels(kGameIconId, kLauncherIconSize);
    spec.closeCode = kLauncherQuit;
    auto control = [](int id, FormControlKind kind, const char* text, std::vector<std::string> items = {}) {
        FormControl made;
        made.id = id;
        made.kind = kind;
        made.text = text;
        made.items = std::move(items);
        return made;
    };
    spec.groups = {
        {"画面モード", 0, 0,
         {control(kLauncherWindowMode, kFormRadio, "ウインドウモード"),
          control(kLauncherFullScreen, kFormRadio, "フルスクリーンモード")}},
        {"画面サイズ", 0, 0,
         {control(kLauncherScreenSize, kFormChoice, "", {"800 x 480", "1024 x 576", "1280 x 720", "1280 x 800"})}},
        {"サウンドモード", 0, 0,
         {control(kLauncherSoundMode, kFormChoice, "", {"モノラル", "ステレオ", "サラウンド"})}},
        {"サウンドボリューム", 0, 0,
         {control(kLauncherVolumeBgm, kFormSlider, "BGM"), control(kLauncherVolumeSe, kFormSlider, "SE"),
          control(kLauncherVolumeVoice, kFormSlider, "VOICE")}},
        {"オプション", 1, 0,
         {control(kLauncherShadows, kFormCheck, "影の描画"),
          control(kLauncher16Bit, kFormCheck, "16bitカラー表示にする"),
          control(kLauncherShowFps, kFormCheck, "FPSを表示する"),
          control(kLauncherAntiAliasing, kFormCheck, "アンチエイリアシング"),
          control(kLauncherKeepRunning, kFormCheck, "非アクティブ時に止めない")}},
        {"Microblog", 1, 0,
         {control(kLauncherStatus, kFormStatus, ""), control(kLauncherMicroblog, kFormButton, kMicroblogButton),
          control(0, kFormNote, "ゲーム中に[F1]キーを押すと投稿できます。"),
          control(0, kFormNote, "インターネットに接続されている必要があります。")}},
        {"セーブデータ", 1, 0,
         {control(kLauncherSaveFolder, kFormButton, kSaveFolderButton),
          control(kLauncherDeleteSaves, kFormButton, "セーブデータを全て削除")}},
        {"アップデート", 1, 0, {control(kLauncherUpdateCheck, kFormButton, "アップデート情報を確認")}},
    };
    spec.buttons = {control(kLauncherManual, kFormButton, kManualButton),
                    control(kLauncherStart, kFormDefaultButton, "ゲームスタート"),
                    control(kLauncherQuit, kFormButton, "終了")};
    return spec;
}

void FillDescriptorFromConfig(const AppConfig& config, AppDescriptor* descriptor) {
    descriptor->iconId = kGameIconId;
    descriptor->fullScreen = config.screenMode;
    ScreenSizeOf(config.screenSize, &descriptor->clientWidth, &descriptor->clientHeight);
    descriptor->use16BitColour = config.option16bit != 0 ? 1 : 0;
    descriptor->soundMode = config.soundMode;
    descriptor->samples = config.optionAntiAliasing > 0 ? 4 : 1;
    descriptor->showFps = config.optionShowFps;
    descriptor->runWhenInactive = config.optionDeactiveNoStop;
}
