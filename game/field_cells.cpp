// The field's life: construction, the cell grid and its neighbour links,
// releasing what a map loaded, and the plain per-cell queries.
#include <cstring>

#include "core/allocator.h"
#include "game/field.h"
#include "gfx/model.h"
#include "gfx/texture.h"
#include "platform/debug_log.h"

QmField::QmField(const float lightDirection[3]) { memcpy(light, lightDirection, sizeof light); }

QmField::~QmField() { Clear(); }

void QmField::Clear() {
    width = depth = 0;
    for (int i = 0; i < kFieldModelSlots; ++i) {
        Model::Release(models[i]);
        models[i] = nullptr;
    }
    for (int i = 0; i < kFieldTextureCacheSize; ++i) {
        Texture::Release(textureCache[i]);
        textureCache[i] = nullptr;
        textureNames[i][0] = '\0';
    }
    for (int i = 0; i < extraTextureCount_; ++i) Texture::Release(extraTextures_[i]);
    Allocator::Free(extraTextures_);
    extraTextures_ = nullptr;
    extraTextureCount_ = 0;
    ReleaseBuffers();
    Texture::Release(topTexture);
    Texture::Release(sideTexture);
    topTexture = sideTexture = nullptr;
    Allocator::Free(cells);
    cells = nullptr;
    rangeX = rangeZ = -1;
    rangeMin = rangeMax = rangeFlags = 0;
}

void QmField::ReleaseBuffers() {
    GlDeleteBuffer(vertexBuffer);
    GlDeleteBuffer(indexBuffer);
    GlDeleteBuffer(edgeBuffer);
    vertexBuffer = indexBuffer = edgeBuffer = kNoBuffer;
}

bool QmField::AllocCells(int32_t w, int32_t d) {
    Allocator::Free(cells);
    cells = nullptr;
    width = depth = 0;
    if (w < 1 || d < 1 || w > kFieldMaxWidth || int64_t{w} * d > kFieldMaxCells) {
        LogError("Map size %d x %d is out of range.", w, d);
        return false;
    }
    const size_t bytes = sizeof(QmFieldCell) * static_cast<size_t>(w) * static_cast<size_t>(d);
    cells = static_cast<QmFieldCell*>(Alloc(nullptr, bytes, 0));
    if (!cells) return false;
    memset(static_cast<void*>(cells), 0, bytes);
    width = w;
    depth = d;
    for (int32_t i = 0; i < w * d; ++i) {
        cells[i].x = i % w;
        cells[i].z = i / w;
        cells[i].cost = -1;
        cells[i].cameFrom = -1;
    }
    return true;
}

void QmField::FinishCells() {
    static const int kStep[4][2] = {{1, 0}, {0, -1}, {-1, 0}, {0, 1}};
    for (int32_t i = 0; i < width * depth; ++i) {
        QmFieldCell& cell = cells[i];
        for (int k = 0; k < 4; ++k) cell.neighbour[k] = GetCell(cell.x + kStep[k][0], cell.z + kStep[k][1]);
        cell.walkable = cell.walkable && cell.height != 0;
    }
    for (int32_t i = 0; i < width * depth; ++i) ComputeCellCorners(&cells[i]);
    for (int32_t i = 0; i < width * depth; ++i) {
        if (cells[i].height != 0) ComputeCellTop(&cells[i]);
    }
    ResetRange();
}

QmFieldCell* QmField::GetCell(int32_t x, int32_t z) const {
    return Contains(x, z) ? &cells[z * width + x] : nullptr;
}

QmUnit* QmField::GetUnit(int32_t x, int32_t z) const {
    const QmFieldCell* cell = GetCell(x, z);
    return cell ? cell->unit : nullptr;
}

void QmField::SetUnit(QmUnit* unit, int32_t x, int32_t z) {
    QmFieldCell* cell = GetCell(x, z);
    if (!cell) {
        LogError("Invalid position.");
        return;
    }
    cell->unit = unit;
}

int32_t QmField::IsWalkable(int32_t x, int32_t z) const {
    const QmFieldCell* cell = GetCell(x, z);
    return cell ? cell->walkable : 0;
}

int32_t QmField::IsInRange(int32_t x, int32_t z) const {
    const QmFieldCell* cell = GetCell(x, z);
    return cell ? cell->inRange : 0;
}

int32_t QmField::GetChip(int32_t x, int32_t z) const {
    const QmFieldCell* cell = GetCell(x, z);
    return cell ? cell->chip : 0;
}
