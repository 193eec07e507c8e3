// The terrain mesh and the markers on the CPU: golden meshes of small maps
// (counts and exact vertices), random maps within the buffers, the facing
// of outline lines for any yaw, the lighting of degenerate quads; panel
// tiles by frame and parity, blob-shadow quads, route pieces, clamping at
// capacity and the cursor's pulse.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "core/random.h"
#include "game/field_markers.h"
#include "game/field_mesh.h"
#include "tests/support/log_capture.h"

namespace {

const float kLight[3] = {0.16f / 0.6462198f, 0.56f / 0.6462198f, -0.28f / 0.6462198f};

std::unique_ptr<QmField> MakeField(int32_t width, int32_t depth, std::vector<int32_t> heights,
                                   std::vector<int32_t> shapes = {}) {
    auto field = std::make_unique<QmField>(kLight);
    field->AllocCells(width, depth);
    for (int32_t i = 0; i < width * depth; ++i) {
        field->cells[i].height = heights[i];
        field->cells[i].shape = shapes.empty() ? 0 : shapes[i];
    }
    field->FinishCells();
    return field;
}

struct V {
    int16_t x, y, z;
    uint16_t u, v;
};

// Whether the mesh holds a quad of exactly these four vertices, in order.
bool HasQuad(const FieldMesh& mesh, const V (&quad)[4], int16_t ambient) {
    for (size_t q = 0; q + 4 <= mesh.vertices.size(); q += 4) {
        bool same = true;
        for (int k = 0; k < 4 && same; ++k) {
            const FieldVertex& m = mesh.vertices[q + k];
            same = m.x == quad[k].x && m.y == quad[k].y && m.z == quad[k].z && m.u == quad[k].u &&
                   m.v == quad[k].v && (ambient < 0 || m.ambient == ambient);
        }
        if (same) return true;
    }
    return false;
}

const int16_t kLevelDiffuse = static_cast<int16_t>(0.5 * (kLight[1] + 1.0f) * 32767);

TEST(FieldMesh, GoldenMaps) {
    const struct Case {
        const char* name;
        int32_t width, depth;
        std::vector<int32_t> heights, shapes;
        int32_t topQuads, sideQuads, lines[4];
        std::vector<std::vector<V>> quads;  // quads that must be there, by vertex
        int16_t ambient;                    // of those quads; -1 = any
    } cases[] = {
        {"raised cell", 3, 3, {1, 1, 1, 1, 2, 1, 1, 1, 1}, {}, 9, 32, {1, 1, 1, 1},
         {{{-26, 38, -26, 8, 8}, {-26, 38, 26, 8, 72}, {26, 38, -26, 72, 8}, {26, 38, 26, 72, 72}},  // inset top
          {{26, 38, 26, 88, 16}, {32, 32, 32, 88, 32}, {26, 38, -26, 152, 16}, {32, 32, -32, 152, 32}},  // +x bevel
          {{32, 32, 32, 8, 32}, {32, 16, 32, 8, 16}, {32, 32, -32, 72, 32}, {32, 16, -32, 72, 16}}},     // +x wall
         32767},
        {"flat pair", 2, 1, {1, 1}, {}, 2, 12, {0, 0, 0, 0},
         {{{-64, 22, -32, 8, 8}, {-64, 22, 32, 8, 72}, {0, 22, -32, 72, 8}, {0, 22, 32, 72, 72}}}, 32767},
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
        for (int32_t i = 0; i < c.width * c.depth; ++i) field->cells[i].chip = 0;
        field->FinishCells();
        FieldMesh mesh;
        ASSERT_TRUE(BuildFieldMesh(*field, &mesh));
        EXPECT_EQ(mesh.topVertexCount, c.topQuads * 4);
        EXPECT_EQ(mesh.sideVertexCount, c.sideQuads * 4);
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
    EXPECT_EQ(a.x, field->GetCell(1, 1)->top[3].x);
    EXPECT_EQ(a.y, field->GetCell(1, 1)->top[3].y);
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
        if (round == 0) {
            EXPECT_EQ(mesh.edgeCount[0], 2 * 276);  // every high cell but the 12 on the east border
        }
    }
}

TEST(FieldMesh, EdgeDirectionsFaceTheCameraAtAnyYaw) {
    const struct { float yaw; int32_t first, second; } known[] = {
        {45, 1, 2}, {-45, 0, 1}, {135, 2, 3}, {-135, 3, 0}, {0, 1, 2}, {-720, 1, 2}, {-400, 0, 1}, {1e30f, 1, 2}};
    for (const auto& k : known) {
        int32_t d[2];
        FieldEdgeDirections(k.yaw, d);
        EXPECT_EQ(d[0] * 10 + d[1], k.first * 10 + k.second) << "yaw " << k.yaw;
    }
    for (int yaw = -720; yaw <= 720; ++yaw) {
        int32_t d[2], turned[2];
        FieldEdgeDirections(static_cast<float>(yaw), d);
        FieldEdgeDirections(static_cast<float>(yaw + 360), turned);
        ASSERT_TRUE(d[0] >= 0 && d[0] < 4 && d[1] == (d[0] + 1) % 4) << yaw;
        ASSERT_EQ(d[0], turned[0]) << yaw;
        if (yaw >= -180 && yaw <= 180) {
            ASSERT_EQ(d[0], ((yaw + 360) / 90 + 1) % 4) << yaw;
        }
    }
}

TEST(FieldMesh, DegenerateQuadsAreLitSideOn) {
    FieldVertex point[4] = {};
    ShadeFieldQuad(kLight, point);
    for (const FieldVertex& v : point) EXPECT_EQ(v.diffuse * 100 + v.ambient / 32767, 1638301);
    FieldVertex wall[4] = {{0, 32, 0, 1, 0, 0, 0, 0}, {0, 16, 0, 1, 0, 0, 0, 0}, {0, 32, -64, 1, 0, 0, 0, 0},
                           {0, 32, -64, 1, 0, 0, 0, 0}};  // a triangle facing +x
    ShadeFieldQuad(kLight, wall);
    for (const FieldVertex& v : wall) EXPECT_EQ(v.diffuse, static_cast<int16_t>(0.5 * (kLight[0] + 1.0f) * 32767));
}

// --- markers --------------------------------------------------------------------------

class Markers : public ::testing::Test {
protected:
    void SetUp() override {
        field = MakeField(4, 4, std::vector<int32_t>(16, 1));
        markers.Init(-1);
        markers.Link(field.get());
    }
    // Texel corner 0 and corner 3 of a quad.
    static std::vector<int> Texels(const MarkerVertex* quad) {
        return {int(std::lround(quad[0].texCoord[0] * 512)), int(std::lround(quad[0].texCoord[1] * 256)),
                int(std::lround(quad[3].texCoord[0] * 512)), int(std::lround(quad[3].texCoord[1] * 256))};
    }
    std::unique_ptr<QmField> field;
    QmFieldMarkers markers;
};

TEST_F(Markers, PanelTilesByParityAndFrame) {
    const struct { int colour; float x, z; uint32_t frames; std::vector<int> texels; } cases[] = {
        {0, 0.5f, 0.5f, 1, {8, 8, 40, 40}},        {0, 1.5f, 0.5f, 1, {40, 8, 72, 40}},
        {1, 0.5f, 1.5f, 1, {88, 40, 120, 72}},     {2, 3.5f, 3.5f, 60, {200, 72, 232, 104}},
        {2, 3.5f, 3.5f, 119, {200, 103, 232, 135}}, {2, 3.5f, 3.5f, 120, {200, 40, 232, 72}},
        {3, 2.5f, 2.5f, 7, {264, 8, 328, 72}},
    };
    for (const auto& c : cases) {
        markers.Init(-1);
        markers.Link(field.get());
        const float at[3] = {c.x, 1, c.z};
        markers.AddPanel(at, c.colour);
        for (uint32_t f = 0; f < c.frames; ++f) markers.Update();
        EXPECT_EQ(Texels(&markers.panelVertices[0]), c.texels) << "colour " << c.colour << " frame " << c.frames;
        EXPECT_EQ(markers.panelVertices[0].colour >> 24, kPanelAlpha);
    }
}

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
    LogCapture log;
    for (int unit = 0; unit < 21; ++unit) {
        const float corner[3] = {2.0f, 1, 2.0f};
        markers.AddShadow(corner);
    }
    EXPECT_EQ(markers.shadowCount, kMarkerMaxShadows);
    EXPECT_EQ(log.Count(), 1u);
}

TEST_F(Markers, RoutePieces) {
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
}

TEST_F(Markers, ArrowTopEdgeOnTheNamedSide) {
    const int topCorners[4][2] = {{2, 3}, {0, 2}, {0, 1}, {1, 3}};  // +x, -z, -x, +z
    for (int r = 0; r < 4; ++r) {
        markers.SetArrowDir(r);
        for (int k = 0; k < 4; ++k) {
            const bool top = k == topCorners[r][0] || k == topCorners[r][1];
            EXPECT_EQ(std::lround(markers.arrowQuad[k].texCoord[1] * 256), top ? kArrowTile.top : 248) << r << k;
        }
    }
}

TEST_F(Markers, ListsClampAtCapacity) {
    LogCapture log;
    const float at[3] = {1.5f, 1, 1.5f};
    for (int i = 0; i < kMarkerMaxPanels + 1; ++i) markers.AddPanel(at, i % 4);
    EXPECT_EQ(markers.panels.size(), size_t(kMarkerMaxPanels));
    std::vector<int32_t> route;
    for (int i = 0; i < 256; ++i) route.insert(route.end(), {i % 4, 1, i / 4 % 4});
    markers.SetRoute(route.data(), 256);
    EXPECT_EQ(markers.routeCount, kMarkerMaxRoute);
    EXPECT_EQ(log.Count(), 2u);
    markers.ClearPanels();
    markers.AddPanel(at, 0);
    EXPECT_EQ(markers.panels.size(), 1u);
}

TEST_F(Markers, CursorPulseAndEasing) {
    for (uint32_t frame = 0; frame < 2000; ++frame) {
        const double expected = 1.0 + std::sin(frame / (2.0 * M_PI)) / 32.0;
        ASSERT_NEAR(CursorPulse(frame), expected, 2e-5) << frame;
    }
    const float at[3] = {2.5f, 1, 0.5f};
    markers.SetCursorPos(at);
    EXPECT_FLOAT_EQ(markers.cursorQuad[0].position[0], -32.0f);  // relative to the cell centre
    markers.Update();
    markers.Update();
    EXPECT_FLOAT_EQ(markers.cursorShown[0], 32.0f * 0.75f);
    const float none[3] = {-1, -1, -1};
    markers.SetCursorPos(none);
    EXPECT_FLOAT_EQ(markers.cursorQuad[0].position[0], -32.0f);  // the old quad stays
}

}  // namespace
