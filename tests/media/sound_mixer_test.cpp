// The mixer step and the players driven by hand, with one golden hash over a fixed set of voices;
// the outputs: null (fake clock), the bus filters, SDL on its dummy, disk and no driver.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <thread>

#include "fs/fs_mgr.h"
#include "fs/pack_mgr.h"
#include "media/sound_codec.h"
#include "media/sound_mix_bus.h"
#include "tests/media/sound_mixer_fixture.h"
#include "tests/fs/pack_test_util.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wait_until.h"

namespace {

int32_t Constant(uint32_t) { return 10000; }
int32_t Loud(uint32_t) { return 8000; }
int32_t Ramp(uint32_t i) { return static_cast<int32_t>(i % 30000); }

TEST_F(SoundMixerTest, PanAndGainsOfMonoAndStereoVoices) {
    struct Case { uint32_t channels; float pan; float volume; int32_t left, right; };
    const Case cases[] = {{1, 0.0f, 1.0f, 7070, 7070}, {1, 1.0f, 1.0f, 10000, 0}, {1, -1.0f, 1.0f, 0, 10000},
                          {2, -1.0f, 1.0f, 10000, 10000}, {2, 0.0f, 0.5f, 5000, 5000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pan);
        SoundPlayer* player = NewPlayer();
        player->StorePan(c.pan);
        player->StoreVolume(c.volume);
        output->captured[0].clear(), output->captured[1].clear();
        Start(player, Wave(1000, c.channels, Constant));
        RunMixerSteps(3);
        EXPECT_EQ(output->captured[0][600], c.left);
        EXPECT_EQ(output->captured[1][600], c.right);
        player->MarkStop();
        RunMixerSteps(1);
    }
}

TEST_F(SoundMixerTest, DuckingFollowsTheSourceWithoutJumps) {
    SetCategoryDucking(1, 4, 0.65f, 100, 1000);
    SoundPlayer* voice = NewPlayer(0, 4);
    std::vector<float> gains;
    Start(voice, Wave(44100, 2, Constant));
    for (int step = 0; step < 4; ++step) {
        RunMixerSteps(1);
        gains.push_back(GetCategoryGain(1));
    }
    EXPECT_EQ(GetCategoryDuckState(1), 1);
    voice->MarkStop();  // half-way through the attack
    for (int step = 0; step < 70; ++step) {
        RunMixerSteps(1);
        gains.push_back(GetCategoryGain(1));
    }
    float worst = 0;
    for (size_t i = 1; i < gains.size(); ++i) worst = std::max(worst, std::fabs(gains[i] - gains[i - 1]));
    EXPECT_LT(worst, 0.35f * 16 / 100 + 0.01f);
    EXPECT_FLOAT_EQ(gains.back(), 1.0f);
    // A held source reaches the level after the attack.
    Start(voice, Wave(44100, 2, Constant));
    RunMixerSteps(9);
    EXPECT_FLOAT_EQ(GetCategoryGain(1), 0.65f);
}

TEST_F(SoundMixerTest, StealingByPriorityAndCategoryLimits) {
    const std::string sound = EncodeToBytes(GetAdpcmWriterCodec(), Sine(44100, 2, 300, 22050), 2, 22050);
    SoundPlayer* low = NewPlayer(0);
    for (int i = 0; i < 16; ++i) Start(low, sound);
    RunMixerSteps(1);
    EXPECT_EQ(low->voices.count, 16u);
    SoundPlayer* other = NewPlayer(0);
    Start(other, sound);
    RunMixerSteps(1);
    EXPECT_EQ(low->voices.count, 15u);  // its oldest was taken over
    EXPECT_EQ(AcquireVoice(kSoundTypeAdpcm, 2, -1), nullptr);  // no mixer thread: no lock needed
    low->MarkStop(), other->MarkStop();
    SoundPlayer* high = NewPlayer(5);
    for (int i = 0; i < 16; ++i) Start(high, sound);
    RunMixerSteps(1);
    LogCapture log;
    Start(other, sound);
    RunMixerSteps(1);
    EXPECT_TRUE(log.Has("Error: Failed to allocate voice."));
    EXPECT_EQ(high->voices.count, 16u);
    high->MarkStop();
    RunMixerSteps(1);
    // One voice at a time in category 4: the newest replaces the oldest (its slot freed at the next poll).
    SetCategoryParams(4, 1, 0);
    SoundPlayer* talk = NewPlayer(0, 4);
    Start(talk, sound);
    RunMixerSteps(1);
    Start(talk, sound);
    RunMixerSteps(2);
    EXPECT_TRUE(talk->voices.count == 1u && VoicePoolBusyCount(adpcm) == 1u);
}

TEST_F(SoundMixerTest, PartialWritesAndPauseKeepEverySample) {
    SoundPlayer* player = NewPlayer();
    Start(player, Wave(20000, 2, Ramp));
    RunMixerSteps(2);
    output->accepts = {100, 0, 57, 0, 0, 3};
    RunMixerSteps(6);
    SetSoundPaused(1);
    RunMixerSteps(2);  // a block mixed before the device said no, and the poll's lag
    uint32_t held = player->GetPlayPosition();
    RunMixerSteps(10);
    EXPECT_EQ(player->GetPlayPosition(), held);
    SetSoundPaused(0);
    RunMixerSteps(10);
    EXPECT_GT(player->GetPlayPosition(), held);
    player->StorePaused(1);  // a paused player holds its voices too
    RunMixerSteps(2);
    held = player->GetPlayPosition();
    RunMixerSteps(5);
    EXPECT_EQ(player->GetPlayPosition(), held);
    for (int c = 0; c < 2; ++c) {
        const std::vector<int32_t>& all = output->captured[c];
        const std::vector<int32_t> heard(std::find_if(all.begin(), all.end(), [](int32_t s) { return s != 0; }), all.end());
        ASSERT_GT(heard.size(), 4000u);
        for (size_t i = 0; i + 1 < heard.size() && heard[i + 1] != 0; ++i) ASSERT_EQ(heard[i], Ramp(static_cast<uint32_t>(i + 1))) << i;
    }
}

TEST_F(SoundMixerTest, DestroyingABusyPoolStopsItsVoices) {
    SoundPlayer* player = NewPlayer();
    const std::string sound = EncodeToBytes(GetAdpcmWriterCodec(), Sine(44100, 2, 300, 22050), 2, 22050);
    for (int i = 0; i < 3; ++i) Start(player, sound);
    RunMixerSteps(2);
    DestroyVoicePool(adpcm), adpcm = nullptr;
    EXPECT_EQ(player->voices.count, 0u);
    RunMixerSteps(1);
    EXPECT_EQ(player->GetState(), kPlayerIdle);
}

TEST_F(SoundMixerTest, FixedVoicesMixToAGoldenHash) {
    SoundPlayer* a = NewPlayer();
    a->StorePitch(1.5f);
    a->StorePan(0.3f);
    Start(a, EncodeToBytes(GetAdpcmWriterCodec(), Sine(20000, 1, 440, 22050), 1, 22050));
    SoundPlayer* b = NewPlayer();
    b->StoreVolume(0.7f);
    Start(b, Wave(30000, 2, Ramp));
    RunMixerSteps(40);
    uint64_t hash = 1469598103934665603ull;
    for (int c = 0; c < 6; ++c) {
        for (int32_t s : output->captured[c]) hash = (hash ^ static_cast<uint32_t>(s)) * 1099511628211ull;
    }
    EXPECT_EQ(output->captured[0].size(), 40u * 4 * 256);
    EXPECT_EQ(hash, 10195335566734023629ull);
}

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
    DestroyVoicePool(wave), wave = nullptr;  // the game offers no WAVE pool
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
    Start(player, Wave(44100, 2, Loud));
    RunMixerSteps(2);
    player->MarkStop();
    Start(player, Wave(12000, 2, Loud));
    Start(player, Wave(8000, 2, Loud));
    RunMixerSteps(1);
    EXPECT_EQ(player->voices.count, 2u);  // the long one stopped, both new ones play
    RunMixerSteps(2);
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
    EXPECT_TRUE(player->GetState() == kPlayerIdle && player->GetPlayPosition() == 0u && VoicePoolBusyCount(wave) == 0u);
}

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The first `frames` of `render` the six-channel file plays in order, passing over silence (a starved driver's).
size_t FramesPlayedInOrder(const std::string& bytes, const std::vector<int32_t>& render, size_t frames, bool* wrong) {
    const auto* played = reinterpret_cast<const int16_t*>(bytes.data());
    const auto sample = [&render](size_t i) { return std::max(-32768, std::min(32767, render[i])); };
    size_t matched = 0;
    for (size_t at = 0; at + 6 <= bytes.size() / 2 && matched < frames; at += 6) {
        if (played[at] == sample(matched * 2) && played[at + 1] == sample(matched * 2 + 1)) ++matched;
        else if (played[at] != 0 || played[at + 1] != 0) return *wrong = true, matched;
    }
    return *wrong = false, matched;
}

TEST(NullOutput, PacesByTheClock) {
    std::unique_ptr<SoundOutput> output(CreateNullOutput(FakeClock));
    ASSERT_TRUE(output->Init(6, 44100));
    output->Start();
    gFakeNow += 5803;
    EXPECT_EQ(output->Write(nullptr, 6, 256), 0u);
    gFakeNow += 1;
    EXPECT_EQ(output->Write(nullptr, 6, 256), 256u);
    gFakeNow += 60000;  // a stall: the next block goes at once, and pacing restarts
    EXPECT_EQ(output->Write(nullptr, 6, 256), 256u);
    EXPECT_EQ(output->Write(nullptr, 6, 256), 0u);
    uint32_t blocks = 0;
    for (int step = 0; step < 625; ++step) {  // ten seconds of 16 ms steps, four passes each
        gFakeNow += 16000;
        for (int pass = 0; pass < 4; ++pass) blocks += output->Write(nullptr, 6, 256) / 256;
    }
    EXPECT_NEAR(blocks / 625.0, 2.76, 0.02);
}

TEST(BusFilters, MonoAndSurroundOnKnownVectors) {
    int32_t ch[6][2] = {{1000, -32768}, {3000, 32767}, {5, 5}, {6, 6}, {0, 0}, {0, 0}};
    int32_t* pointers[6] = {ch[0], ch[1], ch[2], ch[3], ch[4], ch[5]};
    std::unique_ptr<SoundFilter>(SurroundFilter())->Process(6, 2, pointers);
    // The front right keeps its own signal.
    EXPECT_EQ((std::vector<int32_t>{ch[4][0], ch[5][0], ch[4][1], ch[1][0]}), (std::vector<int32_t>{-2000, 2000, -65535, 3000}));
    std::unique_ptr<SoundFilter>(MonoFilter())->Process(6, 2, pointers);  // six channels: mono still folds
    // (-32768 + 32767) x 727 >> 10 = -1
    EXPECT_EQ((std::vector<int32_t>{ch[0][0], ch[1][0], ch[0][1], ch[2][0]}), (std::vector<int32_t>{2839, 2839, -1, 5}));
}

TEST(SdlOutput, DummyDriverDrainsInRealTimeAndPauseHoldsTheQueue) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::unique_ptr<SoundOutput> output(CreateSdlOutput());
    ASSERT_TRUE(output->Init(6, 44100));
    std::vector<int32_t> zeros(256);
    const int32_t* channels[6] = {zeros.data(), zeros.data(), zeros.data(), zeros.data(), zeros.data(), zeros.data()};
    output->Stop();
    while (output->Write(channels, 6, 256) != 0) {
    }
    Sleep(100);
    EXPECT_EQ(output->Write(channels, 6, 256), 0u);
    output->Start();
    // Until 0.6 s have drained, however long a loaded machine takes: real time is the most it may take in.
    auto begin = std::chrono::steady_clock::now();
    uint64_t taken = 0;
    EXPECT_TRUE(WaitUntil([&] { return (taken += output->Write(channels, 6, 256)) >= 44100 * 6 / 10; }));
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    EXPECT_LT(taken / seconds, 44100 * 1.3);
    output->Shutdown();
}

TEST(SdlOutput, NoUsableDriverMeansTheNullOutput) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    LogCapture log;
    ASSERT_TRUE(SoundManagerInit(44100, kSoundStereo, nullptr));
    EXPECT_TRUE(log.Contains("runs silently"));
    SoundPlayer::Destroy(SoundPlayer::Create(nullptr));
    SoundManagerShutdown();
}

TEST(SdlOutput, DiskDriverPlaysExactlyTheOfflineRender) {
    TempDir dir;
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", dir.File("played.raw").c_str(), 1);
    std::vector<int16_t> tone = Sine(22050, 2, 330, 44100, 20000);
    for (size_t i = 0; i < 64; ++i) tone[i] = static_cast<int16_t>(1000 + i);  // a marked start
    const std::string file = EncodeToBytes(GetAdpcmWriterCodec(), tone, 2, 44100);
    std::vector<int32_t> render = DecodeBytes(GetAdpcmReaderCodec(), file);

    ASSERT_TRUE(SoundManagerInit(44100, kSoundStereo, nullptr));
    VoicePool* pool = CreateAdpcmVoicePool(2, 2, nullptr);
    SoundPlayer* player = SoundPlayer::Create(nullptr);
    ASSERT_EQ(player->QueueMemory(file.data(), static_cast<uint32_t>(file.size())), 1);
    bool wrong = false;
    size_t played = 0;
    EXPECT_TRUE(WaitUntil([&] {
        Sleep(10);  // the file grows by a block at a time
        played = FramesPlayedInOrder(dir.Read("played.raw"), render, tone.size() / 2, &wrong);
        return wrong || played == tone.size() / 2;
    }));
    SoundPlayer::Destroy(player);
    DestroyVoicePool(pool);
    SoundManagerShutdown();
    unsetenv("SDL_DISKAUDIOFILE");
    EXPECT_FALSE(wrong) << "frame " << played;
    EXPECT_EQ(played, tone.size() / 2);
}

}  // namespace

// Sounds stored compressed in a pack cannot seek; they still play (and loop).
TEST_F(SoundMixerTest, CompressedPackEntriesPlay) {
    const std::vector<int16_t> tone = Sine(44100, 2, 440, 44100);
    const std::string ogg = MakeOgg(tone, 2, 44100, {"LPST=0", "LPED=20000"});
    std::vector<uint8_t> image;
    PackMgr* pack = OpenOneCompressedFilePack("theme.ogg", ogg, &image);
    ASSERT_NE(pack, nullptr);
    ASSERT_NE(FindPackEntry(pack, "theme.ogg")->storedSize, FindPackEntry(pack, "theme.ogg")->unpackedSize);
    SoundPlayer* player = NewPlayer();
    player->AttachFsMgr(pack);
    LogCapture log;
    ASSERT_EQ(player->QueueFile("theme.ogg"), 1);
    RunMixerSteps(150);  // 2.4 s: past the loop end several times
    EXPECT_TRUE(log.Count() == 0u && player->voices.count == 1u);
    int32_t loudest = 0;
    for (int32_t sample : output->captured[0]) loudest = std::max(loudest, sample < 0 ? -sample : sample);
    EXPECT_GT(loudest, 4000);
    player->MarkStop();
    RunMixerSteps(2);
    FsMgr::Release(pack);
}
