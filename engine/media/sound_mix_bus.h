// The six-channel mix bus that voices add into and the output takes from,
// with two slots for bus filters (the launcher's mono and surround modes).
// Samples are int32 at 16-bit scale, planar; gains are 10-bit fixed point.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t kMixBusChannels = 6;  // FL, FR, FC, LFE, BL, BR
constexpr uint32_t kMixBlockSamples = 256;
constexpr int32_t kUnityGain = 1024;

// A filter run over each mixed block before the output takes it.
class SoundFilter {
public:
    virtual ~SoundFilter() = default;
    virtual void Process(uint32_t channelCount, uint32_t sampleCount, int32_t* const* channels) = 0;
};

// Mono folds the front pair into both front channels at about -3 dB.
SoundFilter* MonoFilter();
// Surround sends the front pair's difference to the back pair.
SoundFilter* SurroundFilter();

struct alignas(16) SoundMixBus {
    int32_t samples[kMixBusChannels][kMixBlockSamples];
    int32_t gain;
    SoundFilter* filters[2];
};

size_t SoundMixBusSize();
// Builds a silent bus with gain 1024 and no filters in `memory` (aligned to 16).
SoundMixBus* BuildSoundMixBus(void* memory);
void ClearMixBus(SoundMixBus* bus);
// Fills min(n, 6) channel pointers; returns the block length, 256.
uint32_t GetMixBusChannels(SoundMixBus* bus, int32_t** pointers, uint32_t n);
// Slot 0 or 1; the bus owns the filter from then on (other slots: deleted).
void SetBusFilter(SoundMixBus* bus, uint32_t slot, SoundFilter* filter);
void RunBusFilters(SoundMixBus* bus);
void ReleaseBusFilters(SoundMixBus* bus);
// Adds `count` samples of each source channel into the bus through
// gains[source][bus channel] scaled by the bus gain and the send. Sums
// saturate at the int32 range.
void MixIntoBus(SoundMixBus* bus, const int32_t* const* sources, uint32_t sourceChannels, uint32_t count,
                const int32_t (*gains)[kMixBusChannels], int32_t send);
