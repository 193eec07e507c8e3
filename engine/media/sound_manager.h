// The sound manager: one global mixer with a six-channel bus, eight sound
// categories (volume, voice limit, ducking), voice pools with stealing by
// priority, and the output. Every 16 ms the mixer step runs on task queue 1:
// categories, then sound players, then up to four 256-sample blocks handed to
// the output. Lock order: the manager's lock, then a player's own lock.
#pragma once

#include <cstdint>

#include "core/list.h"
#include "platform/audio_device.h"

struct Allocator;
struct SoundCodec;
struct SoundMixBus;
struct SoundPlayer;
struct Voice;

constexpr int32_t kSoundCategoryCount = 8;
constexpr int32_t kNoSoundCategory = -1;

enum SoundTypeId : int32_t { kSoundTypeWave = 0, kSoundTypeAdpcm = 1, kSoundTypeOgg = 3 };

enum SoundOutputMode : int32_t { kSoundMono = 0, kSoundStereo = 1, kSoundSurround = 2 };

struct VoicePool;

struct VoiceSlot {
    Voice* voice;
    VoicePool* pool;
    SoundPlayer* player;  // the owner, null when none
    ListNode poolNode;    // in the pool's free or busy list
    ListNode playerNode;  // in the player's voice list
    ListNode categoryNode;
    int32_t priority;
    int32_t category;  // 0..7, -1 none
    bool busy;         // in the pool's busy list
};

// What tests and tools may put in place of the real device and clock.
struct SoundManagerOptions {
    SoundOutput* output = nullptr;   // owned from then on; null = SDL, else the null output
    AudioClock clock = nullptr;      // null = GetTimeMicros
    bool runMixerTask = true;        // false: the caller runs SoundMixerUpdate itself
};

// Starts the manager at `sampleRate` with the launcher's output mode (0 mono,
// 2 surround, anything else stereo). When no device opens, the null output
// takes over with one log line. False only when memory runs out.
bool SoundManagerInit(uint32_t sampleRate, int32_t outputMode, Allocator* allocator);
bool SoundManagerInitWith(uint32_t sampleRate, int32_t outputMode, Allocator* allocator,
                          const SoundManagerOptions& options);
void SoundManagerShutdown();
bool SoundManagerRunning();
// Running with an output someone can hear (not the null output).
bool SoundOutputAudible();

// Non-zero stops the output device (voices hold where they are), zero starts it.
void SetSoundPaused(int32_t paused);
uint32_t GetSoundSampleRate();
SoundMixBus* GetSoundMixBus();
// The manager's lock (re-entrant); usable before init and after shutdown.
void LockSoundManager();
void UnlockSoundManager();

// Category settings; an index outside 0..7 is refused with a warning.
void SetCategoryVolume(int32_t category, float volume);
// maxVoices <= 0: no limit. Policy 1 refuses a start over the limit; any
// other value stops the category's oldest voice.
void SetCategoryParams(int32_t category, int32_t maxVoices, int32_t overflowPolicy);
// `category` is ducked to `level` while `sourceCategory` has voices.
void SetCategoryDucking(int32_t category, int32_t sourceCategory, float level, uint32_t attackMs,
                        uint32_t releaseMs);
// volume x ducking gain; 1.0 for an index outside 0..7.
float GetCategoryGain(int32_t category);

VoicePool* CreateVoicePool(const SoundCodec* codec, int32_t typeId, uint32_t count, uint32_t channels,
                           Allocator* allocator);
VoicePool* CreateAdpcmVoicePool(uint32_t count, uint32_t channels, Allocator* allocator);
VoicePool* CreateOggVoicePool(uint32_t count, uint32_t channels, Allocator* allocator);
// Stops every busy voice of the pool and frees it.
void DestroyVoicePool(VoicePool* pool);

// The caller holds the manager's lock for these.
VoiceSlot* AcquireVoice(int32_t typeId, uint32_t channels, int32_t priority);
void ReleaseVoice(VoiceSlot* slot);
void ReturnVoiceToPool(VoiceSlot* slot);
// False when the category refused the voice (policy 1 at its limit).
bool AddVoiceToCategory(int32_t category, VoiceSlot* slot);
void RemoveVoiceFromCategory(int32_t category, VoiceSlot* slot);

// One mixer step (the task runs it every 16 ms).
void SoundMixerUpdate();

// Counts of a pool's slots, for tests and tools.
uint32_t VoicePoolFreeCount(const VoicePool* pool);
uint32_t VoicePoolBusyCount(const VoicePool* pool);
// The ducking state of a category (0 idle, 1 attack, 2 held, 3 release).
int32_t GetCategoryDuckState(int32_t category);
