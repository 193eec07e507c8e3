// Planar 32-bit samples to interleaved, clamped signed 16-bit frames.
#include "platform/audio_device.h"

void InterleaveToPcm16(int16_t* destination, const int32_t* const* channels, uint32_t channelCount,
                       uint32_t count) {
    for (uint32_t c = 0; c < channelCount; ++c) {
        const int32_t* source = channels[c];
        int16_t* out = destination + c;
        for (uint32_t i = 0; i < count; ++i, out += channelCount) {
            int32_t sample = source[i];
            if (sample > 32767) sample = 32767;
            if (sample < -32768) sample = -32768;
            *out = static_cast<int16_t>(sample);
        }
    }
}
