// The unit sprite sheets: "img/dot/..." by side and type, loaded once and
// shared by reference count among units of the same side and type.
#include <cstdio>

#include "game/battle_files.h"
#include "game/unit.h"
#include "gfx/texture.h"
#include "platform/debug_log.h"

namespace {

struct SheetEntry {
    bool inUse;  // key 0 is a real key (side 0, type 0), so it cannot mark a free entry
    int64_t key;
    int32_t refCount;
    Texture* texture;
};

SheetEntry gSheets[UnitSpriteCache::kEntries];

// 64-bit: a script may name any side.
int64_t KeyOf(int32_t side, int32_t type) { return int64_t{side} * 100 + type; }

SheetEntry* FindEntry(int64_t key) {
    for (SheetEntry& entry : gSheets) {
        if (entry.inUse && entry.key == key) return &entry;
    }
    return nullptr;
}

}  // namespace

namespace UnitSpriteCache {

bool SheetName(int32_t side, int32_t type, char* out, int32_t size) {
    if (type < 0 || type > 33) return false;
    static const char* const kSpecial[4] = {"img/dot/M_1_1.png", "img/dot/N_1_1.png", "img/dot/O_1_1.png",
                                            "img/dot/L_0_1.png"};
    int written = type >= 30 ? snprintf(out, static_cast<size_t>(size), "%s", kSpecial[type - 30])
                             : snprintf(out, static_cast<size_t>(size), "img/dot/%c_%d_%d.png", "RSU"[type / 10],
                                        type % 10, side);
    return written > 0 && written < size;
}

Texture* Acquire(int32_t side, int32_t type, FsMgr* fs) {
    const int64_t key = KeyOf(side, type);
    if (SheetEntry* entry = FindEntry(key)) {
        ++entry->refCount;
        return entry->texture;
    }
    char name[64];
    if (!SheetName(side, type, name, sizeof name)) {
        LogWarning("unit: type %d has no sprite sheet", type);
        return nullptr;
    }
    SheetEntry* free = nullptr;
    for (SheetEntry& entry : gSheets) {
        if (!entry.inUse) {
            free = &entry;
            break;
        }
    }
    if (free == nullptr) {
        LogWarning("unit: %d sprite sheets in use; \"%s\" is not loaded", kEntries, name);
        return nullptr;
    }
    char undrawn[64];
    snprintf(undrawn, sizeof undrawn, "units of side %d, type %d are drawn without a picture", side, type);
    Texture* texture = BattleFileThere(fs, name, undrawn) ? Texture::Load(name, fs, nullptr) : nullptr;
    if (texture == nullptr) return nullptr;
    *free = {true, key, 1, texture};
    return texture;
}

void Release(int32_t side, int32_t type) {
    SheetEntry* entry = FindEntry(KeyOf(side, type));
    if (entry == nullptr || --entry->refCount > 0) return;
    Texture::Release(entry->texture);
    *entry = {};
}

int32_t CountInUse() {
    int32_t count = 0;
    for (const SheetEntry& entry : gSheets) count += entry.inUse ? 1 : 0;
    return count;
}

}  // namespace UnitSpriteCache
