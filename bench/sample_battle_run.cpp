// Times the sample game played through by itself (App.AutoBattle, a fixed
// seed) at 1280 x 720, in this process:
//   bench_sample_battle [RUNS] (default 3)
// On a headless EGL surface, for each run: the start-to-title time (AppMain's
// start to the first frame shown), the battle's frames with their median and
// busiest frame time and its 99th percentile (one swap to the next while a
// battle is current), and the process's peak resident memory.
// Then in an X window on a private Xvfb with swap interval 0, unthrottled and
// capped at 60: frames per second over the whole run and the spread of frame
// times (frame start to frame start: 1st percentile, median, 99th).
// QM_BUILD_DIR names the build folder.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/app_frame.h"
#include "game/app.h"
#include "platform/threads.h"
#include "platform/x11_test_driver.h"
#include "tests/game/game_run.h"
#include "tests/support/log_capture.h"

namespace {

double Percentile(const std::vector<double>& sorted, int percent) {
    return sorted.empty() ? 0.0 : sorted[sorted.size() * static_cast<size_t>(percent) / 100];
}

void RunHeadless(const std::string& sample, int run) {
    FakeDesktop desktop{1280, 720};
    HookedWindowSystem windows;
    const uint64_t start = GetTimeMicros();
    uint64_t firstFrame = 0, lastSwap = 0;
    std::vector<double> battleFrames;
    windows.onSwap = [&](int) {
        const uint64_t now = GetTimeMicros();
        if (firstFrame == 0) firstFrame = now;
        App* app = GetApp();
        if (lastSwap != 0 && app != nullptr && app->battle != nullptr) battleFrames.push_back((now - lastSwap) / 1000.0);
        lastSwap = now;
    };
    AppRunOptions options;
    options.fixedSeed = true;
    options.autoBattle = true;
    GameRunResult result = RunGame(sample, &desktop, &windows, options, 20000);
    std::sort(battleFrames.begin(), battleFrames.end());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    printf("headless run %d: status %d, start to title %.1f ms, %zu battle frames, median %.2f ms, 99th %.2f ms, "
           "busiest %.2f ms, peak RSS %ld MiB\n",
           run, result.status, (firstFrame - start) / 1000.0, battleFrames.size(), Percentile(battleFrames, 50),
           Percentile(battleFrames, 99), battleFrames.empty() ? 0.0 : battleFrames.back(), usage.ru_maxrss / 1024);
}

// The X11 window with every swap interval request turned into 0 (swap modes 0 and 2).
class SwapIntervalZero final : public WindowSystem {
public:
    explicit SwapIntervalZero(std::unique_ptr<WindowSystem> inner) : inner_(std::move(inner)) {}
    std::vector<DisplayMode> ListDisplayModes() override { return inner_->ListDisplayModes(); }
    bool CreateMainWindow(const WindowParams& params) override { return inner_->CreateMainWindow(params); }
    std::string CreateFailureReason() const override { return inner_->CreateFailureReason(); }
    void DestroyMainWindow() override { inner_->DestroyMainWindow(); }
    void SetTitle(const std::string& utf8) override { inner_->SetTitle(utf8); }
    bool NextEvent(WindowEvent* event) override { return inner_->NextEvent(event); }
    void WaitForEvents(int ms) override { inner_->WaitForEvents(ms); }
    bool CreateGLContext() override { return inner_->CreateGLContext(); }
    void DestroyGLContext() override { inner_->DestroyGLContext(); }
    void* GetGLProcAddress(const char* name) override { return inner_->GetGLProcAddress(name); }
    void SetSwapInterval(int) override { inner_->SetSwapInterval(0); }
    bool SwapBuffers() override { return inner_->SwapBuffers(); }

private:
    std::unique_ptr<WindowSystem> inner_;
};

// The game in this process on the X display of $DISPLAY; run from the sample folder.
void RunInXWindow(bool unthrottled, int run) {
    TempDir userData;
    setenv("XDG_DATA_HOME", userData.path().c_str(), 1);
    std::vector<uint64_t> starts;
    EngineServices services = DefaultEngineServices();
    services.resetRenderStats = [&starts, reset = services.resetRenderStats] {  // once at each frame's start
        starts.push_back(GetTimeNanos());
        if (starts.size() == 30000) PostQuit(-2);
        reset();
    };
    SwapIntervalZero windows(CreateX11WindowSystem());
    AppRunOptions options;
    options.fixedSeed = true;
    options.autoBattle = true;
    options.unthrottled = unthrottled;
    LogCapture quiet;
    const int status = AppMainWith(0, nullptr, &windows, services, options);
    std::vector<double> frames;
    for (size_t i = 1; i < starts.size(); ++i) frames.push_back((starts[i] - starts[i - 1]) / 1e6);
    const double seconds = starts.size() > 1 ? (starts.back() - starts.front()) / 1e9 : 0.0;
    std::sort(frames.begin(), frames.end());
    printf("Xvfb, swap interval 0, %s, run %d: status %d, %zu frames in %.1f s, %.1f frames/s; frame time "
           "1st percentile %.2f ms, median %.2f ms, 99th %.2f ms\n",
           unthrottled ? "unthrottled" : "capped at 60", run, status, starts.size(), seconds,
           seconds > 0 ? frames.size() / seconds : 0.0, Percentile(frames, 1), Percentile(frames, 50),
           Percentile(frames, 99));
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? atoi(argv[1]) : 3;
    const char* build = getenv("QM_BUILD_DIR");
    if (build == nullptr) {
        fprintf(stderr, "QM_BUILD_DIR must name the build folder\n");
        return 1;
    }
    const std::string sample = std::string(build) + "/sample";
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    for (int i = 1; i <= runs; ++i) RunHeadless(sample, i);

    std::string error;
    std::unique_ptr<XvfbServer> server = XvfbServer::Start(1440, 900, &error);
    if (server == nullptr) {
        fprintf(stderr, "no Xvfb: %s\n", error.c_str());
        return 1;
    }
    setenv("DISPLAY", server->display().c_str(), 1);
    if (chdir(sample.c_str()) != 0) return fprintf(stderr, "no folder %s\n", sample.c_str()), 1;
    for (bool unthrottled : {true, false})
        for (int i = 1; i <= runs; ++i) RunInXWindow(unthrottled, i);
    return 0;
}
