// Voice pools: all the voices of one codec kind, made at once so nothing is
// allocated while sound plays. A start takes a free slot or, failing that,
// the oldest busy slot whose priority is not above the request's.
#include <cstring>

#include "core/allocator.h"
#include "media/sound_codec.h"
#include "media/sound_manager_state.h"
#include "media/sound_player.h"
#include "media/voice.h"
#include "platform/debug_log.h"

namespace {

size_t Round16(size_t value) { return (value + 15) / 16 * 16; }

VoicePool* PoolFromNode(ListNode* node) {
    return reinterpret_cast<VoicePool*>(reinterpret_cast<char*>(node) - offsetof(VoicePool, node));
}

// Takes a slot of `pool`, stealing when it must; null when the pool has none.
VoiceSlot* TakeSlot(VoicePool* pool, int32_t priority) {
    if (pool->free.head != nullptr) {
        VoiceSlot* slot = SlotFromPoolNode(ListPopFront(&pool->free));
        ListPushBack(&pool->busy, &slot->poolNode);
        slot->busy = true;
        return slot;
    }
    for (ListNode* node = pool->busy.head; node != nullptr; node = node->next) {
        VoiceSlot* slot = SlotFromPoolNode(node);
        if (slot->priority > priority) continue;
        ReleaseVoice(slot);
        ListRemove(&pool->free, &slot->poolNode);
        ListPushBack(&pool->busy, &slot->poolNode);
        slot->busy = true;
        return slot;
    }
    return nullptr;
}

}  // namespace

VoicePool* CreateVoicePool(const SoundCodec* codec, int32_t typeId, uint32_t count, uint32_t channels,
                           Allocator* allocator) {
    if (codec == nullptr || count == 0 || count > 1024 || channels == 0 || channels > kMixBusChannels) {
        LogError("sound: a voice pool of %u voices of %u channels cannot be made", count, channels);
        return nullptr;
    }
    const size_t voiceBytes = Round16(VoiceSize(channels));
    const size_t codecBytes = Round16(codec->Size(channels));
    const size_t slotBytes = Round16(sizeof(VoiceSlot)) + voiceBytes + codecBytes;
    void* block = Alloc(allocator, Round16(sizeof(VoicePool)) + count * slotBytes, 16);
    if (block == nullptr) {
        LogError("sound: no memory for a voice pool of %u voices", count);
        return nullptr;
    }
    LockSoundManager();
    auto* pool = static_cast<VoicePool*>(block);
    *pool = VoicePool{};
    pool->typeId = typeId;
    pool->channels = channels;
    pool->codec = codec;
    pool->count = count;
    ListInit(&pool->free);
    ListInit(&pool->busy);
    char* memory = static_cast<char*>(block) + Round16(sizeof(VoicePool));
    pool->slots = reinterpret_cast<VoiceSlot*>(memory);
    for (uint32_t i = 0; i < count; ++i) {
        char* base = memory + i * slotBytes;
        auto* slot = reinterpret_cast<VoiceSlot*>(base);
        *slot = VoiceSlot{};
        slot->pool = pool;
        slot->category = kNoSoundCategory;
        slot->voice = BuildVoice(channels, base + Round16(sizeof(VoiceSlot)));
        slot->voice->codec = codec->Create(channels, base + Round16(sizeof(VoiceSlot)) + voiceBytes, codecBytes);
        ListPushBack(&pool->free, &slot->poolNode);
    }
    if (gSoundManager != nullptr) {
        ListPushBack(&gSoundManager->pools, &pool->node);
        pool->linked = true;
    }
    UnlockSoundManager();
    return pool;
}

VoicePool* CreateAdpcmVoicePool(uint32_t count, uint32_t channels, Allocator* allocator) {
    return CreateVoicePool(GetAdpcmReaderCodec(), kSoundTypeAdpcm, count, channels, allocator);
}

VoicePool* CreateOggVoicePool(uint32_t count, uint32_t channels, Allocator* allocator) {
    return CreateVoicePool(GetOggReaderCodec(), kSoundTypeOgg, count, channels, allocator);
}

void DestroyVoicePool(VoicePool* pool) {
    if (pool == nullptr) return;
    LockSoundManager();
    if (gSoundManager != nullptr && pool->linked) ListRemove(&gSoundManager->pools, &pool->node);
    pool->linked = false;
    while (pool->busy.head != nullptr) ReleaseVoice(SlotFromPoolNode(pool->busy.head));
    auto* memory = reinterpret_cast<char*>(pool->slots);
    const size_t slotBytes =
        Round16(sizeof(VoiceSlot)) + Round16(VoiceSize(pool->channels)) + Round16(pool->codec->Size(pool->channels));
    for (uint32_t i = 0; i < pool->count; ++i) {
        auto* slot = reinterpret_cast<VoiceSlot*>(memory + i * slotBytes);
        if (slot->voice->codec != nullptr) slot->voice->codec->codec->Destroy(slot->voice->codec);
        DestroyVoice(slot->voice);
    }
    UnlockSoundManager();
    Allocator::Free(pool);
}

void DetachVoicePool(ListNode* poolNode) {
    VoicePool* pool = PoolFromNode(poolNode);
    while (pool->busy.head != nullptr) ReleaseVoice(SlotFromPoolNode(pool->busy.head));
    ListRemove(&gSoundManager->pools, &pool->node);
    pool->linked = false;
}

VoiceSlot* AcquireVoice(int32_t typeId, uint32_t channels, int32_t priority) {
    if (gSoundManager == nullptr) return nullptr;
    for (ListNode* node = gSoundManager->pools.head; node != nullptr; node = node->next) {
        VoicePool* pool = PoolFromNode(node);
        if (pool->typeId != typeId || channels > pool->channels) continue;
        if (VoiceSlot* slot = TakeSlot(pool, priority)) {
            slot->priority = priority;
            return slot;
        }
    }
    return nullptr;
}

void ReleaseVoice(VoiceSlot* slot) {
    StopVoice(slot->voice);
    ReturnVoiceToPool(slot);
    if (slot->category >= 0) RemoveVoiceFromCategory(slot->category, slot);
    if (slot->player != nullptr) DetachVoiceFromPlayer(slot);
}

void ReturnVoiceToPool(VoiceSlot* slot) {
    // Only a busy slot moves; returning a free one again changes nothing.
    if (!slot->busy) return;
    ListRemove(&slot->pool->busy, &slot->poolNode);
    ListPushBack(&slot->pool->free, &slot->poolNode);
    slot->busy = false;
}

uint32_t VoicePoolFreeCount(const VoicePool* pool) { return pool != nullptr ? pool->free.count : 0; }
uint32_t VoicePoolBusyCount(const VoicePool* pool) { return pool != nullptr ? pool->busy.count : 0; }
