// The event ring and the input-to-event translation of the App.
#include "game/app_events.h"

#include "app/input.h"

namespace {

int32_t DragDirection(int64_t dx, int64_t dy) {
    // x is looked at first, so a diagonal drag counts as horizontal.
    if (dx >= kDragThreshold) return kDragRight;
    if (dx <= -kDragThreshold) return kDragLeft;
    if (dy <= -kDragThreshold) return kDragUp;
    return kDragDown;
}

// Squared distance below kClickDistanceSquared; an axis of 8 pixels or more
// settles it before squaring, so no distance can overflow.
bool IsNear(int64_t dx, int64_t dy) {
    if (dx <= -8 || dx >= 8 || dy <= -8 || dy >= 8) return false;
    return dx * dx + dy * dy < kClickDistanceSquared;
}

void QueueRightButton(const PointerState& right, uint32_t* dragReported, EventRing* ring) {
    // 64-bit so that records holding extreme values cannot overflow.
    int64_t dx = static_cast<int64_t>(right.history[0][0]) - right.pushX;
    int64_t dy = static_cast<int64_t>(right.history[0][1]) - right.pushY;
    switch (right.state) {
        case kButtonPushed:
            *dragReported = 0;
            break;
        case kButtonReleased:
            if (IsNear(dx, dy)) ring->Push(kEventRightClick, 0);
            break;
        case kButtonHeld:
            if (*dragReported == 0 && (dx >= kDragThreshold || dx <= -kDragThreshold || dy >= kDragThreshold ||
                                       dy <= -kDragThreshold)) {
                ring->Push(kEventDrag, DragDirection(dx, dy));
                *dragReported = 1;
            }
            break;
        default:
            break;
    }
}

void QueueWheel(const PointerState& wheel, EventRing* ring) {
    int32_t horizontal = wheel.history[0][0];
    int32_t vertical = wheel.history[0][1];
    if (vertical != 0) {
        ring->Push(kEventWheel, vertical > 0 ? 1 : 0);
        ring->Push(kEventWheelStep, vertical);
    } else if (horizontal != 0) {
        ring->Push(kEventDrag, horizontal > 0 ? kDragRight : kDragLeft);
    }
}

}  // namespace

void EventRing::Push(int32_t code, int32_t argument) {
    if (count < 0 || count > static_cast<int32_t>(kEventRingWords) - 2) return;
    words[writeIndex] = code;
    words[(writeIndex + 1) % kEventRingWords] = argument;
    writeIndex = (writeIndex + 2) % kEventRingWords;
    count += 2;
}

bool EventRing::Pop(int32_t* word) {
    if (count <= 0) return false;
    *word = words[readIndex];
    readIndex = (readIndex + 1) % kEventRingWords;
    --count;
    return true;
}

void EventRing::Clear() {
    readIndex = 0;
    writeIndex = 0;
    count = 0;
}

void QueueInputEvents(const PointerState& left, const PointerState& right, const PointerState& wheel,
                      const ControllerState& keys, uint32_t* dragReported, EventRing* ring) {
    ring->Push(kEventTick, 0);
    if (left.state == kButtonPushed) ring->Push(kEventLeftPush, 0);
    if (left.state == kButtonReleased) ring->Push(kEventLeftRelease, 0);
    QueueRightButton(right, dragReported, ring);
    QueueWheel(wheel, ring);
    for (int i = 0; i < kKeyMapSize; ++i) {
        if (keys.states[i] == kButtonReleased) ring->Push(kEventKeyRelease, i);
        if (keys.states[i] == kButtonPushed) ring->Push(kEventKeyPush, i);
    }
}
