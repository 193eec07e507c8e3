// The sprite, ribbon and ring renderers: vertices as written into the
// shared buffer for known cameras and instances, and pixels drawn on Mesa.
#include <limits>

#include "fx_gl_fixture.h"

namespace {

using FxRenderer::EffectVertex;
using Sprites = std::vector<Fx::SpriteInstanceParameter>;
using Points = std::vector<Fx::RibbonInstanceParameter>;
using Rings = std::vector<Fx::RingInstanceParameter>;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Corners (-0.5, -0.5), (0.5, -0.5), (-0.5, 0.5), (0.5, 0.5) of a sprite at
// T = (5, 6, 7), seen by a camera looking along -x (side) or along -z.
TEST_F(FxGlTest, SpriteBillboardKindsPlaceTheCorners) {
    const struct {
        const char* name;
        int32_t kind;
        bool side;
        Fx::Matrix43 matrix;
        Xyz expected[4];
    } cases[] = {
        {"facing: right is -z, up is Y; z scale ignored", 0, true, Fx::Matrix43{{{2, 0, 0}, {0, 3, 0}, {0, 0, 4}, {5, 6, 7}}},
         {{5, 4.5f, 8}, {5, 4.5f, 6}, {5, 7.5f, 8}, {5, 7.5f, 6}}},
        {"axis fixed: up is the instance's Y, along +z", 1, true, Fx::Matrix43{{{1, 0, 0}, {0, 0, 1}, {0, -1, 0}, {5, 6, 7}}},
         {{5, 5.5f, 6.5f}, {5, 6.5f, 6.5f}, {5, 5.5f, 7.5f}, {5, 6.5f, 7.5f}}},
        {"fixed keeps the whole matrix", 2, true, Fx::Matrix43{{{2, 0, 0}, {0, 2, 0}, {0, 0, 2}, {5, 6, 7}}},
         {{4, 5, 7}, {6, 5, 7}, {4, 7, 7}, {6, 7, 7}}},
        {"rotated 90 degrees by the instance's roll", 3, false, Fx::Matrix43{{{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}, {5, 6, 7}}},
         {{5.5f, 5.5f, 7}, {5.5f, 6.5f, 7}, {4.5f, 5.5f, 7}, {4.5f, 6.5f, 7}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fx::Matrix44 camera;
        if (c.side) camera.SetFrom(Fx::Matrix43{{{0, 0, 1}, {0, 1, 0}, {1, 0, 0}, {0, 0, 0}}});
        renderer->SetCameraMatrix(camera);
        Fx::SpriteNodeParameter node;
        node.billboard = c.kind;
        Fx::SpriteInstanceParameter sprite = SquareSprite(0.5f, Fx::Color());
        sprite.matrix = c.matrix;
        DrawBatch(*sprites, node, Sprites{sprite});
        ASSERT_EQ(CapturedSquares(), 1);
        for (int i = 0; i < 4; ++i) ExpectAt(Captured(1)[size_t(i)], c.expected[i]);
    }
}

TEST_F(FxGlTest, VertexColoursLandOnTheirCornersAndUvFramesPickTheirTile) {
    Fx::SpriteNodeParameter node;
    Fx::SpriteInstanceParameter sprite = SquareSprite(1.0f, Fx::Color());
    const Rgba corners[4] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 255}};
    for (int i = 0; i < 4; ++i) sprite.colors[i] = Fx::Color(corners[i].r, corners[i].g, corners[i].b, 255);
    DrawBatch(*sprites, node, Sprites{sprite});
    // Lower left, lower right, upper left, upper right; Gouraud shading moves
    // a corner pixel's centre by under 8 levels.
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(RectIs(i % 2 * (kView - 1), i < 2 ? kHeight - 1 : kTop, 1, 1, corners[i], 8));
    }
    const std::vector<uint32_t> tiles = {0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u, 0xFF00FFFFu};
    effect.textures = {MakeTexture(4, 1, tiles)};
    node.effect = &effect;
    for (int k = 0; k < 5; ++k) {
        SCOPED_TRACE(k);
        node.textureIndex = k < 4 ? 0 : 7;  // 7 is out of range: vertex colours alone
        sprite = SquareSprite(1.0f, k < 4 ? Fx::Color() : Fx::Color(10, 20, 30, 255));
        sprite.uv = Fx::TextureRect{k * 0.25f, 0.0f, 0.25f, 1.0f};
        DrawBatch(*sprites, node, Sprites{sprite});
        const uint32_t w = k < 4 ? tiles[size_t(k)] : 0xFF1E140Au;
        EXPECT_TRUE(RectIs(0, kTop, kView, kView, {uint8_t(w), uint8_t(w >> 8), uint8_t(w >> 16), 255}, 2));
    }
}

Fx::RibbonInstanceParameter Point(int32_t count, int32_t index, float y) {
    Fx::RibbonInstanceParameter p;
    p.instanceCount = count;
    p.instanceIndex = index;
    p.matrix.SetTranslation(0.0f, y, 0.0f);
    p.colors[0] = Fx::Color(255, 0, 0, 255);
    p.colors[1] = Fx::Color(0, 0, 255, 255);
    return p;
}

TEST_F(FxGlTest, RibbonSquaresShareTheirPointsWithinAGroupOnly) {
    Fx::RibbonNodeParameter node;
    DrawBatch(*ribbons, node, Points{Point(3, 0, -1.0f), Point(3, 1, 0.0f), Point(3, 2, 1.0f)});
    ASSERT_EQ(CapturedSquares(), 2);
    auto v = Captured(2);
    for (int i = 0; i < 8; ++i) ExpectAt(v[size_t(i)], {i % 2 ? 0.5f : -0.5f, float(i / 4 + i % 4 / 2) - 1.0f, 0});
    EXPECT_EQ(std::vector<float>({v[2].uv[0], v[2].uv[1], v[3].uv[0], v[3].uv[1]}),
              std::vector<float>({1.0f, 1.0f / 3.0f, 0.0f, 2.0f / 3.0f}));  // point 1: left, right

    DrawBatch(*ribbons, node, Points{Point(1, 0, 0), Point(2, 0, -1), Point(2, 1, 0), Point(2, 0, 0.5f), Point(2, 1, 1)});
    ASSERT_EQ(CapturedSquares(), 2);
    ExpectAt(Captured(2)[4], {-0.5f, 0.5f, 0});  // the second group starts its own square

    // A ribbon of two points (one square) is drawn: left red, right blue.
    DrawBatch(*ribbons, node, Points{Point(2, 0, -1.0f), Point(2, 1, 1.0f)});
    EXPECT_TRUE(RectIs(17, kTop + 32, 1, 1, {255, 0, 0, 255}, 16));
    EXPECT_TRUE(RectIs(46, kTop + 32, 1, 1, {0, 0, 255, 255}, 16));
    EXPECT_TRUE(RectIs(2, kTop + 32, 1, 1, {0, 0, 0, 255}, 2));
}

// A full disc of `radius` centred on (0.5, 0.5).
Fx::RingInstanceParameter Disc(float radius, Fx::Color colour) {
    Fx::RingInstanceParameter ring;
    ring.matrix.SetTranslation(0.5f, 0.5f, 0.0f);
    ring.viewingAngle = 360.0f;
    ring.outerLocation = Fx::Vector2D{radius, 0.0f};
    ring.centerRatio = 0.5f;
    ring.outerColor = ring.centerColor = ring.innerColor = colour;
    ring.uv = Fx::TextureRect{0.0f, 0.0f, 1.0f, 1.0f};
    return ring;
}

TEST_F(FxGlTest, RingEdgesTextureAndTheSingleInstancePath) {
    Fx::RingNodeParameter node;
    node.billboard = Fx::kBillboardFixed;
    node.vertexCount = 4;
    DrawBatch(*rings, node, Rings(2, Disc(1.0f, Fx::Color())));
    ASSERT_EQ(CapturedSquares(), 16);
    const auto v = Captured(16);
    const Xyz edges[5] = {{-1, 0, 0}, {0, -1, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}};  // -180 .. 180 degrees
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const EffectVertex* s = &v[i * 8];
        ExpectAt(s[0], {edges[i].x + 0.5f, edges[i].y + 0.5f, 0});
        ExpectAt(s[2], {edges[i + 1].x + 0.5f, edges[i + 1].y + 0.5f, 0});
        ExpectAt(s[1], {edges[i].x * 0.5f + 0.5f, edges[i].y * 0.5f + 0.5f, 0});
        EXPECT_EQ(std::vector<float>({s[3].uv[0], s[1].uv[1], s[5].uv[1]}), std::vector<float>({(i + 1) * 0.25f, 0.5f, 1}));
    }
    DrawBatch(*rings, node, Rings(1, Disc(1.0f, Fx::Color())));
    ExpectAt(Captured(16)[8 * 2], {1, 0, 0});  // one instance stays in ring space

    // Both paths draw the same disc of radius 0.25 around clip (0.5, 0.5).
    node.vertexCount = 32;
    for (size_t count : {1, 2}) {
        SCOPED_TRACE(count);
        glClear(GL_COLOR_BUFFER_BIT);
        DrawBatch(*rings, node, Rings(count, Disc(0.25f, Fx::Color(0, 255, 0, 255))));
        EXPECT_TRUE(RectIs(46, kTop + 14, 4, 4, {0, 255, 0, 255}, 2));
        EXPECT_TRUE(RectIs(16, kTop + 48, 4, 4, {0, 0, 0, 255}, 2));
    }
}

// Counts and values from a damaged file never write past the buffer; the
// capacity stops a batch, and the next drawing starts empty.
TEST_F(FxGlTest, HostileCountsNaNsAndCapacityStayBounded) {
    Fx::RingNodeParameter node;
    node.billboard = Fx::kBillboardFixed;
    for (int32_t n : {0, -5, 601, std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min(), 600}) {
        SCOPED_TRACE(n);
        node.vertexCount = n;
        DrawBatch(*rings, node, Rings(2, Disc(1.0f, Fx::Color())));
        EXPECT_EQ(CapturedSquares(), n == 600 ? 1200 : 0);
    }
    Fx::SpriteNodeParameter spriteNode;
    DrawBatch(*sprites, spriteNode, Sprites(1201, SquareSprite(0.5f, Fx::Color())));
    EXPECT_EQ(CapturedSquares(), 1200);
    spriteNode.billboard = Fx::kBillboardRotated;
    Fx::SpriteInstanceParameter sprite = SquareSprite(kNaN, Fx::Color());
    sprite.matrix = Fx::Matrix43{{{kNaN, 2, 0}, {0, kNaN, 0}, {0, 1.5f, 1}, {0, 0, 0}}};
    DrawBatch(*sprites, spriteNode, Sprites{sprite, sprite});
    EXPECT_EQ(CapturedSquares(), 2);
    DrawBatch(*ribbons, Fx::RibbonNodeParameter(), Points{Point(INT32_MAX, 5, kNaN), Point(-3, -1, 0)});
    EXPECT_EQ(CapturedSquares(), 0);
}

}  // namespace
