// The outputs: null (fake clock), the bus filters, SDL on its dummy, disk and no driver.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include "media/sound_codec.h"
#include "media/sound_manager.h"
#include "media/sound_mix_bus.h"
#include "media/sound_player.h"
#include "tests/media/sound_test_util.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

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
    auto begin = std::chrono::steady_clock::now();
    uint64_t taken = 0;
    while (std::chrono::steady_clock::now() - begin < std::chrono::milliseconds(600)) {
        taken += output->Write(channels, 6, 256);
        Sleep(5);
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    // Real time at most; a loaded machine may starve the driver, so the lower bound only shows draining.
    EXPECT_LT(taken / seconds, 44100 * 1.3);
    EXPECT_GT(taken / seconds, 44100 * 0.25);
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
    for (int i = 0; i < 300 && player->GetState() != kPlayerIdle; ++i) Sleep(10);
    Sleep(300);
    SoundPlayer::Destroy(player);
    DestroyVoicePool(pool);
    SoundManagerShutdown();
    unsetenv("SDL_DISKAUDIOFILE");

    std::string bytes(dir.Read("played.raw"));
    const auto* first = reinterpret_cast<const int16_t*>(bytes.data());
    std::vector<int16_t> played(first, first + bytes.size() / 2);
    size_t start = 0;
    while (start < played.size() && played[start] == 0) ++start;
    start -= start % 6;
    ASSERT_GE((played.size() - start) / 6, tone.size() / 2);
    for (size_t i = 0; i < tone.size(); ++i) {
        ASSERT_EQ(played[start + i / 2 * 6 + i % 2], std::max(-32768, std::min(32767, render[i]))) << i;
    }
}

}  // namespace
