// Range and route search against an independent reference on random maps
// (a fixpoint of the largest budget left over plainly written move rules), the depth-first tie-break and the
// jump over a pit on hand-made maps, and the direction helpers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "tests/game/field_test_maps.h"

namespace {

// The cost of moving from `from` by k cells along (dx, dz), or -1 when the
// move is not allowed: the movement rules, or the plain flood's.
int32_t MoveCost(const QmField& f, const QmFieldCell& from, int dx, int dz, int k, const QmUnit* mover, int jump,
                 bool movement) {
    const QmFieldCell* to = f.GetCell(from.x + k * dx, from.z + k * dz);
    if (!movement) return to && k == 1 && !(from.height && to->height && std::abs(from.height - to->height) > jump) ? 100 : -1;
    if (!to || to->height == 0 || !to->walkable) return -1;
    const QmFieldCell* pit = f.GetCell(from.x + dx, from.z + dz);
    if (k == 2 && (pit->walkable || pit->height > from.height)) return -1;
    if (to->unit && to->unit->anim != kUnitAnimPassable && (!mover || mover->side != to->unit->side)) return -1;
    int32_t rise = 0;
    const int join = f.RampStep(&from, to, &rise);
    if (join && rise != 0 && std::abs(rise) > jump) return -1;
    return ((join == 0 ? 100 : rise == 0 ? 102 : 202) + (to->unit ? 1 : 0)) * k;
}

int32_t Spend(int32_t budget, int32_t cost) {
    const int32_t left = budget - cost;
    return left >= -99 && left < 0 ? 0 : left;
}

// The largest budget left in each cell: relaxation to a fixpoint.
std::vector<int32_t> Reference(const QmField& f, int ox, int oz, int32_t budget, const QmUnit* mover, int jump,
                               bool movement) {
    static const int kMoves[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
    std::vector<int32_t> best(f.width * f.depth, -1);
    best[oz * f.width + ox] = budget;
    for (bool changed = true; changed;) {
        changed = false;
        for (int32_t i = 0; i < f.width * f.depth; ++i) {
            for (int m = 0; m < 4 && best[i] >= 0; ++m) {
                for (int k = 1; k <= 2; ++k) {
                    const int32_t cost = MoveCost(f, f.cells[i], kMoves[m][0], kMoves[m][1], k, mover, jump, movement);
                    if (cost < 0) continue;
                    const int32_t left = Spend(best[i], cost);
                    int32_t& target = best[(f.cells[i].z + k * kMoves[m][1]) * f.width + f.cells[i].x + k * kMoves[m][0]];
                    if (left >= 0 && left > target) target = left, changed = true;
                }
            }
        }
    }
    return best;
}

// The route to every reached cell is a chain of allowed moves from the
// origin whose budgets drop by exactly each move's cost.
void CheckRoutes(const QmField& f, int ox, int oz, bool movement, const QmUnit* mover, int jump) {
    std::vector<int32_t> route(3 * 600);
    for (int32_t i = 0; i < f.width * f.depth; ++i) {
        const int32_t n = f.GetRoute(f.cells[i].x, f.cells[i].z, route.data(), 600);
        ASSERT_EQ(n < 0, f.cells[i].cost < 0) << "cell " << f.cells[i].x << "," << f.cells[i].z;
        if (n < 0) continue;
        ASSERT_EQ(route[3 * (n - 1)] * 100 + route[3 * (n - 1) + 2], ox * 100 + oz);
        for (int32_t j = n - 1; j > 0; --j) {
            const QmFieldCell* from = f.GetCell(route[3 * j], route[3 * j + 2]);
            const QmFieldCell* to = f.GetCell(route[3 * (j - 1)], route[3 * (j - 1) + 2]);
            const int dx = to->x - from->x, dz = to->z - from->z, k = std::abs(dx) + std::abs(dz);
            ASSERT_TRUE((dx == 0 || dz == 0) && k >= 1 && k <= 2);
            const int32_t cost = MoveCost(f, *from, dx / k, dz / k, k, mover, jump, movement);
            ASSERT_GE(cost, 0);
            ASSERT_EQ(to->cost, Spend(from->cost, cost));
        }
    }
}

TEST(FieldSearch, MatchesReferenceOnRandomMaps) {
    RandomState random;
    RandomSeed(&random, 1234);
    uint32_t hash = 2166136261u;  // FNV-1a over every cell's entry direction and step
    for (int round = 0; round < 1500; ++round) {
        SCOPED_TRACE(round);
        int ox = 0, oz = 0;
        TestMap map = RandomMap(&random, &ox, &oz);
        QmField& f = *map.field;
        const int jump = RandomRange(&random, 0, 4), max = RandomRange(&random, 0, 9);
        const int min = RandomRange(&random, 0, max + 1);
        const bool movement = round % 3 != 0;
        QmUnit mover;
        mover.side = 0;
        const QmUnit* moverOrNull = round % 5 == 0 ? nullptr : &mover;
        f.FindRange(const_cast<QmUnit*>(moverOrNull), ox, oz, min, max, jump, 0, movement ? kRangeMovement : 0);
        const std::vector<int32_t> best = Reference(f, ox, oz, max * 100, moverOrNull, jump, movement);
        for (int32_t i = 0; i < f.width * f.depth; ++i) {
            ASSERT_EQ(f.cells[i].cost, best[i]) << "cell " << f.cells[i].x << "," << f.cells[i].z;
            ASSERT_EQ(f.cells[i].inRange, best[i] >= 0 && best[i] <= (max - min) * 100);
            ASSERT_EQ(f.GetRouteCost(f.cells[i].x, f.cells[i].z), best[i] < 0 ? -1 : (max * 100 - best[i]) / 100);
        }
        CheckRoutes(f, ox, oz, movement, moverOrNull, jump);
        for (int32_t i = 0; i < f.width * f.depth; ++i) {
            hash = (hash ^ static_cast<uint32_t>(f.cells[i].cameFrom * 4 + f.cells[i].step + 8)) * 16777619u;
        }
    }
    // Pins which of two equally good paths each cell keeps, the order-dependent part.
    EXPECT_EQ(hash, 2141461462u);
}

std::vector<int32_t> Route(const QmField& f, int x, int z) {
    std::vector<int32_t> out(3 * 64), cells;
    for (int32_t i = 0, n = f.GetRoute(x, z, out.data(), 64); i < n; ++i) cells.push_back(out[3 * i + 2] * 100 + out[3 * i]);
    return cells;
}

struct PanelLog : FieldPanelSink {
    void ClearPanels() override { panels.clear(); }
    void AddPanel(const float p[3], int32_t colour) override { panels.push_back(int(p[2]) * 100 + int(p[0]) + 10000 * colour); }
    std::vector<int32_t> panels;
};

TEST(FieldSearch, DepthFirstTieBreakJumpsAndPanels) {
    // Open 3 x 3 ground: (1,1) is reached first through (1,0), and the equal
    // path through (0,1) does not replace it.
    auto open = MakeField(3, 3, nullptr, nullptr);
    PanelLog log;
    open->markers = &log;
    open->FindRange(nullptr, 0, 0, 2, 2, 0, 2, kRangeMovement);
    EXPECT_EQ(Route(*open, 1, 1), (std::vector<int32_t>{101, 1, 0}));
    EXPECT_EQ(Route(*open, 2, 0), (std::vector<int32_t>{2, 1, 0}));
    EXPECT_EQ(open->GetRoute(2, 2, nullptr, 0), -1);  // four steps away
    EXPECT_EQ(log.panels, (std::vector<int32_t>{20002, 30002, 20101, 30101, 20200, 30200}));  // colour, then 3
    // From the middle, the corner (0,0) is entered from (0,1) after -x first.
    open->FindRange(nullptr, 1, 1, 0, 2, 0, 0, kRangeMovement | kRangeNoPanels);
    EXPECT_EQ(Route(*open, 0, 0), (std::vector<int32_t>{0, 100, 101}));
    EXPECT_TRUE(log.panels.empty());

    // A pit beside the unit is jumped at twice the base cost; a higher block is not.
    const int32_t corridor[] = {2, 0, 2, 2, 5, 2};
    auto pit = MakeField(3, 2, corridor, nullptr);
    pit->FindRange(nullptr, 0, 0, 0, 3, 0, 0, kRangeMovement | kRangeNoPanels);
    EXPECT_EQ(Route(*pit, 2, 0), (std::vector<int32_t>{2, 0}));
    EXPECT_EQ(pit->GetCell(2, 0)->cost, 300 - 204);
    pit->FindRange(nullptr, 0, 1, 0, 4, 0, 0, kRangeMovement | kRangeNoPanels);
    EXPECT_EQ(Route(*pit, 2, 1), (std::vector<int32_t>{102, 2, 0, 100}));  // around, not over

    // Units: the other side blocks, its passable animation and the own side do not.
    QmUnit mover, other;
    auto line = MakeField(3, 1, nullptr, nullptr);
    line->SetUnit(&other, 1, 0);
    const struct { int32_t side, anim; bool blocks; } units[] = {{1, 2, true}, {1, kUnitAnimPassable, false}, {0, 2, false}};
    for (const auto& u : units) {
        other.side = u.side, other.anim = u.anim;
        line->FindRange(&mover, 0, 0, 0, 2, 0, 0, kRangeMovement | kRangeNoPanels);
        EXPECT_EQ(line->GetCell(1, 0)->cost, u.blocks ? -1 : 200 - 101);
        EXPECT_EQ(line->GetCell(2, 0)->cost, u.blocks ? -1 : 0);  // 99 - 100 overspends by one: allowed
    }
}

TEST(FieldSearch, DirectionToAndClearDir) {
    const struct { int dx, dz, dir; } quirks[] = {{0, 0, 0},  {1, 1, 0},  {1, -1, 0}, {-1, 1, 3}, {-1, -1, 1},
                                                  {1, 0, 0},  {0, 1, 3},  {-1, 0, 2}, {0, -1, 1}, {2, 1, 0},
                                                  {1, 2, 3}, {-3, -3, 1}, {4, 4, 0}, {4, -3, 0}, {-4, 3, 2}, {3, -4, 1}, {-3, 4, 3}};
    for (const auto& q : quirks) EXPECT_EQ(QmField::DirectionTo(5, 5, 5 + q.dx, 5 + q.dz), q.dir) << q.dx << "," << q.dz;
    auto flat = MakeField(7, 7, nullptr, nullptr);
    EXPECT_EQ(flat->FindClearDir(3, 3), 0);
    EXPECT_EQ(flat->FindClearDir(-1, 3), 0);
    flat->GetCell(4, 4)->objectHeight = 12;  // a tree on diagonal 0
    flat->GetCell(4, 3)->height = 3;         // a rise flanking diagonals 0 and 1
    EXPECT_EQ(flat->FindClearDir(3, 3), 2);
    flat->GetCell(2, 2)->objectHeight = 4;  // diagonal 2 scores 1 + 4 - 2; diagonal 3 stays lowest
    EXPECT_EQ(flat->FindClearDir(3, 3), 3);
}

}  // namespace
