// Sound codecs: plug-ins that turn a Stream into planar 32-bit samples (at
// 16-bit scale) in a voice's ring buffer, or, for the writers, the ring
// buffer's samples into a file. Each codec is a table of six functions; an
// instance is built in place in memory that a voice pool reserves for it, so
// nothing is allocated while sound plays.
#pragma once

#include <cstddef>
#include <cstdint>

struct Stream;

// A ring of planar samples: every channel has its own region of `capacity`
// bytes, and all channels move together (one read and one write position).
// Blocks handed out are contiguous up to the wrap.
struct SoundRingBuffer {
    uint32_t capacity;    // bytes per channel
    uint32_t gap;         // bytes between channel regions
    uint32_t dataOffset;  // from the head to channel 0's region
    uint32_t channels;
    uint32_t readPos;
    uint32_t writePos;
    uint32_t fill;  // bytes per channel

    static size_t Size(uint32_t channels, uint32_t capacity, uint32_t gap, uint32_t alignment);
    // Builds an empty ring in `memory` (at least Size bytes).
    static SoundRingBuffer* Build(void* memory, uint32_t channels, uint32_t capacity, uint32_t gap,
                                  uint32_t alignment);
    int32_t* Channel(uint32_t c) {
        return reinterpret_cast<int32_t*>(reinterpret_cast<char*>(this) + dataOffset + c * (capacity + gap));
    }
    // Contiguous bytes that may be written (0 when full), one pointer per channel.
    uint32_t GetWriteBlock(int32_t** pointers);
    // Contiguous bytes that may be read (0 when empty), one pointer per channel.
    uint32_t GetReadBlock(int32_t** pointers);
    void CommitWrite(uint32_t bytes);
    void CommitRead(uint32_t bytes);
    void Reset();
};

// The first 16 bytes of a WAVE "fmt " chunk.
struct SoundFormat {
    uint16_t formatTag;
    uint16_t channels;
    uint32_t sampleRate;
    uint32_t bytesPerSecond;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
};
static_assert(sizeof(SoundFormat) == 16, "the format block is 16 bytes on disk");

struct SoundCodec;

// The head every codec instance begins with; the voice reads and writes it.
struct SoundCodecInstance {
    const SoundCodec* codec;
    int32_t ended;  // the last sample is in the ring buffer
    Stream* stream;
    SoundRingBuffer* ring;
    SoundFormat format;
    uint32_t loopStart;  // frames; loopEnd is exclusive, 0 = no loop points
    uint32_t loopEnd;
    int32_t loop;  // 0 the file decides, 1 loop, 2 never loop
};

struct SoundCodec {
    size_t (*Size)(uint32_t channels);
    SoundCodecInstance* (*Create)(uint32_t channels, void* memory, size_t size);
    void (*Destroy)(SoundCodecInstance* self);
    void (*Process)(SoundCodecInstance* self);
    int (*Open)(SoundCodecInstance* self);  // 1 on success
    void (*Close)(SoundCodecInstance* self);
};

// Readers: the engine's ADPCM ("EADP"), Ogg Vorbis (loop comments LPST= and
// LPED=), and RIFF WAVE (the "smpl" loop). Writers: WAVE and EADP, whose
// instances take their channels and sample rate in format before Open.
const SoundCodec* GetAdpcmReaderCodec();
const SoundCodec* GetOggReaderCodec();
const SoundCodec* GetWaveReaderCodec();
const SoundCodec* GetWaveWriterCodec();
const SoundCodec* GetAdpcmWriterCodec();

// Sample rates a reader accepts; anything else is refused at open so rates
// of 0 and absurd ratios never reach the resampler.
constexpr uint32_t kMinSoundRate = 1000;
constexpr uint32_t kMaxSoundRate = 384000;
