// The launcher's GTK dialog on Xvfb: every control's first state, a slider reaching its setting, start.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "game/app_config.h"
#include "game/launcher_model.h"
#include "platform/dialog_form_probe.h"
#include "platform/x11_test_driver.h"

namespace {

TEST(LauncherGtk, ShowsEveryControlWithItsStateAndStarts) {
    std::string error;
    auto server = XvfbServer::Start(1024, 768, &error);
    ASSERT_NE(server, nullptr) << error;
    setenv("DISPLAY", server->display().c_str(), 1);

    AppConfig config;
    config.screenSize = 2, config.soundMode = 0, config.soundVolVoice = 30, config.optionShadowDrawing = 1;
    LauncherModel model(&config, {});
    FormSpec spec = LauncherFormSpec("Q", std::string(getenv("QM_BUILD_DIR")) + "/sample/banner.png");
    const std::tuple<const char*, const char*, int> expected[] = {
        {"ctl-1", "ゲームスタート", 0}, {"ctl-2", "終了", 0}, {"ctl-1001", "マニュアル", 0},
        {"ctl-1002", "ウインドウモード", 1}, {"ctl-1003", "フルスクリーンモード", 0}, {"ctl-1005", "1280 x 720", 2},
        {"ctl-1008", "モノラル", 0}, {"ctl-1009", "", 100}, {"ctl-1010", "", 100}, {"ctl-1011", "", 30},
        {"ctl-1014", "影の描画", 1}, {"ctl-1015", "16bitカラー表示にする", 0}, {"ctl-1016", "FPSを表示する", 0},
        {"ctl-1017", "アンチエイリアシング", 0}, {"ctl-1018", "非アクティブ時に止めない", 0},
        {"ctl-1040", "未認証です", 0}, {"ctl-1041", "Microblog認証", 0}, {"ctl-1042", "セーブフォルダを開く", 0},
        {"ctl-1043", "セーブデータを全て削除", 0}, {"ctl-1044", "アップデート情報を確認", 0}, {"banner", "", 0},
    };
    spec.onShown = [&](FormHost* host) {
        for (const auto& [name, text, value] : expected) {
            FormWidgetState state;
            EXPECT_TRUE(ReadFormWidget(host->NativeWindow(), name, &state)) << name;
            EXPECT_EQ(state.text + " " + std::to_string(state.value), text + (" " + std::to_string(value))) << name;
        }
        host->SetValue(kLauncherVolumeBgm, 55), host->SetValue(kLauncherFullScreen, 1);
        EXPECT_TRUE(ClickFormWidget(host->NativeWindow(), "ctl-1"));
    };
    EXPECT_EQ(RunGtkForm(spec, &model), kLauncherStart);
    EXPECT_EQ(std::vector<int>({config.soundVolBgm, config.screenMode, config.soundVolVoice}), std::vector<int>({55, 1, 30}));
}

}  // namespace
