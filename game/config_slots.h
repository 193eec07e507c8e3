// The five settings the scripts read and change through App.GetConfig and
// App.SetConfig, by slot number, and the sound categories each one drives.
#pragma once

#include <cstdint>

enum ConfigSlot : int32_t {
    kConfigBattleSpeed = 0,
    kConfigTalkSpeed = 1,
    kConfigSoundVolBgm = 2,
    kConfigSoundVolSe = 3,
    kConfigSoundVolVoice = 4,
};
constexpr int32_t kConfigSlotCount = 5;

// The values a fresh installation starts with, by slot.
extern const int32_t kConfigSlotDefaults[kConfigSlotCount];

// The sound categories whose volume follows the slot (value x 0.01); writes
// them to `categories` and returns how many (0 for slots that drive none).
int SoundCategoriesOfConfigSlot(int32_t slot, int32_t categories[2]);
