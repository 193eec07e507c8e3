// config.dat (bytes, clamps, hostile files, the file on disk) and the launcher without a toolkit, micro-blog link too.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "fs/fs_mgr.h"
#include "fs/fs_slots.h"
#include "fs/stream.h"
#include "game/app_config.h"
#include "game/launcher.h"
#include "game/launcher_model.h"
#include "game/save_folder.h"
#include "net/microblog_ui.h"
#include "net/oauth_credentials.h"
#include "tests/support/log_capture.h"
#include "tests/net/microblog_test_peer.h"
#include "tests/net/scripted_server.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wait_until.h"

namespace {

using Texts = std::vector<std::string>;

const char kDefaults[] =
    "ScreenMode=0\r\nScreenSize=1\r\nSoundMode=1\r\nSoundVolBgm=100\r\nSoundVolSe=100\r\nSoundVolVoice=100\r\n"
    "OptionShowFps=0\r\nOption16bit=0\r\nOptionShadowDrawing=0\r\nOptionAntiAliasing=0\r\n"
    "OptionDeactiveNoStop=0\r\nTwitAccessKey=\r\nTwitAccessSecret=\r\nBattleSpeed=5\r\nTalkSpeed=0\r\n";

// The settings as config.dat would hold them.
std::string Written(const AppConfig& config) {
    std::vector<char> block(8192);
    Stream* stream = MemoryStream(block.data(), static_cast<uint32_t>(block.size()), false, nullptr);
    EXPECT_TRUE(WriteAppConfig(stream, config));
    std::string bytes(block.data(), stream->Tell());
    stream->Release();
    return bytes;
}

AppConfig Read(std::string bytes) {
    AppConfig config;
    Stream* stream = MemoryStream(bytes.data(), static_cast<uint32_t>(bytes.size()), false, nullptr);
    ReadAppConfig(stream, &config);
    stream->Release();
    return config;
}

// The default file with some lines replaced ("Key=value|Key=value").
std::string DefaultsWith(const std::string& changes) {
    std::string expected = kDefaults;
    for (size_t start = 0, bar = 0; start < changes.size(); start = bar + 1) {
        bar = std::min(changes.find('|', start), changes.size());
        const std::string line = changes.substr(start, bar - start), key = line.substr(0, line.find('=') + 1);
        const size_t at = ("\n" + expected).find("\n" + key);
        expected.replace(at, expected.find('\r', at) - at, line);
    }
    return expected;
}

TEST(AppConfigFile, EveryKeyClampsAndHostileLinesLeaveTheDefaultsForWhatCannotBeRead) {
    const std::pair<std::string, std::string> cases[] = {  // a file as read, and what it changes
        {"", ""}, {"ScreenSize=9\r\n", "ScreenSize=3"}, {"ScreenSize=-4\r\n", "ScreenSize=0"},
        {"ScreenMode=2\r\n", "ScreenMode=0"}, {"ScreenMode=1\r\n", "ScreenMode=1"}, {"SoundMode=7\r\n", "SoundMode=2"},
        {"SoundVolSe=-5\r\n", "SoundVolSe=0"}, {"SoundVolBgm=250\r\n", "SoundVolBgm=100"},
        {"OptionShowFps=-3\r\n", "OptionShowFps=1"}, {"BattleSpeed=101\r\n", "BattleSpeed=100"},
        {"TalkSpeed=abc\r\n", "TalkSpeed=0"}, {"TalkSpeed=  42xyz\r\n", "TalkSpeed=42"},
        {"TalkSpeed=99999999999999999999\r\nBattleSpeed=-99999999999999999999\r\n", "TalkSpeed=100|BattleSpeed=0"},
        {"BattleSpeed\r\nTalkSpeed=7\r\n", "TalkSpeed=7"}, {"Unknown=1\r\nscreenmode=1\r\nScreenMode =1\r\n", ""},
        {"ScreenSize=2\r\nScreenSize=0\r\n", "ScreenSize=0"}, {"TwitAccessKey=ab=cd==\r\n", "TwitAccessKey=ab=cd=="},
        {"ScreenSize=2\nSoundMode=0\nOptionAntiAliasing=1", "ScreenSize=2|SoundMode=0|OptionAntiAliasing=1"},
        {std::string("Screen\0Size=3\r\nSoundMode=\0\r\nTalkSpeed=4\0", 40), "SoundMode=0|TalkSpeed=4"},
        {"ScreenSize=2\r\nSoundMo", "ScreenSize=2"}, {"=\r\n\r\n==\r\n", ""},
        {"SoundVolVoice=7\r\nOption16bit=1\r\nOptionShadowDrawing=1\r\nOptionDeactiveNoStop=1\r\nTwitAccessSecret=%+/\r\n",
         "SoundVolVoice=7|Option16bit=1|OptionShadowDrawing=1|OptionDeactiveNoStop=1|TwitAccessSecret=%+/"},
    };
    for (const auto& [file, changes] : cases) EXPECT_EQ(Written(Read(file)), DefaultsWith(changes)) << file;

    AppConfig config = Read("TwitAccessSecret=" + std::string(300, 'k') + std::string(5000, 'x') + "ScreenMode=1\r\nSoundMode=0\r\n");
    EXPECT_EQ(config.AccessTokenSecret(), std::string(255, 'k'));  // cut, and the rest is no line of its own
    EXPECT_EQ(config.screenMode, 0);
    config.SetAccessToken("a\r\nScreenMode=1", "b\nScreenSize=3");  // a token can never add a line
    EXPECT_EQ(Written(config), DefaultsWith("SoundMode=0|TwitAccessKey=a|TwitAccessSecret=b"));
}

struct FakeHost : FormHost {
    int GetValue(int id) override { return values[id]; }
    void SetValue(int id, int value) override { values[id] = value; }
    void SetText(int id, const std::string& text) override { texts[id].push_back(text); }
    bool AskYesNo(const std::string& text, const std::string&) override {
        asked.push_back(text);
        const bool yes = !answers.empty() && answers.front();
        return answers.empty() ? false : (answers.pop_front(), yes);
    }
    void Tell(const std::string& text, const std::string&) override { told.push_back(text); }
    void* NativeWindow() override { return nullptr; }
    void End(int) override {}
    std::map<int, int> values;
    std::map<int, std::vector<std::string>> texts;
    std::deque<bool> answers;
    std::vector<std::string> asked, told;
};

TEST(LauncherModel, StatusControlsDescriptorAndButtons) {
    AppConfig start;  // the controls' first values are pinned by the GTK dialog's test
    start.SetAccessToken("t", std::string(20, 's'));
    FakeHost shown;
    LauncherModel(&start, {}).OnInit(&shown);
    EXPECT_EQ(shown.texts[kLauncherStatus], std::vector<std::string>{"認証済みです"});
    start.SetAccessToken("t", std::string(19, 's'));
    FakeHost unlinked;
    LauncherModel(&start, {}).OnInit(&unlinked);
    EXPECT_EQ(unlinked.texts[kLauncherStatus], std::vector<std::string>{"未認証です"});

    FakeHost host;  // the controls reaching their settings are the GTK dialog test's
    LauncherModel(&start, {}).OnChange(&host, kLauncherWindowMode, 1);
    EXPECT_EQ(start.screenMode, 0);
    AppConfig config;
    std::vector<std::string> opened;
    LauncherActions actions;
    actions.open = [&](const std::string& path, std::string* why) {
        opened.push_back(path);
        return path != "saves" || (*why = "no handler", false);
    };
    actions.saveFolder = [] { return std::string("saves"); };
    LauncherModel model(&config, actions);
    FakeHost buttons;
    EXPECT_EQ(model.OnCommand(&buttons, kLauncherStart) * 10 + model.OnCommand(&buttons, kLauncherQuit), 12);
    for (int id : {kLauncherManual, kLauncherSaveFolder, kLauncherUpdateCheck, kLauncherMicroblog}) {
        EXPECT_EQ(model.OnCommand(&buttons, id), 0) << id;
    }
    EXPECT_EQ(opened, (std::vector<std::string>{"manual/index.html", "saves"}));
    EXPECT_EQ(buttons.told, std::vector<std::string>{"「saves」を開けませんでした。\nno handler"});
}

// Against a peer that never answers, the button returns at once and the dialog takes changes; the cancel, or
// the dialog going, ends the link at once and closes its connection; the reply coming later touches nothing.
TEST(LauncherModel, MicroblogLinkNeverHoldsTheDialog) {
    std::atomic<int> closed{0};
    ScriptedServer server;
    server.Serve([&closed](int fd, ScriptedServer& peer) {
        peer.ReadRequest(fd);
        pollfd entry{fd, POLLIN, 0};
        char byte;
        if (poll(&entry, 1, 20000) == 1 && recv(fd, &byte, 1, 0) == 0) closed++;
    });
    const MicroblogUi saved = CurrentMicroblogUi();
    std::mutex lock;  // the dialog loop's inbox
    std::vector<std::function<void()>> replies;
    CurrentMicroblogUi().toDialogLoop = [&](std::function<void()> task) {
        std::lock_guard<std::mutex> hold(lock);
        replies.push_back(std::move(task));
    };
    CurrentMicroblogUi().service = Peer::At(server.port());
    HttpOptions& limits = CurrentMicroblogUi().service.http;
    limits.ioTimeoutMs = limits.requestTimeoutMs = 60000;  // only the cancel can end the wait in time
    GetOAuthCredentials().Set("key", "secret", "old", "old-secret");
    for (const int round : {1, 2}) {  // 1: the player cancels; 2: the dialog goes while the request is out
        AppConfig config;
        FakeHost host;
        auto model = std::make_unique<LauncherModel>(&config, Launcher::DesktopActions());
        EXPECT_EQ(model->OnCommand(&host, kLauncherMicroblog), 0);
        ASSERT_TRUE(WaitUntil([&] { return server.requests().size() == size_t(round); }));
        model->OnChange(&host, kLauncherFullScreen, 1);
        EXPECT_EQ(config.screenMode, 1);
        round == 1 ? void(model->OnCommand(&host, kLauncherMicroblog)) : model.reset();
        EXPECT_EQ(host.texts[kLauncherStatus], (round == 1 ? Texts{"認証中", "認証失敗"} : Texts{"認証中"}));
        EXPECT_EQ(host.texts[kLauncherMicroblog], (round == 1 ? Texts{"キャンセル", "Microblog認証"} : Texts{"キャンセル"}));
        EXPECT_TRUE(WaitUntil([&] { return closed == round; }));
        ASSERT_TRUE(WaitUntil([&] { std::lock_guard<std::mutex> hold(lock); return replies.size() == size_t(round); }));
        replies.back()();
        EXPECT_EQ(host.texts[kLauncherStatus].size() + host.texts[kLauncherMicroblog].size(), size_t(6 - 2 * round));
    }
    CurrentMicroblogUi() = saved;
}

// A user folder of the test's own; OnDisk also has the game's file system up.
class UserFolder : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_DATA_HOME", home_.path().c_str(), 1);
        setenv("XDG_RUNTIME_DIR", home_.path().c_str(), 1);
        GetAppConfig() = AppConfig{};
    }
    const std::string kSaves = "KILN-WORKS/Quillmoor/";
    TempDir home_;
};

class OnDisk : public UserFolder {
protected:
    void SetUp() override {
        UserFolder::SetUp();
        FileSystemInit(nullptr);
        FsMgr::SetCurrentFolder(GetFsMgrSlot(kSlotUserFolder), kSaveFolderInUserData);
        ASSERT_TRUE(SaveFolder::Ensure());
    }
    void TearDown() override { FileSystemShutdown(); }
};

// Slot 1 where a folder takes config.dat's place while it is saved: the writes go through, the commit fails.
struct FolderInPlace : FsMgr { FsMgr* real = GetFsMgrSlot(kSlotUserFolder); };
const FsMgrOps kFolderInPlaceOps = {[](FsMgr*) {},
    [](FsMgr* self, const char* name, uint32_t offset, uint32_t size, int mode, Allocator* allocator) {
        Stream* stream = FsMgr::OpenStream(static_cast<FolderInPlace*>(self)->real, name, offset, size, mode, allocator);
        const std::string file = SaveFolder::Path() + "/config.dat";
        if (mode & kOpenWrite) unlink(file.c_str()), mkdir(file.c_str(), 0700);
        return stream;
    }, nullptr, nullptr, nullptr, nullptr};

TEST_F(OnDisk, ASaveKilledHalfWayLeavesTheFileWholeItsLeftoversGoAndAFailedSaveSaysSo) {
    GetAppConfig().SetAccessToken("token", "secret-secret-secret");
    GetAppConfig().screenSize = 3, GetAppConfig().soundMode = 0;
    ASSERT_TRUE(AppConfig::Save());
    const pid_t child = fork();
    if (child == 0) {
        Stream* stream = OpenSlotStream(kSlotUserFolder, "config.dat", kOpenWrite | kOpenPrivate, nullptr);
        if (stream != nullptr) stream->WriteLine("ScreenMode=1");
        raise(SIGKILL);
    }
    int status = 0;
    ASSERT_TRUE(child > 0 && waitpid(child, &status, 0) == child && WIFSIGNALED(status));
    GetAppConfig() = AppConfig{};
    ASSERT_TRUE(AppConfig::Load());
    EXPECT_EQ(GetAppConfig().screenSize * 10 + GetAppConfig().soundMode, 30);
    EXPECT_TRUE(GetAppConfig().HasAccessTokenSecret());
    // Leftovers of killed saves go with the next save of their file; files only named like them stay.
    const std::pair<const char*, const char*> leftovers[] = {
        {"config.dat.tmp12", ""}, {"config.dat.tmp", "x"}, {"config.dat.tmp7x", "x"}, {"Save0001.dat.tmp3", "x"}};
    for (const auto& [name, after] : leftovers) ASSERT_TRUE(home_.Write(kSaves + name, "x"));
    ASSERT_TRUE(AppConfig::Save());
    for (const auto& [name, after] : leftovers) EXPECT_EQ(home_.Read(kSaves + name), after) << name;
    // A save whose commit fails is a failed save: the launcher says so, and without a display starts the game with
    // the settings loaded.
    FolderInPlace trap;
    InitFsMgrHead(&trap, &kFolderInPlaceOps, nullptr);
    SetFsMgrSlot(kSlotUserFolder, &trap);
    AppDescriptor descriptor;
    LogCapture log;
    EXPECT_TRUE(Launcher::RunWith(&descriptor, [](const FormSpec&, FormLogic*) { return kFormNoDisplay; }, {}));
    SetFsMgrSlot(kSlotUserFolder, trap.real);
    EXPECT_TRUE(log.Contains("[warning] お知らせ: 設定を保存できませんでした。"));
    EXPECT_EQ(descriptor.clientWidth * 10 + descriptor.soundMode, 12800);  // what was loaded
}

TEST_F(UserFolder, DeleteAllDeletesOnlyTheSaveFilesAfterTwoYes) {
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

TEST_F(UserFolder, QuitStillSavesTheChangesAndStartsNothing) {
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
    EXPECT_EQ(home_.Read(kSaves + "config.dat").substr(0, 14), "ScreenMode=1\r\n");
}

// config.dat's access pair is loaded into the micro-blog credentials and a new one saved at the exit step.
TEST_F(UserFolder, TheAccessPairTravelsBetweenConfigAndTheMicroblogCredentials) {
    InitMicroblogCredentials();
    ASSERT_TRUE(home_.Write(kSaves + "config.dat", "TwitAccessKey=key-1\r\nTwitAccessSecret=secret=with=equals-0123\r\n"));
    AppDescriptor descriptor;
    FakeHost host;
    auto quit = [&host](const FormSpec&, FormLogic* logic) { return logic->OnCommand(&host, kLauncherQuit); };
    EXPECT_FALSE(Launcher::RunWith(&descriptor, quit, {}));
    EXPECT_STREQ(GetOAuthCredentials().GetAccessToken(), "key-1");
    EXPECT_STREQ(GetOAuthCredentials().GetAccessTokenSecret(), "secret=with=equals-0123");

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
