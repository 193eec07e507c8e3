// Sound players through the mixer step: the queue limit, the messages of
// each failure, stop-then-start in one frame, positions and pending setters.
#include <algorithm>

#include "fs/fs_mgr.h"
#include "fs/pack_keys.h"
#include "fs/pack_mgr.h"
#include "media/sound_codec.h"
#include "media/sound_mix_bus.h"
#include "tools/epk2tool/pack_writer.h"
#include "tests/media/sound_mixer_fixture.h"
#include "tests/support/log_capture.h"

namespace {

int32_t Constant(uint32_t) { return 8000; }

TEST_F(SoundMixerTest, QueueLimitAndFailureMessages) {
    const std::string sound = EncodeToBytes(GetAdpcmWriterCodec(), Sine(4000, 2, 300, 22050), 2, 22050);
    SoundPlayer* player = NewPlayer();
    LogCapture log;
    for (int i = 0; i < 32; ++i) Start(player, sound);
    EXPECT_EQ(player->QueueMemory(sound.data(), static_cast<uint32_t>(sound.size())), 0);
    EXPECT_EQ(log.Count(), 0u);
    EXPECT_EQ(player->GetState(), kPlayerQueued);
    RunMixerSteps(1);
    EXPECT_EQ(player->voices.count, 16u);
    struct Case { std::string bytes; const char* line; };
    const Case cases[] = {{"RIF", "Error: Invalid audio format."},
                          {"MThd and more", "Error: Invalid audio format."},
                          {"RIFF" + std::string(60, '\0'), nullptr}};
    DestroyVoicePool(wave);  // the game offers no WAVE pool
    wave = nullptr;
    for (const Case& c : cases) {
        log.Clear();
        SoundPlayer* other = NewPlayer();
        Start(other, c.bytes);
        Start(other, sound);  // dropped with the failed one before it
        RunMixerSteps(1);
        EXPECT_TRUE(log.Has(c.line != nullptr ? c.line : "Error: Failed to allocate voice."));
        EXPECT_EQ(other->voices.count, 0u);
        RunMixerSteps(1);
        EXPECT_EQ(other->GetState(), kPlayerIdle);
    }
    log.Clear();
    EXPECT_EQ(player->QueueFile("/no/such/sound.adp"), 0);
    EXPECT_TRUE(log.Has("Warning: Failed to start sound file: /no/such/sound.adp"));
    player->StoreCategory(8);  // an index past the eight categories means none
    SetCategoryVolume(-1, 0.5f);
    EXPECT_EQ(log.Count(), 3u);
    const struct { const SoundCodec* codec; uint32_t count, channels; } pools[] = {
        {nullptr, 2, 2}, {GetWaveReaderCodec(), 0, 2}, {GetWaveReaderCodec(), 1025, 2},
        {GetWaveReaderCodec(), 2, 0}, {GetWaveReaderCodec(), 2, kMixBusChannels + 1}};
    for (const auto& p : pools) {
        EXPECT_EQ(CreateVoicePool(p.codec, kSoundTypeWave, p.count, p.channels, nullptr), nullptr) << p.count;
    }
}

TEST_F(SoundMixerTest, StopThenStartPositionsAndPendingSetters) {
    SoundPlayer* player = NewPlayer();
    Start(player, Wave(44100, 2, Constant));
    RunMixerSteps(2);
    player->MarkStop();
    Start(player, Wave(12000, 2, Constant));
    Start(player, Wave(8000, 2, Constant));
    RunMixerSteps(1);
    EXPECT_EQ(player->voices.count, 2u);  // the long one stopped, both new ones play
    RunMixerSteps(2);
    // The newest voice's position (both started together).
    EXPECT_GT(player->GetPlayPosition(), 0u);
    // A setter without Update leaves the playing sound as it is.
    player->StoreVolume(0.0f);
    output->captured[0].clear();
    RunMixerSteps(1);
    EXPECT_EQ(output->captured[0].back(), 16000);
    player->MarkUpdate();
    RunMixerSteps(2);
    EXPECT_EQ(output->captured[0].back(), 0);
    RunMixerSteps(12);
    EXPECT_EQ(player->GetState(), kPlayerIdle);
    EXPECT_EQ(player->GetPlayPosition(), 0u);
}

}  // namespace

// Sounds stored compressed in a pack cannot seek; they still play (and loop).
TEST_F(SoundMixerTest, CompressedPackEntriesPlay) {
    const std::vector<int16_t> tone = Sine(44100, 2, 440, 44100);
    const std::string ogg = MakeOgg(tone, 2, 44100, {"LPST=0", "LPED=20000"});
    PackWriter writer;
    PackFileOptions zlib;
    zlib.compression = PackCompression::kAlways;
    ASSERT_TRUE(writer.AddFile(PackWriter::kRoot, "theme.ogg", std::vector<uint8_t>(ogg.begin(), ogg.end()), zlib));
    std::vector<uint8_t> image;
    std::string error;
    ASSERT_TRUE(writer.Build(GetBuiltInPackKeyTable(), &image, &error)) << error;
    PackMgr* pack = OpenPackMemory(image.data(), static_cast<uint32_t>(image.size()), nullptr);
    ASSERT_NE(pack, nullptr);
    ASSERT_NE(FindPackEntry(pack, "theme.ogg")->storedSize, FindPackEntry(pack, "theme.ogg")->unpackedSize);
    SoundPlayer* player = NewPlayer();
    player->AttachFsMgr(pack);
    LogCapture log;
    ASSERT_EQ(player->QueueFile("theme.ogg"), 1);
    RunMixerSteps(150);  // 2.4 s: past the loop end several times
    EXPECT_EQ(log.Count(), 0u);
    EXPECT_EQ(player->voices.count, 1u);
    int32_t loudest = 0;
    for (int32_t sample : output->captured[0]) loudest = std::max(loudest, sample < 0 ? -sample : sample);
    EXPECT_GT(loudest, 4000);
    player->MarkStop();
    RunMixerSteps(2);
    FsMgr::Release(pack);
}
