// The presses recorded between two input samples.
#include "platform/press_latch.h"

#include <cstring>

namespace {

unsigned g_buttons = 0;
unsigned char g_keys[kLatchedKeyBytes] = {};

}  // namespace

void LatchButtonPress(unsigned button) {
    if (button >= 1 && button <= 3) g_buttons |= 1u << button;
}

void LatchKeyPress(unsigned keyCode) {
    if (keyCode < kLatchedKeyBytes * 8) g_keys[keyCode / 8] |= static_cast<unsigned char>(1u << (keyCode % 8));
}

bool TakeLatchedButton(unsigned button) {
    if (button < 1 || button > 3) return false;
    bool pressed = (g_buttons & (1u << button)) != 0;
    g_buttons &= ~(1u << button);
    return pressed;
}

void TakeLatchedKeys(char keys[kLatchedKeyBytes]) {
    for (int i = 0; i < kLatchedKeyBytes; ++i) keys[i] = static_cast<char>(keys[i] | g_keys[i]);
    memset(g_keys, 0, sizeof g_keys);
}

void ClearLatchedPresses() {
    g_buttons = 0;
    memset(g_keys, 0, sizeof g_keys);
}
