// Opens the real input devices for the frame: the desktop through the main
// window and the game pads. Kept apart from the state logic so that tests of
// that logic need no window system.
#include <memory>

#include "app/input.h"
#include "platform/input_devices.h"
#include "platform/x11_window_handles.h"

namespace {

std::unique_ptr<DesktopInput> gDesktop;
std::unique_ptr<PadInput> gPads;

}  // namespace

void InitDirectInput() {
    gDesktop = OpenX11DesktopInput(CurrentX11WindowHandles());
    gPads = OpenSdlPads();
    InitInputWith(gDesktop.get(), gPads.get());
}

void ReleaseDirectInput() {
    InitInputWith(nullptr, nullptr);
    gPads.reset();
    gDesktop.reset();
}
