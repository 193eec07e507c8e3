// Whole sounds through the codecs at once, outside the mixer: what the tools
// that make the sample's sounds and the tests use to write a file from
// samples and to read one back.
#pragma once

#include <cstdint>
#include <vector>

struct SoundCodec;
struct SoundFormat;
struct Stream;

// Writes `frameCount` interleaved 16-bit frames of `channels` channels with a
// writer codec (GetWaveWriterCodec, GetAdpcmWriterCodec) into `stream`, which
// stays the caller's. A loop end of 0 writes no loop. False on bad arguments.
bool EncodeSound(const SoundCodec* writer, Stream* stream, const int16_t* frames, uint32_t frameCount,
                 uint32_t channels, uint32_t sampleRate, uint32_t loopStart, uint32_t loopEnd);

// Reads `stream` through a reader codec with loop value `loop` until it ends
// or `maxFrames` frames came; the samples come back interleaved. The stream
// stays the caller's. False when the reader refused the stream.
bool DecodeSound(const SoundCodec* reader, Stream* stream, int32_t loop, uint32_t maxChannels, uint32_t maxFrames,
                 std::vector<int32_t>* samples, SoundFormat* format);
