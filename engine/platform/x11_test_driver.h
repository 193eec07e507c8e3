// Drives whole programs under a private X server in tests: starts Xvfb on a
// free display number, finds a program's window, types keys into it through
// XTest and asks it to close as a window manager would.
#pragma once

#include <memory>
#include <string>
#include <vector>

class XvfbServer {
public:
    // Null on failure; `error` then says why.
    static std::unique_ptr<XvfbServer> Start(int width, int height, std::string* error);
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // ":N", for DISPLAY.
    const std::string& display() const { return display_; }

private:
    XvfbServer() = default;
    int pid_ = -1;
    std::string display_;
};

class X11TestDriver {
public:
    static std::unique_ptr<X11TestDriver> Open(const std::string& display);
    ~X11TestDriver();
    X11TestDriver(const X11TestDriver&) = delete;
    X11TestDriver& operator=(const X11TestDriver&) = delete;

    // Waits for a mapped top-level window whose name is `title` (or `title`
    // and the frame's timing line); gives it the focus.
    bool WaitForWindow(const std::string& title, int timeoutMs);
    // Presses or releases the key of an X keysym.
    bool SendKey(unsigned long keysym, bool down);
    // Presses and releases a pointer button (4-7 turn the wheel) with the pointer on the window's centre.
    bool ClickButton(unsigned button);
    // Moves the pointer to (x, y) of the found window, as the mouse would, then clicks the left button there.
    bool MovePointer(int x, int y);
    bool ClickAt(int x, int y);
    // Sends WM_DELETE_WINDOW to the found window, as its close box would.
    bool RequestClose();
    // Sends a client message of atom `type` whose first word is the atom `first`.
    bool SendClientMessage(const std::string& type, const std::string& first);
    // Unmaps or maps the found window again, as iconifying and restoring do.
    bool SetMapped(bool mapped);
    // Gives the keyboard focus to the found window, or to the root window.
    bool SetFocused(bool focused);
    // The found window's size and its UTF-8 name.
    bool WindowSize(int* width, int* height);
    std::string WindowName();
    // The size of the found window's _NET_WM_ICON (0 x 0 when it has none).
    bool WindowIconSize(int* width, int* height);
    // The colour of the screen pixel at (x, y) of the found window, as 0xRRGGBB.
    bool ReadWindowPixel(int x, int y, unsigned* rgb);
    // The screen pixels of the rectangle at (x, y) of the found window, row by row, as 0xRRGGBB.
    bool ReadWindowRect(int x, int y, int width, int height, std::vector<unsigned>* rgb);

private:
    X11TestDriver() = default;
    void* display_ = nullptr;
    unsigned long window_ = 0;
};
