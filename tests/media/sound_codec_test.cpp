// The codecs: hand-computed ADPCM vectors, round trips, WAVE files built chunk by chunk, Ogg loops,
// hostile headers refused or ended; the resampler fed as a voice feeds it.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "media/codec_util.h"
#include "media/sound_codec.h"
#include "media/sound_file_io.h"
#include "media/sound_resampler.h"
#include "platform/audio_device.h"
#include "fs/stream.h"
#include "tests/media/sound_test_util.h"
#include "tests/support/log_capture.h"

namespace {

std::string U32(uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
std::string U16(uint32_t v) { return std::string{char(v), char(v >> 8)}; }
std::string Format(uint32_t tag, uint32_t channels, uint32_t rate, uint32_t bits) {
    uint32_t align = channels * bits / 8;
    return U16(tag) + U16(channels) + U32(rate) + U32(rate * align) + U16(align) + U16(bits);
}
std::string Chunk(const std::string& id, const std::string& body) {
    return id + U32(static_cast<uint32_t>(body.size())) + body + (body.size() % 2 ? std::string(1, '\0') : "");
}
std::string Fmt(uint32_t channels, uint32_t rate, uint32_t bits) { return Chunk("fmt ", Format(1, channels, rate, bits)); }
std::string Data(std::initializer_list<uint32_t> samples) {
    std::string bytes;
    for (uint32_t s : samples) bytes += U16(s);
    return Chunk("data", bytes);
}
// Counts the seeks a reader makes on a memory stream.
const StreamOps* gMemoryOps = nullptr;
int gSeeks = 0;
uint32_t CountedSeek(Stream* self, int32_t offset, int whence) { return ++gSeeks, gMemoryOps->Seek(self, offset, whence); }
std::string Riff(const std::string& chunks) { return "RIFF" + U32(4 + chunks.size()) + "WAVE" + chunks; }
std::string Smpl(uint32_t start, uint32_t end, uint32_t size = 60) {
    std::string body(size, '\0');
    body.replace(44, 8, U32(start) + U32(end));
    return Chunk("smpl", body);
}
std::string Eadp(uint32_t channels, uint32_t total, const std::string& blocks) {
    return "EADP" + Format(1, channels, 22050, 16) + U32(total) + std::string(8 + 8 * channels + 40, '\0') + blocks;
}

TEST(AdpcmCodec, HandVectorsFromRawBytes) {
    struct Case { std::string block; std::vector<int32_t> first; int32_t last; };
    const Case cases[] = {
        {std::string(1, '\x77'), {46, 154}, 0},
        {std::string(1, '\x08'), {-3, -1}, 0},
        {std::string(1, '\xFF'), {-46, -154}, 0},
        {std::string(16, '\x77'), {46, 154}, 1213088},  // the step saturates at 24576
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.block.size());
        std::string block = c.block + std::string(16 - c.block.size(), c.block.size() == 16 ? '\x77' : '\0');
        std::vector<int32_t> out = DecodeBytes(GetAdpcmReaderCodec(), Eadp(1, 32, block));
        ASSERT_EQ(out.size(), 32u);
        EXPECT_EQ(std::vector<int32_t>(out.begin(), out.begin() + 2), c.first);
        if (c.last != 0) { EXPECT_EQ(out[31], c.last); }
    }
    // 1400 blocks of 0x77 drive the predictor past 2^31: it saturates.
    std::vector<int32_t> out = DecodeBytes(GetAdpcmReaderCodec(), Eadp(1, 44800, std::string(22400, '\x77')));
    ASSERT_EQ(out.size(), 44800u);
    EXPECT_EQ(out.back(), INT32_MAX);
}

TEST(AdpcmCodec, WriterReaderRoundTripKeepsTheSignal) {
    std::vector<int16_t> square(4000), step(4000), silence(4000, 0);
    for (size_t i = 0; i < square.size(); ++i) {
        square[i] = (i / 100) % 2 ? 32767 : -32768;
        step[i] = i < 2000 ? 0 : 20000;
    }
    struct Case { const char* name; std::vector<int16_t> frames; uint32_t channels; double minSnrDb; };
    const Case cases[] = {{"sine", Sine(3000, 2, 440, 22050), 2, 20}, {"square", square, 1, 5},
                          {"step", step, 1, 20}, {"silence", silence, 1, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string file = EncodeToBytes(GetAdpcmWriterCodec(), c.frames, c.channels, 22050);
        uint32_t frames = static_cast<uint32_t>(c.frames.size() / c.channels);
        uint32_t padded = (frames + 31) / 32 * 32;
        ASSERT_EQ(file.size(), 72 + 8 * c.channels + padded / 2 * c.channels);  // stereo data at 88
        EXPECT_EQ(file.substr(0, 4) + file.substr(20, 4), "EADP" + U32(padded));
        std::vector<int32_t> out = DecodeBytes(GetAdpcmReaderCodec(), file, 0, 1 << 20, c.channels);
        ASSERT_EQ(out.size(), size_t{padded} * c.channels);
        double signal = 0, noise = 0;
        for (size_t i = 0; i < c.frames.size(); ++i) {
            signal += double(c.frames[i]) * c.frames[i];
            noise += double(out[i] - c.frames[i]) * (out[i] - c.frames[i]);
        }
        if (signal == 0) EXPECT_LT(noise / c.frames.size(), 4 * 4);
        else EXPECT_GT(10 * std::log10(signal / noise), c.minSnrDb);
    }
}

TEST(WaveCodec, ReadsChunksLoopsAndSampleFormats) {
    struct Case { const char* name; std::string file; int32_t loop; uint32_t maxFrames; std::vector<int32_t> want; };
    const Case cases[] = {
        {"8-bit", Riff(Fmt(1, 8000, 8) + Chunk("data", std::string("\x00\x80\xFF", 3))), 0, 100, {-32768, 0, 32512}},
        {"16-bit stereo", Riff(Fmt(2, 8000, 16) + Data({1, 2, 0xFFFF, 0x8000, 7, 8})), 0, 100, {1, 2, -1, -32768, 7, 8}},
        {"odd chunk before data", Riff(Fmt(1, 8000, 16) + Chunk("junk", "abc") + Data({5, 6})), 0, 100, {5, 6}},
        {"smpl loop, exact to the sample", Riff(Fmt(1, 8000, 16) + Smpl(1, 3) + Data({10, 11, 12, 13})), 1, 7,
         {10, 11, 12, 11, 12, 11, 12}},
        {"smpl end 0 loops to the end", Riff(Fmt(1, 8000, 16) + Smpl(2, 0) + Data({10, 11, 12})), 1, 6, {10, 11, 12, 12, 12, 12}},
        {"the highest rate", Riff(Fmt(1, 384000, 16) + Data({5})), 0, 100, {5}},
        {"the lowest rate", Riff(Fmt(1, 1000, 16) + Data({6})), 0, 100, {6}},
        {"loop value 2 never loops", Riff(Fmt(1, 8000, 16) + Smpl(1, 3) + Data({10, 11, 12})), 2, 9, {10, 11, 12}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DecodeBytes(GetWaveReaderCodec(), c.file, c.loop, c.maxFrames), c.want);
    }
    // Our writer's loop survives a round trip.
    std::vector<int16_t> ramp{0, 100, 200, 300, 400};
    std::string written = EncodeToBytes(GetWaveWriterCodec(), ramp, 1, 11025, 1, 4);
    EXPECT_EQ(DecodeBytes(GetWaveReaderCodec(), written, 1, 10),
              (std::vector<int32_t>{0, 100, 200, 300, 100, 200, 300, 100, 200, 300}));
}

TEST(SoundCodecs, HostileHeadersAreRefusedOrEnded) {
    const std::string fmt16 = Chunk("fmt ", Format(1, 1, 8000, 16));
    struct Case { const char* name; const SoundCodec* codec; std::string file; const char* log; };
    const Case refused[] = {
        {"smpl of 68 bytes", GetWaveReaderCodec(), Riff(fmt16 + Smpl(0, 1, 68) + Chunk("data", "ab")), "Invalid smpl chunk."},
        {"6 channels for a 2-channel voice", GetWaveReaderCodec(), Riff(Chunk("fmt ", Format(1, 6, 8000, 16)) + Chunk("data", "")), "Invalid fmt_ chunk"},
        {"24-bit", GetWaveReaderCodec(), Riff(Chunk("fmt ", Format(1, 1, 8000, 24)) + Chunk("data", "abc")), "8- and 16-bit"},
        {"rate above the highest", GetWaveReaderCodec(), Riff(Chunk("fmt ", Format(1, 1, 384001, 16)) + Chunk("data", "ab")), "sample rate 384001"},
        {"compressed tag", GetWaveReaderCodec(), Riff(Chunk("fmt ", Format(2, 1, 8000, 16)) + Chunk("data", "ab")), "8- and 16-bit"},
        {"data before fmt", GetWaveReaderCodec(), Riff(Chunk("data", "ab") + fmt16), "before"},
        {"chunk past the end", GetWaveReaderCodec(), Riff(fmt16) + "junk" + U32(0x7fffffff), "past the end"},
        {"chunk padded past 32 bits", GetWaveReaderCodec(), Riff(fmt16 + "junk" + U32(~0u) + Data({1, 2})), "past the end"},
        {"RIFX over a sound", GetWaveReaderCodec(), "RIFX" + Riff(fmt16 + Data({1})).substr(4), "Not WAVE file format."},
        {"EADP of 6 channels", GetAdpcmReaderCodec(), Eadp(6, 32, std::string(96, '\0')), "6 channels"},
        {"EADP of rate 0", GetAdpcmReaderCodec(), "EADP" + Format(1, 1, 0, 16) + std::string(64, '\0'), "sample rate 0"},
        {"EADP cut in its header", GetAdpcmReaderCodec(), Eadp(1, 32, "").substr(0, 30), "cut short"},
        {"not EADP", GetAdpcmReaderCodec(), "EADQ", "That format is not ADPCM."},
        {"Ogg of 6 channels", GetOggReaderCodec(), MakeOgg(Sine(2000, 6, 300, 22050), 6, 22050), "6 channels"},
        {"not Ogg", GetOggReaderCodec(), "OggS" + std::string(100, '\0'), "not a Vorbis stream"},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.name);
        LogCapture log;
        Stream* stream = StreamOf(c.file);
        std::vector<int32_t> samples;
        EXPECT_FALSE(DecodeSound(c.codec, stream, 1, 2, 1000, &samples, nullptr));
        stream->Release();
        EXPECT_TRUE(log.Contains(c.log)) << (log.Count() ? log.Lines()[0] : "no log line");
    }
    // Files cut short end with what they hold, looping or not.
    std::string eadp = EncodeToBytes(GetAdpcmWriterCodec(), Sine(3200, 2, 300, 22050), 2, 22050);
    EXPECT_EQ(DecodeBytes(GetAdpcmReaderCodec(), eadp.substr(0, 88 + 32 * 10 + 7), 1).size(), 640u);
    std::string ogg = MakeOgg(Sine(200000, 1, 300, 22050), 1, 22050);
    size_t cut = DecodeBytes(GetOggReaderCodec(), ogg.substr(0, ogg.size() * 3 / 5), 0, 1 << 20, 1).size();
    EXPECT_GT(cut, 1000u);
    EXPECT_LT(cut, 200000u);
    std::string wave = Riff(fmt16 + Smpl(0, 4) + Chunk("data", U16(1) + U16(2) + U16(3) + U16(4))).substr(0, 84);
    EXPECT_LE(DecodeBytes(GetWaveReaderCodec(), wave, 1).size(), 8u);
}

TEST(OggCodec, LoopCommentsAndLoopValues) {
    const std::vector<int16_t> tone = Sine(8000, 1, 250, 22050);
    const std::string plain = MakeOgg(tone, 1, 22050);
    const std::string looped = MakeOgg(tone, 1, 22050, {"LPST=1000", "LPED=3000"});
    const std::string pastEnd = MakeOgg(tone, 1, 22050, {"LPST=1000", "LPED=100000"});
    struct Case { const char* name; const std::string* file; int32_t loop; size_t frames; };
    const Case cases[] = {{"comments, value 0 loops", &looped, 0, 20000}, {"comments, value 1", &looped, 1, 20000},
                          {"comments, value 2 never", &looped, 2, 8000}, {"plain, value 0 ends", &plain, 0, 8000},
                          {"plain, value 1 loops all", &plain, 1, 20000}, {"end past the data", &pastEnd, 0, 8000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DecodeBytes(GetOggReaderCodec(), *c.file, c.loop, 20000, 1).size(), c.frames);
    }
    // The jump lands on the loop start: after 3000 samples come 1000.. again.
    std::vector<int32_t> ref = DecodeBytes(GetOggReaderCodec(), plain, 2, 20000, 1);
    std::vector<int32_t> out = DecodeBytes(GetOggReaderCodec(), looped, 0, 7000, 1);
    ASSERT_EQ(out.size(), 7000u);
    int32_t worst = 0;
    for (size_t i = 0; i < 7000; ++i) {
        size_t source = i < 3000 ? i : 1000 + (i - 3000) % 2000;
        worst = std::max(worst, std::abs(out[i] - ref[source]));
    }
    EXPECT_LE(worst, 2);
    // 20 s of a one-sample loop repeat from memory: a seek at every wrap would be 441,000 of them.
    Stream* counted = StreamOf(MakeOgg(tone, 1, 22050, {"LPST=0", "LPED=1"}));
    gMemoryOps = counted->ops;
    StreamOps counting = *counted->ops;
    counting.Seek = CountedSeek;
    counted->ops = &counting;
    out.clear();
    ASSERT_TRUE(DecodeSound(GetOggReaderCodec(), counted, 0, 1, 441000, &out, nullptr));
    counted->Release();
    EXPECT_LT(gSeeks, 100);
    EXPECT_EQ(std::count(out.begin(), out.end(), out[0]), 441000);
}

// `outputs` samples from `input` in chunks of at most `maxChunk` (1: random sizes from 1 to 256).
std::vector<int32_t> Feed(const std::vector<int32_t>& input, uint32_t source, uint32_t destination, uint32_t outputs,
                         uint32_t maxChunk) {
    SoundResampler resampler;
    InitResampler(&resampler);
    SetResamplerRates(&resampler, source, destination);
    std::mt19937 random(7);
    std::vector<int32_t> out(outputs + 256);
    size_t used = 0;
    uint32_t produced = 0;
    while (produced < outputs && used < input.size()) {
        uint32_t avail = std::min<uint32_t>(maxChunk == 1 ? 1 + random() % 256 : maxChunk,
                                            static_cast<uint32_t>(input.size() - used));
        uint32_t want = std::min<uint32_t>(256, outputs - produced);
        uint32_t in = std::max(1u, std::min(ResamplerInputNeeded(&resampler, want), avail));
        const int32_t* source_ = input.data() + used;
        int32_t* target = out.data() + produced;
        produced += Resample(&resampler, 1, in, want, &source_, &target);
        used += in;
    }
    out.resize(produced);
    return out;
}

std::vector<int32_t> SineSamples(uint32_t count, double hz, uint32_t rate) {
    return [](std::vector<int16_t> s) { return std::vector<int32_t>(s.begin(), s.end()); }(Sine(count, 1, hz, rate, 16000));
}

TEST(SoundResampler, ChunkingDoesNotChangeTheOutput) {
    const std::vector<int32_t> input = SineSamples(20000, 997, 44100);
    const uint32_t rates[][2] = {{22050, 44100}, {48000, 44100}, {44100, 22050}, {48000, 11025}, {44100, 5000}};
    for (const auto& rate : rates) {
        SCOPED_TRACE(rate[0] * 1000000ull + rate[1]);
        std::vector<int32_t> whole = Feed(input, rate[0], rate[1], 4000, 256);
        std::vector<int32_t> chunked = Feed(input, rate[0], rate[1], 4000, 1);
        ASSERT_EQ(whole.size(), 4000u);
        EXPECT_EQ(whole, chunked);
    }
}

TEST(SoundResampler, PitchAndContinuity) {
    // 1 kHz at 22050 Hz played at 44100: two outputs per input, still 1 kHz.
    std::vector<int32_t> up = Feed(SineSamples(22050, 1000, 22050), 22050, 44100, 44000, 256);
    int crossings = 0;
    for (size_t i = 1; i < up.size(); ++i) crossings += (up[i - 1] < 0) != (up[i] < 0);
    EXPECT_NEAR(crossings / 2.0 * 44100 / up.size(), 1000, 10);
    // 48 kHz into 44.1 kHz: no jump larger than the sine's own slope allows.
    std::vector<int32_t> down = Feed(SineSamples(48000, 1000, 48000), 48000, 44100, 40000, 256);
    int32_t jump = 0;
    for (size_t i = 1; i < down.size(); ++i) jump = std::max(jump, std::abs(down[i] - down[i - 1]));
    EXPECT_LE(jump, 16000 * 2 * M_PI * 1000 / 44100 + 8);
    // Steps beyond four samples are held at four: nothing reads outside the history.
    SoundResampler resampler;
    InitResampler(&resampler);
    SetResamplerRates(&resampler, 48000, 44100 / 8);
    EXPECT_EQ(resampler.step, kResamplerMaxStep);
    EXPECT_FALSE(Feed(SineSamples(40000, 300, 48000), 48000, 2000, 1000, 1).empty());
}

TEST(SoundResampler, InterleaveClampsToSixteenBits) {
    const int32_t left[2] = {40000, -40000}, right[2] = {5, -5};
    const int32_t* channels[2] = {left, right};
    int16_t out[4];
    InterleaveToPcm16(out, channels, 2, 2);
    EXPECT_EQ(std::vector<int16_t>(out, out + 4), (std::vector<int16_t>{32767, 5, -32768, -5}));
}

}  // namespace
