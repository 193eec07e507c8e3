// The mixer task against every script-side call from the main thread; run under TSan.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "media/sound_codec.h"
#include "media/sound_manager.h"
#include "media/sound_player.h"
#include "tests/media/sound_test_util.h"

TEST(SoundStress, ScriptCallsAgainstTheMixerThread) {
    SoundManagerOptions options;
    options.output = CreateNullOutput(nullptr);
    ASSERT_TRUE(SoundManagerInitWith(44100, kSoundSurround, nullptr, options));
    SetCategoryParams(4, 1, 0);
    SetCategoryDucking(1, 4, 0.65f, 100, 1000);
    VoicePool* adpcm = CreateAdpcmVoicePool(16, 2, nullptr);
    VoicePool* ogg = CreateOggVoicePool(3, 2, nullptr);
    const std::string effect = EncodeToBytes(GetAdpcmWriterCodec(), Sine(8000, 1, 300, 22050), 1, 22050);
    const std::string music = MakeOgg(Sine(30000, 2, 200, 44100), 2, 44100, {"LPST=100", "LPED=20000"});
    SoundPlayer* players[4] = {};
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    for (uint32_t round = 0; std::chrono::steady_clock::now() < end; ++round) {
        SoundPlayer*& player = players[round % 4];
        if (player == nullptr || round % 7 == 0) {
            SoundPlayer::Destroy(player);
            player = SoundPlayer::Create(nullptr);
            player->StoreCategory(static_cast<int32_t>(round % 5));
        }
        const std::string& sound = round % 3 == 0 ? music : effect;
        player->QueueMemory(sound.data(), static_cast<uint32_t>(sound.size()));
        player->StoreVolume(0.5f + (round % 5) * 0.1f);
        player->StorePitch(0.5f + (round % 4) * 0.5f);
        player->StorePaused(round % 11 == 0);
        player->MarkUpdate();
        if (round % 5 == 0) player->MarkStop();
        SetCategoryVolume(static_cast<int32_t>(round % 8), 0.25f * (round % 4));
        if (round % 50 == 0) SetSoundPaused(round % 100 == 0);
        (void)(player->GetState() + player->GetPlayPosition());
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    for (SoundPlayer* player : players) SoundPlayer::Destroy(player);
    DestroyVoicePool(ogg);
    DestroyVoicePool(adpcm);
    SoundManagerShutdown();
}
