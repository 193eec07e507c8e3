// The sound output devices the mixer hands its blocks to: the SDL2 audio
// device, and the null device that only paces by the clock (used when no
// device opens, so the game runs silently at the right speed). Both take
// planar 32-bit samples at 16-bit scale, as the mix bus holds them.
#pragma once

#include <cstdint>

// Microseconds on a monotonic clock; GetTimeMicros unless a test injects one.
using AudioClock = uint64_t (*)();

class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // Opens the device for `channels` (taking fewer when the device has fewer)
    // at `sampleRate`; false when it cannot be opened, after one log line.
    virtual bool Init(uint32_t channels, uint32_t sampleRate) = 0;
    virtual void Shutdown() = 0;
    // Start resumes consumption; Stop freezes it, so Write accepts nothing
    // once the device's queue is full, and what was queued is kept.
    virtual void Start() = 0;
    virtual void Stop() = 0;
    // Takes up to `count` samples of each of `channelCount` planar channels
    // and returns how many it accepted (0..count). Never blocks.
    virtual uint32_t Write(const int32_t* const* channels, uint32_t channelCount, uint32_t count) = 0;
    // False for an output that only paces by the clock: nobody hears it.
    virtual bool Audible() const { return true; }
};

// SDL's audio subsystem alone (no window, no events), S16 queued audio.
SoundOutput* CreateSdlOutput();
// Paces by `clock` (null = GetTimeMicros): accepts a whole write once the
// write's duration has passed since the last accepted one.
SoundOutput* CreateNullOutput(AudioClock clock);

// destination[i * channels + c] = channel c's sample i clamped to 16 bits.
void InterleaveToPcm16(int16_t* destination, const int32_t* const* channels, uint32_t channelCount,
                       uint32_t count);
