// The per-frame input sample: pointers, the keyboard block and the pad
// blocks, from whatever devices were opened.
//
// A wheel notch arrives between frames; it is held back until the next poll
// has shifted the history, so the frame's update sees it in pair 0 once. A
// pad state is updated once per poll, down when its stick direction (states
// 0 to 3) or its mapped button is down.
#include "app/input.h"

#include <cstring>

#include "platform/input_devices.h"

namespace {

struct InputGlobals {
    PointerState pointers[kPointerCount];
    ControllerState controllers[kControllerCount];
    uint8_t keyMaps[kControllerCount][kKeyMapSize] = {
        {},
        {kUnmappedButton, kUnmappedButton, kUnmappedButton, kUnmappedButton, 0, 1, 2, 3, 4, 5, 6, 7},
        {kUnmappedButton, kUnmappedButton, kUnmappedButton, kUnmappedButton, 0, 1, 2, 3, 4, 5, 6, 7},
    };
    int32_t pendingWheel[2];  // pointer 2's step, shown by the next poll
    DesktopInput* desktop = nullptr;
    PadInput* pads = nullptr;
};

InputGlobals g;

uint32_t NextState(uint32_t state, bool down) { return ((state >> 1) | (down ? 2u : 0u)) & 3u; }

void ShiftHistory(PointerState* pointer) {
    memmove(&pointer->history[1], &pointer->history[0], sizeof(pointer->history[0]) * (kPointerHistory - 1));
}

void PollPointers() {
    for (int i = 0; i < kPointerCount; ++i) ShiftHistory(&g.pointers[i]);
    g.pointers[2].history[0][0] = g.pendingWheel[0];
    g.pointers[2].history[0][1] = g.pendingWheel[1];
    g.pendingWheel[0] = g.pendingWheel[1] = 0;

    PointerSample sample;
    bool read = g.desktop != nullptr && g.desktop->ReadPointer(&sample);
    // Column and row 0 do not count as inside.
    bool inside = read && sample.x >= 1 && sample.x < sample.clientWidth && sample.y >= 1 &&
                  sample.y < sample.clientHeight;
    if (inside) {
        for (int i = 0; i < 2; ++i) {
            g.pointers[i].history[0][0] = sample.x;
            g.pointers[i].history[0][1] = sample.y;
        }
    }
    const bool buttons[kPointerCount] = {sample.left, sample.right, sample.middle};
    for (int i = 0; i < kPointerCount; ++i) {
        PointerState& pointer = g.pointers[i];
        pointer.state = NextState(pointer.state, inside && buttons[i]);
        if (pointer.state == kButtonPushed) {
            pointer.pushX = sample.x;
            pointer.pushY = sample.y;
            pointer.holdFrames = 0;
        } else if (pointer.state == kButtonHeld) {
            ++pointer.holdFrames;
        }
    }
}

void PollKeyboard() {
    if (g.desktop != nullptr) g.desktop->SampleKeyboard();
    ControllerState& keys = g.controllers[0];
    for (int i = 0; i < kKeyMapSize; ++i) {
        bool down = g.desktop != nullptr && g.keyMaps[0][i] != 0 && g.desktop->IsVirtualKeyDown(g.keyMaps[0][i]);
        keys.states[i] = NextState(keys.states[i], down);
    }
    for (int i = kKeyMapSize; i < kControllerStateCount; ++i) keys.states[i] = 0;
}

bool PadStateDown(const PadSample& sample, const uint8_t* map, int i) {
    bool down = false;
    switch (i) {
        case 0: down = sample.axisX < -kPadAxisThreshold; break;
        case 1: down = sample.axisX > kPadAxisThreshold; break;
        case 2: down = sample.axisY < -kPadAxisThreshold; break;
        case 3: down = sample.axisY > kPadAxisThreshold; break;
        default: break;
    }
    uint8_t button = map[i];
    return down || (button < kPadButtonCount && sample.buttons[button] != 0);
}

void PollPads() {
    if (g.pads == nullptr || g.pads->PadCount() == 0) return;
    g.pads->SamplePads();
    for (int pad = 0; pad < 2; ++pad) {
        PadSample sample;
        if (!g.pads->ReadPad(pad, &sample)) continue;  // unreadable: the block stays as it was
        ControllerState& block = g.controllers[pad + 1];
        for (int i = 0; i < kKeyMapSize; ++i) {
            block.states[i] = NextState(block.states[i], PadStateDown(sample, g.keyMaps[pad + 1], i));
        }
        for (int i = kKeyMapSize; i < kControllerStateCount; ++i) block.states[i] = 0;
    }
}

void ZeroRecords() {
    memset(g.pointers, 0, sizeof g.pointers);
    memset(g.controllers, 0, sizeof g.controllers);
    memset(g.pendingWheel, 0, sizeof g.pendingWheel);
}

}  // namespace

void InitInputWith(DesktopInput* desktop, PadInput* pads) {
    ZeroRecords();
    g.desktop = desktop;
    g.pads = pads;
}

void PollInput() {
    // While another window is active nothing is sampled: a held key stays held.
    if (g.desktop == nullptr || !g.desktop->IsActive()) return;
    PollPointers();
    PollKeyboard();
    PollPads();
}

PointerState* GetPointerState(int index) {
    return index >= 0 && index < kPointerCount ? &g.pointers[index] : nullptr;
}

ControllerState* GetControllerState(int index) {
    return index >= 0 && index < kControllerCount ? &g.controllers[index] : nullptr;
}

void SetKeyMap(int block, const void* map, int byteCount) {
    if (block < 0 || block >= kControllerCount || map == nullptr || byteCount <= 0) return;
    memcpy(g.keyMaps[block], map, byteCount < kKeyMapSize ? byteCount : kKeyMapSize);
}

void PointerWheel(int index, int dx, int dy) {
    if (index == 2) {
        g.pendingWheel[0] = dx;
        g.pendingWheel[1] = dy;
    } else if (index == 0 || index == 1) {
        g.pointers[index].history[0][0] = dx;
        g.pointers[index].history[0][1] = dy;
    }
}
