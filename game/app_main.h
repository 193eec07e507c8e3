// The game's main routine: fills the application descriptor with the game's
// title, settings and callbacks and runs the frame with them.
#pragma once

#include <cstdint>

#include "app/engine_services.h"

class WindowSystem;

// What a test or benchmark may change about a run. The program runs with the
// defaults, except that QM_UNTHROTTLED=1 in its environment runs it unthrottled.
struct AppRunOptions {
    bool fixedSeed = false;  // seed the scripts' random state with `seed` instead of the clock
    uint32_t seed = 0;
    bool autoBattle = false;  // App.AutoBattle true before AppInitialize: both sides play themselves
    bool unthrottled = false; // frames back to back instead of at most 60 per second
};

// The program's run: the launcher first (-1 at once for a second copy of the
// game or when the player quits), then the game on X11; returns the exit status.
int AppMain(int argc, char** argv);
// The game alone on the given window system and services, without the
// launcher, at 1280 x 720 in a window with the current settings (tests run
// the whole game on a headless surface this way).
int AppMainWith(int argc, char** argv, WindowSystem* windows, const EngineServices& services,
                const AppRunOptions& options);
