// Times the real frame from process start to its first presented frame, under
// a private Xvfb: bench_frame_startup [RUNS] (default 21). Prints each run and
// the median in milliseconds.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/threads.h"
#include "platform/x11_test_driver.h"
#include "tests/support/child_process.h"

int main(int argc, char** argv) {
    int runs = argc > 1 ? atoi(argv[1]) : 21;
    std::string program = std::string(QM_BUILD_DIR) + "/tests/app/frame_smoke";
    std::string error;
    auto server = XvfbServer::Start(1440, 900, &error);
    if (!server) {
        fprintf(stderr, "Xvfb: %s\n", error.c_str());
        return 1;
    }
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        uint64_t start = GetTimeMicros();
        ChildProcess child;
        if (!child.Start({program, "1280", "720", "0", "1"}, {"DISPLAY=" + server->display()})) return 1;
        std::string line;
        if (!child.WaitForLine("swapped", &line, 20000)) {
            fprintf(stderr, "run %d: no first frame\n", i);
            return 1;
        }
        double ms = (GetTimeMicros() - start) / 1000.0;
        times.push_back(ms);
        printf("run %2d: %.1f ms\n", i + 1, ms);
        auto driver = X11TestDriver::Open(server->display());
        if (driver && driver->WaitForWindow("Frame smoke", 5000)) driver->RequestClose();
        child.Wait(10000);
    }
    std::sort(times.begin(), times.end());
    printf("median process start to first swapped frame: %.1f ms over %d runs\n", times[times.size() / 2], runs);
    return 0;
}
