#include "app/frame_profiler.h"

#include "platform/threads.h"

void FrameProfiler::Reset() {
    section_ = 0;
    frameCount_ = 0;
    for (int i = 0; i < kSections; ++i) totals_[i] = maxima_[i] = last_[i] = 0;
}

void FrameProfiler::BeginFrame() {
    ++frameCount_;
    section_ = 0;
    start_ = GetTimeMicros();
}

void FrameProfiler::EndSection() {
    uint64_t now = GetTimeMicros();
    if (section_ < kSections) {
        auto elapsed = static_cast<uint32_t>(now - start_);
        if (static_cast<int32_t>(elapsed) > static_cast<int32_t>(maxima_[section_])) maxima_[section_] = elapsed;
        totals_[section_] += elapsed;
        last_[section_] = elapsed;
        ++section_;
    }
    start_ = now;
}

uint32_t FrameProfiler::Average(int i) const {
    if (i < 0 || i >= kSections || frameCount_ == 0) return 0;
    return totals_[i] / frameCount_;
}
