// The eight sound categories: volume, voice limit and ducking. Ducking ramps
// a category's gain linearly down to its level while the source category has
// voices, and back up when it has none; a ramp reversed half-way continues
// from the gain it reached (the time conversions are 64-bit, so long release
// times cannot overflow them). Settings come from the main thread under the
// manager's lock, so the mixer never sees half of a change.
#include "media/sound_manager_state.h"
#include "media/voice.h"
#include "platform/debug_log.h"

namespace {

bool ValidCategory(int32_t category, const char* what) {
    if (category >= 0 && category < kSoundCategoryCount) return true;
    LogWarning("%s: sound category %d is outside 0..7", what, category);
    return false;
}

uint32_t MillisToMicros(uint32_t ms) {
    uint64_t micros = static_cast<uint64_t>(ms) * 1000;
    return micros > 0xffffffffu ? 0xffffffffu : static_cast<uint32_t>(micros);
}

uint32_t ConvertRamp(uint32_t from, uint32_t elapsed, uint32_t to) {
    if (from == 0) return 0;
    uint64_t left = elapsed < from ? from - elapsed : 0;
    return static_cast<uint32_t>(left * to / from);
}

void StepDucking(SoundCategory* category, bool sourcePlays, uint32_t dt) {
    float level = category->duckLevel;
    switch (category->duckState) {
        case kDuckIdle:
            category->duckGain = 1.0f;
            if (sourcePlays) {
                category->elapsedMicros = 0;
                category->duckState = category->attackMicros < 1 ? kDuckHeld : kDuckAttack;
                if (category->duckState == kDuckHeld) category->duckGain = level;
            }
            break;
        case kDuckAttack:
            category->elapsedMicros += dt;
            if (category->elapsedMicros < category->attackMicros) {
                float t = static_cast<float>(category->elapsedMicros) / static_cast<float>(category->attackMicros);
                category->duckGain = 1.0f + t * (level - 1.0f);
                if (!sourcePlays) {
                    category->elapsedMicros =
                        ConvertRamp(category->attackMicros, category->elapsedMicros, category->releaseMicros);
                    category->duckState = kDuckRelease;
                }
            } else {
                category->duckGain = level;
                category->duckState = kDuckHeld;
            }
            break;
        case kDuckHeld:
            category->duckGain = level;
            if (!sourcePlays) {
                category->elapsedMicros = 0;
                category->duckState = category->releaseMicros < 1 ? kDuckIdle : kDuckRelease;
                if (category->duckState == kDuckIdle) category->duckGain = 1.0f;
            }
            break;
        default:  // release
            category->elapsedMicros += dt;
            if (category->elapsedMicros < category->releaseMicros) {
                float t = static_cast<float>(category->elapsedMicros) / static_cast<float>(category->releaseMicros);
                category->duckGain = level + t * (1.0f - level);
                if (sourcePlays) {
                    category->elapsedMicros =
                        ConvertRamp(category->releaseMicros, category->elapsedMicros, category->attackMicros);
                    category->duckState = kDuckAttack;
                }
            } else {
                category->duckGain = 1.0f;
                category->duckState = kDuckIdle;
            }
            break;
    }
}

}  // namespace

void InitCategories(SoundManager* manager) {
    for (SoundCategory& category : manager->categories) {
        category = SoundCategory{};
        category.volume = 1.0f;
        category.duckGain = 1.0f;
        category.duckSource = kNoSoundCategory;
        ListInit(&category.voices);
    }
}

void UpdateCategories(SoundManager* manager) {
    uint64_t now = manager->clock();
    auto dt = static_cast<uint32_t>(now - manager->lastCategoryUpdate);
    manager->lastCategoryUpdate = now;
    bool anyChanged = false;
    for (SoundCategory& category : manager->categories) {
        if (category.duckSource >= 0) {
            bool sourcePlays = manager->categories[category.duckSource].voices.count != 0;
            StepDucking(&category, sourcePlays, dt);
            anyChanged = true;
        }
        if (category.dirty != 0) anyChanged = true;
        category.dirty = 0;
    }
    // Voice gains read the category gains; one pass covers every category.
    if (anyChanged) UpdateAllVoiceGains();
}

void SetCategoryVolume(int32_t category, float volume) {
    if (!ValidCategory(category, "SetCategoryVolume")) return;
    LockSoundManager();
    if (gSoundManager != nullptr) {
        gSoundManager->categories[category].volume = volume;
        gSoundManager->categories[category].dirty = 1;
    }
    UnlockSoundManager();
}

void SetCategoryParams(int32_t category, int32_t maxVoices, int32_t overflowPolicy) {
    if (!ValidCategory(category, "SetCategoryParams")) return;
    LockSoundManager();
    if (gSoundManager != nullptr) {
        gSoundManager->categories[category].maxVoices = maxVoices;
        gSoundManager->categories[category].overflowPolicy = overflowPolicy;
    }
    UnlockSoundManager();
}

void SetCategoryDucking(int32_t category, int32_t sourceCategory, float level, uint32_t attackMs,
                        uint32_t releaseMs) {
    if (!ValidCategory(category, "SetCategoryDucking") || !ValidCategory(sourceCategory, "SetCategoryDucking")) {
        return;
    }
    LockSoundManager();
    if (gSoundManager != nullptr) {
        SoundCategory& entry = gSoundManager->categories[category];
        entry.duckSource = sourceCategory;
        entry.duckLevel = level;
        entry.attackMicros = MillisToMicros(attackMs);
        entry.releaseMicros = MillisToMicros(releaseMs);
    }
    UnlockSoundManager();
}

float GetCategoryGain(int32_t category) {
    if (gSoundManager == nullptr || category < 0 || category >= kSoundCategoryCount) return 1.0f;
    const SoundCategory& entry = gSoundManager->categories[category];
    return entry.duckSource >= 0 ? entry.volume * entry.duckGain : entry.volume;
}

int32_t GetCategoryDuckState(int32_t category) {
    if (gSoundManager == nullptr || category < 0 || category >= kSoundCategoryCount) return kDuckIdle;
    LockSoundManager();
    int32_t state = gSoundManager->categories[category].duckState;
    UnlockSoundManager();
    return state;
}

bool AddVoiceToCategory(int32_t category, VoiceSlot* slot) {
    if (category < 0 || category >= kSoundCategoryCount) {
        if (category != kNoSoundCategory) LogWarning("sound category %d is outside 0..7: none is used", category);
        slot->category = kNoSoundCategory;
        return true;
    }
    SoundCategory& entry = gSoundManager->categories[category];
    if (entry.maxVoices >= 1 && entry.voices.count >= static_cast<uint32_t>(entry.maxVoices)) {
        if (entry.overflowPolicy == 1) {
            StopVoice(slot->voice);
            slot->category = kNoSoundCategory;
            return false;
        }
        VoiceSlot* oldest = SlotFromCategoryNode(entry.voices.head);
        RemoveVoiceFromCategory(category, oldest);
        StopVoice(oldest->voice);  // its player returns the slot at its next poll
    }
    slot->category = category;
    ListPushBack(&entry.voices, &slot->categoryNode);
    return true;
}

void RemoveVoiceFromCategory(int32_t category, VoiceSlot* slot) {
    if (gSoundManager == nullptr || category < 0 || category >= kSoundCategoryCount || slot->category != category) {
        return;
    }
    ListRemove(&gSoundManager->categories[category].voices, &slot->categoryNode);
    slot->category = kNoSoundCategory;
}
