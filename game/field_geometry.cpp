// Cell geometry: the corner-shape table, raw corners and drawn tops, the
// mapping between cells and world space, heights and the joins of ramps.
#include <cmath>
#include <cstdlib>
#include <initializer_list>

#include "core/fast_math.h"
#include "game/field.h"
#include "game/field_mesh.h"
#include "gfx/quad.h"

namespace {

const FieldCornerShape kCornerShapes[13] = {
    {{1, 1, 1, 1}, 0}, {{1, 1, 0, 0}, 0}, {{0, 1, 0, 1}, 0}, {{0, 0, 1, 1}, 0}, {{1, 0, 1, 0}, 0},
    {{1, 1, 1, 0}, 0}, {{1, 1, 0, 1}, 1}, {{0, 1, 1, 1}, 0}, {{1, 0, 1, 1}, 1}, {{0, 1, 0, 0}, 1},
    {{0, 0, 0, 1}, 0}, {{0, 0, 1, 0}, 1}, {{1, 0, 0, 0}, 0},
};

// Corner signs along x and z.
const int kCornerX[4] = {-1, -1, 1, 1};
const int kCornerZ[4] = {-1, 1, -1, 1};

int16_t Clamp16(int64_t v) { return static_cast<int16_t>(v < -32768 ? -32768 : v > 32767 ? 32767 : v); }

int ShapeRow(int32_t shape) { return shape >= 0 && shape % 20 <= 12 ? shape % 20 : 0; }
int32_t ShapeRise(int32_t shape) { return shape > 0 ? shape / 20 : 0; }

}  // namespace

const int kFieldEdgeCorners[4][2] = {{3, 2}, {2, 0}, {0, 1}, {1, 3}};

const FieldCornerShape& GetCornerShape(int32_t shape) { return kCornerShapes[ShapeRow(shape)]; }

void QmField::ComputeCellCorners(QmFieldCell* cell) const {
    const FieldCornerShape& shape = GetCornerShape(cell->shape);
    const int64_t rise = ShapeRise(cell->shape) + 1;
    const int64_t halfX = (kFieldCellSize - kFieldCellSize * int64_t{width}) / 2;
    const int64_t halfZ = (kFieldCellSize - kFieldCellSize * int64_t{depth}) / 2;
    for (int k = 0; k < 4; ++k) {
        FieldVertex& v = cell->corner[k];
        v = FieldVertex{};
        v.x = Clamp16(cell->x * int64_t{kFieldCellSize} + halfX + 32 * kCornerX[k]);
        v.z = Clamp16(cell->z * int64_t{kFieldCellSize} + halfZ + 32 * kCornerZ[k]);
        v.y = Clamp16((shape.raised[k] * rise + cell->height) * kFieldLevelHeight - kFieldLevelHeight);
        v.w = 1;
    }
}

// The top face: raw corners pulled 6 units in where the cell stands above a
// neighbour (so a bevel shows), lifted by 6, with the chip's texels and light.
void QmField::ComputeCellTop(QmFieldCell* cell) const {
    const int xDir[4] = {kDirMinusX, kDirMinusX, kDirPlusX, kDirPlusX};
    const int zDir[4] = {kDirMinusZ, kDirPlusZ, kDirMinusZ, kDirPlusZ};
    for (int k = 0; k < 4; ++k) {
        FieldVertex v = cell->corner[k];
        const QmFieldCell* nx = cell->neighbour[xDir[k]];
        const QmFieldCell* nz = cell->neighbour[zDir[k]];
        const QmFieldCell* diagonal = nx ? nx->neighbour[zDir[k]] : nz ? nz->neighbour[xDir[k]] : nullptr;
        const bool aboveX = nx && v.y > nx->corner[k ^ 2].y;
        const bool aboveZ = nz && v.y > nz->corner[k ^ 1].y;
        const bool diagonalLevel = diagonal && diagonal->corner[k ^ 3].y == v.y;
        if (aboveX && (aboveZ || !diagonalLevel)) v.x = Clamp16(v.x - 6 * kCornerX[k]);
        if (aboveZ && (aboveX || !diagonalLevel)) v.z = Clamp16(v.z - 6 * kCornerZ[k]);
        v.y = Clamp16(int64_t{v.y} + kFieldTopLift);
        cell->top[k] = v;
    }
    const int64_t chip = cell->chip;
    const int64_t uLow = (chip % 20) * 80 + 8, vLow = (chip / 20) * 80 + 8;
    for (int k = 0; k < 4; ++k) {
        cell->top[k].u = static_cast<uint16_t>(k < 2 ? uLow : uLow + 64);
        cell->top[k].v = static_cast<uint16_t>(k % 2 == 0 ? vLow : vLow + 64);
    }
    ShadeFieldQuad(light, cell->top);
}

void QmField::CellToWorld(float x, float h, float z, float out[3]) const {
    out[0] = x * kFieldCellSize - static_cast<float>(width * kFieldCellSize / 2);
    out[1] = h * kFieldLevelHeight + kFieldTopLift;
    out[2] = z * kFieldCellSize - static_cast<float>(depth * kFieldCellSize / 2);
}

void QmField::WorldToCell(const float point[3], float out[3]) const {
    const int32_t col = TruncateToInt32(point[0] + static_cast<float>(width * kFieldCellSize / 2)) / kFieldCellSize;
    const int32_t row = TruncateToInt32(point[2] + static_cast<float>(depth * kFieldCellSize / 2)) / kFieldCellSize;
    out[0] = col + 0.5f;
    out[2] = row + 0.5f;
    out[1] = GetHeightAt(out[0], out[2]);
}

float QmField::GetHeightAt(float x, float z) const {
    // Checked in float first: truncating a value beyond int range is undefined.
    if (!(x > -1.0f && x < static_cast<float>(width) && z > -1.0f && z < static_cast<float>(depth))) return -1.0f;
    const QmFieldCell* cell = GetCell(static_cast<int32_t>(x), static_cast<int32_t>(z));
    if (!cell) return -1.0f;
    const int row = ShapeRow(cell->shape);
    const float q = static_cast<float>(ShapeRise(cell->shape));
    const float h = static_cast<float>(cell->height);
    if (row == 0) return h;  // even when the shape raises a flat top, the stored height
    if (row <= 4) return h + (q - 1.0f) * 0.5f;
    if (row <= 8) return h + q;
    return h - 1.0f;
}

int QmField::RampStep(const QmFieldCell* a, const QmFieldCell* b, int32_t* step) const {
    const int dx = b->x - a->x, dz = b->z - a->z;
    if (std::abs(dx) + std::abs(dz) >= 2) {
        *step = b->height - a->height;
        return 1;
    }
    // Corner pairs of a's edge and of b's facing edge, for b at +x, +z, -x, -z.
    int ai0, ai1, bi0, bi1;
    if (dx > 0) ai0 = 2, ai1 = 3, bi0 = 0, bi1 = 1;
    else if (dz > 0) ai0 = 1, ai1 = 3, bi0 = 0, bi1 = 2;
    else if (dx < 0) ai0 = 0, ai1 = 1, bi0 = 2, bi1 = 3;
    else ai0 = 0, ai1 = 2, bi0 = 1, bi1 = 3;
    const int32_t a0 = a->top[ai0].y, a1 = a->top[ai1].y, b0 = b->top[bi0].y, b1 = b->top[bi1].y;
    *step = (a0 + (a1 - a0) / 2 - b0 - (b1 - b0) / 2) / kFieldLevelHeight;
    return a0 == b0 && a1 == b1 ? 0 : 1;
}

int QmField::CheckRamp(int32_t x0, int32_t z0, int32_t x1, int32_t z1) const {
    const QmFieldCell* a = GetCell(x0, z0);
    const QmFieldCell* b = GetCell(x1, z1);
    if (!a || !b) return 0;
    int32_t step = 0;
    return RampStep(a, b, &step);
}
