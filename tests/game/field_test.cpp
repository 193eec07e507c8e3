// The field on the CPU: search and picking against plain references, the terrain mesh, the markers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "core/random.h"
#include "game/field.h"
#include "game/field_markers.h"
#include "game/field_mesh.h"
#include "game/unit.h"
#include "gfx/material_shader.h"
#include "tests/support/log_capture.h"

namespace {

const float kLight[3] = {0.16f / 0.6462198f, 0.56f / 0.6462198f, -0.28f / 0.6462198f};
const int16_t kLevelDiffuse = static_cast<int16_t>(0.5 * (kLight[1] + 1.0f) * 32767);  // a level top faces up

// A W x D field of walkable cells; `heights` row by row (empty = all 1), shapes `shapes` (empty = flat).
std::unique_ptr<QmField> MakeField(int32_t width, int32_t depth, std::vector<int32_t> heights = {},
                                   std::vector<int32_t> shapes = {}) {
    auto field = std::make_unique<QmField>(kLight);
    field->AllocCells(width, depth);
    for (int32_t i = 0; i < width * depth; ++i) {
        field->cells[i].height = heights.empty() ? 1 : heights[i];
        field->cells[i].shape = shapes.empty() ? 0 : shapes[i];
        field->cells[i].walkable = 1;
    }
    field->FinishCells();
    return field;
}

// Units of sides 0 and 1, the last two passable; the search reads only side and animation.
QmUnit* StandingUnit(int index) {
    static QmUnit units[4];
    for (int i = 0; i < 4; ++i) units[i].side = i % 2, units[i].anim = i < 2 ? 2 : kUnitAnimPassable;
    return &units[index];
}

// Random maps up to 24 x 24 with holes, shapes, blocked cells and units; the origin is walkable and free.
std::unique_ptr<QmField> RandomMap(RandomState* random, int32_t* originX, int32_t* originZ) {
    const int32_t width = RandomRange(random, 1, 25);  // one draw per statement: the order is fixed
    auto field = MakeField(width, RandomRange(random, 1, 25));
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

// The cost of moving k cells along (dx, dz), or -1 when not allowed: the movement rules, or the plain flood's.
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
                    const int32_t left = best[i] - cost >= -99 && best[i] < cost ? 0 : best[i] - cost;
                    int32_t& target = best[(f.cells[i].z + k * kMoves[m][1]) * f.width + f.cells[i].x + k * kMoves[m][0]];
                    if (left >= 0 && left > target) target = left, changed = true;
                }
            }
        }
    }
    return best;
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
            hash = (hash ^ static_cast<uint32_t>(f.cells[i].cameFrom * 4 + f.cells[i].step + 8)) * 16777619u;
        }
    }
    // Pins the move that entered each cell, also which of two equally good paths it keeps.
    EXPECT_EQ(hash, 3272176319u);
}

struct PanelLog : FieldPanelSink {
    void ClearPanels() override { panels.clear(); }
    void AddPanel(const float p[3], int32_t colour) override { panels.push_back(int(p[2]) * 100 + int(p[0]) + 10000 * colour); }
    std::vector<int32_t> panels;
};

// Costs, tie-breaks, jumps and units are pinned by MatchesReferenceOnRandomMaps.
TEST(FieldSearch, RefusedRoutesAndPanels) {
    auto open = MakeField(3, 3);
    PanelLog log;
    open->markers = &log;
    open->FindRange(nullptr, 0, 0, 2, 2, 0, 2, kRangeMovement);
    const std::vector<int32_t> refused = {open->GetRoute(2, 2, nullptr, 0), open->GetRoute(-1, 0, nullptr, 9),
                                           open->GetRouteCost(3, 0)};  // no room, outside, outside
    EXPECT_EQ(refused, std::vector<int32_t>(3, -1));
    EXPECT_EQ(log.panels, (std::vector<int32_t>{20002, 30002, 20101, 30101, 20200, 30200}));  // colour, then 3
    open->FindRange(nullptr, 1, 1, 0, 2, 0, 0, kRangeMovement | kRangeNoPanels);
    EXPECT_TRUE(log.panels.empty());
    auto pit = MakeField(3, 1, {2, 0, 2});  // a jump over the pit: the route holds its two ends only
    pit->FindRange(nullptr, 0, 0, 0, 3, 0, 0, kRangeMovement | kRangeNoPanels);
    int32_t route[9] = {};
    ASSERT_EQ(pit->GetRoute(2, 0, route, 3), 2);
    EXPECT_EQ(std::vector<int32_t>({route[0], route[2], route[3], route[5]}), (std::vector<int32_t>{2, 0, 0, 0}));
}

TEST(FieldSearch, DirectionToAndClearDir) {
    const struct { int dx, dz, dir; } quirks[] = {{0, 0, 0},  {1, 1, 0},  {1, -1, 0}, {-1, 1, 3}, {-1, -1, 1},
                                                  {1, 0, 0},  {0, 1, 3},  {-1, 0, 2}, {0, -1, 1}, {2, 1, 0},
                                                  {1, 2, 3}, {-3, -3, 1}, {4, 4, 0}, {4, -3, 0}, {-4, 3, 2}, {3, -4, 1}, {-3, 4, 3}};
    for (const auto& q : quirks) EXPECT_EQ(QmField::DirectionTo(5, 5, 5 + q.dx, 5 + q.dz), q.dir) << q.dx << "," << q.dz;
    auto flat = MakeField(7, 7);
    EXPECT_TRUE(flat->FindClearDir(3, 3) == 0 && flat->FindClearDir(-1, 3) == 0);
    flat->GetCell(4, 4)->objectHeight = 12;  // a tree on diagonal 0
    flat->GetCell(4, 3)->height = 3;         // a rise flanking diagonals 0 and 1
    EXPECT_EQ(flat->FindClearDir(3, 3), 2);
    flat->GetCell(2, 2)->objectHeight = 4;  // diagonal 2 scores 1 + 4 - 2; diagonal 3 stays lowest
    EXPECT_EQ(flat->FindClearDir(3, 3), 3);
}

TEST(FieldGeometry, CellWorldRoundTripAndHeights) {
    for (int w : {1, 5, 24}) {  // odd widths test the integer halves
        auto f = MakeField(w, 3);
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
        auto f = MakeField(1, 1, {h.height}, {h.shape});
        EXPECT_EQ(f->GetHeightAt(0.5f, 0.5f), h.at) << h.height << " shape " << h.shape;
    }
    auto f = MakeField(2, 2);
    for (float p : {-1.0f, 2.0f, 1e30f, NAN})
        EXPECT_TRUE(f->GetHeightAt(p, 0.5f) == -1.0f && f->GetSurfaceHeight(0.5f, p) == -1.0f) << p;
}

TEST(FieldGeometry, RampJoinsAndInsets) {
    auto f = MakeField(4, 1, {2, 3, 3, 2}, {0, 3, 0, 0});  // flat 2, a ramp of height 3 rising towards +x, flat 3, flat 2
    const struct { int a, b, join, step; } joins[] = {{0, 1, 0, 0}, {1, 2, 0, 0}, {2, 3, 1, 1}, {3, 2, 1, -1}, {0, 2, 1, 1}};
    for (const auto& j : joins) {
        int32_t step = 99;
        EXPECT_EQ(f->RampStep(f->GetCell(j.a, 0), f->GetCell(j.b, 0), &step), j.join) << j.a << "-" << j.b;
        EXPECT_EQ(step, j.step) << j.a << "-" << j.b;
        EXPECT_EQ(f->CheckRamp(j.a, 0, j.b, 0), j.join);
    }
    EXPECT_EQ(f->CheckRamp(-1, 0, 0, 0), 0);

    // One raised cell, its top inset 6 (the golden maps pin the inset): the quad under a point is the drawn top.
    auto b = MakeField(3, 3, {1, 1, 1, 1, 2, 1, 1, 1, 1});
    const QmFieldCell* mid = b->GetCell(1, 1);
    MarkerVertex quad[4];
    uint16_t indices[6] = {};
    const float centre[3] = {1.5f, 0, 1.5f}, outside[3] = {3.0f, 0, 1.0f};
    b->GetCellQuad(quad, indices, 8, centre);
    EXPECT_EQ(quad[3].position[0], mid->top[3].x);
    EXPECT_EQ(std::vector<uint16_t>(indices, indices + 6), (std::vector<uint16_t>{8, 9, 10, 11, 10, 9}));
    b->GetCellQuad(quad, indices, 0, outside);
    EXPECT_EQ(quad[3].position[0], 0.0f);
    EXPECT_EQ(indices[0], 8);
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
    auto f = MakeField(5, 5);
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

struct V { int16_t x, y, z; uint16_t u, v; };

// Whether the mesh holds a quad of exactly these four vertices, in order.
bool HasQuad(const FieldMesh& mesh, const V (&quad)[4], int16_t ambient) {
    for (size_t q = 0; q + 4 <= mesh.vertices.size(); q += 4) {
        int same = 0;
        for (const FieldVertex* m = &mesh.vertices[q]; same < 4 && m->x == quad[same].x && m->y == quad[same].y &&
             m->z == quad[same].z && m->u == quad[same].u && m->v == quad[same].v && m->ambient == ambient; ++m) ++same;
        if (same == 4) return true;
    }
    return false;
}

TEST(FieldMesh, GoldenMaps) {
    const struct Case {  // the quads that must be there, by vertex, with their ambient
        const char* name;
        int32_t width, depth;
        std::vector<int32_t> heights, shapes;
        int32_t topQuads, sideQuads, lines[4];
        std::vector<std::vector<V>> quads;
        int16_t ambient;
    } cases[] = {
        {"raised cell", 3, 3, {1, 1, 1, 1, 2, 1, 1, 1, 1}, {}, 9, 32, {1, 1, 1, 1},
         {{{-26, 38, -26, 8, 8}, {-26, 38, 26, 8, 72}, {26, 38, -26, 72, 8}, {26, 38, 26, 72, 72}},  // inset top
          {{26, 38, 26, 88, 16}, {32, 32, 32, 88, 32}, {26, 38, -26, 152, 16}, {32, 32, -32, 152, 32}},  // +x bevel
          {{32, 32, 32, 8, 32}, {32, 16, 32, 8, 16}, {32, 32, -32, 72, 32}, {32, 16, -32, 72, 16}}},     // +x wall
         32767},
        {"ramp onto level ground", 2, 1, {1, 2}, {0, 3}, 2, 12, {0, 0, 0, 0},
         {{{0, 22, -32, 8, 8}, {0, 22, 32, 8, 72}, {64, 38, -32, 72, 8}, {64, 38, 32, 72, 72}}}, 32767},
        {"step along z", 1, 2, {2, 1}, {}, 2, 14, {0, 0, 0, 1},
         {{{-32, 38, -6, 88, 16}, {-32, 32, 0, 88, 32}, {32, 38, -6, 152, 16}, {32, 32, 0, 152, 32}}}, 32767},
        {"border", 1, 1, {1}, {}, 1, 8, {0, 0, 0, 0},
         {{{32, 16, 32, 0, 0}, {32, 0, 32, 0, 0}, {32, 16, -32, 0, 0}, {32, 0, -32, 0, 0}},  // wall to y = 0
          {{32, 22, 32, 0, 0}, {32, 16, 32, 0, 0}, {32, 22, -32, 0, 0}, {32, 16, -32, 0, 0}}},  // 6-unit strip
         0},
        {"hole", 3, 1, {1, 0, 1}, {}, 2, 16, {1, 0, 1, 0},
         {{{-32, 16, 32, 8, 16}, {-32, 0, 32, 8, 0}, {-32, 16, -32, 72, 16}, {-32, 0, -32, 72, 0}}}, 32767},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto field = MakeField(c.width, c.depth, c.heights, c.shapes);
        FieldMesh mesh;
        ASSERT_TRUE(BuildFieldMesh(*field, &mesh));
        EXPECT_EQ(std::make_pair(mesh.topVertexCount, mesh.sideVertexCount), std::make_pair(c.topQuads * 4, c.sideQuads * 4));
        EXPECT_EQ(mesh.indices.size(), size_t(c.topQuads + c.sideQuads) * 6);
        for (int k = 0; k < 4; ++k) EXPECT_EQ(mesh.edgeCount[k], c.lines[k] * 2) << "direction " << k;
        for (const auto& q : c.quads) {
            const V quad[4] = {q[0], q[1], q[2], q[3]};
            EXPECT_TRUE(HasQuad(mesh, quad, c.ambient)) << "quad at " << q[0].x << "," << q[0].y << "," << q[0].z;
        }
        EXPECT_EQ(mesh.vertices[0].diffuse, kLevelDiffuse);
    }
}

TEST(FieldMesh, OutlineAndSplitIndices) {
    auto field = MakeField(3, 3, {1, 1, 1, 1, 2, 1, 1, 1, 1}, {0, 0, 0, 0, 6, 0, 0, 0, 0});
    FieldMesh mesh;
    ASSERT_TRUE(BuildFieldMesh(*field, &mesh));
    // The centre (shape 6) splits across corners 0-3; the others use the plain pattern.
    const std::vector<uint16_t> centre(mesh.indices.begin() + 24, mesh.indices.begin() + 30);
    EXPECT_EQ(centre, (std::vector<uint16_t>{16, 19, 18, 19, 16, 17}));
    EXPECT_EQ(std::vector<uint16_t>(mesh.indices.begin(), mesh.indices.begin() + 6),
              (std::vector<uint16_t>{0, 1, 2, 3, 2, 1}));
    // Lines by direction: edgeFirst runs over the counts; the +x line is the drawn top's edge.
    EXPECT_EQ(mesh.edgeFirst[3], mesh.edgeCount[0] + mesh.edgeCount[1] + mesh.edgeCount[2]);
    const FieldEdgeVertex& a = mesh.edges[0];
    EXPECT_TRUE(a.x == field->GetCell(1, 1)->top[3].x && a.y == field->GetCell(1, 1)->top[3].y);
}

TEST(FieldMesh, RandomMapsStayWithinTheBuffers) {
    RandomState random;
    RandomSeed(&random, 17);
    for (int round = 0; round < 60; ++round) {
        const int32_t width = round == 0 ? 24 : RandomRange(&random, 1, 25);
        const int32_t depth = round == 0 ? 24 : RandomRange(&random, 1, 576 / width + 1);
        std::vector<int32_t> heights(width * depth), shapes(width * depth);
        for (int32_t i = 0; i < width * depth; ++i) {
            // Round 0: the worst case, a checkerboard of cliffs.
            heights[i] = round == 0 ? ((i % width + i / width) % 2 ? 19 : 1) : RandomRange(&random, 0, 20);
            shapes[i] = round == 0 ? 0 : RandomRange(&random, 0, 13) + 20 * RandomRange(&random, 0, 3);
        }
        auto field = MakeField(width, depth, heights, shapes);
        FieldMesh mesh;
        ASSERT_TRUE(BuildFieldMesh(*field, &mesh)) << width << "x" << depth;
        EXPECT_LE(mesh.vertices.size(), size_t(kFieldMeshMaxVertices));
        EXPECT_LE(mesh.indices.size() / 6, size_t(kFieldMeshMaxQuads));
        for (int k = 0; k < 4; ++k) EXPECT_LE(mesh.edgeCount[k], 2 * kFieldMeshMaxLines);
        for (uint16_t index : mesh.indices) ASSERT_LT(index, mesh.vertices.size());
        EXPECT_TRUE(round > 0 || mesh.edgeCount[0] == 2 * 276);  // every high cell but the 12 on the east border
    }
}

TEST(FieldMesh, EdgeDirectionsAtAnyYawAndDegenerateLighting) {
    int32_t huge[2];
    FieldEdgeDirections(1e30f, huge);
    EXPECT_EQ(huge[0] * 10 + huge[1], 12);
    for (int yaw = -720; yaw <= 720; ++yaw) {  // a full turn changes nothing
        int32_t d[2], turned[2];
        FieldEdgeDirections(static_cast<float>(yaw), d), FieldEdgeDirections(static_cast<float>(yaw + 360), turned);
        ASSERT_TRUE(d[0] >= 0 && d[0] < 4 && d[1] == (d[0] + 1) % 4 && d[0] == turned[0]) << yaw;
        ASSERT_TRUE(yaw < -180 || yaw > 180 || d[0] == ((yaw + 360) / 90 + 1) % 4) << yaw;
    }
    FieldVertex point[4] = {};  // degenerate quads are lit side-on
    ShadeFieldQuad(kLight, point);
    for (const FieldVertex& v : point) EXPECT_EQ(v.diffuse * 100 + v.ambient / 32767, 1638301);
    FieldVertex wall[4] = {{0, 32, 0, 1, 0, 0, 0, 0}, {0, 16, 0, 1, 0, 0, 0, 0}, {0, 32, -64, 1, 0, 0, 0, 0},
                           {0, 32, -64, 1, 0, 0, 0, 0}};  // a triangle facing +x
    ShadeFieldQuad(kLight, wall);
    for (const FieldVertex& v : wall) EXPECT_EQ(v.diffuse, static_cast<int16_t>(0.5 * (kLight[0] + 1.0f) * 32767));
}

class Markers : public ::testing::Test {
protected:
    void SetUp() override {
        field = MakeField(4, 4);
        markers.Init(-1);
        markers.Link(field.get());
    }
    static std::vector<int> Texels(const MarkerVertex* quad) {
        return {int(std::lround(quad[0].texCoord[0] * 512)), int(std::lround(quad[0].texCoord[1] * 256)),
                int(std::lround(quad[3].texCoord[0] * 512)), int(std::lround(quad[3].texCoord[1] * 256))};
    }
    std::unique_ptr<QmField> field;
    QmFieldMarkers markers;
};

TEST_F(Markers, BlobShadowQuads) {
    const struct { float x, z; int quads; } cases[] = {
        {1.5f, 1.5f, 1}, {2.0f, 1.5f, 2}, {1.5f, 2.0f, 2}, {2.0f, 2.0f, 4}, {0.0f, 0.0f, 1}, {1.25f, 1.5f, 2}};
    for (const auto& c : cases) {
        markers.ClearShadows();
        const float at[3] = {c.x, 1, c.z};
        markers.AddShadow(at);
        EXPECT_EQ(markers.shadowCount, c.quads) << c.x << "," << c.z;
    }
    markers.ClearShadows();
    const float centred[3] = {1.5f, 1, 1.5f};
    markers.AddShadow(centred);
    EXPECT_EQ(Texels(&markers.shadowVertices[0]), (std::vector<int>{0, 0, 512, 256}));  // u, v of 0..1
}

TEST_F(Markers, RoutePiecesAndArrowSides) {
    const struct { std::vector<int32_t> cells; std::vector<std::pair<const MarkerTile*, int>> pieces; } cases[] = {
        {{2, 1, 0, 1, 1, 0, 0, 1, 0}, {{&kRouteEndTile, 0}, {&kRouteStraightTile, 0}, {&kRouteStartTile, 2}}},
        {{1, 1, 1, 1, 1, 0, 0, 1, 0}, {{&kRouteEndTile, 3}, {&kRouteTurnOtherTile, 0}, {&kRouteStartTile, 2}}},
        {{1, 1, 0, 1, 1, 1, 0, 1, 1}, {{&kRouteEndTile, 1}, {&kRouteTurnClockwiseTile, 0}, {&kRouteStartTile, 2}}},
        {{3, 1, 0, 1, 1, 0}, {{&kRouteEndTile, 0}, {&kRouteStartTile, 2}}},  // a jump
        {{0, 1, 0, 1, 1, 0, 0, 1, 0}, {{&kRouteEndTile, 2}, {&kRouteStraightTile, 0}, {&kRouteStartTile, 2}}},
        {{1, 1, 1}, {}},
    };
    for (const auto& c : cases) {
        markers.SetRoute(c.cells.data(), static_cast<int32_t>(c.cells.size() / 3));
        ASSERT_EQ(markers.routeCount, static_cast<int32_t>(c.pieces.size()));
        for (size_t i = 0; i < c.pieces.size(); ++i) {
            MarkerVertex expected[4] = {};
            QmFieldMarkers::SetQuadUV(expected, c.pieces[i].second, *c.pieces[i].first);
            EXPECT_EQ(Texels(&markers.routeVertices[i * 4]), Texels(expected)) << "piece " << i;
        }
    }
    const int topCorners[4][2] = {{2, 3}, {0, 2}, {0, 1}, {1, 3}};  // +x, -z, -x, +z
    for (int r = 0; r < 4; ++r) {
        markers.SetArrowDir(r);
        for (int k = 0; k < 4; ++k) {
            const bool top = k == topCorners[r][0] || k == topCorners[r][1];
            EXPECT_EQ(std::lround(markers.arrowQuad[k].texCoord[1] * 256), top ? kArrowTile.top : 248) << r << k;
        }
    }
}

TEST_F(Markers, ListsFillToTheirLimitAndLogOnceWhenFull) {
    const float at[3] = {1.5f, 1, 1.5f}, corner[3] = {2.0f, 1, 2.0f};
    std::vector<int32_t> route;
    for (int i = 0; i <= kMarkerMaxRoute; ++i) route.insert(route.end(), {i % 4, 1, i / 4 % 4});
    for (int over : {0, 1}) {  // the limit itself, then one past it
        LogCapture log;
        for (int i = 0; i < kMarkerMaxPanels + over; ++i) markers.AddPanel(at, i % 4);
        markers.SetRoute(route.data(), kMarkerMaxRoute + over);
        for (int quads = 0; quads < kMarkerMaxShadows + 4 * over; quads += 4) markers.AddShadow(corner);
        EXPECT_EQ(markers.panels.size(), size_t(kMarkerMaxPanels));
        EXPECT_EQ(std::make_pair(markers.routeCount, markers.shadowCount), std::make_pair(kMarkerMaxRoute, kMarkerMaxShadows));
        EXPECT_EQ(log.Count(), 3u * over) << over;
        markers.ClearPanels(), markers.ClearShadows();
    }
    markers.AddPanel(at, 0);
    EXPECT_EQ(markers.panels.size(), 1u);
    auto other = MakeField(2, 2);
    QmFieldMarkers gone;
    gone.Init(-1), gone.Link(other.get()), gone.Destroy();
    EXPECT_EQ(other->markers, nullptr) << "a destroyed marker set leaves no pointer behind";
    QmFieldMarkers unlinked;  // made but never given a field: every call leaves it empty
    unlinked.Init(-1);
    unlinked.SetRoute(route.data(), 3), unlinked.AddPanel(at, 0), unlinked.AddShadow(at), unlinked.SetCursorPos(at);
    EXPECT_TRUE(unlinked.routeCount == 0 && unlinked.panels.empty() && unlinked.shadowCount == 0);
}

}  // namespace
