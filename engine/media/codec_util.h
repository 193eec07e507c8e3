// What the codecs share: building an instance in pool memory, the format
// block on disk, and the ADPCM step tables of the "EADP" format.
#pragma once

#include <cstring>
#include <new>

#include "fs/stream.h"
#include "media/sound_codec.h"

// Builds a zeroed T in `memory` with the codec table set; null when the
// memory is too small.
template <class T>
SoundCodecInstance* BuildCodecInstance(void* memory, size_t size, const SoundCodec* codec) {
    if (memory == nullptr || size < sizeof(T)) return nullptr;
    std::memset(memory, 0, sizeof(T));
    T* instance = new (memory) T();
    instance->head.codec = codec;
    return &instance->head;
}

template <class T>
T* CodecSelf(SoundCodecInstance* head) {
    return reinterpret_cast<T*>(head);  // the head is the first member
}

inline size_t AlignUp(size_t value, size_t alignment) { return (value + alignment - 1) / alignment * alignment; }

// Reads the 16-byte format block (little-endian on disk); false on a short read.
bool ReadSoundFormat(Stream* stream, SoundFormat* format);
void WriteSoundFormat(Stream* stream, const SoundFormat& format);
// Skips `bytes` forward; false when the stream ends first.
bool SkipStreamBytes(Stream* stream, uint32_t bytes);
// Clamps a float sample (at 16-bit scale) into the int32 range and truncates.
int32_t FloatSampleToInt(float value);

// The EADP predictor of one channel.
struct AdpcmChannelState {
    int32_t step;
    int32_t sample;
};
constexpr int32_t kAdpcmInitialStep = 23;
// Decodes one 4-bit code: advances the state and returns the new sample.
// The sample saturates at the int32 range; the step stays within 23..24576.
int32_t AdpcmDecodeCode(AdpcmChannelState* state, uint32_t code);
// The code the encoder picks for `sample` from `state` (the state is not moved).
uint32_t AdpcmChooseCode(const AdpcmChannelState& state, int32_t sample);

constexpr uint32_t kAdpcmBlockBytes = 16;    // per channel
constexpr uint32_t kAdpcmBlockSamples = 32;  // per channel
inline uint32_t AdpcmHeaderBytes(uint32_t channels) { return 72 + 8 * channels; }
