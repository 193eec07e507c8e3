// A window system with no display: the "window" is an offscreen pbuffer of the
// drawing size, and events come only from what a test queues. Lets the whole
// program run in tests without an X server.
#pragma once

#include <deque>
#include <memory>

#include "platform/gl_headless.h"
#include "platform/window.h"

class HeadlessWindowSystem final : public WindowSystem {
public:
    // Events handed out by NextEvent, oldest first.
    void QueueEvent(const WindowEvent& event) { events_.push_back(event); }
    const std::string& title() const { return title_; }
    int swaps() const { return swaps_; }

    std::vector<DisplayMode> ListDisplayModes() override { return {DisplayMode{1920, 1080}}; }
    bool CreateMainWindow(const WindowParams& params) override;
    void DestroyMainWindow() override {}
    void SetTitle(const std::string& utf8) override { title_ = utf8; }
    bool NextEvent(WindowEvent* event) override;
    void WaitForEvents(int ms) override;
    bool CreateGLContext() override;
    void DestroyGLContext() override { context_.reset(); }
    void* GetGLProcAddress(const char* name) override;
    void SetSwapInterval(int) override {}
    bool SwapBuffers() override;

private:
    std::deque<WindowEvent> events_;
    std::unique_ptr<HeadlessGlContext> context_;
    std::string title_;
    int width_ = 0;
    int height_ = 0;
    int swaps_ = 0;
};
