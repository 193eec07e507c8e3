// The engine's services as the frame sees them. A service joins here when it
// is built; until then its hooks stay empty and the frame skips them.
#include "app/engine_services.h"

#include "app/input.h"
#include "core/task_system.h"
#include "fs/fs_slots.h"
#include "gfx/gl_state.h"
#include "gfx/graphics.h"
#include "media/movie_player.h"
#include "media/sound_manager.h"
#include "platform/threads.h"

EngineServices DefaultEngineServices() {
    EngineServices services;
    services.startTasks = [] { TaskSystem::Init(nullptr); };
    services.stopTasks = [] { TaskSystem::Shutdown(); };
    services.runMainQueue = [] { TaskSystem::RunMainQueue(); };
    services.startFileSystem = [] { FileSystemInit(nullptr); };
    services.stopFileSystem = [] { FileSystemShutdown(); };
    services.startSound = [](int rate, int outputMode) {
        SoundManagerInit(static_cast<uint32_t>(rate), outputMode, nullptr);
    };
    services.stopSound = [] { SoundManagerShutdown(); };
    services.startGraphics = [](int width, int height) { GraphicsInit(width, height, nullptr); };
    services.stopGraphics = [] { GraphicsShutdown(); };
    services.resetRenderStats = [] { ResetRenderStats(); };
    services.startInput = [] { InitDirectInput(); };
    services.stopInput = [] { ReleaseDirectInput(); };
    services.pollInput = [] { PollInput(); };
    services.pointerWheel = [](int pointer, int x, int y) { PointerWheel(pointer, x, y); };
    services.createMovie = [] { MoviePlayer::Create(); };
    services.updateMovie = [] { MoviePlayer::Update(); };
    services.drawMovie = [] { MoviePlayer::Draw(); };
    services.stopMovie = [] { MoviePlayer::Stop(0); };
    services.shutdownMovie = [] { MoviePlayer::Shutdown(); };
    services.frameClock = {GetTimeNanos, SleepUntilNanos};
    return services;
}
