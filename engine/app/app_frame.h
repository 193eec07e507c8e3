// The application frame: the main window and GL context, the start and stop
// order of the engine services, the event loop and the order of work in one
// frame. Everything here runs on the main thread.
#pragma once

#include "app/app_descriptor.h"
#include "app/engine_services.h"
#include "app/frame_pacer.h"
#include "platform/window.h"

// Runs the whole program on X11 with the engine's services; returns the exit
// code given to PostQuit, or -1 when start-up failed.
int RunApplication(const AppDescriptor& descriptor);
// The same with a given window system and services (tests trace the frame);
// frames are capped at 60 per second unless `pacing` says otherwise.
int RunApplicationWith(const AppDescriptor& descriptor, WindowSystem* windows, const EngineServices& services,
                       FramePacing pacing = FramePacing::kCapped);

// Ends the event loop; `code` becomes the exit code. Frame work already begun finishes.
void PostQuit(int code);
// Shows "<title>    <text>" in the window title; text is printf-formatted and
// both are cut at 255 bytes.
void SetTitleInfo(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Writes the GL vendor, renderer, version and extension names to the log.
void LogGLInfo();
// The sample count in force after start-up (1 = no multisample buffer).
int CurrentSampleCount();
