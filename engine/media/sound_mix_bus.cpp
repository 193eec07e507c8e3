// The mix bus: clearing, mixing voices in with their gain matrix, and the
// filter slots. Gains of 0 are skipped and unity gain adds straight through;
// products are 64-bit so corrupt data or large volumes cannot overflow.
#include "media/sound_mix_bus.h"

#include <cstring>
#include <new>

size_t SoundMixBusSize() { return sizeof(SoundMixBus) + 16; }

SoundMixBus* BuildSoundMixBus(void* memory) {
    auto* bus = new (memory) SoundMixBus();
    std::memset(bus->samples, 0, sizeof bus->samples);
    bus->gain = kUnityGain;
    bus->filters[0] = bus->filters[1] = nullptr;
    return bus;
}

void ClearMixBus(SoundMixBus* bus) { std::memset(bus->samples, 0, sizeof bus->samples); }

uint32_t GetMixBusChannels(SoundMixBus* bus, int32_t** pointers, uint32_t n) {
    if (n > kMixBusChannels) n = kMixBusChannels;
    for (uint32_t k = 0; k < n; ++k) pointers[k] = bus->samples[k];
    return kMixBlockSamples;
}

void SetBusFilter(SoundMixBus* bus, uint32_t slot, SoundFilter* filter) {
    if (slot > 1) {
        delete filter;
        return;
    }
    delete bus->filters[slot];
    bus->filters[slot] = filter;
}

void RunBusFilters(SoundMixBus* bus) {
    int32_t* channels[kMixBusChannels];
    GetMixBusChannels(bus, channels, kMixBusChannels);
    for (SoundFilter* filter : bus->filters) {
        if (filter != nullptr) filter->Process(kMixBusChannels, kMixBlockSamples, channels);
    }
}

void ReleaseBusFilters(SoundMixBus* bus) {
    for (SoundFilter*& filter : bus->filters) {
        delete filter;
        filter = nullptr;
    }
}

namespace {

inline int32_t Saturate(int64_t value) {
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

}  // namespace

void MixIntoBus(SoundMixBus* bus, const int32_t* const* sources, uint32_t sourceChannels, uint32_t count,
                const int32_t (*gains)[kMixBusChannels], int32_t send) {
    if (count > kMixBlockSamples) count = kMixBlockSamples;
    if (sourceChannels > kMixBusChannels) sourceChannels = kMixBusChannels;
    int64_t g = (static_cast<int64_t>(bus->gain) * send) >> 10;
    for (uint32_t s = 0; s < sourceChannels; ++s) {
        const int32_t* in = sources[s];
        for (uint32_t k = 0; k < kMixBusChannels; ++k) {
            int64_t gk = (gains[s][k] * g) >> 10;
            if (gk == 0) continue;
            int32_t* out = bus->samples[k];
            if (gk == kUnityGain) {
                for (uint32_t i = 0; i < count; ++i) out[i] = Saturate(static_cast<int64_t>(out[i]) + in[i]);
            } else {
                for (uint32_t i = 0; i < count; ++i) out[i] = Saturate(out[i] + ((in[i] * gk) >> 10));
            }
        }
    }
}
