// The bus filters behind the launcher's sound setting. Mono folds the front
// pair on the six-channel bus as well as on a plain stereo pair (the bus
// always hands six). Surround leaves the front pair as it is and feeds the
// back pair with the difference of the front channels.
#include "media/sound_mix_bus.h"

namespace {

inline int32_t Saturate(int64_t value) {
    return value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : static_cast<int32_t>(value);
}

class Mono final : public SoundFilter {
public:
    void Process(uint32_t channelCount, uint32_t sampleCount, int32_t* const* channels) override {
        if (channelCount < 2) return;
        int32_t* left = channels[0];
        int32_t* right = channels[1];
        for (uint32_t i = 0; i < sampleCount; ++i) {
            int32_t folded = Saturate(((static_cast<int64_t>(left[i]) + right[i]) * 727) >> 10);
            left[i] = folded;
            right[i] = folded;
        }
    }
};

class Surround final : public SoundFilter {
public:
    void Process(uint32_t channelCount, uint32_t sampleCount, int32_t* const* channels) override {
        if (channelCount != 6) return;
        const int32_t* left = channels[0];
        const int32_t* right = channels[1];
        for (uint32_t i = 0; i < sampleCount; ++i) {
            channels[4][i] = Saturate(static_cast<int64_t>(left[i]) - right[i]);
            channels[5][i] = Saturate(static_cast<int64_t>(right[i]) - left[i]);
        }
    }
};

}  // namespace

SoundFilter* MonoFilter() { return new Mono(); }
SoundFilter* SurroundFilter() { return new Surround(); }
