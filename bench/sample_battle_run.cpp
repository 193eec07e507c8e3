// Times the sample game played through by itself (App.AutoBattle, a fixed
// seed) on a headless EGL surface at 1280 x 720, in this process:
//   bench_sample_battle [RUNS] (default 3)
// For each run it prints the start-to-title time (AppMain's start to the
// first frame shown), the battle's frames with their median and busiest
// frame time and its 99th percentile (one swap to the next while a battle is current), and the
// process's peak resident memory. QM_BUILD_DIR names the build folder.
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/app.h"
#include "platform/threads.h"
#include "tests/game/game_run.h"

int main(int argc, char** argv) {
    const int runs = argc > 1 ? atoi(argv[1]) : 3;
    const char* build = getenv("QM_BUILD_DIR");
    if (build == nullptr) {
        fprintf(stderr, "QM_BUILD_DIR must name the build folder\n");
        return 1;
    }
    for (int i = 0; i < runs; ++i) {
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
        GameRunResult run = RunGame(std::string(build) + "/sample", &desktop, &windows, options, 20000);
        std::vector<double> sorted = battleFrames;
        std::sort(sorted.begin(), sorted.end());
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        printf("run %d: status %d, start to title %.1f ms, %zu battle frames, median %.2f ms, 99th %.2f ms, busiest %.2f ms, "
               "peak RSS %ld MiB\n",
               i + 1, run.status, (firstFrame - start) / 1000.0, sorted.size(),
               sorted.empty() ? 0.0 : sorted[sorted.size() / 2], sorted.empty() ? 0.0 : sorted[sorted.size() * 99 / 100],
               sorted.empty() ? 0.0 : sorted.back(),
               usage.ru_maxrss / 1024);
    }
    return 0;
}
