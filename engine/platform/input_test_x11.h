// Test support for the input devices: a plain window of its own on a given X
// display, and synthetic pointer and key input through XTest, so tests can
// check what the desktop input reads without the engine's window system.
#pragma once

#include <memory>
#include <string>

#include "platform/x11_window_handles.h"

class InputTestWindow {
public:
    // A mapped, focused window of the given size at (x, y) of the screen; null on failure.
    static std::unique_ptr<InputTestWindow> Open(const std::string& display, int x, int y, int width, int height);
    ~InputTestWindow();
    InputTestWindow(const InputTestWindow&) = delete;
    InputTestWindow& operator=(const InputTestWindow&) = delete;

    X11WindowHandles handles() const;
    // Moves the pointer to (x, y) of the window.
    bool MovePointer(int x, int y);
    bool SetButton(unsigned button, bool down);
    bool SetKey(unsigned long keysym, bool down);
    // Gives the keyboard focus to this window, or to the root window (so this one is inactive).
    bool Focus(bool ours);

private:
    InputTestWindow() = default;
    void* display_ = nullptr;
    unsigned long window_ = 0;
};
