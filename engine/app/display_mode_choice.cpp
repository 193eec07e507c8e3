#include "app/display_mode_choice.h"

bool ChooseFullScreenMode(const std::vector<DisplayMode>& modes, int clientWidth, int clientHeight,
                          DisplayMode* chosen) {
    constexpr size_t kMaxModes = 256;
    bool found = false;
    long bestExcess = 0;
    for (size_t i = 0; i < modes.size() && i < kMaxModes; ++i) {
        const DisplayMode& mode = modes[i];
        if (mode.width < clientWidth || mode.height < clientHeight) continue;
        long excess = static_cast<long>(mode.width - clientWidth) + (mode.height - clientHeight);
        if (!found || excess < bestExcess) {
            found = true;
            bestExcess = excess;
            *chosen = mode;
        }
    }
    return found;
}
