// Packs, the hooked headless window system and the in-process game run.
#include "tests/game/game_run.h"

#include <GLES2/gl2.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "app/app_frame.h"
#include "app/input.h"
#include "fs/pack_keys.h"
#include "tests/support/child_process.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"
#include "tools/epk2tool/pack_writer.h"

bool TestPack::AddCompiledScript(const std::string& name, const std::string& source) {
    TempDir work;
    if (!work.Write(name + ".nut", source)) return false;
    RunResult run = RunProgram({std::string(getenv("QM_BUILD_DIR")) + "/cnutc", work.File(name + ".nut"),
                                work.File(name + ".cnut")});
    EXPECT_EQ(run.status, 0) << run.err;
    if (run.status != 0) return false;
    files_["script/" + name + ".cnut"] = work.Read(name + ".cnut");
    return true;
}

bool TestPack::WriteTo(const std::string& folder) const {
    PackWriter writer;
    std::map<std::string, int> folders{{"", PackWriter::kRoot}};
    for (const auto& [path, bytes] : files_) {
        int parent = PackWriter::kRoot;
        std::string walked;
        size_t start = 0;
        for (size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', start)) {
            walked += "/" + path.substr(start, slash - start);
            auto found = folders.find(walked);
            parent = found != folders.end() ? found->second
                                            : (folders[walked] = writer.AddDirectory(parent, path.substr(start, slash - start)));
            start = slash + 1;
        }
        if (!writer.AddFile(parent, path.substr(start), std::vector<uint8_t>(bytes.begin(), bytes.end()))) return false;
    }
    std::vector<uint8_t> pack;
    std::string error;
    if (!writer.Build(GetBuiltInPackKeyTable(), &pack, &error)) return false;
    std::ofstream out(folder + "/Quillmoor.dat", std::ios::binary);
    out.write(reinterpret_cast<const char*>(pack.data()), static_cast<std::streamsize>(pack.size()));
    return static_cast<bool>(out);
}

bool HookedWindowSystem::CreateMainWindow(const WindowParams& windowParams) {
    params = windowParams;
    return inner.CreateMainWindow(windowParams);
}

bool HookedWindowSystem::SwapBuffers() {
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
        result.status = AppMainWith(0, nullptr, windows, services, options);
        result.log = log.Lines();
    }
    windows->onSwap = testHook;
    result.swaps = windows->swaps;
    result.glErrors = windows->glErrors;
    result.title = windows->params.title;
    if (!previousDir.empty()) EXPECT_EQ(chdir(previousDir.c_str()), 0);
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
