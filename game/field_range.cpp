// The range searches: budgeted depth-first relaxations over the cells that
// leave cost, cameFrom, step and inRange in each cell. Costs are hundredths
// of a step. Which of two equally good paths a cell keeps depends on the
// expansion order (-x, +x, -z, +z, never straight back) and on replacing a
// cell's entry only for a strictly larger budget; units walk that path, so
// both are kept exactly. Long movement searches first find each cell's best
// budget, which lets them skip calls whose work would be overwritten anyway.
// Recursion depth stays below W x D (576): along one chain of calls budgets
// fall strictly, so no cell appears twice in it.
#include <cstdlib>
#include <queue>
#include <utility>

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

constexpr int32_t kBoundedSearchBudget = 12 * kStepCost;
constexpr int32_t kMoveBlocked = -1;
constexpr int32_t kMoveRefused = -2;

// What is left of `budget` after a move; a last move may overspend by less than a step.
int32_t Spend(int32_t budget, int32_t cost) {
    const int32_t left = budget - cost;
    return left >= -99 && left < 0 ? 0 : left;
}

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
        // Short searches are cheap as they are; the bound pays from about a dozen steps.
        if (budget >= kBoundedSearchBudget) FindBestBudgets(x, z, budget, unit, jump);
        else bestBudget_.clear();
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

int32_t QmField::MoveCost(const QmFieldCell* previous, const QmFieldCell* cell, int32_t step, const QmUnit* unit,
                          int32_t jump) const {
    if (cell->height == 0 || !cell->walkable) return kMoveRefused;
    if (cell->unit && Blocks(cell->unit, unit)) return kMoveBlocked;
    int32_t rise = 0;
    const int join = RampStep(previous, cell, &rise);
    if (join == 1 && rise != 0 && std::abs(rise) > jump) return kMoveRefused;
    const int32_t base = join == 0 ? 100 : rise == 0 ? 102 : 202;
    return (base + (cell->unit ? 1 : 0)) * step;
}

// The largest budget the movement search can leave in each cell, found in
// order of decreasing budget over the same moves.
void QmField::FindBestBudgets(int32_t x, int32_t z, int32_t budget, const QmUnit* unit, int32_t jump) {
    bestBudget_.assign(static_cast<size_t>(width) * depth, -1);
    std::vector<std::pair<int32_t, int32_t>> heap;
    heap.reserve(4 * bestBudget_.size());
    std::priority_queue<std::pair<int32_t, int32_t>> queue(std::less<std::pair<int32_t, int32_t>>(), std::move(heap));
    bestBudget_[z * width + x] = budget;
    queue.push({budget, z * width + x});
    while (!queue.empty()) {
        const auto [left, index] = queue.top();
        queue.pop();
        if (left != bestBudget_[index]) continue;
        const QmFieldCell* from = &cells[index];
        for (const NeighbourEntry& e : kExpansion) {
            for (int32_t step = 1; step <= 2; ++step) {
                const QmFieldCell* to = GetCell(from->x + e.dx * step, from->z + e.dz * step);
                if (!to) break;
                const int32_t cost = MoveCost(from, to, step, unit, jump);
                const int32_t after = cost >= 0 ? Spend(left, cost) : -1;
                if (after >= 0 && after > bestBudget_[to->z * width + to->x]) {
                    bestBudget_[to->z * width + to->x] = after;
                    queue.push({after, to->z * width + to->x});
                }
                if (to->walkable || to->height > from->height) break;  // no jump over it
            }
        }
    }
}

// Returns the cell looked at, or null when it is outside the grid or held by
// a unit that blocks. A hole, a blocked cell or a cliff beyond `jump` is
// returned unmarked, so the caller may try to jump over it.
//
// A call that leaves a cell more than 99 below its best budget is skipped:
// nothing it would write survives. Every cell it could reach gets more by
// the same moves from this cell's best, and with a margin of a whole step
// even a last move clamped to 0 reaches only cells whose best is above 0.
// The search thus ends in the very state the unpruned search ends in, the
// chosen paths included, with far fewer calls on large budgets.
QmFieldCell* QmField::FindMoveRange(const QmFieldCell* previous, const QmUnit* unit, int32_t direction, int32_t step,
                                    int32_t x, int32_t z, int32_t budget, int32_t jump) {
    QmFieldCell* cell = GetCell(x, z);
    if (!cell) return nullptr;
    int32_t left = budget;
    if (previous) {
        const int32_t cost = MoveCost(previous, cell, step, unit, jump);
        if (cost == kMoveBlocked) return nullptr;
        if (cost == kMoveRefused) return cell;
        left = Spend(budget, cost);
        if (cell->cost >= left) return cell;
        if (!bestBudget_.empty() && left < bestBudget_[z * width + x] - 99) return cell;
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
