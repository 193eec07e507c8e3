// The whole script API under hostile calls: the game runs script_sweep.nut,
// which finds every class and engine table the game registered and calls all
// of it with wrong and extreme arguments. The run passes when the game ends
// normally; a crash, or a report in the sanitizer build, fails it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/game/game_run.h"
#include "tests/support/temp_dir.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A 2 x 2 picture, 24 bits a pixel, rows padded to 4 bytes.
std::string TinyBmp() {
    std::string bmp = "BM";
    auto put = [&bmp](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) bmp += static_cast<char>(value >> (8 * i));
    };
    for (uint32_t word : {70u, 0u, 54u, 40u, 2u, 2u}) put(word, 4);
    put(1, 2);
    put(24, 2);
    for (int i = 0; i < 6; ++i) put(0, 4);
    for (int row = 0; row < 2; ++row) bmp += std::string("\x10\x80\xF0\x30\xC0\x20\0\0", 8);
    return bmp;
}

TEST(ScriptSweepTest, NoScriptCallCrashesTheEngine) {
    TestPack pack;
    ASSERT_TRUE(pack.AddCompiledScript("system", ReadFile(std::string(getenv("QM_SOURCE_DIR")) +
                                                          "/tests/game/script_sweep.nut")));
    pack.AddFile("font/sweep.ttf", ReadFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));
    pack.AddFile("image/sweep.bmp", TinyBmp());
    TempDir folder;
    ASSERT_TRUE(pack.WriteTo(folder.path()));
    FakeDesktop desktop;
    HookedWindowSystem windows;
    GameRunResult run = RunGame(folder.path(), &desktop, &windows);
    EXPECT_EQ(run.status, 0);
    std::vector<std::string> summary = run.LinesStartingWith("sweep: ");
    ASSERT_EQ(summary.size(), 1u) << "the sweep did not finish";
    int classes = 0, tables = 0;
    long calls = 0;
    ASSERT_EQ(sscanf(summary[0].c_str(), "sweep: %d classes, %d tables, %ld calls", &classes, &tables, &calls), 3);
    EXPECT_GE(classes, 5);
    EXPECT_GE(tables, 3);  // Sys, Utl, App
    EXPECT_GT(calls, 10000);
    printf("%s (%zu log lines, %d frames)\n", summary[0].c_str(), run.log.size(), run.swaps);
}

}  // namespace
