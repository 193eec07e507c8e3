// The launcher without a toolkit: the controls against the settings, the
// descriptor, the delete-all questions, and Launcher::RunWith's saving.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "fs/fs_mgr.h"
#include "fs/fs_slots.h"
#include "fs/stream.h"
#include "game/app_config.h"
#include "game/launcher.h"
#include "game/launcher_model.h"
#include "game/save_folder.h"
#include "net/oauth_credentials.h"
#include "platform/single_instance.h"
#include "tests/support/temp_dir.h"

namespace {

class FakeHost : public FormHost {
public:
    int GetValue(int id) override { return values[id]; }
    void SetValue(int id, int value) override { values[id] = value; }
    void SetText(int id, const std::string& text) override { texts[id].push_back(text); }
    bool AskYesNo(const std::string& text, const std::string&) override {
        asked.push_back(text);
        bool yes = !answers.empty() && answers.front();
        if (!answers.empty()) answers.pop_front();
        return yes;
    }
    void Tell(const std::string& text, const std::string&) override { told.push_back(text); }
    void* NativeWindow() override { return nullptr; }
    void End(int) override {}

    std::map<int, int> values;
    std::map<int, std::vector<std::string>> texts;
    std::deque<bool> answers;
    std::vector<std::string> asked, told;
};

// The settings as config.dat would hold them.
std::string Bytes(const AppConfig& config) {
    char block[4096];
    Stream* stream = MemoryStream(block, sizeof block, false, nullptr);
    WriteAppConfig(stream, config);
    std::string bytes(block, stream->Tell());
    stream->Release();
    return bytes;
}

TEST(LauncherModel, ControlsStartFromTheSettings) {
    AppConfig config;
    config.screenMode = 1, config.screenSize = 3, config.soundMode = 0, config.soundVolSe = 37;
    config.optionAntiAliasing = 1;
    config.SetAccessToken("t", std::string(20, 's'));
    FakeHost host;
    LauncherModel(&config, {}).OnInit(&host);
    const std::map<int, int> expected = {{kLauncherFullScreen, 1}, {kLauncherScreenSize, 3}, {kLauncherSoundMode, 0},
        {kLauncherVolumeBgm, 100}, {kLauncherVolumeSe, 37}, {kLauncherVolumeVoice, 100}, {kLauncherShadows, 0},
        {kLauncher16Bit, 0}, {kLauncherShowFps, 0}, {kLauncherAntiAliasing, 1}, {kLauncherKeepRunning, 0}};
    EXPECT_EQ(host.values, expected);
    EXPECT_EQ(host.texts[kLauncherStatus], std::vector<std::string>{"認証済みです"});
    config.SetAccessToken("t", std::string(19, 's'));
    FakeHost unlinked;
    LauncherModel(&config, {}).OnInit(&unlinked);
    EXPECT_EQ(unlinked.texts[kLauncherStatus], std::vector<std::string>{"未認証です"});
}

TEST(LauncherModel, EachControlChangesExactlyItsSetting) {
    // A control, the value it reports, and the one setting that takes the value (none: nothing changes).
    const std::tuple<int, int, int32_t AppConfig::*> cases[] = {
        {kLauncherFullScreen, 1, &AppConfig::screenMode}, {kLauncherScreenSize, 2, &AppConfig::screenSize},
        {kLauncherSoundMode, 2, &AppConfig::soundMode}, {kLauncherVolumeBgm, 11, &AppConfig::soundVolBgm},
        {kLauncherVolumeSe, 12, &AppConfig::soundVolSe}, {kLauncherVolumeVoice, 13, &AppConfig::soundVolVoice},
        {kLauncherShadows, 1, &AppConfig::optionShadowDrawing}, {kLauncher16Bit, 1, &AppConfig::option16bit},
        {kLauncherShowFps, 1, &AppConfig::optionShowFps}, {kLauncherAntiAliasing, 1, &AppConfig::optionAntiAliasing},
        {kLauncherKeepRunning, 1, &AppConfig::optionDeactiveNoStop}, {kLauncherScreenSize, -1, nullptr},
        {kLauncherWindowMode, 0, nullptr}, {kLauncherUpdateCheck, 1, nullptr}};
    for (const auto& [id, value, setting] : cases) {
        SCOPED_TRACE(id);
        AppConfig config, expected;
        if (setting != nullptr) expected.*setting = value;
        FakeHost host;
        LauncherModel(&config, {}).OnChange(&host, id, value);
        EXPECT_EQ(Bytes(config), Bytes(expected));
    }
    AppConfig config;
    config.screenMode = 1;
    FakeHost host;
    LauncherModel(&config, {}).OnChange(&host, kLauncherWindowMode, 1);
    EXPECT_EQ(config.screenMode, 0);
}

TEST(LauncherModel, TheDescriptorFollowsTheSettings) {
    const int sizes[4][2] = {{800, 480}, {1024, 576}, {1280, 720}, {1280, 800}};
    for (int index = 0; index < 4; ++index) {
        AppConfig config;
        config.screenSize = index, config.screenMode = index & 1, config.optionAntiAliasing = index & 1;
        config.soundMode = 2, config.option16bit = 1, config.optionShowFps = 1, config.optionDeactiveNoStop = 1;
        AppDescriptor d;
        FillDescriptorFromConfig(config, &d);
        EXPECT_EQ(d.clientWidth, sizes[index][0]);
        EXPECT_EQ(d.clientHeight, sizes[index][1]);
        EXPECT_EQ(d.fullScreen, index & 1);
        EXPECT_EQ(d.samples, index & 1 ? 4 : 1);
        EXPECT_EQ(d.iconId, 2010);
        EXPECT_EQ(d.soundMode + d.use16BitColour + d.showFps + d.runWhenInactive, 5);
    }
}

TEST(LauncherModel, ButtonsEndOrAct) {
    AppConfig config;
    std::vector<std::string> opened;
    LauncherActions actions;
    actions.open = [&](const std::string& path) { opened.push_back(path); };
    actions.openSaveFolder = [&] { opened.push_back("saves"); };
    actions.linkMicroblog = [&](void*, const std::function<void(const std::string&)>& show) {
        show("認証中");
        return std::string("認証完了");
    };
    LauncherModel model(&config, actions);
    FakeHost host;
    EXPECT_EQ(model.OnCommand(&host, kLauncherStart), 1);
    EXPECT_EQ(model.OnCommand(&host, kLauncherQuit), 2);
    for (int id : {kLauncherManual, kLauncherSaveFolder, kLauncherUpdateCheck, kLauncherMicroblog}) {
        EXPECT_EQ(model.OnCommand(&host, id), 0) << id;
    }
    EXPECT_EQ(opened, (std::vector<std::string>{"manual/index.html", "saves"}));
    EXPECT_EQ(host.texts[kLauncherStatus], (std::vector<std::string>{"認証中", "認証完了"}));
}

// Launcher::RunWith in a user folder of the test's own, with a scripted dialog.
class LauncherRun : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_DATA_HOME", home_.path().c_str(), 1);
        setenv("XDG_RUNTIME_DIR", home_.path().c_str(), 1);
        GetAppConfig() = AppConfig{};
    }
    const std::string kSaves = "KILN-WORKS/Quillmoor/";
    TempDir home_;
};

TEST_F(LauncherRun, DeleteAllDeletesOnlyTheSaveFilesAfterTwoYes) {
    const std::deque<bool> answers[] = {{false}, {true, false}, {true, true}};
    const std::pair<const char*, bool> files[] = {{"Save0000.dat", true}, {"Save0031.dat", true},
        {"Save0032.dat", false}, {"config.dat", false}, {"save0001.dat", false}};  // name, a save file
    for (const std::deque<bool>& given : answers) {
        const bool deleted = given.size() == 2 && given[1];
        for (const auto& [name, save] : files) ASSERT_TRUE(home_.Write(kSaves + name, "x"));
        AppConfig config;
        FakeHost host;
        host.answers = given;
        EXPECT_EQ(LauncherModel(&config, Launcher::DesktopActions()).OnCommand(&host, kLauncherDeleteSaves), 0);
        EXPECT_EQ(host.asked.size(), given.size());
        EXPECT_EQ(host.told.size(), deleted ? 1u : 0u);
        for (const auto& [name, save] : files) EXPECT_EQ(home_.Read(kSaves + name), deleted && save ? "" : "x") << name;
    }
}

TEST_F(LauncherRun, QuitStillSavesTheChangesAndStartsNothing) {
    AppDescriptor descriptor;
    strcpy(descriptor.title, "T");
    auto quitAfterFullScreen = [](const FormSpec& spec, FormLogic* logic) {
        EXPECT_EQ(spec.caption, "T スタート画面");
        FakeHost host;
        logic->OnInit(&host);
        logic->OnChange(&host, kLauncherFullScreen, 1);
        return logic->OnCommand(&host, kLauncherQuit);
    };
    EXPECT_FALSE(Launcher::RunWith(&descriptor, quitAfterFullScreen, {}));
    EXPECT_EQ(SingleInstanceLockPath(kSingleInstanceName), home_.path() + "/Kilnwk_Quillmoor.lock");
    EXPECT_EQ(home_.Read(kSaves + "config.dat").substr(0, 14), "ScreenMode=1\r\n");
    // Without a display the saved settings start the game.
    EXPECT_TRUE(Launcher::RunWith(&descriptor, [](const FormSpec&, FormLogic*) { return kFormNoDisplay; }, {}));
    EXPECT_EQ(descriptor.fullScreen, 1);
    EXPECT_EQ(descriptor.clientWidth, 1024);
}

// config.dat keeps the access pair that the micro-blog client works with:
// loaded into its credentials, and a new pair saved back at the exit step.
TEST_F(LauncherRun, TheAccessPairTravelsBetweenConfigAndTheMicroblogCredentials) {
    InitMicroblogCredentials();
    ASSERT_TRUE(home_.Write(kSaves + "config.dat", "TwitAccessKey=key-1\r\nTwitAccessSecret=secret=with=equals-0123\r\n"));
    AppDescriptor descriptor;
    auto quit = [](const FormSpec&, FormLogic* logic) {
        FakeHost host;
        return logic->OnCommand(&host, kLauncherQuit);
    };
    EXPECT_FALSE(Launcher::RunWith(&descriptor, quit, {}));
    EXPECT_STREQ(GetOAuthCredentials().GetAccessToken(), "key-1");
    EXPECT_STREQ(GetOAuthCredentials().GetAccessTokenSecret(), "secret=with=equals-0123");
    EXPECT_TRUE(HasAccessTokenSecret());

    GetOAuthCredentials().SetAccessToken("key-2");  // as a successful PIN flow leaves them
    GetOAuthCredentials().SetAccessTokenSecret("secret-2-0123456789abc");
    FileSystemInit(nullptr);  // the exit step runs while the game's file system is up
    FsMgr::SetCurrentFolder(GetFsMgrSlot(kSlotUserFolder), kSaveFolderInUserData);
    Launcher::ExitStep();
    FileSystemShutdown();
    const std::string saved = home_.Read(kSaves + "config.dat");
    EXPECT_NE(saved.find("TwitAccessKey=key-2\r\nTwitAccessSecret=secret-2-0123456789abc\r\n"), std::string::npos) << saved;
    InitMicroblogCredentials();
}

}  // namespace
