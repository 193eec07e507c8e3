// The optional multisample framebuffer that the 3D pass draws into before it is
// resolved into the window. Which entry points exist is decided from the GL
// version and extension names: Mesa hands out a callable stub for any name, so
// a non-null function pointer proves nothing.
#pragma once

#include <functional>

enum class MultisampleApi {
    kNone,
    kCore,   // OpenGL ES 3.0 or later: glRenderbufferStorageMultisample, glBlitFramebuffer
    kAngle,  // GL_ANGLE_framebuffer_multisample + GL_ANGLE_framebuffer_blit
    kNv,     // GL_NV_framebuffer_multisample + GL_NV_framebuffer_blit
};

MultisampleApi DetectMultisampleApi(const char* glVersion, const char* glExtensions);

// The sample count to ask for: 1 when more than one is wanted but no API
// exists, else `wanted` clamped to `maxSamples`.
int ChooseSampleCount(int wanted, int maxSamples, MultisampleApi api);

using GlProcLookup = std::function<void*(const char* name)>;

class MultisampleBuffer {
public:
    ~MultisampleBuffer() { Destroy(); }

    // Queries the maximum sample count, clamps `wanted` and, when more than one
    // sample remains, makes the framebuffer. An incomplete framebuffer is logged
    // and dropped. Returns the sample count in force (1 = none made).
    int Create(int wanted, int width, int height, MultisampleApi api, const GlProcLookup& lookup);
    // Deletes what exists (tolerates nothing made).
    void Destroy();

    bool active() const { return framebuffer_ != 0; }
    // Binds the multisample framebuffer for drawing.
    void Bind() const;
    // Binds framebuffer 0 and resolves the multisample image into it.
    void ResolveToWindow() const;

private:
    using StorageFn = void (*)(unsigned target, int samples, unsigned format, int width, int height);
    using BlitFn = void (*)(int, int, int, int, int, int, int, int, unsigned mask, unsigned filter);

    unsigned framebuffer_ = 0;
    unsigned colour_ = 0;
    unsigned depth_ = 0;
    int width_ = 0;
    int height_ = 0;
    BlitFn blit_ = nullptr;
};
