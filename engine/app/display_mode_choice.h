// Chooses the full-screen display mode for a drawing area.
#pragma once

#include <vector>

#include "platform/window.h"

// The mode at least as large as the client area with the smallest excess
// (width - clientWidth) + (height - clientHeight); the first wins ties. Only
// the first 256 modes count. False when no mode is large enough.
bool ChooseFullScreenMode(const std::vector<DisplayMode>& modes, int clientWidth, int clientHeight,
                          DisplayMode* chosen);
