// Sounds made by our writers (Ogg by oggenc), a fake clock, and an output that records what it takes.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/audio_device.h"

struct SoundCodec;
struct Stream;

std::vector<int16_t> Sine(uint32_t frames, uint32_t channels, double hz, uint32_t rate, double amplitude = 12000);
// A file in memory made by a writer codec.
std::string EncodeToBytes(const SoundCodec* writer, const std::vector<int16_t>& frames, uint32_t channels,
                          uint32_t rate, uint32_t loopStart = 0, uint32_t loopEnd = 0);
std::string MakeOgg(const std::vector<int16_t>& frames, uint32_t channels, uint32_t rate,
                    const std::vector<std::string>& comments = {});
// A memory stream that owns a copy of `bytes`.
Stream* StreamOf(const std::string& bytes);
// Decodes a whole file through a reader (at most `maxFrames`); interleaved.
std::vector<int32_t> DecodeBytes(const SoundCodec* reader, const std::string& bytes, int32_t loop = 0,
                                 uint32_t maxFrames = 1u << 22, uint32_t poolChannels = 2);

extern uint64_t gFakeNow;
uint64_t FakeClock();

class CaptureOutput final : public SoundOutput {
public:
    bool Init(uint32_t, uint32_t) override { return true; }
    void Shutdown() override {}
    void Start() override { started = true; }
    void Stop() override { started = false; }
    uint32_t Write(const int32_t* const* channels, uint32_t channelCount, uint32_t count) override;

    bool started = false;
    bool honourStop = true;         // a stopped device accepts nothing
    std::deque<uint32_t> accepts;   // per write: at most this many; empty = all
    std::vector<int32_t> captured[6];
};

// Runs the mixer step `steps` times, moving the fake clock 16 ms each time.
void RunMixerSteps(int steps);
