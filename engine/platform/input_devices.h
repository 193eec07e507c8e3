// The input devices the engine samples once a frame: the pointer and the
// keyboard of the desktop (X11, through the main window) and up to two game
// pads (SDL's joystick support, without any SDL window). The engine's input
// state logic sits above these and tests replace them with fakes.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/x11_window_handles.h"

// The pointer as one poll sees it.
struct PointerSample {
    int32_t x = 0, y = 0;                      // client pixels of the render window
    int32_t clientWidth = 0, clientHeight = 0;
    bool left = false, right = false, middle = false;
};

class DesktopInput {
public:
    virtual ~DesktopInput() = default;
    // False while another window has the keyboard focus.
    virtual bool IsActive() = 0;
    // False when the pointer cannot be read (on another screen, no window).
    virtual bool ReadPointer(PointerSample* sample) = 0;
    // Whether the key of the virtual-key code is down right now, in or out of
    // the window. Codes the desktop has no key for are never down.
    virtual bool IsVirtualKeyDown(int virtualKey) = 0;
    // Samples the keyboard once; IsVirtualKeyDown answers from that sample.
    virtual void SampleKeyboard() = 0;
};

constexpr int kPadButtonCount = 128;
constexpr int32_t kPadAxisRange = 1000;

// One pad as one poll sees it.
struct PadSample {
    int32_t axisX = 0, axisY = 0;     // -1000..1000, centre 0, negative = left / up
    uint8_t buttons[kPadButtonCount] = {};  // non-zero = pressed
};

class PadInput {
public:
    virtual ~PadInput() = default;
    // Pads found at start-up, in attach order (at most 2).
    virtual int PadCount() = 0;
    // Reads every pad's state once; ReadPad answers from that sample.
    virtual void SamplePads() = 0;
    // False when the pad cannot be read this frame (unplugged).
    virtual bool ReadPad(int pad, PadSample* sample) = 0;
};

// The X11 desktop seen through the given window; null without a display or
// window. The display stays the caller's.
std::unique_ptr<DesktopInput> OpenX11DesktopInput(const X11WindowHandles& handles);
// The attached pads through SDL's joystick support; a PadInput with no pads
// when SDL cannot start it or none is attached. Nothing is logged.
std::unique_ptr<PadInput> OpenSdlPads();

// The X key symbols that stand for a virtual-key code (at most 2; either
// counts); returns how many. 0 for codes without a key here.
int KeysymsForVirtualKey(int virtualKey, unsigned long keysyms[2]);
// Scales an SDL axis reading (-32768..32767) to -1000..1000.
int32_t ScalePadAxis(int16_t value);
