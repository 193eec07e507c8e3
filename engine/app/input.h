// The input records the game and the scripts read: three mouse pointers with
// a position history, and three blocks of sixteen two-bit button states (the
// keyboard through a key map, and two game pads). PollInput samples the
// devices once a frame on the main thread; there are no input events here.
//
// Two-bit state, updated as state = (state >> 1) | (down << 1):
// 0 up, 1 released this frame, 2 pushed this frame, 3 held.
#pragma once

#include <cstdint>

class DesktopInput;
class PadInput;

constexpr int kPointerCount = 3;
constexpr int kPointerHistory = 20;
constexpr int kControllerCount = 3;
constexpr int kControllerStateCount = 16;
constexpr int kKeyMapSize = 12;
// A pad map entry that names no button.
constexpr uint8_t kUnmappedButton = 0xFF;
// Stick deflection (of -1000..1000) that counts as a direction.
constexpr int32_t kPadAxisThreshold = 500;

enum ButtonState : uint32_t {
    kButtonUp = 0,
    kButtonReleased = 1,
    kButtonPushed = 2,
    kButtonHeld = 3,
};

// Pointer 0 follows the left button, 1 the right and 2 the middle one. Pairs
// 0 of pointers 0 and 1 are the cursor; pointer 2's pair 0 is the wheel step
// of this poll (+1 / -1 per notch, x horizontal, y vertical).
struct PointerState {
    int32_t history[kPointerHistory][2];  // pair k: k polls ago
    int32_t pushX, pushY;                 // where the button last went down
    uint32_t holdFrames;                  // polls since the push while held
    uint32_t state;
};

struct ControllerState {
    uint32_t states[kControllerStateCount];
};

// Zeroes the records and opens the desktop through the main window and the
// pads. Without a window or pads the rest keeps working.
void InitDirectInput();
// Closes the devices.
void ReleaseDirectInput();
// Zeroes the records and samples the given devices from now on (either may
// be null; they stay the caller's). Tests drive input through this.
void InitInputWith(DesktopInput* desktop, PadInput* pads);

void PollInput();

// Null for an index other than 0..2.
PointerState* GetPointerState(int index);
ControllerState* GetControllerState(int index);
// Copies at most 12 bytes into the block's key map. Block 0 holds
// virtual-key codes; pad blocks hold button numbers (kUnmappedButton = none).
void SetKeyMap(int block, const void* map, int byteCount);
// A wheel notch for pointer `index`; the next poll shows it in pair 0 for
// exactly one frame.
void PointerWheel(int index, int dx, int dy);
