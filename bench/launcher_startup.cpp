// Times the game from process start to its launcher dialog on screen (mapped
// and showing its banner), under a private Xvfb, with a fresh user folder:
// bench_launcher_startup [RUNS] (default 21). Each run is closed through the
// close box. Prints each run and the median in milliseconds.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/threads.h"
#include "platform/x11_test_driver.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

int main(int argc, char** argv) {
    const int runs = argc > 1 ? atoi(argv[1]) : 21;
    const std::string build = QM_BUILD_DIR;
    const char caption[] = "クイルムーア ～霧の谷と銀の鍵～ ver.1.02 スタート画面";
    std::string error;
    auto server = XvfbServer::Start(1440, 900, &error);
    if (!server) {
        fprintf(stderr, "Xvfb: %s\n", error.c_str());
        return 1;
    }
    auto driver = X11TestDriver::Open(server->display());
    std::vector<double> times;
    for (int i = 0; i < runs && driver; ++i) {
        TempDir home;
        uint64_t start = GetTimeMicros();
        ChildProcess child;
        const std::vector<std::string> environment = {"DISPLAY=" + server->display(),
                                                      "XDG_DATA_HOME=" + home.path(), "XDG_RUNTIME_DIR=" + home.path()};
        if (!child.Start({build + "/quillmoor"}, environment, build + "/sample")) return 1;
        // The banner's night sky at its top-left corner means the dialog is painted.
        unsigned rgb = 0;
        bool shown = driver->WaitForWindow(caption, 20000);
        while (shown && !(driver->ReadWindowPixel(4, 4, &rgb) && rgb == 0x1B2A4A)) {
            if (GetTimeMicros() - start > 20000000) shown = false;
            SleepMs(1);
        }
        if (!shown) {
            fprintf(stderr, "run %d: no launcher on screen\n", i + 1);
            return 1;
        }
        double ms = (GetTimeMicros() - start) / 1000.0;
        times.push_back(ms);
        printf("run %2d: %.1f ms\n", i + 1, ms);
        driver->RequestClose();
        child.Wait(10000);
    }
    if (times.empty()) return 1;
    std::sort(times.begin(), times.end());
    printf("median process start to launcher on screen: %.1f ms over %d runs\n", times[times.size() / 2], runs);
    return 0;
}
