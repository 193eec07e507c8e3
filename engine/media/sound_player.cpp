// Sound players: the start queue, the parameter block, and what the mixer
// step does with them (updates, stops, reaping finished voices, starting
// queued sounds). The parameter block is atomic, so the main thread's
// setters never race with the mixer reading them.
#include "media/sound_player.h"

#include <cstring>
#include <new>

#include "core/allocator.h"
#include "fs/fs_mgr.h"
#include "fs/stream.h"
#include "media/sound_manager_state.h"
#include "media/voice.h"
#include "platform/debug_log.h"

namespace {

List gPlayers;  // guarded by the sound manager's lock

SoundPlayer* PlayerFromNode(ListNode* node) { return reinterpret_cast<SoundPlayer*>(node); }

SoundParams CurrentParams(const SoundPlayer* player) {
    SoundParams params;
    params.volume = player->volume.load();
    params.pitch = player->pitch.load();
    params.pan = player->pan.load();
    params.category = player->category.load();
    return params;
}

// The codec kind a stream's first four bytes name, or -1.
int32_t SoundKindOf(Stream* stream) {
    uint8_t magic[4] = {};
    if (stream->Read(magic, 4) != 4) return -1;
    stream->Seek(0, kSeekSet);
    if (std::memcmp(magic, "RIFF", 4) == 0) return kSoundTypeWave;
    if (std::memcmp(magic, "EADP", 4) == 0) return kSoundTypeAdpcm;
    if (std::memcmp(magic, "OggS", 4) == 0) return kSoundTypeOgg;
    return -1;
}

}  // namespace

void InitSoundPlayerList() {
    LockSoundManager();
    if (gPlayers.count == 0) ListInit(&gPlayers);
    UnlockSoundManager();
}

SoundPlayer* SoundPlayer::Create(Allocator* allocator) {
    void* memory = Alloc(allocator, sizeof(SoundPlayer), 0);
    if (memory == nullptr) {
        LogError("sound: no memory for a sound player");
        return nullptr;
    }
    auto* player = new (memory) SoundPlayer();
    ListInit(&player->voices);
    player->requestCount = 0;
    player->state = kPlayerIdle;
    player->fsMgr = nullptr;
    player->volume = 1.0f;
    player->pitch = 1.0f;
    player->pan = 0.0f;
    player->category = 0;
    player->priority = 0;
    player->loop = 0;
    player->paused = 0;
    player->stopPending = 0;
    player->updatePending = 0;
    player->positionMs = 0;
    LockSoundManager();
    ListPushBack(&gPlayers, &player->node);
    UnlockSoundManager();
    return player;
}

void SoundPlayer::Destroy(SoundPlayer* player) {
    if (player == nullptr) return;
    LockSoundManager();
    ListRemove(&gPlayers, &player->node);
    player->MarkStop();
    player->ApplyPending();
    // Voices stopped by the step above are returned by its poll; any left
    // (no manager to reap them) are detached here.
    while (player->voices.head != nullptr) {
        VoiceSlot* slot = SlotFromPlayerNode(player->voices.head);
        ReleaseVoice(slot);
    }
    UnlockSoundManager();
    player->~SoundPlayer();
    Allocator::Free(player);
}

bool SoundPlayer::PushRequest(Stream* stream) {
    LockGuard guard(&lock);
    if (requestCount >= kSoundPlayerRequests) return false;
    requests[requestCount++] = {stream, category.load()};
    state.store(kPlayerQueued);
    return true;
}

int SoundPlayer::QueueFile(const char* name) {
    {
        LockGuard guard(&lock);
        if (requestCount >= kSoundPlayerRequests) return 0;
    }
    Stream* stream = name != nullptr ? FsMgr::OpenStream(fsMgr.load(), name, 0, 0, kOpenRead, nullptr) : nullptr;
    // Readers seek (loops, Ogg's own look at the end): a stream that cannot
    // (a compressed pack entry) is read into memory first.
    if (stream != nullptr && stream->Size() > 0 && stream->Seek(0, kSeekEnd) != stream->Size()) {
        stream = Stream::LoadWholeIntoMemory(stream, name, nullptr);
    } else if (stream != nullptr) {
        stream->Seek(0, kSeekSet);
    }
    if (stream == nullptr) {
        LogWarning("Failed to start sound file: %s", name != nullptr ? name : "(null)");
        return 0;
    }
    if (!PushRequest(stream)) {
        stream->Release();
        return 0;
    }
    return 1;
}

int SoundPlayer::QueueMemory(const void* data, uint32_t size) {
    {
        LockGuard guard(&lock);
        if (requestCount >= kSoundPlayerRequests) return 0;
    }
    void* copy = data != nullptr ? Alloc(nullptr, size, 0) : nullptr;
    Stream* stream = copy != nullptr ? MemoryStream(copy, size, true, nullptr) : nullptr;
    if (stream == nullptr) {
        Allocator::Free(copy);
        LogWarning("Failed to start sound data: 0x%08x", static_cast<uint32_t>(reinterpret_cast<uintptr_t>(data)));
        return 0;
    }
    std::memcpy(copy, data, size);
    if (!PushRequest(stream)) {
        stream->Release();
        return 0;
    }
    return 1;
}

void SoundPlayer::MarkStop() {
    LockGuard guard(&lock);
    stopPending.store(1);
    for (uint32_t i = 0; i < requestCount; ++i) requests[i].stream->Release();
    requestCount = 0;
}

void SoundPlayer::StoreCategory(int32_t value) {
    if (value < 0 || value >= kSoundCategoryCount) {
        LogWarning("SoundPlayer: category %d is outside 0..7; the sound plays in none", value);
        value = kNoSoundCategory;
    }
    category.store(value);
}

void SoundPlayer::StoreDefaults() {
    volume.store(1.0f);
    pitch.store(1.0f);
    pan.store(0.0f);
}

void SoundPlayer::ApplyPending() {
    if (updatePending.exchange(0) != 0) {
        SoundParams params = CurrentParams(this);
        for (ListNode* n = voices.head; n != nullptr; n = n->next) {
            VoiceSlot* slot = SlotFromPlayerNode(n);
            SetVoiceParams(slot->voice, params);
        }
    }
    if (stopPending.exchange(0) != 0) {
        for (ListNode* n = voices.head; n != nullptr; n = n->next) {
            StopVoice(SlotFromPlayerNode(n)->voice);
        }
    }
    int32_t held = paused.load();
    for (ListNode* n = voices.head; n != nullptr; n = n->next) {
        SlotFromPlayerNode(n)->voice->paused = held;
    }
    PollVoices();
    ProcessQueue();
}

void SoundPlayer::PollVoices() {
    if (voices.tail != nullptr) {
        VoiceSlot* newest =
            SlotFromPlayerNode(voices.tail);
        positionMs.store(GetVoicePositionMs(newest->voice));
    }
    ListNode* n = voices.head;
    while (n != nullptr) {
        VoiceSlot* slot = SlotFromPlayerNode(n);
        n = n->next;
        if (slot->voice->state != kVoiceStopped) continue;
        ReturnVoiceToPool(slot);
        if (slot->category >= 0) RemoveVoiceFromCategory(slot->category, slot);
        DetachVoiceFromPlayer(slot);
    }
    LockGuard guard(&lock);
    if (voices.head == nullptr && requestCount == 0) {
        state.store(kPlayerIdle);
        positionMs.store(0);
    }
}

void SoundPlayer::ProcessQueue() {
    StartRequest queued[kSoundPlayerRequests];
    uint32_t n;
    {
        LockGuard guard(&lock);
        n = requestCount;
        std::memcpy(queued, requests, n * sizeof(StartRequest));
        requestCount = 0;
    }
    if (n == 0) return;
    SoundParams params = CurrentParams(this);
    for (uint32_t i = 0; i < n; ++i) {
        Stream* stream = queued[i].stream;
        int32_t kind = SoundKindOf(stream);
        VoiceSlot* slot = nullptr;
        if (kind < 0) {
            LogError("Invalid audio format.");
        } else if ((slot = AcquireVoice(kind, 2, 0)) == nullptr) {
            LogError("Failed to allocate voice.");
        }
        if (slot == nullptr) {
            // This request and the ones after it are dropped.
            for (uint32_t j = i; j < n; ++j) queued[j].stream->Release();
            return;
        }
        if (!AddVoiceToCategory(queued[i].category, slot)) {
            ReturnVoiceToPool(slot);  // the category refused it (policy 1 at its limit)
            stream->Release();
            continue;
        }
        SetVoiceStream(slot->voice, stream);
        SetVoiceLoop(slot->voice, loop.load());
        SetVoiceParams(slot->voice, params);
        slot->voice->paused = paused.load();
        StartVoice(slot->voice);
        slot->priority = priority.load();
        slot->player = this;
        ListPushBack(&voices, &slot->playerNode);
    }
    state.store(kPlayerPlaying);
}

void UpdateSoundPlayers() {
    for (ListNode* n = gPlayers.head; n != nullptr; n = n->next) PlayerFromNode(n)->ApplyPending();
}

void DetachVoiceFromPlayer(VoiceSlot* slot) {
    if (slot->player == nullptr) return;
    ListRemove(&slot->player->voices, &slot->playerNode);
    slot->player = nullptr;
}
