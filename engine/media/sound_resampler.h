// Linear-interpolation resampling in 4.12 fixed point, fed in chunks of any
// size: the output does not depend on how the input was cut. The last four
// samples of the previous chunk are kept as history so an output that falls
// between two chunks interpolates across them; nothing past a chunk is read.
#pragma once

#include <cstdint>

constexpr uint32_t kResamplerChannels = 6;
constexpr int32_t kResamplerOne = 4096;
// Steps beyond four input samples per output would reach past the history.
constexpr int32_t kResamplerMaxStep = 4 * kResamplerOne;

struct SoundResampler {
    int32_t step;   // input samples per output sample, 4.12
    int32_t phase;  // position of the next output relative to the next chunk's first sample
    int32_t history[kResamplerChannels][5];  // [0..3] last samples of the previous chunk, [4] this chunk's first
};

void InitResampler(SoundResampler* resampler);
// step = source / destination in 4.12, between 1 and 4 x 4096.
void SetResamplerRates(SoundResampler* resampler, uint32_t sourceRate, uint32_t destinationRate);
// Input samples that are enough for `outputCount` outputs.
uint32_t ResamplerInputNeeded(const SoundResampler* resampler, uint32_t outputCount);
// Consumes all `inputCount` samples of each channel and writes at most
// `outputMax` outputs per channel; returns the outputs written.
uint32_t Resample(SoundResampler* resampler, uint32_t channels, uint32_t inputCount, uint32_t outputMax,
                  const int32_t* const* input, int32_t* const* output);
