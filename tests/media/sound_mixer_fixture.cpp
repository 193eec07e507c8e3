#include "tests/media/sound_mixer_fixture.h"

#include "media/sound_codec.h"

void SoundMixerTest::SetUp() {
    output = new CaptureOutput();
    SoundManagerOptions options;
    options.output = output;
    options.clock = FakeClock;
    options.runMixerTask = false;
    ASSERT_TRUE(SoundManagerInitWith(44100, kSoundStereo, nullptr, options));
    adpcm = CreateAdpcmVoicePool(16, 2, nullptr);
    ogg = CreateOggVoicePool(3, 2, nullptr);
    wave = CreateVoicePool(GetWaveReaderCodec(), kSoundTypeWave, 4, 2, nullptr);
}

void SoundMixerTest::TearDown() {
    for (SoundPlayer* player : players) SoundPlayer::Destroy(player);
    DestroyVoicePool(wave);
    DestroyVoicePool(ogg);
    DestroyVoicePool(adpcm);
    SoundManagerShutdown();
}

SoundPlayer* SoundMixerTest::NewPlayer(int32_t priority, int32_t category) {
    SoundPlayer* player = SoundPlayer::Create(nullptr);
    player->StorePriority(priority);
    player->StoreCategory(category);
    players.push_back(player);
    return player;
}

void SoundMixerTest::Start(SoundPlayer* player, const std::string& bytes) {
    ASSERT_EQ(player->QueueMemory(bytes.data(), static_cast<uint32_t>(bytes.size())), 1);
}

std::string SoundMixerTest::Wave(uint32_t frames, uint32_t channels, int32_t (*value)(uint32_t)) {
    std::vector<int16_t> samples(frames * channels);
    for (uint32_t i = 0; i < frames * channels; ++i) samples[i] = static_cast<int16_t>(value(i / channels));
    return EncodeToBytes(GetWaveWriterCodec(), samples, channels, 44100);
}
