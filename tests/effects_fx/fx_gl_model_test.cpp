// The model renderer and the two loaders: models loaded from files written
// by the model writer and drawn lit and unlit on Mesa, and PNG textures of
// every colour type read back from the GPU.
#include <png.h>

#include <memory>

#include "fx/gl/model_loader.h"
#include "fx/gl/render_state.h"
#include "fx/gl/texture_loader.h"
#include "fx_gl_fixture.h"
#include "model_writer.h"
#include "tests/gfx_images/image_test_files.h"
#include "tests/support/temp_dir.h"

namespace {

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

// The square of half-size 0.25 loaded through the model loader, as model 0
// of the effect.
class FxModelTest : public FxGlTest {
protected:
    void SetUp() override {
        FxGlTest::SetUp();
        loader.reset(renderer->CreateModelLoader());
        EXPECT_EQ(Load(Square(0.25f)), true);
        EXPECT_EQ(static_cast<const Fx::Model*>(effect.models[0])->faces.size(), 2u);  // what emitters read
        Fx::Model broken = Square(0.25f);
        broken.faces[1].index[2] = 4;  // one past the last vertex
        EXPECT_EQ(Load(broken), false);
        EXPECT_EQ(loader->Load(folder.File("missing").c_str()), nullptr);
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

// Centre probe (32, 32) and a probe at clip x = 0.4 (pixel 44), which only a
// doubled square reaches.
TEST_F(FxModelTest, UnlitLitCullingMagnificationAndMirroring) {
    const Rgba black{0, 0, 0, 255};
    const struct Case {
        const char* name;
        bool lighting;
        int32_t culling;
        float magnification;
        bool rightHand;
        Rgba centre, edge;
        // The square turned into world z and the camera turned back, so
        // that mirroring z shows on screen.
        bool turned = false;
    } cases[] = {
        {"unlit in the model colour", false, 1, 1.0f, true, {128, 64, 32, 255}, black},
        {"lit: colour x diffuse + ambient", true, 1, 1.0f, true, {114, 77, 58, 255}, black},
        {"front faces culled", false, 0, 1.0f, true, black, black},
        {"code 2 draws both sides", false, 2, 1.0f, true, {128, 64, 32, 255}, black},
        {"magnification 2", false, 1, 2.0f, true, {128, 64, 32, 255}, {128, 64, 32, 255}},
        {"turned, right-handed", false, 1, 1.0f, true, {128, 64, 32, 255}, black, true},
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
    EXPECT_TRUE(RectIs(16, kTop + 32, 1, 1, {255, 0, 0, 255}, 2));
    EXPECT_TRUE(RectIs(48, kTop + 32, 1, 1, {0, 0, 255, 255}, 2));
    EXPECT_TRUE(RectIs(32, kTop + 32, 1, 1, {0, 0, 0, 255}, 2));

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

// Each file is drawn over black with alpha blending, so that alpha shows in
// the colour: two texels across the view, probed left and right.
TEST_F(FxGlTest, TextureLoaderExpandsEveryColourTypeToRgba) {
    const struct {
        PngLayout layout;
        Rgba left, right;
    } cases[] = {
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
