// The Sys and Utl tables: values copied at registration, the seeded random
// vectors with their 32-bit results, range bounds, easing vectors and the
// movie calls.
#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "app/app_frame.h"
#include "core/random.h"
#include "gfx/gl_state.h"
#include "script/engine_tables.h"
#include "script/script_host.h"
#include "tests/script/script_test_util.h"
#include "tests/support/log_capture.h"

namespace {

struct MovieCalls {
    std::vector<std::string> played;
    std::vector<FsMgr*> playedFrom;
    std::vector<int> stops;
    bool playing = false;
};
MovieCalls gMovie;

ScriptMovieHooks TestMovieHooks() {
    ScriptMovieHooks hooks;
    hooks.play = [](const char* name, FsMgr* fs) {
        gMovie.played.push_back(name);
        gMovie.playedFrom.push_back(fs);
    };
    hooks.stop = [](int frames) { gMovie.stops.push_back(frames); };
    hooks.isPlaying = [] { return gMovie.playing; };
    return hooks;
}

class EngineTablesTest : public ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        gMovie = MovieCalls{};
        SetScreenSize(1280, 720);
        SetScriptMovieHooks(TestMovieHooks());
        RegisterScriptInterfaces();
    }
    void TearDown() override {
        SetScriptMovieHooks(ScriptMovieHooks{});
        SetScreenSize(0, 0);
        SetCurrentFsMgr(nullptr);
        ScriptTest::TearDown();
    }
};

// A window system with no window: the frame starts, the initialise callback
// runs one script expression, and the loop ends at once on the posted quit.
class NoWindowSystem : public WindowSystem {
public:
    std::vector<DisplayMode> ListDisplayModes() override { return {}; }
    bool CreateMainWindow(const WindowParams&) override { return true; }
    void DestroyMainWindow() override {}
    void SetTitle(const std::string&) override {}
    bool NextEvent(WindowEvent*) override { return false; }
    void WaitForEvents(int) override {}
    bool CreateGLContext() override { return true; }
    void DestroyGLContext() override {}
    void* GetGLProcAddress(const char*) override { return nullptr; }
    void SetSwapInterval(int) override {}
    bool SwapBuffers() override { return true; }
};

HSQUIRRELVM gExitVM = nullptr;
const char* gExitExpression = nullptr;
int gHandle = 0;

// The exit status a frame ends with when the script runs `expression` first;
// 99 when the script posted nothing.
int ExitStatusOf(HSQUIRRELVM v, const char* expression) {
    gExitVM = v;
    gExitExpression = expression;
    AppDescriptor descriptor;
    descriptor.clientWidth = 64;
    descriptor.clientHeight = 64;
    descriptor.OnInitialize = []() -> AppHandle {
        RunSource(gExitVM, gExitExpression);
        PostQuit(99);  // the first posted status wins
        return &gHandle;
    };
    descriptor.OnFinalize = [](AppHandle) {};
    NoWindowSystem windows;
    return RunApplicationWith(descriptor, &windows, EngineServices{});
}

TEST_F(EngineTablesTest, SysExitPostsItsOptionalStatus) {
    struct Case {
        const char* expression;
        int status;
    } cases[] = {
        {"Sys.Exit()", 0},
        {"Sys.Exit(3)", 3},
        {"Sys.Exit(2.75)", 2},              // numbers are truncated
        {"Sys.Exit(0x100000001)", 1},        // 64-bit script integers keep their low 32 bits
        {"Sys.Exit(\"3\")", 99},           // not a number: a script error, nothing posted
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expression);
        LogCapture log;
        EXPECT_EQ(ExitStatusOf(v, c.expression), c.status);
    }
}

TEST_F(EngineTablesTest, RandRangeStaysInsideItsBounds) {
    RandomSeed(nullptr, 7);
    std::set<SQInteger> seen;
    ASSERT_TRUE(RunSource(v, "draws <- []; for (local i = 0; i < 400; i++) draws.append(Utl.RandRange(3, 7));").ok);
    for (SQInteger i = 0; i < 400; ++i) seen.insert(Eval(v, "draws[" + std::to_string(i) + "]").integer);
    EXPECT_EQ(seen, (std::set<SQInteger>{3, 4, 5, 6}));

    struct Case {
        const char* call;
        SQInteger low, high;  // inclusive
    };
    const Case cases[] = {
        {"Utl.RandRange(5, 5)", 5, 5},            // empty range: the lower bound, no division by zero
        {"Utl.RandRange(9, 2)", 9, 9},            // reversed range: the lower bound
        {"Utl.RandRange(3.9, 7.2)", 3, 6},        // bounds read as integers
        {"Utl.RandRange(-10, -5)", -10, -6},
        {"Utl.RandRange(0x100000003, 7)", 3, 6},  // only the low 32 bits of a bound count
        {"Utl.RandRange(-2147483648, 2147483647)", -2147483648LL, 2147483646},
    };
    for (const Case& c : cases) {
        for (int i = 0; i < 50; ++i) {
            EvalResult r = Eval(v, c.call);
            ASSERT_TRUE(r.ok) << c.call;
            ASSERT_GE(r.integer, c.low) << c.call;
            ASSERT_LE(r.integer, c.high) << c.call;
        }
    }
}

TEST_F(EngineTablesTest, WrongArgumentsAreRejectedBeforeTheNativeRuns) {
    const char* const calls[] = {
        "Utl.RandRange(1)",          "Utl.RandRange(\"a\", 2)",       "Utl.EasingIn(1, 2, 3, 4)",
        "Utl.EasingOut(1, 2, 3, 4, \"x\")", "Utl.MoviePlay(1, 2)",     "Utl.MovieStop(\"now\")",
        "Utl.Rand(1)",
    };
    for (const char* call : calls) {
        LogCapture log;
        EXPECT_FALSE(Eval(v, call).ok) << call;
        EXPECT_GE(log.Count(), 1u) << call;
    }
    EXPECT_TRUE(gMovie.played.empty());
    EXPECT_TRUE(gMovie.stops.empty());
}

TEST_F(EngineTablesTest, MovieCallsReachThePlayer) {
    FsMgr* pack = reinterpret_cast<FsMgr*>(&gMovie);  // only compared, never used
    SetCurrentFsMgr(pack);
    ASSERT_TRUE(RunSource(v, "Utl.MoviePlay(\"op.mpg\", 3); Utl.MovieStop(); Utl.MovieStop(30);").ok);
    EXPECT_EQ(gMovie.played, std::vector<std::string>{"op.mpg"});
    EXPECT_EQ(gMovie.playedFrom, std::vector<FsMgr*>{pack});
    EXPECT_EQ(gMovie.stops, (std::vector<int>{0, 30}));
    EXPECT_FALSE(Eval(v, "Utl.MovieIsPlaying()").boolean);
    gMovie.playing = true;
    EXPECT_TRUE(Eval(v, "Utl.MovieIsPlaying()").boolean);
}

}  // namespace
