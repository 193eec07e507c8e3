#include "platform/input_test_x11.h"
#include "platform/x11_fake_input.h"

#include <X11/Xlib.h>

#include "platform/threads.h"

namespace {

Display* AsDisplay(void* d) { return static_cast<Display*>(d); }

}  // namespace

std::unique_ptr<InputTestWindow> InputTestWindow::Open(const std::string& displayName, int x, int y, int width,
                                                       int height) {
    Display* display = XOpenDisplay(displayName.c_str());
    if (display == nullptr) return nullptr;
    std::unique_ptr<InputTestWindow> window(new InputTestWindow());
    window->display_ = display;
    XSetWindowAttributes attributes{};
    attributes.event_mask = StructureNotifyMask;
    window->window_ = XCreateWindow(display, DefaultRootWindow(display), x, y, static_cast<unsigned>(width),
                                    static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                                    CWEventMask, &attributes);
    if (window->window_ == 0) return nullptr;
    XMapRaised(display, window->window_);
    // Wait for the map so focus and pointer queries see the window.
    uint64_t deadline = GetTimeMicros() + 5000000;
    XEvent event;
    while (GetTimeMicros() < deadline) {
        if (XCheckTypedWindowEvent(display, window->window_, MapNotify, &event)) break;
        SleepMs(5);
    }
    if (!window->Focus(true)) return nullptr;
    return window;
}

InputTestWindow::~InputTestWindow() {
    Display* display = AsDisplay(display_);
    if (display == nullptr) return;
    if (window_ != 0) XDestroyWindow(display, window_);
    XCloseDisplay(display);
}

X11WindowHandles InputTestWindow::handles() const {
    X11WindowHandles handles;
    handles.display = display_;
    handles.mainWindow = window_;
    handles.renderWindow = window_;
    return handles;
}

bool InputTestWindow::MovePointer(int x, int y) {
    Display* display = AsDisplay(display_);
    XWarpPointer(display, None, window_, 0, 0, 0, 0, x, y);
    XSync(display, False);
    return true;
}

bool InputTestWindow::SetButton(unsigned button, bool down) { return SendFakeButton(display_, button, down); }

bool InputTestWindow::SetKey(unsigned long keysym, bool down) { return SendFakeKey(display_, keysym, down); }

bool InputTestWindow::Focus(bool ours) {
    Display* display = AsDisplay(display_);
    XSetInputFocus(display, ours ? window_ : DefaultRootWindow(display), RevertToParent, CurrentTime);
    XSync(display, False);
    return true;
}
