#include "platform/egl_config.h"

#include <cstddef>
#include <vector>

bool ChooseEngineEglConfig(EGLDisplay display, EGLint surfaceType, EGLConfig* config) {
    const EGLint attributes[] = {
        EGL_RED_SIZE, 8,  EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 0,
        EGL_DEPTH_SIZE, 16, EGL_SURFACE_TYPE, surfaceType, EGL_RENDERABLE_TYPE, EGL_OPENGL_ES2_BIT,
        EGL_NONE,
    };
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, nullptr, 0, &count) || count < 1) return false;
    std::vector<EGLConfig> configs(static_cast<std::size_t>(count));
    if (!eglChooseConfig(display, attributes, configs.data(), count, &count) || count < 1) return false;
    configs.resize(static_cast<std::size_t>(count));

    auto attribute = [display](EGLConfig c, EGLint name) {
        EGLint value = -1;
        eglGetConfigAttrib(display, c, name, &value);
        return value;
    };
    auto exactColour = [&](EGLConfig c) {
        return attribute(c, EGL_RED_SIZE) == 8 && attribute(c, EGL_GREEN_SIZE) == 8 &&
               attribute(c, EGL_BLUE_SIZE) == 8 && attribute(c, EGL_ALPHA_SIZE) == 0;
    };
    // Exact colour and exact depth first, then exact colour with any depth.
    for (EGLConfig c : configs) {
        if (exactColour(c) && attribute(c, EGL_DEPTH_SIZE) == 16) {
            *config = c;
            return true;
        }
    }
    for (EGLConfig c : configs) {
        if (exactColour(c)) {
            *config = c;
            return true;
        }
    }
    return false;
}
