// The model renderer and the two loaders: models loaded from files written
// by the model writer and drawn lit and unlit on Mesa, and PNG textures of
// every colour type read back from the GPU.
#include <png.h>

#include <array>
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

class FxModelTest : public FxGlTest {
protected:
    void SetUp() override {
        FxGlTest::SetUp();
        models.reset(renderer->CreateModelRenderer());
        ASSERT_NE(models, nullptr);
        loader.reset(renderer->CreateModelLoader());
        const std::vector<uint8_t> bytes = FxWriter::WriteModel(Square(0.25f));
        ASSERT_TRUE(folder.Write("square.model", std::string(bytes.begin(), bytes.end())));
        square = loader->Load(folder.File("square.model").c_str());
        ASSERT_NE(square, nullptr);
        effect.models = {square};
        node.effect = &effect;
        node.modelIndex = 0;
        node.culling = 1;
        renderer->BeginRendering();
    }
    void TearDown() override {
        renderer->EndRendering();
        loader->Unload(square);
        models.reset();
        loader.reset();
        FxGlTest::TearDown();
    }
    void Draw(const std::vector<Fx::ModelInstanceParameter>& instances) {
        glClear(GL_COLOR_BUFFER_BIT);
        models->BeginBatch(node, int32_t(instances.size()), nullptr);
        for (const auto& instance : instances) models->AddInstance(node, instance, nullptr);
        models->EndBatch(node, nullptr);
    }
    static Fx::ModelInstanceParameter At(float x, Fx::Color colour) {
        Fx::ModelInstanceParameter instance;
        instance.matrix.SetTranslation(x, 0.0f, 0.0f);
        instance.allColor = colour;
        return instance;
    }

    TempDir folder;
    std::unique_ptr<Fx::ModelRenderer> models;
    std::unique_ptr<Fx::ModelLoader> loader;
    void* square = nullptr;
    Fx::ModelNodeParameter node;
};

TEST_F(FxModelTest, LoaderBuildsBuffersAndRefusesDamagedFiles) {
    const auto* buffers = static_cast<const FxRenderer::ModelBuffers*>(square);
    EXPECT_EQ(buffers->vertexCount, 4);
    EXPECT_EQ(buffers->indexCount, 6);
    Fx::Model broken = Square(1.0f);
    broken.faces[1].index[2] = 4;  // one past the last vertex
    const std::vector<uint8_t> bytes = FxWriter::WriteModel(broken);
    ASSERT_TRUE(folder.Write("broken.model", std::string(bytes.begin(), bytes.end())));
    EXPECT_EQ(loader->Load(folder.File("broken.model").c_str()), nullptr);
    EXPECT_EQ(loader->Load(folder.File("missing.model").c_str()), nullptr);
    loader->Unload(nullptr);
}

template <typename Row>
void SetRows(Row* m, std::array<float, 3> x, std::array<float, 3> y, std::array<float, 3> z) {
    const std::array<float, 3> rows[3] = {x, y, z};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) m[r][c] = rows[r][size_t(c)];
    }
}

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
            SetRows(instance.matrix.value, {0, 0, 1}, {0, 1, 0}, {-1, 0, 0});
            SetRows(camera.value, {0, 0, -1}, {0, 1, 0}, {1, 0, 0});
        }
        renderer->EndRendering();
        renderer->SetCameraMatrix(camera);
        renderer->BeginRendering();
        Draw({instance});
        EXPECT_TRUE(RectIs(31, kHeight - kView + 31, 2, 2, c.centre, 2));
        EXPECT_TRUE(RectIs(44, kHeight - kView + 32, 1, 1, c.edge, 2));
        EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    }
}

TEST_F(FxModelTest, EachInstanceDrawsWithItsOwnMatrixColourAndUvOffset) {
    Draw({At(-0.5f, Fx::Color(255, 0, 0, 255)), At(0.5f, Fx::Color(0, 0, 255, 255))});
    EXPECT_TRUE(RectIs(16, kHeight - kView + 32, 1, 1, {255, 0, 0, 255}, 2));
    EXPECT_TRUE(RectIs(48, kHeight - kView + 32, 1, 1, {0, 0, 255, 255}, 2));
    EXPECT_TRUE(RectIs(32, kHeight - kView + 32, 1, 1, {0, 0, 0, 255}, 2));

    // The square spans u 0..0.5 of a red | green texture; an offset of 0.5 moves it to green.
    effect.textures = {MakeTexture(2, 1, {0xFF0000FFu, 0xFF00FF00u})};
    node.colorTextureIndex = 0;
    node.textureFilter = Fx::kFilterNearest;
    node.textureWrap = Fx::kWrapClamp;
    Fx::ModelInstanceParameter instance = At(0.0f, Fx::Color(255, 255, 255, 255));
    Draw({instance});
    EXPECT_TRUE(RectIs(26, kHeight - kView + 32, 1, 1, {255, 0, 0, 255}, 2));
    instance.uv.x = 0.5f;
    Draw({instance});
    EXPECT_TRUE(RectIs(26, kHeight - kView + 32, 1, 1, {0, 255, 0, 255}, 2));
}

// The pixels of a texture handle, read through a framebuffer.
std::vector<uint8_t> TexturePixels(void* texture, int width, int height) {
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                           GLuint(reinterpret_cast<uintptr_t>(texture)), 0);
    std::vector<uint8_t> pixels(size_t(width) * height * 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    return pixels;
}

TEST_F(FxGlTest, TextureLoaderExpandsEveryColourTypeToRgba) {
    PngLayout grey{2, 1, PNG_COLOR_TYPE_GRAY, 8, false, {10, 200}, {}, {}};
    PngLayout palette{2, 1, PNG_COLOR_TYPE_PALETTE, 8, false, {0, 1}, {1, 2, 3, 4, 5, 6}, {128}};
    PngLayout deep{1, 1, PNG_COLOR_TYPE_RGB_ALPHA, 16, false, {0x11, 0x11, 0x22, 0x22, 0x33, 0x33, 0x44, 0x44}, {}, {}};
    const struct {
        PngLayout layout;
        std::vector<uint8_t> expected;
    } cases[] = {
        {grey, {10, 10, 10, 255, 200, 200, 200, 255}},
        {palette, {1, 2, 3, 128, 4, 5, 6, 255}},
        {deep, {0x11, 0x22, 0x33, 0x44}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.layout.colourType);
        const std::string bytes = WritePng(c.layout);
        void* texture = FxRenderer::TextureLoader::LoadFromMemory(bytes.data(), bytes.size());
        ASSERT_NE(texture, nullptr);
        EXPECT_EQ(TexturePixels(texture, c.layout.width, c.layout.height), c.expected);
        FxRenderer::TextureLoader(nullptr).Unload(texture);
        EXPECT_EQ(FxRenderer::TextureLoader::LoadFromMemory(bytes.data(), bytes.size() - 20), nullptr);
    }
}

}  // namespace
