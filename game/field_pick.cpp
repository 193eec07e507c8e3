// Ray tests against the field: one cell's top face, picking the cell under a
// ray (higher terrain wins over lower terrain behind it) and the surface
// height under a point; and the top faces as quads for the markers.
#include <cstring>

#include "core/ray.h"
#include "game/field.h"
#include "gfx/quad.h"

bool QmField::CellRayTest(const QmFieldCell* cell, const float origin[3], const float direction[3],
                          float hit[3]) const {
    // The raw footprint (the full 64-unit square) at the drawn height.
    float p[4][3];
    for (int k = 0; k < 4; ++k) {
        p[k][0] = cell->corner[k].x;
        p[k][1] = cell->top[k].y;
        p[k][2] = cell->corner[k].z;
    }
    return IntersectRayQuad(origin, direction, p[0], p[1], p[2], p[3], GetCornerShape(cell->shape).split, hit) != 0;
}

int QmField::PickCell(const float origin[3], const float direction[3], float hit[3]) const {
    const float halfX = static_cast<float>(width * kFieldCellSize / 2);
    const float halfZ = static_cast<float>(depth * kFieldCellSize / 2);
    for (int32_t level = kFieldMaxLevel; level >= 0; --level) {
        const float y = static_cast<float>(level * kFieldLevelHeight);
        const float a[3] = {-halfX, y, -halfZ}, b[3] = {-halfX, y, halfZ};
        const float c[3] = {halfX, y, -halfZ}, d[3] = {halfX, y, halfZ};
        float planeHit[3];
        if (!IntersectRayQuad(origin, direction, a, b, c, d, 0, planeHit)) continue;
        const int32_t col = TruncateToInt32(planeHit[0] + halfX) / kFieldCellSize;
        const int32_t row = TruncateToInt32(planeHit[2] + halfZ) / kFieldCellSize;
        const QmFieldCell* cell = GetCell(col, row);
        if (!cell || cell->height <= 0 || cell->height - level > 1 || level - cell->height > 1) continue;
        float cellHit[3];
        if (CellRayTest(cell, origin, direction, cellHit)) {
            for (int i = 0; i < 3; ++i) hit[i] = cellHit[i];
            return 1;
        }
    }
    return 0;
}

float QmField::GetSurfaceHeight(float x, float z) const {
    if (!(x > -1.0f && x < static_cast<float>(width) && z > -1.0f && z < static_cast<float>(depth))) return -1.0f;
    const QmFieldCell* cell = GetCell(static_cast<int32_t>(x), static_cast<int32_t>(z));
    if (!cell) return -1.0f;
    if (cell->shape == 0) return static_cast<float>(cell->height);
    float origin[3];
    CellToWorld(x, static_cast<float>(cell->height + 1), z, origin);
    const float down[3] = {0.0f, -1.0f, 0.0f};
    float hit[3];
    if (!CellRayTest(cell, origin, down, hit)) return -1.0f;
    return hit[1] / kFieldLevelHeight;
}

void QmField::GetCellQuad(MarkerVertex quad[4], uint16_t indices[6], uint16_t base, const float position[3]) const {
    const float x = position[0], z = position[2];
    const bool inside = x > -1.0f && x < static_cast<float>(width) && z > -1.0f && z < static_cast<float>(depth);
    const QmFieldCell* cell = inside ? GetCell(static_cast<int32_t>(x), static_cast<int32_t>(z)) : nullptr;
    if (!cell) {
        memset(static_cast<void*>(quad), 0, 4 * sizeof(MarkerVertex));
        return;
    }
    for (int k = 0; k < 4; ++k) {
        quad[k].position[0] = cell->top[k].x;
        quad[k].position[1] = cell->top[k].y;
        quad[k].position[2] = cell->top[k].z;
    }
    static const uint16_t kPlain[6] = {0, 1, 2, 3, 2, 1}, kSplit[6] = {0, 1, 3, 3, 2, 0};
    const uint16_t* pattern = GetCornerShape(cell->shape).split ? kSplit : kPlain;
    for (int i = 0; i < 6; ++i) indices[i] = static_cast<uint16_t>(base + pattern[i]);
}
