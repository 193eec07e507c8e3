// A click and a key tap that begin and end between two input samples reach
// the records as pushed, then released: the window system's events latch them.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/input.h"
#include "platform/input_devices.h"
#include "platform/window.h"
#include "platform/x11_test_driver.h"

namespace {

TEST(PressLatch, ClickAndKeyTapWithinOneFrameArePushedThenReleased) {
    std::string error;
    std::unique_ptr<XvfbServer> server = XvfbServer::Start(640, 480, &error);
    if (server == nullptr) GTEST_SKIP() << "no Xvfb: " << error;
    setenv("DISPLAY", server->display().c_str(), 1);
    std::unique_ptr<WindowSystem> windows = CreateX11WindowSystem();
    WindowParams params;
    params.title = "latch";
    params.clientWidth = 320;
    params.clientHeight = 200;
    ASSERT_TRUE(windows->CreateMainWindow(params));
    auto driver = X11TestDriver::Open(server->display());
    ASSERT_NE(driver, nullptr);
    ASSERT_TRUE(driver->WaitForWindow("latch", 5000));
    ASSERT_TRUE(driver->SetFocused(true));
    std::unique_ptr<DesktopInput> desktop = OpenX11DesktopInput(CurrentX11WindowHandles());
    ASSERT_NE(desktop, nullptr);
    const uint8_t keyMap[kKeyMapSize] = {0x25, 0x27, 0x26, 0x28, 'Z', 'X', 'C', 'V', 'A', 'D', 'W', 'S'};
    SetKeyMap(0, keyMap, kKeyMapSize);
    InitInputWith(desktop.get(), nullptr);

    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(driver->ClickButton(1));  // press and release, both before the next sample
        ASSERT_TRUE(driver->SendKey('z', true));
        ASSERT_TRUE(driver->SendKey('z', false));
        WindowEvent event;
        for (int wait = 0; wait < 20; ++wait) {  // the events of one frame's message pump
            windows->WaitForEvents(10);
            while (windows->NextEvent(&event)) {
            }
        }
        PollInput();
        EXPECT_EQ(GetPointerState(0)->state, kButtonPushed);
        EXPECT_EQ(GetControllerState(0)->states[4], kButtonPushed);
        PollInput();
        EXPECT_EQ(GetPointerState(0)->state, kButtonReleased);
        EXPECT_EQ(GetControllerState(0)->states[4], kButtonReleased);
    }
    InitInputWith(nullptr, nullptr);
    windows->DestroyMainWindow();
}

}  // namespace
