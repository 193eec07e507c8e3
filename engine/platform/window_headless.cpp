#include "platform/window_headless.h"

#include <GLES2/gl2.h>

#include "platform/threads.h"

bool HeadlessWindowSystem::CreateMainWindow(const WindowParams& params) {
    width_ = params.clientWidth;
    height_ = params.clientHeight;
    title_ = params.title;
    return width_ > 0 && height_ > 0;
}

bool HeadlessWindowSystem::NextEvent(WindowEvent* event) {
    if (events_.empty()) return false;
    *event = events_.front();
    events_.pop_front();
    return true;
}

void HeadlessWindowSystem::WaitForEvents(int ms) { SleepMs(static_cast<uint32_t>(ms)); }

bool HeadlessWindowSystem::CreateGLContext() {
    std::string error;
    context_ = HeadlessGlContext::Create(width_, height_, &error);
    return context_ != nullptr;
}

void* HeadlessWindowSystem::GetGLProcAddress(const char* name) {
    return context_ ? context_->GetProcAddress(name) : nullptr;
}

bool HeadlessWindowSystem::SwapBuffers() {
    if (!context_) return false;
    // A pbuffer has nothing to present; finishing keeps frame timing honest.
    glFinish();
    ++swaps_;
    return true;
}
