// config.dat: the written bytes, the clamps, hostile files, a round trip of
// random settings, and the file on disk (kept whole when a save is killed,
// readable by its owner only).
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "fs/fs_mgr.h"
#include "fs/fs_slots.h"
#include "fs/stream.h"
#include "game/app_config.h"
#include "game/save_folder.h"
#include "tests/support/temp_dir.h"

namespace {

const char kDefaults[] =
    "ScreenMode=0\r\nScreenSize=1\r\nSoundMode=1\r\nSoundVolBgm=100\r\nSoundVolSe=100\r\nSoundVolVoice=100\r\n"
    "OptionShowFps=0\r\nOption16bit=0\r\nOptionShadowDrawing=0\r\nOptionAntiAliasing=0\r\n"
    "OptionDeactiveNoStop=0\r\nTwitAccessKey=\r\nTwitAccessSecret=\r\nBattleSpeed=5\r\nTalkSpeed=0\r\n";

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

TEST(AppConfigFile, DefaultsAreWrittenByteForByte) { EXPECT_EQ(Written(AppConfig{}), kDefaults); }

// The default file with some lines replaced ("Key=value|Key=value").
std::string DefaultsWith(const std::string& changes) {
    std::string expected = kDefaults;
    size_t start = 0;
    while (start < changes.size()) {
        size_t bar = std::min(changes.find('|', start), changes.size());
        std::string line = changes.substr(start, bar - start);
        std::string key = line.substr(0, line.find('=') + 1);
        size_t at = ("\n" + expected).find("\n" + key);
        expected.replace(at, expected.find('\r', at) - at, line);
        start = bar + 1;
    }
    return expected;
}

// A file as read, and what reading it changes against the defaults.
const std::pair<std::string, std::string> kReadCases[] = {
    {"ScreenSize=9\r\n", "ScreenSize=3"},
    {"ScreenSize=-4\r\n", "ScreenSize=0"},
    {"ScreenMode=2\r\n", "ScreenMode=0"},
    {"ScreenMode=1\r\n", "ScreenMode=1"},
    {"SoundMode=7\r\n", "SoundMode=2"},
    {"SoundVolSe=-5\r\n", "SoundVolSe=0"},
    {"SoundVolBgm=250\r\n", "SoundVolBgm=100"},
    {"OptionShowFps=-3\r\n", "OptionShowFps=1"},
    {"BattleSpeed=101\r\n", "BattleSpeed=100"},
    {"TalkSpeed=abc\r\n", "TalkSpeed=0"},
    {"TalkSpeed=  42xyz\r\n", "TalkSpeed=42"},
    {"TalkSpeed=99999999999999999999\r\nBattleSpeed=-99999999999999999999\r\n", "TalkSpeed=100|BattleSpeed=0"},
    {"BattleSpeed\r\nTalkSpeed=7\r\n", "TalkSpeed=7"},
    {"Unknown=1\r\nscreenmode=1\r\nScreenMode =1\r\n", ""},
    {"ScreenSize=2\r\nScreenSize=0\r\n", "ScreenSize=0"},
    {"TwitAccessKey=ab=cd==\r\n", "TwitAccessKey=ab=cd=="},
    {"ScreenSize=2\nSoundMode=0\nOptionAntiAliasing=1", "ScreenSize=2|SoundMode=0|OptionAntiAliasing=1"},
    {std::string("Screen\0Size=3\r\nSoundMode=\0\r\nTalkSpeed=4\0", 40), "SoundMode=0|TalkSpeed=4"},
    {"ScreenSize=2\r\nSoundMo", "ScreenSize=2"},
    {"=\r\n\r\n==\r\n", ""},
};

TEST(AppConfigFile, ClampsAndHostileLinesLeaveTheDefaultsForWhatCannotBeRead) {
    for (const auto& [file, changes] : kReadCases) {
        SCOPED_TRACE(file);
        EXPECT_EQ(Written(Read(file)), DefaultsWith(changes));
    }
}

TEST(AppConfigFile, AnOverlongLineIsCutAndItsRestIsNoLineOfItsOwn) {
    AppConfig config =
        Read("TwitAccessSecret=" + std::string(300, 'k') + std::string(5000, 'x') + "ScreenMode=1\r\nSoundMode=0\r\n");
    EXPECT_EQ(config.AccessTokenSecret(), std::string(255, 'k'));
    EXPECT_EQ(config.screenMode, 0);
    EXPECT_EQ(config.soundMode, 0);
    // A token can never add a line of its own to the file.
    config.SetAccessToken("a\r\nScreenMode=1", "b\nScreenSize=3");
    EXPECT_EQ(Written(config), DefaultsWith("SoundMode=0|TwitAccessKey=a|TwitAccessSecret=b"));
}

TEST(AppConfigFile, RandomValidSettingsSurviveARoundTrip) {
    std::mt19937 random(18);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    auto text = [&] {
        std::string made;
        for (int i = pick(0, 255); i > 0; --i) made += "abcXYZ019-_=+/%"[pick(0, 14)];
        return made;
    };
    for (int round = 0; round < 200; ++round) {
        AppConfig config;
        config.screenMode = pick(0, 1), config.screenSize = pick(0, 3), config.soundMode = pick(0, 2);
        config.soundVolBgm = pick(0, 100), config.soundVolSe = pick(0, 100), config.soundVolVoice = pick(0, 100);
        config.optionShowFps = pick(0, 1), config.option16bit = pick(0, 1), config.optionShadowDrawing = pick(0, 1);
        config.optionAntiAliasing = pick(0, 1), config.optionDeactiveNoStop = pick(0, 1);
        config.battleSpeed = pick(0, 100), config.talkSpeed = pick(0, 100);
        config.SetAccessToken(text(), text());
        std::string bytes = Written(config);
        ASSERT_EQ(Written(Read(bytes)), bytes);
    }
}

// The process-wide settings in a user folder of the test's own.
class AppConfigOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_DATA_HOME", home_.path().c_str(), 1);
        FileSystemInit(nullptr);
        FsMgr::SetCurrentFolder(GetFsMgrSlot(kSlotUserFolder), kSaveFolderInUserData);
        ASSERT_TRUE(SaveFolder::Ensure());
        GetAppConfig() = AppConfig{};
    }
    void TearDown() override { FileSystemShutdown(); }
    TempDir home_;
};

TEST_F(AppConfigOnDisk, TheFileIsTheOwnersAloneAndLoadsBack) {
    GetAppConfig().SetAccessToken("token", "secret-secret-secret");
    GetAppConfig().screenSize = 3;
    ASSERT_TRUE(AppConfig::Save());
    struct stat info {};
    ASSERT_EQ(stat((SaveFolder::Path() + "/config.dat").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    GetAppConfig() = AppConfig{};
    ASSERT_TRUE(AppConfig::Load());
    EXPECT_EQ(GetAppConfig().screenSize, 3);
    EXPECT_TRUE(GetAppConfig().HasAccessTokenSecret());
}

TEST_F(AppConfigOnDisk, ASaveKilledHalfWayLeavesTheOldFile) {
    GetAppConfig().soundMode = 0;
    ASSERT_TRUE(AppConfig::Save());
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Stream* stream = OpenSlotStream(kSlotUserFolder, "config.dat", kOpenWrite | kOpenPrivate, nullptr);
        if (stream != nullptr) stream->WriteLine("ScreenMode=1");
        raise(SIGKILL);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    GetAppConfig() = AppConfig{};
    ASSERT_TRUE(AppConfig::Load());
    EXPECT_EQ(GetAppConfig().soundMode, 0);
    EXPECT_EQ(GetAppConfig().screenSize, 1);
}

}  // namespace
