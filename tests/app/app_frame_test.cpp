// The frame's order of work against a fake window system and clock; the 60-frame cap; the multisample decision and
// framebuffer on Mesa; the real frame under Xvfb: sizes, full screen, the icon, the close box, multisampling.
#include "app/app_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/display_mode_choice.h"
#include "app/multisample.h"
#include "platform/x11_test_driver.h"
#include "tests/app/fake_window_system.h"
#include "tests/support/child_process.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/log_capture.h"
#include "tests/support/wait_until.h"

namespace {

using Trace = std::vector<std::string>;

std::vector<std::string>* g_trace = nullptr;
int g_handle = 0;

void Log(const std::string& what) { g_trace->push_back(what); }

AppHandle OnInitialize() { return Log("OnInitialize"), &g_handle; }
void OnFinalize(AppHandle app) { Log(app == &g_handle ? "OnFinalize" : "OnFinalize(bad handle)"); }
void OnUpdate(AppHandle) { Log("OnUpdate"); }
void OnRender(AppHandle) { Log("OnRender"); }
void OnPostRender(AppHandle) { Log("OnPostRender"); }
void OnActivate(AppHandle, int paused) { Log("OnActivate" + std::to_string(paused)); }
void OnDevice(AppHandle) { Log("device callback"); }
void OnKey(AppHandle, int key, int down) { Log("OnKey" + std::to_string(key) + "," + std::to_string(down)); }

class AppFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_trace = &trace;
        descriptor.clientWidth = 800;
        descriptor.clientHeight = 480;
        descriptor.OnInitialize = OnInitialize;
        descriptor.OnFinalize = OnFinalize;
        descriptor.OnUpdate = OnUpdate;
        descriptor.OnRender = OnRender;
        descriptor.OnPostRender = OnPostRender;
        descriptor.OnActivate = OnActivate;
        descriptor.OnLostDevice = descriptor.OnResetDevice = OnDevice;
        descriptor.OnKey = OnKey;

        using Hook = std::function<void()> EngineServices::*;
        const std::pair<Hook, const char*> hooks[] = {
            {&EngineServices::startTasks, "TaskSystem::Init"}, {&EngineServices::stopTasks, "TaskSystem::Shutdown"},
            {&EngineServices::runMainQueue, "RunMainQueue"}, {&EngineServices::startFileSystem, "FileSystemInit"},
            {&EngineServices::stopFileSystem, "FileSystemShutdown"}, {&EngineServices::stopSound, "SoundManagerShutdown"},
            {&EngineServices::stopGraphics, "GraphicsShutdown"}, {&EngineServices::resetRenderStats, "ResetRenderStats"},
            {&EngineServices::startInput, "InitDirectInput"}, {&EngineServices::stopInput, "ReleaseDirectInput"},
            {&EngineServices::pollInput, "PollInput"}, {&EngineServices::createMovie, "MoviePlayer::Create"},
            {&EngineServices::updateMovie, "MoviePlayer::Update"}, {&EngineServices::drawMovie, "MoviePlayer::Draw"},
            {&EngineServices::stopMovie, "MoviePlayer::Stop"},
            {&EngineServices::shutdownMovie, "MoviePlayer::Shutdown"}};
        for (const auto& hook : hooks) services.*hook.first = [this, name = hook.second] { trace.push_back(name); };
        services.startSound = [this](int rate, int mode) {
            trace.push_back("SoundManagerInit" + std::to_string(rate) + "," + std::to_string(mode));
        };
        services.startGraphics = [this](int w, int h) {
            trace.push_back("GraphicsInit" + std::to_string(w) + "x" + std::to_string(h));
        };
    }

    int RunOneFrame() {
        windows.swaps = 0;
        windows.onSwap = [this](int swap) { if (swap == 1) windows.events.push_back(WindowEvent{WindowEvent::kClose}); };
        return RunApplicationWith(descriptor, &windows, services);
    }

    std::vector<std::string> trace;
    FakeWindowSystem windows{&trace};
    EngineServices services;
    AppDescriptor descriptor;
};

TEST_F(AppFrameTest, StartsRunsOneFrameAndStopsInOrder) {
    // extraUpdates sets how often the update and the main queue run: none for -1, three times for 2.
    struct Case { int extraUpdates, updates; } cases[] = {{0, 1}, {-1, 0}, {2, 3}};
    for (const Case& c : cases) {
        trace.clear(), descriptor.extraUpdates = c.extraUpdates;
        EXPECT_EQ(RunOneFrame(), 0);
        Trace expected = {"CreateMainWindow", "CreateGLContext", "SwapInterval1", "MoviePlayer::Create",
                          "TaskSystem::Init", "FileSystemInit", "SoundManagerInit44100,1", "GraphicsInit800x480",
                          "InitDirectInput", "OnInitialize", "ResetRenderStats", "PollInput"};
        for (int i = 0; i < c.updates; ++i) expected.insert(expected.end(), {"OnUpdate", "RunMainQueue"});
        expected.insert(expected.end(), {"MoviePlayer::Update", "OnRender", "OnPostRender", "MoviePlayer::Draw", "Swap",
                                         "OnFinalize", "MoviePlayer::Stop", "ReleaseDirectInput", "GraphicsShutdown",
                                         "SoundManagerShutdown", "FileSystemShutdown", "TaskSystem::Shutdown",
                                         "MoviePlayer::Shutdown", "DestroyGLContext", "DestroyMainWindow"});
        EXPECT_EQ(trace, expected) << "extraUpdates " << c.extraUpdates;
    }
}

TEST_F(AppFrameTest, ActivationPausesFramesAndTheCapSleepsUntilAFrameIsDue) {
    // Frames of 5 ms: frame 1, deactivation twice (one call), idle, activation, frame 2 at once, then a sleep.
    uint64_t now = 0;
    services.frameClock = {[&] { return now; }, [&](uint64_t until) {
        trace.push_back("Sleep"), now = until, windows.events.push_back(WindowEvent{WindowEvent::kKey, 1, true});
    }};
    windows.onSwap = [&](int swap) {
        now += 5000000;
        if (swap == 1) windows.events.insert(windows.events.end(), 2, WindowEvent{WindowEvent::kDeactivate});
        if (swap == 3) windows.events.push_back(WindowEvent{WindowEvent::kClose});
    };
    windows.onWait = [&](int wait) { if (wait == 3) windows.events.insert(windows.events.end(), 2, WindowEvent{WindowEvent::kActivate}); };
    for (FramePacing pacing : {FramePacing::kCapped, FramePacing::kUnthrottled}) {
        trace.clear(), windows.swaps = windows.waits = 0;
        EXPECT_EQ(RunApplicationWith(descriptor, &windows, services, pacing), 0);
        auto first = std::find(trace.begin(), trace.end(), "Swap"), second = std::find(first + 1, trace.end(), "Swap");
        EXPECT_EQ(Trace(first + 1, std::find(first, trace.end(), "ResetRenderStats")),
                  (Trace{"OnActivate1", "Wait10", "Wait10", "Wait10", "OnActivate0"}));
        EXPECT_EQ(Trace(second + 1, std::find(second, trace.end(), "ResetRenderStats")),
                  pacing == FramePacing::kCapped ? (Trace{"Sleep", "OnKey1,1"}) : Trace{});
    }
}

constexpr uint64_t kMs = 1000000, kLate = 200000;
uint64_t Grid(int frames) { return frames * uint64_t{1000000000} / 60; }

// Frame start times of frames that take work(frame) each, on a simulated clock whose sleeps wake `late` after.
std::vector<uint64_t> RunPaced(bool swapMayWait, int frames, const std::function<uint64_t(int)>& work, uint64_t late) {
    uint64_t now = 1000000000;
    FramePacer pacer({[&] { return now; }, [&](uint64_t until) { now = std::max(now, until) + late; }}, swapMayWait);
    std::vector<uint64_t> starts;
    for (int frame = 0; frame < frames; ++frame, pacer.FrameEnded()) {
        while (pacer.SleepUntilDue()) {}
        starts.push_back(now), now += work(frame);
    }
    return starts;
}

TEST(FramePacer, FramesStayOnTheGridOrTheSwapsOwnPaceNeverAbove60) {
    struct Case { const char* what; bool swapMayWait; std::function<uint64_t(int)> work; bool held; } cases[] = {
        {"vsync asked but the swap does not wait", true, [](int) { return 5 * kMs; }, false},
        {"16.65 ms frames without vsync", false, [](int) { return uint64_t{16653000}; }, false},
        {"swap held at 60.05 Hz", true, [](int) { return uint64_t{16653000}; }, true},
    };
    for (const Case& c : cases) {
        std::vector<uint64_t> starts = RunPaced(c.swapMayWait, 6001, c.work, kLate);  // 100 s
        // Held frames follow at once; others keep to 1/60 s steps from frame 1, at most kLate behind (ahead wraps).
        for (int k = 2; k < 6001; ++k) {
            if (c.held) ASSERT_EQ(starts[k] - starts[k - 1], c.work(k - 1)) << c.what << ", frame " << k;
            else ASSERT_LE(starts[k] - starts[1] - Grid(k - 1), kLate) << c.what << ", frame " << k;
        }
    }
}

TEST(FramePacer, AStallStartsANewGridAndAFrameLateByLessIsCaughtUpOnTheOldOne) {
    // Frame 10 stalls for 100 ms, frame 20 overruns its time by 5 ms, the others take 5 ms.
    std::vector<uint64_t> s = RunPaced(false, 23, [](int f) { return f == 10 ? 100 * kMs : f == 20 ? Grid(1) + 5 * kMs : 5 * kMs; }, 0);
    EXPECT_EQ(s[11], s[10] + 100 * kMs);  // at once, and no burst after it
    EXPECT_EQ(s[12], s[11] + Grid(1));
    EXPECT_EQ(s[21], s[20] + Grid(1) + 5 * kMs);
    EXPECT_EQ(s[22], s[11] + Grid(11));
}

TEST(FullScreenModeChoice, SmallestExcessFirstWins) {
    struct Case { std::vector<DisplayMode> modes; int w, h; bool found; DisplayMode expected; } cases[] = {
        {{{1280, 720}, {1280, 1024}, {1440, 900}}, 1280, 800, true, {1280, 1024}},
        {{{1300, 800}, {1280, 820}}, 1280, 800, true, {1300, 800}},  // tie: the first wins
        {{{800, 600}, {1024, 768}}, 1280, 720, false, {}},
        {{{800, 480}}, 800, 480, true, {800, 480}},
    };
    for (const Case& c : cases) {
        DisplayMode chosen{};
        EXPECT_EQ(ChooseFullScreenMode(c.modes, c.w, c.h, &chosen), c.found);
        if (c.found) { EXPECT_TRUE(chosen.width == c.expected.width && chosen.height == c.expected.height) << chosen.width; }
    }
}

TEST(MultisampleDecision, ApiComesFromVersionAndExtensionNames) {
    struct Case { const char* version; const char* extensions; MultisampleApi api; } cases[] = {
        {"OpenGL ES 3.0", nullptr, MultisampleApi::kCore},
        {"OpenGL ES 2.0", "GL_ANGLE_framebuffer_multisample GL_ANGLE_framebuffer_blit", MultisampleApi::kAngle},
        {"OpenGL ES 2.0", "GL_ANGLE_framebuffer_multisample", MultisampleApi::kNone},
        {"OpenGL ES 2.0", "GL_ANGLE_framebuffer_multisample_x GL_ANGLE_framebuffer_blit", MultisampleApi::kNone},
        {"OpenGL ES 2.0", "GL_NV_framebuffer_blit GL_NV_framebuffer_multisample", MultisampleApi::kNv},
        {"OpenGL ES 2.0", "XGL_NV_framebuffer_blit GL_NV_framebuffer_multisample", MultisampleApi::kNone},
        {nullptr, nullptr, MultisampleApi::kNone},
        {"garbage", "", MultisampleApi::kNone},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DetectMultisampleApi(c.version, c.extensions), c.api)
            << (c.version ? c.version : "null") << " / " << (c.extensions ? c.extensions : "null");
}

TEST(MultisampleDecision, SampleCountIsClampedAndNeedsAnApi) {
    struct Case { int wanted, max; MultisampleApi api; int samples; } cases[] = {
        {4, 2, MultisampleApi::kCore, 2}, {4, 8, MultisampleApi::kCore, 4}, {1, 4, MultisampleApi::kCore, 1},
        {0, 4, MultisampleApi::kCore, 0}, {4, 4, MultisampleApi::kNone, 1}, {4, 0, MultisampleApi::kCore, 0},
        {4, 0, MultisampleApi::kNone, 1},  // an ES 2.0 driver may not know the query at all
    };
    for (const Case& c : cases) EXPECT_EQ(ChooseSampleCount(c.wanted, c.max, c.api), c.samples) << c.wanted << " " << c.max;
}

TEST_F(GlTest, MultisampleIncompleteFramebufferIsLoggedAndDropped) {
    // Mesa offers no ANGLE extension but hands out do-nothing stubs for its
    // names: storage never happens and the framebuffer stays incomplete.
    if (DetectMultisampleApi(reinterpret_cast<const char*>(glGetString(GL_VERSION)),
                             reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS))) == MultisampleApi::kNone)
        GTEST_SKIP() << "no sample count above 1 on this context";
    LogCapture log;
    MultisampleBuffer buffer;
    EXPECT_EQ(buffer.Create(4, kWidth, kHeight, MultisampleApi::kAngle,
                            [](const char* name) { return context()->GetProcAddress(name); }), 1);
    EXPECT_FALSE(buffer.active());
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"Error: Failed to create multisample frame buffer."}));
}

constexpr int kScreenWidth = 1440, kScreenHeight = 900;

TEST(FrameXvfbTest, SizesFullScreenAndSamplesThenTheCloseBoxEndsWithExitZero) {
    std::string error;
    std::unique_ptr<XvfbServer> server = XvfbServer::Start(kScreenWidth, kScreenHeight, &error);
    ASSERT_NE(server, nullptr) << error;
    // Four samples blend the triangle's edges; strict ES 2.0 falls back to one.
    struct Case { int w, h, fullScreen, samples; bool strictEs2; } cases[] = {
        {1024, 576, 0, 1, false}, {800, 480, 1, 1, false}, {1280, 720, 0, 4, false}, {1280, 720, 0, 4, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " full " << c.fullScreen << " samples " << c.samples << " ES 2.0 " << c.strictEs2);
        ChildProcess child;
        std::vector<std::string> env = {"DISPLAY=" + server->display()};
        if (c.strictEs2) env.push_back("MESA_GLES_VERSION_OVERRIDE=2.0");
        ASSERT_TRUE(child.Start({std::string(getenv("QM_BUILD_DIR")) + "/tests/app/frame_smoke", std::to_string(c.w),
                                 std::to_string(c.h), std::to_string(c.fullScreen), std::to_string(c.samples)},
                                env));
        bool multisampled = c.samples == 4 && !c.strictEs2;
        std::string line;
        ASSERT_TRUE(child.WaitForLine("ready", &line, kPatienceMs));
        EXPECT_EQ(line, multisampled ? "ready samples=4" : "ready samples=1");
        ASSERT_TRUE(child.WaitForLine("centre", &line, kPatienceMs));
        EXPECT_EQ(line, "centre 51 102 153");
        ASSERT_TRUE(child.WaitForLine("blended", &line, kPatienceMs));
        const int blended = atoi(line.c_str() + strlen("blended "));
        EXPECT_TRUE(multisampled ? blended > 100 : blended == 0) << line;

        auto driver = X11TestDriver::Open(server->display());
        ASSERT_NE(driver, nullptr);
        ASSERT_TRUE(driver->WaitForWindow("Frame smoke", kPatienceMs));
        int w = 0, h = 0, iconWidth = 0, iconHeight = 0;
        ASSERT_TRUE(driver->WindowSize(&w, &h));
        EXPECT_EQ(w, c.fullScreen ? kScreenWidth : c.w);
        EXPECT_EQ(h, c.fullScreen ? kScreenHeight : c.h);
        ASSERT_TRUE(driver->WindowIconSize(&iconWidth, &iconHeight));
        EXPECT_EQ(iconWidth * 1000 + iconHeight, 48048);
        // The clear colour, and in full screen a black border around the centred child.
        unsigned rgb = 0;
        int x0 = c.fullScreen ? (kScreenWidth - c.w) / 2 : 0, y0 = c.fullScreen ? (kScreenHeight - c.h) / 2 : 0;
        ASSERT_TRUE(driver->ReadWindowPixel(x0 + 4, y0 + c.h - 4, &rgb));
        EXPECT_EQ(rgb, 0x336699u);
        if (c.fullScreen) {
            ASSERT_TRUE(driver->ReadWindowPixel(1, 1, &rgb));
            EXPECT_EQ(rgb, 0x000000u);
        }
        ASSERT_TRUE(driver->RequestClose());
        EXPECT_EQ(child.Wait(kPatienceMs), 0);
    }
}

}  // namespace
