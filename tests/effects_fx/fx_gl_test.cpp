// The effect renderer on headless Mesa in a 64 x 64 viewport at the surface's lower left: vertices and pixels of every renderer.
#include <png.h>

#include <limits>

#include "fx/effect.h"
#include "fx/fx_renderers.h"
#include "fx/gl/buffers.h"
#include "fx/gl/effect_batch.h"
#include "fx/gl/renderer.h"
#include "fx/gl/shader.h"
#include "fx/gl/texture_loader.h"
#include "model_writer.h"
#include "tests/gfx_images/image_test_files.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

// An effect stand-in that answers textures and models by index.
class TestEffect : public Fx::Effect {
public:
    int AddRef() override { return 1; }
    int Release() override { return 1; }
    Fx::Manager* GetManager() const override { return nullptr; }
    int GetVersion() const override { return 0; }
    float GetMagnification() const override { return 1.0f; }
    Fx::EffectNode* GetRoot() const override { return nullptr; }
    void* GetTexture(int index) const override { return At(textures, index); }
    void* GetModel(int index) const override { return At(models, index); }
    int GetTextureCount() const override { return int(textures.size()); }
    int GetModelCount() const override { return int(models.size()); }
    void* GetSound(int) const override { return nullptr; }
    int GetSoundCount() const override { return 0; }
    std::string GetTexturePath(int) const override { return {}; }
    std::string GetSoundPath(int) const override { return {}; }
    std::string GetModelPath(int) const override { return {}; }
    bool Reload(const void*, size_t, const char*) override { return false; }
    bool Reload(const char*, const char*) override { return false; }
    static void* At(const std::vector<void*>& list, int i) { return i >= 0 && i < int(list.size()) ? list[size_t(i)] : nullptr; }
    std::vector<void*> textures, models;
};

using Xyz = Fx::Vector3D;

class FxGlTest : public GlTest {
public:
    static constexpr int kView = 64;
    static constexpr int kTop = kHeight - kView;  // the view's top row on the surface

protected:
    void SetUp() override {
        GlTest::SetUp();
        glViewport(0, 0, kView, kView);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        ASSERT_NE(renderer = FxRenderer::Renderer::Create(1200), nullptr);
        sprites.reset(renderer->CreateSpriteRenderer());
        ribbons.reset(renderer->CreateRibbonRenderer());
        rings.reset(renderer->CreateRingRenderer());
        models.reset(renderer->CreateModelRenderer());
        ASSERT_TRUE(sprites && ribbons && rings && models);
        renderer->BeginRendering();
    }
    void TearDown() override {
        sprites.reset(), ribbons.reset(), rings.reset(), models.reset();
        if (renderer) {
            renderer->EndRendering();
            const GLuint buffers[2] = {renderer->GetVertexBuffer()->GetName(), renderer->GetIndexBuffer()->GetName()};
            EXPECT_EQ(renderer->Release(), 0);
            EXPECT_FALSE(glIsBuffer(buffers[0]) || glIsBuffer(buffers[1]));  // the last release frees both
        }
        for (void* texture : effect.textures) FxRenderer::TextureLoader(nullptr).Unload(texture);
        GlTest::TearDown();
    }
    // A texture from colour words (red in the lowest byte), as an effect keeps it.
    static void* MakeTexture(int width, int height, const std::vector<uint32_t>& pixels) {
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        return reinterpret_cast<void*>(uintptr_t(name));
    }
    // The squares of the last batch, as written, and their count.
    std::vector<FxRenderer::EffectVertex> Captured(int squares) const {
        auto* first = reinterpret_cast<const FxRenderer::EffectVertex*>(renderer->GetVertexBuffer()->GetMemory());
        return std::vector<FxRenderer::EffectVertex>(first, first + 4 * squares);
    }
    int CapturedSquares() const {
        return int(renderer->GetVertexBuffer()->GetOffset() / (4 * sizeof(FxRenderer::EffectVertex)));
    }
    static void ExpectAt(const FxRenderer::EffectVertex& v, Xyz p) {
        const float expected[3] = {p.x, p.y, p.z};
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(v.position[i], expected[i], 1e-5f) << "axis " << i;
    }

    FxRenderer::Renderer* renderer = nullptr;
    std::unique_ptr<Fx::SpriteRenderer> sprites;
    std::unique_ptr<Fx::RibbonRenderer> ribbons;
    std::unique_ptr<Fx::RingRenderer> rings;
    std::unique_ptr<Fx::ModelRenderer> models;
    TestEffect effect;
};

// A square of the sprite's plane from -half to +half, vertex colours `colour`.
Fx::SpriteInstanceParameter SquareSprite(float half, Fx::Color colour) {
    Fx::SpriteInstanceParameter sprite;
    sprite.matrix.SetIdentity();
    const float corners[4][2] = {{-half, -half}, {half, -half}, {-half, half}, {half, half}};
    for (int i = 0; i < 4; ++i) sprite.positions[i] = Fx::Vector2D{corners[i][0], corners[i][1]}, sprite.colors[i] = colour;
    sprite.uv = Fx::TextureRect{0.0f, 0.0f, 1.0f, 1.0f};
    return sprite;
}

template <typename Renderer, typename Node, typename Instance>
void DrawBatch(Renderer& renderer, const Node& node, const std::vector<Instance>& instances) {
    renderer.BeginBatch(node, int32_t(instances.size()), nullptr);
    for (const Instance& instance : instances) renderer.AddInstance(node, instance, nullptr);
    renderer.EndBatch(node, nullptr);
}

// What the bracket must put back, as one list of values.
std::vector<GLint> ReadState() {
    std::vector<GLint> state;
    for (GLenum capability : {GL_BLEND, GL_CULL_FACE, GL_DEPTH_TEST}) state.push_back(glIsEnabled(capability));
    for (GLenum name : {GL_DEPTH_WRITEMASK, GL_BLEND_SRC_RGB, GL_BLEND_DST_RGB, GL_BLEND_SRC_ALPHA, GL_BLEND_DST_ALPHA,
                        GL_BLEND_EQUATION_RGB, GL_TEXTURE_BINDING_2D, GL_CURRENT_PROGRAM}) {
        state.push_back(0);
        glGetIntegerv(name, &state.back());
    }
    return state;
}

// (200, 50, 0, 128) over grey 100 in every blend mode; an unknown code (5) keeps the multiply's.
TEST_F(FxGlTest, BlendModesDrawAndEndRenderingPutsBackWhatTheyChanged) {
    const Rgba expected[6] = {{200, 50, 0, 255}, {150, 75, 50, 255}, {200, 125, 100, 255},
                              {0, 75, 100, 255}, {78, 20, 0, 255},   {78, 20, 0, 255}};
    effect.textures = {MakeTexture(1, 1, {0xFFFFFFFFu})};
    Fx::SpriteNodeParameter node;
    node.effect = &effect;
    node.textureIndex = 0;
    for (bool on : {false, true}) {
        SCOPED_TRACE(on);
        (on ? glEnable : glDisable)(GL_BLEND);
        (on ? glEnable : glDisable)(GL_CULL_FACE);
        (on ? glDisable : glEnable)(GL_DEPTH_TEST);
        glDepthMask(on ? GL_FALSE : GL_TRUE);
        glBlendFuncSeparate(on ? GL_ONE : GL_DST_COLOR, GL_ZERO, GL_ONE_MINUS_DST_ALPHA, GL_SRC_ALPHA);
        glBlendEquation(on ? GL_FUNC_SUBTRACT : GL_FUNC_ADD);
        const std::vector<GLint> before = ReadState();
        renderer->BeginRendering();
        EXPECT_TRUE(glIsEnabled(GL_BLEND) && !glIsEnabled(GL_CULL_FACE));
        node.depthTest = node.depthWrite = on;
        for (node.alphaBlend = 0; node.alphaBlend <= 5; ++node.alphaBlend) {
            glClearColor(100 / 255.0f, 100 / 255.0f, 100 / 255.0f, 1.0f);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            DrawBatch(*sprites, node, std::vector<Fx::SpriteInstanceParameter>{SquareSprite(1.0f, Fx::Color(200, 50, 0, 128))});
            EXPECT_TRUE(RectIs(0, kTop, kView, kView, expected[node.alphaBlend], 2)) << node.alphaBlend;
        }
        renderer->EndRendering();
        EXPECT_EQ(ReadState(), before);
        EXPECT_TRUE(NoGlError());
    }
}

TEST_F(FxGlTest, BuffersRefuseWhatTheyCannotHoldAndBrokenShadersGiveNull) {
    for (int32_t bad : {0, -1, 16385, INT32_MAX}) EXPECT_EQ(FxRenderer::Renderer::Create(bad), nullptr) << bad;
    FxRenderer::VertexBuffer& buffer = *renderer->GetVertexBuffer();
    buffer.Lock();
    EXPECT_NE(buffer.DirectBuffer(buffer.GetSize() - 4), nullptr);
    EXPECT_TRUE(buffer.DirectBuffer(5) == nullptr && buffer.DirectBuffer(UINT32_MAX) == nullptr);
    EXPECT_TRUE(buffer.Push("0123", 4));
    buffer.Unlock();

    LogCapture log;
    EXPECT_EQ(FxRenderer::Shader::Create(renderer, "#version 100\nvoid main() { nonsense; }", "x", "Broken"), nullptr);
    EXPECT_TRUE(log.Contains("Broken"));
}

using FxRenderer::EffectVertex;
using Sprites = std::vector<Fx::SpriteInstanceParameter>;
using Points = std::vector<Fx::RibbonInstanceParameter>;
using Rings = std::vector<Fx::RingInstanceParameter>;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// The corners of a unit sprite at (5, 6, 7), the camera looking along -x (side) or -z.
TEST_F(FxGlTest, SpriteBillboardKindsPlaceTheCorners) {
    const struct { const char* name; int32_t kind; bool side; Fx::Matrix43 matrix; Xyz expected[4]; } cases[] = {
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
    // Lower left, lower right, upper left, upper right, within the 8 levels Gouraud shading moves.
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
    EXPECT_TRUE(RectIs(17, kTop + 32, 1, 1, {255, 0, 0, 255}, 16) && RectIs(46, kTop + 32, 1, 1, {0, 0, 255, 255}, 16) &&
                RectIs(2, kTop + 32, 1, 1, {0, 0, 0, 255}, 2));
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

// Damaged counts and values never write past the buffer; the capacity stops a batch.
TEST_F(FxGlTest, HostileCountsNaNsAndCapacityStayBounded) {
    Fx::RingNodeParameter node;
    node.billboard = Fx::kBillboardFixed;
    for (int32_t n : {0, -5, 601, INT32_MAX, INT32_MIN, 600}) {
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

// A square from -half to +half in z = 0, wound to face +z, normals +z.
Fx::Model Square(float half) {
    Fx::Model model;
    const float corners[4][2] = {{-half, -half}, {half, -half}, {half, half}, {-half, half}};
    for (const auto& c : corners) {
        Fx::ModelVertex v{};
        v.position = Fx::Vector3D(c[0], c[1], 0.0f);
        v.normal = Fx::Vector3D(0.0f, 0.0f, 1.0f);
        v.uv = Fx::Vector2D{c[0] > 0 ? 0.5f : 0.0f, 0.0f};
        model.vertices.push_back(v);
    }
    model.faces = {{{0, 1, 2}}, {{0, 2, 3}}};
    return model;
}

// The square of half-size 0.25 loaded through the model loader as model 0.
class FxModelTest : public FxGlTest {
protected:
    void SetUp() override {
        FxGlTest::SetUp();
        loader.reset(renderer->CreateModelLoader());
        EXPECT_EQ(Load(Square(0.25f)), true);
        EXPECT_EQ(static_cast<const Fx::Model*>(effect.models[0])->faces.size(), 2u);  // what emitters read
        Fx::Model broken = Square(0.25f);
        broken.faces[1].index[2] = 4;  // one past the last vertex
        EXPECT_TRUE(!Load(broken) && loader->Load(folder.File("missing").c_str()) == nullptr);
        node.effect = &effect;
        node.modelIndex = 0;
        node.culling = 1;
    }
    bool Load(const Fx::Model& model) {
        const std::vector<uint8_t> bytes = FxWriter::WriteModel(model);
        folder.Write("m", std::string(bytes.begin(), bytes.end()));
        effect.models.push_back(loader->Load(folder.File("m").c_str()));
        return effect.models.back() != nullptr;
    }
    void TearDown() override {
        for (void* model : effect.models) loader->Unload(model);
        FxGlTest::TearDown();
    }
    void Draw(const std::vector<Fx::ModelInstanceParameter>& instances) {
        glClear(GL_COLOR_BUFFER_BIT);
        DrawBatch(*models, node, instances);
    }
    static Fx::ModelInstanceParameter At(float x, Fx::Color colour) {
        Fx::ModelInstanceParameter instance;
        instance.matrix.SetTranslation(x, 0.0f, 0.0f);
        instance.allColor = colour;
        return instance;
    }

    TempDir folder;
    std::unique_ptr<Fx::ModelLoader> loader;
    Fx::ModelNodeParameter node;
};

// Probes at the centre and at clip x = 0.4 (pixel 44), which only a doubled square reaches.
TEST_F(FxModelTest, UnlitLitCullingMagnificationAndMirroring) {
    const Rgba black{0, 0, 0, 255};
    // turned: the square turned into world z, the camera back, so mirroring z shows
    const struct Case { const char* name; bool lighting; int32_t culling; float magnification; bool rightHand; Rgba centre, edge;
                        bool turned = false; } cases[] = {
        {"unlit in the model colour", false, 1, 1.0f, true, {128, 64, 32, 255}, black},
        {"lit: colour x diffuse + ambient", true, 1, 1.0f, true, {114, 77, 58, 255}, black},
        {"front faces culled", false, 0, 1.0f, true, black, black},
        {"code 2 draws both sides", false, 2, 1.0f, true, {128, 64, 32, 255}, black},
        {"magnification 2", false, 1, 2.0f, true, {128, 64, 32, 255}, {128, 64, 32, 255}},
        {"left-handed turns the square away", false, 1, 1.0f, false, black, black, true},
        {"left-handed seen from behind", false, 0, 1.0f, false, {128, 64, 32, 255}, black, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        node.lighting = c.lighting;
        node.culling = c.culling;
        node.magnification = c.magnification;
        node.isRightHand = c.rightHand;
        Fx::ModelInstanceParameter instance = At(0.0f, Fx::Color(128, 64, 32, 255));
        Fx::Matrix44 camera;
        if (c.turned) {
            instance.matrix = Fx::Matrix43{{{0, 0, 1}, {0, 1, 0}, {-1, 0, 0}, {0, 0, 0}}};
            camera.SetFrom(Fx::Matrix43{{{0, 0, -1}, {0, 1, 0}, {1, 0, 0}, {0, 0, 0}}});
        }
        renderer->EndRendering();
        renderer->SetCameraMatrix(camera);
        renderer->BeginRendering();
        Draw({instance});
        EXPECT_TRUE(RectIs(31, kTop + 31, 2, 2, c.centre, 2));
        EXPECT_TRUE(RectIs(44, kTop + 32, 1, 1, c.edge, 2));
        EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    }
}

TEST_F(FxModelTest, EachInstanceDrawsWithItsOwnMatrixColourAndUvOffset) {
    Draw({At(-0.5f, Fx::Color(255, 0, 0, 255)), At(0.5f, Fx::Color(0, 0, 255, 255))});
    EXPECT_TRUE(RectIs(16, kTop + 32, 1, 1, {255, 0, 0, 255}, 2) && RectIs(48, kTop + 32, 1, 1, {0, 0, 255, 255}, 2) &&
                RectIs(32, kTop + 32, 1, 1, {0, 0, 0, 255}, 2));

    // The square spans u 0..0.5 of a red | green texture; an offset of 0.5 moves it to green.
    effect.textures = {MakeTexture(2, 1, {0xFF0000FFu, 0xFF00FF00u})};
    node.colorTextureIndex = 0;
    Fx::ModelInstanceParameter instance = At(0.0f, Fx::Color(255, 255, 255, 255));
    Draw({instance});
    EXPECT_TRUE(RectIs(26, kTop + 32, 1, 1, {255, 0, 0, 255}, 2));
    instance.uv.x = 0.5f;
    Draw({instance});
    EXPECT_TRUE(RectIs(26, kTop + 32, 1, 1, {0, 255, 0, 255}, 2));
}

// Two texels drawn over black with alpha blending, so that alpha shows in the colour.
TEST_F(FxGlTest, TextureLoaderExpandsEveryColourTypeToRgba) {
    const struct { PngLayout layout; Rgba left, right; } cases[] = {
        {{2, 1, PNG_COLOR_TYPE_GRAY, 8, false, {10, 200}, {}, {}}, {10, 10, 10, 255}, {200, 200, 200, 255}},
        {{2, 1, PNG_COLOR_TYPE_PALETTE, 8, false, {0, 1}, {200, 100, 50, 4, 5, 6}, {128}}, {100, 50, 25, 255}, {4, 5, 6, 255}},
        {{2, 1, PNG_COLOR_TYPE_RGB_ALPHA, 16, false, {255, 0, 128, 0, 64, 0, 128, 0, 0, 0, 0, 0, 255, 0, 255, 0}, {}, {}},
         {128, 64, 32, 255}, {0, 0, 255, 255}},
    };
    Fx::SpriteNodeParameter node;
    node.effect = &effect;
    node.textureIndex = 0;
    node.alphaBlend = Fx::kBlendBlend;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.layout.colourType);
        const std::string bytes = WritePng(c.layout);
        EXPECT_EQ(FxRenderer::TextureLoader::LoadFromMemory(bytes.data(), bytes.size() - 20), nullptr);
        effect.textures = {FxRenderer::TextureLoader::LoadFromMemory(bytes.data(), bytes.size())};
        ASSERT_NE(effect.textures[0], nullptr);
        glClear(GL_COLOR_BUFFER_BIT);
        DrawBatch(*sprites, node, std::vector<Fx::SpriteInstanceParameter>{SquareSprite(1.0f, Fx::Color())});
        EXPECT_TRUE(RectIs(8, kTop + 8, 1, 1, c.left, 2));
        EXPECT_TRUE(RectIs(56, kTop + 8, 1, 1, c.right, 2));
    }
}

}  // namespace
