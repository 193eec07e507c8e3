// Holds the main loop to at most 60 frames per second, since the scripts count
// frames as time. Frames are due on a grid (anchor + k/60 s), so waking late
// never makes the rate drift; a loop more than a frame behind starts a new grid
// instead of running frames back to back to catch up. When the swap already
// holds the loop at the display's rate (vsync near 60 Hz), nothing is slept.
#pragma once

#include <cstdint>
#include <functional>

// The loop's clock: monotonic nanoseconds, and a sleep until an instant of it.
struct FrameClock {
    std::function<uint64_t()> now;
    std::function<void(uint64_t until)> sleepUntil;
};

// Tests and benchmarks run frames back to back; the player's game is capped.
enum class FramePacing { kCapped, kUnthrottled };

class FramePacer {
public:
    static constexpr uint64_t kFramesPerSecond = 60;
    static constexpr uint64_t kFrameNanos = 1000000000 / kFramesPerSecond;
    // A frame that took this long by itself, swap included, was held by the
    // swap: displays up to 62.5 Hz run at their own rate, unslept.
    static constexpr uint64_t kHeldFrameNanos = 16000000;

    FramePacer() = default;  // paces nothing
    // `swapMayWait`: the swap interval asks for vsync, so the swap may hold the
    // loop. A clock without both functions paces nothing.
    FramePacer(FrameClock clock, bool swapMayWait);

    // Before a frame: sleeps until it is due. True when it slept (the caller
    // takes what happened meanwhile and asks again); false when the frame starts now.
    bool SleepUntilDue();
    // After the frame's swap: sets when the next frame is due.
    void FrameEnded();

private:
    uint64_t Due() const { return anchor_ + framesSinceAnchor_ * 1000000000 / kFramesPerSecond; }
    void Anchor(uint64_t now);

    FrameClock clock_;
    bool paced_ = false;
    bool swapMayWait_ = false;
    bool anchored_ = false;
    uint64_t anchor_ = 0;
    uint64_t framesSinceAnchor_ = 0;
    uint64_t frameStart_ = 0;
};
