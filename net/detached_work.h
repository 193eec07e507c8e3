// Work that must hold neither a dialog's event loop nor the game's frames (a
// request that may take as long as its time limits allow) runs on a thread
// of its own that nobody waits for. The work owns everything it touches.
#pragma once

#include <functional>

// False (with a log line naming `what`) when no thread could be started; the
// work is then dropped unrun.
bool RunDetached(const char* what, std::function<void()> work);
