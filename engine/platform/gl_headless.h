// An offscreen OpenGL ES 2.0 context with no window system: Mesa's surfaceless
// EGL platform and a pbuffer of the given size, which is framebuffer 0 while
// current. Used by tools and tests that draw and read pixels back.
#pragma once

#include <memory>
#include <string>

class HeadlessGlContext {
public:
    // Null on failure; `error` then says which step failed.
    static std::unique_ptr<HeadlessGlContext> Create(int width, int height, std::string* error);
    ~HeadlessGlContext();
    HeadlessGlContext(const HeadlessGlContext&) = delete;
    HeadlessGlContext& operator=(const HeadlessGlContext&) = delete;

    bool MakeCurrent();
    void* GetProcAddress(const char* name) const;
    int width() const { return width_; }
    int height() const { return height_; }

private:
    HeadlessGlContext() = default;
    void* display_ = nullptr;
    void* surface_ = nullptr;
    void* context_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};
