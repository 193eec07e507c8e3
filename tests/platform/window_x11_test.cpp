// The X11 window system under a private Xvfb: the surface's formats, desktop events as frame events,
// and the held buttons the desktop input reads.
#include <GLES2/gl2.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/input_devices.h"
#include "platform/input_test_x11.h"
#include "platform/threads.h"
#include "platform/window.h"
#include "platform/x11_test_driver.h"
#include "tests/support/wait_until.h"

namespace {

constexpr unsigned long kKeyEscape = 0xff1b;
constexpr unsigned long kKeyF1 = 0xffbe;
constexpr unsigned long kKeyF12 = 0xffc9;
constexpr char kTitle[] = "Window test \xE2\x9C\x93";

std::string Describe(const WindowEvent& e) {
    static const char* const kNames[] = {"key", "activate", "deactivate", "close", "wheel"};
    std::string text = kNames[e.type];
    if (e.type == WindowEvent::kKey) text += " " + std::to_string(e.key) + (e.down ? " down" : " up");
    if (e.type == WindowEvent::kWheel) text += " " + std::to_string(e.wheelX) + " " + std::to_string(e.wheelY);
    return text;
}

class X11WindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        server_ = XvfbServer::Start(1280, 800, &error).release();
        ASSERT_NE(server_, nullptr) << error;
        setenv("DISPLAY", server_->display().c_str(), 1);
    }
    static void TearDownTestSuite() { delete server_, server_ = nullptr; }

    void SetUp() override {
        windows_ = CreateX11WindowSystem();
        WindowParams params;
        params.title = kTitle;
        params.clientWidth = 800, params.clientHeight = 480;
        ASSERT_TRUE(windows_->CreateMainWindow(params));
        ASSERT_TRUE(windows_->CreateGLContext());
        driver_ = X11TestDriver::Open(server_->display());
        ASSERT_NE(driver_, nullptr);
        ASSERT_TRUE(driver_->WaitForWindow(kTitle, kPatienceMs));
        // The map and the focus the driver gave are the first activations; start clean.
        CollectUntil(kPatienceMs, [](const std::vector<std::string>& seen) { return !seen.empty(); });
    }

    void TearDown() override { driver_.reset(), windows_.reset(); }

    std::vector<std::string> Collect(int ms) { return CollectUntil(ms, [](const std::vector<std::string>&) { return false; }); }

    // Events until `done` holds (then 50 ms for stray ones) or `ms` pass: a loaded machine delivers late.
    template <typename Done>
    std::vector<std::string> CollectUntil(int ms, Done done) {
        std::vector<std::string> seen;
        uint64_t deadline = GetTimeMicros() + static_cast<uint64_t>(ms) * 1000;
        bool settling = false;
        while (GetTimeMicros() < deadline) {
            WindowEvent event;
            if (windows_->NextEvent(&event)) seen.push_back(Describe(event));
            else windows_->WaitForEvents(10);
            if (!settling && done(seen)) {
                settling = true;
                deadline = std::min(deadline, GetTimeMicros() + 50000);
            }
        }
        return seen;
    }

    std::vector<std::string> CollectCount(size_t count) {
        return CollectUntil(kPatienceMs, [count](const std::vector<std::string>& seen) { return seen.size() >= count; });
    }

    static XvfbServer* server_;
    std::unique_ptr<WindowSystem> windows_;
    std::unique_ptr<X11TestDriver> driver_;
};

XvfbServer* X11WindowTest::server_ = nullptr;

TEST_F(X11WindowTest, SurfaceIsExactlyRgb888WithoutAlphaAndDepth16) {
    GLint bits[5] = {};
    const GLenum names[5] = {GL_RED_BITS, GL_GREEN_BITS, GL_BLUE_BITS, GL_ALPHA_BITS, GL_DEPTH_BITS};
    for (int i = 0; i < 5; ++i) glGetIntegerv(names[i], &bits[i]);
    EXPECT_EQ(std::vector<GLint>(bits, bits + 5), (std::vector<GLint>{8, 8, 8, 0, 16}));
    EXPECT_EQ(driver_->WindowName(), kTitle);  // UTF-8, as given
}

TEST_F(X11WindowTest, KeysAndWheelButtonsBecomeFrameEvents) {
    struct Case { unsigned long keysym; unsigned button; std::vector<std::string> events; } cases[] = {
        {kKeyEscape, 0, {"key 0 down", "key 0 up"}},
        {kKeyF1, 0, {"key 1 down", "key 1 up"}},
        {kKeyF12, 0, {"key 12 down", "key 12 up"}},
        {'a', 0, {"key -1 down", "key -1 up"}},  // passed on, the frame drops it
        {0, 4, {"wheel 0 1"}}, {0, 5, {"wheel 0 -1"}}, {0, 6, {"wheel -1 0"}}, {0, 7, {"wheel 1 0"}},
        {0, 1, {}},  // other buttons are input's business, not the frame's
    };
    for (const Case& c : cases) {
        if (c.button == 0) {
            ASSERT_TRUE(driver_->SendKey(c.keysym, true));
            ASSERT_TRUE(driver_->SendKey(c.keysym, false));
        } else {
            ASSERT_TRUE(driver_->ClickButton(c.button));
        }
        EXPECT_EQ(c.events.empty() ? Collect(150) : CollectCount(c.events.size()), c.events)
            << std::hex << c.keysym << " button " << c.button;
    }
}

TEST_F(X11WindowTest, FocusAndIconifyingAreActivation) {
    // The pointer rests inside the window, so losing the focus to the root
    // also reports a pointer focus-in, which is not activation.
    ASSERT_TRUE(driver_->ClickButton(1));
    Collect(50);
    ASSERT_TRUE(driver_->SetFocused(false));
    EXPECT_EQ(CollectCount(1), (std::vector<std::string>{"deactivate"}));
    ASSERT_TRUE(driver_->SetFocused(true));
    EXPECT_EQ(CollectCount(1), (std::vector<std::string>{"activate"}));

    ASSERT_TRUE(driver_->SetMapped(false));
    std::vector<std::string> unmapped = CollectCount(1);
    ASSERT_FALSE(unmapped.empty());
    for (const std::string& e : unmapped) EXPECT_EQ(e, "deactivate");
    ASSERT_TRUE(driver_->SetMapped(true));
    EXPECT_EQ(CollectCount(1), (std::vector<std::string>{"activate"}));
}

TEST_F(X11WindowTest, AHeldKeyRepeatsPressesOnly) {
    // The server repeats a held key after its auto-repeat delay (660 ms by default).
    ASSERT_TRUE(driver_->SendKey(kKeyF1, true));
    std::vector<std::string> held = CollectUntil(kPatienceMs, [](const std::vector<std::string>& seen) { return seen.size() >= 3; });
    ASSERT_TRUE(driver_->SendKey(kKeyF1, false));
    std::vector<std::string> released = CollectUntil(kPatienceMs, [](const std::vector<std::string>& seen) {
        return !seen.empty() && seen.back() == "key 1 up";
    });
    ASSERT_GE(held.size(), 2u) << "no auto-repeat seen";
    for (const std::string& e : held) EXPECT_EQ(e, "key 1 down");
    // Repeats already queued when the key went up may come first; then one release only.
    ASSERT_TRUE(!released.empty() && released.back() == "key 1 up");
    for (size_t i = 0; i + 1 < released.size(); ++i) EXPECT_EQ(released[i], "key 1 down");
}

TEST_F(X11WindowTest, OnlyTheDeleteWindowProtocolIsTheCloseBox) {
    ASSERT_TRUE(driver_->SendClientMessage("QM_OTHER_MESSAGE", "WM_DELETE_WINDOW"));
    ASSERT_TRUE(driver_->SendClientMessage("WM_PROTOCOLS", "WM_TAKE_FOCUS"));
    ASSERT_TRUE(driver_->RequestClose());
    // Messages arrive in order: nothing may come before the real close.
    EXPECT_EQ(CollectCount(1), (std::vector<std::string>{"close"}));
}

// With no press latched since the last sample, the pointer state alone tells a held button.
TEST_F(X11WindowTest, DesktopInputReadsHeldButtons) {
    std::unique_ptr<InputTestWindow> window = InputTestWindow::Open(server_->display(), 0, 0, 320, 200);
    ASSERT_NE(window, nullptr);
    std::unique_ptr<DesktopInput> desktop = OpenX11DesktopInput(window->handles());
    ASSERT_NE(desktop, nullptr);
    for (unsigned button : {1u, 2u, 3u}) {
        ASSERT_TRUE(window->SetButton(button, true));
        PointerSample sample;
        ASSERT_TRUE(desktop->ReadPointer(&sample));
        EXPECT_EQ((std::vector<bool>{sample.left, sample.middle, sample.right}),
                  (std::vector<bool>{button == 1, button == 2, button == 3}));
        ASSERT_TRUE(window->SetButton(button, false));
    }
}

}  // namespace
