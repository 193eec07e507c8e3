#include "app/app_frame.h"

#include <GLES2/gl2.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/display_mode_choice.h"
#include "app/frame_capture.h"
#include "app/frame_pacer.h"
#include "app/frame_profiler.h"
#include "app/multisample.h"
#include "core/text_utf.h"
#include "platform/debug_log.h"
#include "platform/message_box.h"

namespace {

constexpr int kTitleLineFrames = 30;
constexpr size_t kTitleBufferSize = 256;
constexpr int kIdleWaitMs = 10;

// Services in start order; a failed start-up stops the ones that ran, in reverse.
enum StartedService { kNoService, kTasks, kFileSystem, kSound, kGraphics, kInput };

struct AppState {
    AppDescriptor descriptor;
    WindowSystem* windows = nullptr;
    EngineServices services;
    AppHandle app = nullptr;
    bool active = false;
    bool running = false;
    bool quitPosted = false;
    int quitCode = 0;
    DisplayMode mode;
    MultisampleBuffer multisample;
    int samples = 1;
    FrameProfiler profiler;
    FramePacer pacer;
    int titleCounter = 0;
    StartedService lastStarted = kNoService;
};

AppState* g_state = nullptr;

void Call(const std::function<void()>& hook) {
    if (hook) hook();
}

// Cuts `text` to at most `limit` bytes without splitting a UTF-8 sequence.
void CutUtf8(std::string* text, size_t limit) { text->resize(Utf8PrefixLength(text->data(), text->size(), limit)); }

bool CreateMainWindow(AppState& state) {
    const AppDescriptor& d = state.descriptor;
    WindowParams params;
    params.title = d.title;
    params.iconId = d.iconId & 0xFFFF;
    params.clientWidth = d.clientWidth;
    params.clientHeight = d.clientHeight;
    params.fullScreen = d.fullScreen == 1;
    if (params.fullScreen) {
        if (!ChooseFullScreenMode(state.windows->ListDisplayModes(), d.clientWidth, d.clientHeight, &state.mode)) {
            return false;
        }
        params.mode = state.mode;
    }
    if (!state.windows->CreateMainWindow(params)) {
        LogError("CreateWindowEx() failed.");
        std::string reason = state.windows->CreateFailureReason();
        if (!reason.empty()) LogError("%s", reason.c_str());
        return false;
    }
    return true;
}

bool InitWindowAndGL(AppState& state) {
    if (!CreateMainWindow(state)) return false;
    if (!state.windows->CreateGLContext()) return false;

    switch (state.descriptor.swapMode) {
        case 0: state.windows->SetSwapInterval(0); break;
        case 1: state.windows->SetSwapInterval(1); break;
        case 2: state.windows->SetSwapInterval(0); break;
        default: break;
    }

    state.samples = state.descriptor.samples;
    if (state.samples > 1) {
        MultisampleApi api = DetectMultisampleApi(reinterpret_cast<const char*>(glGetString(GL_VERSION)),
                                                  reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)));
        WindowSystem* windows = state.windows;
        state.samples = state.multisample.Create(state.samples, state.descriptor.clientWidth,
                                                 state.descriptor.clientHeight, api,
                                                 [windows](const char* name) { return windows->GetGLProcAddress(name); });
    }
    state.active = true;
    Call(state.services.createMovie);
    return true;
}

void ShutdownWindowAndGL(AppState& state) {
    Call(state.services.shutdownMovie);
    state.multisample.Destroy();
    state.windows->DestroyGLContext();
    state.windows->DestroyMainWindow();
}

void StopServices(AppState& state) {
    const EngineServices& s = state.services;
    if (state.lastStarted >= kInput) Call(s.stopInput);
    if (state.lastStarted >= kGraphics) Call(s.stopGraphics);
    if (state.lastStarted >= kSound) Call(s.stopSound);
    if (state.lastStarted >= kFileSystem) Call(s.stopFileSystem);
    if (state.lastStarted >= kTasks) Call(s.stopTasks);
    state.lastStarted = kNoService;
}

bool EngineInitialize(AppState& state) {
    const EngineServices& s = state.services;
    const AppDescriptor& d = state.descriptor;
    state.profiler.Reset();
    state.profiler.BeginFrame();
    state.titleCounter = 0;
    Call(s.startTasks);
    state.lastStarted = kTasks;
    Call(s.startFileSystem);
    state.lastStarted = kFileSystem;
    if (s.startSound) s.startSound(44100, d.soundMode);
    state.lastStarted = kSound;
    if (s.startGraphics) s.startGraphics(d.clientWidth, d.clientHeight);
    state.lastStarted = kGraphics;
    Call(s.startInput);
    state.lastStarted = kInput;
    state.app = d.OnInitialize();
    return state.app != nullptr;
}

void EngineFinalize(AppState& state) {
    state.descriptor.OnFinalize(state.app);
    state.app = nullptr;
    // A clip still playing reads files and plays sound: it ends before they stop.
    Call(state.services.stopMovie);
    StopServices(state);
}

void FrameBegin(AppState& state) {
    if (++state.titleCounter == kTitleLineFrames) {
        if (state.descriptor.showFps) {
            FrameProfiler& p = state.profiler;
            uint32_t total = p.Average(0) + p.Average(1) + p.Average(2);
            double fps = total > 0 ? 1000000.0 / total : 0.0;
            SetTitleInfo("U:%05d, R:%05d, F:%05d, %3.3ffps", static_cast<int>(p.Average(1)),
                         static_cast<int>(p.Average(2)), static_cast<int>(total), fps);
        }
        state.titleCounter = 0;
        state.profiler.Reset();
    }
    state.profiler.EndSection();
    Call(state.services.resetRenderStats);
}

void FrameUpdate(AppState& state) {
    Call(state.services.pollInput);
    for (int i = 0; i < state.descriptor.extraUpdates + 1; ++i) {
        state.descriptor.OnUpdate(state.app);
        Call(state.services.runMainQueue);
    }
    state.profiler.EndSection();
}

void RunFrame(AppState& state) {
    FrameBegin(state);
    FrameUpdate(state);
    Call(state.services.updateMovie);
    if (state.multisample.active()) {
        state.multisample.Bind();
        state.descriptor.OnRender(state.app);
        state.multisample.ResolveToWindow();
    } else {
        state.descriptor.OnRender(state.app);
    }
    state.descriptor.OnPostRender(state.app);
    state.profiler.EndSection();
    Call(state.services.drawMovie);
    CapturePendingFrame(state.descriptor.clientWidth, state.descriptor.clientHeight);
    state.profiler.BeginFrame();
    state.windows->SwapBuffers();
    DeliverCapturedFrame();
    state.pacer.FrameEnded();
}

void HandleWindowEvent(AppState& state, const WindowEvent& event) {
    const AppDescriptor& d = state.descriptor;
    switch (event.type) {
        case WindowEvent::kKey:
            if (event.key >= 0 && event.key <= 12 && d.OnKey != nullptr) d.OnKey(state.app, event.key, event.down ? 1 : 0);
            break;
        case WindowEvent::kDeactivate:
            if (d.runWhenInactive) break;
            if (state.running && state.active) {
                state.active = false;
                d.OnActivate(state.app, 1);
            }
            state.active = false;
            break;
        case WindowEvent::kActivate:
            if (d.runWhenInactive) break;
            if (state.running && !state.active) {
                state.active = true;
                d.OnActivate(state.app, 0);
            }
            state.active = true;
            break;
        case WindowEvent::kClose:
            PostQuit(0);
            break;
        case WindowEvent::kWheel: {
            int x = event.wheelX > 0 ? 1 : event.wheelX < 0 ? -1 : 0;
            int y = event.wheelY > 0 ? 1 : event.wheelY < 0 ? -1 : 0;
            if ((x != 0 || y != 0) && state.services.pointerWheel) state.services.pointerWheel(2, x, y);
            break;
        }
    }
}

void MessageLoop(AppState& state) {
    while (!state.quitPosted) {
        WindowEvent event;
        if (state.windows->NextEvent(&event)) {
            HandleWindowEvent(state, event);
            continue;
        }
        if (state.active) {
            // Events that came while the loop slept are taken before the frame.
            if (state.pacer.SleepUntilDue()) continue;
            RunFrame(state);
        } else {
            state.windows->WaitForEvents(kIdleWaitMs);
        }
    }
}

}  // namespace

int RunApplicationWith(const AppDescriptor& descriptor, WindowSystem* windows, const EngineServices& services,
                       FramePacing pacing) {
    AppState state;
    state.descriptor = descriptor;
    state.descriptor.title[sizeof state.descriptor.title - 1] = '\0';
    state.windows = windows;
    state.services = services;
    // Swap modes 0 and 2 turn vsync off; any other may let the swap wait for the display.
    const bool swapMayWait = descriptor.swapMode != 0 && descriptor.swapMode != 2;
    if (pacing == FramePacing::kCapped) state.pacer = FramePacer(services.frameClock, swapMayWait);
    AppState* previous = g_state;
    g_state = &state;

    bool started = InitWindowAndGL(state) && EngineInitialize(state);
    int exitCode = -1;
    if (started) {
        state.running = true;
        MessageLoop(state);
        state.running = false;
        EngineFinalize(state);
        ShutdownWindowAndGL(state);
        exitCode = state.quitCode;
    } else {
        // Stop what started so no worker outlives the window and context.
        StopServices(state);
        ShutdownWindowAndGL(state);
        ShowMessageBox("Initialization error.", "Error", kMessageBoxError);
    }
    g_state = previous;
    return exitCode;
}

void PostQuit(int code) {
    if (g_state == nullptr) return;
    if (!g_state->quitPosted) g_state->quitCode = code;
    g_state->quitPosted = true;
}

void SetTitleInfo(const char* format, ...) {
    if (g_state == nullptr) return;
    char text[kTitleBufferSize];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::string info = text;
    CutUtf8(&info, kTitleBufferSize - 1);
    std::string title = std::string(g_state->descriptor.title) + "    " + info;
    CutUtf8(&title, kTitleBufferSize - 1);
    g_state->windows->SetTitle(title);
}

void LogGLInfo() {
    auto text = [](GLenum name) {
        const GLubyte* value = glGetString(name);
        return value != nullptr ? reinterpret_cast<const char*>(value) : "";
    };
    DebugPrint("Vender: %s", text(GL_VENDOR));
    DebugPrint("Renderer: %s", text(GL_RENDERER));
    DebugPrint("Version: %s", text(GL_VERSION));
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (extensions == nullptr) return;
    DebugPrint("Extensions:");
    const char* p = extensions;
    while (*p != '\0') {
        while (*p == ' ') ++p;
        const char* end = p;
        while (*end != '\0' && *end != ' ') ++end;
        if (end > p) {
            std::string name(p, static_cast<size_t>(end - p));
            if (name.size() > 255) name.resize(255);
            DebugPrint("- %s", name.c_str());
        }
        p = end;
    }
}

int CurrentSampleCount() { return g_state != nullptr ? g_state->samples : 1; }
