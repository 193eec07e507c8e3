#include "platform/x11_test_driver.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "platform/threads.h"
#include "platform/x11_fake_input.h"

std::unique_ptr<XvfbServer> XvfbServer::Start(int width, int height, std::string* error) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        if (error) *error = "pipe failed";
        return nullptr;
    }
    std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    pid_t pid = fork();
    if (pid < 0) {
        if (error) *error = "fork failed";
        return nullptr;
    }
    if (pid == 0) {
        // The write end must survive exec for -displayfd.
        int fd = dup(fds[1]);
        int devnull = open("/dev/null", O_WRONLY);
        if (devnull >= 0) {
            dup2(devnull, STDOUT_FILENO);
            dup2(devnull, STDERR_FILENO);
        }
        std::string fdText = std::to_string(fd);
        execlp("Xvfb", "Xvfb", "-displayfd", fdText.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
               "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::unique_ptr<XvfbServer> server(new XvfbServer());
    server->pid_ = pid;
    std::string number;
    uint64_t deadline = GetTimeMicros() + 60000000;  // a minute: a busy machine starts it late
    while (GetTimeMicros() < deadline) {
        pollfd reader{fds[0], POLLIN, 0};
        if (poll(&reader, 1, 100) <= 0) continue;
        char c;
        ssize_t got = read(fds[0], &c, 1);
        if (got <= 0) break;
        if (c == '\n') break;
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        if (error) *error = "Xvfb did not report a display";
        return nullptr;
    }
    server->display_ = ":" + number;
    return server;
}

XvfbServer::~XvfbServer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
}

namespace {

Display* AsDisplay(void* d) { return static_cast<Display*>(d); }

std::string NameOf(Display* display, Window window) {
    Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string name;
    if (XGetWindowProperty(display, window, netWmName, 0, 1024, False, utf8, &type, &format, &count, &after, &data) ==
            Success &&
        data != nullptr) {
        name.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
    }
    return name;
}

// The programs under test destroy their windows while the driver looks at
// them (a dialog closing as the game window opens); Xlib's default handler
// would end the test process on the BadWindow that follows.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

}  // namespace

std::unique_ptr<X11TestDriver> X11TestDriver::Open(const std::string& display) {
    Display* connection = XOpenDisplay(display.c_str());
    if (connection == nullptr) return nullptr;
    XSetErrorHandler(IgnoreXError);
    std::unique_ptr<X11TestDriver> driver(new X11TestDriver());
    driver->display_ = connection;
    return driver;
}

X11TestDriver::~X11TestDriver() {
    if (display_ != nullptr) XCloseDisplay(AsDisplay(display_));
}

bool X11TestDriver::WaitForWindow(const std::string& title, int timeoutMs) {
    Display* display = AsDisplay(display_);
    uint64_t deadline = GetTimeMicros() + static_cast<uint64_t>(timeoutMs) * 1000;
    // The frame may append its timing line to the title after four spaces;
    // a longer name of another window (a dialog's caption) is no match.
    const std::string timed = title + "    ";
    window_ = 0;
    while (GetTimeMicros() < deadline) {
        Window root = DefaultRootWindow(display), parent = 0, *children = nullptr;
        unsigned count = 0;
        if (XQueryTree(display, root, &root, &parent, &children, &count)) {
            for (unsigned i = 0; i < count; ++i) {
                XWindowAttributes attributes;
                if (!XGetWindowAttributes(display, children[i], &attributes)) continue;
                if (attributes.map_state != IsViewable) continue;
                std::string name = NameOf(display, children[i]);
                if (name == title || name.rfind(timed, 0) == 0) window_ = children[i];
            }
            if (children) XFree(children);
        }
        if (window_ != 0) {
            XSetInputFocus(display, window_, RevertToParent, CurrentTime);
            XSync(display, False);
            return true;
        }
        SleepMs(20);
    }
    return false;
}

bool X11TestDriver::SendKey(unsigned long keysym, bool down) { return SendFakeKey(display_, keysym, down); }

bool X11TestDriver::ClickButton(unsigned button) {
    Display* display = AsDisplay(display_);
    if (window_ != 0) {
        XWindowAttributes attributes;
        XGetWindowAttributes(display, window_, &attributes);
        XWarpPointer(display, None, window_, 0, 0, 0, 0, attributes.width / 2, attributes.height / 2);
    }
    return SendFakeButton(display_, button, true) && SendFakeButton(display_, button, false);
}

bool X11TestDriver::RequestClose() { return SendClientMessage("WM_PROTOCOLS", "WM_DELETE_WINDOW"); }

bool X11TestDriver::SendClientMessage(const std::string& type, const std::string& first) {
    if (window_ == 0) return false;
    Display* display = AsDisplay(display_);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window_;
    event.xclient.message_type = XInternAtom(display, type.c_str(), False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, first.c_str(), False));
    event.xclient.data.l[1] = CurrentTime;
    bool ok = XSendEvent(display, window_, False, NoEventMask, &event) != 0;
    XSync(display, False);
    return ok;
}

bool X11TestDriver::SetMapped(bool mapped) {
    if (window_ == 0) return false;
    Display* display = AsDisplay(display_);
    if (mapped) {
        XMapRaised(display, window_);
    } else {
        XUnmapWindow(display, window_);
    }
    XSync(display, False);
    return true;
}

bool X11TestDriver::SetFocused(bool focused) {
    if (window_ == 0) return false;
    Display* display = AsDisplay(display_);
    XSetInputFocus(display, focused ? window_ : DefaultRootWindow(display), RevertToParent, CurrentTime);
    XSync(display, False);
    return true;
}

bool X11TestDriver::WindowSize(int* width, int* height) {
    if (window_ == 0) return false;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(AsDisplay(display_), window_, &attributes)) return false;
    *width = attributes.width;
    *height = attributes.height;
    return true;
}

std::string X11TestDriver::WindowName() {
    return window_ != 0 ? NameOf(AsDisplay(display_), window_) : std::string();
}

bool X11TestDriver::WindowIconSize(int* width, int* height) {
    if (window_ == 0) return false;
    Display* display = AsDisplay(display_);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    *width = *height = 0;
    if (XGetWindowProperty(display, window_, XInternAtom(display, "_NET_WM_ICON", False), 0, 2, False, XA_CARDINAL,
                           &type, &format, &count, &after, &data) != Success) {
        return false;
    }
    if (data != nullptr && count == 2) {
        const long* size = reinterpret_cast<const long*>(data);
        *width = static_cast<int>(size[0]);
        *height = static_cast<int>(size[1]);
    }
    if (data != nullptr) XFree(data);
    return true;
}

bool X11TestDriver::ReadWindowPixel(int x, int y, unsigned* rgb) {
    std::vector<unsigned> pixels;
    if (!ReadWindowRect(x, y, 1, 1, &pixels)) return false;
    *rgb = pixels[0];
    return true;
}

bool X11TestDriver::ReadWindowRect(int x, int y, int width, int height, std::vector<unsigned>* rgb) {
    if (window_ == 0 || width <= 0 || height <= 0) return false;
    Display* display = AsDisplay(display_);
    // Read from the root so a child window (full screen) is included.
    int rootX = 0, rootY = 0;
    Window child = 0;
    if (!XTranslateCoordinates(display, window_, DefaultRootWindow(display), x, y, &rootX, &rootY, &child)) return false;
    XImage* image = XGetImage(display, DefaultRootWindow(display), rootX, rootY, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (image == nullptr) return false;
    rgb->resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
            (*rgb)[static_cast<size_t>(row) * width + column] = static_cast<unsigned>(XGetPixel(image, column, row)) & 0xFFFFFFu;
    XDestroyImage(image);
    return true;
}

bool X11TestDriver::MovePointer(int x, int y) {
    if (window_ == 0) return false;
    Display* display = AsDisplay(display_);
    int rootX = 0, rootY = 0;
    Window child = 0;
    if (!XTranslateCoordinates(display, window_, DefaultRootWindow(display), x, y, &rootX, &rootY, &child)) return false;
    bool ok = XTestFakeMotionEvent(display, DefaultScreen(display), rootX, rootY, CurrentTime) != 0;
    XSync(display, False);
    return ok;
}

bool X11TestDriver::ClickAt(int x, int y) {
    return MovePointer(x, y) && SendFakeButton(display_, 1, true) && SendFakeButton(display_, 1, false);
}
