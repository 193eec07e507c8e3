// Writes 16-bit PCM RIFF WAVE files from the ring buffer, with a "smpl"
// chunk carrying the loop points when a loop end is set (bytes 44 and 48 of
// its data; the loop count stays 0). The sizes are filled in at Close.
#include "media/codec_util.h"

namespace {

constexpr uint32_t kMaxWaveChannels = 8;
constexpr uint32_t kWaveBufferFrames = 256;

struct WaveWriter {
    SoundCodecInstance head;
    uint32_t channels;
    uint32_t start;           // where "RIFF" was written
    uint32_t dataSizeOffset;  // where the data chunk's size goes
    uint32_t frames;
    int16_t buffer[kWaveBufferFrames * kMaxWaveChannels];
};

size_t WaveWriterSize(uint32_t) { return sizeof(WaveWriter); }
SoundCodecInstance* WaveWriterCreate(uint32_t channels, void* memory, size_t size);
void WaveWriterDestroy(SoundCodecInstance*) {}

int WaveWriterOpen(SoundCodecInstance* head) {
    WaveWriter* self = CodecSelf<WaveWriter>(head);
    Stream* stream = head->stream;
    if (stream == nullptr) return 0;
    SoundFormat& format = head->format;
    format.formatTag = 1;
    format.channels = static_cast<uint16_t>(self->channels);
    format.bitsPerSample = 16;
    format.blockAlign = static_cast<uint16_t>(2 * self->channels);
    format.bytesPerSecond = format.blockAlign * format.sampleRate;
    self->start = stream->Tell();
    stream->Write("RIFF", 4);
    stream->WriteU32(0);
    stream->Write("WAVEfmt ", 8);
    stream->WriteU32(16);
    WriteSoundFormat(stream, format);
    if (head->loopEnd != 0) {
        uint8_t smpl[60] = {};
        for (int i = 0; i < 4; ++i) {
            smpl[44 + i] = static_cast<uint8_t>(head->loopStart >> (8 * i));
            smpl[48 + i] = static_cast<uint8_t>(head->loopEnd >> (8 * i));
        }
        stream->Write("smpl", 4);
        stream->WriteU32(sizeof smpl);
        stream->Write(smpl, sizeof smpl);
    }
    stream->Write("data", 4);
    self->dataSizeOffset = stream->Tell();
    stream->WriteU32(0);
    self->frames = 0;
    return 1;
}

void WaveWriterProcess(SoundCodecInstance* head) {
    WaveWriter* self = CodecSelf<WaveWriter>(head);
    int32_t* in[16];
    for (;;) {
        uint32_t readable = head->ring->GetReadBlock(in) / 4;
        if (readable == 0) return;
        uint32_t n = readable < kWaveBufferFrames ? readable : kWaveBufferFrames;
        for (uint32_t i = 0; i < n; ++i) {
            for (uint32_t c = 0; c < self->channels; ++c) {
                int32_t sample = in[c][i];
                sample = sample > 32767 ? 32767 : sample < -32768 ? -32768 : sample;
                self->buffer[i * self->channels + c] = static_cast<int16_t>(sample);
            }
        }
        // Little-endian on disk, as on every machine this runs on.
        head->stream->Write(self->buffer, n * self->channels * 2);
        head->ring->CommitRead(n * 4);
        self->frames += n;
    }
}

void WaveWriterClose(SoundCodecInstance* head) {
    WaveWriter* self = CodecSelf<WaveWriter>(head);
    WaveWriterProcess(head);
    Stream* stream = head->stream;
    uint32_t end = stream->Tell();
    stream->Seek(static_cast<int32_t>(self->start + 4), kSeekSet);
    stream->WriteU32(end - self->start - 8);
    stream->Seek(static_cast<int32_t>(self->dataSizeOffset), kSeekSet);
    stream->WriteU32(self->frames * head->format.blockAlign);
    stream->Seek(static_cast<int32_t>(end), kSeekSet);
    stream->Flush();
}

const SoundCodec kWaveWriterCodec = {WaveWriterSize, WaveWriterCreate, WaveWriterDestroy,
                                     WaveWriterProcess, WaveWriterOpen, WaveWriterClose};

SoundCodecInstance* WaveWriterCreate(uint32_t channels, void* memory, size_t size) {
    if (channels == 0 || channels > kMaxWaveChannels) return nullptr;
    SoundCodecInstance* head = BuildCodecInstance<WaveWriter>(memory, size, &kWaveWriterCodec);
    if (head != nullptr) {
        CodecSelf<WaveWriter>(head)->channels = channels;
        head->format.channels = static_cast<uint16_t>(channels);
    }
    return head;
}

}  // namespace

const SoundCodec* GetWaveWriterCodec() { return &kWaveWriterCodec; }
