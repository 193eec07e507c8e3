// Polls a condition every millisecond for up to ten seconds (the bound keeps a broken build from hanging).
#pragma once

#include "platform/threads.h"

template <typename Condition>
bool WaitUntil(Condition done) {
    for (int waited = 0; waited < 10000 && !done(); ++waited) SleepMs(1);
    return done();
}
