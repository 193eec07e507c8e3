// The engine's services as the frame sees them. A service joins here when it
// is built; until then its hooks stay empty and the frame skips them.
#include "app/engine_services.h"

EngineServices DefaultEngineServices() {
    EngineServices services;
    return services;
}
