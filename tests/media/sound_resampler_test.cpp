// The resampler fed as a voice feeds it: chunking changes nothing, pitch is right, extreme steps
// stay inside the history.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "media/sound_resampler.h"
#include "platform/audio_device.h"
#include "tests/media/sound_test_util.h"

namespace {

// `outputs` samples from `input` in chunks of at most `maxChunk` (1: random sizes from 1 to 256).
std::vector<int32_t> Feed(const std::vector<int32_t>& input, uint32_t source, uint32_t destination, uint32_t outputs,
                         uint32_t maxChunk) {
    SoundResampler resampler;
    InitResampler(&resampler);
    SetResamplerRates(&resampler, source, destination);
    std::mt19937 random(7);
    std::vector<int32_t> out(outputs + 256);
    size_t used = 0;
    uint32_t produced = 0;
    while (produced < outputs && used < input.size()) {
        uint32_t avail = std::min<uint32_t>(maxChunk == 1 ? 1 + random() % 256 : maxChunk,
                                            static_cast<uint32_t>(input.size() - used));
        uint32_t want = std::min<uint32_t>(256, outputs - produced);
        uint32_t in = std::max(1u, std::min(ResamplerInputNeeded(&resampler, want), avail));
        const int32_t* source_ = input.data() + used;
        int32_t* target = out.data() + produced;
        produced += Resample(&resampler, 1, in, want, &source_, &target);
        used += in;
    }
    out.resize(produced);
    return out;
}

std::vector<int32_t> SineSamples(uint32_t count, double hz, uint32_t rate) {
    return [](std::vector<int16_t> s) { return std::vector<int32_t>(s.begin(), s.end()); }(Sine(count, 1, hz, rate, 16000));
}

TEST(SoundResampler, ChunkingDoesNotChangeTheOutput) {
    const std::vector<int32_t> input = SineSamples(20000, 997, 44100);
    const uint32_t rates[][2] = {{22050, 44100}, {48000, 44100}, {44100, 22050}, {48000, 11025}, {44100, 5000}};
    for (const auto& rate : rates) {
        SCOPED_TRACE(rate[0] * 1000000ull + rate[1]);
        std::vector<int32_t> whole = Feed(input, rate[0], rate[1], 4000, 256);
        std::vector<int32_t> chunked = Feed(input, rate[0], rate[1], 4000, 1);
        ASSERT_EQ(whole.size(), 4000u);
        EXPECT_EQ(whole, chunked);
    }
}

TEST(SoundResampler, PitchAndContinuity) {
    // 1 kHz at 22050 Hz played at 44100: two outputs per input, still 1 kHz.
    std::vector<int32_t> up = Feed(SineSamples(22050, 1000, 22050), 22050, 44100, 44000, 256);
    int crossings = 0;
    for (size_t i = 1; i < up.size(); ++i) crossings += (up[i - 1] < 0) != (up[i] < 0);
    EXPECT_NEAR(crossings / 2.0 * 44100 / up.size(), 1000, 10);
    // 48 kHz into 44.1 kHz: no jump larger than the sine's own slope allows.
    std::vector<int32_t> down = Feed(SineSamples(48000, 1000, 48000), 48000, 44100, 40000, 256);
    int32_t jump = 0;
    for (size_t i = 1; i < down.size(); ++i) jump = std::max(jump, std::abs(down[i] - down[i - 1]));
    EXPECT_LE(jump, 16000 * 2 * M_PI * 1000 / 44100 + 8);
    // Steps beyond four samples are held at four: nothing reads outside the history.
    SoundResampler resampler;
    InitResampler(&resampler);
    SetResamplerRates(&resampler, 48000, 44100 / 8);
    EXPECT_EQ(resampler.step, kResamplerMaxStep);
    EXPECT_FALSE(Feed(SineSamples(40000, 300, 48000), 48000, 2000, 1000, 1).empty());
}

TEST(SoundResampler, InterleaveClampsToSixteenBits) {
    const int32_t left[2] = {40000, -40000}, right[2] = {5, -5};
    const int32_t* channels[2] = {left, right};
    int16_t out[4];
    InterleaveToPcm16(out, channels, 2, 2);
    EXPECT_EQ(std::vector<int16_t>(out, out + 4), (std::vector<int16_t>{32767, 5, -32768, -5}));
}

}  // namespace
