// The words the App queues for the scripts: a 64-word ring of (code,
// argument) pairs, and the translation of one frame's pointer and key records
// into such pairs. The scripts read the ring one word at a time.
#pragma once

#include <cstdint>

struct ControllerState;
struct PointerState;

// Event codes; each is followed by its argument word.
enum AppEventCode : int32_t {
    kEventTick = 0,          // once at the start of every update
    kEventLeftPush = 1,
    kEventLeftRelease = 2,
    kEventRightClick = 3,    // right button released near where it went down
    kEventDrag = 4,          // argument: direction 0..3 (also the horizontal wheel)
    kEventWheel = 5,         // argument: 0 for a negative step, 1 for a positive one
    kEventWheelStep = 6,     // argument: the vertical wheel step; always after kEventWheel
    kEventKeyPush = 7,       // argument: key index 0..11
    kEventKeyRelease = 8,    // argument: key index 0..11
};

// Drag directions in the argument of kEventDrag.
enum AppDragDirection : int32_t { kDragLeft = 0, kDragRight = 1, kDragUp = 2, kDragDown = 3 };

constexpr uint32_t kEventRingWords = 64;
// A right release closer than this (squared pixels) to its press is a click.
constexpr int64_t kClickDistanceSquared = 64;
// Pixels along one axis from the press point that make a held right button a drag.
constexpr int32_t kDragThreshold = 30;

struct EventRing {
    int32_t words[kEventRingWords] = {};
    uint32_t readIndex = 0;
    uint32_t writeIndex = 0;  // always even
    int32_t count = 0;        // words queued

    // Stores the pair when at least two words are free; otherwise drops it
    // silently and leaves the queued words as they are.
    void Push(int32_t code, int32_t argument);
    // The oldest word; false when the ring is empty.
    bool Pop(int32_t* word);
    void Clear();
};

// The pairs of one update, in order: the tick, the left button, the right
// button (click and once-per-press drag), the wheel (pointer 2's pair 0) and
// the twelve keys of `keys`. `dragReported` carries the drag flag between
// frames.
void QueueInputEvents(const PointerState& left, const PointerState& right, const PointerState& wheel,
                      const ControllerState& keys, uint32_t* dragReported, EventRing* ring);
