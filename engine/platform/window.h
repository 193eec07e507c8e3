// The main window and its OpenGL ES 2.0 surface: what the application frame
// needs of the windowing system. One implementation talks to X11 through EGL;
// tests put a fake in its place to trace the frame.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct DisplayMode {
    int width = 0;
    int height = 0;
};

struct WindowParams {
    std::string title;  // UTF-8
    int iconId = 0;     // 0 = the desktop's standard icon; else the game's own (see WindowIconPixels)
    int clientWidth = 0;
    int clientHeight = 0;
    bool fullScreen = false;
    // Full screen only: the display mode chosen by the frame; the drawing area
    // is a clientWidth x clientHeight child centred in it on a black ground.
    DisplayMode mode;
};

struct WindowEvent {
    enum Type { kKey, kActivate, kDeactivate, kClose, kWheel };
    Type type = kKey;
    int key = -1;      // kKey: 0 = Esc, 1..12 = F1..F12, -1 = any other key
    bool down = false; // kKey: pressed (held keys repeat presses only)
    int wheelX = 0;    // kWheel: +1 / -1 per notch, horizontal
    int wheelY = 0;    // kWheel: +1 / -1 per notch, vertical (+1 = away from the user)
};

class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // The display modes the screen offers, in the system's order (at most 256).
    virtual std::vector<DisplayMode> ListDisplayModes() = 0;
    virtual bool CreateMainWindow(const WindowParams& params) = 0;
    // Why the last CreateMainWindow failed, in words for the log ("" when unknown).
    virtual std::string CreateFailureReason() const { return {}; }
    // Tolerates a window that was never made.
    virtual void DestroyMainWindow() = 0;
    virtual void SetTitle(const std::string& utf8) = 0;

    // Takes the next pending event without waiting; false when none waits.
    virtual bool NextEvent(WindowEvent* event) = 0;
    // Sleeps until an event arrives or `ms` milliseconds pass.
    virtual void WaitForEvents(int ms) = 0;

    // EGL display, an exactly 8-8-8 colour / no alpha / 16-bit depth config,
    // the window surface and a client-version-2 context made current.
    virtual bool CreateGLContext() = 0;
    // Tolerates what was never made.
    virtual void DestroyGLContext() = 0;
    virtual void* GetGLProcAddress(const char* name) = 0;
    virtual void SetSwapInterval(int interval) = 0;
    virtual bool SwapBuffers() = 0;
};

// The X11 + EGL implementation (library qm_window).
std::unique_ptr<WindowSystem> CreateX11WindowSystem();

// The game's window icon for a non-zero icon id: `size` x `size` pixels as
// 0xAARRGGBB, row by row from the top. The picture is drawn by code, so no
// resource file has to ship with the program.
std::vector<uint32_t> WindowIconPixels(int iconId, int size);

// Maps an X11 keysym to the frame's key numbers: 0 Esc, 1..12 F1..F12, else -1.
int FrameKeyFromKeysym(unsigned long keysym);
