// Waiting for a condition, never for a fixed time: a slow or busy machine only waits longer.
#pragma once

#include "platform/threads.h"

// The bound for what should come promptly: it only keeps a broken build from hanging.
constexpr int kPatienceMs = 60000;

// Polls `done` every millisecond until it holds or `timeoutMs` have passed by the clock.
template <typename Condition>
bool WaitUntil(Condition done, int timeoutMs = kPatienceMs) {
    for (uint64_t end = GetTimeMicros() + timeoutMs * 1000ull; !done(); SleepMs(1)) {
        if (GetTimeMicros() > end) return false;
    }
    return true;
}
