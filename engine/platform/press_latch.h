// Pointer buttons and keys pressed since the desktop input last sampled them.
// Input is sampled once a frame from the current state, so a click or a key
// tap that begins and ends between two samples (a touchpad tap delivers both
// at once) would never be seen. The window system records every press from
// its events here; the desktop input reports each recorded press as down for
// one sample, so the game sees it pushed, then released. Main thread only.
#pragma once

#include <cstdint>

constexpr int kLatchedKeyBytes = 32;  // one bit for each of the 256 key codes

void LatchButtonPress(unsigned button);  // 1 left, 2 middle, 3 right; others are ignored
void LatchKeyPress(unsigned keyCode);    // the window system's key code, 0..255
// True when the button was pressed since the last call; clears it.
bool TakeLatchedButton(unsigned button);
// ORs the keys pressed since the last call into a key bitmap and clears them.
void TakeLatchedKeys(char keys[kLatchedKeyBytes]);
// Forgets every press (the window lost the focus: the game must not see them later).
void ClearLatchedPresses();
