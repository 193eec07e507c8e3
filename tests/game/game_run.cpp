// Packs, the hooked headless window system and the in-process game run.
#include "tests/game/game_run.h"

#include <GLES2/gl2.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "app/app_frame.h"
#include "app/input.h"
#include "core/task_system.h"
#include "tests/support/child_process.h"
#include "tests/support/log_capture.h"
#include "tests/support/wait_until.h"

bool TestPack::AddCompiledScript(const std::string& name, const std::string& source) {
    TempDir work;
    if (!work.Write(name + ".nut", source)) return false;
    RunResult run = RunProgram({std::string(getenv("QM_BUILD_DIR")) + "/cnutc", work.File(name + ".nut"),
                                work.File(name + ".cnut")});
    EXPECT_EQ(run.status, 0) << run.err;
    return run.status == 0 && tree_.Write("script/" + name + ".cnut", work.Read(name + ".cnut"));
}

bool TestPack::WriteTo(const std::string& folder) const {
    RunResult run = RunProgram({std::string(getenv("QM_BUILD_DIR")) + "/epk2tool", "build", tree_.path(),
                                folder + "/Quillmoor.dat"});
    EXPECT_EQ(run.status, 0) << run.err;
    return run.status == 0;
}

bool HookedWindowSystem::SwapBuffers() {
    // Background decoding and glyphs finish before the next frame, so pictures do not depend on the machine's load.
    WaitUntil([] { return TaskSystem::IsIdle(kTaskQueueBackground); });
    ++swaps;
    if (glGetError() != GL_NO_ERROR) ++glErrors;
    if (onSwap) onSwap(swaps);
    return inner.SwapBuffers();
}

bool GameRunResult::Has(const std::string& line) const { return std::find(log.begin(), log.end(), line) != log.end(); }

bool GameRunResult::Contains(const std::string& fragment) const {
    return std::any_of(log.begin(), log.end(), [&](const std::string& l) { return l.find(fragment) != std::string::npos; });
}

std::vector<std::string> GameRunResult::LinesStartingWith(const std::string& prefix) const {
    std::vector<std::string> lines;
    for (const std::string& l : log)
        if (l.compare(0, prefix.size(), prefix) == 0) lines.push_back(l);
    return lines;
}

GameRunResult RunGame(const std::string& folder, FakeDesktop* desktop, HookedWindowSystem* windows,
                      const AppRunOptions& options, int frameLimit) {
    GameRunResult result;
    TempDir userData;
    char cwd[4096];
    const std::string previousDir = getcwd(cwd, sizeof cwd) != nullptr ? cwd : "";
    const char* oldXdg = getenv("XDG_DATA_HOME");
    const std::string previousXdg = oldXdg ? oldXdg : "";
    setenv("XDG_DATA_HOME", userData.path().c_str(), 1);
    EXPECT_EQ(chdir(folder.c_str()), 0);

    std::function<void(int)> testHook = windows->onSwap;
    windows->onSwap = [&](int swap) {
        if (testHook) testHook(swap);
        if (swap >= frameLimit) PostQuit(-2);
    };
    EngineServices services = DefaultEngineServices();
    services.startInput = [desktop] { InitInputWith(desktop, nullptr); };
    services.stopInput = [] { InitInputWith(nullptr, nullptr); };
    {
        LogCapture log;
        AppRunOptions unthrottled = options;  // frames as fast as they come: frames, not seconds, are the game's time
        unthrottled.unthrottled = true;
        result.status = AppMainWith(0, nullptr, windows, services, unthrottled);
        result.log = log.Lines();
    }
    windows->onSwap = testHook;
    result.swaps = windows->swaps;
    result.glErrors = windows->glErrors;
    EXPECT_TRUE(previousDir.empty() || chdir(previousDir.c_str()) == 0);
    oldXdg ? setenv("XDG_DATA_HOME", previousXdg.c_str(), 1) : unsetenv("XDG_DATA_HOME");
    return result;
}

uint32_t ReadScreenPixel(int x, int y) {
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    uint8_t rgba[4] = {};
    glReadPixels(x, viewport[3] - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return static_cast<uint32_t>(rgba[0]) << 16 | static_cast<uint32_t>(rgba[1]) << 8 | rgba[2];
}
