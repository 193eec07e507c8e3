// The voices' resampler. Outputs at position pos (4.12, relative to the
// chunk's first sample) interpolate s[pos>>12] and the sample after it; an
// output whose second sample lies in the next chunk waits for that chunk and
// is then taken from the history, so chunking never changes the result.
#include "media/sound_resampler.h"

#include <cstring>

void InitResampler(SoundResampler* resampler) {
    std::memset(resampler, 0, sizeof *resampler);
    resampler->step = kResamplerOne;
}

void SetResamplerRates(SoundResampler* resampler, uint32_t sourceRate, uint32_t destinationRate) {
    int64_t step = destinationRate == 0 ? kResamplerMaxStep
                                        : (static_cast<int64_t>(sourceRate) << 12) / destinationRate;
    if (step < 1) step = 1;
    if (step > kResamplerMaxStep) step = kResamplerMaxStep;
    resampler->step = static_cast<int32_t>(step);
    if (step == kResamplerOne) {
        resampler->phase = 0;
        std::memset(resampler->history, 0, sizeof resampler->history);
    }
}

uint32_t ResamplerInputNeeded(const SoundResampler* resampler, uint32_t outputCount) {
    if (resampler->step == kResamplerOne) return outputCount;
    int64_t need = (static_cast<int64_t>(resampler->step) * outputCount + resampler->phase + 16384) >> 12;
    return need > 0 ? static_cast<uint32_t>(need) : 0;
}

namespace {

inline int32_t Lerp(int32_t a, int32_t b, int32_t fraction) {
    return a + static_cast<int32_t>((static_cast<int64_t>(b - static_cast<int64_t>(a)) * fraction) >> 12);
}

}  // namespace

uint32_t Resample(SoundResampler* resampler, uint32_t channels, uint32_t inputCount, uint32_t outputMax,
                  const int32_t* const* input, int32_t* const* output) {
    if (inputCount == 0) return 0;
    if (channels > kResamplerChannels) channels = kResamplerChannels;
    const int64_t step = resampler->step;
    const int64_t phase = resampler->phase;
    // Every output with pos < (in - 1) << 12 has both of its samples here.
    int64_t span = (static_cast<int64_t>(inputCount - 1) << 12) - phase;
    int64_t count = span > 0 ? (span + step - 1) / step : 0;
    if (count > outputMax) count = outputMax;
    for (uint32_t c = 0; c < channels; ++c) {
        int32_t* h = resampler->history[c];
        const int32_t* s = input[c];
        int32_t* out = output[c];
        h[4] = s[0];
        int64_t pos = phase;
        for (int64_t i = 0; i < count; ++i, pos += step) {
            if (pos < 0) {
                int64_t j = (pos + 16384) >> 12;
                if (j < 0) j = 0;  // only a caller feeding more than asked gets here
                out[i] = Lerp(h[j], h[j + 1], static_cast<int32_t>(pos & 4095));
            } else {
                int64_t j = pos >> 12;
                out[i] = Lerp(s[j], s[j + 1], static_cast<int32_t>(pos & 4095));
            }
        }
        // The history keeps the last four samples seen, across short chunks too.
        if (inputCount >= 4) {
            std::memcpy(h, s + inputCount - 4, 4 * sizeof(int32_t));
        } else {
            std::memmove(h, h + inputCount, (4 - inputCount) * sizeof(int32_t));
            std::memcpy(h + 4 - inputCount, s, inputCount * sizeof(int32_t));
        }
    }
    int64_t next = phase + count * step - (static_cast<int64_t>(inputCount) << 12);
    if (next < -16384) next = -16384;
    resampler->phase = static_cast<int32_t>(next);
    return static_cast<uint32_t>(count);
}
