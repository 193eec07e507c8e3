// The field in memory. Range and route search against an independent
// reference on random maps (a fixpoint of the largest budget left over
// plainly written move rules), the depth-first tie-break and the jump over a
// pit on hand-made maps, the direction helpers; geometry: cell and world
// space, heights of shapes, ramp joins, the drawn top's inset, picking
// against a brute-force search of every cell, and the fading of tall objects.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "core/random.h"
#include "game/field.h"
#include "game/unit.h"
#include "gfx/material_shader.h"

namespace {

const float kLight[3] = {0.25f, 0.87f, -0.43f};

// A W x D field; `heights` row by row (null = all 1), every cell walkable
// unless its height is 0, shapes `shapes` (null = flat).
std::unique_ptr<QmField> MakeField(int32_t width, int32_t depth, const int32_t* heights, const int32_t* shapes) {
    auto field = std::make_unique<QmField>(kLight);
    field->AllocCells(width, depth);
    for (int32_t i = 0; i < width * depth; ++i) {
        field->cells[i].height = heights ? heights[i] : 1;
        field->cells[i].shape = shapes ? shapes[i] : 0;
        field->cells[i].walkable = 1;
    }
    field->FinishCells();
    return field;
}

// Standing units of sides 0 and 1, the last two passable; the search reads
// only side and animation, so one unit may stand on several cells.
QmUnit* StandingUnit(int index) {
    static QmUnit units[4];
    for (int i = 0; i < 4; ++i) units[i].side = i % 2, units[i].anim = i < 2 ? 2 : kUnitAnimPassable;
    return &units[index];
}

// Random maps: up to 24 x 24, heights 0..6, shapes 0..12 with rises 1..3,
// holes, blocked cells and units; the cell (originX, originZ) is walkable and free.
std::unique_ptr<QmField> RandomMap(RandomState* random, int32_t* originX, int32_t* originZ) {
    const int32_t width = RandomRange(random, 1, 25);  // one draw per statement: the order is fixed
    auto field = MakeField(width, RandomRange(random, 1, 25), nullptr, nullptr);
    *originX = RandomRange(random, 0, field->width);
    *originZ = RandomRange(random, 0, field->depth);
    for (int32_t i = 0; i < field->width * field->depth; ++i) {
        QmFieldCell& cell = field->cells[i];
        const bool origin = cell.x == *originX && cell.z == *originZ;
        cell.height = RandomRange(random, 0, 10) == 0 && !origin ? 0 : RandomRange(random, 1, 7);
        cell.shape = RandomRange(random, 0, 3) == 0 ? RandomRange(random, 0, 13) : 0;
        cell.shape += cell.shape ? 20 * RandomRange(random, 0, 3) : 0;
        cell.walkable = origin || RandomRange(random, 0, 8) != 0;
        if (!origin && RandomRange(random, 0, 6) == 0) cell.unit = StandingUnit(RandomRange(random, 0, 8) / 3 % 4);
    }
    field->FinishCells();
    return field;
}

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
        auto map = RandomMap(&random, &ox, &oz);
        QmField& f = *map;
        const int jump = RandomRange(&random, 0, 4), max = RandomRange(&random, 0, round % 4 ? 9 : 24);
        const int min = RandomRange(&random, 0, max + 1);
        const bool movement = round % 3 != 0;
        QmUnit mover;
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
    EXPECT_EQ(hash, 3272176319u);
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
    const std::vector<int32_t> refused = {open->GetRoute(2, 2, nullptr, 0), open->GetRoute(-1, 0, nullptr, 9),
                                           open->GetRouteCost(3, 0)};  // no room, outside, outside
    EXPECT_EQ(refused, std::vector<int32_t>(3, -1));
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

TEST(FieldGeometry, CellWorldRoundTripAndHeights) {
    for (int w : {1, 5, 24}) {  // odd widths test the integer halves
        auto f = MakeField(w, 3, nullptr, nullptr);
        for (int x = 0; x < w; ++x) {
            float world[3], cell[3];
            f->CellToWorld(x + 0.5f, 1.0f, 2.5f, world);
            EXPECT_EQ(world[0], f->GetCell(x, 2)->corner[0].x + 32);  // the mesh's centre
            f->WorldToCell(world, cell);
            EXPECT_EQ(std::vector<float>(cell, cell + 3), (std::vector<float>{x + 0.5f, 1.0f, 2.5f}));
        }
    }
    const struct { int32_t height, shape; float at; } heights[] = {
        {3, 0, 3.0f}, {3, 1, 2.5f}, {3, 21, 3.0f}, {3, 41, 3.5f}, {3, 5, 3.0f}, {3, 25, 4.0f},
        {3, 9, 2.0f}, {3, 20, 3.0f}, {3, 15, 3.0f}, {0, 0, 0.0f}};
    for (const auto& h : heights) {
        auto f = MakeField(1, 1, &h.height, &h.shape);
        EXPECT_EQ(f->GetHeightAt(0.5f, 0.5f), h.at) << h.height << " shape " << h.shape;
    }
    auto f = MakeField(2, 2, nullptr, nullptr);
    for (float p : {-1.0f, 2.0f, 1e30f, NAN}) {
        EXPECT_EQ(f->GetHeightAt(p, 0.5f), -1.0f);
        EXPECT_EQ(f->GetSurfaceHeight(0.5f, p), -1.0f);
    }
}

TEST(FieldGeometry, RampJoinsAndInsets) {
    // Flat 2, a ramp of height 3 rising towards +x, flat 3, flat 2.
    const int32_t heights[] = {2, 3, 3, 2}, shapes[] = {0, 3, 0, 0};
    auto f = MakeField(4, 1, heights, shapes);
    const struct { int a, b, join, step; } joins[] = {{0, 1, 0, 0}, {1, 2, 0, 0}, {2, 3, 1, 1}, {3, 2, 1, -1}, {0, 2, 1, 1}};
    for (const auto& j : joins) {
        int32_t step = 99;
        EXPECT_EQ(f->RampStep(f->GetCell(j.a, 0), f->GetCell(j.b, 0), &step), j.join) << j.a << "-" << j.b;
        EXPECT_EQ(step, j.step) << j.a << "-" << j.b;
        EXPECT_EQ(f->CheckRamp(j.a, 0, j.b, 0), j.join);
    }
    EXPECT_EQ(f->CheckRamp(-1, 0, 0, 0), 0);

    // One raised cell in the middle: inset 6 on every side, lifted 6; its
    // lower neighbours keep their corners where they meet it.
    int32_t bump[9] = {1, 1, 1, 1, 2, 1, 1, 1, 1};
    auto b = MakeField(3, 3, bump, nullptr);
    const QmFieldCell* mid = b->GetCell(1, 1);
    const int xs[4] = {-1, -1, 1, 1}, zs[4] = {-1, 1, -1, 1};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(mid->top[k].x, mid->corner[k].x - 6 * xs[k]);
        EXPECT_EQ(mid->top[k].z, mid->corner[k].z - 6 * zs[k]);
        EXPECT_EQ(mid->top[k].y, 2 * 16 + 6);
    }
    MarkerVertex quad[4];
    uint16_t indices[6] = {};
    const float centre[3] = {1.5f, 0, 1.5f}, outside[3] = {3.0f, 0, 1.0f};
    b->GetCellQuad(quad, indices, 8, centre);
    EXPECT_EQ(quad[3].position[0], mid->top[3].x);
    EXPECT_EQ(std::vector<uint16_t>(indices, indices + 6), (std::vector<uint16_t>{8, 9, 10, 11, 10, 9}));
    b->GetCellQuad(quad, indices, 0, outside);
    EXPECT_EQ(quad[3].position[0], 0.0f);
    EXPECT_EQ(indices[0], 8);
    const QmFieldCell* side = b->GetCell(0, 1);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(side->top[k].x, side->corner[k].x);
    EXPECT_EQ(mid->top[0].diffuse, static_cast<int16_t>(0.5f * (0.87f + 1.0f) * 32767));  // level top faces up
}

TEST(FieldGeometry, PickCellMatchesEveryCellSearch) {
    RandomState random;
    RandomSeed(&random, 77);
    int hits = 0;
    for (int round = 0; round < 300; ++round) {
        int ox = 0, oz = 0;
        auto map = RandomMap(&random, &ox, &oz);
        const QmField& f = *map;
        for (int ray = 0; ray < 20; ++ray) {
            const float origin[3] = {RandomSpreadFloat(&random, 0, 900), RandomSpreadFloat(&random, 400, 300),
                                     RandomSpreadFloat(&random, 0, 900)};
            const float dir[3] = {RandomSpreadFloat(&random, 0, 1), -1.0f, RandomSpreadFloat(&random, 0, 1)};
            // Reference: per level, the one cell whose footprint holds the plane hit.
            float expected[3] = {0, 0, 0};
            bool found = false;
            for (int level = 19; level >= 0 && !found; --level) {
                const float t = (level * 16 - origin[1]) / dir[1];
                if (t < 0) continue;
                const float px = origin[0] + t * dir[0], pz = origin[2] + t * dir[2];
                for (int32_t i = 0; i < f.width * f.depth && !found; ++i) {
                    const QmFieldCell& c = f.cells[i];
                    if (c.height <= 0 || std::abs(c.height - level) > 1) continue;
                    if (px < c.corner[0].x || px >= c.corner[3].x || pz < c.corner[0].z || pz >= c.corner[3].z) continue;
                    found = f.CellRayTest(&c, origin, dir, expected);
                }
            }
            float hit[3];
            ASSERT_EQ(f.PickCell(origin, dir, hit), found ? 1 : 0) << round << "/" << ray;
            if (found) {
                hits++;
                for (int i = 0; i < 3; ++i) EXPECT_NEAR(hit[i], expected[i], 1e-3f);
            }
        }
    }
    EXPECT_GT(hits, 500);
}

TEST(FieldGeometry, TallObjectsFadeExactlyToTheirLimits) {
    auto f = MakeField(5, 5, nullptr, nullptr);
    QmFieldCell& tree = *f->GetCell(2, 2);
    tree.model = reinterpret_cast<Model*>(&tree);  // only its presence is read
    tree.objectHeight = 12, tree.centre[1] = 100, tree.extent[1] = 200, tree.radius = 45, tree.alpha = 1;
    CameraParams camera{20, 1, 50, 5000, {0, 0, 300}, {0, 100, -600}, {0, 1, 0}};
    const struct { float targetX; int32_t height; float alpha; } frames[] = {{0, 12, 0.4f}, {400, 12, 1.0f}, {0, 11, 1.0f}};
    for (const auto& step : frames) {  // in front, then looked past, then too low to fade
        camera.target[0] = step.targetX, tree.objectHeight = step.height;
        for (int frame = 0; frame < 200; ++frame) f->Update(camera);
        EXPECT_EQ(tree.alpha, step.alpha);
    }
}

}  // namespace
