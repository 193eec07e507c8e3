// The sound manager's life and its mixer step. The step runs every 16 ms on
// task queue 1 (or is called directly by tests with a fake clock and output):
// categories, players, then up to four blocks of 256 samples. When the output
// takes only part of a block, the next pass continues at the same sample.
#include <cstddef>
#include <cstring>

#include "core/allocator.h"
#include "media/sound_manager_state.h"
#include "media/sound_player.h"
#include "media/voice.h"
#include "platform/debug_log.h"
#include "platform/threads.h"

SoundManager* gSoundManager = nullptr;

namespace {

Lock gSoundLock;
constexpr uint32_t kPassesPerStep = 4;

int SoundMixerTask(void*) {
    SoundMixerUpdate();
    return 0;  // stays queued: runs every period
}

SoundOutput* OpenOutput(SoundOutput* wanted, uint32_t sampleRate, AudioClock clock) {
    SoundOutput* output = wanted != nullptr ? wanted : CreateSdlOutput();
    if (output->Init(kMixBusChannels, sampleRate)) return output;
    delete output;
    LogWarning("No sound device could be opened: the game runs silently.");
    output = CreateNullOutput(clock);
    output->Init(kMixBusChannels, sampleRate);
    return output;
}

}  // namespace

VoiceSlot* SlotFromPoolNode(ListNode* node) {
    return reinterpret_cast<VoiceSlot*>(reinterpret_cast<char*>(node) - offsetof(VoiceSlot, poolNode));
}
VoiceSlot* SlotFromPlayerNode(ListNode* node) {
    return reinterpret_cast<VoiceSlot*>(reinterpret_cast<char*>(node) - offsetof(VoiceSlot, playerNode));
}
VoiceSlot* SlotFromCategoryNode(ListNode* node) {
    return reinterpret_cast<VoiceSlot*>(reinterpret_cast<char*>(node) - offsetof(VoiceSlot, categoryNode));
}

void LockSoundManager() { LockEnter(&gSoundLock); }
void UnlockSoundManager() { LockLeave(&gSoundLock); }

bool SoundManagerInit(uint32_t sampleRate, int32_t outputMode, Allocator* allocator) {
    return SoundManagerInitWith(sampleRate, outputMode, allocator, SoundManagerOptions{});
}

bool SoundManagerInitWith(uint32_t sampleRate, int32_t outputMode, Allocator* allocator,
                          const SoundManagerOptions& options) {
    if (gSoundManager != nullptr) SoundManagerShutdown();
    if (options.runMixerTask && !TaskSystem::Init(allocator)) {
        delete options.output;
        return false;
    }
    const size_t head = (sizeof(SoundManager) + 15) / 16 * 16;
    const size_t scratchBytes = kMixBusChannels * kMixBlockSamples * sizeof(int32_t);
    void* block = Alloc(allocator, head + scratchBytes + SoundMixBusSize(), 16);
    if (block == nullptr) {
        LogError("sound: no memory for the mixer");
        delete options.output;
        if (options.runMixerTask) TaskSystem::Shutdown();
        return false;
    }
    LockGuard guard(&gSoundLock);
    auto* manager = new (block) SoundManager();
    manager->sampleRate = sampleRate != 0 ? sampleRate : 44100;
    manager->clock = options.clock != nullptr ? options.clock : GetTimeMicros;
    char* memory = static_cast<char*>(block) + head;
    for (uint32_t c = 0; c < kMixBusChannels; ++c) {
        manager->scratch[c] = reinterpret_cast<int32_t*>(memory) + c * kMixBlockSamples;
    }
    std::memset(memory, 0, scratchBytes);
    manager->bus = BuildSoundMixBus(memory + scratchBytes);
    ListInit(&manager->pools);
    InitCategories(manager);
    manager->lastCategoryUpdate = manager->clock();
    if (outputMode == kSoundMono) SetBusFilter(manager->bus, 0, MonoFilter());
    if (outputMode == kSoundSurround) SetBusFilter(manager->bus, 0, SurroundFilter());
    InitVoiceList();
    InitSoundPlayerList();
    manager->output = OpenOutput(options.output, manager->sampleRate, manager->clock);
    manager->output->Start();
    manager->blockPos = 0;
    gSoundManager = manager;
    if (options.runMixerTask) {
        manager->task.callback = SoundMixerTask;
        manager->task.argument = manager;
        TaskSystem::AddTask(kTaskQueuePeriodic, &manager->task);
        manager->taskAdded = true;
    }
    return true;
}

void SoundManagerShutdown() {
    SoundManager* manager = gSoundManager;
    if (manager == nullptr) return;
    // Outside the lock: the task may be waiting for it.
    if (manager->taskAdded) TaskSystem::RemoveTask(kTaskQueuePeriodic, &manager->task);
    {
        LockGuard guard(&gSoundLock);
        // Pools belong to their makers, who free them; here they only lose their voices.
        if (manager->pools.count != 0) {
            LogWarning("sound: %u voice pools were still alive at shutdown", manager->pools.count);
            while (manager->pools.head != nullptr) DetachVoicePool(manager->pools.head);
        }
        manager->output->Stop();
        manager->output->Shutdown();
        delete manager->output;
        ReleaseBusFilters(manager->bus);
        gSoundManager = nullptr;
    }
    bool ownsTasks = manager->taskAdded;
    manager->~SoundManager();
    Allocator::Free(manager);
    if (ownsTasks) TaskSystem::Shutdown();
}

bool SoundManagerRunning() { return gSoundManager != nullptr; }

bool SoundOutputAudible() {
    LockGuard guard(&gSoundLock);
    return gSoundManager != nullptr && gSoundManager->output->Audible();
}

void SetSoundPaused(int32_t paused) {
    LockGuard guard(&gSoundLock);
    if (gSoundManager == nullptr) return;
    gSoundManager->paused.store(paused, std::memory_order_relaxed);
    if (paused != 0) gSoundManager->output->Stop();
    else gSoundManager->output->Start();
}

uint32_t GetSoundSampleRate() { return gSoundManager != nullptr ? gSoundManager->sampleRate : 44100; }

SoundMixBus* GetSoundMixBus() { return gSoundManager != nullptr ? gSoundManager->bus : nullptr; }

void SoundMixerUpdate() {
    LockGuard guard(&gSoundLock);
    SoundManager* manager = gSoundManager;
    if (manager == nullptr) return;
    UpdateCategories(manager);
    UpdateSoundPlayers();
    for (uint32_t pass = 0; pass < kPassesPerStep; ++pass) {
        if (manager->blockPos >= kMixBlockSamples) {
            ClearMixBus(manager->bus);
            MixAllVoices(manager->bus, manager->scratch);
            RunBusFilters(manager->bus);
            manager->blockPos = 0;
        }
        const int32_t* channels[kMixBusChannels];
        for (uint32_t c = 0; c < kMixBusChannels; ++c) channels[c] = manager->bus->samples[c] + manager->blockPos;
        uint32_t wanted = kMixBlockSamples - manager->blockPos;
        uint32_t accepted = manager->output->Write(channels, kMixBusChannels, wanted);
        manager->blockPos += accepted < wanted ? accepted : wanted;
        if (accepted == 0) break;  // the device is full: the block waits
    }
}
