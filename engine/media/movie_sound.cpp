// The movie's voice: the PCM stream reader, the stream over the decoder's
// sound queue, and the one-voice pool they play on.
#include "media/movie_sound.h"

#include <atomic>
#include <climits>
#include <cstring>
#include <new>

#include "core/allocator.h"
#include "fs/stream.h"
#include "media/codec_util.h"
#include "media/sound_manager.h"
#include "media/voice.h"
#include "platform/debug_log.h"
#include "platform/movie_decoder.h"

namespace {

// --- the reader ------------------------------------------------------------------

constexpr uint32_t kPcmChunkFrames = 256;

struct PcmStreamReader {
    SoundCodecInstance head;
    int16_t buffer[kPcmChunkFrames * 2];
};

size_t PcmReaderSize(uint32_t) { return sizeof(PcmStreamReader); }

SoundCodecInstance* PcmReaderCreate(uint32_t channels, void* memory, size_t size);
void PcmReaderDestroy(SoundCodecInstance*) {}

int PcmReaderOpen(SoundCodecInstance* head) {
    head->ended = 0;
    if (!ReadSoundFormat(head->stream, &head->format) || head->format.formatTag != 1 ||
        head->format.bitsPerSample != 16 || head->format.channels < 1 || head->format.channels > 2 ||
        head->format.sampleRate < kMinSoundRate || head->format.sampleRate > kMaxSoundRate) {
        LogError("PCM stream: not 16-bit PCM of 1 or 2 channels.");
        return 0;
    }
    head->format.blockAlign = static_cast<uint16_t>(head->format.channels * 2);
    return 1;
}

void PcmReaderProcess(SoundCodecInstance* head) {
    auto* self = CodecSelf<PcmStreamReader>(head);
    if (head->ended != 0) return;
    int32_t* out[2];
    uint32_t room = head->ring->GetWriteBlock(out) / 4;
    if (room > kPcmChunkFrames) room = kPcmChunkFrames;
    if (room == 0) return;
    const uint32_t channels = head->format.channels;
    const uint32_t frameBytes = channels * 2;
    const uint32_t got = head->stream->Read(self->buffer, room * frameBytes) / frameBytes;
    for (uint32_t i = 0; i < got; ++i) {
        for (uint32_t c = 0; c < channels; ++c) out[c][i] = self->buffer[i * channels + c];
    }
    head->ring->CommitWrite(got * 4);
    if (got < room && head->stream->State() != kStreamHasData) head->ended = 1;
}

void PcmReaderClose(SoundCodecInstance*) {}

const SoundCodec kPcmStreamReader = {PcmReaderSize,    PcmReaderCreate, PcmReaderDestroy,
                                     PcmReaderProcess, PcmReaderOpen,   PcmReaderClose};

SoundCodecInstance* PcmReaderCreate(uint32_t, void* memory, size_t size) {
    return BuildCodecInstance<PcmStreamReader>(memory, size, &kPcmStreamReader);
}

// --- the stream over the decoder ---------------------------------------------------

struct DecoderSoundStream {
    Stream base;
    MovieSound* owner;
    uint8_t header[16];
    uint32_t headerSent;
    bool ended;
};

}  // namespace

struct MovieSound {
    MovieDecoder* decoder;
    VoicePool* pool;
    uint32_t sampleRate;
    std::atomic<uint64_t> framesTaken{0};
    std::atomic<bool> voiceGone{false};
};

namespace {

DecoderSoundStream* SoundStreamOf(Stream* stream) { return reinterpret_cast<DecoderSoundStream*>(stream); }

void SoundStreamRelease(Stream* stream) {
    SoundStreamOf(stream)->owner->voiceGone.store(true);
    delete SoundStreamOf(stream);
}

uint32_t SoundStreamRead(Stream* stream, void* buffer, uint32_t count) {
    DecoderSoundStream* self = SoundStreamOf(stream);
    auto* bytes = static_cast<uint8_t*>(buffer);
    uint32_t done = 0;
    while (self->headerSent < sizeof self->header && done < count) bytes[done++] = self->header[self->headerSent++];
    const uint32_t frames = (count - done) / 4;
    if (frames == 0 || self->ended) return done;
    uint8_t* samples = bytes + done;
    uint32_t got = 0;
    // The buffer is byte-aligned in general; read through an aligned chunk.
    int16_t chunk[512];
    while (got < frames) {
        uint32_t want = frames - got < 256 ? frames - got : 256;
        uint32_t n = self->owner->decoder->ReadAudio(chunk, want);
        std::memcpy(samples + got * 4, chunk, n * 4);
        got += n;
        if (n < want) break;
    }
    if (got < frames) {
        if (self->owner->decoder->AudioDone()) {
            self->ended = true;
        } else {
            std::memset(samples + got * 4, 0, (frames - got) * 4);  // the decoder is behind
            got = frames;
        }
    }
    self->owner->framesTaken.fetch_add(got);
    return done + got * 4;
}

uint32_t SoundStreamWrite(Stream*, const void*, uint32_t) { return 0; }
int32_t SoundStreamFlush(Stream*) { return 0; }
uint32_t SoundStreamSeek(Stream*, int32_t, int) { return 0; }
uint32_t SoundStreamTell(Stream*) { return 0; }
uint32_t SoundStreamSize(Stream*) { return 0; }
int SoundStreamState(Stream* stream) { return SoundStreamOf(stream)->ended ? kStreamAtEnd : kStreamHasData; }

const StreamOps kDecoderSoundOps = {SoundStreamRelease, SoundStreamRead,  SoundStreamWrite,
                                    SoundStreamFlush,   SoundStreamSeek,  SoundStreamTell,
                                    SoundStreamSize,    SoundStreamState, nullptr, nullptr};

Stream* NewDecoderSoundStream(MovieSound* owner) {
    auto* stream = new (std::nothrow) DecoderSoundStream();
    if (stream == nullptr) return nullptr;
    stream->base.ops = &kDecoderSoundOps;
    stream->owner = owner;
    const uint32_t rate = owner->sampleRate;
    const uint8_t header[16] = {1, 0, 2, 0,
                                static_cast<uint8_t>(rate), static_cast<uint8_t>(rate >> 8),
                                static_cast<uint8_t>(rate >> 16), static_cast<uint8_t>(rate >> 24),
                                static_cast<uint8_t>(rate * 4), static_cast<uint8_t>(rate * 4 >> 8),
                                static_cast<uint8_t>(rate * 4 >> 16), static_cast<uint8_t>(rate * 4 >> 24),
                                4, 0, 16, 0};
    std::memcpy(stream->header, header, sizeof header);
    return &stream->base;
}

}  // namespace

const SoundCodec* GetPcmStreamReaderCodec() { return &kPcmStreamReader; }

MovieSound* StartMovieSound(MovieDecoder* decoder, uint32_t sampleRate, int32_t category) {
    if (decoder == nullptr || !decoder->HasAudio() || !SoundManagerRunning()) return nullptr;
    auto* sound = new (std::nothrow) MovieSound();
    if (sound == nullptr) return nullptr;
    sound->decoder = decoder;
    sound->sampleRate = sampleRate;
    sound->pool = CreateVoicePool(GetPcmStreamReaderCodec(), kSoundTypeMoviePcm, 1, 2, nullptr);
    Stream* stream = sound->pool != nullptr ? NewDecoderSoundStream(sound) : nullptr;
    bool started = false;
    if (stream != nullptr) {
        LockSoundManager();
        VoiceSlot* slot = AcquireVoice(kSoundTypeMoviePcm, 2, INT32_MAX);
        if (slot != nullptr && AddVoiceToCategory(category, slot)) {
            SoundParams params;
            params.category = category;
            SetVoiceStream(slot->voice, stream);
            SetVoiceParams(slot->voice, params);
            StartVoice(slot->voice);
            started = true;
        } else if (slot != nullptr) {
            ReturnVoiceToPool(slot);
        }
        UnlockSoundManager();
        if (!started) SoundStreamRelease(stream);
    }
    if (!started) {
        LogWarning("A movie plays without its sound: no voice for it.");
        StopMovieSound(sound);
        return nullptr;
    }
    return sound;
}

void StopMovieSound(MovieSound* sound) {
    if (sound == nullptr) return;
    DestroyVoicePool(sound->pool);  // takes the manager's lock: the mixer is out of the stream after this
    delete sound;
}

int64_t MovieSoundClockMicros(const MovieSound* sound) {
    if (sound == nullptr || sound->sampleRate == 0) return 0;
    return static_cast<int64_t>(sound->framesTaken.load() * 1000000 / sound->sampleRate);
}

bool MovieSoundPlaying(const MovieSound* sound) { return sound != nullptr && !sound->voiceGone.load(); }
