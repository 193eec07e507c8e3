// The program's real frame: X11 window, EGL context and the engine's services.
#include <memory>

#include "app/app_frame.h"

int RunApplication(const AppDescriptor& descriptor) {
    std::unique_ptr<WindowSystem> windows = CreateX11WindowSystem();
    return RunApplicationWith(descriptor, windows.get(), DefaultEngineServices());
}
