// The main window on X11 with an EGL window surface. Full screen keeps the
// desktop's display mode: a full-screen top-level on a black ground holds a
// child window of the drawing size, centred.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "platform/egl_config.h"
#include "platform/press_latch.h"
#include "platform/window.h"
#include "platform/x11_window_handles.h"

int FrameKeyFromKeysym(unsigned long keysym) {
    if (keysym == XK_Escape) return 0;
    if (keysym >= XK_F1 && keysym <= XK_F12) return static_cast<int>(keysym - XK_F1) + 1;
    return -1;
}

namespace {

// The main window's handles while it exists, for the input devices.
X11WindowHandles g_currentHandles;

constexpr int kIconSize = 48;

class X11WindowSystem final : public WindowSystem {
public:
    ~X11WindowSystem() override {
        DestroyGLContext();
        DestroyMainWindow();
    }

    std::vector<DisplayMode> ListDisplayModes() override {
        // The desktop's own mode is the only one offered: the display mode is never changed.
        if (!OpenDisplay()) return {};
        int screen = DefaultScreen(display_);
        return {DisplayMode{DisplayWidth(display_, screen), DisplayHeight(display_, screen)}};
    }

    std::string CreateFailureReason() const override { return failure_; }

    bool CreateMainWindow(const WindowParams& params) override {
        failure_.clear();
        if (mainWindow_ != 0) return Fail("the main window exists already");
        if (!OpenDisplay()) {
            const char* name = getenv("DISPLAY");
            return Fail(std::string("no X display (DISPLAY=\"") + (name ? name : "") + "\")");
        }
        if (!InitEgl()) return false;
        XVisualInfo* visual = ConfigVisual();
        if (visual == nullptr) return Fail("no X visual for the EGL configuration");
        int screen = DefaultScreen(display_);
        Window root = RootWindow(display_, screen);
        colormap_ = XCreateColormap(display_, root, visual->visual, AllocNone);

        XSetWindowAttributes attributes{};
        attributes.colormap = colormap_;
        attributes.background_pixel = BlackPixel(display_, screen);
        attributes.border_pixel = 0;
        attributes.event_mask = KeyPressMask | KeyReleaseMask | ButtonPressMask | FocusChangeMask |
                                StructureNotifyMask | ExposureMask;
        unsigned long mask = CWColormap | CWBackPixel | CWBorderPixel | CWEventMask;

        int width = params.fullScreen ? params.mode.width : params.clientWidth;
        int height = params.fullScreen ? params.mode.height : params.clientHeight;
        int x = params.fullScreen ? 0 : (DisplayWidth(display_, screen) - width) / 2;
        int y = params.fullScreen ? 0 : (DisplayHeight(display_, screen) - height) / 2;
        mainWindow_ = XCreateWindow(display_, root, x, y, static_cast<unsigned>(width),
                                    static_cast<unsigned>(height), 0, visual->depth, InputOutput,
                                    visual->visual, mask, &attributes);
        if (mainWindow_ == 0) {
            XFree(visual);
            return Fail("the X server refused the window");
        }
        SetWindowProperties(params, x, y, width, height);

        if (params.fullScreen) {
            XSetWindowAttributes childAttributes{};
            childAttributes.colormap = colormap_;
            childAttributes.background_pixel = BlackPixel(display_, screen);
            childAttributes.border_pixel = 0;
            childWindow_ = XCreateWindow(
                display_, mainWindow_, (params.mode.width - params.clientWidth) / 2,
                (params.mode.height - params.clientHeight) / 2, static_cast<unsigned>(params.clientWidth),
                static_cast<unsigned>(params.clientHeight), 0, visual->depth, InputOutput, visual->visual,
                CWColormap | CWBackPixel | CWBorderPixel, &childAttributes);
            if (childWindow_ == 0) {
                XFree(visual);
                return Fail("the X server refused the full-screen drawing area");
            }
            XMapWindow(display_, childWindow_);
        }
        XFree(visual);
        renderWindow_ = childWindow_ != 0 ? childWindow_ : mainWindow_;

        Bool supported = False;
        XkbSetDetectableAutoRepeat(display_, True, &supported);
        XMapRaised(display_, mainWindow_);
        XFlush(display_);
        g_currentHandles = X11WindowHandles{display_, mainWindow_, renderWindow_};
        return true;
    }

    void DestroyMainWindow() override {
        if (display_ == nullptr) return;
        if (g_currentHandles.display == display_) g_currentHandles = X11WindowHandles{};
        TerminateEgl();
        if (childWindow_ != 0) XDestroyWindow(display_, childWindow_);
        if (mainWindow_ != 0) XDestroyWindow(display_, mainWindow_);
        if (colormap_ != 0) XFreeColormap(display_, colormap_);
        childWindow_ = mainWindow_ = renderWindow_ = 0;
        colormap_ = 0;
        XCloseDisplay(display_);
        display_ = nullptr;
    }

    void SetTitle(const std::string& utf8) override {
        if (mainWindow_ == 0) return;
        Atom utf8String = XInternAtom(display_, "UTF8_STRING", False);
        Atom netWmName = XInternAtom(display_, "_NET_WM_NAME", False);
        XChangeProperty(display_, mainWindow_, netWmName, utf8String, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<int>(utf8.size()));
        XStoreName(display_, mainWindow_, utf8.c_str());
        XFlush(display_);
    }

    bool NextEvent(WindowEvent* event) override {
        if (display_ == nullptr) return false;
        while (XPending(display_) > 0) {
            XEvent raw;
            XNextEvent(display_, &raw);
            if (Translate(raw, event)) return true;
        }
        return false;
    }

    void WaitForEvents(int ms) override {
        if (display_ == nullptr) {
            poll(nullptr, 0, ms);
            return;
        }
        XFlush(display_);
        if (XPending(display_) > 0) return;
        pollfd connection{ConnectionNumber(display_), POLLIN, 0};
        poll(&connection, 1, ms);
    }

    bool CreateGLContext() override {
        if (renderWindow_ == 0 || eglDisplay_ == EGL_NO_DISPLAY) return false;
        eglBindAPI(EGL_OPENGL_ES_API);
        surface_ = eglCreateWindowSurface(eglDisplay_, config_, static_cast<EGLNativeWindowType>(renderWindow_),
                                          nullptr);
        if (surface_ == EGL_NO_SURFACE) return false;
        const EGLint contextAttributes[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
        context_ = eglCreateContext(eglDisplay_, config_, EGL_NO_CONTEXT, contextAttributes);
        if (context_ == EGL_NO_CONTEXT) return false;
        return eglMakeCurrent(eglDisplay_, surface_, surface_, context_) == EGL_TRUE;
    }

    void DestroyGLContext() override {
        if (eglDisplay_ == EGL_NO_DISPLAY) return;
        eglMakeCurrent(eglDisplay_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (context_ != EGL_NO_CONTEXT) eglDestroyContext(eglDisplay_, context_);
        if (surface_ != EGL_NO_SURFACE) eglDestroySurface(eglDisplay_, surface_);
        context_ = EGL_NO_CONTEXT;
        surface_ = EGL_NO_SURFACE;
        TerminateEgl();
    }

    void* GetGLProcAddress(const char* name) override {
        return reinterpret_cast<void*>(eglGetProcAddress(name));
    }

    void SetSwapInterval(int interval) override {
        if (eglDisplay_ != EGL_NO_DISPLAY) eglSwapInterval(eglDisplay_, interval);
    }

    bool SwapBuffers() override {
        return surface_ != EGL_NO_SURFACE && eglSwapBuffers(eglDisplay_, surface_) == EGL_TRUE;
    }

private:
    bool Fail(std::string reason) {
        failure_ = std::move(reason);
        return false;
    }

    bool OpenDisplay() {
        if (display_ == nullptr) display_ = XOpenDisplay(nullptr);
        return display_ != nullptr;
    }

    bool InitEgl() {
        if (eglDisplay_ != EGL_NO_DISPLAY) return true;
        // The X11 platform explicitly: the default display may pick another platform.
        auto getPlatformDisplay =
            reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
        EGLDisplay egl = EGL_NO_DISPLAY;
        if (getPlatformDisplay != nullptr) egl = getPlatformDisplay(EGL_PLATFORM_X11_KHR, display_, nullptr);
        if (egl == EGL_NO_DISPLAY) egl = eglGetDisplay(static_cast<EGLNativeDisplayType>(display_));
        if (egl == EGL_NO_DISPLAY) return Fail("no EGL display on the X display");
        EGLint major = 0, minor = 0;
        if (!eglInitialize(egl, &major, &minor)) return Fail("EGL could not start on the X display");
        eglDisplay_ = egl;
        if (!ChooseEngineEglConfig(eglDisplay_, EGL_WINDOW_BIT, &config_)) {
            TerminateEgl();
            return Fail("no EGL configuration with 8-8-8 colour, no alpha, 16-bit depth and OpenGL ES 2");
        }
        return true;
    }

    void TerminateEgl() {
        if (eglDisplay_ == EGL_NO_DISPLAY) return;
        eglTerminate(eglDisplay_);
        eglDisplay_ = EGL_NO_DISPLAY;
    }

    XVisualInfo* ConfigVisual() {
        EGLint visualId = 0;
        if (!eglGetConfigAttrib(eglDisplay_, config_, EGL_NATIVE_VISUAL_ID, &visualId)) return nullptr;
        XVisualInfo wanted{};
        wanted.visualid = static_cast<VisualID>(visualId);
        int count = 0;
        XVisualInfo* found = XGetVisualInfo(display_, VisualIDMask, &wanted, &count);
        if (found == nullptr || count < 1) return nullptr;
        return found;
    }

    void SetWindowProperties(const WindowParams& params, int x, int y, int width, int height) {
        XSizeHints* hints = XAllocSizeHints();
        hints->flags = PPosition | PMinSize | PMaxSize;
        hints->x = x;
        hints->y = y;
        hints->min_width = hints->max_width = width;
        hints->min_height = hints->max_height = height;
        XClassHint* classHint = XAllocClassHint();
        std::string className = params.title.empty() ? "Quillmoor" : params.title;
        classHint->res_name = const_cast<char*>("quillmoor");
        classHint->res_class = const_cast<char*>(className.c_str());
        XSetWMProperties(display_, mainWindow_, nullptr, nullptr, nullptr, 0, hints, nullptr, classHint);
        XFree(hints);
        XFree(classHint);
        SetTitle(params.title);

        protocols_ = XInternAtom(display_, "WM_PROTOCOLS", False);
        deleteWindow_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(display_, mainWindow_, &deleteWindow_, 1);

        std::vector<uint32_t> icon = WindowIconPixels(params.iconId, kIconSize);
        if (!icon.empty()) {
            // _NET_WM_ICON is width, height, then pixels, each as a long.
            std::vector<unsigned long> property = {kIconSize, kIconSize};
            property.insert(property.end(), icon.begin(), icon.end());
            XChangeProperty(display_, mainWindow_, XInternAtom(display_, "_NET_WM_ICON", False), XA_CARDINAL, 32,
                            PropModeReplace, reinterpret_cast<unsigned char*>(property.data()),
                            static_cast<int>(property.size()));
        }

        if (params.fullScreen) {
            Atom state = XInternAtom(display_, "_NET_WM_STATE", False);
            Atom fullScreen = XInternAtom(display_, "_NET_WM_STATE_FULLSCREEN", False);
            XChangeProperty(display_, mainWindow_, state, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<unsigned char*>(&fullScreen), 1);
        }
    }

    bool Translate(const XEvent& raw, WindowEvent* event) {
        *event = WindowEvent{};
        switch (raw.type) {
            case KeyPress:
            case KeyRelease: {
                XKeyEvent key = raw.xkey;
                if (raw.type == KeyPress) LatchKeyPress(key.keycode);
                event->type = WindowEvent::kKey;
                event->key = FrameKeyFromKeysym(XLookupKeysym(&key, 0));
                event->down = raw.type == KeyPress;
                return true;
            }
            case ButtonPress: {
                unsigned button = raw.xbutton.button;
                LatchButtonPress(button);
                if (button < 4 || button > 7) return false;
                event->type = WindowEvent::kWheel;
                if (button == 4) event->wheelY = 1;
                if (button == 5) event->wheelY = -1;
                if (button == 6) event->wheelX = -1;
                if (button == 7) event->wheelX = 1;
                return true;
            }
            case FocusIn:
            case FocusOut: {
                // Grabs (a window manager's task switcher) and pointer focus are not activation.
                const XFocusChangeEvent& focus = raw.xfocus;
                if (focus.mode == NotifyGrab || focus.mode == NotifyUngrab) return false;
                if (focus.detail == NotifyPointer || focus.detail == NotifyInferior) return false;
                if (raw.type == FocusOut) ClearLatchedPresses();
                event->type = raw.type == FocusIn ? WindowEvent::kActivate : WindowEvent::kDeactivate;
                return true;
            }
            case MapNotify:
            case UnmapNotify:
                if (raw.xany.window != mainWindow_) return false;
                event->type = raw.type == MapNotify ? WindowEvent::kActivate : WindowEvent::kDeactivate;
                return true;
            case ClientMessage:
                if (raw.xclient.message_type != protocols_ || raw.xclient.format != 32 ||
                    static_cast<Atom>(raw.xclient.data.l[0]) != deleteWindow_) {
                    return false;
                }
                event->type = WindowEvent::kClose;
                return true;
            default:
                return false;
        }
    }

    std::string failure_;
    Display* display_ = nullptr;
    Window mainWindow_ = 0;
    Window childWindow_ = 0;
    Window renderWindow_ = 0;
    Colormap colormap_ = 0;
    Atom protocols_ = 0;
    Atom deleteWindow_ = 0;
    EGLDisplay eglDisplay_ = EGL_NO_DISPLAY;
    EGLConfig config_ = nullptr;
    EGLSurface surface_ = EGL_NO_SURFACE;
    EGLContext context_ = EGL_NO_CONTEXT;
};

}  // namespace

X11WindowHandles CurrentX11WindowHandles() { return g_currentHandles; }

std::unique_ptr<WindowSystem> CreateX11WindowSystem() { return std::make_unique<X11WindowSystem>(); }
