// The engine's services as the frame sees them. A service joins here when it
// is built; until then its hooks stay empty and the frame skips them.
#include "app/engine_services.h"

#include "core/task_system.h"

EngineServices DefaultEngineServices() {
    EngineServices services;
    services.startTasks = [] { TaskSystem::Init(nullptr); };
    services.stopTasks = [] { TaskSystem::Shutdown(); };
    services.runMainQueue = [] { TaskSystem::RunMainQueue(); };
    return services;
}
