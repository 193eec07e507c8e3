// Reads RIFF WAVE files of 8-bit unsigned or 16-bit signed PCM, with the
// loop points of a "smpl" chunk (in frames, the end exclusive as the
// engine's own writer stores it). Chunks are walked with their pad bytes;
// every header value is checked before it sizes a read.
#include "media/codec_util.h"
#include "platform/debug_log.h"

namespace {

constexpr uint32_t kMaxWaveChannels = 8;
constexpr uint32_t kWaveBufferFrames = 256;
constexpr uint32_t kSmplChunkSize = 60;

struct WaveReader {
    SoundCodecInstance head;
    uint32_t dataOffset;
    uint32_t channels;  // the most the voice can play
    uint8_t* buffer;    // 256 frames of 16-bit samples of every channel
    uint32_t totalFrames;
    uint32_t position;
    uint32_t emptyReads;  // 0-byte reads in a row while looping
};

size_t WaveReaderSize(uint32_t channels) {
    return AlignUp(sizeof(WaveReader), 16) + kWaveBufferFrames * channels * 2 + 16;
}

SoundCodecInstance* WaveReaderCreate(uint32_t channels, void* memory, size_t size);
void WaveReaderDestroy(SoundCodecInstance*) {}

bool IsId(const uint8_t* id, const char* text) {
    return id[0] == text[0] && id[1] == text[1] && id[2] == text[2] && id[3] == text[3];
}

// Checks the format block once "fmt " is read; false after the log line.
bool CheckWaveFormat(const SoundFormat& format, uint32_t maxChannels) {
    if (format.channels == 0 || format.channels > maxChannels) {
        LogError("Invalid fmt_ chunk");
        return false;
    }
    uint32_t bytesPerSample = format.bitsPerSample / 8;
    if (format.formatTag != 1 || (format.bitsPerSample != 8 && format.bitsPerSample != 16) ||
        format.blockAlign != format.channels * bytesPerSample) {
        LogError("WAVE: only 8- and 16-bit PCM plays (tag %u, %u bits, block %u).", format.formatTag,
                 format.bitsPerSample, format.blockAlign);
        return false;
    }
    if (format.sampleRate < kMinSoundRate || format.sampleRate > kMaxSoundRate) {
        LogError("WAVE: unusable sample rate %u.", format.sampleRate);
        return false;
    }
    return true;
}

int WaveReaderOpen(SoundCodecInstance* head) {
    WaveReader* self = CodecSelf<WaveReader>(head);
    Stream* stream = head->stream;
    self->position = 0;
    self->emptyReads = 0;
    head->ended = 1;
    head->loopStart = head->loopEnd = 0;
    uint8_t id[4] = {};
    if (stream == nullptr || stream->Read(id, 4) != 4 || !IsId(id, "RIFF")) {
        LogError("Not WAVE file format.");
        return 0;
    }
    stream->ReadU32();
    if (stream->Read(id, 4) != 4 || !IsId(id, "WAVE")) {
        LogError("Not WAVE file format.");
        return 0;
    }
    bool haveFormat = false;
    for (;;) {
        if (stream->Read(id, 4) != 4) {
            LogError("WAVE: no \"data\" chunk.");
            return 0;
        }
        uint32_t size = stream->ReadU32();
        if (IsId(id, "fmt ")) {
            if (size < 16 || !ReadSoundFormat(stream, &head->format)) {
                LogError("Invalid fmt_ chunk");
                return 0;
            }
            if (!CheckWaveFormat(head->format, self->channels)) return 0;
            haveFormat = true;
            size -= 16;
        } else if (IsId(id, "smpl")) {
            if (size != kSmplChunkSize) {
                LogError("Invalid smpl chunk.");
                return 0;
            }
            if (!SkipStreamBytes(stream, 44)) break;
            head->loopStart = stream->ReadU32();
            head->loopEnd = stream->ReadU32();
            size = 8;
        } else if (IsId(id, "data")) {
            if (!haveFormat) {
                LogError("WAVE: \"data\" comes before \"fmt \".");
                return 0;
            }
            self->dataOffset = stream->Tell();
            uint32_t available = stream->Size() - self->dataOffset;
            self->totalFrames = (size < available ? size : available) / head->format.blockAlign;
            break;
        }
        // RIFF pads odd-sized chunks to an even size; a size of 0xFFFFFFFF
        // pads past 32 bits, and no stream is that long.
        const uint64_t padded = uint64_t{size} + (size & 1);
        if (padded > 0xFFFFFFFFu || !SkipStreamBytes(stream, static_cast<uint32_t>(padded))) {
            LogError("WAVE: a chunk runs past the end of the file.");
            return 0;
        }
    }
    // Loop points outside the data are ignored: the loop then spans it all.
    if (head->loopEnd == 0) head->loopEnd = self->totalFrames;
    if (head->loopStart >= head->loopEnd || head->loopEnd > self->totalFrames) {
        head->loopStart = 0;
        head->loopEnd = self->totalFrames;
    }
    head->ended = self->totalFrames == 0 ? 1 : 0;
    return 1;
}

// Converts `frames` frames of the buffer into the ring pointers at `done`.
void ConvertFrames(const WaveReader* self, int32_t* const* out, uint32_t done, uint32_t frames) {
    uint32_t channels = self->head.format.channels;
    if (self->head.format.bitsPerSample == 16) {
        const uint8_t* bytes = self->buffer;
        for (uint32_t i = 0; i < frames; ++i) {
            for (uint32_t c = 0; c < channels; ++c, bytes += 2) {
                out[c][done + i] = static_cast<int16_t>(bytes[0] | bytes[1] << 8);
            }
        }
    } else {
        const uint8_t* bytes = self->buffer;
        for (uint32_t i = 0; i < frames; ++i) {
            for (uint32_t c = 0; c < channels; ++c) out[c][done + i] = (static_cast<int32_t>(*bytes++) - 128) * 256;
        }
    }
}

void WaveReaderProcess(SoundCodecInstance* head) {
    WaveReader* self = CodecSelf<WaveReader>(head);
    if (head->ended != 0) return;
    int32_t* out[kMaxWaveChannels];
    uint32_t freeFrames = head->ring->GetWriteBlock(out) / 4;
    // Loop value 2 never loops, as for the other readers.
    bool looping = head->loop == 1;
    uint32_t end = looping ? head->loopEnd : self->totalFrames;
    uint32_t remaining = end > self->position ? end - self->position : 0;
    uint32_t n = remaining < freeFrames ? remaining : freeFrames;
    uint32_t done = 0;
    while (n > 0) {
        uint32_t frames = n < kWaveBufferFrames ? n : kWaveBufferFrames;
        uint32_t bytes = frames * head->format.blockAlign;
        uint32_t got = head->stream->Read(self->buffer, bytes) / head->format.blockAlign;
        if (got == 0) break;
        ConvertFrames(self, out, done, got);
        done += got;
        n -= got;
        if (got < frames) break;
    }
    self->position += done;
    head->ring->CommitWrite(done * 4);
    bool shortRead = done < (remaining < freeFrames ? remaining : freeFrames);
    if (looping) {
        // Nothing came twice in a row: there is nothing left to loop over.
        self->emptyReads = shortRead && done == 0 ? self->emptyReads + 1 : 0;
        if (self->emptyReads >= 2) {
            head->ended = 1;
            return;
        }
        if (self->position >= head->loopEnd || shortRead) {
            head->stream->Seek(static_cast<int32_t>(self->dataOffset + head->format.blockAlign * head->loopStart),
                               kSeekSet);
            self->position = head->loopStart;
        }
    } else if (self->position >= self->totalFrames || shortRead) {
        head->ended = 1;
    }
}

void WaveReaderClose(SoundCodecInstance*) {}

const SoundCodec kWaveReaderCodec = {WaveReaderSize, WaveReaderCreate, WaveReaderDestroy,
                                     WaveReaderProcess, WaveReaderOpen, WaveReaderClose};

SoundCodecInstance* WaveReaderCreate(uint32_t channels, void* memory, size_t size) {
    if (channels == 0 || channels > kMaxWaveChannels || size < WaveReaderSize(channels)) return nullptr;
    SoundCodecInstance* head = BuildCodecInstance<WaveReader>(memory, size, &kWaveReaderCodec);
    WaveReader* self = CodecSelf<WaveReader>(head);
    self->channels = channels;
    self->buffer = static_cast<uint8_t*>(memory) + AlignUp(sizeof(WaveReader), 16);
    self->buffer = reinterpret_cast<uint8_t*>(AlignUp(reinterpret_cast<uintptr_t>(self->buffer), 16));
    return head;
}

}  // namespace

const SoundCodec* GetWaveReaderCodec() { return &kWaveReaderCodec; }
