// Field geometry: cell and world space, heights of shapes, ramp joins, the
// drawn top's inset, picking against a brute-force search of every cell, and
// the fading of tall objects.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "gfx/material_shader.h"
#include "tests/game/field_test_maps.h"

namespace {

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
        TestMap map = RandomMap(&random, &ox, &oz);
        const QmField& f = *map.field;
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
