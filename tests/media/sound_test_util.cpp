#include "tests/media/sound_test_util.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/allocator.h"
#include "fs/stream.h"
#include "media/sound_file_io.h"
#include "media/sound_codec.h"
#include "media/sound_manager.h"
#include "tests/support/temp_dir.h"

uint64_t gFakeNow = 1000000;
uint64_t FakeClock() { return gFakeNow; }

std::vector<int16_t> Sine(uint32_t frames, uint32_t channels, double hz, uint32_t rate, double amplitude) {
    std::vector<int16_t> out(static_cast<size_t>(frames) * channels);
    for (uint32_t i = 0; i < frames; ++i) {
        for (uint32_t c = 0; c < channels; ++c) {
            out[i * channels + c] = static_cast<int16_t>(amplitude * std::sin(2 * M_PI * hz * (c + 1) * i / rate));
        }
    }
    return out;
}

std::string EncodeToBytes(const SoundCodec* writer, const std::vector<int16_t>& frames, uint32_t channels,
                          uint32_t rate, uint32_t loopStart, uint32_t loopEnd) {
    std::string buffer(frames.size() * 2 + 4096, '\0');
    Stream* stream = MemoryStream(&buffer[0], static_cast<uint32_t>(buffer.size()), false, nullptr);
    EncodeSound(writer, stream, frames.data(), static_cast<uint32_t>(frames.size() / channels), channels, rate,
                loopStart, loopEnd);
    buffer.resize(stream->Tell());
    stream->Release();
    return buffer;
}

std::string MakeOgg(const std::vector<int16_t>& frames, uint32_t channels, uint32_t rate,
                    const std::vector<std::string>& comments) {
    TempDir dir;
    if (!dir.Write("in.wav", EncodeToBytes(GetWaveWriterCodec(), frames, channels, rate))) return "";
    std::string command = "oggenc --quiet -q 3 -o " + dir.File("out.ogg");
    for (const std::string& comment : comments) command += " -c " + comment;
    if (std::system((command + " " + dir.File("in.wav")).c_str()) != 0) return "";
    return dir.Read("out.ogg");
}

Stream* StreamOf(const std::string& bytes) {
    void* copy = Alloc(nullptr, bytes.size(), 0);
    std::memcpy(copy, bytes.data(), bytes.size());
    return MemoryStream(copy, static_cast<uint32_t>(bytes.size()), true, nullptr);
}

std::vector<int32_t> DecodeBytes(const SoundCodec* reader, const std::string& bytes, int32_t loop,
                                 uint32_t maxFrames, uint32_t poolChannels) {
    Stream* stream = StreamOf(bytes);
    std::vector<int32_t> samples;
    DecodeSound(reader, stream, loop, poolChannels, maxFrames, &samples, nullptr);
    stream->Release();
    return samples;
}

uint32_t CaptureOutput::Write(const int32_t* const* channels, uint32_t channelCount, uint32_t count) {
    if (honourStop && !started) return 0;
    uint32_t n = count;
    if (!accepts.empty()) {
        n = accepts.front() < count ? accepts.front() : count;
        accepts.pop_front();
    }
    for (uint32_t c = 0; c < channelCount && c < 6; ++c) captured[c].insert(captured[c].end(), channels[c], channels[c] + n);
    return n;
}

void RunMixerSteps(int steps) {
    for (int i = 0; i < steps; ++i) {
        gFakeNow += 16000;
        SoundMixerUpdate();
    }
}
