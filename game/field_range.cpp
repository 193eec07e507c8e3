// The range searches: budgeted depth-first relaxations over the cells that
// leave cost, cameFrom, step and inRange in each cell. Costs are hundredths
// of a step. Which of two equally good paths a cell keeps depends on the
// expansion order (-x, +x, -z, +z, never straight back) and on replacing a
// cell's entry only for a strictly larger budget; units walk that path, so
// both are kept exactly. Recursion depth stays below W x D (576): along one
// chain of calls budgets fall strictly, so no cell appears twice in it.
#include <cstdlib>

#include "game/field.h"
#include "game/unit.h"
#include "platform/debug_log.h"

namespace {

constexpr int32_t kStepCost = 100;
// Steps beyond any map's reach; keeps budgets far from int32 overflow.
constexpr int32_t kMaxSteps = 1000000;

struct NeighbourEntry {
    int dx, dz;
    int32_t opposite;  // the entering direction that would make this move go straight back
    int32_t move;      // direction of the move itself
};
const NeighbourEntry kExpansion[4] = {{-1, 0, 0, 2}, {1, 0, 2, 0}, {0, -1, 3, 1}, {0, 1, 1, 3}};

int32_t ClampSteps(int32_t steps) { return steps < -kMaxSteps ? -kMaxSteps : steps > kMaxSteps ? kMaxSteps : steps; }

// A standing unit blocks a mover of another side unless it shows the passable
// animation; without a mover every standing unit blocks.
bool Blocks(const QmUnit* standing, const QmUnit* mover) {
    if (standing->anim == kUnitAnimPassable) return false;
    return !mover || standing->side != mover->side;
}

}  // namespace

void QmField::ResetRange() {
    for (int32_t i = 0; i < width * depth; ++i) {
        cells[i].cost = -1;
        cells[i].cameFrom = -1;
        cells[i].inRange = 0;
    }
    rangeX = rangeZ = -1;
    rangeMin = 0;
    rangeFlags = 0;
    if (markers) markers->ClearPanels();
}

void QmField::FindRange(QmUnit* unit, int32_t x, int32_t z, int32_t min, int32_t max, int32_t jump, int32_t colour,
                        int32_t flags) {
    ResetRange();
    QmFieldCell* origin = GetCell(x, z);
    if (!origin) {
        LogError("Invalid position.");
        return;
    }
    min = ClampSteps(min);
    max = ClampSteps(max);
    const int32_t budget = max * kStepCost;
    if (flags & kRangeMovement) {
        FindMoveRange(nullptr, unit, kDirNone, 0, x, z, budget, jump);
    } else {
        origin->cost = budget;
        origin->cameFrom = kDirNone;
        origin->step = 0;
        if (x > 0) FloodRange(origin, kDirMinusX, x - 1, z, budget, jump);
        if (x < width - 1) FloodRange(origin, kDirPlusX, x + 1, z, budget, jump);
        if (z > 0) FloodRange(origin, kDirMinusZ, x, z - 1, budget, jump);
        if (z < depth - 1) FloodRange(origin, kDirPlusZ, x, z + 1, budget, jump);
    }
    rangeMin = min * kStepCost;
    rangeMax = budget;
    rangeX = x;
    rangeZ = z;
    rangeColour = colour;
    rangeFlags = flags;
    const int64_t spare = (int64_t{max} - min) * kStepCost;
    for (int32_t i = 0; i < width * depth; ++i) cells[i].inRange = cells[i].cost >= 0 && cells[i].cost <= spare;
    if (!(flags & kRangeNoPanels)) QueuePanels();
}

// Each step costs 100; a height difference beyond `jump` between two cells
// with ground stops it. Walkability, units and holes play no part.
void QmField::FloodRange(const QmFieldCell* previous, int32_t direction, int32_t x, int32_t z, int32_t budget,
                         int32_t jump) {
    QmFieldCell* cell = &cells[z * width + x];
    if (previous->height > 0 && cell->height > 0 && std::abs(previous->height - cell->height) > jump) return;
    const int32_t left = budget - kStepCost;
    if (cell->cost >= left) return;
    cell->cost = left;
    cell->cameFrom = direction;
    cell->step = 1;
    if (direction != kDirPlusX && x > 0) FloodRange(cell, kDirMinusX, x - 1, z, left, jump);
    if (direction != kDirMinusX && x < width - 1) FloodRange(cell, kDirPlusX, x + 1, z, left, jump);
    if (direction != kDirPlusZ && z > 0) FloodRange(cell, kDirMinusZ, x, z - 1, left, jump);
    if (direction != kDirMinusZ && z < depth - 1) FloodRange(cell, kDirPlusZ, x, z + 1, left, jump);
}

// Returns the cell looked at, or null when it is outside the grid or held by
// a unit that blocks. A hole, a blocked cell or a cliff beyond `jump` is
// returned unmarked, so the caller may try to jump over it.
QmFieldCell* QmField::FindMoveRange(const QmFieldCell* previous, const QmUnit* unit, int32_t direction, int32_t step,
                                    int32_t x, int32_t z, int32_t budget, int32_t jump) {
    QmFieldCell* cell = GetCell(x, z);
    if (!cell) return nullptr;
    int32_t left = budget;
    if (previous) {
        if (cell->height == 0 || !cell->walkable) return cell;
        if (cell->unit && Blocks(cell->unit, unit)) return nullptr;
        int32_t rise = 0;
        const int join = RampStep(previous, cell, &rise);
        if (join == 1 && rise != 0 && std::abs(rise) > jump) return cell;
        const int32_t base = join == 0 ? 100 : rise == 0 ? 102 : 202;
        const int32_t cost = (base + (cell->unit ? 1 : 0)) * step;
        left = budget - cost;
        if (left >= -99 && left < 0) left = 0;  // a last move may overspend by less than a step
        if (cell->cost >= left) return cell;
    }
    cell->cost = left;
    cell->cameFrom = direction;
    cell->step = step;
    for (const NeighbourEntry& e : kExpansion) {
        if (e.opposite == direction) continue;
        const QmFieldCell* over = FindMoveRange(cell, unit, e.move, 1, x + e.dx, z + e.dz, left, jump);
        // A jump crosses only a cell that exists, cannot be entered and is not higher.
        if (!over || over->height > cell->height || over->walkable) continue;
        FindMoveRange(cell, unit, e.move, 2, x + 2 * e.dx, z + 2 * e.dz, left, jump);
    }
    return cell;
}

void QmField::FindRangeArea(int32_t x, int32_t z, const int32_t* offsets, int32_t count, int32_t limit,
                            int32_t colour, int32_t flags) {
    const QmFieldCell* origin = GetCell(x, z);
    if (!origin) return;
    rangeColour = colour;
    for (int32_t i = 0; i < count; ++i) {
        const int64_t tx = int64_t{x} + offsets[3 * i], tz = int64_t{z} + offsets[3 * i + 2];
        if (tx < 0 || tz < 0 || tx >= width || tz >= depth) continue;
        QmFieldCell* target = &cells[tz * width + tx];
        if (std::abs(origin->height - target->height) <= limit) target->inRange = 1;
    }
    if (!(flags & kRangeNoPanels)) QueuePanels();
}

// Two panels per marked cell: the search colour, then colour 3 over it.
void QmField::QueuePanels() {
    if (!markers) return;
    for (int32_t i = 0; i < width * depth; ++i) {
        if (!cells[i].inRange) continue;
        const float x = cells[i].x + 0.5f, z = cells[i].z + 0.5f;
        const float position[3] = {x, GetHeightAt(x, z), z};
        markers->AddPanel(position, rangeColour);
        markers->AddPanel(position, 3);
    }
}
