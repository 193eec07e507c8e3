// The real frame on X11 under a private Xvfb: window sizes, full screen, keys
// typed through XTest, the close box, and multisampling on Mesa.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/x11_test_driver.h"
#include "tests/support/child_process.h"

namespace {

constexpr int kScreenWidth = 1440;
constexpr int kScreenHeight = 900;
constexpr unsigned long kKeyEscape = 0xff1b;
constexpr unsigned long kKeyF1 = 0xffbe;

class FrameXvfbTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        server_ = XvfbServer::Start(kScreenWidth, kScreenHeight, &error).release();
        ASSERT_NE(server_, nullptr) << error;
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }

    std::string Program() const { return std::string(getenv("QM_BUILD_DIR")) + "/tests/app/frame_smoke"; }

    bool Launch(ChildProcess* child, int w, int h, int fullScreen, int samples, bool strictEs2 = false) {
        std::vector<std::string> env = {"DISPLAY=" + server_->display()};
        if (strictEs2) env.push_back("MESA_GLES_VERSION_OVERRIDE=2.0");
        return child->Start({Program(), std::to_string(w), std::to_string(h), std::to_string(fullScreen),
                             std::to_string(samples)},
                            env);
    }

    static XvfbServer* server_;
};

XvfbServer* FrameXvfbTest::server_ = nullptr;

TEST_F(FrameXvfbTest, OpensEachSizeWindowedAndFullScreenAndClosesWithExitZero) {
    const int sizes[][2] = {{800, 480}, {1024, 576}, {1280, 720}, {1280, 800}};
    for (int fullScreen = 0; fullScreen <= 1; ++fullScreen) {
        for (const auto& size : sizes) {
            SCOPED_TRACE(std::to_string(size[0]) + "x" + std::to_string(size[1]) +
                         (fullScreen ? " full screen" : " windowed"));
            ChildProcess child;
            ASSERT_TRUE(Launch(&child, size[0], size[1], fullScreen, 1));
            std::string line;
            ASSERT_TRUE(child.WaitForLine("centre", &line, 10000));
            EXPECT_EQ(line, "centre 51 102 153");

            auto driver = X11TestDriver::Open(server_->display());
            ASSERT_NE(driver, nullptr);
            ASSERT_TRUE(driver->WaitForWindow("Frame smoke", 5000));
            int w = 0, h = 0;
            ASSERT_TRUE(driver->WindowSize(&w, &h));
            EXPECT_EQ(w, fullScreen ? kScreenWidth : size[0]);
            EXPECT_EQ(h, fullScreen ? kScreenHeight : size[1]);
            int iconWidth = 0, iconHeight = 0;
            ASSERT_TRUE(driver->WindowIconSize(&iconWidth, &iconHeight));
            EXPECT_EQ(iconWidth, 48);
            EXPECT_EQ(iconHeight, 48);
            // What reached the screen: the drawing area's clear colour, and in
            // full screen a black border around the centred child.
            unsigned rgb = 0;
            int x0 = fullScreen ? (kScreenWidth - size[0]) / 2 : 0;
            int y0 = fullScreen ? (kScreenHeight - size[1]) / 2 : 0;
            ASSERT_TRUE(driver->ReadWindowPixel(x0 + 4, y0 + size[1] - 4, &rgb));
            EXPECT_EQ(rgb, 0x336699u);
            if (fullScreen) {
                ASSERT_TRUE(driver->ReadWindowPixel(1, 1, &rgb));
                EXPECT_EQ(rgb, 0x000000u);
            }
            ASSERT_TRUE(driver->RequestClose());
            EXPECT_EQ(child.Wait(10000), 0);
        }
    }
}

TEST_F(FrameXvfbTest, EscAndF1ReachOnKeyPressedThenReleased) {
    ChildProcess child;
    ASSERT_TRUE(Launch(&child, 800, 480, 0, 1));
    std::string line;
    ASSERT_TRUE(child.WaitForLine("blended", &line, 10000));
    auto driver = X11TestDriver::Open(server_->display());
    ASSERT_NE(driver, nullptr);
    ASSERT_TRUE(driver->WaitForWindow("Frame smoke", 5000));
    ASSERT_TRUE(driver->SendKey(kKeyF1, true));
    ASSERT_TRUE(driver->SendKey(kKeyF1, false));
    ASSERT_TRUE(driver->SendKey('a', true));  // not one of the frame's keys
    ASSERT_TRUE(driver->SendKey('a', false));
    ASSERT_TRUE(driver->SendKey(kKeyEscape, true));
    ASSERT_TRUE(driver->SendKey(kKeyEscape, false));
    std::vector<std::string> keys;
    while (keys.size() < 4 && child.WaitForLine("key", &line, 5000)) keys.push_back(line);
    EXPECT_EQ(keys, (std::vector<std::string>{"key 1 1", "key 1 0", "key 0 1", "key 0 0"}));
    ASSERT_TRUE(driver->RequestClose());
    EXPECT_EQ(child.Wait(10000), 0);
    int keyLines = 0;
    for (const std::string& l : child.lines()) keyLines += l.rfind("key", 0) == 0;
    EXPECT_EQ(keyLines, 4);  // the 'a' key never reached the game
}

TEST_F(FrameXvfbTest, FourSamplesOnMesaBlendEdgesAndStrictEs2FallsBackToOne) {
    struct Case {
        bool strictEs2;
        const char* ready;
        bool blended;
    } cases[] = {{false, "ready samples=4", true}, {true, "ready samples=1", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ready);
        ChildProcess child;
        ASSERT_TRUE(Launch(&child, 1280, 720, 0, 4, c.strictEs2));
        std::string line;
        ASSERT_TRUE(child.WaitForLine("ready", &line, 10000));
        EXPECT_EQ(line, c.ready);
        ASSERT_TRUE(child.WaitForLine("blended", &line, 10000));
        int blended = atoi(line.c_str() + strlen("blended "));
        if (c.blended) {
            EXPECT_GT(blended, 100);
        } else {
            EXPECT_EQ(blended, 0);
        }
        auto driver = X11TestDriver::Open(server_->display());
        ASSERT_NE(driver, nullptr);
        ASSERT_TRUE(driver->WaitForWindow("Frame smoke", 5000));
        ASSERT_TRUE(driver->RequestClose());
        EXPECT_EQ(child.Wait(10000), 0);
    }
}

}  // namespace
