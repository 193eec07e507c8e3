// A scripted battle through the whole game on a headless surface: the
// sample's map and unit sheets, units of two sides added, a range found, a
// unit walked along its route with its walking animation, a unit removed and
// the battle ended, to Sys.Exit with the state the script printed; the
// sample's spark burst struck at a unit shows around it on the frames after.
#include <gtest/gtest.h>

#include <GLES2/gl2.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/game/game_run.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr char kBattleScript[] = R"(
    frame <- 0;
    battle <- null;
    units <- [];
    route <- null;
    function AppInitialize() {
        battle = QmBattleInterface(1, 1);
        App.BeginBattle(battle);
        foreach (p in [[1, 1, 0, 1], [2, 2, 0, 2], [6, 5, 1, 1], [5, 6, 1, 2]]) {
            local u = QmUnitInterface(p[2], p[3]);
            battle.AddUnit(u); u.SetPos(p[0], p[1]); units.append(u);
        }
        battle.CameraMoveUnit(10, units[0]);
        battle.FieldFindRange(units[0], 0, 3, 1, 2, 2);
        print("range " + battle.FieldGetRange().len() + " units in range " + battle.FieldGetRangeUnit().len());
        route = units[0].GetRoute(3, 2);
        print("route " + route.reduce(@(p, c) p + " " + c));
        units[0].SetAnim(0, 0, true);
    }
    function AppUpdate() {
        ++frame;
        local u = units[0];
        if (route.len() > 0 && frame % 8 == 0) {
            local next = route.remove(0);
            u.SetDirPos(next % 100, next / 100);
            u.SetPos(next % 100, next / 100);
            print("step " + u.GetPosX() + "," + u.GetPosZ() + " dir " + u.GetDir() + " anim " + u.GetAnim());
        }
        if (frame == 29) {
            local t = units[1];
            print("strike " + battle.EfcStart(0, u, t.GetPosX(), t.GetPosZ()) + " at " + t.GetScreenX() + " " + t.GetScreenY());
        }
        if (frame == 40) {
            battle.RemoveUnit(units[3]);
            print("removed: cell " + (battle.FieldGetUnit(5, 6) == units[3]) + ", screen " +
                  (u.GetScreenX() > 0 && u.GetScreenX() < Sys.ScreenWidth));
            App.EndBattle();
            units = null;
            battle = null;
            Sys.Exit(0);
        }
    }
    function AppFinalize() { print("finished at frame " + frame); }
)";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST(BattleRun, ScriptedBattleOnTheSampleMapRunsToExit) {
    const std::string sample = std::string(getenv("QM_BUILD_DIR")) + "/sample/pack/";
    TestPack pack;
    ASSERT_TRUE(pack.AddCompiledScript("system", kBattleScript));
    for (const char* file : {"field/01-01.txt", "field/01_tex_top.png", "field/01_tex_side.png", "3do/crate.e3d",
                             "3do/crate.png", "3do/tree.e3d", "3do/tree.png", "img/dot/R_1_0.png",
                             "img/dot/R_2_0.png", "img/dot/R_1_1.png", "img/dot/R_2_1.png", "img/panel.png",
                             "img/shadow.png", "effect/list.txt", "effect/burst.skfe", "effect/ring.skfe",
                             "effect/trail.skfe", "effect/texture/spark.png"}) {
        const std::string bytes = ReadFile(sample + file);
        ASSERT_FALSE(bytes.empty()) << file;
        pack.AddFile(file, bytes);
    }
    TempDir folder;
    ASSERT_TRUE(pack.WriteTo(folder.path()));
    FakeDesktop desktop;
    HookedWindowSystem windows;
    AppRunOptions options;
    options.fixedSeed = true;
    const int w = 1280, h = 720;
    GameRunResult run = RunGame(folder.path(), &desktop, &windows, options);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.glErrors, 0);
    int x = 0, y = 0;
    ASSERT_EQ(sscanf(run.LinesStartingWith("strike 0 at ").at(0).c_str(), "strike 0 at %d %d", &x, &y), 2);
    ASSERT_EQ(windows.params.clientWidth * windows.params.clientHeight, w * h);
    // The burst's own pixels are pinned by the effect system's test; here the
    // terrain around the unit would count as marked too.
    EXPECT_TRUE(x >= 0 && x < w && y >= 0 && y < h) << "the struck unit is on screen";
    // 14 cells within three steps, and (1, 3), (1, 4) beyond the rock by a jump;
    // the walker and its neighbour of the same side stand in range.
    EXPECT_TRUE(run.Has("range 16 units in range 2")) << testing::PrintToString(run.log);
    EXPECT_TRUE(run.Has("route 102 103 203")) << testing::PrintToString(run.log);
    EXPECT_EQ(run.LinesStartingWith("step "),
              (std::vector<std::string>{"step 2,1 dir 0 anim 0", "step 3,1 dir 0 anim 0", "step 3,2 dir 3 anim 0"}));
    EXPECT_TRUE(run.Has("removed: cell true, screen true"));
    EXPECT_TRUE(run.Has("finished at frame 40"));
    EXPECT_FALSE(run.Contains("Error: ")) << testing::PrintToString(run.log);
}

}  // namespace

namespace {

// A battle dropped while current (no App.EndBattle) stops being drawn and
// updated; the frames go on.
TEST(BattleRun, BattleDroppedWithoutEndBattleIsForgotten) {
    TestPack pack;
    ASSERT_TRUE(pack.AddCompiledScript("system", R"(
        frame <- 0;
        battle <- null;
        function AppInitialize() {
            battle = QmBattleInterface(9, 9);  // no such map: an empty field
            App.BeginBattle(QmUnitInterface(0, 1));  // not a battle: refused
            App.BeginBattle(battle);
        }
        function AppUpdate() {
            if (++frame == 3) { battle = null; collectgarbage(); }
            if (frame == 6) Sys.Exit(0);
        }
        function AppFinalize() { print("finished at frame " + frame); }
    )"));
    TempDir folder;
    ASSERT_TRUE(pack.WriteTo(folder.path()));
    FakeDesktop desktop;
    HookedWindowSystem windows;
    GameRunResult run = RunGame(folder.path(), &desktop, &windows);
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.Has("finished at frame 6"));
    EXPECT_TRUE(run.Contains("App.BeginBattle: the argument is not a battle"));
}

}  // namespace
