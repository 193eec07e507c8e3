// Whole-game runs inside a test: cnutc-compiled packs, the real AppMain on a headless surface, a fake desktop.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "game/app_main.h"
#include "tests/input/fake_input_devices.h"
#include "platform/window_headless.h"
#include "tests/support/temp_dir.h"

// The files of a pack by path inside it ("script/system.cnut"), packed by epk2tool into "Quillmoor.dat".
class TestPack {
public:
    // Stores `source` compiled as "script/<name>.cnut"; false (and a test failure) when refused.
    bool AddCompiledScript(const std::string& name, const std::string& source);
    bool AddFile(const std::string& path, const std::string& bytes) { return tree_.Write(path, bytes); }
    bool WriteTo(const std::string& folder) const;

private:
    TempDir tree_;
};

class HookedWindowSystem : public WindowSystem {
public:
    HeadlessWindowSystem inner;
    std::function<void(int swap)> onSwap;
    int swaps = 0;
    int glErrors = 0;

    std::vector<DisplayMode> ListDisplayModes() override { return inner.ListDisplayModes(); }
    bool CreateMainWindow(const WindowParams& params) override { return inner.CreateMainWindow(params); }
    void DestroyMainWindow() override { inner.DestroyMainWindow(); }
    void SetTitle(const std::string& utf8) override { inner.SetTitle(utf8); }
    bool NextEvent(WindowEvent* event) override { return inner.NextEvent(event); }
    void WaitForEvents(int ms) override { inner.WaitForEvents(ms); }
    bool CreateGLContext() override { return inner.CreateGLContext(); }
    void DestroyGLContext() override { inner.DestroyGLContext(); }
    void* GetGLProcAddress(const char* name) override { return inner.GetGLProcAddress(name); }
    void SetSwapInterval(int interval) override { inner.SetSwapInterval(interval); }
    bool SwapBuffers() override;
};

struct GameRunResult {
    int status = -1;
    int swaps = 0;
    int glErrors = 0;
    std::vector<std::string> log;  // debug-log lines without their newline

    bool Has(const std::string& line) const;
    bool Contains(const std::string& fragment) const;
    std::vector<std::string> LinesStartingWith(const std::string& prefix) const;
};

// Runs the game unthrottled in `folder` with a fresh user folder; a run still going at frame `frameLimit` ends with status -2.
GameRunResult RunGame(const std::string& folder, FakeDesktop* desktop, HookedWindowSystem* windows,
                      const AppRunOptions& options = {}, int frameLimit = 600);

// The colour at (x, y) from the top-left of the drawing area, as 0xRRGGBB.
uint32_t ReadScreenPixel(int x, int y);
