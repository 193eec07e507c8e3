// Per-section frame timing for the title line: section 0 is present and idle,
// 1 update, 2 movie update and rendering. Times are microseconds.
#pragma once

#include <cstdint>

class FrameProfiler {
public:
    static constexpr int kSections = 16;

    // Clears the counters; the start time is kept.
    void Reset();
    void BeginFrame();
    // Closes the current section and opens the next.
    void EndSection();
    // Average microseconds per frame of section i since the last Reset
    // (0 when no frame has begun).
    uint32_t Average(int i) const;
    uint32_t Maximum(int i) const { return maxima_[i]; }
    uint32_t Last(int i) const { return last_[i]; }
    uint32_t frameCount() const { return frameCount_; }

private:
    uint64_t start_ = 0;
    uint32_t totals_[kSections] = {};
    uint32_t maxima_[kSections] = {};
    uint32_t last_[kSections] = {};
    uint32_t section_ = 0;
    uint32_t frameCount_ = 0;
};
