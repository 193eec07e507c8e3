// A SoundPlayer is what scripts and the effect runtime play sounds through.
// Starts are queued on the caller's thread and turned into voices at the next
// mixer step, with the codec chosen by the stream's first four bytes. Volume,
// pitch and pan reach playing voices only after MarkUpdate; category and loop
// are taken at the start. Script-side calls take only the player's lock.
#pragma once

#include <atomic>
#include <cstdint>

#include "core/list.h"
#include "platform/threads.h"

struct Allocator;
struct FsMgr;
struct Stream;
struct VoiceSlot;

constexpr uint32_t kSoundPlayerRequests = 32;

enum SoundPlayerState : int32_t { kPlayerIdle = 0, kPlayerQueued = 1, kPlayerPlaying = 2 };

struct SoundPlayer {
    struct StartRequest {
        Stream* stream;    // owned until handed to a voice
        int32_t category;  // the player's category when the start was asked for
    };

    ListNode node;  // in the global player list
    List voices;    // VoiceSlots through playerNode, oldest first
    StartRequest requests[kSoundPlayerRequests];
    uint32_t requestCount;
    std::atomic<int32_t> state;
    std::atomic<FsMgr*> fsMgr;  // null = the operating system's files
    std::atomic<float> volume, pitch, pan;
    std::atomic<int32_t> category, priority, loop, paused;
    std::atomic<int32_t> stopPending, updatePending;
    Lock lock;  // the request queue
    std::atomic<uint32_t> positionMs;

    // A new idle player linked into the global list; null when memory runs out.
    static SoundPlayer* Create(Allocator* allocator);
    // Stops its voices at once, drops its queue and frees it. Null is ignored.
    static void Destroy(SoundPlayer* player);

    void AttachFsMgr(FsMgr* manager) { fsMgr.store(manager); }
    // 1 when a start was queued; 0 when the queue is full (silently) or the
    // file cannot be opened (with a warning).
    int QueueFile(const char* name);
    // The bytes are copied, so the caller may free them at once.
    int QueueMemory(const void* data, uint32_t size);
    // Stops every voice at the next step and drops every queued start.
    void MarkStop();
    void StoreVolume(float value) { volume.store(value); }
    void StorePitch(float value) { pitch.store(value); }
    void StorePan(float value) { pan.store(value); }
    // A category outside 0..7 means none, with a warning.
    void StoreCategory(int32_t value);
    void StorePriority(int32_t value) { priority.store(value); }
    void StoreLoop(int32_t value) { loop.store(value); }
    // A paused player's voices hold where they are (and new ones start held).
    void StorePaused(int32_t value) { paused.store(value); }
    // Volume 1, pitch 1, pan 0; category, priority, loop and pause are kept.
    void StoreDefaults();
    void MarkUpdate() { updatePending.store(1); }
    int32_t GetState() const { return state.load(); }
    uint32_t GetPlayPosition() const { return positionMs.load(); }
    int32_t GetPausedFlag() const { return paused.load(); }

    // Mixer step, with the manager's lock held.
    void ApplyPending();

private:
    bool PushRequest(Stream* stream);
    void PollVoices();
    void ProcessQueue();
};

// Every player's ApplyPending, in list order (the mixer step).
void UpdateSoundPlayers();
void InitSoundPlayerList();
// Unlinks a slot from its player's voice list (the slot was taken over).
void DetachVoiceFromPlayer(VoiceSlot* slot);
