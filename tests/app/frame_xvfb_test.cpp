// The real frame under Xvfb: sizes, full screen, the icon, the close box, multisampling.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/x11_test_driver.h"
#include "tests/support/child_process.h"

namespace {

constexpr int kScreenWidth = 1440, kScreenHeight = 900;

TEST(FrameXvfbTest, SizesFullScreenAndSamplesThenTheCloseBoxEndsWithExitZero) {
    std::string error;
    std::unique_ptr<XvfbServer> server = XvfbServer::Start(kScreenWidth, kScreenHeight, &error);
    ASSERT_NE(server, nullptr) << error;
    // Four samples blend the triangle's edges; strict ES 2.0 falls back to one.
    struct Case { int w, h, fullScreen, samples; bool strictEs2; } cases[] = {
        {1024, 576, 0, 1, false}, {800, 480, 1, 1, false}, {1280, 720, 0, 4, false}, {1280, 720, 0, 4, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " full " << c.fullScreen << " samples " << c.samples
                                        << (c.strictEs2 ? " ES 2.0" : ""));
        ChildProcess child;
        std::vector<std::string> env = {"DISPLAY=" + server->display()};
        if (c.strictEs2) env.push_back("MESA_GLES_VERSION_OVERRIDE=2.0");
        ASSERT_TRUE(child.Start({std::string(getenv("QM_BUILD_DIR")) + "/tests/app/frame_smoke", std::to_string(c.w),
                                 std::to_string(c.h), std::to_string(c.fullScreen), std::to_string(c.samples)},
                                env));
        bool multisampled = c.samples == 4 && !c.strictEs2;
        std::string line;
        ASSERT_TRUE(child.WaitForLine("ready", &line, 10000));
        EXPECT_EQ(line, multisampled ? "ready samples=4" : "ready samples=1");
        ASSERT_TRUE(child.WaitForLine("centre", &line, 10000));
        EXPECT_EQ(line, "centre 51 102 153");
        ASSERT_TRUE(child.WaitForLine("blended", &line, 10000));
        int blended = atoi(line.c_str() + strlen("blended "));
        if (multisampled) EXPECT_GT(blended, 100);
        else EXPECT_EQ(blended, 0);

        auto driver = X11TestDriver::Open(server->display());
        ASSERT_NE(driver, nullptr);
        ASSERT_TRUE(driver->WaitForWindow("Frame smoke", 5000));
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
        EXPECT_EQ(child.Wait(10000), 0);
    }
}

}  // namespace
