// The whole game in the test process, headless: start-up, events, a throwing update, a dropped battle, sweep,
// docs/first-game.md and docs/first-battle.md built with the tools as they say, F1.
#include <gtest/gtest.h>
#include <jpeglib.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/app_frame.h"
#include "game/app.h"
#include "gfx/image.h"
#include "net/microblog_ui.h"
#include "net/post_dialog.h"
#include "script/script_host.h"
#include "tests/game/game_run.h"
#include "tests/net/microblog_test_peer.h"
#include "tests/net/scripted_server.h"
#include "tests/support/child_process.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wait_until.h"

namespace {

using Lines = std::vector<std::string>;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string BuildDir() { return getenv("QM_BUILD_DIR"); }

class GameHeadlessTest : public ::testing::Test {
protected:
    GameHeadlessTest() { desktop_.pointer.x = desktop_.pointer.y = 100; }
    // Runs a pack of `script` as "system" and sample `files`; every run ends with no App, pool or GL error left.
    GameRunResult Run(const std::string& script, const std::vector<std::string>& files = {},
                      const AppRunOptions& options = {}) {
        TestPack pack;
        EXPECT_TRUE(pack.AddCompiledScript("system", script));
        for (const std::string& file : files) pack.AddFile(file, ReadFile(BuildDir() + "/sample/pack/" + file));
        EXPECT_TRUE(pack.WriteTo(folder_.path()));
        return Checked(RunGame(folder_.path(), &desktop_, &windows_, options));
    }
    static GameRunResult Checked(GameRunResult run) {
        EXPECT_EQ(GetApp(), nullptr);
        EXPECT_FALSE(run.Contains("pool destroyed with")) << "script memory outlived the VM";
        EXPECT_TRUE(GetScriptVMAllocator() == nullptr && GetScriptObjectAllocator() == nullptr) << "freed pools kept";
        EXPECT_EQ(run.glErrors, 0);
        return run;
    }

    TempDir folder_;
    FakeDesktop desktop_{1280, 720};
    HookedWindowSystem windows_;
};

TEST_F(GameHeadlessTest, WholePathFromAppMainToSysExitGivesTheScriptsStatus) {
    GameRunResult run = Run(R"(
        frames <- 0;
        function AppInitialize() { print("AppInitialize"); }
        function AppUpdate() { print("AppUpdate " + ++frames); if (frames == 3) Sys.Exit(3); }
        function AppFinalize() { print("AppFinalize " + frames); }
    )");
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.swaps, 3);  // the frame that asked to exit still finishes
    EXPECT_EQ(run.LinesStartingWith("App"),
              (Lines{"AppInitialize", "AppUpdate 1", "AppUpdate 2", "AppUpdate 3", "AppFinalize 3"}));
    // A game without particle effects is told once that it has no effect list.
    EXPECT_EQ(run.LinesStartingWith("Error: "), Lines{"Error: Failed to open list.txt"});

    // Without a readable pack (none, empty, not a pack) start-up ends with status 1 and the box.
    for (const char* bytes : {static_cast<const char*>(nullptr), "", "This is a text file, not a pack.\r\n"}) {
        TempDir folder;
        ASSERT_TRUE(bytes == nullptr || folder.Write("Quillmoor.dat", bytes));
        HookedWindowSystem windows;
        run = Checked(RunGame(folder.path(), &desktop_, &windows));
        EXPECT_EQ(run.status * 10 + run.swaps, 10);  // the quit comes before the first frame
        EXPECT_TRUE(run.Has("[error] Initializing Error: Failed to load data files"));
        EXPECT_FALSE(run.Contains("AppFinalize"));
    }
}

TEST_F(GameHeadlessTest, InputReachesTheScriptsAsEventWordsExactlyOnce) {
    // Each change is made after frame `swap` and seen by the next frame's poll; keys are the program test's.
    windows_.onSwap = [this](int swap) {
        WindowEvent wheel;
        wheel.type = WindowEvent::kWheel;
        PointerSample& p = desktop_.pointer;
        switch (swap) {
            case 2: p.left = true; break;
            case 3: p.left = false; break;
            case 4: wheel.wheelY = 1, windows_.inner.QueueEvent(wheel); break;
            case 5: wheel.wheelX = -1, windows_.inner.QueueEvent(wheel); break;
            case 9: p.right = true, p.x = 200, p.y = 200; break;
            case 10: p.y = 150; break;        // 50 px up: a drag
            case 11: p.x = 260; break;        // still the same press: no second drag
            case 12: p.right = false; break;  // released far away: no click
            case 13: p.right = true, p.x = 300, p.y = 300; break;
            case 14: p.right = false, p.x = 303, p.y = 304; break;  // 5 px: a click
            case 16: PostQuit(0); break;
            default: break;
        }
    };
    GameRunResult run = Run(R"(
        ticks <- 0;
        frames <- 0;
        function AppInitialize() {}
        function AppUpdate() {
            frames++;
            for (local code = App.DequeueEvent(); code != null; code = App.DequeueEvent()) {
                local arg = App.DequeueEvent();
                if (code == 0) ticks++; else print("event " + code + " " + arg);
            }
        }
        function AppFinalize() { print("ticks " + ticks + " frames " + frames); }
    )");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.LinesStartingWith("event "), (Lines{"event 1 0", "event 2 0", "event 5 1", "event 6 1", "event 4 0",
                                                      "event 4 2", "event 3 0"}));
    EXPECT_TRUE(run.Has("ticks 16 frames 16"));
}

TEST_F(GameHeadlessTest, AppUpdateThatThrowsIsNeverCalledAgainWhileFramesGoOn) {
    windows_.onSwap = [](int swap) {
        if (swap == 10) PostQuit(7);
    };
    GameRunResult run = Run(R"(
        n <- 0;
        function AppInitialize() {}
        function AppUpdate() { print("update " + ++n); if (n == 4) throw "frame four went wrong"; }
        function AppFinalize() { print("finalize after " + n); }
    )");
    EXPECT_EQ(run.status * 100 + run.swaps, 710);
    EXPECT_EQ(run.LinesStartingWith("update "), (Lines{"update 1", "update 2", "update 3", "update 4"}));
    EXPECT_EQ(run.LinesStartingWith("Error: script: frame four").size(), 1u);
    EXPECT_TRUE(run.Has("finalize after 4"));
}

// A battle dropped by the scripts while current (no App.EndBattle) is forgotten while the frames go on.
TEST_F(GameHeadlessTest, BattleDroppedWhileCurrentIsForgotten) {
    std::vector<bool> current;  // after each frame: whether the App has a battle
    windows_.onSwap = [&current](int) { current.push_back(GetApp()->battle != nullptr); };
    GameRunResult run = Run(R"(
        frame <- 0;
        battle <- QmBattleInterface(1, 1);
        unit <- QmUnitInterface(0, 1);
        other <- QmBattleInterface(1, 1);  // dropped while another is current: that one stays
        function AppInitialize() { App.BeginBattle(battle); battle.AddUnit(unit); unit.SetPos(1, 1); other = null; }
        function AppUpdate() {
            if (++frame == 3) { battle = null; unit = null; collectgarbage(); }
            if (frame == 6) Sys.Exit(0);
        }
        function AppFinalize() { print("finished at frame " + frame); }
    )", {"field/01-01.txt", "field/01_tex_top.png", "field/01_tex_side.png", "3do/crate.e3d", "3do/crate.png",
         "3do/tree.e3d", "3do/tree.png", "img/dot/R_1_0.png", "img/panel.png", "img/shadow.png", "effect/list.txt",
         "effect/burst.skfe", "effect/ring.skfe", "effect/trail.skfe", "effect/texture/spark.png"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.Has("finished at frame 6"));
    EXPECT_EQ(current, (std::vector<bool>{true, true, false, false, false, false}));
    EXPECT_FALSE(run.Contains("Error: ")) << testing::PrintToString(run.LinesStartingWith("Error"));
}

// Managers and bytes switched away from or dropped while their sound plays, a pack read through the game's pack,
// and a player left in a cycle until the VM closes, with a clip playing at the exit: each run ends cleanly.
TEST_F(GameHeadlessTest, ManagersDroppedSwitchedOrLeftInACycleFreeNothingInUse) {
    const std::string sounds = BuildDir() + "/sample/pack/sound/";
    TempDir sub;
    ASSERT_TRUE(sub.Write("tree/sound/theme.ogg", ReadFile(sounds + "theme.ogg")));
    ASSERT_EQ(RunProgram({BuildDir() + "/epk2tool", "build", "--plain", "*.ogg", sub.File("tree"), sub.File("sub.dat")}).status, 0);
    for (const char* script : {R"(
        frames <- 0; a <- PackMemMgr("sub.dat"); b <- PackMemMgr("sub.dat"); p <- SoundPlayer(); q <- SoundPlayer();
        function AppInitialize() { p.SetFsMgr(a); p.StartFile("sound/theme.ogg"); q.SetFsMgr(PackFileMgr("sub.dat")); }
        function AppUpdate() { frames++;
          if (frames == 2) q.StartFile("sound/theme.ogg");
          if (frames == 10) { p.SetFsMgr(b); a = null; collectgarbage(); }
          if (frames > 10 && p.GetTime() > 400 && q.GetTime() > 400) Sys.Exit(0); })", R"(
        class Holder { p = null; me = null; } frames <- 0;
        function AppInitialize() { local h = Holder(); h.me = h; h.p = SoundPlayer(); h.p.SetFsMgr(DirMgr("sound"));
                                   h.p.StartFile("chime.adp"); h.p.StartMemory(File.LoadFile("sound/chime.adp", null));
                                   Utl.MoviePlay("title.avi", 0); }
        function AppUpdate() { frames++; if (frames >= 30) Sys.Exit(0); })"}) {
        TestPack pack;
        ASSERT_TRUE(pack.AddCompiledScript("system", script));
        pack.AddFile("sub.dat", sub.Read("sub.dat"));
        pack.AddFile("sound/chime.adp", ReadFile(sounds + "chime.adp"));
        pack.AddFile("title.avi", ReadFile(BuildDir() + "/sample/pack/movie/title.avi"));
        ASSERT_TRUE(pack.WriteTo(folder_.path()));
        HookedWindowSystem windows;
        GameRunResult run = Checked(RunGame(folder_.path(), &desktop_, &windows, {}, 100000));
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.LinesStartingWith("Error: "), Lines{"Error: Failed to open list.txt"});
        EXPECT_FALSE(run.Contains("still alive at shutdown"));
    }
}

// script_sweep.nut calls every registered class and table with wrong and extreme arguments: no crash.
TEST(ScriptSweepTest, NoScriptCallCrashesTheEngine) {
    TestPack pack;
    ASSERT_TRUE(pack.AddCompiledScript("system", ReadFile(std::string(getenv("QM_SOURCE_DIR")) + "/tests/game/script_sweep.nut")));
    pack.AddFile("font/sweep.ttf", ReadFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));
    pack.AddFile("image/sweep.png", ReadFile(BuildDir() + "/sample/pack/img/panel.png"));
    TempDir folder;
    ASSERT_TRUE(pack.WriteTo(folder.path()));
    FakeDesktop desktop;
    HookedWindowSystem windows;
    GameRunResult run = RunGame(folder.path(), &desktop, &windows);
    EXPECT_EQ(run.status, 0);
    const Lines summary = run.LinesStartingWith("sweep: ");
    ASSERT_EQ(summary.size(), 1u) << "the sweep did not finish";
    int classes = 0, tables = 0;
    long calls = 0;
    ASSERT_EQ(sscanf(summary[0].c_str(), "sweep: %d classes, %d tables, %ld calls", &classes, &tables, &calls), 3);
    EXPECT_TRUE(classes >= 5 && tables >= 3 && calls > 10000) << summary[0];  // tables: Sys, Utl, App
}

// docs/first-game.md step by step: built with cnutc and epk2tool, the picture shows, walks on an arrow, X ends.
TEST(FirstGame, BuildsWithTheToolsAndPlays) {
    constexpr uint32_t kHeroMiddle = 0xF0B428;  // the picture's inner colour
    const std::string source = std::string(getenv("QM_SOURCE_DIR")) + "/examples/first-game";
    TempDir dir;
    ASSERT_TRUE(dir.Write("mygame/pack/image/hero.png", ReadFile(source + "/hero.png")));
    ASSERT_TRUE(dir.Write("mygame/pack/font/DejaVuSans.ttf", ReadFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf")));
    ASSERT_TRUE(dir.Write("mygame/pack/script/.keep", ""));
    RunResult compiled = RunProgram({BuildDir() + "/cnutc", source + "/system.nut", dir.File("mygame/pack/script/system.cnut")});
    ASSERT_EQ(compiled.status, 0) << compiled.err;
    RunResult packed = RunProgram({BuildDir() + "/epk2tool", "build", dir.File("mygame/pack"), dir.File("mygame/Quillmoor.dat")});
    ASSERT_EQ(packed.status, 0) << packed.err;
    FakeDesktop desktop;
    HookedWindowSystem windows;
    int shownAt = 0;
    uint32_t walked = 0;
    windows.onSwap = [&](int swap) {
        if (shownAt == 0 && ReadScreenPixel(640, 360) == kHeroMiddle) {
            shownAt = swap, desktop.keys[0x27] = true;  // the right arrow
        } else if (shownAt > 0 && swap == shownAt + 10) {
            desktop.keys[0x27] = false;  // 10 frames of 4 pixels, give or take the first
        } else if (shownAt > 0 && swap == shownAt + 12) {
            walked = ReadScreenPixel(640 + 40, 360), desktop.keys['X'] = true;
        }
    };
    GameRunResult run = RunGame(dir.File("mygame"), &desktop, &windows);
    EXPECT_EQ(run.status, 0);
    EXPECT_GT(shownAt, 0) << "the picture never showed";
    EXPECT_EQ(walked, kHeroMiddle);
    EXPECT_TRUE(run.Has("first game: the screen is 1280 x 720") && run.Has("first game: bye"));
}

// docs/first-battle.md as it stands: its sh blocks build the pack from the repository's folders; a click on the
// screen's middle sends the knight up the ramp, the effects play, X ends, and nothing is warned of.
TEST_F(GameHeadlessTest, FirstBattleBuildsAsTheWalkThroughSaysAndPlays) {
    const std::string source = getenv("QM_SOURCE_DIR"), page = ReadFile(source + "/docs/first-battle.md");
    std::string commands;
    for (size_t at = page.find("```sh\n"); at != std::string::npos; at = page.find("```sh\n", at)) {
        const size_t end = page.find("```\n", at + 6);
        commands += page.substr(at + 6, end - at - 6), at = end;
    }
    TempDir dir;
    for (const auto& [name, target] : {std::pair<std::string, std::string>{"build", BuildDir()},
                                       {"examples", source + "/examples"}, {"sample", source + "/sample"}}) {
        ASSERT_EQ(symlink(target.c_str(), dir.File(name).c_str()), 0);
    }
    RunResult built = RunProgram({"/bin/sh", "-ec", "cd " + dir.path() + "\n" + commands});
    ASSERT_EQ(built.status, 0) << commands << built.err;
    const struct { const char* leftOut; Lines warnings; } runs[] = {
        {"", {}},
        {"pack/shader/unit.vs pack/img/shadow.png pack/effect/Texture/shiirare.png",  // each named once
         {"Warning: \"shader/unit.vs\" is not in the pack: the units are not drawn",
          "Warning: \"img/shadow.png\" is not in the pack: the units' shadows are drawn without a picture",
          "Warning: effect 1025: \"effect/Texture/shiirare.png\" is not in the pack: the lines are drawn plain white"}},
    };
    for (const auto& [leftOut, warnings] : runs) {
        RunResult packed = RunProgram({"/bin/sh", "-ec", "cd " + dir.File("mybattle") + " && rm -f " + leftOut +
                                                             " && ../build/epk2tool build pack Quillmoor.dat"});
        ASSERT_EQ(packed.status, 0) << packed.err;
        FakeDesktop desktop{1280, 720};
        HookedWindowSystem windows;
        uint32_t ground = 0;
        windows.onSwap = [&](int swap) {
            desktop.pointer.x = 640, desktop.pointer.y = 360;
            if (swap == 5) ground = ReadScreenPixel(640, 400);
            desktop.pointer.left = swap == 5;
            desktop.keys['X'] = swap == 400;
        };
        GameRunResult run = Checked(RunGame(dir.File("mybattle"), &desktop, &windows));
        const int red = ground >> 16, green = ground >> 8 & 0xFF, blue = ground & 0xFF;
        EXPECT_TRUE(red > 0x60 && std::abs(red - green) < 0x10 && std::abs(red - blue) < 0x10) << std::hex << ground;
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.LinesStartingWith("first battle: "),
                  (Lines{"first battle: the map is 8 x 6", "first battle: the knight walks 4 cells to 5,2",
                         "first battle: the knight stands on 5,2 at height 2",
                         "first battle: burst 0, focus lines -1025", "first battle: the burst has ended",
                         "first battle: bye"}));
        Lines warned;  // without the script place that ends each
        for (const std::string& line : run.LinesStartingWith("Warning")) {
            warned.push_back(line.substr(0, line.find(" (")));
        }
        EXPECT_EQ(warned, warnings);
        EXPECT_FALSE(run.Contains("Error")) << testing::PrintToString(run.log);
    }
}

// F1: the post dialog opens for a linked account only, after the captured frame is shown; that frame goes upright.
TEST(GameMicroblogTest, F1PostsTheFrameTheGameShowed) {
    ASSERT_TRUE(Peer::Start());
    TempDir folder;
    TestPack pack;
    ASSERT_TRUE(pack.AddCompiledScript("system", R"(
        frames <- 0;
        top <- null;
        function AppInitialize() {  // the top half red, the bottom half black
            top = LayerInterface(); top.SetSize(1280, 360); top.SetPos(640, 180); top.SetColor(0xFF0000FF);
        }
        function AppUpdate() { if (++frames == 4) Sys.Exit(0); }
    )"));
    ASSERT_TRUE(pack.WriteTo(folder.path()));
    MicroblogUi saved = CurrentMicroblogUi();
    CurrentMicroblogUi().service = Peer::At();
    for (size_t secretLength : {19, 20}) {
        GetOAuthCredentials() = Peer::Credentials(true);
        GetOAuthCredentials().SetAccessTokenSecret(std::string(kPeerAccessSecret, secretLength).c_str());
        FakeDesktop desktop;
        HookedWindowSystem windows;
        windows.onSwap = [&](int swap) {
            if (swap == 1) windows.inner.QueueEvent(WindowEvent{WindowEvent::kKey, 1, true});
        };
        std::vector<int> openedAtSwap;
        CurrentMicroblogUi().editPost = [&](const std::string& prefill, std::string* text, bool* attach) {
            openedAtSwap.push_back(windows.swaps);
            *text = "F1" + prefill;
            return *attach = true;
        };
        EXPECT_EQ(0, RunGame(folder.path(), &desktop, &windows).status);
        // F1 came after frame 1; frame 2 was captured and shown, then the dialog ran.
        EXPECT_EQ(secretLength < 20 ? std::vector<int>{} : std::vector<int>{2}, openedAtSwap);
    }
    std::string post;  // sent on a thread of its own
    ASSERT_TRUE(WaitUntil([&] { return (post = Peer::LastPost()).compare(0, 2, "F1") == 0; }));
    const size_t nameAt = post.find('\0') + 1, jpegAt = post.find('\0', nameAt) + 1;
    EXPECT_EQ("F1 #Quillmoor", post.substr(0, nameAt - 1));
    EXPECT_TRUE(std::regex_match(post.substr(nameAt, jpegAt - nameAt - 1), std::regex("QM[0-9]{12}\\.jpg")));
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(post.data() + jpegAt), post.size() - jpegAt);
    ASSERT_EQ(JPEG_HEADER_OK, jpeg_read_header(&info, TRUE));
    jpeg_start_decompress(&info);
    EXPECT_EQ(1280u * 720u, info.output_width * info.output_height);
    std::vector<uint8_t> row(info.output_width * 3), redAt;  // red of the first pixel of each row
    for (JSAMPROW rows[] = {row.data()}; info.output_scanline < info.output_height; redAt.push_back(row[0])) {
        jpeg_read_scanlines(&info, rows, 1);
    }
    jpeg_destroy_decompress(&info);
    EXPECT_TRUE(redAt.size() == 720 && redAt[10] > 200 && redAt[700] < 50);  // upright

    // The post goes out on a thread of its own: the caller is back before the service answers, so a peer
    // holding its reply until then still gets it. An empty text sends nothing.
    std::atomic<bool> back{false}, heldUntilBack{false};
    ScriptedServer held;
    held.Serve([&](int fd, ScriptedServer& peer) {
        peer.ReadRequest(fd);
        heldUntilBack = WaitUntil([&] { return back.load(); });
        ScriptedServer::Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n{}");
    });
    CurrentMicroblogUi().service = Peer::At(held.port());
    LogCapture log;
    EXPECT_FALSE(PostDialog::Post("", true, nullptr));
    EXPECT_TRUE(PostDialog::Post("held", false, nullptr));
    back = true;
    EXPECT_TRUE(WaitUntil([&] { return log.Has("micro-blog: status post accepted"); }) && heldUntilBack);
    // A screenshot that cannot be encoded leaves the text to go alone.
    CurrentMicroblogUi().service = Peer::At();
    Image* notRgba = NewImage(4, 4, kPixelRgb888, nullptr);
    EXPECT_TRUE(PostDialog::Post("text alone", true, notRgba));
    Image::Free(notRgba);
    EXPECT_TRUE(WaitUntil([] { return Peer::LastPost() == "text alone"; }));
    CurrentMicroblogUi() = saved;
}

}  // namespace
