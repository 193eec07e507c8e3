// The sound manager's own state, shared by the files that make it up
// (manager, categories, voice pools). Not for use outside engine/media.
#pragma once

#include <atomic>

#include "core/list.h"
#include "core/task_system.h"
#include "media/sound_manager.h"
#include "media/sound_mix_bus.h"

struct SoundCategory {
    int32_t dirty;
    float volume;
    List voices;  // VoiceSlots through categoryNode, oldest first
    int32_t maxVoices;
    int32_t overflowPolicy;
    int32_t duckSource;  // category index, -1 none
    float duckLevel;
    float duckGain;
    uint32_t attackMicros;
    uint32_t releaseMicros;
    uint32_t elapsedMicros;
    int32_t duckState;
};

enum DuckState : int32_t { kDuckIdle = 0, kDuckAttack = 1, kDuckHeld = 2, kDuckRelease = 3 };

struct VoicePool {
    int32_t typeId;
    uint32_t channels;
    ListNode node;  // in the manager's pool list, creation order
    bool linked;    // on that list (a pool made before the manager is not)
    List free;      // VoiceSlots through poolNode
    List busy;      // in the order they were acquired
    const SoundCodec* codec;
    uint32_t count;
    VoiceSlot* slots;
};

struct SoundManager {
    SoundMixBus* bus;
    int32_t* scratch[kMixBusChannels];
    List pools;
    SoundCategory categories[kSoundCategoryCount];
    std::atomic<int32_t> paused;
    uint64_t lastCategoryUpdate;
    SoundOutput* output;
    uint32_t sampleRate;
    uint32_t blockPos;  // samples of the bus block the output has taken; 256 = mix a new one
    Task task;
    bool taskAdded;
    AudioClock clock;
};

extern SoundManager* gSoundManager;

// A ListNode member back to its VoiceSlot.
VoiceSlot* SlotFromPoolNode(ListNode* node);
VoiceSlot* SlotFromPlayerNode(ListNode* node);
VoiceSlot* SlotFromCategoryNode(ListNode* node);

// Stops a pool's busy voices and takes it off the manager's list (shutdown).
void DetachVoicePool(ListNode* poolNode);

void InitCategories(SoundManager* manager);
// Ducking ramps and gain updates, once per mixer step.
void UpdateCategories(SoundManager* manager);
