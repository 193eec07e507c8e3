// The config slot table: defaults and the sound categories behind each slot.
#include "game/config_slots.h"

const int32_t kConfigSlotDefaults[kConfigSlotCount] = {5, 0, 100, 100, 100};

int SoundCategoriesOfConfigSlot(int32_t slot, int32_t categories[2]) {
    switch (slot) {
        case kConfigSoundVolBgm:
            categories[0] = 1;
            return 1;
        case kConfigSoundVolSe:
            categories[0] = 2;
            categories[1] = 3;
            return 2;
        case kConfigSoundVolVoice:
            categories[0] = 4;
            return 1;
        default:
            return 0;
    }
}
