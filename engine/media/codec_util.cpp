// Shared pieces of the codecs: format blocks, skipping, float conversion and
// the EADP ADPCM predictor with its two tables.
#include "media/codec_util.h"

#include <cmath>

namespace {

// Signed 8-bit step multipliers: codes 7 and 15 move by 2 steps (16/8), not 15/8.
constexpr int32_t kAdpcmDelta[16] = {1, 3, 5, 7, 9, 11, 13, 16, -1, -3, -5, -7, -9, -11, -13, -16};
constexpr int32_t kAdpcmAdapt[16] = {57, 57, 57, 57, 77, 102, 128, 153, 57, 57, 57, 57, 77, 102, 128, 153};
constexpr int32_t kAdpcmMinStep = 23;
constexpr int32_t kAdpcmMaxStep = 24576;

}  // namespace

bool ReadSoundFormat(Stream* stream, SoundFormat* format) {
    uint8_t bytes[16];
    if (stream->Read(bytes, 16) != 16) return false;
    format->formatTag = static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
    format->channels = static_cast<uint16_t>(bytes[2] | bytes[3] << 8);
    format->sampleRate = bytes[4] | bytes[5] << 8 | bytes[6] << 16 | static_cast<uint32_t>(bytes[7]) << 24;
    format->bytesPerSecond = bytes[8] | bytes[9] << 8 | bytes[10] << 16 | static_cast<uint32_t>(bytes[11]) << 24;
    format->blockAlign = static_cast<uint16_t>(bytes[12] | bytes[13] << 8);
    format->bitsPerSample = static_cast<uint16_t>(bytes[14] | bytes[15] << 8);
    return true;
}

void WriteSoundFormat(Stream* stream, const SoundFormat& format) {
    uint8_t bytes[16] = {
        static_cast<uint8_t>(format.formatTag), static_cast<uint8_t>(format.formatTag >> 8),
        static_cast<uint8_t>(format.channels), static_cast<uint8_t>(format.channels >> 8),
        static_cast<uint8_t>(format.sampleRate), static_cast<uint8_t>(format.sampleRate >> 8),
        static_cast<uint8_t>(format.sampleRate >> 16), static_cast<uint8_t>(format.sampleRate >> 24),
        static_cast<uint8_t>(format.bytesPerSecond), static_cast<uint8_t>(format.bytesPerSecond >> 8),
        static_cast<uint8_t>(format.bytesPerSecond >> 16), static_cast<uint8_t>(format.bytesPerSecond >> 24),
        static_cast<uint8_t>(format.blockAlign), static_cast<uint8_t>(format.blockAlign >> 8),
        static_cast<uint8_t>(format.bitsPerSample), static_cast<uint8_t>(format.bitsPerSample >> 8)};
    stream->Write(bytes, 16);
}

bool SkipStreamBytes(Stream* stream, uint32_t bytes) {
    if (bytes == 0) return true;
    uint32_t position = stream->Tell();
    uint32_t size = stream->Size();
    if (position > size || size - position < bytes) return false;
    return stream->Seek(static_cast<int32_t>(position + bytes), kSeekSet) == position + bytes;
}

int32_t FloatSampleToInt(float value) {
    float scaled = value * 32767.0f;
    if (scaled >= 2147483520.0f) return INT32_MAX;  // the largest float below 2^31
    if (scaled <= -2147483648.0f) return INT32_MIN;
    if (scaled != scaled) return 0;  // NaN
    return static_cast<int32_t>(scaled);
}

int32_t AdpcmDecodeCode(AdpcmChannelState* state, uint32_t code) {
    code &= 15;
    int64_t sample = static_cast<int64_t>(state->sample) + ((kAdpcmDelta[code] * state->step) >> 3);
    if (sample > INT32_MAX) sample = INT32_MAX;
    if (sample < INT32_MIN) sample = INT32_MIN;
    state->sample = static_cast<int32_t>(sample);
    int32_t step = (kAdpcmAdapt[code] * state->step) >> 6;
    if (step < kAdpcmMinStep) step = kAdpcmMinStep;
    if (step > kAdpcmMaxStep) step = kAdpcmMaxStep;
    state->step = step;
    return state->sample;
}

uint32_t AdpcmChooseCode(const AdpcmChannelState& state, int32_t sample) {
    int64_t diff = static_cast<int64_t>(sample) - state.sample;
    for (int32_t k = 7; k >= -7; --k) {
        if (diff >= (2 * k * state.step) / 8) return k >= 0 ? static_cast<uint32_t>(k) : static_cast<uint32_t>(7 - k);
    }
    return 15;
}
