// The sprite, ribbon and ring renderers: vertices as written into the
// shared buffer for known cameras and instances, and pixels drawn on Mesa.
#include <cmath>
#include <limits>
#include <memory>

#include "fx_gl_fixture.h"

namespace {

using FxRenderer::EffectVertex;

struct Xyz {
    float x, y, z;
};

void ExpectAt(const EffectVertex& v, Xyz p, float tolerance = 1e-5f) {
    EXPECT_NEAR(v.position[0], p.x, tolerance);
    EXPECT_NEAR(v.position[1], p.y, tolerance);
    EXPECT_NEAR(v.position[2], p.z, tolerance);
}

Fx::Matrix43 Rows(Xyz r0, Xyz r1, Xyz r2, Xyz t) {
    Fx::Matrix43 m;
    const Xyz rows[4] = {r0, r1, r2, t};
    for (int i = 0; i < 4; ++i) {
        m.value[i][0] = rows[i].x;
        m.value[i][1] = rows[i].y;
        m.value[i][2] = rows[i].z;
    }
    return m;
}

class FxQuadsTest : public FxGlTest {
protected:
    void SetUp() override {
        FxGlTest::SetUp();
        sprites.reset(renderer->CreateSpriteRenderer());
        ribbons.reset(renderer->CreateRibbonRenderer());
        rings.reset(renderer->CreateRingRenderer());
        ASSERT_TRUE(sprites && ribbons && rings);
        renderer->BeginRendering();
    }
    void TearDown() override {
        renderer->EndRendering();
        sprites.reset();
        ribbons.reset();
        rings.reset();
        FxGlTest::TearDown();
    }
    void DrawSprites(const Fx::SpriteNodeParameter& node, const std::vector<Fx::SpriteInstanceParameter>& list) {
        sprites->BeginBatch(node, int32_t(list.size()), nullptr);
        for (const auto& sprite : list) sprites->AddInstance(node, sprite, nullptr);
        sprites->EndBatch(node, nullptr);
    }
    void DrawRing(const Fx::RingNodeParameter& node, int32_t batchCount, const Fx::RingInstanceParameter& ring) {
        rings->BeginBatch(node, batchCount, nullptr);
        for (int i = 0; i < batchCount; ++i) rings->AddInstance(node, ring, nullptr);
        rings->EndBatch(node, nullptr);
    }
    std::unique_ptr<Fx::SpriteRenderer> sprites;
    std::unique_ptr<Fx::RibbonRenderer> ribbons;
    std::unique_ptr<Fx::RingRenderer> rings;
};

// Corners (-0.5, -0.5), (0.5, -0.5), (-0.5, 0.5), (0.5, 0.5) of a sprite
// translated to T = (5, 6, 7), with a camera looking along +x or along -z.
struct BillboardCase {
    const char* name;
    int32_t kind;
    bool sideCamera;
    Fx::Matrix43 matrix;
    Xyz expected[4];
};

TEST_F(FxQuadsTest, SpriteBillboardKindsPlaceTheCorners) {
    const Xyz t{5, 6, 7};
    const BillboardCase cases[] = {
        // Looking along -x: right is +z... negated, up is world Y; scale 2, 3 (z ignored).
        {"facing, scaled", 0, true, Rows({2, 0, 0}, {0, 3, 0}, {0, 0, 4}, t),
         {{5, 4.5f, 8}, {5, 4.5f, 6}, {5, 7.5f, 8}, {5, 7.5f, 6}}},
        // The instance's Y axis points along +z: the sprite turns about it.
        {"axis fixed", 1, true, Rows({1, 0, 0}, {0, 0, 1}, {0, -1, 0}, t),
         {{5, 5.5f, 6.5f}, {5, 6.5f, 6.5f}, {5, 5.5f, 7.5f}, {5, 6.5f, 7.5f}}},
        // Fixed keeps the whole matrix, z scale included.
        {"fixed", 2, true, Rows({2, 0, 0}, {0, 2, 0}, {0, 0, 2}, t),
         {{4, 5, 7}, {6, 5, 7}, {4, 7, 7}, {6, 7, 7}}},
        // Rolled 90 degrees about the view axis by the instance's z rotation.
        {"rotated", 3, false, Rows({0, 1, 0}, {-1, 0, 0}, {0, 0, 1}, t),
         {{5.5f, 5.5f, 7}, {5.5f, 6.5f, 7}, {4.5f, 5.5f, 7}, {4.5f, 6.5f, 7}}},
        {"unknown kind stays in its plane", 9, false, Rows({2, 0, 0}, {0, 2, 0}, {0, 0, 2}, t),
         {{-0.5f, -0.5f, 0}, {0.5f, -0.5f, 0}, {-0.5f, 0.5f, 0}, {0.5f, 0.5f, 0}}},
    };
    for (const BillboardCase& c : cases) {
        SCOPED_TRACE(c.name);
        Fx::Matrix44 camera;  // identity looks along -z
        if (c.sideCamera) {
            camera.value[0][0] = camera.value[2][2] = 0.0f;
            camera.value[0][2] = camera.value[2][0] = 1.0f;
        }
        renderer->SetCameraMatrix(camera);
        Fx::SpriteNodeParameter node;
        node.billboard = c.kind;
        Fx::SpriteInstanceParameter sprite = SquareSprite(0.5f, Fx::Color());
        sprite.matrix = c.matrix;
        DrawSprites(node, {sprite});
        ASSERT_EQ(CapturedSquares(), 1);
        const auto v = Captured(1);
        for (int i = 0; i < 4; ++i) ExpectAt(v[i], c.expected[i]);
    }
}

TEST_F(FxQuadsTest, SpriteTakesColoursAndUvsPerCornerAndStopsAtCapacity) {
    Fx::SpriteNodeParameter node;
    Fx::SpriteInstanceParameter sprite = SquareSprite(0.5f, Fx::Color());
    sprite.uv = Fx::TextureRect{0.25f, 0.5f, 0.125f, 0.25f};
    for (int i = 0; i < 4; ++i) sprite.colors[i] = Fx::Color(uint8_t(i), uint8_t(10 + i), uint8_t(20 + i), 30);
    DrawSprites(node, std::vector<Fx::SpriteInstanceParameter>(1201, sprite));
    EXPECT_EQ(CapturedSquares(), 1200);
    const auto v = Captured(1);
    const float uvs[4][2] = {{0.25f, 0.75f}, {0.375f, 0.75f}, {0.25f, 0.5f}, {0.375f, 0.5f}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(v[i].color[0], i);
        EXPECT_EQ(v[i].color[2], 20 + i);
        EXPECT_FLOAT_EQ(v[i].uv[0], uvs[i][0]);
        EXPECT_FLOAT_EQ(v[i].uv[1], uvs[i][1]);
    }
    DrawSprites(node, {sprite});  // the next drawing starts empty
    EXPECT_EQ(CapturedSquares(), 1);
}

// Background (100, 100, 100); a sprite of (200, 50, 0) at alpha 128 over all of it.
TEST_F(FxQuadsTest, EachBlendModeOverAKnownBackground) {
    const struct {
        int32_t mode;
        Rgba expected;
    } cases[] = {
        {0, {200, 50, 0, 255}}, {1, {150, 75, 50, 255}}, {2, {200, 125, 100, 255}},
        {3, {0, 75, 100, 255}}, {4, {78, 20, 0, 255}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        glClearColor(100 / 255.0f, 100 / 255.0f, 100 / 255.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        Fx::SpriteNodeParameter node;
        node.alphaBlend = c.mode;
        DrawSprites(node, {SquareSprite(1.0f, Fx::Color(200, 50, 0, 128))});
        EXPECT_TRUE(RectIs(0, kHeight - kView, kView, kView, c.expected, 2));
    }
}

TEST_F(FxQuadsTest, VertexColoursLandOnTheirCornersAndUvFramesPickTheirTile) {
    Fx::SpriteNodeParameter node;
    Fx::SpriteInstanceParameter sprite = SquareSprite(1.0f, Fx::Color());
    sprite.colors[0] = Fx::Color(255, 0, 0, 255);  // lower left
    sprite.colors[1] = Fx::Color(0, 255, 0, 255);  // lower right
    sprite.colors[2] = Fx::Color(0, 0, 255, 255);  // upper left
    DrawSprites(node, {sprite});
    // Gouraud shading moves a corner pixel's centre by under 8 levels.
    EXPECT_TRUE(RectIs(0, kHeight - 1, 1, 1, {255, 0, 0, 255}, 8));
    EXPECT_TRUE(RectIs(kView - 1, kHeight - 1, 1, 1, {0, 255, 0, 255}, 8));
    EXPECT_TRUE(RectIs(0, kHeight - kView, 1, 1, {0, 0, 255, 255}, 8));
    EXPECT_TRUE(RectIs(kView - 1, kHeight - kView, 1, 1, {255, 255, 255, 255}, 8));

    const std::vector<uint32_t> tiles = {0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u, 0xFF00FFFFu};
    effect.textures = {MakeTexture(4, 1, tiles)};
    node.effect = &effect;
    node.textureIndex = 0;
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        sprite = SquareSprite(1.0f, Fx::Color());
        sprite.uv = Fx::TextureRect{k * 0.25f, 0.0f, 0.25f, 1.0f};
        DrawSprites(node, {sprite});
        const uint32_t w = tiles[size_t(k)];
        EXPECT_TRUE(RectIs(0, kHeight - kView, kView, kView, {uint8_t(w), uint8_t(w >> 8), uint8_t(w >> 16), 255}, 2));
    }
    node.textureIndex = 7;  // out of range: vertex colours alone
    DrawSprites(node, {SquareSprite(1.0f, Fx::Color(10, 20, 30, 255))});
    EXPECT_TRUE(RectIs(0, kHeight - kView, kView, kView, {10, 20, 30, 255}, 2));
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

TEST_F(FxQuadsTest, RibbonSquaresShareTheirPointsWithinAGroupOnly) {
    Fx::RibbonNodeParameter node;
    auto draw = [&](const std::vector<Fx::RibbonInstanceParameter>& points) {
        ribbons->BeginBatch(node, int32_t(points.size()), nullptr);
        for (const auto& p : points) ribbons->AddInstance(node, p, nullptr);
        ribbons->EndBatch(node, nullptr);
    };
    draw({Point(3, 0, -1.0f), Point(3, 1, 0.0f), Point(3, 2, 1.0f)});
    ASSERT_EQ(CapturedSquares(), 2);
    auto v = Captured(2);
    const Xyz expected[8] = {{-0.5f, -1, 0}, {0.5f, -1, 0}, {-0.5f, 0, 0}, {0.5f, 0, 0},
                             {-0.5f, 0, 0},  {0.5f, 0, 0},  {-0.5f, 1, 0}, {0.5f, 1, 0}};
    for (int i = 0; i < 8; ++i) ExpectAt(v[size_t(i)], expected[i]);
    EXPECT_FLOAT_EQ(v[2].uv[0], 1.0f);  // point 1 left: (1, 1/3)
    EXPECT_FLOAT_EQ(v[2].uv[1], 1.0f / 3.0f);
    EXPECT_FLOAT_EQ(v[3].uv[0], 0.0f);  // point 1 right: (0, 2/3)
    EXPECT_FLOAT_EQ(v[3].uv[1], 2.0f / 3.0f);

    draw({Point(1, 0, 0.0f), Point(2, 0, -1.0f), Point(2, 1, 0.0f), Point(2, 0, 0.5f), Point(2, 1, 1.0f)});
    ASSERT_EQ(CapturedSquares(), 2);
    v = Captured(2);
    ExpectAt(v[4], {-0.5f, 0.5f, 0});  // the second group starts its own square

    // A ribbon of two points (one square) is drawn: left red, right blue.
    draw({Point(2, 0, -1.0f), Point(2, 1, 1.0f)});
    EXPECT_TRUE(RectIs(17, kHeight - kView + 32, 1, 1, {255, 0, 0, 255}, 16));
    EXPECT_TRUE(RectIs(46, kHeight - kView + 32, 1, 1, {0, 0, 255, 255}, 16));
    EXPECT_TRUE(RectIs(2, kHeight - kView + 32, 1, 1, {0, 0, 0, 255}, 2));
}

Fx::RingInstanceParameter Disc(float radius, Fx::Color colour) {
    Fx::RingInstanceParameter ring;
    ring.matrix.SetIdentity();
    ring.viewingAngle = 360.0f;
    ring.outerLocation = Fx::Vector2D{radius, 0.0f};
    ring.innerLocation = Fx::Vector2D{0.0f, 0.0f};
    ring.centerRatio = 0.5f;
    ring.outerColor = ring.centerColor = ring.innerColor = colour;
    ring.uv = Fx::TextureRect{0.0f, 0.0f, 1.0f, 1.0f};
    return ring;
}

TEST_F(FxQuadsTest, RingEdgesTextureAndTheSingleInstancePath) {
    Fx::RingNodeParameter node;
    node.billboard = Fx::kBillboardFixed;
    node.vertexCount = 4;
    Fx::RingInstanceParameter ring = Disc(1.0f, Fx::Color());
    ring.matrix.SetTranslation(0.5f, 0.5f, 0.0f);
    DrawRing(node, 2, ring);
    ASSERT_EQ(CapturedSquares(), 16);
    auto v = Captured(16);
    const Xyz edges[5] = {{-1, 0, 0}, {0, -1, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const EffectVertex* s = &v[size_t(i) * 8];
        ExpectAt(s[0], {edges[i].x + 0.5f, edges[i].y + 0.5f, 0}, 1e-5f);
        ExpectAt(s[2], {edges[i + 1].x + 0.5f, edges[i + 1].y + 0.5f, 0}, 1e-5f);
        ExpectAt(s[1], {edges[i].x * 0.5f + 0.5f, edges[i].y * 0.5f + 0.5f, 0}, 1e-5f);
        EXPECT_FLOAT_EQ(s[0].uv[0], i * 0.25f);
        EXPECT_FLOAT_EQ(s[3].uv[0], (i + 1) * 0.25f);
        EXPECT_FLOAT_EQ(s[0].uv[1], 0.0f);
        EXPECT_FLOAT_EQ(s[1].uv[1], 0.5f);
        EXPECT_FLOAT_EQ(s[5].uv[1], 1.0f);
    }
    // One instance: the vertices stay in ring space, the matrix goes to the GPU.
    DrawRing(node, 1, ring);
    ExpectAt(Captured(16)[16], {1, 0, 0}, 1e-5f);

    // Both paths draw the same disc of radius 0.25 around clip (0.5, 0.5).
    node.vertexCount = 32;
    for (int count : {1, 2}) {
        SCOPED_TRACE(count);
        glClear(GL_COLOR_BUFFER_BIT);
        ring = Disc(0.25f, Fx::Color(0, 255, 0, 255));
        ring.matrix.SetTranslation(0.5f, 0.5f, 0.0f);
        DrawRing(node, count, ring);
        EXPECT_TRUE(RectIs(48 - 2, kHeight - kView + 16 - 2, 4, 4, {0, 255, 0, 255}, 2));
        EXPECT_TRUE(RectIs(16, kHeight - kView + 48, 4, 4, {0, 0, 0, 255}, 2));
    }
}

// Counts and values from a damaged file never write past the buffer.
TEST_F(FxQuadsTest, HostileCountsAndNaNsStayBounded) {
    Fx::RingNodeParameter node;
    node.billboard = Fx::kBillboardFixed;
    for (int32_t n : {0, -5, 601, std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()}) {
        SCOPED_TRACE(n);
        node.vertexCount = n;
        DrawRing(node, 2, Disc(1.0f, Fx::Color()));
        EXPECT_EQ(CapturedSquares(), 0);
    }
    node.vertexCount = 600;  // exactly the capacity
    DrawRing(node, 2, Disc(1.0f, Fx::Color()));
    EXPECT_EQ(CapturedSquares(), 1200);

    const float nan = std::numeric_limits<float>::quiet_NaN();
    Fx::SpriteNodeParameter spriteNode;
    spriteNode.billboard = Fx::kBillboardRotated;
    Fx::SpriteInstanceParameter sprite = SquareSprite(nan, Fx::Color());
    sprite.matrix = Rows({nan, 2, 0}, {0, nan, 0}, {0, 1.5f, 1}, {0, 0, 0});
    DrawSprites(spriteNode, {sprite, sprite});
    EXPECT_EQ(CapturedSquares(), 2);
    Fx::RibbonNodeParameter ribbonNode;
    ribbons->BeginBatch(ribbonNode, 2, nullptr);
    ribbons->AddInstance(ribbonNode, Point(std::numeric_limits<int32_t>::max(), 5, nan), nullptr);
    ribbons->AddInstance(ribbonNode, Point(-3, -1, 0.0f), nullptr);
    ribbons->EndBatch(ribbonNode, nullptr);
    EXPECT_EQ(CapturedSquares(), 0);
}

}  // namespace
