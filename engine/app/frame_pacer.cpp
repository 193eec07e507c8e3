// The 60-frames-per-second cap of the main loop.
#include "app/frame_pacer.h"

#include <utility>

FramePacer::FramePacer(FrameClock clock, bool swapMayWait)
    : clock_(std::move(clock)), swapMayWait_(swapMayWait) {
    paced_ = clock_.now && clock_.sleepUntil;
}

bool FramePacer::SleepUntilDue() {
    if (!paced_) return false;
    const uint64_t now = clock_.now();
    if (now < Due()) {
        clock_.sleepUntil(Due());
        return true;
    }
    frameStart_ = now;
    return false;
}

void FramePacer::FrameEnded() {
    if (!paced_) return;
    const uint64_t now = clock_.now();
    // The first frame carries start-up work: the grid starts where it ends.
    // A frame the swap held keeps the display's phase: the next one starts at once.
    if (!anchored_ || (swapMayWait_ && now - frameStart_ >= kHeldFrameNanos)) {
        Anchor(now);
        return;
    }
    ++framesSinceAnchor_;
    if (now >= Due() + kFrameNanos) Anchor(now);
}

void FramePacer::Anchor(uint64_t now) {
    anchored_ = true;
    anchor_ = now;
    framesSinceAnchor_ = 0;
}
