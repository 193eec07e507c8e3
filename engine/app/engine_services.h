// The engine services the frame starts, drives and stops, as hooks so the
// frame's order can be traced in tests. An empty hook is skipped.
#pragma once

#include <functional>

#include "app/frame_pacer.h"

struct EngineServices {
    std::function<void()> startTasks, stopTasks, runMainQueue;
    std::function<void()> startFileSystem, stopFileSystem;
    std::function<void(int rate, int outputMode)> startSound;
    std::function<void()> stopSound;
    std::function<void(int width, int height)> startGraphics;
    std::function<void()> stopGraphics, resetRenderStats;
    std::function<void()> startInput, stopInput, pollInput;
    std::function<void(int pointer, int x, int y)> pointerWheel;
    // stopMovie ends a clip still playing before the services it plays through stop.
    std::function<void()> createMovie, updateMovie, drawMovie, stopMovie, shutdownMovie;
    FrameClock frameClock;  // paces the loop; without it frames run back to back
};

// The engine's real services, as far as they are built into this program.
EngineServices DefaultEngineServices();
