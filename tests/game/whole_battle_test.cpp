// The sample, fixed seed, App.AutoBattle, title to exit: the dump and four frames against reference/
// (QM_UPDATE_REFERENCES=1 rewrites them).
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "app/frame_capture.h"
#include "game/save_folder.h"
#include "gfx/image.h"
#include "tests/game/game_run.h"
#include "tests/gfx_images/image_test_files.h"

namespace {

// Frames shrunk 4 x 4 by averaging; a frame matches while at most kMaxDiffering pixels are off by more than kTolerance.
constexpr int kScreenWidth = 1280, kScreenHeight = 720, kShrink = 4;
constexpr int kShotWidth = kScreenWidth / kShrink, kShotHeight = kScreenHeight / kShrink;
constexpr int kTolerance = 8, kMaxDiffering = kShotWidth * kShotHeight / 1000;
constexpr int kTitleFrame = 50, kResultFrame = 60;
// Battle frames: the whole field before the first turn, then the red side's first turn.
constexpr int kBattleFrame = 8, kEnemyFrame = 220;

// RGB rows, top first.
std::vector<uint8_t> ShrunkFrame() {
    ImagePtr frame(ReadFramebufferImage(kScreenWidth, kScreenHeight));
    std::vector<int> sums(kShotWidth * kShotHeight * 3);
    for (int y = 0; frame && y < kScreenHeight; ++y)  // GL's rows come bottom first
        for (int x = 0; x < kScreenWidth * 4; ++x)
            if (x % 4 != 3) sums[((kShotHeight - 1 - y / kShrink) * kShotWidth + x / 4 / kShrink) * 3 + x % 4] +=
                frame->pixels[y * kScreenWidth * 4 + x];
    std::vector<uint8_t> shot(sums.size());
    for (size_t i = 0; i < shot.size(); ++i) shot[i] = static_cast<uint8_t>(sums[i] / (kShrink * kShrink));
    return shot;
}

bool WriteShot(const std::string& path, const std::vector<uint8_t>& rgb) {
    PngLayout layout{kShotWidth, kShotHeight, PNG_COLOR_TYPE_RGB, 8, false, rgb, {}, {}};
    const std::string bytes = WritePng(layout);
    return static_cast<bool>(std::ofstream(path, std::ios::binary) << bytes);
}

// On a mismatch a diff (differing pixels red over the darkened shot) is written beside the test's binary.
testing::AssertionResult MatchesReference(const std::string& name, const std::vector<uint8_t>& shot) {
    const std::string reference = std::string(getenv("QM_SOURCE_DIR")) + "/tests/game/reference/" + name + ".png";
    const char* update = getenv("QM_UPDATE_REFERENCES");
    if (update != nullptr && std::string(update) == "1") {
        return WriteShot(reference, shot) ? testing::AssertionSuccess() : testing::AssertionFailure() << reference;
    }
    std::ifstream in(reference, std::ios::binary);
    ImagePtr expected(DecodeBytes(std::string(std::istreambuf_iterator<char>(in), {})));
    if (!expected || expected->type != kPixelRgb888 || expected->width != kShotWidth || expected->height != kShotHeight)
        return testing::AssertionFailure() << reference << " is no " << kShotWidth << " x " << kShotHeight << " RGB picture";
    std::vector<uint8_t> diff(shot.size());
    int differing = 0;
    for (size_t p = 0; p < shot.size(); p += 3) {
        bool off = false;
        for (size_t c = 0; c < 3; ++c) off |= std::abs(shot[p + c] - expected->pixels[p + c]) > kTolerance;
        differing += off;
        for (size_t c = 0; c < 3; ++c) diff[p + c] = off ? (c == 0 ? 255 : 0) : shot[p + c] / 4;
    }
    if (differing <= kMaxDiffering) return testing::AssertionSuccess();
    const std::string out = std::string(getenv("QM_BUILD_DIR")) + "/tests/game/" + name + ".diff.png";
    WriteShot(out, diff);
    return testing::AssertionFailure() << name << ": " << differing << " pixels differ (" << kMaxDiffering << " may); see " << out;
}

struct Checkpoint {
    std::string label;
    std::vector<std::string> units;  // "side S at X,Z hp H"
};

std::vector<Checkpoint> ParseDump(const std::vector<std::string>& lines) {
    std::vector<Checkpoint> points;
    for (const std::string& line : lines) {
        if (line.rfind("  ", 0) == 0 && !points.empty()) {
            points.back().units.push_back(line.substr(2));
            continue;
        }
        points.push_back(Checkpoint{line.substr(0, line.find(": units ")), {}});
    }
    return points;
}

TEST(WholeBattle, AutoBattleRunsFromTitleToResultAndExit) {
    FakeDesktop desktop{1280, 720};
    HookedWindowSystem windows;
    std::vector<std::string> dump;
    // The clip before the battle runs on the clock: battle frames count from the first dump, result frames from the last.
    int battleStart = 0, resultStart = 0;
    std::map<std::string, std::vector<uint8_t>> shots;
    windows.onSwap = [&](int swap) {
        std::ifstream in(std::string(getenv("XDG_DATA_HOME")) + kSaveFolderInUserData + "/Save0000.dat");
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line.substr(0, line.find('\r')));
        if (!lines.empty()) dump = lines;
        if (battleStart == 0 && !dump.empty()) battleStart = swap;
        if (resultStart == 0 && !ParseDump(dump).empty() && ParseDump(dump).back().label.rfind("winner", 0) == 0)
            resultStart = swap;
        if (swap == kTitleFrame) shots["title"] = ShrunkFrame();
        if (battleStart != 0 && swap == battleStart + kBattleFrame) shots["battle"] = ShrunkFrame();
        if (battleStart != 0 && swap == battleStart + kEnemyFrame) shots["enemy"] = ShrunkFrame();
        if (resultStart != 0 && swap == resultStart + kResultFrame) shots["result"] = ShrunkFrame();
    };
    AppRunOptions options;
    options.fixedSeed = true;
    options.seed = 26;
    options.autoBattle = true;
    GameRunResult run = RunGame(std::string(getenv("QM_BUILD_DIR")) + "/sample", &desktop, &windows, options, 6000);
    EXPECT_EQ(run.status, 0) << "the run did not reach Sys.Exit";
    EXPECT_EQ(run.glErrors, 0);
    for (const std::string& line : run.log) EXPECT_EQ(line.find("Error: "), std::string::npos) << line;
    EXPECT_FALSE(run.Contains("pool destroyed with")) << "script memory outlived the VM";

    const std::vector<Checkpoint> points = ParseDump(dump);
    ASSERT_GE(points.size(), 3u) << testing::PrintToString(dump);
    EXPECT_EQ(points.front().units, (std::vector<std::string>{"side 0 at 1,4 hp 12", "side 0 at 2,5 hp 10",
        "side 0 at 1,7 hp 12", "side 1 at 10,3 hp 12", "side 1 at 8,5 hp 10", "side 1 at 10,7 hp 12"}));
    // The battle ends with one side gone; the seed fixes which one and when.
    EXPECT_EQ(points.back().label, "winner 1") << testing::PrintToString(run.LinesStartingWith("battle: "));
    EXPECT_EQ(points.back().units, (std::vector<std::string>{"side 1 at 5,4 hp 5", "side 1 at 6,5 hp 8"}));
    EXPECT_TRUE(run.Has("result: winner 1 after 4 rounds")) << testing::PrintToString(run.log);
    ASSERT_EQ(shots.size(), 4u);
    for (const auto& [name, shot] : shots) EXPECT_TRUE(MatchesReference(name, shot));
}

}  // namespace
