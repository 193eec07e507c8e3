// Writes "EADP" files: the samples in the ring buffer are encoded 32 per
// channel at a time with the same predictor the reader uses, so writer and
// reader stay in step. The header is a placeholder until Close, which pads
// the last block with silence (counted in the total) and fills it in.
#include "media/codec_util.h"

namespace {

constexpr uint32_t kMaxAdpcmChannels = 8;

struct AdpcmWriter {
    SoundCodecInstance head;
    uint32_t channels;
    uint32_t headerPosition;
    uint32_t totalSamples;
    AdpcmChannelState state[kMaxAdpcmChannels];
    int32_t pending[kMaxAdpcmChannels][kAdpcmBlockSamples];
    uint8_t block[kAdpcmBlockBytes * kMaxAdpcmChannels];
};

size_t AdpcmWriterSize(uint32_t) { return sizeof(AdpcmWriter); }
SoundCodecInstance* AdpcmWriterCreate(uint32_t channels, void* memory, size_t size);
void AdpcmWriterDestroy(SoundCodecInstance*) {}

uint32_t UsedChannels(const AdpcmWriter* self) {
    uint32_t channels = self->head.format.channels;
    if (channels == 0 || channels > self->channels) channels = self->channels;
    return channels;
}

int AdpcmWriterOpen(SoundCodecInstance* head) {
    AdpcmWriter* self = CodecSelf<AdpcmWriter>(head);
    if (head->stream == nullptr) return 0;
    uint32_t channels = UsedChannels(self);
    SoundFormat& format = head->format;
    format.formatTag = 1;
    format.channels = static_cast<uint16_t>(channels);
    format.bitsPerSample = 16;
    format.blockAlign = static_cast<uint16_t>(2 * channels);
    format.bytesPerSecond = format.blockAlign * format.sampleRate;
    self->headerPosition = head->stream->Tell();
    uint8_t zeros[72 + 8 * kMaxAdpcmChannels] = {};
    head->stream->Write(zeros, AdpcmHeaderBytes(channels));
    for (uint32_t c = 0; c < channels; ++c) self->state[c] = {kAdpcmInitialStep, 0};
    self->totalSamples = 0;
    return 1;
}

// Encodes pending[c][0..31] of every channel into one block and writes it.
void EncodeBlock(AdpcmWriter* self) {
    uint32_t channels = UsedChannels(self);
    for (uint32_t c = 0; c < channels; ++c) {
        AdpcmChannelState& state = self->state[c];
        uint8_t* bytes = self->block + kAdpcmBlockBytes * c;
        for (uint32_t i = 0; i < kAdpcmBlockBytes; ++i) {
            uint32_t low = AdpcmChooseCode(state, self->pending[c][2 * i]);
            AdpcmDecodeCode(&state, low);
            uint32_t high = AdpcmChooseCode(state, self->pending[c][2 * i + 1]);
            AdpcmDecodeCode(&state, high);
            bytes[i] = static_cast<uint8_t>(low | high << 4);
        }
    }
    self->head.stream->Write(self->block, kAdpcmBlockBytes * channels);
    self->totalSamples += kAdpcmBlockSamples;
}

// Moves up to `samples` from the ring into pending from `offset`; returns how many.
uint32_t TakeFromRing(AdpcmWriter* self, uint32_t offset, uint32_t samples) {
    uint32_t channels = UsedChannels(self);
    uint32_t taken = 0;
    int32_t* in[16];
    while (taken < samples) {
        uint32_t readable = self->head.ring->GetReadBlock(in) / 4;
        if (readable == 0) break;
        uint32_t n = samples - taken < readable ? samples - taken : readable;
        for (uint32_t c = 0; c < channels; ++c) {
            for (uint32_t i = 0; i < n; ++i) self->pending[c][offset + taken + i] = in[c][i];
        }
        self->head.ring->CommitRead(n * 4);
        taken += n;
    }
    return taken;
}

void AdpcmWriterProcess(SoundCodecInstance* head) {
    AdpcmWriter* self = CodecSelf<AdpcmWriter>(head);
    while (head->ring->fill >= kAdpcmBlockSamples * 4) {
        TakeFromRing(self, 0, kAdpcmBlockSamples);
        EncodeBlock(self);
    }
}

void AdpcmWriterClose(SoundCodecInstance* head) {
    AdpcmWriter* self = CodecSelf<AdpcmWriter>(head);
    AdpcmWriterProcess(head);
    uint32_t channels = UsedChannels(self);
    uint32_t rest = TakeFromRing(self, 0, kAdpcmBlockSamples);
    if (rest > 0) {
        for (uint32_t c = 0; c < channels; ++c) {
            for (uint32_t i = rest; i < kAdpcmBlockSamples; ++i) self->pending[c][i] = 0;
        }
        EncodeBlock(self);
    }
    Stream* stream = head->stream;
    uint32_t end = stream->Tell();
    stream->Seek(static_cast<int32_t>(self->headerPosition), kSeekSet);
    stream->Write("EADP", 4);
    WriteSoundFormat(stream, head->format);
    stream->WriteU32(self->totalSamples);
    stream->WriteU32(0);
    stream->WriteU32(0);
    stream->Seek(static_cast<int32_t>(end), kSeekSet);
    stream->Flush();
}

const SoundCodec kAdpcmWriterCodec = {AdpcmWriterSize, AdpcmWriterCreate, AdpcmWriterDestroy,
                                      AdpcmWriterProcess, AdpcmWriterOpen,   AdpcmWriterClose};

SoundCodecInstance* AdpcmWriterCreate(uint32_t channels, void* memory, size_t size) {
    SoundCodecInstance* head = BuildCodecInstance<AdpcmWriter>(memory, size, &kAdpcmWriterCodec);
    if (head != nullptr) {
        uint32_t kept = channels == 0 ? 1 : channels < kMaxAdpcmChannels ? channels : kMaxAdpcmChannels;
        CodecSelf<AdpcmWriter>(head)->channels = kept;
        head->format.channels = static_cast<uint16_t>(kept);
    }
    return head;
}

}  // namespace

const SoundCodec* GetAdpcmWriterCodec() { return &kAdpcmWriterCodec; }
