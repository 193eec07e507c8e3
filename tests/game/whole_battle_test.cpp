// The sample game from AppInitialize to Sys.Exit on a headless surface, with
// a fixed seed and App.AutoBattle on: the title, one whole battle in which
// both sides play themselves, the result screen and the exit. The battle's
// checkpoints are read from the text dump the sample writes to its save
// file in the user's folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "game/save_folder.h"
#include "tests/game/game_run.h"

namespace {

constexpr int kSampleMapWidth = 12, kSampleMapDepth = 10;

std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// A checkpoint: its label, the units left per side and each unit's cell.
struct Checkpoint {
    std::string label;
    int blue = -1, red = -1;
    std::vector<std::string> units;  // "side S at X,Z hp H"
};

std::vector<Checkpoint> ParseDump(const std::vector<std::string>& lines) {
    std::vector<Checkpoint> points;
    for (const std::string& line : lines) {
        if (line.rfind("  ", 0) == 0 && !points.empty()) {
            points.back().units.push_back(line.substr(2));
            continue;
        }
        Checkpoint point;
        const size_t colon = line.find(": units ");
        point.label = line.substr(0, colon);
        if (colon != std::string::npos) std::istringstream(line.substr(colon + 8)) >> point.blue >> point.red;
        points.push_back(point);
    }
    return points;
}

TEST(WholeBattle, AutoBattleRunsFromTitleToResultAndExit) {
    FakeDesktop desktop{1280, 720};
    HookedWindowSystem windows;
    std::vector<std::string> dump;
    // The user's folder is the run's own; the dump is read while it exists.
    windows.onSwap = [&dump](int) {
        std::vector<std::string> lines =
            ReadLines(std::string(getenv("XDG_DATA_HOME")) + kSaveFolderInUserData + "/Save0000.dat");
        if (!lines.empty()) dump = lines;
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
    const Checkpoint& start = points.front();
    EXPECT_EQ(start.label, "start");
    EXPECT_EQ(start.units, (std::vector<std::string>{"side 0 at 1,4 hp 12", "side 0 at 2,5 hp 10", "side 0 at 1,7 hp 12",
                                                     "side 1 at 10,3 hp 12", "side 1 at 8,5 hp 10",
                                                     "side 1 at 10,7 hp 12"}));
    // Every round: counts never grow, the listed units match them, and no two share a cell on the map.
    for (size_t i = 1; i < points.size(); ++i) {
        const Checkpoint& p = points[i];
        SCOPED_TRACE(p.label);
        EXPECT_LE(p.blue, points[i - 1].blue);
        EXPECT_LE(p.red, points[i - 1].red);
        EXPECT_EQ(p.units.size(), static_cast<size_t>(p.blue + p.red));
        std::set<std::pair<int, int>> cells;
        for (const std::string& unit : p.units) {
            int side = -1, x = -1, z = -1, hp = -1;
            ASSERT_EQ(sscanf(unit.c_str(), "side %d at %d,%d hp %d", &side, &x, &z, &hp), 4) << unit;
            EXPECT_TRUE(x >= 0 && x < kSampleMapWidth && z >= 0 && z < kSampleMapDepth && hp > 0) << unit;
            EXPECT_TRUE(cells.insert({x, z}).second) << "two units on " << x << "," << z;
        }
    }
    // The battle ends with one side gone; the seed fixes which one and when.
    const Checkpoint& end = points.back();
    EXPECT_EQ(end.label, "winner 1") << testing::PrintToString(run.LinesStartingWith("battle: "));
    EXPECT_EQ(end.blue, 0);
    EXPECT_EQ(end.units, (std::vector<std::string>{"side 1 at 5,4 hp 4", "side 1 at 6,5 hp 8"}));
    EXPECT_EQ(points[points.size() - 2].label, "round 4");
    EXPECT_TRUE(run.Has("result: winner 1 after 4 rounds")) << testing::PrintToString(run.log);
}

// The player's side by keyboard: V shows the welcome line and V again starts
// the battle; Z then picks each unit, keeps it where it stands and strikes
// the first foe beside it, and on the result screen leaves the game.
TEST(WholeBattle, KeyboardPlayerReachesTheResultAndLeavesOnAKey) {
    FakeDesktop desktop{1280, 720};
    HookedWindowSystem windows;
    windows.onSwap = [&desktop](int swap) {
        const char key = swap < 40 ? 'V' : 'Z';
        desktop.keys[static_cast<unsigned char>(key)] = swap % 10 < 2;
    };
    AppRunOptions options;
    options.fixedSeed = true;
    GameRunResult run = RunGame(std::string(getenv("QM_BUILD_DIR")) + "/sample", &desktop, &windows, options, 6000);
    EXPECT_EQ(run.status, 0);
    const std::vector<std::string> results = run.LinesStartingWith("result: ");
    ASSERT_EQ(results.size(), 1u) << testing::PrintToString(run.LinesStartingWith("battle: "));
    EXPECT_EQ(results[0].rfind("result: winner 1", 0), 0u) << "standing still, the player's side loses";
    EXPECT_TRUE(run.Contains("battle: 0 hits 1")) << "Z strikes a foe beside the unit";
    EXPECT_FALSE(run.Contains("both sides play themselves"));
}

}  // namespace
