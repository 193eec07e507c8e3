// The walk-through of docs/first-game.md, step by step, so it cannot go
// stale: the example's script compiled by cnutc, its picture and a font
// packed by epk2tool, then the game run on that pack: the picture shows,
// walks with an arrow key and the run ends on X with status 0.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/game/game_run.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr uint32_t kHeroMiddle = 0xF0B428;  // the picture's inner colour
constexpr int kVkRight = 0x27;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST(FirstGame, BuildsWithTheToolsAndPlays) {
    const std::string source = std::string(getenv("QM_SOURCE_DIR")) + "/examples/first-game";
    const std::string build = getenv("QM_BUILD_DIR");
    TempDir dir;
    ASSERT_TRUE(dir.Write("mygame/pack/image/hero.png", ReadFile(source + "/hero.png")));
    ASSERT_TRUE(dir.Write("mygame/pack/font/DejaVuSans.ttf",
                          ReadFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf")));
    ASSERT_TRUE(dir.Write("mygame/pack/script/.keep", ""));
    RunResult compiled = RunProgram({build + "/cnutc", source + "/system.nut", dir.File("mygame/pack/script/system.cnut")});
    ASSERT_EQ(compiled.status, 0) << compiled.err;
    RunResult packed = RunProgram({build + "/epk2tool", "build", dir.File("mygame/pack"), dir.File("mygame/Quillmoor.dat")});
    ASSERT_EQ(packed.status, 0) << packed.err;

    FakeDesktop desktop;
    HookedWindowSystem windows;
    int shownAt = 0;
    uint32_t walked = 0;
    windows.onSwap = [&](int swap) {
        if (shownAt == 0) {
            if (ReadScreenPixel(640, 360) == kHeroMiddle) {
                shownAt = swap;
                desktop.keys[kVkRight] = true;
            } else if (swap > 300) {
                desktop.keys['X'] = true;  // never shown: end the run
            }
        } else if (swap == shownAt + 10) {
            desktop.keys[kVkRight] = false;  // 10 frames of 4 pixels, give or take the first
        } else if (swap == shownAt + 12) {
            walked = ReadScreenPixel(640 + 40, 360);
            desktop.keys['X'] = true;
        }
    };
    GameRunResult run = RunGame(dir.File("mygame"), &desktop, &windows);
    EXPECT_EQ(run.status, 0);
    EXPECT_GT(shownAt, 0) << "the picture never showed";
    EXPECT_EQ(walked, kHeroMiddle);
    EXPECT_TRUE(run.Has("first game: the screen is 1280 x 720"));
    EXPECT_TRUE(run.Has("first game: bye"));
    // A game without particle effects is told once that it has no effect list.
    EXPECT_EQ(run.LinesStartingWith("Error: "), std::vector<std::string>{"Error: Failed to open list.txt"})
        << testing::PrintToString(run.log);
    EXPECT_FALSE(run.Contains("Warning: ")) << testing::PrintToString(run.log);
}

}  // namespace
