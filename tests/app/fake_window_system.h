// A window system that records every call into a shared trace and plays back
// scripted events, so frame tests can pin the exact order of work.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/window.h"

class FakeWindowSystem : public WindowSystem {
public:
    explicit FakeWindowSystem(std::vector<std::string>* trace) : trace_(trace) {}

    std::vector<DisplayMode> modes{{1280, 800}};
    bool failCreateWindow = false;
    bool failCreateContext = false;
    std::deque<WindowEvent> events;
    // Called at each swap with the swap's number (1-based); may queue events.
    std::function<void(int swap)> onSwap;
    std::vector<std::string> titles;
    WindowParams createdWith;
    int waits = 0;
    int swaps = 0;

    std::vector<DisplayMode> ListDisplayModes() override {
        Log("ListDisplayModes");
        return modes;
    }
    bool CreateMainWindow(const WindowParams& params) override {
        Log("CreateMainWindow");
        createdWith = params;
        return !failCreateWindow;
    }
    void DestroyMainWindow() override { Log("DestroyMainWindow"); }
    void SetTitle(const std::string& utf8) override { titles.push_back(utf8); }
    bool NextEvent(WindowEvent* event) override {
        if (events.empty()) return false;
        *event = events.front();
        events.pop_front();
        return true;
    }
    void WaitForEvents(int ms) override {
        ++waits;
        Log("Wait" + std::to_string(ms));
        if (onWait) onWait(waits);
    }
    bool CreateGLContext() override {
        Log("CreateGLContext");
        return !failCreateContext;
    }
    void DestroyGLContext() override { Log("DestroyGLContext"); }
    void* GetGLProcAddress(const char*) override { return nullptr; }
    void SetSwapInterval(int interval) override { Log("SwapInterval" + std::to_string(interval)); }
    bool SwapBuffers() override {
        ++swaps;
        Log("Swap");
        if (onSwap) onSwap(swaps);
        return true;
    }

    std::function<void(int wait)> onWait;

private:
    void Log(const std::string& what) { trace_->push_back(what); }
    std::vector<std::string>* trace_;
};
