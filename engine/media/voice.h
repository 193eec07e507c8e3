// A voice plays one stream: its codec decodes into the voice's ring buffer,
// and each mixer block the voice copies or resamples 256 samples into the
// manager's scratch buffers and mixes them into the bus with its gains.
// Voices live inside voice pools (sound_manager.h) and are touched only with
// the sound manager's lock held.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/list.h"
#include "media/sound_codec.h"
#include "media/sound_mix_bus.h"
#include "media/sound_resampler.h"

struct Stream;

struct SoundParams {
    float volume = 1.0f;
    float pitch = 1.0f;  // 2.0 plays an octave higher and twice as fast
    float pan = 0.0f;    // -1 all on the front right, +1 all on the front left (mono sounds)
    int32_t category = 0;
};

enum VoiceState : int32_t { kVoiceStopped = 0, kVoiceStarting = 1, kVoicePlaying = 2 };

struct Voice {
    ListNode node;  // in the playing list while starting or playing
    Stream* stream;
    SoundCodecInstance* codec;
    SoundResampler* resampler;
    SoundRingBuffer* ring;
    int32_t state;
    SoundParams params;
    int32_t gains[kMixBusChannels][kMixBusChannels];
    int32_t sends[2];
    uint32_t samplesPlayed;
    uint16_t poolChannels;
    uint16_t channels;
    int32_t paused;
    int32_t dirty;
    int32_t resampling;
    uint32_t starvedBlocks;  // blocks in a row in which the codec gave nothing
};

constexpr uint32_t kVoiceRingBytes = 1024;  // 256 samples per channel

size_t VoiceSize(uint32_t channels);
// Builds a stopped voice for `channels` in `memory` (VoiceSize bytes, 16-aligned).
Voice* BuildVoice(uint32_t channels, void* memory);
void InitVoiceList();
void SetVoiceStream(Voice* voice, Stream* stream);
void SetVoiceLoop(Voice* voice, int32_t loop);
void SetVoiceParams(Voice* voice, const SoundParams& params);
void StartVoice(Voice* voice);
void StopVoice(Voice* voice);
uint32_t GetVoicePositionMs(const Voice* voice);
void DestroyVoice(Voice* voice);
void UpdateVoiceGain(Voice* voice);
void UpdateAllVoiceGains();
// Mixes every playing voice into the bus through the six scratch buffers.
void MixAllVoices(SoundMixBus* bus, int32_t* const* scratch);
void MixVoice(Voice* voice, SoundMixBus* bus, int32_t* const* scratch);
