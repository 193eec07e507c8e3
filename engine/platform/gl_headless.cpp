#include "platform/gl_headless.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include "platform/egl_config.h"

std::unique_ptr<HeadlessGlContext> HeadlessGlContext::Create(int width, int height, std::string* error) {
    auto fail = [error](const char* step) {
        if (error != nullptr) *error = step;
        return nullptr;
    };
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay == nullptr) return fail("eglGetPlatformDisplayEXT is missing");
    EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY) return fail("no surfaceless EGL display");
    EGLint major = 0, minor = 0;
    if (!eglInitialize(display, &major, &minor)) return fail("eglInitialize failed");

    std::unique_ptr<HeadlessGlContext> gl(new HeadlessGlContext());
    gl->display_ = display;
    gl->width_ = width;
    gl->height_ = height;

    EGLConfig config = nullptr;
    if (!ChooseEngineEglConfig(display, EGL_PBUFFER_BIT, &config)) return fail("no 8-8-8 pbuffer config");
    const EGLint pbufferAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    EGLSurface surface = eglCreatePbufferSurface(display, config, pbufferAttributes);
    if (surface == EGL_NO_SURFACE) return fail("eglCreatePbufferSurface failed");
    gl->surface_ = surface;
    eglBindAPI(EGL_OPENGL_ES_API);
    const EGLint contextAttributes[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT) return fail("eglCreateContext failed");
    gl->context_ = context;
    if (!gl->MakeCurrent()) return fail("eglMakeCurrent failed");
    return gl;
}

HeadlessGlContext::~HeadlessGlContext() {
    if (display_ == nullptr) return;
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context_ != nullptr) eglDestroyContext(display_, context_);
    if (surface_ != nullptr) eglDestroySurface(display_, surface_);
    eglTerminate(display_);
}

bool HeadlessGlContext::MakeCurrent() {
    return eglMakeCurrent(display_, surface_, surface_, context_) == EGL_TRUE;
}

void* HeadlessGlContext::GetProcAddress(const char* name) const {
    return reinterpret_cast<void*>(eglGetProcAddress(name));
}
