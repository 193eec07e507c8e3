// A window system that traces every call and plays back scripted events.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/window.h"

class FakeWindowSystem : public WindowSystem {
public:
    explicit FakeWindowSystem(std::vector<std::string>* trace) : trace_(trace) {}

    std::deque<WindowEvent> events;
    // Called at each swap or wait with its number (1-based); may queue events.
    std::function<void(int swap)> onSwap;
    std::function<void(int wait)> onWait;
    int waits = 0, swaps = 0;

    std::vector<DisplayMode> ListDisplayModes() override { return Log("ListDisplayModes"), std::vector<DisplayMode>{{1280, 800}}; }
    bool CreateMainWindow(const WindowParams&) override { return Log("CreateMainWindow"), true; }
    void DestroyMainWindow() override { Log("DestroyMainWindow"); }
    void SetTitle(const std::string&) override {}
    bool NextEvent(WindowEvent* event) override {
        if (events.empty()) return false;
        *event = events.front(), events.pop_front();
        return true;
    }
    void WaitForEvents(int ms) override {
        ++waits;
        Log("Wait" + std::to_string(ms));
        if (onWait) onWait(waits);
    }
    bool CreateGLContext() override { return Log("CreateGLContext"), true; }
    void DestroyGLContext() override { Log("DestroyGLContext"); }
    void* GetGLProcAddress(const char*) override { return nullptr; }
    void SetSwapInterval(int interval) override { Log("SwapInterval" + std::to_string(interval)); }
    bool SwapBuffers() override {
        ++swaps;
        Log("Swap");
        if (onSwap) onSwap(swaps);
        return true;
    }

private:
    void Log(const std::string& what) { trace_->push_back(what); }
    std::vector<std::string>* trace_;
};
