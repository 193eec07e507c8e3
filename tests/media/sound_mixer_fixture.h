// A sound manager driven by hand (capturing output, fake clock, no mixer thread), the game's pools
// (16 ADPCM, 3 Ogg) and a WAVE pool for exact PCM.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media/sound_manager.h"
#include "media/sound_player.h"
#include "tests/media/sound_test_util.h"

class SoundMixerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    SoundPlayer* NewPlayer(int32_t priority = 0, int32_t category = 0);
    void Start(SoundPlayer* player, const std::string& bytes);
    // A mono or stereo 44.1 kHz WAVE of `frames` frames, sample i = value(i).
    static std::string Wave(uint32_t frames, uint32_t channels, int32_t (*value)(uint32_t));

    CaptureOutput* output = nullptr;
    VoicePool* adpcm = nullptr;
    VoicePool* ogg = nullptr;
    VoicePool* wave = nullptr;
    std::vector<SoundPlayer*> players;
};
