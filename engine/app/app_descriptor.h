// What the game hands the engine to run: window settings and the callbacks the
// frame calls at fixed points.
#pragma once

#include <cstdint>

using AppHandle = void*;

struct AppDescriptor {
    char title[128] = {};     // UTF-8, NUL-terminated: the window title
    int32_t iconId = 0;       // 0 = the standard application icon
    int32_t clientWidth = 0;  // drawing area in pixels
    int32_t clientHeight = 0;
    int32_t fullScreen = 0;      // 1 = full screen
    int32_t use16BitColour = 0;  // carried for the launcher; the surface is always 8-8-8
    int32_t swapMode = 1;        // 0 -> interval 0, 1 -> 1, 2 -> 0, other -> left alone
    int32_t extraUpdates = 0;    // updates per frame = extraUpdates + 1 (none when not positive)
    int32_t soundMode = 1;       // output mode for the sound manager
    int32_t samples = 1;         // multisample count wanted
    int32_t showFps = 0;         // frame times in the title
    int32_t runWhenInactive = 0; // frames run while the window is inactive

    AppHandle (*OnInitialize)() = nullptr;  // null result = start-up failed
    void (*OnFinalize)(AppHandle app) = nullptr;
    void (*OnUpdate)(AppHandle app) = nullptr;
    void (*OnRender)(AppHandle app) = nullptr;      // the 3D pass
    void (*OnPostRender)(AppHandle app) = nullptr;  // the 2D pass, after the resolved 3D pass
    void (*OnActivate)(AppHandle app, int paused) = nullptr;
    void (*OnLostDevice)(AppHandle app) = nullptr;   // carried, never called
    void (*OnResetDevice)(AppHandle app) = nullptr;  // carried, never called
    void (*OnKey)(AppHandle app, int key, int down) = nullptr;  // may be null
};
