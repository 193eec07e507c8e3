// Encoding and decoding whole sounds through a codec and a ring buffer of
// their own, the same way a voice drives a reader.
#include "media/sound_file_io.h"

#include <memory>

#include "media/sound_codec.h"

namespace {

constexpr uint32_t kRingBytes = 1024;

struct CodecRun {
    std::unique_ptr<char[]> memory;
    SoundCodecInstance* codec = nullptr;
    SoundRingBuffer* ring = nullptr;

    bool Build(const SoundCodec* table, uint32_t channels, Stream* stream) {
        size_t codecBytes = (table->Size(channels) + 15) / 16 * 16;
        size_t ringBytes = SoundRingBuffer::Size(channels, kRingBytes, 0, 16);
        memory.reset(new char[codecBytes + ringBytes + 16]);
        char* base = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(memory.get()) + 15) / 16 * 16);
        codec = table->Create(channels, base, codecBytes);
        if (codec == nullptr) return false;
        ring = SoundRingBuffer::Build(base + codecBytes, channels, kRingBytes, 0, 16);
        codec->stream = stream;
        codec->ring = ring;
        return true;
    }
};

}  // namespace

bool EncodeSound(const SoundCodec* writer, Stream* stream, const int16_t* frames, uint32_t frameCount,
                 uint32_t channels, uint32_t sampleRate, uint32_t loopStart, uint32_t loopEnd) {
    CodecRun run;
    if (writer == nullptr || stream == nullptr || channels == 0 || channels > 8 || !run.Build(writer, channels, stream)) {
        return false;
    }
    run.codec->format.sampleRate = sampleRate;
    run.codec->loopStart = loopStart;
    run.codec->loopEnd = loopEnd;
    if (writer->Open(run.codec) == 0) return false;
    uint32_t done = 0;
    int32_t* out[8];
    while (done < frameCount) {
        uint32_t room = run.ring->GetWriteBlock(out) / 4;
        if (room == 0) {
            writer->Process(run.codec);
            continue;
        }
        uint32_t n = frameCount - done < room ? frameCount - done : room;
        for (uint32_t c = 0; c < channels; ++c) {
            for (uint32_t i = 0; i < n; ++i) out[c][i] = frames[(done + i) * channels + c];
        }
        run.ring->CommitWrite(n * 4);
        done += n;
    }
    writer->Close(run.codec);
    writer->Destroy(run.codec);
    return true;
}

bool DecodeSound(const SoundCodec* reader, Stream* stream, int32_t loop, uint32_t maxChannels, uint32_t maxFrames,
                 std::vector<int32_t>* samples, SoundFormat* format) {
    CodecRun run;
    samples->clear();
    if (reader == nullptr || stream == nullptr || maxChannels == 0 || maxChannels > 8 ||
        !run.Build(reader, maxChannels, stream)) {
        return false;
    }
    run.codec->loop = loop;
    if (reader->Open(run.codec) == 0) {
        reader->Destroy(run.codec);
        return false;
    }
    const uint32_t channels = run.codec->format.channels;
    if (format != nullptr) *format = run.codec->format;
    uint32_t frames = 0;
    uint32_t idle = 0;
    int32_t* in[8];
    while (frames < maxFrames) {
        reader->Process(run.codec);
        uint32_t avail = run.ring->GetReadBlock(in) / 4;
        if (avail == 0) {
            // Ended, or a reader that gives nothing: bounded like a voice.
            if (run.codec->ended != 0 || ++idle > 64) break;
            continue;
        }
        idle = 0;
        uint32_t n = maxFrames - frames < avail ? maxFrames - frames : avail;
        for (uint32_t i = 0; i < n; ++i) {
            for (uint32_t c = 0; c < channels; ++c) samples->push_back(in[c][i]);
        }
        run.ring->CommitRead(n * 4);
        frames += n;
    }
    reader->Close(run.codec);
    reader->Destroy(run.codec);
    return true;
}
