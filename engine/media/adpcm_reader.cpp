// Reads the engine's own ADPCM format "EADP": a 16-byte format block, the
// sample total, reserved words, then blocks of 16 bytes per channel, each
// byte two 4-bit codes (low half first), 32 samples per channel a block.
// The reader does not loop. A file that ends early or declares more channels
// than the voice has is ended or refused, never read past.
#include "media/codec_util.h"
#include "platform/debug_log.h"

namespace {

constexpr uint32_t kMaxAdpcmChannels = 8;

struct AdpcmReader {
    SoundCodecInstance head;
    uint32_t channels;  // the most the voice can play
    uint32_t decoded;   // samples per channel
    uint32_t totalSamples;
    uint32_t reserved[2];
    AdpcmChannelState state[kMaxAdpcmChannels];
    uint8_t block[kAdpcmBlockBytes * kMaxAdpcmChannels];
};

size_t AdpcmReaderSize(uint32_t) { return sizeof(AdpcmReader); }

SoundCodecInstance* AdpcmReaderCreate(uint32_t channels, void* memory, size_t size);

void AdpcmReaderDestroy(SoundCodecInstance*) {}

int AdpcmReaderOpen(SoundCodecInstance* head) {
    AdpcmReader* self = CodecSelf<AdpcmReader>(head);
    Stream* stream = head->stream;
    head->ended = 1;
    head->loopStart = head->loopEnd = 0;
    uint8_t magic[4] = {};
    if (stream == nullptr || stream->Read(magic, 4) != 4 || magic[0] != 'E' || magic[1] != 'A' ||
        magic[2] != 'D' || magic[3] != 'P') {
        LogError("That format is not ADPCM.");
        return 0;
    }
    if (!ReadSoundFormat(stream, &head->format)) {
        LogError("EADP: the header is cut short.");
        return 0;
    }
    uint32_t channels = head->format.channels;
    if (channels == 0 || channels > self->channels) {
        LogError("EADP: %u channels, the voice plays at most %u.", channels, self->channels);
        return 0;
    }
    if (head->format.sampleRate < kMinSoundRate || head->format.sampleRate > kMaxSoundRate) {
        LogError("EADP: unusable sample rate %u.", head->format.sampleRate);
        return 0;
    }
    self->totalSamples = stream->ReadU32();
    self->reserved[0] = stream->ReadU32();
    self->reserved[1] = stream->ReadU32();
    // The per-channel reserved bytes and the 40 reserved bytes are not used.
    if (!SkipStreamBytes(stream, 8 * channels + 40)) {
        LogError("EADP: the header is cut short.");
        return 0;
    }
    for (uint32_t c = 0; c < channels; ++c) self->state[c] = {kAdpcmInitialStep, 0};
    self->decoded = 0;
    head->ended = self->totalSamples == 0 ? 1 : 0;
    return 1;
}

void AdpcmReaderProcess(SoundCodecInstance* head) {
    AdpcmReader* self = CodecSelf<AdpcmReader>(head);
    if (head->ended != 0) return;
    uint32_t channels = head->format.channels;
    uint32_t blockBytes = kAdpcmBlockBytes * channels;
    int32_t* out[kMaxAdpcmChannels];
    while (head->ring->GetWriteBlock(out) >= kAdpcmBlockSamples * 4) {
        if (head->stream->Read(self->block, blockBytes) != blockBytes) {
            head->ended = 1;  // cut short: what was decoded plays, then the sound ends
            return;
        }
        for (uint32_t c = 0; c < channels; ++c) {
            const uint8_t* bytes = self->block + kAdpcmBlockBytes * c;
            AdpcmChannelState state = self->state[c];
            int32_t* samples = out[c];
            for (uint32_t i = 0; i < kAdpcmBlockBytes; ++i) {
                *samples++ = AdpcmDecodeCode(&state, bytes[i] & 15u);
                *samples++ = AdpcmDecodeCode(&state, bytes[i] >> 4);
            }
            self->state[c] = state;
        }
        self->decoded += kAdpcmBlockSamples;
        if (self->decoded >= self->totalSamples) head->ended = 1;
        head->ring->CommitWrite(kAdpcmBlockSamples * 4);
        if (head->ended != 0) return;
    }
}

void AdpcmReaderClose(SoundCodecInstance*) {}

const SoundCodec kAdpcmReaderCodec = {AdpcmReaderSize, AdpcmReaderCreate, AdpcmReaderDestroy,
                                      AdpcmReaderProcess, AdpcmReaderOpen,   AdpcmReaderClose};

SoundCodecInstance* AdpcmReaderCreate(uint32_t channels, void* memory, size_t size) {
    SoundCodecInstance* head = BuildCodecInstance<AdpcmReader>(memory, size, &kAdpcmReaderCodec);
    if (head != nullptr) {
        CodecSelf<AdpcmReader>(head)->channels = channels < kMaxAdpcmChannels ? channels : kMaxAdpcmChannels;
    }
    return head;
}

}  // namespace

const SoundCodec* GetAdpcmReaderCodec() { return &kAdpcmReaderCodec; }
