// The X11 desktop input under a private X server: pointer moves and buttons
// reach the records, focus elsewhere stops sampling, and a click or key tap
// within one frame reads as pushed, then released.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/input.h"
#include "platform/input_devices.h"
#include "platform/input_test_x11.h"
#include "platform/window.h"
#include "platform/x11_test_driver.h"

namespace {

constexpr uint8_t kKeyMap[kKeyMapSize] = {0x25, 0x27, 0x26, 0x28, 'Z', 'X', 'C', 'V', 'A', 'D', 'W', 'S'};

TEST(InputX11, PointerAndButtonsArriveInTheRecords) {
    std::string error;
    std::unique_ptr<XvfbServer> server = XvfbServer::Start(640, 480, &error);
    if (server == nullptr) GTEST_SKIP() << "no Xvfb: " << error;
    std::unique_ptr<InputTestWindow> window = InputTestWindow::Open(server->display(), 100, 50, 320, 200);
    ASSERT_NE(window, nullptr);
    std::unique_ptr<DesktopInput> desktop = OpenX11DesktopInput(window->handles());
    ASSERT_NE(desktop, nullptr);
    InitInputWith(desktop.get(), nullptr);
    ASSERT_TRUE(desktop->IsActive());

    ASSERT_TRUE(window->MovePointer(40, 30));
    ASSERT_TRUE(window->SetButton(1, true));
    PollInput();
    EXPECT_EQ(GetPointerState(0)->state, kButtonPushed);
    EXPECT_EQ(GetPointerState(0)->pushX, 40);
    EXPECT_EQ(GetPointerState(0)->pushY, 30);
    EXPECT_EQ(GetPointerState(1)->history[0][0], 40);

    ASSERT_TRUE(window->MovePointer(45, 31));
    PollInput();
    EXPECT_EQ(GetPointerState(0)->state, kButtonHeld);
    EXPECT_EQ(GetPointerState(0)->history[0][0], 45);
    EXPECT_EQ(GetPointerState(0)->history[1][0], 40);

    ASSERT_TRUE(window->SetButton(1, false));
    ASSERT_TRUE(window->SetButton(3, true));
    PollInput();
    EXPECT_EQ(GetPointerState(0)->state, kButtonReleased);
    EXPECT_EQ(GetPointerState(1)->state, kButtonPushed);
    // With the focus elsewhere nothing is sampled: the right button stays pushed.
    ASSERT_TRUE(window->Focus(false));
    ASSERT_TRUE(window->SetButton(3, false));
    EXPECT_FALSE(desktop->IsActive());
    PollInput();
    EXPECT_EQ(GetPointerState(1)->state, kButtonPushed);

    InitInputWith(nullptr, nullptr);
}

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
    SetKeyMap(0, kKeyMap, kKeyMapSize);
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
