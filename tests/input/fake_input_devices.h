// Input devices played by a test: a desktop and pads whose samples the test sets.
#pragma once
#include <map>

#include "platform/input_devices.h"

class FakeDesktop : public DesktopInput {
public:
    bool active = true;
    bool pointerReadable = true;
    PointerSample pointer;
    std::map<int, bool> keys;  // virtual-key code -> down
    int keyboardSamples = 0;

    explicit FakeDesktop(int clientWidth = 800, int clientHeight = 480) {
        pointer.clientWidth = clientWidth;
        pointer.clientHeight = clientHeight;
    }
    bool IsActive() override { return active; }
    bool ReadPointer(PointerSample* sample) override { return (*sample = pointer, pointerReadable); }
    bool IsVirtualKeyDown(int virtualKey) override { return keys[virtualKey]; }
    void SampleKeyboard() override { ++keyboardSamples; }
};

class FakePads : public PadInput {
public:
    PadSample pads[2];
    bool readable[2] = {true, true};
    int count = 2;
    int samples = 0;

    int PadCount() override { return count; }
    void SamplePads() override { ++samples; }
    bool ReadPad(int pad, PadSample* sample) override { return (*sample = pads[pad], readable[pad]); }
};
