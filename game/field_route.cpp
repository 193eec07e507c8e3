// Reading the last search back: the marked cells, the route to a cell and
// its cost; and two direction helpers the battle scripts use for facing.
#include <cmath>

#include "game/field.h"

int32_t QmField::GetRangeCells(int32_t* out, int32_t maximum) const {
    int32_t count = 0;
    for (int32_t i = 0; i < width * depth && count < maximum; ++i) {
        if (!cells[i].inRange) continue;
        out[3 * count] = cells[i].x;
        out[3 * count + 1] = cells[i].height;
        out[3 * count + 2] = cells[i].z;
        ++count;
    }
    return count;
}

int32_t QmField::GetRoute(int32_t x, int32_t z, int32_t* out, int32_t maximum) const {
    const QmFieldCell* cell = GetCell(x, z);
    if (!cell || cell->cost < 0 || maximum < 1) return -1;
    int32_t count = 0;
    while (cell) {
        if (count == maximum) return -1;
        out[3 * count] = cell->x;
        out[3 * count + 1] = cell->height;
        out[3 * count + 2] = cell->z;
        ++count;
        if (cell->cameFrom == kDirNone) return count;
        int32_t px = cell->x, pz = cell->z;
        switch (cell->cameFrom) {
            case kDirPlusX: px -= cell->step; break;
            case kDirMinusZ: pz += cell->step; break;
            case kDirMinusX: px += cell->step; break;
            case kDirPlusZ: pz -= cell->step; break;
            default: return -1;  // a cell the search never entered
        }
        cell = GetCell(px, pz);
    }
    return -1;
}

int32_t QmField::GetRouteCost(int32_t x, int32_t z) const {
    const QmFieldCell* cell = GetCell(x, z);
    if (!cell || cell->cost < 0) return -1;
    return (rangeMax - cell->cost) / 100;
}

int32_t QmField::DirectionTo(int32_t x0, int32_t z0, int32_t x1, int32_t z1) {
    // The single-precision 1/pi is a little small, which decides where the
    // exact diagonals fall; it is kept for that reason.
    const double t = std::atan2(static_cast<double>(z1) - z0, static_cast<double>(x1) - x0) * -180.0 *
                     static_cast<double>(0.31830987f);
    int32_t a = 45 - static_cast<int32_t>(t);
    if (a < 0) a += 360;
    if (a < 90) return kDirPlusX;
    if (a < 180) return kDirPlusZ;
    if (a < 270) return kDirMinusX;
    return kDirMinusZ;
}

int32_t QmField::FindClearDir(int32_t x, int32_t z) const {
    static const int kDiagonal[4][2] = {{1, 1}, {1, -1}, {-1, -1}, {-1, 1}};
    static const int kFlank[4][2][2] = {{{1, 0}, {0, 1}}, {{0, -1}, {1, 0}}, {{-1, 0}, {0, -1}}, {{0, 1}, {-1, 0}}};
    const QmFieldCell* origin = GetCell(x, z);
    if (!origin) return 0;
    auto top = [](const QmFieldCell* c) { return c->height + c->objectHeight; };
    int32_t best = 0, bestScore = 0;
    for (int i = 0; i < 4; ++i) {
        int32_t score = 0;
        auto consider = [&score](int32_t value) { score = value > score ? value : score; };
        consider(top(origin));
        for (int k = 1; k <= 3; ++k) {
            const QmFieldCell* c = GetCell(x + kDiagonal[i][0] * k, z + kDiagonal[i][1] * k);
            if (c) consider(top(c) - 2 * k);
        }
        for (const auto& flank : kFlank[i]) {
            const QmFieldCell* c = GetCell(x + flank[0], z + flank[1]);
            if (c) consider(top(c));
        }
        if (i == 0 || score < bestScore) best = i, bestScore = score;
    }
    return best;
}
