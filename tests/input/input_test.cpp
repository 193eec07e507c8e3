// The input records on fake devices, then on the X11 desktop input under a private X server.
#include <gtest/gtest.h>
#include <cstdlib>
#include <vector>
#include "app/input.h"
#include "platform/input_devices.h"
#include "platform/input_test_x11.h"
#include "platform/window.h"
#include "platform/x11_test_driver.h"
#include "tests/input/fake_input_devices.h"
#include "tests/support/wait_until.h"

namespace {

constexpr uint8_t kGameKeyMap[kKeyMapSize] = {0x25, 0x27, 0x26, 0x28, 'Z', 'X', 'C', 'V', 'A', 'D', 'W', 'S'};
constexpr uint8_t kDefaultPadMap[kKeyMapSize] = {kUnmappedButton, kUnmappedButton, kUnmappedButton,
                                                 kUnmappedButton, 0, 1, 2, 3, 4, 5, 6, 7};

class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetKeyMap(0, kGameKeyMap, kKeyMapSize);
        SetKeyMap(1, kDefaultPadMap, kKeyMapSize);
        SetKeyMap(2, kDefaultPadMap, kKeyMapSize);
        InitInputWith(&desktop_, &pads_);
    }
    void TearDown() override { InitInputWith(nullptr, nullptr); }

    FakeDesktop desktop_;
    FakePads pads_;
};

TEST_F(InputTest, LeftButtonDownTwiceThenUpTwice) {
    desktop_.pointer.x = 30, desktop_.pointer.y = 40;
    const bool down[] = {true, true, false, false};
    const uint32_t states[] = {kButtonPushed, kButtonHeld, kButtonReleased, kButtonUp};
    const uint32_t holds[] = {0, 1, 1, 1};
    for (int poll = 0; poll < 4; ++poll) {
        desktop_.pointer.left = down[poll];
        PollInput();
        EXPECT_EQ(GetPointerState(0)->state, states[poll]) << "poll " << poll;
        EXPECT_EQ(GetPointerState(0)->holdFrames, holds[poll]) << "poll " << poll;
    }
    EXPECT_EQ(GetPointerState(0)->pushX, 30);
    EXPECT_EQ(GetPointerState(0)->pushY, 40);
    EXPECT_EQ(GetPointerState(1)->state, kButtonUp);
}

TEST_F(InputTest, HistoryKeepsTwentyPositionsNewestFirst) {
    for (int poll = 1; poll <= 25; ++poll) {
        desktop_.pointer.x = poll, desktop_.pointer.y = 100 + poll;
        PollInput();
    }
    for (int i = 0; i < 2; ++i)
        for (int k = 0; k < kPointerHistory; ++k)
            EXPECT_TRUE(GetPointerState(i)->history[k][0] == 25 - k && GetPointerState(i)->history[k][1] == 125 - k)
                << i << " " << k;
    // Column and row 0 and the first pixel past the client size are outside: no move, no press.
    for (const auto& p : std::vector<std::pair<int, int>>{{0, 9}, {9, 0}, {800, 9}, {9, 480}, {799, 479}}) {
        desktop_.pointer.x = p.first, desktop_.pointer.y = p.second, desktop_.pointer.left = true;
        PollInput();
        const bool inside = p.first == 799;
        EXPECT_EQ(GetPointerState(0)->history[0][1], inside ? 479 : 125) << p.first << "," << p.second;
        EXPECT_EQ(GetPointerState(0)->state, inside ? kButtonPushed : kButtonUp) << p.first << "," << p.second;
    }
}

TEST_F(InputTest, PadDirectionsAndMappedButtonsUpdateEachStateOncePerPoll) {
    const uint8_t map[kKeyMapSize] = {9, kUnmappedButton, kUnmappedButton, kUnmappedButton, 0, 1, 2, 3, 4, 5, 6, 200};
    SetKeyMap(1, map, kKeyMapSize);
    struct Step { int32_t axisX, axisY; bool button9, button2; uint32_t left, right, up, down, button2State; };
    const Step steps[] = {
        {-600, 0, false, false, kButtonPushed, kButtonUp, kButtonUp, kButtonUp, kButtonUp},
        {-600, 0, true, true, kButtonHeld, kButtonUp, kButtonUp, kButtonUp, kButtonPushed},
        {0, 0, true, true, kButtonHeld, kButtonUp, kButtonUp, kButtonUp, kButtonHeld},
        {500, -500, false, false, kButtonReleased, kButtonUp, kButtonUp, kButtonUp, kButtonReleased},
        {501, 501, false, false, kButtonUp, kButtonPushed, kButtonUp, kButtonPushed, kButtonUp},
        {0, -501, false, false, kButtonUp, kButtonReleased, kButtonPushed, kButtonReleased, kButtonUp},
    };
    for (size_t i = 0; i < sizeof steps / sizeof steps[0]; ++i) {
        SCOPED_TRACE(i);
        const Step& s = steps[i];
        pads_.pads[0] = PadSample{s.axisX, s.axisY, {}};
        pads_.pads[0].buttons[9] = s.button9, pads_.pads[0].buttons[2] = s.button2;
        PollInput();
        const uint32_t* states = GetControllerState(1)->states;
        EXPECT_EQ(std::vector<uint32_t>({states[0], states[1], states[2], states[3], states[6]}),
                  std::vector<uint32_t>({s.left, s.right, s.up, s.down, s.button2State}));
        EXPECT_EQ(states[11], kButtonUp) << "a map entry past the buttons never reads as down";
    }
    EXPECT_EQ(pads_.samples, 6) << "the pads are sampled once per poll";
}

TEST(VirtualKeyTable, MapsTheGameKeysAndOthersToKeySymbols) {
    const struct { int virtualKey; std::vector<unsigned long> keysyms; } cases[] = {
        {0x25, {0xFF51, 0xFF96}}, {0x28, {0xFF54, 0xFF99}}, {'A', {0x61}}, {'Z', {0x7A}}, {'0', {0x30}}, {'9', {0x39}},
        {0x0D, {0xFF0D, 0xFF8D}}, {0x20, {0x20}}, {0x1B, {0xFF1B}}, {0x10, {0xFFE1, 0xFFE2}}, {0x70, {0xFFBE}},
        {0x7B, {0xFFC9}}, {0x60, {0xFFB0}}, {0x00, {}}, {0xFF, {}}, {0x5B, {}},
    };
    for (const auto& c : cases) {
        unsigned long keysyms[2] = {0, 0};
        int count = KeysymsForVirtualKey(c.virtualKey, keysyms);
        EXPECT_EQ(std::vector<unsigned long>(keysyms, keysyms + count), c.keysyms) << "virtual key " << c.virtualKey;
    }
}

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
    ASSERT_TRUE(windows->CreateMainWindow(WindowParams{"latch", 0, 320, 200, false, {}}));
    auto driver = X11TestDriver::Open(server->display());
    ASSERT_NE(driver, nullptr);
    ASSERT_TRUE(driver->WaitForWindow("latch", kPatienceMs));
    ASSERT_TRUE(driver->SetFocused(true));
    std::unique_ptr<DesktopInput> desktop = OpenX11DesktopInput(CurrentX11WindowHandles());
    ASSERT_NE(desktop, nullptr);
    SetKeyMap(0, kGameKeyMap, kKeyMapSize);
    InitInputWith(desktop.get(), nullptr);

    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(driver->ClickButton(1));  // press and release, both before the next sample
        ASSERT_TRUE(driver->SendKey('z', true));
        ASSERT_TRUE(driver->SendKey('z', false));
        ASSERT_TRUE(WaitUntil([&] {  // one frame's message pump, once the key's release (sent last) is in
            for (WindowEvent e; windows->NextEvent(&e);) {
                if (e.type == WindowEvent::kKey && !e.down) return true;
            }
            return false;
        }));
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
