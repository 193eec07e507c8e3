// Loading a map into the field: its text, object models placed on their
// cells, and the textures of the terrain and of the models.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/allocator.h"
#include "core/fast_math.h"
#include "core/mat4.h"
#include "core/path_util.h"
#include "fs/fs_mgr.h"
#include "fs/stream.h"
#include "game/battle_files.h"
#include "game/field.h"
#include "game/field_map_text.h"
#include "gfx/model.h"
#include "gfx/quad.h"
#include "gfx/texture.h"
#include "platform/debug_log.h"

namespace {

// Object models are alpha tested at this reference (their leaves and fences).
constexpr float kObjectAlphaTestRef = 0.1f;

Texture* LoadFieldModelTexture(void* user, const char* path, FsMgr* fs) {
    return static_cast<QmField*>(user)->LoadModelTexture(path, fs);
}

// t4 brought into [-180, 180).
float WrapYaw(int32_t yaw) {
    int64_t r = (int64_t{yaw} + 180) % 360;
    if (r < 0) r += 360;
    return static_cast<float>(r - 180);
}

void PlaceObject(QmField* field, QmFieldCell* cell, const int32_t* t) {
    float p[3];
    field->CellToWorld(cell->x + 0.5f, static_cast<float>(t[kMapHeight]), cell->z + 0.5f, p);
    p[1] += static_cast<float>(t[kMapLift]);
    // Held to 2^-20..2^20 so that no placement overflows a float.
    const int32_t exponent = t[kMapScale] < -2000 ? -2000 : t[kMapScale] > 2000 ? 2000 : t[kMapScale];
    const float scale = 500.0f * std::pow(2.0f, exponent * 0.01f);
    Mat4 m = Mat4::Identity();
    Mat4::Translate(&m, m, p);
    Mat4::RotateY(&m, m, WrapYaw(t[kMapYaw]));
    Mat4::ScaleUniform(&m, m, scale);
    memcpy(cell->matrix, m.m, sizeof cell->matrix);
    float centre[3], extent[3];
    Model::GetBoundsCenter(cell->model, centre);
    Model::GetBoundsExtent(cell->model, extent);
    for (int i = 0; i < 3; ++i) {
        cell->centre[i] = p[i] + centre[i];
        cell->extent[i] = extent[i] * scale;
    }
    cell->objectHeight = TruncateToInt32(cell->extent[1] / kFieldLevelHeight);
    cell->radius = 0.5f * FastSqrt(cell->extent[0] * cell->extent[0] + cell->extent[2] * cell->extent[2]);
    cell->alpha = 1.0f;
}

}  // namespace

void QmField::LoadMap(int32_t mapId, FsMgr* fs, Allocator* allocator) {
    Clear();
    const int32_t area = mapId / 100, map = mapId - area * 100;
    char path[kFieldNameSize];
    auto loadTexture = [&](const char* part, const char* undrawn) {
        snprintf(path, sizeof path, "field/%02d_tex_%s.%s", area, part, "png");
        return BattleFileThere(fs, path, undrawn) ? Texture::Load(path, fs, nullptr) : nullptr;
    };
    topTexture = loadTexture("top", "the terrain's tops are drawn without a picture");
    sideTexture = loadTexture("side", "the terrain's walls are drawn without a picture");

    snprintf(path, sizeof path, "field/%02d-%02d.txt", area, map);
    Stream* stream = FsMgr::OpenStream(fs, path, 0, 0, kOpenRead, allocator);
    if (!stream) {
        LogFailed("open \"%s\"", path);
        return;
    }
    MapText text;
    const bool read = ReadMapText(stream, path, &text);
    stream->Release();
    if (!read || !AllocCells(text.width, text.depth)) return;

    for (int i = 0; i < kFieldModelSlots; ++i) {
        if (text.modelNames[i].empty()) continue;
        const std::string name = "3do/" + text.modelNames[i];
        models[i] = Model::Load(name.c_str(), fs, LoadFieldModelTexture, this, allocator);
        if (models[i]) {
            Model::SetMaterialAlphaTest(models[i], Model::GetMaterialCount(models[i]) == 2 ? 1 : 0, 1,
                                        kObjectAlphaTestRef);
        }
    }
    for (int32_t i = 0; i < width * depth; ++i) {
        QmFieldCell& cell = cells[i];
        const int32_t* t = &text.cells[static_cast<size_t>(i) * kMapFields];
        cell.height = t[kMapHeight];
        cell.shape = t[kMapShape];
        cell.walkable = t[kMapBlocked] == 0 && t[kMapHeight] != 0;
        cell.chip = t[kMapChip];
        const int32_t slot = t[kMapSlot];
        cell.model = slot >= 1 && slot <= kFieldModelSlots ? models[slot - 1] : nullptr;
        if (cell.model) PlaceObject(this, &cell, t);
    }
    FinishCells();
    BuildMesh();
}

Texture* QmField::LoadModelTexture(const char* name, FsMgr* fs) {
    const std::string png = ReplaceExtension(name, "png");
    const std::string used = FsMgr::GetFileSize(fs, png.c_str()) >= 0 ? png : name;
    int freeSlot = -1;
    for (int i = 0; i < kFieldTextureCacheSize; ++i) {
        if (!textureCache[i]) {
            if (freeSlot < 0) freeSlot = i;
        } else if (used == textureNames[i]) {
            Texture::AddRef(textureCache[i]);
            return textureCache[i];
        }
    }
    Texture* texture = Texture::Load(used.c_str(), fs, nullptr);
    if (!texture) return nullptr;
    Texture::AddRef(texture);  // the field's own reference, dropped by Clear
    if (freeSlot >= 0 && used.size() < kFieldNameSize) {
        textureCache[freeSlot] = texture;
        memcpy(textureNames[freeSlot], used.c_str(), used.size() + 1);
        return texture;
    }
    // Beyond the cache (or a name it cannot hold): kept uncached, still released by Clear.
    auto** grown = static_cast<Texture**>(Allocator::Realloc(extraTextures_, sizeof(Texture*) * (extraTextureCount_ + 1)));
    if (!grown) {
        Texture::Release(texture);
        return texture;
    }
    extraTextures_ = grown;
    extraTextures_[extraTextureCount_++] = texture;
    LogWarning("Model texture \"%s\" is kept outside the cache of %d.", used.c_str(), kFieldTextureCacheSize);
    return texture;
}
