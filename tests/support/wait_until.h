// Waiting for a condition, never for a fixed time: a slow or busy machine only waits longer.
#pragma once

#include <cstdint>

#include "platform/threads.h"

// The bound for something that should happen promptly; it only keeps a broken build from hanging,
// so a machine ten times slower and fully loaded still stays far below it.
constexpr int kPatienceMs = 60000;

// Polls a condition every millisecond until it holds or `timeoutMs` have passed by the clock.
template <typename Condition>
bool WaitUntil(Condition done, int timeoutMs = kPatienceMs) {
    const uint64_t deadline = GetTimeMicros() + static_cast<uint64_t>(timeoutMs) * 1000;
    while (!done()) {
        if (GetTimeMicros() > deadline) return false;
        SleepMs(1);
    }
    return true;
}
