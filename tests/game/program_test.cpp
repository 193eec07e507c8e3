// The game program as a process: without a display, and on a private X server playing the sample by keys.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/threads.h"
#include "platform/x11_test_driver.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wait_until.h"

namespace {

constexpr char kGameTitle[] = "クイルムーア ～霧の谷と銀の鍵～ ver.1.02";
constexpr char kLauncherCaption[] = "クイルムーア ～霧の谷と銀の鍵～ ver.1.02 スタート画面";
constexpr unsigned long kKeyReturn = 0xff0d;
constexpr unsigned kGround = 0x1C2433;
constexpr uint64_t kBattleMicros = 480000000;  // a whole battle on a slow, busy machine

std::string BuildDir() { return getenv("QM_BUILD_DIR"); }

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(Program, WithoutADisplayStartUpFailsWithTheErrorBoxAndStatus255) {
    TempDir home;
    setenv("DISPLAY", "", 1);
    setenv("XDG_DATA_HOME", home.path().c_str(), 1);
    setenv("XDG_RUNTIME_DIR", home.path().c_str(), 1);
    RunResult run = RunProgram({BuildDir() + "/quillmoor"});
    EXPECT_EQ(run.status, 255);
    EXPECT_NE(run.err.find("Error: CreateWindowEx() failed.\nError: no X display (DISPLAY=\"\")\n"), std::string::npos)
        << run.err;
}

class ProgramXvfbTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        server_ = XvfbServer::Start(1440, 900, &error).release();
        ASSERT_NE(server_, nullptr) << error;
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }

    // Starts the game in `folder` with a user folder of its own.
    bool Start(ChildProcess* child, const std::string& folder) {
        return child->Start({BuildDir() + "/quillmoor"},
                            {"DISPLAY=" + server_->display(), "XDG_DATA_HOME=" + home_.path(),
                             "XDG_RUNTIME_DIR=" + home_.path()},
                            folder);
    }

    // Starts the game at 1280 x 720 and presses start in the launcher (its focused default button).
    bool Launch(ChildProcess* child, const std::string& folder) {
        home_.Write("KILN-WORKS/Quillmoor/config.dat", "ScreenSize=2\r\n");
        auto driver = X11TestDriver::Open(server_->display());
        return Start(child, folder) && driver && driver->WaitForWindow(kLauncherCaption, kPatienceMs) &&
               HoldKey(driver.get(), kKeyReturn, 100);
    }

    static ::testing::AssertionResult WaitForPixel(X11TestDriver* driver, int x, int y, unsigned rgb) {
        unsigned seen = 0;
        const auto shows = [&] { return SleepMs(20), driver->ReadWindowPixel(x, y, &seen) && seen == rgb; };
        if (WaitUntil(shows)) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << std::hex << seen;
    }

    static bool HoldKey(X11TestDriver* driver, unsigned long keysym, int ms) {
        if (!driver->SendKey(keysym, true)) return false;
        SleepMs(static_cast<uint32_t>(ms));
        return driver->SendKey(keysym, false);
    }

    // The sample started through the launcher and showing its title; driver_ drives its window.
    ::testing::AssertionResult StartSample() {
        if (!folder_.Write("Quillmoor.dat", ReadWholeFile(BuildDir() + "/sample/Quillmoor.dat")) ||
            !Launch(&child_, folder_.path()))
            return ::testing::AssertionFailure() << "the launcher did not start the game";
        driver_ = X11TestDriver::Open(server_->display());
        if (driver_ && driver_->WaitForWindow(kGameTitle, kPatienceMs)) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "no game window";
    }

    // Keys are held and let go 150 ms each.
    bool Tap(unsigned long key) { return HoldKey(driver_.get(), key, 150) && (SleepMs(150), true); }

    // V until the battle's dump is written.
    ::testing::AssertionResult BeginBattle() {
        WaitUntil([this] { return !home_.Read(kDump).empty() || !Tap('v'); });
        if (home_.Read(kDump).empty()) return ::testing::AssertionFailure() << "the battle never began";
        return ::testing::AssertionSuccess();
    }

    // The game left with status 0 after the battle's last checkpoint, the winner's.
    ::testing::AssertionResult EndedWithAWinner() {
        const int status = child_.Wait(kPatienceMs);
        const std::string lines = home_.Read(kDump);
        const size_t winner = lines.rfind("\nwinner ");
        if (status == 0 && winner != std::string::npos && lines.find("\nround", winner) == std::string::npos)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "status " << status << " after\n" << lines;
    }

    static constexpr char kDump[] = "KILN-WORKS/Quillmoor/Save0000.dat";
    static XvfbServer* server_;
    TempDir home_;
    TempDir folder_;
    ChildProcess child_;
    std::unique_ptr<X11TestDriver> driver_;
};

XvfbServer* ProgramXvfbTest::server_ = nullptr;

TEST_F(ProgramXvfbTest, SampleGameShowsItsWindowMovesOnKeysAndPlaysOneBattleToTheEnd) {
    ASSERT_TRUE(StartSample());
    // The puppet's round body is up and left of the 1280 x 720 window's centre, under the pointer resting there.
    ASSERT_TRUE(WaitForPixel(driver_.get(), 620, 340, 0xE8B33A)) << "the sample's puppet never showed";
    // Right is held until the puppet has walked on and the ground shows, however few frames that takes.
    ASSERT_TRUE(driver_->SendKey(0xff53, true));
    EXPECT_TRUE(WaitForPixel(driver_.get(), 620, 340, kGround));
    ASSERT_TRUE(driver_->SendKey(0xff53, false));
    ASSERT_TRUE(HoldKey(driver_.get(), 0xff1b, 200));  // Esc is no key of the scripts: the game keeps running
    ASSERT_TRUE(BeginBattle());
    for (uint64_t end = GetTimeMicros() + kBattleMicros; driver_->WaitForWindow(kGameTitle, 50);)
        ASSERT_TRUE(GetTimeMicros() < end && Tap('z')) << "the battle is still going";
    EXPECT_TRUE(EndedWithAWinner());
}

// The battle by mouse alone: every figure in turn is clicked where its coat shows (a unit to choose, the chosen
// one to stay and to pass, a foe beside it to strike), each click once a new frame is drawn, to the result.
TEST_F(ProgramXvfbTest, SampleBattlePlayedByMouseReachesTheResult) {
    ASSERT_TRUE(StartSample());
    ASSERT_TRUE(BeginBattle());
    // The coats of the blue and red soldiers and archers; the panel's 112 rows at the bottom are left alone.
    const unsigned coats[] = {0x3C6FD1, 0x2A4C9C, 0xC2413A, 0x9C2A30};
    constexpr int kWidth = 1280, kField = 720 - 112;
    std::vector<unsigned> shown, seen;
    int clicks = 0;
    for (uint64_t end = GetTimeMicros() + kBattleMicros; driver_->ReadWindowRect(0, 0, kWidth, kField, &shown);) {
        ASSERT_LT(GetTimeMicros(), end) << "the battle is still going after " << clicks << " clicks";
        std::vector<std::pair<int, int>> figures;
        for (int y = 0; y < kField; y += 4)
            for (int x = 0; x < kWidth; x += 4)
                if (std::find(std::begin(coats), std::end(coats), shown[y * kWidth + x]) != std::end(coats) &&
                    std::none_of(figures.begin(), figures.end(), [&](auto f) { return std::abs(f.first - x) + std::abs(f.second - y) < 60; }))
                    figures.emplace_back(x, y);
        const auto target = figures.empty() ? std::make_pair(kWidth / 2, kField / 2) : figures[clicks++ % figures.size()];
        if (!driver_->ClickAt(target.first, target.second)) break;  // the window has gone
        while (driver_->ReadWindowRect(0, 0, kWidth, kField, &seen) && seen == shown) {
            ASSERT_LT(GetTimeMicros(), end);
            SleepMs(5);
        }
    }
    EXPECT_TRUE(EndedWithAWinner());
}

// The size chosen in config.dat starts the game, the choices come back to it, and only one copy runs.
TEST_F(ProgramXvfbTest, LauncherStartsTheChosenSizeAndOnlyOneCopyRuns) {
    TempDir folder;
    ASSERT_TRUE(folder.Write("Quillmoor.dat", ReadWholeFile(BuildDir() + "/sample/Quillmoor.dat")));
    ASSERT_TRUE(folder.Write("banner.png", ReadWholeFile(BuildDir() + "/sample/banner.png")));
    ASSERT_TRUE(home_.Write("KILN-WORKS/Quillmoor/config.dat", "ScreenSize=0\nSoundVolSe=40\n"));
    ChildProcess first;
    ASSERT_TRUE(Start(&first, folder.path()));
    auto driver = X11TestDriver::Open(server_->display());
    ASSERT_NE(driver, nullptr);
    ASSERT_TRUE(driver->WaitForWindow(kLauncherCaption, kPatienceMs));
    int w = 0, h = 0;
    ASSERT_TRUE(driver->WindowIconSize(&w, &h));
    EXPECT_EQ(w, 48);
    EXPECT_TRUE(WaitForPixel(driver.get(), 4, 4, 0x1B2A4A));
    EXPECT_TRUE(WaitForPixel(driver.get(), 4, 355, 0x3E6B4F));

    RunResult second = RunProgram({"/usr/bin/env", "XDG_RUNTIME_DIR=" + home_.path(), BuildDir() + "/quillmoor"});
    EXPECT_EQ(second.status, 255);
    EXPECT_EQ(second.err, "the game is already running; this copy ends\n");

    ASSERT_TRUE(HoldKey(driver.get(), kKeyReturn, 100));
    ASSERT_TRUE(driver->WaitForWindow(kGameTitle, kPatienceMs));
    ASSERT_TRUE(driver->WindowSize(&w, &h));
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(800, 480));
    EXPECT_EQ(home_.Read("KILN-WORKS/Quillmoor/config.dat").substr(0, 73),
              "ScreenMode=0\r\nScreenSize=0\r\nSoundMode=1\r\nSoundVolBgm=100\r\nSoundVolSe=40\r\n");

    // A first copy killed outright leaves no lock behind.
    ASSERT_TRUE(first.Signal(SIGKILL));
    EXPECT_EQ(first.Wait(kPatienceMs), 128 + SIGKILL);
    ChildProcess third;
    ASSERT_TRUE(Start(&third, folder.path()));
    EXPECT_TRUE(driver->WaitForWindow(kLauncherCaption, kPatienceMs));
}

}  // namespace
